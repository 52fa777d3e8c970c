#include "data/sqltext.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

QString SqlEscape(const QString& text)
{
    QString s = text;
    s.replace('\'', QStringLiteral("''"));
    return s;
}

QString SqlQuote(const QString& text)
{
    return '\'' + SqlEscape(text) + '\'';
}

QString SqlNum(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0.0)
        return QStringLiteral("0");
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString DateText(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString DateTimeText(const QDateTime& dt)
{
    if (dt.time() == QTime(0, 0))
        return DateText(dt.date());
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> ParseDateText(const QString& input)
{
    static const QRegularExpression ymd(
        QStringLiteral(R"(^\s*(\d{4})\s*[-/.年]\s*(\d{1,2})\s*[-/.月]\s*(\d{1,2})\s*日?(?:[ T]+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression mdy(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    int y, m, d, hh = 0, mm = 0, ss = 0;
    QRegularExpressionMatch mt = ymd.match(input);
    if (mt.hasMatch()) {
        y = mt.captured(1).toInt();
        m = mt.captured(2).toInt();
        d = mt.captured(3).toInt();
    } else {
        mt = mdy.match(input);
        if (!mt.hasMatch())
            return std::nullopt;
        m = mt.captured(1).toInt();
        d = mt.captured(2).toInt();
        y = mt.captured(3).toInt();
    }
    if (!mt.captured(4).isEmpty()) {
        hh = mt.captured(4).toInt();
        mm = mt.captured(5).toInt();
        ss = mt.captured(6).isEmpty() ? 0 : mt.captured(6).toInt();
    }
    const QDate date(y, m, d);
    const QTime time(hh, mm, ss);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}
