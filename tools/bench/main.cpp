// Times the employee list on generated personnel files of 1,000, 10,000 and 100,000 employees.
// Each figure is the median of five runs after one warm-up, printed as one JSON object per line.
#include "app/frmmain.h"
#include "app/programwindows.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/programstate.h"
#include "datatool/seed.h"
#include "list/listbuilder.h"
#include "print/printer.h"
#include "ui/gridmodel.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr int Runs = 5;

// Median milliseconds of `Runs` timed calls after one untimed one; `before` runs untimed ahead
// of each call.
double MedianMs(const std::function<void()>& work, const std::function<void()>& before = {}) {
    if (before)
        before();
    work();
    std::vector<double> ms;
    for (int i = 0; i < Runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void Print(const char* op, qint64 records, double ms, qint64 rows = -1) {
    if (rows >= 0)
        std::printf("{\"op\": \"%s\", \"records\": %lld, \"ms\": %.1f, \"rows\": %lld}\n", op,
                    static_cast<long long>(records), ms, static_cast<long long>(rows));
    else
        std::printf("{\"op\": \"%s\", \"records\": %lld, \"ms\": %.1f}\n", op,
                    static_cast<long long>(records), ms);
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
    ListOptions options;
};

std::vector<ListCase> ListCases() {
    std::vector<ListCase> cases;
    ListOptions alphabetical;
    cases.push_back({"list_alphabetical", alphabetical});
    for (int type = 2; type <= 4; ++type) {
        ListOptions o;
        o.optTypeList = type;
        cases.push_back({type == 2   ? "list_seniority_employment"
                         : type == 3 ? "list_seniority_age"
                                     : "list_birthday",
                         o});
    }
    ListOptions search;
    search.txtOther = QStringLiteral("forklift");
    search.chkSearchNotepad = true;
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

// Saving one edited record and removing one employee, each beside its floor.
void BenchWrites(const QString& path, qint64 count, const QString& scratch) {
    FileIo io;
    PersonnelFile file(io, path, scratch);
    Print("save_record", count, MedianMs([&] {
              if (file.OpenPersonnelFileForScan() && file.ReadPersonnelRecord(qint32(count / 2))) {
                  file.Record().SetJobTitle(QStringLiteral("Edited"));
                  file.WritePersonnelRecord(qint32(count / 2));
              }
              file.ClosePersonnelFile();
          }));
    const QString work = path + QStringLiteral(".work");
    Print("copy_file", count, MedianMs([&] { CopyWhole(path, work); }));
    PersonnelFile copy(io, work, scratch);
    Print("remove_record", count,
          MedianMs(
              [&] {
                  if (copy.OpenPersonnelFileForScan())
                      copy.RemovePersonnelRecord(qint32(count / 2));
                  copy.ClosePersonnelFile();
              },
              [&] { CopyWhole(path, work); }));
    QFile::remove(work);
}

// The refresh a user waits for on the real main window: the list built, the grid shown with its
// highlighted row, the record page filled and the window painted.
void BenchRefresh(const QString& path, qint64 count) {
    QTemporaryDir folder;
    CopyWhole(path, folder.filePath(QStringLiteral("Rosterly.Data")));
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
                  }));
            std::printf("{\"op\": \"peak_rss_main_window\", \"records\": %lld, \"mb\": %.1f}\n",
                        static_cast<long long>(count), PeakRssMegabytes());
            w->CloseByProgram();
        }
    }
    QDir::setCurrent(previous);
}

} // namespace

int main(int argc, char** argv) {
    // The button figures paint off screen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchButtons();
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const double today = DateToOle(SeedReferenceDate());
    double rowsMb = -1;

    for (const qint64 count : {qint64(1000), qint64(10000), qint64(100000)}) {
        const QString path = folder.filePath(QStringLiteral("Rosterly-%1.Data").arg(count));
        if (const QString error = WriteSeedFile(path, count, 1, false); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }

        qint64 bytes = 0;
        Print("read_file", count, MedianMs([&] { bytes = ReadWholeFile(path); }));
        if (bytes != count * PersonnelRecordLength) {
            std::fprintf(stderr, "read %lld bytes of %s\n", static_cast<long long>(bytes), qPrintable(path));
            return 1;
        }

        FileIo io;
        PersonnelFile file(io, path, folder.filePath(QStringLiteral("TempFile.$$$")));
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
            Print(c.op, count, ms, result.Rows());
        }

        BenchWrites(path, count, folder.filePath(QStringLiteral("TempFile.$$$")));
        BenchRefresh(path, count);

        if (count == 100000) {
            EmployeeListResult result = BuildEmployeeRows(file, ListOptions(), today, 0);
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

    std::printf("{\"op\": \"rows_mb\", \"records\": 100000, \"mb\": %.1f}\n", rowsMb);
    std::printf("{\"op\": \"peak_rss\", \"mb\": %.1f}\n", PeakRssMegabytes());
    return 0;
}
