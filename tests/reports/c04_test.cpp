#include "reports_fixture.h"

#include "reports/c04.h"
#include "support/report_fit.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

class C04Test : public ReportsTest {
protected:
    C04* openMarch()
    {
        customer("C001", "华南贸易");
        customer("C002", "东方电子");
        channel("Q1", "联邦快递");
        waybill("W1", "2024-03-07", "C002", {{"F202", "Q1"}, {"F604", "未审核"}, {"F301", "D"}, {"F402", 1.5},
                                              {"F2031", "东京"}, {"XJ", 20}, {"F602", "小李"}, {"F404", 2},
                                              {"F507", 8}, {"F506", 1}, {"F103", "易碎"}});
        waybill("W2", "2024-03-23", "C001", {{"F202", "Q1"}, {"F604", "张三"}, {"F402", 3}, {"YJ", 45.5}, {"F404", 3},
                                              {"F507", 12.5}});
        waybill("W3", "2024-04-02", "C001", {{"F202", "Q1"}, {"F402", 3}, {"DF", 30}, {"F404", 3}, {"F507", 9}});
        waybill("W4", "2024-03-10", "C001", {{"F402", 7}, {"YJ", 70}}); // no channel: never listed
        C04* w = open<C04>();
        setPeriod(w, "2024-03-01", "2024-04-30");
        refresh(w);
        return w;
    }
};

TEST_F(C04Test, ListsEveryWaybillWithChannelByCustomerWithSevenTotals)
{
    C04* w = openMarch();
    EXPECT_EQ(w->windowTitle(), "月结表");
    FlexGrid* g = grid(w);
    EXPECT_EQ(g->rowTexts(0), QStringList({"日期", "单位", "运单号", "D/S", "收重", "目的地", "现金", "月结", "到付", "收件",
                                           "出司", "出重", "出费", "车费", "备注"}));
    // Ordered by customer code; not yet reviewed waybills too.
    EXPECT_EQ(GridLines(g), QStringList({"2024-03-23|华南贸易|W2||3|||45.5|||联邦快递|3|12.5||",
                                         "2024-04-02|华南贸易|W3||3||||30||联邦快递|3|9||",
                                         "2024-03-07|东方电子|W1|D|1.5|东京|20|||小李|联邦快递|2|8|1|易碎",
                                         "||||7.5||20|45.5|30|||8|29.5|1|"}));
}

TEST_F(C04Test, ReadsThePeriodThroughTheSendDateIndex)
{
    struct Exposed : C04 {
        using C04::refreshSql;
    };
    Exposed w;
    const QStringList plan = Records("EXPLAIN QUERY PLAN " + w.refreshSql());
    const QStringList waybills = plan.filter("TABLE B01");
    ASSERT_EQ(waybills.size(), 1) << plan.join('\n').toStdString();
    EXPECT_TRUE(waybills[0].contains("SEARCH") && waybills[0].contains("(F101>? AND F101<?)")) << waybills[0].toStdString();
}

TEST_F(C04Test, PrintsTheWaybillRowsUnderTheirDayOfTheMonth)
{
    C04* w = openMarch();
    trigger(w, "Menu_P");
    EXPECT_EQ(scratch("PRNTC04", "F1,F2,F3,F5,F15"),
              QStringList({"23|华南贸易|W2|3|", "2|华南贸易|W3|3|", "7|东方电子|W1|1.5|易碎"}));
    EXPECT_EQ(reportFile(), "prntc04.rpt");
    EXPECT_EQ(formulas(), QStringList({"RQ='2024-03-01至2024-04-30月结表'"}));
    EXPECT_EQ(missingOnPage({"2024-03-01至2024-04-30月结表", "23", "W3", "易碎", "合    计", "7.5", "45.50", "29.50"}),
              QStringList());
    keepPng("prntc04");
}

TEST_F(C04Test, PrintsTheLargestAmountsWholeAndApart)
{
    // A month of ten busy years' largest amounts: rows of -9999999.99 and
    // 9999999.99 whose totals reach 989999999.01.
    customer("C001", "华南贸易");
    channel("Q1", "联邦快递");
    for (int i = 0; i < 101; ++i) {
        const double amount = i == 0 ? -9999999.99 : 9999999.99;
        waybill(QStringLiteral("W%1").arg(i, 3, 10, QChar('0')), "2024-03-07", "C001",
                {{"F202", "Q1"},
                 {"F402", 99999.9},
                 {"XJ", amount},
                 {"YJ", amount},
                 {"DF", amount},
                 {"F404", 99999.9},
                 {"F507", amount},
                 {"F506", amount}});
    }
    C04* w = open<C04>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    trigger(w, "Menu_P");
    ASSERT_NE(preview(), nullptr);
    const ReportLayout& report = *preview();
    const QStringList largest{"-9999999.99", "9999999.99", "989999999.01", "99999.9", "10099989.9"};
    const QStringList wrong =
        NumbersNotClear(report, {largest.begin(), largest.end()}, 0.5, 1.0) + TextsOutsideTheirBoxes(report);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString();
    QStringList shown;
    for (const LaidPage& page : report.pages)
        shown += page.texts();
    for (const QString& number : largest)
        EXPECT_TRUE(shown.contains(number)) << number.toStdString();
    // The last page, with the totals.
    QScrollBar* down = Prnt::Loaded()->preview()->verticalScrollBar();
    down->setValue(down->maximum());
    GrabToPng(Prnt::Loaded(), "C04_largest");
}

TEST_F(C04Test, ClickingACellOnTheRightKeepsTheViewWhereItIs)
{
    C04* w = openMarch();
    w->resize(700, 400);
    Pump();
    FlexGrid* g = grid(w);
    QScrollBar* across = g->horizontalScrollBar();
    across->setValue(across->maximum());
    ASSERT_GT(across->value(), 0);
    const QPoint cell = g->visualRect(g->model()->index(1, 13)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, cell, g->viewport()->mapToGlobal(cell), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
        QApplication::sendEvent(g->viewport(), &e);
    }
    EXPECT_EQ(host.panels[4], "共 4 条记录 当前为第 2 条");
    EXPECT_EQ(across->value(), across->maximum());
}

TEST_F(C04Test, HighlightLeavesTheRemarkColumnOut)
{
    C04* w = openMarch();
    FlexGrid* g = grid(w);
    g->setRow(3);
    emit g->clicked();
    const QModelIndexList sel = g->selectionModel()->selectedIndexes();
    QSet<int> cols;
    for (const QModelIndex& i : sel) {
        EXPECT_EQ(i.row(), 2);
        cols.insert(i.column());
    }
    EXPECT_EQ(cols.size(), 14);
    EXPECT_FALSE(cols.contains(14));
    EXPECT_EQ(host.panels[4], "共 4 条记录 当前为第 3 条");
    keepGrab(w, "C04");
}

} // namespace
