// Backup and restore while a long list is partly read from a connection of
// its own: the connection closes first, so the copy is one whole file with
// nothing beside it, and the list keeps the rows of the file as it was.
#include "data/database.h"
#include "data/program_sql.h"
#include "data/globals.h"
#include "data/read_connections.h"
#include "data/schema.h"
#include "dialogs/listframe.h"
#include "dialogs/lookups.h"
#include "platform/flexgrid.h"
#include "shell/backup.h"
#include "shell/s32.h"
#include "shell/startup.h"
#include "support/window_test.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int kStaff = 3 * ListFrame::kFirstListRows;

QByteArray BytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StaffList : public ListFrame {
public:
    StaffList()
        : ListFrame("StaffList")
    {
        setTable("M04");
        setListSql("select F1,F2 from M04 order by F1");
        addField({.header = "姓名", .label = "姓 名", .column = "F1"});
        addField({.header = "备注", .label = "备 注", .column = "F2"});
    }
};

class BackupListTest : public WindowTest {
protected:
    BackupListTest() { strictResponders = true; }
    void SetUp() override
    {
        WindowTest::SetUp();
        files.setStrict(true);
        ResetProgramEndRequest();
        Db().executeNative(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                           "insert into M04 (F1,F2) select printf('s%04d', i), '备注' || i from n")
                .arg(kStaff));
    }
    void TearDown() override
    {
        ResetProgramEndRequest();
        WindowTest::TearDown();
    }
    QStringList besideData() const { return QDir(folder->path()).entryList({"vembra.dat*"}, QDir::Files); }
    FileDialogRecorder files;
};

TEST_F(BackupListTest, ABackupClosesTheListsConnectionAfterTheListReadItsRest)
{
    StaffList* w = open<StaffList>();
    FlexGrid* g = grid(w);
    ASSERT_LT(g->takenRows(), g->rows());
    ASSERT_EQ(Db().readConnections().lentCount(), 1);
    Db().execute("insert into M04 (F1,F2) values ('zz','after the list began')");

    const QString target = folder->file("DataBak.dat");
    files.answer(target);
    msgs->expect("备份完成！请重新启动系统！");
    RunBackup(nullptr);
    EXPECT_TRUE(ProgramEndRequested());
    // Every row of the list as the file was when it began.
    EXPECT_EQ(g->takenRows(), g->rows());
    EXPECT_EQ(w->recCount(), kStaff);
    EXPECT_EQ(g->textMatrix(kStaff, 0), QStringLiteral("s%1").arg(kStaff, 4, 10, QChar('0')));
    EXPECT_EQ(besideData(), QStringList{"vembra.dat"});
    EXPECT_EQ(BytesOf(target), BytesOf(gDbPath));
    EXPECT_EQ(Database::openReadOnly(target, DataFileKey(), ProgramSql())->openRecordset("select count(*) from M04").at(0, 0).toInt(),
              kStaff + 1);
}

TEST_F(BackupListTest, ARestoreClosesTheListsConnectionBeforeTheFileIsReplaced)
{
    const QString backup = folder->file("DataBak.dat");
    Db().singleFile();
    ASSERT_TRUE(QFile::copy(gDbPath, backup));
    Db().useWriteAheadJournal();
    Db().execute("delete from M04 where F1 > 's0100'");
    Db().execute("insert into M04 (F1,F2) values ('a0',''), ('a1',''), ('a2','')");
    Db().executeNative(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                      "insert into M04 (F1,F2) select printf('t%04d', i), '' from n")
                           .arg(kStaff));

    StaffList* w = open<StaffList>();
    ASSERT_LT(grid(w)->takenRows(), grid(w)->rows());
    ASSERT_EQ(Db().readConnections().lentCount(), 1);
    const QByteArray backupBytes = BytesOf(backup);
    S32 dlg;
    files.answer(backup);
    msgs->expect("数据恢复完成，请重新运行本系统！");
    dlg.restoreData();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(besideData(), QStringList{"vembra.dat"});
    EXPECT_EQ(BytesOf(gDbPath), backupBytes);
    folder->openDb();
    EXPECT_EQ(GetStr("select count(*) from M04"), QString::number(kStaff));
    EXPECT_EQ(GetStr("PRAGMA integrity_check"), "ok");
}

} // namespace
