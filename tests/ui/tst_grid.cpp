#include "ui/grid.h"
#include "ui/gridmodel.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Data-row cells of one column, top to bottom.
QStringList ColumnTexts(const Grid& grid, int col) {
    QStringList texts;
    for (int row = 1; row < grid.Rows(); ++row)
        texts.append(grid.TextMatrix(row, col));
    return texts;
}

// A shown grid of `rows` data rows, cells "r<row>c<col>".
std::unique_ptr<Grid> ShownGrid(int rows, int cols, QSize size = {400, 300}) {
    auto grid = std::make_unique<Grid>();
    grid->SetCols(cols);
    for (int r = 1; r <= rows; ++r) {
        QStringList cells;
        for (int c = 0; c < cols; ++c)
            cells.append(u"r%1c%2"_s.arg(r).arg(c));
        grid->AddItem(cells.join(u'\t'));
    }
    grid->resize(size);
    grid->show();
    if (!QTest::qWaitForWindowExposed(grid.get()))
        qWarning("grid window not exposed");
    return grid;
}

QPoint CellCentre(const Grid& grid, int row, int col) {
    return grid.visualRect(grid.model()->index(row - 1, col)).center();
}

// As the system delivers one: press, release, then the second press as a double click.
void DoubleClick(QWidget* widget, QPoint pos) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

} // namespace

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void modelEditsAndBatches();
    void headingsAlignmentAndCells();
    void sortIgnoresCaseOnKeyColumns();
    void currentRowByProgramAndUser();
    void topRowScrolls();
    void columnLeavesViewAsColumn0Widens();
    void widthsHeightsAndShading();
    void tabClickOnlyFromUser();
    void hundredThousandRows();
};

void TestGrid::modelEditsAndBatches() {
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    model.SetCols(3);
    model.AddItem(u"a1\tb1\tc1"_s);
    model.AddItem(u"a2\tb2\tc2"_s);
    model.SetTextMatrix(2, 1, u"x"_s);
    QCOMPARE(inserted.size(), 2);
    model.SetCols(5);
    model.SetCols(2); // drops column 2
    model.SetCols(3);
    QCOMPARE(model.TextMatrix(2, 0), u"a2"_s);
    QCOMPARE(model.TextMatrix(2, 1), u"x"_s);
    QCOMPARE(model.TextMatrix(2, 2), QString());

    // A rebuild: empty, fill and sort inside one batch, which the views see as one reset.
    model.BeginBatch();
    model.SetRows(1);
    for (int i = 20; i > 0; --i)
        model.AddItem(u"%1\tk"_s.arg(i, 2, 10, QChar(u'0')));
    model.BeginBatch(); // nested
    model.Sort(0, 0);
    model.EndBatch();
    model.EndBatch();
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(resets.size(), 1);
    QCOMPARE(model.rowCount(), 20);
    QCOMPARE(model.TextMatrix(1, 0), u"01"_s);
    QCOMPARE(model.TextMatrix(20, 0), u"20"_s);

    model.SetRows(4); // rows beyond the count are gone
    QCOMPARE(model.TextMatrix(3, 0), u"03"_s);
    QCOMPARE(model.TextMatrix(4, 0), QString());
    model.SetRows(6);
    QCOMPARE(model.rowCount(), 5);
    model.SetRows(1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.Rows(), 1);

    // Cells shown rather than copied: read in place, copied only when the grid changes them, and
    // never changed at their source.
    auto cells = std::make_shared<const std::vector<QString>>(
        std::vector<QString>{u"b"_s, u"2"_s, u"a"_s, u"1"_s, u"c"_s, u"3"_s});
    model.ShowCells(2, cells);
    QCOMPARE(resets.size(), 2);
    QCOMPARE(model.Rows(), 4);
    QCOMPARE(model.TextMatrix(2, 0), u"a"_s);
    QCOMPARE(model.TextMatrix(3, 1), u"3"_s);
    QCOMPARE(model.TextMatrix(4, 0), QString());
    QVERIFY(model.TextMatrix(1, 0).constData() == cells->front().constData()); // the same text
    model.Sort(0, 0);
    model.SetTextMatrix(1, 1, u"x"_s);
    model.AddItem(u"d\t4"_s);
    QCOMPARE(model.TextMatrix(1, 0), u"a"_s);
    QCOMPARE(model.TextMatrix(1, 1), u"x"_s);
    QCOMPARE(model.TextMatrix(4, 1), u"4"_s);
    QCOMPARE(*cells, std::vector<QString>({u"b"_s, u"2"_s, u"a"_s, u"1"_s, u"c"_s, u"3"_s}));
    // Cut down while shared: the rows that stay, the source untouched.
    model.ShowCells(2, cells);
    model.SetRows(2);
    QCOMPARE(model.Rows(), 2);
    QCOMPARE(model.TextMatrix(1, 0), u"b"_s);
    QCOMPARE(model.TextMatrix(2, 0), QString());
    model.SetRows(1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(cells->size(), std::size_t(6));
}

void TestGrid::headingsAlignmentAndCells() {
    Grid grid;
    grid.SetCols(3);
    grid.AddItem(u"a\tb\tc"_s);
    grid.SetFormatString(u"Name|<Title|^Date|>Pay"_s);
    grid.AddItem(u"only"_s);
    grid.AddItem(u"w\tx\ty\tz\textra"_s);
    grid.AddItem(u"\t\tlast"_s);

    QCOMPARE(grid.Cols(), 4); // a fourth heading adds a column
    QCOMPARE(grid.Rows(), 5); // the headings are row 0, not a data row
    const QStringList headings{u"Name"_s, u"Title"_s, u"Date"_s, u"Pay"_s};
    const QList<Qt::Alignment> alignments{Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    const QAbstractItemModel& model = *grid.model();
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(grid.TextMatrix(0, c), headings.at(c));
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headings.at(c));
        const int header = model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        QCOMPARE(Qt::Alignment(header) & Qt::AlignHorizontal_Mask, alignments.at(c));
        for (int dataRow : {0, 3}) { // rows added before and after the format
            const int cell = model.data(model.index(dataRow, c), Qt::TextAlignmentRole).toInt();
            QCOMPARE(Qt::Alignment(cell) & Qt::AlignHorizontal_Mask, alignments.at(c));
        }
    }

    QCOMPARE(ColumnTexts(grid, 0), (QStringList{u"a"_s, u"only"_s, u"w"_s, {}}));
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"c"_s, {}, u"y"_s, u"last"_s}));
    QCOMPARE(ColumnTexts(grid, 3), (QStringList{{}, {}, u"z"_s, {}})); // "extra" is dropped
    QCOMPARE(grid.TextMatrix(5, 0), QString());
    QCOMPARE(grid.TextMatrix(1, 4), QString());

    grid.SetTextMatrix(0, 1, u"Job"_s);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"Job"_s);
}

void TestGrid::sortIgnoresCaseOnKeyColumns() {
    Grid grid;
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.SetFormatString(u"Name|City|Rec|Key"_s);
    grid.AddItem(u"smith\tBoston\t1\tz"_s);
    grid.AddItem(u"Adams\tchicago\t2\ty"_s);
    grid.AddItem(u"SMITH\tAustin\t3\tx"_s);
    grid.AddItem(u"adams\tChicago\t4\tw"_s);
    grid.AddItem(u"baker\tboston\t5\tv"_s);
    grid.SetColWidth(2, 0); // record numbers out of sight still travel with their rows
    grid.SetRow(5);         // baker
    QSignalSpy cellChanged(&grid, &Grid::CurrentCellChanged);

    grid.SetCol(0);
    grid.SetColSel(1);
    grid.Sort();
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"2"_s, u"4"_s, u"5"_s, u"3"_s, u"1"_s}));
    QCOMPARE(ColumnTexts(grid, 3), (QStringList{u"y"_s, u"w"_s, u"v"_s, u"x"_s, u"z"_s}));
    QCOMPARE(grid.TextMatrix(0, 0), u"Name"_s);
    // The highlight stays on baker, now row 3, and says so.
    QCOMPARE(grid.Row(), 3);
    QCOMPARE(grid.TextMatrix(grid.Row(), 0), u"baker"_s);
    QCOMPARE(cellChanged.size(), 1);

    grid.SetCol(3);
    grid.SetColSel(3);
    grid.Sort();
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"5"_s, u"4"_s, u"3"_s, u"2"_s, u"1"_s}));

    // Columns given right to left; the tie adams/Adams keeps its present order.
    grid.SetCol(1);
    grid.SetColSel(0);
    grid.Sort();
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"4"_s, u"2"_s, u"5"_s, u"3"_s, u"1"_s}));
    QCOMPARE(grid.TextMatrix(0, 3), u"Key"_s);
}

void TestGrid::currentRowByProgramAndUser() {
    auto grid = ShownGrid(10, 5, {300, 300});
    QVERIFY(QTest::qWaitForWindowActive(grid.get()));
    grid->SetRow(0); // taking the focus may have made row 1 current
    QList<int> reportedRows;
    connect(grid.get(), &Grid::CurrentCellChanged, grid.get(), [&] { reportedRows.append(grid->Row()); });
    QSignalSpy doubleClicked(grid.get(), &Grid::DoubleClicked);
    const QItemSelectionModel& selection = *grid->selectionModel();

    grid->SetRow(3);
    grid->SetRow(3); // no change, no report
    QVERIFY(selection.isRowSelected(2));
    QCOMPARE(selection.selectedRows().size(), 1);
    grid->SetCol(2);
    grid->SetColSel(3);
    QCOMPARE(grid->ColSel(), 3);
    grid->SetRow(5);
    QCOMPARE(grid->ColSel(), 2); // moving the row collapses the column range
    QVERIFY(selection.isRowSelected(4) && !selection.isRowSelected(2));
    grid->SetRow(11); // beyond the last row: ignored
    grid->SetRow(0);
    QVERIFY(!selection.hasSelection());
    QCOMPARE(reportedRows, (QList<int>{3, 3, 5, 0}));

    // The user: click, Ctrl+click, a click below the rows, keys, double clicks.
    grid->SetColWidth(0, 3000); // columns 3 and 4 lie beyond the right edge
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(*grid, 4, 1));
    QCOMPARE(grid->Row(), 4);
    QCOMPARE(grid->Col(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(*grid, 4, 1));
    const QPoint belowRows(5, grid->viewport()->height() - 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, belowRows);
    QCOMPARE(grid->Row(), 4);
    QVERIFY(selection.isRowSelected(3)); // still highlighted
    QTest::keyClick(grid->viewport(), Qt::Key_Down);
    QCOMPARE(grid->Row(), 5);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(grid->viewport(), Qt::Key_Right);
    QCOMPARE(grid->Col(), 4);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0); // the pushed-out column stays out of sight
    QVERIFY(!grid->ColIsVisible(3));
    // A screen reader meets a table of the columns in view, its headings as column headers.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid.get());
    QAccessibleTableInterface* t = table->tableInterface();
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(t->columnCount(), 2); // column 1 partly, 2 to 4 not at all
    QCOMPARE(t->rowCount(), 10);
    QCOMPARE(table->childCount(), 11 * 2);
    QCOMPARE(t->cellAt(4, 1)->text(QAccessible::Name), u"r5c1"_s);
    QCOMPARE(t->cellAt(4, 1)->tableCellInterface()->columnHeaderCells().at(0)->role(), QAccessible::ColumnHeader);
    QCOMPARE(table->indexOfChild(t->cellAt(4, 1)), 5 * 2 + 1);
    QVERIFY(t->cellAt(4, 2) == nullptr);
    QCOMPARE(t->selectedRows(), QList<int>{4});

    DoubleClick(grid->viewport(), CellCentre(*grid, 2, 0));
    QCOMPARE(doubleClicked.size(), 1);
    QCOMPARE(grid->Row(), 2);
    DoubleClick(grid->viewport(), belowRows);
    QCOMPARE(doubleClicked.size(), 1);

    QSignalSpy moved(grid.get(), &Grid::MouseMoved);
    QTest::mouseMove(grid->viewport(), CellCentre(*grid, 3, 1));
    QTRY_COMPARE(grid->MouseRow(), 3);
    QVERIFY(!moved.isEmpty());
    QTest::mouseMove(grid->horizontalHeader()->viewport(), QPoint(10, 5));
    QTRY_COMPARE(grid->MouseRow(), 0);
    QTest::mouseMove(grid->viewport(), belowRows);
    QTRY_COMPARE(grid->MouseRow(), -1);

    grid->SetRows(1); // the current row goes with the rows
    QCOMPARE(grid->Row(), 0);
    QCOMPARE(reportedRows.last(), 0);
    grid->AddItem(u"a"_s);
    grid->SetRow(1);
    {
        Grid::Batch refill(*grid); // so it does with a refill
        grid->AddItem(u"b"_s);
    }
    QCOMPARE(grid->Row(), 0);
    QCOMPARE(reportedRows.last(), 0);
}

void TestGrid::topRowScrolls() {
    auto grid = ShownGrid(200, 3);
    grid->SetTopRow(50);
    QCOMPARE(grid->TopRow(), 50);
    QCOMPARE(grid->rowAt(0), 49);

    grid->SetTopRow(1000); // as far as the rows go: the last row at the bottom, fully shown
    const int top = grid->TopRow();
    QVERIFY(top > 150 && top < 200);
    QVERIFY(grid->rowViewportPosition(199) + grid->rowHeight(199) <= grid->viewport()->height());
    grid->SetTopRow(top); // what was read scrolls back to the same place
    QCOMPARE(grid->TopRow(), top);

    Grid hidden; // filled and scrolled before it is ever shown
    hidden.resize(300, 200);
    for (int i = 0; i < 100; ++i)
        hidden.AddItem(QString::number(i));
    hidden.SetTopRow(30);
    QCOMPARE(hidden.TopRow(), 30);
    hidden.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hidden));
    QCOMPARE(hidden.rowAt(0), 29);
}

void TestGrid::columnLeavesViewAsColumn0Widens() {
    // The list windows widen column 0 in steps until column 3 leaves the view, on a shown grid
    // and on one hidden for filling; both must stop at the same width.
    const auto widen = [](Grid& grid) {
        for (int c = 0; c < 5; ++c)
            grid.SetColWidth(c, 1000);
        grid.SetColWidth(0, 2000);
        int steps = 0;
        for (; grid.ColIsVisible(3) && steps < 1000; ++steps)
            grid.SetColWidth(0, grid.ColWidth(0) + 18);
        return steps;
    };

    auto shown = ShownGrid(40, 5, {400, 200}); // enough rows for a vertical scroll bar
    const int shownSteps = widen(*shown);
    QVERIFY(shownSteps > 0 && shownSteps < 1000);
    QCOMPARE(shown->ColWidth(0), 2000 + 18 * shownSteps);
    QVERIFY(shown->ColIsVisible(2));
    QVERIFY(!shown->ColIsVisible(4));
    QVERIFY(shown->columnViewportPosition(3) >= shown->viewport()->width());

    auto hidden = ShownGrid(0, 5, {200, 100});
    hidden->hide();
    hidden->resize(400, 200);
    for (int i = 0; i < 40; ++i)
        hidden->AddItem(u"x"_s);
    QCOMPARE(widen(*hidden), shownSteps);
    hidden->show();
    QVERIFY(QTest::qWaitForWindowExposed(hidden.get()));
    QVERIFY(!hidden->ColIsVisible(3));
    hidden->SetColWidth(0, hidden->ColWidth(0) - 18);
    QVERIFY(hidden->ColIsVisible(3));

    // Any visible part counts.
    const int viewWidth = shown->viewport()->width();
    shown->setColumnWidth(0, viewWidth - 1);
    QVERIFY(shown->ColIsVisible(1));
    shown->setColumnWidth(0, viewWidth);
    QVERIFY(!shown->ColIsVisible(1));
}

void TestGrid::widthsHeightsAndShading() {
    Grid grid;
    grid.SetCols(3);
    for (int i = 0; i < 6; ++i)
        grid.AddItem(u"a"_s);
    const qreal dpiX = grid.screen()->logicalDotsPerInchX();

    grid.SetColWidth(0, 1440);
    QCOMPARE(grid.columnWidth(0), qRound(dpiX));
    grid.SetColWidth(1, 4000);
    for (int i = 0; i < 10; ++i)
        grid.SetColWidth(1, grid.ColWidth(1) + 15);
    QCOMPARE(grid.ColWidth(1), 4150);
    QCOMPARE(grid.columnWidth(1), qRound(4150 * dpiX / 1440));

    // The admin window sizes its grid from the heading row before showing it.
    const int headingTwips = grid.RowHeight(0);
    QVERIFY(headingTwips > 0);

    const QColor shade(240, 240, 240);
    for (int row = 2; row < grid.Rows(); row += 2)
        grid.SetRowBackColor(row, shade);
    const auto background = [&](int row, int col) {
        return grid.model()->data(grid.model()->index(row - 1, col), Qt::BackgroundRole);
    };
    for (int row = 1; row <= 6; ++row) {
        for (int col = 0; col < 3; ++col) {
            QCOMPARE(background(row, col).isValid(), row % 2 == 0);
            if (row % 2 == 0)
                QCOMPARE(background(row, col).value<QBrush>().color(), shade);
        }
    }

    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.RowHeight(0), headingTwips);
    QCOMPARE(PixelsToTwipsY(grid.horizontalHeader()->height(), &grid), headingTwips);
    QVERIFY(grid.horizontalHeader()->font().bold());
    const QRect cell = grid.visualRect(grid.model()->index(1, 0)); // beside its short text
    QCOMPARE(QColor(grid.viewport()->grab().toImage().pixel(cell.right() - 3, cell.center().y())), shade);

    grid.SetTextMatrix(1, 0, u"z"_s);
    grid.Sort(); // the shading stays alternate
    QCOMPARE(grid.TextMatrix(6, 0), u"z"_s);
    QVERIFY(!background(1, 0).isValid() && background(2, 0).isValid());
    grid.SetRows(1);
    grid.AddItem(u"new"_s);
    grid.AddItem(u"new"_s);
    QVERIFY(!background(2, 0).isValid());
}

void TestGrid::tabClickOnlyFromUser() {
    TabControl tabs;
    QList<QLabel*> pages;
    for (int i = 0; i < 3; ++i) {
        pages.append(new QLabel(u"page %1"_s.arg(i)));
        tabs.addTab(pages.last(), u"Tab %1"_s.arg(i));
    }
    tabs.resize(400, 300);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    QList<int> previous;
    QList<int> shownAtClick; // the page current and visible when Click arrives
    connect(&tabs, &TabControl::Click, &tabs, [&](int previousTab) {
        previous.append(previousTab);
        shownAtClick.append(pages.at(tabs.Tab())->isVisible() ? tabs.Tab() : -1);
    });
    const auto clickTab = [&](int index) {
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(index).center());
    };

    clickTab(1);
    clickTab(1); // the current tab again: no change, no click
    QCOMPARE(previous, QList<int>{0});
    QCOMPARE(shownAtClick, QList<int>{1});

    tabs.SetTab(2);
    QVERIFY(pages.at(2)->isVisible() && !pages.at(1)->isVisible());
    tabs.SetTab(7);
    tabs.setCurrentIndex(1); // the widget's own setter is the program's too
    tabs.setCurrentIndex(2);
    QCOMPARE(tabs.Tab(), 2);
    QCOMPARE(previous.size(), 1);

    QTest::keyClick(&tabs, Qt::Key_Tab, Qt::ControlModifier); // wraps round to the first page
    QCOMPARE(previous, (QList<int>{0, 2}));
    QCOMPARE(shownAtClick, (QList<int>{1, 0}));

    // A handler that moves the page itself raises no further click.
    const auto handler = connect(&tabs, &TabControl::Click, &tabs, [&] { tabs.SetTab(2); });
    clickTab(1);
    disconnect(handler);
    QCOMPARE(previous, (QList<int>{0, 2, 0}));
    QCOMPARE(tabs.Tab(), 2);

    tabs.SetTabEnabled(1, false);
    clickTab(1);
    tabs.SetTabEnabled(2, false); // the current page stays
    QCOMPARE(tabs.Tab(), 2);
    QVERIFY(pages.at(2)->isVisible());
    QCOMPARE(previous.size(), 3);

    tabs.SetTabCaption(0, u"Employee List"_s);
    QCOMPARE(tabs.tabText(0), u"Employee List"_s);
    const qreal dpiY = tabs.screen()->logicalDotsPerInchY();
    tabs.SetHeightTwips(2880);
    QCOMPARE(tabs.height(), qRound(2 * dpiY));
    QVERIFY(qAbs(tabs.TabHeightTwips() - 2880) <= qCeil(1440 / dpiY));
}

void TestGrid::hundredThousandRows() {
    constexpr int Count = 100000;
    Grid grid; // hidden, as the list is while being filled
    grid.resize(600, 400);
    grid.SetCols(5);
    QRandomGenerator random(42);
    QStringList keys;
    for (int i = 0; i < Count; ++i) // mixed case, so that ignoring case matters
        keys.append(QString::number(random.generate64(), 36).replace(u'a', u'A').replace(u'z', u'Z'));

    QElapsedTimer timer;
    timer.start();
    grid.SetRows(1);
    {
        Grid::Batch batch(grid);
        for (int i = 0; i < Count; ++i)
            grid.AddItem(keys.at(i) + u"\tx\ty\t"_s + QString::number(i) + u'\t' + keys.at(i));
    }
    const qint64 fillMs = timer.restart();
    grid.SetCol(0);
    grid.SetColSel(0);
    grid.Sort();
    qDebug("100000 rows: batch fill %lld ms, sort %lld ms", fillMs, timer.elapsed());

    QCOMPARE(grid.Rows(), Count + 1);
    std::vector<bool> seen(Count);
    for (int row = 1; row <= Count; ++row) {
        if (row > 1)
            QVERIFY(QString::compare(grid.TextMatrix(row - 1, 0), grid.TextMatrix(row, 0),
                                     Qt::CaseInsensitive) <= 0);
        const int record = grid.TextMatrix(row, 3).toInt();
        QVERIFY(!seen[std::size_t(record)]);
        seen[std::size_t(record)] = true;
        QCOMPARE(grid.TextMatrix(row, 4), keys.at(record)); // the row moved whole
    }
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
