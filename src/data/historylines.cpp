#include "data/historylines.h"

#include "data/datafilenames.h"
#include "data/history.h"
#include "data/historykeeper.h"
#include "data/journal.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>

namespace {

constexpr char LinesMagic[8] = {'R', 'H', 'L', 'N', '0', '0', '0', '1'};
constexpr qint64 HeadBytes = HistoryLinesHeadBytes;
constexpr qint64 EntryBytes = 16;
// Past this many appended entries (1 MB of them) the next append writes the table sorted again.
constexpr qint64 MaxAddedEntries = 65536;

struct Head {
    qint64 covered = 0;
    qint64 firstLineBytes = 0;
    quint64 firstLineHash = 0;
    qint64 sorted = 0;
    qint64 added = 0;
};

void PutHead(char* at, const Head& h) {
    std::memcpy(at, LinesMagic, sizeof LinesMagic);
    qToLittleEndian(h.covered, at + 8);
    qToLittleEndian(h.firstLineBytes, at + 16);
    qToLittleEndian(h.firstLineHash, at + 24);
    qToLittleEndian(h.sorted, at + 32);
    qToLittleEndian(h.added, at + 40);
    // A head whose write was cut short (half of it new) fails its own hash.
    qToLittleEndian(HistoryLineHash(QByteArrayView(at, 48)), at + 48);
}

HistoryLineStart GetEntry(const char* at) {
    return {qFromLittleEndian<qint64>(at), qFromLittleEndian<qint64>(at + 8)};
}

// The head of the open table `fd` of `size` bytes; false when it is none, or counts more entries
// than the file holds.
bool ReadHead(FileIo& io, int fd, qint64 size, const QString& fileName, Head* h) {
    char bytes[HeadBytes];
    if (size < HeadBytes || !ReadFullyAt(io, fd, bytes, HeadBytes, 0, fileName) ||
        std::memcmp(bytes, LinesMagic, sizeof LinesMagic) != 0 ||
        qFromLittleEndian<quint64>(bytes + 48) != HistoryLineHash(QByteArrayView(bytes, 48)))
        return false;
    h->covered = qFromLittleEndian<qint64>(bytes + 8);
    h->firstLineBytes = qFromLittleEndian<qint64>(bytes + 16);
    h->firstLineHash = qFromLittleEndian<quint64>(bytes + 24);
    h->sorted = qFromLittleEndian<qint64>(bytes + 32);
    h->added = qFromLittleEndian<qint64>(bytes + 40);
    return h->covered >= 0 && h->firstLineBytes >= 0 && h->firstLineBytes <= h->covered &&
           h->firstLineBytes <= MaxHistoryLineBytes + 1 && h->sorted >= 0 && h->added >= 0 &&
           h->sorted <= (size - HeadBytes) / EntryBytes &&
           h->added <= (size - HeadBytes) / EntryBytes - h->sorted;
}

IoStatus ReadEntries(FileIo& io, int fd, qint64 from, qint64 count, const QString& fileName,
                     QByteArray* bytes) {
    bytes->resize(qsizetype(count * EntryBytes));
    return ReadFullyAt(io, fd, bytes->data(), count * EntryBytes, HeadBytes + from * EntryBytes, fileName);
}

} // namespace

QString HistoryLinesFileFor(const QString& historyFileName) {
    const QString folder = QFileInfo(historyFileName).path();
    return folder == QStringLiteral(".") && !historyFileName.startsWith(QStringLiteral("./"))
               ? HistoryLinesFileName
               : QDir(folder).filePath(HistoryLinesFileName);
}

namespace {

// By employee, then place. Lasting numbers are given one after another: counted out by employee
// (a tenth of a sort's time at a million lines), each one's places then put in order (they
// already are when they come in the history's order). Numbers far apart go to a sort.
void SortStarts(std::vector<HistoryLineStart>& starts) {
    qint64 most = 0;
    for (const HistoryLineStart& s : starts) {
        if (s.employee < 0 || s.employee > 2 * qint64(starts.size()) + 65536) {
            std::sort(starts.begin(), starts.end());
            return;
        }
        most = std::max(most, s.employee);
    }
    std::vector<std::size_t> at(std::size_t(most) + 2, 0);
    for (const HistoryLineStart& s : starts)
        ++at[std::size_t(s.employee) + 1];
    for (std::size_t i = 1; i < at.size(); ++i)
        at[i] += at[i - 1];
    std::vector<HistoryLineStart> sorted(starts.size());
    for (const HistoryLineStart& s : starts)
        sorted[at[std::size_t(s.employee)]++] = s;
    for (auto from = sorted.begin(); from != sorted.end();) {
        const auto to = std::find_if(from, sorted.end(),
                                     [&](const HistoryLineStart& s) { return s.employee != from->employee; });
        if (!std::is_sorted(from, to))
            std::sort(from, to);
        from = to;
    }
    starts = std::move(sorted);
}

} // namespace

IoStatus WriteHistoryLines(FileIo& io, const QString& fileName, qint64 historySize, qint64 firstLineBytes,
                           quint64 firstLineHash, std::vector<HistoryLineStart> starts) {
    SortStarts(starts);
    QByteArray head(HeadBytes, '\0');
    PutHead(head.data(), {historySize, firstLineBytes, firstLineHash, qint64(starts.size()), 0});
    std::size_t next = 0;
    qint64 written = 0;
    return ReplaceFileWhole(
        io, fileName, head,
        [&](QByteArray& block) {
            const std::size_t end = std::min(starts.size(), next + 65536);
            block.resize(qsizetype(end - next) * EntryBytes);
            for (char* at = block.data(); next < end; ++next, at += EntryBytes) {
                qToLittleEndian(starts[next].employee, at);
                qToLittleEndian(starts[next].offset, at + 8);
            }
            return next < starts.size();
        },
        &written);
}

IoStatus AppendHistoryLines(FileIo& io, const QString& fileName, qint64 from, qint64 to,
                            const std::vector<HistoryLineStart>& starts) {
    if (!io.Exists(fileName))
        return {};
    const int fd = io.Open(fileName, O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    Head h;
    const qint64 size = io.Size(fd);
    if (!ReadHead(io, fd, size, fileName, &h) || h.covered != from) {
        io.Close(fd);
        return {}; // not in step with the history before the append: readers search the rest
    }
    if (h.added + qint64(starts.size()) > MaxAddedEntries) {
        QByteArray bytes;
        const IoStatus s = ReadEntries(io, fd, 0, h.sorted + h.added, fileName, &bytes);
        io.Close(fd);
        if (!s)
            return s;
        std::vector<HistoryLineStart> all(starts);
        all.reserve(all.size() + std::size_t(h.sorted + h.added));
        for (qsizetype at = 0; at < bytes.size(); at += EntryBytes)
            all.push_back(GetEntry(bytes.constData() + at));
        return WriteHistoryLines(io, fileName, to, h.firstLineBytes, h.firstLineHash, std::move(all));
    }
    QByteArray bytes(qsizetype(starts.size()) * EntryBytes, Qt::Uninitialized);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        qToLittleEndian(starts[i].employee, bytes.data() + i * EntryBytes);
        qToLittleEndian(starts[i].offset, bytes.data() + i * EntryBytes + 8);
    }
    IoStatus s = WriteFullyAt(io, fd, bytes.constData(), bytes.size(),
                              HeadBytes + (h.sorted + h.added) * EntryBytes, fileName);
    if (s && io.Sync(fd) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), fileName, errno);
    if (s) {
        // The entries are on the disk before the head counts them.
        h.covered = to;
        h.added += qint64(starts.size());
        char head[HeadBytes];
        PutHead(head, h);
        s = WriteFullyAt(io, fd, head, HeadBytes, 0, fileName);
    }
    io.Close(fd);
    if (!s)
        io.Remove(fileName); // written again by the next rebuild; till then readers search
    return s;
}

void BringHistoryLinesInStep(FileIo& io, const QString& fileName, const QString& historyFileName,
                             qint64 historySize, qint64 firstLineBytes, quint64 firstLineHash) {
    Head h;
    bool usable = false;
    if (io.Exists(fileName)) {
        const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
        if (fd < 0)
            return;
        usable = ReadHead(io, fd, io.Size(fd), fileName, &h) && h.firstLineBytes == firstLineBytes &&
                 h.firstLineHash == firstLineHash && h.covered <= historySize;
        io.Close(fd);
    }
    if (usable && h.covered == historySize)
        return;
    if (usable && h.covered > 0) {
        // Where the table stops, a line must start.
        const int fd = io.Open(historyFileName, O_RDONLY | O_CLOEXEC, 0);
        char before = 0;
        usable = fd >= 0 && ReadFullyAt(io, fd, &before, 1, h.covered - 1, historyFileName) && before == '\n';
        if (fd >= 0)
            io.Close(fd);
    }
    const qint64 from = usable ? h.covered : 0;
    std::vector<HistoryLineStart> starts;
    HistoryLineView view; // each line read where it lies: only its employee is kept
    if (!ReadHistoryLines(io, historyFileName, from, [&](QByteArrayView line, qint64 offset) {
            if (ReadPlainHistoryLine(line, &view))
                starts.push_back({view.employee, offset});
            else if (const std::optional<HistoryEntry> e = ParseHistoryJson(line))
                starts.push_back({e->employee, offset});
        }))
        return;
    if (usable)
        AppendHistoryLines(io, fileName, from, historySize, starts);
    else
        WriteHistoryLines(io, fileName, historySize, firstLineBytes, firstLineHash, std::move(starts));
}

IoStatus ReadHistoryLinesTable(FileIo& io, const QString& fileName, HistoryLinesView* view) {
    *view = {};
    if (!io.Exists(fileName))
        return {};
    view->present = true;
    const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    Head h;
    IoStatus s;
    if (ReadHead(io, fd, io.Size(fd), fileName, &h)) {
        QByteArray bytes;
        if (s = ReadEntries(io, fd, 0, h.sorted + h.added, fileName, &bytes); s) {
            view->readable = true;
            view->covered = h.covered;
            view->firstLineBytes = h.firstLineBytes;
            view->firstLineHash = h.firstLineHash;
            view->sorted = h.sorted;
            for (qsizetype at = 0; at < bytes.size(); at += EntryBytes)
                view->entries.push_back(GetEntry(bytes.constData() + at));
        }
    }
    io.Close(fd);
    return s;
}

IoStatus FindHistoryLines(FileIo& io, const QString& fileName, int historyFd, qint64 historySize,
                          qint64 employee, std::vector<qint64>* offsets, qint64* covered, bool* answered) {
    offsets->clear();
    *covered = 0;
    *answered = false;
    if (!io.Exists(fileName))
        return {};
    const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    IoStatus s;
    Head h;
    const qint64 size = io.Size(fd);
    bool usable = ReadHead(io, fd, size, fileName, &h) && h.covered <= historySize;
    // Made from this history: its first line, and a line starting where the table stops.
    if (usable && h.firstLineBytes > 0) {
        QByteArray first(qsizetype(h.firstLineBytes), Qt::Uninitialized);
        usable = ReadFullyAt(io, historyFd, first.data(), first.size(), 0, fileName) &&
                 HistoryLineHash(first) == h.firstLineHash;
    }
    if (usable && h.covered > 0) {
        char before = 0;
        usable = ReadFullyAt(io, historyFd, &before, 1, h.covered - 1, fileName) && before == '\n';
    }
    QByteArray bytes;
    if (usable) {
        // The first sorted entry of the employee, by halving.
        qint64 low = 0;
        qint64 high = h.sorted;
        char entry[EntryBytes];
        while (s && low < high) {
            const qint64 mid = low + (high - low) / 2;
            s = ReadFullyAt(io, fd, entry, EntryBytes, HeadBytes + mid * EntryBytes, fileName);
            if (GetEntry(entry).employee < employee)
                low = mid + 1;
            else
                high = mid;
        }
        // Theirs run on from there; a few hundred at a time.
        for (qint64 at = low; s && at < h.sorted;) {
            const qint64 count = std::min<qint64>(h.sorted - at, 256);
            if (s = ReadEntries(io, fd, at, count, fileName, &bytes); !s)
                break;
            qint64 i = 0;
            for (; i < count; ++i) {
                const HistoryLineStart e = GetEntry(bytes.constData() + i * EntryBytes);
                if (e.employee != employee)
                    break;
                offsets->push_back(e.offset);
            }
            at = i < count ? h.sorted : at + count;
        }
        if (s && h.added > 0)
            s = ReadEntries(io, fd, h.sorted, h.added, fileName, &bytes);
        for (qsizetype at = 0; s && h.added > 0 && at < bytes.size(); at += EntryBytes) {
            if (const HistoryLineStart e = GetEntry(bytes.constData() + at); e.employee == employee)
                offsets->push_back(e.offset);
        }
    }
    io.Close(fd);
    if (!s || !usable) {
        offsets->clear();
        return usable ? s : IoStatus();
    }
    std::sort(offsets->begin(), offsets->end());
    *covered = h.covered;
    *answered = true;
    return {};
}
