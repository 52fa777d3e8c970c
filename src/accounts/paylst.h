#pragma once
#include "accounts/entry_grid.h"

// The payment entry: payments made to channels (LB 10, "付款") and receipts
// taken from customers (LB -10, "收款"); the amount lowers the party's balance.
class PayLst : public LedgerEntryWindow {
    Q_OBJECT
public:
    explicit PayLst(int lb = 10, QWidget* parent = nullptr);

protected:
    QStringList headers() const override;
};
