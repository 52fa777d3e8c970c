#include "reports_fixture.h"

#include "reports/c01.h"
#include "reports/c02.h"
#include "reports/c03.h"
#include "reports/c04.h"
#include "reports/c05.h"
#include "reports/c06.h"
#include "reports/report_windows.h"
#include "platform/window_registry.h"

#include "dialogs/toexcel.h"
#include "support/date_picker_input.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>

namespace {

class ReportWindowTest : public ReportsTest {
protected:
    // The customer reconciliation set to March for a customer with one waybill, not yet refreshed.
    C02* openOneWaybillStatement()
    {
        customer("C001", "华南贸易");
        waybill("W1", "2024-03-05", "C001", {{"F402", 2}, {"F504", 30}, {"F501", "月结"}});
        C02* w = open<C02>();
        setPeriod(w, "2024-03-01", "2024-03-31");
        setParty(w, "C001");
        return w;
    }
};

TEST(ReportPeriodTest, EndsYesterdayAndStartsOnTheSameDayAMonthBefore)
{
    const struct {
        QDate today, start, end;
    } cases[] = {
        {{2024, 3, 15}, {2024, 2, 15}, {2024, 3, 14}},
        {{2024, 3, 1}, {2024, 2, 1}, {2024, 3, 1}},
        {{2024, 1, 10}, {2023, 12, 10}, {2024, 1, 9}},
        {{2024, 1, 1}, {2023, 12, 1}, {2024, 1, 1}},
        {{2024, 3, 31}, {2024, 2, 29}, {2024, 3, 30}},
        {{2023, 3, 31}, {2023, 2, 28}, {2023, 3, 30}},
        {{2024, 5, 31}, {2024, 4, 30}, {2024, 5, 30}},
    };
    for (const auto& c : cases) {
        const ReportPeriod p = DefaultReportPeriod(c.today);
        EXPECT_EQ(p.start, c.start) << c.today.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(p.end, c.end) << c.today.toString(Qt::ISODate).toStdString();
    }
}

TEST(ReportColumnWidthTest, RoundsHalvesToEvenAndNeverGoesBelowZero)
{
    const struct {
        int w, k, d, width;
    } cases[] = {
        {1000, 10, 30, 70}, {1005, 10, 30, 70}, {1015, 10, 30, 72}, {1025, 10, 30, 72},
        {12000, 9, 20, 1313}, {100, 6, 50, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReportColumnWidth(c.w, c.k, c.d), c.width) << c.w << "/" << c.k << "-" << c.d;
}

TEST_F(ReportWindowTest, OpensWithTheDefaultPeriodThePartyListAndAnEmptyGrid)
{
    customer(" C002 ", " 东方电子 ");
    customer("C001", "华南贸易");
    C02* w = open<C02>();
    const ReportPeriod p = DefaultReportPeriod(QDate::currentDate());
    EXPECT_EQ(w->startDate(), p.start);
    EXPECT_EQ(w->endDate(), p.end);
    auto* cmb = w->findChild<QComboBox*>("Cmb");
    QStringList items;
    for (int i = 0; i < cmb->count(); ++i)
        items << cmb->itemText(i);
    EXPECT_EQ(items, QStringList({"C002.东方电子", "C001.华南贸易"}));
    EXPECT_EQ(cmb->currentText(), "");
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "");
    EXPECT_EQ(host.panels[4], "请选择适当的日期范围及客户之后刷新数据");
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->objectName() + ":" + m->menuAction()->text();
    EXPECT_EQ(bar, QStringList({"Menu_Texcel:&T.导出数据", "Menu_P:&P.打印报表", "menu_R:&R.返回"}));
}

TEST_F(ReportWindowTest, NumberColumnsStandRightAlignedTextsAndDatesLeft)
{
    C02* w = openOneWaybillStatement();
    waybill("W2", "2024-03-06", "C001", {{"F402", 1.5}, {"F504", 12.25}, {"F501", "月结"}, {"F301", "D"}});
    refresh(w);
    ASSERT_EQ(grid(w)->rows(), 4);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    // Date, number, service type, place (empty everywhere), weight, fees (empty), freight.
    const struct {
        int col;
        bool right;
    } cases[] = {{0, false}, {1, false}, {2, false}, {3, false}, {4, true}, {5, false}, {9, true}};
    for (const auto& c : cases)
        EXPECT_EQ(grid(w)->colAlignment(c.col) == right, c.right) << c.col;
}

TEST_F(ReportWindowTest, LayoutFollowsEveryResize)
{
    C02* c02 = open<C02>();
    c02->resize(800, 600); // 12000 x 9000 twips
    Pump();
    auto* bar = c02->findChild<QFrame*>("Frm");
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 800, bar->height()));
    const int barTwips = bar->height() * 15;
    EXPECT_EQ(grid(c02)->geometry(), QRect(0, bar->height(), (12000 - 80) / 15, (9000 - barTwips - 500) / 15));
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(grid(c02)->colWidth(c), 1170);
    // Too small for the rule: nothing negative.
    c02->resize(20, 20);
    Pump();
    EXPECT_EQ(grid(c02)->height(), 0);
    EXPECT_EQ(grid(c02)->colWidth(0), 0);

    C06* c06 = open<C06>();
    c06->resize(800, 600);
    Pump();
    for (int c = 0; c < 12; ++c)
        EXPECT_EQ(grid(c06)->colWidth(c), c >= 7 && c <= 9 ? 0 : 1313) << c;

    C04* c04 = open<C04>();
    const int untouched = grid(c04)->colWidth(12);
    c04->resize(800, 600);
    Pump();
    EXPECT_EQ(grid(c04)->colWidth(11), 837);
    for (int c = 12; c < 15; ++c)
        EXPECT_EQ(grid(c04)->colWidth(c), untouched);
}

TEST_F(ReportWindowTest, EveryReportOpensFromTheMainWindowsRegistry)
{
    RegisterReportWindows();
    const struct {
        const char* name;
        const char* caption;
    } windows[] = {{"C01", "出货明细"}, {"C02", "对帐明细表"}, {"C03", "渠道对帐明细"},
                   {"C04", "月结表"},   {"C05", "问题通知单"}, {"C06", "毛利表"}};
    for (const auto& w : windows) {
        ChildWindow* child = WindowRegistry::openChild(w.name);
        ASSERT_TRUE(child) << w.name;
        EXPECT_EQ(child->objectName(), w.name);
        EXPECT_EQ(child->windowTitle(), w.caption);
        EXPECT_EQ(WindowRegistry::openChild(w.name), child) << w.name;
        host.panels[4].clear();
        child->close();
        EXPECT_TRUE(host.toolBar);
        EXPECT_EQ(host.panels[4], QString(w.name) == "C05" ? "" : TodayText()) << w.name;
    }
    Pump();
}

TEST_F(ReportWindowTest, RefusedRefreshShowsTheEngineTextAndTheWindowGoesOn)
{
    C02* w = openOneWaybillStatement();
    Db().execute("alter table B01 rename to B01x");
    msgs->expect("刷新数据错误!系统返回如下信息：");
    refresh(w);
    EXPECT_TRUE(msgs->last().text.contains("B01"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(GridLines(grid(w)), QStringList({"|||||||||"}));
    EXPECT_EQ(host.panels[4], "请选择适当的日期范围及客户之后刷新数据");

    Db().execute("alter table B01x rename to B01");
    refresh(w);
    EXPECT_EQ(GridLines(grid(w)).size(), 2);
}

TEST_F(ReportWindowTest, FailingPrintShowsTheEngineTextAndLeavesTheScratchTable)
{
    C02* w = openOneWaybillStatement();
    refresh(w);
    Db().execute("insert into PRNTC023 (F1) values ('last print')");
    Db().executeNative("create trigger refuse before insert on PRNTC023 begin select raise(abort, 'scratch refused'); end");
    msgs->expect("scratch refused");
    trigger(w, "Menu_P");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(scratch("PRNTC023", "F1"), QStringList({"last print"}));
    EXPECT_EQ(Prnt::Loaded(), nullptr);

    // A missing template: the host says so, and the next print works.
    Db().executeNative("drop trigger refuse");
    QFile::rename(folder->file("prntc023.rpt"), folder->file("gone.rpt"));
    msgs->expect("prntc023.rpt");
    trigger(w, "Menu_P");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QFile::rename(folder->file("gone.rpt"), folder->file("prntc023.rpt"));
    trigger(w, "Menu_P");
    ASSERT_TRUE(preview());
}

TEST_F(ReportWindowTest, EnterOnTheFocusedRefreshButtonRefreshes)
{
    C02* w = openOneWaybillStatement();
    auto* cmd = w->findChild<QPushButton*>("Cmd");
    w->activateWindow();
    cmd->setFocus();
    pressKey(cmd, Qt::Key_Return);
    EXPECT_EQ(GridLines(grid(w)).size(), 2);
    EXPECT_EQ(grid(w)->textMatrix(1, 1), "W1");
}

TEST_F(ReportWindowTest, ThePeriodIsTypedSectionBySectionAndTabGoesFromPickerToPicker)
{
    C02* w = openOneWaybillStatement();
    setPeriod(w, "2024-02-01", "2024-02-29");
    auto* from = w->findChild<QDateEdit*>("DTP(0)");
    auto* to = w->findChild<QDateEdit*>("DTP(1)");
    w->resize(1000, 420);
    QApplication::setActiveWindow(w);
    Pump();
    ClickDateSection(from, 1);
    type(from, "3");
    pressKey(from, Qt::Key_Tab);
    ASSERT_TRUE(to->hasFocus());
    // Entered by Tab: the year is selected.
    type(to, "24-3-31");
    pressKey(to, Qt::Key_Tab);
    EXPECT_FALSE(to->hasFocus());
    EXPECT_EQ(w->startDate(), QDate(2024, 3, 1));
    EXPECT_EQ(w->endDate(), QDate(2024, 3, 31));
    refresh(w);
    EXPECT_EQ(grid(w)->textMatrix(1, 1), "W1");
}

TEST_F(ReportWindowTest, ATypedPrefixStaysInThePartyListAndFindsNoOtherCustomer)
{
    customer("C001", "华南贸易");
    customer("C002", "东方电子");
    waybill("W1", "2024-03-05", "C001", {{"F402", 2}, {"F504", 30}, {"F501", "月结"}});
    C02* w = open<C02>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    auto* cmb = w->findChild<QComboBox*>("Cmb");
    w->activateWindow();
    Pump();
    cmb->setFocus();
    type(cmb, "C00");
    EXPECT_EQ(cmb->currentText(), "C00");
    refresh(w);
    EXPECT_EQ(w->curCode(), "C00");
    EXPECT_EQ(GridLines(grid(w)), QStringList({"||||0|||||0"})); // totals of nothing
}

TEST_F(ReportWindowTest, APrintFillsItsScratchTableUnderTheBusyPointerAndItsRefusalWithout)
{
    C02* w = openOneWaybillStatement();
    refresh(w);
    {
        WriteWatch watch;
        trigger(w, "Menu_P");
        EXPECT_EQ(watch.rows, 2); // the waybill and the totals row
        EXPECT_EQ(watch.busyRows, 2);
    }
    ASSERT_TRUE(preview());
    Db().executeNative("create trigger refuse before insert on PRNTC023 begin select raise(abort, 'scratch refused'); end");
    msgs->expect("scratch refused");
    trigger(w, "Menu_P");
    EXPECT_EQ(msgs->busyCount(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ReportWindowTest, AMissingTemplateIsToldBeforeTheScratchTableIsTouched)
{
    C02* w = openOneWaybillStatement();
    refresh(w);
    Db().execute("insert into PRNTC023 (F1) values ('last print')");
    QFile::remove(folder->file("prntc023.rpt"));
    msgs->expect("报表文件prntc023.rpt丢失!");
    trigger(w, "Menu_P");
    EXPECT_EQ(msgs->last().text, "报表文件prntc023.rpt丢失!");
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(scratch("PRNTC023", "F1"), QStringList({"last print"}));
    EXPECT_EQ(Prnt::Loaded(), nullptr);
}

TEST_F(ReportWindowTest, ExportHandsTheGridToTheExportDialog)
{
    C03* w = open<C03>();
    FlexGrid* handed = nullptr;
    modal->on("ToExcel", [&](QDialog& d) {
        handed = static_cast<ToExcel&>(d).Sgd;
        d.reject();
    });
    trigger(w, "Menu_ToExcel");
    EXPECT_EQ(handed, grid(w));
}

} // namespace
