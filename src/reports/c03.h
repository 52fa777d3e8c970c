#pragma once
#include "dialogs/report_window.h"

// The channel reconciliation ("渠道对帐明细"): one channel's shipped
// waybills in a period, with the weight shipped and the cost totalled.
class C03 : public ReportWindow {
    Q_OBJECT
public:
    explicit C03(QWidget* parent = nullptr);

protected:
    QString refreshSql() const override;
    ReportPrintJob printJob() const override;
};
