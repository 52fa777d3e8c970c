#include "data/queries.h"

#include "data/globals.h"
#include "data/sqltext.h"
#include "platform/vb.h"

#include <QRegularExpression>
#include <cmath>
#include <vector>

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

namespace {

// A word of a statement outside brackets and quotes: where it starts and ends.
struct TopWord {
    qsizetype start;
    qsizetype end;
    QString upper;
};

// The words outside parentheses, quoted texts, quoted names and [names]; an
// unbalanced statement gives none.
std::vector<TopWord> TopLevelWords(const QString& sql)
{
    std::vector<TopWord> words;
    int depth = 0;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar ch = sql[i];
        if (ch == '\'' || ch == '"' || ch == '[' || ch == '#') {
            const QChar close = ch == '[' ? QChar(']') : ch;
            const qsizetype j = sql.indexOf(close, i + 1);
            if (j < 0)
                return {};
            i = j + 1; // '' inside a text reads as two texts side by side
            continue;
        }
        if (ch == '(') {
            ++depth;
        } else if (ch == ')') {
            if (--depth < 0)
                return {};
        } else if (ch.isLetter() || ch == '_') {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == '_' || sql[j] == '.'))
                ++j;
            if (depth == 0)
                words.push_back({i, j, sql.mid(i, j - i).toUpper()});
            i = j;
            continue;
        }
        ++i;
    }
    if (depth != 0)
        return {};
    return words;
}

// The FROM and WHERE of a SELECT whose rows are those of its FROM and WHERE,
// its ORDER BY left off; a null text for any other statement.
QString RowSource(const QString& select)
{
    const std::vector<TopWord> words = TopLevelWords(select);
    if (words.size() < 2 || words[0].upper != QLatin1String("SELECT"))
        return QString();
    static const QStringList kRowChanging = {"DISTINCT", "DISTINCTROW", "TOP",       "ALL",       "GROUP",
                                             "HAVING",   "UNION",       "INTERSECT", "EXCEPT",    "LIMIT",
                                             "OFFSET",   "INTO",        "WINDOW",    "TRANSFORM", "PIVOT"};
    qsizetype from = -1, orderBy = -1;
    for (size_t i = 1; i < words.size(); ++i) {
        const QString& w = words[i].upper;
        if (kRowChanging.contains(w))
            return QString();
        if (w == QLatin1String("FROM") && from < 0)
            from = words[i].start;
        if (w == QLatin1String("ORDER") && i + 1 < words.size() && words[i + 1].upper == QLatin1String("BY")
            && from >= 0)
            orderBy = words[i].start;
        if (orderBy >= 0 && w == QLatin1String("SELECT"))
            return QString();
    }
    if (from < 0)
        return QString();
    // An aggregate among the columns makes one row of all of them.
    static const QRegularExpression kAggregate(
        QStringLiteral("\\b(count|sum|avg|min|max|first|last|stdev|stdevp|var|varp|total|group_concat)\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    if (select.left(from).contains(kAggregate))
        return QString();
    return orderBy < 0 ? select.mid(from) : select.mid(from, orderBy - from);
}
} // namespace

QString CountStatement(const QString& select)
{
    const QString rest = RowSource(select);
    return rest.isNull() ? QString() : QStringLiteral("select count(*) ") + rest;
}

QString RowsStatement(const QString& select)
{
    const QString rest = RowSource(select);
    if (rest.isNull())
        return QStringLiteral("select 1 from (") + select + QStringLiteral(")");
    return QStringLiteral("select 1 ") + rest;
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
