#include "shell/backup.h"

#include "data/program_sql.h"
#include "shell/file_copy.h"
#include "shell/startup.h"

#include "data/datafile_lock.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/schema.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

QString DefaultBackupPath() { return QDir(QDir::homePath()).filePath("DataBak.dat"); }

void RunBackup(QWidget* parent)
{
    const QString target = ChooseSaveFile(parent, "系统数据备份至......", DefaultBackupPath(), "*.dat");
    if (target.isEmpty())
        return;
    // A file already there is the user's: never overwrite it.
    if (QFileInfo::exists(target)) {
        MsgBox("目标位置已备份的同名文件，请删除目标文件或更换备份位置！", vbStyle::Information, QString());
        return;
    }

    // The switch to a single file below needs the data file alone: another
    // running copy keeps it as it is, and nothing is done.
    std::optional<DataFileAlone> alone;
    try {
        alone.emplace(gDbPath, gDbLock.get());
    } catch (const DbError& e) {
        MsgBox("备份失败!系统返回如下信息：\r" + e.message(), vbStyle::Information, QString());
        return;
    }

    QString failure;
    {
        WaitCursor wait;
        // Everything the write-ahead journal holds goes into the file first,
        // and the file is copied closed: the copy is one whole file, with no
        // half-written page and nothing left behind in a journal beside it.
        try {
            if (gDb)
                gDb->singleFile();
        } catch (const DbError& e) {
            MsgBox("备份失败!系统返回如下信息：\r" + e.message(), vbStyle::Information, QString());
            return;
        }
        gDb.reset();
        LetRepaint();
        for (const QString& side : Database::sideFiles(gDbPath))
            if (QFileInfo::exists(side))
                failure = QStringLiteral("数据文件旁仍有日志文件 %1").arg(side);
        if (failure.isEmpty())
            failure = CopyFileSafely(gDbPath, target, false);
        if (!failure.isEmpty()) {
            try {
                gDb = Database::open(gDbPath, DataFileKey(), ProgramSql());
            } catch (const DbError& e) {
                failure += "\r" + e.message();
            }
        }
    }

    if (!failure.isEmpty()) {
        if (gDb) {
            MsgBox("备份失败!系统返回如下信息：\r" + failure, vbStyle::Information, QString());
            return;
        }
        // Without its data file the program cannot go on.
        MsgBox("备份失败，数据文件无法重新打开!请重新启动系统！系统返回如下信息：\r" + failure, vbStyle::Exclamation, QString());
        EndProgram(0);
        return;
    }
    MsgBox("备份完成！请重新启动系统！", vbStyle::Information, QString());
    EndProgram(0);
}
