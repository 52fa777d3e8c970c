#include "shell_fixture.h"

#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "shell/file_copy.h"
#include "shell/s32.h"
#include "support/file_locks.h"
#include "support/old_datafiles.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class S32Test : public DataTest {
protected:
    S32Test() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        files.setStrict(true);
        ResetProgramEndRequest();
    }
    QString dataFile() const { return folder->file("vembra.dat"); }
    FileDialogRecorder files;
};

} // namespace

TEST_F(S32Test, GoodBackupIsRestoredByteForByte)
{
    // The backup holds an operator that the current data file does not.
    Db().execute("insert into TE1 (F1,F2,F3) values ('009','备份','x')");
    folder->closeDb();
    const QString backup = folder->file("DataBak.dat");
    ASSERT_TRUE(QFile::copy(dataFile(), backup));
    folder->openDb();
    Db().execute("delete from TE1 where F1='009'");

    S32 dlg;
    dlg.show();
    files.answer(backup);
    msgs->expect("数据恢复完成，请重新运行本系统！");
    dlg.findChild<QPushButton*>("Command1")->click();

    ASSERT_EQ(files.dialogs().size(), 1);
    EXPECT_FALSE(files.dialogs().first().save);
    EXPECT_EQ(files.dialogs().first().title, "恢复业务数据");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "数据恢复完成，请重新运行本系统！");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(readAll(dataFile()), readAll(backup));
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_FALSE(gDb);
    // No temporary file is left beside the data file.
    EXPECT_EQ(QDir(folder->path()).entryList({"vembra.dat*"}, QDir::Files), QStringList{"vembra.dat"});
    folder->openDb();
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='009'"), "备份");
}

TEST_F(S32Test, BadSourcesAreRefusedAndTheDataFileStaysAsItWas)
{
    const QString garbage = folder->file("garbage.dat");
    writeAll(garbage, QByteArray(4096, 'x'));
    const QString otherKey = folder->file("otherkey.dat");
    Database::create(otherKey, "not the key", ProgramSql())->executeNative("create table TE1 (F1 text)");
    const QString noOperators = folder->file("nooperators.dat");
    Database::create(noOperators, DataFileKey(), ProgramSql())->executeNative("create table M01 (F1 text)");

    const QByteArray before = readAll(dataFile());
    S32 dlg;
    dlg.show();
    const QString notOurs = "所选文件不是本系统的数据文件!";
    const QList<std::pair<QString, QString>> refusals = {
        {garbage, notOurs}, {otherKey, notOurs}, {noOperators, notOurs},
        {dataFile(), "不能用数据文件本身恢复数据!"}, {folder->file("missing.dat"), "所选文件不存在!"}};
    for (const auto& [source, refusal] : refusals) {
        msgs->clear();
        msgs->expect(refusal);
        files.answer(source);
        dlg.findChild<QPushButton*>("Command1")->click();
        ASSERT_EQ(msgs->count(), 1) << source.toStdString();
        EXPECT_EQ(msgs->last().title, "");
        EXPECT_NE(msgs->last().text, "数据恢复完成，请重新运行本系统！");
        EXPECT_EQ(readAll(dataFile()), before);
        // Nothing was closed: the program goes on and the window stays.
        EXPECT_TRUE(gDb);
        EXPECT_FALSE(ProgramEndRequested());
        EXPECT_TRUE(dlg.isVisible());
    }
    EXPECT_TRUE(msgs->last().text.startsWith("所选文件不存在"));

    // Cancelling the file dialog does nothing at all.
    msgs->clear();
    files.answer("");
    dlg.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_TRUE(dlg.isVisible());
    dlg.findChild<QPushButton*>("Command2")->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(gDb);
}

TEST_F(S32Test, TheDataFilesOwnFilesAreRefusedUnopenedAndTheEngineKeepsItsLocks)
{
    // A save beside the file: its journal and shared index are open.
    Db().execute("insert into M04 (F1,F2) values ('L1','locks')");
    const QString link = folder->file("samefile.dat");
    ASSERT_EQ(::link(QFile::encodeName(dataFile()).constData(), QFile::encodeName(link).constData()), 0);
    const std::string onData = PosixLocksOn(dataFile());
    const std::string onIndex = PosixLocksOn(dataFile() + "-shm");
    ASSERT_FALSE(onIndex.empty());
    S32 dlg;
    dlg.show();
    for (const QString& source : {dataFile() + "-shm", dataFile() + "-wal", link}) {
        msgs->expect("不能用数据文件本身恢复数据!");
        files.answer(source);
        dlg.findChild<QPushButton*>("Command1")->click();
        EXPECT_EQ(PosixLocksOn(dataFile()), onData) << source.toStdString();
        EXPECT_EQ(PosixLocksOn(dataFile() + "-shm"), onIndex) << source.toStdString();
        EXPECT_TRUE(gDb);
        EXPECT_FALSE(ProgramEndRequested());
    }
    dlg.findChild<QPushButton*>("Command2")->click();
}

TEST_F(S32Test, FailedCopyIsReportedNotAnnounced)
{
    const QString backup = folder->file("DataBak.dat");
    folder->closeDb();
    ASSERT_TRUE(QFile::copy(dataFile(), backup));
    // The data file's folder cannot hold it: its path goes through a plain file.
    writeAll(folder->file("blocker"), "x");
    gDbPath = folder->file("blocker/vembra.dat");

    S32 dlg;
    files.answer(backup);
    msgs->expect("数据恢复失败");
    dlg.restoreData();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith("数据恢复失败")) << msgs->last().text.toStdString();
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(readAll(folder->file("blocker")), "x");
}

TEST(FileCopy, ReplacesWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString src = dir.filePath("src.bin");
    const QString dst = dir.filePath("dst.bin");
    QByteArray bytes(3 * 1024 * 1024 + 17, '\0');
    for (char& c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    writeAll(src, bytes);
    writeAll(dst, "old contents");

    EXPECT_FALSE(CopyFileSafely(src, dst, false).isEmpty());
    EXPECT_EQ(readAll(dst), "old contents");
    EXPECT_FALSE(CopyFileSafely(dir.filePath("missing"), dst, true).isEmpty());
    EXPECT_EQ(readAll(dst), "old contents");
    EXPECT_FALSE(CopyFileSafely(dst, dst, true).isEmpty());
    EXPECT_EQ(readAll(dst), "old contents");

    EXPECT_EQ(CopyFileSafely(src, dst, true), "");
    EXPECT_EQ(readAll(dst), bytes);
    EXPECT_EQ(CopyFileSafely(src, dir.filePath("new.bin"), false), "");
    EXPECT_EQ(readAll(dir.filePath("new.bin")), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(S32Test, CopyAnUpgradeLeftOfTheOldestFilesIsRestored)
{
    // The copy keeps the 1 KB pages of the file it was made of.
    const QString backup = folder->file("vembra-v0.dat");
    WriteOldDataFile(backup, OldLayout::SmallPages);
    EXPECT_EQ(S32::checkSource(backup), "");

    S32 dlg;
    dlg.show();
    files.answer(backup);
    msgs->expect("数据恢复完成，请重新运行本系统！");
    dlg.findChild<QPushButton*>("Command1")->click();
    ASSERT_EQ(files.dialogs().size(), 1);
    EXPECT_TRUE(QDir::match(files.dialogs().first().filter, "vembra-v0.dat"));
    EXPECT_EQ(readAll(dataFile()), readAll(backup));
}
