#include "customers/quote_math.h"
#include "customers/quote_sheet.h"

#include <gtest/gtest.h>

TEST(QuoteSheet, ZonesSplitByScopeAndBlankRowsSkipped)
{
    auto row = [](const QString& code, const QString& name, const QString& first) {
        QStringList r{code, name, first};
        for (int c = 3; c < kQuoteCols; ++c)
            r << QString::number(c);
        return r;
    };
    const QList<QStringList> grid = {row("A1", "香港", "11.5"), row("", "", ""), row("us", "美国", ""),
                                     row("GONE", "", "8.0"), row("B2", "华北", "9.0")};
    const QSet<QString> foreign = {"US", "UK"};

    const QList<QStringList> abroad = QuoteSheetRows(grid, foreign, SheetScope::International);
    ASSERT_EQ(abroad.size(), 1);
    EXPECT_EQ(abroad[0].size(), 11); // code, name, the first nine prices
    EXPECT_EQ(abroad[0].mid(0, 4), QStringList({"us", "美国", "", "3"}));
    EXPECT_EQ(abroad[0][10], "10");

    QStringList home;
    for (const QStringList& r : QuoteSheetRows(grid, foreign, SheetScope::Domestic))
        home << r[0] + "|" + r[2];
    // An unknown zone is not foreign; the blank row prints on neither sheet.
    EXPECT_EQ(home, QStringList({"A1|11.5", "GONE|8.0", "B2|9.0"}));

    EXPECT_EQ(QuoteSheetTemplate(SheetScope::International), "prnTM03.rpt");
    EXPECT_EQ(QuoteSheetTemplate(SheetScope::Domestic), "prnTM032.rpt");
}

TEST(QuoteSheet, FifteenFormulasInOrder)
{
    StandardWeights weights{0.5, 0.5, 1, 0.5, 21, 45};
    weights.resize(19, 201);
    QStringList lower = MakeQuoteCaptions(weights).lower;
    const QStringList f = QuoteSheetFormulas("O'Neil", lower, {"月结", "", "", "", "第五行"});
    ASSERT_EQ(f.size(), 15);
    EXPECT_EQ(f[0], "TO='TO:O'Neil'");
    EXPECT_EQ(f[1], "P1='首0.5Kg'");
    EXPECT_EQ(f[5], "P5='21-44Kg'");
    EXPECT_EQ(f[9], "P9='201-200Kg'");
    EXPECT_EQ(f[10], "B1='月结'");
    EXPECT_EQ(f[11], "B2=''");
    EXPECT_EQ(f[14], "B5='第五行'");
}
