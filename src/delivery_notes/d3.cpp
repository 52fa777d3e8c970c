#include "delivery_notes/d3.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "delivery_notes/note_grid.h"
#include "dialogs/filter_bar.h"
#include "dialogs/lookups.h"
#include "dialogs/report_grid.h"
#include "dialogs/report_window.h"
#include "platform/command_guard.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

const QStringList kHeaders{"客户编号", "客户名称", "发货单号码", "发货单日期", "金额(元)", "付款(元)", "欠款(元)"};
const char* const kAllCustomers = "所有客户";
const QStringList kScratchColumns{"F0", "F1", "F3", "F2", "F6", "F7", "F8"};
const QList<int> kNoteCols{0, 1, 2, 3, 4, 5, 6};

void Tell(const QString& text)
{
    MsgBox(text, vbStyle::Information, gMsgTitle);
}

} // namespace

D3::D3(QWidget* parent)
    : ChildWindow("D3", parent)
{
    setWindowTitle("销售统计报表");
    FrM = new QFrame(this);
    FrM->setObjectName("FrM");
    FrM->setFrameShape(QFrame::StyledPanel);
    const QStringList captions{"发货日期  由", "至", "客 户"};
    for (int i = 0; i < captions.size(); ++i)
        Lab.append(MakeBarLabel(FrM, QStringLiteral("Lab(%1)").arg(i), captions[i]));
    CmbKH = MakeNoteCustomerBox(FrM);
    CmbKH->setMinimumWidth(200);
    CmbKH->installEventFilter(this);
    for (int i = 0; i < 2; ++i)
        DTP.append(MakeDatePicker(FrM, QStringLiteral("DTP(%1)").arg(i)));
    CmdReQuery = MakeCommandButton(FrM, "CmdReQuery", "重新统计");
    auto* bar = new QHBoxLayout(FrM);
    bar->addWidget(Lab[2]);
    bar->addWidget(CmbKH);
    bar->addSpacing(12);
    bar->addWidget(Lab[0]);
    bar->addWidget(DTP[0]);
    bar->addWidget(Lab[1]);
    bar->addWidget(DTP[1]);
    bar->addSpacing(12);
    bar->addWidget(CmdReQuery);
    bar->addStretch();

    GD = MakeNoteGrid(this);

    Menu_print = addCommand("&P.打印销售帐款统计表", "Menu_print", [this] { Menu_print_Click(); });
    Menu_print2 = addCommand("&M.打印客户月结单", "Menu_print2", [this] { Menu_print2_Click(); });
    Menu_Return = addCommand("&R.返回", "Menu_Return", [this] { Menu_Return_Click(); });
    ConnectGuarded(CmdReQuery, &QPushButton::clicked, this, [this] { RunQuery(); });
    ConnectGuarded(GD, &FlexGrid::rowColChange, this, [this] { GD_RowColChange(); });
    resize(960, 600);
}

void D3::formLoad()
{
    LangForm(this);
    MarkRow = 1;
    const QDate today = QDate::currentDate();
    DTP[0]->setDate(QDate(today.year(), today.month(), 1));
    DTP[1]->setDate(today);
    FillCustomerList();
    RunQuery();
}

void D3::FillCustomerList()
{
    FillNoteCustomers(CmbKH, {LangStr(kAllCustomers)});
    CmbKH->setCurrentIndex(0);
}

void D3::RunQuery()
{
    QString sql = "SELECT TD1.F3,TA2.F2,TD1.F1,TD1.F2,TD1.F9,IFNULL(TD1.F91,0),TD1.F9-IFNULL(TD1.F91,0) AS SL "
                  "FROM TD1 LEFT JOIN TA2 ON TD1.F3=TA2.F1 ";
    sql += " Where datediff('d'," + SqlQuote(DateText(DTP[0]->date())) + ",TD1.F2 ) >= 0  And datediff('d',"
           + SqlQuote(DateText(DTP[1]->date())) + ",TD1.F2 ) <= 0 ";
    const QString text = TrimBlanks(CmbKH->currentText());
    if (!text.isEmpty() && text != LangStr(kAllCustomers)) {
        // The list holds trimmed codes; a typed one is looked up and filtered
        // alike, so blanks before its "." cannot empty the list.
        const QString code = TrimBlanks(NoteCustomerCode(CmbKH->currentText()));
        bool failed = false;
        const QString name = NoteCustomerName(code, &failed);
        if (failed)
            return;
        if (name.isEmpty()) {
            Tell(LangStr("客户编号输入错误!"));
            CmbKH->setFocus();
            return;
        }
        sql += " and TD1.F3 =" + SqlQuote(code) + " ";
    }
    CurSql = sql;
    OrderSql = "order by TD1.F3,TD1.F2,TD1.F1";
    FillGrid(CurSql);
}

void D3::SetupGrid()
{
    SetupNoteGrid(GD, kHeaders, {4, 5, 6});
    CurRow = 1;
    MarkRow = 1;
}

void D3::FillGrid(const QString& sql)
{
    m_inRowChange = true;
    SetupGrid();
    RunRefresh(
        [&] {
            const RecordSet rs = Db().openRecordset(sql + " " + OrderSql);
            FillNoteRows(GD, rs, 6, {4, 5, 6});
        },
        [](const DbError& e) { Tell(e.message()); });
    // The note number is the current column: moving onto a tall merged
    // customer cell would scroll the view to it.
    GD->setCol(2);
    GD->setRow(1);
    GD->setRowSel(1);
    m_inRowChange = false;
    CurRow = 1;
    ShowPosition();
    MergeCustomerCells();
}

void D3::MergeCustomerCells()
{
    GD->setMergeCol(0, true);
    GD->setMergeCol(1, true);
    GD->setMergeCells(true);
}

void D3::ShowPosition()
{
    // The note number of the current row is marked.
    if (MarkRow < GD->rows())
        GD->setCellFontBold(MarkRow, 2, false);
    MarkRow = CurRow;
    GD->setCellFontBold(CurRow, 2, true);
    ShowListCounter(GD, "发货单列表", GD->rows() - 2, CurRow);
}

void D3::GD_RowColChange()
{
    if (m_inRowChange)
        return;
    m_inRowChange = true;
    if (StepOffSumsRow(GD))
        GD->setFocus();
    CurRow = GD->row();
    ShowPosition();
    m_inRowChange = false;
}

QString D3::companyName() const
{
    return GetStr("select F1 FROM REGINFO");
}

QString D3::periodText() const
{
    return LangStr("日期由  ") + DateText(DTP[0]->date()) + LangStr("  至  ") + DateText(DTP[1]->date());
}

bool D3::refuseEmptyPrint(const QString& emptyMessage) const
{
    // A listed note without a customer code sorts first; the list is empty
    // only when no note is listed at all (no sums row under the blank row).
    if (GD->rows() > 2)
        return false;
    Tell(emptyMessage);
    return true;
}

QString D3::missingTemplateMessage(const QString& templateName)
{
    return LangStr("报表文件") + templateName + LangStr("丢失！");
}

QStringList D3::columnFormulas(const QString& dateCaption) const
{
    return {
        ReportFormula("fpdh", LangStr("发货单号")),
        ReportFormula("fprq", dateCaption),
        ReportFormula("ymhkd", LangStr("金额(元)")),
        ReportFormula("fkhkd", LangStr("付款(元)")),
        ReportFormula("jyhkd", LangStr("欠款(元)")),
        ReportFormula("gong", LangStr("共：")),
    };
}

void D3::Menu_print_Click()
{
    if (refuseEmptyPrint(LangStr("无数据！")))
        return;
    const QStringList formulas = QStringList{
        ReportFormula("myName", companyName()),
        ReportFormula("Cpt", LangStr("销售帐款统计报表")),
        ReportFormula("rq", periodText()),
        ReportFormula("kh", LangStr("客户")),
        ReportFormula("khmc", LangStr("名称")),
    } + columnFormulas(LangStr("发货日期"));
    PrintThroughHost({"PRTB2", kScratchColumns, GridRows(GD, kNoteCols, GD->rows() - 2), "prntd3.rpt", formulas,
                      missingTemplateMessage("prntd3.rpt")});
}

void D3::Menu_print2_Click()
{
    if (refuseEmptyPrint(LangStr("无数据可打印！")))
        return;
    const QString code = GD->textMatrix(CurRow, 0);
    const QString name = GD->textMatrix(CurRow, 1);
    // Only what the customer still owes goes on the statement.
    const QList<QStringList> rows = GridRows(GD, kNoteCols, GD->rows() - 2, [this, &code](int r) {
        return GD->textMatrix(r, 0) == code && Val(GD->textMatrix(r, 6)) > 0;
    });
    const QString key = SqlQuote(code);
    const QStringList formulas = QStringList{
        ReportFormula("Cpt", LangStr("客户月结单")),
        ReportFormula("myName", companyName()),
        ReportFormula("rq", periodText()),
        ReportFormula("khbm", LangStr("客户编码： ") + code + "   " + name),
        ReportFormula("addr", LangStr("地址    ： ") + GetStr("select F3 from TA2 where F1=" + key)),
        ReportFormula("tel", LangStr("电话    ： ") + GetStr("select F4 from TA2 where F1=" + key)),
        ReportFormula("fax", LangStr("传真    ： ") + GetStr("select F5 from TA2 where F1=" + key)),
        ReportFormula("zly", LangStr("只打印剩余帐项")),
        ReportFormula("yjrq", LangStr("月结日期：")),
        ReportFormula("yjrqjz", LangStr("预缴日期截至：")),
    } + columnFormulas(LangStr("发货日期："));
    PrintThroughHost({"PRTB2", kScratchColumns, rows, "prntd4.rpt", formulas, missingTemplateMessage("prntd4.rpt")});
}

void D3::Menu_Return_Click()
{
    close();
}

void D3::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    const int barH = FrM->sizeHint().height();
    FrM->setGeometry(0, 0, width(), barH);
    GD->setGeometry(0, barH, width(), std::max(0, height() - barH));
    SizeNoteColumns(GD);
}

bool D3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CmbKH && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CmdReQuery->setFocus();
            return true;
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
