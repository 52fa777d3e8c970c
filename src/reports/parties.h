#pragma once
#include "dialogs/report_window.h"

// The two party lists of the reports: customers and shipping channels, each
// item "code.name" in code order.
inline ReportWindow::Party CustomerParty()
{
    return {QStringLiteral("客户："), QStringLiteral("select F1,F2 from M03 order by F1"),
            QStringLiteral("请先择客户!"), QStringLiteral("您输入的客户编码无效！")};
}

inline ReportWindow::Party ChannelParty()
{
    return {QStringLiteral("渠道："), QStringLiteral("select F1,F2 from M01 order by F1"),
            QStringLiteral("请选择渠道!"), QStringLiteral("您输入的渠道编码无效！")};
}
