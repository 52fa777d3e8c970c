#pragma once
#include "dialogs/report_window.h"

// The gross-profit table ("毛利表"): per customer and salesman over a period,
// the fees by payment method, the total, the shipping and vehicle costs and
// the gross profit, with a totals row.
class C06 : public ReportWindow {
    Q_OBJECT
public:
    explicit C06(QWidget* parent = nullptr);

protected:
    QString refreshSql() const override;
    void fillRow(const RecordSet& rs, int record, QString* cells) const override;
    QString totalText(int col, double sum) const override;
    ReportPrintJob printJob() const override;
};
