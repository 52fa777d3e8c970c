#include "data/posting.h"

#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <QSet>

#include <algorithm>

QString LedgerKind::partyListSql() const
{
    return channels() ? QStringLiteral("select F2 from M01 order by F1") : QStringLiteral("select F2 from M03 order by F1");
}

const QList<LedgerKind>& LedgerKinds()
{
    static const QList<LedgerKind> kinds{
        {kPayableAdded, QStringLiteral("增加应付款"), QStringLiteral("增加应付"), QStringLiteral("YF"), false},
        {kReceivableAdded, QStringLiteral("增加应收款"), QStringLiteral("增加应收"), QStringLiteral("YS"), false},
        {kPaymentMade, QStringLiteral("付款"), QStringLiteral("付款"), QStringLiteral("FK"), true},
        {kReceiptTaken, QStringLiteral("收款"), QStringLiteral("收款"), QStringLiteral("SK"), true},
    };
    return kinds;
}

const LedgerKind& LedgerKindOf(int lb)
{
    for (const LedgerKind& k : LedgerKinds())
        if (k.lb == lb)
            return k;
    throw DbError(QStringLiteral("未知的帐款类别 (LB=%1)").arg(lb));
}

namespace {

constexpr int kBlockBits = 36; // room for 6 * 10^10 entries per party
constexpr int kPartyBits = 26; // a thousand parties rarely share a block

// Text columns compare without regard to ASCII case: "ABC" and "abc" are
// one party, one document number.
QByteArray nocaseKey(const QString& text)
{
    QByteArray k = text.toUtf8();
    FoldNocase(k.data(), k.size());
    return k;
}

} // namespace

qint64 LedgerRowBlock(const QString& party)
{
    // FNV-1a: stable across runs and builds, unlike a seeded hash.
    quint64 h = 1469598103934665603ULL;
    for (char c : nocaseKey(party)) {
        h ^= quint8(c);
        h *= 1099511628211ULL;
    }
    const quint64 slot = (h >> (64 - kPartyBits)) + 1; // block 0 is left to rows numbered the usual way
    return qint64(slot << kBlockBits);
}

namespace {

// The prefixes and kinds of a waybill's two postings.
const LedgerDocument kWaybillPostings[] = {{QStringLiteral("YS"), kReceivableAdded}, {QStringLiteral("YF"), kPayableAdded}};

} // namespace

QList<LedgerDocument> WaybillPostings(const QString& number)
{
    QList<LedgerDocument> docs;
    for (const LedgerDocument& p : kWaybillPostings)
        docs.append({p.docNo + number, p.lb});
    return docs;
}

QString WaybillNumberHeldBy(const QString& number, bool ownPostings)
{
    const QList<LedgerDocument> postings = WaybillPostings(number);
    Statement st(Db(), QStringLiteral("select F1,LB from TB1 where F1=?1 or F1=?2 order by rowid"));
    st.bind(1, postings[0].docNo);
    st.bind(2, postings[1].docNo);
    int own[2] = {0, 0};
    while (st.step()) {
        const QString docNo = st.columnText(0);
        const qint64 lb = st.columnInt64(1);
        bool mine = false;
        for (int i = 0; i < 2 && ownPostings && !mine; ++i) {
            if (lb == postings[i].lb && nocaseKey(docNo) == nocaseKey(postings[i].docNo))
                mine = ++own[i] == 1; // a second one beside it is another entry's
        }
        if (!mine)
            return docNo;
    }
    return QString();
}

QString FirstLedgerDocNoTaken(const QStringList& docNos)
{
    if (docNos.isEmpty())
        return QString();
    QStringList numbers, waybills;
    for (const QString& d : docNos) {
        numbers << SqlQuote(d);
        for (const LedgerDocument& p : kWaybillPostings)
            if (d.size() > p.docNo.size() && d.startsWith(p.docNo, Qt::CaseInsensitive))
                waybills << SqlQuote(d.mid(p.docNo.size()));
    }
    QSet<QByteArray> taken;
    Database& db = Db();
    for (RecordSet rs = db.openRecordset("select F1 from TB1 where F1 in (" + numbers.join(',') + ")"); !rs.eof(); rs.moveNext())
        taken.insert(nocaseKey(rs.field(0).toString()));
    if (!waybills.isEmpty()) {
        for (RecordSet rs = db.openRecordset("select F1 from B01 where F1 in (" + waybills.join(',') + ")"); !rs.eof();
             rs.moveNext())
            for (const LedgerDocument& d : WaybillPostings(rs.field(0).toString()))
                taken.insert(nocaseKey(d.docNo));
    }
    for (const QString& d : docNos)
        if (taken.contains(nocaseKey(d)))
            return d;
    return QString();
}

namespace {

// A posting half-done outside a transaction would leave a raised counter or a
// row without balances behind: refuse it before anything is written.
void requireTransaction()
{
    if (!Db().inTransaction())
        throw DbError(QStringLiteral("帐款过帐必须在事务中进行 (ledger posting outside a transaction)"));
}

QString operatorOf(const LedgerEntry& e)
{
    return e.operatorName.isEmpty() ? gUserName : e.operatorName;
}

QString savedAtOf(const LedgerEntry& e)
{
    return DateTimeText(e.savedAt.isValid() ? e.savedAt : QDateTime::currentDateTime());
}

} // namespace

qint64 LedgerPosting::nextRowId(const QString& party)
{
    const qint64 block = LedgerRowBlock(party);
    Statement st(Db(), QStringLiteral("select max(rowid) from TB1 where rowid >= ?1 and rowid < ?2"));
    st.bindInt64(1, block);
    st.bindInt64(2, block + (qint64(1) << kBlockBits));
    return st.step() && !st.columnIsNull(0) ? st.columnInt64(0) + 1 : block;
}

void LedgerPosting::insert(const LedgerEntry& e, double sn)
{
    const LedgerKind& kind = LedgerKindOf(e.lb);
    // "or fail": a taken row number fails the one row all the same, and the
    // engine keeps no statement journal for it (the ledger's triggers would
    // otherwise make every posting copy each page it touches first).
    Statement st(Db(), QStringLiteral("insert or fail into TB1 (S2,SN,LB,F1,F2,F3,%1,S1,F5,F6,F10,H8,rowid) "
                                      "values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?9,?10,?11,?12)")
                           .arg(kind.moneyColumn()));
    st.bind(1, kind.business);
    st.bind(2, sn);
    st.bindInt64(3, kind.lb);
    st.bind(4, e.docNo);
    st.bind(5, DateText(e.date));
    st.bind(6, e.party);
    st.bind(7, e.amount);
    st.bind(8, e.handler);
    st.bind(9, operatorOf(e));
    st.bind(10, e.remark);
    st.bind(11, savedAtOf(e));
    st.bindInt64(12, nextRowId(e.party));
    st.run();
}

double LedgerPosting::post(const LedgerEntry& e, const QString& numberAs)
{
    requireTransaction();
    LedgerKindOf(e.lb); // an unknown kind fails before the counter moves
    bool crowded = false;
    // The raised counter is read back for every entry, a back-dated one too: a
    // counter row that has lost its number fails the save instead of going unseen.
    const double sn = TakeLedgerSN(e.date, numberAs, true, &crowded);
    m_crowded = m_crowded || crowded;
    insert(e, sn);
    recalcFrom(sn, e.party);
    return sn;
}

void LedgerPosting::postAt(const LedgerEntry& e, double sn)
{
    requireTransaction();
    insert(e, sn);
    recalcFrom(sn, e.party);
}

void LedgerPosting::recalcFrom(double sn, const QString& party)
{
    if (m_holding == 0) {
        RecalcBalances(sn, party);
        return;
    }
    const QByteArray key = nocaseKey(party);
    for (HeldRecalc& held : m_held) {
        if (held.key == key) {
            held.sn = std::min(held.sn, sn);
            return;
        }
    }
    m_held.push_back({party, key, sn});
}

void LedgerPosting::inOneRewrite(const std::function<void()>& writes)
{
    requireTransaction();
    const bool outermost = m_holding == 0;
    ++m_holding;
    try {
        writes();
    } catch (...) {
        --m_holding;
        if (outermost)
            m_held.clear();
        throw;
    }
    --m_holding;
    if (!outermost)
        return;
    // The rows before a party's earliest change are as they were, and so is
    // the balance its recomputation opens with.
    std::vector<HeldRecalc> held;
    held.swap(m_held);
    BalanceRewriter rewriter(Db());
    for (const HeldRecalc& h : held)
        rewriter.recalc(h.sn, h.party);
}

namespace {

// The stored row a key names; the lowest rowid when a file holds the same
// row twice, so a change still touches one row only.
struct StoredEntry {
    qint64 rowid = 0;
    double sn = 0;
    QString party;
    bool hasParty = false;
};

StoredEntry storedEntry(const LedgerRowKey& row, const QString& missing)
{
    Statement st(Db(), QStringLiteral("select rowid,SN,F3 from TB1 where F1=?1 and LB=?2 and ifnull(SN,0)=?3 "
                                      "order by rowid limit 1"));
    st.bind(1, row.docNo);
    st.bindInt64(2, row.lb);
    st.bind(3, row.sn);
    if (!st.step())
        throw DbError(missing.arg(row.docNo));
    return {st.columnInt64(0), st.columnDouble(1), st.columnText(2), !st.columnIsNull(2)};
}

} // namespace

double LedgerPosting::edit(const LedgerRowKey& row, const LedgerEntry& e)
{
    requireTransaction();
    double sn = 0;
    // A party both before and after is recomputed once, from the earlier of
    // the entry's two places.
    inOneRewrite([&] { sn = editRow(row, e); });
    return sn;
}

double LedgerPosting::editRow(const LedgerRowKey& row, const LedgerEntry& e)
{
    const LedgerKind& kind = LedgerKindOf(row.lb);
    const StoredEntry old = storedEntry(row, QStringLiteral("找不到要修改的单据[%1]!"));
    Database& db = Db();
    // Out of the order first, so the old party's chain closes over the gap and
    // the look-ups for the new number do not see the entry where it was.
    {
        Statement out(db, QStringLiteral("update TB1 set SN=0 where rowid=?1"));
        out.bindInt64(1, old.rowid);
        out.run();
    }
    recalcFrom(old.sn, old.party);
    bool crowded = false;
    const double sn = NextLedgerSN(e.date, row.docNo, 0, &crowded);
    m_crowded = m_crowded || crowded;

    Statement st(db, QStringLiteral("update TB1 set F1=?1,F2=?2,F3=?3,%1=?4,S1=?5,F10=?6,H8=?7,SN=?8 where rowid=?9")
                         .arg(kind.moneyColumn()));
    st.bind(1, e.docNo);
    st.bind(2, DateText(e.date));
    st.bind(3, e.party);
    st.bind(4, e.amount);
    st.bind(5, e.handler);
    st.bind(6, e.remark);
    st.bind(7, savedAtOf(e));
    st.bind(8, sn);
    st.bindInt64(9, old.rowid);
    st.run();
    // An entry that changes party moves to the new party's block.
    if (nocaseKey(old.party) != nocaseKey(e.party)) {
        Statement move(db, QStringLiteral("update TB1 set rowid=?1 where rowid=?2"));
        move.bindInt64(1, nextRowId(e.party));
        move.bindInt64(2, old.rowid);
        move.run();
    }
    recalcFrom(sn, e.party);
    return sn;
}

void LedgerPosting::removeEntry(const LedgerRowKey& row)
{
    requireTransaction();
    const StoredEntry old = storedEntry(row, QStringLiteral("找不到要删除的单据[%1]!"));
    Statement st(Db(), QStringLiteral("delete from TB1 where rowid=?1"));
    st.bindInt64(1, old.rowid);
    st.run();
    // A row at SN 0 is out of the order already: its going changes no balance.
    if (old.sn != 0 && old.hasParty)
        recalcFrom(old.sn, old.party);
}

int LedgerPosting::remove(const QList<LedgerDocument>& docs)
{
    requireTransaction();
    if (docs.isEmpty())
        return 0;
    // Each document's number and kind, bound: ?1 and ?2 the first, and so on.
    // Found by number: the kind's index ("+" keeps the engine off it) would
    // visit every entry of the kind, half the ledger.
    QStringList each;
    for (qsizetype i = 0; i < docs.size(); ++i)
        each << QStringLiteral("(F1=?%1 and +LB=?%2)").arg(2 * i + 1).arg(2 * i + 2);
    const QString where = each.join(QStringLiteral(" OR "));
    const auto bindDocuments = [&docs](Statement& st) {
        for (qsizetype i = 0; i < docs.size(); ++i) {
            st.bind(int(2 * i + 1), docs[i].docNo);
            st.bindInt64(int(2 * i + 2), docs[i].lb);
        }
    };
    Database& db = Db();
    // Where each touched party's chain has to be redone from. Rows at SN 0 are
    // out of the order already: their going changes no balance.
    QList<QPair<QString, double>> parties;
    {
        Statement st(db, "select F3,min(SN) from TB1 where (" + where + ") and SN<>0 and F3 is not null group by F3");
        bindDocuments(st);
        while (st.step())
            parties.append({st.columnText(0), st.columnDouble(1)});
    }
    Statement del(db, "delete from TB1 where " + where);
    bindDocuments(del);
    const int n = del.run();
    for (const auto& [party, sn] : parties)
        recalcFrom(sn, party);
    return n;
}

QString LedgerPosting::warning() const
{
    return m_crowded ? CrowdedLedgerMessage() : QString();
}
