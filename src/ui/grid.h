#pragma once

#include "ui/gridmodel.h"

#include <QPoint>
#include <QTableView>

#include <memory>
#include <vector>

// The table of text cells every list window stands on: a bold heading row (row 0) above data
// rows 1..Rows()-1. The user highlights one whole row at a time; nothing is editable in place.
//
// Widths and heights are in twips, converted at the screen's logical DPI. Columns are laid out
// left to right and never scroll sideways: the windows keep record numbers and sort keys in
// columns pushed past the right edge, and those must stay out of sight. Rows scroll one at a time.
//
// Fill large lists inside a batch: SetRows(1), then a Batch guard around the AddItem calls; the
// view catches up once when the batch ends. A batch clears the current row: set it and the top
// row after the batch.
class Grid : public QTableView {
    Q_OBJECT

public:
    explicit Grid(QWidget* parent = nullptr);

    GridModel* Model() const { return m_model; }

    // Row count including the heading row; SetRows(1) empties the grid at once.
    int Rows() const { return m_model->Rows(); }
    void SetRows(int rows);
    int Cols() const { return m_model->Cols(); }
    void SetCols(int cols);

    // "Heading|<Left|^Centred|>Right": the headings of row 0 and the alignment of their columns.
    void SetFormatString(const QString& format);

    // Appends one data row, its cells separated by tab characters.
    void AddItem(const QString& tabSeparated);
    // Appends one data row cell by cell; a tab inside a cell stays in that cell.
    void AddRow(const QStringList& cells);
    // Shows `cells` (row-major, `cols` to a row) as the data rows, shared rather than copied:
    // a long list is held once, by whoever built it.
    void ShowCells(int cols, std::shared_ptr<const std::vector<QString>> cells);

    // Cell text by grid row (0 = heading) and column; empty outside the grid.
    QString TextMatrix(int row, int col) const { return m_model->TextMatrix(row, col); }
    void SetTextMatrix(int row, int col, const QString& text);

    // Column width in twips. ColWidth gives back the width last set while the column still has
    // that width in pixels, so repeated small steps add up exactly. A negative width restores the
    // default.
    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);

    // True while any part of the column lies within the visible area. Works on a hidden grid too,
    // from its last set size.
    bool ColIsVisible(int col) const;

    // Current (highlighted) row: 0 when no data row is current. Setting a data row selects the
    // whole row, makes it current and scrolls it into view if needed; setting 0 clears the
    // highlight. Values outside 0..Rows()-1 are ignored. When the grid takes the focus with no
    // current row, it makes row 1 current.
    int Row() const;
    void SetRow(int row);

    // Current column. Setting the row or the column makes the last selected column equal to the
    // current column, as does the user moving the highlight; set ColSel after them.
    int Col() const { return m_col; }
    void SetCol(int col);
    int ColSel() const { return m_colSel; }
    void SetColSel(int col);

    // First data row wholly in view. Setting scrolls, as far as the rows allow; a value read
    // scrolls back to the same place.
    int TopRow() const;
    void SetTopRow(int row);

    // Row height in twips; row 0 is the heading row.
    int RowHeight(int row) const;

    // The windows shade alternate rows by selecting a row's cells and colouring the selection;
    // with whole-row highlighting that is a colour for the entire row, so it is set per row here.
    // The colour stays with the row number, not with its text, when the rows are sorted.
    void SetRowBackColor(int row, const QColor& color);

    // Sorts rows 1..last ascending on columns Col()..ColSel() (either order) as text in the
    // user's order, ignoring case; row 0 stays. The highlighted row keeps its text, so Row() may change.
    void Sort();

    // The row under the mouse at its last move over the grid: 0 over the heading row, -1 where
    // there is no row.
    int MouseRow() const;

    void BeginBatch() { m_model->BeginBatch(); }
    void EndBatch() { m_model->EndBatch(); }

    // Scope guard for BeginBatch/EndBatch.
    class Batch {
    public:
        explicit Batch(Grid& grid) : m_grid(grid) { m_grid.BeginBatch(); }
        ~Batch() { m_grid.EndBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Grid& m_grid;
    };

signals:
    // Row() or Col() has a new value, whether the user or the program moved it (also when rows
    // are removed, the grid is refilled or sorted).
    void CurrentCellChanged();
    // A data cell was double-clicked; it is the current row by then.
    void DoubleClicked();
    // The mouse moved over the grid, cells or heading; MouseRow() tells where.
    void MouseMoved();

protected:
    // The accessibility events name cells as AccessibleGrid numbers them (the columns in view).
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void OnCurrentChanged(const QModelIndex& current);
    void ReportCurrentCell();
    void ApplyRowHeight();
    void EnsureLayout() const;

    GridModel* m_model;
    int m_col = 0;
    int m_colSel = 0;
    int m_reportedRow = 0; // what CurrentCellChanged last announced
    int m_reportedCol = 0;
    std::vector<int> m_colTwips; // widths as set, -1 = not set
    QPoint m_mousePos{-1, -1};   // in this widget's coordinates
};
