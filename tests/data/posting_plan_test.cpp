// The ledger's look-ups by document find their rows along the number's index:
// on a ledger of a million entries of a few kinds, visiting every entry of
// one kind would take seconds where the number's rows take none.
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "support/testenv.h"

#include <sqlcipher/sqlite3.h>

namespace {

constexpr int kFiller = 20000;

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
    // Steps of the engine while f runs on the data file's connection.
    static int stepsOf(const std::function<void()>& f)
    {
        int steps = 0;
        sqlite3_progress_handler(
            Db().handle(), 1, [](void* p) { return ++*static_cast<int*>(p), 0; }, &steps);
        f();
        sqlite3_progress_handler(Db().handle(), 0, nullptr, nullptr);
        return steps;
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
        const int steps = stepsOf([&] {
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

} // namespace
