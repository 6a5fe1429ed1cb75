#include "datatool/datatool.h"

#include "datatool/cli.h"

#include "datatool/seed.h"

#include "data/ansitext.h"
#include "data/datafilenames.h"
#include "data/fixedrecord.h"
#include "data/fixedrecordfile.h"
#include "data/folderlock.h"
#include "data/oledate.h"
#include "data/readonlyfolder.h"
#include "data/records.h"
#include "data/restorejournal.h"
#include "data/userlist.h"
#include "data/util.h"
#include "exchange/exportlist.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <span>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MaxSeedCount = 1000000; // 5 GB of records
constexpr qint64 BlockBytes = 1 << 20;

const char Usage[] = R"(Usage:
  rosterly-data dump [--users | --personnel] [--show-passwords] FILE
  rosterly-data check [--users | --personnel] FILE
  rosterly-data seed N FILE [--seed S] [--force]
  rosterly-data export FILE [--list alphabetical|employment|age|birthday]
                [--status current|previous|both] [--race W|B|H|A|O] [--sex M|F]
                [--look-for TEXT] [--notepad] [--level N | --show-sensitive]
                [--format csv|json|xlsx]
  rosterly-data import SPREADSHEET FILE [--dry-run] [--update]
                [--skip-duplicates | --allow-duplicates]
  rosterly-data history FILE [--employee N | --name TEXT] [--since DATE]
                [--as-of DATE] [--json]
  rosterly-data --help

dump   Prints every record of FILE as one JSON object per line, in file order: "Record"
       (its number from 1), then each field under its own name, in layout order.
       A user's stored password is left out unless --show-passwords is given.
check  Reports, one line each, records left marked "$Killed$", dates that are not
       finite or fall outside the years 100 to 9999, access levels outside 1 to 4,
       user names holding a control character, and a length that is not a whole
       number of records. Prints "ok: ..." when there is nothing to report.
       A file named "User.Log" is read as the user log: each line must be a
       sign-in, a sign-out or a full view (an export, copy or printout of full
       Social Security numbers or years of birth) with a real date and time,
       and end in CR LF.
       Beside a personnel file with a change history ("Rosterly.History"), it
       also compares every record with the last state the history knows of
       its employee: one line per field that differs, else "history of FILE:
       N employees, M entries, in step". It names each line of the history
       that is no change (or longer than 1 MB), a history that is not the
       one its index was made from or is gone, and each index entry that
       disagrees with the history; a last line cut short it says first.
       With the journal of a cut-short append or edit beside a personnel file
       or a user list, dump and check read the records as the program's next
       open leaves them (an append's records cut off, a torn record put back as
       it was), and say first what that open will do with each journal.
seed   Writes N made-up employees (1 to 1000000), without pictures, as a new
       personnel file, making missing folders (owner-only). The same S (default
       1) gives the same file. An existing FILE is refused unless --force is
       given.
export Prints the employee list the program's list options would show as CSV
       (UTF-8 with a byte-order mark, as the program's "Export this List..."
       writes it), with --format json (or --json) as one JSON object per
       employee and line, or with --format xlsx as an Excel workbook (its
       bytes: redirect them to a file), as the program writes it.
       Defaults: the alphabetical list of current employees of any race and
       sex. --status both gives the current list followed by the previous one;
       the lists by employment, age and birthday hold current employees only
       and take no filters. --look-for searches the names, phones, numbers and
       titles (and the notepads with --notepad). The Social Security number
       and the year of birth are masked ("***-**-6789", "****-03-07") as the
       program masks them for a user of access level N (1 to 4, default 1)
       under the level kept in the data folder; --show-sensitive (or --ssn)
       writes them in full.
import Reads the employees of SPREADSHEET, the first sheet of an Excel workbook
       (.xlsx) or a CSV file (with the columns export writes, in any order),
       and appends them to the personnel file FILE, all or none: when any
       row is wrong, nothing is written and each fault is listed by line or
       row (1 = the header) and column. Comma, semicolon or tab separated
       files in UTF-8 or UTF-16 are read. Rows that look like an employee
       already in FILE (current or previous) or like an earlier row, with the
       same last name, first name and date of birth whatever their case, are
       listed by line, and so are rows with a Social Security number that
       another employee in FILE or an earlier row has (an employee in FILE
       keeping their own is none); the import is refused unless
       --skip-duplicates (add only the others) or --allow-duplicates (add
       them all) is given. With --update a row that is an employee in FILE
       (the same EmployeeNumber, else the same names and date of birth)
       updates that employee, each change listed, and unchanged rows are
       passed over; a masked cell leaves the stored value. --dry-run checks
       and reports without writing.
history Prints the change history kept beside the personnel file FILE
       ("Rosterly.History"), oldest first: each change's time, user, the
       employee's lasting number, what happened and each field before and
       after; with --json, the history's own lines. --employee N or --name
       TEXT (a first or last name that ever held TEXT, case and accents
       aside: "zoe" finds "Zoë") keeps those employees' changes, --since DATE
       those from that day on. --as-of DATE prints one employee's record as
       it stood at the end of that day, each field changed since marked;
       when several match --name it lists them (number, name, current,
       previous or removed, former names) to choose one with --employee N.
       Asked as of a day after the employee's removal, it says so and shows
       the record as of the day before the removal, with exit status 1.
       When nothing matches (an employee with no history, no name, no
       change since DATE) it says so, with exit status 1. A missing history
       has no changes.

A file named "User.List" is read as a user list, any other as a personnel file;
--users and --personnel say which it is. dump and check never change FILE, and
read nothing but a regular file.

seed, import and export take the data folder's lock (see README.md); export,
and import --dry-run, which reads FILE for duplicates, because opening it
completes a change that was interrupted. A FILE that is a link is followed: the lock is that of the folder
holding the file itself; a link to no file is refused. As the program does,
they refuse a folder of which a file they write (FILE, "User.List",
"User.Log", the history, its index and journal, the journals and the scratch
file) is a link or has a second name (a hard link). dump, check and history
read the journal and the history of the folder holding the file itself.
export, like dump and check, reads nothing but a regular file.

Exit status: 0 done, 1 problems found, an import refused, nothing that history
was asked for, or a file could not be read or written, 2 wrong command line or
a FILE that is not a regular file.
)";

enum class Kind { ByName, Personnel, Users };

// What dump and check need to know about one kind of data file.
struct Layout {
    std::span<const FieldLayout> fields;
    int recordLength;
    const FieldLayout* firstName;
    const FieldLayout* accessLevel;        // user lists only
    const FieldLayout* inactivation;       // personnel files only
    const FieldLayout* password = nullptr; // user lists only
};

Layout LayoutFor(Kind kind, const QString& path) {
    if (kind == Kind::ByName)
        kind = QFileInfo(path).fileName() == UserListFileName ? Kind::Users : Kind::Personnel;
    if (kind == Kind::Users)
        return {UserFields,
                UserRecordLength,
                &UserRecord::FieldOf(UserField::FirstName),
                &UserRecord::FieldOf(UserField::AccessLevel),
                nullptr,
                &UserRecord::FieldOf(UserField::Password)};
    return {PersonnelFields, PersonnelRecordLength, &PersonnelRecord::FieldOf(PersonnelField::FirstName),
            nullptr, &PersonnelRecord::FieldOf(PersonnelField::InactivationDate)};
}

// ---------------------------------------------------------------- reading

struct ReadResult {
    QString error;
    bool notRegular = false;  // a pipe, a device or a folder: refused, nothing read
    qint64 records = 0;       // whole records read
    qint64 leftover = 0;      // bytes after the last whole record
    QStringList journalNotes; // what the next open does with the journals pending
};

// The journals the program would find beside the data file `path` (in the folder that really holds
// it): the personnel file's or the user list's, as `layout` reads the file.
struct Journals {
    QString append;
    QString write;
};
Journals JournalsOf(const QString& path, const Layout& layout) {
    const QString real = RealDataFilePath(path);
    if (real.isEmpty())
        return {};
    const QDir folder = QFileInfo(real).dir();
    if (layout.inactivation)
        return {folder.filePath(AppendJournalFileName), folder.filePath(WriteJournalFileName)};
    return {folder.filePath(UserAppendJournalFileName), folder.filePath(UserWriteJournalFileName)};
}

// Hands each whole record of the file to `visit` in file order, reading large blocks. The file
// is opened read-only: nothing here may change it (FixedRecordFile::Inspect). With `journals`, the
// records are those the next open leaves: only the records it keeps are read, as it would cut the
// others off, and a torn record is read as the old one it puts back.
ReadResult ReadRecords(const QString& path, int recordLength,
                       const std::function<void(qint64 n, const char* record)>& visit,
                       const Journals& journals = {}) {
    FileIo io;
    const RecordFileInspection look =
        FixedRecordFile(io, path, recordLength).Inspect(visit, journals.append, journals.write);
    ReadResult result;
    result.records = look.records;
    result.leftover = look.leftover;
    result.notRegular = look.notRegular;
    if (look.notRegular)
        result.error = QStringLiteral("%1 is not a regular file; only data files can be read").arg(path);
    else if (!look.failedFile.isEmpty())
        result.error = QStringLiteral("cannot %1 %2: %3")
                           .arg(look.failedAction, look.failedFile,
                                QString::fromLocal8Bit(std::strerror(look.failedErrno)));
    if (!result.error.isEmpty())
        return result;
    using Append = RecordFileInspection::Append;
    using Write = RecordFileInspection::Write;
    if (look.append == Append::CutsBack)
        result.journalNotes
            << QStringLiteral("append journal pending: the next open cuts the file back to %1")
                   .arg(Plural(static_cast<qint64>(std::nearbyint(double(look.kept) / recordLength)),
                               "record", "records"));
    else if (look.append == Append::CutsNothing)
        result.journalNotes << QStringLiteral(
            "append journal pending, but it cuts nothing from this file: the "
            "next open removes it and keeps every record");
    if (look.write == Write::PutsBack)
        result.journalNotes << QStringLiteral(
                                   "write journal pending: record %1 is torn; the next open puts back "
                                   "its old bytes")
                                   .arg(look.writtenRecord);
    else if (look.write == Write::KeepsNew)
        result.journalNotes << QStringLiteral(
                                   "write journal pending: record %1 was written whole; the next open "
                                   "keeps it")
                                   .arg(look.writtenRecord);
    else if (look.write == Write::ChangesNothing)
        result.journalNotes << QStringLiteral(
            "write journal pending, but it changes nothing in this file: the "
            "next open removes it and keeps every record");
    return result;
}

// ---------------------------------------------------------------- dump

// JSON has no NaN or infinity; those come out as null.
void AppendNumber(QByteArray& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    // The shortest digits that read back as the same double, never in exponent form (a date
    // reads better as 45000.5 than as 4.50005e+04). The longest, 5e-324, takes 326 characters.
    char text[512];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    out.append(text, end - text);
}

void AppendString(QByteArray& out, const QString& text) {
    QString quoted;
    AppendJsonString(quoted, text);
    out += quoted.toUtf8();
}

void AppendRecord(QByteArray& out, qint64 n, const char* record, const Layout& layout, bool showPasswords) {
    out += "{\"Record\":";
    out += QByteArray::number(n);
    for (const FieldLayout& f : layout.fields) {
        if (&f == layout.password && !showPasswords)
            continue;
        out += ",\"";
        out += f.name;
        out += "\":";
        switch (f.type) {
        case FieldType::Text:
            AppendString(out, FieldCodec::ReadText(record, f));
            break;
        case FieldType::Date:
            AppendNumber(out, FieldCodec::ReadDate(record, f));
            break;
        case FieldType::Int16:
            out += QByteArray::number(FieldCodec::ReadInt16(record, f));
            break;
        }
    }
    out += "}\n";
}

int Dump(const QString& path, Kind kind, bool showPasswords, std::FILE* out, std::FILE* err) {
    const Layout layout = LayoutFor(kind, path);
    QByteArray lines;
    const ReadResult read = ReadRecords(
        path, layout.recordLength,
        [&](qint64 n, const char* record) {
            AppendRecord(lines, n, record, layout, showPasswords);
            if (lines.size() >= BlockBytes) {
                Put(out, lines);
                lines.clear();
            }
        },
        JournalsOf(path, layout));
    Put(out, lines);
    if (read.notRegular)
        return Complain(err, read.error, ExitNotRegular, false);
    if (!read.error.isEmpty())
        return Complain(err, read.error, ExitFailure);
    for (const QString& note : read.journalNotes)
        Complain(err, path + QStringLiteral(": ") + note, ExitOk);
    if (read.leftover > 0)
        return Complain(err,
                        QStringLiteral("%1: the last %2 are not a whole record and were left out")
                            .arg(path, Plural(read.leftover, "byte", "bytes")),
                        ExitFailure);
    return ExitOk;
}

// ---------------------------------------------------------------- check

QString NumberText(double value) {
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("infinity") : QStringLiteral("-infinity");
    QByteArray text;
    AppendNumber(text, value);
    return QString::fromLatin1(text);
}

int Check(const QString& path, Kind kind, std::FILE* out, std::FILE* err) {
    const Layout layout = LayoutFor(kind, path);
    QByteArray report;
    qint64 problems = 0;
    qint64 current = 0;
    qint64 previous = 0;
    const auto problem = [&](qint64 n, const QString& what) {
        report += QStringLiteral("record %1: %2\n").arg(n).arg(what).toUtf8();
        ++problems;
    };
    // A personnel file is checked against its history too, when it has one.
    std::optional<HistoryCheck> history;
    QByteArray differences;
    if (layout.inactivation) {
        history.emplace(path);
        if (!history->Error().isEmpty())
            return Complain(err, history->Error(), ExitFailure, false);
        if (!history->Present())
            history.reset();
    }
    const ReadResult read = ReadRecords(
        path, layout.recordLength,
        [&](qint64 n, const char* record) {
            const QLatin1String firstName(layout.firstName->name);
            if (IsMarkedRemoved(FieldCodec::RawBytes(record, *layout.firstName)))
                problem(n, firstName +
                               QLatin1String(": still marked \"$Killed$\"; its removal was not completed"));
            for (const FieldLayout& f : layout.fields) {
                if (f.type != FieldType::Date)
                    continue;
                const double value = FieldCodec::ReadDate(record, f);
                if (!std::isfinite(value))
                    problem(
                        n,
                        QStringLiteral("%1: %2 is not a date").arg(QLatin1String(f.name), NumberText(value)));
                else if (!IsValidOleDate(value))
                    problem(n, QStringLiteral("%1: %2 is outside the years 100 to 9999")
                                   .arg(QLatin1String(f.name), NumberText(value)));
            }
            if (layout.accessLevel) {
                // A name is written into the user log's lines and the main window: a control
                // character in it could forge a line of the log.
                for (const UserField name : {UserField::FirstName, UserField::LastName}) {
                    const FieldLayout& f = UserRecord::FieldOf(name);
                    const QString text = FromAnsi(FieldCodec::RawBytes(record, f));
                    const auto c = std::find_if(text.begin(), text.end(), IsControlCharacter);
                    if (c != text.end())
                        problem(
                            n, QStringLiteral("%1: holds the control character U+%2; the program shows "
                                              "and logs it as '?'")
                                   .arg(QLatin1String(f.name),
                                        QString::number(c->unicode(), 16).toUpper().rightJustified(4, u'0')));
                }
                const qint16 level = FieldCodec::ReadInt16(record, *layout.accessLevel);
                if (level < 1 || level > 4)
                    problem(n, QStringLiteral("%1: %2 is not an access level (1 to 4)")
                                   .arg(QLatin1String(layout.accessLevel->name))
                                   .arg(level));
            }
            if (layout.inactivation)
                ++(FieldCodec::ReadDate(record, *layout.inactivation) == 0 ? current : previous);
            if (history)
                differences += history->Compare(n, record);
        },
        JournalsOf(path, layout));
    if (history)
        report.prepend(history->Note());
    if (!read.journalNotes.isEmpty())
        report.prepend(read.journalNotes.join(u'\n').toUtf8() + '\n');
    if (read.leftover > 0)
        problem(read.records + 1, QStringLiteral("only %1 of %2 bytes; the file's length, %3, is not a whole "
                                                 "number of records")
                                      .arg(read.leftover)
                                      .arg(layout.recordLength)
                                      .arg(read.records * layout.recordLength + read.leftover));
    if (history && read.error.isEmpty())
        differences += history->Finish(read.records);
    Put(out, report + differences);
    if (read.notRegular)
        return Complain(err, read.error, ExitNotRegular, false);
    if (!read.error.isEmpty())
        return Complain(err, read.error, ExitFailure);
    if (problems > 0 || !differences.isEmpty())
        return ExitFailure;
    QString summary = QStringLiteral("ok: ") + Plural(read.records, "record", "records");
    if (layout.inactivation)
        summary += QStringLiteral(" (%1 current, %2 previous)").arg(current).arg(previous);
    Put(out, summary.toUtf8() + '\n');
    if (history)
        Put(out, history->Summary());
    return ExitOk;
}

// The user log ("User.Log"): every line one the program or the tool writes, each ended by CR LF.
int CheckUserLog(const QString& path, std::FILE* out, std::FILE* err) {
    QByteArray bytes;
    const ReadResult read = ReadRecords(path, 1, [&bytes](qint64, const char* byte) { bytes += *byte; });
    if (read.notRegular)
        return Complain(err, read.error, ExitNotRegular, false);
    if (!read.error.isEmpty())
        return Complain(err, read.error, ExitFailure);
    QByteArray report;
    qint64 lines = 0;
    qint64 views = 0;
    qint64 problems = 0;
    for (qsizetype at = 0; at < bytes.size(); ++lines) {
        const qsizetype end = bytes.indexOf("\r\n", at);
        const QString text = FromAnsi(bytes.mid(at, end < 0 ? -1 : end - at));
        bool view = false;
        if (end < 0) {
            report +=
                QStringLiteral("line %1: cut short, no line end: %2\n").arg(lines + 1).arg(text).toUtf8();
            ++problems;
        } else if (!IsUserLogLine(text, &view)) {
            report +=
                QStringLiteral("line %1: not a line of the user log: %2\n").arg(lines + 1).arg(text).toUtf8();
            ++problems;
        }
        views += view ? 1 : 0;
        at = end < 0 ? bytes.size() : end + 2;
    }
    Put(out, report);
    if (problems > 0)
        return ExitFailure;
    Put(out, (QStringLiteral("ok: ") + Plural(lines, "line", "lines") +
              QStringLiteral(" (%1 of full views)").arg(views))
                     .toUtf8() +
                 '\n');
    return ExitOk;
}

// ---------------------------------------------------------------- command line

// Only the digits 0-9, at least one; nothing when the text is anything else or too large.
std::optional<quint64> WholeNumber(const QString& text, quint64 max) {
    if (text.isEmpty() || text.size() > 19)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

// The option of `options` that takes a value and is written as `word`, without "=VALUE".
const QCommandLineOption* ValuedOption(const QList<QCommandLineOption>& options, const QString& word) {
    const QString name = word.mid(2);
    const auto found = std::find_if(options.begin(), options.end(), [&](const QCommandLineOption& o) {
        return !o.valueName().isEmpty() && o.names().contains(name);
    });
    return found == options.end() ? nullptr : &*found;
}

// Reads `arguments` with `options` into `line`; empty when they make sense, else what is wrong
// with them. QCommandLineParser takes every word starting with '-' for an option, but here only a
// word starting with "--" is one: an operand may start with a dash (a file named "-x", or a
// negative N that seed refuses by name). So the parser is handed the options, each valued one
// with the word after it, then "--" and the operands in their order.
QString ReadLine(const QString& command, const QList<QCommandLineOption>& options,
                 const QStringList& arguments, QCommandLineParser& line) {
    line.addOptions(options);
    QStringList words{QStringLiteral("rosterly-data")};
    QStringList optionWords; // as written, without the values that follow them
    QStringList operands;
    QString lacking; // a valued option at the end, without its value
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == QLatin1String("--")) {
            operands += arguments.mid(i + 1);
            break;
        }
        if (!word.startsWith(QLatin1String("--"))) {
            operands += word;
            continue;
        }
        optionWords += word;
        if (const QCommandLineOption* valued = ValuedOption(options, word)) {
            if (i + 1 < arguments.size())
                words << word << arguments[++i];
            else
                lacking = QStringLiteral("%1 needs %2").arg(word, valued->valueName());
        } else {
            words += word;
        }
    }
    if (!line.parse(words + QStringList{QStringLiteral("--")} + operands)) {
        // The first word the parser refused: an unknown name, or a value given to a flag.
        const QStringList unknown = line.unknownOptionNames();
        const auto refused = std::find_if(optionWords.begin(), optionWords.end(), [&](const QString& w) {
            const QString name = w.mid(2).section(u'=', 0, 0);
            return unknown.contains(name) ||
                   (w.contains(u'=') && !ValuedOption(options, QStringLiteral("--") + name));
        });
        if (refused == optionWords.end())
            return line.errorText();
        return QStringLiteral("unknown option '%1' for %2").arg(*refused, command);
    }
    return lacking;
}

// dump and check
QList<QCommandLineOption> ReadingOptions() {
    return {Option("users"), Option("personnel")};
}
QList<QCommandLineOption> DumpOptions() {
    return ReadingOptions() << Option("show-passwords");
}

// Empty when dump's or check's line makes sense, else what is wrong with it; `kind` is the kind
// of file its options name.
QString ReadingLine(const char* command, const QCommandLineParser& line, Kind* kind) {
    const bool users = line.isSet(QStringLiteral("users"));
    const bool personnel = line.isSet(QStringLiteral("personnel"));
    if (users && personnel)
        return QStringLiteral("--users and --personnel exclude each other");
    *kind = users ? Kind::Users : personnel ? Kind::Personnel : Kind::ByName;
    return OperandProblem(line.positionalArguments(), 1,
                          QStringLiteral("%1 needs a FILE").arg(QLatin1String(command)));
}

int RunDump(const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    Kind kind = Kind::ByName;
    if (const QString wrong = ReadingLine("dump", line, &kind); !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    return Dump(line.positionalArguments()[0], kind, line.isSet(QStringLiteral("show-passwords")), out, err);
}

int RunCheck(const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    Kind kind = Kind::ByName;
    if (const QString wrong = ReadingLine("check", line, &kind); !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    const QString path = line.positionalArguments()[0];
    if (kind == Kind::ByName && QFileInfo(path).fileName() == UserLogFileName)
        return CheckUserLog(path, out, err);
    return Check(path, kind, out, err);
}

QList<QCommandLineOption> SeedOptions() {
    return {Option("seed", "a number"), Option("force")};
}

int RunSeed(const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    quint32 seed = 1;
    for (const QString& value : line.values(QStringLiteral("seed"))) {
        const auto given = WholeNumber(value, 0xFFFFFFFFu);
        if (!given)
            return Complain(
                err,
                QStringLiteral("the seed must be a whole number from 0 to 4294967295, not '%1'").arg(value),
                ExitUsage);
        seed = static_cast<quint32>(*given);
    }
    const QStringList operands = line.positionalArguments();
    if (const QString wrong = OperandProblem(operands, 2, QStringLiteral("seed needs N and FILE"));
        !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    const qint64 count = static_cast<qint64>(WholeNumber(operands[0], MaxSeedCount).value_or(0));
    if (count == 0)
        return Complain(err,
                        QStringLiteral("N must be a whole number from 1 to %1, not '%2'")
                            .arg(MaxSeedCount)
                            .arg(operands[0]),
                        ExitUsage);

    // Writing: into a folder of its own making if need be (owner-only, as the program makes the
    // data folder), then the lock of the folder that really holds the file, as the program takes
    // it. A lock that cannot be made at all (no right to write there) leaves the write to fail on
    // its own.
    const QString& target = operands[1];
    QString unmade;
    if (const int error = MakeOwnerOnlyFolder(QFileInfo(target).absolutePath(), &unmade); error != 0)
        return Complain(err,
                        QStringLiteral("cannot make the folder %1: %2")
                            .arg(unmade, QString::fromLocal8Bit(std::strerror(error))),
                        ExitFailure);
    const QString real = RealDataFilePath(target);
    if (real.isEmpty())
        return Complain(err, LeadsNowhereText(target) + QStringLiteral("; nothing was written"), ExitFailure);
    DataFolderLock lock(QFileInfo(real).absolutePath());
    if (!lock.TryAcquire() && lock.Error().isEmpty())
        return Complain(
            err,
            QStringLiteral("the folder of %1 is in use by %2 on %3 (process %4); nothing was written")
                .arg(target, lock.HeldBy().user, lock.HeldBy().host)
                .arg(lock.HeldBy().pid),
            ExitFailure);
    if (const QString linked = LinkedFolderText(real); !linked.isEmpty())
        return Complain(err, linked + QStringLiteral(" Nothing was written."), ExitFailure);
    if (const QString unsettled = FinishRestoreBeside(real); !unsettled.isEmpty())
        return Complain(err, unsettled, ExitFailure);
    if (const QString failed = WriteSeedFile(real, count, seed, line.isSet(QStringLiteral("force")), target);
        !failed.isEmpty())
        return Complain(err, failed, ExitFailure);
    Put(out, QStringLiteral("wrote %1 to %2\n").arg(Plural(count, "employee", "employees"), target).toUtf8());
    return ExitOk;
}

struct Command {
    const char* name;
    QList<QCommandLineOption> (*options)();
    int (*run)(const QCommandLineParser& line, std::FILE* out, std::FILE* err);
};

// A reading command on a folder that a copy of the program holds reports one state of it, never one
// in the middle of a change: it runs into memory, and again when the folder changed meanwhile (or a
// change was under way), without waiting for the lock. A folder no one holds is read at once.
int RunBetweenChanges(int (*run)(const QCommandLineParser&, std::FILE*, std::FILE*),
                      const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    const QString real = RealDataFilePath(line.positionalArguments().value(0));
    const QString folder = QFileInfo(real).absolutePath();
    if (real.isEmpty() || !QFile::exists(QDir(folder).filePath(QString::fromLatin1(DataFolderLockName))))
        return run(line, out, err);
    constexpr int Attempts = 50;
    for (int attempt = 1;; ++attempt) {
        const FolderStamp before = StampDataFolder(folder);
        if (before.changing && attempt < Attempts) {
            QThread::msleep(20);
            continue;
        }
        char* said = nullptr;
        char* complained = nullptr;
        std::size_t saidBytes = 0;
        std::size_t complainedBytes = 0;
        std::FILE* o = ::open_memstream(&said, &saidBytes);
        std::FILE* e = ::open_memstream(&complained, &complainedBytes);
        if (!o || !e) {
            if (o)
                std::fclose(o);
            if (e)
                std::fclose(e);
            return run(line, out, err);
        }
        const int status = run(line, o, e);
        std::fclose(o);
        std::fclose(e);
        const bool whole = !before.changing && StampDataFolder(folder) == before;
        if (whole || attempt >= Attempts) {
            std::fwrite(said, 1, saidBytes, out);
            std::fwrite(complained, 1, complainedBytes, err);
        }
        std::free(said);
        std::free(complained);
        if (whole || attempt >= Attempts)
            return status;
    }
}

const Command Commands[] = {
    {"dump", DumpOptions, RunDump},           {"check", ReadingOptions, RunCheck},
    {"seed", SeedOptions, RunSeed},           {"export", ExportLineOptions, RunExport},
    {"import", ImportLineOptions, RunImport}, {"history", HistoryLineOptions, RunHistory},
};

int Run(const QStringList& arguments, std::FILE* out, std::FILE* err) {
    if (arguments.isEmpty())
        return Complain(err, QStringLiteral("no command given"), ExitUsage);
    const auto command = std::find_if(std::begin(Commands), std::end(Commands), [&](const Command& c) {
        return arguments.first() == QLatin1String(c.name);
    });
    // Help wins over anything wrong on the line, wherever it is asked for (even as an option's
    // value), so that it can be added to a line that failed.
    const auto ended = std::find(arguments.begin(), arguments.end(), QStringLiteral("--"));
    if (std::find_if(arguments.begin(), ended, [](const QString& arg) {
            return arg == QLatin1String("--help") || arg == QLatin1String("-h");
        }) != ended) {
        Put(out, QByteArray(Usage));
        return ExitOk;
    }
    if (command == std::end(Commands))
        return Complain(err, QStringLiteral("unknown command '%1'").arg(arguments.first()), ExitUsage);
    QCommandLineParser line;
    if (const QString wrong = ReadLine(arguments.first(), command->options(), arguments.mid(1), line);
        !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    const bool reads = command->run == RunDump || command->run == RunCheck || command->run == RunHistory;
    return reads ? RunBetweenChanges(command->run, line, out, err) : command->run(line, out, err);
}

} // namespace

int RunDataTool(const QStringList& arguments, std::FILE* out, std::FILE* err) {
    const int status = Run(arguments, out, err);
    if (std::fflush(out) != 0 || std::ferror(out)) {
        Complain(err, QStringLiteral("cannot write the output"), ExitFailure);
        return status == ExitOk ? ExitFailure : status;
    }
    return status;
}
