#include "support/faultyfileio.h"

#include <cerrno>
#include <csignal>

bool FaultyFileIo::Hit(bool write) {
    if (m_halted)
        return true;
    ++m_calls;
    if (m_failAt > 0 && m_calls == m_failAt) {
        m_fired = true;
        m_halted = m_fault == Fault::Halt;
        if (m_fault == Fault::Kill && !write) // a write dies after half its bytes
            ::raise(SIGKILL);
        return true;
    }
    return false;
}

// What a write that fails after storing `half` of its bytes reports.
ssize_t FaultyFileIo::HalfWrite(ssize_t half) {
    if (m_fault == Fault::Kill)
        ::raise(SIGKILL);
    if (m_fault == Fault::ShortWrite)
        return half;
    errno = m_fault == Fault::DiskFull ? ENOSPC : EIO;
    return -1;
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
    const bool halted = m_halted; // stopped before: nothing reaches the file
    if (Hit(true)) {
        if (m_fault == Fault::Error || halted) {
            errno = EIO;
            return -1;
        }
        return HalfWrite(FileIo::WriteAt(fd, buffer, count / 2, offset));
    }
    return FileIo::WriteAt(fd, buffer, count, offset);
}

ssize_t FaultyFileIo::Append(int fd, const void* buffer, size_t count) {
    const bool halted = m_halted; // stopped before: nothing reaches the file
    if (Hit(true)) {
        if (m_fault == Fault::Error || halted) {
            errno = EIO;
            return -1;
        }
        return HalfWrite(FileIo::Append(fd, buffer, count / 2));
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

int FaultyFileIo::Link(const QString& existing, const QString& to) {
    if (Hit()) {
        errno = m_fault == Fault::DiskFull ? ENOSPC : EIO;
        return -1;
    }
    return FileIo::Link(existing, to);
}

int FaultyFileIo::Remove(const QString& path) {
    if (Hit()) {
        errno = EIO;
        return -1;
    }
    return FileIo::Remove(path);
}
