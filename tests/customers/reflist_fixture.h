#pragma once
#include "support/fake_host.h"
#include "dialogs/listframe.h"
#include "support/testenv.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>

class FlexGrid;

// A reference list window on a fresh data file, with the fake main window.
class RefListTest : public DataTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates, loads and shows a window (closing it is the fixture's job).
    template <class W>
    W* open()
    {
        auto* w = new W;
        m_windows.append(w);
        w->formLoad();
        w->showInHost();
        return w;
    }

    static void trigger(QWidget* w, const char* command);
    static QLineEdit* box(QWidget* w, int i);
    static FlexGrid* grid(QWidget* w);
    // Types text into a box key by key, as the operator would.
    static void type(QLineEdit* box, const QString& text);
    static void clearBox(QLineEdit* box);
    // Add (or edit) and save in one go.
    static void addRecord(QWidget* w, const QString& key, const QString& second);

    // Rows of a two-column table as "F1|F2", in key order.
    static QStringList rows(const QString& table);
    static int count(const QString& sql);

    FakeHost host;

private:
    QList<QPointer<QWidget>> m_windows;
};
