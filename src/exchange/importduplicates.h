#pragma once

#include "data/fileio.h"
#include "data/history.h"
#include "exchange/importplan.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <vector>

class Clock;
class PersonnelFile;

// Before an import writes anything, each row is compared with the employees the file holds
// (current or previous) and with the rows before it.
//
// A row is an employee on file (an update, or unchanged when no field would change) when its
// EmployeeNumber (the employer's own number, the lasting identity a sheet carries, since the
// history's numbers are not exported) is that of an employee on file, compared trimmed and
// ignoring case; failing that, when its last name, first name and date of birth are one's,
// compared as they would be stored, ignoring case (a masked date of birth by its month and day).
// So a sheet that carries the employee numbers may change a name or a date of birth. A second row
// that is the same employee on file, or has the last name, first name and date of birth of an
// earlier row, is a likely duplicate of that row; so is a row whose Social Security number (not
// empty, not masked) is another employee's on file or an earlier row's, an employee on file too,
// so that an import never gives one employee another's number unasked (their own number as stored
// is no clash).

struct ImportDuplicate {
    qint32 row = 0; // the plan's row, from 0
    int line = 0;   // the spreadsheet line the row starts on (ImportPlan::Line)
    QString name;   // whom it is or looks like, "Last, First" as stored
    double dateOfBirth = 0;
    qint32 record = 0;            // the employee on file the row is; 0 when it is none
    bool previous = false;        // that employee on file is a previous one
    bool byNumber = false;        // found by the EmployeeNumber
    QList<HistoryChange> changes; // what updating that employee changes (none: unchanged)
    int earlierLine = 0;          // else the line of an earlier row it looks like (its name is `name`)
    bool sheetRow = false;        // the lines are a workbook's rows
    // Its Social Security number is another employee's on file or an earlier row's.
    qint32 ssnRecord = 0;
    int ssnLine = 0;
    QString ssnName;

    bool OnFile() const { return record != 0; }
    bool SameSsn() const { return ssnRecord != 0 || ssnLine != 0; }
    // Skipped unless duplicates are added: no employee on file, or one given another's number.
    bool Likely() const { return !OnFile() || SameSsn(); }
};

struct ImportDuplicates {
    IoStatus status;                   // reading the personnel file; a failure finds no duplicates
    bool cancelled = false;            // the progress said to stop: none were looked for
    std::vector<ImportDuplicate> rows; // in the spreadsheet's order
    std::vector<qint32> maskedRows;    // the rows with a masked cell, in order

    qint64 Updates() const;   // rows on file with changes
    qint64 Unchanged() const; // rows on file without
    qint64 Likely() const;    // likely duplicates: the rows named that are Likely()
};

// Compares an Ok() plan's rows (as stored at `now`, an OLE date) with every record of the file,
// read in one pass, and with each other; then, with `compare`, the employees found are read again
// by their numbers (the record page's buffer given back as it was), and what updating each would
// change (without, `changes` stay empty and what is shown of them is kept from the pass). A file
// that does not exist yet holds nobody and is not made. Opens the file without its counting pass
// and closes it. `progress` counts the rows, the records of the pass, then the employees read
// again.
ImportDuplicates FindImportDuplicates(PersonnelFile& file, const ImportPlan& plan, double now,
                                      const ImportProgress& progress = {}, bool compare = true);

// The plan's rows (from 0) that are neither on file nor likely duplicates, in order.
std::vector<qint32> NewImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates);

// `update`: a row on file updates that employee (else it is a likely duplicate too);
// `addDuplicates`: likely duplicates are added (else skipped), and with `update` a row on file that
// has another employee's Social Security number updates its employee all the same.
ImportSelection SelectImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates, bool update,
                                 bool addDuplicates);

// One sentence naming the row's line (a workbook's row) and whom it looks like, the date of birth in
// `datePattern` (FormatDate's patterns): "Line 3 looks like Lee, Zoë, born 01/01/1980, who is already on
// file.", or whose Social Security number it has: "Line 3 has the Social Security number of Lee, Zoë,
// who is already on file." A row on file is named by the number when `updating` (it would update
// its employee), else as the employee it is.
QString DuplicateText(const ImportDuplicate& duplicate, QStringView datePattern, bool updating = true);
// The fields an update changes: "Row 2 updates Lee, Zoë: JobTitle 'Clerk' -> 'Head Clerk'; Email ''
// -> 'zl@example.com'." (values cut at 30 characters, a line break shown as a space).
QString UpdateText(const ImportDuplicate& duplicate);
// Why a row to add is refused: "Row 4, column 'SocialSecurityNumber' is masked, ..."
QString MaskedAddText(const ImportPlan& plan, qint32 row);
// What was done: "2 added, 1 updated, 3 unchanged, 1 skipped."
QString ImportSummary(const ImportSelection& selection);
