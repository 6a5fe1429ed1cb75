#include "ui/gridmodel.h"

#include "data/textorder.h"

#include <QBrush>
#include <QStringView>

#include <algorithm>
#include <memory>
#include <numeric>

namespace {

constexpr Qt::Alignment DefaultAlignment = Qt::AlignLeft;

} // namespace

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent), m_headings(std::size_t(m_cols)),
      m_alignments(std::size_t(m_cols), DefaultAlignment) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_dataRows;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return (m_alignments[std::size_t(index.column())] | Qt::AlignVCenter).toInt();
    case Qt::BackgroundRole: {
        const QColor color = RowBackColor(index.row() + 1);
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_cols)
        return {};
    if (role == Qt::DisplayRole)
        return m_headings[std::size_t(section)];
    if (role == Qt::TextAlignmentRole)
        return (m_alignments[std::size_t(section)] | Qt::AlignVCenter).toInt();
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GridModel::ShowCells(int cols, std::shared_ptr<const std::vector<QString>> cells) {
    const bool signal = !InBatch();
    if (signal)
        beginResetModel();
    m_cols = std::max(cols, 1);
    m_headings.resize(std::size_t(m_cols));
    m_alignments.resize(std::size_t(m_cols), DefaultAlignment);
    m_cells.clear();
    m_shown = cells ? std::move(cells) : std::make_shared<const std::vector<QString>>();
    m_dataRows = int(m_shown->size() / std::size_t(m_cols));
    m_rowColors.clear();
    if (signal)
        endResetModel();
}

void GridModel::Detach() {
    if (!m_shown)
        return;
    m_cells = *m_shown;
    m_cells.resize(std::size_t(m_dataRows) * std::size_t(m_cols));
    m_shown.reset();
}

void GridModel::SetRows(int rows) {
    const int dataRows = std::max(rows, 1) - 1;
    if (dataRows == m_dataRows)
        return;
    if (m_shown && dataRows < m_dataRows) {
        // Only the rows that stay are copied out of shared cells (none when the grid is emptied
        // before a rebuild).
        m_cells.assign(m_shown->begin(), m_shown->begin() + std::ptrdiff_t(dataRows) * m_cols);
        m_shown.reset();
    }
    Detach();
    const bool signal = !InBatch();
    if (dataRows < m_dataRows) {
        if (signal)
            beginRemoveRows({}, dataRows, m_dataRows - 1);
        m_cells.resize(std::size_t(dataRows) * m_cols);
        if (m_rowColors.size() > std::size_t(dataRows))
            m_rowColors.resize(std::size_t(dataRows));
        m_dataRows = dataRows;
        if (signal)
            endRemoveRows();
    } else {
        if (signal)
            beginInsertRows({}, m_dataRows, dataRows - 1);
        m_cells.resize(std::size_t(dataRows) * m_cols);
        m_dataRows = dataRows;
        if (signal)
            endInsertRows();
    }
}

void GridModel::Relayout(int cols) {
    Detach();
    std::vector<QString> cells(std::size_t(m_dataRows) * cols);
    const int kept = std::min(cols, m_cols);
    for (int r = 0; r < m_dataRows; ++r)
        for (int c = 0; c < kept; ++c)
            cells[std::size_t(r) * cols + c] = std::move(Cell(r, c));
    m_cells = std::move(cells);
    m_cols = cols;
    m_headings.resize(std::size_t(cols));
    m_alignments.resize(std::size_t(cols), DefaultAlignment);
}

void GridModel::SetCols(int cols) {
    cols = std::max(cols, 1);
    if (cols == m_cols)
        return;
    const bool signal = !InBatch();
    if (cols > m_cols) {
        if (signal)
            beginInsertColumns({}, m_cols, cols - 1);
        Relayout(cols);
        if (signal)
            endInsertColumns();
    } else {
        if (signal)
            beginRemoveColumns({}, cols, m_cols - 1);
        Relayout(cols);
        if (signal)
            endRemoveColumns();
    }
}

void GridModel::SetFormatString(const QString& format) {
    const QList<QStringView> parts = QStringView(format).split(u'|');
    if (parts.size() > m_cols)
        SetCols(int(parts.size()));
    for (qsizetype c = 0; c < parts.size(); ++c) {
        QStringView heading = parts.at(c);
        Qt::Alignment alignment = DefaultAlignment;
        if (heading.startsWith(u'<')) {
            alignment = Qt::AlignLeft;
            heading = heading.mid(1);
        } else if (heading.startsWith(u'^')) {
            alignment = Qt::AlignHCenter;
            heading = heading.mid(1);
        } else if (heading.startsWith(u'>')) {
            alignment = Qt::AlignRight;
            heading = heading.mid(1);
        }
        m_headings[std::size_t(c)] = heading.toString();
        m_alignments[std::size_t(c)] = alignment;
    }
    if (InBatch() || parts.isEmpty())
        return;
    const int last = int(parts.size()) - 1;
    emit headerDataChanged(Qt::Horizontal, 0, last);
    if (m_dataRows > 0)
        emit dataChanged(index(0, 0), index(m_dataRows - 1, last), {Qt::TextAlignmentRole});
}

Qt::Alignment GridModel::ColAlignment(int col) const {
    return col >= 0 && col < m_cols ? m_alignments[std::size_t(col)] : DefaultAlignment;
}

void GridModel::AddItem(const QString& tabSeparated) {
    QStringList cells;
    for (const QStringView cell : QStringView(tabSeparated).tokenize(u'\t')) {
        if (cells.size() == m_cols)
            break;
        cells << cell.toString();
    }
    AddRow(cells);
}

void GridModel::AddRow(const QStringList& cells) {
    Detach();
    const bool signal = !InBatch();
    if (signal)
        beginInsertRows({}, m_dataRows, m_dataRows);
    const std::size_t first = m_cells.size();
    m_cells.resize(first + std::size_t(m_cols)); // amortised: std::vector grows geometrically
    for (qsizetype c = 0; c < std::min<qsizetype>(cells.size(), m_cols); ++c)
        m_cells[first + std::size_t(c)] = cells[c];
    ++m_dataRows;
    if (signal)
        endInsertRows();
}

QString GridModel::TextMatrix(int row, int col) const {
    if (!IsCell(row, col))
        return {};
    return row == 0 ? m_headings[std::size_t(col)] : Cell(row - 1, col);
}

void GridModel::SetTextMatrix(int row, int col, const QString& text) {
    if (!IsCell(row, col))
        return;
    if (row == 0) {
        m_headings[std::size_t(col)] = text;
        if (!InBatch())
            emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    Detach();
    Cell(row - 1, col) = text;
    if (!InBatch()) {
        const QModelIndex changed = index(row - 1, col);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

QColor GridModel::RowBackColor(int row) const {
    const std::size_t dataRow = std::size_t(row - 1);
    return row >= 1 && dataRow < m_rowColors.size() ? m_rowColors[dataRow] : QColor();
}

void GridModel::SetRowBackColor(int row, const QColor& color) {
    if (row < 1 || row > m_dataRows)
        return;
    const std::size_t dataRow = std::size_t(row - 1);
    if (dataRow >= m_rowColors.size())
        m_rowColors.resize(dataRow + 1);
    m_rowColors[dataRow] = color;
    if (!InBatch())
        emit dataChanged(index(row - 1, 0), index(row - 1, m_cols - 1), {Qt::BackgroundRole});
}

void GridModel::Sort(int firstCol, int lastCol) {
    if (firstCol > lastCol)
        std::swap(firstCol, lastCol);
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, m_cols - 1);
    if (m_dataRows < 2 || firstCol > lastCol)
        return;

    // Sort row numbers, not rows: each comparison looks at the cells in place, and the cells
    // move once at the end.
    std::vector<int> order(static_cast<std::size_t>(m_dataRows));
    std::iota(order.begin(), order.end(), 0);
    const std::shared_ptr<const TextOrder> textOrder = TextOrder::ForUser();
    // The cells as shown: shared cells when the grid shows a built list (the non-const Cell would
    // read the grid's own cells, which are empty then).
    const GridModel& shown = *this;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int c = firstCol; c <= lastCol; ++c) {
            const int cmp = textOrder->Compare(shown.Cell(a, c), shown.Cell(b, c));
            if (cmp != 0)
                return cmp < 0;
        }
        return false;
    });
    if (std::is_sorted(order.begin(), order.end()))
        return;

    Detach();
    const bool signal = !InBatch();
    if (signal)
        emit layoutAboutToBeChanged({}, VerticalSortHint);

    std::vector<QString> cells(m_cells.size());
    std::vector<int> newRowOf(order.size());
    for (std::size_t to = 0; to < order.size(); ++to) {
        const int from = order[to];
        newRowOf[std::size_t(from)] = int(to);
        std::move(m_cells.begin() + std::ptrdiff_t(from) * m_cols,
                  m_cells.begin() + std::ptrdiff_t(from + 1) * m_cols,
                  cells.begin() + std::ptrdiff_t(to) * m_cols);
    }
    m_cells = std::move(cells);

    if (signal) {
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newRowOf[std::size_t(index.row())], index.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, VerticalSortHint);
    }
}

void GridModel::BeginBatch() {
    if (m_batchDepth++ == 0)
        beginResetModel();
}

void GridModel::EndBatch() {
    Q_ASSERT(m_batchDepth > 0);
    if (m_batchDepth > 0 && --m_batchDepth == 0)
        endResetModel();
}
