#include "platform/flexgrid.h"
#include "support/testenv.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QItemSelectionModel>
#include <gtest/gtest.h>

namespace {

// A grid of 1 header row and n data rows, texts "r,c".
std::unique_ptr<FlexGrid> MakeGrid(int dataRows, int cols)
{
    auto g = std::make_unique<FlexGrid>();
    g->setFixedCols(0);
    std::vector<QString> cells;
    for (int r = 0; r <= dataRows; ++r)
        for (int c = 0; c < cols; ++c)
            cells.push_back(r == 0 ? QStringLiteral("H%1").arg(c) : QStringLiteral("%1,%2").arg(r).arg(c));
    g->setAll(dataRows + 1, cols, std::move(cells));
    return g;
}

QStringList Column(const FlexGrid& g, int c)
{
    QStringList out;
    for (int r = 0; r < g.rows(); ++r)
        out << g.textMatrix(r, c);
    return out;
}

} // namespace

TEST(FlexGrid, StartsAsTheClassicTwoByTwoGrid)
{
    FlexGrid g;
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(g.cols(), 2);
    EXPECT_EQ(g.fixedRows(), 1);
    EXPECT_EQ(g.fixedCols(), 1);
    EXPECT_EQ(g.row(), 1);
    EXPECT_EQ(g.col(), 1);
    EXPECT_EQ(g.model()->rowCount(), 1); // row 0 is the header
}

TEST(FlexGrid, AddItemAppendsOrInsertsAndRemoveItemTakesTheRowOut)
{
    auto g = MakeGrid(2, 3);
    g->addItem("a\tb\tc");
    EXPECT_EQ(g->rows(), 4);
    EXPECT_EQ(g->rowTexts(3), QStringList({"a", "b", "c"}));
    g->addItem("x", 1); // short rows leave the rest empty
    EXPECT_EQ(Column(*g, 0), QStringList({"H0", "x", "1,0", "2,0", "a"}));
    EXPECT_EQ(g->textMatrix(1, 2), "");
    g->addItem("t\tu\tv\tignored");
    EXPECT_EQ(g->textMatrix(5, 2), "v");
    EXPECT_EQ(g->model()->rowCount(), 5);

    g->setRow(3);
    g->removeItem(1); // above the current row: the current row follows its record
    EXPECT_EQ(g->row(), 2);
    EXPECT_EQ(g->textMatrix(2, 0), "2,0");
    g->setRow(4);
    g->removeItem(4); // the last row while current: the new last row is current
    EXPECT_EQ(g->rows(), 4);
    EXPECT_EQ(g->row(), 3);
    EXPECT_EQ(Column(*g, 0), QStringList({"H0", "1,0", "2,0", "a"}));
    g->removeItem(0); // the header stays
    g->removeItem(9);
    EXPECT_EQ(g->rows(), 4);

    // Down to the header alone, then up again.
    g->removeItem(1);
    g->removeItem(1);
    g->removeItem(1);
    EXPECT_EQ(g->rows(), 1);
    EXPECT_EQ(g->model()->rowCount(), 0);
    g->addItem("n\to\tp");
    EXPECT_EQ(g->rows(), 2);
    EXPECT_EQ(g->textMatrix(1, 1), "o");
    EXPECT_EQ(g->row(), 1);
}

TEST(FlexGrid, HeaderRowAndFixedRows)
{
    auto g = MakeGrid(2, 2);
    EXPECT_EQ(g->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "H1");
    g->setTextMatrix(0, 1, "备注");
    EXPECT_EQ(g->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "备注");
    EXPECT_EQ(g->model()->data(g->model()->index(0, 0)).toString(), "1,0");
    EXPECT_FALSE(g->horizontalHeader()->isHidden());

    // Without a fixed row, row 0 is an ordinary row of the table.
    g->setFixedRows(0);
    EXPECT_EQ(g->model()->rowCount(), 3);
    EXPECT_EQ(g->model()->data(g->model()->index(0, 1)).toString(), "备注");
    EXPECT_TRUE(g->horizontalHeader()->isHidden());
    g->setRow(0);
    EXPECT_EQ(g->selectionModel()->currentIndex().row(), 0);
}

TEST(FlexGrid, WidthZeroHidesAColumnAndTwipsArePixelsTimesFifteen)
{
    auto g = MakeGrid(3, 4);
    g->setColWidth(1, 0);
    g->setColWidth(2, 1500);
    EXPECT_TRUE(g->isColumnHidden(1));
    EXPECT_EQ(g->colWidth(1), 0);
    EXPECT_EQ(g->columnWidth(2), 100);
    EXPECT_EQ(g->colWidth(2), 1500);
    // Widths survive a refill of the same shape.
    std::vector<QString> cells(size_t(5) * 4, "z");
    g->setAll(5, 4, std::move(cells));
    EXPECT_TRUE(g->isColumnHidden(1));
    EXPECT_EQ(g->columnWidth(2), 100);
    g->setColWidth(1, 600);
    EXPECT_FALSE(g->isColumnHidden(1));
    EXPECT_EQ(g->columnWidth(1), 40);

    g->setRowHeight(2, 450);
    EXPECT_EQ(g->rowHeight(2), 450);
}

TEST(FlexGrid, MovingTheCurrentCellFiresRowColChangeByProgramAndByUser)
{
    auto g = MakeGrid(5, 3);
    g->setSelectionByRow(true);
    struct { int n = 0; int count() const { return n; } } spy;
    QObject::connect(g.get(), &FlexGrid::rowColChange, [&spy] { ++spy.n; });
    g->setRow(3);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(g->row(), 3);
    EXPECT_EQ(g->rowSel(), 3);
    EXPECT_TRUE(g->selectionModel()->isRowSelected(2, {}));
    g->setRow(3); // no change, no event
    EXPECT_EQ(spy.count(), 1);
    g->setCol(2);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(g->col(), 2);

    // The user moving the cell (a click, the arrow keys) is seen the same way.
    g->selectionModel()->setCurrentIndex(g->model()->index(0, 1), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_EQ(g->row(), 1);
    EXPECT_EQ(g->col(), 1);

    // Structural changes move the cell quietly.
    g->setRows(2);
    EXPECT_EQ(g->row(), 1);
    g->setRow(1);
    g->removeItem(1);
    EXPECT_EQ(spy.count(), 3);
}

TEST(FlexGrid, SetAllReplacesEverythingAndClampsTheCurrentRow)
{
    auto g = MakeGrid(10, 2);
    g->setRow(9);
    g->setCellBackColor(4, 1, Qt::red);
    g->setCellFontBold(4, 1, true);
    std::vector<QString> cells = {"A", "B", "C", "a1", "b1", "c1", "a2", "b2", "c2"};
    g->setAll(3, 3, std::move(cells));
    EXPECT_EQ(g->rows(), 3);
    EXPECT_EQ(g->cols(), 3);
    EXPECT_EQ(g->textMatrix(0, 2), "C");
    EXPECT_EQ(g->textMatrix(2, 2), "c2");
    EXPECT_EQ(g->row(), 2);
    EXPECT_FALSE(g->cellBackColor(4, 1).isValid());
    EXPECT_FALSE(g->cellFontBold(4, 1));

    // A short vector leaves the missing cells empty rather than reading past it.
    g->setAll(3, 2, std::vector<QString>{"x"});
    EXPECT_EQ(g->textMatrix(0, 0), "x");
    EXPECT_EQ(g->textMatrix(2, 1), "");

    g->clear();
    EXPECT_EQ(g->textMatrix(0, 0), "");
    EXPECT_EQ(g->rows(), 3);
}

TEST(FlexGrid, SetColsKeepsTheTextsOfTheRemainingColumns)
{
    auto g = MakeGrid(2, 3);
    g->setCols(5);
    EXPECT_EQ(g->textMatrix(2, 2), "2,2");
    EXPECT_EQ(g->textMatrix(2, 4), "");
    g->setCols(2);
    EXPECT_EQ(g->rowTexts(1), QStringList({"1,0", "1,1"}));
    EXPECT_EQ(g->textMatrix(1, 2), "");
}

TEST(FlexGrid, MergingJoinsAdjacentEqualTexts)
{
    auto g = std::make_unique<FlexGrid>();
    g->setFixedCols(0);
    g->setAll(6, 3, {"H", "H", "H",
                     "a", "1", "x",
                     "a", "2", "x",
                     "a", "2", "y",
                     "b", "b", "b",
                     "a", "3", "z"});
    g->setMergeCells(true);
    g->setMergeCol(0, true);
    g->setMergeRow(4, true);
    g->refreshMerges();
    EXPECT_EQ(g->rowSpan(0, 0), 3);    // rows 1-3, "a"
    EXPECT_EQ(g->rowSpan(4, 0), 1);    // the last "a" stands apart from the first run
    EXPECT_EQ(g->columnSpan(3, 0), 3); // row 4: "b" "b" "b"
    EXPECT_EQ(g->rowSpan(1, 1), 1);    // column 1 is not merged

    // A change of text is taken into account once the loop runs.
    g->setTextMatrix(2, 0, "c");
    Pump();
    EXPECT_EQ(g->rowSpan(0, 0), 1);

    g->setMergeCells(false);
    EXPECT_EQ(g->columnSpan(3, 0), 1);
}

TEST(FlexGrid, CellColoursFontsAlignmentAndRects)
{
    auto g = MakeGrid(3, 2);
    g->setCellBackColor(2, 1, QColor(255, 255, 192));
    g->setCellForeColor(2, 1, Qt::blue);
    g->setCellFontBold(2, 1, true);
    g->setColAlignment(1, Qt::AlignRight);
    const QModelIndex i = g->model()->index(1, 1);
    EXPECT_EQ(g->model()->data(i, Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 192));
    EXPECT_EQ(g->model()->data(i, Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    EXPECT_TRUE(g->model()->data(i, Qt::FontRole).value<QFont>().bold());
    EXPECT_TRUE(g->model()->data(i, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_FALSE(g->model()->data(g->model()->index(0, 1), Qt::BackgroundRole).isValid());

    // Colours belong to cells: a row inserted above drops them rather than
    // leaving them on the wrong record.
    g->addItem("new", 1);
    EXPECT_FALSE(g->cellBackColor(2, 1).isValid());

    g->resize(300, 200);
    g->show();
    const QRect r = g->cellRect(2, 1);
    EXPECT_NEAR(r.width(), g->columnWidth(1), 1); // less the grid line
    EXPECT_EQ(r.top(), g->rowViewportPosition(1));
    EXPECT_EQ(r.left(), g->columnViewportPosition(1));
}

TEST(FlexGrid, TopRowScrollsTheList)
{
    auto g = MakeGrid(200, 2);
    g->resize(200, 120);
    g->show();
    Pump();
    g->setTopRow(50);
    EXPECT_EQ(g->topRow(), 50);
    EXPECT_EQ(g->rowAt(0), 49);
}

TEST(FlexGrid, TabAndHidingLeaveTheCurrentCellAlone)
{
    QWidget page;
    auto* lay = new QVBoxLayout(&page);
    auto* g = new FlexGrid;
    auto* next = new QLineEdit;
    lay->addWidget(g);
    lay->addWidget(next);
    g->setFixedCols(0);
    g->setSelectionByRow(true);
    g->setAll(4, 2, {"H0", "H1", "a", "b", "c", "d", "e", "f"});
    page.show();
    QApplication::setActiveWindow(&page);
    Pump();
    g->setRow(2);
    g->setFocus();
    int changes = 0;
    QObject::connect(g, &FlexGrid::rowColChange, [&changes] { ++changes; });

    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(g, &tab);
    EXPECT_TRUE(next->hasFocus());
    g->setFocus();
    // A list page hides its focused grid when the detail page is shown.
    g->hide();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(g->row(), 2);
}
