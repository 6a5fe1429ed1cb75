#pragma once

#include "data/fileio.h"
#include "exchange/importcsv.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <vector>

class Clock;
class PersonnelFile;

// Before an import writes anything, the rows that look like an employee the file already holds
// (current or previous) or like an earlier row of the same spreadsheet: the same last name, first
// name and date of birth, compared as they would be stored, ignoring case. The user then imports
// them all or only the new ones.

struct ImportDuplicate {
    qint32 row = 0; // the plan's row, from 0
    int line = 0;   // the spreadsheet line the row starts on (ImportPlan::Line)
    QString name;   // whom it looks like, "Last, First" as stored
    double dateOfBirth = 0;
    qint32 record = 0;     // that employee's record on file; 0 when it is an earlier row
    bool previous = false; // that employee on file is a previous one
    int earlierLine = 0;   // else the line of that earlier row
    bool sheetRow = false; // the lines are a workbook's rows
};

struct ImportDuplicates {
    IoStatus status;                   // reading the personnel file; a failure finds no duplicates
    bool cancelled = false;            // the progress said to stop: none were looked for
    std::vector<ImportDuplicate> rows; // in the spreadsheet's order
};

// Compares an Ok() plan's rows (as stored at `now`, an OLE date) with every record of the file,
// read in one pass, and with each other. A file that does not exist yet holds nobody and is not
// made. Opens and closes the file. `progress` counts the rows, then the records read.
ImportDuplicates FindImportDuplicates(PersonnelFile& file, const ImportPlan& plan, double now,
                                      const ImportProgress& progress = {});

// The plan's rows (from 0) that are no duplicates, in order.
std::vector<qint32> NewImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates);

// One sentence naming the row's line (a workbook's row) and whom it looks like, the date of birth in
// `datePattern` (FormatDate's patterns): "Line 3 looks like Lee, Zoë, born 01/01/1980, who is already on
// file."
QString DuplicateText(const ImportDuplicate& duplicate, QStringView datePattern);

// Appends the plan's `rows` (from 0, in the order given) as ApplyImport appends them all; no rows
// write nothing. `firstRecord`, when given, receives the record number of the first one added
// (0 when none was). `progress` counts each record twice (it is journaled, then written); what
// it returns is not heeded, since the change is made whole or not at all.
IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const std::vector<qint32>& rows,
                     const Clock& clock, qint32* firstRecord = nullptr, const ImportProgress& progress = {});
