// How a list window fills its grid from its list statement: every kind of
// value shows as a record set shows it, the counter and the current row follow,
// and a statement the engine refuses (at once or part way) leaves the list.
#include "app_windows.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/read_connections.h"
#include "data/schema.h"
#include "data/program_sql.h"
#include "dialogs/listframe.h"
#include "dialogs/lookups.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/flexstore.h"
#include "platform/window_registry.h"
#include "support/window_test.h"

namespace {

const QString kListSql = QStringLiteral("select F1,F2,F3,F4,F5 from FT order by F1");

// A list of the frame over a table of texts, numbers and dates; its sixth
// column lies past the statement's five.
class KindsList : public ListFrame {
public:
    KindsList()
        : ListFrame("KindsList")
    {
        setTable("FT");
        setListSql(kListSql);
        addField({.header = "编号", .label = "编号", .column = "F1"});
        addField({.header = "金额", .label = "金额", .column = "F2", .kind = FieldKind::Number});
        addField({.header = "件数", .label = "件数", .column = "F3", .kind = FieldKind::Number});
        addField({.header = "日期", .label = "日期", .column = "F4", .kind = FieldKind::Date});
        addField({.header = "名称", .label = "名称", .column = "F5"});
        addField({.header = "空列", .label = "空列"});
    }
    bool emptiesOnRefusal = false;

protected:
    void listRefused(const DbError& e) override
    {
        ListFrame::listRefused(e);
        if (!emptiesOnRefusal)
            return;
        SetupGrid();
        RecCount = 0;
        ShowPosition();
    }
};

// A list that shows its fifth column as "code.name" from names held in the
// window, and fails on a code it does not know.
class NamingList : public KindsList {
protected:
    void addCell(FlexTextStore& store, const RowView& row, int col) const override
    {
        if (col != 4) {
            KindsList::addCell(store, row, col);
            return;
        }
        const QString code = row.string(col);
        if (code == QLatin1String("X"))
            throw DbError("no such code");
        store.addCell(QStringView(code + "." + (code == QLatin1String("C1") ? "客户一" : "客户二")));
    }
};

// A list that reads its whole list from a view of its own, and refuses a
// statement that names "bad".
class ViewingList : public KindsList {
protected:
    QString fillStatement(const QString& sql) override
    {
        if (sql.contains("bad"))
            throw DbError("statement not allowed");
        return sql == kListSql ? QStringLiteral("select F1,F2,F3,F4,'经视图' from FT order by F1") : sql;
    }
};

class ListFillTest : public WindowTest {
protected:
    ListFillTest() { strictResponders = true; }
    void SetUp() override
    {
        WindowTest::SetUp();
        Db().executeNative("create table FT (F1 TEXT, F2 REAL, F3 INTEGER, F4 DATETIME, F5 TEXT)");
    }

    static QList<QStringList> gridTexts(FlexGrid* g)
    {
        QList<QStringList> out;
        for (int r = 0; r < g->rows(); ++r)
            out << g->rowTexts(r);
        return out;
    }
    // The rows of a statement as its record set shows them, `cols` cells a row.
    static QList<QStringList> snapshotTexts(const QString& sql, int cols)
    {
        QList<QStringList> out;
        RecordSet rs = Db().openRecordset(sql);
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList row;
            for (int c = 0; c < cols; ++c)
                row << (c < rs.fieldCount() ? rs.at(r, c).toString() : QString());
            out << row;
        }
        return out;
    }
};

TEST_F(ListFillTest, EveryKindOfValueShowsAsTheRecordSetShowsIt)
{
    struct Case {
        const char* values; // F1..F5 as SQL
        QStringList shown;  // the six cells
    };
    const Case cases[] = {
        {"'001', 3.0, 42, '2024-05-03', '客户一'", {"001", "3", "42", "2024-05-03", "客户一", ""}},
        {"'002', 0.1 + 0.2, -7, '2024-05-03 08:30:00', 'O''Neil \"引号\"'",
         {"002", "0.3", "-7", "2024-05-03 08:30:00", "O'Neil \"引号\"", ""}},
        {"'003', Null, Null, Null, ''", {"003", "", "", "", "", ""}},
        {"'004', 1234567.891, 9007199254740993, '2023-12-31', '  两端有空格  '",
         {"004", "1234567.891", "9007199254740993", "2023-12-31", "  两端有空格  ", ""}},
        {"'005', 1e20, 0, '', 'A.名称'", {"005", "1E+20", "0", "", "A.名称", ""}},
        {"'006', -3.0, -9223372036854775808, '2024-02-29', '𠀀扩展'",
         {"006", "-3", "-9223372036854775808", "2024-02-29", "𠀀扩展", ""}},
        {"'007', 999999999999999.0, 1, '2024-01-01', '7'", {"007", "999999999999999", "1", "2024-01-01", "7", ""}},
        {"'008', 1e15, 2, '2024-01-01', -0.5", {"008", "1E+15", "2", "2024-01-01", "-0.5", ""}},
        {"'009', -0.0, 3, '2024-01-01', 3.0", {"009", "0", "3", "2024-01-01", "3.0", ""}},
        {"'010', -0.000012345, 4, '2024-01-01', '0012'", {"010", "-0.000012345", "4", "2024-01-01", "0012", ""}},
    };
    for (const Case& c : cases)
        Db().executeNative(QStringLiteral("insert into FT values (%1)").arg(QString::fromUtf8(c.values)));

    KindsList* w = open<KindsList>();
    const QList<QStringList> shown = gridTexts(grid(w));
    ASSERT_EQ(shown.size(), int(std::size(cases)) + 1);
    EXPECT_EQ(shown[0], QStringList({"编号", "金额", "件数", "日期", "名称", "空列"}));
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(shown[i + 1], cases[i].shown) << "row " << i + 1;
    EXPECT_EQ(shown.mid(1), snapshotTexts(kListSql, 6));
}

TEST_F(ListFillTest, TheCountAndTheCurrentRowFollowEachFill)
{
    for (int i = 1; i <= 5; ++i)
        Db().executeNative(QStringLiteral("insert into FT values ('%1', %1, %1, '2024-01-0%1', '名%1')").arg(i));
    KindsList* w = open<KindsList>();
    EXPECT_EQ(w->recCount(), 5);
    EXPECT_EQ(w->curRow(), 1);
    EXPECT_EQ(grid(w)->row(), 1);
    EXPECT_EQ(host.panels.value(4), "共 5 条记录 当前为第 1 条");

    grid(w)->setRow(4);
    EXPECT_EQ(w->curRow(), 4);
    w->FillGrid("select F1,F2,F3,F4,F5 from FT where F3 > 2 order by F1 desc");
    EXPECT_EQ(w->recCount(), 3);
    EXPECT_EQ(w->curRow(), 1);
    EXPECT_EQ(grid(w)->row(), 1);
    EXPECT_EQ(grid(w)->rows(), 4);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "5");
    EXPECT_EQ(host.panels.value(4), "共 3 条记录 当前为第 1 条");

    // Nothing found: one empty row under the headers, nothing counted, the
    // counter left as the last fill wrote it.
    w->FillGrid("select F1,F2,F3,F4,F5 from FT where F3 > 99");
    EXPECT_EQ(w->recCount(), 0);
    EXPECT_EQ(w->curRow(), 1);
    ASSERT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(grid(w)->rowTexts(0), QStringList({"编号", "金额", "件数", "日期", "名称", "空列"}));
    EXPECT_EQ(grid(w)->rowTexts(1), QStringList(6));
    EXPECT_EQ(host.panels.value(4), "共 3 条记录 当前为第 1 条");
}

TEST_F(ListFillTest, ARefusedStatementLeavesTheListAsItWas)
{
    for (int i = 1; i <= 5; ++i)
        Db().executeNative(QStringLiteral("insert into FT values ('%1', %1, %1, Null, '名%1')").arg(i));
    struct Case {
        const char* what;
        QString sql;
        const char* engineSays;
    };
    const Case cases[] = {
        {"refused before any row", "select F1 from NoSuchTable", "NoSuchTable"},
        // abs() of the smallest integer fails on the third row, after two were read.
        {"refused part way", "select F1, abs(case when F3 = 3 then -9223372036854775807 - 1 else F3 end) from FT order by F1",
         "integer overflow"},
    };
    KindsList* w = open<KindsList>();
    grid(w)->setRow(2);
    const QList<QStringList> before = gridTexts(grid(w));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        msgs->expect(QStringLiteral("查询执行错误!系统返回如下信息："));
        w->FillGrid(c.sql);
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_TRUE(msgs->last().text.contains(c.engineSays)) << msgs->last().text.toStdString();
        msgs->clear();
        EXPECT_EQ(gridTexts(grid(w)), before);
        EXPECT_EQ(w->recCount(), 5);
        EXPECT_EQ(w->curRow(), 2);
    }

    // A window that empties its list on a refusal does so.
    w->emptiesOnRefusal = true;
    msgs->expect(QStringLiteral("查询执行错误!系统返回如下信息："));
    w->FillGrid(cases[1].sql);
    EXPECT_EQ(w->recCount(), 0);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "");
}

TEST_F(ListFillTest, AWindowsOwnCellTextsFillItsCellsAndTheirFailureKeepsTheList)
{
    Db().executeNative("insert into FT values ('1', 1.5, 1, '2024-01-01', 'C1'), ('2', 2, 2, Null, 'C2')");
    NamingList* w = open<NamingList>();
    EXPECT_EQ(grid(w)->rowTexts(1), QStringList({"1", "1.5", "1", "2024-01-01", "C1.客户一", ""}));
    EXPECT_EQ(grid(w)->rowTexts(2), QStringList({"2", "2", "2", "", "C2.客户二", ""}));

    // The failure is the caller's (a command shows it); the list stays.
    const QList<QStringList> before = gridTexts(grid(w));
    Db().executeNative("insert into FT values ('3', 3, 3, Null, 'X')");
    EXPECT_THROW(w->FillGrid(kListSql), DbError);
    EXPECT_EQ(gridTexts(grid(w)), before);
    EXPECT_EQ(w->recCount(), 2);
}

TEST_F(ListFillTest, AWindowMayReadItsListThroughAStatementOfItsOwn)
{
    Db().executeNative("insert into FT values ('1', 1, 1, Null, 'C1')");
    ViewingList* w = open<ViewingList>();
    EXPECT_EQ(grid(w)->textMatrix(1, 4), "经视图");
    w->FillGrid("select F1,F2,F3,F4,F5 from FT where F1 = '1'");
    EXPECT_EQ(grid(w)->textMatrix(1, 4), "C1");
    msgs->expect("statement not allowed");
    w->FillGrid("select bad from FT");
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(grid(w)->textMatrix(1, 4), "C1");
}

TEST_F(ListFillTest, OperatorsAndReferenceListsShowTheirRowsAsRead)
{
    RegisterAppWindows();
    Db().execute("insert into TE1 (F1,F2,F3) values ('Z1','张三','AB''C')");
    Db().execute("insert into TE1 (F1,F2,F3) values ('Z2','','')");
    Db().executeNative("insert into TE1 (F1,F2,F3) values ('Z3',3.0,Null)");
    Db().execute("insert into M04 (F1,F2) values ('王五','备注 \"一\"')");
    Db().execute("insert into M04 (F1,F2) values ('李四','')");
    Db().executeNative("insert into M04 (F1,F2) values ('赵六',Null)");
    Db().executeNative("insert into M04 (F1,F2) values ('12',12.5)");
    struct Case {
        const char* name;
        QString sql;
        QList<QStringList> shown; // some rows, by key
    };
    const Case cases[] = {
        {"S02", "select * from TE1 order by F1", {{"Z1", "张三", "AB'C"}, {"Z2", "", ""}, {"Z3", "3.0", ""}}},
        {"A04", "select * from M04 order by F1", {{"12", "12.5"}, {"李四", ""}, {"王五", "备注 \"一\""}, {"赵六", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildWindow* w = WindowRegistry::openChild(c.name);
        ASSERT_NE(w, nullptr);
        FlexGrid* g = grid(w);
        const QList<QStringList> shown = gridTexts(g);
        EXPECT_EQ(shown.mid(1), snapshotTexts(c.sql, g->cols()));
        for (const QStringList& row : c.shown) {
            bool found = false;
            for (const QStringList& s : shown)
                found = found || s == row;
            EXPECT_TRUE(found) << row.join('|').toStdString();
        }
        w->close();
        Pump();
    }
}

// A list longer than the first rows a fill reads: counted and shown at once,
// the rest taken from the open statement as it is needed.
class LongListTest : public ListFillTest {
protected:
    static constexpr int kRows = 3 * ListFrame::kFirstListRows + 7;
    void SetUp() override
    {
        ListFillTest::SetUp();
        // In key order without a sort, so a statement's rows come as they are stepped.
        Db().executeNative("create index ix_FT_F1 on FT (F1)");
        Db().executeNative(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                           "insert into FT select printf('%05d', i), i * 1.5, i, Null, '名' || i from n")
                .arg(kRows));
    }
    static QString key(int i) { return QStringLiteral("%1").arg(i, 5, 10, QChar('0')); }
};

TEST_F(LongListTest, TheCountIsRightAtOnceAndEveryRowIsReachable)
{
    KindsList* w = open<KindsList>();
    FlexGrid* g = grid(w);
    EXPECT_EQ(w->recCount(), kRows);
    EXPECT_EQ(g->rows(), kRows + 1);
    EXPECT_EQ(host.panels.value(4), QStringLiteral("共 %1 条记录 当前为第 1 条").arg(kRows));
    EXPECT_LT(g->takenRows(), g->rows());

    g->setRow(kRows); // End
    EXPECT_EQ(w->curRow(), kRows);
    EXPECT_EQ(g->textMatrix(kRows, 0), key(kRows));
    EXPECT_EQ(g->takenRows(), g->rows());
    EXPECT_EQ(gridTexts(g).mid(1), snapshotTexts(kListSql, 6));
    EXPECT_EQ(host.panels.value(4), QStringLiteral("共 %1 条记录 当前为第 %1 条").arg(kRows));
}

TEST_F(LongListTest, ExportAndASearchOverTheGridReachRowsBeyondTheFirst)
{
    KindsList* w = open<KindsList>();
    FlexGrid* g = grid(w);
    // A look through the grid's cells, as a find does.
    int found = -1;
    for (int r = 1; r < g->rows() && found < 0; ++r)
        found = g->textUtf8(r, 4) == "名1400" ? r : -1;
    EXPECT_EQ(found, 1400);

    w->FillGrid(kListSql);
    auto staging = Database::open(gAppPath + "excel.dat", QString(), ProgramSql());
    StageGrid(*staging, *g);
    EXPECT_EQ(staging->openRecordset("select count(*) from mysheet").at(0, 0).toInt(), kRows + 1);
    EXPECT_EQ(staging->openRecordset("select F1 from mysheet order by rowid desc").at(0, 0).toString(), key(kRows));

    // A search whose rows are more than the first few, counted at once too.
    w->FillGrid("select F1,F2,F3,F4,F5 from FT where F3 > 100 order by F1 desc");
    EXPECT_EQ(w->recCount(), kRows - 100);
    EXPECT_EQ(g->textMatrix(kRows - 100, 0), key(101));
}

TEST_F(LongListTest, AFailurePartWayIsShownAndTheRowsTakenStay)
{
    // abs() of the smallest integer fails on row 1200, long after the list was shown.
    const QString sql =
        "select F1,F2,F3,F4,abs(case when F3 = 1200 then -9223372036854775807 - 1 else F3 end) from FT order by F1";
    KindsList* w = open<KindsList>();
    w->FillGrid(sql);
    FlexGrid* g = grid(w);
    EXPECT_EQ(w->recCount(), kRows);
    msgs->expect(QStringLiteral("查询执行错误!系统返回如下信息："));
    EXPECT_EQ(g->textMatrix(kRows, 0), "");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("integer overflow")) << msgs->last().text.toStdString();
    EXPECT_EQ(w->recCount(), 1199);
    EXPECT_EQ(g->rows(), 1200);
    EXPECT_EQ(gridTexts(g).mid(1), snapshotTexts("select F1,F2,F3,F4,F3 from FT where F3 < 1200 order by F1", 6));
    EXPECT_EQ(host.panels.value(4), "共 1199 条记录 当前为第 1 条");
}

// A list of the frame whose key is refused when another record holds it.
class KeyedList : public KindsList {
public:
    KeyedList() { setDuplicateMessage("编号已经存在!"); }
};

// Lists longer than their first rows read the file as it was when they
// began, on connections of their own: writes never wait for them, and
// look-ups and new fills see the file as it is now.
class SnapshotListTest : public LongListTest {
protected:
    static ReadConnections& pool() { return Db().readConnections(); }
    // Adds a record through the window's own commands.
    void addRecord(ListFrame* w, const QString& key, const QString& name)
    {
        trigger(w, "Menu_Add");
        type(box(w, 0), key);
        type(box(w, 4), name);
        trigger(w, "Menu_save");
    }
};

// A list that notes whether the busy pointer is up as its cells are read.
class WatchedList : public KeyedList {
public:
    mutable int cells = 0;
    mutable int busyCells = 0;

protected:
    void addCell(FlexTextStore& store, const RowView& row, int col) const override
    {
        ++cells;
        busyCells += BusyPointer() ? 1 : 0;
        KeyedList::addCell(store, row, col);
    }
};

TEST_F(SnapshotListTest, TheBusyPointerIsUpWhileAListFillsAndWhileItsWindowWrites)
{
    WatchedList* w = open<WatchedList>();
    EXPECT_GT(w->cells, 0);
    EXPECT_EQ(w->busyCells, w->cells);
    w->cells = w->busyCells = 0;
    w->FillGrid("select F1,F2,F3,F4,F5 from FT where F3 > 10 order by F1");
    EXPECT_GT(w->cells, 0);
    EXPECT_EQ(w->busyCells, w->cells);
    // A screen of further rows comes without it.
    w->cells = w->busyCells = 0;
    grid(w)->setRow(ListFrame::kFirstListRows + 20);
    EXPECT_GT(w->cells, 0);
    EXPECT_EQ(w->busyCells, 0);
    {
        WriteWatch watch;
        addRecord(w, "88888", "新");
        grid(w)->setRow(2);
        msgs->expect("真的要删除00012吗?", vbBtn::Yes);
        trigger(w, "Menu_del");
        EXPECT_GT(watch.rows, 1);
        EXPECT_EQ(watch.busyRows, watch.rows);
    }
    EXPECT_FALSE(BusyPointer());
    EXPECT_EQ(count("select count(*) from FT where F1 in ('88888', '00012')"), 1);
}

TEST_F(SnapshotListTest, AWriteWhileTheListIsPartlyTakenLeavesItsRestWhereItIs)
{
    KindsList* w = open<KindsList>();
    FlexGrid* g = grid(w);
    const int taken = g->takenRows();
    ASSERT_LT(taken, g->rows());
    EXPECT_EQ(pool().lentCount(), 1);
    {
        Transaction tx(Db());
        Db().execute("insert into FT values ('99999', 1, 1, Null, '后来的')");
        Db().execute("delete from FT where F1 = '" + key(kRows) + "'");
        tx.commit();
    }
    EXPECT_EQ(g->takenRows(), taken);
    // The rest comes as the file was when the list began.
    EXPECT_EQ(g->textMatrix(kRows, 0), key(kRows));
    EXPECT_EQ(g->rows(), kRows + 1);
    EXPECT_EQ(w->recCount(), kRows);
    // Read to its end, the list gives its connection back.
    EXPECT_EQ(pool().lentCount(), 0);
    // A new fill reads the file as it is now.
    w->FillGrid(kListSql);
    EXPECT_EQ(w->recCount(), kRows);
    EXPECT_EQ(g->textMatrix(kRows, 0), "99999");
    EXPECT_EQ(pool().openCount(), 1);
}

TEST_F(SnapshotListTest, ItsWindowSavesEditsAndDeletesWithoutTakingTheRest)
{
    struct Case {
        const char* what;
        int rowsAfter;   // records in the list
        QString lastKey; // the list's last row afterwards
        QString inFile;  // FT's rows with F5 = '改过'
    };
    const Case cases[] = {
        {"add", kRows + 1, "88888", "88888"},
        {"edit", kRows, "00003", "00003"},
        {"delete", kRows - 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KeyedList* w = open<KeyedList>();
        FlexGrid* g = grid(w);
        g->setRow(3);
        const int taken = g->takenRows();
        const QString what = c.what;
        if (what == "add") {
            addRecord(w, "88888", "改过");
        } else if (what == "edit") {
            trigger(w, "Menu_edit");
            clearBox(box(w, 4));
            type(box(w, 4), "改过");
            trigger(w, "Menu_save");
        } else {
            msgs->expect("真的要删除00003吗?", vbBtn::Yes);
            trigger(w, "Menu_del");
        }
        EXPECT_EQ(w->editMode(), ListFrame::Browse);
        EXPECT_EQ(w->recCount(), c.rowsAfter);
        EXPECT_EQ(g->rows(), c.rowsAfter + 1);
        EXPECT_EQ(g->takenRows(), what == "add" ? taken : taken - 1);
        EXPECT_EQ(pool().lentCount(), 1);
        if (!c.lastKey.isEmpty()) {
            // The saved record, at the end of the list, is the current one.
            EXPECT_EQ(w->curRow(), c.rowsAfter);
            EXPECT_EQ(g->textMatrix(c.rowsAfter, 0), c.lastKey);
            EXPECT_EQ(g->textMatrix(c.rowsAfter, 4), "改过");
            EXPECT_EQ(host.panels.value(4), QStringLiteral("共 %1 条记录 当前为第 %1 条").arg(c.rowsAfter));
        }
        EXPECT_EQ(GetStr("select F1 from FT where F5 = '改过'"), c.inFile);
        EXPECT_EQ(count("select count(*) from FT where F1 = '00003'"), what == "delete" ? 0 : 1);
        // The rest follows the rows the window changed, as it read them.
        EXPECT_EQ(g->textMatrix(c.rowsAfter - (c.lastKey.isEmpty() ? 0 : 1), 0), key(kRows));
        EXPECT_EQ(g->textMatrix(3, 0), what == "add" ? key(3) : key(4));
        w->close();
        Pump();
        Db().execute("delete from FT where F1 = '88888'");
        Db().execute("update FT set F5 = '名3' where F1 = '00003'");
        if (what == "delete")
            Db().execute("insert into FT values ('00003', 4.5, 3, Null, '名3')");
    }
}

TEST_F(SnapshotListTest, TwoListsPartlyReadKeepTheirOwnConnectionsAndOneIsFilledAnew)
{
    KindsList* first = open<KindsList>();
    KindsList* second = open<KindsList>();
    EXPECT_EQ(pool().lentCount(), 2);
    Db().execute("insert into FT values ('00000', 0, 0, Null, '最前')");
    first->FillGrid(kListSql);
    EXPECT_EQ(pool().lentCount(), 2);
    EXPECT_EQ(pool().openCount(), 2);
    EXPECT_EQ(first->recCount(), kRows + 1);
    EXPECT_EQ(grid(first)->textMatrix(1, 0), "00000");
    // The second still reads the file as it was when it began.
    EXPECT_EQ(second->recCount(), kRows);
    grid(second)->takeAllRows();
    EXPECT_EQ(gridTexts(grid(second)).mid(1),
              snapshotTexts("select F1,F2,F3,F4,F5 from FT where F1 <> '00000' order by F1", 6));
    EXPECT_EQ(pool().lentCount(), 1);
    // A list that ends within its first rows holds none.
    first->FillGrid("select F1,F2,F3,F4,F5 from FT where F3 < 10 order by F1");
    EXPECT_EQ(pool().lentCount(), 0);
    EXPECT_EQ(pool().openCount(), 2);
}

TEST_F(SnapshotListTest, AnotherListsWindowWritesAndASearchReadsTheNewState)
{
    KeyedList* reading = open<KeyedList>();
    KeyedList* writing = open<KeyedList>();
    addRecord(writing, "99998", "另一窗口");
    writing->grid()->setRow(1);
    msgs->expect("真的要删除00001吗?", vbBtn::Yes);
    trigger(writing, "Menu_del");
    EXPECT_EQ(count("select count(*) from FT where F1 in ('99998', '00001')"), 1);
    FlexGrid* g = grid(reading);
    EXPECT_EQ(g->textMatrix(1, 0), key(1));
    EXPECT_EQ(g->textMatrix(kRows, 0), key(kRows));
    EXPECT_EQ(g->rows(), kRows + 1);
    reading->FillGrid("select F1,F2,F3,F4,F5 from FT where F1 > '00000' order by F1 desc");
    EXPECT_EQ(reading->recCount(), kRows);
    EXPECT_EQ(g->textMatrix(1, 0), "99998");
    EXPECT_EQ(g->textMatrix(kRows, 0), key(2));
}

TEST_F(SnapshotListTest, TheKeyLookUpBeforeASaveSeesTheFileAsItIsNow)
{
    struct Case {
        const char* what;
        bool anotherCopy; // written by another copy of the program, else by another window
    };
    const Case cases[] = {{"another copy", true}, {"another window", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KeyedList* w = open<KeyedList>();
        ASSERT_LT(grid(w)->takenRows(), grid(w)->rows());
        if (c.anotherCopy) {
            auto other = Database::open(Db().path(), DataFileKey(), ProgramSql());
            other->execute("insert into FT values ('77777', 1, 1, Null, '另一个')");
        } else {
            addRecord(open<KeyedList>(), "77777", "另一个");
        }
        msgs->expect("编号已经存在!");
        addRecord(w, "77777", "重复");
        EXPECT_EQ(w->editMode(), ListFrame::Adding);
        EXPECT_EQ(count("select count(*) from FT where F1 = '77777'"), 1);
        EXPECT_EQ(GetStr("select F5 from FT where F1 = '77777'"), "另一个");
        trigger(w, "Menu_cancel");
        Db().execute("delete from FT where F1 = '77777'");
    }
}

TEST_F(SnapshotListTest, AListTheEngineCannotCountAtOnceShowsItsRowsAndTheCountComesWhenRead)
{
    KindsList* w = open<KindsList>();
    FlexGrid* g = grid(w);
    w->FillGrid("select distinct F1,F2,F3,F4,F5 from FT order by F1");
    EXPECT_TRUE(g->uncounted());
    EXPECT_EQ(w->recCount(), ListFrame::kFirstListRows);
    EXPECT_EQ(host.panels.value(4), QStringLiteral("共 %1+ 条记录 当前为第 1 条").arg(ListFrame::kFirstListRows));
    g->setFocus();
    pressKey(g, Qt::Key_End, Qt::ControlModifier);
    EXPECT_FALSE(g->uncounted());
    EXPECT_EQ(w->recCount(), kRows);
    EXPECT_EQ(w->curRow(), kRows);
    EXPECT_EQ(host.panels.value(4), QStringLiteral("共 %1 条记录 当前为第 %1 条").arg(kRows));
    EXPECT_EQ(gridTexts(g).mid(1), snapshotTexts(kListSql, 6));
    EXPECT_EQ(pool().lentCount(), 0);
}

TEST_F(SnapshotListTest, AFillReadsItsFirstRowsOnceAndARefusedOneLeavesTheRestToCome)
{
    // With no connection kept (a new window), while its own list holds the
    // only one (a refill), and for a search: each row read once, and no
    // further connection opened.
    WatchedList* w = open<WatchedList>();
    const int cols = grid(w)->cols();
    struct Case {
        const char* what;
        QString sql;
    };
    const Case cases[] = {
        {"a new window", QString()},
        {"a refill", kListSql},
        {"a search", "select F1,F2,F3,F4,F5 from FT where F3 > 10 order by F1 desc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.sql.isEmpty()) {
            w->cells = 0;
            w->FillGrid(c.sql);
        }
        EXPECT_EQ(w->cells, ListFrame::kFirstListRows * cols);
        EXPECT_EQ(pool().openCount(), 1);
        EXPECT_EQ(pool().lentCount(), 1);
    }
    // A statement refused part way leaves the list shown, its rest to come.
    w->FillGrid(kListSql);
    msgs->expect(QStringLiteral("查询执行错误!系统返回如下信息："));
    w->FillGrid("select F1, abs(case when F3 = 300 then -9223372036854775807 - 1 else F3 end) from FT order by F1");
    EXPECT_EQ(msgs->count(), 1);
    FlexGrid* g = grid(w);
    EXPECT_EQ(w->recCount(), kRows);
    EXPECT_EQ(g->textMatrix(kRows, 0), key(kRows));
    EXPECT_EQ(gridTexts(g).mid(1), snapshotTexts(kListSql, 6));
}

} // namespace
