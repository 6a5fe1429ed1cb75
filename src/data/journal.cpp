#include "data/journal.h"

#include "data/restorejournal.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
constexpr mode_t OwnerOnly = 0600;
// The buffer a WholeFileWriter fills before it writes; larger pieces are written as they come.
constexpr qsizetype WriteBlock = 1 << 20;

IoStatus Failed(const char* action, const QString& name, int err) {
    return IoStatus::Failure(QString::fromLatin1(action), name, err);
}
} // namespace

IoStatus WriteJournalFile(FileIo& io, const QString& name, QByteArrayView bytes, JournalCreate how) {
    const int made = how == JournalCreate::Exclusive ? O_EXCL : O_TRUNC;
    const int fd = io.Open(name, O_WRONLY | O_CREAT | made | O_NOFOLLOW | O_CLOEXEC, OwnerOnly);
    if (fd < 0)
        return Failed("create", name, errno);
    ::fchmod(fd, OwnerOnly); // whatever the umask
    IoStatus s = WriteFullyAt(io, fd, bytes.data(), bytes.size(), 0, name);
    if (s && io.Sync(fd) != 0)
        s = Failed("write", name, errno);
    if (io.Close(fd) != 0 && s)
        s = Failed("write", name, errno);
    // The journal's name must be on the disk before the first byte of the change is.
    if (s && io.SyncFolderOf(name) != 0)
        s = Failed("write", name, errno);
    if (!s)
        io.Remove(name);
    return s;
}

IoStatus ReadJournalFile(FileIo& io, const QString& name, qint64 limit, QByteArray* bytes, bool* found) {
    bytes->clear();
    *found = false;
    int fd = -1;
    if (IoStatus opened = OpenToRead(io, name, &fd, O_NOFOLLOW); !opened || fd < 0)
        return opened;
    *found = true;
    // Read to its end (a read past it finding nothing), whatever it held when it was measured.
    const off_t size = io.Size(fd);
    const IoStatus read = size < 0 ? Failed("read", name, errno)
                                   : ReadUpTo(io, fd, name, qsizetype(std::min<qint64>(size + 1, limit)), *bytes);
    io.Close(fd);
    return read;
}

bool RemoveJournalFile(FileIo& io, const QString& name) {
    if (io.Remove(name) != 0 && errno != ENOENT) // one already gone has done its work
        return false;
    io.SyncFolderOf(name);
    return true;
}

WholeFileWriter::WholeFileWriter(FileIo& io, QString path, QString scratch, QString renameAction)
    : m_io(io), m_path(std::move(path)), m_scratch(std::move(scratch)), m_renameAction(std::move(renameAction)) {}

WholeFileWriter::~WholeFileWriter() {
    if (m_fd >= 0) {
        m_io.Close(m_fd);
        m_io.Remove(m_scratch);
    }
}

bool WholeFileWriter::Opened() {
    if (m_fd >= 0 || !m_status)
        return m_status.Ok();
    if (m_scratch.isEmpty()) {
        // A name of its own in the target's folder, so that the rename cannot cross file systems
        // and no other file is ever opened in its place.
        const QFileInfo target(m_path);
        m_scratch = target.dir().filePath(
            QStringLiteral(".%1.%2.partial")
                .arg(target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    } else if (m_io.Exists(m_scratch)) {
        m_io.Remove(m_scratch); // left by a write cut short
    }
    m_fd = m_io.Open(m_scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, OwnerOnly);
    if (m_fd < 0) {
        m_status = Failed("create", m_path, errno);
        return false;
    }
    ::fchmod(m_fd, OwnerOnly); // whatever the umask
    return true;
}

IoStatus WholeFileWriter::Flush() {
    if (m_status && !m_buffer.isEmpty()) {
        m_status = WriteFullyAt(m_io, m_fd, m_buffer.constData(), m_buffer.size(), m_written, m_path);
        m_written += m_buffer.size();
    }
    m_buffer.clear();
    return m_status;
}

IoStatus WholeFileWriter::Append(QByteArrayView bytes) {
    if (!Opened())
        return m_status;
    if (m_buffer.size() + bytes.size() > WriteBlock && !Flush())
        return m_status;
    if (bytes.size() >= WriteBlock) {
        m_status = WriteFullyAt(m_io, m_fd, bytes.data(), bytes.size(), m_written, m_path);
        m_written += bytes.size();
        return m_status;
    }
    m_buffer.append(bytes);
    return m_status;
}

IoStatus WholeFileWriter::Commit() {
    if (!Opened())
        return m_status;
    if (Flush() && m_io.Sync(m_fd) != 0)
        m_status = Failed("write", m_path, errno);
    m_io.Close(m_fd);
    m_fd = -1;
    if (m_status && m_io.Rename(m_scratch, m_path) != 0)
        m_status = IoStatus::Failure(m_renameAction, m_path, errno);
    if (!m_status) {
        m_io.Remove(m_scratch);
        return m_status;
    }
    if (m_io.SyncFolderOf(m_path) != 0)
        m_status = Failed("write", m_path, errno);
    return m_status;
}

IoStatus WriteWholeFile(FileIo& io, const QString& path, QByteArrayView bytes, const QString& scratch,
                        const QString& renameAction) {
    WholeFileWriter writer(io, path, scratch, renameAction);
    if (IoStatus s = writer.Append(bytes); !s)
        return s;
    return writer.Commit();
}

IoStatus ReplaceFileWhole(FileIo& io, const QString& name, const QByteArray& head,
                          const std::function<bool(QByteArray& block)>& next, qint64* written) {
    WholeFileWriter file(io, name, PartialCopyName(name), QStringLiteral("write"));
    IoStatus s = file.Append(head);
    QByteArray block;
    for (bool more = true; s && more;) {
        block.clear();
        more = next(block);
        s = file.Append(block);
    }
    if (s)
        s = file.Commit();
    if (s)
        *written = file.Written();
    return s;
}
