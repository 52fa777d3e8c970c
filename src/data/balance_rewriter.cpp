#include "data/balance_rewriter.h"

#include "data/balance_walks.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/statement.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

void RecalcBalances(double sn, const QString& party) { BalanceRewriter(Db()).recalc(sn, party); }

namespace {

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
        Statement rows(
            db, QStringLiteral("select rowid,YF,FK,QC,QM from TB1 where SN<>0 AND SN>=?2 and F3=?1 ORDER BY SN"));
        rows.bind(1, party);
        rows.bind(2, sn);
        while (rows.step()) {
            const double qc = bal;
            bal = bal + amountAt(rows, 1) - amountAt(rows, 2);
            if (rows.columnIsNumber(3) && rows.columnIsNumber(4) && rows.columnDouble(3) == qc
                && rows.columnDouble(4) == bal)
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
          many(db,
               QStringLiteral("select count(*) from (select 1 from TB1 where F3=?1 and SN>=?2 and SN<>0 limit %1)")
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
        RunningWalk running(walk);
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

// The parties of a list as the ledger tells them apart: names that differ
// only in the case of ASCII letters are one party (one chain of rows), walked
// once.
struct PartyChains {
    std::unordered_map<std::string, quint32> chainOf;
    std::vector<quint32> chainOfName; // each listed name's chain, in list order

    explicit PartyChains(const QStringList& parties)
    {
        std::string key;
        for (const QString& party : parties) {
            const QByteArray utf8 = party.toUtf8();
            partyKey(utf8.constData(), int(utf8.size()), key);
            chainOfName.push_back(chainOf.try_emplace(key, quint32(chainOf.size())).first->second);
        }
    }
    size_t count() const { return chainOf.size(); }

    // The first name of each chain that `again` marks, in list order.
    QStringList namesOf(const QStringList& parties, const std::vector<char>& again) const
    {
        QStringList names;
        std::vector<char> taken(count(), 0);
        for (qsizetype n = 0; n < parties.size(); ++n) {
            const quint32 c = chainOfName[size_t(n)];
            if (again[c] && !taken[c]) {
                taken[c] = 1;
                names << parties[n];
            }
        }
        return names;
    }
};

// The rows the walks of the listed parties take, read in file order (pass 1
// of the two). A party with a number that is no number is marked for its own
// walk. Returns whether the rows came in file order.
bool readListedRows(Database& db, const PartyChains& chains, std::vector<ListedRow>& rows, std::vector<char>& ownWalk)
{
    Statement scan(db, QStringLiteral("select rowid,F3,SN,YF,FK from TB1 not indexed where SN<>0 and SN>=0"));
    std::string key;
    qint64 lastRowid = 0;
    bool scanned = false;
    bool inFileOrder = true;
    while (scan.step()) {
        const qint64 rowid = scan.columnInt64(0);
        if (scanned && rowid <= lastRowid)
            inFileOrder = false;
        scanned = true;
        lastRowid = rowid;
        if (!scan.columnIsText(1))
            continue;
        partyKey(scan.columnUtf8(1), scan.columnBytes(1), key);
        const auto it = chains.chainOf.find(key);
        if (it == chains.chainOf.end())
            continue;
        if (!scan.columnIsNumber(2)) {
            ownWalk[it->second] = 1;
            continue;
        }
        rows.push_back({rowid, scan.columnDouble(2), amountAt(scan, 3), amountAt(scan, 4), it->second, false});
    }
    return inFileOrder;
}

// Where each chain's rows begin in the returned order, and the order itself:
// the rows' indexes chain by chain, each chain's in file order.
struct ChainOrder {
    std::vector<size_t> start; // chain c's rows are order[start[c]] .. order[start[c + 1]]
    std::vector<quint32> order;
};

ChainOrder orderByChain(const std::vector<ListedRow>& rows, size_t chains)
{
    ChainOrder o;
    o.start.assign(chains + 1, 0);
    for (const ListedRow& r : rows)
        ++o.start[r.chain + 1];
    for (size_t c = 0; c < chains; ++c)
        o.start[c + 1] += o.start[c];
    o.order.resize(rows.size());
    std::vector<size_t> fill(o.start.begin(), o.start.end() - 1);
    for (size_t i = 0; i < rows.size(); ++i)
        o.order[fill[rows[i].chain]++] = quint32(i);
    return o;
}

// One chain's rows walked in SN order (equal numbers in file order) from the
// opening balance: each row's amounts become its balances.
void walkChain(std::vector<ListedRow>& rows, std::vector<quint32>::iterator first, std::vector<quint32>::iterator last,
               double bal)
{
    const auto bySn = [&](quint32 x, quint32 y) { return rows[x].sn < rows[y].sn; };
    if (!std::is_sorted(first, last, bySn))
        std::stable_sort(first, last, bySn);
    for (auto i = first; i != last; ++i) {
        ListedRow& r = rows[*i];
        const double before = bal;
        bal = bal + r.a - r.b;
        r.a = before;
        r.b = bal;
        r.walked = true;
    }
}

// The walked rows whose balances change, rewritten in file order (pass 2 of
// the two). Returns false when not every one of them was written.
bool writeInFileOrder(Database& db, const std::vector<ListedRow>& rows)
{
    FileOrderWrite write{rows};
    {
        RunningWalk running(write);
        Statement rewrite(
            db,
            QStringLiteral("update TB1 not indexed set QC=ledger_file_before(rowid),QM=ledger_file_after(rowid) "
                           "where ledger_file_order(rowid,QC,QM)"));
        rewrite.run();
    }
    return !write.outOfOrder && write.written == write.flagged;
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
    const PartyChains chains(parties);
    FusedWalk walk;
    walk.chainOf = chains.chainOf;
    std::vector<char> opened(chains.count(), 0);
    walk.bal.assign(chains.count(), 0);
    for (qsizetype n = 0; n < parties.size(); ++n) {
        const quint32 c = chains.chainOfName[size_t(n)];
        onParty(parties[n]);
        if (!opened[c]) {
            opened[c] = 1;
            walk.bal[c] = opening(0, parties[n]);
        }
    }
    walk.lastSn.assign(chains.count(), 0);
    walk.started.assign(chains.count(), 0);
    walk.broken.assign(chains.count(), 0);

    FileOrderWrite write{walk.rows};
    {
        RunningWalk runningWalk(walk);
        RunningWalk runningWrite(write);
        Statement rewrite(
            m_db,
            QStringLiteral("update TB1 not indexed set QC=ledger_file_before(rowid),QM=ledger_file_after(rowid) "
                           "where SN<>0 and SN>=0 and ledger_file_walk(rowid,F3,SN,YF,FK,QC,QM)"));
        rewrite.run();
    }
    // A party whose rows do not come in SN order in the file (or the file
    // itself out of order) is done again in two passes, which rewrite
    // whatever does not hold the walk's balances.
    if (walk.outOfOrder || write.written != walk.rows.size())
        return chains.namesOf(parties, std::vector<char>(chains.count(), 1));
    return chains.namesOf(parties, walk.broken);
}

void BalanceRewriter::walkInTwoPasses(const QStringList& parties, const std::function<void(const QString&)>& onParty)
{
    const PartyChains chains(parties);
    std::vector<ListedRow> rows;
    std::vector<char> ownWalk(chains.count(), 0);
    const bool inFileOrder = readListedRows(m_db, chains, rows, ownWalk);

    ChainOrder byChain = orderByChain(rows, chains.count());
    std::vector<char> done(chains.count(), 0);
    for (qsizetype n = 0; n < parties.size(); ++n) {
        onParty(parties[n]);
        const quint32 c = chains.chainOfName[size_t(n)];
        if (done[c] || ownWalk[c])
            continue;
        done[c] = 1;
        walkChain(rows, byChain.order.begin() + qsizetype(byChain.start[c]),
                  byChain.order.begin() + qsizetype(byChain.start[c + 1]), opening(0, parties[n]));
    }

    // Out of file order, every party is walked again on its own, which
    // rewrites whatever does not hold the walk's balances.
    const bool again = !inFileOrder || !writeInFileOrder(m_db, rows);
    std::vector<char> redo = ownWalk;
    if (again)
        redo.assign(chains.count(), 1);
    for (const QString& party : chains.namesOf(parties, redo))
        recalc(0, party);
}
