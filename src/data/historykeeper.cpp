#include "data/historykeeper.h"

#include "data/ansitext.h"
#include "data/fixedrecordfile.h"
#include "data/historylines.h"
#include "data/historyreplay.h"
#include "data/journal.h"
#include "data/oledate.h"
#include "data/restorejournal.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_set>
#include <unordered_map>

#include <fcntl.h>

namespace {

// The index: "RHIX0002", then the head's six numbers (little-endian, 64 bits each: the history's
// length, its last entry, the last lasting number given, the sum of the entries' hashes, the
// length of the history's first line and its hash); then per record its employee's lasting
// number and its key.
constexpr char IndexMagic[8] = {'R', 'H', 'I', 'X', '0', '0', '0', '2'};
constexpr qint64 IndexHeaderBytes = HistoryKeeper::IndexHeaderBytes;
constexpr qint64 IndexEntryBytes = HistoryKeeper::IndexEntryBytes;
// A journal holds one change's entries: an import's, or a first start's, are the largest.
constexpr qsizetype MaxJournalBytes = qsizetype(1) << 31;
// Who the history names for a change it found made by another program.
const QString AnotherProgram = QStringLiteral("another program");

constexpr std::size_t FieldCount = PersonnelFields.size();
using FieldValues = HistoryFieldValues;

quint64 Fnv(QByteArrayView bytes) {
    // FNV-1a: stable from one run to the next, unlike qHash.
    quint64 hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

quint64 KeyOf(const QString& last, const QString& first, const QString& created) {
    return Fnv((last + QLatin1Char('\t') + first + QLatin1Char('\t') + created).toUtf8());
}

quint64 KeyOf(const FieldValues& values) {
    return KeyOf(values[std::size_t(PersonnelField::LastName)],
                 values[std::size_t(PersonnelField::FirstName)],
                 values[std::size_t(PersonnelField::DateCreated)]);
}

// The key of `employee`'s record as the replay has it.
quint64 KeyOf(const HistoryReplay& replay, qint64 employee) {
    QString text = replay.Value(employee, std::size_t(PersonnelField::LastName)).toString();
    text += u'\t';
    text += replay.Value(employee, std::size_t(PersonnelField::FirstName));
    text += u'\t';
    text += replay.Value(employee, std::size_t(PersonnelField::DateCreated));
    return Fnv(text.toUtf8());
}

// An index entry's share of the head's sum: a number changed, or two numbers swapped between
// keys, changes the sum.
quint64 EntryHash(qint64 employee, quint64 key) {
    quint64 z = key ^ (quint64(employee) * 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The layout's field names, each one text shared by every change that names it.
const std::array<QString, FieldCount>& FieldNames() {
    static const std::array<QString, FieldCount> names = [] {
        std::array<QString, FieldCount> made;
        for (std::size_t i = 0; i < FieldCount; ++i)
            made[i] = QString::fromLatin1(PersonnelFields[i].name);
        return made;
    }();
    return names;
}

// WholeRecord of a record whose values are made already.
QList<HistoryChange> WholeRecordOf(const FieldValues& values) {
    QList<HistoryChange> changes;
    changes.reserve(qsizetype(FieldCount));
    for (std::size_t i = 0; i < FieldCount; ++i) {
        if (!values[i].isEmpty())
            changes.append({FieldNames()[i], QString(), values[i]});
    }
    return changes;
}

// Whether field `f` of `record` holds `value` as HistoryValue gives it: a text field of plain ASCII
// is compared as it stands, without making its text (a rebuild compares every field of every record).
bool Holds(const PersonnelRecord& record, std::size_t f, QStringView value) {
    const auto field = static_cast<PersonnelField>(f);
    if (PersonnelFields[f].type != FieldType::Text)
        return HistoryValue(record, field) == value;
    const QByteArrayView bytes = TrimSpaces(record.Raw(field));
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && quint8(c) < 0x80;
    if (!ascii)
        return HistoryValue(record, field) == value;
    return QLatin1StringView(bytes) == value;
}

bool IsKeyField(std::size_t f) {
    const auto field = static_cast<PersonnelField>(f);
    return field == PersonnelField::LastName || field == PersonnelField::FirstName ||
           field == PersonnelField::DateCreated;
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

void PutHead(char* bytes, const HistoryIndexHead& h) {
    std::memcpy(bytes, IndexMagic, sizeof IndexMagic);
    PutNumber(bytes + 8, h.historySize);
    PutNumber(bytes + 16, h.lastEntry);
    PutNumber(bytes + 24, h.lastEmployee);
    PutNumber(bytes + 32, qint64(h.sum));
    PutNumber(bytes + 40, h.firstLineBytes);
    PutNumber(bytes + 48, qint64(h.firstLineHash));
}

bool GetHead(const char* bytes, HistoryIndexHead* h) {
    if (std::memcmp(bytes, IndexMagic, sizeof IndexMagic) != 0)
        return false;
    h->historySize = GetNumber(bytes + 8);
    h->lastEntry = GetNumber(bytes + 16);
    h->lastEmployee = GetNumber(bytes + 24);
    h->sum = quint64(GetNumber(bytes + 32));
    h->firstLineBytes = GetNumber(bytes + 40);
    h->firstLineHash = quint64(GetNumber(bytes + 48));
    return h->historySize >= 0 && h->firstLineBytes >= 0 && h->firstLineBytes <= h->historySize &&
           h->firstLineBytes <= MaxHistoryLineBytes + 1;
}

QByteArray Digest(const PersonnelRecord& record) {
    return QCryptographicHash::hash(QByteArrayView(record.data(), PersonnelRecordLength),
                                    QCryptographicHash::Sha1)
        .toHex();
}

QByteArray CheckLine(const QJsonObject& check) {
    return QJsonDocument(check).toJson(QJsonDocument::Compact) + '\n';
}

using JournalCheck = HistoryJournalCheck;
// The check line's names of the kinds, in the enum's order.
constexpr const char* JournalCheckNames[] = {"", "append", "record", "count", "rewrite", "removed", "restore"};

QString JournalCheckName(JournalCheck kind) {
    return QString::fromLatin1(JournalCheckNames[int(kind)]);
}

JournalCheck JournalCheckFrom(const QString& name) {
    for (int kind = int(JournalCheck::Append); kind <= int(JournalCheck::Restore); ++kind) {
        if (name == QLatin1StringView(JournalCheckNames[kind]))
            return JournalCheck(kind);
    }
    return JournalCheck::Unknown;
}

} // namespace

quint64 HistoryLineHash(QByteArrayView line) {
    return Fnv(line);
}

HistoryKeeper::HistoryKeeper(FileIo& io, const Clock& clock, QString historyFileName, QString indexFileName,
                             QString journalFileName)
    : m_io(io), m_clock(clock), m_historyFileName(std::move(historyFileName)),
      m_indexFileName(std::move(indexFileName)), m_journalFileName(std::move(journalFileName)),
      m_linesFileName(HistoryLinesFileFor(m_historyFileName)) {}

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

QDateTime HistoryKeeper::ChangeTime(const PersonnelRecord& before, const PersonnelRecord& after) const {
    const QDateTime now = Now();
    const double modified = after.DateModified();
    if (modified == 0 || modified == before.DateModified())
        return now;
    // The record's time is the writer's wall clock; read in the clock's offset it is that instant.
    const std::optional<QDateTime> wall = OleToDateTime(modified);
    return wall ? QDateTime(wall->date(), wall->time(), Qt::OffsetFromUTC, now.offsetFromUtc()) : now;
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
    // Entries that bring the history in step (and removals, which come from no file) carry no note.
    const bool fromFile = action != HistoryAction::Started && action != HistoryAction::Restored &&
                          action != HistoryAction::Removed;
    if (fromFile)
        e.note = m_note;
    return e;
}

IoStatus HistoryKeeper::HistorySize(qint64* size) {
    *size = 0;
    int fd = -1;
    if (IoStatus s = OpenToRead(m_io, m_historyFileName, &fd); !s || fd < 0)
        return s;
    *size = m_io.Size(fd);
    const int err = errno;
    m_io.Close(fd);
    return *size < 0 ? IoStatus::Failure(QStringLiteral("read"), m_historyFileName, err) : IoStatus();
}

IoStatus HistoryKeeper::ReadHeader(Header* header, IndexState* state, qint64 recordCount, qint64 historySize) {
    *state = IndexState::Missing;
    int fd = -1;
    if (IoStatus s = OpenToRead(m_io, m_indexFileName, &fd); !s || fd < 0)
        return s;
    const off_t indexSize = m_io.Size(fd);
    char bytes[IndexHeaderBytes];
    IoStatus s = indexSize >= IndexHeaderBytes
                     ? ReadFullyAt(m_io, fd, bytes, IndexHeaderBytes, 0, m_indexFileName)
                     : IoStatus::Failure(QStringLiteral("read"), m_indexFileName, EINVAL);
    m_io.Close(fd);
    if (!s || !GetHead(bytes, header))
        return {}; // not an index of this kind: rebuilt from the history
    *state = indexSize == IndexHeaderBytes + IndexEntryBytes * recordCount && header->historySize == historySize
                 ? IndexState::Current
                 : IndexState::Stale;
    return {};
}

IoStatus HistoryKeeper::CheckSum(const Header& header, bool* matches) {
    HistoryIndexView view;
    if (IoStatus s = ReadHistoryIndex(m_io, m_indexFileName, &view); !s)
        return s;
    *matches = view.readable && view.sumMatches && view.head.sum == header.sum;
    return {};
}

IoStatus HistoryKeeper::FirstLine(qint64 historySize, qint64* bytes, quint64* hash) {
    *bytes = 0;
    *hash = 0;
    if (historySize == 0)
        return {};
    const int fd = m_io.Open(m_historyFileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
    QByteArray head;
    IoStatus s;
    for (qint64 want = 65536;; want = MaxHistoryLineBytes + 1) {
        head.resize(std::min(historySize, want));
        if (s = ReadFullyAt(m_io, fd, head.data(), head.size(), 0, m_historyFileName); !s)
            break;
        const qsizetype end = head.indexOf('\n');
        if (end >= 0) {
            *bytes = end + 1;
            *hash = HistoryLineHash(QByteArrayView(head).first(end + 1));
            break;
        }
        if (head.size() == historySize || want > MaxHistoryLineBytes)
            break; // no whole first line: nothing to name the history by
    }
    m_io.Close(fd);
    return s;
}

IoStatus HistoryKeeper::CheckIdentity(const Header& header, qint64 historySize) {
    if (header.firstLineBytes == 0)
        return {};
    QByteArray first(header.firstLineBytes, Qt::Uninitialized);
    bool same = historySize >= header.firstLineBytes;
    if (same) {
        const int fd = m_io.Open(m_historyFileName, O_RDONLY | O_CLOEXEC, 0);
        if (fd < 0)
            return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
        const IoStatus s = ReadFullyAt(m_io, fd, first.data(), first.size(), 0, m_historyFileName);
        m_io.Close(fd);
        if (!s)
            return s;
        same = HistoryLineHash(first) == header.firstLineHash;
    }
    if (same)
        return {};
    const QString index = QFileInfo(m_indexFileName).fileName();
    return IoStatus::Refusal(
        QStringLiteral("open"), m_historyFileName,
        QStringLiteral("It is not the change history this folder keeps: its first line is not the one %1 "
                       "was made from. Put this folder's own %2 back from a backup, or delete %1 to keep "
                       "this history for these employees")
            .arg(index, QFileInfo(m_historyFileName).fileName()));
}

IoStatus HistoryKeeper::CutPartialLine(qint64* size) {
    if (IoStatus s = HistorySize(size); !s || *size == 0)
        return s;
    const int fd = m_io.Open(m_historyFileName, O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
    char last = 0;
    IoStatus s = ReadFullyAt(m_io, fd, &last, 1, *size - 1, m_historyFileName);
    qint64 end = *size;
    if (s && last != '\n')
        s = LastLineEnd(m_io, fd, *size, m_historyFileName, &end);
    if (s && end < *size) {
        // A line cut short by a crash: no reader takes it, and the next append would be glued to it.
        if (m_io.Truncate(fd, end) != 0 || m_io.Sync(fd) != 0)
            s = IoStatus::Failure(QStringLiteral("write"), m_historyFileName, errno);
        else
            *size = end;
    }
    m_io.Close(fd);
    return s;
}

IoStatus HistoryKeeper::WriteIndex(const Header& header, const std::vector<qint64>& employees,
                                   const std::vector<quint64>& keys) {
    QByteArray bytes(IndexHeaderBytes + IndexEntryBytes * qint64(employees.size()), '\0');
    PutHead(bytes.data(), header);
    for (std::size_t i = 0; i < employees.size(); ++i) {
        char* at = bytes.data() + IndexHeaderBytes + IndexEntryBytes * qint64(i);
        PutNumber(at, employees[i]);
        PutNumber(at + 8, qint64(keys[i]));
    }
    const int fd =
        m_io.Open(m_indexFileName, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno);
    IoStatus s = WriteFullyAt(m_io, fd, bytes.constData(), bytes.size(), 0, m_indexFileName);
    m_io.Close(fd);
    if (!s) {
        m_io.Remove(m_indexFileName);
    } else {
        m_header = header;
        m_sumChecked = true;
    }
    return s;
}

HistoryKeeper::Settled HistoryKeeper::Settle(FixedRecordFile& data) {
    Settled settled;
    settled.status = ResolveJournal(data, &settled.left);
    if (settled.status && settled.left == Left::Nothing)
        settled.status = CheckHistory(data);
    return settled;
}

IoStatus HistoryKeeper::CheckHistory(FixedRecordFile& data) {
    const bool exists = m_io.Exists(m_historyFileName);
    qint64 size = 0;
    if (exists) {
        if (IoStatus s = HistorySize(&size); !s)
            return s;
    }
    Header head;
    IndexState state = IndexState::Missing;
    if (IoStatus s = ReadHeader(&head, &state, data.RecordCount(), size); !s)
        return s;
    if (!exists) {
        if (state != IndexState::Missing && head.historySize > 0)
            return IoStatus::Refusal(
                QStringLiteral("open"), m_historyFileName,
                QStringLiteral("It is missing, though %1 shows that this folder keeps a change history. Put "
                               "%2 back from a backup, or delete %1 to start a new history")
                    .arg(QFileInfo(m_indexFileName).fileName(), QFileInfo(m_historyFileName).fileName()));
        return Rebuild(data, HistoryAction::Started);
    }
    if (state == IndexState::Current) {
        if (IoStatus s = CheckIdentity(head, size); !s)
            return s;
        m_header = head;
        if (m_sumChecked) {
            BringHistoryLinesInStep(m_io, m_linesFileName, m_historyFileName, size, head.firstLineBytes,
                                    head.firstLineHash);
            return {};
        }
        bool matches = false;
        if (IoStatus s = CheckSum(head, &matches); !s)
            return s;
        if (matches) {
            m_sumChecked = true;
            BringHistoryLinesInStep(m_io, m_linesFileName, m_historyFileName, size, head.firstLineBytes,
                                    head.firstLineHash);
            return {};
        }
        return Rebuild(data, HistoryAction::Started); // an index changed behind its head's back
    }
    if (state == IndexState::Stale) {
        if (IoStatus s = CheckIdentity(head, size); !s)
            return s;
    }
    return Rebuild(data, HistoryAction::Started); // which cuts off a last line cut short first
}


IoStatus HistoryKeeper::Rebuild(FixedRecordFile& data, HistoryAction reconcileAs, const QByteArray& restored) {
    const bool starting = !m_io.Exists(m_historyFileName);
    qint64 from = 0;
    if (!starting) {
        if (IoStatus s = CutPartialLine(&from); !s)
            return s;
    }
    HistoryReplay replayed;
    const bool restoring = reconcileAs == HistoryAction::Restored;
    replayed.keepStates = restoring;
    std::vector<HistoryLineStart> starts; // where each entry's line starts, for the line table
    if (IoStatus s = ReadHistoryLines(m_io, m_historyFileName, 0,
                                      [&](QByteArrayView line, qint64 offset) {
                                          if (qint64 employee = 0; replayed.ApplyLine(line, &employee))
                                              starts.push_back({employee, offset});
                                      });
        !s)
        return s;

    // Where each key stands in the history's order, to match the records to it in that order.
    const std::vector<qint64>& roster = replayed.roster;
    std::vector<quint64> rosterKeys(roster.size());
    std::map<quint64, std::vector<std::size_t>> places;
    std::unordered_map<qint64, std::size_t> placeOf;
    for (std::size_t i = 0; i < roster.size(); ++i) {
        rosterKeys[i] = KeyOf(replayed, roster[i]);
        places[rosterKeys[i]].push_back(i);
        placeOf.emplace(roster[i], i);
    }

    PersonnelRecord record;
    PersonnelRecord blank;
    // A restore first knows each record by a state an employee's record has been in (a backup's
    // record is the state its employee was in when it was made, whatever changed since): of the
    // employees that were in that state, the one in the same record, else the one with the lowest
    // number not yet taken. So identity survives any change of any field between the backup and
    // its restore.
    std::vector<qint64> byState;
    std::vector<char> claimed(roster.size(), 0);
    std::unordered_set<qint64> taken;
    if (restoring) {
        std::vector<std::pair<quint64, qint64>>& states = replayed.states;
        std::sort(states.begin(), states.end());
        states.erase(std::unique(states.begin(), states.end()), states.end());
        IoStatus s = data.Scan(
            [&](qint64 n, const char* bytes) {
                std::memcpy(record.data(), bytes, PersonnelRecordLength);
                const quint64 hash = HistoryStateHash(ValuesOf(record));
                const auto [from, to] = std::equal_range(
                    states.cbegin(), states.cend(), std::pair<quint64, qint64>(hash, 0),
                    [](const auto& a, const auto& b) { return a.first < b.first; });
                qint64 chosen = 0;
                for (auto it = from; it != to; ++it) {
                    if (taken.count(it->second) != 0)
                        continue;
                    const auto place = placeOf.find(it->second);
                    if (place != placeOf.end() && place->second == std::size_t(n - 1)) {
                        chosen = it->second;
                        break;
                    }
                    if (chosen == 0)
                        chosen = it->second;
                }
                if (chosen != 0) {
                    taken.insert(chosen);
                    if (const auto place = placeOf.find(chosen); place != placeOf.end())
                        claimed[place->second] = 1;
                }
                byState.push_back(chosen);
            },
            blank.data());
        if (!s)
            return s;
    }

    std::map<quint64, qint64> returning;
    if (restoring) {
        for (const qint64 departed : replayed.Departed()) {
            if (taken.count(departed) != 0)
                continue;
            qint64& employee = returning[KeyOf(replayed, departed)];
            employee = std::max(employee, departed); // the last to go, of two alike
        }
    }

    QByteArray lines;
    // A first start writes the history whole under a scratch name and renames it into place: the
    // rename is the change, so it needs no journal (cut short before it, there is no history, and
    // the next open starts it again), and its lines go to the file a block at a time.
    std::optional<WholeFileWriter> whole;
    if (starting && restored.isEmpty())
        whole.emplace(m_io, m_historyFileName, PartialCopyName(m_historyFileName), QStringLiteral("write"));
    IoStatus wrote;
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
        starts.push_back({e.employee, from + (whole ? whole->Written() : 0) + lines.size()});
        lines += HistoryLine(e);
        if (whole && lines.size() >= (4 << 20)) {
            if (wrote)
                wrote = whole->Append(lines);
            lines.clear();
        }
    };
    const auto gone = [&](std::size_t i) {
        if (claimed[i])
            return; // a record further on is theirs
        HistoryEntry e =
            NewEntry(roster[i], 0, restoring ? HistoryAction::Restored : HistoryAction::Removed, now);
        for (std::size_t f = 0; f < FieldCount; ++f) {
            if (const QStringView was = replayed.Value(roster[i], f); !was.isEmpty())
                e.changes.append({FieldNames()[f], was.toString(), QString()});
        }
        put(e);
    };
    IoStatus scan = data.Scan(
        [&](qint64 n, const char* bytes) {
            std::memcpy(record.data(), bytes, PersonnelRecordLength);
            const qint32 number = qint32(n);
            // The key's values first; the others as they are needed.
            FieldValues is;
            for (std::size_t f = 0; f < FieldCount; ++f) {
                if (IsKeyField(f))
                    is[f] = HistoryValue(record, static_cast<PersonnelField>(f));
            }
            const quint64 key = KeyOf(is);
            std::size_t match = roster.size();
            qint64 departed = 0; // known by its state: an employee removed since the backup
            if (restoring && byState[std::size_t(n - 1)] != 0) {
                const qint64 known = byState[std::size_t(n - 1)];
                if (const auto place = placeOf.find(known); place != placeOf.end())
                    match = place->second;
                else
                    departed = known;
            } else if (next < roster.size() && rosterKeys[next] == key && !claimed[next]) {
                match = next;
            } else if (const auto at = places.find(key); at != places.end()) {
                for (auto later = std::lower_bound(at->second.begin(), at->second.end(), next);
                     later != at->second.end(); ++later) {
                    if (!claimed[*later]) {
                        match = *later;
                        break;
                    }
                }
            }
            if (match == roster.size()) {
                // Someone the history has not seen, or (in a restore) someone removed since the
                // backup, who gets their own number back.
                qint64 employee = departed;
                if (employee == 0) {
                    if (const auto back = returning.find(key); back != returning.end()) {
                        employee = back->second;
                        returning.erase(back);
                    } else {
                        employee = ++lastEmployee;
                    }
                }
                HistoryEntry e = NewEntry(employee, number,
                                          restoring ? HistoryAction::Restored : HistoryAction::Started, now);
                for (std::size_t f = 0; f < FieldCount; ++f) {
                    if (!IsKeyField(f))
                        is[f] = HistoryValue(record, static_cast<PersonnelField>(f));
                }
                e.changes = WholeRecordOf(is);
                put(e);
                employees.push_back(employee);
            } else {
                for (; next < match; ++next)
                    gone(next);
                next = std::max(next, match + 1);
                claimed[match] = 1; // matched: never gone
                const qint64 employee = roster[match];
                const bool known = replayed.OnFile(employee);
                HistoryEntry e = NewEntry(employee, number,
                                          restoring ? HistoryAction::Restored : HistoryAction::Edited, now);
                bool changed = false;
                for (std::size_t f = 0; f < FieldCount; ++f) {
                    const QStringView was = known ? replayed.Value(employee, f) : QStringView();
                    if (IsKeyField(f) ? was == is[f] : Holds(record, f, was))
                        continue;
                    if (!IsKeyField(f))
                        is[f] = HistoryValue(record, static_cast<PersonnelField>(f));
                    // DateModified goes with the other changes: the record as of a day after shows
                    // the file's own.
                    const bool modified = static_cast<PersonnelField>(f) == PersonnelField::DateModified;
                    changed = changed || !modified;
                    e.changes.append({FieldNames()[f], was.toString(), is[f]});
                }
                if (restoring || changed)
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

    // Even with nothing to add, the file is made: the history has begun. The entries go through
    // the journal like any others, so that one cut short is completed, never glued to the next.
    if (whole) {
        if (wrote)
            wrote = whole->Append(lines);
        if (wrote)
            wrote = whole->Commit();
        if (!wrote)
            return wrote;
    } else if (starting || !lines.isEmpty()) {
        QJsonObject check;
        if (!restored.isEmpty())
            check.insert(QStringLiteral("digest"), QString::fromLatin1(restored));
        check.insert(QStringLiteral("lines"), entry - replayed.lastEntry);
        check.insert(QStringLiteral("from"), from);
        if (!lines.isEmpty()) {
            if (IoStatus s = WriteJournal(restored.isEmpty() ? JournalCheck::Append : JournalCheck::Restore,
                                          check, lines);
                !s)
                return s;
        }
        if (IoStatus s = AppendWhole(m_io, m_historyFileName, lines); !s)
            return s; // the journal stays: the next open appends the entries
    }
    Header header;
    if (IoStatus s = HistorySize(&header.historySize); !s)
        return s;
    if (IoStatus s = FirstLine(header.historySize, &header.firstLineBytes, &header.firstLineHash); !s)
        return s;
    header.lastEntry = entry;
    header.lastEmployee = lastEmployee;
    for (std::size_t i = 0; i < employees.size(); ++i)
        header.sum += EntryHash(employees[i], keys[i]);
    WriteIndex(header, employees, keys); // a cache: when it cannot be written, it is rebuilt next time
    WriteHistoryLines(m_io, m_linesFileName, header.historySize, header.firstLineBytes, header.firstLineHash,
                      std::move(starts)); // the same
    m_header = header;
    m_restoreDigest.clear();
    if (m_io.Exists(m_journalFileName)) {
        m_io.Remove(m_journalFileName);
        m_io.SyncFolderOf(m_journalFileName);
    }
    return {};
}

IoStatus HistoryKeeper::Reconcile(FixedRecordFile& data, HistoryAction action) {
    return Rebuild(data, action, action == HistoryAction::Restored ? m_restoreDigest : QByteArray());
}

IoStatus HistoryKeeper::BeginRestore(const QByteArray& digest) {
    m_restoreDigest = digest;
    return WriteJournal(JournalCheck::Restore,
                        {{QStringLiteral("digest"), QString::fromLatin1(digest)},
                         {QStringLiteral("lines"), 0}},
                        QByteArray());
}

void HistoryKeeper::AbandonRestore() {
    m_restoreDigest.clear();
    if (m_io.Remove(m_journalFileName) == 0)
        m_io.SyncFolderOf(m_journalFileName);
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


IoStatus HistoryKeeper::WriteJournal(JournalCheck kind, QJsonObject check,
                                     const std::function<bool(QByteArray& block)>& next, Pending* pending) {
    check.insert(QStringLiteral("check"), JournalCheckName(kind));
    const QByteArray head = CheckLine(check);
    qint64 at = 0;
    if (IoStatus s = ReplaceFileWhole(m_io, m_journalFileName, head, next, &at); !s)
        return s;
    if (pending) {
        pending->journaled = true;
        pending->linesAt = head.size();
        pending->linesSize = at - head.size();
    }
    return {};
}

IoStatus HistoryKeeper::WriteJournal(JournalCheck kind, const QJsonObject& check, const QByteArray& lines,
                                     Pending* pending) {
    return WriteJournal(
        kind, check,
        [&](QByteArray& block) {
            block = lines;
            return false;
        },
        pending);
}

namespace {
// What an edit of `before` into `after` (with `changes`) is called.
HistoryAction EditAction(const PersonnelRecord& before, const PersonnelRecord& after,
                         const QList<HistoryChange>& changes) {
    if (before.InactivationDate() == 0 && after.InactivationDate() != 0)
        return HistoryAction::MadePrevious;
    if (before.InactivationDate() != 0 && after.InactivationDate() == 0)
        return HistoryAction::MadeCurrent;
    if (changes.size() == 1 && changes.front().field == QLatin1StringView("PictureFile"))
        return HistoryAction::PictureChanged;
    return HistoryAction::Edited;
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
    HistoryEntry e = NewEntry(employee, n, EditAction(before, after, changes), ChangeTime(before, after));
    e.entry = m_header.lastEntry + 1;
    e.changes = std::move(changes);
    pending->kind = Pending::Kind::Edit;
    pending->record = n;
    pending->keys = {RecordKey(after)};
    pending->sumChange = EntryHash(employee, RecordKey(after)) - EntryHash(employee, RecordKey(before));
    pending->lastEntry = e.entry;
    pending->lastEmployee = m_header.lastEmployee;
    pending->line = HistoryLine(e);
    pending->starts = {{employee, 0}};
    return WriteJournal(JournalCheck::Record,
                        {{QStringLiteral("record"), n},
                         {QStringLiteral("digest"), QString::fromLatin1(Digest(after))},
                         {QStringLiteral("lines"), 1},
                         {QStringLiteral("from"), m_header.historySize}},
                        pending->line, pending);
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
    // The lines go to the journal a block at a time.
    constexpr qsizetype BlockBytes = 1 << 20;
    PersonnelRecord record;
    qint32 i = 0;
    qint64 placed = 0; // where the next line starts among the change's
    return WriteJournal(
        JournalCheck::Count,
        {{QStringLiteral("count"), records + count},
         {QStringLiteral("lines"), count},
         {QStringLiteral("from"), m_header.historySize}},
        [&](QByteArray& block) {
            for (; i < count && block.size() < BlockBytes; ++i) {
                record.Clear();
                fill(i, record);
                HistoryEntry e = NewEntry(pending->firstEmployee + i, qint32(records + 1 + i), action, now);
                e.entry = m_header.lastEntry + 1 + i;
                e.changes = WholeRecord(record);
                pending->starts.push_back({e.employee, placed});
                const QByteArray line = HistoryLine(e);
                placed += line.size();
                block += line;
                pending->keys.push_back(RecordKey(record));
                pending->sumChange += EntryHash(e.employee, pending->keys.back());
            }
            return i < count;
        },
        pending);
}

IoStatus HistoryKeeper::BeginChange(FixedRecordFile& data, const std::vector<qint32>& records,
                                    const std::function<void(qint32, PersonnelRecord&)>& change, qint32 count,
                                    const std::function<void(qint32, PersonnelRecord&)>& fill,
                                    HistoryAction action, Pending* pending) {
    *pending = {};
    const qint64 recordCount = data.RecordCount();
    PersonnelRecord before;
    PersonnelRecord after;
    PersonnelRecord blank;
    // Record n as it is and as the change makes it.
    const auto load = [&](qint32 n) {
        if (IoStatus s = data.Read(n, before.data(), blank.data()); !s)
            return s;
        after = before;
        change(n, after);
        return IoStatus();
    };
    // The entries are counted first, for the journal's check line: an edit whose fields the history
    // does not keep has none. The check is the file's record count and, when nothing is added, the
    // digest of the first record the change alters: the file is replaced whole, so one record tells
    // the old file from the new.
    qint64 edits = 0;
    qint32 checked = 0;
    QByteArray digest;
    for (const qint32 n : records) {
        if (IoStatus s = load(n); !s)
            return s;
        if (!RecordChanges(before, after).isEmpty())
            ++edits;
        if (checked == 0 && std::memcmp(before.data(), after.data(), PersonnelRecordLength) != 0) {
            checked = n;
            digest = Digest(after);
        }
    }
    if (edits == 0 && count <= 0)
        return {};
    const QDateTime now = Now();
    pending->kind = Pending::Kind::Change;
    pending->firstEmployee = m_header.lastEmployee + 1;
    pending->lastEmployee = m_header.lastEmployee + std::max(count, 0);
    pending->lastEntry = m_header.lastEntry + edits + std::max(count, 0);
    pending->keys.reserve(std::size_t(std::max(count, 0)));
    constexpr qsizetype BlockBytes = 1 << 20;
    std::size_t next = 0;
    qint32 i = 0;
    qint64 entry = m_header.lastEntry;
    qint64 placed = 0; // where the next line starts among the change's
    const auto put = [&](const HistoryEntry& e, QByteArray& block) {
        pending->starts.push_back({e.employee, placed});
        const QByteArray line = HistoryLine(e);
        placed += line.size();
        block += line;
    };
    IoStatus failed;
    const IoStatus s = WriteJournal(
        JournalCheck::Rewrite,
        {{QStringLiteral("count"), recordCount + std::max(count, 0)},
         {QStringLiteral("record"), count > 0 ? 0 : checked},
         {QStringLiteral("digest"), QString::fromLatin1(count > 0 ? QByteArray() : digest)},
         {QStringLiteral("lines"), edits + std::max(count, 0)},
         {QStringLiteral("from"), m_header.historySize}},
        [&](QByteArray& block) {
            for (; failed.Ok() && next < records.size() && block.size() < BlockBytes; ++next) {
                const qint32 n = records[next];
                if (failed = load(n); !failed)
                    break;
                QList<HistoryChange> changes = RecordChanges(before, after);
                if (changes.isEmpty())
                    continue;
                qint64 employee = 0;
                if (failed = EmployeeAt(data, n, &employee, &before); !failed)
                    break;
                HistoryEntry e =
                    NewEntry(employee, n, EditAction(before, after, changes), ChangeTime(before, after));
                e.entry = ++entry;
                e.changes = std::move(changes);
                put(e, block);
                const quint64 key = RecordKey(after);
                pending->edits.emplace_back(n, key);
                pending->sumChange += EntryHash(employee, key) - EntryHash(employee, RecordKey(before));
            }
            for (; failed.Ok() && next == records.size() && i < count && block.size() < BlockBytes; ++i) {
                after.Clear();
                fill(i, after);
                HistoryEntry e = NewEntry(pending->firstEmployee + i, qint32(recordCount + 1 + i), action, now);
                e.entry = ++entry;
                e.changes = WholeRecord(after);
                put(e, block);
                pending->keys.push_back(RecordKey(after));
                pending->sumChange += EntryHash(e.employee, pending->keys.back());
            }
            return failed.Ok() && (next < records.size() || i < count);
        },
        pending);
    if (s && !failed) {
        // A record that could not be read ended the lines short: the change is not made.
        m_io.Remove(m_journalFileName);
        pending->journaled = false;
        return failed;
    }
    return s;
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
    pending->sumChange = -EntryHash(employee, RecordKey(before));
    pending->lastEntry = e.entry;
    pending->lastEmployee = m_header.lastEmployee;
    pending->line = HistoryLine(e);
    pending->starts = {{employee, 0}};
    return WriteJournal(JournalCheck::Removed,
                        {{QStringLiteral("record"), n},
                         {QStringLiteral("count"), data.RecordCount()},
                         {QStringLiteral("lines"), 1},
                         {QStringLiteral("from"), m_header.historySize}},
                        pending->line, pending);
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
        const int journal = m_io.Open(m_journalFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
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

    // The index follows; its head last, so that it never claims a history it does not match.
    Header header = m_header;
    const qint64 appendedAt = m_header.historySize;
    if (header.historySize == 0) {
        if (IoStatus s = FirstLine(pending.linesSize, &header.firstLineBytes, &header.firstLineHash); !s)
            return s;
    }
    header.historySize += pending.linesSize;
    header.lastEntry = pending.lastEntry;
    header.lastEmployee = pending.lastEmployee;
    header.sum += pending.sumChange;
    const int fd = m_io.Open(m_indexFileName, O_RDWR | O_CLOEXEC, 0);
    IoStatus s = fd < 0 ? IoStatus::Failure(QStringLiteral("open"), m_indexFileName, errno) : IoStatus();
    const off_t size = s ? m_io.Size(fd) : 0;
    if (s && pending.kind == Pending::Kind::Edit) {
        char key[8];
        PutNumber(key, qint64(pending.keys.front()));
        s = WriteFullyAt(m_io, fd, key, 8, IndexHeaderBytes + IndexEntryBytes * (pending.record - 1) + 8,
                         m_indexFileName);
    } else if (s && (pending.kind == Pending::Kind::Append || pending.kind == Pending::Kind::Change)) {
        for (const auto& [record, key] : pending.edits) {
            char bytes[8];
            PutNumber(bytes, qint64(key));
            if (s = WriteFullyAt(m_io, fd, bytes, 8, IndexHeaderBytes + IndexEntryBytes * (record - 1) + 8,
                                 m_indexFileName);
                !s)
                break;
        }
        QByteArray bytes(IndexEntryBytes * qint64(pending.keys.size()), '\0');
        for (std::size_t i = 0; i < pending.keys.size(); ++i) {
            PutNumber(bytes.data() + IndexEntryBytes * qint64(i), pending.firstEmployee + qint64(i));
            PutNumber(bytes.data() + IndexEntryBytes * qint64(i) + 8, qint64(pending.keys[i]));
        }
        if (s && !bytes.isEmpty())
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
        char bytes[IndexHeaderBytes];
        PutHead(bytes, header);
        s = WriteFullyAt(m_io, fd, bytes, IndexHeaderBytes, 0, m_indexFileName);
    }
    if (s && m_io.Sync(fd) != 0)
        s = IoStatus::Failure(QStringLiteral("write"), m_indexFileName, errno);
    if (fd >= 0)
        m_io.Close(fd);
    if (s)
        m_header = header;
    else
        m_io.Remove(m_indexFileName); // rebuilt from the history at the next open
    // Then the line table, a cache as well: left behind, the next open brings it in step.
    std::vector<HistoryLineStart> starts = pending.starts;
    for (HistoryLineStart& start : starts)
        start.offset += appendedAt;
    AppendHistoryLines(m_io, m_linesFileName, appendedAt, appendedAt + pending.linesSize, starts);
    m_io.Remove(m_journalFileName);
    return {};
}

IoStatus HistoryKeeper::LastWholeEntry(qint64 size, qint64* entry) {
    *entry = 0;
    if (size == 0)
        return {};
    const int fd = m_io.Open(m_historyFileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
    QByteArray line;
    const IoStatus s = LastWholeLine(m_io, fd, size, m_historyFileName, &line);
    if (const auto e = s ? ParseHistoryLine(line) : std::nullopt)
        *entry = e->entry;
    m_io.Close(fd);
    return s;
}

IoStatus HistoryKeeper::AppendMissing(const QByteArray& lines, const QList<HistoryEntry>& entries, qint64 from) {
    qint64 size = 0;
    if (IoStatus s = CutPartialLine(&size); !s)
        return s;
    // The history as it stood when the journal was written, and then a whole part of its lines
    // (an append cut short and its last line cut off): the rest of them are missing.
    qsizetype missingFrom = -1;
    if (from >= 0 && size >= from && size - from <= lines.size()) {
        QByteArray there(size - from, Qt::Uninitialized);
        const int fd = m_io.Open(m_historyFileName, O_RDONLY | O_CLOEXEC, 0);
        if (fd < 0 && m_io.Exists(m_historyFileName))
            return IoStatus::Failure(QStringLiteral("open"), m_historyFileName, errno);
        IoStatus s = fd < 0 ? IoStatus() : ReadFullyAt(m_io, fd, there.data(), there.size(), from, m_historyFileName);
        if (fd >= 0)
            m_io.Close(fd);
        if (!s)
            return s;
        if (lines.startsWith(there))
            missingFrom = there.size();
    }
    QByteArray missing;
    if (missingFrom >= 0) {
        missing = lines.mid(missingFrom);
    } else {
        // A history changed since (or a journal that does not say where it began): the last whole
        // entry tells which of the journal's entries it already holds.
        qint64 last = 0;
        if (IoStatus s = LastWholeEntry(size, &last); !s)
            return s;
        for (const HistoryEntry& e : entries) {
            if (e.entry > last)
                missing += HistoryLine(e);
        }
    }
    return missing.isEmpty() ? IoStatus() : AppendWhole(m_io, m_historyFileName, missing);
}

namespace {

// The journal as read back: its check line, then its entries' lines.
struct JournalRead {
    JournalCheck check = JournalCheck::Unknown;
    qint32 record = 0;
    qint64 count = 0;
    qint64 from = -1; // the history's length when it was written; -1 when it does not say
    QByteArray digest;
    QByteArray lines;
    QList<HistoryEntry> entries;
    bool whole = false; // every line an entry, as many as the check line counts
};

JournalRead ParseJournal(const QByteArray& bytes) {
    JournalRead j;
    const qsizetype checkEnd = bytes.indexOf('\n');
    const QJsonObject check =
        checkEnd < 0 ? QJsonObject() : QJsonDocument::fromJson(bytes.left(checkEnd)).object();
    if (checkEnd >= 0)
        j.lines = bytes.mid(checkEnd + 1);
    j.whole = j.lines.isEmpty() || j.lines.endsWith('\n');
    for (qsizetype start = 0; j.whole && start < j.lines.size();) {
        const qsizetype end = j.lines.indexOf('\n', start);
        const auto e = ParseHistoryLine(QByteArrayView(j.lines).sliced(start, end - start));
        j.whole = e.has_value();
        if (e)
            j.entries.append(*e);
        start = end + 1;
    }
    j.whole = j.whole && j.entries.size() == check.value(QStringLiteral("lines")).toInteger(-1);
    j.check = JournalCheckFrom(check.value(QStringLiteral("check")).toString());
    j.record = check.value(QStringLiteral("record")).toInt();
    j.count = check.value(QStringLiteral("count")).toInteger();
    j.from = check.value(QStringLiteral("from")).toInteger(-1);
    j.digest = check.value(QStringLiteral("digest")).toString().toLatin1();
    return j;
}

// Whether record n of `data` is the one whose SHA-1 is `digest`.
bool RecordIs(FixedRecordFile& data, qint32 n, const QByteArray& digest) {
    PersonnelRecord record;
    PersonnelRecord blank;
    return n >= 1 && n <= data.RecordCount() && data.Read(n, record.data(), blank.data()) &&
           Digest(record) == digest;
}

bool RecordMarkedRemoved(FixedRecordFile& data, qint32 n) {
    PersonnelRecord record;
    PersonnelRecord blank;
    return n >= 1 && n <= data.RecordCount() && data.Read(n, record.data(), blank.data()) &&
           record.IsMarkedRemoved();
}

// What the journal's change comes to, told by the file as it stands (a restore's by `fileDigest`).
enum class JournalDue { Drop, Append, RecordRestore, FinishRemoval };

JournalDue DueOf(const JournalRead& j, FixedRecordFile& data, const QByteArray& fileDigest) {
    if (j.check == JournalCheck::Restore) {
        // Recorded as a restore when the restored file is the one in place; a restore undone
        // leaves nothing to record.
        if (fileDigest != j.digest)
            return JournalDue::Drop;
        return j.whole && !j.entries.isEmpty() ? JournalDue::Append : JournalDue::RecordRestore;
    }
    if (!j.whole || j.entries.isEmpty())
        return JournalDue::Drop; // a journal not written whole was never acted on
    const qint64 count = data.RecordCount();
    bool done = false;
    switch (j.check) {
    case JournalCheck::Append:
        done = true; // entries that bring the history in step with the file as it stands
        break;
    case JournalCheck::Record:
        done = RecordIs(data, j.record, j.digest);
        break;
    case JournalCheck::Count:
        done = count == j.count;
        break;
    case JournalCheck::Rewrite:
        // The file was replaced whole: its count, or with nothing added one record it changed,
        // tells whether the new one is in place.
        done = count == j.count && (j.record == 0 || RecordIs(data, j.record, j.digest));
        break;
    case JournalCheck::Removed:
        if (count == j.count && RecordMarkedRemoved(data, j.record))
            return JournalDue::FinishRemoval; // marked, not yet squeezed out
        done = count == j.count - 1;
        break;
    case JournalCheck::Unknown:
    case JournalCheck::Restore:
        break;
    }
    return done ? JournalDue::Append : JournalDue::Drop;
}

} // namespace

IoStatus HistoryKeeper::ResolveJournal(FixedRecordFile& data, Left* left) {
    *left = Left::Nothing;
    // A scratch journal that never took the journal's place was never acted on.
    if (const QString scratch = PartialCopyName(m_journalFileName); m_io.Exists(scratch))
        m_io.Remove(scratch);
    QByteArray bytes;
    bool found = false;
    if (IoStatus s = ReadJournalFile(m_io, m_journalFileName, MaxJournalBytes, &bytes, &found); !s || !found)
        return s;
    const JournalRead journal = ParseJournal(bytes);
    bytes.clear();
    QByteArray fileDigest;
    if (journal.check == JournalCheck::Restore) {
        if (IoStatus s = FileDigest(m_io, data.FileName(), &fileDigest); !s)
            return s;
    }
    switch (DueOf(journal, data, fileDigest)) {
    case JournalDue::RecordRestore:
        return Rebuild(data, HistoryAction::Restored, fileDigest); // removes the journal
    case JournalDue::FinishRemoval:
        *left = Left::Removal; // the journal stays: once the file is compacted it is a removal done
        return {};
    case JournalDue::Append:
        if (IoStatus s = AppendMissing(journal.lines, journal.entries, journal.from); !s)
            return s;
        break;
    case JournalDue::Drop:
        break;
    }
    if (!RemoveJournalFile(m_io, m_journalFileName))
        return IoStatus::Failure(QStringLiteral("remove"), m_journalFileName, errno);
    return {};
}

IoStatus FileDigest(FileIo& io, const QString& fileName, QByteArray* digest) {
    digest->clear();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    int fd = -1;
    if (IoStatus s = OpenToRead(io, fileName, &fd); !s)
        return s;
    if (fd >= 0) {
        const qint64 size = io.Size(fd);
        QByteArray block(std::min<qint64>(std::max<qint64>(size, 0), 1 << 20), Qt::Uninitialized);
        IoStatus s = size < 0 ? IoStatus::Failure(QStringLiteral("read"), fileName, errno) : IoStatus();
        for (qint64 at = 0; s && at < size; at += block.size()) {
            const qint64 want = std::min<qint64>(block.size(), size - at);
            s = ReadFullyAt(io, fd, block.data(), want, at, fileName);
            hash.addData(QByteArrayView(block.constData(), want));
        }
        io.Close(fd);
        if (!s)
            return s;
    }
    *digest = hash.result().toHex();
    return {};
}

IoStatus ReadHistoryIndex(FileIo& io, const QString& fileName, HistoryIndexView* view) {
    *view = {};
    view->present = io.Exists(fileName);
    if (!view->present)
        return {};
    const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    const qint64 size = io.Size(fd);
    QByteArray bytes;
    const IoStatus s = size < 0 ? IoStatus::Failure(QStringLiteral("read"), fileName, errno)
                                : ReadUpTo(io, fd, fileName, size, bytes);
    io.Close(fd);
    if (!s)
        return s;
    if (bytes.size() < IndexHeaderBytes || (bytes.size() - IndexHeaderBytes) % IndexEntryBytes != 0 ||
        !GetHead(bytes.constData(), &view->head))
        return {};
    view->readable = true;
    quint64 sum = 0;
    for (qsizetype at = IndexHeaderBytes; at < bytes.size(); at += IndexEntryBytes) {
        view->employees.push_back(GetNumber(bytes.constData() + at));
        view->keys.push_back(quint64(GetNumber(bytes.constData() + at + 8)));
        sum += EntryHash(view->employees.back(), view->keys.back());
    }
    view->sumMatches = sum == view->head.sum;
    return {};
}
