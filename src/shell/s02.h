#pragma once
#include "dialogs/listframe.h"

class QCheckBox;

// Operator management ("系统操作员管理", table TE1): accounts, names,
// passwords and the eight rights the log-in applies. Unlike the other list
// windows it never holds the program open while an operator is being edited.
class S02 : public ListFrame {
    Q_OBJECT
public:
    explicit S02(QWidget* parent = nullptr);

    QCheckBox* chk(int i) const;

    void Menu_del_Click() override;
    void Menu_query_Click() override {}

protected:
    void sizeColumns(int gridWidthTwips) override;
    void resizeEvent(QResizeEvent* event) override;
    QString duplicateMessage(const QString& typedKey) const override;

private:
    QCheckBox* m_chk42 = nullptr;  // shown on the page, never read or stored
};
