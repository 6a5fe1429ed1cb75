#include "print/listprintout.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "list/listbuilder.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "settings/settingsstore.h"

#include <QWidget>

namespace {

constexpr double Left = 0.5;
constexpr double RuleEnd = 7.6;
constexpr double Columns[] = {0.5, 4.0, 6.2};
// A page takes rows until the line being printed lies past this.
constexpr double PageEnd = 8.8;
// Longer names and column-1 texts would run into the next column.
constexpr qsizetype NameChars = 50;
constexpr qsizetype SecondColumnChars = 40;

// The three visible cells of a list row at their columns, on the current line.
void PrintCells(Printer& printer, const QString& first, const QString& second, const QString& third) {
    const QString cells[] = {first, second, third};
    for (int c = 0; c < 3; ++c) {
        printer.CurrentX = Columns[c];
        printer.Print(cells[c], false);
    }
}

void PrintPageHeading(Printer& printer, const Clock& clock, const QString& windowCaption,
                      const EmployeeListResult& list, const QString& listCaption,
                      const QString& thirdHeading) {
    printer.CurrentY = 1;
    printer.CurrentX = Left;
    printer.Print(windowCaption + QStringLiteral(" -- Page ") + QString::number(printer.Page()) +
                  QStringLiteral(", ") + FormatGeneralDate(clock.NowOle()));
    printer.CurrentX = Left;
    printer.Print(QStringLiteral("Printout of ") + listCaption);
    PrintRule(printer, Left, RuleEnd);
    PrintCells(printer, list.Heading(0), list.Heading(1), thirdHeading);
    PrintRule(printer, Left, RuleEnd);
}

} // namespace

void PrintEmployeeList(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                       const QString& listCaption) {
    const int rows = list.Rows();
    if (rows < 1)
        return; // no one listed, nothing to print
    if (!ConfirmPrinterReady(ctx.prompts, ctx.state))
        return;

    Printer& printer = ctx.printer;
    const bool printed = PrintJob(printer, ctx.prompts).Print(window, [&] {
        printer.Font = PrinterFont{};
        printer.Font.name = QStringLiteral("Arial");
        printer.Font.size = 9;

        const QString windowCaption = window ? window->windowTitle() : QString();
        // The alphabetical list keeps a one-twip filler column ("*") in column 2 to hold the record
        // numbers in column 3; it is out of sight on the screen and stays off the paper too.
        const bool thirdColumnShown = list.colWidths[2] > 1;
        const QString thirdHeading = thirdColumnShown ? list.Heading(2) : QString();
        for (int i = 0; i < rows; ++i) {
            if (printer.CurrentX < 1)
                printer.CurrentX = Left;
            if (printer.CurrentY < 1)
                PrintPageHeading(printer, ctx.clock, windowCaption, list, listCaption, thirdHeading);
            PrintCells(printer, list.Cell(i, 0).left(NameChars), list.Cell(i, 1).left(SecondColumnChars),
                       thirdColumnShown ? list.Cell(i, 2) : QString());
            const bool last = i == rows - 1;
            if (printer.CurrentY > PageEnd || last) {
                PrintRule(printer, Left, RuleEnd);
                if (!last) {
                    printer.NewPage();
                } else {
                    printer.CurrentX = Left;
                    printer.Print(QStringLiteral("End of Printout"));
                }
            } else {
                printer.EndLine();
            }
        }
        return QString();
    });
    if (printed)
        LogFullView(ctx, SensitiveFieldsFor(ctx, ctx.state.CurrentAccessLevel),
                    FullView::ListPrintout, rows);
}
