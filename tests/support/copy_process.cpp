#include "support/copy_process.h"

#include <QElapsedTimer>

CopyProcess::CopyProcess(const QString& driver, const QString& folder, const QStringList& options)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(driver, QStringList{folder} + options);
    m_process.waitForStarted();
}

CopyProcess::~CopyProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        kill();
}

QString CopyProcess::waitFor(const QString& prefix)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        qsizetype nl;
        while ((nl = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(nl));
            m_pending.remove(0, nl + 1);
            m_lines << line;
            if (line.startsWith(prefix))
                return line;
        }
        if (timer.elapsed() > 60000)
            return QString();
        if (m_process.state() == QProcess::NotRunning) {
            m_pending += m_process.readAllStandardOutput();
            if (m_pending.indexOf('\n') < 0)
                return QString();
            continue;
        }
        m_process.waitForReadyRead(200);
        m_pending += m_process.readAllStandardOutput();
    }
}

void CopyProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(10000);
}

int CopyProcess::finish()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(60000))
        kill();
    m_pending += m_process.readAllStandardOutput();
    waitFor(QStringLiteral("\x01")); // moves what is left into lines()
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

int RunCopy(const QString& driver, const QString& folder, const QStringList& options, QStringList* lines)
{
    CopyProcess copy(driver, folder, options);
    const int code = copy.finish();
    if (lines)
        *lines = copy.lines();
    return code;
}

ImmutablePlace::ImmutablePlace(const QString& path)
    : m_path(path),
      m_ok(QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0)
{
}

ImmutablePlace::~ImmutablePlace()
{
    if (m_ok)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
}
