#include "calc_cases.h"
#include "support/numeric_locale.h"
#include "waybills/fee.h"

namespace {

// The standard a fresh data file holds: 0.5 Kg first weights and steps;
// segments from 21, 46, 71, 101 and 201 Kg (segments 5 to 15 all at 201).
PricingStandard FreshStandard()
{
    PricingStandard s;
    const double v[19] = {0.5, 0.5, 0.5, 0.5, 21, 46, 71, 101, 201, 201, 201, 201, 201, 201, 201, 201, 201, 201, 201};
    for (int i = 0; i < 19; ++i)
        s.F[size_t(i)] = v[i];
    return s;
}

// Documents 10 + 5 a step, parcels 20 + 8 a step, segment k at 3 + k/10 per Kg.
CustomerQuote Quote()
{
    CustomerQuote q;
    q.price[0] = 10;
    q.price[1] = 5;
    q.price[2] = 20;
    q.price[3] = 8;
    for (int k = 1; k <= 15; ++k)
        q.price[size_t(k + 3)] = 3 + k / 10.0;
    return q;
}

FeeRequest Req(const QString& service, double w)
{
    return {"C01.客户", "A.区域", w, service};
}

using FeeCase = WorkedCase<FeeRequest, PricingStandard, CustomerQuote>;

TEST(CustomerFee, PricesByBandStepsAndSegments)
{
    const auto none = [](PricingStandard&, CustomerQuote&) {};
    const FeeCase cases[] = {
        {"document of exactly the first weight", Req("D.文件(File)", 0.5), none, "10"},
        {"0.01 Kg more adds a step", Req("D.文件(File)", 0.51), none, "15"},
        {"1.2 Kg is two started steps above 0.5", Req("D.文件(File)", 1.2), none, "20"},
        {"1.2 Kg over 0.7 Kg is exactly one step",
         Req("D.文件(File)", 1.2), [](PricingStandard& s, CustomerQuote&) { s.F[0] = 0.7; }, "15"},
        {"parcel takes the parcel columns", Req("S.物品(Parcel)", 1.0), none, "28"},
        {"light parcel pays its first price", Req("S.物品(Parcel)", 0.2), none, "20"},
        {"just under segment 1: steps", Req("S.物品(Parcel)", 20.99), none, "348"},
        {"segment 1 starts at its start weight", Req("S.物品(Parcel)", 21), none, "65.1"},
        {"a document that heavy is priced by the segment too", Req("D.文件(File)", 21), none, "65.1"},
        {"just under segment 2", Req("S.物品(Parcel)", 45.9), none, "142.29"},
        {"segment 2 at its start", Req("S.物品(Parcel)", 46), none, "147.2"},
        {"segment 4 at its start", Req("S.物品(Parcel)", 101), none, "343.4"},
        {"equal starts: the highest segment wins", Req("S.物品(Parcel)", 201), none, "904.5"},
        {"a segment without a price falls back to steps",
         Req("S.物品(Parcel)", 21), [](PricingStandard&, CustomerQuote& q) { q.price[4] = 0; }, "348"},
        {"a Null segment price falls back too",
         Req("S.物品(Parcel)", 21), [](PricingStandard&, CustomerQuote& q) { q.price[4].reset(); }, "348"},
        {"a first price of 0 stays 0",
         Req("D.文件(File)", 0.4), [](PricingStandard&, CustomerQuote& q) { q.price[0] = 0; }, "0"},
        {"Null starts match every weight: the last segment decides",
         Req("D.文件(File)", 2),
         [](PricingStandard& s, CustomerQuote&) { for (int i = 4; i < 19; ++i) s.F[size_t(i)].reset(); }, "9"},
        {"Null starts and no price there: first weight and steps",
         Req("D.文件(File)", 2),
         [](PricingStandard& s, CustomerQuote& q) { for (int i = 4; i < 19; ++i) s.F[size_t(i)].reset(); q.price[18].reset(); },
         "25"},
        {"a Null step weight counts as 0.5",
         Req("D.文件(File)", 1.2), [](PricingStandard& s, CustomerQuote&) { s.F[1].reset(); }, "20"},
        {"a step weight of 0 counts as 0.5",
         Req("D.文件(File)", 1.2), [](PricingStandard& s, CustomerQuote&) { s.F[1] = 0; }, "20"},
        {"a Null first weight: above 0 yet not above 0.5 pays the first price",
         Req("D.文件(File)", 0.3), [](PricingStandard& s, CustomerQuote&) { s.F[0].reset(); }, "10"},
        {"fallback at or under the first weight charges the first price",
         Req("D.文件(File)", 25),
         [](PricingStandard& s, CustomerQuote& q) { s.F[0] = 30; q.price[4] = 0; }, "10"},
        {"Null quote prices read as 0",
         Req("D.文件(File)", 1.2), [](PricingStandard&, CustomerQuote& q) { q.price[1].reset(); }, "10"},
        {"the fee is the plain number, not formatted",
         Req("D.文件(File)", 0.5), [](PricingStandard&, CustomerQuote& q) { q.price[0] = 12.5; }, "12.5"},
    };
    ExpectWorkedCases(cases, FreshStandard(), Quote(), ::CalcCustomerFee);
}

TEST(CustomerFee, RefusesInTheOrderOfTheChecks)
{
    const PricingStandard s = FreshStandard();
    const CustomerQuote q = Quote();
    const QString noQuote = QStringLiteral("指定的发件客户编码无效，或是指定的区域编码无效！") + QChar(13) + "无法计算发件费用";
    const RefusalCase<FeeRequest> cases[] = {
        {{"", "", 0, ""}, false, false, CalcOutcome::Message, "未输入发件客户，系统无法根据报价计算发件费用！"},
        {{"  ", "A", 1, "D"}, true, true, CalcOutcome::Message, "未输入发件客户，系统无法根据报价计算发件费用！"},
        {{"C01", " ", 0, ""}, false, false, CalcOutcome::Message, "未输入目的区域，系统无法根据区域的价格计算发件费用！"},
        {{"C01", "A", 0, ""}, false, false, CalcOutcome::Message, "未输入收货重量，系统无法计算发件费用！"},
        {{"C01", "A", -1, "D"}, true, true, CalcOutcome::Message, "未输入收货重量，系统无法计算发件费用！"},
        {{"C01", "A", 1, ""}, false, false, CalcOutcome::Message, "未输入服务类型，无法计算发件费用！"},
        {{"C01", "A", 1, "d.文件"}, true, true, CalcOutcome::Message, "未输入服务类型，无法计算发件费用！"},
        {{"C01", "A", 1, " D"}, true, true, CalcOutcome::Message, "未输入服务类型，无法计算发件费用！"},
        {{"C01", "A", 1, "D"}, false, false, CalcOutcome::NoStandard, "本公司报价标准设定数据丢失！请重新设置！"},
        {{"C01", "A", 1, "S"}, true, false, CalcOutcome::Message, noQuote},
    };
    ExpectRefusals(cases, s, q, ::CalcCustomerFee);
}

TEST(TotalFee, FactorTimesFeesPlusOtherRoundedHalfAwayFromZero)
{
    struct Case {
        double basic, additional, factor, other;
        QString total;
    };
    const Case cases[] = {
        {20, 5, 1.1, 3, "30.50"},
        {20, 5, 0, 3, "3.00"},     // no factor: the other fee alone
        {12.625, 0, 1, 0, "12.63"},
        {136.5, 0, 1.15, 0, "156.98"},
        {-12.625, 0, 1, 0, "-12.63"},
        {0, 0, 1, 0, "0.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TotalFeeText(c.basic, c.additional, c.factor, c.other), c.total) << c.basic << " " << c.factor;
}

TEST(TotalFee, BookedUnderThePaymentMethod)
{
    struct Case {
        QString payment;
        double df, yj, xj;
    };
    const Case cases[] = {
        {"月结", 0, 30.5, 0}, {"到付", 30.5, 0, 0}, {"现金", 0, 0, 30.5}, {"月结.Account", 0, 0, 0}, {"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        const PaymentSplit s = SplitByPayment(c.payment, 30.5);
        EXPECT_EQ(s.DF, c.df) << c.payment.toStdString();
        EXPECT_EQ(s.YJ, c.yj) << c.payment.toStdString();
        EXPECT_EQ(s.XJ, c.xj) << c.payment.toStdString();
    }
}

TEST(StartedSteps, CountsOnTheDecimalForm)
{
    struct Case {
        double w, first, step, steps;
    };
    const Case cases[] = {
        {1.2, 0.7, 0.5, 1}, {1.2, 0.5, 0.5, 2}, {0.51, 0.5, 0.5, 1}, {0.5, 0.5, 0.5, 0},
        {0.3, 0.5, 0.5, 0}, {100.1, 0.5, 0.1, 996}, {3, 1, 0.001, 2000}, {0.3, 0.1, 0.1, 2},
        {1e30, 1e-10, 1e29, 10}, {5, 1, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartedSteps(c.w, c.first, c.step), c.steps) << c.w << " " << c.first << " " << c.step;
}

TEST(StartedSteps, NumbersOfWildlyDifferentScaleCountTheSameUnderADecimalCommaLocale)
{
    DecimalCommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale installed";
    EXPECT_EQ(StartedSteps(1e30, 1e-10, 1e29), 10);
    EXPECT_EQ(StartedSteps(2.5e30, 1e-10, 1e29), 25);
}

} // namespace
