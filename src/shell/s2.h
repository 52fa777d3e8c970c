#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// The logged-in operator changes his own password. Modal.
class S2 : public QDialog {
    Q_OBJECT
public:
    explicit S2(QWidget* parent = nullptr);

    // 0 "确 定", 1 "取 消", as the buttons run them.
    void cmdClick(int index);

private:
    void confirm();

    QLineEdit* m_txt[3] = {};
    QPushButton* m_cmd[2] = {};
};
