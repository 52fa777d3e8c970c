#include "reports/c01.h"

#include "data/sqltext.h"
#include "platform/command_guard.h"
#include "reports/report_parts.h"

#include <QAction>
#include <QMenu>

C01::C01(QWidget* parent)
    : ReportWindow("C01", "出货明细", parent)
{
    setSingleDate("出货日期");
    setParty(ChannelParty());
    setColumns({"运单号", "D/S", "发件公司", "目的地", "件数", "重量", "到付", "备注"}, {4, 5, 6});
    setColumnRule(8, 20, 8);
    addExportCommand();
    QMenu* print = addMenu("&P.打印", "Menu_P");
    const char* const items[][2] = {
        {"menu_P1", "普通渠道出货"}, {"Menu_P2", "香港联盟出货"}, {"Menu_P3", "中外运出货"}};
    for (int i = 0; i < 3; ++i) {
        QAction* a = print->addAction(items[i][1]);
        a->setObjectName(items[i][0]);
        ConnectGuarded(a, &QAction::triggered, this, [this, i] { printLayout(i + 1); });
    }
    addReturnCommand();
}

QString C01::refreshSql() const
{
    return "SELECT B01.F1,B01.F301,M03.F2,B01.F2031,B01.F401,B01.F404,B01.DF,B01.F103 FROM B01,M03 "
           "WHERE B01.F603=M03.F1  And B01.F604<>'未出货' AND B01.F604<>'未审核' AND "
           " datediff('d'," + SqlQuote(startText()) + ",F101 ) = 0 "
           " AND f202=" + SqlQuote(curCode());
}

void C01::printLayout(int layout)
{
    if (refuseEmptyPrint())
        return;
    // The scratch table holds the waybill numbers; the templates read the
    // rest from the waybills themselves.
    ReportPrintJob job{"PRNTC01", ScratchColumns(1), gridRows({0}), QStringLiteral("prntc01%1.rpt").arg(layout), {}};
    if (layout == 1)
        job.formulas << "TOWHO='TO:" + PartyName("M01", curCode()) + "  出货明细 '";
    PrintThroughHost(job);
}
