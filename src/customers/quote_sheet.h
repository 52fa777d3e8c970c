#pragma once
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The quote sheets: a customer's price list as the customer receives it, one
// sheet for the foreign zones and one for all the others. The quote grid's
// rows go into the scratch table PRNTM03 (zone code, zone name and the first
// nine prices), the customer and the captions into the formulas TO, P1..P9
// and B1..B5.

enum class SheetScope { International, Domestic };

// "prnTM03.rpt" (international) or "prnTM032.rpt" (domestic).
QString QuoteSheetTemplate(SheetScope scope);

// The scratch rows, in grid order: F1, F2, F31..F39 from columns 0..10 of
// each quote row. Rows without a zone code are left out; a zone is foreign
// when its code is among `foreignZones` (upper case), and every zone that is
// not (an unknown code too) belongs to the domestic sheet.
QList<QStringList> QuoteSheetRows(const QList<QStringList>& quoteRows, const QSet<QString>& foreignZones,
                                  SheetScope scope);

// The fifteen formulas: TO='TO:' and the short name, P1..P9 the weight
// captions of the nine printed price columns (lowerCaptions holds all 21),
// B1..B5 the five remark lines.
QStringList QuoteSheetFormulas(const QString& shortName, const QStringList& lowerCaptions, const QStringList& remarks);

// The codes of the zones whose scope is exactly "国外", in upper case.
// Throws DbError.
QSet<QString> ForeignZoneCodes();

// Checks the template, fills PRNTM03 and has the report host preview the
// sheet. A missing template is refused with "报表文件...丢失!" before anything
// is written. False when refused or failed (the failure has been shown).
bool PrintQuoteSheet(SheetScope scope, const QList<QStringList>& quoteRows, const QStringList& formulas);
