#include "shell/s2.h"

#include "data/database.h"
#include "dialogs/error_boundary.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/lookups.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

S2::S2(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("S2");
    setWindowTitle("操作员修改密码");

    static const char* const kLabels[3] = {"旧密码", "新密码", "新密码确认"};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* lab = new QLabel(kLabels[i], this);
        lab->setObjectName(QString("Lab(%1)").arg(i));
        m_txt[i] = new QLineEdit(this);
        m_txt[i]->setObjectName(QString("Txt(%1)").arg(i));
        ShowAsStars(m_txt[i]);
        lab->setBuddy(m_txt[i]);
        grid->addWidget(lab, i, 0);
        grid->addWidget(m_txt[i], i, 1);
    }

    // Enter moves between the boxes; it must not press a button.
    auto* buttons = MakeCommandRow(this, {"确 定", "取 消"}, m_cmd, [this](int i) { cmdClick(i); });

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addSpacing(8);
    lay->addLayout(buttons);
    setFixedWidth(320);

    LangForm(this);
    InstallEnterMovesOn(this);
}

void S2::cmdClick(int index)
{
    if (index == 0)
        confirm();
    else
        reject();
}

void S2::confirm()
{
    // Passwords are compared and stored exactly as typed: case kept, no trimming.
    const QString newPass = m_txt[1]->text();
    if (newPass != m_txt[2]->text()) {
        MsgBox("新密码两次输入不同，请重新输入!", vbStyle::Information, gMsgTitle);
        return;
    }
    // A failed look-up has shown its box; its "" is no old password to match.
    bool failed = false;
    const QString stored = GetStr("select F3 from TE1 WHERE F1=" + SqlQuote(gUserCode), &failed);
    if (failed)
        return;
    if (m_txt[0]->text() != stored) {
        MsgBox("旧密码错误，你无权修改该用户密码!", vbStyle::Information, gMsgTitle);
        return;
    }
    int rows = 0;
    if (!RunWrite("密码修改失败!系统返回如下信息：",
                  [&] {
                      Statement st(Db(), QStringLiteral("update TE1 set F3=?1 WHERE F1=?2"));
                      st.bind(1, newPass);
                      st.bind(2, gUserCode);
                      rows = st.run();
                  }))
        return;
    if (rows < 1) {
        // The operator's row is gone (deleted meanwhile): nothing was changed.
        MsgBox("密码修改失败!找不到当前操作员的资料。", vbStyle::Information, gMsgTitle);
        return;
    }
    MsgBox("密码修改成功!", vbStyle::Information, gMsgTitle);
    accept();
}
