// The ledger's look-ups by document find their rows along the number's index:
// on a ledger of a million entries of a few kinds, visiting every entry of
// one kind would take seconds where the number's rows take none. An edit
// walks each party's later entries once, not once per posting call.
#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "support/ledger_check.h"
#include "support/testenv.h"

#include <sqlcipher/sqlite3.h>

namespace {

constexpr int kFiller = 20000;

// Steps of the engine while f runs on the data file's connection.
int StepsOf(const std::function<void()>& f)
{
    int steps = 0;
    sqlite3_progress_handler(
        Db().handle(), 1, [](void* p) { return ++*static_cast<int*>(p), 0; }, &steps);
    f();
    sqlite3_progress_handler(Db().handle(), 0, nullptr, nullptr);
    return steps;
}

class PostingPlanTest : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        // Many entries of both kinds a waybill posts, none of them its own.
        Db().executeNative(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                          "insert into TB1 (F1,F2,F3,LB,SN,YF,FK,QC,QM) select 'X' || i, '2024-03-01', "
                                          "'别人', case when i % 2 = 0 then %2 else %3 end, 1000 + i, 1, 0, i - 1, i from n")
                               .arg(kFiller)
                               .arg(kReceivableAdded)
                               .arg(kPayableAdded));
    }
};

TEST_F(PostingPlanTest, AWaybillsPostingsAreRemovedByTheirNumbersNotByTheirKinds)
{
    struct Case {
        const char* what;
        const char* number;
        int removed;
    };
    const Case cases[] = {{"a waybill with both postings", "W1", 2}, {"a number nothing holds", "W2", 0}};
    Db().executeNative("insert into TB1 (F1,F2,F3,LB,SN,YF,FK,QC,QM) values "
                       "('YSW1','2024-03-02','客户',-9,50000,10,0,0,10), ('YFW1','2024-03-02','渠道',9,50001,20,0,0,20)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int removed = -1;
        const int steps = StepsOf([&] {
            Transaction tx(Db());
            LedgerPosting posting;
            removed = posting.remove(WaybillPostings(c.number));
            tx.commit();
        });
        EXPECT_EQ(removed, c.removed);
        EXPECT_LT(steps, kFiller / 4);
    }
    EXPECT_EQ(Db().openRecordset("select count(*) from TB1").at(0, 0).toInt(), kFiller);
}

// Two parties with many entries after a waybill's postings, their balances
// as the posting service leaves them.
class EditPlanTest : public DataTest {
protected:
    static constexpr int kLater = 4000;
    void SetUp() override
    {
        DataTest::SetUp();
        // The waybill's two postings first, then each party's later entries
        // interleaved, ten a day.
        Db().executeNative(QStringLiteral(
            "insert into TB1 (F1,F2,F3,LB,SN,YF,FK,QC,QM,F6) values "
            "('YSW1','2024-01-01','客户',-9,31,10,0,0,10,'管理员'), ('YFW1','2024-01-01','渠道',9,32,20,0,0,20,'管理员')"));
        Db().executeNative(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                           "insert into TB1 (F1,F2,F3,LB,SN,YF,FK,QC,QM,F6) select 'X' || i, "
                           "date('2024-01-02', '+' || (i / 10) || ' days'), "
                           "case when i % 2 = 0 then '客户' else '渠道' end, "
                           "case when i % 2 = 0 then %2 else %3 end, 100 + 2 * i, 1, 0, "
                           "case when i % 2 = 0 then 10 + (i / 2 - 1) else 20 + (i - 1) / 2 end, "
                           "case when i % 2 = 0 then 10 + i / 2 else 20 + (i + 1) / 2 end, '管理员' from n")
                .arg(2 * kLater)
                .arg(kReceivableAdded)
                .arg(kPayableAdded));
        Db().executeNative(QStringLiteral("update sysinfo set Setval=%1 where ID=100").arg(100 + 4 * kLater));
    }
};

TEST_F(EditPlanTest, AWaybillEditRecomputesEachPartysLaterEntriesOnce)
{
    // The waybill's amounts change: every later balance of both parties moves.
    LedgerEntry receivable;
    receivable.lb = kReceivableAdded;
    receivable.docNo = QStringLiteral("YSW1");
    receivable.date = QDate(2024, 1, 1);
    receivable.party = QStringLiteral("客户");
    receivable.amount = 12;
    LedgerEntry payable = receivable;
    payable.lb = kPayableAdded;
    payable.docNo = QStringLiteral("YFW1");
    payable.party = QStringLiteral("渠道");
    payable.amount = 25;
    const auto edit = [&](bool inOneRewrite) {
        return StepsOf([&] {
            Transaction tx(Db());
            LedgerPosting posting;
            const auto writes = [&] {
                posting.remove(WaybillPostings("W1"));
                const double sn = posting.post(receivable, "W1");
                posting.postAt(payable, sn + 1);
            };
            if (inOneRewrite)
                posting.inOneRewrite(writes);
            else
                writes();
            tx.commit();
        });
    };
    const int held = edit(true);
    ExpectChainsHold();
    receivable.amount = 10;
    payable.amount = 20;
    const int callByCall = edit(false);
    ExpectChainsHold();
    // One recomputation of both parties in which every balance is written.
    Db().executeNative(QStringLiteral("update TB1 set QC=null,QM=null"));
    const int once = StepsOf([&] {
        Transaction tx(Db());
        RecalcBalances(0, QStringLiteral("客户"));
        RecalcBalances(0, QStringLiteral("渠道"));
        tx.commit();
    });
    EXPECT_LT(held, once * 5 / 4);
    // The calls one by one, each recomputing at once, walk the entries twice.
    EXPECT_GT(callByCall, once * 3 / 2);
}

} // namespace
