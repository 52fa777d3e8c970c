#include "road_fixture.h"

#include "accounts/entry_grid.h"
#include "data/database.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>

namespace {

// A click on a child window's command in the main window's menu bar: the
// bar opens the command's empty menu, which takes the focus from the box.
void ClickOnTheBar(QMenuBar* bar, QAction* entry)
{
    const QPoint p = bar->actionGeometry(entry).center();
    ASSERT_FALSE(p.isNull()) << entry->objectName().toStdString() << " is not in the menu bar";
    QMouseEvent press(QEvent::MouseButtonPress, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
    Pump();
}

} // namespace

class MenuFocusTest : public RoadTest {};

// A value typed into a box that its window checks as the focus leaves it,
// then a command from the menu bar (R.返回, or C.取消 while editing) while
// every box runs a loop of its own, as on a desktop: the menu taking the
// focus checks nothing, the command does its own work alone, and the
// program goes on.
TEST_F(MenuFocusTest, ACommandFromTheBarChecksNoBoxAndTheProgramGoesOn)
{
    // A ledger entry number already taken.
    Db().execute("insert into TB1 (F1,F2,F3,SN,LB) values ('YF0023','2024-05-01','客户甲',31,9)");
    const struct {
        const char* item;
        const char* window;
        const char* command;
        std::function<QWidget*(RoadTest&, ChildWindow*)> typeUnchecked; // returns the box typed into
        QStringList boxes;
        bool goes;
    } cases[] = {
        {"Menu_C05",
         "C05",
         "menu_R",
         [](RoadTest&, ChildWindow* w) -> QWidget* {
             QLineEdit* number = w->findChild<QLineEdit*>("Txt(0)");
             number->setFocus(Qt::MouseFocusReason);
             for (QChar c : QStringLiteral("W0023")) {
                 QKeyEvent k(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                 QApplication::sendEvent(number, &k);
             }
             return number;
         },
         {},
         true},
        // The number cell checks the number as it is left.
        {"Menu_YF",
         "zhLst",
         "Menu_cancel",
         [](RoadTest&, ChildWindow* w) -> QWidget* {
             auto* ledger = qobject_cast<LedgerEntryWindow*>(w);
             ledger->findChild<QAction*>("Menu_Add")->trigger();
             Pump();
             auto* number = qobject_cast<QLineEdit*>(ledger->editor()->widget());
             if (!number)
                 return nullptr;
             number->selectAll();
             for (QChar c : QStringLiteral("YF0023")) {
                 QKeyEvent k(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                 QApplication::sendEvent(number, &k);
             }
             return number;
         },
         {"确定不保存您新录入的资料吗"},
         false},
    };
    msgs->setOwnLoop(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window);
        QPointer<ChildWindow> w = command(c.item, c.window);
        ASSERT_FALSE(w.isNull());
        QWidget* typed = c.typeUnchecked(*this, w);
        ASSERT_NE(typed, nullptr);
        ASSERT_EQ(QApplication::focusWidget(), typed);
        msgs->clear();
        for (const QString& b : c.boxes)
            msgs->expect(b);
        ClickOnTheBar(main->menuBar(), w->findChild<QAction*>(c.command));
        Pump();
        EXPECT_EQ(msgs->texts().size(), c.boxes.size()) << msgs->texts().join(" / ").toStdString();
        EXPECT_EQ(w.isNull(), c.goes);
        gEditing.clear();
        WindowRegistry::closeAll();
        Pump();
    }
}
