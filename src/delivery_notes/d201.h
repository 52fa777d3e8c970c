#pragma once
#include <QDialog>
#include <QList>

class D2;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The entry of one payment against a delivery note (" 付款登记"), shown
// modally over the payment list D2: it checks the customer, the note and the
// amount, adds the amount to the note's paid amount, records the payment and
// appends it to D2's list. The note's update and the payment row are written
// together or not at all.
class D201 : public QDialog {
    Q_OBJECT
public:
    // The list the payment is appended to: the parent when it is a D2,
    // otherwise the open D2 (none: the payment is only stored).
    explicit D201(QWidget* parent = nullptr);

    void formLoad();
    void FillCustomerList();
    void Command1_Click();
    void Command2_Click();

    QComboBox* CmbKH;
    QList<QLabel*> Lab;
    QList<QLineEdit*> Txt;
    QDateEdit* DTP;
    QPushButton* Command1;
    QPushButton* Command2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    D2* list() const;
};
