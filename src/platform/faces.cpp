#include "platform/faces.h"

const QString& LatinSansFace()
{
    static const QString face = QStringLiteral("Liberation Sans");
    return face;
}

const QString& LatinSerifFace()
{
    static const QString face = QStringLiteral("Liberation Serif");
    return face;
}

QStringList FacesFor(const QString& cjkFamily)
{
    if (cjkFamily.contains(QLatin1String("Mono"), Qt::CaseInsensitive))
        return {cjkFamily};
    const bool serif = cjkFamily.contains(QLatin1String("Serif"), Qt::CaseInsensitive);
    return {serif ? LatinSerifFace() : LatinSansFace(), cjkFamily};
}
