#include "data/fileio.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
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

int FileIo::Link(const QString& existing, const QString& to) {
    return ::link(Native(existing).constData(), Native(to).constData());
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

const char* FileIo::Map(int fd, qint64 size) {
    // Mapped whole at once: its caller reads every page, which costs more a fault at a time.
    void* at = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    return at == MAP_FAILED ? nullptr : static_cast<const char*>(at);
}

void FileIo::Unmap(const char* at, qint64 size) {
    ::munmap(const_cast<char*>(at), size_t(size));
}

IoStatus IoStatus::Failure(const QString& action, const QString& fileName, int errorNumber) {
    IoStatus s;
    s.m_errno = errorNumber;
    s.m_message = QStringLiteral("Could not %1 the file \"%2\".\r\n%3.")
                      .arg(action, fileName, QString::fromLocal8Bit(std::strerror(errorNumber)));
    return s;
}

IoStatus IoStatus::Refusal(const QString& action, const QString& fileName, const QString& reason) {
    IoStatus s;
    s.m_errno = EINVAL;
    s.m_message = QStringLiteral("Could not %1 the file \"%2\".\r\n%3.").arg(action, fileName, reason);
    return s;
}

IoStatus OpenToRead(FileIo& io, const QString& fileName, int* fd, int flags) {
    *fd = -1;
    if (!io.Exists(fileName))
        return {};
    *fd = io.Open(fileName, O_RDONLY | O_CLOEXEC | flags, 0);
    return *fd < 0 ? IoStatus::Failure(QStringLiteral("open"), fileName, errno) : IoStatus();
}

IoStatus ReadUpTo(FileIo& io, int fd, const QString& fileName, qsizetype limit, QByteArray& bytes) {
    bytes.resize(limit);
    qsizetype got = 0;
    while (got < limit) {
        const ssize_t r = io.ReadAt(fd, bytes.data() + got, size_t(limit - got), off_t(got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            const int err = errno;
            bytes.clear();
            return IoStatus::Failure(QStringLiteral("read"), fileName, err);
        }
        if (r == 0)
            break;
        got += r;
    }
    bytes.resize(got);
    return {};
}

namespace {
// Moves all `count` bytes at `offset` through `step` (a read or a write at an offset), going on
// after an interrupted call; a call that moves nothing fails as `whenShort`.
template <typename Step>
IoStatus AllAt(Step step, qint64 count, qint64 offset, const QString& op, const QString& name, int whenShort) {
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = step(done, size_t(count - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return IoStatus::Failure(op, name, n < 0 ? errno : whenShort);
        done += n;
    }
    return {};
}
} // namespace

IoStatus WriteFullyAt(FileIo& io, int fd, const char* data, qint64 count, qint64 offset,
                      const QString& name) {
    return AllAt([&](qint64 done, size_t n, off_t at) { return io.WriteAt(fd, data + done, n, at); }, count,
                 offset, QStringLiteral("write"), name, ENOSPC);
}

IoStatus ReadFullyAt(FileIo& io, int fd, char* data, qint64 count, qint64 offset, const QString& name) {
    return AllAt([&](qint64 done, size_t n, off_t at) { return io.ReadAt(fd, data + done, n, at); }, count,
                 offset, QStringLiteral("read"), name, EIO);
}

IoStatus AppendWhole(FileIo& io, const QString& fileName, const QByteArray& bytes) {
    bool given = false;
    return AppendInBlocks(io, fileName, [&](QByteArray& block) {
        if (!given)
            block = bytes;
        given = true;
        return IoStatus();
    });
}

namespace {

// Whether the file of `size` bytes ends, from `at`, with the first of `block`'s bytes, all of
// them or the part a failed write may have stored.
bool EndsWith(FileIo& io, const QString& fileName, off_t size, off_t at, const QByteArray& block) {
    if (size < at || size - at > block.size())
        return false;
    const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    QByteArray tail(size - at, Qt::Uninitialized);
    const bool read = ReadFullyAt(io, fd, tail.data(), tail.size(), at, fileName).Ok();
    io.Close(fd);
    return read && block.startsWith(tail);
}

} // namespace

IoStatus AppendInBlocks(FileIo& io, const QString& fileName,
                        const std::function<IoStatus(QByteArray& block)>& next) {
    const bool existed = io.Exists(fileName);
    const int fd = io.Open(fileName, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    if (!existed)
        ::fchmod(fd, 0600);
    const off_t before = io.Size(fd);
    off_t written = 0, blockAt = 0; // blockAt: where the last block given begins, from `before`
    IoStatus result;
    QByteArray bytes, block;
    for (;;) {
        bytes.clear();
        result = next(bytes);
        if (!result || bytes.isEmpty())
            break;
        block = bytes;
        blockAt = written;
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t w = io.Append(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                result = IoStatus::Failure(QStringLiteral("write"), fileName, w < 0 ? errno : ENOSPC);
                break;
            }
            done += w;
            written += w;
        }
        if (!result)
            break;
    }
    if (result && io.Sync(fd) != 0)
        result = IoStatus::Failure(QStringLiteral("write"), fileName, errno);
    // No half line left behind; but only where the file still ends with this append: a line
    // another copy appended since (a read-only copy's sign-in) is never cut off with it.
    if (!result && before >= 0 && EndsWith(io, fileName, io.Size(fd), before + blockAt, block))
        io.Truncate(fd, before);
    io.Close(fd);
    return result;
}
