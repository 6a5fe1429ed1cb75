#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Dates are OLE Automation dates: days since 30 December 1899, the fraction being the time of
// day (for days before that epoch the fraction still counts forward from midnight, so -1.25 is
// 29 December 1899 06:00). 0 means "not set" wherever a date field is optional.

inline constexpr double OleDateMin = -657434.0;                     // 01/01/0100 00:00:00
inline constexpr double OleDateMax = 2958465.0 + 86399.0 / 86400.0; // 12/31/9999 23:59:59

// True for finite values within years 100..9999.
bool IsValidOleDate(double value);

// The date and time an OLE value stands for, rounded to the nearest second; nothing for a value
// that is not a valid date. The QDateTime carries no time zone (Qt::UTC is used as "naive").
std::optional<QDateTime> OleToDateTime(double value);
// The same as its day and its second of the day (0..86399), without making a QDateTime; false when
// OleToDateTime has none.
bool OleToDayAndSecond(double value, QDate* day, int* second);
std::optional<QDate> OleToDate(double value);

double DateTimeToOle(const QDateTime& dateTime); // uses the date and time as they read
double DateToOle(QDate date);

// Formats a date with a pattern of the kind the program uses:
//   d dd ddd dddd (DDDD)  day, two-digit day, weekday short/long name
//   m mm mmm mmmm (M..)   month, two-digit month, month short/long name; m/mm right after an
//                         hour token (h, hh) are minutes
//   yy yyyy               year
//   h hh n nn s ss        hour, minute, second (24-hour unless an am/pm token is present)
//   am/pm AM/PM a/p A/P   12-hour clock with the marker in the case written
// Anything else is copied as it stands. Month and weekday names come from the default QLocale.
// An invalid value gives an empty text.
QString FormatDate(double value, QStringView pattern);

// The general date format of a US desktop: "m/d/yyyy h:nn:ss AM", the date alone when there is
// no time of day, the time alone when there is no date part.
QString FormatGeneralDate(double value);

// Whole years from `from` to `to`: the difference of the calendar years, less one when the
// from-date's month-and-day (mmdd as a number) is greater than the to-date's. A `to` of 0 means
// `today`. Invalid dates give 0.
qint16 YearsBetween(double from, double to, double today);

// Reads a date typed by a user: m/d/yyyy, m-d-yyyy, m/d/yy (two-digit years fall in 1930..2029),
// yyyy-m-d, and month names ("March 7, 1968", "7 Mar 1968", "Mar 07 1968"). Surrounding spaces
// are ignored. Impossible dates (02/30/2001) and anything else give nothing.
std::optional<QDate> ParseUserDate(QStringView text);
