#include "reports/c02.h"

#include "data/queries.h"
#include "data/sqltext.h"
#include "reports/parties.h"

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
    return "select F101 ,F1,F301 ,F2031,F402,F502,F503,F505,F508,F504 from B01 where  "
           " datediff('d'," + SqlQuote(startText()) + ",F101 ) >= 0  And datediff('d'," + SqlQuote(endText()) + ",F101 ) <= 0 "
           " AND f603=" + SqlQuote(curCode()) + " AND F501='月结'";
}

ReportPrintJob C02::printJob() const
{
    const QString name = GetStr("select F2 FROM M03 where F1=" + SqlQuote(curCode()));
    return {"PRNTC023", {"F1", "F2", "F3", "F4", "F5", "F6"}, gridRows({0, 1, 2, 3, 4, 9}), "prntc023.rpt",
            {"RQ='对帐日期:" + startText() + "至" + endText() + "'", "KH='" + name + "'"}};
}
