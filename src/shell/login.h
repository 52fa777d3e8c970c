#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// The log-in window: identifies the operator against TE1 and applies the
// operator's rights to the main window's menus and the right flags. Leaving
// it by "退 出", Esc or the window frame ends the program (its result is then
// Rejected and the caller ends the program).
class Login : public QDialog {
    Q_OBJECT
public:
    explicit Login(QWidget* parent = nullptr);

    // The load step: fills the account list. Throws DbError when TE1 cannot be read.
    void formLoad();
    void fillUserList();

    // "确  定" as the button runs it.
    void ok();

    // The end of a successful log-in for an account known to TE1: operator,
    // status-bar name, menus and right flags (no password test).
    static void applyOperator(const QString& account);
    // The rights of gUserCode applied to the main window's menus and the flags.
    static void applyLoginState();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncAccount();

    // Txt(0) the account (hidden), Txt(1) the password; Cmd(0) "确  定", Cmd(1) "退 出".
    enum LoginBox { kAccount = 0, kPassword = 1 };
    enum LoginCommand { kOk = 0, kExit = 1 };

    QComboBox* m_cmbhu = nullptr;
    QLineEdit* m_txt[2] = {nullptr, nullptr};
    QPushButton* m_cmd[2] = {nullptr, nullptr};
};
