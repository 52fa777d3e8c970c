#include "dialogs/report_grid.h"

#include "data/database.h"
#include "data/queries.h"
#include "platform/flexgrid.h"
#include "platform/mainhost.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <optional>

std::vector<QString> HeadedCells(const QStringList& headers, int rows)
{
    std::vector<QString> cells(size_t(rows) * headers.size());
    for (qsizetype c = 0; c < headers.size(); ++c)
        cells[size_t(c)] = headers[c];
    return cells;
}

void ResetToHeaders(FlexGrid* gd, const QStringList& headers)
{
    gd->setAll(2, int(headers.size()), HeadedCells(headers, 2));
    for (int c = 0; c < headers.size(); ++c)
        gd->setFixedAlignment(c, Qt::AlignCenter);
}

std::vector<QString> TotalsGridCells(const QStringList& headers, const RecordSet& rs, const RecordRowFiller& fillRow,
                                     const QList<int>& summed, const TotalTextFn& totalText)
{
    const int cols = int(headers.size());
    const int n = rs.recordCount();
    std::vector<QString> cells = HeadedCells(headers, n + 2);
    std::vector<double> sums(size_t(cols), 0.0);
    for (int rec = 0; rec < n; ++rec) {
        QString* row = &cells[size_t(rec + 1) * cols];
        fillRow(rec, row);
        for (int c : summed)
            sums[size_t(c)] += Val(row[c]);
    }
    QString* totals = &cells[size_t(n + 1) * cols];
    for (int c : summed)
        totals[c] = totalText ? totalText(c, sums[size_t(c)]) : CStr(sums[size_t(c)]);
    return cells;
}

bool RunRefresh(const std::function<void()>& fill, const std::function<void(const DbError&)>& failed)
{
    std::optional<DbError> failure;
    {
        WaitCursor wait;
        try {
            fill();
        } catch (const DbError& e) {
            failure = e;
        }
    }
    if (!failure)
        return true;
    failed(*failure);
    return false;
}

void ShowListCounter(const FlexGrid* gd, const QString& list, int count, int current)
{
    MainHost* host = GetMainHost();
    if (!host)
        return;
    if (gd->rows() <= 2 && TrimBlanks(gd->textMatrix(1, 0)).isEmpty())
        host->setPanelText(4, LangStr(QStringLiteral("无信息")));
    else
        host->setPanelText(4, LangStr(list + QStringLiteral("：共 %1 条记录 当前为第 %2 条").arg(count).arg(current)));
}

QList<QStringList> GridRows(const FlexGrid* gd, const QList<int>& cols, int lastRow, const std::function<bool(int row)>& keep)
{
    QList<QStringList> out;
    out.reserve(std::max(0, lastRow));
    for (int r = 1; r <= lastRow; ++r) {
        if (keep && !keep(r))
            continue;
        QStringList row;
        row.reserve(cols.size());
        for (int c : cols)
            row << gd->textMatrix(r, c);
        out << row;
    }
    return out;
}
