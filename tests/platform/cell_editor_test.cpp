#include "platform/cell_editor.h"
#include "platform/flexgrid.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

struct Commit {
    int row, col;
    QString old, now;
};

// A page with an entry grid and a box after it. Columns: 0 text, 1 an
// editable list, 2 hidden text, 3 date, 4 not edited; rows 1 to 30 hold "r,c".
class CellEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* lay = new QVBoxLayout(&page);
        g = new FlexGrid;
        next = new QLineEdit;
        next->setObjectName("next");
        lay->addWidget(g);
        lay->addWidget(next);
        g->setFixedCols(0);
        std::vector<QString> cells;
        for (int r = 0; r <= 30; ++r)
            for (int c = 0; c < 5; ++c)
                cells.push_back(r == 0 ? QStringLiteral("H%1").arg(c) : QStringLiteral("%1,%2").arg(r).arg(c));
        g->setAll(31, 5, std::move(cells));
        g->setColWidth(2, 0);
        ed = g->cellEditor();
        ed->setColumnEditor(0, CellEditorSpec::text());
        ed->setColumnEditor(1, CellEditorSpec::list({"甲", "乙"}));
        ed->setColumnEditor(2, CellEditorSpec::text());
        ed->setColumnEditor(3, CellEditorSpec::date());
        QObject::connect(ed, &FlexCellEditor::committed, [this](int r, int c, const QString& o, const QString& n) {
            commits.push_back({r, c, o, n});
        });
        QObject::connect(ed, &FlexCellEditor::cancelled, [this] { ++cancels; });
        page.resize(400, 300);
        page.show();
        QApplication::setActiveWindow(&page);
        Pump();
        g->setFocus();
    }

    void key(QWidget* w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(w, &press);
    }
    void type(QWidget* w, const QString& text)
    {
        for (QChar ch : text)
            key(w, 0, Qt::NoModifier, QString(ch));
    }
    void mouse(QEvent::Type type, int r, int c)
    {
        const QPoint p = g->cellRect(r, c).center();
        QMouseEvent e(type, p, g->viewport()->mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &e);
    }
    void click(int r, int c)
    {
        mouse(QEvent::MouseButtonPress, r, c);
        mouse(QEvent::MouseButtonRelease, r, c);
    }
    QLineEdit* line() { return ed->lineEdit(); }

    QWidget page;
    FlexGrid* g = nullptr;
    QLineEdit* next = nullptr;
    FlexCellEditor* ed = nullptr;
    std::vector<Commit> commits;
    int cancels = 0;
};

} // namespace

TEST_F(CellEditorTest, OpensOnF2EnterTypingAndDoubleClickOverTheCell)
{
    const struct {
        const char* how;
        std::function<void()> act;
        QString text;   // what the editor starts with
        bool selected;  // all of it selected
    } cases[] = {
        {"F2", [this] { key(g, Qt::Key_F2); }, "2,0", true},
        {"Enter", [this] { key(g, Qt::Key_Return); }, "2,0", true},
        {"typing", [this] { type(g, "7"); }, "7", false},
        {"an input method",
         [this] {
             QInputMethodEvent e;
             e.setCommitString(QStringLiteral("中"));
             QApplication::sendEvent(g, &e);
         },
         "中", false},
        {"double-click",
         [this] {
             click(2, 0);
             mouse(QEvent::MouseButtonDblClick, 2, 0);
         },
         "2,0", true},
    };
    for (const auto& c : cases) {
        g->setRow(2);
        g->setCol(0);
        g->setFocus();
        c.act();
        ASSERT_TRUE(ed->isOpen()) << c.how;
        EXPECT_EQ(ed->widget(), line()) << c.how;
        EXPECT_EQ(ed->row(), 2) << c.how;
        EXPECT_EQ(ed->col(), 0) << c.how;
        EXPECT_EQ(line()->text(), c.text) << c.how;
        EXPECT_EQ(line()->hasSelectedText(), c.selected) << c.how;
        EXPECT_TRUE(line()->hasFocus()) << c.how;
        EXPECT_EQ(line()->geometry(), g->cellRect(2, 0)) << c.how;
        ed->cancel();
        EXPECT_FALSE(line()->isVisible()) << c.how;
        EXPECT_TRUE(g->hasFocus()) << c.how;
    }
    // Typing while the editor is open goes on in it, wherever the key lands.
    type(g, "ab");
    type(g, "c");
    EXPECT_EQ(line()->text(), "abc");
}

TEST_F(CellEditorTest, CellsWithoutAnEditorAndFixedCellsStayShut)
{
    g->setRow(3);
    g->setCol(4);
    type(g, "x");
    key(g, Qt::Key_F2);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_FALSE(ed->open(3, 4));
    EXPECT_FALSE(ed->open(0, 0)); // the header row is fixed
    g->setFixedCols(1);
    EXPECT_FALSE(ed->open(3, 0));
    EXPECT_TRUE(ed->open(3, 1));

    // The window decides per cell, for instance by its mode and row.
    ed->cancel();
    ed->setEditorFor([](int r, int c) {
        return r == 5 && c == 1 ? CellEditorSpec::text() : CellEditorSpec{};
    });
    EXPECT_FALSE(ed->open(4, 1));
    EXPECT_TRUE(ed->open(5, 1));
    EXPECT_EQ(ed->widget(), line());
}

TEST_F(CellEditorTest, EnterAndTabCommitAndMoveToTheNextEditableCell)
{
    const struct {
        int row, col;
        int key;
        Qt::KeyboardModifiers mods;
        int nextRow, nextCol; // -1: no editor afterwards
    } cases[] = {
        {4, 0, Qt::Key_Return, Qt::NoModifier, 4, 1},
        {4, 1, Qt::Key_Tab, Qt::NoModifier, 4, 3},  // over the hidden column
        {4, 3, Qt::Key_Tab, Qt::ShiftModifier, 4, 1},
        {4, 3, Qt::Key_Enter, Qt::KeypadModifier, 5, 0}, // past the last editable cell: the next row
        {5, 0, Qt::Key_Backtab, Qt::ShiftModifier, 4, 3},
        {30, 3, Qt::Key_Return, Qt::NoModifier, -1, -1},
    };
    for (const auto& c : cases) {
        commits.clear();
        ASSERT_TRUE(ed->open(c.row, c.col));
        const QString before = g->textMatrix(c.row, c.col);
        key(ed->widget(), c.key, c.mods);
        ASSERT_EQ(commits.size(), 1u) << c.row << "," << c.col;
        EXPECT_EQ(commits[0].row, c.row);
        EXPECT_EQ(commits[0].col, c.col);
        EXPECT_EQ(commits[0].old, before);
        EXPECT_EQ(g->textMatrix(c.row, c.col), commits[0].now);
        EXPECT_EQ(ed->isOpen(), c.nextRow >= 0) << c.row << "," << c.col;
        if (c.nextRow >= 0) {
            EXPECT_EQ(ed->row(), c.nextRow);
            EXPECT_EQ(ed->col(), c.nextCol);
            EXPECT_EQ(g->row(), c.nextRow);
            EXPECT_EQ(g->col(), c.nextCol);
        } else {
            EXPECT_TRUE(g->hasFocus());
        }
        ed->cancel();
    }

    // Tab from the last editable cell leaves the grid, as Tab does without an editor.
    ASSERT_TRUE(ed->open(30, 3));
    key(ed->widget(), Qt::Key_Tab);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_TRUE(next->hasFocus());
}

TEST_F(CellEditorTest, EscapeLeavesTheCellAsItWas)
{
    g->setRow(6);
    g->setCol(0);
    type(g, "new");
    key(line(), Qt::Key_Escape);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(g->textMatrix(6, 0), "6,0");
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(commits.empty());
    EXPECT_TRUE(g->hasFocus());
}

TEST_F(CellEditorTest, TheWindowMayChangeOrRefuseAText)
{
    int asked = 0;
    ed->setValidator([&asked](int, int c, QString& text) {
        ++asked;
        if (c == 0 && text == "bad")
            return false;
        text = text.toUpper();
        return true;
    });
    ASSERT_TRUE(ed->open(7, 0));
    line()->setText("abc");
    key(line(), Qt::Key_Return);
    EXPECT_EQ(g->textMatrix(7, 0), "ABC");
    ed->cancel(); // the editor moved on to the next cell

    // Refused by Enter, by leaving and by a click: the editor stays with its text.
    ASSERT_TRUE(ed->open(8, 0));
    line()->setText("bad");
    key(line(), Qt::Key_Return);
    EXPECT_TRUE(ed->isOpen());
    next->setFocus();
    EXPECT_TRUE(ed->isOpen());
    EXPECT_EQ(asked, 3);
    click(9, 0); // the refusal just made stands: no second question
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(g->row(), 8);
    Pump();
    EXPECT_TRUE(line()->hasFocus()); // the focus goes back to the editor
    EXPECT_FALSE(ed->commit());
    EXPECT_EQ(line()->text(), "bad");
    EXPECT_EQ(g->textMatrix(8, 0), "8,0");
    EXPECT_FALSE(ed->open(9, 0));

    line()->setText("good");
    EXPECT_TRUE(ed->commit());
    EXPECT_EQ(g->textMatrix(8, 0), "GOOD");
    EXPECT_EQ(commits.back().old, "8,0");
    EXPECT_EQ(commits.back().now, "GOOD");
}

TEST_F(CellEditorTest, LeavingTheEditorCommitsIt)
{
    // The focus going elsewhere stays there.
    ASSERT_TRUE(ed->open(10, 0));
    line()->setText("left");
    next->setFocus();
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(g->textMatrix(10, 0), "left");
    EXPECT_TRUE(next->hasFocus());

    // A click on another cell commits and moves there.
    ASSERT_TRUE(ed->open(11, 0));
    line()->setText("clicked");
    click(12, 1);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(g->textMatrix(11, 0), "clicked");
    EXPECT_EQ(g->row(), 12);
    EXPECT_EQ(g->col(), 1);

    // So does scrolling.
    ASSERT_TRUE(ed->open(2, 0));
    line()->setText("scrolled");
    g->verticalScrollBar()->setValue(g->verticalScrollBar()->value() + 3);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(g->textMatrix(2, 0), "scrolled");
    EXPECT_EQ(commits.size(), 3u);
}

TEST_F(CellEditorTest, ListsOfferTheirChoicesAndKeepOtherTexts)
{
    // An editable list takes typed text; a fixed one keeps a text that is not
    // among its choices until another is chosen.
    ASSERT_TRUE(ed->open(3, 1));
    QComboBox* cb = ed->comboBox();
    EXPECT_EQ(ed->widget(), cb);
    EXPECT_TRUE(cb->isEditable());
    EXPECT_EQ(cb->count(), 2);
    EXPECT_EQ(cb->currentText(), "3,1");
    type(cb, "丙"); // over the selected text
    EXPECT_TRUE(ed->commit());
    EXPECT_EQ(g->textMatrix(3, 1), "丙");

    ed->setEditorFor([](int r, int) {
        return CellEditorSpec::list(r == 4 ? QStringList{"甲", "乙", "丁"} : QStringList{"甲", "乙"}, false);
    });
    g->setTextMatrix(4, 1, "乙");
    ASSERT_TRUE(ed->open(4, 1));
    EXPECT_FALSE(cb->isEditable());
    EXPECT_EQ(cb->count(), 3);
    EXPECT_EQ(cb->currentIndex(), 1);
    cb->setCurrentIndex(2);
    EXPECT_TRUE(ed->commit());
    EXPECT_EQ(g->textMatrix(4, 1), "丁");
    ASSERT_TRUE(ed->open(5, 1));
    EXPECT_EQ(cb->count(), 2);
    EXPECT_EQ(cb->currentIndex(), -1);
    EXPECT_TRUE(ed->commit());
    EXPECT_EQ(g->textMatrix(5, 1), "5,1");
}

TEST_F(CellEditorTest, DatesAreReadAndWrittenInTheShortDateForm)
{
    const struct {
        QString cell;
        QDate shown;
    } cases[] = {
        {"2024-05-03", QDate(2024, 5, 3)},
        {"2024-5-3", QDate(2024, 5, 3)},
        {"2024-02-29 10:30:00", QDate(2024, 2, 29)},
        {"2023-02-30", QDate::currentDate()},
        {"", QDate::currentDate()},
    };
    for (const auto& c : cases) {
        g->setTextMatrix(6, 3, c.cell);
        ASSERT_TRUE(ed->open(6, 3));
        EXPECT_EQ(ed->widget(), ed->dateEdit());
        EXPECT_EQ(ed->dateEdit()->date(), c.shown) << c.cell.toStdString();
        EXPECT_TRUE(ed->commit());
        EXPECT_EQ(g->textMatrix(6, 3), c.shown.toString("yyyy-MM-dd"));
    }
    ASSERT_TRUE(ed->open(6, 3));
    ed->dateEdit()->setDate(QDate(2025, 1, 9));
    key(ed->dateEdit(), Qt::Key_Return);
    EXPECT_EQ(g->textMatrix(6, 3), "2025-01-09");
}

TEST_F(CellEditorTest, ArrowsMoveBetweenCellsOnlyWithoutAnEditor)
{
    g->setRow(3);
    g->setCol(0);
    key(g, Qt::Key_Down);
    key(g, Qt::Key_Right);
    EXPECT_EQ(g->row(), 4);
    EXPECT_EQ(g->col(), 1);
    ASSERT_TRUE(ed->open(4, 0));
    key(line(), Qt::Key_Down);
    key(line(), Qt::Key_Up);
    EXPECT_EQ(g->row(), 4);
    EXPECT_TRUE(ed->isOpen());
}

TEST_F(CellEditorTest, RowsInsertedOrRemovedAroundAnOpenEditor)
{
    ASSERT_TRUE(ed->open(5, 0));
    line()->setText("moved");
    g->addItem("above", 2);
    EXPECT_EQ(ed->row(), 6);
    g->removeItem(1);
    EXPECT_EQ(ed->row(), 5);
    EXPECT_TRUE(ed->commit());
    EXPECT_EQ(g->textMatrix(5, 0), "moved");

    ASSERT_TRUE(ed->open(7, 0));
    g->removeItem(7);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(cancels, 1);
    ASSERT_TRUE(ed->open(7, 0));
    g->setAll(3, 5, std::vector<QString>{});
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(cancels, 2);
}

TEST_F(CellEditorTest, TheWindowMayChooseTheNextCellAndOpenOnAClick)
{
    // An entry grid: Enter past the last column adds a row and goes on there.
    ed->setNext([this](int& r, int& c, CellCommit how) {
        if (how != CellCommit::Enter)
            return false;
        if (c < 3) {
            c = 3;
            return true;
        }
        if (r == g->rows() - 1)
            g->addItem("new");
        ++r;
        c = 0;
        return true;
    });
    ASSERT_TRUE(ed->open(30, 0));
    key(line(), Qt::Key_Return);
    EXPECT_EQ(ed->col(), 3);
    key(ed->widget(), Qt::Key_Return);
    EXPECT_EQ(g->rows(), 32);
    EXPECT_EQ(ed->row(), 31);
    EXPECT_EQ(ed->col(), 0);
    EXPECT_EQ(line()->text(), "new");
    ed->cancel();

    ed->setOpenOnClick(true);
    click(3, 1);
    EXPECT_TRUE(ed->isOpen());
    EXPECT_EQ(ed->row(), 3);
    EXPECT_EQ(ed->col(), 1);
}

TEST_F(CellEditorTest, EditorsTakeTheWindowsColours)
{
    ed->setColors(QColor(0xc0, 0xff, 0xc0), Qt::red);
    ASSERT_TRUE(ed->open(2, 0));
    EXPECT_EQ(line()->palette().color(QPalette::Base), QColor(0xc0, 0xff, 0xc0));
    EXPECT_EQ(line()->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(line()->objectName(), "TxtEnter");
    EXPECT_EQ(ed->comboBox()->objectName(), "CmbEnter");
    EXPECT_EQ(ed->comboBox()->palette().color(QPalette::Base), QColor(0xc0, 0xff, 0xc0));
}

TEST_F(CellEditorTest, AKeyTheEditorLeavesAloneStopsAtTheGrid)
{
    // Such a key comes back up to the grid, the editor's parent; handed to the
    // editor again it went round until the program crashed.
    for (const int c : {0, 1, 3}) {
        ASSERT_TRUE(ed->open(2, c));
        const QString before = g->textMatrix(2, c);
        for (const int k : {Qt::Key_F5, Qt::Key_F12}) {
            key(ed->widget(), k);
            key(g, k);
        }
        EXPECT_TRUE(ed->isOpen()) << c;
        ed->cancel();
        EXPECT_EQ(g->textMatrix(2, c), before) << c;
    }
}
