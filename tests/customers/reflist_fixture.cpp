#include "reflist_fixture.h"

void RefListTest::addRecord(QWidget* w, const QString& key, const QString& second)
{
    trigger(w, "Menu_Add");
    type(box(w, 0), key);
    type(box(w, 1), second);
    trigger(w, "Menu_save");
}
