#include "data/readonlyfolder.h"

#include "data/datafilenames.h"
#include "data/folderlock.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

int ReadOnlyFileIo::Refused() {
    errno = EROFS;
    return -1;
}

int ReadOnlyFileIo::Open(const QString& path, int flags, mode_t mode) {
    if (!m_readOnly)
        return m_io.Open(path, flags, mode);
    const int access = flags & O_ACCMODE;
    if (access == O_RDONLY && !(flags & (O_CREAT | O_TRUNC)))
        return m_io.Open(path, flags, mode);
    if ((flags & O_APPEND) && !(flags & O_TRUNC)) {
        const int fd = m_io.Open(path, flags, mode);
        if (fd >= 0)
            m_appendOnce.insert(fd);
        return fd;
    }
    if (access == O_RDWR && !(flags & (O_TRUNC | O_EXCL))) {
        // A record file opened to read and perhaps write: read only, and never made.
        const int fd = m_io.Open(path, (flags & ~(O_ACCMODE | O_CREAT)) | O_RDONLY, 0);
        // One the writer has not made yet reads as the empty file it would make.
        if (fd < 0 && errno == ENOENT && (flags & O_CREAT))
            return m_io.Open(QStringLiteral("/dev/null"), O_RDONLY | O_CLOEXEC, 0);
        return fd;
    }
    return Refused();
}

ssize_t ReadOnlyFileIo::ReadAt(int fd, void* buffer, size_t count, off_t offset) {
    return m_io.ReadAt(fd, buffer, count, offset);
}

ssize_t ReadOnlyFileIo::WriteAt(int fd, const void* buffer, size_t count, off_t offset) {
    return m_readOnly ? Refused() : m_io.WriteAt(fd, buffer, count, offset);
}

ssize_t ReadOnlyFileIo::Append(int fd, const void* buffer, size_t count) {
    if (!m_readOnly)
        return m_io.Append(fd, buffer, count);
    if (!m_appendOnce.remove(fd)) // a second write could land between the writer's lines
        return m_appended.contains(fd) ? ssize_t(Refused()) : m_io.Append(fd, buffer, count);
    m_appended.insert(fd);
    return m_io.Append(fd, buffer, count);
}

int ReadOnlyFileIo::Sync(int fd) {
    return m_io.Sync(fd);
}

int ReadOnlyFileIo::Truncate(int fd, off_t length) {
    return m_readOnly ? Refused() : m_io.Truncate(fd, length);
}

off_t ReadOnlyFileIo::Size(int fd) {
    return m_io.Size(fd);
}

int ReadOnlyFileIo::Close(int fd) {
    m_appendOnce.remove(fd);
    m_appended.remove(fd);
    return m_io.Close(fd);
}

int ReadOnlyFileIo::Rename(const QString& from, const QString& to) {
    return m_readOnly ? Refused() : m_io.Rename(from, to);
}

int ReadOnlyFileIo::Link(const QString& existing, const QString& to) {
    return m_readOnly ? Refused() : m_io.Link(existing, to);
}

int ReadOnlyFileIo::Remove(const QString& path) {
    return m_readOnly ? Refused() : m_io.Remove(path);
}

int ReadOnlyFileIo::SyncFolderOf(const QString& path) {
    return m_readOnly ? 0 : m_io.SyncFolderOf(path);
}

bool ReadOnlyFileIo::Exists(const QString& path) {
    return m_io.Exists(path);
}

const char* ReadOnlyFileIo::Map(int fd, qint64 size) {
    return m_io.Map(fd, size);
}

void ReadOnlyFileIo::Unmap(const char* at, qint64 size) {
    m_io.Unmap(at, size);
}

QStringList ChangeUnderWayFileNames() {
    return {AppendJournalFileName, WriteJournalFileName, HistoryJournalFileName, ScratchFileName,
            RestoreJournalFileName};
}

FolderStamp StampDataFolder(const QString& folder) {
    FolderStamp stamp;
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    struct stat st {};
    for (const QString& name : {PersonnelFileName, HistoryFileName, SensitiveRuleFileName}) {
        if (::stat(QFile::encodeName(dir.filePath(name)).constData(), &st) != 0) {
            stamp.items << -1 << -1 << -1 << -1;
            continue;
        }
        stamp.items << qint64(st.st_ino) << qint64(st.st_size) << qint64(st.st_mtim.tv_sec)
                    << qint64(st.st_mtim.tv_nsec);
    }
    for (const QString& name : ChangeUnderWayFileNames())
        stamp.changing =
            stamp.changing || ::lstat(QFile::encodeName(dir.filePath(name)).constData(), &st) == 0;
    return stamp;
}

DataFolderWatch::DataFolderWatch(const QString& folder, std::function<bool()> changed,
                                 std::function<bool()> lockFreed, int pollMs, QObject* parent)
    : QObject(parent), m_folder(QDir(folder).absolutePath()), m_changed(std::move(changed)),
      m_lockFreed(std::move(lockFreed)), m_stamp(StampDataFolder(m_folder)),
      m_watcher(new QFileSystemWatcher(this)), m_poll(new QTimer(this)) {
    m_lockSeen = Locked();
    m_watcher->addPath(m_folder);
    const QString data = QDir(m_folder).filePath(PersonnelFileName);
    if (QFile::exists(data))
        m_watcher->addPath(data);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &DataFolderWatch::Look);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this, data](const QString&) {
        if (!m_watcher->files().contains(data) && QFile::exists(data))
            m_watcher->addPath(data); // replaced by a rename: watch the new file
        Look();
    });
    connect(m_poll, &QTimer::timeout, this, &DataFolderWatch::Look);
    m_poll->start(pollMs);
}

bool DataFolderWatch::Locked() const {
    // A writer that stopped without giving its lock up has left the folder as one that quit.
    return QFile::exists(QDir(m_folder).filePath(QString::fromLatin1(DataFolderLockName))) &&
           !DataFolderLock::LeftBehind(m_folder);
}

bool DataFolderWatch::Watching() const {
    return m_watcher->directories().contains(m_folder);
}

void DataFolderWatch::Look() {
    const QString data = QDir(m_folder).filePath(PersonnelFileName);
    if (!m_watcher->files().contains(data) && QFile::exists(data))
        m_watcher->addPath(data);
    const bool locked = Locked();
    const FolderStamp now = StampDataFolder(m_folder);
    if (!now.changing && now != m_stamp && m_changed())
        m_stamp = now;
    if (m_lockSeen && !locked)
        m_lockSeen = !m_lockFreed();
    else if (locked)
        m_lockSeen = true;
}
