#pragma once

#include "data/history.h"
#include "data/sensitive.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Clock;
class Printer;

// A field of the history (its layout name, "SocialSecurityNumber") as the record page captions
// it ("Social Security #"), the emergency frame's after "Emergency " ("Emergency Name"), a field
// the page shows in no box in words ("Date Created").
QString HistoryFieldCaption(QStringView field);

// A value of the history as the user may see it, on one line: the Social Security number masked
// as everywhere else; a date ("yyyy-mm-dd") as "mm/dd/yyyy", with its time as "hh:mm" after it
// (DateCreated), the masked date of birth as "03/07/****".
QString ShownHistoryValue(QStringView field, const QString& value, const SensitiveFields& sensitive);

// The history window's columns, as its grid, its printout and its export head them.
inline const QStringList HistoryHeader{QStringLiteral("When"),   QStringLiteral("User"),
                                       QStringLiteral("What"),   QStringLiteral("Field"),
                                       QStringLiteral("Before"), QStringLiteral("After")};

// Which entries the history window shows: by one user (empty: all), made from `from` to `to`
// (local days, either end open when null).
struct HistoryFilter {
    QString user;
    QDate from;
    QDate to;
};

// One employee's entries (oldest first) as the rows of the history window, newest first: when
// (local time, "mm/dd/yyyy hh:mm"), user, what, field caption, before, after; one row per changed
// field, an entry without changes one row with the last three empty.
QList<QStringList> HistoryRows(const QList<HistoryEntry>& entries, const SensitiveFields& sensitive,
                               const HistoryFilter& filter = {});
// The users named by the entries, each once, in the order of their first entry.
QStringList HistoryUsers(const QList<HistoryEntry>& entries);

// The employee's record as it stood at the end of `day` (local time): a row per field in layout
// order (mark "*" when the field changed since, field caption, value), and for a record that was
// empty then, a note saying why. A record removed by then shows its values as they stood just
// before the removal, and `lastRecord` says so.
struct HistoryRecordRows {
    QDate day;
    QList<QStringList> rows;
    QString note;
    QString lastRecord;
};
HistoryRecordRows HistoryRecordAsOf(const QList<HistoryEntry>& entries, QDate day,
                                    const SensitiveFields& sensitive);

// The legend of the mark.
inline const QString ChangedSinceText = QStringLiteral("* changed since");

// Prints the history rows under `title` (with the page and the date and time on every page), and
// below them the record as of its day; a value longer than its column wraps onto the lines below
// (at a space where it can), and a page break never splits a row. Leaves the document open.
void PrintHistory(Printer& printer, const Clock& clock, const QString& title, const QList<QStringList>& rows,
                  const HistoryRecordRows& record);
