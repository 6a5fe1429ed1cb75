// The change history's lines: written exactly as documented, read back as written, and what a
// reader passes over (a line cut short, a line that is no entry). Then the history as the
// personnel file keeps it: each change's entry on the right employee, whatever shifted, removed or
// replaced the records around it.
#include "data/history.h"
#include "data/historykeeper.h"
#include "data/historyreplay.h"
#include "support/golden.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QtTest>

#include <fcntl.h>

using namespace Qt::StringLiterals;

namespace {

// An entry in short: what, to whom (lasting number, record), by whom, and for a change of fields
// each field's values; for a whole record coming or going, just the last name.
QString Summary(const HistoryEntry& e) {
    QString s = HistoryActionName(e.action) + u" e%1 r%2 "_s.arg(e.employee).arg(e.record) + e.user;
    const bool arrives = std::any_of(e.changes.begin(), e.changes.end(), [](const HistoryChange& c) {
        return c.field == u"LastName"_s && c.before.isEmpty();
    });
    const bool whole =
        e.action == HistoryAction::Removed || e.record == 0 || (arrives && e.action != HistoryAction::Edited);
    for (const HistoryChange& c : e.changes) {
        if (!whole)
            s += u" %1:%2>%3"_s.arg(c.field, c.before, c.after);
        else if (c.field == u"LastName"_s)
            s += u' ' + c.before + c.after;
    }
    return s;
}

PersonnelRecord Named(const QString& last) {
    PersonnelRecord r;
    r.SetLastName(last);
    r.SetFirstName(u"Al"_s);
    r.SetDateCreated(46000.5);
    return r;
}

// One step of a scenario, on the personnel file of the working folder: through `file` as the
// program changes it, or behind its back as another program would.
void Step(PersonnelFile& file, const QString& step) {
    const QStringList w = step.split(u' ');
    const QString& what = w[0];
    const qint32 n = w.size() > 1 ? w[1].toInt() : 0;
    if (what == u"actor"_s)
        return file.SetHistoryActor(w[1], w[2].toInt());
    if (what == u"drop-index"_s) {
        QVERIFY(QFile::remove(HistoryIndexFileName));
        return;
    }
    if (what.startsWith(u"outside"_s)) {
        std::vector<PersonnelRecord> records = ReadRecords(PersonnelFileName);
        if (what == u"outside-append"_s)
            records.push_back(Named(w[1]));
        else if (what == u"outside-remove"_s)
            records.erase(records.begin() + (n - 1));
        else if (what == u"outside-title"_s)
            records[std::size_t(n - 1)].SetJobTitle(w[2]);
        else // outside-rename N Last
            records[std::size_t(n - 1)].SetLastName(w[2]);
        WriteBytes(PersonnelFileName, Image(records));
        return;
    }
    if (what == u"backup"_s || what == u"put-back"_s) { // a backup's personnel file, and putting it back
        const bool back = what == u"put-back"_s;
        WriteBytes(back ? PersonnelFileName : u"Backup.Data"_s,
                   ReadFileBytes(back ? u"Backup.Data"_s : PersonnelFileName));
        return;
    }
    if (what == u"restored"_s) { // opens and closes the file itself
        QVERIFY(file.RecordRestore());
        return;
    }
    if (what == u"foreign-line"_s) { // another program's line (keys in its own order, escapes) and record
        const qint64 lines = ReadFileBytes(HistoryFileName).count('\n');
        QFile history(HistoryFileName);
        QVERIFY(history.open(QIODevice::Append));
        history.write("{\"employee\":2,\"action\":\"edited\",\"entry\":" + QByteArray::number(lines + 1) +
                      ",\"record\":2,\"changes\":[{\"field\":\"JobTitle\",\"before\":\"\","
                      "\"after\":\"Zo\\u00eb \\\"Chief\\\"\"}],"
                      "\"time\":\"2026-12-09T10:00:00Z\",\"user\":\"Ann\",\"level\":4}\n");
        std::vector<PersonnelRecord> records = ReadRecords(PersonnelFileName);
        records[1].SetJobTitle(u"Zo\u00EB \"Chief\""_s);
        WriteBytes(PersonnelFileName, Image(records));
        return;
    }
    if (what == u"tear"_s) { // a line cut short by a crash
        QFile history(HistoryFileName);
        QVERIFY(history.open(QIODevice::Append));
        history.write("{\"action\":\"edited\",\"chan");
        return;
    }
    // A restore cut short once its files were in (the file in place is the one it brought), or
    // undone (it brought another).
    if (what == u"restore-cut"_s || what == u"restore-undone"_s) {
        const QString brought = what == u"restore-cut"_s ? PersonnelFileName : u"Other.Data"_s;
        WriteBytes(u"Other.Data"_s, Image({Named(u"Zane"_s)}));
        QVERIFY(file.BeginRestore(brought));
        return;
    }
    QVERIFY(file.OpenPersonnelFileUncounted());
    if (what == u"edit"_s || what == u"rename"_s || what == u"previous"_s || what == u"picture"_s) {
        QVERIFY(file.ReadPersonnelRecord(n));
        if (what == u"edit"_s)
            file.Record().SetJobTitle(w[2]);
        else if (what == u"rename"_s)
            file.Record().SetLastName(w[2]);
        else if (what == u"previous"_s)
            file.Record().SetInactivationDate(46100);
        else
            file.Record().SetPictureFile(w[2]);
        QVERIFY(file.WritePersonnelRecord(n));
    } else if (what == u"add"_s) {
        file.Record() = Named(w[1]);
        QVERIFY(file.AppendPersonnelRecord());
    } else if (what == u"import"_s) {
        QVERIFY(file.AppendPersonnelRecords(qint32(w.size() - 1),
                                            [&](qint32 i, PersonnelRecord& r) { r = Named(w[i + 1]); }));
    } else if (what == u"change"_s) { // change N,M Last Added...: records renamed, others added, at once
        std::vector<qint32> records;
        for (const QString& r : w[1].split(u','))
            records.push_back(r.toInt());
        QVERIFY(file.ChangePersonnelRecords(
            records, [&](qint32, PersonnelRecord& r) { r.SetLastName(w[2]); }, qint32(w.size() - 3),
            [&](qint32 i, PersonnelRecord& r) { r = Named(w[i + 3]); }));
        QVERIFY(!file.IsOpen());
    } else if (what == u"remove"_s) {
        QVERIFY(file.RemovePersonnelRecord(n));
    }
    file.ClosePersonnelFile();
}

// Employee `e`'s lines as ReadEmployeeHistory reads them are all theirs in the whole history, in
// order; `direct`: read where the line table says they start.
void CheckOwnLines(FileIo& io, qint64 e, bool direct) {
    QStringList all;
    QVERIFY(ReadHistory(io, HistoryFileName, [&](const HistoryEntry& h) {
        if (h.employee == e)
            all << Summary(h) + u" #%1"_s.arg(h.entry);
    }));
    QList<HistoryEntry> own;
    bool used = !direct;
    QVERIFY(ReadEmployeeHistory(io, HistoryFileName, e, &own, &used));
    QStringList read;
    for (const HistoryEntry& h : std::as_const(own))
        read << Summary(h) + u" #%1"_s.arg(h.entry);
    QCOMPARE(read, all);
    QCOMPARE(used, direct);
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void linesAreWrittenAndReadBack_data() {
        // The entry, and the golden file of the line it is written as.
        QTest::addColumn<HistoryEntry>("entry");
        QTest::addColumn<QString>("golden");
        const QDateTime at(QDate(2026, 12, 9), QTime(19, 41, 38), Qt::OffsetFromUTC, 3600);
        QTest::newRow("edited")
            << HistoryEntry{12,
                            at,
                            u"Ann Lee"_s,
                            4,
                            7,
                            HistoryAction::Edited,
                            {{u"JobTitle"_s, u"Clerk"_s, u"Head Clerk"_s}},
                            5}
            << u"history/edited.jsonl"_s;
        QTest::newRow("the data tool, accents, quotes and line breaks")
            << HistoryEntry{1,
                            at.toUTC(),
                            u"rosterly-data import"_s,
                            0,
                            1,
                            HistoryAction::Imported,
                            {{u"FirstName"_s, {}, u"Zo\u00EB \"Z\""_s}, {u"Notepad"_s, {}, u"a\r\nb"_s}},
                            3}
            << u"history/imported-with-accents-quotes-and-line-breaks.jsonl"_s;
        QTest::newRow("removed, no changes")
            << HistoryEntry{3, at, u"Bo"_s, 4, 2, HistoryAction::Removed, {}}
            << u"history/removed.jsonl"_s;
        // The instant of the row before in another offset: its own text, not the one before.
        QTest::newRow("a long value with escapes, the same instant five hours behind")
            << HistoryEntry{4,
                            at.toOffsetFromUtc(-5 * 3600),
                            u"Bo"_s,
                            4,
                            2,
                            HistoryAction::Edited,
                            {{u"Notepad"_s, QString(300, u'x') + u"\t\u0001\u00E9"_s, u"y"_s}},
                            2}
            << u"history/long-value-five-hours-behind.jsonl"_s;
    }
    void linesAreWrittenAndReadBack() {
        QFETCH(HistoryEntry, entry);
        QFETCH(QString, golden);
        const QByteArray line = HistoryLine(entry);
        COMPARE_GOLDEN(line, golden);
        QCOMPARE(HistoryJsonLine(entry), line);
        for (const auto& read : {ParseHistoryLine(line), ParseHistoryJson(line)}) {
            QVERIFY(read);
            QCOMPARE(read->time, entry.time);
            QCOMPARE(read->time.timeSpec(), entry.time.timeSpec());
            QCOMPARE(read->time.offsetFromUtc(), entry.time.offsetFromUtc());
            QVERIFY(*read == entry);
        }
        // A replay's read: what it uses alike, the texts it does not use left out.
        const std::optional<HistoryEntry> lean = ParseHistoryLine(line, HistoryParse::ForReplay);
        QVERIFY(lean);
        HistoryEntry used = entry;
        used.time = {};
        used.user.clear();
        for (HistoryChange& c : used.changes)
            c.before.clear();
        QVERIFY(*lean == used);
    }

    // Lines in any other form (another program's, or no entry) read as QJsonDocument reads them,
    // and what they hold is written as QJsonDocument writes it.
    void otherFormsReadAsJson_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("entry");
        const QByteArray plain = "{\"action\":\"edited\",\"changes\":[{\"after\":\"B\",\"before\":\"A\","
                                 "\"field\":\"JobTitle\"}],\"employee\":7,\"entry\":12,\"level\":4,\"record\":5,"
                                 "\"time\":\"2026-12-09T19:41:38+01:00\",\"user\":\"Ann\"}";
        const auto with = [&](const char* from, const char* to) { return QByteArray(plain).replace(from, to); };
        QTest::newRow("plain") << plain << true;
        QTest::newRow("keys in another order")
            << with("\"action\":\"edited\",", "").replace("\"user\":", "\"action\":\"edited\",\"user\":") << true;
        QTest::newRow("spaces") << with(",\"", ", \"").replace("\":", "\" : ") << true;
        QTest::newRow("trailing space") << plain + ' ' << true;
        QTest::newRow("escapes") << with("\"B\"", "\"\\u00e9\\/\\n\\t\\b\\f\\u0001\\u001F\\u007f\\u0000\"") << true;
        QTest::newRow("an escaped surrogate pair") << with("\"B\"", "\"\\ud83d\\ude00\"") << true;
        QTest::newRow("an unknown escape") << with("\"B\"", "\"\\x41\"") << true;
        QTest::newRow("a lone surrogate") << with("\"B\"", "\"\\ud800\"") << true;
        QTest::newRow("raw DEL and accents") << with("\"B\"", "\"\x7f\xC3\xA9\xF0\x9F\x98\x80\"") << true;
        QTest::newRow("raw control character") << with("\"B\"", "\"\x01\"") << true;
        QTest::newRow("not UTF-8") << with("\"B\"", "\"\xC3\"") << false;
        QTest::newRow("an encoded surrogate") << with("\"B\"", "\"\xED\xA0\x80\"") << false;
        QTest::newRow("an overlong encoding") << with("\"B\"", "\"\xC0\xAF\"") << false;
        QTest::newRow("a number as a fraction") << with("\"employee\":7", "\"employee\":7.0") << true;
        QTest::newRow("a number with an exponent") << with("\"record\":5", "\"record\":5e0") << true;
        QTest::newRow("nineteen digits") << with("\"entry\":12", "\"entry\":1234567890123456789") << true;
        QTest::newRow("twenty digits") << with("\"entry\":12", "\"entry\":22222222222222222222") << true;
        QTest::newRow("a level past int") << with("\"level\":4", "\"level\":5000000000") << true;
        QTest::newRow("a negative level") << with("\"level\":4", "\"level\":-4") << true;
        QTest::newRow("negative zero") << with("\"record\":5", "\"record\":-0") << true;
        QTest::newRow("a leading zero") << with("\"record\":5", "\"record\":05") << false;
        QTest::newRow("a negative record") << with("\"record\":5", "\"record\":-5") << false;
        QTest::newRow("employee 0") << with("\"employee\":7", "\"employee\":0") << false;
        QTest::newRow("employee as text") << with("\"employee\":7", "\"employee\":\"7\"") << false;
        QTest::newRow("unknown action") << with("edited", "dreamt") << false;
        QTest::newRow("no changes") << with("[{\"after\":\"B\",\"before\":\"A\",\"field\":\"JobTitle\"}]", "[]")
                                    << true;
        QTest::newRow("a change with other keys") << with("\"field\":", "\"x\":1,\"field\":") << true;
        QTest::newRow("a note") << with("\"record\"", "\"note\":\"from \\\"E.xlsx\\\"\",\"record\"") << true;
        QTest::newRow("UTC as +00:00") << with("+01:00", "+00:00") << true;
        QTest::newRow("UTC as Z") << with("+01:00", "Z") << true;
        QTest::newRow("behind UTC") << with("+01:00", "-05:30") << true;
        QTest::newRow("an offset of 15 hours") << with("+01:00", "+15:00") << true;
        QTest::newRow("no offset") << with("+01:00", "") << true;
        QTest::newRow("milliseconds") << with(":38+", ":38.250+") << true;
        QTest::newRow("hour 24") << with("19:41:38", "24:00:00") << true;
        QTest::newRow("February 30") << with("12-09", "02-30") << false;
        QTest::newRow("year 999") << with("2026", "0999") << true;
        QTest::newRow("a second object") << plain + "{}" << false;
        QTest::newRow("cut short") << plain.chopped(1) << false;
        QTest::newRow("an array") << '[' + plain + ']' << false;
    }
    void otherFormsReadAsJson() {
        QFETCH(QByteArray, line);
        QFETCH(bool, entry);
        const std::optional<HistoryEntry> read = ParseHistoryLine(line);
        const std::optional<HistoryEntry> json = ParseHistoryJson(line);
        QCOMPARE(bool(json), entry);
        QCOMPARE(bool(read), entry);
        if (!entry)
            return;
        QVERIFY(*read == *json);
        QCOMPARE(read->time.timeSpec(), json->time.timeSpec());
        QCOMPARE(read->time.offsetFromUtc(), json->time.offsetFromUtc());
        QCOMPARE(HistoryLine(*read), HistoryJsonLine(*read));
        // The forms the program writes read in place too (a rebuild's replay), alike.
        static const QSet<QByteArray> inPlace{
            "plain",  "escapes",  "raw DEL and accents", "a negative level", "no changes",
            "a note", "UTC as Z", "behind UTC"};
        HistoryLineView view;
        QCOMPARE(ReadPlainHistoryLine(line, &view), inPlace.contains(QTest::currentDataTag()));
        if (!inPlace.contains(QTest::currentDataTag()))
            return;
        QCOMPARE(view.employee, read->employee);
        QCOMPARE(view.entry, read->entry);
        QCOMPARE(view.record, read->record);
        QCOMPARE(qsizetype(view.changes.size()), read->changes.size());
        for (std::size_t i = 0; i < view.changes.size(); ++i) {
            QCOMPARE(view.changes[i].field, std::size_t(PersonnelField::JobTitle));
            QCOMPARE(QString::fromUtf8(view.changes[i].after), read->changes[qsizetype(i)].after);
        }
    }

    // A replay keeps each employee's last values, whatever number they have, through the packing
    // of the values replaced (a thousand notepads of a thousand characters, two employees apart).
    void replayKeepsTheLastValues() {
        HistoryReplay replay;
        const auto line = [](qint64 entry, qint64 employee, HistoryAction action,
                             QList<HistoryChange> changes) {
            const QDateTime at(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
            return HistoryLine({entry, at, u"Ann"_s, 4, employee, action, changes,
                                action == HistoryAction::Removed ? 0 : 1});
        };
        const qint64 far = 9'000'000'000;
        QVERIFY(replay.ApplyLine(line(1, 1, HistoryAction::Started, {{u"LastName"_s, {}, u"Zo\u00EB"_s}})));
        QVERIFY(replay.ApplyLine(line(2, far, HistoryAction::Started, {{u"LastName"_s, {}, u"Bo"_s}})));
        for (int i = 0; i < 1200; ++i) {
            const qint64 who = i % 2 == 0 ? 1 : far;
            QVERIFY(replay.ApplyLine(line(3 + i, who, HistoryAction::Edited,
                                          {{u"Notepad"_s, {}, QString(1000, QChar(u'a' + i % 26))}})));
        }
        QVERIFY(replay.ApplyLine(line(1203, far, HistoryAction::Removed, {})));
        const auto notepad = std::size_t(PersonnelField::Notepad);
        const auto last = std::size_t(PersonnelField::LastName);
        QCOMPARE(replay.Values(1)[notepad], QString(1000, u'c'));
        QCOMPARE(replay.Values(1)[last], u"Zo\u00EB"_s);
        QCOMPARE(replay.Values(far, true)[notepad], QString(1000, u'd'));
        QCOMPARE(replay.Values(far, true)[last], u"Bo"_s);
        QCOMPARE(replay.Values(far), HistoryFieldValues());
        QCOMPARE(replay.roster, std::vector<qint64>{1});
        QCOMPARE(replay.Departed(), std::vector<qint64>{far});
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

    // The last whole line, read back from the end a block at a time: a last line without its end
    // is no line, and one longer than any entry is none either.
    void lastWholeLineIsReadBack_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("an empty file") << QByteArray() << QByteArray();
        QTest::newRow("one line") << QByteArray("a\n") << QByteArray("a");
        QTest::newRow("two lines") << QByteArray("a\nbc\n") << QByteArray("bc");
        QTest::newRow("an empty last line") << QByteArray("a\n\n") << QByteArray();
        QTest::newRow("the last cut short") << QByteArray("a\nbc") << QByteArray("a");
        QTest::newRow("no line end") << QByteArray("abc") << QByteArray();
        const QByteArray longest(MaxHistoryLineBytes, 'y');
        QTest::newRow("the longest entry's, over many blocks") << "x\n" + longest + "\nz" << longest;
        QTest::newRow("a line longer than any entry") << "x\n" + longest + "y\n" << QByteArray();
    }
    void lastWholeLineIsReadBack() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, line);
        TempDataFolder folder;
        WriteBytes(HistoryFileName, bytes);
        FileIo io;
        const int fd = io.Open(HistoryFileName, O_RDONLY, 0);
        QByteArray read = "before";
        QVERIFY(LastWholeLine(io, fd, bytes.size(), HistoryFileName, &read));
        io.Close(fd);
        QCOMPARE(read, line);
    }

    // A journal left by a change cut short, on the history of Ames, Baker and Cole: the next open
    // appends its line right after the history it was written on when its check finds the change
    // in the file (a removal still marked is finished first), drops it otherwise, and removes it.
    // `%F` stands for the history's length, `%D` for record 1's SHA-1.
    void journalLeftBehindIsSettled_data() {
        QTest::addColumn<QByteArray>("check");
        QTest::addColumn<bool>("marked"); // record 2 marked removed in the file
        QTest::addColumn<bool>("appended");
        QTest::newRow("append: always due") << QByteArray(R"({"check":"append","from":%F,"lines":1})") << false << true;
        QTest::newRow("record: in the file")
            << QByteArray(R"({"check":"record","digest":"%D","from":%F,"lines":1,"record":1})") << false << true;
        QTest::newRow("record: not in the file")
            << QByteArray(R"({"check":"record","digest":"00","from":%F,"lines":1,"record":1})") << false << false;
        QTest::newRow("count: reached") << QByteArray(R"({"check":"count","count":3,"from":%F,"lines":1})") << false << true;
        QTest::newRow("count: not reached") << QByteArray(R"({"check":"count","count":4,"from":%F,"lines":1})") << false << false;
        QTest::newRow("rewrite: count and record")
            << QByteArray(R"({"check":"rewrite","count":3,"digest":"%D","from":%F,"lines":1,"record":1})") << false << true;
        QTest::newRow("removed: squeezed out")
            << QByteArray(R"({"check":"removed","count":4,"from":%F,"lines":1,"record":2})") << false << true;
        QTest::newRow("removed: still marked")
            << QByteArray(R"({"check":"removed","count":3,"from":%F,"lines":1,"record":2})") << true << true;
        QTest::newRow("removed: not marked")
            << QByteArray(R"({"check":"removed","count":3,"from":%F,"lines":1,"record":2})") << false << false;
        QTest::newRow("a check of no known kind") << QByteArray(R"({"check":"guess","from":%F,"lines":1})") << false << false;
        QTest::newRow("lines miscounted") << QByteArray(R"({"check":"append","from":%F,"lines":2})") << false << false;
    }
    void journalLeftBehindIsSettled() {
        QFETCH(QByteArray, check);
        QFETCH(bool, marked);
        QFETCH(bool, appended);
        TempPersonnelFile file({Named(u"Ames"_s), Named(u"Baker"_s), Named(u"Cole"_s)});
        KeepTestHistory(file);
        QVERIFY(file.OpenPersonnelFileUncounted());
        file.ClosePersonnelFile();
        const QByteArray before = ReadFileBytes(HistoryFileName);
        PersonnelRecord baker = Named(u"Baker"_s);
        if (marked)
            baker.SetFirstName(QString::fromLatin1(RemovedMarker));
        WriteBytes(PersonnelFileName, Image({Named(u"Ames"_s), baker, Named(u"Cole"_s)}));
        const PersonnelRecord ames = Named(u"Ames"_s);
        const QByteArray digest =
            QCryptographicHash::hash(QByteArrayView(ames.data(), PersonnelRecordLength), QCryptographicHash::Sha1).toHex();
        const QByteArray line = HistoryLine({4, HistoryClock().Now(), u"Ann"_s, 4, 1, HistoryAction::Edited,
                                             {{u"JobTitle"_s, {}, u"Clerk"_s}}, 1});
        WriteBytes(HistoryJournalFileName,
                   check.replace("%F", QByteArray::number(before.size())).replace("%D", digest) + '\n' + line);
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), marked ? 2 : 3);
        file.ClosePersonnelFile();
        const QByteArray history = ReadFileBytes(HistoryFileName);
        QCOMPARE(history.mid(before.size(), line.size()) == line, appended);
        QCOMPARE(history.count(line), appended ? 1 : 0);
        QVERIFY(!QFile::exists(HistoryJournalFileName));
    }

    // The record as it stood at a time: the changes up to it (an edit's DateModified its time), the
    // fields changed since (DateModified alone none), and a removal that empties it.
    void recordAsOfADate_data() {
        QTest::addColumn<QDateTime>("asOf");
        QTest::addColumn<int>("ending");       // on March 5th: 1 a removal, 2 a restore of DateModified alone
        QTest::addColumn<QStringList>("then"); // field=value
        QTest::addColumn<QStringList>("changedSince");
        const auto at = [](int day) {
            return QDateTime(QDate(2026, 3, day), QTime(12, 0), Qt::UTC);
        };
        const QString edited = u"DateModified=2026-03-04 11:59:59"_s;
        QTest::newRow("before it began") << at(1) << 0 << QStringList()
                                         << QStringList{u"DateModified"_s, u"FirstName"_s, u"MiddleName"_s};
        QTest::newRow("as added") << at(2) << 0 << QStringList{u"FirstName=Ann"_s, u"JobTitle=Clerk"_s}
                                  << QStringList{u"DateModified"_s, u"MiddleName"_s, u"JobTitle"_s};
        QTest::newRow("the entry's own time counts")
            << at(3) << 0
            << QStringList{u"DateModified=2026-03-03 12:00:00"_s, u"FirstName=Ann"_s, u"JobTitle=Head Clerk"_s,
                           u"MiddleName=Jo"_s}
            << QStringList{u"DateModified"_s, u"JobTitle"_s};
        QTest::newRow("after the last edit")
            << at(4) << 0 << QStringList{edited, u"FirstName=Ann"_s, u"MiddleName=Jo"_s} << QStringList();
        QTest::newRow("before the removal")
            << at(4) << 1 << QStringList{edited, u"FirstName=Ann"_s, u"MiddleName=Jo"_s}
            << QStringList{u"DateModified"_s, u"FirstName"_s, u"MiddleName"_s};
        QTest::newRow("removed") << at(9) << 1 << QStringList() << QStringList();
        QTest::newRow("before a restore of DateModified alone")
            << at(4) << 2 << QStringList{edited, u"FirstName=Ann"_s, u"MiddleName=Jo"_s} << QStringList();
        QTest::newRow("after it")
            << at(9) << 2
            << QStringList{u"DateModified=2026-03-01 08:00:00"_s, u"FirstName=Ann"_s, u"MiddleName=Jo"_s}
            << QStringList();
    }
    void recordAsOfADate() {
        QFETCH(QDateTime, asOf);
        QFETCH(int, ending);
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
        if (ending == 1)
            entries.append({4, at(5), u"A"_s, 4, 7, HistoryAction::Removed, {}});
        if (ending == 2)
            entries.append({4, at(5), u"A"_s, 4, 7, HistoryAction::Restored,
                            {{u"DateModified"_s, u"2026-03-04 11:59:59"_s, u"2026-03-01 08:00:00"_s}}, 7});
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
        // Dates as FormatDate writes them: the ends of the range, before 1900, seconds rounding up.
        for (const double value : {-657434.0, -657435.5, -1.25, 0.5, 2958465.99999, 2958465.999999, 46000.999999, 1e9}) {
            after.SetDateCreated(value);
            after.SetDateOfBirth(value);
            QCOMPARE(HistoryValue(after, PersonnelField::DateCreated), FormatDate(value, u"yyyy-mm-dd hh:nn:ss"));
            QCOMPARE(HistoryValue(after, PersonnelField::DateOfBirth), FormatDate(value, u"yyyy-mm-dd"));
        }
    }

    // Ames, Baker and Cole (lasting numbers 1, 2, 3) start the history at its first open; then
    // each scenario's steps. Every entry must name the employee it is about, and the index must
    // give every record its own employee's number, whatever moved the records.
    void keptHistoryFollowsEachChange_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("entries"); // after the three that start the history
        QTest::addColumn<QList<qint64>>("employees");
        QTest::newRow("an edit") << QStringList{u"edit 2 Clerk"_s}
                                 << QStringList{u"edited e2 r2 Ann JobTitle:>Clerk"_s}
                                 << QList<qint64>{1, 2, 3};
        QTest::newRow("saved unchanged: no entry")
            << QStringList{u"edit 2 Clerk"_s, u"edit 2 Clerk"_s}
            << QStringList{u"edited e2 r2 Ann JobTitle:>Clerk"_s} << QList<qint64>{1, 2, 3};
        QTest::newRow("status and picture")
            << QStringList{u"previous 3"_s, u"picture 1 a.jpg"_s}
            << QStringList{u"made previous e3 r3 Ann InactivationDate:>2026-03-19"_s,
                           u"picture changed e1 r1 Ann PictureFile:>a.jpg"_s}
            << QList<qint64>{1, 2, 3};
        QTest::newRow("a removal shifts the records after it")
            << QStringList{u"remove 1"_s, u"edit 2 Clerk"_s, u"add Dunn"_s, u"edit 3 Cook"_s}
            << QStringList{u"removed e1 r0 Ann Ames"_s, u"edited e3 r2 Ann JobTitle:>Clerk"_s,
                           u"added e4 r3 Ann Dunn"_s, u"edited e4 r3 Ann JobTitle:>Cook"_s}
            << QList<qint64>{2, 3, 4};
        QTest::newRow("an import, by the data tool")
            << QStringList{u"actor rosterly-data 0"_s, u"import Eads Ford"_s, u"remove 2"_s}
            << QStringList{u"imported e4 r4 rosterly-data Eads"_s, u"imported e5 r5 rosterly-data Ford"_s,
                           u"removed e2 r0 rosterly-data Baker"_s}
            << QList<qint64>{1, 3, 4, 5};
        // The renamed keep their numbers: the next edit lands on its own employee.
        QTest::newRow("an import's updates and additions, one change")
            << QStringList{u"change 1,3 Lee Dunn"_s, u"edit 3 Cook"_s}
            << QStringList{u"edited e1 r1 Ann LastName:Ames>Lee"_s, u"edited e3 r3 Ann LastName:Cole>Lee"_s,
                           u"imported e4 r4 Ann Dunn"_s, u"edited e3 r3 Ann JobTitle:>Cook"_s}
            << QList<qint64>{1, 2, 3, 4};
        QTest::newRow("an index lost is rebuilt the same")
            << QStringList{u"remove 2"_s, u"add Dunn"_s, u"drop-index"_s, u"edit 3 Clerk"_s}
            << QStringList{u"removed e2 r0 Ann Baker"_s, u"added e4 r3 Ann Dunn"_s,
                           u"edited e4 r3 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{1, 3, 4};
        QTest::newRow("a new name, known after the index is rebuilt")
            << QStringList{u"rename 2 Dunn"_s, u"drop-index"_s, u"edit 2 Clerk"_s}
            << QStringList{u"edited e2 r2 Ann LastName:Baker>Dunn"_s, u"edited e2 r2 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{1, 2, 3};
        QTest::newRow("another program added one")
            << QStringList{u"outside-append Dunn"_s, u"edit 4 Clerk"_s}
            << QStringList{u"history starts here e4 r4 Ann Dunn"_s, u"edited e4 r4 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{1, 2, 3, 4};
        QTest::newRow("another program removed one")
            << QStringList{u"outside-remove 1"_s, u"edit 1 Clerk"_s}
            << QStringList{u"removed e1 r0 another program Ames"_s, u"edited e2 r1 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{2, 3};
        // Same length, another person in record 2: Baker's history must not take the edit.
        QTest::newRow("another program put someone else in a record")
            << QStringList{u"outside-rename 2 Dunn"_s, u"edit 2 Clerk"_s}
            << QStringList{u"history starts here e4 r2 Ann Dunn"_s, u"removed e2 r0 another program Baker"_s,
                           u"edited e4 r2 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{1, 4, 3};
        QTest::newRow("a restore brings a removed employee back under their own number")
            << QStringList{u"remove 1"_s, u"outside-append Ames"_s, u"restored"_s, u"edit 3 Clerk"_s}
            << QStringList{u"removed e1 r0 Ann Ames"_s, u"restored e2 r1 Ann"_s, u"restored e3 r2 Ann"_s,
                           u"restored e1 r3 Ann Ames"_s, u"edited e1 r3 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{2, 3, 1};
        QTest::newRow("another program's line and accents, read alike by a rebuild")
            << QStringList{u"rename 3 Zo\u00EB"_s, u"foreign-line"_s, u"remove 1"_s, u"edit 1 Clerk"_s}
            << QStringList{u"edited e3 r3 Ann LastName:Cole>Zo\u00EB"_s,
                           u"edited e2 r2 Ann JobTitle:>Zo\u00EB \"Chief\""_s, u"removed e1 r0 Ann Ames"_s,
                           u"edited e2 r1 Ann JobTitle:Zo\u00EB \"Chief\">Clerk"_s}
            << QList<qint64>{2, 3};
        QTest::newRow("a line cut short is cut off, not glued to the next")
            << QStringList{u"tear"_s, u"edit 2 Clerk"_s} << QStringList{u"edited e2 r2 Ann JobTitle:>Clerk"_s}
            << QList<qint64>{1, 2, 3};
        QTest::newRow("a restore cut short once its files were in is recorded as a restore")
            << QStringList{u"outside-title 1 Boss"_s, u"outside-append Dunn"_s, u"restore-cut"_s}
            << QStringList{u"restored e1 r1 Ann JobTitle:>Boss"_s, u"restored e2 r2 Ann"_s, u"restored e3 r3 Ann"_s,
                           u"restored e4 r4 Ann Dunn"_s}
            << QList<qint64>{1, 2, 3, 4};
        // Identity survives any change between a backup and its restore: the backup's records are
        // the states their employees were in. Two alike: the lowest number, a departed one too.
        QTest::newRow("a rename between a backup and its restore")
            << QStringList{u"backup"_s, u"rename 2 Dunn"_s, u"edit 1 Clerk"_s, u"put-back"_s, u"restored"_s,
                           u"edit 2 Cook"_s}
            << QStringList{u"edited e2 r2 Ann LastName:Baker>Dunn"_s, u"edited e1 r1 Ann JobTitle:>Clerk"_s,
                           u"restored e1 r1 Ann JobTitle:Clerk>"_s, u"restored e2 r2 Ann LastName:Dunn>Baker"_s,
                           u"restored e3 r3 Ann"_s, u"edited e2 r2 Ann JobTitle:>Cook"_s}
            << QList<qint64>{1, 2, 3};
        QTest::newRow("a restore of two alike")
            << QStringList{u"backup"_s, u"remove 2"_s, u"add Baker"_s, u"put-back"_s, u"restored"_s}
            << QStringList{u"removed e2 r0 Ann Baker"_s, u"added e4 r3 Ann Baker"_s, u"restored e1 r1 Ann"_s,
                           u"restored e2 r2 Ann Baker"_s, u"restored e3 r3 Ann"_s, u"restored e4 r0 Ann Baker"_s}
            << QList<qint64>{1, 2, 3};
        QTest::newRow("a restore undone leaves no entry")
            << QStringList{u"restore-undone"_s, u"edit 2 Clerk"_s}
            << QStringList{u"edited e2 r2 Ann JobTitle:>Clerk"_s} << QList<qint64>{1, 2, 3};
        QTest::newRow("a restore: every record restored, the changed fields named")
            << QStringList{u"edit 1 Clerk"_s, u"outside-title 1 Boss"_s, u"outside-remove 2"_s,
                           u"outside-append Dunn"_s, u"restored"_s}
            << QStringList{u"edited e1 r1 Ann JobTitle:>Clerk"_s, u"restored e1 r1 Ann JobTitle:Clerk>Boss"_s,
                           u"restored e2 r0 Ann Baker"_s, u"restored e3 r2 Ann"_s,
                           u"restored e4 r3 Ann Dunn"_s}
            << QList<qint64>{1, 3, 4};
    }
    void keptHistoryFollowsEachChange() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, entries);
        QFETCH(QList<qint64>, employees);
        TempPersonnelFile file({Named(u"Ames"_s), Named(u"Baker"_s), Named(u"Cole"_s)});
        const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
        file.KeepHistory(clock);
        file.SetHistoryActor(u"Ann"_s, 4);
        QVERIFY(file.OpenPersonnelFileUncounted()); // the history starts
        file.ClosePersonnelFile();
        for (const QString& step : std::as_const(steps))
            CHECKED(Step(file, step));

        QVERIFY(file.OpenPersonnelFileUncounted());
        QList<qint64> numbers;
        for (qint32 n = 1; n <= file.RecordCount(); ++n) {
            qint64 e = 0;
            QVERIFY(file.EmployeeNumber(n, &e));
            numbers << e;
        }
        file.ClosePersonnelFile();
        QCOMPARE(numbers, employees);
        QStringList kept;
        qint64 entry = 0;
        QVERIFY(ReadHistory(file.io, HistoryFileName, [&](const HistoryEntry& e) {
            kept << Summary(e);
            QCOMPARE(e.entry, ++entry); // numbered from 1, none twice
        }));
        QCOMPARE(kept.mid(0, 3), (QStringList{u"history starts here e1 r1 Ann Ames"_s,
                                              u"history starts here e2 r2 Ann Baker"_s,
                                              u"history starts here e3 r3 Ann Cole"_s}));
        QCOMPARE(kept.mid(3).join(u" | "_s), entries.join(u" | "_s));
        // Each employee's own lines, the removed too, read where the line table says.
        QCOMPARE(HistoryLinesState(), "in step");
        for (qint64 e = 1; e <= *std::max_element(employees.cbegin(), employees.cend()) + 1; ++e)
            CHECKED(CheckOwnLines(file.io, e, true));
        QCOMPARE(FileMode(HistoryFileName), 0600);

        // A rebuild replays each line where it lies: it knows what a replay of the entries knows,
        // and makes the index the program kept change by change, byte for byte.
        HistoryReplay byEntry;
        HistoryReplay byLine;
        byEntry.keepStates = byLine.keepStates = true;
        QVERIFY(ReadHistory(file.io, HistoryFileName, [&](const HistoryEntry& e) { byEntry.Apply(e); }));
        QVERIFY(ReadHistoryLines(file.io, HistoryFileName, 0,
                                 [&](QByteArrayView line, qint64) { QVERIFY(byLine.ApplyLine(line)); }));
        QCOMPARE(byLine.roster, byEntry.roster);
        QVERIFY(byLine.states == byEntry.states);
        QCOMPARE(byLine.Departed(), byEntry.Departed());
        QCOMPARE(byLine.lastEmployee, byEntry.lastEmployee);
        for (qint64 e = 1; e <= byEntry.lastEmployee; ++e) {
            QVERIFY(byLine.Values(e) == byEntry.Values(e));
            QVERIFY(byLine.Values(e, true) == byEntry.Values(e, true));
        }
        const QByteArray index = ReadFileBytes(HistoryIndexFileName);
        QVERIFY(QFile::remove(HistoryIndexFileName));
        QVERIFY(file.OpenPersonnelFileUncounted());
        file.ClosePersonnelFile();
        QCOMPARE(ReadFileBytes(HistoryIndexFileName), index);
    }

    // The employees a name search finds, from a history the personnel file kept: Ames removed,
    // Baker renamed Dunn, Cole made previous, Zoë added; case and accents aside, in the order of
    // their numbers, each as they last stood.
    void peopleFoundByAName_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("people");
        QTest::newRow("accents and case aside") << u"ZOE"_s << QStringList{u"4 Zo\u00EB, Al r3"_s};
        QTest::newRow("by a former name") << u"bAkEr"_s << QStringList{u"2 Dunn, Al r1 formerly Baker, Al"_s};
        QTest::newRow("removed") << u"ames"_s << QStringList{u"1 Ames, Al r0 removed 2026-12-09T10:00:00Z"_s};
        QTest::newRow("previous") << u"Col"_s << QStringList{u"3 Cole, Al r2 previous"_s};
        QTest::newRow("several, by number")
            << u"\u00C1l"_s
            << QStringList{u"1 Ames, Al r0 removed 2026-12-09T10:00:00Z"_s,
                           u"2 Dunn, Al r1 formerly Baker, Al"_s, u"3 Cole, Al r2 previous"_s,
                           u"4 Zo\u00EB, Al r3"_s};
        QTest::newRow("no one") << u"Lee"_s << QStringList();
    }
    void peopleFoundByAName() {
        QFETCH(QString, text);
        TempPersonnelFile file({Named(u"Ames"_s), Named(u"Baker"_s), Named(u"Cole"_s)});
        const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
        file.KeepHistory(clock);
        file.SetHistoryActor(u"Ann"_s, 4);
        for (const QString& step : {u"rename 2 Dunn"_s, u"previous 3"_s, u"add Zo\u00EB"_s, u"remove 1"_s})
            CHECKED(Step(file, step));
        std::vector<HistoryPerson> people;
        // Asked before each block with what is read of the whole; a Cancel finds no one.
        QList<qint64> asked;
        bool cancelled = true;
        const auto going = [&](qint64 done, qint64 total) {
            asked << done << total;
            return true;
        };
        QVERIFY(FindHistoryPeople(file.io, HistoryFileName, text, &people, {}, going, &cancelled));
        QCOMPARE(asked, (QList<qint64>{0, QFileInfo(HistoryFileName).size()}));
        QVERIFY(!cancelled);
        std::vector<HistoryPerson> none{HistoryPerson{}};
        QVERIFY(FindHistoryPeople(file.io, HistoryFileName, text, &none, {}, [](qint64, qint64) { return false; },
                                  &cancelled));
        QVERIFY(cancelled && none.empty());
        QStringList found;
        for (const HistoryPerson& p : people)
            found << u"%1 %2 r%3"_s.arg(p.employee).arg(p.Name()).arg(p.record) +
                         (p.previous ? u" previous"_s : QString()) +
                         (p.removed.isValid() ? u" removed "_s + p.removed.toUTC().toString(Qt::ISODate)
                                              : QString()) +
                         (p.formerNames.isEmpty() ? QString()
                                                  : u" formerly "_s + p.formerNames.join(u"; "_s));
        QTEST(found, "people");
    }

    // A history tampered with: one that is not this folder's, or gone, is refused with the file
    // error, whatever the index would allow; an index changed behind its head's back is rebuilt;
    // lines that are no entry, however long, are passed over. What opens goes on as before: the
    // next edit lands on its own employee.
    void tamperedHistoryIsRefusedOrSetRight_data() {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("direct"); // the line table is used afterwards for Ames and Cole
        const QString other = u"Could not open the file \"Rosterly.History\".\r\nIt is not the change history this "
                              u"folder keeps: its first line is not the one History.Index was made from. Put this "
                              u"folder's own Rosterly.History back from a backup, or delete History.Index to keep "
                              u"this history for these employees."_s;
        QTest::newRow("another folder's history") << u"another"_s << other << true;
        QTest::newRow("a history cut back") << u"cut back"_s << other << true;
        QTest::newRow("a history deleted")
            << u"deleted"_s
            << u"Could not open the file \"Rosterly.History\".\r\nIt is missing, though History.Index shows that "
               u"this folder keeps a change history. Put Rosterly.History back from a backup, or delete "
               u"History.Index to start a new history."_s
            << true;
        QTest::newRow("employee numbers swapped in the index") << u"swapped"_s << QString() << true;
        QTest::newRow("lines that are no entry") << u"garbage"_s << QString() << true;
        QTest::newRow("a line of 2 MB") << u"overlong"_s << QString() << true;
        // The line table is a cache: one that names another's line is passed over for the search
        // and let go, one made from another history or cut short is written again by the next open.
        QTest::newRow("the line table naming another's line") << u"table swapped"_s << QString() << false;
        QTest::newRow("the line table naming a line twice") << u"table twice"_s << QString() << false;
        QTest::newRow("a line table of another history") << u"table other"_s << QString() << true;
        QTest::newRow("a line table cut short") << u"table cut"_s << QString() << true;
    }
    void tamperedHistoryIsRefusedOrSetRight() {
        QFETCH(QString, tamper);
        QFETCH(QString, refusal);
        TempPersonnelFile file({Named(u"Ames"_s), Named(u"Baker"_s), Named(u"Cole"_s)});
        const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
        file.KeepHistory(clock);
        file.SetHistoryActor(u"Ann"_s, 4);
        CHECKED(Step(file, u"edit 1 Clerk"_s));
        QByteArray history = ReadFileBytes(HistoryFileName);
        QByteArray index = ReadFileBytes(HistoryIndexFileName);
        QByteArray table = ReadFileBytes(HistoryLinesFileName);
        if (tamper == u"table swapped"_s) { // Ames's first line and Cole's (sorted: Ames, Baker, Cole)
            const QByteArray ames = table.mid(64, 8);
            table.replace(64, 8, table.mid(64 + 32, 8));
            table.replace(64 + 32, 8, ames);
        } else if (tamper == u"table twice"_s) { // Ames's first line in place of Baker's
            table.replace(56 + 16, 16, table.mid(56, 16));
        } else if (tamper == u"table other"_s) {
            table[24] = char(table[24] ^ 1); // the first line's hash (and so the head's own)
        } else if (tamper == u"table cut"_s) {
            table.chop(16);
        } else if (tamper == u"another"_s) {
            history.replace("Ames", "Amos");
        } else if (tamper == u"cut back"_s) {
            history.truncate(history.indexOf('\n') - 1);
        } else if (tamper == u"deleted"_s) {
            QVERIFY(QFile::remove(HistoryFileName));
        } else if (tamper == u"swapped"_s) {
            const qsizetype first = HistoryKeeper::IndexHeaderBytes;
            const QByteArray one = index.mid(first, 8);
            index.replace(first, 8, index.mid(first + HistoryKeeper::IndexEntryBytes, 8));
            index.replace(first + HistoryKeeper::IndexEntryBytes, 8, one);
        } else if (tamper == u"garbage"_s) {
            history += "garbage\n\xff\xfe\n{}\n";
        } else { // read, it would take Baker out of record 2
            history += "{\"action\":\"removed\",\"employee\":2,\"entry\":9,\"record\":0,"
                       "\"time\":\"2026-12-09T10:00:00Z\",\"user\":\"" +
                       QByteArray(2 << 20, 'x') + "\"}\n";
        }
        if (tamper != u"deleted"_s)
            WriteBytes(HistoryFileName, history);
        WriteBytes(HistoryIndexFileName, index);
        WriteBytes(HistoryLinesFileName, table);

        file.KeepHistory(clock); // as the program started again
        file.SetHistoryActor(u"Ann"_s, 4);
        const IoStatus opened = file.OpenPersonnelFileUncounted();
        file.ClosePersonnelFile();
        QCOMPARE(opened.Message(), refusal);
        if (!refusal.isEmpty()) {
            QCOMPARE(ReadFileBytes(HistoryFileName), tamper == u"deleted"_s ? QByteArray() : history);
            return;
        }
        CHECKED(Step(file, u"edit 2 Clerk"_s));
        QVERIFY(file.OpenPersonnelFileUncounted());
        QList<qint64> numbers;
        for (qint32 n = 1; n <= 3; ++n) {
            qint64 e = 0;
            QVERIFY(file.EmployeeNumber(n, &e));
            numbers << e;
        }
        file.ClosePersonnelFile();
        QCOMPARE(numbers, (QList<qint64>{1, 2, 3}));
        QStringList kept;
        QVERIFY(ReadHistory(file.io, HistoryFileName, [&](const HistoryEntry& e) { kept << Summary(e); }));
        QCOMPARE(kept.mid(3), (QStringList{u"edited e1 r1 Ann JobTitle:>Clerk"_s, u"edited e2 r2 Ann JobTitle:>Clerk"_s}));
        QFETCH(bool, direct);
        for (qint64 e = 1; e <= 3; ++e)
            CHECKED(CheckOwnLines(file.io, e, direct));
        QVERIFY(file.OpenPersonnelFileUncounted()); // which writes a table let go again
        file.ClosePersonnelFile();
        QCOMPARE(HistoryLinesState(), "in step");
        for (qint64 e = 1; e <= 3; ++e)
            CHECKED(CheckOwnLines(file.io, e, true));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
