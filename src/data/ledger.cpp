#include "data/ledger.h"

#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <algorithm>
#include <cmath>
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
    double sn = 0;
};

// The ends of the calendar: a dated entry's F2 lies between them, Null and
// text that is no date do not, as datediff gives them no day.
const QString kFirstDay = QStringLiteral("'0001-01-01'");
const QString kPastLastDay = QStringLiteral("'9999-12-32'");

// The first row of a look-up on F2 and SN, with the document left out bound as ?1.
LedgerRow firstRow(const QString& nativeSql, const QString& docNo)
{
    Statement st(Db(), nativeSql);
    st.bind(1, docNo);
    LedgerRow r;
    if (st.step()) {
        r.found = true;
        r.date = st.columnText(0);
        r.sn = st.columnDouble(1);
    }
    return r;
}

QString dateText(const QString& nativeSql)
{
    Statement st(Db(), nativeSql);
    return st.step() ? st.columnText(0) : QString();
}

// Whether the highest number dated on or before a day is found sooner by
// walking the sequence index down from the top (past the entries dated later;
// the index holds date and document number, so no row is read) than through
// the date index (every entry up to that day, each row read for its number,
// some thirty times the work an entry). Both find the same row; the ledger's
// date span tells which reads less.
bool searchFromTheTop(const QDate& day)
{
    const auto oldest = ParseDateText(dateText("select min(F2) from TB1 where F2 >= " + kFirstDay));
    const auto newest = ParseDateText(dateText("select max(F2) from TB1 where F2 < " + kPastLastDay));
    if (!oldest || !newest)
        return true;
    return day.daysTo(newest->date()) <= 30 * oldest->date().daysTo(day);
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
    // The look-ups of "datediff('d', d, F2) < 0 / <= 0 / > 0" as ranges on the
    // stored date text. A "+" before a column keeps the engine from using its
    // index, so each look-up walks the index that reaches its row soonest.
    const QString day = "'" + DateText(d) + "'";
    const QString dayAfter = "'" + DateText(d.addDays(1)) + "'";

    // base: the highest number dated on or before d.
    const LedgerRow onOrBefore = searchFromTheTop(d)
        ? firstRow("select F2,SN from TB1 where +F2 >= " + kFirstDay + " and +F2 < " + dayAfter
                       + " and F1<>?1 order by SN desc limit 1", docNo)
        : firstRow("select F2,SN from TB1 where F2 >= " + kFirstDay + " and F2 < " + dayAfter
                       + " and F1<>?1 order by +SN desc limit 1", docNo);
    const double base = onOrBefore.found ? onOrBefore.sn : 0;
    const bool baseSameDay = onOrBefore.found && sameDay(onOrBefore.date, d);

    // prev: the highest number dated before d, at most base (its rows are among base's).
    const LedgerRow before = onOrBefore.found
        ? firstRow("select F2,SN from TB1 where +F2 >= " + kFirstDay + " and +F2 < " + day + " and SN <= "
                       + SqlNum(base) + " and F1<>?1 order by SN desc limit 1", docNo)
        : LedgerRow();
    const double prev = before.found ? before.sn : 0;

    // next: the lowest number above base dated after d.
    const LedgerRow after = firstRow("select F2,SN from TB1 where +F2 >= " + dayAfter + " and +F2 < " + kPastLastDay
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

void RecalcBalances(double sn, const QString& party)
{
    Database& db = Db();

    // Rows at SN 0 are out of the order (being renumbered): their stale QM
    // must not open the chain.
    double bal = 0;
    {
        Statement opening(db, QStringLiteral("select QM from TB1 where (F3=?1 AND not (F6='' or F6 is null)) "
                                             "and SN<?2 and SN<>0 order by SN desc limit 1"));
        opening.bind(1, party);
        opening.bind(2, sn);
        if (opening.step())
            bal = amountAt(opening, 0);
    }

    // The party's rows are read straight from the statement, not kept: only
    // the rows whose balances change are remembered.
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
            // A row that already holds its balances is not rewritten: a refresh
            // of a consistent ledger then writes no page at all.
            if (rows.columnIsNumber(3) && rows.columnIsNumber(4) && rows.columnDouble(3) == qc && rows.columnDouble(4) == bal)
                continue;
            changes.push_back({rows.columnInt64(0), qc, bal});
        }
    }
    // Written in file order rather than sequence order: each page is then
    // visited once, in turn.
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.rowid < b.rowid; });
    Statement update(db, QStringLiteral("update TB1 set QC=?1,QM=?2 where rowid=?3"));
    for (const Change& c : changes) {
        update.bind(1, c.qc);
        update.bind(2, c.qm);
        update.bindInt64(3, c.rowid);
        update.run();
    }
}

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

