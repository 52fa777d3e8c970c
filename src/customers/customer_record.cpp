#include "customers/customer_record.h"

#include "data/database.h"
#include "data/statement.h"

void DeleteCustomerQuotes(Database& db, const QString& customerCode)
{
    Statement del(db, QStringLiteral("delete from M031 where F0=?1"));
    del.bind(1, customerCode);
    del.run();
}

void SaveCustomerQuotes(Database& db, const QString& customerCode, const QList<CustomerQuote>& quotes)
{
    DeleteCustomerQuotes(db, customerCode);
    Statement insert(db, QStringLiteral("insert into M031 (F0,F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,"
                                        "F18,F19,F20) values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,"
                                        "?17,?18,?19,?20,?21)"));
    for (const CustomerQuote& q : quotes) {
        insert.bind(1, customerCode);
        insert.bind(2, q.zone);
        for (int i = 0; i < int(q.prices.size()); ++i)
            insert.bind(i + 3, q.prices[size_t(i)]);
        insert.run();
    }
}
