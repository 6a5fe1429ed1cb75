#pragma once

#include "data/fileio.h"

#include <QByteArray>
#include <QString>

#include <compare>
#include <functional>
#include <vector>

// Where each employee's lines start in the change history: "History.Lines" beside it, so that one
// employee's lines are read where they are instead of searched for through the whole history. It
// is a cache, like the index: every rebuild of the index writes it whole (scratch name, renamed),
// every append to the history adds the new lines' places after the index is updated, and a reader
// trusts nothing it cannot check (below), so a table cut short, out of date or gone only costs the
// search it saves.
//
// "RHLN0001", then five numbers (little-endian, 64 bits each): the history's length it describes
// (where a line starts), the length and hash of the history's first line, the count of sorted
// entries and the count of entries added after them; and the hash of those 48 bytes, so that a
// head written in part is no head (the table is then written again whole); then 16-byte entries,
// an employee's lasting number and where one of their lines starts: first sorted by employee and
// place (looked up by halving), then those of the lines appended since, in the history's order
// (read whole; once they are many the table is written sorted again). Bytes past the counted
// entries (an append whose head was never written) are nobody's.
struct HistoryLineStart {
    qint64 employee = 0;
    qint64 offset = 0;
    auto operator<=>(const HistoryLineStart&) const = default;
};

// What reading the table's head reads: every open, and every append, reads it.
inline constexpr qint64 HistoryLinesHeadBytes = 56;

// The table's file for the history file `historyFileName`: beside it.
QString HistoryLinesFileFor(const QString& historyFileName);

// Writes the table of a history of `historySize` bytes whose first line is `firstLineBytes` long
// with the hash `firstLineHash` (HistoryLineHash), holding `starts` (in any order).
IoStatus WriteHistoryLines(FileIo& io, const QString& fileName, qint64 historySize, qint64 firstLineBytes,
                           quint64 firstLineHash, std::vector<HistoryLineStart> starts);

// After the lines starting at `starts` were appended to the history, from its length `from` to
// `to`: adds them when the table describes exactly `from` bytes, and leaves it alone otherwise (a
// reader then searches what it lacks). Entries first, flushed, then the head.
IoStatus AppendHistoryLines(FileIo& io, const QString& fileName, qint64 from, qint64 to,
                            const std::vector<HistoryLineStart>& starts);

// Brings the table in step with the history file `historyFileName` of `historySize` bytes whose
// first line is `firstLineBytes` long with the hash `firstLineHash` (the index's, checked against the
// history): adds the lines appended since the table was written, read from the history, or writes
// it again whole when it is missing or not made from this history. A cache: a failure leaves it to
// the readers' search and to the next open.
void BringHistoryLinesInStep(FileIo& io, const QString& fileName, const QString& historyFileName,
                             qint64 historySize, qint64 firstLineBytes, quint64 firstLineHash);

// Where the lines of `employee` start by the table, in the history's order, and how many bytes of
// the history (open as `historyFd`, `historySize` bytes) the table describes; `*answered` is false
// when the table is missing, unreadable, or not made from this history (another first line, a
// history shorter than it describes).
IoStatus FindHistoryLines(FileIo& io, const QString& fileName, int historyFd, qint64 historySize,
                          qint64 employee, std::vector<qint64>* offsets, qint64* covered, bool* answered);

// The table as a reader outside the program sees it (rosterly-data check): whether its head is
// whole and of this version (counting no more entries than the file holds), what it describes,
// and its entries, the sorted ones first.
struct HistoryLinesView {
    bool present = false;
    bool readable = false;
    qint64 covered = 0;
    qint64 firstLineBytes = 0;
    quint64 firstLineHash = 0;
    qint64 sorted = 0;
    std::vector<HistoryLineStart> entries;
};
IoStatus ReadHistoryLinesTable(FileIo& io, const QString& fileName, HistoryLinesView* view);

