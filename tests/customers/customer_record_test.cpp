#include "support/stored_cells.h"
#include "support/testenv.h"

#include "customers/customer_record.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"

// A customer's quotes are written by bound statements; they must store what
// the composed delete and the insert before them stored, type and value
// alike, in two copies of the data file holding the same rows.

namespace {

void OldQuotes(Database& db, const QString& customer, const QList<CustomerQuote>& quotes)
{
    db.execute("delete from M031 where F0=" + SqlQuote(customer));
    QStringList params;
    for (int i = 1; i <= kQuoteCols; ++i)
        params << QStringLiteral("?%1").arg(i);
    Statement insert(db, "insert into M031 (F0,F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,F20)"
                         " values (" + params.join(',') + ")");
    for (const CustomerQuote& q : quotes) {
        insert.bind(1, customer);
        insert.bind(2, q.zone);
        for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
            insert.bind(c + 1, q.prices[size_t(c - kFirstPriceCol)]);
        insert.run();
    }
}

CustomerQuote Quote(const QString& zone, double first, double step = 0)
{
    CustomerQuote q{zone};
    q.prices[0] = first;
    q.prices[1] = step;
    q.prices[kPriceCount - 1] = first * 3;
    return q;
}

} // namespace

class CustomerRecordTest : public OldAndNewFileTest {
protected:
    void seed(Database& db) override
    {
        db.execute("insert into M031 (F0,F1,F2,F20) values ('K1','Z0',1,2)");
        db.execute("insert into M031 (F0,F1,F2,F20) values ('K2','Z0',3,4.5)");
    }
};

TEST_F(CustomerRecordTest, QuotesAreStoredAsTheOldWriteStoredThem)
{
    const struct {
        QString customer;
        QList<CustomerQuote> quotes;
    } cases[] = {
        {"K1", {Quote("Z1", 12, 0.5), Quote("O'Z", 0), Quote("Z3", 123456.125, 1e-7)}},
        {"K1", {}},
        {"K'3", {Quote("Z1", 5)}},
    };
    for (const auto& c : cases) {
        SaveCustomerQuotes(Db(), c.customer, c.quotes);
        OldQuotes(*old, c.customer, c.quotes);
        EXPECT_EQ(StoredCells(Db(), "M031"), StoredCells(*old, "M031"));
    }
    DeleteCustomerQuotes(Db(), "K2");
    old->execute("delete from M031 WHERE F0=" + SqlQuote("K2"));
    EXPECT_EQ(StoredCells(Db(), "M031"), StoredCells(*old, "M031"));
    EXPECT_EQ(StoredCells(Db(), "M031").size(), 1); // K'3's one quote
}
