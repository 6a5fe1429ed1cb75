// "Rosterly.Data": counting, reading, writing, appending and removal with compaction.
#include "data/personnelfile.h"
#include "support/faultyfileio.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <sys/stat.h>

namespace {
PersonnelRecord Employee(const QString& first, const QString& last, double inactivation = 0) {
    PersonnelRecord r;
    r.SetDateCreated(46000.5);
    r.SetFirstName(first);
    r.SetLastName(last);
    r.SetRace(QStringLiteral("B"));
    r.SetSex(QStringLiteral("M"));
    r.SetDateOfBirth(25000);
    r.SetDateOfEmployment(40000);
    r.SetInactivationDate(inactivation);
    r.SetVersionCreated(10);
    return r;
}
} // namespace

class TestPersonnelFile : public QObject {
    Q_OBJECT

private slots:
    void missingFileIsCreatedEmptyAndPrivate() {
        TempDataFolder folder;
        const mode_t old = ::umask(0);
        PersonnelFileOnDisk file;
        const IoStatus s = file.OpenPersonnelFile();
        ::umask(old);
        QVERIFY2(s.Ok(), qPrintable(s.Message()));
        QCOMPARE(file.RecordCount(), 0);
        QCOMPARE(file.CurrentCount(), 0);
        QCOMPARE(file.PreviousCount(), 0);
        file.ClosePersonnelFile();
        QCOMPARE(QFileInfo(QStringLiteral("Rosterly.Data")).size(), 0);
        QCOMPARE(FileMode(QStringLiteral("Rosterly.Data")), 0600);
    }

    void appendingWritesExactBytes() {
        TempDataFolder folder;
        PersonnelFileOnDisk file;
        QVERIFY(file.OpenPersonnelFile());
        file.Record() = Employee(QStringLiteral("Ann"), QStringLiteral("Smith"));
        QVERIFY(file.AppendPersonnelRecord());
        QCOMPARE(file.RecordCount(), 1);
        file.Record() = Employee(QStringLiteral("Bob"), QStringLiteral("Jones"), 45000);
        QVERIFY(file.AppendPersonnelRecord());
        file.ClosePersonnelFile();
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")),
                 Image({Employee(QStringLiteral("Ann"), QStringLiteral("Smith")),
                        Employee(QStringLiteral("Bob"), QStringLiteral("Jones"), 45000)}));
    }

    void openCountsAndLeavesTheLastRecordInTheBuffer() {
        TempPersonnelFile file({Employee(QStringLiteral("A"), QStringLiteral("One")),
                                Employee(QStringLiteral("B"), QStringLiteral("Two"), 44000),
                                Employee(QStringLiteral("C"), QStringLiteral("Three")),
                                Employee(QStringLiteral("D"), QStringLiteral("Four"), 44001.5),
                                Employee(QStringLiteral("E"), QStringLiteral("Five"))});
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), 5);
        QCOMPARE(file.CurrentCount(), 3);
        QCOMPARE(file.PreviousCount(), 2);
        QCOMPARE(file.Record().LastName(), QStringLiteral("Five"));

        // Reading by number; a record past the end reads blank.
        QVERIFY(file.ReadPersonnelRecord(2));
        QCOMPARE(file.Record().FirstName(), QStringLiteral("B"));
        QVERIFY(file.ReadPersonnelRecord(6));
        QCOMPARE(file.Record(), PersonnelRecord());
    }

    void emptyFileLeavesTheBufferAlone() {
        TempDataFolder folder;
        PersonnelFileOnDisk file;
        file.Record() = Employee(QStringLiteral("Keep"), QStringLiteral("Me"));
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.Record().FirstName(), QStringLiteral("Keep"));
    }

    void writingInPlaceTouchesOnlyThatRecord() {
        const PersonnelRecord a = Employee(QStringLiteral("A"), QStringLiteral("One"));
        const PersonnelRecord c = Employee(QStringLiteral("C"), QStringLiteral("Three"));
        TempPersonnelFile file({a, Employee(QStringLiteral("B"), QStringLiteral("Two")), c});
        QVERIFY(file.OpenPersonnelFile());
        QVERIFY(file.ReadPersonnelRecord(2));
        file.Record().SetJobTitle(QStringLiteral("Clerk"));
        file.Record().SetDateModified(46001.25);
        const PersonnelRecord b2 = file.Record();
        QVERIFY(file.WritePersonnelRecord(2));
        QCOMPARE(file.RecordCount(), 3);
        // A number beyond RecordCount + 1 would leave a hole: refused, nothing written.
        const IoStatus s = file.WritePersonnelRecord(5);
        QVERIFY(!s.Ok());
        QVERIFY(s.Message().contains(QStringLiteral("Rosterly.Data")));
        file.ClosePersonnelFile();
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")), Image({a, b2, c}));
    }

    void removingTheMiddleOfThree() {
        const PersonnelRecord a = Employee(QStringLiteral("A"), QStringLiteral("One"));
        const PersonnelRecord c = Employee(QStringLiteral("C"), QStringLiteral("Three"), 44000);
        TempPersonnelFile file({a, Employee(QStringLiteral("B"), QStringLiteral("Two")), c});
        QVERIFY(file.OpenPersonnelFile());
        const IoStatus s = file.RemovePersonnelRecord(2);
        QVERIFY2(s.Ok(), qPrintable(s.Message()));
        QVERIFY(!file.IsOpen());
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")), Image({a, c}));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
        QCOMPARE(FileMode(QStringLiteral("Rosterly.Data")), 0600);
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), 2);
        QVERIFY(file.ReadPersonnelRecord(2));
        QCOMPARE(file.Record().FirstName(), QStringLiteral("C"));
    }

    void removingTheOnlyEmployeeLeavesNoFile() {
        TempPersonnelFile file({Employee(QStringLiteral("A"), QStringLiteral("One"))});
        QVERIFY(file.OpenPersonnelFile());
        QVERIFY(file.RemovePersonnelRecord(1));
        QVERIFY(!QFile::exists(QStringLiteral("Rosterly.Data")));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), 0);
        QVERIFY(QFile::exists(QStringLiteral("Rosterly.Data")));
    }

    void staleScratchFileContributesNothing() {
        TempDataFolder folder;
        const PersonnelRecord a = Employee(QStringLiteral("A"), QStringLiteral("One"));
        WriteBytes(QStringLiteral("TempFile.$$$"),
                   Image({Employee(QStringLiteral("Old"), QStringLiteral("X")),
                          Employee(QStringLiteral("Old"), QStringLiteral("Y")),
                          Employee(QStringLiteral("Old"), QStringLiteral("Z"))}));
        WriteBytes(QStringLiteral("Rosterly.Data"),
                   Image({a, Employee(QStringLiteral("B"), QStringLiteral("Two"))}));
        PersonnelFileOnDisk file;
        QVERIFY(file.OpenPersonnelFile());
        QVERIFY(file.RemovePersonnelRecord(2));
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")), Image({a}));
    }

    void interruptedRemovalIsCompletedOnOpen() {
        const PersonnelRecord a = Employee(QStringLiteral("A"), QStringLiteral("One"));
        const PersonnelRecord c = Employee(QStringLiteral("C"), QStringLiteral("Three"));
        TempPersonnelFile file({a, Employee(QStringLiteral("$Killed$"), QStringLiteral("Two")), c});
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), 2);
        QCOMPARE(file.CurrentCount(), 2);
        file.ClosePersonnelFile();
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")), Image({a, c}));
    }

    // Many records appended as one change: a crash after they were flushed but before the
    // journal went leaves them to be cut off at the next open, for the list or in full, but only
    // from the file they were appended to.
    void interruptedAppendIsCutOffOnOpen_data() {
        QTest::addColumn<bool>("forScan");
        QTest::addColumn<QString>("meanwhile"); // "", "restored" or "journal lost"
        QTest::newRow("full open") << false << QString();
        QTest::newRow("open for a scan") << true << QString();
        QTest::newRow("file restored meanwhile") << false << QStringLiteral("restored");
        QTest::newRow("journal's text never flushed") << false << QStringLiteral("journal lost");
        // The torn record is written over, as a single append does; what came before is the mark.
        QTest::newRow("torn last record") << false << QStringLiteral("torn");
    }
    void interruptedAppendIsCutOffOnOpen() {
        QFETCH(bool, forScan);
        QFETCH(QString, meanwhile);
        TempDataFolder folder;
        const QByteArray before = Image({Employee(QStringLiteral("A"), QStringLiteral("One")),
                                         Employee(QStringLiteral("B"), QStringLiteral("Two"))});
        const QByteArray torn(2000, 'g');
        QByteArray expected = before;
        WriteBytes(QStringLiteral("Rosterly.Data"),
                   meanwhile == QStringLiteral("torn") ? before + torn : before);
        // Dies after the flush: neither the journal's removal nor the cut back happen.
        struct DyingIo : FileIo {
            int Remove(const QString&) override { return -1; }
            int Truncate(int, off_t) override { return -1; }
        } dying;
        {
            PersonnelFile file(dying);
            QVERIFY(file.OpenPersonnelFile());
            QVERIFY(!file.AppendPersonnelRecords(3, [](qint32 i, PersonnelRecord& r) {
                r = Employee(QStringLiteral("New%1").arg(i), QStringLiteral("Row"));
            }));
        }
        QCOMPARE(QFileInfo(QStringLiteral("Rosterly.Data")).size(), 5 * PersonnelRecordLength);
        if (meanwhile == QStringLiteral("torn"))
            expected =
                before + Image({Employee(QStringLiteral("New0"), QStringLiteral("Row"))}).left(torn.size());
        QVERIFY(QFile::exists(QStringLiteral("Append.$$$")));
        if (meanwhile == QStringLiteral("restored")) {
            expected = Image({Employee(QStringLiteral("R"), QStringLiteral("One")),
                              Employee(QStringLiteral("R"), QStringLiteral("Two")),
                              Employee(QStringLiteral("R"), QStringLiteral("Three")),
                              Employee(QStringLiteral("R"), QStringLiteral("Four"))});
            WriteBytes(QStringLiteral("Rosterly.Data"), expected);
        } else if (meanwhile == QStringLiteral("journal lost")) {
            expected = ReadFileBytes(QStringLiteral("Rosterly.Data"));
            WriteBytes(QStringLiteral("Append.$$$"), QByteArray());
        }

        PersonnelFileOnDisk file;
        QVERIFY(forScan ? file.OpenPersonnelFileUncounted() : file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), qint32(expected.size() / PersonnelRecordLength));
        file.ClosePersonnelFile();
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")), expected);
        QVERIFY(!QFile::exists(QStringLiteral("Append.$$$")));
    }

    void malformedLengthsAreCountedAndReadSafely_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("count");
        QTest::newRow("2499 bytes") << 2499 << 0;
        QTest::newRow("half a record rounds to even (0)") << 2500 << 0;
        QTest::newRow("one and a half round to 2") << 7500 << 2;
        QTest::newRow("two and a half round to 2") << 12500 << 2;
        QTest::newRow("7400 bytes") << 7400 << 1;
        QTest::newRow("7600 bytes") << 7600 << 2;
    }
    void malformedLengthsAreCountedAndReadSafely() {
        QFETCH(int, length);
        QFETCH(int, count);
        TempDataFolder folder;
        QByteArray bytes = Image({Employee(QStringLiteral("A"), QStringLiteral("One")),
                                  Employee(QStringLiteral("B"), QStringLiteral("Two")),
                                  Employee(QStringLiteral("C"), QStringLiteral("Three"))});
        bytes.truncate(length);
        WriteBytes(QStringLiteral("Rosterly.Data"), bytes);
        PersonnelFileOnDisk file;
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), count);
        QCOMPARE(file.CurrentCount() + file.PreviousCount(), count);
        for (int n = 1; n <= count + 1; ++n)
            QVERIFY(file.ReadPersonnelRecord(n));
        if (length == 7600) {
            // The torn second record keeps its 2600 bytes and is completed as blank.
            QVERIFY(file.ReadPersonnelRecord(2));
            QCOMPARE(file.Record().FirstName(), QStringLiteral("B"));
            QCOMPARE(file.Record().Notepad(), QString());
            QCOMPARE(file.Record().VersionCreated(), qint16(0));
        }
    }

    // The version a record was added by: the two numbers one after the other, not major x 10 +
    // minor, which reads 72 for 6.12.
    void versionStampWritesTheNumbersSideBySide_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("stamp");
        QTest::newRow("1.0") << 1 << 0 << 10;
        QTest::newRow("6.12") << 6 << 12 << 612;
        QTest::newRow("2.5") << 2 << 5 << 25;
        QTest::newRow("10.1") << 10 << 1 << 101;
    }
    void versionStampWritesTheNumbersSideBySide() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, stamp);
        QCOMPARE(VersionCreatedStamp(major, minor), qint16(stamp));
    }

    // A long file is scanned with the next block read while this one is visited: every record
    // comes once and in order, a torn last record is completed, and a failed read ends the scan
    // with its error after exactly the records read before it, the reader thread joined.
    void scanReadingAheadVisitsEachRecordOnceInOrder_data() {
        QTest::addColumn<int>("tornBytes");
        QTest::addColumn<int>("failedRead"); // 0: none
        QTest::addColumn<int>("visited");
        constexpr int perBlock = (1 << 20) / PersonnelRecordLength;
        QTest::newRow("whole records") << 0 << 0 << 1500;
        QTest::newRow("torn last record") << 4000 << 0 << 1501;
        QTest::newRow("first read fails") << 0 << 1 << 0;
        QTest::newRow("third read fails") << 0 << 3 << 2 * perBlock;
        QTest::newRow("last read fails") << 0 << 8 << 7 * perBlock;
    }
    void scanReadingAheadVisitsEachRecordOnceInOrder() {
        QFETCH(int, tornBytes);
        QFETCH(int, failedRead);
        QFETCH(int, visited);
        TempDataFolder folder;
        QByteArray bytes;
        for (int n = 1; n <= 1500; ++n) {
            PersonnelRecord r;
            r.SetFirstName(QString::number(n));
            bytes.append(r.data(), PersonnelRecordLength);
        }
        bytes.append(QByteArray(tornBytes, 'x'));
        WriteBytes(QStringLiteral("Rosterly.Data"), bytes);
        FaultyFileIo io;
        PersonnelFile file(io);
        QVERIFY(file.OpenPersonnelFileUncounted());
        if (failedRead > 0)
            io.Arm(failedRead, FaultyFileIo::Fault::Error);
        QList<qint32> seen;
        bool contentsMatch = true;
        const IoStatus status = file.ScanRecords([&](qint32 n, PersonnelRecordView r) {
            seen << n;
            const QString expected = n <= 1500 ? QString::number(n) : QStringLiteral("xxxxxxxxxxxxxxx");
            contentsMatch = contentsMatch && r.FirstName().trimmed() == expected;
        });
        file.ClosePersonnelFile();
        QCOMPARE(status.Ok(), failedRead == 0);
        QCOMPARE(seen.size(), visited);
        for (int i = 0; i < seen.size(); ++i)
            QCOMPARE(seen[i], qint32(i + 1));
        QVERIFY(contentsMatch);
        if (failedRead > 0)
            QCOMPARE(io.Calls(), failedRead); // nothing read past the failure
    }

    void garbageFileNeverCrashes() {
        TempDataFolder folder;
        QByteArray junk(3 * PersonnelRecordLength + 123, '\0');
        quint32 x = 12345;
        for (char& ch : junk) {
            x = x * 1103515245u + 12345u;
            ch = static_cast<char>(x >> 24);
        }
        WriteBytes(QStringLiteral("Rosterly.Data"), junk);
        PersonnelFileOnDisk file;
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.RecordCount(), 3);
        int seen = 0;
        QVERIFY(file.ScanRecords([&](qint32, PersonnelRecordView r) {
            ++seen;
            QCOMPARE(r.LastName().size() <= 20, true);
        }));
        QCOMPARE(seen, 3);
    }
};

QTEST_GUILESS_MAIN(TestPersonnelFile)
#include "tst_personnelfile.moc"
