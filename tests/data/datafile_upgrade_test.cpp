// Opening a data file of an older layout brings it to the current one after
// leaving a copy of it; a file of a newer layout is refused untouched.
#include "data/datafile_upgrade.h"
#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/statement.h"
#include "support/copy_process.h"
#include "support/old_datafiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList column(Database& db, const QString& sql) { return SelectRows(db, sql); }

// Every schema object, as (type, name, table, sql), in name order.
QStringList masterOf(const QString& path)
{
    auto db = Database::openReadOnly(path, DataFileKey(), ProgramSql());
    return column(*db, "select type, name, tbl_name, sql from sqlite_master order by type, name");
}

// Every table's rows, rowids aside, in the order of their values.
QStringList rowsOf(const QString& path)
{
    auto db = Database::openReadOnly(path, DataFileKey(), ProgramSql());
    QStringList out;
    for (const QString& table : column(*db, "select name from sqlite_master where type='table' order by name")) {
        QStringList rows = column(*db, QStringLiteral("select * from \"%1\"").arg(table));
        rows.sort();
        for (const QString& r : rows)
            out << table + ": " + r;
    }
    return out;
}

int versionOf(const QString& path) { return ReadDataFileLayout(path, DataFileKey()).version; }

// The schema of a new file, made once.
const QStringList& freshMasterOf()
{
    static const QStringList master = [] {
        QTemporaryDir tmp;
        CreateDataFile(tmp.filePath("fresh.dat"));
        return masterOf(tmp.filePath("fresh.dat"));
    }();
    return master;
}

class UpgradeTest : public ::testing::TestWithParam<OldLayout> {
protected:
    QString dir() const { return tmp.path() + "/"; }
    QString dataFile() const { return dir() + "vembra.dat"; }
    QString backup() const { return dir() + "vembra-v0.dat"; }
    QStringList folderFiles() const { return QDir(tmp.path()).entryList(QDir::Files); }
    QStringList freshMaster()
    {
        CreateDataFile(dir() + "fresh.dat");
        const QStringList m = masterOf(dir() + "fresh.dat");
        QFile::remove(dir() + "fresh.dat");
        return m;
    }
    QTemporaryDir tmp;
};

} // namespace

TEST_P(UpgradeTest, OldFileGetsTheNewFilesSchemaAndKeepsItsRows)
{
    WriteOldDataFile(dataFile(), GetParam());
    const QByteArray oldBytes = readAll(dataFile());
    const QStringList oldRows = rowsOf(dataFile());
    ASSERT_EQ(versionOf(dataFile()), 0);

    OpenDataFile(dataFile(), dir()).reset();

    EXPECT_EQ(masterOf(dataFile()), freshMaster());
    // The same rows, and the per-date table the numbering reads filled from the ledger.
    QStringList rows = rowsOf(dataFile());
    const QStringList days = rows.filter(QRegularExpression("^TB1Days: "));
    for (const QString& d : days)
        rows.removeOne(d);
    EXPECT_EQ(rows, oldRows);
    QStringList expectedDays;
    for (const QString& d : column(*Database::openReadOnly(dataFile(), DataFileKey(), ProgramSql()),
                                   "select F2, max(SN) from TB1 where F1 is not null group by F2 order by F2"))
        expectedDays << "TB1Days: " + d;
    EXPECT_EQ(days, expectedDays);
    EXPECT_FALSE(days.isEmpty());
    const DataFileLayout now = ReadDataFileLayout(dataFile(), DataFileKey());
    EXPECT_EQ(now.version, kDataFileVersion);
    EXPECT_EQ(now.pageSize, 4096);
    // The copy is the file as it was.
    EXPECT_EQ(readAll(backup()), oldBytes);
    EXPECT_EQ(folderFiles(), (QStringList{"vembra-v0.dat", "vembra.dat"}));
}

TEST_P(UpgradeTest, LedgerRowsLieInTheirPartiesBlocksInSequenceOrder)
{
    WriteOldDataFile(dataFile(), GetParam());
    auto db = OpenDataFile(dataFile(), dir());
    Statement st(*db, "select rowid, F3 from TB1 order by SN");
    QMap<qint64, qint64> last; // block -> the last rowid seen in it
    int rows = 0;
    while (st.step()) {
        const qint64 block = LedgerRowBlock(st.columnText(1));
        const qint64 rowid = st.columnInt64(0);
        EXPECT_EQ(rowid, last.value(block, block - 1) + 1) << st.columnText(1).toStdString();
        last[block] = rowid;
        ++rows;
    }
    EXPECT_EQ(rows, 7);
    EXPECT_EQ(last.size(), 3); // "Customer C" and "customer c" are one party
}

INSTANTIATE_TEST_SUITE_P(Layouts, UpgradeTest, ::testing::ValuesIn(kOldLayouts),
                         [](const ::testing::TestParamInfo<OldLayout>& p) {
                             return std::string(OldLayoutName(p.param));
                         });

TEST(UpgradeRefusal, NewerFileIsRefusedWithItsBytesAndFolderUnchanged)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("vembra.dat");
    CreateDataFile(path);
    {
        // Left in the write-ahead journal, as the newer program leaves it.
        auto db = Database::open(path, DataFileKey(), ProgramSql());
        db->executeNative("PRAGMA user_version = 2");
    }
    const QByteArray before = readAll(path);
    try {
        OpenDataFile(path, tmp.path() + "/");
        FAIL() << "a newer file opened";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("较新版本的程序")) << e.what();
    }
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
}

TEST(UpgradeRefusal, CurrentFileIsOpenedAsItIsEveryTime)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("vembra.dat");
    CreateDataFile(path);
    const QStringList master = masterOf(path);
    for (int i = 0; i < 2; ++i) {
        auto db = OpenDataFile(path, tmp.path() + "/");
        db->execute("insert into M04 (F1,F2) values ('01','x')");
    }
    EXPECT_EQ(masterOf(path), master);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
}

TEST(UpgradeRefusal, FileLackingTheDataTablesIsOpenedWithoutAnUpgrade)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("vembra.dat");
    Database::create(path, DataFileKey(), ProgramSql())->executeNative("create table M01 (F1 text)");
    OpenDataFile(path, tmp.path() + "/").reset();
    EXPECT_EQ(masterOf(path).size(), 1);
    EXPECT_EQ(versionOf(path), 0);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
}

TEST(UpgradeRefusal, NewFileSaysItsVersion)
{
    QTemporaryDir tmp;
    CreateDataFile(tmp.filePath("vembra.dat"));
    EXPECT_EQ(versionOf(tmp.filePath("vembra.dat")), kDataFileVersion);
}

TEST(UpgradeRefusal, FailedUpgradeLeavesTheFileAsItWas)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("vembra.dat");
    WriteOldDataFile(path, OldLayout::NoPaidDefault);
    // A name the rebuild of the delivery notes needs is taken, after the
    // ledger has been rebuilt in the same transaction.
    Database::open(path, DataFileKey(), ProgramSql())->executeNative("CREATE VIEW \"TD1_upgrade\" AS SELECT 1");
    const QStringList master = masterOf(path);
    const QStringList rows = rowsOf(path);
    EXPECT_THROW(OpenDataFile(path, tmp.path() + "/"), DbError);
    EXPECT_EQ(masterOf(path), master);
    EXPECT_EQ(rowsOf(path), rows);
    EXPECT_EQ(versionOf(path), 0);
    EXPECT_EQ(column(*Database::openReadOnly(path, DataFileKey(), ProgramSql()), "select rowid from TB1 order by rowid")
                  .first(),
              "1");
}

TEST(UpgradeRefusal, CopyOfAFileLeftWithItsJournalHoldsWhatTheJournalHeld)
{
    QTemporaryDir before, after;
    const QString name = "/vembra.dat";
    WriteOldDataFile(before.path() + name, OldLayout::LedgerBlocks);
    {
        // The program ended with this write still in the journal beside the file.
        auto db = Database::open(before.path() + name, DataFileKey(), ProgramSql());
        db->execute("insert into M04 (F1,F2) values ('07','日志中')");
        ASSERT_TRUE(QFile::copy(before.path() + name, after.path() + name));
        ASSERT_TRUE(QFile::copy(before.path() + name + "-wal", after.path() + name + "-wal"));
    }
    OpenDataFile(after.path() + name, after.path() + "/").reset();
    for (const QString& file : {name, QString("/vembra-v0.dat")})
        EXPECT_TRUE(rowsOf(after.path() + file).contains("M04: 07|日志中")) << file.toStdString();
    EXPECT_EQ(QDir(after.path()).entryList(QDir::Files), (QStringList{"vembra-v0.dat", "vembra.dat"}));
}

// Names already taken in the folder are someone else's files: the copy takes
// the next free name and leaves them as they are.
TEST(UpgradeCopy, TakenNamesAreLeftAndTheNextFreeOneTaken)
{
    const struct {
        QStringList taken;
        QString copy;
    } cases[] = {
        {{}, "vembra-v0.dat"},
        {{"vembra-v0.dat"}, "vembra-v0-2.dat"},
        {{"vembra-v0.dat", "vembra-v0-2.dat"}, "vembra-v0-3.dat"},
        {{"vembra-v0-2.dat"}, "vembra-v0.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy.toStdString());
        QTemporaryDir tmp;
        const QString path = tmp.filePath("vembra.dat");
        WriteOldDataFile(path, OldLayout::NarrowWaybillIndex);
        const QByteArray before = readAll(path);
        for (const QString& name : c.taken) {
            QFile f(tmp.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("someone else's file " + name.toUtf8());
        }
        OpenDataFile(path, tmp.path() + "/").reset();
        EXPECT_EQ(readAll(tmp.filePath(c.copy)), before);
        for (const QString& name : c.taken)
            EXPECT_EQ(readAll(tmp.filePath(name)), "someone else's file " + name.toUtf8());
        QStringList files = c.taken;
        files << c.copy << "vembra.dat";
        files.sort();
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), files);
    }
}

// What another program put on the tables the upgrade writes anew: indexes
// and triggers of other names are made again; a column holding data the
// layout has no place for refuses the upgrade before anything changes, one
// without data goes.
TEST(UpgradeKeeps, WhatTheLayoutDoesNotKnow)
{
    const struct {
        const char* name;
        QStringList added;
        QStringList keptObjects; // "type|name" expected after the upgrade
        QString refusal;         // a part of the refusal, "" when it upgrades
    } cases[] = {
        {"IndexOnTheLedger", {"CREATE INDEX \"my_tb1\" ON \"TB1\" (\"F10\")"}, {"index|my_tb1"}, ""},
        {"TriggerOnDeliveryNotes",
         {"CREATE TABLE \"mylog\" (\"F1\" TEXT)",
          "CREATE TRIGGER \"my_td1\" AFTER INSERT ON \"TD1\" BEGIN INSERT INTO mylog VALUES (new.F1); END"},
         {"trigger|my_td1", "table|mylog"},
         ""},
        {"ColumnWithData",
         {"ALTER TABLE TD1 ADD COLUMN \"Extra\" TEXT", "UPDATE TD1 SET \"Extra\" = 'x' WHERE F1 = 'D001'"},
         {},
         "TD1.Extra"},
        {"ColumnWithoutData", {"ALTER TABLE TD1 ADD COLUMN \"Empty\" TEXT"}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QString path = tmp.filePath("vembra.dat");
        WriteOldDataFile(path, OldLayout::NoPaidDefault);
        {
            auto db = Database::openAsFound(path, DataFileKey(), ProgramSql());
            for (const QString& sql : c.added)
                db->executeNative(sql);
        }
        const QByteArray before = readAll(path);
        const QStringList master = masterOf(path);
        if (!c.refusal.isEmpty()) {
            try {
                OpenDataFile(path, tmp.path() + "/");
                ADD_FAILURE() << "upgraded";
            } catch (const DbError& e) {
                EXPECT_TRUE(e.message().contains(c.refusal)) << e.what();
            }
            EXPECT_EQ(readAll(path), before);
            EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"vembra.dat"});
            continue;
        }
        OpenDataFile(path, tmp.path() + "/").reset();
        EXPECT_EQ(versionOf(path), kDataFileVersion);
        const QStringList after = masterOf(path);
        for (const QString& kept : c.keptObjects) {
            const QString old =
                master.filter(QRegularExpression("^" + QRegularExpression::escape(kept) + "\\|")).value(0);
            EXPECT_FALSE(old.isEmpty()) << kept.toStdString();
            EXPECT_TRUE(after.contains(old)) << kept.toStdString();
        }
        // The rest is the new layout's.
        QStringList extra;
        for (const QString& m : after)
            if (!freshMasterOf().contains(m))
                extra << m;
        EXPECT_EQ(extra.size(), c.keptObjects.size()) << extra.join('\n').toStdString();
    }
}

TEST(UpgradeKeeps, KeptTriggerStillFires)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("vembra.dat");
    WriteOldDataFile(path, OldLayout::NoPaidDefault);
    {
        auto db = Database::openAsFound(path, DataFileKey(), ProgramSql());
        db->executeNative("CREATE TABLE \"mylog\" (\"F1\" TEXT)");
        db->executeNative(
            "CREATE TRIGGER \"my_td1\" AFTER INSERT ON \"TD1\" BEGIN INSERT INTO mylog VALUES (new.F1); END");
    }
    auto db = OpenDataFile(path, tmp.path() + "/");
    db->execute("insert into TD1 (F1,F3) values ('D009','客户甲')");
    EXPECT_EQ(column(*db, "select F1 from mylog"), QStringList{"D009"});
}

// An upgrade ended after its copy was made leaves a marker naming that copy,
// with its size and digest. The next start finishes the upgrade from that
// copy only if it is still whole as marked; a copy that is not is left as it
// is and a new one made. A marker naming anything but a copy in the program
// folder names nothing: nothing is written or trusted under that name.
TEST(UpgradeMarker, CopyIsTrustedOnlyWhenWholeAndInTheProgramFolder)
{
    const QString kDriver = QStringLiteral(UPGRADE_DRIVER_PATH);
    auto writeFile = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const struct {
        const char* name;
        const char* marker;   // written over the one the upgrade left ("" keeps it)
        const char* copyIs;   // "whole", "truncated", "changed", "gone"
        const char* madeAnew; // the copy the next start makes, "" when none
    } cases[] = {
        {"WholeCopy", "", "whole", ""},
        {"TruncatedCopy", "", "truncated", "vembra-v0-2.dat"},
        {"ChangedCopy", "", "changed", "vembra-v0-2.dat"},
        {"CopyGone", "", "gone", "vembra-v0.dat"},
        // As an older program wrote it: the copy is trusted as it is found.
        {"NameOnlyMarker", "vembra-v0.dat", "truncated", ""},
        {"NameOnlyMarkerCopyGone", "vembra-v0.dat", "gone", "vembra-v0.dat"},
        {"MarkerNamingAFileOutsideTheFolder", "../elsewhere-v0.dat", "gone", "vembra-v0.dat"},
        {"MarkerNamingAPath", "/tmp/vembra-v0.dat", "gone", "vembra-v0.dat"},
        {"MarkerNamingTheDataFile", "vembra.dat", "gone", "vembra-v0.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir parent;
        ASSERT_TRUE(QDir(parent.path()).mkdir("program"));
        const QString dir = parent.path() + "/program/";
        const QString path = dir + "vembra.dat";
        WriteOldDataFile(path, OldLayout::NarrowWaybillIndex);
        const QByteArray found = readAll(path);
        const QStringList rows = rowsOf(path);
        {
            CopyProcess first(kDriver, dir, {"--stop-step=3"}); // the copy made, nothing else changed
            ASSERT_EQ(first.waitFor("STOP"), "STOP") << first.lines().join('\n').toStdString();
            first.kill();
        }
        const QString copy = dir + "vembra-v0.dat";
        ASSERT_EQ(readAll(copy), found);
        if (*c.marker)
            writeFile(UpgradeMarkerOf(path), c.marker);
        const QString copyIs = c.copyIs;
        QByteArray left = found;
        if (copyIs == "truncated")
            left.truncate(found.size() / 2);
        else if (copyIs == "changed")
            left[found.size() / 2] = char(left[found.size() / 2] ^ 1);
        if (copyIs == "gone")
            QFile::remove(copy);
        else
            writeFile(copy, left);

        OpenDataFile(path, dir).reset();

        EXPECT_EQ(versionOf(path), kDataFileVersion);
        EXPECT_EQ(rowsOf(path).filter(QRegularExpression("^(?!TB1Days: )")), rows);
        QStringList files{"vembra.dat"};
        if (copyIs != "gone")
            files << "vembra-v0.dat";
        if (*c.madeAnew && !files.contains(c.madeAnew))
            files << c.madeAnew;
        files.sort();
        EXPECT_EQ(QDir(dir).entryList(QDir::Files), files);
        EXPECT_EQ(QDir(parent.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                  QStringList{"program"});
        if (copyIs != "gone") {
            EXPECT_TRUE(readAll(copy) == left);
        }
        if (*c.madeAnew) {
            EXPECT_TRUE(readAll(dir + c.madeAnew) == found);
        }
    }
}
