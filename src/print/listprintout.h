#pragma once

#include "core/appcontext.h"

#include <QString>

class Grid;
class QWidget;

// Prints the employee list as `grid` shows it, under a heading naming `window` (its caption),
// the page, the date and time and `listCaption` (the caption of the frame round the list).
void PrintEmployeeList(AppContext& ctx, QWidget* window, const Grid& grid, const QString& listCaption);
