#include "platform/flexgrid.h"

#include "platform/cell_editor.h"
#include "platform/command_guard.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <optional>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// Cells in a QString vector above which its freed memory is given back at once.
constexpr size_t kLargeFill = 1000000;
// Rows taken from a source at a time, at the least: a screen scrolled on
// or a page down seldom has to ask again.
constexpr int kRowSlice = 4096;

int RowOfKey(qint64 key) { return int(key >> 20); }
int ColOfKey(qint64 key) { return int(key & 0xfffff); }

// Rows from `from` on move by `by`; when rows go (by < 0) the entries of the
// rows taken out go with them.
template <class T>
void ShiftRows(QHash<qint64, T>& cells, int from, int by)
{
    const int firstMoved = std::min(from, from + by);
    if (by == 0 || std::none_of(cells.keyBegin(), cells.keyEnd(), [&](qint64 k) { return RowOfKey(k) >= firstMoved; }))
        return; // no entry at or after the rows added or taken out
    QHash<qint64, T> moved;
    moved.reserve(cells.size());
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        const int r = RowOfKey(it.key());
        if (r < firstMoved)
            moved.insert(it.key(), *it);
        else if (r >= from)
            moved.insert(FlexTextModel::key(r + by, ColOfKey(it.key())), *it);
    }
    cells = std::move(moved);
}

template <class T, class Pred>
void DropCells(QHash<qint64, T>& cells, Pred drop)
{
    for (auto it = cells.begin(); it != cells.end();)
        it = drop(it.key()) ? cells.erase(it) : std::next(it);
}
} // namespace

// ---------------------------------------------------------------- fixed areas

// The grid's headers: the horizontal one paints the fixed rows over the
// scrolling columns, the vertical one the fixed columns beside the scrolling
// rows. Sections stay the table view's, so widths, heights and scrolling
// follow it.
class FlexFixedHeader : public QHeaderView {
public:
    FlexFixedHeader(Qt::Orientation orientation, FlexGrid* grid)
        : QHeaderView(orientation, grid)
        , m_grid(grid)
    {
    }

    QSize sizeHint() const override
    {
        if (orientation() == Qt::Horizontal)
            return {length(), m_grid->fixedRowsHeight()};
        return {m_grid->fixedColsWidth(), length()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(viewport());
        std::vector<FlexGrid::Line> rows, cols;
        const FlexTextModel* m = m_grid->m_model;
        if (orientation() == Qt::Horizontal) {
            rows = m_grid->fixedRowLines();
            for (int s = 0; s < count(); ++s)
                if (!isSectionHidden(s))
                    cols.push_back({m->gridCol(s), sectionViewportPosition(s), sectionSize(s)});
        } else {
            cols = m_grid->fixedColLines();
            if (count() == 0)
                return;
            int first = std::max(0, visualIndexAt(0));
            int last = visualIndexAt(viewport()->height() - 1);
            if (last < 0)
                last = count() - 1;
            // A merged run that begins above or ends below the visible rows
            // is drawn whole, so its text stays where the run is.
            for (const FlexGrid::Line& l : cols) {
                if (!m_grid->mergesDown(l.index))
                    continue;
                while (first > 0 && m->m_store.equal(m->gridRow(first - 1), l.index, m->gridRow(first), l.index))
                    --first;
                while (last + 1 < count() && m->m_store.equal(m->gridRow(last + 1), l.index, m->gridRow(last), l.index))
                    ++last;
            }
            for (int s = first; s <= last; ++s)
                rows.push_back({m->gridRow(s), sectionViewportPosition(s), sectionSize(s)});
        }
        m_grid->paintFixed(p, rows, cols);
    }

private:
    FlexGrid* m_grid;
};

// The fixed cells where fixed rows and fixed columns meet.
class FlexCorner : public QWidget {
public:
    explicit FlexCorner(FlexGrid* grid)
        : QWidget(grid)
        , m_grid(grid)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        m_grid->paintFixed(p, m_grid->fixedRowLines(), m_grid->fixedColLines());
    }

private:
    FlexGrid* m_grid;
};

// ---------------------------------------------------------------- model

FlexTextModel::FlexTextModel(FlexGrid* grid)
    : QAbstractTableModel(grid)
    , m_grid(grid)
    , m_store(2)
    , m_colAlign(2, Qt::Alignment())
    , m_fixedAlign(2, Qt::Alignment())
{
    m_store.setRows(2);
}

QString FlexTextModel::cellText(int r, int c) const
{
    if (m_counted >= 0 && r >= m_counted)
        return m_tail.text(r - m_counted, c);
    return m_store.text(r, c);
}

std::string_view FlexTextModel::cellUtf8(int r, int c) const
{
    if (m_counted >= 0 && r >= m_counted)
        return m_tail.utf8(r - m_counted, c);
    return m_store.utf8(r, c);
}

void FlexTextModel::appendTail()
{
    for (int r = 0; r < m_tail.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_tail.cols(); ++c)
            cells << m_tail.text(r, c);
        m_store.addRow(cells);
    }
    m_tail = FlexTextStore(m_store.cols());
    m_counted = -1;
    m_uncounted = false;
}

int FlexTextModel::headerRows() const
{
    return std::min(m_grid->m_fixedRows, rows());
}

int FlexTextModel::headerCols() const
{
    return std::min(m_grid->m_fixedCols, cols());
}

int FlexTextModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows() - headerRows();
}

int FlexTextModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : cols() - headerCols();
}

const FlexTextModel::CellStyle* FlexTextModel::style(int r, int c) const
{
    if (m_styles.isEmpty())
        return nullptr;
    auto it = m_styles.constFind(key(r, c));
    return it == m_styles.constEnd() ? nullptr : &*it;
}

Qt::Alignment FlexTextModel::alignment(int r, int c) const
{
    Qt::Alignment a;
    if (const CellStyle* s = style(r, c))
        a = s->align;
    if (!a && c >= 0 && c < cols())
        a = (r < headerRows() || c < headerCols()) ? m_fixedAlign[size_t(c)] : m_colAlign[size_t(c)];
    if (!(a & Qt::AlignHorizontal_Mask))
        a |= Qt::AlignLeft;
    if (!(a & Qt::AlignVertical_Mask))
        a |= Qt::AlignVCenter;
    return a;
}

QVariant FlexTextModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = gridRow(index.row());
    const int c = gridCol(index.column());
    switch (role) {
    case Qt::DisplayRole: return cellText(r, c);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(r, c));
    case Qt::BackgroundRole:
        if (const CellStyle* s = style(r, c); s && s->back.isValid())
            return s->back;
        return {};
    case Qt::ForegroundRole:
        if (const CellStyle* s = style(r, c); s && s->fore.isValid())
            return s->fore;
        return {};
    case Qt::FontRole:
        if (const CellStyle* s = style(r, c); s && s->bold) {
            QFont f = m_grid->font();
            f.setBold(true);
            return f;
        }
        return {};
    default:
        return {};
    }
}

QVariant FlexTextModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The caption nearest the cells names a column (the headers paint
    // themselves; this serves whoever asks the model).
    if (orientation != Qt::Horizontal || headerRows() == 0 || section < 0 || section >= columnCount())
        return {};
    const int r = headerRows() - 1;
    const int c = gridCol(section);
    if (role == Qt::DisplayRole)
        return m_store.text(r, c);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignment(r, c));
    return {};
}

Qt::ItemFlags FlexTextModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------- grid

FlexGrid::FlexGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new FlexTextModel(this))
    , m_colTwips(size_t(m_model->cols()), -1)
    , m_fixedRowTwips(size_t(m_fixedRows), -1)
{
    setHorizontalHeader(new FlexFixedHeader(Qt::Horizontal, this));
    setVerticalHeader(new FlexFixedHeader(Qt::Vertical, this));
    setModel(m_model);
    m_corner = new FlexCorner(this);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the grid for the next control; as cell navigation it would
    // also move the current row whenever a focused grid is hidden.
    setTabKeyNavigation(false);
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
    }
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::max(16, fontMetrics().height() + 4));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);

    // The selected row stays marked when the grid loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit dblClick(); });
    connect(this, &QAbstractItemView::clicked, this, [this] {
        emit clicked();
        if (m_editor)
            m_editor->gridClicked();
    });
    // A width dragged by the user is the column's width from then on.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (m_syncing)
            return;
        const int c = m_model->gridCol(section);
        if (c < cols() && size > 0)
            m_colTwips[size_t(c)] = PxToTwips(size);
        if (m_editor)
            m_editor->place();
    });
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_editor)
                m_editor->gridScrolled();
        });
    // Rows scrolled into view are taken before they are painted.
    ConnectGuarded(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { takeVisibleRows(); });
    resetModel([] {});
}

FlexGrid::~FlexGrid()
{
    if (m_editor)
        m_editor->detach();
}

FlexCellEditor* FlexGrid::cellEditor()
{
    if (!m_editor)
        m_editor = new FlexCellEditor(this);
    return m_editor;
}

QModelIndex FlexGrid::viewIndex(int r, int c) const
{
    const int mr = r - m_model->headerRows();
    const int mc = c - m_model->headerCols();
    if (mr < 0 || mc < 0 || r >= rows() || c >= cols())
        return {};
    return m_model->index(mr, mc);
}

void FlexGrid::resetModel(const std::function<void()>& change)
{
    if (m_editor)
        m_editor->gridReset();
    ++m_syncing;
    m_model->beginResetModel();
    change();
    const size_t n = size_t(m_model->cols());
    m_colTwips.resize(n, -1);
    m_model->m_colAlign.resize(n, Qt::Alignment());
    m_model->m_fixedAlign.resize(n, Qt::Alignment());
    m_fixedRowTwips.resize(size_t(m_fixedRows), -1);
    m_model->endResetModel();
    --m_syncing;
    horizontalHeader()->setVisible(m_model->headerRows() > 0);
    verticalHeader()->setVisible(m_model->headerCols() > 0);
    applyWidths();
    clampCurrent();
    syncView();
    scheduleMerges();
    updateFixedAreas();
}

int FlexGrid::colPx(int c) const
{
    const int tw = m_colTwips[size_t(c)];
    if (tw == 0)
        return 0;
    return tw < 0 ? horizontalHeader()->defaultSectionSize() : std::max(1, TwipsToPx(tw));
}

int FlexGrid::fixedRowPx(int r) const
{
    const int tw = m_fixedRowTwips[size_t(r)];
    return tw < 0 ? verticalHeader()->defaultSectionSize() : std::max(1, TwipsToPx(tw));
}

std::vector<FlexGrid::Line> FlexGrid::fixedRowLines() const
{
    std::vector<Line> lines;
    for (int r = 0, y = 0; r < m_model->headerRows(); ++r) {
        lines.push_back({r, y, fixedRowPx(r)});
        y += lines.back().size;
    }
    return lines;
}

std::vector<FlexGrid::Line> FlexGrid::fixedColLines() const
{
    std::vector<Line> lines;
    for (int c = 0, x = 0; c < m_model->headerCols(); ++c) {
        const int w = colPx(c);
        if (w > 0)
            lines.push_back({c, x, w});
        x += w;
    }
    return lines;
}

int FlexGrid::fixedRowsHeight() const
{
    int h = 0;
    for (int r = 0; r < m_model->headerRows(); ++r)
        h += fixedRowPx(r);
    return h;
}

int FlexGrid::fixedColsWidth() const
{
    int w = 0;
    for (int c = 0; c < m_model->headerCols(); ++c)
        w += colPx(c);
    return w;
}

void FlexGrid::updateFixedAreas()
{
    updateGeometries();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    m_corner->update();
}

void FlexGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!m_corner)
        return;
    const bool corner = m_model->headerRows() > 0 && m_model->headerCols() > 0;
    m_corner->setVisible(corner);
    if (corner) {
        m_corner->setGeometry(verticalHeader()->x(), horizontalHeader()->y(), verticalHeader()->width(),
                              horizontalHeader()->height());
        m_corner->raise();
    }
    if (m_editor)
        m_editor->place();
}

void FlexGrid::applyWidths()
{
    ++m_syncing;
    const int hc = m_model->headerCols();
    for (int c = hc; c < cols(); ++c) {
        const int px = colPx(c);
        setColumnHidden(c - hc, px == 0);
        if (px > 0)
            setColumnWidth(c - hc, px);
    }
    --m_syncing;
}

void FlexGrid::setRows(int n)
{
    takeAllRows();
    n = std::max(n, m_fixedRows);
    const int old = rows();
    if (n == old)
        return;
    if (n > old) {
        insertRowsAt(old, n - old, nullptr);
        return;
    }
    const int h = m_model->headerRows();
    if (m_editor)
        m_editor->rowsRemoved(n, old - n);
    dropCellDataFrom(n);
    if (std::min(m_fixedRows, n) != h) {
        resetModel([&] { m_model->m_store.setRows(n); });
        return;
    }
    ++m_syncing;
    m_model->beginRemoveRows({}, n - h, old - h - 1);
    m_model->m_store.setRows(n);
    m_model->endRemoveRows();
    --m_syncing;
    clampCurrent();
    syncView();
    scheduleMerges();
}

void FlexGrid::setCols(int n)
{
    n = std::max(n, std::max(m_fixedCols, 1));
    if (n == cols())
        return;
    takeAllRows();
    resetModel([&] {
        m_model->m_store.setCols(n);
        const auto beyond = [n](qint64 key) { return ColOfKey(key) >= n; };
        DropCells(m_model->m_styles, beyond);
        DropCells(m_model->m_values, beyond);
    });
}

void FlexGrid::setFixedRows(int n)
{
    n = std::max(n, 0);
    if (n == m_fixedRows)
        return;
    takeAllRows();
    resetModel([&] {
        m_fixedRows = n;
        if (m_model->m_store.rows() < n)
            m_model->m_store.setRows(n);
    });
}

void FlexGrid::setFixedCols(int n)
{
    n = std::max(n, 0);
    if (n == m_fixedCols)
        return;
    takeAllRows();
    resetModel([&] {
        m_fixedCols = n;
        if (m_model->m_store.cols() <= n)
            m_model->m_store.setCols(n + 1);
    });
}

QString FlexGrid::textMatrix(int r, int c) const
{
    takeRows(r + 1);
    return m_model->cellText(r, c);
}

std::string_view FlexGrid::textUtf8(int r, int c) const
{
    takeRows(r + 1);
    return m_model->cellUtf8(r, c);
}

void FlexGrid::setTextMatrix(int r, int c, const QString& text)
{
    takeRows(r + 1);
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    if (!m_model->m_values.isEmpty() && m_model->cellText(r, c) != text)
        m_model->m_values.remove(FlexTextModel::key(r, c));
    if (m_model->m_counted >= 0 && r >= m_model->m_counted)
        m_model->m_tail.setText(r - m_model->m_counted, c, text);
    else
        m_model->m_store.setText(r, c, text);
    if (r < m_model->headerRows() || c < m_model->headerCols()) {
        updateFixedAreas();
    } else if (m_redraw) {
        const QModelIndex i = viewIndex(r, c);
        emit m_model->dataChanged(i, i, {Qt::DisplayRole});
    }
    if (m_merge)
        scheduleMerges();
}

QStringList FlexGrid::rowTexts(int r) const
{
    QStringList out;
    takeRows(r + 1);
    if (r < 0 || r >= rows())
        return out;
    out.reserve(cols());
    for (int c = 0; c < cols(); ++c)
        out << m_model->cellText(r, c);
    return out;
}

int FlexGrid::colWidth(int c) const
{
    if (c < 0 || c >= cols())
        return 0;
    const int tw = m_colTwips[size_t(c)];
    return tw >= 0 ? tw : PxToTwips(horizontalHeader()->defaultSectionSize());
}

void FlexGrid::setColWidth(int c, int twips)
{
    if (c < 0 || c >= cols())
        return;
    m_colTwips[size_t(c)] = twips < 0 ? -1 : twips;
    const int hc = m_model->headerCols();
    if (c < hc) {
        updateFixedAreas();
        return;
    }
    ++m_syncing;
    const int px = colPx(c);
    setColumnHidden(c - hc, px == 0);
    if (px > 0)
        setColumnWidth(c - hc, px);
    --m_syncing;
    if (m_editor)
        m_editor->place();
}

int FlexGrid::rowHeight(int r) const
{
    if (r < 0 || r >= rows())
        return 0;
    const int h = m_model->headerRows();
    if (r < h)
        return PxToTwips(fixedRowPx(r));
    return PxToTwips(QTableView::rowHeight(r - h));
}

void FlexGrid::setRowHeight(int r, int twips)
{
    if (r < 0 || r >= rows())
        return;
    const int h = m_model->headerRows();
    if (r < h) {
        m_fixedRowTwips[size_t(r)] = std::max(twips, 0);
        updateFixedAreas();
    } else {
        QTableView::setRowHeight(r - h, std::max(1, TwipsToPx(twips)));
        if (m_editor)
            m_editor->place();
    }
}

void FlexGrid::insertRowsAt(int at, int count, const QStringList* texts)
{
    takeAllRows();
    const int h = m_model->headerRows();
    shiftCellData(at, count);
    if (m_editor)
        m_editor->rowsInserted(at, count);
    auto insert = [&] {
        if (texts)
            m_model->m_store.insertRow(at, *texts);
        else
            m_model->m_store.insertRows(at, count);
    };
    if (std::min(m_fixedRows, rows() + count) != h) {
        // The new rows complete the fixed rows.
        resetModel(insert);
        return;
    }
    ++m_syncing;
    m_model->beginInsertRows({}, at - h, at - h + count - 1);
    insert();
    m_model->endInsertRows();
    --m_syncing;
    clampCurrent();
    syncView();
    scheduleMerges();
}

void FlexGrid::addItem(const QStringList& cells, int index)
{
    const int h = m_model->headerRows();
    if (m_source && (index < 0 || index >= rows()) && h == m_fixedRows) {
        // A row added at the end comes after every row the source holds,
        // which stay where they are.
        const int at = rows();
        if (m_editor)
            m_editor->rowsInserted(at, 1);
        ++m_syncing;
        m_model->beginInsertRows({}, at - h, at - h);
        if (m_model->m_tail.cols() != cols())
            m_model->m_tail.setCols(cols());
        m_model->m_tail.addRow(cells);
        m_model->endInsertRows();
        --m_syncing;
        clampCurrent();
        syncView();
        scheduleMerges();
        return;
    }
    takeAllRows();
    int at = (index < 0 || index > rows()) ? rows() : index;
    at = std::max(at, m_model->headerRows());
    insertRowsAt(at, 1, &cells);
}

void FlexGrid::addItem(const QString& tabJoined, int index)
{
    addItem(tabJoined.split(QLatin1Char('\t')), index);
}

void FlexGrid::removeItem(int r)
{
    // The rows a source still holds stay there; a row not yet taken is
    // taken first, with those before it.
    if (m_source && m_model->headerRows() == m_fixedRows)
        takeRows(r + 1);
    else
        takeAllRows();
    const int h = m_model->headerRows();
    if (r < h || r >= rows())
        return;
    if (m_editor)
        m_editor->rowsRemoved(r, 1);
    shiftCellData(r + 1, -1);
    ++m_syncing;
    m_model->beginRemoveRows({}, r - h, r - h);
    if (m_model->m_counted < 0) {
        m_model->m_store.removeRows(r, 1);
    } else if (r >= m_model->m_counted) {
        m_model->m_tail.removeRows(r - m_model->m_counted, 1);
    } else {
        m_model->m_store.removeRows(r, 1);
        --m_model->m_counted;
    }
    m_model->endRemoveRows();
    --m_syncing;
    if (m_row > r)
        --m_row;
    if (m_rowSel > r)
        --m_rowSel;
    clampCurrent();
    syncView();
    scheduleMerges();
}

void FlexGrid::clear()
{
    if (m_editor)
        m_editor->gridReset();
    dropSource();
    m_model->m_store.clearTexts();
    m_model->m_values.clear();
    if (m_model->rowCount() > 0 && m_model->columnCount() > 0)
        emit m_model->dataChanged(m_model->index(0, 0),
                                  m_model->index(m_model->rowCount() - 1, m_model->columnCount() - 1));
    updateFixedAreas();
    scheduleMerges();
}

void FlexGrid::clampCurrent()
{
    auto clampOne = [](int& v, int count, int fixed) {
        v = std::min(v, count - 1);
        if (v < fixed && count > fixed)
            v = fixed;
        v = std::max(v, 0);
    };
    clampOne(m_row, rows(), m_fixedRows);
    clampOne(m_col, cols(), m_fixedCols);
    m_rowSel = std::clamp(m_rowSel, 0, std::max(0, rows() - 1));
    m_colSel = std::clamp(m_colSel, 0, std::max(0, cols() - 1));
    if (m_byRow)
        m_rowSel = m_row;
}

void FlexGrid::syncView()
{
    ++m_syncing;
    QItemSelectionModel* sel = selectionModel();
    const QModelIndex idx = viewIndex(m_row, m_col);
    if (!idx.isValid()) {
        sel->clear();
    } else {
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (m_byRow)
            flags |= QItemSelectionModel::Rows;
        sel->setCurrentIndex(idx, flags);
    }
    --m_syncing;
}

void FlexGrid::moveTo(int r, int c, bool notify)
{
    takeRows(r + 1);
    r = std::clamp(r, 0, std::max(0, rows() - 1));
    c = std::clamp(c, 0, std::max(0, cols() - 1));
    const bool changed = r != m_row || c != m_col;
    m_row = m_rowSel = r;
    m_col = m_colSel = c;
    syncView();
    if (notify && changed)
        emit rowColChange();
}

void FlexGrid::setRow(int r) { moveTo(r, m_col, true); }
void FlexGrid::setCol(int c) { moveTo(m_row, c, true); }

void FlexGrid::setRowSel(int r)
{
    m_rowSel = std::clamp(r, 0, std::max(0, rows() - 1));
    const QModelIndex a = viewIndex(std::min(m_row, m_rowSel), m_model->headerCols());
    const QModelIndex b = viewIndex(std::max(m_row, m_rowSel), cols() - 1);
    if (a.isValid() && b.isValid()) {
        ++m_syncing;
        selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
        --m_syncing;
    }
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    const int r = m_model->gridRow(current.row());
    const int c = m_model->gridCol(current.column());
    if (QApplication::keyboardModifiers() & Qt::ShiftModifier) {
        // Extending the selection moves its far end, not the current cell.
        m_rowSel = r;
        m_colSel = c;
        return;
    }
    const bool changed = r != m_row || c != m_col;
    m_row = m_rowSel = r;
    m_col = m_colSel = c;
    if (changed)
        emit rowColChange();
}

void FlexGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    takeVisibleRows();
}

void FlexGrid::keyPressEvent(QKeyEvent* event)
{
    if (m_editor && m_editor->gridKey(event))
        return;
    QTableView::keyPressEvent(event);
}

void FlexGrid::inputMethodEvent(QInputMethodEvent* event)
{
    // Text composed by an input method opens the editor as a typed key does.
    if (m_editor && m_editor->gridTyped(event))
        return;
    QTableView::inputMethodEvent(event);
}

void FlexGrid::mousePressEvent(QMouseEvent* event)
{
    // An edit the window refused keeps its editor, and the click does not
    // move away from it.
    if (m_editor && !m_editor->gridPressed()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_editor && !m_editor->gridPressed()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (m_editor && indexAt(event->position().toPoint()).isValid())
        m_editor->gridDoubleClicked();
}

void FlexGrid::leaveByTab(bool forward)
{
    focusNextPrevChild(forward);
}

int FlexGrid::topRow() const
{
    const int h = m_model->headerRows();
    if (m_model->rowCount() == 0)
        return h;
    return verticalScrollBar()->value() + h;
}

void FlexGrid::setTopRow(int r)
{
    const int mr = r - m_model->headerRows();
    if (mr < 0 || mr >= m_model->rowCount())
        return;
    verticalScrollBar()->setValue(mr);
}

void FlexGrid::setSelectionByRow(bool byRow)
{
    m_byRow = byRow;
    setSelectionBehavior(byRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    syncView();
}

void FlexGrid::setColAlignment(int c, Qt::Alignment alignment)
{
    if (c < 0 || c >= cols())
        return;
    m_model->m_colAlign[size_t(c)] = alignment;
    viewport()->update();
}

void FlexGrid::setFixedAlignment(int c, Qt::Alignment alignment)
{
    if (c < 0 || c >= cols())
        return;
    m_model->m_fixedAlign[size_t(c)] = alignment;
    updateFixedAreas();
}

Qt::Alignment FlexGrid::colAlignment(int c) const
{
    if (c < 0 || c >= cols())
        return {};
    return m_model->m_colAlign[size_t(c)];
}

void FlexGrid::setCellAlignment(int r, int c, Qt::Alignment alignment)
{
    changeStyle(r, c, Qt::TextAlignmentRole, [&](FlexTextModel::CellStyle& s) { s.align = alignment; });
}

Qt::Alignment FlexGrid::cellAlignment(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return {};
    return m_model->alignment(r, c);
}

void FlexGrid::setMergeCells(bool on)
{
    m_merge = on;
    scheduleMerges();
    updateFixedAreas();
}

void FlexGrid::setMergeRow(int r, bool on)
{
    if (on)
        m_mergeRows.insert(r);
    else
        m_mergeRows.remove(r);
    scheduleMerges();
    updateFixedAreas();
}

void FlexGrid::setMergeCol(int c, bool on)
{
    if (on)
        m_mergeCols.insert(c);
    else
        m_mergeCols.remove(c);
    scheduleMerges();
    updateFixedAreas();
}

void FlexGrid::setMergeScrolling(bool on)
{
    m_mergeScrolling = on;
    scheduleMerges();
}

void FlexGrid::scheduleMerges()
{
    if (m_mergePending)
        return;
    if (!m_merge) {
        // Spans left from an earlier merge go at once.
        if (m_model->rowCount() > 0 && m_model->columnCount() > 0
            && (rowSpan(0, 0) != 1 || columnSpan(0, 0) != 1 || !m_mergeRows.isEmpty() || !m_mergeCols.isEmpty()))
            clearSpans();
        return;
    }
    m_mergePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_mergePending)
            refreshMerges();
    });
}

// Spans of the scrolling cells; the fixed cells' merges are worked out as
// they are painted.
void FlexGrid::refreshMerges()
{
    m_mergePending = false;
    clearSpans();
    updateFixedAreas();
    if (!m_merge || !m_mergeScrolling)
        return;
    if (!m_mergeCols.isEmpty())
        takeAllRows(); // equal neighbours are found down the whole list
    const FlexTextStore& s = m_model->m_store;
    const int h = m_model->headerRows();
    const int hc = m_model->headerCols();
    const int n = cols();
    QSet<qint64> covered;
    for (int c : std::as_const(m_mergeCols)) {
        if (c < hc || c >= n)
            continue;
        int start = h;
        for (int r = h + 1; r <= rows(); ++r) {
            if (r < rows() && s.equal(r, c, start, c))
                continue;
            if (r - start > 1) {
                setSpan(start - h, c - hc, r - start, 1);
                for (int k = start; k < r; ++k)
                    covered.insert(FlexTextModel::key(k, c));
            }
            start = r;
        }
    }
    for (int r : std::as_const(m_mergeRows)) {
        if (r < h || r >= rows())
            continue;
        int start = hc;
        for (int c = hc + 1; c <= n; ++c) {
            const bool same = c < n && !covered.contains(FlexTextModel::key(r, c))
                && !covered.contains(FlexTextModel::key(r, start)) && s.equal(r, c, r, start);
            if (same)
                continue;
            if (c - start > 1)
                setSpan(r - h, start - hc, 1, c - start);
            start = c;
        }
    }
}

void FlexGrid::paintFixed(QPainter& p, const std::vector<Line>& rows, const std::vector<Line>& cols) const
{
    const size_t n = rows.size();
    const size_t m = cols.size();
    if (n == 0 || m == 0)
        return;
    const FlexTextStore& s = m_model->m_store;
    std::vector<char> done(n * m, 0);
    auto area = [&](size_t i0, size_t j0, size_t i1, size_t j1) {
        return QRect(cols[j0].pos, rows[i0].pos, cols[j1].pos + cols[j1].size - cols[j0].pos,
                     rows[i1].pos + rows[i1].size - rows[i0].pos);
    };
    for (size_t j = 0; j < m; ++j) {
        const int c = cols[j].index;
        if (!mergesDown(c))
            continue;
        for (size_t i = 0; i < n;) {
            size_t k = i;
            while (k + 1 < n && s.equal(rows[k + 1].index, c, rows[i].index, c))
                ++k;
            if (k > i) {
                paintFixedCell(p, area(i, j, k, j), rows[i].index, c, true);
                for (size_t x = i; x <= k; ++x)
                    done[x * m + j] = 1;
            }
            i = k + 1;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const int r = rows[i].index;
        if (!mergesAcross(r))
            continue;
        for (size_t j = 0; j < m;) {
            if (done[i * m + j]) {
                ++j;
                continue;
            }
            size_t k = j;
            while (k + 1 < m && !done[i * m + k + 1] && s.equal(r, cols[k + 1].index, r, cols[j].index))
                ++k;
            if (k > j) {
                paintFixedCell(p, area(i, j, i, k), r, cols[j].index, true);
                for (size_t x = j; x <= k; ++x)
                    done[i * m + x] = 1;
            }
            j = k + 1;
        }
    }
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j)
            if (!done[i * m + j])
                paintFixedCell(p, area(i, j, i, j), rows[i].index, cols[j].index, false);
}

void FlexGrid::paintFixedCell(QPainter& p, const QRect& rect, int r, int c, bool merged) const
{
    const FlexTextModel::CellStyle* st = m_model->style(r, c);
    p.fillRect(rect, st && st->back.isValid() ? st->back : palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    const QString text = m_model->m_store.text(r, c);
    if (text.isEmpty())
        return;
    QFont f = font();
    f.setBold(st && st->bold);
    p.setFont(f);
    p.setPen(st && st->fore.isValid() ? st->fore : palette().color(QPalette::ButtonText));
    // A merged caption partly scrolled away keeps its text in the part in view.
    const QRect shown = merged ? rect.intersected(p.window()) : rect;
    p.drawText(shown.adjusted(3, 0, -3, -1), m_model->alignment(r, c).toInt(), text);
}

void FlexGrid::shiftCellData(int from, int by)
{
    ShiftRows(m_model->m_styles, from, by);
    ShiftRows(m_model->m_values, from, by);
}

void FlexGrid::dropCellDataFrom(int firstRow)
{
    const auto below = [firstRow](qint64 key) { return RowOfKey(key) >= firstRow; };
    DropCells(m_model->m_styles, below);
    DropCells(m_model->m_values, below);
}

void FlexGrid::setCellValue(int r, int c, const QVariant& value)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    if (value.isValid())
        m_model->m_values.insert(FlexTextModel::key(r, c), value);
    else
        m_model->m_values.remove(FlexTextModel::key(r, c));
}

QVariant FlexGrid::cellValue(int r, int c) const
{
    return m_model->m_values.value(FlexTextModel::key(r, c));
}

void FlexGrid::changeStyle(int r, int c, int role, const std::function<void(FlexTextModel::CellStyle&)>& change)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    change(m_model->styleFor(r, c));
    if (const QModelIndex i = viewIndex(r, c); i.isValid())
        emit m_model->dataChanged(i, i, {role});
    else
        updateFixedAreas();
}

void FlexGrid::setCellBackColor(int r, int c, const QColor& color)
{
    changeStyle(r, c, Qt::BackgroundRole, [&](FlexTextModel::CellStyle& s) { s.back = color; });
}

void FlexGrid::setCellForeColor(int r, int c, const QColor& color)
{
    changeStyle(r, c, Qt::ForegroundRole, [&](FlexTextModel::CellStyle& s) { s.fore = color; });
}

void FlexGrid::setCellFontBold(int r, int c, bool bold)
{
    changeStyle(r, c, Qt::FontRole, [&](FlexTextModel::CellStyle& s) { s.bold = bold; });
}

QColor FlexGrid::cellBackColor(int r, int c) const
{
    const FlexTextModel::CellStyle* s = m_model->style(r, c);
    return s ? s->back : QColor();
}

QColor FlexGrid::cellForeColor(int r, int c) const
{
    const FlexTextModel::CellStyle* s = m_model->style(r, c);
    return s ? s->fore : QColor();
}

bool FlexGrid::cellFontBold(int r, int c) const
{
    const FlexTextModel::CellStyle* s = m_model->style(r, c);
    return s && s->bold;
}

QRect FlexGrid::cellRect(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return {};
    const int h = m_model->headerRows();
    const int hc = m_model->headerCols();
    if (r >= h && c >= hc)
        return visualRect(viewIndex(r, c));
    QRect rect;
    if (c < hc) {
        int x = -verticalHeader()->width();
        for (int k = 0; k < c; ++k)
            x += colPx(k);
        rect.setLeft(x);
        rect.setWidth(colPx(c));
    } else {
        rect.setLeft(columnViewportPosition(c - hc));
        rect.setWidth(columnWidth(c - hc));
    }
    if (r < h) {
        int y = -horizontalHeader()->height();
        for (int k = 0; k < r; ++k)
            y += fixedRowPx(k);
        rect.setTop(y);
        rect.setHeight(fixedRowPx(r));
    } else {
        rect.setTop(rowViewportPosition(r - h));
        rect.setHeight(QTableView::rowHeight(r - h));
    }
    return rect;
}

void FlexGrid::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    setUpdatesEnabled(on);
    if (on) {
        if (m_model->rowCount() > 0 && m_model->columnCount() > 0)
            emit m_model->dataChanged(m_model->index(0, 0),
                                      m_model->index(m_model->rowCount() - 1, m_model->columnCount() - 1));
        updateFixedAreas();
        viewport()->update();
    }
}

void FlexGrid::setAll(int nRows, int nCols, std::vector<QString>&& cells)
{
    nRows = std::max(nRows, 0);
    nCols = std::max(nCols, 1);
    FlexTextStore store(nCols);
    store.reserveRows(nRows);
    const size_t have = cells.size();
    for (int r = 0; r < nRows; ++r) {
        const size_t first = size_t(r) * nCols;
        for (int c = 0; c < nCols && first + c < have; ++c)
            store.addCell(QStringView(cells[first + c]));
        store.endRow();
    }
    const bool large = have > kLargeFill;
    cells = {};
#ifdef __GLIBC__
    // A few million small texts just freed: hand their pages back rather
    // than keep them resident for nothing.
    if (large)
        malloc_trim(0);
#endif
    setAll(std::move(store));
}

void FlexGrid::setAll(FlexTextStore&& store)
{
    if (store.cols() < 1)
        store.setCols(1);
    resetModel([&] {
        m_source.reset();
        m_model->m_counted = -1;
        m_model->m_uncounted = false;
        m_model->m_tail = FlexTextStore(store.cols());
        m_model->m_store = std::move(store);
        m_model->m_styles.clear();
        m_model->m_values.clear();
    });
}

void FlexGrid::setAll(FlexTextStore&& store, int nRows, std::unique_ptr<FlexRowSource> rest)
{
    if (!rest) {
        setAll(std::move(store));
        return;
    }
    if (store.cols() < 1)
        store.setCols(1);
    resetModel([&] {
        m_source = std::move(rest);
        m_model->m_uncounted = nRows < 0;
        m_model->m_counted = std::max(nRows, store.rows());
        m_model->m_tail = FlexTextStore(store.cols());
        m_model->m_store = std::move(store);
        m_model->m_styles.clear();
        m_model->m_values.clear();
    });
    takeVisibleRows();
}

void FlexGrid::takeAllRows()
{
    if (m_source && !m_taking)
        takeFromSource(std::numeric_limits<int>::max());
}

bool FlexGrid::uncounted() const { return m_source && m_model->m_uncounted; }

void FlexGrid::countSource(int rowsLeft)
{
    if (!uncounted() || m_taking)
        return;
    // Uncounted, the rows shown are those taken.
    const int held = m_model->m_store.rows();
    m_model->m_uncounted = false;
    if (rowsLeft <= 0) {
        takeAllRows();
        return;
    }
    const int h = m_model->headerRows();
    ++m_syncing;
    if (m_editor)
        m_editor->rowsInserted(held, rowsLeft);
    // Rows added after the source's move down past the rows it still holds.
    shiftCellData(held, rowsLeft);
    m_model->beginInsertRows({}, held - h, held + rowsLeft - h - 1);
    m_model->m_counted = held + rowsLeft;
    m_model->endInsertRows();
    --m_syncing;
    followInsertedRows(held, rowsLeft);
}

void FlexGrid::followInsertedRows(int at, int count)
{
    // A current row among those added after the source's stays on its row.
    if (m_row >= at)
        m_row += count;
    if (m_rowSel >= at)
        m_rowSel += count;
    syncView();
    scheduleMerges();
}

void FlexGrid::takeRows(int upTo) const
{
    // Reading a row not yet taken takes it: the grid's texts change, not
    // what it shows. Rows added after the source's are held already.
    if (!m_source || m_taking || upTo > m_model->m_counted)
        return;
    if (upTo > m_model->m_store.rows())
        const_cast<FlexGrid*>(this)->takeFromSource(upTo);
}

void FlexGrid::takeVisibleRows()
{
    if (!m_source || m_taking)
        return;
    const int perRow = std::max(1, verticalHeader()->defaultSectionSize());
    const int screen = viewport()->height() / perRow + 2;
    const int bottom = topRow() + screen;
    // A list not counted takes its next slice as the view nears the last
    // row taken.
    if (m_model->m_uncounted && bottom + screen >= m_model->m_counted)
        takeFromSource(bottom + screen);
    else
        takeRows(std::min(bottom, m_model->m_counted));
}

void FlexGrid::takeFromSource(int upTo)
{
    const int counted = m_model->m_counted;
    const bool uncounted = m_model->m_uncounted;
    const int held = m_model->m_store.rows();
    int want = std::max(upTo, held + kRowSlice);
    // Up to the last counted row the source is read on to its end, which
    // tells whether it gave as many rows as were counted.
    if (!uncounted && want >= counted)
        want = std::numeric_limits<int>::max();
    // Rows to take: up to the count, or all of an uncounted rest.
    const int ahead = (uncounted ? want : std::min(want, counted)) - held;
    std::optional<WaitCursor> busy;
    if (ahead > kBusyRows)
        busy.emplace();
    ++m_taking;
    const bool more = m_source->fetch(m_model->m_store, want);
    --m_taking;
    busy.reset(); // a failure the end shows is not shown under it
    if (!more || want == std::numeric_limits<int>::max()) {
        endSource();
        return;
    }
    if (!uncounted || m_model->m_store.rows() == counted)
        return;
    // The rows taken are shown, ahead of any added after them.
    const int h = m_model->headerRows();
    const int now = m_model->m_store.rows();
    ++m_syncing;
    shiftCellData(counted, now - counted);
    m_model->beginInsertRows({}, counted - h, now - h - 1);
    m_model->m_counted = now;
    m_model->endInsertRows();
    --m_syncing;
    followInsertedRows(counted, now - counted);
    m_source->grew();
}

QModelIndex FlexGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Ctrl+End reaches the last row of a list not counted: every row is taken.
    if (action == MoveEnd && (modifiers & Qt::ControlModifier) && uncounted())
        takeAllRows();
    return QTableView::moveCursor(action, modifiers);
}

void FlexGrid::endSource()
{
    std::unique_ptr<FlexRowSource> source = std::move(m_source);
    const int counted = m_model->m_counted;
    const int held = m_model->m_store.rows();
    const int h = m_model->headerRows();
    if (held == counted) {
        m_model->appendTail();
    } else if (held < h) {
        resetModel([&] { m_model->appendTail(); });
    } else {
        ++m_syncing;
        if (held < counted) {
            if (m_editor)
                m_editor->rowsRemoved(held, counted - held);
            // The cells of rows added after the source's move up with them.
            shiftCellData(counted, held - counted);
            m_model->beginRemoveRows({}, held - h, counted - h - 1);
            m_model->appendTail();
            m_model->endRemoveRows();
        } else {
            if (m_editor)
                m_editor->rowsInserted(counted, held - counted);
            shiftCellData(counted, held - counted);
            m_model->beginInsertRows({}, counted - h, held - h - 1);
            m_model->appendTail();
            m_model->endInsertRows();
        }
        --m_syncing;
        clampCurrent();
        syncView();
        scheduleMerges();
    }
    source->ended();
}

void FlexGrid::dropSource()
{
    if (!m_source)
        return;
    m_source.reset();
    m_model->m_store.setRows(m_model->m_counted);
    m_model->appendTail();
}

FlexTextStore FlexGrid::startFill() const
{
    FlexTextStore s(cols());
    for (int r = 0; r < m_model->headerRows(); ++r) {
        for (int c = 0; c < cols(); ++c)
            s.addCell(m_model->m_store.utf8(r, c));
        s.endRow();
    }
    return s;
}
