#include "support/date_picker_input.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QMouseEvent>
#include <gtest/gtest.h>

void ClickDateSection(QDateEdit* picker, int section)
{
    auto* line = picker->findChild<QLineEdit*>();
    const QString text = line->text();
    // The second character of the section's run of digits.
    int at = 0;
    for (int s = 0; s < section; ++s) {
        while (at < text.size() && text.at(at).isDigit())
            ++at;
        while (at < text.size() && !text.at(at).isDigit())
            ++at;
    }
    ++at;
    const int y = line->height() / 2;
    int x = 0;
    while (x < line->width() && line->cursorPositionAt(QPoint(x, y)) < at)
        ++x;
    if (x == line->width())
        ADD_FAILURE() << "the picker is too narrow to show its date";
    picker->setFocus(Qt::MouseFocusReason);
    const QPoint p(x, y);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, p, line->mapToGlobal(p), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(line, &e);
    }
}
