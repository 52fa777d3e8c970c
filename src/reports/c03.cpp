#include "reports/c03.h"

#include "data/queries.h"
#include "data/sqltext.h"
#include "reports/parties.h"

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
           "F604<>'未出货' AND F604<>'未审核' AND "
           " datediff('d'," + SqlQuote(startText()) + ",F101 ) >= 0  And datediff('d'," + SqlQuote(endText()) + ",F101 ) <= 0 "
           " AND f202=" + SqlQuote(curCode());
}

ReportPrintJob C03::printJob() const
{
    const QString name = GetStr("select F2 FROM M01 where F1=" + SqlQuote(curCode()));
    return {"PRNTC023", {"F1", "F2", "F3", "F4", "F5", "F6"}, gridRows({0, 1, 2, 3, 4, 5}), "prntc023.rpt",
            {"RQ='对帐日期:" + startText() + "至" + endText() + "'", "KH='" + name + "'"}};
}
