#include "ui/gridaccessible.h"

#include "ui/grid.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QPointer>

namespace {

// One cell: its text, whether it is a heading, where it is, and whether its row is highlighted.
class AccessibleGridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    AccessibleGridCell(Grid* grid, int row, int col) : m_grid(grid), m_row(row), m_col(col) {}

    bool isValid() const override { return m_grid && m_row < m_grid->Rows() && m_col < m_grid->Cols(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_grid); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return isValid() && (t == QAccessible::Name || t == QAccessible::Value) ? m_grid->TextMatrix(m_row, m_col)
                                                                                 : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        if (m_row == 0) {
            const QHeaderView* header = m_grid->horizontalHeader();
            return QRect(header->mapToGlobal(QPoint(header->sectionViewportPosition(m_col), 0)),
                         QSize(header->sectionSize(m_col), header->height()));
        }
        const QRect cell = m_grid->visualRect(m_grid->model()->index(m_row - 1, m_col));
        return QRect(m_grid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return m_row == 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        if (m_row > 0) {
            s.selectable = true;
            s.selected = isSelected();
            s.focused = s.selected && m_grid->hasFocus();
        }
        const QRect shown = m_grid->viewport()->rect();
        if (m_row > 0 && !shown.intersects(m_grid->visualRect(m_grid->model()->index(m_row - 1, m_col))))
            s.offscreen = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this)
                                                       : nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return m_row > 0 && m_grid && m_grid->Row() == m_row; }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QAccessibleInterface* table = parent();
        auto* t = table ? table->tableInterface() : nullptr;
        QAccessibleInterface* heading = t && m_row > 0 ? table->child(AccessibleGrid::ChildIndex(m_grid, 0, m_col))
                                                       : nullptr;
        return heading ? QList<QAccessibleInterface*>{heading} : QList<QAccessibleInterface*>{};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_col; }
    int rowIndex() const override { return m_row - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<Grid> m_grid;
    int m_row;
    int m_col;
};

// The columns in view are the first ones: those kept out of sight lie past the right edge.
int VisibleColumns(const Grid* grid) {
    int n = 0;
    while (n < grid->Cols() && grid->ColIsVisible(n))
        ++n;
    return n;
}

} // namespace

namespace {

// A label that holds a link the keyboard can reach: spoken as a link, named by its text, and
// pressed as the link is.
class AccessibleLink : public QAccessibleWidget {
public:
    explicit AccessibleLink(QLabel* label) : QAccessibleWidget(label, QAccessible::Link) {
        addControllingSignal(QStringLiteral("linkActivated(QString)"));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QTextDocumentFragment::fromHtml(Label()->text()).toPlainText().simplified();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction())
            return;
        static const QRegularExpression href(QStringLiteral("href\\s*=\\s*[\"']([^\"']*)"));
        emit Label()->linkActivated(href.match(Label()->text()).captured(1));
    }

private:
    QLabel* Label() const { return static_cast<QLabel*>(widget()); }
};

QAccessibleInterface* ProgramAccessible(const QString& className, QObject* object) {
    if (auto* grid = qobject_cast<Grid*>(object); grid && className == QLatin1String("Grid"))
        return new AccessibleGrid(grid);
    if (auto* label = qobject_cast<QLabel*>(object); label && className == QLatin1String("QLabel") &&
                                                      label->textInteractionFlags() & Qt::LinksAccessibleByKeyboard)
        return new AccessibleLink(label);
    // A window of the program: a widget of its own class at the top, not a dialog (which Qt
    // speaks as a dialog already).
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->isWindow() && !qobject_cast<QDialog*>(widget) &&
        className == QLatin1String(widget->metaObject()->className()) && className.startsWith(u"frm"))
        return new QAccessibleWidget(widget, QAccessible::Window); // named by its title
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ProgramAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

AccessibleGrid::AccessibleGrid(Grid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

AccessibleGrid::~AccessibleGrid() {
    Forget();
}

Grid* AccessibleGrid::grid() const {
    return static_cast<Grid*>(widget());
}

int AccessibleGrid::ChildIndex(const Grid* grid, int row, int col) {
    const int cols = VisibleColumns(grid);
    return col < cols ? row * cols + col : -1;
}

void* AccessibleGrid::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* AccessibleGrid::Cell(int row, int col) const {
    if (row < 0 || row >= grid()->Rows() || col < 0 || col >= VisibleColumns(grid()))
        return nullptr;
    const quint64 key = (quint64(quint32(row)) << 32) | quint32(col);
    if (const auto it = m_cells.constFind(key); it != m_cells.constEnd())
        return QAccessible::accessibleInterface(*it);
    QAccessibleInterface* cell = new AccessibleGridCell(grid(), row, col);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

void AccessibleGrid::Forget() {
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}

int AccessibleGrid::childCount() const {
    return grid()->Rows() * VisibleColumns(grid());
}

QAccessibleInterface* AccessibleGrid::child(int index) const {
    const int cols = VisibleColumns(grid());
    return index < 0 || cols == 0 ? nullptr : Cell(index / cols, index % cols);
}

int AccessibleGrid::indexOfChild(const QAccessibleInterface* child) const {
    const QAccessibleTableCellInterface* cell =
        child ? const_cast<QAccessibleInterface*>(child)->tableCellInterface() : nullptr;
    if (!cell || child->parent() != this)
        return -1;
    return ChildIndex(grid(), cell->rowIndex() + 1, cell->columnIndex());
}

QAccessibleInterface* AccessibleGrid::focusChild() const {
    return grid()->Row() > 0 ? Cell(grid()->Row(), 0) : nullptr;
}

QAccessibleInterface* AccessibleGrid::childAt(int x, int y) const {
    for (int row = 0; row < grid()->Rows(); ++row) {
        for (int col = 0; col < VisibleColumns(grid()); ++col) {
            QAccessibleInterface* cell = Cell(row, col);
            if (cell && cell->rect().contains(x, y))
                return cell;
        }
        if (row > 0 && grid()->visualRect(grid()->model()->index(row - 1, 0)).top() > grid()->viewport()->height())
            break;
    }
    return nullptr;
}

QAccessibleInterface* AccessibleGrid::cellAt(int row, int column) const {
    return Cell(row + 1, column);
}

int AccessibleGrid::selectedCellCount() const {
    return grid()->Row() > 0 ? columnCount() : 0;
}

QList<QAccessibleInterface*> AccessibleGrid::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int col = 0; grid()->Row() > 0 && col < columnCount(); ++col)
        cells << Cell(grid()->Row(), col);
    return cells;
}

QString AccessibleGrid::columnDescription(int column) const {
    return column < columnCount() ? grid()->TextMatrix(0, column) : QString();
}

int AccessibleGrid::selectedRowCount() const {
    return grid()->Row() > 0 ? 1 : 0;
}

int AccessibleGrid::columnCount() const {
    return VisibleColumns(grid());
}

int AccessibleGrid::rowCount() const {
    return grid()->Rows() - 1;
}

QList<int> AccessibleGrid::selectedRows() const {
    return grid()->Row() > 0 ? QList<int>{grid()->Row() - 1} : QList<int>{};
}

bool AccessibleGrid::isRowSelected(int row) const {
    return grid()->Row() == row + 1;
}

void AccessibleGrid::modelChange(QAccessibleTableModelChangeEvent*) {
    Forget();
}
