#pragma once
#include "pricing/zone_window.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The zones of each shipping channel with the channel's cost prices
// ("出货渠道区域成本", tables M011 and M0111): the channel CmbLB, code, names,
// delivery days, remark, four first/step costs and ten heavy-segment costs
// along the channel's own standard, a flag Chk(13)..Chk(22) per segment, the
// segment count TxtD saved as P3, and the places.
class A011 : public ZoneWindow {
    Q_OBJECT
public:
    // Its own boxes Txt(k), beside the zone's (the channel is CmbLB).
    enum A011Box { kChannel = 2, kEnglishName = 3, kDays = 4, kRemark = 5, kLastCost = 22 };

    explicit A011(QWidget* parent = nullptr);

    void Menu_Add_Click() override;
    void Menu_edit_Click() override;

    // The first/step captions and boxes and the segment captions of a channel.
    void LoadChannelCaptions(const QString& channelCode);
    // The focus leaves the channel list while adding or editing: the
    // channel's segments are shown and counted; an empty zone code takes the
    // channel code's first character.
    void CmbLB_Validate();
    void CmbLB_LostFocus();

    QLineEdit* TxtD;
    QComboBox* CmbLB;

protected:
    void recordShown() override;
    void fieldLeft(const Field& f) override;
    bool checkEntries() override;
    QStringList storedValues(const QStringList& values) const override;
    QList<StoredColumn> extraColumns() const override;
    QStringList gridRowCells(const QStringList& values) const override;
    void fillSearchFields(Query& q) override;
    QString searchStatement(const QString& found) const override;

private:
    void showSegments(int count);

    QLabel* Label1;
    int m_channelField = -1;
    QString m_channelCode; // the checked channel of the save in progress
};
