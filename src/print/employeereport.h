#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"

#include <QString>

#include <functional>

class QWidget;

// What the information report prints: the record page as it shows the highlighted employee, and
// the two fields of the record the report's questions look at.
struct EmployeeReport {
    OneBased<QString, 22> text;    // the record page's boxes 1 to 22 as they stand
    OneBased<QString, 22> caption; // their captions
    bool previousEmployee = false; // "Previous Employee" is the status shown
    QString notepad;               // Notepad of the record
    QString pictureFile;           // PictureFile of the record
};

// Prints the one-page information report of an employee; when the user asks for the photograph
// too, `printPhotograph` prints it afterwards as a document of its own, within this printout's
// PrintCommand (so the user hears once where both went). The window is usable again by then.
void PrintEmployeeReport(AppContext& ctx, QWidget* window, const EmployeeReport& report,
                         const std::function<void()>& printPhotograph);
