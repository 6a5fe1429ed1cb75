#include "data/folderlock.h"

#include "data/ansitext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Beside the lock while it is made; the name's tail is random.
const QString MakingPrefix = QStringLiteral(".") + QString::fromLatin1(DataFolderLockName) + u'.';
// How long a lock that says nothing must stay as it is before it counts as left behind: longer
// than any copy takes to write the few lines it makes it with, over a network too.
constexpr std::chrono::milliseconds SilentLockWait{1000};
constexpr int Attempts = 5;
constexpr qsizetype MaxLockBytes = 4096;

QString UserOf(uid_t uid) {
    if (const passwd* pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("user %1").arg(uid);
}

// The name of the program process `pid` runs, as QLockFile writes and compares it; empty when it
// cannot be told (no /proc, or another user's process).
QString ProcessName(qint64 pid) {
    QByteArray target(4096, Qt::Uninitialized);
    const QByteArray exe = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t got = ::readlink(exe.constData(), target.data(), std::size_t(target.size()));
    if (got <= 0)
        return {};
    target.resize(got);
    if (target.endsWith(" (deleted)")) // replaced on disk while it runs
        target.chop(10);
    return QFileInfo(QFile::decodeName(target)).fileName();
}

QDateTime ModifiedAt(const struct stat& st) {
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool LStat(const QString& path, struct stat* st) {
    return ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

// What a lock file says.
struct LockDetails {
    qint64 pid = 0;
    QString program;
    QString host;
    QByteArray machineId;
    QByteArray bootId;
    QString user;
    QDateTime since;
};

// This computer's lock, as the file says it. The machine id decides when both have one (two
// computers may share a name), else the name.
bool OfThisComputer(const LockDetails& d) {
    const QByteArray ours = QSysInfo::machineUniqueId();
    if (!d.machineId.isEmpty() && !ours.isEmpty())
        return d.machineId == ours;
    return d.host.isEmpty() || d.host == QSysInfo::machineHostName();
}

// Whether the process a lock of this computer names still runs: not when the computer was started
// since, nor when its process id is gone or now runs another program.
bool StillRunning(const LockDetails& d) {
    const QByteArray boot = QSysInfo::bootUniqueId();
    if (!d.bootId.isEmpty() && !boot.isEmpty() && d.bootId != boot)
        return false;
    if (d.pid > std::numeric_limits<pid_t>::max() || (::kill(pid_t(d.pid), 0) != 0 && errno == ESRCH))
        return false;
    const QString name = ProcessName(d.pid);
    return name.isEmpty() || name == QFileInfo(d.program).fileName();
}

QByteArray LockBytes() {
    const QDateTime now = QDateTime::currentDateTime();
    const auto line = [](const QByteArray& item) {
        return item + '\n';
    };
    return line(QByteArray::number(::getpid())) + line(ProcessName(::getpid()).toUtf8()) +
           line(QSysInfo::machineHostName().toUtf8()) + line(QSysInfo::machineUniqueId()) +
           line(QSysInfo::bootUniqueId()) + line(UserOf(::geteuid()).toUtf8()) +
           line(now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toUtf8());
}

// What the lock file's `bytes` say; nothing when they name no process (empty, cut short or not
// a lock).
std::optional<LockDetails> ReadLockDetails(const QByteArray& bytes) {
    // Only whole lines count: a lock cut short in its computer's name would name another computer.
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    if (lines.size() < 3)
        return std::nullopt;
    LockDetails d;
    bool ok = false;
    d.pid = lines[0].toLongLong(&ok);
    if (!ok || d.pid <= 0)
        return std::nullopt;
    d.program = QString::fromUtf8(lines[1]);
    d.host = QString::fromUtf8(lines[2]);
    const auto item = [&](qsizetype n) {
        return n < lines.size() ? lines[n] : QByteArray();
    };
    d.machineId = item(3);
    d.bootId = item(4);
    d.user = QString::fromUtf8(item(5));
    d.since = QDateTime::fromString(QString::fromUtf8(item(6)), Qt::ISODate).toLocalTime();
    return d;
}

} // namespace

DataFolderLock::DataFolderLock(const QString& folder)
    : m_ownIo(std::make_unique<FileIo>()), m_io(*m_ownIo), m_folder(QDir(folder).absolutePath()),
      m_path(QDir(folder).absoluteFilePath(QString::fromLatin1(DataFolderLockName))) {}

DataFolderLock::DataFolderLock(const QString& folder, FileIo& io)
    : m_io(io), m_folder(QDir(folder).absolutePath()),
      m_path(QDir(folder).absoluteFilePath(QString::fromLatin1(DataFolderLockName))) {}

bool DataFolderLock::LeftBehind(const QString& folder) {
    QFile lock(QDir(folder).absoluteFilePath(QString::fromLatin1(DataFolderLockName)));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    const std::optional<LockDetails> details = ReadLockDetails(lock.read(MaxLockBytes));
    return details && OfThisComputer(*details) && !StillRunning(*details);
}

DataFolderLock::~DataFolderLock() {
    if (m_fd < 0)
        return;
    // Removed while still held open, so that no one takes it for left behind meanwhile.
    struct stat mine {};
    struct stat now {};
    if (::fstat(m_fd, &mine) == 0 && LStat(m_path, &now) && SameFile(mine, now))
        m_io.Remove(m_path);
    m_io.Close(m_fd);
}

QString DataFolderLock::Failure(int error) const {
    return QStringLiteral("The lock file could not be made:") + CrLf + m_path + CrLf +
           QString::fromLocal8Bit(std::strerror(error)) + u'.';
}

bool DataFolderLock::TryAcquire() {
    m_holder = {};
    m_error.clear();
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        switch (MakeWhole()) {
        case Made::Taken:
            RemoveLeftovers();
            return true;
        case Made::Failed:
            return false;
        case Made::Exists:
            break;
        }
        switch (LookAtLock()) {
        case Found::Held:
        case Found::Failed:
            return false;
        case Found::Gone:
            break;
        }
    }
    // The lock was never there to be read, or came and went each time.
    m_error = Failure(m_linkError);
    return false;
}

// The lock, made beside its name and linked to it, so that it appears written and owner-only or
// not at all.
DataFolderLock::Made DataFolderLock::MakeWhole() {
    const QByteArray details = LockBytes();
    const QString making =
        m_folder + u'/' + MakingPrefix + QString::number(QRandomGenerator::system()->generate64(), 16);
    const int fd = m_io.Open(making, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = Failure(errno);
        return Made::Failed;
    }
    ::fchmod(fd, 0600); // whatever the umask
    IoStatus written = WriteFullyAt(m_io, fd, details.constData(), details.size(), 0, making);
    if (written && m_io.Sync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != ENOSYS)
        written = IoStatus::Failure(QStringLiteral("write"), making, errno);
    if (!written) {
        m_error = Failure(written.ErrorNumber());
        m_io.Close(fd);
        m_io.Remove(making);
        return Made::Failed;
    }
    ::flock(fd, LOCK_EX | LOCK_NB); // a file of its own: no one else has it open
    const int linked = m_io.Link(making, m_path);
    const int error = errno;
    // Over NFS a link that was made may still report a failure: then the file has two names.
    struct stat st {};
    const bool ours = linked == 0 || (::fstat(fd, &st) == 0 && st.st_nlink == 2);
    m_io.Remove(making);
    if (ours) {
        m_fd = fd;
        return Made::Taken;
    }
    m_io.Close(fd);
    if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP)
        return MakeInPlace(details); // a file system without hard links
    m_linkError = error;
    return Made::Exists;
}

// Where files have one name only, the lock is made under its name and written after; a copy killed
// in between leaves it empty, which counts as left behind.
DataFolderLock::Made DataFolderLock::MakeInPlace(const QByteArray& details) {
    const int fd = m_io.Open(m_path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) {
            m_linkError = EEXIST;
            return Made::Exists;
        }
        m_error = Failure(errno);
        return Made::Failed;
    }
    ::fchmod(fd, 0600);
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (IoStatus s = WriteFullyAt(m_io, fd, details.constData(), details.size(), 0, m_path); !s) {
        m_error = Failure(s.ErrorNumber());
        m_io.Remove(m_path);
        m_io.Close(fd);
        return Made::Failed;
    }
    m_io.Sync(fd);
    m_fd = fd;
    return Made::Taken;
}

// Reads the lock in the way and tells whether it is held (m_holder says by whom), or was left
// behind and has been removed, or is gone already.
DataFolderLock::Found DataFolderLock::LookAtLock() {
    m_holder = {};
    // Open for writing too where it may be: over NFS only a file open for writing can be flock()ed.
    int fd = m_io.Open(m_path, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = m_io.Open(m_path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    struct stat st {};
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return Found::Gone;
        if (error == EACCES && LStat(m_path, &st)) {
            // Another user's lock that only they may read: theirs while it is there.
            m_holder.user = UserOf(st.st_uid);
            m_holder.since = ModifiedAt(st);
            return Found::Held;
        }
        m_error = Failure(error);
        return Found::Failed;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = Failure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        m_io.Close(fd);
        return Found::Failed;
    }
    m_holder.user = UserOf(st.st_uid);
    m_holder.since = ModifiedAt(st);
    // A copy that holds the lock keeps it flock()ed, whatever the file says; while this one holds
    // the flock, no other copy removes the file either.
    const bool openElsewhere = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    QByteArray bytes;
    ReadUpTo(m_io, fd, m_path, MaxLockBytes, bytes); // a lock that cannot be read says nothing
    const std::optional<LockDetails> details = ReadLockDetails(bytes);
    bool stale = false;
    if (details) {
        m_holder.pid = details->pid;
        m_holder.program = details->program;
        m_holder.host = details->host;
        if (!details->user.isEmpty())
            m_holder.user = details->user;
        if (details->since.isValid())
            m_holder.since = details->since;
        m_holder.otherComputer = !OfThisComputer(*details);
        stale = !openElsewhere && !m_holder.otherComputer && !StillRunning(*details);
    } else if (openElsewhere) {
        m_holder.host = QSysInfo::machineHostName(); // a copy of this computer is writing it
    } else {
        std::this_thread::sleep_for(SilentLockWait);
        struct stat later {};
        stale = LStat(m_path, &later) && SameFile(st, later) && later.st_size == st.st_size &&
                later.st_mtim.tv_sec == st.st_mtim.tv_sec && later.st_mtim.tv_nsec == st.st_mtim.tv_nsec;
    }
    if (!stale) {
        m_io.Close(fd);
        return Found::Held;
    }
    // Still under the lock's name (no one else removes it while this flock is held)?
    struct stat now {};
    if (LStat(m_path, &now) && SameFile(st, now) && m_io.Remove(m_path) != 0 && errno != ENOENT) {
        m_error = Failure(errno);
        m_io.Close(fd);
        return Found::Failed;
    }
    m_io.Close(fd);
    return Found::Gone;
}

// What copies killed while making the lock left beside it: once the lock is ours, any such file is
// left over, since no one else can link theirs now.
void DataFolderLock::RemoveLeftovers() {
    const QStringList left = QDir(m_folder).entryList({MakingPrefix + u'*'}, QDir::Files | QDir::Hidden);
    for (const QString& name : left)
        m_io.Remove(m_folder + u'/' + name);
}

QString RealDataFilePath(const QString& path) {
    const QFileInfo file(QDir::current().absoluteFilePath(path));
    if (file.isSymLink())
        return file.canonicalFilePath();
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? file.absolutePath() : folder).filePath(file.fileName());
}

QStringList WrittenDataFileNames(const QString& personnelFile) {
    return QStringList{personnelFile,         UserListFileName,       UserLogFileName,
                       HistoryFileName,       HistoryIndexFileName,   HistoryJournalFileName,
                       HistoryLinesFileName,  AppendJournalFileName,  RestoreJournalFileName,
                       ScratchFileName,       SensitiveRuleFileName};
}

QString LinkedDataFileText(const QString& folder, const QStringList& names) {
    for (const QString& name : names) {
        const QString path = QDir(folder).filePath(name);
        struct stat st {};
        if (!LStat(path, &st))
            continue;
        if (S_ISLNK(st.st_mode))
            return QStringLiteral("\"%1\" there is a link to \"%2\". Keep the file itself in the data "
                                  "folder; only the folder may be a link.")
                .arg(name, QFileInfo(path).symLinkTarget());
        if (S_ISREG(st.st_mode) && st.st_nlink > 1)
            return QStringLiteral("\"%1\" there is a hard link: the same file has %2 names, and writing "
                                  "to it would change the file under its other names too, past the lock "
                                  "of any other folder that holds one. Make it a file of its own: copy "
                                  "it, delete \"%1\" and give the copy its name.")
                .arg(name)
                .arg(st.st_nlink);
    }
    return {};
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

namespace {
// "The data folder <folder> is in use by <who> since <when>."
QString InUseBy(const QString& folder, const DataFolderLock::Holder& h) {
    return QStringLiteral("The data folder") + CrLf + QDir::toNativeSeparators(folder) + CrLf +
           QStringLiteral("is in use by ") + LockHolderName(h) +
           (h.since.isValid()
                ? QStringLiteral(" since ") + h.since.toString(QStringLiteral("MM/dd/yyyy hh:mm"))
                : QString()) +
           QStringLiteral(".");
}
} // namespace

QString LockHolderName(const DataFolderLock::Holder& h) {
    return (h.user.isEmpty() ? QStringLiteral("another user") : h.user) + QStringLiteral(" on ") +
           (h.host.isEmpty() ? QStringLiteral("another computer") : h.host);
}

QString FolderInUseText(const QString& appTitle, const QString& folder, const DataFolderLock& lock) {
    const DataFolderLock::Holder& h = lock.HeldBy();
    QString text = InUseBy(folder, h) + CrLf + CrLf + appTitle +
                   QStringLiteral(" lets only one copy at a time work with these files.") + CrLf + CrLf;
    text += h.otherComputer
                ? QStringLiteral("If that computer is really switched off, delete the file")
                : QStringLiteral("Only if no copy of ") + appTitle +
                      QStringLiteral(" on any computer is working with this folder, delete the file");
    return text + CrLf + QDir::toNativeSeparators(lock.LockPath()) + CrLf + QStringLiteral("and start ") +
           appTitle + QStringLiteral(" again.");
}

QString FolderInUseOfferText(const QString& appTitle, const QString& folder, const DataFolderLock& lock) {
    const DataFolderLock::Holder& h = lock.HeldBy();
    return InUseBy(folder, h) + CrLf + CrLf + appTitle +
           QStringLiteral(" lets only one copy at a time change these files. This copy can open them "
                          "read-only: the lists, records, printouts and history follow the other "
                          "copy's changes, and nothing can be changed here.") +
           CrLf + CrLf +
           (h.otherComputer
                ? QStringLiteral("If that computer is really switched off, choose Exit, delete the file")
                : QStringLiteral("Only if no copy of ") + appTitle +
                      QStringLiteral(" on any computer is working with this folder, choose "
                                     "Exit, delete the file")) +
           CrLf + QDir::toNativeSeparators(lock.LockPath()) + CrLf + QStringLiteral("and start ") + appTitle +
           QStringLiteral(" again.");
}
