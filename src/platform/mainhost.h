#pragma once
#include <QString>
#include <QWidget>
#include <functional>

class QMdiArea;
class QAction;
class QMenu;

// What any window may ask of the main window: its status-bar panels, its tool
// bar, its MDI area. The main window installs itself at start-up.
class MainHost {
public:
    virtual ~MainHost() = default;
    // Panels are numbered from 1 as the status bar numbers them.
    virtual void setPanelText(int panel, const QString& text) = 0;
    virtual QString panelText(int panel) const = 0;
    virtual void setToolBarVisible(bool visible) = 0;
    virtual bool toolBarVisible() const = 0;
    virtual QMdiArea* mdiArea() const = 0;
    virtual QWidget* hostWidget() = 0;
    // Puts a child window into the MDI area and shows it.
    virtual void showChild(QWidget* child, bool maximized) = 0;
};

MainHost* GetMainHost();
void SetMainHost(MainHost* host);

// Base of every child window of the main window. Its menus are shown in the
// main window's menu bar while it is active. Closing it runs queryUnload;
// once it unloads the tool bar comes back and (unless told otherwise) panel 4
// shows today's date.
//
// Opening: the main window calls openAs() with the kind and caption of the
// command (a ledger window serves both sides), before formLoad() on the first
// opening and alone when the window is already open.
class ChildWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChildWindow(const QString& name, QWidget* parent = nullptr);

    // A menu-bar entry, placed last or in front of the entry `before`.
    QMenu* addMenu(const QString& caption, const QString& objectName, QAction* before = nullptr);
    // A menu-bar entry without items: choosing it runs the returned action,
    // once no box shown since and no command of this window is at work.
    QAction* addCommand(const QString& caption, const QString& objectName, QAction* before = nullptr);
    // The same, with the handler that choosing it runs inside the error
    // boundary (platform/command_guard.h), by way of runHandler().
    QAction* addCommand(const QString& caption, const QString& objectName, const std::function<void()>& handler,
                        QAction* before = nullptr);
    const QList<QMenu*>& menus() const { return m_menus; }
    void setWritesDateOnUnload(bool on) { m_writesDate = on; }
    bool writesDateOnUnload() const { return m_writesDate; }

    // Shows the window in the main window's MDI area (or on its own without one).
    void showInHost(bool maximized = false);

    // Receives the kind (0 when the command gives none) and caption the
    // window is opened as. The default takes the caption; a window that serves
    // several kinds overrides it, keeps the kind and calls this one. On a window
    // that is already loaded it is the whole of the re-opening: no load step.
    virtual void openAs(int lb, const QString& caption);

    // Runs once after creation and after openAs(): the window's load step.
    virtual void formLoad() {}

signals:
    void unloaded();

protected:
    // How the handler of a command added here runs, inside the boundary: the
    // list frame keeps the focus where it was around it. The default runs it.
    virtual void runHandler(const std::function<void()>& handler) { handler(); }
    // Return false to refuse the close (a close guard).
    virtual bool queryUnload() { return true; }
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs the command of an item-less menu once it has opened (see the cpp).
    void runMenuCommand(QMenu* menu, QAction* action, int loopLevel);

    QList<QMenu*> m_menus;
    bool m_writesDate = true;
    int m_commandsRunning = 0; // handlers of this window's commands at work
};

// Today's date in the short date form, as the status bar shows it.
QString TodayText();
