#include "shell/file_copy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString CopyFileSafely(const QString& source, const QString& target, bool replace)
{
    const QFileInfo src(source);
    const QFileInfo dst(target);
    if (!src.isFile())
        return QStringLiteral("源文件不存在: %1").arg(source);
    if (dst.exists() && !replace)
        return QStringLiteral("目标文件已存在: %1").arg(target);
    if (dst.exists() && !dst.isFile())
        return QStringLiteral("目标不是文件: %1").arg(target);
    if (dst.exists() && src.canonicalFilePath() == dst.canonicalFilePath())
        return QStringLiteral("源文件与目标文件相同: %1").arg(target);

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    QSaveFile out(target);
    // Never write the target in place: that is what could leave it half-written.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();

    constexpr qint64 kChunk = 1 << 20;
    qint64 copied = 0;
    for (;;) {
        const QByteArray block = in.read(kChunk);
        if (block.isEmpty()) {
            if (in.error() != QFileDevice::NoError) {
                const QString why = in.errorString();
                out.cancelWriting();
                return why;
            }
            break;
        }
        if (out.write(block) != block.size()) {
            const QString why = out.errorString();
            out.cancelWriting();
            return why;
        }
        copied += block.size();
    }
    if (copied != src.size()) {
        out.cancelWriting();
        return QStringLiteral("读取源文件不完整: %1").arg(source);
    }
    if (!out.commit())
        return out.errorString();
    return QString();
}
