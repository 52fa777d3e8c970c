#include "data/datafile_upgrade.h"

#include "data/datafile_lock.h"
#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/statement.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <future>
#include <limits>
#include <system_error>
#include <thread>
#include <unistd.h>
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

// The program names its indexes by table and position ("ix_TB1_4"); an index
// named otherwise is not the program's and is kept.
bool isProgramIndex(const MasterRow& r)
{
    static const QRegularExpression pattern(QStringLiteral("^ix_(.+)_[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(r.name);
    return m.hasMatch() && m.captured(1).compare(r.table, Qt::CaseInsensitive) == 0;
}

// The names of the triggers the schema has; a trigger named otherwise is not
// the program's and is kept.
QSet<QString> programTriggerNames()
{
    static const QRegularExpression pattern(QStringLiteral("^CREATE TRIGGER \"([^\"]+)\""));
    QSet<QString> names;
    for (const TableDef& t : DataFileSchema())
        for (const QString& sql : t.triggers)
            names.insert(pattern.match(sql).captured(1).toLower());
    return names;
}

bool isProgramTrigger(const MasterRow& r) { return programTriggerNames().contains(r.name.toLower()); }

// Indexes are named by position: one whose text differs from the schema's
// (other columns) is dropped and made anew, as is one the schema no longer has.
void syncIndexes(Database& db, const TableDef& t, const QList<MasterRow>& master)
{
    QStringList expected;
    for (int i = 1; i <= t.indexes.size(); ++i)
        expected << CreateIndexSql(t, i);
    QSet<QString> present;
    for (const MasterRow& r : master) {
        if (r.type != QLatin1String("index") || r.sql.isEmpty() || r.table.compare(t.name, Qt::CaseInsensitive) != 0
            || !isProgramIndex(r))
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

// Triggers are compared as a whole: one of the program's on a table (a
// schema's trigger may watch another table than its own) that no table keeps
// goes.
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
        else if (tables.contains(r.table.toLower()) && isProgramTrigger(r))
            db.executeNative(QStringLiteral("DROP TRIGGER %1").arg(quoted(r.name)));
    }
    for (const QString& sql : std::as_const(expected))
        if (!present.contains(sql))
            db.executeNative(sql);
}

// The tables an upgrade from this version writes anew.
QList<std::pair<const TableDef*, const MasterRow*>> tablesToRebuild(const QList<MasterRow>& master, int fromVersion)
{
    QList<std::pair<const TableDef*, const MasterRow*>> out;
    for (const TableDef& t : DataFileSchema()) {
        const MasterRow* table = findTable(master, t.name);
        if (table && (table->sql != CreateTableSql(t) || (t.name == kLedger && fromVersion < kLedgerInBlocks)))
            out.append({&t, table});
    }
    return out;
}

// What the layout does not know is kept or the upgrade refused before it
// changes anything: an index or trigger another program put on a table the
// upgrade writes anew goes with the old table and is made again at the end;
// a column holding data the layout has no place for refuses the upgrade.
void refuseColumnsWithData(Database& db, const QList<MasterRow>& master, int fromVersion)
{
    QStringList lost;
    for (const auto& [t, row] : tablesToRebuild(master, fromVersion)) {
        for (const QString& c : columnsOf(db, row->name)) {
            bool known = false;
            for (const ColumnDef& d : t->columns)
                known = known || d.name.compare(c, Qt::CaseInsensitive) == 0;
            if (known)
                continue;
            Statement any(
                db, QStringLiteral("SELECT 1 FROM %1 WHERE %2 IS NOT NULL LIMIT 1").arg(quoted(row->name), quoted(c)));
            if (any.step())
                lost << row->name + '.' + c;
        }
    }
    if (!lost.isEmpty())
        throw DbError(
            QStringLiteral("数据文件 '%1' 的列 %2 存有数据，本程序的数据格式中没有这些列，转换数据格式会丢失它们。"
                           "数据文件没有改变。")
                .arg(db.path(), lost.join(QStringLiteral("、"))));
}

QStringList keptObjects(const QList<MasterRow>& master, int fromVersion)
{
    QSet<QString> rebuilt;
    for (const auto& table : tablesToRebuild(master, fromVersion))
        rebuilt.insert(table.second->name.toLower());
    QStringList sql;
    for (const MasterRow& r : master) {
        if (r.sql.isEmpty() || !rebuilt.contains(r.table.toLower()))
            continue;
        if ((r.type == QLatin1String("index") && !isProgramIndex(r))
            || (r.type == QLatin1String("trigger") && !isProgramTrigger(r)))
            sql << r.sql;
    }
    return sql;
}

// Beside the data file while an upgrade runs: the name of the copy this
// upgrade makes of the file as it was, then, once that copy is whole, its
// size and digest. A later start that finds it finishes that upgrade from
// that copy, if the copy is still whole; the upgrade's commit removes it.
// A marker an older program wrote holds the name alone.
struct Marker {
    QString name;         // "" when there is none, or it names no copy an upgrade makes
    bool nameOnly = true; // nothing recorded of the copy: trusted as it is found
    qint64 size = -1;
    QByteArray digest; // hex, of kDigest
};

constexpr QCryptographicHash::Algorithm kDigest = QCryptographicHash::Blake2b_256;
constexpr QLatin1StringView kSizeKey("size=");
constexpr QLatin1StringView kDigestKey("blake2b-256=");

QString markerOf(const QString& path) { return UpgradeMarkerOf(path); }

// A name an upgrade gives its copy (UpgradeBackupName): a plain file name in
// the program folder. A marker naming anything else (another folder, the
// data file itself) names nothing of this program's, and nothing is written
// or trusted under that name.
bool isCopyName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^vembra-v[0-9]+(-[0-9]+)?\\.dat$"));
    return pattern.match(name).hasMatch();
}

Marker readMarker(const QString& path)
{
    Marker m;
    QFile f(markerOf(path));
    if (!f.open(QIODevice::ReadOnly))
        return m;
    const QStringList lines = QString::fromUtf8(f.readAll()).trimmed().split('\n');
    m.name = lines.value(0).trimmed();
    if (!isCopyName(m.name))
        m.name.clear();
    m.nameOnly = lines.size() == 1;
    for (const QString& line : lines.mid(1)) {
        if (line.startsWith(kSizeKey))
            m.size = line.mid(kSizeKey.size()).trimmed().toLongLong();
        else if (line.startsWith(kDigestKey))
            m.digest = line.mid(kDigestKey.size()).trimmed().toLatin1();
    }
    return m;
}

void writeMarker(const QString& path, const Marker& m)
{
    QByteArray text = m.name.toUtf8() + '\n';
    if (!m.nameOnly)
        text += QByteArray(kSizeKey.data()) + QByteArray::number(m.size) + '\n' + QByteArray(kDigestKey.data())
            + m.digest + '\n';
    QSaveFile f(markerOf(path));
    if (!f.open(QIODevice::WriteOnly))
        throw DbError(DataFileLock::writeFailureReason(markerOf(path), errno));
    f.write(text);
    if (!f.commit())
        throw DbError(QStringLiteral("不能写入 '%1': %2").arg(markerOf(path), f.errorString()));
}

// The digest of a file's bytes (hex) and their count; an empty digest when
// it cannot be read.
QByteArray digestOf(const QString& file, qint64* size)
{
    QFile f(file);
    *size = -1;
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QByteArray();
    QCryptographicHash hash(kDigest);
    QByteArray block(4 << 20, Qt::Uninitialized);
    qint64 total = 0;
    qint64 n;
    while ((n = f.read(block.data(), block.size())) > 0) {
        hash.addData(QByteArrayView(block.constData(), n));
        total += n;
    }
    if (n < 0)
        return QByteArray();
    *size = total;
    return hash.result().toHex();
}

// Whether the copy a marker names is the one the upgrade made, byte for byte.
bool isWhole(const QString& copy, const Marker& m)
{
    if (m.size < 0 || m.digest.isEmpty() || QFileInfo(copy).size() != m.size)
        return false;
    qint64 size = 0;
    return digestOf(copy, &size) == m.digest && size == m.size;
}

// Copies from to the new file to, whole or not at all: written under a
// temporary name and put on disk; then marked (markWhole, with the size and
// digest of what was copied) and only then given its name, never one
// already taken. A copy under its name was so whole as marked.
void copyWhole(const QString& from, const QString& to, const std::function<void(qint64, const QByteArray&)>& markWhole)
{
    const QString part = to + QStringLiteral(".part");
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("不能读取数据文件 '%1': %2").arg(from, in.errorString()));
    QFile::remove(part);
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DbError(DataFileLock::writeFailureReason(part, errno));
    QString failure;
    const qint64 size = in.size();
    // The digest of the file as it is copied (nothing writes to it while the
    // upgrade has it alone), read beside the copy: the open takes no longer
    // for it than the slower of the two.
    std::future<QByteArray> digest = std::async(std::launch::async, [&from, size] {
        qint64 read = 0;
        const QByteArray d = digestOf(from, &read);
        return read == size ? d : QByteArray();
    });
    // In the kernel where it can (no pass through this process), else a
    // block at a time.
    qint64 copied = 0;
    while (copied < size) {
        const ssize_t n = ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr, size_t(size - copied), 0);
        if (n <= 0)
            break;
        copied += n;
    }
    if (copied < size) {
        in.seek(copied);
        out.seek(copied);
        QByteArray block(4 << 20, Qt::Uninitialized);
        for (;;) {
            const qint64 n = in.read(block.data(), block.size());
            if (n < 0)
                failure = in.errorString();
            if (n <= 0)
                break;
            if (out.write(block.constData(), n) != n) {
                failure = out.errorString();
                break;
            }
            copied += n;
        }
        if (failure.isEmpty() && copied != size)
            failure = QStringLiteral("读取数据文件不完整");
    }
    if (failure.isEmpty() && (!out.flush() || ::fdatasync(out.handle()) != 0))
        failure = out.errorString();
    out.close();
    const QByteArray whole = digest.get();
    if (failure.isEmpty() && whole.isEmpty())
        failure = QStringLiteral("读取数据文件不完整");
    if (failure.isEmpty() && QFileInfo::exists(to))
        failure = QStringLiteral("文件已经存在");
    if (failure.isEmpty())
        markWhole(size, whole);
    std::error_code ec;
    if (failure.isEmpty())
        std::filesystem::rename(std::filesystem::path(part.toStdU16String()),
                                std::filesystem::path(to.toStdU16String()), ec);
    if (ec)
        failure = QString::fromStdString(ec.message());
    if (!failure.isEmpty()) {
        QFile::remove(part);
        throw DbError(QStringLiteral("不能把数据文件复制到 '%1': %2").arg(to, failure));
    }
}

// The copy of the file as it was: the one this upgrade already made (its
// marker names it and it is there, whole as marked, or as found when the
// marker names it alone), else a new one under the name the marker
// reserved, or the first free one. A file under a name that is not whole
// as marked, or that no marker names, is someone else's and stays as it is.
QString keepCopy(const QString& path, const QString& folder, int version, const std::function<void()>& step)
{
    Marker marker = readMarker(path);
    if (!marker.name.isEmpty() && QFileInfo::exists(folder + marker.name)) {
        if (marker.nameOnly || isWhole(folder + marker.name, marker)) {
            step();
            step();
            return marker.name;
        }
        marker.name.clear();
    }
    if (marker.name.isEmpty()) {
        for (int n = 1; QFileInfo::exists(folder + (marker.name = UpgradeBackupName(version, n))); ++n) {
        }
        marker.nameOnly = true;
        writeMarker(path, marker);
    }
    step();
    copyWhole(path, folder + marker.name, [&](qint64 size, const QByteArray& digest) {
        writeMarker(path, Marker{marker.name, false, size, digest});
    });
    step();
    return marker.name;
}

// The page size a journal beside the file was written with (0: none to say).
int journalPageSize(const QString& path)
{
    auto bigEndian = [](const QByteArray& b, int at) {
        return b.size() < at + 4 ? 0u
                                 : (quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16
                                    | quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3])));
    };
    const std::pair<QString, int> journals[] = {{path + QStringLiteral("-wal"), 8},
                                                {path + QStringLiteral("-journal"), 24}};
    for (const auto& [file, at] : journals) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const quint32 size = bigEndian(f.read(32), at);
        if (size >= 512 && size <= 65536 && (size & (size - 1)) == 0)
            return int(size);
    }
    return 0;
}

bool journalBeside(const QString& path)
{
    for (const QString& side : Database::sideFiles(path))
        if (QFileInfo::exists(side))
            return true;
    return false;
}

DataFileLayout layoutOf(Database& db)
{
    DataFileLayout layout;
    layout.pageSize = db.pageSize();
    Statement version(db, QStringLiteral("PRAGMA user_version"));
    layout.version = version.step() ? int(version.columnInt64(0)) : 0;
    const QList<MasterRow> master = readMaster(db);
    for (const char* name : kFirstTables)
        if (!findTable(master, QString::fromLatin1(name)))
            layout.complete = false;
    return layout;
}

QString newerFileReason(const QString& path, int version)
{
    return QStringLiteral(
               "数据文件 '%1' 由较新版本的程序写成（数据格式 %2），本程序只能打开数据格式 %3 及以前的数据文件，请使用新版程序。")
        .arg(path)
        .arg(version)
        .arg(kDataFileVersion);
}

// The layout as ReadDataFileLayout reads it. The connection that played a
// journal back is handed to reader when given: closed while no other of
// this process is open on the file, it would move the write-ahead journal
// into the file under the other copies working on it, holding up their saves.
DataFileLayout readLayout(const QString& path, const QString& key, std::unique_ptr<Database>* reader)
{
    if (!journalBeside(path))
        return layoutOf(*Database::openReadOnly(path, key, ProgramSql()));
    auto db = Database::openAsFound(path, key, ProgramSql(), journalPageSize(path));
    const DataFileLayout layout = layoutOf(*db);
    if (reader)
        *reader = std::move(db);
    return layout;
}

// ---- The steps of OpenDataFile, in their order.

using Step = std::function<void()>;

// Lock: this start's turn on the file, then this copy's share of it. Waits up
// to the deadline for another start's turn (its upgrade) and for a copy that
// has the file alone (one ending, a restore, a backup), then refuses with
// the reason. The turn ends with the start.
class StartTurn {
public:
    StartTurn(DataFileLock& lock, const QString& path, DataFileLock::Deadline deadline)
        : m_lock(lock)
    {
        if (!lock.takeStartTurn(deadline))
            throw DataFileInUse(lock.aloneElsewhere() ? DataFileLock::busyReason(path)
                                                      : DataFileLock::startingReason(path));
        if (!lock.share(deadline)) {
            lock.endStartTurn();
            throw DataFileInUse(DataFileLock::busyReason(path));
        }
    }
    ~StartTurn() { m_lock.endStartTurn(); }
    StartTurn(const StartTurn&) = delete;
    StartTurn& operator=(const StartTurn&) = delete;

private:
    DataFileLock& m_lock;
};

// A folder nothing can be made in (not even the journal) or a data file that
// cannot be written would give a session whose every save fails.
void refuseReadOnly(const QString& path)
{
    const QString reason = DataFileLock::notWritableReason(path);
    if (!reason.isEmpty())
        throw DbError(reason);
}

void refuseNewer(const QString& path, const DataFileLayout& layout)
{
    if (layout.version > kDataFileVersion)
        throw DbError(newerFileReason(path, layout.version));
}

void removeMarker(const QString& path) { QFile::remove(markerOf(path)); }

// A file of the current layout (or one that is no whole data file) opened
// for work. The connection that played a journal back closes only once the
// working one is open: no checkpoint at its close.
std::unique_ptr<Database> openForWork(const QString& path, const QString& key, const DataFileLayout& layout,
                                      std::unique_ptr<Database> reader)
{
    auto db = Database::open(path, key, ProgramSql());
    reader.reset();
    // An upgrade that committed and was ended before it could tidy up.
    if (layout.version == kDataFileVersion)
        removeMarker(path);
    return db;
}

// The upgrade rewrites the whole file: it needs it alone, and another running
// copy keeps it as it is.
void haveFileAlone(DataFileLock& lock, const QString& path, DataFileLock::Deadline deadline)
{
    if (!lock.takeAlone(deadline))
        throw DataFileInUse(QStringLiteral("数据文件 '%1' 需要转换为新的数据格式，但另一个正在运行的本程序打开着它。"
                                           "请先退出其他正在运行的本程序，再启动本程序。")
                                .arg(path));
}

// Journal play-back: the file as it is found, a journal beside it played back
// into it, so the copy is one whole file. Nothing else changes before the copy.
DataFileLayout playBackJournal(const QString& path, const QString& key)
{
    DataFileLayout layout;
    {
        auto found = Database::openAsFound(path, key, ProgramSql(), journalPageSize(path));
        layout = layoutOf(*found);
        refuseNewer(path, layout);
        if (layout.version == kDataFileVersion)
            return layout;
        refuseColumnsWithData(*found, readMaster(*found), layout.version);
        found->executeNative(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    } // the last connection closed: a write-ahead journal is in the file and gone
    // A rollback journal left now was not hot (the engine plays a hot one back
    // at the first read): its writer was ended before it wrote anything into
    // the file. The engine would drop it at the next write; with the file
    // alone it goes now.
    QFile::remove(path + QStringLiteral("-journal"));
    for (const QString& side : Database::sideFiles(path))
        if (QFileInfo::exists(side))
            throw DbError(QStringLiteral("数据文件旁的日志文件 '%1' 没能写回数据文件。").arg(side));
    return layout;
}

// Page conversion: the oldest files' pages are rewritten as the program's,
// the new file put in the old one's place in one step.
void convertPages(const QString& path, int pageSize, const QString& key, const Step& step)
{
    const QString converted = path + QStringLiteral(".pages");
    QFile::remove(converted);
    QFile::remove(converted + QStringLiteral("-journal"));
    if (pageSize == kProgramPageSize) {
        step();
        step();
        return;
    }
    Database::copyWithProgramPages(path, pageSize, converted, key);
    step();
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(converted.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        QFile::remove(converted);
        throw DbError(QStringLiteral("不能替换数据文件 '%1': %2").arg(path, QString::fromStdString(ec.message())));
    }
    step();
}

// Upgrade: the layout brought to the current one in one transaction.
void upgradeLayout(const QString& path, const QString& key, int fromVersion, const Step& step)
{
    {
        auto db = Database::openAsFound(path, key, ProgramSql(), kProgramPageSize);
        // Plain while it is rewritten: the rollback journal keeps only the
        // pages that held data before, where the write-ahead one would hold
        // every page written.
        db->singleFile();
        step();
        UpgradeDataFile(*db, fromVersion, step);
    }
    step();
}

// Runs work, the long part of an upgrade, as run says; step (which reports
// the progress) runs on this thread either way. Beside the event loop, work
// has a thread of its own while this thread's event loop turns: windows
// repaint and the desktop's requests are answered, user input waits; each
// step is handed back here and work goes on once it has been reported.
void runUpgrade(UpgradeRun run, const Step& step, const std::function<void(const Step&)>& work)
{
    if (run == UpgradeRun::Here || !QCoreApplication::instance()) {
        work(step);
        return;
    }
    QEventLoop loop;
    QObject here;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work([&] {
                std::exception_ptr stepFailure;
                QMetaObject::invokeMethod(
                    &here,
                    [&] {
                        try {
                            step();
                        } catch (...) {
                            stepFailure = std::current_exception();
                        }
                    },
                    Qt::BlockingQueuedConnection);
                if (stepFailure)
                    std::rethrow_exception(stepFailure);
            });
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

DataFileLayout ReadDataFileLayout(const QString& path, const QString& key)
{
    // A journal beside the file is part of it: the engine plays it back
    // before the layout is read. With nothing beside it the file is read as
    // it lies, nothing created.
    return readLayout(path, key, nullptr);
}

QString UpgradeBackupName(int version, int n)
{
    return n <= 1 ? QStringLiteral("vembra-v%1.dat").arg(version)
                  : QStringLiteral("vembra-v%1-%2.dat").arg(version).arg(n);
}

QString UpgradeMarkerOf(const QString& path) { return path + QStringLiteral(".upgrade"); }

QString NewerLayoutReason(int version)
{
    return QStringLiteral("所选文件由较新版本的程序写成（数据格式 %1），本程序只能打开数据格式 %2 及以前的数据文件！")
        .arg(version)
        .arg(kDataFileVersion);
}

void UpgradeDataFile(Database& db, int fromVersion, const std::function<void()>& stepDone)
{
    auto step = [&] {
        if (stepDone)
            stepDone();
    };
    Transaction tx(db);
    QStringList kept;
    {
        const QList<MasterRow> master = readMaster(db);
        refuseColumnsWithData(db, master, fromVersion);
        kept = keptObjects(master, fromVersion);
        for (const TableDef& t : DataFileSchema()) {
            const MasterRow* table = findTable(master, t.name);
            if (!table)
                db.executeNative(CreateTableSql(t));
            else if (table->sql != CreateTableSql(t) || (t.name == kLedger && fromVersion < kLedgerInBlocks))
                rebuildTable(db, t, fromVersion < kLedgerInBlocks);
        }
    }
    step();
    // Indexes and triggers once every table holds its rows: an index is
    // built in one pass, and no trigger fires for the rows copied.
    const QList<MasterRow> master = readMaster(db);
    for (const TableDef& t : DataFileSchema())
        syncIndexes(db, t, master);
    syncTriggers(db, master);
    step();

    // The tables worked out from others are filled here, from the rows the
    // file now holds in the current layout.
    FillDerivedTables(db);
    // What another program put on the tables written anew, as it had it.
    for (const QString& sql : std::as_const(kept))
        db.executeNative(sql);
    step();

    db.executeNative(QStringLiteral("PRAGMA user_version = %1").arg(kDataFileVersion));
    tx.commit();
}

std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder)
{
    DataFileLock lock(path);
    return OpenDataFile(path, backupFolder, lock);
}

std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder, DataFileLock& lock,
                                       const UpgradeProgress& progress, UpgradeRun run)
{
    const QString key = DataFileKey();
    const DataFileLock::Deadline deadline = std::chrono::steady_clock::now() + kStartWait;
    refuseReadOnly(path);
    const StartTurn turn(lock, path, deadline);
    // Read before the file is opened for work: opening it so would set its
    // journal and create the journal's files beside it.
    std::unique_ptr<Database> reader;
    const DataFileLayout layout = readLayout(path, key, &reader);
    refuseNewer(path, layout);
    if (layout.version == kDataFileVersion || !layout.complete)
        return openForWork(path, key, layout, std::move(reader));

    haveFileAlone(lock, path, deadline);
    reader.reset();
    struct Share {
        DataFileLock& lock;
        ~Share() { lock.shareAgain(); }
    } shareAgain{lock};
    int done = 0;
    const Step step = [&] {
        if (progress)
            progress(done, kUpgradeSteps);
        ++done;
    };
    step();
    runUpgrade(run, step, [&](const Step& stepDone) {
        const DataFileLayout found = playBackJournal(path, key);
        if (found.version == kDataFileVersion) {
            removeMarker(path);
            return;
        }
        stepDone();
        keepCopy(path, backupFolder, found.version, stepDone);
        convertPages(path, found.pageSize, key, stepDone);
        upgradeLayout(path, key, found.version, stepDone);
        removeMarker(path);
        stepDone();
    });
    return Database::open(path, key, ProgramSql());
}
