// Dates in the dialect: a literal becomes ISO only where it meets a date
// column; typed text elsewhere is stored and found exactly as typed; day
// comparisons become ranges on the date column's index with the same rows.
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/jet_translate.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/testenv.h"

namespace {

// Everything a date parser reads, and what the date column stores for it.
const QList<QPair<QString, QString>> kDateShapes = {
    {"2024.1.1", "2024-01-01"},        {"1/2/2024", "2024-01-02"},          {"2024年3月5日", "2024-03-05"},
    {"2024-1-5", "2024-01-05"},        {"2024/01/05 08:05", "2024-01-05 08:05:00"},
    {"2024-01-05 00:00:00", "2024-01-05"}, {"2024 / 1 / 7", "2024-01-07"}, {"12/31/2023 23:59:59", "2023-12-31 23:59:59"},
};

TEST(DateTargets, LiteralsBecomeIsoOnlyWhereTheyMeetADateColumn)
{
    struct Case { const char* sql; const char* want; };
    const Case cases[] = {
        // Written into a date column, by name, by position, by an insert's select list.
        {"update TB1 set F2='2024.1.5', F10='2024.1.5' where F1='2024.1.5'",
         "update TB1 set F2='2024-01-05', F10='2024.1.5' where F1='2024.1.5'"},
        {"insert into TB1 (F1,F2,F10,H8) values ('1/2/2024','1/2/2024','1/2/2024','2024/1/2 8:05')",
         "insert into TB1 (F1,F2,F10,H8) values ('1/2/2024','2024-01-02','1/2/2024','2024-01-02 08:05:00')"},
        {"insert into TD2 values ('2024.1.5','2024.1.5','2024.1.5',1,2)",
         "insert into TD2 values ('2024.1.5','2024.1.5','2024-01-05',1,2)"},
        {"insert into PRTB2 (F0,F1,F2) select distinct '2024.1.5', F1, '2024.1.5' from TB1",
         "insert into PRTB2 (F0,F1,F2) select distinct '2024.1.5', F1, '2024-01-05' from TB1"},
        {"insert into TE1 (F1,F2,F3) values ('9','2024.1.1','2024年3月5日')",
         "insert into TE1 (F1,F2,F3) values ('9','2024.1.1','2024年3月5日')"},
        // Compared with one, on either side, through an alias, BETWEEN, IN.
        {"select * from TB1 t where t.F2 >= '2024.1.5' and t.F10 = '2024.1.5' and '2024.1.6'>t.H8",
         "select * from TB1 t where t.F2 >= '2024-01-05' and t.F10 = '2024.1.5' and '2024-01-06'>t.H8"},
        {"select * from B01 where F101 not between '2024.1.5' and '1/6/2024' and F102 between '2024.1.5' and '1/6/2024'",
         "select * from B01 where F101 not between '2024-01-05' and '2024-01-06' and F102 between '2024.1.5' and '1/6/2024'"},
        {"select * from B01 where B01.F102 in ('2024.1.5') or B01.F101 in ('2024.1.5', F101)",
         "select * from B01 where B01.F102 in ('2024.1.5') or B01.F101 in ('2024-01-05', F101)"},
        // Each select sees its own tables: M03.F2 is a name, TB1.F2 a date.
        {"select F2 from M03 where F2='2024.1.5' and F2 in (select F3 from TB1 where F2='2024.1.5')",
         "select F2 from M03 where F2='2024.1.5' and F2 in (select F3 from TB1 where F2='2024-01-05')"},
        {"select M03.F2 from M03 inner join TB1 on TB1.F3=M03.F2 where TB1.F2<>'2024.1.5' and M03.F2<>'2024.1.5'",
         "select M03.F2 from M03 inner join TB1 on TB1.F3=M03.F2 where TB1.F2<>'2024-01-05' and M03.F2<>'2024.1.5'"},
        // datediff's dates always; patterns, select lists and unknown tables never.
        {"select datediff('d','2024.1.5',F10) from TB1", "select datediff('d','2024-01-05',F10) from TB1"},
        {"select * from B01 where F101 like '2024.1.5*' or F101 = F102", "select * from B01 where F101 like '2024.1.5*' or F101 = F102"},
        {"select F2='2024.1.5' from nowhere where F2='2024.1.5'", "select F2='2024.1.5' from nowhere where F2='2024.1.5'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TranslateJet(c.sql), c.want) << c.sql;
}

TEST(DateTargets, DayComparisonsBecomeRangesOnTheColumn)
{
    const QString tail = " and F1<>'x'";
    struct Case { const char* cond; const char* want; };
    const Case cases[] = {
        {"datediff('d', F2, '2020-01-31') >= 0", "(+F2 >= '0001-01-01' AND F2 < '2020-02-01')"},
        {"datediff('d', F2, '2020-01-01') <= 0", "(F2 >= '2020-01-01' AND +F2 < '9999-12-32')"},
        {"datediff('d','2024-03-06',TB1.F2 ) < 0", "(+TB1.F2 >= '0001-01-01' AND TB1.F2 < '2024-03-06')"},
        {"datediff('d','2024-03-06',TB1.F2 ) <= 0", "(+TB1.F2 >= '0001-01-01' AND TB1.F2 < '2024-03-07')"},
        {"datediff('d','2024-03-06',TB1.F2 ) > 0", "(TB1.F2 >= '2024-03-07' AND +TB1.F2 < '9999-12-32')"},
        {"datediff('D','2024/3/6',F2)=0", "(F2 >= '2024-03-06' AND F2 < '2024-03-07')"},
        {"datediff('d',#3/6/2024#,F2) = -2", "(F2 >= '2024-03-04' AND F2 < '2024-03-05')"},
        {"datediff('d',F2,'2024-03-06 18:00') > 1", "(+F2 >= '0001-01-01' AND F2 < '2024-03-05')"},
        {"0 <= datediff('d', F2, '2020-01-31')", "(+F2 >= '0001-01-01' AND F2 < '2020-02-01')"},
        {"-1 < datediff('d', '2020-01-31', F2)", "(F2 >= '2020-01-31' AND +F2 < '9999-12-32')"},
        {"(datediff('d','2024-03-06',F2) >= 0 or F3='a')", "((F2 >= '2024-03-06' AND +F2 < '9999-12-32') or F3='a')"},
        // Left as calls: not a plain condition, not a day count, no date column, no date.
        {"not datediff('d','2024-03-06',F2) < 0", nullptr},
        {"datediff('d','2024-03-06',F2) <> 0", nullptr},
        {"datediff('m','2024-03-06',F2) = 0", nullptr},
        {"datediff('d','2024-03-06',F2) + 1 > 0", nullptr},
        {"datediff('d','2024-03-06',F2) > 0.5", nullptr},
        {"datediff('d','2024-03-06',F10) > 0", nullptr},
        {"datediff('d','2024-03-06',F2 || '') > 0", nullptr},
        {"datediff('d','2024-03-06','2024-03-07') > 0", nullptr},
        {"datediff('d','nonsense',F2) > 0", nullptr},
        {"SN between 1 and datediff('d','2024-03-06',F2) > 0", nullptr},
        {"iif(datediff('d','2024-03-06',F2) > 0, 1, 0) = 1", nullptr},
    };
    for (const Case& c : cases) {
        const QString sql = QStringLiteral("select F1 from TB1 where ") + c.cond + tail;
        const QString want = c.want ? QStringLiteral("select F1 from TB1 where ") + c.want + tail : sql;
        EXPECT_EQ(TranslateJet(sql), want) << c.cond;
    }
    // The date windows' own statements.
    EXPECT_EQ(TranslateJet("select TD1.F1 from TD1 Where datediff('d','2024-03-01',TD1.F2 ) >= 0  And datediff('d','2024-03-31',TD1.F2 ) <= 0 "),
              "select TD1.F1 from TD1 Where (TD1.F2 >= '2024-03-01' AND +TD1.F2 < '9999-12-32')  And (+TD1.F2 >= '0001-01-01' AND TD1.F2 < '2024-04-01') ");
}

class DateTargetsOnFile : public DataTest {
protected:
    int count(const QString& sql) { return int(Db().openRecordset(sql).field(0).toInt()); }
};

TEST_F(DateTargetsOnFile, DateShapedTextIsStoredAndFoundAsTyped)
{
    int n = 0;
    for (const auto& [typed, iso] : kDateShapes) {
        const QString code = QStringLiteral("K%1").arg(++n);
        // A password, a name and a remark shaped like dates keep their shape.
        Db().execute("update TE1 set F3=" + SqlQuote(typed) + " where F1='001'");
        EXPECT_EQ(GetStr("select F3 from TE1 where F1='001'"), typed);
        EXPECT_EQ(GetStr("select F1 from TE1 where F3=" + SqlQuote(typed)), "001") << typed.toStdString();
        Db().execute("insert into M03 (F1,F2,F9) values (" + SqlQuote(code) + "," + SqlQuote(typed) + "," + SqlQuote(typed) + ")");
        EXPECT_EQ(GetStr("select F2 & '|' & F9 from M03 where F1=" + SqlQuote(code)), typed + "|" + typed);
        // Search conditions on text columns with date-shaped values.
        EXPECT_EQ(GetStr("select F1 from M03 where F2 = " + SqlQuote(typed)), code);
        EXPECT_EQ(GetStr("select F1 from M03 where F9 in (" + SqlQuote(typed) + ")"), code);
        EXPECT_EQ(GetStr("select F1 from M03 where F2 like " + SqlQuote(typed)), code);
        EXPECT_EQ(GetStr("select F1 from M03 where F2 between " + SqlQuote(typed) + " and " + SqlQuote(typed)), code);
        // The same text into a date column is stored ISO and found by every form.
        Db().execute("insert into TB1 (F1,F2,F10,H8) values (" + SqlQuote(typed) + "," + SqlQuote(typed) + ","
                     + SqlQuote(typed) + "," + SqlQuote(typed) + ")");
        EXPECT_EQ(GetStr("select F1 & '|' & F2 & '|' & F10 & '|' & H8 from TB1 where F1=" + SqlQuote(typed)),
                  typed + "|" + iso + "|" + typed + "|" + iso);
        EXPECT_EQ(GetStr("select F1 from TB1 where F2=" + SqlQuote(typed) + " and F10=" + SqlQuote(typed)), typed);
        Db().execute("update TB1 set H8=" + SqlQuote(typed) + ", S1=" + SqlQuote(typed) + " where F1=" + SqlQuote(typed));
        EXPECT_EQ(GetStr("select S1 & '|' & H8 from TB1 where F1=" + SqlQuote(typed)), typed + "|" + iso);
    }
    EXPECT_EQ(msgs->count(), 0);
}

// The ranges find exactly the rows datediff finds, for every operator and
// both argument orders, among Null, empty, non-date and timed rows.
TEST_F(DateTargetsOnFile, RangesFindTheRowsTheDateFunctionFinds)
{
    const QStringList stored = {"2024-02-28", "2024-02-29", "2024-02-29 23:59:59", "2024-03-01", "2024-03-01 00:00:01",
                                "2024-03-02", "2023-12-31", "2025-01-01", "", "abc", " 2024-02-29", "9999-12-31"};
    int n = 0;
    for (const QString& s : stored)
        Db().execute(QStringLiteral("insert into TB1 (F1,F2) values ('R%1',%2)").arg(++n).arg(SqlQuote(s)));
    Db().execute("insert into TB1 (F1,F2) values ('Rnull',Null)");
    int rewritten = 0;
    for (const char* op : {"=", "<", "<=", ">", ">="})
        for (int days : {-2, -1, 0, 1, 30})
            for (bool columnFirst : {true, false}) {
                const QString lit = "'2024-02-29'";
                const QString args = columnFirst ? "F2," + lit : lit + ",F2";
                const QString slow = columnFirst ? "F2||''," + lit : lit + ",F2||''";
                const QString cond = QStringLiteral(" %1 %2").arg(op).arg(days);
                const QString sql = "select count(*) from TB1 where datediff('d'," + args + ")" + cond;
                rewritten += TranslateJet(sql).contains("datediff") ? 0 : 1;
                EXPECT_EQ(count(sql), count("select count(*) from TB1 where datediff('d'," + slow + ")" + cond)) << sql.toStdString();
            }
    EXPECT_EQ(rewritten, 50);
}

TEST_F(DateTargetsOnFile, DayRangesAndLookUpsUseTheDateIndex)
{
    auto plan = [](const QString& sql) {
        RecordSet rs = Db().openRecordset("explain query plan " + sql);
        QStringList details;
        for (; !rs.eof(); rs.moveNext())
            details << rs.field(rs.fieldCount() - 1).toString();
        return details.join(" / ");
    };
    EXPECT_TRUE(plan("select count(*) from TB1 where datediff('d', F2, '2020-01-31') >= 0 and datediff('d', F2, '2020-01-01') <= 0")
                    .contains("INDEX ix_TB1_2 (F2>? AND F2<?)"));
    EXPECT_TRUE(plan("select F1 from B01 where datediff('d','2024-03-06',B01.F101 ) = 0").contains("INDEX ix_B01_2"));
    EXPECT_TRUE(plan("select F1 from TD1 where datediff('d','2024-03-06',TD1.F2 ) >= 0 and datediff('d','2024-03-09',TD1.F2 ) <= 0")
                    .contains("INDEX ix_TD1_2"));
}

// The stored form is read directly; everything else still goes through the
// date parser, and shapes that are no date give Null.
TEST_F(DateTargetsOnFile, DateFunctionReadsTheStoredFormAndEveryOtherForm)
{
    struct Case { const char* a; const char* b; const char* interval; const char* want; };
    const Case cases[] = {
        {"2024-02-28", "2024-03-01", "d", "2"},
        {"2024-02-28 23:59:59", "2024-03-01 00:00:00", "d", "2"},
        {"2024-02-28 23:59:59", "2024-02-29 00:00:01", "s", "2"},
        {"2024/2/28", "3/1/2024 00:00:00", "d", "2"},
        {"2024年2月28日", "2024-03-01", "D", "2"},
        {"2024-02-28", "2024-03-01 10:30", "h", "58"},
        {"2023-12-31", "2024-01-01", "yyyy", "1"},
        {"2024-02-30", "2024-03-01", "d", "<null>"},
        {"abcd-01-01", "2024-03-01", "d", "<null>"},
        {"2024-01-05 24:00:00", "2024-03-01", "d", "<null>"},
        {"2024-01-05 12:60:00", "2024-03-01", "d", "<null>"},
        {"2024-01-05T12:00:00", "2024-01-06", "d", "1"},
        {"0000-01-01", "2024-03-01", "d", "<null>"},
    };
    for (const Case& c : cases) {
        RecordSet rs = Db().openRecordset(QStringLiteral("select datediff(%1,%2,%3), year(%2), month(%3)")
                                              .arg(SqlQuote(c.interval), SqlQuote(c.a), SqlQuote(c.b)));
        EXPECT_EQ(rs.field(0).isNull() ? QStringLiteral("<null>") : rs.field(0).toString(), c.want) << c.a << " " << c.b;
    }
    EXPECT_EQ(GetStr("select year('2024-02-28') & '-' & month('2024-02-28 10:00:00') & '-' & day('2024/2/28')"), "2024-2-28");
}

} // namespace
