#include "platform/mainhost.h"

#include "platform/command_guard.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QDate>
#include <QMenu>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
MainHost* g_host = nullptr;

int LoopLevel() { return QThread::currentThread()->loopLevel(); }
} // namespace

MainHost* GetMainHost() { return g_host; }
void SetMainHost(MainHost* host) { g_host = host; }

QString TodayText() { return QDate::currentDate().toString("yyyy-MM-dd"); }

ChildWindow::ChildWindow(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose);
}

QMenu* ChildWindow::addMenu(const QString& caption, const QString& objectName, QAction* before)
{
    auto* menu = new QMenu(caption, this);
    menu->setObjectName(objectName);
    menu->menuAction()->setObjectName(objectName);
    qsizetype at = m_menus.size();
    for (qsizetype i = 0; before && i < m_menus.size(); ++i)
        if (m_menus[i]->menuAction() == before)
            at = i;
    m_menus.insert(at, menu);
    // Shortcuts of the menu's items work while this window has the focus,
    // whether or not the main window shows its menus.
    return menu;
}

QAction* ChildWindow::addCommand(const QString& caption, const QString& objectName, QAction* before)
{
    QMenu* menu = addMenu(caption, objectName, before);
    QAction* action = menu->menuAction();
    // Clicking an entry without items only opens an empty menu: run the command instead.
    connect(menu, &QMenu::aboutToShow, this, [this, menu, action] {
        if (menu->actions().isEmpty())
            runMenuCommand(menu, action, LoopLevel());
    });
    return action;
}

void ChildWindow::runMenuCommand(QMenu* menu, QAction* action, int loopLevel)
{
    // Once the menu is open, from the event loop that opened it. A box that
    // came up in between (a check run as the menu took the focus) runs a loop
    // of its own, and a command of this window may still be at work: the
    // command waits until both have ended, so it never closes (and deletes)
    // its window under them.
    QTimer::singleShot(0, menu, [this, menu, action, loopLevel] {
        menu->hide();
        if (LoopLevel() <= loopLevel && m_commandsRunning == 0) {
            action->trigger();
            return;
        }
        auto waiting = std::make_shared<QMetaObject::Connection>();
        *waiting = ConnectGuarded(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, menu,
                                  [this, menu, action, loopLevel, waiting] {
                                      if (LoopLevel() > loopLevel || m_commandsRunning > 0)
                                          return;
                                      disconnect(*waiting);
                                      runMenuCommand(menu, action, loopLevel);
                                  });
    });
}

QAction* ChildWindow::addCommand(const QString& caption, const QString& objectName,
                                 const std::function<void()>& handler, QAction* before)
{
    QAction* action = addCommand(caption, objectName, before);
    ConnectGuarded(action, &QAction::triggered, this, [this, handler] {
        const QScopedValueRollback running(m_commandsRunning, m_commandsRunning + 1);
        runHandler(handler);
    });
    return action;
}

void ChildWindow::openAs(int, const QString& caption)
{
    if (!caption.isEmpty())
        setWindowTitle(caption);
}

void ChildWindow::showInHost(bool maximized)
{
    if (MainHost* host = GetMainHost())
        host->showChild(this, maximized);
    else
        show();
}

void ChildWindow::closeEvent(QCloseEvent* event)
{
    if (!queryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    if (MainHost* host = GetMainHost()) {
        host->setToolBarVisible(true);
        if (m_writesDate)
            host->setPanelText(4, TodayText());
    }
    emit unloaded();
}
