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
                     {{u"JobTitle"_s, u"Clerk"_s, u"Head Clerk"_s}});
    entries.last().note = u"from x.csv"_s;
    entries << Entry(QDateTime(QDate(2026, 12, 9), QTime(8, 0)), u"Ann Lee"_s, HistoryAction::Restored, {});
    return entries;
}

} // namespace

class TestHistoryPrintout : public QObject {
    Q_OBJECT

private slots:
    // Lines count from the page heading at one inch, a line apart.
    void linesStandAtTheirColumns_data() {
        QTest::addColumn<int>("fillers");
        QTest::addColumn<bool>("masked");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("line");
        const QString heading = u"History of Ann Miller -- Page 1, 12/8/2026 5:05:09 PM"_s;
        QTest::newRow("heading") << 0 << false << heading << 1 << 0.5 << 0;
        QTest::newRow("column heading") << 0 << false << u"When"_s << 1 << 0.5 << 2;
        QTest::newRow("last column heading") << 0 << false << u"After"_s << 1 << 6.35 << 2;
        QTest::newRow("newest first, no change") << 0 << false << u"restored"_s << 1 << 2.55 << 3;
        QTest::newRow("its time") << 0 << false << u"12/09/2026 08:00"_s << 1 << 0.5 << 3;
        QTest::newRow("the edit") << 0 << false << u"Head Clerk"_s << 1 << 6.35 << 4;
        QTest::newRow("its field") << 0 << false << u"JobTitle"_s << 1 << 3.75 << 4;
        QTest::newRow("the file it came from") << 0 << false << u"edited from x.csv"_s << 1 << 2.55 << 4;
        QTest::newRow("the start") << 0 << false << u"history starts here"_s << 1 << 2.55 << 5;
        QTest::newRow("its user, cut to its column")
            << 0 << false << u"rosterly-data see"_s << 1 << 1.55 << 5;
        QTest::newRow("number") << 0 << false << u"123-45-6789"_s << 1 << 6.35 << 7;
        QTest::newRow("number masked") << 0 << true << u"***-**-6789"_s << 1 << 6.35 << 7;
        QTest::newRow("birth date") << 0 << false << u"1985-12-24"_s << 1 << 6.35 << 8;
        QTest::newRow("birth date masked") << 0 << true << u"****-12-24"_s << 1 << 6.35 << 8;
        QTest::newRow("notepad on one line") << 0 << false << u"Line one Line two"_s << 1 << 6.35 << 10;
        QTest::newRow("record heading") << 0 << false << u"Record as of 12/05/2026"_s << 1 << 0.5 << 13;
        QTest::newRow("first field") << 0 << false << u"DateCreated"_s << 1 << 0.7 << 14;
        QTest::newRow("value then") << 0 << false << u"Miller"_s << 1 << 2.1 << 17;
        QTest::newRow("number then, masked") << 0 << true << u"***-**-6789"_s << 1 << 2.1 << 28;
        QTest::newRow("changed since") << 0 << false << u"*"_s << 1 << 0.5 << 34;
        QTest::newRow("title then") << 0 << false << u"Clerk"_s << 1 << 2.1 << 34;
        QTest::newRow("last field") << 0 << false << u"VersionCreated"_s << 1 << 0.7 << 38;
        QTest::newRow("legend") << 0 << false << u"* changed since"_s << 1 << 0.5 << 40;
        QTest::newRow("next page heading")
            << 70 << false << u"History of Ann Miller -- Page 2, 12/8/2026 5:05:09 PM"_s << 2 << 0.5 << 0;
    }
    void linesStandAtTheirColumns() {
        QFETCH(int, fillers);
        QFETCH(bool, masked);
        QFETCH(QString, text);
        QFETCH(int, page);
        QFETCH(double, x);
        QFETCH(int, line);
        const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)));
        const SensitiveFields sensitive(1, masked ? 2 : 1);
        const QList<HistoryEntry> entries = Entries(fillers);
        RecordingPrinter printer;
        PrintHistory(printer, clock, u"History of Ann Miller"_s, HistoryRows(entries, sensitive),
                     HistoryRecordAsOf(entries, QDate(2026, 12, 5), sensitive));
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
};

QTEST_MAIN(TestHistoryPrintout)
#include "tst_historyprintout.moc"
