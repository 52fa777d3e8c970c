#include "data/jet_dates.h"

#include "data/schema.h"
#include "data/sqltext.h"

#include <QDate>

// Dates are stored as ISO text in the DATETIME columns. A literal is made ISO
// only by where it goes: written into or compared with such a column (=, <,
// >, <=, >=, <>, BETWEEN, IN, an INSERT's value list or select list), or an
// argument of datediff. Text bound for any other column keeps what was typed,
// however much it looks like a date (a password "2024.1.1" stays "2024.1.1").
//
// A day comparison  datediff('d', column, 'date') <op> n  (either argument
// order, the number on either side) in a condition becomes a range on the
// stored text, so the column's index serves it:
//     column >= 'first day' AND column < 'day after the last'
// One-sided comparisons get the other bound from the ends of the calendar,
// so Null and text that is no date stay out, as datediff leaves them out by
// giving Null. The ranges read the column as it is stored: ISO text. Only conditions joined by WHERE/AND/OR/ON/HAVING and
// parentheses are rewritten: under NOT or inside an expression a range and
// Null would differ.

namespace {

constexpr const char* kFirstDay = "0001-01-01";
constexpr const char* kPastLastDay = "9999-12-32";

// Column types per table, names folded to lower case.
const QHash<QString, QHash<QString, char>>& columnTypes()
{
    static const auto types = [] {
        QHash<QString, QHash<QString, char>> t;
        for (const TableDef& def : DataFileSchema())
            for (const ColumnDef& c : def.columns)
                t[def.name.toLower()][c.name.toLower()] = c.type;
        return t;
    }();
    return types;
}

char typeOf(const QString& table, const QString& column)
{
    const auto t = columnTypes().constFind(table);
    if (t == columnTypes().constEnd())
        return 0;
    return t->value(column, 0);
}

bool isKeyword(const Token& t)
{
    static const QSet<QString> words{"where", "group", "order", "having", "on", "join", "inner", "left", "right",
                                     "outer", "cross", "full", "natural", "union", "except", "intersect", "limit",
                                     "set", "values", "select", "and", "or", "not", "using", "as", "from", "into",
                                     "when", "then", "else", "end", "case", "in", "is", "null", "like", "between",
                                     "desc", "asc", "by", "top", "distinct", "all"};
    return t.kind == Tok::Word && words.contains(t.text.toLower());
}

QString bareName(const Token& t)
{
    if (t.kind == Tok::Ident && t.text.size() >= 2)
        return t.text.mid(1, t.text.size() - 2).toLower();
    return t.text.toLower();
}

QString unquote(const Token& t)
{
    if (t.kind == Tok::String)
        return t.text.mid(1, t.text.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    return t.text.mid(1, t.text.size() - 2); // #...#
}

QString flip(const QString& op)
{
    if (op == "<")
        return ">";
    if (op == ">")
        return "<";
    if (op == "<=")
        return ">=";
    if (op == ">=")
        return "<=";
    return op;
}

QString dayText(const QDate& d)
{
    if (!d.isValid() || d.year() < 1)
        return kFirstDay;
    if (d.year() > 9999)
        return kPastLastDay;
    return DateText(d);
}

class Analysis {
public:
    explicit Analysis(const QList<Token>& toks);
    DateRewrites result;

private:
    enum class FromState { None, Table, AfterTable, Alias, AfterAlias };
    struct Table {
        QString name, alias;
    };
    struct Scope {
        int parent;
        QList<Table> tables;
    };

    int count() const { return int(m_s.size()); }
    const Token& tok(int k) const { return m_toks[m_s[k]]; }
    bool valid(int k) const { return k >= 0 && k < count(); }
    bool punct(int k, char c) const { return valid(k) && tok(k).kind == Tok::Punct && tok(k).text == QChar(c); }
    bool word(int k, const char* w) const { return valid(k) && IsWord(tok(k), w); }
    bool nameLike(int k) const
    {
        return valid(k) && ((tok(k).kind == Tok::Word && !isKeyword(tok(k))) || tok(k).kind == Tok::Ident);
    }
    bool adjacent(int k) const { return m_s[k + 1] == m_s[k] + 1; } // k and k+1 with no blank between

    void buildScopes();
    char columnType(int first, int last) const;
    bool isDateColumn(int first, int last) const { return first >= 0 && columnType(first, last) == 'D'; }
    int refStartEndingAt(int k) const;
    int refEndStartingAt(int k) const;
    int opStartBefore(int k, QString* op) const;
    int opEndAfter(int k, QString* op) const;
    QList<QPair<int, int>> items(int open) const;
    void mark(int k);
    void markComparisons();
    void markInsert();
    void rewriteDayComparisons();
    bool conditionBefore(int k) const;
    bool conditionAfter(int k) const;
    QString rawText(int first, int last) const;

    const QList<Token>& m_toks;
    QList<int> m_s;      // positions of the tokens that are not blanks
    QList<int> m_scope;  // per solid token: its SELECT scope
    QList<int> m_match;  // per solid token: the matching parenthesis, or -1
    QList<Scope> m_scopes;
};

Analysis::Analysis(const QList<Token>& toks)
    : m_toks(toks)
{
    for (int i = 0; i < toks.size(); ++i)
        if (toks[i].kind != Tok::Space)
            m_s.append(i);
    buildScopes();
    markComparisons();
    markInsert();
    rewriteDayComparisons();
}

// Each SELECT opens a scope holding the tables of its FROM list (with their
// aliases); a sub-select's scope sees the scopes around it. UPDATE's and
// DELETE's table belong to the statement's scope 0.
void Analysis::buildScopes()
{
    struct Frame {
        int outer, cur;
        FromState st;
    };
    m_scopes.append(Scope{-1, {}});
    m_scope.fill(0, count());
    m_match.fill(-1, count());
    QList<Frame> frames{{0, 0, FromState::None}};
    QList<int> opens;
    for (int k = 0; k < count(); ++k) {
        Frame& f = frames.last();
        const Token& t = tok(k);
        m_scope[k] = f.cur;
        if (punct(k, '(')) {
            f.st = FromState::None; // a derived table or a call: nothing to name
            frames.append({f.cur, f.cur, FromState::None});
            opens.append(k);
            continue;
        }
        if (punct(k, ')')) {
            if (frames.size() > 1)
                frames.removeLast();
            if (!opens.isEmpty()) {
                const int o = opens.takeLast();
                m_match[o] = k;
                m_match[k] = o;
            }
            m_scope[k] = frames.last().cur;
            continue;
        }
        if (word(k, "SELECT")) {
            m_scopes.append(Scope{f.outer, {}});
            f.cur = int(m_scopes.size()) - 1;
            f.st = FromState::None;
            m_scope[k] = f.cur;
            continue;
        }
        QList<Table>& tables = m_scopes[f.cur].tables;
        switch (f.st) {
        case FromState::Table:
            if (nameLike(k)) {
                tables.append(Table{bareName(t), QString()});
                f.st = FromState::AfterTable;
            } else {
                f.st = FromState::None;
            }
            continue;
        case FromState::AfterTable:
            if (punct(k, ',')) {
                f.st = FromState::Table;
                continue;
            }
            if (word(k, "AS")) {
                f.st = FromState::Alias;
                continue;
            }
            if (nameLike(k)) {
                tables.last().alias = bareName(t);
                f.st = FromState::AfterAlias;
                continue;
            }
            break;
        case FromState::Alias:
            if (nameLike(k))
                tables.last().alias = bareName(t);
            f.st = FromState::AfterAlias;
            continue;
        case FromState::AfterAlias:
            if (punct(k, ',')) {
                f.st = FromState::Table;
                continue;
            }
            break;
        case FromState::None: break;
        }
        f.st = FromState::None;
        if (word(k, "FROM") || word(k, "JOIN") || (k == 0 && word(k, "UPDATE")))
            f.st = FromState::Table;
    }
}

// The type of the column named by solid tokens first..last ("F2" or "T.F2"),
// looked up through the scopes around it; 0 when it is no known column.
char Analysis::columnType(int first, int last) const
{
    const QString column = bareName(tok(last));
    const QString qualifier = first < last ? bareName(tok(first)) : QString();
    for (int s = m_scope[first]; s >= 0; s = m_scopes[s].parent) {
        for (const Table& t : m_scopes[s].tables) {
            if (!qualifier.isEmpty()) {
                if (qualifier == t.alias || qualifier == t.name)
                    return typeOf(t.name, column);
            } else if (const char type = typeOf(t.name, column)) {
                return type;
            }
        }
    }
    return qualifier.isEmpty() ? 0 : typeOf(qualifier, column);
}

// A column reference ("F2", "TB1.F2", "[F2]") whose last token is k: its first token, or -1.
int Analysis::refStartEndingAt(int k) const
{
    if (!nameLike(k))
        return -1;
    if (k >= 2 && punct(k - 1, '.') && nameLike(k - 2) && adjacent(k - 2) && adjacent(k - 1))
        return k - 2;
    return k;
}

int Analysis::refEndStartingAt(int k) const
{
    if (!nameLike(k))
        return -1;
    int end = k;
    if (punct(k + 1, '.') && nameLike(k + 2) && adjacent(k) && adjacent(k + 1))
        end = k + 2;
    if (punct(end + 1, '(') || punct(end + 1, '.'))
        return -1; // a function call or a longer name
    return end;
}

// A comparison operator made of the solid tokens right before k: its first token, or -1.
int Analysis::opStartBefore(int k, QString* op) const
{
    int j = k - 1;
    QString text;
    while (valid(j) && tok(j).kind == Tok::Punct && QStringLiteral("<>=!").contains(tok(j).text)
           && (j == k - 1 || adjacent(j))) {
        text.prepend(tok(j).text);
        --j;
    }
    static const QSet<QString> ops{"=", "<", ">", "<=", ">=", "<>", "!="};
    if (!ops.contains(text))
        return -1;
    *op = text;
    return j + 1;
}

int Analysis::opEndAfter(int k, QString* op) const
{
    int j = k + 1;
    QString text;
    while (valid(j) && tok(j).kind == Tok::Punct && QStringLiteral("<>=!").contains(tok(j).text)
           && (j == k + 1 || adjacent(j - 1))) {
        text.append(tok(j).text);
        ++j;
    }
    static const QSet<QString> ops{"=", "<", ">", "<=", ">=", "<>", "!="};
    if (!ops.contains(text))
        return -1;
    *op = text;
    return j - 1;
}

// The comma-separated items inside the parentheses opening at `open`, as
// solid ranges; nested parentheses stay whole.
QList<QPair<int, int>> Analysis::items(int open) const
{
    QList<QPair<int, int>> out;
    const int close = m_match[open];
    if (close < 0)
        return out;
    int start = open + 1;
    for (int j = open + 1; j <= close; ++j) {
        if (punct(j, '(') && m_match[j] > j) {
            j = m_match[j];
            continue;
        }
        if (j == close || punct(j, ',')) {
            out.append({start, j - 1});
            start = j + 1;
        }
    }
    return out;
}

void Analysis::mark(int k)
{
    if (!valid(k) || tok(k).kind != Tok::String)
        return;
    const QString inner = unquote(tok(k));
    const auto dt = ParseDateText(inner);
    if (!dt)
        return; // not a date: kept as written, the engine compares it as it is
    const QString iso = DateTimeText(*dt);
    if (iso != inner)
        result.replace.insert(m_s[k], SqlQuote(iso));
}

void Analysis::markComparisons()
{
    QString op;
    for (int k = 0; k < count(); ++k) {
        if (tok(k).kind == Tok::String) {
            const int o = opStartBefore(k, &op);
            if (o > 0 && isDateColumn(refStartEndingAt(o - 1), o - 1))
                mark(k);
            const int e = opEndAfter(k, &op);
            if (e > 0) {
                const int last = refEndStartingAt(e + 1);
                if (last >= 0 && isDateColumn(e + 1, last))
                    mark(k);
            }
            if (word(k - 1, "BETWEEN")) {
                const int end = word(k - 2, "NOT") ? k - 3 : k - 2;
                if (isDateColumn(refStartEndingAt(end), end)) {
                    mark(k);
                    if (word(k + 1, "AND"))
                        mark(k + 2);
                }
            }
        } else if (punct(k, '(') && word(k - 1, "IN")) {
            const int end = word(k - 2, "NOT") ? k - 3 : k - 2;
            if (isDateColumn(refStartEndingAt(end), end))
                for (const auto& [a, b] : items(k))
                    if (a == b)
                        mark(a);
        } else if (word(k, "datediff") && punct(k + 1, '(')) {
            const auto args = items(k + 1);
            for (int i = 1; i < args.size() && i < 3; ++i)
                if (args[i].first == args[i].second)
                    mark(args[i].first);
        }
    }
}

// INSERT INTO t [(columns)] VALUES (...)[, (...)] | SELECT ...: a lone literal
// is matched with the column it is written into.
void Analysis::markInsert()
{
    if (!word(0, "INSERT") || !word(1, "INTO") || !nameLike(2))
        return;
    const QString table = bareName(tok(2));
    QStringList columns;
    int k = 3;
    if (punct(k, '(') && !word(k + 1, "SELECT")) {
        for (const auto& [a, b] : items(k))
            columns << (a == b ? bareName(tok(a)) : QString());
        k = m_match[k] + 1;
        if (k <= 0)
            return;
    } else {
        for (const TableDef& def : DataFileSchema())
            if (def.name.toLower() == table)
                for (const ColumnDef& c : def.columns)
                    columns << c.name.toLower();
    }
    auto markItems = [&](const QList<QPair<int, int>>& values) {
        for (int i = 0; i < values.size() && i < columns.size(); ++i)
            if (values[i].first == values[i].second && typeOf(table, columns[i]) == 'D')
                mark(values[i].first);
    };
    if (word(k, "VALUES")) {
        for (++k; punct(k, '('); k += 2) {
            markItems(items(k));
            k = m_match[k];
            if (k < 0 || !punct(k + 1, ','))
                break;
        }
    } else if (word(k, "SELECT")) {
        // The select list, up to its FROM, split at the commas of its own level.
        int start = k + 1;
        if (word(start, "DISTINCT") || word(start, "ALL"))
            ++start;
        if (word(start, "TOP"))
            start += 2;
        QList<QPair<int, int>> values;
        int from = start;
        for (int j = start; j <= count(); ++j) {
            if (j < count() && punct(j, '(') && m_match[j] > j) {
                j = m_match[j];
                continue;
            }
            if (j == count() || word(j, "FROM") || punct(j, ',')) {
                values.append({from, j - 1});
                from = j + 1;
                if (j == count() || word(j, "FROM"))
                    break;
            }
        }
        markItems(values);
    }
}

// Before k stands the start of a condition: WHERE, ON, HAVING, AND or OR (not
// the AND of a BETWEEN), or an opening parenthesis that itself starts one.
bool Analysis::conditionBefore(int k) const
{
    if (!valid(k))
        return false;
    if (word(k, "WHERE") || word(k, "ON") || word(k, "HAVING") || word(k, "OR"))
        return true;
    if (word(k, "AND")) {
        for (int j = k - 1; valid(j); --j) {
            if (punct(j, ')') && m_match[j] >= 0 && m_match[j] < j) {
                j = m_match[j];
                continue;
            }
            if (word(j, "BETWEEN"))
                return false;
            if (punct(j, '(') || word(j, "AND") || word(j, "OR") || word(j, "WHERE") || word(j, "ON") || word(j, "HAVING"))
                return true;
        }
        return true;
    }
    return punct(k, '(') && conditionBefore(k - 1);
}

bool Analysis::conditionAfter(int k) const
{
    if (!valid(k))
        return true;
    if (word(k, "AND") || word(k, "OR") || word(k, "ORDER") || word(k, "GROUP") || word(k, "HAVING")
        || word(k, "UNION") || word(k, "LIMIT") || punct(k, ';'))
        return true;
    return punct(k, ')') && conditionAfter(k + 1);
}

QString Analysis::rawText(int first, int last) const
{
    QString s;
    for (int i = m_s[first]; i <= m_s[last]; ++i)
        s += m_toks[i].text;
    return s;
}

void Analysis::rewriteDayComparisons()
{
    for (int k = 0; k < count(); ++k) {
        if (!word(k, "datediff") || !punct(k + 1, '('))
            continue;
        const auto args = items(k + 1);
        if (args.size() != 3 || args[0].first != args[0].second || tok(args[0].first).kind != Tok::String
            || unquote(tok(args[0].first)).compare("d", Qt::CaseInsensitive) != 0)
            continue;
        // One argument a date column, the other a date literal.
        auto literalDay = [&](const QPair<int, int>& a) -> std::optional<QDate> {
            if (a.first != a.second)
                return std::nullopt;
            const Token& t = tok(a.first);
            if (t.kind != Tok::String && !(t.kind == Tok::Other && t.text.startsWith('#')))
                return std::nullopt;
            const auto dt = ParseDateText(unquote(t));
            return dt ? std::optional<QDate>(dt->date()) : std::nullopt;
        };
        auto isColumn = [&](const QPair<int, int>& a) {
            return refStartEndingAt(a.second) == a.first && isDateColumn(a.first, a.second);
        };
        bool columnFirst;
        std::optional<QDate> day;
        QPair<int, int> column;
        if (isColumn(args[1]) && (day = literalDay(args[2]))) {
            columnFirst = true;
            column = args[1];
        } else if (isColumn(args[2]) && (day = literalDay(args[1]))) {
            columnFirst = false;
            column = args[2];
        } else {
            continue;
        }

        // The comparison with a whole number, on either side.
        const int close = m_match[k + 1];
        QString op;
        int begin = k, end = -1;
        qint64 n = 0;
        auto number = [&](int at, bool* ok) {
            return valid(at) && tok(at).kind == Tok::Number ? tok(at).text.toLongLong(ok) : (*ok = false, 0LL);
        };
        bool ok = false;
        const int opEnd = opEndAfter(close, &op);
        if (opEnd > 0) {
            int at = opEnd + 1;
            const bool negative = punct(at, '-');
            if (negative || punct(at, '+'))
                ++at;
            n = number(at, &ok);
            if (negative)
                n = -n;
            end = at;
        } else {
            const int opStart = opStartBefore(k, &op);
            if (opStart > 0) {
                n = number(opStart - 1, &ok);
                begin = opStart - 1;
                if (punct(begin - 1, '-') && conditionBefore(begin - 2)) {
                    n = -n;
                    --begin;
                }
                op = flip(op);
                end = close;
            }
        }
        if (!ok || op == "<>" || op == "!=" || !conditionBefore(begin - 1) || !conditionAfter(end + 1))
            continue;

        // datediff(column, L) = L - day(column); datediff(L, column) = day(column) - L.
        QString dayOp = columnFirst ? flip(op) : op;
        const QDate x = columnFirst ? day->addDays(-n) : day->addDays(n);
        QString lo = kFirstDay, hi = kPastLastDay;
        if (dayOp == "=") {
            lo = dayText(x);
            hi = dayText(x.addDays(1));
        } else if (dayOp == "<") {
            hi = dayText(x);
        } else if (dayOp == "<=") {
            hi = dayText(x.addDays(1));
        } else if (dayOp == ">") {
            lo = dayText(x.addDays(1));
        } else {
            lo = dayText(x);
        }
        // A bound that only keeps Null and non-dates out is written "+column",
        // which the engine does not take for an index bound: a month written as
        // two one-sided comparisons then searches the index by its two real ends.
        const QString col = rawText(column.first, column.second);
        const QString loCol = lo == kFirstDay ? "+" + col : col;
        const QString hiCol = hi == kPastLastDay ? "+" + col : col;
        result.replace.insert(m_s[begin], "(" + loCol + " >= '" + lo + "' AND " + hiCol + " < '" + hi + "')");
        for (int i = m_s[begin] + 1; i <= m_s[end]; ++i) {
            result.replace.remove(i);
            result.drop.insert(i);
        }
        k = end;
    }
}

} // namespace

DateRewrites FindDateRewrites(const QList<Token>& toks)
{
    return Analysis(toks).result;
}
