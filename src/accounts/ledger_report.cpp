#include "accounts/ledger_report.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "dialogs/filter_bar.h"
#include "dialogs/report_grid.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

constexpr int kLedgerCols = 10;

} // namespace

QString MoneyText(double x) { return Format(x, gMoneyFmt); }

bool SameParty(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QChar x = a[i];
        const QChar y = b[i];
        if (x == y)
            continue;
        if (x.unicode() >= 128 || y.unicode() >= 128 || x.toLower() != y.toLower())
            return false;
    }
    return true;
}

LedgerReport::LedgerReport(const QString& name, int lb, QWidget* parent)
    : ChildWindow(name, parent)
    , LB(lb)
    , Frm(MakeFilterBar(this))
    , Labe0(MakeBarLabel(Frm, QStringLiteral("Labe(0)"), QStringLiteral("由")))
    , DTP0(MakeDatePicker(Frm, QStringLiteral("DTP(0)")))
    , Labe1(MakeBarLabel(Frm, QStringLiteral("Labe(1)"), QStringLiteral("至")))
    , DTP1(MakeDatePicker(Frm, QStringLiteral("DTP(1)")))
    , LabDW(MakeBarLabel(Frm, QStringLiteral("LabDW"), QStringLiteral("关系单位")))
    , Cmb(MakePartyList(Frm))
    , Txt(new QLineEdit(Frm))
    , Cmd(MakeCommandButton(Frm, QStringLiteral("Cmd"), QStringLiteral("生成报表")))
    , GD(new FlexGrid(this))
    , cancelfrm(MakeCommandButton(this, QStringLiteral("cancelfrm"), QStringLiteral("请稍候，正在整理数据……")))
    , CmdCancel(MakeCommandButton(this, QStringLiteral("CmdCancel"), QStringLiteral("取消操作")))
{
    Cmb->setMaxVisibleItems(20);
    // The filter of the last query lies under the list, out of sight.
    Txt->setObjectName(QStringLiteral("Txt"));
    Txt->hide();

    LayOutFilterBar(Frm, {Labe0, DTP0, Labe1, DTP1, nullptr, LabDW, Cmb, nullptr, Cmd});

    GD->setObjectName(QStringLiteral("GD"));
    GD->setFixedCols(0);
    GD->setSelectionByRow(true);

    cancelfrm->resize(TwipsToPx(4200), TwipsToPx(1200));
    cancelfrm->setFocusPolicy(Qt::NoFocus);
    CmdCancel->resize(TwipsToPx(1400), TwipsToPx(360));
    cancelfrm->hide();
    CmdCancel->hide();

    Menu_Sort = addCommand(QStringLiteral("&S.排序"), QStringLiteral("Menu_Sort"));
    Menu_M = addCommand(QStringLiteral("&M.价格显示"), QStringLiteral("Menu_M"));
    Menu_TE = addCommand(QStringLiteral("&T.导出"), QStringLiteral("Menu_TE"), [this] { Menu_TE_Click(); });
    Menu_print = addCommand(QStringLiteral("&P.打印"), QStringLiteral("Menu_print"), [this] { Menu_print_Click(); });
    Menu_Return = addCommand(QStringLiteral("&R.返回"), QStringLiteral("Menu_Return"), [this] { Menu_Return_Click(); });
    // Sorting and prices have nothing to offer on a ledger.
    Menu_Sort->setEnabled(false);
    Menu_M->setEnabled(false);

    ConnectGuarded(Cmd, &QPushButton::clicked, this, [this] { Cmd_Click(); });
    ConnectGuarded(CmdCancel, &QPushButton::clicked, this, [this] { CmdCancel_Click(); });
    ConnectGuarded(GD, &FlexGrid::clicked, this, [this] { ShowPosition(); });
    resize(1000, 600);
}

void LedgerReport::openAs(int lb, const QString& caption)
{
    const bool otherSide = (lb > 0) != (LB > 0);
    if (lb != 0)
        LB = lb;
    setWindowTitle(caption.isEmpty() ? defaultCaption() : caption);
    // Everything shown follows the side: the party list, the period and the
    // grid are those of a fresh opening.
    if (m_loaded && otherSide)
        formLoad();
}

void LedgerReport::formLoad()
{
    LangForm(this);
    if (windowTitle().isEmpty())
        setWindowTitle(defaultCaption());
    LabDW->setText(QStringLiteral("关系单位"));
    const QDate today = QDate::currentDate();
    DTP0->setDate(defaultFrom(today));
    DTP1->setDate(today);
    Txt->clear();
    FillPartyList();
    m_loaded = true;
    Cmd_Click();
}

void LedgerReport::SetupGrid()
{
    ResetToHeaders(GD, headers());
    // Money reads down its decimal points.
    for (int c = 6; c < kLedgerCols; ++c)
        GD->setColAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    GD->setRow(1);
}

void LedgerReport::FillPartyList()
{
    Cmb->clear();
    Cmb->addItem(QStringLiteral("所有") + LabDW->text());
    const QString sql = LB < 1 ? QStringLiteral("select F2 from M03 order by F1") : QStringLiteral("select F2 from M01 order by F1");
    RunGuarded(LangStr(QString::fromUtf8(kCommandFailure)), [&] {
        const RecordSet rs = Db().openRecordset(sql);
        QStringList names;
        names.reserve(rs.recordCount());
        for (int r = 0; r < rs.recordCount(); ++r)
            names << rs.at(r, 0).toString();
        Cmb->addItems(names);
    });
}

void LedgerReport::Cmd_Click()
{
    // Cleaned as the names are stored ("'" as "’"); the whole name is the
    // filter, a "." inside it is part of the name.
    const QString text = SqlText(Cmb->currentText());
    if (text.isEmpty() || text.startsWith(QStringLiteral("所有")))
        Txt->clear();
    else
        Txt->setText(text);
    ShowBusy();
    FillLedger();
}

QString LedgerReport::ledgerSql() const
{
    QString sql = selectHead() + (LB > 0 ? QStringLiteral(">0 ") : QStringLiteral("<0 "));
    sql += " AND TB1.F6<>'' and (not TB1.F6 is null) and TB1.K=0 and datediff('d'," + SqlQuote(fromText())
        + ",TB1.F2)>=0 AND  datediff('d'," + SqlQuote(toText()) + ",TB1.F2)<=0 ";
    const QString party = Txt->text().trimmed();
    if (!party.isEmpty()) {
        // A listed name, or one without a pattern character, is matched whole
        // (a party "[VIP]" or "No#1" finds its own entries) through the party
        // index; a pattern typed by hand ("A*") still selects by pattern.
        static const QRegularExpression pattern(QStringLiteral("[*?#\\[]"));
        const bool literal = !party.contains(pattern) || isListedParty(party);
        sql += (literal ? " and TB1.F3 = " : " and TB1.F3 like ") + SqlQuote(party) + " ";
    }
    return sql + " order by TB1.F3,TB1.SN";
}

bool LedgerReport::isListedParty(const QString& cleaned) const
{
    // Item 0 is "所有..."; the others are names as stored, cleaned as the filter is.
    for (int i = 1; i < Cmb->count(); ++i)
        if (SqlText(Cmb->itemText(i)) == cleaned)
            return true;
    return false;
}

void LedgerReport::FillLedger()
{
    SetupGrid();
    RunRefresh(
        [this] {
            const RecordSet rs = Db().openRecordset(ledgerSql());
            if (rs.recordCount() > 0)
                fillFrom(rs);
        },
        [this](const DbError& e) {
            CmdCancel_Click();
            MsgBox(e.message(), vbStyle::Information, gMsgTitle);
        });
    CmdCancel_Click();
    // An empty result says so ("无信息") rather than keeping the last query's count.
    GD->setRow(1);
    ShowPosition();
}

void LedgerReport::ShowBusy()
{
    const QRect g = GD->geometry();
    cancelfrm->move(g.left() + (g.width() - cancelfrm->width()) / 2, g.top() + g.height() / 2);
    cancelfrm->raise();
    cancelfrm->show();
    CmdCancel->move(g.left() + (g.width() - CmdCancel->width()) / 2, cancelfrm->y() + cancelfrm->height() * 2 / 3);
    CmdCancel->raise();
    CmdCancel->show();
}

void LedgerReport::CmdCancel_Click()
{
    cancelfrm->hide();
    CmdCancel->hide();
}

void LedgerReport::ShowPosition()
{
    if (GD->row() >= GD->rows() - 1 && GD->rows() > 2)
        GD->setRow(1);
    GD->setRowSel(GD->row());
    ShowListCounter(GD, QStringLiteral("进出流水帐"), GD->rows() - 2, GD->row());
}

void LedgerReport::Menu_TE_Click()
{
    ExportGrid(GD);
}

void LedgerReport::Menu_Return_Click() { close(); }

QString LedgerReport::fromText() const { return DateText(DTP0->date()); }
QString LedgerReport::toText() const { return DateText(DTP1->date()); }
QString LedgerReport::sideWord() const { return LB == 10 ? QStringLiteral("付") : QStringLiteral("收"); }
QString LedgerReport::partyCaption() const { return LabDW->text(); }

void LedgerReport::resizeEvent(QResizeEvent* event)
{
    ChildWindow::resizeEvent(event);
    applyLayout();
}

void LedgerReport::applyLayout()
{
    const int inner = PxToTwips(width());
    const int bar = Frm->height();
    const int w = std::max(0, TwipsToPx(inner - 100));
    Frm->setGeometry(0, 0, w, bar);
    GD->setGeometry(0, bar, w, std::max(0, height() - bar - TwipsToPx(500)));
    sizeColumns(PxToTwips(GD->width()));
}
