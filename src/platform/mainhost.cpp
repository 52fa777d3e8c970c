#include "mainhost.h"

#include <QCloseEvent>
#include <QDate>
#include <QMenu>

namespace {
MainHost* g_host = nullptr;
}

MainHost* GetMainHost() { return g_host; }
void SetMainHost(MainHost* host) { g_host = host; }

QString TodayText() { return QDate::currentDate().toString("yyyy-MM-dd"); }

ChildWindow::ChildWindow(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose);
}

QMenu* ChildWindow::addMenu(const QString& caption, const QString& objectName)
{
    auto* menu = new QMenu(caption, this);
    menu->setObjectName(objectName);
    menu->menuAction()->setObjectName(objectName);
    m_menus.append(menu);
    // Shortcuts of the menu's items work while this window has the focus,
    // whether or not the main window shows its menus.
    return menu;
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
