#pragma once

#include <QString>

class Printer;
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
