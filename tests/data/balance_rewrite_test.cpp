#include "data/balance_rewriter.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/statement.h"
#include "support/testenv.h"

#include <QStringList>
#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <vector>

namespace {

// The walk row by row as the ledger always did it: the opening balance from
// the last earlier row with an operator, the rows in SN order, each written
// back unless it already holds its balances.
double amount(const Statement& st, int col)
{
    if (st.columnIsNull(col))
        return 0;
    if (st.columnIsNumber(col))
        return st.columnDouble(col);
    bool ok = false;
    const double v = st.columnText(col).trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

void referenceRecalc(double sn, const QString& party)
{
    double bal = 0;
    {
        Statement opening(Db(),
                          "select QM from TB1 where (F3=?1 AND not (F6='' or F6 is null)) and SN<?2 and SN<>0 "
                          "order by SN desc limit 1");
        opening.bind(1, party);
        opening.bind(2, sn);
        if (opening.step())
            bal = amount(opening, 0);
    }
    Statement rows(Db(), "select rowid,YF,FK,QC,QM from TB1 where SN<>0 AND SN>=?2 and F3=?1 ORDER BY SN");
    rows.bind(1, party);
    rows.bind(2, sn);
    Statement update(Db(), "update TB1 set QC=?1,QM=?2 where rowid=?3");
    while (rows.step()) {
        const double qc = bal;
        bal = bal + amount(rows, 1) - amount(rows, 2);
        if (rows.columnIsNumber(3) && rows.columnIsNumber(4) && rows.columnDouble(3) == qc
            && rows.columnDouble(4) == bal)
            continue;
        update.bind(1, qc);
        update.bind(2, bal);
        update.bindInt64(3, rows.columnInt64(0));
        update.run();
    }
}

// Every row's QC and QM with their storage class and every bit of their value.
QStringList balances()
{
    QStringList out;
    Statement st(Db(), "select rowid,typeof(QC),QC,typeof(QM),QM from TB1 order by rowid");
    while (st.step()) {
        QString r = QString::number(st.columnInt64(0));
        for (int c : {1, 3})
            r += " " + st.columnText(c) + ":" + QString::number(std::bit_cast<quint64>(st.columnDouble(c + 1)), 16);
        out << r;
    }
    return out;
}

qint64 totalChanges()
{
    Statement st(Db(), "select total_changes()");
    st.step();
    return st.columnInt64(0);
}

const QStringList kNames = {"甲", "abc", "ABC", "aBc", "乙", "abc "};

// Binds one of the kinds of value a ledger column may hold.
void bindAny(Statement& st, int index, std::mt19937& rng, bool withText)
{
    switch (rng() % (withText ? 9 : 5)) {
    case 0: st.bindNull(index); break;
    case 1: st.bindInt64(index, qint64(rng() % 200) - 50); break;
    case 2: st.bind(index, double(rng() % 100000) / 7.0); break;
    case 3: st.bind(index, 0.1 * double(rng() % 1000)); break;
    case 4: st.bind(index, -1e-3 * double(rng() % 100000)); break;
    case 5: st.bind(index, QString::fromUtf8("\u3000 %1.25 ").arg(rng() % 100)); break; // a number only once trimmed
    case 6: st.bind(index, QStringLiteral("12元")); break;
    case 7: st.bind(index, QStringLiteral("inf")); break;
    default: st.bind(index, QString()); break;
    }
}

const std::vector<double> kSns = {0, 0, 31, 33, 33, 33, 35.5, 62, 64, 64, 100, 100.25, -5};

// A ledger of up to 60 rows of the parties above with every kind of value;
// with textSn one row's number is text. The rows lie `spacing` apart in the
// file; with entryOrder in SN order there.
void fillRandomLedger(std::mt19937& rng, bool textSn, int spacing = 1, bool entryOrder = false)
{
    Transaction tx(Db());
    Db().executeNative("delete from TB1");
    const int rows = 1 + int(rng() % 60);
    std::vector<double> sns;
    for (int i = 0; i < rows; ++i)
        sns.push_back(kSns[rng() % kSns.size()]);
    if (entryOrder)
        std::sort(sns.begin(), sns.end());
    Statement ins(Db(), "insert into TB1 (F1,F3,SN,YF,FK,QC,QM,F6,rowid) values (?1,?2,?3,?4,?5,?6,?7,?8,?9)");
    for (int i = 0; i < rows; ++i) {
        ins.bindInt64(9, qint64(1 + i * spacing));
        ins.bind(1, QString::number(i));
        ins.bind(2, kNames[qsizetype(rng() % kNames.size())]);
        if (textSn && i == rows / 2)
            ins.bind(3, QStringLiteral("x"));
        else
            ins.bind(3, sns[size_t(i)]);
        bindAny(ins, 4, rng, true);
        bindAny(ins, 5, rng, true);
        bindAny(ins, 6, rng, false);
        bindAny(ins, 7, rng, false);
        const int op = int(rng() % 4);
        if (op == 0)
            ins.bindNull(8);
        else
            ins.bind(8, op == 1 ? QString() : QStringLiteral("管理员"));
        ins.run();
    }
    if (rng() % 3 == 0)
        referenceRecalc(0, kNames[qsizetype(rng() % kNames.size())]);
    tx.commit();
}

// With a trigger on the balances the engine always collects the rows first
// and writes them after its whole pass, whatever its version does without.
void writeAfterTheWholePass(bool on)
{
    Db().executeNative(on ? "create trigger balance_test_qc after update of QC on TB1 begin select 1; end"
                          : "drop trigger if exists balance_test_qc");
}

class BalanceRewriteTest : public DataTest {};

} // namespace

// Random ledgers: parties spelled in several cases (one party to the engine),
// rows out of the order (SN 0), equal numbers, Null and text amounts, rows
// without an operator, stale, missing and right balances; recomputed from the
// start, from a row's number and from between two, written as the engine
// walks or after its whole pass. The balances come out as
// the row-by-row walk's to the last bit, and a second run writes nothing.
TEST_F(BalanceRewriteTest, RandomLedgersComeOutAsTheRowByRowWalk)
{
    std::mt19937 rng(777);
    for (int round = 0; round < 150; ++round) {
        fillRandomLedger(rng, round % 10 == 9); // a number the walk cannot order: done row by row
        writeAfterTheWholePass(round % 7 == 3);
        if (round % 5 == 0)
            Db().executeNative("update TB1 set QM=QM+1 where rowid % 4 = 0");

        const QString party = kNames[qsizetype(rng() % kNames.size())];
        const double from = rng() % 3 == 0 ? 0 : kSns[rng() % kSns.size()] + (rng() % 2 ? 0.5 : 0);
        QStringList expected;
        {
            Transaction tx(Db());
            referenceRecalc(from, party);
            expected = balances();
        }
        // RecalcBalances takes the UPDATE only for more than a few rows:
        // every other round walks along the index whatever the count.
        const auto recalc = [&] {
            if (round % 2)
                BalanceRewriter(Db()).recalcAlongIndex(from, party);
            else
                RecalcBalances(from, party);
        };
        Transaction tx(Db());
        recalc();
        ASSERT_EQ(balances(), expected) << "round " << round << " party " << party.toStdString() << " from " << from;
        const qint64 before = totalChanges();
        recalc();
        EXPECT_EQ(totalChanges(), before) << "round " << round;
    }
}

// A list of parties: names in several cases, twice, and names without a
// row; short, or long over rows that lie together or apart in the file (then
// done in passes over the whole ledger), in SN order there or not. The balances come out as each name's
// walk in list order gives them, and every name is announced once, in order.
TEST_F(BalanceRewriteTest, RandomListsComeOutAsEachPartyWalkedInTurn)
{
    std::mt19937 rng(4242);
    for (int round = 0; round < 80; ++round) {
        fillRandomLedger(rng, round % 10 == 9, round % 2 == 0 ? 1 : 100, round % 4 == 1);
        writeAfterTheWholePass(round % 7 == 3);
        QStringList list;
        const int names = round % 4 == 0 ? 3 : 16 + int(rng() % 10);
        for (int i = 0; i < names; ++i)
            list << (rng() % 3 == 0 ? QStringLiteral("丙%1").arg(i) : kNames[qsizetype(rng() % (kNames.size() - 1))]);
        QStringList expected;
        {
            Transaction tx(Db());
            for (const QString& p : list)
                referenceRecalc(0, p);
            expected = balances();
        }
        Transaction tx(Db());
        QStringList announced;
        BalanceRewriter(Db()).recalcList(list, [&](const QString& p) { announced << p; });
        ASSERT_EQ(balances(), expected) << "round " << round << ": " << list.join(",").toStdString();
        EXPECT_EQ(announced, list);
        const qint64 before = totalChanges();
        BalanceRewriter(Db()).recalcList(list, [](const QString&) {});
        EXPECT_EQ(totalChanges(), before) << "round " << round;
    }
}

// The rewrite walks the party's rows along the (F3,SN) index.
TEST_F(BalanceRewriteTest, TheRewriteWalksThePartyIndex)
{
    Statement plan(Db(), "EXPLAIN QUERY PLAN " + BalanceRewriter::rewriteSql());
    plan.bind(1, QStringLiteral("甲"));
    plan.bind(2, 0.0);
    QStringList steps;
    while (plan.step())
        steps << plan.columnText(3);
    ASSERT_EQ(steps.size(), 1) << steps.join("; ").toStdString();
    EXPECT_TRUE(steps[0].contains("USING INDEX") && steps[0].contains("(F3=? AND SN>?)")) << steps[0].toStdString();
}

// One rewriter recomputes party after party, as the refresh of a list does;
// a party walked twice keeps its balances.
TEST_F(BalanceRewriteTest, OneRewriterForManyParties)
{
    Db().executeNative("insert into TB1 (F1,F3,SN,YF,FK,F6) values ('1','甲',31,10,0,'x'),('2','乙',33,5,0,'x'),"
                       "('3','甲',35,0,4,'x'),('4','乙',37,1,0,'x')");
    Transaction tx(Db());
    BalanceRewriter rewriter(Db());
    for (const char* p : {"甲", "乙", "甲"})
        rewriter.recalcAlongIndex(0, p);
    QStringList got;
    Statement st(Db(), "select QC,QM from TB1 order by rowid");
    while (st.step())
        got << st.columnText(0) + "/" + st.columnText(1);
    EXPECT_EQ(got, QStringList({"0.0/10.0", "0.0/5.0", "10.0/6.0", "5.0/6.0"}));
}

TEST_F(BalanceRewriteTest, AWalksFunctionOutsideItsRewriteFailsTheStatementWithItsOwnText)
{
    Db().execute("insert into TB1 (F1,F2,F3,LB,SN,YF,FK,F6) values ('D1','2024-03-01','甲',-9,31,10,0,'张三')");
    const struct {
        const char* call;
        const char* failure;
    } cases[] = {
        {"ledger_walk(1,31,10,0,0,0)", "ledger_walk: no balance rewrite is running"},
        {"ledger_balance_before(1)", "ledger_balance: the row was not walked"},
        {"ledger_balance_after(1)", "ledger_balance: the row was not walked"},
        {"ledger_file_walk(1,'甲',31,10,0,0,0)", "ledger_file_walk: no balance rewrite is running"},
        {"ledger_file_order(1,0,0)", "ledger_file_order: no balance rewrite is running"},
        {"ledger_file_before(1)", "ledger_file_balance: the row was not checked"},
        {"ledger_file_after(1)", "ledger_file_balance: the row was not checked"},
    };
    // Before any rewrite, and after one: its walk is no longer running.
    for (bool afterARewrite : {false, true}) {
        if (afterARewrite)
            BalanceRewriter(Db()).recalcAlongIndex(0, "甲");
        for (const auto& c : cases) {
            Statement st(Db(), QString("select ") + c.call);
            try {
                st.step();
                ADD_FAILURE() << c.call << " ran";
            } catch (const DbError& e) {
                EXPECT_EQ(e.message().toStdString(), c.failure) << c.call << " after a rewrite: " << afterARewrite;
            }
        }
    }
    EXPECT_EQ(Db().openRecordset("select QM from TB1 where F1='D1'").field(0).toDouble(), 10);
}
