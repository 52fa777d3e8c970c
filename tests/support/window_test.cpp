#include "support/window_test.h"

#include "data/database.h"
#include "data/globals.h"
#include "platform/flexgrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

void WindowTest::SetUp()
{
    DataTest::SetUp();
    // A lenient suite keeps real modal loops (some work them from a timer).
    if (strictResponders)
        modal = std::make_unique<ModalScript>(true);
    SetMainHost(&host);
}

void WindowTest::TearDown()
{
    gEditing.clear();
    for (const QPointer<QWidget>& w : m_windows)
        delete w.data();
    SetMainHost(nullptr);
    Pump();
    modal.reset();
    DataTest::TearDown();
}

void WindowTest::trigger(QWidget* w, const char* command)
{
    QAction* a = w->findChild<QAction*>(command);
    ASSERT_NE(a, nullptr) << command;
    a->trigger();
}

QLineEdit* WindowTest::box(QWidget* w, int i)
{
    return w->findChild<QLineEdit*>(QStringLiteral("Txt(%1)").arg(i));
}

FlexGrid* WindowTest::grid(QWidget* w)
{
    return w->findChild<FlexGrid*>("GD");
}

void WindowTest::type(QWidget* box, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &press);
    }
}

void WindowTest::clearBox(QLineEdit* box)
{
    box->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(box, &del);
}

void WindowTest::pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(w, &release);
}

void WindowTest::click(QWidget* w)
{
    // As the platform does for a press from the mouse: the focus first.
    if (w->focusPolicy() & Qt::ClickFocus)
        w->setFocus(Qt::MouseFocusReason);
    const QPoint p = w->rect().center();
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, p, w->mapToGlobal(p), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

QStringList WindowTest::rows(const QString& table)
{
    QStringList out;
    RecordSet rs = Db().openRecordset("select F1, F2 from " + table + " order by F1");
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.at(r, 0).toString() + "|" + rs.at(r, 1).toString();
    return out;
}

int WindowTest::count(const QString& sql)
{
    return int(Db().openRecordset(sql).at(0, 0).toInt());
}
