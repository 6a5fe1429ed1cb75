#include "print/employeereport.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "settings/settingsstore.h"
#include "ui/prompts.h"

#include <optional>

namespace {

// Captions end here, their values start right after.
constexpr double CaptionEnd = 3.0;
constexpr double Left = 1.0;
constexpr double NotepadRight = 7.5;
// A longer notepad does not fit after its caption and is wrapped from the next line.
constexpr qsizetype NotepadOnOneLine = 49;

// Asks a Yes/No/Cancel question about a section of the report; nothing when Cancel. A section
// whose `content` is blank is left out unasked.
std::optional<bool> AskSection(AppContext& ctx, const QString& content, const QString& question) {
    if (TrimSpaces(content).isEmpty())
        return false;
    const MsgAnswer answer =
        ctx.prompts.MsgBox(question, MsgButtons::YesNoCancel, MsgIcon::Question, ctx.state.AppTitle);
    if (answer == MsgAnswer::Cancel)
        return std::nullopt;
    return answer == MsgAnswer::Yes;
}

// Starts `text` so that `caption` ends at the caption column.
void PrintCaptioned(Printer& printer, const QString& caption, const QString& text) {
    printer.CurrentX = CaptionEnd - printer.TextWidth(caption);
    printer.Print(caption + QStringLiteral(":  ") + text);
}

// Lines of caption and value for the boxes that hold something, then the status line; ends on
// the line after the status.
void PrintBoxes(Printer& printer, const EmployeeReport& report) {
    for (int i = 1; i <= 20; ++i) {
        if (i == 9) {
            printer.EndLine();
            const QString heading = QStringLiteral("In case of emergency, contact--");
            printer.CurrentX = CaptionEnd - printer.TextWidth(heading);
            printer.Print(heading);
        }
        if (i == 12 || i == 19)
            printer.EndLine();
        const std::size_t n = std::size_t(i);
        if (!TrimSpaces(report.text[n]).isEmpty())
            PrintCaptioned(printer, report.caption[n], report.text[n]);
    }

    printer.EndLine();
    const QString status = QStringLiteral("Status");
    printer.CurrentX = CaptionEnd - printer.TextWidth(status);
    printer.Print(status + QStringLiteral(":  "), false);
    printer.Print(report.previousEmployee ? QStringLiteral("Previous Employee") + QStringLiteral(", ") +
                                                QStringLiteral("Inactivation Date: ") + report.text[21]
                                          : QStringLiteral("Current Employee"));
}

// The notepad after its caption.
void PrintComments(Printer& printer, const QString& notepad) {
    printer.EndLine();
    printer.CurrentX = Left;
    printer.Print(QStringLiteral("Notepad comments: "), false);
    // A text with line breaks goes to the wrapper as well, which knows how to break lines; printed
    // as it stands the breaks would land on the page as stray characters.
    const bool breaks = notepad.contains(QLatin1Char('\r')) || notepad.contains(QLatin1Char('\n'));
    if (notepad.size() > NotepadOnOneLine || breaks) {
        printer.EndLine();
        PrintWrappedText(printer, nullptr, notepad,
                         {.keepDocumentOpen = true, .leftMargin = Left, .rightMargin = NotepadRight});
        return;
    }
    printer.Print(notepad);
}

} // namespace

void PrintEmployeeReport(AppContext& ctx, QWidget* window, const EmployeeReport& report,
                         const std::function<void()>& printPhotograph) {
    if (!ConfirmPrinterReady(ctx.prompts, ctx.state))
        return;
    const std::optional<bool> comments =
        AskSection(ctx, report.notepad, QStringLiteral("Print the 'Comments' section also?"));
    if (!comments)
        return;
    const std::optional<bool> picture = AskSection(ctx, report.pictureFile, QStringLiteral("Print the photograph?"));
    if (!picture)
        return;
    const bool printComments = *comments;
    const bool printPicture = *picture;

    Printer& printer = ctx.printer;
    // Held through the photograph too, which is part of this printout.
    const PrintJob job(printer, ctx.prompts);
    const bool printed = job.Print(window, [&] {
        printer.Font = PrinterFont{QStringLiteral("Arial"), 10};
        printer.CurrentX = Left;
        printer.CurrentY = 1;
        printer.Print(ctx.state.AppTitle + QStringLiteral(" information report, "));
        printer.CurrentX = Left;
        printer.Print(FormatGeneralDate(ctx.clock.NowOle()));
        printer.EndLine();
        printer.EndLine();
        PrintBoxes(printer, report);
        if (printComments)
            PrintComments(printer, report.text[22]);
        return QString();
    });
    if (printed)
        LogFullView(ctx, SensitiveFieldsFor(ctx, ctx.state.CurrentAccessLevel),
                    FullView::Report, 1);
    // A printer that failed the report is not asked for the photograph as well.
    if (printed && printPicture && printPhotograph)
        printPhotograph();
}
