#pragma once
#include <QDialog>

class QCheckBox;
class QPushButton;

// Data initialisation: empties the chosen groups of tables. Modal.
class S03 : public QDialog {
    Q_OBJECT
public:
    explicit S03(QWidget* parent = nullptr);

    // 0 "清 除", 1 "退 出", as the buttons run them.
    void cmdClick(int index);

private:
    void clearData();

    QCheckBox* m_chk[4] = {};
    QPushButton* m_cmd[2] = {};
};
