#include "data/folderlock.h"

#include "data/ansitext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString UserOf(uid_t uid) {
    if (const passwd* pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("user %1").arg(uid);
}

} // namespace

DataFolderLock::DataFolderLock(const QString& folder)
    : m_path(QDir(folder).absoluteFilePath(QString::fromLatin1(DataFolderLockName))) {}

DataFolderLock::~DataFolderLock() = default;

bool DataFolderLock::TryAcquire() {
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // never stale by age: only a dead owner on this computer frees it
    if (m_lock->tryLock(0)) {
        ::chmod(QFile::encodeName(m_path).constData(), 0600); // the owner's alone, like the data files
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        m_error = QStringLiteral("The lock file could not be made:") + CrLf + m_path;
        return false;
    }
    QString app;
    m_lock->getLockInfo(&m_holder.pid, &m_holder.host, &app);
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
        m_holder.user = UserOf(st.st_uid);
    m_holder.since = QFileInfo(m_path).lastModified();
    m_holder.otherComputer = !m_holder.host.isEmpty() && m_holder.host != QSysInfo::machineHostName();
    return false;
}

QString RealDataFilePath(const QString& path) {
    const QFileInfo file(QDir::current().absoluteFilePath(path));
    if (file.isSymLink())
        return file.canonicalFilePath();
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? file.absolutePath() : folder).filePath(file.fileName());
}

int MakeOwnerOnlyFolder(const QString& folder, QString* failed) {
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    // From the top down, so that a folder is made only inside one that is already closed.
    for (qsizetype slash = 0; slash >= 0;) {
        slash = path.indexOf(u'/', slash + 1);
        const QString step = slash < 0 ? path : path.left(slash);
        const QByteArray name = QFile::encodeName(step);
        if (::mkdir(name.constData(), 0700) == 0) {
            ::chmod(name.constData(), 0700); // a umask may take the owner's rights too
            continue;
        }
        int error = errno;
        struct stat st {};
        if (error == EEXIST) {
            if (::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode))
                continue;
            error = ENOTDIR;
        }
        if (failed)
            *failed = step;
        return error;
    }
    return 0;
}

QString FolderInUseText(const QString& appTitle, const QString& folder, const DataFolderLock& lock) {
    const DataFolderLock::Holder& h = lock.HeldBy();
    QString text =
        QStringLiteral("The data folder") + CrLf + QDir::toNativeSeparators(folder) + CrLf +
        QStringLiteral("is in use by ") + (h.user.isEmpty() ? QStringLiteral("another user") : h.user) +
        QStringLiteral(" on ") + (h.host.isEmpty() ? QStringLiteral("another computer") : h.host) +
        (h.since.isValid() ? QStringLiteral(" since ") + h.since.toString(QStringLiteral("MM/dd/yyyy hh:mm"))
                           : QString()) +
        QStringLiteral(".") + CrLf + CrLf + appTitle +
        QStringLiteral(" lets only one copy at a time work with these files.");
    if (h.otherComputer)
        text += CrLf + CrLf + QStringLiteral("If that computer is really switched off, delete the file") +
                CrLf + QDir::toNativeSeparators(lock.LockPath()) + CrLf + QStringLiteral("and start ") +
                appTitle + QStringLiteral(" again.");
    return text;
}
