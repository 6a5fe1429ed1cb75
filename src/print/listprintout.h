#pragma once

#include "core/appcontext.h"

#include <QString>

struct EmployeeListResult;
class QWidget;

// Prints the employee list as built (and shown), under a heading naming `window` (its caption),
// the page, the date and time and `listCaption` (the caption of the frame round the list).
void PrintEmployeeList(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                       const QString& listCaption);
