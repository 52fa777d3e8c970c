#pragma once
#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;

// The pricing standard ("本公司报价标准设定"): the one row of MS1 with the first
// and step weights of documents and small parcels, the starts of the fifteen
// heavy-parcel segments and the default mark-up factor. Box Txt(i) shows field
// i + 1 (F1..F19) and Txt(19) P888. Modal; only the administrator saves.
class S01 : public QDialog {
    Q_OBJECT
public:
    explicit S01(QWidget* parent = nullptr);

    // The two buttons: "保  存" and "退  出".
    void CmdOK_Click();
    void CmdCancel_Click();

    // The rule applied when the focus leaves a segment start (Index 5..18).
    void Txt_Validate(int index);

    QLineEdit* txt(int i) const { return Txt.value(i); }
    QLabel* lab(int i) const { return Lab.value(i); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void formLoad();
    void setSegmentEnd(int index);

    QList<QLineEdit*> Txt;
    QList<QLabel*> Lab;
    QLabel* Labd;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;
};
