#include "platform/typed_date_edit.h"
#include "support/testenv.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A picker and a box after it, the page active so the focus moves.
class TypedDateEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* lay = new QVBoxLayout(&page);
        picker = new TypedDateEdit;
        picker->setDisplayFormat("yyyy-MM-dd");
        picker->setDate(QDate(2020, 1, 2));
        after = new QLineEdit;
        lay->addWidget(picker);
        lay->addWidget(after);
        page.show();
        page.activateWindow();
        QApplication::setActiveWindow(&page);
        Pump();
        picker->setFocus(Qt::TabFocusReason);
    }
    void key(int k, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(picker, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
        QApplication::sendEvent(picker, &release);
    }
    // Types key by key; "\b" is a Backspace.
    void type(const QString& text)
    {
        for (QChar c : text)
            c == '\b' ? key(Qt::Key_Backspace) : key(0, QString(c));
    }
    QString shown() const { return picker->findChild<QLineEdit*>()->text(); }

    QWidget page;
    TypedDateEdit* picker = nullptr;
    QLineEdit* after = nullptr;
};

} // namespace

TEST_F(TypedDateEditTest, ATypedDateIsReadWhenThePickerIsLeft)
{
    const int year = QDate::currentDate().year();
    const struct {
        const char* typed;
        QDate date;
    } cases[] = {
        {"3-5", {year, 3, 5}},        {"24-3-5", {2024, 3, 5}},       {"2024年6月7日", {2024, 6, 7}},
        {"3-4\b5", {year, 3, 5}},     {"12/31", {year, 12, 31}},      {"9-", QDate::currentDate()},
        {"\b", QDate::currentDate()}, {"2-30", QDate::currentDate()},
    };
    for (const auto& c : cases) {
        picker->setDate(QDate(2020, 1, 2));
        picker->setFocus(Qt::TabFocusReason);
        type(QString::fromUtf8(c.typed));
        // Kept as typed until it is read.
        EXPECT_TRUE(picker->isTyping()) << c.typed;
        EXPECT_EQ(picker->date(), QDate(2020, 1, 2)) << c.typed;
        after->setFocus();
        EXPECT_EQ(picker->date(), c.date) << c.typed;
        EXPECT_EQ(shown(), c.date.toString("yyyy-MM-dd")) << c.typed;
    }
}

TEST_F(TypedDateEditTest, EnterTheArrowsAndAnInputMethodWorkOnTheTypedDate)
{
    type("24-3-5");
    key(Qt::Key_Return);
    EXPECT_EQ(picker->date(), QDate(2024, 3, 5));
    EXPECT_TRUE(picker->hasFocus());

    type("6-7");
    key(Qt::Key_Up); // read first, then stepped in the first section
    EXPECT_EQ(picker->date(), QDate(QDate::currentDate().year() + 1, 6, 7));

    type("3");
    QInputMethodEvent im;
    im.setCommitString("月5日");
    QApplication::sendEvent(picker, &im);
    picker->commitTyping();
    EXPECT_EQ(picker->date(), QDate(QDate::currentDate().year(), 3, 5));
    EXPECT_FALSE(picker->isTyping());
}
