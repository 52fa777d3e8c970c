#include "customers/quote_math.h"

#include <gtest/gtest.h>

namespace {

StandardWeights Weights(std::initializer_list<std::optional<double>> first, double rest = 201)
{
    StandardWeights w(first);
    while (w.size() < 19)
        w.push_back(rest);
    return w;
}

} // namespace

TEST(QuoteMath, NewZonePricesAreRoundedAndShownByColumn)
{
    struct Case {
        int col;
        double price;
        double factor;
        const char* shown;
    } cases[] = {
        {2, 10, 1.15, "11.5"}, {6, 8, 1.15, "9.2"},  {3, 12, 1, "12.0"},  {7, 12, 1, "12"},
        {5, 0, 1.15, "0.0"},   {20, 0, 2, "0"},      {4, 3.33, 1.5, "5.0"}, {8, 0.05, 1, "0.1"},
        {9, 10, -1.5, "-15"},  {2, 10.25, 1, "10.3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NewQuotePrice(c.col, c.price, c.factor), c.shown) << c.col << " " << c.price << " x " << c.factor;
}

TEST(QuoteMath, RefloatCompoundsOnTheShownPrice)
{
    // 12 re-floated twice by 1.1, rounding to 0.1 after each step.
    QString price = "12";
    QStringList seen{price};
    for (int i = 0; i < 2; ++i) {
        price = RefloatedPrice(price, 1.1);
        seen << price;
    }
    EXPECT_EQ(seen, QStringList({"12", "13.2", "14.5"}));
    EXPECT_EQ(RefloatedPrice("12.0", 1), "12");
    EXPECT_EQ(RefloatedPrice("", 1.1), "0");
    EXPECT_EQ(RefloatedPrice("7kg", 2), "14");
}

TEST(QuoteMath, TypedAndLoadedPrices)
{
    EXPECT_EQ(TypedPrice("abc"), "0");
    EXPECT_EQ(TypedPrice(""), "0");
    EXPECT_EQ(TypedPrice(" 12.50 "), "12.5");
    EXPECT_EQ(TypedPrice("3元"), "3");
    EXPECT_EQ(LoadedPrice(2, 12.0), "12.0");
    EXPECT_EQ(LoadedPrice(6, 12.0), "12");
    EXPECT_EQ(LoadedPrice(3, std::nullopt), "");
}

TEST(QuoteMath, RefloatFactorMustChangeSomething)
{
    struct Case {
        double factor;
        bool meaningful;
        const char* percent;
    } cases[] = {{1.1, true, "10"}, {0.9, true, "-10"}, {1, false, "0"}, {0, false, "-100"},
                 {-1.2, false, "-220"}, {2, true, "100"}, {1.05, true, "5"}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsMeaningfulFactor(c.factor), c.meaningful) << c.factor;
        EXPECT_EQ(RefloatPercentText(c.factor), c.percent) << c.factor;
    }
}

TEST(QuoteMath, CaptionsFollowThePricingStandard)
{
    const QuoteCaptions c = MakeQuoteCaptions(Weights({0.5, 0.5, 1, 0.5, 21, 45}));
    ASSERT_EQ(c.lower.size(), kQuoteCols);
    EXPECT_EQ(c.lower.mid(0, 7), QStringList({"区域", "区域名称", "首0.5Kg", "续0.5Kg", "首1.0Kg", "续0.5Kg", "21-44Kg"}));
    EXPECT_EQ(c.lower[7], "45-200Kg");
    EXPECT_EQ(c.lower[8], "201-200Kg");
    EXPECT_EQ(c.lower[20], "201Kg以上");
    EXPECT_EQ(c.upper.mid(0, 7), QStringList({"区域", "区域名称", "文件资料", "文件资料", "小包裹", "小包裹", "重包裹优惠价"}));
    EXPECT_EQ(c.upper[20], "重包裹优惠价");

    // Open weights: first and step read 0.5, a segment start 0; half kilos stay.
    const QuoteCaptions open = MakeQuoteCaptions(Weights({std::nullopt, 1.25, std::nullopt, 2, 20.5, std::nullopt}));
    EXPECT_EQ(open.lower.mid(2, 6), QStringList({"首0.5Kg", "续1.3Kg", "首0.5Kg", "续2.0Kg", "20.5--1Kg", "0-200Kg"}));

    // Without a standard only code and name are captioned below.
    const QuoteCaptions none = MakeQuoteCaptions({});
    EXPECT_EQ(none.lower[1], "区域名称");
    EXPECT_EQ(none.lower[2], "");
    EXPECT_EQ(none.lower[20], "");
    EXPECT_EQ(none.upper[2], "文件资料");
}
