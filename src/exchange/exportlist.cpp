#include "exchange/exportlist.h"

#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "list/listbuilder.h"


#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <utility>

namespace {

using F = PersonnelField;

// `n` as `width` digits at `at`, zeros in front; returns the end.
char* Digits(char* at, int n, int width) {
    for (int i = width - 1; i >= 0; --i, n /= 10)
        at[i] = char('0' + n % 10);
    return at + width;
}

// yyyy-MM-dd, and HH:mm:ss after a space with the time, into `text` (19 characters); returns
// their count, 0 for no date. Put together by hand, since a date's toString() with a pattern costs
// most of an export's time. A date the file can hold has a year from 100 to 9999.
qsizetype DateChars(double value, bool withTime, char* text) {
    if (value == 0)
        return 0;
    // A day after the epoch and before 9999-12-31 counted out as OleToDateTime counts it (the
    // time rounded to the second), without making a QDateTime.
    if (value > 0 && value < 2958465.0) {
        const double whole = std::trunc(value);
        qint64 seconds = std::llround((value - whole) * 86400.0);
        qint64 days = qint64(whole);
        if (seconds >= 86400) {
            ++days;
            seconds = 0;
        }
        int year = 0;
        int month = 0;
        int day = 0;
        QDate(1899, 12, 30).addDays(days).getDate(&year, &month, &day);
        char* end = Digits(text, year, 4);
        *end++ = '-';
        end = Digits(end, month, 2);
        *end++ = '-';
        end = Digits(end, day, 2);
        if (withTime) {
            *end++ = ' ';
            end = Digits(end, int(seconds / 3600), 2);
            *end++ = ':';
            end = Digits(end, int(seconds / 60 % 60), 2);
            *end++ = ':';
            end = Digits(end, int(seconds % 60), 2);
        }
        return end - text;
    }
    const std::optional<QDateTime> at = OleToDateTime(value);
    if (!at)
        return 0;
    const QDate day = at->date();
    char* end = Digits(text, day.year(), 4);
    *end++ = '-';
    end = Digits(end, day.month(), 2);
    *end++ = '-';
    end = Digits(end, day.day(), 2);
    if (withTime) {
        const QTime time = at->time();
        *end++ = ' ';
        end = Digits(end, time.hour(), 2);
        *end++ = ':';
        end = Digits(end, time.minute(), 2);
        *end++ = ':';
        end = Digits(end, time.second(), 2);
    }
    return end - text;
}

QString DateCell(double value, bool withTime) {
    char text[19];
    return QString::fromLatin1(text, DateChars(value, withTime, text));
}

bool StartsFormula(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

bool NeedsQuotes(const QString& cell) {
    for (const QChar c : cell) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

void AppendCsvCell(QString& out, const QString& cell) {
    const QString guarded = GuardCell(cell);
    if (!NeedsQuotes(guarded)) {
        out += guarded;
        return;
    }
    out += u'"';
    for (const QChar c : guarded) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

void AppendCsvRow(QString& out, const QStringList& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += u',';
        AppendCsvCell(out, cells[i]);
    }
    out += CrLf;
}

QString CopyLine(const QStringList& cells) {
    QStringList flat;
    flat.reserve(cells.size());
    for (const QString& cell : cells) {
        QString text = GuardCell(cell);
        text.replace(CrLf, QStringLiteral(" "));
        for (QChar& c : text) {
            if (c == u'\t' || c == u'\r' || c == u'\n')
                c = u' ';
        }
        flat += text;
    }
    return flat.join(u'\t') + CrLf;
}

// The UTF-8 of each Windows-1252 byte, as FromAnsi and QString::toUtf8 make it.
struct Utf8OfAnsi {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<quint8, 256> size{};
    Utf8OfAnsi() {
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QByteArray utf8 = FromAnsi(QByteArrayView(&c, 1)).toUtf8();
            size[std::size_t(b)] = quint8(utf8.size());
            std::copy(utf8.cbegin(), utf8.cend(), bytes[std::size_t(b)].begin());
        }
    }
};

// One cell, given as the field's Windows-1252 bytes (or a date's or a number's characters), as
// AppendCsvCell writes its text: guarded, quoted when it must be, in UTF-8. The characters that
// guard and quote are ASCII, so the bytes can be looked at as they stand.
void AppendCsvCellBytes(QByteArray& out, QByteArrayView ansi) {
    static const Utf8OfAnsi utf8;
    qsizetype i = 0;
    while (i < ansi.size() && ansi[i] == '\'')
        ++i;
    const bool guarded = i < ansi.size() && QByteArrayView("=+-@\t\r").contains(ansi[i]);
    const bool quoted = std::any_of(ansi.begin(), ansi.end(),
                                    [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
    if (quoted)
        out += '"';
    if (guarded)
        out += '\'';
    for (qsizetype i = 0; i < ansi.size();) {
        // A run of ASCII other than quotes goes as it is, at once.
        qsizetype run = i;
        while (run < ansi.size() && quint8(ansi[run]) < 0x80 && ansi[run] != '"')
            ++run;
        if (run > i) {
            out.append(ansi.data() + i, run - i);
            i = run;
            continue;
        }
        const char c = ansi[i++];
        const auto b = std::size_t(quint8(c));
        if (b < 0x80) {
            if (quoted)
                out += '"';
            out += c;
        } else {
            out.append(utf8.bytes[b].data(), utf8.size[b]);
        }
    }
    if (quoted)
        out += '"';
}

// The CSV row ExportCells and AppendCsvRow make of `record`, in UTF-8, straight from its bytes.
void AppendCsvRowBytes(QByteArray& out, PersonnelRecordView record, const ExportOptions& options) {
    static const std::vector<PersonnelField> fields = ExportFields();
    bool first = true;
    for (const PersonnelField field : fields) {
        if (!first)
            out += ',';
        first = false;
        const FieldLayout& layout = PersonnelRecordView::FieldOf(field);
        switch (layout.type) {
        case FieldType::Text: {
            const QByteArrayView text = TrimSpaces(record.Raw(field));
            // Masked, all but the last four characters give way to "***-**-" (SensitiveFields::Ssn).
            if (field == F::SocialSecurityNumber && options.sensitive.Masked() && !text.isEmpty())
                AppendCsvCellBytes(
                    out, QByteArray("***-**-").append(text.last(std::min<qsizetype>(4, text.size()))));
            else
                AppendCsvCellBytes(out, text);
            break;
        }
        case FieldType::Date: {
            char text[19];
            const qsizetype length =
                DateChars(record.Date(field), field == F::DateCreated || field == F::DateModified, text);
            // Masked, the year gives way to "****" and the cell keeps the column's shape.
            if (field == F::DateOfBirth && options.sensitive.Masked() && length > 0)
                std::fill(text, text + 4, '*');
            AppendCsvCellBytes(out, QByteArrayView(text, length));
            break;
        }
        case FieldType::Int16:
            AppendCsvCellBytes(out, QByteArray::number(record.Int16(field)));
            break;
        }
    }
    out += "\r\n";
}

} // namespace

std::vector<PersonnelField> ExportFields() {
    std::vector<PersonnelField> fields;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = PersonnelField(i);
        if (field == F::PictureFile)
            continue;
        fields.push_back(field);
    }
    return fields;
}

QStringList ExportHeader() {
    QStringList header;
    for (const PersonnelField field : ExportFields())
        header += QString::fromLatin1(PersonnelRecordView::FieldOf(field).name);
    return header;
}

QStringList ExportCells(PersonnelRecordView record, const ExportOptions& options) {
    QStringList cells;
    const SensitiveFields& sensitive = options.sensitive;
    for (const PersonnelField field : ExportFields()) {
        const FieldLayout& layout = PersonnelRecordView::FieldOf(field);
        switch (layout.type) {
        case FieldType::Text:
            cells +=
                field == F::SocialSecurityNumber ? sensitive.Ssn(record.Text(field)) : record.Text(field);
            break;
        case FieldType::Date:
            cells += DateCell(record.Date(field), field == F::DateCreated || field == F::DateModified);
            // Masked, the year gives way to "****" and the cell keeps the column's shape.
            if (field == F::DateOfBirth && sensitive.Masked() && !cells.last().isEmpty())
                cells.last().replace(0, 4, QStringLiteral("****"));
            break;
        case FieldType::Int16:
            cells += QString::number(record.Int16(field));
            break;
        }
    }
    return cells;
}

std::vector<double> ExportValues(PersonnelRecordView record) {
    std::vector<double> values;
    for (const PersonnelField field : ExportFields()) {
        switch (PersonnelRecordView::FieldOf(field).type) {
        case FieldType::Text:
            values.push_back(0);
            break;
        case FieldType::Date:
            values.push_back(record.Date(field));
            break;
        case FieldType::Int16:
            values.push_back(record.Int16(field));
            break;
        }
    }
    return values;
}

QString GuardCell(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'')
        ++i;
    if (i < text.size() && StartsFormula(text[i]))
        return u'\'' + text;
    return text;
}

std::vector<qint32> ListedRecords(const EmployeeListResult& list) {
    std::vector<qint32> records;
    records.reserve(std::size_t(list.Rows()));
    for (int row = 0; row < list.Rows(); ++row)
        records.push_back(list.RecordNumber(row));
    return records;
}

ExportTable ReadExportTable(PersonnelFile& file, const std::vector<qint32>& records,
                            const ExportOptions& options) {
    ExportTable table;
    table.header = ExportHeader();
    table.rows.resize(records.size());
    table.values.resize(records.size());
    // The wanted records sorted by number, so that one pass in file order fills every row.
    std::vector<std::pair<qint32, std::size_t>> wanted;
    wanted.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        wanted.emplace_back(records[i], i);
    std::sort(wanted.begin(), wanted.end());
    if (records.empty())
        return table; // the header alone, a blank sheet: nothing to read

    table.status = file.OpenPersonnelFileUncounted();
    if (!table.status) {
        table.rows.clear();
        table.values.clear();
        return table;
    }
    if (records.size() == 1) {
        // One row (a copied one) is read where it stands rather than in a pass over the file; the
        // program's record buffer is left as it was.
        const PersonnelRecord kept = file.Record();
        if (records[0] < 1 || records[0] > file.RecordCount())
            table.status = IoStatus::Failure(QStringLiteral("read"), file.DataFileName(), ENODATA);
        else if ((table.status = file.ReadPersonnelRecord(records[0]))) {
            table.rows[0] = ExportCells(file.Record().View(), options);
            table.values[0] = ExportValues(file.Record().View());
        }
        file.Record() = kept;
        file.ClosePersonnelFile();
        if (!table.status) {
            table.rows.clear();
            table.values.clear();
        }
        return table;
    }
    std::size_t next = 0;
    while (next < wanted.size() && wanted[next].first < 1)
        ++next;
    std::size_t filled = 0;
    table.status = file.ScanRecords([&](qint32 n, PersonnelRecordView record) {
        while (next < wanted.size() && wanted[next].first < n)
            ++next;
        while (next < wanted.size() && wanted[next].first == n) {
            table.rows[wanted[next].second] = ExportCells(record, options);
            table.values[wanted[next].second] = ExportValues(record);
            ++filled;
            ++next;
        }
    });
    file.ClosePersonnelFile();
    // A row the file no longer has: the list was built on another file than the one read.
    if (table.status && filled != records.size())
        table.status = IoStatus::Failure(QStringLiteral("read"), file.DataFileName(), ENODATA);
    if (!table.status) {
        table.rows.clear();
        table.values.clear();
    }
    return table;
}

QByteArray CsvBytes(const ExportTable& table) {
    QString text;
    AppendCsvRow(text, table.header);
    for (const QStringList& row : table.rows)
        AppendCsvRow(text, row);
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

void AppendJsonString(QString& out, QStringView text) {
    // The characters JSON escapes by a letter.
    static constexpr std::array<std::pair<char16_t, char>, 7> Lettered{
        {{u'"', '"'}, {u'\\', '\\'}, {u'\b', 'b'}, {u'\f', 'f'}, {u'\n', 'n'}, {u'\r', 'r'}, {u'\t', 't'}}};
    out += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // C1 controls too: the code page's five unused bytes decode to them, and a raw control
        // character has no business on a terminal.
        const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F);
        if (!control && u != u'"' && u != u'\\') {
            out += c;
            continue;
        }
        const auto lettered = std::find_if(Lettered.cbegin(), Lettered.cend(),
                                           [u](const auto& escape) { return escape.first == u; });
        if (lettered != Lettered.cend())
            out += u'\\' + QChar(QLatin1Char(lettered->second));
        else
            out += QString::asprintf("\\u%04x", unsigned(u));
    }
    out += u'"';
}

QByteArray JsonLines(const ExportTable& table) {
    QString text;
    for (const QStringList& row : table.rows) {
        text += u'{';
        for (qsizetype i = 0; i < table.header.size() && i < row.size(); ++i) {
            if (i > 0)
                text += u',';
            AppendJsonString(text, table.header[i]);
            text += u':';
            AppendJsonString(text, row[i]);
        }
        text += QLatin1String("}\n");
    }
    return text.toUtf8();
}

QString CopyText(const ExportTable& table, int row) {
    if (row < 0 || std::size_t(row) >= table.rows.size())
        return {};
    return CopyLine(table.header) + CopyLine(table.rows[std::size_t(row)]);
}

void CsvRowStore::Add(qint32 n, PersonnelRecordView record) {
    if (!m_spans.empty() && n <= m_spans.back().record) {
        m_rows.clear();
        m_spans.clear();
    }
    const qsizetype start = m_rows.size();
    AppendCsvRowBytes(m_rows, record, m_options);
    m_spans.push_back({n, start, m_rows.size()});
}

const CsvRowStore::Span* CsvRowStore::Find(qint32 n) const {
    const auto at = std::lower_bound(m_spans.cbegin(), m_spans.cend(), n,
                                     [](const Span& s, qint32 record) { return s.record < record; });
    return at != m_spans.cend() && at->record == n ? &*at : nullptr;
}

bool CsvRowStore::Holds(const std::vector<qint32>& records) const {
    return std::all_of(records.cbegin(), records.cend(), [&](qint32 n) { return Find(n) != nullptr; });
}

IoStatus CsvRowStore::Put(const std::vector<qint32>& records,
                          const std::function<IoStatus(QByteArrayView)>& put) const {
    IoStatus s;
    for (std::size_t i = 0; s && i < records.size(); ++i) {
        if (const Span* span = Find(records[i]))
            s = put(QByteArrayView(m_rows).sliced(span->start, span->end - span->start));
    }
    return s;
}

QByteArray CsvHead() {
    QString header;
    AppendCsvRow(header, ExportHeader());
    return QByteArrayLiteral("\xEF\xBB\xBF") + header.toUtf8();
}

IoStatus WriteCsv(PersonnelFile& file, const std::vector<qint32>& records, const ExportOptions& options,
                  const std::function<IoStatus(QByteArrayView)>& put) {
    // The wanted records by number, so that one pass in file order makes every row.
    std::vector<qint32> wanted = records;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    CsvRowStore rows(options);
    if (!records.empty()) {
        if (IoStatus s = file.OpenPersonnelFileUncounted(); !s)
            return s;
        std::size_t next = 0;
        IoStatus s = file.ScanRecords([&](qint32 n, PersonnelRecordView record) {
            while (next < wanted.size() && wanted[next] < n)
                ++next;
            if (next < wanted.size() && wanted[next] == n)
                rows.Add(n, record);
        });
        file.ClosePersonnelFile();
        // A row the file no longer has: the list was built on another file than the one read.
        if (s && !rows.Holds(records))
            s = IoStatus::Failure(QStringLiteral("read"), file.DataFileName(), ENODATA);
        if (!s)
            return s;
    }
    if (IoStatus s = put(CsvHead()); !s)
        return s;
    return rows.Put(records, put);
}

IoStatus ExportListToCsv(FileIo& io, PersonnelFile& file, const EmployeeListResult& list,
                         const ExportOptions& options, const QString& path) {
    if (!list.status)
        return list.status;
    WholeFileWriter writer(io, path);
    if (IoStatus s = WriteCsv(file, ListedRecords(list), options,
                              [&](QByteArrayView bytes) { return writer.Append(bytes); });
        !s)
        return s;
    return writer.Commit();
}

QString CopyListRow(PersonnelFile& file, const EmployeeListResult& list, int row,
                    const ExportOptions& options, IoStatus* status) {
    IoStatus ignored;
    IoStatus& s = status ? *status : ignored;
    s = {};
    const qint32 record = list.RecordNumber(row);
    if (record < 1)
        return {};
    const ExportTable table = ReadExportTable(file, {record}, options);
    s = table.status;
    return table.status ? CopyText(table, 0) : QString();
}
