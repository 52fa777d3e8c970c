// Every shipped template at the longest texts its boxes accept: each text,
// laid out with its item's flags, stays inside its box, and each box inside
// its column.
#include "report_fixture.h"
#include "support/report_fit.h"

namespace {

// Per template: "column-or-formula:length" filled with the filler (49 for
// short names, 100 for remark lines, 300 for waybill texts without a limit),
// "name=value" cells that pick the band, the number columns printed without a
// format ("column:format" as they read), and cells that make the last of the
// rows the window's totals row.
const struct {
    const char* file;
    const char* longest;
    const char* fixed;
    const char* numbers;
    const char* totalsRow;
} kCases[] = {
    {"prnTM03.rpt", "TO:49 B1:100 B2:100 B3:100 B4:100 B5:100 F2:300", "F1=99999999",
     "F35:#0.00 F36:#0.00 F37:#0.00 F38:#0.00 F39:#0.00", ""},
    {"prnTM032.rpt", "TO:49 B1:100 B2:100 B3:100 B4:100 B5:100 F2:300", "F1=99999999",
     "F35:#0.00 F36:#0.00 F37:#0.00 F38:#0.00 F39:#0.00", ""},
    {"prntc011.rpt", "TOWHO:49 M03.F2:49 B01.F2031:300 B01.F103:300", "F1=999999999999999 B01.F301=D", "B01.F401:#0",
     ""},
    {"prntc012.rpt", "B01.F2042:300 B01.F2062:300 B01.F2031:300 B01.F302:300 B01.F303:300", "F1=999999999999999",
     "B01.F401:#0", ""},
    {"prntc013.rpt", "B01.F2061:300 B01.F2031:300", "F1=999999999999999 B01.F301=D", "B01.F401:#0", ""},
    {"prntc05.rpt", "F2:300 F3:300 F4:300 F5:300 F6:300 F7:300", "F1=999999999999999", "", ""},
    {"prntc04.rpt", "F2:49 F11:49 F15:300 F6:300 F10:300", "F1=31 F3=999999999999999 F4=D", "", ""},
    {"prntc06.rpt", "F1:49 F12:49", "F8=", "", "F8=0"},
    {"prntc023.rpt", "KH:49 F4:300", "F2=999999999999999 RQ=对帐日期:2024-12-01至2024-12-31", "", "F2="},
    {"kuanmx.rpt", "F1:49", "F3=YF061210090507 F4=增加应付", "", "F4=合  计"},
    {"kuanhz.rpt", "F1:49", "", "", "F1="},
    {"prntd3.rpt", "F1:49", "F0=C0001 F3=FH2024120001 F2=2024-12-31", "", ""},
    {"prntd4.rpt", "", "F3=FH2024120001 F2=2024-12-31", "", ""},
};

// The largest values ten busy years give: a row amount and a period total
// (money), a weight, a count.
const QString kRowAmount = "-9999999.99", kTotalAmount = "999999999.99", kWeight = "9999999.9", kCount = "9999999";

// The largest value of a number in a format; amounts at a row's or a total's.
QString Largest(const QString& format, bool total)
{
    return format == "#0.00" ? (total ? kTotalAmount : kRowAmount) : format == "#0.0" ? kWeight : kCount;
}

// The template with every sum and count made a field of a column of its own
// ("N" and its line), so it can be fed a total the test rows cannot add up to;
// cells gets each number column's largest value.
ReportTemplate WithNumbersAsFields(ReportTemplate tpl, const QString& numbers, bool total,
                                   QMap<QString, QString>& cells)
{
    QMap<QString, QString> plain;
    for (const QString& n : numbers.split(' ', Qt::SkipEmptyParts))
        plain.insert(n.section(':', 0, 0).toLower(), n.section(':', 1));
    for (RptBand& band : tpl.bands)
        for (RptItem& it : band.items) {
            const QString own = QStringLiteral("N%1").arg(it.lineNo);
            if (it.kind == RptItem::Sum || it.kind == RptItem::Count) {
                it.kind = RptItem::Field;
                it.column = own;
                it.when = RptCondition{};
            }
            const QString format = it.format.isEmpty() ? plain.value(it.column.toLower()) : it.format;
            if (it.kind == RptItem::Field && (!format.isEmpty() || it.column == own))
                cells.insert(it.column.toLower(), Largest(format, total));
        }
    return tpl;
}

ReportLayout LayOut(const ReportTemplate& tpl, const QString& longest, const QString& fixed, const QString& filler,
                    const QMap<QString, QString>& numbers = {}, const QString& totalsRow = {})
{
    auto cellsOf = [](const QString& list) {
        QMap<QString, QString> values;
        for (const QString& v : list.split(' ', Qt::SkipEmptyParts))
            values.insert(v.section('=', 0, 0).toLower(), v.section('=', 1));
        return values;
    };
    QMap<QString, QString> values = cellsOf(fixed);
    for (const QString& v : longest.split(' ', Qt::SkipEmptyParts)) {
        const QString name = v.section(':', 0, 0).toLower();
        const QString text = filler.repeated(v.section(':', 1).toInt()).left(v.section(':', 1).toInt());
        // The windows put "TO:" before the party's name, the channel list "  出货明细 " after it.
        values.insert(name, name == "to" ? "TO:" + text : name == "towho" ? "TO:" + text + "  出货明细 " : text);
    }
    values.insert(numbers);
    std::vector<QString> cells;
    // Two rows alike (the second shows suppressed names blank) and one other,
    // the totals row where the window writes one.
    const QMap<QString, QString> totals = cellsOf(totalsRow);
    for (int r = 0; r < 3; ++r)
        for (const QString& col : tpl.columnsUsed())
            cells.push_back(r == 2 && totals.contains(col.toLower()) ? totals.value(col.toLower())
                                                                     : values.value(col.toLower(), r == 2 ? "2" : "1"));
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
            const QStringList wrong = TextsOutsideTheirBoxes(layout) + TextsCutWithoutAMark(layout);
            EXPECT_TRUE(wrong.isEmpty()) << c.file << "\n" << wrong.join('\n').toStdString();
        }
    }
}

// Where a number item of the template prints: its left edge and width on the paper.
QSet<std::pair<double, double>> NumberPlaces(const ReportTemplate& tpl, const QMap<QString, QString>& cells)
{
    QSet<std::pair<double, double>> out;
    for (const RptBand& band : tpl.bands)
        for (const RptItem& it : band.items)
            if (it.kind == RptItem::Field && cells.contains(it.column.toLower()))
                out.insert({tpl.margins.left() + it.rect.left(), it.rect.width()});
    return out;
}

TEST(TemplateFit, TheLargestAmountsWeightsAndCountsPrintWholeAndClearOfRulesAndNeighbours)
{
    const QString dir = qEnvironmentVariable("SYSTEM_GRAB_DIR");
    for (const auto& c : kCases) {
        const ReportTemplate written = ReportTemplate::load(QStringLiteral(SOURCE_DIR) + "/templates/" + c.file);
        for (const bool total : {false, true}) {
            QMap<QString, QString> cells;
            const ReportTemplate tpl = WithNumbersAsFields(written, c.numbers, total, cells);
            const ReportLayout layout = LayOut(tpl, c.longest, c.fixed, "中", cells, c.totalsRow);
            if (!dir.isEmpty())
                RenderReportPage(layout, 0, 150)
                    .save(QStringLiteral("%1/%2_numbers_%3.png").arg(dir, c.file).arg(total));
            const QStringList wrong = TextsOutsideTheirBoxes(layout)
                + NumbersNotClear(layout, {kRowAmount, kTotalAmount, kWeight, kCount}, 0.5, 1.0);
            EXPECT_TRUE(wrong.isEmpty()) << c.file << "\n" << wrong.join('\n').toStdString();
            // Every number item printed at its largest (items of a band the
            // rows do not take are found in another band at the same place).
            QSet<std::pair<double, double>> missing = NumberPlaces(tpl, cells);
            for (const LaidPage& page : layout.pages)
                for (const LaidItem& it : page.items)
                    if (it.kind == LaidItem::Text && cells.values().contains(it.text))
                        missing.remove({it.rect.left(), it.rect.width()});
            EXPECT_TRUE(missing.isEmpty()) << c.file << ": " << missing.size() << " number items not printed";
        }
    }
}

} // namespace
