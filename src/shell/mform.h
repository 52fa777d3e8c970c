#pragma once
#include "platform/mainhost.h"

#include <QHash>
#include <QList>
#include <QMainWindow>

class QAction;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class StatusPanels;
class SysPicArea;

// The program's main window: the MDI area holding every data window, the menu
// bar through which all functions are reached, the short-cut tool bar TB and
// the status bar StB with four panels (QLabels "StB(1)".."StB(4)").
class MForm : public QMainWindow, public MainHost {
    Q_OBJECT
public:
    explicit MForm(QWidget* parent = nullptr);
    ~MForm() override;

    // The main window of the running program, or nullptr.
    static MForm* current();

    // MainHost
    void setPanelText(int panel, const QString& text) override;
    QString panelText(int panel) const override;
    void setToolBarVisible(bool visible) override;
    bool toolBarVisible() const override;
    QMdiArea* mdiArea() const override;
    QWidget* hostWidget() override { return this; }
    void showChild(QWidget* child, bool maximized) override;

    // The five top menus that an operator's rights switch: "Menu_A", "Menu_b",
    // "Menu_C", "Menu_S", "Menu_wanglai".
    void setTopMenuEnabled(const QString& name, bool enabled);
    bool topMenuEnabled(const QString& name) const;
    static const QStringList& rightsMenus();

    // A menu command or tool-bar key as the operator would choose it.
    QAction* command(const QString& objectName) const;
    void toolBarClick(const QString& key);

    // Panel widths in pixels as the resize rule sets them (panel 1..4).
    int panelWidth(int panel) const;
    bool hasBackgroundPicture() const;

    // Ends without the close guard (the program is being ended at once).
    void endNow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void loadStep();
    void applyPanelWidths();
    void showMenusOf(QMdiSubWindow* sub);
    void runCommand(const QString& name);
    void relogin();
    void restore();

    SysPicArea* m_mdi = nullptr;
    QToolBar* m_tb = nullptr;
    StatusPanels* m_panels = nullptr;
    QList<QAction*> m_ownMenus;            // top-level entries of the menu bar
    QHash<QString, QAction*> m_commands;   // menu items and Menu_b by name
    QHash<QString, QMenu*> m_topMenus;
    QAction* m_menuB = nullptr;
    QList<QAction*> m_shownChildMenus;
    bool m_ending = false;
    bool m_destroying = false;
};
