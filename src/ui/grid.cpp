#include "ui/grid.h"

#include "ui/gridaccessible.h"
#include "ui/twips.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

Grid::Grid(QWidget* parent) : QTableView(parent), m_model(new GridModel(this)) {
    InstallAccessibility();
    setModel(m_model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false); // Tab moves on to the next control, as everywhere else
    setWordWrap(false);
    setShowGrid(true);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->viewport()->setMouseTracking(true);
    header->viewport()->installEventFilter(this);
    ApplyRowHeight();

    // Columns pushed past the right edge hold keys the user is not meant to see: no sideways
    // scrolling at all, whether by keyboard, wheel or scrolling a cell into view.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value != 0)
            horizontalScrollBar()->setValue(0);
    });

    setMouseTracking(true);
    viewport()->setMouseTracking(true);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &Grid::OnCurrentChanged);
    // A reset or a sort moves the current row without currentChanged.
    connect(m_model, &QAbstractItemModel::modelReset, this, &Grid::ReportCurrentCell);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &Grid::ReportCurrentCell);
    connect(this, &QAbstractItemView::doubleClicked, this, &Grid::DoubleClicked);
}

void Grid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    if (QAccessible::isActive() && current.isValid()) {
        const int child = AccessibleGrid::ChildIndex(this, current.row() + 1, current.column());
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(child >= 0 ? child : AccessibleGrid::ChildIndex(this, current.row() + 1, 0));
        QAccessible::updateAccessibility(&event);
    }
}

void Grid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(Row() > 0 ? AccessibleGrid::ChildIndex(this, Row(), 0) : -1);
        QAccessible::updateAccessibility(&event);
    }
}

void Grid::SetRows(int rows) {
    m_model->SetRows(rows);
}

void Grid::ShowCells(int cols, std::shared_ptr<const std::vector<QString>> cells) {
    m_model->ShowCells(cols, std::move(cells));
    if (m_colTwips.size() > std::size_t(Cols()))
        m_colTwips.resize(std::size_t(Cols()));
    m_col = std::min(m_col, Cols() - 1);
    m_colSel = std::min(m_colSel, Cols() - 1);
    ReportCurrentCell();
}

void Grid::SetCols(int cols) {
    m_model->SetCols(cols);
    if (m_colTwips.size() > std::size_t(Cols()))
        m_colTwips.resize(std::size_t(Cols()));
    m_col = std::min(m_col, Cols() - 1);
    m_colSel = std::min(m_colSel, Cols() - 1);
    ReportCurrentCell();
}

void Grid::SetFormatString(const QString& format) {
    m_model->SetFormatString(format);
}

void Grid::AddItem(const QString& tabSeparated) {
    m_model->AddItem(tabSeparated);
}

void Grid::AddRow(const QStringList& cells) {
    m_model->AddRow(cells);
}

void Grid::SetTextMatrix(int row, int col, const QString& text) {
    m_model->SetTextMatrix(row, col, text);
}

int Grid::ColWidth(int col) const {
    if (col < 0 || col >= Cols())
        return 0;
    const int pixels = columnWidth(col);
    if (std::size_t(col) < m_colTwips.size()) {
        const int twips = m_colTwips[std::size_t(col)];
        if (twips >= 0 && TwipsToPixelsX(twips, this) == pixels)
            return twips;
    }
    return PixelsToTwipsX(pixels, this);
}

void Grid::SetColWidth(int col, int twips) {
    if (col < 0 || col >= Cols())
        return;
    if (std::size_t(col) >= m_colTwips.size())
        m_colTwips.resize(std::size_t(col) + 1, -1);
    m_colTwips[std::size_t(col)] = std::max(twips, -1);
    setColumnWidth(col, twips < 0 ? horizontalHeader()->defaultSectionSize() : TwipsToPixelsX(twips, this));
}

bool Grid::ColIsVisible(int col) const {
    if (col < 0 || col >= Cols())
        return false;
    EnsureLayout();
    const int left = columnViewportPosition(col);
    const int width = columnWidth(col);
    return width > 0 && left < viewport()->width() && left + width > 0;
}

int Grid::Row() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void Grid::SetRow(int row) {
    if (row < 0 || row >= Rows())
        return;
    if (row == 0) {
        selectionModel()->clearSelection();
        selectionModel()->clearCurrentIndex();
    } else {
        selectionModel()->setCurrentIndex(m_model->index(row - 1, m_col),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_colSel = m_col;
}

void Grid::SetCol(int col) {
    if (col < 0 || col >= Cols())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        selectionModel()->setCurrentIndex(current.siblingAtColumn(col),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        m_col = col;
        ReportCurrentCell();
    }
    m_colSel = col;
}

void Grid::SetColSel(int col) {
    if (col >= 0 && col < Cols())
        m_colSel = col;
}

int Grid::TopRow() const {
    EnsureLayout();
    // Scrolling is by whole rows, and at the end the last row is aligned with the bottom: the
    // scroll position is then the first row wholly in view.
    return verticalScrollBar()->value() + 1;
}

void Grid::SetTopRow(int row) {
    EnsureLayout();
    verticalScrollBar()->setValue(row - 1);
}

int Grid::RowHeight(int row) const {
    if (row == 0) {
        // The height QTableView gives its header, also before the grid has been laid out.
        const QHeaderView* header = horizontalHeader();
        return PixelsToTwipsY(std::max(header->minimumHeight(), header->sizeHint().height()), this);
    }
    if (row < 0 || row >= Rows())
        return 0;
    return PixelsToTwipsY(rowHeight(row - 1), this);
}

void Grid::SetRowBackColor(int row, const QColor& color) {
    m_model->SetRowBackColor(row, color);
}

void Grid::Sort() {
    m_model->Sort(m_col, m_colSel);
}

int Grid::MouseRow() const {
    if (!rect().contains(m_mousePos))
        return -1;
    const QHeaderView* header = horizontalHeader();
    if (!header->isHidden() && header->geometry().contains(m_mousePos))
        return 0;
    const QPoint inViewport = viewport()->mapFrom(this, m_mousePos);
    if (!viewport()->rect().contains(inViewport))
        return -1;
    const int row = rowAt(inViewport.y());
    return row < 0 ? -1 : row + 1;
}

void Grid::mouseMoveEvent(QMouseEvent* event) {
    m_mousePos = viewport()->mapTo(this, event->position().toPoint());
    QTableView::mouseMoveEvent(event);
    emit MouseMoved();
}

bool Grid::eventFilter(QObject* watched, QEvent* event) {
    QWidget* headerViewport = horizontalHeader()->viewport();
    if (watched == headerViewport && event->type() == QEvent::MouseMove) {
        m_mousePos = headerViewport->mapTo(this, static_cast<QMouseEvent*>(event)->position().toPoint());
        emit MouseMoved();
    }
    return QTableView::eventFilter(watched, event);
}

void Grid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyRowHeight();
}

QItemSelectionModel::SelectionFlags Grid::selectionCommand(const QModelIndex& index,
                                                           const QEvent* event) const {
    Q_UNUSED(event);
    // The current row is always the highlighted one: Ctrl+click must not unhighlight it, and a
    // click below the last row leaves the highlight where it is.
    return index.isValid() ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                           : QItemSelectionModel::NoUpdate;
}

void Grid::OnCurrentChanged(const QModelIndex& current) {
    if (current.isValid())
        m_col = current.column();
    m_colSel = m_col;
    ReportCurrentCell();
}

void Grid::ReportCurrentCell() {
    const int row = Row();
    if (row == m_reportedRow && m_col == m_reportedCol)
        return;
    m_reportedRow = row;
    m_reportedCol = m_col;
    emit CurrentCellChanged();
}

void Grid::ApplyRowHeight() {
    QFont bold = font();
    bold.setBold(true);
    horizontalHeader()->setFont(bold);
    // Compact rows: the text and a 2-pixel margin above and below.
    const int height = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

void Grid::EnsureLayout() const {
    // The windows measure and scroll the grid right after filling it, often while it is hidden.
    // A hidden widget gets its resize event only when shown, the view lays out its rows lazily,
    // and the scroll bar comes and goes on a queued signal: catch up on all three, so that the
    // viewport and the scroll range match the rows and the size set. Only layout state changes,
    // hence the const_cast.
    auto* self = const_cast<Grid*>(this);
    QResizeEvent resize(size(), size());
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        self->setAttribute(Qt::WA_PendingResizeEvent, false);
        QCoreApplication::sendEvent(self, &resize);
    }
    self->executeDelayedItemsLayout();
    QCoreApplication::sendEvent(self, &resize); // lays out the scroll bar for the range just set
}
