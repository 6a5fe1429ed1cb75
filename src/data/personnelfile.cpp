#include "data/personnelfile.h"

#include <cerrno>
#include <cstring>

PersonnelFile::PersonnelFile(FileIo& io, QString dataFileName, QString scratchFileName,
                             QString journalFileName)
    : m_file(io, std::move(dataFileName), PersonnelRecordLength),
      m_scratchFileName(std::move(scratchFileName)), m_journalFileName(std::move(journalFileName)) {}

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
    if (marked) {
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

IoStatus PersonnelFile::OpenPersonnelFileUncounted() {
    m_file.RemoveStaleScratch(m_scratchFileName);
    if (IoStatus s = m_file.Open(); !s)
        return s;
    if (IoStatus s = m_file.RollBackAppend(m_journalFileName); !s) {
        m_file.Close();
        return s;
    }
    return {};
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
    if (n == RecordCount() + 1 && m_file.IsOpen())
        return m_file.AppendRecords(
            1, [&](qint64, char* bytes) { std::memcpy(bytes, m_record.data(), PersonnelRecordLength); },
            m_journalFileName);
    return m_file.Write(n, m_record.data());
}

IoStatus PersonnelFile::AppendPersonnelRecords(qint32 count,
                                               const std::function<void(qint32, PersonnelRecord&)>& fill) {
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

IoStatus PersonnelFile::MarkRecordRemoved(qint32 n) {
    if (IoStatus s = ReadPersonnelRecord(n); !s)
        return s;
    m_record.SetFirstName(QString::fromLatin1(RemovedMarker));
    return WritePersonnelRecord(n);
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
    if (IoStatus s = MarkRecordRemoved(n); !s)
        return s;
    IoStatus s = CompactPersonnelFile();
    if (!s) {
        // Put the record back as it was; the compaction left the data file itself untouched.
        m_record = original;
        if (m_file.Open()) {
            m_file.Write(n, original.data());
            m_file.Close();
        }
    }
    return s;
}

IoStatus PersonnelFile::ScanRecords(const std::function<void(qint32, PersonnelRecordView)>& visit) {
    return m_file.Scan(
        [&](qint64 n, const char* bytes) { visit(static_cast<qint32>(n), PersonnelRecordView(bytes)); },
        m_blank.data(), FixedRecordFile::ReadAhead::Yes);
}

qint16 VersionCreatedStamp(int major, int minor) {
    return static_cast<qint16>((QString::number(major) + QString::number(minor)).toInt());
}
