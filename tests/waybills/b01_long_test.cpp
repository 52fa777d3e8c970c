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
#include "platform/flexgrid.h"

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

} // namespace
