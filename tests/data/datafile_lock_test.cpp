// Copies side by side on one data file, the file alone for what rewrites it:
// the lock beside the data file, and the upgrade's refusals while another
// copy holds it.
#include "data/program_sql.h"
#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/schema.h"
#include "support/copy_process.h"
#include "support/old_datafiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kDriver = QStringLiteral(UPGRADE_DRIVER_PATH);

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Two copies, a and b, each with its own lock on one data file (locks of two
// opens exclude each other as those of two processes do).
struct LockStep {
    char copy;     // 'a' or 'b'
    char action;   // 's' share, 'x' take alone, 'r' back to shared, 'q' quit,
                   // 't' take the start's turn (no wait), 'e' end it
    bool succeeds; // for s, x and t
};

struct LockCase {
    const char* name;
    std::vector<LockStep> steps;
};

const LockCase kLockCases[] = {
    {"CopiesShare", {{'a', 's', true}, {'b', 's', true}, {'a', 's', true}}},
    {"AloneWhileAnotherSharesIsRefusedAndKeepsTheShare",
     {{'a', 's', true}, {'b', 's', true}, {'a', 'x', false}, {'b', 'x', false}, {'b', 'q', true}, {'a', 'x', true}}},
    {"NoneJoinsACopyThatHasTheFileAlone", {{'a', 'x', true}, {'b', 's', false}, {'b', 'x', false}}},
    {"BackToSharedLetsOthersJoin",
     {{'a', 's', true}, {'a', 'x', true}, {'b', 's', false}, {'a', 'r', true}, {'b', 's', true}}},
    {"AQuitCopyBlocksNothing", {{'a', 'x', true}, {'a', 'q', true}, {'b', 'x', true}}},
    {"OneStartAtATime", {{'a', 't', true}, {'b', 't', false}, {'a', 'e', true}, {'b', 't', true}}},
    {"AStartsTurnLeavesCopiesAlone", {{'a', 's', true}, {'b', 't', true}, {'b', 's', true}, {'a', 's', true}}},
    // The last copy to quit removes the lock file, but not under a start in its turn.
    {"ACopyEndingKeepsTheLockFileForAStartInItsTurn", {{'a', 's', true}, {'b', 't', true}, {'a', 'q', true}}},
};

class LockTable : public ::testing::TestWithParam<LockCase> {};

} // namespace

TEST_P(LockTable, CopiesOnOneFile)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("vembra.dat");
    std::map<char, std::unique_ptr<DataFileLock>> copies;
    int i = 0;
    for (const LockStep& s : GetParam().steps) {
        SCOPED_TRACE(i++);
        auto& lock = copies[s.copy];
        if (!lock)
            lock = std::make_unique<DataFileLock>(data);
        switch (s.action) {
        case 's': EXPECT_EQ(lock->share(), s.succeeds); break;
        case 'x': EXPECT_EQ(lock->takeAlone(), s.succeeds); break;
        case 'r': lock->shareAgain(); break;
        case 'q': lock.reset(); break;
        case 't': EXPECT_EQ(lock->takeStartTurn(std::chrono::steady_clock::now()), s.succeeds); break;
        case 'e': lock->endStartTurn(); break;
        }
    }
    // The lock file stays while a copy holds it; the last one removes it.
    EXPECT_TRUE(QFile::exists(DataFileLock::lockFileOf(data)));
    copies.clear();
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Steps, LockTable, ::testing::ValuesIn(kLockCases),
                         [](const ::testing::TestParamInfo<LockCase>& p) { return std::string(p.param.name); });

TEST(DataFileLockTest, AKilledCopysLockBlocksNoLaterStart)
{
    QTemporaryDir tmp;
    CreateDataFile(tmp.filePath("vembra.dat"));
    {
        CopyProcess running(kDriver, tmp.path(), {"--hold"});
        ASSERT_EQ(running.waitFor("HOLD"), "HOLD");
        DataFileLock other(tmp.filePath("vembra.dat"));
        EXPECT_TRUE(other.share());
        EXPECT_FALSE(other.takeAlone());
        running.kill();
        EXPECT_TRUE(other.takeAlone());
    }
    // Its lock file is left behind and harmless.
    DataFileLock next(tmp.filePath("vembra.dat"));
    EXPECT_TRUE(next.takeAlone());
}

TEST(DataFileLockTest, WriteFailuresSayWhatIsReadOnly)
{
    QTemporaryDir tmp;
    const QString existing = tmp.filePath("vembra.dat");
    QFile(existing).open(QIODevice::WriteOnly);
    const QString missing = tmp.filePath("vembra.dat.lock");
    // Left by a copy another user ran: its permissions deny this one.
    const QString otherUsers = tmp.filePath("other.lock");
    QFile(otherUsers).open(QIODevice::WriteOnly);
    // Only root gives a file away; elsewhere the case reads the tester's own file.
    const bool givenAway = ::chown(QFile::encodeName(otherUsers).constData(), 65534, 65534) == 0;
    const struct {
        QString path;
        int error;
        QString says;
    } cases[] = {
        {missing, EROFS, "文件夹 '" + tmp.path() + "' 是只读的"},
        {missing, EACCES, "文件夹 '" + tmp.path() + "' 是只读的"},
        {missing, EPERM, "文件夹 '" + tmp.path() + "' 是只读的"},
        {existing, EROFS, "文件 '" + existing + "' 是只读的"},
        {existing, EACCES, "文件 '" + existing + "' 是只读的"},
        {missing, ENOSPC, "不能建立文件 '" + missing + "'"},
        {otherUsers, EACCES, "文件 '" + otherUsers + (givenAway ? "' 属于另一个用户" : "' 是只读的")},
        {otherUsers, EPERM, "文件 '" + otherUsers + "' 是只读的"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(DataFileLock::writeFailureReason(c.path, c.error).startsWith(c.says))
            << DataFileLock::writeFailureReason(c.path, c.error).toStdString();
}

TEST(DataFileLockTest, ReadOnlyFolderIsReportedAsSuchNotAsAnotherCopy)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("vembra.dat");
    WriteOldDataFile(data, OldLayout::NoPaidDefault);
    const QByteArray before = bytesOf(data);
    ImmutablePlace readOnly(tmp.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "chattr +i is not available here";
    try {
        OpenDataFile(data, tmp.path() + "/");
        FAIL() << "opened in a read-only folder";
    } catch (const DataFileInUse& e) {
        FAIL() << e.what();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("是只读的")) << e.what();
    }
    EXPECT_EQ(bytesOf(data), before);
}

TEST(DataFileLockTest, StartThatWouldUpgradeWhileAnotherCopyRunsChangesNothing)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("vembra.dat");
    WriteOldDataFile(data, OldLayout::NarrowSequenceIndex);
    const QByteArray before = bytesOf(data);
    DataFileLock running(data);
    ASSERT_TRUE(running.share());
    EXPECT_THROW(OpenDataFile(data, tmp.path() + "/"), DataFileInUse);
    EXPECT_EQ(bytesOf(data), before);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), (QStringList{"vembra.dat", "vembra.dat.lock"}));
}

TEST(DataFileLockTest, StartDuringAnotherCopysUpgradeIsRefusedAndTheUpgradeGoesOn)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("vembra.dat");
    WriteOldDataFile(data, OldLayout::SmallPages);
    const QStringList rows = DataFileRows(data);
    CopyProcess upgrading(kDriver, tmp.path(), {"--stop-step=4"});
    ASSERT_EQ(upgrading.waitFor("STOP"), "STOP");
    const QStringList during = QDir(tmp.path()).entryList(QDir::Files);
    try {
        OpenDataFile(data, tmp.path() + "/");
        FAIL() << "opened during another copy's upgrade";
    } catch (const DataFileInUse& e) {
        EXPECT_TRUE(e.message().contains("另一个正在运行的本程序")) << e.what();
    }
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), during);
    upgrading.kill();
    // The next start finishes that upgrade.
    OpenDataFile(data, tmp.path() + "/").reset();
    EXPECT_EQ(ReadDataFileLayout(data, DataFileKey()).version, kDataFileVersion);
    EXPECT_EQ(DataFileRows(data), rows);
}

TEST(DataFileLockTest, TwoCopiesSaveSideBySideAndNeitherLosesARow)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("vembra.dat");
    CreateDataFile(data);
    constexpr int kRows = 150;
    CopyProcess other(kDriver, tmp.path(), {QStringLiteral("--save=%1").arg(kRows), "--hold"});
    ASSERT_TRUE(other.waitFor("OPEN").startsWith("OPEN"));
    {
        DataFileLock lock(data);
        auto db = OpenDataFile(data, tmp.path() + "/", lock);
        for (int i = 0; i < kRows; ++i) {
            Transaction tx(*db);
            db->execute(QStringLiteral("insert into M04 (F1,F2) values ('T%1','test')").arg(i, 4, 10, QChar('0')));
            tx.commit();
        }
        ASSERT_EQ(other.waitFor("SAVED"), "SAVED") << other.lines().join('\n').toStdString();
        EXPECT_EQ(db->openRecordset("select count(*) from M04 where F2='driver'").field(0).toInt(), kRows);
        EXPECT_EQ(db->openRecordset("select count(*) from M04 where F2='test'").field(0).toInt(), kRows);
    }
    EXPECT_EQ(other.finish(), 0);
    auto db = Database::open(data, DataFileKey(), ProgramSql());
    EXPECT_EQ(db->openRecordset("select count(distinct F1) from M04 where F2 in ('driver','test')").field(0).toInt(),
              2 * kRows);
}

// Two starts within a moment on a file to upgrade: whichever has its turn
// first upgrades; the other waits for it and opens the upgraded file (or,
// past its wait, is refused with the reason). Never both refused.
TEST(StartBesideAStart, TwoStartsWithinAMomentEndWithAProgramRunning)
{
    for (OldLayout layout : {OldLayout::SmallPages, OldLayout::NoPaidDefault, OldLayout::LedgerBlocks}) {
        SCOPED_TRACE(OldLayoutName(layout));
        QTemporaryDir tmp;
        const QString data = tmp.filePath("vembra.dat");
        WriteOldDataFile(data, layout);
        const QStringList rows = DataFileRows(data);
        CopyProcess first(kDriver, tmp.path());
        CopyProcess second(kDriver, tmp.path());
        const QString a = first.waitFor("OPEN"), b = second.waitFor("OPEN");
        const QString out = (first.lines() + second.lines()).join('\n');
        EXPECT_TRUE(a == QStringLiteral("OPEN %1").arg(kDataFileVersion)
                    || b == QStringLiteral("OPEN %1").arg(kDataFileVersion))
            << out.toStdString();
        // A start refused is refused for a reason, never for another start.
        for (const QString& line : first.lines() + second.lines()) {
            if (line.startsWith("INUSE")) {
                EXPECT_TRUE(line.contains("正在独占使用数据文件")) << out.toStdString();
            }
        }
        EXPECT_EQ(first.finish(), a.isEmpty() ? 4 : 0);
        EXPECT_EQ(second.finish(), b.isEmpty() ? 4 : 0);
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), (QStringList{"vembra-v0.dat", "vembra.dat"}));
        EXPECT_EQ(DataFileRows(data), rows);
    }
}

// A copy that ends has the file alone for a moment, to remove the lock file
// when it is the last. A start meanwhile waits for it and opens the file.
TEST(StartBesideAStart, StartWhileAnotherCopyEndsIsNotRefused)
{
    const struct {
        const char* name;
        bool removesTheLockFile; // as the last copy does
    } cases[] = {{"LastCopyEnding", true}, {"CopyEndingBesideOthers", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QString data = tmp.filePath("vembra.dat");
        CreateDataFile(data);
        auto ending = std::make_unique<DataFileLock>(data);
        ASSERT_TRUE(ending->takeAlone());
        CopyProcess starting(kDriver, tmp.path());
        std::thread end([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (!c.removesTheLockFile)
                ending->shareAgain(); // another copy's share keeps the file; this one's open goes
            ending.reset();
        });
        EXPECT_EQ(starting.waitFor("OPEN"), QStringLiteral("OPEN %1").arg(kDataFileVersion))
            << starting.lines().join('\n').toStdString();
        end.join();
        EXPECT_EQ(starting.finish(), 0);
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
    }
}

// What keeps a start from working on the file is said, in its own words; the
// file and the folder are left as they were.
TEST(StartUpTexts, ReadOnlyPlacesAreSaidSo)
{
    QTemporaryDir probe;
    ImmutablePlace works(probe.path());
    if (!works.ok())
        GTEST_SKIP() << "chattr +i is not available here";
    const struct {
        const char* name;
        bool oldLayout;
        bool lockFileLeft;   // by a killed copy
        bool readOnlyFolder; // else the data file is read-only
        const char* says;    // after the folder or the data file's name
    } cases[] = {
        {"ReadOnlyFolder", true, false, true, "' 是只读的，不能在其中建立文件。"},
        {"ReadOnlyFolderWithALockFileLeft", false, true, true, "' 是只读的，不能在其中建立文件。"},
        {"ReadOnlyFolderWithALockFileLeftAndAnOldFile", true, true, true, "' 是只读的，不能在其中建立文件。"},
        {"ReadOnlyDataFile", false, false, false, "' 是只读的，不能写入。"},
        {"ReadOnlyDataFileOfAnOldLayout", true, true, false, "' 是只读的，不能写入。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QString data = tmp.filePath("vembra.dat");
        if (c.oldLayout)
            WriteOldDataFile(data, OldLayout::NoPaidDefault);
        else
            CreateDataFile(data);
        if (c.lockFileLeft)
            QFile(DataFileLock::lockFileOf(data)).open(QIODevice::WriteOnly);
        // Nothing made beside the file (a stale lock file may go).
        auto filesBeside = [&tmp] {
            return QDir(tmp.path()).entryList(QDir::Files).filter(QRegularExpression("^(?!vembra\\.dat\\.lock$)"));
        };
        const QStringList files = filesBeside();
        const QByteArray before = bytesOf(data);
        {
            ImmutablePlace readOnly(c.readOnlyFolder ? tmp.path() : data);
            ASSERT_TRUE(readOnly.ok());
            try {
                OpenDataFile(data, tmp.path() + "/");
                ADD_FAILURE() << "opened";
            } catch (const DataFileInUse& e) {
                ADD_FAILURE() << e.what();
            } catch (const DbError& e) {
                const QString said = (c.readOnlyFolder ? "文件夹 '" + tmp.path() : "文件 '" + data) + c.says;
                EXPECT_TRUE(e.message().startsWith(said)) << e.what();
            }
        }
        EXPECT_EQ(bytesOf(data), before);
        EXPECT_EQ(filesBeside(), files);
    }
}
