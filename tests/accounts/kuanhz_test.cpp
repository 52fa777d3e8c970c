#include "accounts_fixture.h"

#include <QAction>
#include <QLabel>

namespace {

class KuanHzTest : public AccountsTest {
protected:
    // Three channels' March: one entry, two entries, and a name with a ".".
    void seedMarch()
    {
        ledgerRow("Y1", 9, "2024-03-02", "渠道甲", 31, 120.5, 0);
        ledgerRow("Y2", 9, "2024-03-03", "A.B", 33, 80, 0);
        ledgerRow("F1", 10, "2024-03-04", "A.B", 35, 0, 30.25);
        ledgerRow("Y3", 9, "2024-03-05", "A", 37, 10, 0);
        RunWrite("", [] {
            for (const char* p : {"渠道甲", "A.B", "A"})
                RecalcBalances(0, p);
        });
    }
};

} // namespace

TEST_F(KuanHzTest, OneRowPerNamedPartyAndTheirTotal)
{
    seedMarch();
    // Entries without a party name belong to no row and to no total.
    ledgerRow("X1", 9, "2024-03-06", "", 41, 999, 0);
    Db().execute("insert into TB1 (F1,LB,F2,SN,YF,FK,QC,QM,F6,K) values ('X2',9,'2024-03-06',43,7,0,0,7,'管理员',0)");
    auto* w = open<KuanHz>(10);
    run(w, "2024-03-01", "2024-03-31");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"A||||||0.00|10.00|0.00|10.00",
                                                 "A.B||||||0.00|80.00|30.25|49.75",
                                                 "渠道甲||||||0.00|120.50|0.00|120.50",
                                                 "||||||0.00|210.50|30.25|180.25"}));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 3 条记录 当前为第 1 条");
    // The whole name is matched: "A" is not "A.B".
    run(w, "2024-03-01", "2024-03-31", "A.B");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"A.B||||||0.00|80.00|30.25|49.75", "||||||0.00|80.00|30.25|49.75"}));
    // A click on the total row goes back to row 1.
    w->grid()->setRow(2);
    w->ShowPosition();
    EXPECT_EQ(host.panels[4], "进出流水帐：共 1 条记录 当前为第 1 条");

    run(w, "2023-01-01", "2023-01-31");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"|||||||||"}));
    EXPECT_EQ(host.panels[4], "无信息");
}

TEST_F(KuanHzTest, PrintWritesPartiesAndTotalWithTheHeadersAsFormulas)
{
    seedMarch();
    auto* w = open<KuanHz>(10);
    run(w, "2024-03-01", "2024-03-31");
    trigger(w, "Menu_print");
    EXPECT_EQ(scratch("PrTA1", "F1,F2,F3,F4,F5,F6"),
              QStringList({"A||0.00|10.00|0.00|10.00", "A.B||0.00|80.00|30.25|49.75", "渠道甲||0.00|120.50|0.00|120.50",
                           "||0.00|210.50|30.25|180.25"}));
    EXPECT_EQ(reportFile(), "kuanhz.rpt");
    const QMap<int, QString> expected{{0, "Cpt='应付货款总帐'"},  {1, "C1='关系单位'"},  {2, "C2=''"},
                                      {7, "C3='期初应付'"},       {8, "C4='增加应付'"},  {9, "C5='本期已付'"},
                                      {10, "C6='期末应付'"},      {11, "rq='2024-03-01 至 2024-03-31'"}};
    EXPECT_EQ(formulaMap(), expected);
    EXPECT_EQ(missingOnPage({"应付货款总帐", "期初应付", "期末应付", "渠道甲", "合    计", "210.50", "180.25"}),
              QStringList());
    keepPng("kuanhz-payable");

    // The receivable side's title reads as it always has.
    w->openAs(-10, "应收帐款总帐");
    ledgerRow("S1", -9, QDate::currentDate().toString(Qt::ISODate), "客户甲", 51, 60, 0);
    RunWrite("", [] { RecalcBalances(0, "客户甲"); });
    w->findChild<QPushButton*>("Cmd")->click();
    trigger(w, "Menu_print");
    EXPECT_EQ(formulaMap().value(0), "Cpt='应收货款总帐'");
    EXPECT_EQ(formulaMap().value(7), "C3='期初应收'");
    keepPng("kuanhz");
}

TEST_F(KuanHzTest, OpensOnTheMonthSoFarWithoutMaintenance)
{
    channel("Q1", "渠道甲");
    auto* w = open<KuanHz>(10);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w->windowTitle(), "应付货款总帐");
    EXPECT_EQ(w->findChild<QDateEdit*>("DTP(0)")->date(), QDate(today.year(), today.month(), 1));
    EXPECT_EQ(w->findChild<QDateEdit*>("DTP(1)")->date(), today);
    EXPECT_EQ(w->findChild<QLabel*>("LabDW")->text(), "关系单位");
    EXPECT_EQ(w->findChild<QComboBox*>("Cmb")->itemText(1), "渠道甲");
    EXPECT_EQ(w->findChild<QAction*>("Menu_Weihu"), nullptr);
    for (int c = 1; c <= 5; ++c)
        EXPECT_EQ(w->grid()->colWidth(c), 0) << c;
    EXPECT_GT(w->grid()->colWidth(6), 0);
    EXPECT_TRUE(w->grid()->mergeCells());
}
