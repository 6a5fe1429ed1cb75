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

// Prints `text` (lines joined by CR LF) word-wrapped between `leftMargin` and `rightMargin`
// (inches), over as many pages as it needs, with an optional heading and "(page n)" from page 2
// on. Unless `keepWindowState`, `window` is disabled with the busy pointer meanwhile; unless
// `keepDocumentOpen`, the document is ended. It is a print command of its own (PrintCommand)
// unless the caller's command is under way. Returns what went wrong ending it (empty: nothing).
QString PrintWrappedText(Printer& printer, QWidget* window, const QString& text, const QString& heading,
                         bool underlineHeading, bool centreHeading, bool headingOnEveryPage,
                         bool keepWindowState, bool keepDocumentOpen, double leftMargin, double rightMargin);

// Tells the user a printout failed ("Printer Error", critical icon). Returns whether `error` is
// empty, that is whether the printout went through.
bool ReportPrinterError(Prompts& prompts, const QString& error);
