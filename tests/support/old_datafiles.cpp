#include "support/old_datafiles.h"

#include "data/database.h"
#include "data/program_sql.h"
#include "data/posting.h"
#include "data/schema.h"
#include "data/statement.h"

#include <QByteArray>
#include <QList>
#include <map>
#include <stdexcept>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

namespace {

// The schema of the first data files, as they hold it.
const char* const kFirstSchema = R"sql(
CREATE TABLE "M01" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "D0" DOUBLE, "D1" DOUBLE, "S0" DOUBLE, "S1" DOUBLE, "JFD" INTEGER, "J0" DOUBLE, "J1" DOUBLE, "J2" DOUBLE, "J3" DOUBLE, "J4" DOUBLE, "J5" DOUBLE, "J6" DOUBLE, "J7" DOUBLE, "J8" DOUBLE, "J9" DOUBLE);
CREATE INDEX "ix_M01_1" ON "M01" ("F1");
CREATE INDEX "ix_M01_2" ON "M01" ("F2");
CREATE TABLE "M011" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F6" DOUBLE, "F8" TEXT COLLATE NOCASE, "P101" DOUBLE, "P102" DOUBLE, "P201" DOUBLE, "P202" DOUBLE, "P300" DOUBLE, "P301" DOUBLE, "P302" DOUBLE, "P303" DOUBLE, "P304" DOUBLE, "P305" DOUBLE, "P306" DOUBLE, "P307" DOUBLE, "P308" DOUBLE, "P309" DOUBLE, "P3" DOUBLE, "A30" BOOLEAN, "A31" BOOLEAN, "A32" BOOLEAN, "A33" BOOLEAN, "A34" BOOLEAN, "A35" BOOLEAN, "A36" BOOLEAN, "A37" BOOLEAN, "A38" BOOLEAN, "A39" BOOLEAN);
CREATE INDEX "ix_M011_1" ON "M011" ("F1");
CREATE INDEX "ix_M011_2" ON "M011" ("F3");
CREATE TABLE "M0111" ("F0" TEXT COLLATE NOCASE, "F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F8" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M0111_1" ON "M0111" ("F0");
CREATE TABLE "M02" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F6" DOUBLE, "F8" TEXT COLLATE NOCASE, "P101" DOUBLE, "P102" DOUBLE, "P201" DOUBLE, "P202" DOUBLE, "P301" DOUBLE, "P302" DOUBLE, "P303" DOUBLE, "P304" DOUBLE, "P305" DOUBLE, "P306" DOUBLE, "P307" DOUBLE, "P308" DOUBLE, "P309" DOUBLE, "P310" DOUBLE, "P311" DOUBLE, "P312" DOUBLE, "P313" DOUBLE, "P314" DOUBLE, "P315" DOUBLE, "F71" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M02_1" ON "M02" ("F1");
CREATE TABLE "M021" ("F0" TEXT COLLATE NOCASE, "F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F8" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M021_1" ON "M021" ("F0");
CREATE TABLE "M03" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F301" TEXT COLLATE NOCASE, "F302" TEXT COLLATE NOCASE, "F401" TEXT COLLATE NOCASE, "F402" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE, "F7" TEXT COLLATE NOCASE, "F8" TEXT COLLATE NOCASE, "F9" TEXT COLLATE NOCASE, "P888" DOUBLE, "F10" DOUBLE, "F11" DOUBLE, "F91" TEXT COLLATE NOCASE, "F92" TEXT COLLATE NOCASE, "F93" TEXT COLLATE NOCASE, "F94" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M03_1" ON "M03" ("F1");
CREATE INDEX "ix_M03_2" ON "M03" ("F2");
CREATE INDEX "ix_M03_3" ON "M03" ("F8");
CREATE TABLE "M031" ("F0" TEXT COLLATE NOCASE, "F1" TEXT COLLATE NOCASE, "F2" DOUBLE, "F3" DOUBLE, "F4" DOUBLE, "F5" DOUBLE, "F6" DOUBLE, "F7" DOUBLE, "F8" DOUBLE, "F9" DOUBLE, "F10" DOUBLE, "F11" DOUBLE, "F12" DOUBLE, "F13" DOUBLE, "F14" DOUBLE, "F15" DOUBLE, "F16" DOUBLE, "F17" DOUBLE, "F18" DOUBLE, "F19" DOUBLE, "F20" DOUBLE);
CREATE INDEX "ix_M031_1" ON "M031" ("F0","F1");
CREATE INDEX "ix_M031_2" ON "M031" ("F1");
CREATE TABLE "M030" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M030_1" ON "M030" ("F1");
CREATE TABLE "M04" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M04_1" ON "M04" ("F1");
CREATE TABLE "M05" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M05_1" ON "M05" ("F1");
CREATE TABLE "M06" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE);
CREATE INDEX "ix_M06_1" ON "M06" ("F1");
CREATE TABLE "MS1" ("F1" DOUBLE, "F2" DOUBLE, "F3" DOUBLE, "F4" DOUBLE, "F5" DOUBLE, "F6" DOUBLE, "F7" DOUBLE, "F8" DOUBLE, "F9" DOUBLE, "F10" DOUBLE, "F11" DOUBLE, "F12" DOUBLE, "F13" DOUBLE, "F14" DOUBLE, "F15" DOUBLE, "F16" DOUBLE, "F17" DOUBLE, "F18" DOUBLE, "F19" DOUBLE, "P888" DOUBLE);
CREATE TABLE "B01" ("F1" TEXT COLLATE NOCASE, "F101" DATETIME, "F102" TEXT COLLATE NOCASE, "F103" TEXT COLLATE NOCASE, "F201" TEXT COLLATE NOCASE, "F202" TEXT COLLATE NOCASE, "F203" TEXT COLLATE NOCASE, "F2031" TEXT COLLATE NOCASE, "F2041" TEXT COLLATE NOCASE, "F2042" TEXT COLLATE NOCASE, "F2051" TEXT COLLATE NOCASE, "F2052" TEXT COLLATE NOCASE, "F2061" TEXT COLLATE NOCASE, "F2062" TEXT COLLATE NOCASE, "F2071" TEXT COLLATE NOCASE, "F2072" TEXT COLLATE NOCASE, "F208" TEXT COLLATE NOCASE, "F301" TEXT COLLATE NOCASE, "F302" TEXT COLLATE NOCASE, "F303" TEXT COLLATE NOCASE, "F401" DOUBLE, "F402" DOUBLE, "F403" DOUBLE, "F404" DOUBLE, "F405" TEXT COLLATE NOCASE, "F501" TEXT COLLATE NOCASE, "F502" DOUBLE, "F503" DOUBLE, "F504" DOUBLE, "F601" TEXT COLLATE NOCASE, "F602" TEXT COLLATE NOCASE, "F603" TEXT COLLATE NOCASE, "F604" TEXT COLLATE NOCASE, "F505" DOUBLE, "F507" DOUBLE, "F506" DOUBLE, "F701" TEXT COLLATE NOCASE, "F702" TEXT COLLATE NOCASE, "F703" TEXT COLLATE NOCASE, "F704" TEXT COLLATE NOCASE, "F2021" TEXT COLLATE NOCASE, "F605" TEXT COLLATE NOCASE, "F606" TEXT COLLATE NOCASE, "DF" DOUBLE, "YJ" DOUBLE, "XJ" DOUBLE, "F508" DOUBLE, "F509" DOUBLE, "F510" DOUBLE, "F4051" DOUBLE, "F4052" DOUBLE, "F4053" DOUBLE);
CREATE INDEX "ix_B01_1" ON "B01" ("F1");
CREATE INDEX "ix_B01_2" ON "B01" ("F101");
CREATE INDEX "ix_B01_3" ON "B01" ("F202");
CREATE INDEX "ix_B01_4" ON "B01" ("F203");
CREATE INDEX "ix_B01_5" ON "B01" ("F603");
CREATE INDEX "ix_B01_6" ON "B01" ("F602");
CREATE INDEX "ix_B01_7" ON "B01" ("F201");
CREATE INDEX "ix_B01_8" ON "B01" ("F702");
CREATE INDEX "ix_B01_9" ON "B01" ("F2021");
CREATE TABLE "TB1" ("F1" TEXT COLLATE NOCASE, "F2" DATETIME, "F3" TEXT COLLATE NOCASE, "LB" INTEGER, "S2" TEXT COLLATE NOCASE, "SN" DOUBLE, "YF" DOUBLE DEFAULT 0, "FK" DOUBLE DEFAULT 0, "QC" DOUBLE, "QM" DOUBLE, "S1" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE, "F10" TEXT COLLATE NOCASE, "H8" DATETIME, "K" DOUBLE DEFAULT 0, "F30" TEXT COLLATE NOCASE);
CREATE INDEX "ix_TB1_1" ON "TB1" ("F1");
CREATE INDEX "ix_TB1_2" ON "TB1" ("F2");
CREATE INDEX "ix_TB1_3" ON "TB1" ("F3","SN");
CREATE INDEX "ix_TB1_4" ON "TB1" ("SN");
CREATE INDEX "ix_TB1_5" ON "TB1" ("LB");
CREATE TABLE "sysinfo" ("ID" INTEGER, "Setval" DOUBLE, "setStr" TEXT COLLATE NOCASE);
CREATE INDEX "ix_sysinfo_1" ON "sysinfo" ("ID");
CREATE TABLE "TE1" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F60" INTEGER, "F61" INTEGER, "F62" INTEGER, "F63" INTEGER, "F64" INTEGER, "F65" INTEGER, "F66" INTEGER, "F67" INTEGER);
CREATE INDEX "ix_TE1_1" ON "TE1" ("F1");
CREATE TABLE "TA2" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE);
CREATE INDEX "ix_TA2_1" ON "TA2" ("F1");
CREATE TABLE "TD1" ("F1" TEXT COLLATE NOCASE, "F2" DATETIME, "F3" TEXT COLLATE NOCASE, "F9" DOUBLE, "F91" DOUBLE);
CREATE INDEX "ix_TD1_1" ON "TD1" ("F1");
CREATE INDEX "ix_TD1_2" ON "TD1" ("F2");
CREATE INDEX "ix_TD1_3" ON "TD1" ("F3");
CREATE TABLE "TD2" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" DATETIME, "F4" DOUBLE, "F5" DOUBLE);
CREATE INDEX "ix_TD2_1" ON "TD2" ("F1");
CREATE INDEX "ix_TD2_2" ON "TD2" ("F2");
CREATE TABLE "REGINFO" ("F1" TEXT COLLATE NOCASE);
CREATE TABLE "PRNTM03" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F31" DOUBLE, "F32" DOUBLE, "F33" DOUBLE, "F34" DOUBLE, "F35" DOUBLE, "F36" DOUBLE, "F37" DOUBLE, "F38" DOUBLE, "F39" DOUBLE);
CREATE TABLE "PRNTC023" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE);
CREATE TABLE "PRNTC04" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE, "F7" TEXT COLLATE NOCASE, "F8" TEXT COLLATE NOCASE, "F9" TEXT COLLATE NOCASE, "F10" TEXT COLLATE NOCASE, "F11" TEXT COLLATE NOCASE, "F12" TEXT COLLATE NOCASE, "F13" TEXT COLLATE NOCASE, "F14" TEXT COLLATE NOCASE, "F15" TEXT COLLATE NOCASE);
CREATE TABLE "PRNTC01" ("F1" TEXT COLLATE NOCASE);
CREATE TABLE "PRNTC05" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE, "F7" TEXT COLLATE NOCASE);
CREATE TABLE "Plist" ("F0" TEXT COLLATE NOCASE, "F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE, "F7" TEXT COLLATE NOCASE, "F8" TEXT COLLATE NOCASE, "F9" TEXT COLLATE NOCASE, "F10" TEXT COLLATE NOCASE, "V1" DOUBLE);
CREATE TABLE "PrTA1" ("F1" TEXT COLLATE NOCASE, "F2" TEXT COLLATE NOCASE, "F3" TEXT COLLATE NOCASE, "F4" TEXT COLLATE NOCASE, "F5" TEXT COLLATE NOCASE, "F6" TEXT COLLATE NOCASE);
CREATE TABLE "PRTB2" ("F0" TEXT COLLATE NOCASE, "F1" TEXT COLLATE NOCASE, "F2" DATETIME, "F3" TEXT COLLATE NOCASE, "F6" DOUBLE, "F7" DOUBLE, "F8" DOUBLE);
)sql";

// The statements later versions wrote in place of the first ones.
const std::map<OldLayout, QList<std::pair<QByteArray, QByteArray>>>& laterStatements()
{
    static const std::map<OldLayout, QList<std::pair<QByteArray, QByteArray>>> changes = [] {
        const std::pair<QByteArray, QByteArray> paidDefault{"\"F91\" DOUBLE)", "\"F91\" DOUBLE DEFAULT 0)"};
        const std::pair<QByteArray, QByteArray> listIndex{
            "CREATE INDEX \"ix_B01_2\" ON \"B01\" (\"F101\")",
            "CREATE INDEX \"ix_B01_2\" ON \"B01\" "
            "(\"F101\",\"F1\",\"F2031\",\"F301\",\"F401\",\"F501\",\"F202\",\"F603\",\"F602\",\"F604\",\"F103\")"};
        const std::pair<QByteArray, QByteArray> sequenceIndex{
            "CREATE INDEX \"ix_TB1_4\" ON \"TB1\" (\"SN\")",
            "CREATE INDEX \"ix_TB1_4\" ON \"TB1\" (\"SN\",\"F2\",\"F1\")"};
        return std::map<OldLayout, QList<std::pair<QByteArray, QByteArray>>>{
            {OldLayout::SmallPages, {}},
            {OldLayout::NoPaidDefault, {}},
            {OldLayout::NarrowWaybillIndex, {paidDefault}},
            {OldLayout::NarrowSequenceIndex, {paidDefault, listIndex}},
            {OldLayout::LedgerBlocks, {paidDefault, listIndex, sequenceIndex}},
        };
    }();
    return changes;
}

// Ledger entries in the order they were entered: F1, F2, F3, LB, SN, YF, FK.
struct Entry {
    const char* docNo;
    const char* date;
    const char* party;
    int lb;
    double sn;
    double yf, fk;
};
const Entry kEntries[] = {
    {"YS00000001", "2019-03-01", "客户甲", -9, 31, 20, 0},
    {"YF00000001", "2019-03-01", "渠道乙", 9, 32, 12, 0},
    {"YS00000002", "2019-03-02", "客户甲", -9, 35, 18.5, 0},
    {"SK00000001", "2019-03-01", "客户甲", -10, 33, 0, 10}, // back-dated
    {"FK00000001", "2019-03-03", "渠道乙", 10, 37, 0, 12},
    {"YS00000003", "2019-02-27", "Customer C", -9, 29, 7, 0}, // back-dated
    {"YS00000004", "2019-03-04", "customer c", -9, 39, 3, 0}, // one party with the row above
};

void run(sqlite3* db, const QByteArray& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        throw std::runtime_error(msg + " in " + sql.toStdString());
    }
}

void writeRows(sqlite3* db, OldLayout layout)
{
    run(db,
        "insert into sysinfo (ID,Setval,setStr) values (100,39,'');"
        "insert into sysinfo (ID,Setval,setStr) values (9999,0,'');"
        "insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values ('001','管理员','ADMIN',1,1,1,1,1,1,1,1);"
        "insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values ('002','张三','zs',1,0,1,0,1,0,1,0);"
        "insert into MS1 (F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888) "
        "values (0.5,0.5,0.5,0.5,21,46,71,101,201,201,201,201,201,201,201,201,201,201,201,1.5);"
        "insert into REGINFO (F1) values ('捷诺达速递有限公司');"
        "insert into M01 (F1,F2,F3,D0,JFD) values ('01','渠道乙','', 0.5, 1);"
        "insert into M03 (F1,F2,F8,P888,F10,F11) values ('C01','客户甲','A',1.5,10,38.5);"
        "insert into M03 (F1,F2,F8,P888) values ('C02','Customer C','B',1);"
        "insert into B01 (F1,F101,F201,F202,F2031,F301,F401,F501,F603) "
        "values ('00000001','2019-03-01','客户甲','广州','001','渠道乙',20,'件','是');"
        "insert into B01 (F1,F101,F201,F202,F2031,F301,F401,F501) "
        "values ('00000002','2019-03-02','客户甲','深圳','002','渠道乙',18.5,'包');"
        "insert into TA2 (F1,F2) values ('客户甲','甲公司');"
        "insert into TD1 (F1,F2,F3,F9) values ('D001','2019-03-01','客户甲',100);"
        "insert into TD1 (F1,F2,F3,F9,F91) values ('D002','2019-03-05','客户甲',80,30);"
        "insert into TD2 (F1,F2,F3,F4,F5) values ('客户甲','D002','2019-03-06',30,50);");
    // Rows numbered in the order entered, or from their parties' blocks.
    std::map<qint64, qint64> next;
    qint64 rowid = 0;
    for (const Entry& e : kEntries) {
        if (layout == OldLayout::LedgerBlocks) {
            const qint64 block = LedgerRowBlock(QString::fromUtf8(e.party));
            rowid = next.try_emplace(block, block).first->second++;
        } else {
            ++rowid;
        }
        run(db,
            QStringLiteral("insert into TB1 (rowid,F1,F2,F3,LB,S2,SN,YF,FK,S1,F5,F6,H8) "
                           "values (%1,'%2','%3','%4',%5,'业务',%6,%7,%8,'经手人','管理员','管理员','%3 10:15:00')")
                .arg(rowid)
                .arg(QString::fromUtf8(e.docNo), QString::fromUtf8(e.date), QString::fromUtf8(e.party))
                .arg(e.lb)
                .arg(e.sn)
                .arg(e.yf)
                .arg(e.fk)
                .toUtf8());
    }
}

} // namespace

const char* OldLayoutName(OldLayout layout)
{
    switch (layout) {
    case OldLayout::SmallPages: return "SmallPages";
    case OldLayout::NoPaidDefault: return "NoPaidDefault";
    case OldLayout::NarrowWaybillIndex: return "NarrowWaybillIndex";
    case OldLayout::NarrowSequenceIndex: return "NarrowSequenceIndex";
    case OldLayout::LedgerBlocks: return "LedgerBlocks";
    }
    return "";
}

void WriteOldDataFile(const QString& path, OldLayout layout)
{
    QByteArray schema(kFirstSchema);
    for (const auto& [from, to] : laterStatements().at(layout)) {
        if (!schema.contains(from))
            throw std::logic_error("old schema statement not found: " + from.toStdString());
        schema.replace(from, to);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + path.toStdString());
    }
    try {
        const QByteArray key = DataFileKey().toUtf8();
        sqlite3_key(db, key.constData(), int(key.size()));
        run(db, layout == OldLayout::SmallPages ? "PRAGMA cipher_page_size = 1024" : "PRAGMA cipher_page_size = 4096");
        run(db, "BEGIN");
        run(db, schema);
        writeRows(db, layout);
        run(db, "COMMIT");
        if (layout == OldLayout::LedgerBlocks)
            run(db, "PRAGMA journal_mode=WAL");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

QStringList SelectRows(Database& db, const QString& sql)
{
    QStringList out;
    Statement st(db, sql);
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << (st.columnIsNull(c) ? QStringLiteral("<null>") : st.columnText(c));
        out << cells.join('|');
    }
    return out;
}

QStringList DataFileRows(const QString& path)
{
    auto db = Database::openReadOnly(path, DataFileKey(), ProgramSql());
    QStringList out;
    for (const QString& table :
         SelectRows(*db, "select name from sqlite_master where type='table' and name <> 'TB1Days' order by name")) {
        QStringList rows = SelectRows(*db, QStringLiteral("select * from \"%1\"").arg(table));
        rows.sort();
        for (const QString& r : rows)
            out << table + ": " + r;
    }
    return out;
}
