#include "accounts_fixture.h"

#include "accounts/rekuanfrm.h"

#include <QFocusEvent>
#include <QRadioButton>

namespace {

// The refresh as the detail ledger opens it, over parties whose stored
// balances have gone stale.
class ReKuanFrmTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        customer("C2", "O’Brien");
        for (const char* p : {"Alpha", "O’Brien", "Ghost"}) {
            ledgerRow(QString(p) + "-1", -9, "2024-03-01", p, 31, 100, 0);
            ledgerRow(QString(p) + "-2", -10, "2024-03-02", p, 64, 0, 30);
        }
        list.addItems({"所有关系单位", "Alpha", "O’Brien"});
        form.tmpCmb = &list;
        form.LB = -10;
    }
    // QC/QM of a party's rows in sequence order.
    static QStringList balances(const QString& party) { return chain("F3=" + SqlQuote(party)); }
    void focusList()
    {
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(form.Cmb, &in);
    }
    // Types into the list (which loads it) and starts.
    void start(const QString& typed)
    {
        focusList();
        form.Cmb->setEditText(typed);
        form.Command1->click();
    }

    QComboBox list;
    ReKuanFrm form;
};

} // namespace

TEST_F(ReKuanFrmTest, OnePartyMustBeNamedAndInTheList)
{
    const struct {
        const char* typed;
        const char* message;
    } cases[] = {
        {"   ", "请输入或选择要刷新的单位！"},
        {"Nobody", "没有［Nobody］这个单位！"},
        {"alpha", "没有［alpha］这个单位！"},
        {"Ghost", "没有［Ghost］这个单位！"},
    };
    for (const auto& c : cases) {
        msgs->expect(c.message);
        start(c.typed);
        EXPECT_EQ(msgs->last().style, vbStyle::Information) << c.typed;
        EXPECT_EQ(msgs->last().title, "") << c.typed;
    }
    EXPECT_EQ(balances("Alpha"), QStringList({"Alpha-1 31 0/0", "Alpha-2 64 0/0"}));
}

TEST_F(ReKuanFrmTest, OnePartyIsRecomputedOverItsWholeHistory)
{
    EXPECT_TRUE(form.Opt1->isChecked());
    form.Cmb->setEditText("O’Brien");
    keepGrab(&form, "ReKuanFrm");
    msgs->expect("刷新完成！");
    start("  O’Brien ");
    EXPECT_EQ(balances("O’Brien"), QStringList({"O’Brien-1 31 0/100", "O’Brien-2 64 100/70"}));
    EXPECT_EQ(balances("Alpha"), QStringList({"Alpha-1 31 0/0", "Alpha-2 64 0/0"}));
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(form.windowTitle(), "刷新明细帐");
    EXPECT_TRUE(form.isEnabled());
}

TEST_F(ReKuanFrmTest, AllPartiesOfTheListOnceEachAndTheListLoadedWhileItHoldsFewerThanTwo)
{
    focusList();
    focusList();
    EXPECT_EQ(form.Cmb->count(), 2);
    form.Opt0->setChecked(true);
    msgs->expect("刷新完成！");
    form.Command1->click();
    EXPECT_EQ(form.Cmb->count(), 2);
    ExpectChainHolds("Alpha");
    ExpectChainHolds("O’Brien");
    // A name the list does not hold is left as it was.
    EXPECT_EQ(balances("Ghost"), QStringList({"Ghost-1 31 0/0", "Ghost-2 64 0/0"}));

    // A list of one name takes it again on the next visit, while it holds fewer than two.
    ReKuanFrm single;
    QComboBox one;
    one.addItems({"所有关系单位", "Alpha"});
    single.tmpCmb = &one;
    for (int i = 0; i < 3; ++i) {
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(single.Cmb, &in);
    }
    EXPECT_EQ(single.Cmb->count(), 2);
}

TEST_F(ReKuanFrmTest, AFailedRefreshIsReportedAndNotCalledDone)
{
    Db().executeNative("drop table TB1");
    msgs->expect("刷新明细帐错误!系统返回如下信息：");
    start("Alpha");
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(form.windowTitle(), "刷新明细帐");
    EXPECT_TRUE(form.isEnabled());
}
