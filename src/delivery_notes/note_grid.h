#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class FlexGrid;
class QComboBox;
class QWidget;
class RecordSet;

// What the delivery-note windows share: a grid of a statement's rows with a
// sums row under them, and the customer list of TA2.

// The statement grid "GD" of a window: whole rows selected, no fixed column,
// its columns kept sized to its width.
FlexGrid* MakeNoteGrid(QWidget* parent);

// Clears the grid to a header row and one blank row, the headers centred,
// the money columns right-aligned.
void SetupNoteGrid(FlexGrid* gd, const QStringList& headers, const QList<int>& moneyCols);

// Writes the record set into rows 1.. (Null as "", the money column in
// "#0.00"), then adds the sums row: the columns sumCols added over the data
// rows as plain numbers, the other cells empty. An empty record set leaves
// the header and the blank row, without a sums row.
void FillNoteRows(FlexGrid* gd, const RecordSet& rs, int moneyCol, const QList<int>& sumCols);

// Each column gets the grid's inner width / columns - 30 twips, now and
// whenever that width changes (a vertical scroll bar comes or goes).
void SizeNoteColumns(FlexGrid* gd);
void KeepNoteColumnsSized(FlexGrid* gd);

// The sums row cannot be current: when the current row is the last one and
// that is the sums row (no customer name in column 1), the data row above it
// becomes current. The blank row of an empty list stays. True when it moved.
bool StepOffSumsRow(FlexGrid* gd);

// The editable customer list "CmbKH" of a window; typed text is not added.
QComboBox* MakeNoteCustomerBox(QWidget* parent);

// Items "code.name" of every TA2 customer, in code order, after `first`
// items already in the list. A failing read is shown and leaves them out.
void FillNoteCustomers(QComboBox* list, const QStringList& first = {});

// The customer code of a list text: the text before its first "." as it
// stands, or the whole text trimmed when it holds no ".".
QString NoteCustomerCode(const QString& text);

// The name (F2) of the TA2 customer `code`; "" when there is none, which is
// how a typed code is found wrong. A failed look-up shows its box and sets
// *failed (see GetStr).
QString NoteCustomerName(const QString& code, bool* failed = nullptr);
