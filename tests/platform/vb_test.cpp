#include "vb.h"

#include <gtest/gtest.h>

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
