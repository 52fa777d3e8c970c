#pragma once
#include <QColor>
#include <QString>

// The number and text conventions the windows were written against.

// Leading number of a text: blanks are skipped, reading stops at the first
// character that cannot continue a number; 0 when there is none.
double Val(const QString& s);

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
