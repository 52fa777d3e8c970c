#pragma once
#include <QString>
#include <QStringList>

class FlexGrid;

// What a test compares: stored rows, grid rows and a printed page as text.

// Every row of a statement, its fields joined by "|".
QStringList Records(const QString& sql);
// The first row of a statement, its fields joined by "|"; "" when there is none.
QString FirstRecord(const QString& sql);
// The first field of every row of a statement.
QStringList FirstColumn(const QString& sql);
// The grid's rows from `from` on, each row's texts joined by "|".
QStringList GridLines(FlexGrid* g, int from = 1);
// The grid's row r over its first n columns, joined by "|".
QString GridRowText(FlexGrid* g, int r, int n);
// The texts of page 1 of the report host's preview; none without a preview.
QStringList PreviewPageTexts();
