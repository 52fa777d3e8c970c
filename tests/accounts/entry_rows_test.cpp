// The entry windows change the one ledger row a grid row lists, and never
// take a number that another entry or a waybill's posting holds.
#include "accounts_fixture.h"

#include "support/table_text.h"

#include <cmath>

namespace {

const QDate D(2024, 3, 1);

class EntryRowsTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        customer("C2", "Beta");
        channel("Q1", "渠道甲");
    }
    static QStringList ledgerRows() { return Records("select F1,LB,F3,YF,FK from TB1 order by rowid"); }
};

} // namespace

TEST_F(EntryRowsTest, AnEditOrADeleteChangesTheListedRowAloneAndMendsItsParty)
{
    const struct {
        int lb;
        const char* listed; // the grid row's party, the number being YS1001
        bool remove;
        const char* after; // the chosen row as it is stored afterwards, "" when gone
    } cases[] = {
        {-9, "Beta", true, ""},
        {-9, "Alpha", false, "YS1001|-9|Alpha|25|0"},
        {-10, "Alpha", true, ""},
        {-10, "Alpha", false, "YS1001|-10|Alpha|0|25"},
    };
    for (const auto& c : cases) {
        Db().execute("delete from TB1");
        // One number typed by hand as a receivable and as a receipt, and the
        // receivable of waybill 1001 under the same text, as older files hold them.
        PostLedgerEntry(-9, "YS1001", D, "Alpha", 100);
        PostLedgerEntry(-10, "YS1001", D, "Alpha", 30);
        PostLedgerEntry(-9, "YS1001", D.addDays(1), "Beta", 80);
        PostLedgerEntry(-9, "B", D.addDays(2), "Alpha", 5);
        const QStringList before = ledgerRows();
        LedgerEntryWindow* w = c.lb == -9 ? static_cast<LedgerEntryWindow*>(open<zhLst>(-9)) : open<PayLst>(-10);
        int row = 1;
        while (row < w->grid()->rows() && w->grid()->textMatrix(row, 2) != c.listed)
            ++row;
        ASSERT_EQ(w->grid()->textMatrix(row, 0), "YS1001") << c.listed;
        const QString chosen = w->grid()->rowTexts(row).mid(0, 3).join('|');
        if (c.remove) {
            msgs->expect("真的要删除[YS1001]吗？");
            clickCell(w, row, 0);
            trigger(w, "Menu_del");
        } else {
            clickCell(w, row, 0);
            trigger(w, "Menu_edit");
            for (int i = 0; i < 3; ++i)
                enter(w);
            typeCell(w, "25");
            trigger(w, "Menu_save");
        }
        const QString prefix = QStringLiteral("YS1001|%1|%2|").arg(c.lb).arg(c.listed);
        QStringList expected;
        for (const QString& r : before)
            if (!r.startsWith(prefix))
                expected << r;
            else if (*c.after)
                expected << c.after;
        EXPECT_EQ(ledgerRows(), expected) << chosen.toStdString();
        EXPECT_EQ(ExpectChainsHold(), expected.size()) << chosen.toStdString();
        w->close();
    }
}

TEST_F(EntryRowsTest, AnEntryOfACrowdedGapIsFoundByItsExactSequenceNumber)
{
    // Two numbers that fifteen digits would both show as 100.
    const double crowded = std::nextafter(100.0, 200.0);
    PostLedgerEntry(-9, "A1", D, "Alpha", 10);
    ledgerRow("A2", -9, "2024-03-02", "Alpha", crowded, 5, 0);
    Db().execute("update TB1 set SN=100 where F1='A1'");
    auto* w = open<zhLst>(-9);
    clickCell(w, rowOf(w, "A2"), 0);
    msgs->expect("真的要删除[A2]吗？");
    trigger(w, "Menu_del");
    EXPECT_EQ(Records("select F1,SN from TB1"), QStringList({"A1|100"}));
    EXPECT_EQ(w->listedCount(), 1);
    EXPECT_EQ(ExpectChainsHold(), 1);
}

TEST_F(EntryRowsTest, DeletingTheBlankRowAnEditLeavesBelowTheListDoesNothing)
{
    auto* w = open<zhLst>(-9);
    post(w, "E1", "2024-03-01", "Alpha", 100);
    clickCell(w, 1, 0);
    trigger(w, "Menu_edit");
    typeCell(w, "e9");
    enter(w);
    trigger(w, "Menu_save");
    ASSERT_EQ(w->grid()->rows(), 3);
    // A row stored without a number, as an older file may hold one.
    ledgerRow("", -9, "2024-03-01", "Alpha", 0, 1, 0);
    clickCell(w, 2, 0);
    const QString panel = host.panels[4];
    trigger(w, "Menu_del"); // no question: a strict responder fails on any box
    EXPECT_EQ(host.panels[4], panel);
    EXPECT_EQ(Records("select F1 from TB1 order by F1"), QStringList({"", "E9"}));
    EXPECT_EQ(w->listedCount(), 1);
    EXPECT_EQ(w->grid()->rows(), 3);
    EXPECT_EQ(ExpectChainsHold(), 1);
}

TEST_F(EntryRowsTest, TheSaveRefusesANumberAWaybillHasTakenSinceItWasTyped)
{
    // Waybill W1 is stored unshipped (its receivable only); W2 is saved while
    // the number is being typed.
    Db().execute("insert into B01 (F1) values ('W1')");
    PostLedgerEntry(-9, "YSW1", D, "Alpha", 10);
    const struct {
        int lb;
        const char* number;
        bool edit;
    } cases[] = {
        {9, "YFW1", false},
        {-10, "YSW2", false},
        {-9, "YSW2", true},
    };
    for (const auto& c : cases) {
        Db().execute("delete from B01 where F1='W2'");
        Db().execute("delete from TB1 where F1='YSW2'");
        LedgerEntryWindow* w = c.lb == 9 || c.lb == -9 ? static_cast<LedgerEntryWindow*>(open<zhLst>(c.lb))
                                                        : open<PayLst>(c.lb);
        const QString party = c.lb > 0 ? "渠道甲" : "Alpha";
        if (c.edit) {
            post(w, "E1", "2024-03-02", party, 5);
            clickCell(w, rowOf(w, "E1"), 0);
            trigger(w, "Menu_edit");
            typeCell(w, c.number);
            enter(w);
        } else {
            trigger(w, "Menu_Add");
            typeRow(w, c.number, "2024-03-02", party, "5");
        }
        Db().execute("insert into B01 (F1) values ('W2')");
        PostLedgerEntry(-9, "YSW2", D, "Beta", 20);
        const QStringList before = ledgerRows();
        msgs->expect(QStringLiteral("在系统中，已经采用了[%1]这个单据编号！").arg(c.number));
        trigger(w, "Menu_save");
        EXPECT_EQ(w->Edstu, c.edit ? 2 : 1) << c.number;
        EXPECT_EQ(ledgerRows(), before) << c.number;
        if (!c.edit)
            msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
        trigger(w, "Menu_cancel");
        Db().execute("delete from TB1 where F1='E1'");
        w->close();
    }
    EXPECT_EQ(ExpectChainsHold(), 2);
}
