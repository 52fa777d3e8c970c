#include "shell/login.h"

#include "shell/mform.h"

#include "dialogs/codelist.h"

#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "platform/mainhost.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The banner at the top of the window.
QPixmap bannerPicture()
{
    QPixmap pm(360, 64);
    QPainter p(&pm);
    QLinearGradient g(0, 0, pm.width(), 0);
    g.setColorAt(0, QColor(0, 60, 140));
    g.setColorAt(1, QColor(90, 160, 230));
    p.fillRect(pm.rect(), g);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPointSize(16);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("捷诺达raredade"));
    return pm;
}

bool granted(const Value& v) { return !v.isNull() && v.toDouble() != 0; }

} // namespace

Login::Login(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("Login");
    setWindowTitle(LangStr("用户登录"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* pic = new QLabel(this);
    pic->setObjectName("Picture1");
    pic->setPixmap(bannerPicture());
    pic->setAlignment(Qt::AlignCenter);

    m_cmbhu = new QComboBox(this);
    m_cmbhu->setObjectName("cmbhu");
    // Typing an account directly also works.
    m_cmbhu->setEditable(true);
    m_cmbhu->setInsertPolicy(QComboBox::NoInsert);

    m_txt[1] = new QLineEdit(this);
    m_txt[1]->setObjectName("Txt(1)");
    ShowAsStars(m_txt[1]);

    // The account the OK command checks; filled from the list, never seen.
    m_txt[0] = new QLineEdit(this);
    m_txt[0]->setObjectName("Txt(0)");
    ShowAsStars(m_txt[0]);
    m_txt[0]->hide();

    m_cmd[0] = new QPushButton(LangStr("确  定"), this);
    m_cmd[0]->setObjectName("Cmd(0)");
    m_cmd[1] = new QPushButton(LangStr("退 出"), this);
    m_cmd[1]->setObjectName("Cmd(1)");

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(LangStr("用户："), this), 0, 0);
    form->addWidget(m_cmbhu, 0, 1);
    form->addWidget(new QLabel(LangStr("密码："), this), 1, 0);
    form->addWidget(m_txt[1], 1, 1);
    form->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmd[0]);
    buttons->addWidget(m_cmd[1]);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(pic);
    lay->addLayout(form);
    lay->addLayout(buttons);

    setTabOrder(m_cmbhu, m_txt[1]);
    setTabOrder(m_txt[1], m_cmd[0]);
    setTabOrder(m_cmd[0], m_cmd[1]);

    connect(m_cmd[0], &QPushButton::clicked, this, &Login::ok);
    connect(m_cmd[1], &QPushButton::clicked, this, &Login::reject);
    connect(m_cmbhu, &QComboBox::editTextChanged, this, &Login::syncAccount);
    m_cmbhu->installEventFilter(this);
    for (QLineEdit* t : m_txt)
        t->installEventFilter(this);
    InstallEnterMovesOn(this);
    m_cmbhu->setFocus();
}

void Login::formLoad()
{
    LangForm(this);
    fillUserList();
}

void Login::fillUserList()
{
    m_cmbhu->clearEditText();
    FillCodeList(m_cmbhu, "select * from TE1 order by F1");
    // Nothing is chosen until the operator chooses.
    m_cmbhu->setCurrentIndex(-1);
    m_cmbhu->clearEditText();
    m_txt[0]->clear();
}

void Login::syncAccount()
{
    m_txt[0]->setText(CodeOf(m_cmbhu->currentText()));
}

bool Login::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cmbhu && event->type() == QEvent::FocusOut)
        syncAccount();
    if ((watched == m_txt[0] || watched == m_txt[1]) && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const bool ctrlS = (ke->key() == Qt::Key_S && (ke->modifiers() & Qt::ControlModifier))
            || ke->text() == QString(QChar(19));
        if (ctrlS) {
            // The administrator's short cut: the typed password must still be his.
            m_txt[0]->setText(kAdminCode);
            ok();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Login::ok()
{
    const QString account = TrimBlanks(m_txt[0]->text());
    if (account.isEmpty()) {
        MsgBox(LangStr("请输入用户名!"), vbStyle::Information, gMsgTitle);
        // The account box is never visible: the operator types into the list.
        m_cmbhu->setFocus();
        return;
    }
    // A look-up that failed has shown its box and lets no one in: its empty
    // answer would read as a missing account or as an empty password.
    const QString where = " from TE1 where F1=" + SqlQuote(account);
    bool failed = false;
    const QString found = GetStr("select F1" + where, &failed);
    if (failed)
        return;
    if (found.isEmpty()) {
        MsgBox(LangStr("无效的用户名!"), vbStyle::Information, gMsgTitle);
        m_cmbhu->setFocus();
        return;
    }
    // Exact: case counts and blanks count; a Null password equals an empty box.
    const QString password = GetStr("select F3" + where, &failed);
    if (failed)
        return;
    if (password != m_txt[1]->text()) {
        MsgBox(LangStr("密码输入错误!"), vbStyle::Information, gMsgTitle);
        m_txt[1]->clear();
        m_txt[1]->setFocus();
        return;
    }
    applyOperator(account);
    accept();
}

void Login::applyOperator(const QString& account)
{
    gUserCode = TrimBlanks(account);
    const QString name = GetStr("select F2 from TE1 where F1=" + SqlQuote(gUserCode));
    if (MainHost* host = GetMainHost()) {
        host->setPanelText(3, name);
        gUserName = host->panelText(3);
    } else {
        gUserName = name;
    }
    applyLoginState();
}

void Login::applyLoginState()
{
    MForm* main = MForm::current();
    auto setMenu = [main](const char* name, bool on) {
        if (main)
            main->setTopMenuEnabled(QString::fromLatin1(name), on);
    };
    gCanEditAccounts = true;
    if (gUserCode == QLatin1String(kAdminCode)) {
        for (const QString& m : MForm::rightsMenus())
            setMenu(m.toLatin1().constData(), true);
        gCanEditShipped = true;
        gCanSeePrices = true;
        return;
    }
    RecordSet rs;
    try {
        rs = Db().openRecordset("select F60,F61,F62,F63,F64,F65,F66,F67 FROM TE1 WHERE F1=" + SqlQuote(gUserCode));
    } catch (const std::exception& e) {
        MsgBox(QString::fromUtf8(e.what()), vbStyle::Information, gMsgTitle);
        return;
    }
    if (rs.eof())
        return;
    setMenu("Menu_A", granted(rs.field(0)));
    setMenu("Menu_b", granted(rs.field(1)));
    setMenu("Menu_C", granted(rs.field(2)));
    setMenu("Menu_S", granted(rs.field(3)));
    setMenu("Menu_wanglai", granted(rs.field(7)));
    gCanEditShipped = granted(rs.field(4));
    gCanSeePrices = granted(rs.field(5));
    gCanEditAccounts = granted(rs.field(6));
}
