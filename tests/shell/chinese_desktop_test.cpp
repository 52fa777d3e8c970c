#include "shell_fixture.h"

#include "platform/faces.h"
#include "shell/backup.h"
#include "shell/chinese_desktop.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRawFont>
#include <QTextLayout>
#include <QTimer>

namespace {

// Texts of the buttons and labels of a dialog, as shown.
QStringList ShownTexts(QWidget* w)
{
    QStringList out;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->isVisible())
            out << b->text();
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisible() && !l->text().isEmpty())
            out << l->text();
    return out;
}

bool HasChinese(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

} // namespace

TEST(ChineseDesktop, QtsOwnTextsAreInChineseWhateverTheLocale)
{
    ASSERT_TRUE(InstallQtChinese()) << "qtbase_zh_CN.qm is missing: scripts/install-deps.sh installs it";
    EXPECT_TRUE(InstallQtChinese()); // once is enough; a second call keeps it
    for (const auto& [context, text] : {std::pair{"QFileDialog", "Look in:"}, {"QFileDialog", "File &name:"},
                                        {"QLineEdit", "&Undo"}, {"QLineEdit", "&Paste"},
                                        {"QPlatformTheme", "Cancel"}}) {
        const QString shown = QCoreApplication::translate(context, text);
        EXPECT_TRUE(HasChinese(shown)) << context << " " << text << " -> " << shown.toStdString();
    }
    // A text box's context menu, as the operator opens it.
    QLineEdit box;
    std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    QStringList items;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            items << a->text();
    EXPECT_FALSE(items.isEmpty());
    for (const QString& item : items)
        EXPECT_TRUE(HasChinese(item)) << item.toStdString();
}

TEST_F(ShellTest, BackupFileDialogReadsInChinese)
{
    ASSERT_TRUE(InstallQtChinese());
    // The real dialog, as the backup command opens it; looked at, then cancelled.
    QStringList texts;
    QString title;
    QTimer::singleShot(200, [&] {
        QFileDialog* dlg = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                dlg = d;
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        texts = ShownTexts(dlg);
        GrabToPng(dlg, "backup_file_dialog");
        dlg->reject();
    });
    RunBackup(main.get());
    EXPECT_EQ(title, "系统数据备份至......");
    ASSERT_FALSE(texts.isEmpty());
    for (const QString& t : texts)
        EXPECT_TRUE(HasChinese(t)) << t.toStdString();
    EXPECT_FALSE(ProgramEndRequested());
}

TEST(ChineseDesktop, FontNamesTheWindowsAskForDrawChineseAndDigits)
{
    MapFontNames();
    for (const QString& name : MappedFontNames()) {
        const QFont font(name, 9);
        const QString drawnWith = QFontInfo(font).family();
        EXPECT_TRUE(drawnWith == LatinSansFace() || ChineseMonoFamilies().contains(drawnWith))
            << name.toStdString() << " -> " << drawnWith.toStdString();
        const QFontMetrics fm(font);
        EXPECT_TRUE(fm.inFont(QChar(u'共')) && fm.inFont(QChar(u'1'))) << name.toStdString();
    }
    // Fixed-pitch names keep a Chinese character two blanks wide.
    const QFontMetrics courier(QFont("Courier New", 9));
    EXPECT_EQ(courier.horizontalAdvance("共"), 2 * courier.horizontalAdvance(' '));
}

TEST(ChineseDesktop, LatinPunctuationComesFromTheLatinFaceAndChineseFromTheCjkFace)
{
    MapFontNames();
    const QString text = QStringLiteral("O’Brien 1，共");
    QTextLayout layout(text);
    // The names the windows ask for, and the font of those that ask for none.
    QList<QFont> fonts{QApplication::font()};
    for (const QString& name : MappedFontNames())
        fonts << QFont(name, 9);
    for (const QFont& font : fonts) {
        layout.setFont(font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        // Fixed-pitch names keep one CJK face for all (their columns line up by blanks).
        auto faceOf = [&](int i) { return layout.glyphRuns(i, 1).value(0).rawFont().familyName(); };
        const bool mono = ChineseMonoFamilies().contains(faceOf(10), Qt::CaseInsensitive);
        for (int i = 0; i < text.size(); ++i) {
            const QString face = faceOf(i);
            const QStringList expected = mono ? ChineseMonoFamilies() : i >= 9 ? ChineseSansFamilies() : QStringList{LatinSansFace()};
            EXPECT_TRUE(expected.contains(face, Qt::CaseInsensitive))
                << font.family().toStdString() << ": " << text.mid(i, 1).toStdString() << " drawn with " << face.toStdString();
        }
    }
}

TEST_F(ShellTest, StatusBarCounterDigitsMatchTheChinese)
{
    MapFontNames();
    auto* panel = main->findChild<QLabel*>("StB(4)");
    main->setPanelText(4, "共 1 条记录 当前为第 1 条");
    main->resize(1024, 300);
    main->show();
    GrabToPng(panel, "status_panel");
    const QFont font = panel->font();
    EXPECT_EQ(font.family(), "Times New Roman"); // the name asked for...
    // ...drawn with the Latin sans face for the digits and the CJK face for
    // the Chinese, so no digit comes from a stand-in serif face.
    EXPECT_EQ(QFontInfo(font).family(), LatinSansFace());
    const QFontMetrics fm(font);
    EXPECT_TRUE(fm.inFont(QChar(u'1')) && fm.inFont(QChar(u'共')));
}
