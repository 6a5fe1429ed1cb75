// The address-label dialog, opened from the record page's "Address" tab of the real main window
// and driven as a user drives it: the lines it opens with, its captions before and after printing,
// choosing the label on the sheet, where the label is printed whatever the printer's margins,
// printing again, a printer that fails, the focus colours, the fades and a real PDF label.
#include "print/frmprintlabel.h"
#include "print/printer.h"
#include "support/golden.h"
#include "support/pdfwords.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Addressee {
    QString first, last, street, city;
};

// List order: row 1 "Alvarez", row 2 "Montgomery-Fairbanks", row 3 "Ng" (no address).
const Addressee Alvarez{u"Rosa"_s, u"Alvarez"_s, u"12 Oak Street"_s, u"Springfield, IL 62701"_s};
// 15 + 1 + 20 characters: one too many for a label line; the street, 40, five too many.
const Addressee Long{u"Bartholomew-Jon"_s, u"Montgomery-Fairbanks"_s,
                     u"4417 North Lakeshore Drive, Apartment"_s, u"Chicago, IL 60640"_s};
const Addressee Ng{u"Ann"_s, u"Ng"_s, QString(), QString()};

void WriteAddressees() {
    std::vector<PersonnelRecord> records;
    for (const Addressee& a : {Ng, Alvarez, Long}) {
        PersonnelRecord& r = records.emplace_back();
        r.SetFirstName(a.first);
        r.SetLastName(a.last);
        r.SetStreetAddress(a.street);
        r.SetCityStateZip(a.city);
        r.SetRace(u"W"_s);
        r.SetSex(u"F"_s);
        r.SetDateOfBirth(DateToOle(QDate(1980, 5, 6)));
        r.SetDateOfEmployment(DateToOle(QDate(2010, 7, 1)));
        r.SetDateCreated(46000.5);
    }
    AppendRecords(records);
}

template <typename T> T* Control(const QObject* parent, const QString& name) {
    return FindControl<T>(parent, name);
}
QLineEdit* Line(const frmPrintLabel* d, int i) {
    return Control<QLineEdit>(d, u"txtPrintLabel(%1)"_s.arg(i));
}
QScrollBar* Scroll(const frmPrintLabel* d, int i) {
    return Control<QScrollBar>(d, u"scroll(%1)"_s.arg(i));
}
QString Position(const frmPrintLabel* d, int i) {
    return Control<QLabel>(d, u"lblPosition(%1)"_s.arg(i))->text();
}
OrvicButton* Button(const frmPrintLabel* d, const QString& name) {
    return Control<OrvicButton>(d, name);
}

// Clicks the arrow at the right (`forward`) or left end of a horizontal scroll bar.
void ClickArrow(QScrollBar* bar, bool forward) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.subControls = QStyle::SC_All;
    const QRect arrow = bar->style()->subControlRect(
        QStyle::CC_ScrollBar, &opt, forward ? QStyle::SC_ScrollBarAddLine : QStyle::SC_ScrollBarSubLine, bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, arrow.center());
}

// Moves a scroll bar to `value` with its arrows, as a user does.
void MoveTo(QScrollBar* bar, int value) {
    for (int clicks = 0; bar->value() != value && clicks < 20; ++clicks)
        ClickArrow(bar, bar->value() < value);
    QCOMPARE(bar->value(), value);
}

// Replaces a line's text by typing, as a user does.
void Retype(QLineEdit* box, const QString& text) {
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Runs `open` (which shows the dialog modally); once the dialog is up, runs `inspect` on it and
// then closes it with Esc, unless `inspect` has closed it. Returns whether a dialog came up and
// `inspect` ran through without a failure. A dialog that does not close is closed here after
// failing the test, so a fault cannot hang the run.
bool WithLabelDialog(const std::function<void()>& open, const std::function<void(frmPrintLabel*)>& inspect) {
    bool seen = false;
    int ticksAfterEsc = -1;
    QPointer<frmPrintLabel> dialog;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!seen) {
            dialog = qobject_cast<frmPrintLabel*>(QApplication::activeModalWidget());
            if (dialog.isNull() || !dialog->isVisible() || !dialog->isEnabled())
                return;
            seen = true;
            inspect(dialog);
            if (!dialog.isNull() && dialog->isVisible() && !dialog->Fade()->IsFading()) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                ticksAfterEsc = 0;
            }
            return;
        }
        if (!dialog.isNull() && dialog->isVisible() && ticksAfterEsc >= 0 && ++ticksAfterEsc > 300) {
            QTest::qFail("the label dialog stayed open after Esc", __FILE__, __LINE__);
            dialog->done(QDialog::Rejected);
        }
    });
    poll.start();
    open();
    poll.stop();
    return seen && !QTest::currentTestFailed();
}

// Highlights list row `row` and clicks "Print an Address Label..." on the "Address" tab.
std::function<void()> ClickPrintLabel(frmMain* w, int row) {
    return [w, row] {
        ClickRow(w->grid, row);
        ClickTabOf(w->recordPage->tabNameInfo, 1);
        auto* button = Control<OrvicButton>(w->recordPage, u"cmdPrintLabel"_s);
        if (!button->isVisible() || !button->isEnabled())
            QTest::qFail("the record page's label button cannot be clicked", __FILE__, __LINE__);
        else
            QTest::mouseClick(button, Qt::LeftButton);
    };
}

// The height of a line of Arial 10, by which the text starts below the label's top edge.
double LineHeight() {
    RecordingPrinter measure;
    measure.Font = PrinterFont();
    return measure.TextHeight();
}

const QString PrintEnter = u"&Print\r\n<Enter>"_s;
const QString PrintAgain = u"&Print\r\nAgain"_s;
const QString ReturnEsc = u"&Return\r\n<Esc>"_s;
const QString FinishedEsc = u"&Finished\r\n<Esc>"_s;
const QString SheetTip = u" Place an Avery 5160 label sheet (or equivalent) in the printer "_s;
const QString NoMoreTip = u" No more printing "_s;

void CheckOpeningButtons(const frmPrintLabel* d) {
    QCOMPARE(Button(d, u"cmdPrintLabel"_s)->Caption(), PrintEnter);
    QCOMPARE(Button(d, u"cmdPrintLabel"_s)->toolTip(), SheetTip);
    QCOMPARE(Button(d, u"cmdCancel"_s)->Caption(), ReturnEsc);
    QCOMPARE(Button(d, u"cmdCancel"_s)->toolTip(), QString());
}

void CheckPrintedButtons(const frmPrintLabel* d) {
    QCOMPARE(Button(d, u"cmdPrintLabel"_s)->Caption(), PrintAgain);
    QCOMPARE(Button(d, u"cmdPrintLabel"_s)->toolTip(), SheetTip);
    QCOMPARE(Button(d, u"cmdCancel"_s)->Caption(), FinishedEsc);
    QCOMPARE(Button(d, u"cmdCancel"_s)->toolTip(), NoMoreTip);
}

QColor BoxColor(const QLineEdit* box) {
    return box->palette().color(QPalette::Base);
}

const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);

} // namespace

class TestPrintLabel : public ProgramTest {
    Q_OBJECT

private slots:
    // The dialog opens with the highlighted employee's name and address, each cut to the 35
    // characters of a label line, and the opening captions; the user can edit within the limit.
    void opensWithTheAddressOfTheHighlightedEmployee_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("short") << 1
                               << QStringList{u"Rosa Alvarez"_s, Alvarez.street, Alvarez.city, QString()};
        QTest::newRow("cut to 35") << 2
                                   << QStringList{u"Bartholomew-Jon Montgomery-Fairbank"_s,
                                                  u"4417 North Lakeshore Drive, Apartme"_s, Long.city,
                                                  QString()};
    }
    void opensWithTheAddressOfTheHighlightedEmployee() {
        QFETCH(int, row);
        QFETCH(QStringList, lines);
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, row), [&](frmPrintLabel* d) {
            QCOMPARE(d->windowTitle(), u" Print a 1\" x 2 5/8\" Label"_s);
            QCOMPARE(d->size(), QSize(TwipsToPixelsX(6510, d), TwipsToPixelsY(5265, d)));
            QCOMPARE(Control<QLabel>(d, u"lblNote"_s)->text(),
                     u"Note: This feature assumes you are using an Avery 5160/8160 (or equivalent) sheet of "
                     u"1x2 5/8\" "
                     "address labels."_s);
            QCOMPARE(Control<QLabel>(d, u"lblEditLines"_s)->text(),
                     u"You can edit the lines below if you wish..."_s);
            QCOMPARE(Control<QLabel>(d, u"lblOptionalLine"_s)->text(),
                     u"optional line (example-- attn: or re:)"_s);
            QCOMPARE(Control<QLabel>(d, u"lblRowColumn"_s)->text(),
                     u"Indicate which 'row & column' label to print..."_s);
            for (int i = 1; i <= 4; ++i) {
                QCOMPARE(Line(d, i)->text(), lines[i - 1]);
                QCOMPARE(Line(d, i)->maxLength(), 35);
            }
            QCOMPARE(Scroll(d, 1)->orientation(), Qt::Horizontal);
            QCOMPARE(Scroll(d, 1)->minimum(), 1);
            QCOMPARE(Scroll(d, 1)->maximum(), 10);
            QCOMPARE(Scroll(d, 2)->minimum(), 1);
            QCOMPARE(Scroll(d, 2)->maximum(), 3);
            QCOMPARE(Scroll(d, 1)->value(), 1);
            QCOMPARE(Scroll(d, 2)->value(), 1);
            QCOMPARE(Position(d, 1), u"Row 1"_s);
            QCOMPARE(Position(d, 2), u"Col 1"_s);
            CheckOpeningButtons(d);

            // Typing past the end of a full line changes nothing; a shorter text goes in whole.
            QLineEdit* first = Line(d, 1);
            QTest::mouseClick(first, Qt::LeftButton);
            QTest::keyClick(first, Qt::Key_End);
            QTest::keyClicks(first, u"xyz"_s);
            QCOMPARE(first->text(), lines[0].size() == 35 ? lines[0] : lines[0] + u"xyz"_s);
            Retype(first, QString(40, u'M'));
            QCOMPARE(first->text(), QString(35, u'M'));
        }));
        // Esc returned without printing anything.
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(p->printer.Items().isEmpty());
        QVERIFY(p->prompts.Asked().isEmpty());
        QVERIFY(w->isEnabled());
    }

    // Moving a scroll bar shows its value in the position label beside it.
    void scrollBarsShowTheChosenLabel() {
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, 1), [&](frmPrintLabel* d) {
            MoveTo(Scroll(d, 1), 7);
            QCOMPARE(Position(d, 1), u"Row 7"_s);
            QCOMPARE(Position(d, 2), u"Col 1"_s);
            MoveTo(Scroll(d, 2), 2);
            QCOMPARE(Position(d, 2), u"Col 2"_s);
            ClickArrow(Scroll(d, 2), false);
            QCOMPARE(Position(d, 2), u"Col 1"_s);
            ClickArrow(Scroll(d, 2), false); // already the first column
            QCOMPARE(Position(d, 2), u"Col 1"_s);

            // From the keyboard: the right arrow key goes on to the next row, End to the last.
            QTest::keyClick(Scroll(d, 1), Qt::Key_Right);
            QCOMPARE(Position(d, 1), u"Row 8"_s);
            QTest::keyClick(Scroll(d, 1), Qt::Key_End);
            QCOMPARE(Position(d, 1), u"Row 10"_s);
            QTest::keyClick(Scroll(d, 1), Qt::Key_Right);
            QCOMPARE(Position(d, 1), u"Row 10"_s);
            QTest::keyClick(Scroll(d, 1), Qt::Key_Left);
            QCOMPARE(Position(d, 1), u"Row 9"_s);
        }));
    }

    // The label is placed from the paper's edge: the same spot on the sheet whatever unprintable
    // margin the printer has. The text starts one line below the label's top.
    void printsOnTheChosenLabelOfTheSheet_data() {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("golden"); // the label's lines from the paper's edge
        QTest::newRow("first label") << QPointF(0.25, 0.25) << 1 << 1 << u"label-first.txt"_s;
        QTest::newRow("last label") << QPointF(0.25, 0.25) << 10 << 3 << u"label-last.txt"_s;
        QTest::newRow("middle") << QPointF(0.25, 0.25) << 4 << 2 << u"label-middle.txt"_s;
        QTest::newRow("last label, other margins") << QPointF(0.11, 0.42) << 10 << 3 << u"label-last.txt"_s;
        QTest::newRow("first label, other margins") << QPointF(0.11, 0.42) << 1 << 1 << u"label-first.txt"_s;
    }
    void printsOnTheChosenLabelOfTheSheet() {
        QFETCH(QPointF, offset);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, golden);
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);

        // The program's own printer from the main window; one with other margins through a
        // context of its own.
        RecordingPrinter other(offset);
        const bool otherPrinter = offset != QPointF(0.25, 0.25);
        RecordingPrinter& printer = otherPrinter ? other : p->printer;
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, other, p->windows};
        std::function<void()> open = ClickPrintLabel(w, 1);
        if (otherPrinter)
            open = [&] {
                OpenPrintLabel(ctx, w, w->Fade(), Alvarez.first, Alvarez.last, Alvarez.street, Alvarez.city);
            };
        QVERIFY(WithLabelDialog(open, [&](frmPrintLabel* d) {
            MoveTo(Scroll(d, 1), row);
            MoveTo(Scroll(d, 2), column);
            QTest::mouseClick(Button(d, u"cmdPrintLabel"_s), Qt::LeftButton);
        }));

        if (otherPrinter)
            QVERIFY(p->printer.Items().isEmpty());
        QCOMPARE(printer.Documents(), 1);
        QVERIFY2(LineHeight() > 0.13 && LineHeight() < 0.2, qPrintable(QString::number(LineHeight())));
        COMPARE_GOLDEN(printer.Listing(1, true), golden);
        QVERIFY(p->prompts.Asked().isEmpty());
    }

    // Enter prints and the dialog stays for another label: the second print is a document of its
    // own, with the lines and the position as they stand then. The buttons say so after the first.
    void printsAgainWithTheLinesAsTheyStand() {
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, 1), [&](frmPrintLabel* d) {
            QTRY_VERIFY(Line(d, 1)->hasFocus());
            QTest::keyClick(Line(d, 1), Qt::Key_Return);
            QCOMPARE(p->printer.Documents(), 1);
            QVERIFY(d->isVisible());
            QVERIFY(d->isEnabled());
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
            QVERIFY(Line(d, 1)->hasFocus());
            CheckPrintedButtons(d);

            Retype(Line(d, 1), u"Dr. Rosa Alvarez"_s);
            Retype(Line(d, 4), u"Attn: Payroll & Benefits"_s);
            MoveTo(Scroll(d, 1), 2);
            MoveTo(Scroll(d, 2), 3);
            QTest::mouseClick(Button(d, u"cmdPrintLabel"_s), Qt::LeftButton);
            QCOMPARE(p->printer.Documents(), 2);
            CheckPrintedButtons(d);
        }));

        COMPARE_GOLDEN(p->printer.Listing(0, true), u"label-printed-twice.txt"_s);
        QVERIFY(p->prompts.Asked().isEmpty());
    }

    // A printout that fails is reported; nothing was printed, so the buttons still offer the first
    // printing until a label goes through.
    void aPrinterErrorIsReported() {
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::OK);
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, 1), [&](frmPrintLabel* d) {
            p->printer.FailNextEndDoc(u"The printer is out of paper."_s);
            QTest::mouseClick(Button(d, u"cmdPrintLabel"_s), Qt::LeftButton);
            QCOMPARE(p->prompts.Asked().size(), 1);
            const Prompt& asked = p->prompts.Asked().first();
            QCOMPARE(asked.title, u"Printer Error"_s);
            QCOMPARE(asked.icon, MsgIcon::Critical);
            QCOMPARE(asked.text, u"The printout did not go through.\r\n\r\nThe printer is out of paper."_s);
            QVERIFY(d->isVisible());
            QVERIFY(d->isEnabled());
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
            CheckOpeningButtons(d);

            QTest::mouseClick(Button(d, u"cmdPrintLabel"_s), Qt::LeftButton);
            CheckPrintedButtons(d);
        }));
        QCOMPARE(p->printer.Documents(), 2);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Pending(), 0);
    }

    // The box with the focus is yellow; a box the focus has left is light cyan.
    void focusColours() {
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, 1), [&](frmPrintLabel* d) {
            QTRY_VERIFY(Line(d, 1)->hasFocus());
            QCOMPARE(BoxColor(Line(d, 1)), Yellow);
            QTest::mouseClick(Line(d, 3), Qt::LeftButton);
            QCOMPARE(BoxColor(Line(d, 3)), Yellow);
            QCOMPARE(BoxColor(Line(d, 1)), Cyan);
            QTest::keyClick(Line(d, 3), Qt::Key_Tab);
            QVERIFY(Line(d, 4)->hasFocus());
            QCOMPARE(BoxColor(Line(d, 4)), Yellow);
            QCOMPARE(BoxColor(Line(d, 3)), Cyan);
            QCOMPARE(BoxColor(Line(d, 1)), Cyan);
            // Printing keeps the box where the user was, yellow.
            QTest::keyClick(Line(d, 4), Qt::Key_Return);
            QVERIFY(Line(d, 4)->hasFocus());
            QCOMPARE(BoxColor(Line(d, 4)), Yellow);
        }));
        QCOMPARE(p->printer.Documents(), 1);
    }

    // With fades on, the main window is dimmed while the dialog is open and comes back after;
    // the dialog opens while the window still dims (the dim is not waited for), fades in, and
    // fades out on Return.
    void fadesDimTheMainWindow() {
        WriteAddressees();
        p->SetFades(true);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QTRY_VERIFY(!w->Fade()->IsFading());
        QCOMPARE(w->windowOpacity(), 1.0);
        double dimmed = -1;
        double dialogOpacity = -1;
        bool dimmingAtShow = false;
        const ShowWatch<frmPrintLabel> watch([&](frmPrintLabel*) { dimmingAtShow = w->Fade()->IsFading(); });
        QVERIFY(WithLabelDialog(ClickPrintLabel(w, 1), [&](frmPrintLabel* d) {
            // The fade took the focus from the first line for its duration; it is back after.
            QTRY_VERIFY(!d->Fade()->IsFading());
            QTRY_VERIFY(!w->Fade()->IsFading());
            QVERIFY(Line(d, 1)->hasFocus());
            QCOMPARE(BoxColor(Line(d, 1)), Yellow);
            dimmed = w->windowOpacity();
            dialogOpacity = d->windowOpacity();
            QTest::mouseClick(Button(d, u"cmdCancel"_s), Qt::LeftButton);
            QVERIFY(d->Fade()->IsFading());
            QVERIFY(d->isVisible()); // until the fade has ended
        }));
        QVERIFY(dimmingAtShow);
        QVERIFY(std::abs(dimmed - 204 / 255.0) < 0.002);
        QVERIFY(std::abs(dialogOpacity - 1.0) < 0.002);
        QTRY_VERIFY(!w->Fade()->IsFading());
        QCOMPARE(w->windowOpacity(), 1.0);
        QVERIFY(w->isEnabled());
    }

    // A real label as a PDF: the words where the label is on the sheet, the PDF's quarter-inch
    // margins notwithstanding (the first column lies inside them).
    void printsARealLabel_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::newRow("row 3, column 2") << 3 << 2 << 3.0 << 2.5;
        QTest::newRow("row 1, column 1") << 1 << 1 << 0.2 << 0.5;
    }
    void printsARealLabel() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(double, left);
        QFETCH(double, top);
        WriteAddressees();
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        const QString pdfFolder = folder->FilePath(u"printouts"_s);
        auto pdf = MakePdfPrinter(p->prompts, pdfFolder, u"Rosterly"_s);
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, *pdf, p->windows};
        p->prompts.Answer(MsgAnswer::OK); // "Printout Saved"
        QVERIFY(WithLabelDialog(
            [&] { OpenPrintLabel(ctx, w, w->Fade(), Long.first, Long.last, Long.street, Long.city); },
            [&](frmPrintLabel* d) {
                Retype(Line(d, 4), u"Attn: Payroll"_s);
                MoveTo(Scroll(d, 1), row);
                MoveTo(Scroll(d, 2), column);
                QTest::keyClick(Line(d, 4), Qt::Key_Return);
            }));
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked().first().title, u"Printout Saved"_s);

        const QStringList files = QDir(pdfFolder).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString path = QDir(pdfFolder).filePath(files.first());
        QString error;
        const QList<PdfWord> words = ReadPdfWords(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(PdfPageCount(words), 1);
        const double line = LineHeight();
        // The first word of each line: its left edge at the label's, one line apart from a line
        // below the label's top.
        const QStringList firstWords{u"Bartholomew-Jon"_s, u"4417"_s, u"Chicago,"_s, u"Attn:"_s};
        for (int i = 0; i < 4; ++i) {
            const PdfWord* word = FindPdfWord(words, firstWords[i], 1);
            QVERIFY2(word, qPrintable(firstWords[i]));
            QVERIFY2(std::abs(word->xMin - left) < 0.03,
                     qPrintable(u"%1 x %2"_s.arg(word->text).arg(word->xMin)));
            QVERIFY2(std::abs(word->yMin - (top + (i + 1) * line)) < 0.04,
                     qPrintable(u"%1 y %2"_s.arg(word->text).arg(word->yMin)));
        }
        QVERIFY(FindPdfWord(words, u"Montgomery-Fairbank"_s, 1));
        QVERIFY(FindPdfWord(words, u"Apartme"_s, 1));
        QVERIFY(!FindPdfWord(words, u"Apartment"_s, 1));
    }
};

QTEST_MAIN(TestPrintLabel)
#include "tst_printlabel.moc"
