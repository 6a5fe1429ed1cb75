#include "data/clock.h"
#include "data/oledate.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// An OLE value on or after the epoch: whole days plus the time of day.
double At(double days, int hour = 0, int minute = 0, double second = 0) {
    return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

QDateTime Naive(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

constexpr double Mar7th1998 = 35861; // a Saturday
constexpr double Mar7th1968 = 24904; // a Thursday

} // namespace

class TestDates : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void knownValues_data();
    void knownValues();
    void toOle_data();
    void toOle();
    void toOleIgnoresTimeSpec();
    void roundTrip_data();
    void roundTrip();
    void secondRounding_data();
    void secondRounding();
    void invalidValues_data();
    void invalidValues();
    void formatDate_data();
    void formatDate();
    void formatGeneralDate_data();
    void formatGeneralDate();
    void yearsBetween_data();
    void yearsBetween();
    void parseAccepted_data();
    void parseAccepted();
    void parseRefused_data();
    void parseRefused();
    void clock();
};

void TestDates::knownValues_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("epoch") << 0.0 << Naive(1899, 12, 30);
    QTest::newRow("one") << 1.0 << Naive(1899, 12, 31);
    QTest::newRow("two") << 2.0 << Naive(1900, 1, 1);
    QTest::newRow("1996") << 35131.0 << Naive(1996, 3, 7);
    QTest::newRow("2000") << 36526.0 << Naive(2000, 1, 1);
    QTest::newRow("leap day 2000") << 36585.0 << Naive(2000, 2, 29);
    QTest::newRow("noon") << 0.5 << Naive(1899, 12, 30, 12);
    QTest::newRow("-0.5 counts forward") << -0.5 << Naive(1899, 12, 30, 12);
    QTest::newRow("-1.25") << -1.25 << Naive(1899, 12, 29, 6);
    QTest::newRow("1800") << -36357.0 << Naive(1800, 6, 15);
    QTest::newRow("last second") << OleDateMax << Naive(9999, 12, 31, 23, 59, 59);
    QTest::newRow("first day") << -657434.0 << Naive(100, 1, 1);
    QTest::newRow("noon of the first day") << -657434.5 << Naive(100, 1, 1, 12);
    QTest::newRow("afternoon") << At(Mar7th1998, 14, 5, 9) << Naive(1998, 3, 7, 14, 5, 9);
}

void TestDates::knownValues() {
    QFETCH(double, value);
    QFETCH(QDateTime, expected);
    QVERIFY(IsValidOleDate(value));
    const auto dateTime = OleToDateTime(value);
    QVERIFY(dateTime.has_value());
    QCOMPARE(*dateTime, expected);
    QCOMPARE(dateTime->timeSpec(), Qt::UTC);
    QCOMPARE(OleToDate(value), std::optional<QDate>(expected.date()));
}

void TestDates::toOle_data() {
    QTest::addColumn<QDateTime>("dateTime");
    QTest::addColumn<double>("expected");

    QTest::newRow("epoch") << Naive(1899, 12, 30) << 0.0;
    QTest::newRow("epoch noon") << Naive(1899, 12, 30, 12) << 0.5;
    QTest::newRow("day before, 06:00") << Naive(1899, 12, 29, 6) << -1.25;
    QTest::newRow("afternoon") << Naive(1998, 3, 7, 14, 5, 9) << At(Mar7th1998, 14, 5, 9);
    QTest::newRow("first day") << Naive(100, 1, 1) << -657434.0;
    QTest::newRow("last second") << Naive(9999, 12, 31, 23, 59, 59) << OleDateMax;
    QTest::newRow("invalid") << QDateTime() << 0.0;
}

void TestDates::toOle() {
    QFETCH(QDateTime, dateTime);
    QFETCH(double, expected);
    QCOMPARE(DateTimeToOle(dateTime), expected);
    if (dateTime.isValid())
        QCOMPARE(DateToOle(dateTime.date()), std::trunc(expected));
}

void TestDates::toOleIgnoresTimeSpec() {
    const QDateTime offset(QDate(1998, 3, 7), QTime(14, 5, 9), Qt::OffsetFromUTC, -5 * 3600);
    QCOMPARE(DateTimeToOle(offset), At(Mar7th1998, 14, 5, 9));
    QCOMPARE(DateToOle(QDate()), 0.0);
}

void TestDates::roundTrip_data() {
    QTest::addColumn<QDateTime>("dateTime");
    QTest::newRow("modern") << Naive(2026, 12, 8, 15, 46, 54);
    QTest::newRow("leap day") << Naive(2000, 2, 29, 23, 59, 59);
    QTest::newRow("before the epoch") << Naive(1899, 12, 29, 23, 59, 59);
    QTest::newRow("long before the epoch") << Naive(1800, 6, 15, 18, 30, 15);
    QTest::newRow("first instant") << Naive(100, 1, 1);
    QTest::newRow("first day, evening") << Naive(100, 1, 1, 21, 7, 3);
    QTest::newRow("last instant") << Naive(9999, 12, 31, 23, 59, 59);
}

void TestDates::roundTrip() {
    QFETCH(QDateTime, dateTime);
    const double value = DateTimeToOle(dateTime);
    QVERIFY(IsValidOleDate(value));
    QCOMPARE(OleToDateTime(value), std::optional<QDateTime>(dateTime));
    QCOMPARE(OleToDate(DateToOle(dateTime.date())), std::optional<QDate>(dateTime.date()));
}

void TestDates::secondRounding_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("down") << At(36526, 10, 0, 0.4) << Naive(2000, 1, 1, 10);
    QTest::newRow("up") << At(36526, 10, 0, 0.6) << Naive(2000, 1, 1, 10, 0, 1);
    QTest::newRow("stays on the day") << At(36526, 23, 59, 59.4) << Naive(2000, 1, 1, 23, 59, 59);
    QTest::newRow("rolls to the next day") << At(36526, 23, 59, 59.6) << Naive(2000, 1, 2);
    QTest::newRow("rolls into a new year") << At(36525, 23, 59, 59.6) << Naive(2000, 1, 1);
    QTest::newRow("before the epoch, rolls forward") << -1.0 - 86399.6 / 86400.0 << Naive(1899, 12, 30);
    QTest::newRow("first day, rolls forward") << -657434.0 - 86399.6 / 86400.0 << Naive(100, 1, 2);
}

void TestDates::secondRounding() {
    QFETCH(double, value);
    QFETCH(QDateTime, expected);
    QCOMPARE(OleToDateTime(value), std::optional<QDateTime>(expected));
}

void TestDates::invalidValues_data() {
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("inf") << inf;
    QTest::newRow("-inf") << -inf;
    QTest::newRow("1e300") << 1e300;
    QTest::newRow("-1e300") << -1e300;
    QTest::newRow("max double") << std::numeric_limits<double>::max();
    QTest::newRow("lowest double") << std::numeric_limits<double>::lowest();
    QTest::newRow("beyond 64-bit") << 1e19;
    QTest::newRow("max + 1") << OleDateMax + 1;
    QTest::newRow("day after the last") << 2958466.0;
    QTest::newRow("rounds into year 10000") << At(2958465, 23, 59, 59.6);
    QTest::newRow("min - 1") << OleDateMin - 1;
    QTest::newRow("day before the first") << -657435.0;
}

void TestDates::invalidValues() {
    QFETCH(double, value);
    QVERIFY(!IsValidOleDate(value));
    QVERIFY(!OleToDateTime(value).has_value());
    QVERIFY(!OleToDate(value).has_value());
    QCOMPARE(FormatDate(value, u"mm/dd/yyyy hh:nn:ss"), QString());
    QCOMPARE(FormatGeneralDate(value), QString());
    QCOMPARE(YearsBetween(value, 36526, 36526), qint16(0));
    QCOMPARE(YearsBetween(0, value, 36526), qint16(0));
    QCOMPARE(YearsBetween(0, 0, value), qint16(0));
}

void TestDates::formatDate_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    const double afternoon = At(Mar7th1998, 14, 5, 9);
    const double morning = At(Mar7th1998, 9, 3, 4);

    // The patterns the program writes.
    QTest::newRow("date") << 35131.0 << u"mm/dd/yyyy"_s << u"03/07/1996"_s;
    QTest::newRow("date and time") << afternoon << u"mm/dd/yyyy hh:mm:ss "_s << u"03/07/1998 14:05:09 "_s;
    QTest::newRow("log time") << afternoon << u"hh:nn:ss"_s << u"14:05:09"_s;
    QTest::newRow("sortable") << afternoon << u"yyyymmdd"_s << u"19980307"_s;
    QTest::newRow("month and day") << afternoon << u"mmdd"_s << u"0307"_s;
    QTest::newRow("year") << afternoon << u"yyyy"_s << u"1998"_s;
    QTest::newRow("short month") << afternoon << u"MMM"_s << u"Mar"_s;
    QTest::newRow("short month and day") << afternoon << u"MMM dd"_s << u"Mar 07"_s;
    QTest::newRow("long date") << Mar7th1968 << u"MMMM d, yyyy"_s << u"March 7, 1968"_s;
    QTest::newRow("weekday") << At(38061) << u"DDDD"_s << u"Monday"_s;
    QTest::newRow("12-hour pm") << afternoon << u"mm/dd/yyyy hh:mmam/pm "_s << u"03/07/1998 02:05pm "_s;
    QTest::newRow("12-hour am") << morning << u"mm/dd/yyyy hh:mmam/pm "_s << u"03/07/1998 09:03am "_s;

    // Single tokens and their widths.
    QTest::newRow("d m yy") << morning << u"d/m/yy"_s << u"7/3/98"_s;
    QTest::newRow("yy keeps the leading zero") << At(38061) << u"yy"_s << u"04"_s;
    QTest::newRow("short weekday") << afternoon << u"ddd"_s << u"Sat"_s;
    QTest::newRow("long weekday") << Mar7th1968 << u"dddd"_s << u"Thursday"_s;
    QTest::newRow("long month") << afternoon << u"mmmm"_s << u"March"_s;
    QTest::newRow("single-digit time") << morning << u"h:n:s"_s << u"9:3:4"_s;
    QTest::newRow("upper-case letters") << morning << u"YYYY-MM-DD HH:NN:SS"_s << u"1998-03-07 09:03:04"_s;
    QTest::newRow("four-digit year below 1000") << -657434.0 << u"mm/dd/yyyy"_s << u"01/01/0100"_s;
    QTest::newRow("last day") << 2958465.0 << u"mm/dd/yyyy"_s << u"12/31/9999"_s;

    // m is minutes only straight after an hour token, whatever literal stands between.
    QTest::newRow("m after h") << afternoon << u"h m"_s << u"14 5"_s;
    QTest::newRow("mm after minutes is a month") << afternoon << u"hh:mm mm"_s << u"14:05 03"_s;
    QTest::newRow("mm after seconds is a month") << afternoon << u"ss mm"_s << u"09 03"_s;
    QTest::newRow("mmm after h is a month") << afternoon << u"hh mmm"_s << u"14 Mar"_s;

    // am/pm markers: case as written, 12-hour clock with 0 as 12.
    QTest::newRow("AM/PM") << afternoon << u"h:nn AM/PM"_s << u"2:05 PM"_s;
    QTest::newRow("a/p") << afternoon << u"h:nn a/p"_s << u"2:05 p"_s;
    QTest::newRow("A/P") << morning << u"h:nn A/P"_s << u"9:03 A"_s;
    QTest::newRow("midnight") << At(36526, 0, 30) << u"hh:nnam/pm"_s << u"12:30am"_s;
    QTest::newRow("noon") << At(36526, 12) << u"hh:nnAM/PM"_s << u"12:00PM"_s;
    QTest::newRow("marker after the hour sets 12-hour") << At(36526, 23) << u"hh AM/PM"_s << u"11 PM"_s;

    // Everything else is copied.
    QTest::newRow("literals") << afternoon << u"[yyyy] #1 (q) ~"_s << u"[1998] #1 (q) ~"_s;
    QTest::newRow("lone y is literal") << afternoon << u"y yyy"_s << u"y 98y"_s;
    QTest::newRow("empty pattern") << afternoon << QString() << QString();
}

void TestDates::formatDate() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(FormatDate(value, pattern), expected);
}

void TestDates::formatGeneralDate_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("date and time") << At(46364, 15, 46, 54) << u"12/8/2026 3:46:54 PM"_s;
    QTest::newRow("just after midnight") << At(36526, 0, 0, 1) << u"1/1/2000 12:00:01 AM"_s;
    QTest::newRow("date only") << 46364.0 << u"12/8/2026"_s;
    QTest::newRow("rounds to a whole day") << At(36525, 23, 59, 59.7) << u"1/1/2000"_s;
    QTest::newRow("time only") << At(0, 15, 46, 54) << u"3:46:54 PM"_s;
    QTest::newRow("time only, noon") << 0.5 << u"12:00:00 PM"_s;
    QTest::newRow("time only, negative") << -0.75 << u"6:00:00 PM"_s;
    QTest::newRow("epoch") << 0.0 << u"12/30/1899"_s;
    QTest::newRow("before the epoch") << -1.25 << u"12/29/1899 6:00:00 AM"_s;
}

void TestDates::formatGeneralDate() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatGeneralDate(value), expected);
}

void TestDates::yearsBetween_data() {
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("today");
    QTest::addColumn<int>("expected");

    const double born = 21990;     // 15 March 1960
    const double leapling = 21975; // 29 February 1960
    QTest::newRow("day before the birthday") << born << 38060.0 << 0.0 << 43;
    QTest::newRow("on the birthday") << born << 38061.0 << 0.0 << 44;
    QTest::newRow("time of day is ignored") << At(born, 23) << At(38061, 1) << 0.0 << 44;
    QTest::newRow("29 Feb, on 28 Feb") << leapling << 36950.0 << 0.0 << 40;
    QTest::newRow("29 Feb, on 1 Mar") << leapling << 36951.0 << 0.0 << 41;
    QTest::newRow("29 Feb, on 29 Feb") << leapling << 38046.0 << 0.0 << 44;
    QTest::newRow("29 Feb, on 28 Feb of a leap year") << leapling << 38045.0 << 0.0 << 43;
    QTest::newRow("to of 0 means today, before") << born << 0.0 << 38060.0 << 43;
    QTest::newRow("to of 0 means today, on") << born << 0.0 << 38061.0 << 44;
    QTest::newRow("today is unused when to is set") << born << 38061.0 << 1e300 << 44;
    QTest::newRow("backwards") << 36678.0 << 36312.0 << 0.0 << -1;
    QTest::newRow("whole range") << -657434.0 << 2958465.0 << 0.0 << 9899;
}

void TestDates::yearsBetween() {
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, today);
    QFETCH(int, expected);
    QCOMPARE(int(YearsBetween(from, to, today)), expected);
}

void TestDates::parseAccepted_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");

    const QDate march7th(1998, 3, 7);
    QTest::newRow("m/d/yyyy") << u"3/7/1998"_s << march7th;
    QTest::newRow("mm/dd/yyyy") << u"03/07/1998"_s << march7th;
    QTest::newRow("m-d-yyyy") << u"3-7-1998"_s << march7th;
    QTest::newRow("m/d/yy") << u"3/7/98"_s << march7th;
    QTest::newRow("yy 30 is 1930") << u"3/7/30"_s << QDate(1930, 3, 7);
    QTest::newRow("yy 29 is 2029") << u"3/7/29"_s << QDate(2029, 3, 7);
    QTest::newRow("yy 00 is 2000") << u"3/7/00"_s << QDate(2000, 3, 7);
    QTest::newRow("yyyy-mm-dd") << u"1998-03-07"_s << march7th;
    QTest::newRow("yyyy-m-d") << u"1998-3-7"_s << march7th;
    QTest::newRow("three-digit year") << u"6/15/999"_s << QDate(999, 6, 15);
    QTest::newRow("first year") << u"1/1/100"_s << QDate(100, 1, 1);
    QTest::newRow("last day") << u"12/31/9999"_s << QDate(9999, 12, 31);
    QTest::newRow("leap day") << u"02/29/2000"_s << QDate(2000, 2, 29);
    QTest::newRow("spaces around") << u"  3/7/1998 \t"_s << march7th;

    const QDate named(1968, 3, 7);
    QTest::newRow("March 7, 1968") << u"March 7, 1968"_s << named;
    QTest::newRow("Mar 7, 1968") << u"Mar 7, 1968"_s << named;
    QTest::newRow("Mar 07 1968") << u"Mar 07 1968"_s << named;
    QTest::newRow("Mar. 7, 1968") << u"Mar. 7, 1968"_s << named;
    QTest::newRow("7 March 1968") << u"7 March 1968"_s << named;
    QTest::newRow("7-Mar-1968") << u"7-Mar-1968"_s << named;
    QTest::newRow("upper case") << u"MARCH 7, 1968"_s << named;
    QTest::newRow("named, two-digit year") << u"7-Mar-68"_s << named;
    QTest::newRow("September") << u"september 30, 2001"_s << QDate(2001, 9, 30);
    QTest::newRow("Sep") << u"Sep 30, 2001"_s << QDate(2001, 9, 30);
}

void TestDates::parseAccepted() {
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(ParseUserDate(text), std::optional<QDate>(expected));
}

void TestDates::parseRefused_data() {
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("spaces") << u"   "_s;
    QTest::newRow("word") << u"abc"_s;
    QTest::newRow("two parts") << u"1/2"_s;
    QTest::newRow("30 February") << u"02/30/2001"_s;
    QTest::newRow("month 13") << u"13/01/2000"_s;
    QTest::newRow("month 0") << u"00/10/2000"_s;
    QTest::newRow("29 Feb, no leap year") << u"02/29/2001"_s;
    QTest::newRow("29 Feb 1900") << u"2/29/1900"_s;
    QTest::newRow("trailing letter") << u"3/7/1998x"_s;
    QTest::newRow("trailing number") << u"3/7/1998 10"_s;
    QTest::newRow("trailing separator") << u"3/7/1998/"_s;
    QTest::newRow("leading separator") << u"/3/7/1998"_s;
    QTest::newRow("doubled separator") << u"3//7/1998"_s;
    QTest::newRow("mixed separators") << u"3/7-1998"_s;
    QTest::newRow("dots") << u"3.7.1998"_s;
    QTest::newRow("one-digit year") << u"3/7/9"_s;
    QTest::newRow("five-digit year") << u"3/7/19980"_s;
    QTest::newRow("four-digit year below 100") << u"3/7/0099"_s;
    QTest::newRow("three-digit month") << u"003/7/1998"_s;
    QTest::newRow("yyyy-mm-dd month 13") << u"1998-13-01"_s;
    QTest::newRow("unknown month") << u"7 Foo 1968"_s;
    QTest::newRow("partial month name") << u"Marc 7, 1968"_s;
    QTest::newRow("day 32") << u"March 32, 1968"_s;
    QTest::newRow("no year") << u"March 7"_s;
    QTest::newRow("two month names") << u"March May 1968"_s;
    QTest::newRow("year first with a name") << u"1968 March 7"_s;
    QTest::newRow("doubled comma") << u"March 7,, 1968"_s;
    QTest::newRow("comma and dash") << u"7 ,- Mar 1968"_s;
    QTest::newRow("trailing comma") << u"March 7, 1968,"_s;
    QTest::newRow("joined") << u"7Mar1968"_s;
}

void TestDates::parseRefused() {
    QFETCH(QString, text);
    QCOMPARE(ParseUserDate(text), std::optional<QDate>());
}

void TestDates::clock() {
    FixedClock clock(QDateTime(QDate(1998, 3, 7), QTime(14, 5, 9), Qt::LocalTime));
    QCOMPARE(clock.NowOle(), At(Mar7th1998, 14, 5, 9));
    QCOMPARE(clock.TodayOle(), Mar7th1998);

    clock.Set(QDateTime());
    QCOMPARE(clock.NowOle(), 0.0);
    QCOMPARE(clock.TodayOle(), 0.0);
}

QTEST_GUILESS_MAIN(TestDates)
#include "tst_dates.moc"
