#include "waybills/pricing_math.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

using Int = __int128;

// x = m * 10^e, m taken from the 15 significant digits of x.
struct Decimal {
    Int m = 0;
    int e = 0;
};

Decimal ToDecimal(double x)
{
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, 14);
    *res.ptr = '\0';
    Decimal d;
    const char* p = buf;
    int digits = 0;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            d.m = d.m * 10 + (*p - '0');
            ++digits;
        }
    }
    d.e = std::atoi(p + 1) - (digits - 1);
    while (d.m != 0 && d.m % 10 == 0) {
        d.m /= 10;
        ++d.e;
    }
    if (x < 0)
        d.m = -d.m;
    return d;
}

constexpr int kMaxShift = 36;

Int Pow10(int n)
{
    Int p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

Int Abs(Int v) { return v < 0 ? -v : v; }

// v * 10^shift when it fits.
bool Scale(Int v, int shift, Int& out)
{
    if (shift > kMaxShift)
        return false;
    const Int p = Pow10(shift);
    const Int limit = Int((static_cast<unsigned __int128>(1) << 127) - 1) / p;
    if (Abs(v) > limit)
        return false;
    out = v * p;
    return true;
}

// ceil((w - f) / s) on the decimal forms; false when the numbers lie too far
// apart in scale for exact integers.
bool ExactSteps(double w, double f, double s, double& steps)
{
    const Decimal dw = ToDecimal(w), df = ToDecimal(f), ds = ToDecimal(std::fabs(s));
    const int e = std::min(dw.e, df.e);
    Int a, b;
    if (!Scale(dw.m, dw.e - e, a) || !Scale(df.m, df.e - e, b))
        return false;
    const Int diff = a - b;
    if (diff <= 0) {
        steps = 0;
        return true;
    }
    // diff * 10^e / (ds.m * 10^ds.e)
    Int num = diff, den = ds.m;
    if (e >= ds.e) {
        if (!Scale(diff, e - ds.e, num))
            return false;
    } else if (!Scale(ds.m, ds.e - e, den)) {
        return false;
    }
    if (den <= 0)
        return false;
    const Int q = num / den + (num % den != 0 ? 1 : 0);
    steps = double(q);
    return true;
}

} // namespace

CalcOutcome Refusal(const QString& text)
{
    return {CalcOutcome::Message, text, {}};
}

QChar ServiceKind(const QString& listText)
{
    const QChar first = listText.isEmpty() ? QChar() : listText.at(0);
    return first == QLatin1Char('D') || first == QLatin1Char('S') ? first : QChar();
}

double StartedSteps(double weight, double first, double step)
{
    if (!(weight > first) || step == 0 || !std::isfinite(weight) || !std::isfinite(first) || !std::isfinite(step))
        return 0;
    double steps = 0;
    if (ExactSteps(weight, first, step, steps))
        return steps;
    // Numbers of wildly different scale: the quotient on its 15-digit form.
    const double q = (weight - first) / std::fabs(step);
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, q, std::chars_format::scientific, 14);
    double rounded = q;
    std::from_chars(buf, res.ptr, rounded);
    return std::ceil(rounded);
}
