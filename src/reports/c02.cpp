#include "reports/c02.h"

#include "data/sqltext.h"
#include "reports/report_parts.h"

C02::C02(QWidget* parent)
    : ReportWindow("C02", "对帐明细表", parent)
{
    setParty(CustomerParty());
    setColumns({"日期", "运单号", "D/S", "目的地", "重量", "基本费用", "附加费用", "燃油费率", "其它费用", "运费"}, {4, 9});
    setColumnRule(10, 30, 10);
    addExportCommand("Menu_Texcel");
    addPrintCommand();
    addReturnCommand();
}

QString C02::refreshSql() const
{
    return "select F101 ,F1,F301 ,F2031,F402,F502,F503,F505,F508,F504 from B01 where  " + PeriodCondition(*this, "F101") +
           " AND f603=" + SqlQuote(curCode()) + " AND F501='月结'";
}

ReportPrintJob C02::printJob() const
{
    return StatementPrintJob(*this, gridRows({0, 1, 2, 3, 4, 9}), "M03");
}
