// An employee's change history on the recording printer: the history newest first, one line per
// changed field, the record as of a day with its changed fields marked, masking, and page breaks.
#include "data/clock.h"
#include "print/historyprintout.h"
#include "support/recordingprinter.h"

#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Item = RecordingPrinter::Item;

HistoryEntry Entry(QDateTime time, const QString& user, HistoryAction action, QList<HistoryChange> changes) {
    return {.time = time, .user = user, .employee = 3, .action = action, .changes = changes, .record = 2};
}

// Started on 12/01, the job title edited from a spreadsheet on 12/08, restored without a change
// on 12/09; `fillers` edits of the employee number on 12/02 make the history longer.
QList<HistoryEntry> Entries(int fillers) {
    QList<HistoryEntry> entries{Entry(QDateTime(QDate(2026, 12, 1), QTime(9, 0)), u"rosterly-data seed"_s,
                                      HistoryAction::Started,
                                      {{u"FirstName"_s, {}, u"Ann"_s},
                                       {u"LastName"_s, {}, u"Miller"_s},
                                       {u"SocialSecurityNumber"_s, {}, u"123-45-6789"_s},
                                       {u"DateOfBirth"_s, {}, u"1985-12-24"_s},
                                       {u"JobTitle"_s, {}, u"Clerk"_s},
                                       {u"Notepad"_s, {}, u"Line one\r\nLine two"_s}})};
    for (int i = 0; i < fillers; ++i)
        entries << Entry(QDateTime(QDate(2026, 12, 2), QTime(10, 0)), u"Ann Lee"_s, HistoryAction::Edited,
                         {{u"EmployeeNumber"_s, QString::number(i), QString::number(i + 1)}});
    entries << Entry(QDateTime(QDate(2026, 12, 8), QTime(17, 5)), u"Ann Lee"_s, HistoryAction::Edited,
                     {{u"JobTitle"_s, u"Clerk"_s, u"Senior Office Manager"_s}});
    entries.last().note = u"from x.csv"_s;
    entries << Entry(QDateTime(QDate(2026, 12, 9), QTime(8, 0)), u"Ann Lee"_s, HistoryAction::Restored, {});
    return entries;
}

} // namespace

class TestHistoryPrintout : public QObject {
    Q_OBJECT

private slots:
    // Lines count from the page heading at one inch, a line apart. A value longer than its column
    // goes on below it, and the row's next one after its longest cell.
    void linesStandAtTheirColumns_data() {
        QTest::addColumn<int>("fillers");
        QTest::addColumn<bool>("masked");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("line");
        const QString heading = u"History of Ann Miller -- Page 1, 12/8/2026 5:05:09 PM"_s;
        QTest::newRow("heading") << 0 << false << false << heading << 1 << 0.5 << 0;
        QTest::newRow("column heading") << 0 << false << false << u"When"_s << 1 << 0.5 << 2;
        QTest::newRow("last column heading") << 0 << false << false << u"After"_s << 1 << 6.35 << 2;
        QTest::newRow("newest first, no change") << 0 << false << false << u"restored"_s << 1 << 2.55 << 3;
        QTest::newRow("its time") << 0 << false << false << u"12/09/2026 08:00"_s << 1 << 0.5 << 3;
        QTest::newRow("the edit, wrapped") << 0 << false << false << u"Senior Office"_s << 1 << 6.35 << 4;
        QTest::newRow("the edit's next line") << 0 << false << false << u"Manager"_s << 1 << 6.35 << 5;
        QTest::newRow("its field's caption") << 0 << false << false << u"Job Title"_s << 1 << 3.75 << 4;
        QTest::newRow("the file it came from")
            << 0 << false << false << u"edited from x.csv"_s << 1 << 2.55 << 4;
        QTest::newRow("its user, wrapped at the space")
            << 0 << false << false << u"rosterly-data"_s << 1 << 1.55 << 6;
        QTest::newRow("its user's next line") << 0 << false << false << u"seed"_s << 1 << 1.55 << 7;
        QTest::newRow("number") << 0 << false << false << u"123-45-6789"_s << 1 << 6.35 << 10;
        QTest::newRow("number masked") << 0 << true << false << u"***-**-6789"_s << 1 << 6.35 << 10;
        QTest::newRow("birth date") << 0 << false << false << u"12/24/1985"_s << 1 << 6.35 << 12;
        QTest::newRow("birth date masked") << 0 << true << false << u"12/24/****"_s << 1 << 6.35 << 12;
        QTest::newRow("notepad on one line")
            << 0 << false << false << u"Line one Line two"_s << 1 << 6.35 << 16;
        QTest::newRow("record heading")
            << 0 << false << false << u"Record as of 12/05/2026"_s << 1 << 0.5 << 20;
        QTest::newRow("first field") << 0 << false << false << u"Date Created"_s << 1 << 0.7 << 21;
        QTest::newRow("value then") << 0 << false << false << u"Miller"_s << 1 << 2.45 << 24;
        QTest::newRow("the longest caption")
            << 0 << false << false << u"Emergency Contact Number"_s << 1 << 0.7 << 28;
        QTest::newRow("number then, masked") << 0 << true << false << u"***-**-6789"_s << 1 << 2.45 << 35;
        QTest::newRow("changed since") << 0 << false << false << u"*"_s << 1 << 0.5 << 41;
        QTest::newRow("title then") << 0 << false << false << u"Clerk"_s << 1 << 2.45 << 41;
        QTest::newRow("last field") << 0 << false << false << u"Version Created"_s << 1 << 0.7 << 45;
        QTest::newRow("legend") << 0 << false << false << u"* changed since"_s << 1 << 0.5 << 47;
        QTest::newRow("next page heading")
            << 70 << false << false << u"History of Ann Miller -- Page 2, 12/8/2026 5:05:09 PM"_s << 2 << 0.5
            << 0;
        // A wrapped row ends a page when both its lines fit, and moves whole to the next when not.
        QTest::newRow("wrapped row's last line on the page")
            << 54 << false << false << u"seed"_s << 1 << 1.55 << 61;
        QTest::newRow("wrapped row on the next page")
            << 55 << false << false << u"rosterly-data"_s << 2 << 1.55 << 2;
        // Removed on 12/10 and printed as of that day: the record as it stood before.
        QTest::newRow("removed record's title, whole")
            << 0 << false << true << u"Senior Office Manager"_s << 1 << 2.45 << 42;
        QTest::newRow("last record note")
            << 0 << false << true << u"Shown as it stood before it was removed on 12/10/2026 10:00."_s << 1
            << 0.5 << 50;
    }
    void linesStandAtTheirColumns() {
        QFETCH(int, fillers);
        QFETCH(bool, masked);
        QFETCH(bool, removed);
        QFETCH(QString, text);
        QFETCH(int, page);
        QFETCH(double, x);
        QFETCH(int, line);
        const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)));
        const SensitiveFields sensitive(1, masked ? 2 : 1);
        QList<HistoryEntry> entries = Entries(fillers);
        if (removed)
            entries << Entry(QDateTime(QDate(2026, 12, 10), QTime(10, 0)), u"Ann Lee"_s,
                             HistoryAction::Removed, {});
        RecordingPrinter printer;
        PrintHistory(printer, clock, u"History of Ann Miller"_s, HistoryRows(entries, sensitive),
                     HistoryRecordAsOf(entries, QDate(2026, 12, removed ? 10 : 5), sensitive));
        QCOMPARE(printer.EndDoc(), QString());
        QCOMPARE(printer.Documents(), 1);

        const double lineHeight = printer.TextHeight();
        QStringList seen;
        for (const Item& item : printer.Texts()) {
            if (item.page == page && item.text == text) {
                seen << u"%1,%2"_s.arg(item.x).arg(item.y);
                if (std::abs(item.x - x) < 1e-9 && std::abs(item.y - (1 + line * lineHeight)) < 1e-9)
                    return;
            }
        }
        QFAIL(qPrintable(
            u"'%1' not at %2, line %3; seen at: %4"_s.arg(text).arg(x).arg(line).arg(seen.join(u' '))));
    }

    // The rows of one user's entries, of a range of days, or both; newest first.
    void rowsAreFilteredByUserAndDays_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("whats");
        const QString started = u"history starts here"_s;
        QTest::newRow("one user") << u"Ann Lee"_s << QDate() << QDate()
                                  << QStringList{u"restored"_s, u"edited from x.csv"_s};
        QTest::newRow("to a day")
            << QString() << QDate() << QDate(2026, 12, 8)
            << QStringList{u"edited from x.csv"_s, started, started, started, started, started, started};
        QTest::newRow("a day") << u"Ann Lee"_s << QDate(2026, 12, 8) << QDate(2026, 12, 8)
                               << QStringList{u"edited from x.csv"_s};
    }
    void rowsAreFilteredByUserAndDays() {
        QFETCH(QString, user);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, whats);
        QStringList seen;
        for (const QStringList& row : HistoryRows(Entries(0), SensitiveFields(1, 1), {user, from, to}))
            seen << row[2];
        QCOMPARE(seen, whats);
        QCOMPARE(HistoryUsers(Entries(0)), QStringList({u"rosterly-data seed"_s, u"Ann Lee"_s}));
    }
};

QTEST_MAIN(TestHistoryPrintout)
#include "tst_historyprintout.moc"
