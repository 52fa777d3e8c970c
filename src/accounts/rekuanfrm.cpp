#include "accounts/rekuanfrm.h"

#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/error_boundary.h"
#include "dialogs/filter_bar.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

const QString kCaption = QStringLiteral("刷新明细帐");
const QString kDone = QStringLiteral("刷新完成！");
constexpr auto kRefreshFailed = "刷新明细帐错误!系统返回如下信息：";

} // namespace

ReKuanFrm::ReKuanFrm(QWidget* parent)
    : QDialog(parent)
    , Opt0(new QRadioButton(QStringLiteral("刷新所有单位应收应付帐"), this))
    , Opt1(new QRadioButton(QStringLiteral("刷新") + QString(25, QLatin1Char(' ')) + QStringLiteral("应收应付帐"), this))
    , Cmb(new QComboBox(this))
    , Command1(MakeCommandButton(this, QStringLiteral("Command1"), QStringLiteral("开始刷新")))
    , Command2(MakeCommandButton(this, QStringLiteral("Command2"), QStringLiteral("返回上层")))
{
    setObjectName(QStringLiteral("ReKuanFrm"));
    setWindowTitle(kCaption);
    Opt0->setObjectName(QStringLiteral("Opt(0)"));
    Opt1->setObjectName(QStringLiteral("Opt(1)"));
    Cmb->setObjectName(QStringLiteral("Cmb"));
    Cmb->setEditable(true);
    Cmb->setInsertPolicy(QComboBox::NoInsert);
    Cmb->setMaxVisibleItems(20);
    Cmb->installEventFilter(this);
    Cmb->lineEdit()->installEventFilter(this);
    // One party is the lighter work; all of them has to be chosen.
    Opt1->setChecked(true);

    // A dialog of its own size. The list stands in the gap of the second
    // option's caption, right after "刷新"; the caption's tail follows the list.
    setFixedSize(TwipsToPx(5700), TwipsToPx(2500));
    Opt0->setGeometry(TwipsToPx(360), TwipsToPx(300), TwipsToPx(5000), TwipsToPx(360));
    const int indicator = Opt1->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, Opt1)
        + Opt1->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, Opt1);
    const int head = indicator + Opt1->fontMetrics().horizontalAdvance(QStringLiteral("刷新 "));
    Opt1->setGeometry(TwipsToPx(360), TwipsToPx(900), head, TwipsToPx(360));
    Cmb->setGeometry(Opt1->x() + head, Opt1->y() - 2, TwipsToPx(2000), TwipsToPx(360) + 4);
    auto* tail = new QLabel(QStringLiteral("应收应付帐"), this);
    tail->setGeometry(Cmb->geometry().right() + 6, Opt1->y(), TwipsToPx(1500), TwipsToPx(360));
    Command1->setGeometry(TwipsToPx(2100), TwipsToPx(1700), TwipsToPx(1500), TwipsToPx(450));
    Command2->setGeometry(TwipsToPx(3840), TwipsToPx(1700), TwipsToPx(1500), TwipsToPx(450));

    ConnectGuarded(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    ConnectGuarded(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

bool ReKuanFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == Cmb || watched == Cmb->lineEdit()))
        Cmb_GotFocus();
    return QDialog::eventFilter(watched, event);
}

void ReKuanFrm::Cmb_GotFocus()
{
    // Loaded while it holds fewer than two names: a list of one name takes it
    // again on each visit (refreshing a party twice does it no harm).
    if (Cmb->count() >= 2 || !tmpCmb)
        return;
    const QString typed = Cmb->currentText();
    QStringList names;
    for (int i = 1; i < tmpCmb->count(); ++i)
        names << tmpCmb->itemText(i);
    Cmb->addItems(names);
    Cmb->setEditText(typed);
}

bool ReKuanFrm::refresh(const QStringList& parties)
{
    setEnabled(false);
    const bool done = RunWrite(LangStr(QString::fromUtf8(kRefreshFailed)), [&] {
        BalanceRewriter(Db()).recalcList(parties, [this](const QString& party) {
            setWindowTitle(LangStr(QStringLiteral("正在刷新 ")) + party);
            LetRepaint();
        });
    });
    setEnabled(true);
    return done;
}

void ReKuanFrm::Command1_Click()
{
    QStringList parties;
    if (Opt0->isChecked()) {
        Cmb_GotFocus();
        for (int i = 0; i < Cmb->count(); ++i)
            parties << Cmb->itemText(i);
    } else {
        const QString s = Cmb->currentText().trimmed();
        if (s.isEmpty()) {
            MsgBox(LangStr(QStringLiteral("请输入或选择要刷新的单位！")), vbStyle::Information, QString());
            return;
        }
        if (Cmb->findText(s, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
            MsgBox(LangStr(QStringLiteral("没有［%1］这个单位！").arg(s)), vbStyle::Information, QString());
            return;
        }
        parties << s;
    }
    LetRepaint();
    const bool done = refresh(parties);
    // A refresh that failed has been reported and rolled back: no success to tell.
    if (done) {
        setWindowTitle(LangStr(kDone));
        MsgBox(LangStr(kDone), vbStyle::Information, QString());
    }
    setWindowTitle(kCaption);
}

void ReKuanFrm::Command2_Click() { reject(); }
