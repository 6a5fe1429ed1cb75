#pragma once

#include <QString>

class Prompts;

// The user's documents folder, else the home folder: where the save and open dialogs start.
QString DocumentsFolder();

// The file the user names in the save dialog titled `title`, proposing `name` in the documents
// folder; empty when cancelled. The name chosen says the format, whichever filter the dialog
// showed: a .csv name is a CSV file (`*csv` set), any other a workbook, and a name without one of
// the two (that is not a file already) gets .xlsx.
QString ChosenSpreadsheet(Prompts& prompts, const QString& title, const QString& name, bool* csv);
