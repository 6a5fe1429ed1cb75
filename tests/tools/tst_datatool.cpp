// rosterly-data run as its own process: dump, check and seed on real files, and its answers to
// wrong command lines.
#include "core/programstate.h"
#include "data/clock.h"
#include "data/folderlock.h"
#include "data/history.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/records.h"
#include "data/restorejournal.h"
#include "data/userlist.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "list/listbuilder.h"
#include "support/golden.h"
#include "support/recordsfile.h"
#include "support/zipparts.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray Bytes(const PersonnelRecord& r) {
    return QByteArray(r.data(), PersonnelRecordLength);
}
QByteArray Bytes(const UserRecord& r) {
    return QByteArray(r.data(), UserRecordLength);
}

template <typename... Records> QByteArray Image(const Records&... records) {
    return (Bytes(records) + ...);
}

// A workbook's parts by name, unpacked by minizip as the import unpacks one, the times it was
// made blanked out.
QMap<QString, QByteArray> WorkbookParts(const QByteArray& workbook) {
    QMap<QString, QByteArray> parts = UnzipParts(workbook);
    static const QRegularExpression made(QStringLiteral("W3CDTF\">[^<]*<"));
    const QString core = QStringLiteral("docProps/core.xml");
    parts[core] = QString::fromUtf8(parts.value(core)).replace(made, QStringLiteral("W3CDTF\"><")).toUtf8();
    return parts;
}

// What the tool did as a golden file holds it: its exit code, what it wrote to standard output
// and, when it wrote any, to standard error.
QByteArray Transcript(const Outcome& r) {
    return "exit " + QByteArray::number(r.exitCode) + '\n' + r.out +
           (r.err.isEmpty() ? QByteArray() : "--- standard error\n" + r.err);
}

UserRecord User(qint16 level) {
    UserRecord u;
    u.SetDateCreated(46000.25);
    u.SetFirstName(QStringLiteral("Ana"));
    u.SetLastName(QStringLiteral("Muñoz"));
    u.SetPassword(QStringLiteral("kq1wx2"));
    u.SetAccessLevel(level);
    u.SetComments(QStringLiteral("€5 deposit"));
    return u;
}

} // namespace

using namespace Qt::StringLiterals;

using namespace Qt::StringLiterals;

class TestDataTool : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Runs the tool with the temporary folder as working directory, and its "config" folder as
    // the one that holds the program's settings file (made only by a test that writes one).
    // `locale` (for example "sv_SE") is the tool's LC_ALL; it inherits the test's otherwise.
    // `terminal`, when given, is the device the tool's standard output goes to.
    Outcome Tool(const QStringList& arguments, const QString& locale = {}, const QString& terminal = {}) {
        QProcess process;
        if (!terminal.isEmpty())
            process.setStandardOutputFile(terminal);
        process.setWorkingDirectory(m_dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        environment.insert(QStringLiteral("USER"), QStringLiteral("owner")); // the user log's name
        if (!locale.isEmpty())
            environment.insert(QStringLiteral("LC_ALL"), locale + QStringLiteral(".UTF-8"));
        process.setProcessEnvironment(environment);
        process.start(QString::fromUtf8(DATATOOL_PATH), arguments);
        Outcome result;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() {
        QDir dir(m_dir.path());
        for (const QString& name : dir.entryList(QDir::Files | QDir::System))
            dir.remove(name);
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(dir.filePath(name)).removeRecursively();
    }

    void dumpPersonnelWritesOneJsonLinePerRecord() {
        PersonnelRecord first;
        first.SetDateCreated(45000.5);
        PutRaw(first, PersonnelField::FirstName, "Zo\xEB");            // ë
        PutRaw(first, PersonnelField::LastName, " Bront\xEB");         // leading space is trimmed
        PutRaw(first, PersonnelField::Suffix, "\x81\x01");             // unused code point, control
        PutRaw(first, PersonnelField::JobTitle, "Caf\xE9 \x80 buyer"); // é €
        PutRaw(first, PersonnelField::Notepad, "Line one\r\nSaid \"hi\" \\ bye\t.");
        first.SetRace(QStringLiteral("W"));
        first.SetSex(QStringLiteral("F"));
        first.SetSocialSecurityNumber(QStringLiteral("123-45-6789"));
        first.SetDateOfBirth(25569.0);
        first.SetVersionCreated(10);
        PersonnelRecord second;
        second.SetDateModified(std::numeric_limits<double>::infinity());
        second.SetDateOfBirth(std::numeric_limits<double>::quiet_NaN());
        second.SetInactivationDate(-12.75);
        WriteBytes(Path(QStringLiteral("Rosterly.Data")), Image(first, second));

        const Outcome r = Tool({QStringLiteral("dump"), QStringLiteral("Rosterly.Data")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        COMPARE_GOLDEN(r.out, u"dump-personnel.jsonl"_s);
        for (const QByteArray& line : r.out.trimmed().split('\n')) {
            QJsonParseError error;
            QJsonDocument::fromJson(line, &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
        }
    }

    void dumpTellsUserListsByNameOrOption() {
        const QByteArray users = Image(User(4), User(1));
        WriteBytes(Path(QStringLiteral("User.List")), users);
        WriteBytes(Path(QStringLiteral("people.bin")), users);
        // The stored passwords only when asked for.
        const Outcome shown =
            Tool({QStringLiteral("dump"), QStringLiteral("--show-passwords"), QStringLiteral("User.List")});
        QCOMPARE(shown.exitCode, 0);
        COMPARE_GOLDEN(shown.out, u"dump-users-passwords.jsonl"_s);

        const Outcome byName = Tool({QStringLiteral("dump"), QStringLiteral("User.List")});
        QCOMPARE(byName.exitCode, 0);
        COMPARE_GOLDEN(byName.out, u"dump-users.jsonl"_s);
        const Outcome byOption =
            Tool({QStringLiteral("dump"), QStringLiteral("--users"), QStringLiteral("people.bin")});
        QCOMPARE(byOption.exitCode, 0);
        COMPARE_GOLDEN(byOption.out, u"dump-users.jsonl"_s);

        // Read as a personnel file, 1000 bytes are not even one record.
        const Outcome asPersonnel =
            Tool({QStringLiteral("dump"), QStringLiteral("--personnel"), QStringLiteral("User.List")});
        QCOMPARE(asPersonnel.exitCode, 1);
        QCOMPARE(asPersonnel.out, QByteArray());
        QCOMPARE(
            asPersonnel.err,
            QByteArray(
                "rosterly-data: User.List: the last 1000 bytes are not a whole record and were left out\n"));
    }

    // What check reports, its exit code and what dump says of the file are golden/check/<row>.txt.
    void check_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("journal"); // an append or write journal beside the file
        QTest::addColumn<QByteArray>("history"); // the change history beside the file
        const auto row = [](const char* tag, const QString& name, const QByteArray& bytes,
                            const QByteArray& journal = {}, const QByteArray& history = {},
                            const QStringList& options = {}) {
            QTest::newRow(tag) << name << options << bytes << journal << history;
        };

        PersonnelRecord current;
        current.SetFirstName(QStringLiteral("Ann"));
        current.SetDateOfBirth(DateToOle(QDate(1970, 5, 1)));
        PersonnelRecord previous = current;
        previous.SetInactivationDate(OleDateMax);
        row("sound personnel file", PersonnelFileName, Image(current, previous, current));
        row("empty file", PersonnelFileName, QByteArray());

        PersonnelRecord killed = current;
        PutRaw(killed, PersonnelField::FirstName, "  $Killed$");
        killed.SetDateOfBirth(std::numeric_limits<double>::quiet_NaN());
        PersonnelRecord badDates = current;
        badDates.SetDateModified(1e7);
        badDates.SetDateOfEmployment(-std::numeric_limits<double>::infinity());
        badDates.SetDateOfJobTitle(OleDateMin - 1);
        row("personnel problems", PersonnelFileName,
            Image(current, killed, badDates) + QByteArray(1234, ' '));

        // The records an interrupted append left, torn or not, are not counted: the next open cuts
        // them off. A journal whose last bytes before the append differ is for another file.
        const QByteArray sound = Image(current, previous, current);
        row("append journal pending", PersonnelFileName, sound + Image(killed) + QByteArray(1234, ' '),
            "15000 25000 15000\n" + Image(current));
        row("journal of another file", PersonnelFileName, sound, "10000 15000 10000\n" + Image(current));

        // An edit cut short: a torn record is read as it was, a whole new one as it is; a journal
        // whose record is neither, nor made of the two, is for another file and changes nothing.
        // A user list has its own (a torn user read with the old access level, not 9).
        PersonnelRecord promoted = previous;
        promoted.SetJobTitle(QStringLiteral("Head Clerk"));
        promoted.SetNotepad(QString(4519, u'p'));
        PersonnelRecord torn = previous;
        std::memcpy(torn.data(), promoted.data(), 3192);
        const QByteArray edit = WriteJournal{2, Bytes(previous), Bytes(promoted)}.Text();
        row("write journal pending", PersonnelFileName, Image(current, torn, current), edit);
        row("write journal of a record written whole", PersonnelFileName, Image(current, promoted, current),
            edit);
        row("write journal of another file", PersonnelFileName, Image(current, current, current), edit);
        UserRecord raised = User(9);
        raised.SetComments(QString(439, u'r'));
        UserRecord tornUser = User(1);
        std::memcpy(tornUser.data(), raised.data(), 96);
        row("user write journal pending", UserListFileName, Image(User(1), tornUser),
            WriteJournal{2, Bytes(User(1)), Bytes(raised)}.Text());

        UserRecord killedUser = User(2);
        killedUser.SetFirstName(QString::fromLatin1(RemovedMarker));
        row("user list problems", UserListFileName, Image(User(4), User(7), User(0), killedUser));
        UserRecord forged = User(1);
        forged.SetFirstName(QStringLiteral("Eve\r\n12/01/"));
        forged.SetLastName(QStringLiteral("Low\x9D"));
        row("user names with control characters", UserListFileName, Image(User(4), forged));
        // A user list has journals of its own: the personnel file's is never applied to it.
        row("sound user list by option", QStringLiteral("staff.users"), Image(User(1), User(4)),
            "500 1000 500\n" + Image(User(1)), {}, {QStringLiteral("--users")});

        // Beside its history: each record against its employee's last state there, the employees
        // placed by the entries' record numbers (Bo's removal moves employee 3 up to record 2).
        PersonnelRecord clerk = current;
        clerk.SetJobTitle(QStringLiteral("Clerk"));
        PersonnelRecord bo;
        bo.SetLastName(QStringLiteral("Bo"));
        const QDateTime at(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
        const auto entry = [&](qint64 n, qint64 employee, HistoryAction action, QList<HistoryChange> changes,
                               qint32 record) {
            return HistoryLine({n, at, u"Ann Lee"_s, 4, employee, action, changes, record});
        };
        const QByteArray history = entry(1, 1, HistoryAction::Started, WholeRecord(current), 1) +
                                   entry(2, 2, HistoryAction::Started, WholeRecord(bo), 2) +
                                   entry(3, 3, HistoryAction::Started, WholeRecord(previous), 3) +
                                   entry(4, 2, HistoryAction::Removed, {}, 0) +
                                   entry(5, 1, HistoryAction::Edited, {{u"JobTitle"_s, {}, u"Clerk"_s}}, 1);
        row("in step with its history", PersonnelFileName, Image(clerk, previous), {}, history);
        PersonnelRecord headClerk = current;
        headClerk.SetJobTitle(QStringLiteral("Head Clerk"));
        headClerk.SetDateModified(46000);
        row("apart from its history", PersonnelFileName, Image(headClerk, previous, bo), {}, history);
        row("shorter than its history", PersonnelFileName, Image(clerk), {}, history);

        // As the program keeps it: started, an edit, a removal that moves the last employee up,
        // and an addition.
        QTemporaryDir kept;
        QByteArray behindLines; // the line table before the addition
        const QString keptFile = kept.filePath(QStringLiteral("Rosterly.Data"));
        WriteBytes(keptFile, Image(current, bo, previous));
        {
            FileIo io;
            const FixedClock clock(at);
            PersonnelFile file(io, keptFile, kept.filePath(QStringLiteral("TempFile.$$$")),
                               kept.filePath(QStringLiteral("Append.$$$")));
            file.KeepHistory(clock, kept.filePath(u"Rosterly.History"_s), kept.filePath(u"History.Index"_s),
                             kept.filePath(u"History.$$$"_s));
            QVERIFY(file.OpenPersonnelFileUncounted());
            QVERIFY(file.ReadPersonnelRecord(1));
            file.Record().SetJobTitle(QStringLiteral("Clerk"));
            QVERIFY(file.WritePersonnelRecord(1));
            QVERIFY(file.RemovePersonnelRecord(2));
            QVERIFY(file.OpenPersonnelFileUncounted());
            behindLines = ReadFileBytes(kept.filePath(u"History.Lines"_s));
            file.Record() = bo;
            QVERIFY(file.AppendPersonnelRecord());
            file.ClosePersonnelFile();
        }
        const QByteArray keptHistory = ReadFileBytes(kept.filePath(u"Rosterly.History"_s));
        const QByteArray keptIndex = ReadFileBytes(kept.filePath(u"History.Index"_s));
        const QByteArray keptLines = ReadFileBytes(kept.filePath(u"History.Lines"_s));
        const QByteArray kept3 = keptHistory + '\x1e' + keptIndex + '\x1e';
        row("history kept by the program", PersonnelFileName, ReadFileBytes(keptFile), {}, kept3 + keptLines);
        // Its line table behind the history (the last change's places not added), of another
        // history, cut short, naming a line as another employee's, or one line twice.
        row("line table behind its history", PersonnelFileName, ReadFileBytes(keptFile), {}, kept3 + behindLines);
        QByteArray otherLines = keptLines;
        otherLines[24] = char(otherLines[24] ^ 1); // the first line's hash, the head's own made again
        qToLittleEndian(HistoryLineHash(otherLines.first(48)), otherLines.data() + 48);
        row("line table of another history", PersonnelFileName, ReadFileBytes(keptFile), {}, kept3 + otherLines);
        row("line table cut short", PersonnelFileName, ReadFileBytes(keptFile), {}, kept3 + keptLines.chopped(16));
        QByteArray swappedLines = keptLines;
        swappedLines[56] = '\x03'; // employee 1's first place, at byte 0, given to employee 3
        row("line table naming another's line", PersonnelFileName, ReadFileBytes(keptFile), {},
            kept3 + swappedLines);
        QByteArray twiceLines = keptLines;
        twiceLines.replace(56 + 16, 16, keptLines.mid(56, 16)); // employee 1's first place for employee 2's
        row("line table naming a line twice", PersonnelFileName, ReadFileBytes(keptFile), {}, kept3 + twiceLines);

        // Tampered with: every line that is no entry named (a line cut short said first: the next
        // open cuts it off), a history that is not the one the index was made from, or is gone,
        // and index entries that disagree with the history.
        row("history lines that are no entry", PersonnelFileName, ReadFileBytes(keptFile), {},
            keptHistory + "garbage\n\xff\xfe{}\n{\"a\":1}\n" + QByteArray(2 << 20, '{') + "\n{\"action\"");
        QByteArray another = keptHistory;
        another.replace(another.indexOf("09:00:00Z"), 2, "08");
        row("history of another folder", PersonnelFileName, ReadFileBytes(keptFile), {},
            another + '\x1e' + keptIndex);
        row("history gone, its index left", PersonnelFileName, ReadFileBytes(keptFile), {},
            '\x1e' + keptIndex);
        QByteArray swapped = keptIndex;
        const qsizetype first = HistoryKeeper::IndexHeaderBytes;
        swapped.replace(first, 8, keptIndex.mid(first + 2 * HistoryKeeper::IndexEntryBytes, 8));
        swapped.replace(first + 2 * HistoryKeeper::IndexEntryBytes, 8, keptIndex.mid(first, 8));
        row("index entries that disagree with the history", PersonnelFileName, ReadFileBytes(keptFile), {},
            keptHistory + '\x1e' + swapped);
        // The user log: sign-ins, sign-outs and full views, each line ended by CR LF; dump reads
        // any file but "User.List" as a personnel file.
        const QByteArray signIn(
            "03/07/2026 at 09:05:03 - Zo\xEB Brown logged in w/ Read/Edit/Add privileges.\r\n");
        const QByteArray view(
            "03/07/2026 at 09:06:00 - Zo\xEB Brown took out full SSN/birth years: list export, "
            "3 employees, to '/home/zoe/Employees.xlsx'.\r\n");
        row("sound user log", QStringLiteral("User.Log"),
            signIn + view + QByteArray("03/07/2026 at 09:07:00 - Zo\xEB Brown logged out.\r\n"));
        row("user log with a foreign line and a torn one", QStringLiteral("User.Log"),
            signIn +
                QByteArray(
                    "03/07/2026 at 09:06:00 - Ann took out full SSN/birth years: fax, 2 employees.\r\n") +
                view.left(40));
    }

    void check() {
        QFETCH(QString, name);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, journal);
        QFETCH(QByteArray, history);
        const QString journalName = name == UserListFileName                              ? u"UserWrite.$$$"_s
                                    : WriteJournal::Parse(journal, PersonnelRecordLength) ? u"Write.$$$"_s
                                                                                          : u"Append.$$$"_s;
        WriteBytes(Path(name), bytes);
        // The history, then the index and the line table, each after the byte 0x1E when the row has it.
        const QString historyName = QStringLiteral("Rosterly.History");
        const QString indexName = QStringLiteral("History.Index");
        const QString linesName = QStringLiteral("History.Lines");
        QList<QByteArray> parts = history.split('\x1e');
        parts.resize(3);
        history = parts[0];
        const QByteArray index = parts[1];
        const QByteArray lines = parts[2];
        if (!history.isEmpty())
            WriteBytes(Path(historyName), history);
        if (!index.isEmpty())
            WriteBytes(Path(indexName), index);
        if (!lines.isEmpty())
            WriteBytes(Path(linesName), lines);
        if (!journal.isEmpty())
            WriteBytes(Path(journalName), journal);

        const Outcome r = Tool(QStringList{QStringLiteral("check")} + options + QStringList{name});
        // Neither check nor dump may finish an interrupted removal or append, or touch the files.
        const Outcome dumped = Tool(QStringList{QStringLiteral("dump")} + options + QStringList{name});
        COMPARE_GOLDEN(Transcript(r) + "--- dump\n" + dumped.err, RowGoldenName(u"check"_s, u".txt"_s));
        QCOMPARE(ReadFileBytes(Path(name)), bytes);
        QCOMPARE(ReadFileBytes(Path(journalName)), journal);
        QCOMPARE(ReadFileBytes(Path(historyName)), history);
        QCOMPARE(ReadFileBytes(Path(indexName)), index);
        QCOMPARE(ReadFileBytes(Path(linesName)), lines);
        QStringList files{name};
        if (!journal.isEmpty())
            files.append(journalName);
        if (!index.isEmpty())
            files.prepend(indexName);
        if (!lines.isEmpty())
            files.prepend(linesName);
        if (!history.isEmpty())
            files.append(historyName);
        files.sort(Qt::CaseInsensitive);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), files);

        if (journal.isEmpty() || options.contains(QStringLiteral("--users")))
            return;
        // They read as the program does: once it has opened the file, check and dump say the same.
        FileIo io;
        if (name == QStringLiteral("User.List")) {
            QVERIFY(UserList(io, Path(name), Path(QStringLiteral("TempFile.$$$")),
                             Path(QStringLiteral("UserAppend.$$$")), Path(journalName))
                        .OpenUserList());
        } else {
            PersonnelFile file(io, Path(name), Path(QStringLiteral("TempFile.$$$")),
                               Path(QStringLiteral("Append.$$$")), Path(QStringLiteral("Write.$$$")));
            QVERIFY(file.OpenPersonnelFile());
            file.ClosePersonnelFile();
        }
        QVERIFY(!QFile::exists(Path(journalName)));
        QCOMPARE(Tool(QStringList{QStringLiteral("check")} + options + QStringList{name}).out,
                 r.out.mid(r.out.indexOf('\n') + 1));
        QCOMPARE(Tool(QStringList{QStringLiteral("dump")} + options + QStringList{name}).out, dumped.out);
    }

    void seedIsReproducible() {
        const auto seed = [&](const QString& file, const QStringList& extra) {
            return Tool(QStringList{QStringLiteral("seed"), QStringLiteral("300"), file} + extra);
        };
        const Outcome a = seed(QStringLiteral("a.Data"), {QStringLiteral("--seed"), QStringLiteral("7")});
        QCOMPARE(a.exitCode, 0);
        QCOMPARE(a.out, QByteArray("wrote 300 employees to a.Data\n"));
        QCOMPARE(seed(QStringLiteral("b.Data"), {QStringLiteral("--seed=7")}).exitCode, 0);
        QCOMPARE(seed(QStringLiteral("c.Data"), {QStringLiteral("--seed"), QStringLiteral("8")}).exitCode, 0);
        QCOMPARE(seed(QStringLiteral("d.Data"), {}).exitCode, 0);
        QCOMPARE(seed(QStringLiteral("e.Data"), {QStringLiteral("--seed"), QStringLiteral("1")}).exitCode, 0);
        // Into folders it makes, owner-only whatever the umask; the same bytes in any folder.
        const mode_t was = ::umask(0);
        const Outcome deep = seed(QStringLiteral("new/er/f.Data"), {QStringLiteral("--seed=7")});
        ::umask(was);
        QCOMPARE(deep.err, QByteArray());
        QCOMPARE(FileMode(Path(QStringLiteral("new"))), 0700);
        QCOMPARE(FileMode(Path(QStringLiteral("new/er"))), 0700);
        QCOMPARE(FileMode(Path(QStringLiteral("new/er/f.Data"))), 0600);

        const QByteArray bytes = ReadFileBytes(Path(QStringLiteral("a.Data")));
        QCOMPARE(bytes.size(), 300 * PersonnelRecordLength);
        QCOMPARE(FileMode(Path(QStringLiteral("a.Data"))), 0600);
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("b.Data"))), bytes);
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("new/er/f.Data"))), bytes);
        QVERIFY(ReadFileBytes(Path(QStringLiteral("c.Data"))) != bytes);
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("d.Data"))),
                 ReadFileBytes(Path(QStringLiteral("e.Data"))));
        QVERIFY(ReadFileBytes(Path(QStringLiteral("d.Data"))) != bytes);
    }

    void seededEmployeesArePlausible() {
        QCOMPARE(Tool({QStringLiteral("seed"), QStringLiteral("400"), QStringLiteral("s.Data")}).exitCode, 0);
        const Outcome checked = Tool({QStringLiteral("check"), QStringLiteral("s.Data")});
        QCOMPARE(checked.exitCode, 0);
        QVERIFY(checked.out.startsWith("ok: 400 records ("));
        const Outcome dumped = Tool({QStringLiteral("dump"), QStringLiteral("s.Data")});
        QCOMPARE(dumped.exitCode, 0);
        const QList<QByteArray> lines = dumped.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 400);

        const QDate today(2026, 1, 1);
        const QRegularExpression ssn(QStringLiteral("^\\d{3}-\\d{2}-\\d{4}$"));
        QSet<QString> races, sexes;
        int previous = 0, withNotes = 0, withJobDate = 0;
        for (const QByteArray& line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            const int n = o[QStringLiteral("Record")].toInt();
            const QString at = QString::number(n);
            const QDate birth = *OleToDate(o[QStringLiteral("DateOfBirth")].toDouble());
            const QDate hired = *OleToDate(o[QStringLiteral("DateOfEmployment")].toDouble());
            const double left = o[QStringLiteral("InactivationDate")].toDouble();
            const double jobDate = o[QStringLiteral("DateOfJobTitle")].toDouble();
            races += o[QStringLiteral("Race")].toString();
            sexes += o[QStringLiteral("Sex")].toString();
            QVERIFY2(birth.addYears(18) <= today && birth.addYears(81) > today, qPrintable(at));
            QVERIFY2(hired > birth.addYears(18) && hired <= today, qPrintable(at));
            const QDate end = left != 0 ? *OleToDate(left) : today;
            QVERIFY2(end > hired && end <= today, qPrintable(at));
            QVERIFY2(jobDate == 0 || (*OleToDate(jobDate) >= hired && *OleToDate(jobDate) <= end),
                     qPrintable(at));
            QVERIFY2(o[QStringLiteral("DateCreated")].toDouble() <=
                         o[QStringLiteral("DateModified")].toDouble(),
                     qPrintable(at));
            QVERIFY2(ssn.match(o[QStringLiteral("SocialSecurityNumber")].toString()).hasMatch(),
                     qPrintable(at));
            QVERIFY2(!o[QStringLiteral("LastName")].toString().isEmpty(), qPrintable(at));
            QCOMPARE(o[QStringLiteral("VersionCreated")].toInt(), 10);
            // A picture named must be there, or the record page greets the user with an error.
            const QString picture = o[QStringLiteral("PictureFile")].toString();
            QVERIFY2(picture.isEmpty() || QFile::exists(picture), qPrintable(at));
            previous += left != 0;
            withNotes += o[QStringLiteral("Notepad")].toString().contains(QStringLiteral("\r\n"));
            withJobDate += jobDate != 0;
        }
        QCOMPARE(races, (QSet<QString>{QStringLiteral("W"), QStringLiteral("B"), QStringLiteral("H"),
                                       QStringLiteral("A"), QStringLiteral("O")}));
        QCOMPARE(sexes, (QSet<QString>{QStringLiteral("M"), QStringLiteral("F")}));
        QVERIFY2(previous >= 40 && previous <= 120, qPrintable(QString::number(previous)));
        QVERIFY(withNotes > 0);
        QVERIFY(withJobDate > 0);
    }

    // Writing needs the data folder's lock, as the program takes it; reading needs none.
    void seedWaitsForNoOneInTheFolder() {
        DataFolderLock program(m_dir.path());
        QVERIFY(program.TryAcquire());
        const Outcome refused = Tool({QStringLiteral("seed"), QStringLiteral("5"), QStringLiteral("x.Data")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.startsWith("rosterly-data: the folder of x.Data is in use by ") &&
                     refused.err.endsWith(" (process " +
                                          QByteArray::number(QCoreApplication::applicationPid()) +
                                          "); nothing was written\n"),
                 refused.err.constData());
        QVERIFY(!QFile::exists(Path(QStringLiteral("x.Data"))));
        WriteBytes(Path(QStringLiteral("User.List")), Image(User(4)));
        QCOMPARE(Tool({QStringLiteral("check"), QStringLiteral("User.List")}).exitCode, 0);
    }

    void seedRefusesAnExistingFileUnlessForced() {
        const QString file = Path(QStringLiteral("x.Data"));
        WriteBytes(file, "keep me");
        const Outcome refused = Tool({QStringLiteral("seed"), QStringLiteral("5"), QStringLiteral("x.Data")});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err, QByteArray("rosterly-data: x.Data already exists (--force replaces it)\n"));
        QCOMPARE(ReadFileBytes(file), QByteArray("keep me"));

        QCOMPARE(Tool({QStringLiteral("seed"), QStringLiteral("5"), QStringLiteral("x.Data"),
                       QStringLiteral("--force")})
                     .exitCode,
                 0);
        QCOMPARE(Tool({QStringLiteral("seed"), QStringLiteral("5"), QStringLiteral("y.Data")}).exitCode, 0);
        QCOMPARE(ReadFileBytes(file), ReadFileBytes(Path(QStringLiteral("y.Data"))));
        QCOMPARE(FileMode(file), 0600);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("x.Data"), QStringLiteral("y.Data")}));
    }

    // The tool's export is the list the one list builder gives for the same options, written
    // as the program writes it.
    void exportGivesTheBuildersList_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("status"); // 3: both, current first
        QTest::addColumn<int>("race");
        QTest::addColumn<int>("sex");
        QTest::addColumn<QString>("lookFor");
        QTest::addColumn<bool>("notepad");
        QTest::addColumn<bool>("masked"); // the SSN and the birth year as a user below the setting sees them
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("locale"); // the tool's, and the order of the list built here
        QTest::addColumn<int>("employees");
        QTest::addColumn<QString>("setting"); // SensitiveFieldsLevel in the program's file; empty: no file
        QTest::addColumn<bool>("workbook");
        const auto row = [](const char* name, const QString& options, int type, int status, int race, int sex,
                            const QString& lookFor = {}, bool notepad = false, bool masked = false,
                            bool json = false, const QString& locale = {}, int employees = 120,
                            const QString& setting = {}, bool workbook = false) {
            QTest::newRow(name) << (options.isEmpty() ? QStringList() : options.split(u' ')) << type << status
                                << race << sex << lookFor << notepad << masked << json << locale << employees
                                << setting << workbook;
        };
        // Without a setting everyone sees everything.
        row("defaults", {}, 1, 1, 1, 1);
        row("by employment", QStringLiteral("--list employment"), 2, 1, 1, 1);
        row("by age, as JSON", QStringLiteral("--list=age --json"), 3, 1, 1, 1, {}, false, false, true);
        row("by age, as JSON by its format", QStringLiteral("--list=age --format=json"), 3, 1, 1, 1, {},
            false, false, true);
        row("as CSV by its format", QStringLiteral("--format csv"), 1, 1, 1, 1);
        row("both, masked, as a workbook", QStringLiteral("--status both --format xlsx"), 1, 3, 1, 1, {},
            false, true, false, {}, 120, QStringLiteral("2"), true);
        row("by age, as a workbook", QStringLiteral("--list age --format xlsx"), 3, 1, 1, 1, {}, false, false,
            false, {}, 120, {}, true);
        row("birthdays, --ssn under 4", QStringLiteral("--list birthday --ssn"), 4, 1, 1, 1, {}, false, false,
            false, {}, 120, QStringLiteral("4"));
        row("previous", QStringLiteral("--status previous"), 1, 2, 1, 1);
        row("both", QStringLiteral("--status both --ssn"), 1, 3, 1, 1);
        // The setting in the program's file against --level (1 unless given) and --show-sensitive.
        row("level 1 under 2", {}, 1, 1, 1, 1, {}, false, true, false, {}, 120, QStringLiteral("2"));
        row("level 2 under 3, by age as JSON", QStringLiteral("--list age --json --level 2"), 3, 1, 1, 1, {},
            false, true, true, {}, 120, QStringLiteral("3"));
        row("level 3 under 3", QStringLiteral("--level=3"), 1, 1, 1, 1, {}, false, false, false, {}, 120,
            QStringLiteral("3"));
        row("level 4 under 4, by birthday", QStringLiteral("--level 4 --list birthday"), 4, 1, 1, 1, {},
            false, false, false, {}, 120, QStringLiteral("4"));
        row("the owner under 4", QStringLiteral("--show-sensitive --status both"), 1, 3, 1, 1, {}, false,
            false, false, {}, 120, QStringLiteral("4"));
        row("mistyped setting", {}, 1, 1, 1, 1, {}, false, false, false, {}, 120, QStringLiteral("x"));
        // The level kept in the data folder holds over the settings file (which says 1 here); a
        // rule lost from the folder masks below 4, and the tool says so.
        row("level 2 under the folder's 3", QStringLiteral("--level 2"), 1, 1, 1, 1, {}, false, true, false, {},
            120, QStringLiteral("folder 3"));
        row("the owner under the folder's 2", QStringLiteral("--show-sensitive"), 1, 1, 1, 1, {}, false, false,
            false, {}, 120, QStringLiteral("folder 2"));
        row("level 3 under a lost rule", QStringLiteral("--level 3"), 1, 1, 1, 1, {}, false, true, false, {}, 120,
            QStringLiteral("folder 9"));
        // A number a user sees masked is not looked in ("SSN": the first employee's number).
        row("a number, shown", QStringLiteral("--look-for SSN"), 1, 1, 1, 1, QStringLiteral("SSN"));
        row("a number, masked", QStringLiteral("--look-for SSN --level 3"), 1, 1, 1, 1, QStringLiteral("SSN"),
            false, true, false, {}, 120, QStringLiteral("4"));
        row("white women", QStringLiteral("--race w --sex F"), 1, 1, 2, 3);
        row("a town", QStringLiteral("--look-for Springfield"), 1, 1, 1, 1, QStringLiteral("Springfield"));
        row("in the notepads", QStringLiteral("--look-for forklift --notepad --json"), 1, 1, 1, 1,
            QStringLiteral("forklift"), true, false, true);
        // Names in the user's language: in Swedish "ä" follows "z" ("Schmidt" before "Schäfer"; the
        // first 120 made-up employees hold no such pair).
        row("in Swedish", QStringLiteral("--status both"), 1, 3, 1, 1, {}, false, false, false,
            QStringLiteral("sv_SE"), 400);
    }
    void exportGivesTheBuildersList() {
        QFETCH(QStringList, options);
        QFETCH(int, type);
        QFETCH(int, status);
        QFETCH(int, race);
        QFETCH(int, sex);
        QFETCH(QString, lookFor);
        QFETCH(bool, notepad);
        QFETCH(bool, masked);
        QFETCH(bool, json);
        QFETCH(QString, locale);
        QFETCH(int, employees);
        QFETCH(QString, setting);
        QFETCH(bool, workbook);
        const bool inFolder = setting.startsWith(u"folder "_s);
        if (inFolder) {
            setting = setting.mid(7);
            WriteBytes(Path(QStringLiteral("Rosterly.Privacy")), "SensitiveFieldsLevel=" + setting.toUtf8() + "\r\n");
        }
        if (!setting.isEmpty()) {
            QVERIFY(QDir().mkpath(Path(QStringLiteral("config/Rosterly"))));
            WriteBytes(Path(QStringLiteral("config/Rosterly/Rosterly.ini")),
                       "[General]\nx=1\n\n[Defaults]\nSensitiveFieldsLevel=" + (inFolder ? "1" : setting.toUtf8()) +
                           "\n");
        }
        QCOMPARE(Tool({QStringLiteral("seed"), QString::number(employees), QStringLiteral("Rosterly.Data")})
                     .exitCode,
                 0);
        FileIo io;
        PersonnelFile file(io, Path(QStringLiteral("Rosterly.Data")));
        const bool lookForNumber = lookFor == QStringLiteral("SSN");
        if (lookForNumber) {
            QVERIFY(file.OpenPersonnelFile() && file.ReadPersonnelRecord(1));
            lookFor = file.Record().SocialSecurityNumber();
            file.ClosePersonnelFile();
            options.replaceInStrings(QStringLiteral("SSN"), lookFor);
        }
        const QStringList command =
            QStringList{QStringLiteral("export"), QStringLiteral("Rosterly.Data")} + options;
        const Outcome r = Tool(command, locale);
        if (!locale.isEmpty())
            QVERIFY(r.out != Tool(command).out); // the language does change the order
        const QLocale before;
        QLocale::setDefault(locale.isEmpty() ? before : QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        QCOMPARE(r.err, setting == u"9"_s ? "rosterly-data: Could not read the file \"" + Path(u"Rosterly.Privacy"_s).toUtf8() +
                                                "\". It does not hold a sensitive-fields level from 1 to 4. The sensitive fields "
                                                "are shown in full only at level 4 until the administrator sets the level again.\n"
                                          : QByteArray());
        QCOMPARE(r.exitCode, 0);
        // The owner's full fields, while the setting masks someone, leave a line in the user log.
        const bool owner = options.contains(u"--show-sensitive"_s) || options.contains(u"--ssn"_s);
        const bool logged = owner && SensitiveFieldsLevelFrom(setting) > 1;
        const QByteArray log = ReadFileBytes(Path(QStringLiteral("User.Log")));
        static const QRegularExpression line(
            QStringLiteral("^\\d\\d/\\d\\d/\\d{4} at \\d\\d:\\d\\d:\\d\\d - owner took out full SSN/birth "
                           "years: list export, "
                           "(\\d+) employees, to 'standard output'\\.\r\n$"));
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(log));
        QCOMPARE(match.hasMatch(), logged);

        std::vector<qint32> records;
        QStringList captions;
        for (int pass = (status == 2 ? 2 : 1); pass <= (status == 1 ? 1 : 2); ++pass) {
            ListQuery list;
            list.type = ListTypes[std::size_t(type - 1)];
            list.status = pass == 2 ? EmploymentStatus::Previous : EmploymentStatus::Current;
            list.race = race > 1 ? RaceCodes[std::size_t(race - 2)] : 0;
            list.sex = sex > 1 ? SexCodes[std::size_t(sex - 2)] : 0;
            list.lookFor = lookFor;
            list.searchNotepad = notepad;
            list.sensitive = SensitiveFields(masked ? 1 : 4, 4);
            const EmployeeListResult built = BuildEmployeeRows(file, list, SystemClock().TodayOle(), 0);
            QVERIFY(built.status);
            const std::vector<qint32> listed = ListedRecords(built);
            QCOMPARE(listed.empty(), lookForNumber && masked);
            records.insert(records.end(), listed.begin(), listed.end());
            captions += built.caption;
        }
        if (logged)
            QCOMPARE(match.captured(1).toLongLong(), qsizetype(records.size()));
        const ExportTable table =
            ReadExportTable(file, records, {.sensitive = SensitiveFields(masked ? 1 : 4, 4)});
        QVERIFY(table.status);
        if (workbook) {
            // The list's captions as its title; made at another moment, it differs in that alone.
            QCOMPARE(captions.join(u"; "_s), type == 3 ? u"Current Employees - Seniority (by Age)"_s
                                                       : u"Current Employees; Previous Employees"_s);
            QByteArray expected;
            QVERIFY(XlsxBytes(table, captions.join(u"; "_s), QDateTime::currentDateTime(), {}, expected));
            const QMap<QString, QByteArray> parts = WorkbookParts(r.out);
            // Written a row at a time, the texts stand in their cells: there is no table of shared texts.
            QCOMPARE(parts.size(), 9);
            QCOMPARE(parts, WorkbookParts(expected));
            QCOMPARE(parts[u"xl/worksheets/sheet1.xml"_s].contains("<t>***-**-"), masked);
            return;
        }
        QCOMPARE(r.out, json ? JsonLines(table) : CsvBytes(table));
        // Every made-up employee has a number and a birth date: all in full, or none.
        const QRegularExpression fullSsn(QStringLiteral("[0-9]{3}-[0-9]{2}-[0-9]{4}"));
        const QRegularExpression maskedBirth(
            json ? QStringLiteral("\"DateOfBirth\":\"\\*{4}-[0-9]{2}-[0-9]{2}\"")
                 : QStringLiteral(",\\*{4}-[0-9]{2}-[0-9]{2},"));
        const QString out = QString::fromUtf8(r.out);
        QCOMPARE(out.count(fullSsn), masked ? 0 : qsizetype(records.size()));
        QCOMPARE(out.count(QStringLiteral("***-**-")), masked ? qsizetype(records.size()) : 0);
        QCOMPARE(out.count(maskedBirth), masked ? qsizetype(records.size()) : 0);
    }

    // The manual page's round trip under the SensitiveFieldsLevel setting: a masked export comes
    // back as the employees on file it was made from (a masked value is no change), as one with
    // --show-sensitive does; no workbook to a terminal.
    void exportComesBackAsTheManualShows_data() {
        QTest::addColumn<QStringList>("options"); // export's
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out"); // import's
        QTest::addColumn<QByteArray>("err");
        const QByteArray skipped =
            "Line 2 looks like Jackson, Amy, born 1991-05-08, who is already on file.\n"
            "Line 3 looks like Olsen, Sarah, born 2002-06-21, who is already on file.\n"
            "Line 4 looks like Tsosie, Karen, born 1949-04-06, who is already on file.\n"
            "added 0 employees to Rosterly.Data (3 duplicates skipped)\n";
        QTest::newRow("masked") << QStringList() << 0 << skipped << QByteArray();
        QTest::newRow("--show-sensitive")
            << QStringList{QStringLiteral("--show-sensitive")} << 0 << skipped << QByteArray();
    }
    void exportComesBackAsTheManualShows() {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QVERIFY(QDir().mkpath(Path(QStringLiteral("config/Rosterly"))));
        WriteBytes(Path(QStringLiteral("config/Rosterly/Rosterly.ini")),
                   "[Defaults]\nSensitiveFieldsLevel=2\n");
        QCOMPARE(
            Tool({QStringLiteral("seed"), QStringLiteral("3"), QStringLiteral("Rosterly.Data")}).exitCode, 0);
        const Outcome exported =
            Tool(QStringList{QStringLiteral("export"), QStringLiteral("Rosterly.Data")} + options);
        QCOMPARE(exported.exitCode, 0);
        WriteBytes(Path(QStringLiteral("x.csv")), exported.out);
        const Outcome imported = Tool({QStringLiteral("import"), QStringLiteral("x.csv"),
                                       QStringLiteral("Rosterly.Data"), QStringLiteral("--skip-duplicates")});
        QCOMPARE(imported.out, out);
        QCOMPARE(imported.err, err);
        QCOMPARE(imported.exitCode, exitCode);

        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const auto closeTerminal = qScopeGuard([&] { ::close(terminal); });
        const Outcome binary = Tool(QStringList{QStringLiteral("export"), QStringLiteral("Rosterly.Data"),
                                                QStringLiteral("--format=xlsx")} +
                                        options,
                                    {}, QString::fromLocal8Bit(::ptsname(terminal)));
        QCOMPARE(binary.exitCode, 2);
        QCOMPARE(binary.err,
                 QByteArray("rosterly-data: a workbook is binary and is not written to a terminal; "
                            "redirect it to a file: rosterly-data export Rosterly.Data --format xlsx "
                            "> list.xlsx\n"));
        char seen = 0;
        QVERIFY(::fcntl(terminal, F_SETFL, O_NONBLOCK) == 0);
        QCOMPARE(::read(terminal, &seen, 1), ssize_t(-1)); // nothing reached the terminal
    }

    void importAddsEveryRowOrNone() {
        QCOMPARE(
            Tool({QStringLiteral("seed"), QStringLiteral("3"), QStringLiteral("Rosterly.Data")}).exitCode, 0);
        const QByteArray before = ReadFileBytes(Path(QStringLiteral("Rosterly.Data")));
        const QByteArray header = "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment\r\n";
        // Each import and what it wrote, as golden/import.txt holds them.
        QByteArray transcript;
        const auto import = [&](const char* file, std::initializer_list<const char*> flags = {}) {
            QStringList arguments{u"import"_s, QString::fromLatin1(file), u"Rosterly.Data"_s};
            for (const char* flag : flags)
                arguments << QString::fromLatin1(flag);
            const Outcome r = Tool(arguments);
            transcript += "$ rosterly-data " + arguments.join(u' ').toUtf8() + '\n' + Transcript(r);
            return r;
        };
        WriteBytes(Path(QStringLiteral("bad.csv")), header + "Ann,Lee,W,F,1980-01-01,2010-01-01\r\n"
                                                             "Bo,Li,X,M,1980-01-01,2010-01-01\r\n");
        import("bad.csv");
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), before);
        // A control character is named by its code point: nothing reaches the terminal to run.
        WriteBytes(Path(QStringLiteral("bad.csv")), header + "Ann,Lee\x1b[2J,W,F,1980-01-01,2010-01-01\r\n");
        import("bad.csv");
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), before);

        WriteBytes(Path(QStringLiteral("good.csv")), header + "Ann,Lee,W,F,1980-01-01,2010-01-01\r\n"
                                                              "Bo,Li,b,m,1980-01-01,2010-01-01\r\n");
        import("good.csv", {"--dry-run"});
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), before);

        {
            DataFolderLock program(m_dir.path());
            QVERIFY(program.TryAcquire());
            const Outcome locked =
                Tool({QStringLiteral("import"), QStringLiteral("good.csv"), QStringLiteral("Rosterly.Data")});
            QCOMPARE(locked.exitCode, 1);
            QVERIFY2(locked.err.startsWith("rosterly-data: the folder of Rosterly.Data is in use by "),
                     locked.err.constData());
            QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), before);
        }

        import("good.csv");
        const QByteArray after = ReadFileBytes(Path(QStringLiteral("Rosterly.Data")));
        QCOMPARE(after.size(), before.size() + 2 * PersonnelRecordLength);
        QVERIFY(after.startsWith(before));
        PersonnelRecord bo;
        std::memcpy(bo.data(), after.constData() + before.size() + PersonnelRecordLength,
                    PersonnelRecordLength);
        QCOMPARE(bo.FirstName(), QStringLiteral("Bo"));
        QCOMPARE(bo.Race(), QStringLiteral("B"));
        QCOMPARE(bo.Sex(), QStringLiteral("M"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("bad.csv"), QStringLiteral("good.csv"),
                              QStringLiteral("History.Index"), QStringLiteral("History.Lines"),
                              QStringLiteral("Rosterly.Data"),
                              QStringLiteral("Rosterly.History")}));

        // Rows like an employee on file or an earlier row are named and refused unless a flag says
        // what to do with them; a dry run names them too.
        WriteBytes(Path(QStringLiteral("again.csv")), header + "ann,LEE,W,F,1980-01-01,2012-01-01\r\n"
                                                               "Cy,Ng,W,M,1990-01-01,2010-01-01\r\n"
                                                               "CY,Ng,W,M,1990-01-01,2012-01-01\r\n");
        import("again.csv", {"--dry-run"});
        import("again.csv");
        import("again.csv", {"--skip-duplicates", "--dry-run"});
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), after);
        import("again.csv", {"--skip-duplicates"});
        const QByteArray withNg = ReadFileBytes(Path(QStringLiteral("Rosterly.Data")));
        QCOMPARE(withNg.size(), after.size() + PersonnelRecordLength);
        PersonnelRecord ng;
        std::memcpy(ng.data(), withNg.constData() + after.size(), PersonnelRecordLength);
        QCOMPARE(ng.FirstName(), QStringLiteral("Cy"));
        QCOMPARE(ng.DateOfEmployment(), DateToOle(QDate(2010, 1, 1)));
        import("again.csv", {"--allow-duplicates"});
        const QByteArray withCopies = ReadFileBytes(Path(QStringLiteral("Rosterly.Data")));
        QCOMPARE(withCopies.size(), withNg.size() + 3 * PersonnelRecordLength);

        // --update: an employee on file gets the changes the preview names, the history noting the
        // file; a row with a Social Security number seen before is a duplicate, an employee on file
        // too (named as the employee without --update), and a masked cell in a new row refuses the
        // import.
        WriteBytes(Path(QStringLiteral("update.csv")),
                   "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment,SocialSecurityNumber\r\n"
                   "Ann,Lee,W,F,1980-01-01,2012-01-01,\r\nEd,Po,W,M,1992-01-01,2010-01-01,555-55-5555\r\n"
                   "Cy,Ng,W,M,1990-01-01,2010-01-01,555-55-5555\r\n"
                   "Fay,Qi,W,F,1993-01-01,2010-01-01,555-55-5555\r\n");
        import("update.csv", {"--update", "--dry-run"});
        import("update.csv", {"--dry-run"});
        import("update.csv", {"--update", "--skip-duplicates", "--dry-run"});
        import("update.csv", {"--update", "--allow-duplicates", "--dry-run"});
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), withCopies);
        import("update.csv", {"--update", "--skip-duplicates"});
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))).size(),
                 withCopies.size() + PersonnelRecordLength);
        const Outcome history = Tool({QStringLiteral("history"), QStringLiteral("Rosterly.Data"),
                                      QStringLiteral("--name"), QStringLiteral("Lee")});
        QVERIFY2(history.out.contains("  rosterly-data import  employee 4  edited from update.csv\n"
                                      "    DateOfEmployment: \"2010-01-01\" -> \"2012-01-01\"\n"),
                 history.out.constData());
        WriteBytes(Path(QStringLiteral("masked.csv")),
                   "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                   "Ann,Lee,W,F,****-01-01,2012-01-01\r\n"
                   "Gus,Ro,W,M,****-01-01,2010-01-01\r\n");
        import("masked.csv", {"--update", "--dry-run"});
        COMPARE_GOLDEN(transcript, u"import.txt"_s);
    }

    // A writer reached through a link to the file takes the lock of the folder that holds the
    // file and works there (journal, scratch and all), so the link stays a link; a link that
    // leads nowhere is refused, never written through.
    void writersLockTheFolderThatHoldsTheFile_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("linkTo");     // what w/x.Data leads to
        QTest::addColumn<QByteArray>("refusal"); // while the program holds that folder; empty: read
        QTest::addColumn<int>("records");        // in the file once it is free; 0: refused again
        const QStringList importing{QStringLiteral("import"), QStringLiteral("new.csv"),
                                    QStringLiteral("w/x.Data")};
        const QStringList seeding{QStringLiteral("seed"), QStringLiteral("2"), QStringLiteral("w/x.Data"),
                                  QStringLiteral("--force")};
        const QStringList exporting{QStringLiteral("export"), QStringLiteral("w/x.Data")};
        const QString file = QStringLiteral("../A/Rosterly.Data");
        const QByteArray inUse = "rosterly-data: the folder of w/x.Data is in use by ";
        QTest::newRow("import") << importing << file << inUse << 4;
        QTest::newRow("seed") << seeding << file << inUse << 2;
        QTest::newRow("export, which reads a held folder") << exporting << file << QByteArray() << 3;
        const QString gone = QStringLiteral("../A/gone.Data");
        const QByteArray nowhere = "rosterly-data: w/x.Data is a link to " +
                                   QFile::encodeName(Path(QStringLiteral("A/gone.Data"))) +
                                   ", which does not exist; nothing was ";
        QTest::newRow("import through a dangling link") << importing << gone << nowhere + "added\n" << 0;
        QTest::newRow("seed through a dangling link") << seeding << gone << nowhere + "written\n" << 0;
        QTest::newRow("export through a dangling link")
            << exporting << gone
            << QByteArray("rosterly-data: cannot open w/x.Data: No such file or directory\n") << 0;
    }
    void writersLockTheFolderThatHoldsTheFile() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, linkTo);
        QFETCH(QByteArray, refusal);
        QFETCH(int, records);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("w")));
        QCOMPARE(
            Tool({QStringLiteral("seed"), QStringLiteral("3"), QStringLiteral("A/Rosterly.Data")}).exitCode,
            0);
        const QByteArray before = ReadFileBytes(Path(QStringLiteral("A/Rosterly.Data")));
        QVERIFY(QFile::link(linkTo, Path(QStringLiteral("w/x.Data"))));
        WriteBytes(Path(QStringLiteral("new.csv")),
                   "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                   "Ann,Lee,W,F,1980-01-01,2010-01-01\r\n");
        const auto filesIn = [&](const char* folder) {
            return QDir(Path(QString::fromLatin1(folder))).entryList(QDir::Files | QDir::System);
        };
        QByteArray readWhileHeld;
        {
            DataFolderLock program(Path(QStringLiteral("A")));
            QVERIFY(program.TryAcquire());
            const Outcome refused = Tool(arguments);
            QVERIFY2(refused.exitCode == (refusal.isEmpty() ? 0 : 1), refused.err.constData());
            QVERIFY2(refused.err.startsWith(refusal), refused.err.constData());
            if (refusal.isEmpty())
                readWhileHeld = refused.out; // the same bytes as with the folder free, below
            else
                QCOMPARE(refused.out, QByteArray());
            QCOMPARE(ReadFileBytes(Path(QStringLiteral("A/Rosterly.Data"))), before);
            QCOMPARE(filesIn("A"),
                     (QStringList{QStringLiteral("Rosterly.Data"), QStringLiteral("Rosterly.lock")}));
            QCOMPARE(filesIn("w"), QStringList{QStringLiteral("x.Data")});
        }
        if (records == 0)
            return;
        // With the folder free the same command works on the file itself, and the link stays.
        const Outcome done = Tool(arguments);
        QCOMPARE(done.err, QByteArray());
        QCOMPARE(done.exitCode, 0);
        if (refusal.isEmpty())
            QCOMPARE(done.out, readWhileHeld);
        QVERIFY(QFileInfo(Path(QStringLiteral("w/x.Data"))).isSymLink());
        QCOMPARE(filesIn("w"), QStringList{QStringLiteral("x.Data")});
        const QStringList kept =
            arguments.front() == QStringLiteral("import")
                ? QStringList{u"History.Index"_s, u"History.Lines"_s, u"Rosterly.Data"_s, u"Rosterly.History"_s}
                : QStringList{u"Rosterly.Data"_s};
        QCOMPARE(filesIn("A"), kept);
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("A/Rosterly.Data"))).size(),
                 records * PersonnelRecordLength);
    }

    // A writer refuses a folder of which a file it writes is a link or a hard link into a folder that
    // the program holds, as the program does; nothing is written on either side.
    void writersRefuseLinkedFilesOfTheFolder_data() {
        QTest::addColumn<QStringList>("arguments"); // on T/Rosterly.Data
        QTest::addColumn<QString>("linked");        // the file of T that leads into F; "=": a hard link
        QTest::addColumn<QByteArray>("said");       // why T cannot be written; %F: the folder F
        const QStringList commands[] = {{u"import"_s, u"new.csv"_s, u"T/Rosterly.Data"_s},
                                        {u"seed"_s, u"2"_s, u"T/Rosterly.Data"_s, u"--force"_s},
                                        {u"export"_s, u"T/Rosterly.Data"_s}};
        const char* nothing[] = {" Nothing was added.", " Nothing was written.", " Nothing was done."};
        const QByteArray keep = "\". Keep the file itself in the data folder; only the folder may be a link.";
        const QByteArray hard =
            "\"Rosterly.Data\" there is a hard link: the same file has 2 names, and writing to "
            "it would change the file under its other names too, past the lock of any other "
            "folder that holds one. Make it a file of its own: copy it, delete "
            "\"Rosterly.Data\" and give the copy its name.";
        for (const auto& [name, c] :
             {std::pair("Rosterly.History", 0), std::pair("History.Index", 0), std::pair("History.$$$", 0),
              std::pair("User.Log", 0), std::pair("TempFile.$$$", 1), std::pair("Append.$$$", 2)})
            QTest::newRow(name) << commands[c] << QString::fromLatin1(name)
                                << "\"" + QByteArray(name) + "\" there is a link to \"%F/" + name + keep +
                                       nothing[c];
        for (int c = 0; c < 3; ++c)
            QTest::newRow(qPrintable(commands[c][0] + u", a hard link"_s))
                << commands[c] << u"="_s << hard + nothing[c];
    }
    void writersRefuseLinkedFilesOfTheFolder() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, linked);
        QFETCH(QByteArray, said);
        QVERIFY(QDir(m_dir.path()).mkpath(u"T"_s));
        QCOMPARE(Tool({u"seed"_s, u"3"_s, u"F/Rosterly.Data"_s}).exitCode, 0);
        const QByteArray t = QFile::encodeName(Path(u"T"_s)), f = QFile::encodeName(Path(u"F"_s));
        if (linked == u"="_s) {
            QCOMPARE(::link(f + "/Rosterly.Data", t + "/Rosterly.Data"), 0);
        } else {
            QCOMPARE(Tool({u"seed"_s, u"3"_s, u"T/Rosterly.Data"_s, u"--seed"_s, u"2"_s}).exitCode, 0);
            WriteBytes(Path(u"F/"_s + linked), "F's own\n");
            QVERIFY(QFile::link(Path(u"F/"_s + linked), Path(u"T/"_s + linked)));
        }
        WriteBytes(Path(u"new.csv"_s), "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                                       "Ann,Lee,W,F,1980-01-01,2010-01-01\r\n");
        DataFolderLock program(Path(u"F"_s));
        QVERIFY(program.TryAcquire());
        const auto files = [&] {
            QMap<QString, QByteArray> all;
            for (QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden | QDir::System,
                                 QDirIterator::Subdirectories);
                 it.hasNext();) {
                const QString name = it.next();
                all[name] = ReadFileBytes(name);
            }
            return all;
        };
        const QMap<QString, QByteArray> before = files();
        const Outcome refused = Tool(arguments);
        QCOMPARE(refused.err,
                 "rosterly-data: the folder " + t + " cannot be written: " + said.replace("%F", f) + '\n');
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.out, QByteArray());
        QCOMPARE(files(), before);
    }

    // A restore cut short in the folder is completed or undone before a command that takes the
    // lock reads anything; one that cannot be settled stops the command.
    void lockingCommandsSettleARestoreCutShort() {
        QCOMPARE(
            Tool({QStringLiteral("seed"), QStringLiteral("3"), QStringLiteral("Rosterly.Data")}).exitCode, 0);
        const QByteArray before = ReadFileBytes(Path(QStringLiteral("Rosterly.Data")));
        // Cut short once the personnel file was in, before the (new) user list was.
        QVERIFY(QFile::rename(Path(QStringLiteral("Rosterly.Data")),
                              Path(QStringLiteral(".Rosterly.Data.previous"))));
        WriteBytes(Path(QStringLiteral("Rosterly.Data")), QByteArray(PersonnelRecordLength, 'x'));
        WriteBytes(Path(QStringLiteral(".User.List.partial")), Image(User(4)));
        FileIo io;
        const ProgramState state;
        QList<RestoreJournalFile> files;
        for (const auto& [name, existed] : {std::pair(QStringLiteral("Rosterly.Data"), true),
                                            std::pair(QStringLiteral("User.List"), false)})
            files.append({Path(name), PartialCopyName(Path(name)), PreviousCopyName(Path(name)), existed});
        QVERIFY(WriteRestoreJournal(io, Path(state.RestoreJournalName), files));
        QCOMPARE(Tool({QStringLiteral("export"), QStringLiteral("Rosterly.Data")}).exitCode, 0);
        QCOMPARE(ReadFileBytes(Path(QStringLiteral("Rosterly.Data"))), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Rosterly.Data")});

        QVERIFY(QDir().mkpath(Path(state.RestoreJournalName))); // a journal that cannot be read
        const Outcome refused = Tool({QStringLiteral("seed"), QStringLiteral("3"), QStringLiteral("x.Data")});
        QVERIFY(QDir().rmdir(Path(state.RestoreJournalName)));
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err,
                 "rosterly-data: Could not read the file \"" +
                     QFile::encodeName(Path(state.RestoreJournalName)) +
                     "\". Is a directory. A restore in that folder was cut short and is not settled; "
                     "nothing was done.\n");
        QVERIFY(!QFile::exists(Path(QStringLiteral("x.Data"))));
    }

    void wrongCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message");
        const auto row = [](const char* name, std::initializer_list<const char*> args, int code,
                            const char* message) {
            QStringList list;
            for (const char* a : args)
                list += QString::fromUtf8(a);
            QTest::newRow(name) << list << code << QByteArray(message);
        };
        row("nothing", {}, 2, "no command given");
        row("unknown command", {"frobnicate"}, 2, "unknown command 'frobnicate'");
        row("dump without file", {"dump"}, 2, "dump needs a FILE");
        row("two files", {"check", "a", "b"}, 2, "unexpected argument 'b'");
        row("unknown option", {"dump", "--bogus", "f"}, 2, "unknown option '--bogus' for dump");
        row("seed option on dump", {"dump", "--seed", "1", "f"}, 2, "unknown option '--seed' for dump");
        row("both kinds", {"check", "--users", "--personnel", "f"}, 2,
            "--users and --personnel exclude each other");
        row("seed without file", {"seed", "5"}, 2, "seed needs N and FILE");
        row("zero", {"seed", "0", "f"}, 2, "N must be a whole number from 1 to 1000000, not '0'");
        row("negative", {"seed", "-3", "f"}, 2, "N must be a whole number from 1 to 1000000, not '-3'");
        row("not a number", {"seed", "12x", "f"}, 2, "N must be a whole number from 1 to 1000000, not '12x'");
        row("too many", {"seed", "1000001", "f"}, 2,
            "N must be a whole number from 1 to 1000000, not '1000001'");
        row("seed value missing", {"seed", "5", "f", "--seed"}, 2, "--seed needs a number");
        row("seed value empty", {"seed", "5", "f", "--seed="}, 2,
            "the seed must be a whole number from 0 to 4294967295, not ''");
        row("each seed is checked", {"seed", "5", "f", "--seed", "x", "--seed", "7"}, 2,
            "the seed must be a whole number from 0 to 4294967295, not 'x'");
        row("unknown option with a value", {"dump", "--bogus=3", "f"}, 2,
            "unknown option '--bogus=3' for dump");
        row("a value for a flag", {"check", "f", "--users=yes"}, 2, "unknown option '--users=yes' for check");
        row("--h is no -h", {"check", "--h", "f"}, 2, "unknown option '--h' for check");
        row("one dash starts an operand", {"dump", "-x"}, 1, "cannot open -x: No such file or directory");
        row("-h after --", {"check", "f", "--", "-h"}, 2, "unexpected argument '-h'");
        row("seed too large", {"seed", "5", "f", "--seed", "4294967296"}, 2,
            "the seed must be a whole number from 0 to 4294967295, not '4294967296'");
        row("missing file", {"dump", "missing.Data"}, 1,
            "cannot open missing.Data: No such file or directory");
        row("a file in the way of the folder", {"seed", "5", "/dev/null/x.Data"}, 1,
            "cannot make the folder /dev/null: Not a directory");
        row("export without file", {"export"}, 2, "export needs a FILE");
        row("unknown list", {"export", "f", "--list", "weekly"}, 2,
            "--list takes alphabetical, employment, age or birthday, not 'weekly'");
        row("unknown status", {"export", "f", "--status=all"}, 2,
            "--status takes current, previous or both, not 'all'");
        row("unknown race", {"export", "f", "--race", "Q"}, 2, "--race takes W, B, H, A or O, not 'Q'");
        row("unknown sex", {"export", "f", "--sex", "X"}, 2, "--sex takes M or F, not 'X'");
        row("value missing", {"export", "f", "--look-for"}, 2, "--look-for needs a value");
        row("filter on a dated list", {"export", "f", "--list", "age", "--race", "B"}, 2,
            "the lists by employment, age and birthday hold current employees only and take no --status, "
            "--race, --sex or --look-for");
        row("import option on export", {"export", "f", "--dry-run"}, 2,
            "unknown option '--dry-run' for export");
        row("a flag given a value", {"export", "f", "--json=yes"}, 2,
            "unknown option '--json=yes' for export");
        row("unknown format", {"export", "f", "--format", "ods"}, 2,
            "--format takes csv, json or xlsx, not 'ods'");
        row("format in capitals", {"export", "f", "--format=XLSX"}, 2,
            "--format takes csv, json or xlsx, not 'XLSX'");
        row("format missing", {"export", "f", "--format"}, 2, "--format needs a value");
        row("each format is checked", {"export", "f", "--format", "xls", "--format", "csv"}, 2,
            "--format takes csv, json or xlsx, not 'xls'");
        row("--json against another format", {"export", "f", "--format=xlsx", "--json"}, 2,
            "--json and --format xlsx can't be given together");
        row("a level with the full fields", {"export", "f", "--show-sensitive", "--level", "2"}, 2,
            "--level and --show-sensitive can't be given together");
        row("a level with --ssn", {"export", "f", "--level=4", "--ssn"}, 2,
            "--level and --ssn can't be given together");
        row("a value that looks like an option", {"export", "f", "--look-for", "--json", "--list", "age"}, 2,
            "the lists by employment, age and birthday hold current employees only and take no --status, "
            "--race, --sex or --look-for");
        row("every --status counts",
            {"export", "f", "--status", "previous", "--status=current", "--list=age"}, 2,
            "the lists by employment, age and birthday hold current employees only and take no --status, "
            "--race, --sex or --look-for");
        row("a value missing after an unknown option", {"export", "f", "--bogus", "--race"}, 2,
            "unknown option '--bogus' for export");
        row("level out of range", {"export", "f", "--level", "5"}, 2, "--level takes 1, 2, 3 or 4, not '5'");
        row("level not a number", {"export", "f", "--level=one"}, 2, "--level takes 1, 2, 3 or 4, not 'one'");
        row("level missing", {"export", "f", "--level"}, 2, "--level needs a value");
        row("show-sensitive given a value", {"export", "f", "--show-sensitive=yes"}, 2,
            "unknown option '--show-sensitive=yes' for export");
        row("export of a missing file", {"export", "missing.Data"}, 1,
            "cannot open missing.Data: No such file or directory");
        row("import without FILE", {"import", "a.csv"}, 2, "import needs a CSV file and a FILE");
        row("import option", {"import", "a.csv", "f", "--force"}, 2, "unknown option '--force' for import");
        row("skip and allow duplicates", {"import", "a.csv", "f", "--allow-duplicates", "--skip-duplicates"},
            2, "--skip-duplicates and --allow-duplicates can't be given together");
        row("import of a missing file", {"import", "missing.csv", "f"}, 1,
            "Could not open the file \"missing.csv\". No such file or directory.");
        row("history without FILE", {"history"}, 2, "history needs a FILE");
        row("history of employee 0", {"history", "f", "--employee", "0"}, 2,
            "--employee takes a number from 1, not '0'");
        row("history by number and name", {"history", "f", "--employee=1", "--name", "Ann"}, 2,
            "--employee and --name can't be given together");
        row("history since no date", {"history", "f", "--since", "May"}, 2,
            "--since takes a date (yyyy-mm-dd), not 'May'");
        row("history as of whom", {"history", "f", "--as-of", "2026-01-01"}, 2,
            "--as-of needs --employee or --name");
    }

    void wrongCommandLines() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        const Outcome r = Tool(arguments);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err.left(r.err.indexOf('\n')), "rosterly-data: " + message);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The history beside a personnel file (in the folder that holds it, for a link to the file), as
    // lines, as JSON, for one employee or a name (case and accents aside), since a day, and one
    // employee's record as of a day (before a removal when asked after it); what matches nothing
    // is said, with exit status 1.
    void historyIsPrintedAsKept_data() {
        QTest::addColumn<QStringList>("arguments");
        const auto args = [](std::initializer_list<const char*> list) {
            QStringList l{QStringLiteral("history"), QStringLiteral("sub/Rosterly.Data")};
            for (const char* a : list)
                l << QString::fromUtf8(a);
            return l;
        };
        // What the tool writes, and its exit code, are golden/history/<row>.txt.
        const auto row = [&](const char* name, std::initializer_list<const char*> list) {
            QTest::newRow(name) << args(list);
        };
        row("all", {});
        row("one employee", {"--employee", "1"});
        row("by a name, any case", {"--name", "zo\xC3\xAB"});
        row("by a name, without its accent", {"--name", "ZOE"});
        row("by a former name", {"--name", "zolle"});
        row("by a name several had", {"--name", "O"});
        row("since a day", {"--since=2026-03-03"});
        row("as of a day", {"--employee=1", "--as-of", "2026-03-03"});
        row("as of, as JSON", {"--name=Bo", "--as-of=2026-03-05", "--json"});
        row("as of a day after the removal", {"--employee=2", "--as-of", "2026-03-07"});
        row("as of after the removal, as JSON", {"--name=bo", "--as-of=2026-03-07", "--json"});
        row("as of, a name several had", {"--name=O", "--as-of=2026-03-09"});
        row("as of nobody", {"--name=Dee", "--as-of=2026-03-09"});
        row("a name nobody had", {"--name=Dee"});
        row("a number nobody had", {"--employee", "99"});
        row("as of, a number nobody had", {"--employee=99", "--as-of=2026-03-09"});
        row("nothing since, one employee", {"--employee=1", "--since=2026-03-05"});
        row("nothing since, a name", {"--name=zoe", "--since=2026-03-05T12:30:00"});
        row("nothing since", {"--since=2026-04-01"});
        QTest::newRow("no history") << QStringList{QStringLiteral("history"), QStringLiteral("none.Data")};
        QTest::newRow("through a link to the file, its folder's")
            << QStringList{u"history"_s, u"link.Data"_s, u"--employee=2"_s};
    }

    void historyIsPrintedAsKept() {
        QFETCH(QStringList, arguments);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
        const auto at = [](int day, int hour, int offset) {
            return QDateTime(QDate(2026, 3, day), QTime(hour, 0), Qt::OffsetFromUTC, offset);
        };
        const auto c = [](const char* field, const char* before, const char* after) {
            return HistoryChange{QString::fromUtf8(field), QString::fromUtf8(before),
                                 QString::fromUtf8(after)};
        };
        const QString ann = u"Ann Lee"_s, tool = u"rosterly-data import"_s;
        using enum HistoryAction;
        const QList<HistoryEntry> history{
            {1, at(2, 9, 0), ann, 4, 1, Added, {c("FirstName", "", "Zoë"), c("JobTitle", "", "Clerk")}, 1},
            {2, at(3, 10, 3600), tool, 0, 2, Imported, {c("LastName", "", "Bo")}, 2},
            {3, at(4, 11, 0), ann, 4, 1, Edited, {c("JobTitle", "Clerk", "Head Clerk")}, 1},
            {4, at(5, 10, 0), ann, 4, 3, Added, {c("FirstName", "", "Cy"), c("LastName", "", "Zollé")}, 3},
            {5, at(5, 11, 0), ann, 4, 3, Edited, {c("LastName", "Zollé", "Ng")}, 3},
            {6, at(6, 8, 0), ann, 4, 3, MadePrevious, {c("InactivationDate", "", "2026-03-06")}, 3},
            {7, at(6, 9, 0), ann, 4, 2, Removed, {c("LastName", "Bo", "")}, 0}};
        FileIo io;
        QVERIFY(AppendHistory(io, Path(QStringLiteral("sub/Rosterly.History")), history));
        WriteBytes(Path(u"sub/Rosterly.Data"_s), QByteArray());
        QVERIFY(QFile::link(u"sub/Rosterly.Data"_s, Path(u"link.Data"_s)));
        const Outcome r = Tool(arguments);
        COMPARE_GOLDEN(Transcript(r), RowGoldenName(u"history"_s, u".txt"_s));
    }

    // Pipes, devices and folders are refused unread, whatever the command; nothing hangs.
    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::newRow("dump a pipe") << QStringLiteral("dump") << QStringLiteral("fifo");
        QTest::newRow("check a pipe") << QStringLiteral("check") << QStringLiteral("fifo");
        QTest::newRow("dump /dev/zero") << QStringLiteral("dump") << QStringLiteral("/dev/zero");
        QTest::newRow("check /dev/urandom") << QStringLiteral("check") << QStringLiteral("/dev/urandom");
        QTest::newRow("a folder") << QStringLiteral("dump") << QStringLiteral(".");
        QTest::newRow("export a pipe") << QStringLiteral("export") << QStringLiteral("fifo");
    }
    void onlyRegularFilesAreRead() {
        QFETCH(QString, command);
        QFETCH(QString, file);
        if (file == QStringLiteral("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(Path(file)).constData(), 0600), 0);
        const Outcome o = Tool({command, file});
        QCOMPARE(o.exitCode, 2);
        QCOMPARE(o.out, QByteArray());
        QCOMPARE(o.err, QByteArray("rosterly-data: ") + file.toUtf8() +
                            " is not a regular file; only data files can be read\n");
        if (file == QStringLiteral("fifo"))
            QFile::remove(Path(file));
    }

    // Help wins over anything else on the line before "--", even as an option's value.
    void helpGoesToStandardOutput() {
        const QStringList lines[] = {
            {QStringLiteral("--help")},
            {QStringLiteral("-h")},
            {QStringLiteral("frobnicate"), QStringLiteral("--bogus"), QStringLiteral("-h")},
            {QStringLiteral("export"), QStringLiteral("--look-for"), QStringLiteral("--help")}};
        for (const QStringList& line : lines) {
            const Outcome r = Tool(line);
            QCOMPARE(r.exitCode, 0);
            QVERIFY(r.out.startsWith(
                "Usage:\n  rosterly-data dump [--users | --personnel] [--show-passwords] FILE\n"));
            QCOMPARE(r.err, QByteArray());
        }
    }
};

QTEST_GUILESS_MAIN(TestDataTool)
#include "tst_datatool.moc"
