#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The cells behind a Grid: a heading row and any number of data rows of text.
//
// Rows are numbered as the program numbers them: row 0 is the heading row, rows 1 and up hold
// the data. The heading row is the view's horizontal header (headerData); grid row r >= 1 is
// model row r - 1. Lists run to 100,000 rows, so the cells live in one flat row-major vector:
// adding a row is an append, and a sort moves each cell once.
//
// Between BeginBatch() and EndBatch() the model is inside a model reset: changes emit no
// per-row signals, and attached views catch up once at the end.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Row count including the heading row; setting it to 1 drops every data row, a larger count
    // adds empty rows. Counts below 1 are taken as 1.
    int Rows() const { return m_dataRows + 1; }
    void SetRows(int rows);

    // Column count (at least 1). Cells of dropped columns are gone; new columns are empty.
    int Cols() const { return m_cols; }
    void SetCols(int cols);

    // Headings separated by "|"; a leading "<" aligns the column left, "^" centres it, ">" aligns
    // it right, no mark leaves the default (left). Adds columns when there are more headings than
    // columns. The alignment holds for the rows present and the rows added later.
    void SetFormatString(const QString& format);
    Qt::Alignment ColAlignment(int col) const;

    // Shows `cells` (row-major, `cols` to a row; any heading and alignments are kept for the
    // columns that remain, row colours are dropped) as the data rows without copying them: the
    // model shares them with whoever built them. The first change to the cells makes a copy of
    // the model's own.
    void ShowCells(int cols, std::shared_ptr<const std::vector<QString>> cells);

    // Appends a data row: the cells in column order separated by tabs. Missing cells stay empty,
    // cells beyond the last column are dropped.
    void AddItem(const QString& tabSeparated);
    // Appends a data row cell by cell: a tab inside a cell stays in that cell.
    void AddRow(const QStringList& cells);

    // Cell text; row 0 is the heading. Reading outside the grid gives an empty text, writing
    // outside it does nothing.
    QString TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString& text);

    // Background of a data row (an invalid colour = the view's own). It belongs to the row's
    // position, so a sort keeps alternate shading alternate.
    QColor RowBackColor(int row) const;
    void SetRowBackColor(int row, const QColor& color);

    // Sorts rows 1..last ascending on the columns firstCol..lastCol as text in the user's order,
    // ignoring case (TextOrder, "data/textorder.h"); the first differing column decides, rows
    // with equal keys keep their order. Persistent indexes (a view's current row) follow their row.
    void Sort(int firstCol, int lastCol);

    // Nestable; the outermost pair is one model reset.
    void BeginBatch();
    void EndBatch();
    bool InBatch() const { return m_batchDepth > 0; }

private:
    const QString& Cell(int dataRow, int col) const {
        return (m_shown ? *m_shown : m_cells)[std::size_t(dataRow) * m_cols + col];
    }
    QString& Cell(int dataRow, int col) { return m_cells[std::size_t(dataRow) * m_cols + col]; }
    bool IsCell(int row, int col) const { return row >= 0 && row <= m_dataRows && col >= 0 && col < m_cols; }
    void Relayout(int cols);
    // Takes a copy of shown cells before they are changed.
    void Detach();

    int m_cols = 2;
    int m_dataRows = 0;
    std::vector<QString> m_cells; // m_dataRows * m_cols, row-major, when the model owns its cells
    std::shared_ptr<const std::vector<QString>> m_shown; // shared cells shown instead (ShowCells)
    std::vector<QString> m_headings;
    std::vector<Qt::Alignment> m_alignments;
    std::vector<QColor> m_rowColors; // by data row; may be shorter than the row count
    int m_batchDepth = 0;
};
