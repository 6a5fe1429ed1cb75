#pragma once

#include "data/fileio.h"
#include "data/journal.h"
#include "data/records.h"
#include "data/sensitive.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

class PersonnelFile;
struct EmployeeListResult;

// An employee list leaves the program as a CSV file (RFC 4180: commas, CR LF row ends, UTF-8
// with a byte-order mark), as JSON lines, or one row as text for the clipboard; the workbook
// (exportxlsx.h) is made from the same table. Every field of
// the record is written but the picture's path. The Social Security number and the date of birth
// are written as the exporting user may see them: masked, "***-**-6789" and "****-03-07".
//
// Cells: text as stored (Windows-1252 decoded, surrounding spaces removed), the notepad with its
// CR LF line breaks; dates as yyyy-MM-dd, empty when not set; DateCreated and DateModified with
// the time of day too (yyyy-MM-dd hh:mm:ss), since they tell when a record was typed in or last
// changed; VersionCreated as a number.
//
// A spreadsheet runs a cell that starts with = + - or @ (and, in some, tab or CR) as a formula.
// In the CSV and the copied row such a cell is guarded with an apostrophe, which makes the
// spreadsheet show the text as it is: a cell whose text, after any apostrophes it starts with,
// begins with = + - @ tab or CR gets one more apostrophe in front. The import takes exactly that
// one apostrophe off again, so an exported file imports back to the same texts. JSON lines are
// for programs and carry the texts unguarded.

struct ExportOptions {
    SensitiveFields sensitive; // what the exporting user may see
};

// The columns in order: the personnel fields in table order, PictureFile left out.
std::vector<PersonnelField> ExportFields();
QStringList ExportHeader();

// One employee's cells under ExportHeader, unguarded.
QStringList ExportCells(PersonnelRecordView record, const ExportOptions& options);

// The numbers behind one employee's cells under ExportHeader, as the record holds them: a date's
// OLE value (0 when not set), VersionCreated; 0 for a text. The workbook writes dates from them.
std::vector<double> ExportValues(PersonnelRecordView record);

// The text a spreadsheet shows as it stands (see above).
QString GuardCell(const QString& text);

// The employees of a list as cells, in the list's order.
struct ExportTable {
    IoStatus status; // a failure leaves no rows
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<std::vector<double>> values; // ExportValues of each row; may be left empty
};

// The record numbers of the list's rows, in its order.
std::vector<qint32> ListedRecords(const EmployeeListResult& list);

// Reads the employees `records` names (record numbers, in the order wanted) in one pass over the
// file; a single one is read where it stands, the file's record buffer left as it was. Opens and
// closes the file; no records (a blank sheet's header alone) leave it unread.
ExportTable ReadExportTable(PersonnelFile& file, const std::vector<qint32>& records,
                            const ExportOptions& options);

// The whole CSV file: byte-order mark, header, one row per employee, every row ended by CR LF.
QByteArray CsvBytes(const ExportTable& table);
// One JSON object per employee and line ("\n"), the header's names as keys, every value a string.
QByteArray JsonLines(const ExportTable& table);
// `text` added to `out` as a JSON string, in quotes: the quote and the backslash escaped, \b \f \n
// \r \t by their letters, the other control characters (C1 ones too) as \u00XX, so that no raw
// control character reaches a terminal; the data tool's dump writes its texts with it too.
void AppendJsonString(QString& out, QStringView text);
// Row `row` (from 0) for the clipboard: the header and the row, cells tab-separated and guarded as
// in the CSV, each line ended by CR LF; a tab or line break inside a cell becomes a space.
QString CopyText(const ExportTable& table, int row);

// The CSV file (CsvBytes) of the employees `records` names, in that order, handed to `put` a
// piece at a time without a table of cells: one pass over the personnel file makes each row's CSV
// bytes (a list's order is not the file's, so the rows wait, as those bytes only, until the pass
// ends), then they go to `put` in the order wanted. Nothing goes to `put` when the file cannot be
// read; a failure `put` returns ends the writing. Opens and closes the file.
IoStatus WriteCsv(PersonnelFile& file, const std::vector<qint32>& records, const ExportOptions& options,
                  const std::function<IoStatus(QByteArrayView)>& put);

// The CSV rows of the records a pass over the personnel file hands it (in file order), kept as
// their bytes alone until they are written in another order: WriteCsv's store, which the data
// tool fills from the list's own pass (BuildEmployeeRows' `listed`), so that the file is read
// once. A record whose number is not above the last one's starts the store over: the pass did.
class CsvRowStore {
public:
    explicit CsvRowStore(const ExportOptions& options) : m_options(options) {}
    void Add(qint32 n, PersonnelRecordView record);
    // Whether every record of `records` has its row here.
    bool Holds(const std::vector<qint32>& records) const;
    // The rows of `records`, in that order, to `put`; a failure `put` returns ends the writing.
    IoStatus Put(const std::vector<qint32>& records,
                 const std::function<IoStatus(QByteArrayView)>& put) const;

private:
    struct Span {
        qint32 record;
        qsizetype start, end;
    };
    const Span* Find(qint32 n) const;

    ExportOptions m_options;
    QByteArray m_rows;
    std::vector<Span> m_spans; // by record number
};

// The byte-order mark and the header row, as the CSV file starts.
QByteArray CsvHead();

// "Export this List...": the list's employees as the CSV file `path` (WriteCsv through a
// WholeFileWriter, data/journal.h).
IoStatus ExportListToCsv(FileIo& io, PersonnelFile& file, const EmployeeListResult& list,
                         const ExportOptions& options, const QString& path);

// "Copy": the employee of the list's data row `row` (from 0) as CopyText gives it; empty when
// the row is outside the list or the file cannot be read (`status` says which).
QString CopyListRow(PersonnelFile& file, const EmployeeListResult& list, int row,
                    const ExportOptions& options, IoStatus* status = nullptr);
