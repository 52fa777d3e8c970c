#pragma once
#include "customers/quote_math.h"

#include <QList>
#include <QString>

#include <array>

class Database;

// A customer's price list as it is written, without the window: one M031
// row per zone code, its prices in F2..F20. The customer's own M03 row is
// written by the list frame. Values go in bound; the caller runs these
// inside its own transaction, and they throw DbError.

struct CustomerQuote {
    QString zone;
    std::array<double, kPriceCount> prices{}; // F2..F20
};

// The customer's quotes become exactly these, in this order.
void SaveCustomerQuotes(Database& db, const QString& customerCode, const QList<CustomerQuote>& quotes);
void DeleteCustomerQuotes(Database& db, const QString& customerCode);
