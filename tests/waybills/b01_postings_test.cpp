// A waybill posts under "YS"/"YF" and its number, and takes no ledger entry
// of another's with its own.
#include "waybill_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/posting.h"
#include "platform/flexgrid.h"
#include "support/ledger_check.h"

namespace {

QStringList LedgerRows()
{
    return Records("select F1,LB,F3,YF,FK from TB1 order by rowid");
}

void SelectWaybill(FlexGrid* g, const QString& number)
{
    for (int r = 1; r < g->rows(); ++r)
        if (g->textMatrix(r, 0) == number)
            g->setRow(r);
}

} // namespace

TEST_F(WaybillTest, ANumberWhosePostingNumberAnEntryHoldsIsRefusedAndWritesNothing)
{
    const struct {
        const char* docNo;
        int lb;
    } held[] = {{"YSW001", -9}, {"yfw001", 9}, {"YSW001", -10}};
    B01* w = openWindow();
    for (const auto& h : held) {
        Db().execute("delete from TB1");
        PostLedgerEntry(h.lb, h.docNo, QDate::currentDate(), "甲公司", 7);
        const QStringList before = LedgerRows();
        msgs->expect(QStringLiteral("帐款单据[%1]已经使用了W001这个速递单号，请重新设置!").arg(h.docNo));
        add(w, Entry{});
        EXPECT_EQ(w->editMode(), 1) << h.docNo;
        EXPECT_EQ(count("select count(*) from B01"), 0) << h.docNo;
        EXPECT_EQ(LedgerRows(), before) << h.docNo;
        trigger(w, "Menu_cancel");
    }
}

TEST_F(WaybillTest, AnEditOrADeleteTakesTheWaybillsOwnPostingsOnly)
{
    B01* w = openWindow();
    Entry a;
    a.shipped = true;
    add(w, a);
    Entry b;
    b.number = "W002";
    add(w, b);
    // Saved again under its own number: its postings are its own.
    SelectWaybill(grid(w), "W001");
    trigger(w, "Menu_edit");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(count("select count(*) from TB1 where F1 like 'Y?W001'"), 2);

    // A receipt typed by hand under the receivable's number, as older files hold one.
    PostLedgerEntry(kReceiptTaken, "YSW001", QDate::currentDate(), "甲公司", 5);
    SelectWaybill(grid(w), "W001");
    trigger(w, "Menu_edit");
    msgs->expect("帐款单据[YSW001]已经使用了W001这个速递单号，请重新设置!");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 2);
    trigger(w, "Menu_cancel");

    SelectWaybill(grid(w), "W001");
    msgs->expect("真的要删除单号为:W001的单据吗？");
    trigger(w, "Menu_del");
    EXPECT_EQ(LedgerRows(), QStringList({"YSW002|-9|甲公司|20|0", "YSW001|-10|甲公司|0|5"}));
    EXPECT_EQ(ExpectChainsHold(), 2);
}
