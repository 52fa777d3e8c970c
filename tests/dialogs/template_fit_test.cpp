// Every shipped template at the longest texts its boxes accept: each text,
// laid out with its item's flags, stays inside its box, and each box inside
// its column.
#include "report_fixture.h"
#include "support/report_fit.h"

namespace {

// Per template: "column-or-formula:length" filled with the filler (49 for
// short names, 100 for remark lines, 300 for waybill texts without a limit),
// and "name=value" cells that pick the band.
const struct {
    const char* file;
    const char* longest;
    const char* fixed;
} kCases[] = {
    {"prnTM03.rpt", "TO:49 B1:100 B2:100 B3:100 B4:100 B5:100 F2:300", "F1=99999999"},
    {"prnTM032.rpt", "TO:49 B1:100 B2:100 B3:100 B4:100 B5:100 F2:300", "F1=99999999"},
    {"prntc011.rpt", "TOWHO:49 M03.F2:49 B01.F2031:300 B01.F103:300", "F1=999999999999999 B01.F301=D"},
    {"prntc012.rpt", "B01.F2042:300 B01.F2062:300 B01.F2031:300 B01.F302:300 B01.F303:300", "F1=999999999999999"},
    {"prntc013.rpt", "B01.F2061:300 B01.F2031:300", "F1=999999999999999 B01.F301=D"},
    {"prntc05.rpt", "F2:300 F3:300 F4:300 F5:300 F6:300 F7:300", "F1=999999999999999"},
    {"prntc04.rpt", "F2:49 F11:49 F15:300 F6:300 F10:300", "F1=31 F3=999999999999999 F4=D"},
    {"prntc06.rpt", "F1:49 F12:49", "F8="},
    {"prntc023.rpt", "KH:49 F4:300", "F2=999999999999999 RQ=对帐日期:2024-12-01至2024-12-31"},
    {"kuanmx.rpt", "F1:49", "F3=YF061210090507 F4=增加应付"},
    {"kuanhz.rpt", "F1:49", ""},
};

ReportLayout LayOut(const ReportTemplate& tpl, const QString& longest, const QString& fixed, const QString& filler)
{
    QMap<QString, QString> values;
    for (const QString& v : fixed.split(' ', Qt::SkipEmptyParts))
        values.insert(v.section('=', 0, 0).toLower(), v.section('=', 1));
    for (const QString& v : longest.split(' ')) {
        const QString name = v.section(':', 0, 0).toLower();
        const QString text = filler.repeated(v.section(':', 1).toInt()).left(v.section(':', 1).toInt());
        // The windows put "TO:" before the party's name, the channel list "  出货明细 " after it.
        values.insert(name, name == "to" ? "TO:" + text : name == "towho" ? "TO:" + text + "  出货明细 " : text);
    }
    std::vector<QString> cells;
    // Two rows alike (the second shows suppressed names blank) and one other.
    for (int r = 0; r < 3; ++r)
        for (const QString& col : tpl.columnsUsed())
            cells.push_back(values.value(col.toLower(), r == 2 ? "2" : "1"));
    QMap<QString, QString> formulas;
    for (const QString& f : tpl.formulasUsed())
        formulas.insert(f, values.value(f, "1"));
    return LayoutReport(tpl, ReportRows(tpl.columnsUsed(), std::move(cells)), formulas);
}

// An upright line or a box side of band crossing r (for a field of a detail
// band, a rule of the page header too, running on through the rows).
bool CrossesARule(const ReportTemplate& tpl, const RptBand& band, const RptItem& r)
{
    QList<std::pair<const RptBand*, const RptItem*>> rules;
    for (const RptBand* b : {&band, band.kind == RptBand::Detail && r.kind == RptItem::Field ? tpl.band(RptBand::Header) : nullptr})
        for (const RptItem& it : b ? b->items : QList<RptItem>{})
            rules.append({b, &it});
    for (const auto& [b, it] : rules) {
        QList<QLineF> sides{it->line};
        if (it->kind == RptItem::Box)
            sides = {QLineF(it->rect.topLeft(), it->rect.bottomLeft()), QLineF(it->rect.topRight(), it->rect.bottomRight())};
        for (const QLineF& l : sides) {
            const bool upright = (it->kind == RptItem::Line || it->kind == RptItem::Box) && qAbs(l.x1() - l.x2()) < 1e-6;
            const bool across = b != &band || (qMin(l.y1(), l.y2()) < r.rect.bottom() - 1e-6 && qMax(l.y1(), l.y2()) > r.rect.top() + 1e-6);
            if (upright && across && r.rect.left() + 1e-6 < l.x1() && l.x1() < r.rect.right() - 1e-6)
                return true;
        }
    }
    return false;
}

TEST(TemplateFit, LongestTextsStayInsideTheirBoxesAndColumns)
{
    const QString dir = qEnvironmentVariable("SYSTEM_GRAB_DIR");
    for (const auto& c : kCases) {
        const ReportTemplate tpl = ReportTemplate::load(QStringLiteral(SOURCE_DIR) + "/templates/" + c.file);
        const double width = tpl.pageSize.width() - tpl.margins.left() - tpl.margins.right();
        for (const RptBand& band : tpl.bands)
            for (const RptItem& it : band.items)
                if (it.kind != RptItem::Line && it.kind != RptItem::Box) {
                    EXPECT_TRUE(it.rect.left() >= 0 && it.rect.right() <= width + 1e-6 && !CrossesARule(tpl, band, it))
                        << c.file << " line " << it.lineNo;
                }
        // The wide Chinese, a Latin word with no blank to break at, names with a Latin apostrophe.
        for (const QString filler : {"中", "W", "O’Brien "}) {
            const ReportLayout layout = LayOut(tpl, c.longest, c.fixed, filler);
            if (!dir.isEmpty())
                RenderReportPage(layout, 0, 100).save(QStringLiteral("%1/%2_%3.png").arg(dir, c.file).arg(filler.size()));
            EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList()) << c.file;
        }
    }
}

} // namespace
