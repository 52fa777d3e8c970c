#include "shell_fixture.h"

#include "shell/login.h"
#include "support/failing_reads.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

class LoginTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // 002: no waybills (F61 0), no accounts menu (F67 Null), may edit shipped
        // waybills, may not see prices nor edit ledger entries.
        addOperator("002", "张三", "Secret", {"1", "0", "1", "1", "1", "0", "0", "Null"});
        addOperator("003", "李四", "", {"1", "1", "1", "1", "0", "1", "1", "1"});
        main->show();
        login = std::make_unique<Login>(main.get());
        login->formLoad();
        login->show();
        Pump();
    }
    void TearDown() override
    {
        login.reset();
        ShellTest::TearDown();
    }
    QComboBox* combo() const { return login->findChild<QComboBox*>("cmbhu"); }
    QLineEdit* txt(int i) const { return login->findChild<QLineEdit*>(QString("Txt(%1)").arg(i)); }
    void press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString())
    {
        QKeyEvent ev(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(w, &ev);
    }

    std::unique_ptr<Login> login;
};

} // namespace

TEST_F(LoginTest, ListsEveryOperatorAndFillsTheAccountFromTheChoice)
{
    ASSERT_EQ(combo()->count(), 3);
    EXPECT_EQ(combo()->itemText(0), "001.管理员");
    EXPECT_EQ(combo()->itemText(1), "002.张三");
    EXPECT_EQ(combo()->currentText(), "");
    EXPECT_EQ(txt(0)->text(), "");
    EXPECT_TRUE(txt(0)->isHidden());
    EXPECT_EQ(txt(1)->echoMode(), QLineEdit::Password);
    combo()->setCurrentIndex(1);
    EXPECT_EQ(txt(0)->text(), "002");
    combo()->setEditText(" 003 ");
    EXPECT_EQ(txt(0)->text(), "003");
}

TEST_F(LoginTest, RefusalsKeepTheOperatorOutAndTheFocusVisible)
{
    msgs->expect("请输入用户名!");
    msgs->expect("无效的用户名!");
    msgs->expect("密码输入错误!");
    msgs->expect("密码输入错误!");
    login->ok();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "请输入用户名!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(login->focusWidget(), combo());

    TypeLogin(*login, "009", "x");
    EXPECT_EQ(msgs->last().text, "无效的用户名!");
    EXPECT_EQ(login->focusWidget(), combo());

    // Case counts in the password; the box is emptied after a wrong one.
    TypeLogin(*login, "002.张三", "secret");
    EXPECT_EQ(msgs->last().text, "密码输入错误!");
    EXPECT_EQ(txt(1)->text(), "");
    EXPECT_EQ(login->focusWidget(), txt(1));
    TypeLogin(*login, "002.张三", "Secret ");
    EXPECT_EQ(msgs->last().text, "密码输入错误!");

    EXPECT_EQ(msgs->count(), 4);
    EXPECT_TRUE(login->isVisible());
    EXPECT_EQ(gUserCode, "001"); // unchanged by failed attempts
    EXPECT_EQ(main->panelText(3), "");

    TypeLogin(*login, "002.张三", "Secret");
    EXPECT_EQ(msgs->count(), 4);
    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_EQ(gUserCode, "002");
    EXPECT_EQ(gUserName, "张三");
    EXPECT_EQ(main->panelText(3), "张三");
}

TEST_F(LoginTest, EmptyPasswordAndHostileAccounts)
{
    TypeLogin(*login, "003", "");
    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_EQ(gUserCode, "003");

    login->setResult(0);
    // Quotes in an account are text, never SQL: no engine error, just unknown.
    for (const QString& hostile : {QString("x' or '1'='1"), QString("a'b"), QString("001' --")}) {
        msgs->clear();
        msgs->expect("无效的用户名!");
        TypeLogin(*login, hostile, "ADMIN");
        ASSERT_EQ(msgs->count(), 1) << hostile.toStdString();
        EXPECT_EQ(msgs->last().text, "无效的用户名!");
    }
    // An account that holds a quote is found as it is.
    addOperator("o'k", "王五", "pw", {"1", "1", "1", "1", "1", "1", "1", "1"});
    msgs->clear();
    TypeLogin(*login, "o'k", "pw");
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(gUserCode, "o'k");
    EXPECT_EQ(gUserName, "王五");
}

TEST_F(LoginTest, AFailedLookUpLetsNoOneInAndShowsOnlyItsOwnBox)
{
    // The account's look-up, and the password's with the account found.
    for (const char* column : {"F1", "F3"}) {
        SCOPED_TRACE(column);
        FailingReads failing("TE1", column);
        msgs->clear();
        msgs->expect("GetStr执行错误!系统返回如下信息：");
        TypeLogin(*login, "002.张三", "");
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_TRUE(msgs->last().text.contains(QString("TE1.") + column)) << msgs->last().text.toStdString();
        EXPECT_NE(login->result(), QDialog::Accepted);
        EXPECT_TRUE(login->isVisible());
        EXPECT_EQ(gUserCode, "001");
        EXPECT_EQ(main->panelText(3), "");
    }
}

TEST_F(LoginTest, CtrlSLogsInTheAdministratorWithHisPassword)
{
    combo()->setCurrentIndex(1); // shows 002, whatever it shows
    txt(1)->setText("Secret");
    msgs->expect("密码输入错误!");
    press(txt(1), Qt::Key_S, Qt::ControlModifier, QString(QChar(19)));
    EXPECT_EQ(msgs->last().text, "密码输入错误!");
    EXPECT_TRUE(login->isVisible());

    txt(1)->setText("ADMIN");
    press(txt(1), Qt::Key_S, Qt::ControlModifier, QString(QChar(19)));
    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_EQ(gUserCode, "001");
    EXPECT_EQ(main->panelText(3), "管理员");
}

TEST_F(LoginTest, EnterMovesOnAndEscLeaves)
{
    combo()->setFocus();
    combo()->setEditText("002");
    press(combo(), Qt::Key_Return);
    EXPECT_EQ(login->focusWidget(), txt(1));
    txt(1)->setText("Secret");
    press(txt(1), Qt::Key_Return);
    auto* okButton = login->findChild<QPushButton*>("Cmd(0)");
    EXPECT_EQ(login->focusWidget(), okButton);
    EXPECT_TRUE(login->isVisible());
    EXPECT_EQ(msgs->count(), 0);
    // Enter on the focused button presses it.
    press(okButton, Qt::Key_Return);
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_EQ(gUserCode, "002");

    Login again(main.get());
    again.formLoad();
    again.show();
    Pump();
    press(&again, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(gUserCode, "002");
}

TEST_F(LoginTest, RightsFollowTheOperatorsRowAndTheAdministratorGetsAll)
{
    TypeLogin(*login, "002", "Secret");
    EXPECT_TRUE(main->topMenuEnabled("Menu_A"));
    EXPECT_FALSE(main->topMenuEnabled("Menu_b"));
    EXPECT_TRUE(main->topMenuEnabled("Menu_C"));
    EXPECT_TRUE(main->topMenuEnabled("Menu_S"));
    EXPECT_FALSE(main->topMenuEnabled("Menu_wanglai"));
    EXPECT_TRUE(main->findChild<QMenu*>("Menu_sl")->isEnabled());
    EXPECT_TRUE(gCanEditShipped);
    EXPECT_FALSE(gCanSeePrices);
    EXPECT_FALSE(gCanEditAccounts);

    // Buttons follow their top menu.
    msgs->clear();
    for (int i = 0; i < 3; ++i)
        msgs->expect("对不起,您没有此权限!");
    main->toolBarClick("d2");
    main->toolBarClick("fk");
    main->toolBarClick("sk");
    EXPECT_EQ(msgs->texts(), QStringList(3, "对不起,您没有此权限!"));
    EXPECT_EQ(WindowRegistry::loaded("B01"), nullptr);
    EXPECT_EQ(WindowRegistry::loaded("PayLst"), nullptr);
    EXPECT_TRUE(main->toolBarVisible());
    main->toolBarClick("d1");
    EXPECT_NE(WindowRegistry::loaded("A03"), nullptr);

    // A later log-in from the main window replaces operator and rights; open
    // windows stay open.
    modal->on("Login", [](QDialog& d) { TypeLogin(d, "001", "ADMIN"); });
    main->command("Relogin")->trigger();
    EXPECT_EQ(gUserCode, "001");
    EXPECT_EQ(main->panelText(3), "管理员");
    for (const QString& m : MForm::rightsMenus())
        EXPECT_TRUE(main->topMenuEnabled(m)) << m.toStdString();
    EXPECT_TRUE(gCanEditShipped && gCanSeePrices && gCanEditAccounts);
    EXPECT_NE(WindowRegistry::loaded("A03"), nullptr);
    EXPECT_FALSE(ProgramEndRequested());
}

TEST_F(LoginTest, LeavingALaterLogInEndsTheProgram)
{
    WindowRegistry::openChild("A04");
    modal->on("Login", [](QDialog& d) { d.close(); });
    main->command("Relogin")->trigger();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_FALSE(gDb);
    EXPECT_FALSE(main->isVisible());
}
