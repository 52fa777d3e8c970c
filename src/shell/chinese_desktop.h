#pragma once
#include <QStringList>

// The program speaks Chinese whatever the machine's locale, Qt's own parts
// included: file dialogs, standard buttons, a text box's context menu.
//
// Installs Qt's simplified-Chinese translation once; false when it is not
// installed on this machine (Qt's texts then stay English).
bool InstallQtChinese();

// The windows ask for the fonts of the desktop they were drawn on ("Times New
// Roman", "宋体", "MS Sans Serif"...). Those names are mapped to a Latin face
// for letters, digits and punctuation and a CJK face for Chinese
// (platform/faces.h); fixed-pitch names go to a font in which one Chinese
// character is as wide as two blanks. Windows that ask for no font get the
// same two faces.
void MapFontNames();
const QStringList& MappedFontNames();

// The installed families that draw both Chinese and digits well.
const QStringList& ChineseSansFamilies();
const QStringList& ChineseMonoFamilies();
