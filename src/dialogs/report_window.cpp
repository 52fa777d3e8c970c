#include "dialogs/report_window.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/codelist.h"
#include "dialogs/error_boundary.h"
#include "dialogs/filter_bar.h"
#include "dialogs/prnt.h"
#include "dialogs/report_grid.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <vector>

namespace {

constexpr auto kHint = "请选择适当的日期范围及客户之后刷新数据";
constexpr auto kRefreshFailed = "刷新数据错误!系统返回如下信息：";

// True when the column's filled cells below the header, the totals row
// included, are all numbers (and at least one is filled).
bool HoldsNumbersOnly(const std::vector<QString>& cells, int cols, int rows, int c)
{
    bool any = false;
    for (int r = 1; r < rows; ++r) {
        const QString& text = cells[size_t(r) * cols + c];
        if (text.isEmpty())
            continue;
        bool ok = false;
        text.toDouble(&ok);
        if (!ok)
            return false;
        any = true;
    }
    return any;
}

} // namespace

QString ReportFormula(const QString& name, const QString& value)
{
    return name + QStringLiteral("='") + value + QLatin1Char('\'');
}

bool PrintThroughHost(const ReportPrintJob& job)
{
    // Busy from the check of the template to the finished layout; a box on
    // the way has the normal pointer (MsgBox).
    WaitCursor wait;
    if (!QFileInfo(gAppPath + job.templateName).isFile()) {
        const QString message = job.missingTemplateMessage.isEmpty()
            ? QStringLiteral("报表文件%1丢失!").arg(job.templateName)
            : job.missingTemplateMessage;
        MsgBox(message, vbStyle::Information, gMsgTitle);
        return false;
    }
    if (!job.table.isEmpty() && !FillScratchTable(job.table, job.columns, job.rows))
        return false;
    try {
        Prnt* host = Prnt::Show();
        ReportControl& cry = host->Cry();
        cry.setDataFiles(0, gDbPath);
        cry.setReportFileName(gAppPath + job.templateName);
        for (int i = 0; i < job.formulas.size(); ++i)
            if (!job.formulas[i].isEmpty()) // an empty entry leaves formula i unset
                cry.setFormulas(i, job.formulas[i]);
        cry.setDestination(0);
        return cry.setAction(1);
    } catch (const std::exception& e) {
        // Whatever the host met, the operator hears of it and the window goes on.
        MsgBox(QString::fromUtf8(e.what()), vbStyle::Information, gMsgTitle);
        return false;
    }
}

ReportPeriod DefaultReportPeriod(const QDate& today)
{
    // The end steps back a day except on the 1st; the start is today a month
    // back (addMonths clamps the day and wraps the year).
    const QDate end = today.day() == 1 ? today : today.addDays(-1);
    return {today.addMonths(-1), end};
}

int ReportColumnWidth(int innerTwips, int divisor, int subtrahend)
{
    // nearbyint rounds halves to the even neighbour, as the layout rule asks.
    const double w = std::nearbyint(double(innerTwips) / divisor - subtrahend);
    return w < 0 ? 0 : int(w);
}

ReportWindow::ReportWindow(const QString& name, const QString& caption, QWidget* parent)
    : ChildWindow(name, parent)
    , Frm(MakeFilterBar(this))
    , DTP0(MakeDatePicker(Frm, QStringLiteral("DTP(0)")))
    , DTP1(MakeDatePicker(Frm, QStringLiteral("DTP(1)")))
    , Label1(MakeBarLabel(Frm, QStringLiteral("Label1"), QStringLiteral("至")))
    , Label2(MakeBarLabel(Frm, QStringLiteral("Label2"), QString()))
    , Cmb(MakePartyList(Frm))
    , Cmd(MakeCommandButton(Frm, QStringLiteral("Cmd"), QStringLiteral("刷新数据")))
    , GD(new FlexGrid(this))
{
    setWindowTitle(caption);
    Label2->hide();
    Cmb->hide();

    LayOutFilterBar(Frm, {DTP0, Label1, DTP1, nullptr, Label2, Cmb, nullptr, Cmd});

    GD->setObjectName(QStringLiteral("GD"));
    GD->setFixedCols(0);
    GD->setSelectionByRow(true);
    ConnectGuarded(GD, &FlexGrid::clicked, this, [this] { ShowPosition(); });
    ConnectGuarded(Cmd, &QPushButton::clicked, this, [this] { Cmd_Click(); });
}

void ReportWindow::setParty(const Party& party)
{
    m_party = party;
    m_hasParty = true;
    Label2->setText(party.label);
    Label2->show();
    Cmb->show();
}

void ReportWindow::setSingleDate(const QString& caption)
{
    m_singleDate = true;
    DTP0->setObjectName(QStringLiteral("DTP"));
    Label1->setText(caption);
    // The caption stands in front of the one picker.
    auto* bar = static_cast<QHBoxLayout*>(Frm->layout());
    bar->removeWidget(Label1);
    bar->insertWidget(0, Label1);
    // There is no second picker to find.
    delete DTP1;
    DTP1 = nullptr;
}

void ReportWindow::setColumns(const QStringList& headers, const QList<int>& summed)
{
    m_headers = headers;
    m_summed = summed;
}

void ReportWindow::setColumnRule(int divisor, int subtrahend, int sized, const QList<int>& hidden)
{
    m_divisor = divisor;
    m_subtrahend = subtrahend;
    m_sized = sized;
    m_hidden = hidden;
}

QAction* ReportWindow::addExportCommand(const QString& objectName)
{
    return addCommand(QStringLiteral("&T.导出数据"), objectName, [this] { Menu_ToExcel_Click(); });
}

QAction* ReportWindow::addPrintCommand(const QString& caption, const QString& objectName)
{
    return addCommand(caption, objectName, [this] { Menu_P_Click(); });
}

QAction* ReportWindow::addReturnCommand()
{
    return addCommand(QStringLiteral("&R.返回"), QStringLiteral("menu_R"), [this] { menu_R_Click(); });
}

void ReportWindow::formLoad()
{
    LangForm(this);
    if (m_hasParty)
        RunGuarded(QString::fromUtf8(kRefreshFailed), [this] { FillCodeList(Cmb, m_party.listSql); });
    Cmb->setEditText(QString());
    SetupGrid();
    const QDate today = QDate::currentDate();
    if (m_singleDate) {
        DTP0->setDate(today);
    } else {
        const ReportPeriod p = DefaultReportPeriod(today);
        DTP0->setDate(p.start);
        DTP1->setDate(p.end);
    }
}

QString ReportWindow::GetCode()
{
    const QString text = TrimBlanks(Cmb->currentText());
    if (text.isEmpty()) {
        MsgBox(m_party.emptyMessage, vbStyle::Information, QStringLiteral("提示"));
        return QString();
    }
    return CodeOf(text);
}

void ReportWindow::Cmd_Click()
{
    if (m_hasParty) {
        const QString code = GetCode();
        if (code.isEmpty())
            return;
        if (code == QLatin1String("NoFound")) {
            MsgBox(m_party.invalidMessage, vbStyle::Information, QStringLiteral("提示"));
            return;
        }
        m_curCode = code;
    }
    SetupGrid();
    RunRefresh([this] { fillGrid(); },
               [](const DbError& e) { ShowDbFailure(QString::fromUtf8(kRefreshFailed), e); });
    ShowPosition();
}

void ReportWindow::fillGrid()
{
    const RecordSet rs = Db().openRecordset(refreshSql());
    const int cols = int(m_headers.size());
    const int rows = rs.recordCount() + 2;
    std::vector<QString> cells = TotalsGridCells(
        m_headers, rs, [&](int rec, QString* row) { fillRow(rs, rec, row); }, m_summed,
        [this](int col, double sum) { return totalText(col, sum); });
    // Weights and money stand right-aligned, as in the ledgers; texts and dates left.
    for (int c = 0; c < cols; ++c)
        GD->setColAlignment(c, HoldsNumbersOnly(cells, cols, rows, c) ? Qt::AlignRight | Qt::AlignVCenter : Qt::Alignment());
    GD->setAll(rows, cols, std::move(cells));
    for (int c = 0; c < cols; ++c)
        GD->setCellFontBold(rows - 1, c, true);
    GD->setRow(1);
}

void ReportWindow::fillRow(const RecordSet& rs, int record, QString* cells) const
{
    const int n = std::min(int(m_headers.size()), rs.fieldCount());
    for (int c = 0; c < n; ++c)
        cells[c] = rs.at(record, c).toString();
}

QString ReportWindow::totalText(int, double sum) const { return CStr(sum); }

void ReportWindow::SetupGrid()
{
    ResetToHeaders(GD, m_headers);
    GD->setRow(1);
    ShowPosition();
}

void ReportWindow::ShowPosition()
{
    GD->setRowSel(GD->row());
    // Col 0 starts the selection; it must not scroll a wide grid back from the clicked cell.
    QScrollBar* across = GD->horizontalScrollBar();
    const int left = across->value();
    GD->setCol(0);
    across->setValue(left);
    selectRowCells();
    MainHost* host = GetMainHost();
    if (!host)
        return;
    if (!gridIsEmpty())
        host->setPanelText(4, QStringLiteral("共 %1 条记录 当前为第 %2 条").arg(GD->rows() - 1).arg(GD->row()));
    else
        host->setPanelText(4, QString::fromUtf8(kHint));
}

void ReportWindow::selectRowCells()
{
    const int last = m_lastSelCol < 0 ? GD->cols() - 1 : std::min(m_lastSelCol, GD->cols() - 1);
    if (last >= GD->cols() - 1)
        return; // the grid selects whole rows by itself
    // The view counts its rows below the fixed ones; there are no fixed columns.
    QAbstractItemModel* m = GD->model();
    const int viewRow = GD->row() - GD->fixedRows();
    const QModelIndex a = m->index(viewRow, 0);
    const QModelIndex b = m->index(viewRow, last);
    if (a.isValid() && b.isValid())
        GD->selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
}

bool ReportWindow::gridIsEmpty() const { return GD->rows() < 2 || GD->textMatrix(1, 0).isEmpty(); }

bool ReportWindow::refuseEmptyPrint() const
{
    if (!gridIsEmpty())
        return false;
    MsgBox(QStringLiteral("无数据可打印"), vbStyle::Information, QString());
    return true;
}

void ReportWindow::Menu_P_Click()
{
    if (!refuseEmptyPrint())
        PrintThroughHost(printJob());
}

void ReportWindow::Menu_ToExcel_Click()
{
    ExportGrid(GD);
}

void ReportWindow::menu_R_Click() { close(); }

QDate ReportWindow::startDate() const { return DTP0->date(); }
QDate ReportWindow::endDate() const { return m_singleDate ? DTP0->date() : DTP1->date(); }
QString ReportWindow::startText() const { return DateText(startDate()); }
QString ReportWindow::endText() const { return DateText(endDate()); }

QList<QStringList> ReportWindow::gridRows(const QList<int>& cols) const
{
    return GridRows(GD, cols, GD->rows() - 1);
}

void ReportWindow::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    applyLayout();
}

void ReportWindow::applyLayout()
{
    const int w = PxToTwips(width());
    const int h = PxToTwips(height());
    const int bar = Frm->height();
    Frm->setGeometry(0, 0, width(), bar);
    // A window too small for the rule gets an empty grid area, never a negative one.
    GD->setGeometry(0, bar, std::max(0, TwipsToPx(w - 80)), std::max(0, TwipsToPx(h - PxToTwips(bar) - 500)));
    const int colTwips = ReportColumnWidth(w, m_divisor, m_subtrahend);
    for (int c = 0; c < m_sized && c < GD->cols(); ++c)
        GD->setColWidth(c, colTwips);
    for (int c : m_hidden)
        GD->setColWidth(c, 0);
}
