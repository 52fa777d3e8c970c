#include "delivery_notes/d201.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "delivery_notes/d2.h"
#include "delivery_notes/note_grid.h"
#include "dialogs/error_boundary.h"
#include "dialogs/lookups.h"
#include "platform/date_picker.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "platform/window_registry.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void Tell(const QString& text)
{
    MsgBox(text, vbStyle::Information, gMsgTitle);
}

} // namespace

D201::D201(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("D201");
    setWindowTitle(" 付款登记");
    const QStringList captions{"客户", "发货单号", "付款 (元)", "付款日期"};
    for (int i = 0; i < captions.size(); ++i) {
        auto* lab = new QLabel(captions[i], this);
        lab->setObjectName(QStringLiteral("Lab(%1)").arg(i));
        Lab.append(lab);
    }
    CmbKH = MakeNoteCustomerBox(this);
    for (int i = 0; i < 2; ++i) {
        auto* txt = new QLineEdit(this);
        txt->setObjectName(QStringLiteral("Txt(%1)").arg(i));
        txt->installEventFilter(this);
        Txt.append(txt);
    }
    DTP = new DatePicker(this);
    DTP->setObjectName("DTP");
    Command1 = new QPushButton("确 定", this);
    Command1->setObjectName("Command1");
    Command2 = new QPushButton("取 消", this);
    Command2->setObjectName("Command2");
    CmbKH->installEventFilter(this);

    auto* form = new QGridLayout;
    QWidget* fields[] = {CmbKH, Txt[0], Txt[1], DTP};
    for (int i = 0; i < 4; ++i) {
        form->addWidget(Lab[i], i, 0, Qt::AlignRight);
        form->addWidget(fields[i], i, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch();
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addSpacing(8);
    lay->addLayout(buttons);
    setFixedSize(340, 200);

    ConnectGuarded(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    ConnectGuarded(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void D201::formLoad()
{
    LangForm(this);
    FillCustomerList();
    DTP->setDate(QDate::currentDate());
}

void D201::FillCustomerList()
{
    FillNoteCustomers(CmbKH);
    CmbKH->setCurrentIndex(-1);
    CmbKH->setEditText(QString());
}

D2* D201::list() const
{
    if (auto* d2 = qobject_cast<D2*>(parentWidget()))
        return d2;
    return qobject_cast<D2*>(WindowRegistry::loaded("D2"));
}

void D201::Command1_Click()
{
    const QString customer = Lab[0]->text(), noteCaption = Lab[1]->text(), amountCaption = Lab[2]->text();
    if (TrimBlanks(CmbKH->currentText()).isEmpty()) {
        Tell(customer + LangStr("不能为空!"));
        return;
    }
    // The code is compared with the note's customer as it stands before the
    // "."; the look-ups and the stored row use it trimmed.
    const QString code = NoteCustomerCode(CmbKH->currentText());
    const QString key = TrimBlanks(code);
    // A look-up that fails has shown its box: nothing is said to be wrong.
    bool failed = false;
    const QString name = NoteCustomerName(key, &failed);
    if (failed)
        return;
    if (name.isEmpty()) {
        Tell(customer + LangStr("编号输入错误!"));
        CmbKH->setFocus();
        return;
    }
    const QString note = TrimBlanks(Txt[0]->text());
    if (note.isEmpty()) {
        Tell(noteCaption + LangStr("不能为空！"));
        return;
    }
    const QString owner = GetStr("select F3 from TD1 WHERE F1=" + SqlQuote(note), &failed);
    if (failed)
        return;
    if (owner.isEmpty()) {
        Tell(LangStr("无效的") + noteCaption + "!");
        return;
    }
    if (owner != code) {
        Tell(customer + LangStr("与") + noteCaption + LangStr("不对应!"));
        return;
    }
    const double amount = Val(Txt[1]->text());
    if (amount == 0) {
        Tell(amountCaption + "不能为0！");
        return;
    }
    // A note with nothing paid yet may hold Null: it counts as 0 paid. What is
    // owed is money, taken to the cent, so payments that add up to the note
    // settle it exactly (100.1 + 200.2 leaves no 5.7E-14 to pay).
    const QString outstandingSql = "SELECT ROUND(F9-IFNULL(F91,0),2) AS SL FROM TD1 WHERE F1=" + SqlQuote(note);
    const double outstanding = GetVal(outstandingSql, &failed);
    if (failed)
        return;
    if (outstanding <= 0) {
        Tell(LangStr("指定的") + noteCaption + LangStr("已经清结，不需要继续付款!"));
        return;
    }

    const QString day = DateText(DTP->date());
    double balance = 0;
    const bool saved = RunWrite(LangStr("付款登记失败!系统返回如下信息："), [&] {
        Database& db = Db();
        Statement paid(db, QStringLiteral("update TD1 SET F91=IFNULL(F91,0)+?1 WHERE F1=?2"));
        paid.bindLiteralNumber(1, amount);
        paid.bind(2, note);
        paid.run();
        const RecordSet rs = db.openRecordset(outstandingSql);
        balance = rs.recordCount() > 0 ? rs.at(0, 0).toDouble() : 0;
        Statement payment(db, QStringLiteral("insert into TD2 (F1,F2,F3,F4,F5) values (?1,?2,?3,?4,?5)"));
        payment.bind(1, key);
        payment.bind(2, note);
        payment.bind(3, day);
        payment.bindLiteralNumber(4, amount);
        payment.bindLiteralNumber(5, balance);
        payment.run();
    });
    if (!saved)
        return;

    if (D2* d2 = list()) {
        const double noteAmount = GetVal("SELECT F9 FROM TD1 WHERE F1=" + SqlQuote(note));
        d2->AppendPayment({key, name, note, CStr(noteAmount), day, CStr(amount), CStr(balance)});
    }
    accept();
}

void D201::Command2_Click()
{
    reject();
}

bool D201::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == CmbKH) {
                Txt[0]->setFocus();
                return true;
            }
            if (watched == Txt[0] || watched == Txt[1]) {
                focusNextChild();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
