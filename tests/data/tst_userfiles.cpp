// "User.List" and "User.Log": counting, removal, the password rule and its stored form, log lines.
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/sensitiverule.h"
#include "data/userlist.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

namespace {
UserRecord User(const QString& first, const QString& last, qint16 level) {
    UserRecord u;
    u.SetDateCreated(46000.5);
    u.SetFirstName(first);
    u.SetLastName(last);
    u.SetPassword(QStringLiteral("x1y2z3w4"));
    u.SetAccessLevel(level);
    u.SetComments(QStringLiteral("note"));
    return u;
}

QByteArray Image(std::initializer_list<UserRecord> users) {
    QByteArray out;
    for (const UserRecord& u : users)
        out.append(u.data(), UserRecordLength);
    return out;
}
} // namespace

class TestUserFiles : public QObject {
    Q_OBJECT

private slots:
    void threeUsersAre1500Bytes() {
        TempDataFolder folder;
        FileIo io;
        UserList list(io);
        QVERIFY(list.OpenUserList());
        QCOMPARE(list.UserCount(), qint16(0));
        for (qint16 n = 1; n <= 3; ++n) {
            list.Record() = User(QStringLiteral("U%1").arg(n), QStringLiteral("Last"), n);
            QVERIFY(list.WriteUserRecord(list.UserCount() + 1));
        }
        list.CloseUserList();
        QCOMPARE(QFileInfo(QStringLiteral("User.List")).size(), 1500);
        QVERIFY(list.OpenUserList());
        QCOMPARE(list.UserCount(), qint16(3));
        QVERIFY(list.ReadUserRecord(3));
        QCOMPARE(list.Record().FirstName(), QStringLiteral("U3"));
        QCOMPARE(list.Record().AccessLevel(), qint16(3));
    }

    void removingUserTwoOfThree() {
        TempDataFolder folder;
        const UserRecord a = User(QStringLiteral("Ann"), QStringLiteral("A"), 4);
        const UserRecord c = User(QStringLiteral("Cy"), QStringLiteral("C"), 1);
        WriteBytes(QStringLiteral("User.List"),
                   Image({a, User(QStringLiteral("Bo"), QStringLiteral("B"), 2), c}));
        FileIo io;
        UserList list(io);
        QVERIFY(list.OpenUserList());
        QVERIFY(list.RemoveUser(2));
        QVERIFY(!list.IsOpen());
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), Image({a, c}));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
    }

    // A removal cut short after its mark is finished when the list is next opened.
    void interruptedRemovalIsCompletedOnOpen() {
        TempDataFolder folder;
        const UserRecord a = User(QStringLiteral("Ann"), QStringLiteral("A"), 4);
        const UserRecord c = User(QStringLiteral("Cy"), QStringLiteral("C"), 1);
        WriteBytes(QStringLiteral("User.List"),
                   Image({a, User(QStringLiteral("$Killed$"), QStringLiteral("B"), 2), c}));
        WriteBytes(QStringLiteral("TempFile.$$$"), "left by the interrupted compaction");
        FileIo io;
        UserList list(io);
        QVERIFY(list.OpenUserList());
        QCOMPARE(list.UserCount(), qint16(2));
        QVERIFY(list.ReadUserRecord(2));
        QCOMPARE(list.Record().FirstName(), QStringLiteral("Cy"));
        list.CloseUserList();
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), Image({a, c}));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
    }

    // A scratch file an interrupted compaction left behind goes when the files are next opened.
    void staleScratchFileIsRemovedOnOpen() {
        TempDataFolder folder;
        WriteBytes(QStringLiteral("User.List"), Image({User(QStringLiteral("Ann"), QStringLiteral("A"), 4)}));
        for (bool users : {true, false}) {
            WriteBytes(QStringLiteral("TempFile.$$$"), "stale");
            FileIo io;
            if (users) {
                UserList list(io);
                QVERIFY(list.OpenUserList());
                list.CloseUserList();
            } else {
                PersonnelFile file(io);
                QVERIFY(file.OpenPersonnelFile());
                file.ClosePersonnelFile();
            }
            QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
        }
    }

    void removingTheOnlyUserLeavesNoFiles() {
        TempDataFolder folder;
        WriteBytes(QStringLiteral("User.List"), Image({User(QStringLiteral("Ann"), QStringLiteral("A"), 4)}));
        FileIo io;
        UserList list(io);
        QVERIFY(list.OpenUserList());
        QVERIFY(list.RemoveUser(1));
        QVERIFY(!QFile::exists(QStringLiteral("User.List")));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
    }

    void passwordRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("4 letters") << QStringLiteral("abcd") << true << QStringLiteral("abcd");
        QTest::newRow("8 mixed") << QStringLiteral("Ab3dE6g9") << true << QStringLiteral("Ab3dE6g9");
        QTest::newRow("3 chars") << QStringLiteral("ab1") << false << QStringLiteral("ab1");
        QTest::newRow("9 chars") << QStringLiteral("abcde1234") << false << QStringLiteral("abcde1234");
        QTest::newRow("spaces around") << QStringLiteral("  pass1  ") << true << QStringLiteral("pass1");
        QTest::newRow("padded 3") << QStringLiteral("  ab1   ") << false << QStringLiteral("ab1");
        QTest::newRow("inner space") << QStringLiteral("ab cd") << false << QStringLiteral("ab cd");
        QTest::newRow("slash") << QStringLiteral("ab/cd") << false << QStringLiteral("ab/cd");
        QTest::newRow("underscore") << QStringLiteral("ab_cd") << false << QStringLiteral("ab_cd");
        QTest::newRow("hyphen") << QStringLiteral("ab-cd") << false << QStringLiteral("ab-cd");
        QTest::newRow("accented") << QStringLiteral("caf\u00E9") << false << QStringLiteral("caf\u00E9");
        QTest::newRow("empty") << QString() << false << QString();
    }
    void passwordRule() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, trimmed);
        QCOMPARE(IsValidPassword(text), valid);
        QCOMPARE(text, trimmed);
    }

    void scrambledForm() {
        static const QRegularExpression alnum(QStringLiteral("^[0-9A-Za-z]$"));
        QString password = QStringLiteral(" Ab12 ");
        const QString stored = ScramblePassword(password);
        QCOMPARE(password, QStringLiteral("Ab12"));
        QCOMPARE(stored.size(), 8);
        for (int i = 0; i < 8; i += 2)
            QVERIFY2(alnum.match(stored.mid(i, 1)).hasMatch(), qPrintable(stored));
        QCOMPARE(QString() + stored[1] + stored[3] + stored[5] + stored[7], QStringLiteral("Ab12"));
        QString again = stored + QStringLiteral("  ");
        QCOMPARE(UnscramblePassword(again), QStringLiteral("Ab12"));
        QCOMPARE(again, stored);

        // Fillers are drawn afresh: two savings of an 8-character password differ.
        QString longer = QStringLiteral("Zz09Yy18");
        QString copy = longer;
        QVERIFY(ScramblePassword(longer) != ScramblePassword(copy));
    }

    void logLinesRead_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("view");
        const QString at = QStringLiteral("03/07/2026 at 09:05:03 - Ann");
        QTest::newRow("sign-out") << at + QStringLiteral(" logged out.") << true << false;
        QTest::newRow("sign-in") << at + QStringLiteral(" logged in w/ Read Only privileges.") << true << false;
        QTest::newRow("unknown level") << at + QStringLiteral(" logged in w/ Root privileges.") << false << false;
        QTest::newRow("history export")
            << at + QStringLiteral(" took out full SSN/birth years: history export, 1 employee, to 'h.csv'.") << true
            << true;
        QTest::newRow("list printout")
            << at + QStringLiteral(" took out full SSN/birth years: list printout, 40 employees.") << true << true;
        QTest::newRow("unknown view") << at + QStringLiteral(" took out full SSN/birth years: fax, 1 employee.")
                                      << false << false;
        QTest::newRow("1 employees") << at + QStringLiteral(" took out full SSN/birth years: copy, 1 employees.")
                                     << false << false;
        QTest::newRow("level set") << at + QStringLiteral(" changed the sensitive-fields level from 1 to 3.") << true
                                   << false;
        QTest::newRow("level taken over")
            << at + QStringLiteral(" changed the sensitive-fields level from 1 to 2, taken over from this computer's "
                                   "settings.")
            << true << false;
        QTest::newRow("level 5") << at + QStringLiteral(" changed the sensitive-fields level from 1 to 5.") << false
                                 << false;
        QTest::newRow("no user") << QStringLiteral("03/07/2026 at 09:05:03 -  logged out.") << false << false;
        QTest::newRow("no date") << QStringLiteral("02/30/2026 at 09:05:03 - Ann logged out.") << false << false;
        QTest::newRow("no time") << QStringLiteral("03/07/2026 at 24:05:03 - Ann logged out.") << false << false;
    }
    void logLinesRead() {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QFETCH(bool, view);
        bool fullView = true;
        QCOMPARE(IsUserLogLine(line, &fullView), valid);
        QCOMPARE(fullView, view);
    }

    void logLinesAreAppendedExactly() {
        TempDataFolder folder;
        const QString user = QStringLiteral("Zo\u00EB Brown");
        FixedClock clock(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3)));
        FileIo io;
        QVERIFY(WriteUserLogEntry(io, user, 2, 1, clock));
        clock.Set(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
        QVERIFY(WriteUserLogEntry(io, user, 2, 2, clock));
        QVERIFY(WriteUserLogEntry(io, user, 4, 1, clock));
        // A full view of the sensitive fields: a control character in the file's name shows as '?'.
        QVERIFY(WriteFullViewLogEntry(io, user, FullView::ListExport, 12, QStringLiteral("/tmp/a\nb.xlsx"), clock));
        QVERIFY(WriteFullViewLogEntry(io, user, FullView::Copy, 1, {}, clock));
        QVERIFY(WriteFullViewLogEntry(io, user, FullView::UpdateForms, 0, {}, clock));
        QVERIFY(WriteSensitiveLevelLogEntry(io, QStringLiteral("User.Log"), QStringLiteral("jo\tdoe"), 1, 3,
                                            SensitiveLevelChange::TakenOver, clock));
        QCOMPARE(
            ReadFileBytes(QStringLiteral("User.Log")),
            QByteArray(
                "03/07/2026 at 09:05:03 - Zo\xEB Brown logged in w/ Read/Edit privileges.\r\n"
                "12/31/2026 at 23:59:59 - Zo\xEB Brown logged out.\r\n"
                "12/31/2026 at 23:59:59 - Zo\xEB Brown logged in w/ Read/Edit/Add/Delete privileges.\r\n"
                "12/31/2026 at 23:59:59 - Zo\xEB Brown took out full SSN/birth years: list export, 12 employees, "
                "to '/tmp/a?b.xlsx'.\r\n"
                "12/31/2026 at 23:59:59 - Zo\xEB Brown took out full SSN/birth years: copy, 1 employee.\r\n"
                "12/31/2026 at 23:59:59 - Zo\xEB Brown took out full SSN/birth years: update forms, 0 employees.\r\n"
                "12/31/2026 at 23:59:59 - jo?doe changed the sensitive-fields level from 1 to 3, taken over from "
                "this computer's settings.\r\n"));
        struct stat st {};
        QCOMPARE(::stat("User.Log", &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    // The folder's sensitive-fields rule: none ever, kept, or garbled or unreadable and so lost (a
    // missing one is tst_startup's).
    void sensitiveRuleRead_data() {
        QTest::addColumn<QByteArray>("rule"); // null: no file
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("problem");
        const QByteArray set = "03/07/2026 at 09:05:03 - Ann changed the sensitive-fields level from 1 to 3.\r\n";
        const QString read = QStringLiteral("Could not read the file \"Rosterly.Privacy\".\r\n");
        QTest::newRow("never had one") << QByteArray() << QByteArray("x logged out.\r\n") << 0600 << 0 << 1 << QString();
        QTest::newRow("kept") << QByteArray("SensitiveFieldsLevel=3\r\n") << set << 0600 << 1 << 3 << QString();
        const char* garbled[] = {"SensitiveFieldsLevel=5\r\n", "", "Level=2"};
        for (int i = 0; i < 3; ++i)
            QTest::addRow("garbled %d", i)
                << QByteArray(garbled[i]) << QByteArray() << 0600 << 2 << 4
                << read + QStringLiteral("It does not hold a sensitive-fields level from 1 to 4.");
        if (::geteuid() != 0)
            QTest::newRow("unreadable") << QByteArray("SensitiveFieldsLevel=1\r\n") << QByteArray() << 0 << 2 << 4
                                        << read + QStringLiteral("Permission denied.");
    }
    void sensitiveRuleRead() {
        QFETCH(QByteArray, rule);
        QFETCH(QByteArray, log);
        QFETCH(int, mode);
        TempDataFolder folder;
        if (!rule.isNull()) {
            WriteFileBytes(QStringLiteral("Rosterly.Privacy"), rule);
            QFile::setPermissions(QStringLiteral("Rosterly.Privacy"), mode ? QFile::ReadOwner : QFile::Permissions());
        }
        WriteFileBytes(QStringLiteral("User.Log"), log);
        FileIo io;
        const SensitiveRule read = ReadSensitiveRule(io, QStringLiteral("Rosterly.Privacy"), QStringLiteral("User.Log"));
        QTEST(int(read.state), "state");
        QTEST(read.level, "level");
        QTEST(read.problem, "problem");
    }
};

QTEST_GUILESS_MAIN(TestUserFiles)
#include "tst_userfiles.moc"
