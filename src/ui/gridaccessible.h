#pragma once

#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QHash>

class Grid;

// Installs, once, what the program tells the desktop's accessibility bus beyond Qt's own: grids
// as AccessibleGrid, labels that hold a link as links, and the program's top-level windows as
// frames with their captions (a plain top-level widget would be a nameless filler). Grids call
// it; the program calls it at start.
void InstallAccessibility();

// A grid as a screen reader meets it: a table named by what it lists, its headings as column
// headers, and only the columns the user sees (a window keeps record numbers and sort keys in
// columns past the right edge, which are not spoken). Children are the heading row's cells, then
// the data rows' cells, row by row, over the visible columns.
class AccessibleGrid : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleGrid(Grid* grid);
    ~AccessibleGrid() override;

    // The child index of the cell at grid row `row` (0: the heading) and column `col`, -1 for a
    // column out of sight.
    static int ChildIndex(const Grid* grid, int row, int col);

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    Grid* grid() const;
    // The interface of the cell at grid row `row`, made on first use and kept until the rows change.
    QAccessibleInterface* Cell(int row, int col) const;
    void Forget();

    mutable QHash<quint64, QAccessible::Id> m_cells;
};
