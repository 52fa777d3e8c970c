#include "shell/chinese_desktop.h"

#include "platform/faces.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

const QStringList& fixedPitchNames()
{
    static const QStringList names = {"Courier New", "Courier", "Fixedsys", "Terminal", "新宋体", "NSimSun"};
    return names;
}

const QStringList& proportionalNames()
{
    static const QStringList names = {"Times New Roman", "Times New Romen", "宋体", "SimSun", "MS Sans Serif",
                                      "MS Shell Dlg", "MS Shell Dlg 2", "Arial", "Tahoma", "System",
                                      "黑体", "SimHei", "微软雅黑", "Microsoft YaHei"};
    return names;
}

} // namespace

const QStringList& ChineseSansFamilies()
{
    static const QStringList families = {"Noto Sans CJK SC", "WenQuanYi Zen Hei"};
    return families;
}

const QStringList& ChineseMonoFamilies()
{
    static const QStringList families = {"Noto Sans Mono CJK SC", "WenQuanYi Zen Hei Mono"};
    return families;
}

bool InstallQtChinese()
{
    static QPointer<QTranslator> installed;
    if (installed)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

void MapFontNames()
{
    // Latin letters, digits and punctuation from the Latin face, Chinese from the CJK face.
    const QStringList faces = QStringList{LatinSansFace()} + ChineseSansFamilies();
    for (const QString& name : proportionalNames())
        QFont::insertSubstitutions(name, faces);
    // A window that asks for no font gets the desktop's, which on a Chinese
    // desktop is the CJK face itself.
    QFont app = QApplication::font();
    app.setFamilies(faces);
    QApplication::setFont(app);
    for (const QString& name : fixedPitchNames())
        QFont::insertSubstitutions(name, ChineseMonoFamilies());
}

const QStringList& MappedFontNames()
{
    static const QStringList names = proportionalNames() + fixedPitchNames();
    return names;
}
