// The employee information report, printed from the real main window as a user prints it: the
// lines of a current and of a previous employee at their positions, the questions about the
// notepad and the photograph, the notepad on its line or wrapped below it, the photograph as a
// document of its own through the large picture view, printer errors, and a report as a real PDF.
#include "print/employeereport.h"
#include "records/frmlargepic.h"
#include "support/golden.h"
#include "support/pdfwords.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/orvicbutton.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using Kind = RecordingPrinter::Item::Kind;

namespace {

const PrinterFont Arial10{u"Arial"_s, 10};

// Text measures in the report's font, taken from a printer of its own.
struct Measure {
    RecordingPrinter printer;
    explicit Measure(const PrinterFont& font = Arial10) { printer.Font = font; }
    double Width(const QString& text) const { return printer.TextWidth(text); }
    double Line() const { return printer.TextHeight(); }
};

// A current employee with every box filled but the suffix and the cell phone.
PersonnelRecord Quinn(const QString& notepad = {}, const QString& picture = {}) {
    PersonnelRecord r;
    r.SetDateCreated(46000.5);
    r.SetFirstName(u"Ann"_s);
    r.SetMiddleName(u"Marie"_s);
    r.SetLastName(u"Quinn"_s);
    r.SetRace(u"W"_s);
    r.SetSex(u"F"_s);
    r.SetDateOfBirth(DateToOle(QDate(1980, 4, 12)));
    r.SetSocialSecurityNumber(u"123-45-6789"_s);
    r.SetEmergencyName(u"Tom Quinn"_s);
    r.SetEmergencyRelationship(u"Husband"_s);
    r.SetEmergencyPhone(u"(302) 555-0101"_s);
    r.SetStreetAddress(u"12 Elm Street"_s);
    r.SetCityStateZip(u"Dover, DE 19901"_s);
    r.SetHomePhone(u"(302) 555-0100"_s);
    r.SetEmail(u"ann@example.com"_s);
    r.SetEmployeeNumber(u"E-17"_s);
    r.SetJobTitle(u"Payroll Clerk"_s);
    r.SetDateOfEmployment(DateToOle(QDate(2015, 6, 1)));
    r.SetDateOfJobTitle(DateToOle(QDate(2019, 1, 7)));
    r.SetNotepad(notepad);
    r.SetPictureFile(picture);
    return r;
}

// A previous employee with the required boxes only.
PersonnelRecord Reyes(const QString& notepad = {}, const QString& picture = {}) {
    PersonnelRecord r;
    r.SetDateCreated(46001.5);
    r.SetFirstName(u"Bo"_s);
    r.SetLastName(u"Reyes"_s);
    r.SetRace(u"H"_s);
    r.SetSex(u"M"_s);
    r.SetDateOfBirth(DateToOle(QDate(1975, 11, 2)));
    r.SetDateOfEmployment(DateToOle(QDate(2001, 9, 10)));
    r.SetInactivationDate(DateToOle(QDate(2024, 3, 31)));
    r.SetNotepad(notepad);
    r.SetPictureFile(picture);
    return r;
}

// Lists the previous employees instead of the current ones.
void ListPreviousEmployees(frmMain* w) {
    ClickTabOf(w->tabMain, 1);
    ClickOption(w, u"optEmpStatus(2)"_s);
    ClickTabOf(w->tabMain, 0);
}

// A text expected on the report: where it starts, and on which line (0 = the title's, at y = 1).
struct Expected {
    QString text;
    double x;
    int line;
};

// Compares the texts of document `document` from the `from`-th on with `expected`.
void CheckTexts(const RecordingPrinter& printer, const std::vector<Expected>& expected, int document = 1,
                qsizetype from = 0) {
    const Measure m;
    QList<RecordingPrinter::Item> texts;
    for (const auto& t : printer.Texts())
        if (t.document == document)
            texts << t;
    QVERIFY2(texts.size() >= from + qsizetype(expected.size()),
             qPrintable(u"%1 texts printed"_s.arg(texts.size())));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& t = texts.at(from + qsizetype(i));
        const Expected& e = expected[i];
        const double y = 1 + e.line * m.Line();
        QVERIFY2(t.text == e.text && qAbs(t.x - e.x) < 1e-9 && qAbs(t.y - y) < 1e-9 && t.page == 1 &&
                     t.font == Arial10,
                 qPrintable(u"'%1' at (%2, %3) on page %4, expected '%5' at (%6, %7)"_s.arg(t.text)
                                .arg(t.x)
                                .arg(t.y)
                                .arg(t.page)
                                .arg(e.text)
                                .arg(e.x)
                                .arg(y)));
    }
}

int Count(const RecordingPrinter& printer, Kind kind) {
    return int(std::count_if(printer.Items().begin(), printer.Items().end(),
                             [kind](const auto& item) { return item.kind == kind; }));
}

void CheckQuestion(const Prompt& asked, const QString& text) {
    QCOMPARE(asked.kind, Prompt::Kind::Message);
    QCOMPARE(asked.text, text);
    QCOMPARE(asked.title, u"Rosterly"_s);
    QCOMPARE(asked.icon, MsgIcon::Question);
    QCOMPARE(asked.buttons, MsgButtons::YesNoCancel);
}

const QString CommentsQuestion = u"Print the 'Comments' section also?"_s;
const QString PhotoQuestion = u"Print the photograph?"_s;

// Opens the main window on the first employee listed; the previous employees when `previous`.
frmMain* OpenOn(TestProgram& p, bool previous) {
    frmMain* w = OpenMainWindow(p);
    if (w && previous)
        ListPreviousEmployees(w);
    return w;
}

} // namespace

class TestEmployeeReport : public ProgramTest {
    Q_OBJECT

private slots:
    // Every box that holds something, by its caption ending at 3 inches; the emergency heading;
    // no line for the empty suffix and cell phone; no question after the printer's when there is
    // neither notepad nor picture.
    void currentEmployee() {
        AppendRecord(Quinn());
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked()[0].title, u"Printer Status..."_s);
        COMPARE_GOLDEN(p->printer.Listing(), u"report-current.txt"_s);
        QCOMPARE(p->printer.Texts()[0].paperX, 1.25);
        QCOMPARE(p->printer.Texts()[0].paperY, 1.25);
        QVERIFY(NotBusy(w));
        QCOMPARE(p->prompts.Pending(), 0);
    }

    // A previous employee: the emergency heading and the blank lines stand although their boxes
    // are empty, and the status carries the inactivation date. Saying No to both questions
    // leaves the comments and the photograph out.
    void previousEmployeeWithoutTheSections() {
        const QString photo = folder->FilePath(u"reyes.png"_s);
        QVERIFY(WriteImage(photo, 40, 30));
        AppendRecord(Quinn());
        AppendRecord(Reyes(u"Works the night shift."_s, photo));
        frmMain* w = OpenOn(*p, true);
        QVERIFY(w);
        QCOMPARE(w->recordPage->title(), u" Bo Reyes "_s);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::No).Answer(MsgAnswer::No);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 3);
        CheckQuestion(p->prompts.Asked()[1], CommentsQuestion);
        CheckQuestion(p->prompts.Asked()[2], PhotoQuestion);
        COMPARE_GOLDEN(p->printer.Listing(), u"report-previous.txt"_s);
        QVERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(NotBusy(w));
    }

    // No at the printer's question, or Cancel at either section's, prints nothing at all.
    void declinedOrCancelledPrintsNothing_data() {
        QTest::addColumn<QList<MsgAnswer>>("answers");
        QTest::newRow("printer not ready") << QList<MsgAnswer>{MsgAnswer::No};
        QTest::newRow("printer question cancelled") << QList<MsgAnswer>{MsgAnswer::Cancel};
        QTest::newRow("comments cancelled") << QList<MsgAnswer>{MsgAnswer::Yes, MsgAnswer::Cancel};
        QTest::newRow("photograph cancelled")
            << QList<MsgAnswer>{MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Cancel};
    }
    void declinedOrCancelledPrintsNothing() {
        QFETCH(QList<MsgAnswer>, answers);
        const QString photo = folder->FilePath(u"quinn.png"_s);
        QVERIFY(WriteImage(photo, 40, 30));
        AppendRecord(Quinn(u"Speaks French."_s, photo));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        for (MsgAnswer a : answers)
            p->prompts.Answer(a);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), answers.size());
        QCOMPARE(p->prompts.Pending(), 0);
        QVERIFY(p->printer.Items().isEmpty());
        QVERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(NotBusy(w));
    }

    // Up to 49 characters the notepad follows its caption; longer, it starts on the next line and
    // wraps between 1 and 7.5 inches, over more pages with their numbers when it must. A notepad
    // of several lines is broken at its line ends instead of printing the breaks.
    void notepadComments_data() {
        QTest::addColumn<QString>("notepad");
        QTest::addColumn<bool>("sameLine");
        const QString nights = u"Works nights. "_s.repeated(400);
        QTest::newRow("49 characters") << nights.left(49) << true;
        QTest::newRow("50 characters") << nights.left(50) << false;
        QTest::newRow("wrapped") << nights.left(299) << false;
        QTest::newRow("past the page") << nights.left(4000) << false;
        QTest::newRow("two lines") << u"Speaks French.\r\nDrives the van."_s << false;
    }
    void notepadComments() {
        QFETCH(QString, notepad);
        QFETCH(bool, sameLine);
        AppendRecord(Quinn(notepad));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 2);
        CheckQuestion(p->prompts.Asked()[1], CommentsQuestion);
        QCOMPARE(p->printer.Documents(), 1);
        // The 23 texts of the report (see currentEmployee), the status on line 27, then the
        // comments two lines below the status.
        const Measure m;
        const QList<RecordingPrinter::Item> texts = p->printer.Texts();
        QCOMPARE(texts[22].text, u"Current Employee"_s);
        const int captionLine = 29;
        CheckTexts(p->printer, {{u"Notepad comments: "_s, 1, captionLine}}, 1, 23);
        if (sameLine) {
            CheckTexts(p->printer, {{notepad, 1 + m.Width(u"Notepad comments: "_s), captionLine}}, 1, 24);
            QCOMPARE(texts.size(), 25);
            return;
        }

        // Character by character from the line below, each line starting at the left margin.
        QString printed;
        int lines = 0;
        double lastY = -1;
        for (qsizetype i = 24; i < texts.size(); ++i) {
            const auto& t = texts[i];
            if (t.text.startsWith(u"(page "_s)) {
                QCOMPARE(t.text, u"(page %1)"_s.arg(t.page));
                QCOMPARE(t.x, 6.0);
                QCOMPARE(t.y, 9.2);
                continue;
            }
            if (t.y != lastY) {
                ++lines;
                QVERIFY2(t.x == 1.0, qPrintable(u"line %1 starts at %2"_s.arg(lines).arg(t.x)));
                lastY = t.y;
            }
            QVERIFY2(t.x + m.Width(t.text) <= 8.0, qPrintable(u"'%1' ends past 8 in"_s.arg(t.text)));
            QCOMPARE(t.font, Arial10);
            printed += t.text;
        }
        QVERIFY(qAbs(texts[24].y - (1 + (captionLine + 1) * m.Line())) < 1e-9);
        QCOMPARE(printed, QString(notepad).remove(u"\r\n"_s));
        const bool breaks = notepad.contains(u"\r\n"_s);
        const bool wraps = m.Width(notepad) > 6.5;
        QCOMPARE(lines > 1, breaks || wraps);
        const int pages = p->printer.Items().last().page;
        QCOMPARE(pages > 1, notepad.size() > 1000);
        if (pages > 1)
            QCOMPARE(texts.last().text, u"(page %1)"_s.arg(pages));
    }

    // Yes to the photograph prints it after the report as a second document, through the large
    // view, which closes by itself. Opening the view afterwards waits for the user again; its
    // Print button prints the same page and leaves the view open.
    void photographAfterTheReport_data() {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QString>("golden"); // the heading, then the picture 6.25 inches wide
        // Shown 8000 x 6000 twips: 6.25 * 6000 / 8000 high.
        QTest::newRow("landscape") << QSize(400, 300) << u"photo-landscape.txt"_s;
        // Shown 1500 x 6000 twips: four times as high as wide, past the end of the page.
        QTest::newRow("tall") << QSize(100, 400) << u"photo-tall.txt"_s;
    }
    void photographAfterTheReport() {
        QFETCH(QSize, pixels);
        QFETCH(QString, golden);
        const QString photo = folder->FilePath(u"reyes.png"_s);
        QVERIFY(WriteImage(photo, pixels.width(), pixels.height()));
        AppendRecord(Reyes({}, photo));
        frmMain* w = OpenOn(*p, true);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes);
        p->printer.WatchWindow(w);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 2);
        CheckQuestion(p->prompts.Asked()[1], PhotoQuestion);
        QCOMPARE(p->printer.Documents(), 2);
        // The report and its photograph are one printout to tell about.
        QCOMPARE(p->printer.Commands(), QStringList{u"2 documents, usable"_s});
        QCOMPARE(p->printer.Texts().first().text, u"Rosterly information report, "_s);
        QCOMPARE(p->printer.Texts().first().document, 1);
        COMPARE_GOLDEN(p->printer.Listing(2), golden);
        QCOMPARE(p->printer.Texts().last().paperX, 1.0);
        QTRY_VERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(NotBusy(w));

        // The view's own button now: nothing printed until Print is clicked.
        const bool seen = ViewLargePicture(w, [&](frmLargePic* view) {
            QCoreApplication::processEvents();
            QVERIFY(view->isVisible());
            QCOMPARE(p->printer.Documents(), 2);
            Click(view, u"cmdPrintPic"_s);
            QCOMPARE(p->printer.Documents(), 3);
            QVERIFY(view->isVisible());
            QVERIFY(view->isEnabled());
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        });
        QVERIFY(seen);
        COMPARE_GOLDEN(p->printer.Listing(3), golden);
        QCOMPARE(p->printer.Commands(), QStringList({u"2 documents, usable"_s, u"1 documents, usable"_s}));
        QCOMPARE(p->prompts.Asked().size(), 2);
    }

    // A printer error is reported and ends the printout: no photograph after a failed report.
    // A failure printing from the view is reported too, and the view stays usable.
    void printerErrors() {
        const QString photo = folder->FilePath(u"quinn.png"_s);
        QVERIFY(WriteImage(photo, 40, 30));
        AppendRecord(Quinn({}, photo));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        p->printer.FailNextEndDoc(u"The printer is out of paper."_s);
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);

        Click(w, u"cmdPrintEntry"_s);

        QCOMPARE(p->prompts.Asked().size(), 3);
        const Prompt& error = p->prompts.Asked()[2];
        QCOMPARE(error.title, u"Printer Error"_s);
        QCOMPARE(error.icon, MsgIcon::Critical);
        QVERIFY(error.text.endsWith(u"\r\n\r\nThe printer is out of paper."_s));
        QVERIFY(!error.busyPointer); // told once the window is usable again
        QCOMPARE(Count(p->printer, Kind::EndDoc), 1);
        QCOMPARE(Count(p->printer, Kind::Picture), 0);
        QVERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(NotBusy(w));

        p->prompts.Answer(MsgAnswer::OK);
        QVERIFY(ViewLargePicture(w, [&](frmLargePic* view) {
            p->printer.FailNextEndDoc(u"The printer is out of paper."_s);
            Click(view, u"cmdPrintPic"_s);
            QCOMPARE(p->prompts.Asked().size(), 4);
            QCOMPARE(p->prompts.Asked()[3].title, u"Printer Error"_s);
            QVERIFY(view->isVisible());
            QVERIFY(view->isEnabled());
        }));
        QCOMPARE(Count(p->printer, Kind::EndDoc), 2);
    }

    // A report with comments and the photograph as real PDF files: the words where the layout
    // puts them, a page each.
    void reportAsPdf() {
        const QString keep = qEnvironmentVariable("ROSTERLY_PDF_OUT");
        const QString dir = keep.isEmpty() ? folder->FilePath(u"printouts"_s) : keep;
        auto pdf = MakePdfPrinter(p->prompts, dir, u"Rosterly"_s);
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, *pdf, p->windows};
        const QString photo = folder->FilePath(u"quinn.png"_s);
        QVERIFY(WriteImage(photo, 300, 400));

        EmployeeReport report;
        // Boxes 1 to 22 of the record page: captions, and the texts of a few.
        const QStringList captions =
            u"First Name|Middle Name|Last Name|Suffix|Race|Sex|Date of Birth|Social Security #|Name|"
            u"Relationship|Contact Number|Street Address|City/State/Zip|Home Phone|Cell Phone|Email|"
            u"Employee #|Job Title|Date of Employment|Date of Job Title|Inactivation Date|Notepad"_s.split(
                u'|');
        const QStringList texts = u"Ann||Quinn||W|F|04/12/1980||Tom Quinn|Husband||12 Elm Street|"
                                  u"Dover, DE 19901|||||Payroll Clerk|06/01/2015|||"_s.split(u'|');
        QCOMPARE(captions.size(), 22);
        QCOMPARE(texts.size(), 22);
        for (std::size_t i = 1; i <= 22; ++i) {
            report.caption[i] = captions[qsizetype(i - 1)];
            report.text[i] = texts[qsizetype(i - 1)];
        }
        report.notepad = report.text[22] = u"Speaks French and drives the van on weekends; ask first."_s;
        report.pictureFile = photo;
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes);
        p->prompts.Answer(MsgAnswer::OK);
        const QStringList before = QDir(dir).entryList({u"*.pdf"_s}, QDir::Files);

        PrintEmployeeReport(ctx, nullptr, report, [&] {
            auto* view = new frmLargePic(ctx, true);
            QVERIFY(view->LoadPicture(photo));
            view->lblPicHeading->setText(u"Quinn, Ann"_s);
            view->exec();
        });

        // One notice for the report and its photograph, naming the folder they went to.
        QCOMPARE(p->prompts.Asked().size(), 4);
        const Prompt& saved = p->prompts.Asked().last();
        QCOMPARE(saved.title, u"Printouts Saved"_s);
        QCOMPARE(saved.text, u"There is no printer on this computer, so the 2 printouts\r\n"
                             u"were saved as PDF files in the folder:\r\n\r\n"_s +
                                 QDir::toNativeSeparators(QDir(dir).absolutePath()));
        QStringList files;
        for (const QString& name : QDir(dir).entryList({u"*.pdf"_s}, QDir::Files)) {
            if (!before.contains(name))
                files << QDir(dir).filePath(name);
        }
        QCOMPARE(files.size(), 2);
        // The report first: the photograph's file is the one without the heading.
        if (!FindPdfWord(ReadPdfWords(files[0]), u"Notepad"_s, 1))
            files.swapItemsAt(0, 1);
        QString error;
        const QList<PdfWord> words = ReadPdfWords(files[0], &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(PdfPageCount(words), 1);

        // Left edges within a hair, tops within the font's internal leading of the line's top.
        const Measure m;
        const auto at = [&](const QList<PdfWord>& in, const QString& word, double x, double y) {
            const PdfWord* found = FindPdfWord(in, word, 1);
            if (!found)
                return u"%1 missing"_s.arg(word);
            if (qAbs(found->xMin - (x + 0.25)) > 0.03 || qAbs(found->yMin - (y + 0.25)) > 0.05)
                return u"%1 at (%2, %3), expected (%4, %5)"_s.arg(word)
                    .arg(found->xMin)
                    .arg(found->yMin)
                    .arg(x + 0.25)
                    .arg(y + 0.25);
            return QString();
        };
        const auto line = [&](int n) {
            return 1 + n * m.Line();
        };
        QCOMPARE(at(words, u"Rosterly"_s, 1, line(0)), QString());
        QCOMPARE(at(words, u"12/8/2026"_s, 1, line(1)), QString());
        QCOMPARE(at(words, u"First"_s, 3 - m.Width(u"First Name"_s), line(4)), QString());
        QCOMPARE(at(words, u"Ann"_s, 3 + m.Width(u":  "_s), line(4)), QString());
        QCOMPARE(at(words, u"Husband"_s, 3 + m.Width(u":  "_s), line(12)), QString());
        QCOMPARE(at(words, u"Status:"_s, 3 - m.Width(u"Status"_s), line(20)), QString());
        QCOMPARE(at(words, u"Notepad"_s, 1, line(22)), QString());
        QCOMPARE(at(words, u"Speaks"_s, 1, line(23)), QString());

        const QList<PdfWord> picture = ReadPdfWords(files[1], &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(PdfPageCount(picture), 1);
        QCOMPARE(at(picture, u"Quinn,"_s, 0.75, 1.8), QString());
    }
};

QTEST_MAIN(TestEmployeeReport)
#include "tst_employeereport.moc"
