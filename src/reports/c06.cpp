#include "reports/c06.h"

#include "data/database.h"
#include "platform/vb.h"
#include "reports/report_parts.h"

namespace {
constexpr int kProfit = 10;
constexpr int kSalesman = 11;
} // namespace

C06::C06(QWidget* parent)
    : ReportWindow("C06", "毛利表", parent)
{
    // Columns 7 to 9 stay empty and hidden; the totals row gives them 0.
    setColumns({"客户", "现金", "月结", "到付", "总量", "出货", "车费", "", "", "", "毛利", "业务员"},
               {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    setColumnRule(9, 20, 12, {7, 8, 9});
    addExportCommand();
    addPrintCommand();
    addReturnCommand();
}

QString C06::refreshSql() const
{
    return "select m03.f2,sum(B01.XJ) AS MXJ,SUM(B01.YJ) AS MYJ,SUM(B01.DF) AS MDF,SUM(B01.F504) AS ZZ,"
           "sum(B01.F507) AS CB,SUM(B01.F506) AS CF,SUM(B01.F508) AS HY,SUM(B01.F509) AS QK,SUM(B01.F510) AS KP,"
           "0 AS ML,M03.F8 AS YW "
           " FROM B01,M03 WHERE M03.F1=B01.F603  "
           "AND " + PeriodCondition(*this, "B01.F101") + " group by M03.F2,M03.F8 ORDER BY M03.F8 ";
}

void C06::fillRow(const RecordSet& rs, int record, QString* cells) const
{
    for (int c = 0; c <= 6; ++c)
        cells[c] = rs.at(record, c).toString();
    cells[kSalesman] = rs.at(record, kSalesman).toString();
    // A sum over empty values is Null: it shows empty and counts as 0.
    const double profit = Val(cells[4]) - Val(cells[5]) - Val(cells[6]);
    cells[kProfit] = Format(profit, "#0.00");
}

QString C06::totalText(int col, double sum) const
{
    return col == kProfit ? Format(sum, "#0.00") : CStr(sum);
}

ReportPrintJob C06::printJob() const
{
    return {"PRNTC04", ScratchColumns(12), gridRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), "prntc06.rpt",
            {"RQ='" + startText() + "至" + endText() + "毛利表'"}};
}
