// Long lists that let their snapshot go and go on after their last row: the
// order they are read in tells every row apart (the list's own, its key
// breaking ties; or the engine's own order for a list without one), so a
// list let go every few rows gives every row once, in the order it would
// have given them at once; rows the window shows already are left out.
#include "data/database.h"
#include "data/globals.h"
#include "data/list_reader.h"
#include "data/read_connections.h"
#include "support/testenv.h"

#include <limits>

namespace {

class ListReaderTest : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        // Ties, Nulls, letters in both cases (the texts compare without
        // regard to case), numbers and text in one column.
        Db().executeNative("create table LT (F1 TEXT COLLATE NOCASE, F2 TEXT COLLATE NOCASE, F3 REAL)");
        Db().executeNative("create index ix_LT_1 on LT (F1)");
        Db().executeNative("create index ix_LT_2 on LT (F2)");
        Db().executeNative("create index ix_LT_3 on LT (F3, F1)");
        Db().executeNative(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
            "insert into LT select printf('k%03d', i), "
            "case i % 7 when 0 then null when 1 then 'a' when 2 then 'A' when 3 then 'b' else 'c' || (i % 3) end, "
            "case i % 5 when 0 then null else (i % 4) * 0.5 end from n");
    }
    // Every row of a reader (its first column and its whole row), `slice` at a time.
    static QStringList rows(ListReader& list, int slice, bool letGoEachSlice)
    {
        QStringList out;
        while (!list.atEnd()) {
            list.read(slice, [&](const RowView& row) {
                QStringList cells;
                for (int c = 0; c < row.count(); ++c)
                    cells << row.string(c);
                out << cells.join('|');
                return true;
            });
            if (letGoEachSlice)
                list.letSnapshotGo();
        }
        return out;
    }
    static QStringList rowsAtOnce(const QString& sql, int cols)
    {
        QStringList out;
        Db().forEachRow(sql, [&](const RowView& row) {
            QStringList cells;
            for (int c = 0; c < cols; ++c)
                cells << row.string(c);
            out << cells.join('|');
            return true;
        });
        return out;
    }
};

TEST_F(ListReaderTest, AListLetGoEveryFewRowsGivesEveryRowOnceInItsOrder)
{
    struct Case {
        const char* sql;
        int cols;
        bool ownOrder; // its rows come as they did without the key (no ties in that order)
    };
    const Case cases[] = {
        {"select F1, F2, F3 from LT order by F2", 3, false},
        {"select F1, F2, F3 from LT order by F2 desc, F3", 3, false},
        {"select F1, F3 from LT order by F3 desc", 2, false},
        {"select F1, F2, F3 from LT order by F1 desc", 3, true},
        {"select F1, F2, F3 from LT where F3 > 0.5", 3, true},
        {"select F1, F2 from LT where F2 = 'a'", 2, true},
        {"select F1, F2, F3 from LT where F2 like 'c*'", 3, true},
        {"select F1, F2, F3 from LT", 3, true},
        {"select L.F1, L.F2 from LT as L where L.F3 < 1 order by L.F2 desc", 2, false},
        {"select A.F1, B.F1 from LT as A left join LT as B on B.F2 = A.F2 and B.F3 = 1 order by A.F1", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const std::optional<ListKeyset> keyset = ListKeyset::of(Db(), c.sql, "LT", "F1");
        ASSERT_TRUE(keyset.has_value());
        const QStringList expected = rowsAtOnce(keyset->statement(), c.cols);
        if (c.ownOrder) {
            EXPECT_EQ(expected, rowsAtOnce(c.sql, c.cols));
        }
        ListReader list(Db(), c.sql, "LT", "F1");
        list.begin();
        EXPECT_TRUE(list.canGoOn());
        EXPECT_EQ(rows(list, 7, true), expected);
        EXPECT_EQ(Db().readConnections().lentCount(), 0);
    }
}

TEST_F(ListReaderTest, AListThatCannotGoOnAfterItsLastRowIsToldApart)
{
    const char* const cases[] = {
        "select distinct F2 from LT",
        "select F2, count(*) from LT group by F2",
        "select F1, F2 from LT order by 2",
        "select top 5 F1 from LT order by F1",
        "select F1 from LT union select F2 from LT",
        "select F1 from (select F1 from LT where F3 > 1)",
    };
    for (const char* sql : cases) {
        SCOPED_TRACE(sql);
        EXPECT_FALSE(ListKeyset::of(Db(), sql, "LT", "F1").has_value());
        ListReader list(Db(), sql, "LT", "F1");
        list.begin();
        EXPECT_FALSE(list.canGoOn());
    }
}

TEST_F(ListReaderTest, WhereItGoesOnItReadsTheFileAsItIsThenLeavingOutTheRowsShownAlready)
{
    ListReader list(Db(), "select F1, F2 from LT order by F1", "LT", "F1");
    list.setLeftOut([] { return QStringList{"k299"}; });
    list.begin();
    list.moveToOwnSnapshot();
    QStringList shown;
    list.read(10, [&](const RowView& row) {
        shown << row.string(0);
        return true;
    });
    EXPECT_EQ(shown.last(), "k010");
    list.letSnapshotGo();
    // Written meanwhile: a row before where the list stopped and one after
    // (both show only in a new list), a row gone, and the row the window
    // shows already changed.
    Db().execute("insert into LT values ('k005a', 'x', 1), ('k010a', 'x', 1)");
    Db().execute("delete from LT where F1 = 'k011'");
    Db().execute("update LT set F2 = 'y' where F1 = 'k299'");
    while (!list.atEnd()) {
        list.read(50, [&](const RowView& row) {
            shown << row.string(0);
            return true;
        });
    }
    EXPECT_EQ(shown.size(), 300 + 1 - 1 - 1);
    EXPECT_EQ(shown.count("k010a"), 1);
    EXPECT_EQ(shown.count("k005a"), 0);
    EXPECT_EQ(shown.count("k011"), 0);
    EXPECT_EQ(shown.count("k299"), 0);
    EXPECT_EQ(shown.removeDuplicates(), 0);
}

TEST_F(ListReaderTest, AListThatLetItsSnapshotGoReadsItsRestBeforeTheFileIsMadeOneFile)
{
    ListReader list(Db(), "select F1 from LT order by F1", "LT", "F1");
    list.begin();
    list.moveToOwnSnapshot();
    QStringList shown;
    const auto readOn = [&](qint64 most) {
        list.read(most, [&](const RowView& row) {
            shown << row.string(0);
            return true;
        });
    };
    readOn(10);
    list.letSnapshotGo();
    list.setReadRest([&] { readOn(std::numeric_limits<qint64>::max()); });
    Db().singleFile();
    EXPECT_TRUE(list.atEnd());
    EXPECT_EQ(shown.size(), 300);
    EXPECT_EQ(shown.removeDuplicates(), 0);
    Db().useWriteAheadJournal();
}

} // namespace
