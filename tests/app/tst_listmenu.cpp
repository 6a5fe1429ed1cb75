// The employee list's own menu on the real main window, opened as a user opens it (the right
// button, the Menu key): exporting the list as a workbook or CSV, copying the highlighted employee, and
// importing employees from CSV or a workbook after a preview, with what reaches the files byte for byte.
#include "app/listmenu.h"
#include "app/programwindows.h"
#include "data/datafilenames.h"
#include "data/history.h"
#include "exchange/exportxlsx.h"
#include "exchange/importplan.h"
#include "print/printer.h"
#include "records/frmhistory.h"
#include "records/recordpage.h"
#include "support/golden.h"
#include "support/pdfwords.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "support/zipparts.h"
#include "ui/fade.h"
#include "ui/frmprogress.h"
#include "ui/orvicbutton.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Adams (2), Miller (3) and Young (1) in the current list; Young's number is guarded on export.
std::vector<StaffMember> Staff() {
    return {
        {u"Young"_s, u"Zoe"_s, {1990, 5, 1}, {2015, 3, 10}},
        {u"Adams"_s, u"Bob"_s, {1970, 2, 2}, {2000, 3, 15}, {}, u"B"_s, u"M"_s},
        {u"Miller"_s, u"Ann"_s, {1985, 12, 24}, {2010, 3, 1}},
    };
}

void GiveSsns() {
    PersonnelFileOnDisk file;
    QVERIFY(file.OpenPersonnelFile());
    for (qint32 n = 1; n <= file.RecordCount(); ++n) {
        QVERIFY(file.ReadPersonnelRecord(n));
        file.Record().SetSocialSecurityNumber(u"123-45-678%1"_s.arg(n));
        if (n == 1)
            file.Record().SetEmployeeNumber(u"-7"_s);
        QVERIFY(file.WritePersonnelRecord(n));
    }
    file.ClosePersonnelFile();
}

// How the list's menu is opened.
enum class Opened { ByMouse, ByMenuKey, ByShiftF10 };

// Opens the list's menu with the right button, the Menu key or Shift+F10 and chooses `item`
// (empty: Escape).
MenuSeen ChooseFromListMenu(frmMain* w, const QString& item, Opened how = Opened::ByMouse) {
    return ChooseFromPopupMenu(
        w,
        [w, how] {
            if (how == Opened::ByShiftF10) {
                w->grid->setFocus();
                QTest::keyClick(w->grid, Qt::Key_F10, Qt::ShiftModifier);
            } else if (how == Opened::ByMenuKey) {
                // What the X11 platform makes of the Menu key: a keyboard context menu event for
                // the widget with the focus.
                w->grid->setFocus();
                const QPoint at = w->grid->rect().center();
                QContextMenuEvent event(QContextMenuEvent::Keyboard, at, w->grid->mapToGlobal(at));
                QApplication::sendEvent(w->grid, &event);
            } else {
                const QPoint at = w->grid->visualRect(w->grid->model()->index(0, 0)).center();
                QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->grid->viewport()->mapToGlobal(at));
                QApplication::sendEvent(w->grid->viewport(), &event);
            }
        },
        item);
}

void WriteCsv(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QList<QByteArray> CsvLines(const QString& path) {
    QByteArray bytes = ReadFileBytes(path);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {};
    return bytes.mid(3).split('\n');
}

// An exported list edited as a spreadsheet edits it: rows of cells (rows[0] the header), a CSV
// file's as their text, a workbook's as its sheet's own cell elements without their place, so that
// a date stays a number in its date format; written back in place.
struct EditedSheet {
    QMap<QString, QByteArray> parts; // a workbook's
    QList<QList<QByteArray>> rows;

    explicit EditedSheet(const QString& path) {
        if (!path.endsWith(u".xlsx"_s)) {
            for (const QByteArray& line : CsvLines(path))
                if (!line.trimmed().isEmpty())
                    rows << line.trimmed().split(',');
            return;
        }
        parts = UnzipParts(ReadFileBytes(path));
        const auto o = QRegularExpression::DotMatchesEverythingOption;
        static const QRegularExpression row(u"<row [^>]*>(.*?)</row>"_s, o),
            cell(u"<c r=\"([A-Z])\\d+\"(.*?(?:/>|</c>))"_s, o);
        for (const auto& r : row.globalMatch(QString::fromUtf8(parts.value(SheetPart)))) {
            rows.append(QList<QByteArray>(26));
            for (const auto& c : cell.globalMatch(r.captured(1)))
                rows.last()[c.captured(1)[0].unicode() - u'A'] = "<c" + c.captured(2).toUtf8();
        }
    }
    void Set(int row, const char* field, const QByteArray& text) {
        const QByteArray name(field);
        const auto named = [&](const QByteArray& c) {
            return c == name || c.contains("<t>" + name + "</t>");
        };
        const auto column = std::find_if(rows[0].cbegin(), rows[0].cend(), named) - rows[0].cbegin();
        rows[row - 1][column] =
            parts.isEmpty() ? text : "<c t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
    }
    void Write(const QString& path) {
        QByteArray csv = "\xEF\xBB\xBF", sheet;
        for (qsizetype r = 0; r < rows.size(); ++r) {
            csv += rows[r].join(',') + "\r\n";
            const QByteArray place = QByteArray::number(r + 1);
            sheet += "<row r=\"" + place + "\">";
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                if (!rows[r][c].isEmpty())
                    sheet += "<c r=\"" + QByteArray(1, char('A' + c)) + place + '"' + rows[r][c].mid(2);
            sheet += "</row>";
        }
        if (parts.isEmpty())
            return WriteCsv(path, csv);
        QByteArray& xml = parts[SheetPart];
        const qsizetype from = xml.indexOf("<sheetData>") + 11;
        xml.replace(from, xml.indexOf("</sheetData>") - from, sheet);
        std::vector<std::pair<QString, QByteArray>> zipped;
        for (const auto& [name, bytes] : parts.asKeyValueRange())
            zipped.emplace_back(name, bytes);
        WriteCsv(path, ZipOf(zipped));
    }
    inline static const QString SheetPart = u"xl/worksheets/sheet1.xml"_s;
};

// Every text the main window shows or keeps for a tool tip, the grid's cells, hidden ones too.
QStringList ScreenTexts(QWidget* w) {
    QStringList texts{w->windowTitle()};
    for (const QWidget* child : w->findChildren<QWidget*>())
        texts << child->toolTip();
    for (const QLineEdit* box : w->findChildren<QLineEdit*>())
        texts << box->text();
    for (const QLabel* label : w->findChildren<QLabel*>())
        texts << label->text();
    for (const QGroupBox* frame : w->findChildren<QGroupBox*>())
        texts << frame->title();
    for (const QAbstractItemView* view : w->findChildren<QAbstractItemView*>()) {
        const QAbstractItemModel* m = view->model();
        for (int row = 0; row < m->rowCount(); ++row)
            for (int col = 0; col < m->columnCount(); ++col)
                texts << m->index(row, col).data().toString();
    }
    return texts;
}

} // namespace

class TestListMenu : public ProgramTest {
    Q_OBJECT

private slots:
    void menuOffersImportToFullAccessOnly_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<Opened>("how");
        QTest::addColumn<bool>("readOnlyCopy"); // another copy holds the folder: no import
        for (int level = 1; level <= 4; ++level)
            QTest::addRow("level %d", level) << level
                                             << (level == 1   ? Opened::ByMouse
                                                 : level == 2 ? Opened::ByMenuKey
                                                              : Opened::ByShiftF10)
                                             << false;
        QTest::addRow("level 4, read-only copy") << 4 << Opened::ByMenuKey << true;
    }
    void menuOffersImportToFullAccessOnly() {
        QFETCH(int, level);
        QFETCH(Opened, how);
        QFETCH(bool, readOnlyCopy);
        WriteStaff(Staff());
        if (readOnlyCopy)
            p->MakeReadOnly(u"ann on frontdesk"_s);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        QStringList expected = {u"mnuExportList|&Export this List...|on"_s,
                                u"mnuBlankSheet|Save a &Blank Sheet...|on"_s, u"mnuCopy|&Copy|on"_s,
                                u"mnuHistory|&History of this Employee...|on"_s};
        if (level == 4 && !readOnlyCopy)
            expected << u"|-|on"_s << u"mnuImport|&Import Employees...|on"_s;
        const MenuSeen seen = ChooseFromListMenu(w, {}, how);
        QCOMPARE(seen.name, u"menuEmployeeList"_s);
        QCOMPARE(seen.items, expected);
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    // The list leaves in its order, in the owner's file; the SSN and the birth year as the user
    // sees them under the SensitiveFieldsLevel setting, and a note says when they were masked.
    // The name chosen says the format: .csv a CSV file, else a workbook, .xlsx added when missing.
    void exportWritesTheListInItsOrder_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("setting"); // empty: none
        QTest::addColumn<bool>("masked");
        QTest::addColumn<QString>("chosen"); // the name given to the dialog
        QTest::addColumn<QString>("written");
        QTest::newRow("full access") << 4 << QString() << false << u"out.csv"_s << u"out.csv"_s;
        QTest::newRow("read only, no setting") << 1 << QString() << false << u"out.CSV"_s << u"out.CSV"_s;
        QTest::newRow("read only under 2") << 1 << u"2"_s << true << u"out.csv"_s << u"out.csv"_s;
        QTest::newRow("a workbook, named") << 4 << QString() << false << u"out.Xlsx"_s << u"out.Xlsx"_s;
        QTest::newRow("a workbook, unnamed, masked") << 1 << u"2"_s << true << u"out"_s << u"out.xlsx"_s;
        // Full fields under a setting that masks someone: the user log records the export.
        QTest::newRow("full access under 3") << 4 << u"3"_s << false << u"out.csv"_s << u"out.csv"_s;
    }
    void exportWritesTheListInItsOrder() {
        QFETCH(int, level);
        QFETCH(QString, setting);
        QFETCH(bool, masked);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        WriteStaff(Staff());
        GiveSsns();
        if (!setting.isEmpty())
            p->SetSensitiveLevel(setting);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        const QString path = folder->Path() + u'/' + written;
        p->prompts.AnswerSaveFile(folder->Path() + u'/' + chosen).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuExportList"_s);

        QCOMPARE(p->prompts.Pending(), 0);
        const QList<Prompt> asked = p->prompts.Asked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].kind, Prompt::Kind::SaveFile);
        QCOMPARE(asked[0].title, u"Export this List"_s);
        QVERIFY2(asked[0].proposed.endsWith(u"/Employees - Alphabetical - 2026-12-08.xlsx"_s),
                 qPrintable(asked[0].proposed));
        QCOMPARE(asked[0].filter, u"Excel workbook (*.xlsx);;CSV files (*.csv)"_s);
        QString note = u"The list of 3 employees has been saved as\r\n"_s + path;
        if (masked)
            note += u"\r\n\r\nSocial Security numbers and years of birth are masked:\r\n"
                    u"your access level does not show them."_s;
        QCOMPARE(asked[1].text, note);
        QCOMPARE(asked[1].title, u"List Exported"_s);
        QCOMPARE(asked[1].icon, MsgIcon::Information);
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0600));
        QCOMPARE(QDir(folder->Path()).entryList({u"out*"_s}, QDir::Files | QDir::Hidden),
                 QStringList{written});
        QCOMPARE(ReadFileBytes(u"User.Log"_s),
                 !masked && setting == u"3"_s
                     ? "12/08/2026 at 17:05:09 - Ann Lee took out full SSN/birth years: list export, 3 employees, to '" +
                           path.toLatin1() + "'.\r\n"
                     : QByteArray());

        if (!written.endsWith(u".csv"_s, Qt::CaseInsensitive)) {
            // The list's workbook, as the exchange layer makes it at the program's time.
            const ExportTable table = ReadExportTable(p->personnel, {2, 3, 1},
                                                      {.sensitive = SensitiveFields(level, masked ? 2 : 1)});
            QByteArray expected;
            QVERIFY(XlsxBytes(table, w->frame[1]->title(), p->clock.Now(), path, expected));
            QCOMPARE(ReadFileBytes(path), expected);
            return;
        }
        const QList<QByteArray> lines = CsvLines(path);
        QCOMPARE(lines.size(), 5); // header, three employees, and the empty tail after the last CR LF
        QVERIFY(lines[0].contains(",Sex,SocialSecurityNumber,DateOfBirth,"));
        QVERIFY2(lines[1].contains(masked ? ",M,***-**-6782,****-02-02," : ",M,123-45-6782,1970-02-02,"),
                 lines[1].constData());
        QVERIFY(lines[1].contains(",Bob,,Adams,"));
        QVERIFY(lines[2].contains(",Ann,,Miller,"));
        QVERIFY(lines[3].contains(",Zoe,,Young,"));
        QVERIFY(lines[3].contains(",'-7,")); // a number a spreadsheet would take as a formula
    }

    void exportCancelledOrRefusedWritesNothing() {
        WriteStaff(Staff());
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.AnswerSaveFile({});
        ChooseFromListMenu(w, u"mnuExportList"_s);
        QCOMPARE(p->prompts.Asked().size(), 1);

        const QString path = folder->Path() + u"/no such folder/out.csv"_s;
        p->prompts.AnswerSaveFile(path).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuExportList"_s);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 3);
        QCOMPARE(p->prompts.Asked()[2].icon, MsgIcon::Critical);
        QVERIFY2(p->prompts.Asked()[2].text.contains(u"out.csv"_s), qPrintable(p->prompts.Asked()[2].text));
        QVERIFY(!QFile::exists(path));
    }

    // "Save a Blank Sheet...", with or without a list: the header row alone, as a CSV file of the
    // golden bytes or a workbook, which the import reads back as a header without employees.
    void blankSheetHoldsTheHeaderAlone_data() {
        QTest::addColumn<bool>("empty"); // an empty file, the menu beside the list
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("CSV, empty file") << true << u"blank.CSV"_s << u"blank.CSV"_s;
        QTest::newRow("workbook, unnamed, a list") << false << u"blank"_s << u"blank.xlsx"_s;
    }
    void blankSheetHoldsTheHeaderAlone() {
        QFETCH(bool, empty);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        if (empty)
            p->prompts.Answer(MsgAnswer::OK); // "Database is empty"
        else
            WriteStaff(Staff());
        frmMain* w = OpenMainWindow(*p, 1);
        QVERIFY(w);
        const QString path = folder->Path() + u'/' + written;
        p->prompts.AnswerSaveFile(folder->Path() + u'/' + chosen).Answer(MsgAnswer::OK);
        QWidget* page = FindControl<QWidget>(w, u"tabMainPage(0)"_s);
        if (empty)
            ChooseFromPopupMenu(
                w,
                [page] {
                    QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5},
                                            page->mapToGlobal(QPoint(5, 5)));
                    QApplication::sendEvent(page, &event);
                },
                u"mnuBlankSheet"_s);
        else
            ChooseFromListMenu(w, u"mnuBlankSheet"_s);
        QCOMPARE(p->prompts.Pending(), 0);
        const QList<Prompt> asked = p->prompts.Asked();
        QVERIFY2(asked.at(asked.size() - 2).proposed.endsWith(u"/Employees - Blank Sheet.xlsx"_s),
                 qPrintable(asked.at(asked.size() - 2).proposed));
        QCOMPARE(asked.last().text, u"A blank sheet, the column headers alone, has been saved as\r\n"_s +
                                        path +
                                        u"\r\n\r\nFill in one employee a row, then import the sheet."_s);
        QCOMPARE(asked.last().title, u"Blank Sheet Saved"_s);
        if (written.endsWith(u".CSV"_s))
            COMPARE_GOLDEN(ReadFileBytes(path), u"blank-sheet.csv"_s);
        QCOMPARE(PlanImportFile(p->io, path).ErrorText(), u"The file holds a header but no employees."_s);
    }

    // Ctrl+C on the list, or Copy in its menu: the column names and the highlighted employee.
    // Under a setting that masks someone, a copy in full leaves a line in the user log.
    void copyPutsTheHighlightedEmployeeOnTheClipboard_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("setting"); // empty: none
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("Ctrl+C") << false << 2 << QString() << QByteArray();
        QTest::newRow("menu") << true << 2 << QString() << QByteArray();
        QTest::newRow("Ctrl+C, masked under 3") << false << 2 << u"3"_s << QByteArray();
        QTest::newRow("menu, in full under 3")
            << true << 3 << u"3"_s
            << QByteArray("12/08/2026 at 17:05:09 - Ann Lee took out full SSN/birth years: copy, 1 employee.\r\n");
    }
    void copyPutsTheHighlightedEmployeeOnTheClipboard() {
        QFETCH(bool, byMenu);
        QFETCH(int, level);
        QFETCH(QString, setting);
        QFETCH(QByteArray, log);
        WriteStaff(Staff());
        if (!setting.isEmpty())
            p->SetSensitiveLevel(setting);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        QGuiApplication::clipboard()->clear();
        ClickRow(w->grid, 2);
        if (byMenu)
            ChooseFromListMenu(w, u"mnuCopy"_s);
        else
            QTest::keyClick(w->grid, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QGuiApplication::clipboard()->text().split(u"\r\n"_s);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(u"DateCreated\tDateModified\tFirstName\tMiddleName\tLastName\t"_s));
        QVERIFY(lines[0].contains(u"\tSex\tSocialSecurityNumber\tDateOfBirth\t"_s));
        QVERIFY2(lines[1].contains(u"\tAnn\t\tMiller\t"_s), qPrintable(lines[1]));
        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(ReadFileBytes(u"User.Log"_s), log);
    }

    // Signed in at level 2 under SensitiveFieldsLevel=3, the user meets the first five digits of a
    // Social Security number or a year of birth nowhere: not on the screen, its tool tips, the
    // printed report (a real PDF), the clipboard or the exported file; and an edit keeps both on
    // disk byte for byte.
    void sensitiveFieldsLeaveNothingBelowTheLevel() {
        WriteStaff(Staff());
        GiveSsns();
        p->SetSensitiveLevel(u"3"_s);
        const QString pdfFolder = folder->Path() + u"/Printouts"_s;
        const auto pdf = MakePdfPrinter(p->prompts, pdfFolder, u"Rosterly"_s);
        ProgramWindows windows{
            p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, *pdf, [](int) {
            }};
        p->state.CurrentUserName = u"Ann Lee"_s;
        p->state.CurrentAccessLevel = 2;
        windows.ShowMainWindow();
        frmMain* w = windows.MainWindow();
        QVERIFY(QTest::qWaitFor([w] { return w->IsActivated(); }));
        const std::vector<PersonnelRecord> before = ReadRecords(u"Rosterly.Data"_s);
        const QRegularExpression secret(u"123-?45|1970|1985|1990"_s);
        QStringList reached;

        const QString csv = folder->Path() + u"/out.csv"_s;
        p->prompts.AnswerSaveFile(csv).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuExportList"_s);
        reached << QString::fromUtf8(ReadFileBytes(csv));
        for (int row = 1; row <= 3; ++row) {
            ClickRow(w->grid, row);
            QTest::mouseMove(w->recordPage->Box(BoxOfField(PersonnelField::DateOfBirth)));
            QTest::keyClick(w->grid, Qt::Key_C, Qt::ControlModifier);
            reached << ScreenTexts(w) << QGuiApplication::clipboard()->text();
            if (row == 1)
                p->prompts.Answer(MsgAnswer::Yes); // the printer is ready, asked once
            p->prompts.Answer(MsgAnswer::OK);      // where the PDF went
            Click(w, u"cmdPrintEntry"_s);
        }
        const QStringList pdfs = QDir(pdfFolder).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(pdfs.size(), 3);
        QStringList printed;
        for (const QString& name : pdfs) {
            for (const PdfWord& word : ReadPdfWords(QDir(pdfFolder).filePath(name)))
                printed << word.text;
        }
        // What the user was given instead: the masks, on paper and in the file.
        for (const QString& mask : {u"***-**-6781"_s, u"***-**-6782"_s, u"***-**-6783"_s, u"05/01/****"_s,
                                    u"02/02/****"_s, u"12/24/****"_s})
            QVERIFY2(printed.contains(mask), qPrintable(mask));
        QVERIFY(reached[0].contains(u",****-12-24,"_s));
        reached << printed;
        // Neither a leading part of a number nor a year of birth anywhere.
        for (const QString& text : reached)
            QVERIFY2(!secret.match(text).hasMatch(), qPrintable(text));

        ClickRow(w->grid, 2); // Miller, record 3
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        w->recordPage->SetFieldText(BoxOfField(PersonnelField::JobTitle), u"Head Nurse"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        const std::vector<PersonnelRecord> after = ReadRecords(u"Rosterly.Data"_s);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after[2].JobTitle(), u"Head Nurse"_s);
        for (std::size_t i = 0; i < after.size(); ++i) {
            for (PersonnelField f : {PersonnelField::SocialSecurityNumber, PersonnelField::DateOfBirth})
                QCOMPARE(after[i].Raw(f), before[i].Raw(f));
        }
        windows.MainWindow()->close();
    }

    // The preview names the count; Yes appends every row and shows them in the list, No nothing.
    void importAppendsEveryRowAfterThePreview_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void importAppendsEveryRowAfterThePreview() {
        QFETCH(bool, yes);
        WriteStaff(Staff());
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        const QString csv = folder->Path() + u"/new.csv"_s;
        WriteCsv(csv, "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                      "Baker,Cy,H,M,1960-01-01,1990-06-01\r\n"
                      "Ortiz,Dan,O,M,07/04/1975,1995-09-01\r\n");
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.AnswerFile(csv).Answer(yes ? MsgAnswer::Yes : MsgAnswer::No);
        if (yes)
            p->prompts.Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuImport"_s);

        QCOMPARE(p->prompts.Pending(), 0);
        const QList<Prompt> asked = p->prompts.Asked();
        QCOMPARE(asked[0].kind, Prompt::Kind::OpenFile);
        QCOMPARE(asked[0].title, u"Import Employees"_s);
        QCOMPARE(asked[0].filter, u"Spreadsheets (*.xlsx *.ods *.csv *.txt);;All files (*)"_s);
        QCOMPARE(asked[1].text, u"2 employees will be added to the personnel file from\r\n"_s + csv +
                                    u"\r\n\r\nDo you wish to continue?"_s);
        QCOMPARE(asked[1].buttons, MsgButtons::YesNo);
        QCOMPARE(asked[1].defaultButton, MsgDefault::Button2);
        if (!yes) {
            QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);
            return;
        }
        QCOMPARE(asked[2].text, u"Imported from new.csv: 2 added, 0 updated, 0 unchanged, 0 skipped."_s);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).left(before.size()), before);
        QCOMPARE(ReadRecordFromDisk(4).LastName().trimmed(), u"Baker"_s);
        QCOMPARE(ReadRecordFromDisk(5).FirstName().trimmed(), u"Dan"_s);
        // Created at the time of the import (the test clock's), and listed at once.
        QCOMPARE(ReadRecordFromDisk(5).DateCreated(), p->clock.NowOle());
        QStringList names;
        for (int row = 1; row < w->grid->Rows(); ++row)
            names << w->grid->TextMatrix(row, 0);
        QCOMPARE(names, QStringList({u"Adams, Bob"_s, u"Baker, Cy"_s, u"Miller, Ann"_s, u"Ortiz, Dan"_s,
                                     u"Young, Zoe"_s}));
    }

    // The round trip of an office: the list exported as a workbook or CSV, edited as a spreadsheet
    // would (a name changed where the employee number tells who it is, a job title, another
    // employee's Social Security number given to one on file, two new rows, one with a Social
    // Security number on file), imported back. The preview names each change and each likely
    // duplicate; adding and updating (the default) edits the employees on file as the signed-in user,
    // the history noting the file, and adds the new one; adding the duplicates too adds and updates
    // those rows as well. The list highlights the first one added.
    void importUpdatesEmployeesOnFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("summary");
        QTest::newRow("CSV, add new and update changed")
            << u"edited.csv"_s << u"Add New and &Update Changed"_s
            << u"1 added, 2 updated, 0 unchanged, 2 skipped."_s;
        QTest::newRow("workbook, duplicates too")
            << u"edited.xlsx"_s << u"Add New and &Duplicates, Update Changed"_s
            << u"2 added, 3 updated, 0 unchanged, 0 skipped."_s;
    }
    void importUpdatesEmployeesOnFile() {
        QFETCH(QString, name);
        QFETCH(QString, button);
        QFETCH(QString, summary);
        const bool all = button.contains(u"Duplicates"_s);
        WriteStaff(Staff());
        GiveSsns();
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        const QString path = folder->Path() + u'/' + name;
        p->prompts.AnswerSaveFile(path).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuExportList"_s);
        EditedSheet sheet(path);
        sheet.Set(2, "JobTitle", "Foreman");                 // Adams
        sheet.Set(3, "SocialSecurityNumber", "123-45-6782"); // Miller, given Adams' number
        sheet.Set(4, "LastName", "Young-Park");              // Young, employee number -7
        sheet.rows.insert(4, sheet.rows[1]);                 // Baker, new
        sheet.Set(5, "LastName", "Baker");
        sheet.Set(5, "SocialSecurityNumber", "999-99-9999");
        sheet.rows.insert(5, sheet.rows[4]); // Cole, with Miller's number
        sheet.Set(6, "LastName", "Cole");
        sheet.Set(6, "SocialSecurityNumber", "123-45-6783");
        sheet.Write(path);
        p->prompts.AnswerFile(path).AnswerChoice(button).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuImport"_s);

        QCOMPARE(p->prompts.Pending(), 0);
        const QList<Prompt> asked = p->prompts.Asked();
        QCOMPARE(asked.size(), 5);
        const Prompt& preview = asked[3];
        QCOMPARE(
            preview.text,
            QString(
                u"The file\r\n"_s + path +
                u"\r\nholds 5 employees.\r\n\r\n1 of them is new.\r\n2 of them are on file with "
                u"changes:\r\nLine 2 updates Adams, Bob: JobTitle '' -> 'Foreman'.\r\nLine 4 updates "
                u"Young, Zoe: LastName 'Young' -> 'Young-Park'.\r\n2 of them look like duplicates and will "
                u"be skipped:\r\nLine 3 has the Social Security number of Adams, Bob, who is already on "
                u"file.\r\nLine 6 has the Social Security number of Miller, Ann, who is already on "
                u"file.\r\n\r\nDo you wish to add the new employees and update the changed ones, or only "
                u"add the new ones? Or add the likely duplicates too?"_s)
                .replace(u"Line"_s, name.endsWith(u".xlsx"_s) ? u"Row"_s : u"Line"_s));
        QCOMPARE(preview.choices, QStringList({u"Add New and &Update Changed"_s, u"Add Only &New"_s,
                                               u"Add New and &Duplicates, Update Changed"_s, u"Cancel"_s}));
        QCOMPARE(preview.defaultChoice, 0);
        QCOMPARE(preview.cancelChoice, 3);
        QCOMPARE(asked[4].text, u"Imported from "_s + name + u": "_s + summary);

        QList<HistoryEntry> edits;
        QVERIFY(ReadHistory(p->io, HistoryFileName, [&](const HistoryEntry& e) {
            if (e.action != HistoryAction::Started)
                edits << e;
        }));
        // In the file's order: the import is one change.
        QList<HistoryChange> changes{{u"LastName"_s, u"Young"_s, u"Young-Park"_s},
                                     {u"JobTitle"_s, {}, u"Foreman"_s}};
        if (all)
            changes << HistoryChange{u"SocialSecurityNumber"_s, u"123-45-6783"_s, u"123-45-6782"_s};
        QCOMPARE(edits.size(), changes.size() + (all ? 2 : 1));
        for (qsizetype i = 0; i < edits.size(); ++i) {
            if (i < changes.size())
                QCOMPARE(edits[i].changes, QList<HistoryChange>{changes[i]});
            else
                QCOMPARE(edits[i].action, HistoryAction::Imported);
            QCOMPARE(edits[i].user, u"Ann Lee"_s);
            QCOMPARE(edits[i].note, u"from "_s + name);
        }
        QCOMPARE(ReadRecordFromDisk(1).LastName(), u"Young-Park"_s);
        QCOMPARE(ReadRecordFromDisk(1).DateModified(), p->clock.NowOle());
        QCOMPARE(ReadRecordFromDisk(2).JobTitle(), u"Foreman"_s);
        QCOMPARE(ReadRecordFromDisk(3).SocialSecurityNumber(), all ? u"123-45-6782"_s : u"123-45-6783"_s);
        QCOMPARE(ReadRecordFromDisk(4).LastName(), u"Baker"_s);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).size(), (all ? 5 : 4) * PersonnelRecordLength);
        QCOMPARE(w->grid->Rows(), all ? 6 : 5);
        QCOMPARE(w->grid->TextMatrix(w->grid->Row(), 0), u"Baker, Bob"_s);
        QCOMPARE(w->grid->TextMatrix(w->grid->Rows() - 1, 0), u"Young-Park, Zoe"_s);
    }

    // The preview's other forms, asked of the import alone: an employee on file unchanged (the
    // default then only adds, and no duplicates are there to add), more duplicates than it names,
    // Cancel, and a masked duplicate that refuses the import once it is to be added; the rebuild is
    // handed the first record added.
    void importPreviewForms_data() {
        QTest::addColumn<int>("copies"); // rows of Adams, Bob as on file (-2: the second born ****-02-02)
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("question"); // how the preview ends
        QTest::addColumn<QString>("outcome");  // the last message; empty: none
        QTest::addColumn<int>("added");
        const QString question =
            u"\r\n\r\nDo you wish to add the new employees and update the changed ones, or "
            u"only add the new ones?"_s;
        QTest::newRow("unchanged, only new")
            << 1 << u"Add Only &New"_s
            << u"1 of them is on file unchanged and will be passed over."_s + question
            << u"Imported from copies.csv: 0 added, 0 updated, 1 unchanged, 0 skipped."_s << 0;
        QTest::newRow("seven, add and update")
            << 7 << u"Add New and &Update Changed"_s
            << u"Line 7 looks like line 2: Adams, Bob, born 02/02/1970.\r\n... and 1 more."_s + question
            << u"Imported from copies.csv: 0 added, 0 updated, 1 unchanged, 6 skipped."_s << 0;
        QTest::newRow("cancel")
            << 2 << u"Cancel"_s
            << u"1 of them looks like a duplicate and will be skipped:\r\nLine 3 looks like "
               u"line 2: Adams, Bob, born 02/02/1970."_s
            << QString() << 0;
        QTest::newRow("a masked copy, duplicates too")
            << -2 << u"Add New and &Duplicates, Update Changed"_s << u"line 2: Adams, Bob, born 02/02/1970."_s
            << u"Nothing has been imported from\r\n%1\r\n\r\nLine 3, column 'DateOfBirth' is masked, and the "
               u"row is no employee on file whose value it could keep. Fill in the whole value, or export "
               u"the "
               u"list again as a user who sees it.\r\n\r\nPlease correct the file and import it again."_s
            << 0;
    }
    void importPreviewForms() {
        QFETCH(int, copies);
        QFETCH(QString, button);
        QFETCH(QString, question);
        QFETCH(QString, outcome);
        QFETCH(int, added);
        WriteStaff(Staff());
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        QByteArray csv = "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n";
        for (int i = 0; i < std::abs(copies); ++i)
            csv += QByteArray("Adams,Bob,B,M,") + (copies < 0 && i > 0 ? "****" : "1970") +
                   "-02-02,2000-03-15\r\n";
        const QString path = folder->Path() + u"/copies.csv"_s;
        WriteCsv(path, csv);
        p->state.CurrentAccessLevel = 4;
        p->prompts.AnswerFile(path).AnswerChoice(button);
        if (!outcome.isEmpty())
            p->prompts.Answer(MsgAnswer::OK);
        QList<qint32> rebuilt;
        QWidget window;
        ImportEmployees(p->ctx(), &window, [&rebuilt](qint32 first) { rebuilt << first; });

        QCOMPARE(p->prompts.Pending(), 0);
        const QList<Prompt> asked = p->prompts.Asked();
        QCOMPARE(asked.size(), outcome.isEmpty() ? 2 : 3);
        QVERIFY2(asked[1].text.contains(question),
                 qPrintable(QString(asked[1].text).replace(u"\r\n"_s, u"|"_s)));
        QCOMPARE(asked[1].choices.size(), copies == 1 ? 3 : 4);
        QCOMPARE(asked[1].cancelChoice, asked[1].choices.size() - 1);
        if (!outcome.isEmpty())
            QCOMPARE(asked[2].text, outcome.contains(u"%1"_s) ? outcome.arg(path) : outcome);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s).size(), before.size() + added * PersonnelRecordLength);
        QCOMPARE(rebuilt, added > 0 ? QList<qint32>{4} : QList<qint32>{});
    }

    // With an empty file there is no list; the menu beside it imports the first employees.
    void importFillsAnEmptyFile() {
        p->prompts.Answer(MsgAnswer::OK); // "Database is empty"
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        QVERIFY(!w->grid->isVisible());
        const QString csv = folder->Path() + u"/first.csv"_s;
        WriteCsv(csv, "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                      "Baker,Cy,H,M,1960-01-01,1990-06-01\r\n");
        p->prompts.AnswerFile(csv).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        QWidget* page = FindControl<QWidget>(w, u"tabMainPage(0)"_s);
        const MenuSeen seen = ChooseFromPopupMenu(
            w,
            [page] {
                const QPoint at(5, 5);
                QContextMenuEvent event(QContextMenuEvent::Mouse, at, page->mapToGlobal(at));
                QApplication::sendEvent(page, &event);
            },
            u"mnuImport"_s);
        QCOMPARE(seen.items,
                 QStringList({u"mnuExportList|&Export this List...|off"_s,
                              u"mnuBlankSheet|Save a &Blank Sheet...|on"_s, u"mnuCopy|&Copy|off"_s,
                              u"mnuHistory|&History of this Employee...|on"_s, u"|-|on"_s,
                              u"mnuImport|&Import Employees...|on"_s}));
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().last().text,
                 u"Imported from first.csv: 1 added, 0 updated, 0 unchanged, 0 skipped."_s);
        QVERIFY(w->grid->isVisible());
        QCOMPARE(w->grid->TextMatrix(1, 0), u"Baker, Cy"_s);
        QCOMPARE(w->recordPage->FieldText(3), u"Baker"_s);
    }

    // With an empty file the menu's history item still opens the history window, on its Find box
    // and with no employee; with fades on, the main window dims around it as around Help.
    void historyOpensOnItsFindBoxWithAnEmptyList() {
        p->prompts.Answer(MsgAnswer::OK); // "Database is empty"
        p->SetFades(true);
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        QTRY_VERIFY(!w->Fade()->IsFading());
        QString seen;
        const ShowWatch<frmHistory> watch([&](frmHistory* d) {
            QTimer::singleShot(0, d, [&, d] {
                QTRY_VERIFY(!d->Fade()->IsFading() && !w->Fade()->IsFading());
                seen = u"%1: find focused %2, print %3, export %4, dimmed to %5, shown at %6"_s
                           .arg(d->windowTitle())
                           .arg(d->txtFind->hasFocus())
                           .arg(d->cmdPrint->isEnabled())
                           .arg(d->cmdExport->isEnabled())
                           .arg(qRound(w->windowOpacity() * 255))
                           .arg(qRound(d->windowOpacity() * 255));
                QTest::mouseClick(d->cmdClose, Qt::LeftButton);
            });
        });
        QWidget* page = FindControl<QWidget>(w, u"tabMainPage(0)"_s);
        ChooseFromPopupMenu(
            w,
            [page] {
                QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5}, page->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(page, &event);
            },
            u"mnuHistory"_s);
        QCOMPARE(seen,
                 u"Rosterly - History: find focused 1, print 0, export 0, dimmed to 204, shown at 255"_s);
        QTRY_VERIFY(!w->Fade()->IsFading());
        QCOMPARE(w->windowOpacity(), 1.0);
    }

    // An import that has taken a second shows what it does and how far it has come over the
    // disabled window; Cancel there ends it with the file as it was and nothing more asked.
    void importShowsItsProgressAndCancels() {
        WriteStaff(Staff());
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        const QString csv = folder->Path() + u"/many.csv"_s;
        WriteCsv(csv, "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n" +
                          QByteArray("Baker,Cy,H,M,1960-01-01,1990-06-01\r\n").repeated(600));
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        // Each read of the file takes two seconds by the program's clock.
        p->io.onRead = [this] {
            p->clock.Set(p->clock.Now().addSecs(2));
        };
        QStringList seen;
        const ShowWatch<frmProgress> watch([&](frmProgress* progress) {
            seen << progress->windowTitle() << progress->lblAction->text()
                 << QString::number(progress->barProgress->value())
                 << (progress->cmdCancel->isEnabled() ? u"Cancel on"_s : u"Cancel off"_s)
                 << (w->isEnabled() ? u"window on"_s : u"window off"_s);
            QTest::mouseClick(progress->cmdCancel, Qt::LeftButton);
        });
        p->prompts.AnswerFile(csv);
        ChooseFromListMenu(w, u"mnuImport"_s);
        p->io.onRead = nullptr;

        QCOMPARE(seen, QStringList({u"Import Employees"_s, u"Reading and checking the file..."_s, u"2"_s,
                                    u"Cancel on"_s, u"window off"_s}));
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);
        QVERIFY(w->isEnabled());
        QVERIFY(w->findChildren<frmProgress*>().isEmpty());
        QCOMPARE(w->grid->Rows(), 4);
    }

    void importWithAFaultAddsNothing() {
        WriteStaff(Staff());
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        const QString csv = folder->Path() + u"/bad.csv"_s;
        WriteCsv(csv, "LastName,FirstName,Race,Sex,DateOfBirth,DateOfEmployment\r\n"
                      "Baker,Cy,H,M,1960-01-01,1990-06-01\r\n"
                      "Ortiz,Dan,X,M,1975-07-04,1995-09-01\r\n");
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.AnswerFile(csv).Answer(MsgAnswer::OK);
        ChooseFromListMenu(w, u"mnuImport"_s);
        QCOMPARE(p->prompts.Pending(), 0);
        const Prompt& refused = p->prompts.Asked()[1];
        QCOMPARE(refused.text, u"Nothing has been imported from\r\n"_s + csv +
                                   u"\r\n\r\nLine 3, column 'Race': 'X' is not W, B, H, A or O."_s +
                                   u"\r\n\r\nPlease correct the file and import it again."_s);
        QCOMPARE(refused.icon, MsgIcon::Exclamation);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);
    }
};

QTEST_MAIN(TestListMenu)
#include "tst_listmenu.moc"
