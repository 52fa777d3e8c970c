#include "delivery_notes/d2.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "delivery_notes/note_grid.h"
#include "dialogs/query.h"
#include "dialogs/report_grid.h"
#include "dialogs/toexcel.h"
#include "platform/command_guard.h"
#include "platform/flexgrid.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/window_registry.h"

#include <QAction>
#include <QComboBox>

namespace {

const QStringList kHeaders{"客户编号", "客户名称", "发货单编号", "发货单金额", "付款日期", "付款金额", "结余金额"};

} // namespace

D2::D2(QWidget* parent)
    : ChildWindow("D2", parent)
{
    setWindowTitle("客户付款记录");
    GD = MakeNoteGrid(this);

    Menu_A = addCommand("&A.付款", "Menu_A", [this] { Menu_A_Click(); });
    Menu_query = addCommand("&Q.查找", "Menu_query", [this] { Menu_query_Click(); });
    Menu_Sort = addCommand("&S.排序", "Menu_Sort");
    Menu_ToExcel = addCommand("&T.导出数据", "Menu_ToExcel", [this] { Menu_ToExcel_Click(); });
    Menu_print = addCommand("&P.打印", "Menu_print");
    Menu_Return = addCommand("&R.返回", "Menu_Return", [this] { Menu_Return_Click(); });
    // The list keeps the order of its search and is not printed.
    Menu_Sort->setEnabled(false);
    Menu_print->setEnabled(false);

    ConnectGuarded(GD, &FlexGrid::rowColChange, this, [this] { GD_RowColChange(); });
    resize(900, 560);
}

void D2::formLoad()
{
    LangForm(this);
    SetupGrid();
    CurSql.clear();
}

void D2::SetupGrid()
{
    SetupNoteGrid(GD, kHeaders, {3, 5, 6});
    CurRow = 1;
}

void D2::FillGrid(const QString& sql)
{
    SetupGrid();
    try {
        WaitCursor wait;
        const RecordSet rs = Db().openRecordset(sql);
        if (rs.recordCount() == 0) {
            ShowPosition();
            return;
        }
        // The sums row adds the note amounts and the payments; the balances are not summed.
        FillNoteRows(GD, rs, 6, {5, 3});
    } catch (const DbError& e) {
        MsgBox(e.message(), vbStyle::Information, gMsgTitle);
        ShowPosition();
        return;
    }
    CurRow = 1;
    ShowPosition();
}

void D2::ShowPosition()
{
    const int rows = GD->rows();
    const int n = GD->textMatrix(rows - 1, 1).isEmpty() ? rows - 2 : rows - 1;
    GD->setRow(CurRow);
    GD->setRowSel(CurRow);
    ShowListCounter(GD, "客户付款记录", n, CurRow);
}

void D2::GD_RowColChange()
{
    if (m_inRowChange)
        return;
    m_inRowChange = true;
    // After a payment is appended the last row is that payment, not a sums row.
    StepOffSumsRow(GD);
    CurRow = GD->row();
    ShowPosition();
    m_inRowChange = false;
}

void D2::AppendPayment(const QStringList& cells)
{
    const int last = GD->rows() - 1;
    if (GD->rows() > 2 && GD->textMatrix(last, 1).isEmpty())
        GD->removeItem(last);
    // Only the blank row of an empty list goes; a listed payment without a
    // customer code stays.
    const bool blankList = GD->rows() == 2 && GD->rowTexts(1).join(QString()).trimmed().isEmpty();
    GD->addItem(cells);
    if (blankList)
        GD->removeItem(1);
    GD->setRow(GD->rows() - 1);
    GD_RowColChange();
}

void D2::Menu_A_Click()
{
    WindowRegistry::runDialog("D201", this);
}

void D2::Menu_query_Click()
{
    PubSql.clear();
    Query& q = Query::shared();
    q.loader = &PubSql;
    q.SqlHeadstr = "select TD2.F1,TA2.F2,TD2.F2,TD1.F9,TD2.F3,TD2.F4,TD2.F5 "
                   "from (TD2 left join TA2 on TD2.F1=TA2.F1) left join  TD1 ON TD2.F2=TD1.F1 ";
    q.addField(GD->textMatrix(0, 0), "TD2.F1", Query::TextField);
    q.addField(GD->textMatrix(0, 2), "TD2.F2", Query::TextField);
    q.addField(GD->textMatrix(0, 4), "TD2.F3", Query::DateField);
    q.CmbF->setCurrentIndex(1);
    ExecModal(q);
    q.loader = nullptr;
    if (PubSql.isEmpty())
        return;
    CurSql = PubSql;
    FillGrid(CurSql);
}

void D2::Menu_ToExcel_Click()
{
    ExportGrid(GD);
}

void D2::Menu_Return_Click()
{
    close();
}

void D2::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    GD->setGeometry(0, 0, width(), height());
    SizeNoteColumns(GD);
}
