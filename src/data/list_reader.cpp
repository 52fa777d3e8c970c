#include "data/list_reader.h"

#include "data/jet_tokens.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <QRegularExpression>
#include <QSet>

// ---------------------------------------------------------------- ListKeyset

namespace {

QString Join(const QList<Token>& tokens, qsizetype from, qsizetype to)
{
    QString out;
    for (qsizetype i = from; i < to; ++i)
        out += tokens[i].text;
    return out.trimmed();
}

// The parts of one plain SELECT: where its FROM, WHERE and ORDER BY begin
// (token indexes; -1 for none) and its order's terms.
struct SelectParts {
    qsizetype from = -1;
    qsizetype where = -1;
    qsizetype orderBy = -1;    // the ORDER word
    qsizetype orderTerms = -1; // the first token after BY
};

std::optional<SelectParts> PartsOf(const QList<Token>& tokens)
{
    static const QSet<QString> kRowChanging = {"DISTINCT", "DISTINCTROW", "TOP",       "ALL",       "GROUP",
                                               "HAVING",   "UNION",       "INTERSECT", "EXCEPT",    "LIMIT",
                                               "OFFSET",   "INTO",        "WINDOW",    "TRANSFORM", "PIVOT"};
    static const QSet<QString> kAggregates = {"COUNT", "SUM",    "AVG", "MIN",  "MAX",   "FIRST",       "LAST",
                                              "STDEV", "STDEVP", "VAR", "VARP", "TOTAL", "GROUP_CONCAT"};
    SelectParts parts;
    int depth = 0;
    bool first = true;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Tok::Punct && t.text == QLatin1String("("))
            ++depth;
        else if (t.kind == Tok::Punct && t.text == QLatin1String(")"))
            --depth;
        if (t.kind == Tok::Space)
            continue;
        if (first) {
            if (!IsWord(t, "SELECT"))
                return std::nullopt;
            first = false;
            continue;
        }
        if (t.kind != Tok::Word)
            continue;
        const QString word = t.text.toUpper();
        if (parts.from < 0 && kAggregates.contains(word)) {
            // An aggregate among the columns makes one row of all of them.
            qsizetype j = i + 1;
            while (j < tokens.size() && tokens[j].kind == Tok::Space)
                ++j;
            if (j < tokens.size() && tokens[j].text == QLatin1String("("))
                return std::nullopt;
        }
        if (depth != 0)
            continue;
        if (kRowChanging.contains(word))
            return std::nullopt;
        if (word == QLatin1String("SELECT"))
            return std::nullopt;
        if (word == QLatin1String("FROM") && parts.from < 0)
            parts.from = i;
        else if (word == QLatin1String("WHERE") && parts.from >= 0 && parts.where < 0 && parts.orderBy < 0)
            parts.where = i;
        else if (word == QLatin1String("ORDER") && parts.from >= 0 && parts.orderBy < 0) {
            qsizetype j = i + 1;
            while (j < tokens.size() && tokens[j].kind == Tok::Space)
                ++j;
            if (j < tokens.size() && IsWord(tokens[j], "BY")) {
                parts.orderBy = i;
                parts.orderTerms = j + 1;
            }
        }
    }
    if (first || depth != 0 || parts.from < 0)
        return std::nullopt;
    return parts;
}

// One line of the engine's plan for a statement.
struct PlanLine {
    int select;
    int order;
    QString detail;
};

std::vector<PlanLine> PlanOf(Database& db, const QString& select)
{
    Statement plan(db, QStringLiteral("EXPLAIN QUERY PLAN ") + db.nativeSql(select));
    std::vector<PlanLine> lines;
    while (plan.step())
        lines.push_back({int(plan.columnInt64(0)), int(plan.columnInt64(1)), plan.columnText(3)});
    return lines;
}

// The engine sorts the rows for the statement's order (it does not walk an
// index in that order).
bool Sorts(const std::vector<PlanLine>& plan)
{
    return std::any_of(plan.begin(), plan.end(), [](const PlanLine& l) {
        return l.detail.contains(QLatin1String("TEMP B-TREE")) && l.detail.contains(QLatin1String("ORDER BY"));
    });
}

// The order the engine reads a statement's rows in, loop by loop: for each
// table, the columns of the index it walks but those it holds equal, then
// the row number (the row number alone for a walk of the table itself);
// each loop's rows come in that order for each row of the loops before it.
// nullopt where it is none of these (a subquery, an automatic index, an IN
// list or an OR of indexes over more than one loop). `tables` receives the
// tables, outer loop first.
std::optional<QStringList> EngineOrder(Database& db, const std::vector<PlanLine>& plan, QStringList& tables)
{
    bool listed = false; // an IN list or an OR of indexes walks values one after another
    std::vector<const PlanLine*> loops;
    for (const PlanLine& l : plan) {
        if (l.detail.contains(QLatin1String("LIST SUBQUERY")) || l.detail.contains(QLatin1String("MULTI-INDEX")))
            listed = true;
        if (l.select != 0 || l.detail.contains(QLatin1String("TEMP B-TREE")))
            continue;
        if (!l.detail.startsWith(QLatin1String("SCAN TABLE ")) && !l.detail.startsWith(QLatin1String("SEARCH TABLE ")))
            return std::nullopt; // a subquery, a view
        if (l.order != int(loops.size()))
            return std::nullopt; // two walks of one loop
        loops.push_back(&l);
    }
    if (loops.empty() || (listed && loops.size() > 1))
        return std::nullopt;
    static const QRegularExpression kLoop(QStringLiteral(
        "^(?:SCAN|SEARCH) TABLE (\\S+)(?: AS (\\S+))?(?: USING (?:(INTEGER PRIMARY KEY)|(?:COVERING )?INDEX (\\S+)))?"
        "(?: \\((.*)\\))?$"));
    QStringList order;
    for (const PlanLine* l : loops) {
        const QRegularExpressionMatch m = kLoop.match(l->detail);
        if (!m.hasMatch() || m.captured(4) == QLatin1String("AUTOMATIC"))
            return std::nullopt;
        const QString name = m.captured(2).isEmpty() ? m.captured(1) : m.captured(2);
        tables << m.captured(1);
        if (!m.captured(4).isEmpty()) {
            QSet<QString> equal;
            if (!listed) {
                for (const QString& c : m.captured(5).split(QStringLiteral(" AND ")))
                    if (c.endsWith(QLatin1String("=?")))
                        equal.insert(c.chopped(2).toUpper());
            }
            Statement columns(db, QStringLiteral("PRAGMA index_info(\"%1\")").arg(m.captured(4)));
            bool leading = true;
            while (columns.step()) {
                if (columns.columnIsNull(2))
                    return std::nullopt; // an expression
                const QString column = columns.columnText(2);
                leading = leading && equal.contains(column.toUpper());
                if (!leading)
                    order << name + QLatin1Char('.') + column;
            }
        }
        order << name + QStringLiteral(".rowid");
    }
    return order;
}

// A term of an order written as the list writes it stands for the same
// column as "table.column" where it names that column with or without its
// table (a column two tables have would be refused unnamed).
bool SameTerm(const QString& listed, const QString& qualified)
{
    const QString a = listed.trimmed();
    return a.compare(qualified, Qt::CaseInsensitive) == 0
        || a.compare(qualified.section(QLatin1Char('.'), 1), Qt::CaseInsensitive) == 0;
}

QString Literal(const Value& v)
{
    switch (v.kind()) {
    case Value::Integer: return QString::number(v.toInt());
    case Value::Real: return SqlNum(v.toDouble());
    default: return SqlQuote(v.toString());
    }
}

} // namespace

std::optional<ListKeyset> ListKeyset::of(Database& db, const QString& select, const QString& table,
                                         const QString& keyColumn)
{
    const QList<Token> tokens = TokenizeJet(select);
    const std::optional<SelectParts> parts = PartsOf(tokens);
    if (!parts || table.isEmpty())
        return std::nullopt;
    ListKeyset k;
    const qsizetype end = tokens.size();
    const qsizetype sourceEnd = parts->where >= 0 ? parts->where : (parts->orderBy >= 0 ? parts->orderBy : end);
    k.m_columns = Join(tokens, 0, parts->from);
    k.m_source = Join(tokens, parts->from, sourceEnd);
    if (parts->where >= 0)
        k.m_where = Join(tokens, parts->where + 1, parts->orderBy >= 0 ? parts->orderBy : end);
    if (!keyColumn.isEmpty())
        k.m_keyColumn = keyColumn.contains(QLatin1Char('.')) ? keyColumn : table + QLatin1Char('.') + keyColumn;
    try {
        const std::vector<PlanLine> plan = PlanOf(db, select);
        QStringList tables;
        const std::optional<QStringList> natural = EngineOrder(db, plan, tables);
        if (!natural)
            return std::nullopt;
        if (parts->orderBy < 0) {
            // Read in the order the engine reads it anyway.
            k.m_terms = *natural;
            k.m_descending.assign(size_t(natural->size()), false);
            k.m_statement = k.compose(k.m_where);
            if (Sorts(PlanOf(db, k.m_statement)))
                return std::nullopt;
            return k;
        }
        // The list's own terms, split where a comma stands outside brackets.
        qsizetype start = parts->orderTerms;
        int depth = 0;
        for (qsizetype i = parts->orderTerms; i <= end; ++i) {
            if (i < end) {
                const Token& t = tokens[i];
                depth += t.text == QLatin1String("(") ? 1 : (t.text == QLatin1String(")") ? -1 : 0);
                if (!(t.kind == Tok::Punct && t.text == QLatin1String(",") && depth == 0))
                    continue;
            }
            qsizetype last = i;
            while (last > start && tokens[last - 1].kind == Tok::Space)
                --last;
            while (start < last && tokens[start].kind == Tok::Space)
                ++start;
            bool descending = false;
            if (last > start && (IsWord(tokens[last - 1], "DESC") || IsWord(tokens[last - 1], "ASC"))) {
                descending = IsWord(tokens[last - 1], "DESC");
                --last;
            }
            const QString term = Join(tokens, start, last);
            // A column's number names a column of the list, not a value.
            if (term.isEmpty() || (last - start == 1 && tokens[start].kind == Tok::Number))
                return std::nullopt;
            k.m_terms << term;
            k.m_descending.push_back(descending);
            start = i + 1;
        }
        if (k.m_terms.isEmpty())
            return std::nullopt;
        // Rows the list's order holds equal come in the key's order where the
        // list reads one table (its key tells its rows apart), else in the
        // order the engine reads them in, forwards or backwards; whichever
        // the engine reads without sorting anew. A term named twice would
        // make it sort.
        const bool sortsAnyway = Sorts(plan);
        const bool lastDescending = k.m_descending.back();
        std::vector<std::pair<QStringList, bool>> candidates;
        if (tables.size() == 1 && tables[0].compare(table, Qt::CaseInsensitive) == 0 && !k.m_keyColumn.isEmpty()) {
            candidates.push_back({{k.m_keyColumn}, lastDescending});
            candidates.push_back({{k.m_keyColumn}, !lastDescending});
        }
        QStringList rest;
        for (const QString& n : *natural) {
            if (std::none_of(k.m_terms.begin(), k.m_terms.end(), [&](const QString& t) { return SameTerm(t, n); }))
                rest << n;
        }
        candidates.push_back({rest, false});
        candidates.push_back({rest, true});
        for (const auto& [ties, descending] : candidates) {
            ListKeyset candidate = k;
            candidate.m_terms << ties;
            candidate.m_descending.resize(size_t(candidate.m_terms.size()), descending);
            candidate.m_statement = candidate.compose(candidate.m_where);
            candidate.m_sorts = sortsAnyway;
            try {
                if (sortsAnyway || !Sorts(PlanOf(db, candidate.m_statement)))
                    return candidate;
            } catch (const DbError&) {
                // no such column there: the next
            }
        }
    } catch (const DbError&) {
        // A statement the engine refuses is the fill's to report.
    }
    return std::nullopt;
}

QString ListKeyset::compose(const QString& condition) const
{
    QStringList order;
    for (size_t i = 0; i < size_t(m_terms.size()); ++i)
        order << (m_descending[i] ? m_terms[qsizetype(i)] + QStringLiteral(" DESC") : m_terms[qsizetype(i)]);
    QString sql = m_columns + QStringLiteral(", ") + m_terms.join(QStringLiteral(", ")) + QLatin1Char(' ') + m_source;
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    return sql + QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
}

QString ListKeyset::after(const std::vector<Value>& last, const QStringList& leftOut) const
{
    QStringList conditions;
    if (!m_where.isEmpty())
        conditions << QLatin1Char('(') + m_where + QLatin1Char(')');
    if (last.size() == size_t(m_terms.size())) {
        // After the row: greater in the first term it differs in, the terms
        // before it equal. The engine sorts Null first, so in a descending
        // term Null comes last.
        QStringList either;
        QStringList equal;
        for (size_t i = 0; i < last.size(); ++i) {
            const QString& t = m_terms[qsizetype(i)];
            const Value& v = last[i];
            QString beyond;
            if (!m_descending[i])
                beyond = v.isNull() ? t + QStringLiteral(" IS NOT NULL") : t + QStringLiteral(" > ") + Literal(v);
            else if (!v.isNull())
                beyond = QStringLiteral("(%1 < %2 OR %1 IS NULL)").arg(t, Literal(v));
            if (!beyond.isEmpty()) {
                const QStringList both = equal + QStringList{beyond};
                either << QLatin1Char('(') + both.join(QStringLiteral(" AND ")) + QLatin1Char(')');
            }
            equal << (v.isNull() ? t + QStringLiteral(" IS NULL") : t + QStringLiteral(" = ") + Literal(v));
        }
        QString keyset = either.isEmpty() ? QStringLiteral("0") : either.join(QStringLiteral(" OR "));
        // A first term that only grows lets the engine start where the list stopped.
        if (!m_descending[0] && !last[0].isNull())
            keyset = QStringLiteral("%1 >= %2 AND (%3)").arg(m_terms[0], Literal(last[0]), keyset);
        conditions << QLatin1Char('(') + keyset + QLatin1Char(')');
    }
    if (!leftOut.isEmpty() && !m_keyColumn.isEmpty()) {
        QStringList keys;
        for (const QString& key : leftOut)
            keys << SqlQuote(key);
        conditions << m_keyColumn + QStringLiteral(" NOT IN (") + keys.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return compose(conditions.join(QStringLiteral(" AND ")));
}

// ---------------------------------------------------------------- ListReader

ListReader::ListReader(Database& db, const QString& select, const QString& table, const QString& keyColumn)
    : m_db(db),
      m_select(select),
      m_table(table),
      m_keyColumn(keyColumn)
{
}

ListReader::~ListReader() = default;

void ListReader::begin()
{
    m_canOwnSnapshot = m_db.readsOwnSnapshots();
    // Only a list that may read a snapshot of its own has one to let go.
    if (m_canOwnSnapshot)
        m_keyset = ListKeyset::of(m_db, m_select, m_table, m_keyColumn);
    m_reading = m_keyset ? m_keyset->statement() : m_select;
    const bool goesOnCheaply = m_keyset && !m_keyset->sorts();
    if (m_canOwnSnapshot && !goesOnCheaply && m_db.readConnections().hasIdle())
        m_reader = std::make_unique<RowReader>(m_db, m_reading, RowReader::OwnSnapshot{});
    else
        m_reader = std::make_unique<RowReader>(m_db, m_reading);
    if (m_keyset)
        m_reader->keepLastColumns(m_keyset->terms());
    m_reader->setLetGo([this] {
        if (canGoOn())
            letSnapshotGo();
        else if (m_readRest)
            m_readRest();
    });
}

qint64 ListReader::read(qint64 most, const std::function<bool(const RowView&)>& fn)
{
    if (m_reader->isLetGo())
        goOn();
    if (m_given >= kManyRows || (most >= kManyRows && m_given > 0))
        m_reader->useSmallCache();
    const qint64 n = m_reader->read(most, fn);
    m_givenHere += n;
    m_given += n;
    return n;
}

bool ListReader::atEnd() const { return m_reader->atEnd(); }

bool ListReader::onMainConnection() const { return !m_reader->ownsSnapshot(); }

bool ListReader::holdsSnapshot() const { return m_reader->holdsSnapshot(); }

void ListReader::goOn()
{
    const QString sql = m_keyset->after(m_reader->keptValues(), m_leftOut ? m_leftOut() : QStringList());
    m_reader->continueWith(sql);
    m_reading = sql;
    m_givenHere = 0;
}

bool ListReader::moveToOwnSnapshot()
{
    if (m_keyset) {
        goOn();
        return false;
    }
    m_reader->continueWith(m_select);
    m_reading = m_select;
    m_givenHere = 0;
    return true;
}

void ListReader::letSnapshotGo()
{
    if (m_keyset && !m_reader->atEnd())
        m_reader->letSnapshotGo();
}

qint64 ListReader::countWithin(int budget)
{
    const QString count = CountStatement(m_select);
    return count.isEmpty() ? -1 : m_reader->countWithin(count, budget, false);
}

qint64 ListReader::countRestSlice(int ms)
{
    if (m_reader->atEnd())
        return 0;
    if (m_reader->isLetGo())
        goOn();
    const qint64 n = m_reader->countSlice(RowsStatement(m_reading), ms);
    return n >= 0 ? std::max<qint64>(0, n - m_givenHere) : n;
}

void ListReader::setReadRest(std::function<void()> handler)
{
    m_readRest = std::move(handler);
    m_reader->setBeforeWrite([this] {
        if (m_readRest)
            m_readRest();
    });
}
