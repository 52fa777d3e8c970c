#pragma once
#include "platform/mainhost.h"

#include <QMap>

// Stands in for the main window: remembers the status panels and whether the
// tool bar is shown; child windows show on their own.
class FakeHost : public MainHost {
public:
    void setPanelText(int panel, const QString& text) override { panels[panel] = text; }
    QString panelText(int panel) const override { return panels.value(panel); }
    void setToolBarVisible(bool visible) override { toolBar = visible; }
    bool toolBarVisible() const override { return toolBar; }
    QMdiArea* mdiArea() const override { return nullptr; }
    QWidget* hostWidget() override { return nullptr; }
    void showChild(QWidget* child, bool) override { child->show(); }

    QMap<int, QString> panels;
    bool toolBar = true;
};
