#include "platform/date_picker.h"

#include "platform/platform.h"
#include "platform/vb.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

DatePicker::DatePicker(QWidget* parent)
    : QDateEdit(parent)
{
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    setCalendarPopup(true);
    lineEdit()->installEventFilter(this);
}

QList<DatePicker::Span> DatePicker::spans() const
{
    // The sections are the runs of digits; the format pads each to its width.
    QList<Span> out;
    const QString text = lineEdit()->text();
    for (int i = 0; i < text.size(); ++i) {
        if (!text.at(i).isDigit())
            continue;
        if (out.isEmpty() || out.last().start + out.last().length != i)
            out.append({i, 0});
        ++out.last().length;
    }
    return out;
}

int DatePicker::sectionAtPosition(int position) const
{
    // A position after a section's last digit (on its separator) is still its own.
    const QList<Span> all = spans();
    for (int i = 0; i < all.size(); ++i) {
        if (position <= all[i].start + all[i].length)
            return i;
    }
    return int(all.size()) - 1;
}

void DatePicker::selectSection(int index)
{
    m_typed.clear();
    const int last = sectionCount() - 1;
    setSelectedSection(sectionAt(std::clamp(index, 0, last)));
}

QDate DatePicker::dateWith(int index, const QString& digits) const
{
    const QDate d = date();
    int value = digits.toInt();
    QDate out;
    switch (sectionAt(index)) {
    case YearSection:
        if (digits.size() == 3)
            return {}; // no year yet
        if (digits.size() <= 2)
            value = FullYearOfShortYear(value);
        out = QDate(value, d.month(), d.day());
        break;
    case MonthSection: out = QDate(d.year(), value, d.day()); break;
    case DaySection: out = QDate(d.year(), d.month(), value); break;
    default: return {};
    }
    if (!out.isValid() || out < minimumDate() || out > maximumDate())
        return {};
    return out;
}

bool DatePicker::canStillBecomeADate(int index, const QString& digits) const
{
    const QList<Span> all = spans();
    if (index >= all.size() || digits.size() >= all[index].length)
        return false;
    for (QChar next = u'0'; next <= u'9'; next = QChar(next.unicode() + 1)) {
        const QString longer = digits + next;
        if (dateWith(index, longer).isValid() || canStillBecomeADate(index, longer))
            return true;
    }
    return false;
}

void DatePicker::typeDigit(int digit)
{
    const int index = currentSectionIndex();
    const QList<Span> all = spans();
    if (index < 0 || index >= all.size())
        return;
    QString digits = m_typed.size() >= all[index].length ? QString() : m_typed;
    if (digits.isEmpty())
        m_beforeTyping = date();
    digits += QChar(u'0' + digit);
    if (const QDate d = dateWith(index, digits); d.isValid()) {
        setDate(d);
        selectSection(index);
        m_typed = digits;
    } else if (canStillBecomeADate(index, digits)) {
        m_typed = digits;
    } else {
        // Refused: the date goes back to what it was before the value's first
        // digit, never to the value of the digits before this one ("3" of a
        // refused "35"), and the next digit starts the section anew.
        setDate(m_beforeTyping);
        selectSection(index);
        Beep();
    }
}

void DatePicker::type(QChar c)
{
    if (c.isDigit()) {
        typeDigit(c.digitValue());
    } else if (c == u'-' || c == u'/' || c == u'.') {
        selectSection(currentSectionIndex() + 1);
    }
}

void DatePicker::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const int key = event->key();
    const QString text = event->text();
    if (mods != Qt::NoModifier) {
        // The calendar (Alt+Down) and copying stay the picker's; the rest are the window's.
        const bool calendar = mods == Qt::AltModifier && (key == Qt::Key_Down || key == Qt::Key_Up);
        if (calendar || event->matches(QKeySequence::Copy)) {
            QDateEdit::keyPressEvent(event);
            return;
        }
        event->ignore();
        return;
    }
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right: selectSection(currentSectionIndex() + (key == Qt::Key_Left ? -1 : 1)); return;
    case Qt::Key_Home:
    case Qt::Key_End: selectSection(key == Qt::Key_Home ? 0 : sectionCount() - 1); return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: m_typed.clear(); return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F4: {
        // Qt's own: stepping, the calendar, and Enter passed on to the window.
        const int index = currentSectionIndex();
        QDateEdit::keyPressEvent(event);
        if (hasFocus())
            selectSection(index);
        return;
    }
    default: break;
    }
    if (!text.isEmpty() && text.at(0).isPrint()) {
        for (QChar c : text)
            type(c);
        return;
    }
    event->ignore();
}

bool DatePicker::event(QEvent* event)
{
    // Text an input method commits is typed text; nothing is composed in the picker.
    if (event->type() == QEvent::InputMethod) {
        for (QChar c : static_cast<QInputMethodEvent*>(event)->commitString())
            type(c);
        event->accept();
        return true;
    }
    return QDateEdit::event(event);
}

void DatePicker::focusInEvent(QFocusEvent* event)
{
    QDateEdit::focusInEvent(event);
    selectSection(currentSectionIndex());
}

void DatePicker::focusOutEvent(QFocusEvent* event)
{
    m_typed.clear();
    QDateEdit::focusOutEvent(event);
}

bool DatePicker::focusNextPrevChild(bool next)
{
    // Tab leaves the picker: its sections are not stops of the window's tab order.
    return QWidget::focusNextPrevChild(next);
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton)
                break;
            selectSection(sectionAtPosition(lineEdit()->cursorPositionAt(me->position().toPoint())));
            return true;
        }
        case QEvent::MouseMove:
            // No dragging a selection across sections.
            return (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) != 0;
        default: break;
        }
    }
    return QDateEdit::eventFilter(watched, event);
}
