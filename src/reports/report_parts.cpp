#include "reports/report_parts.h"

#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"

ReportWindow::Party CustomerParty()
{
    return {QStringLiteral("客户："), QStringLiteral("select F1,F2 from M03 order by F1"),
            QStringLiteral("请先择客户!"), QStringLiteral("您输入的客户编码无效！")};
}

ReportWindow::Party ChannelParty()
{
    return {QStringLiteral("渠道："), QStringLiteral("select F1,F2 from M01 order by F1"),
            QStringLiteral("请选择渠道!"), QStringLiteral("您输入的渠道编码无效！")};
}

QString PeriodCondition(const ReportWindow& w, const QString& column)
{
    return " datediff('d'," + SqlQuote(w.startText()) + "," + column + " ) >= 0  And datediff('d'," +
           SqlQuote(w.endText()) + "," + column + " ) <= 0 ";
}

QString PartyName(const QString& table, const QString& code)
{
    return GetStr("select F2 FROM " + table + " where F1=" + SqlQuote(code));
}

QStringList ScratchColumns(int n)
{
    QStringList cols;
    for (int i = 1; i <= n; ++i)
        cols << QStringLiteral("F%1").arg(i);
    return cols;
}

ReportPrintJob StatementPrintJob(const ReportWindow& w, const QList<QStringList>& rows, const QString& partyTable)
{
    return {"PRNTC023", ScratchColumns(6), rows, "prntc023.rpt",
            {ReportFormula("RQ", "对帐日期:" + w.startText() + "至" + w.endText()),
             ReportFormula("KH", PartyName(partyTable, w.curCode()))}};
}
