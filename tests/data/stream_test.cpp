// Reading a SELECT row by row without a record set: the same values and texts
// as a record set gives, in the dialect, stoppable, failures reported.
#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/testenv.h"

namespace {

class StreamTest : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        const char* rows[] = {
            "('W1','2024-03-05',3.0,0.30000000000000004,Null,'速递 O''Brien')",
            "('W2','2024-03-06 08:05:00',-1.5,126.86199951171875,'','')",
            "('W3',Null,100,1e15,'x',Null)",
        };
        for (const char* r : rows)
            Db().execute(QStringLiteral("insert into B01 (F1,F101,F401,F402,F102,F103) values %1").arg(r));
    }
    static QString text(std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); }
};

TEST_F(StreamTest, RowsCarryTheValuesAndTextsOfARecordSet)
{
    const QString sql = "select F1,F101,F401,F402,F102,F103,F401+F402,True from B01 order by F1";
    const RecordSet rs = Db().openRecordset(sql);
    QStringList names;
    int r = 0;
    const qint64 n = Db().forEachRow(sql, [&](const RowView& row) {
        EXPECT_EQ(row.count(), rs.fieldCount());
        for (int c = 0; c < row.count(); ++c) {
            const Value& want = rs.at(r, c);
            EXPECT_EQ(row.value(c).kind(), want.kind()) << r << "," << c;
            EXPECT_EQ(row.string(c), want.toString()) << r << "," << c;
            EXPECT_EQ(text(row.text(c)), want.toString()) << r << "," << c;
            EXPECT_EQ(row.value(c).isNull(), want.isNull());
        }
        ++r;
        return true;
    }, &names);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(names, rs.fieldNames());
    // The texts as shown: numbers with up to 15 digits, Null apart from "".
    QStringList seen;
    Db().forEachRow(sql, [&](const RowView& row) {
        seen << text(row.text(2)) + "|" + text(row.text(3)) + "|" + (row.value(4).isNull() ? "<null>" : text(row.text(4)));
        return true;
    });
    EXPECT_EQ(seen, QStringList({"3|0.3|<null>", "-1.5|126.861999511719|", "100|1E+15|x"}));
}

TEST_F(StreamTest, TheDialectIsTranslatedAndACallbackCanStop)
{
    QStringList docs;
    EXPECT_EQ(Db().forEachRow("select top 2 F1 from B01 where datediff('d', F101, '2024/3/6') >= 0 order by F1 desc",
                              [&](const RowView& row) {
                                  docs << row.string(0);
                                  return true;
                              }),
              2);
    EXPECT_EQ(docs, QStringList({"W2", "W1"}));
    docs.clear();
    EXPECT_EQ(Db().forEachRow("select F1 from B01 order by F1", [&](const RowView& row) {
        docs << row.string(0);
        return false;
    }), 1);
    EXPECT_EQ(docs, QStringList{"W1"});
    EXPECT_EQ(Db().forEachRow("select F1 from B01 where 1=0", [](const RowView&) { return true; }), 0);
}

TEST_F(StreamTest, FailuresAreThrownAndLeaveNothingOpen)
{
    EXPECT_THROW(Db().forEachRow("select nope from B01", [](const RowView&) { return true; }), DbError);
    EXPECT_THROW(Db().forEachRow("select 1; delete from B01", [](const RowView&) { return true; }), DbError);
    // A failure inside the callback ends the read; the statement is released.
    EXPECT_THROW(Db().forEachRow("select F1 from B01", [](const RowView&) -> bool { throw DbError("stop"); }), DbError);
    EXPECT_EQ(Db().execute("delete from B01"), 3);
    EXPECT_FALSE(Db().inTransaction());
}

TEST_F(StreamTest, AReaderHandsOverSlicesAndTheProgramWritesBetweenThem)
{
    RowReader reader(Db(), "select F1 from B01 order by F1");
    EXPECT_EQ(reader.names(), QStringList{"F1"});
    QStringList docs;
    auto take = [&](const RowView& row) {
        docs << row.string(0);
        return true;
    };
    EXPECT_EQ(reader.read(2, take), 2);
    EXPECT_FALSE(reader.atEnd());
    // A save between two slices commits while the list is still being read.
    {
        Transaction tx(Db());
        Db().execute("insert into M04 (F1,F2) values ('between','slices')");
        tx.commit();
    }
    EXPECT_EQ(reader.read(5, take), 1);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.read(5, take), 0);
    EXPECT_EQ(docs, QStringList({"W1", "W2", "W3"}));
    EXPECT_EQ(GetStr("select F2 from M04 where F1='between'"), "slices");
    EXPECT_THROW(RowReader(Db(), "select nope from B01"), DbError);
}

TEST_F(StreamTest, AnOpenReaderHasItsOwnerReadTheRestBeforeTheConnectionWrites)
{
    RowReader reader(Db(), "select F1 from B01 order by F1");
    QStringList docs;
    auto take = [&](const RowView& row) {
        docs << row.string(0);
        return true;
    };
    reader.read(1, take);
    int calls = 0;
    reader.setBeforeWrite([&] {
        ++calls;
        reader.read(100, take);
    });
    EXPECT_EQ(GetStr("select F1 from B01 where F1='W2'"), "W2"); // a read is no write
    EXPECT_EQ(calls, 0);
    Db().execute("insert into B01 (F1) values ('W0')");
    Db().execute("insert into B01 (F1) values ('W4')");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(docs, QStringList({"W1", "W2", "W3"}));
    EXPECT_TRUE(reader.atEnd());
}

TEST_F(StreamTest, AReaderWhoseDatabaseClosedGivesNoFurtherRows)
{
    auto other = Database::open(Db().path(), DataFileKey(), ProgramSql());
    RowReader reader(*other, "select F1 from B01 order by F1");
    reader.read(1, [](const RowView&) { return true; });
    other.reset();
    EXPECT_THROW(reader.read(1, [](const RowView&) { return true; }), DbError);
}

TEST(CountStatement, CountsTheFromAndWhereOfAPlainSelectOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"select * from M04 order by F1", "select count(*) from M04 "},
        {"SELECT B01.F1, M03.F2 FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1) Where M03.F2 like '%order by%' ORDER BY B01.F101",
         "select count(*) FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1) Where M03.F2 like '%order by%' "},
        {"select F1 from B01 where F1 in (select F0 from M031 group by F0) and F101 > #2024-01-01#",
         "select count(*) from B01 where F1 in (select F0 from M031 group by F0) and F101 > #2024-01-01#"},
        {"select [from], 'a from b' from T", "select count(*) from T"},
        {"select F1 from M011 group by F1", ""},
        {"select distinct F1 from M04", ""},
        {"select TOP 5 F1 from M04", ""},
        {"select count(*) from M04", ""},
        {"select Sum(F2) as s from M04 where F1 = 'x'", ""},
        {"select F1 from M04 union select F1 from M05", ""},
        {"select F1 from M04 order by F1 limit 3", ""},
        {"select F1 from M04 where (F1 = 'x'", ""},
        {"update M04 set F2 = '' from M04", ""},
        {"select 1", ""},
    };
    for (const auto& [select, count] : cases)
        EXPECT_EQ(CountStatement(QString::fromUtf8(select)), QString::fromUtf8(count)) << select;
}

} // namespace
