#pragma once
#include "dialogs/report_window.h"

// The customer reconciliation ("对帐明细表"): one customer's waybills on
// monthly account in a period, with the weight and freight totalled.
class C02 : public ReportWindow {
    Q_OBJECT
public:
    explicit C02(QWidget* parent = nullptr);

protected:
    QString refreshSql() const override;
    ReportPrintJob printJob() const override;
};
