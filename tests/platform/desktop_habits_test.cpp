#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The program's application object, which every test program runs on,
// installs the habits.

TEST(DesktopHabits, EnterPressesTheFocusedButtonAndInABoxOnlyADefaultMadeOnPurpose)
{
    const struct {
        bool dialog, madeDefault, inBox;
        Qt::KeyboardModifiers mods;
        int pressed; // the button Enter pressed, -1 none
    } cases[] = {
        {true, false, false, Qt::NoModifier, 0},      {false, false, false, Qt::NoModifier, 0},
        {true, false, false, Qt::KeypadModifier, 0},  {true, false, false, Qt::ControlModifier, -1},
        {true, false, true, Qt::NoModifier, -1},      {false, false, true, Qt::NoModifier, -1},
        {true, true, true, Qt::NoModifier, 1},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QWidget> window(c.dialog ? new QDialog : new QWidget);
        auto* lay = new QVBoxLayout(window.get());
        auto* box = new QLineEdit;
        lay->addWidget(box);
        int pressed = -1;
        QPushButton* buttons[2];
        for (int i = 0; i < 2; ++i) {
            lay->addWidget(buttons[i] = new QPushButton(QStringLiteral("Cmd(%1)").arg(i)));
            QObject::connect(buttons[i], &QPushButton::clicked, [&pressed, i] { pressed = i; });
        }
        buttons[1]->setDefault(c.madeDefault);
        window->show();
        window->activateWindow();
        Pump();
        // A button that had the focus does not stay a default either.
        buttons[0]->setFocus();
        QWidget* target = c.inBox ? static_cast<QWidget*>(box) : buttons[0];
        target->setFocus();
        QKeyEvent enter(QEvent::KeyPress, c.mods & Qt::KeypadModifier ? Qt::Key_Enter : Qt::Key_Return, c.mods);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(pressed, c.pressed) << "dialog " << c.dialog << " default " << c.madeDefault << " box " << c.inBox
                                      << " mods " << c.mods;
    }
}

TEST(DesktopHabits, AnEditableListKeepsWhatWasTyped)
{
    const struct {
        bool editableLate; // made editable after it was first shown
        bool inputMethod;  // the text comes from an input method
        QString typed;
    } cases[] = {
        {false, false, "C00"}, {false, false, "c001"}, {true, false, "C00"}, {false, true, "C00"}, {true, true, "华"},
    };
    for (const auto& c : cases) {
        QComboBox list;
        list.addItems({"C001.华南贸易", "C002.东方电子", "华联"});
        list.setEditable(!c.editableLate);
        list.show();
        Pump();
        list.setEditable(true);
        list.setEditText(QString());
        if (c.inputMethod) {
            QInputMethodEvent commit;
            commit.setCommitString(c.typed);
            QApplication::sendEvent(&list, &commit);
        }
        for (QChar ch : c.inputMethod ? QString() : c.typed) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(&list, &press);
        }
        EXPECT_EQ(list.currentText().toStdString(), c.typed.toStdString()) << c.editableLate << c.inputMethod;
    }
}

TEST(DesktopHabits, EveryBoxAndModalWindowHasTheNormalPointerAndTheWaitCursorComesBack)
{
    // What each kind of question saw of the pointer when it was put.
    bool busy = true;
    SetMsgResponder([&](const MsgRecord&) { busy = BusyPointer(); return vbBtn::OK; });
    SetFileDialogResponder([&](const FileDialogRecord&) { busy = BusyPointer(); return QString(); });
    SetModalDriver([&](QDialog& d) { busy = BusyPointer(); d.accept(); });
    const std::function<void()> asks[] = {
        [] { MsgBox("刷新数据错误!"); },
        [] { QDialog d; ExecModal(d); },
        [] { ChooseOpenFile(nullptr, "打开", {}, {}); },
        [] { ChooseSaveFile(nullptr, "保存", {}, {}); },
    };
    for (int depth = 0; depth <= 2; ++depth) {
        for (size_t i = 0; i < std::size(asks); ++i) {
            {
                std::unique_ptr<WaitCursor> waits[2];
                for (int k = 0; k < depth; ++k)
                    waits[k] = std::make_unique<WaitCursor>();
                busy = true;
                asks[i]();
                EXPECT_FALSE(busy) << "ask " << i << " depth " << depth;
                EXPECT_EQ(BusyPointer(), depth > 0) << "ask " << i << " depth " << depth;
            }
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "ask " << i << " depth " << depth;
        }
    }
    SetModalDriver({});
    SetFileDialogResponder({});
    SetMsgResponder({});
}
