#include "road_fixture.h"

#include "accounts/entry_grid.h"
#include "customers/a03.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/prnt.h"
#include "dialogs/report_engine.h"
#include "dialogs/report_window.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"
#include "support/ledger_check.h"
#include "waybills/b01.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {

// The ledger as "F1|LB|S2|F3|YF|FK|QC|QM|S1|F6", in sequence order.
QStringList Ledger()
{
    return Records("select F1,LB,S2,F3,YF,FK,QC,QM,S1,F6 from TB1 order by SN");
}

} // namespace

class WaybillRoadTest : public RoadTest {
protected:
    // Everything a waybill rests on, entered through the windows.
    void buildThePriceData()
    {
        setPricingStandard();
        addChannel();
        addChannelZone();
        addCompanyZone();
        addReferenceLists();
        addCustomerWithQuote();
    }

    // Opens a print's preview and checks it names `texts`; the host is closed again.
    void expectPreview(QWidget* w, const char* action, const QStringList& texts, const QString& picture)
    {
        auto* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget());
        ASSERT_NE(frame, nullptr);
        const bool wasMaximized = frame->isMaximized();
        choose(w, action);
        ASSERT_NE(Prnt::Loaded(), nullptr) << action;
        const QStringList page = PreviewPageTexts();
        for (const QString& t : texts)
            EXPECT_TRUE(page.contains(t)) << action << " preview lacks " << t.toStdString() << " in "
                                          << page.join(" / ").toStdString();
        // A maximized preview fills the work area.
        auto* preview = qobject_cast<QMdiSubWindow*>(Prnt::Loaded()->parentWidget());
        ASSERT_NE(preview, nullptr);
        if (preview->isMaximized()) {
            EXPECT_EQ(preview->size(), main->mdiArea()->viewport()->size()) << action;
        }
        grab(picture);
        choose(Prnt::Loaded(), "Menu_Rtn");
        // The window that printed is in front again, as it stood, its commands in the bar.
        QMdiSubWindow* sub = main->mdiArea()->activeSubWindow();
        EXPECT_EQ(sub ? sub->widget() : nullptr, w) << action;
        EXPECT_EQ(frame->isMaximized(), wasMaximized) << action;
    }

    // Types one cell of a ledger entry row and moves on with Enter.
    void typeCell(LedgerEntryWindow* w, const QString& text)
    {
        QWidget* e = w->editor()->widget();
        ASSERT_NE(e, nullptr) << "no cell editor open";
        if (auto* cb = qobject_cast<QComboBox*>(e))
            e = cb->lineEdit();
        if (auto* line = qobject_cast<QLineEdit*>(e))
            line->selectAll();
        e->setFocus();
        if (text.isEmpty())
            key(e, Qt::Key_Backspace);
        typeHere(text);
        key(e, Qt::Key_Return);
    }

    static void setDates(QWidget* w, const QDate& from, const QDate& to)
    {
        w->findChild<QDateEdit*>("DTP(0)")->setDate(from);
        w->findChild<QDateEdit*>("DTP(1)")->setDate(to);
    }
};

TEST_F(WaybillRoadTest, OneWaybillFromThePriceListsThroughTheLedgerToTheReports)
{
    buildThePriceData();
    if (HasFatalFailure())
        return;
    // The customer's two quote sheets.
    auto* customers = qobject_cast<A03*>(WindowRegistry::loaded("A03"));
    ASSERT_NE(customers, nullptr);
    expectPreview(customers, "Menu_print1", {"国际快递报价表", "TO:甲公司", "首1.0Kg", "18.0", "10.2"}, "road_06_A03_print1");
    expectPreview(customers, "Menu_print2", {"国内快递报价表", "TO:甲公司"}, "road_06_A03_print2");
    choose(customers, "Menu_Return");

    enterWaybill();
    if (HasFatalFailure())
        return;
    auto* waybills = qobject_cast<B01*>(WindowRegistry::loaded("B01"));
    EXPECT_EQ(GridRowText(waybills->grid(), 1, 11),
              "W0001|" + today() + "|东京|D|1|月结|快递通道|甲公司|张三|管理员|");
    EXPECT_EQ(panel4(), "速递单：共 1 条记录 当前为第 1 条");
    EXPECT_EQ(FirstRecord("select F1,F603,F602,F201,F203,F2031,F301,F401,F402,F404,F501,F502,F503,F505,F508,F504,"
                       "F202,F2021,F507,F506,F604,DF,YJ,XJ,F2041 from B01"),
              "W0001|C001|张三|深圳|JP|东京|D|1|1.8|1.8|月结|30|5|1.1|2|40.5|E|E1|44|1|管理员|0|40.5|0|甲贸易有限公司");

    // The receivable for the customer, the payable for the channel, the
    // payable numbered right after the receivable.
    EXPECT_EQ(Ledger(), QStringList({"YSW0001|-9|增加应收|甲公司|40.5|0|0|40.5|老张|管理员",
                                     "YFW0001|9|增加应付|快递通道|44|0|0|44|老张|管理员"}));
    EXPECT_EQ(FirstColumn("select SN from TB1 order by SN"), QStringList({"31", "32"}));
    ExpectChainsHold();

    // The receivable stands in the debt entry list for receivables.
    auto* debts = open<LedgerEntryWindow>("Menu_ys", "zhLst");
    ASSERT_NE(debts, nullptr);
    ASSERT_GE(debts->grid()->rows(), 2);
    EXPECT_EQ(GridRowText(debts->grid(), 1, 9), "YSW0001|" + today() + "|甲公司|||40.5|老张|管理员|");
    grab("road_08_zhLst");
    choose(debts, "Menu_Return");

    // A receipt of 15 from the customer.
    auto* receipts = open<LedgerEntryWindow>("Menu_sk", "PayLst");
    ASSERT_NE(receipts, nullptr);
    EXPECT_EQ(receipts->windowTitle(), "收款");
    choose(receipts, "Menu_Add");
    const QString receiptNo = receipts->grid()->textMatrix(receipts->currentRow(), 0);
    EXPECT_TRUE(receiptNo.startsWith("SK")) << receiptNo.toStdString();
    key(receipts->editor()->widget(), Qt::Key_Return);
    for (const QString& cell : {today(), QStringLiteral("甲公司"), QStringLiteral("15"), QStringLiteral("王五"), QString()})
        typeCell(receipts, cell);
    grab("road_09_PayLst_typing");
    choose(receipts, "Menu_save");
    EXPECT_EQ(Ledger().value(2), receiptNo + "|-10|收款|甲公司|0|15|40.5|25.5|王五|管理员");
    ExpectChainsHold();
    grab("road_09_PayLst_saved");
    choose(receipts, "Menu_Return");

    // The detail ledger of receivables: the waybill, the receipt, the party's total.
    auto* detail = open<ChildWindow>("Menu_ysmx", "KuanMx");
    ASSERT_NE(detail, nullptr);
    auto* detailGrid = detail->findChild<FlexGrid*>("GD");
    EXPECT_EQ(GridLines(detailGrid),
              QStringList({"甲公司||YSW0001|增加应收|||0.00|40.50||40.50",
                           "甲公司||" + receiptNo + "|收款|||||15.00|25.50",
                           "甲公司||| 合  计 |||0.00|40.50|15.00|25.50", "|||||||||"}));
    EXPECT_EQ(panel4(), "进出流水帐：共 3 条记录 当前为第 1 条");
    grab("road_11_KuanMx");
    expectPreview(detail, "Menu_print", {"甲公司", "40.50", "25.50"}, "road_11_KuanMx_print");

    // The summary ledgers of both sides.
    auto* summary = open<ChildWindow>("Menu_ysz", "KuanHz");
    ASSERT_NE(summary, nullptr);
    auto* summaryGrid = summary->findChild<FlexGrid*>("GD");
    EXPECT_EQ(GridLines(summaryGrid), QStringList({"甲公司||||||0.00|40.50|15.00|25.50", "||||||0.00|40.50|15.00|25.50"}));
    grab("road_12_KuanHz");
    expectPreview(summary, "Menu_print", {"甲公司", "25.50"}, "road_12_KuanHz_print");
    summary = open<ChildWindow>("Menu_yfz", "KuanHz");
    EXPECT_EQ(GridLines(summaryGrid), QStringList({"快递通道||||||0.00|44.00|0.00|44.00", "||||||0.00|44.00|0.00|44.00"}));
    choose(summary, "Menu_Return");

    // The customer's reconciliation lists the waybill with its weight and freight.
    auto* reconciliation = open<ReportWindow>("Menu_C02", "C02");
    ASSERT_NE(reconciliation, nullptr);
    setDates(reconciliation, QDate::currentDate(), QDate::currentDate());
    pick(list(reconciliation, "Cmb"), "C001");
    reconciliation->findChild<QPushButton*>("Cmd")->click();
    Pump();
    EXPECT_EQ(GridLines(reconciliation->grid()),
              QStringList({today() + "|W0001|D|东京|1.8|30|5|1.1|2|40.5", "||||1.8|||||40.5"}));
    EXPECT_EQ(panel4(), "共 2 条记录 当前为第 1 条");
    // Weight and freight stand right-aligned like the ledgers' money.
    for (int c : {4, 9})
        EXPECT_EQ(reconciliation->grid()->colAlignment(c), Qt::AlignRight | Qt::AlignVCenter) << c;
    grab("road_13_C02");
    expectPreview(reconciliation, "Menu_P", {"对帐单位: 甲公司", "W0001", "40.50"}, "road_13_C02_print");
    choose(reconciliation, "menu_R");

    // The gross-profit table: the fee against the channel's cost.
    auto* profit = open<ReportWindow>("Menu_C06", "C06");
    ASSERT_NE(profit, nullptr);
    setDates(profit, QDate::currentDate(), QDate::currentDate());
    profit->findChild<QPushButton*>("Cmd")->click();
    Pump();
    ASSERT_EQ(profit->grid()->rows(), 3);
    EXPECT_EQ(GridRowText(profit->grid(), 1, 7), "甲公司|0|40.5|0|40.5|44|1");
    EXPECT_EQ(profit->grid()->textMatrix(1, 10), "-4.50");
    EXPECT_EQ(profit->grid()->textMatrix(1, 11), "王经理");
    EXPECT_EQ(GridRowText(profit->grid(), 2, 7), "|0|40.5|0|40.5|44|1");
    grab("road_14_C06");
    expectPreview(profit, "Menu_P", {"王经理", "甲公司", "40.50", "44.00", "-4.50"}, "road_14_C06_print");
    choose(profit, "menu_R");

    // The waybill is corrected to 2.6 Kg: the fee, total and cost compute
    // again and its entries are replaced, the receipt's balance before them.
    ASSERT_EQ(command("Menu_b", "B01"), waybills);
    choose(waybills, "Menu_edit");
    EXPECT_EQ(waybills->editMode(), 2);
    EXPECT_TRUE(waybills->chkChuHuo()->isChecked());
    typeInto(box(waybills, 21), "2.6");
    click(box(waybills, 26));
    EXPECT_EQ(box(waybills, 26)->text(), "42"); // 18 + 4 x 6
    click(box(waybills, 28));
    EXPECT_EQ(box(waybills, 28)->text(), "53.70"); // (42 + 5) x 1.1 + 2
    typeInto(box(waybills, 23), "2.6");
    click(box(waybills, 34));
    EXPECT_EQ(box(waybills, 34)->text(), "60.00"); // 20 + 5 x 8
    choose(waybills, "Menu_save");
    EXPECT_EQ(waybills->editMode(), 0);
    EXPECT_EQ(Ledger(), QStringList({receiptNo + "|-10|收款|甲公司|0|15|0|-15|王五|管理员",
                                     "YSW0001|-9|增加应收|甲公司|53.7|0|-15|38.7|老张|管理员",
                                     "YFW0001|9|增加应付|快递通道|60|0|0|60|老张|管理员"}));
    ExpectChainsHold();
    summary = open<ChildWindow>("Menu_ysz", "KuanHz");
    ASSERT_NE(summary, nullptr);
    summaryGrid = summary->findChild<FlexGrid*>("GD");
    EXPECT_EQ(GridLines(summaryGrid), QStringList({"甲公司||||||0.00|53.70|15.00|38.70", "||||||0.00|53.70|15.00|38.70"}));
    grab("road_15_KuanHz_after_edit");
    choose(summary, "Menu_Return");

    // The waybill goes; its two entries go with it and the receipt's balance follows.
    ASSERT_EQ(command("Menu_b", "B01"), waybills);
    msgs->expect("真的要删除单号为:W0001的单据吗？", vbBtn::Yes);
    choose(waybills, "Menu_del");
    EXPECT_EQ(FirstColumn("select F1 from B01"), QStringList());
    EXPECT_EQ(Ledger(), QStringList({receiptNo + "|-10|收款|甲公司|0|15|0|-15|王五|管理员"}));
    ExpectChainsHold();
    EXPECT_EQ(panel4(), "速递单：无单据信息");
    ASSERT_EQ(command("Menu_ysmx", "KuanMx"), detail);
    detail->findChild<QPushButton*>("Cmd")->click();
    Pump();
    EXPECT_EQ(GridLines(detailGrid), QStringList({"甲公司||" + receiptNo + "|收款|||0.00||15.00|-15.00",
                                                  "甲公司||| 合  计 |||0.00|0.00|15.00|-15.00", "|||||||||"}));
    grab("road_16_KuanMx_after_delete");
}

TEST_F(WaybillRoadTest, AClerkWithoutThePriceRightEntersAWaybillWithThePricesHidden)
{
    buildThePriceData();
    if (HasFatalFailure())
        return;
    choose(WindowRegistry::loaded("A03"), "Menu_Return");
    addClerkAndLogIn();
    if (HasFatalFailure())
        return;

    auto* w = open<B01>("Menu_b", "B01");
    ASSERT_NE(w, nullptr);
    for (int k : {23, 26, 27, 33, 43, 28, 45, 35, 44, 34, 5, 40})
        EXPECT_EQ(box(w, k)->echoMode(), QLineEdit::Password) << k;
    choose(w, "Menu_Add");
    EXPECT_FALSE(w->cmb(5)->isVisible());
    EXPECT_FALSE(w->cmb(40)->isVisible());
    EXPECT_EQ(box(w, 29)->text(), "李四");
    typeInto(box(w, 0), "W0002");
    pick(w->cmb(31), "C001");
    pick(w->cmb(6), "JP");
    click(w->cmb(7));
    pick(w->cmb(7), "大阪");
    pick(w->cmb(17), "S.");
    typeInto(box(w, 21), "0.5");
    // The fee and the total compute unseen: the parcel's first price, 30;
    // the clerk types the factor over the stars.
    click(box(w, 26));
    EXPECT_EQ(box(w, 26)->text(), "30");
    typeInto(box(w, 33), "1");
    click(box(w, 28));
    EXPECT_EQ(box(w, 28)->text(), "30.00");
    grab("road_17_B01_clerk_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F603,F301,F502,F505,F504,F202,F507,F604,F601 from B01"),
              "W0002|C001|S|30|1|30||0|未出货|李四");
    EXPECT_EQ(Ledger(), QStringList({"YSW0002|-9|增加应收|甲公司|30|0|0|30|老张|李四"}));
    grab("road_17_B01_clerk_saved");
}
