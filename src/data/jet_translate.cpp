#include "data/jet_translate.h"

#include "data/dberror.h"
#include "data/jet_dates.h"
#include "data/jet_tokens.h"
#include "data/sqltext.h"

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
