#include "shell_fixture.h"

#include "data/datafile_upgrade.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "platform/faces.h"
#include "platform/mainhost.h"
#include "shell/chinese_desktop.h"
#include "support/old_datafiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Start-up in a folder the test prepares, with the restore window cancelled.
class StartupTest : public StartFixture {
protected:
    void SetUp() override
    {
        StartFixture::SetUp();
        modal.on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
    }
    QString dir() const { return tmp.path() + "/"; }

    // The failure path: one exclamation box with the engine's text, then the
    // restore window, then the end.
    void expectFailurePath(bool goesOn)
    {
        const QString text = expectStartEnded(goesOn, {"S32"});
        if (msgs.count() > 0) {
            EXPECT_EQ(msgs.boxes().first().style, 48);
        }
        EXPECT_GT(text.size(), 20); // the engine's text follows
    }
};

} // namespace

TEST_F(StartupTest, MissingDataFileTakesTheFailurePathAndCreatesNothing)
{
    int code = 0;
    msgs.expect("程序启动错误!");
    const bool goesOn = Main(tmp.path(), &code);
    expectFailurePath(goesOn);
    EXPECT_NE(code, 0);
    EXPECT_FALSE(QFile::exists(dataFile()));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{});
    // The shared state is set up to the failing step.
    EXPECT_EQ(gAppPath, dir());
    EXPECT_EQ(gDbPath, dataFile());
    EXPECT_EQ(gMoneyFmt, "#0.00");
    EXPECT_EQ(gMsgTitle, "提示");
}

TEST_F(StartupTest, DataFileUnderAnotherKeyIsLeftAsItWas)
{
    {
        auto db = Database::create(dataFile(), "another key", ProgramSql());
        db->executeNative("create table TE1 (F1 text, F2 text, F3 text)");
    }
    const QByteArray before = readAll(dataFile());
    msgs.expect("程序启动错误!");
    expectFailurePath(Main(tmp.path()));
    EXPECT_EQ(readAll(dataFile()), before);
}

TEST_F(StartupTest, DataFileWithoutOperatorTableFailsAtTheLogIn)
{
    {
        auto db = Database::create(dataFile(), DataFileKey(), ProgramSql());
        db->executeNative("create table M01 (F1 text)");
    }
    // The main window was shown before the log-in failed; it does not stay.
    msgs.expect("程序启动错误!");
    expectFailurePath(Main(tmp.path()));
    EXPECT_TRUE(msgs.boxes().first().text.contains("TE1", Qt::CaseInsensitive));
}

TEST_F(StartupTest, LogInLeadsIntoTheMainWindow)
{
    CopyTemplateFile("vembra.dat", dataFile());
    qputenv("LC_ALL", "zh_TW.UTF-8");
    modal.on("Login", [](QDialog& d) { TypeLogin(d, "001.管理员", "ADMIN"); });
    const bool goesOn = Main(tmp.path());
    qunsetenv("LC_ALL");
    ASSERT_TRUE(goesOn);
    EXPECT_EQ(msgs.count(), 0);
    EXPECT_EQ(gLangFlag, 2);
    gLangFlag = 0;
    MForm* m = MForm::current();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(GetMainHost(), m);
    EXPECT_EQ(m->windowTitle(), "捷诺达raredade");
    EXPECT_EQ(m->panelText(3), "管理员");
    EXPECT_EQ(gUserCode, "001");
    EXPECT_EQ(gUserName, "管理员");
    EXPECT_TRUE(gDb);
    EXPECT_FALSE(ProgramEndRequested());
    // Qt's own texts in simplified Chinese, whatever the locale; the font
    // names the windows ask for drawn with a Chinese font.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "查找范围：");
    EXPECT_EQ(QFontInfo(QFont("Times New Roman")).family(), LatinSansFace());
}

TEST_F(StartupTest, LeavingTheLogInEndsTheProgram)
{
    CopyTemplateFile("vembra.dat", dataFile());
    // Once by "退 出", once by the window frame.
    for (bool byFrame : {false, true}) {
        ResetProgramEndRequest();
        modal.on("Login", [byFrame](QDialog& d) {
            if (byFrame)
                d.close();
            else
                d.findChild<QPushButton*>("Cmd(1)")->click();
        });
        EXPECT_FALSE(Main(tmp.path()));
        EXPECT_TRUE(ProgramEndRequested());
        EXPECT_EQ(MForm::current(), nullptr);
        EXPECT_FALSE(gDb);
        EXPECT_EQ(msgs.count(), 0);
    }
}

TEST_F(StartupTest, DataFileOfANewerProgramTakesTheFailurePathUntouched)
{
    CreateDataFile(dataFile());
    Database::open(dataFile(), DataFileKey(), ProgramSql())->executeNative("PRAGMA user_version = 2");
    const QByteArray before = readAll(dataFile());
    msgs.expect("程序启动错误!");
    expectFailurePath(Main(tmp.path()));
    EXPECT_TRUE(msgs.boxes().first().text.contains("较新版本的程序")) << msgs.boxes().first().text.toStdString();
    EXPECT_EQ(readAll(dataFile()), before);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
}

TEST_F(StartupTest, OldestDataFileIsUpgradedBeforeTheLogIn)
{
    WriteOldDataFile(dataFile(), OldLayout::SmallPages);
    const QByteArray before = readAll(dataFile());
    modal.on("Login", [](QDialog& d) { TypeLogin(d, "001.管理员", "ADMIN"); });
    ASSERT_TRUE(Main(tmp.path()));
    EXPECT_EQ(msgs.count(), 0);
    EXPECT_EQ(gUserName, "管理员");
    EXPECT_EQ(readAll(dir() + "vembra-v0.dat"), before);
    gDb.reset();
    EXPECT_EQ(ReadDataFileLayout(dataFile(), DataFileKey()).version, kDataFileVersion);
}

TEST(StartupRules, LanguageFlagAndProgramFolder)
{
    EXPECT_EQ(LangFlagForLocale(1028, 0), 2);
    EXPECT_EQ(LangFlagForLocale(1033, 2), 0);
    EXPECT_EQ(LangFlagForLocale(2052, 0), 1);
    EXPECT_EQ(LangFlagForLocale(1041, 0), 0);
    EXPECT_EQ(ProgramFolderPath("/opt/raredade"), "/opt/raredade/");
    EXPECT_EQ(ProgramFolderPath("/"), "/");
}
