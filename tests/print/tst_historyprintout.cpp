// An employee's change history on the recording printer: the history newest first, one line per
// changed field, the record as of a day with its changed fields marked, masking, and page breaks.
#include "data/clock.h"
#include "print/historyprintout.h"
#include "support/golden.h"
#include "support/recordingprinter.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

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
    // Lines count from the page heading at one inch, a line apart: the history newest first, then
    // the record as of 12/05 with the fields changed since marked. A value longer than its column
    // goes on below it, and the row's next one after its longest cell.
    void linesStandAtTheirColumns_data() {
        QTest::addColumn<int>("fillers");
        QTest::addColumn<bool>("masked");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("golden");
        QTest::newRow("one page") << 0 << false << false << u"history.txt"_s;
        QTest::newRow("masked") << 0 << true << false << u"history-masked.txt"_s;
        QTest::newRow("two pages") << 70 << false << false << u"history-two-pages.txt"_s;
        // A wrapped row ends a page when both its lines fit, and moves whole to the next when not.
        QTest::newRow("wrapped row's last line on the page")
            << 54 << false << false << u"history-wrapped-row-ends-the-page.txt"_s;
        QTest::newRow("wrapped row on the next page")
            << 55 << false << false << u"history-wrapped-row-on-the-next-page.txt"_s;
        // Removed on 12/10 and printed as of that day: the record as it stood before.
        QTest::newRow("removed") << 0 << false << true << u"history-removed.txt"_s;
    }
    void linesStandAtTheirColumns() {
        QFETCH(int, fillers);
        QFETCH(bool, masked);
        QFETCH(bool, removed);
        QFETCH(QString, golden);
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
        COMPARE_GOLDEN(printer.Listing(1), golden);
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
