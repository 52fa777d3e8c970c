#pragma once
#include <QDateEdit>

// A date picker that also takes a date typed whole, in the forms
// ReadTypedDate reads ("3-5", "24-3-5", "2024年3月5日"). Typing replaces the
// shown date; the text is read when the box is left, Enter is pressed, the
// picker's own keys are used or commitTyping() is called: a text that is no
// date gives today. The arrows and the calendar work as in any picker.
class TypedDateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit TypedDateEdit(QWidget* parent = nullptr);

    bool isTyping() const { return m_typing; }
    // Reads what was typed into the date, if anything was.
    void commitTyping();

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Puts text in place of the selection (or at the cursor), as typed.
    void typeText(const QString& text);
    void erase(bool backwards);

    bool m_typing = false;
};
