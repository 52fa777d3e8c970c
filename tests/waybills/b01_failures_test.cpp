// The waybill save and the computed boxes when the file cannot answer.
#include "waybill_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "support/failing_reads.h"

#include <QLineEdit>

namespace {
const QString kGetStrFailure = QStringLiteral("GetStr执行错误!系统返回如下信息：");
} // namespace

TEST_F(WaybillTest, AFailedLookUpStopsTheSaveWithOnlyItsOwnBox)
{
    storeWaybill("W001", "未出货");
    struct Case {
        const char* table;
        const char* column;
        const char* number;
        const char* what;
    };
    const Case cases[] = {
        {"M03", "F2", "W002", "the customer's check"},
        {"M01", "F2", "W002", "the channel's check"},
        {"B01", "F1", "W001", "the number check, with the number taken"},
        {"M04", "F2", "W002", "the field staff's remark the entries carry"},
    };
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    Entry e;
    e.shipped = true;
    fill(w, e);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        box(w, 0)->setText(c.number);
        msgs->clear();
        msgs->expect(kGetStrFailure);
        {
            FailingReads failing(c.table, c.column);
            trigger(w, "Menu_save");
        }
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_TRUE(msgs->last().text.contains(QString(c.table) + "." + c.column)) << msgs->last().text.toStdString();
        EXPECT_EQ(w->editMode(), 1);
        EXPECT_EQ(count("select count(*) from B01"), 1);
        EXPECT_EQ(count("select count(*) from TB1"), 0);
    }
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
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join("\n").toStdString();
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(Records("select F1,F3 from TB1 order by SN"), QStringList({"YSW001|甲公司", "YFW001|快运"}));
}

TEST_F(WaybillTest, AFeeOrCostThatCannotBeWorkedOutCanBeTyped)
{
    struct Case {
        int box;
        const char* table;
        const char* column;
    };
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    Entry e;
    e.total = "20";
    e.cost = "30";
    fill(w, e);
    // The pricing standard, and the channel's charging standard.
    for (const Case& c : {Case{26, "MS1", "F1"}, Case{34, "M01", "D0"}}) {
        SCOPED_TRACE(c.box);
        msgs->clear();
        msgs->expect(QString(c.table) + "." + c.column);
        {
            FailingReads failing(c.table, c.column);
            enter(w, c.box);
        }
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_FALSE(box(w, c.box)->isReadOnly());
    }
}
