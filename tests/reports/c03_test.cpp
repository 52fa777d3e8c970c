#include "reports_fixture.h"

#include "reports/c03.h"

namespace {

class C03Test : public ReportsTest {};

TEST_F(C03Test, ListsOnlyTheChannelsShippedWaybillsWhateverTheirPayment)
{
    customer("C001", "华南贸易");
    channel("Q1", "联邦快递");
    channel("Q2", "中外运");
    waybill("W1", "2024-03-01", "C001", {{"F202", "Q1"}, {"F604", "张三"}, {"F404", 2}, {"F507", 30.5}, {"F501", "现金"}});
    waybill("W2", "2024-03-02", "C001", {{"F202", "Q1"}, {"F604", "未出货"}, {"F404", 5}, {"F507", 50}});
    waybill("W3", "2024-03-03", "C001", {{"F202", "Q1"}, {"F604", "未审核"}, {"F404", 5}, {"F507", 50}});
    waybill("W4", "2024-03-04", "C001", {{"F202", "Q2"}, {"F604", "张三"}, {"F404", 5}, {"F507", 50}});
    waybill("W5", "2024-03-05", "NOCUST", {{"F202", "Q1"}, {"F604", "李四"}, {"F301", "S"}, {"F2031", "巴黎"},
                                            {"F404", 1.5}, {"F507", 20}, {"F501", "到付"}});
    C03* w = open<C03>();
    EXPECT_EQ(w->windowTitle(), "渠道对帐明细");
    setPeriod(w, "2024-03-01", "2024-03-31");
    setParty(w, "Q1.联邦快递");
    refresh(w);
    FlexGrid* g = grid(w);
    EXPECT_EQ(g->rowTexts(0), QStringList({"日期", "运单号", "D/S", "目的地", "重量", "运费"}));
    // No customer join here: a waybill of an unknown customer is listed.
    EXPECT_EQ(GridLines(g), QStringList({"2024-03-01|W1|||2|30.5", "2024-03-05|W5|S|巴黎|1.5|20", "||||3.5|50.5"}));

    trigger(w, "Menu_P");
    EXPECT_EQ(scratch("PRNTC023", "F1,F2,F5,F6"),
              QStringList({"2024-03-01|W1|2|30.5", "2024-03-05|W5|1.5|20", "||3.5|50.5"}));
    EXPECT_EQ(formulas(), QStringList({"RQ='对帐日期:2024-03-01至2024-03-31'", "KH='联邦快递'"}));
    EXPECT_TRUE(preview()->pages[0].texts().contains("对帐单位: 联邦快递"));
    keepGrab(w, "C03");
}

TEST_F(C03Test, RefusesBlankAndNoFoundChannels)
{
    C03* w = open<C03>();
    msgs->expect("请选择渠道!");
    refresh(w);
    msgs->expect("您输入的渠道编码无效！");
    setParty(w, "NoFound");
    refresh(w);
    EXPECT_EQ(w->curCode(), "");
}

} // namespace
