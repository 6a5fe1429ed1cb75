#include "exchange/importcsv.h"
#include "exchange/importxlsx.h"

#include "core/version.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/entryrules.h"
#include "data/fieldcaptions.h"
#include "data/history.h"
#include "data/personnelfile.h"
#include "data/util.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

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

// A value as a message quotes it: at most 30 characters, a control character as '?', so that
// none reaches a message or a terminal.
QString Quoted(const QString& text) {
    return u'\'' + WithoutControlCharacters(text.size() > 30 ? text.left(30) + QStringLiteral("...") : text) +
           u'\'';
}

// `text` trimmed of spaces as TrimSpaces trims it, the same string when there are none.
QString Trimmed(const QString& text) {
    if (text.isEmpty() || (text.front() != u' ' && text.back() != u' '))
        return text;
    return TrimSpaces(text);
}

// The first character of `text` a field cannot take: one Windows-1252 cannot hold (FirstUnstorable)
// or a control character other than the tab and the line breaks, whose rules are the record
// page's (a name is one line, only the Notepad has lines). Empty when there is none.
QString FirstRefused(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Printable ASCII is every field's.
        if (text[i].unicode() >= 0x20 && text[i].unicode() < 0x7F)
            continue;
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView c = text.sliced(i, length);
        if ((IsControlCharacter(c[0]) && !QStringView(u"\t\r\n").contains(c[0])) ||
            !FirstUnstorable(c).isEmpty())
            return c.toString();
        i += length - 1;
    }
    return {};
}

enum class RowRead { Row, End, Fault };

// The rows of a CSV text, read one at a time from a position.
class CsvRows {
public:
    CsvRows(QByteArrayView text, qsizetype from, char separator)
        : m_text(text), m_pos(from), m_separator(separator) {}
    qsizetype Position() const { return m_pos; }

    // The next row's cells as bytes. Only the first `keep` cells are kept, the others only
    // counted in `count`; with `wanted`, a cell it does not want is kept empty. On a fault,
    // `fault` says what is wrong and `count` is the cell's index.
    RowRead Next(std::vector<QByteArray>& cells, qsizetype keep, qsizetype* count, QString* fault,
                 const std::vector<bool>* wanted = nullptr) {
        cells.clear();
        *count = 0;
        if (m_pos >= m_text.size())
            return RowRead::End;
        for (;;) {
            QByteArray cell;
            const bool made = !wanted || (std::size_t(*count) < wanted->size() && (*wanted)[std::size_t(*count)]);
            qsizetype length = 0;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                ++m_pos;
                for (;;) {
                    const qsizetype quote = m_text.indexOf('"', m_pos);
                    if (quote < 0) {
                        *fault = QStringLiteral("a quoted cell is never closed");
                        return RowRead::Fault;
                    }
                    if (made)
                        cell += m_text.sliced(m_pos, quote - m_pos);
                    length += quote - m_pos;
                    m_pos = quote + 1;
                    if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                        if (made)
                            cell += '"';
                        ++length;
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
                length = m_pos - start;
                // The text outlives the cells read from it: an unquoted cell is a view of it.
                if (made)
                    cell = QByteArray::fromRawData(m_text.data() + start, length);
            }
            if (length > MaxImportCellBytes) {
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
// Takes the bytes, so that a large file is not held twice.
std::optional<QByteArray> Utf8Text(QByteArray bytes) {
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    const bool utf8 = !bom || *bom == QStringConverter::Utf8;
    if (utf8) {
        if (!bytes.isValidUtf8())
            return std::nullopt;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        return bytes;
    }
    QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    bytes = {};
    return text.toUtf8();
}

// A header as the import compares it: letters and digits only, in lower case, "#" read as
// "number", so that "Social Security #", "social_security_number" and "SocialSecurityNumber" are
// one.
QString HeaderKey(const QString& header) {
    QString key;
    for (const QChar c : header) {
        if (c == u'#')
            key += QStringLiteral("number");
        else if (c.isLetterOrNumber())
            key += c.toLower();
    }
    return key;
}

// The headers a field is known by: its name, and the caption the record page shows above its
// box. The emergency frame's captions name the emergency contact only inside the frame, so they
// are taken after "Emergency" ("Emergency Contact Number"): a bare "Name" is no one's.
struct HeaderKeys {
    std::array<QString, FieldCount> name, caption;
    HeaderKeys() {
        for (std::size_t f = 0; f < FieldCount; ++f) {
            if (F(f) == F::PictureFile)
                continue;
            name[f] = HeaderKey(QLatin1String(PersonnelFields[f].name));
            if (const char* text = FieldCaption(F(f)))
                caption[f] = HeaderKey(QString::fromLatin1(IsEmergencyField(F(f)) ? "Emergency " : "") +
                                       QLatin1String(text));
        }
    }
};

const HeaderKeys& KnownHeaders() {
    static const HeaderKeys keys;
    return keys;
}

// The field a header cell names; -1 when none. The picture's path is no column of the file.
int FieldOfName(const QString& header) {
    const QString key = HeaderKey(header);
    const HeaderKeys& known = KnownHeaders();
    for (std::size_t f = 0; f < FieldCount; ++f) {
        if (!key.isEmpty() && (key == known.name[f] || key == known.caption[f]))
            return int(f);
    }
    return -1;
}

// Levenshtein's distance between two texts: the fewest letters put in, taken out or changed.
qsizetype EditDistance(QStringView a, QStringView b) {
    std::vector<qsizetype> row(std::size_t(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[std::size_t(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[std::size_t(j)];
            row[std::size_t(j)] =
                std::min({above + 1, row[std::size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[std::size_t(b.size())];
}

// The names of the fields nearest an unknown header by its name or its caption (the emergency
// frame's bare ones too: "Name" is near EmergencyName), when a third of its letters or fewer (at
// least one) are amiss: at most two, in the record's order, each in quotes, joined by "or". Empty
// when none is that near.
QString NearestNames(const QString& header) {
    const QString key = HeaderKey(header);
    const HeaderKeys& known = KnownHeaders();
    std::array<qsizetype, FieldCount> distance{};
    distance.fill(key.size() + 1);
    for (std::size_t f = 0; f < FieldCount; ++f) {
        if (known.name[f].isEmpty())
            continue;
        distance[f] = std::min(EditDistance(key, known.name[f]), EditDistance(key, known.caption[f]));
        if (const char* text = FieldCaption(F(f)); text && IsEmergencyField(F(f)))
            distance[f] = std::min(distance[f], EditDistance(key, HeaderKey(QLatin1String(text))));
    }
    const qsizetype best = *std::min_element(distance.cbegin(), distance.cend());
    QStringList names;
    for (std::size_t f = 0; f < FieldCount && names.size() < 2; ++f) {
        if (distance[f] == best && best <= std::max<qsizetype>(1, key.size() / 3))
            names += u'\'' + FieldName(F(f)) + u'\'';
    }
    return names.join(QStringLiteral(" or "));
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
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
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
void ConvertRow(const std::vector<QString>& cells, const std::vector<int>& fieldOfColumn, bool guarded,
                PersonnelRecord* out,
                const std::function<void(std::size_t column, const QString& rest)>& fault,
                ImportMasked* masked = nullptr) {
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
        value[f] = guarded ? Unguarded(cells[c]) : cells[c];
    }
    // A masked cell holds no value: it is checked and stored as the record page's masked box.
    ImportMasked hidden;
    hidden.socialSecurityNumber = IsMaskedSsn(value[std::size_t(F::SocialSecurityNumber)]);
    hidden.dateOfBirth = IsMaskedDateOfBirth(value[std::size_t(F::DateOfBirth)]);
    if (hidden.socialSecurityNumber)
        value[std::size_t(F::SocialSecurityNumber)].clear();
    if (hidden.dateOfBirth) {
        hidden.birthMonthDay = value[std::size_t(F::DateOfBirth)].trimmed().mid(5);
        value[std::size_t(F::DateOfBirth)].clear();
    }
    if (masked)
        *masked = hidden;

    // What each text field would store, and whether it can. The race, the sex and a name with a
    // tab or a line break are CheckEntry's to report.
    std::array<QString, FieldCount> stored;
    for (std::size_t f = 0; f < FieldCount; ++f) {
        const FieldLayout& layout = PersonnelFields[f];
        if (layout.type != FieldType::Text || faulty[f] || columnOf[f] == cells.size())
            continue;
        const F field = F(f);
        stored[f] = field == F::Notepad ? WithCrLf(Trimmed(value[f])) : Trimmed(value[f]);
        const bool name =
            field == F::FirstName || field == F::MiddleName || field == F::LastName || field == F::Suffix;
        const bool lineBreak = stored[f].contains(u'\r') || stored[f].contains(u'\n');
        if (field == F::Race || field == F::Sex || (name && (lineBreak || stored[f].contains(u'\t'))))
            continue;
        if (lineBreak && field != F::Notepad) {
            report(field, QStringLiteral(" holds a line break; only the Notepad can."));
        } else if (const QString c = FirstRefused(stored[f]); !c.isEmpty()) {
            report(field, QStringLiteral(": ") + CharacterName(c) + QStringLiteral(" cannot be stored."));
        } else if (stored[f].size() > layout.width && // no more code-page bytes than UTF-16 units
                   ToAnsi(stored[f]).size() > layout.width) {
            report(field, QStringLiteral(" is longer than %1 characters.").arg(layout.width));
        }
    }

    // Save waits for these on the record page; the other required fields CheckEntry tests.
    for (const F field : {F::FirstName, F::LastName}) {
        const auto f = std::size_t(field);
        if (!faulty[f] && Trimmed(value[f]).isEmpty())
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
    entry.socialSecurityNumberKept = hidden.socialSecurityNumber;
    entry.dateOfBirthKept = hidden.dateOfBirth;
    const EntryCheck check = CheckEntry(entry, true);
    if (!check.Ok() && !faulty[std::size_t(check.field)])
        report(check.field, EntryFaultText(check.fault, value[std::size_t(check.field)]));
    // 0 is "not set": an earlier day would list the employee as neither current nor previous.
    const double inactivation = EntryDate(entry.inactivationDate);
    if (check.Ok() && !Trimmed(entry.inactivationDate).isEmpty() && inactivation <= 0)
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

std::vector<QString> ImportPlan::Cells(qint32 row, const std::vector<bool>* fields) const {
    const std::size_t columns = m_fieldOfColumn.size();
    std::vector<QString> cells(columns);
    const auto wanted = [&](std::size_t column) {
        return !fields || (m_fieldOfColumn[column] >= 0 && (*fields)[std::size_t(m_fieldOfColumn[column])]);
    };
    const qsizetype start = m_rows[std::size_t(row)];
    if (m_workbook) {
        const qsizetype end =
            std::size_t(row) + 1 < m_rows.size() ? m_rows[std::size_t(row) + 1] : m_text.size();
        for (qsizetype at = start; at + 5 <= end;) {
            const auto column = std::size_t(quint8(m_text[at]));
            const qsizetype length = qFromLittleEndian<quint32>(m_text.constData() + at + 1);
            if (column < columns && wanted(column))
                cells[column] = QString::fromUtf8(m_text.constData() + at + 5, length);
            at += 5 + length;
        }
        return cells;
    }
    std::vector<QByteArray> bytes;
    CsvRows reader(m_text, start, m_separator);
    qsizetype count = 0;
    QString fault;
    std::vector<bool> made;
    if (fields) {
        made.resize(columns);
        for (std::size_t c = 0; c < columns; ++c)
            made[c] = wanted(c);
    }
    reader.Next(bytes, qsizetype(columns), &count, &fault, fields ? &made : nullptr);
    for (std::size_t c = 0; c < bytes.size() && c < columns; ++c) {
        if (wanted(c))
            cells[c] = QString::fromUtf8(bytes[c]);
    }
    return cells;
}

bool IsMaskedSsn(QStringView text) {
    const QStringView t = QStringView(text).trimmed();
    return t.startsWith(u"***-**-") && t.size() > 7 && t.size() <= 11;
}

bool IsMaskedDateOfBirth(QStringView text) {
    const QStringView t = QStringView(text).trimmed();
    return t.size() == 10 && t.startsWith(u"****-") && t[7] == u'-' &&
           std::all_of(t.begin() + 5, t.end(), [](QChar c) { return c == u'-' || c.isDigit(); });
}

PersonnelRecord ImportPlan::Record(qint32 row, double now, ImportMasked* masked) const {
    PersonnelRecord record;
    if (row < 0 || std::size_t(row) >= m_lines.size())
        return record;
    ConvertRow(
        Cells(row), m_fieldOfColumn, !m_workbook, &record, [](std::size_t, const QString&) {}, masked);
    record.SetDateCreated(now);
    record.SetDateModified(0);
    record.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
    return record;
}

PersonnelRecord ImportPlan::MatchRecord(qint32 row, ImportMasked* masked) const {
    PersonnelRecord record;
    if (row < 0 || std::size_t(row) >= m_lines.size())
        return record;
    constexpr F compared[] = {F::LastName, F::FirstName, F::DateOfBirth, F::EmployeeNumber,
                              F::SocialSecurityNumber};
    static const std::vector<bool> fields = [&] {
        std::vector<bool> f(FieldCount);
        for (const F field : compared)
            f[std::size_t(field)] = true;
        return f;
    }();
    const std::vector<QString> cells = Cells(row, &fields);
    std::array<QString, FieldCount> value;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (m_fieldOfColumn[c] >= 0 && fields[std::size_t(m_fieldOfColumn[c])])
            value[std::size_t(m_fieldOfColumn[c])] = m_workbook ? cells[c] : Unguarded(cells[c]);
    }
    // As ConvertRow reads them: a masked cell holds no value, a text is stored trimmed.
    ImportMasked hidden;
    QString& ssn = value[std::size_t(F::SocialSecurityNumber)];
    QString& born = value[std::size_t(F::DateOfBirth)];
    hidden.socialSecurityNumber = IsMaskedSsn(ssn);
    hidden.dateOfBirth = IsMaskedDateOfBirth(born);
    if (hidden.socialSecurityNumber)
        ssn.clear();
    if (hidden.dateOfBirth) {
        hidden.birthMonthDay = born.trimmed().mid(5);
        born.clear();
    }
    if (masked)
        *masked = hidden;
    for (const F field : compared) {
        if (field != F::DateOfBirth)
            record.SetText(field, Trimmed(value[std::size_t(field)]));
    }
    record.SetDateOfBirth(EntryDate(born));
    return record;
}

bool ImportPlan::HasColumn(PersonnelField field) const {
    return std::find(m_fieldOfColumn.cbegin(), m_fieldOfColumn.cend(), int(field)) != m_fieldOfColumn.cend();
}

PersonnelRecord ImportPlan::Updated(qint32 row, const PersonnelRecord& stored) const {
    ImportMasked masked;
    const PersonnelRecord read = Record(row, stored.DateCreated(), &masked);
    PersonnelRecord updated = stored;
    // Only what the history sees change: a stored date's time of day, or a text's padding, stays.
    for (const int f : m_fieldOfColumn) {
        if (f < 0 || (F(f) == F::SocialSecurityNumber && masked.socialSecurityNumber) ||
            (F(f) == F::DateOfBirth && masked.dateOfBirth))
            continue;
        const FieldLayout& layout = PersonnelFields[std::size_t(f)];
        const auto at = std::size_t(layout.offset);
        if (std::memcmp(read.data() + at, stored.data() + at, std::size_t(layout.width)) == 0 ||
            HistoryValue(read, F(f)) == HistoryValue(stored, F(f)))
            continue;
        std::memcpy(updated.data() + at, read.data() + at, std::size_t(layout.width));
    }
    return updated;
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
    bool Header(const std::vector<QString>& cells, qsizetype count, int line) {
        if (count > ImportColumns) {
            plan.Fail(line, {},
                      QStringLiteral("The header has %1 columns; an export has at most %2.")
                          .arg(count)
                          .arg(ImportColumns));
            return false;
        }
        for (const QString& cell : cells)
            names += TrimSpaces(cell);
        std::array<bool, FieldCount> seen{};
        for (const QString& name : names) {
            const int field = FieldOfName(name);
            if (field < 0) {
                const QString nearest = NearestNames(name);
                plan.Fail(line, name,
                          QStringLiteral("The header has an unknown column %1").arg(Quoted(name)) +
                              (nearest.isEmpty() ? QStringLiteral(".")
                                                 : QStringLiteral("; did you mean %1?").arg(nearest)));
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
    void Row(const std::vector<QString>& cells, int line, const QString& word) {
        plan.m_lines.push_back(line);
        ImportMasked masked;
        ConvertRow(
            cells, plan.m_fieldOfColumn, !plan.m_workbook, nullptr,
            [&](std::size_t c, const QString& rest) {
                const QString name = ColumnName(qsizetype(c));
                plan.Fail(line, name,
                          QStringLiteral("%1 %2, column '%3'").arg(word).arg(line).arg(name) + rest);
            },
            &masked);
        if (masked.Any())
            plan.m_masked.push_back(qint32(plan.m_lines.size() - 1));
    }

    void NoRows() {
        if (plan.m_lines.empty() && plan.m_errorCount == 0)
            plan.Fail(0, {}, QStringLiteral("The file holds a header but no employees."));
    }

    // Asks the progress every so many rows; false once it said to stop.
    bool GoOn(qint64 done, qint64 total, int rows) {
        if (!progress || rows % 256 != 1 || progress(done, total))
            return true;
        plan.m_cancelled = true;
        return false;
    }

    static ImportPlan Csv(QByteArray csv, const ImportProgress& progress);
    static ImportPlan Workbook(const QByteArray& bytes, const ImportProgress& progress);

    ImportPlan& plan;
    ImportProgress progress;
    QStringList names;
};

namespace {

// Whether `bytes` (an OLE compound file) hold the stream "EncryptedPackage", which a workbook saved
// with a password is wrapped in: a directory entry (128 bytes, in a sector after the 512-byte
// header) named so in UTF-16, with the name's length in bytes at 0x40 and the type "stream" (2)
// at 0x42.
bool IsEncryptedWorkbook(QByteArrayView bytes) {
    const QByteArray name = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0\0\0", 34);
    for (qsizetype at = bytes.indexOf(name, 512); at >= 0; at = bytes.indexOf(name, at + 2)) {
        if (at % 128 == 0 && at + 0x43 < bytes.size() && quint8(bytes[at + 0x40]) == 34 &&
            bytes[at + 0x41] == 0 && bytes[at + 0x42] == 2)
            return true;
    }
    return false;
}

std::vector<QString> Texts(const std::vector<QByteArray>& cells) {
    std::vector<QString> texts;
    for (const QByteArray& cell : cells)
        texts.push_back(QString::fromUtf8(cell));
    return texts;
}

} // namespace

ImportPlan ImportPlanning::Csv(QByteArray csv, const ImportProgress& progress) {
    ImportPlan plan;
    ImportPlanning planning(plan);
    planning.progress = progress;
    // An Excel 97-2003 workbook starts with the compound file's signature, and so does a workbook
    // saved with a password, wrapped in one.
    if (csv.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        if (IsEncryptedWorkbook(csv))
            plan.Fail(0, {},
                      QStringLiteral("The workbook is protected by a password, and cannot be read. In your "
                                     "spreadsheet, remove the password (File > Info > Protect Workbook in "
                                     "Excel, File > Properties > Security in LibreOffice), save the workbook "
                                     "and import it again."));
        else
            plan.Fail(0, {},
                      QStringLiteral("The file is an Excel 97-2003 workbook (.xls). ") +
                          SaveAsReadableText());
        return plan;
    }
    std::optional<QByteArray> text = Utf8Text(std::move(csv));
    if (!text) {
        plan.Fail(0, {},
                  QStringLiteral("The file is not UTF-8 text. In your spreadsheet, save it as \"CSV UTF-8 "
                                 "(Comma delimited)\" (Excel) or choose the character set \"Unicode "
                                 "(UTF-8)\" (LibreOffice)."));
        return plan;
    }
    plan.m_separator = Separator(*text);
    plan.m_text = std::move(*text);
    plan.m_text.truncate(RowsEnd(plan.m_text, plan.m_separator));
    if (plan.m_text.isEmpty()) {
        plan.Fail(0, {}, QStringLiteral("The file is empty."));
        return plan;
    }

    CsvRows reader(plan.m_text, 0, plan.m_separator);
    std::vector<QByteArray> bytes;
    qsizetype count = 0;
    QString fault;
    if (reader.Next(bytes, qsizetype(FieldCount) + 1, &count, &fault) == RowRead::Fault) {
        plan.Fail(1, {}, QStringLiteral("The header: %1.").arg(fault));
        return plan;
    }
    if (!planning.Header(Texts(bytes), count, 1))
        return plan;

    const qsizetype columns = planning.names.size();
    std::vector<QString> cells(static_cast<std::size_t>(columns));
    // Faults name the row as a spreadsheet numbers it, the header being line 1: a quoted cell's
    // line breaks stay in its row.
    int line = 1;
    for (;;) {
        const qsizetype start = reader.Position();
        if (!planning.GoOn(start, plan.m_text.size(), line++))
            return plan;
        const RowRead read = reader.Next(bytes, columns, &count, &fault);
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
        for (std::size_t c = 0; c < bytes.size(); ++c)
            cells[c] = QString::fromUtf8(bytes[c]);
        plan.m_rows.push_back(start);
        planning.Row(cells, line, QStringLiteral("Line"));
    }
    planning.NoRows();
    return plan;
}

ImportPlan ImportPlanning::Workbook(const QByteArray& bytes, const ImportProgress& progress) {
    ImportPlan plan;
    plan.m_workbook = true;
    ImportPlanning planning(plan);
    bool header = true;
    std::size_t columns = 0;
    std::vector<QString> cells;
    const auto take = [&](const SheetRow& row) {
        if (header) {
            header = false;
            cells.assign(std::size_t(row.cells.back().column) + 1, QString());
            for (const SheetCell& cell : row.cells)
                cells[std::size_t(cell.column)] = cell.text;
            if (planning.Header(cells, qsizetype(cells.size()), row.number))
                columns = cells.size();
            else
                columns = 0; // refused: the rows are not read
            cells.assign(columns, QString());
            return;
        }
        if (columns == 0)
            return;
        bool fits = true;
        std::fill(cells.begin(), cells.end(), QString());
        for (const SheetCell& cell : row.cells) {
            const auto c = std::size_t(cell.column);
            if (c >= columns) {
                plan.Fail(row.number, ColumnLetters(qsizetype(c)),
                          QStringLiteral("Row %1, column %2 holds %3; the header names no column there.")
                              .arg(row.number)
                              .arg(ColumnLetters(qsizetype(c)), Quoted(cell.text)));
                fits = false;
            } else if (cell.text.size() > MaxImportCellBytes ||
                       (cell.text.size() * 3 > MaxImportCellBytes &&
                        cell.text.toUtf8().size() > MaxImportCellBytes)) {
                const QString name = planning.ColumnName(qsizetype(c));
                plan.Fail(row.number, name,
                          QStringLiteral("Row %1, column '%2': the cell is longer than %3 bytes.")
                              .arg(row.number)
                              .arg(name)
                              .arg(MaxImportCellBytes));
                fits = false;
            } else {
                cells[c] = cell.text;
            }
        }
        if (!fits)
            return;
        planning.Row(cells, row.number, QStringLiteral("Row"));
        // Once a row is refused, the plan is never applied: no row needs keeping.
        if (plan.m_errorCount != 0)
            return;
        plan.m_rows.push_back(plan.m_text.size());
        for (const SheetCell& cell : row.cells) {
            const QByteArray text = cell.text.toUtf8();
            char head[5];
            head[0] = char(cell.column);
            qToLittleEndian(quint32(text.size()), head + 1);
            plan.m_text.append(head, 5).append(text);
        }
    };
    const WorkbookSheet sheet =
        ReadWorkbookSheet(bytes, SheetLimits{ImportColumns, MaxImportCellBytes}, take, progress);
    if (sheet.cancelled || !sheet.fault.isEmpty()) {
        // Whatever the rows read so far held, the workbook as a whole is what is wrong.
        plan.m_errors.clear();
        plan.m_errorCount = 0;
        plan.m_cancelled = sheet.cancelled;
        if (!sheet.cancelled)
            plan.Fail(0, {}, sheet.fault);
        return plan;
    }
    if (sheet.farColumn >= 0) {
        // Reading stopped there: no list has a column that far, whatever the header says.
        const QString letters = ColumnLetters(sheet.farColumn);
        const QString holds = QStringLiteral("Row %1, column %2 holds %3; ")
                                  .arg(sheet.farRow)
                                  .arg(letters, Quoted(sheet.farText));
        plan.Fail(sheet.farRow, letters,
                  holds + (header ? QStringLiteral("an export has at most %1 columns, %2 to %3.")
                                        .arg(ImportColumns)
                                        .arg(ColumnLetters(0), ColumnLetters(ImportColumns - 1))
                                  : QStringLiteral("the header names no column there.")));
        return plan;
    }
    if (header) {
        plan.Fail(0, {}, QStringLiteral("The workbook's first sheet is empty."));
        return plan;
    }
    planning.NoRows();
    return plan;
}

ImportPlan PlanImport(const QByteArray& bytes, const ImportProgress& progress) {
    if (LooksLikeZip(bytes))
        return ImportPlanning::Workbook(bytes, progress);
    return ImportPlanning::Csv(bytes, progress);
}

ImportPlan PlanImportFile(FileIo& io, const QString& path, const ImportProgress& progress) {
    ImportPlan plan;
    const int fd = io.Open(path, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        plan.m_readStatus = IoStatus::Failure(QStringLiteral("open"), path, errno);
        return plan;
    }
    const auto tooLarge = [&] {
        io.Close(fd);
        plan.Fail(0, {},
                  QStringLiteral("The file is larger than %1 MB; no list of employees is that long.")
                      .arg(MaxImportFileBytes / (1024 * 1024)));
        return plan;
    };
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > MaxImportFileBytes)
        return tooLarge();
    // Read in blocks up to the limit, whatever the file says its size is, into a block as large as
    // the file says it is (and a read's more), so that the file is held once and never copied.
    QByteArray bytes;
    if (S_ISREG(st.st_mode))
        bytes.reserve(qsizetype(st.st_size) + (1 << 20) + 1);
    for (;;) {
        const qsizetype block = 1 << 20;
        const qsizetype at = bytes.size();
        bytes.resize(at + block);
        const ssize_t got = io.ReadAt(fd, bytes.data() + at, size_t(block), off_t(at));
        if (got < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (got < 0) {
            plan.m_readStatus = IoStatus::Failure(QStringLiteral("read"), path, errno);
            io.Close(fd);
            return plan;
        }
        bytes.resize(at + got);
        if (bytes.size() > MaxImportFileBytes)
            return tooLarge();
        if (got == 0)
            break;
    }
    io.Close(fd);
    if (LooksLikeZip(bytes))
        return ImportPlanning::Workbook(bytes, progress);
    return ImportPlanning::Csv(std::move(bytes), progress);
}

IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const Clock& clock) {
    if (!plan.Ok() || !plan.MaskedRows().empty())
        return IoStatus::Failure(QStringLiteral("add employees to"), file.DataFileName(), EINVAL);
    if (IoStatus s = file.OpenPersonnelFile(); !s)
        return s;
    const double now = clock.NowOle();
    IoStatus s = file.AppendPersonnelRecords(plan.Rows(),
                                             [&](qint32 i, PersonnelRecord& r) { r = plan.Record(i, now); });
    file.ClosePersonnelFile();
    return s;
}
