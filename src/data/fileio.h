#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/types.h>

// The file-system calls of the data files, behind one interface so that tests can make any one
// of them fail. The calls mirror POSIX: -1 (or a short count) and errno on failure.
class FileIo {
public:
    virtual ~FileIo() = default;

    virtual int Open(const QString& path, int flags, mode_t mode);
    virtual ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset);
    virtual ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t offset);
    virtual ssize_t Append(int fd, const void* buffer, size_t count); // fd opened with O_APPEND
    virtual int Sync(int fd);
    virtual int Truncate(int fd, off_t length);
    virtual off_t Size(int fd);
    virtual int Close(int fd);
    virtual int Rename(const QString& from, const QString& to);
    virtual int Link(const QString& existing, const QString& to); // a second name; fails on an existing one
    virtual int Remove(const QString& path);
    virtual int SyncFolderOf(const QString& path);
    virtual bool Exists(const QString& path);
    // The first `size` bytes of the open file `fd` mapped for reading, or null (errno set); a
    // large file is searched faster mapped than read.
    virtual const char* Map(int fd, qint64 size);
    virtual void Unmap(const char* at, qint64 size);
};

// Outcome of a data-file operation. A failure carries a message that a window can show as it
// stands, naming the file and the system's reason.
class IoStatus {
public:
    IoStatus() = default;
    static IoStatus Failure(const QString& action, const QString& fileName, int errorNumber);
    // A failure whose reason is the program's own finding, not the system's: `reason` is a
    // sentence without its full stop.
    static IoStatus Refusal(const QString& action, const QString& fileName, const QString& reason);

    bool Ok() const { return m_message.isEmpty(); }
    explicit operator bool() const { return Ok(); }
    const QString& Message() const { return m_message; }
    int ErrorNumber() const { return m_errno; }

private:
    QString m_message;
    int m_errno = 0;
};

// Opens the file `fileName` to read (O_RDONLY | O_CLOEXEC, and `flags`): `*fd` is -1, and nothing
// failed, when there is no such file.
IoStatus OpenToRead(FileIo& io, const QString& fileName, int* fd, int flags = 0);

// Reads the open file `fd` (named `fileName` in a failure) from its start into `bytes`: up to
// `limit` bytes, fewer where the file ends first. A small file such as a journal; `fd` stays open.
IoStatus ReadUpTo(FileIo& io, int fd, const QString& fileName, qsizetype limit, QByteArray& bytes);

// Writes all `count` bytes at `offset` of the open file `fd` (named `name` in a failure), or
// reads all of them; a short count goes on from where it stopped. Running out of room is ENOSPC,
// a file that ends first EIO.
IoStatus WriteFullyAt(FileIo& io, int fd, const char* data, qint64 count, qint64 offset, const QString& name);
IoStatus ReadFullyAt(FileIo& io, int fd, char* data, qint64 count, qint64 offset, const QString& name);

// Appends `bytes` to the text file `fileName` (made owner-only when missing) and flushes them:
// all of them or, on a failure, none (the file is cut back to its old length), so that a reader
// never meets half a line. A line another copy appended after them in the meantime is never cut
// off: then what was written of them stays.
IoStatus AppendWhole(FileIo& io, const QString& fileName, const QByteArray& bytes);
// The same for bytes too many to hold at once: `next` fills its block with the following part
// each time it is called (a failure of its own stops the append as any other), until it leaves
// the block empty.
IoStatus AppendInBlocks(FileIo& io, const QString& fileName,
                        const std::function<IoStatus(QByteArray& block)>& next);
