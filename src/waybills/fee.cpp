#include "waybills/fee.h"

#include "platform/vb.h"

namespace {

// The quote's price for a band: 0 and 2 the first price, 1 and 3 the first
// price and the started steps, 4 .. 18 the segment's price per Kg.
double FeeForBand(int band, double weight, double firstWeight, double step, const CustomerQuote& q)
{
    const auto p = [&](int i) { return ValueOr0(q.price[size_t(i)]); };
    switch (band) {
    case 0: return p(0);
    case 2: return p(2);
    case 1: return p(0) + StartedSteps(weight, firstWeight, step) * p(1);
    case 3: return p(2) + StartedSteps(weight, firstWeight, step) * p(3);
    default: return p(band) * weight;
    }
}

} // namespace

CalcOutcome CalcCustomerFee(const FeeRequest& request, const PricingStandard* standard, const CustomerQuote* quote)
{
    if (TrimBlanks(request.customer).isEmpty())
        return Refusal("未输入发件客户，系统无法根据报价计算发件费用！");
    if (TrimBlanks(request.zone).isEmpty())
        return Refusal("未输入目的区域，系统无法根据区域的价格计算发件费用！");
    const double w = request.weight;
    if (!(w > 0))
        return Refusal("未输入收货重量，系统无法计算发件费用！");
    const QChar kind = ServiceKind(request.service);
    if (kind.isNull())
        return Refusal("未输入服务类型，无法计算发件费用！");
    if (!standard)
        return {CalcOutcome::NoStandard, QStringLiteral("本公司报价标准设定数据丢失！请重新设置！"), {}};

    const auto& F = standard->F;
    const bool document = kind == QLatin1Char('D');
    const int firstCol = document ? 0 : 2;
    int band = document ? 0 : 2;
    const int fallback = band + 1;
    if (w > ValueOr0(F[size_t(firstCol)]))
        band = fallback;
    const double firstWeight = F[size_t(firstCol)].value_or(0.5);
    double step = F[size_t(firstCol + 1)].value_or(0.5);
    if (step == 0)
        step = 0.5;
    // The highest segment whose start the weight reaches.
    for (int k = 1; k <= 15; ++k) {
        if (ValueOr0(F[size_t(3 + k)]) <= w)
            band = k + 3;
    }

    if (!quote)
        return Refusal(QStringLiteral("指定的发件客户编码无效，或是指定的区域编码无效！") + QChar(13) + "无法计算发件费用");
    QString text = CStr(FeeForBand(band, w, firstWeight, step, *quote));
    // A segment without a price is charged by first weight and steps.
    if (band >= 4 && Val(text) == 0)
        text = CStr(FeeForBand(fallback, w, firstWeight, step, *quote));
    return {CalcOutcome::Result, text, {}};
}

QString TotalFeeText(double basic, double additional, double factor, double other)
{
    return Format((basic + additional) * factor + other, QStringLiteral("#0.00"));
}

PaymentSplit SplitByPayment(const QString& payment, double total)
{
    PaymentSplit s;
    if (payment == QStringLiteral("月结"))
        s.YJ = total;
    else if (payment == QStringLiteral("到付"))
        s.DF = total;
    else if (payment == QStringLiteral("现金"))
        s.XJ = total;
    return s;
}
