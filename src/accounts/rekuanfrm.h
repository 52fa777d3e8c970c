#pragma once
#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

// The balance refresh ("刷新明细帐"), opened modally by the detail ledger for
// the administrator: recomputes the running balances of one party, or of
// every party of the detail ledger's list, over their whole history.
class ReKuanFrm : public QDialog {
    Q_OBJECT
public:
    explicit ReKuanFrm(QWidget* parent = nullptr);

    // The caller's party list: item 0 is the all-parties line, the names follow.
    QComboBox* tmpCmb = nullptr;
    // The caller's side; kept, the refresh goes by name alone.
    int LB = 0;

    // Loads the caller's names into the list while it holds fewer than two.
    void Cmb_GotFocus();
    // "开始刷新".
    void Command1_Click();
    // "返回上层".
    void Command2_Click();

    QRadioButton* Opt0;
    QRadioButton* Opt1;
    QComboBox* Cmb;
    QPushButton* Command1;
    QPushButton* Command2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool refresh(const QStringList& parties);
};
