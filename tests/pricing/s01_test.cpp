#include "support/testenv.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "pricing/s01.h"
#include "platform/msgbox.h"
#include "platform/vb.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kAllFields = "F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888";

// The stored row as "v0|v1|...|v19".
QString StoredRow()
{
    RecordSet rs = Db().openRecordset("select " + kAllFields + " from MS1");
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < rs.fieldCount(); ++c)
            out << rs.at(r, c).toString();
    return out.join('|');
}

QStringList Boxes(const S01& w)
{
    QStringList out;
    for (int i = 0; i < 20; ++i)
        out << w.txt(i)->text();
    return out;
}

} // namespace

class S01Test : public DataTest {
protected:
    S01Test() { strictResponders = true; }
};

TEST_F(S01Test, WithoutARowShowsTheDesignedDefaultsAndCaptions)
{
    Db().execute("delete from MS1");
    S01 w;
    GrabToPng(&w, "S01");
    EXPECT_EQ(w.windowTitle(), "本公司报价标准设定");
    EXPECT_EQ(Boxes(w), QStringList({"0.5", "0.5", "0.5", "0.5", "21", "46", "71", "101", "201", "201", "201", "201",
                                     "201", "201", "201", "201", "201", "201", "201", "1.5"}));
    QStringList labels;
    for (int i = 0; i <= 21; ++i)
        labels << w.lab(i)->text();
    EXPECT_EQ(labels, QStringList({"文件资料：", "小包裹：", "重包裹：分十五个计费段：", "Kg起计价，续", "Kg加价；",
                                   "Kg起计价，续", "Kg加价；", "Kg-45Kg", "Kg-70Kg", "Kg-100Kg", "Kg-200Kg", "Kg以上",
                                   "Kg以上", "Kg以上", "Kg以上", "Kg以上", "Kg以上", "Kg以上", "Kg以上", "Kg以上",
                                   "Kg以上", "Kg以上"}));
    EXPECT_EQ(w.findChild<QPushButton*>("CmdOK")->text(), "保  存");
}

TEST_F(S01Test, LoadFormatsEachBoxAndClosesTheSegmentBeforeIt)
{
    Db().execute("update MS1 set F1=1.26, F6=45.5, F7=Null, F8=120");
    S01 w;
    EXPECT_EQ(w.txt(0)->text(), "1.3");
    EXPECT_EQ(w.txt(4)->text(), "21.0");
    EXPECT_EQ(w.txt(5)->text(), "45.5");
    EXPECT_EQ(w.lab(7)->text(), "Kg-44.5Kg");  // closes segment 1 at 45.5 - 1
    EXPECT_EQ(w.txt(6)->text(), "71.0");       // Null keeps the designed text
    EXPECT_EQ(w.lab(8)->text(), "Kg-70Kg");
    EXPECT_EQ(w.lab(9)->text(), "Kg-119Kg");
    EXPECT_EQ(w.lab(11)->text(), "Kg-200Kg");  // the stored 201 of segment 6
    EXPECT_EQ(w.lab(21)->text(), "Kg以上");
    EXPECT_EQ(w.txt(19)->text(), "1.5");
}

TEST_F(S01Test, LeavingASegmentStartKeepsTheStartsRising)
{
    struct Case {
        QString prev, typed, box, label;
    } cases[] = {
        {"46", "40", "71", "Kg-70Kg"},
        {"46", "46", "71", "Kg-70Kg"},
        {"46", "", "71", "Kg-70Kg"},
        {"46", "50", "50", "Kg-49Kg"},
        {"20.5", "20", "45.5", "Kg-44.5Kg"},
    };
    S01 w;
    for (const Case& c : cases) {
        w.txt(4)->setText(c.prev);
        w.txt(5)->setText(c.typed);
        w.Txt_Validate(5);
        EXPECT_EQ(w.txt(5)->text(), c.box) << c.prev.toStdString() << " " << c.typed.toStdString();
        EXPECT_EQ(w.lab(7)->text(), c.label) << c.typed.toStdString();
    }
    // Box 4 (segment 1) has no such rule.
    w.txt(4)->setText("0");
    w.Txt_Validate(4);
    EXPECT_EQ(w.txt(4)->text(), "0");

    // The rule runs as the focus leaves the box (Enter moves it on).
    w.show();
    QApplication::setActiveWindow(&w);
    Pump();
    w.txt(4)->setText("46");
    w.txt(5)->setFocus();
    ASSERT_TRUE(w.txt(5)->hasFocus());
    EXPECT_EQ(w.txt(5)->palette().color(QPalette::Base), VbColor(kFocusColor));
    w.txt(5)->setText("40");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(w.txt(5), &enter);
    EXPECT_TRUE(w.txt(6)->hasFocus());
    EXPECT_EQ(w.txt(5)->text(), "71");
}

TEST_F(S01Test, OnlyTheAdministratorSavesAndNoKeepsTheRow)
{
    const QString before = StoredRow();
    S01 w;
    w.txt(0)->setText("2");

    gUserCode = "002"; // refused before the warning
    msgs->expect("只有系统管理员才能修改此项设置，请用“001”帐号登录！");
    w.CmdOK_Click();
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "提示");

    gUserCode = "001";
    msgs->expect("警告！计价标准不宜经常改变！真的继续吗？", vbBtn::No);
    w.CmdOK_Click();
    EXPECT_EQ(msgs->last().style, 68);
    EXPECT_EQ(StoredRow(), before);
}

TEST_F(S01Test, ABoxThatIsNoPositiveNumberIsRefusedAndTheRowStays)
{
    // Any of the twenty boxes: an empty first weight, a mistyped segment start,
    // an empty factor. The boxes before it are rewritten as numbers.
    struct Case {
        int box;
        QString text, shown;
    } cases[] = {{0, "", "0"}, {3, "-1", "-1"}, {12, "abc", "0"}, {19, "", "0"}};
    for (const Case& c : cases) {
        const QString before = StoredRow();
        S01 w;
        w.txt(1)->setText("0.50kg");
        w.txt(c.box)->setText(c.text);
        msgs->expect("警告！", vbBtn::Yes);
        msgs->expect("所有数值都不能小于或等于0！");
        w.CmdOK_Click();
        EXPECT_EQ(msgs->last().title, " 提示");
        EXPECT_EQ(w.txt(c.box)->text(), c.shown);
        if (c.box > 1) {
            EXPECT_EQ(w.txt(1)->text(), "0.5");
        }
        EXPECT_EQ(StoredRow(), before) << c.box;
    }
}

TEST_F(S01Test, AFallingSegmentStartIsRefusedNamingItsSegment)
{
    // Segment 1 raised above segment 2 (no rule on leaving it); a later start
    // below its predecessor. Equal starts save (the designed 201s).
    const struct {
        int box;
        const char* text;
        int segment;
    } cases[] = {{4, "50", 2}, {10, "150", 7}};
    for (const auto& c : cases) {
        const QString before = StoredRow();
        S01 w;
        w.txt(c.box)->setText(c.text);
        msgs->expect("警告！", vbBtn::Yes);
        msgs->expect(QStringLiteral("第%1个计费段的起始重量不能小于上一个计费段的起始重量！").arg(c.segment));
        w.CmdOK_Click();
        EXPECT_EQ(msgs->last().title, " 提示");
        EXPECT_EQ(StoredRow(), before) << c.box;
    }
}

TEST_F(S01Test, SaveReplacesEveryRowWithOneRowOfTheShownNumbers)
{
    Db().execute("update MS1 set F1=1.26");
    Db().execute("insert into MS1 (F1) values (9)");
    S01 w;
    w.txt(18)->setText("300");
    w.txt(19)->setText("1.8x");
    msgs->expect("警告！", vbBtn::Yes);
    msgs->expect("保存成功！");
    w.CmdOK_Click();
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(StoredRow(), "1.3|0.5|0.5|0.5|21|46|71|101|201|201|201|201|201|201|201|201|201|201|300|1.8");
}
