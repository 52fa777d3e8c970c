#pragma once
#include <QString>

class QWidget;

// Single-value queries on gDb; they show nothing (GetStr and GetVal, which
// show their failure, are in dialogs/lookups.h). GetFieldStr fails silently.
QString GetFieldStr(const QString& sql);
// The first field of the first row, "" for Null or no row; the engine's
// refusal is thrown (DbError), for the caller to show once in its own words.
QString GetFieldStrOrThrow(const QString& sql);
// The same as a number: Null and no row give 0; a text that is not a number as
// a whole throws DbError ("类型不匹配").
double GetFieldValOrThrow(const QString& sql);

// The statement counting the rows a SELECT gives: "select count(*)" over
// its own FROM and WHERE, its ORDER BY left off. "" when the count of those
// would not be the SELECT's rows: a grouping, DISTINCT or TOP, an aggregate
// in its columns, a union, a limit.
QString CountStatement(const QString& select);
// A statement giving one row for each row of a SELECT, to be counted a slice
// at a time: "select 1" over its own FROM and WHERE where CountStatement can
// use them, else over the SELECT itself.
QString RowsStatement(const QString& select);

// The code of a list item "code.name": the trimmed text before its first ".",
// the whole trimmed text when it holds none.
QString CodeOf(const QString& item);

// Trims blanks, turns "'" into "’" and removes line breaks; changes s in place.
QString SqlText(QString& s);
inline QString SqlText(const QString& s)
{
    QString copy = s;
    return SqlText(copy);
}

double Round1(double x);

QString LangStr(const QString& s);
void LangForm(QWidget* form);
