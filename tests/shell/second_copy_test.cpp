// What rewrites the whole data file needs it alone: a start that would
// upgrade, a restore and a backup while another copy runs on the file are
// refused and change nothing. Also the start-up's upgrade window, a restore
// of a newer file, and a read-only program folder.
#include "data/program_sql.h"
#include "shell_fixture.h"

#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "shell/backup.h"
#include "shell/s32.h"
#include "shell/startup.h"
#include "shell/upgrade_window.h"
#include "support/copy_process.h"
#include "support/old_datafiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

namespace {

const QString kDriver = QStringLiteral(UPGRADE_DRIVER_PATH);

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Start-up in a folder the test prepares.
class SecondStartTest : public StartFixture {
protected:
    QStringList files() const { return QDir(tmp.path()).entryList(QDir::Files); }

    // The failure box, and the program ends without the restore window.
    void expectRefusedWithoutRestore(bool goesOn, const QString& reason)
    {
        const QString text = expectStartEnded(goesOn, {});
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
    }
};

} // namespace

TEST_F(SecondStartTest, StartThatWouldUpgradeWhileAnotherCopyRunsEndsWithoutTheRestoreWindow)
{
    WriteOldDataFile(dataFile(), OldLayout::NoPaidDefault);
    const QByteArray before = readAll(dataFile());
    // A copy holding the file, as one started before this program's upgrade.
    DataFileLock running(dataFile());
    ASSERT_TRUE(running.share());
    msgs.expect("程序启动错误!");
    expectRefusedWithoutRestore(Main(tmp.path()), "另一个正在运行的本程序打开着它");
    EXPECT_EQ(readAll(dataFile()), before);
    EXPECT_EQ(files(), (QStringList{"vembra.dat", "vembra.dat.lock"}));
}

TEST_F(SecondStartTest, StartDuringAnotherCopysUpgradeEndsWithoutTheRestoreWindow)
{
    WriteOldDataFile(dataFile(), OldLayout::SmallPages);
    const QStringList rows = DataFileRows(dataFile());
    CopyProcess upgrading(kDriver, tmp.path(), {"--stop-step=5"});
    ASSERT_EQ(upgrading.waitFor("STOP"), "STOP");
    const QStringList during = files();
    const QByteArray dataDuring = readAll(dataFile());
    msgs.expect("程序启动错误!");
    expectRefusedWithoutRestore(Main(tmp.path()), "正在独占使用数据文件");
    EXPECT_EQ(files(), during);
    EXPECT_EQ(readAll(dataFile()), dataDuring);
    upgrading.kill();

    // The next start finishes that upgrade and reaches the log-in.
    msgs.clear();
    modal.on("Login", [](QDialog& d) { TypeLogin(d, "001.管理员", "ADMIN"); });
    ASSERT_TRUE(Main(tmp.path()));
    gDb.reset();
    EXPECT_EQ(ReadDataFileLayout(dataFile(), DataFileKey()).version, kDataFileVersion);
    EXPECT_EQ(DataFileRows(dataFile()), rows);
}

TEST_F(SecondStartTest, UpgradeShowsItsWindowUntilTheLogIn)
{
    WriteOldDataFile(dataFile(), OldLayout::SmallPages);
    // Every show of the window, with its progress then.
    struct Watch : QObject {
        QList<int> shownAt;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                if (auto* w = qobject_cast<UpgradeWindow*>(o))
                    shownAt << w->value();
            return false;
        }
    } watch;
    qApp->installEventFilter(&watch);
    bool windowAtLogIn = true;
    modal.on("Login", [&windowAtLogIn](QDialog& d) {
        windowAtLogIn = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            windowAtLogIn = windowAtLogIn || (qobject_cast<UpgradeWindow*>(w) && w->isVisible());
        TypeLogin(d, "001.管理员", "ADMIN");
    });
    ASSERT_TRUE(Main(tmp.path()));
    qApp->removeEventFilter(&watch);
    EXPECT_EQ(watch.shownAt, QList<int>{0});
    EXPECT_FALSE(windowAtLogIn);
    EXPECT_EQ(msgs.count(), 0);
}

TEST_F(SecondStartTest, CurrentFileShowsNoUpgradeWindow)
{
    CopyTemplateFile("vembra.dat", dataFile());
    bool shown = false;
    modal.on("Login", [&shown](QDialog& d) {
        for (QWidget* w : QApplication::topLevelWidgets())
            shown = shown || qobject_cast<UpgradeWindow*>(w);
        TypeLogin(d, "001.管理员", "ADMIN");
    });
    ASSERT_TRUE(Main(tmp.path()));
    EXPECT_FALSE(shown);
}

TEST(UpgradeWindowTest, CannotBeClosedHalfWay)
{
    UpgradeWindow w;
    w.showStep(3, kUpgradeSteps);
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "数据格式转换");
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.close());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &esc);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.value(), 3);
    GrabToPng(&w, "upgrade_window");
}

TEST_F(SecondStartTest, NewerFileRefusalSaysWhichLayoutsThisProgramOpens)
{
    CreateDataFile(dataFile());
    Database::open(dataFile(), DataFileKey(), ProgramSql())->executeNative("PRAGMA user_version = 2");
    msgs.expect("程序启动错误!");
    modal.on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
    EXPECT_FALSE(Main(tmp.path()));
    EXPECT_TRUE(msgs.boxes().first().text.contains(
        QStringLiteral("本程序只能打开数据格式 %1 及以前的数据文件").arg(kDataFileVersion)))
        << msgs.boxes().first().text.toStdString();
}

TEST_F(SecondStartTest, ReadOnlyFolderIsReportedAsSuch)
{
    WriteOldDataFile(dataFile(), OldLayout::NoPaidDefault);
    const QByteArray before = readAll(dataFile());
    ImmutablePlace readOnly(tmp.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "chattr +i is not available here";
    msgs.expect("程序启动错误!");
    modal.on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
    EXPECT_FALSE(Main(tmp.path()));
    ASSERT_GE(msgs.count(), 1);
    EXPECT_TRUE(msgs.boxes().first().text.contains("是只读的")) << msgs.boxes().first().text.toStdString();
    EXPECT_FALSE(msgs.boxes().first().text.contains("另一个正在运行的本程序"));
    EXPECT_EQ(readAll(dataFile()), before);
}

// A copy that ends has the file alone a moment (the last removes the lock
// file): a start then waits for it and is not refused.
TEST_F(SecondStartTest, StartWhileAnotherCopyEndsRuns)
{
    CopyTemplateFile("vembra.dat", dataFile());
    modal.on("Login", [](QDialog& d) { TypeLogin(d, "001.管理员", "ADMIN"); });
    {
        CopyProcess ending(kDriver, tmp.path()); // opens, then ends at once
        ASSERT_TRUE(ending.waitFor("OPEN").startsWith("OPEN"));
        ASSERT_TRUE(Main(tmp.path()));
        EXPECT_EQ(ending.finish(), 0);
    }
    gDb.reset();
    gDbLock.reset();
    delete MForm::current();
    // Held alone for a while, as by a copy slow to end.
    auto holding = std::make_unique<DataFileLock>(dataFile());
    ASSERT_TRUE(holding->takeAlone());
    std::thread end([&holding] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holding.reset();
    });
    const bool runs = Main(tmp.path());
    end.join();
    EXPECT_TRUE(runs);
    EXPECT_EQ(msgs.count(), 0);
}

// A start that fails lets the file go before its box waits for the operator:
// a copy starting meanwhile is not kept waiting or refused for it.
TEST_F(SecondStartTest, FailureBoxWaitsWithNothingOfTheFileHeld)
{
    const struct {
        const char* name;
        bool anotherCopyRuns; // else the file is under another key
    } cases[] = {{"UpgradeBesideARunningCopy", true}, {"FileUnderAnotherKey", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(dataFile());
        std::unique_ptr<DataFileLock> running;
        if (c.anotherCopyRuns) {
            WriteOldDataFile(dataFile(), OldLayout::NoPaidDefault);
            running = std::make_unique<DataFileLock>(dataFile());
            ASSERT_TRUE(running->share());
        } else {
            Database::create(dataFile(), "another key", ProgramSql())->executeNative("create table TE1 (F1 text)");
        }
        // The operator's view while the box is up: can another copy have the file alone?
        QStringList shown;
        bool aloneAtTheBox = false;
        SetMsgResponder([&](const MsgRecord& r) {
            shown << r.text;
            if (running) {
                aloneAtTheBox = running->takeAlone();
                running->shareAgain();
            } else {
                aloneAtTheBox = DataFileLock(dataFile()).takeAlone();
            }
            return 1;
        });
        modal.on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
        EXPECT_FALSE(Main(tmp.path()));
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown.first().startsWith("程序启动错误!")) << shown.first().toStdString();
        EXPECT_TRUE(aloneAtTheBox);
        ResetProgramEndRequest();
    }
    SetMsgResponder({});
}

// What keeps the program from working on its file is said at start-up, in
// its own words, before any session whose saves would all fail.
TEST_F(SecondStartTest, StartUpTextsSayWhatIsWrong)
{
    QTemporaryDir probe;
    if (!ImmutablePlace(probe.path()).ok())
        GTEST_SKIP() << "chattr +i is not available here";
    const struct {
        const char* name;
        bool readOnlyFolder; // with a lock file a killed copy left; else the data file is read-only
        QString says;
    } cases[] = {
        {"ReadOnlyFolderWithALockFileLeft", true, "文件夹 '" + tmp.path() + "' 是只读的"},
        {"ReadOnlyDataFile", false, "文件 '" + tmp.path() + "/vembra.dat' 是只读的"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(dataFile());
        CopyTemplateFile("vembra.dat", dataFile());
        QFile(DataFileLock::lockFileOf(dataFile())).open(QIODevice::WriteOnly);
        const QByteArray before = readAll(dataFile());
        {
            ImmutablePlace readOnly(c.readOnlyFolder ? tmp.path() : dataFile());
            msgs.clear();
            msgs.expect("程序启动错误!");
            modal.shown.clear();
            modal.on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
            const QString text = expectStartEnded(Main(tmp.path()), {"S32"});
            EXPECT_TRUE(text.contains(c.says)) << text.toStdString();
        }
        EXPECT_EQ(readAll(dataFile()), before);
        ResetProgramEndRequest();
    }
}

namespace {

// The engine's progress handler on every connection opened while it is
// installed. While the upgrade window is up, a handler called off the
// interface thread now and then posts an event there and waits for it to be
// handled: the interface's event loop turns during the statement.
struct TurnCheck {
    std::atomic<bool> upgrading{false};
    UpgradeWindow* window = nullptr;
    std::atomic<int> onInterfaceThread{0}; // handler calls on the interface thread during the upgrade
    std::atomic<int> asked{0};
    std::atomic<int> answered{0};
    std::atomic<long> calls{0};
};
TurnCheck g_turns;

int checkTurn(void*)
{
    if (!g_turns.upgrading)
        return 0;
    if (QThread::currentThread() == qApp->thread()) {
        // Once the last step is shown, the working connection is opened here.
        if (g_turns.window && g_turns.window->value() < kUpgradeSteps)
            ++g_turns.onInterfaceThread;
        return 0;
    }
    if (++g_turns.calls % 20 != 0 || g_turns.asked >= 40)
        return 0;
    ++g_turns.asked;
    auto handled = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        qApp, [handled] { *handled = true; }, Qt::QueuedConnection);
    for (int i = 0; i < 20000 && !*handled; ++i) // a bound against a hang, not a timing
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (*handled)
        ++g_turns.answered;
    return 0;
}

int installTurnCheck(sqlite3* db, char**, const sqlite3_api_routines*)
{
    sqlite3_progress_handler(db, 100, checkTurn, nullptr);
    return SQLITE_OK;
}

} // namespace

TEST_F(SecondStartTest, UpgradeWindowAnswersTheDesktopDuringEveryStep)
{
    WriteOldDataFile(dataFile(), OldLayout::SmallPages);
    struct Watch : QObject {
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Show && qobject_cast<UpgradeWindow*>(o)) {
                g_turns.window = qobject_cast<UpgradeWindow*>(o);
                g_turns.upgrading = true;
            }
            return false;
        }
    } watch;
    qApp->installEventFilter(&watch);
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&installTurnCheck));
    modal.on("Login", [](QDialog& d) {
        g_turns.upgrading = false;
        g_turns.window = nullptr;
        TypeLogin(d, "001.管理员", "ADMIN");
    });
    const bool runs = Main(tmp.path());
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&installTurnCheck));
    qApp->removeEventFilter(&watch);
    ASSERT_TRUE(runs);
    EXPECT_EQ(g_turns.onInterfaceThread, 0);
    EXPECT_GT(g_turns.asked, 0);
    EXPECT_EQ(g_turns.answered.load(), g_turns.asked.load());
}

namespace {

class RestoreBesideACopyTest : public FileCopyTest {
protected:
    QString dataFile() const { return folder->file("vembra.dat"); }
    QString backupOf()
    {
        const QString backup = tmp.filePath("DataBak.dat");
        Db().execute("insert into M04 (F1,F2) values ('B1','备份中')");
        folder->closeDb();
        EXPECT_TRUE(QFile::copy(dataFile(), backup));
        folder->openDb();
        return backup;
    }
    void restoreFrom(const QString& source, const QString& box)
    {
        S32 dlg;
        dlg.show();
        files.answer(source);
        msgs->expect(box);
        dlg.findChild<QPushButton*>("Command1")->click();
    }
    QTemporaryDir tmp;
};

} // namespace

TEST_F(RestoreBesideACopyTest, RestoreAndBackupWhileAnotherCopyRunsAreRefusedAndChangeNothing)
{
    const QString backup = backupOf();
    CopyProcess other(kDriver, folder->path(), {"--save=3", "--hold"});
    ASSERT_EQ(other.waitFor("HOLD"), "HOLD");
    const QStringList rows = DataFileRows(backup);
    Db().execute("insert into M04 (F1,F2) values ('M1','主程序')");

    restoreFrom(backup, "不能恢复数据，原数据文件未改变！");
    EXPECT_TRUE(msgs->last().text.contains("另一个正在运行的本程序")) << msgs->last().text.toStdString();
    // Nothing was closed, nothing replaced: both copies go on.
    EXPECT_TRUE(gDb);
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_EQ(GetStr("select F2 from M04 where F1='M1'"), "主程序");

    files.answer(tmp.filePath("Bak2.dat"));
    msgs->expect("备份失败!");
    RunBackup(nullptr);
    EXPECT_TRUE(msgs->last().text.contains("另一个正在运行的本程序")) << msgs->last().text.toStdString();
    EXPECT_FALSE(QFile::exists(tmp.filePath("Bak2.dat")));
    EXPECT_TRUE(gDb);
    EXPECT_FALSE(ProgramEndRequested());
    Db().execute("insert into M04 (F1,F2) values ('M2','主程序')");

    EXPECT_EQ(other.finish(), 0);
    EXPECT_EQ(GetVal("select count(*) from M04 where F2 in ('driver','主程序')"), 5);
    // Once the other copy has ended, the restore goes ahead.
    restoreFrom(backup, "数据恢复完成，请重新运行本系统！");
    EXPECT_EQ(DataFileRows(dataFile()), rows);
}

TEST_F(RestoreBesideACopyTest, NewerFileIsRefusedSayingWhichLayoutsThisProgramOpens)
{
    const QString newer = tmp.filePath("newer.dat");
    CreateDataFile(newer);
    Database::open(newer, DataFileKey(), ProgramSql())->executeNative("PRAGMA user_version = 2");
    const QByteArray before = readAll(dataFile());
    restoreFrom(newer, "所选文件由较新版本的程序写成");
    EXPECT_EQ(msgs->last().text,
              QStringLiteral("所选文件由较新版本的程序写成（数据格式 2），本程序只能打开数据格式 %1 及以前的数据文件！")
                  .arg(kDataFileVersion));
    EXPECT_EQ(readAll(dataFile()), before);
    EXPECT_TRUE(gDb);
    EXPECT_FALSE(ProgramEndRequested());
}

TEST_F(RestoreBesideACopyTest, RestoredFileGetsACopyOfItsOwnAtTheNextUpgrade)
{
    // An upgrade ended half-way left its marker and its copy.
    const QString left = folder->file("vembra-v0.dat");
    WriteOldDataFile(left, OldLayout::NarrowWaybillIndex);
    const QByteArray leftBytes = readAll(left);
    QFile marker(UpgradeMarkerOf(dataFile()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("vembra-v0.dat");
    marker.close();
    // The restored file is another old one.
    const QString other = tmp.filePath("other.dat");
    WriteOldDataFile(other, OldLayout::SmallPages);
    restoreFrom(other, "数据恢复完成，请重新运行本系统！");
    EXPECT_FALSE(QFile::exists(UpgradeMarkerOf(dataFile())));
    OpenDataFile(dataFile(), folder->path() + "/").reset();
    EXPECT_EQ(readAll(left), leftBytes);
    EXPECT_EQ(readAll(folder->file("vembra-v0-2.dat")), readAll(other));
}

TEST_F(RestoreBesideACopyTest, ReadOnlyFolderOrFileIsReportedAsSuch)
{
    const QString backup = backupOf();
    const QByteArray before = readAll(dataFile());
    // The data file itself, then its folder.
    for (const QString& target : {dataFile(), folder->path()}) {
        SCOPED_TRACE(target.toStdString());
        ImmutablePlace readOnly(target);
        if (!readOnly.ok())
            GTEST_SKIP() << "chattr +i is not available here";
        msgs->clear();
        restoreFrom(backup, "不能恢复数据，原数据文件未改变！");
        EXPECT_TRUE(msgs->last().text.contains("是只读的")) << msgs->last().text.toStdString();
        EXPECT_EQ(readAll(dataFile()), before);
        EXPECT_TRUE(gDb);
    }
}
