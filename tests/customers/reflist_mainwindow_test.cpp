#include "customers/a04.h"
#include "dialogs/listframe.h"
#include "customers/customer_windows.h"
#include "platform/flexgrid.h"
#include "data/globals.h"
#include "shell/mform.h"
#include "platform/window_registry.h"
#include "support/modal_script.h"
#include "support/testenv.h"
#include "platform/msgbox.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabBar>

namespace {

class RefListMainWindowTest : public DataTest {
protected:
    RefListMainWindowTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        modal = std::make_unique<ModalScript>(true);
        RegisterCustomerWindows();
        main = std::make_unique<MForm>();
        main->resize(1000, 700);
        main->show();
        Pump();
    }
    void TearDown() override
    {
        gEditing.clear();
        WindowRegistry::closeAll();
        main.reset();
        Pump();
        modal.reset();
        DataTest::TearDown();
    }
    std::unique_ptr<ModalScript> modal;
    std::unique_ptr<MForm> main;
};

// Clicks an entry of the main window's menu bar as the operator would.
void ClickMenuBar(QMenuBar* bar, QAction* entry)
{
    const QPoint p = bar->actionGeometry(entry).center();
    QMouseEvent press(QEvent::MouseButtonPress, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, bar->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
    Pump(20);
}

} // namespace

TEST_F(RefListMainWindowTest, OpensFromTheMenuAndGuardsTheMainWindowWhileAdding)
{
    main->command("Menu_A04")->trigger();
    Pump();
    auto* w = qobject_cast<A04*>(WindowRegistry::loaded("A04"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(main->toolBarVisible());

    // Placed at the top left of the work area, at its own width, as tall as the area.
    auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(sub->width(), 300);
    EXPECT_EQ(sub->height(), main->mdiArea()->viewport()->height());

    // The window's commands are in the main menu bar and run when chosen there.
    QAction* add = w->findChild<QAction*>("Menu_Add");
    ASSERT_TRUE(main->menuBar()->actions().contains(add));
    ClickMenuBar(main->menuBar(), add);
    ASSERT_EQ(w->editMode(), 1);

    msgs->clear();
    msgs->expect("操作员正在编辑数据,请先[保存]数据或[取消]编辑!");
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(msgs->last().text, "操作员正在编辑数据,请先[保存]数据或[取消]编辑!");
    EXPECT_EQ(msgs->last().style, 48);
    // Closing the child's frame is refused too.
    msgs->expect("操作员正在编辑数据,请先[保存]数据或[取消]编辑!");
    sub->close();
    Pump();
    EXPECT_EQ(WindowRegistry::loaded("A04"), w);
    EXPECT_EQ(msgs->count(), 2);

    w->findChild<QLineEdit*>("Txt(0)")->setText("王五");
    w->findChild<QLineEdit*>("Txt(1)")->setText("早班");
    w->findChild<QAction*>("Menu_save")->trigger();
    add->trigger();
    w->findChild<QLineEdit*>("Txt(0)")->setText("李四");
    w->findChild<QAction*>("Menu_save")->trigger();
    EXPECT_EQ(main->panelText(4), "共 2 条记录 当前为第 2 条");

    // The list page, as the operator sees it (set REFLIST_PNG to keep a picture).
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(0);
    EXPECT_TRUE(w->grid()->isVisible());
    EXPECT_EQ(w->grid()->colWidth(0), w->grid()->colWidth(1));
    const QImage shot = w->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (!qEnvironmentVariableIsEmpty("REFLIST_PNG"))
        shot.save(qEnvironmentVariable("REFLIST_PNG"));

    w->findChild<QAction*>("Menu_Return")->trigger();
    Pump();
    EXPECT_EQ(WindowRegistry::loaded("A04"), nullptr);
    EXPECT_TRUE(main->toolBarVisible());
    EXPECT_EQ(main->panelText(4), TodayText());
}

// Each list on both of its pages inside the main window; with REFLIST_SHOTS
// set to a folder the pictures are kept there to be looked at.
TEST_F(RefListMainWindowTest, EveryListShowsBothPagesInTheMainWindow)
{
    const QString dir = qEnvironmentVariable("REFLIST_SHOTS");
    for (const char* name : {"A030", "A04", "A05", "A06"}) {
        main->command(QString("Menu_") + name)->trigger();
        Pump();
        auto* w = qobject_cast<ListFrame*>(WindowRegistry::loaded(name));
        ASSERT_NE(w, nullptr) << name;
        for (const auto& [key, second] : {std::pair<QString, QString>{"王五", "早班"}, {"李四", "010-1234"}}) {
            w->findChild<QAction*>("Menu_Add")->trigger();
            w->findChild<QLineEdit*>("Txt(0)")->setText(key);
            w->findChild<QLineEdit*>("Txt(1)")->setText(second);
            w->findChild<QAction*>("Menu_save")->trigger();
        }
        auto* tabs = w->findChild<QTabBar*>("TabS");
        tabs->setCurrentIndex(0);
        Pump();
        ASSERT_TRUE(w->grid()->hasFocus()) << name;
        // Without a scroll bar the two columns share the whole width.
        const int used = w->grid()->columnWidth(0) + w->grid()->columnWidth(1);
        EXPECT_LE(used, w->grid()->viewport()->width()) << name;
        EXPECT_GE(used, w->grid()->viewport()->width() - 2) << name;
        if (!dir.isEmpty())
            main->grab().save(dir + "/" + name + "_list.png");
        // Edit acts on the row the operator sees selected, the saved one.
        w->findChild<QAction*>("Menu_edit")->trigger();
        EXPECT_EQ(w->curRow(), 2) << name;
        EXPECT_EQ(w->findChild<QLineEdit*>("Txt(0)")->text(), "李四") << name;
        Pump();
        if (!dir.isEmpty())
            main->grab().save(dir + "/" + name + "_edit.png");
        w->findChild<QAction*>("Menu_cancel")->trigger();
        Pump();
        if (!dir.isEmpty())
            main->grab().save(dir + "/" + name + "_detail.png");
        w->findChild<QAction*>("Menu_Return")->trigger();
        Pump();
        EXPECT_EQ(WindowRegistry::loaded(name), nullptr) << name;
    }
}
// A list longer than the window: the columns share the width beside the
// vertical scroll bar, so nothing scrolls sideways and column 0 shows whole.
TEST_F(RefListMainWindowTest, LongListFitsItsColumnsBesideTheScrollBar)
{
    for (int i = 0; i < 80; ++i)
        Db().execute(QString("insert into M06 (F1,F2) values ('原因%1','备注%1')").arg(i, 3, 10, QChar('0')));
    main->command("Menu_A06")->trigger();
    Pump();
    auto* w = qobject_cast<ListFrame*>(WindowRegistry::loaded("A06"));
    ASSERT_NE(w, nullptr);
    FlexGrid* gd = w->grid();
    ASSERT_TRUE(gd->verticalScrollBar()->isVisible());
    gd->setRow(40);
    Pump();
    EXPECT_LE(gd->columnWidth(0) + gd->columnWidth(1), gd->viewport()->width());
    EXPECT_FALSE(gd->horizontalScrollBar()->isVisible());
    EXPECT_EQ(gd->horizontalScrollBar()->value(), 0);

    // Back from the detail page the current row is the top row.
    auto* tabs = w->findChild<QTabBar*>("TabS");
    tabs->setCurrentIndex(1);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(gd->topRow(), 40);
    EXPECT_EQ(main->panelText(4), "共 80 条记录 当前为第 40 条");
}

// Keyboard only: Alt+A, a name, Alt+S. The refusal's message box takes the
// activation, and the menu bar that ran the command kept the main window's
// focus; back from the message the name box has it again.
TEST_F(RefListMainWindowTest, TheRefusedSaveGivesTheFocusBackToTheBoxTypedIn)
{
    main->command("Menu_A05")->trigger();
    Pump();
    auto* w = qobject_cast<ListFrame*>(WindowRegistry::loaded("A05"));
    ASSERT_NE(w, nullptr);
    QApplication::setActiveWindow(main.get());
    w->findChild<QAction*>("Menu_Add")->trigger();
    auto* name = w->findChild<QLineEdit*>("Txt(0)");
    ASSERT_TRUE(name->hasFocus());
    name->insert("Y");
    QStringList seen;
    SetMsgResponder([&](const MsgRecord& r) {
        seen << r.text;
        main->menuBar()->setFocus();
        return vbBtn::OK;
    });
    w->findChild<QAction*>("Menu_save")->trigger();
    Pump();
    EXPECT_EQ(seen, QStringList({"始发地电话不能为空!"}));
    EXPECT_TRUE(name->hasFocus());
    EXPECT_EQ(main->focusWidget(), name);
}
