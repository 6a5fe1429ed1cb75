// The employee list printout from the real main window: every text and position of the pages on
// the recording printer, page breaks, cut columns, the printer question, printer errors, and one
// real PDF file read back word by word.
#include "list/listbuilder.h"
#include "listpage/frmlistoptions.h"
#include "print/listprintout.h"
#include "support/golden.h"
#include "support/pdfwords.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/orvicbutton.h"

#include <QDir>
#include <QGroupBox>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Item = RecordingPrinter::Item;

const QString Caption = u"Rosterly - Harbor Clinic"_s;

// An employee of these lists: born and hired on the same days as every other.
StaffMember Employee(const QString& last, const QString& first, const QString& title,
                     const QString& sex = u"F"_s) {
    return {.last = last,
            .first = first,
            .born = {1980, 4, 1},
            .hired = {2010, 6, 1},
            .sex = sex,
            .title = title};
}

// `count` employees listed in the order written: Staff01, Staff02, ...
std::vector<StaffMember> Numbered(int count) {
    std::vector<StaffMember> staff;
    for (int i = 1; i <= count; ++i)
        staff.push_back(Employee(u"Staff%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"Ann"_s, u"Clerk"_s));
    return staff;
}

frmMain* Open(TestProgram& p) {
    p.settings.SaveSetting(u"Rosterly"_s, u"Defaults"_s, u"Organization"_s, u"Harbor Clinic"_s);
    return OpenMainWindow(p);
}

void ClickPrintList(frmMain* w) {
    QVERIFY(w->cmdPrintList->isVisible());
    QTest::mouseClick(w->cmdPrintList, Qt::LeftButton);
}

// The line height of the printout's font.
double LineHeight() {
    RecordingPrinter r;
    r.Font.size = 9;
    return r.TextHeight();
}

// How many rows a page holds: rows go on until one lies past 8.8 inches.
int RowsPerPage() {
    const double h = LineHeight();
    double y = 1 + 4 * h;
    int rows = 1;
    while (y <= 8.8) {
        y += h;
        ++rows;
    }
    return rows;
}

} // namespace

class TestListPrintout : public ProgramTest {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void onePageListAsTheGridShowsIt() {
        CHECKED(WriteStaff(
            {Employee(u"Young"_s, u"Zoe"_s, u"Cashier"_s), Employee(u"Adams"_s, u"Bob"_s, u"Nurse"_s, u"M"_s),
             Employee(u"Miller"_s, u"Ann"_s, u"Nurse Aide"_s), Employee(u"Cole"_s, u"Dee"_s, u"Driver"_s)}));
        frmMain* w = Open(*p);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), Caption);
        // The women only: the heading names the filter.
        ClickTabOf(w->tabMain, 1);
        ClickOption(w, u"optSex(3)"_s);
        ClickTabOf(w->tabMain, 0);
        QCOMPARE(w->ListFrameCaption(), u"Current Employees - Sex: Female"_s);

        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        QCOMPARE(p->prompts.Pending(), 0);
        COMPARE_GOLDEN(p->printer.Listing(), u"women.txt"_s);
        // A quarter inch further from the paper's edge.
        for (const Item& t : p->printer.Texts()) {
            QVERIFY(std::abs(t.paperX - t.x - 0.25) < 1e-9 && std::abs(t.paperY - t.y - 0.25) < 1e-9);
        }
        QVERIFY(w->isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    // The printout is the list as the grid shows it to the user, so a user below the
    // SensitiveFieldsLevel setting gets the birth dates masked on paper too.
    void birthDatesAsTheUserSeesThem_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("setting"); // empty: none
        QTest::addColumn<int>("type");        // optTypeList
        QTest::addColumn<QString>("golden");  // equal dates stay in file order
        QTest::addColumn<QByteArray>("log");  // the user log: a printout in full under a setting above 1
        const QByteArray logged(
            "12/08/2026 at 17:05:09 - Ann Lee took out full SSN/birth years: list printout, "
            "2 employees.\r\n");
        QTest::newRow("by age, no setting") << 1 << QString() << 3 << u"by-age.txt"_s << QByteArray();
        QTest::newRow("by age, level 2 under 3")
            << 2 << u"3"_s << 3 << u"by-age-masked.txt"_s << QByteArray();
        QTest::newRow("by age, level 3 under 3") << 3 << u"3"_s << 3 << u"by-age.txt"_s << logged;
        QTest::newRow("birthdays, level 4 under 4") << 4 << u"4"_s << 4 << u"birthdays.txt"_s << logged;
        QTest::newRow("birthdays, level 3 under 4")
            << 3 << u"4"_s << 4 << u"birthdays-masked.txt"_s << QByteArray();
    }
    void birthDatesAsTheUserSeesThem() {
        QFETCH(int, level);
        QFETCH(QString, setting);
        QFETCH(int, type);
        QFETCH(QString, golden);
        QFETCH(QByteArray, log);
        CHECKED(WriteStaff(
            {Employee(u"Cole"_s, u"Dee"_s, u"Driver"_s), Employee(u"Adams"_s, u"Bob"_s, u"Nurse"_s)}));
        if (!setting.isEmpty())
            p->SetSensitiveLevel(setting);
        p->settings.SaveSetting(u"Rosterly"_s, u"Defaults"_s, u"Organization"_s, u"Harbor Clinic"_s);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        ClickTabOf(w->tabMain, 1);
        ClickOption(w, u"optTypeList(%1)"_s.arg(type));
        ClickTabOf(w->tabMain, 0);

        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        COMPARE_GOLDEN(p->printer.Listing(), golden);
        QCOMPARE(ReadFileBytes(u"User.Log"_s), log);
    }

    void listThatFillsExactlyOnePage() {
        const int rows = RowsPerPage();
        CHECKED(WriteStaff(Numbered(rows)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        QVERIFY(p->printer.Texts().last().y > 8.8); // the end line is past the page end
        COMPARE_GOLDEN(p->printer.Listing(), u"one-full-page.txt"_s);
    }

    void longListGoesOnWithTheHeadingOnPageTwo() {
        const int rows = RowsPerPage();
        CHECKED(WriteStaff(Numbered(rows + 2)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        // Page 2 opens with its number and the heading, and takes the last two rows.
        COMPARE_GOLDEN(p->printer.Listing(), u"two-pages.txt"_s);
    }

    // Cells longer than their columns (longer than the file's fields can make them) are cut, the
    // last column is not.
    void longCellsAreCutButNotTheLastColumn() {
        AppContext ctx{p->state, p->settings,  p->prompts, p->clock,
                       p->io,    p->personnel, p->printer, p->windows};
        const QString name = u"Featherstonehaugh-Cholmondeley-Worthington, Alexandra Jane"_s; // 58
        const QString second = u"1234 Long Meadow Road, Apartment 5B, Springfield IL 62704"_s;
        const QString third = u"a date column text that is much longer than any real one"_s;
        EmployeeListResult list;
        list.formatString = u"Name|<Title|<Date of Employment"_s;
        // Column 2 as the seniority and birthday lists show it: a real column, not the
        // alphabetical list's one-twip filler.
        list.colWidths = {3000, 2000, 1500};
        list.cells = {name,           second,      third,  u"1"_s, u"a"_s,
                      u"Baker, Cy"_s, u"Driver"_s, u"x"_s, u"2"_s, u"b"_s};
        list.cols = 5;
        p->prompts.Answer(MsgAnswer::Yes);
        PrintEmployeeList(ctx, nullptr, list, u"Current Employees"_s);
        COMPARE_GOLDEN(p->printer.Listing(), u"long-cells.txt"_s);
    }

    void printerQuestionUntilYes() {
        CHECKED(WriteStaff(Numbered(2)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::No);
        CHECKED(ClickPrintList(w));
        p->prompts.Answer(MsgAnswer::Cancel);
        CHECKED(ClickPrintList(w));
        QVERIFY(p->printer.Items().isEmpty());
        QVERIFY(w->isEnabled());
        QCOMPARE(p->prompts.Asked().size(), 2);
        for (const Prompt& q : p->prompts.Asked()) {
            QCOMPARE(q.title, u"Printer Status..."_s);
            QCOMPARE(q.text, u"Is your printer ready?"_s);
            QCOMPARE(q.icon, MsgIcon::Question);
            QCOMPARE(q.buttons, MsgButtons::YesNoCancel);
        }

        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        QCOMPARE(p->printer.Documents(), 1);
        // No more questions; each printout counts its pages from 1.
        CHECKED(ClickPrintList(w));
        QCOMPARE(p->prompts.Asked().size(), 3);
        QCOMPARE(p->printer.Documents(), 2);
        COMPARE_GOLDEN(p->printer.Listing(2), u"two-employees.txt"_s);
    }

    void windowIsBusyWhilePrinting() {
        CHECKED(WriteStaff(Numbered(3)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        // Notes the printer's output at each change of the window's enabled state.
        struct Watcher : QObject {
            const RecordingPrinter* printer;
            QList<QPair<bool, qsizetype>> changes;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::EnabledChange)
                    changes << qMakePair(static_cast<QWidget*>(o)->isEnabled(), printer->Items().size());
                return false;
            }
        } watcher;
        watcher.printer = &p->printer;
        w->installEventFilter(&watcher);
        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        w->removeEventFilter(&watcher);
        const qsizetype all = p->printer.Items().size();
        QCOMPARE(watcher.changes, (QList<QPair<bool, qsizetype>>{{false, 0}, {true, all}}));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void printerErrorIsReported() {
        CHECKED(WriteStaff(Numbered(2)));
        const QByteArray before = ReadFileBytes(u"Rosterly.Data"_s);
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->printer.FailNextEndDoc(u"The printer is out of paper."_s);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        CHECKED(ClickPrintList(w));
        QCOMPARE(p->prompts.Asked().size(), 2);
        const Prompt& q = p->prompts.Asked()[1];
        QCOMPARE(q.title, u"Printer Error"_s);
        QCOMPARE(q.text, u"The printout did not go through.\r\n\r\nThe printer is out of paper."_s);
        QCOMPARE(q.icon, MsgIcon::Critical);
        QCOMPARE(q.buttons, MsgButtons::OKOnly);
        QVERIFY(w->isEnabled());
        QCOMPARE(w->grid->Rows(), 3);
        QCOMPARE(ReadFileBytes(u"Rosterly.Data"_s), before);
        // The next printout goes through without a word.
        CHECKED(ClickPrintList(w));
        QCOMPARE(p->prompts.Asked().size(), 2);
        QCOMPARE(p->printer.Documents(), 2);
    }

    void realPdf() {
        const int rows = RowsPerPage();
        CHECKED(WriteStaff(Numbered(rows + 2)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        const QString dir = folder->FilePath(u"Printouts"_s);
        auto pdf = MakePdfPrinter(p->prompts, dir, u"Rosterly"_s);
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, *pdf, p->windows};
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        PrintEmployeeList(ctx, w, w->List(), w->ListFrameCaption());
        QCOMPARE(p->prompts.Asked().size(), 2);
        QCOMPARE(p->prompts.Asked()[1].title, u"Printout Saved"_s);
        const QStringList files = QDir(dir).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QString error;
        const QList<PdfWord> words = ReadPdfWords(QDir(dir).filePath(files.first()), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(PdfPageCount(words), 2);

        // A position (x, y) of the printable area is a quarter inch further in on the paper.
        const double h = LineHeight();
        const auto at = [&](const QString& text, int page, double x, double y) {
            const PdfWord* word = FindPdfWord(words, text, page);
            QVERIFY2(word, qPrintable(text));
            QVERIFY2(std::abs(word->xMin - (x + 0.25)) < 0.03 && std::abs(word->yMin - (y + 0.25)) < 0.05,
                     qPrintable(u"%1 at %2/%3"_s.arg(text).arg(word->xMin).arg(word->yMin)));
        };
        CHECKED(at(u"Rosterly"_s, 1, 0.5, 1.0));
        CHECKED(at(u"Printout"_s, 1, 0.5, 1.0 + h));
        CHECKED(at(u"Name"_s, 1, 0.5, 1.0 + 3 * h));
        CHECKED(at(u"Job"_s, 1, 4.0, 1.0 + 3 * h));
        CHECKED(at(u"Staff01,"_s, 1, 0.5, 1.0 + 4 * h));
        CHECKED(at(u"Clerk"_s, 1, 4.0, 1.0 + 4 * h));
        CHECKED(at(u"Rosterly"_s, 2, 0.5, 1.0));
        QVERIFY(FindPdfWord(words, u"2,"_s, 2)); // " -- Page 2, "
        CHECKED(at(u"Staff%1,"_s.arg(rows + 1), 2, 0.5, 1.0 + 4 * h));
        CHECKED(at(u"End"_s, 2, 0.5, 1.0 + 6 * h));
        QVERIFY(FindPdfWord(words, u"End"_s, 1) == nullptr);
    }
};

QTEST_MAIN(TestListPrintout)
#include "tst_listprintout.moc"
