#include "accounts_fixture.h"

#include "accounts/rekuanfrm.h"

#include <QAction>
#include <QLabel>

namespace {

class KuanMxTest : public AccountsTest {
protected:
    // The document numbers the grid lists, total rows left out.
    static QStringList documents(LedgerReport* w)
    {
        QStringList out;
        for (int r = 1; r < w->grid()->rows(); ++r)
            if (!w->grid()->textMatrix(r, 2).isEmpty())
                out << w->grid()->textMatrix(r, 2);
        return out;
    }
};

} // namespace

TEST_F(KuanMxTest, ListsOperatorsEntriesOfItsSideWithinBothDaysOnly)
{
    const struct {
        const char* no;
        int lb;
        const char* date;
        const char* f6;
        int k;
        bool listed;
    } rows[] = {
        {"FIRST-DAY", -9, "2024-03-01", "管理员", 0, true},
        {"LAST-DAY", -10, "2024-03-31 18:30:00", "管理员", 0, true},
        {"DAY-BEFORE", -9, "2024-02-29", "管理员", 0, false},
        {"DAY-AFTER", -9, "2024-04-01", "管理员", 0, false},
        {"NO-OPERATOR", -9, "2024-03-05", "", 0, false},
        {"K-SET", -9, "2024-03-05", "管理员", 1, false},
        {"PAYABLE", 9, "2024-03-05", "管理员", 0, false},
    };
    double sn = 31;
    for (const auto& r : rows)
        ledgerRow(r.no, r.lb, r.date, "Alpha", sn += 2, 10, 0, r.f6, r.k);
    Db().execute("insert into TB1 (F1,LB,F2,F3,SN,YF,FK,K) values ('NULL-OPERATOR',-9,'2024-03-05','Alpha',99,1,0,0)");

    auto* w = open<KuanMx>(-10);
    run(w, "2024-03-01", "2024-03-31");
    QStringList expected;
    for (const auto& r : rows)
        if (r.listed)
            expected << r.no;
    EXPECT_EQ(documents(w), expected);
}

TEST_F(KuanMxTest, FiltersByTheWholePartyNameAsAPattern)
{
    const QStringList parties{"A.B", "A.B公司", "Alpha", "O’Brien", "Zeta"};
    double sn = 31;
    for (const QString& p : parties)
        ledgerRow("D-" + p, -9, "2024-03-04", p, sn += 2, 5, 0);
    auto* w = open<KuanMx>(-10);
    const struct {
        const char* typed;
        QStringList listed;
        const char* filter; // the Txt under the list
    } cases[] = {
        {"A.B", {"D-A.B"}, "A.B"},
        {"  O'Brien  ", {"D-O’Brien"}, "O’Brien"},
        {"O’Brien", {"D-O’Brien"}, "O’Brien"},
        {"A*", {"D-A.B", "D-A.B公司", "D-Alpha"}, "A*"},
        {"所有关系单位", {"D-A.B", "D-A.B公司", "D-Alpha", "D-O’Brien", "D-Zeta"}, ""},
        {"", {"D-A.B", "D-A.B公司", "D-Alpha", "D-O’Brien", "D-Zeta"}, ""},
    };
    for (const auto& c : cases) {
        run(w, "2024-03-01", "2024-03-31", c.typed);
        EXPECT_EQ(documents(w), c.listed) << c.typed;
        EXPECT_EQ(w->findChild<QLineEdit*>("Txt")->text(), c.filter) << c.typed;
    }
}

TEST_F(KuanMxTest, AListedPartyWhoseNameHoldsPatternCharactersIsFoundWhole)
{
    // Names the list offers are matched as written, never as a pattern.
    const QStringList listed{"[VIP]客户", "No#1", "A*B", "50%--;"};
    int code = 0;
    for (const QString& p : listed)
        customer(QStringLiteral("K%1").arg(++code), p);
    const QStringList parties = listed + QStringList{"V客户", "No51", "AxB", "50%--;x"};
    double sn = 31;
    for (const QString& p : parties)
        ledgerRow("D-" + p, -9, "2024-03-04", p, sn += 2, 5, 0);
    auto* w = open<KuanMx>(-10);
    for (const QString& p : listed) {
        run(w, "2024-03-01", "2024-03-31", p);
        EXPECT_EQ(documents(w), QStringList{"D-" + p}) << p.toStdString();
    }
    // A pattern typed by hand still selects by pattern.
    run(w, "2024-03-01", "2024-03-31", "No#*");
    EXPECT_EQ(documents(w), QStringList{"D-No51"});
}

TEST_F(KuanMxTest, EmptyPeriodShowsNoInformationAndAGroupWithoutPartyStillTotals)
{
    ledgerRow("P1", 9, "2024-03-02", "", 31, 40, 0);
    ledgerRow("P2", 9, "2024-03-03", "渠道甲", 33, 60, 0);
    auto* w = open<KuanMx>(10);
    run(w, "2023-01-01", "2023-01-31");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"|||||||||"}));
    EXPECT_EQ(host.panels[4], "无信息");

    run(w, "2024-03-01", "2024-03-31");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"||P1||||0.00|40.00||0.00", "||| 合  计 |||0.00|40.00|0.00|0.00",
                                                 "渠道甲||P2||||0.00|60.00||0.00", "渠道甲||| 合  计 |||0.00|60.00|0.00|0.00",
                                                 "|||||||||"}));
    // Total rows are shaded from the document column on.
    EXPECT_EQ(w->grid()->cellBackColor(2, 2), QColor(192, 255, 255));
    EXPECT_EQ(w->grid()->cellBackColor(2, 9), QColor(192, 255, 255));
    EXPECT_NE(w->grid()->cellBackColor(2, 1), QColor(192, 255, 255));
    EXPECT_NE(w->grid()->cellBackColor(1, 2), QColor(192, 255, 255));
    // A click on the empty last row goes back to row 1.
    w->grid()->setRow(5);
    w->ShowPosition();
    EXPECT_EQ(host.panels[4], "进出流水帐：共 4 条记录 当前为第 1 条");
}

TEST_F(KuanMxTest, PrintWritesEveryRowButTheLastAndNamesTheSide)
{
    const struct {
        int lb;
        const char* party;
        QStringList formulas;
        QStringList plist;
    } sides[] = {
        {10, "渠道甲",
         {"Cpt='应付款明细帐'", "khbm='供货商编号：'", "rq='2024-03-01 - 2024-03-31'"},
         {"0001|渠道甲||P1|增加应付|||0.00|100.00||100.00|1", "0002|渠道甲||P2|付款|||||60.00|40.00|2",
          "0003|渠道甲||| 合  计 |||0.00|100.00|60.00|40.00|3"}},
        {-10, "O'Brien",
         {"Cpt='应收款明细帐'", "khbm='客户编号：'", "rq='2024-03-01 - 2024-03-31'"},
         {"0001|O'Brien||P1|增加应收|||0.00|100.00||100.00|1", "0002|O'Brien||P2|收款|||||60.00|40.00|2",
          "0003|O'Brien||| 合  计 |||0.00|100.00|60.00|40.00|3"}},
    };
    for (const auto& s : sides) {
        Db().execute("delete from TB1");
        const int added = s.lb > 0 ? 9 : -9;
        ledgerRow("P1", added, "2024-03-02", s.party, 31, 100, 0);
        ledgerRow("P2", s.lb, "2024-03-03", s.party, 33, 0, 60);
        Db().execute("update TB1 set S2=" + SqlQuote(LedgerKindOf(added).business) + " where F1='P1'");
        Db().execute("update TB1 set S2=" + SqlQuote(LedgerKindOf(s.lb).business) + " where F1='P2'");
        RunWrite("", [&] { RecalcBalances(0, s.party); });
        auto* w = open<KuanMx>(s.lb);
        run(w, "2024-03-01", "2024-03-31");
        trigger(w, "Menu_print");
        EXPECT_EQ(scratch("Plist", "F0,F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,V1"), s.plist);
        EXPECT_EQ(reportFile(), "kuanmx.rpt");
        EXPECT_EQ(formulas(), s.formulas);
        EXPECT_EQ(missingOnPage({s.formulas[0].mid(5, 6), "期间：2024-03-01 - 2024-03-31", s.party, "P2", "本单位合计",
                                 "40.00"}),
                  QStringList());
        keepPng(s.lb > 0 ? "kuanmx-payable" : "kuanmx");
        w->close();
    }
}

TEST_F(KuanMxTest, OpensOnItsSideAndIsSetUpAnewForTheOther)
{
    customer("C2", "客户乙");
    customer("C1", "客户甲");
    channel("Q1", "渠道甲");
    auto* w = open<KuanMx>(-10);
    const QDate today = QDate::currentDate();
    auto* from = w->findChild<QDateEdit*>("DTP(0)");
    auto* to = w->findChild<QDateEdit*>("DTP(1)");
    auto* list = w->findChild<QComboBox*>("Cmb");
    EXPECT_EQ(w->windowTitle(), "应收帐款明细");
    EXPECT_EQ(from->date(), QDate(today.year(), today.month(), 1).addDays(-1));
    EXPECT_EQ(to->date(), today);
    EXPECT_EQ(w->findChild<QLabel*>("LabDW")->text(), "关系单位");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "所有关系单位");
    EXPECT_EQ(list->itemText(1), "客户甲");
    EXPECT_EQ(w->grid()->rowTexts(0).mid(6), QStringList({"期初应收", "本期增加应收", "本期已收", "期末应收"}));
    for (const char* menu : {"Menu_Sort", "Menu_M"})
        EXPECT_FALSE(w->findChild<QAction*>(menu)->isEnabled()) << menu;
    EXPECT_EQ(w->grid()->colWidth(1), 0);
    EXPECT_EQ(w->grid()->colWidth(4), 0);

    // The same side again keeps what the operator set.
    from->setDate(QDate(2020, 1, 1));
    w->openAs(-10, "应收帐款明细");
    EXPECT_EQ(from->date(), QDate(2020, 1, 1));

    w->openAs(10, "应付帐款明细");
    EXPECT_EQ(w->LB, 10);
    EXPECT_EQ(w->windowTitle(), "应付帐款明细");
    EXPECT_EQ(from->date(), QDate(today.year(), today.month(), 1).addDays(-1));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), "渠道甲");
    EXPECT_EQ(w->grid()->rowTexts(0).mid(6), QStringList({"期初应付", "本期增加应付", "本期已付", "期末应付"}));
}

TEST_F(KuanMxTest, OnlyTheAdministratorMaintainsAndExportTakesTheGrid)
{
    customer("C1", "客户甲");
    gUserCode = "002";
    auto* other = open<KuanMx>(-10);
    EXPECT_FALSE(other->findChild<QAction*>("Menu_Weihu")->isEnabled());
    other->close();

    gUserCode = "001";
    auto* w = open<KuanMx>(-10);
    QComboBox* given = nullptr;
    int side = 0;
    modal->on("ReKuanFrm", [&](QDialog& d) {
        auto& f = static_cast<ReKuanFrm&>(d);
        given = f.tmpCmb;
        side = f.LB;
        EXPECT_EQ(f.windowTitle(), "刷新明细帐");
        d.reject();
    });
    trigger(w, "Menu_Weihu");
    EXPECT_EQ(given, w->findChild<QComboBox*>("Cmb"));
    EXPECT_EQ(side, -10);

    EXPECT_EQ(exportedGrid(w), w->grid());
}
