#include "accounts/kuanmx.h"

#include "accounts/rekuanfrm.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_grid.h"
#include "dialogs/report_window.h"
#include "platform/flexgrid.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <vector>

namespace {

constexpr int kCols = 10;
constexpr int kTotalColor = 0xFFFFC0;
const QString kTotalCaption = QStringLiteral(" 合  计 ");

} // namespace

KuanMx::KuanMx(int lb, QWidget* parent)
    : LedgerReport(QStringLiteral("KuanMx"), lb, parent)
{
    Menu_Weihu = addCommand(QStringLiteral("&S.维护"), QStringLiteral("Menu_Weihu"), [this] { Menu_Weihu_Click(); },
                            Menu_Sort);
}

QString KuanMx::defaultCaption() const
{
    return LB == 10 ? QStringLiteral("应付帐款明细") : QStringLiteral("应收帐款明细");
}

void KuanMx::formLoad()
{
    // Only the administrator keeps the balances in order.
    Menu_Weihu->setEnabled(gUserCode == QLatin1String(kAdminCode));
    LedgerReport::formLoad();
}

// The last day of the month before.
QDate KuanMx::defaultFrom(const QDate& today) const { return today.addDays(-today.day()); }

QString KuanMx::selectHead() const
{
    return QStringLiteral("select TB1.F3,'' as mc,TB1.F1,TB1.LB,'','',TB1.QC,TB1.YF,TB1.FK,TB1.QM,TB1.S2 as yewu FROM TB1  WHERE TB1.LB");
}

QStringList KuanMx::headers() const
{
    const QString s = sideWord();
    return {partyCaption(), partyCaption(), "单据号", "业务类型", "", "", "期初应" + s, "本期增加应" + s, "本期已" + s, "期末应" + s};
}

void KuanMx::fillFrom(const RecordSet& rs)
{
    const int n = rs.recordCount();
    // Sized once for the worst case (a total row per entry), cut at the end.
    std::vector<QString> cells = HeadedCells(headers(), n * 2 + 2);
    auto cell = [&](int r, int c) -> QString& { return cells[size_t(r) * kCols + c]; };

    std::vector<int> totalRows;
    double opening = 0, added = 0, paid = 0;
    auto closeParty = [&](int r) {
        cell(r, 0) = cell(r - 1, 0);
        cell(r, 1) = cell(r - 1, 1);
        cell(r, 3) = kTotalCaption;
        cell(r, 6) = MoneyText(opening);
        cell(r, 7) = MoneyText(added);
        cell(r, 8) = MoneyText(paid);
        cell(r, 9) = cell(r - 1, 9);
        totalRows.push_back(r);
    };

    int r = 0;
    QString party;
    for (int rec = 0; rec < n; ++rec) {
        ++r;
        const QString name = rs.at(rec, 0).toString();
        // A group per party, the one without a name included.
        if (rec == 0 || !SameParty(name, party)) {
            if (r > 1) {
                closeParty(r);
                ++r;
            }
            cell(r, 6) = MoneyText(rs.at(rec, 6).toDouble());
            party = name;
            opening = Val(cell(r, 6));
            added = paid = 0;
        }
        cell(r, 0) = name;
        cell(r, 1) = rs.at(rec, 1).toString();
        cell(r, 2) = rs.at(rec, 2).toString();
        cell(r, 3) = rs.at(rec, 10).toString();
        for (int c : {7, 8}) {
            cell(r, c) = MoneyText(rs.at(rec, c).toDouble());
            if (Val(cell(r, c)) == 0)
                cell(r, c).clear();
        }
        added += Val(cell(r, 7));
        paid += Val(cell(r, 8));
        cell(r, 9) = MoneyText(rs.at(rec, 9).toDouble());
    }
    ++r;
    closeParty(r);
    cells.resize(size_t(r + 2) * kCols);
    GD->setAll(r + 2, kCols, std::move(cells));
    const QColor back = VbColor(kTotalColor);
    for (int t : totalRows)
        for (int c = 2; c < kCols; ++c)
            GD->setCellBackColor(t, c, back);
}

void KuanMx::sizeColumns(int gridTwips)
{
    const int w = ReportColumnWidth(gridTwips, 7, 50);
    for (int c = 0; c < kCols; ++c)
        GD->setColWidth(c, w);
    for (int c : {1, 4, 5})
        GD->setColWidth(c, 0);
}

void KuanMx::Menu_print_Click()
{
    ReportPrintJob job;
    job.table = QStringLiteral("Plist");
    job.columns = QStringList{"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "V1"};
    // Every entry and total row; the empty last row is left out.
    for (int r = 1; r <= GD->rows() - 2; ++r) {
        QStringList row{Format(r, QStringLiteral("#0000"))};
        row << GD->rowTexts(r).mid(0, kCols);
        row << QString::number(r);
        job.rows << row;
    }
    job.templateName = QStringLiteral("kuanmx.rpt");
    if (LB == 10)
        job.formulas << ReportFormula("Cpt", "应付款明细帐") << ReportFormula("khbm", "供货商编号：");
    else
        job.formulas << ReportFormula("Cpt", "应收款明细帐") << ReportFormula("khbm", "客户编号：");
    job.formulas << ReportFormula("rq", fromText() + " - " + toText());
    PrintThroughHost(job);
}

void KuanMx::Menu_Weihu_Click()
{
    if (!Menu_Weihu->isEnabled())
        return;
    ReKuanFrm dlg(this);
    dlg.tmpCmb = Cmb;
    dlg.LB = LB;
    ExecModal(dlg);
}
