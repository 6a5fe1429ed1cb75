#include "exchange/importcsv.h"

#include "data/ansitext.h"

#include <QStringDecoder>
#include <QStringList>

#include <optional>
#include <vector>

namespace {

enum class RowRead { Row, End, Fault };

// The rows of a CSV text, read one at a time from a position.
class CsvRows {
public:
    CsvRows(QByteArrayView text, qsizetype from, char separator, qsizetype cellBytes)
        : m_text(text), m_pos(from), m_separator(separator), m_cellBytes(cellBytes) {}
    qsizetype Position() const { return m_pos; }

    // The next row's cells as bytes. Only the first `keep` cells are kept, the others only
    // counted in `count`. On a fault, `fault` says what is wrong and `count` is the cell's index.
    RowRead Next(std::vector<QByteArray>& cells, qsizetype keep, qsizetype* count, QString* fault) {
        cells.clear();
        *count = 0;
        if (m_pos >= m_text.size())
            return RowRead::End;
        for (;;) {
            QByteArray cell;
            qsizetype length = 0;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                ++m_pos;
                for (;;) {
                    const qsizetype quote = m_text.indexOf('"', m_pos);
                    if (quote < 0) {
                        *fault = QStringLiteral("a quoted cell is never closed");
                        return RowRead::Fault;
                    }
                    cell += m_text.sliced(m_pos, quote - m_pos);
                    length += quote - m_pos;
                    m_pos = quote + 1;
                    if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                        cell += '"';
                        ++length;
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                if (m_pos < m_text.size() && !IsCellEnd(m_pos)) {
                    *fault = QStringLiteral("text follows the closing quote of a quoted cell");
                    return RowRead::Fault;
                }
            } else {
                const qsizetype start = m_pos;
                while (m_pos < m_text.size() && m_text[m_pos] != m_separator && m_text[m_pos] != '\r' &&
                       m_text[m_pos] != '\n') {
                    if (m_text[m_pos] == '"') {
                        *fault = QStringLiteral("a quote stands inside a cell that does not start with one");
                        return RowRead::Fault;
                    }
                    ++m_pos;
                }
                if (m_pos < m_text.size() && !IsCellEnd(m_pos)) {
                    *fault = QStringLiteral("a CR without LF stands outside quotes");
                    return RowRead::Fault;
                }
                length = m_pos - start;
                // The text outlives the cells read from it: an unquoted cell is a view of it.
                cell = QByteArray::fromRawData(m_text.data() + start, length);
            }
            if (length > m_cellBytes) {
                *fault = QStringLiteral("the cell is longer than %1 bytes").arg(m_cellBytes);
                return RowRead::Fault;
            }
            if (*count < keep)
                cells.push_back(std::move(cell));
            ++*count;
            if (m_pos >= m_text.size())
                return RowRead::Row;
            if (m_text[m_pos] == m_separator) {
                ++m_pos;
                continue;
            }
            m_pos += m_text[m_pos] == '\r' ? 2 : 1;
            return RowRead::Row;
        }
    }

private:
    // The separator, CR LF or LF.
    bool IsCellEnd(qsizetype at) const {
        const char c = m_text[at];
        return c == m_separator || c == '\n' ||
               (c == '\r' && at + 1 < m_text.size() && m_text[at + 1] == '\n');
    }

    QByteArrayView m_text;
    qsizetype m_pos;
    char m_separator;
    qsizetype m_cellBytes;
};

// The file's text as UTF-8: UTF-16 and UTF-32 known by their byte-order mark, anything else
// UTF-8 with or without one. Nothing when it is none of them.
// Takes the bytes, so that a large file is not held twice.
std::optional<QByteArray> Utf8Text(QByteArray bytes) {
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    const bool utf8 = !bom || *bom == QStringConverter::Utf8;
    if (utf8) {
        if (!bytes.isValidUtf8())
            return std::nullopt;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        return bytes;
    }
    QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    bytes = {};
    return text.toUtf8();
}

// A spreadsheet separates cells with commas, semicolons or tabs, as the user's locale or choice
// has it: the one that splits the header into the most known column names, a comma on a tie.
char Separator(QByteArrayView text, const CsvLimits& limits) {
    char best = ',';
    int bestKnown = -1;
    for (const char separator : {',', ';', '\t'}) {
        CsvRows reader(text, 0, separator, limits.cellBytes);
        std::vector<QByteArray> cells;
        qsizetype count = 0;
        QString fault;
        reader.Next(cells, limits.columns + 2, &count, &fault); // the header's cells, and two more
        int known = 0;
        for (const QByteArray& cell : cells)
            known += limits.known(TrimSpaces(QString::fromUtf8(cell))) ? 1 : 0;
        if (known > bestKnown) {
            best = separator;
            bestKnown = known;
        }
    }
    return best;
}

// Where the rows end: a spreadsheet may leave lines of nothing but separators and spaces after
// the last one.
qsizetype RowsEnd(QByteArrayView text, char separator) {
    qsizetype last = text.size();
    while (last > 0 && (text[last - 1] == separator || QByteArrayView(" \t\r\n").contains(text[last - 1])))
        --last;
    const qsizetype lineEnd = text.indexOf('\n', last);
    return last == 0 ? 0 : lineEnd < 0 ? text.size() : lineEnd + 1;
}

} // namespace

bool ReadCsvSheet(QByteArray bytes, const CsvLimits& limits, const std::function<bool(const SheetRow&)>& row,
                  const std::function<void(const CsvFault&)>& fault,
                  const std::function<bool(qint64 done, qint64 total)>& progress) {
    std::optional<QByteArray> utf8 = Utf8Text(std::move(bytes));
    if (!utf8) {
        fault({0,
               {},
               QStringLiteral("The file is not UTF-8 text. In your spreadsheet, save it as \"CSV UTF-8 "
                              "(Comma delimited)\" (Excel) or choose the character set \"Unicode "
                              "(UTF-8)\" (LibreOffice).")});
        return true;
    }
    QByteArray text = std::move(*utf8);
    const char separator = Separator(text, limits);
    text.truncate(RowsEnd(text, separator));
    if (text.isEmpty()) {
        fault({0, {}, QStringLiteral("The file is empty.")});
        return true;
    }

    CsvRows reader(text, 0, separator, limits.cellBytes);
    std::vector<QByteArray> cells;
    qsizetype count = 0;
    QString problem;
    if (reader.Next(cells, limits.columns, &count, &problem) == RowRead::Fault) {
        fault({1, {}, QStringLiteral("The header: %1.").arg(problem)});
        return true;
    }
    SheetRow sheetRow;
    sheetRow.number = 1;
    QStringList names;
    for (const QByteArray& cell : cells) {
        sheetRow.cells.push_back({qsizetype(sheetRow.cells.size()), QString::fromUtf8(cell)});
        names += TrimSpaces(sheetRow.cells.back().text);
    }
    // A header longer than any export is handed with its last cell, which tells its length.
    if (count > limits.columns)
        sheetRow.cells.push_back({count - 1, QString()});
    if (!row(sheetRow))
        return true;

    const qsizetype columns = count;
    const auto columnName = [&](qsizetype c) {
        return c < names.size() ? names[c] : QString::number(c + 1);
    };
    // Faults name the row as a spreadsheet numbers it, the header being line 1: a quoted cell's
    // line breaks stay in its row.
    int line = 1;
    for (;;) {
        if (progress && line % 256 == 1 && !progress(reader.Position(), text.size()))
            return false;
        ++line;
        const RowRead read = reader.Next(cells, columns, &count, &problem);
        if (read == RowRead::End)
            return true;
        if (read == RowRead::Fault) {
            // The rest of the file cannot be told apart into rows.
            const QString name = columnName(count);
            fault({line, name, QStringLiteral("Line %1, column '%2': %3.").arg(line).arg(name, problem)});
            return true;
        }
        if (count != columns) {
            fault({line,
                   {},
                   QStringLiteral("Line %1 has %2 cells; the header has %3.")
                       .arg(line)
                       .arg(count)
                       .arg(columns)});
            continue;
        }
        sheetRow.number = line;
        sheetRow.cells.resize(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c)
            sheetRow.cells[c] = {qsizetype(c), QString::fromUtf8(cells[c])};
        if (!row(sheetRow))
            return true;
    }
}
