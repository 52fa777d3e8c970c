#include "accounts_fixture.h"

#include "accounts/account_windows.h"
#include "platform/window_registry.h"

namespace {

class PayLstTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        channel("Q1", "渠道甲");
    }
};

} // namespace

TEST_F(PayLstTest, HeadersMoneyColumnTextAndPrefixFollowTheKind)
{
    const struct {
        int lb;
        const char* party;
        QStringList headers;
        const char* stored; // F1|S2|YF|FK
    } kinds[] = {
        {10, "渠道甲", {"付款凭证", "付款日期", "收款单位", "相关单据", "付款方式", "付款金额", "经手人", "制单人", "备注", ""},
         "FK240310090507|付款|0|500"},
        {-10, "Alpha", {"收款凭证", "收款日期", "付款单位", "相关单据", "收款方式", "收款金额", "经手人", "制单人", "备注", ""},
         "SK240310090507|收款|0|500"},
    };
    for (const auto& k : kinds) {
        auto* w = open<PayLst>(k.lb);
        EXPECT_EQ(w->windowTitle(), LedgerKindOf(k.lb).caption);
        EXPECT_EQ(w->grid()->rowTexts(0), k.headers);
        post(w, "", "2024-03-02", k.party, 500);
        const RecordSet rs = Db().openRecordset("select F1,S2,YF,FK from TB1 where LB=" + SqlNum(k.lb));
        ASSERT_EQ(rs.recordCount(), 1);
        EXPECT_EQ(QStringList({rs.at(0, 0).toString(), rs.at(0, 1).toString(), rs.at(0, 2).toString(),
                               rs.at(0, 3).toString()})
                      .join('|'),
                  k.stored);
        ExpectChainsHold();
        // The amount check names this window's own header.
        trigger(w, "Menu_Add");
        typeRow(w, "", "2024-03-02", k.party, "");
        msgs->expect("第2行[" + k.headers[5] + "]不能为0！");
        trigger(w, "Menu_save");
        msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
        trigger(w, "Menu_cancel");
        w->close();
    }
}

TEST_F(PayLstTest, APaymentLowersTheChannelsBalance)
{
    auto* debts = open<zhLst>(9);
    post(debts, "YF1", "2024-03-01", "渠道甲", 1200);
    auto* w = open<PayLst>(10);
    post(w, "FK1", "2024-03-02", "渠道甲", 500);
    EXPECT_EQ(chain(), QStringList({"YF1 31 0/1200", "FK1 62 1200/700"}));
    EXPECT_EQ(ExpectChainsHold(), 2);
}

TEST_F(PayLstTest, ABackDatedReceiptTakesItsPlaceAndLaterBalancesFollow)
{
    auto* debts = open<zhLst>(-9);
    post(debts, "YS1", "2024-03-01", "Alpha", 100);
    post(debts, "YS2", "2024-03-05", "Alpha", 50);
    auto* w = open<PayLst>(-10);
    post(w, "SK1", "2024-03-03", "Alpha", 30);
    EXPECT_EQ(chain(), QStringList({"YS1 31 0/100", "SK1 38.75 100/70", "YS2 62 70/120"}));
    EXPECT_EQ(ExpectChainsHold(), 3);
}

TEST_F(PayLstTest, TheMainWindowsCommandsOpenOneWindowPerPairAndExportTakesItsGrid)
{
    RegisterAccountWindows();
    ChildWindow* first = WindowRegistry::openChild("PayLst", -10, "收款");
    auto* w = qobject_cast<PayLst*>(first);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->LB, -10);
    EXPECT_EQ(w->windowTitle(), "收款");
    EXPECT_EQ(WindowRegistry::openChild("PayLst", 10, "付款"), first);
    EXPECT_EQ(w->LB, 10);
    EXPECT_EQ(w->windowTitle(), "付款");
    EXPECT_EQ(w->grid()->textMatrix(0, 0), "付款凭证");

    EXPECT_EQ(exportedGrid(w), w->grid());

    EXPECT_NE(qobject_cast<zhLst*>(WindowRegistry::openChild("zhLst", -9, "增加应收款")), nullptr);
    EXPECT_NE(qobject_cast<KuanMx*>(WindowRegistry::openChild("KuanMx", -10, "应收帐款明细")), nullptr);
    EXPECT_NE(qobject_cast<KuanHz*>(WindowRegistry::openChild("KuanHz", 10, "应付货款总帐")), nullptr);
    EXPECT_TRUE(WindowRegistry::closeAll());
}
