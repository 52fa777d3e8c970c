// A start-up killed anywhere in the upgrade of an older data file: the next
// start finishes it from the one copy the first made, every row kept. Each
// case runs the program's start-up in a second process (upgrade_driver) and
// kills it at every step the upgrade reports and at ticks spread over the
// whole run, in the middle of statements; the number of kills is bounded.
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
#include <gtest/gtest.h>

namespace {

const QString kDriver = QStringLiteral(UPGRADE_DRIVER_PATH);
constexpr int kTickKills = 6;

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct KillCase {
    OldLayout layout;
    bool walBeside; // the last writes still in a write-ahead journal beside the file
};

const KillCase kKillCases[] = {
    {OldLayout::SmallPages, false},         {OldLayout::SmallPages, true},           {OldLayout::NoPaidDefault, false},
    {OldLayout::NarrowWaybillIndex, false}, {OldLayout::NarrowSequenceIndex, false}, {OldLayout::LedgerBlocks, false},
    {OldLayout::LedgerBlocks, true},
};

// The file a first start finds, in folder: an old layout with enough ledger
// rows that its rewrite spills pages into the file before the commit.
void writeFound(const QString& folder, const KillCase& c)
{
    QTemporaryDir work;
    const QString made = work.filePath("vembra.dat");
    WriteOldDataFile(made, c.layout);
    const int pages = c.layout == OldLayout::SmallPages ? 1024 : 4096;
    auto db = Database::openAsFound(made, DataFileKey(), ProgramSql(), pages);
    db->executeNative("INSERT INTO TB1 (F1,F2,F3,LB,SN,F10) SELECT F1,F2,F3,LB,SN+1000*x,printf('%0300d',x) FROM TB1, "
                      "(WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<300) SELECT x FROM c)");
    if (c.walBeside) {
        db->executeNative("PRAGMA journal_mode=WAL");
        db->executeNative("INSERT INTO M04 (F1,F2) VALUES ('W1','只在日志中')");
        ASSERT_TRUE(QFile::copy(made + "-wal", folder + "/vembra.dat-wal"));
    }
    ASSERT_TRUE(QFile::copy(made, folder + "/vembra.dat"));
}

// The file as found once its journal is played back: what the copy holds.
QByteArray asFound(const QString& folder, const KillCase& c)
{
    QTemporaryDir work;
    for (const QString& f : QDir(folder).entryList(QDir::Files))
        QFile::copy(folder + "/" + f, work.filePath(f));
    if (c.walBeside)
        Database::openAsFound(work.filePath("vembra.dat"), DataFileKey(), ProgramSql(),
                              c.layout == OldLayout::SmallPages ? 1024 : 4096)
            ->executeNative("PRAGMA wal_checkpoint(TRUNCATE)");
    return bytesOf(work.filePath("vembra.dat"));
}

class UpgradeKillTest : public ::testing::TestWithParam<KillCase> {};

} // namespace

TEST_P(UpgradeKillTest, NextStartFinishesTheUpgradeFromTheOneCopy)
{
    const KillCase c = GetParam();
    QTemporaryDir original;
    writeFound(original.path(), c);
    const QByteArray found = asFound(original.path(), c);
    QTemporaryDir ref;
    {
        QFile out(ref.filePath("vembra.dat"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(found);
    }
    const QStringList rows = DataFileRows(ref.filePath("vembra.dat"));
    ASSERT_TRUE(!c.walBeside || rows.contains("M04: W1|只在日志中"));

    // A run through counts the ticks the kills are spread over.
    long long ticks = 0;
    {
        QTemporaryDir dir;
        for (const QString& f : QDir(original.path()).entryList(QDir::Files))
            QFile::copy(original.filePath(f), dir.filePath(f));
        QStringList out;
        ASSERT_EQ(RunCopy(kDriver, dir.path(), {}, &out), 0) << out.join('\n').toStdString();
        ticks = out.filter(QRegularExpression("^TICKS ")).value(0).mid(6).toLongLong();
        ASSERT_GT(ticks, kTickKills);
        EXPECT_EQ(out.filter(QRegularExpression("^STEP ")).size(), kUpgradeSteps + 1);
    }

    QList<QStringList> kills;
    for (int step = 0; step <= kUpgradeSteps; ++step)
        kills.append({QStringLiteral("--stop-step=%1").arg(step)});
    for (int i = 1; i <= kTickKills; ++i)
        kills.append({QStringLiteral("--stop-tick=%1").arg(ticks * i / (kTickKills + 1))});
    for (const QStringList& kill : std::as_const(kills)) {
        SCOPED_TRACE(kill.join(' ').toStdString());
        QTemporaryDir dir;
        for (const QString& f : QDir(original.path()).entryList(QDir::Files))
            QFile::copy(original.filePath(f), dir.filePath(f));
        {
            CopyProcess first(kDriver, dir.path(), kill);
            ASSERT_EQ(first.waitFor("STOP"), "STOP") << first.lines().join('\n').toStdString();
            first.kill();
        }
        QStringList out;
        ASSERT_EQ(RunCopy(kDriver, dir.path(), {}, &out), 0) << out.join('\n').toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("OPEN %1").arg(kDataFileVersion))) << out.join('\n').toStdString();
        const QString data = dir.filePath("vembra.dat");
        EXPECT_EQ(ReadDataFileLayout(data, DataFileKey()).version, kDataFileVersion);
        EXPECT_EQ(DataFileRows(data), rows);
        // One copy, byte for byte the file as the first start found it, and
        // nothing else left beside the data file.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"vembra-v0.dat", "vembra.dat"}));
        EXPECT_TRUE(bytesOf(dir.filePath("vembra-v0.dat")) == found);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, UpgradeKillTest, ::testing::ValuesIn(kKillCases),
                         [](const ::testing::TestParamInfo<KillCase>& p) {
                             return std::string(OldLayoutName(p.param.layout))
                                 + (p.param.walBeside ? "WithJournal" : "");
                         });
