#include "data/ledger.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <cmath>
#include <optional>
#include <utility>
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

// The counter set to a whole number n.
void setCounter(double n)
{
    Statement st(Db(), QStringLiteral("update sysinfo set Setval=?1 Where ID=100"));
    st.bind(1, n);
    if (st.run() == 0)
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
        Statement st(Db(), QStringLiteral("update sysinfo set setStr=?1 where ID=9999"));
        st.bind(1, DateText(d));
        st.run();
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
        setCounter(n);
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
    // Inside the caller's transaction no savepoint of its own: a savepoint
    // would keep a copy of every page the clear frees.
    std::optional<Transaction> own;
    if (!db.inTransaction())
        own.emplace(db);
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
    if (own)
        own->commit();
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
