#pragma once
#include <QString>
#include <QStringList>

// The CJK faces draw Latin punctuation full-width ("O’Brien" reads "O’ Brien"),
// so text is drawn with a Latin face first and the CJK face behind it: Qt
// takes each character from the first face that has it, Chinese from the CJK
// face. A fixed-pitch face stays alone: there one Chinese character is as wide
// as two blanks, and a Latin face in front would break that.
QStringList FacesFor(const QString& cjkFamily);
// The Latin faces put in front, sans and serif.
const QString& LatinSansFace();
const QString& LatinSerifFace();
