#include "accounts/kuanhz.h"

#include "data/database.h"
#include "dialogs/report_grid.h"
#include "dialogs/report_window.h"
#include "platform/flexgrid.h"

#include <QLabel>
#include <array>
#include <vector>

namespace {

constexpr int kCols = 10;

// Opening, added, paid, closing.
using Figures = std::array<double, 4>;

} // namespace

KuanHz::KuanHz(int lb, QWidget* parent)
    : LedgerReport(QStringLiteral("KuanHz"), lb, parent)
{
    // The stored caption; loading names it as the detail ledger does.
    LabDW->setText(QStringLiteral("供应商"));
    GD->setMergeCells(true);
    GD->setMergeCol(0, true);
    GD->setMergeCol(1, true);
}

QString KuanHz::defaultCaption() const
{
    return LB == 10 ? QStringLiteral("应付货款总帐") : QStringLiteral("应收帐款总帐");
}

// The first day of the month.
QDate KuanHz::defaultFrom(const QDate& today) const { return today.addDays(1 - today.day()); }

QString KuanHz::selectHead() const
{
    return QStringLiteral("select TB1.F3,'' as mc ,TB1.F1,TB1.LB,'','',TB1.QC,TB1.YF,TB1.FK,TB1.QM FROM TB1  WHERE TB1.lb");
}

QStringList KuanHz::headers() const
{
    const QString s = sideWord();
    return {"关系单位", "", "", "", "", "", "期初应" + s, "增加应" + s, "本期已" + s, "期末应" + s};
}

void KuanHz::fillFrom(const RecordSet& rs)
{
    const int n = rs.recordCount();
    std::vector<QString> cells = HeadedCells(headers(), n + 2);
    auto row = [&](int r) { return &cells[size_t(r) * kCols]; };

    // The sums add the stored values and are formatted once.
    Figures party{}, total{};
    QString name, label;
    int r = 0;
    auto writeParty = [&] {
        ++r;
        QString* cell = row(r);
        cell[0] = name;
        cell[1] = label;
        for (int k = 0; k < 4; ++k) {
            cell[6 + k] = MoneyText(party[k]);
            total[k] += party[k];
        }
    };
    for (int rec = 0; rec < n; ++rec) {
        const QString f3 = rs.at(rec, 0).toString();
        // Entries without a party belong to no row and to no total.
        if (f3.isEmpty())
            continue;
        if (name.isEmpty() || !SameParty(f3, name)) {
            if (!name.isEmpty())
                writeParty();
            name = f3;
            label = rs.at(rec, 1).toString();
            party = {rs.at(rec, 6).toDouble(), 0, 0, 0};
        }
        party[1] += rs.at(rec, 7).toDouble();
        party[2] += rs.at(rec, 8).toDouble();
        party[3] = rs.at(rec, 9).toDouble();
    }
    if (name.isEmpty())
        return; // nothing but entries without a party: the empty grid stays
    writeParty();
    ++r;
    for (int k = 0; k < 4; ++k)
        row(r)[6 + k] = MoneyText(total[k]);
    cells.resize(size_t(r + 1) * kCols);
    GD->setAll(r + 1, kCols, std::move(cells));
}

void KuanHz::sizeColumns(int gridTwips)
{
    const int w = ReportColumnWidth(gridTwips, 5, 50);
    for (int c = 0; c < kCols; ++c)
        GD->setColWidth(c, c >= 1 && c <= 5 ? 0 : w);
}

void KuanHz::Menu_print_Click()
{
    ReportPrintJob job;
    job.table = QStringLiteral("PrTA1");
    job.columns = QStringList{"F1", "F2", "F3", "F4", "F5", "F6"};
    // Every party row and the total row.
    job.rows = GridRows(GD, {0, 1, 6, 7, 8, 9}, GD->rows() - 1);
    job.templateName = QStringLiteral("kuanhz.rpt");
    // Formulas 3 to 6 are left unset (empty): C1, C2 head the party columns,
    // C3 to C6 the money columns.
    job.formulas = QStringList(12);
    job.formulas[0] = ReportFormula("Cpt", LB == 10 ? QStringLiteral("应付货款总帐") : QStringLiteral("应收货款总帐"));
    for (int k = 1; k <= 2; ++k)
        job.formulas[k] = ReportFormula(QStringLiteral("C%1").arg(k), GD->textMatrix(0, k - 1));
    for (int k = 7; k <= 10; ++k)
        job.formulas[k] = ReportFormula(QStringLiteral("C%1").arg(k - 4), GD->textMatrix(0, k - 1));
    job.formulas[11] = ReportFormula("rq", fromText() + " 至 " + toText());
    PrintThroughHost(job);
}
