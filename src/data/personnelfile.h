#pragma once

#include "data/datafilenames.h"
#include "data/fileio.h"
#include "data/fixedrecordfile.h"
#include "data/historykeeper.h"
#include "data/records.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// "Rosterly.Data": one 5000-byte record per employee, numbered from 1, no header. Callers open
// it, read and write by record number, and close it within one user action. The one shared
// record buffer of the program lives here.
class PersonnelFile {
public:
    explicit PersonnelFile(FileIo& io, QString dataFileName = PersonnelFileName,
                           QString scratchFileName = ScratchFileName,
                           QString journalFileName = AppendJournalFileName,
                           QString writeJournalFileName = WriteJournalFileName);

    // Opens (creating an empty file when there is none) and counts the records: RecordCount,
    // CurrentCount (InactivationDate 0) and PreviousCount. Afterwards the buffer holds the last
    // record. A removal interrupted before its compaction finished is completed first, records
    // of an interrupted append are cut off, and a record an interrupted edit tore gets its old
    // bytes back.
    IoStatus OpenPersonnelFile();
    // Opens without the counting pass, for one scan of every record or to read and write records
    // by number: RecordCount comes from the length, the other counts stay as the last full open
    // left them, and nothing is completed (but records of an interrupted append are cut off, as
    // they are no employees, and a torn record is settled from its journal: both before the
    // history settles, so that it sees whole records), so the time it takes does not grow with
    // the file.
    // A scan that meets a record marked for removal must give up and open the file in full.
    IoStatus OpenPersonnelFileUncounted();
    void ClosePersonnelFile();

    // From now on every change goes into the change history beside the file as well (and each
    // open brings the history in step first): the program and the data tool's writing commands,
    // which hold the data folder's lock, keep it. The names default to the data folder's.
    void KeepHistory(const Clock& clock, QString historyFileName = ::HistoryFileName,
                     QString indexFileName = HistoryIndexFileName,
                     QString journalFileName = HistoryJournalFileName);
    // Who makes the changes that follow, for the history.
    void SetHistoryActor(QString user, int level);
    // What the changes that follow come from, for the history ("from Employees.xlsx"); empty
    // for changes typed in.
    void SetHistoryNote(QString note);
    bool KeepsHistory() const { return m_history != nullptr; }
    // The history's file name; empty when none is kept.
    QString HistoryFile() const { return m_history ? m_history->HistoryFileName() : QString(); }
    // The lasting number in the history of the employee in record n; the file open. Read only, a
    // stale index is passed over for the history replayed in memory.
    IoStatus EmployeeNumber(qint32 n, qint64* employee);
    // Before a restore puts the personnel file `restoredFile` in this one's place: notes it in the
    // history's journal, so that a restore cut short is recorded as a restore by the next open
    // when the file it brought is in place, and not at all when it was undone.
    IoStatus BeginRestore(const QString& restoredFile);
    // After a restore that failed, the files as they were.
    void AbandonRestore();
    // Brings the history in step with the records a restore has just put in place, every employee
    // getting a "restored" entry with the fields that differ. Opens and closes the file itself,
    // without an open's check of the history, which would take the restored records for changes
    // made by another program.
    IoStatus RecordRestore();
    bool IsOpen() const { return m_file.IsOpen(); }

    // A copy that reads a folder another copy writes (its file layer refusing every write): an
    // open settles nothing and waits, up to `waitMs`, until no change is under way
    // (ChangeUnderWayFileNames, data/readonlyfolder.h), so that it reads only whole changes; a
    // removal's mark it meets is not finished but counted as not there.
    void SetReadOnly(bool readOnly, int waitMs = 2000) {
        m_readOnly = readOnly;
        m_readOnlyWaitMs = waitMs;
    }
    bool IsReadOnly() const { return m_readOnly; }
    // Read only: whether the folder is still as the last open found it (no change begun or made
    // since), so that what was read since is one whole state of it. Always true for the writer.
    bool UnchangedSinceOpen() const;

    // Record n into the buffer; a record past the end reads as blank.
    IoStatus ReadPersonnelRecord(qint32 n);
    // The buffer as record n (1..RecordCount in place, through the write journal, RecordCount + 1
    // appends as AppendPersonnelRecords does, through the append journal).
    IoStatus WritePersonnelRecord(qint32 n);
    IoStatus AppendPersonnelRecord() { return WritePersonnelRecord(RecordCount() + 1); }
    // Appends `count` records, record i (from 0) filled in by `fill` from a blank one, all or
    // none: one flush for all of them, and on a failure, a crash or a power cut the file is cut
    // back to its old length (through the journal file). The buffer is not touched. With a
    // history, `fill` is called twice for each record (journal, then file) and must fill it the
    // same way both times; no more than one record is held at a time.
    // The history notes them as `action` (added or imported).
    IoStatus AppendPersonnelRecords(qint32 count,
                                    const std::function<void(qint32 i, PersonnelRecord& r)>& fill,
                                    HistoryAction action = HistoryAction::Imported);

    // Changes the records `records` (numbers in rising order, each 1..RecordCount once) as `change`
    // says from their stored bytes, and appends `count` records filled in by `fill` from a blank
    // one, as one change: the file is written whole through the scratch file and renamed over
    // itself, so a failure, a crash or a power cut leaves it as it was or with every change made,
    // and the history notes the edits and the records added (as `action`) with it. `change` and
    // `fill` may be called more than once for a record and must do the same each time. Without
    // records to change it is AppendPersonnelRecords. Closes the file.
    IoStatus ChangePersonnelRecords(const std::vector<qint32>& records,
                                    const std::function<void(qint32 n, PersonnelRecord& r)>& change, qint32 count,
                                    const std::function<void(qint32 i, PersonnelRecord& r)>& fill,
                                    HistoryAction action = HistoryAction::Imported);

    // Stores the removal marker in record n's first name and writes it back in place.
    IoStatus MarkRecordRemoved(qint32 n);
    // Squeezes out every marked record through the scratch file; with no record left, no data
    // file remains. Closes the file.
    IoStatus CompactPersonnelFile();
    // Marks and compacts in one step; if the compaction fails the mark is taken back, so the
    // file is as it was.
    IoStatus RemovePersonnelRecord(qint32 n);

    // Every record in file order, read in large blocks (the buffer is not touched).
    IoStatus ScanRecords(const std::function<void(qint32 n, PersonnelRecordView record)>& visit);

    PersonnelRecord& Record() { return m_record; }
    const PersonnelRecord& Record() const { return m_record; }
    qint32 RecordCount() const { return static_cast<qint32>(m_file.RecordCount()); }
    qint32 CurrentCount() const { return m_currentCount; }
    qint32 PreviousCount() const { return m_previousCount; }
    const QString& DataFileName() const { return m_file.FileName(); }

private:
    IoStatus AppendFilled(qint32 count, const std::function<void(qint32, PersonnelRecord&)>& fill);
    IoStatus Count(bool* foundMarked);
    IoStatus WriteInPlace(qint32 n);
    IoStatus WaitForWholeFolder();

    FixedRecordFile m_file;
    QString m_scratchFileName;
    QString m_journalFileName;
    QString m_writeJournalFileName;
    PersonnelRecord m_record;
    PersonnelRecord m_blank;
    qint32 m_currentCount = 0;
    qint32 m_previousCount = 0;
    std::unique_ptr<HistoryKeeper> m_history;
    bool m_readOnly = false;
    int m_readOnlyWaitMs = 2000;
    QList<qint64> m_openStamp;
    // Read only: the record's employees as the history of m_replayedSize bytes places them.
    std::vector<qint64> m_replayedRoster;
    qint64 m_replayedSize = -1;
};

// The version stamp of a record added by program version major.minor: the two numbers written one
// after the other and read as one number (612 for 6.12, 10 for 1.0).
qint16 VersionCreatedStamp(int major, int minor);
