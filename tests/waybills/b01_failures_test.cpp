// The waybill save and the computed boxes when the file cannot answer.
#include "waybill_fixture.h"

#include "platform/flexgrid.h"
#include "support/failing_reads.h"

#include <QLineEdit>

using namespace WaybillBox;

TEST_F(WaybillTest, AFailedLookUpStopsTheSaveWithOnlyItsOwnBox)
{
    storeWaybill("W001", "未出货");
    // The customer's and the channel's checks, the number check (the number
    // taken), the field staff's remark the entries carry.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"M03", "F2", "W002"}, {"M01", "F2", "W002"}, {"B01", "F1", "W001"}, {"M04", "F2", "W002"}};
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    Entry e;
    e.shipped = true;
    fill(w, e);
    for (const auto& [table, column, number] : cases) {
        SCOPED_TRACE(table);
        box(w, kNumber)->setText(number);
        msgs->clear();
        msgs->expect(QString(table) + "." + column);
        {
            FailingReads failing(table, column);
            trigger(w, "Menu_save");
        }
        EXPECT_EQ(msgs->count(), 1);
        EXPECT_EQ(w->editMode(), 1);
        EXPECT_EQ(count("select count(*) from B01"), 1);
        EXPECT_EQ(count("select count(*) from TB1"), 0);
    }
}

TEST_F(WaybillTest, AFailedStatusLookUpStopsTheShipWithOnlyItsOwnBox)
{
    storeWaybill("W001", "未出货");
    B01* w = openWindow();
    msgs->expect("B01.F604");
    {
        FailingReads failing("B01", "F604");
        trigger(w, "Menu_Check");
    }
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(Records("select F604 from B01"), QStringList({"未出货"}));
    EXPECT_EQ(grid(w)->textMatrix(1, 0), "W001");
}

TEST_F(WaybillTest, EntriesArePostedUnderTheNamesTheirChecksRead)
{
    // Each name can be read once: a second look-up would fail.
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    Entry e;
    e.shipped = true;
    fill(w, e);
    {
        FailingReads customer("M03", "F2", 1);
        FailingReads channel("M01", "F2", 1);
        trigger(w, "Menu_save");
    }
    EXPECT_EQ(Records("select F1,F3 from TB1 order by SN"), QStringList({"YSW001|甲公司", "YFW001|快运"}));
}

TEST_F(WaybillTest, AFeeOrCostThatCannotBeWorkedOutCanBeTyped)
{
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    Entry e;
    e.total = "20";
    e.cost = "30";
    fill(w, e);
    // The pricing standard, and the channel's charging standard.
    for (const auto& [k, table, column] : {std::tuple{kBasicFee, "MS1", "F1"}, std::tuple{kCost, "M01", "D0"}}) {
        msgs->expect(QString(table) + "." + column);
        FailingReads failing(table, column);
        enter(w, k);
        EXPECT_FALSE(box(w, k)->isReadOnly()) << k;
    }
}
