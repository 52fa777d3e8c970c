#pragma once
#include "dialogs/report_window.h"

// What the reports share: their party lists (each item "code.name" in code
// order), the period condition of their statements, a party's name for a
// heading, and the statement both reconciliations print.

ReportWindow::Party CustomerParty();
ReportWindow::Party ChannelParty();

// The window's period on a date column, both ends by calendar day:
// " datediff('d','start',column ) >= 0  And datediff('d','end',column ) <= 0 ".
QString PeriodCondition(const ReportWindow& w, const QString& column);

// The name (F2) of the party `code` in `table` (M03 customers, M01
// channels); "" when there is none.
QString PartyName(const QString& table, const QString& code);

// The text columns "F1" .. "Fn" of a scratch table.
QStringList ScratchColumns(int n);

// The reconciliation statement: `rows` (date, number, D/S, destination,
// weight, amount; the totals row last) into PRNTC023 and "prntc023.rpt",
// headed by the period and the name of the refreshed party from `partyTable`.
ReportPrintJob StatementPrintJob(const ReportWindow& w, const QList<QStringList>& rows, const QString& partyTable);
