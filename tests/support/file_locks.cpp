#include "support/file_locks.h"

#include <QFile>
#include <QStringList>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::string LocksListedOnce(const QString& path, qint64 pid)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    // "1: POSIX  ADVISORY  READ 1234 08:01:5678 128 128"; a waiting request
    // is listed after "->" and held by no one yet.
    const QString device = QStringLiteral("%1:%2:%3")
                               .arg(major(st.st_dev), 2, 16, QChar('0'))
                               .arg(minor(st.st_dev), 2, 16, QChar('0'))
                               .arg(qulonglong(st.st_ino));
    QFile f(QStringLiteral("/proc/locks"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList held;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QStringList w = QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts);
        if (w.size() < 8 || w[1] != QLatin1String("POSIX") || w[4] != QString::number(pid)
            || w[5].compare(device, Qt::CaseInsensitive) != 0)
            continue;
        held << QStringLiteral("%1 %2 %3").arg(w[3], w[6], w[7]);
    }
    held.sort();
    return held.join(QStringLiteral(", ")).toStdString();
}

} // namespace

// The system builds /proc/locks while the engine takes and lets go its
// locks (a read starts and ends on another connection at idle time): one
// listing can show a range twice or miss one. Two listings alike in a row
// are what the process holds.
std::string PosixLocksOn(const QString& path, qint64 pid)
{
    std::string last = LocksListedOnce(path, pid);
    for (int tries = 0; tries < 200; ++tries) {
        std::string now = LocksListedOnce(path, pid);
        if (now == last)
            return now;
        last = std::move(now);
        ::usleep(1000);
    }
    return last;
}

std::string PosixLocksOn(const QString& path) { return PosixLocksOn(path, ::getpid()); }
