// How the engine fits a text to its box: rows that grow for a long name,
// texts cut at a whole character with "…", drawn Latin face first; numbers
// drawn smaller, never cut; wrapped boxes that show where they leave off.
#include "dialogs/report_layout.h"
#include "platform/faces.h"
#include "support/report_fit.h"

#include <gtest/gtest.h>

namespace {

ReportLayout LayOut(const QString& name, const QString& remark, int rows)
{
    const ReportTemplate tpl = ReportTemplate::parse(QStringLiteral(R"(table T
margins 10 10 10 10
detail 7
  line 0 0 0 7
  field 1 0 29 7 grow F1
  field 31 0 29 7 elide F2
  line 0 7 100 7
)"), "fit.rpt");
    std::vector<QString> cells;
    for (int r = 0; r < rows; ++r)
        cells.insert(cells.end(), {name, remark});
    return LayoutReport(tpl, ReportRows({"F1", "F2"}, std::move(cells)), {});
}

TEST(EngineFit, ALongNameGrowsItsRowAndWhatIsBelowMovesDown)
{
    for (const QString& name : {QStringLiteral("华南贸易"), QString(49, u'中'), QString(49, u'W'),
                                QStringLiteral("O’Brien Trading Company Limited of Kowloon")}) {
        const bool grows = name.size() > 4;
        const ReportLayout layout = LayOut(name, "x", 40);
        EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList());
        for (const LaidPage& page : layout.pages) {
            double top = 10;
            QLineF rule;
            for (const LaidItem& it : page.items) {
                if (it.kind == LaidItem::Line && it.line.x2() == 10)
                    rule = it.line;
                if (it.kind != LaidItem::Text || it.text != name)
                    continue;
                EXPECT_NEAR(it.rect.top(), top, 1e-6); // each row under the one above
                EXPECT_EQ(it.rect.height() > 7, grows) << name.toStdString();
                EXPECT_EQ(it.lines.size() > 1, grows) << name.toStdString();
                EXPECT_NEAR(rule.length(), it.rect.height(), 1e-6); // the column rule stretches with its row
                EXPECT_LE(it.rect.bottom(), 297 - 10 + 1e-6);
                top = it.rect.bottom();
            }
        }
    }
}

TEST(EngineFit, ATextTooLongForItsBoxIsCutAtAWholeCharacter)
{
    for (const QString& remark : {QStringLiteral("O’Brien"), QString(40, u'备'), QStringLiteral("𠀀").repeated(40),
                                  QStringLiteral("Deliver to the back door of O’Brien’s warehouse after six")}) {
        const ReportLayout layout = LayOut("a", remark, 1);
        EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList());
        const LaidItem& it = layout.pages[0].items[2];
        EXPECT_EQ(ShowReportText(it).font.families().value(0), LatinSansFace());
        EXPECT_EQ(it.text, remark); // searches see the whole text
        ASSERT_EQ(it.lines.size(), 1);
        const QString kept = it.lines[0].chopped(it.lines[0] == remark ? 0 : 1);
        EXPECT_TRUE(it.lines[0] == remark || it.lines[0].endsWith(QStringLiteral("…"))) << it.lines[0].toStdString();
        // A character of two UTF-16 units is never split.
        EXPECT_TRUE(remark.startsWith(kept) && !kept.back().isHighSurrogate()) << kept.toStdString();
    }
}

// A report of one row holding cell, with the one item given, as laid out.
LaidItem LaidAlone(const QString& item, const QString& cell)
{
    const ReportTemplate tpl =
        ReportTemplate::parse("table T\nmargins 10 10 10 10\nfont 10\ndetail 11\n" + item, "one.rpt");
    const ReportLayout layout = LayoutReport(tpl, ReportRows({"F1"}, {cell}), {});
    EXPECT_EQ(layout.pages.size(), 1);
    return layout.pages.value(0).items.value(0);
}

ReportLayout PageOf(const LaidItem& it) { return {"one.rpt", {210, 297}, {LaidPage{{it}}}}; }

TEST(EngineFit, ANumberIsDrawnSmallerDownToTheFloorAndBelowItAsHashesAcrossItsItem)
{
    enum Shown { Whole, Smaller, Hashes };
    const struct {
        const char* item;
        const char* cell;
        const char* text;
        Shown shown;
    } cases[] = {
        {"field 0 0 20 7 right F1 format=\"#0.00\"", "12.5", "12.50", Whole},
        {"field 0 0 20 7 right F1 format=\"#0.00\"", "-9999999.99", "-9999999.99", Smaller},
        {"field 0 0 20 7 right bold F1 format=\"#,##0.00\"", "1000750", "1,000,750.00", Smaller},
        {"field 0 0 13.5 7 right F1 format=\"#0.0\"", "95425", "95425.0", Whole},
        {"field 0 0 12 7 right F1 format=\"#0.00\"", "999999999.99", "999999999.99", Smaller},
        {"field 0 0 15.5 7 center F1", "-110000", "-110000", Whole},
        {"field 0 0 8 7 right F1 format=\"#0.00\"", "999999999.99", "999999999.99", Hashes},
        {"field 0 0 3 7 right F1", "1234567", "1234567", Hashes},
        {"sum 0 0 12 7 right F1 format=\"#0.00\"", "-9999999.99", "-9999999.99", Smaller},
        {"count 0 0 1.5 7 right", "x", "1", Smaller},
        // A caption the window wrote into a money column is a text: as written.
        {"field 0 0 5 7 right F1 format=\"#0.00\"", "合计合计", "合计合计", Whole},
    };
    for (const auto& c : cases) {
        const LaidItem it = LaidAlone(QString::fromUtf8(c.item), QString::fromUtf8(c.cell));
        const QString shown = ShowReportText(it).text;
        const std::string name = c.item + std::string(" ") + c.cell;
        EXPECT_EQ(it.text, QString::fromUtf8(c.text)) << name; // searches see the number
        EXPECT_EQ(TextsCutWithoutAMark(PageOf(it)).isEmpty(), c.shown != Hashes) << name;
        switch (c.shown) {
        case Whole:
            EXPECT_EQ(shown, it.text) << name;
            EXPECT_EQ(it.size, 10) << name;
            break;
        case Smaller:
            EXPECT_EQ(shown, it.text) << name;
            EXPECT_TRUE(it.size >= kReportNumberFloorPt && it.size < 10) << name << " " << it.size;
            EXPECT_EQ(TextsOutsideTheirBoxes(PageOf(it)), QStringList());
            // As large as its item lets it: it fills the item's width.
            EXPECT_GT(DrawnExtent(it).width(), it.rect.width() * 0.9) << name;
            break;
        case Hashes:
            EXPECT_EQ(it.size, 10) << name;
            EXPECT_TRUE(!shown.isEmpty() && shown == QString(shown.size(), '#')) << name << " " << shown.toStdString();
            EXPECT_EQ(TextsOutsideTheirBoxes(PageOf(it)), QStringList());
            EXPECT_GT(DrawnExtent(it).width(), it.rect.width() / 2) << name; // across the item
            break;
        }
    }
}

TEST(EngineFit, AWrappedBoxEndsItsLastLineInAnEllipsisWhenItLeavesLinesOut)
{
    const struct {
        QString text;
        int lines;   // shown
        bool marked; // the last ends in "…"
    } cases[] = {
        {QStringLiteral("短备注"), 1, false},
        {QString(20, u'备'), 2, false},
        {QString(30, u'备'), 2, true},
        {QStringLiteral("first\nsecond\nthird\nfourth line, longer than the box is wide"), 2, true},
        {QStringLiteral("Deliver to the back door of O’Brien’s warehouse after six, ring twice and wait"), 2, true},
    };
    for (const auto& c : cases) {
        // Two lines of 10 points in a box 50 mm wide.
        const LaidItem it = LaidAlone("field 0 0 50 10.5 top wrap F1", c.text);
        EXPECT_EQ(it.lines.size(), c.lines) << c.text.toStdString();
        EXPECT_EQ(it.lines.value(it.lines.size() - 1).endsWith(QStringLiteral("…")), c.marked) << c.text.toStdString();
        EXPECT_EQ(TextsCutWithoutAMark(PageOf(it)), QStringList());
        EXPECT_EQ(TextsOutsideTheirBoxes(PageOf(it)), QStringList());
    }
}

} // namespace
