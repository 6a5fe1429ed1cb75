// The employee list printout from the real main window: every text and position of the pages on
// the recording printer, page breaks, cut columns, the printer question, printer errors, and one
// real PDF file read back word by word.
#include "listpage/frmlistoptions.h"
#include "list/listbuilder.h"
#include "print/listprintout.h"
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
const QString Stamp = u"12/8/2026 5:05:09 PM"_s; // the test clock in the general date format
const QString Rule = u"<rule>"_s;

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

// A printed piece: a text, or a whole rule of underscores as Rule at its first underscore.
struct Piece {
    int page;
    QString text;
    double x, y;
};

// The texts of document `document` with each rule of underscores joined into one piece. A rule
// must be unbroken and end at 7.6 inches or just past.
QList<Piece> Pieces(const RecordingPrinter& r, int document = 1) {
    QList<Piece> pieces;
    RecordingPrinter measure;
    measure.Font.size = 9;
    const double w = measure.TextWidth(u"_"_s);
    double ruleEnd = 0;
    const auto closeRule = [&] {
        if (!pieces.isEmpty() && pieces.last().text == Rule)
            QVERIFY2(ruleEnd < 7.6 && ruleEnd + w >= 7.6, qPrintable(QString::number(ruleEnd)));
    };
    for (const Item& t : r.Texts()) {
        if (t.document != document)
            continue;
        if (t.text == u"_"_s && !pieces.isEmpty() && pieces.last().text == Rule &&
            pieces.last().page == t.page && t.y == pieces.last().y && std::abs(t.x - (ruleEnd + w)) < 1e-9) {
            ruleEnd = t.x;
            continue;
        }
        closeRule();
        if (t.text == u"_"_s) {
            pieces << Piece{t.page, Rule, t.x, t.y};
            ruleEnd = t.x;
        } else {
            pieces << Piece{t.page, t.text, t.x, t.y};
        }
    }
    closeRule();
    return pieces;
}

void ComparePieces(const QList<Piece>& actual, const QList<Piece>& expected) {
    for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        const Piece& a = actual[i];
        const Piece& e = expected[i];
        const QString where =
            u"piece %1: '%2' at %3/%4 p%5"_s.arg(i).arg(a.text).arg(a.x).arg(a.y).arg(a.page);
        QVERIFY2(a.text == e.text, qPrintable(where + u", expected '"_s + e.text + u'\''));
        QVERIFY2(a.page == e.page && std::abs(a.x - e.x) < 1e-6 && std::abs(a.y - e.y) < 1e-6,
                 qPrintable(where + u", expected %1/%2 p%3"_s.arg(e.x).arg(e.y).arg(e.page)));
    }
    QCOMPARE(actual.size(), expected.size());
}

// The heading block of a page as it should print, from y = 1; `y` is left on the first row.
void AddHeading(QList<Piece>& pieces, int page, const QString& listCaption, const QStringList& headings,
                double& y) {
    const double h = LineHeight();
    y = 1;
    pieces << Piece{page, Caption + u" -- Page %1, "_s.arg(page) + Stamp, 0.5, y};
    y += h;
    pieces << Piece{page, u"Printout of "_s + listCaption, 0.5, y};
    y += h;
    pieces << Piece{page, Rule, 0.5, y};
    y += h;
    const double xs[] = {0.5, 4.0, 6.2};
    for (int c = 0; c < 3; ++c) {
        if (!headings[c].isEmpty())
            pieces << Piece{page, headings[c], xs[c], y};
    }
    pieces << Piece{page, Rule, 0.5, y};
    y += h;
}

void AddRow(QList<Piece>& pieces, int page, const QStringList& cells, double y) {
    const double xs[] = {0.5, 4.0, 6.2};
    for (int c = 0; c < 3; ++c) {
        if (!cells[c].isEmpty())
            pieces << Piece{page, cells[c], xs[c], y};
    }
}

int Count(const RecordingPrinter& r, Item::Kind kind) {
    int n = 0;
    for (const Item& i : r.Items())
        n += i.kind == kind ? 1 : 0;
    return n;
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

// The expected printout of `count` numbered employees.
QList<Piece> NumberedPrintout(int count) {
    const double h = LineHeight();
    const QStringList headings{u"Name"_s, u"Job Title"_s, QString()};
    QList<Piece> pieces;
    int page = 0;
    double y = 0;
    for (int i = 1; i <= count; ++i) {
        if (y < 1)
            AddHeading(pieces, ++page, u"Current Employees"_s, headings, y);
        AddRow(pieces, page, {u"Staff%1, Ann"_s.arg(i, 2, 10, QLatin1Char('0')), u"Clerk"_s, {}}, y);
        if (y > 8.8 || i == count) {
            pieces << Piece{page, Rule, 0.5, y};
            y = i == count ? y + h : 0;
        } else {
            y += h;
        }
    }
    pieces << Piece{page, u"End of Printout"_s, 0.5, y};
    return pieces;
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
        const double h = LineHeight();
        QList<Piece> expected;
        double y = 0;
        AddHeading(expected, 1, u"Current Employees - Sex: Female"_s, {u"Name"_s, u"Job Title"_s, QString()},
                   y);
        QCOMPARE(y, 1 + 4 * h);
        AddRow(expected, 1, {u"Cole, Dee"_s, u"Driver"_s, {}}, y);
        AddRow(expected, 1, {u"Miller, Ann"_s, u"Nurse Aide"_s, {}}, y += h);
        AddRow(expected, 1, {u"Young, Zoe"_s, u"Cashier"_s, {}}, y += h);
        expected << Piece{1, Rule, 0.5, y};
        expected << Piece{1, u"End of Printout"_s, 0.5, y + h};
        CHECKED(ComparePieces(Pieces(p->printer), expected));
        QCOMPARE(Count(p->printer, Item::Kind::NewPage), 0);
        QCOMPARE(p->printer.Documents(), 1);
        QCOMPARE(p->printer.Items().last().kind, Item::Kind::EndDoc);
        // Plain Arial 9 throughout, a quarter inch further from the paper's edge.
        for (const Item& t : p->printer.Texts()) {
            QCOMPARE(t.font, (PrinterFont{u"Arial"_s, 9}));
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
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QStringList>("rows"); // "name|second|third"; equal dates stay in file order
        QTest::addColumn<QByteArray>("log");   // the user log: a printout in full under a setting above 1
        const QStringList byAge{u"Name"_s, u"Date of Birth"_s, u"Current Age"_s};
        const QByteArray logged("12/08/2026 at 17:05:09 - Ann Lee took out full SSN/birth years: list printout, "
                                "2 employees.\r\n");
        const QStringList birthdays{u"Name"_s, u"Birthday"_s, u"Age on this Birthday"_s};
        QTest::newRow("by age, no setting")
            << 1 << QString() << 3 << byAge
            << QStringList{u"Cole, Dee|04/01/1980|46"_s, u"Adams, Bob|04/01/1980|46"_s} << QByteArray();
        QTest::newRow("by age, level 2 under 3") << 2 << u"3"_s << 3 << byAge
                                                 << QStringList{u"Cole, Dee|04/01|"_s, u"Adams, Bob|04/01|"_s}
                                                 << QByteArray();
        QTest::newRow("by age, level 3 under 3")
            << 3 << u"3"_s << 3 << byAge
            << QStringList{u"Cole, Dee|04/01/1980|46"_s, u"Adams, Bob|04/01/1980|46"_s} << logged;
        QTest::newRow("birthdays, level 4 under 4")
            << 4 << u"4"_s << 4 << birthdays
            << QStringList{u"Cole, Dee|Apr 01| (46)"_s, u"Adams, Bob|Apr 01| (46)"_s} << logged;
        QTest::newRow("birthdays, level 3 under 4")
            << 3 << u"4"_s << 4 << birthdays << QStringList{u"Cole, Dee|Apr 01|"_s, u"Adams, Bob|Apr 01|"_s}
            << QByteArray();
    }
    void birthDatesAsTheUserSeesThem() {
        QFETCH(int, level);
        QFETCH(QString, setting);
        QFETCH(int, type);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, rows);
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
        const double h = LineHeight();
        QList<Piece> expected;
        double y = 0;
        AddHeading(expected, 1, w->ListFrameCaption(), headings, y);
        for (const QString& row : rows) {
            AddRow(expected, 1, row.split(u'|'), y);
            y += h;
        }
        expected << Piece{1, Rule, 0.5, y - h};
        expected << Piece{1, u"End of Printout"_s, 0.5, y};
        CHECKED(ComparePieces(Pieces(p->printer), expected));        QCOMPARE(ReadFileBytes(u"User.Log"_s), log);
    }

    void listThatFillsExactlyOnePage() {
        const int rows = RowsPerPage();
        CHECKED(WriteStaff(Numbered(rows)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        const QList<Piece> expected = NumberedPrintout(rows);
        QVERIFY(expected.last().y > 8.8); // the last row is past the page end
        CHECKED(ComparePieces(Pieces(p->printer), expected));
        QCOMPARE(Count(p->printer, Item::Kind::NewPage), 0);
        QCOMPARE(p->printer.Documents(), 1);
    }

    void longListGoesOnWithTheHeadingOnPageTwo() {
        const int rows = RowsPerPage();
        CHECKED(WriteStaff(Numbered(rows + 2)));
        frmMain* w = Open(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);
        CHECKED(ClickPrintList(w));
        const QList<Piece> expected = NumberedPrintout(rows + 2);
        CHECKED(ComparePieces(Pieces(p->printer), expected));
        QCOMPARE(Count(p->printer, Item::Kind::NewPage), 1);
        QCOMPARE(p->printer.Documents(), 1);
        // Spelled out: page 2 opens with its number and takes the last two rows.
        const QList<Piece> all = Pieces(p->printer);
        const auto firstOnPage2 =
            std::find_if(all.begin(), all.end(), [](const Piece& x) { return x.page == 2; });
        QCOMPARE(firstOnPage2->text, Caption + u" -- Page 2, 12/8/2026 5:05:09 PM"_s);
        QCOMPARE(firstOnPage2->y, 1.0);
        // After the two heading lines, a rule, the column headings and their rule.
        QCOMPARE((firstOnPage2 + 6)->text, u"Staff%1, Ann"_s.arg(rows + 1));
        QCOMPARE(all.last().text, u"End of Printout"_s);
        QCOMPARE(all.last().page, 2);
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
        const QList<Piece> pieces = Pieces(p->printer);
        // Two heading lines, a rule, three column headings and a rule come first.
        QCOMPARE(pieces[3].text, u"Name"_s);
        QCOMPARE(pieces[4].text, u"Title"_s);
        QCOMPARE(pieces[5].text, u"Date of Employment"_s);
        QCOMPARE(pieces[7].text, name.left(50));
        QCOMPARE(pieces[7].text, u"Featherstonehaugh-Cholmondeley-Worthington, Alexan"_s);
        QCOMPARE(pieces[8].text, u"1234 Long Meadow Road, Apartment 5B, Spr"_s);
        QCOMPARE(pieces[9].text, third);
        QCOMPARE(pieces[10].text, u"Baker, Cy"_s);
        QCOMPARE(pieces[11].text, u"Driver"_s);
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
        const QList<Piece> second = Pieces(p->printer, 2);
        CHECKED(ComparePieces(second, NumberedPrintout(2)));
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
