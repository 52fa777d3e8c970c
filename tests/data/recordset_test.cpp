// Snapshot record sets, action statements, transactions, and what a killed
// writer leaves in the file.
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QProcess>

class RecordSets : public DataTest {};

TEST_F(RecordSets, NullIsKeptApartFromEmptyText)
{
    Db().execute("insert into M04 (F1,F2) values ('a',Null)");
    Db().execute("insert into M04 (F1,F2) values ('b','')");
    RecordSet rs = Db().openRecordset("select F2 from M04 order by F1");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_TRUE(rs.field(0).isNull());
    EXPECT_EQ(rs.field(0).toString(), "");
    EXPECT_EQ(rs.field(0).toDouble(), 0);
    rs.moveNext();
    EXPECT_FALSE(rs.field(0).isNull());
    EXPECT_EQ(rs.field(0).kind(), Value::Text);
    EXPECT_EQ(rs.field(0).toString(), "");
    EXPECT_EQ(GetStr("select count(*) from M04 where F2 is Null"), "1");
    EXPECT_EQ(GetStr("select count(*) from M04 where F2=''"), "1");
}

TEST_F(RecordSets, NumbersAndDatesAsTheSystemShowsThem)
{
    RecordSet rs = Db().openRecordset(
        "select 3.0, 0.1+0.2, 126.86199951171875, -1.5, 100, 1e15, 0.00001, 1.0/3, -0.0, 2.5e-7, 123456789012345678");
    const QStringList want = {"3", "0.3", "126.861999511719", "-1.5", "100", "1E+15", "0.00001", "0.333333333333333",
                              "0", "2.5E-07", "123456789012345678"};
    ASSERT_EQ(rs.fieldCount(), want.size());
    for (int c = 0; c < want.size(); ++c)
        EXPECT_EQ(rs.field(c).toString(), want[c]) << c;
    EXPECT_TRUE(rs.field(0).isNumber());
    EXPECT_EQ(rs.field(2).toDouble(), 126.86199951171875); // the value keeps every digit

    Db().execute("insert into B01 (F1,F101,F401,F402) values ('W1','2024/2/29',2,0.1)");
    Db().execute("update B01 set F402=F402+0.2 where F1='W1'");
    RecordSet b = Db().openRecordset("select F101, F401, F402 from B01");
    EXPECT_EQ(b.field("F101").toString(), "2024-02-29");
    EXPECT_EQ(b.field("f401").toString(), "2");
    EXPECT_EQ(b.field("F402").toString(), "0.3");
}

TEST_F(RecordSets, ValuesAndCopiesOutliveTheirRecordSet)
{
    const QString longText(70000, QChar(0x5FEB)); // larger than a block of the text store
    Db().execute("insert into M04 (F1,F2) values ('a'," + SqlQuote(longText) + ")");
    Db().execute("insert into M04 (F1,F2) values ('b','张三')");
    Value kept = Db().openRecordset("select F2 from M04 where F1='b'").field(0);
    EXPECT_EQ(kept.toString(), "张三");

    RecordSet copy;
    std::vector<Value> values;
    {
        RecordSet rs = Db().openRecordset("select F1, F2 from M04 order by F1");
        copy = rs;
        for (int r = 0; r < rs.recordCount(); ++r)
            values.push_back(rs.at(r, 1));
        Value assigned = Value::fromInteger(1);
        assigned = rs.at(1, 0);
        values.push_back(assigned);
    }
    EXPECT_EQ(values[0].toString(), longText);
    EXPECT_EQ(values[1].toString(), "张三");
    EXPECT_EQ(values[2].toString(), "b");
    EXPECT_EQ(copy.at(0, 1).toString(), longText);
    EXPECT_EQ(copy.at(1, 1).toString(), "张三");
    Value moved = std::move(values[1]);
    EXPECT_EQ(moved.toString(), "张三");
    EXPECT_EQ(Value::fromText("O'Brien").toString(), "O'Brien");
    EXPECT_EQ(Value::fromText("12.5").toDouble(), 12.5);
    EXPECT_TRUE(Value::fromText("True").toBool());
    EXPECT_FALSE(Value::fromText("abc").toBool());
}

TEST_F(RecordSets, Moving)
{
    RecordSet empty = Db().openRecordset("select F1 from M04");
    EXPECT_TRUE(empty.eof());
    EXPECT_TRUE(empty.bof());
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_EQ(empty.fieldCount(), 1);
    EXPECT_THROW(empty.field(0), DbError);
    empty.moveLast();
    EXPECT_TRUE(empty.eof());
    EXPECT_TRUE(empty.bof());

    for (const char* n : {"a", "b", "c"})
        Db().execute(QStringLiteral("insert into M04 (F1,F2) values ('%1','x')").arg(n));
    RecordSet rs = Db().openRecordset("select F1, F2 from M04 order by F1");
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_FALSE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.field("F1").toString(), "a");
    rs.moveLast();
    EXPECT_EQ(rs.field("f1").toString(), "c");
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field(0), DbError);
    rs.moveNext(); // stays at the end
    EXPECT_TRUE(rs.eof());
    rs.movePrevious();
    EXPECT_EQ(rs.field(0).toString(), "c");
    rs.moveFirst();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    EXPECT_THROW(rs.field(0), DbError);
    rs.moveFirst();
    EXPECT_EQ(rs.field(0).toString(), "a");
    EXPECT_THROW(rs.field("F9"), DbError);
    EXPECT_THROW(rs.field(2), DbError);
    EXPECT_EQ(rs.fieldIndex("f2"), 1);
    EXPECT_EQ(rs.fieldIndex("nope"), -1);
    EXPECT_EQ(rs.at(2, 0).toString(), "c");

    int seen = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        ++seen;
    EXPECT_EQ(seen, 3);
}

TEST_F(RecordSets, ActionStatementsCountRowsAndCarryTheEngineText)
{
    EXPECT_EQ(Db().execute("insert into M04 (F1) values ('a')"), 1);
    EXPECT_EQ(Db().execute("insert into M04 (F1) values ('b')"), 1);
    EXPECT_EQ(Db().execute("update M04 set F2='x'"), 2);
    EXPECT_EQ(Db().execute("select * from M04"), 0); // a query changes nothing
    EXPECT_EQ(Db().execute("update M04 set F2='y' where F1='none'"), 0);
    EXPECT_EQ(Db().execute("delete from M04 where F1='A'"), 1);
    try {
        Db().execute("insert into NOTABLE (F1) values (1)");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("NOTABLE")) << e.what();
    }
    EXPECT_THROW(Db().execute(""), DbError);
    EXPECT_THROW(Db().execute("   "), DbError);
    EXPECT_THROW(Db().openRecordset("select 'unterminated"), DbError);
}

TEST_F(RecordSets, TransactionCommitsOnlyWhenAsked)
{
    {
        Transaction tx(Db());
        Db().execute("insert into M04 (F1) values ('kept1')");
        Db().execute("insert into M04 (F1) values ('kept2')");
        EXPECT_TRUE(Db().inTransaction());
        tx.commit();
        tx.commit(); // a second commit is harmless
    }
    EXPECT_FALSE(Db().inTransaction());
    {
        Transaction tx(Db());
        Db().execute("insert into M04 (F1) values ('dropped')");
    }
    EXPECT_FALSE(Db().inTransaction());
    // Committed rows are in the file, not just in this connection.
    folder->closeDb();
    folder->openDb();
    EXPECT_EQ(GetStr("select count(*) from M04"), "2");
    EXPECT_EQ(GetStr("select count(*) from M04 where F1='dropped'"), "0");
}

TEST_F(RecordSets, TransactionRollsBackOnAFailingStatement)
{
    Db().execute("insert into M04 (F1) values ('before')");
    try {
        Transaction tx(Db());
        Db().execute("insert into M04 (F1) values ('half')");
        Db().execute("update M04 set F2='changed'");
        Db().execute("insert into M04 (NOCOLUMN) values (1)");
        tx.commit();
        FAIL();
    } catch (const DbError&) {
    }
    EXPECT_FALSE(Db().inTransaction());
    EXPECT_EQ(GetStr("select count(*) from M04"), "1");
    EXPECT_EQ(GetStr("select F2 from M04"), "");
    // The connection goes on working.
    Transaction tx(Db());
    Db().execute("insert into M04 (F1) values ('after')");
    tx.commit();
    EXPECT_EQ(GetStr("select count(*) from M04"), "2");
}

TEST_F(RecordSets, NestedTransactionsCompose)
{
    {
        Transaction outer(Db());
        Db().execute("insert into M04 (F1) values ('outer')");
        {
            Transaction inner(Db());
            Db().execute("insert into M04 (F1) values ('inner-dropped')");
        }
        {
            Transaction inner(Db());
            Db().execute("insert into M04 (F1) values ('inner-kept')");
            inner.commit();
        }
        EXPECT_TRUE(Db().inTransaction());
        outer.commit();
    }
    EXPECT_EQ(GetStr("select count(*) from M04"), "2");
    EXPECT_EQ(GetStr("select count(*) from M04 where F1='inner-dropped'"), "0");

    // An inner commit does not survive the outer rollback.
    try {
        Transaction outer(Db());
        Db().execute("delete from M04");
        {
            Transaction inner(Db());
            Db().execute("insert into M04 (F1) values ('x')");
            inner.commit();
        }
        throw std::runtime_error("the caller gives up");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(Db().inTransaction());
    EXPECT_EQ(GetStr("select count(*) from M04"), "2");
    EXPECT_EQ(GetStr("select count(*) from M04 where F1='x'"), "0");
}

namespace {

// Starts the writer on the data file and waits until it reports halfway.
bool startWriter(QProcess& p, const QString& path, int rows, const char* mode)
{
    p.setProgram(QStringLiteral(CRASH_WRITER_PATH));
    p.setArguments({path, QString::number(rows), QString::fromLatin1(mode)});
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start();
    if (!p.waitForStarted(30000))
        return false;
    QByteArray out;
    while (!out.contains("HALF\n")) {
        if (!p.waitForReadyRead(60000))
            return false;
        out += p.readAllStandardOutput();
    }
    return true;
}

} // namespace

TEST_F(RecordSets, AWriterKilledMidTransactionLeavesNothing)
{
    Db().execute("insert into M04 (F1,F2) values ('existing','x')");
    const QString path = folder->file("vembra.dat");
    folder->closeDb();

    for (int round = 0; round < 3; ++round) {
        QProcess writer;
        ASSERT_TRUE(startWriter(writer, path, 400, "kill")) << writer.readAllStandardError().toStdString();
        // With its small cache the writer has already put changed pages into
        // its write-ahead journal, uncommitted.
        EXPECT_GT(QFileInfo(path + "-wal").size(), 0);
        writer.kill(); // SIGKILL: no destructor, no rollback of its own
        ASSERT_TRUE(writer.waitForFinished(30000));
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

        folder->openDb();
        EXPECT_EQ(GetStr("select count(*) from M04"), "1") << "round " << round;
        EXPECT_EQ(GetStr("select F1 from M04"), "existing");
        EXPECT_EQ(GetStr("PRAGMA integrity_check"), "ok");
        folder->closeDb();
    }
    for (const QString& side : Database::sideFiles(path))
        EXPECT_FALSE(QFileInfo::exists(side)) << side.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 0);
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(RecordSets, AWriterThatCommitsLeavesEverything)
{
    const QString path = folder->file("vembra.dat");
    folder->closeDb();
    QProcess writer;
    ASSERT_TRUE(startWriter(writer, path, 400, "commit"));
    ASSERT_TRUE(writer.waitForFinished(60000));
    EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    folder->openDb();
    EXPECT_EQ(GetStr("select count(*) from M04"), "400");
    EXPECT_EQ(GetStr("PRAGMA integrity_check"), "ok");
}
