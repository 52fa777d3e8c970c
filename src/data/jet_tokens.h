#pragma once
#include <QList>
#include <QString>

// The tokens of the program's SQL dialect, shared by the translator and its
// date analysis. Text inside quotes is one String token and is never looked into.
enum class Tok { Word, Number, String, Ident, Punct, Space, Other };

struct Token {
    Tok kind;
    QString text;
};

// Splits SQL into tokens; comments become a blank; "#...#" is one Other token.
QList<Token> TokenizeJet(const QString& sql);

inline bool IsWord(const Token& t, const char* w)
{
    return t.kind == Tok::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}
