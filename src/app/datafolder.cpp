#include "app/datafolder.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/folderlock.h"
#include "data/readonlyfolder.h"
#include "ui/prompts.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

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
    if (!QFileInfo(folder).isDir()) {
        // The parents it makes are closed too, as the XDG rules ask: a folder another user could
        // write to is one whose contents another user could swap.
        QString failed;
        if (const int error = MakeOwnerOnlyFolder(folder, &failed); error != 0)
            return QStringLiteral("The folder \"%1\" could not be made: %2.")
                .arg(failed, QString::fromLocal8Bit(std::strerror(error)));
    }
    if (!QDir::setCurrent(folder))
        return QStringLiteral("It is not a folder that can be opened.");
    return {};
}

QString DataFolderRefusedText(const QString& appTitle, const QString& folder, const QString& reason) {
    return appTitle + QStringLiteral(" cannot keep its data files in") + CrLf + folder + CrLf + CrLf + reason;
}

bool TakeDataFolder(DataFolderLock& lock, ReadOnlyFileIo& io, ProgramState& state, Prompts& prompts) {
    if (lock.TryAcquire())
        return true;
    if (!lock.Error().isEmpty()) {
        prompts.MsgBox(lock.Error(), MsgButtons::OKOnly, MsgIcon::Critical,
                       QString::fromLatin1(FolderInUseTitle));
        return false;
    }
    const int chosen =
        prompts.Choose(FolderInUseOfferText(state.AppTitle, QFileInfo(lock.LockPath()).path(), lock),
                       MsgIcon::Exclamation, QString::fromLatin1(FolderInUseTitle),
                       {QString::fromLatin1(OpenReadOnlyCaption), QString::fromLatin1(ExitCaption)}, 0, 1);
    if (chosen != 0)
        return false;
    io.SetWritable(false);
    state.ReadOnly = true;
    state.WriterName = LockHolderName(lock.HeldBy());
    return true;
}
