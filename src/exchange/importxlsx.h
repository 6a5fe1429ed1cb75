#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// The first sheet of an Excel workbook (.xlsx) as rows of cells, for the import (importcsv.h)
// to check like a CSV file's.
//
// A workbook is a zip of XML parts. The sheet's cells come as a spreadsheet shows them: shared
// and inline strings as their text, numbers in their shortest form ("99", "0.5"), numbers with a
// date format as yyyy-MM-dd (with hh:mm:ss when the day has a time), TRUE or FALSE, and an error
// value as its text ("#N/A"). Rows and cells a spreadsheet leaves out are empty; rows with no
// text at all are left out here, wherever they stand.
//
// A zip can unpack to far more than it weighs: each part is refused as soon as it unpacks past
// MaxWorkbookPartBytes, before or while it is read.

inline constexpr qint64 MaxWorkbookPartBytes = 128 * 1024 * 1024;

struct SheetRow {
    int number = 0;                // the row's number in the spreadsheet, from 1
    std::vector<QByteArray> cells; // UTF-8, from column A; the row ends at its last cell with text
};

struct WorkbookSheet {
    QString fault; // why the workbook cannot be read (a sentence); empty when it was read
    std::vector<SheetRow> rows;
};

// True when `bytes` start like a zip archive, as every workbook does.
bool LooksLikeZip(const QByteArray& bytes);

// Reads the first sheet of the workbook `bytes`. Cells longer than `maxCellBytes` are cut there
// and one byte more, so that the caller can tell them.
WorkbookSheet ReadWorkbookSheet(const QByteArray& bytes, qsizetype maxCellBytes);

// "A", "B", ... "Z", "AA": the letters of column `column` (from 0).
QString ColumnLetters(qsizetype column);
