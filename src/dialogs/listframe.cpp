#include "dialogs/listframe.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/codelist.h"
#include "dialogs/error_boundary.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

const char* const ListFrame::kQueryFailure = "查询执行错误!系统返回如下信息：";
const char* const ListFrame::kSaveFailure = "保存失败!系统返回如下信息：";
const char* const ListFrame::kDeleteFailure = "删除失败!系统返回如下信息：";

namespace {

const char* const kEditingGuard = "操作员正在编辑数据,请先[保存]数据或[取消]编辑!";
constexpr quint32 kButtonFaceColor = 0x8000000F;

void SetListText(QComboBox* list, const QString& text)
{
    if (list->isEditable())
        list->setEditText(text);
    else
        list->setCurrentIndex(list->findText(text));
}

bool IsEntryType(const QWidget* w)
{
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    auto* button = qobject_cast<const QAbstractButton*>(w);
    return button && !qobject_cast<const QPushButton*>(w);
}

} // namespace

ListFrame::ListFrame(const QString& name, QWidget* parent)
    : ChildWindow(name, parent)
{
    TabS = new QTabBar(this);
    TabS->setObjectName("TabS");
    TabS->setFocusPolicy(Qt::StrongFocus);
    TabS->setDrawBase(true);
    TabS->addTab(QString());
    TabS->addTab(QString());

    m_client = new QWidget(this);
    GD = new FlexGrid(m_client);
    GD->setObjectName("GD");
    GD->setSelectionByRow(true);
    GD->setFixedCols(0);
    GD->viewport()->installEventFilter(this);
    Frm = new QFrame(m_client);
    Frm->setObjectName("Frm");
    Frm->setFrameShape(QFrame::StyledPanel);
    Frm->hide();

    Menu_Add = addCommand("&A.增加", "Menu_Add", [this] { Menu_Add_Click(); });
    Menu_edit = addCommand("&E.修改", "Menu_edit", [this] { Menu_edit_Click(); });
    Menu_del = addCommand("&D.删除", "Menu_del", [this] { Menu_del_Click(); });
    Menu_query = addCommand("&Q.查找", "Menu_query", [this] { Menu_query_Click(); });
    Menu_save = addCommand("&S.保存", "Menu_save", [this] { Menu_save_Click(); });
    Menu_cancel = addCommand("&C.取消", "Menu_cancel", [this] { Menu_cancel_Click(); });
    Menu_Return = addCommand("&R.返回", "Menu_Return", [this] { Menu_Return_Click(); });
    Menu_save->setEnabled(false);
    Menu_cancel->setEnabled(false);

    // Grid and tab events read the database too: a failure is shown, never fatal.
    ConnectGuarded(TabS, &QTabBar::currentChanged, this, [this](int i) { TabS_Click(i); });
    ConnectGuarded(GD, &FlexGrid::rowColChange, this, [this] { GD_RowColChange(); });
    ConnectGuarded(GD, &FlexGrid::dblClick, this, [this] { GD_DblClick(); });
    ConnectGuarded(qApp, &QApplication::focusChanged, this,
                   [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

ListFrame::~ListFrame()
{
    // The children go after this body has run; focus moving off them then
    // must not reach a half-destroyed window.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // A window that goes while editing must not keep the others from closing.
    gEditing.set(this, false);
    // The rest of a partly read list gives its connection back now, and
    // tells this window nothing more.
    windowGoes();
}

// ------------------------------------------------------------ configuration

QAction* ListFrame::addExportCommand(const QString& objectName, QAction* before)
{
    Menu_ToExcel = addCommand("&T.导出数据", objectName, [this] { Menu_ToExcel_Click(); },
                              before ? before : Menu_Return);
    addBrowseCommand(Menu_ToExcel);
    return Menu_ToExcel;
}

QAction* ListFrame::addPrintCommand(const QString& objectName, QAction* before)
{
    Menu_print = addCommand("&P.打印", objectName, [this] { Menu_print_Click(); }, before ? before : Menu_save);
    addBrowseCommand(Menu_print);
    return Menu_print;
}

void ListFrame::setTable(const QString& table, const QString& keyColumn)
{
    m_table = table;
    m_keyColumn = keyColumn;
}

void ListFrame::setTabCaptions(const QString& list, const QString& detail)
{
    TabS->setTabText(0, list);
    TabS->setTabText(1, detail);
}

// ------------------------------------------------------------ commands wiring

void ListFrame::connectCommand(QAction* command, std::function<void()> handler, const QString& failurePrefix)
{
    ConnectGuarded(command, &QAction::triggered, this,
                   [this, handler = std::move(handler), failurePrefix] { runCommand(handler, failurePrefix); });
}

void ListFrame::runCommand(const std::function<void()>& handler, const QString& failurePrefix)
{
    // The control that held the focus when the command ran: a refusal
    // (a message box) must not leave the operator without a box to type in.
    QWidget* focused = QApplication::focusWidget();
    QPointer<QWidget> before = (focused && isAncestorOf(focused)) ? focused : m_entered.data();
    const int modeBefore = EditMode;
    const bool nested = m_inCommand;
    if (!nested)
        m_focusTarget = nullptr;
    m_inCommand = true;
    RunCommandGuarded(failurePrefix, handler);
    m_inCommand = nested;
    if (nested || modeBefore == Browse || EditMode == Browse)
        return;
    restoreFocus(m_focusTarget ? m_focusTarget.data() : before.data());
}

void ListFrame::setFocusAfterCommand(QWidget* control)
{
    m_focusTarget = control;
    if (control)
        control->setFocus();
}

void ListFrame::restoreFocus(QWidget* control)
{
    if (!control || !isAncestorOf(control))
        return;
    control->setFocus(Qt::OtherFocusReason);
    // When the message box's window gives the activation back, the platform
    // may put the focus elsewhere afterwards; once that has settled, the
    // control gets it again unless the operator is already in another box.
    QPointer<QWidget> target = control;
    QTimer::singleShot(0, this, [this, target] {
        if (!target || EditMode == Browse || !target->isVisible() || !target->isEnabled())
            return;
        QWidget* now = QApplication::focusWidget();
        if (now == target || (now && entryControlFor(now)))
            return;
        target->setFocus(Qt::OtherFocusReason);
    });
}

// ------------------------------------------------------------ load, layout

void ListFrame::formLoad()
{
    LangForm(this);
    applyMasks();
    fillLists();
    EditMode = Browse;
    prepareEditors(Browse);
    GD->raise();
    FillGrid(m_listSql);
}

void ListFrame::showEvent(QShowEvent* event)
{
    ChildWindow::showEvent(event);
    if (!m_placed && m_placeInHost) {
        m_placed = true;
        placeInHost();
        // The main window hides its tool bar as it opens a list; place the
        // window again once the work area has taken its new height.
        QTimer::singleShot(0, this, [this] { placeInHost(); });
    }
}

void ListFrame::placeInHost()
{
    // The window sits at the top left of the main window's work area, as tall
    // as that area, at its own width.
    const int width = TwipsToPx(m_widthTwips);
    MainHost* host = GetMainHost();
    QMdiArea* mdi = host ? host->mdiArea() : nullptr;
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (mdi && sub) {
        sub->setGeometry(0, 0, width, std::max(200, mdi->viewport()->height()));
    } else if (!parentWidget()) {
        resize(width, std::max(height(), 400));
    }
}

void ListFrame::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    const int tabH = TabS->sizeHint().height();
    TabS->setGeometry(0, 0, width(), tabH);
    m_client->setGeometry(0, tabH, width(), std::max(0, height() - tabH));
    const int gw = std::max(10, m_client->width() - TwipsToPx(100));
    const int gh = std::max(10, m_client->height() - TwipsToPx(400));
    GD->setGeometry(0, 0, gw, gh);
    // Shares of what the grid shows inside its border and beside its vertical
    // scroll bar, so that the columns never need a horizontal one. A hidden
    // grid lays out its viewport when shown, and the columns follow then.
    const int inner = GD->isVisible() ? GD->viewport()->width() : gw - 2 * GD->frameWidth();
    sizeColumns(PxToTwips(std::max(0, inner)));
    Frm->setGeometry(0, 0, m_client->width(), m_client->height());
}

void ListFrame::sizeColumns(int gridWidthTwips)
{
    const int n = GD->cols();
    if (n <= 0)
        return;
    for (int c = 0; c < n; ++c)
        GD->setColWidth(c, gridWidthTwips / n);
}

// ------------------------------------------------------------ the procedures

void ListFrame::GD_RowColChange()
{
    if (m_inRowChange)
        return;
    m_inRowChange = true;
    CurRow = GD->row();
    ShowPosition();
    m_inRowChange = false;
}

void ListFrame::GD_DblClick()
{
    GD_RowColChange();
    TabS->setCurrentIndex(1);
}

void ListFrame::TabS_Click(int index)
{
    if (index == 0) {
        Frm->hide();
        GD->show();
        GD->setRow(CurRow);
        GD_RowColChange();
        GD->setFocus();
        GD->setTopRow(CurRow);
    } else {
        GD->hide();
        Frm->show();
        ShowRecord();
    }
}

void ListFrame::setMenusForEditing(bool editing)
{
    for (QAction* a : {Menu_Add, Menu_edit, Menu_del, Menu_query})
        a->setEnabled(!editing);
    for (QAction* a : std::as_const(m_browseCommands))
        a->setEnabled(!editing);
    Menu_save->setEnabled(editing);
    Menu_cancel->setEnabled(editing);
}

void ListFrame::prepareEditors(int mode)
{
    const bool editing = mode != Browse;
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const Field& f = m_fields[pos];
        const FieldControls& c = m_controls[pos];
        // Out of reach: a price the operator may not see cannot be typed over.
        const bool outOfReach = c.masked && (f.mask & FieldMask::WithoutPriceRight) && !gCanSeePrices;
        if (c.box) {
            // The key box is opened by add and edit themselves.
            const bool isKey = c.box == Txt.value(0);
            if (!editing)
                c.box->setReadOnly(true);
            else if (!isKey)
                c.box->setReadOnly(!f.editable || outOfReach);
            if (mode == Adding && f.clearOnAdd && !isKey)
                c.box->clear();
            if (editing && outOfReach)
                c.box->setFocusPolicy(Qt::NoFocus);
        }
        if (auto* list = qobject_cast<QComboBox*>(c.editor)) {
            // A hidden list still carries the box's text, which save copies back.
            const bool shown = editing && !outOfReach;
            if (editing)
                SetListText(list, c.box->text());
            list->setVisible(shown);
            if (f.visible)
                c.box->setVisible(!shown);
            if (shown)
                list->raise();
        } else if (auto* date = qobject_cast<QDateEdit*>(c.editor)) {
            if (editing) {
                const auto parsed = ParseDateText(TrimBlanks(c.box->text()));
                date->setDate(parsed ? parsed->date() : QDate::currentDate());
                // Editing a record without a date starts from today's.
                if (mode == Editing && !parsed)
                    c.box->setText(DateText(QDate::currentDate()));
                date->raise();
            }
            date->setVisible(editing);
            if (f.visible)
                c.box->setVisible(!editing);
        } else if (auto* chk = qobject_cast<QCheckBox*>(c.editor)) {
            chk->setEnabled(editing && f.editable);
            if (mode == Adding && f.clearOnAdd)
                chk->setChecked(false);
        }
    }
}

void ListFrame::BeginEdit()
{
    if (TabS->currentIndex() == 0)
        TabS->setCurrentIndex(1);
    else
        ShowRecord(); // the boxes hold the record the edit acts on
    TabS->setEnabled(false);
    setMenusForEditing(true);
    prepareEditors(EditMode);
    if (m_usesEditingFlag)
        gEditing.set(this, true);
}

void ListFrame::EndEdit()
{
    TabS->setEnabled(true);
    setMenusForEditing(false);
    EditMode = Browse;
    prepareEditors(Browse);
    TabS->setFocus();
    GD->setRow(CurRow);
    GD_RowColChange();
    gEditing.set(this, false);
}

bool ListFrame::IsInUse(const QString& key)
{
    // A look-up the engine refuses throws: taken as "not in use" it would let
    // anyone delete a record that waybills still name. One referring row
    // answers the question.
    const QString k = TrimBlanks(key);
    for (const Reference& ref : std::as_const(m_references)) {
        const RecordSet rs = Db().openRecordset(
            QStringLiteral("select TOP 1 %1 FROM %2 WHERE %1=%3").arg(ref.column, ref.table, SqlQuote(k)));
        if (!rs.eof() && !rs.at(0, 0).toString().isEmpty())
            return true;
    }
    return false;
}

// ------------------------------------------------------------ commands

QString ListFrame::currentKey() const
{
    return GD->textMatrix(CurRow, m_keyGridCol);
}

bool ListFrame::listIsEmpty() const
{
    return TrimBlanks(GD->textMatrix(1, m_keyGridCol)).isEmpty();
}

void ListFrame::Menu_Add_Click()
{
    EditMode = Adding;
    BeginEdit();
    if (QLineEdit* key = Txt.value(0)) {
        key->setReadOnly(false);
        key->clear();
        key->setFocus();
    }
}

void ListFrame::Menu_edit_Click()
{
    // Nothing to edit in an empty list.
    if (listIsEmpty() || CurRow < 1)
        return;
    EditMode = Editing;
    BeginEdit();
    if (QLineEdit* key = Txt.value(0)) {
        // A key that other records use cannot change; its other fields can.
        key->setReadOnly(IsInUse(currentKey()));
        key->setFocus();
    }
}

QString ListFrame::recordName(int row) const
{
    return GD->textMatrix(row, m_nameCol);
}

QString ListFrame::deleteQuestion(const QString& name) const
{
    return LangStr("真的要删除") + name + LangStr("吗?");
}

void ListFrame::deleteRecord(const QString& key)
{
    Statement st(Db(), QStringLiteral("delete from %1 WHERE %2=?1").arg(m_table, m_keyColumn));
    st.bind(1, key);
    st.run();
}

void ListFrame::purgeReferences(const QString& key)
{
    for (const Reference& ref : std::as_const(m_references)) {
        const QString sql = ref.clearOnPurge ? QStringLiteral("update %1 set %2='' where %2=?1") : QStringLiteral("delete from %1 where %2=?1");
        Statement st(Db(), sql.arg(ref.table, ref.column));
        st.bind(1, key);
        st.run();
    }
}

void ListFrame::Menu_del_Click()
{
    if (listIsEmpty() || CurRow < 1)
        return;
    const QString key = currentKey();
    const QString name = recordName(CurRow);
    const bool inUse = IsInUse(key);
    if (inUse) {
        if (gUserCode != QLatin1String(kAdminCode)) {
            MsgBox("[" + name + "]" + LangStr("已经在系统中应用，不能删除!"), vbStyle::Information, gMsgTitle);
            return;
        }
        const QString question = "[" + name + "]已经在系统中应用!" + QChar(13) + "如果删除将造成系统中其它记录的丢失!"
            + QChar(13) + "只有管理员才有权删除。真的要删除吗？";
        if (MsgBox(question, vbStyle::YesNo + vbStyle::Question, "提示") != vbBtn::Yes)
            return;
        if (MsgBox(question, vbStyle::YesNo + vbStyle::Question, "请再次确认") != vbBtn::Yes)
            return;
    } else {
        if (MsgBox(deleteQuestion(name), vbStyle::YesNo + vbStyle::Question, gMsgTitle) != vbBtn::Yes)
            return;
    }

    // The referring rows and the record go together or not at all.
    const bool deleted = RunWrite(LangStr(QString::fromUtf8(kDeleteFailure)), [&] {
        const WaitCursor wait;
        if (inUse)
            purgeReferences(TrimBlanks(key));
        deleteRecord(TrimBlanks(key));
    });
    if (deleted)
        removeCurrentRow();
}

void ListFrame::removeCurrentRow()
{
    if (GD->rows() > 2)
        GD->removeItem(CurRow);
    else
        SetupGrid();
    RecCount = RecCount - 1;
    if (CurRow > RecCount)
        CurRow = RecCount;
    GD->setRow(CurRow);
    if (TabS->currentIndex() == 1)
        TabS->setCurrentIndex(0);
    GD_RowColChange();
}

QString ListFrame::duplicateMessage(const QString& typedKey) const
{
    Q_UNUSED(typedKey)
    return m_duplicateMessage;
}

void ListFrame::Menu_save_Click()
{
    if (EditMode == Browse)
        return;
    saveRecord();
}

void ListFrame::saveRecord()
{
    copyEditorsToBoxes();
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const Field& f = m_fields[pos];
        if (f.required && f.editor != FieldEditor::Check && valueOf(pos).isEmpty()) {
            MsgBox(emptyMessage(f), vbStyle::Information, gMsgTitle);
            return;
        }
    }
    if (!checkEntries())
        return;

    QLineEdit* keyBox = Txt.value(0);
    const QString key = keyBox ? TrimBlanks(keyBox->text()) : QString();
    // A look-up that failed has shown its box; taken for "free" it would let
    // a second record in under a key that is already used.
    bool failed = false;
    const QString existing = GetStr(QStringLiteral("select %1 from %2 where %1=%3").arg(m_keyColumn, m_table, SqlQuote(key)), &failed);
    if (failed)
        return;
    QString oldKey;
    if (EditMode == Editing)
        oldKey = currentKey();
    if (!existing.isEmpty() && (EditMode == Adding || key != oldKey)) {
        MsgBox(duplicateMessage(keyBox ? keyBox->text() : QString()), vbStyle::Information, gMsgTitle);
        setFocusAfterCommand(keyBox);
        return;
    }

    // An edit replaces the old row: the delete and the insert stand or fall
    // together, so a refused insert loses nothing and the typed texts stay.
    const QStringList values = entryValues();
    const bool saved = RunWrite(LangStr(QString::fromUtf8(kSaveFailure)), [&] {
        const WaitCursor wait;
        if (EditMode == Editing)
            deleteRecord(TrimBlanks(oldKey));
        insertRecord(values);
        writeDetails(key, TrimBlanks(oldKey));
    });
    if (saved)
        showSavedRow(gridRowCells(values));
}

void ListFrame::showSavedRow(const QStringList& cells)
{
    if (EditMode == Adding) {
        RecCount = RecCount + 1;
    } else if (GD->rows() > 2) {
        GD->removeItem(CurRow);
    } else {
        SetupGrid();
    }
    GD->addItem(cells);
    if (listIsEmpty())
        GD->removeItem(1);
    EndEdit();
    // The saved record, at the end of the list, is the current one.
    CurRow = GD->rows() - 1;
    GD->setRow(CurRow);
    GD_RowColChange();
}

void ListFrame::Menu_cancel_Click()
{
    if (EditMode == Browse)
        return;
    EndEdit();
    ShowRecord();
}

void ListFrame::Menu_Return_Click()
{
    close();
}

void ListFrame::fillSearchFields(Query& q)
{
    for (const Field& f : std::as_const(m_fields)) {
        if (f.gridCol < 0 || f.gridCol >= GD->cols() || f.column.isEmpty())
            continue;
        const QString qualified = f.searchField.isEmpty() ? m_table + "." + f.column : f.searchField;
        q.addField(GD->textMatrix(0, f.gridCol), qualified, Query::FieldType(f.searchType));
    }
}

void ListFrame::Menu_query_Click()
{
    PubSql.clear();
    Query& q = Query::shared();
    q.loader = &PubSql;
    q.SqlHeadstr = m_searchHead;
    fillSearchFields(q);
    if (m_searchIndex >= 0 && m_searchIndex < q.CmbF->count())
        q.CmbF->setCurrentIndex(m_searchIndex);
    ExecModal(q);
    q.loader = nullptr;
    searchClosed();
    if (!PubSql.isEmpty())
        FillGrid(searchStatement(PubSql));
}

void ListFrame::Menu_ToExcel_Click()
{
    ExportGrid(GD);
}

// ------------------------------------------------------------ guard, entry controls

bool ListFrame::queryUnload()
{
    if (m_usesEditingFlag && gEditing.isSet()) {
        MsgBox(kEditingGuard, vbStyle::Exclamation, "提示");
        return false;
    }
    return true;
}

QWidget* ListFrame::entryControlFor(QWidget* w) const
{
    if (!w)
        return nullptr;
    // A list's or a picker's own line edit stands for the control.
    if (QWidget* p = w->parentWidget(); p && (qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p)))
        w = p;
    if (const int pos = fieldOf(w); pos >= 0)
        return m_fields[pos].handled ? w : nullptr;
    for (const QPointer<QWidget>& extra : m_extraEntries) {
        if (extra == w)
            return w;
    }
    if (!Frm->isAncestorOf(w) || !IsEntryType(w))
        return nullptr;
    // Editors inside a grid on the page (an in-cell editor) are the grid's.
    for (QWidget* p = w->parentWidget(); p && p != Frm; p = p->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(p))
            return nullptr;
    }
    return w;
}

void ListFrame::colour(QWidget* control, bool focused)
{
    QPalette pal = control->palette();
    if (qobject_cast<QAbstractButton*>(control)) {
        control->setAutoFillBackground(true);
        pal.setColor(QPalette::Window, VbColor(focused ? kFocusColor : kButtonFaceColor));
        pal.setColor(QPalette::Button, VbColor(focused ? kFocusColor : kButtonFaceColor));
    } else {
        pal.setColor(QPalette::Base, VbColor(focused ? kFocusColor : kWindowColor));
        if (qobject_cast<QComboBox*>(control))
            pal.setColor(QPalette::Button, VbColor(focused ? kFocusColor : kButtonFaceColor));
    }
    control->setPalette(pal);
}

void ListFrame::focusChanged(QWidget* old, QWidget* now)
{
    // Another window taking the focus or giving it back (a message box, the
    // search dialog, an open drop-down) neither leaves nor enters a field:
    // a message shown from a field's own handler must not run it again.
    const auto isPopup = [](const QWidget* w) { return w && w->window()->windowType() == Qt::Popup; };
    if ((old && now && old->window() != now->window()) || isPopup(old) || isPopup(now))
        return;
    QWidget* leaving = entryControlFor(old);
    QWidget* entering = entryControlFor(now);
    if (leaving == entering)
        return;
    const QString failure = QString::fromUtf8(kCommandFailure);
    if (leaving) {
        colour(leaving, false);
        const int pos = fieldOf(leaving);
        // Only a field that was entered is left: one the focus merely passed
        // through, on its way to where a leave rule sent it, runs no rule.
        if (now && pos >= 0 && EditMode != Browse && leaving == m_entered) {
            RunGuarded(failure, [&] { fieldLeft(m_fields[pos]); });
            // The rule sent the focus elsewhere and that entry has been made:
            // the control it was going to is not entered.
            if (QApplication::focusWidget() != now)
                return;
        }
    }
    if (!entering)
        return;
    if (EditMode == Browse) {
        // The detail page cannot be typed into while browsing.
        TabS->setFocus();
        return;
    }
    // Enter moves on from every entry control, however it was made.
    watchEntry(entering);
    colour(entering, true);
    // The focus coming back to where it was (the window active again) is no new entry.
    const bool resumed = !old && entering == m_entered;
    m_entered = entering;
    const int pos = fieldOf(entering);
    if (pos >= 0 && !resumed)
        RunGuarded(failure, [&] { fieldEntered(m_fields[pos]); });
}

void ListFrame::watchEntry(QWidget* control)
{
    // Once only: a second install would put this filter in front of the
    // window's own.
    if (control->property("listFrameEntry").toBool())
        return;
    control->setProperty("listFrameEntry", true);
    control->installEventFilter(this);
}

void ListFrame::moveFocusOn(QWidget* from, bool forward)
{
    // The next (or previous) control of this window in the tab order that
    // can take the focus, passing over the inner parts of the control left.
    QWidget* w = from;
    for (int guard = 0; guard < 10000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return;
        if (from->isAncestorOf(w) || !isAncestorOf(w) || w->focusProxy())
            continue;
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled())
            continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

bool ListFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The vertical scroll bar comes and goes with the number of rows: the
    // columns follow the width left to them.
    if (watched == GD->viewport() && event->type() == QEvent::Resize) {
        sizeColumns(PxToTwips(GD->viewport()->width()));
        return ChildWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
        if (enter && w && !(ke->modifiers() & ~Qt::KeypadModifier) && entryControlFor(w) == w) {
            // An open drop-down takes its Enter to choose the item.
            auto* list = qobject_cast<QComboBox*>(w);
            if (list && list->view() && list->view()->isVisible())
                return false;
            moveFocusOn(w);
            return true;
        }
        // Tab goes round the window's own controls as Enter does, never
        // through the frame of the window: a leave rule that shows the next
        // box and sends the focus there then has the last word.
        const bool tab = ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab;
        if (tab && qobject_cast<QLineEdit*>(w) && !(ke->modifiers() & ~Qt::ShiftModifier) && entryControlFor(w) == w) {
            moveFocusOn(w, ke->key() == Qt::Key_Tab && !(ke->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
