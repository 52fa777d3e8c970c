#pragma once
#include "dialogs/report_window.h"

// The monthly statement ("月结表"): every waybill of a period, for all
// customers and channels, ordered by customer, with seven columns totalled.
class C04 : public ReportWindow {
    Q_OBJECT
public:
    explicit C04(QWidget* parent = nullptr);

protected:
    QString refreshSql() const override;
    ReportPrintJob printJob() const override;
};
