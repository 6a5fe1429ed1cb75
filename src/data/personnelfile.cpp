#include "data/personnelfile.h"

#include "data/historyreplay.h"
#include "data/readonlyfolder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

PersonnelFile::PersonnelFile(FileIo& io, QString dataFileName, QString scratchFileName,
                             QString journalFileName, QString writeJournalFileName)
    : m_file(io, std::move(dataFileName), PersonnelRecordLength),
      m_scratchFileName(std::move(scratchFileName)), m_journalFileName(std::move(journalFileName)),
      m_writeJournalFileName(std::move(writeJournalFileName)) {}

IoStatus PersonnelFile::Count(bool* foundMarked) {
    m_currentCount = 0;
    m_previousCount = 0;
    *foundMarked = false;
    const char* last = nullptr;
    PersonnelRecord lastRecord;
    IoStatus s = m_file.Scan(
        [&](qint64 n, const char* bytes) {
            const PersonnelRecordView view(bytes);
            if (view.IsMarkedRemoved())
                *foundMarked = true;
            else if (view.InactivationDate() == 0)
                ++m_currentCount;
            else
                ++m_previousCount;
            if (n == m_file.RecordCount()) {
                std::memcpy(lastRecord.data(), bytes, PersonnelRecordLength);
                last = lastRecord.data();
            }
        },
        m_blank.data(), FixedRecordFile::ReadAhead::Yes);
    if (s && last)
        m_record = lastRecord;
    return s;
}

IoStatus PersonnelFile::OpenPersonnelFile() {
    if (IoStatus s = OpenPersonnelFileUncounted(); !s)
        return s;
    bool marked = false;
    if (IoStatus s = Count(&marked); !s) {
        m_file.Close();
        return s;
    }
    if (marked && !m_readOnly) {
        // A removal was interrupted after its mark: finish it, then count again.
        if (IoStatus s = CompactPersonnelFile(); !s)
            return s;
        if (IoStatus s = m_file.Open(); !s)
            return s;
        if (IoStatus s = Count(&marked); !s) {
            m_file.Close();
            return s;
        }
    }
    return {};
}

IoStatus PersonnelFile::WaitForWholeFolder() {
    const QString folder = QFileInfo(DataFileName()).absolutePath();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const FolderStamp stamp = StampDataFolder(folder);
        if (!stamp.changing) {
            m_openStamp = stamp.items;
            return {};
        }
        if (waited.elapsed() >= m_readOnlyWaitMs)
            return IoStatus::Refusal(QStringLiteral("read"), DataFileName(),
                                     QStringLiteral("Another copy of the program is still changing it"));
        QThread::msleep(20);
    }
}

bool PersonnelFile::UnchangedSinceOpen() const {
    if (!m_readOnly)
        return true;
    const FolderStamp now = StampDataFolder(QFileInfo(DataFileName()).absolutePath());
    return !now.changing && now.items == m_openStamp;
}

IoStatus PersonnelFile::OpenPersonnelFileUncounted() {
    if (m_readOnly) {
        // Another copy writes: nothing is settled here, and only a folder at rest is read.
        if (IoStatus s = WaitForWholeFolder(); !s)
            return s;
        return m_file.Open();
    }
    m_file.RemoveStaleScratch(m_scratchFileName);
    if (IoStatus s = m_file.Open(); !s)
        return s;
    // The records first, then the history, which tells by them whether a change reached the file.
    IoStatus s = m_file.RollBackAppend(m_journalFileName);
    if (s)
        s = m_file.SettleWrite(m_writeJournalFileName);
    if (!s) {
        m_file.Close();
        return s;
    }
    if (m_history) {
        HistoryKeeper::Settled settled = m_history->Settle(m_file);
        if (settled.status && settled.left == HistoryKeeper::Left::Removal) {
            // A removal marked but not squeezed out: finished here, it is a removal done.
            settled.status = CompactPersonnelFile();
            if (settled.status)
                settled.status = m_file.Open();
            if (settled.status)
                settled = m_history->Settle(m_file);
        }
        if (!settled.status) {
            m_file.Close();
            return settled.status;
        }
    }
    return {};
}

void PersonnelFile::KeepHistory(const Clock& clock, QString historyFileName, QString indexFileName,
                                QString journalFileName) {
    m_history = std::make_unique<HistoryKeeper>(m_file.Io(), clock, std::move(historyFileName),
                                                std::move(indexFileName), std::move(journalFileName));
}

void PersonnelFile::SetHistoryActor(QString user, int level) {
    if (m_history)
        m_history->SetActor(std::move(user), level);
}

void PersonnelFile::SetHistoryNote(QString note) {
    if (m_history)
        m_history->SetNote(std::move(note));
}

IoStatus PersonnelFile::EmployeeNumber(qint32 n, qint64* employee) {
    *employee = 0;
    if (!m_history)
        return {};
    const IoStatus s = m_history->EmployeeAt(m_file, n, employee);
    if (s || !m_readOnly)
        return s;
    // A stale index is the writer's to rebuild: a read-only copy replays the history in memory,
    // once for each length of it.
    const int fd = m_file.Io().Open(m_history->HistoryFileName(), O_RDONLY | O_CLOEXEC, 0);
    const qint64 size = fd < 0 ? -1 : m_file.Io().Size(fd);
    if (fd >= 0)
        m_file.Io().Close(fd);
    if (size != m_replayedSize) {
        HistoryReplay replay;
        if (IoStatus r = ReadHistory(m_file.Io(), m_history->HistoryFileName(),
                                     [&](const HistoryEntry& e) { replay.Apply(e); });
            !r)
            return r;
        m_replayedRoster = std::move(replay.roster);
        m_replayedSize = size;
    }
    if (n < 1 || std::size_t(n) > m_replayedRoster.size())
        return s;
    *employee = m_replayedRoster[std::size_t(n - 1)];
    return {};
}

IoStatus PersonnelFile::BeginRestore(const QString& restoredFile) {
    if (!m_history)
        return {};
    QByteArray digest;
    if (IoStatus s = FileDigest(m_file.Io(), restoredFile, &digest); !s)
        return s;
    return m_history->BeginRestore(digest);
}

void PersonnelFile::AbandonRestore() {
    if (m_history)
        m_history->AbandonRestore();
}

IoStatus PersonnelFile::RecordRestore() {
    if (!m_history)
        return {};
    IoStatus s = m_file.Open();
    if (s)
        s = m_history->Reconcile(m_file, HistoryAction::Restored);
    m_file.Close();
    return s;
}

void PersonnelFile::ClosePersonnelFile() {
    m_file.Close();
}

IoStatus PersonnelFile::ReadPersonnelRecord(qint32 n) {
    return m_file.Read(n, m_record.data(), m_blank.data());
}

IoStatus PersonnelFile::WritePersonnelRecord(qint32 n) {
    // A new employee goes through the journal, like many: a crash in the middle of the write
    // leaves no torn record, since the next open cuts it off.
    if (n == RecordCount() + 1 && m_file.IsOpen()) {
        const PersonnelRecord record = m_record;
        return AppendPersonnelRecords(
            1, [&](qint32, PersonnelRecord& r) { r = record; }, HistoryAction::Added);
    }
    if (!m_history || !m_file.IsOpen() || n < 1 || n > RecordCount())
        return m_file.Write(n, m_record.data(), m_writeJournalFileName);
    return WriteInPlace(n);
}

IoStatus PersonnelFile::WriteInPlace(qint32 n) {
    PersonnelRecord before;
    if (IoStatus s = m_file.Read(n, before.data(), m_blank.data()); !s)
        return s;
    HistoryKeeper::Pending pending;
    if (IoStatus s = m_history->BeginEdit(m_file, n, before, m_record, &pending); !s)
        return s;
    const IoStatus s = m_file.Write(n, m_record.data(), m_writeJournalFileName);
    // A record left to its journal is old or new only at the next open, which settles the
    // history's journal from it too.
    if (m_file.WriteLeftToSettle())
        return s;
    const IoStatus h = m_history->Finish(pending, s.Ok());
    return s ? h : s;
}

// Each record starts blank, is filled and goes to the file as it stands, through the append journal.
IoStatus PersonnelFile::AppendFilled(qint32 count, const std::function<void(qint32, PersonnelRecord&)>& fill) {
    PersonnelRecord record;
    return m_file.AppendRecords(
        count,
        [&](qint64 i, char* bytes) {
            record.Clear();
            fill(static_cast<qint32>(i), record);
            std::memcpy(bytes, record.data(), PersonnelRecordLength);
        },
        m_journalFileName);
}

IoStatus PersonnelFile::AppendPersonnelRecords(qint32 count,
                                               const std::function<void(qint32, PersonnelRecord&)>& fill,
                                               HistoryAction action) {
    if (!m_history)
        return AppendFilled(count, fill);
    // The history journals the records before they are written; each is filled in twice rather
    // than all of them held at once, as an import of any size would have them.
    HistoryKeeper::Pending pending;
    if (IoStatus s = m_history->BeginAppend(m_file, count, fill, action, &pending); !s)
        return s;
    const IoStatus s = AppendFilled(count, fill);
    const IoStatus h = m_history->Finish(pending, s.Ok());
    return s ? h : s;
}

IoStatus PersonnelFile::ChangePersonnelRecords(const std::vector<qint32>& records,
                                               const std::function<void(qint32, PersonnelRecord&)>& change,
                                               qint32 count,
                                               const std::function<void(qint32, PersonnelRecord&)>& fill,
                                               HistoryAction action) {
    if (records.empty()) {
        IoStatus s = count > 0 ? AppendPersonnelRecords(count, fill, action) : IoStatus();
        ClosePersonnelFile();
        return s;
    }
    const bool valid = m_file.IsOpen() && records.front() >= 1 && records.back() <= RecordCount() &&
                       std::adjacent_find(records.cbegin(), records.cend(), std::greater_equal<>()) ==
                           records.cend();
    if (!valid)
        return IoStatus::Failure(QStringLiteral("change records in"), DataFileName(), EINVAL);
    HistoryKeeper::Pending pending;
    if (m_history) {
        if (IoStatus s = m_history->BeginChange(m_file, records, change, count, fill, action, &pending); !s)
            return s;
    }
    PersonnelRecord record;
    std::size_t next = 0;
    const IoStatus s = m_file.Rewrite(
        m_scratchFileName,
        [&](qint64 n, char* bytes) {
            if (next < records.size() && records[next] == n) {
                std::memcpy(record.data(), bytes, PersonnelRecordLength);
                change(records[next++], record);
                std::memcpy(bytes, record.data(), PersonnelRecordLength);
            }
            return true;
        },
        std::max(count, 0),
        [&](qint64 i, char* bytes) {
            record.Clear();
            fill(static_cast<qint32>(i), record);
            std::memcpy(bytes, record.data(), PersonnelRecordLength);
        },
        m_blank.data());
    const IoStatus h = m_history ? m_history->Finish(pending, s.Ok()) : IoStatus();
    return s ? h : s;
}

IoStatus PersonnelFile::MarkRecordRemoved(qint32 n) {
    if (IoStatus s = ReadPersonnelRecord(n); !s)
        return s;
    m_record.SetFirstName(QString::fromLatin1(RemovedMarker));
    return m_file.Write(n, m_record.data(), m_writeJournalFileName);
}

IoStatus PersonnelFile::CompactPersonnelFile() {
    return m_file.Compact(
        m_scratchFileName, [](const char* bytes) { return !PersonnelRecordView(bytes).IsMarkedRemoved(); },
        m_blank.data());
}

IoStatus PersonnelFile::RemovePersonnelRecord(qint32 n) {
    if (n < 1 || n > RecordCount())
        return IoStatus::Failure(QStringLiteral("remove a record from"), DataFileName(), EINVAL);
    if (IoStatus s = ReadPersonnelRecord(n); !s)
        return s;
    const PersonnelRecord original = m_record;
    HistoryKeeper::Pending pending;
    if (m_history) {
        if (IoStatus s = m_history->BeginRemoval(m_file, n, original, &pending); !s)
            return s;
    }
    IoStatus s = MarkRecordRemoved(n);
    if (!s) {
        // A mark left to its journal is settled, with the history's journal, by the next open.
        if (m_history && !m_file.WriteLeftToSettle())
            m_history->Finish(pending, false);
        return s;
    }
    s = CompactPersonnelFile();
    bool putBack = true;
    if (!s) {
        // Put the record back as it was; the compaction left the data file itself untouched.
        m_record = original;
        putBack = m_file.Open() && m_file.Write(n, original.data(), m_writeJournalFileName);
        m_file.Close();
    }
    // A record still marked is removed by the next open, which then takes the history's journal
    // in as a removal done.
    if (!putBack)
        return s;
    // The compaction closed the file; what the history writes does not need it.
    const IoStatus h = m_history ? m_history->Finish(pending, s.Ok()) : IoStatus();
    return s ? h : s;
}

IoStatus PersonnelFile::ScanRecords(const std::function<void(qint32, PersonnelRecordView)>& visit) {
    return m_file.Scan(
        [&](qint64 n, const char* bytes) { visit(static_cast<qint32>(n), PersonnelRecordView(bytes)); },
        m_blank.data(), FixedRecordFile::ReadAhead::Yes);
}

qint16 VersionCreatedStamp(int major, int minor) {
    return static_cast<qint16>((QString::number(major) + QString::number(minor)).toInt());
}
