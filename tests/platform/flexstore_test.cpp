#include "platform/flexstore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QStringList Row(const FlexTextStore& s, int r)
{
    QStringList out;
    for (int c = 0; c < s.cols(); ++c)
        out << s.text(r, c);
    return out;
}

} // namespace

TEST(FlexTextStore, FillsRowByRowFromUtf8AndQString)
{
    FlexTextStore s(3);
    const std::string a = "W00000001", b = "客户12";
    s.addCell(a.data(), qsizetype(a.size()));
    s.addCell(b);
    s.addCell(nullptr, 0); // a Null field
    s.endRow();
    s.addCell(QStringLiteral("北京"));
    s.endRow(); // the rest of a short row is empty
    s.addRow(QStringList{"x", "y", "z", "dropped"});
    const std::string_view cells[] = {"1", "", "3"};
    s.addRow(cells);
    s.endRow(); // a row of nothing

    ASSERT_EQ(s.rows(), 5);
    EXPECT_EQ(Row(s, 0), QStringList({"W00000001", "客户12", ""}));
    EXPECT_EQ(Row(s, 1), QStringList({"北京", "", ""}));
    EXPECT_EQ(Row(s, 2), QStringList({"x", "y", "z"}));
    EXPECT_EQ(Row(s, 3), QStringList({"1", "", "3"}));
    EXPECT_EQ(Row(s, 4), QStringList({"", "", ""}));
    EXPECT_EQ(s.utf8(0, 1), "客户12");
    EXPECT_TRUE(s.isEmpty(0, 2));
    EXPECT_TRUE(s.equal(1, 1, 4, 0));
    EXPECT_EQ(s.text(9, 0), "");
    EXPECT_EQ(s.text(0, 3), "");
}

TEST(FlexTextStore, TextRoundTripsWhateverItsLength)
{
    // Lengths around the one-, two- and three-byte length prefixes, Chinese,
    // characters beyond the basic plane, and a lone surrogate made U+FFFD.
    const QString lone = QString(QChar(0xd800)) + "a";
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {"", ""},
        {QString(127, 'a'), QString(127, 'a')},
        {QString(128, 'b'), QString(128, 'b')},
        {QString(20000, QChar(0x4e2d)), QString(20000, QChar(0x4e2d))},
        {QStringLiteral("备注 😀 x"), QStringLiteral("备注 😀 x")},
        {lone, QString(QChar(0xfffd)) + "a"},
    };
    FlexTextStore s(2);
    for (const auto& c : cases) {
        s.addCell(QStringView(c.in));
        s.addCell("after");
        s.endRow();
    }
    for (int r = 0; r < s.rows(); ++r) {
        EXPECT_EQ(s.text(r, 0), cases[r].out) << r;
        EXPECT_EQ(s.text(r, 1), "after") << r;
        s.setText(r, 1, cases[r].in); // and the same through an edit
        EXPECT_EQ(s.text(r, 1), cases[r].out) << r;
        EXPECT_EQ(s.text(r, 0), cases[r].out) << r;
    }
}

TEST(FlexTextStore, EditsReplaceInPlaceOrAppendTheRow)
{
    FlexTextStore s(3);
    for (int r = 0; r < 3; ++r)
        s.addRow(QStringList{QString("a%1").arg(r), "bb", "cc"});
    const size_t before = s.blockBytes();
    s.setText(1, 1, QStringLiteral("xy")); // same length: written over
    EXPECT_EQ(s.blockBytes(), before);
    s.setText(1, 1, QStringLiteral("longer"));
    EXPECT_GT(s.blockBytes(), before);
    EXPECT_GT(s.unusedBytes(), 0u);
    s.setUtf8(2, 0, "末");
    s.setText(0, 2, QString());
    EXPECT_EQ(Row(s, 0), QStringList({"a0", "bb", ""}));
    EXPECT_EQ(Row(s, 1), QStringList({"a1", "longer", "cc"}));
    EXPECT_EQ(Row(s, 2), QStringList({"末", "bb", "cc"}));
    s.setText(5, 0, u"out of range");
    s.setText(0, 3, u"out of range");
    EXPECT_EQ(s.rows(), 3);

    // Filling a new row cell by cell leaves nothing behind.
    s.insertRows(3, 1);
    const size_t waste = s.unusedBytes();
    for (int c = 0; c < 3; ++c)
        s.setText(3, c, QString("n%1").arg(c));
    EXPECT_EQ(s.unusedBytes(), waste);
    EXPECT_EQ(Row(s, 3), QStringList({"n0", "n1", "n2"}));

    // A cell copied from its own row, over the same length and over another.
    s.setUtf8(3, 1, s.utf8(3, 2));
    s.setUtf8(3, 0, s.utf8(3, 2).substr(0, 1));
    EXPECT_EQ(Row(s, 3), QStringList({"n", "n2", "n2"}));
}

TEST(FlexTextStore, ManyEditsReclaimTheSpaceLeftBehind)
{
    FlexTextStore s(2);
    for (int r = 0; r < 1000; ++r)
        s.addRow(QStringList{QString::number(r), "x"});
    for (int round = 0; round < 40; ++round)
        for (int r = 0; r < 1000; ++r)
            s.setText(r, 1, QString(round % 2 ? 300 : 299, QChar('a' + round % 26)));
    // About 12 MB were written; the space left behind has been taken back.
    EXPECT_LT(s.blockBytes(), size_t(9) << 20);
    for (int r = 0; r < 1000; r += 111) {
        EXPECT_EQ(s.text(r, 0), QString::number(r));
        EXPECT_EQ(s.text(r, 1), QString(300, QChar('a' + 39 % 26)));
    }
}

TEST(FlexTextStore, RowsAndColumnsChangeAroundTheTexts)
{
    FlexTextStore s(2);
    s.addRow(QStringList{"a", "1"});
    s.addRow(QStringList{"b", "2"});
    s.insertRows(1, 2);
    s.insertRow(0, QStringList{"top"});
    EXPECT_EQ(s.rows(), 5);
    EXPECT_EQ(Row(s, 0), QStringList({"top", ""}));
    EXPECT_EQ(Row(s, 1), QStringList({"a", "1"}));
    EXPECT_EQ(Row(s, 2), QStringList({"", ""}));
    EXPECT_EQ(Row(s, 4), QStringList({"b", "2"}));
    s.removeRows(2, 2);
    EXPECT_EQ(s.text(2, 0), "b");
    s.setRows(5);
    EXPECT_EQ(s.rows(), 5);
    EXPECT_EQ(s.text(4, 0), "");
    s.setRows(2);
    EXPECT_EQ(Row(s, 1), QStringList({"a", "1"}));

    s.setCols(4); // new columns are empty
    EXPECT_EQ(Row(s, 1), QStringList({"a", "1", "", ""}));
    s.setText(1, 3, u"d");
    s.setCols(1); // dropped texts do not come back when the columns grow
    s.setCols(4);
    EXPECT_EQ(Row(s, 1), QStringList({"a", "", "", ""}));

    s.clearTexts();
    EXPECT_EQ(s.rows(), 2);
    EXPECT_EQ(s.cols(), 4);
    EXPECT_EQ(s.blockBytes(), 0u);
    EXPECT_EQ(s.text(1, 0), "");
}
