#include "reports/c05.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"
#include "reports/report_parts.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int kLineLength = 36;   // a full line moves on to the next box
constexpr int kReasonStep = 480;  // twips between the reason lines

QRect twips(int left, int top, int width, int height)
{
    return {TwipsToPx(left), TwipsToPx(top), TwipsToPx(width), TwipsToPx(height)};
}

} // namespace

C05::C05(QWidget* parent)
    : ChildWindow("C05", parent)
    , Frame1(new QFrame(this))
    , Label1(new QLabel(QStringLiteral("无法中转及派送的问题通知"), Frame1))
    , Picture1(nullptr)
{
    setWindowTitle(QStringLiteral("问题通知单"));

    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(twips(120, 120, 9600, 4920));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont heading = Label1->font();
    heading.setPointSize(14);
    heading.setBold(true);
    Label1->setFont(heading);
    Label1->setGeometry(twips(240, 240, 9120, 480));

    const char* const captions[] = {"运单号", "运单信息", "问题原因"};
    const int tops[] = {1080, 1680, 2280};
    for (int i = 0; i < 3; ++i) {
        auto* lab = new QLabel(QString::fromUtf8(captions[i]), Frame1);
        lab->setObjectName(QStringLiteral("Lab(%1)").arg(i));
        lab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lab->setGeometry(twips(360, tops[i], 1200, 330));
        Lab << lab;
    }
    Picture1 = new QWidget(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twips(1680, tops[2], 7680, 4 * kReasonStep + 330));
    for (int i = 0; i <= 6; ++i) {
        auto* box = new QLineEdit(i >= 2 ? Picture1 : Frame1);
        box->setObjectName(QStringLiteral("Txt(%1)").arg(i));
        if (i == 0)
            box->setGeometry(twips(1680, tops[0], 2400, 330));
        else if (i == 1)
            box->setGeometry(twips(1680, tops[1], 7680, 330));
        else
            box->setGeometry(twips(0, (i - 2) * kReasonStep, 7680, 330));
        box->installEventFilter(this);
        ConnectGuarded(box, &QLineEdit::textChanged, this, [this, i] { Txt_Change(i); });
        Txt << box;
    }
    for (int i = 0; i < 6; ++i)
        setTabOrder(Txt[i], Txt[i + 1]);
    resize(TwipsToPx(9840), TwipsToPx(5160));

    addCommand(QStringLiteral("&P.打印"), QStringLiteral("Menu_P"), [this] { Menu_P_Click(); });
    addCommand(QStringLiteral("&R.返回"), QStringLiteral("menu_R"), [this] { menu_R_Click(); });
}

void C05::sendTab() { focusNextPrevChild(true); }

void C05::Txt_Change(int index)
{
    // Equality, not "at least": a paste past the line's end stays where it is.
    if (Txt[index]->text().size() == kLineLength)
        sendTab();
}

bool C05::eventFilter(QObject* watched, QEvent* event)
{
    const int index = int(Txt.indexOf(static_cast<QLineEdit*>(watched)));
    if (index < 0)
        return ChildWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            sendTab();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window checks the box: a menu
        // opening (R.返回 itself), another window or closing leaves it alone.
        if (!m_unloading && FocusMovesWithin(this, Txt[index], event))
            Txt_Validate(index);
    }
    return ChildWindow::eventFilter(watched, event);
}

void C05::Txt_Validate(int index)
{
    if (index != 0)
        return;
    const QString number = TrimBlanks(Txt[0]->text());
    if (number.isEmpty())
        return;
    RunGuarded(QStringLiteral("查询运单错误!系统返回如下信息："), [&] {
        const RecordSet rs = Db().openRecordset("select F402,F401,F301,F701,F702 from B01 WHERE F1=" + SqlQuote(number));
        if (rs.recordCount() == 0) {
            MsgBox(QStringLiteral("你输入的运单号不存在!"), vbStyle::Information, QString());
            return;
        }
        Txt[1]->setText(" 重量:" + rs.at(0, 0).toString() + "    件数:" + rs.at(0, 1).toString() + "   D/S: " +
                        rs.at(0, 2).toString());
        Txt[2]->setText(rs.at(0, 3).toString());
        Txt[3]->setText(rs.at(0, 4).toString());
    });
}

void C05::Menu_P_Click()
{
    for (int i = 0; i <= 1; ++i) {
        if (TrimBlanks(Txt[i]->text()).isEmpty()) {
            MsgBox("请输入" + Lab[i]->text() + "!", vbStyle::Information, QString());
            return;
        }
    }
    QStringList row;
    for (QLineEdit* box : Txt)
        row << TrimBlanks(box->text());
    bool anyReason = false;
    for (int i = 2; i <= 6; ++i)
        anyReason = anyReason || !row[i].isEmpty();
    if (!anyReason) {
        MsgBox(QStringLiteral("请输入问题原因!"), vbStyle::Information, QString());
        return;
    }
    PrintThroughHost({"PRNTC05", ScratchColumns(7), {row}, "prntc05.rpt", {}});
}

void C05::menu_R_Click() { close(); }

void C05::closeEvent(QCloseEvent* event)
{
    m_unloading = true;
    ChildWindow::closeEvent(event);
}
