#include "print/updateforms.h"

#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/onebased.h"
#include "data/personnelfile.h"
#include "list/listbuilder.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "ui/prompts.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>

namespace {
using F = PersonnelField;

// The width of one print column in the current font. Proportional fonts have no single character
// width, so a column is the mean advance of the letters a-z and A-Z: the width a run of ordinary
// text takes per character, which keeps the columns where a reader expects them.
double PrintColumnWidth(const Printer& printer) {
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return printer.TextWidth(letters) / letters.size();
}

// Where column 1 of the form stands, in inches from the paper's left edge: the form as it prints
// on the usual printer, whose printable area begins a quarter inch in.
constexpr double FormLeftEdge = 0.25;

// Moves the print position to character column `column` (from 1) of the current line, counted
// from FormLeftEdge (the coordinates are aligned to the paper), so that the form stands in the
// same place whatever the printer's unprintable margin.
void TabTo(Printer& printer, int column) {
    printer.CurrentX = FormLeftEdge + (column - 1) * PrintColumnWidth(printer);
}

constexpr int FormColumn = 10;
constexpr int EmergencyColumn = 42;

// One line of the form at the form's column.
void FormLine(Printer& printer, const QString& text = {}) {
    if (!text.isEmpty())
        TabTo(printer, FormColumn);
    printer.Print(text);
}

// A text field with its padding, as the file holds it.
QString Stored(const PersonnelRecord& r, F field) {
    return FromAnsi(r.Raw(field));
}

QString LongDate(double value) {
    return FormatDate(value, u"mmmm d, yyyy");
}

// The Social Security number as the user may see it; one never typed in keeps its padding, as
// the form prints it unmasked.
QString SocialSecurityNumber(const PersonnelRecord& r, const SensitiveFields& sensitive) {
    const QString stored = Stored(r, F::SocialSecurityNumber);
    const QString shown = sensitive.Ssn(stored);
    return sensitive.Masked() && !shown.isEmpty() ? shown : stored;
}

// The date of birth as the user may see it: masked, the year gives way to "****" and the rest
// keeps its shape ("March 7, ****").
QString BirthDate(double value, const SensitiveFields& sensitive) {
    const QString date = LongDate(value);
    if (!sensitive.Masked() || date.isEmpty())
        return date;
    return FormatDate(value, u"mmmm d, ") + QStringLiteral("****");
}

} // namespace

QString PrintUpdateForm(Printer& printer, const PersonnelRecord& r, const Clock& clock,
                        const SensitiveFields& sensitive) {
    printer.Font = PrinterFont{QStringLiteral("Arial"), 10, true, false, false, false};
    AlignPrinterToPaper(printer, 0, 0);
    printer.CurrentX = 1;
    printer.CurrentY = 0.5;

    const QString rule(79, QLatin1Char('_'));
    FormLine(printer, QStringLiteral("%1 Annual Employee Information Update")
                          .arg(clock.Now().date().year(), 4, 10, QLatin1Char('0')));
    FormLine(printer, rule);
    FormLine(printer);
    FormLine(printer, QStringLiteral("*  Verify and update the below information"));
    FormLine(printer, QStringLiteral("*  Fill in the blanks as appropriate"));
    FormLine(printer, QStringLiteral("*  Forward this form as directed"));
    FormLine(printer, rule);
    FormLine(printer);
    FormLine(printer, Stored(r, F::FirstName));
    FormLine(printer, Stored(r, F::MiddleName));
    FormLine(printer, Stored(r, F::LastName));
    FormLine(printer, Stored(r, F::Suffix));
    FormLine(printer);
    FormLine(printer, Stored(r, F::StreetAddress));
    FormLine(printer, Stored(r, F::CityStateZip));
    FormLine(printer);
    FormLine(printer, QStringLiteral("Home Phone: ") + Stored(r, F::HomePhone));
    FormLine(printer, QStringLiteral("Cell Phone: ") + Stored(r, F::CellPhone));
    FormLine(printer);
    FormLine(printer, QStringLiteral("Email: ") + Stored(r, F::Email));
    FormLine(printer);
    FormLine(printer, Stored(r, F::Race));
    FormLine(printer, Stored(r, F::Sex));
    FormLine(printer, SocialSecurityNumber(r, sensitive));
    FormLine(printer, QStringLiteral("Date of Birth: ") + BirthDate(r.DateOfBirth(), sensitive));
    FormLine(printer, QStringLiteral("Date of Employment: ") + LongDate(r.DateOfEmployment()));
    FormLine(printer, QStringLiteral("Employee #: ") + Stored(r, F::EmployeeNumber));
    FormLine(printer, QStringLiteral("Job Title: ") + Stored(r, F::JobTitle));
    FormLine(printer);
    FormLine(
        printer,
        QStringLiteral("Driver 's License State_________ Number_________________________ Exp._____________"));
    FormLine(printer);
    TabTo(printer, FormColumn);
    printer.Print(QStringLiteral("In case of emergency, contact "), false);
    TabTo(printer, EmergencyColumn);
    printer.Print(r.EmergencyName() + QStringLiteral(" at ") + r.EmergencyPhone());
    TabTo(printer, EmergencyColumn);
    printer.Print(QStringLiteral("(") + r.EmergencyRelationship() + QStringLiteral(")"));
    FormLine(printer);
    FormLine(printer, QStringLiteral("Language(s) spoken") + QString(61, QLatin1Char('_')));
    FormLine(printer);
    FormLine(printer, QStringLiteral("Blood Type") + QString(13, QLatin1Char('_')));
    FormLine(printer);
    FormLine(printer, QStringLiteral("Any other information you wish to include in your personnel record"));
    FormLine(printer,
             QStringLiteral("(such as educational attainments, training received, medical conditions"));
    FormLine(printer, QStringLiteral(" or other special circumstances, etc.)"));
    for (int i = 0; i < 11; ++i)
        FormLine(printer);
    FormLine(printer, QStringLiteral("Signature") + QString(50, QLatin1Char('_')) + QStringLiteral(" Date") +
                          QString(15, QLatin1Char('_')));
    return printer.EndDoc();
}

namespace {
// Prints the forms of the given records in order, as stored. Stops at the
// first file or printer error and tells the user once the window is usable again. The shared
// record is given back as it was: it holds the highlighted employee, whom other commands ask about.
void PrintForms(AppContext& ctx, QWidget* window, const QList<qint32>& records,
                const SensitiveFields& sensitive) {
    const PrintJob job(ctx.printer, ctx.prompts);
    PersonnelFile& file = ctx.personnel;
    const PersonnelRecord held = file.Record();
    const auto giveBack = qScopeGuard([&file, &held] { file.Record() = held; });
    IoStatus status;
    qint64 printed = 0;
    job.Print(window, [&] {
        QString printerError;
        status = file.OpenPersonnelFileUncounted();
        for (qint32 record : records) {
            if (!status)
                break;
            status = file.ReadPersonnelRecord(record);
            if (!status)
                break;
            printerError = PrintUpdateForm(ctx.printer, file.Record(), ctx.clock, sensitive);
            if (!printerError.isEmpty())
                break;
            ++printed;
        }
        file.ClosePersonnelFile();
        return printerError;
    });
    // Either error stops the printing, so at most one of them is told.
    ReportFileError(ctx.prompts, status);
    if (printed > 0)
        LogFullView(ctx, sensitive, FullView::UpdateForms, printed);
}

} // namespace

void ShowPrintUpdateMenu(AppContext& ctx, QWidget* window, const EmployeeListResult& list, int highlightedRow,
                         QPoint globalPos, const SensitiveFields& sensitive) {
    // On the heap and watched: the window that owns the menu may go while the menu is up.
    QPointer<QMenu> menuPrintUpdatemenu = new QMenu(window);
    menuPrintUpdatemenu->setObjectName(QStringLiteral("menuPrintUpdatemenu"));
    OneBased<QAction*, 4> PrintUpdatemenu;
    PrintUpdatemenu[1] =
        menuPrintUpdatemenu->addAction(QStringLiteral("Print an update form for every person in this list"));
    PrintUpdatemenu[2] = menuPrintUpdatemenu->addAction(
        QStringLiteral("Print an update form only for the highlighted person"));
    PrintUpdatemenu[3] = menuPrintUpdatemenu->addSeparator();
    PrintUpdatemenu[4] = menuPrintUpdatemenu->addAction(QStringLiteral("E&xit this Menu"));
    for (int i = 1; i <= 4; ++i)
        PrintUpdatemenu[i]->setObjectName(QStringLiteral("PrintUpdatemenu(%1)").arg(i));
    const int employees = list.Rows();
    PrintUpdatemenu[1]->setEnabled(employees >= 2);

    const QAction* chosen = menuPrintUpdatemenu->exec(globalPos);
    if (!menuPrintUpdatemenu)
        return;
    const bool everyone = chosen == PrintUpdatemenu[1];
    const bool highlighted = chosen == PrintUpdatemenu[2];
    delete menuPrintUpdatemenu;

    // The records of the rows, in the list's order (not the file's).
    QList<qint32> records;
    if (everyone) {
        const MsgAnswer answer = ctx.prompts.MsgBox(
            QStringLiteral("This printout will be") + CrLf + QString::number(employees) +
                QStringLiteral(" pages long.") + CrLf + CrLf + QStringLiteral("Are you ready to continue?"),
            MsgButtons::YesNoCancel, MsgIcon::Question, QStringLiteral("'Annual Update' forms..."));
        if (answer != MsgAnswer::Yes)
            return;
        for (int row = 0; row < employees; ++row)
            records << list.RecordNumber(row);
    } else if (highlighted) {
        // With no row highlighted there is nobody to print for.
        if (highlightedRow < 1 || highlightedRow > employees)
            return;
        records << list.RecordNumber(highlightedRow - 1);
    } else {
        return;
    }
    PrintForms(ctx, window, records, sensitive);
}
