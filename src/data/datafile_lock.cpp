#include "data/datafile_lock.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Open-file-description locks: held by this open of the lock file alone (two
// in one process exclude each other as two processes do), changed from shared
// to exclusive in one step, and untouched when the process closes some other
// descriptor of the same file. Process locks would be none of these, so a
// system without them builds no program.
#ifndef F_OFD_SETLK
#error "open-file-description locks (F_OFD_SETLK) are needed: process locks would be dropped by any close of the file"
#endif

namespace {
// The bytes of the lock file that are locked: a running copy shares the
// first, or has it alone; a start has the second while it takes its turn.
// A copy that ends locks the whole file to remove it.
constexpr int kCopyByte = 0;
constexpr int kTurnByte = 1;

// Tries until the deadline, a little while apart.
template <typename Try> bool tryUntil(DataFileLock::Deadline deadline, Try attempt)
{
    for (;;) {
        if (attempt())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool setLock(int fd, short type, off_t start, off_t length)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

QString ownerName(uid_t uid)
{
    const passwd* pw = ::getpwuid(uid);
    return pw && pw->pw_name ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}
} // namespace

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

QString DataFileLock::startingReason(const QString& dataFile)
{
    return QStringLiteral("另一个本程序正在启动，打开数据文件 '%1' 的时间超出了等待，请等它完成后再启动本程序。")
        .arg(dataFile);
}

QString DataFileLock::writeFailureReason(const QString& path, int error)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QString system = QString::fromLocal8Bit(std::strerror(error));
    if (error == EROFS || error == EACCES || error == EPERM) {
        struct stat st = {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            // Denied by its permissions, not by a read-only place: whose it is.
            if (error == EACCES && st.st_uid != ::geteuid())
                return QStringLiteral("文件 '%1' 属于另一个用户（%2），本程序不能写入它。请以该用户运行本程序。(%3)")
                    .arg(path, ownerName(st.st_uid), system);
            return QStringLiteral("文件 '%1' 是只读的，不能写入。(%2)").arg(path, system);
        }
        return QStringLiteral("文件夹 '%1' 是只读的，不能在其中建立文件。(%2)").arg(folder, system);
    }
    return QStringLiteral("不能建立文件 '%1'。(%2)").arg(path, system);
}

QString DataFileLock::notWritableReason(const QString& dataFile)
{
    // As this process may write (its effective user): a place made immutable
    // or mounted read-only is refused to every user.
    const QString folder = QFileInfo(dataFile).absolutePath();
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
        const int error = errno;
        return QStringLiteral("文件夹 '%1' 是只读的，不能在其中建立文件。(%2)")
            .arg(folder, QString::fromLocal8Bit(std::strerror(error)));
    }
    if (::faccessat(AT_FDCWD, QFile::encodeName(dataFile).constData(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return writeFailureReason(dataFile, errno);
    return QString();
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
    // The last copy leaves nothing beside the data file (also one whose start
    // failed before it locked anything): a copy that can lock the whole lock
    // file (no other copy holds it, no start has its turn) removes it first.
    // One that joins meanwhile finds its lock on a file no longer there and
    // makes a new one (lockByte()).
    if (m_fd >= 0 && setLock(m_fd, F_WRLCK, 0, 0) && atItsName())
        ::unlink(QFile::encodeName(m_path).constData());
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DataFileLock::atItsName() const
{
    struct stat mine = {};
    struct stat there = {};
    return ::fstat(m_fd, &mine) == 0 && ::stat(QFile::encodeName(m_path).constData(), &there) == 0
        && mine.st_ino == there.st_ino && mine.st_dev == there.st_dev;
}

bool DataFileLock::lockByte(short type, int byte)
{
    for (;;) {
        const bool first = m_state == State::None && !m_turn;
        if (!setLock(m_fd, type, byte, 1))
            return false;
        // The first lock on this open: the file must still be the one at the
        // lock file's name, or the copy that removed it has gone and this
        // lock protects nothing. Later ones are on a file nobody could remove.
        if (!first || atItsName())
            return true;
        ::close(m_fd);
        m_fd = -1;
        open();
    }
}

bool DataFileLock::lock(State to)
{
    if (!lockByte(to == State::Alone ? F_WRLCK : F_RDLCK, kCopyByte))
        return false;
    m_state = to;
    return true;
}

bool DataFileLock::share()
{
    if (m_state == State::Shared)
        return true;
    return lock(State::Shared);
}

bool DataFileLock::share(Deadline deadline)
{
    return tryUntil(deadline, [this] { return share(); });
}

bool DataFileLock::takeAlone()
{
    if (m_state == State::Alone)
        return true;
    return lock(State::Alone);
}

bool DataFileLock::takeAlone(Deadline deadline)
{
    return tryUntil(deadline, [this] { return takeAlone(); });
}

bool DataFileLock::takeStartTurn(Deadline deadline)
{
    if (m_turn)
        return true;
    return tryUntil(deadline, [this] { return m_turn = lockByte(F_WRLCK, kTurnByte); });
}

bool DataFileLock::aloneElsewhere() const
{
    struct flock fl {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kCopyByte;
    fl.l_len = 1;
    return m_fd >= 0 && ::fcntl(m_fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

void DataFileLock::endStartTurn()
{
    if (m_turn && m_fd >= 0)
        setLock(m_fd, F_UNLCK, kTurnByte, 1);
    m_turn = false;
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
