// The Jet dialect translator and the application's like() and datediff(), fed
// with hostile text: quotes, wildcards, comments, semicolons, Chinese, Null.
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/jet_translate.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/table_text.h"
#include "support/testenv.h"
#include "platform/vb.h"

namespace {

// One value computed by the engine, as text ("" for Null), or "<null>".
QString eval(const QString& expr)
{
    RecordSet rs = Db().openRecordset("select " + expr);
    const Value& v = rs.at(0, 0);
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

} // namespace

TEST(TranslateJet, NeverTouchesTextInsideQuotes)
{
    const QString lit = "'top 5 True False -- ; #1/2/2024# [x] /* c */ O''Brien'";
    const QString out = TranslateJet("select F1 from M03 where F2=" + lit);
    EXPECT_TRUE(out.contains(lit)) << out.toStdString();
    EXPECT_FALSE(out.contains("LIMIT"));
}

TEST(TranslateJet, TrueAndFalseBecomeJetNumbersOutsideQuotesOnly)
{
    const QString out = TranslateJet("update M011 set A30=True, A31=false, F2='True' where A32=TRUE or [True]=1 or TrueX=1");
    EXPECT_EQ(out, "update M011 set A30=-1, A31=0, F2='True' where A32=-1 or [True]=1 or TrueX=1");
}

TEST(TranslateJet, OneStatementPerCall)
{
    EXPECT_THROW(TranslateJet("select 1; delete from M03"), DbError);
    EXPECT_THROW(TranslateJet("select 1;delete from M03;"), DbError);
    EXPECT_THROW(TranslateJet("; delete from M03"), DbError);
    EXPECT_NO_THROW(TranslateJet("select 1;"));
    EXPECT_NO_THROW(TranslateJet("select 1 ;  \n ; "));
    EXPECT_NO_THROW(TranslateJet("select ';' from M03 where F2='a;b'"));
    EXPECT_NO_THROW(TranslateJet("select 1 -- ; delete from M03"));
}

TEST(TranslateJet, DateLiteralsInOtherFormsBecomeIso)
{
    EXPECT_EQ(TranslateJet("select * from B01 where F101=#1/5/2024#"), "select * from B01 where F101='2024-01-05'");
    EXPECT_EQ(TranslateJet("select * from B01 where F101=#2024/1/5 8:05#"), "select * from B01 where F101='2024-01-05 08:05:00'");
    EXPECT_EQ(TranslateJet("select #2024/1/5#, #2024-1-5 00:00:00#, #2024年1月5日#"), "select '2024-01-05', '2024-01-05', '2024-01-05'");
    // Quoted text becomes ISO only where it meets a date column.
    EXPECT_EQ(TranslateJet("select * from B01 where F101 in ('2024/1/5', '2024-1-5 00:00:00', '2024-01-05 00:00:00', '2024年1月5日')"),
              "select * from B01 where F101 in ('2024-01-05', '2024-01-05', '2024-01-05', '2024-01-05')");
    EXPECT_EQ(TranslateJet("select '2024/1/5', '2024年1月5日' from B01"), "select '2024/1/5', '2024年1月5日' from B01");
    // Text that only looks a little like a date stays as written, even for a date column.
    EXPECT_EQ(TranslateJet("select * from B01 where F101 in ('2024-01-05 13:14:15', '2024/13/45', '12345678', '1/2/3')"),
              "select * from B01 where F101 in ('2024-01-05 13:14:15', '2024/13/45', '12345678', '1/2/3')");
}

TEST(TranslateJet, TopBecomesLimitOfItsOwnSelect)
{
    EXPECT_EQ(TranslateJet("SELECT TOP 5 F1 FROM B01 ORDER BY F1").simplified(), "SELECT F1 FROM B01 ORDER BY F1 LIMIT 5");
    EXPECT_EQ(TranslateJet("select distinct top 2 F1 from B01").simplified(), "select distinct F1 from B01 LIMIT 2");
    EXPECT_EQ(TranslateJet("select F1 from B01 where F1 in (select top 1 F1 from B01 where F2 in ('a','b') order by F1 desc)").simplified(),
              "select F1 from B01 where F1 in (select F1 from B01 where F2 in ('a','b') order by F1 desc LIMIT 1)");
    // A column called top and a literal 'top 3' are left alone.
    EXPECT_EQ(TranslateJet("select [top], 'top 3' from t"), "select [top], 'top 3' from t");
}

class TranslatorOnFile : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        for (const char* code : {"C001", "C002", "C003", "C004", "C005"})
            Db().execute(QStringLiteral("insert into M03 (F1,F2) values ('%1','name %1')").arg(code));
    }
};

TEST_F(TranslatorOnFile, TopInSubSelectAndWithComment)
{
    EXPECT_EQ(FirstColumn("select F1 from M03 where F1 in (select top 2 F1 from M03 order by F1 desc) order by F1"),
              QStringList({"C004", "C005"}));
    EXPECT_EQ(FirstColumn("select top 3 F1 from (select top 4 F1 from M03 order by F1) order by F1 desc"),
              QStringList({"C004", "C003", "C002"}));
    // A trailing comment must not swallow the LIMIT.
    EXPECT_EQ(FirstColumn("select top 1 F1 from M03 order by F1 -- the first one"), QStringList({"C001"}));
    EXPECT_EQ(FirstColumn("select top 1 F1 from M03 /* newest */ order by F1 desc;"), QStringList({"C005"}));
}

TEST_F(TranslatorOnFile, IdentifiersAndTextCompareWithoutCase)
{
    EXPECT_EQ(GetStr("SELECT f2 FROM m03 WHERE f1='c003'"), "name C003");
    EXPECT_EQ(GetStr("select SETVAL from SysInfo Where id=100"), "0");
    EXPECT_EQ(FirstColumn("select F1 from M03 where F2 like 'NAME C00[1-2]' order by f1"), QStringList({"C001", "C002"}));
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(TranslatorOnFile, SecondStatementIsRefusedAndNothingRuns)
{
    EXPECT_THROW(Db().execute("delete from M03 where F1='C001'; delete from M03"), DbError);
    EXPECT_THROW(Db().openRecordset("select 1; delete from M03"), DbError);
    EXPECT_EQ(GetStr("select count(*) from M03"), "5");
    EXPECT_EQ(Db().execute("delete from M03 where F1='C001';"), 1);
}

TEST_F(TranslatorOnFile, AmpersandJoinsText)
{
    EXPECT_EQ(GetStr("select F1 & '.' & F2 from M03 where F1='C002'"), "C002.name C002");
    EXPECT_EQ(GetStr("select 'a&b' & 'c'"), "a&bc");
}

TEST_F(TranslatorOnFile, BooleansStoredAsJetTrue)
{
    Db().execute("insert into M011 (F1,F2,A30,A31) values ('Z1','True',True,False)");
    EXPECT_EQ(GetStr("select A30 from M011 where F2='True'"), "-1");
    EXPECT_EQ(GetStr("select A31 from M011 where F2='true'"), "0");
    EXPECT_EQ(GetStr("select count(*) from M011 where A30=True and A31=False"), "1");
}

TEST_F(TranslatorOnFile, DatesWrittenInAnyFormAreStoredIsoAndFoundByEveryForm)
{
    const QStringList forms = {"'2024/1/5'", "'1/5/2024'", "#2024-01-05#", "#1/5/2024#", "'2024-01-05 00:00:00'",
                               "'2024年1月5日'", "'2024-1-5'"};
    int n = 0;
    for (const QString& f : forms)
        Db().execute(QStringLiteral("insert into B01 (F1,F101) values ('D%1',%2)").arg(++n).arg(f));
    Db().execute("insert into B01 (F1,F101) values ('T1','2024/1/5 8:05:09')");
    EXPECT_EQ(FirstColumn("select distinct F101 from B01 where F1 like 'D*'"), QStringList({"2024-01-05"}));
    EXPECT_EQ(GetStr("select F101 from B01 where F1='T1'"), "2024-01-05 08:05:09");
    for (const QString& f : forms)
        EXPECT_EQ(GetStr("select count(*) from B01 where F101=" + f), QString::number(forms.size())) << f.toStdString();
    EXPECT_EQ(GetStr("select count(*) from B01 where datediff('d', F101, #1/5/2024#)=0"), "8");
    EXPECT_EQ(GetStr("select count(*) from B01 where F101 >= '2024/1/5' and F101 < '2024/1/6'"), "8");
}

// Jet patterns through the application's like(): text, pattern, matches.
TEST_F(TranslatorOnFile, JetLikePatterns)
{
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"O'Brien", "O'B*", true},
        {"O'Brien", "o'b?ien", true},
        {"ABCdef", "abc*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"a1c", "a#c", true},
        {"abc", "a#c", false},
        {"50%", "50%", true},
        {"500", "50%", false},
        {"50", "50%", false},
        {"a_b", "a_b", true},
        {"axb", "a_b", false},
        {"b", "[a-c]", true},
        {"B", "[a-c]", true},
        {"d", "[a-c]", false},
        {"d", "[!a-c]", true},
        {"b", "[!a-c]", false},
        {"*", "[*]", true},
        {"x", "[*]", false},
        {"a?", "a[?]", true},
        {"ab", "a[?]", false},
        {"#1", "[#]#", true},
        {"-", "[a-]", true},
        {"[x", "[x", true},
        {"it's", "*''*", false}, // the pattern holds two quotes, the text one
        {"速递单", "速?单", true},
        {"速递单", "速?", false},
        {"速递单", "*递*", true},
        {"𠀀x", "?x", true}, // one character outside the basic plane
        {"", "", true},
        {"a", "", false},
        {"", "*", true},
        {"abc", "*", true},
        {"-- ;", "--*;", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
         "*a*a*a*a*a*a*a*a*a*a*a*a*b", false}, // must not backtrack forever
        {"abcabcabd", "*abd", true},
        {"mississippi", "m*iss*ppi", true},
        {"mississippi", "m*iss*ppx", false},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text), pattern = QString::fromUtf8(c.pattern);
        EXPECT_EQ(eval(SqlQuote(text) + " like " + SqlQuote(pattern)), c.match ? "1" : "0")
            << c.text << " like " << c.pattern;
        EXPECT_EQ(eval(SqlQuote(text) + " not like " + SqlQuote(pattern)), c.match ? "0" : "1");
    }
    // The literal pattern '*''*' (a quote between stars) finds text holding a quote.
    EXPECT_EQ(eval("'it''s' like '*''*'"), "1");
}

TEST_F(TranslatorOnFile, LikeWithNullEmptyAndNumbers)
{
    Db().execute("insert into M04 (F1,F2) values ('n1',Null)");
    Db().execute("insert into M04 (F1,F2) values ('e1','')");
    EXPECT_EQ(FirstColumn("select F1 from M04 where F2 like '*'"), QStringList({"e1"}));
    EXPECT_EQ(FirstColumn("select F1 from M04 where F2 like ''"), QStringList({"e1"}));
    EXPECT_EQ(FirstColumn("select F1 from M04 where F2 not like 'x*'"), QStringList({"e1"}));
    EXPECT_EQ(eval("'a' like Null"), "<null>");
    EXPECT_EQ(eval("Null like '*'"), "<null>");
    // Numbers compare in the form they are shown in.
    Db().execute("insert into B01 (F1,F401,F402) values ('N1',3.0,2.5)");
    EXPECT_EQ(GetStr("select F1 from B01 where F401 like '3'"), "N1");
    EXPECT_EQ(GetStr("select F1 from B01 where F402 like '2.5'"), "N1");
}

TEST_F(TranslatorOnFile, DateDiffCountsCalendarBoundaries)
{
    EXPECT_EQ(eval("datediff('d', '2024-01-01', '2024-03-01')"), "60");
    EXPECT_EQ(eval("datediff('D', '2024/1/1', '1/3/2024')"), "2");
    EXPECT_EQ(eval("datediff('d', #2024/1/1#, #2024/1/31#)"), "30");
    EXPECT_EQ(eval("datediff('d', '2024-01-05', '2024-01-01')"), "-4");
    EXPECT_EQ(eval("datediff('d', '2024-01-01 23:59:00', '2024-01-02 00:01:00')"), "1");
    EXPECT_EQ(eval("datediff('d', '2024-01-01 00:01:00', '2024-01-01 23:59:00')"), "0");
    EXPECT_EQ(eval("datediff('d', '2024年1月1日', '2024-01-02')"), "1");
    EXPECT_EQ(eval("datediff('m', '2024-01-31', '2024-02-01')"), "1");
    EXPECT_EQ(eval("datediff('yyyy', '2023-12-31', '2024-01-01')"), "1");
    EXPECT_EQ(eval("datediff('q', '2024-03-31', '2024-04-01')"), "1");
    EXPECT_EQ(eval("datediff('h', '2024-01-01 10:59:00', '2024-01-01 11:01:00')"), "1");
    EXPECT_EQ(eval("datediff('ww', '2024-01-06', '2024-01-07')"), "1"); // Saturday to Sunday
    EXPECT_EQ(eval("datediff('w', '2024-01-01', '2024-01-14')"), "1");
    // Null, empty and non-dates give Null, which no comparison accepts.
    EXPECT_EQ(eval("datediff('d', Null, '2024-01-01')"), "<null>");
    EXPECT_EQ(eval("datediff('d', '2024-01-01', '')"), "<null>");
    EXPECT_EQ(eval("datediff('d', 'O''Brien', '2024-01-01')"), "<null>");
    EXPECT_EQ(eval("datediff('d', '2024-02-30', '2024-03-01')"), "<null>");
    EXPECT_THROW(eval("datediff('fortnight', '2024-01-01', '2024-01-02')"), DbError);
}

TEST_F(TranslatorOnFile, TypedTextIsStoredAsTypedAndFoundAgain)
{
    const QStringList typed = {"O'Brien", "O''Brien", "it's -- not a comment", "a; delete from M03", "'", "''",
                               "50% _off_ [x] [!y] #1", "张三的'公司'", "", "  blanks  ", "True", "2024/1/5x"};
    int n = 0;
    for (const QString& t : typed) {
        const QString code = QStringLiteral("Q%1").arg(++n);
        EXPECT_EQ(Db().execute("insert into M03 (F1,F2) values (" + SqlQuote(code) + "," + SqlQuote(t) + ")"), 1);
        EXPECT_EQ(GetStr("select F2 from M03 where F1=" + SqlQuote(code)), t);
        EXPECT_EQ(GetStr("select F1 from M03 where F2=" + SqlQuote(t)), code) << t.toStdString();
        EXPECT_EQ(GetStr("select F1 from M03 where F2='" + SqlEscape(t) + "'"), code);
    }
    EXPECT_EQ(GetStr("select count(*) from M03"), QString::number(5 + typed.size()));
    // A pattern with an escaped quote finds the name.
    EXPECT_EQ(GetStr("select F1 from M03 where F2 like 'O''B*'"), "Q1");
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(TranslatorOnFile, NumbersInSqlKeepAllTheirDigits)
{
    const double sn = 126.86199951171875;
    Db().execute("insert into TB1 (F1,SN) values ('S1'," + SqlNum(sn) + ")");
    EXPECT_EQ(GetStr("select F1 from TB1 where SN=" + SqlNum(sn)), "S1");
    // The display form is not enough to find it again.
    EXPECT_EQ(GetStr("select count(*) from TB1 where SN=" + CStr(sn)), "0");
    EXPECT_EQ(GetVal("select SN from TB1 where F1='S1'"), sn);

    for (double v : {0.1, 0.1 + 0.2, -1.5, 1e-7, 123456789.123456789, 1e20, 31.0, -0.0}) {
        Db().execute("delete from TB1");
        Db().execute("insert into TB1 (F1,SN) values ('V'," + SqlNum(v) + ")");
        EXPECT_EQ(GetVal("select count(*) from TB1 where SN=" + SqlNum(v)), 1) << SqlNum(v).toStdString();
    }
    EXPECT_EQ(SqlNum(31), "31");
    EXPECT_EQ(SqlNum(-0.0), "0");
}
