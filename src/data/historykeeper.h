#pragma once

#include "data/clock.h"
#include "data/fileio.h"
#include "data/history.h"
#include "data/historylines.h"
#include "data/records.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class FixedRecordFile;

// Keeps the change history of one personnel file in step with it. PersonnelFile calls it around
// each of its writes; nothing else writes the history.
//
// Which employee a record is: the history gives every employee a lasting number, and the index
// file (a cache, rebuilt from the history whenever it does not match it) holds, per record
// number, that number and a key of the record (last name, first name and date created). A record
// whose key is not the one the history knows, or a file whose length the history does not know,
// was changed by another program: the history is brought in step with it first (employees it
// has never seen start their history, those gone are removed), so an entry never lands on
// another employee. The index's head names the history it was made from (its first line), so a
// history that is not this folder's, or one that is gone, is refused rather than merged or
// started again; and it holds a sum of its entries, checked before the index is first trusted.
//
// Every append to the history goes through the journal: the entries are written to it (flushed)
// first, then appended, and the journal removed. For a change of the personnel file the journal
// is written before the file and says how to tell whether the change reached it; an open that
// finds a journal appends its entries when the file holds the change (or always, for entries that
// only bring the history in step) and drops them when it does not. Every open cuts off a last
// line left cut short.
// How an open tells whether the change a journal holds reached the personnel file, as its check
// line names it: "append", entries always due (they bring the history in step with the file as it
// stands); "record", a record's SHA-1; "count", the record count; "rewrite", the count and, with
// nothing added, one record's SHA-1; "removed", the count one less (or the record still marked);
// "restore", the restored file's SHA-1. Unknown: a check line the program does not write.
enum class HistoryJournalCheck { Unknown, Append, Record, Count, Rewrite, Removed, Restore };

// The head of the index: the history it was made from (its length, last entry and last lasting
// number given, and its first line's length and hash) and the sum of its entries' hashes.
struct HistoryIndexHead {
    qint64 historySize = 0;
    qint64 lastEntry = 0;
    qint64 lastEmployee = 0;
    quint64 sum = 0;
    qint64 firstLineBytes = 0;
    quint64 firstLineHash = 0;
};

class HistoryKeeper {
public:
    HistoryKeeper(FileIo& io, const Clock& clock, QString historyFileName, QString indexFileName,
                  QString journalFileName);

    // Who makes the changes from now on: the signed-in user and level, or the data tool's command
    // and 0.
    void SetActor(QString user, int level);
    // What the changes from now on come from ("from Employees.xlsx"), noted on their entries;
    // empty for none. Entries that only bring the history in step never carry it.
    void SetNote(QString note) { m_note = std::move(note); }
    const QString& HistoryFileName() const { return m_historyFileName; }

    // What Settle leaves to the personnel file: a removal its journal names, marked but not yet
    // squeezed out, which the file finishes (compacted, opened again) before it settles again.
    enum class Left { Nothing, Removal };
    struct Settled {
        IoStatus status;
        Left left = Left::Nothing;
    };
    // Brings the history in step with the open personnel file `data`: completes or drops the
    // journal of a change cut short, cuts off a last line cut short, starts the history of a file
    // that has none ("history starts here" for every record), and checks the index, rebuilding it
    // from the history (and bringing the history in step with a file changed by another program)
    // when it does not match. Refuses a history that is not the one the index was made from. A
    // removal left to finish stops it there, the journal kept for the next call.
    Settled Settle(FixedRecordFile& data);

    // The lasting number of the employee in record n (1..RecordCount) of the settled file, whose
    // bytes are `record` when the caller has read them already.
    IoStatus EmployeeAt(FixedRecordFile& data, qint32 n, qint64* employee,
                        const PersonnelRecord* record = nullptr);
    // What reading one employee's number reads of the index.
    static constexpr qint64 IndexEntryBytes = 16;

    // A change about to be made, whose entries' lines the journal holds until it is done: an
    // append's are copied from there into the history, so that an import of any size is never
    // held whole.
    struct Pending {
        bool journaled = false;
        // What the index gets once the change is done.
        enum class Kind { None, Edit, Append, Removal, Change } kind = Kind::None;
        qint32 record = 0;
        std::vector<std::pair<qint32, quint64>> edits; // a change's: the records edited, their new keys
        std::vector<quint64> keys; // an append's: one per record, its employees numbered on from
        qint64 firstEmployee = 0;  // this one
        qint64 lastEntry = 0;      // the number of the change's last entry
        qint64 lastEmployee = 0;   // the last lasting number given once the change is done
        qint64 linesAt = 0;        // where the entries' lines start in the journal, and their length
        qint64 linesSize = 0;
        QByteArray line;       // the one entry of an edit or a removal, kept at hand
        std::vector<HistoryLineStart> starts; // whose line starts where among the change's lines
        quint64 sumChange = 0; // what the change adds to the index's sum of its entries
    };
    // Before record n (in place) is written from `before` to `after`; nothing pending when no
    // field the history keeps changes.
    IoStatus BeginEdit(FixedRecordFile& data, qint32 n, const PersonnelRecord& before,
                       const PersonnelRecord& after, Pending* pending);
    // Before `count` records are appended after the file's last record, as `action` (added,
    // imported): record i (from 0) is handed to `fill` blank, one at a time.
    IoStatus BeginAppend(FixedRecordFile& data, qint32 count,
                         const std::function<void(qint32 i, PersonnelRecord& r)>& fill, HistoryAction action,
                         Pending* pending);
    // Before the file is rewritten whole with the records `records` (in rising order) changed by
    // `change` from their stored bytes and `count` records appended, filled in by `fill` from a
    // blank one: an edit entry (made previous or current, as an edit's) for each record whose kept
    // fields change, then an `action` entry for each record added, all at one time. `change` and
    // `fill` are called more than once for a record and must do the same each time.
    IoStatus BeginChange(FixedRecordFile& data, const std::vector<qint32>& records,
                         const std::function<void(qint32 n, PersonnelRecord& r)>& change, qint32 count,
                         const std::function<void(qint32 i, PersonnelRecord& r)>& fill, HistoryAction action,
                         Pending* pending);
    // Before record n (`before`) is marked and the file compacted.
    IoStatus BeginRemoval(FixedRecordFile& data, qint32 n, const PersonnelRecord& before, Pending* pending);
    // After the personnel file was written (`done`) or left as it was: appends the entries and
    // updates the index, or drops them. A failure to append leaves the journal for the next open
    // to complete, so the change is never lost from the history; it is returned all the same.
    IoStatus Finish(const Pending& pending, bool done);

    // Before a restore puts the personnel file whose bytes have the SHA-1 `digest` in place of
    // the one now there: notes in the journal that the restore is under way, so that an open
    // after it was cut short records it as a restore (when that file is in place) or drops it.
    IoStatus BeginRestore(const QByteArray& digest);
    // After a restore that failed and left the files as they were.
    void AbandonRestore();

    // Brings the history in step with the records of `data` as they stand, writing `action`
    // entries (Started for a file changed by another program, Restored after a restore) for the
    // employees whose record appeared, went or changed; with Restored, every record gets one.
    IoStatus Reconcile(FixedRecordFile& data, HistoryAction action);

    // What an open reads of the index to check it.
    static constexpr qint64 IndexHeaderBytes = 56;
    // The key the index keeps of a record.
    static quint64 RecordKey(const PersonnelRecord& record);

private:
    using Header = HistoryIndexHead;
    enum class IndexState { Missing, Stale, Current };

    using JournalCheck = HistoryJournalCheck;
    IoStatus ResolveJournal(FixedRecordFile& data, Left* left);
    // Settle past the journal: the history's and the index's checks.
    IoStatus CheckHistory(FixedRecordFile& data);
    IoStatus AppendMissing(const QByteArray& lines, const QList<HistoryEntry>& entries, qint64 from);
    IoStatus LastWholeEntry(qint64 size, qint64* entry);
    IoStatus ReadHeader(Header* header, IndexState* state, qint64 recordCount, qint64 historySize);
    IoStatus CheckSum(const Header& header, bool* matches);
    IoStatus CheckIdentity(const Header& header, qint64 historySize);
    IoStatus CutPartialLine(qint64* size);
    IoStatus Rebuild(FixedRecordFile& data, HistoryAction reconcileAs, const QByteArray& restored = {});
    IoStatus WriteIndex(const Header& header, const std::vector<qint64>& employees,
                        const std::vector<quint64>& keys);
    // Writes the journal: the `check` line (of the kind `kind`), then the lines `next` puts into its block each time
    // it is called, until it returns false; `pending`, when given, notes where the lines stand.
    IoStatus WriteJournal(JournalCheck kind, QJsonObject check, const std::function<bool(QByteArray& block)>& next,
                          Pending* pending = nullptr);
    IoStatus WriteJournal(JournalCheck kind, const QJsonObject& check, const QByteArray& lines,
                          Pending* pending = nullptr);
    IoStatus FirstLine(qint64 historySize, qint64* bytes, quint64* hash);
    IoStatus HistorySize(qint64* size);
    QDateTime Now() const;
    // When an edit from `before` to `after` was made: the record's new DateModified (so that the
    // record as of any day shows it), or now when the edit left it alone.
    QDateTime ChangeTime(const PersonnelRecord& before, const PersonnelRecord& after) const;
    // An entry by the actor, made now or at `time` (the one instant of a change of many).
    HistoryEntry NewEntry(qint64 employee, qint32 record, HistoryAction action,
                          const QDateTime& time = {}) const;

    FileIo& m_io;
    const Clock& m_clock;
    QString m_historyFileName;
    QString m_indexFileName;
    QString m_journalFileName;
    QString m_linesFileName;
    QString m_user;
    int m_level = 0;
    QString m_note;
    Header m_header;
    bool m_sumChecked = false; // the index's entries were checked against its sum
    QByteArray m_restoreDigest; // the personnel file a restore under way puts in place
};

// The SHA-1 of the file `fileName`, as hex: what a restore's journal names the restored personnel
// file by.
IoStatus FileDigest(FileIo& io, const QString& fileName, QByteArray* digest);

// The index as a reader outside the program sees it (rosterly-data check): its head, per record
// the employee and key, and whether its sum matches its entries.
struct HistoryIndexView {
    bool present = false;
    bool readable = false; // its head is whole and of this version, its length fits its entries
    HistoryIndexHead head;
    bool sumMatches = false;
    std::vector<qint64> employees;
    std::vector<quint64> keys;
};
IoStatus ReadHistoryIndex(FileIo& io, const QString& fileName, HistoryIndexView* view);
// The hash the index keeps of the history's first line.
quint64 HistoryLineHash(QByteArrayView line);
