#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/sqltext.h"
#include "support/testenv.h"

#include <cmath>
#include <tuple>
#include <optional>

namespace {

const QDate D(2024, 3, 10);
const QString kOp = QStringLiteral("管理员");

struct Row {
    double sn = 0;
    std::optional<double> qc, qm;
};

class LedgerTest : public DataTest {
protected:
    // A stored entry, written as the entry windows write them (YF or FK, never QC/QM).
    void addRow(const QString& doc, const QDate& date, const QString& party, double sn,
                double yf = 0, double fk = 0, const QString& f6 = kOp)
    {
        Db().execute("insert into TB1 (F1,F2,F3,LB,SN,YF,FK,F5,F6) values (" + SqlQuote(doc) + ",'"
                     + DateText(date) + "'," + SqlQuote(party) + ",-9," + SqlNum(sn) + "," + SqlNum(yf)
                     + "," + SqlNum(fk) + "," + SqlQuote(f6) + "," + SqlQuote(f6) + ")");
    }

    // A whole save as the callers run it: numbering, insert, recomputation in one transaction.
    double post(const QString& doc, const QDate& date, const QString& party, double yf,
                bool waybill = false, bool* crowded = nullptr)
    {
        Transaction tx(Db());
        const double sn = TakeLedgerSN(date, doc, waybill, crowded);
        addRow(doc, date, party, sn, yf);
        RecalcBalances(sn, party);
        tx.commit();
        return sn;
    }

    double counter() { return Db().openRecordset("select Setval from sysinfo where ID=100").field(0).toDouble(); }
    void setCounter(double v) { Db().execute("update sysinfo set Setval=" + SqlNum(v) + " where ID=100"); }
    QString newestSeen() { return Db().openRecordset("select setStr from sysinfo where ID=9999").field(0).toString(); }

    Row row(const QString& doc)
    {
        RecordSet rs = Db().openRecordset("select SN,QC,QM from TB1 where F1=" + SqlQuote(doc));
        EXPECT_FALSE(rs.eof()) << doc.toStdString();
        Row r;
        if (rs.eof())
            return r;
        r.sn = rs.field(0).toDouble();
        if (!rs.field(1).isNull())
            r.qc = rs.field(1).toDouble();
        if (!rs.field(2).isNull())
            r.qm = rs.field(2).toDouble();
        return r;
    }

    // Every row of the party in SN order has QC = the previous row's QM and
    // QM = QC + YF - FK, starting from 0. Returns the number of rows checked.
    int expectConsistentChain(const QString& party)
    {
        RecordSet rs = Db().openRecordset("select F1,QC,QM,YF,FK from TB1 where SN<>0 and F3="
                                          + SqlQuote(party) + " order by SN");
        double bal = 0;
        for (int r = 0; r < rs.recordCount(); ++r) {
            const QString doc = rs.at(r, 0).toString();
            EXPECT_FALSE(rs.at(r, 1).isNull()) << doc.toStdString();
            EXPECT_FALSE(rs.at(r, 2).isNull()) << doc.toStdString();
            EXPECT_EQ(rs.at(r, 1).toDouble(), bal) << doc.toStdString();
            bal += rs.at(r, 3).toDouble() - rs.at(r, 4).toDouble();
            EXPECT_EQ(rs.at(r, 2).toDouble(), bal) << doc.toStdString();
        }
        return rs.recordCount();
    }
};

// ------------------------------------------------------------ numbering protocol

TEST_F(LedgerTest, NewDaysAndSameDayFromEmptyLedger)
{
    ASSERT_EQ(counter(), 0);
    EXPECT_EQ(post("A1", D, "甲", 10), 31);
    EXPECT_EQ(newestSeen(), "") << "an empty ledger records no date";
    EXPECT_EQ(post("A2", D, "甲", 10), 33);
    EXPECT_EQ(newestSeen(), "") << "the same day records no date";
    EXPECT_EQ(post("A3", D.addDays(1), "甲", 10), 64);
    EXPECT_EQ(newestSeen(), DateText(D.addDays(1)));
    EXPECT_EQ(counter(), 64);
    // The waybill's extra read changes nothing for new and same days.
    EXPECT_EQ(post("A4", D.addDays(1), "甲", 10, true), 66);
    EXPECT_EQ(post("A5", D.addDays(3), "甲", 10, true), 97);
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(LedgerTest, BackDatedWindowEntriesTakeAQuarterOfTheGap)
{
    addRow("P", D, "甲", 100, 100);
    addRow("Q", D.addDays(1), "甲", 131, 0, 30);
    setCounter(131);
    EXPECT_EQ(post("N1", D, "乙", 5), 107.75);
    EXPECT_EQ(post("N2", D, "乙", 5), 113.5625);
    EXPECT_EQ(counter(), 133) << "back-dated entries raise the counter by step 1 only";
    EXPECT_EQ(newestSeen(), "");
}

TEST_F(LedgerTest, SeventhBackDatedEntryKeepsAllItsDigitsAndTheChainHolds)
{
    addRow("P", D, "甲", 100, 100);
    addRow("Q", D.addDays(1), "甲", 131, 0, 30);
    addRow("R", D.addDays(2), "甲", 162, 50);
    setCounter(162);
    {
        Transaction tx(Db());
        RecalcBalances(0, "甲");
        tx.commit();
    }
    double sn = 0;
    for (int i = 1; i <= 7; ++i)
        sn = post(QStringLiteral("N%1").arg(i), D, "甲", i);
    EXPECT_EQ(sn, 126.86199951171875);
    EXPECT_EQ(SqlNum(sn), "126.86199951171875");

    // The seventh row was found by its own number: balances written, opening
    // taken from the sixth.
    const Row seventh = row("N7");
    const Row sixth = row("N6");
    ASSERT_TRUE(seventh.qc && seventh.qm && sixth.qm);
    EXPECT_EQ(*seventh.qc, *sixth.qm);
    EXPECT_EQ(*seventh.qm, 100 + 1 + 2 + 3 + 4 + 5 + 6 + 7);
    EXPECT_EQ(expectConsistentChain("甲"), 10);
    EXPECT_EQ(*row("R").qm, 128 - 30 + 50);
}

TEST_F(LedgerTest, BackDatedEntryWithoutLaterNeighbourStartsAFreshWholeNumber)
{
    // Another day: base + 30 cut to its whole part; the counter is set to it,
    // lower than it was.
    addRow("A", D.addDays(-2), "甲", 36.25);
    addRow("X", D.addDays(1), "甲", 200);
    setCounter(300);
    EXPECT_EQ(NextLedgerSN(D, "X", 0), 66);
    EXPECT_EQ(counter(), 66);

    // The same day as base: base + 2, cut.
    addRow("B", D, "甲", 40.75);
    EXPECT_EQ(NextLedgerSN(D, "X", 0), 42);
    EXPECT_EQ(counter(), 42);

    // A current number above prev is kept and nothing is written.
    setCounter(500);
    EXPECT_EQ(NextLedgerSN(D, "X", 250), 250);
    EXPECT_EQ(counter(), 500);
}

TEST_F(LedgerTest, CurrentNumberBetweenNeighboursIsKept)
{
    addRow("A", D.addDays(-1), "甲", 10);
    addRow("C", D.addDays(1), "甲", 40);
    EXPECT_EQ(NextLedgerSN(D, "B", 20), 20);
    EXPECT_EQ(NextLedgerSN(D, "B", 10), 17.5) << "not strictly above prev";
    EXPECT_EQ(NextLedgerSN(D, "B", 40), 17.5) << "not strictly below next";

    // The waybill save reads its freshly raised counter but, as the entry
    // windows, hands 0 in as cur: a counter that would fit is not taken.
    setCounter(19);
    Transaction tx(Db());
    EXPECT_EQ(TakeLedgerSN(D, "B", true), 17.5);
    EXPECT_EQ(TakeLedgerSN(D, "B2", false), 17.5);
    EXPECT_EQ(counter(), 21);
}

TEST_F(LedgerTest, ExhaustedGapIsToldToTheCallerAndReturnsTheNeighboursNumber)
{
    const double next = std::nextafter(100.0, 200.0);
    addRow("P", D, "甲", 100);
    addRow("Q", D.addDays(1), "甲", next);
    setCounter(7);
    bool crowded = false;
    EXPECT_EQ(NextLedgerSN(D, "N", 0, &crowded), 100);
    EXPECT_TRUE(crowded);
    // No box from inside the caller's transaction: the caller shows the text after its commit.
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(CrowdedLedgerMessage(),
              QStringLiteral("您历史日期中插入了过多的单据,可能会造成单据排序混乱!\r\r"
                             "请您以001用户身份进入[综合报表]--[货品进出存明细表]中,点击[维护]菜单,刷新单据排序!"));
    EXPECT_EQ(counter(), 7);
    EXPECT_EQ(NextLedgerSN(D.addDays(-1), "N", 0, &crowded), 25);
    EXPECT_FALSE(crowded) << "a later call clears the flag";
}

TEST_F(LedgerTest, RepeatedBackDatingFillsTheGapUntilTheWarning)
{
    addRow("P", D, "甲", 100, 10);
    addRow("Q", D.addDays(1), "甲", 131, 10);
    RecalcBalances(0, "甲");
    double last = 100;
    int n = 0;
    bool crowded = false;
    while (!crowded && n < 500) {
        const double sn = post(QStringLiteral("N%1").arg(++n), D, "甲", 1, false, &crowded);
        ASSERT_GE(sn, last);
        ASSERT_LT(sn, 131);
        last = sn;
    }
    ASSERT_TRUE(crowded);
    EXPECT_EQ(msgs->count(), 0);
    // The warned entry is saved with its neighbour's number; nothing is lost.
    EXPECT_EQ(row(QStringLiteral("N%1").arg(n)).sn, row(QStringLiteral("N%1").arg(n - 1)).sn);
    RecordSet rs = Db().openRecordset("select count(*) from TB1 where F3='甲'");
    EXPECT_EQ(rs.field(0).toInt(), n + 2);
    EXPECT_EQ(*row("Q").qm, 20 + n);
}

TEST_F(LedgerTest, MissingOrUnreadableCounterIsAnError)
{
    addRow("A", D, "甲", 31);
    Db().execute("update sysinfo set Setval=Null where ID=100");
    EXPECT_THROW(TakeLedgerSN(D, "B", false), DbError);
    EXPECT_THROW(TakeLedgerSN(D, "B", true), DbError);

    Db().execute("delete from sysinfo where ID=100");
    EXPECT_THROW(TakeLedgerSN(D.addDays(1), "B", false), DbError);
    EXPECT_THROW(TakeLedgerSN(D, "B", true), DbError);
    // Back-dated: the missing counter is reported, not skipped.
    EXPECT_THROW(TakeLedgerSN(D.addDays(-1), "B", false), DbError);
    // Setting the counter for a fresh whole number needs the row as well.
    addRow("Z", D.addDays(5), "甲", 60);
    EXPECT_THROW(NextLedgerSN(D.addDays(6), "B", 0), DbError);
}

TEST_F(LedgerTest, FailingInsertRollsBackTheCounter)
{
    addRow("A", D, "甲", 31, 10);
    setCounter(31);
    {
        Transaction tx(Db());
        const double sn = TakeLedgerSN(D.addDays(1), "B", false);
        EXPECT_EQ(sn, 62);
        EXPECT_THROW(Db().execute("insert into TB1 (F1,SN,Nope) values ('B'," + SqlNum(sn) + ",1)"), DbError);
    }
    EXPECT_EQ(counter(), 31);
    EXPECT_EQ(newestSeen(), "");
    EXPECT_EQ(post("B", D.addDays(1), "甲", 5), 62);
}

TEST_F(LedgerTest, QuoteInPartyAndDocumentNumber)
{
    const QString party = QStringLiteral("O'Brien");
    EXPECT_EQ(post("O'1", D, party, 100), 31);
    EXPECT_EQ(post("O'2", D.addDays(2), party, 50), 62);
    // Back-dated, the entry's own number is left out of the look-ups.
    EXPECT_EQ(NextLedgerSN(D.addDays(1), "O'2", 0), 61);
    EXPECT_EQ(post("O'3", D.addDays(1), party, 25), 38.75);
    EXPECT_EQ(expectConsistentChain(party), 3);
    EXPECT_EQ(*row("O'2").qm, 175);
    EXPECT_EQ(msgs->count(), 0);
}

// ------------------------------------------------------------ running balances

TEST_F(LedgerTest, RecalcWalksThePartyInSequenceOrder)
{
    // Inserted out of order; SN decides.
    addRow("C", D, "甲", 50, 50);
    addRow("A", D, "甲", 10, 100);
    addRow("B", D, "甲", 30, 0, 30);
    addRow("Z", D, "甲", 0, 999);               // out of the order
    Db().execute("update TB1 set QC=5,QM=6 where F1='Z'");
    addRow("O", D, "乙", 20, 7);                // another party
    Db().execute("insert into TB1 (F1,F2,F3,SN,YF,FK,F6) values ('N','2024-03-10','甲',60,Null,Null,'x')");

    Transaction tx(Db());
    RecalcBalances(0, "甲");
    EXPECT_EQ(*row("A").qc, 0);
    EXPECT_EQ(*row("A").qm, 100);
    EXPECT_EQ(*row("B").qc, 100);
    EXPECT_EQ(*row("B").qm, 70);
    EXPECT_EQ(*row("C").qc, 70);
    EXPECT_EQ(*row("C").qm, 120);
    EXPECT_EQ(*row("N").qc, 120) << "Null amounts count as 0";
    EXPECT_EQ(*row("N").qm, 120);
    EXPECT_EQ(*row("Z").qc, 5);
    EXPECT_EQ(*row("Z").qm, 6);
    EXPECT_FALSE(row("O").qc.has_value());

    // From a later number only that part is rewritten, opening from the row before.
    Db().execute("update TB1 set YF=60 where F1='C'");
    Db().execute("update TB1 set QC=-1,QM=-1 where F1='A'");
    RecalcBalances(50, "甲");
    EXPECT_EQ(*row("A").qm, -1);
    EXPECT_EQ(*row("C").qc, 70);
    EXPECT_EQ(*row("C").qm, 130);
    EXPECT_EQ(*row("N").qm, 130);

    // A row whose QC is right but whose QM is not is still corrected.
    Db().execute("update TB1 set QM=0 where F1='B'");
    RecalcBalances(0, "甲");
    EXPECT_EQ(*row("B").qm, 70);
    EXPECT_EQ(expectConsistentChain("甲"), 4);
}

TEST_F(LedgerTest, OpeningBalanceSkipsRowsWithoutOperator)
{
    addRow("A", D, "甲", 10, 50);
    addRow("B", D, "甲", 20, 30, 0, "");
    Db().execute("insert into TB1 (F1,F2,F3,SN,YF,F6) values ('C','2024-03-10','甲',25,4,Null)");
    addRow("D", D, "甲", 30, 10);
    Transaction tx(Db());
    RecalcBalances(0, "甲");
    EXPECT_EQ(*row("C").qm, 84) << "rows without operator still take part in the walk";
    RecalcBalances(30, "甲");
    EXPECT_EQ(*row("D").qc, 50);
    EXPECT_EQ(*row("D").qm, 60);
}

// The numbering's look-ups search by index, from the top of the sequence or
// through the dates, whichever reads less; they find what the day comparisons
// written with datediff find, also on a ledger whose numbers are out of date
// order and among rows without a date.
TEST_F(LedgerTest, NumberingLookUpsFindWhatTheDayComparisonsFind)
{
    const QDate start(2024, 1, 1);
    int n = 0;
    for (int day = 0; day < 40; day += 3)
        for (int k = 0; k < 3; ++k)
            addRow(QStringLiteral("R%1").arg(++n), start.addDays(day), "甲", 31 + 31 * day + 2 * k);
    addRow("OUT", start.addDays(5), "甲", 2000);      // numbered out of its day's place
    addRow("EARLY", start.addDays(38), "甲", 40);     // and the other way
    Db().execute("insert into TB1 (F1,F2,SN,F6) values ('NODATE','',5000,'x')");
    Db().execute("insert into TB1 (F1,F2,SN,F6) values ('NULLDATE',Null,6000,'x')");
    Db().execute("insert into TB1 (F1,F2,SN,F6) values ('TEXT','abc',7000,'x')");
    auto reference = [&](const QDate& d, const QString& doc) {
        auto first = [&](const QString& cond, const QString& order) {
            RecordSet rs = Db().openRecordset("select F2,SN from TB1 where datediff('d'," + SqlQuote(DateText(d))
                                              + ",F2 || '') " + cond + " and F1<>" + SqlQuote(doc) + " order by SN " + order);
            return rs.eof() ? std::optional<double>() : std::optional<double>(rs.field(1).toDouble());
        };
        const auto prev = first("< 0", "desc");
        const auto base = first("<= 0", "desc");
        RecordSet rs = Db().openRecordset("select SN from TB1 where datediff('d'," + SqlQuote(DateText(d)) + ",F2 || '') > 0 and SN>"
                                          + SqlNum(base.value_or(0)) + " and F1<>" + SqlQuote(doc) + " order by SN");
        return std::tuple(prev.value_or(0), base.value_or(0), rs.eof() ? -1.0 : rs.field(0).toDouble());
    };
    for (int day = -2; day <= 42; ++day) {
        for (const QString doc : {"NEW", "R7"}) {
            const QDate d = start.addDays(day);
            const auto [prev, base, next] = reference(d, doc);
            setCounter(9999);
            const double sn = NextLedgerSN(d, doc, 0);
            if (next < 0) {
                EXPECT_EQ(sn, counter()) << day;
                EXPECT_LT(sn, 9999) << day;
            } else {
                EXPECT_EQ(sn, base + (next - base) / 4) << "day " << day << " prev " << prev << " base " << base << " next " << next;
            }
            // A current number strictly between prev and next is kept.
            if (next > 0 && next - prev > 1) {
                EXPECT_EQ(NextLedgerSN(d, doc, prev + (next - prev) / 2), prev + (next - prev) / 2) << day;
            }
        }
    }
}

TEST_F(LedgerTest, UnreadableLedgerIsAnErrorNotAnEmptyLedger)
{
    addRow("A", D, "甲", 31);
    Db().executeNative("ALTER TABLE TB1 RENAME TO TB1_gone");
    EXPECT_THROW(CompareLedgerDate(D), DbError);
    EXPECT_THROW(TakeLedgerSN(D, "B"), DbError);
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(newestSeen(), "");
}

} // namespace
