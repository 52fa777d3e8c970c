#include "shell_fixture.h"

#include "data/sqltext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

void ShellTest::addOperator(const QString& code, const QString& name, const QString& password, const QStringList& rights)
{
    Db().execute(QStringLiteral("insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values (%1,%2,%3,%4)")
                     .arg(SqlQuote(code), SqlQuote(name), SqlQuote(password), rights.join(',')));
}

void TypeLogin(QDialog& login, const QString& account, const QString& password)
{
    login.findChild<QComboBox*>("cmbhu")->setEditText(account);
    login.findChild<QLineEdit*>("Txt(1)")->setText(password);
    login.findChild<QPushButton*>("Cmd(0)")->click();
}

QString StartFixture::expectStartEnded(bool goesOn, const QStringList& windowsShown)
{
    EXPECT_FALSE(goesOn);
    EXPECT_EQ(msgs.count(), 1);
    const QString text = msgs.count() > 0 ? msgs.boxes().first().text : QString();
    if (msgs.count() > 0) {
        EXPECT_EQ(msgs.boxes().first().title, "Vembra Studio");
    }
    EXPECT_TRUE(text.startsWith(QString("程序启动错误!系统返回如下信息：") + QChar(13) + QChar(13))) << text.toStdString();
    EXPECT_EQ(modal.shown, windowsShown);
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(MForm::current(), nullptr);
    EXPECT_FALSE(gDb);
    return text;
}
