#pragma once
#include "support/fake_host.h"
#include "support/modal_script.h"
#include "support/testenv.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <memory>

class FlexGrid;

// A data window on a fresh data file, with the fake main window. Windows are
// found, typed into and commanded by the names the system gives their controls.
// A suite that sets strictResponders (DataTest) in its constructor makes the
// responders strict: every message box (msgs->expect / answer) and every modal dialog
// (modal->on / cancel) a test causes must be scripted, or the test fails naming
// the box or dialog. New suites turn it on.
class WindowTest : public DataTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates, loads and shows a window (closing it is the fixture's job).
    template <class W, class... Args>
    W* open(Args&&... args)
    {
        auto* w = new W(std::forward<Args>(args)...);
        m_windows.append(w);
        w->formLoad();
        w->showInHost();
        return w;
    }

    // Runs the menu command (a QAction) of that object name.
    static void trigger(QWidget* w, const char* command);
    static QLineEdit* box(QWidget* w, int i);
    static FlexGrid* grid(QWidget* w);
    // Types text into a widget key by key, as the operator would.
    static void type(QWidget* box, const QString& text);
    static void clearBox(QLineEdit* box);
    static void pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // A left click in the middle of a widget, pressed and released.
    static void click(QWidget* w);

    // Rows of a two-column table as "F1|F2", in key order.
    static QStringList rows(const QString& table);
    // The first value of a statement as a whole number.
    static int count(const QString& sql);

    FakeHost host;
    std::unique_ptr<ModalScript> modal; // a strict suite's dialog script

private:
    QList<QPointer<QWidget>> m_windows;
};
