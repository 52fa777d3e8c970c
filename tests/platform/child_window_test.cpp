#include "support/testenv.h"

#include "platform/mainhost.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace {

// A window whose box shows a box of its own as it loses the focus to a menu
// (as a check written without care would), with an item-less R.返回 that
// closes it and a command that works a while.
class CheckingWindow : public ChildWindow {
public:
    explicit CheckingWindow(QList<bool>& wholeAfter)
        : ChildWindow("W"),
          m_wholeAfter(wholeAfter)
    {
        box->installEventFilter(this);
        addCommand("&R.返回", "menu_R", [this] { close(); });
        addCommand("&W.工作", "Menu_W", [this] { work(); });
        resize(200, 100);
        show();
        QApplication::setActiveWindow(this);
        box->setFocus();
    }

    QLineEdit* box = new QLineEdit(this);
    bool checks = false;
    std::function<void()> duringWork;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == box && event->type() == QEvent::FocusOut && checks
            && static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
            whileHeld([] { MsgBox("不存在!"); });
        return ChildWindow::eventFilter(watched, event);
    }

private:
    void work()
    {
        whileHeld([this] {
            duringWork();
            LetRepaint();
        });
    }
    // Records whether the window was still whole when `f` came back.
    void whileHeld(const std::function<void()>& f)
    {
        QList<bool>& wholeAfter = m_wholeAfter; // read before `this` may be gone
        QPointer<CheckingWindow> self = this;
        f();
        wholeAfter << !self.isNull();
    }

    QList<bool>& m_wholeAfter;
};

void OpenReturnMenu(ChildWindow* w) { w->findChild<QMenu*>("menu_R")->popup(w->mapToGlobal(QPoint(0, 0))); }

} // namespace

// R.返回 chosen while a box of its window is up (shown as the menu took the
// focus) or while a command of its window is at work: the window closes
// after them, never under them.
TEST(ChildWindow, AMenusCommandWaitsForTheBoxesAndCommandsOfItsWindow)
{
    const struct {
        const char* what;
        bool boxOnMenu; // the box's check shows a box as the menu opens
        bool fromWork;  // the menu opens while a command works
    } cases[] = {
        {"a box shown as the menu opens", true, false},
        {"a command at work", false, true},
        {"a box shown as the menu opens, during a command", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MsgRecorder msgs;
        msgs.setOwnLoop(true);
        QList<bool> wholeAfter;
        QPointer<CheckingWindow> w = new CheckingWindow(wholeAfter);
        w->checks = c.boxOnMenu;
        if (c.fromWork) {
            w->duringWork = [&] { OpenReturnMenu(w); };
            w->findChild<QAction*>("Menu_W")->trigger();
        } else {
            OpenReturnMenu(w);
        }
        Pump();
        EXPECT_EQ(msgs.count(), c.boxOnMenu ? 1 : 0);
        EXPECT_EQ(wholeAfter, QList<bool>(int(c.boxOnMenu) + int(c.fromWork), true));
        EXPECT_TRUE(w.isNull());
        delete w.data();
    }
}
