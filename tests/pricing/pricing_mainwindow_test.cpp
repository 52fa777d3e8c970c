#include "pricing_fixture.h"

#include "data/globals.h"
#include "pricing/a01.h"
#include "pricing/a011.h"
#include "pricing/a02.h"
#include "pricing/pricing_windows.h"
#include "platform/vb.h"
#include "shell/mform.h"
#include "platform/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>

class PricingMainWindowTest : public PricingTest {};

TEST_F(PricingMainWindowTest, EachMenuItemOpensItsWindowInTheWorkArea)
{
    channel("A", "快递A", {1, 0.5, 0.5, 0.5, 4, 21, 31, 101, 201});
    channelZone("A1", "华东", "A", 4);
    place("M0111", "A1", "上海", "Shanghai");
    zone("Z1", "华东");
    place("M021", "Z1", "上海", "Shanghai");
    RegisterPricingWindows();
    SetMainHost(nullptr);
    MForm main;
    main.resize(1024, 768);
    main.show();
    Pump();
    struct Case {
        const char* item;
        const char* window;
    } cases[] = {{"Menu_A01", "A01"}, {"Menu_A011", "A011"}, {"Menu_A02", "A02"}};
    for (const Case& c : cases) {
        main.findChild<QAction*>(c.item)->trigger();
        Pump();
        ChildWindow* w = WindowRegistry::loaded(c.window);
        ASSERT_NE(w, nullptr) << c.window;
        EXPECT_EQ(main.findChild<QMdiArea*>()->activeSubWindow()->widget(), w);
        GrabToPng(&main, QStringLiteral("main_%1").arg(c.window));
        w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
        GrabToPng(&main, QStringLiteral("main_%1_detail").arg(c.window));
        trigger(w, "Menu_Add");
        Pump();
        GrabToPng(&main, QStringLiteral("main_%1_add").arg(c.window));
        trigger(w, "Menu_cancel");
        EXPECT_TRUE(w->close());
        Pump();
    }
    modal->cancel("S01");
    main.findChild<QAction*>("Menu_S01")->trigger();
    EXPECT_EQ(modal->shown, QStringList({"S01"}));
}

TEST_F(PricingMainWindowTest, LeavingTheSegmentCountGoesToTheFirstSegmentAlone)
{
    // Segment 2 holds 5, which its own rule would raise to 12 if the focus
    // passing through it counted as a visit.
    channel("A", "快递A", {1, 1, 1, 1, 2, 10, 20});
    RegisterPricingWindows();
    SetMainHost(nullptr);
    MForm main;
    main.resize(1024, 768);
    main.show();
    Pump();
    // Adding (segments hidden) and editing (shown), by Tab and by a click.
    for (const auto& [command, clicked] : {std::pair{"Menu_Add", 0}, {"Menu_Add", 1}, {"Menu_edit", 0}, {"Menu_edit", 9}}) {
        main.findChild<QAction*>("Menu_A01")->trigger();
        ChildWindow* w = WindowRegistry::loaded("A01");
        trigger(w, command);
        box(w, 9)->setText("5");
        box(w, 7)->setFocus();
        clearBox(box(w, 7));
        type(box(w, 7), "3");
        clicked ? click(box(w, clicked)) : pressKey(box(w, 7), Qt::Key_Tab);
        Pump();
        EXPECT_EQ(QApplication::focusWidget(), box(w, 8)) << command << clicked;
        for (int k = 0; k <= 17; ++k)
            EXPECT_EQ(box(w, k)->palette().color(QPalette::Base) == VbColor(kFocusColor), k == 8) << command << k;
        EXPECT_EQ(box(w, 9)->text(), "5") << command << clicked;
        trigger(w, "Menu_cancel");
        EXPECT_TRUE(w->close());
        Pump();
    }
}
