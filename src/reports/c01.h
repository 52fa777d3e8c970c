#pragma once
#include "dialogs/report_window.h"

// The channel shipment detail ("出货明细"): the shipped waybills of one
// channel on one day, printed as the list handed to the channel in one of
// three layouts.
class C01 : public ReportWindow {
    Q_OBJECT
public:
    explicit C01(QWidget* parent = nullptr);

    // The three layouts: 1 "普通渠道出货", 2 "香港联盟出货", 3 "中外运出货".
    void printLayout(int layout);

protected:
    QString refreshSql() const override;
};
