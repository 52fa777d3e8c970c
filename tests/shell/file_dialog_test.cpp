// File dialogs list the program folder without opening a file in it: closing
// any descriptor of the data file or its shared index would drop this
// process's locks on them, and another copy would take itself for the last.
#include "shell_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "platform/msgbox.h"
#include "support/copy_process.h"
#include "support/file_locks.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTimer>

namespace {

const QString kDriver = QStringLiteral(UPGRADE_DRIVER_PATH);

// Shows a chooser as the program does, with the real dialog; once the dialog
// has looked at the files of `folder` (each one it lists has its type: the
// folder's files come to it in one batch, those its filter hides as well),
// runs `whileShown` and cancels. Returns false when it never got that far.
bool ShowRealDialog(const std::function<QString()>& chooser, const QString& folder,
                    const std::function<void()>& whileShown)
{
    bool looked = false;
    QElapsedTimer since;
    since.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                dialog = d;
        if (!dialog)
            return;
        const auto* model = dialog->findChild<QFileSystemModel*>();
        const QModelIndex root = model ? model->index(folder) : QModelIndex();
        int listed = 0, typed = 0;
        for (int r = 0; model && r < model->rowCount(root); ++r) {
            const QModelIndex i = model->index(r, 0, root);
            if (model->isDir(i))
                continue;
            ++listed;
            typed += model->type(i).isEmpty() ? 0 : 1;
        }
        looked = listed > 0 && typed == listed;
        if (!looked && since.elapsed() < 20000)
            return;
        poll.stop();
        if (looked)
            whileShown();
        dialog->reject();
    });
    poll.start(20);
    chooser();
    return looked;
}

class FileDialogTest : public ShellTest {};

} // namespace

TEST_F(FileDialogTest, TheRealDialogsOverTheProgramFolderLeaveTheEnginesLocksAsTheyWere)
{
    // A save beside the file: its journal and shared index are there to be listed.
    Db().execute("insert into M04 (F1,F2) values ('L1','locks')");
    const QString data = gDbPath;
    const QString index = gDbPath + "-shm";
    const std::string onData = PosixLocksOn(data);
    const std::string onIndex = PosixLocksOn(index);
    ASSERT_FALSE(onData.empty());
    ASSERT_FALSE(onIndex.empty());
    const QString folderPath = QDir(gAppPath).absolutePath();
    // A file each dialog shows, beside those its filter hides.
    for (const char* shown : {"C05.pdf", "C05.xlsx"})
        QFile(gAppPath + shown).open(QIODevice::WriteOnly);
    const std::pair<const char*, std::function<QString()>> choosers[] = {
        {"save as PDF",
         [&] { return ChooseSaveFile(main.get(), "保存为PDF文件", gAppPath + "C06.pdf", "PDF文件 (*.pdf)"); }},
        {"restore", [&] { return ChooseOpenFile(main.get(), "恢复业务数据", gAppPath + "*.dat", "*.dat"); }},
        {"export", [&] { return ChooseSaveFile(main.get(), "导出数据保存到...", gAppPath, "Excel文件 (*.xlsx)"); }},
    };
    for (const auto& [name, chooser] : choosers) {
        std::string during[2];
        EXPECT_TRUE(ShowRealDialog(chooser, folderPath, [&] {
            during[0] = PosixLocksOn(data);
            during[1] = PosixLocksOn(index);
        })) << name;
        EXPECT_EQ(during[0], onData) << name;
        EXPECT_EQ(during[1], onIndex) << name;
        EXPECT_EQ(PosixLocksOn(data), onData) << name;
        EXPECT_EQ(PosixLocksOn(index), onIndex) << name;
    }
}

TEST_F(FileDialogTest, ASaveAfterADialogWhileAnotherCopyEndedIsSeenByTheNextStartAndStaysInTheFile)
{
    const QString folderPath = QDir(gAppPath).absolutePath();
    QFile(gAppPath + "C06.pdf").open(QIODevice::WriteOnly);
    // This copy has written: its journal and shared index are open.
    Db().execute("insert into M04 (F1,F2) values ('A0','before the dialog')");
    // Another copy on the same file, ended while this one shows the report's
    // "save as PDF" dialog over the program folder.
    CopyProcess other(kDriver, folderPath, {"--hold"});
    ASSERT_EQ(other.waitFor("HOLD"), "HOLD");
    int otherEnded = -1;
    EXPECT_TRUE(ShowRealDialog(
        [&] { return ChooseSaveFile(main.get(), "保存为PDF文件", gAppPath + "C06.pdf", "PDF文件 (*.pdf)"); },
        folderPath, [&] { otherEnded = other.finish(); }));
    EXPECT_EQ(otherEnded, 0);
    {
        Transaction tx(Db());
        Db().execute("insert into M04 (F1,F2) values ('A1','after the dialog')");
        tx.commit();
    }
    // A copy started now reads it; it ends before this one.
    const QStringList read = {"--query=select F2 from M04 where F1='A1'"};
    QStringList lines;
    EXPECT_EQ(RunCopy(kDriver, folderPath, read, &lines), 0);
    EXPECT_TRUE(lines.contains("VALUE after the dialog")) << lines.join(" | ").toStdString();
    // This copy ends: the file holds the row, and the next start reads it.
    gDb.reset();
    EXPECT_EQ(Database::openReadOnly(gDbPath, DataFileKey(), ProgramSql())
                  ->openRecordset("select F2 from M04 where F1='A1'")
                  .recordCount(),
              1);
    EXPECT_EQ(RunCopy(kDriver, folderPath, read, &lines), 0);
    EXPECT_TRUE(lines.contains("VALUE after the dialog")) << lines.join(" | ").toStdString();
}
