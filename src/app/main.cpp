#include "clock.h"
#include "fade.h"
#include "personnelfile.h"
#include "programstate.h"
#include "programwindows.h"
#include "prompts.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "version.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ProgramState state;
    QApplication::setApplicationName(state.AppTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(ROSTERLY_VERSION_MAJOR)
                                            .arg(ROSTERLY_VERSION_MINOR)
                                            .arg(ROSTERLY_VERSION_REVISION));
    DialogPrompts prompts;

    SingleInstance instance(state.AppTitle);
    if (!instance.TryAcquire()) {
        prompts.MsgBox(AlreadyRunningText(state.AppTitle), MsgButtons::OKOnly, MsgIcon::Critical,
                       QString::fromLatin1(AlreadyRunningTitle));
        return 1;
    }

    IniSettingsStore settings;
    SystemClock clock;
    FileIo io;
    PersonnelFile personnel(io, state.DataFileName, state.ScratchFileName);
    state.PlatformCanFade = PlatformSupportsWindowOpacity();
    // Printing measures in inches from its own page set-up; nothing to prepare here yet.

    // Windows hand over to each other; the program ends only through ExitProgram.
    app.setQuitOnLastWindowClosed(false);
    ProgramWindows windows(state, settings, prompts, clock, io, personnel,
                           [](int code) { QCoreApplication::exit(code); });
    windows.ShowTitleWindow();
    return app.exec();
}
