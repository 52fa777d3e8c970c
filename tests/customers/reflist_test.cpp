#include "reflist_fixture.h"

#include "customers/a030.h"
#include "customers/a04.h"
#include "customers/a05.h"
#include "customers/a06.h"
#include "data/database.h"
#include "platform/flexgrid.h"
#include "data/globals.h"
#include "platform/msgbox.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "data/sqltext.h"
#include "platform/vb.h"
#include "support/failing_reads.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QComboBox>
#include <QTabBar>

namespace {
const QString kGuard = "操作员正在编辑数据,请先[保存]数据或[取消]编辑!";

void waybill(const QString& no, const QString& column, const QString& value)
{
    Db().execute(QStringLiteral("insert into B01 (F1,%1) values (%2,%3)").arg(column, SqlQuote(no), SqlQuote(value)));
}
} // namespace

TEST_F(RefListTest, EmptyListShowsBlankRowAndLeavesTheCounterAlone)
{
    host.panels[4] = "before";
    A04* w = open<A04>();
    FlexGrid* gd = grid(w);
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->cols(), 2);
    EXPECT_EQ(gd->textMatrix(0, 0), "姓名");
    EXPECT_EQ(gd->textMatrix(0, 1), "备注");
    EXPECT_EQ(gd->textMatrix(1, 0), "");
    EXPECT_EQ(w->recCount(), 0);
    EXPECT_EQ(host.panels[4], "before");
    EXPECT_EQ(w->windowTitle(), "外务员资料");
    EXPECT_EQ(w->findChild<QLabel*>("Lab(0)")->text(), "姓 名");
    EXPECT_EQ(w->findChild<QTabBar*>("TabS")->tabText(1), "外务员资料");
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->menuAction()->text();
    EXPECT_EQ(bar, QStringList({"&A.增加", "&E.修改", "&D.删除", "&Q.查找", "&S.保存", "&C.取消", "&R.返回"}));
    EXPECT_FALSE(w->findChild<QAction*>("Menu_save")->isEnabled());
    EXPECT_FALSE(w->findChild<QAction*>("Menu_cancel")->isEnabled());

    // Edit and delete on an empty list do nothing and say nothing.
    trigger(w, "Menu_edit");
    trigger(w, "Menu_del");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_FALSE(gEditing.isSet());
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(RefListTest, AddAppendsUnsortedAndCountsTheSavedRow)
{
    A04* w = open<A04>();
    trigger(w, "Menu_Add");
    EXPECT_EQ(w->editMode(), 1);
    EXPECT_TRUE(gEditing.isSet());
    EXPECT_FALSE(w->findChild<QAction*>("Menu_Add")->isEnabled());
    EXPECT_TRUE(w->findChild<QAction*>("Menu_save")->isEnabled());
    EXPECT_FALSE(w->findChild<QTabBar*>("TabS")->isEnabled());
    type(box(w, 0), "王五");
    type(box(w, 1), "r1");
    trigger(w, "Menu_save");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join("\n").toStdString();
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_FALSE(gEditing.isSet());
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");

    addRecord(w, "李四", "r2");
    FlexGrid* gd = grid(w);
    ASSERT_EQ(gd->rows(), 3);
    EXPECT_EQ(gd->textMatrix(1, 0), "王五");
    EXPECT_EQ(gd->textMatrix(2, 0), "李四"); // appended, not sorted in
    EXPECT_EQ(gd->textMatrix(2, 1), "r2");
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 2 条");
    EXPECT_EQ(w->curRow(), 2);
    EXPECT_EQ(gd->row(), 2);
    EXPECT_TRUE(gd->selectionModel()->isRowSelected(1, {})); // view row of grid row 2
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|r1"}));

    // The key box takes at most 4 characters; texts are stored trimmed.
    trigger(w, "Menu_Add");
    type(box(w, 0), " 赵六七八九");
    EXPECT_EQ(box(w, 0)->text(), " 赵六七");
    type(box(w, 1), "  x  ");
    trigger(w, "Menu_save");
    EXPECT_EQ(rows("M04").value(2), "赵六七|x");

    // A new fill sorts again.
    w->FillGrid("select * from M04 order by F1");
    EXPECT_EQ(gd->textMatrix(1, 0), "李四");
    EXPECT_EQ(host.panels[4], "共 3 条记录 当前为第 1 条");
}

TEST_F(RefListTest, EditRewritesTheRecordAtTheEnd)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "李四", "r2");
    FlexGrid* gd = grid(w);
    gd->setRow(1); // 王五
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 1 条");
    trigger(w, "Menu_edit");
    EXPECT_EQ(w->editMode(), 2);
    EXPECT_EQ(box(w, 0)->text(), "王五");
    EXPECT_FALSE(box(w, 0)->isReadOnly()); // not in use: the name may change
    clearBox(box(w, 1));
    type(box(w, 1), "new remark");
    trigger(w, "Menu_save");
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|new remark"}));
    EXPECT_EQ(gd->rows(), 3);
    EXPECT_EQ(gd->textMatrix(2, 0), "王五");
    EXPECT_EQ(gd->textMatrix(2, 1), "new remark");
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 2 条");

    // Changing the key to a taken one is refused, keeping the typed texts.
    gd->setRow(2);
    trigger(w, "Menu_edit");
    clearBox(box(w, 0));
    type(box(w, 0), "李四");
    msgs->expect("系统中已经有其它外务员使用了这个姓名，请重新设置!");
    trigger(w, "Menu_save");
    EXPECT_EQ(msgs->last().text, "系统中已经有其它外务员使用了这个姓名，请重新设置!");
    EXPECT_EQ(w->editMode(), 2);
    EXPECT_EQ(box(w, 0)->text(), "李四");
    trigger(w, "Menu_cancel");
    EXPECT_EQ(box(w, 0)->text(), "王五");
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|new remark"}));
}

TEST_F(RefListTest, DuplicateAndRequiredFieldsAreRefused)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    msgs->clear();

    msgs->expect("系统中已经有其它外务员使用了这个姓名，请重新设置!");
    addRecord(w, "王五", "again");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "系统中已经有其它外务员使用了这个姓名，请重新设置!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(w->editMode(), 1);
    EXPECT_EQ(box(w, 1)->text(), "again");
    trigger(w, "Menu_cancel");

    msgs->expect("姓 名不能为空!");
    addRecord(w, "   ", "r");
    EXPECT_EQ(msgs->last().text, "姓 名不能为空!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(w->editMode(), 1);
    trigger(w, "Menu_cancel");
    EXPECT_EQ(rows("M04"), QStringList({"王五|r1"}));

    // Origins require the telephone and name the typed text in the duplicate message.
    A05* o = open<A05>();
    msgs->expect("始发地电话不能为空!");
    addRecord(o, "北京", "");
    EXPECT_EQ(msgs->last().text, "始发地电话不能为空!");
    clearBox(box(o, 1));
    type(box(o, 1), "010");
    trigger(o, "Menu_save");
    msgs->expect(" 北京已经存在!");
    addRecord(o, " 北京", "020");
    EXPECT_EQ(msgs->last().text, " 北京已经存在!");
    trigger(o, "Menu_cancel");
    EXPECT_EQ(rows("M05"), QStringList({"北京|010"}));
}

TEST_F(RefListTest, EntryInUseIsRefusedOrDeletedWithItsWaybillsAfterTwoQuestions)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "李四", "r2");
    waybill("W1", "F602", "王五");
    waybill("W2", "F602", "王五");
    waybill("W3", "F602", "李四");
    grid(w)->setRow(1);

    // In use: the key cannot change when editing.
    trigger(w, "Menu_edit");
    EXPECT_TRUE(box(w, 0)->isReadOnly());
    trigger(w, "Menu_cancel");

    gUserCode = "002";
    msgs->clear();
    msgs->expect("[王五]已经在系统中应用，不能删除!");
    trigger(w, "Menu_del");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "[王五]已经在系统中应用，不能删除!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(count("select count(*) from B01"), 3);

    gUserCode = "001";
    msgs->clear();
    msgs->expect("[王五]已经在系统中应用!", vbBtn::Yes);
    msgs->expect("[王五]已经在系统中应用!", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->count(), 2);
    EXPECT_EQ(rows("M04").size(), 2);
    EXPECT_EQ(count("select count(*) from B01"), 3);

    msgs->clear();
    msgs->expect("[王五]已经在系统中应用!", vbBtn::Yes);
    msgs->expect("[王五]已经在系统中应用!", vbBtn::Yes);
    trigger(w, "Menu_del");
    ASSERT_EQ(msgs->count(), 2);
    const QString q = "[王五]已经在系统中应用!\r如果删除将造成系统中其它记录的丢失!\r只有管理员才有权删除。真的要删除吗？";
    EXPECT_EQ(msgs->boxes()[0].text, q);
    EXPECT_EQ(msgs->boxes()[0].style, 36);
    EXPECT_EQ(msgs->boxes()[0].title, "提示");
    EXPECT_EQ(msgs->boxes()[1].text, q);
    EXPECT_EQ(msgs->boxes()[1].title, "请再次确认");
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2"}));
    EXPECT_EQ(count("select count(*) from B01"), 1);
    EXPECT_EQ(count("select count(*) from B01 where F602='李四'"), 1);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "李四");
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");
}

TEST_F(RefListTest, AFailedDuplicateLookUpStopsTheSaveWithOnlyItsOwnBox)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "李四", "r2");
    // Adding the taken key, and editing the other record onto it.
    for (const char* command : {"Menu_Add", "Menu_edit"}) {
        SCOPED_TRACE(command);
        trigger(w, command);
        box(w, 0)->clear();
        type(box(w, 0), "王五");
        msgs->clear();
        msgs->expect("GetStr执行错误!系统返回如下信息：");
        {
            FailingReads failing("M04", "F1");
            trigger(w, "Menu_save");
        }
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_TRUE(msgs->last().text.contains("M04.F1"));
        EXPECT_NE(w->editMode(), 0);
        EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|r1"}));
        trigger(w, "Menu_cancel");
    }
}

TEST_F(RefListTest, AFailedInUseLookUpStopsTheDelete)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    grid(w)->setRow(1);
    gUserCode = "002";
    // The waybills cannot be read: the entry is not taken for unused.
    Db().execute("alter table B01 rename to B01gone");
    msgs->clear();
    msgs->expect("B01");
    trigger(w, "Menu_del");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(rows("M04"), QStringList({"王五|r1"}));
}

TEST_F(RefListTest, DeletingTheLastRowLeavesTheBlankRowAndCountsZero)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "李四", "r2");
    addRecord(w, "赵六", "r3");
    FlexGrid* gd = grid(w);

    // The last row of several: the new last row is current.
    msgs->clear();
    msgs->expect("真的要删除赵六吗?", vbBtn::Yes);
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->last().text, "真的要删除赵六吗?");
    EXPECT_EQ(msgs->last().style, 36);
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 2 条");
    // Another row: the one that follows it is current.
    gd->setRow(1);
    msgs->expect("真的要删除王五吗?", vbBtn::Yes);
    trigger(w, "Menu_del");
    EXPECT_EQ(gd->textMatrix(1, 0), "李四");
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");

    // Started on the detail page, the delete ends on the list page.
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    msgs->expect("真的要删除李四吗?", vbBtn::Yes);
    trigger(w, "Menu_del");
    EXPECT_EQ(w->findChild<QTabBar*>("TabS")->currentIndex(), 0);
    EXPECT_EQ(host.panels[4], "共 0 条记录 当前为第 0 条");
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->textMatrix(1, 0), "");
    EXPECT_EQ(w->curRow(), 0);
    EXPECT_TRUE(rows("M04").isEmpty());

    // Adding to the emptied list drops the blank row.
    addRecord(w, "孙七", "");
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->textMatrix(1, 0), "孙七");
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");
}

TEST_F(RefListTest, CloseGuardWhileAnyListEdits)
{
    A04* w = open<A04>();
    A06* r = open<A06>();
    trigger(w, "Menu_Add");
    host.toolBar = false;
    msgs->clear();
    msgs->expect(kGuard);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, kGuard);
    EXPECT_EQ(msgs->last().style, 48);
    EXPECT_EQ(msgs->last().title, "提示");
    // Return is refused the same way, and so is closing another list.
    msgs->expect(kGuard);
    trigger(w, "Menu_Return");
    EXPECT_TRUE(w->isVisible());
    msgs->expect(kGuard);
    EXPECT_FALSE(r->close());

    // Each window keeps its own mark: one finishing does not free the other.
    trigger(r, "Menu_Add");
    trigger(r, "Menu_cancel");
    EXPECT_TRUE(gEditing.isSet());
    msgs->expect(kGuard);
    EXPECT_FALSE(r->close());
    trigger(w, "Menu_cancel");
    EXPECT_FALSE(gEditing.isSet());

    EXPECT_TRUE(r->close());
    EXPECT_TRUE(host.toolBar);
    EXPECT_EQ(host.panels[4], TodayText());
}

TEST_F(RefListTest, FailedInsertOfAnEditLosesNothing)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "李四", "r2");
    Db().executeNative("CREATE TRIGGER refuse BEFORE INSERT ON M04 WHEN NEW.F2 = 'boom' "
                       "BEGIN SELECT RAISE(ABORT, 'insert refused by rule'); END");
    grid(w)->setRow(1);
    trigger(w, "Menu_edit");
    clearBox(box(w, 1));
    type(box(w, 1), "boom");
    msgs->clear();
    msgs->expect("insert refused by rule");
    trigger(w, "Menu_save");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("insert refused by rule")) << msgs->last().text.toStdString();
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|r1"}));
    EXPECT_EQ(w->editMode(), 2);
    EXPECT_TRUE(gEditing.isSet());
    EXPECT_EQ(box(w, 1)->text(), "boom");
    EXPECT_EQ(grid(w)->rows(), 3);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "王五");

    // A second try with an acceptable text goes through.
    clearBox(box(w, 1));
    type(box(w, 1), "ok");
    trigger(w, "Menu_save");
    EXPECT_EQ(rows("M04"), QStringList({"李四|r2", "王五|ok"}));
}

TEST_F(RefListTest, QuotesAreStoredAsTypedAndBadStatementsKeepTheGrid)
{
    A06* w = open<A06>();
    addRecord(w, "O'Brien's box", "it's wet");
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(rows("M06"), QStringList({"O'Brien's box|it's wet"}));
    waybill("W1", "F702", "O'Brien's box");
    gUserCode = "002";
    msgs->expect("[O'Brien's box]已经在系统中应用，不能删除!");
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->last().text, "[O'Brien's box]已经在系统中应用，不能删除!");

    msgs->clear();
    msgs->expect("NoSuchTable");
    w->FillGrid("select * from NoSuchTable");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("NoSuchTable")) << msgs->last().text.toStdString();
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "O'Brien's box");
    EXPECT_EQ(w->recCount(), 1);
}

TEST_F(RefListTest, SalesmanInUseIsKeptOffCustomersNotWaybills)
{
    A030* w = open<A030>();
    addRecord(w, "张三", "");
    Db().execute("insert into M03 (F1,F2,F8) values ('C1','客户一','张三')");
    waybill("W1", "F602", "张三"); // a field-staff member of the same name
    msgs->expect("[张三]已经在系统中应用!", vbBtn::Yes);
    msgs->expect("[张三]已经在系统中应用!", vbBtn::Yes);
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->count(), 2);
    EXPECT_TRUE(rows("M030").isEmpty());
    EXPECT_EQ(count("select count(*) from M03 where F1='C1' and F8=''"), 1);
    EXPECT_EQ(count("select count(*) from B01"), 1);
}

TEST_F(RefListTest, BoxesColourInEditModeEnterMovesOnBrowseFocusGoesToTabs)
{
    A04* w = open<A04>();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    Pump();
    addRecord(w, "王五", "r1");

    QTabBar* tabs = w->findChild<QTabBar*>("TabS");
    box(w, 1)->setFocus();
    EXPECT_TRUE(tabs->hasFocus());

    trigger(w, "Menu_Add");
    ASSERT_TRUE(box(w, 0)->hasFocus());
    EXPECT_EQ(box(w, 0)->palette().color(QPalette::Base), VbColor(kFocusColor));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(box(w, 0), &enter);
    EXPECT_TRUE(box(w, 1)->hasFocus());
    EXPECT_EQ(box(w, 1)->palette().color(QPalette::Base), VbColor(kFocusColor));
    EXPECT_NE(box(w, 0)->palette().color(QPalette::Base), VbColor(kFocusColor));
    trigger(w, "Menu_cancel");
    EXPECT_TRUE(tabs->hasFocus());
}

TEST_F(RefListTest, DetailPageShowsTheCurrentRecordAndDoubleClickOpensIt)
{
    A05* w = open<A05>();
    addRecord(w, "北京", "010");
    addRecord(w, "上海", "021");
    QTabBar* tabs = w->findChild<QTabBar*>("TabS");
    tabs->setCurrentIndex(0);
    grid(w)->setRow(1);
    emit grid(w)->dblClick();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(box(w, 0)->text(), "北京");
    EXPECT_EQ(box(w, 1)->text(), "010");
    EXPECT_TRUE(box(w, 1)->isReadOnly());
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(grid(w)->isVisible());
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 1 条");
}

TEST_F(RefListTest, SearchRefillsFromTheDialogAndCancelKeepsTheList)
{
    A04* w = open<A04>();
    addRecord(w, "王五", "r1");
    addRecord(w, "O'Ne", "r2");
    addRecord(w, "李四", "r3");

    // The dialog starts on the second field; a value with "'" finds what it says.
    QStringList seen;
    modal->on("Query", [&](QDialog&) {
        Query& q = Query::shared();
        seen << q.SqlHeadstr << q.CmbF->currentText() << QString::number(q.CmbF->count());
        q.CmbF->setCurrentIndex(0);
        q.CmbGX->setCurrentIndex(q.CmbGX->findText("等于(=)"));
        q.Txt->setText("O'Ne");
        q.addCondition();
        q.runQuery();
    });
    trigger(w, "Menu_query");
    EXPECT_EQ(seen, QStringList({"Select M04.* from M04 ", "备注", "2"}));
    EXPECT_TRUE(w->PubSql.startsWith("Select M04.* from M04 ")) << w->PubSql.toStdString();
    EXPECT_TRUE(w->PubSql.contains("'O''Ne'")) << w->PubSql.toStdString();
    FlexGrid* gd = grid(w);
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->textMatrix(1, 0), "O'Ne");
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");

    // Cancelled: PubSql "" and the grid stays as it was.
    modal->on("Query", [](QDialog&) { Query::shared().cancel(); });
    trigger(w, "Menu_query");
    EXPECT_EQ(w->PubSql, "");
    EXPECT_EQ(gd->textMatrix(1, 0), "O'Ne");

    // Nothing found: the blank row and count 0; the fill writes no counter.
    modal->on("Query", [](QDialog&) {
        Query& q = Query::shared();
        q.CmbF->setCurrentIndex(0);
        q.CmbGX->setCurrentIndex(q.CmbGX->findText("等于(=)"));
        q.Txt->setText("nobody");
        q.addCondition();
        q.runQuery();
    });
    trigger(w, "Menu_query");
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(gd->textMatrix(1, 0), "");
    EXPECT_EQ(w->recCount(), 0);
    EXPECT_FALSE(host.panels[4].startsWith("共 0"));
}

namespace {
// A list with the optional export command, as the larger windows have it.
class ExportingList : public ListFrame {
public:
    ExportingList()
        : ListFrame("ExportingList")
    {
        setTable("M04");
        setListSql("select * from M04 order by F1");
        addField({.header = "姓名", .label = "姓 名", .column = "F1"});
        addField({.header = "备注", .label = "备 注", .column = "F2"});
        addExportCommand("Menu_toExcel");
        addPrintCommand();
        setCounterPrefix("速递单：");
    }
};
} // namespace

TEST_F(RefListTest, ExportCommandHandsTheGridToTheExportDialog)
{
    Db().execute("insert into M04 (F1,F2) values ('王五','r1')");
    ExportingList* w = open<ExportingList>();
    EXPECT_EQ(host.panels[4], "速递单：共 1 条记录 当前为第 1 条");
    QAction* exp = w->findChild<QAction*>("Menu_toExcel");
    ASSERT_NE(exp, nullptr);
    EXPECT_EQ(exp->text(), "&T.导出数据");
    // The optional commands take their places among the frame's own.
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->objectName();
    EXPECT_EQ(bar, QStringList({"Menu_Add", "Menu_edit", "Menu_del", "Menu_query", "Menu_print", "Menu_save",
                                "Menu_cancel", "Menu_toExcel", "Menu_Return"}));
    trigger(w, "Menu_Add");
    EXPECT_FALSE(exp->isEnabled());
    EXPECT_FALSE(w->findChild<QAction*>("Menu_print")->isEnabled());
    trigger(w, "Menu_cancel");
    EXPECT_TRUE(exp->isEnabled());
    EXPECT_TRUE(w->findChild<QAction*>("Menu_print")->isEnabled());

    FlexGrid* handed = nullptr;
    modal->on("ToExcel", [&](QDialog& d) {
        handed = ToExcel::shared().Sgd;
        d.reject();
    });
    exp->trigger();
    EXPECT_EQ(handed, grid(w));
}

namespace {
// What the operator sees of each list and what it refuses, window by window.
struct ListLook {
    const char* window;
    QString title, listTab, detailTab, lab0, lab1, head0, head1;
    int keyLength;
    bool secondRequired;
    QString duplicate; // "%1": the key as typed
    QString table, waybillField;
};

template <class W>
ListFrame* OpenList(QList<QPointer<QWidget>>& keep)
{
    auto* w = new W;
    keep.append(w);
    w->formLoad();
    w->showInHost();
    return w;
}
} // namespace

TEST_F(RefListTest, EachListShowsItsOwnTextsLimitsAndMessages)
{
    const QList<ListLook> looks = {
        {"A04", "外务员资料", "外务员列表", "外务员资料", "姓 名", "备 注", "姓名", "备注", 4, false,
         "系统中已经有其它外务员使用了这个姓名，请重新设置!", "M04", "F602"},
        {"A030", "业务员资料", "业务员列表", "业务员资料", "姓 名", "备 注", "姓名", "备注", 20, false,
         "系统中已经有其它业务员使用了这个姓名，请重新设置!", "M030", ""},
        {"A05", "始发地资料", "始发地列表", "始发地资料", "始发地名称", "始发地电话", "始发地名称", "始发地电话", 4, true,
         "%1已经存在!", "M05", "F201"},
        {"A06", "速递事故原因设置", "事故原因列表", "事故原因资料", "事故原因", "备注信息", "事故原因", "备注信息", 50,
         false, "%1已经存在!", "M06", "F702"},
    };
    QList<QPointer<QWidget>> keep;
    for (const ListLook& l : looks) {
        SCOPED_TRACE(l.window);
        const QString name = l.window;
        ListFrame* w = name == "A04" ? OpenList<A04>(keep)
            : name == "A030"         ? OpenList<A030>(keep)
            : name == "A05"          ? OpenList<A05>(keep)
                                     : OpenList<A06>(keep);
        EXPECT_EQ(w->objectName(), name);
        EXPECT_EQ(w->windowTitle(), l.title);
        auto* tabs = w->findChild<QTabBar*>("TabS");
        EXPECT_EQ(tabs->tabText(0), l.listTab);
        EXPECT_EQ(tabs->tabText(1), l.detailTab);
        EXPECT_EQ(w->findChild<QLabel*>("Lab(0)")->text(), l.lab0);
        EXPECT_EQ(w->findChild<QLabel*>("Lab(1)")->text(), l.lab1);
        EXPECT_EQ(grid(w)->textMatrix(0, 0), l.head0);
        EXPECT_EQ(grid(w)->textMatrix(0, 1), l.head1);

        // Over-long texts are cut at the box's limit as they are typed.
        trigger(w, "Menu_Add");
        type(box(w, 0), QString(60, QChar(u'甲')));
        EXPECT_EQ(box(w, 0)->text().size(), l.keyLength);
        type(box(w, 1), QString(60, QChar('x')));
        EXPECT_EQ(box(w, 1)->text().size(), 49);
        clearBox(box(w, 0));
        msgs->clear();
        msgs->expect(l.lab0 + "不能为空!");
        trigger(w, "Menu_save");
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_EQ(msgs->last().text, l.lab0 + "不能为空!");
        EXPECT_EQ(msgs->last().style, 64);
        type(box(w, 0), "甲");
        clearBox(box(w, 1));
        if (l.secondRequired)
            msgs->expect(l.lab1 + "不能为空!");
        trigger(w, "Menu_save");
        if (l.secondRequired) {
            EXPECT_EQ(msgs->last().text, l.lab1 + "不能为空!");
            type(box(w, 1), "1");
            trigger(w, "Menu_save");
        }
        EXPECT_EQ(w->editMode(), 0);
        EXPECT_EQ(count("select count(*) from " + l.table + " where F1='甲'"), 1);

        msgs->expect(QString(l.duplicate).replace("%1", " 甲"));
        addRecord(w, " 甲", "2");
        EXPECT_EQ(msgs->last().text, QString(l.duplicate).replace("%1", " 甲"));
        EXPECT_EQ(msgs->last().style, 64);
        EXPECT_EQ(msgs->last().title, gMsgTitle);
        trigger(w, "Menu_cancel");

        // Each list is in use through its own waybill field and no other.
        for (const char* field : {"F602", "F201", "F702"}) {
            Db().execute("delete from B01");
            waybill("W1", field, "甲");
            trigger(w, "Menu_edit");
            EXPECT_EQ(box(w, 0)->isReadOnly(), l.waybillField == field) << field;
            trigger(w, "Menu_cancel");
        }
        Db().execute("delete from B01");
    }
    for (const QPointer<QWidget>& p : keep)
        delete p.data();
}

TEST_F(RefListTest, AStoredTextLongerThanItsBoxTakesIsShownAndSavedWhole)
{
    // Written before the limits were what they are: a name over 4 characters
    // that a waybill uses, a remark over 49.
    const QString name = "欧阳上官司马";
    const QString remark = QString(30, QChar('r')) + QString(30, QChar(u'注'));
    Db().execute("insert into M04 (F1,F2) values (" + SqlQuote(name) + "," + SqlQuote(remark) + ")");
    waybill("W1", "F602", name);
    A04* w = open<A04>();
    trigger(w, "Menu_edit");
    EXPECT_EQ(box(w, 0)->text(), name);
    EXPECT_EQ(box(w, 1)->text(), remark);
    // Typing cannot lengthen it; the save writes back what was stored.
    type(box(w, 1), "x");
    EXPECT_EQ(box(w, 1)->text(), remark);
    trigger(w, "Menu_save");
    EXPECT_EQ(rows("M04"), QStringList({name + "|" + remark}));
    EXPECT_EQ(count("select count(*) from B01 where F602=" + SqlQuote(name)), 1);

    // The operator may shorten it.
    trigger(w, "Menu_edit");
    box(w, 1)->end(false);
    pressKey(box(w, 1), Qt::Key_Backspace);
    trigger(w, "Menu_save");
    EXPECT_EQ(rows("M04"), QStringList({name + "|" + remark.chopped(1)}));
}

TEST_F(RefListTest, AfterARefusalTheFocusGoesBackWhereItWasOrToTheNamedBox)
{
    // While the message shows the focus leaves the window (to the box, the
    // main window's menu bar); the refusal gives it back.
    QStringList seen;
    SetMsgResponder([&](const MsgRecord& r) {
        seen << r.text;
        if (QWidget* f = QApplication::focusWidget())
            f->clearFocus();
        return vbBtn::OK;
    });
    struct Case {
        const char* window;
        int typedInto;     // the box holding the focus when save runs
        QString key, second, message;
        int focusAfter;
    };
    Db().execute("insert into M04 (F1,F2) values ('王五','')");
    const Case cases[] = {
        {"A05", 0, "Y", "", "始发地电话不能为空!", 0},
        {"A04", 1, "", "r", "姓 名不能为空!", 1},
        {"A04", 1, "王五", "r", "系统中已经有其它外务员使用了这个姓名，请重新设置!", 0}, // the duplicate names the key box
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        ListFrame* w = QString(c.window) == "A05" ? static_cast<ListFrame*>(open<A05>()) : open<A04>();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        Pump();
        trigger(w, "Menu_Add");
        type(box(w, 0), c.key);
        box(w, c.typedInto)->setFocus();
        type(box(w, 1), c.second);
        seen.clear();
        trigger(w, "Menu_save");
        EXPECT_EQ(seen, QStringList({c.message})); // this box and no other
        EXPECT_EQ(w->editMode(), ListFrame::Adding);
        ASSERT_TRUE(box(w, c.focusAfter)->hasFocus());
        // The next keys go into that box.
        type(QApplication::focusWidget(), "Z");
        EXPECT_TRUE(box(w, c.focusAfter)->text().endsWith("Z"));
        trigger(w, "Menu_cancel");
        w->close();
    }
}
