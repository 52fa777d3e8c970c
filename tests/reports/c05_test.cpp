#include "reports_fixture.h"

#include "reports/c05.h"
#include "reports/report_windows.h"
#include "platform/window_registry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

class C05Test : public ReportsTest {
protected:
    C05* openNotice()
    {
        waybill("W100", "2024-03-05", "C001", {{"F402", 2.5}, {"F401", 3}, {"F301", "S"}, {"F701", "地址不详"},
                                                {"F702", "收件人拒收"}});
        C05* w = open<C05>();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        return w;
    }
    // The notice inside a work area beside another window, the focus in
    // Txt(0) holding `number`, as the operator leaves it in the main window.
    C05* openBesideAnotherWindow(QMdiArea& mdi, const QString& number)
    {
        mdi.resize(900, 600);
        mdi.show();
        mdi.addSubWindow(new QLineEdit)->show();
        auto* w = new C05;
        QMdiSubWindow* sub = mdi.addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(w, &ChildWindow::unloaded, sub, &QMdiSubWindow::close);
        sub->show();
        mdi.activateWindow();
        QApplication::setActiveWindow(&mdi);
        mdi.setActiveSubWindow(sub);
        box(w, 0)->setFocus();
        box(w, 0)->setText(number);
        EXPECT_TRUE(box(w, 0)->hasFocus());
        return w;
    }
    // Types the number into Txt(0) and leaves the box with Enter.
    void lookUp(C05* w, const QString& number)
    {
        box(w, 0)->setFocus();
        box(w, 0)->setText(number);
        pressKey(box(w, 0), Qt::Key_Return);
    }
};

TEST_F(C05Test, LeavingTheNumberFillsInTheWaybillAgainEveryTime)
{
    C05* w = openNotice();
    EXPECT_EQ(w->windowTitle(), "问题通知单");
    EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), "无法中转及派送的问题通知");
    lookUp(w, " W100 ");
    EXPECT_TRUE(box(w, 1)->hasFocus());
    EXPECT_EQ(box(w, 1)->text(), " 重量:2.5    件数:3   D/S: S");
    EXPECT_EQ(box(w, 2)->text(), "地址不详");
    EXPECT_EQ(box(w, 3)->text(), "收件人拒收");
    keepGrab(w, "C05");

    // Typed over, then the same number left again: looked up again.
    box(w, 1)->setText("改过");
    box(w, 2)->setText("改过");
    lookUp(w, "W100");
    EXPECT_EQ(box(w, 1)->text(), " 重量:2.5    件数:3   D/S: S");
    EXPECT_EQ(box(w, 2)->text(), "地址不详");

    // An unknown number says so and leaves the old waybill's line.
    msgs->expect("你输入的运单号不存在!");
    lookUp(w, "W'404");
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(box(w, 1)->text(), " 重量:2.5    件数:3   D/S: S");
}

TEST_F(C05Test, FullLineAndEnterMoveToTheNextBox)
{
    C05* w = openNotice();
    box(w, 2)->setFocus();
    type(box(w, 2), QString(35, QChar(u'缺')));
    EXPECT_TRUE(box(w, 2)->hasFocus());
    type(box(w, 2), "x");
    EXPECT_TRUE(box(w, 3)->hasFocus());
    // A paste past the end stays where it is.
    box(w, 3)->setText(QString(40, 'y'));
    EXPECT_TRUE(box(w, 3)->hasFocus());
    pressKey(box(w, 3), Qt::Key_Enter);
    EXPECT_TRUE(box(w, 4)->hasFocus());
    EXPECT_EQ(box(w, 3)->text(), QString(40, 'y'));
}

TEST_F(C05Test, PrintAsksForNumberInformationAndAReason)
{
    C05* w = openNotice();
    msgs->expect("请输入运单号!");
    trigger(w, "Menu_P");
    box(w, 0)->setText("W100");
    msgs->expect("请输入运单信息!");
    trigger(w, "Menu_P");
    box(w, 1)->setText(" 重量:2.5    件数:3   D/S: S");
    msgs->expect("请输入问题原因!");
    trigger(w, "Menu_P");
    for (const MsgRecord& m : msgs->boxes())
        EXPECT_EQ(m.title, "");
    EXPECT_EQ(count("select count(*) from PRNTC05"), 0);
    EXPECT_EQ(Prnt::Loaded(), nullptr);

    box(w, 5)->setText("  请提供门牌号 ");
    trigger(w, "Menu_P");
    EXPECT_EQ(scratch("PRNTC05", "F1,F2,F3,F4,F5,F6,F7"), QStringList({"W100|重量:2.5    件数:3   D/S: S||||请提供门牌号|"}));
    EXPECT_EQ(reportFile(), "prntc05.rpt");
    EXPECT_TRUE(formulas().isEmpty());
    EXPECT_EQ(missingOnPage({"无法中转及派送的问题通知", "W100", "重量:2.5    件数:3   D/S: S", "请提供门牌号"}),
              QStringList());
    keepPng("prntc05");
    // The boxes keep their texts for another print.
    EXPECT_EQ(box(w, 0)->text(), "W100");
}

TEST_F(C05Test, ClosingInsideTheMainWindowLooksNothingUp)
{
    // The focus leaves the number box as the window goes: no look-up, no message.
    QMdiArea mdi;
    C05* w = openBesideAnotherWindow(mdi, "W404");
    w->close();
    Pump();
}

TEST_F(C05Test, OnlyAMoveToAnotherBoxOfTheNoticeLooksTheNumberUp)
{
    QMdiArea mdi;
    C05* w = openBesideAnotherWindow(mdi, "W404");
    QMdiSubWindow* notice = mdi.activeSubWindow();
    // Over to the other window and back: nothing is looked up.
    mdi.setActiveSubWindow(mdi.subWindowList().first());
    Pump();
    mdi.setActiveSubWindow(notice);
    Pump();
    ASSERT_TRUE(box(w, 0)->hasFocus());
    msgs->expect("你输入的运单号不存在!");
    box(w, 2)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(msgs->boxes().size(), 1);
}

TEST_F(C05Test, ClosingGivesTheToolBarBackAndLeavesTheStatusBar)
{
    RegisterReportWindows();
    ChildWindow* w = WindowRegistry::openChild("C05");
    ASSERT_TRUE(qobject_cast<C05*>(w));
    EXPECT_FALSE(host.toolBar);
    host.panels[4] = "共 3 条记录 当前为第 1 条";
    w->close();
    EXPECT_TRUE(host.toolBar);
    EXPECT_EQ(host.panels[4], "共 3 条记录 当前为第 1 条");
    Pump();
}

} // namespace
