#pragma once
#include <QDateEdit>

// The date picker of every window (the "DTP" controls), shown as yyyy-MM-dd
// and worked as the operators' desktop picker is:
// - one section (year, month or day) is selected at a time: a click selects
//   the one under the pointer; Left and Right, or a typed "-", "/" or ".",
//   move to the section before or after;
// - digits replace the selected section's value, up to its width: "1" then
//   "5" in the day gives the 15th, a third digit starts the day anew; a one-
//   or two-digit year is read as an operator's short year (24 is 2024). A
//   value the date cannot take (a 13th month, the 31st of a 30-day month, a
//   year that cannot keep the 29th of February) is refused with a beep, and
//   the date goes back to what it was before the value's first digit ("35"
//   in the day leaves the day as it was, not the 3rd); digits that can still
//   become a value ("0" in the month, three digits of a year) wait for the
//   next one;
// - Tab and Shift+Tab leave the picker, as they leave any box; Up and Down
//   step the section; Enter goes on to the window, which decides what it
//   does; the calendar drops down as in any Qt picker.
// The date shown is always the picker's date, whichever way it is left.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Span {
        int start = 0;
        int length = 0;
    };
    // Where each section lies in the text shown.
    QList<Span> spans() const;
    int sectionAtPosition(int position) const;
    void selectSection(int index);
    // A typed character: a digit, a separator, or anything else (refused).
    void type(QChar c);
    void typeDigit(int digit);
    // The date with the section set from `digits`; invalid when the date
    // cannot take it, or the digits are no value yet.
    QDate dateWith(int index, const QString& digits) const;
    bool canStillBecomeADate(int index, const QString& digits) const;

    // The digits typed into the selected section so far, and the date
    // before the first of them: what a refused value leaves.
    QString m_typed;
    QDate m_beforeTyping;
};
