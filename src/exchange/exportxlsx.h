#pragma once

#include "data/fileio.h"
#include "exchange/exportlist.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

struct lxw_workbook;

class PersonnelFile;
struct EmployeeListResult;

// An employee list as an Excel workbook (.xlsx): one sheet, "Employees", holding the columns and
// cells of the CSV (exportlist.h), masked alike, but typed as a spreadsheet reads them:
//
// - Every text is a text cell, never a number or a formula, so an employee number, a Social
//   Security number, a phone or a ZIP code keeps its leading zeros and pluses, and a cell that
//   starts with = + - or @ shows as it is: the workbook needs no guard apostrophe.
// - DateOfBirth, DateOfEmployment, DateOfJobTitle and InactivationDate are date cells
//   (mm/dd/yyyy), DateCreated and DateModified date-and-time cells (mm/dd/yyyy hh:mm:ss), of the
//   day and the second the CSV shows; a date not set is an empty cell. A masked date of birth
//   ("****-03-07") is text, and so is a date before 1 January 1900, which a spreadsheet cannot
//   show as a date. VersionCreated is a number.
// - The header row is bold, frozen and filtered; each column is as wide as its longest line (at
//   most 50 characters); the workbook's title property is the list's caption.
//
// - Text columns have the Text number format ("@") and date columns their date format, the rows
//   below the list too, so that what is typed into the sheet later stays text (leading zeros and
//   all) or a date.
//
// A workbook written a row at a time, in the list's order: libxlsxwriter's constant-memory mode
// keeps no more than a row, and its scratch files and the workbook are in a private folder of
// the system's temporary folder, removed again. Finish hands over the workbook's bytes; a
// failure anywhere is a failure to write `fileName`.
class XlsxWriter {
public:
    XlsxWriter(const QStringList& header, const QString& title, const QDateTime& created,
               const QString& fileName);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // One employee's cells under the header and their ExportValues (may be empty).
    void Row(const QStringList& cells, const std::vector<double>& values);
    IoStatus Finish(QByteArray& bytes);

private:
    class Sheet;
    QString m_fileName;
    IoStatus m_status;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path;
    QByteArray m_tmpdir; // libxlsxwriter's scratch folder, kept while it writes
    lxw_workbook* m_workbook = nullptr;
    std::unique_ptr<Sheet> m_sheet;
    int m_error = 0;
    qsizetype m_columns = 0;
    quint32 m_rows = 0;
};

// The workbook's bytes for `table`, with `title` as its title property and `created` as its
// creation time (so that the same list at the same time gives the same bytes), through
// XlsxWriter.
IoStatus XlsxBytes(const ExportTable& table, const QString& title, const QDateTime& created,
                   const QString& fileName, QByteArray& bytes);

// The same for the employees `records` names (record numbers, in the order wanted), each read from
// `file` as its row is written, so that no more than a row is held: a list of any length costs
// the same memory. Opens and closes the file; a record it lacks is a failure to read it.
IoStatus XlsxRecordsBytes(PersonnelFile& file, const std::vector<qint32>& records,
                          const ExportOptions& options, const QString& title, const QDateTime& created,
                          const QString& fileName, QByteArray& bytes);

// "Export this List..." as a workbook: the list's employees as the file `path`, written whole or
// not at all as WriteWholeFile writes it (a scratch file beside it, owner-only, renamed over it).
IoStatus ExportListToXlsx(FileIo& io, PersonnelFile& file, const EmployeeListResult& list,
                          const ExportOptions& options, const QString& path, const QDateTime& created);
