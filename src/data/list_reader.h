#pragma once
#include "data/database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The order a long list is read in, made to tell every row apart, so that the
// list can go on after the last row it gave on a later state of the file: the
// list's own order with its key after it (or the table's row number, where
// the key would make the engine sort anew), or, for a list without an order
// of its own, the order the engine reads it in anyway (the index it walks,
// then the row number), so its rows come as they did. The order's terms are
// read as the statement's last columns: the last row read tells where to go
// on from.
class ListKeyset {
public:
    // For a SELECT in the program's dialect whose rows come from `table`,
    // told apart by keyColumn ("B01.F1"). nullopt when the list cannot go on
    // so: not one plain SELECT (a grouping, DISTINCT, TOP, a union, an
    // aggregate), an order by column number, rows not read from `table` by
    // its own name, or an order the engine would sort for where it did not.
    static std::optional<ListKeyset> of(Database& db, const QString& select, const QString& table,
                                        const QString& keyColumn);

    // The statement read: the SELECT in that order, the order's terms after its columns.
    const QString& statement() const { return m_statement; }
    int terms() const { return int(m_terms.size()); }
    // The engine sorts the rows for the order (it walks no index in it).
    bool sorts() const { return m_sorts; }
    // Its rows after the one whose terms read `last` (all of them for no
    // row), leaving out those whose key is one of leftOut.
    QString after(const std::vector<Value>& last, const QStringList& leftOut) const;

private:
    QString compose(const QString& condition) const;

    QString m_columns; // "select ..." up to its FROM
    QString m_source;  // FROM ... up to its WHERE or ORDER BY
    QString m_where;   // its condition, or ""
    QStringList m_terms;
    std::vector<bool> m_descending;
    QString m_keyColumn;
    QString m_statement;
    bool m_sorts = false;
};

// A long list read a slice at a time: on the data file's own connection or
// from a snapshot of its own (RowReader), which it lets go when asked, going
// on after its last row on the file as it is then (ListKeyset); and counted
// a slice at a time in the snapshot its rows come from.
class ListReader {
public:
    // table and keyColumn: where its rows come from and what tells them apart.
    ListReader(Database& db, const QString& select, const QString& table, const QString& keyColumn);
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    // Prepares the statement on the data file's own connection, whose large
    // cache holds the pages it last read (a list that ends within its first
    // rows needs no other; a longer one goes on after them from a snapshot
    // of its own, moveToOwnSnapshot); but a list that cannot go on so, or
    // whose rows the engine sorts (sorting them again to go on), begins on
    // a kept read connection when one is free. Throws DbError.
    void begin();
    // As RowReader::read; a list that let its snapshot go goes on on a new
    // one. Past kManyRows its connection caches few pages: its rows hold
    // the memory then, and a read that long in one direction gains nothing
    // from a cache.
    qint64 read(qint64 most, const std::function<bool(const RowView&)>& fn);
    static constexpr qint64 kManyRows = 50000;
    bool atEnd() const;
    // Reading on the data file's own connection.
    bool onMainConnection() const;
    // The file lets lists read snapshots of their own (a file in write-ahead
    // mode, opened to write, outside a transaction).
    bool canOwnSnapshot() const { return m_canOwnSnapshot; }
    // A list begun on the data file's own connection goes on from a snapshot
    // of its own: after its last row; false when it cannot go on so and
    // begins again (its rows read so far come again). Throws DbError.
    bool moveToOwnSnapshot();
    // The list can let its snapshot go and go on after its last row.
    bool canGoOn() const { return m_keyset.has_value(); }
    // Holds a lent connection now.
    bool holdsSnapshot() const;
    // Lets its statement and snapshot go now (a list that can go on).
    void letSnapshotGo();

    // The rows counted on the data file's own connection when the engine can
    // do it within `budget` thousand steps (RowReader::countWithin); -1 else.
    qint64 countWithin(int budget);
    // The rows still to come, counted a slice at a time in the snapshot
    // they come from (RowReader::countSlice): the count once done,
    // RowReader::kCounting until then, -1 when it cannot be counted. A list
    // that lets its snapshot go meanwhile is counted anew on its next one.
    qint64 countRestSlice(int ms);

    // Keys of the rows shown after the list's own (a window's saved rows):
    // where the list goes on on a later state, they are left out.
    void setLeftOut(std::function<QStringList()> keys) { m_leftOut = std::move(keys); }
    // Runs when the owner must read the rest at once: before the data file's
    // own connection writes (a list read there), before the lent connections
    // close, and, for a list that cannot go on after its last row, once the
    // journal passes its bound (RowReader::setLetGo).
    void setReadRest(std::function<void()> handler);

private:
    void goOn();
    void armHandlers();

    Database& m_db;
    QString m_select;
    QString m_table;
    QString m_keyColumn;
    std::optional<ListKeyset> m_keyset;
    std::unique_ptr<RowReader> m_reader;
    QString m_reading;      // the statement the reader reads now
    qint64 m_givenHere = 0; // rows it has handed over
    qint64 m_given = 0;     // and all its statements
    bool m_canOwnSnapshot = false;
    std::function<QStringList()> m_leftOut;
    std::function<void()> m_readRest;
};
