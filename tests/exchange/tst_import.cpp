// Employees from a CSV file or a workbook: a good file appends exactly its rows, any fault refuses
// the whole file with its line and column, oversized files are refused unread, and an exported list imports
// back to the same records.
#include "core/version.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "exchange/exportlist.h"
#include "exchange/importduplicates.h"
#include "exchange/importplan.h"
#include "exchange/importxlsx.h"
#include "support/countingfileio.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"
#include "support/zipparts.h"

#include <QtTest>

#include <numeric>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using F = PersonnelField;

namespace {

const FixedClock ImportClock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));

PersonnelRecord Existing() {
    PersonnelRecord r;
    r.SetDateCreated(45000.5);
    r.SetFirstName(u"Old"_s);
    r.SetLastName(u"Timer"_s);
    r.SetRace(u"W"_s);
    r.SetSex(u"M"_s);
    r.SetDateOfBirth(Ole(1950, 1, 1));
    r.SetDateOfEmployment(Ole(1990, 1, 1));
    r.SetVersionCreated(10);
    return r;
}

// Zoë Lee, who left in 2020.
PersonnelRecord Previous() {
    PersonnelRecord r = Existing();
    r.SetFirstName(u"Zo\u00EB"_s);
    r.SetLastName(u"Lee"_s);
    r.SetDateOfBirth(Ole(1980, 1, 1));
    r.SetInactivationDate(Ole(2020, 6, 30));
    return r;
}

// What an imported employee starts from: created at the clock's time by this version.
PersonnelRecord Imported() {
    PersonnelRecord r;
    r.SetDateCreated(ImportClock.NowOle());
    r.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
    return r;
}

const QByteArray Header = "FirstName,LastName,Race,Sex,DateOfBirth,DateOfEmployment,SocialSecurityNumber,"
                          "DateOfJobTitle,InactivationDate,StreetAddress,Notepad\r\n";
const QByteArray GoodRow = "Ann,Lee,W,F,1980-01-01,2010-01-01,,,,,\r\n";

const char* const NotUtf8 =
    "The file is not UTF-8 text. In your spreadsheet, save it as \"CSV UTF-8 (Comma delimited)\" (Excel) "
    "or choose the character set \"Unicode (UTF-8)\" (LibreOffice).";

// Two employees as a spreadsheet saves them with `separator`, the first one's notepad on lines 2
// and 3.
QString SpreadsheetText(QChar separator) {
    return u"FirstName|LastName|Race|Sex|DateOfBirth|DateOfEmployment|Notepad\r\n"
           u"Zo\u00EB|Lee|W|F|1980-01-01|2010-01-01|\"Two\r\nlines\"\r\n"
           u"Bo|Li|B|M|1970-02-03|2001-01-01|\r\n"_s.replace(u'|', separator);
}

QByteArray Encoded(QStringConverter::Encoding encoding, const QString& text) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// A zip archive of `parts` (name, bytes), as a workbook is one.
QByteArray Zip(const std::vector<std::pair<QString, QByteArray>>& parts) {
    return ZipOf(parts);
}

// How a spreadsheet may store the texts and dates of a sheet.
enum class Cells {
    Shared,         // texts in the shared table (one in rich-text runs with a phonetic guide, a CR
                    // escaped as _x000D_), dates as serial numbers with a built-in date format
    Inline1904,     // texts inline, dates counted from 1904 with a format code of the workbook's own
    StringsIsoDates // texts as a formula's results, dates as ISO 8601 date cells
};

// SpreadsheetText's two employees as a workbook's first sheet, stored as `how` says. `rows` are
// the rows' numbers (the header's first); `extra` is put in the last row, and `from` is replaced
// by `to` in the sheet and its texts.
QByteArray SpreadsheetWorkbook(Cells how, const QList<int>& rows = {1, 2, 3}, const QByteArray& extra = {},
                               const QByteArray& from = {}, const QByteArray& to = {}) {
    const QList<QStringList> table = {
        {u"FirstName"_s, u"LastName"_s, u"Race"_s, u"Sex"_s, u"DateOfBirth"_s, u"DateOfEmployment"_s,
         u"Notepad"_s},
        {u"Zo\u00EB"_s, u"Lee"_s, u"W"_s, u"F"_s, u"1980-01-01"_s, u"2010-01-01"_s, u"Two\r\nlines"_s},
        {u"Bo"_s, u"Li"_s, u"B"_s, u"M"_s, u"1970-02-03"_s, u"2001-01-01"_s, {}}};
    QByteArray sheet;
    QByteArray strings;
    int shared = 0;
    for (qsizetype r = 0; r < table.size(); ++r) {
        const QByteArray number = QByteArray::number(rows[r]);
        sheet += "<row r=\"" + number + "\" spans=\"1:7\">";
        for (qsizetype c = 0; c < table[r].size(); ++c) {
            const QString& text = table[r][c];
            if (text.isEmpty())
                continue; // spreadsheets leave empty cells out
            const QByteArray ref = ColumnLetters(c).toLatin1() + number;
            const QDate date = QDate::fromString(text, Qt::ISODate);
            if (date.isValid()) {
                const double serial = DateToOle(date);
                sheet += how == Cells::Shared
                             ? "<c r=\"" + ref + "\" s=\"1\"><v>" + QByteArray::number(serial) + "</v></c>"
                         : how == Cells::Inline1904
                             ? "<c r=\"" + ref + "\" s=\"2\" t=\"n\"><v>" +
                                   QByteArray::number(serial - 1462) + "</v></c>"
                             : "<c r=\"" + ref + "\" t=\"d\"><v>" + text.toLatin1() + "T00:00:00</v></c>";
                continue;
            }
            QByteArray escaped = text.toHtmlEscaped().toUtf8();
            if (how == Cells::Shared) {
                escaped.replace("\r", "_x000D_");
                strings += text == u"Zo\u00EB"_s
                               ? QByteArray("<si><r><t>Zo</t></r><r><rPr><b/></rPr><t>\xC3\xAB</t></r>"
                                            "<rPh sb=\"0\" eb=\"2\"><t>zo</t></rPh></si>")
                               : "<si><t xml:space=\"preserve\">" + escaped + "</t></si>";
                sheet += "<c r=\"" + ref + "\" t=\"s\"><v>" + QByteArray::number(shared++) + "</v></c>";
            } else if (how == Cells::Inline1904) {
                sheet += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + escaped + "</t></is></c>";
            } else {
                sheet += "<c r=\"" + ref + "\" t=\"str\"><f>A1</f><v>" + escaped + "</v></c>";
            }
        }
        sheet += (r + 1 == table.size() ? extra : QByteArray()) + "</row>";
        // A row of formatted empty cells, as a spreadsheet keeps after a row's text was deleted.
        if (r == 1 && rows[2] > rows[1] + 1)
            sheet += "<row r=\"" + QByteArray::number(rows[1] + 1) + "\"><c r=\"A" +
                     QByteArray::number(rows[1] + 1) + "\" s=\"1\"/></row>";
    }
    if (!from.isEmpty()) {
        sheet.replace(from, to);
        strings.replace(from, to);
    }
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<std::pair<QString, QByteArray>> parts = {
        {u"_rels/.rels"_s, "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                               "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {u"xl/workbook.xml"_s, "<workbook " + ns + " xmlns:r=\"" + rel + "\">" +
                                   (how == Cells::Inline1904 ? "<workbookPr date1904=\"1\"/>" : "") +
                                   "<sheets><sheet name=\"Staff\" sheetId=\"1\" r:id=\"rId7\"/>"
                                   "<sheet name=\"Other\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>"},
        {u"xl/_rels/workbook.xml.rels"_s,
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId7\" Type=\"" +
             rel +
             "/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" +
             rel +
             "/styles\" Target=\"styles.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" +
             rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {u"xl/styles.xml"_s,
         "<styleSheet " + ns +
             "><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
             "formatCode=\"[$-409]dd/mm/yyyy;@\"/></numFmts><cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/>"
             "</cellStyleXfs><cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" "
             "applyNumberFormat=\"1\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>"},
        {u"xl/sharedStrings.xml"_s, "<sst " + ns + ">" + strings + "</sst>"},
        {u"xl/worksheets/sheet1.xml"_s, "<worksheet " + ns + "><sheetData/></worksheet>"},
        {u"xl/worksheets/sheet2.xml"_s,
         "<worksheet " + ns + "><sheetData>" + sheet + "</sheetData></worksheet>"}};
    return Zip(parts);
}

// SpreadsheetText's two employees as an OpenDocument spreadsheet's first sheet, as LibreOffice
// writes it: a header row, Zoë's row (a comment, a name in two spans, dates shown otherwise than
// stored, the notepad in two paragraphs), `between`, Bo's row, then empty rows repeated to the
// sheet's last row; a second sheet is never read. `edits` replace texts of content.xml (from, to).
QByteArray OdsWorkbook(const QByteArray& between = {},
                       const std::vector<std::pair<QByteArray, QByteArray>>& edits = {}) {
    const auto text = [](const QByteArray& paragraphs) {
        return "<table:table-cell office:value-type=\"string\" calcext:value-type=\"string\">" + paragraphs +
               "</table:table-cell>";
    };
    const auto date = [](const QByteArray& iso) {
        return "<table:table-cell office:value-type=\"date\" office:date-value=\"" + iso +
               "\"><text:p>01/01/80</text:p></table:table-cell>";
    };
    QByteArray header = "<table:table-row>";
    for (const char* name :
         {"FirstName", "LastName", "Race", "Sex", "DateOfBirth", "DateOfEmployment", "Notepad"})
        header += text("<text:p>" + QByteArray(name) + "</text:p>");
    QByteArray sheet =
        "<table:table table:name=\"Staff\"><table:table-column table:number-columns-repeated=\"7\"/>"
        "<table:table-header-rows>" +
        header +
        "<table:table-cell table:number-columns-repeated=\"16377\"/></table:table-row>"
        "</table:table-header-rows><table:table-row table:style-name=\"ro1\">" +
        text("<office:annotation><text:p>a comment</text:p></office:annotation><text:p>Zo<text:span "
             "text:style-name=\"T1\">\xC3\xAB</text:span></text:p>") +
        text("<text:p>Lee</text:p>") + text("<text:p>W</text:p>") + text("<text:p>F</text:p>") +
        date("1980-01-01") + date("2010-01-01T00:00:00") +
        text("<text:p>Two</text:p><text:p>lines</text:p>") + "</table:table-row>" + between +
        "<table:table-row>" +
        "<table:table-cell office:value-type=\"string\" office:string-value=\"Bo\"><text:p>B.</text:p>"
        "</table:table-cell>" +
        text("<text:p>Li</text:p>") + text("<text:p>B</text:p>") + text("<text:p>M</text:p>") +
        date("1970-02-03") + date("2001-01-01") +
        "<table:covered-table-cell/><table:table-cell "
        "table:number-columns-repeated=\"16377\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048573\"><table:table-cell "
        "table:number-columns-repeated=\"16384\"/></table:table-row></table:table>"
        "<table:table table:name=\"Other\"><table:table-row>" +
        text("<text:p>Other</text:p>") + "</table:table-row></table:table>";
    QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
        "<office:body><office:spreadsheet>" +
        sheet + "</office:spreadsheet></office:body></office:document-content>";
    for (const auto& [from, to] : edits)
        content.replace(from, to);
    return Zip(
        {{u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet"}, {u"content.xml"_s, content}});
}

// What Excel saves for a workbook with a password: an OLE compound file (its 512-byte header, then
// sectors) whose directory holds the stream "EncryptedPackage" (its name in UTF-16, the name's
// length in bytes at 0x40, the type "stream" at 0x42).
QByteArray EncryptedWorkbook() {
    QByteArray bytes = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1016, '\0');
    QByteArray entry(128, '\0');
    const QByteArray name = QByteArray("EncryptedPackage");
    for (qsizetype i = 0; i < name.size(); ++i)
        entry[2 * i] = name[i];
    entry[0x40] = 34;
    entry[0x42] = 2;
    bytes.replace(512 + 128, 128, entry);
    return bytes;
}

// Runs `work` in a child process whose address space may grow by no more than `megabytes` past
// what it holds at the start: true when `work` ran to its end within that and returned true.
bool WithinMemory(qint64 megabytes, const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        long pages = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t limit =
            rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + rlim_t(megabytes) * 1024 * 1024;
        const rlimit cap{limit, limit};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &cap) != 0)
            ::_exit(3);
        try {
            ::_exit(work() ? 0 : 1);
        } catch (const std::bad_alloc&) {
            ::_exit(2);
        }
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A workbook of a header and `rows` employees, each row ended by `extra` (its row number for %1).
QByteArray ManyRows(int rows, const QByteArray& extra = {}) {
    QByteArray sheet = "<worksheet><sheetData><row r=\"1\">";
    const char* const header[] = {"LastName",    "FirstName",        "Race",   "Sex",
                                  "DateOfBirth", "DateOfEmployment", "Notepad"};
    for (const char* name : header)
        sheet += "<c t=\"inlineStr\"><is><t>" + QByteArray(name) + "</t></is></c>";
    sheet += "</row>";
    for (int r = 2; r <= rows + 1; ++r) {
        const QByteArray n = QByteArray::number(r);
        sheet += "<row r=\"" + n + "\"><c t=\"inlineStr\"><is><t>Last" + n +
                 "</t></is></c><c t=\"inlineStr\"><is><t>First</t></is></c><c t=\"inlineStr\"><is><t>W</t>"
                 "</is></c><c t=\"inlineStr\"><is><t>F</t></is></c><c t=\"d\"><v>1980-01-01</v></c>"
                 "<c t=\"d\"><v>2010-01-01</v></c>"
                 "<c t=\"inlineStr\"><is><t>" +
                 QByteArray(60, 'n') + "</t></is></c>" + QByteArray(extra).replace("%1", n) + "</row>";
    }
    return Zip({{u"xl/workbook.xml"_s, "<workbook><sheets><sheet/></sheets></workbook>"},
                {u"xl/worksheets/sheet1.xml"_s, sheet + "</sheetData></worksheet>"}});
}

// A file whose second employee is `row`.
QByteArray SecondRow(const QByteArray& row) {
    return Header + GoodRow + row + "\r\n";
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void goodFileAppendsExactlyItsRows() {
        TempPersonnelFile file({Existing()});
        // Columns in an order of their own, LF row ends, no byte-order mark, dates as a user types
        // them, a guarded cell, a notepad with a bare LF, the program's own columns ignored, headers
        // as the record page's captions and as people write them.
        const QByteArray csv =
            "Last Name,FirstName,Race,Sex,Date of Birth,DateOfEmployment,Notepad,job_title,InactivationDate,"
            "DateCreated,Social Security #,VersionCreated,Emergency Contact Number\n"
            "  Mu\xC3\xB1oz ,Ana,w,f ,1985-04-09,03/15/2012,\"Keys: front\ndoor\",'=Lead,,1999-01-01 "
            "00:00:00,"
            "123-45-6789,3,555-0100\n"
            "O'Brien,Se\xC3\xA1n,B,M,\"March 7, 1968\",2001-2-3,,Clerk,2020-12-31,,,,";
        const ImportPlan plan = PlanImport(csv);
        QCOMPARE(plan.ErrorText(), QString());
        QVERIFY(plan.Ok());
        QCOMPARE(plan.Rows(), 2);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), Image({Existing()})); // planning writes nothing

        QVERIFY(ApplyImport(file, plan, AllImportRowsAdded(plan), ImportClock));

        PersonnelRecord ana = Imported();
        ana.SetLastName(u"Muñoz"_s);
        ana.SetFirstName(u"Ana"_s);
        ana.SetRace(u"W"_s);
        ana.SetSex(u"F"_s);
        ana.SetDateOfBirth(Ole(1985, 4, 9));
        ana.SetDateOfEmployment(Ole(2012, 3, 15));
        ana.SetNotepad(u"Keys: front\r\ndoor"_s);
        ana.SetJobTitle(u"=Lead"_s);
        ana.SetSocialSecurityNumber(u"123-45-6789"_s);
        ana.SetEmergencyPhone(u"555-0100"_s);
        PersonnelRecord sean = Imported();
        sean.SetLastName(u"O'Brien"_s);
        sean.SetFirstName(u"Seán"_s);
        sean.SetRace(u"B"_s);
        sean.SetSex(u"M"_s);
        sean.SetDateOfBirth(Ole(1968, 3, 7));
        sean.SetDateOfEmployment(Ole(2001, 2, 3));
        sean.SetJobTitle(u"Clerk"_s);
        sean.SetInactivationDate(Ole(2020, 12, 31));
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), Image({Existing(), ana, sean}));

        // An employee with an inactivation date is a previous one.
        QVERIFY(file.OpenPersonnelFile());
        QCOMPARE(file.CurrentCount(), 2);
        QCOMPARE(file.PreviousCount(), 1);
        file.ClosePersonnelFile();
    }

    void anyFaultRefusesTheWholeFile_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("message");
        const auto header = [](const char* from, const char* to) {
            return QByteArray(Header).replace(from, to) + GoodRow;
        };
        const auto row = [](const char* name, const QByteArray& csv, int row, const char* column,
                            const char* message) {
            QTest::newRow(name) << csv << row << QString::fromUtf8(column) << QString::fromUtf8(message);
        };
        row("empty file", "", 0, "", "The file is empty.");
        row("byte-order mark alone", "\xEF\xBB\xBF", 0, "", "The file is empty.");
        row("header alone", Header, 0, "", "The file holds a header but no employees.");
        row("unknown column", header("StreetAddress", "Nickname"), 1, "Nickname",
            "The header has an unknown column 'Nickname'.");
        row("misspelt name", header("StreetAddress", "Stret Adress"), 1, "Stret Adress",
            "The header has an unknown column 'Stret Adress'; did you mean 'StreetAddress'?");
        row("two names as near", header("StreetAddress", "Home/Cell Phone"), 1, "Home/Cell Phone",
            "The header has an unknown column 'Home/Cell Phone'; did you mean 'HomePhone' or 'CellPhone'?");
        row("emergency caption alone", header("StreetAddress", "Name"), 1, "Name",
            "The header has an unknown column 'Name'; did you mean 'EmergencyName'?");
        row("caption of a column named", header("StreetAddress", "RACE"), 1, "RACE",
            "The header has the column 'RACE' twice.");
        row("picture path", header("StreetAddress", "PictureFile"), 1, "PictureFile",
            "The header has an unknown column 'PictureFile'.");
        row("column twice", header("StreetAddress", "Race"), 1, "Race",
            "The header has the column 'Race' twice.");
        row("required column missing", header("DateOfBirth", "EmployeeNumber"), 1, "DateOfBirth",
            "The header has no column 'DateOfBirth'.");
        row("header not UTF-8", header("Notepad", "Notep\xE4"), 0, "", NotUtf8);
        row("too few cells", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,"), 3, "",
            "Line 3 has 10 cells; the header has 11.");
        row("too many cells", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,,,"), 3, "",
            "Line 3 has 12 cells; the header has 11.");
        row("quote never closed", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,,\"open"), 3, "Notepad",
            "Line 3, column 'Notepad': a quoted cell is never closed.");
        row("quote inside a cell", SecondRow("Bo,L\"i,W,M,1980-01-01,2010-01-01,,,,,"), 3, "LastName",
            "Line 3, column 'LastName': a quote stands inside a cell that does not start with one.");
        row("text after the closing quote", SecondRow("\"Bo\"x,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3,
            "FirstName", "Line 3, column 'FirstName': text follows the closing quote of a quoted cell.");
        row("lone CR", SecondRow("Bo\rx,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3, "FirstName",
            "Line 3, column 'FirstName': a CR without LF stands outside quotes.");
        row("cell over the limit",
            SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,,\"" + QByteArray(MaxImportCellBytes + 1, 'x') +
                      "\""),
            3, "Notepad", "Line 3, column 'Notepad': the cell is longer than 65536 bytes.");
        row("not UTF-8",
            SecondRow("B\xE9"
                      "a,Li,W,M,1980-01-01,2010-01-01,,,,,"),
            0, "", NotUtf8);
        row("removal mark", SecondRow("$Killed$,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3, "FirstName",
            "Line 3, column 'FirstName': '$Killed$' can't be used as a first name; the program uses it to "
            "mark "
            "records being removed.");
        row("tab in a name", SecondRow("Bo\tX,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3, "FirstName",
            "Line 3, column 'FirstName' holds a tab or a line break; a name is one line.");
        row("line break in a name", SecondRow("Bo,\"Li\r\nX\",W,M,1980-01-01,2010-01-01,,,,,"), 3, "LastName",
            "Line 3, column 'LastName' holds a tab or a line break; a name is one line.");
        row("no first name", SecondRow(" ,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3, "FirstName",
            "Line 3, column 'FirstName' is empty; the name is required.");
        row("race", SecondRow("Bo,Li,X,M,1980-01-01,2010-01-01,,,,,"), 3, "Race",
            "Line 3, column 'Race': 'X' is not W, B, H, A or O.");
        row("sex", SecondRow("Bo,Li,W,Q,1980-01-01,2010-01-01,,,,,"), 3, "Sex",
            "Line 3, column 'Sex': 'Q' is not M or F.");
        row("no date of birth", SecondRow("Bo,Li,W,M,,2010-01-01,,,,,"), 3, "DateOfBirth",
            "Line 3, column 'DateOfBirth' is empty; the date is required.");
        row("impossible date of birth", SecondRow("Bo,Li,W,M,02/30/2001,2010-01-01,,,,,"), 3, "DateOfBirth",
            "Line 3, column 'DateOfBirth': '02/30/2001' is not a date.");
        row("short SSN", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,123-45,,,,"), 3, "SocialSecurityNumber",
            "Line 3, column 'SocialSecurityNumber': '123-45' is shorter than 11 characters (use the "
            "123-45-6789 "
            "form).");
        row("long SSN", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,123-45-67890,,,,"), 3,
            "SocialSecurityNumber", "Line 3, column 'SocialSecurityNumber' is longer than 11 characters.");
        row("date of employment", SecondRow("Bo,Li,W,M,1980-01-01,soon,,,,,"), 3, "DateOfEmployment",
            "Line 3, column 'DateOfEmployment': 'soon' is not a date.");
        row("date of job title", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,2010-13-01,,,"), 3,
            "DateOfJobTitle", "Line 3, column 'DateOfJobTitle': '2010-13-01' is not a date.");
        row("inactivation date", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,yesterday,,"), 3,
            "InactivationDate", "Line 3, column 'InactivationDate': 'yesterday' is not a date.");
        row("inactivation before 1900", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,1850-01-01,,"), 3,
            "InactivationDate", "Line 3, column 'InactivationDate': '1850-01-01' is not after 12/30/1899.");
        row("name too long", SecondRow("Bo,Abcdefghijklmnopqrstu,W,M,1980-01-01,2010-01-01,,,,,"), 3,
            "LastName", "Line 3, column 'LastName' is longer than 20 characters.");
        row("letter the code page lacks", SecondRow("Bo,\xC5\x81ukasz,W,M,1980-01-01,2010-01-01,,,,,"), 3,
            "LastName", "Line 3, column 'LastName': the character '\xC5\x81' (U+0141) cannot be stored.");
        row("emoji in the notepad", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,,ok \xF0\x9F\x99\x82"), 3,
            "Notepad",
            "Line 3, column 'Notepad': the character '\xF0\x9F\x99\x82' (U+1F642) cannot be stored.");
        row("line break in the address",
            SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,\"1 Main St\nApt 2\","), 3, "StreetAddress",
            "Line 3, column 'StreetAddress' holds a line break; only the Notepad can.");
        // Control characters, which no box of the record page takes, named by their code point.
        row("NUL in a name", SecondRow(QByteArray("Bo,L\0i,W,M,1980-01-01,2010-01-01,,,,,", 37)), 3,
            "LastName", "Line 3, column 'LastName': the character U+0000 cannot be stored.");
        row("ESC in a name", SecondRow("Bo\x1b[2J,Li,W,M,1980-01-01,2010-01-01,,,,,"), 3, "FirstName",
            "Line 3, column 'FirstName': the character U+001B cannot be stored.");
        row("DEL in the notepad", SecondRow("Bo,Li,W,M,1980-01-01,2010-01-01,,,,,a\x7f"), 3, "Notepad",
            "Line 3, column 'Notepad': the character U+007F cannot be stored.");
        row("ESC as the race, quoted as '?'", SecondRow("Bo,Li,\x1b,M,1980-01-01,2010-01-01,,,,,"), 3, "Race",
            "Line 3, column 'Race': '?' is not W, B, H, A or O.");
    }
    void anyFaultRefusesTheWholeFile() {
        QFETCH(QByteArray, csv);
        QFETCH(int, line);
        QFETCH(QString, column);
        QFETCH(QString, message);
        const ImportPlan plan = PlanImport(csv);
        QVERIFY(!plan.Ok());
        QCOMPARE(plan.Rows(), 0);
        QCOMPARE(plan.ErrorText(), message);
        QCOMPARE(plan.ErrorCount(), 1);
        QCOMPARE(plan.Errors().size(), std::size_t(1));
        QCOMPARE(plan.Errors()[0].line, line);
        QCOMPARE(plan.Errors()[0].column, column);
        QCOMPARE(plan.Errors()[0].message, message);

        TempPersonnelFile file({Existing()});
        QVERIFY(!ApplyImport(file, plan, AllImportRowsAdded(plan), ImportClock));
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), Image({Existing()}));
    }

    // What spreadsheets save: cells separated by commas, semicolons or tabs, UTF-8, or UTF-16 or
    // UTF-32 with a byte-order mark, blank lines after the last row; a fault names the row as the
    // spreadsheet numbers it, a cell's line breaks inside it.
    void spreadsheetFilesAreRead_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message"); // the first fault; empty when the file is read
        const auto row = [](const char* name, const QByteArray& csv, int line = 0,
                            const QString& message = {}) {
            QTest::newRow(name) << csv << line << message;
        };
        const QString comma = SpreadsheetText(u',');
        const QString saveAs = u"Save it as a workbook this program reads: in Excel, File > Save As, \"Excel "
                               u"Workbook (*.xlsx)\"; in LibreOffice, File > Save As, \"ODF Spreadsheet "
                               u"(.ods)\" or \"Excel 2007-365 (.xlsx)\"."_s;
        const QString raceX = QString(comma).replace(u",B,"_s, u",X,"_s);
        row("comma", comma.toUtf8());
        row("semicolon", SpreadsheetText(u';').toUtf8());
        row("tab", SpreadsheetText(u'\t').toUtf8());
        row("captions and names as people write them",
            QString(SpreadsheetText(u';'))
                .replace(u"FirstName;LastName;Race;Sex;DateOfBirth"_s,
                         u"First Name;last_name;RACE; Sex;Date of Birth"_s)
                .toUtf8());
        row("tie goes to the comma", "Sex;Race,FirstName\r\nM;W,Bo\r\n", 1,
            u"The header has an unknown column 'Sex;Race'."_s);
        row("UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + comma.toUtf8());
        row("UTF-16 LE", Encoded(QStringConverter::Utf16LE, SpreadsheetText(u';')));
        row("UTF-16 BE", Encoded(QStringConverter::Utf16BE, SpreadsheetText(u'\t')));
        row("UTF-32 LE", Encoded(QStringConverter::Utf32LE, comma));
        row("Unicode text (.txt): UTF-16 LE, tabs",
            Encoded(QStringConverter::Utf16LE, SpreadsheetText(u'\t')));
        row("Latin-1 refused", comma.toLatin1(), 0, QString::fromUtf8(NotUtf8));
        row("blank lines at the end", (comma + u"\r\n,,,,,,\r\n , ,\r\n\r\n"_s).toUtf8());
        row("blank lines at the end, tabs", (SpreadsheetText(u'\t') + u"\t\t\t\t\t\t\n\n"_s).toUtf8());
        row("blank line between rows", QString(comma).replace(u"\r\nBo"_s, u"\r\n\r\nBo"_s).toUtf8(), 3,
            u"Line 3 has 1 cells; the header has 7."_s);
        row("fault on line 3", QString(raceX).replace(u"\"Two\r\nlines\""_s, u"Two"_s).toUtf8(), 3,
            u"Line 3, column 'Race': 'X' is not W, B, H, A or O."_s);
        row("fault after a cell of two lines", raceX.toUtf8(), 3,
            u"Line 3, column 'Race': 'X' is not W, B, H, A or O."_s);
        row("fault after a cell of two lines, UTF-16", Encoded(QStringConverter::Utf16LE, raceX), 3,
            u"Line 3, column 'Race': 'X' is not W, B, H, A or O."_s);
        row("fault in a row of two lines", QString(comma).replace(u",W,"_s, u",Q,"_s).toUtf8(), 2,
            u"Line 2, column 'Race': 'Q' is not W, B, H, A or O."_s);

        // Workbooks: the first sheet the workbook lists, read as a spreadsheet shows it.
        row("workbook, shared texts, built-in date format", SpreadsheetWorkbook(Cells::Shared));
        row("workbook, inline texts, 1904 dates of its own format", SpreadsheetWorkbook(Cells::Inline1904));
        row("workbook, formula texts, ISO date cells", SpreadsheetWorkbook(Cells::StringsIsoDates));
        row("workbook, captions as headers",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "DateOfEmployment", "Date of Employment"));
        row("workbook, an empty row between", SpreadsheetWorkbook(Cells::Shared, {1, 2, 4}));
        row("workbook, fault in row 4",
            SpreadsheetWorkbook(Cells::Inline1904, {1, 2, 4}, {}, "<t>B</t>", "<t>X</t>"), 4,
            u"Row 4, column 'Race': 'X' is not W, B, H, A or O."_s);
        row("workbook, header in row 2",
            SpreadsheetWorkbook(Cells::Inline1904, {2, 3, 5}, {}, "<t>Li</t>", "<t> </t>"), 5,
            u"Row 5, column 'LastName' is empty; the name is required."_s);
        row("workbook, a cell beyond the header",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3},
                                "<c r=\"AB3\" t=\"inlineStr\"><is><t>x</t></is></c>"),
            3, u"Row 3, column AB holds 'x'; the header names no column there."_s);
        row("workbook, a shared text that is not there",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<v>0</v>", "<v>99</v>"), 0,
            u"The workbook is damaged: a cell names a shared text that is not there."_s);
        // The sheet's rows are scanned straight from its bytes while the scanner is sure of them, and
        // read by the XML reader from where it is not: the same rows come either way, once each, and
        // what the reader refuses is refused.
        const QByteArray damaged =
            "The workbook is damaged: its part 'xl/worksheets/sheet2.xml' is not XML a "
            "spreadsheet writes (line 1).";
        row("workbook, character references",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<v>", "<v>&#32;"));
        row("workbook, the xml prefix",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "spans", "xml:lang"));
        row("workbook, a comment before the last row",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<row r=\"3\"", "<!-- Bo --><row r=\"3\""));
        row("workbook, an element left open before the last row",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<row r=\"3\"", "<x><row r=\"3\""), 0,
            QString::fromLatin1(damaged));
        row("workbook, a prefix no element declares",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "spans", "x:spans"), 0,
            QString::fromLatin1(damaged));
        row("workbook, attributes in single quotes",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "spans=\"1:7\"", "spans='1:7'"));
        row("workbook, an empty row in one tag",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<row r=\"3\"", "<row r=\"3\"/><row r=\"4\""));
        row("workbook, a namespace a row declares",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "spans", "xmlns:y=\"urn:y\" y:spans"));
        // The reader's own ways, whatever they are: an entity no document declares, a control character.
        const QString notThere = u"The workbook is damaged: a cell names a shared text that is not there."_s;
        row("workbook, an entity XML does not know",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<v>", "<v>&nbsp;"), 0, notThere);
        row("workbook, a control character",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<v>", "<v>\x01"), 0, notThere);
        row("workbook, rows out of order",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, "<row r=\"3\"", "<row r=\"2\""), 0,
            u"The workbook is damaged: its rows are out of order."_s);
        // Characters a workbook escapes, refused as the record page refuses them.
        row("workbook, an escaped NUL",
            SpreadsheetWorkbook(Cells::Inline1904, {1, 2, 3}, {}, "<t>Li</t>", "<t>L_x0000_i</t>"), 3,
            u"Row 3, column 'LastName': the character U+0000 cannot be stored."_s);
        row("workbook, an escaped half of a surrogate pair",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3}, {}, ">Bo<", ">B_xD800_o<"), 3,
            u"Row 3, column 'FirstName': the character U+D800 cannot be stored."_s);
        row("workbook, DEL",
            SpreadsheetWorkbook(Cells::Inline1904, {1, 2, 3}, {}, "<t>Li</t>", "<t>Li\x7f</t>"), 3,
            u"Row 3, column 'LastName': the character U+007F cannot be stored."_s);
        // A cell past the header within the export's columns is one row's fault; one past the
        // export's last column stops the reading there.
        row("workbook, a cell just past the header",
            SpreadsheetWorkbook(Cells::Shared, {1, 2, 3},
                                "<c r=\"H3\" t=\"inlineStr\"><is><t>x</t></is></c>"),
            3, u"Row 3, column H holds 'x'; the header names no column there."_s);
        row("workbook, a cell in the last column",
            SpreadsheetWorkbook(Cells::Inline1904, {1, 2, 3}, {}, "<c r=\"G2\"",
                                "<c r=\"XFD2\" t=\"inlineStr\"><is><t>y</t></is></c><c r=\"XFE2\""),
            2, u"Row 2, column XFD holds 'y'; the header names no column there."_s);
        row("workbook, a header past the export's columns",
            SpreadsheetWorkbook(Cells::Inline1904, {1, 2, 3}, {}, "r=\"G1\"", "r=\"Z1\""), 1,
            u"Row 1, column Z holds 'Notepad'; an export has at most 25 columns, A to Y."_s);
        row("workbook, rows past the last row",
            Zip({{u"xl/workbook.xml"_s, "<workbook><sheets><sheet/></sheets></workbook>"},
                 {u"xl/worksheets/sheet1.xml"_s,
                  "<worksheet><sheetData><row r=\"1048576\"><c t=\"inlineStr\"><is><t>LastName</t></is></c>"
                  "</row><row><c t=\"inlineStr\"><is><t>x</t></is></c></row></sheetData></worksheet>"}}),
            0,
            u"The workbook is damaged: its first sheet goes on past row 1048576, the last row a spreadsheet "
            u"has."_s);
        // OpenDocument spreadsheets: the first sheet's rows and cells as many times as they repeat.
        const QByteArray emptyRows = "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
                                     "table:number-columns-repeated=\"7\"/></table:table-row>";
        row("ods", OdsWorkbook());
        row("ods, empty rows between", OdsWorkbook(emptyRows));
        row("ods, fault after repeated rows",
            OdsWorkbook(emptyRows, {{"<text:p>B</text:p>", "<text:p>W<text:s text:c=\"2\"/>X</text:p>"}}), 5,
            u"Row 5, column 'Race': 'W  X' is not W, B, H, A or O."_s);
        row("ods, a number",
            OdsWorkbook({}, {{"office:value-type=\"string\" calcext:value-type=\"string\"><text:p>B<",
                              "office:value-type=\"float\" office:value=\"1.50\"><text:p>1,5<"}}),
            3, u"Row 3, column 'Race': '1.5' is not W, B, H, A or O."_s);
        row("ods, a repeated text just past the header",
            OdsWorkbook({},
                        {{"<table:covered-table-cell/>",
                          "<table:covered-table-cell/><table:table-cell table:number-columns-repeated=\"2\" "
                          "office:value-type=\"string\"><text:p>x</text:p></table:table-cell>"}}),
            3, u"Row 3, column H holds 'x'; the header names no column there."_s);
        row("ods, a text repeated a trillion times",
            OdsWorkbook(
                {},
                {{"<table:covered-table-cell/>",
                  "<table:covered-table-cell/><table:table-cell table:number-columns-repeated="
                  "\"1000000000000\" office:value-type=\"string\"><text:p>x</text:p></table:table-cell>"}}),
            3, u"Row 3, column Z holds 'x'; the header names no column there."_s);
        row("ods, empty rows repeated past the last row",
            OdsWorkbook("<table:table-row table:number-rows-repeated=\"9223372036854775807\"/>"), 0,
            u"The workbook is damaged: its first sheet goes on past row 1048576, the last row a spreadsheet "
            u"has."_s);
        row("ods, a repeat that is no count",
            OdsWorkbook("<table:table-row table:number-rows-repeated=\"-1\"/>"), 0,
            u"The workbook is damaged: a row or a cell says it repeats '-1' times."_s);
        row("ods, no sheet", OdsWorkbook({}, {{"table:table", "table:tabl"}}), 0,
            u"The workbook has no sheet."_s);
        QByteArray laughs = "<!DOCTYPE office:document-content [<!ENTITY a0 \"ha\">";
        for (int i = 1; i < 10; ++i)
            laughs += "<!ENTITY a" + QByteArray::number(i) + " \"" +
                      QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
        row("ods, entities that expand a billion times",
            OdsWorkbook({}, {{"<office:document-content", laughs + "]><office:document-content"},
                             {"<text:p>Lee<", "<text:p>&a9;<"}}),
            0,
            u"The workbook is damaged: its part 'content.xml' is not XML a spreadsheet writes (line 1)."_s);
        row("ods, spans nested a million deep",
            OdsWorkbook({},
                        {{"<text:p>Lee<", "<text:p>" + QByteArray("<text:span a='>'>").repeated(1000000) +
                                              "Lee" + QByteArray("</text:span>").repeated(1000000) + "<"}}),
            0, u"The workbook is damaged: its part 'content.xml' nests its elements more than 256 deep."_s);
        row("ods, no content", Zip({{u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet"}}), 0,
            u"The workbook is damaged: its part 'content.xml' is missing."_s);
        row("workbook with a password", EncryptedWorkbook(), 0,
            u"The workbook is protected by a password, and cannot be read. In your spreadsheet, remove the "
            u"password (File > Info > Protect Workbook in Excel, File > Properties > Security in "
            u"LibreOffice), "
            u"save the workbook and import it again."_s);
        row("zip that is no workbook", Zip({{u"mimetype"_s, "application/vnd.oasis.opendocument.text"}}), 0,
            u"The file is a zip archive but not an Excel workbook or an OpenDocument spreadsheet. "_s +
                saveAs);
        row("damaged zip", "PK\x03\x04 and then nothing a zip holds", 0,
            u"The workbook is damaged: it cannot be unpacked."_s);
        row("Excel 97-2003 workbook",
            QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'), 0,
            u"The file is an Excel 97-2003 workbook (.xls). "_s + saveAs);
        row("Excel binary workbook",
            Zip({{u"_rels/.rels"_s, "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas."
                                    "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                    "Target=\"xl/workbook.bin\"/></Relationships>"},
                 {u"xl/workbook.bin"_s, "\x83\x01\x00"}}),
            0, u"The file is an Excel binary workbook (.xlsb). "_s + saveAs);
        // A zip bomb: a sheet of 128 MB and one byte of spaces, a few hundred KB packed.
        row("workbook that unpacks past the limit",
            Zip({{u"xl/workbook.xml"_s, "<workbook><sheets><sheet/></sheets></workbook>"},
                 {u"xl/worksheets/sheet1.xml"_s, QByteArray(MaxWorkbookPartBytes + 1, ' ')}}),
            0,
            u"The workbook's part 'xl/worksheets/sheet1.xml' unpacks to more than 128 MB; no list of "
            u"employees "
            u"is that long."_s);
    }
    void spreadsheetFilesAreRead() {
        QFETCH(QByteArray, csv);
        QFETCH(int, line);
        QFETCH(QString, message);
        const ImportPlan plan = PlanImport(csv);
        if (!message.isEmpty()) {
            QVERIFY(!plan.Ok());
            QCOMPARE(plan.Errors().at(0).message, message);
            QCOMPARE(plan.Errors().at(0).line, line);
            return;
        }
        QCOMPARE(plan.ErrorText(), QString());
        QCOMPARE(plan.Rows(), 2);
        PersonnelRecord zoe = Imported();
        zoe.SetFirstName(u"Zo\u00EB"_s);
        zoe.SetLastName(u"Lee"_s);
        zoe.SetRace(u"W"_s);
        zoe.SetSex(u"F"_s);
        zoe.SetDateOfBirth(Ole(1980, 1, 1));
        zoe.SetDateOfEmployment(Ole(2010, 1, 1));
        zoe.SetNotepad(u"Two\r\nlines"_s);
        PersonnelRecord bo = Imported();
        bo.SetFirstName(u"Bo"_s);
        bo.SetLastName(u"Li"_s);
        bo.SetRace(u"B"_s);
        bo.SetSex(u"M"_s);
        bo.SetDateOfBirth(Ole(1970, 2, 3));
        bo.SetDateOfEmployment(Ole(2001, 1, 1));
        QVERIFY(plan.Record(0, ImportClock.NowOle()) == zoe);
        QVERIFY(plan.Record(1, ImportClock.NowOle()) == bo);
    }

    // Before anything is written, each row is matched with the employees on file (current or
    // previous) by the employee number, else by the same last name, first name and date of birth
    // as they would be stored, whatever the case (a masked date by its month and day): those are
    // updated with what changes, or passed over unchanged, masked cells left as stored. A second
    // row of one employee, and a row with a Social Security number seen before (on file, another
    // employee's), are likely duplicates, skipped. The preview's lines (as `import --update` prints
    // them), the summary or why the import is refused, and the bytes written.
    void duplicatesAreFoundBeforeAnythingIsWritten_data() {
        QTest::addColumn<QByteArray>("rows"); // after the header; line 2 on
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QList<int>>("newRows");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("timerSsn"); // Timer's on file; Lee's is 123-45-6789
        const auto row = [](const char* name, const char* rows, const QStringList& found,
                            const QList<int>& newRows, const char* summary, const QString& timerSsn = {}) {
            QTest::newRow(name) << QByteArray(rows) << found << newRows << QString::fromUtf8(summary)
                                << timerSsn;
        };
        row("names in another case", " TIMER ,old,W,M,1950-01-01,2010-01-01,\r\n",
            {u"Line 2 updates Timer, Old: FirstName 'Old' -> 'old'; LastName 'Timer' -> 'TIMER'; "
             u"DateOfEmployment '1990-01-01' -> '2010-01-01'."_s},
            {}, "0 added, 1 updated, 0 unchanged, 0 skipped.");
        row("another date of birth", "Timer,Old,W,M,1950-01-02,2010-01-01,\r\n", {}, {0},
            "1 added, 0 updated, 0 unchanged, 0 skipped.");
        row("another first name", "Timer,Olga,W,M,1950-01-01,2010-01-01,\r\n", {}, {0},
            "1 added, 0 updated, 0 unchanged, 0 skipped.");
        row("a previous employee, made current by no column",
            "Kim,Ann,W,F,1990-01-01,2010-01-01,\r\nlee,ZO\xC3\x8B,W,M,01/01/1980,1990-01-01,Note\r\n",
            {u"Line 3 updates Lee, Zo\u00EB: FirstName 'Zo\u00EB' -> 'ZO\u00CB'; LastName 'Lee' -> 'lee'; "
             u"Notepad '' -> 'Note'."_s},
            {0}, "1 added, 1 updated, 0 unchanged, 0 skipped.");
        row("an earlier row, after a notepad of two lines",
            "Kim,Ann,W,F,1990-01-01,2010-01-01,\"a\r\nb\"\r\nLi,Bo,B,M,1970-02-03,2001-01-01,\r\n"
            "KIM,Ann,B,F,1990-01-01,2015-05-05,\r\n",
            {u"Line 4 looks like line 2: Kim, Ann, born 1990-01-01."_s}, {0, 1},
            "2 added, 0 updated, 0 unchanged, 1 skipped.");
        QTest::newRow("a workbook's rows")
            << SpreadsheetWorkbook(Cells::Shared, {1, 2, 4})
            << QStringList{u"Row 2 updates Lee, Zo\u00EB: Sex 'M' -> 'F'; DateOfEmployment '1990-01-01' -> "
                           u"'2010-01-01'; Notepad '' -> 'Two lines'."_s}
            << QList<int>{1} << u"1 added, 1 updated, 0 unchanged, 0 skipped."_s << QString();
        row("twice on file",
            "Timer,Old,W,M,1950-01-01,2010-01-01,\r\ntimer,old,W,M,1950-01-01,2011-01-01,\r\n",
            {u"Line 2 updates Timer, Old: DateOfEmployment '1990-01-01' -> '2010-01-01'."_s,
             u"Line 3 looks like line 2: Timer, Old, born 1950-01-01."_s},
            {}, "0 added, 1 updated, 0 unchanged, 1 skipped.");
        row("unchanged", "Timer,Old,W,M,1950-01-01,1990-01-01,\r\n", {}, {},
            "0 added, 0 updated, 1 unchanged, 0 skipped.");
        row("by the employee number, with a new name and date of birth",
            "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,EmployeeNumber\r\n"
            "Lee-Park,Zoe,W,M,1980-01-02,1990-01-01, e-7 \r\nTimer,Old,W,M,1950-01-01,1990-01-01,\r\n",
            {u"Line 2 updates Lee, Zo\u00EB: FirstName 'Zo\u00EB' -> 'Zoe'; LastName 'Lee' -> 'Lee-Park'; "
             u"DateOfBirth '1980-01-01' -> '1980-01-02'; EmployeeNumber 'E-7' -> 'e-7'."_s},
            {}, "0 added, 1 updated, 1 unchanged, 0 skipped.");
        row("masked cells keep the stored values",
            "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,SocialSecurityNumber,EmployeeNumber\r\n"
            "Lee,Zo\xC3\xAB,W,M,****-01-01,1990-01-01,***-**-6789,E-7\r\n"
            "Timer,Old,W,M,****-01-01,1991-01-01,***-**-0000,\r\n",
            {u"Line 3 updates Timer, Old: DateOfEmployment '1990-01-01' -> '1991-01-01'."_s}, {},
            "0 added, 1 updated, 1 unchanged, 0 skipped.");
        row("a Social Security number on file or on an earlier line",
            "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,SocialSecurityNumber\r\n"
            "Kim,Ann,W,F,1990-01-01,2010-01-01,123-45-6789\r\nLi,Bo,B,M,1970-02-03,2001-01-01,555-55-5555\r\n"
            "Ng,Cy,B,M,1971-02-03,2001-01-01, 555-55-5555\r\nOh,Di,B,F,1972-02-03,2001-01-01,***-**-5555\r\n",
            {u"Line 2 has the Social Security number of Lee, Zo\u00EB, who is already on file."_s,
             u"Line 4 has the Social Security number of line 3: Li, Bo."_s},
            {1, 3},
            "Line 5, column 'SocialSecurityNumber' is masked, and the row is no employee on file whose "
            "value it could keep. Fill in the whole value, or export the list again as a user who sees it.");
        const QByteArray numbered = "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,"
                                    "SocialSecurityNumber,EmployeeNumber\r\n";
        row("employees on file given another's Social Security number",
            (numbered + "Timer,Old,W,M,1950-01-01,1990-01-01,123-45-6789,\r\n"
                        "Kim,Ann,W,F,1990-01-01,2010-01-01,555-55-5555,\r\n"
                        "Lee,Zo\xC3\xAB,W,M,1980-01-01,1990-01-01,555-55-5555,E-7\r\n"
                        "Ng,Cy,B,M,1971-02-03,2001-01-01,,\r\n")
                .constData(),
            {u"Line 2 has the Social Security number of Lee, Zo\u00EB, who is already on file."_s,
             u"Line 4 has the Social Security number of line 3: Kim, Ann."_s},
            {1, 3}, "2 added, 0 updated, 0 unchanged, 2 skipped.");
        row("employees on file keeping the number both have",
            (numbered + "Timer,Old,W,M,1950-01-01,1991-01-01,123-45-6789,\r\n"
                        "Lee,Zo\xC3\xAB,W,M,1980-01-01,1990-01-01, 123-45-6789 ,E-7\r\n")
                .constData(),
            {u"Line 2 updates Timer, Old: DateOfEmployment '1990-01-01' -> '1991-01-01'."_s}, {},
            "0 added, 1 updated, 1 unchanged, 0 skipped.", u"123-45-6789"_s);
    }
    void duplicatesAreFoundBeforeAnythingIsWritten() {
        QFETCH(QByteArray, rows);
        QFETCH(QStringList, found);
        QFETCH(QList<int>, newRows);
        QFETCH(QString, summary);
        QFETCH(QString, timerSsn);
        PersonnelRecord timer = Existing();
        timer.SetSocialSecurityNumber(timerSsn);
        PersonnelRecord numbered = Previous();
        numbered.SetEmployeeNumber(u"E-7"_s);
        numbered.SetSocialSecurityNumber(u"123-45-6789"_s);
        TempPersonnelFile file({timer, numbered});
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        const ImportPlan plan =
            PlanImport(LooksLikeZip(rows) || rows.startsWith("LastName")
                           ? rows
                           : "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment,Notepad\r\n" + rows);
        QCOMPARE(plan.ErrorText(), QString());
        const ImportDuplicates duplicates = FindImportDuplicates(file, plan, ImportClock.NowOle());
        QVERIFY(duplicates.status);
        QStringList texts;
        for (const ImportDuplicate& d : duplicates.rows) {
            if (d.Likely())
                texts << DuplicateText(d, u"yyyy-mm-dd");
            else if (!d.changes.empty())
                texts << UpdateText(d);
        }
        QCOMPARE(texts, found);
        const std::vector<qint32> fresh = NewImportRows(plan, duplicates);
        QCOMPARE(QList<int>(fresh.cbegin(), fresh.cend()), newRows);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);

        // Adding the new ones and updating the changed ones: nothing at all when none is; the
        // stored record with the row's columns, modified now; none with a masked cell to add.
        const ImportSelection selection = SelectImportRows(plan, duplicates, true, false);
        QStringList masked;
        for (const qint32 row : selection.maskedAdds)
            masked << MaskedAddText(plan, row);
        QCOMPARE(masked.isEmpty() ? ImportSummary(selection) : masked.join(u'\n'), summary);
        qint32 first = -1;
        QCOMPARE(ApplyImport(file, plan, selection, ImportClock, u"from x.csv"_s, &first).Ok(),
                 masked.isEmpty());
        std::vector<PersonnelRecord> expected{timer, numbered};
        if (masked.isEmpty()) {
            for (const ImportUpdate& u : selection.updates) {
                PersonnelRecord& r = expected[std::size_t(u.record - 1)];
                r = plan.Updated(u.row, r);
                r.SetDateModified(ImportClock.NowOle());
            }
            for (const qint32 row : fresh)
                expected.push_back(plan.Record(row, ImportClock.NowOle()));
        }
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), Image(expected));
        QCOMPARE(first, fresh.empty() || !masked.isEmpty() ? 0 : 3);
        // All of them: every row after the file's records, the first one the next record.
        std::vector<qint32> all(std::size_t(plan.Rows()));
        std::iota(all.begin(), all.end(), 0);
        QCOMPARE(ApplyImport(file, plan, ImportRowsAdded(all), ImportClock, {}, &first).Ok(),
                 plan.MaskedRows().empty());
        if (!plan.MaskedRows().empty())
            return;
        QCOMPARE(first, qint32(expected.size()) + 1);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).size(),
                 qsizetype(expected.size() + all.size()) * PersonnelRecordLength);
    }

    // Whatever a workbook holds, reading, checking, comparing and adding it takes no more than
    // 100 MB beyond its rows: a cell in the last column of every row is refused at the first, and
    // many employees are held once, never as whole records or history entries all at once.
    void importsStayWithinTheirMemory_data() {
        QTest::addColumn<QByteArray>("workbook");
        QTest::addColumn<QString>("message"); // empty: imported
        QTest::newRow("a cell in the last column of every row")
            << ManyRows(20000, "<c r=\"XFD%1\" t=\"inlineStr\"><is><t>x</t></is></c>")
            << u"Row 2, column XFD holds 'x'; the header names no column there."_s;
        QTest::newRow("20,000 employees") << ManyRows(20000) << QString();
    }
    void importsStayWithinTheirMemory() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("The address sanitizer reserves terabytes of address space, so no cap on it is a measure.");
#endif
        QFETCH(QByteArray, workbook);
        QFETCH(QString, message);
        TempPersonnelFile file({Existing()});
        file.KeepHistory(ImportClock);
        QVERIFY(WithinMemory(100, [&] {
            const ImportPlan plan = PlanImport(workbook);
            if (plan.ErrorText() != message)
                return false;
            if (!message.isEmpty())
                return true;
            const ImportDuplicates duplicates = FindImportDuplicates(file, plan, ImportClock.NowOle());
            std::vector<qint32> all(std::size_t(plan.Rows()));
            std::iota(all.begin(), all.end(), 0);
            return plan.Rows() == 20000 && duplicates.rows.empty() &&
                   ApplyImport(file, plan, ImportRowsAdded(all), ImportClock);
        }));
        if (message.isEmpty())
            QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).size(), 20001 * PersonnelRecordLength);
    }

    // Before it writes, an import reads the personnel file in full once: the search for duplicates
    // scans it and reads again only the employee it found; adding opens it without counting.
    void anImportReadsThePersonnelFileOnce() {
        std::vector<PersonnelRecord> staff(300, Existing());
        for (std::size_t i = 0; i < staff.size(); ++i)
            staff[i].SetFirstName(u"Old%1"_s.arg(i));
        TempPersonnelFile file(staff);
        CountingFileIo io;
        PersonnelFile counted(io);
        const ImportPlan plan = PlanImport("LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                                           "Timer,Old7,W,M,1950-01-01,1991-01-01\r\n"
                                           "New,Hire,W,F,1990-01-01,2020-01-01\r\n");
        const ImportDuplicates duplicates = FindImportDuplicates(counted, plan, ImportClock.NowOle());
        QCOMPARE(duplicates.Updates(), 1);
        QCOMPARE(io.bytesRead, 301 * PersonnelRecordLength);
        io.bytesRead = 0;
        QVERIFY(ApplyImport(counted, plan, SelectImportRows(plan, duplicates, false, false), ImportClock));
        QCOMPARE(io.bytesRead, PersonnelRecordLength); // the last record, which the append's journal notes
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).size(), 301 * PersonnelRecordLength);
    }

    // A progress that says to stop leaves a plan with no faults and nothing to add, and the search
    // for duplicates with none found; the file is as it was.
    void progressStopsAnImportBeforeItWrites() {
        TempPersonnelFile file({Existing()});
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        QByteArray odsRows = "<table:table-row table:number-rows-repeated=\"298\">";
        for (const char* cell : {"Ann", "Kim", "W", "F", "1990-01-01", "2010-01-01"})
            odsRows += "<table:table-cell office:value-type=\"string\"><text:p>" + QByteArray(cell) +
                       "</text:p></table:table-cell>";
        for (const QByteArray& bytes : {ManyRows(300), Header + QByteArray(GoodRow).repeated(300),
                                        OdsWorkbook(odsRows + "</table:table-row>")}) {
            QList<qint64> told;
            const ImportPlan stopped = PlanImport(bytes, [&](qint64 done, qint64 total) {
                told << done << total;
                return told.size() < 4;
            });
            QVERIFY(stopped.Cancelled());
            QVERIFY(!stopped.Ok());
            QCOMPARE(stopped.ErrorText(), QString());
            QCOMPARE(told.size(), 4);
            QVERIFY(told[0] <= told[2] && told[2] <= told[3] && told[1] == told[3]);

            const ImportPlan plan = PlanImport(bytes, [](qint64, qint64) { return true; });
            QCOMPARE(plan.Rows(), 300);
            const ImportDuplicates duplicates =
                FindImportDuplicates(file, plan, ImportClock.NowOle(), [](qint64, qint64) { return false; });
            QVERIFY(duplicates.cancelled);
            QVERIFY(duplicates.rows.empty());
        }
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);
    }

    void faultsBeyondTheFirstTwentyAreCounted() {
        QByteArray csv = Header;
        for (int i = 0; i < 25; ++i)
            csv += "Bo,Li,X,M,1980-01-01,2010-01-01,,,,,\r\n";
        const ImportPlan plan = PlanImport(csv);
        QCOMPARE(plan.ErrorCount(), 25);
        QCOMPARE(plan.Errors().size(), std::size_t(ImportErrorsKept));
        QCOMPARE(plan.Errors().back().line, 21);
        const QStringList lines = plan.ErrorText().split(CrLf);
        QCOMPARE(lines.size(), 21);
        QCOMPARE(lines.first(), u"Line 2, column 'Race': 'X' is not W, B, H, A or O."_s);
        QCOMPARE(lines.last(), u"5 more faults were found."_s);
    }

    void oversizedOrMissingFilesAreRefusedUnread() {
        TempDataFolder folder;
        FileIo io;
        QFile huge(u"huge.csv"_s);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(2) << 30)); // one 2 GB line, sparse on the disk
        huge.close();
        const ImportPlan plan = PlanImportFile(io, u"huge.csv"_s);
        QVERIFY(plan.ReadStatus());
        QCOMPARE(plan.ErrorText(), u"The file is larger than 64 MB; no list of employees is that long."_s);

        const ImportPlan missing = PlanImportFile(io, u"missing.csv"_s);
        QCOMPARE(missing.ReadStatus().Message(),
                 u"Could not open the file \"missing.csv\"."_s + CrLf + u"No such file or directory."_s);
        QVERIFY(!missing.Ok());
    }

    // Every field at its fullest, cells a spreadsheet would run, characters of the code page's
    // upper half: exported with the SSN and imported into an empty file, the records come back as
    // they were but for the time they were created.
    void exportedListImportsBackToTheSameRecords() {
        std::vector<PersonnelRecord> staff(3, Imported());
        const auto fill = [](PersonnelRecord& r, const QString& seed) {
            for (std::size_t f = 0; f < PersonnelFields.size(); ++f) {
                const FieldLayout& layout = PersonnelFields[f];
                if (layout.type == FieldType::Text && F(f) != F::PictureFile)
                    r.SetText(F(f), (seed + u"ëé€ \"q\", x"_s).repeated(400).left(layout.width));
            }
            r.SetRace(u"H"_s);
            r.SetSex(u"F"_s);
            r.SetSocialSecurityNumber(u"987-65-4321"_s);
            r.SetDateOfBirth(Ole(1901, 2, 28));
            r.SetDateOfEmployment(Ole(2024, 2, 29));
            r.SetDateOfJobTitle(Ole(2025, 12, 31));
        };
        fill(staff[0], u"Abc"_s);
        fill(staff[1], u"=Sum"_s);
        staff[1].SetNotepad(u"\tIndented\r\n\r\n\"quoted\", and '=not a formula'\r\n"_s);
        staff[1].SetJobTitle(u"'=1"_s);
        staff[1].SetEmail(u"@home"_s);
        staff[1].SetCellPhone(u"+1 555 0100"_s);
        staff[1].SetSuffix(u"-"_s);
        fill(staff[2], u"Zoë"_s);
        staff[2].SetInactivationDate(Ole(2025, 1, 31));
        staff[2].SetSocialSecurityNumber({});
        staff[2].SetDateOfJobTitle(0);
        TempPersonnelFile file(staff);
        const ExportTable table = ReadExportTable(file, {1, 2, 3}, {});
        QVERIFY(table.status);
        QVERIFY(WriteWholeFile(file.io, u"list.csv"_s, CsvBytes(table)));

        const ImportPlan plan = PlanImportFile(file.io, u"list.csv"_s);
        QCOMPARE(plan.ErrorText(), QString());
        QCOMPARE(plan.Rows(), 3);
        PersonnelFile copy(file.io, u"Copy.Data"_s);
        FixedClock later(ImportClock.Now().addDays(3));
        QVERIFY(ApplyImport(copy, plan, AllImportRowsAdded(plan), later));
        for (PersonnelRecord& r : staff)
            r.SetDateCreated(later.NowOle());
        QCOMPARE(ReadFileBytes(u"Copy.Data"_s), Image(staff));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
