#include "pricing/s01.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"
#include "pricing/zone_record.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kFields = "F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888";

// The texts the boxes show while MS1 has no row.
const char* const kDefaults[20] = {"0.5", "0.5", "0.5", "0.5", "21", "46", "71", "101", "201", "201",
                                   "201", "201", "201", "201", "201", "201", "201", "201", "201", "1.5"};

// Lab(7)..Lab(21): the end of each heavy segment as designed.
QString designedSegmentEnd(int lab)
{
    switch (lab) {
    case 7: return QStringLiteral("Kg-45Kg");
    case 8: return QStringLiteral("Kg-70Kg");
    case 9: return QStringLiteral("Kg-100Kg");
    case 10: return QStringLiteral("Kg-200Kg");
    default: return QStringLiteral("Kg以上");
    }
}

} // namespace

S01::S01(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("S01");
    setWindowTitle("本公司报价标准设定");

    for (int i = 0; i < kBoxCount; ++i) {
        auto* box = new QLineEdit(kDefaults[i], this);
        box->setObjectName(QStringLiteral("Txt(%1)").arg(i));
        box->setFixedWidth(56);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->installEventFilter(this);
        Txt.append(box);
    }
    static const char* const kCaptions[7] = {"文件资料：", "小包裹：", "重包裹：分十五个计费段：", "Kg起计价，续",
                                             "Kg加价；", "Kg起计价，续", "Kg加价；"};
    for (int i = 0; i < kLabelCount; ++i) {
        auto* lab = new QLabel(i <= kParcelStepTail ? QString::fromUtf8(kCaptions[i]) : designedSegmentEnd(i), this);
        lab->setObjectName(QStringLiteral("Lab(%1)").arg(i));
        Lab.append(lab);
    }
    Labd = new QLabel("默认加价系数：", this);
    Labd->setObjectName("Labd");

    auto* top = new QGridLayout;
    top->addWidget(Lab[kDocumentHead], 0, 0);
    top->addWidget(Txt[kDocumentFirst], 0, 1);
    top->addWidget(Lab[kDocumentFirstTail], 0, 2);
    top->addWidget(Txt[kDocumentStep], 0, 3);
    top->addWidget(Lab[kDocumentStepTail], 0, 4);
    top->addWidget(Lab[kParcelHead], 1, 0);
    top->addWidget(Txt[kParcelFirst], 1, 1);
    top->addWidget(Lab[kParcelFirstTail], 1, 2);
    top->addWidget(Txt[kParcelStep], 1, 3);
    top->addWidget(Lab[kParcelStepTail], 1, 4);
    top->setColumnStretch(5, 1);

    // The fifteen segment starts, three to a line, each followed by the end of its segment.
    auto* segments = new QGridLayout;
    segments->setHorizontalSpacing(4);
    for (int k = 1; k <= 15; ++k) {
        const int line = (k - 1) / 3;
        const int col = ((k - 1) % 3) * 3;
        segments->addWidget(Txt[kSegmentBase + k], line, col);
        segments->addWidget(Lab[kSegmentEndBase + k], line, col + 1);
        segments->setColumnMinimumWidth(col + 1, 70);
        if (col + 2 < 8)
            segments->setColumnMinimumWidth(col + 2, 16);
    }

    auto* factor = new QHBoxLayout;
    factor->addWidget(Labd);
    factor->addWidget(Txt[kFactor]);
    factor->addStretch();

    CmdOK = new QPushButton("保  存", this);
    CmdOK->setObjectName("CmdOK");
    CmdCancel = new QPushButton("退  出", this);
    CmdCancel->setObjectName("CmdCancel");
    ConnectGuarded(CmdOK, &QPushButton::clicked, this, [this] { CmdOK_Click(); });
    ConnectGuarded(CmdCancel, &QPushButton::clicked, this, [this] { CmdCancel_Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addSpacing(24);
    buttons->addWidget(CmdCancel);
    buttons->addStretch();

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(Lab[kHeavyHead]);
    lay->addLayout(segments);
    lay->addSpacing(6);
    lay->addLayout(factor);
    lay->addSpacing(10);
    lay->addLayout(buttons);
    setFixedSize(sizeHint());

    LangForm(this);
    InstallEnterMovesOn(this);
    formLoad();
}

void S01::formLoad()
{
    RecordSet rs;
    if (!RunGuarded(LangStr("读取计价标准失败!系统返回如下信息："),
                    [&] { rs = Db().openRecordset(QStringLiteral("select %1 from MS1").arg(kFields)); }))
        return;
    if (rs.recordCount() == 0)
        return; // the designed texts stand
    for (int i = 0; i < kBoxCount; ++i) {
        const Value& v = rs.at(0, i);
        if (!v.isNull())
            Txt[i]->setText(v.toString());
        if (i >= kSecondSegment && i <= kLastSegment)
            setSegmentEnd(i);
        Txt[i]->setText(Format(Val(Txt[i]->text()), "#0.0"));
    }
}

void S01::setSegmentEnd(int index)
{
    // The segment before this start ends 1 Kg below it.
    Lab[kSegmentEndBase + (index - kSegmentBase) - 1]->setText("Kg-" + CStr(Val(Txt[index]->text()) - 1) + "Kg");
}

void S01::Txt_Validate(int index)
{
    if (index < kSecondSegment || index > kLastSegment)
        return;
    const double prev = Val(Txt[index - 1]->text());
    const double cur = Val(Txt[index]->text());
    if (cur <= prev)
        Txt[index]->setText(CStr(prev + 25));
    setSegmentEnd(index);
}

void S01::CmdOK_Click()
{
    if (gUserCode != QLatin1String(kAdminCode)) {
        MsgBox(LangStr("只有系统管理员才能修改此项设置，请用“001”帐号登录！"), vbStyle::Information, gMsgTitle);
        return;
    }
    if (MsgBox(LangStr("警告！计价标准不宜经常改变！真的继续吗？"), vbStyle::YesNo + vbStyle::Information, gMsgTitle) != vbBtn::Yes)
        return;
    // Every box, the factor included, must hold a positive number before the
    // old row goes: an empty or mistyped box is refused, never written.
    PriceStandard values;
    for (int i = 0; i < kBoxCount; ++i) {
        values[i] = Val(Txt[i]->text());
        Txt[i]->setText(CStr(values[i]));
        if (values[i] <= 0) {
            MsgBox(LangStr("所有数值都不能小于或等于0！"), vbStyle::Information, " " + gMsgTitle);
            return;
        }
    }
    // A start below the one before it would leave that segment never charged.
    // Equal starts stay: unused segments repeat the last one.
    for (int k = 2; k <= 15; ++k) {
        if (values[kSegmentBase + k] < values[kSegmentBase + k - 1]) {
            MsgBox(LangStr("第") + QString::number(k) + LangStr("个计费段的起始重量不能小于上一个计费段的起始重量！"),
                   vbStyle::Information, " " + gMsgTitle);
            return;
        }
    }
    const bool saved = RunWrite(LangStr("保存失败!系统返回如下信息："), [&] { SavePriceStandard(Db(), values); });
    if (saved)
        MsgBox(LangStr("保存成功！"), vbStyle::Information, gMsgTitle);
}

void S01::CmdCancel_Click()
{
    reject();
}

bool S01::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    const int index = box ? int(Txt.indexOf(box)) : -1;
    if (index >= 0 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const bool in = event->type() == QEvent::FocusIn;
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, VbColor(in ? kFocusColor : kWindowColor));
        box->setPalette(pal);
        // Leaving for another control of this window checks the segment
        // starts; a menu, another window or closing does not.
        if (FocusMovesWithin(this, box, event))
            Txt_Validate(index);
    }
    return QDialog::eventFilter(watched, event);
}
