#pragma once

#include "exchange/importxlsx.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>

// A CSV file as rows of cells, for the import's plan (importplan.h) to check as it checks a
// workbook's sheet (importxlsx.h): the same SheetRow, numbered by the line a spreadsheet shows it
// under (the header is line 1; a quoted cell's line breaks stay in their row).
//
// The file: RFC 4180 (quotes doubled inside quoted cells), its cells separated by commas,
// semicolons or tabs (whichever splits the header into the most column names `known` takes, a
// comma on a tie), UTF-8 with or without a byte-order mark or UTF-16 or UTF-32 with one, rows
// ended by CR LF or LF. Lines of nothing but separators and spaces at the end are ignored.

struct CsvLimits {
    qsizetype columns = 0;                     // a header with more cells is handed with the first
                                               // `columns` and its last, which tells its length
    qsizetype cellBytes = 0;                   // a longer cell is a fault
    std::function<bool(const QString&)> known; // whether a header cell (trimmed) names a column
};

struct CsvFault {
    int line = 0;   // 0: the file as a whole
    QString column; // the header's name of the column at fault, or its number; empty for a row
    QString message;
};

// Reads the CSV file `bytes` (taken, so that a large file is not held twice), handing the header
// (every cell) and then each row that has as many cells as the header to `row` (every cell, the
// empty ones too, in its column). `row` returns false to stop the reading: for the header, when
// it is refused. A row of another length is told to `fault` and passed over; a file that is no
// UTF-8 text or empty, a header or a row that cannot be read (the rest of the file cannot be told
// apart into rows) is told to `fault` and stops the reading. `progress` is asked now and then with
// the bytes read of the text's; false stops the reading. False when `progress` stopped it.
bool ReadCsvSheet(QByteArray bytes, const CsvLimits& limits, const std::function<bool(const SheetRow&)>& row,
                  const std::function<void(const CsvFault&)>& fault,
                  const std::function<bool(qint64 done, qint64 total)>& progress = {});
