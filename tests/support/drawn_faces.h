#pragma once
#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

// The face each character of text is drawn with in font (lower case: Qt may
// name a face as it was asked for), one entry per UTF-16 unit.
inline QStringList DrawnFaces(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (int i = 0; i < text.size(); ++i) {
        const QList<QGlyphRun> runs = layout.glyphRuns(i, 1);
        faces << (runs.isEmpty() ? QString() : runs.first().rawFont().familyName().toLower());
    }
    return faces;
}
