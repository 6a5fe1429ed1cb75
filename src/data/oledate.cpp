#include "data/oledate.h"

#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

QDate Epoch() {
    return QDate(1899, 12, 30);
}

// Whole days outside this window cannot land in years 100..9999, so anything beyond it is refused
// before it is ever turned into an integer.
constexpr double FirstDay = -657434.0;
constexpr double LastDay = 2958465.0;

constexpr int FirstYear = 100;
constexpr int LastYear = 9999;

// The day and the second of the day a value stands for; false when it is none.
bool ResolveParts(double value, QDate* day, int* second) {
    if (!std::isfinite(value) || value <= FirstDay - 1.0 || value >= LastDay + 1.0)
        return false;
    const double whole = std::trunc(value);
    // The fraction counts forward from midnight even for days before the epoch.
    const double fraction = std::fabs(value - whole);
    qint64 days = static_cast<qint64>(whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    QDate date = Epoch().addDays(days);
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds = 0;
    }
    if (!date.isValid() || date.year() > LastYear) // 9999-12-31 23:59:59.6 rounds into year 10000
        return false;
    *day = date;
    *second = static_cast<int>(seconds);
    return true;
}

std::optional<QDateTime> Resolve(double value) {
    QDate date;
    int seconds = 0;
    if (!ResolveParts(value, &date, &seconds))
        return std::nullopt;
    return QDateTime(date, QTime(0, 0).addSecs(seconds), Qt::UTC);
}

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool SameLetter(QChar c, char lower) {
    return c.toLower() == QLatin1Char(lower);
}

// Length of an am/pm marker starting at `at` ("am/pm" or "a/p", any case), 0 if there is none.
int MarkerLength(QStringView pattern, qsizetype at) {
    const auto matches = [&](const char* text) {
        const qsizetype n = qsizetype(std::strlen(text));
        if (at + n > pattern.size())
            return false;
        for (qsizetype i = 0; i < n; ++i) {
            if (pattern[at + i].toLower() != QLatin1Char(text[i]))
                return false;
        }
        return true;
    };
    if (matches("am/pm"))
        return 5;
    if (matches("a/p"))
        return 3;
    return 0;
}

bool HasMarker(QStringView pattern) {
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (MarkerLength(pattern, i) > 0)
            return true;
    }
    return false;
}

int Hour12(int hour) {
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

// Two-digit years are read as the years 1930..2029.
int PivotYear(int twoDigits) {
    return twoDigits < 30 ? 2000 + twoDigits : 1900 + twoDigits;
}

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

struct Token {
    QStringView text;
    bool number = false;
};

// Splits typed text into words and numbers, keeping the separators that stood between them.
// Returns false on a character that belongs to neither.
bool Tokenize(QStringView text, QList<Token>& tokens, QList<QStringView>& separators) {
    qsizetype i = 0;
    qsizetype separatorStart = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (IsAsciiDigit(c) || c.isLetter()) {
            const bool number = IsAsciiDigit(c);
            const qsizetype start = i;
            while (i < text.size() && (number ? IsAsciiDigit(text[i]) : text[i].isLetter()))
                ++i;
            if (tokens.isEmpty() && start > 0)
                return false; // nothing may come before the first part either
            if (!tokens.isEmpty())
                separators.append(text.mid(separatorStart, start - separatorStart));
            tokens.append({text.mid(start, i - start), number});
            separatorStart = i;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char('-') ||
                   c == QLatin1Char('/') || c == QLatin1Char('.')) {
            ++i;
        } else {
            return false;
        }
    }
    return separatorStart == text.size(); // nothing may trail the last token
}

std::optional<int> Number(QStringView digits, qsizetype maxLength) {
    if (digits.isEmpty() || digits.size() > maxLength)
        return std::nullopt;
    int n = 0;
    for (QChar c : digits)
        n = n * 10 + (c.unicode() - '0');
    return n;
}

std::optional<int> Year(QStringView digits) {
    if (digits.size() == 2)
        return PivotYear(*Number(digits, 2));
    if (digits.size() < 2 || digits.size() > 4)
        return std::nullopt;
    const int year = *Number(digits, 4);
    if (year < FirstYear || year > LastYear)
        return std::nullopt;
    return year;
}

std::optional<int> MonthFromName(QStringView word) {
    static const char* const english[] = {"january",   "february", "march",    "april",
                                          "may",       "june",     "july",     "august",
                                          "september", "october",  "november", "december"};
    const QLocale locale;
    for (int m = 1; m <= 12; ++m) {
        const QString full = QString::fromLatin1(english[m - 1]);
        if (word.compare(full, Qt::CaseInsensitive) == 0 ||
            word.compare(full.left(3), Qt::CaseInsensitive) == 0)
            return m;
        if (word.compare(locale.monthName(m, QLocale::LongFormat), Qt::CaseInsensitive) == 0 ||
            word.compare(locale.monthName(m, QLocale::ShortFormat), Qt::CaseInsensitive) == 0)
            return m;
    }
    return std::nullopt;
}

std::optional<QDate> MakeDate(int year, int month, int day) {
    if (!QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

// m/d/y, m-d-y, yyyy-m-d (and yyyy/m/d): one separator character, used both times.
std::optional<QDate> ParseNumeric(const QList<Token>& tokens, const QList<QStringView>& separators) {
    const QStringView sep = separators[0];
    if (sep.size() != 1 || (sep[0] != QLatin1Char('/') && sep[0] != QLatin1Char('-')) || separators[1] != sep)
        return std::nullopt;
    if (tokens[0].text.size() == 4) {
        const auto year = Year(tokens[0].text);
        const auto month = Number(tokens[1].text, 2);
        const auto day = Number(tokens[2].text, 2);
        if (!year || !month || !day)
            return std::nullopt;
        return MakeDate(*year, *month, *day);
    }
    const auto month = Number(tokens[0].text, 2);
    const auto day = Number(tokens[1].text, 2);
    const auto year = Year(tokens[2].text);
    if (!year || !month || !day)
        return std::nullopt;
    return MakeDate(*year, *month, *day);
}

// A separator between the parts of a named-month date: spaces with at most one of , - /
// (a period may also close an abbreviated month name: "Mar. 7, 1968").
bool NamedSeparator(QStringView sep, bool afterMonth) {
    if (sep.isEmpty())
        return false;
    int punctuation = 0;
    qsizetype i = 0;
    if (afterMonth && sep[0] == QLatin1Char('.'))
        ++i;
    for (; i < sep.size(); ++i) {
        if (sep[i] == QLatin1Char(' '))
            continue;
        if (sep[i] == QLatin1Char(',') || sep[i] == QLatin1Char('-') || sep[i] == QLatin1Char('/'))
            ++punctuation;
        else
            return false;
    }
    return punctuation <= 1;
}

// "March 7, 1968", "Mar 07 1968", "7 March 1968", "7-Mar-1968".
std::optional<QDate> ParseNamed(const QList<Token>& tokens, const QList<QStringView>& separators) {
    const int monthAt = tokens[0].number ? 1 : 0;
    const int dayAt = monthAt == 0 ? 1 : 0;
    if (tokens[monthAt].number || !tokens[dayAt].number || !tokens[2].number)
        return std::nullopt;
    for (int s = 0; s < 2; ++s) {
        if (!NamedSeparator(separators[s], s == monthAt))
            return std::nullopt;
    }
    const auto month = MonthFromName(tokens[monthAt].text);
    const auto day = Number(tokens[dayAt].text, 2);
    const auto year = Year(tokens[2].text);
    if (!month || !day || !year)
        return std::nullopt;
    return MakeDate(*year, *month, *day);
}

} // namespace

bool IsValidOleDate(double value) {
    return Resolve(value).has_value();
}

std::optional<QDateTime> OleToDateTime(double value) {
    return Resolve(value);
}

bool OleToDayAndSecond(double value, QDate* day, int* second) {
    return ResolveParts(value, day, second);
}

std::optional<QDate> OleToDate(double value) {
    const auto dateTime = Resolve(value);
    if (!dateTime)
        return std::nullopt;
    return dateTime->date();
}

double DateTimeToOle(const QDateTime& dateTime) {
    const QDate date = dateTime.date();
    if (!date.isValid())
        return 0.0;
    const QTime time = dateTime.time();
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    const double days = static_cast<double>(Epoch().daysTo(date));
    // Before the epoch the fraction still runs forward from midnight, so it moves away from zero.
    return days < 0 ? days - fraction : days + fraction;
}

double DateToOle(QDate date) {
    if (!date.isValid())
        return 0.0;
    return static_cast<double>(Epoch().daysTo(date));
}

QString FormatDate(double value, QStringView pattern) {
    const auto resolved = Resolve(value);
    if (!resolved)
        return {};
    const QDate date = resolved->date();
    const QTime time = resolved->time();
    const QLocale locale;
    const bool twelveHour = HasMarker(pattern);

    QString out;
    bool afterHour = false; // m/mm straight after an hour token mean minutes
    qsizetype i = 0;
    while (i < pattern.size()) {
        if (const int marker = MarkerLength(pattern, i)) {
            // The marker is written out in the case the pattern uses: "am/pm" -> "pm", "A/P" -> "P".
            const bool pm = time.hour() >= 12;
            if (marker == 5)
                out += pattern.mid(pm ? i + 3 : i, 2);
            else
                out += pattern[pm ? i + 2 : i];
            i += marker;
            afterHour = false;
            continue;
        }
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c.toLower())
            ++run;

        if (SameLetter(c, 'd')) {
            run = std::min<qsizetype>(run, 4);
            if (run == 1)
                out += QString::number(date.day());
            else if (run == 2)
                out += TwoDigits(date.day());
            else
                out +=
                    locale.dayName(date.dayOfWeek(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            afterHour = false;
        } else if (SameLetter(c, 'm')) {
            run = std::min<qsizetype>(run, 4);
            if (run <= 2 && afterHour)
                out += run == 1 ? QString::number(time.minute()) : TwoDigits(time.minute());
            else if (run == 1)
                out += QString::number(date.month());
            else if (run == 2)
                out += TwoDigits(date.month());
            else
                out += locale.monthName(date.month(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            afterHour = false;
        } else if (SameLetter(c, 'y') && run >= 2) {
            if (run >= 4) {
                run = 4;
                out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
            } else {
                run = 2;
                out += TwoDigits(date.year() % 100);
            }
            afterHour = false;
        } else if (SameLetter(c, 'h')) {
            run = std::min<qsizetype>(run, 2);
            const int hour = twelveHour ? Hour12(time.hour()) : time.hour();
            out += run == 1 ? QString::number(hour) : TwoDigits(hour);
            afterHour = true;
        } else if (SameLetter(c, 'n') || SameLetter(c, 's')) {
            run = std::min<qsizetype>(run, 2);
            const int n = SameLetter(c, 'n') ? time.minute() : time.second();
            out += run == 1 ? QString::number(n) : TwoDigits(n);
            afterHour = false;
        } else {
            run = 1;
            out += c;
        }
        i += run;
    }
    return out;
}

QString FormatGeneralDate(double value) {
    const auto resolved = Resolve(value);
    if (!resolved)
        return {};
    const QDate date = resolved->date();
    const QTime time = resolved->time();
    const QString dateText = QStringLiteral("%1/%2/%3")
                                 .arg(date.month())
                                 .arg(date.day())
                                 .arg(date.year(), 4, 10, QLatin1Char('0'));
    const QString timeText = QStringLiteral("%1:%2:%3 %4")
                                 .arg(Hour12(time.hour()))
                                 .arg(TwoDigits(time.minute()), TwoDigits(time.second()),
                                      time.hour() >= 12 ? QStringLiteral("PM") : QStringLiteral("AM"));
    if (time == QTime(0, 0))
        return dateText;
    if (date == Epoch()) // the epoch day stands for "no date": a time of day alone
        return timeText;
    return dateText + QLatin1Char(' ') + timeText;
}

qint16 YearsBetween(double from, double to, double today) {
    const auto fromDate = OleToDate(from);
    const auto toDate = OleToDate(to == 0.0 ? today : to);
    if (!fromDate || !toDate)
        return 0;
    int years = toDate->year() - fromDate->year();
    if (fromDate->month() * 100 + fromDate->day() > toDate->month() * 100 + toDate->day())
        --years;
    return static_cast<qint16>(
        std::clamp<int>(years, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

std::optional<QDate> ParseUserDate(QStringView text) {
    QList<Token> tokens;
    QList<QStringView> separators;
    if (!Tokenize(text.trimmed(), tokens, separators) || tokens.size() != 3)
        return std::nullopt;
    if (tokens[0].number && tokens[1].number && tokens[2].number)
        return ParseNumeric(tokens, separators);
    return ParseNamed(tokens, separators);
}
