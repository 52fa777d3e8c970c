#include "delivery_fixture.h"
#include "delivery_notes/d2.h"
#include "delivery_notes/d3.h"
#include "dialogs/report_engine.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "support/failing_reads.h"
#include "support/table_text.h"

#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <cmath>

namespace {

class D3Test : public DeliveryTest {
protected:
    // The window with its period set to May 2024, reloaded for the customer text.
    D3* openMay(const QString& customer = "所有客户")
    {
        D3* w = open<D3>();
        setPeriod(w, QDate(2024, 5, 1), QDate(2024, 5, 31));
        combo(w, "CmbKH")->setEditText(customer);
        w->findChild<QPushButton*>("CmdReQuery")->click();
        return w;
    }
    static void setPeriod(D3* w, const QDate& from, const QDate& to)
    {
        picker(w, "DTP(0)")->setDate(from);
        picker(w, "DTP(1)")->setDate(to);
    }
    static QStringList column(FlexGrid* gd, int c)
    {
        QStringList out;
        for (int r = 1; r < gd->rows(); ++r)
            out << gd->textMatrix(r, c);
        return out;
    }
    static QStringList scratchRows() { return Records("select F0,F1,F3,F2,F6,F7,F8 from PRTB2 order by rowid"); }
    static QStringList formulas()
    {
        QStringList out;
        for (const QString& f : Prnt::Loaded()->Cry().formulas())
            out << f;
        return out;
    }
};

TEST_F(D3Test, OpensOnThisMonthsNotesOfAllCustomers)
{
    const QDate today = QDate::currentDate();
    note("T001", today.toString("yyyy-MM-dd"), "C02", "10", "0");
    note("T002", QDate(today.year(), today.month(), 1).toString("yyyy-MM-dd"), "C01", "20", "0");
    note("T003", QDate(today.year(), today.month(), 1).addDays(-1).toString("yyyy-MM-dd"), "C01", "30", "0");
    D3* w = open<D3>();
    EXPECT_EQ(w->windowTitle(), "销售统计报表");
    EXPECT_EQ(picker(w, "DTP(0)")->date(), QDate(today.year(), today.month(), 1));
    EXPECT_EQ(picker(w, "DTP(1)")->date(), today);
    QComboBox* kh = combo(w, "CmbKH");
    QStringList items;
    for (int i = 0; i < kh->count(); ++i)
        items << kh->itemText(i);
    EXPECT_EQ(items, QStringList({"所有客户", "C01.华联商场", "C02.新星贸易", "C03.O'Neil商行"}));
    EXPECT_EQ(kh->currentIndex(), 0);
    FlexGrid* gd = grid(w);
    EXPECT_EQ(rowText(gd, 0), "客户编号|客户名称|发货单号码|发货单日期|金额(元)|付款(元)|欠款(元)");
    EXPECT_EQ(column(gd, 2), QStringList({"T002", "T001", ""}));
    EXPECT_EQ(host.panels[4], "发货单列表：共 2 条记录 当前为第 1 条");
}

TEST_F(D3Test, ListsTheNotesOfThePeriodWithSumsAndPaidNullAsZero)
{
    D3* w = openMay();
    FlexGrid* gd = grid(w);
    ASSERT_EQ(gd->rows(), 7);
    // Ordered by customer, date, note; a customer TA2 lacks still lists.
    EXPECT_EQ(rowText(gd, 1), "C01|华联商场|N001|2024-05-03|100|0|100.00");
    EXPECT_EQ(rowText(gd, 2), "C01|华联商场|N002|2024-05-10|250.5|50.5|200.00");
    EXPECT_EQ(rowText(gd, 3), "C02|新星贸易|N004|2024-05-01|60|70|-10.00");
    EXPECT_EQ(rowText(gd, 4), "C02|新星贸易|N003|2024-05-31|80|80|0.00");
    EXPECT_EQ(rowText(gd, 5), "C09||N007|2024-05-15|20|5|15.00");
    EXPECT_EQ(rowText(gd, 6), "||||510.5|205.5|305");
    EXPECT_EQ(host.panels[4], "发货单列表：共 5 条记录 当前为第 1 条");
}

TEST_F(D3Test, ThePeriodIsInclusiveByDay)
{
    Db().execute("update TD1 set F2='2024-05-31 18:30:00' where F1='N003'");
    struct Case {
        QDate from, to;
        QStringList notes;
    } cases[] = {
        {QDate(2024, 5, 1), QDate(2024, 5, 1), {"N004", ""}},
        {QDate(2024, 5, 31), QDate(2024, 6, 1), {"N003", "N006", ""}},
        {QDate(2024, 4, 30), QDate(2024, 5, 3), {"N005", "N001", "N004", ""}},
        {QDate(2024, 5, 10), QDate(2024, 5, 9), {""}},
    };
    D3* w = open<D3>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from.toString("yyyy-MM-dd").toStdString());
        setPeriod(w, c.from, c.to);
        w->RunQuery();
        EXPECT_EQ(column(grid(w), 2), c.notes);
    }
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(host.panels[4], "无信息");
}

TEST_F(D3Test, TheCustomerBoxFiltersByCode)
{
    struct Case {
        const char* text;
        QStringList notes;
    } cases[] = {
        {"所有客户", {"N001", "N002", "N004", "N003", "N007", ""}},
        {"", {"N001", "N002", "N004", "N003", "N007", ""}},
        {"C02.新星贸易", {"N004", "N003", ""}},
        {"C01", {"N001", "N002", ""}},
        {" C01 .华联商场", {"N001", "N002", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        D3* w = openMay(c.text);
        EXPECT_EQ(column(grid(w), 2), c.notes);
        EXPECT_EQ(msgs->count(), 0);
    }
}

TEST_F(D3Test, AnUnknownCustomerIsRefusedAndTheListStays)
{
    D3* w = openMay("C02");
    for (const char* text : {"华联商场", "C99.无此客户"}) {
        combo(w, "CmbKH")->setEditText(text);
        msgs->expect("客户编号输入错误!");
        w->RunQuery();
        EXPECT_EQ(msgs->last().text, "客户编号输入错误!");
        EXPECT_EQ(msgs->last().title, "提示");
        EXPECT_EQ(column(grid(w), 2), QStringList({"N004", "N003", ""}));
    }
    EXPECT_EQ(msgs->count(), 2);
    // A look-up that fails says only that.
    msgs->expect("TA2.F2");
    {
        FailingReads failing("TA2", "F2");
        w->RunQuery();
    }
    EXPECT_EQ(msgs->count(), 3);
    EXPECT_EQ(column(grid(w), 2), QStringList({"N004", "N003", ""}));
}

TEST_F(D3Test, CustomersMergeTheSumsRowCannotBeCurrentAndTheNoteIsMarked)
{
    D3* w = openMay();
    FlexGrid* gd = grid(w);
    gd->refreshMerges();
    // Grid rows 1-2 (C01) and 3-4 (C02) show their code and name once.
    EXPECT_EQ(gd->rowSpan(0, 0), 2);
    EXPECT_EQ(gd->rowSpan(0, 1), 2);
    EXPECT_EQ(gd->rowSpan(2, 0), 2);
    EXPECT_EQ(gd->rowSpan(4, 0), 1);
    EXPECT_EQ(gd->rowSpan(0, 2), 1);

    EXPECT_TRUE(gd->cellFontBold(1, 2));
    gd->setRow(6);
    EXPECT_EQ(gd->row(), 5);
    EXPECT_EQ(w->curRow(), 5);
    EXPECT_EQ(w->markRow(), 5);
    EXPECT_FALSE(gd->cellFontBold(1, 2));
    EXPECT_TRUE(gd->cellFontBold(5, 2));
    EXPECT_EQ(host.panels[4], "发货单列表：共 5 条记录 当前为第 5 条");
}

TEST_F(D3Test, SalesStatementPrintsTheListWithTheCompanyName)
{
    D3* w = openMay();
    trigger(w, "Menu_print");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(scratchRows(), QStringList({
        "C01|华联商场|N001|2024-05-03|100|0|100",
        "C01|华联商场|N002|2024-05-10|250.5|50.5|200",
        "C02|新星贸易|N004|2024-05-01|60|70|-10",
        "C02|新星贸易|N003|2024-05-31|80|80|0",
        "C09||N007|2024-05-15|20|5|15",
    }));
    ASSERT_NE(Prnt::Loaded(), nullptr);
    EXPECT_EQ(Prnt::Loaded()->Cry().reportFileName(), gAppPath + "prntd3.rpt");
    EXPECT_EQ(formulas(), QStringList({
        "myName='捷诺达速递有限公司'", "Cpt='销售帐款统计报表'", "rq='日期由  2024-05-01  至  2024-05-31'",
        "kh='客户'", "khmc='名称'", "fpdh='发货单号'", "fprq='发货日期'", "ymhkd='金额(元)'",
        "fkhkd='付款(元)'", "jyhkd='欠款(元)'", "gong='共：'",
    }));
    const QStringList texts = PreviewPageTexts();
    for (const char* t : {"捷诺达速递有限公司", "销售帐款统计报表", "日期由  2024-05-01  至  2024-05-31", "N004",
                          "250.50", "-10.00", "510.50", "205.50", "305.00", "共：", "5"})
        EXPECT_TRUE(texts.contains(t)) << t;
    // A customer's code and name print once over its notes.
    EXPECT_EQ(texts.count("华联商场"), 1);
}

TEST_F(D3Test, MonthlyStatementPrintsWhatTheCurrentCustomerOwes)
{
    note("N012", "2024-05-20", "C01", "40", "40");   // settled: left out
    D3* w = openMay();
    // The date picker changed after the load is what the heading shows.
    picker(w, "DTP(1)")->setDate(QDate(2024, 5, 30));
    grid(w)->setRow(2);
    trigger(w, "Menu_print2");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(scratchRows(), QStringList({"C01|华联商场|N001|2024-05-03|100|0|100",
                                          "C01|华联商场|N002|2024-05-10|250.5|50.5|200"}));
    EXPECT_EQ(Prnt::Loaded()->Cry().reportFileName(), gAppPath + "prntd4.rpt");
    EXPECT_EQ(formulas(), QStringList({
        "Cpt='客户月结单'", "myName='捷诺达速递有限公司'", "rq='日期由  2024-05-01  至  2024-05-30'",
        "khbm='客户编码： C01   华联商场'", "addr='地址    ： 深圳市福田区深南大道1号'",
        "tel='电话    ： 0755-83000001'", "fax='传真    ： 0755-83000002'", "zly='只打印剩余帐项'",
        "yjrq='月结日期：'", "yjrqjz='预缴日期截至：'", "fpdh='发货单号'", "fprq='发货日期：'",
        "ymhkd='金额(元)'", "fkhkd='付款(元)'", "jyhkd='欠款(元)'", "gong='共：'",
    }));
    const QStringList texts = PreviewPageTexts();
    for (const char* t : {"捷诺达速递有限公司", "客户月结单", "客户编码： C01   华联商场", "电话    ： 0755-83000001",
                          "N001", "N002", "350.50", "300.00"})
        EXPECT_TRUE(texts.contains(t)) << t;
    EXPECT_FALSE(texts.contains("N012"));

    // A customer who owes nothing gets a statement without rows.
    grid(w)->setRow(4);
    trigger(w, "Menu_print2");
    EXPECT_EQ(scratchRows(), QStringList());
    EXPECT_TRUE(PreviewPageTexts().contains("客户编码： C02   新星贸易"));
}

TEST_F(D3Test, NothingListedOrNoTemplateLeavesTheScratchTableAlone)
{
    Db().execute("insert into PRTB2 (F0) values ('earlier')");
    D3* w = openMay();
    setPeriod(w, QDate(2030, 1, 1), QDate(2030, 1, 31));
    w->RunQuery();
    msgs->expect("无数据！");
    trigger(w, "Menu_print");
    msgs->expect("无数据可打印！");
    trigger(w, "Menu_print2");
    EXPECT_EQ(msgs->texts(), QStringList({"无数据！", "无数据可打印！"}));

    setPeriod(w, QDate(2024, 5, 1), QDate(2024, 5, 31));
    w->RunQuery();
    QFile::remove(folder->file("prntd3.rpt"));
    QFile::remove(folder->file("prntd4.rpt"));
    msgs->expect("报表文件prntd3.rpt丢失！");
    trigger(w, "Menu_print");
    msgs->expect("报表文件prntd4.rpt丢失！");
    trigger(w, "Menu_print2");
    EXPECT_EQ(msgs->texts().mid(2), QStringList({"报表文件prntd3.rpt丢失！", "报表文件prntd4.rpt丢失！"}));
    EXPECT_EQ(scratchRows(), QStringList({"earlier||||||"}));
    EXPECT_EQ(Prnt::Loaded(), nullptr);
}

TEST_F(D3Test, ANoteWithoutACustomerFirstInTheListStillPrints)
{
    Db().execute("insert into TD1 (F1,F2,F3,F9,F91) values ('N030','2024-05-06',NULL,9,0)");
    D3* w = openMay();
    EXPECT_EQ(rowText(grid(w), 1), "||N030|2024-05-06|9|0|9.00");
    trigger(w, "Menu_print");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(scratchRows().size(), 6);
    EXPECT_EQ(scratchRows().first(), "||N030|2024-05-06|9|0|9");
}

TEST_F(D3Test, AnEmptyAmountPrintsEmpty)
{
    Db().execute("update TD1 set F9=NULL where F1='N001'");
    D3* w = openMay("C01");
    EXPECT_EQ(rowText(grid(w), 1), "C01|华联商场|N001|2024-05-03||0|");
    trigger(w, "Menu_print");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(scratchRows().first(), "C01|华联商场|N001|2024-05-03||0|");
    const QStringList texts = PreviewPageTexts();
    EXPECT_TRUE(texts.contains("250.50"));
    EXPECT_TRUE(texts.contains("200.00")); // the sums count the empty cell as 0
}

TEST_F(D3Test, BothListsFillTheirWindowWithSevenEqualColumns)
{
    QList<ChildWindow*> windows{open<D2>(), open<D3>()};
    for (ChildWindow* w : windows) {
        for (QSize size : {QSize(700, 400), QSize(1200, 600)}) {
            SCOPED_TRACE(w->objectName().toStdString() + " " + std::to_string(size.width()));
            w->resize(size);
            Pump();
            FlexGrid* gd = grid(w);
            const int top = w->objectName() == "D3" ? w->findChild<QFrame*>("FrM")->height() : 0;
            EXPECT_EQ(gd->geometry(), QRect(0, top, size.width(), size.height() - top));
            // Each column is the inner width / 7 less 30 twips: all seven fit.
            const int width = int(std::lround(PxToTwips(gd->viewport()->width()) / 7.0 - 30));
            for (int c = 0; c < 7; ++c)
                EXPECT_EQ(gd->colWidth(c), width) << c;
        }
    }
}

TEST_F(D3Test, EnterInTheCustomerBoxGoesToTheReloadButton)
{
    D3* w = open<D3>();
    w->activateWindow();
    QComboBox* kh = combo(w, "CmbKH");
    kh->setFocus();
    pressKey(kh, Qt::Key_Return);
    EXPECT_EQ(w->focusWidget(), w->findChild<QPushButton*>("CmdReQuery"));
}

} // namespace
