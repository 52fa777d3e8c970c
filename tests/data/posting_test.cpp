// The ledger posting service: kinds, posting, editing and removing entries,
// with every party's chain holding after each write.
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "support/qt_print.h"
#include "support/ledger_check.h"
#include "support/testenv.h"

#include <gtest/gtest-spi.h>

#include <cmath>

namespace {

const QDate D(2024, 3, 10);
const QDateTime kAt(QDate(2024, 3, 12), QTime(9, 5, 7));

class PostingTest : public DataTest {
protected:
    static LedgerEntry entry(int lb, const QString& doc, const QDate& date, const QString& party, double amount)
    {
        LedgerEntry e;
        e.lb = lb;
        e.docNo = doc;
        e.date = date;
        e.party = party;
        e.amount = amount;
        e.handler = QStringLiteral("张三");
        e.remark = QStringLiteral("备注");
        e.savedAt = kAt;
        return e;
    }

    // One save as a window runs it: its own transaction around the postings.
    double post(const LedgerEntry& e)
    {
        Transaction tx(Db());
        LedgerPosting p;
        const double sn = p.post(e);
        tx.commit();
        return sn;
    }

    QStringList fields(const QString& doc, const QString& cols)
    {
        RecordSet rs = Db().openRecordset("select " + cols + " from TB1 where F1=" + SqlQuote(doc));
        QStringList out;
        if (rs.eof())
            return out;
        for (int c = 0; c < rs.fieldCount(); ++c)
            out << (rs.field(c).isNull() ? QStringLiteral("<null>") : rs.field(c).toString());
        return out;
    }
    double sn(const QString& doc) { return fields(doc, "SN").value(0).toDouble(); }
    double counter() { return Db().openRecordset("select Setval from sysinfo where ID=100").field(0).toDouble(); }
    int rows() { return int(Db().openRecordset("select count(*) from TB1").field(0).toInt()); }
};

TEST_F(PostingTest, FourKindsWithTheirTextsPrefixesAndMoneyColumns)
{
    struct Case { int lb; const char* caption; const char* s2; const char* prefix; const char* money; bool channels; };
    const Case cases[] = {
        {9, "增加应付款", "增加应付", "YF", "YF", true},
        {-9, "增加应收款", "增加应收", "YS", "YF", false},
        {10, "付款", "付款", "FK", "FK", true},
        {-10, "收款", "收款", "SK", "FK", false},
    };
    ASSERT_EQ(LedgerKinds().size(), 4);
    for (const Case& c : cases) {
        const LedgerKind& k = LedgerKindOf(c.lb);
        EXPECT_EQ(k.caption, c.caption);
        EXPECT_EQ(k.business, c.s2);
        EXPECT_EQ(k.prefix, c.prefix);
        EXPECT_EQ(k.moneyColumn(), c.money);
        EXPECT_EQ(k.partyListSql(), c.channels ? "select F2 from M01 order by F1" : "select F2 from M03 order by F1");
    }
    EXPECT_THROW(LedgerKindOf(0), DbError);
    EXPECT_THROW(LedgerKindOf(-11), DbError);
}

TEST_F(PostingTest, EachKindWritesItsRowExactlyAsGiven)
{
    gUserName = QStringLiteral("操作员");
    struct Case { int lb; const char* doc; const char* row; };
    const Case cases[] = {
        {9, "YF001", "增加应付|9|YF001|2024-03-10|O'Brien 2024.1.1|12.5|0"},
        {-9, "ys'2", "增加应收|-9|ys'2|2024-03-10|O'Brien 2024.1.1|12.5|0"},
        {10, "FK003", "付款|10|FK003|2024-03-10|O'Brien 2024.1.1|0|12.5"},
        {-10, "1/2/2024", "收款|-10|1/2/2024|2024-03-10|O'Brien 2024.1.1|0|12.5"},
    };
    for (const Case& c : cases) {
        LedgerEntry e = entry(c.lb, c.doc, D, "O'Brien 2024.1.1", 12.5);
        e.remark = QStringLiteral("2024年3月5日 -- ;");
        post(e);
        EXPECT_EQ(fields(c.doc, "S2,LB,F1,F2,F3,YF,FK").join('|'), c.row);
        EXPECT_EQ(fields(c.doc, "S1,F5,F6,F10,H8,K").join('|'), "张三|操作员|操作员|2024年3月5日 -- ;|2024-03-12 09:05:07|0");
    }
    EXPECT_EQ(ExpectChainsHold(), 4);
}

TEST_F(PostingTest, NumberingFollowsTheCounterAndBackDatedEntriesTakeASlot)
{
    // Later day +31, same day +2, back-dated: a quarter of the gap, the counter +1 only.
    EXPECT_EQ(post(entry(-9, "A", D, "甲", 100)), 31);
    EXPECT_EQ(post(entry(-9, "B", D, "甲", 50)), 33);
    EXPECT_EQ(post(entry(-9, "C", D.addDays(2), "甲", 10)), 64);
    EXPECT_EQ(counter(), 64);
    EXPECT_EQ(post(entry(-10, "R", D.addDays(1), "甲", 30)), 33 + (64 - 33) / 4.0);
    EXPECT_EQ(counter(), 65);
    EXPECT_EQ(fields("C", "QC,QM").join('|'), "120|130") << "later rows are recomputed";
    EXPECT_EQ(ExpectChainsHold(), 4);

    // A counter that has lost its number fails even a back-dated entry.
    Db().execute("update sysinfo set Setval=Null where ID=100");
    EXPECT_THROW(post(entry(-9, "Z", D.addDays(1), "甲", 1)), DbError);
}

TEST_F(PostingTest, WaybillNumbersItsReceivableAsTypedAndItsPayableOneHigher)
{
    post(entry(-9, "P", D, "甲", 1));
    post(entry(-9, "Q", D.addDays(5), "甲", 1));
    ASSERT_EQ(counter(), 62);
    Transaction tx(Db());
    LedgerPosting p;
    // Back-dated: the counter (63 after its step) would fit between 31 and 62
    // but the look-up is asked with 0, so the entry takes a quarter of the gap.
    const double sn = p.post(entry(-9, "YS123", D.addDays(1), "客户", 80), "123");
    EXPECT_EQ(sn, 31 + (62 - 31) / 4.0);
    p.postAt(entry(9, "YF123", D.addDays(1), "渠道", 60), sn + 1);
    tx.commit();
    EXPECT_EQ(this->sn("YF123"), sn + 1);
    EXPECT_EQ(counter(), 63) << "the payable's number is not drawn from the counter";
    EXPECT_EQ(fields("YF123", "QC,QM,LB,S2").join('|'), "0|60|9|增加应付");
    EXPECT_EQ(ExpectChainsHold(), 4);
}

TEST_F(PostingTest, RemovingADocumentRecomputesEveryPartyItTouched)
{
    post(entry(-9, "A", D, "客户", 100));
    post(entry(9, "YF1", D, "渠道", 40));
    post(entry(-9, "YS1", D, "客户", 70));
    post(entry(-9, "B", D.addDays(1), "客户", 5));
    post(entry(9, "C", D.addDays(1), "渠道", 3));
    post(entry(-10, "E", D.addDays(1), "other", 1));
    Transaction tx(Db());
    LedgerPosting p;
    EXPECT_EQ(p.remove({{"YF1", 9}, {"YS1", -9}}), 2);
    EXPECT_EQ(p.remove({{"nothing", -9}}), 0);
    EXPECT_EQ(p.remove({}), 0);
    tx.commit();
    EXPECT_EQ(fields("B", "QC,QM").join('|'), "100|105");
    EXPECT_EQ(fields("C", "QC,QM").join('|'), "0|3");
    EXPECT_EQ(fields("YS1", "F1"), QStringList());
    EXPECT_EQ(ExpectChainsHold(), 4);
}

TEST_F(PostingTest, EditMovesTheEntryAndKeepsBothPartiesChains)
{
    gUserName = QStringLiteral("甲方");
    post(entry(-9, "A", D, "甲", 100));
    post(entry(-9, "B", D, "甲", 50));
    post(entry(-9, "C", D.addDays(1), "乙", 10));
    post(entry(-9, "E", D.addDays(2), "甲", 1));
    gUserName = QStringLiteral("乙方");
    Transaction tx(Db());
    LedgerPosting p;
    // A moves to the next day, to another party, another number and amount.
    LedgerEntry e = entry(-9, "A2", D.addDays(1), "乙", 7);
    e.remark = QStringLiteral("改");
    const double sn = p.edit({"A", 31, -9}, e);
    EXPECT_EQ(sn, 64 + (95 - 64) / 4.0);
    EXPECT_THROW(p.edit({"nope", 31, -9}, e), DbError);
    tx.commit();
    EXPECT_EQ(fields("A2", "SN,F2,F3,YF,F10,S2,LB,F5,F6").join('|'),
              QStringLiteral("%1|2024-03-11|乙|7|改|增加应收|-9|甲方|甲方").arg(sn));
    EXPECT_EQ(fields("A", "F1"), QStringList());
    EXPECT_EQ(fields("B", "QC,QM").join('|'), "0|50");
    EXPECT_EQ(fields("E", "QC,QM").join('|'), "50|51");
    EXPECT_EQ(ExpectChainsHold(), 4);
}

TEST_F(PostingTest, AWaybillNumberIsHeldByAnyEntryButTheWaybillsOwnPostings)
{
    const struct {
        QList<LedgerDocument> stored;
        bool own; // saved again under its stored number
        const char* held;
    } cases[] = {
        {{{"YS10011", -9}, {"XYS1001", -9}}, false, ""}, {{{"yf1001", 10}}, false, "yf1001"},
        {{{"YS1001", -9}, {"YF1001", 9}}, true, ""},     {{{"YF1001", 9}, {"YF1001", 9}}, true, "YF1001"},
    };
    for (const auto& c : cases) {
        Db().execute("delete from TB1");
        for (const LedgerDocument& d : c.stored)
            post(entry(d.lb, d.docNo, D, "甲", 1));
        EXPECT_EQ(WaybillNumberHeldBy("1001", c.own), c.held) << c.held;
    }
    // A new entry may take neither a stored number nor one a stored (unshipped) waybill posts under.
    Db().execute("insert into B01 (F1) values ('W1')");
    EXPECT_EQ(FirstLedgerDocNoTaken({"YF", "FKW1", "YFW12", "O'Brien", "yf1001", "yfw1"}), "yf1001");
    EXPECT_EQ(FirstLedgerDocNoTaken({"N1", "YFW1"}), "YFW1");
}

TEST_F(PostingTest, PaymentEditWritesTheAmountToFK)
{
    post(entry(10, "FK1", D, "渠道", 20));
    Transaction tx(Db());
    LedgerPosting p;
    p.edit({"FK1", 31, 10}, entry(10, "FK1", D, "渠道", 25));
    tx.commit();
    EXPECT_EQ(fields("FK1", "YF,FK,QM").join('|'), "0|25|-25");
}

TEST_F(PostingTest, RefusedOutsideATransactionBeforeAnythingIsWritten)
{
    LedgerPosting p;
    EXPECT_THROW(p.post(entry(-9, "A", D, "甲", 1)), DbError);
    EXPECT_THROW(p.postAt(entry(-9, "A", D, "甲", 1), 5), DbError);
    EXPECT_THROW(p.remove({{"A", -9}}), DbError);
    EXPECT_THROW(p.removeEntry({"A", 0, -9}), DbError);
    EXPECT_THROW(p.edit({"A", 0, -9}, entry(-9, "A", D, "甲", 1)), DbError);
    EXPECT_EQ(counter(), 0);
    EXPECT_EQ(rows(), 0);
}

TEST_F(PostingTest, AFailureRollsBackTheWholeSaveWithItsCounter)
{
    post(entry(-9, "A", D, "甲", 1));
    Db().executeNative("CREATE TRIGGER no_pay BEFORE INSERT ON TB1 WHEN new.LB=9 BEGIN SELECT RAISE(ABORT, 'refused'); END");
    {
        Transaction tx(Db());
        LedgerPosting p;
        const double sn = p.post(entry(-9, "YS1", D.addDays(1), "甲", 5), "1");
        EXPECT_THROW(p.postAt(entry(9, "YF1", D.addDays(1), "渠道", 5), sn + 1), DbError);
        EXPECT_THROW(p.post(entry(99, "X", D, "甲", 5)), DbError);
    }
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(counter(), 31);
    EXPECT_FALSE(Db().inTransaction());
}

TEST_F(PostingTest, CrowdedGapIsAWarningForAfterTheCommit)
{
    Db().execute("insert into TB1 (F1,F2,F3,SN,YF,F6) values ('P','2024-03-10','甲',100,1,'x')");
    Db().execute("insert into TB1 (F1,F2,F3,SN,YF,F6) values ('Q','2024-03-11','甲'," + SqlNum(std::nextafter(100.0, 200.0)) + ",1,'x')");
    Transaction tx(Db());
    LedgerPosting p;
    EXPECT_EQ(p.warning(), "");
    EXPECT_EQ(p.post(entry(-9, "N", D, "甲", 1)), 100);
    EXPECT_EQ(msgs->count(), 0);
    p.post(entry(-9, "M", D.addDays(1), "甲", 1));
    EXPECT_EQ(p.warning(), CrowdedLedgerMessage()) << "kept over later postings";
    tx.commit();
    EXPECT_EQ(rows(), 4);
}

TEST_F(PostingTest, EachPartysEntriesLieTogetherInTheFile)
{
    auto rowid = [&](const QString& doc) { return Db().openRecordset("select rowid from TB1 where F1=" + SqlQuote(doc)).field(0).toInt(); };
    auto inBlock = [&](const QString& doc, const QString& party) {
        return rowid(doc) >= LedgerRowBlock(party) && rowid(doc) < LedgerRowBlock(party) + (qint64(1) << 36);
    };
    post(entry(-9, "A1", D, "Acme", 1));
    post(entry(9, "C1", D, "渠道", 1));
    post(entry(-9, "A2", D.addDays(1), "ACME", 1)); // one party as F3 compares it
    Db().execute("insert into TB1 (F1,F3,SN) values ('raw','other',0)"); // numbered the usual way
    post(entry(-9, "A3", D, "acme", 1));
    const qint64 block = LedgerRowBlock("Acme");
    EXPECT_EQ(LedgerRowBlock("aCmE"), block);
    EXPECT_NE(LedgerRowBlock("渠道"), block);
    EXPECT_EQ(rowid("A1"), block);
    EXPECT_EQ(rowid("A2"), block + 1);
    EXPECT_GT(rowid("A3"), rowid("A2"));
    EXPECT_TRUE(inBlock("A3", "Acme"));
    EXPECT_EQ(rowid("C1"), LedgerRowBlock("渠道"));
    // An entry that changes party moves to the new party's block.
    Transaction tx(Db());
    LedgerPosting p;
    p.edit({"A2", sn("A2"), -9}, entry(-9, "A2", D.addDays(1), "渠道", 1));
    tx.commit();
    EXPECT_TRUE(inBlock("A2", "渠道"));
    EXPECT_EQ(ExpectChainsHold(), 4);
}

TEST_F(PostingTest, ChainCheckNamesABrokenLink)
{
    post(entry(-9, "A", D, "甲", 10));
    post(entry(-9, "B", D, "甲", 5));
    Db().execute("update TB1 set QC=11,QM=16 where F1='B'");
    EXPECT_NONFATAL_FAILURE(ExpectChainsHold(), "document \"B\"");
    Db().execute("update TB1 set QC=10,QM=14 where F1='B'");
    EXPECT_NONFATAL_FAILURE(ExpectChainHolds("甲"), "QM is not QC + YF - FK");
}

} // namespace
