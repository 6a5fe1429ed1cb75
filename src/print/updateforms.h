#pragma once

#include "core/appcontext.h"
#include "data/sensitive.h"

#include <QPoint>
#include <QString>

class Clock;
struct EmployeeListResult;
class PersonnelRecord;
class Printer;
class QWidget;

// Prints one "Annual Employee Information Update" form from `record` as one document.
// Returns what went wrong ending the document (empty: nothing). The Social Security number and
// the year of birth are printed as `sensitive` lets the user printing the form see them.
QString PrintUpdateForm(Printer& printer, const PersonnelRecord& record, const Clock& clock,
                        const SensitiveFields& sensitive = {});

// The pop-up menu of the main window's "Print Annual Update form(s)" button: forms for everyone in
// `list` or for the employee of its row `highlightedRow` (from 1, as the grid counts) only.
void ShowPrintUpdateMenu(AppContext& ctx, QWidget* window, const EmployeeListResult& list, int highlightedRow,
                         QPoint globalPos, const SensitiveFields& sensitive = {});
