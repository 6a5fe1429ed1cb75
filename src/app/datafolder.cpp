#include "app/datafolder.h"

#include "data/ansitext.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

QString ChosenDataFolder(const QProcessEnvironment& env) {
    const QString given = env.value(QStringLiteral("ROSTERLY_DATA_DIR"));
    if (!given.isEmpty())
        return QDir::cleanPath(QDir::current().absoluteFilePath(given));
    // The XDG rule: a relative XDG_DATA_HOME is ignored.
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/Rosterly"));
}

QString EnterDataFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (!QFileInfo(folder).isDir()) {
        // The parents are made with the usual rights; only the data folder itself is closed.
        const QString parent = QFileInfo(folder).absolutePath();
        if (!QDir().mkpath(parent))
            return QStringLiteral("The folder \"%1\" could not be made.").arg(parent);
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char('.');
    }
    if (!QDir::setCurrent(folder))
        return QStringLiteral("It is not a folder that can be opened.");
    return {};
}

QString DataFolderRefusedText(const QString& appTitle, const QString& folder, const QString& reason) {
    return appTitle + QStringLiteral(" cannot keep its data files in") + CrLf + folder + CrLf + CrLf + reason;
}
