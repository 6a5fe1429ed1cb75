#pragma once

#include "data/fileio.h"

#include <QString>

#include <functional>
#include <optional>

// The journal an append leaves beside the file while it writes: "<old length> <new length>
// <tail end>\n", then the bytes of the file just before <tail end> (up to one record), where the
// append writes nothing. It is for the file as it stands when the file's length lies past the old
// length and up to the new one, and the file still holds `tail` at TailStart(); then the next
// open cuts the file back to the old length.
struct AppendJournal {
    qint64 oldLength = 0;
    qint64 newLength = 0;
    qint64 tailEnd = 0;
    QByteArray tail;

    // The most bytes a journal of records `recordLength` long can hold.
    static qint64 MaxBytes(int recordLength) { return 64 + recordLength; }
    // Nothing for a journal whose text is not whole: it was never flushed, so no record was
    // written after it.
    static std::optional<AppendJournal> Parse(const QByteArray& text, int recordLength);
    QByteArray Text() const;
    bool Fits(qint64 fileLength) const;
    qint64 TailStart() const { return tailEnd - tail.size(); }
};

// The journal an in-place write leaves beside the file while it writes: "<record> <SHA-1 of the
// old bytes> <SHA-1 of the new bytes>\n", then the record's old bytes and its new ones. A write cut
// short (a crash, a power cut) may leave the record torn, some of its pages old and some new; the
// next open then puts the old record back. A record the write left whole new is kept: the edit
// reached the disk, and the change history, which decides by the same record's SHA-1, keeps the
// edit's entry too. So a journal whose removal a power cut undid changes nothing either.
struct WriteJournal {
    qint64 record = 0;
    QByteArray before;
    QByteArray after;

    static qint64 MaxBytes(int recordLength) { return 128 + 2 * qint64(recordLength); }
    // Nothing for a journal whose text is not whole (its digests do not match its bytes): it was
    // never flushed, so the record was not written after it.
    static std::optional<WriteJournal> Parse(const QByteArray& text, int recordLength);
    QByteArray Text() const;

    // What the next open finds in the record, `now` (its bytes as the file holds them; fewer when
    // the file ends within it).
    enum class Found {
        Before,    // whole old: nothing to do
        After,     // whole new: kept
        Torn,      // each byte old or new, the record neither: the old one is put back
        OtherFile, // some byte neither: the file is not the one written (a restored one), left alone
    };
    Found Look(QByteArrayView now) const;
};

// What the next open of a record file would find, as FixedRecordFile::Inspect works it out
// changing nothing.
struct RecordFileInspection {
    // The append journal: none, one that cuts the file back to `kept` bytes, or one that cuts
    // nothing (it is removed).
    enum class Append { None, CutsBack, CutsNothing };
    // The write journal: none, one whose record `writtenRecord` is torn and gets its old bytes
    // back, one whose record was written whole and stays, or one that changes nothing.
    enum class Write { None, PutsBack, KeepsNew, ChangesNothing };

    // Where it failed: the file (the data file or a journal), "open" or "read", and errno; an
    // empty file name when it did not.
    QString failedFile;
    QString failedAction;
    int failedErrno = 0;
    bool notRegular = false; // a pipe, a device or a folder: refused, nothing read
    Append append = Append::None;
    Write write = Write::None;
    qint64 writtenRecord = 0;
    qint64 kept = 0;     // the bytes the open keeps
    qint64 records = 0;  // the whole records handed over
    qint64 leftover = 0; // the bytes kept after the last whole record
    bool Ok() const { return failedFile.isEmpty() && !notRegular; }
};

// A data file of fixed-length records numbered from 1, with no header. It stays open only
// between Open() and Close() of one operation. Every write leaves the file either as it was or
// as intended: an in-place write notes the old record in a journal first and puts it back when the
// write fails, a failed append cuts the file back to its old length, and compaction replaces the
// file by renaming a complete, flushed scratch file over it.
class FixedRecordFile {
public:
    FixedRecordFile(FileIo& io, QString fileName, int recordLength);
    ~FixedRecordFile();
    FixedRecordFile(const FixedRecordFile&) = delete;
    FixedRecordFile& operator=(const FixedRecordFile&) = delete;

    const QString& FileName() const { return m_fileName; }
    FileIo& Io() const { return m_io; }
    int RecordLength() const { return m_recordLength; }

    // Opens for reading and writing, creating an empty file (owner read/write only) when none
    // exists. The record count is the length divided by the record length, rounded to the
    // nearest whole number (a half rounds to even).
    IoStatus Open();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    qint64 RecordCount() const { return m_recordCount; }

    // Reads record n into `out`. Bytes beyond the end of the file are taken from `blank`, so a
    // record past the end reads as a blank record.
    IoStatus Read(qint64 n, char* out, const char* blank);

    // Writes record n in place (1..RecordCount) or appends it (RecordCount + 1; an append here has
    // no journal: AppendRecords has). In place, the journal `journalName` (made exclusively,
    // flushed, with the folder) first notes the old record and the new one; the record is written
    // and flushed, and the journal removed. A failure puts the old record back; after a crash or a
    // power cut the journal lets SettleWrite do the same, or keep the new record, on the next open.
    // A journal that cannot be removed once the record is flushed stays for that open, and the
    // write has succeeded. A record written over with its own bytes needs no journal.
    IoStatus Write(qint64 n, const char* in, const QString& journalName);
    // Whether the last in-place Write failed without putting the old record back: the record is
    // then whatever the next open's SettleWrite makes of it (old or new, never torn).
    bool WriteLeftToSettle() const { return m_writeLeftToSettle; }

    // Appends `count` records, each filled in by `fill(i, bytes)` (i from 0), as one change: the
    // journal `journalName` (made exclusively, flushed) first notes the file's old length, the
    // records are written and flushed once, and the journal is removed. A failure cuts the file
    // back to its old length; after a crash or a power cut the journal left behind lets
    // RollBackAppend do the same on the next open.
    IoStatus AppendRecords(qint64 count, const std::function<void(qint64 i, char* bytes)>& fill,
                           const QString& journalName);

    // Cuts the open file back to the length noted in a journal an interrupted AppendRecords left
    // behind, and removes the journal. The journal also notes the length the append aimed at and
    // the last bytes before the place it wrote to, so that a file put in this one's place
    // meanwhile (a restored backup) is never cut. Only for the holder of the data folder's lock.
    IoStatus RollBackAppend(const QString& journalName);

    // Settles the record an interrupted in-place Write left behind, as its journal tells
    // (WriteJournal::Look): a torn record gets its old bytes back, a whole one stays. The journal
    // is then removed. Only for the holder of the data folder's lock.
    IoStatus SettleWrite(const QString& journalName);

    // Reads records 1..RecordCount in order, in large blocks. The last record of a file whose
    // length is not a whole number of records is completed from `blank`.
    //
    // With ReadAhead::Yes a second thread reads the next block while `visit` works on this one,
    // making the same file calls in the same order. Only for a `visit` that makes no file calls
    // itself (a compaction writes as it goes): the file layer is then used from one thread at a
    // time.
    enum class ReadAhead { No, Yes };
    IoStatus Scan(const std::function<void(qint64 n, const char* bytes)>& visit, const char* blank,
                  ReadAhead ahead = ReadAhead::No);

    // Reads the file as the next Open, RollBackAppend(appendJournal) and SettleWrite(writeJournal)
    // would leave it, changing nothing and needing no lock, for a tool that only looks: the file is
    // opened read-only without waiting (anything but a regular file is refused unread), each
    // journal is looked at as those calls look at it, and each whole record kept is handed to
    // `visit` in order, read in large blocks (the record a write tore as the old bytes it gets
    // back). Without journal names, the file as it stands. The file need not be open.
    RecordFileInspection Inspect(const std::function<void(qint64 n, const char* bytes)>& visit,
                                 const QString& appendJournal = {}, const QString& writeJournal = {}) const;

    // Copies the records that `keep` accepts, in order, into `scratchName` (started empty),
    // flushes it and renames it over this file; when no record is kept both files are deleted.
    // The file is closed afterwards. On failure the file is as it was and the scratch file gone.
    IoStatus Compact(const QString& scratchName, const std::function<bool(const char* bytes)>& keep,
                     const char* blank, qint64* kept = nullptr);
    // As Compact, with each record handed to `change` (n from 1, its bytes in the scratch file's
    // block) to be changed in place there, and dropped when it returns false; then `appendCount`
    // records, each filled in by `fill(i, bytes)` (i from 0, bytes zeroed), are added at the end.
    // So any number of records change and are added as one change: the file is either as it was or
    // as changed, whenever it is cut short.
    IoStatus Rewrite(const QString& scratchName, const std::function<bool(qint64 n, char* bytes)>& change,
                     qint64 appendCount, const std::function<void(qint64 i, char* bytes)>& fill,
                     const char* blank, qint64* kept = nullptr);

    // Removes a scratch file that an interrupted compaction left behind. Only for the holder of
    // the data folder's lock: no one else can be compacting then.
    void RemoveStaleScratch(const QString& scratchName) {
        if (m_io.Exists(scratchName))
            m_io.Remove(scratchName);
    }

private:
    // The journal `journalName` of this open file, up to `limit` bytes; `*found` false when none.
    IoStatus ReadOwnJournal(const QString& journalName, qint64 limit, QByteArray* text, bool* found);
    IoStatus ReadUpTo(char* out, qint64 wanted, qint64 offset, qint64* got);
    // Hands the records of a block read from record `n` on (`got` of the `count` records' bytes
    // it asked for) to `visit`; false when the file ended within it.
    bool VisitBlock(char* block, qint64 n, qint64 count, qint64 got,
                    const std::function<void(qint64, const char*)>& visit, const char* blank) const;
    IoStatus ScanAhead(const std::function<void(qint64, const char*)>& visit, const char* blank);

    FileIo& m_io;
    QString m_fileName;
    int m_recordLength;
    int m_fd = -1;
    qint64 m_length = 0;
    qint64 m_recordCount = 0;
    bool m_writeLeftToSettle = false;
};
