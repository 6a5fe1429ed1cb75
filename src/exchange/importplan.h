#pragma once

#include "data/fileio.h"
#include "data/records.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <vector>

class Clock;
class PersonnelFile;

// Employees come in from an Excel workbook's or an OpenDocument spreadsheet's first sheet
// (importxlsx.h) or a CSV file (importcsv.h), with the columns an export writes (exportlist.h), in
// any order, all or none: the readers hand their rows alike, a plan checks every row and writes
// nothing, then the plan is applied as one change. A header may name its column by
// the field's name or by the record page's caption (data/fieldcaptions.h; the emergency frame's
// after "Emergency"), whatever its case, spaces and punctuation ("#" reads "number"); a header it
// cannot place is named with the nearest known names.
//
// A workbook's faults name the row the spreadsheet shows (the header's is its first row with
// text, row 1 as a rule); its cells are taken as the sheet shows them, with no apostrophe to take
// off, and its rows with no text at all are passed over.
//
// A CSV file's faults name the row by the number a spreadsheet shows it under, as "Line": the
// header is line 1, and a quoted cell's line breaks stay in their row (importcsv.h says what
// files it reads).
//
// A workbook's sheet is read a row at a time; a cell with text in a column past the last one an
// export has stops the reading at once, as does a row past a spreadsheet's last.
//
// Each cell: one leading apostrophe is taken off when the export put it there (the cell starts
// with apostrophes followed by = + - @ tab or CR), then surrounding spaces are trimmed as the
// record page trims its boxes. The notepad's line breaks become CR LF, as the record page stores
// them. Each row passes the record page's checks (CheckEntry, inactivation date included), and
// every text must fit its field in Windows-1252: a character the code page cannot hold, a control
// character (NUL, ESC, DEL and the like; a tab or a line break only where the record page takes
// one) or a text longer than the field is refused, never changed. The InactivationDate must fall after
// 12/30/1899, since 0 stands for a current employee.
//
// Of the columns the program fills itself, DateCreated, DateModified and VersionCreated are
// accepted and their cells ignored: an imported employee was created at the time of the import,
// has not been modified since, and carries the program's version. PictureFile is no column of
// the file: a picture's path is of no use on another computer. An employee with an
// InactivationDate is a previous employee, the others current ones.

inline constexpr qint64 MaxImportFileBytes = 64 * 1024 * 1024; // larger files are refused unread
inline constexpr qsizetype MaxImportCellBytes = 64 * 1024;     // far more than any field holds
inline constexpr int ImportErrorsKept = 20;

// A cell as an export by a user who may not see it writes it (data/sensitive.h): the Social
// Security number "***-**-6789", the date of birth "****-03-07". It is no value: it passes the checks as
// the record page's masked box does, and leaves the stored value of an employee on file as it is.
struct ImportMasked {
    bool socialSecurityNumber = false;
    bool dateOfBirth = false;
    QString birthMonthDay; // what a masked date of birth shows: "03-07"
    bool Any() const { return socialSecurityNumber || dateOfBirth; }
};
bool IsMaskedSsn(QStringView text);
bool IsMaskedDateOfBirth(QStringView text);

// Told now and then how far a long step of an import has come (`done` of `total`, in units of the
// step's own); returning false stops the step, which then has done nothing.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

struct ImportError {
    int line = 0;    // where the row starts, 1 = the header; 0 = the file as a whole
    QString column;  // the column at fault, empty when it is not one cell
    QString message; // one sentence that names the line and the column
};

class ImportPlan {
public:
    // The file could not be read at all (a message for ReportFileError).
    const IoStatus& ReadStatus() const { return m_readStatus; }
    // True when the file can be imported: it was read and every row passed.
    bool Ok() const { return m_readStatus.Ok() && m_errorCount == 0 && !m_cancelled; }
    // The progress said to stop before the file was checked.
    bool Cancelled() const { return m_cancelled; }
    // Employees that the import adds (0 unless Ok()).
    qint32 Rows() const { return Ok() ? qint32(m_lines.size()) : 0; }
    // The first ImportErrorsKept faults in file order, and how many there are in all.
    const std::vector<ImportError>& Errors() const { return m_errors; }
    qint64 ErrorCount() const { return m_errorCount; }
    // The kept faults one per line (CR LF), and a last line saying how many more were found.
    QString ErrorText() const;

    // Employee `row` (from 0) as it would be stored, created at `now` (an OLE date); a masked cell
    // leaves its field empty, and `masked` (when given) says which were. Each row was made into its
    // record once, when it was checked; this only unpacks it.
    PersonnelRecord Record(qint32 row, double now, ImportMasked* masked = nullptr) const;
    // The employee on file `stored` with row `row`'s cells put in: the fields the file has a
    // column for, but DateCreated, DateModified and VersionCreated and a masked cell, which leave
    // the stored value as it is.
    PersonnelRecord Updated(qint32 row, const PersonnelRecord& stored) const;
    // The rows (from 0, in order) with a masked cell: no employee can be added from them.
    const std::vector<qint32>& MaskedRows() const { return m_masked; }
    // The file has a column for `field` (one the import takes, not one the program fills).
    bool HasColumn(PersonnelField field) const;
    // The spreadsheet's line (or row) that employee `row` (from 0) starts on; the header is 1.
    int Line(qint32 row) const;
    // The rows came from a workbook's sheet, whose rows a spreadsheet numbers as rows, not lines.
    bool FromWorkbook() const { return m_workbook; }

private:
    friend struct ImportPlanning;
    friend ImportPlan PlanImportFile(FileIo& io, const QString& path, const ImportProgress& progress);
    void Fail(int line, const QString& column, const QString& message);

    IoStatus m_readStatus;
    bool m_cancelled = false;
    // The rows' records, packed, and where each starts: which cells were masked (a byte, and the
    // month and day a masked date of birth shows), then each field that is not blank as its index
    // (a byte), its length (two) and its stored bytes up to the last that is not the blank
    // record's. So a plan holds its rows once, about as large as their text, and never as whole
    // records.
    QByteArray m_records;
    std::vector<qsizetype> m_rows;
    bool m_workbook = false;          // the rows came from a workbook's sheet
    std::vector<int> m_fieldOfColumn; // the PersonnelField index of each column; -1 ignored
    std::vector<int> m_lines;         // the line each row starts on
    std::vector<qint32> m_masked;     // the rows with a masked cell
    std::vector<ImportError> m_errors;
    qint64 m_errorCount = 0;
};

// Checks the file (as read, whole: a workbook or CSV text) and plans its import.
ImportPlan PlanImport(const QByteArray& bytes, const ImportProgress& progress = {});
// Reads the file through `io` (refused unread when over MaxImportFileBytes) and plans its import.
ImportPlan PlanImportFile(FileIo& io, const QString& path, const ImportProgress& progress = {});

// What an import writes, and what it passes over (SelectImportRows, importduplicates.h, makes it
// from the user's choice).
struct ImportUpdate {
    qint32 row = 0;    // the plan's row
    qint32 record = 0; // the employee on file it updates
};
struct ImportSelection {
    std::vector<qint32> add;           // rows appended, in order
    std::vector<ImportUpdate> updates; // employees on file with changes
    qint64 unchanged = 0;              // rows on file without changes
    qint64 skipped = 0;                // rows neither added nor updated
    std::vector<qint32> maskedAdds;    // rows to add that hold a masked cell: the import is refused
};
// Writes a selection of an Ok() plan as one change: the updates (each an "edited" entry in the
// history, or made previous or current) and the rows to add (created now), the history noting
// `note` ("from Employees.xlsx") on every entry. With updates the file is written whole beside
// itself and renamed over, so a failure or a kill leaves all of it made or none; without, the rows
// are appended all or none (PersonnelFile::AppendPersonnelRecords). The file is opened without its
// counting pass and closed. Refused when the selection adds masked rows or updates one employee
// twice; nothing to write writes nothing. `firstRecord`, when given, receives the record number of
// the first one added (0 when none was). `progress` counts each update and added record as it is
// made (with a history, an update three times and an added record twice); what it returns is not
// heeded, since the change is made whole or not at all.
IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const ImportSelection& selection,
                     const Clock& clock, const QString& note = {}, qint32* firstRecord = nullptr,
                     const ImportProgress& progress = {});
// The plan's `rows` (from 0, in the order given) added, or every row of the plan.
ImportSelection ImportRowsAdded(const std::vector<qint32>& rows);
ImportSelection AllImportRowsAdded(const ImportPlan& plan);

// The export's columns: every field but the picture's path.
inline constexpr qsizetype ImportColumns = qsizetype(PersonnelFields.size()) - 1;
