#include "support/faultyfileio.h"

#include <cerrno>

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
