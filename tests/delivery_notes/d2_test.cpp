#include "delivery_fixture.h"
#include "delivery_notes/d2.h"
#include "dialogs/toexcel.h"
#include "platform/msgbox.h"
#include "platform/window_registry.h"

#include <QMenu>

namespace {

class D2Test : public DeliveryTest {
protected:
    void SetUp() override
    {
        DeliveryTest::SetUp();
        payment("C01", "N002", "2024-05-12", "50.5", "200");
        payment("C02", "N004", "2024-05-20", "70", "-10");
        payment("C09", "N007", "2024-05-16", "5", "15");      // no such customer
        payment("C01", "N999", "2024-05-18", "12", "NULL");   // no such note
    }
    // Runs the search with the conditions the step adds (none: every payment).
    void search(D2* d2, std::function<void(Query&)> conditions = {})
    {
        modals->on("Query", [conditions](QDialog&) {
            Query& q = Query::shared();
            if (conditions)
                conditions(q);
            q.runQuery();
        });
        trigger(d2, "Menu_query");
    }
};

TEST_F(D2Test, OpensEmptyWithItsHeadersAndCommands)
{
    D2* d2 = open<D2>();
    EXPECT_EQ(d2->windowTitle(), "客户付款记录");
    FlexGrid* gd = grid(d2);
    EXPECT_EQ(gd->rows(), 2);
    EXPECT_EQ(rowText(gd, 0), "客户编号|客户名称|发货单编号|发货单金额|付款日期|付款金额|结余金额");
    EXPECT_EQ(rowText(gd, 1), "||||||");
    for (int c : {3, 5, 6})
        EXPECT_TRUE(gd->colAlignment(c) & Qt::AlignRight) << c;
    EXPECT_EQ(d2->curSql(), "");
    QStringList bar, off;
    for (QMenu* m : d2->menus()) {
        bar << m->menuAction()->text();
        if (!m->menuAction()->isEnabled())
            off << m->objectName();
    }
    EXPECT_EQ(bar, QStringList({"&A.付款", "&Q.查找", "&S.排序", "&T.导出数据", "&P.打印", "&R.返回"}));
    EXPECT_EQ(off, QStringList({"Menu_Sort", "Menu_print"}));
}

TEST_F(D2Test, SearchListsThePaymentsWithASumsRow)
{
    D2* d2 = open<D2>();
    QStringList handed;
    modals->on("Query", [&](QDialog&) {
        Query& q = Query::shared();
        handed << q.SqlHeadstr << q.CmbF->currentText();
        for (int r = 0; r < q.GD->rows(); ++r)
            handed << q.GD->rowTexts(r).join(',');
        q.runQuery();
    });
    trigger(d2, "Menu_query");
    EXPECT_EQ(handed, QStringList({"select TD2.F1,TA2.F2,TD2.F2,TD1.F9,TD2.F3,TD2.F4,TD2.F5 from (TD2 left join TA2 on "
                                   "TD2.F1=TA2.F1) left join  TD1 ON TD2.F2=TD1.F1 ",
                                   "发货单编号", "客户编号,TD2.F1,0", "发货单编号,TD2.F2,0", "付款日期,TD2.F3,2"}));
    FlexGrid* gd = grid(d2);
    ASSERT_EQ(gd->rows(), 6);
    // Left joins keep a payment without customer or note; Null shows empty;
    // the balance in the money format.
    EXPECT_EQ(rowText(gd, 1), "C01|华联商场|N002|250.5|2024-05-12|50.5|200.00");
    EXPECT_EQ(rowText(gd, 2), "C02|新星贸易|N004|60|2024-05-20|70|-10.00");
    EXPECT_EQ(rowText(gd, 3), "C09||N007|20|2024-05-16|5|15.00");
    EXPECT_EQ(rowText(gd, 4), "C01|华联商场|N999||2024-05-18|12|");
    // Note amounts and payments summed as plain numbers, the balance not.
    EXPECT_EQ(rowText(gd, 5), "|||330.5||137.5|");
    EXPECT_EQ(d2->curSql(), handed[0]);
    EXPECT_EQ(d2->curRow(), 1);
    EXPECT_EQ(gd->row(), 1);
    EXPECT_EQ(host.panels[4], "客户付款记录：共 4 条记录 当前为第 1 条");

    // A condition narrows the list; the counter follows.
    search(d2, [](Query& q) {
        q.CmbF->setCurrentIndex(0);
        q.Txt->setText("C01");
        q.addCondition();
    });
    ASSERT_EQ(gd->rows(), 4);
    EXPECT_EQ(gd->textMatrix(3, 3), "250.5");
    EXPECT_EQ(host.panels[4], "客户付款记录：共 2 条记录 当前为第 1 条");
}

TEST_F(D2Test, TheSumsRowCannotBeCurrent)
{
    D2* d2 = open<D2>();
    search(d2);
    FlexGrid* gd = grid(d2);
    gd->setRow(5);
    EXPECT_EQ(gd->row(), 4);
    EXPECT_EQ(d2->curRow(), 4);
    EXPECT_EQ(host.panels[4], "客户付款记录：共 4 条记录 当前为第 4 条");
    gd->setRow(2);
    EXPECT_EQ(d2->curRow(), 2);
}

TEST_F(D2Test, CancelledSearchKeepsTheListAndNoHitsLeaveTheBlankRow)
{
    D2* d2 = open<D2>();
    search(d2);
    const QString sql = d2->curSql();
    modals->on("Query", [](QDialog&) { Query::shared().cancel(); });
    trigger(d2, "Menu_query");
    EXPECT_EQ(d2->PubSql, "");
    EXPECT_EQ(d2->curSql(), sql);
    EXPECT_EQ(grid(d2)->rows(), 6);

    search(d2, [](Query& q) {
        q.CmbF->setCurrentIndex(0);
        q.Txt->setText("nobody");
        q.addCondition();
    });
    EXPECT_EQ(grid(d2)->rows(), 2);
    EXPECT_EQ(rowText(grid(d2), 1), "||||||");
    EXPECT_EQ(host.panels[4], "无信息");
}

TEST_F(D2Test, AFailingLoadShowsTheEngineText)
{
    D2* d2 = open<D2>();
    msgs->expect("NoSuchTable");
    d2->FillGrid("select * from NoSuchTable");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("NoSuchTable")) << msgs->last().text.toStdString();
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(grid(d2)->rows(), 2);
}

TEST_F(D2Test, ExportHandsTheGridAndPaymentOpensTheEntryByName)
{
    D2* d2 = open<D2>();
    search(d2);
    FlexGrid* handed = nullptr;
    modals->on("ToExcel", [&](QDialog& d) {
        handed = ToExcel::shared().Sgd;
        d.reject();
    });
    trigger(d2, "Menu_ToExcel");
    EXPECT_EQ(handed, grid(d2));

    QWidget* parent = nullptr;
    modals->on("D201", [&](QDialog& d) {
        parent = d.parentWidget();
        d.reject();
    });
    trigger(d2, "Menu_A");
    EXPECT_EQ(parent, d2);
    EXPECT_EQ(grid(d2)->rows(), 6);
}

TEST_F(D2Test, ReturnUnloadsAndGivesBackTheToolBarAndDate)
{
    host.toolBar = false;
    D2* d2 = open<D2>();
    d2->FillGrid("select * from TD2");
    trigger(d2, "Menu_Return");
    Pump();
    EXPECT_TRUE(host.toolBar);
    EXPECT_EQ(host.panels[4], TodayText());
}

TEST_F(D2Test, TheWindowsAreRegisteredByName)
{
    for (const char* name : {"D2", "D3", "D201"})
        EXPECT_TRUE(WindowRegistry::isRegistered(name)) << name;
    ChildWindow* w = WindowRegistry::openChild("D2");
    EXPECT_EQ(w->objectName(), "D2");
    EXPECT_EQ(WindowRegistry::openChild("D2"), w);
    w->close();
    Pump();
    EXPECT_EQ(WindowRegistry::loaded("D2"), nullptr);
}

} // namespace
