#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// Text literal for SQL: the text between single quotes with every "'" doubled.
// Every literal built from typed or stored text goes through here.
QString SqlQuote(const QString& text);
// The text's inside for a literal the caller already surrounds with quotes.
QString SqlEscape(const QString& text);

// UTF-8 text folded as a NOCASE column compares it: ASCII letters to lower
// case, every other byte as it is.
inline void FoldNocase(char* utf8, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (utf8[i] >= 'A' && utf8[i] <= 'Z')
            utf8[i] = char(utf8[i] - 'A' + 'a');
}

// A number in its shortest exact form, so a value found by its own text is
// found again ("126.86199951171875", "0.1", "31").
QString SqlNum(double value);

// Date text in the program's short form (yyyy-MM-dd), with the time when it is not midnight.
QString DateText(const QDate& d);
QString DateTimeText(const QDateTime& dt);

// Reads a date written as yyyy-MM-dd, yyyy/M/d, yyyy.M.d, M/d/yyyy, yyyy年M月d日,
// with an optional time; nullopt when the text is no date.
std::optional<QDateTime> ParseDateText(const QString& text);
