// Every shipped template at the longest texts its boxes accept: each text,
// laid out with its item's flags, stays inside its box, and each box inside
// its column.
#include "report_fixture.h"
#include "support/report_fit.h"

namespace {

// n characters of filler, repeated; the wide Chinese, a Latin word that
// cannot break, and names with a Latin apostrophe.
QString Long(int n, const QString& filler)
{
    QString s;
    while (s.size() < n)
        s += filler;
    return s.left(n);
}

constexpr int kName = 49;     // short names of customers, channels, salesmen
constexpr int kRemark = 100;  // the customer's remark lines
constexpr int kFree = 300;    // waybill texts: no limit
constexpr int kWaybill = 15;  // waybill numbers

struct FitCase {
    const char* file;
    // Column or formula -> its longest text made of filler f; -1: the filler once.
    QList<std::pair<QString, int>> longest;
    QMap<QString, QString> fixed; // cells and formulas with one value (band conditions)
};

const QList<FitCase>& Cases()
{
    static const QList<FitCase> cases = {
        {"prnTM03.rpt", {{"TO", kName}, {"B1", kRemark}, {"B2", kRemark}, {"B3", kRemark}, {"B4", kRemark},
                            {"B5", kRemark}, {"F2", kFree}}, {{"F1", "99999999"}}},
        {"prnTM032.rpt", {{"TO", kName}, {"B1", kRemark}, {"B2", kRemark}, {"B3", kRemark}, {"B4", kRemark},
                             {"B5", kRemark}, {"F2", kFree}}, {{"F1", "99999999"}}},
        {"prntc011.rpt", {{"TOWHO", kName}, {"M03.F2", kName}, {"B01.F2031", kFree}, {"B01.F103", kFree}},
            {{"F1", Long(kWaybill, "9")}, {"B01.F301", "D"}}},
        {"prntc012.rpt", {{"B01.F2042", kFree}, {"B01.F2062", kFree}, {"B01.F2031", kFree}, {"B01.F302", kFree},
                             {"B01.F303", kFree}}, {{"F1", Long(kWaybill, "9")}, {"B01.F301", "D"}}},
        {"prntc013.rpt", {{"B01.F2061", kFree}, {"B01.F2031", kFree}}, {{"F1", Long(kWaybill, "9")}, {"B01.F301", "D"}}},
        {"prntc05.rpt", {{"F2", kFree}, {"F3", kFree}, {"F4", kFree}, {"F5", kFree}, {"F6", kFree}, {"F7", kFree}},
            {{"F1", Long(kWaybill, "9")}}},
        {"prntc04.rpt", {{"F2", kName}, {"F11", kName}, {"F15", kFree}, {"F6", kFree}, {"F10", kFree}},
            {{"F1", "31"}, {"F3", Long(kWaybill, "9")}, {"F4", "D"}}},
        {"prntc06.rpt", {{"F1", kName}, {"F12", kName}}, {{"F8", ""}}},
        {"prntc023.rpt", {{"KH", kName}, {"F4", kFree}}, {{"F2", Long(kWaybill, "9")}, {"RQ", "对帐日期:2024-12-01至2024-12-31"}}},
        {"kuanmx.rpt", {{"F1", kName}}, {{"F3", "YF061210090507"}, {"F4", "增加应付"}}},
        {"kuanhz.rpt", {{"F1", kName}}, {}},
    };
    return cases;
}

// The text of a formula that carries a name: what the window puts around it.
QString FormulaText(const QString& name, const QString& value)
{
    if (name == "TO")
        return "TO:" + value;
    if (name == "TOWHO")
        return "TO:" + value + "  出货明细 ";
    return value;
}

ReportLayout LayOut(const ReportTemplate& tpl, const FitCase& c, const QString& filler)
{
    QMap<QString, QString> values = c.fixed;
    for (const auto& [name, n] : c.longest)
        values.insert(name, FormulaText(name, Long(n, filler)));
    QStringList columns = tpl.columnsUsed();
    std::vector<QString> cells;
    // Two rows alike, and one with the next customer, so suppressed and shown names both print.
    for (int r = 0; r < 3; ++r)
        for (const QString& col : columns)
            cells.push_back(values.value(col, r == 2 ? QStringLiteral("2") : QStringLiteral("1")));
    QMap<QString, QString> formulas;
    for (const QString& f : tpl.formulasUsed()) {
        formulas.insert(f, QStringLiteral("1"));
        for (auto it = values.begin(); it != values.end(); ++it)
            if (it.key().toLower() == f)
                formulas.insert(f, it.value());
    }
    return LayoutReport(tpl, ReportRows(columns, std::move(cells)), formulas);
}

// The column rules of a band: its upright lines and its boxes' sides, as x
// and the band's heights they span.
struct Rule {
    double x, top, bottom;
};
QList<Rule> Rules(const RptBand* band)
{
    QList<Rule> rules;
    if (!band)
        return rules;
    for (const RptItem& it : band->items) {
        if (it.kind == RptItem::Line && qFuzzyCompare(it.line.x1() + 1, it.line.x2() + 1))
            rules.append({it.line.x1(), qMin(it.line.y1(), it.line.y2()), qMax(it.line.y1(), it.line.y2())});
        if (it.kind == RptItem::Box)
            rules << Rule{it.rect.left(), it.rect.top(), it.rect.bottom()} << Rule{it.rect.right(), it.rect.top(), it.rect.bottom()};
    }
    return rules;
}

TEST(TemplateFit, LongestTextsStayInsideTheirBoxesAndColumns)
{
    for (const FitCase& c : Cases()) {
        const ReportTemplate tpl = ReportTemplate::load(QStringLiteral(SOURCE_DIR) + "/templates/" + c.file);
        const double width = tpl.pageSize.width() - tpl.margins.left() - tpl.margins.right();
        // Boxes inside their columns: no rule of the band (for fields in a
        // detail band, of the page header either) runs through a box.
        for (const RptBand& band : tpl.bands) {
            QList<Rule> rules = Rules(&band);
            // The page header's rules run on through the rows below it.
            QList<Rule> header = band.kind == RptBand::Detail ? Rules(tpl.band(RptBand::Header)) : QList<Rule>{};
            for (Rule& r : header)
                r = {r.x, 0, band.height};
            for (const RptItem& it : band.items) {
                if (it.kind == RptItem::Line || it.kind == RptItem::Box)
                    continue;
                EXPECT_TRUE(it.rect.left() >= -1e-6 && it.rect.right() <= width + 1e-6) << c.file << " line " << it.lineNo;
                for (const Rule& r : rules + (it.kind == RptItem::Field ? header : QList<Rule>{}))
                    EXPECT_FALSE(it.rect.left() + 1e-6 < r.x && r.x < it.rect.right() - 1e-6
                                 && r.top < it.rect.bottom() - 1e-6 && it.rect.top() < r.bottom - 1e-6)
                        << c.file << " line " << it.lineNo << " crosses the rule at " << r.x;
            }
        }
        // Texts inside their boxes.
        for (const QString& filler : {QStringLiteral("中"), QStringLiteral("W"), QStringLiteral("O’Brien ")}) {
            const ReportLayout layout = LayOut(tpl, c, filler);
            const QString dir = qEnvironmentVariable("SYSTEM_GRAB_DIR");
            if (!dir.isEmpty() && filler != "W")
                RenderReportPage(layout, 0, 100).save(QStringLiteral("%1/%2_longest_%3.png").arg(dir, c.file).arg(filler.size()));
            const QStringList outside = TextsOutsideTheirBoxes(layout);
            EXPECT_TRUE(outside.isEmpty()) << c.file << ", filler " << filler.toStdString() << ":\n"
                                           << outside.join('\n').toStdString();
        }
    }
}

} // namespace
