#include "data/queries.h"

#include "data/globals.h"
#include "data/sqltext.h"
#include "platform/vb.h"

#include <cmath>

namespace {
// First field of the first row; Null and no row give "". Throws on failure.
QString firstText(const QString& sql, bool* isNumber = nullptr, double* number = nullptr, bool* isNull = nullptr)
{
    RecordSet rs = Db().openRecordset(sql);
    if (isNull)
        *isNull = true;
    if (rs.eof() || rs.fieldCount() == 0)
        return QString();
    const Value& v = rs.field(0);
    if (isNull)
        *isNull = v.isNull();
    if (isNumber)
        *isNumber = v.isNumber();
    if (number && v.isNumber())
        *number = v.toDouble();
    return v.toString();
}
} // namespace

QString GetFieldStr(const QString& sql)
{
    try {
        return firstText(sql);
    } catch (const std::exception&) {
        return QString();
    }
}

QString GetFieldStrOrThrow(const QString& sql)
{
    return firstText(sql);
}

double GetFieldValOrThrow(const QString& sql)
{
    bool isNumber = false, isNull = false;
    double number = 0;
    const QString text = firstText(sql, &isNumber, &number, &isNull);
    if (isNumber)
        return number;
    if (isNull)
        return 0;
    // Text must be a number as a whole; "" and "abc" are type mismatches.
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw DbError(QStringLiteral("类型不匹配 ('%1')").arg(text));
    return v;
}

QString CodeOf(const QString& item)
{
    const QString t = TrimBlanks(item);
    const int dot = int(t.indexOf('.'));
    return dot >= 0 ? t.left(dot) : t;
}

QString SqlText(QString& s)
{
    s = TrimBlanks(s);
    s.replace('\'', QChar(0x2019));
    s.remove(QChar(13));
    s.remove(QChar(10));
    return s;
}

double Round1(double x)
{
    return Format(x, "#0.0").toDouble();
}

QString LangStr(const QString& s)
{
    return (gLangFlag >= 0 && gLangFlag <= 2) ? s : QString();
}

void LangForm(QWidget*) {}
