#include "reflist_fixture.h"

#include "data/database.h"
#include "platform/flexgrid.h"
#include "data/globals.h"

#include <QApplication>
#include <QKeyEvent>

void RefListTest::SetUp()
{
    DataTest::SetUp();
    SetMainHost(&host);
}

void RefListTest::TearDown()
{
    gEditing.clear();
    for (const QPointer<QWidget>& w : m_windows)
        delete w.data();
    SetMainHost(nullptr);
    Pump();
    DataTest::TearDown();
}

void RefListTest::trigger(QWidget* w, const char* command)
{
    QAction* a = w->findChild<QAction*>(command);
    ASSERT_NE(a, nullptr) << command;
    a->trigger();
}

QLineEdit* RefListTest::box(QWidget* w, int i)
{
    return w->findChild<QLineEdit*>(QStringLiteral("Txt(%1)").arg(i));
}

FlexGrid* RefListTest::grid(QWidget* w)
{
    return w->findChild<FlexGrid*>("GD");
}

void RefListTest::type(QLineEdit* box, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &press);
    }
}

void RefListTest::clearBox(QLineEdit* box)
{
    box->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(box, &del);
}

void RefListTest::addRecord(QWidget* w, const QString& key, const QString& second)
{
    trigger(w, "Menu_Add");
    type(box(w, 0), key);
    type(box(w, 1), second);
    trigger(w, "Menu_save");
}

QStringList RefListTest::rows(const QString& table)
{
    QStringList out;
    RecordSet rs = Db().openRecordset("select F1, F2 from " + table + " order by F1");
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.at(r, 0).toString() + "|" + rs.at(r, 1).toString();
    return out;
}

int RefListTest::count(const QString& sql)
{
    return int(Db().openRecordset(sql).at(0, 0).toInt());
}
