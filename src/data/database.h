#pragma once
#include "data/dberror.h"
#include "data/read_connections.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QObject;
struct sqlite3;
struct sqlite3_stmt;
class RowReader;

// What the program's SQL speaks beyond SQLite's own, handed to Database::open
// by whoever opens a file (the program's own: ProgramSql() in
// data/program_sql.h): the functions registered on the connection, and the
// translation of a statement into SQLite's dialect that openRecordset,
// forEachRow, RowReader and execute apply (executeNative and Statement do not).
struct SqlDialect {
    void (*registerFunctions)(sqlite3* db) = nullptr;
    QString (*translate)(const QString& sql) = nullptr;
};

// One value of a record set: Null, a number or text, as the engine gave it.
// Text read from the file stays UTF-8 in its record set's store and becomes a
// QString only when asked for: a grid fill then converts each cell once, as a
// bare loop over the engine would. A reference into a record set lives as long
// as the record set; a copied Value owns its text.
class Value {
public:
    enum Kind : unsigned char { Null, Integer, Real, Text };
    Value() = default;
    Value(const Value& o) { copyFrom(o); }
    Value(Value&& o) noexcept { takeFrom(o); }
    Value& operator=(const Value& o);
    Value& operator=(Value&& o) noexcept;
    ~Value() { release(); }

    static Value fromInteger(qint64 v) { Value x; x.m_kind = Integer; x.m_int = v; return x; }
    static Value fromReal(double v) { Value x; x.m_kind = Real; x.m_real = v; return x; }
    static Value fromText(const QString& v);
    // Text held elsewhere (a record set's store) that outlives the value.
    static Value fromUtf8View(const char* p, quint32 size) { Value x; x.m_kind = Text; x.m_utf8 = p; x.m_size = size; return x; }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Null; }
    bool isNumber() const { return m_kind == Integer || m_kind == Real; }
    // As the system shows it: numbers with up to 15 significant digits, dates in
    // the short form they are stored in, Null as "".
    QString toString() const;
    // Numbers as they are; text read as a number when all of it is one (else 0, ok false).
    double toDouble(bool* ok = nullptr) const;
    qint64 toInt() const { return m_kind == Integer ? m_int : qint64(toDouble()); }
    // VB truth: a non-zero number, or text "True"/"-1".
    bool toBool() const;
    // A text value's UTF-8 bytes (empty for the other kinds).
    std::string_view utf8() const { return m_kind == Text ? std::string_view(m_utf8, m_size) : std::string_view(); }

private:
    void copyFrom(const Value& o);
    void takeFrom(Value& o) noexcept;
    void release() noexcept;

    union {
        qint64 m_int;
        double m_real = 0;
        const char* m_utf8; // Text: UTF-8 bytes, not terminated
    };
    quint32 m_size = 0;   // Text: byte count
    Kind m_kind = Null;
    bool m_owned = false; // Text: m_utf8 was allocated by this value
};

// A snapshot: every row is read when it opens, then moved over.
class RecordSet {
public:
    RecordSet() = default;
    int fieldCount() const { return int(m_names.size()); }
    const QStringList& fieldNames() const { return m_names; }
    int fieldIndex(const QString& name) const; // -1 when absent (case-insensitive)
    int recordCount() const { return m_rows; }

    bool eof() const { return m_pos >= m_rows || m_rows == 0; }
    bool bof() const { return m_pos < 0 || m_rows == 0; }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = m_rows - 1; }
    void moveNext() { if (m_pos < m_rows) ++m_pos; }
    void movePrevious() { if (m_pos >= 0) --m_pos; }
    int position() const { return m_pos; }
    void move(int row) { m_pos = row; }

    // The current row's field; throws DbError at EOF/BOF or for an unknown name.
    const Value& field(int i) const;
    const Value& field(const QString& name) const;
    // Direct access for fast fills.
    const Value& at(int row, int col) const { return m_values[size_t(row) * m_names.size() + col]; }

private:
    friend class Database;
    struct TextStore;
    QStringList m_names;
    std::vector<Value> m_values;
    std::shared_ptr<TextStore> m_text; // shared by copies, so their values stay valid
    int m_rows = 0;
    int m_pos = 0;
};

// One row of a SELECT being stepped by Database::forEachRow. What it hands
// out is valid only while the callback that received it runs.
class RowView {
public:
    int count() const { return int(m_values.size()); }
    // Text values view the engine's own bytes; nothing is copied.
    const Value& value(int col) const { return m_values[size_t(col)]; }
    // The value as the system shows it (Value::toString), as UTF-8: text as
    // stored, numbers with up to 15 significant digits, Null as "".
    std::string_view text(int col) const;
    QString string(int col) const { return value(col).toString(); }

private:
    friend class RowReader;
    std::vector<Value> m_values;
    mutable std::vector<QByteArray> m_numbers; // this row's numbers as text, made when asked
};

// The one open data file.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file with its key; never creates one. A wrong key or a
    // damaged file fails here. Throws DbError with the engine's text.
    static std::unique_ptr<Database> open(const QString& path, const QString& key, const SqlDialect& dialect);
    // Opens an existing file only to read it: nothing in it or beside it is
    // changed (a backup being looked at before a restore). A keyed file
    // written with the 1 KB pages of older files is read as well.
    static std::unique_ptr<Database> openReadOnly(const QString& path, const QString& key, const SqlDialect& dialect);
    // Opens an existing file as it is found, to read and write, setting no
    // journal mode: a journal left beside it is played back by the engine's
    // own recovery at the first read. pageSize 0 takes the program's pages,
    // or the 1 KB ones of older files when those do not read.
    static std::unique_ptr<Database> openAsFound(const QString& path, const QString& key, const SqlDialect& dialect,
                                                 int pageSize = 0);
    // Writes a copy of the keyed file `from`, written with encrypted pages of
    // fromPageSize bytes, as the new file `to` with the pages the program
    // writes. `from` is only read. Refuses an existing `to`; throws DbError.
    static void copyWithProgramPages(const QString& from, int fromPageSize, const QString& to, const QString& key);
    // Creates a new file (the data-file tool only); refuses an existing path.
    static std::unique_ptr<Database> create(const QString& path, const QString& key, const SqlDialect& dialect);

    const QString& path() const { return m_path; }

    // How long a statement waits for another connection's lock (another
    // copy's write) before it fails.
    static constexpr int kBusyTimeoutMs = 5000;
    // The engine's account of its last failure on db, as an operator reads
    // it: its own text, but a wait for another copy's lock that ran out (the
    // engine's "database is locked") is said in Chinese, with what became of
    // the work.
    static QString failureText(sqlite3* db);

    // A snapshot of a SELECT in the program's dialect.
    RecordSet openRecordset(const QString& sql);
    // Steps a SELECT in the program's dialect and hands each row to fn as it
    // comes, keeping none: a large grid fills its own store straight from the
    // statement. fn returns false to stop. names, when given, receives the
    // column names first. Returns the rows handed over; throws DbError.
    // RowReader reads the same a slice at a time.
    qint64 forEachRow(const QString& sql, const std::function<bool(const RowView&)>& fn, QStringList* names = nullptr);
    // An action statement; returns the rows affected.
    int execute(const QString& sql);
    // A statement in SQLite's own dialect, untranslated (schema, pragmas).
    void executeNative(const QString& sql);
    // A statement of the program's dialect in SQLite's own (for Statement).
    QString nativeSql(const QString& sql) const { return translate(sql); }

    // Writes everything the journal holds into the data file and leaves it a
    // single file with nothing beside it, as a copy of the file needs it;
    // the database stays open. Throws DbError (also inside a transaction).
    void singleFile();
    // The files the engine may keep beside a data file while it is open.
    static QStringList sideFiles(const QString& path);
    // Returns a file singleFile() left plain to the write-ahead journal.
    void useWriteAheadJournal();
    // The size of the file's encrypted pages (4096 for the files the program writes).
    int pageSize();

    bool inTransaction() const;
    sqlite3* handle() const { return m_db; }
    qint64 lastInsertRowId() const;

    // Moves what the write-ahead journal holds into the data file, as far as
    // no reader still needs it. Commits leave this to when the program is
    // idle (or to a journal grown large), so a save does not wait for it.
    void checkpoint();

    // Long lists read from connections of their own (data/read_connections.h),
    // opened as they are first needed: only a file opened for writing in
    // write-ahead mode has them, where a reader never keeps a writer waiting.
    bool readsOwnSnapshots();
    ReadConnections& readConnections();
    // Opens the first of them when the program is next idle: the key makes
    // an opening cost tens of milliseconds, which the first list then spares.
    void openReadConnectionWhenIdle();
    // Closes them, as a copy of the file needs (singleFile does it first):
    // every list still reading from one has its owner read the rest first
    // (the reader's handler), and a reader left without gives no further rows.
    void closeReadConnections();

private:
    friend class RowReader;
    friend class Statement;
    Database();
    enum class Mode { Open, Create, ReadOnly, AsFound };
    static std::unique_ptr<Database> openFile(const QString& path, const QString& key, Mode mode, int pageSize,
                                              const SqlDialect& dialect);
    void configure(const QString& key, Mode mode, int pageSize);
    struct Stmt;
    Stmt prepare(const QString& nativeSql);
    QString translate(const QString& sql) const { return m_dialect.translate ? m_dialect.translate(sql) : sql; }

    static int journalGrew(void* self, sqlite3* db, const char* name, int pages);
    // Before this connection writes: every open reader with a handler for
    // it has its owner read the rest first.
    void finishOpenReads();
    // The journal has passed its bound: every reader holding a snapshot of
    // its own lets it go (RowReader::setLetGo). Whether any did.
    bool letSnapshotsGo();
    void checkpointWhenIdle();
    // Lists let their snapshots go for a move of the journal still to come:
    // it comes now, before a new snapshot would hold the journal again.
    void checkpointBeforeSnapshot();

    sqlite3* m_db = nullptr;
    SqlDialect m_dialect;
    std::vector<RowReader*> m_readers; // open, in the order they were opened
    QString m_path;
    QString m_key;
    Mode m_mode = Mode::Open;
    std::unique_ptr<ReadConnections> m_readConnections;
    std::unique_ptr<QObject> m_idle; // owns the pending idle-time checkpoint
    bool m_checkpointPending = false;
    bool m_restartPending = false; // lists let their snapshots go for the pending move
};

// A SELECT in the program's dialect read a slice at a time, the rows handed
// over as they come (Database::forEachRow reads all of it at once). A window
// can show the first rows of a long list at once and take the rest only when
// it needs them. The statement stays open between slices, so the rows are
// those of the file as it was at the first step. On the data file's own
// connection a write would change them under it, and so, before that
// connection next writes, the reader's beforeWrite handler runs (once): its
// owner reads the rest then. A reader with a snapshot of its own reads from
// a connection lent to it alone (Database::readConnections), in a read
// transaction held until its last row is read or it goes: writes never wait
// for it, and its handler runs only before the lent connections close. A
// reader whose database closes first gives no further rows (read() throws).
class RowReader {
public:
    // Prepares the statement; throws DbError.
    RowReader(Database& db, const QString& sql);
    struct OwnSnapshot {};
    // The same on a connection of its own (the database must read its own
    // snapshots); throws DbError.
    RowReader(Database& db, const QString& sql, OwnSnapshot);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    const QStringList& names() const { return m_names; }
    // Hands up to maxRows further rows to fn, which returns false to stop
    // after its row. Returns the rows handed over; throws DbError.
    qint64 read(qint64 maxRows, const std::function<bool(const RowView&)>& fn);
    bool atEnd() const { return m_end; }
    // Reads from a connection of its own (until its last row).
    bool ownsSnapshot() const { return m_ownSnapshot; }
    // Holds its lent connection now.
    bool holdsSnapshot() const { return m_lease != nullptr; }
    // Its lent connection caches few pages until given back (ReadConnections::Lease).
    void useSmallCache();
    // The rows another SELECT (a count) gives as its one value, read in this
    // reader's snapshot (or, with inSnapshot false, on the data file's own
    // connection): -1 when the engine refuses it, or when it takes more than
    // `budget` thousand of the engine's steps (then it is given up; a count
    // of a table's rows takes a few steps however long the table). A reader
    // past its last row, or without a snapshot of its own, reads the file as
    // it is now.
    qint64 countWithin(const QString& countSql, int budget, bool inSnapshot = true);
    // The rows another SELECT gives (rowsSql, whose rows are only counted:
    // RowsStatement in data/queries.h), counted in this reader's snapshot a
    // slice at a time: each call steps it for about `ms` milliseconds and
    // returns the count once it is done, kCounting until then. -1 when the
    // engine refuses it or the reader holds no snapshot of its own (a count
    // elsewhere would not be of its rows). The statement stays open between
    // calls, in the read transaction of the reader's rows, and goes with it.
    static constexpr qint64 kCounting = -2;
    qint64 countSlice(const QString& rowsSql, int ms);
    // Called before the connection next writes (or starts a transaction)
    // while this reader is open, or for a reader with a snapshot of its own
    // before the lent connections close; it may read on, or destroy the reader.
    void setBeforeWrite(std::function<void()> handler) { m_beforeWrite = std::move(handler); }

    // The statement's last n columns are not handed over: after a read that
    // stops before the last row, keptValues() holds them as the last row
    // handed over had them. Set before the first read.
    void keepLastColumns(int n);
    const std::vector<Value>& keptValues() const { return m_kept; }
    // The statement and snapshot go now; no rows come until continueWith.
    void letSnapshotGo();
    bool isLetGo() const { return m_db && !m_stmt && !m_end; }
    // Goes on with another statement of the same columns, on a snapshot of
    // its own of the file as it is now. Throws DbError.
    void continueWith(const QString& sql);
    // Called, each time, when the data file's journal has grown past the
    // size at which it is moved into the file while this reader holds a
    // snapshot of its own: the journal can start again only once no
    // snapshot older than its last move is held. The handler lets the
    // snapshot go (letSnapshotGo, or reading on to the last row).
    void setLetGo(std::function<void()> handler) { m_letGo = std::move(handler); }

private:
    friend class Database;
    // The database is closing: the statement goes, no further rows come.
    void detach();
    // The last row is read: the statement and the lent connection go back.
    void releaseSnapshot();
    void endCount();
    void start(sqlite3_stmt* st);
    // sql prepared on the lent connection; throws DbError.
    sqlite3_stmt* prepareOnLease(const QString& sql);

    Database* m_db;
    std::unique_ptr<ReadConnections::Lease> m_lease;
    bool m_ownSnapshot = false;
    sqlite3_stmt* m_stmt = nullptr;
    sqlite3_stmt* m_countStmt = nullptr; // a count going on, a slice at a time
    qint64 m_countRows = 0;
    QStringList m_names;
    RowView m_row;
    std::function<void()> m_beforeWrite;
    std::function<void()> m_letGo;
    int m_keep = 0; // columns kept, not handed over
    std::vector<Value> m_kept;
    bool m_end = false;
};

// Commits when commit() is called; rolls back when it goes out of scope
// without. Nested guards become savepoints, so procedures compose. The
// outermost guard takes the write lock as it begins, waiting for another
// copy's write up to the busy timeout: a transaction that reads before it
// writes could otherwise not become the writer once another copy has
// written since its read, and the engine then refuses at once.
class Transaction {
public:
    // Throws DbError when the write lock does not come in time.
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    QString m_name; // the savepoint of a nested guard; empty for the outermost
    bool m_done = false;
};
