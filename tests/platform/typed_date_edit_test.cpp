#include "platform/typed_date_edit.h"
#include "support/testenv.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* w, int key, const QString& text = {})
{
    for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(t, key, Qt::NoModifier, text);
        QApplication::sendEvent(w, &e);
    }
}

// Types key by key; "\b" is a Backspace.
void TypeInto(QWidget* w, const QString& text)
{
    for (QChar c : text)
        c == '\b' ? Key(w, Qt::Key_Backspace) : Key(w, 0, QString(c));
}

} // namespace

TEST(TypedDateEdit, ATypedDateIsKeptAsTypedAndReadWhenThePickerIsLeft)
{
    QWidget page;
    auto* picker = new TypedDateEdit(&page);
    picker->setDisplayFormat("yyyy-MM-dd");
    auto* after = new QLineEdit(&page);
    page.show();
    QApplication::setActiveWindow(&page);
    Pump();
    const int year = QDate::currentDate().year();
    const struct {
        const char* typed;
        QDate date;
    } cases[] = {{"3-5", {year, 3, 5}}, {"24-3-5", {2024, 3, 5}}, {"3-4\b5", {year, 3, 5}}, {"9-", QDate::currentDate()}};
    for (const auto& c : cases) {
        picker->setDate(QDate(2020, 1, 2));
        picker->setFocus(Qt::TabFocusReason);
        TypeInto(picker, c.typed);
        EXPECT_EQ(picker->date(), QDate(2020, 1, 2)) << c.typed;
        after->setFocus();
        EXPECT_EQ(picker->date(), c.date) << c.typed;
        EXPECT_EQ(picker->findChild<QLineEdit*>()->text(), c.date.toString("yyyy-MM-dd")) << c.typed;
    }
    // Enter reads it too, an input method's text is typed text, and the
    // arrows step the date read.
    picker->setFocus(Qt::TabFocusReason);
    TypeInto(picker, "3");
    QInputMethodEvent im;
    im.setCommitString("月5日");
    QApplication::sendEvent(picker, &im);
    Key(picker, Qt::Key_Return);
    EXPECT_EQ(picker->date(), QDate(year, 3, 5));
    TypeInto(picker, "6-7");
    Key(picker, Qt::Key_Up);
    EXPECT_EQ(picker->date(), QDate(year + 1, 6, 7));
}
