#include "a03_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "customers/customer_windows.h"
#include "platform/window_registry.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

namespace {
QTabBar* tabs(QWidget* w)
{
    return w->findChild<QTabBar*>("TabS");
}
} // namespace

TEST_F(A03Test, EmptyTableOpensWithBlankRowMenusAndRefusals)
{
    host.panels[4] = "before";
    A03* w = openA03();
    FlexGrid* gd = grid(w);
    EXPECT_EQ(w->windowTitle(), "客户资料与报价");
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->cols(), 14);
    EXPECT_EQ(gd->textMatrix(0, 11), "加价系数");
    EXPECT_EQ(gd->textMatrix(0, 13), "累计欠款");
    EXPECT_EQ(status(), "before");
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->menuAction()->text();
    EXPECT_EQ(bar, QStringList({"&A.增加", "&E.修改", "&D.删除", "&Q.查找", "&T.导出数据", "&P.打印", "&S.保存",
                                "&C.取消", "&R.返回"}));
    EXPECT_EQ(w->findChild<QAction*>("Menu_print2")->text(), "&1.打印国内报价表");
    // Only code, short name, address, telephone, fax, salesman and remark show.
    QList<int> shown;
    for (int c = 0; c < 14; ++c)
        if (gd->colWidth(c) > 0)
            shown << c;
    EXPECT_EQ(shown, QList<int>({0, 1, 4, 6, 7, 9, 10}));

    msgs->expect("没有客户资料可修改!");
    trigger(w, "Menu_edit");
    msgs->expect("无客户资料可删除!");
    trigger(w, "Menu_del");
    EXPECT_EQ(w->editMode(), 0);
    // No salesman yet: the list offers the hint and takes a typed name.
    auto* ywy = w->findChild<QComboBox*>("CmbYWY");
    EXPECT_EQ(ywy->count(), 1);
    EXPECT_EQ(ywy->itemText(0), "请先建立业务员档案");
}

TEST_F(A03Test, ListCountsCustomersAndDetailShowsRemarksAndSalesmen)
{
    Db().execute("insert into M030 (F1,F2) values ('张三','')");
    Db().execute("insert into M030 (F1,F2) values ('李四','')");
    customer("C2", "客户二");
    customer("C1", "客户一", "李四");
    Db().execute("update M03 set F9='第一行', F92='第三行' where F1='C1'");
    A03* w = openA03();
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "C1");
    EXPECT_EQ(status(), "客户资料列表：共 2 条记录 当前为第 1 条");
    auto* ywy = w->findChild<QComboBox*>("CmbYWY");
    EXPECT_EQ(ywy->itemText(0), "张三"); // as stored, not sorted
    tabs(w)->setCurrentIndex(1);
    EXPECT_EQ(box(w, 9)->text(), "李四");
    EXPECT_EQ(box(w, 10)->text(), "第一行");
    EXPECT_EQ(named(w, "TxtMEMO(1)")->text(), "第三行");
    EXPECT_FALSE(w->findChild<QPushButton*>("CmdReNewPrice")->isVisible());
    EXPECT_FALSE(box(w, 11)->isVisible());
}

TEST_F(A03Test, SaveStoresFactorOneAndTheTypedTextsExactly)
{
    A03* w = openA03();
    startAdd(w, "O'K", "Bob's");
    EXPECT_EQ(box(w, 11)->text(), "1");
    EXPECT_TRUE(box(w, 11)->isVisible());
    box(w, 11)->setText("1.2");
    box(w, 3)->setText("It's \"ours\"");
    box(w, 10)->setText("a'b -- c;");
    named(w, "TxtMEMO(3)")->setText("  line '5'  ");
    w->findChild<QComboBox*>("CmbYWY")->setEditText(" 王五 ");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    // The short name is a ledger party: its "'" is stored as the ledger stores it.
    EXPECT_EQ(FirstRecord("select F1,F2,F302,F8,F9,F94,P888 from M03"), "O'K|Bob’s|It's \"ours\"|王五|a'b -- c;|line '5'|1");
    EXPECT_EQ(grid(w)->textMatrix(1, 1), "Bob’s");
    EXPECT_EQ(grid(w)->textMatrix(1, 11), "1.2");
    EXPECT_EQ(status(), "客户资料列表：共 1 条记录 当前为第 1 条");
}

TEST_F(A03Test, DuplicateCodesAreRefusedOnAddAndOnAChangedCode)
{
    customer("C1", "客户一");
    customer("C2", "客户二");
    A03* w = openA03();
    startAdd(w, "C1", "新客户");
    msgs->expect("[客户一]已经使用了[C1[这个编码，请重新设置编码!");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 1);
    EXPECT_EQ(box(w, 1)->text(), "新客户");
    trigger(w, "Menu_cancel");

    trigger(w, "Menu_edit");
    box(w, 0)->setText("C2");
    msgs->expect("已经存在[C2]这个编号，请重新设置编号!");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 2);

    // Its own code is no duplicate: the customer is rewritten and moves to the end.
    box(w, 0)->setText("C1");
    box(w, 1)->setText("客户壹");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(count("select count(*) from M03"), 2);
    EXPECT_EQ(grid(w)->textMatrix(2, 1), "客户壹");
    EXPECT_EQ(w->curRow(), 2);
}

TEST_F(A03Test, RequiredCodeAndShortName)
{
    A03* w = openA03();
    startAdd(w, "", "");
    msgs->expect("客户编码不能为空!");
    trigger(w, "Menu_save");
    type(box(w, 0), "C9");
    msgs->expect("客户简称不能为空!");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from M03"), 0);
}

TEST_F(A03Test, FailedSaveKeepsTheOldCustomerQuotesAndInput)
{
    zone("A1", "香港");
    customer("C1", "客户一");
    quote("C1", "A1", {12, 11});
    A03* w = openA03();
    trigger(w, "Menu_edit");
    box(w, 1)->setText("改名");
    Db().executeNative("CREATE TRIGGER refuse BEFORE INSERT ON M031 BEGIN SELECT RAISE(ABORT, 'quotes refused'); END");
    msgs->expect("保存失败!系统返回如下信息：");
    trigger(w, "Menu_save");
    EXPECT_TRUE(msgs->last().text.contains("quotes refused"));
    EXPECT_EQ(w->editMode(), 2);
    EXPECT_EQ(box(w, 1)->text(), "改名");
    EXPECT_EQ(FirstRecord("select F2 from M03 where F1='C1'"), "客户一");
    EXPECT_EQ(FirstRecord("select F1,F2,F3 from M031 where F0='C1'"), "A1|12|11");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "A1");
}

TEST_F(A03Test, CustomerInUseKeepsItsCodeAndOnlyTheAdministratorDeletesIt)
{
    customer("C1", "客户一");
    quote("C1", "A1", {12});
    Db().execute("insert into B01 (F1,F603) values ('W1','C1')");
    A03* w = openA03();
    trigger(w, "Menu_edit");
    EXPECT_TRUE(box(w, 0)->isReadOnly());
    trigger(w, "Menu_cancel");

    gUserCode = "002";
    msgs->expect("[客户一]已经在系统中应用，不能删除!");
    trigger(w, "Menu_del");
    gUserCode = "001";
    msgs->expect("如果删除将造成系统中其它记录的丢失!");
    msgs->expect("只有管理员才有权删除。真的要删除吗？", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->last().title, "请再次确认");
    EXPECT_EQ(count("select count(*) from B01"), 1);

    // A refused statement leaves waybills, quotes and customer together.
    Db().executeNative("CREATE TRIGGER keep BEFORE DELETE ON M031 BEGIN SELECT RAISE(ABORT, 'kept'); END");
    msgs->expect("[客户一]已经在系统中应用!");
    msgs->expect("[客户一]已经在系统中应用!");
    msgs->expect("删除失败!系统返回如下信息：");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from B01") + count("select count(*) from M031") + count("select count(*) from M03"), 3);

    Db().executeNative("DROP TRIGGER keep");
    msgs->expect("[客户一]已经在系统中应用!");
    msgs->expect("[客户一]已经在系统中应用!");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from B01") + count("select count(*) from M031") + count("select count(*) from M03"), 0);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(w->curRow(), 1);
    EXPECT_EQ(status(), "无客户资料");
}

TEST_F(A03Test, DeleteAsksByNameAndEndsOnTheListPage)
{
    customer("C1", "客户一");
    customer("C2", "客户二");
    customer("C3", "客户三");
    quote("C2", "A1", {12});
    A03* w = openA03();
    grid(w)->setRow(2);
    tabs(w)->setCurrentIndex(1);
    msgs->expect("真的要删除客户[客户二]的资料吗?", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M03"), 3);
    msgs->expect("真的要删除客户[客户二]的资料吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M031"), 0);
    EXPECT_EQ(tabs(w)->currentIndex(), 0);
    EXPECT_EQ(grid(w)->textMatrix(w->curRow(), 0), "C3");
    EXPECT_EQ(status(), "客户资料列表：共 2 条记录 当前为第 2 条");
}

TEST_F(A03Test, AddStartsFromTheShownRemarksAndAnEmptyQuoteGrid)
{
    customer("C1", "客户一");
    quote("C1", "A1", {12});
    zone("A1", "香港");
    Db().execute("update M03 set F9='月结客户', F91='第二行', F5='1234' where F1='C1'");
    A03* w = openA03();
    tabs(w)->setCurrentIndex(1);
    EXPECT_EQ(w->quoteGrid()->rows(), 3);
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "A1");
    trigger(w, "Menu_Add");
    EXPECT_EQ(box(w, 6)->text(), "");
    EXPECT_EQ(box(w, 10)->text(), "月结客户");
    EXPECT_EQ(named(w, "TxtMEMO(0)")->text(), "第二行");
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "");
    EXPECT_TRUE(w->findChild<QFrame*>("PicLRQ")->isVisible());
    EXPECT_TRUE(gEditing.isSet());
    EXPECT_FALSE(w->findChild<QAction*>("Menu_print")->isEnabled());
    EXPECT_FALSE(w->findChild<QAction*>("Menu_ToExcel")->isEnabled());
    trigger(w, "Menu_cancel");
    EXPECT_FALSE(w->findChild<QFrame*>("PicLRQ")->isVisible());
    EXPECT_EQ(w->quoteGrid()->textMatrix(2, 0), "A1");
}

TEST_F(A03Test, SearchEndsOnTheListPageAndExportTakesThePageGrid)
{
    customer("C1", "客户一");
    customer("C2", "客户二");
    A03* w = openA03();
    tabs(w)->setCurrentIndex(1);
    QStringList fields;
    modal->on("Query", [&](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        for (int i = 0; i < q.CmbF->count(); ++i)
            fields << q.CmbF->itemText(i);
        EXPECT_EQ(q.CmbF->currentIndex(), 1);
        q.Txt->setText("客户二");
        q.addCondition();
        q.runQuery();
    });
    trigger(w, "Menu_query");
    EXPECT_EQ(fields.size(), 11);
    EXPECT_EQ(fields[10], "备注");
    EXPECT_EQ(tabs(w)->currentIndex(), 0);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "C2");

    tabs(w)->setCurrentIndex(1);
    modal->cancel("Query");
    trigger(w, "Menu_query");
    EXPECT_EQ(tabs(w)->currentIndex(), 0);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "C2");

    QList<FlexGrid*> exported;
    modal->on("ToExcel", [&](QDialog& d) {
        exported << static_cast<ToExcel&>(d).Sgd;
        d.reject();
    });
    trigger(w, "Menu_ToExcel");
    tabs(w)->setCurrentIndex(1);
    trigger(w, "Menu_ToExcel");
    EXPECT_EQ(exported, QList<FlexGrid*>({grid(w), w->quoteGrid()}));
}

TEST_F(A03Test, RemarkAreaGrowsOverTheQuotesAndShrinksForEditing)
{
    customer("C1", "客户一");
    A03* w = openA03();
    tabs(w)->setCurrentIndex(1);
    auto* btm = w->findChild<QFrame*>("FrmBtm");
    const int normal = btm->height();
    click(w, "CmdUpDown");
    EXPECT_TRUE(w->remarksEnlarged());
    EXPECT_EQ(btm->y(), w->quoteGrid()->y());
    EXPECT_GT(btm->height(), normal);
    trigger(w, "Menu_edit");
    EXPECT_FALSE(w->remarksEnlarged());
    EXPECT_EQ(btm->height(), normal);
    EXPECT_EQ(btm->y(), w->quoteGrid()->geometry().bottom() + 1);
}

TEST_F(A03Test, MainWindowOpensTheCustomerWindowByItsName)
{
    RegisterCustomerWindows();
    ASSERT_TRUE(WindowRegistry::isRegistered("A03"));
    ChildWindow* w = WindowRegistry::openChild("A03");
    ASSERT_NE(qobject_cast<A03*>(w), nullptr);
    EXPECT_EQ(WindowRegistry::loaded("A03"), w);
    w->close();
}

TEST_F(A03Test, TheListMarksTheCurrentCustomerFromCodeToTelephone)
{
    customer("C1", "客户一");
    customer("C2", "客户二");
    A03* w = openA03();
    FlexGrid* gd = grid(w);
    for (int row : {1, 2, 1}) {
        SCOPED_TRACE(row);
        if (row != gd->row())
            gd->setRow(row);
        QSet<int> rows, cols;
        for (const QModelIndex& i : gd->selectionModel()->selectedIndexes()) {
            rows << i.row() + gd->fixedRows();
            cols << i.column() + gd->fixedCols();
        }
        // Column 0 is drawn like the header; the fax, salesman and remark stay unmarked.
        EXPECT_EQ(rows, QSet<int>({row}));
        EXPECT_EQ(cols, QSet<int>({1, 2, 3, 4, 5, 6}));
    }
}

TEST_F(A03Test, ARefusedListStatementShowsTheEnginesTextAloneOverAnEmptyList)
{
    customer("C1", "客户一");
    A03* w = openA03();
    const QString counter = status();
    msgs->expect("no such column");
    w->FillGrid("select M03.* FROM M03  Where M03.F99 = 1");
    EXPECT_TRUE(msgs->last().text.startsWith("no such column")); // the engine's words, nothing in front
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, gMsgTitle);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "");
    EXPECT_EQ(status(), counter);
    msgs->expect("无客户资料可删除!");
    trigger(w, "Menu_del");
}

TEST_F(A03Test, ASearchFromTheDetailPageShowsTheListBeforeItIsFilled)
{
    customer("C1", "客户一");
    customer("C2", "客户二");
    A03* w = openA03();
    grid(w)->setRow(2);
    tabs(w)->setCurrentIndex(1);
    scriptSearch("无此客户");
    trigger(w, "Menu_query");
    EXPECT_EQ(tabs(w)->currentIndex(), 0);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "");
    // Nothing found: the counter still tells of the list the page showed.
    EXPECT_EQ(status(), "客户资料列表：共 2 条记录 当前为第 2 条");
}

TEST_F(A03Test, EnterWalksTheDetailPageAndTheFullNameStartsAsTheShortName)
{
    A03* w = openA03();
    Pump();
    trigger(w, "Menu_Add");
    type(box(w, 0), "C1");
    pressKey(box(w, 0), Qt::Key_Return);
    type(box(w, 1), "客户一");
    QStringList seen;
    for (int i = 0; i < 13; ++i) {
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr);
        seen << f->objectName();
        pressKey(f, Qt::Key_Return);
        Pump();
    }
    // The strip's factor box sends an empty zone box back to the zone box.
    EXPECT_EQ(seen, QStringList({"Txt(1)", "Txt(2)", "Txt(3)", "Txt(4)", "Txt(5)", "Txt(6)", "Txt(7)", "Txt(8)", "CmbYWY",
                                 "Txt(11)", "TxtHPBM", "TxtSL", "TxtHPBM"}));
    EXPECT_EQ(box(w, 2)->text(), "客户一");
    // The strip's box in the focus is light green, the one left the window colour.
    QLineEdit* factorBox = named(w, "TxtSL");
    ASSERT_EQ(QApplication::focusWidget(), factorBox);
    EXPECT_EQ(factorBox->palette().color(QPalette::Base), VbColor(0xC0FFC0));
    EXPECT_EQ(factorBox->text(), "1"); // the customer's factor
    EXPECT_EQ(named(w, "TxtHPBM")->palette().color(QPalette::Base), VbColor(kWindowColor));
    trigger(w, "Menu_cancel");
}

TEST_F(A03Test, TheRemarkLinesAreLeftAloneAndCanBeCopiedWhileBrowsing)
{
    customer("C1", "客户一");
    Db().execute("update M03 set F91='第二行' where F1='C1'");
    A03* w = openA03();
    QApplication::setActiveWindow(w);
    tabs(w)->setCurrentIndex(1);
    QLineEdit* memo = named(w, "TxtMEMO(0)");
    WindowTest::click(memo);
    ASSERT_TRUE(memo->hasFocus() && memo->isReadOnly());
    memo->selectAll();
    pressKey(memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "第二行");
    // Editing: no colour, and Enter stays in the line.
    trigger(w, "Menu_edit");
    WindowTest::click(memo);
    pressKey(memo, Qt::Key_Return);
    EXPECT_TRUE(memo->hasFocus() && !memo->isReadOnly());
    EXPECT_NE(memo->palette().color(QPalette::Base), VbColor(kFocusColor));
    trigger(w, "Menu_cancel");
    // The English name and address ask for Latin input.
    for (int k = 0; k <= 9; ++k)
        EXPECT_EQ(bool(box(w, k)->inputMethodHints() & Qt::ImhPreferLatin), k == 3 || k == 5) << k;
}
