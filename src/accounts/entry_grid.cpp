#include "accounts/entry_grid.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <QComboBox>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// The grid's columns. The related document and the summary (or payment
// way) are shown empty and never stored; the sequence number is hidden.
enum EntryColumn {
    kNumber = 0, kDate = 1, kParty = 2, kRelatedDoc = 3, kSummary = 4, kAmount = 5, kHandler = 6, kMaker = 7,
    kRemark = 8, kSn = 9, kCols = 10,
};
constexpr auto kSaveFailure = "保存失败!系统返回如下信息：";
constexpr auto kDeleteFailure = "删除失败!系统返回如下信息：";
constexpr auto kListFailure = "查询执行错误!系统返回如下信息：";
const QString kDropNewRows = QStringLiteral("确定不保存您新录入的资料吗？");

std::function<QDateTime()>& docNoClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

QDateTime now()
{
    return docNoClock() ? docNoClock()() : QDateTime::currentDateTime();
}

std::optional<QDate> dateOf(const QString& text)
{
    const auto dt = ParseDateText(text.trimmed());
    if (!dt)
        return std::nullopt;
    return dt->date();
}

void tell(const QString& text)
{
    MsgBox(LangStr(text), vbStyle::Information, QString());
}

// The hidden sequence number is the key of an edit or a delete: it is kept in
// its exact form, which finds its row again where 15 digits would not (two
// entries of a crowded gap differ in the last bits).
QString snText(double sn)
{
    return SqlNum(sn);
}

} // namespace

QString MakeDocNo(const QString& prefix, const QDateTime& at)
{
    return prefix + at.toString(QStringLiteral("yyMMddhhmmss"));
}

void SetDocNoClock(std::function<QDateTime()> clock)
{
    docNoClock() = std::move(clock);
}

LedgerEntryWindow::LedgerEntryWindow(const QString& name, int lb, QWidget* parent)
    : ChildWindow(name, parent)
    , LB(lb)
    , GD(new FlexGrid(this))
{
    GD->setObjectName(QStringLiteral("GD"));
    GD->setFixedCols(0);

    Menu_Add = addCommand(QStringLiteral("&A.增加"), QStringLiteral("Menu_Add"), [this] { Menu_Add_Click(); });
    Menu_edit = addCommand(QStringLiteral("&E.修改"), QStringLiteral("Menu_edit"), [this] { Menu_edit_Click(); });
    Menu_del = addCommand(QStringLiteral("&D.删除"), QStringLiteral("Menu_del"), [this] { Menu_del_Click(); });
    Menu_query = addCommand(QStringLiteral("&Q.查找"), QStringLiteral("Menu_query"), [this] { Menu_query_Click(); });
    Menu_print = addCommand(QStringLiteral("&P.打印"), QStringLiteral("Menu_print"));
    Menu_save = addCommand(QStringLiteral("&S.保存"), QStringLiteral("Menu_save"), [this] { Menu_save_Click(); });
    Menu_cancel = addCommand(QStringLiteral("&C.取消"), QStringLiteral("Menu_cancel"), [this] { Menu_cancel_Click(); });
    Menu_TE = addCommand(QStringLiteral("&T.导出"), QStringLiteral("Menu_TE"), [this] { Menu_TE_Click(); });
    Menu_Return = addCommand(QStringLiteral("&R.返回"), QStringLiteral("Menu_Return"), [this] { Menu_Return_Click(); });
    // The entry list has no printed form.
    Menu_print->setEnabled(false);
    Menu_save->setEnabled(false);
    Menu_cancel->setEnabled(false);

    ConnectGuarded(GD, &FlexGrid::clicked, this, [this] { GD_Click(); });
    ConnectGuarded(GD, &FlexGrid::rowColChange, this, [this] { GD_RowColChange(); });
    setUpEditor();
    resize(1000, 600);
}

const LedgerKind& LedgerEntryWindow::kind() const { return LedgerKindOf(LB); }

FlexCellEditor* LedgerEntryWindow::editor() const { return GD->cellEditor(); }

void LedgerEntryWindow::openAs(int lb, const QString& caption)
{
    if (!m_loaded || lb == 0 || lb == LB) {
        if (lb != 0)
            LB = lb;
        setWindowTitle(caption.isEmpty() ? kind().caption : caption);
        return;
    }
    // Rows typed for one kind are not saved as the other: the operator says
    // whether they may go, or the window stays as it is.
    if (Edstu != 0) {
        if (MsgBox(LangStr(kDropNewRows), vbStyle::OKCancel + vbStyle::Information, QString()) == vbBtn::Cancel)
            return;
        editor()->cancel();
        EndEdit();
    }
    LB = lb;
    setWindowTitle(caption.isEmpty() ? kind().caption : caption);
    setUpForKind();
}

void LedgerEntryWindow::formLoad()
{
    LangForm(this);
    if (windowTitle().isEmpty())
        setWindowTitle(kind().caption);
    m_loaded = true;
    setUpForKind();
}

void LedgerEntryWindow::setUpForKind()
{
    Edstu = 0;
    m_lastSql.clear();
    FillEditorLists();
    QString sql = openingSql();
    FillGrid(sql);
}

QString LedgerEntryWindow::listHead() const
{
    return "select TB1.F1,TB1.F2,TB1.F3,'','',TB1." + kind().moneyColumn() + ",TB1.S1,TB1.F5,TB1.F10,TB1.SN FROM TB1  ";
}

// The oldest thousand entries of the kind; a search lists them all.
QString LedgerEntryWindow::openingSql() const
{
    return listHead().replace(0, 6, QStringLiteral("select TOP 1000"));
}

std::vector<QString> LedgerEntryWindow::headedCells(int rows) const
{
    std::vector<QString> cells(size_t(rows) * kCols);
    const QStringList h = headers();
    for (int c = 0; c < kCols; ++c)
        cells[size_t(c)] = h.value(c);
    return cells;
}

void LedgerEntryWindow::SetupGrid()
{
    GD->setAll(2, kCols, headedCells(2));
    for (int c = 0; c < kCols; ++c)
        GD->setFixedAlignment(c, Qt::AlignCenter);
    GD->setColAlignment(kAmount, Qt::AlignRight | Qt::AlignVCenter);
    m_curRow = 1;
    sizeColumns();
}

void LedgerEntryWindow::FillGrid(QString& sql)
{
    SetupGrid();
    if (sql != m_lastSql) {
        // The search's conditions are bracketed, so one joined by "或者"
        // cannot reach entries of another kind. Under a search the kind is
        // tested row by row ("+"): its index holds a quarter of the ledger
        // under each of its four values, and would be walked instead of the
        // date's or the number's that the conditions can use.
        const qsizetype where = sql.indexOf(QLatin1String("Where"));
        const QString lb = QString::number(LB);
        if (where >= 0)
            sql = sql.left(where) + "Where (" + sql.mid(where + 5) + ") and +TB1.lb=" + lb + " order by TB1.sn  ";
        else
            sql += " Where TB1.lb=" + lb + "  order by TB1.sn  ";
    }
    m_count = 0;
    RunGuarded(LangStr(QString::fromUtf8(kListFailure)), [&] {
        WaitCursor wait;
        const RecordSet rs = Db().openRecordset(sql);
        m_lastSql = sql;
        const int n = rs.recordCount();
        if (n == 0)
            return;
        std::vector<QString> cells = headedCells(n + 1);
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < kCols; ++c)
                cells[size_t(r + 1) * kCols + c] = rs.at(r, c).toString();
            if (const Value& sn = rs.at(r, kSn); sn.isNumber())
                cells[size_t(r + 1) * kCols + kSn] = snText(sn.toDouble());
        }
        GD->setAll(n + 1, kCols, std::move(cells));
        m_count = n;
    });
    m_curRow = 1;
    sizeColumns();
    ShowPosition();
}

void LedgerEntryWindow::ShowPosition()
{
    if (Edstu == 0 && m_curRow < GD->rows()) {
        GD->setRow(m_curRow);
        GD->setRowSel(m_curRow);
    }
    if (MainHost* host = GetMainHost())
        host->setPanelText(4, LangStr(QStringLiteral("共 %1 条记录 当前为第 %2 条").arg(m_count).arg(m_curRow)));
}

void LedgerEntryWindow::FillEditorLists()
{
    m_dates.clear();
    const QDate today = QDate::currentDate();
    for (int i = 0; i <= 60; ++i)
        m_dates << DateText(today.addDays(-i));
    m_parties.clear();
    RunGuarded(LangStr(QString::fromUtf8(kListFailure)), [&] {
        const RecordSet rs = Db().openRecordset(kind().partyListSql());
        for (int r = 0; r < rs.recordCount(); ++r)
            m_parties << rs.at(r, 0).toString();
    });
}

QString LedgerEntryWindow::NewDocNo() const
{
    QDateTime t = now();
    // Two rows numbered within one second, or a number typed by hand that
    // looks like the clock's, must not give a number that is taken.
    for (;;) {
        const QString no = MakeDocNo(kind().prefix, t);
        bool taken = false;
        for (int r = 1; r < GD->rows() && !taken; ++r)
            taken = GD->textMatrix(r, kNumber).compare(no, Qt::CaseInsensitive) == 0;
        // A ledger that cannot be asked proposes no number: the operator types one.
        if (!taken && !numberStored(no, taken))
            return QString();
        if (!taken)
            return no;
        t = t.addSecs(1);
    }
}

bool LedgerEntryWindow::numberStored(const QString& number, bool& stored) const
{
    // A failed look-up is no free number: the engine's text is shown and the
    // caller takes no number.
    return RunGuarded(LangStr(QString::fromUtf8(kListFailure)), [&] {
        stored = !GetFieldStrOrThrow("select F1 from TB1 Where F1=" + SqlQuote(number)).isEmpty();
    });
}

// ------------------------------------------------------------ editing

void LedgerEntryWindow::setUpEditor()
{
    FlexCellEditor* ed = GD->cellEditor();
    ed->setColors(VbColor(kFocusColor), QColor(Qt::black));
    ed->setEditorFor([this](int row, int col) -> CellEditorSpec {
        if (Edstu == 0 || (Edstu == 1 && row < m_anchor) || (Edstu == 2 && row != m_anchor))
            return {};
        switch (col) {
        case kDate:
            return CellEditorSpec::list(m_dates);
        case kParty:
            return CellEditorSpec::list(m_parties);
        case kNumber:
        case kAmount:
        case kHandler:
        case kRemark:
            return CellEditorSpec::text();
        default:
            return {}; // the maker is the operator; 3, 4 and 9 are not shown
        }
    });
    ed->setValidator([this](int row, int col, QString& text) { return commitCell(row, col, text); });
    ed->setNext([this](int& row, int& col, CellCommit how) {
        if (how == CellCommit::Enter || how == CellCommit::Tab)
            return nextCell(row, col, false);
        if (how == CellCommit::BackTab)
            return nextCell(row, col, true);
        return false;
    });
    ConnectGuarded(ed, &FlexCellEditor::committed, this,
                   [this](int row, int col, const QString&, const QString& text) { afterCommit(row, col, text); });
    // One list box serves the date and the party column; it answers to the
    // name of the column it stands in, CmbEnter(1) or CmbEnter(2).
    ConnectGuarded(ed, &FlexCellEditor::opened, this, [ed](int, int col) {
        if (col >= kDate && col < kAmount)
            ed->comboBox()->setObjectName(QStringLiteral("CmbEnter(%1)").arg(col));
    });
}

bool LedgerEntryWindow::commitCell(int row, int col, QString& text)
{
    m_rowWent = false;
    m_numberTaken = false;
    switch (col) {
    case kDate: {
        // Typed short forms ("3-5", "24-3-5") are dates too; not a date:
        // today. A date is written in the short form.
        const auto d = ReadTypedDate(SqlText(text));
        text = DateText(d.value_or(QDate::currentDate()));
        return true;
    }
    case kParty:
        // "'" becomes "’" as in the masters' names, which waybills post under:
        // a typed "O'Brien" is the customer O’Brien, not a second party.
        text = SqlText(text);
        return true;
    case kAmount:
        text = CStr(Val(SqlText(text)));
        return true;
    case kNumber:
        break;
    default:
        text = SqlText(text);
        return true;
    }

    const QString number = SqlText(text).toUpper();
    if (number.isEmpty()) {
        // While editing, the entry keeps its number: the save finds it by it.
        text = Edstu == 2 ? m_oldNumber : QString();
        return true;
    }
    const QString previous = GD->textMatrix(row, col);
    const bool ownNumber = Edstu == 2 && number == m_oldNumber.toUpper();
    bool stored = false;
    if (!ownNumber && !numberStored(number, stored)) {
        text = previous;
        return true;
    }
    if (stored) {
        tell(QStringLiteral("在系统中，已经采用了[%1]这个单据编号！").arg(number));
        text = previous;
        return true;
    }
    if (Edstu == 1) {
        for (int r = m_anchor; r < GD->rows(); ++r) {
            if (r != row && GD->textMatrix(r, kNumber).compare(number, Qt::CaseInsensitive) == 0) {
                tell(QStringLiteral("您已经录入了一张凭证号为[%1]的记录！").arg(number));
                text = previous;
                return true;
            }
        }
    }
    text = number;
    m_numberTaken = true;
    return true;
}

void LedgerEntryWindow::afterCommit(int row, int col, const QString& text)
{
    if (col != kNumber || Edstu == 0)
        return;
    const int last = GD->rows() - 1;
    if (!text.isEmpty()) {
        // A number taken on the last row opens the row below it.
        if (m_numberTaken && row == last)
            appendRow();
        return;
    }
    if (Edstu != 1)
        return;
    // An emptied number takes the new row back out; the last one is emptied.
    m_rowWent = true;
    if (row < last) {
        GD->removeItem(row);
        m_curRow = std::min(std::max(row, m_anchor), GD->rows() - 1);
    } else {
        for (int c = 0; c < kCols; ++c)
            GD->setTextMatrix(row, c, QString());
        m_curRow = row;
    }
}

bool LedgerEntryWindow::nextCell(int& row, int& col, bool back)
{
    if (m_rowWent || Edstu == 0) {
        m_rowWent = false;
        return false;
    }
    static const int order[] = {kNumber, kDate, kParty, kAmount, kHandler, kMaker, kRemark};
    const int* at = std::find(std::begin(order), std::end(order), col);
    if (back) {
        if (at == std::begin(order) || at == std::end(order))
            return false;
        col = *(at - 1) == kMaker ? kHandler : *(at - 1);
    } else if (col == kRemark) {
        if (Edstu == 2) {
            col = kNumber;
        } else {
            // Past the last column: on to the next row, a new one at the end.
            if (row == GD->rows() - 1)
                appendRow(NewDocNo());
            ++row;
            col = kNumber;
        }
    } else if (at != std::end(order)) {
        col = *(at + 1);
    }
    choose(row, col);
    return true;
}

void LedgerEntryWindow::choose(int& row, int& col)
{
    if (Edstu == 1) {
        // New rows only; a row without a number starts at its number, which
        // it gets at once when the row above is complete.
        row = std::max(row, m_anchor);
        if (GD->textMatrix(row, kNumber).isEmpty()) {
            col = kNumber;
            if (row == 1 || rowComplete(row - 1))
                GD->setTextMatrix(row, kNumber, NewDocNo());
        }
    } else if (Edstu == 2) {
        row = m_anchor;
    }
    if (col == kMaker) {
        // The maker is whoever saves a new row; an edit keeps the stored one.
        if (Edstu == 1)
            GD->setTextMatrix(row, kMaker, gUserName);
        col = kRemark;
    }
    if (col == kRelatedDoc || col == kSummary)
        col = kAmount;
    if (col == kSn)
        col = kRemark;
    m_curRow = row;
}

void LedgerEntryWindow::ShowCellEditor()
{
    editor()->open(m_curRow, m_lastCol);
    ShowPosition();
}

void LedgerEntryWindow::GD_Click()
{
    FlexCellEditor* ed = editor();
    // An editor the operator is still in has been committed by the click.
    if (ed->isOpen() && !ed->commit(CellCommit::Click))
        return;
    int row = GD->row();
    int col = GD->col();
    if (Edstu == 0) {
        m_curRow = row;
        ShowPosition();
        return;
    }
    choose(row, col);
    m_lastCol = col;
    ShowCellEditor();
}

void LedgerEntryWindow::GD_RowColChange()
{
    m_lastCol = GD->col();
    if (Edstu == 0) {
        m_curRow = GD->row();
        ShowPosition();
    }
}

void LedgerEntryWindow::appendRow(const QString& number)
{
    GD->addItem(number + QString(kCols - 1, QLatin1Char('\t')));
}

bool LedgerEntryWindow::rowComplete(int row) const
{
    return !GD->textMatrix(row, kNumber).isEmpty() && !GD->textMatrix(row, kParty).isEmpty()
        && Val(GD->textMatrix(row, kAmount)) != 0;
}

// A row at the end with nothing typed beyond what the window put there
// itself (its number, its date, the maker) is no entry.
bool LedgerEntryWindow::rowIsBlankTail(int row) const
{
    return GD->textMatrix(row, kParty).isEmpty() && Val(GD->textMatrix(row, kAmount)) == 0
        && GD->textMatrix(row, kHandler).isEmpty() && GD->textMatrix(row, kRemark).isEmpty();
}

bool LedgerEntryWindow::checkRow(int row)
{
    const QStringList h = headers();
    for (int c : {kNumber, kDate, kParty}) {
        const QString cell = GD->textMatrix(row, c).trimmed();
        if (cell.isEmpty() || (c == kDate && !dateOf(cell))) {
            tell(QStringLiteral("第%1行[%2]不能为空！").arg(row).arg(h.value(c)));
            return false;
        }
    }
    if (Val(GD->textMatrix(row, kAmount)) == 0) {
        tell(QStringLiteral("第%1行[%2]不能为0！").arg(row).arg(h.value(kAmount)));
        return false;
    }
    return true;
}

LedgerRowKey LedgerEntryWindow::keyOf(int row) const
{
    return {GD->textMatrix(row, kNumber), GD->textMatrix(row, kSn).toDouble(), LB};
}

bool LedgerEntryWindow::numbersFree(const QStringList& numbers)
{
    QString taken;
    if (!RunGuarded(LangStr(QString::fromUtf8(kSaveFailure)), [&] { taken = FirstLedgerDocNoTaken(numbers); }))
        return false;
    if (!taken.isEmpty())
        tell(QStringLiteral("在系统中，已经采用了[%1]这个单据编号！").arg(taken));
    return taken.isEmpty();
}

LedgerEntry LedgerEntryWindow::entryOf(int row) const
{
    LedgerEntry e;
    e.lb = LB;
    e.docNo = GD->textMatrix(row, kNumber).trimmed();
    e.date = dateOf(GD->textMatrix(row, kDate)).value_or(QDate());
    e.party = GD->textMatrix(row, kParty);
    e.amount = Val(GD->textMatrix(row, kAmount));
    e.handler = GD->textMatrix(row, kHandler);
    e.remark = GD->textMatrix(row, kRemark);
    e.operatorName = gUserName;
    return e;
}

// ------------------------------------------------------------ commands

void LedgerEntryWindow::BeginEdit()
{
    for (QAction* a : {Menu_Add, Menu_edit, Menu_del, Menu_query, Menu_print})
        a->setEnabled(false);
    Menu_save->setEnabled(true);
    Menu_cancel->setEnabled(true);
    Menu_Return->setEnabled(false);
}

void LedgerEntryWindow::EndEdit()
{
    Menu_Return->setEnabled(true);
    for (QAction* a : {Menu_Add, Menu_edit, Menu_del, Menu_query})
        a->setEnabled(true);
    Menu_save->setEnabled(false);
    Menu_cancel->setEnabled(false);
    Edstu = 0;
    m_curRow = std::clamp(m_curRow, 1, GD->rows() - 1);
    GD->setRow(m_curRow);
    GD->setCol(kNumber);
    GD_RowColChange();
}

void LedgerEntryWindow::Menu_Add_Click()
{
    if (!GD->textMatrix(GD->rows() - 1, kNumber).isEmpty())
        appendRow();
    m_anchor = m_curRow = GD->rows() - 1;
    Edstu = 1;
    BeginEdit();
    m_lastCol = kNumber;
    GD->setTextMatrix(m_curRow, kNumber, NewDocNo());
    ShowCellEditor();
}

void LedgerEntryWindow::Menu_edit_Click()
{
    if (!gCanEditAccounts) {
        tell(QStringLiteral("对不起,您无此权限!"));
        return;
    }
    if (m_curRow >= GD->rows() || GD->textMatrix(m_curRow, kNumber).isEmpty()) {
        tell(QStringLiteral("请选择要修改的行！"));
        return;
    }
    m_anchor = m_curRow;
    Edstu = 2;
    BeginEdit();
    m_oldNumber = GD->textMatrix(m_anchor, kNumber);
    m_oldParty = GD->textMatrix(m_anchor, kParty);
    m_oldSn = keyOf(m_anchor).sn;
    int row = m_anchor;
    int col = kNumber;
    choose(row, col);
    m_lastCol = col;
    ShowCellEditor();
}

void LedgerEntryWindow::Menu_del_Click()
{
    if (!gCanEditAccounts) {
        tell(QStringLiteral("对不起,您无此权限!"));
        return;
    }
    // A row without a number (the blank one an edit may leave below the
    // list) is no entry.
    if (m_count == 0 || m_curRow >= GD->rows() || GD->textMatrix(m_curRow, kNumber).trimmed().isEmpty())
        return;
    const LedgerRowKey key = keyOf(m_curRow);
    if (MsgBox(LangStr(QStringLiteral("真的要删除[%1]吗？").arg(key.docNo)), vbStyle::YesNo + vbStyle::Question, gMsgTitle) != vbBtn::Yes)
        return;
    // That one entry goes, and the later entries of its party are recomputed.
    LedgerPosting posting;
    if (!RunWrite(LangStr(QString::fromUtf8(kDeleteFailure)), [&] { posting.removeEntry(key); }))
        return;
    if (GD->rows() >= 3)
        GD->removeItem(m_curRow);
    else
        SetupGrid();
    --m_count;
    m_curRow = std::clamp(m_curRow, 1, std::max(1, m_count));
    GD->setRow(m_curRow);
    GD_RowColChange();
}

void LedgerEntryWindow::Menu_query_Click()
{
    PubSql.clear();
    Query& q = Query::shared();
    q.loader = &PubSql;
    q.SqlHeadstr = listHead();
    const QStringList h = headers();
    const struct {
        int col;
        QString field;
        Query::FieldType type;
    } fields[] = {
        {kNumber, "TB1.F1", Query::TextField},  {kDate, "TB1.F2", Query::DateField},
        {kParty, "TB1.F3", Query::TextField},   {kRelatedDoc, "TB1.F3", Query::TextField},
        {kAmount, "TB1." + kind().moneyColumn(), Query::NumberField},
        {kHandler, "S1", Query::TextField},     {kMaker, "F5", Query::TextField},
        {kRemark, "F10", Query::TextField},
    };
    // The party is stored as commitCell cleans it.
    for (const auto& f : fields)
        q.addField(h.value(f.col), f.field, f.type,
                   f.field == "TB1.F3" ? Query::Stored::Sanitised : Query::Stored::AsTyped);
    q.CmbF->setCurrentIndex(3);
    ExecModal(q);
    q.loader = nullptr;
    if (!PubSql.isEmpty())
        FillGrid(PubSql);
}

void LedgerEntryWindow::Menu_save_Click()
{
    // A cell still being typed in is written first; a refused one stays open.
    if (!editor()->commit(CellCommit::Program))
        return;
    if (Edstu == 1)
        saveNew();
    else if (Edstu == 2)
        saveEdit();
    else
        EndEdit();
}

void LedgerEntryWindow::saveNew()
{
    const int last = GD->rows() - 1;
    int end = last;
    while (end >= m_anchor && rowIsBlankTail(end))
        --end;
    for (int r = m_anchor; r <= end; ++r)
        if (!checkRow(r))
            return;
    // A number checked as it was typed may have been taken since, by a
    // waybill saved meanwhile.
    QStringList numbers;
    for (int r = m_anchor; r <= end; ++r)
        numbers << entryOf(r).docNo;
    if (!numbersFree(numbers))
        return;
    for (int r = m_anchor; r <= end; ++r)
        GD->setTextMatrix(r, kMaker, gUserName);

    // Every row, its number, its insert and the balances it moves, or none.
    LedgerPosting posting;
    std::vector<double> sns;
    if (!RunWrite(LangStr(QString::fromUtf8(kSaveFailure)), [&] {
            sns.clear();
            // Each party recomputed once, from the earliest of its new rows.
            posting.inOneRewrite([&] {
                for (int r = m_anchor; r <= end; ++r)
                    sns.push_back(posting.post(entryOf(r)));
            });
        }))
        return;
    for (int r = m_anchor; r <= end; ++r)
        GD->setTextMatrix(r, kSn, snText(sns[size_t(r - m_anchor)]));
    for (int r = last; r > end; --r)
        GD->removeItem(r);
    m_count += end - m_anchor + 1;
    if (m_count == 0)
        SetupGrid();
    m_curRow = GD->rows() - 1;
    EndEdit();
    m_curRow = std::min(m_anchor, GD->rows() - 1);
    ShowPosition();
    if (!posting.warning().isEmpty())
        tell(posting.warning());
}

void LedgerEntryWindow::saveEdit()
{
    const int row = m_anchor;
    if (!checkRow(row))
        return;
    const LedgerEntry e = entryOf(row);
    if (e.docNo.compare(m_oldNumber.trimmed(), Qt::CaseInsensitive) != 0 && !numbersFree({e.docNo}))
        return;
    // Found by its old number, sequence number and kind: the one row listed.
    LedgerPosting posting;
    double sn = 0;
    if (!RunWrite(LangStr(QString::fromUtf8(kSaveFailure)), [&] { sn = posting.edit({m_oldNumber, m_oldSn, LB}, e); }))
        return;
    GD->setTextMatrix(row, kSn, snText(sn));
    EndEdit();
    m_curRow = row;
    ShowPosition();
    if (!posting.warning().isEmpty())
        tell(posting.warning());
}

void LedgerEntryWindow::Menu_cancel_Click()
{
    editor()->cancel();
    if (Edstu == 1 && (!GD->textMatrix(m_anchor, kNumber).isEmpty() || GD->rows() - 1 > m_anchor)) {
        if (MsgBox(LangStr(kDropNewRows), vbStyle::OKCancel + vbStyle::Information, QString()) == vbBtn::Cancel)
            return;
    }
    EndEdit();
    QString sql = m_lastSql;
    FillGrid(sql);
}

void LedgerEntryWindow::Menu_TE_Click()
{
    ExportGrid(GD);
}

void LedgerEntryWindow::Menu_Return_Click() { close(); }

void LedgerEntryWindow::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    const int w = std::max(0, width() - TwipsToPx(200));
    const int h = std::max(0, height() - TwipsToPx(500));
    GD->setGeometry(TwipsToPx(10), TwipsToPx(10), w, h);
    sizeColumns();
}

void LedgerEntryWindow::sizeColumns()
{
    const int w = std::max(0, int(std::lround(double(PxToTwips(GD->width())) / 7 - 60)));
    for (int c = 0; c < kCols; ++c)
        GD->setColWidth(c, c == 3 || c == 4 || c == kSn ? 0 : w);
}
