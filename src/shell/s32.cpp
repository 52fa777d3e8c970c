#include "shell/s32.h"

#include "data/program_sql.h"
#include "shell/file_copy.h"
#include "shell/startup.h"

#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/globals.h"
#include "data/schema.h"
#include "platform/command_guard.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

S32::S32(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("S32");
    setWindowTitle("数据恢复");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* warning = new QLabel("警告：数据恢复操作危险！建议在恢复前先备份数据，以防造成数据丢失后果！", this);
    warning->setObjectName("Label1");
    warning->setWordWrap(true);
    QPalette pal = warning->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    warning->setPalette(pal);
    warning->setMinimumWidth(320);

    auto* restoreBtn = new QPushButton("恢复数据", this);
    restoreBtn->setObjectName("Command1");
    auto* cancelBtn = new QPushButton("取消操作", this);
    cancelBtn->setObjectName("Command2");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restoreBtn);
    buttons->addWidget(cancelBtn);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(warning);
    lay->addLayout(buttons);

    ConnectGuarded(restoreBtn, &QPushButton::clicked, this, [this] { restoreData(); });
    ConnectGuarded(cancelBtn, &QPushButton::clicked, this, [this] { reject(); });
}

QString S32::checkSource(const QString& source)
{
    const QFileInfo src(source);
    if (!src.isFile())
        return "所选文件不存在!";
    // Compared by the system's identity of the file (another name or a link
    // to it is the same file), never opened: the journal and shared index
    // beside the data file are the engine's own, and closing a descriptor of
    // one drops this process's locks on it.
    if (IsDataFileOrBeside(source, gDbPath))
        return "不能用数据文件本身恢复数据!";
    try {
        // Looked at only: the operator's backup is not changed by the check.
        auto db = Database::openReadOnly(source, DataFileKey(), ProgramSql());
        db->openRecordset("select F1 from TE1");
        // A file of a newer layout would be refused by the next start.
        RecordSet version = db->openRecordset("PRAGMA user_version");
        const int layout = version.eof() ? 0 : int(version.field(0).toInt());
        if (layout > kDataFileVersion)
            return NewerLayoutReason(layout);
    } catch (const std::exception& e) {
        return "所选文件不是本系统的数据文件!系统返回如下信息：" + QString(QChar(13)) + QString::fromUtf8(e.what());
    }
    return QString();
}

bool IsDataFileOrBeside(const QString& file, const QString& dataFile)
{
    struct stat chosen = {};
    if (::stat(QFile::encodeName(file).constData(), &chosen) != 0)
        return false;
    for (const QString& own : QStringList{dataFile} + Database::sideFiles(dataFile)) {
        struct stat st = {};
        if (::stat(QFile::encodeName(own).constData(), &st) == 0 && st.st_dev == chosen.st_dev
            && st.st_ino == chosen.st_ino)
            return true;
    }
    return false;
}

QString RestoreTargetRefusal(const QString& dataFile)
{
    // Asked of the system itself, as an operator without rights and a disk
    // mounted read-only both answer so. (The folder answers when the lock
    // file beside the data file cannot be made.)
    // No descriptor of the data file is opened: closing it would drop the
    // engine's own locks on the file still open.
    const QByteArray name = QFile::encodeName(dataFile);
    if (QFileInfo::exists(dataFile) && ::access(name.constData(), W_OK) != 0)
        return DataFileLock::writeFailureReason(dataFile, errno);
    return QString();
}

void S32::restoreData()
{
    const QString source = ChooseOpenFile(this, "恢复业务数据", "*.dat", "*.dat");
    if (source.isEmpty())
        return;
    // Refused before anything is closed: the program goes on as it was.
    const QString refusal = checkSource(source);
    if (!refusal.isEmpty()) {
        MsgBox(refusal, vbStyle::Exclamation, QString());
        return;
    }

    // The data file is replaced only with no other running copy on it: that
    // copy's later saves would go to a file no longer there. The folder and
    // the file must take the new one.
    std::optional<DataFileAlone> alone;
    QString refused;
    if (QFileInfo(QFileInfo(gDbPath).absolutePath()).isDir()) {
        try {
            alone.emplace(gDbPath, gDbLock.get());
        } catch (const DbError& e) {
            refused = e.message();
        }
    }
    if (refused.isEmpty())
        refused = RestoreTargetRefusal(gDbPath);
    if (!refused.isEmpty()) {
        MsgBox("不能恢复数据，原数据文件未改变！系统返回如下信息：" + QString(QChar(13)) + refused,
               vbStyle::Exclamation, QString());
        return;
    }

    QString failure;
    {
        // The file is replaced closed; at start-up there may be nothing to close.
        gDb.reset();
        LetRepaint();
        WaitCursor wait;
        // A journal left beside the old file belongs to it: opened with the
        // restored file it would be played into it. It is set aside before the
        // copy and put back if the copy fails, so a failure leaves the old data
        // exactly as it was.
        QStringList setAside;
        for (const QString& side : Database::sideFiles(gDbPath)) {
            if (!QFileInfo::exists(side))
                continue;
            const QString aside = side + QStringLiteral(".old");
            QFile::remove(aside);
            if (!QFile::rename(side, aside)) {
                failure = QStringLiteral("不能移开旧的日志文件 %1").arg(side);
                break;
            }
            setAside << side;
        }
        if (failure.isEmpty())
            failure = CopyFileSafely(source, gDbPath, true);
        for (const QString& side : std::as_const(setAside)) {
            if (failure.isEmpty())
                QFile::remove(side + QStringLiteral(".old"));
            else
                QFile::rename(side + QStringLiteral(".old"), side);
        }
        // An upgrade ended half-way named its copy of the file replaced; the
        // restored file is another and gets a copy of its own.
        if (failure.isEmpty())
            QFile::remove(UpgradeMarkerOf(gDbPath));
    }
    if (failure.isEmpty())
        MsgBox("数据恢复完成，请重新运行本系统！", vbStyle::Information, QString());
    else
        MsgBox("数据恢复失败，原数据文件未改变！请重新运行本系统！系统返回如下信息：" + QString(QChar(13)) + failure,
               vbStyle::Exclamation, QString());
    accept();
    EndProgram(0);
}
