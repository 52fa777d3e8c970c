// The numbering's look-ups against what the three look-ups written with
// datediff find on the ledger as it stands, whoever wrote its rows: TB1Days,
// kept by the ledger's triggers, must follow every insert, change and delete.
#include "data/balance_rewriter.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "support/table_text.h"
#include "support/testenv.h"

#include <cmath>
#include <random>

namespace {

const QDate kStart(2024, 1, 1);
constexpr double kCounter = 5000;

struct Outcome {
    double sn;
    double counter;
    bool crowded;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o)
{
    return os << "sn " << qPrintable(SqlNum(o.sn)) << " counter " << o.counter << (o.crowded ? " crowded" : "");
}

class LedgerDays : public DataTest {
protected:
    double counter() { return Db().openRecordset("select Setval from sysinfo where ID=100").field(0).toDouble(); }
    void setCounter(double v) { Db().execute("update sysinfo set Setval=" + SqlNum(v) + " where ID=100"); }

    // The three look-ups as the statements read, then the choice among them.
    Outcome reference(const QDate& d, const QString& doc, double cur)
    {
        setCounter(kCounter);
        const QString day = DateText(d);
        auto first = [](const QString& sql, QString* date = nullptr) -> std::optional<double> {
            RecordSet rs = Db().openRecordset(sql);
            if (rs.eof())
                return std::nullopt;
            if (date)
                *date = rs.field(0).toString();
            return rs.field(1).toDouble();
        };
        const double prev = first("select top 1 F2,SN from TB1 where  datediff('d','" + day + "',F2 ) < 0 and F1<>'" + doc
                                  + "' order by sn desc ").value_or(0);
        QString baseDate;
        const auto baseRow = first("select top 1 F2,SN from TB1 where  datediff('d','" + day + "',F2 ) <= 0 and F1<>'" + doc
                                       + "' order by sn desc ",
                                   &baseDate);
        const double base = baseRow.value_or(0);
        const bool sameDay = baseRow && ParseDateText(baseDate) && ParseDateText(baseDate)->date() == d;
        const auto next = first("select top 1 F2,SN from TB1 where  datediff('d','" + day + "',F2 ) > 0 and SN>" + SqlNum(base)
                                + "  and F1<>'" + doc + "'  order by sn  ");
        if (!next) {
            if (cur > prev)
                return {cur, kCounter, false};
            const double n = std::trunc(sameDay ? base + 2 : base + 30);
            Db().execute("update sysinfo set Setval=" + SqlNum(n) + " Where ID=100");
            return {n, counter(), false};
        }
        if (prev < cur && cur < *next)
            return {cur, kCounter, false};
        const double sn = base + (*next - base) / 4;
        return {sn, kCounter, sn == base};
    }

    Outcome numbered(const QDate& d, const QString& doc, double cur)
    {
        setCounter(kCounter);
        bool crowded = true;
        const double sn = NextLedgerSN(d, doc, cur, &crowded);
        return {sn, counter(), crowded};
    }

    // Rows as plain statements write them: shared and Null document numbers
    // (one differing only in case), numbers shared, 0, Null, adjacent and out
    // of date order, dates with a time, without a date, or no date at all.
    void addRandomRows(std::mt19937& rng, int n)
    {
        auto pick = [&](int k) { return int(rng() % unsigned(k)); };
        for (int i = 0; i < n; ++i) {
            const int day = pick(20);
            const QString date = pick(25) == 0 ? "Null"
                : pick(25) == 0                 ? "'abc'"
                : pick(25) == 0                 ? "''"
                : pick(8) == 0                  ? SqlQuote(DateText(kStart.addDays(day)) + " 09:30:00")
                                                : SqlQuote(DateText(kStart.addDays(day)));
            const QString doc = pick(15) == 0 ? "Null" : pick(12) == 0 ? "'a1'" : SqlQuote(QStringLiteral("A%1").arg(pick(9)));
            double sn = 31 + 31 * day + 2 * pick(4);
            if (pick(3) == 0)
                sn = pick(700) + 0.25 * pick(4);
            if (pick(10) == 0)
                sn = 0;
            if (pick(8) == 0)
                sn = std::nextafter(sn, 1e9);
            if (pick(12) == 0)
                sn = pick(2) == 0 ? 100 : 200.5; // the same number on several days
            const QString snText = pick(30) == 0 ? QStringLiteral("Null") : SqlNum(sn);
            Db().execute("insert into TB1 (F1,F2,F3,LB,SN,F6) values (" + doc + "," + date + ",'甲',-9," + snText + ",'x')");
        }
    }

    void expectSameAsTheLookUps(const char* stage)
    {
        for (int day = -2; day <= 22; ++day)
            for (const QString doc : {"A1", "a2", "A3", "NEW"})
                for (const double cur : {0.0, 300.0}) {
                    const QDate d = kStart.addDays(day);
                    const Outcome want = reference(d, doc, cur);
                    EXPECT_EQ(numbered(d, doc, cur), want) << stage << " day " << day << " doc " << qPrintable(doc) << " cur " << cur;
                }
    }

    QStringList days() { return Records("select F2, SN from TB1Days order by F2"); }
};

TEST_F(LedgerDays, NumberingFindsWhatTheLookUpsFindOnRandomLedgersWrittenByAnyStatement)
{
    Transaction tx(Db()); // one write to the disk instead of one per statement
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        Db().execute("delete from TB1");
        addRandomRows(rng, 120);
        expectSameAsTheLookUps("written");

        // Changed and deleted after the fact, by plain statements.
        Db().execute("update TB1 set SN=SN+40 where F1='A2'");
        Db().execute("update TB1 set F2='2024-01-03' where F1='A4'");
        Db().execute("update TB1 set F1=Null where F1='A5'");
        Db().execute("update TB1 set F1='A6' where F1 is null and SN>300");
        Db().execute("update TB1 set sn=0 where F1='A7'");
        Db().execute("delete from TB1 where F1='A8' or SN>600");
        addRandomRows(rng, 30);
        expectSameAsTheLookUps("changed");
        if (HasFailure())
            return;
    }
    // What the triggers kept is what a file without them gets filled with.
    const QStringList kept = days();
    EXPECT_GT(kept.size(), 15);
    Db().execute("delete from TB1Days");
    RebuildLedgerSummary(Db());
    EXPECT_EQ(days(), kept);
}

TEST_F(LedgerDays, TheBalanceRewriteLeavesTheDaysAlone)
{
    Db().execute("insert into TB1 (F1,F2,F3,SN,YF,F6) values ('A','2024-01-02','甲',31,5,'x')");
    Db().execute("update TB1Days set SN=1");
    RecalcBalances(0, "甲");
    Db().execute("update TB1 set QC=1,QM=2,YF=3");
    EXPECT_EQ(days(), QStringList{"2024-01-02|1"}) << "no trigger fired";
    Db().execute("update TB1 set F2=F2");
    EXPECT_EQ(days(), QStringList{"2024-01-02|31"});
}

TEST_F(LedgerDays, EmptyingTheLedgerEmptiesTheDaysAndKeepsThemKept)
{
    const QStringList triggers = Records("select name, sql from sqlite_master where type='trigger' order by name");
    ASSERT_EQ(triggers.size(), 4);
    std::mt19937 rng(7);
    addRandomRows(rng, 50);
    {
        Transaction tx(Db());
        EmptyLedger(Db());
        tx.commit();
    }
    EXPECT_EQ(Records("select count(*) from TB1"), QStringList{"0"});
    EXPECT_EQ(days(), QStringList{});
    EXPECT_EQ(Records("select name, sql from sqlite_master where type='trigger' order by name"), triggers);
    Db().execute("insert into TB1 (F1,F2,SN) values ('A','2024-01-02',31)");
    EXPECT_EQ(days(), QStringList{"2024-01-02|31"});
}

} // namespace
