#include "app/datafolder.h"
#include "app/programwindows.h"
#include "app/singleinstance.h"
#include "core/programstate.h"
#include "core/version.h"
#include "data/clock.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/restorejournal.h"
#include "print/printer.h"
#include "settings/settingsstore.h"
#include "ui/fade.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ProgramState state;
    QApplication::setApplicationName(state.AppTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(ROSTERLY_VERSION_MAJOR)
                                            .arg(ROSTERLY_VERSION_MINOR)
                                            .arg(ROSTERLY_VERSION_REVISION));
    // Ties the windows to the installed launcher, so the desktop shows its name and icon; the icon
    // is also set on the windows for desktops that do not look the launcher up.
    const QString appId = QStringLiteral("io.github.rosterly.Rosterly");
    QGuiApplication::setDesktopFileName(appId);
    if (const QIcon icon = QIcon::fromTheme(appId); !icon.isNull())
        QApplication::setWindowIcon(icon);
    DialogPrompts prompts;

    SingleInstance instance(state.AppTitle);
    if (!instance.TryAcquire()) {
        prompts.MsgBox(AlreadyRunningText(state.AppTitle), MsgButtons::OKOnly, MsgIcon::Critical,
                       QString::fromLatin1(AlreadyRunningTitle));
        return 1;
    }

    // Every data file, the lock and the printouts are named relative to the working folder.
    const QString dataFolder = ChosenDataFolder();
    if (const QString reason = EnterDataFolder(dataFolder); !reason.isEmpty()) {
        prompts.MsgBox(DataFolderRefusedText(state.AppTitle, dataFolder, reason), MsgButtons::OKOnly,
                       MsgIcon::Critical, QString::fromLatin1(DataFolderRefusedTitle));
        return 1;
    }

    // One writer per data folder, from any user or computer; nothing is written without it. A copy
    // that finds it held may read the folder instead, writing nothing.
    FileIo diskIo;
    ReadOnlyFileIo io(diskIo, false);
    DataFolderLock folderLock(QDir::currentPath());
    if (!TakeDataFolder(folderLock, io, state, prompts))
        return 1;
    // What a writer checks and settles once it holds the lock: a data file that is a link, or one
    // name of a file with several, would take the writes into a folder whose lock this copy does
    // not hold; a restore cut short is completed or undone before anything reads the files (a
    // folder that cannot be settled could hold files of two days).
    const auto settle = [&] {
        if (const QString reason = LinkedDataFileText(QString(), WrittenDataFileNames(state.DataFileName));
            !reason.isEmpty()) {
            prompts.MsgBox(DataFolderRefusedText(state.AppTitle, dataFolder, reason), MsgButtons::OKOnly,
                           MsgIcon::Critical, QString::fromLatin1(DataFolderRefusedTitle));
            return false;
        }
        return ReportFileError(prompts, FinishInterruptedRestore(io, QString()));
    };
    if (!state.ReadOnly && !settle())
        return 1;

    IniSettingsStore settings;
    SystemClock clock;
    PersonnelFile personnel(io, state.DataFileName, state.ScratchFileName);
    personnel.KeepHistory(clock);
    personnel.SetReadOnly(state.ReadOnly);
    state.PlatformCanFade = PlatformSupportsWindowOpacity();

    // Windows hand over to each other; the program ends only through ExitProgram.
    app.setQuitOnLastWindowClosed(false);
    // Printouts go to the default printer, or, without one, to PDF files beside the data files.
    const std::unique_ptr<Printer> printer =
        MakeSystemPrinter(prompts, QDir::current().filePath(QStringLiteral("Printouts")), state.AppTitle);
    ProgramWindows windows(state, settings, prompts, clock, io, personnel, *printer,
                           [](int code) { QCoreApplication::exit(code); });
    // Settled as at a writer's start; a folder that cannot be ends the program, as there.
    windows.SetTakeOver([&] {
        if (!folderLock.TryAcquire())
            return false;
        io.SetWritable(true);
        if (settle())
            return true;
        windows.ExitProgram();
        return false;
    });
    windows.ShowTitleWindow();
    return app.exec();
}
