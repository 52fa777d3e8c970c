#include "data/sqltext.h"

#include "data/dberror.h"
#include "data/jet_dates.h"

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

QList<Token> TokenizeJet(const QString& sql)
{
    QList<Token> out;
    const int n = int(sql.size());
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
            const int close = int(sql.indexOf(QLatin1String("*/"), i + 2));
            i = close < 0 ? n : close + 2;
            out.append({Tok::Space, QStringLiteral(" ")});
        } else {
            ++i;
            out.append({Tok::Punct, QString(c)});
        }
    }
    return out;
}

namespace {

int nextSolid(const QList<Token>& toks, int i)
{
    ++i;
    while (i < toks.size() && toks[i].kind == Tok::Space)
        ++i;
    return i;
}

} // namespace

// The translator works on tokens and never looks inside quotes:
//   SELECT [DISTINCT] TOP n ...  ->  SELECT [DISTINCT] ... LIMIT n (at the end of
//                                    its own statement or parenthesised sub-select)
//   True / False                 ->  -1 / 0
//   a & b                        ->  a || b
//   #date#                       ->  'yyyy-MM-dd'
//   a literal bound for a date column, and datediff's dates, in another form
//                                ->  'yyyy-MM-dd[ HH:mm:ss]'
//   datediff('d', column, 'date') <op> n  ->  a range on the column (jet_dates.cpp)
// LIKE keeps its shape: the database's like() is replaced by one that reads Jet
// patterns, and datediff() is an application function.
QString TranslateJet(const QString& sql)
{
    QList<Token> toks = TokenizeJet(sql);

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
    const DateRewrites dates = FindDateRewrites(toks);
    for (int i = 0; i < toks.size(); ++i) {
        if (dates.drop.contains(i))
            continue;
        if (const auto r = dates.replace.constFind(i); r != dates.replace.constEnd()) {
            out += *r;
            continue;
        }
        const Token& t = toks[i];
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
        if (IsWord(t, "TOP")) {
            // Only directly after SELECT or SELECT DISTINCT.
            int p = i - 1;
            while (p >= 0 && toks[p].kind == Tok::Space)
                --p;
            bool afterSelect = p >= 0 && IsWord(toks[p], "SELECT");
            if (!afterSelect && p >= 0 && (IsWord(toks[p], "DISTINCT") || IsWord(toks[p], "ALL"))) {
                int q = p - 1;
                while (q >= 0 && toks[q].kind == Tok::Space)
                    --q;
                afterSelect = q >= 0 && IsWord(toks[q], "SELECT");
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
        if (IsWord(t, "True")) {
            out += QStringLiteral("-1");
            continue;
        }
        if (IsWord(t, "False")) {
            out += QStringLiteral("0");
            continue;
        }
        if (t.kind == Tok::Other && t.text.startsWith('#')) {
            const QString inner = t.text.mid(1, t.text.size() - 2);
            const auto dt = ParseDateText(inner);
            out += SqlQuote(dt ? DateTimeText(*dt) : inner);
            continue;
        }
        out += t.text;
    }
    const QString lim = limitAtDepth.first();
    if (!lim.isEmpty())
        out += QStringLiteral(" LIMIT ") + lim;
    return out;
}
