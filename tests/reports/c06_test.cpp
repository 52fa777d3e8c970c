#include "reports_fixture.h"

#include "reports/c06.h"
#include "support/report_fit.h"

namespace {

class C06Test : public ReportsTest {
protected:
    static void fee(const QString& no, const QString& date, const QString& cust, const QString& pay, double total,
                    const QVariant& cost, const QVariant& vehicle)
    {
        waybill(no, date, cust,
                {{"F501", pay}, {"F504", total}, {"F507", cost}, {"F506", vehicle},
                 {"XJ", pay == "现金" ? total : 0}, {"YJ", pay == "月结" ? total : 0}, {"DF", pay == "到付" ? total : 0}});
    }
};

TEST_F(C06Test, GrossProfitPerCustomerAndSalesmanWithTotals)
{
    customer("C001", "华南贸易", "王五");
    customer("C002", "东方电子", "赵六");
    customer("C003", "东方电子", "赵六"); // same name and salesman: one row
    fee("W1", "2024-03-01", "C001", "现金", 40, 30.5, 10);
    fee("W2", "2024-03-02", "C001", "月结", 60, 30, QVariant());
    fee("W3", "2024-03-03", "C002", "到付", 20, 40, 0);
    fee("W4", "2024-03-04", "C003", "月结", 30, 20, 0);
    fee("W5", "2024-04-01", "C002", "月结", 999, 0, 0); // outside the period
    fee("W6", "2024-03-05", "NOCUST", "月结", 999, 0, 0); // no customer row
    C06* w = open<C06>();
    EXPECT_EQ(w->windowTitle(), "毛利表");
    EXPECT_EQ(w->findChild<QComboBox*>("Cmb")->isHidden(), true);
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    FlexGrid* g = grid(w);
    EXPECT_EQ(g->rowTexts(0), QStringList({"客户", "现金", "月结", "到付", "总量", "出货", "车费", "", "", "", "毛利", "业务员"}));
    // 100 - 60.5 - 10 = 29.50; 50 - 60 - 0 = -10.00; the total adds the shown values.
    EXPECT_EQ(GridLines(g), QStringList({"华南贸易|40|60|0|100|60.5|10||||29.50|王五",
                                         "东方电子|0|30|20|50|60|0||||-10.00|赵六",
                                         "|40|90|20|150|120.5|10|0|0|0|19.50|"}));
    EXPECT_EQ(host.panels[4], "共 3 条记录 当前为第 1 条");
    keepGrab(w, "C06");

    trigger(w, "Menu_P");
    EXPECT_EQ(scratch("PRNTC04", "F1,F8,F9,F10,F11,F12,F13"),
              QStringList({"华南贸易||||29.50|王五|", "东方电子||||-10.00|赵六|", "|0|0|0|19.50||"}));
    EXPECT_EQ(reportFile(), "prntc06.rpt");
    EXPECT_EQ(formulas(), QStringList({"RQ='2024-03-01至2024-03-31毛利表'"}));
    EXPECT_EQ(missingOnPage({"2024-03-01至2024-03-31毛利表", "王五", "华南贸易", "29.50", "-10.00", "合    计", "19.50"}),
              QStringList());
    keepPng("prntc06");
}

TEST_F(C06Test, PrintFencesACustomerWithoutSalesmanOffTheSalesmanAbove)
{
    customer("C1", "华南贸易", "王五");
    customer("C2", "东方电子", "王五");
    customer("C3", "无人跟进", "");
    customer("C4", "O’Brien Trading Company Limited of Kowloon Hong Kong", "赵六");
    for (const char* c : {"C1", "C2", "C3", "C4"})
        fee(QStringLiteral("W%1").arg(c), "2024-03-01", c, "现金", 40, 30, 0);
    C06* w = open<C06>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    trigger(w, "Menu_P");
    ASSERT_NE(preview(), nullptr);
    EXPECT_EQ(TextsOutsideTheirBoxes(*preview()), QStringList()); // the long name in a taller row
    // Tops of the customers' rows that a rule across the salesman column
    // (15 to 35 mm on the paper) closes off from the row above.
    QMap<QString, bool> fenced;
    for (const LaidItem& it : preview()->pages[0].items)
        if (it.kind == LaidItem::Text && it.rect.left() > 35 && it.rect.left() < 40)
            for (const LaidItem& l : preview()->pages[0].items)
                fenced[it.text] |= l.kind == LaidItem::Line && l.line.y1() == it.rect.top() && l.line.y2() == it.rect.top()
                                   && l.line.x1() <= 15 && l.line.x2() >= 35;
    EXPECT_TRUE(fenced.value("无人跟进"));
    // Of 王五's two customers, the lower one stays in his group.
    EXPECT_FALSE(fenced.value("华南贸易") && fenced.value("东方电子"));
    keepPng("prntc06_without_salesman");
}

TEST_F(C06Test, PrintsTheLargestAmountsWholeAndApart)
{
    // One customer near a billion a period, one whose cost alone is the
    // largest row amount: a profit of -9999999.99.
    customer("C001", "华南贸易", "王五");
    customer("C002", "东方电子", "赵六");
    fee("W1", "2024-03-01", "C001", "现金", 999999990, 9999999.99, 9999999.99);
    fee("W2", "2024-03-02", "C002", "月结", 0, 9999999.99, 0);
    C06* w = open<C06>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    trigger(w, "Menu_P");
    ASSERT_NE(preview(), nullptr);
    const QStringList largest{"999999990.00", "9999999.99",  "979999990.02",
                              "-9999999.99",  "19999999.98", "969999990.03"};
    EXPECT_EQ(missingOnPage(largest), QStringList());
    // Small amounts keep clear of the rules too.
    const QStringList wrong =
        NumbersNotClear(*preview(), QSet<QString>(largest.begin(), largest.end()) << "0.00", 0.5, 1.0)
        + TextsOutsideTheirBoxes(*preview());
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString();
    GrabToPng(Prnt::Loaded(), "C06_largest");
}

TEST_F(C06Test, EmptyPeriodHoldsZerosAndRefusesToPrint)
{
    C06* w = open<C06>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    EXPECT_EQ(GridLines(grid(w)), QStringList({"|0|0|0|0|0|0|0|0|0|0.00|"}));
    EXPECT_EQ(host.panels[4], "请选择适当的日期范围及客户之后刷新数据");
    msgs->expect("无数据可打印");
    trigger(w, "Menu_P");
}

TEST_F(C06Test, SumsOverEmptyValuesShowEmptyAndCountAsZero)
{
    customer("C001", "华南贸易", "王五");
    waybill("W1", "2024-03-01", "C001", {{"F504", 25}, {"YJ", 25}});
    C06* w = open<C06>();
    setPeriod(w, "2024-03-01", "2024-03-31");
    refresh(w);
    EXPECT_EQ(GridLines(grid(w)), QStringList({"华南贸易||25||25||||||25.00|王五", "|0|25|0|25|0|0|0|0|0|25.00|"}));
}

} // namespace
