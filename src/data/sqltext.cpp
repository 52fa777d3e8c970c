#include "data/sqltext.h"

#include "data/dberror.h"

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

// The translator works on tokens and never looks inside quotes:
//   SELECT [DISTINCT] TOP n ...  ->  SELECT [DISTINCT] ... LIMIT n (at the end of
//                                    its own statement or parenthesised sub-select)
//   True / False                 ->  -1 / 0
//   a & b                        ->  a || b
//   #date#                       ->  'yyyy-MM-dd'
//   'a date in another form'     ->  'yyyy-MM-dd[ HH:mm:ss]'
// LIKE keeps its shape: the database's like() is replaced by one that reads Jet
// patterns, and datediff() is an application function.
namespace {

enum class Tok { Word, Number, String, Ident, Punct, Space, Other };

struct Token {
    Tok kind;
    QString text;
};

QList<Token> tokenize(const QString& sql)
{
    QList<Token> out;
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const int start = i;
        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            out.append({Tok::Space, sql.mid(start, i - start)});
        } else if (c == '\'') {
            ++i;
            while (i < n) {
                if (sql[i] == '\'') {
                    if (i + 1 < n && sql[i + 1] == '\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out.append({Tok::String, sql.mid(start, i - start)});
        } else if (c == '"' || c == '[' || c == '`') {
            const QChar close = c == '[' ? QChar(']') : c;
            ++i;
            while (i < n && sql[i] != close)
                ++i;
            if (i < n)
                ++i;
            out.append({Tok::Ident, sql.mid(start, i - start)});
        } else if (c == '#') {
            // Jet date literal #...#; a lone # is passed through.
            int j = i + 1;
            while (j < n && sql[j] != '#' && sql[j] != '\n')
                ++j;
            if (j < n && sql[j] == '#') {
                i = j + 1;
                out.append({Tok::Other, sql.mid(start, i - start)});
            } else {
                ++i;
                out.append({Tok::Punct, QString(c)});
            }
        } else if (c.isLetter() || c == '_' || c.unicode() > 127) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == '_' || sql[i] == '$' || sql[i].unicode() > 127) && !sql[i].isSpace())
                ++i;
            out.append({Tok::Word, sql.mid(start, i - start)});
        } else if (c.isDigit() || (c == '.' && i + 1 < n && sql[i + 1].isDigit())) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == '.'))
                ++i;
            // exponent sign
            if (i < n && (sql[i] == '+' || sql[i] == '-') && (sql[i - 1] == 'e' || sql[i - 1] == 'E')) {
                ++i;
                while (i < n && sql[i].isDigit())
                    ++i;
            }
            out.append({Tok::Number, sql.mid(start, i - start)});
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            // A comment becomes a blank: nothing in it is translated, and a LIMIT
            // appended at the end cannot end up inside it.
            while (i < n && sql[i] != '\n')
                ++i;
            out.append({Tok::Space, QStringLiteral(" ")});
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const int close = sql.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
            out.append({Tok::Space, QStringLiteral(" ")});
        } else {
            ++i;
            out.append({Tok::Punct, QString(c)});
        }
    }
    return out;
}

bool isWord(const Token& t, const char* w)
{
    return t.kind == Tok::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

int nextSolid(const QList<Token>& toks, int i)
{
    ++i;
    while (i < toks.size() && toks[i].kind == Tok::Space)
        ++i;
    return i;
}

QString normaliseDateLiteral(const QString& inner, bool* changed)
{
    *changed = false;
    static const QRegularExpression iso(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}( \d{2}:\d{2}:\d{2})?$)"));
    const auto dt = ParseDateText(inner);
    if (!dt)
        return inner;
    if (iso.match(inner).hasMatch() && !inner.endsWith(QLatin1String(" 00:00:00")))
        return inner;
    *changed = true;
    return DateTimeText(*dt);
}

} // namespace

QString TranslateJet(const QString& sql)
{
    QList<Token> toks = tokenize(sql);

    // One statement per call: a ";" may only be followed by blanks.
    for (int i = 0; i < toks.size(); ++i) {
        if (toks[i].kind == Tok::Punct && toks[i].text == ";") {
            for (int j = i + 1; j < toks.size(); ++j)
                if (toks[j].kind != Tok::Space && !(toks[j].kind == Tok::Punct && toks[j].text == ";"))
                    throw DbError(QStringLiteral("只能执行一条SQL语句 (only one statement per call)"));
            toks = toks.mid(0, i);
            break;
        }
    }

    // Pending LIMITs per parenthesis depth: TOP n found in a SELECT at that depth.
    QList<QString> limitAtDepth{QString()};
    QString out;
    out.reserve(sql.size() + 16);
    for (int i = 0; i < toks.size(); ++i) {
        Token& t = toks[i];
        if (t.kind == Tok::Punct && t.text == "(") {
            limitAtDepth.append(QString());
            out += t.text;
            continue;
        }
        if (t.kind == Tok::Punct && t.text == ")") {
            if (limitAtDepth.size() > 1) {
                const QString lim = limitAtDepth.takeLast();
                if (!lim.isEmpty())
                    out += QStringLiteral(" LIMIT ") + lim;
            }
            out += t.text;
            continue;
        }
        if (isWord(t, "TOP")) {
            // Only directly after SELECT or SELECT DISTINCT.
            int p = i - 1;
            while (p >= 0 && toks[p].kind == Tok::Space)
                --p;
            bool afterSelect = p >= 0 && isWord(toks[p], "SELECT");
            if (!afterSelect && p >= 0 && (isWord(toks[p], "DISTINCT") || isWord(toks[p], "ALL"))) {
                int q = p - 1;
                while (q >= 0 && toks[q].kind == Tok::Space)
                    --q;
                afterSelect = q >= 0 && isWord(toks[q], "SELECT");
            }
            const int nx = nextSolid(toks, i);
            if (afterSelect && nx < toks.size() && toks[nx].kind == Tok::Number) {
                limitAtDepth.last() = toks[nx].text;
                i = nx; // drop "TOP n"
                continue;
            }
        }
        if (t.kind == Tok::Punct && t.text == "&") {
            // Jet joins text with &; SQLite's & would be a bitwise and of numbers.
            out += QStringLiteral("||");
            continue;
        }
        if (isWord(t, "True")) {
            out += QStringLiteral("-1");
            continue;
        }
        if (isWord(t, "False")) {
            out += QStringLiteral("0");
            continue;
        }
        if (t.kind == Tok::Other && t.text.startsWith('#')) {
            const QString inner = t.text.mid(1, t.text.size() - 2);
            bool changed = false;
            const QString norm = normaliseDateLiteral(inner, &changed);
            out += SqlQuote(ParseDateText(inner) ? norm : inner);
            continue;
        }
        if (t.kind == Tok::String) {
            const QString inner = t.text.mid(1, t.text.size() - 2);
            if (inner.size() >= 6 && inner.size() <= 24 && inner[0].isDigit()) {
                bool changed = false;
                const QString norm = normaliseDateLiteral(inner, &changed);
                if (changed) {
                    out += SqlQuote(norm);
                    continue;
                }
            }
        }
        out += t.text;
    }
    const QString lim = limitAtDepth.first();
    if (!lim.isEmpty())
        out += QStringLiteral(" LIMIT ") + lim;
    return out;
}
