#include "platform/vb.h"

#include <QGuiApplication>
#include <QPalette>
#include <QRegularExpression>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <charconv>

double Val(const QString& s)
{
    QByteArray buf;
    buf.reserve(s.size());
    int i = 0;
    const int n = int(s.size());
    auto skipBlank = [&]() {
        while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == QChar(0x3000)))
            ++i;
    };
    skipBlank();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        buf.append(char(s[i++].unicode()));
    bool digits = false, dot = false;
    for (;; ++i) {
        skipBlank();
        if (i >= n)
            break;
        const QChar c = s[i];
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            buf.append(char(c.unicode()));
            digits = true;
        } else if (c == '.' && !dot) {
            buf.append('.');
            dot = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // Exponent: E or D, optional sign, at least one digit.
    if (i < n && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        int j = i + 1;
        QByteArray exp("e");
        if (j < n && (s[j] == '+' || s[j] == '-'))
            exp.append(char(s[j++].unicode()));
        bool expDigits = false;
        while (j < n && s[j].unicode() >= '0' && s[j].unicode() <= '9') {
            exp.append(char(s[j++].unicode()));
            expDigits = true;
        }
        if (expDigits)
            buf.append(exp);
    }
    // Read as written, with "." whatever the C library's locale says; out of
    // range counts as 0.
    double v = 0;
    const char* first = buf.constData() + (buf.startsWith('+') ? 1 : 0);
    const auto res = std::from_chars(first, buf.constData() + buf.size(), v);
    return res.ec == std::errc() && std::isfinite(v) ? v : 0.0;
}

namespace {
// Decimal digits of |x| to 15 significant digits: digits and the exponent of the first one.
void decimalDigits(double x, QByteArray& digits, int& exp10)
{
    // Exactly rounded like printf's "%.14e", without printf's cost (grids turn
    // every number cell into text).
    char tmp[64];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp - 1, std::fabs(x), std::chars_format::scientific, 14);
    *res.ptr = '\0';
    // tmp: d.dddddddddddddde[+-]XX
    digits.clear();
    const char* p = tmp;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.append(*p);
    exp10 = std::atoi(p + 1);
}
} // namespace

QString CStr(double x)
{
    if (!std::isfinite(x))
        return QStringLiteral("0");
    if (x == 0.0)
        return QStringLiteral("0");
    // Fast path for whole numbers, the common case in grids.
    if (std::fabs(x) < 1e15 && x == std::trunc(x))
        return QString::number(static_cast<qint64>(x));
    // 15 significant digits, built in a plain buffer: grids call this per cell.
    char sci[32];
    const auto res = std::to_chars(sci, sci + sizeof sci - 1, std::fabs(x), std::chars_format::scientific, 14);
    *res.ptr = '\0';
    char digits[16];
    int nd = 0;
    const char* p = sci;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[nd++] = *p;
    const int e = std::atoi(p + 1);
    while (nd > 1 && digits[nd - 1] == '0')
        --nd;
    char out[48];
    int n = 0;
    if (x < 0)
        out[n++] = '-';
    if (e >= 15 || e < -5) {
        out[n++] = digits[0];
        if (nd > 1) {
            out[n++] = '.';
            for (int i = 1; i < nd; ++i)
                out[n++] = digits[i];
        }
        n += std::snprintf(out + n, sizeof out - size_t(n), "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
    } else if (e < 0) {
        out[n++] = '0';
        out[n++] = '.';
        for (int i = 0; i < -e - 1; ++i)
            out[n++] = '0';
        for (int i = 0; i < nd; ++i)
            out[n++] = digits[i];
    } else {
        for (int i = 0; i <= e || i < nd; ++i) {
            if (i == e + 1)
                out[n++] = '.';
            out[n++] = i < nd ? digits[i] : '0';
        }
    }
    return QString::fromLatin1(out, n);
}

QString Format(double x, const QString& pattern)
{
    if (!std::isfinite(x))
        x = 0;
    if (pattern.isEmpty())
        return CStr(x); // VB's Format without a pattern
    const int dotPos = int(pattern.indexOf('.'));
    const QString intPart = dotPos < 0 ? pattern : pattern.left(dotPos);
    const QString fracPart = dotPos < 0 ? QString() : pattern.mid(dotPos + 1);
    const int decimals = int(fracPart.count('0') + fracPart.count('#'));
    const int minDecimals = int(fracPart.count('0'));
    const int minInt = int(intPart.count('0'));
    const bool grouping = intPart.contains(',');

    // N = |x| * 10^decimals rounded half away from zero, as decimal digits.
    QByteArray n;
    if (x != 0.0) {
        QByteArray d;
        int e = 0;
        decimalDigits(x, d, e); // |x| = d[0].d[1..] * 10^e
        const int keep = e + 1 + decimals;
        if (keep < 0) {
            n = "0";
        } else if (keep == 0) {
            n = d[0] >= '5' ? "1" : "0";
        } else if (keep >= d.size()) {
            n = d + QByteArray(keep - d.size(), '0');
        } else {
            n = d.left(keep);
            if (d[keep] >= '5') {
                int k = int(n.size()) - 1;
                for (; k >= 0; --k) {
                    if (n[k] == '9') {
                        n[k] = '0';
                    } else {
                        n[k] = char(n[k] + 1);
                        break;
                    }
                }
                if (k < 0)
                    n.prepend('1');
            }
        }
    } else {
        n = "0";
    }
    if (n.size() < decimals + 1)
        n.prepend(QByteArray(decimals + 1 - n.size(), '0'));
    QByteArray intDigits = n.left(n.size() - decimals);
    QByteArray fracDigits = n.right(decimals);
    while (intDigits.size() > 1 && intDigits.startsWith('0'))
        intDigits.remove(0, 1);
    const bool isZero = std::all_of(n.begin(), n.end(), [](char c) { return c == '0'; });
    // Trim optional fraction digits.
    while (fracDigits.size() > minDecimals && fracDigits.endsWith('0'))
        fracDigits.chop(1);
    if (intDigits == "0" && minInt == 0)
        intDigits.clear();
    if (intDigits.size() < minInt)
        intDigits.prepend(QByteArray(minInt - intDigits.size(), '0'));
    QString ints = QString::fromLatin1(intDigits);
    if (grouping) {
        for (int p = int(ints.size()) - 3; p > 0; p -= 3)
            ints.insert(p, ',');
    }
    QString out = (x < 0 && !isZero) ? QStringLiteral("-") : QString();
    out += ints;
    if (!fracDigits.isEmpty())
        out += '.' + QString::fromLatin1(fracDigits);
    else if (dotPos >= 0)
        out += '.';
    return out;
}

QString SingleText(double weight)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(weight), std::chars_format::fixed);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString TrimBlanks(const QString& s)
{
    int b = 0, e = int(s.size());
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.mid(b, e - b);
}

QColor VbColor(quint32 value)
{
    if (value & 0x80000000u) {
        const QPalette pal = QGuiApplication::palette();
        switch (value & 0xFF) {
        case 0x05: return pal.color(QPalette::Base);           // window background
        case 0x08: return pal.color(QPalette::Text);           // window text
        case 0x0F: return pal.color(QPalette::Button);         // button face
        case 0x12: return pal.color(QPalette::ButtonText);
        case 0x0D: return pal.color(QPalette::Highlight);
        case 0x0E: return pal.color(QPalette::HighlightedText);
        default: return pal.color(QPalette::Window);
        }
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int FullYearOfShortYear(int shortYear) { return shortYear + (shortYear < 30 ? 2000 : 1900); }

std::optional<QDate> ReadTypedDate(const QString& text, const QDate& today)
{
    // Year (four digits or two), month, day; or month/day/four-digit year;
    // or month and day alone. A time may follow a date with its year.
    static const QRegularExpression withYear(QStringLiteral(
        R"(^\s*(\d{1,4})\s*([-/.年])\s*(\d{1,2})\s*([-/.月])\s*(\d{1,4})\s*(日?)(?:[ T]+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression monthDay(
        QStringLiteral(R"(^\s*(\d{1,2})\s*(?:[-/]\s*(\d{1,2})|月\s*(\d{1,2})\s*日?)\s*$)"));
    int y = 0, m = 0, d = 0;
    if (const QRegularExpressionMatch mt = withYear.match(text); mt.hasMatch()) {
        const QString first = mt.captured(1), last = mt.captured(5);
        if (last.size() == 4) {
            // 3/5/2024: month, day, year, written with slashes only.
            if (first.size() > 2 || mt.captured(2) != u"/" || mt.captured(4) != u"/" || !mt.captured(6).isEmpty())
                return std::nullopt;
            m = first.toInt();
            d = mt.captured(3).toInt();
            y = last.toInt();
        } else if (last.size() <= 2 && (first.size() == 4 || first.size() == 2)) {
            y = first.toInt();
            if (first.size() == 2)
                y = FullYearOfShortYear(y);
            m = mt.captured(3).toInt();
            d = last.toInt();
        } else {
            return std::nullopt;
        }
        if (!mt.captured(7).isEmpty()) {
            const QTime time(mt.captured(7).toInt(), mt.captured(8).toInt(), mt.captured(9).toInt());
            if (!time.isValid())
                return std::nullopt;
        }
    } else if (const QRegularExpressionMatch md = monthDay.match(text); md.hasMatch()) {
        y = today.year();
        m = md.captured(1).toInt();
        d = (md.captured(2).isEmpty() ? md.captured(3) : md.captured(2)).toInt();
    } else {
        return std::nullopt;
    }
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}
