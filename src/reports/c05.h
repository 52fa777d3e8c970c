#pragma once
#include "platform/mainhost.h"

#include <QList>

class QFrame;
class QLabel;
class QLineEdit;

// The problem-item notice ("问题通知单"): the operator types a waybill
// number, the window fills in the waybill's weight, pieces, type and its
// recorded problem, the operator completes up to five reason lines and prints
// the notice.
class C05 : public ChildWindow {
    Q_OBJECT
public:
    explicit C05(QWidget* parent = nullptr);

    void Menu_P_Click();
    void menu_R_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Txt_Change(int index);
    // Looks the waybill of Txt(0) up when the focus leaves it.
    void Txt_Validate(int index);
    void sendTab();

    QFrame* Frame1;
    QLabel* Label1;
    QList<QLabel*> Lab;
    QList<QLineEdit*> Txt;
    QWidget* Picture1;
    bool m_unloading = false;
};
