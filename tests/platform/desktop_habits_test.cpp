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

// The program's application object installs the habits for every test program.

namespace {

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(w, &release);
}

// A box and two buttons in a dialog or a plain window; the buttons count their clicks.
struct Page {
    explicit Page(bool dialog)
        : window(dialog ? new QDialog : new QWidget)
    {
        auto* lay = new QVBoxLayout(window.get());
        box = new QLineEdit(window.get());
        lay->addWidget(box);
        for (int i = 0; i < 2; ++i) {
            buttons[i] = new QPushButton(QStringLiteral("Cmd(%1)").arg(i), window.get());
            QObject::connect(buttons[i], &QPushButton::clicked, [this, i] { ++clicks[i]; });
            lay->addWidget(buttons[i]);
        }
    }
    void show()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        box->setFocus();
        Pump();
    }
    std::unique_ptr<QWidget> window;
    QLineEdit* box = nullptr;
    QPushButton* buttons[2] = {};
    int clicks[2] = {0, 0};
};

} // namespace

TEST(DesktopHabits, EnterPressesOnlyTheFocusedButtonInDialogsAndWindows)
{
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        bool presses;
    } keys[] = {
        {Qt::Key_Return, Qt::NoModifier, true},
        {Qt::Key_Enter, Qt::KeypadModifier, true},
        {Qt::Key_Return, Qt::ControlModifier, false}, // Ctrl+Enter belongs to the window
        {Qt::Key_Return, Qt::ShiftModifier, false},
    };
    for (bool dialog : {true, false}) {
        for (const auto& k : keys) {
            Page page(dialog);
            page.show();
            page.buttons[1]->setFocus();
            Key(page.buttons[1], k.key, k.mods);
            EXPECT_EQ(page.clicks[1], k.presses ? 1 : 0) << dialog << " key " << k.key << " mods " << k.mods;
            EXPECT_EQ(page.clicks[0], 0) << dialog << " key " << k.key;
        }
    }
}

TEST(DesktopHabits, EnterInABoxPressesNoButtonUnlessOneIsTheDefaultOnPurpose)
{
    for (bool madeDefault : {false, true}) {
        Page page(true);
        if (madeDefault)
            page.buttons[1]->setDefault(true);
        page.show();
        // A button that had the focus does not stay the default either.
        page.buttons[0]->setFocus();
        page.box->setFocus();
        Key(page.box, Qt::Key_Return);
        EXPECT_EQ(page.clicks[0], 0) << madeDefault;
        EXPECT_EQ(page.clicks[1], madeDefault ? 1 : 0) << madeDefault;
    }
}

TEST(DesktopHabits, AnEditableListKeepsWhatWasTyped)
{
    const struct {
        bool editableLate; // made editable after it was first shown
        bool inputMethod;  // the text comes from an input method
        QString typed;
    } cases[] = {
        {false, false, "C00"}, {false, false, "c001"}, {true, false, "C00"},
        {false, true, "C00"},  {true, true, "华"},
    };
    for (const auto& c : cases) {
        QComboBox list;
        list.addItems({"C001.华南贸易", "C002.东方电子", "华联"});
        list.setEditable(!c.editableLate);
        list.show();
        Pump();
        if (c.editableLate)
            list.setEditable(true);
        list.setCurrentIndex(-1);
        list.clearEditText();
        if (c.inputMethod) {
            QInputMethodEvent commit;
            commit.setCommitString(c.typed);
            QApplication::sendEvent(&list, &commit);
        } else {
            for (QChar ch : c.typed) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(&list, &press);
            }
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
                std::unique_ptr<WaitCursor> outer, inner;
                if (depth >= 1)
                    outer = std::make_unique<WaitCursor>();
                if (depth >= 2)
                    inner = std::make_unique<WaitCursor>();
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
