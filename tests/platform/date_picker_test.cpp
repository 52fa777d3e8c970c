#include "platform/date_picker.h"
#include "platform/platform.h"
#include "support/date_picker_input.h"
#include "support/testenv.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* w, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(t, key, mods, text);
        QApplication::sendEvent(w, &e);
    }
}

// A picker between two boxes, on a page of its own.
struct Page {
    QWidget page;
    QLineEdit* before = new QLineEdit(&page);
    DatePicker* picker = new DatePicker(&page);
    QLineEdit* after = new QLineEdit(&page);
    Page()
    {
        picker->setGeometry(10, 40, 160, 24);
        after->move(10, 80);
        page.resize(200, 120);
        page.show();
        QApplication::setActiveWindow(&page);
        Pump();
    }
    QString shown() const { return picker->findChild<QLineEdit*>()->text(); }
};

} // namespace

// Keys: digits and other characters are typed; "<" ">" are Left and Right,
// "^" is Up, "~" is Backspace.
TEST(DatePicker, TypingReplacesTheClickedSectionAndTabLeavesWithTheDateShown)
{
    Page p;
    const struct {
        QDate start;
        int section; // clicked: 0 year, 1 month, 2 day
        const char* keys;
        QDate date;
        int beeps = 0; // refused values
    } cases[] = {
        {{2024, 3, 1}, 2, "15", {2024, 3, 15}},
        {{2024, 3, 1}, 2, "157", {2024, 3, 7}}, // a third digit starts the day anew
        {{2024, 3, 1}, 2, "35", {2024, 3, 1}, 1},  // no 35th: the day as it was, never the 3rd
        {{2024, 3, 1}, 2, "357", {2024, 3, 7}, 1}, // after a refusal a digit starts the day anew
        {{2024, 3, 1}, 2, "00", {2024, 3, 1}, 1},
        {{2024, 4, 15}, 2, "31", {2024, 4, 15}, 1}, // April has no 31st
        {{2024, 2, 10}, 2, "30", {2024, 2, 10}, 1},
        {{2024, 3, 1}, 2, "0", {2024, 3, 1}},   // "0" waits for the next digit
        {{2024, 3, 1}, 2, "05", {2024, 3, 5}},
        {{2024, 3, 1}, 1, "13", {2024, 3, 1}, 1},  // no 13th month: March, never January
        {{2024, 3, 31}, 1, "4", {2024, 3, 31}, 1}, // April has no 31st
        {{2024, 3, 31}, 1, "12", {2024, 12, 31}}, // "1" is January, "12" December
        {{2024, 3, 1}, 0, "23-6-7", {2023, 6, 7}},
        {{2024, 3, 1}, 0, "24/4.5", {2024, 4, 5}},
        {{2024, 3, 1}, 0, "99", {1999, 3, 1}},
        {{2024, 3, 1}, 0, "7", {2007, 3, 1}},
        {{2024, 3, 1}, 0, "203", {2020, 3, 1}}, // three digits are no year yet
        {{2024, 3, 1}, 0, "2031", {2031, 3, 1}},
        {{2024, 2, 29}, 0, "23", {2024, 2, 29}},         // 2023 has no 29th of February: "23" waits
        {{2024, 2, 29}, 0, "2023", {2024, 2, 29}, 1},    // ... and "2023" is refused, never 2020
        {{2024, 5, 15}, 0, "25-6-31", {2025, 6, 15}, 1}, // the day as it was, never the 3rd
        {{2024, 3, 1}, 0, ">5>9", {2024, 5, 9}},
        {{2024, 3, 1}, 2, "<<<1", {2001, 3, 1}}, // Left stops at the year
        {{2024, 3, 1}, 1, ">>>8", {2024, 3, 8}},
        {{2024, 3, 1}, 2, "^", {2024, 3, 2}},
        {{2024, 3, 1}, 2, "a~ 1", {2024, 3, 1}}, // letters and erasing change nothing
    };
    int beeps = 0;
    SetBeepResponder([&beeps] { ++beeps; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        beeps = 0;
        p.picker->setDate(c.start);
        ClickDateSection(p.picker, c.section);
        for (const char k : std::string(c.keys)) {
            if (k == '<' || k == '>' || k == '^' || k == '~')
                Key(p.picker,
                    k == '<'       ? Qt::Key_Left
                        : k == '>' ? Qt::Key_Right
                        : k == '^' ? Qt::Key_Up
                                   : Qt::Key_Backspace);
            else
                Key(p.picker, 0, QString(QChar(k)));
            // Never a date shown that the picker would not give.
            EXPECT_EQ(p.shown(), p.picker->date().toString("yyyy-MM-dd"));
        }
        EXPECT_EQ(p.picker->date(), c.date);
        EXPECT_EQ(beeps, c.beeps);
        Key(p.picker, Qt::Key_Tab);
        EXPECT_TRUE(p.after->hasFocus());
        EXPECT_EQ(p.picker->date(), c.date);
    }
    SetBeepResponder({});
}

TEST(DatePicker, ShiftTabLeavesBackwardsAndAnInputMethodsDigitsAreTyped)
{
    Page p;
    p.picker->setDate(QDate(2024, 3, 1));
    p.after->setFocus(Qt::OtherFocusReason);
    Key(p.after, Qt::Key_Backtab, {}, Qt::ShiftModifier);
    ASSERT_TRUE(p.picker->hasFocus());
    // Entered backwards: the day is selected.
    QInputMethodEvent im;
    im.setCommitString(QStringLiteral("２8"));
    QApplication::sendEvent(p.picker, &im);
    EXPECT_EQ(p.picker->date(), QDate(2024, 3, 28));
    Key(p.picker, Qt::Key_Backtab, {}, Qt::ShiftModifier);
    EXPECT_TRUE(p.before->hasFocus());
    EXPECT_EQ(p.picker->date(), QDate(2024, 3, 28));
}
