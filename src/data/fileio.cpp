#include "fileio.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}
} // namespace

int FileIo::Open(const QString& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(Native(path).constData(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t FileIo::ReadAt(int fd, void* buffer, size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t FileIo::WriteAt(int fd, const void* buffer, size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

ssize_t FileIo::Append(int fd, const void* buffer, size_t count) {
    return ::write(fd, buffer, count);
}

int FileIo::Sync(int fd) {
    return ::fsync(fd);
}

int FileIo::Truncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}

off_t FileIo::Size(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    return st.st_size;
}

int FileIo::Close(int fd) {
    return ::close(fd);
}

int FileIo::Rename(const QString& from, const QString& to) {
    return ::rename(Native(from).constData(), Native(to).constData());
}

int FileIo::Remove(const QString& path) {
    return ::unlink(Native(path).constData());
}

int FileIo::SyncFolderOf(const QString& path) {
    QString folder = QFileInfo(path).path();
    if (folder.isEmpty())
        folder = QStringLiteral(".");
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int r = ::fsync(fd);
    ::close(fd);
    return r;
}

bool FileIo::Exists(const QString& path) {
    struct stat st {};
    return ::stat(Native(path).constData(), &st) == 0;
}

bool FaultyFileIo::Hit() {
    ++m_calls;
    if (m_failAt > 0 && m_calls == m_failAt) {
        m_fired = true;
        return true;
    }
    return false;
}

int FaultyFileIo::Open(const QString& path, int flags, mode_t mode) {
    if (Hit()) {
        errno = m_fault == Fault::DiskFull ? ENOSPC : EIO;
        return -1;
    }
    return FileIo::Open(path, flags, mode);
}

ssize_t FaultyFileIo::ReadAt(int fd, void* buffer, size_t count, off_t offset) {
    if (Hit()) {
        errno = EIO;
        return -1;
    }
    return FileIo::ReadAt(fd, buffer, count, offset);
}

ssize_t FaultyFileIo::WriteAt(int fd, const void* buffer, size_t count, off_t offset) {
    if (Hit()) {
        if (m_fault == Fault::Error) {
            errno = EIO;
            return -1;
        }
        const ssize_t half = FileIo::WriteAt(fd, buffer, count / 2, offset);
        if (m_fault == Fault::ShortWrite)
            return half;
        errno = ENOSPC;
        return -1;
    }
    return FileIo::WriteAt(fd, buffer, count, offset);
}

ssize_t FaultyFileIo::Append(int fd, const void* buffer, size_t count) {
    if (Hit()) {
        if (m_fault == Fault::Error) {
            errno = EIO;
            return -1;
        }
        const ssize_t half = FileIo::Append(fd, buffer, count / 2);
        if (m_fault == Fault::ShortWrite)
            return half;
        errno = ENOSPC;
        return -1;
    }
    return FileIo::Append(fd, buffer, count);
}

int FaultyFileIo::Sync(int fd) {
    if (Hit()) {
        errno = m_fault == Fault::DiskFull ? ENOSPC : EIO;
        return -1;
    }
    return FileIo::Sync(fd);
}

int FaultyFileIo::Truncate(int fd, off_t length) {
    if (Hit()) {
        errno = EIO;
        return -1;
    }
    return FileIo::Truncate(fd, length);
}

int FaultyFileIo::Rename(const QString& from, const QString& to) {
    if (Hit()) {
        errno = m_fault == Fault::DiskFull ? ENOSPC : EIO;
        return -1;
    }
    return FileIo::Rename(from, to);
}

int FaultyFileIo::Remove(const QString& path) {
    if (Hit()) {
        errno = EIO;
        return -1;
    }
    return FileIo::Remove(path);
}

IoStatus IoStatus::Failure(const QString& action, const QString& fileName, int errorNumber) {
    IoStatus s;
    s.m_errno = errorNumber;
    s.m_message = QStringLiteral("Could not %1 the file \"%2\".\r\n%3.")
                      .arg(action, fileName, QString::fromLocal8Bit(std::strerror(errorNumber)));
    return s;
}
