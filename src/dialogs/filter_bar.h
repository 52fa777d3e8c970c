#pragma once
#include <QList>
#include <QString>

class QComboBox;
class QDateEdit;
class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

// The filter bar across the top of a report or ledger window (`Frm`) and the
// controls it holds, made alike in every such window.

// A framed strip `Frm`, 600 twips high.
QFrame* MakeFilterBar(QWidget* parent);

// Lays the bar's controls out in one row from the left, in the order given;
// a nullptr stands for the wider gap between two groups (a period, a party,
// the command). What is left over stays at the right end.
QHBoxLayout* LayOutFilterBar(QFrame* bar, const QList<QWidget*>& controls);

// A date picker named `name`, showing the short date form, with a calendar.
QDateEdit* MakeDatePicker(QWidget* parent, const QString& name);

// A caption named `name` in front of a control of the bar.
QLabel* MakeBarLabel(QWidget* parent, const QString& name, const QString& caption);

// The party list `Cmb`: typed into or chosen from, never added to by typing,
// wide enough for a long name.
QComboBox* MakePartyList(QWidget* parent);

// A command button named `name`: pressed by a click, or by Enter while it has
// the focus; never as the default when Enter is pressed in another control.
QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption);
