// The data file as the tool writes it: encrypted, keyed, every table and column
// in order, the defaults and the rows the program needs.
#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "support/qt_print.h"
#include "support/testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace {

QStringList seq(const QString& prefix, int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << prefix + QString::number(i);
    return out;
}

// Written out by hand from the table descriptions, not taken from the schema code.
std::map<QString, QStringList> expectedTables()
{
    std::map<QString, QStringList> t;
    t["M01"] = QStringList{"F1", "F2", "F3", "D0", "D1", "S0", "S1", "JFD"} + seq("J", 0, 9);
    t["M011"] = QStringList{"F1", "F2", "F3", "F4", "F6", "F8", "P101", "P102", "P201", "P202"} + seq("P30", 0, 9)
        + QStringList{"P3"} + seq("A3", 0, 9);
    t["M0111"] = {"F0", "F1", "F2", "F8"};
    t["M02"] = QStringList{"F1", "F2", "F3", "F4", "F6", "F8", "P101", "P102", "P201", "P202", "P301", "P302", "P303",
                           "P304", "P305", "P306", "P307", "P308", "P309", "P310", "P311", "P312", "P313", "P314",
                           "P315", "F71"};
    t["M021"] = {"F0", "F1", "F2", "F8"};
    t["M03"] = {"F1", "F2", "F301", "F302", "F401", "F402", "F5", "F6", "F7", "F8", "F9", "P888", "F10", "F11",
                "F91", "F92", "F93", "F94"};
    t["M031"] = QStringList{"F0", "F1"} + seq("F", 2, 20);
    t["M030"] = {"F1", "F2"};
    t["M04"] = {"F1", "F2"};
    t["M05"] = {"F1", "F2"};
    t["M06"] = {"F1", "F2"};
    t["MS1"] = seq("F", 1, 19) + QStringList{"P888"};
    t["B01"] = {"F1", "F101", "F102", "F103", "F201", "F202", "F203", "F2031", "F2041", "F2042", "F2051", "F2052",
                "F2061", "F2062", "F2071", "F2072", "F208", "F301", "F302", "F303", "F401", "F402", "F403", "F404",
                "F405", "F501", "F502", "F503", "F504", "F601", "F602", "F603", "F604", "F505", "F507", "F506",
                "F701", "F702", "F703", "F704", "F2021", "F605", "F606", "DF", "YJ", "XJ", "F508", "F509", "F510",
                "F4051", "F4052", "F4053"};
    t["TB1"] = {"F1", "F2", "F3", "LB", "S2", "SN", "YF", "FK", "QC", "QM", "S1", "F5", "F6", "F10", "H8", "K", "F30"};
    t["TB1Days"] = {"F2", "SN"};
    t["sysinfo"] = {"ID", "Setval", "setStr"};
    t["TE1"] = {"F1", "F2", "F3", "F60", "F61", "F62", "F63", "F64", "F65", "F66", "F67"};
    t["TA2"] = {"F1", "F2", "F3", "F4", "F5"};
    t["TD1"] = {"F1", "F2", "F3", "F9", "F91"};
    t["TD2"] = {"F1", "F2", "F3", "F4", "F5"};
    t["REGINFO"] = {"F1"};
    t["PRNTM03"] = QStringList{"F1", "F2"} + seq("F3", 1, 9);
    t["PRNTC023"] = seq("F", 1, 6);
    t["PRNTC04"] = seq("F", 1, 15);
    t["PRNTC01"] = {"F1"};
    t["PRNTC05"] = seq("F", 1, 7);
    t["Plist"] = QStringList{"F0"} + seq("F", 1, 10) + QStringList{"V1"};
    t["PrTA1"] = seq("F", 1, 6);
    t["PRTB2"] = {"F0", "F1", "F2", "F3", "F6", "F7", "F8"};
    return t;
}

// Columns whose values are numbers; the other columns of the tables above are text
// or dates.
const QStringList kNumberColumns = {"M01.D0", "M01.JFD", "M01.J9", "M011.F6", "M011.P3", "M011.P309", "M02.P315",
                                    "M03.P888", "M031.F20", "MS1.F1", "MS1.P888", "B01.F401", "B01.F504",
                                    "B01.F4053", "B01.DF", "TB1.LB", "TB1.SN", "TB1.YF", "TB1.QM", "TB1.K",
                                    "sysinfo.ID", "sysinfo.Setval", "TE1.F60", "TD1.F9", "TD2.F4", "Plist.V1"};

QByteArray head(const QString& path, int n)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(n);
}

} // namespace

// The file as CreateDataFile writes it, not the copy other suites start from.
class DataFile : public DataTest {
protected:
    DataFile() { dataFileFrom = NewDataFile::Create; }
};

TEST_F(DataFile, IsEncryptedAndOpensOnlyWithItsKey)
{
    const QString path = folder->file("vembra.dat");
    const QByteArray h = head(path, 16);
    ASSERT_EQ(h.size(), 16);
    EXPECT_NE(h, QByteArray("SQLite format 3\0", 16));
    EXPECT_FALSE(head(path, 1 << 24).contains("CREATE TABLE"));

    folder->closeDb();
    EXPECT_NO_THROW(Database::open(path, DataFileKey(), ProgramSql()));
    EXPECT_THROW(Database::open(path, "qzr7315", ProgramSql()), DbError);
    EXPECT_THROW(Database::open(path, "WRONG", ProgramSql()), DbError);
    EXPECT_THROW(Database::open(path, "", ProgramSql()), DbError);
    try {
        Database::open(path, "WRONG", ProgramSql());
    } catch (const DbError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
}

TEST_F(DataFile, OpeningNeverCreatesAFile)
{
    const QString missing = folder->file("nothere.dat");
    EXPECT_THROW(Database::open(missing, DataFileKey(), ProgramSql()), DbError);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_THROW(Database::open(folder->path(), DataFileKey(), ProgramSql()), DbError); // a folder

    // An empty or damaged file fails at open, not at the first query.
    QFile empty(folder->file("empty.dat"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_THROW(Database::open(empty.fileName(), DataFileKey(), ProgramSql()), DbError);
    EXPECT_THROW(Database::open(empty.fileName(), "", ProgramSql()), DbError);

    QFile junk(folder->file("junk.dat"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    EXPECT_THROW(Database::open(junk.fileName(), DataFileKey(), ProgramSql()), DbError);

    // A file cut short loses its pages; opening it must not pass silently.
    folder->closeDb();
    QFile cut(folder->file("vembra.dat"));
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    cut.resize(1024);
    cut.close();
    EXPECT_THROW(Database::open(cut.fileName(), DataFileKey(), ProgramSql()), DbError);
}

TEST_F(DataFile, EveryTableAndColumnInOrder)
{
    const auto expected = expectedTables();
    QStringList tables;
    RecordSet all = Db().openRecordset("select name from sqlite_master where type='table' order by name");
    for (; !all.eof(); all.moveNext())
        tables << all.field(0).toString();
    QStringList want;
    for (const auto& [name, cols] : expected)
        want << name;
    std::sort(tables.begin(), tables.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    std::sort(want.begin(), want.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(tables, want);

    for (const auto& [name, cols] : expected) {
        QStringList got;
        RecordSet rs = Db().openRecordset("PRAGMA table_info(\"" + name + "\")");
        for (; !rs.eof(); rs.moveNext())
            got << rs.field("name").toString();
        EXPECT_EQ(got, cols) << name.toStdString();
        // The position-read tables also answer "select *" in that order.
        RecordSet star = Db().openRecordset("select * from " + name + " where 1=0");
        EXPECT_EQ(star.fieldNames(), cols) << name.toStdString();
    }
}

TEST_F(DataFile, ColumnTypesAndTextWithoutCase)
{
    for (const QString& tc : kNumberColumns) {
        const QString table = tc.section('.', 0, 0), col = tc.section('.', 1);
        Db().execute("delete from " + table);
        // A number column keeps a number typed as text as a number.
        Db().execute("insert into " + table + " (" + col + ") values ('7.5')");
        EXPECT_EQ(GetStr("select typeof(" + col + ") from " + table), "real") << tc.toStdString();
    }
    // Text columns keep digits as text and compare without case.
    Db().execute("insert into M03 (F1,F2) values ('c001','00123')");
    EXPECT_EQ(GetStr("select typeof(F2) from M03 where F1='C001'"), "text");
    EXPECT_EQ(GetStr("select F2 from M03 where F1='C001'"), "00123");
    EXPECT_EQ(GetStr("select count(*) from M03 where F1 in ('C001','c001')"), "1");
    Db().execute("insert into B01 (F1,F101) values ('w1','2024-01-02')");
    EXPECT_EQ(GetStr("select F1 from B01 where F1='W1'"), "w1");
    EXPECT_EQ(GetStr("select typeof(F101) from B01 where F1='w1'"), "text");
    EXPECT_EQ(msgs->count(), 0);
}

TEST_F(DataFile, LedgerAmountsDefaultToZero)
{
    Db().execute("insert into TB1 (F1,F2,F3,LB,S2,SN,YF) values ('YS1','2024-01-01','客户',-9,'增加应收',31,100)");
    Db().execute("insert into TB1 (F1,F2,F3,LB,S2,SN,FK) values ('SK1','2024-01-02','客户',-10,'收款',32,40)");
    EXPECT_EQ(GetStr("select FK from TB1 where F1='YS1'"), "0");
    EXPECT_EQ(GetStr("select YF from TB1 where F1='SK1'"), "0");
    EXPECT_EQ(GetStr("select count(*) from TB1 where K=0"), "2");
    EXPECT_EQ(GetStr("select sum(YF)-sum(FK) from TB1"), "60");
    EXPECT_EQ(GetStr("select QC from TB1 where F1='YS1'"), "");
    RecordSet info = Db().openRecordset("PRAGMA table_info(TB1)");
    for (; !info.eof(); info.moveNext()) {
        const QString name = info.field("name").toString();
        const QString dflt = info.field("dflt_value").toString();
        if (name == "YF" || name == "FK" || name == "K")
            EXPECT_EQ(dflt, "0") << name.toStdString();
        else
            EXPECT_TRUE(info.field("dflt_value").isNull()) << name.toStdString();
    }
}

TEST_F(DataFile, RequiredRows)
{
    EXPECT_EQ(GetStr("select count(*) from sysinfo"), "2");
    EXPECT_EQ(GetStr("select count(*) from sysinfo where ID=100 and Setval=0"), "1");
    EXPECT_EQ(GetStr("select count(*) from sysinfo where ID=9999"), "1");

    RecordSet admin = Db().openRecordset("select * from TE1");
    ASSERT_EQ(admin.recordCount(), 1);
    EXPECT_EQ(admin.field("F1").toString(), "001");
    EXPECT_EQ(admin.field("F2").toString(), "管理员");
    EXPECT_EQ(admin.field("F3").toString(), "ADMIN");
    for (int i = 60; i <= 67; ++i)
        EXPECT_EQ(admin.field(QStringLiteral("F%1").arg(i)).toString(), "1") << i;

    RecordSet ms = Db().openRecordset("select * from MS1");
    ASSERT_EQ(ms.recordCount(), 1);
    const QStringList want = {"0.5", "0.5", "0.5", "0.5", "21", "46", "71", "101", "201", "201", "201", "201",
                              "201", "201", "201", "201", "201", "201", "201", "1.5"};
    QStringList got;
    for (int c = 0; c < ms.fieldCount(); ++c)
        got << ms.field(c).toString();
    EXPECT_EQ(got, want);

    EXPECT_EQ(GetStr("select count(*) from REGINFO"), "1");
    EXPECT_NE(GetStr("select F1 from REGINFO"), "");
    // Everything else starts empty.
    for (const char* t : {"M01", "M011", "M02", "M03", "M031", "M04", "M05", "M06", "B01", "TB1", "TD1", "TD2"})
        EXPECT_EQ(GetStr(QStringLiteral("select count(*) from %1").arg(t)), "0") << t;
    EXPECT_EQ(msgs->count(), 0);
}

TEST(MakeDatafile, WritesANewFileAndRefusesAnExistingOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.dat");
    ASSERT_EQ(RunMakeDatafile({path}), 0);
    ASSERT_TRUE(QFile::exists(path));
    {
        auto db = Database::open(path, DataFileKey(), ProgramSql());
        EXPECT_EQ(db->openRecordset("select F2 from TE1 where F1='001'").field(0).toString(), "管理员");
        db->execute("insert into M04 (F1) values ('kept')");
    }
    const QByteArray before = head(path, 1 << 20);
    EXPECT_NE(RunMakeDatafile({path}), 0);
    EXPECT_NE(RunMakeDatafile({"--excel", path}), 0);
    EXPECT_EQ(head(path, 1 << 20), before);
    auto db = Database::open(path, DataFileKey(), ProgramSql());
    EXPECT_EQ(db->openRecordset("select count(*) from M04").field(0).toString(), "1");

    EXPECT_NE(RunMakeDatafile({}), 0);
    EXPECT_NE(RunMakeDatafile({dir.filePath("a.dat"), dir.filePath("b.dat")}), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("a.dat")));
    EXPECT_NE(RunMakeDatafile({dir.filePath("no/such/folder.dat")}), 0);
}

TEST(MakeDatafile, ExcelTemplateIsPlainWithThirtyTextColumns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("excel.dat");
    ASSERT_EQ(RunMakeDatafile({"--excel", path}), 0);
    EXPECT_EQ(head(path, 16), QByteArray("SQLite format 3\0", 16));
    auto db = Database::open(path, QString(), ProgramSql());
    RecordSet rs = db->openRecordset("PRAGMA table_info(mysheet)");
    QStringList names;
    for (; !rs.eof(); rs.moveNext()) {
        names << rs.field("name").toString();
        EXPECT_TRUE(rs.field("type").toString().startsWith("TEXT")) << rs.field("type").toString().toStdString();
    }
    EXPECT_EQ(names, seq("F", 1, 30));
    EXPECT_EQ(db->openRecordset("select count(*) from sqlite_master where type='table'").field(0).toString(), "1");
    db->execute("insert into mysheet (F1,F30) values ('0012','x')");
    EXPECT_EQ(db->openRecordset("select F1 from mysheet").field(0).toString(), "0012");
}

namespace {

QByteArray whole(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList sideFilesPresent(const QString& path)
{
    QStringList out;
    for (const QString& side : Database::sideFiles(path))
        if (QFileInfo::exists(side))
            out << side;
    return out;
}

} // namespace

TEST_F(DataFile, WriteAheadJournalWhileOpenAndOneWholeFileForACopy)
{
    const QString path = folder->file("vembra.dat");
    EXPECT_EQ(GetStr("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(GetStr("PRAGMA journal_size_limit"), "67108864") << "a checkpointed journal is cut back";
    Db().execute("insert into M04 (F1,F2) values ('w1','in the journal')");
    EXPECT_GT(QFileInfo(path + "-wal").size(), 0);
    {
        Transaction tx(Db());
        EXPECT_THROW(Db().singleFile(), DbError);
    }
    Db().singleFile();
    EXPECT_EQ(sideFilesPresent(path), QStringList());
    EXPECT_EQ(GetStr("PRAGMA journal_mode"), "delete");
    // The file alone holds everything written, and the database goes on working.
    const QString copy = folder->file("copy.dat");
    ASSERT_TRUE(QFile::copy(path, copy));
    EXPECT_EQ(Database::openReadOnly(copy, DataFileKey(), ProgramSql())
                  ->openRecordset("select F2 from M04 where F1='w1'")
                  .field(0)
                  .toString(),
              "in the journal");
    Db().execute("insert into M04 (F1,F2) values ('w2','after')");
    EXPECT_EQ(GetStr("select count(*) from M04"), "2");
    folder->closeDb();
    EXPECT_EQ(sideFilesPresent(path), QStringList()) << "a clean close leaves the file alone";
}

TEST_F(DataFile, ReadOnlyOpenChangesNothingAndWritesNothing)
{
    const QString path = folder->file("vembra.dat");
    Db().execute("insert into M04 (F1,F2) values ('r1','x')");
    folder->closeDb();
    // A file last used by the program and one written plain for a copy.
    for (bool plain : {false, true}) {
        if (plain) {
            folder->openDb();
            Db().singleFile();
            folder->closeDb();
        }
        const QByteArray before = whole(path);
        {
            auto db = Database::openReadOnly(path, DataFileKey(), ProgramSql());
            EXPECT_EQ(db->openRecordset("select F1 from M04").field(0).toString(), "r1");
            EXPECT_THROW(db->execute("delete from M04"), DbError);
        }
        EXPECT_EQ(whole(path), before) << "plain " << plain;
        EXPECT_EQ(sideFilesPresent(path), QStringList());
    }
    EXPECT_THROW(Database::openReadOnly(folder->file("missing.dat"), DataFileKey(), ProgramSql()), DbError);
    EXPECT_THROW(Database::openReadOnly(path, "wrong key", ProgramSql()), DbError);
}

TEST_F(DataFile, ALargeCommitLeavesTheJournalToIdleTime)
{
    const QString path = folder->file("vembra.dat");
    Pump();
    const qint64 before = QFileInfo(path).size();
    {
        Transaction tx(Db());
        const QString remark(1000, QChar(0x901F)); // about a page a row
        for (int i = 0; i < 1500; ++i)
            Db().execute(QStringLiteral("insert into M04 (F1,F2) values ('%1','%2')").arg(i).arg(remark));
        tx.commit();
    }
    // Committed into the journal; the file itself grows when the program is idle.
    EXPECT_EQ(QFileInfo(path).size(), before);
    EXPECT_GT(QFileInfo(path + "-wal").size(), 1000 * 4096);
    Pump();
    EXPECT_GT(QFileInfo(path).size(), before + 1000 * 4096);
    EXPECT_EQ(GetStr("select count(*) from M04"), "1500");
}
