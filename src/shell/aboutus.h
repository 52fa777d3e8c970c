#pragma once
#include <QDialog>

class QPushButton;

// The About window, with links to the company's web site and support mail.
class AboutUS : public QDialog {
    Q_OBJECT
public:
    explicit AboutUS(QWidget* parent = nullptr);

    // 0 "访问网站", 1 "发送邮件", 2 "返回系统", as the buttons run them.
    void cmdClick(int index);

    static QString webAddress();
    static QString mailLink();

private:
    QPushButton* m_cmd[3] = {};
};
