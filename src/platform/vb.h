#pragma once
#include <QColor>
#include <QDate>
#include <QString>
#include <optional>

// The number and text conventions the windows were written against.

// Leading number of a text: blanks are skipped, reading stops at the first
// character that cannot continue a number; 0 when there is none.
double Val(const QString& s);

// A date as the operator types it: the full forms (2024-03-05, 2024/3/5,
// 2024.3.5, 2024年3月5日, 3/5/2024, a time after them allowed), a two-digit
// year (24-3-5, 24/3/5, 24年3月5日: 00-29 are 2000-2029, 30-99 1930-1999)
// and no year at all (3-5, 3/5, 3月5日: in the year of `today`). nullopt when
// the text is no date. Stored values and SQL literals have their own reader.
std::optional<QDate> ReadTypedDate(const QString& text, const QDate& today = QDate::currentDate());

// The year an operator means by a one- or two-digit year: 0-29 are 2000-2029,
// 30-99 1930-1999.
int FullYearOfShortYear(int shortYear);

// A number as text with up to 15 significant digits ("3", "0.3", "-1.5").
QString CStr(double x);

// A weight held as a single-precision number, in its shortest plain form
// (20.5, 44, -1), as the weight captions are written.
QString SingleText(double weight);

// Format patterns like "#0.00", "#0.0", "0.00", "#0000", "#,##0.00".
// Rounds a half away from zero on the number's 15-digit decimal form.
QString Format(double x, const QString& pattern);

// Removes leading and trailing blanks (spaces only, not tabs or line breaks).
QString TrimBlanks(const QString& s);

// 15 twips to a pixel.
constexpr int kTwipsPerPixel = 15;
inline int TwipsToPx(int twips) { return twips / kTwipsPerPixel; }
inline int PxToTwips(int px) { return px * kTwipsPerPixel; }

// A colour written as a VB number (&HBBGGRR, or a system colour &H800000nn).
QColor VbColor(quint32 value);
constexpr quint32 kFocusColor = 0xFFFFC0;        // light cyan of the focused entry box
constexpr quint32 kWindowColor = 0x80000005;     // system window background
