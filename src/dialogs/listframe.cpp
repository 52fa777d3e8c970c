#include "dialogs/listframe.h"

#include "platform/modal.h"

#include "data/database.h"
#include "platform/flexgrid.h"
#include "data/globals.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "data/queries.h"
#include "dialogs/query.h"
#include "data/sqltext.h"
#include "dialogs/toexcel.h"
#include "platform/vb.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTimer>

namespace {

const char* const kEditingGuard = "操作员正在编辑数据,请先[保存]数据或[取消]编辑!";

QRect TwipsRect(const QRect& r)
{
    return QRect(TwipsToPx(r.x()), TwipsToPx(r.y()), TwipsToPx(r.width()), TwipsToPx(r.height()));
}

// The engine's words for a statement it refused.
void ShowDbFailure(const QString& what, const DbError& e)
{
    MsgBox(what + QLatin1Char('\r') + e.message(), vbStyle::Information, gMsgTitle);
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

    Menu_Add = addCommand("&A.增加", "Menu_Add");
    Menu_edit = addCommand("&E.修改", "Menu_edit");
    Menu_del = addCommand("&D.删除", "Menu_del");
    Menu_query = addCommand("&Q.查找", "Menu_query");
    Menu_save = addCommand("&S.保存", "Menu_save");
    Menu_cancel = addCommand("&C.取消", "Menu_cancel");
    Menu_Return = addCommand("&R.返回", "Menu_Return");
    Menu_save->setEnabled(false);
    Menu_cancel->setEnabled(false);

    connect(Menu_Add, &QAction::triggered, this, [this] { Menu_Add_Click(); });
    connect(Menu_edit, &QAction::triggered, this, [this] { Menu_edit_Click(); });
    connect(Menu_del, &QAction::triggered, this, [this] { Menu_del_Click(); });
    connect(Menu_query, &QAction::triggered, this, [this] { Menu_query_Click(); });
    connect(Menu_save, &QAction::triggered, this, [this] { Menu_save_Click(); });
    connect(Menu_cancel, &QAction::triggered, this, [this] { Menu_cancel_Click(); });
    connect(Menu_Return, &QAction::triggered, this, [this] { Menu_Return_Click(); });

    connect(TabS, &QTabBar::currentChanged, this, [this](int i) { TabS_Click(i); });
    connect(GD, &FlexGrid::rowColChange, this, [this] { GD_RowColChange(); });
    connect(GD, &FlexGrid::dblClick, this, [this] { GD_DblClick(); });
}

ListFrame::~ListFrame()
{
    // A window that goes while editing must not keep the others from closing.
    gEditing.set(this, false);
}

QAction* ListFrame::addExportCommand(const QString& objectName, QAction* before)
{
    Menu_ToExcel = addCommand("&T.导出数据", objectName, before ? before : Menu_Return);
    connect(Menu_ToExcel, &QAction::triggered, this, [this] { Menu_ToExcel_Click(); });
    addBrowseCommand(Menu_ToExcel);
    return Menu_ToExcel;
}

QAction* ListFrame::addPrintCommand(const QString& objectName, QAction* before)
{
    Menu_print = addCommand("&P.打印", objectName, before ? before : Menu_save);
    connect(Menu_print, &QAction::triggered, this, [this] { Menu_print_Click(); });
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

int ListFrame::addField(const Field& f)
{
    const int i = int(m_fields.size());
    m_fields.append(f);
    auto* lab = new QLabel(f.label, Frm);
    lab->setObjectName(QStringLiteral("Lab(%1)").arg(i));
    auto* txt = new QLineEdit(Frm);
    txt->setObjectName(QStringLiteral("Txt(%1)").arg(i));
    if (f.maxLength > 0)
        txt->setMaxLength(f.maxLength);
    txt->setReadOnly(true);
    txt->installEventFilter(this);
    if (!f.labRect.isEmpty())
        lab->setGeometry(TwipsRect(f.labRect));
    if (!f.txtRect.isEmpty()) {
        txt->setGeometry(TwipsRect(f.txtRect));
        // A tall box (a remark) starts its text at the top.
        if (f.txtRect.height() > 400)
            txt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    Lab.append(lab);
    Txt.append(txt);
    return i;
}

// ------------------------------------------------------------ load, layout

void ListFrame::formLoad()
{
    LangForm(this);
    InstallEnterMovesOn(Frm);
    EditMode = Browse;
    GD->raise();
    FillGrid(m_listSql);
}

void ListFrame::showEvent(QShowEvent* event)
{
    ChildWindow::showEvent(event);
    if (!m_placed) {
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

QString ListFrame::headerText(int col) const
{
    return col < m_fields.size() ? m_fields[col].header : QString();
}

QString ListFrame::cellText(const RecordSet& rs, int row, int col) const
{
    return col < rs.fieldCount() ? rs.at(row, col).toString() : QString();
}

void ListFrame::FillGrid(const QString& sql)
{
    RecordSet rs;
    try {
        rs = Db().openRecordset(sql);
    } catch (const DbError& e) {
        // A statement the engine refuses (a bad search) leaves the list as it was.
        ShowDbFailure(LangStr("查询执行错误!系统返回如下信息："), e);
        return;
    }
    SetupGrid();
    const int n = rs.recordCount();
    if (n <= 0) {
        RecCount = 0;
        return;
    }
    RecCount = n;
    const int cols = GD->cols();
    std::vector<QString> cells(size_t(n + 1) * cols);
    for (int c = 0; c < cols; ++c)
        cells[size_t(c)] = GD->textMatrix(0, c);
    for (int r = 0; r < n; ++r) {
        QString* row = &cells[size_t(r + 1) * cols];
        for (int c = 0; c < cols; ++c)
            row[c] = cellText(rs, r, c);
    }
    GD->setAll(n + 1, cols, std::move(cells));
    CurRow = 1;
    ShowPosition();
}

void ListFrame::ShowPosition()
{
    GD->setRow(CurRow);
    GD->setRowSel(CurRow);
    if (MainHost* host = GetMainHost()) {
        host->setPanelText(4, m_counterPrefix + LangStr(QStringLiteral("共 %1 条记录 当前为第 %2 条").arg(RecCount).arg(CurRow)));
    }
}

void ListFrame::ShowRecord()
{
    if (CurRow == 0)
        CurRow = 1;
    for (int i = 0; i < Txt.size(); ++i)
        Txt[i]->setText(GD->textMatrix(CurRow, i));
}

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

void ListFrame::BeginEdit()
{
    if (TabS->currentIndex() == 0)
        TabS->setCurrentIndex(1);
    else
        ShowRecord(); // the boxes hold the record the edit acts on
    TabS->setEnabled(false);
    for (int i = 1; i < Txt.size(); ++i) {
        Txt[i]->setReadOnly(false);
        if (EditMode == Adding)
            Txt[i]->clear();
    }
    setMenusForEditing(true);
    if (m_usesEditingFlag)
        gEditing.set(this, true);
}

void ListFrame::EndEdit()
{
    TabS->setEnabled(true);
    for (int i = 1; i < Txt.size(); ++i)
        Txt[i]->setReadOnly(true);
    setMenusForEditing(false);
    EditMode = Browse;
    TabS->setFocus();
    GD->setRow(CurRow);
    GD_RowColChange();
    gEditing.set(this, false);
}

bool ListFrame::IsInUse(const QString& key)
{
    const QString k = TrimBlanks(key);
    for (const Reference& ref : std::as_const(m_references)) {
        const QString found = GetStr(QStringLiteral("select %1 FROM %2 WHERE %1=%3").arg(ref.column, ref.table, SqlQuote(k)));
        if (!found.isEmpty())
            return true;
    }
    return false;
}

// ------------------------------------------------------------ commands

QString ListFrame::currentKey() const
{
    return GD->textMatrix(CurRow, 0);
}

bool ListFrame::listIsEmpty() const
{
    return TrimBlanks(GD->textMatrix(1, 0)).isEmpty();
}

void ListFrame::Menu_Add_Click()
{
    EditMode = Adding;
    BeginEdit();
    if (!Txt.isEmpty()) {
        Txt[0]->setReadOnly(false);
        Txt[0]->clear();
        Txt[0]->setFocus();
    }
}

void ListFrame::Menu_edit_Click()
{
    // Nothing to edit in an empty list.
    if (listIsEmpty() || CurRow < 1)
        return;
    EditMode = Editing;
    BeginEdit();
    if (!Txt.isEmpty()) {
        // A key that other records use cannot change; its other fields can.
        Txt[0]->setReadOnly(IsInUse(currentKey()));
        Txt[0]->setFocus();
    }
}

QString ListFrame::recordName(int row) const
{
    return GD->textMatrix(row, m_nameCol);
}

void ListFrame::deleteRecord(const QString& key)
{
    Db().execute(QStringLiteral("delete from %1 WHERE %2=%3").arg(m_table, m_keyColumn, SqlQuote(key)));
}

void ListFrame::purgeReferences(const QString& key)
{
    for (const Reference& ref : std::as_const(m_references)) {
        if (ref.clearOnPurge)
            Db().execute(QStringLiteral("update %1 set %2='' where %2=%3").arg(ref.table, ref.column, SqlQuote(key)));
        else
            Db().execute(QStringLiteral("delete from %1 where %2=%3").arg(ref.table, ref.column, SqlQuote(key)));
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
        if (MsgBox(LangStr("真的要删除") + name + LangStr("吗?"), vbStyle::YesNo + vbStyle::Question, gMsgTitle) != vbBtn::Yes)
            return;
    }

    // The referring rows and the record go together or not at all.
    try {
        Transaction t(Db());
        if (inUse)
            purgeReferences(TrimBlanks(key));
        deleteRecord(TrimBlanks(key));
        t.commit();
    } catch (const DbError& e) {
        ShowDbFailure(LangStr("删除失败!系统返回如下信息："), e);
        return;
    }
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

QStringList ListFrame::entryValues() const
{
    QStringList values;
    values.reserve(Txt.size());
    for (QLineEdit* t : Txt)
        values << TrimBlanks(t->text());
    return values;
}

QString ListFrame::insertStatement(const QStringList& values) const
{
    QStringList cols, lits;
    for (int i = 0; i < m_fields.size() && i < values.size(); ++i) {
        if (m_fields[i].column.isEmpty())
            continue;
        cols << m_fields[i].column;
        lits << SqlQuote(values[i]);
    }
    return QStringLiteral("insert into %1 (%2) VALUES (%3)").arg(m_table, cols.join(','), lits.join(','));
}

QString ListFrame::gridRowText(const QStringList& values) const
{
    return values.join(QLatin1Char('\t'));
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
    for (int i = 0; i < m_fields.size() && i < Txt.size(); ++i) {
        if (m_fields[i].required && TrimBlanks(Txt[i]->text()).isEmpty()) {
            MsgBox(Lab[i]->text() + LangStr("不能为空!"), vbStyle::Information, gMsgTitle);
            return;
        }
    }
    if (!checkEntries())
        return;

    const QString key = TrimBlanks(Txt[0]->text());
    const QString existing = GetStr(QStringLiteral("select %1 from %2 where %1=%3").arg(m_keyColumn, m_table, SqlQuote(key)));
    QString oldKey;
    if (EditMode == Adding) {
        if (!existing.isEmpty()) {
            MsgBox(duplicateMessage(Txt[0]->text()), vbStyle::Information, gMsgTitle);
            Txt[0]->setFocus();
            return;
        }
    } else {
        oldKey = currentKey();
        if (key != oldKey && !existing.isEmpty()) {
            MsgBox(duplicateMessage(Txt[0]->text()), vbStyle::Information, gMsgTitle);
            Txt[0]->setFocus();
            return;
        }
    }

    // An edit replaces the old row: the delete and the insert stand or fall
    // together, so a refused insert loses nothing and the typed texts stay.
    const QStringList values = entryValues();
    try {
        Transaction t(Db());
        if (EditMode == Editing)
            deleteRecord(TrimBlanks(oldKey));
        Db().execute(insertStatement(values));
        writeDetails(key, TrimBlanks(oldKey));
        t.commit();
    } catch (const DbError& e) {
        ShowDbFailure(LangStr("保存失败!系统返回如下信息："), e);
        return;
    }

    if (EditMode == Adding) {
        RecCount = RecCount + 1;
    } else if (GD->rows() > 2) {
        GD->removeItem(CurRow);
    } else {
        SetupGrid();
    }
    GD->addItem(gridRowText(values));
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
    for (int i = 0; i < m_fields.size() && i < GD->cols(); ++i) {
        const Field& f = m_fields[i];
        const QString qualified = f.searchField.isEmpty() ? m_table + "." + f.column : f.searchField;
        q.addField(GD->textMatrix(0, i), qualified, Query::FieldType(f.searchType));
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
    if (!PubSql.isEmpty())
        FillGrid(PubSql);
}

void ListFrame::Menu_ToExcel_Click()
{
    ToExcel& dlg = ToExcel::shared();
    dlg.Sgd = GD;
    ExecModal(dlg);
    dlg.Sgd = nullptr;
}

// ------------------------------------------------------------ guard, boxes

bool ListFrame::queryUnload()
{
    if (m_usesEditingFlag && gEditing.isSet()) {
        MsgBox(kEditingGuard, vbStyle::Exclamation, "提示");
        return false;
    }
    return true;
}

bool ListFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The vertical scroll bar comes and goes with the number of rows: the
    // columns follow the width left to them.
    if (watched == GD->viewport() && event->type() == QEvent::Resize) {
        sizeColumns(PxToTwips(GD->viewport()->width()));
        return ChildWindow::eventFilter(watched, event);
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && Txt.contains(box)) {
        if (event->type() == QEvent::FocusIn) {
            if (EditMode < Adding) {
                // The detail page cannot be typed into while browsing.
                TabS->setFocus();
            } else {
                QPalette pal = box->palette();
                pal.setColor(QPalette::Base, VbColor(kFocusColor));
                box->setPalette(pal);
            }
        } else if (event->type() == QEvent::FocusOut) {
            QPalette pal = box->palette();
            pal.setColor(QPalette::Base, VbColor(kWindowColor));
            box->setPalette(pal);
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
