#include "data/jet_tokens.h"

QList<Token> TokenizeJet(const QString& sql)
{
    QList<Token> out;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const int start = i;
        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            out.append({Tok::Space, sql.mid(start, i - start)});
        } else if (c == '\'') {
            ++i;
            while (i < n) {
                if (sql[i] == '\'') {
                    if (i + 1 < n && sql[i + 1] == '\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out.append({Tok::String, sql.mid(start, i - start)});
        } else if (c == '"' || c == '[' || c == '`') {
            const QChar close = c == '[' ? QChar(']') : c;
            ++i;
            while (i < n && sql[i] != close)
                ++i;
            if (i < n)
                ++i;
            out.append({Tok::Ident, sql.mid(start, i - start)});
        } else if (c == '#') {
            // Jet date literal #...#; a lone # is passed through.
            int j = i + 1;
            while (j < n && sql[j] != '#' && sql[j] != '\n')
                ++j;
            if (j < n && sql[j] == '#') {
                i = j + 1;
                out.append({Tok::Other, sql.mid(start, i - start)});
            } else {
                ++i;
                out.append({Tok::Punct, QString(c)});
            }
        } else if (c.isLetter() || c == '_' || c.unicode() > 127) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == '_' || sql[i] == '$' || sql[i].unicode() > 127) && !sql[i].isSpace())
                ++i;
            out.append({Tok::Word, sql.mid(start, i - start)});
        } else if (c.isDigit() || (c == '.' && i + 1 < n && sql[i + 1].isDigit())) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == '.'))
                ++i;
            // exponent sign
            if (i < n && (sql[i] == '+' || sql[i] == '-') && (sql[i - 1] == 'e' || sql[i - 1] == 'E')) {
                ++i;
                while (i < n && sql[i].isDigit())
                    ++i;
            }
            out.append({Tok::Number, sql.mid(start, i - start)});
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            // A comment becomes a blank: nothing in it is translated, and a LIMIT
            // appended at the end cannot end up inside it.
            while (i < n && sql[i] != '\n')
                ++i;
            out.append({Tok::Space, QStringLiteral(" ")});
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const int close = int(sql.indexOf(QLatin1String("*/"), i + 2));
            i = close < 0 ? n : close + 2;
            out.append({Tok::Space, QStringLiteral(" ")});
        } else {
            ++i;
            out.append({Tok::Punct, QString(c)});
        }
    }
    return out;
}
