#pragma once
#include <QString>

// Translates the program's Jet dialect into SQLite's (see jet_translate.cpp). Throws
// DbError for text holding more than one statement.
QString TranslateJet(const QString& sql);
