// The change history's lines: written exactly as documented, read back as written, and what a
// reader passes over (a line cut short, a line that is no entry).
#include "data/history.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void linesAreWrittenAndReadBack_data() {
        QTest::addColumn<HistoryEntry>("entry");
        QTest::addColumn<QByteArray>("line");
        const QDateTime at(QDate(2026, 12, 9), QTime(19, 41, 38), Qt::OffsetFromUTC, 3600);
        QTest::newRow("edited") << HistoryEntry{12,
                                                at,
                                                u"Ann Lee"_s,
                                                4,
                                                7,
                                                HistoryAction::Edited,
                                                {{u"JobTitle"_s, u"Clerk"_s, u"Head Clerk"_s}},
                                                5}
                                << QByteArray("{\"action\":\"edited\",\"changes\":[{\"after\":\"Head "
                                              "Clerk\",\"before\":\"Clerk\",\"field\":\"JobTitle\"}],"
                                              "\"employee\":7,\"entry\":12,\"level\":4,\"record\":5,\"time\":\"2026-12-"
                                              "09T19:41:38+01:00\",\"user\":\"Ann Lee\"}"
                                              "\n");
        QTest::newRow("the data tool, accents, quotes and line breaks")
            << HistoryEntry{1,
                            at.toUTC(),
                            u"rosterly-data import"_s,
                            0,
                            1,
                            HistoryAction::Imported,
                            {{u"FirstName"_s, {}, u"Zo\u00EB \"Z\""_s}, {u"Notepad"_s, {}, u"a\r\nb"_s}},
                            3}
            << QByteArray("{\"action\":\"imported\",\"changes\":[{\"after\":\"Zo\\u00c3\\u00ab "
                          "\\\"Z\\\"\",\"before\":\"\",\"field\":\"FirstName\"},"
                          "{\"after\":\"a\\r\\nb\",\"before\":\"\",\"field\":\"Notepad\"}],\"employee\":1,"
                          "\"entry\":1,\"level\":0,\"record\":3,"
                          "\"time\":\"2026-12-09T18:41:38Z\",\"user\":\"rosterly-data import\"}"
                          "\n")
                   .replace("\\u00c3\\u00ab", "\xC3\xAB");
        QTest::newRow("removed, no changes")
            << HistoryEntry{3, at, u"Bo"_s, 4, 2, HistoryAction::Removed, {}}
            << QByteArray("{\"action\":\"removed\",\"changes\":[],\"employee\":2,\"entry\":3,\"level\":4,\"record\":0,"
                          "\"time\":\"2026-12-09T19:41:38+01:00\",\"user\":\"Bo\"}"
                          "\n");
    }
    void linesAreWrittenAndReadBack() {
        QFETCH(HistoryEntry, entry);
        QFETCH(QByteArray, line);
        QCOMPARE(HistoryLine(entry), line);
        const std::optional<HistoryEntry> read = ParseHistoryLine(line);
        QVERIFY(read);
        QCOMPARE(read->time, entry.time);
        QCOMPARE(read->time.offsetFromUtc(), entry.time.offsetFromUtc());
        QVERIFY(*read == entry);
    }

    // A reader takes every whole entry in order and passes over the rest.
    void readerPassesOverWhatIsNoEntry() {
        TempDataFolder folder;
        FileIo io;
        const QString name = u"Rosterly.History"_s;
        QList<HistoryEntry> read;
        QVERIFY(ReadHistory(io, name, [&](const HistoryEntry& e) { read << e; }));
        QCOMPARE(read.size(), 0); // no file yet: no entries
        const QDateTime at(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
        const HistoryEntry a{1, at, u"A"_s, 1, 1, HistoryAction::Added, {}};
        const HistoryEntry b{2, at, u"B"_s, 2, 1, HistoryAction::MadePrevious, {}};
        QVERIFY(AppendHistory(io, name, {a}));
        WriteBytes(name, ReadFileBytes(name) + "not json\n{\"action\":\"dreamt\"}\n" + HistoryLine(b) +
                             HistoryLine(a).chopped(5));
        QCOMPARE(FileMode(name), 0600);
        QVERIFY(ReadHistory(io, name, [&](const HistoryEntry& e) { read << e; }));
        QCOMPARE(read, (QList<HistoryEntry>{a, b}));
    }

    // The record as it stood at a time: the changes up to it, the fields changed since, and a
    // removal that empties it.
    void recordAsOfADate_data() {
        QTest::addColumn<QDateTime>("asOf");
        QTest::addColumn<bool>("removed");     // a removal on March 5th ends the entries
        QTest::addColumn<QStringList>("then"); // field=value
        QTest::addColumn<QStringList>("changedSince");
        const auto at = [](int day) {
            return QDateTime(QDate(2026, 3, day), QTime(12, 0), Qt::UTC);
        };
        QTest::newRow("before it began")
            << at(1) << false << QStringList() << QStringList{u"FirstName"_s, u"MiddleName"_s};
        QTest::newRow("as added") << at(2) << false << QStringList{u"FirstName=Ann"_s, u"JobTitle=Clerk"_s}
                                  << QStringList{u"MiddleName"_s, u"JobTitle"_s};
        QTest::newRow("the entry's own time counts")
            << at(3) << false << QStringList{u"FirstName=Ann"_s, u"JobTitle=Head Clerk"_s, u"MiddleName=Jo"_s}
            << QStringList{u"JobTitle"_s};
        QTest::newRow("after the last edit")
            << at(4) << false << QStringList{u"FirstName=Ann"_s, u"MiddleName=Jo"_s} << QStringList();
        QTest::newRow("before the removal")
            << at(4) << true << QStringList{u"FirstName=Ann"_s, u"MiddleName=Jo"_s}
            << QStringList{u"FirstName"_s, u"MiddleName"_s};
        QTest::newRow("removed") << at(9) << true << QStringList() << QStringList();
    }
    void recordAsOfADate() {
        QFETCH(QDateTime, asOf);
        QFETCH(bool, removed);
        const auto at = [](int day) {
            return QDateTime(QDate(2026, 3, day), QTime(12, 0), Qt::UTC);
        };
        QList<HistoryEntry> entries{
            {1,
             at(2),
             u"A"_s,
             4,
             7,
             HistoryAction::Added,
             {{u"FirstName"_s, {}, u"Ann"_s}, {u"JobTitle"_s, {}, u"Clerk"_s}}},
            {2,
             at(3),
             u"A"_s,
             4,
             7,
             HistoryAction::Edited,
             {{u"MiddleName"_s, {}, u"Jo"_s}, {u"JobTitle"_s, u"Clerk"_s, u"Head Clerk"_s}}},
            {3,
             at(4).addSecs(-1),
             u"A"_s,
             4,
             7,
             HistoryAction::Edited,
             {{u"JobTitle"_s, u"Head Clerk"_s, {}}}},
        };
        if (removed)
            entries.append({4, at(5), u"A"_s, 4, 7, HistoryAction::Removed, {}});
        QStringList changed;
        QStringList then;
        const QMap<QString, QString> record = RecordAsOf(entries, asOf, &changed);
        for (auto it = record.begin(); it != record.end(); ++it)
            then << it.key() + u'=' + it.value();
        QTEST(then, "then");
        QTEST(changed, "changedSince");
    }

    // What an edit changed, field by field in layout order, DateModified left out; a record's
    // first entry holds every field that holds something.
    void changesAreTheFieldsThatDiffer() {
        PersonnelRecord before;
        before.SetFirstName(u"Ann"_s);
        before.SetJobTitle(u"Clerk"_s);
        before.SetDateOfBirth(DateToOle(QDate(1980, 3, 7)));
        before.SetVersionCreated(10);
        PersonnelRecord after = before;
        after.SetJobTitle(u"Head Clerk"_s);
        after.SetDateOfBirth(0);
        after.SetDateModified(DateToOle(QDate(2026, 1, 1)));
        after.SetDateCreated(DateTimeToOle(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9))));
        QCOMPARE(RecordChanges(before, after),
                 (QList<HistoryChange>{{u"DateCreated"_s, {}, u"2020-05-06 07:08:09"_s},
                                       {u"DateOfBirth"_s, u"1980-03-07"_s, {}},
                                       {u"JobTitle"_s, u"Clerk"_s, u"Head Clerk"_s}}));
        QCOMPARE(RecordChanges(after, after), QList<HistoryChange>());
        QCOMPARE(WholeRecord(before), (QList<HistoryChange>{{u"FirstName"_s, {}, u"Ann"_s},
                                                            {u"DateOfBirth"_s, {}, u"1980-03-07"_s},
                                                            {u"JobTitle"_s, {}, u"Clerk"_s},
                                                            {u"VersionCreated"_s, {}, u"10"_s}}));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
