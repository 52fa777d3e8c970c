// The entry windows change the one ledger row a grid row lists, and never
// take a number that another entry or a waybill's posting holds.
#include "accounts_fixture.h"

#include "support/table_text.h"

#include <cmath>

namespace {

class EntryRowsTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        customer("C2", "Beta");
    }
    static QStringList ledgerRows() { return Records("select F1,LB,F3,YF,FK from TB1 order by F3,LB,SN"); }
};

} // namespace

TEST_F(EntryRowsTest, AnEditOrADeleteChangesTheListedRowAloneAndMendsItsParty)
{
    const struct {
        int lb, row, stored; // the grid row listing "YS1001", its place in ledgerRows()
        const char* after;   // that entry as stored afterwards, "" for a delete
    } cases[] = {{-9, 2, 3, ""}, {-9, 1, 1, "YS1001|-9|Alpha|25|0"}, {-10, 1, 0, ""}, {-10, 1, 0, "YS1001|-10|Alpha|0|25"}};
    for (const auto& c : cases) {
        // Typed by hand as a receivable and a receipt beside waybill 1001's
        // receivable, as older files hold them; that one in a crowded gap.
        Db().execute("delete from TB1");
        ledgerRow("YS1001", -9, "2024-03-01", "Alpha", 31, 100, 0);
        ledgerRow("YS1001", -10, "2024-03-01", "Alpha", 33, 0, 30);
        ledgerRow("YS1001", -9, "2024-03-02", "Beta", std::nextafter(64.0, 65.0), 80, 0);
        ledgerRow("B", -9, "2024-03-03", "Alpha", 95, 5, 0);
        RecalcBalances(0, "Alpha");
        RecalcBalances(0, "Beta");
        QStringList expected = ledgerRows();
        LedgerEntryWindow* w = c.lb == -9 ? static_cast<LedgerEntryWindow*>(open<zhLst>(-9)) : open<PayLst>(-10);
        clickCell(w, c.row, 0);
        if (*c.after) {
            trigger(w, "Menu_edit");
            for (int i = 0; i < 3; ++i)
                enter(w);
            typeCell(w, "25");
            trigger(w, "Menu_save");
            expected[c.stored] = c.after;
        } else {
            msgs->expect("真的要删除[YS1001]吗？");
            trigger(w, "Menu_del");
            expected.removeAt(c.stored);
        }
        EXPECT_EQ(ledgerRows(), expected) << c.lb << " " << c.after;
        EXPECT_EQ(ExpectChainsHold(), expected.size());
        w->close();
    }
}

TEST_F(EntryRowsTest, DeletingTheBlankRowAnEditLeavesBelowTheListDoesNothing)
{
    auto* w = open<zhLst>(-9);
    post(w, "E1", "2024-03-01", "Alpha", 100);
    clickCell(w, 1, 0);
    trigger(w, "Menu_edit");
    typeCell(w, "e9");
    enter(w);
    trigger(w, "Menu_save");
    ledgerRow("", -9, "2024-03-01", "Alpha", 0, 1, 0); // stored without a number
    clickCell(w, 2, 0);
    trigger(w, "Menu_del"); // no question: a strict responder fails on any box
    EXPECT_EQ(Records("select F1 from TB1 order by F1"), QStringList({"", "E9"}));
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 2 条");
    EXPECT_EQ(ExpectChainsHold(), 1);
}

TEST_F(EntryRowsTest, TheSaveRefusesANumberAWaybillHasTakenSinceItWasTyped)
{
    auto* w = open<PayLst>(-10);
    trigger(w, "Menu_Add");
    typeRow(w, "YSW2", "2024-03-02", "Alpha", "5");
    Db().execute("insert into B01 (F1) values ('W2')");
    ledgerRow("YSW2", -9, "2024-03-01", "Beta", 31, 20, 0);
    RecalcBalances(0, "Beta");
    msgs->expect("在系统中，已经采用了[YSW2]这个单据编号！");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->Edstu, 1);
    EXPECT_EQ(ledgerRows(), QStringList({"YSW2|-9|Beta|20|0"}));
    EXPECT_EQ(ExpectChainsHold(), 1);
}
