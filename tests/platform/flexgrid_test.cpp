#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "support/testenv.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <functional>
#include <string>
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

// Rows "r,0" from a list of `gives` data rows, after the ones a grid holds.
class CountingSource : public FlexRowSource {
public:
    CountingSource(int gives, int* ended)
        : m_gives(gives),
          m_ended(ended)
    {
    }
    bool fetch(FlexTextStore& store, int rows) override
    {
        while (store.rows() < rows && store.rows() <= m_gives) {
            store.addCell(QStringView(QStringLiteral("%1,0").arg(store.rows())));
            store.endRow();
        }
        return store.rows() <= m_gives;
    }
    void ended() override { ++*m_ended; }

private:
    int m_gives;
    int* m_ended;
};

// A grid holding the header and the first `held` of `counted` rows ("r,0"),
// the rest in `rest`.
std::unique_ptr<FlexGrid> MakeGridOver(int held, int counted, std::unique_ptr<FlexRowSource> rest)
{
    auto g = std::make_unique<FlexGrid>();
    g->setFixedCols(0);
    g->setCols(1);
    FlexTextStore store = g->startFill();
    for (int r = 1; r <= held; ++r) {
        store.addCell(QStringView(QStringLiteral("%1,0").arg(r)));
        store.endRow();
    }
    g->setAll(std::move(store), counted < 0 ? -1 : counted + 1, std::move(rest));
    return g;
}

// The rest in a source that gives `gives` rows in all.
std::unique_ptr<FlexGrid> MakeLongGrid(int held, int counted, int gives, int* ended)
{
    return MakeGridOver(held, counted, std::make_unique<CountingSource>(gives, ended));
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

TEST(FlexGrid, ARowOfCellsKeepsATabInsideItsCell)
{
    auto g = MakeGrid(1, 3);
    g->addItem(QStringList{"华东\tEast China", "b"});
    EXPECT_EQ(g->rowTexts(2), QStringList({"华东\tEast China", "b", ""}));
    g->addItem(QStringList{"x\ty", "z"}, 1);
    EXPECT_EQ(Column(*g, 1), QStringList({"H1", "z", "1,1", "b"}));
}

TEST(FlexGrid, ACellValueBelongsToItsTextAndMovesWithItsRow)
{
    auto g = MakeGrid(3, 3);
    g->setCellValue(2, 1, 11.55);
    g->setTextMatrix(2, 1, "2,1"); // the same text: still the value behind it
    g->addItem("new", 1);
    EXPECT_FALSE(g->cellValue(2, 1).isValid());
    EXPECT_EQ(g->cellValue(3, 1).toDouble(), 11.55);
    g->removeItem(1);
    EXPECT_EQ(g->cellValue(2, 1).toDouble(), 11.55);
    g->setTextMatrix(2, 1, "11.6");
    EXPECT_FALSE(g->cellValue(2, 1).isValid());
    g->setCellValue(3, 2, 1.0);
    g->removeItem(3);
    g->setCellValue(1, 0, 1.0);
    g->clear();
    EXPECT_EQ(g->cellValue(3, 2).isValid() || g->cellValue(1, 0).isValid(), false);
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

namespace {

// The quote grid's shape: two caption rows, one fixed column, captions that
// merge across row 0 and down columns 0 and 1.
std::unique_ptr<FlexGrid> MakeCaptionGrid()
{
    auto g = std::make_unique<FlexGrid>();
    g->setCols(6);
    g->setFixedRows(2);
    g->setRows(2);
    const QStringList top = {"区域", "区域名称", "文件资料", "文件资料", "小包裹", "小包裹"};
    const QStringList low = {"区域", "区域名称", "首0.5Kg", "续0.5Kg", "首1.0Kg", "续1.0Kg"};
    for (int c = 0; c < 6; ++c) {
        g->setTextMatrix(0, c, top[c]);
        g->setTextMatrix(1, c, low[c]);
        g->setColWidth(c, 750);
    }
    for (int i = 0; i < 40; ++i)
        g->addItem(QStringLiteral("Z%1\t区域%1\t12.0\t3.0\t15.0\t4.0").arg(i));
    g->setMergeCells(true);
    g->setMergeRow(0, true);
    g->setMergeCol(0, true);
    g->setMergeCol(1, true);
    QPalette pal = g->palette();
    pal.setColor(QPalette::Button, QColor(230, 230, 230));
    pal.setColor(QPalette::Dark, QColor(0, 0, 0));
    g->setPalette(pal);
    g->resize(320, 200);
    return g;
}

// Whether the fixed cells' grid line is drawn at a point of the viewport's
// coordinates (fixed cells lie above and left of the viewport).
bool LineAt(FlexGrid& g, QPoint viewportPoint)
{
    const QImage img = g.grab().toImage();
    return img.pixelColor(g.viewport()->mapTo(&g, viewportPoint)) == QColor(0, 0, 0);
}

} // namespace

TEST(FlexGrid, SeveralFixedRowsAndColumnsStandOutsideTheScrollingCells)
{
    auto g = MakeCaptionGrid();
    EXPECT_EQ(g->fixedRows(), 2);
    EXPECT_EQ(g->fixedCols(), 1);
    EXPECT_EQ(g->model()->rowCount(), 40);
    EXPECT_EQ(g->model()->columnCount(), 5);
    EXPECT_EQ(g->model()->data(g->model()->index(0, 0)).toString(), "区域0");
    EXPECT_EQ(g->model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "续0.5Kg");
    EXPECT_EQ(g->row(), 2);
    EXPECT_EQ(g->col(), 1);
    EXPECT_EQ(g->textMatrix(1, 3), "续0.5Kg");

    // Rows go in below the captions and never take one out.
    g->addItem("top", 0);
    EXPECT_EQ(g->textMatrix(2, 0), "top");
    g->removeItem(1);
    EXPECT_EQ(g->rows(), 43);
    g->removeItem(2);
    EXPECT_EQ(g->textMatrix(2, 0), "Z0");

    // The program may still name a caption row as current (a counter before
    // any quote is chosen); nothing is then selected.
    g->setRow(1);
    EXPECT_EQ(g->row(), 1);
    EXPECT_FALSE(g->selectionModel()->currentIndex().isValid());

    // Arrow keys never reach a fixed cell.
    g->show();
    g->setRow(2);
    g->setCol(1);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(g.get(), &left);
    EXPECT_EQ(g->col(), 1);
}

TEST(FlexGrid, FixedCellsStayInPlaceWhileTheCellsScroll)
{
    auto g = MakeCaptionGrid();
    g->setColWidth(0, 900);
    g->setColWidth(4, 1500);
    g->setRowHeight(0, 450);
    g->show();
    Pump();
    EXPECT_EQ(g->verticalHeader()->width(), 60);
    EXPECT_EQ(g->horizontalHeader()->height(), 30 + TwipsToPx(g->rowHeight(1)));
    EXPECT_EQ(g->rowHeight(0), 450);
    const QRect code = g->cellRect(5, 0);
    const QRect caption = g->cellRect(1, 2);
    EXPECT_EQ(code.left(), -60);
    EXPECT_EQ(code.width(), 60);
    EXPECT_EQ(caption.top(), 30 - g->horizontalHeader()->height());

    g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum());
    g->setTopRow(20);
    EXPECT_EQ(g->cellRect(20, 0).left(), -60); // the fixed column stays put
    EXPECT_EQ(g->cellRect(20, 0).top(), 0);    // and moves with its rows
    EXPECT_LT(g->cellRect(1, 2).left(), caption.left()); // captions go with their columns
    EXPECT_EQ(g->cellRect(1, 2).top(), caption.top());

    // A hidden fixed column takes no room.
    g->setColWidth(0, 0);
    EXPECT_EQ(g->verticalHeader()->width(), 0);
}

TEST(FlexGrid, FixedCellsMergeAcrossAndDown)
{
    auto g = MakeCaptionGrid();
    g->setCellAlignment(0, 2, Qt::AlignCenter);
    g->show();
    Pump();
    auto boundaryRight = [&](int r, int c) {
        const QRect rc = g->cellRect(r, c);
        return QPoint(rc.right(), rc.top() + 1);
    };
    auto boundaryBelow = [&](int r, int c) {
        const QRect rc = g->cellRect(r, c);
        return QPoint(rc.left() + 1, rc.bottom());
    };
    // Row 0 merges its equal captions; row 1 does not.
    EXPECT_FALSE(LineAt(*g, boundaryRight(0, 2)));
    EXPECT_TRUE(LineAt(*g, boundaryRight(0, 3)));
    EXPECT_TRUE(LineAt(*g, boundaryRight(1, 2)));
    // Columns 0 and 1 merge down the two caption rows (0 in the corner).
    EXPECT_FALSE(LineAt(*g, boundaryBelow(0, 0)));
    EXPECT_FALSE(LineAt(*g, boundaryBelow(0, 1)));
    EXPECT_TRUE(LineAt(*g, boundaryBelow(0, 2)));
    // The fixed column's data cells are all different: each has its line.
    EXPECT_TRUE(LineAt(*g, boundaryBelow(2, 0)));
    g->setTextMatrix(3, 0, "Z0");
    EXPECT_FALSE(LineAt(*g, boundaryBelow(2, 0)));

    // A fixed cell takes its own colour.
    g->setCellBackColor(1, 4, Qt::red);
    const QImage img = g->grab().toImage();
    EXPECT_EQ(img.pixelColor(g->viewport()->mapTo(g.get(), g->cellRect(1, 4).topLeft() + QPoint(1, 1))),
              QColor(Qt::red));

    g->setMergeCells(false);
    EXPECT_TRUE(LineAt(*g, boundaryRight(0, 2)));
    EXPECT_TRUE(LineAt(*g, boundaryBelow(0, 1)));
    EXPECT_EQ(g->cellAlignment(0, 2), Qt::AlignCenter);
    EXPECT_EQ(g->cellAlignment(0, 3), Qt::AlignLeft | Qt::AlignVCenter);
}

TEST(FlexGrid, StylesMoveWithTheirRows)
{
    // Each step: what is done, then the row that the styled cell is on (-1: gone).
    struct Step {
        const char* what;
        std::function<void(FlexGrid&)> act;
        int row;
    };
    const std::vector<Step> steps = {
        {"insert above", [](FlexGrid& g) { g.addItem("new", 1); }, 4},
        {"insert below", [](FlexGrid& g) { g.addItem("new", 6); }, 4},
        {"append", [](FlexGrid& g) { g.addItem("new"); }, 4},
        {"remove above", [](FlexGrid& g) { g.removeItem(2); }, 3},
        {"remove below", [](FlexGrid& g) { g.removeItem(5); }, 3},
        {"remove its row", [](FlexGrid& g) { g.removeItem(3); }, -1},
    };
    auto g = MakeGrid(6, 3);
    g->setCellBackColor(3, 1, Qt::red);
    g->setCellForeColor(3, 1, Qt::blue);
    g->setCellFontBold(3, 1, true);
    g->setCellAlignment(3, 1, Qt::AlignRight);
    g->setCellBackColor(0, 0, Qt::green); // a row the steps never move
    for (const Step& s : steps) {
        s.act(*g);
        for (int r = 1; r < g->rows(); ++r) {
            const bool here = r == s.row;
            EXPECT_EQ(g->cellBackColor(r, 1) == QColor(Qt::red), here) << s.what << " row " << r;
            EXPECT_EQ(g->cellFontBold(r, 1), here) << s.what << " row " << r;
            EXPECT_EQ(g->cellForeColor(r, 1) == QColor(Qt::blue), here) << s.what << " row " << r;
            EXPECT_EQ(g->cellAlignment(r, 1) == (Qt::AlignRight | Qt::AlignVCenter), here) << s.what << " row " << r;
        }
        if (s.row > 0) {
            EXPECT_EQ(g->textMatrix(s.row, 0), QStringLiteral("3,0")) << s.what;
        }
    }
    EXPECT_EQ(g->cellBackColor(0, 0), QColor(Qt::green));

    // Rows cut away take their styles along.
    g->setCellBackColor(4, 2, Qt::red);
    g->setRows(4);
    g->setRows(6);
    EXPECT_FALSE(g->cellBackColor(4, 2).isValid());
}

TEST(FlexGrid, BulkFillFromUtf8KeepsTheCaptionsAndTakesEdits)
{
    auto g = MakeCaptionGrid();
    FlexTextStore s = g->startFill();
    EXPECT_EQ(s.rows(), 2);
    for (int r = 0; r < 1000; ++r) {
        std::string code = "W";
        code += std::to_string(r);
        s.addCell(code.data(), qsizetype(code.size()));
        s.addCell("客户");
        s.endRow();
    }
    g->setCellBackColor(5, 2, Qt::red);
    g->setAll(std::move(s));
    EXPECT_EQ(g->rows(), 1002);
    EXPECT_EQ(g->cols(), 6);
    EXPECT_EQ(g->textMatrix(1, 2), "首0.5Kg");
    EXPECT_EQ(g->textMatrix(1001, 0), "W999");
    EXPECT_EQ(g->textUtf8(2, 1), "客户");
    EXPECT_EQ(g->textMatrix(2, 5), "");
    EXPECT_FALSE(g->cellBackColor(5, 2).isValid());
    EXPECT_EQ(g->model()->data(g->model()->index(999, 0)).toString(), "客户");

    g->setTextMatrix(500, 1, "改过的名字");
    g->setTextMatrix(500, 5, "9.5");
    g->setTextMatrix(0, 2, "文件");
    EXPECT_EQ(g->rowTexts(500), QStringList({"W498", "改过的名字", "", "", "", "9.5"}));
    EXPECT_EQ(g->textMatrix(0, 2), "文件");
    EXPECT_EQ(g->textMatrix(501, 1), "客户");
}

TEST(FlexGrid, AColumnWidthDraggedByTheUserIsItsWidth)
{
    auto g = MakeGrid(3, 3);
    g->setColWidth(1, 1500);
    g->horizontalHeader()->resizeSection(1, 40);
    EXPECT_EQ(g->colWidth(1), 600);
}

TEST(FlexGrid, ALongListReachesEveryRowAndEndsWithTheRowsItsSourceGave)
{
    struct Case {
        const char* what;
        int counted, gives;
    };
    const Case cases[] = {
        {"as counted", 20000, 20000},
        {"fewer than counted", 20000, 15000},
        {"more than counted", 20000, 20003},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int ended = 0;
        auto g = MakeLongGrid(100, c.counted, c.gives, &ended);
        EXPECT_EQ(g->rows(), c.counted + 1);
        EXPECT_EQ(g->model()->rowCount(), c.counted);
        EXPECT_EQ(g->takenRows(), 101);
        EXPECT_EQ(g->textMatrix(50, 0), "50,0");
        EXPECT_EQ(g->textMatrix(5000, 0), "5000,0");
        EXPECT_LT(g->takenRows(), c.counted);
        EXPECT_EQ(ended, 0);
        g->setRow(c.counted); // End
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(g->rows(), c.gives + 1);
        EXPECT_EQ(g->model()->rowCount(), c.gives);
        EXPECT_EQ(g->row(), std::min(c.counted, c.gives));
        EXPECT_EQ(g->textMatrix(c.gives, 0), QStringLiteral("%1,0").arg(c.gives));
    }
}

TEST(FlexGrid, ALongListTakesTheRowsScrolledIntoViewAndAllOfThemBeforeAChange)
{
    int ended = 0;
    auto g = MakeLongGrid(100, 50000, 50000, &ended);
    g->resize(300, 400);
    g->show();
    g->verticalScrollBar()->setValue(30000);
    EXPECT_GT(g->takenRows(), 30000 + 10);
    EXPECT_LT(g->takenRows(), 50000);
    // A row inserted among them takes every row first.
    g->addItem("new", 2);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(g->rows(), 50002);
    EXPECT_EQ(g->textMatrix(50001, 0), "50000,0");
    EXPECT_EQ(g->textMatrix(2, 0), "new");

    // Emptied, the rows not taken go with their source, unasked.
    auto h = MakeLongGrid(100, 50000, 50000, &ended);
    h->clear();
    EXPECT_EQ(h->rows(), 50001);
    EXPECT_EQ(h->textMatrix(50000, 0), "");
    EXPECT_EQ(h->takenRows(), 50001);
    EXPECT_EQ(ended, 1);
}

namespace {

// Data rows "n,0" numbered on from `next` up to `last`, however many rows
// the grid took out meanwhile (a statement's rows).
class NumberedSource : public FlexRowSource {
public:
    NumberedSource(int next, int last, int* ended)
        : m_next(next),
          m_last(last),
          m_ended(ended)
    {
    }
    bool fetch(FlexTextStore& store, int rows) override
    {
        while (store.rows() < rows && m_next <= m_last) {
            store.addCell(QStringView(QStringLiteral("%1,0").arg(m_next++)));
            store.endRow();
        }
        return m_next <= m_last;
    }
    void ended() override { ++*m_ended; }

private:
    int m_next, m_last;
    int* m_ended;
};

std::unique_ptr<FlexGrid> MakeNumberedGrid(int held, int counted, int gives, int* ended)
{
    return MakeGridOver(held, counted, std::make_unique<NumberedSource>(held + 1, gives, ended));
}

void PressCtrlEnd(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(w, &press);
}

} // namespace

TEST(FlexGrid, ARowAddedAtTheEndOrTakenOutLeavesTheRestOfALongListWhereItIs)
{
    struct Case {
        const char* what;
        int counted; // -1: not counted
    };
    const Case cases[] = {{"counted", 50000}, {"not counted", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int ended = 0;
        auto g = MakeNumberedGrid(100, c.counted, 50000, &ended);
        const int before = g->rows();
        g->addItem("saved");
        g->removeItem(10); // "10,0", taken already
        EXPECT_EQ(g->takenRows(), 100);
        EXPECT_EQ(ended, 0);
        EXPECT_EQ(g->rows(), before);
        EXPECT_EQ(g->textMatrix(before - 1, 0), "saved");
        EXPECT_EQ(g->textMatrix(10, 0), "11,0");
        g->setTextMatrix(before - 1, 0, "shipped");
        g->setRow(before - 1); // the added row is current without the rows before it
        EXPECT_EQ(g->takenRows(), 100);
        EXPECT_EQ(g->rowTexts(g->row()), QStringList({"shipped"}));
        g->removeItem(before - 1);
        g->addItem("again");
        // A counted row not yet taken is taken with those before it.
        const bool counted = c.counted >= 0;
        if (counted)
            g->removeItem(150);
        EXPECT_EQ(g->takenRows(), counted ? 4195 : 100);
        EXPECT_EQ(ended, 0);
        g->takeAllRows();
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(g->rows(), counted ? 50000 : 50001);
        EXPECT_EQ(g->textMatrix(g->rows() - 2, 0), "50000,0");
        EXPECT_EQ(g->textMatrix(g->rows() - 1, 0), "again");
        EXPECT_EQ(g->textMatrix(150, 0), counted ? "152,0" : "151,0");
    }
}

TEST(FlexGrid, AListNotCountedGrowsAsTheViewNearsItsLastRowAndCtrlEndTakesItAll)
{
    int ended = 0;
    auto g = MakeNumberedGrid(100, -1, 30000, &ended);
    EXPECT_TRUE(g->uncounted());
    EXPECT_EQ(g->rows(), 101);
    g->resize(300, 400);
    g->show();
    g->setFocus();
    g->verticalScrollBar()->setValue(g->verticalScrollBar()->maximum());
    EXPECT_GT(g->rows(), 101);
    EXPECT_EQ(g->rows(), g->takenRows());
    EXPECT_EQ(ended, 0);
    const int grown = g->rows();
    g->setRow(grown - 1);
    EXPECT_EQ(g->textMatrix(grown - 1, 0), QStringLiteral("%1,0").arg(grown - 1));
    PressCtrlEnd(g.get());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(g->uncounted());
    EXPECT_EQ(g->rows(), 30001);
    EXPECT_EQ(g->row(), 30000);
}

TEST(FlexGrid, TheBusyPointerIsUpOnlyWhileManyRowsAreTaken)
{
    // The pointer each fetch of the source saw.
    class NotingSource : public NumberedSource {
    public:
        NotingSource(int next, int last, int* ended, std::vector<bool>* seen)
            : NumberedSource(next, last, ended),
              m_seen(seen)
        {
        }
        bool fetch(FlexTextStore& store, int rows) override
        {
            m_seen->push_back(BusyPointer());
            return NumberedSource::fetch(store, rows);
        }

    private:
        std::vector<bool>* m_seen;
    };
    struct Case {
        const char* what;
        int counted; // -1: not counted
        std::function<void(FlexGrid&)> move;
        bool busy;
    };
    const Case cases[] = {
        {"a slice further", 50000, [](FlexGrid& g) { g.setRow(300); }, false},
        {"the rows up to one far ahead", 50000, [](FlexGrid& g) { g.setRow(40000); }, true},
        {"the end of a short rest", 15000, [](FlexGrid& g) { g.setRow(15000); }, false},
        {"every row of a list not counted", -1, [](FlexGrid& g) { g.takeAllRows(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int ended = 0;
        std::vector<bool> seen;
        FlexGrid g;
        g.setFixedCols(0);
        g.setCols(1);
        FlexTextStore store = g.startFill();
        for (int r = 1; r <= 100; ++r) {
            store.addCell(QStringView(QStringLiteral("%1,0").arg(r)));
            store.endRow();
        }
        const int gives = c.counted < 0 ? 50000 : c.counted;
        g.setAll(std::move(store), c.counted < 0 ? -1 : c.counted + 1,
                 std::make_unique<NotingSource>(101, gives, &ended, &seen));
        c.move(g);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen.front(), c.busy);
        EXPECT_FALSE(BusyPointer());
    }
}
