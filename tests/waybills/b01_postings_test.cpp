// A waybill posts under "YS"/"YF" and its number, and takes no ledger entry
// of another's with its own.
#include "waybill_fixture.h"

#include "data/balance_rewriter.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "support/ledger_check.h"

TEST_F(WaybillTest, ANumberWhosePostingNumberAnEntryHoldsIsRefusedAndWritesNothing)
{
    Db().execute("insert into TB1 (F1,LB,F3,SN,YF) values ('yfw001',9,'快运',1,7)"); // typed by hand first
    B01* w = openWindow();
    msgs->expect("帐款单据[yfw001]已经使用了W001这个速递单号，请重新设置!");
    add(w, Entry{});
    EXPECT_EQ(w->editMode(), 1);
    EXPECT_EQ(count("select count(*) from B01"), 0);
    EXPECT_EQ(count("select count(*) from TB1"), 1);
}

TEST_F(WaybillTest, AnEditOrADeleteTakesTheWaybillsOwnPostingsOnly)
{
    B01* w = openWindow();
    Entry a;
    a.shipped = true;
    add(w, a);
    // Saved again under its own number: its postings are its own.
    trigger(w, "Menu_edit");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from TB1 where F1 like 'Y?W001'"), 2);
    // A receipt typed by hand under the receivable's number, as older files hold one.
    Db().execute("insert into TB1 (F1,LB,F2,F3,SN,FK,F6) values ('YSW001',-10," + SqlQuote(DateText(QDate::currentDate()))
                 + ",'甲公司',40,5,'管理员')");
    RecalcBalances(0, "甲公司");
    trigger(w, "Menu_edit");
    msgs->expect("帐款单据[YSW001]已经使用了W001这个速递单号，请重新设置!");
    trigger(w, "Menu_save");
    trigger(w, "Menu_cancel");
    msgs->expect("真的要删除单号为:W001的单据吗？");
    trigger(w, "Menu_del");
    EXPECT_EQ(Records("select F1,LB,QC,QM from TB1"), QStringList({"YSW001|-10|0|-5"}));
    EXPECT_EQ(ExpectChainsHold(), 1);
}
