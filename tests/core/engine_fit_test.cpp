// How the engine fits a text to its box: rows that grow for a long name,
// texts cut at a whole character with "…", drawn Latin face first.
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

} // namespace
