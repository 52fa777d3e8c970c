#pragma once
#include "dialogs/report_engine.h"
#include "support/testenv.h"

#include <QFile>
#include <QRegularExpression>

// The example template of templates/README.md, so the documented example is
// the one under test.
inline QString ReadmeExample()
{
    QFile f(QStringLiteral(SOURCE_DIR) + "/templates/README.md");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression block(QStringLiteral("```rpt\\n(.*?)```"),
        QRegularExpression::DotMatchesEverythingOption);
    return block.match(text).captured(1);
}

inline void WriteTextFile(const QString& path, const QString& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

// The first text item on a page that equals text; nullptr when none.
inline const LaidItem* FindText(const LaidPage& page, const QString& text)
{
    for (const LaidItem& it : page.items)
        if (it.kind == LaidItem::Text && it.text == text)
            return &it;
    return nullptr;
}

inline int CountText(const LaidPage& page, const QString& text)
{
    int n = 0;
    for (const LaidItem& it : page.items)
        n += it.kind == LaidItem::Text && it.text == text;
    return n;
}
