#include "calc_cases.h"
#include "waybills/cost.h"

namespace {

// Documents from 0.5 Kg in 0.5 Kg steps, parcels from 1 Kg in 1 Kg steps;
// three segments from 10, 20 and 30 Kg (a fourth start that JFD leaves out).
ChannelStandard Channel()
{
    ChannelStandard c;
    c.D0 = 0.5;
    c.D1 = 0.5;
    c.S0 = 1;
    c.S1 = 1;
    c.JFD = 3;
    c.J[0] = 10;
    c.J[1] = 20;
    c.J[2] = 30;
    c.J[3] = 5;
    return c;
}

// Documents 20 + 8 a step, parcels 30 + 6 a step; segment k at k per Kg.
ChannelZoneCost Zone()
{
    ChannelZoneCost z;
    z.P101 = 20;
    z.P102 = 8;
    z.P201 = 30;
    z.P202 = 6;
    for (int k = 0; k < 10; ++k)
        z.perKg[size_t(k)] = k + 1;
    return z;
}

CostRequest Req(const QString& service, double w, double factor = 1, double additional = 0, double other = 0)
{
    return {"E1.快运", "E1A.一区", w, service, factor, additional, other};
}

using CostCase = WorkedCase<CostRequest, ChannelStandard, ChannelZoneCost>;

TEST(ShippingCost, PricesByBandStepsAndSegments)
{
    const auto none = [](ChannelStandard&, ChannelZoneCost&) {};
    const CostCase cases[] = {
        {"document above the first weight: 20 + 3 x 8", Req("D", 1.6), none, "44.00"},
        {"the other cost is added after the steps", Req("D", 1.6, 1, 0, 5), none, "49.00"},
        {"an empty factor counts as 1 and is written", Req("D", 1.6, 0), none, "44.00", CalcOutcome::Result, "1"},
        {"first weight: first x F + A x F + O", Req("D", 0.5, 2, 1, 3), none, "45.00"},
        {"steps: A x F + F x (first + n x step) + O", Req("D", 0.6, 1.5, 2, 1), none, "46.00"},
        {"parcel takes the parcel columns", Req("S", 2.5), none, "42.00"},
        {"1.2 over 0.7 in 0.5 steps is one step",
         Req("D", 1.2), [](ChannelStandard& c, ChannelZoneCost&) { c.D0 = 0.7; }, "28.00"},
        {"just under segment 1", Req("S", 9.99), none, "84.00"},
        {"segment 1 at its start", Req("S", 10, 1, 2, 1), none, "13.00"},
        {"segment 3 from its start", Req("S", 30), none, "90.00"},
        {"segment 2 just under segment 3", Req("S", 29.99), none, "59.98"},
        {"a document that heavy is priced by the segment", Req("D", 20), none, "40.00"},
        {"only the segments JFD counts", Req("S", 6), none, "60.00"},
        {"JFD 0: no segments at all",
         Req("S", 40), [](ChannelStandard& c, ChannelZoneCost&) { c.JFD = 0; }, "264.00"},
        {"JFD above 10 uses the ten start columns",
         Req("S", 40), [](ChannelStandard& c, ChannelZoneCost& z) { c.JFD = 12; c.J[9] = 35; z.perKg[9] = 0.5; }, "20.00"},
        {"a segment without a price falls back to steps",
         Req("S", 10), [](ChannelStandard&, ChannelZoneCost& z) { z.perKg[0] = 0; }, "84.00"},
        {"a fallback at or under the first weight costs the first price",
         Req("D", 0.4), [](ChannelStandard& c, ChannelZoneCost& z) { c.D0 = 1.5; c.J[0] = 0.3; z.perKg[0] = 0; }, "20.00"},
        {"a Null segment price falls back too",
         Req("S", 10), [](ChannelStandard&, ChannelZoneCost& z) { z.perKg[0].reset(); }, "84.00"},
        {"a flagged segment: parcel first price + per Kg above the first weight",
         Req("D", 20.3, 1, 2), [](ChannelStandard&, ChannelZoneCost& z) { z.firstPlusKg[1] = true; }, "71.60"},
        {"no step weight above the first weight: nothing written",
         Req("D", 1.6, 0), [](ChannelStandard& c, ChannelZoneCost&) { c.D1.reset(); }, "", CalcOutcome::Silent, "1"},
        {"a Null first weight reads 0: every weight lies above it", Req("D", 0.2),
         [](ChannelStandard& c, ChannelZoneCost&) { c.D0.reset(); }, "28.00"},
        {"costs round half away from zero: 12.625",
         Req("D", 0.5), [](ChannelStandard&, ChannelZoneCost& z) { z.P101 = 12.625; }, "12.63"},
        {"costs round on the 15-digit form: 136.5 x 1.15",
         Req("D", 0.5, 1.15), [](ChannelStandard&, ChannelZoneCost& z) { z.P101 = 136.5; }, "156.98"},
        {"Null prices read as 0",
         Req("D", 0.5), [](ChannelStandard&, ChannelZoneCost& z) { z.P101.reset(); }, "0.00"},
    };
    ExpectWorkedCases(cases, Channel(), Zone(), ::CalcShippingCost);
}

TEST(ShippingCost, RefusesInTheOrderOfTheChecks)
{
    const ChannelStandard ch = Channel();
    const ChannelZoneCost z = Zone();
    const QString noZone = QStringLiteral("指定的区域编码无效！") + QChar(13) + "无法计算出货成本";
    const RefusalCase<CostRequest> cases[] = {
        {{"", "", 0, ""}, false, false, CalcOutcome::Silent, ""},
        {{" . ", "", 0, ""}, false, false, CalcOutcome::Silent, ""},
        {{"E1", " ", 0, ""}, false, false, CalcOutcome::Message, "未输入出货区域，系统无法根据区域的成本价格计算出货成本！"},
        {{"E1", "Z", -2, ""}, false, false, CalcOutcome::Message, "未输入出货重量，系统无法计算出货成本！"},
        {{"E1", "Z", 2, "s"}, false, false, CalcOutcome::Message, "未输入服务类型，无法计算出货成本！"},
        {{"E1", "Z", 2, "S"}, false, false, CalcOutcome::Message, "您填写的出货渠道编码无效,请从下拉列表中选择！"},
        {{"E1", "Z", 2, "S", 0}, true, false, CalcOutcome::Message, noZone},
    };
    ExpectRefusals(cases, ch, z, ::CalcShippingCost);
}

} // namespace
