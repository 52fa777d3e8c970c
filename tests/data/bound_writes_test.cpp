// The ledger's bound writes store what their composed statements stored:
// the counter and the newest date in sysinfo, and the delete by documents.
#include "data/balance_rewriter.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "support/stored_cells.h"

namespace {

class BoundWritesTest : public OldAndNewFileTest {
protected:
    void seed(Database& db) override
    {
        db.execute("insert into TB1 (F1,F2,F3,LB,SN,YF,FK,F6) values "
                   "('W1','2024-03-01','甲',-9,31,10,0,'张三'), ('w1','2024-03-02','甲',-9,33.5,5,0,'张三'), "
                   "('W1','2024-03-02','乙',9,35,7,0,'张三'), ('O''Z','2024-03-03','乙',-9,37,2,0,'张三'), "
                   "('W2','2024-03-04','甲',-9,39.5,1,0,'张三'), ('W3',Null,'丙',-9,0,4,0,'张三')");
    }
    void expectSame(const QString& table)
    {
        EXPECT_EQ(StoredCells(Db(), table).join('\n').toStdString(), StoredCells(*old, table).join('\n').toStdString());
    }
};

} // namespace

TEST_F(BoundWritesTest, ALaterEntryDateIsKeptAsTheComposedUpdateKeptIt)
{
    for (const QDate& d : {QDate(2024, 4, 1), QDate(2025, 12, 31)}) {
        EXPECT_EQ(CompareLedgerDate(d), 0);
        old->execute("update  sysinfo set setStr='" + DateText(d) + "' where ID=9999");
        expectSame("sysinfo");
    }
}

TEST_F(BoundWritesTest, TheCounterIsSetAsTheComposedUpdateSetIt)
{
    // Entries with no later entry above them: the counter moves on from the
    // highest number on or before the day (a fraction cut off).
    const struct {
        QDate day;
        const char* docNo;
        double counter;
    } cases[] = {{QDate(2024, 3, 4), "N1", 41}, {QDate(2024, 3, 5), "N1", 69}, {QDate(2024, 3, 4), "W2", 67}};
    for (const auto& c : cases) {
        Transaction tx(Db());
        const double sn = NextLedgerSN(c.day, c.docNo, 0);
        tx.commit();
        EXPECT_EQ(sn, c.counter);
        old->execute("update sysinfo set Setval=" + SqlNum(sn) + " Where ID=100");
        expectSame("sysinfo");
    }
}

TEST_F(BoundWritesTest, DocumentsAreDeletedAsTheComposedDeleteDeletedThem)
{
    const QList<QList<LedgerDocument>> cases = {{{"W1", -9}, {"O'Z", -9}}, {{"W2", 9}}, {{"W3", -9}, {"W2", -9}}};
    for (const QList<LedgerDocument>& docs : cases) {
        Transaction tx(Db());
        LedgerPosting posting;
        const int removed = posting.remove(docs);
        tx.commit();

        // The delete as it was composed, with its parties redone the same way.
        QStringList each;
        for (const LedgerDocument& d : docs)
            each << "(F1=" + SqlQuote(d.docNo) + " and LB=" + SqlNum(d.lb) + ")";
        const QString where = each.join(" OR ");
        QList<QPair<QString, double>> parties;
        for (RecordSet rs = old->openRecordset("select F3,min(SN) from TB1 where (" + where
                                               + ") and SN<>0 and F3 is not null group by F3");
             !rs.eof(); rs.moveNext())
            parties.append({rs.field(0).toString(), rs.field(1).toDouble()});
        Transaction oldTx(*old);
        EXPECT_EQ(removed, old->execute("delete from TB1 where " + where));
        BalanceRewriter rewriter(*old);
        for (const auto& [party, sn] : parties)
            rewriter.recalc(sn, party);
        oldTx.commit();
        expectSame("TB1");
    }
}
