#include "reports_fixture.h"

#include "reports/c02.h"

namespace {

class C02Test : public ReportsTest {
protected:
    // Customer C001's month: two monthly-account waybills that belong to the
    // statement and three that do not.
    void seedMarch()
    {
        customer("C001", "华南贸易");
        customer("C002", "东方电子");
        waybill("W1", "2024-03-01", "C001",
                {{"F301", "D"}, {"F2031", "东京"}, {"F402", 1.5}, {"F502", 80}, {"F503", 10}, {"F505", 1.1},
                 {"F508", 2}, {"F504", 100}, {"F501", "月结"}});
        waybill("W2", "2024-03-31", "C001",
                {{"F301", "S"}, {"F2031", "纽约"}, {"F402", 2.5}, {"F504", 60.5}, {"F501", "月结"}});
        waybill("W3", "2024-03-15", "C001", {{"F402", 9}, {"F504", 70}, {"F501", "现金"}});
        waybill("W4", "2024-03-10", "C002", {{"F402", 9}, {"F504", 70}, {"F501", "月结"}});
        waybill("W5", "2024-02-29", "C001", {{"F402", 9}, {"F504", 70}, {"F501", "月结"}});
    }

    C02* openMarch(const QString& party = "C001.华南贸易")
    {
        C02* w = open<C02>();
        setPeriod(w, "2024-03-01", "2024-03-31");
        setParty(w, party);
        refresh(w);
        return w;
    }
};

TEST_F(C02Test, ListsTheCustomersMonthlyAccountWaybillsOfThePeriodWithTotals)
{
    seedMarch();
    C02* w = openMarch();
    FlexGrid* g = grid(w);
    EXPECT_EQ(w->windowTitle(), "对帐明细表");
    EXPECT_EQ(g->rowTexts(0), QStringList({"日期", "运单号", "D/S", "目的地", "重量", "基本费用", "附加费用", "燃油费率",
                                           "其它费用", "运费"}));
    ASSERT_EQ(g->rows(), 4);
    EXPECT_EQ(GridLines(g), QStringList({"2024-03-01|W1|D|东京|1.5|80|10|1.1|2|100",
                                         "2024-03-31|W2|S|纽约|2.5|||||60.5",
                                         "||||4|||||160.5"}));
    EXPECT_EQ(host.panels[4], "共 3 条记录 当前为第 1 条");
    EXPECT_EQ(w->curCode(), "C001");
    EXPECT_EQ(g->row(), 1);
    keepGrab(w, "C02");
}

TEST_F(C02Test, PrintWritesEveryGridRowAndNamesPeriodAndCustomer)
{
    seedMarch();
    C02* w = openMarch();
    // The heading takes the pickers as they are when printing; the name is
    // that of the refreshed customer, whatever the list shows now.
    setPeriod(w, "2024-03-02", "2024-03-30");
    setParty(w, "C002.东方电子");
    trigger(w, "Menu_P");
    EXPECT_EQ(scratch("PRNTC023", "F1,F2,F3,F4,F5,F6"),
              QStringList({"2024-03-01|W1|D|东京|1.5|100", "2024-03-31|W2|S|纽约|2.5|60.5", "||||4|160.5"}));
    EXPECT_EQ(reportFile(), "prntc023.rpt");
    EXPECT_EQ(formulas(), QStringList({"RQ='对帐日期:2024-03-02至2024-03-30'", "KH='华南贸易'"}));
    ASSERT_TRUE(preview());
    EXPECT_EQ(missingOnPage({"对 帐 明 细 表", "对帐单位: 华南贸易", "对帐日期:2024-03-02至2024-03-30", "W1", "纽约",
                             "合    计", "4.0", "160.50"}),
              QStringList());
    keepPng("prntc023");
}

TEST_F(C02Test, RefusesBlankAndNoFoundCodesAndEmptyPrints)
{
    seedMarch();
    C02* w = open<C02>();
    EXPECT_EQ(host.panels[4], "请选择适当的日期范围及客户之后刷新数据");
    msgs->expect("请先择客户!");
    setParty(w, "   ");
    refresh(w);
    msgs->expect("您输入的客户编码无效！");
    setParty(w, "NoFound.某客户");
    refresh(w);
    EXPECT_EQ(w->curCode(), "");
    for (const MsgRecord& m : msgs->boxes()) {
        EXPECT_EQ(m.style, vbStyle::Information);
        EXPECT_EQ(m.title, "提示");
    }

    // A code nobody has lists nothing: the totals row alone, and no print.
    setPeriod(w, "2024-03-01", "2024-03-31");
    setParty(w, "C999");
    refresh(w);
    EXPECT_EQ(GridLines(grid(w)), QStringList({"||||0|||||0"}));
    EXPECT_EQ(host.panels[4], "请选择适当的日期范围及客户之后刷新数据");
    msgs->expect("无数据可打印");
    trigger(w, "Menu_P");
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(Prnt::Loaded(), nullptr);
}

TEST_F(C02Test, TypedCodeWithoutNameAndQuotesReachTheStatementQuoted)
{
    customer("O'K", "奥凯");
    waybill("W1", "2024-03-05", "O'K", {{"F2031", "O'Hare"}, {"F402", 2}, {"F504", 30}, {"F501", "月结"}});
    C02* w = openMarch("  O'K  ");
    EXPECT_EQ(w->curCode(), "O'K");
    EXPECT_EQ(GridLines(grid(w)).size(), 2);
    trigger(w, "Menu_P");
    // A cell holding a quote reaches the scratch table as it is.
    EXPECT_EQ(scratch("PRNTC023", "F2,F4"), QStringList({"W1|O'Hare", "|"}));
    EXPECT_EQ(formulas().value(1), "KH='奥凯'");
    EXPECT_TRUE(preview()->pages[0].texts().contains("对帐单位: 奥凯"));
}

TEST_F(C02Test, NullValuesShowEmptyAndCountAsZero)
{
    customer("C001", "华南贸易");
    waybill("W1", "2024-03-05", "C001", {{"F402", QVariant()}, {"F504", 30}, {"F501", "月结"}});
    waybill("W2", "2024-03-06", "C001", {{"F402", 2}, {"F504", QVariant()}, {"F501", "月结"}});
    C02* w = openMarch();
    EXPECT_EQ(GridLines(grid(w)), QStringList({"2024-03-05|W1||||||||30", "2024-03-06|W2|||2|||||",
                                               "||||2|||||30"}));
}

} // namespace
