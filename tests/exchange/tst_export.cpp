// An employee list as a CSV file, JSON lines and a copied row: the exact bytes, the cells a
// spreadsheet would run, the Social Security column, and a file written whole or not at all.
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "list/listbuilder.h"
#include "support/faultyfileio.h"
#include "support/golden.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = PersonnelField;

namespace {

// Two current employees and a previous one, whom the current list leaves out.
std::vector<PersonnelRecord> Staff() {
    PersonnelRecord anne;
    anne.SetDateCreated(Ole(2024, 3, 5, 12));
    anne.SetFirstName(u"Anne"_s);
    PutRaw(anne, F::LastName, "Bront\xEB"); // ë in Windows-1252
    anne.SetRace(u"W"_s);
    anne.SetSex(u"F"_s);
    anne.SetSocialSecurityNumber(u"123-45-6789"_s);
    anne.SetDateOfBirth(Ole(1980, 1, 17));
    anne.SetDateOfEmployment(Ole(2010, 6, 1));
    anne.SetJobTitle(u"Clerk, \"senior\""_s);
    anne.SetNotepad(u"Line one\r\nLine two"_s);
    anne.SetEmail(u"anne@example.com"_s);
    anne.SetPictureFile(u"/home/anne.jpg"_s);
    anne.SetVersionCreated(10);

    PersonnelRecord carl;
    carl.SetDateCreated(Ole(2023, 3, 15, 6));
    carl.SetDateModified(Ole(2024, 1, 2, 18));
    carl.SetFirstName(u"Carl"_s);
    carl.SetLastName(u"Adams"_s);
    carl.SetRace(u"B"_s);
    carl.SetSex(u"M"_s);
    carl.SetDateOfBirth(Ole(1975, 12, 31));
    carl.SetDateOfEmployment(Ole(2001, 2, 3));
    carl.SetDateOfJobTitle(Ole(2005, 7, 8));

    PersonnelRecord dora = carl;
    dora.SetFirstName(u"Dora"_s);
    dora.SetInactivationDate(Ole(2020, 1, 1));
    return {anne, carl, dora};
}

EmployeeListResult CurrentList(PersonnelFile& file) {
    return BuildEmployeeRows(file, ListQuery{}, Ole(2024, 6, 1), 0);
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    // The SocialSecurityNumber column is always written; below the SensitiveFieldsLevel setting
    // the number shows its last four characters and the date of birth loses its year.
    void csvHoldsTheListInItsOrder_data() {
        QTest::addColumn<int>("user");    // the exporting user's access level
        QTest::addColumn<int>("setting"); // SensitiveFieldsLevel
        QTest::addColumn<QString>("carlsLastName");
        QTest::addColumn<QString>("golden");
        QTest::newRow("no setting: everyone sees everything") << 1 << 1 << u"Adams"_s << u"list.csv"_s;
        QTest::newRow("full access under 4") << 4 << 4 << u"Adams"_s << u"list.csv"_s;
        QTest::newRow("level 2 under 2") << 2 << 2 << u"Adams"_s << u"list.csv"_s;
        QTest::newRow("level 1 under 2") << 1 << 2 << u"Adams"_s << u"list-masked.csv"_s;
        QTest::newRow("level 3 under 4") << 3 << 4 << u"Adams"_s << u"list-masked.csv"_s;
        // Read as the user's language does, "Å" goes with the A's, before "Brontë".
        QTest::newRow("a name sorted as read") << 1 << 1 << u"Ångström"_s << u"list-sorted-as-read.csv"_s;
    }
    void csvHoldsTheListInItsOrder() {
        QFETCH(int, user);
        QFETCH(int, setting);
        QFETCH(QString, carlsLastName);
        QFETCH(QString, golden);
        std::vector<PersonnelRecord> staff = Staff();
        staff[1].SetLastName(carlsLastName);
        TempPersonnelFile file(staff);
        const EmployeeListResult list = CurrentList(file);
        QCOMPARE(list.Rows(), 2);
        QVERIFY(ExportListToCsv(file.io, file, list, {.sensitive = SensitiveFields(user, setting)},
                                u"list.csv"_s));
        COMPARE_GOLDEN(ReadFileBytes(u"list.csv"_s), golden);
        QCOMPARE(FileMode(u"list.csv"_s), 0600);
        QCOMPARE(QDir::current().entryList(QDir::Files), (QStringList{u"list.csv"_s, u"Rosterly.Data"_s}));
    }

    void jsonLinesCarryTheSameValues_data() {
        QTest::addColumn<QString>("jobTitle");
        QTest::addColumn<QString>("golden");
        QTest::newRow("a formula, which a program reads as it is") << u"=1+2"_s << u"anne-formula.jsonl"_s;
        // As the data tool's dump writes them: short escapes where JSON has them, C1 controls too.
        QTest::newRow("control characters") << u"\b\f\x01\x1f\x7f\u0081\"\\"_s << u"anne-controls.jsonl"_s;
    }
    void jsonLinesCarryTheSameValues() {
        QFETCH(QString, jobTitle);
        QFETCH(QString, golden);
        std::vector<PersonnelRecord> staff = Staff();
        staff[0].SetJobTitle(jobTitle);
        TempPersonnelFile file(staff);
        const ExportTable table = ReadExportTable(file, {1}, {});
        QVERIFY(table.status);
        COMPARE_GOLDEN(JsonLines(table), golden);
    }

    void cellsASpreadsheetWouldRunAreGuarded_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("=") << u"=HYPERLINK(\"x\")"_s << QByteArray("\"'=HYPERLINK(\"\"x\"\")\"");
        QTest::newRow("+") << u"+1"_s << QByteArray("'+1");
        QTest::newRow("-") << u"-2+3"_s << QByteArray("'-2+3");
        QTest::newRow("@") << u"@SUM(A1)"_s << QByteArray("'@SUM(A1)");
        QTest::newRow("tab") << u"\t=1"_s << QByteArray("'\t=1");
        QTest::newRow("CR") << u"\r=1"_s << QByteArray("\"'\r=1\"");
        QTest::newRow("apostrophe before =") << u"'=1"_s << QByteArray("''=1");
        QTest::newRow("apostrophe alone") << u"'quoted'"_s << QByteArray("'quoted'");
        QTest::newRow("= inside") << u"a=b"_s << QByteArray("a=b");
    }
    void cellsASpreadsheetWouldRunAreGuarded() {
        QFETCH(QString, title);
        QFETCH(QByteArray, cell);
        PersonnelRecord r;
        r.SetJobTitle(title);
        QCOMPARE(r.JobTitle(), title);
        ExportTable table;
        table.header = QStringList{u"JobTitle"_s};
        table.rows.push_back(QStringList{ExportCells(r.View(), {})[ExportHeader().indexOf(u"JobTitle"_s)]});
        QCOMPARE(CsvBytes(table), "\xEF\xBB\xBFJobTitle\r\n" + cell + "\r\n");
    }

    void copiedRowIsTheHeaderAndTheRowOnTabs() {
        std::vector<PersonnelRecord> staff = Staff();
        staff[0].SetMiddleName(u"-"_s);
        TempPersonnelFile file(staff);
        const EmployeeListResult list = CurrentList(file);
        file.Record() = staff[2]; // the record page's, untouched by a copy
        IoStatus status;
        COMPARE_GOLDEN(CopyListRow(file, list, 1, {}, &status).toUtf8(), u"copied-row.txt"_s);
        QVERIFY(status);
        // A copy leaves the program as the user sees it, as the export does.
        COMPARE_GOLDEN(CopyListRow(file, list, 1, {.sensitive = SensitiveFields(2, 3)}, &status).toUtf8(),
                       u"copied-row-masked.txt"_s);
        QVERIFY(status);
        QVERIFY(file.Record() == staff[2]);
        QCOMPARE(CopyListRow(file, list, 2, {}, &status), QString());
        QVERIFY(status);
    }

    // Each counted call of the write fails in turn: a failure leaves neither the file nor the
    // scratch file, and a file that was there keeps its bytes. A workbook is made in a private
    // folder of the temporary folder ($TMPDIR here), which nothing is left in.
    void writeIsWholeOrNothing_data() {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<bool>("workbook");     // the current list as a workbook, else given bytes
        QTest::addColumn<bool>("pieces");       // the bytes handed to a WholeFileWriter a piece at a time
        QTest::newRow("new file") << QByteArray() << false << false;
        QTest::newRow("replacing a file") << QByteArray("old,list\r\n") << false << false;
        QTest::newRow("new workbook") << QByteArray() << true << false;
        QTest::newRow("replacing a workbook") << QByteArray("PK old") << true << false;
        QTest::newRow("replacing a file, in pieces past the buffer") << QByteArray("old") << false << true;
    }
    void writeIsWholeOrNothing() {
        QFETCH(QByteArray, before);
        QFETCH(bool, workbook);
        QFETCH(bool, pieces);
        const QByteArray tmpdir = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", tmpdir); });
        const QString name = workbook ? u"list.xlsx"_s : u"list.csv"_s;
        const QDateTime created(QDate(2024, 6, 1), QTime(9, 30));
        QByteArray bytes = QByteArray("\xEF\xBB\xBF") + QByteArray(pieces ? 3300000 : 300000, 'x');
        // 1,100 pieces of 1,000 bytes, then the rest (2.2 MB) in one, past the writer's 1 MB buffer.
        const auto writeInPieces = [&](FileIo& io) {
            WholeFileWriter writer(io, name);
            IoStatus s;
            for (qsizetype at = 0; s && at < 1100000; at += 1000)
                s = writer.Append(QByteArrayView(bytes).sliced(at, 1000));
            if (s)
                s = writer.Append(QByteArrayView(bytes).sliced(1100000));
            return s ? writer.Commit() : s;
        };
        int failed = 0;
        for (const auto fault :
             {FaultyFileIo::Fault::Error, FaultyFileIo::Fault::ShortWrite, FaultyFileIo::Fault::DiskFull}) {
            for (int call = 1;; ++call) {
                TempPersonnelFile folder(Staff());
                QVERIFY(QDir().mkdir(u"tmp"_s));
                qputenv("TMPDIR", QFile::encodeName(folder.FilePath(u"tmp"_s)));
                if (workbook)
                    QVERIFY(XlsxBytes(ReadExportTable(folder, {2, 1}, {}), u"Current Employees"_s, created,
                                      name, bytes));
                if (!before.isEmpty())
                    WriteBytes(name, before);
                FaultyFileIo io;
                io.Arm(call, fault);
                const IoStatus status =
                    workbook ? ExportListToXlsx(io, folder, CurrentList(folder), {}, name, created)
                    : pieces ? writeInPieces(io)
                             : WriteWholeFile(io, name, bytes);
                QStringList left = QDir::current().entryList(QDir::Files | QDir::Hidden);
                left.removeOne(u"Rosterly.Data"_s);
                QCOMPARE(QDir(u"tmp"_s).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                         QStringList());
                if (!io.Fired()) {
                    QVERIFY(status);
                    QCOMPARE(ReadFileBytes(name), bytes);
                    QCOMPARE(left, QStringList{name});
                    QCOMPARE(FileMode(name), 0600);
                    break;
                }
                ++failed;
                if (status) {
                    // A short write is completed by the next one.
                    QCOMPARE(fault, FaultyFileIo::Fault::ShortWrite);
                    QCOMPARE(ReadFileBytes(name), bytes);
                    continue;
                }
                QVERIFY(status.Message().startsWith(u"Could not "_s));
                QVERIFY(status.Message().contains(u"the file \""_s + name + u"\"."_s + CrLf));
                QCOMPARE(left, before.isEmpty() ? QStringList() : QStringList{name});
                if (!before.isEmpty())
                    QCOMPARE(ReadFileBytes(name), before);
            }
        }
        QVERIFY(failed >= 3 * (pieces ? 6 : 4)); // create, write (three in pieces), flush, rename
        if (!workbook)
            return;
        // When libxlsxwriter cannot do its part (here: no temporary folder), the file is not written.
        TempPersonnelFile folder(Staff());
        if (!before.isEmpty())
            WriteBytes(name, before);
        qputenv("TMPDIR", QFile::encodeName(folder.FilePath(u"missing"_s)));
        FileIo io;
        QCOMPARE(ExportListToXlsx(io, folder, CurrentList(folder), {}, name, created).Message(),
                 u"Could not write the file \"list.xlsx\".\r\nNo such file or directory."_s);
        const QStringList kept = before.isEmpty() ? QStringList() : QStringList{name};
        QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden),
                 kept + QStringList{u"Rosterly.Data"_s});
        if (!before.isEmpty())
            QCOMPARE(ReadFileBytes(name), before);
        // A list of records the file does not have (built on another file): nothing is made.
        qputenv("TMPDIR", tmpdir);
        QByteArray made = "x";
        QCOMPARE(XlsxRecordsBytes(folder, {1, 9}, {}, {}, created, name, made).Message(),
                 u"Could not read the file \"%1\".\r\nNo data available."_s.arg(folder.DataFileName()));
        QCOMPARE(made, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
