#pragma once
#include "pricing/zone_window.h"

class QLabel;

// The company's zones and its standard price list ("本公司速递区域资料与报价",
// tables M02 and M021): code, names, scope, delivery days, remark, the
// nineteen prices laid out along the pricing standard and the places.
class A02 : public ZoneWindow {
    Q_OBJECT
public:
    // Its own boxes Txt(k), beside the zone's (the scope is cmbFw).
    enum A02Box { kEnglishName = 2, kDays = 3, kRemark = 4, kScope = 5, kLastPrice = 27 };

    explicit A02(QWidget* parent = nullptr);

    void formLoad() override;
    // Price captions from the pricing standard (once per load).
    void LoadStandardCaptions();

protected:
    QString shownText(const Field& f, const QString& stored) const override;
    void prepareEditors(int mode) override;
    void recordShown() override;
    bool checkEntries() override;
    void fillSearchFields(Query& q) override;

private:
    QLabel* Labfw;
};
