#include "data/datafile_upgrade.h"

#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/statement.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

namespace {

// The tables every data file has held from the first one on; a file without
// one of them is no data file this program wrote, and is not rewritten.
const char* const kFirstTables[] = {"M01",      "M011",    "M0111",   "M02",     "M021",  "M03",     "M031",
                                    "M030",     "M04",     "M05",     "M06",     "MS1",   "B01",     "TB1",
                                    "sysinfo",  "TE1",     "TA2",     "TD1",     "TD2",   "REGINFO", "PRNTM03",
                                    "PRNTC023", "PRNTC04", "PRNTC01", "PRNTC05", "Plist", "PrTA1",   "PRTB2"};

// The ledger, whose rows an upgrade numbers anew in their parties' blocks.
const QString kLedger = QStringLiteral("TB1");

constexpr int kProgramPageSize = 4096;
// The first version whose ledger rows all lie in their parties' blocks.
constexpr int kLedgerInBlocks = 1;

struct MasterRow {
    QString type, name, table, sql;
};

QList<MasterRow> readMaster(Database& db)
{
    QList<MasterRow> rows;
    Statement st(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master"));
    while (st.step())
        rows.append({st.columnText(0), st.columnText(1), st.columnText(2), st.columnText(3)});
    return rows;
}

const MasterRow* findTable(const QList<MasterRow>& master, const QString& name)
{
    for (const MasterRow& r : master)
        if (r.type == QLatin1String("table") && r.name.compare(name, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

QString quoted(const QString& name) { return '"' + name + '"'; }

QStringList columnsOf(Database& db, const QString& table)
{
    QStringList names;
    Statement st(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)));
    while (st.step())
        names << st.columnText(1);
    return names;
}

// Copies the ledger into `staged` with each party's rows numbered from the
// first rowid of its block, in sequence order: recomputing a party's balances
// then reads and writes the few pages its rows fill instead of a page for
// nearly every row.
void regatherLedger(Database& db, const QString& staged, const QString& columns)
{
    struct Row {
        qint64 block;
        bool snNull;
        double sn;
        qint64 rowid;
    };
    std::vector<Row> rows;
    {
        QHash<QByteArray, qint64> blocks;
        Statement read(db, QStringLiteral("SELECT rowid, F3, SN FROM %1").arg(kLedger));
        while (read.step()) {
            const char* party = read.columnUtf8(1);
            const QByteArray key(party ? party : "");
            auto it = blocks.constFind(key);
            if (it == blocks.constEnd())
                it = blocks.insert(key, LedgerRowBlock(QString::fromUtf8(key)));
            rows.push_back({*it, read.columnIsNull(2), read.columnDouble(2), read.columnInt64(0)});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.block != b.block)
            return a.block < b.block;
        if (a.snNull != b.snNull)
            return a.snNull;
        if (a.sn != b.sn)
            return a.sn < b.sn;
        return a.rowid < b.rowid;
    });
    // Each row's new number, looked up by its old one as the old table is read
    // in its own order: a read in the new order would fetch a page of the old
    // table for almost every row.
    std::vector<std::pair<qint64, qint64>> renumber;
    renumber.reserve(rows.size());
    qint64 block = -1;
    qint64 next = 0;
    for (const Row& r : rows) {
        if (r.block != block)
            next = block = r.block; // two parties sharing a block share its numbers
        renumber.emplace_back(r.rowid, next++);
    }
    std::sort(renumber.begin(), renumber.end());
    auto lookUp = [](sqlite3_context* ctx, int, sqlite3_value** argv) {
        const auto& map = *static_cast<const std::vector<std::pair<qint64, qint64>>*>(sqlite3_user_data(ctx));
        const qint64 old = sqlite3_value_int64(argv[0]);
        const auto it = std::lower_bound(map.begin(), map.end(),
                                         std::pair<qint64, qint64>(old, std::numeric_limits<qint64>::min()));
        if (it == map.end() || it->first != old)
            sqlite3_result_error(ctx, "ledger row not numbered", -1);
        else
            sqlite3_result_int64(ctx, it->second);
    };
    sqlite3* handle = db.handle();
    if (sqlite3_create_function(handle, "upgrade_rowid", 1, SQLITE_UTF8, &renumber, lookUp, nullptr, nullptr)
        != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(handle)));
    struct Unregister {
        sqlite3* h;
        ~Unregister()
        {
            sqlite3_create_function(h, "upgrade_rowid", 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr);
        }
    } unregister{handle};
    db.executeNative(QStringLiteral("INSERT INTO %1 (rowid,%2) SELECT upgrade_rowid(rowid),%2 FROM %3 ORDER BY rowid")
                         .arg(quoted(staged), columns, kLedger));
}

// Writes the table anew as the schema has it, keeping its rows (and their
// rowids, but for the ledger's) in the columns both have. SQLite changes no
// column's default in place. Its indexes and triggers go with the old table.
void rebuildTable(Database& db, const TableDef& t, bool regather)
{
    const QStringList old = columnsOf(db, t.name);
    QStringList common;
    for (const ColumnDef& c : t.columns)
        if (old.contains(c.name, Qt::CaseInsensitive))
            common << quoted(c.name);
    const QString columns = common.join(',');
    TableDef staged{t.name + QStringLiteral("_upgrade"), t.columns, {}, {}};
    db.executeNative(QStringLiteral("DROP TABLE IF EXISTS %1").arg(quoted(staged.name)));
    db.executeNative(CreateTableSql(staged));
    if (t.name == kLedger && regather)
        regatherLedger(db, staged.name, columns);
    else
        db.executeNative(QStringLiteral("INSERT INTO %1 (rowid,%2) SELECT rowid,%2 FROM %3 ORDER BY rowid")
                             .arg(quoted(staged.name), columns, quoted(t.name)));
    db.executeNative(QStringLiteral("DROP TABLE %1").arg(quoted(t.name)));
    db.executeNative(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(staged.name), quoted(t.name)));
}

// Indexes are named by position: one whose text differs from the schema's
// (other columns) is dropped and made anew, as is one the schema no longer has.
void syncIndexes(Database& db, const TableDef& t, const QList<MasterRow>& master)
{
    QStringList expected;
    for (int i = 1; i <= t.indexes.size(); ++i)
        expected << CreateIndexSql(t, i);
    QSet<QString> present;
    for (const MasterRow& r : master) {
        if (r.type != QLatin1String("index") || r.sql.isEmpty() || r.table.compare(t.name, Qt::CaseInsensitive) != 0)
            continue;
        if (expected.contains(r.sql))
            present.insert(r.sql);
        else
            db.executeNative(QStringLiteral("DROP INDEX %1").arg(quoted(r.name)));
    }
    for (const QString& sql : std::as_const(expected))
        if (!present.contains(sql))
            db.executeNative(sql);
}

// Triggers are compared as a whole: one on a table (a schema's trigger may
// watch another table than its own) that no table keeps goes.
void syncTriggers(Database& db, const QList<MasterRow>& master)
{
    QStringList expected;
    QSet<QString> tables;
    for (const TableDef& t : DataFileSchema()) {
        expected += t.triggers;
        tables.insert(t.name.toLower());
    }
    QSet<QString> present;
    for (const MasterRow& r : master) {
        if (r.type != QLatin1String("trigger"))
            continue;
        if (expected.contains(r.sql))
            present.insert(r.sql);
        else if (tables.contains(r.table.toLower()))
            db.executeNative(QStringLiteral("DROP TRIGGER %1").arg(quoted(r.name)));
    }
    for (const QString& sql : std::as_const(expected))
        if (!present.contains(sql))
            db.executeNative(sql);
}

void copyOver(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile source(from);
    if (!source.copy(to))
        throw DbError(QStringLiteral("不能把数据文件复制到 '%1': %2").arg(to, source.errorString()));
}

} // namespace

DataFileLayout ReadDataFileLayout(const QString& path, const QString& key)
{
    auto db = Database::openReadOnly(path, key, ProgramSql());
    DataFileLayout layout;
    layout.pageSize = db->pageSize();
    Statement version(*db, QStringLiteral("PRAGMA user_version"));
    layout.version = version.step() ? int(version.columnInt64(0)) : 0;
    const QList<MasterRow> master = readMaster(*db);
    for (const char* name : kFirstTables)
        if (!findTable(master, QString::fromLatin1(name)))
            layout.complete = false;
    return layout;
}

QString UpgradeBackupName(int version) { return QStringLiteral("vembra-v%1.dat").arg(version); }

void UpgradeDataFile(Database& db, int fromVersion)
{
    Transaction tx(db);
    {
        const QList<MasterRow> master = readMaster(db);
        for (const TableDef& t : DataFileSchema()) {
            const MasterRow* table = findTable(master, t.name);
            if (!table)
                db.executeNative(CreateTableSql(t));
            else if (table->sql != CreateTableSql(t) || (t.name == kLedger && fromVersion < kLedgerInBlocks))
                rebuildTable(db, t, fromVersion < kLedgerInBlocks);
        }
    }
    // Indexes and triggers once every table holds its rows: an index is
    // built in one pass, and no trigger fires for the rows copied.
    const QList<MasterRow> master = readMaster(db);
    for (const TableDef& t : DataFileSchema())
        syncIndexes(db, t, master);
    syncTriggers(db, master);

    // The tables worked out from others are filled here, from the rows the
    // file now holds in the current layout.
    FillDerivedTables(db);

    db.executeNative(QStringLiteral("PRAGMA user_version = %1").arg(kDataFileVersion));
    tx.commit();
}

std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder)
{
    const QString key = DataFileKey();
    // Read before the file is opened for work: opening it so would set its
    // journal and create the journal's files beside it.
    const DataFileLayout layout = ReadDataFileLayout(path, key);
    if (layout.version > kDataFileVersion)
        throw DbError(
            QStringLiteral(
                "数据文件 '%1' 由较新版本的程序写成（数据格式 %2），本程序只能打开数据格式 %3 以前的数据文件，请使用新版程序。")
                .arg(path)
                .arg(layout.version)
                .arg(kDataFileVersion));
    if (layout.version == kDataFileVersion || !layout.complete)
        return Database::open(path, key, ProgramSql());

    // The copy is of one whole file: a journal left beside it (the program
    // ended without closing it) is first written into it.
    bool journalBeside = false;
    for (const QString& side : Database::sideFiles(path))
        journalBeside = journalBeside || QFileInfo::exists(side);
    if (journalBeside)
        Database::open(path, key, ProgramSql())->singleFile();
    copyOver(path, backupFolder + UpgradeBackupName(layout.version));
    if (layout.pageSize != kProgramPageSize) {
        // The oldest files' pages are rewritten as the program's, the new
        // file put in the old one's place in one step.
        const QString converted = path + QStringLiteral(".pages");
        QFile::remove(converted);
        Database::copyWithProgramPages(path, layout.pageSize, converted, key);
        std::error_code ec;
        std::filesystem::rename(std::filesystem::path(converted.toStdU16String()),
                                std::filesystem::path(path.toStdU16String()), ec);
        if (ec) {
            QFile::remove(converted);
            throw DbError(QStringLiteral("不能替换数据文件 '%1': %2").arg(path, QString::fromStdString(ec.message())));
        }
    }
    auto db = Database::open(path, key, ProgramSql());
    // Plain while it is rewritten: the rollback journal keeps only the pages
    // that held data before, where the write-ahead one would hold every page
    // written.
    db->singleFile();
    UpgradeDataFile(*db, layout.version);
    db->useWriteAheadJournal();
    return db;
}
