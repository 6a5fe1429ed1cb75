// The printing helpers on the recording printer: the printer-ready question, rules, aligning to the
// paper's edge, and the word-wrapped text with its heading, page numbers and page breaks.
#include "core/programstate.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "support/recordingprinter.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QWidget>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Item = RecordingPrinter::Item;

constexpr double Eps = 1e-6;

bool Near(double a, double b) {
    return std::abs(a - b) < Eps;
}

QList<Item> TextsOnPage(const RecordingPrinter& r, int page) {
    QList<Item> texts;
    for (const Item& t : r.Texts()) {
        if (t.page == page)
            texts << t;
    }
    return texts;
}

int Count(const RecordingPrinter& r, Item::Kind kind) {
    int n = 0;
    for (const Item& i : r.Items())
        n += i.kind == kind ? 1 : 0;
    return n;
}

// The printed lines: texts on one page at one y, joined in print order.
struct Line {
    int page;
    double y;
    QList<Item> items;
    QString Text() const {
        QString s;
        for (const Item& i : items)
            s += i.text;
        return s;
    }
};

QList<Line> Lines(const QList<Item>& texts) {
    QList<Line> lines;
    for (const Item& t : texts) {
        if (lines.isEmpty() || lines.last().page != t.page || !Near(lines.last().y, t.y))
            lines << Line{t.page, t.y, {}};
        lines.last().items << t;
    }
    return lines;
}

// Lines of `count` short numbered texts, each ended by CR LF except the last unless asked.
QString NumberedLines(int count, bool endWithBreak) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << u"Line %1"_s.arg(i);
    return lines.join(u"\r\n"_s) + (endWithBreak ? u"\r\n"_s : QString());
}

// How many lines from y = 1 fit before one is printed past the page end, as the printer steps.
int LinesOnFirstPage(const Printer& printer) {
    double y = 1;
    int lines = 0;
    while (y <= 8.8) {
        y += printer.TextHeight();
        ++lines;
    }
    return lines;
}

// A printer that notes, at each text it prints and at the end of the document, whether the
// window was disabled with the busy pointer up.
class WatchingPrinter final : public Printer {
public:
    explicit WatchingPrinter(const QWidget& window) : m_window(window) {}
    QList<bool> busy;
    QPointF PhysicalOffsetInches() const override { return {0.25, 0.25}; }

protected:
    QRectF PrintableInches() const override { return {0, 0, 8.0, 10.5}; }
    void DrawText(const QString&, QPointF, const PrinterFont&) override { Note(); }
    void DrawPicture(const QImage&, QRectF) override {}
    void StartNewPage() override {}
    QString FinishDocument() override {
        Note();
        return {};
    }

private:
    void Note() {
        const QCursor* c = QGuiApplication::overrideCursor();
        busy << (!m_window.isEnabled() && c && c->shape() == Qt::WaitCursor);
    }
    const QWidget& m_window;
};

QString Wrapped(RecordingPrinter& r, const QString& text, double left = 1, double right = 7.5) {
    return PrintWrappedText(r, nullptr, text,
                            {.keepWindowState = true, .leftMargin = left, .rightMargin = right});
}

} // namespace

class TestPrintHelpers : public QObject {
    Q_OBJECT

private slots:
    void printerQuestionUntilTheFirstYes() {
        ScriptedPrompts prompts;
        ProgramState state;
        prompts.Answer(MsgAnswer::No).Answer(MsgAnswer::Cancel).Answer(MsgAnswer::Yes);
        QVERIFY(!ConfirmPrinterReady(prompts, state));
        QVERIFY(!state.PrinterConfirmed);
        QVERIFY(!ConfirmPrinterReady(prompts, state));
        QVERIFY(ConfirmPrinterReady(prompts, state));
        QVERIFY(state.PrinterConfirmed);
        QCOMPARE(prompts.Asked().size(), 3);
        for (const Prompt& q : prompts.Asked()) {
            QCOMPARE(q.title, u"Printer Status..."_s);
            QCOMPARE(q.text, u"Is your printer ready?"_s);
            QCOMPARE(q.icon, MsgIcon::Question);
            QCOMPARE(q.buttons, MsgButtons::YesNoCancel);
        }
        // Once said, never asked again.
        QVERIFY(ConfirmPrinterReady(prompts, state));
        QVERIFY(ConfirmPrinterReady(prompts, state));
        QCOMPARE(prompts.Asked().size(), 3);
    }

    void printerErrorIsReported() {
        ScriptedPrompts prompts;
        QVERIFY(ReportPrinterError(prompts, {}));
        QCOMPARE(prompts.Asked().size(), 0);
        prompts.Answer(MsgAnswer::OK);
        QVERIFY(!ReportPrinterError(prompts, u"The printer is out of paper."_s));
        QCOMPARE(prompts.Asked().size(), 1);
        const Prompt& q = prompts.Asked().first();
        QCOMPARE(q.title, u"Printer Error"_s);
        QCOMPARE(q.text, u"The printout did not go through.\r\n\r\nThe printer is out of paper."_s);
        QCOMPARE(q.icon, MsgIcon::Critical);
        QCOMPARE(q.buttons, MsgButtons::OKOnly);
    }

    // The job ends the document the body leaves unless the body went wrong, tells of an error
    // with the window usable again, and holds its print command until it goes.
    void printJobEndsTheDocumentAndTellsOnceUsable_data() {
        QTest::addColumn<QString>("bodyError");
        QTest::addColumn<QString>("endError");
        QTest::newRow("printed") << QString() << QString();
        QTest::newRow("ending fails") << QString() << u"Out of paper"_s;
        QTest::newRow("body fails") << u"Out of paper"_s << QString();
    }
    void printJobEndsTheDocumentAndTellsOnceUsable() {
        QFETCH(QString, bodyError);
        QFETCH(QString, endError);
        QWidget window;
        RecordingPrinter r;
        r.WatchWindow(&window);
        r.FailNextEndDoc(endError);
        ScriptedPrompts prompts;
        const bool fails = !(bodyError + endError).isEmpty();
        if (fails)
            prompts.Answer(MsgAnswer::OK);
        bool busy = false;
        const auto body = [&] {
            busy = !window.isEnabled() && QGuiApplication::overrideCursor();
            r.Print(u"Text"_s);
            return bodyError;
        };
        {
            const PrintJob job(r, prompts);
            QCOMPARE(job.Print(&window, body), !fails);
            QVERIFY(r.Commands().isEmpty());
        }
        QVERIFY(busy);
        const int documents = bodyError.isEmpty() ? 1 : 0;
        QCOMPARE(r.Documents(), documents);
        QCOMPARE(r.Commands(), QStringList{u"%1 documents, usable"_s.arg(documents)});
        QCOMPARE(prompts.Asked().size(), fails ? 1 : 0);
        for (const Prompt& q : prompts.Asked()) {
            QCOMPARE(q.text, u"The printout did not go through.\r\n\r\nOut of paper"_s);
            QVERIFY(!q.busyPointer);
        }
    }

    void ruleRunsFromHalfAnInchToPastTheEndOnTheCurrentLine() {
        RecordingPrinter r;
        r.Font.size = 9;
        const double w = r.TextWidth(u"_"_s);
        QVERIFY(w > 0);
        r.CurrentX = 0.5;
        r.CurrentY = 2;
        r.Print(u"Name"_s, false);
        PrintRule(r, 0.5, 7.6);
        const QList<Item> texts = r.Texts();
        QCOMPARE(texts.first().text, u"Name"_s);
        const QList<Item> rule = texts.mid(1);
        // As many underscores as it takes to reach 7.6, one beside the other, on the text's line.
        QCOMPARE(rule.size(), int(std::ceil((7.6 - 0.5) / w)));
        for (int k = 0; k < rule.size(); ++k) {
            QCOMPARE(rule[k].text, u"_"_s);
            QVERIFY2(Near(rule[k].x, 0.5 + k * w), qPrintable(QString::number(rule[k].x)));
            QCOMPARE(rule[k].y, 2.0);
            QCOMPARE(rule[k].font, r.Font);
        }
        QVERIFY(rule.last().x < 7.6 && rule.last().x + w >= 7.6);
        // The line is ended.
        QCOMPARE(r.CurrentX, 0.0);
        QVERIFY(Near(r.CurrentY, 2 + r.TextHeight()));
    }

    void alignedPositionsAreFromThePapersEdge_data() {
        QTest::addColumn<QPointF>("margins");
        QTest::newRow("quarter inch") << QPointF(0.25, 0.25);
        QTest::newRow("uneven") << QPointF(0.17, 0.42);
    }
    void alignedPositionsAreFromThePapersEdge() {
        QFETCH(QPointF, margins);
        RecordingPrinter r(margins);
        AlignPrinterToPaper(r, 0, 0);
        r.CurrentX = 1.5;
        r.CurrentY = 2.0;
        r.Print(u"A"_s);
        QVERIFY(Near(r.Texts().last().paperX, 1.5) && Near(r.Texts().last().paperY, 2.0));
        // The offsets shift everything right and down.
        AlignPrinterToPaper(r, 0.3, 0.1);
        r.CurrentX = 1.5;
        r.CurrentY = 2.0;
        r.Print(u"B"_s);
        QVERIFY(Near(r.Texts().last().paperX, 1.8) && Near(r.Texts().last().paperY, 2.1));
        // A new page keeps the origin.
        r.NewPage();
        r.CurrentX = 3.0;
        r.CurrentY = 4.0;
        r.Print(u"C"_s);
        QCOMPARE(r.Texts().last().page, 2);
        QVERIFY(Near(r.Texts().last().paperX, 3.3) && Near(r.Texts().last().paperY, 4.1));
        // The next document starts from the printable area's corner again.
        QCOMPARE(r.EndDoc(), QString());
        QCOMPARE(r.Page(), 1);
        r.CurrentX = 1.0;
        r.CurrentY = 1.0;
        r.Print(u"D"_s);
        QCOMPARE(r.Texts().last().document, 2);
        QVERIFY(Near(r.Texts().last().paperX, 1.0 + margins.x()) &&
                Near(r.Texts().last().paperY, 1.0 + margins.y()));
    }

    void emptyDocumentIsNotSent() {
        RecordingPrinter r;
        QCOMPARE(Wrapped(r, QString()), QString());
        QCOMPARE(r.Documents(), 0);
        QVERIFY(r.Items().isEmpty());
    }

    void textOnOnePageHasNoPageNumber() {
        RecordingPrinter r;
        const QString text = u"Dear Ann,\r\nAll is well."_s;
        QCOMPARE(Wrapped(r, text, 1.25), QString());
        const QList<Line> lines = Lines(r.Texts());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].Text(), u"Dear Ann,"_s);
        QCOMPARE(lines[1].Text(), u"All is well."_s);
        // One character at a time, each beside the one before, from the left margin and 1 inch down.
        double x = 1.25;
        for (const Item& i : lines[0].items) {
            QVERIFY(Near(i.x, x) && Near(i.y, 1.0));
            x += r.TextWidth(i.text);
        }
        QVERIFY(Near(lines[1].items.first().x, 1.25) && Near(lines[1].y, 1.0 + r.TextHeight()));
        QCOMPARE(Count(r, Item::Kind::NewPage), 0);
        QCOMPARE(r.Documents(), 1);
        QCOMPARE(r.Items().last().kind, Item::Kind::EndDoc);
    }

    void longTextRunsOnWithPageNumbersFromPageTwo() {
        RecordingPrinter r;
        const int perPage = LinesOnFirstPage(r);
        QCOMPARE(Wrapped(r, NumberedLines(2 * perPage + 3, false)), QString());
        QCOMPARE(Count(r, Item::Kind::NewPage), 2);
        QCOMPARE(r.Documents(), 1);

        QList<Line> page1 = Lines(TextsOnPage(r, 1));
        QCOMPARE(page1.size(), perPage);
        QCOMPARE(page1.last().Text(), u"Line %1"_s.arg(perPage));
        for (const Line& l : page1)
            QVERIFY(l.y <= 8.8 && !l.Text().contains(u"page"_s));
        for (int page = 2; page <= 3; ++page) {
            const QList<Line> lines = Lines(TextsOnPage(r, page));
            // Straight on from the top margin, with nothing above the text.
            QVERIFY(Near(lines.first().y, 1.0));
            QCOMPARE(lines.first().Text(), u"Line %1"_s.arg((page - 1) * perPage + 1));
            QVERIFY(Near(lines.first().items.first().x, 1.0));
            const Item& number = lines.last().items.last();
            QCOMPARE(lines.last().items.size(), 1);
            QCOMPARE(number.text, u"(page %1)"_s.arg(page));
            QVERIFY(Near(number.x, 6.0) && Near(number.y, 9.2));
        }
        QCOMPARE(Lines(TextsOnPage(r, 3)).size(), 3 + 1);
    }

    void textEndingInALineBreakNeedsNoExtraPage() {
        RecordingPrinter r;
        const int perPage = LinesOnFirstPage(r);
        // The last line break is the one that goes past the page end.
        QCOMPARE(Wrapped(r, NumberedLines(perPage, true)), QString());
        QCOMPARE(Count(r, Item::Kind::NewPage), 0);
        QCOMPARE(Lines(r.Texts()).size(), perPage);
        QCOMPARE(r.Documents(), 1);

        RecordingPrinter two;
        QCOMPARE(Wrapped(two, NumberedLines(perPage + 1, true)), QString());
        QCOMPARE(Count(two, Item::Kind::NewPage), 1);
        const QList<Line> page2 = Lines(TextsOnPage(two, 2));
        QCOMPARE(page2.size(), 2);
        QCOMPARE(page2.first().Text(), u"Line %1"_s.arg(perPage + 1));
        QCOMPARE(page2.last().Text(), u"(page 2)"_s);
    }

    void headingOnTheFirstPageOnly() {
        RecordingPrinter r;
        const int perPage = LinesOnFirstPage(r);
        const QString text = NumberedLines(perPage, false);
        PrintWrappedText(r, nullptr, text, {.heading = u"Notes"_s, .keepWindowState = true});
        QList<Line> page1 = Lines(TextsOnPage(r, 1));
        QCOMPARE(page1.first().Text(), u"Notes"_s);
        QCOMPARE(page1.first().items.size(), 1);
        QVERIFY(Near(page1.first().items.first().x, 1.0) && Near(page1.first().y, 1.0));
        QVERIFY(!page1.first().items.first().font.underline);
        // An empty line, then the text at x = 1.
        QVERIFY(Near(page1[1].y, 1.0 + 2 * r.TextHeight()));
        QCOMPARE(page1[1].Text(), u"Line 1"_s);
        const QList<Line> page2 = Lines(TextsOnPage(r, 2));
        QVERIFY(Near(page2.first().y, 1.0));
        QVERIFY(page2.first().Text().startsWith(u"Line "_s));
        QCOMPARE(page2.last().Text(), u"(page 2)"_s);

        RecordingPrinter every;
        PrintWrappedText(every, nullptr, text,
                         {.heading = u"Notes"_s, .headingOnEveryPage = true, .keepWindowState = true});
        const QList<Line> again = Lines(TextsOnPage(every, 2));
        QCOMPARE(again.first().Text(), u"Notes"_s);
        QVERIFY(Near(again.first().y, 1.0));
        QVERIFY(Near(again[1].y, 1.0 + 2 * every.TextHeight()));
        QCOMPARE(again[1].Text(), page2.first().Text());
    }

    void centredUnderlinedHeading() {
        RecordingPrinter r; // 8 inches of printable width
        r.Font.bold = true;
        const QString heading = u"Employee Comments"_s;
        const double width = r.TextWidth(heading);
        PrintWrappedText(r, nullptr, u"Hi"_s,
                         {.heading = heading,
                          .underlineHeading = true,
                          .centreHeading = true,
                          .keepWindowState = true,
                          .leftMargin = 2.0});
        const QList<Item> texts = r.Texts();
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0].text, heading);
        QVERIFY(Near(texts[0].x, 4.0 - width / 2) && Near(texts[0].y, 1.0));
        QVERIFY(texts[0].font.underline && texts[0].font.bold);
        // The text goes on in the caller's font, without the underline, at x = 1.
        QCOMPARE(texts[1].text, u"H"_s);
        QVERIFY(!texts[1].font.underline && texts[1].font.bold);
        QVERIFY(Near(texts[1].x, 1.0) && Near(texts[1].y, 1.0 + 2 * r.TextHeight()));
        QVERIFY(!r.Font.underline);
    }

    void wordsBreakAfterABlankPastTheWrapZone() {
        QString text;
        for (int i = 0; i < 40; ++i)
            text += u"word%1 "_s.arg(i * 37 % 1000);
        text += u"end"_s;
        // Several margins, so that blanks fall close to both sides of the wrap line.
        for (double right = 4.0; right < 5.0; right += 0.05) {
            RecordingPrinter r;
            Wrapped(r, text, 1.0, right);
            const QList<Line> lines = Lines(r.Texts());
            QVERIFY(lines.size() > 3);
            QString joined;
            for (int l = 0; l < lines.size(); ++l) {
                const QList<Item>& items = lines[l].items;
                QVERIFY(Near(items.first().x, 1.0));
                joined += lines[l].Text();
                const bool last = l == lines.size() - 1;
                // A blank ending past the margin less an inch ends the line; none before it does.
                for (int k = 0; k < items.size(); ++k) {
                    const double end = items[k].x + r.TextWidth(items[k].text);
                    const bool breaker = !last && k == items.size() - 1;
                    if (items[k].text == u" "_s)
                        QVERIFY2((end > right - 1) == breaker, qPrintable(lines[l].Text()));
                    QVERIFY(end <= right + 0.5);
                }
                if (!last)
                    QVERIFY2(lines[l].Text().endsWith(u' '), qPrintable(lines[l].Text()));
            }
            QCOMPARE(joined, text);
        }
    }

    void unbrokenRunIsCutHalfAnInchPastTheMargin() {
        RecordingPrinter r;
        const QString text(150, u'm');
        Wrapped(r, text, 1.0, 3.0);
        const QList<Line> lines = Lines(r.Texts());
        QVERIFY(lines.size() >= 3);
        const double w = r.TextWidth(u"m"_s);
        for (int l = 0; l + 1 < lines.size(); ++l) {
            const Item& lastChar = lines[l].items.last();
            QVERIFY(Near(lines[l].items.first().x, 1.0));
            QVERIFY(lastChar.x + w > 3.5);
            QVERIFY(lastChar.x <= 3.5);
        }
        QCOMPARE(r.Texts().size(), 150);
    }

    void windowIsBusyMeanwhileUnlessKept() {
        QWidget window;
        WatchingPrinter busy(window);
        PrintWrappedText(busy, &window, u"Hello"_s, {});
        QCOMPARE(busy.busy, QList<bool>(6, true)); // five letters and the end of the document
        QVERIFY(window.isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        WatchingPrinter kept(window);
        PrintWrappedText(kept, &window, u"Hello"_s, {.keepWindowState = true});
        QCOMPARE(kept.busy, QList<bool>(6, false));

        // A window that was disabled before stays so.
        window.setEnabled(false);
        WatchingPrinter disabled(window);
        PrintWrappedText(disabled, &window, u"Hi"_s, {});
        QVERIFY(!window.isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void documentKeptOpenTakesMore() {
        RecordingPrinter r;
        r.FailNextEndDoc(u"Out of paper"_s);
        QCOMPARE(
            PrintWrappedText(r, nullptr, u"First\r\n"_s, {.keepWindowState = true, .keepDocumentOpen = true}),
            QString());
        QCOMPARE(r.Documents(), 0);
        r.CurrentX = 1.0;
        r.Print(u"More"_s);
        QCOMPARE(r.Texts().last().page, 1);
        QVERIFY(Near(r.Texts().last().y, 1.0 + r.TextHeight()));
        QCOMPARE(r.EndDoc(), u"Out of paper"_s);
        QCOMPARE(r.Documents(), 1);
        // Ending it here gives back what went wrong.
        r.FailNextEndDoc(u"Printer offline"_s);
        QCOMPARE(Wrapped(r, u"Second"_s), u"Printer offline"_s);
    }
};

QTEST_MAIN(TestPrintHelpers)
#include "tst_printhelpers.moc"
