#include "dialogs/listframe.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/list_reader.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "platform/flexgrid.h"
#include "platform/flexstore.h"
#include "platform/mainhost.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <optional>

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

// The rest of a list shown at once: the fill's statement, still open, read
// on a slice at a time as the grid asks for further rows, from a snapshot of
// its own. A list that lets its snapshot go (so that the journal can start
// again, or for a new fill of its window) goes on after its last row, on the
// file as it is then, when the grid next needs rows. A list shown uncounted
// is counted at idle time, a slice at a time (see countWhenIdle).
class ListFrame::ListRest : public FlexRowSource {
public:
    ListRest(ListFrame& frame, std::unique_ptr<ListReader> list)
        : m_frame(frame),
          m_list(std::move(list))
    {
        m_frame.m_rest = this;
        // A list read on the data file's own connection is read to its end
        // before that connection writes, and so is every list before the
        // read connections close (for a copy of the file), and a list that
        // cannot go on after its last row once the journal passes its bound.
        m_list->setReadRest([grid = QPointer<FlexGrid>(frame.GD)] {
            if (grid)
                grid->takeAllRows();
        });
        // The rows the window saved, shown after the list's, are not shown
        // again where it goes on.
        m_list->setLeftOut([grid = QPointer<FlexGrid>(frame.GD), col = frame.m_keyGridCol] {
            QStringList keys;
            if (grid) {
                for (int r = grid->rows() - grid->addedRows(); r < grid->rows(); ++r)
                    keys << TrimBlanks(grid->textMatrix(r, col));
            }
            return keys;
        });
    }
    ~ListRest() override
    {
        if (!m_frameGone && m_frame.m_rest == this)
            m_frame.m_rest = nullptr;
    }
    // The list is being replaced: its statement and snapshot go now, and it
    // ends with the rows it holds.
    void letGo() { m_list.reset(); }
    // The window is going: the same, and the window hears no more of it.
    void frameGoes()
    {
        letGo();
        m_frameGone = true;
    }
    // Gives its read connection back where it can go on without it later.
    void lendConnection()
    {
        if (m_list && m_list->canGoOn() && m_list->holdsSnapshot())
            m_list->letSnapshotGo();
    }

    bool fetch(FlexTextStore& store, int rows) override
    {
        if (!m_list)
            return false;
        bool inCells = false;
        try {
            m_frame.readRows(*m_list, store, qint64(rows) - store.rows(), inCells);
        } catch (const DbError& e) {
            // The row whose cells failed stays out; the rows before it stay.
            if (inCells) {
                store.endRow();
                store.removeRows(store.rows() - 1, 1);
            }
            m_failure = std::make_unique<DbError>(e);
            m_list.reset();
            return false;
        }
        if (!m_list->atEnd())
            return true;
        m_list.reset();
        return false;
    }

    void ended() override
    {
        if (!m_frameGone)
            m_frame.listEnded(m_failure.get());
    }
    void grew() override
    {
        if (!m_frameGone)
            m_frame.listGrew();
    }

    // Counts the rows still to come in the snapshot they come from, a slice
    // at a time while the program is idle, so the window goes on answering
    // meanwhile; once counted, the grid reaches every row and the counter
    // shows them all. A save meanwhile keeps it: the rows the window adds or
    // takes out are the grid's own. A list that lets its snapshot go is
    // counted anew on the next. The count ends with the list (a new fill,
    // the window going, its last row read); a count the engine refuses
    // leaves the list uncounted.
    void countWhenIdle() { nextCountSlice(); }

private:
    void nextCountSlice()
    {
        // The grid outlives its source: a slice still queued when the list
        // goes finds it gone.
        QTimer::singleShot(0, m_frame.GD, [rest = std::weak_ptr<ListRest*>(m_self)] {
            if (const auto self = rest.lock())
                (*self)->countSlice();
        });
    }
    void countSlice()
    {
        if (!m_list || m_frameGone)
            return;
        qint64 n = -1;
        try {
            n = m_list->countRestSlice(kCountSliceMs);
        } catch (const DbError&) {
            // No snapshot to count in: counted when read to its end.
        }
        if (n == RowReader::kCounting) {
            nextCountSlice();
            return;
        }
        if (n >= 0)
            m_frame.listCounted(int(n)); // may end this list
    }

    ListFrame& m_frame;
    std::unique_ptr<ListReader> m_list;
    std::unique_ptr<DbError> m_failure;
    const std::shared_ptr<ListRest*> m_self = std::make_shared<ListRest*>(this);
    bool m_frameGone = false;
};

void ListFrame::windowGoes()
{
    if (m_rest)
        m_rest->frameGoes();
    m_rest = nullptr;
}

qint64 ListFrame::readRows(ListReader& list, FlexTextStore& store, qint64 most, bool& inCells) const
{
    const int cols = store.cols();
    return list.read(most, [&](const RowView& row) {
        inCells = true;
        for (int c = 0; c < cols; ++c)
            addCell(store, row, c);
        store.endRow();
        inCells = false;
        return true;
    });
}

void ListFrame::FillGrid(const QString& sql)
{
    // Rows go from the statement straight into a store of the grid's kind,
    // which the grid takes once the first screen of them is read: a
    // statement the engine refuses then leaves the list as it was, and no
    // snapshot of the rows is held beside the grid. A longer list is shown
    // at once; its other rows come from the open statement as the grid
    // needs them (see ListRest), on a connection of its own, so the
    // window's own saves and look-ups never wait for it nor see that state.
    // Its first rows are read once.
    std::optional<WaitCursor> wait(std::in_place);
    FlexTextStore store = firstStore();
    std::unique_ptr<ListReader> list;
    qint64 counted = -1;
    bool inCells = false;
    try {
        list = beginList(fillStatement(sql));
        readRows(*list, store, kFirstListRows, inCells);
        if (!list->atEnd()) {
            counted = countAtOnce(*list);
            keepRest(*list, store, counted, inCells);
        }
    } catch (const DbError& e) {
        // A window's own cell text that fails is its command's failure, not
        // a refused list.
        if (inCells)
            throw;
        wait.reset();
        listRefused(e);
        return;
    }
    showList(std::move(store), std::move(list), counted);
}

FlexTextStore ListFrame::firstStore() const
{
    const int cols = gridCols();
    FlexTextStore store(cols);
    for (int c = 0; c < cols; ++c)
        store.addCell(QStringView(LangStr(headerText(c))));
    store.endRow();
    return store;
}

std::unique_ptr<ListReader> ListFrame::beginList(const QString& statement)
{
    // A kept read connection costs nothing; without one, a list that ends
    // within its first rows needs none. The list this one replaces gives its
    // own back where it can go on without it (a statement refused leaves it
    // shown, going on after its last row when the grid next needs rows).
    Database& db = Db();
    if (m_rest && db.readsOwnSnapshots() && !db.readConnections().hasIdle())
        m_rest->lendConnection();
    auto list = std::make_unique<ListReader>(db, statement, m_table, m_keyColumn);
    list->begin();
    return list;
}

qint64 ListFrame::countAtOnce(ListReader& list) const
{
    // Counted here only when the engine can do it at once; else the list is
    // shown uncounted and counted at idle time (ListRest), or when its last
    // row is read. A count the engine refuses only means the same. It runs
    // on the data file's own connection, whose large cache keeps the pages
    // a count walks from one fill to the next; nothing is written between
    // the list's first row and it, and should another copy of the program
    // write in that moment, the list's last row corrects the count.
    return list.countWithin(kCountBudget);
}

void ListFrame::keepRest(ListReader& list, FlexTextStore& store, qint64 counted, bool& inCells)
{
    if (!list.onMainConnection())
        return;
    if (!list.canOwnSnapshot()) {
        // Without a snapshot of its own an uncounted list is read to its end.
        if (counted < 0)
            readRows(list, store, std::numeric_limits<qint64>::max(), inCells);
        return;
    }
    // The rest comes from a snapshot of its own, after the rows read; a list
    // that cannot go on so reads its first rows again from there, for which
    // the list this one replaces gives its connection back.
    if (m_rest && !Db().readConnections().hasIdle())
        m_rest->letGo();
    if (list.moveToOwnSnapshot()) {
        store = firstStore();
        readRows(list, store, kFirstListRows, inCells);
    }
}

void ListFrame::showList(FlexTextStore&& store, std::unique_ptr<ListReader> list, qint64 counted)
{
    const qint64 n = std::max(counted, qint64(store.rows() - 1));
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
    if (!list->atEnd()) {
        GD->setAll(std::move(store), counted >= 0 ? int(n) + 1 : -1,
                   std::make_unique<ListRest>(*this, std::move(list)));
    } else {
        GD->setAll(std::move(store));
    }
    CurRow = 1;
    ShowPosition();
    // Counted once the rows shown are painted (a list read to its end
    // meanwhile is counted).
    if (counted < 0 && m_rest)
        m_rest->countWhenIdle();
}

void ListFrame::listGrew()
{
    // Not yet counted: the counter shows the rows the grid holds, as fewer
    // than the list has.
    RecCount = GD->rows() - 1;
    // A saved row, after those of the list, stays the current one.
    CurRow = std::max(1, GD->row());
    if (MainHost* host = GetMainHost())
        host->setPanelText(4, counterText());
}

void ListFrame::listCounted(int rowsLeft)
{
    GD->countSource(rowsLeft); // a list with no rows left ends here
    RecCount = GD->rows() - 1;
    // A saved row, after those of the list, stays the current one.
    CurRow = std::clamp(GD->row(), 1, std::max(1, RecCount));
    // The counter is this window's while it is the one in front; else it
    // shows the count when the window next writes it. The current row stays
    // as it is (a record being edited is not shown anew).
    MainHost* host = GetMainHost();
    if (host && isFrontWindow())
        host->setPanelText(4, counterText());
}

bool ListFrame::isFrontWindow() const
{
    MainHost* host = GetMainHost();
    if (!host)
        return false;
    QMdiArea* area = host->mdiArea();
    if (!area || !area->activeSubWindow())
        return true;
    return area->activeSubWindow() == parentWidget() || area->activeSubWindow()->widget() == this;
}

QString ListFrame::shownCount(int rows) const
{
    // A list not yet counted has more rows than those shown.
    return GD->uncounted() ? QStringLiteral("%1+").arg(rows) : QString::number(rows);
}

void ListFrame::listEnded(const DbError* failure)
{
    // The list now holds every row its statement gave, which is the count
    // shown unless taking them failed part way.
    const int held = GD->rows() - 1;
    const bool changed = held != RecCount;
    RecCount = held;
    CurRow = std::clamp(CurRow, 1, std::max(1, RecCount));
    if (failure)
        ShowDbFailure(LangStr(QString::fromUtf8(kQueryFailure)), *failure);
    if (changed)
        ShowPosition();
}

void ListFrame::listRefused(const DbError& e)
{
    // A statement the engine refuses (a bad search) leaves the list as it was.
    ShowDbFailure(LangStr(QString::fromUtf8(kQueryFailure)), e);
}

QString ListFrame::counterText() const
{
    return m_counterPrefix
        + LangStr(QStringLiteral("共 %1 条记录 当前为第 %2 条").arg(shownCount(RecCount)).arg(CurRow));
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

