#include "exchange/importcsv.h"
#include "exchange/importxlsx.h"

#include "core/version.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/entryrules.h"
#include "data/personnelfile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using F = PersonnelField;
constexpr std::size_t FieldCount = PersonnelFields.size();

// The employee's fields the file must have: those a new employee cannot be saved without.
constexpr F Required[] = {F::FirstName, F::LastName, F::Race, F::Sex, F::DateOfBirth, F::DateOfEmployment};
// Read from the file's header but filled in by the program.
constexpr F ProgramFilled[] = {F::DateCreated, F::DateModified, F::VersionCreated};

QString FieldName(F field) {
    return QString::fromLatin1(PersonnelRecordView::FieldOf(field).name);
}

// A value as a message quotes it: at most 30 characters.
QString Quoted(const QString& text) {
    return u'\'' + (text.size() > 30 ? text.left(30) + QStringLiteral("...") : text) + u'\'';
}

enum class RowRead { Row, End, Fault };

// The rows of a CSV text, read one at a time from a position.
class CsvRows {
public:
    CsvRows(QByteArrayView text, qsizetype from, char separator)
        : m_text(text), m_pos(from), m_separator(separator) {}
    qsizetype Position() const { return m_pos; }

    // The next row's cells as bytes. Only the first `keep` cells are kept, the others only
    // counted in `count`. On a fault, `fault` says what is wrong and `count` is the cell's index.
    RowRead Next(std::vector<QByteArray>& cells, qsizetype keep, qsizetype* count, QString* fault) {
        cells.clear();
        *count = 0;
        if (m_pos >= m_text.size())
            return RowRead::End;
        for (;;) {
            QByteArray cell;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                ++m_pos;
                for (;;) {
                    const qsizetype quote = m_text.indexOf('"', m_pos);
                    if (quote < 0) {
                        *fault = QStringLiteral("a quoted cell is never closed");
                        return RowRead::Fault;
                    }
                    cell += m_text.sliced(m_pos, quote - m_pos);
                    m_pos = quote + 1;
                    if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                        cell += '"';
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                if (m_pos < m_text.size() && !IsCellEnd(m_pos)) {
                    *fault = QStringLiteral("text follows the closing quote of a quoted cell");
                    return RowRead::Fault;
                }
            } else {
                const qsizetype start = m_pos;
                while (m_pos < m_text.size() && m_text[m_pos] != m_separator && m_text[m_pos] != '\r' &&
                       m_text[m_pos] != '\n') {
                    if (m_text[m_pos] == '"') {
                        *fault = QStringLiteral("a quote stands inside a cell that does not start with one");
                        return RowRead::Fault;
                    }
                    ++m_pos;
                }
                if (m_pos < m_text.size() && !IsCellEnd(m_pos)) {
                    *fault = QStringLiteral("a CR without LF stands outside quotes");
                    return RowRead::Fault;
                }
                cell = m_text.sliced(start, m_pos - start).toByteArray();
            }
            if (cell.size() > MaxImportCellBytes) {
                *fault = QStringLiteral("the cell is longer than %1 bytes").arg(MaxImportCellBytes);
                return RowRead::Fault;
            }
            if (*count < keep)
                cells.push_back(std::move(cell));
            ++*count;
            if (m_pos >= m_text.size())
                return RowRead::Row;
            if (m_text[m_pos] == m_separator) {
                ++m_pos;
                continue;
            }
            m_pos += m_text[m_pos] == '\r' ? 2 : 1;
            return RowRead::Row;
        }
    }

private:
    // The separator, CR LF or LF.
    bool IsCellEnd(qsizetype at) const {
        const char c = m_text[at];
        return c == m_separator || c == '\n' ||
               (c == '\r' && at + 1 < m_text.size() && m_text[at + 1] == '\n');
    }

    QByteArrayView m_text;
    qsizetype m_pos;
    char m_separator;
};

// The file's text as UTF-8: UTF-16 and UTF-32 known by their byte-order mark, anything else
// UTF-8 with or without one. Nothing when it is none of them.
std::optional<QByteArray> Utf8Text(const QByteArray& bytes) {
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    const bool utf8 = !bom || *bom == QStringConverter::Utf8;
    QStringDecoder decoder(utf8 ? QStringConverter::Utf8 : *bom, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return utf8 ? (bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes) : text.toUtf8();
}

// The field a header cell names; -1 when none. The picture's path is no column of the file.
int FieldOfName(const QString& name) {
    for (std::size_t f = 0; f < FieldCount; ++f) {
        if (F(f) != F::PictureFile && name == QLatin1String(PersonnelFields[f].name))
            return int(f);
    }
    return -1;
}

// A spreadsheet separates cells with commas, semicolons or tabs, as the user's locale or choice
// has it: the one that splits the header into the most known column names, a comma on a tie.
char Separator(QByteArrayView text) {
    char best = ',';
    int bestKnown = -1;
    for (const char separator : {',', ';', '\t'}) {
        CsvRows reader(text, 0, separator);
        std::vector<QByteArray> cells;
        qsizetype count = 0;
        QString fault;
        reader.Next(cells, qsizetype(FieldCount) + 1, &count, &fault);
        int known = 0;
        for (const QByteArray& cell : cells)
            known += FieldOfName(TrimSpaces(QString::fromUtf8(cell))) >= 0;
        if (known > bestKnown) {
            best = separator;
            bestKnown = known;
        }
    }
    return best;
}

// Where the rows end: a spreadsheet may leave lines of nothing but separators and spaces after
// the last one.
qsizetype RowsEnd(QByteArrayView text, char separator) {
    qsizetype last = text.size();
    while (last > 0 && (text[last - 1] == separator || QByteArrayView(" \t\r\n").contains(text[last - 1])))
        --last;
    const qsizetype lineEnd = text.indexOf('\n', last);
    return last == 0 ? 0 : lineEnd < 0 ? text.size() : lineEnd + 1;
}

// Takes off the apostrophe the export puts before a cell a spreadsheet would run.
QString Unguarded(const QString& cell) {
    qsizetype i = 0;
    while (i < cell.size() && cell[i] == u'\'')
        ++i;
    const bool guarded = i > 0 && i < cell.size() &&
                         (cell[i] == u'=' || cell[i] == u'+' || cell[i] == u'-' || cell[i] == u'@' ||
                          cell[i] == u'\t' || cell[i] == u'\r');
    return guarded ? cell.mid(1) : cell;
}

// Every line break as CR LF, as the record page stores the notepad.
QString WithCrLf(const QString& text) {
    QString out = text;
    out.replace(CrLf, QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), CrLf);
    return out;
}

// The sentence that reports a fault of the record page's checks.
QString EntryFaultText(EntryFault fault, const QString& value) {
    switch (fault) {
    case EntryFault::RemovedMarker:
        return QStringLiteral(
                   ": '%1' can't be used as a first name; the program uses it to mark records being "
                   "removed.")
            .arg(QString::fromLatin1(RemovedMarker));
    case EntryFault::NameLine:
        return QStringLiteral(" holds a tab or a line break; a name is one line.");
    case EntryFault::Race:
        return QStringLiteral(": %1 is not W, B, H, A or O.").arg(Quoted(value));
    case EntryFault::Sex:
        return QStringLiteral(": %1 is not M or F.").arg(Quoted(value));
    case EntryFault::SocialSecurityNumber:
        return QStringLiteral(": %1 is shorter than 11 characters (use the 123-45-6789 form).")
            .arg(Quoted(value));
    case EntryFault::DateOfBirth:
    case EntryFault::DateOfEmployment:
        if (TrimSpaces(value).isEmpty())
            return QStringLiteral(" is empty; the date is required.");
        [[fallthrough]];
    case EntryFault::DateOfJobTitle:
    case EntryFault::InactivationDate:
        return QStringLiteral(": %1 is not a date.").arg(Quoted(value));
    case EntryFault::None:
        break;
    }
    return {};
}

// Reads one row's cells into `out` (when given) and reports each fault through `fault`, with
// the column's index and the sentence's rest after "Line n, column 'X'".
void ConvertRow(const std::vector<QByteArray>& cells, const std::vector<int>& fieldOfColumn, bool guarded,
                PersonnelRecord* out,
                const std::function<void(std::size_t column, const QString& rest)>& fault) {
    std::array<QString, FieldCount> value;
    std::array<std::size_t, FieldCount> columnOf;
    columnOf.fill(cells.size());
    std::array<bool, FieldCount> faulty{};
    const auto report = [&](F field, const QString& rest) {
        faulty[std::size_t(field)] = true;
        fault(columnOf[std::size_t(field)], rest);
    };
    for (std::size_t c = 0; c < cells.size() && c < fieldOfColumn.size(); ++c) {
        if (fieldOfColumn[c] < 0)
            continue;
        const auto f = std::size_t(fieldOfColumn[c]);
        columnOf[f] = c;
        value[f] = QString::fromUtf8(cells[c]);
        if (guarded)
            value[f] = Unguarded(value[f]);
    }

    // What each text field would store, and whether it can. The race, the sex and a name with a
    // tab or a line break are CheckEntry's to report.
    std::array<QString, FieldCount> stored;
    for (std::size_t f = 0; f < FieldCount; ++f) {
        const FieldLayout& layout = PersonnelFields[f];
        if (layout.type != FieldType::Text || faulty[f] || columnOf[f] == cells.size())
            continue;
        const F field = F(f);
        stored[f] = field == F::Notepad ? WithCrLf(TrimSpaces(value[f])) : TrimSpaces(value[f]);
        const bool name =
            field == F::FirstName || field == F::MiddleName || field == F::LastName || field == F::Suffix;
        const bool lineBreak = stored[f].contains(u'\r') || stored[f].contains(u'\n');
        if (field == F::Race || field == F::Sex || (name && (lineBreak || stored[f].contains(u'\t'))))
            continue;
        if (lineBreak && field != F::Notepad) {
            report(field, QStringLiteral(" holds a line break; only the Notepad can."));
        } else if (const QString c = FirstUnstorable(stored[f]); !c.isEmpty()) {
            report(field, QStringLiteral(": ") + CharacterName(c) + QStringLiteral(" cannot be stored."));
        } else if (ToAnsi(stored[f]).size() > layout.width) {
            report(field, QStringLiteral(" is longer than %1 characters.").arg(layout.width));
        }
    }

    // Save waits for these on the record page; the other required fields CheckEntry tests.
    for (const F field : {F::FirstName, F::LastName}) {
        const auto f = std::size_t(field);
        if (!faulty[f] && TrimSpaces(value[f]).isEmpty())
            report(field, QStringLiteral(" is empty; the name is required."));
    }

    EntryFields entry;
    entry.names = {value[std::size_t(F::FirstName)], value[std::size_t(F::MiddleName)],
                   value[std::size_t(F::LastName)], value[std::size_t(F::Suffix)]};
    entry.race = value[std::size_t(F::Race)];
    entry.sex = value[std::size_t(F::Sex)];
    entry.dateOfBirth = value[std::size_t(F::DateOfBirth)];
    entry.socialSecurityNumber = value[std::size_t(F::SocialSecurityNumber)];
    entry.dateOfEmployment = value[std::size_t(F::DateOfEmployment)];
    entry.dateOfJobTitle = value[std::size_t(F::DateOfJobTitle)];
    entry.inactivationDate = value[std::size_t(F::InactivationDate)];
    const EntryCheck check = CheckEntry(entry, true);
    if (!check.Ok() && !faulty[std::size_t(check.field)])
        report(check.field, EntryFaultText(check.fault, value[std::size_t(check.field)]));
    // 0 is "not set": an earlier day would list the employee as neither current nor previous.
    const double inactivation = EntryDate(entry.inactivationDate);
    if (check.Ok() && !TrimSpaces(entry.inactivationDate).isEmpty() && inactivation <= 0)
        report(F::InactivationDate,
               QStringLiteral(": %1 is not after 12/30/1899.").arg(Quoted(entry.inactivationDate)));

    if (!out)
        return;
    out->Clear();
    for (std::size_t f = 0; f < FieldCount; ++f) {
        if (PersonnelFields[f].type == FieldType::Text && F(f) != F::Race && F(f) != F::Sex)
            out->SetText(F(f), stored[f]);
    }
    out->SetRace(entry.race);
    out->SetSex(entry.sex);
    out->SetDateOfBirth(EntryDate(entry.dateOfBirth));
    out->SetDateOfEmployment(EntryDate(entry.dateOfEmployment));
    out->SetDateOfJobTitle(EntryDate(entry.dateOfJobTitle));
    out->SetInactivationDate(inactivation);
}

} // namespace

void ImportPlan::Fail(int line, const QString& column, const QString& message) {
    ++m_errorCount;
    if (m_errors.size() < std::size_t(ImportErrorsKept))
        m_errors.push_back({line, column, message});
}

QString ImportPlan::ErrorText() const {
    QStringList lines;
    for (const ImportError& e : m_errors)
        lines += e.message;
    if (m_errorCount > qint64(m_errors.size()))
        lines += QStringLiteral("%1 more faults were found.").arg(m_errorCount - qint64(m_errors.size()));
    return lines.join(CrLf);
}

PersonnelRecord ImportPlan::Record(qint32 row, double now) const {
    PersonnelRecord record;
    if (row < 0 || std::size_t(row) >= m_lines.size())
        return record;
    std::vector<QByteArray> cells;
    if (m_workbook) {
        cells = m_sheetRows[std::size_t(row)];
    } else {
        CsvRows reader(m_text, m_rows[std::size_t(row)], m_separator);
        qsizetype count = 0;
        QString fault;
        reader.Next(cells, qsizetype(m_fieldOfColumn.size()), &count, &fault);
    }
    ConvertRow(cells, m_fieldOfColumn, !m_workbook, &record, [](std::size_t, const QString&) {});
    record.SetDateCreated(now);
    record.SetDateModified(0);
    record.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
    return record;
}

int ImportPlan::Line(qint32 row) const {
    return row >= 0 && std::size_t(row) < m_lines.size() ? m_lines[std::size_t(row)] : 0;
}

// Plans an import from a file's header and rows, which a CSV file and a workbook's sheet hand in
// alike.
struct ImportPlanning {
    explicit ImportPlanning(ImportPlan& plan) : plan(plan) {}

    // The header: every column known, none twice, the required ones there. False when it is at
    // fault.
    bool Header(const std::vector<QByteArray>& cells, qsizetype count, int line) {
        const qsizetype mostColumns = qsizetype(FieldCount);
        if (count > mostColumns) {
            plan.Fail(line, {},
                      QStringLiteral("The header has %1 columns; an export has at most %2.")
                          .arg(count)
                          .arg(mostColumns - 1));
            return false;
        }
        for (const QByteArray& cell : cells)
            names += TrimSpaces(QString::fromUtf8(cell));
        std::array<bool, FieldCount> seen{};
        for (const QString& name : names) {
            const int field = FieldOfName(name);
            if (field < 0) {
                plan.Fail(line, name,
                          QStringLiteral("The header has an unknown column %1.").arg(Quoted(name)));
                continue;
            }
            if (seen[std::size_t(field)])
                plan.Fail(line, name, QStringLiteral("The header has the column '%1' twice.").arg(name));
            seen[std::size_t(field)] = true;
            bool filled = false;
            for (const F f : ProgramFilled)
                filled = filled || F(field) == f;
            plan.m_fieldOfColumn.push_back(filled ? -1 : field);
        }
        for (const F f : Required) {
            if (!seen[std::size_t(f)])
                plan.Fail(line, FieldName(f),
                          QStringLiteral("The header has no column '%1'.").arg(FieldName(f)));
        }
        return plan.m_errorCount == 0;
    }

    QString ColumnName(qsizetype c) const { return c < names.size() ? names[c] : QString::number(c + 1); }

    // One row of as many cells as the header has columns, starting on `line`.
    void Row(const std::vector<QByteArray>& cells, int line, const QString& word) {
        plan.m_lines.push_back(line);
        ConvertRow(cells, plan.m_fieldOfColumn, !plan.m_workbook, nullptr,
                   [&](std::size_t c, const QString& rest) {
                       const QString name = ColumnName(qsizetype(c));
                       plan.Fail(line, name,
                                 QStringLiteral("%1 %2, column '%3'").arg(word).arg(line).arg(name) + rest);
                   });
    }

    void NoRows() {
        if (plan.m_lines.empty() && plan.m_errorCount == 0)
            plan.Fail(0, {}, QStringLiteral("The file holds a header but no employees."));
    }

    static ImportPlan Csv(const QByteArray& csv);
    static ImportPlan Workbook(const QByteArray& bytes);

    ImportPlan& plan;
    QStringList names;
};

ImportPlan ImportPlanning::Csv(const QByteArray& csv) {
    ImportPlan plan;
    ImportPlanning planning(plan);
    // An Excel 97-2003 workbook starts with the compound file's signature.
    if (csv.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        plan.Fail(0, {},
                  QStringLiteral("The file is an Excel 97-2003 workbook (.xls). In your spreadsheet, save it "
                                 "as \"Excel Workbook (*.xlsx)\" or as \"CSV UTF-8 (Comma delimited)\"."));
        return plan;
    }
    std::optional<QByteArray> text = Utf8Text(csv);
    if (!text) {
        plan.Fail(0, {},
                  QStringLiteral("The file is not UTF-8 text. In your spreadsheet, save it as \"CSV UTF-8 "
                                 "(Comma delimited)\" (Excel) or choose the character set \"Unicode "
                                 "(UTF-8)\" (LibreOffice)."));
        return plan;
    }
    plan.m_separator = Separator(*text);
    plan.m_text = text->left(RowsEnd(*text, plan.m_separator));
    if (plan.m_text.isEmpty()) {
        plan.Fail(0, {}, QStringLiteral("The file is empty."));
        return plan;
    }

    CsvRows reader(plan.m_text, 0, plan.m_separator);
    std::vector<QByteArray> cells;
    qsizetype count = 0;
    QString fault;
    if (reader.Next(cells, qsizetype(FieldCount) + 1, &count, &fault) == RowRead::Fault) {
        plan.Fail(1, {}, QStringLiteral("The header: %1.").arg(fault));
        return plan;
    }
    if (!planning.Header(cells, count, 1))
        return plan;

    const qsizetype columns = planning.names.size();
    // Faults name the spreadsheet's line where the row starts, the header being line 1; a quoted
    // cell may hold line breaks.
    int line = 1;
    for (qsizetype lineStart = 0;;) {
        const qsizetype start = reader.Position();
        line += int(std::count(plan.m_text.cbegin() + lineStart, plan.m_text.cbegin() + start, '\n'));
        lineStart = start;
        const RowRead read = reader.Next(cells, columns, &count, &fault);
        if (read == RowRead::End)
            break;
        if (read == RowRead::Fault) {
            // The rest of the file cannot be told apart into rows.
            const QString name = planning.ColumnName(count);
            plan.Fail(line, name, QStringLiteral("Line %1, column '%2': %3.").arg(line).arg(name, fault));
            return plan;
        }
        if (count != columns) {
            plan.Fail(
                line, {},
                QStringLiteral("Line %1 has %2 cells; the header has %3.").arg(line).arg(count).arg(columns));
            continue;
        }
        plan.m_rows.push_back(start);
        planning.Row(cells, line, QStringLiteral("Line"));
    }
    planning.NoRows();
    return plan;
}

ImportPlan ImportPlanning::Workbook(const QByteArray& bytes) {
    ImportPlan plan;
    plan.m_workbook = true;
    ImportPlanning planning(plan);
    WorkbookSheet sheet = ReadWorkbookSheet(bytes, MaxImportCellBytes);
    if (!sheet.fault.isEmpty()) {
        plan.Fail(0, {}, sheet.fault);
        return plan;
    }
    if (sheet.rows.empty()) {
        plan.Fail(0, {}, QStringLiteral("The workbook's first sheet is empty."));
        return plan;
    }
    const SheetRow& header = sheet.rows.front();
    if (!planning.Header(header.cells, qsizetype(header.cells.size()), header.number))
        return plan;
    const std::size_t columns = header.cells.size();
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        SheetRow& row = sheet.rows[r];
        bool fits = true;
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            if (row.cells[c].size() > MaxImportCellBytes) {
                const QString name = planning.ColumnName(qsizetype(c));
                plan.Fail(row.number, name,
                          QStringLiteral("Row %1, column '%2': the cell is longer than %3 bytes.")
                              .arg(row.number)
                              .arg(name)
                              .arg(MaxImportCellBytes));
                fits = false;
            } else if (c >= columns && !row.cells[c].isEmpty()) {
                plan.Fail(row.number, ColumnLetters(qsizetype(c)),
                          QStringLiteral("Row %1, column %2 holds %3; the header names no column there.")
                              .arg(row.number)
                              .arg(ColumnLetters(qsizetype(c)), Quoted(QString::fromUtf8(row.cells[c]))));
                fits = false;
            }
        }
        if (!fits)
            continue;
        row.cells.resize(columns);
        planning.Row(row.cells, row.number, QStringLiteral("Row"));
        plan.m_sheetRows.push_back(std::move(row.cells));
    }
    planning.NoRows();
    return plan;
}

ImportPlan PlanImport(const QByteArray& bytes) {
    if (LooksLikeZip(bytes))
        return ImportPlanning::Workbook(bytes);
    return ImportPlanning::Csv(bytes);
}

ImportPlan PlanImportFile(const QString& path) {
    ImportPlan plan;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        plan.m_readStatus = IoStatus::Failure(QStringLiteral("open"), path, errno);
        return plan;
    }
    const auto tooLarge = [&] {
        ::close(fd);
        plan.Fail(0, {},
                  QStringLiteral("The file is larger than %1 MB; no list of employees is that long.")
                      .arg(MaxImportFileBytes / (1024 * 1024)));
        return plan;
    };
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > MaxImportFileBytes)
        return tooLarge();
    // Read in blocks up to the limit, whatever the file says its size is.
    QByteArray bytes;
    for (;;) {
        const qsizetype block = 1 << 20;
        const qsizetype at = bytes.size();
        bytes.resize(at + block);
        const ssize_t got = ::read(fd, bytes.data() + at, size_t(block));
        if (got < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (got < 0) {
            plan.m_readStatus = IoStatus::Failure(QStringLiteral("read"), path, errno);
            ::close(fd);
            return plan;
        }
        bytes.resize(at + got);
        if (bytes.size() > MaxImportFileBytes)
            return tooLarge();
        if (got == 0)
            break;
    }
    ::close(fd);
    return PlanImport(bytes);
}

IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const Clock& clock) {
    if (!plan.Ok())
        return IoStatus::Failure(QStringLiteral("add employees to"), file.DataFileName(), EINVAL);
    if (IoStatus s = file.OpenPersonnelFile(); !s)
        return s;
    const double now = clock.NowOle();
    IoStatus s = file.AppendPersonnelRecords(plan.Rows(),
                                             [&](qint32 i, PersonnelRecord& r) { r = plan.Record(i, now); });
    file.ClosePersonnelFile();
    return s;
}
