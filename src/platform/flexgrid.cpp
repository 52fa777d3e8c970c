#include "platform/flexgrid.h"

#include "platform/vb.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

// ---------------------------------------------------------------- model

FlexTextModel::FlexTextModel(FlexGrid* grid)
    : QAbstractTableModel(grid)
    , m_grid(grid)
    , m_cells(size_t(m_rows) * m_cols)
    , m_colAlign(size_t(m_cols), Qt::Alignment())
    , m_fixedAlign(size_t(m_cols), Qt::Alignment())
{
}

int FlexTextModel::headerRows() const
{
    return (m_grid->m_fixedRows > 0 && m_rows > 0) ? 1 : 0;
}

int FlexTextModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_rows - headerRows());
}

int FlexTextModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexTextModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = gridRow(index.row());
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cell(r, c);
    case Qt::TextAlignmentRole: {
        Qt::Alignment a = m_colAlign[size_t(c)];
        if (!a)
            a = Qt::AlignLeft;
        if (!(a & Qt::AlignVertical_Mask))
            a |= Qt::AlignVCenter;
        return QVariant::fromValue(a);
    }
    case Qt::BackgroundRole:
        if (!m_back.isEmpty()) {
            auto it = m_back.constFind(key(r, c));
            if (it != m_back.constEnd())
                return *it;
        }
        if (c < m_grid->m_fixedCols)
            return m_grid->palette().color(QPalette::Button);
        return {};
    case Qt::ForegroundRole:
        if (!m_fore.isEmpty()) {
            auto it = m_fore.constFind(key(r, c));
            if (it != m_fore.constEnd())
                return *it;
        }
        return {};
    case Qt::FontRole:
        if (!m_bold.isEmpty() && m_bold.contains(key(r, c))) {
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
    if (orientation != Qt::Horizontal || section < 0 || section >= m_cols || headerRows() == 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return cell(0, section);
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment a = m_fixedAlign[size_t(section)];
        if (!a)
            a = Qt::AlignLeft;
        if (!(a & Qt::AlignVertical_Mask))
            a |= Qt::AlignVCenter;
        return QVariant::fromValue(a);
    }
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
    , m_colTwips(size_t(m_model->m_cols), -1)
{
    setModel(m_model);
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
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::max(16, fontMetrics().height() + 4));
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The selected row stays marked when the grid loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit dblClick(); });
    connect(this, &QAbstractItemView::clicked, this, [this] { emit clicked(); });
    syncView();
}

QModelIndex FlexGrid::viewIndex(int r, int c) const
{
    const int mr = r - m_model->headerRows();
    if (mr < 0 || r >= rows() || c < 0 || c >= cols())
        return {};
    return m_model->index(mr, c);
}

void FlexGrid::resetModel(const std::function<void()>& change)
{
    ++m_syncing;
    m_model->beginResetModel();
    change();
    if (m_colTwips.size() != size_t(m_model->m_cols))
        m_colTwips.resize(size_t(m_model->m_cols), -1);
    if (m_model->m_colAlign.size() != size_t(m_model->m_cols))
        m_model->m_colAlign.resize(size_t(m_model->m_cols), Qt::Alignment());
    if (m_model->m_fixedAlign.size() != size_t(m_model->m_cols))
        m_model->m_fixedAlign.resize(size_t(m_model->m_cols), Qt::Alignment());
    m_model->endResetModel();
    --m_syncing;
    horizontalHeader()->setVisible(m_model->headerRows() > 0);
    applyWidths();
    clampCurrent();
    syncView();
    scheduleMerges();
}

void FlexGrid::applyWidths()
{
    for (int c = 0; c < cols(); ++c) {
        const int tw = m_colTwips[size_t(c)];
        if (tw == 0) {
            setColumnHidden(c, true);
        } else {
            setColumnHidden(c, false);
            setColumnWidth(c, tw < 0 ? horizontalHeader()->defaultSectionSize() : std::max(1, TwipsToPx(tw)));
        }
    }
}

void FlexGrid::setRows(int n)
{
    n = std::max(n, m_fixedRows);
    if (n == rows())
        return;
    const int h = m_model->headerRows();
    if (h == 0 || n < 1 || m_fixedRows == 0) {
        resetModel([&] {
            m_model->m_cells.resize(size_t(n) * m_model->m_cols);
            m_model->m_rows = n;
        });
        return;
    }
    ++m_syncing;
    if (n > rows()) {
        m_model->beginInsertRows({}, rows() - h, n - h - 1);
        m_model->m_cells.resize(size_t(n) * m_model->m_cols);
        m_model->m_rows = n;
        m_model->endInsertRows();
    } else {
        dropStylesFrom(n);
        m_model->beginRemoveRows({}, n - h, rows() - h - 1);
        m_model->m_cells.resize(size_t(n) * m_model->m_cols);
        m_model->m_rows = n;
        m_model->endRemoveRows();
    }
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
    resetModel([&] {
        const int old = m_model->m_cols;
        std::vector<QString> cells(size_t(m_model->m_rows) * n);
        const int keep = std::min(old, n);
        for (int r = 0; r < m_model->m_rows; ++r)
            for (int c = 0; c < keep; ++c)
                cells[size_t(r) * n + c] = std::move(m_model->m_cells[size_t(r) * old + c]);
        m_model->m_cells = std::move(cells);
        m_model->m_cols = n;
        m_model->m_back.clear();
        m_model->m_fore.clear();
        m_model->m_bold.clear();
    });
}

void FlexGrid::setFixedRows(int n)
{
    n = std::clamp(n, 0, 1);
    if (n == m_fixedRows)
        return;
    if (rows() < n)
        setRows(n);
    resetModel([&] { m_fixedRows = n; });
}

void FlexGrid::setFixedCols(int n)
{
    n = std::clamp(n, 0, 1);
    if (n == m_fixedCols)
        return;
    if (cols() <= n)
        setCols(n + 1);
    m_fixedCols = n;
    clampCurrent();
    syncView();
    viewport()->update();
}

QString FlexGrid::textMatrix(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return {};
    return m_model->cell(r, c);
}

void FlexGrid::setTextMatrix(int r, int c, const QString& text)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    m_model->cell(r, c) = text;
    if (r < m_model->headerRows()) {
        emit m_model->headerDataChanged(Qt::Horizontal, c, c);
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
    if (r < 0 || r >= rows())
        return out;
    out.reserve(cols());
    for (int c = 0; c < cols(); ++c)
        out << m_model->cell(r, c);
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
    if (twips == 0) {
        setColumnHidden(c, true);
    } else {
        setColumnHidden(c, false);
        setColumnWidth(c, twips < 0 ? horizontalHeader()->defaultSectionSize() : std::max(1, TwipsToPx(twips)));
    }
}

int FlexGrid::rowHeight(int r) const
{
    if (r < 0 || r >= rows())
        return 0;
    if (r < m_model->headerRows())
        return PxToTwips(m_headerTwips >= 0 ? TwipsToPx(m_headerTwips) : horizontalHeader()->sizeHint().height());
    return PxToTwips(QTableView::rowHeight(r - m_model->headerRows()));
}

void FlexGrid::setRowHeight(int r, int twips)
{
    if (r < 0 || r >= rows())
        return;
    const int px = std::max(1, TwipsToPx(twips));
    if (r < m_model->headerRows()) {
        m_headerTwips = twips;
        horizontalHeader()->setFixedHeight(px);
    } else {
        QTableView::setRowHeight(r - m_model->headerRows(), px);
    }
}

void FlexGrid::addItem(const QString& tabJoined, int index)
{
    const int n = cols();
    const int h = m_model->headerRows();
    int at = (index < 0 || index > rows()) ? rows() : index;
    at = std::max(at, h);
    const QStringList parts = tabJoined.split(QLatin1Char('\t'));
    std::vector<QString> cells(static_cast<size_t>(n));
    for (int c = 0; c < n && c < parts.size(); ++c)
        cells[size_t(c)] = parts[c];

    if (h == 0 && m_fixedRows > 0) {
        // No header row yet: the first row becomes it.
        resetModel([&] {
            m_model->m_cells.insert(m_model->m_cells.begin() + size_t(at) * n,
                                    std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
            ++m_model->m_rows;
        });
        return;
    }
    if (at < rows())
        dropStylesFrom(at);
    ++m_syncing;
    m_model->beginInsertRows({}, at - h, at - h);
    m_model->m_cells.insert(m_model->m_cells.begin() + size_t(at) * n,
                            std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
    ++m_model->m_rows;
    m_model->endInsertRows();
    --m_syncing;
    clampCurrent();
    syncView();
    scheduleMerges();
}

void FlexGrid::removeItem(int r)
{
    const int h = m_model->headerRows();
    if (r < h || r >= rows())
        return;
    const int n = cols();
    dropStylesFrom(r);
    ++m_syncing;
    m_model->beginRemoveRows({}, r - h, r - h);
    auto first = m_model->m_cells.begin() + size_t(r) * n;
    m_model->m_cells.erase(first, first + n);
    --m_model->m_rows;
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
    for (QString& s : m_model->m_cells)
        s.clear();
    if (rows() > 0 && cols() > 0) {
        emit m_model->headerDataChanged(Qt::Horizontal, 0, cols() - 1);
        if (m_model->rowCount() > 0)
            emit m_model->dataChanged(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, cols() - 1));
    }
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
    const QModelIndex a = viewIndex(std::min(m_row, m_rowSel), 0);
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
    const int c = current.column();
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

void FlexGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
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
    emit m_model->headerDataChanged(Qt::Horizontal, c, c);
}

Qt::Alignment FlexGrid::colAlignment(int c) const
{
    if (c < 0 || c >= cols())
        return {};
    return m_model->m_colAlign[size_t(c)];
}

void FlexGrid::setMergeCells(bool on)
{
    m_merge = on;
    scheduleMerges();
}

void FlexGrid::setMergeRow(int r, bool on)
{
    if (on)
        m_mergeRows.insert(r);
    else
        m_mergeRows.remove(r);
    scheduleMerges();
}

void FlexGrid::setMergeCol(int c, bool on)
{
    if (on)
        m_mergeCols.insert(c);
    else
        m_mergeCols.remove(c);
    scheduleMerges();
}

void FlexGrid::scheduleMerges()
{
    if (m_mergePending)
        return;
    if (!m_merge && !m_mergePending) {
        // Spans left from an earlier merge go at once.
        if (rowSpan(0, 0) != 1 || columnSpan(0, 0) != 1 || !m_mergeRows.isEmpty() || !m_mergeCols.isEmpty())
            clearSpans();
        return;
    }
    m_mergePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_mergePending)
            refreshMerges();
    });
}

void FlexGrid::refreshMerges()
{
    m_mergePending = false;
    clearSpans();
    if (!m_merge)
        return;
    const int h = m_model->headerRows();
    const int n = cols();
    QSet<qint64> covered;
    for (int c : std::as_const(m_mergeCols)) {
        if (c < 0 || c >= n)
            continue;
        int start = h;
        for (int r = h + 1; r <= rows(); ++r) {
            if (r < rows() && m_model->cell(r, c) == m_model->cell(start, c))
                continue;
            if (r - start > 1) {
                setSpan(start - h, c, r - start, 1);
                for (int k = start; k < r; ++k)
                    covered.insert(FlexTextModel::key(k, c));
            }
            start = r;
        }
    }
    for (int r : std::as_const(m_mergeRows)) {
        if (r < h || r >= rows())
            continue;
        int start = 0;
        for (int c = 1; c <= n; ++c) {
            const bool same = c < n && !covered.contains(FlexTextModel::key(r, c))
                && !covered.contains(FlexTextModel::key(r, start))
                && m_model->cell(r, c) == m_model->cell(r, start);
            if (same)
                continue;
            if (c - start > 1)
                setSpan(r - h, start, 1, c - start);
            start = c;
        }
    }
}

void FlexGrid::dropStylesFrom(int firstRow)
{
    for (auto it = m_model->m_back.begin(); it != m_model->m_back.end();)
        it = (it.key() >> 20) >= firstRow ? m_model->m_back.erase(it) : std::next(it);
    for (auto it = m_model->m_fore.begin(); it != m_model->m_fore.end();)
        it = (it.key() >> 20) >= firstRow ? m_model->m_fore.erase(it) : std::next(it);
    for (auto it = m_model->m_bold.begin(); it != m_model->m_bold.end();)
        it = ((*it) >> 20) >= firstRow ? m_model->m_bold.erase(it) : std::next(it);
}

void FlexGrid::setCellBackColor(int r, int c, const QColor& color)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    m_model->m_back.insert(FlexTextModel::key(r, c), color);
    if (const QModelIndex i = viewIndex(r, c); i.isValid())
        emit m_model->dataChanged(i, i, {Qt::BackgroundRole});
}

void FlexGrid::setCellForeColor(int r, int c, const QColor& color)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    m_model->m_fore.insert(FlexTextModel::key(r, c), color);
    if (const QModelIndex i = viewIndex(r, c); i.isValid())
        emit m_model->dataChanged(i, i, {Qt::ForegroundRole});
}

void FlexGrid::setCellFontBold(int r, int c, bool bold)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return;
    if (bold)
        m_model->m_bold.insert(FlexTextModel::key(r, c));
    else
        m_model->m_bold.remove(FlexTextModel::key(r, c));
    if (const QModelIndex i = viewIndex(r, c); i.isValid())
        emit m_model->dataChanged(i, i, {Qt::FontRole});
}

QColor FlexGrid::cellBackColor(int r, int c) const
{
    return m_model->m_back.value(FlexTextModel::key(r, c));
}

QColor FlexGrid::cellForeColor(int r, int c) const
{
    return m_model->m_fore.value(FlexTextModel::key(r, c));
}

bool FlexGrid::cellFontBold(int r, int c) const
{
    return m_model->m_bold.contains(FlexTextModel::key(r, c));
}

QRect FlexGrid::cellRect(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols())
        return {};
    if (r < m_model->headerRows()) {
        const int hh = horizontalHeader()->height();
        return QRect(columnViewportPosition(c), -hh, columnWidth(c), hh);
    }
    return visualRect(viewIndex(r, c));
}

void FlexGrid::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    setUpdatesEnabled(on);
    if (on) {
        if (m_model->rowCount() > 0 && cols() > 0)
            emit m_model->dataChanged(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, cols() - 1));
        viewport()->update();
    }
}

void FlexGrid::setAll(int nRows, int nCols, std::vector<QString>&& cells)
{
    nRows = std::max(nRows, 0);
    nCols = std::max(nCols, 1);
    cells.resize(size_t(nRows) * nCols);
    resetModel([&] {
        m_model->m_rows = nRows;
        m_model->m_cols = nCols;
        m_model->m_cells = std::move(cells);
        m_model->m_back.clear();
        m_model->m_fore.clear();
        m_model->m_bold.clear();
    });
}
