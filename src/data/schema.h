#pragma once
#include <QList>
#include <QString>
#include <QStringList>

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
