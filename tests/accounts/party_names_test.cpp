#include "accounts_fixture.h"

#include "accounts/rekuanfrm.h"
#include "dialogs/query.h"

#include <QFocusEvent>

namespace {

// A customer whose name holds a quote, kept in the master as the customer
// window stores it ("O’Brien"), with a waybill's posting under that name.
class PartyNamesTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        gUserCode = "001";
        customer("C1", "O’Brien");
        ledgerRow("YSW1", -9, "2024-03-01", "O’Brien", 31, 100, 0);
        Db().execute("update TB1 set S2='增加应收' where F1='YSW1'");
        Db().execute("update sysinfo set Setval=31 where ID=100");
        RunWrite("", [] { RecalcBalances(0, "O’Brien"); });
    }
};

} // namespace

TEST_F(PartyNamesTest, APartyTypedWithAQuoteIsTheMastersPartyInEveryLedgerWindow)
{
    // Typed as the operator writes it, stored as the master holds it.
    auto* receipts = open<PayLst>(-10);
    post(receipts, "SK1", "2024-03-02", "O'Brien", 30);
    EXPECT_EQ(count("select count(*) from TB1 where F3='O’Brien'"), 2);
    EXPECT_EQ(chain(), QStringList({"YSW1 31 0/100", "SK1 62 100/70"}));

    modal->on("Query", [](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        q.CmbF->setCurrentIndex(2);
        q.Txt->setText("O’Brien");
        q.addCondition();
        q.runQuery();
    });
    trigger(receipts, "Menu_query");
    EXPECT_EQ(GridLines(receipts->grid()), QStringList({"SK1|2024-03-02|O’Brien|||30||管理员||62"}));

    auto* mx = open<KuanMx>(-10);
    run(mx, "2024-03-01", "2024-03-31", "O'Brien");
    EXPECT_EQ(GridLines(mx->grid()), QStringList({"O’Brien||YSW1|增加应收|||0.00|100.00||100.00",
                                                  "O’Brien||SK1|收款|||||30.00|70.00",
                                                  "O’Brien||| 合  计 |||0.00|100.00|30.00|70.00", "|||||||||"}));
    auto* hz = open<KuanHz>(-10);
    run(hz, "2024-03-01", "2024-03-31", "O'Brien");
    EXPECT_EQ(GridLines(hz->grid()),
              QStringList({"O’Brien||||||0.00|100.00|30.00|70.00", "||||||0.00|100.00|30.00|70.00"}));

    // The refresh finds the name in the detail ledger's list and redoes its chain.
    Db().execute("update TB1 set QC=0,QM=0");
    modal->on("ReKuanFrm", [this](QDialog& d) {
        auto& f = static_cast<ReKuanFrm&>(d);
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(f.Cmb, &in);
        f.Cmb->setCurrentIndex(f.Cmb->findText("O’Brien"));
        msgs->expect("刷新完成！");
        f.Command1->click();
        d.reject();
    });
    trigger(mx, "Menu_Weihu");
    EXPECT_EQ(chain(), QStringList({"YSW1 31 0/100", "SK1 62 100/70"}));
    EXPECT_EQ(ExpectChainsHold(), 2);
}
