#pragma once
#include "dialogs/listframe.h"
#include "support/window_test.h"

// A reference list window: key and remark boxes.
class RefListTest : public WindowTest {
protected:
    RefListTest() { strictResponders = true; }
    // Add (or edit) and save in one go.
    static void addRecord(QWidget* w, const QString& key, const QString& second);
};
