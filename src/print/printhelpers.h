#pragma once

#include "data/sensitive.h"
#include "data/userlist.h"
#include "print/printer.h"

#include <QString>

#include <functional>

struct AppContext;

class Prompts;
class QWidget;
struct ProgramState;

// Asks "Is your printer ready?" until the user has once said Yes in this run of the program.
bool ConfirmPrinterReady(Prompts& prompts, ProgramState& state);

// A horizontal rule of underscores from `fromX` to at least `toX` on the current line; ends the
// line. Printed after text on the same line, it underlines that text.
void PrintRule(Printer& printer, double fromX, double toX);

// Moves the origin to the paper's top-left corner, shifted by the offsets (inches), so that
// positions are measured from the paper's edge whatever the printer's unprintable margins.
void AlignPrinterToPaper(Printer& printer, double offsetX, double offsetY);

// How PrintWrappedText lays out and ends its text.
struct WrappedTextOptions {
    QString heading; // printed above the text; none when empty
    bool underlineHeading = false;
    bool centreHeading = false;
    bool headingOnEveryPage = false; // otherwise on the first page only
    bool keepWindowState = false;    // otherwise the window is disabled with the busy pointer meanwhile
    bool keepDocumentOpen = false;   // otherwise the document is ended
    double leftMargin = 1;           // inches
    double rightMargin = 7.5;
};

// Prints `text` (lines joined by CR LF) word-wrapped between the margins, over as many pages as
// it needs, with the optional heading and "(page n)" from page 2 on. It is a print command of its
// own (PrintCommand) unless the caller's command is under way. Returns what went wrong ending the
// document (empty: nothing).
QString PrintWrappedText(Printer& printer, QWidget* window, const QString& text,
                         const WrappedTextOptions& options);

// Tells the user a printout failed ("Printer Error", critical icon). Returns whether `error` is
// empty, that is whether the printout went through.
bool ReportPrinterError(Prompts& prompts, const QString& error);

// One print command of the user's (a button or menu item that prints). Its PrintCommand is made
// first and ends with the job, after the user has been told of any printer error; what the
// command does after printing goes between Print and the job's end.
class PrintJob {
public:
    PrintJob(Printer& printer, Prompts& prompts)
        : m_printer(printer), m_prompts(prompts), m_command(printer) {}

    // Runs `body`, which draws the printout and gives back what went wrong (empty: nothing), with
    // `window` (if any) disabled under the busy pointer; ends the document the body leaves open
    // unless it went wrong; then, with the window usable again, tells the user of any printer
    // error. Returns whether the printout went through.
    bool Print(QWidget* window, const std::function<QString()>& body) const;

private:
    Printer& m_printer;
    Prompts& m_prompts;
    const PrintCommand m_command;
};

// Writes the user log's line for a full view (`what`, of `employees` employees, to `fileName` for a
// file) when `sensitive` shows the signed-in user what another level would see masked; tells the
// user when the log cannot be written. Exports, copies and printouts call it once they are done.
void LogFullView(AppContext& ctx, const SensitiveFields& sensitive, FullView what, qint64 employees,
                 const QString& fileName = {});
