#include "platform/typed_date_edit.h"

#include "platform/vb.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

TypedDateEdit::TypedDateEdit(QWidget* parent)
    : QDateEdit(parent)
{
}

void TypedDateEdit::commitTyping()
{
    if (!m_typing)
        return;
    m_typing = false;
    setDate(ReadTypedDate(lineEdit()->text()).value_or(QDate::currentDate()));
}

QValidator::State TypedDateEdit::validate(QString& input, int& pos) const
{
    // Typed text is read as a whole when it is done, never completed on the way.
    if (m_typing)
        return QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

// The picker's own editing works section by section and refuses a text that
// is not a whole date in its format; typed text is kept aside from it (the
// line's signals held back) until it is read.
void TypedDateEdit::typeText(const QString& text)
{
    QLineEdit* line = lineEdit();
    const QSignalBlocker hold(line);
    if (!m_typing) {
        // The first key typed replaces the date shown.
        m_typing = true;
        line->clear();
    }
    QString t = line->text();
    int at = line->cursorPosition();
    if (line->hasSelectedText()) {
        at = line->selectionStart();
        t.remove(at, line->selectedText().size());
    }
    t.insert(at, text);
    line->setText(t);
    line->setCursorPosition(at + int(text.size()));
}

void TypedDateEdit::erase(bool backwards)
{
    QLineEdit* line = lineEdit();
    const QSignalBlocker hold(line);
    if (!m_typing) {
        m_typing = true;
        line->clear();
        return;
    }
    if (backwards)
        line->backspace();
    else
        line->del();
}

void TypedDateEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const QString text = event->text();
    if (mods == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint()) {
        typeText(text);
        return;
    }
    if (mods == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        erase(key == Qt::Key_Backspace);
        return;
    }
    if (m_typing && mods == Qt::NoModifier
        && (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End)) {
        const QSignalBlocker hold(lineEdit());
        QKeyEvent copy(event->type(), key, event->modifiers(), text);
        QCoreApplication::sendEvent(lineEdit(), &copy);
        return;
    }
    // Enter, the arrows, the calendar: on the date as typed.
    commitTyping();
    QDateEdit::keyPressEvent(event);
}

bool TypedDateEdit::event(QEvent* event)
{
    // Text committed by an input method ("年", "月", "日") is typed text too;
    // the picker would hand it to its line as its own editing.
    if (event->type() == QEvent::InputMethod) {
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (im->preeditString().isEmpty() && !im->commitString().isEmpty()) {
            typeText(im->commitString());
            im->accept();
            return true;
        }
    }
    return QDateEdit::event(event);
}

void TypedDateEdit::focusOutEvent(QFocusEvent* event)
{
    commitTyping();
    QDateEdit::focusOutEvent(event);
}
