// The "Annual Employee Information Update" forms from the real main window: the pop-up menu by
// list length, the page-count question, the forms for the whole list or the highlighted employee,
// every line of a form at its place, the busy window, a printer failure, and a real PDF.
#include "support/programtest.h"
#include "support/recordfixture.h"

#include "core/appcontext.h"
#include "data/ansitext.h"
#include "print/printer.h"
#include "print/updateforms.h"
#include "support/golden.h"
#include "support/pdfwords.h"
#include "ui/orvicbutton.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPointer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Kind = RecordingPrinter::Item::Kind;

const PrinterFont FormFont{u"Arial"_s, 10, true, false, false, false};
const QString PageCountTitle = u"'Annual Update' forms..."_s;

// One print column and one line of the form's font, as every printer measures them. A column is
// the mean advance of the letters a-z and A-Z.
struct FormMetrics {
    double column = 0;
    double line = 0;
    FormMetrics() {
        RecordingPrinter m;
        m.Font = FormFont;
        const QString letters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
        column = m.TextWidth(letters) / 52;
        line = m.TextHeight();
    }
};

// `n` employees with distinct names, written in reverse name order so that list order differs
// from file order.
void WriteEmployees(int n) {
    std::vector<StaffMember> staff;
    for (int i = n; i >= 1; --i)
        staff.push_back({u"Last%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"First%1"_s.arg(i), QDate(1970, 1, i),
                         QDate(2000, 2, i)});
    WriteStaff(staff);
}

PersonnelRecord FullRecord() {
    PersonnelRecord r;
    r.SetFirstName(u"Bob"_s);
    r.SetMiddleName(u"Bartholomewsson"_s); // the field's full 15 characters
    r.SetLastName(u"Adams"_s);
    r.SetSuffix(u"Jr"_s);
    r.SetEmergencyName(u"Mary Adams"_s);
    r.SetEmergencyRelationship(u"Wife"_s);
    r.SetEmergencyPhone(u"(217) 555-0101"_s);
    r.SetStreetAddress(u"12 Elm Street"_s);
    r.SetCityStateZip(u"Springfield, IL 62701"_s);
    r.SetHomePhone(u"(217) 555-0100"_s);
    r.SetCellPhone(u"(217) 555-0199"_s);
    r.SetEmail(u"bob@example.com"_s);
    r.SetRace(u"B"_s);
    r.SetSex(u"M"_s);
    r.SetSocialSecurityNumber(u"123-45-6789"_s);
    r.SetDateOfBirth(DateToOle(QDate(1968, 3, 7)));
    r.SetDateOfEmployment(DateToOle(QDate(2000, 11, 15)));
    r.SetEmployeeNumber(u"E-1042"_s);
    r.SetJobTitle(u"Nurse"_s);
    return r;
}

// The same employee without an emergency contact.
PersonnelRecord NoEmergencyRecord() {
    PersonnelRecord r = FullRecord();
    r.SetFirstName(u"Cy"_s);
    r.SetEmergencyName(QString());
    r.SetEmergencyRelationship(QString());
    r.SetEmergencyPhone(QString());
    return r;
}

// Clicks "Print Annual Update form(s)" and, once the pop-up menu is up, notes it and chooses the
// item of `index` (0: dismisses the menu with Escape).
MenuSeen ClickPrintUpdateForms(frmMain* w, int index) {
    return ChooseFromPopupMenu(
        w, [w] { QTest::mouseClick(w->cmdPrintUpdateForms, Qt::LeftButton); },
        index == 0 ? QString() : u"PrintUpdatemenu(%1)"_s.arg(index));
}

// "Last, First" of each document's form, from its printed name lines, in print order.
QStringList PrintedNames(const RecordingPrinter& printer) {
    QStringList names;
    const QList<RecordingPrinter::Item> texts = printer.Texts();
    // Per form: year, rule, three instructions, rule, then first, middle, last.
    qsizetype i = 0;
    while (i + 8 < texts.size()) {
        const int document = texts[i].document;
        names << TrimSpaces(texts[i + 8].text) + u", "_s + TrimSpaces(texts[i + 6].text);
        while (i < texts.size() && texts[i].document == document)
            ++i;
    }
    return names;
}

QStringList ListedNames(const Grid* g) {
    QStringList names;
    for (int r = 1; r < g->Rows(); ++r)
        names << g->TextMatrix(r, 0);
    return names;
}

int Count(const RecordingPrinter& printer, Kind kind) {
    int n = 0;
    for (const auto& item : printer.Items())
        n += item.kind == kind;
    return n;
}

// Records, at each text printed, whether the window was usable and which pointer showed.
class ObservingPrinter final : public Printer {
public:
    explicit ObservingPrinter(QWidget* window) : m_window(window) {}
    QStringList seen;
    int documents = 0;
    QPointF PhysicalOffsetInches() const override { return {0.25, 0.25}; }

protected:
    QRectF PrintableInches() const override { return {0, 0, 8, 10.5}; }
    void DrawText(const QString&, QPointF, const PrinterFont&) override {
        const QCursor* c = QGuiApplication::overrideCursor();
        seen << (m_window->isEnabled() ? u"enabled|"_s : u"disabled|"_s) +
                    (c && c->shape() == Qt::WaitCursor ? u"hourglass"_s : u"pointer"_s);
    }
    void DrawPicture(const QImage&, QRectF) override {}
    void StartNewPage() override {}
    QString FinishDocument() override {
        ++documents;
        return {};
    }

private:
    QWidget* m_window;
};

} // namespace

class TestUpdateForms : public ProgramTest {
    Q_OBJECT

private slots:
    void menuOffersTheFormsByListLength_data() {
        QTest::addColumn<int>("employees");
        QTest::addColumn<int>("choice");
        QTest::newRow("one employee, exit") << 1 << 4;
        QTest::newRow("three employees, exit") << 3 << 4;
        QTest::newRow("three employees, dismissed") << 3 << 0;
    }
    void menuOffersTheFormsByListLength() {
        QFETCH(int, employees);
        QFETCH(int, choice);
        WriteEmployees(employees);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(w->cmdPrintUpdateForms->isVisible());

        const MenuSeen seen = ClickPrintUpdateForms(w, choice);

        const QString everyone = employees >= 2 ? u"on"_s : u"off"_s;
        QCOMPARE(seen.name, u"menuPrintUpdatemenu"_s);
        QCOMPARE(seen.items,
                 QStringList(
                     {u"PrintUpdatemenu(1)|Print an update form for every person in this list|"_s + everyone,
                      u"PrintUpdatemenu(2)|Print an update form only for the highlighted person|on"_s,
                      u"PrintUpdatemenu(3)|-|on"_s, u"PrintUpdatemenu(4)|E&xit this Menu|on"_s}));
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(p->printer.Items().size(), 0);
        QVERIFY(NotBusy(w));
    }

    void everyoneAsksThePageCountFirst_data() {
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("yes") << MsgAnswer::Yes;
        QTest::newRow("no") << MsgAnswer::No;
        QTest::newRow("cancel") << MsgAnswer::Cancel;
    }
    void everyoneAsksThePageCountFirst() {
        QFETCH(MsgAnswer, answer);
        WriteEmployees(12);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(w->grid->Rows(), 13);
        p->prompts.Answer(answer);
        p->printer.WatchWindow(w);

        ClickPrintUpdateForms(w, 1);

        // Only the page count is asked: these forms need no "printer ready" answer.
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt& asked = p->prompts.Asked().first();
        QCOMPARE(asked.text, u"This printout will be\r\n12 pages long.\r\n\r\nAre you ready to continue?"_s);
        QCOMPARE(asked.title, PageCountTitle);
        QCOMPARE(asked.icon, MsgIcon::Question);
        QCOMPARE(asked.buttons, MsgButtons::YesNoCancel);
        QVERIFY(!p->state.PrinterConfirmed);
        QVERIFY(NotBusy(w));
        if (answer != MsgAnswer::Yes) {
            QCOMPARE(p->printer.Items().size(), 0);
            return;
        }
        // Twelve one-page documents, in the order of the list (not of the file), told about as one
        // printout once the window is usable again.
        QCOMPARE(p->printer.Documents(), 12);
        QCOMPARE(p->printer.Commands(), QStringList{u"12 documents, usable"_s});
        QCOMPARE(Count(p->printer, Kind::NewPage), 0);
        QCOMPARE(PrintedNames(p->printer), ListedNames(w->grid));
        QCOMPARE(ListedNames(w->grid).first(), u"Last01, First1"_s);
        for (const auto& t : p->printer.Texts())
            QCOMPARE(t.page, 1);
    }

    void highlightedPersonOnly_data() {
        QTest::addColumn<int>("employees");
        QTest::addColumn<int>("row");
        QTest::newRow("the only one") << 1 << 1;
        QTest::newRow("third of three") << 3 << 3;
    }
    void highlightedPersonOnly() {
        QFETCH(int, employees);
        QFETCH(int, row);
        WriteEmployees(employees);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickRow(w->grid, row);
        QCOMPARE(w->grid->Row(), row);

        ClickPrintUpdateForms(w, 2);

        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(p->printer.Documents(), 1);
        QCOMPARE(PrintedNames(p->printer), QStringList{w->grid->TextMatrix(row, 0)});
        QVERIFY(NotBusy(w));
    }

    // The forms read every listed record through the shared record; afterwards it holds the
    // highlighted employee again, whom the information report asks about and prints.
    void reportAfterTheFormsIsOfTheHighlightedEmployee() {
        PersonnelRecord bob = FullRecord();
        bob.SetNotepad(u"Speaks French."_s);
        AppendRecord(bob);
        AppendRecord(NoEmergencyRecord()); // Cy Adams, listed after Bob, without a notepad
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(w->grid->Row(), 1);
        p->prompts.Answer(MsgAnswer::Yes);
        ClickPrintUpdateForms(w, 1);
        QCOMPARE(p->printer.Documents(), 2);

        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes);
        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 3);
        QCOMPARE(p->prompts.Asked()[2].text, u"Print the 'Comments' section also?"_s);
        QCOMPARE(p->printer.Documents(), 3);
        QStringList report;
        for (const auto& t : p->printer.Texts()) {
            if (t.document == 3)
                report << t.text;
        }
        QVERIFY2(report.contains(u"First Name:  Bob"_s), qPrintable(report.join(u'|')));
        QCOMPARE(report.last(), u"Speaks French."_s);
    }

    // As stored, but for the Social Security number and the birth year, which the user printing
    // the forms sees as the SensitiveFieldsLevel setting says (the rule's cases are the table of
    // formIsPlacedFromThePaperEdge; here the window hands it over).
    void formShowsTheRecordAsStored_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("setting"); // empty: none
        QTest::addColumn<QString>("golden");  // Bob's form; Cy's with "-cy" for "-bob"
        QTest::addColumn<QByteArray>("log");  // the user log: forms in full under a setting above 1
        const QByteArray logged(
            "01/02/2031 at 00:00:01 - Ann Lee took out full SSN/birth years: update forms, "
            "1 employee.\r\n");
        QTest::newRow("no setting") << 4 << QString() << u"form-2031-bob.txt"_s << QByteArray();
        QTest::newRow("level 2 under 3") << 2 << u"3"_s << u"form-2031-bob-masked.txt"_s << QByteArray();
        QTest::newRow("level 3 under 3") << 3 << u"3"_s << u"form-2031-bob.txt"_s << logged + logged;
    }
    void formShowsTheRecordAsStored() {
        QFETCH(int, level);
        QFETCH(QString, setting);
        QFETCH(QString, golden);
        QFETCH(QByteArray, log);
        TempDataFolder folder;
        AppendRecord(NoEmergencyRecord());
        AppendRecord(FullRecord());
        TestProgram p(folder.Path(), QDateTime(QDate(2031, 1, 2), QTime(0, 0, 1)));
        if (!setting.isEmpty())
            p.SetSensitiveLevel(setting);
        frmMain* w = OpenMainWindow(p, qint16(level));
        QVERIFY(w);
        QCOMPARE(ListedNames(w->grid), QStringList({u"Adams, Bob"_s, u"Adams, Cy"_s}));

        ClickPrintUpdateForms(w, 2);
        ClickRow(w->grid, 2);
        ClickPrintUpdateForms(w, 2);

        QCOMPARE(p.printer.Documents(), 2);
        QCOMPARE(ReadFileBytes(folder.Path() + u"/User.Log"_s), log); // one line a printout
        COMPARE_GOLDEN(p.printer.Listing(1, true), golden);
        // Without an emergency contact only the joining texts remain.
        COMPARE_GOLDEN(p.printer.Listing(2, true), golden.replace(u"-bob"_s, u"-cy"_s));
    }

    void formIsPlacedFromThePaperEdge_data() {
        QTest::addColumn<QPointF>("margins");
        QTest::addColumn<int>("user");          // the printing user's access level
        QTest::addColumn<int>("setting");       // SensitiveFieldsLevel
        QTest::addColumn<QString>("storedSsn"); // null: FullRecord()'s
        QTest::addColumn<QDate>("dateOfBirth"); // null: FullRecord()'s
        QTest::addColumn<QString>("golden");    // every text at its place from the paper's edge
        const QString form = u"form.txt"_s;
        QTest::newRow("no margin") << QPointF(0, 0) << 1 << 1 << QString() << QDate() << form;
        QTest::newRow("quarter inch") << QPointF(0.25, 0.25) << 1 << 1 << QString() << QDate() << form;
        QTest::newRow("half inch") << QPointF(0.5, 0.5) << 1 << 1 << QString() << QDate() << form;
        QTest::newRow("uneven") << QPointF(0.1, 0.3) << 1 << 1 << QString() << QDate() << form;
        QTest::newRow("masked") << QPointF(0.25, 0.25) << 1 << 2 << QString() << QDate()
                                << u"form-masked.txt"_s;
        QTest::newRow("shown at the level") << QPointF(0.25, 0.25) << 2 << 2 << QString() << QDate() << form;
        // The stored padding goes with the mask; a number never typed in prints as before.
        QTest::newRow("masked, short number")
            << QPointF(0, 0) << 1 << 4 << u"12345"_s << QDate() << u"form-masked-short-number.txt"_s;
        QTest::newRow("masked, no number")
            << QPointF(0, 0) << 1 << 4 << u""_s << QDate() << u"form-masked-no-number.txt"_s;
        QTest::newRow("shown, short number")
            << QPointF(0, 0) << 1 << 1 << u"12345"_s << QDate() << u"form-short-number.txt"_s;
        QTest::newRow("masked, November")
            << QPointF(0, 0) << 3 << 4 << QString() << QDate(1999, 11, 25) << u"form-masked-november.txt"_s;
    }

    // Whatever the printer's unprintable margins, the form stands in the same place on the paper.
    void formIsPlacedFromThePaperEdge() {
        QFETCH(QPointF, margins);
        QFETCH(int, user);
        QFETCH(int, setting);
        QFETCH(QString, storedSsn);
        QFETCH(QDate, dateOfBirth);
        QFETCH(QString, golden);
        PersonnelRecord record = FullRecord();
        if (!storedSsn.isNull())
            record.SetSocialSecurityNumber(storedSsn);
        if (dateOfBirth.isValid())
            record.SetDateOfBirth(DateToOle(dateOfBirth));
        RecordingPrinter printer(margins);
        FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)));
        printer.Font.bold = false;
        printer.CurrentX = 4;
        printer.CurrentY = 7;

        QCOMPARE(PrintUpdateForm(printer, record, clock, SensitiveFields(user, setting)), QString());

        COMPARE_GOLDEN(printer.Listing(1, true), golden);
        // The column is the letters' mean advance of 10-point bold Arial, not some other width.
        const FormMetrics m;
        QVERIFY2(m.column > 0.075 && m.column < 0.1, qPrintable(QString::number(m.column)));
        QVERIFY(qAbs(m.column - printer.TextWidth(u"0"_s)) > 0.001);
        QCOMPARE(Count(printer, Kind::EndDoc), 1);
    }

    void windowIsBusyWhilePrinting() {
        WriteEmployees(2);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ObservingPrinter printer(w);
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, printer, p->windows};
        p->prompts.Answer(MsgAnswer::Yes);
        QTimer::singleShot(0, w, [] {
            QPointer<QMenu> menu;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
            QAction* everyone = menu->findChild<QAction*>(u"PrintUpdatemenu(1)"_s);
            QVERIFY(everyone);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(everyone).center());
        });

        ShowPrintUpdateMenu(ctx, w, w->List(), w->grid->Row(), w->mapToGlobal(QPoint(40, 40)));

        QCOMPARE(printer.documents, 2);
        QVERIFY(!printer.seen.isEmpty());
        QCOMPARE(printer.seen.count(u"disabled|hourglass"_s), printer.seen.size());
        QVERIFY(NotBusy(w));
    }

    void printerErrorStopsTheRun() {
        WriteEmployees(3);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        p->printer.FailNextEndDoc(u"The printer is out of paper."_s);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);

        ClickPrintUpdateForms(w, 1);

        QCOMPARE(p->prompts.Asked().size(), 2);
        const Prompt& error = p->prompts.Asked().at(1);
        QCOMPARE(error.title, u"Printer Error"_s);
        QCOMPARE(error.icon, MsgIcon::Critical);
        QVERIFY(error.text.endsWith(u"\r\n\r\nThe printer is out of paper."_s));
        QVERIFY(!error.busyPointer);
        // The first form failed; no other was started.
        QCOMPARE(Count(p->printer, Kind::EndDoc), 1);
        QCOMPARE(PrintedNames(p->printer), QStringList{u"Last01, First1"_s});
        QVERIFY(NotBusy(w));
        QCOMPARE(p->prompts.Pending(), 0);
    }

    void formAsPdf() {
        const QString dir = folder->FilePath(u"printouts"_s);
        auto pdf = MakePdfPrinter(p->prompts, dir, u"Rosterly"_s);
        p->prompts.Answer(MsgAnswer::OK);

        QCOMPARE(PrintUpdateForm(*pdf, FullRecord(), p->clock), QString());

        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked().first().title, u"Printout Saved"_s);
        const QStringList files = QDir(dir).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QString error;
        const QList<PdfWord> words = ReadPdfWords(QDir(dir).filePath(files.first()), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(PdfPageCount(words), 1);

        // Word boxes: the left within a hair of the column, the top within the font's internal
        // leading of the line's top.
        const FormMetrics m;
        const auto at = [&](const QString& word, int line, int column) {
            const PdfWord* found = FindPdfWord(words, word, 1);
            if (!found)
                return u"%1 missing"_s.arg(word);
            const double x = 0.25 + (column - 1) * m.column;
            const double y = 0.5 + (line - 1) * m.line;
            if (qAbs(found->xMin - x) > 0.03 || qAbs(found->yMin - y) > 0.05)
                return u"%1 at (%2, %3), expected (%4, %5)"_s.arg(word)
                    .arg(found->xMin)
                    .arg(found->yMin)
                    .arg(x)
                    .arg(y);
            return QString();
        };
        QCOMPARE(at(u"2026"_s, 1, 10), QString());
        QCOMPARE(at(u"Bob"_s, 9, 10), QString());
        QCOMPARE(at(u"Bartholomewsson"_s, 10, 10), QString());
        QCOMPARE(at(u"Mary"_s, 32, 42), QString());
        QCOMPARE(at(u"(Wife)"_s, 33, 42), QString());
        QCOMPARE(at(u"Signature"_s + QString(50, u'_'), 53, 10), QString());
    }
};

QTEST_MAIN(TestUpdateForms)
#include "tst_updateforms.moc"
