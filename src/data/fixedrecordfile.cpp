#include "data/fixedrecordfile.h"

#include "data/journal.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {
constexpr mode_t OwnerOnly = 0600;
constexpr qint64 BlockBytes = 1 << 20; // block size for scans and compaction

QString Tr(const char* text) {
    return QCoreApplication::translate("FixedRecordFile", text);
}
} // namespace

FixedRecordFile::FixedRecordFile(FileIo& io, QString fileName, int recordLength)
    : m_io(io), m_fileName(std::move(fileName)), m_recordLength(recordLength) {}

FixedRecordFile::~FixedRecordFile() {
    Close();
}

IoStatus FixedRecordFile::Open() {
    Close();
    const bool existed = m_io.Exists(m_fileName);
    const int fd = m_io.Open(m_fileName, O_RDWR | O_CREAT | O_CLOEXEC, OwnerOnly);
    if (fd < 0)
        return IoStatus::Failure(Tr("open"), m_fileName, errno);
    if (!existed)
        ::fchmod(fd, OwnerOnly); // whatever the umask
    const off_t length = m_io.Size(fd);
    if (length < 0) {
        const int err = errno;
        m_io.Close(fd);
        return IoStatus::Failure(Tr("read"), m_fileName, err);
    }
    m_fd = fd;
    m_length = length;
    m_recordCount = static_cast<qint64>(std::nearbyint(static_cast<double>(length) / m_recordLength));
    return {};
}

void FixedRecordFile::Close() {
    if (m_fd >= 0)
        m_io.Close(m_fd);
    m_fd = -1;
}

IoStatus FixedRecordFile::Read(qint64 n, char* out, const char* blank) {
    if (m_fd < 0)
        return IoStatus::Failure(Tr("read"), m_fileName, EBADF);
    if (n < 1)
        return IoStatus::Failure(Tr("read"), m_fileName, EINVAL);
    qint64 got = 0;
    if (IoStatus s = ReadUpTo(out, m_recordLength, (n - 1) * m_recordLength, &got); !s)
        return s;
    std::memcpy(out + got, blank + got, m_recordLength - got);
    return {};
}

IoStatus FixedRecordFile::ReadUpTo(char* out, qint64 wanted, qint64 offset, qint64* got) {
    // Stops early only at the end of the file.
    *got = 0;
    while (*got < wanted && offset + *got < m_length) {
        const ssize_t r = m_io.ReadAt(m_fd, out + *got, wanted - *got, offset + *got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return IoStatus::Failure(Tr("read"), m_fileName, errno);
        }
        if (r == 0)
            break;
        *got += r;
    }
    return {};
}

IoStatus FixedRecordFile::Write(qint64 n, const char* in, const QString& journalName) {
    m_writeLeftToSettle = false;
    if (m_fd < 0)
        return IoStatus::Failure(Tr("write"), m_fileName, EBADF);
    if (n < 1 || n > m_recordCount + 1)
        return IoStatus::Failure(Tr("write"), m_fileName, EINVAL);
    const qint64 offset = (n - 1) * m_recordLength;
    const qint64 oldLength = m_length;

    if (offset + m_recordLength <= m_length) {
        // In place: the old bytes go into the journal first, and back into the record if the write
        // cannot be completed.
        QByteArray old(m_recordLength, Qt::Uninitialized);
        const QByteArray zeros(m_recordLength, '\0');
        if (IoStatus s = Read(n, old.data(), zeros.constData()); !s)
            return s;
        const QByteArray wanted(in, m_recordLength);
        const bool journaled = old != wanted;
        if (journaled) {
            if (IoStatus s = WriteJournalFile(m_io, journalName, WriteJournal{n, old, wanted}.Text(),
                                              JournalCreate::Exclusive);
                !s)
                return s;
        }
        IoStatus s = WriteFullyAt(m_io, m_fd, in, m_recordLength, offset, m_fileName);
        if (s && m_io.Sync(m_fd) != 0)
            s = IoStatus::Failure(Tr("write"), m_fileName, errno);
        if (!s) {
            if (WriteFullyAt(m_io, m_fd, old.constData(), m_recordLength, offset, m_fileName) &&
                m_io.Sync(m_fd) == 0) {
                if (journaled)
                    m_io.Remove(journalName); // if it stays, it finds the old record and changes nothing
            } else {
                m_writeLeftToSettle = journaled;
            }
            return s;
        }
        // The record is on the disk whole: a journal left now finds it so and keeps it.
        if (journaled)
            m_io.Remove(journalName);
        return {};
    }

    // Append (or complete a torn last record): on failure cut the file back to its old length.
    IoStatus s = WriteFullyAt(m_io, m_fd, in, m_recordLength, offset, m_fileName);
    if (s && m_io.Sync(m_fd) != 0)
        s = IoStatus::Failure(Tr("write"), m_fileName, errno);
    if (!s) {
        if (m_io.Truncate(m_fd, oldLength) == 0)
            m_io.Sync(m_fd);
        return s;
    }
    m_length = std::max(m_length, offset + m_recordLength);
    m_recordCount = std::max(m_recordCount, n);
    return {};
}

bool FixedRecordFile::VisitBlock(char* block, qint64 n, qint64 count, qint64 got,
                                 const std::function<void(qint64, const char*)>& visit,
                                 const char* blank) const {
    if (got < count * m_recordLength) {
        // A torn last record (or a file that shrank under us): complete it from the blank.
        const qint64 partial = got % m_recordLength;
        const qint64 start = got - partial;
        std::memcpy(block + got, blank + partial, m_recordLength - partial);
        const qint64 whole = start / m_recordLength + 1;
        for (qint64 i = 0; i < whole && i < count; ++i)
            visit(n + i, block + i * m_recordLength);
        return false;
    }
    for (qint64 i = 0; i < count; ++i)
        visit(n + i, block + i * m_recordLength);
    return true;
}

IoStatus FixedRecordFile::Scan(const std::function<void(qint64, const char*)>& visit, const char* blank,
                               ReadAhead ahead) {
    if (m_fd < 0)
        return IoStatus::Failure(Tr("read"), m_fileName, EBADF);
    const qint64 perBlock = std::max<qint64>(1, BlockBytes / m_recordLength);
    // A few blocks are over before a second thread would have started.
    if (ahead == ReadAhead::Yes && m_recordCount > 4 * perBlock)
        return ScanAhead(visit, blank);
    std::vector<char> block(std::min(perBlock, std::max<qint64>(m_recordCount, 1)) * m_recordLength);
    for (qint64 n = 1; n <= m_recordCount;) {
        const qint64 count = std::min(perBlock, m_recordCount - n + 1);
        qint64 got = 0;
        if (IoStatus s = ReadUpTo(block.data(), count * m_recordLength, (n - 1) * m_recordLength, &got); !s)
            return s;
        if (!VisitBlock(block.data(), n, count, got, visit, blank))
            return {};
        n += count;
    }
    return {};
}

IoStatus FixedRecordFile::ScanAhead(const std::function<void(qint64, const char*)>& visit,
                                    const char* blank) {
    const qint64 perBlock = std::max<qint64>(1, BlockBytes / m_recordLength);
    // Two blocks take turns: the reader fills one while the records of the other are visited.
    struct Block {
        std::vector<char> bytes;
        qint64 n = 0;
        qint64 count = 0;
        qint64 got = 0;
        IoStatus status;
        bool full = false; // read and not yet visited
    };
    std::array<Block, 2> blocks;
    for (Block& b : blocks)
        b.bytes.resize(std::size_t(perBlock * m_recordLength));
    std::mutex mutex;
    std::condition_variable changed;
    bool abandoned = false;

    std::thread reader([&] {
        std::size_t turn = 0;
        for (qint64 n = 1; n <= m_recordCount; turn ^= 1) {
            Block& b = blocks[turn];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !b.full || abandoned; });
                if (abandoned)
                    return;
            }
            b.n = n;
            b.count = std::min(perBlock, m_recordCount - n + 1);
            b.status = ReadUpTo(b.bytes.data(), b.count * m_recordLength, (n - 1) * m_recordLength, &b.got);
            const bool last = !b.status || b.got < b.count * m_recordLength;
            {
                const std::lock_guard lock(mutex);
                b.full = true;
            }
            changed.notify_all();
            if (last)
                return;
            n += b.count;
        }
    });

    IoStatus result;
    std::size_t turn = 0;
    for (qint64 n = 1; n <= m_recordCount; turn ^= 1) {
        Block& b = blocks[turn];
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return b.full; });
        }
        if (!b.status) {
            result = b.status;
            break;
        }
        if (!VisitBlock(b.bytes.data(), b.n, b.count, b.got, visit, blank))
            break;
        n += b.count;
        {
            const std::lock_guard lock(mutex);
            b.full = false;
        }
        changed.notify_all();
    }
    {
        const std::lock_guard lock(mutex);
        abandoned = true;
    }
    changed.notify_all();
    reader.join();
    return result;
}

IoStatus FixedRecordFile::Compact(const QString& scratchName, const std::function<bool(const char*)>& keep,
                                  const char* blank, qint64* kept) {
    return Rewrite(
        scratchName, [&](qint64, char* bytes) { return keep(bytes); }, 0, {}, blank, kept);
}

IoStatus FixedRecordFile::Rewrite(const QString& scratchName,
                                  const std::function<bool(qint64, char*)>& change, qint64 appendCount,
                                  const std::function<void(qint64, char*)>& fill, const char* blank,
                                  qint64* kept) {
    if (kept)
        *kept = 0;
    if (m_fd < 0)
        return IoStatus::Failure(Tr("read"), m_fileName, EBADF);

    // Always start from a scratch file of its own: a leftover one (the writer holds the data
    // folder's lock, so no one else is using it) is removed, and the new one is made exclusively,
    // never opened through a link or shared with another writer.
    m_io.Remove(scratchName);
    const int out = m_io.Open(scratchName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, OwnerOnly);
    if (out < 0)
        return IoStatus::Failure(Tr("create"), scratchName, errno);
    ::fchmod(out, OwnerOnly);

    auto abandon = [&](IoStatus s) {
        m_io.Close(out);
        m_io.Remove(scratchName);
        return s;
    };

    std::vector<char> pending;
    pending.reserve(BlockBytes + m_recordLength);
    qint64 written = 0;
    qint64 count = 0;
    IoStatus failed;
    // Each record is changed (or dropped) in the block on its way out.
    const auto flushBlock = [&] {
        if (static_cast<qint64>(pending.size()) >= BlockBytes) {
            failed = WriteFullyAt(m_io, out, pending.data(), pending.size(), written, scratchName);
            written += pending.size();
            pending.clear();
        }
    };
    IoStatus s = Scan(
        [&](qint64 n, const char* bytes) {
            if (!failed.Ok())
                return;
            const std::size_t at = pending.size();
            pending.insert(pending.end(), bytes, bytes + m_recordLength);
            if (!change(n, pending.data() + at)) {
                pending.resize(at);
                return;
            }
            ++count;
            flushBlock();
        },
        blank);
    if (!s)
        return abandon(s);
    for (qint64 i = 0; failed.Ok() && i < appendCount; ++i) {
        const std::size_t at = pending.size();
        pending.resize(at + std::size_t(m_recordLength));
        fill(i, pending.data() + at);
        ++count;
        flushBlock();
    }
    if (!failed)
        return abandon(failed);
    if (!pending.empty()) {
        if (IoStatus w = WriteFullyAt(m_io, out, pending.data(), pending.size(), written, scratchName); !w)
            return abandon(w);
    }
    if (m_io.Sync(out) != 0)
        return abandon(IoStatus::Failure(Tr("write"), scratchName, errno));
    m_io.Close(out);
    Close();

    if (count > 0) {
        if (m_io.Rename(scratchName, m_fileName) != 0) {
            const int err = errno;
            m_io.Remove(scratchName);
            return IoStatus::Failure(Tr("replace"), m_fileName, err);
        }
    } else {
        if (m_io.Remove(m_fileName) != 0 && errno != ENOENT) {
            const int err = errno;
            m_io.Remove(scratchName);
            return IoStatus::Failure(Tr("delete"), m_fileName, err);
        }
        m_io.Remove(scratchName);
    }
    m_io.SyncFolderOf(m_fileName);
    if (kept)
        *kept = count;
    return {};
}

QByteArray AppendJournal::Text() const {
    return QByteArray::number(oldLength) + ' ' + QByteArray::number(newLength) + ' ' +
           QByteArray::number(tailEnd) + '\n' + tail;
}

std::optional<AppendJournal> AppendJournal::Parse(const QByteArray& text, int recordLength) {
    // A journal without its whole text was never flushed, so no record was written after it.
    const qsizetype lineEnd = text.indexOf('\n');
    if (lineEnd <= 0)
        return std::nullopt;
    const QList<QByteArray> numbers = text.left(lineEnd).split(' ');
    AppendJournal j;
    bool ok = numbers.size() == 3;
    if (ok)
        j.oldLength = numbers[0].toLongLong(&ok);
    if (ok)
        j.newLength = numbers[1].toLongLong(&ok);
    if (ok)
        j.tailEnd = numbers[2].toLongLong(&ok);
    j.tail = text.mid(lineEnd + 1);
    if (!ok || j.oldLength < 0 || j.tailEnd < 0 || j.tailEnd > j.oldLength ||
        j.tail.size() != std::min<qint64>(j.tailEnd, recordLength))
        return std::nullopt;
    return j;
}

bool AppendJournal::Fits(qint64 length) const {
    return length > oldLength && length <= newLength;
}

IoStatus FixedRecordFile::AppendRecords(qint64 count, const std::function<void(qint64, char*)>& fill,
                                        const QString& journalName) {
    if (m_fd < 0)
        return IoStatus::Failure(Tr("write"), m_fileName, EBADF);
    if (count <= 0)
        return {};
    const qint64 oldLength = m_length;
    const qint64 start = m_recordCount * m_recordLength;
    const qint64 newLength = start + count * m_recordLength;

    // A torn last record is written over from `start` on; what lies before it stays.
    const qint64 tailEnd = std::min(start, oldLength);
    QByteArray tail(std::min<qint64>(tailEnd, m_recordLength), Qt::Uninitialized);
    qint64 got = 0;
    if (IoStatus s = ReadUpTo(tail.data(), tail.size(), tailEnd - tail.size(), &got); !s)
        return s;
    tail.resize(got);
    IoStatus s = WriteJournalFile(m_io, journalName, AppendJournal{oldLength, newLength, tailEnd, tail}.Text(),
                                  JournalCreate::Exclusive);
    if (!s)
        return s;

    std::vector<char> record(m_recordLength);
    for (qint64 i = 0; s && i < count; ++i) {
        fill(i, record.data());
        s = WriteFullyAt(m_io, m_fd, record.data(), m_recordLength, start + i * m_recordLength, m_fileName);
    }
    if (s && m_io.Sync(m_fd) != 0)
        s = IoStatus::Failure(Tr("write"), m_fileName, errno);
    // Done once the journal is gone; if it cannot be removed, it would cut the records off at the
    // next open, so they go now and the append fails.
    if (s && m_io.Remove(journalName) != 0)
        s = IoStatus::Failure(Tr("write"), m_fileName, errno);
    if (!s) {
        // With the file back at its old length the journal has nothing left to do; when the file
        // cannot be cut, it stays for the next open.
        if (m_io.Truncate(m_fd, oldLength) == 0 && m_io.Sync(m_fd) == 0)
            m_io.Remove(journalName);
        return s;
    }
    m_io.SyncFolderOf(journalName);
    m_length = std::max(oldLength, newLength);
    m_recordCount = newLength / m_recordLength;
    return {};
}

IoStatus FixedRecordFile::ReadOwnJournal(const QString& journalName, qint64 limit, QByteArray* text,
                                         bool* found) {
    *found = false;
    if (m_fd < 0)
        return IoStatus::Failure(Tr("read"), m_fileName, EBADF);
    return ReadJournalFile(m_io, journalName, limit, text, found);
}

IoStatus FixedRecordFile::RollBackAppend(const QString& journalName) {
    QByteArray text;
    bool found = false;
    if (IoStatus s = ReadOwnJournal(journalName, AppendJournal::MaxBytes(m_recordLength), &text, &found); !s || !found)
        return s;

    const std::optional<AppendJournal> noted = AppendJournal::Parse(text, m_recordLength);
    if (noted && noted->Fits(m_length)) {
        QByteArray before(noted->tail.size(), Qt::Uninitialized);
        qint64 read = 0;
        if (IoStatus s = ReadUpTo(before.data(), before.size(), noted->TailStart(), &read); !s)
            return s;
        if (read == before.size() && before == noted->tail) {
            if (m_io.Truncate(m_fd, noted->oldLength) != 0 || m_io.Sync(m_fd) != 0)
                return IoStatus::Failure(Tr("write"), m_fileName, errno);
            m_length = noted->oldLength;
            m_recordCount =
                static_cast<qint64>(std::nearbyint(static_cast<double>(m_length) / m_recordLength));
        }
    }
    if (!RemoveJournalFile(m_io, journalName))
        return IoStatus::Failure(Tr("delete"), journalName, errno);
    return {};
}

QByteArray WriteJournal::Text() const {
    const auto digest = [](const QByteArray& bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
    };
    return QByteArray::number(record) + ' ' + digest(before) + ' ' + digest(after) + '\n' + before + after;
}

std::optional<WriteJournal> WriteJournal::Parse(const QByteArray& text, int recordLength) {
    const qsizetype lineEnd = text.indexOf('\n');
    if (lineEnd <= 0 || text.size() != lineEnd + 1 + 2 * qsizetype(recordLength))
        return std::nullopt;
    const QList<QByteArray> words = text.left(lineEnd).split(' ');
    if (words.size() != 3)
        return std::nullopt;
    WriteJournal j;
    bool ok = false;
    j.record = words[0].toLongLong(&ok);
    j.before = text.mid(lineEnd + 1, recordLength);
    j.after = text.mid(lineEnd + 1 + recordLength);
    if (!ok || j.record < 1 || j.Text() != text)
        return std::nullopt;
    return j;
}

WriteJournal::Found WriteJournal::Look(QByteArrayView now) const {
    if (now.size() != before.size())
        return Found::OtherFile;
    if (now == before)
        return Found::Before;
    if (now == after)
        return Found::After;
    for (qsizetype i = 0; i < now.size(); ++i) {
        if (now[i] != before[i] && now[i] != after[i])
            return Found::OtherFile;
    }
    return Found::Torn;
}

IoStatus FixedRecordFile::SettleWrite(const QString& journalName) {
    QByteArray text;
    bool found = false;
    if (IoStatus s = ReadOwnJournal(journalName, WriteJournal::MaxBytes(m_recordLength), &text, &found); !s || !found)
        return s;

    if (const std::optional<WriteJournal> noted = WriteJournal::Parse(text, m_recordLength)) {
        const qint64 offset = (noted->record - 1) * m_recordLength;
        QByteArray now(m_recordLength, Qt::Uninitialized);
        qint64 got = 0;
        if (offset + m_recordLength <= m_length) {
            if (IoStatus s = ReadUpTo(now.data(), m_recordLength, offset, &got); !s)
                return s;
        }
        now.resize(got);
        if (noted->Look(now) == WriteJournal::Found::Torn) {
            if (IoStatus s =
                    WriteFullyAt(m_io, m_fd, noted->before.constData(), m_recordLength, offset, m_fileName);
                !s)
                return s;
            if (m_io.Sync(m_fd) != 0)
                return IoStatus::Failure(Tr("write"), m_fileName, errno);
        }
    }
    if (!RemoveJournalFile(m_io, journalName))
        return IoStatus::Failure(Tr("delete"), journalName, errno);
    return {};
}

RecordFileInspection FixedRecordFile::Inspect(const std::function<void(qint64 n, const char* bytes)>& visit,
                                              const QString& appendJournal,
                                              const QString& writeJournal) const {
    RecordFileInspection look;
    const auto fail = [&look](const QString& file, const char* action, int error) {
        look.failedFile = file;
        look.failedAction = QString::fromLatin1(action);
        look.failedErrno = error;
        return look;
    };
    // Opened without waiting, then looked at: a pipe or a device would never end (or never
    // start), so only a regular file is read.
    const int fd = m_io.Open(m_fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0)
        return fail(m_fileName, "open", errno);
    const auto closing = [this, fd](RecordFileInspection result) {
        m_io.Close(fd);
        return result;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        look.notRegular = true;
        return closing(look);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // `count` bytes at `offset`; false when the file holds fewer there.
    const auto readAt = [&](QByteArray& bytes, qint64 count, qint64 offset) {
        bytes.resize(count);
        return ReadFullyAt(m_io, fd, bytes.data(), count, offset, m_fileName).Ok();
    };
    // A journal's text; nothing when there is none or it cannot be read (then `look` says why).
    const auto journalText = [&](const QString& name, qint64 limit) -> std::optional<QByteArray> {
        const int journal = m_io.Open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
        if (journal < 0) {
            if (errno != ENOENT)
                fail(name, "open", errno);
            return std::nullopt;
        }
        QByteArray text;
        const IoStatus read = ::ReadUpTo(m_io, journal, name, limit, text);
        m_io.Close(journal);
        if (!read) {
            fail(name, "read", read.ErrorNumber());
            return std::nullopt;
        }
        return text;
    };

    // In the order the open settles them: the append journal, then the write journal.
    look.kept = st.st_size;
    if (!appendJournal.isEmpty()) {
        if (const auto text = journalText(appendJournal, AppendJournal::MaxBytes(m_recordLength))) {
            look.append = RecordFileInspection::Append::CutsNothing;
            const std::optional<AppendJournal> noted = AppendJournal::Parse(*text, m_recordLength);
            QByteArray before;
            if (noted && noted->Fits(look.kept) && readAt(before, noted->tail.size(), noted->TailStart()) &&
                before == noted->tail) {
                look.append = RecordFileInspection::Append::CutsBack;
                look.kept = noted->oldLength;
            }
        }
    }
    std::optional<WriteJournal> putBack;
    if (look.failedFile.isEmpty() && !writeJournal.isEmpty()) {
        if (const auto text = journalText(writeJournal, WriteJournal::MaxBytes(m_recordLength))) {
            look.write = RecordFileInspection::Write::ChangesNothing;
            const std::optional<WriteJournal> noted = WriteJournal::Parse(*text, m_recordLength);
            QByteArray now;
            if (noted && noted->record * m_recordLength <= look.kept &&
                readAt(now, m_recordLength, (noted->record - 1) * m_recordLength)) {
                look.writtenRecord = noted->record;
                switch (noted->Look(now)) {
                case WriteJournal::Found::Torn:
                    look.write = RecordFileInspection::Write::PutsBack;
                    putBack = noted;
                    break;
                case WriteJournal::Found::After:
                    look.write = RecordFileInspection::Write::KeepsNew;
                    break;
                case WriteJournal::Found::Before:
                case WriteJournal::Found::OtherFile:
                    break;
                }
            }
        }
    }
    if (!look.failedFile.isEmpty())
        return closing(look);

    const qint64 blockBytes = std::max<qint64>(1, BlockBytes / m_recordLength) * m_recordLength;
    std::vector<char> block(std::size_t(std::min(blockBytes, std::max<qint64>(look.kept, m_recordLength))));
    for (qint64 at = 0; at < look.kept;) {
        const qint64 wanted = std::min<qint64>(qint64(block.size()), look.kept - at);
        qint64 got = 0;
        while (got < wanted) {
            const ssize_t n = m_io.ReadAt(fd, block.data() + got, std::size_t(wanted - got), off_t(at + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return closing(fail(m_fileName, "read", errno));
            if (n == 0)
                break;
            got += n;
        }
        const qint64 whole = got / m_recordLength;
        for (qint64 i = 0; i < whole; ++i) {
            ++look.records;
            visit(look.records, putBack && putBack->record == look.records
                                    ? putBack->before.constData()
                                    : block.data() + i * m_recordLength);
        }
        at += got;
        if (got < wanted || got % m_recordLength != 0) {
            look.leftover = got - whole * m_recordLength;
            break;
        }
    }
    return closing(look);
}
