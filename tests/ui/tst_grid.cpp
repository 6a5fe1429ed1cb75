#include "ui/grid.h"
#include "ui/gridmodel.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include <QAbstractItemModelTester>
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

Qt::Alignment CellAlignment(const QAbstractItemModel& model, int dataRow, int col) {
    return Qt::Alignment(model.data(model.index(dataRow, col), Qt::TextAlignmentRole).toInt()) &
           Qt::AlignHorizontal_Mask;
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

// As the system delivers one: press, release, then the second press as a double click.
void DoubleClick(QWidget* widget, QPoint pos) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

QPoint CellCentre(const Grid& grid, int row, int col) {
    return grid.visualRect(grid.model()->index(row - 1, col)).center();
}

} // namespace

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void modelStaysConsistentThroughEdits();
    void batchFillIsOneReset();
    void headingsAndAlignmentFromFormatString();
    void addItemSplitsOnTabs();
    void sortIgnoresCaseOnKeyColumns();
    void setRowHighlightsAndReports();
    void userClicksKeysAndDoubleClicks();
    void topRowScrolls();
    void columnLeavesViewAsColumn0Widens();
    void widthsAndHeightsInTwips();
    void shadedRows();
    void mouseRow();
    void tabClickOnlyFromUser();
    void tabDisableAndHeight();
    void hundredThousandRows();
};

void TestGrid::modelStaysConsistentThroughEdits() {
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    model.SetCols(3);
    model.SetFormatString(u"A|B|C"_s);
    model.AddItem(u"a1\tb1\tc1"_s);
    model.AddItem(u"a2\tb2\tc2"_s);
    model.SetTextMatrix(2, 1, u"x"_s);
    model.SetRowBackColor(1, QColor(240, 240, 240));
    QCOMPARE(model.rowCount(), 2);

    model.SetCols(5);
    model.SetCols(2); // drops column 2 and the new ones
    model.SetCols(3);
    QCOMPARE(model.TextMatrix(2, 0), u"a2"_s);
    QCOMPARE(model.TextMatrix(2, 1), u"x"_s);
    QCOMPARE(model.TextMatrix(2, 2), QString());
    QCOMPARE(model.TextMatrix(0, 1), u"B"_s);

    model.BeginBatch();
    model.SetRows(1);
    for (int i = 20; i > 0; --i)
        model.AddItem(u"%1\tk"_s.arg(i, 2, 10, QChar(u'0')));
    model.Sort(0, 0);
    model.EndBatch();
    QCOMPARE(model.TextMatrix(1, 0), u"01"_s);
    QCOMPARE(model.TextMatrix(20, 0), u"20"_s);

    model.Sort(1, 0); // descending key range reads as 0..1
    model.SetRows(4);
    QCOMPARE(model.Rows(), 4);
    QCOMPARE(model.TextMatrix(3, 0), u"03"_s);
    model.SetRows(6); // empty rows appended
    QCOMPARE(model.TextMatrix(5, 0), QString());
    model.SetRows(1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.Rows(), 1);
    model.SetRows(0);
    QCOMPARE(model.Rows(), 1);
}

void TestGrid::batchFillIsOneReset() {
    Grid grid;
    grid.SetCols(2);
    QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(grid.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);

    grid.AddItem(u"single\t1"_s);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);

    grid.SetRows(1);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(grid.Rows(), 1);

    {
        Grid::Batch outer(grid);
        for (int i = 0; i < 300; ++i)
            grid.AddItem(u"row\t%1"_s.arg(i));
        Grid::Batch inner(grid); // nested: still one reset
        grid.SetTextMatrix(1, 0, u"first"_s);
    }
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(resets.size(), 1);
    QCOMPARE(grid.Rows(), 301);
    QCOMPARE(grid.model()->rowCount(), 300);
    QCOMPARE(grid.TextMatrix(1, 0), u"first"_s);
    QCOMPARE(grid.TextMatrix(300, 1), u"299"_s);
}

void TestGrid::headingsAndAlignmentFromFormatString() {
    Grid grid;
    grid.SetCols(3);
    grid.AddItem(u"before"_s);
    grid.SetFormatString(u"Name|<Title|^Date|>Pay"_s);
    grid.AddItem(u"after"_s);

    QCOMPARE(grid.Cols(), 4); // a fourth heading adds a column
    const QStringList headings{u"Name"_s, u"Title"_s, u"Date"_s, u"Pay"_s};
    const QList<Qt::Alignment> alignments{Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    const QAbstractItemModel& model = *grid.model();
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(grid.TextMatrix(0, c), headings.at(c));
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headings.at(c));
        QCOMPARE(CellAlignment(model, 0, c), alignments.at(c)); // row added before the format
        QCOMPARE(CellAlignment(model, 1, c), alignments.at(c)); // and after it
        const auto headerAlignment = model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        QCOMPARE(Qt::Alignment(headerAlignment) & Qt::AlignHorizontal_Mask, alignments.at(c));
    }
    QCOMPARE(grid.Rows(), 3); // headings are not a data row

    grid.SetTextMatrix(0, 1, u"Job"_s);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"Job"_s);
}

void TestGrid::addItemSplitsOnTabs() {
    Grid grid;
    grid.SetCols(3);
    grid.AddItem(u"a\tb\tc"_s);
    grid.AddItem(u"only"_s);
    grid.AddItem(u"x\ty\tz\textra"_s);
    grid.AddItem(QString());
    grid.AddItem(u"\t\tlast"_s);

    QCOMPARE(grid.Rows(), 6);
    QCOMPARE(ColumnTexts(grid, 0), (QStringList{u"a"_s, u"only"_s, u"x"_s, {}, {}}));
    QCOMPARE(ColumnTexts(grid, 1), (QStringList{u"b"_s, {}, u"y"_s, {}, {}}));
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"c"_s, {}, u"z"_s, {}, u"last"_s}));

    QCOMPARE(grid.TextMatrix(6, 0), QString());
    QCOMPARE(grid.TextMatrix(1, 3), QString());
    QCOMPARE(grid.TextMatrix(-1, 0), QString());
    grid.SetTextMatrix(1, 3, u"ignored"_s);
    QCOMPARE(grid.Cols(), 3);
}

void TestGrid::sortIgnoresCaseOnKeyColumns() {
    Grid grid;
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.SetCols(4);
    grid.SetFormatString(u"Name|City|Rec|Key"_s);
    grid.AddItem(u"smith\tBoston\t1\tz"_s);
    grid.AddItem(u"Adams\tchicago\t2\ty"_s);
    grid.AddItem(u"SMITH\tAustin\t3\tx"_s);
    grid.AddItem(u"adams\tChicago\t4\tw"_s);
    grid.AddItem(u"baker\tboston\t5\tv"_s);
    grid.SetColWidth(2, 0); // record numbers out of sight still travel with their rows

    grid.SetRow(5); // baker
    QSignalSpy cellChanged(&grid, &Grid::CurrentCellChanged);

    grid.SetCol(0);
    grid.SetColSel(1);
    grid.Sort();
    QCOMPARE(ColumnTexts(grid, 2), (QStringList{u"2"_s, u"4"_s, u"5"_s, u"3"_s, u"1"_s}));
    QCOMPARE(ColumnTexts(grid, 3), (QStringList{u"y"_s, u"w"_s, u"v"_s, u"x"_s, u"z"_s}));
    QCOMPARE(grid.TextMatrix(0, 0), u"Name"_s);
    QCOMPARE(grid.TextMatrix(0, 3), u"Key"_s);
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
    QCOMPARE(grid.TextMatrix(0, 2), u"Rec"_s);
}

void TestGrid::setRowHighlightsAndReports() {
    auto grid = ShownGrid(10, 4);
    QVERIFY(QTest::qWaitForWindowActive(grid.get()));
    grid->SetRow(0); // focus may have made row 1 current
    QList<int> reportedRows;
    connect(grid.get(), &Grid::CurrentCellChanged, grid.get(), [&] { reportedRows.append(grid->Row()); });
    const QItemSelectionModel& selection = *grid->selectionModel();

    QCOMPARE(grid->Row(), 0);
    grid->SetRow(3);
    QCOMPARE(grid->Row(), 3);
    QVERIFY(selection.isRowSelected(2));
    QCOMPARE(selection.selectedRows().size(), 1);
    grid->SetRow(3); // no change, no report
    QCOMPARE(reportedRows, QList<int>{3});

    grid->SetCol(2);
    grid->SetColSel(3);
    QCOMPARE(grid->Col(), 2);
    QCOMPARE(grid->ColSel(), 3);
    QVERIFY(selection.isRowSelected(2));

    grid->SetRow(5);
    QCOMPARE(grid->ColSel(), 2); // moving the row collapses the column range
    QVERIFY(selection.isRowSelected(4));
    QVERIFY(!selection.isRowSelected(2));

    grid->SetRow(11); // beyond the last row: ignored
    QCOMPARE(grid->Row(), 5);
    grid->SetRow(0);
    QCOMPARE(grid->Row(), 0);
    QVERIFY(!selection.hasSelection());

    grid->SetRow(4);
    grid->SetRows(1); // the current row goes with the rows
    QCOMPARE(grid->Row(), 0);
    QCOMPARE(reportedRows, (QList<int>{3, 3, 5, 0, 4, 0}));
}

void TestGrid::userClicksKeysAndDoubleClicks() {
    auto grid = ShownGrid(6, 5, {300, 300});
    grid->SetColWidth(0, 3000); // columns 3 and 4 lie beyond the right edge
    QVERIFY(!grid->ColIsVisible(3));
    QSignalSpy cellChanged(grid.get(), &Grid::CurrentCellChanged);
    QSignalSpy doubleClicked(grid.get(), &Grid::DoubleClicked);

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(*grid, 4, 1));
    QCOMPARE(grid->Row(), 4);
    QCOMPARE(grid->Col(), 1);
    QCOMPARE(cellChanged.size(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(*grid, 4, 1));
    QVERIFY(grid->selectionModel()->isRowSelected(3));

    // A click below the last row keeps the highlight.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, grid->viewport()->height() - 2));
    QCOMPARE(grid->Row(), 4);
    QVERIFY(grid->selectionModel()->isRowSelected(3));

    QTest::keyClick(grid->viewport(), Qt::Key_Down);
    QCOMPARE(grid->Row(), 5);
    QTest::keyClick(grid->viewport(), Qt::Key_Right);
    QTest::keyClick(grid->viewport(), Qt::Key_Right);
    QTest::keyClick(grid->viewport(), Qt::Key_Right);
    QCOMPARE(grid->Col(), 4);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0); // the hidden column did not scroll into view
    QVERIFY(!grid->ColIsVisible(3));

    DoubleClick(grid->viewport(), CellCentre(*grid, 2, 0));
    QCOMPARE(doubleClicked.size(), 1);
    QCOMPARE(grid->Row(), 2);
    DoubleClick(grid->viewport(), QPoint(5, grid->viewport()->height() - 2));
    QCOMPARE(doubleClicked.size(), 1);
}

void TestGrid::topRowScrolls() {
    auto grid = ShownGrid(200, 3);
    grid->SetTopRow(50);
    QCOMPARE(grid->TopRow(), 50);
    QCOMPARE(grid->rowAt(0), 49);

    grid->SetTopRow(1000); // as far as the rows go: the last row at the bottom, fully shown
    const int top = grid->TopRow();
    QVERIFY(top > 150 && top < 200);
    QVERIFY(grid->rowViewportPosition(top - 1) >= 0); // the top row is wholly in view
    QVERIFY(grid->rowViewportPosition(top - 2) < 0);
    QVERIFY(grid->rowViewportPosition(199) + grid->rowHeight(199) <= grid->viewport()->height());
    grid->SetTopRow(top); // what was read scrolls back to the same place
    QCOMPARE(grid->TopRow(), top);

    grid->SetTopRow(1);
    grid->SetRow(120); // highlighting a row brings it into view
    const int y = grid->rowViewportPosition(119);
    QVERIFY(y >= 0 && y + grid->rowHeight(119) <= grid->viewport()->height());

    // A grid filled while hidden scrolls too.
    Grid hidden;
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
    // The list windows widen column 0 in steps until column 3 leaves the view, once on a shown
    // grid and once on a grid hidden for filling; both must stop at the same width.
    const auto widen = [](Grid& grid) {
        for (int c = 0; c < 5; ++c)
            grid.SetColWidth(c, 1000);
        grid.SetColWidth(0, 2000);
        int steps = 0;
        while (grid.ColIsVisible(3) && steps < 1000) {
            grid.SetColWidth(0, grid.ColWidth(0) + 18);
            ++steps;
        }
        return steps;
    };

    auto shown = ShownGrid(40, 5, {400, 200}); // enough rows for a vertical scroll bar
    QVERIFY(shown->ColIsVisible(3));
    const int shownSteps = widen(*shown);
    QVERIFY(shownSteps > 0 && shownSteps < 1000);
    QCOMPARE(shown->ColWidth(0), 2000 + 18 * shownSteps);
    QVERIFY(!shown->ColIsVisible(3));
    QVERIFY(!shown->ColIsVisible(4));
    QVERIFY(shown->ColIsVisible(2));
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
    shown->setColumnWidth(0, 0);
    QVERIFY(!shown->ColIsVisible(0));
}

void TestGrid::widthsAndHeightsInTwips() {
    Grid grid;
    grid.SetCols(3);
    grid.AddItem(u"a"_s);
    const qreal dpiX = grid.screen()->logicalDotsPerInchX();

    grid.SetColWidth(0, 1440);
    QCOMPARE(grid.columnWidth(0), qRound(dpiX));
    QCOMPARE(grid.ColWidth(0), 1440);
    grid.SetColWidth(1, 4000);
    for (int i = 0; i < 10; ++i)
        grid.SetColWidth(1, grid.ColWidth(1) + 15);
    QCOMPARE(grid.ColWidth(1), 4150);
    QCOMPARE(grid.columnWidth(1), qRound(4150 * dpiX / 1440));
    grid.setColumnWidth(1, 50); // changed behind its back: read from the pixels
    QCOMPARE(grid.ColWidth(1), qRound(50 * 1440 / dpiX));
    grid.SetColWidth(1, -1);
    QCOMPARE(grid.columnWidth(1), grid.horizontalHeader()->defaultSectionSize());
    QCOMPARE(grid.ColWidth(7), 0);

    QCOMPARE(TwipsToPixelsX(720), qRound(dpiX / 2));
    QCOMPARE(PixelsToTwipsY(TwipsToPixelsY(2880, &grid), &grid), 2880);

    // The admin window sizes its grid from the heading row before showing it.
    const int headingTwips = grid.RowHeight(0);
    QVERIFY(headingTwips > 0);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.RowHeight(0), headingTwips);
    QCOMPARE(PixelsToTwipsY(grid.horizontalHeader()->height(), &grid), headingTwips);
    QVERIFY(grid.horizontalHeader()->font().bold());
    QVERIFY(grid.verticalHeader()->isHidden());
    QVERIFY(grid.rowHeight(0) < 2 * grid.fontMetrics().height()); // compact rows
}

void TestGrid::shadedRows() {
    auto grid = ShownGrid(6, 3);
    const QColor shade(240, 240, 240);
    for (int row = 2; row < grid->Rows(); row += 2)
        grid->SetRowBackColor(row, shade);

    const auto background = [&](int row, int col) {
        return grid->model()->data(grid->model()->index(row - 1, col), Qt::BackgroundRole);
    };
    for (int row = 1; row <= 6; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (row % 2 == 0)
                QCOMPARE(background(row, col).value<QBrush>().color(), shade);
            else
                QVERIFY(!background(row, col).isValid());
        }
    }

    // On screen, beside the short text of an unselected shaded row.
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    const QImage image = grid->viewport()->grab().toImage();
    QCOMPARE(QColor(image.pixel(cell.right() - 3, cell.center().y())), shade);

    grid->SetCol(0);
    grid->SetColSel(0);
    grid->SetTextMatrix(1, 0, u"z"_s);
    grid->Sort(); // shading stays alternate
    QCOMPARE(grid->TextMatrix(6, 0), u"z"_s);
    QVERIFY(!background(1, 0).isValid());
    QVERIFY(background(2, 0).isValid());

    grid->SetRows(1);
    grid->AddItem(u"new"_s);
    grid->AddItem(u"new"_s);
    QVERIFY(!background(2, 0).isValid());
}

void TestGrid::mouseRow() {
    auto grid = ShownGrid(3, 2);
    QSignalSpy moved(grid.get(), &Grid::MouseMoved);

    QTest::mouseMove(grid->viewport(), CellCentre(*grid, 2, 1));
    QTRY_COMPARE(grid->MouseRow(), 2);
    QVERIFY(!moved.isEmpty());

    QTest::mouseMove(grid->horizontalHeader()->viewport(),
                     QPoint(10, grid->horizontalHeader()->height() / 2));
    QTRY_COMPARE(grid->MouseRow(), 0);

    QTest::mouseMove(grid->viewport(), QPoint(10, grid->viewport()->height() - 5)); // below the rows
    QTRY_COMPARE(grid->MouseRow(), -1);
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
    QList<int> currentAtClick;
    QList<bool> pageShownAtClick;
    connect(&tabs, &TabControl::Click, &tabs, [&](int previousTab) {
        previous.append(previousTab);
        currentAtClick.append(tabs.Tab());
        pageShownAtClick.append(pages.at(tabs.Tab())->isVisible());
    });

    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    QCOMPARE(previous, QList<int>{0});
    QCOMPARE(currentAtClick, QList<int>{1});
    QCOMPARE(pageShownAtClick, QList<bool>{true});

    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    QCOMPARE(previous.size(), 1); // the current tab again: no change, no click

    tabs.SetTab(2);
    QCOMPARE(tabs.Tab(), 2);
    QVERIFY(pages.at(2)->isVisible());
    QVERIFY(!pages.at(1)->isVisible());
    tabs.SetTab(7);
    QCOMPARE(tabs.Tab(), 2);
    tabs.setCurrentIndex(1); // the widget's own setter is the program's too
    tabs.setCurrentIndex(2);
    QCOMPARE(previous.size(), 1);

    QTest::keyClick(&tabs, Qt::Key_Tab, Qt::ControlModifier); // wraps round to the first page
    QCOMPARE(tabs.Tab(), 0);
    QCOMPARE(previous, (QList<int>{0, 2}));

    // A handler that moves the page itself raises no further click.
    const auto handler = connect(&tabs, &TabControl::Click, &tabs, [&] { tabs.SetTab(2); });
    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    disconnect(handler);
    QCOMPARE(previous, (QList<int>{0, 2, 0}));
    QCOMPARE(tabs.Tab(), 2);
}

void TestGrid::tabDisableAndHeight() {
    TabControl tabs;
    tabs.addTab(new QLabel(u"list"_s), u"Employee List"_s);
    tabs.addTab(new QLabel(u"options"_s), u"List Display Options"_s);
    tabs.resize(400, 300);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    QSignalSpy clicks(&tabs, &TabControl::Click);

    tabs.SetTabCaption(0, u"New Entry"_s);
    QCOMPARE(tabs.tabText(0), u"New Entry"_s);

    tabs.SetTabEnabled(1, false);
    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    QCOMPARE(tabs.Tab(), 0);
    QVERIFY(clicks.isEmpty());

    tabs.SetTabEnabled(0, false); // the current page stays
    QCOMPARE(tabs.Tab(), 0);
    QVERIFY(tabs.widget(0)->isVisible());
    QVERIFY(clicks.isEmpty());

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
    QStringList names;
    names.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        QString name;
        for (int j = 0; j < 8; ++j) {
            const auto letter = char16_t(u'a' + random.bounded(26));
            name.append(random.bounded(2) ? QChar(letter).toUpper() : QChar(letter));
        }
        names.append(name);
    }

    QElapsedTimer timer;
    timer.start();
    grid.SetRows(1);
    {
        Grid::Batch batch(grid);
        for (int i = 0; i < Count; ++i)
            grid.AddItem(names.at(i) + u"\tx\ty\t"_s + QString::number(i) + u'\t' + names.at(i));
    }
    const qint64 fillMs = timer.restart();
    grid.SetCol(0);
    grid.SetColSel(0);
    grid.Sort();
    const qint64 sortMs = timer.elapsed();
    qDebug("100000 rows: batch fill %lld ms, sort %lld ms", fillMs, sortMs);

    QCOMPARE(grid.Rows(), Count + 1);
    std::vector<bool> seen(Count);
    for (int row = 1; row <= Count; ++row) {
        if (row > 1)
            QVERIFY(QString::compare(grid.TextMatrix(row - 1, 0), grid.TextMatrix(row, 0),
                                     Qt::CaseInsensitive) <= 0);
        const int record = grid.TextMatrix(row, 3).toInt();
        QVERIFY(!seen[std::size_t(record)]);
        seen[std::size_t(record)] = true;
        QCOMPARE(grid.TextMatrix(row, 4), names.at(record)); // the row moved whole
    }
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
