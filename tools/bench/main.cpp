// Times the employee list on generated personnel files of 1,000, 10,000 and 100,000 employees.
// Each figure is the median of five runs after one warm-up, printed as one JSON object per line.
//
//   rosterly-bench [--sizes N,N,...]   the timings (default 1000,10000,100000)
//   rosterly-bench --history           the change history's lines only
//   rosterly-bench --check             every list of a 100,000-employee file against its digest
//   rosterly-bench --exchange          the spreadsheet lines only, at 100,000 employees
#include "app/frmmain.h"
#include "app/frmtitlepage.h"
#include "app/programwindows.h"
#include "bench/listcheck.h"
#include "core/programstate.h"
#include "data/clock.h"
#include "data/datafilenames.h"
#include "data/folderlock.h"
#include "data/history.h"
#include "data/historykeeper.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/userlist.h"
#include "datatool/seed.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "exchange/importduplicates.h"
#include "exchange/importplan.h"
#include "list/listbuilder.h"
#include "print/printer.h"
#include "settings/settingsstore.h"
#include "ui/fade.h"
#include "ui/gridmodel.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "users/frmadmin.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr int Runs = 5;

// The processor time of the whole process so far, in milliseconds.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Median milliseconds of `Runs` timed calls after one untimed one; `before` runs untimed ahead
// of each call. `cpuMs` (if given) receives the median processor time of the calls: on a loaded
// machine the wall time is mostly waiting for a core.
double MedianMs(const std::function<void()>& work, const std::function<void()>& before = {},
                double* cpuMs = nullptr) {
    if (before)
        before();
    work();
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < Runs; ++i) {
        if (before)
            before();
        const double cpuStart = ProcessCpuMs();
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(ProcessCpuMs() - cpuStart);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    if (cpuMs)
        *cpuMs = cpu[cpu.size() / 2];
    return ms[ms.size() / 2];
}

// One line; `floorMs` (when above 0) adds the figure as a multiple of its floor.
void Print(const char* op, qint64 records, double ms, qint64 rows = -1, double floorMs = 0) {
    std::printf("{\"op\": \"%s\", \"records\": %lld, \"ms\": %.1f", op, static_cast<long long>(records), ms);
    if (rows >= 0)
        std::printf(", \"rows\": %lld", static_cast<long long>(rows));
    if (floorMs > 0)
        std::printf(", \"x_floor\": %.2f", ms / floorMs);
    std::printf("}\n");
    std::fflush(stdout);
}

// The floor any list build stands on: every byte of the file read once, in 1 MB blocks.
qint64 ReadWholeFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    static std::vector<char> block(1 << 20);
    qint64 total = 0;
    ssize_t got = 0;
    while ((got = ::read(fd, block.data(), block.size())) > 0)
        total += got;
    ::close(fd);
    return total;
}

// Heap held by the rows: the cell objects, and each text once (cells that share a text point at
// the same block). Allocation overhead is guessed at 16 bytes a block.
double RowsMegabytes(const EmployeeListResult& result) {
    double bytes = double(result.cells.capacity() * sizeof(QString));
    std::unordered_set<const QChar*> counted;
    for (const QString& cell : result.cells) {
        if (cell.capacity() > 0 && counted.insert(cell.constData()).second)
            bytes += double(16 + (cell.capacity() + 1) * qsizetype(sizeof(QChar)) + 16);
    }
    return bytes / (1024.0 * 1024.0);
}

double PeakRssMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

struct ListCase {
    const char* op;
    ListQuery options;
};

std::vector<ListCase> ListCases() {
    std::vector<ListCase> cases;
    ListQuery alphabetical;
    cases.push_back({"list_alphabetical", alphabetical});
    for (int type = 2; type <= 4; ++type) {
        ListQuery o;
        o.type = ListTypes[std::size_t(type - 1)];
        cases.push_back({type == 2   ? "list_seniority_employment"
                         : type == 3 ? "list_seniority_age"
                                     : "list_birthday",
                         o});
    }
    ListQuery search;
    search.lookFor = QStringLiteral("forklift");
    search.searchNotepad = true;
    cases.push_back({"list_alphabetical_search_notepad", search});
    return cases;
}

// A window of 50 of the program's buttons: painting all of them, and the pointer passing across
// them (each button entered and left, and repainted).
void BenchButtons() {
    QWidget window;
    window.resize(5 * 130, 10 * 50);
    std::vector<OrvicButton*> buttons;
    for (int i = 0; i < 50; ++i) {
        auto* b = new OrvicButton(QStringLiteral("cmd%1").arg(i), &window);
        b->setGeometry(10 + (i % 5) * 130, 10 + (i / 5) * 50, 120, 40);
        b->SetCaption(QStringLiteral("Print this") + QStringLiteral("\r\n") +
                      QStringLiteral("List &%1").arg(i));
        buttons.push_back(b);
    }
    window.show();
    QApplication::processEvents();
    Print("paint_50_buttons", 50, MedianMs([&] { (void)window.grab(); }));
    Print("hover_50_buttons", 50, MedianMs([&] {
              for (OrvicButton* b : buttons) {
                  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
                  QApplication::sendEvent(b, &enter);
                  b->repaint();
                  QEvent leave(QEvent::Leave);
                  QApplication::sendEvent(b, &leave);
                  b->repaint();
              }
          }));
}

// The personnel file `path` with its scratch file and journals beside it, as the program keeps them
// in its data folder, so that a save flushes the folder it would flush there.
PersonnelFile FileBeside(FileIo& io, const QString& path) {
    const QDir folder = QFileInfo(path).dir();
    return PersonnelFile(io, path, folder.filePath(ScratchFileName), folder.filePath(AppendJournalFileName),
                         folder.filePath(WriteJournalFileName));
}

// A plain copy of the file, in 1 MB blocks, flushed: the floor of a removal's compaction.
void CopyWhole(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    static std::vector<char> block(1 << 20);
    ssize_t got = 0;
    while (in >= 0 && out >= 0 && (got = ::read(in, block.data(), block.size())) > 0)
        if (::write(out, block.data(), size_t(got)) != got)
            break;
    if (out >= 0) {
        ::fsync(out);
        ::close(out);
    }
    if (in >= 0)
        ::close(in);
}

// Saving one edited record and removing one employee, each beside its floor: saving beside the
// same save on the smallest file (`saveFloorMs`, 0 for that file itself), removing beside a copy.
double BenchWrites(const QString& path, qint64 count, double saveFloorMs) {
    FileIo io;
    PersonnelFile file = FileBeside(io, path);
    int saves = 0;
    const double saveMs = MedianMs([&] {
        // A new title each time: a record written over with its own bytes needs no journal.
        if (file.OpenPersonnelFileUncounted() && file.ReadPersonnelRecord(qint32(count / 2))) {
            file.Record().SetJobTitle(QStringLiteral("Edited %1").arg(++saves));
            file.WritePersonnelRecord(qint32(count / 2));
        }
        file.ClosePersonnelFile();
    });
    Print("save_record", count, saveMs, -1, saveFloorMs);
    const QString work = path + QStringLiteral(".work");
    const double copyMs = MedianMs([&] { CopyWhole(path, work); });
    Print("copy_file", count, copyMs);
    PersonnelFile copy = FileBeside(io, work);
    Print("remove_record", count,
          MedianMs(
              [&] {
                  if (copy.OpenPersonnelFileUncounted())
                      copy.RemovePersonnelRecord(qint32(count / 2));
                  copy.ClosePersonnelFile();
              },
              [&] { CopyWhole(path, work); }),
          -1, copyMs);
    QFile::remove(work);
    return saveMs;
}

// A read-only copy following a save: from the writer's save of one record in place (in this
// process, on the copy's data folder) until the copy's watch has told of it and the copy has built
// its list again, read only, as its main window does. Local disk: the system tells of the change;
// the half-second look is what a network share waits for instead.
void BenchReaderFollow(const QString& path, qint64 count, double today) {
    QTemporaryDir folder;
    CopyWhole(path, folder.filePath(PersonnelFileName));
    FileIo io;
    PersonnelFile writer = FileBeside(io, folder.filePath(PersonnelFileName));
    ReadOnlyFileIo readOnly(io);
    PersonnelFile reader = FileBeside(readOnly, folder.filePath(PersonnelFileName));
    reader.SetReadOnly(true);
    bool followed = false;
    qint64 rows = 0;
    DataFolderWatch watch(
        folder.path(),
        [&] {
            const EmployeeListResult list = BuildEmployeeRows(reader, ListQuery(), today, 0);
            rows = list.Rows();
            followed = list.status && reader.UnchangedSinceOpen();
            return followed;
        },
        [] { return true; });
    int saves = 0;
    const double ms = MedianMs([&] {
        followed = false;
        if (writer.OpenPersonnelFileUncounted() && writer.ReadPersonnelRecord(qint32(count / 2))) {
            writer.Record().SetJobTitle(QStringLiteral("Followed %1").arg(++saves));
            writer.WritePersonnelRecord(qint32(count / 2));
        }
        writer.ClosePersonnelFile();
        const QDeadlineTimer deadline(10000);
        while (!followed && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
    Print("reader_follow_save", count, ms, followed ? rows : -1);
}

// The refresh a user waits for on the real main window: the list built, the grid shown with its
// highlighted row, the record page filled and the window painted.
void BenchRefresh(const QString& path, qint64 count, double readMs) {
    QTemporaryDir folder;
    CopyWhole(path, folder.filePath(PersonnelFileName));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    {
        ProgramState state;
        state.CurrentUserName = QStringLiteral("Bench");
        state.CurrentAccessLevel = 4;
        IniSettingsStore settings(folder.filePath(QStringLiteral("config")));
        DialogPrompts prompts;
        SystemClock clock;
        FileIo io;
        PersonnelFile personnel(io);
        auto printer = MakePdfPrinter(prompts, folder.filePath(QStringLiteral("Printouts")), state.AppTitle);
        ProgramWindows windows(state, settings, prompts, clock, io, personnel, *printer, [](int) {});
        QElapsedTimer shown;
        shown.start();
        windows.ShowMainWindow();
        frmMain* w = windows.MainWindow();
        while (w && !w->IsActivated())
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w) {
            Print("main_window_shown", count, double(shown.nsecsElapsed()) / 1e6);
            Print("refresh_window", count, MedianMs([&] {
                      w->RefreshEmployeeList();
                      w->repaint();
                  }),
                  -1, readMs);
            std::printf("{\"op\": \"peak_rss_main_window\", \"records\": %lld, \"mb\": %.1f}\n",
                        static_cast<long long>(count), PeakRssMegabytes());
            w->CloseByProgram();
        }
    }
    QDir::setCurrent(previous);
}

qint64 MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The child's side of the start-up figures, run in a process of its own so that loading the
// libraries counts: the program's start as main() makes it (the data folder's lock, the settings,
// the printer, the title window), then Continue pressed at once and the admin window shown.
// Prints both times, counted from `launchedNs` when the parent started this process.
int StartupProbe(const QString& folder, qint64 launchedNs) {
    QTimer::singleShot(30000, [] {
        std::fprintf(stderr, "start-up did not reach the admin window; showing:");
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                std::fprintf(stderr, " %s '%s'", w->metaObject()->className(), qPrintable(w->windowTitle()));
        std::fprintf(stderr, "\n");
        std::_Exit(3);
    });
    QDir::setCurrent(folder);
    ProgramState state;
    DataFolderLock folderLock(QDir::currentPath());
    if (!folderLock.TryAcquire())
        return 3;
    IniSettingsStore settings(QDir(folder).filePath(QStringLiteral("config")));
    DialogPrompts prompts;
    SystemClock clock;
    FileIo io;
    PersonnelFile personnel(io, state.DataFileName, state.ScratchFileName);
    state.PlatformCanFade = PlatformSupportsWindowOpacity();
    const std::unique_ptr<Printer> printer =
        MakeSystemPrinter(prompts, QDir::current().filePath(QStringLiteral("Printouts")), state.AppTitle);
    ProgramWindows windows(state, settings, prompts, clock, io, personnel, *printer, [](int) {});
    windows.ShowTitleWindow();
    while (!windows.TitleWindow() || !windows.TitleWindow()->isVisible())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const qint64 titleNs = MonotonicNs();
    windows.TitleWindow()->cmdContinue->click();
    while (!windows.AdminWindow() || !windows.AdminWindow()->IsActivated())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const qint64 adminNs = MonotonicNs();
    std::printf("%.3f %.3f\n", double(titleNs - launchedNs) / 1e6, double(adminNs - launchedNs) / 1e6);
    return 0;
}

// From starting the program to its title window, and on to the admin window with Continue pressed
// at once, in a data folder holding `dataFile` (fades off, as off screen; the welcome window off).
void BenchStartup(const QString& dataFile, qint64 count) {
    QTemporaryDir folder;
    CopyWhole(dataFile, folder.filePath(PersonnelFileName));
    {
        // One user, so that the admin window opens on its sign-in rather than on the question
        // for a first user.
        FileIo io;
        UserList users(io, folder.filePath(UserListFileName), folder.filePath(ScratchFileName),
                       folder.filePath(UserAppendJournalFileName), folder.filePath(UserWriteJournalFileName));
        QString password = QStringLiteral("abc123");
        if (users.OpenUserList()) {
            users.Record().Clear();
            users.Record().SetFirstName(QStringLiteral("Ann"));
            users.Record().SetLastName(QStringLiteral("Lee"));
            users.Record().SetPassword(ScramblePassword(password));
            users.Record().SetAccessLevel(4);
            users.WriteUserRecord(1);
        }
        users.CloseUserList();
    }
    {
        // Written out when the store goes, before the first child reads it.
        IniSettingsStore settings(folder.filePath(QStringLiteral("config")));
        ProgramSettings::Save(settings, ProgramSettings::Key::NewUser, QString::fromLatin1(ProgramSettings::NoShow));
        ProgramSettings::SaveFadeStatus(settings, false);
    }
    std::vector<double> title;
    std::vector<double> admin;
    for (int run = 0; run <= Runs; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--startup-probe"), folder.path(), QString::number(MonotonicNs())});
        if (!child.waitForFinished(60000) || child.exitCode() != 0) {
            std::fprintf(stderr, "start-up probe failed: %s\n", child.readAllStandardError().constData());
            return;
        }
        const QList<QByteArray> times = child.readAllStandardOutput().trimmed().split(' ');
        if (run == 0 || times.size() != 2)
            continue; // the warm-up
        title.push_back(times[0].toDouble());
        admin.push_back(times[1].toDouble());
    }
    if (title.empty())
        return;
    std::sort(title.begin(), title.end());
    std::sort(admin.begin(), admin.end());
    Print("startup_title_window", count, title[title.size() / 2]);
    Print("startup_admin_window", count, admin[admin.size() / 2]);
}

// Builds every list of a generated 100,000-employee file and compares each digest with the one
// recorded here, and the order of each alphabetical list with the collator's; a change to the
// builder must leave them all as they are.
int CheckLists(const QString& folder) {
    static const std::map<QString, QByteArray> recorded = {
        {QStringLiteral("type1"), QByteArrayLiteral("69826b1a631d4059eb460168e78cc6bdcf9a7907")},
        {QStringLiteral("type2"), QByteArrayLiteral("700477454965dbbfb13d2533a4bc0dfb2e170124")},
        {QStringLiteral("type3"), QByteArrayLiteral("e99fbb90e8f7ecb8a5e32f69946c42369ae38414")},
        {QStringLiteral("type4"), QByteArrayLiteral("e8614525bbcf24782b3b9c2713ee87c692d887c7")},
        {QStringLiteral("previous"), QByteArrayLiteral("4c8fe466913d9d4ee577b28ef3cf7cec5afb2780")},
        {QStringLiteral("with-1"), QByteArrayLiteral("4cb9bf64726b73856a0f7038b14bee08cb9b32d2")},
        {QStringLiteral("with0"), QByteArrayLiteral("69826b1a631d4059eb460168e78cc6bdcf9a7907")},
        {QStringLiteral("with1"), QByteArrayLiteral("495ead59dd08207141e9cecb6e671fe9b2e0c23f")},
        {QStringLiteral("with2"), QByteArrayLiteral("9fc0ab6b2931c0e7237a8de1639869b1ba4398e0")},
        {QStringLiteral("with3"), QByteArrayLiteral("69b56f234bfc019497e85ef895a298ed1e46a660")},
        {QStringLiteral("with4"), QByteArrayLiteral("303a10d922262c13c1265f779d2cf3f16debe06d")},
        {QStringLiteral("with5"), QByteArrayLiteral("8c10d68f2014057dac0d127eab10a10b9be79d20")},
        {QStringLiteral("with6"), QByteArrayLiteral("64a3aa9539551e555ee5d56711d7bda573a41cae")},
        {QStringLiteral("with7"), QByteArrayLiteral("8965aacbcdd6eddb883674072cc5d235c4e26629")},
        {QStringLiteral("with8"), QByteArrayLiteral("c4ee841d80b36b8bd311c8d7bd52868103587877")},
        {QStringLiteral("with9"), QByteArrayLiteral("5e6249ae3df3ae86f2b0c67dcbde1fafa4458405")},
        {QStringLiteral("race2"), QByteArrayLiteral("fdf3cb428b1c1a95fc621baced0f9d6acc7e87f5")},
        {QStringLiteral("race3"), QByteArrayLiteral("7d725978cf50c27384bd20380349b81e39929ee3")},
        {QStringLiteral("race4"), QByteArrayLiteral("55bb518fd1a680ac0e0b6af1a93f548f33c75a5f")},
        {QStringLiteral("race5"), QByteArrayLiteral("5f4940b93ab92c3d12e5c32652b6e92435dccfe5")},
        {QStringLiteral("race6"), QByteArrayLiteral("2eda4092ba1ce5076e6adfb19d4c93e5581d9b46")},
        {QStringLiteral("sex2"), QByteArrayLiteral("76d35879d401f415766ee6a90f57595fd1be0b91")},
        {QStringLiteral("sex3"), QByteArrayLiteral("dffcc30be878a2c635704c49f8a79529dd0cb616")},
        {QStringLiteral("month"), QByteArrayLiteral("45b0d018c3b4eb452f7d35233860f8122a5b9bde")},
        {QStringLiteral("year"), QByteArrayLiteral("242337916fc89ff4f85a57f3144be91ae2a11f93")},
        {QStringLiteral("agegroup"), QByteArrayLiteral("d5bd5f783bf3503d245b9ffd74cb4d07daa96897")},
        {QStringLiteral("lookfor"), QByteArrayLiteral("3a5510e0fb7d5980055e71e1fd4f5563cd1f08cb")},
        {QStringLiteral("notepad"), QByteArrayLiteral("ac2e07bff131cdf794848680317b728624fe0dc5")},
    };
    const QString path = QDir(folder).filePath(PersonnelFileName);
    if (const QString error = WriteSeedFile(path, 100000, 1, false); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    FileIo io;
    PersonnelFile file = FileBeside(io, path);
    const double today = DateToOle(SeedReferenceDate());
    int failed = 0;
    for (const ListCheckCase& c : ListCheckCases()) {
        // Record 777 stands for a newly added employee, whose row the alphabetical list highlights.
        const EmployeeListResult result = BuildEmployeeRows(file, c.options, today, 777);
        const QByteArray digest = ListDigest(result);
        const auto known = recorded.find(c.name);
        const bool same = known != recorded.end() && known->second == digest;
        const int outOfOrder =
            c.options.type == ListType::Alphabetical ? FirstRowOutOfOrder(result, *TextOrder::ForUser()) : 0;
        failed += same && outOfOrder == 0 ? 0 : 1;
        std::printf("{\"op\": \"check\", \"list\": \"%s\", \"rows\": %d, \"sha1\": \"%s\", \"same\": %s, "
                    "\"out_of_order_row\": %d}\n",
                    qPrintable(c.name), result.Rows(), digest.constData(), same ? "true" : "false",
                    outOfOrder);
    }
    return failed == 0 ? 0 : 1;
}

// ---------------------------------------------------------------- the import

// The file's employees exported as a workbook, then imported into a new file with its history, as
// the list menu does it: reading and checking the workbook, looking for duplicates, adding them.
// Timed once each, as one import is long.
void BenchImport(PersonnelFile& file, qint64 count, const QString& folder) {
    std::vector<qint32> records(static_cast<std::size_t>(count));
    std::iota(records.begin(), records.end(), 1);
    const ExportTable table = ReadExportTable(file, records, {});
    QByteArray workbook;
    const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC));
    if (!table.status || !XlsxBytes(table, QString(), clock.Now(), QStringLiteral("bench"), workbook)) {
        std::fprintf(stderr, "could not export %lld employees\n", static_cast<long long>(count));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const ImportPlan plan = PlanImport(workbook);
    Print("import_plan", count, double(timer.nsecsElapsed()) / 1e6, plan.Rows());
    const QDir dir(folder);
    FileIo io;
    PersonnelFile target(io, dir.filePath(QStringLiteral("Import.Data")), dir.filePath(ScratchFileName),
                         dir.filePath(AppendJournalFileName));
    target.KeepHistory(clock, dir.filePath(HistoryFileName), dir.filePath(HistoryIndexFileName),
                       dir.filePath(HistoryJournalFileName));
    timer.restart();
    const ImportDuplicates duplicates = FindImportDuplicates(target, plan, clock.NowOle());
    Print("import_duplicates", count, double(timer.nsecsElapsed()) / 1e6, qint64(duplicates.rows.size()));
    std::vector<qint32> rows(std::size_t(plan.Rows()));
    std::iota(rows.begin(), rows.end(), 0);
    timer.restart();
    if (const IoStatus s = ApplyImport(target, plan, ImportRowsAdded(rows), clock); !s)
        std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
    Print("import_apply", count, double(timer.nsecsElapsed()) / 1e6, plan.Rows());

    // A sheet edited in an office: 20 employees with a new job title and 5 new ones, as one change.
    QByteArray sheet = "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,JobTitle\r\n";
    const auto iso = [](double ole) {
        const std::optional<QDate> d = OleToDate(ole);
        return d ? d->toString(Qt::ISODate).toUtf8() : QByteArray();
    };
    if (target.OpenPersonnelFile()) {
        for (qint32 n = 1; n <= std::min<qint32>(20, target.RecordCount()); ++n) {
            target.ReadPersonnelRecord(n);
            const PersonnelRecord& r = target.Record();
            sheet += r.LastName().toUtf8() + ',' + r.FirstName().toUtf8() + ',' + r.Race().toUtf8() + ',' +
                     r.Sex().toUtf8() + ',' + iso(r.DateOfBirth()) + ',' + iso(r.DateOfEmployment()) +
                     ",Bench Title " + QByteArray::number(n) + "\r\n";
        }
        target.ClosePersonnelFile();
    }
    for (int i = 0; i < 5; ++i)
        sheet += "Newhire,Bench" + QByteArray::number(i) + ",W,F,1990-01-0" + QByteArray::number(i + 1) +
                 ",2026-12-01,Clerk\r\n";
    const ImportPlan edited = PlanImport(sheet);
    timer.restart();
    const ImportDuplicates found = FindImportDuplicates(target, edited, clock.NowOle());
    const ImportSelection selection = SelectImportRows(edited, found, true, false);
    if (const IoStatus s = ApplyImport(target, edited, selection, clock, QStringLiteral("from bench.csv"));
        !s)
        std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
    Print("import_update", count, double(timer.nsecsElapsed()) / 1e6,
          qint64(selection.updates.size() + selection.add.size()));
    for (const QString& name : {QStringLiteral("Import.Data"), HistoryFileName, HistoryIndexFileName})
        QFile::remove(dir.filePath(name));
}

// ---------------------------------------------------------------- spreadsheets beside SQLite

// What one run of another program took: its wall time, its processor time (user and system, which
// a machine busy with other work changes less), its peak resident memory (the kernel's counts for
// the child, through wait4) and how it ended.
struct ChildRun {
    double ms = 0;
    double cpuMs = 0;
    double peakMb = 0;
    int exitCode = -1;
};

// Runs `program` with `arguments`, its standard output to the file `output` (nothing kept when
// empty) and its standard error to nowhere.
ChildRun RunChild(const QString& program, const QStringList& arguments, const QString& output = {}) {
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray out = output.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(output);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (fd < 0 || null < 0 || ::dup2(fd, 1) < 0 || ::dup2(null, 2) < 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.peakMb = double(usage.ru_maxrss) / 1024.0;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The median times and the highest peak of three runs, `before` run ahead of each, untimed.
ChildRun MedianRun(const std::function<ChildRun()>& run, const std::function<void()>& before = {}) {
    std::vector<ChildRun> runs;
    for (int i = 0; i < 3; ++i) {
        if (before)
            before();
        runs.push_back(run());
    }
    std::sort(runs.begin(), runs.end(), [](const ChildRun& a, const ChildRun& b) { return a.ms < b.ms; });
    ChildRun median = runs[1];
    std::vector<double> cpu;
    for (const ChildRun& r : runs)
        cpu.push_back(r.cpuMs);
    std::sort(cpu.begin(), cpu.end());
    median.cpuMs = cpu[1];
    for (const ChildRun& r : runs) {
        median.peakMb = std::max(median.peakMb, r.peakMb);
        median.exitCode = std::max(median.exitCode, r.exitCode);
    }
    return median;
}

void PrintExchange(const char* op, qint64 records, const ChildRun& ours, const ChildRun& sqlite) {
    std::printf("{\"op\": \"%s\", \"records\": %lld, \"ms\": %.1f, \"cpu_ms\": %.1f, \"peak_mb\": %.1f, "
                "\"exit\": %d",
                op, static_cast<long long>(records), ours.ms, ours.cpuMs, ours.peakMb, ours.exitCode);
    if (sqlite.exitCode >= 0)
        std::printf(", \"sqlite_csv_ms\": %.1f, \"sqlite_csv_cpu_ms\": %.1f, \"sqlite_csv_peak_mb\": %.1f, "
                    "\"x_sqlite\": %.2f, \"x_sqlite_cpu\": %.2f",
                    sqlite.ms, sqlite.cpuMs, sqlite.peakMb, ours.ms / sqlite.ms, ours.cpuMs / sqlite.cpuMs);
    std::printf("}\n");
    std::fflush(stdout);
}

// The data tool's export and import (a dry run, which reads and checks every row and looks for the
// employees on file) of a file's current employees, as CSV and as a workbook, each in a process of
// its own, beside SQLite's shell importing the same CSV file into a new database and exporting
// its rows as CSV again: the median time of three runs and the highest peak memory.
int BenchExchange(const QString& path, qint64 count, const QString& folder) {
    const QString tool =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("rosterly-data"));
    if (!QFileInfo(tool).isExecutable()) {
        std::fprintf(stderr, "%s is not there: build the target rosterly-data\n", qPrintable(tool));
        return 1;
    }
    const QDir dir(folder);
    const QString csv = dir.filePath(QStringLiteral("list.csv"));
    const QString workbook = dir.filePath(QStringLiteral("list.xlsx"));
    const QString database = dir.filePath(QStringLiteral("list.sqlite"));
    const QString again = dir.filePath(QStringLiteral("again.csv"));
    const ChildRun csvExport = MedianRun([&] {
        return RunChild(tool, {QStringLiteral("export"), path}, csv);
    });
    const ChildRun xlsxExport = MedianRun([&] {
        return RunChild(tool,
                        {QStringLiteral("export"), path, QStringLiteral("--format"), QStringLiteral("xlsx")},
                        workbook);
    });
    const auto dryRun = [&](const QString& file) {
        return MedianRun([&] {
            return RunChild(tool, {QStringLiteral("import"), file, path, QStringLiteral("--dry-run"),
                                   QStringLiteral("--allow-duplicates")});
        });
    };
    const ChildRun csvImport = dryRun(csv);
    const ChildRun xlsxImport = dryRun(workbook);

    ChildRun sqliteImport;
    ChildRun sqliteExport;
    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty()) {
        std::fprintf(stderr, "sqlite3 is not installed (scripts/setup installs it with the test "
                             "packages): the lines have no SQLite figures\n");
    } else {
        sqliteImport = MedianRun(
            [&] {
                return RunChild(sqlite, {database, QStringLiteral(".import --csv %1 employees").arg(csv)});
            },
            [&] { QFile::remove(database); });
        sqliteExport = MedianRun([&] {
            return RunChild(sqlite, {database, QStringLiteral(".headers on"), QStringLiteral(".mode csv"),
                                     QStringLiteral(".once %1").arg(again),
                                     QStringLiteral("SELECT * FROM employees;")});
        });
        PrintExchange("sqlite_csv_import", count, sqliteImport, {});
        PrintExchange("sqlite_csv_export", count, sqliteExport, {});
    }
    PrintExchange("csv_export", count, csvExport, sqliteExport);
    PrintExchange("csv_import_dry_run", count, csvImport, sqliteImport);
    PrintExchange("xlsx_export", count, xlsxExport, sqliteExport);
    PrintExchange("xlsx_import_dry_run", count, xlsxImport, sqliteImport);
    for (const QString& file : {csv, workbook, database, again})
        QFile::remove(file);
    return 0;
}

// ---------------------------------------------------------------- the change history

// The real file calls, counting the opens of the history file and the bytes read from it.
class HistoryWatchingIo final : public FileIo {
public:
    int Open(const QString& path, int flags, mode_t mode) override {
        const int fd = FileIo::Open(path, flags, mode);
        if (fd >= 0 && QFileInfo(path).fileName() == HistoryFileName) {
            ++historyOpens;
            m_history.insert(fd);
        }
        return fd;
    }
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override {
        const ssize_t got = FileIo::ReadAt(fd, buffer, count, offset);
        if (got > 0 && m_history.contains(fd))
            historyBytesRead += got;
        return got;
    }
    int Close(int fd) override {
        m_history.erase(fd);
        return FileIo::Close(fd);
    }
    qint64 historyOpens = 0;
    qint64 historyBytesRead = 0;

private:
    std::unordered_set<int> m_history;
};

// A personnel file of `employees` seeded employees in `folder` with a history of `rounds` + 1
// entries each: "history starts here" for every employee, then `rounds` edits of the job title
// per employee, the employees taken in a stride across the file so that each one's entries lie
// spread over the whole history. The lines are written directly; the file is left as the last
// edits have it, so that the history is in step, and the index is built by one open.
QString WriteFileWithHistory(const QString& folder, qint64 employees, int rounds, const Clock& clock) {
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(PersonnelFileName);
    const QString seeded = path + QStringLiteral(".seed");
    if (const QString error = WriteSeedFile(seeded, employees, 1, false); !error.isEmpty())
        return error;
    QFile in(seeded);
    QFile data(path);
    QFile history(QDir(folder).filePath(HistoryFileName));
    if (!in.open(QIODevice::ReadOnly) || !data.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !history.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write the files in %1").arg(folder);
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0), Qt::UTC);
    qint64 entry = 0;
    QByteArray lines;
    const auto put = [&](qint64 employee, HistoryAction action, QList<HistoryChange> changes) {
        ++entry;
        lines += HistoryLine({entry, start.addSecs(entry * 60), QStringLiteral("Bench"), 4, employee, action,
                              std::move(changes), qint32(employee)});
        if (lines.size() > (4 << 20)) {
            history.write(lines);
            lines.clear();
        }
    };
    const QString lastTitle = QStringLiteral("Title %1").arg(rounds);
    std::vector<QString> titles(std::size_t(employees) + 1);
    PersonnelRecord record;
    for (qint64 n = 1; n <= employees; ++n) {
        if (in.read(record.data(), PersonnelRecordLength) != PersonnelRecordLength)
            return QStringLiteral("cannot read %1").arg(seeded);
        put(n, HistoryAction::Started, WholeRecord(record));
        titles[std::size_t(n)] = HistoryValue(record, PersonnelField::JobTitle);
        if (rounds > 0)
            record.SetJobTitle(lastTitle);
        data.write(record.data(), PersonnelRecordLength);
    }
    // A stride prime to the count visits every employee once per round.
    const qint64 stride = employees % 7919 == 0 ? 7907 : 7919;
    for (qint64 i = 0; i < employees * rounds; ++i) {
        const qint64 employee = (i * stride) % employees + 1;
        const QString after = QStringLiteral("Title %1").arg(i / employees + 1);
        put(employee, HistoryAction::Edited,
            {{QStringLiteral("JobTitle"), titles[std::size_t(employee)], after}});
        titles[std::size_t(employee)] = after;
    }
    history.write(lines);
    history.close();
    data.close();
    in.close();
    QFile::remove(seeded);

    FileIo io;
    PersonnelFile file = FileBeside(io, path);
    file.KeepHistory(clock, QDir(folder).filePath(HistoryFileName),
                     QDir(folder).filePath(HistoryIndexFileName),
                     QDir(folder).filePath(HistoryJournalFileName));
    // Each open finds no index and rebuilds it from the whole history.
    IoStatus s;
    double cpuMs = 0;
    const double ms = MedianMs(
        [&] {
            s = file.OpenPersonnelFileUncounted();
            file.ClosePersonnelFile();
        },
        [&] { QFile::remove(QDir(folder).filePath(HistoryIndexFileName)); }, &cpuMs);
    if (!s)
        return s.Message();
    std::printf("{\"op\": \"history_index_build\", \"records\": %lld, \"entries\": %lld, \"ms\": %.1f, "
                "\"cpu_ms\": %.1f, \"history_mb\": %.1f}\n",
                static_cast<long long>(employees), static_cast<long long>(entry), ms, cpuMs,
                double(QFileInfo(history).size()) / (1024.0 * 1024.0));
    // The first open of a folder an older version kept: its index in step, no line table, which
    // the open writes from the whole history. Each a run's first open (the index checked against
    // its sum too).
    const QString table = QDir(folder).filePath(HistoryLinesFileName);
    const double linesMs = MedianMs(
        [&] {
            PersonnelFile first = FileBeside(io, path);
            first.KeepHistory(clock, QDir(folder).filePath(HistoryFileName),
                              QDir(folder).filePath(HistoryIndexFileName),
                              QDir(folder).filePath(HistoryJournalFileName));
            s = first.OpenPersonnelFileUncounted();
            first.ClosePersonnelFile();
            if (s && !QFile::exists(table))
                s = IoStatus::Failure(QStringLiteral("write"), table, ENOENT);
        },
        [&] { QFile::remove(table); }, &cpuMs);
    if (!s)
        return s.Message();
    std::printf("{\"op\": \"history_lines_build\", \"records\": %lld, \"entries\": %lld, \"ms\": %.1f, "
                "\"cpu_ms\": %.1f, \"lines_mb\": %.1f}\n",
                static_cast<long long>(employees), static_cast<long long>(entry), linesMs, cpuMs,
                double(QFileInfo(table).size()) / (1024.0 * 1024.0));
    std::fflush(stdout);
    return {};
}

// The first open of `employees` seeded employees that keep no history yet: it writes "history
// starts here" for every record (written whole and renamed into place) and the index.
int BenchFirstStart(const QString& root, qint64 employees, const Clock& clock) {
    const QString folder = QDir(root).filePath(QStringLiteral("first-start-%1").arg(employees));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(PersonnelFileName);
    if (const QString error = WriteSeedFile(path, employees, 1, false); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    FileIo io;
    PersonnelFile file = FileBeside(io, path);
    const QString history = QDir(folder).filePath(HistoryFileName);
    file.KeepHistory(clock, history, QDir(folder).filePath(HistoryIndexFileName),
                     QDir(folder).filePath(HistoryJournalFileName));
    IoStatus s;
    double cpuMs = 0;
    const double ms = MedianMs(
        [&] {
            s = file.OpenPersonnelFileUncounted();
            file.ClosePersonnelFile();
        },
        [&] {
            for (const QString& name : {HistoryFileName, HistoryIndexFileName, HistoryJournalFileName})
                QFile::remove(QDir(folder).filePath(name));
        },
        &cpuMs);
    if (!s) {
        std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
        return 1;
    }
    std::printf("{\"op\": \"history_first_start\", \"records\": %lld, \"ms\": %.1f, \"cpu_ms\": %.1f, "
                "\"history_mb\": %.1f}\n",
                static_cast<long long>(employees), ms, cpuMs,
                double(QFileInfo(history).size()) / (1024.0 * 1024.0));
    std::fflush(stdout);
    QDir(folder).removeRecursively();
    return 0;
}

// One line of the history timings.
void PrintHistory(const char* op, qint64 records, qint64 entries, double ms, qint64 rows = -1,
                  double cpuMs = -1) {
    std::printf("{\"op\": \"%s\", \"records\": %lld, \"entries\": %lld, \"ms\": %.1f", op,
                static_cast<long long>(records), static_cast<long long>(entries), ms);
    if (cpuMs >= 0)
        std::printf(", \"cpu_ms\": %.1f", cpuMs);
    if (rows >= 0)
        std::printf(", \"rows\": %lld", static_cast<long long>(rows));
    std::printf("}\n");
    std::fflush(stdout);
}

// The change history of a large file as the history window and a save meet it: one employee's
// entries, that employee's record as of a day, the Find box's search of every name, and a save
// with the history kept, on 100,000 employees with 1,000,000 entries beside 100 employees with
// 1,000; and the list builds of a file that keeps its history, with the bytes they read of it.
int BenchHistory(const QString& root) {
    const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC));
    const double today = DateToOle(SeedReferenceDate());
    struct Size {
        qint64 employees;
        int rounds;
    };
    const Size sizes[] = {{100, 9}, {100000, 9}};
    if (const int failed = BenchFirstStart(root, 100000, clock); failed != 0)
        return failed;
    for (const Size size : sizes) {
        const qint64 entries = size.employees * (size.rounds + 1);
        const QString folder = QDir(root).filePath(QStringLiteral("history-%1").arg(size.employees));
        if (const QString error = WriteFileWithHistory(folder, size.employees, size.rounds, clock);
            !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        const QString path = QDir(folder).filePath(PersonnelFileName);
        const QString historyPath = QDir(folder).filePath(HistoryFileName);
        HistoryWatchingIo io;
        PersonnelFile file = FileBeside(io, path);
        file.KeepHistory(clock, historyPath, QDir(folder).filePath(HistoryIndexFileName),
                         QDir(folder).filePath(HistoryJournalFileName));
        file.SetHistoryActor(QStringLiteral("Bench"), 4);
        const qint32 n = qint32(size.employees / 2 + 1);
        QList<HistoryEntry> mine;
        bool direct = false; // read where the line table says, not searched for
        const auto openHistory = [&] {
            qint64 employee = 0;
            IoStatus s = file.OpenPersonnelFileUncounted();
            if (s)
                s = file.EmployeeNumber(n, &employee);
            file.ClosePersonnelFile();
            if (s)
                s = ReadEmployeeHistory(io, historyPath, employee, &mine, &direct);
            if (!s)
                std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
        };
        double oneCpuMs = 0;
        const double oneMs = MedianMs(openHistory, {}, &oneCpuMs);
        PrintHistory("history_one_employee", size.employees, entries, oneMs, mine.size(), oneCpuMs);
        // As of the time of the employee's fifth entry: the edits after it are marked.
        QMap<QString, QString> asOf;
        QStringList changed;
        double asOfCpuMs = 0;
        const double asOfMs = MedianMs(
            [&] {
                openHistory();
                asOf = RecordAsOf(mine, mine.value(4).time, &changed);
            },
            {}, &asOfCpuMs);
        PrintHistory("history_record_as_of", size.employees, entries, asOfMs, asOf.size(), asOfCpuMs);
        // The history window's Find box: every employee whose name ever held the first three
        // letters of this one's last name, in one pass over the whole history.
        std::vector<HistoryPerson> people;
        const QString text = asOf.value(QStringLiteral("LastName")).left(3);
        const double findMs = MedianMs([&] {
            if (const IoStatus s = FindHistoryPeople(io, historyPath, text, &people); !s)
                std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
        });
        PrintHistory("history_find_people", size.employees, entries, findMs, qint64(people.size()));
        // The job title changed since, and with it DateModified (an edit's time).
        if (mine.size() != size.rounds + 1 || !changed.contains(QStringLiteral("JobTitle")) || !direct) {
            std::fprintf(stderr, "employee in record %d: %lld entries, %lld fields changed since%s\n", n,
                         static_cast<long long>(mine.size()), static_cast<long long>(changed.size()),
                         direct ? "" : ", searched for (no line table)");
            return 1;
        }
        if (size.employees == 100000) {
            // The list builds open the personnel file as every other reader does, which checks
            // the index against the history's length (an open and its size); they read nothing
            // of the history. Each beside the same build of the same file through the same file
            // calls without the history kept, and as a multiple of one read of the file (the
            // floor of the lists without history).
            const double readMs = MedianMs([&] { ReadWholeFile(path); });
            HistoryWatchingIo plainIo;
            PersonnelFile plain = FileBeside(plainIo, path);
            for (const ListCase& c : ListCases()) {
                EmployeeListResult result;
                const double plainMs =
                    MedianMs([&] { result = BuildEmployeeRows(plain, c.options, today, 0); },
                             [&] { result = EmployeeListResult(); });
                Print(c.op, size.employees, plainMs, result.Rows(), readMs);
                io.historyOpens = 0;
                io.historyBytesRead = 0;
                const double ms = MedianMs([&] { result = BuildEmployeeRows(file, c.options, today, 0); },
                                           [&] { result = EmployeeListResult(); });
                std::printf("{\"op\": \"%s_with_history\", \"records\": %lld, \"ms\": %.1f, \"rows\": %d, "
                            "\"x_floor\": %.2f, \"without_history_ms\": %.1f, \"history_opens\": %lld, "
                            "\"history_bytes_read\": %lld}\n",
                            c.op, static_cast<long long>(size.employees), ms, result.Rows(), ms / readMs,
                            plainMs, static_cast<long long>(io.historyOpens),
                            static_cast<long long>(io.historyBytesRead));
                std::fflush(stdout);
            }
        }
    }

    // A save with the history kept on each file, taken in turn so that both meet the same disk:
    // the flushes cost what the disk's other work lets them.
    std::vector<std::unique_ptr<PersonnelFile>> files;
    std::vector<std::vector<double>> ms(std::size(sizes));
    FileIo io;
    for (const Size size : sizes) {
        const QString folder = QDir(root).filePath(QStringLiteral("history-%1").arg(size.employees));
        files.push_back(std::make_unique<PersonnelFile>(
            io, QDir(folder).filePath(PersonnelFileName), QDir(folder).filePath(ScratchFileName),
            QDir(folder).filePath(AppendJournalFileName), QDir(folder).filePath(WriteJournalFileName)));
        files.back()->KeepHistory(clock, QDir(folder).filePath(HistoryFileName),
                                  QDir(folder).filePath(HistoryIndexFileName),
                                  QDir(folder).filePath(HistoryJournalFileName));
        files.back()->SetHistoryActor(QStringLiteral("Bench"), 4);
    }
    int saves = 0;
    for (int run = 0; run <= 2 * Runs; ++run) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            PersonnelFile& file = *files[i];
            const qint32 n = qint32(sizes[i].employees / 2 + 1);
            QElapsedTimer timer;
            timer.start();
            IoStatus s = file.OpenPersonnelFileUncounted();
            if (s)
                s = file.ReadPersonnelRecord(n);
            if (s) {
                file.Record().SetJobTitle(QStringLiteral("Saved %1").arg(++saves));
                s = file.WritePersonnelRecord(n);
            }
            file.ClosePersonnelFile();
            if (!s)
                std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
            if (run > 0) // the first is the warm-up
                ms[i].push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::sort(ms[i].begin(), ms[i].end());
        PrintHistory("save_record_with_history", sizes[i].employees,
                     sizes[i].employees * (sizes[i].rounds + 1), ms[i][ms[i].size() / 2]);
    }
    files.clear();
    for (const Size size : sizes)
        QDir(QDir(root).filePath(QStringLiteral("history-%1").arg(size.employees))).removeRecursively();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The button figures paint off screen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Names sort in the user's language: the figures and the digests are those of US English,
    // whatever the machine's locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--startup-probe"))
        return StartupProbe(args[2], args[3].toLongLong());

    std::vector<qint64> sizes = {1000, 10000, 100000};
    bool check = false;
    bool historyOnly = false;
    bool exchangeOnly = false;
    bool followOnly = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--check")) {
            check = true;
        } else if (args[i] == QLatin1String("--exchange")) {
            exchangeOnly = true;
        } else if (args[i] == QLatin1String("--history")) {
            historyOnly = true;
        } else if (args[i] == QLatin1String("--follow")) {
            followOnly = true;
        } else if (args[i] == QLatin1String("--sizes") && i + 1 < args.size()) {
            sizes.clear();
            for (const QString& size : args[++i].split(QLatin1Char(',')))
                if (const qint64 n = size.toLongLong(); n > 0)
                    sizes.push_back(n);
        } else {
            std::fprintf(
                stderr,
                "usage: rosterly-bench [--sizes N,N,...] [--follow] | --history | --exchange | --check\n");
            return 2;
        }
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    if (check)
        return CheckLists(folder.path());
    if (historyOnly)
        return BenchHistory(folder.path());
    if (exchangeOnly) {
        const QString path = folder.filePath(PersonnelFileName);
        if (const QString error = WriteSeedFile(path, 100000, 1, false); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        return BenchExchange(path, 100000, folder.path());
    }

    if (!followOnly)
        BenchButtons();
    const double today = DateToOle(SeedReferenceDate());
    double rowsMb = -1;
    double saveFloorMs = 0;

    for (const qint64 count : sizes) {
        const QString path = folder.filePath(QStringLiteral("Rosterly-%1.Data").arg(count));
        if (const QString error = WriteSeedFile(path, count, 1, false); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }

        if (followOnly) {
            BenchReaderFollow(path, count, today);
            QFile::remove(path);
            continue;
        }
        qint64 bytes = 0;
        const double readMs = MedianMs([&] { bytes = ReadWholeFile(path); });
        Print("read_file", count, readMs);
        if (bytes != count * PersonnelRecordLength) {
            std::fprintf(stderr, "read %lld bytes of %s\n", static_cast<long long>(bytes), qPrintable(path));
            return 1;
        }

        FileIo io;
        PersonnelFile file = FileBeside(io, path);
        Print("open_count", count, MedianMs([&] {
                  if (IoStatus s = file.OpenPersonnelFile(); !s)
                      std::fprintf(stderr, "%s\n", qPrintable(s.Message()));
                  file.ClosePersonnelFile();
              }));

        for (const ListCase& c : ListCases()) {
            // The rows are released outside the timing: in the program they go when the grid
            // is next refilled.
            EmployeeListResult result;
            const double ms = MedianMs(
                [&] {
                    result = BuildEmployeeRows(file, c.options, today, 0);
                    if (!result.status)
                        std::fprintf(stderr, "%s\n", qPrintable(result.status.Message()));
                },
                [&] { result = EmployeeListResult(); });
            Print(c.op, count, ms, result.Rows(), readMs);
        }

        const double saveMs = BenchWrites(path, count, saveFloorMs);
        if (saveFloorMs == 0)
            saveFloorMs = saveMs;
        BenchRefresh(path, count, readMs);
        BenchReaderFollow(path, count, today);
        BenchImport(file, count, folder.path());
        if (count == 100000 && BenchExchange(path, count, folder.path()) != 0)
            return 1;
        if (count == sizes.back())
            BenchStartup(path, count);

        if (count == 100000) {
            EmployeeListResult result = BuildEmployeeRows(file, ListQuery(), today, 0);
            rowsMb = RowsMegabytes(result);
            {
                // What showing the built list in the grid adds to the rows' memory: the grid shares
                // the cells, so nothing; copying them one by one, as the main window once did, held
                // a second array of cell handles (the texts themselves are shared either way).
                auto shared = std::make_shared<const EmployeeListResult>(std::move(result));
                GridModel sharing;
                sharing.ShowCells(shared->cols,
                                  std::shared_ptr<const std::vector<QString>>(shared, &shared->cells));
                const double copiedMb = double(shared->cells.size() * sizeof(QString)) / (1024.0 * 1024.0);
                std::printf("{\"op\": \"grid_rows_mb\", \"records\": 100000, \"list\": %.1f, "
                            "\"grid_shared\": 0.0, \"grid_copied\": %.1f}\n",
                            rowsMb, copiedMb);
                result = *shared;
            }
            QElapsedTimer timer;
            timer.start();
            result = EmployeeListResult();
            Print("free_rows", count, double(timer.nsecsElapsed()) / 1e6);
        }
        QFile::remove(path);
    }

    if (followOnly)
        return 0;
    if (const int failed = BenchHistory(folder.path()); failed != 0)
        return failed;
    if (rowsMb >= 0)
        std::printf("{\"op\": \"rows_mb\", \"records\": 100000, \"mb\": %.1f}\n", rowsMb);
    std::printf("{\"op\": \"peak_rss\", \"mb\": %.1f}\n", PeakRssMegabytes());
    return 0;
}
