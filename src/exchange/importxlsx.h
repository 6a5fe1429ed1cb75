#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// The first sheet of an Excel workbook (.xlsx) or of an OpenDocument spreadsheet (.ods) as rows
// of cells, for the import (importplan.h) to check as it checks a CSV file's (importcsv.h).
//
// Both are zips of XML parts. The sheet's cells come as a spreadsheet shows them: shared and
// inline strings as their text, numbers in their shortest form ("99", "0.5"), numbers with a
// date format (a workbook's) or dates (an .ods's office:value-type "date") as yyyy-MM-dd (with
// hh:mm:ss when the day has a time), TRUE or FALSE, and an error value as its text ("#N/A"); an
// .ods cell's paragraphs are its lines. Rows and cells a spreadsheet leaves out are empty, an .ods
// row or cell repeated (table:number-rows-repeated, -columns-repeated) stands as many times; rows
// with no text at all are left out here, wherever they stand.
//
// A zip can unpack to far more than it weighs: each part is refused as soon as it unpacks past
// MaxWorkbookPartBytes (an .ods's content.xml MaxOpenDocumentContentBytes), before or while it
// is read. Parts are read as they unpack, and the sheet
// is handed over a row at a time, so that reading holds no more than one row and the shared texts.

inline constexpr qint64 MaxWorkbookPartBytes = 128 * 1024 * 1024;
// An .ods holds its sheets in one part, content.xml, and spends some 2.7 KB of XML on a row of an
// export's 25 cells, four times what a workbook's sheet spends: 100,000 employees take 275 MB.
inline constexpr qint64 MaxOpenDocumentContentBytes = 512 * 1024 * 1024;
inline constexpr int MaxSheetRows = 1048576; // the last row a spreadsheet has

struct SheetCell {
    qsizetype column = 0; // from 0 (A)
    QString text;
};

struct SheetRow {
    int number = 0;               // the row's number in the spreadsheet, from 1
    std::vector<SheetCell> cells; // only the cells with text, left to right
};

struct SheetLimits {
    qsizetype columns = 0;   // a cell with text in this column (from 0) or after stops the reading
    qsizetype cellChars = 0; // longer texts are cut there and one character more, so that the
                             // caller can tell them
};

struct WorkbookSheet {
    QString fault; // why the workbook cannot be read (a sentence); empty when it was read
    // A cell with text past SheetLimits::columns: where reading stopped, and the cell's text.
    int farRow = 0;
    qsizetype farColumn = -1;
    QString farText;
    bool cancelled = false; // `progress` said to stop
};

// True when `bytes` start like a zip archive, as every workbook does.
bool LooksLikeZip(const QByteArray& bytes);

// Reads the first sheet of the workbook or .ods `bytes`, handing each row with text to `row` in order.
// `progress`, when given, is told now and then how many bytes of the shared texts and the sheet
// have been unpacked of how many; when it returns false, reading stops.
WorkbookSheet ReadWorkbookSheet(const QByteArray& bytes, const SheetLimits& limits,
                                const std::function<void(const SheetRow&)>& row,
                                const std::function<bool(qint64 done, qint64 total)>& progress = {});

// How to save a workbook the import cannot read as one it can, in Excel and in LibreOffice.
QString SaveAsReadableText();

// "A", "B", ... "Z", "AA": the letters of column `column` (from 0).
QString ColumnLetters(qsizetype column);
