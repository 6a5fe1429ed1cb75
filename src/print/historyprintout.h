#pragma once

#include "data/history.h"
#include "data/sensitive.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Clock;
class Printer;

// A value of the history as the user may see it, on one line: the Social Security number masked
// as everywhere else, the date of birth ("yyyy-mm-dd") as "****-03-07".
QString ShownHistoryValue(QStringView field, const QString& value, const SensitiveFields& sensitive);

// One employee's entries (oldest first) as the rows of the history window, newest first: when
// (local time, "mm/dd/yyyy hh:mm"), user, what, field, before, after; one row per changed field,
// an entry without changes one row with the last three empty.
QList<QStringList> HistoryRows(const QList<HistoryEntry>& entries, const SensitiveFields& sensitive);

// The employee's record as it stood at the end of `day` (local time): a row per field in layout
// order (mark "*" when the field changed since, field name, value), and for a record that was
// empty then, a note saying why.
struct HistoryRecordRows {
    QDate day;
    QList<QStringList> rows;
    QString note;
};
HistoryRecordRows HistoryRecordAsOf(const QList<HistoryEntry>& entries, QDate day,
                                    const SensitiveFields& sensitive);

// The legend of the mark.
inline const QString ChangedSinceText = QStringLiteral("* changed since");

// Prints the history rows under `title` (with the page and the date and time on every page), and
// below them the record as of its day; leaves the document open.
void PrintHistory(Printer& printer, const Clock& clock, const QString& title, const QList<QStringList>& rows,
                  const HistoryRecordRows& record);
