#include "data/datafile_lock.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Open-file-description locks: held by this open of the lock file alone (two
// in one process exclude each other as two processes do), changed from shared
// to exclusive in one step, and untouched when the process closes some other
// descriptor of the same file.
#ifndef F_OFD_SETLK
#define F_OFD_SETLK F_SETLK
#endif

std::unique_ptr<DataFileLock> gDbLock;

QString DataFileLock::lockFileOf(const QString& dataFile) { return dataFile + QStringLiteral(".lock"); }

QString DataFileLock::inUseReason(const QString& dataFile)
{
    return QStringLiteral(
               "另一个正在运行的本程序打开着数据文件 '%1'，本操作需要独占数据文件。请先退出其他正在运行的本程序，再重试。")
        .arg(dataFile);
}

QString DataFileLock::busyReason(const QString& dataFile)
{
    return QStringLiteral(
               "另一个正在运行的本程序正在独占使用数据文件 '%1'（转换数据格式、恢复或备份），请等它完成后再启动本程序。")
        .arg(dataFile);
}

QString DataFileLock::writeFailureReason(const QString& path, int error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (error == EROFS || error == EACCES || error == EPERM) {
        if (QFileInfo::exists(path))
            return QStringLiteral("文件 '%1' 是只读的，不能写入。(%2)")
                .arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return QStringLiteral("文件夹 '%1' 是只读的，不能在其中建立文件。(%2)")
            .arg(folder, QString::fromLocal8Bit(std::strerror(error)));
    }
    return QStringLiteral("不能建立文件 '%1'。(%2)").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

DataFileLock::DataFileLock(const QString& dataFile)
    : m_dataFile(dataFile),
      m_path(lockFileOf(dataFile))
{
    open();
}

void DataFileLock::open()
{
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw DbError(writeFailureReason(m_path, errno));
}

DataFileLock::~DataFileLock()
{
    // The last copy leaves nothing beside the data file: a copy that can have
    // it alone removes the lock file first. One that joins meanwhile finds its
    // lock on a file no longer there and makes a new one (lock()).
    if (m_fd >= 0 && m_state != State::None && lock(State::Alone)) {
        struct stat mine = {};
        struct stat there = {};
        const QByteArray name = QFile::encodeName(m_path);
        if (::fstat(m_fd, &mine) == 0 && ::stat(name.constData(), &there) == 0 && mine.st_ino == there.st_ino
            && mine.st_dev == there.st_dev)
            ::unlink(name.constData());
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DataFileLock::lock(State to)
{
    for (;;) {
        struct flock fl {};
        fl.l_type = to == State::Alone ? F_WRLCK : F_RDLCK;
        fl.l_whence = SEEK_SET;
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) != 0)
            return false;
        const bool held = m_state != State::None;
        m_state = to;
        if (held)
            return true; // the same file, from one lock to the other
        // Locked: the file must still be the one at the lock file's name, or
        // the copy that removed it has gone and this lock protects nothing.
        struct stat mine = {};
        struct stat there = {};
        const QByteArray name = QFile::encodeName(m_path);
        if (::fstat(m_fd, &mine) == 0 && ::stat(name.constData(), &there) == 0 && mine.st_ino == there.st_ino
            && mine.st_dev == there.st_dev)
            return true;
        ::close(m_fd);
        m_fd = -1;
        m_state = State::None;
        open();
    }
}

bool DataFileLock::share()
{
    if (m_state == State::Shared)
        return true;
    return lock(State::Shared);
}

bool DataFileLock::takeAlone()
{
    if (m_state == State::Alone)
        return true;
    return lock(State::Alone);
}

void DataFileLock::shareAgain()
{
    if (m_state == State::Alone)
        lock(State::Shared); // a downgrade always succeeds
}

DataFileAlone::DataFileAlone(const QString& dataFile, DataFileLock* held)
    : m_lock(held && held->dataFile() == dataFile ? held : nullptr),
      m_own(!m_lock)
{
    if (m_own)
        m_lock = new DataFileLock(dataFile);
    if (!m_lock->takeAlone()) {
        if (m_own)
            delete m_lock;
        throw DataFileInUse(DataFileLock::inUseReason(dataFile));
    }
}

DataFileAlone::~DataFileAlone()
{
    if (m_own)
        delete m_lock;
    else
        m_lock->shareAgain();
}
