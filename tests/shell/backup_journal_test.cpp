// Backup and restore with the data file's write-ahead journal: the backup is
// one whole file holding every committed write, and a restore leaves no
// journal of the old file beside the restored one.
#include "shell_fixture.h"

#include "data/globals.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "shell/backup.h"
#include "shell/s32.h"
#include "shell/startup.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList besideData(const QString& folder)
{
    return QDir(folder).entryList({"vembra.dat*"}, QDir::Files);
}

class BackupJournalTest : public FileCopyTest {};

TEST_F(BackupJournalTest, BackupHoldsWritesStillInTheJournalAndIsOneFile)
{
    Db().execute("insert into M04 (F1,F2) values ('j1','only in the journal')");
    ASSERT_GT(QFileInfo(gDbPath + "-wal").size(), 0);
    const QString target = folder->file("DataBak.dat");
    files.answer(target);
    msgs->expect("备份完成！请重新启动系统！");
    RunBackup(nullptr);
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(besideData(folder->path()), QStringList{"vembra.dat"});
    EXPECT_EQ(bytesOf(target), bytesOf(gDbPath));
    EXPECT_EQ(Database::openReadOnly(target, DataFileKey(), ProgramSql())
                  ->openRecordset("select F2 from M04 where F1='j1'")
                  .field(0)
                  .toString(),
              "only in the journal");
    // The copy needs nothing beside it: read where it lies, it stays as it is.
    EXPECT_EQ(QDir(folder->path()).entryList({"DataBak.dat*"}, QDir::Files), QStringList{"DataBak.dat"});
}

TEST_F(BackupJournalTest, RestoreLeavesNoJournalOfTheOldFileAndDoesNotTouchTheBackup)
{
    Db().execute("insert into M04 (F1,F2) values ('b1','in the backup')");
    Db().singleFile();
    const QString backup = folder->file("DataBak.dat");
    ASSERT_TRUE(QFile::copy(gDbPath, backup));
    Db().execute("delete from M04");

    // A journal left beside the data file by a program that died while writing.
    folder->closeDb();
    {
        QFile stale(gDbPath + "-wal");
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(8192, '\x5a'));
    }
    const QByteArray backupBytes = bytesOf(backup);
    S32 dlg;
    files.answer(backup);
    msgs->expect("数据恢复完成，请重新运行本系统！");
    dlg.restoreData();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(besideData(folder->path()), QStringList{"vembra.dat"});
    EXPECT_EQ(bytesOf(gDbPath), backupBytes);
    EXPECT_EQ(bytesOf(backup), backupBytes) << "checking the backup must not change it";
    folder->openDb();
    EXPECT_EQ(GetStr("select F2 from M04 where F1='b1'"), "in the backup");
    EXPECT_EQ(GetStr("PRAGMA integrity_check"), "ok");
}

TEST_F(BackupJournalTest, AFailedRestoreLeavesTheOldFilesJournalWhereItWas)
{
    const QString backup = folder->file("DataBak.dat");
    folder->closeDb();
    ASSERT_TRUE(QFile::copy(gDbPath, backup));
    // The data file's place holds a folder, so the copy fails after the old
    // journal was set aside.
    gDbPath = folder->file("taken.dat");
    ASSERT_TRUE(QDir(folder->path()).mkdir("taken.dat"));
    const QByteArray journal(8192, '\x5a');
    {
        QFile wal(gDbPath + "-wal");
        ASSERT_TRUE(wal.open(QIODevice::WriteOnly));
        wal.write(journal);
    }
    S32 dlg;
    files.answer(backup);
    msgs->expect("数据恢复失败，原数据文件未改变");
    dlg.restoreData();
    EXPECT_EQ(bytesOf(gDbPath + "-wal"), journal);
    EXPECT_FALSE(QFileInfo::exists(gDbPath + "-wal.old"));
}

} // namespace
