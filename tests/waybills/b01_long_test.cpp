// The register over more waybills than it reads before it is shown: the rest
// of the list comes from a snapshot of its own, so its window's saves,
// deletes and ships neither wait for it nor read it, and the look-ups before
// a save see the file as it is now, whoever wrote it.
#include "waybill_fixture.h"

#include "data/database.h"
#include "data/program_sql.h"
#include "data/globals.h"
#include "data/read_connections.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

constexpr int kLong = 2 * ListFrame::kFirstListRows + 3;

class LongRegisterTest : public WaybillTest {
protected:
    void SetUp() override
    {
        WaybillTest::SetUp();
        Db().executeNative(
            QStringLiteral("with recursive k(i) as (select 1 union all select i + 1 from k where i < %1) "
                           "insert into B01 (F1,F101,F201,F202,F203,F2031,F301,F501,F502,F504,F602,F603,F604) "
                           "select printf('L%05d', i), '2024-03-01', '深圳', 'E1', 'A', '东京', 'D', '月结', 15, 15, "
                           "'张三', 'C01', '未出货' from k")
                .arg(kLong));
    }
    static QString counter(int rows, int current)
    {
        return QStringLiteral("速递单：共 %1 条记录 当前为第 %2 条").arg(rows).arg(current);
    }
};

TEST_F(LongRegisterTest, ItsWindowSavesEditsDeletesAndShipsWithoutReadingTheRest)
{
    enum Action { Add, Edit, Delete, Ship };
    struct Case {
        const char* what;
        Action action;
        int row;   // the current row when the command runs
        int added; // waybills in the list afterwards, more than before
    };
    const Case cases[] = {
        {"add", Add, 3, 1},
        {"edit", Edit, 5, 0},
        {"delete", Delete, 7, -1},
        {"ship", Ship, 9, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        B01* w = openWindow();
        FlexGrid* g = grid(w);
        g->setRow(c.row);
        const int taken = g->takenRows();
        ASSERT_LT(taken, g->rows());
        const QString current = g->textMatrix(c.row, 0);
        const QString next = g->textMatrix(c.row + 1, 0);
        RecordSet listed =
            Db().openRecordset("select F1,F101,F2031,F301,F401,F501,F202,F603,F602,F604,F103 from B01 ORDER BY F101");
        listed.moveLast();
        const QString lastListed = listed.field(0).toString();
        const int rowsAfter = w->recCount() + c.added;
        switch (c.action) {
        case Add: add(w, Entry{}); break;
        case Edit:
            trigger(w, "Menu_edit");
            trigger(w, "Menu_save");
            break;
        case Delete:
            msgs->expect("真的要删除单号为:" + current + "的单据吗？", vbBtn::Yes);
            trigger(w, "Menu_del");
            break;
        case Ship: trigger(w, "Menu_Check"); break;
        }
        EXPECT_EQ(w->editMode(), 0);
        EXPECT_EQ(g->takenRows(), c.action == Add ? taken : taken - 1);
        EXPECT_EQ(g->rows(), rowsAfter + 1);
        EXPECT_EQ(Db().readConnections().lentCount(), 1);
        switch (c.action) {
        case Add:
        case Edit: {
            // The saved waybill, after the rows still unread, is the current one.
            const QString saved = c.action == Add ? QStringLiteral("W001") : current;
            EXPECT_EQ(g->textMatrix(rowsAfter, 0), saved);
            EXPECT_EQ(w->curRow(), rowsAfter);
            EXPECT_EQ(host.panels[4], counter(rowsAfter, rowsAfter));
            EXPECT_EQ(count("select count(*) from B01 where F1=" + SqlQuote(saved)), 1);
            break;
        }
        case Delete:
            EXPECT_EQ(count("select count(*) from B01 where F1=" + SqlQuote(current)), 0);
            EXPECT_EQ(host.panels[4], counter(rowsAfter, c.row));
            break;
        case Ship:
            EXPECT_EQ(count("select count(*) from B01 where F604='管理员' and F1=" + SqlQuote(current)), 1);
            EXPECT_EQ(host.panels[4], counter(rowsAfter, c.row - 1));
            break;
        }
        if (c.action != Add) {
            EXPECT_EQ(g->textMatrix(c.row, 0), next);
        }
        // The rest of the list, as it was when it began, follows.
        EXPECT_EQ(g->textMatrix(c.action == Add || c.action == Edit ? rowsAfter - 1 : rowsAfter, 0), lastListed);
        EXPECT_EQ(Db().readConnections().lentCount(), 0);
        w->close();
        Pump();
        Db().execute("delete from B01 where F1='W001'");
    }
}

TEST_F(LongRegisterTest, TheLookUpsBeforeASaveSeeWhatAnotherCopyOfTheProgramJustWrote)
{
    struct Case {
        const char* what;
        const char* written; // by the other copy, after the list began
        const char* box;     // the save's refusal
    };
    const Case cases[] = {
        {"the number saved there",
         "insert into B01 (F1,F101,F301,F501,F603,F604) values ('W001','2024-03-02','D','月结','C02','未出货')",
         "[W001]已经使用了W001这个速递单号，请重新设置!"},
        {"the customer deleted there", "delete from M03 where F1='C01'", "发件客户输入错误！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        B01* w = openWindow();
        ASSERT_LT(grid(w)->takenRows(), grid(w)->rows());
        auto other = Database::open(Db().path(), DataFileKey(), ProgramSql());
        other->execute(QString::fromUtf8(c.written));
        msgs->expect(QString::fromUtf8(c.box));
        add(w, Entry{});
        EXPECT_NE(w->editMode(), 0);
        EXPECT_EQ(count("select count(*) from TB1"), 0);
        trigger(w, "Menu_cancel");
        w->close();
        Pump();
    }
}

// A register whose searches take longer to count than a fill waits for:
// 20,000 waybills, every third one 乙公司's.
class UncountedRegisterTest : public WaybillTest {
protected:
    static constexpr int kWaybills = 20000;
    static constexpr int kYi = kWaybills / 3;
    void SetUp() override
    {
        WaybillTest::SetUp();
        Db().executeNative(
            QStringLiteral("with recursive k(i) as (select 1 union all select i + 1 from k where i < %1) "
                           "insert into B01 (F1,F101,F201,F202,F203,F2031,F301,F501,F502,F504,F602,F603,F604) "
                           "select printf('L%05d', i), date('2024-01-01', '+' || (i / 300) || ' days'), '深圳', 'E1', "
                           "'A', '东京', 'D', '月结', 15, 15, '张三', case when i % 3 = 0 then 'C02' else 'C01' end, "
                           "'未出货' from k")
                .arg(kWaybills));
    }
    void search(B01* w, int field, const QString& value)
    {
        modal->on("Query", [field, value](QDialog& d) {
            auto& q = static_cast<Query&>(d);
            QCoreApplication::processEvents(); // shown: its hint in the counter
            q.CmbF->setCurrentIndex(field);
            q.Txt->setText(value);
            q.addCondition();
            q.runQuery();
        });
        trigger(w, "Menu_query");
    }
    // The program idle until the list is counted (a few seconds at most).
    static void untilCounted(FlexGrid* g)
    {
        QElapsedTimer t;
        t.start();
        while (g->uncounted() && t.elapsed() < 20000)
            Pump();
    }
    static QString counter(const QString& rows, int current)
    {
        return QStringLiteral("速递单：共 %1 条记录 当前为第 %2 条").arg(rows).arg(current);
    }
};

TEST_F(UncountedRegisterTest, ASearchTooLongToCountAtOnceSaysSoAndIsCountedByItself)
{
    enum Action { None, Add, Delete };
    struct Case {
        const char* what;
        Action action;
        int found;   // waybills the list shows in the end
        int current; // its current row then
    };
    const Case cases[] = {
        {"left alone", None, kYi, 1},
        {"a waybill of that customer saved meanwhile", Add, kYi + 1, kYi + 1},
        {"one deleted meanwhile", Delete, kYi - 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        B01* w = openWindow();
        FlexGrid* g = grid(w);
        search(w, 5, "乙公司");
        EXPECT_TRUE(g->uncounted());
        EXPECT_EQ(host.panels[4], counter(QStringLiteral("%1+").arg(ListFrame::kFirstListRows), 1));
        switch (c.action) {
        case None: break;
        case Add: {
            Entry e;
            e.customer = "C02";
            e.total = "30";
            e.cost = "20";
            add(w, e);
            EXPECT_EQ(host.panels[4],
                      counter(QStringLiteral("%1+").arg(ListFrame::kFirstListRows + 1), ListFrame::kFirstListRows + 1));
            break;
        }
        case Delete:
            g->setRow(2);
            msgs->expect("真的要删除单号为:" + g->textMatrix(2, 0) + "的单据吗？", vbBtn::Yes);
            trigger(w, "Menu_del");
            break;
        }
        untilCounted(g);
        // Counted with no row read beyond those shown.
        EXPECT_FALSE(g->uncounted());
        EXPECT_LT(g->takenRows(), ListFrame::kFirstListRows + 10);
        EXPECT_EQ(host.panels[4], counter(QString::number(c.found), c.current));
        EXPECT_EQ(w->recCount(), c.found);
        ASSERT_EQ(g->rows(), c.found + 1);
        // Every waybill of the customer once, the saved one last.
        QStringList shown;
        for (int r = 1; r < g->rows(); ++r)
            shown << g->textMatrix(r, 0);
        if (c.action == Add) {
            EXPECT_EQ(shown.last(), "W001");
        }
        QStringList inFile;
        Db().forEachRow("select F1 from B01 where F603='C02'", [&](const RowView& row) {
            inFile << row.string(0);
            return true;
        });
        shown.sort();
        inFile.sort();
        EXPECT_EQ(shown, inFile);
        w->close();
        Pump();
        Db().execute("delete from TB1");
        Db().execute("delete from B01 where F1='W001'");
    }
}

TEST_F(UncountedRegisterTest, ASearchThatFindsNothingSaysSo)
{
    B01* w = openWindow();
    search(w, 5, "C007");
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(host.panels[4], "速递单：无单据信息");
}

TEST_F(UncountedRegisterTest, AListHeldPartlyReadNeverKeepsTheJournalFromStartingAgain)
{
    // The register rewritten over and over while its list stays partly read:
    // once the journal passes the size at which it is moved into the file,
    // the list lets its snapshot go, the move takes all of it (when the
    // program is next idle, or at once after saves with no idle time
    // between), and the next write starts the journal again, cut back to its
    // size limit.
    struct Case {
        const char* what;
        bool idleBetween;
    };
    const Case cases[] = {{"idle after each save", true}, {"saves one after another", false}};
    const QString journal = Db().path() + "-wal";
    constexpr qint64 kLimit = 64 * 1024 * 1024;
    constexpr int kRewrites = 32;
    qint64 largestWrite = 0; // what one rewrite adds to a journal that grows
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        B01* w = openWindow();
        FlexGrid* g = grid(w);
        ASSERT_LT(g->takenRows(), g->rows());
        qint64 size = QFileInfo(journal).size(), largest = size;
        for (int i = 0; i < kRewrites; ++i) {
            Transaction tx(Db());
            Db().execute(QStringLiteral("update B01 set F103 = '第%1次', F2031 = '地点%1'").arg(i));
            tx.commit();
            const qint64 now = QFileInfo(journal).size();
            largestWrite = std::max(largestWrite, now - size);
            largest = std::max(largest, now);
            size = now;
            if (c.idleBetween)
                Pump();
        }
        EXPECT_GT(largestWrite * kRewrites,
                  2 * kLimit); // without the list letting go it would grow past twice the limit
        EXPECT_LE(largest, kLimit + largestWrite);
        EXPECT_EQ(Db().readConnections().lentCount(), 0);
        // The list goes on where it stopped, on the file as it is now: every
        // waybill once, in the list's order.
        QStringList shown;
        for (int r = 1; r < g->rows(); ++r)
            shown << g->textMatrix(r, 0) + '|' + g->textMatrix(r, 1);
        QStringList listed;
        Db().forEachRow("select F1, F101 from B01 order by F101, F1", [&](const RowView& row) {
            listed << row.string(0) + '|' + row.string(1);
            return true;
        });
        EXPECT_EQ(shown, listed);
        w->close();
        Pump();
    }
}

} // namespace
