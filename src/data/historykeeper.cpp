#include "data/historykeeper.h"

#include "data/fixedrecordfile.h"
#include "data/historyreplay.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>

namespace {

// The index: "RHIX0001", then the history's length, its last entry and the last lasting number
// given, each a little-endian 64-bit number; then per record its employee's lasting number and
// its key.
constexpr char IndexMagic[8] = {'R', 'H', 'I', 'X', '0', '0', '0', '1'};
constexpr qint64 IndexHeaderBytes = HistoryKeeper::IndexHeaderBytes;
constexpr qint64 IndexEntryBytes = HistoryKeeper::IndexEntryBytes;
// A journal holds one change's entries: an import's are the largest.
constexpr qsizetype MaxJournalBytes = qsizetype(1) << 31;
// Who the history names for a change it found made by another program.
const QString AnotherProgram = QStringLiteral("another program");

constexpr std::size_t FieldCount = PersonnelFields.size();
using FieldValues = HistoryFieldValues;

quint64 KeyOf(const QString& last, const QString& first, const QString& created) {
    // FNV-1a over the three values: stable from one run to the next, unlike qHash.
    quint64 hash = 14695981039346656037ull;
    const QByteArray bytes = (last + QLatin1Char('\t') + first + QLatin1Char('\t') + created).toUtf8();
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

quint64 KeyOf(const FieldValues& values) {
    return KeyOf(values[std::size_t(PersonnelField::LastName)],
                 values[std::size_t(PersonnelField::FirstName)],
                 values[std::size_t(PersonnelField::DateCreated)]);
}

FieldValues ValuesOf(const PersonnelRecord& record) {
    FieldValues values;
    for (std::size_t i = 0; i < FieldCount; ++i)
        values[i] = HistoryValue(record, static_cast<PersonnelField>(i));
    return values;
}

void PutNumber(char* at, qint64 value) {
    qToLittleEndian(value, at);
}

qint64 GetNumber(const char* at) {
    return qFromLittleEndian<qint64>(at);
}

QByteArray Digest(const PersonnelRecord& record) {
    return QCryptographicHash::hash(QByteArrayView(record.data(), PersonnelRecordLength),
                                    QCryptographicHash::Sha1)
        .toHex();
}

} // namespace

HistoryKeeper::HistoryKeeper(FileIo& io, const Clock& clock, QString historyFileName, QString indexFileName,
                             QString journalFileName)
    : m_io(io), m_clock(clock), m_historyFileName(std::move(historyFileName)),
      m_indexFileName(std::move(indexFileName)), m_journalFileName(std::move(journalFileName)) {}

void HistoryKeeper::SetActor(QString user, int level) {
    m_user = std::move(user);
    m_level = level;
}

quint64 HistoryKeeper::RecordKey(const PersonnelRecord& record) {
    return KeyOf(HistoryValue(record, PersonnelField::LastName),
                 HistoryValue(record, PersonnelField::FirstName),
                 HistoryValue(record, PersonnelField::DateCreated));
}

QDateTime HistoryKeeper::Now() const {
    // Fixed to its offset once: a local time would look the time zone up at every line written.
    const QDateTime now = m_clock.Now();
    return now.toOffsetFromUtc(now.offsetFromUtc());
}

HistoryEntry HistoryKeeper::NewEntry(qint64 employee, qint32 record, HistoryAction action,
                                     const QDateTime& time) const {
    HistoryEntry e;
    e.time = time.isValid() ? time : Now();
    e.user = m_user;
    e.level = m_level;
    e.employee = employee;
    e.record = record;
    e.action = action;
    return e;
}

IoStatus HistoryKeeper::HistorySize(qint64* size) {
    *size = 0;
    if (!m_io.Exists(m_historyFileName))
        return {};
    const int fd = m_io.Open(m_historyFileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
    *size = m_io.Size(fd);
    const int err = errno;
    m_io.Close(fd);
    return *size < 0 ? IoStatus::Failure(QStringLiteral("read"), m_historyFileName, err) : IoStatus();
}

IoStatus HistoryKeeper::ReadHeader(Header* header, qint64* indexSize, bool* valid, qint64 recordCount) {
    *valid = false;
    *indexSize = 0;
    if (!m_io.Exists(m_indexFileName))
        return {};
    const int fd = m_io.Open(m_indexFileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno);
    *indexSize = m_io.Size(fd);
    char bytes[IndexHeaderBytes];
    IoStatus s;
    if (*indexSize == IndexHeaderBytes + IndexEntryBytes * recordCount)
        s = ReadFullyAt(m_io, fd, bytes, IndexHeaderBytes, 0, m_indexFileName);
    else
        s = IoStatus::Failure(QStringLiteral("read"), m_indexFileName, EINVAL);
    m_io.Close(fd);
    if (!s || std::memcmp(bytes, IndexMagic, sizeof IndexMagic) != 0)
        return {}; // not valid: rebuilt from the history
    header->historySize = GetNumber(bytes + 8);
    header->lastEntry = GetNumber(bytes + 16);
    header->lastEmployee = GetNumber(bytes + 24);
    qint64 size = 0;
    if (IoStatus h = HistorySize(&size); !h)
        return h;
    *valid = size == header->historySize;
    return {};
}

IoStatus HistoryKeeper::WriteIndex(const Header& header, const std::vector<qint64>& employees,
                                   const std::vector<quint64>& keys) {
    QByteArray bytes(IndexHeaderBytes + IndexEntryBytes * qint64(employees.size()), '\0');
    std::memcpy(bytes.data(), IndexMagic, sizeof IndexMagic);
    PutNumber(bytes.data() + 8, header.historySize);
    PutNumber(bytes.data() + 16, header.lastEntry);
    PutNumber(bytes.data() + 24, header.lastEmployee);
    for (std::size_t i = 0; i < employees.size(); ++i) {
        char* at = bytes.data() + IndexHeaderBytes + IndexEntryBytes * qint64(i);
        PutNumber(at, employees[i]);
        PutNumber(at + 8, qint64(keys[i]));
    }
    const int fd = m_io.Open(m_indexFileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno);
    IoStatus s = WriteFullyAt(m_io, fd, bytes.constData(), bytes.size(), 0, m_indexFileName);
    m_io.Close(fd);
    if (!s)
        m_io.Remove(m_indexFileName);
    else
        m_header = header;
    return s;
}

IoStatus HistoryKeeper::Settle(FixedRecordFile& data, const std::function<IoStatus()>& compact) {
    if (IoStatus s = ResolveJournal(data, compact); !s)
        return s;
    if (!m_io.Exists(m_historyFileName))
        return Rebuild(data, HistoryAction::Started);
    bool valid = false;
    qint64 indexSize = 0;
    if (IoStatus s = ReadHeader(&m_header, &indexSize, &valid, data.RecordCount()); !s)
        return s;
    return valid ? IoStatus() : Rebuild(data, HistoryAction::Started);
}

IoStatus HistoryKeeper::Rebuild(FixedRecordFile& data, HistoryAction reconcileAs) {
    HistoryReplay replayed;
    if (IoStatus s = ReadHistory(m_io, m_historyFileName, [&](const HistoryEntry& e) { replayed.Apply(e); });
        !s)
        return s;
    const bool starting = !m_io.Exists(m_historyFileName);
    const bool restoring = reconcileAs == HistoryAction::Restored;

    // Where each key stands in the history's order, to match the records to it in that order.
    const std::vector<qint64>& roster = replayed.roster;
    std::vector<quint64> rosterKeys(roster.size());
    std::map<quint64, std::vector<std::size_t>> places;
    for (std::size_t i = 0; i < roster.size(); ++i) {
        rosterKeys[i] = KeyOf(replayed.values.value(roster[i]));
        places[rosterKeys[i]].push_back(i);
    }

    std::map<quint64, qint64> returning;
    if (restoring) {
        for (auto it = replayed.departed.cbegin(); it != replayed.departed.cend(); ++it) {
            qint64& employee = returning[KeyOf(it.value())];
            employee = std::max(employee, it.key()); // the last to go, of two alike
        }
    }

    QByteArray lines;
    qint64 entry = replayed.lastEntry;
    qint64 lastEmployee = replayed.lastEmployee;
    std::vector<qint64> employees;
    std::vector<quint64> keys;
    std::size_t next = 0; // the first employee of the history's order not yet matched
    const QDateTime now = Now();
    const auto put = [&](HistoryEntry e) {
        e.entry = ++entry;
        if (!restoring && !starting && e.action != HistoryAction::Started) {
            e.user = AnotherProgram;
            e.level = 0;
        }
        lines += HistoryLine(e);
    };
    const auto gone = [&](std::size_t i) {
        HistoryEntry e =
            NewEntry(roster[i], 0, restoring ? HistoryAction::Restored : HistoryAction::Removed, now);
        const FieldValues& was = replayed.values.value(roster[i]);
        for (std::size_t f = 0; f < FieldCount; ++f) {
            if (!was[f].isEmpty())
                e.changes.append({QString::fromLatin1(PersonnelFields[f].name), was[f], QString()});
        }
        put(e);
    };
    PersonnelRecord record;
    PersonnelRecord blank;
    IoStatus scan = data.Scan(
        [&](qint64 n, const char* bytes) {
            std::memcpy(record.data(), bytes, PersonnelRecordLength);
            const qint32 number = qint32(n);
            const quint64 key = RecordKey(record);
            std::size_t match = roster.size();
            if (next < roster.size() && rosterKeys[next] == key) {
                match = next;
            } else if (const auto at = places.find(key); at != places.end()) {
                const auto later = std::lower_bound(at->second.begin(), at->second.end(), next);
                if (later != at->second.end())
                    match = *later;
            }
            if (match == roster.size()) {
                // Someone the history has not seen, or (in a restore) someone removed since the
                // backup, who gets their own number back.
                qint64 employee = 0;
                if (const auto back = returning.find(key); back != returning.end()) {
                    employee = back->second;
                    returning.erase(back);
                } else {
                    employee = ++lastEmployee;
                }
                HistoryEntry e = NewEntry(employee, number,
                                          restoring ? HistoryAction::Restored : HistoryAction::Started, now);
                e.changes = WholeRecord(record);
                put(e);
                employees.push_back(employee);
            } else {
                for (; next < match; ++next)
                    gone(next);
                next = match + 1;
                const qint64 employee = roster[match];
                const FieldValues is = ValuesOf(record);
                const FieldValues was = replayed.values.value(employee);
                HistoryEntry e = NewEntry(employee, number,
                                          restoring ? HistoryAction::Restored : HistoryAction::Edited, now);
                for (std::size_t f = 0; f < FieldCount; ++f) {
                    if (was[f] != is[f] && static_cast<PersonnelField>(f) != PersonnelField::DateModified)
                        e.changes.append({QString::fromLatin1(PersonnelFields[f].name), was[f], is[f]});
                }
                if (restoring || !e.changes.isEmpty())
                    put(e);
                employees.push_back(employee);
            }
            keys.push_back(key);
        },
        blank.data());
    if (!scan)
        return scan;
    for (; next < roster.size(); ++next)
        gone(next);

    // Even with nothing to add, the file is made: the history has begun.
    if (starting || !lines.isEmpty()) {
        if (IoStatus s = AppendWhole(m_io, m_historyFileName, lines); !s)
            return s;
    }
    Header header;
    if (IoStatus s = HistorySize(&header.historySize); !s)
        return s;
    header.lastEntry = entry;
    header.lastEmployee = lastEmployee;
    WriteIndex(header, employees, keys); // a cache: when it cannot be written, it is rebuilt next time
    m_header = header;
    return {};
}

IoStatus HistoryKeeper::Reconcile(FixedRecordFile& data, HistoryAction action) {
    return Rebuild(data, action);
}

IoStatus HistoryKeeper::EmployeeAt(FixedRecordFile& data, qint32 n, qint64* employee,
                                   const PersonnelRecord* known) {
    *employee = 0;
    if (n < 1 || n > data.RecordCount())
        return IoStatus::Failure(QStringLiteral("read"), data.FileName(), EINVAL);
    PersonnelRecord record;
    PersonnelRecord blank;
    if (known)
        record = *known;
    else if (IoStatus s = data.Read(n, record.data(), blank.data()); !s)
        return s;
    for (int attempt = 0; attempt < 2; ++attempt) {
        char bytes[IndexEntryBytes];
        const int fd = m_io.Open(m_indexFileName, O_RDONLY | O_CLOEXEC, 0);
        IoStatus s = fd < 0 ? IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno)
                            : ReadFullyAt(m_io, fd, bytes, IndexEntryBytes,
                                          IndexHeaderBytes + IndexEntryBytes * (n - 1), m_indexFileName);
        if (fd >= 0)
            m_io.Close(fd);
        if (s && quint64(GetNumber(bytes + 8)) == RecordKey(record)) {
            *employee = GetNumber(bytes);
            return {};
        }
        // Not the record the history knows there: another program changed the file.
        if (IoStatus r = Rebuild(data, HistoryAction::Started); !r)
            return r;
    }
    return IoStatus::Failure(QStringLiteral("read"), m_indexFileName, EIO);
}

IoStatus HistoryKeeper::WriteJournal(const QByteArray& check,
                                     const std::function<bool(QByteArray& block)>& next, Pending* pending) {
    if (m_io.Exists(m_journalFileName))
        m_io.Remove(m_journalFileName);
    const int fd = m_io.Open(m_journalFileName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("create"), m_journalFileName, errno);
    IoStatus s = WriteFullyAt(m_io, fd, check.constData(), check.size(), 0, m_journalFileName);
    qint64 at = check.size();
    QByteArray block;
    for (bool more = true; s && more;) {
        block.clear();
        more = next(block);
        s = WriteFullyAt(m_io, fd, block.constData(), block.size(), at, m_journalFileName);
        at += block.size();
    }
    if (s && m_io.Sync(fd) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), m_journalFileName, errno);
    m_io.Close(fd);
    if (s && m_io.SyncFolderOf(m_journalFileName) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), m_journalFileName, errno);
    if (!s)
        m_io.Remove(m_journalFileName);
    pending->journaled = s.Ok();
    pending->linesAt = check.size();
    pending->linesSize = at - check.size();
    return s;
}

IoStatus HistoryKeeper::WriteJournal(const QByteArray& check, const HistoryEntry& entry, Pending* pending) {
    pending->lastEntry = entry.entry;
    pending->lastEmployee = std::max(m_header.lastEmployee, entry.employee);
    pending->line = HistoryLine(entry);
    return WriteJournal(
        check,
        [&](QByteArray& block) {
            block = pending->line;
            return false;
        },
        pending);
}

namespace {

QByteArray CheckLine(const QJsonObject& check) {
    return QJsonDocument(check).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

IoStatus HistoryKeeper::BeginEdit(FixedRecordFile& data, qint32 n, const PersonnelRecord& before,
                                  const PersonnelRecord& after, Pending* pending) {
    *pending = {};
    QList<HistoryChange> changes = RecordChanges(before, after);
    if (changes.isEmpty())
        return {};
    qint64 employee = 0;
    if (IoStatus s = EmployeeAt(data, n, &employee, &before); !s)
        return s;
    HistoryAction action = HistoryAction::Edited;
    if (before.InactivationDate() == 0 && after.InactivationDate() != 0)
        action = HistoryAction::MadePrevious;
    else if (before.InactivationDate() != 0 && after.InactivationDate() == 0)
        action = HistoryAction::MadeCurrent;
    else if (changes.size() == 1 && changes.front().field == QLatin1StringView("PictureFile"))
        action = HistoryAction::PictureChanged;
    HistoryEntry e = NewEntry(employee, n, action);
    e.entry = m_header.lastEntry + 1;
    e.changes = std::move(changes);
    pending->kind = Pending::Kind::Edit;
    pending->record = n;
    pending->keys = {RecordKey(after)};
    const QByteArray check = CheckLine({{QStringLiteral("check"), QStringLiteral("record")},
                                        {QStringLiteral("record"), n},
                                        {QStringLiteral("digest"), QString::fromLatin1(Digest(after))},
                                        {QStringLiteral("lines"), 1}});
    return WriteJournal(check, e, pending);
}

IoStatus HistoryKeeper::BeginAppend(FixedRecordFile& data, qint32 count,
                                    const std::function<void(qint32, PersonnelRecord&)>& fill,
                                    HistoryAction action, Pending* pending) {
    *pending = {};
    if (count <= 0)
        return {};
    const qint64 records = data.RecordCount();
    const QDateTime now = Now();
    pending->kind = Pending::Kind::Append;
    pending->firstEmployee = m_header.lastEmployee + 1;
    pending->lastEmployee = m_header.lastEmployee + count;
    pending->lastEntry = m_header.lastEntry + count;
    pending->keys.reserve(std::size_t(count));
    const QByteArray check = CheckLine({{QStringLiteral("check"), QStringLiteral("count")},
                                        {QStringLiteral("count"), records + count},
                                        {QStringLiteral("lines"), count}});
    // The lines go to the journal a block at a time.
    constexpr qsizetype BlockBytes = 1 << 20;
    PersonnelRecord record;
    qint32 i = 0;
    return WriteJournal(
        check,
        [&](QByteArray& block) {
            for (; i < count && block.size() < BlockBytes; ++i) {
                record.Clear();
                fill(i, record);
                HistoryEntry e = NewEntry(pending->firstEmployee + i, qint32(records + 1 + i), action, now);
                e.entry = m_header.lastEntry + 1 + i;
                e.changes = WholeRecord(record);
                block += HistoryLine(e);
                pending->keys.push_back(RecordKey(record));
            }
            return i < count;
        },
        pending);
}

IoStatus HistoryKeeper::BeginRemoval(FixedRecordFile& data, qint32 n, const PersonnelRecord& before,
                                     Pending* pending) {
    *pending = {};
    qint64 employee = 0;
    if (IoStatus s = EmployeeAt(data, n, &employee, &before); !s)
        return s;
    HistoryEntry e = NewEntry(employee, 0, HistoryAction::Removed);
    e.entry = m_header.lastEntry + 1;
    for (HistoryChange c : WholeRecord(before)) {
        std::swap(c.before, c.after);
        e.changes.append(c);
    }
    pending->kind = Pending::Kind::Removal;
    pending->record = n;
    const QByteArray check = CheckLine({{QStringLiteral("check"), QStringLiteral("removed")},
                                        {QStringLiteral("record"), n},
                                        {QStringLiteral("count"), data.RecordCount()},
                                        {QStringLiteral("lines"), 1}});
    return WriteJournal(check, e, pending);
}

IoStatus HistoryKeeper::Finish(const Pending& pending, bool done) {
    if (!pending.journaled)
        return {};
    if (!done) {
        m_io.Remove(m_journalFileName);
        return {};
    }
    // The lines: an edit's or a removal's one at hand, an append's copied from the journal a block
    // at a time.
    IoStatus appended;
    if (!pending.line.isEmpty()) {
        appended = AppendWhole(m_io, m_historyFileName, pending.line);
    } else {
        const int journal = m_io.Open(m_journalFileName, O_RDONLY | O_CLOEXEC, 0);
        if (journal < 0)
            return IoStatus::Failure(QStringLiteral("open"), m_journalFileName, errno);
        qint64 copied = 0;
        appended = AppendInBlocks(m_io, m_historyFileName, [&](QByteArray& block) {
            const qint64 size = std::min<qint64>(pending.linesSize - copied, 1 << 20);
            block.resize(qsizetype(size));
            IoStatus r =
                ReadFullyAt(m_io, journal, block.data(), size, pending.linesAt + copied, m_journalFileName);
            copied += size;
            return r;
        });
        m_io.Close(journal);
    }
    if (!appended)
        return appended; // the journal stays: the next open appends the entries

    // The index follows; its header last, so that it never claims a history it does not match.
    Header header = m_header;
    header.historySize += pending.linesSize;
    header.lastEntry = pending.lastEntry;
    header.lastEmployee = pending.lastEmployee;
    const int fd = m_io.Open(m_indexFileName, O_RDWR | O_CLOEXEC, 0);
    IoStatus s = fd < 0 ? IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno) : IoStatus();
    const off_t size = s ? m_io.Size(fd) : 0;
    if (s && pending.kind == Pending::Kind::Edit) {
        char key[8];
        PutNumber(key, qint64(pending.keys.front()));
        s = WriteFullyAt(m_io, fd, key, 8, IndexHeaderBytes + IndexEntryBytes * (pending.record - 1) + 8,
                         m_indexFileName);
    } else if (s && pending.kind == Pending::Kind::Append) {
        QByteArray bytes(IndexEntryBytes * qint64(pending.keys.size()), '\0');
        for (std::size_t i = 0; i < pending.keys.size(); ++i) {
            PutNumber(bytes.data() + IndexEntryBytes * qint64(i), pending.firstEmployee + qint64(i));
            PutNumber(bytes.data() + IndexEntryBytes * qint64(i) + 8, qint64(pending.keys[i]));
        }
        s = WriteFullyAt(m_io, fd, bytes.constData(), bytes.size(), size, m_indexFileName);
    } else if (s && pending.kind == Pending::Kind::Removal) {
        const qint64 from = IndexHeaderBytes + IndexEntryBytes * pending.record;
        QByteArray rest(qMax<qint64>(0, size - from), '\0');
        s = ReadFullyAt(m_io, fd, rest.data(), rest.size(), from, m_indexFileName);
        if (s)
            s = WriteFullyAt(m_io, fd, rest.constData(), rest.size(), from - IndexEntryBytes,
                             m_indexFileName);
        if (s && m_io.Truncate(fd, size - IndexEntryBytes) != 0)
            s = IoStatus::Failure(QStringLiteral("write"), m_indexFileName, errno);
    }
    if (s && m_io.Sync(fd) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), m_indexFileName, errno);
    if (s) {
        char bytes[24];
        PutNumber(bytes, header.historySize);
        PutNumber(bytes + 8, header.lastEntry);
        PutNumber(bytes + 16, header.lastEmployee);
        s = WriteFullyAt(m_io, fd, bytes, 24, 8, m_indexFileName);
    }
    if (s && m_io.Sync(fd) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), m_indexFileName, errno);
    if (fd >= 0)
        m_io.Close(fd);
    if (s)
        m_header = header;
    else
        m_io.Remove(m_indexFileName); // rebuilt from the history at the next open
    m_io.Remove(m_journalFileName);
    return {};
}

IoStatus HistoryKeeper::ResolveJournal(FixedRecordFile& data, const std::function<IoStatus()>& compact) {
    if (!m_io.Exists(m_journalFileName))
        return {};
    const int fd = m_io.Open(m_journalFileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_journalFileName, errno);
    QByteArray bytes;
    const off_t size = m_io.Size(fd);
    IoStatus read =
        size < 0 ? IoStatus::Failure(QStringLiteral("read"), m_journalFileName, errno)
                 : ReadUpTo(m_io, fd, m_journalFileName, std::min<qsizetype>(size, MaxJournalBytes), bytes);
    m_io.Close(fd);
    if (!read)
        return read;

    // The check, then its entries; a journal not written whole was never acted on.
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break;
        lines.append(QByteArrayView(bytes).sliced(start, end + 1 - start));
        start = end + 1;
    }
    const QJsonObject check =
        lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.front().toByteArray()).object();
    QList<HistoryEntry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (const auto e = ParseHistoryLine(lines[i]))
            entries.append(*e);
    }
    bool done = false;
    if (!entries.isEmpty() && entries.size() == check.value(QStringLiteral("lines")).toInteger()) {
        const QString kind = check.value(QStringLiteral("check")).toString();
        const qint32 n = check.value(QStringLiteral("record")).toInt();
        const qint64 count = check.value(QStringLiteral("count")).toInteger();
        PersonnelRecord record;
        PersonnelRecord blank;
        if (kind == QLatin1StringView("record")) {
            done = n >= 1 && n <= data.RecordCount() && data.Read(n, record.data(), blank.data()) &&
                   Digest(record) == check.value(QStringLiteral("digest")).toString().toLatin1();
        } else if (kind == QLatin1StringView("count")) {
            done = data.RecordCount() == count;
        } else if (kind == QLatin1StringView("removed")) {
            done = data.RecordCount() == count - 1;
            if (!done && data.RecordCount() == count && n >= 1 && data.Read(n, record.data(), blank.data()) &&
                record.IsMarkedRemoved()) {
                // Marked, not yet squeezed out: finish the removal now.
                if (IoStatus s = compact(); !s)
                    return s;
                done = true;
            }
        }
    }
    if (done) {
        // The history's last whole entry tells which of the journal's entries it already holds.
        qint64 last = 0;
        qint64 historySize = 0;
        if (IoStatus s = HistorySize(&historySize); !s)
            return s;
        if (historySize > 0) {
            const int h = m_io.Open(m_historyFileName, O_RDWR | O_CLOEXEC, 0);
            if (h < 0)
                return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
            QByteArray tail;
            qint64 from = historySize;
            qsizetype lineEnd = -1;
            // Back from the end until a whole line ends the part read.
            for (qint64 chunk = 65536; lineEnd < 0 && from > 0; chunk *= 2) {
                from = std::max<qint64>(0, historySize - chunk);
                tail = QByteArray(historySize - from, '\0');
                if (IoStatus s = ReadFullyAt(m_io, h, tail.data(), tail.size(), from, m_historyFileName);
                    !s) {
                    m_io.Close(h);
                    return s;
                }
                lineEnd = tail.lastIndexOf('\n');
                if (lineEnd >= 0 && from > 0 && tail.lastIndexOf('\n', lineEnd - 1) < 0)
                    lineEnd = -1; // the whole last line is not in yet
            }
            if (lineEnd < tail.size() - 1)
                m_io.Truncate(h, from + lineEnd + 1); // a line cut short
            m_io.Close(h);
            if (lineEnd >= 0) {
                const qsizetype start = tail.lastIndexOf('\n', lineEnd - 1) + 1;
                if (const auto e = ParseHistoryLine(QByteArrayView(tail).sliced(start, lineEnd + 1 - start)))
                    last = e->entry;
            }
        }
        QByteArray missing;
        for (const HistoryEntry& e : std::as_const(entries)) {
            if (e.entry > last)
                missing += HistoryLine(e);
        }
        if (!missing.isEmpty()) {
            if (IoStatus s = AppendWhole(m_io, m_historyFileName, missing); !s)
                return s;
        }
    }
    if (m_io.Remove(m_journalFileName) != 0)
        return IoStatus::Failure(QStringLiteral("remove"), m_journalFileName, errno);
    m_io.SyncFolderOf(m_journalFileName);
    return {};
}

IoStatus ReadEmployeeHistory(const QString& fileName, qint64 employee, QList<HistoryEntry>* entries) {
    entries->clear();
    QFile file(fileName);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return IoStatus::Failure(QStringLiteral("open"), fileName, EACCES);
    if (file.size() == 0)
        return {};
    const uchar* mapped = file.map(0, file.size());
    if (!mapped)
        return IoStatus::Failure(QStringLiteral("read"), fileName, ENOMEM);
    const char* const begin = reinterpret_cast<const char*>(mapped);
    const char* const end = begin + file.size();
    // A key's quote is never inside a value (whose quotes are escaped), so this finds only the
    // employee's lines.
    const QByteArray needle = "\"employee\":" + QByteArray::number(employee) + ',';
    for (const char* at = begin; at < end;) {
        const void* hit = ::memmem(at, std::size_t(end - at), needle.constData(), std::size_t(needle.size()));
        if (!hit)
            break;
        const char* h = static_cast<const char*>(hit);
        const char* lineEnd = static_cast<const char*>(std::memchr(h, '\n', std::size_t(end - h)));
        if (!lineEnd)
            break; // the last line, cut short
        const char* lineStart = h;
        while (lineStart > begin && lineStart[-1] != '\n')
            --lineStart;
        if (const auto e = ParseHistoryLine(QByteArrayView(lineStart, lineEnd - lineStart));
            e && e->employee == employee)
            entries->append(*e);
        at = lineEnd + 1;
    }
    file.unmap(const_cast<uchar*>(mapped));
    return {};
}
