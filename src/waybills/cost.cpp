#include "waybills/cost.h"

#include "platform/vb.h"

#include <cmath>

CalcOutcome CalcShippingCost(const CostRequest& request, const ChannelStandard* channel, const ChannelZoneCost* zone)
{
    const QString channelText = TrimBlanks(request.channel);
    if (channelText.isEmpty() || channelText == QLatin1String("."))
        return {};
    if (TrimBlanks(request.zone).isEmpty())
        return Refusal("未输入出货区域，系统无法根据区域的成本价格计算出货成本！");
    const double w = request.weight;
    if (!(w > 0))
        return Refusal("未输入出货重量，系统无法计算出货成本！");
    const QChar kind = ServiceKind(request.service);
    if (kind.isNull())
        return Refusal("未输入服务类型，无法计算出货成本！");
    if (!channel)
        return Refusal("您填写的出货渠道编码无效,请从下拉列表中选择！");

    const bool document = kind == QLatin1Char('D');
    int band = document ? 0 : 2;
    const int fallback = band + 1;
    const Price& firstWeightCol = document ? channel->D0 : channel->S0;
    if (w > ValueOr0(firstWeightCol))
        band = fallback;
    const double firstWeight = ValueOr0(firstWeightCol);
    const double step = ValueOr0(document ? channel->D1 : channel->S1);
    // Only the segments the channel uses; it has ten start columns at most.
    const double segments = std::round(ValueOr0(channel->JFD));
    const int m = segments < 0 ? 0 : segments > 10 ? 10 : int(segments);
    for (int k = 1; k <= m; ++k) {
        if (ValueOr0(channel->J[size_t(k - 1)]) <= w)
            band = k + 4;
    }

    if (!zone)
        return Refusal(QStringLiteral("指定的区域编码无效！") + QChar(13) + "无法计算出货成本");

    CalcOutcome out;
    double factor = request.factor;
    if (factor == 0) {
        out.factorText = QStringLiteral("1");
        factor = 1;
    }
    const double A = request.additional, O = request.other;
    const auto p = [](const Price& v) { return ValueOr0(v); };
    for (;;) {
        double cost = 0;
        if (band == 0 || band == 2) {
            const double first = p(document ? zone->P101 : zone->P201);
            cost = first * factor + A * factor + O;
        } else if (band == 1 || band == 3) {
            // Without a step weight nothing can be counted above the first weight.
            if (step == 0)
                return out;
            const double first = p(band == 1 ? zone->P101 : zone->P201);
            const double stepPrice = p(band == 1 ? zone->P102 : zone->P202);
            cost = A * factor + factor * (first + StartedSteps(w, firstWeight, step) * stepPrice) + O;
        } else {
            const size_t k = size_t(band - 5);
            const double perKg = p(zone->perKg[k]);
            if (zone->firstPlusKg[k])
                cost = (p(zone->P201) + perKg * (w - firstWeight) + A) * factor + O;
            else
                cost = (perKg * w + A) * factor + O;
        }
        out.kind = CalcOutcome::Result;
        out.text = Format(cost, QStringLiteral("#0.00"));
        // A segment without a price is charged by first weight and steps.
        if (band >= 5 && Val(out.text) == 0) {
            band = fallback;
            continue;
        }
        return out;
    }
}
