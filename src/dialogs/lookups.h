#pragma once
#include <QString>

// Single-value look-ups that show their own failure: GetStr and GetVal report
// it in a message box and return their empty value. The empty value of a
// failure reads like "nothing found": a check that decides whether to write or
// to let someone in passes `failed` (set true on a failure, false otherwise)
// and stops on it instead.
QString GetStr(const QString& sql, bool* failed = nullptr);
double GetVal(const QString& sql, bool* failed = nullptr);

// The F2 of a master record from its code or list text ("C001.name"); the
// caller's text is cleaned and cut to the code in place.
QString GetNameByCode(QString& code, const QString& table);
