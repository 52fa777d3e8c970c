#pragma once
#include <QString>
#include <string_view>

class Database;
struct sqlite3_stmt;

// A statement prepared once and run many times with bound values: bulk writes
// such as one insert per grid row skip the dialect translation and the parse
// of every row. The SQL is SQLite's own, untranslated; the values never become
// part of its text, so they go in exactly as given (quotes, date-like text).
class Statement {
public:
    // Throws DbError with the engine's text when the SQL does not prepare.
    Statement(Database& db, const QString& nativeSql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1. A null QString binds as "" (text), not Null.
    void bind(int index, const QString& text);
    void bind(int index, double number);
    void bindInt64(int index, qint64 number);
    // A number as the literal SqlNum writes for it would have gone in: an
    // integer when that text is a whole number that fits, else the double
    // the text reads back as. Writes that once composed SqlNum literals keep
    // storing the same type and value this way.
    void bindLiteralNumber(int index, double number);
    void bindNull(int index);
    // UTF-8 text the engine reads where it lies when the statement runs: the
    // bytes must stay in place until then (a bulk copy binds its reused
    // buffers without a QString for each value). Empty text binds as "", not Null.
    void bindUtf8InPlace(int index, std::string_view utf8);

    // One step: true while it yields a row, false when done. Throws DbError.
    bool step();
    // The current row after step() returned true: column count, and a
    // column's text as UTF-8 (valid until the next step or reset; nullptr for Null).
    int columnCount() const;
    const char* columnUtf8(int col) const;
    int columnBytes(int col) const;    // of columnUtf8's text
    QString columnText(int col) const; // "" for Null
    double columnDouble(int col) const; // 0 for Null
    qint64 columnInt64(int col) const;  // 0 for Null
    bool columnIsNull(int col) const;
    bool columnIsNumber(int col) const; // an integer or a real
    bool columnIsText(int col) const;
    // Ready to run again with the same or new values.
    void reset();
    // Runs a write to its end and makes the statement ready again; returns
    // the rows it changed (rows its triggers changed not counted).
    int run();

private:
    void check(int rc);

    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
