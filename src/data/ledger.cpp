#include "data/ledger.h"

#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <cmath>

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

LedgerRow firstRow(const QString& sql)
{
    LedgerRow r;
    RecordSet rs = Db().openRecordset(sql);
    if (rs.eof())
        return r;
    r.found = true;
    r.date = rs.field(0).toString();
    r.sn = rs.field(1).toDouble();
    return r;
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
    const QString day = DateText(d);
    const QString doc = SqlEscape(docNo);

    const LedgerRow before = firstRow("select top 1 F2,SN from TB1 where  datediff('d','" + day
                                      + "',F2 ) < 0 and F1<>'" + doc + "' order by sn desc ");
    const double prev = before.found ? before.sn : 0;

    const LedgerRow onOrBefore = firstRow("select top 1 F2,SN from TB1 where  datediff('d','" + day
                                          + "',F2 ) <= 0 and F1<>'" + doc + "' order by sn desc ");
    const double base = onOrBefore.found ? onOrBefore.sn : 0;
    const bool baseSameDay = onOrBefore.found && sameDay(onOrBefore.date, d);

    const LedgerRow after = firstRow("select top 1 F2,SN from TB1 where  datediff('d','" + day
                                     + "',F2 ) > 0 and SN>" + SqlNum(base) + "  and F1<>'" + doc
                                     + "'  order by sn  ");
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
    const QString name = SqlEscape(party);
    const QString from = SqlNum(sn);

    // Rows at SN 0 are out of the order (being renumbered): their stale QM
    // must not open the chain.
    double bal = 0;
    {
        RecordSet rs = db.openRecordset("select top 1 QM from TB1 where (F3='" + name
                                        + "' AND  not (F6='' or F6 is null)) and sn<" + from
                                        + " and SN<>0 order by sn desc");
        if (!rs.eof() && !rs.field(0).isNull())
            bal = rs.field(0).toDouble();
    }

    const RecordSet rows = db.openRecordset("select rowid,YF,FK,QC,QM from TB1 where SN<>0 AND  SN>="
                                            + from + " and F3='" + name + "' ORDER BY SN");
    if (rows.recordCount() == 0)
        return;

    Statement update(db, QStringLiteral("update TB1 set QC=?1,QM=?2 where rowid=?3"));
    for (int r = 0; r < rows.recordCount(); ++r) {
        const double qc = bal;
        bal = bal + rows.at(r, 1).toDouble() - rows.at(r, 2).toDouble();
        // A row that already holds its balances is not rewritten: a refresh
        // of a consistent ledger then writes no page at all.
        const Value& oldQc = rows.at(r, 3);
        const Value& oldQm = rows.at(r, 4);
        if (oldQc.isNumber() && oldQm.isNumber() && oldQc.toDouble() == qc && oldQm.toDouble() == bal)
            continue;
        update.bind(1, qc);
        update.bind(2, bal);
        update.bindInt64(3, rows.at(r, 0).toInt());
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

double RenumberLedgerEntry(double oldSn, const QString& oldParty, const QDate& entryDate,
                           const QString& docNo, const QString& newParty, bool* crowded)
{
    Database& db = Db();
    const QString doc = SqlEscape(docNo);
    // Only the edited row leaves the order: a neighbour sharing its number
    // (a crowded gap) must keep its place.
    if (db.execute("update TB1 set sn=0 where sn=" + SqlNum(oldSn) + " and F1='" + doc + "'") == 0)
        throw DbError(QStringLiteral("找不到要修改的单据[%1]!").arg(docNo));
    RecalcBalances(oldSn, oldParty);

    double cur = 0;
    {
        RecordSet rs = db.openRecordset("SELECT SN FROM TB1 WHERE F1='" + doc + "'");
        if (!rs.eof())
            cur = rs.field(0).toDouble();
    }
    const double sn = NextLedgerSN(entryDate, docNo, cur, crowded);
    db.execute("update TB1 set SN=" + SqlNum(sn) + " where SN=0 and F1='" + doc + "'");
    RecalcBalances(sn, newParty);
    return sn;
}
