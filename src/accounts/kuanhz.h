#pragma once
#include "accounts/ledger_report.h"

// The summary ledger ("应付货款总帐" / "应收帐款总帐"): one row per party of
// the side with its opening balance, amount added, amount paid and closing
// balance in the period, and a grand total row.
class KuanHz : public LedgerReport {
    Q_OBJECT
public:
    explicit KuanHz(int lb = 10, QWidget* parent = nullptr);

    void Menu_print_Click() override;

protected:
    QDate defaultFrom(const QDate& today) const override;
    QString selectHead() const override;
    QStringList headers() const override;
    void fillFrom(const RecordSet& rs) override;
    void sizeColumns(int gridTwips) override;
    QString defaultCaption() const override;
};
