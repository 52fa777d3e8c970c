#include "platform/vb.h"
#include "support/numeric_locale.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Val, ReadsAPointWhateverTheCLibrarysLocale)
{
    DecimalCommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale installed";
    const std::pair<const char*, double> cases[] = {{"1.5", 1.5}, {"+.5", 0.5}, {"-2.5e3", -2500}, {"1,5", 1}, {"1e400", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(Val(text), value) << text;
}

TEST(Val, ReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Val("12.5kg"), 12.5);
    EXPECT_DOUBLE_EQ(Val("  -3.25 "), -3.25);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123);
    EXPECT_DOUBLE_EQ(Val("abc"), 0);
    EXPECT_DOUBLE_EQ(Val(""), 0);
    EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val("1e3x"), 1000);
    EXPECT_DOUBLE_EQ(Val("2e"), 2);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("-"), 0);
}

TEST(CStr, FifteenSignificantDigits)
{
    EXPECT_EQ(CStr(3.0), "3");
    EXPECT_EQ(CStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(CStr(-1.5), "-1.5");
    EXPECT_EQ(CStr(126.86199951171875), "126.861999511719");
    EXPECT_EQ(CStr(0.0001), "0.0001");
    EXPECT_EQ(CStr(1e15), "1E+15");
    EXPECT_EQ(CStr(-0.0), "0");
    EXPECT_EQ(CStr(100), "100");
}

TEST(Format, RoundsHalfAwayFromZeroOnTheDecimalForm)
{
    EXPECT_EQ(Format(2.25, "#0.0"), "2.3");
    EXPECT_EQ(Format(2.24, "#0.0"), "2.2");
    EXPECT_EQ(Format(-2.25, "#0.0"), "-2.3");
    EXPECT_EQ(Format(12.625, "#0.00"), "12.63");
    EXPECT_EQ(Format(1.005, "#0.00"), "1.01");
    EXPECT_EQ(Format(0, "#0.00"), "0.00");
    EXPECT_EQ(Format(0.004, "#0.00"), "0.00");
    EXPECT_EQ(Format(-0.004, "#0.00"), "0.00");
    EXPECT_EQ(Format(99.995, "#0.00"), "100.00");
    EXPECT_EQ(Format(0.5, "#0"), "1");
    EXPECT_EQ(Format(7, "#0000"), "0007");
    EXPECT_EQ(Format(12345, "#0000"), "12345");
    EXPECT_EQ(Format(1234567.891, "#,##0.00"), "1,234,567.89");
    EXPECT_EQ(Format(0.45, "0.0"), "0.5");
    EXPECT_EQ(Format(0.05, "#0.0"), "0.1");
}

TEST(TrimBlanks, OnlySpaces)
{
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("abc \r\n"), "abc \r\n");
    EXPECT_EQ(TrimBlanks("\tx "), "\tx");
}

TEST(VbColor, BgrAndSystemColours)
{
    EXPECT_EQ(VbColor(0xFFFFC0), QColor(192, 255, 255));
    EXPECT_EQ(VbColor(0x0000FF), QColor(255, 0, 0));
}

TEST(Val, BlanksSignsAndSeparators)
{
    EXPECT_DOUBLE_EQ(Val("\t12"), 12);
    EXPECT_DOUBLE_EQ(Val("- 5"), -5);
    EXPECT_DOUBLE_EQ(Val("--5"), 0);
    EXPECT_DOUBLE_EQ(Val("12,345"), 12);
    EXPECT_DOUBLE_EQ(Val("3.5公斤"), 3.5);
    EXPECT_DOUBLE_EQ(Val("１２"), 0); // full-width digits are not read
    EXPECT_DOUBLE_EQ(Val("1e400"), 0);
    EXPECT_DOUBLE_EQ(Val("126.86199951171875"), 126.86199951171875);
}

TEST(CStr, SmallLargeAndRoundingCarries)
{
    EXPECT_EQ(CStr(0.00001), "0.00001");
    EXPECT_EQ(CStr(0.000001), "1E-06");
    EXPECT_EQ(CStr(123456789012345.67), "123456789012346");
    EXPECT_EQ(CStr(999999999999999.9), "1E+15");
    EXPECT_EQ(CStr(9.9999999999999995), "10");
    EXPECT_EQ(CStr(-123.456), "-123.456");
    EXPECT_EQ(CStr(1e300), "1E+300");
    EXPECT_EQ(CStr(2.5e-7), "2.5E-07");
    EXPECT_EQ(CStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(CStr(std::nan("")), "0");
}

TEST(Format, RoundsTheFifteenDigitFormNotTheBinaryOne)
{
    // 1.45 is 1.4499999999999999556 and 8.325 is 8.3249999999999993 in binary.
    EXPECT_EQ(Format(1.45, "#0.0"), "1.5");
    EXPECT_EQ(Format(8.325, "#0.00"), "8.33");
    EXPECT_EQ(Format(0.125, "0.00"), "0.13");
    EXPECT_EQ(Format(-0.5, "#0"), "-1");
    EXPECT_EQ(Format(2.5, "#0"), "3");
    EXPECT_EQ(Format(0.5, "#0000"), "0001");
    EXPECT_EQ(Format(-1234.5, "#,##0.00"), "-1,234.50");
    EXPECT_EQ(Format(123.456, "#0.0"), "123.5");
    EXPECT_EQ(Format(1e16, "#0.00"), "10000000000000000.00");
    EXPECT_EQ(Format(0.1 + 0.2, "#0.00"), "0.30");
    EXPECT_EQ(Format(std::nan(""), "#0.00"), "0.00");
    EXPECT_EQ(Format(2.5, ""), "2.5");
}

TEST(ReadTypedDate, ReadsTheFullAndTheShortFormsAnOperatorTypes)
{
    const QDate today(2026, 7, 20);
    const struct {
        const char* typed;
        QDate date;
    } cases[] = {
        // The full forms.
        {"2024-03-05", {2024, 3, 5}}, {"2024/3/5", {2024, 3, 5}}, {"2024.3.5", {2024, 3, 5}},
        {"2024年3月5日", {2024, 3, 5}}, {"3/5/2024", {2024, 3, 5}}, {" 2024-3-5 10:30 ", {2024, 3, 5}},
        {"2024-03-05 10:30:15", {2024, 3, 5}},
        // No year: the year of today.
        {"3-5", {2026, 3, 5}}, {"3/5", {2026, 3, 5}}, {"3月5日", {2026, 3, 5}}, {"12-31", {2026, 12, 31}},
        {" 3 - 5 ", {2026, 3, 5}}, {"3月5", {2026, 3, 5}},
        // Two digits of year.
        {"24-3-5", {2024, 3, 5}}, {"24/3/5", {2024, 3, 5}}, {"24.03.05", {2024, 3, 5}}, {"24年3月5日", {2024, 3, 5}},
        {"00-1-1", {2000, 1, 1}}, {"29-12-31", {2029, 12, 31}}, {"30-1-1", {1930, 1, 1}}, {"99-12-31", {1999, 12, 31}},
        // No date.
        {"", {}}, {"abc", {}}, {"3", {}}, {"3.5", {}}, {"2-30", {}}, {"13-1", {}}, {"24-2-30", {}}, {"4-3-5", {}},
        {"2024-3-5 25:00", {}}, {"3-5-2024", {}}, {"3月5日2024", {}}, {"2024-3", {}}, {"3/5/24/1", {}},
    };
    for (const auto& c : cases) {
        const std::optional<QDate> read = ReadTypedDate(QString::fromUtf8(c.typed), today);
        EXPECT_EQ(read.value_or(QDate()), c.date) << c.typed;
    }
}
