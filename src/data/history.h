#pragma once

#include "data/fileio.h"
#include "data/records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// The change history of the employees, "Rosterly.History": one JSON object per line (UTF-8, LF),
// appended and never rewritten, so that any program can read it. Each line is one change of one
// employee:
//   {"action":"edited","changes":[{"after":"Head Clerk","before":"Clerk","field":"JobTitle"}],
//    "employee":7,"entry":12,"level":4,"record":5,"time":"2026-12-09T19:41:38+01:00","user":"Ann Lee"}
// "employee" is the employee's lasting number in the history (record numbers change when a
// record is removed), "record" the employee's record number in the personnel file right after
// the change (0 once removed), "entry" counts the lines from 1, "time" carries its UTC offset,
// and "user"
// and "level" name who made the change (the data tool: "rosterly-data <command>" and level 0).
// A field's value is its text as stored, trimmed; a date "yyyy-mm-dd" (DateCreated with its
// time), empty when not set. A change made from a spreadsheet carries "note" (in the key order
// above, after "level"): "from Employees.xlsx", the file's name; other lines have none.

enum class HistoryAction {
    Started,
    Added,
    Edited,
    MadePrevious,
    MadeCurrent,
    PictureChanged,
    Removed,
    Imported,
    Restored
};

struct HistoryChange {
    QString field; // the record layout's name of the field, e.g. "JobTitle"
    QString before;
    QString after;
    bool operator==(const HistoryChange&) const = default;
};

struct HistoryEntry {
    qint64 entry = 0;
    QDateTime time;
    QString user;
    int level = 0;
    qint64 employee = 0;
    HistoryAction action = HistoryAction::Edited;
    QList<HistoryChange> changes;
    qint32 record = 0;
    QString note; // what the change came from, when not typed in: "from Employees.xlsx"
    bool operator==(const HistoryEntry&) const = default;
};

// A removal, or a restore that left the employee out: the employee is no longer on file.
bool TakesOut(const HistoryEntry& entry);

// "history starts here", "added", "edited", "made previous", "made current", "picture changed",
// "removed", "imported", "restored".
QString HistoryActionName(HistoryAction action);
std::optional<HistoryAction> HistoryActionFrom(QStringView name);

// The entry as its line, with the line end; and a line (with or without its end) as its entry,
// nothing when it is not one. `ForReplay` reads the same lines but leaves out what a replay
// (HistoryReplay, the line table) does not use, when the line is the program's plain form: the
// changes' "before", the note, the user and the time are checked but left empty.
QByteArray HistoryLine(const HistoryEntry& entry);
enum class HistoryParse { Whole, ForReplay };
std::optional<HistoryEntry> ParseHistoryLine(QByteArrayView line, HistoryParse how = HistoryParse::Whole);
// A line of the program's plain form read where it lies, for a reader that keeps only a part of
// it (a replay, the line table): its numbers, its action and each change's field and value after
// it, as bytes, nothing made. `ReadPlainHistoryLine` reads exactly the lines ParseHistoryLine reads
// without QJsonDocument, and alike; it answers false for any other (which ParseHistoryJson may
// still read). `view` is reused from line to line; what it holds lasts until the next.
struct HistoryLineView {
    struct Change {
        std::size_t field = 0; // the field's place in the record layout; PersonnelFields.size() for none
        QByteArrayView after;  // UTF-8, unescaped
        bool ascii = false;    // `after` holds nothing past ASCII
    };
    HistoryAction action = HistoryAction::Edited;
    qint64 entry = 0;
    qint64 employee = 0;
    qint32 record = 0;
    std::vector<Change> changes;
    std::vector<QByteArray> unescaped; // the values that held escapes, as the changes see them
};
bool ReadPlainHistoryLine(QByteArrayView line, HistoryLineView* view);
// The same through QJsonDocument, whatever the entry or line holds. The two above write and read
// the plain form of the program's own lines directly (a history holds a million of them) and
// leave anything else to these, so that a line reads alike either way.
QByteArray HistoryJsonLine(const HistoryEntry& entry);
std::optional<HistoryEntry> ParseHistoryJson(QByteArrayView line);

// A field's value as the history keeps it.
QString HistoryValue(const PersonnelRecord& record, PersonnelField field);
// The fields that differ between two states of one record, in layout order; DateModified, which
// every edit changes, is left out (the entry's time tells it).
QList<HistoryChange> RecordChanges(const PersonnelRecord& before, const PersonnelRecord& after);
// Every field of a record that holds something, as changes from nothing: a record's first entry.
QList<HistoryChange> WholeRecord(const PersonnelRecord& record);

// One employee's record as it stood at `asOf`, field name to value (fields never set are left
// out), from that employee's entries in file order: each change's value after it, up to and with
// the last entry made at or before `asOf`; an edit's DateModified is its entry's time (in the
// entry's own offset). A removal (or a restore that left the employee out) empties it; a record
// removed by then is empty. `changedSince` (if given) receives the fields whose value changed
// after `asOf`, in layout order; DateModified alone is no change.
QMap<QString, QString> RecordAsOf(const QList<HistoryEntry>& entries, const QDateTime& asOf,
                                  QStringList* changedSince = nullptr);

// A name as the history's searches compare it: case and accents aside ("Zoë" and "ZOE" alike).
QString FoldedName(QStringView name);

// An employee the history has known, as it knows them last.
struct HistoryPerson {
    qint64 employee = 0;
    QString lastName;  // as they last stood (the record removed: as it was before)
    QString firstName;
    qint32 record = 0;        // the record they are in now; 0 once removed
    bool previous = false;    // a previous employee (InactivationDate set; the removed: as they were)
    QDateTime removed;        // when they were removed (or left out by a restore); invalid while on file
    QStringList formerNames;  // other names they went by, as Name() gave them, oldest first
    // "Last, First", or the one of them that is set.
    QString Name() const;
};
// Every employee of the history file `fileName` whose first or last name ever held `text`, ignoring
// case and accents (empty `text`: every one), in the order of their lasting numbers, found in one
// pass that hands each entry to `visit` when given; a missing file has none. `going`, when given,
// is asked before each block read with the bytes read and the file's size: answered false, the
// search stops there with no one found and `*cancelled` set.
IoStatus FindHistoryPeople(FileIo& io, const QString& fileName, const QString& text,
                           std::vector<HistoryPerson>* people,
                           const std::function<void(const HistoryEntry&)>& visit = {},
                           const std::function<bool(qint64 done, qint64 total)>& going = {},
                           bool* cancelled = nullptr);

// Appends the entries' lines to the history file `fileName` as one write: all or none.
IoStatus AppendHistory(FileIo& io, const QString& fileName, const QList<HistoryEntry>& entries);

// No line the program writes comes near it (a whole record before and after, every character
// escaped, is some 60 KB): a longer one is passed over without being held in memory.
inline constexpr qint64 MaxHistoryLineBytes = 1 << 20;

// A line of the history that is not read as an entry: its number (from 1), where it starts, its
// length without the line end, and why, as a clause ("is not UTF-8 text").
struct HistoryLineFault {
    qint64 line = 0;
    qint64 offset = 0;
    qint64 bytes = 0;
    QString reason;
    bool cutShort = false; // the last line, without its end: the next open cuts it off
};

// Every entry of the history file in file order, read a block at a time; a missing file has none.
// A line that is no entry, and a last line without its end (a write cut short), are passed over
// and told to `fault` when given.
IoStatus ReadHistory(FileIo& io, const QString& fileName,
                     const std::function<void(const HistoryEntry&)>& visit,
                     const std::function<void(const HistoryLineFault&)>& fault = {});
// The same, asking `going` before each block with the bytes read and the file's size: answered
// false, the read stops there and `*stopped` is set.
IoStatus ReadHistory(FileIo& io, const QString& fileName, const std::function<void(const HistoryEntry&)>& visit,
                     const std::function<bool(qint64 done, qint64 total)>& going, bool* stopped);
// The same from the line that starts at `from` on, read as `how` says, each entry handed on with
// where its line starts.
IoStatus ReadHistoryFrom(FileIo& io, const QString& fileName, qint64 from, HistoryParse how,
                         const std::function<void(const HistoryEntry&, qint64 offset)>& visit,
                         const std::function<void(const HistoryLineFault&)>& fault = {});

// Each whole line of the history from the line that starts at `from` on, as its bytes (without the
// line end) and where it starts, for a reader that parses them itself; a line over
// MaxHistoryLineBytes and a last line cut short are passed over.
IoStatus ReadHistoryLines(FileIo& io, const QString& fileName, qint64 from,
                          const std::function<void(QByteArrayView line, qint64 offset)>& visit);

// Where the history's last whole line ends in the open file `fd` of `size` bytes (0 when it has
// none): bytes past it are a line cut short.
IoStatus LastLineEnd(FileIo& io, int fd, qint64 size, const QString& fileName, qint64* end);
// The last whole line of the open file `fd` of `size` bytes, without its end: empty when it has
// none, or when it is longer than any entry (MaxHistoryLineBytes).
IoStatus LastWholeLine(FileIo& io, int fd, qint64 size, const QString& fileName, QByteArray* line);

// The lines of the history file that belong to employee `employee`, oldest first, found without
// reading the others (a missing file has none): read where the line table beside it (historylines.h)
// says they start, and the history past what the table describes searched. A table that is missing,
// not made from this history or naming a line that is not the employee's is passed over for a
// search of the whole history; `*direct` (when given) tells whether the table was used.
IoStatus ReadEmployeeHistory(FileIo& io, const QString& fileName, qint64 employee, QList<HistoryEntry>* entries,
                             bool* direct = nullptr);
