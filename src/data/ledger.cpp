#include "data/ledger.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

DbError counterMissing()
{
    return DbError(QStringLiteral("读取单据序号失败: sysinfo 中没有可用的计数器(ID=100)!"));
}

// The counter must exist: without it every entry would get SN 0 and drop out
// of the balance chain unnoticed.
void updateCounter(const QString& sql)
{
    if (Db().execute(sql) == 0)
        throw counterMissing();
}

double readCounter()
{
    RecordSet rs = Db().openRecordset(QStringLiteral("select SetVal from SysInfo Where ID=100"));
    if (rs.eof() || rs.field(0).isNull())
        throw counterMissing();
    bool ok = false;
    const double v = rs.field(0).toDouble(&ok);
    if (!ok)
        throw counterMissing();
    return v;
}

// F2 and SN of the first row of a look-up, when there is one.
struct LedgerRow {
    bool found = false;
    QString date;
    double sn = 0;      // 0 for Null, as the record sets read it
    bool snNull = false;
};

// The ends of the calendar: a dated entry's F2 lies between them, Null and
// text that is no date do not, as datediff gives them no day.
const QString kFirstDay = QStringLiteral("'0001-01-01'");
const QString kPastLastDay = QStringLiteral("'9999-12-32'");

LedgerRow rowAt(const Statement& st)
{
    return {true, st.columnText(0), st.columnDouble(1), st.columnIsNull(1)};
}

// The first row of a look-up on F2 and SN, with the document left out bound as ?1.
LedgerRow firstRow(const QString& nativeSql, const QString& docNo)
{
    Statement st(Db(), nativeSql);
    st.bind(1, docNo);
    return st.step() ? rowAt(st) : LedgerRow();
}

// Whether a is the first row of "order by SN desc" before b: a Null number
// comes last; among equal numbers the earlier stored date comes first, as the
// look-up through the date index meets them and sorts them.
bool ranksAbove(const LedgerRow& a, const LedgerRow& b)
{
    if (a.snNull || b.snNull)
        return !a.snNull && b.snNull;
    return a.sn > b.sn || (a.sn == b.sn && a.date < b.date);
}

// The first row of "F2 >= first day and F2 < before and F1 <> docNo order by
// SN desc". TB1Days names each stored date's highest number among the rows
// that have a document number, so only the dates are walked, down its number
// index ("+" keeps the engine off the date index: later dates are passed, not
// sorted); a date's own rows are asked only while docNo's rows might hide its
// top (docNo has few rows), which takes the next-best date.
LedgerRow highestBefore(const QString& before, const QString& docNo)
{
    Statement days(Db(), "select F2,SN from TB1Days where +F2 >= " + kFirstDay + " and +F2 < ?1 order by SN desc");
    days.bind(1, before);
    Statement onDay(Db(), QStringLiteral("select F2,SN from TB1 where F2 = ?1 and F1 <> ?2 order by SN desc limit 1"));
    LedgerRow best;
    while (days.step()) {
        const LedgerRow day = rowAt(days);
        // No date still to come holds a row that ranks above the one found.
        if (best.found && !ranksAbove(day, best))
            break;
        onDay.bind(1, day.date);
        onDay.bind(2, docNo);
        if (onDay.step()) {
            const LedgerRow r = rowAt(onDay);
            if (!best.found || ranksAbove(r, best))
                best = r;
        }
        onDay.reset();
    }
    return best;
}

// An amount as the record sets read it: a number, Null as 0, text only when
// all of it is a number.
double amountAt(const Statement& st, int col)
{
    if (st.columnIsNull(col))
        return 0;
    if (st.columnIsNumber(col))
        return st.columnDouble(col);
    bool ok = false;
    const double v = st.columnText(col).trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

bool sameDay(const QString& dateText, const QDate& d)
{
    const auto dt = ParseDateText(dateText);
    return dt && dt->date() == d;
}

} // namespace

QString CrowdedLedgerMessage()
{
    return QStringLiteral("您历史日期中插入了过多的单据,可能会造成单据排序混乱!") + QChar(13) + QChar(13)
        + QStringLiteral("请您以001用户身份进入[综合报表]--[货品进出存明细表]中,点击[维护]菜单,刷新单据排序!");
}

int CompareLedgerDate(const QDate& d)
{
    QString newestText;
    {
        RecordSet rs = Db().openRecordset(QStringLiteral("select top 1 F2 from TB1 order by F2 desc "));
        if (!rs.eof())
            newestText = rs.field(0).toString();
    }
    const auto newest = ParseDateText(newestText);
    if (!newest)
        return 0;
    const qint64 diff = d.daysTo(newest->date());
    if (diff < 0) {
        Db().execute("update  sysinfo set setStr='" + DateText(d) + "' where ID=9999");
        return 0;
    }
    return diff == 0 ? 1 : 2;
}

double NextLedgerSN(const QDate& d, const QString& docNo, double cur, bool* crowded)
{
    if (crowded)
        *crowded = false;
    // The look-ups of "datediff('d', d, F2) < 0 / <= 0 / > 0" are ranges on
    // the stored date text.
    const QString day = DateText(d);
    const QString dayAfter = DateText(d.addDays(1));

    // base: the highest number dated on or before d; prev: before d.
    const LedgerRow onOrBefore = highestBefore(dayAfter, docNo);
    const double base = onOrBefore.found ? onOrBefore.sn : 0;
    const bool baseSameDay = onOrBefore.found && sameDay(onOrBefore.date, d);
    const double prev = highestBefore(day, docNo).sn;

    // next: the lowest number above base dated after d. Every row above base
    // is dated after d but docNo's own, those without a date and those without
    // a document number, so the sequence index is walked up from base ("+"
    // keeps the engine off the date index).
    const LedgerRow after = firstRow("select F2,SN from TB1 where +F2 >= '" + dayAfter + "' and +F2 < " + kPastLastDay
                                         + " and SN > " + SqlNum(base) + " and F1<>?1 order by SN limit 1",
                                     docNo);
    if (!after.found) {
        if (cur > prev)
            return cur;
        // Only whole numbers go into the counter, so later same-day steps of 1
        // keep landing on whole numbers.
        const double n = std::trunc(baseSameDay ? base + 2 : base + 30);
        updateCounter("update sysinfo set Setval=" + SqlNum(n) + " Where ID=100");
        return n;
    }

    const double next = after.sn;
    if (prev < cur && cur < next)
        return cur;
    const double sn = base + (next - base) / 4;
    if (sn == base && crowded)
        *crowded = true;
    return sn;
}

// What keeps TB1Days: a row that has a document number and a date raises
// its day's number; one that leaves the day (deleted, or its number, date or
// document number changed) takes the day's number from the rows still on it,
// and the day goes when none is left. Only those columns fire them: the
// balance rewrite (QC, QM) does not.
QStringList LedgerDayTriggers()
{
    const QString dated = "%1.F1 IS NOT NULL AND %1.F2 >= " + kFirstDay + " AND %1.F2 < " + kPastLastDay;
    const QString raise = QStringLiteral(
        "UPDATE TB1Days SET SN = new.SN WHERE F2 = new.F2 AND (SN < new.SN OR (SN IS NULL AND new.SN IS NOT NULL)); "
        "INSERT INTO TB1Days (F2, SN) SELECT new.F2, new.SN WHERE NOT EXISTS (SELECT 1 FROM TB1Days WHERE F2 = new.F2); ");
    const QString lower = QStringLiteral(
        "UPDATE TB1Days SET SN = (SELECT SN FROM TB1 WHERE F2 = old.F2 AND F1 IS NOT NULL ORDER BY SN DESC LIMIT 1) "
        "WHERE F2 = old.F2 AND (SN <= old.SN OR SN IS NULL); "
        "DELETE FROM TB1Days WHERE F2 = old.F2 AND SN IS NULL "
        "AND NOT EXISTS (SELECT 1 FROM TB1 WHERE F2 = old.F2 AND F1 IS NOT NULL); ");
    auto trigger = [](const QString& name, const QString& event, const QString& when, const QString& body) {
        return QStringLiteral("CREATE TRIGGER \"%1\" AFTER %2 ON \"TB1\" WHEN %3 BEGIN %4END").arg(name, event, when, body);
    };
    return {trigger("TB1Days_insert", "INSERT", dated.arg("new"), raise),
            trigger("TB1Days_delete", "DELETE", dated.arg("old"), lower),
            trigger("TB1Days_update_old", "UPDATE OF SN, F2, F1", dated.arg("old"), lower),
            trigger("TB1Days_update_new", "UPDATE OF SN, F2, F1", dated.arg("new"), raise)};
}

void RebuildLedgerSummary(Database& db)
{
    Transaction tx(db);
    db.executeNative(QStringLiteral("DELETE FROM TB1Days"));
    db.executeNative("INSERT INTO TB1Days (F2, SN) SELECT F2, max(SN) FROM TB1 WHERE F1 IS NOT NULL AND F2 >= " + kFirstDay
                     + " AND F2 < " + kPastLastDay + " GROUP BY F2");
    tx.commit();
}

void EmptyLedger(Database& db)
{
    Transaction tx(db);
    // Without its triggers the engine clears the table whole instead of
    // deleting it row by row, each row firing them; they come back as stored.
    std::vector<std::pair<QString, QString>> triggers;
    {
        Statement st(db, QStringLiteral("select name, sql from sqlite_master where type='trigger' and lower(tbl_name)='tb1' order by rowid"));
        while (st.step())
            triggers.emplace_back(st.columnText(0), st.columnText(1));
    }
    for (const auto& [name, sql] : triggers)
        db.executeNative("DROP TRIGGER \"" + name + '"');
    db.executeNative(QStringLiteral("DELETE FROM TB1"));
    {
        Statement st(db, QStringLiteral("select count(*) from sqlite_master where type='table' and lower(name)='tb1days'"));
        if (st.step() && st.columnInt64(0) > 0)
            db.executeNative(QStringLiteral("DELETE FROM TB1Days"));
    }
    for (const auto& [name, sql] : triggers)
        db.executeNative(sql);
    tx.commit();
}

void RecalcBalances(double sn, const QString& party) { BalanceRewriter(Db()).recalc(sn, party); }

double TakeLedgerSN(const QDate& entryDate, const QString& docNo, bool readCounterAfterStep1, bool* crowded)
{
    if (crowded)
        *crowded = false;
    updateCounter(QStringLiteral("update sysinfo set Setval=setval+1 Where ID=100"));
    if (readCounterAfterStep1)
        readCounter();
    switch (CompareLedgerDate(entryDate)) {
    case 0:
        updateCounter(QStringLiteral("update sysinfo set Setval=setval+30 Where ID=100"));
        return readCounter();
    case 1:
        updateCounter(QStringLiteral("update sysinfo set Setval=setval+1 Where ID=100"));
        return readCounter();
    default:
        return NextLedgerSN(entryDate, docNo, 0, crowded);
    }
}

// ---------------------------------------------------------------- balance rewriting

namespace {

// amountAt for an argument of an SQL function: the same reading of the same
// value, so both ways reach the same sums.
double amountOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return 0;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        bool ok = false;
        const double x = (p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString()).trimmed().toDouble(&ok);
        return ok && std::isfinite(x) ? x : 0;
    }
    }
}

bool isNumber(sqlite3_value* v)
{
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// Where in v, sorted by rowid, the row `rowid` lies, looked for from `at`
// on: the engine asks for the rows it writes in file order, so the row is
// mostly at `at` or just after it. `at` is left there for the next call.
// v.size() when v holds no such row.
template <class Row>
size_t FindByRowid(const std::vector<Row>& v, size_t& at, qint64 rowid)
{
    const auto holds = [&](size_t i) { return i < v.size() && v[i].rowid == rowid; };
    if (!holds(at)) {
        if (holds(at + 1))
            ++at;
        else
            at = size_t(std::lower_bound(v.begin(), v.end(), rowid, [](const Row& r, qint64 id) { return r.rowid < id; })
                        - v.begin());
    }
    return holds(at) ? at : v.size();
}

// One party's walk inside the rewriting UPDATE. Its WHERE calls walk() on
// each of the party's rows from the first SN on, in the order the index hands
// them over, which is the order the row-by-row walk reads them in (SN, then
// rowid); the SET then asks for the balances walk() worked out for the row.
struct BalanceWalk {
    struct Change {
        qint64 rowid;
        double qc, qm;
    };

    BalanceWalk(double opening, double firstSn)
        : bal(opening),
          from(firstSn)
    {
    }

    double bal;
    double from;
    bool started = false;
    double lastSn = 0;
    qint64 lastRowid = 0;
    // A row came out of order (or one the walk does not take): the rest of
    // the walk writes nothing and the party is done again row by row.
    bool outOfOrder = false;
    std::vector<Change> changes;                // the rows let through, in the order walked
    std::vector<Change> byRowid; // the same in file order, made when the SET first asks for an earlier row
    size_t cursor = 0;           // where in byRowid the next row asked for should be
    size_t written = 0;

    // Whether the row must be written; its balances are kept for the SET.
    bool walk(qint64 rowid, sqlite3_value* sn, sqlite3_value* yf, sqlite3_value* fk, sqlite3_value* qc,
              sqlite3_value* qm)
    {
        if (outOfOrder)
            return false;
        const double s = sqlite3_value_double(sn);
        if (!isNumber(sn) || s == 0 || !(s >= from)
            || (started && (s < lastSn || (s == lastSn && rowid <= lastRowid)))) {
            outOfOrder = true;
            return false;
        }
        started = true;
        lastSn = s;
        lastRowid = rowid;
        const double before = bal;
        bal = bal + amountOf(yf) - amountOf(fk);
        if (isNumber(qc) && isNumber(qm) && sqlite3_value_double(qc) == before && sqlite3_value_double(qm) == bal)
            return false;
        changes.push_back({rowid, before, bal});
        return true;
    }

    // The balances of a row walk() let through; null when it did not. The
    // engine asks in file order after its pass, or for the row just walked.
    const Change* find(qint64 rowid)
    {
        if (!changes.empty() && changes.back().rowid == rowid)
            return &changes.back();
        if (byRowid.size() != changes.size()) {
            byRowid = changes;
            std::sort(byRowid.begin(), byRowid.end(),
                      [](const Change& a, const Change& b) { return a.rowid < b.rowid; });
            cursor = 0;
        }
        const size_t i = FindByRowid(byRowid, cursor, rowid);
        return i < byRowid.size() ? &byRowid[i] : nullptr;
    }
};

// The walk the running UPDATE belongs to. The program uses its connection
// from one thread; a function called with no walk running fails its statement.
thread_local BalanceWalk* tWalk = nullptr;

class RunningWalk {
public:
    explicit RunningWalk(BalanceWalk* w)
        : m_previous(tWalk)
    {
        tWalk = w;
    }
    ~RunningWalk() { tWalk = m_previous; }
    RunningWalk(const RunningWalk&) = delete;
    RunningWalk& operator=(const RunningWalk&) = delete;

private:
    BalanceWalk* m_previous;
};

void walkFunc(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (!tWalk) {
        sqlite3_result_error(ctx, "ledger_walk: no balance rewrite is running", -1);
        return;
    }
    sqlite3_result_int(ctx, tWalk->walk(sqlite3_value_int64(argv[0]), argv[1], argv[2], argv[3], argv[4], argv[5]));
}

void balanceFunc(sqlite3_context* ctx, sqlite3_value* rowid, bool after)
{
    const BalanceWalk::Change* c = tWalk ? tWalk->find(sqlite3_value_int64(rowid)) : nullptr;
    if (!c) {
        sqlite3_result_error(ctx, "ledger_balance: the row was not walked", -1);
        return;
    }
    if (after)
        ++tWalk->written;
    sqlite3_result_double(ctx, after ? c->qm : c->qc);
}

// The walk one row at a time: read in SN order, then the rows whose balances
// change written in file order, so each page is visited once, in turn.
void rewriteRowByRow(Database& db, double sn, const QString& party, double bal)
{
    struct Change {
        qint64 rowid;
        double qc, qm;
    };
    std::vector<Change> changes;
    {
        Statement rows(db, QStringLiteral("select rowid,YF,FK,QC,QM from TB1 where SN<>0 AND SN>=?2 and F3=?1 ORDER BY SN"));
        rows.bind(1, party);
        rows.bind(2, sn);
        while (rows.step()) {
            const double qc = bal;
            bal = bal + amountAt(rows, 1) - amountAt(rows, 2);
            if (rows.columnIsNumber(3) && rows.columnIsNumber(4) && rows.columnDouble(3) == qc && rows.columnDouble(4) == bal)
                continue;
            changes.push_back({rows.columnInt64(0), qc, bal});
        }
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.rowid < b.rowid; });
    Statement update(db, QStringLiteral("update TB1 set QC=?1,QM=?2 where rowid=?3"));
    for (const Change& c : changes) {
        update.bind(1, c.qc);
        update.bind(2, c.qm);
        update.bindInt64(3, c.rowid);
        update.run();
    }
}

// The functions of the rewrite of a whole list in file order (below).
void registerFileOrderFunctions(sqlite3* db);

} // namespace

void RegisterBalanceFunctions(sqlite3* db)
{
    // Not deterministic: called once per row, in turn, never folded away.
    sqlite3_create_function(db, "ledger_walk", 6, SQLITE_UTF8, nullptr, walkFunc, nullptr, nullptr);
    sqlite3_create_function(
        db, "ledger_balance_before", 1, SQLITE_UTF8, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { balanceFunc(c, a[0], false); }, nullptr, nullptr);
    sqlite3_create_function(
        db, "ledger_balance_after", 1, SQLITE_UTF8, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { balanceFunc(c, a[0], true); }, nullptr, nullptr);
    registerFileOrderFunctions(db);
}

namespace {
// Rows from a number on up to which a party is rewritten row by row.
constexpr int kFewRows = 32;
} // namespace

struct BalanceRewriter::Statements {
    // Rows at SN 0 are out of the order (being renumbered): their stale QM
    // must not open the chain.
    Statement opening;
    Statement rewrite;
    // Whether a party has more than kFewRows rows from a number on, told from
    // its index alone.
    Statement many;

    explicit Statements(Database& db)
        : opening(db,
                  QStringLiteral("select QM from TB1 where (F3=?1 AND not (F6='' or F6 is null)) "
                                 "and SN<?2 and SN<>0 order by SN desc limit 1")),
          rewrite(db, BalanceRewriter::rewriteSql()),
          many(db, QStringLiteral("select count(*) from (select 1 from TB1 where F3=?1 and SN>=?2 and SN<>0 limit %1)")
                       .arg(kFewRows + 1))
    {
    }
};

QString BalanceRewriter::rewriteSql()
{
    // The walk's conditions on the index come first, so ledger_walk sees only
    // the rows the walk takes. The engine first walks the index, deciding each
    // row, then writes the rows it chose in file order (one that writes as it
    // walks, which QC and QM being in no index allows, is served as well).
    return QStringLiteral("update TB1 set QC=ledger_balance_before(rowid),QM=ledger_balance_after(rowid) "
                          "where F3=?1 and SN>=?2 and SN<>0 and ledger_walk(rowid,SN,YF,FK,QC,QM)");
}

BalanceRewriter::BalanceRewriter(Database& db)
    : m_db(db),
      m_st(std::make_unique<Statements>(db))
{
}

BalanceRewriter::~BalanceRewriter() = default;

double BalanceRewriter::opening(double sn, const QString& party)
{
    double bal = 0;
    m_st->opening.reset();
    m_st->opening.bind(1, party);
    m_st->opening.bind(2, sn);
    if (m_st->opening.step())
        bal = amountAt(m_st->opening, 0);
    m_st->opening.reset();
    return bal;
}

void BalanceRewriter::recalc(double sn, const QString& party)
{
    // A save recomputes its party from its own new entry on: a row or a few.
    // Those go row by row, each write a single-row statement; a multi-row
    // UPDATE inside the save's transaction costs the engine a statement
    // journal, which for a few rows takes longer than the rows themselves.
    m_st->many.reset();
    m_st->many.bind(1, party);
    m_st->many.bind(2, sn);
    const bool many = m_st->many.step() && m_st->many.columnInt64(0) > kFewRows;
    m_st->many.reset();
    if (many)
        recalcAlongIndex(sn, party);
    else
        rewriteRowByRow(m_db, sn, party, opening(sn, party));
}

void BalanceRewriter::recalcAlongIndex(double sn, const QString& party)
{
    const double bal = opening(sn, party);

    BalanceWalk walk(bal, sn);
    {
        RunningWalk running(&walk);
        m_st->rewrite.reset();
        m_st->rewrite.bind(1, party);
        m_st->rewrite.bind(2, sn);
        m_st->rewrite.run();
    }
    // Out of order, whatever the UPDATE wrote is overwritten: the walk row by
    // row rewrites every row whose balances are not its own, and reads only
    // amounts and the opening row, which the UPDATE did not touch.
    if (walk.outOfOrder || walk.written != walk.changes.size())
        rewriteRowByRow(m_db, sn, party, bal);
}

// ---------------------------------------------------------------- a whole list of parties

namespace {

// From this many names on, a list whose parties' rows lie apart is done in
// passes over the whole ledger.
constexpr qsizetype kWholeLedgerFrom = 16;
// Rows further apart in the file than this seldom share a page.
constexpr qint64 kRowsApart = 16;

// How the listed parties' rows lie in the file, told from the rows of a few
// parties spread over the list: apart, each on a page of its own among other
// parties' rows (a file filled in entry order), rather than together (as the
// posting service places each party's rows); and in SN order.
struct RowLayout {
    bool apart = false;
    bool inSnOrder = true;
};

RowLayout rowLayout(Database& db, const QStringList& parties)
{
    Statement first(db, QStringLiteral("select rowid from TB1 where F3=?1 and SN>=0 and SN<>0 order by SN limit 64"));
    std::vector<qint64> gaps;
    RowLayout layout;
    const qsizetype samples = std::min<qsizetype>(parties.size(), 24);
    for (qsizetype i = 0; i < samples; ++i) {
        first.reset();
        first.bind(1, parties[i * parties.size() / samples]);
        std::vector<qint64> ids;
        while (first.step())
            ids.push_back(first.columnInt64(0));
        if (!std::is_sorted(ids.begin(), ids.end()))
            layout.inSnOrder = false;
        std::sort(ids.begin(), ids.end());
        for (size_t k = 1; k < ids.size(); ++k)
            gaps.push_back(ids[k] - ids[k - 1]);
    }
    first.reset();
    if (gaps.empty())
        return layout;
    std::nth_element(gaps.begin(), gaps.begin() + qsizetype(gaps.size() / 2), gaps.end());
    layout.apart = gaps[gaps.size() / 2] > kRowsApart;
    return layout;
}

// A party name as the ledger's F3 compares it (NOCASE: ASCII letters without
// case, every other byte as it is).
void partyKey(const char* p, int n, std::string& key)
{
    key.assign(p, size_t(n));
    FoldNocase(key.data(), qsizetype(key.size()));
}

// One row of a listed party in the ledger, as read in file order: first its
// amounts, then (once its party is walked) its balances.
struct ListedRow {
    qint64 rowid;
    double sn;
    double a, b; // YF, FK; then QC, QM
    quint32 chain;
    bool walked;
};

// The rows of the ledger in file order, as the rewriting UPDATE passes them,
// against the balances worked out for the listed parties' rows.
struct FileOrderWrite {
    const std::vector<ListedRow>& rows;
    size_t next = 0;
    qint64 lastRowid = 0;
    bool started = false;
    bool outOfOrder = false;
    const ListedRow* current = nullptr;
    size_t found = 0; // where find() found its last row
    size_t flagged = 0;
    size_t written = 0;

    bool check(qint64 rowid, sqlite3_value* qc, sqlite3_value* qm)
    {
        current = nullptr;
        if (outOfOrder)
            return false;
        if (started && rowid <= lastRowid) {
            outOfOrder = true;
            return false;
        }
        started = true;
        lastRowid = rowid;
        while (next < rows.size() && rows[next].rowid < rowid)
            ++next;
        if (next == rows.size() || rows[next].rowid != rowid || !rows[next].walked)
            return false;
        const ListedRow& r = rows[next];
        if (isNumber(qc) && isNumber(qm) && sqlite3_value_double(qc) == r.a && sqlite3_value_double(qm) == r.b)
            return false;
        current = &r;
        ++flagged;
        return true;
    }

    // A row check() let through: the one just checked, or (the engine writes
    // after its whole pass, in file order) the next one on from the last found.
    const ListedRow* find(qint64 rowid)
    {
        if (current && current->rowid == rowid)
            return current;
        const size_t i = FindByRowid(rows, found, rowid);
        return i < rows.size() && rows[i].walked ? &rows[i] : nullptr;
    }
};

thread_local FileOrderWrite* tWrite = nullptr;

void fileOrderCheckFunc(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (!tWrite) {
        sqlite3_result_error(ctx, "ledger_file_order: no balance rewrite is running", -1);
        return;
    }
    sqlite3_result_int(ctx, tWrite->check(sqlite3_value_int64(argv[0]), argv[1], argv[2]));
}

void fileOrderBalanceFunc(sqlite3_context* ctx, sqlite3_value* rowid, bool after)
{
    const ListedRow* r = tWrite ? tWrite->find(sqlite3_value_int64(rowid)) : nullptr;
    if (!r) {
        sqlite3_result_error(ctx, "ledger_file_balance: the row was not checked", -1);
        return;
    }
    if (after)
        ++tWrite->written;
    sqlite3_result_double(ctx, after ? r->b : r->a);
}

// The walk of every listed party in one pass over the ledger in file order,
// for a file whose parties' rows lie there in SN order (filled in entry
// order): each row's balances follow from the party's rows before it in the
// file. A party with a row out of that order is left for the passes below.
struct FusedWalk {
    std::unordered_map<std::string, quint32> chainOf;
    std::vector<double> bal, lastSn;
    std::vector<char> started, broken;
    std::vector<ListedRow> rows; // the rows to write, in file order
    std::string key;
    qint64 lastRowid = 0;
    bool any = false;
    bool outOfOrder = false;

    // rowid, F3, SN, YF, FK, QC, QM; whether the row must be written.
    bool walk(sqlite3_value** a)
    {
        if (outOfOrder)
            return false;
        const qint64 rowid = sqlite3_value_int64(a[0]);
        if (any && rowid <= lastRowid) {
            outOfOrder = true;
            return false;
        }
        any = true;
        lastRowid = rowid;
        if (sqlite3_value_type(a[1]) != SQLITE_TEXT)
            return false;
        const auto* f3 = reinterpret_cast<const char*>(sqlite3_value_text(a[1]));
        partyKey(f3, sqlite3_value_bytes(a[1]), key);
        const auto it = chainOf.find(key);
        if (it == chainOf.end())
            return false;
        const quint32 c = it->second;
        if (broken[c])
            return false;
        const double s = sqlite3_value_double(a[2]);
        if (!isNumber(a[2]) || (started[c] && s < lastSn[c])) {
            broken[c] = 1;
            return false;
        }
        if (s == 0 || !(s >= 0))
            return false;
        started[c] = 1;
        lastSn[c] = s;
        const double before = bal[c];
        bal[c] = bal[c] + amountOf(a[3]) - amountOf(a[4]);
        if (isNumber(a[5]) && isNumber(a[6]) && sqlite3_value_double(a[5]) == before
            && sqlite3_value_double(a[6]) == bal[c])
            return false;
        rows.push_back({rowid, s, before, bal[c], c, true});
        return true;
    }
};

thread_local FusedWalk* tFused = nullptr;

void registerFileOrderFunctions(sqlite3* db)
{
    sqlite3_create_function(
        db, "ledger_file_walk", 7, SQLITE_UTF8, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) {
            if (!tFused)
                sqlite3_result_error(c, "ledger_file_walk: no balance rewrite is running", -1);
            else
                sqlite3_result_int(c, tFused->walk(a));
        },
        nullptr, nullptr);
    sqlite3_create_function(db, "ledger_file_order", 3, SQLITE_UTF8, nullptr, fileOrderCheckFunc, nullptr, nullptr);
    sqlite3_create_function(
        db, "ledger_file_before", 1, SQLITE_UTF8, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { fileOrderBalanceFunc(c, a[0], false); }, nullptr, nullptr);
    sqlite3_create_function(
        db, "ledger_file_after", 1, SQLITE_UTF8, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { fileOrderBalanceFunc(c, a[0], true); }, nullptr, nullptr);
}

} // namespace

void BalanceRewriter::recalcList(const QStringList& parties, const std::function<void(const QString&)>& onParty)
{
    const RowLayout layout = parties.size() < kWholeLedgerFrom ? RowLayout() : rowLayout(m_db, parties);
    if (!layout.apart) {
        for (const QString& party : parties) {
            onParty(party);
            recalc(0, party);
        }
        return;
    }
    if (!layout.inSnOrder) {
        walkInTwoPasses(parties, onParty);
        return;
    }
    const QStringList again = walkInOnePass(parties, onParty);
    if (!again.isEmpty())
        walkInTwoPasses(again, [](const QString&) {});
}

QStringList BalanceRewriter::walkInOnePass(const QStringList& parties,
                                           const std::function<void(const QString&)>& onParty)
{
    FusedWalk walk;
    std::vector<quint32> chainOfName;
    std::string key;
    for (const QString& party : parties) {
        const QByteArray utf8 = party.toUtf8();
        partyKey(utf8.constData(), int(utf8.size()), key);
        const auto [it, fresh] = walk.chainOf.try_emplace(key, quint32(walk.chainOf.size()));
        chainOfName.push_back(it->second);
        onParty(party);
        if (fresh)
            walk.bal.push_back(opening(0, party));
    }
    const size_t chains = walk.chainOf.size();
    walk.lastSn.assign(chains, 0);
    walk.started.assign(chains, 0);
    walk.broken.assign(chains, 0);

    FileOrderWrite write{walk.rows};
    {
        tFused = &walk;
        tWrite = &write;
        struct Clear {
            ~Clear()
            {
                tFused = nullptr;
                tWrite = nullptr;
            }
        } clear;
        Statement rewrite(
            m_db,
            QStringLiteral("update TB1 not indexed set QC=ledger_file_before(rowid),QM=ledger_file_after(rowid) "
                           "where SN<>0 and SN>=0 and ledger_file_walk(rowid,F3,SN,YF,FK,QC,QM)"));
        rewrite.run();
    }
    // A party whose rows do not come in SN order in the file (or the file
    // itself out of order) is done again in two passes, which rewrite
    // whatever does not hold the walk's balances.
    const bool all = walk.outOfOrder || write.written != walk.rows.size();
    QStringList again;
    std::vector<char> taken(chains, 0);
    for (qsizetype n = 0; n < parties.size(); ++n) {
        const quint32 c = chainOfName[size_t(n)];
        if ((all || walk.broken[c]) && !taken[c]) {
            taken[c] = 1;
            again << parties[n];
        }
    }
    return again;
}

void BalanceRewriter::walkInTwoPasses(const QStringList& parties, const std::function<void(const QString&)>& onParty)
{
    // The parties as the ledger tells them apart: names that differ only in
    // the case of ASCII letters are one party, walked once.
    std::unordered_map<std::string, quint32> chainOf;
    std::vector<quint32> chainOfName;
    std::string key;
    for (const QString& party : parties) {
        const QByteArray utf8 = party.toUtf8();
        partyKey(utf8.constData(), int(utf8.size()), key);
        chainOfName.push_back(chainOf.try_emplace(key, quint32(chainOf.size())).first->second);
    }
    const size_t chains = chainOf.size();

    // Pass 1: every row the walk of a listed party takes, in file order. A
    // party with a number that is no number is left to its own walk.
    std::vector<ListedRow> rows;
    std::vector<char> ownWalk(chains, 0);
    bool inFileOrder = true;
    {
        Statement scan(m_db, QStringLiteral("select rowid,F3,SN,YF,FK from TB1 not indexed where SN<>0 and SN>=0"));
        qint64 lastRowid = 0;
        bool scanned = false;
        while (scan.step()) {
            const qint64 rowid = scan.columnInt64(0);
            if (scanned && rowid <= lastRowid)
                inFileOrder = false;
            scanned = true;
            lastRowid = rowid;
            if (!scan.columnIsText(1))
                continue;
            partyKey(scan.columnUtf8(1), scan.columnBytes(1), key);
            const auto it = chainOf.find(key);
            if (it == chainOf.end())
                continue;
            if (!scan.columnIsNumber(2)) {
                ownWalk[it->second] = 1;
                continue;
            }
            rows.push_back({rowid, scan.columnDouble(2), amountAt(scan, 3), amountAt(scan, 4), it->second, false});
        }
    }

    // Each party's rows in SN order, equal numbers in file order.
    std::vector<size_t> start(chains + 1, 0);
    for (const ListedRow& r : rows)
        ++start[r.chain + 1];
    for (size_t c = 0; c < chains; ++c)
        start[c + 1] += start[c];
    std::vector<quint32> order(rows.size());
    {
        std::vector<size_t> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < rows.size(); ++i)
            order[fill[rows[i].chain]++] = quint32(i);
    }

    std::vector<char> done(chains, 0);
    for (qsizetype n = 0; n < parties.size(); ++n) {
        onParty(parties[n]);
        const quint32 c = chainOfName[size_t(n)];
        if (done[c] || ownWalk[c])
            continue;
        done[c] = 1;
        const auto first = order.begin() + qsizetype(start[c]), last = order.begin() + qsizetype(start[c + 1]);
        const auto bySn = [&](quint32 x, quint32 y) { return rows[x].sn < rows[y].sn; };
        if (!std::is_sorted(first, last, bySn))
            std::stable_sort(first, last, bySn);
        double bal = opening(0, parties[n]);
        for (auto i = first; i != last; ++i) {
            ListedRow& r = rows[*i];
            const double before = bal;
            bal = bal + r.a - r.b;
            r.a = before;
            r.b = bal;
            r.walked = true;
        }
    }

    // Pass 2: the rows whose balances change, rewritten in file order.
    FileOrderWrite write{rows};
    if (inFileOrder) {
        tWrite = &write;
        struct Clear {
            ~Clear() { tWrite = nullptr; }
        } clear;
        Statement rewrite(
            m_db,
            QStringLiteral("update TB1 not indexed set QC=ledger_file_before(rowid),QM=ledger_file_after(rowid) "
                           "where ledger_file_order(rowid,QC,QM)"));
        rewrite.run();
    }
    // Out of file order, every party is walked again on its own, which
    // rewrites whatever does not hold the walk's balances.
    const bool again = !inFileOrder || write.outOfOrder || write.written != write.flagged;
    std::vector<char> redone(chains, 0);
    for (qsizetype n = 0; n < parties.size(); ++n) {
        const quint32 c = chainOfName[size_t(n)];
        if ((again || ownWalk[c]) && !redone[c]) {
            redone[c] = 1;
            recalc(0, parties[n]);
        }
    }
}
