// The shared single-value query procedures and the text/number helpers.
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/testenv.h"

#include <cmath>

namespace {
const QString kStrPrefix = QString::fromUtf8("GetStr执行错误!系统返回如下信息：") + QChar(13);
const QString kValPrefix = QString::fromUtf8("GetVal执行错误!系统返回如下信息：") + QChar(13);
} // namespace

class Queries : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        Db().execute("insert into M03 (F1,F2,F9,P888) values ('C001','张三快递','abc',1.25)");
        Db().execute("insert into M03 (F1,F2,F9,P888) values ('C002',Null,' 12.5 ',Null)");
        Db().execute("insert into M03 (F1,F2,F9) values ('C003','','')");
        Db().execute("insert into B01 (F1,F101,F401) values ('W1','2024/3/9',3.0)");
    }
};

TEST_F(Queries, GetStrNoRowNullAndValues)
{
    EXPECT_EQ(GetStr("select F2 from M03 where F1='NONE'"), "");
    EXPECT_EQ(GetStr("select F2 from M03 where F1='C002'"), "");
    EXPECT_EQ(GetStr("select F2 from M03 where F1='C001'"), "张三快递");
    EXPECT_EQ(GetStr("select P888 from M03 where F1='C001'"), "1.25");
    EXPECT_EQ(GetStr("select F401 from B01"), "3");
    EXPECT_EQ(GetStr("select F101 from B01"), "2024-03-09");
    EXPECT_EQ(GetStr("select count(*) from M03"), "3");
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(Queries, GetStrFailureShowsTheEngineTextOnce)
{
    gMsgTitle = "提示";
    EXPECT_EQ(GetStr("select F99 from M03"), "");
    ASSERT_EQ(msgs->count(), 1);
    const MsgRecord box = msgs->last();
    EXPECT_TRUE(box.text.startsWith(kStrPrefix)) << box.text.toStdString();
    EXPECT_TRUE(box.text.mid(kStrPrefix.size()).contains("F99")) << box.text.toStdString();
    EXPECT_FALSE(box.text.contains(QChar(10)));
    EXPECT_EQ(box.style, 64);
    EXPECT_EQ(box.title, "提示");

    msgs->clear();
    EXPECT_EQ(GetStr("select F1 from NOSUCHTABLE"), "");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("NOSUCHTABLE"));

    // The title follows whatever the program set.
    msgs->clear();
    gMsgTitle = "别的标题";
    GetStr("select from");
    EXPECT_EQ(msgs->last().title, "别的标题");
}

TEST_F(Queries, GetFieldStrFailsSilently)
{
    EXPECT_EQ(GetFieldStr("select F99 from M03"), "");
    EXPECT_EQ(GetFieldStr("select 1; delete from M03"), "");
    EXPECT_EQ(GetFieldStr("select F2 from M03 where F1='C002'"), "");
    EXPECT_EQ(GetFieldStr("select F2 from M03 where F1='NONE'"), "");
    EXPECT_EQ(GetFieldStr("select SetVal from SysInfo Where ID=100"), "0");
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(GetStr("select count(*) from M03"), "3");
}

TEST_F(Queries, GetValCases)
{
    EXPECT_EQ(GetVal("select P888 from M03 where F1='NONE'"), 0);
    EXPECT_EQ(GetVal("select P888 from M03 where F1='C002'"), 0);
    EXPECT_EQ(GetVal("select P888 from M03 where F1='C001'"), 1.25);
    EXPECT_EQ(GetVal("select F9 from M03 where F1='C002'"), 12.5);
    EXPECT_EQ(GetVal("select count(*) from M03"), 3);
    EXPECT_EQ(msgs->count(), 0);

    EXPECT_EQ(GetVal("select F9 from M03 where F1='C001'"), 0);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith(kValPrefix)) << msgs->last().text.toStdString();
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, gMsgTitle);

    // Empty text is not a number either.
    msgs->clear();
    EXPECT_EQ(GetVal("select F9 from M03 where F1='C003'"), 0);
    EXPECT_EQ(msgs->count(), 1);

    msgs->clear();
    EXPECT_EQ(GetVal("select F99 from M03"), 0);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith(kValPrefix));
    EXPECT_TRUE(msgs->last().text.contains("F99"));

    msgs->clear();
    EXPECT_EQ(GetVal("select 'nan'"), 0);
    EXPECT_EQ(msgs->count(), 1);
}

TEST_F(Queries, WithoutADatabaseTheyReportInsteadOfCrashing)
{
    folder->closeDb();
    EXPECT_EQ(GetStr("select 1"), "");
    EXPECT_EQ(GetVal("select 1"), 0);
    EXPECT_EQ(GetFieldStr("select 1"), "");
    EXPECT_EQ(msgs->count(), 2);
}

TEST_F(Queries, GetNameByCode)
{
    QString code = "C001.张三快递";
    EXPECT_EQ(GetNameByCode(code, "M03"), "张三快递");
    EXPECT_EQ(code, "C001");

    code = "  C001  ";
    EXPECT_EQ(GetNameByCode(code, "M03"), "张三快递");
    EXPECT_EQ(code, "C001");

    code = "C001.a.b";
    EXPECT_EQ(GetNameByCode(code, "M03"), "张三快递");
    EXPECT_EQ(code, "C001");

    code = "C002.x";
    EXPECT_EQ(GetNameByCode(code, "M03"), "");
    code = "C009";
    EXPECT_EQ(GetNameByCode(code, "M03"), "");

    // A quote in the combo text is cleaned before it reaches SQL.
    code = "O'B.x";
    EXPECT_EQ(GetNameByCode(code, "M03"), "");
    EXPECT_EQ(code, QString("O") + QChar(0x2019) + "B");
    EXPECT_EQ(msgs->count(), 0);

    // An empty code reads nothing: with the database closed a read would report.
    folder->closeDb();
    code = "";
    EXPECT_EQ(GetNameByCode(code, "M03"), "");
    code = "   \r\n";
    EXPECT_EQ(GetNameByCode(code, "M03"), "");
    EXPECT_EQ(code, "");
    EXPECT_EQ(msgs->count(), 0);
}

TEST(SqlText, CleansInPlace)
{
    QString s = "  O'Brien  ";
    EXPECT_EQ(SqlText(s), QString("O") + QChar(0x2019) + "Brien");
    EXPECT_EQ(s, QString("O") + QChar(0x2019) + "Brien");
    s = "a\r\nb";
    EXPECT_EQ(SqlText(s), "ab");
    s = "abc \r\n";
    EXPECT_EQ(SqlText(s), "abc ");
    EXPECT_EQ(s, "abc ");
    s = "\r\n x \r\n";
    EXPECT_EQ(SqlText(s), " x ");
    s = "''";
    EXPECT_EQ(SqlText(s), QString(2, QChar(0x2019)));
    s = "";
    EXPECT_EQ(SqlText(s), "");
    EXPECT_EQ(SqlText(QString("\ttab\t")), "\ttab\t");
}

TEST(Round1, HalfAwayFromZero)
{
    EXPECT_EQ(Round1(2.25), 2.3);
    EXPECT_EQ(Round1(2.24), 2.2);
    EXPECT_EQ(Round1(-2.25), -2.3);
    EXPECT_EQ(Round1(0.05), 0.1);
    EXPECT_EQ(Round1(1.45), 1.5); // 1.4499999999999999556 in binary
    EXPECT_EQ(Round1(0), 0);
    EXPECT_EQ(Round1(123456.75), 123456.8);
}

TEST(LangStr, PassesTextForTheKnownLanguages)
{
    const int saved = gLangFlag;
    for (int flag : {0, 1, 2}) {
        gLangFlag = flag;
        EXPECT_EQ(LangStr("提示"), "提示");
    }
    gLangFlag = 3;
    EXPECT_EQ(LangStr("提示"), "");
    gLangFlag = saved;
}

TEST(CodeOf, TextBeforeTheFirstDotTrimmed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C001.Alpha Ltd.", "C001"}, {"  月结.Account ", "月结"}, {"Beijing", "Beijing"},
        {".name", ""}, {"", ""}, {"  ", ""}, {" A01 .x", "A01 "},
    };
    for (const auto& [item, code] : cases)
        EXPECT_EQ(CodeOf(QString::fromUtf8(item)), QString::fromUtf8(code)) << item;
}
