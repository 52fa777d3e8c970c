#pragma once
#include "accounts/ledger_report.h"

// The detail ledger ("应付帐款明细" / "应收帐款明细"): every entry of the side
// in the period, party by party in sequence order, with its document number,
// business text, amount added, amount paid and the balance after it; after
// each party a total row with its opening balance, sums and closing balance.
// The administrator's "&S.维护" opens the balance refresh.
class KuanMx : public LedgerReport {
    Q_OBJECT
public:
    explicit KuanMx(int lb = 10, QWidget* parent = nullptr);

    void formLoad() override;
    void Menu_print_Click() override;
    void Menu_Weihu_Click();

protected:
    QDate defaultFrom(const QDate& today) const override;
    QString selectHead() const override;
    QStringList headers() const override;
    void fillFrom(const RecordSet& rs) override;
    void sizeColumns(int gridTwips) override;
    QString defaultCaption() const override;

private:
    QAction* Menu_Weihu;
};
