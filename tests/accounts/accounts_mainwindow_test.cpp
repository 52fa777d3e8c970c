#include "accounts_fixture.h"

#include "accounts/account_windows.h"
#include "accounts/rekuanfrm.h"
#include "shell/mform.h"
#include "platform/window_registry.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The ledger windows as the operator reaches them: through the main
// window's "&D.帐款往来" menu, inside its work area.
class AccountsMainWindowTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        gUserCode = "001";
        customer("C1", "客户甲");
        customer("C2", "O’Brien");
        channel("Q1", "渠道甲");
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        ledgerRow("YS1", -9, today, "客户甲", 31, 1200, 0);
        ledgerRow("SK1", -10, today, "客户甲", 33, 0, 450.5);
        ledgerRow("YS2", -9, today, "O’Brien", 35, 80, 0);
        ledgerRow("YF1", 9, today, "渠道甲", 37, 300, 0);
        Db().execute("update TB1 set S2='增加应收' where LB=-9");
        Db().execute("update TB1 set S2='收款' where LB=-10");
        Db().execute("update TB1 set S2='增加应付' where LB=9");
        Db().execute("update sysinfo set Setval=37 where ID=100");
        RunWrite("", [] {
            for (const char* p : {"客户甲", "O’Brien", "渠道甲"})
                RecalcBalances(0, p);
        });
        RegisterAccountWindows();
        SetMainHost(nullptr);
        main = std::make_unique<MForm>();
        main->resize(1100, 720);
        main->show();
        Pump();
    }
    void TearDown() override
    {
        delete Prnt::Loaded();
        WindowRegistry::closeAll();
        main.reset();
        Pump();
        AccountsTest::TearDown();
    }
    ChildWindow* command(const char* item, const char* window)
    {
        main->findChild<QAction*>(item)->trigger();
        Pump();
        return WindowRegistry::loaded(window);
    }
    ChildWindow* active() const
    {
        QMdiSubWindow* sub = main->findChild<QMdiArea*>()->activeSubWindow();
        return sub ? qobject_cast<ChildWindow*>(sub->widget()) : nullptr;
    }

    std::unique_ptr<MForm> main;
};

} // namespace

TEST_F(AccountsMainWindowTest, EachCommandOpensItsWindowWithItsSideAndCaption)
{
    const struct {
        const char* item;
        const char* window;
        int lb;
        const char* caption;
    } cases[] = {
        {"Menu_YF", "zhLst", 9, "增加应付款"},       {"Menu_ys", "zhLst", -9, "增加应收款"},
        {"Menu_FK", "PayLst", 10, "付款"},           {"Menu_sk", "PayLst", -10, "收款"},
        {"Menu_yfz", "KuanHz", 10, "应付货款总帐"},  {"Menu_yfmx", "KuanMx", 10, "应付帐款明细"},
        {"Menu_ysz", "KuanHz", -10, "应收帐款总帐"}, {"Menu_ysmx", "KuanMx", -10, "应收帐款明细"},
    };
    for (const auto& c : cases) {
        ChildWindow* w = command(c.item, c.window);
        ASSERT_NE(w, nullptr) << c.item;
        EXPECT_EQ(active(), w) << c.item;
        EXPECT_EQ(w->windowTitle(), c.caption) << c.item;
        if (auto* e = qobject_cast<LedgerEntryWindow*>(w)) {
            EXPECT_EQ(e->LB, c.lb) << c.item;
        }
        if (auto* r = qobject_cast<LedgerReport*>(w)) {
            EXPECT_EQ(r->LB, c.lb) << c.item;
        }
    }
}

TEST_F(AccountsMainWindowTest, PicturesOfEveryLedgerWindowInUse)
{
    for (const char* item : {"Menu_ys", "Menu_sk"}) {
        auto* w = qobject_cast<LedgerEntryWindow*>(command(item, item == QByteArray("Menu_ys") ? "zhLst" : "PayLst"));
        ASSERT_NE(w, nullptr);
        trigger(w, "Menu_Add");
        enter(w);
        typeCell(w, QDate::currentDate().toString(Qt::ISODate));
        enter(w);
        typeCell(w, "O'Brien");
        Pump();
        GrabToPng(main.get(), QStringLiteral("main_%1_typing").arg(w->objectName()));
        msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
        trigger(w, "Menu_cancel");
    }

    auto* mx = qobject_cast<KuanMx*>(command("Menu_ysmx", "KuanMx"));
    ASSERT_NE(mx, nullptr);
    GrabToPng(main.get(), "main_KuanMx");
    EXPECT_EQ(main->findChild<QAction*>("Menu_Weihu")->isEnabled(), true);
    modal->on("ReKuanFrm", [](QDialog& d) {
        GrabToPng(&d, "main_ReKuanFrm");
        d.reject();
    });
    trigger(mx, "Menu_Weihu");
    trigger(mx, "Menu_print");
    Pump();
    ASSERT_NE(Prnt::Loaded(), nullptr);
    GrabToPng(main.get(), "main_KuanMx_print");
    Prnt::Loaded()->close();
    Pump();

    auto* hz = qobject_cast<KuanHz*>(command("Menu_yfz", "KuanHz"));
    ASSERT_NE(hz, nullptr);
    GrabToPng(main.get(), "main_KuanHz");
    trigger(hz, "Menu_print");
    Pump();
    ASSERT_NE(Prnt::Loaded(), nullptr);
    GrabToPng(main.get(), "main_KuanHz_print");
}
