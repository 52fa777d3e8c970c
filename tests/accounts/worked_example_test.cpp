#include "accounts_fixture.h"

namespace {

// Two customers' March on the receivable side, entered through both entry
// windows into an empty ledger whose counter stands at 0, then read back
// through both ledgers.
class WorkedExampleTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        customer("C2", "Beta");
        debts = open<zhLst>(-9);
        receipts = open<PayLst>(-10);
    }

    // E1 to E7 saved one by one in this order, then E8 edits E4 to 250.
    void enterMarch()
    {
        const struct {
            LedgerEntryWindow* w;
            const char* no;
            const char* date;
            const char* party;
            double amount;
        } entries[] = {
            {debts, "E1", "2024-03-01", "Alpha", 1000}, {debts, "E2", "2024-03-01", "Beta", 500},
            {receipts, "E3", "2024-03-03", "Alpha", 300}, {debts, "E4", "2024-03-05", "Alpha", 200},
            {debts, "E5", "2024-03-02", "Beta", 150},   {receipts, "E6", "2024-03-01", "Alpha", 400},
            {receipts, "E7", "2024-03-05", "Beta", 650},
        };
        for (const auto& e : entries)
            post(e.w, e.no, e.date, e.party, e.amount);
        clickCell(debts, rowOf(debts, "E4"), 0);
        trigger(debts, "Menu_edit");
        for (int c : {0, 1, 2}) {
            Q_UNUSED(c);
            enter(debts);
        }
        typeCell(debts, "250");
        trigger(debts, "Menu_save");
    }

    zhLst* debts = nullptr;
    PayLst* receipts = nullptr;
};

} // namespace

TEST_F(WorkedExampleTest, SequenceNumbersAndBalancesOfEveryEntry)
{
    enterMarch();
    EXPECT_EQ(chain(), QStringList({"E1 31 0/1000", "E2 33 0/500", "E6 34.9375 1000/600", "E5 40.75 500/650",
                                    "E3 64 600/300", "E7 99 650/0", "E4 101 300/550"}));
    EXPECT_EQ(count("select Setval from sysinfo where ID=100"), 101);
    // The edited row's hidden sequence number follows its new place.
    EXPECT_EQ(debts->grid()->textMatrix(rowOf(debts, "E4"), 9), "101");
    EXPECT_EQ(debts->grid()->textMatrix(rowOf(debts, "E4"), 5), "250");
    EXPECT_EQ(ExpectChainsHold(), 7);
    EXPECT_EQ(msgs->count(), 0);
    keepGrab(receipts, "PayLst");
}

TEST_F(WorkedExampleTest, DetailLedgerOfTheWholePeriodAndOfItsLastFourDays)
{
    enterMarch();
    auto* mx = open<KuanMx>(-10);
    run(mx, "2024-03-01", "2024-03-05");
    EXPECT_EQ(GridLines(mx->grid()), QStringList({
                                         "Alpha||E1|增加应收|||0.00|1000.00||1000.00",
                                         "Alpha||E6|收款|||||400.00|600.00",
                                         "Alpha||E3|收款|||||300.00|300.00",
                                         "Alpha||E4|增加应收||||250.00||550.00",
                                         "Alpha||| 合  计 |||0.00|1250.00|700.00|550.00",
                                         "Beta||E2|增加应收|||0.00|500.00||500.00",
                                         "Beta||E5|增加应收||||150.00||650.00",
                                         "Beta||E7|收款|||||650.00|0.00",
                                         "Beta||| 合  计 |||0.00|650.00|650.00|0.00",
                                         "|||||||||",
                                     }));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 9 条记录 当前为第 1 条");

    run(mx, "2024-03-02", "2024-03-05");
    EXPECT_EQ(GridLines(mx->grid()), QStringList({
                                         "Alpha||E3|收款|||600.00||300.00|300.00",
                                         "Alpha||E4|增加应收||||250.00||550.00",
                                         "Alpha||| 合  计 |||600.00|250.00|300.00|550.00",
                                         "Beta||E5|增加应收|||500.00|150.00||650.00",
                                         "Beta||E7|收款|||||650.00|0.00",
                                         "Beta||| 合  计 |||500.00|150.00|650.00|0.00",
                                         "|||||||||",
                                     }));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 6 条记录 当前为第 1 条");
    keepGrab(mx, "KuanMx");
}

TEST_F(WorkedExampleTest, SummaryLedgerOfTheWholePeriodAndOfItsLastFourDays)
{
    enterMarch();
    auto* hz = open<KuanHz>(-10);
    run(hz, "2024-03-01", "2024-03-05");
    EXPECT_EQ(GridLines(hz->grid()), QStringList({"Alpha||||||0.00|1250.00|700.00|550.00",
                                                  "Beta||||||0.00|650.00|650.00|0.00",
                                                  "||||||0.00|1900.00|1350.00|550.00"}));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 2 条记录 当前为第 1 条");

    run(hz, "2024-03-02", "2024-03-05");
    EXPECT_EQ(hz->grid()->rowTexts(3).join('|'), "||||||1100.00|400.00|950.00|550.00");
    keepGrab(hz, "KuanHz");
}

TEST_F(WorkedExampleTest, DeletingAnEntryRecomputesItsPartyAndBothLedgersFollow)
{
    enterMarch();
    clickCell(debts, rowOf(debts, "E2"), 0);
    msgs->expect("真的要删除[E2]吗？", vbBtn::Yes);
    trigger(debts, "Menu_del");
    EXPECT_EQ(msgs->last().style, vbStyle::YesNo + vbStyle::Question);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(rowOf(debts, "E2"), -1);
    EXPECT_EQ(debts->listedCount(), 3);
    EXPECT_EQ(chain("F3='Beta'"), QStringList({"E5 40.75 0/150", "E7 99 150/-500"}));
    EXPECT_EQ(ExpectChainsHold(), 6);

    auto* mx = open<KuanMx>(-10);
    run(mx, "2024-03-01", "2024-03-05", "Beta");
    EXPECT_EQ(GridLines(mx->grid()), QStringList({"Beta||E5|增加应收|||0.00|150.00||150.00",
                                                  "Beta||E7|收款|||||650.00|-500.00",
                                                  "Beta||| 合  计 |||0.00|150.00|650.00|-500.00", "|||||||||"}));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 3 条记录 当前为第 1 条");
    run(mx, "2024-03-03", "2024-03-05", "Beta");
    EXPECT_EQ(GridLines(mx->grid()), QStringList({"Beta||E7|收款|||150.00||650.00|-500.00",
                                                  "Beta||| 合  计 |||150.00|0.00|650.00|-500.00", "|||||||||"}));

    auto* hz = open<KuanHz>(-10);
    run(hz, "2024-03-01", "2024-03-05");
    EXPECT_EQ(GridLines(hz->grid()), QStringList({"Alpha||||||0.00|1250.00|700.00|550.00",
                                                  "Beta||||||0.00|150.00|650.00|-500.00",
                                                  "||||||0.00|1400.00|1350.00|50.00"}));
    EXPECT_EQ(host.panels[4], "进出流水帐：共 2 条记录 当前为第 1 条");
}
