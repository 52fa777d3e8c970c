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
    // The boxes Txt(k): documents' and parcels' first and step weights, the
    // fifteen segment starts, the factor.
    enum S01Box {
        kDocumentFirst = 0,
        kDocumentStep = 1,
        kParcelFirst = 2,
        kParcelStep = 3,
        kSegmentBase = 3, // segment k (from 1) starts in Txt(kSegmentBase + k)
        kSecondSegment = 5,
        kLastSegment = 18,
        kFactor = 19,
        kBoxCount = 20,
    };
    // The captions Lab(k): the lines' heads and tails, then each segment's end.
    enum S01Label {
        kDocumentHead = 0,
        kParcelHead = 1,
        kHeavyHead = 2,
        kDocumentFirstTail = 3,
        kDocumentStepTail = 4,
        kParcelFirstTail = 5,
        kParcelStepTail = 6,
        kSegmentEndBase = 6, // segment k (from 1) ends at Lab(kSegmentEndBase + k)
        kLabelCount = 22,
    };

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
