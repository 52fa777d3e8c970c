#include "dialogs/listframe.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "platform/flexgrid.h"
#include "platform/flexstore.h"
#include "platform/mainhost.h"
#include "platform/vb.h"

#include <charconv>

// The list: its grid filled from a statement, the counter, and the detail
// page shown from the current row.

int ListFrame::gridCols() const
{
    if (!m_gridHeaders.isEmpty())
        return int(m_gridHeaders.size());
    int n = 0;
    for (const Field& f : m_fields)
        n = std::max(n, f.gridCol + 1);
    return n;
}

QString ListFrame::headerText(int col) const
{
    if (!m_gridHeaders.isEmpty())
        return m_gridHeaders.value(col);
    for (const Field& f : m_fields) {
        if (f.gridCol == col)
            return f.header;
    }
    return QString();
}

void ListFrame::SetupGrid()
{
    GD->clear();
    GD->setRows(2);
    GD->setCols(gridCols());
    for (int c = 0; c < gridCols(); ++c) {
        GD->setTextMatrix(0, c, LangStr(headerText(c)));
        GD->setFixedAlignment(c, Qt::AlignCenter);
    }
    CurRow = 1;
}

void ListFrame::addCell(FlexTextStore& store, const RowView& row, int col) const
{
    if (col >= row.count()) {
        store.addCell(nullptr, 0);
        return;
    }
    // Numbers are written as CStr writes them; whole ones (counts, pieces)
    // without a string made for each.
    const Value& v = row.value(col);
    if (v.kind() == Value::Real) {
        const double x = v.toDouble();
        if (!(std::fabs(x) < 1e15 && x == std::trunc(x))) {
            store.addCell(QStringView(CStr(x)));
            return;
        }
    }
    if (v.isNumber()) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, v.toInt()).ptr;
        store.addCell(digits, qsizetype(end - digits));
        return;
    }
    store.addCell(v.utf8());
}

void ListFrame::FillGrid(const QString& sql)
{
    // Rows go from the statement straight into a store of the grid's kind,
    // which the grid takes only once the statement has run to its end: a
    // statement the engine refuses, at once or part way, leaves the list as
    // it was, and no snapshot of the rows is held beside the grid.
    const int cols = gridCols();
    FlexTextStore store(cols);
    for (int c = 0; c < cols; ++c)
        store.addCell(QStringView(LangStr(headerText(c))));
    store.endRow();
    qint64 n = 0;
    bool inCells = false;
    try {
        n = Db().forEachRow(fillStatement(sql), [&](const RowView& row) {
            inCells = true;
            for (int c = 0; c < cols; ++c)
                addCell(store, row, c);
            store.endRow();
            inCells = false;
            return true;
        });
    } catch (const DbError& e) {
        // A window's own cell text that fails is its command's failure, not
        // a refused list.
        if (inCells)
            throw;
        listRefused(e);
        return;
    }
    SetupGrid();
    if (n <= 0) {
        RecCount = 0;
        return;
    }
    RecCount = int(n);
    // The fixed row as SetupGrid wrote it.
    if (store.cols() != GD->cols())
        store.setCols(GD->cols());
    for (int c = 0; c < GD->cols(); ++c) {
        if (store.utf8(0, c) != GD->textUtf8(0, c))
            store.setUtf8(0, c, GD->textUtf8(0, c));
    }
    GD->setAll(std::move(store));
    CurRow = 1;
    ShowPosition();
}

void ListFrame::listRefused(const DbError& e)
{
    // A statement the engine refuses (a bad search) leaves the list as it was.
    ShowDbFailure(LangStr(QString::fromUtf8(kQueryFailure)), e);
}

QString ListFrame::counterText() const
{
    return m_counterPrefix + LangStr(QStringLiteral("共 %1 条记录 当前为第 %2 条").arg(RecCount).arg(CurRow));
}

void ListFrame::ShowPosition()
{
    GD->setRow(CurRow);
    GD->setRowSel(CurRow);
    if (MainHost* host = GetMainHost())
        host->setPanelText(4, counterText());
}

void ListFrame::ShowRecord()
{
    if (CurRow == 0)
        CurRow = 1;
    // Fields the grid does not show come from the record's own row.
    bool fromRow = false;
    for (const Field& f : std::as_const(m_fields))
        fromRow = fromRow || (f.gridCol < 0 && !f.column.isEmpty());
    RecordSet rs;
    if (fromRow) {
        try {
            rs = Db().openRecordset(QStringLiteral("select * from %1 where %2=%3")
                                        .arg(m_table, m_keyColumn, SqlQuote(TrimBlanks(currentKey()))));
        } catch (const DbError& e) {
            const QString prefix = m_readFailure.isEmpty() ? LangStr(QString::fromUtf8(kQueryFailure)) : m_readFailure;
            ShowDbFailure(prefix, e);
            fromRow = false;
        }
    }
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const Field& f = m_fields[pos];
        if (f.gridCol >= 0) {
            showValue(pos, GD->textMatrix(CurRow, f.gridCol));
        } else if (fromRow && !f.column.isEmpty()) {
            const int col = rs.fieldIndex(f.column);
            if (!rs.eof() && col >= 0)
                showValue(pos, rs.field(col).toString());
            else if (rs.eof() && f.editor != FieldEditor::Check)
                showValue(pos, QString()); // no such record: the boxes empty, the check boxes as they were
        }
    }
    recordShown();
}

