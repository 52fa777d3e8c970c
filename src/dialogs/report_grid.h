#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class DbError;
class FlexGrid;
class RecordSet;

// What the report, ledger and statement windows do alike around their grid:
// the cells of a refresh with a totals row under the records, the refresh
// under the wait cursor, the list counter in the main window's status bar and
// the rows a print copies out of the grid.

// Cells of a grid `rows` high and as wide as `headers`, the headers in row 0.
std::vector<QString> HeadedCells(const QStringList& headers, int rows);

// The grid before a refresh: the header row, its cells centred, and one
// empty row.
void ResetToHeaders(FlexGrid* gd, const QStringList& headers);

// The cells of a refreshed grid, sized once from the record count: the
// headers, one row per record of `rs` written by `fillRow(record, cells)`, and
// the totals row, whose `summed` columns hold totalText(col, sum) of the
// numbers in that column's cells (a cell that is no number counts 0); the
// plain number without totalText. Records + 2 rows: with no record, the
// headers and the totals row.
using RecordRowFiller = std::function<void(int record, QString* cells)>;
using TotalTextFn = std::function<QString(int col, double sum)>;
std::vector<QString> TotalsGridCells(const QStringList& headers, const RecordSet& rs, const RecordRowFiller& fillRow,
                                     const QList<int>& summed, const TotalTextFn& totalText = {});

// Runs a refresh's query and fill under the wait cursor. A statement the
// engine refuses ends it; `failed` tells the operator once the pointer is
// back to normal. False when it failed.
bool RunRefresh(const std::function<void()>& fill, const std::function<void(const DbError&)>& failed);

// Panel 4 of the main window for a list: "无信息" while the grid holds its
// header and one row with nothing in its first cell, otherwise
// "<list>：共 <count> 条记录 当前为第 <current> 条".
void ShowListCounter(const FlexGrid* gd, const QString& list, int count, int current);

// The texts of columns `cols` of the rows 1 to `lastRow` that `keep` takes
// (all of them without it), for a scratch table.
QList<QStringList> GridRows(const FlexGrid* gd, const QList<int>& cols, int lastRow,
                            const std::function<bool(int row)>& keep = {});
