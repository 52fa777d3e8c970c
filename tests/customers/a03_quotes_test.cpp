#include "a03_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>

namespace {
QPushButton* button(QWidget* w, const char* name)
{
    return w->findChild<QPushButton*>(name);
}

// The operator's click on a cell of the quote grid.
void ClickCell(FlexGrid* g, int r, int c)
{
    const QPoint p = g->cellRect(r, c).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, p, g->viewport()->mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &e);
    }
    Pump();
}
} // namespace

TEST_F(A03Test, CaptionsComeFromThePricingStandard)
{
    standard({0.5, 0.5, 1, 0.5, 21, 45});
    customer("C1", "客户一");
    A03* w = openA03();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    FlexGrid* g = w->quoteGrid();
    EXPECT_EQ(g->fixedRows(), 2);
    EXPECT_EQ(g->cols(), 21);
    EXPECT_EQ(quoteRow(w, 1), "区域|区域名称|首0.5Kg|续0.5Kg|首1.0Kg|续0.5Kg|21-44Kg");
    EXPECT_EQ(quoteRow(w, 0), "区域|区域名称|文件资料|文件资料|小包裹|小包裹|重包裹优惠价");
    EXPECT_EQ(g->textMatrix(1, 20), "201Kg以上");
    EXPECT_EQ(g->cellAlignment(1, 6) & Qt::AlignHCenter, Qt::AlignHCenter);

    Db().execute("delete from MS1");
    trigger(w, "Menu_edit");
    click(w, "CmdGdMxclear");
    EXPECT_EQ(g->textMatrix(1, 2), "");
    EXPECT_EQ(g->textMatrix(0, 2), "文件资料");
}

TEST_F(A03Test, LoadShowsStoredQuotesInZoneOrder)
{
    zone("B2", "华北");
    zone("A1", "香港");
    customer("C1", "客户一");
    customer("C2", "客户二");
    quote("C1", "B2", {12, 11.5, 10, 9, 12});
    quote("C1", "A1", {8});
    quote("C1", "GONE", {5});
    A03* w = openA03();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(w->quoteGrid()->rows(), 4); // a zone no longer listed is not shown
    EXPECT_EQ(quoteRow(w, 2, 3), "A1|香港|8.0");
    EXPECT_EQ(quoteRow(w, 3), "B2|华北|12.0|11.5|10.0|9.0|12");
    EXPECT_EQ(w->quoteGrid()->textMatrix(3, 7), ""); // a Null price
    EXPECT_EQ(status(), "报价单：共 2 条记录 当前为第 0 条");
    EXPECT_TRUE(w->quoteGrid()->selectionModel()->selectedIndexes().isEmpty()); // no quote marked at position 0

    // A customer without quotes: the blank row, the counter left alone.
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(0);
    grid(w)->setRow(2);
    const QString before = status();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(w->quoteGrid()->rows(), 3);
    EXPECT_EQ(quoteRow(w, 2, 2), "|");
    EXPECT_EQ(status(), before);
}

TEST_F(A03Test, AddingAZoneMultipliesItsPricesByTheFactor)
{
    zone("A1", "香港", "国外", {10, 9, 8, 7, 8});
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    addZone(w, "A1", "1.15");
    EXPECT_EQ(w->quoteGrid()->rows(), 3); // the blank row made way
    EXPECT_EQ(quoteRow(w, 2), "A1|香港|11.5|10.4|9.2|8.1|9.2");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 20), "0");
    EXPECT_EQ(status(), "报价单：共 1 条记录 当前为第 1 条");

    // Factor 0 or no number: nothing happens, without a word.
    addZone(w, "B9", "abc");
    EXPECT_EQ(w->quoteGrid()->rows(), 3);

    msgs->expect("无效的区域编码!");
    addZone(w, "ZZ", "1");
    EXPECT_EQ(w->quoteGrid()->rows(), 3);

    // Already quoted: asked; Yes floats the row again on its shown prices.
    msgs->expect("需要在现有报价基础上，再次浮动报价吗？", vbBtn::No);
    addZone(w, "A1", "2");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 2), "11.5");
    msgs->expect("已经存在针对该区域的报价！");
    addZone(w, "A1", "1");
    EXPECT_EQ(quoteRow(w, 2, 4), "A1|香港|11.5|10.4");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F6,F20 from M031 where F0='C1'"), "A1|11.5|10.4|9.2|0");
}

TEST_F(A03Test, BatchAddTakesEveryZoneOfThePrefixOnce)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    zone("B1", "华北");
    zone("A*", "星号");
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    addZone(w, "A2", "1");
    named(w, "TxtHPBM")->setText("A");
    click(w, "CmdDownList");
    EXPECT_TRUE(w->zoneListOpen());
    FlexGrid* list = w->findChild<FlexGrid*>("GdDownList");
    EXPECT_EQ(list->rows(), 4);
    EXPECT_EQ(list->textMatrix(1, 0), "A*");
    EXPECT_EQ(button(w, "CmdDel")->text(), "批量增加");
    click(w, "CmdDel");
    QStringList codes;
    for (int r = 2; r < w->quoteGrid()->rows(); ++r)
        codes << w->quoteGrid()->textMatrix(r, 0);
    EXPECT_EQ(codes.size(), 3);
    EXPECT_EQ(codes[0], "A2");
    EXPECT_TRUE(codes.contains("A1") && codes.contains("A*"));
    EXPECT_EQ(button(w, "CmdDel")->text(), "删除报价");

    // A typed "*" is the character itself, not every zone.
    named(w, "TxtHPBM")->setText("*");
    click(w, "CmdDownList");
    EXPECT_EQ(w->findChild<FlexGrid*>("GdDownList")->textMatrix(1, 0), "");
    EXPECT_EQ(button(w, "CmdDel")->text(), "删除报价");
    click(w, "CmdDownList");
    EXPECT_FALSE(w->zoneListOpen());
}

TEST_F(A03Test, PickingOneZoneFromTheListAddsItAlone)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    named(w, "TxtHPBM")->setText("A");
    click(w, "CmdDownList");
    FlexGrid* list = w->findChild<FlexGrid*>("GdDownList");
    list->setRow(2);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    EXPECT_EQ(named(w, "TxtHPBM")->text(), "A2");
    EXPECT_FALSE(w->zoneListOpen());
    addZone(w, "A2", "1");
    EXPECT_EQ(w->quoteGrid()->rows(), 3);
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "A2");
}

TEST_F(A03Test, DeletingQuotesByZoneCode)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    zone("A3", "台湾");
    customer("C1", "客户一");
    for (const char* z : {"A1", "A2", "A3"})
        quote("C1", z, {10});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    msgs->expect("请输入要删除的区域编码或点击要删除的行!");
    addZone(w, "", "", "CmdDel");
    msgs->expect("此客户资料中没有指定区域编号的相关报价：Q9!");
    addZone(w, "Q9", "", "CmdDel");

    msgs->expect("真的要删除[台湾]的报价吗?");
    addZone(w, "A3", "", "CmdDel");
    EXPECT_EQ(w->quoteGrid()->rows(), 4);
    EXPECT_EQ(w->quoteRow(), 3); // the new last row
    msgs->expect("真的要删除[香港]的报价吗?");
    addZone(w, "A1", "", "CmdDel");
    msgs->expect("真的要删除[澳门]的报价吗?");
    addZone(w, "A2", "", "CmdDel");
    EXPECT_EQ(w->quoteGrid()->rows(), 3);
    EXPECT_EQ(quoteRow(w, 2, 3), "||");
    EXPECT_EQ(status(), "无报价");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from M031"), 0);
}

TEST_F(A03Test, ClearingEmptiesTheGridUntilSaved)
{
    zone("A1", "香港");
    customer("C1", "客户一");
    quote("C1", "A1", {10});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    click(w, "CmdGdMxclear");
    EXPECT_EQ(w->quoteGrid()->rows(), 3);
    EXPECT_EQ(count("select count(*) from M031"), 1);
    trigger(w, "Menu_cancel");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "A1");
    trigger(w, "Menu_edit");
    click(w, "CmdGdMxclear");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from M031"), 0);
}

TEST_F(A03Test, RefloatNeedsAMeaningfulFactorAndQuotes)
{
    zone("A1", "香港", "国内", {12, 0, 0, 0, 8});
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    msgs->expect("请首先输入有意义的加价系数！");
    click(w, "CmdReNewPrice");
    EXPECT_EQ(msgs->last().title, "提示");
    box(w, 11)->setText("1.1");
    msgs->expect("请先输入报价资料！");
    click(w, "CmdReNewPrice");

    addZone(w, "A1", "1");
    msgs->expect("您打算把下列所有报价再浮动10%吗？");
    msgs->expect("报价已更新！请及时保存更新的报价！");
    click(w, "CmdReNewPrice");
    EXPECT_EQ(quoteRow(w, 2, 3), "A1|香港|13.2");
    msgs->expect("您打算把下列所有报价再浮动10%吗？");
    msgs->expect("报价已更新！");
    click(w, "CmdReNewPrice");
    EXPECT_EQ(quoteRow(w, 2, 3), "A1|香港|14.5");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 6), "9.7");
    msgs->expect("再浮动10%吗？", vbBtn::No);
    click(w, "CmdReNewPrice");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 2), "14.5");
}

TEST_F(A03Test, StoredPricesSurviveAnUnrelatedSaveAndTypedFirstPricesKeepOneDecimal)
{
    zone("A1", "香港");
    customer("C1", "客户一");
    quote("C1", "A1", {11.55, 9.25, 8, 7.05, 6.55});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    EXPECT_EQ(quoteRow(w, 2), "A1|香港|11.6|9.3|8.0|7.1|6.55");
    box(w, 6)->setText("13800000000"); // a new phone number
    FlexCellEditor* ed = w->quoteGrid()->cellEditor();
    ASSERT_TRUE(ed->open(2, 2)); // passed through, nothing typed
    ASSERT_TRUE(ed->open(2, 3));
    type(ed->lineEdit(), "11.55");
    ASSERT_TRUE(ed->open(2, 5));
    type(ed->lineEdit(), "7.1"); // typed as shown: the typed price
    ASSERT_TRUE(ed->open(2, 6));
    type(ed->lineEdit(), "5.55");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F2,F3,F4,F5,F6 from M031"), "11.55|11.6|8|7.1|5.55");
}

TEST_F(A03Test, ReFloatingMultipliesThePricesAsTheyNowStand)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    customer("C1", "客户一");
    quote("C1", "A1", {11.55});
    quote("C1", "A2", {11.55});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    // Quoted again at factor 1: A1's price is the rounded 11.6 from now on.
    msgs->expect("已经存在针对该区域的报价！");
    addZone(w, "A1", "1");
    box(w, 11)->setText("1.1");
    msgs->expect("再浮动10%吗？");
    msgs->expect("报价已更新！");
    click(w, "CmdReNewPrice");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstColumn("select F2 from M031 order by F1"), QStringList({"12.8", "12.7"})); // 11.6, 11.55 x 1.1
}

TEST_F(A03Test, AZoneWithoutANameIsQuotedEditedAndSaved)
{
    zone("N1", "", "国内", {10});
    zone("N2", "", "国内", {10});
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    addZone(w, "N1", "1");
    addZone(w, "N2", "1");
    EXPECT_EQ(quoteRow(w, 2, 3), "N1||10.0");
    // Two zones without a name stay two cells: a click names the zone it is on.
    w->quoteGrid()->refreshMerges();
    EXPECT_EQ(w->quoteGrid()->rowSpan(0, 1), 1);
    box(w, 11)->setText("2");
    msgs->expect("再浮动100%吗？");
    msgs->expect("报价已更新！");
    click(w, "CmdReNewPrice");
    EXPECT_EQ(w->quoteGrid()->cellEditor()->editorFor(2, 3).kind, CellEditorSpec::Text);
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F1,F2 from M031 where F0='C1' order by F1"), "N1|20");
    EXPECT_EQ(count("select count(*) from M031"), 2);
}

TEST_F(A03Test, TheCellEditorTakesNumbersWhileEditingOnly)
{
    zone("A1", "香港");
    customer("C1", "客户一");
    quote("C1", "A1", {10, 9, 8, 7, 6});
    A03* w = openA03();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    FlexCellEditor* ed = w->quoteGrid()->cellEditor();
    EXPECT_EQ(ed->editorFor(2, 3).kind, CellEditorSpec::None); // browsing

    trigger(w, "Menu_edit");
    EXPECT_EQ(ed->editorFor(2, 1).kind, CellEditorSpec::None); // code and name stay
    ASSERT_TRUE(ed->open(2, 3));
    EXPECT_EQ(ed->lineEdit()->objectName(), "TxtEnter");
    ed->lineEdit()->setText("abc");
    ASSERT_TRUE(ed->open(2, 6));
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 3), "0");
    ed->lineEdit()->setText("7.25元");
    // Saving takes the price still being typed.
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F2,F3,F6 from M031"), "10|0|7.25");
    EXPECT_FALSE(ed->isOpen());
}

TEST_F(A03Test, AClickOnAQuoteNamesItsZoneForTheDelete)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    customer("C1", "客户一");
    quote("C1", "A1", {10});
    quote("C1", "A2", {10});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    FlexGrid* g = w->quoteGrid();
    g->setRow(3);
    g->setCol(0);
    w->GdMx_Click();
    EXPECT_EQ(named(w, "TxtHPBM")->text(), "A2");
    EXPECT_EQ(status(), "报价单：共 2 条记录 当前为第 2 条");
    msgs->expect("真的要删除[澳门]的报价吗?");
    click(w, "CmdDel");
    EXPECT_EQ(g->rows(), 3);
}

TEST_F(A03Test, AClickOnAPriceOpensTheEditorThatStaysUntilTheNextClick)
{
    zone("A1", "香港");
    zone("A2", "澳门");
    customer("C1", "客户一");
    quote("C1", "A1", {10, 9, 8, 7, 6});
    quote("C1", "A2", {11, 9, 8, 7, 6});
    A03* w = openA03();
    FlexGrid* g = w->quoteGrid();
    FlexCellEditor* ed = g->cellEditor();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    ClickCell(g, 2, 3);
    EXPECT_FALSE(ed->isOpen()); // browsing
    EXPECT_EQ(status(), "报价单：共 2 条记录 当前为第 1 条");
    EXPECT_EQ(named(w, "TxtHPBM")->text(), "");

    trigger(w, "Menu_edit");
    Pump();
    ClickCell(g, 3, 4);
    ASSERT_TRUE(ed->isOpen());
    EXPECT_EQ(QApplication::focusWidget(), ed->lineEdit());
    EXPECT_EQ(named(w, "TxtHPBM")->text(), "A2");
    EXPECT_EQ(status(), "报价单：共 2 条记录 当前为第 2 条");
    type(ed->lineEdit(), "55");
    ClickCell(g, 2, 0);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(g->textMatrix(3, 4), "55");
    EXPECT_EQ(named(w, "TxtHPBM")->text(), "A1");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F4 from M031 where F1='A2'"), "55");
}

TEST_F(A03Test, ZoneTextsAreTakenAsTyped)
{
    zone("O'1", "奥", "国内", {10});
    zone("O'2", "澳", "国内", {10});
    A03* w = openA03();
    startAdd(w, "C1", "客户一");
    // An empty code names no zone, not the grid's blank row.
    msgs->expect("无效的区域编码!");
    addZone(w, "", "1");
    EXPECT_EQ(quoteRow(w, 2, 3), "||");
    addZone(w, "O'1", "1");
    EXPECT_EQ(quoteRow(w, 2, 3), "O'1|奥|10.0");
    // Quoted again at factor 1: the amount stays and loses its decimal.
    msgs->expect("已经存在针对该区域的报价！");
    addZone(w, "O'1", "1");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 2), "10");
    named(w, "TxtHPBM")->setText("O'");
    click(w, "CmdDownList");
    click(w, "CmdDel");
    EXPECT_EQ(quoteRow(w, 3, 3), "O'2|澳|10.0");
}
