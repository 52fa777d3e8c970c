#include "shell/aboutus.h"

#include "data/queries.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {
const char* const kWebSite = "https://www.raredade.example.com/";
const char* const kSupportMail = "support@raredade.example.com";
const char* const kTelephone = "0755-0000 0000";
} // namespace

QString AboutUS::webAddress() { return QString::fromLatin1(kWebSite); }

QString AboutUS::mailLink()
{
    QUrl url;
    url.setScheme("mailto");
    url.setPath(QString::fromLatin1(kSupportMail));
    QUrlQuery query;
    query.addQueryItem("subject", "关于<捷诺达raredade>");
    query.addQueryItem("body", "您好！");
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

AboutUS::AboutUS(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("AboutUS");
    setWindowTitle("关于本系统");

    auto* title = new QLabel("raredade", this);
    title->setObjectName("LabTitle");
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 10);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);

    auto* subtitle = new QLabel("捷诺达速递业务管理系统", this);
    subtitle->setAlignment(Qt::AlignCenter);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* notice = new QLabel("本软件受著作权法保护，未经许可不得复制或传播。", this);
    notice->setObjectName("LabNotice");
    notice->setWordWrap(true);

    auto* contact = new QLabel(QString("电话：%1\n邮件：%2\n网站：%3")
                                   .arg(QString::fromLatin1(kTelephone), QString::fromLatin1(kSupportMail), webAddress()),
        this);
    contact->setObjectName("LabContact");
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = MakeCommandRow(this, {"访问网站", "发送邮件", "返回系统"}, m_cmd, [this](int i) { cmdClick(i); });
    m_cmd[2]->setAutoDefault(true);
    m_cmd[2]->setDefault(true);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(title);
    lay->addWidget(subtitle);
    lay->addWidget(line);
    lay->addWidget(notice);
    lay->addWidget(contact);
    lay->addSpacing(8);
    lay->addLayout(buttons);
    setFixedWidth(380);

    LangForm(this);
}

void AboutUS::cmdClick(int index)
{
    switch (index) {
    case 0: OpenWithDesktop(webAddress()); break;
    case 1: OpenWithDesktop(mailLink()); break;
    default: accept(); break;
    }
}
