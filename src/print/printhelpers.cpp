#include "print/printhelpers.h"

#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/ansitext.h"
#include "print/printer.h"
#include "ui/busywindow.h"
#include "ui/prompts.h"

#include <optional>

bool ConfirmPrinterReady(Prompts& prompts, ProgramState& state) {
    if (state.PrinterConfirmed)
        return true;
    const MsgAnswer answer = prompts.MsgBox(QStringLiteral("Is your printer ready?"), MsgButtons::YesNoCancel,
                                            MsgIcon::Question, QStringLiteral("Printer Status..."));
    if (answer != MsgAnswer::Yes)
        return false;
    state.PrinterConfirmed = true;
    return true;
}

void PrintRule(Printer& printer, double fromX, double toX) {
    printer.CurrentX = fromX;
    const QString underscore = QStringLiteral("_");
    // A rule of whole underscores; one more if the font has no width (never loops for ever).
    do
        printer.Print(underscore, false);
    while (printer.CurrentX < toX && printer.TextWidth(underscore) > 0);
    printer.EndLine();
}

void AlignPrinterToPaper(Printer& printer, double offsetX, double offsetY) {
    const QPointF margins = printer.PhysicalOffsetInches();
    printer.SetScaleOrigin(margins.x() - offsetX, margins.y() - offsetY);
}

namespace {

constexpr double PageEnd = 8.8;

// Runs `body` with `window` (if any) busy and ends the document it leaves open unless it went
// wrong or the document is to stay open. Returns what went wrong.
QString PrintBusy(Printer& printer, QWidget* window, const std::function<QString()>& body,
                  bool endDocument = true) {
    std::optional<BusyWindow> busy;
    if (window)
        busy.emplace(window);
    const QString error = body();
    return error.isEmpty() && endDocument ? printer.EndDoc() : error;
}

void DrawWrappedText(Printer& printer, const QString& text, const WrappedTextOptions& options) {
    const QString& heading = options.heading;
    const double leftMargin = options.leftMargin;
    const double rightMargin = options.rightMargin;
    int page = 0;
    bool headingDue = true;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        if (printer.CurrentY < 1)
            printer.CurrentY = 1;
        if (printer.CurrentX < leftMargin)
            printer.CurrentX = leftMargin;
        if (headingDue) {
            headingDue = false;
            ++page;
            if (!heading.isEmpty() && (options.headingOnEveryPage || page == 1)) {
                if (options.underlineHeading)
                    printer.Font.underline = true;
                if (options.centreHeading)
                    printer.CurrentX = printer.PageWidthTwips() / 2880.0 - printer.TextWidth(heading) / 2;
                printer.Print(heading);
                printer.Font.underline = false;
                printer.EndLine();
                printer.CurrentX = 1;
            }
        }
        if (text.at(i) == QLatin1Char('\r') && i + 1 < length && text.at(i + 1) == QLatin1Char('\n')) {
            printer.EndLine();
            ++i;
        } else {
            printer.Print(text.at(i), false);
            // Word wrap: after a blank once past the right margin less an inch, and in any case
            // half an inch past it.
            if (printer.CurrentX > rightMargin - 1 &&
                (text.at(i) == QLatin1Char(' ') || printer.CurrentX > rightMargin + 0.5))
                printer.EndLine();
        }
        const bool last = i == length - 1;
        if (last || printer.CurrentY > PageEnd) {
            if (page > 1) {
                printer.EndLine();
                printer.CurrentY = 9.2;
                printer.CurrentX = 6.0;
                printer.Print(QStringLiteral("(page ") + QString::number(page) + QStringLiteral(")"));
            }
            if (!last) {
                printer.NewPage();
                headingDue = true;
            }
        }
    }
}

} // namespace

QString PrintWrappedText(Printer& printer, QWidget* window, const QString& text,
                         const WrappedTextOptions& options) {
    // Made first so that it ends last, with the window usable again; inside a caller's own
    // command it is part of that one.
    const PrintCommand command(printer);
    return PrintBusy(
        printer, options.keepWindowState ? nullptr : window,
        [&] {
            DrawWrappedText(printer, text, options);
            return QString();
        },
        !options.keepDocumentOpen);
}

bool ReportPrinterError(Prompts& prompts, const QString& error) {
    if (error.isEmpty())
        return true;
    prompts.MsgBox(QStringLiteral("The printout did not go through.") + CrLf + CrLf + error,
                   MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Printer Error"));
    return false;
}

bool PrintJob::Print(QWidget* window, const std::function<QString()>& body) const {
    return ReportPrinterError(m_prompts, PrintBusy(m_printer, window, body));
}

void LogFullView(AppContext& ctx, const SensitiveFields& sensitive, FullView what, qint64 employees,
                 const QString& fileName) {
    if (sensitive.FullViewLogged())
        ReportFileError(ctx.prompts, WriteFullViewLogEntry(ctx.io, ctx.state.CurrentUserName, what, employees,
                                                           fileName, ctx.clock));
}
