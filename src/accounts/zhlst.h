#pragma once
#include "accounts/entry_grid.h"

// The debt entry: amounts the company comes to owe a channel (LB 9,
// "增加应付款") or a customer comes to owe the company (LB -9, "增加应收款").
class zhLst : public LedgerEntryWindow {
    Q_OBJECT
public:
    explicit zhLst(int lb = 9, QWidget* parent = nullptr);

protected:
    QStringList headers() const override;
};
