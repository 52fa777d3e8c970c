#pragma once
#include "shell/shell_fixture.h"
#include "support/qt_print.h"
#include "support/table_text.h"

#include <QDate>
#include <QString>
#include <QStringList>

class ChildWindow;
class FlexGrid;
class LedgerEntryWindow;
class ListFrame;
class QComboBox;
class QLineEdit;

// The whole program on a fresh data file: the main window with every window
// registered, shown and active, logged in as the administrator. Windows are
// opened through the main window's menu commands, their controls found by
// their system names and typed into key by key; every message box and dialog
// is scripted. Pictures of the main window go to SYSTEM_GRAB_DIR.
class RoadTest : public ShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // --- the main window
    // Chooses a menu command of the main window (or of the active child's
    // menus) and returns the window it brought up.
    ChildWindow* command(const char* item, const char* window);
    template <class W>
    W* open(const char* item, const char* window)
    {
        return qobject_cast<W*>(command(item, window));
    }
    // A command of a child window, from the menu bar as the operator sees it.
    void choose(QWidget* w, const char* action);
    // The main window (with its children) as a picture.
    void grab(const QString& name);

    // --- typing
    static QLineEdit* box(QWidget* w, int k);
    static QComboBox* list(QWidget* w, const QString& name);
    // Gives a control the focus as a click does.
    static void click(QWidget* control);
    // Clicks a box, selects what it holds and types text over it.
    static void typeInto(QWidget* control, const QString& text);
    // Types into the control that has the focus, key by key.
    static void typeHere(const QString& text);
    static void key(QWidget* w, int key);
    static void enterHere();
    static QWidget* focused();
    // Picks the item of a list that begins with `start` as a click in its
    // drop-down does (the list has the focus first).
    static void pick(QComboBox* list, const QString& start);

    // --- reading
    QString panel4() const;

    // --- the road's stages, each through the windows
    void setPricingStandard();
    void addChannel();
    void addChannelZone();
    void addCompanyZone();
    void addReferenceLists();
    void addCustomerWithQuote();
    // Adds the waybill W0001 of 1.8 Kg for 甲公司, shipped through the channel.
    void enterWaybill();
    // The administrator adds operator 002 李四 (password PW) with every right
    // but the price right, then logs in as 002.
    void addClerkAndLogIn();

    static QString today() { return QDate::currentDate().toString(Qt::ISODate); }
};
