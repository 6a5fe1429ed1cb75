// export and import: employee lists out as CSV, JSON lines or a workbook, employees in from CSV.
#include "datatool/datatool.h"
#include "datatool/cli.h"

#include "data/ansitext.h"
#include "data/clock.h"
#include "data/datafilenames.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/sensitiverule.h"
#include "data/userlist.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "exchange/importduplicates.h"
#include "exchange/importplan.h"
#include "list/listbuilder.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The data file's own paths, so that the tool works on a file in any folder (`path` with no link
// on the way, so that the scratch file and the journals lie beside the file itself).
PersonnelFile FileAt(FileIo& io, const QString& path) {
    const QDir folder = QFileInfo(path).dir();
    return PersonnelFile(io, path, folder.filePath(ScratchFileName), folder.filePath(AppendJournalFileName),
                         folder.filePath(WriteJournalFileName));
}

// A file error's message on one line.
QString OneLine(const IoStatus& status) {
    return QString(status.Message()).replace(CrLf, QStringLiteral(" "));
}

// Empty when `path` is a regular file that exists; else why not, and in `status` how to end.
QString RegularFileProblem(const QString& path, int* status) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        *status = ExitFailure;
        return QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(st.st_mode)) {
        *status = ExitNotRegular;
        return QStringLiteral("%1 is not a regular file; only data files can be read").arg(path);
    }
    return {};
}

// Takes the folder's lock for `lock`; empty when taken (or when it cannot be made at all, which
// leaves the file operations to fail on their own), else the message.
QString TakeLock(DataFolderLock& lock, const QString& path) {
    if (lock.TryAcquire() || !lock.Error().isEmpty())
        return {};
    return QStringLiteral("the folder of %1 is in use by %2 on %3 (process %4); nothing was done")
        .arg(path, lock.HeldBy().user, lock.HeldBy().host)
        .arg(lock.HeldBy().pid);
}

// The access level from which the program shows the Social Security number and the year of birth
// in full, for the data file at `real`: the rule kept beside it. A folder without one is read as
// the program left it before the rule moved there: its settings file's "SensitiveFieldsLevel",
// which the program takes over at its next start. A lost rule masks as the program does, and says so.
int FolderSensitiveFieldsLevel(FileIo& io, const QString& real, std::FILE* err) {
    const QDir folder = QFileInfo(real).dir();
    const SensitiveRule rule =
        ReadSensitiveRule(io, folder.filePath(SensitiveRuleFileName), folder.filePath(UserLogFileName));
    if (rule.state == SensitiveRule::State::Lost)
        Complain(err,
                 QString(rule.problem).replace(CrLf, QStringLiteral(" ")) +
                     QStringLiteral(" The sensitive fields are shown in full only at level 4 until the "
                                    "administrator sets the level again."),
                 ExitOk);
    if (rule.state != SensitiveRule::State::None)
        return rule.level;
    return ProgramSettings::OlderSensitiveFieldsLevel(IniSettingsStore());
}

enum class ExportFormat { Csv, Json, Xlsx };

struct ExportLine {
    QString file;
    ListQuery list;
    bool both = false;
    ExportFormat format = ExportFormat::Csv;
    ExportOptions options;
    int level = 1;       // the --level the fields are shown as
    bool full = false;   // --show-sensitive: every field in full
    bool logged = false; // full fields while the folder's level masks someone: the user log says so
};

// Empty when export's line makes sense, else what is wrong with it. A repeated option counts each
// time, in its order.
QString ParseExport(const QCommandLineParser& parsed, ExportLine& line) {
    bool filtered = false;
    for (const QString& value : parsed.values(QStringLiteral("list"))) {
        const QStringList lists{QStringLiteral("alphabetical"), QStringLiteral("employment"),
                                QStringLiteral("age"), QStringLiteral("birthday")};
        if (!lists.contains(value))
            return QStringLiteral("--list takes alphabetical, employment, age or birthday, not '%1'")
                .arg(value);
        line.list.type = ListTypes[std::size_t(lists.indexOf(value))];
    }
    for (const QString& value : parsed.values(QStringLiteral("status"))) {
        if (value == QLatin1String("current")) {
            line.list.status = EmploymentStatus::Current;
        } else if (value == QLatin1String("previous")) {
            line.list.status = EmploymentStatus::Previous;
            filtered = true;
        } else if (value == QLatin1String("both")) {
            line.both = true;
            filtered = true;
        } else {
            return QStringLiteral("--status takes current, previous or both, not '%1'").arg(value);
        }
    }
    for (const QString& value : parsed.values(QStringLiteral("race"))) {
        const QByteArray code = value.toUpper().toLatin1();
        const auto at = std::find(RaceCodes.cbegin(), RaceCodes.cend(), code.size() == 1 ? code[0] : '\0');
        if (value.size() != 1 || at == RaceCodes.cend())
            return QStringLiteral("--race takes W, B, H, A or O, not '%1'").arg(value);
        line.list.race = *at;
        filtered = true;
    }
    for (const QString& value : parsed.values(QStringLiteral("sex"))) {
        const QString sex = value.toUpper();
        if (sex != QLatin1String("M") && sex != QLatin1String("F"))
            return QStringLiteral("--sex takes M or F, not '%1'").arg(value);
        line.list.sex = sex == QLatin1String("M") ? 'M' : 'F';
        filtered = true;
    }
    if (parsed.isSet(QStringLiteral("look-for"))) {
        line.list.lookFor = parsed.value(QStringLiteral("look-for"));
        filtered = true;
    }
    line.list.searchNotepad = parsed.isSet(QStringLiteral("notepad"));
    // As the program would show the fields to a user of --level (1, the lowest, unless given);
    // --show-sensitive (or its older name --ssn) is the data owner's, who sees everything.
    int level = 1;
    for (const QString& value : parsed.values(QStringLiteral("level"))) {
        level = value.size() == 1 && value[0] >= u'1' && value[0] <= u'4' ? value.toInt() : 0;
        if (level == 0)
            return QStringLiteral("--level takes 1, 2, 3 or 4, not '%1'").arg(value);
    }
    // Both would leave it to the order of the options whether the fields are masked.
    const bool full = parsed.isSet(QStringLiteral("show-sensitive")) || parsed.isSet(QStringLiteral("ssn"));
    if (full && parsed.isSet(QStringLiteral("level")))
        return QStringLiteral("--level and --%1 can't be given together")
            .arg(parsed.isSet(QStringLiteral("ssn")) ? QStringLiteral("ssn")
                                                     : QStringLiteral("show-sensitive"));
    line.level = level;
    line.full = full;
    for (const QString& value : parsed.values(QStringLiteral("format"))) {
        const QStringList formats{QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("xlsx")};
        if (!formats.contains(value))
            return QStringLiteral("--format takes csv, json or xlsx, not '%1'").arg(value);
        line.format = ExportFormat(formats.indexOf(value));
    }
    // --json is the older name of --format json.
    if (parsed.isSet(QStringLiteral("json"))) {
        if (line.format != ExportFormat::Json && parsed.isSet(QStringLiteral("format")))
            return QStringLiteral("--json and --format %1 can't be given together")
                .arg(parsed.values(QStringLiteral("format")).constLast());
        line.format = ExportFormat::Json;
    }
    const QStringList operands = parsed.positionalArguments();
    if (const QString wrong = OperandProblem(operands, 1, QStringLiteral("export needs a FILE"));
        !wrong.isEmpty())
        return wrong;
    // As on the list options page: only the alphabetical list has filters and previous employees.
    if (line.list.type != ListType::Alphabetical && filtered)
        return QStringLiteral(
            "the lists by employment, age and birthday hold current employees only and take "
            "no --status, --race, --sex or --look-for");
    line.file = operands[0];
    return {};
}

} // namespace

QList<QCommandLineOption> ExportLineOptions() {
    return {Option("list", "a value"),
            Option("status", "a value"),
            Option("race", "a value"),
            Option("sex", "a value"),
            Option("look-for", "a value"),
            Option("notepad"),
            Option("level", "a value"),
            Option("show-sensitive"),
            Option("ssn"),
            Option("format", "a value"),
            Option("json")};
}

int RunExport(const QCommandLineParser& parsed, std::FILE* out, std::FILE* err) {
    ExportLine line;
    if (const QString wrong = ParseExport(parsed, line); !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    // A workbook is binary: never written to a terminal, which would take its bytes for commands.
    if (line.format == ExportFormat::Xlsx && ::isatty(::fileno(out)))
        return Complain(err,
                        QStringLiteral("a workbook is binary and is not written to a terminal; redirect it "
                                       "to a file: rosterly-data export %1 --format xlsx > list.xlsx")
                            .arg(line.file),
                        ExitUsage, false);
    int status = ExitOk;
    if (const QString problem = RegularFileProblem(line.file, &status); !problem.isEmpty())
        return Complain(err, problem, status, false);
    // The lock of the folder that really holds the file, and its scratch file there. A folder that
    // another copy holds is read as the program's read-only copy reads it: nothing settled, nothing
    // written but the log line, and only a state between two changes.
    const QString real = RealDataFilePath(line.file);
    DataFolderLock lock(QFileInfo(real).absolutePath());
    const bool held = !lock.TryAcquire() && lock.Error().isEmpty();
    if (!held) {
        if (const QString linked = LinkedFolderText(real); !linked.isEmpty())
            return Complain(err, linked + QStringLiteral(" Nothing was done."), ExitFailure);
        if (const QString unsettled = FinishRestoreBeside(real); !unsettled.isEmpty())
            return Complain(err, unsettled, ExitFailure);
    }

    FileIo disk;
    ReadOnlyFileIo io(disk, held);
    const int sensitiveLevel = FolderSensitiveFieldsLevel(io, real, err);
    if (!line.full)
        line.options.sensitive = SensitiveFields(line.level, sensitiveLevel);
    else
        line.logged = sensitiveLevel > 1;
    // Not searched for in what the user sees masked.
    line.list.sensitive = line.options.sensitive;
    PersonnelFile file = FileAt(io, real);
    file.SetReadOnly(held);
    const double today = SystemClock().TodayOle();
    std::vector<qint32> records;
    // Once the export is out, the line of the user log beside the file, as the program writes it.
    const auto logged = [&] {
        if (!line.logged)
            return ExitOk;
        const IoStatus written = WriteFullViewLogEntry(
            io, OsUserName(), FullView::ListExport, qint64(records.size()), QStringLiteral("standard output"),
            SystemClock(), QFileInfo(real).dir().filePath(UserLogFileName));
        return written ? ExitOk : Complain(err, OneLine(written), ExitFailure);
    };
    // The export's bytes, made whole before any is written; -1 when made, else the exit status.
    const auto make = [&](QByteArray& bytesOut) {
        records.clear();
        QStringList captions;
        // A CSV file's rows are made as the list's pass reads them, each list's in a store of its own
        // (a store starts over when the file's first record comes again).
        const bool csv = line.format == ExportFormat::Csv;
        std::vector<CsvRowStore> stores(line.both ? 2 : 1, CsvRowStore(line.options));
        std::vector<std::vector<qint32>> listedOf(stores.size());
        for (int pass = 0; pass < (line.both ? 2 : 1); ++pass) {
            ListQuery options = line.list;
            if (line.both)
                options.status = pass == 0 ? EmploymentStatus::Current : EmploymentStatus::Previous;
            CsvRowStore& store = stores[std::size_t(pass)];
            const EmployeeListResult list =
                BuildEmployeeRows(file, options, today, 0, csv ? [&store](qint32 n, PersonnelRecordView r) {
                    store.Add(n, r);
                } : std::function<void(qint32, PersonnelRecordView)>());
            if (!list.status)
                return Complain(err, OneLine(list.status), ExitFailure);
            const std::vector<qint32> listed = ListedRecords(list);
            captions += list.caption;
            records.insert(records.end(), listed.begin(), listed.end());
            listedOf[std::size_t(pass)] = listed;
        }
        if (csv) {
            // Nothing is written unless every row could be made.
            for (std::size_t pass = 0; pass < stores.size(); ++pass) {
                if (!stores[pass].Holds(listedOf[pass]))
                    return Complain(
                        err, OneLine(IoStatus::Failure(QStringLiteral("read"), file.DataFileName(), ENODATA)),
                        ExitFailure);
            }
            const auto put = [&](QByteArrayView bytes) {
                bytesOut.append(bytes);
                return IoStatus();
            };
            put(CsvHead());
            for (std::size_t pass = 0; pass < stores.size(); ++pass)
                stores[pass].Put(listedOf[pass], put);
            return -1;
        }
        if (line.format == ExportFormat::Xlsx) {
            // The workbook's bytes, written a row at a time as the records are read, for the caller
            // to redirect to a file, as the CSV's are.
            const IoStatus made =
                XlsxRecordsBytes(file, records, line.options, captions.join(QStringLiteral("; ")),
                                 SystemClock().Now(), QStringLiteral("standard output"), bytesOut);
            return made ? -1 : Complain(err, OneLine(made), ExitFailure);
        }
        const ExportTable table = ReadExportTable(file, records, line.options);
        if (!table.status)
            return Complain(err, OneLine(table.status), ExitFailure);
        bytesOut = JsonLines(table);
        return -1;
    };
    // Read again when the writer changed the folder meanwhile: the list and the records read after
    // it are one state of the file.
    QByteArray bytes;
    for (int attempt = 0;; ++attempt) {
        const FolderStamp before = StampDataFolder(QFileInfo(real).absolutePath());
        bytes.clear();
        if (const int failed = make(bytes); failed >= 0)
            return failed;
        if (!held || (!before.changing && StampDataFolder(QFileInfo(real).absolutePath()) == before))
            break;
        if (attempt == 9)
            return Complain(err,
                            OneLine(IoStatus::Refusal(QStringLiteral("read"), line.file,
                                                      QStringLiteral("Another copy of the program kept "
                                                                     "changing it"))),
                            ExitFailure);
    }
    Put(out, bytes);
    return logged();
}

QList<QCommandLineOption> ImportLineOptions() {
    return {Option("dry-run"), Option("update"), Option("skip-duplicates"), Option("allow-duplicates")};
}

int RunImport(const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    const QStringList operands = line.positionalArguments();
    if (const QString wrong =
            OperandProblem(operands, 2, QStringLiteral("import needs a CSV file and a FILE"));
        !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    const bool dryRun = line.isSet(QStringLiteral("dry-run"));
    const bool skip = line.isSet(QStringLiteral("skip-duplicates"));
    const bool allow = line.isSet(QStringLiteral("allow-duplicates"));
    const bool update = line.isSet(QStringLiteral("update"));
    if (skip && allow)
        return Complain(err,
                        QStringLiteral("--skip-duplicates and --allow-duplicates can't be given together"),
                        ExitUsage);
    const QString& csv = operands[0];
    const QString& target = operands[1];

    FileIo io;
    const ImportPlan plan = PlanImportFile(io, csv);
    if (!plan.ReadStatus())
        return Complain(err, OneLine(plan.ReadStatus()), ExitFailure);
    if (!plan.Ok()) {
        Put(out, QString(plan.ErrorText()).replace(CrLf, QStringLiteral("\n")).toUtf8() + '\n');
        return Complain(err,
                        QStringLiteral("%1 refused: %2; nothing was added to %3")
                            .arg(csv, Plural(plan.ErrorCount(), "fault", "faults"), target),
                        ExitFailure);
    }
    // The lock of the folder that really holds the file, and its journal there; never a file
    // made through a link. A dry run takes it too: the file is read for duplicates, and an open
    // cuts off what an interrupted append left.
    const QString real = RealDataFilePath(target);
    if (real.isEmpty())
        return Complain(err, LeadsNowhereText(target) + QStringLiteral("; nothing was added"), ExitFailure);
    DataFolderLock lock(QFileInfo(real).absolutePath());
    if (const QString held = TakeLock(lock, target); !held.isEmpty())
        return Complain(err, held, ExitFailure);
    if (const QString linked = LinkedFolderText(real); !linked.isEmpty())
        return Complain(err, linked + QStringLiteral(" Nothing was added."), ExitFailure);
    if (const QString unsettled = FinishRestoreBeside(real); !unsettled.isEmpty())
        return Complain(err, unsettled, ExitFailure);
    PersonnelFile file = FileAt(io, real);
    const SystemClock clock;

    const ImportDuplicates duplicates = FindImportDuplicates(file, plan, clock.NowOle(), {}, update);
    if (!duplicates.status)
        return Complain(err, OneLine(duplicates.status) + QStringLiteral(" Nothing was added."), ExitFailure);
    // With --update an employee on file is updated (its changes are named) or passed over, unless
    // the row gives them another employee's Social Security number; else it is a duplicate like the
    // rest.
    QByteArray named;
    for (const ImportDuplicate& d : duplicates.rows) {
        if (!update || d.Likely())
            named += DuplicateText(d, u"yyyy-mm-dd", update).toUtf8() + '\n';
        else if (!d.changes.empty())
            named += UpdateText(d).toUtf8() + '\n';
    }
    Put(out, named);
    const qint64 found = update ? duplicates.Likely() : qint64(duplicates.rows.size());
    if (found > 0 && !skip && !allow)
        return Complain(
            err,
            QStringLiteral("%1 refused: %2 already on file or earlier in the "
                           "file; nothing was added to %3 (--skip-duplicates adds the "
                           "others, --allow-duplicates adds them all)")
                .arg(csv, Plural(found, "row looks like an employee", "rows look like employees"), target),
            ExitFailure);
    const ImportSelection selection = SelectImportRows(plan, duplicates, update, allow);
    if (!selection.maskedAdds.empty()) {
        QByteArray refused;
        for (const qint32 row : selection.maskedAdds)
            refused += MaskedAddText(plan, row).toUtf8() + '\n';
        Put(out, refused);
        // An export below the SensitiveFieldsLevel setting cannot add anyone: say how to make one that can.
        Complain(err,
                 QStringLiteral("%1 holds masked values (a Social Security number as ***-**-6789, a date "
                                "of birth as ****-03-07); export the file again with --show-sensitive, "
                                "which writes them in full")
                     .arg(csv),
                 ExitFailure, false);
        return Complain(err,
                        QStringLiteral("%1 refused: %2; nothing was added to %3")
                            .arg(csv,
                                 Plural(qint64(selection.maskedAdds.size()), "new row holds a masked value",
                                        "new rows hold masked values"),
                                 target),
                        ExitFailure);
    }
    QString note; // what became of the duplicates
    if (found > 0)
        note = QStringLiteral(" (%1 %2)")
                   .arg(Plural(found, "duplicate", "duplicates"),
                        skip ? QStringLiteral("skipped") : QStringLiteral("allowed"));
    const QString employees = Plural(qint64(selection.add.size()), "employee", "employees");
    const QString into = QStringLiteral("%1 into %2").arg(csv, target);
    if (dryRun) {
        Put(out, (update ? into + QStringLiteral(" would be: ") + ImportSummary(selection)
                         : QStringLiteral("%1 would be added to %2%3").arg(employees, target, note))
                         .toUtf8() +
                     '\n');
        return ExitOk;
    }
    const QDir folder = QFileInfo(real).dir();
    file.KeepHistory(clock, folder.filePath(HistoryFileName), folder.filePath(HistoryIndexFileName),
                     folder.filePath(HistoryJournalFileName));
    file.SetHistoryActor(QStringLiteral("rosterly-data import"), 0);
    if (const IoStatus s =
            ApplyImport(file, plan, selection, clock, QStringLiteral("from ") + QFileInfo(csv).fileName());
        !s)
        return Complain(err,
                        OneLine(s) + (selection.updates.empty()
                                          ? QStringLiteral(" Nothing was added.")
                                          : QStringLiteral(" Nothing was added or updated.")),
                        ExitFailure);
    Put(out, (update ? into + QStringLiteral(": ") + ImportSummary(selection)
                     : QStringLiteral("added %1 to %2%3").arg(employees, target, note))
                     .toUtf8() +
                 '\n');
    return ExitOk;
}
