#include "reports/c04.h"

#include "data/sqltext.h"
#include "platform/flexgrid.h"
#include "reports/report_parts.h"

C04::C04(QWidget* parent)
    : ReportWindow("C04", "月结表", parent)
{
    setColumns({"日期", "单位", "运单号", "D/S", "收重", "目的地", "现金", "月结", "到付", "收件", "出司", "出重", "出费",
                "车费", "备注"},
               {4, 6, 7, 8, 11, 12, 13});
    // The highlight and the layout rule leave the last columns alone.
    setLastSelectedCol(13);
    setColumnRule(14, 20, 12);
    addExportCommand();
    addPrintCommand();
    addReturnCommand();
}

QString C04::refreshSql() const
{
    // The "+" keeps the customer index from serving the ordering: it would
    // walk every waybill of every year; the send-date index reads the period.
    return "select B01.F101,M03.F2,B01.F1,B01.F301,B01.F402,B01.F2031,B01.XJ,B01.YJ,B01.DF,B01.F602,M01.F2,B01.F404,"
           "B01.F507,B01.F506,B01.F103 from B01,M01,M03 where    "
           " B01.F202=M01.F1 AND B01.F603=M03.F1 AND " + PeriodCondition(*this, "F101") + "ORDER BY +B01.F603";
}

ReportPrintJob C04::printJob() const
{
    // Only waybill rows are printed, each under its day of the month; the
    // template totals them itself.
    ReportPrintJob job{"PRNTC04", ScratchColumns(15), {}, "prntc04.rpt",
                       {"RQ='" + startText() + "至" + endText() + "月结表'"}};
    for (int r = 1; r < grid()->rows(); ++r) {
        const std::optional<QDateTime> day = ParseDateText(grid()->textMatrix(r, 0));
        if (!day)
            continue;
        QStringList row{QString::number(day->date().day())};
        for (int c = 1; c <= 14; ++c)
            row << grid()->textMatrix(r, c);
        job.rows << row;
    }
    return job;
}
