#pragma once
#include "dialogs/listframe.h"

// The shipping channels and their charging standard ("出货渠道计价标准",
// table M01): number, name, remark, the first and step weights of documents
// and parcels, and up to ten heavy segments given by their start weights.
// A channel that waybills or channel zones use keeps its number and may be
// deleted only by the administrator, its waybills and zones with it.
class A01 : public ListFrame {
    Q_OBJECT
public:
    // The boxes Txt(k): number, name, remark, the four first and step
    // weights (D0, D1, S0, S1), the segment count, the ten segment starts.
    enum A01Box {
        kCode = 0,
        kName = 1,
        kRemark = 2,
        kFirstWeight = 3,
        kCountBox = 7,
        kFirstSegment = 8, // segment k (from 1) starts in Txt(kCountBox + k)
        kLastSegment = 17,
    };

    explicit A01(QWidget* parent = nullptr);

    void Menu_Add_Click() override;
    // A delete from the detail page leaves it showing the record now current.
    void Menu_del_Click() override;

    // The segment count becomes a whole number 0-10 and shows that many
    // segment boxes; leaving the box then moves on to the first segment.
    void Txt_Validate(int index);
    // A segment start not above the one before it is raised 2 Kg above it.
    void Txt_LostFocus(int index);

protected:
    QString shownText(const Field& f, const QString& stored) const override;
    void recordShown() override;
    void fieldEntered(const Field& f) override;
    void fieldLeft(const Field& f) override;
    bool checkEntries() override;
    QStringList entryValues() const override;
    QString duplicateMessage(const QString& typedKey) const override;
    QString deleteQuestion(const QString& name) const override;
    void purgeReferences(const QString& key) override;
    void fillSearchFields(Query& q) override;

private:
    // Shows segments 1..count (boxes and labels) and hides the rest.
    void showSegmentCount(int count);
    int normaliseCount();
};
