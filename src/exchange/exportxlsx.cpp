#include "exchange/exportxlsx.h"

#include "data/oledate.h"
#include "data/personnelfile.h"
#include "list/listbuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

using F = PersonnelField;

constexpr double MaxColumnWidth = 50;

// Excel counts days from the same 30 December 1899 as an OLE date from 1 March 1900 on. Before
// that it counts a 29 February 1900 that never was, so its day numbers are one less there, and it
// has no day before 1 January 1900 (OLE 2) at all.
std::optional<double> ExcelSerial(double ole) {
    if (ole >= 61)
        return ole;
    if (ole >= 2)
        return ole - 1;
    return std::nullopt;
}

// The day or the second the CSV shows for `value`, as a serial; nothing when it is not one.
std::optional<double> DateSerial(double value, bool withTime) {
    if (withTime) {
        const std::optional<QDateTime> at = OleToDateTime(value);
        return at ? ExcelSerial(DateTimeToOle(*at)) : std::nullopt;
    }
    const std::optional<QDate> day = OleToDate(value);
    return day ? ExcelSerial(DateToOle(*day)) : std::nullopt;
}

qsizetype LongestLine(const QString& text) {
    // One line of characters of one unit each, as most cells are: its length.
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c == u'\n' || c.isSurrogate(); }))
        return text.size();
    qsizetype longest = 0;
    for (const QStringView line : QStringView(text).split(u'\n'))
        longest = std::max(longest, qsizetype(line.toUcs4().size()));
    return longest;
}

} // namespace

// One workbook, written a row at a time; the first libxlsxwriter call that fails is kept and the
// rest are skipped.
class XlsxWriter::Sheet {
public:
    Sheet(lxw_workbook* workbook, lxw_worksheet* sheet) : m_sheet(sheet) {
        m_bold = workbook_add_format(workbook);
        format_set_bold(m_bold);
        m_date = workbook_add_format(workbook);
        format_set_num_format(m_date, "mm/dd/yyyy");
        m_dateTime = workbook_add_format(workbook);
        format_set_num_format(m_dateTime, "mm/dd/yyyy hh:mm:ss");
        // Text ("@"): what is typed into the column later stays text too, leading zeros and all.
        m_text = workbook_add_format(workbook);
        format_set_num_format(m_text, "@");
        m_wrap = workbook_add_format(workbook);
        format_set_num_format(m_wrap, "@");
        format_set_text_wrap(m_wrap);
    }

    lxw_error Error() const { return m_error; }
    void Keep(lxw_error error) {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    void Header(const QStringList& header) {
        m_widths.assign(std::size_t(header.size()), 0);
        for (qsizetype col = 0; col < header.size(); ++col) {
            Text(0, col, header[col], m_bold);
            // Room for the filter's button beside the name.
            m_widths[std::size_t(col)] = double(header[col].size() + 3);
        }
    }

    void Row(lxw_row_t row, const QStringList& cells, const std::vector<double>& values) {
        for (qsizetype col = 0; col < cells.size() && std::size_t(col) < m_fields.size(); ++col) {
            const PersonnelField field = m_fields[std::size_t(col)];
            const QString& cell = cells[col];
            const std::optional<double> value =
                std::size_t(col) < values.size() ? std::optional(values[std::size_t(col)]) : std::nullopt;
            if (cell.isEmpty())
                continue; // an empty text, a date not set: an empty cell
            switch (PersonnelRecordView::FieldOf(field).type) {
            case FieldType::Text:
                // Excel's own line break in a cell is LF (Alt+Enter), CR LF would show the CR as
                // a stray character; the import turns any line break back into CR LF, so the
                // notepad comes back as it left.
                if (cell.contains(u'\r') || cell.contains(u'\n')) {
                    Text(row, col, QString(cell).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                         m_wrap);
                } else {
                    Text(row, col, cell, m_text);
                }
                break;
            case FieldType::Date: {
                const bool withTime = IsDateTime(field);
                // A masked date of birth starts with "****" and stays the text it is.
                const std::optional<double> serial =
                    value && !cell.startsWith(u'*') ? DateSerial(*value, withTime) : std::nullopt;
                if (serial)
                    Number(row, col, *serial, withTime ? m_dateTime : m_date, withTime ? 19 : 10);
                else
                    Text(row, col, cell, nullptr);
                break;
            }
            case FieldType::Int16:
                Number(row, col, value ? *value : cell.toDouble(), nullptr, cell.size());
                break;
            }
        }
    }

    // Each column gets its cells' format, so that a row typed in below the list is read as the
    // list's rows are.
    void Finish(lxw_row_t rows, qsizetype cols) {
        for (std::size_t col = 0; col < m_widths.size(); ++col) {
            lxw_format* format = nullptr;
            if (col < m_fields.size()) {
                const PersonnelField field = m_fields[col];
                const FieldType type = PersonnelRecordView::FieldOf(field).type;
                format = type == FieldType::Text   ? m_text
                         : type == FieldType::Date ? (IsDateTime(field) ? m_dateTime : m_date)
                                                   : nullptr;
            }
            Keep(worksheet_set_column(m_sheet, lxw_col_t(col), lxw_col_t(col),
                                      std::min(m_widths[col] + 1, MaxColumnWidth), format));
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        if (cols > 0)
            Keep(worksheet_autofilter(m_sheet, 0, 0, rows, lxw_col_t(cols - 1)));
    }

private:
    static bool IsDateTime(PersonnelField field) {
        return field == F::DateCreated || field == F::DateModified;
    }
    void Fit(qsizetype col, double width) {
        if (std::size_t(col) >= m_widths.size())
            return;
        double& kept = m_widths[std::size_t(col)];
        kept = std::max(kept, width);
    }
    void Text(lxw_row_t row, qsizetype col, const QString& text, lxw_format* format) {
        Keep(worksheet_write_string(m_sheet, row, lxw_col_t(col), text.toUtf8().constData(), format));
        if (row > 0)
            Fit(col, double(LongestLine(text)));
    }
    void Number(lxw_row_t row, qsizetype col, double number, lxw_format* format, qsizetype shownWidth) {
        Keep(worksheet_write_number(m_sheet, row, lxw_col_t(col), number, format));
        Fit(col, double(shownWidth));
    }

    const std::vector<PersonnelField> m_fields = ExportFields();
    lxw_worksheet* m_sheet;
    lxw_format* m_bold = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_dateTime = nullptr;
    lxw_format* m_text = nullptr;
    lxw_format* m_wrap = nullptr;
    std::vector<double> m_widths;
    lxw_error m_error = LXW_NO_ERROR;
};

XlsxWriter::XlsxWriter(const QStringList& header, const QString& title, const QDateTime& created,
                       const QString& fileName)
    : m_fileName(fileName) {
    // Owner-only, and removed with everything libxlsxwriter leaves in it. Qt names no temporary
    // folder when $TMPDIR is one that does not exist; the working folder is not taken instead.
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty()) {
        m_status = IoStatus::Failure(QStringLiteral("write"), fileName, ENOENT);
        return;
    }
    errno = 0;
    m_folder =
        std::make_unique<QTemporaryDir>(QDir(temporary).filePath(QStringLiteral("rosterly-xlsx-XXXXXX")));
    if (!m_folder->isValid()) {
        m_status = IoStatus::Failure(QStringLiteral("write"), fileName, errno ? errno : EIO);
        return;
    }
    m_path = m_folder->filePath(QStringLiteral("list.xlsx"));
    m_tmpdir = QFile::encodeName(m_folder->path());
    lxw_workbook_options options{};
    // Each row goes to a scratch file in the folder as soon as the next one starts, so the
    // workbook's memory does not grow with the list; rows are written in order.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_tmpdir.data();
    m_workbook = workbook_new_opt(QFile::encodeName(m_path).constData(), &options);
    if (!m_workbook) {
        m_status = IoStatus::Failure(QStringLiteral("write"), fileName, ENOMEM);
        return;
    }
    QByteArray titleBytes = title.toUtf8();
    lxw_doc_properties properties{};
    properties.title = titleBytes.data();
    properties.created = time_t(created.toSecsSinceEpoch());
    const lxw_error error = workbook_set_properties(m_workbook, &properties);
    lxw_worksheet* sheet = workbook_add_worksheet(m_workbook, "Employees");
    if (!sheet) {
        m_error = LXW_ERROR_MEMORY_MALLOC_FAILED;
        return;
    }
    m_sheet = std::make_unique<Sheet>(m_workbook, sheet);
    m_sheet->Keep(error);
    m_columns = header.size();
    m_sheet->Header(header);
}

XlsxWriter::~XlsxWriter() {
    if (m_workbook)
        workbook_close(m_workbook);
}

void XlsxWriter::Row(const QStringList& cells, const std::vector<double>& values) {
    if (m_sheet)
        m_sheet->Row(++m_rows, cells, values);
}

IoStatus XlsxWriter::Finish(QByteArray& bytes) {
    bytes.clear();
    if (!m_status)
        return m_status;
    lxw_error error = lxw_error(m_error);
    if (m_sheet) {
        m_sheet->Finish(m_rows, m_columns);
        error = m_sheet->Error();
    }
    // Closing packs the workbook into the file, and frees it whether or not it could.
    errno = 0;
    const lxw_error closed = workbook_close(m_workbook);
    const int closeErrno = errno;
    m_workbook = nullptr;
    if (error != LXW_NO_ERROR)
        return IoStatus::Failure(QStringLiteral("write"), m_fileName, EINVAL);
    QFile packed(m_path);
    if (closed != LXW_NO_ERROR || !packed.open(QIODevice::ReadOnly))
        return IoStatus::Failure(QStringLiteral("write"), m_fileName, closeErrno ? closeErrno : EIO);
    bytes = packed.readAll();
    if (bytes.isEmpty() || bytes.size() != packed.size()) {
        bytes.clear();
        return IoStatus::Failure(QStringLiteral("write"), m_fileName, EIO);
    }
    return {};
}

IoStatus XlsxBytes(const ExportTable& table, const QString& title, const QDateTime& created,
                   const QString& fileName, QByteArray& bytes) {
    XlsxWriter writer(table.header, title, created, fileName);
    for (std::size_t i = 0; i < table.rows.size(); ++i)
        writer.Row(table.rows[i], i < table.values.size() ? table.values[i] : std::vector<double>());
    return writer.Finish(bytes);
}

IoStatus XlsxRecordsBytes(PersonnelFile& file, const std::vector<qint32>& records,
                          const ExportOptions& options, const QString& title, const QDateTime& created,
                          const QString& fileName, QByteArray& bytes) {
    bytes.clear();
    XlsxWriter writer(ExportHeader(), title, created, fileName);
    IoStatus status = file.OpenPersonnelFileUncounted();
    if (!status)
        return status;
    // Each record is read where it stands, in the list's order; the program's record buffer is
    // left as it was.
    const PersonnelRecord kept = file.Record();
    for (const qint32 n : records) {
        if (n < 1 || n > file.RecordCount()) {
            // The list was built on another file than the one read.
            status = IoStatus::Failure(QStringLiteral("read"), file.DataFileName(), ENODATA);
            break;
        }
        if (!(status = file.ReadPersonnelRecord(n)))
            break;
        writer.Row(ExportCells(file.Record().View(), options), ExportValues(file.Record().View()));
    }
    file.Record() = kept;
    file.ClosePersonnelFile();
    return status ? writer.Finish(bytes) : status;
}

IoStatus ExportListToXlsx(FileIo& io, PersonnelFile& file, const EmployeeListResult& list,
                          const ExportOptions& options, const QString& path, const QDateTime& created) {
    if (!list.status)
        return list.status;
    QByteArray bytes;
    if (const IoStatus made =
            XlsxRecordsBytes(file, ListedRecords(list), options, list.caption, created, path, bytes);
        !made)
        return made;
    return WriteWholeFile(io, path, bytes);
}
