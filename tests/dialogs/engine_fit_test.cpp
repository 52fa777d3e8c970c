// How the engine fits a text to its box: rows that grow for a long text,
// texts cut at a whole character with "…", words broken where no blank is,
// and the faces a report is drawn with.
#include "platform/faces.h"
#include "report_fixture.h"
#include "support/report_fit.h"

namespace {

const char* const kTemplate = R"(table T
page A4 portrait
margins 10 10 10 10
font 10
detail 7
  line 0 0 0 7
  field 1 0 29 7 grow F1
  field 31 0 29 7 elide F2
  field 61 0 29 12 top wrap F3
  line 0 7 100 7
)";

ReportLayout LayOut(const QList<QStringList>& rows)
{
    const ReportTemplate tpl = ReportTemplate::parse(QString::fromUtf8(kTemplate), "fit.rpt");
    std::vector<QString> cells;
    for (const QStringList& r : rows)
        for (int c = 0; c < 3; ++c)
            cells.push_back(r.value(c));
    return LayoutReport(tpl, ReportRows({"F1", "F2", "F3"}, std::move(cells)), {});
}

// The text items of a page for one column, top to bottom.
QList<LaidItem> Column(const LaidPage& page, double left)
{
    QList<LaidItem> out;
    for (const LaidItem& it : page.items)
        if (it.kind == LaidItem::Text && qAbs(it.rect.left() - left) < 1e-6)
            out << it;
    return out;
}

TEST(EngineFit, ALongTextGrowsItsRowAndWhatIsBelowMovesDown)
{
    const struct {
        QString name;
        bool grows;
    } cases[] = {
        {"华南贸易", false},
        {QString(49, u'中'), true},
        {QString(49, u'W'), true}, // no blank to break at
        {QStringLiteral("O’Brien Trading Company Limited of Kowloon"), true},
    };
    for (const auto& c : cases) {
        QList<QStringList> rows;
        for (int i = 0; i < 40; ++i)
            rows << QStringList{c.name, "x", "y"};
        const ReportLayout layout = LayOut(rows);
        EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList()) << c.name.toStdString();
        for (const LaidPage& page : layout.pages) {
            const QList<LaidItem> names = Column(page, 11);
            ASSERT_FALSE(names.isEmpty());
            for (int i = 0; i < names.size(); ++i) {
                const QRectF r = names[i].rect;
                EXPECT_EQ(r.height() > 7 + 1e-6, c.grows) << c.name.toStdString();
                EXPECT_EQ(names[i].lines.size() > 1, c.grows) << c.name.toStdString();
                // The next row starts where this one ends; none runs into the bottom margin.
                if (i + 1 < names.size())
                    EXPECT_NEAR(names[i + 1].rect.top(), r.bottom(), 1e-6);
                EXPECT_LE(r.bottom(), 297 - 10 + 1e-6);
                // The column rule reaches down the grown row, the row's bottom line moved with it.
                bool rule = false, bottom = false;
                for (const LaidItem& it : page.items) {
                    if (it.kind != LaidItem::Line)
                        continue;
                    rule |= qAbs(it.line.y1() - r.top()) < 1e-6 && qAbs(it.line.y2() - r.bottom()) < 1e-6;
                    bottom |= qAbs(it.line.y1() - r.bottom()) < 1e-6 && qAbs(it.line.x2() - 110) < 1e-6;
                }
                EXPECT_TRUE(rule && bottom) << c.name.toStdString();
            }
        }
    }
}

TEST(EngineFit, TextsTooLongForTheirBoxAreCutAtAWholeCharacter)
{
    const struct {
        QString text;
        bool cut;
    } cases[] = {
        {QStringLiteral("O’Brien"), false},
        {QString(40, u'备'), true},
        {QStringLiteral("Deliver to the back door of O’Brien’s warehouse after six"), true},
        // Characters of two UTF-16 units are never split.
        {QString(40, u'x').replace(u'x', QStringLiteral("𠀀")), true},
    };
    for (const auto& c : cases) {
        const ReportLayout layout = LayOut({{"a", c.text, ""}});
        EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList()) << c.text.toStdString();
        const LaidItem it = Column(layout.pages[0], 41).value(0);
        EXPECT_EQ(it.text, c.text); // the report keeps the whole text
        ASSERT_EQ(it.lines.size(), 1) << c.text.toStdString();
        const QString shown = it.lines[0];
        if (!c.cut) {
            EXPECT_EQ(shown, c.text);
            continue;
        }
        ASSERT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
        const QString kept = shown.chopped(1);
        EXPECT_TRUE(c.text.startsWith(kept)) << shown.toStdString();
        EXPECT_FALSE(kept.isEmpty() || kept.back().isHighSurrogate()) << shown.toStdString();
    }
}

TEST(EngineFit, WrappedTextBreaksInsideLongWordsAndShowsWholeLinesOnly)
{
    for (const QString& text : {QString(60, u'W'), QString(60, u'中'), QStringLiteral("a ") + QString(50, u'M')}) {
        const ReportLayout layout = LayOut({{"a", "b", text}});
        EXPECT_EQ(TextsOutsideTheirBoxes(layout), QStringList()) << text.toStdString();
        const LaidItem it = Column(layout.pages[0], 71).value(0);
        // Two lines fit the 12 mm box; what is below them is left out.
        ASSERT_EQ(it.lines.size(), 2) << text.toStdString();
        EXPECT_TRUE(text.startsWith(it.lines.join(QString()).remove(' ')) || text.startsWith(it.lines.join(' ')))
            << it.lines.join('|').toStdString();
        EXPECT_LT(it.lines.join(QString()).size(), text.size());
    }
}

TEST(EngineFit, ReportsDrawLatinWithALatinFaceBeforeTheCjkFace)
{
    const struct {
        QString family;
        QStringList faces;
    } cases[] = {
        {"Noto Sans CJK SC", {LatinSansFace(), "Noto Sans CJK SC"}},
        {"Noto Serif CJK SC", {LatinSerifFace(), "Noto Serif CJK SC"}},
        {"Noto Sans Mono CJK SC", {"Noto Sans Mono CJK SC"}},
    };
    for (const auto& c : cases) {
        LaidItem it;
        it.text = QStringLiteral("O’Brien 共");
        it.family = c.family;
        it.rect = QRectF(0, 0, 50, 7);
        EXPECT_EQ(ShowReportText(it).font.families(), c.faces) << c.family.toStdString();
    }
}

} // namespace
