#include "customers/quote_math.h"

#include "data/queries.h"
#include "platform/vb.h"

namespace {

float SingleOf(const std::optional<double>& v)
{
    return static_cast<float>(v.value_or(0.0));
}

// A first or step weight: one decimal, 0.5 when the standard leaves it open.
QString WeightText(const std::optional<double>& v)
{
    return v ? Format(*v, "#0.0") : QStringLiteral("0.5");
}

QString PriceText(int col, double x)
{
    return col < kFirstSegmentCol ? Format(x, "#0.0") : CStr(x);
}

} // namespace

QuoteCaptions MakeQuoteCaptions(const StandardWeights& weights)
{
    QuoteCaptions c;
    c.upper << QStringLiteral("区域") << QStringLiteral("区域名称") << QStringLiteral("文件资料")
            << QStringLiteral("文件资料") << QStringLiteral("小包裹") << QStringLiteral("小包裹");
    while (c.upper.size() < kQuoteCols)
        c.upper << QStringLiteral("重包裹优惠价");

    c.lower << QStringLiteral("区域") << QStringLiteral("区域名称");
    if (weights.size() < 19) {
        while (c.lower.size() < kQuoteCols)
            c.lower << QString();
        return c;
    }
    c.lower << "首" + WeightText(weights[0]) + "Kg" << "续" + WeightText(weights[1]) + "Kg"
            << "首" + WeightText(weights[2]) + "Kg" << "续" + WeightText(weights[3]) + "Kg";
    // Segment k starts at F(4 + k) and ends 1 Kg below the next start.
    for (int k = 1; k <= 14; ++k) {
        const float from = SingleOf(weights[size_t(3 + k)]);
        const float next = SingleOf(weights[size_t(4 + k)]);
        c.lower << SingleText(from) + "-" + SingleText(next - 1.0f) + "Kg";
    }
    c.lower << SingleText(SingleOf(weights[18])) + "Kg以上";
    return c;
}

QString NewQuotePrice(int col, double price, double factor)
{
    return PriceText(col, Round1(price * factor));
}

QString LoadedPrice(int col, std::optional<double> price)
{
    return price ? PriceText(col, *price) : QString();
}

QString RefloatedPrice(double price, double factor)
{
    return CStr(Round1(price * factor));
}

QString RefloatedPrice(const QString& cell, double factor)
{
    return RefloatedPrice(Val(cell), factor);
}

QString TypedPrice(const QString& text)
{
    return CStr(Val(text));
}

QString TypedPrice(int col, const QString& text)
{
    return col < kFirstSegmentCol ? CStr(Round1(Val(text))) : TypedPrice(text);
}

bool IsMeaningfulFactor(double factor)
{
    return factor > 0 && factor != 1;
}

QString RefloatPercentText(double factor)
{
    return CStr((factor - 1) * 100);
}
