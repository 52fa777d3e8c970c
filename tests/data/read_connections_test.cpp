// Readers with a snapshot of their own: they read the file as it was at their
// first row on a connection lent to them alone, the data file's connection
// writes without waiting for them, the connections are kept for the next
// lists, and they close before the file is made one file for a copy.
#include "data/database.h"
#include "data/program_sql.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/read_connections.h"
#include "data/schema.h"
#include "support/testenv.h"

#include <QFileInfo>

namespace {

constexpr int kStaff = 3000;

class ReadConnectionsTest : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        Db().executeNative(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                           "insert into M04 (F1,F2) select printf('s%04d', i), '备注' || i from n")
                .arg(kStaff));
        Db().executeNative(QStringLiteral("insert into B01 (F1,F101) select F1, '2024-03-01' from M04"));
    }
    static ReadConnections& pool() { return Db().readConnections(); }
    static QStringList keys(RowReader& reader, qint64 most)
    {
        QStringList out;
        reader.read(most, [&](const RowView& row) {
            out << row.string(0);
            return true;
        });
        return out;
    }
};

TEST_F(ReadConnectionsTest, AReaderKeepsItsSnapshotWhileTheFileIsWrittenAndGivesItBackAtItsEnd)
{
    ASSERT_TRUE(Db().readsOwnSnapshots());
    RowReader reader(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    EXPECT_TRUE(reader.ownsSnapshot());
    EXPECT_EQ(keys(reader, 2), QStringList({"s0001", "s0002"}));
    int calls = 0;
    reader.setBeforeWrite([&] { ++calls; });
    {
        Transaction tx(Db());
        Db().execute("delete from M04 where F1 = 's0003'");
        Db().execute("insert into M04 (F1,F2) values ('s0002a','')");
        tx.commit();
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(pool().lentCount(), 1);
    // The file as it is now, for the data file's connection.
    EXPECT_EQ(GetFieldStrOrThrow("select count(*) from M04"), QString::number(kStaff));
    EXPECT_EQ(keys(reader, 2), QStringList({"s0003", "s0004"}));
    // Counted in the reader's snapshot, or in the file as it is now.
    EXPECT_EQ(reader.countWithin("select count(*) from M04 where F1 like 's000*'", 1000), 9);
    EXPECT_EQ(reader.countWithin("select count(*) from M04 where F1 like 's000*'", 1000, false), 9);
    EXPECT_EQ(reader.countWithin("select count(*) from M04 where F1 like 's0002*'", 1000, false), 2);
    EXPECT_EQ(keys(reader, kStaff).size(), kStaff - 4);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(pool().lentCount(), 0);
    // Past its end the reader counts the file as it is now.
    EXPECT_EQ(reader.countWithin("select count(*) from M04 where F1 like 's000*'", 1000), 9);
    RowReader next(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    EXPECT_EQ(keys(next, 3), QStringList({"s0001", "s0002", "s0002a"}));
    EXPECT_EQ(pool().openCount(), 1);
}

TEST_F(ReadConnectionsTest, TwoReadersNeverShareAConnectionAndConnectionsAreKeptForTheNext)
{
    auto first = std::make_unique<RowReader>(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    keys(*first, 1);
    Db().execute("delete from M04 where F1 = 's0002'");
    auto second = std::make_unique<RowReader>(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    EXPECT_EQ(keys(*second, 2), QStringList({"s0001", "s0003"}));
    EXPECT_EQ(keys(*first, 1), QStringList({"s0002"}));
    EXPECT_EQ(pool().lentCount(), 2);
    first.reset();
    second.reset();
    EXPECT_EQ(pool().lentCount(), 0);
    EXPECT_EQ(pool().openCount(), 2);
    EXPECT_TRUE(pool().hasIdle());
    RowReader third(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    keys(third, 1);
    EXPECT_EQ(pool().openCount(), 2);
    EXPECT_EQ(pool().lentCount(), 1);
}

TEST_F(ReadConnectionsTest, ACountIsGivenUpPastItsBudget)
{
    struct Case {
        const char* what;
        const char* sql;
        int budget;
        qint64 count;
    };
    const Case cases[] = {
        {"a table's rows, a few steps however many", "select count(*) from M04", 1, kStaff},
        // The count the waybill register is shown with at once, whatever its length.
        {"the register's rows", "select count(*) from B01 ", 1, kStaff},
        {"every row read, within the budget", "select count(*) from M04 where F2 like '*0'", 1000, kStaff / 10},
        {"every row read, past the budget", "select count(*) from M04 where F2 like '*0'", 1, -1},
        {"refused by the engine", "select count(*) from nothing_here", 1000, -1},
        {"no number", "select 'x' from M04", 1000, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RowReader reader(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
        keys(reader, 1);
        EXPECT_EQ(reader.countWithin(c.sql, c.budget), c.count);
        // The reader reads on after it.
        EXPECT_EQ(keys(reader, 1), QStringList{"s0002"});
    }
}

TEST_F(ReadConnectionsTest, OnlyAFileWrittenAheadAndOutsideATransactionReadsOwnSnapshots)
{
    EXPECT_TRUE(Db().readsOwnSnapshots());
    {
        Transaction tx(Db());
        EXPECT_FALSE(Db().readsOwnSnapshots());
    }
    Db().singleFile();
    EXPECT_FALSE(Db().readsOwnSnapshots());
    Db().useWriteAheadJournal();
    EXPECT_TRUE(Db().readsOwnSnapshots());
    auto copy = Database::openReadOnly(Db().path(), DataFileKey(), ProgramSql());
    EXPECT_FALSE(copy->readsOwnSnapshots());
}

TEST_F(ReadConnectionsTest, TheConnectionsCloseBeforeTheFileIsMadeOneFile)
{
    RowReader finishing(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    RowReader left(Db(), "select F1 from M04 order by F1 desc", RowReader::OwnSnapshot{});
    keys(finishing, 1);
    keys(left, 1);
    QStringList rest;
    finishing.setBeforeWrite([&] { rest = keys(finishing, kStaff); });
    Db().execute("insert into M04 (F1,F2) values ('s9999','')");
    EXPECT_TRUE(rest.isEmpty());
    Db().singleFile();
    // The one with a handler read its rest first, as the file was at its first row.
    EXPECT_EQ(rest.size(), kStaff - 1);
    EXPECT_EQ(rest.last(), "s3000");
    EXPECT_THROW(keys(left, 1), DbError);
    for (const QString& side : Database::sideFiles(Db().path()))
        EXPECT_FALSE(QFileInfo::exists(side)) << side.toStdString();
}

TEST_F(ReadConnectionsTest, TheFirstConnectionIsOpenedWhenTheProgramIsIdle)
{
    Db().openReadConnectionWhenIdle();
    auto closing = Database::open(Db().path(), DataFileKey(), ProgramSql());
    closing->openReadConnectionWhenIdle();
    closing.reset(); // what it left for idle time goes with it
    EXPECT_EQ(pool().openCount(), 0);
    Pump();
    EXPECT_EQ(pool().openCount(), 1);
    EXPECT_TRUE(pool().hasIdle());
    RowReader reader(Db(), "select F1 from M04 order by F1", RowReader::OwnSnapshot{});
    EXPECT_EQ(keys(reader, 1), QStringList{"s0001"});
    EXPECT_EQ(pool().openCount(), 1);
    // Once only: a connection already open is enough.
    Db().openReadConnectionWhenIdle();
    Pump();
    EXPECT_EQ(pool().openCount(), 1);
}

} // namespace
