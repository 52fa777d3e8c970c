#include "reports/c03.h"

#include "data/sqltext.h"
#include "reports/report_parts.h"

C03::C03(QWidget* parent)
    : ReportWindow("C03", "渠道对帐明细", parent)
{
    setParty(ChannelParty());
    setColumns({"日期", "运单号", "D/S", "目的地", "重量", "运费"}, {4, 5});
    setColumnRule(6, 50, 6);
    addExportCommand();
    addPrintCommand();
    addReturnCommand();
}

QString C03::refreshSql() const
{
    return "select F101 as 日期,F1 as 运单号,F301 as [D/S],F2031 as 目的地,F404 as 重量,F507 as 运费 from B01 where  "
           "F604<>'未出货' AND F604<>'未审核' AND " + PeriodCondition(*this, "F101") + " AND f202=" + SqlQuote(curCode());
}

ReportPrintJob C03::printJob() const
{
    return StatementPrintJob(*this, gridRows({0, 1, 2, 3, 4, 5}), "M01");
}
