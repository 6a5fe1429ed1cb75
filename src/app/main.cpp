#include "programstate.h"
#include "settingsstore.h"
#include "version.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ProgramState state;
    QApplication::setApplicationName(state.AppTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(ROSTERLY_VERSION_MAJOR)
                                            .arg(ROSTERLY_VERSION_MINOR)
                                            .arg(ROSTERLY_VERSION_REVISION));
    IniSettingsStore settings;
    // The access code exists from the first start, so the administrator can look it up.
    ProgramSettings::AccessCode(settings);
    QTextStream(stderr) << state.AppTitle << ' ' << QApplication::applicationVersion() << ": data folder "
                        << QDir::currentPath() << ", settings " << settings.FilePath(state.AppTitle) << '\n'
                        << "The windows are not part of this build yet.\n";
    return 0;
}
