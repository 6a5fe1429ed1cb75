#pragma once

#include "data/fileio.h"
#include "data/records.h"
#include "data/sensitive.h"
#include "list/listquery.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <vector>

class PersonnelFile;

// The employee list, ready to go into the grid: rows already in the order the grid's sort would
// give them.
struct EmployeeListResult {
    IoStatus status;        // a failure leaves no rows
    qint32 recordCount = 0; // records in the file; 0 means the file is empty
    int cols = 4;
    QString formatString;           // heading row
    std::array<int, 3> colWidths{}; // columns 0..2, twips
    // Data rows, row-major with `cols` cells each: name, ..., record number (column 3), sort key
    // (column 4 of types 2 to 4; for the list by age with the birth dates masked, the row's place
    // in the list, since the key would show the year).
    std::vector<QString> cells;
    // The record number of each data row, in the rows' order: what the commands on a row act on
    // (column 3 shows the same number to the grid, as text).
    std::vector<qint32> records;
    // Grid row (1 = first data row) of the newly added employee; 0 = not listed or not asked for,
    // in which case the remembered row stays as it is.
    int highlightRow = 0;
    QString caption; // of frame(1)
    // The look-for text as the box shows it after the build (the alphabetical list trims it).
    QString txtOther;

    int Rows() const { return cols > 0 ? static_cast<int>(cells.size() / std::size_t(cols)) : 0; }
    // `row` counts data rows from 0 (grid row row + 1).
    const QString& Cell(int row, int col) const { return cells[std::size_t(row) * std::size_t(cols) + col]; }
    // The row as one tab-separated text, the form the grid's AddItem takes.
    QString RowText(int row) const;
    // The heading of column `col` from the format string, without its alignment mark.
    QString Heading(int col) const;
    // The record number of data row `row` (from 0); 0 outside the list.
    qint32 RecordNumber(int row) const {
        return row >= 0 && std::size_t(row) < records.size() ? records[std::size_t(row)] : 0;
    }
};

// Reads every record of the personnel file once and builds the list the query asks for. `today`
// (an OLE date) is the day ages and years of service are counted to; `newRecordNumber` (0 =
// none) is the record whose row the alphabetical list highlights. Opens and closes the file.
// `listed`, when given, is handed each record the list takes as the pass reads it (in file order,
// so that an export need not read the file again); a build that starts over (on a record left
// marked for removal) hands them over again from the file's first record.
EmployeeListResult BuildEmployeeRows(PersonnelFile& file, const ListQuery& options, double today,
                                     qint32 newRecordNumber,
                                     const std::function<void(qint32, PersonnelRecordView)>& listed = {});

// The caption of the frame round the list, for example
// "Current Employees - Race: Black - Month Emp.: Mar - 'nurse'".
QString ListCaption(const ListQuery& options);
