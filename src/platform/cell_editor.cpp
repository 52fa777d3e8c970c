#include "platform/cell_editor.h"

#include "platform/command_guard.h"
#include "platform/flexgrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>

namespace {

QDate ParseDate(const QString& text, const QString& format)
{
    const QString t = text.trimmed();
    for (const QString& f : {format, QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d")}) {
        const QDate d = QDate::fromString(t.left(f == format ? t.size() : 10), f);
        if (d.isValid())
            return d;
    }
    // A stored date with a time after it.
    return QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
}

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

FlexCellEditor::FlexCellEditor(FlexGrid* grid)
    : QObject(grid)
    , m_grid(grid)
{
    ConnectGuarded(qApp, &QApplication::focusChanged, this,
                   [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

FlexCellEditor::~FlexCellEditor() = default;

void FlexCellEditor::detach()
{
    disconnect(qApp, nullptr, this, nullptr);
    m_open = nullptr;
}

void FlexCellEditor::setColumnEditor(int col, const CellEditorSpec& spec)
{
    m_columns.insert(col, spec);
}

CellEditorSpec FlexCellEditor::editorFor(int row, int col) const
{
    if (row < m_grid->fixedRows() || col < m_grid->fixedCols() || row >= m_grid->rows() || col >= m_grid->cols())
        return {};
    return m_specFor ? m_specFor(row, col) : m_columns.value(col);
}

void FlexCellEditor::setColors(const QColor& back, const QColor& fore)
{
    m_back = back;
    m_fore = fore;
    for (QWidget* w : {static_cast<QWidget*>(m_line.data()), static_cast<QWidget*>(m_combo.data()),
                       static_cast<QWidget*>(m_date.data())}) {
        if (!w)
            continue;
        QPalette pal = w->palette();
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
            pal.setColor(role, back);
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            pal.setColor(role, fore);
        w->setPalette(pal);
    }
}

void FlexCellEditor::watch(QWidget* w)
{
    w->installEventFilter(this);
    if (m_back.isValid())
        setColors(m_back, m_fore);
}

// One of the editors, made hidden over the grid's cells on first use.
template <class W>
W* FlexCellEditor::editorWidget(QPointer<W>& slot, const char* name)
{
    if (!slot) {
        slot = new W(m_grid->viewport());
        slot->setObjectName(name);
        slot->hide();
        watch(slot);
    }
    return slot;
}

QLineEdit* FlexCellEditor::lineEdit()
{
    QLineEdit* e = editorWidget(m_line, "TxtEnter");
    e->setFrame(false);
    return e;
}

QComboBox* FlexCellEditor::comboBox()
{
    QComboBox* cb = editorWidget(m_combo, "CmbEnter");
    cb->setInsertPolicy(QComboBox::NoInsert);
    cb->setMaxVisibleItems(20);
    return cb;
}

QDateEdit* FlexCellEditor::dateEdit()
{
    QDateEdit* d = editorWidget(m_date, "DtpEnter");
    d->setCalendarPopup(true);
    return d;
}

QString FlexCellEditor::text() const
{
    switch (m_kind) {
    case CellEditorSpec::Text:
        return m_line->text();
    case CellEditorSpec::List:
        // A fixed list whose choices do not hold the cell's text keeps it
        // until another is chosen.
        if (!m_combo->isEditable() && m_combo->currentIndex() < 0)
            return m_openText;
        return m_combo->currentText();
    case CellEditorSpec::Date:
        return m_date->date().toString(m_dateFormat);
    default:
        return {};
    }
}

bool FlexCellEditor::open(int row, int col)
{
    return openAt(row, col, m_grid->textMatrix(row, col), true);
}

bool FlexCellEditor::openAt(int row, int col, const QString& text, bool selectAll)
{
    if (m_open) {
        if (row == m_row && col == m_col) {
            m_open->setFocus();
            return true;
        }
        if (!commit(CellCommit::Program))
            return false;
    }
    const CellEditorSpec spec = editorFor(row, col);
    if (spec.kind == CellEditorSpec::None)
        return false;
    m_grid->moveTo(row, col, true);
    if (const QModelIndex i = m_grid->viewIndex(row, col); i.isValid())
        m_grid->scrollTo(i);

    QWidget* w = nullptr;
    switch (spec.kind) {
    case CellEditorSpec::Text: {
        QLineEdit* e = lineEdit();
        e->setMaxLength(spec.maxLength > 0 ? spec.maxLength : 32767);
        e->setText(text);
        if (selectAll)
            e->selectAll();
        else
            e->end(false);
        w = e;
        break;
    }
    case CellEditorSpec::List: {
        QComboBox* cb = comboBox();
        if (cb->isEditable() != spec.editable) {
            cb->setEditable(spec.editable);
            if (spec.editable) {
                // Typed text stays as typed: no completion from the list.
                cb->setCompleter(nullptr);
                watch(cb->lineEdit());
            }
        }
        if (m_comboItems != spec.items || cb->count() != spec.items.size()) {
            const QSignalBlocker quiet(cb);
            cb->clear();
            cb->addItems(spec.items);
            m_comboItems = spec.items;
        }
        cb->setCurrentIndex(cb->findText(text, Qt::MatchExactly));
        if (spec.editable) {
            cb->setEditText(text);
            if (selectAll)
                cb->lineEdit()->selectAll();
            else
                cb->lineEdit()->end(false);
        }
        w = cb;
        break;
    }
    case CellEditorSpec::Date: {
        QDateEdit* d = dateEdit();
        d->setDisplayFormat(m_dateFormat);
        const QDate date = ParseDate(text, m_dateFormat);
        d->setDate(date.isValid() ? date : QDate::currentDate());
        if (selectAll)
            d->selectAll();
        w = d;
        break;
    }
    default:
        return false;
    }
    m_open = w;
    m_kind = spec.kind;
    m_row = row;
    m_col = col;
    m_openText = m_grid->textMatrix(row, col);
    place();
    w->show();
    w->raise();
    w->setFocus(Qt::OtherFocusReason);
    emit opened(row, col);
    return true;
}

bool FlexCellEditor::commit(CellCommit how)
{
    if (!m_open)
        return true;
    if (m_busy)
        return false;
    m_busy = true;
    const int r = m_row;
    const int c = m_col;
    QString text = this->text();
    const QString old = m_grid->textMatrix(r, c);
    const bool ok = !m_validate || m_validate(r, c, text);
    m_busy = false;
    if (!m_open || m_row != r || m_col != c)
        return true; // the validator closed it itself
    if (!ok) {
        if (how == CellCommit::FocusOut || how == CellCommit::Click || how == CellCommit::Scroll) {
            m_refused = true;
            refocusLater();
        }
        return false;
    }
    // Where the focus went by itself it stays.
    close(how != CellCommit::FocusOut);
    m_grid->setTextMatrix(r, c, text);
    emit committed(r, c, old, text);
    return true;
}

void FlexCellEditor::cancel()
{
    if (!m_open)
        return;
    const int r = m_row;
    const int c = m_col;
    close(true);
    emit cancelled(r, c);
}

void FlexCellEditor::close(bool focusGrid)
{
    QWidget* w = m_open;
    QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus && (focus == w || w->isAncestorOf(focus));
    m_open = nullptr;
    m_kind = CellEditorSpec::None;
    m_row = m_col = -1;
    if (m_combo && m_combo->view()->isVisible())
        m_combo->hidePopup();
    if (m_date && m_date->calendarWidget() && m_date->calendarWidget()->window()->isVisible())
        m_date->calendarWidget()->window()->hide();
    if (hadFocus && focusGrid)
        m_grid->setFocus(Qt::OtherFocusReason);
    w->hide();
}

void FlexCellEditor::refocusLater()
{
    QTimer::singleShot(0, this, [this] {
        m_refused = false;
        if (m_open)
            m_open->setFocus(Qt::OtherFocusReason);
    });
}

void FlexCellEditor::advance(int row, int col, CellCommit how)
{
    if (m_open)
        return; // the window has opened the next editor itself
    int r = row;
    int c = col;
    const bool next = m_next ? m_next(r, c, how) : defaultNext(r, c, how);
    if (next && open(r, c))
        return;
    if (how == CellCommit::Tab || how == CellCommit::BackTab)
        m_grid->leaveByTab(how == CellCommit::Tab);
}

bool FlexCellEditor::defaultNext(int& row, int& col, CellCommit how) const
{
    const int dir = how == CellCommit::BackTab ? -1 : 1;
    const int first = m_grid->fixedCols();
    const int n = m_grid->cols();
    auto editable = [&](int r, int c) {
        return m_grid->colWidth(c) != 0 && editorFor(r, c).kind != CellEditorSpec::None;
    };
    for (int c = col + dir; c >= first && c < n; c += dir) {
        if (editable(row, c)) {
            col = c;
            return true;
        }
    }
    const int r = row + dir;
    if (r < m_grid->fixedRows() || r >= m_grid->rows())
        return false;
    for (int c = dir > 0 ? first : n - 1; c >= first && c < n; c += dir) {
        if (editable(r, c)) {
            row = r;
            col = c;
            return true;
        }
    }
    return false;
}

bool FlexCellEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_open || (watched != m_open && !m_open->isAncestorOf(qobject_cast<QWidget*>(watched))))
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    const int key = ke->key();
    const bool popup = m_kind == CellEditorSpec::List && m_combo->view()->isVisible();
    const bool ours = (IsEnter(key) && !popup) || key == Qt::Key_Tab || key == Qt::Key_Backtab
        || (key == Qt::Key_Escape && !popup);
    if (type == QEvent::ShortcutOverride) {
        // These keys belong to the editor, not to a shortcut of the window.
        if (ours)
            event->accept();
        return ours;
    }
    if (ours) {
        const int r = m_row;
        const int c = m_col;
        if (key == Qt::Key_Escape) {
            cancel();
            return true;
        }
        CellCommit how = CellCommit::Enter;
        if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && (ke->modifiers() & Qt::ShiftModifier)))
            how = CellCommit::BackTab;
        else if (key == Qt::Key_Tab)
            how = CellCommit::Tab;
        if (commit(how))
            advance(r, c, how);
        return true;
    }
    // A line edit has no use for Up and Down; they must not reach the grid.
    return m_kind == CellEditorSpec::Text && (key == Qt::Key_Up || key == Qt::Key_Down);
}

void FlexCellEditor::focusChanged(QWidget*, QWidget* now)
{
    if (!m_open || m_busy || !now)
        return;
    if (now == m_open || m_open->isAncestorOf(now))
        return;
    // The list of a combo box or the calendar of a date picker.
    if (now->window()->windowType() == Qt::Popup)
        return;
    commit(CellCommit::FocusOut);
}

bool FlexCellEditor::gridKey(QKeyEvent* event)
{
    if (m_open) {
        // Keys that reach the grid while its editor is open are the editor's.
        // One the editor leaves alone comes back up to the grid, its parent,
        // and ends here instead of going round again.
        if (m_forwarding)
            return true;
        const QScopedValueRollback forwarding(m_forwarding, true);
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
        QCoreApplication::sendEvent(m_open, &copy);
        return true;
    }
    const int r = m_grid->row();
    const int c = m_grid->col();
    const CellEditorSpec spec = editorFor(r, c);
    if (spec.kind == CellEditorSpec::None)
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F2 || (IsEnter(event->key()) && mods == Qt::NoModifier))
        return open(r, c);
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.at(0).isPrint() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    // Text starts afresh with the character; a fixed list or a date takes it
    // as a choice within what the cell holds.
    const bool fresh = spec.kind == CellEditorSpec::Text || (spec.kind == CellEditorSpec::List && spec.editable);
    if (!openAt(r, c, fresh ? QString() : m_grid->textMatrix(r, c), !fresh))
        return false;
    const QScopedValueRollback forwarding(m_forwarding, true);
    QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), typed);
    QCoreApplication::sendEvent(m_open, &copy);
    return true;
}

bool FlexCellEditor::gridTyped(QInputMethodEvent* event)
{
    if (m_open || event->commitString().isEmpty())
        return false;
    const int r = m_grid->row();
    const int c = m_grid->col();
    const CellEditorSpec spec = editorFor(r, c);
    if (spec.kind != CellEditorSpec::Text && !(spec.kind == CellEditorSpec::List && spec.editable))
        return false;
    if (!openAt(r, c, QString(), false))
        return false;
    QWidget* target = m_kind == CellEditorSpec::List ? static_cast<QWidget*>(m_combo->lineEdit()) : m_open;
    QInputMethodEvent copy(QString(), {});
    copy.setCommitString(event->commitString());
    QCoreApplication::sendEvent(target, &copy);
    return true;
}

bool FlexCellEditor::gridPressed()
{
    if (!m_open)
        return true;
    if (m_refused) {
        // Refused as the focus left it; the window has had its say.
        refocusLater();
        return false;
    }
    return commit(CellCommit::Click);
}

void FlexCellEditor::gridClicked()
{
    if (m_openOnClick && !m_open)
        open(m_grid->row(), m_grid->col());
}

void FlexCellEditor::gridDoubleClicked()
{
    if (!m_open)
        open(m_grid->row(), m_grid->col());
}

void FlexCellEditor::gridScrolled()
{
    if (m_open && !m_busy && !commit(CellCommit::Scroll))
        place();
}

void FlexCellEditor::gridReset()
{
    // The cell under the editor is gone: the edit is dropped.
    cancel();
}

void FlexCellEditor::rowsInserted(int at, int count)
{
    if (m_open && m_row >= at) {
        m_row += count;
        QTimer::singleShot(0, this, &FlexCellEditor::place);
    }
}

void FlexCellEditor::rowsRemoved(int at, int count)
{
    if (!m_open || m_row < at)
        return;
    if (m_row < at + count) {
        gridReset();
        return;
    }
    m_row -= count;
    QTimer::singleShot(0, this, &FlexCellEditor::place);
}

void FlexCellEditor::place()
{
    if (m_open)
        m_open->setGeometry(m_grid->cellRect(m_row, m_col));
}
