#include "exchange/importplan.h"
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
// How a packed row notes its masked cells (ImportPlan::m_records).
constexpr char MaskedSsn = 1;
constexpr char MaskedBirth = 2;
constexpr qsizetype BirthMonthDayBytes = 5; // "03-07"

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
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return record;
    const qsizetype end =
        std::size_t(row) + 1 < m_rows.size() ? m_rows[std::size_t(row) + 1] : m_records.size();
    const char* bytes = m_records.constData();
    qsizetype at = m_rows[std::size_t(row)];
    const char flags = bytes[at++];
    ImportMasked hidden;
    hidden.socialSecurityNumber = (flags & MaskedSsn) != 0;
    hidden.dateOfBirth = (flags & MaskedBirth) != 0;
    if (hidden.dateOfBirth) {
        hidden.birthMonthDay = QString::fromLatin1(bytes + at, BirthMonthDayBytes);
        at += BirthMonthDayBytes;
    }
    if (masked)
        *masked = hidden;
    while (at + 3 <= end) {
        const FieldLayout& layout = PersonnelFields[std::size_t(quint8(bytes[at]))];
        const quint16 length = qFromLittleEndian<quint16>(bytes + at + 1);
        std::memcpy(record.data() + layout.offset, bytes + at + 3, length);
        at += 3 + length;
    }
    record.SetDateCreated(now);
    record.SetDateModified(0);
    record.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
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

namespace {

// Adds `record`, and which of its cells were masked, to `out` packed as ImportPlan::m_records
// holds its rows.
void PackRecord(const PersonnelRecord& record, const ImportMasked& masked, QByteArray& out) {
    static const PersonnelRecord blank;
    out += char((masked.socialSecurityNumber ? MaskedSsn : 0) | (masked.dateOfBirth ? MaskedBirth : 0));
    if (masked.dateOfBirth)
        out += masked.birthMonthDay.toLatin1().leftJustified(BirthMonthDayBytes, ' ', true);
    for (std::size_t f = 0; f < FieldCount; ++f) {
        const FieldLayout& layout = PersonnelFields[f];
        const char* bytes = record.data() + layout.offset;
        const char* blankBytes = blank.data() + layout.offset;
        qsizetype length = layout.width;
        // Most of a long field is blank: compared a block at a time first.
        constexpr qsizetype Block = 64;
        while (length >= Block &&
               std::memcmp(bytes + length - Block, blankBytes + length - Block, Block) == 0)
            length -= Block;
        while (length > 0 && bytes[length - 1] == blankBytes[length - 1])
            --length;
        if (length == 0)
            continue;
        char head[3];
        head[0] = char(f);
        qToLittleEndian(quint16(length), head + 1);
        out.append(head, 3).append(bytes, length);
    }
}

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

} // namespace

// Plans an import from the header and the rows the readers beneath hand in alike (a CSV file's,
// a workbook's or an .ods's first sheet), and makes each row its record once.
struct ImportPlanning {
    explicit ImportPlanning(ImportPlan& plan) : plan(plan) {}

    // The header: every column known, none twice, the required ones there. False when it is at
    // fault.
    bool Header(const SheetRow& row) {
        const int line = row.number;
        const qsizetype count = row.cells.empty() ? 0 : row.cells.back().column + 1;
        if (count > ImportColumns) {
            plan.Fail(line, {},
                      QStringLiteral("The header has %1 columns; an export has at most %2.")
                          .arg(count)
                          .arg(ImportColumns));
            return false;
        }
        std::vector<QString> texts(static_cast<std::size_t>(count));
        for (const SheetCell& cell : row.cells)
            texts[std::size_t(cell.column)] = cell.text;
        for (const QString& text : texts)
            names += TrimSpaces(text);
        std::array<bool, FieldCount> seen{};
        for (const QString& name : std::as_const(names)) {
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
        columns = plan.m_errorCount == 0 ? std::size_t(count) : 0;
        cells.assign(columns, QString());
        return columns != 0;
    }

    QString ColumnName(qsizetype c) const { return c < names.size() ? names[c] : QString::number(c + 1); }

    // One row after the header: its cells checked, then the row made into its record and kept
    // while no row has been refused (a refused row means the plan is never applied).
    void Row(const SheetRow& row) {
        if (columns == 0)
            return; // the header was refused
        const int line = row.number;
        bool fits = true;
        std::fill(cells.begin(), cells.end(), QString());
        for (const SheetCell& cell : row.cells) {
            const auto c = std::size_t(cell.column);
            if (c >= columns) {
                plan.Fail(line, ColumnLetters(qsizetype(c)),
                          QStringLiteral("Row %1, column %2 holds %3; the header names no column there.")
                              .arg(line)
                              .arg(ColumnLetters(qsizetype(c)), Quoted(cell.text)));
                fits = false;
            } else if (cell.text.size() > MaxImportCellBytes ||
                       (cell.text.size() * 3 > MaxImportCellBytes &&
                        cell.text.toUtf8().size() > MaxImportCellBytes)) {
                const QString name = ColumnName(qsizetype(c));
                plan.Fail(line, name,
                          QStringLiteral("Row %1, column '%2': the cell is longer than %3 bytes.")
                              .arg(line)
                              .arg(name)
                              .arg(MaxImportCellBytes));
                fits = false;
            } else {
                cells[c] = cell.text;
            }
        }
        if (!fits)
            return;
        plan.m_lines.push_back(line);
        const QString word = plan.m_workbook ? QStringLiteral("Row") : QStringLiteral("Line");
        ImportMasked masked;
        ConvertRow(
            cells, plan.m_fieldOfColumn, !plan.m_workbook, &record,
            [&](std::size_t c, const QString& rest) {
                const QString name = ColumnName(qsizetype(c));
                plan.Fail(line, name,
                          QStringLiteral("%1 %2, column '%3'").arg(word).arg(line).arg(name) + rest);
            },
            &masked);
        if (masked.Any())
            plan.m_masked.push_back(qint32(plan.m_lines.size() - 1));
        if (plan.m_errorCount != 0)
            return;
        plan.m_rows.push_back(plan.m_records.size());
        PackRecord(record, masked, plan.m_records);
    }

    void NoRows() {
        if (plan.m_lines.empty() && plan.m_errorCount == 0)
            plan.Fail(0, {}, QStringLiteral("The file holds a header but no employees."));
    }

    static ImportPlan Plan(QByteArray bytes, const ImportProgress& progress);
    static ImportPlan Csv(QByteArray csv, const ImportProgress& progress);
    static ImportPlan Workbook(const QByteArray& bytes, const ImportProgress& progress);

    ImportPlan& plan;
    QStringList names;
    std::size_t columns = 0;    // the header's; 0 until it passed
    std::vector<QString> cells; // the row at hand's, in the header's columns
    PersonnelRecord record;     // the row at hand's
};

ImportPlan ImportPlanning::Plan(QByteArray bytes, const ImportProgress& progress) {
    if (LooksLikeZip(bytes))
        return Workbook(bytes, progress);
    // An Excel 97-2003 workbook starts with the compound file's signature, and so does a workbook
    // saved with a password, wrapped in one.
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        ImportPlan plan;
        if (IsEncryptedWorkbook(bytes))
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
    return Csv(std::move(bytes), progress);
}

ImportPlan ImportPlanning::Csv(QByteArray csv, const ImportProgress& progress) {
    ImportPlan plan;
    ImportPlanning planning(plan);
    const CsvLimits limits{ImportColumns, MaxImportCellBytes, [](const QString& header) {
                               return FieldOfName(header) >= 0;
                           }};
    bool header = true;
    const bool read = ReadCsvSheet(
        std::move(csv), limits,
        [&](const SheetRow& row) {
            if (!std::exchange(header, false))
                planning.Row(row);
            else if (!planning.Header(row))
                return false;
            return true;
        },
        [&](const CsvFault& fault) { plan.Fail(fault.line, fault.column, fault.message); }, progress);
    if (!read)
        plan.m_cancelled = true;
    else if (!header)
        planning.NoRows();
    return plan;
}

ImportPlan ImportPlanning::Workbook(const QByteArray& bytes, const ImportProgress& progress) {
    ImportPlan plan;
    plan.m_workbook = true;
    ImportPlanning planning(plan);
    bool header = true;
    const auto take = [&](const SheetRow& row) {
        if (std::exchange(header, false))
            planning.Header(row);
        else
            planning.Row(row);
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
    return ImportPlanning::Plan(bytes, progress);
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
    return ImportPlanning::Plan(std::move(bytes), progress);
}

ImportSelection ImportRowsAdded(const std::vector<qint32>& rows) {
    ImportSelection selection;
    selection.add = rows;
    return selection;
}

ImportSelection AllImportRowsAdded(const ImportPlan& plan) {
    std::vector<qint32> rows(std::size_t(plan.Rows()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = qint32(i);
    return ImportRowsAdded(rows);
}

IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const ImportSelection& selection,
                     const Clock& clock, const QString& note, qint32* firstRecord,
                     const ImportProgress& progress) {
    if (firstRecord)
        *firstRecord = 0;
    const auto inPlan = [&](qint32 row) {
        return row >= 0 && row < plan.Rows();
    };
    const auto masked = [&](qint32 row) {
        return std::binary_search(plan.MaskedRows().cbegin(), plan.MaskedRows().cend(), row);
    };
    const bool valid = std::all_of(selection.add.cbegin(), selection.add.cend(), inPlan) &&
                       std::none_of(selection.add.cbegin(), selection.add.cend(), masked) &&
                       std::all_of(selection.updates.cbegin(), selection.updates.cend(),
                                   [&](const ImportUpdate& u) { return inPlan(u.row) && u.record > 0; });
    if (!plan.Ok() || !valid)
        return IoStatus::Failure(QStringLiteral("add employees to"), file.DataFileName(), EINVAL);
    if (selection.add.empty() && selection.updates.empty())
        return {};
    if (IoStatus s = file.OpenPersonnelFileUncounted(); !s)
        return s;
    file.SetHistoryNote(note);
    const double now = clock.NowOle();
    const qint32 count = qint32(selection.add.size());
    // The employees updated in file order, each with its row.
    std::vector<ImportUpdate> updates = selection.updates;
    std::sort(updates.begin(), updates.end(),
              [](const ImportUpdate& a, const ImportUpdate& b) { return a.record < b.record; });
    std::vector<qint32> records;
    records.reserve(updates.size());
    for (const ImportUpdate& u : updates)
        records.push_back(u.record);
    IoStatus s;
    if (!records.empty() && (records.back() > file.RecordCount() ||
                             std::adjacent_find(records.cbegin(), records.cend()) != records.cend()))
        s = IoStatus::Failure(QStringLiteral("update an employee in"), file.DataFileName(), EINVAL);
    // With a history each record is made more than once: an update three times (counting the
    // history's entries, writing them, then the file), an added one twice.
    const bool history = file.KeepsHistory();
    const qint64 total = (history ? 3 : 1) * qint64(records.size()) + (history ? 2 : 1) * qint64(count);
    qint64 done = 0;
    const auto step = [&] {
        if (progress && ++done % 64 == 0)
            progress(std::min(done, total), total);
    };
    const qint32 first = file.RecordCount() + 1;
    if (s) {
        s = file.ChangePersonnelRecords(
            records,
            [&](qint32 n, PersonnelRecord& r) {
                const auto u = std::lower_bound(updates.cbegin(), updates.cend(), n,
                                                [](const ImportUpdate& a, qint32 b) { return a.record < b; });
                PersonnelRecord updated = plan.Updated(u->row, r);
                if (!RecordChanges(r, updated).isEmpty())
                    updated.SetDateModified(now);
                r = updated;
                step();
            },
            count,
            [&](qint32 i, PersonnelRecord& r) {
                r = plan.Record(selection.add[std::size_t(i)], now);
                step();
            });
        if (s && firstRecord && count > 0)
            *firstRecord = first;
    }
    file.SetHistoryNote(QString());
    file.ClosePersonnelFile();
    return s;
}
