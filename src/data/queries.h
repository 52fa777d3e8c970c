#pragma once
#include <QString>

class QWidget;

// Single-value queries on gDb. GetStr and GetVal report a failure in a message
// box and return their empty value; GetFieldStr fails silently. The empty
// value of a failure reads like "nothing found": a check that decides whether
// to write or to let someone in passes `failed` (set true on a failure, false
// otherwise) and stops on it instead.
QString GetStr(const QString& sql, bool* failed = nullptr);
double GetVal(const QString& sql, bool* failed = nullptr);
QString GetFieldStr(const QString& sql);
// GetFieldStr for such a check: the engine's refusal is thrown (DbError), for
// the caller to show once in its own words.
QString GetFieldStrOrThrow(const QString& sql);

// The code of a list item "code.name": the trimmed text before its first ".",
// the whole trimmed text when it holds none.
QString CodeOf(const QString& item);

// The F2 of a master record from its code or list text ("C001.name"); the
// caller's text is cleaned and cut to the code in place.
QString GetNameByCode(QString& code, const QString& table);

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
