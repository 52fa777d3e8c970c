#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The layout of the data file the program writes, kept in the file as its
// user_version. Files written before the number was kept read 0. A change to
// DataFileSchema() raises it: a file of a lower version is then brought to
// the new layout when the program opens it (OpenDataFile).
inline constexpr int kDataFileVersion = 1;

// The data file's tables, in column order, as the program expects them.
struct ColumnDef {
    QString name;
    char type; // 'T' text, 'N' number, 'I' integer, 'D' date, 'B' yes/no
    QString defaultValue; // SQL text, empty for none
};

struct TableDef {
    QString name;
    QList<ColumnDef> columns;
    QList<QStringList> indexes; // plain indexes, each a list of columns
    QStringList triggers = {};  // CREATE TRIGGER statements kept on the table, in order
};

const QList<TableDef>& DataFileSchema();
const TableDef& ExcelTemplateSchema();

// CREATE TABLE text of a table (text columns compare without regard to case).
QString CreateTableSql(const TableDef& t);
// CREATE INDEX text of a table's index at position (from 1): ix_<table>_<position>.
QString IndexName(const TableDef& t, int position);
QString CreateIndexSql(const TableDef& t, int position);

// Fills the tables whose rows are worked out from other tables, after an
// upgrade has created them empty. Throws DbError.
void FillDerivedTables(Database& db);

// The key of the data file.
QString DataFileKey();

// Writes a new data file with every table and the rows the program needs.
// Refuses an existing path. Throws DbError.
void CreateDataFile(const QString& path);
// Writes the export template (unencrypted) with its staging table.
void CreateExcelTemplate(const QString& path);

// The administrator the fresh data file holds.
inline constexpr const char* kAdminAccount = "001";
inline constexpr const char* kAdminName = "管理员";
inline constexpr const char* kAdminPassword = "ADMIN";
