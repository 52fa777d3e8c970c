#include "reports_fixture.h"

#include "reports/c01.h"

#include <QLabel>
#include <QMenu>

namespace {

class C01Test : public ReportsTest {
protected:
    C01* openDay()
    {
        customer("C001", "华南贸易");
        customer("C002", "东方电子");
        channel("Q1", "联邦快递");
        channel("Q2", "中外运");
        waybill("W1", "2024-03-05", "C001", {{"F202", "Q1"}, {"F604", "张三"}, {"F301", "D"}, {"F2031", "东京"},
                                              {"F401", 1}, {"F404", 0.5}, {"DF", 0}, {"F2061", "东京商事"}});
        waybill("W2", "2024-03-05", "C002", {{"F202", "Q1"}, {"F604", "李四"}, {"F301", "S"}, {"F2031", "纽约"},
                                              {"F401", 3}, {"F404", 12.5}, {"DF", 88}, {"F103", "加急"}});
        waybill("W3", "2024-03-05", "C001", {{"F202", "Q1"}, {"F604", "未出货"}, {"F401", 9}, {"F404", 9}});
        waybill("W4", "2024-03-05", "C001", {{"F202", "Q1"}, {"F604", "未审核"}, {"F401", 9}, {"F404", 9}});
        waybill("W5", "2024-03-06", "C001", {{"F202", "Q1"}, {"F604", "张三"}, {"F401", 9}, {"F404", 9}});
        waybill("W6", "2024-03-05", "C001", {{"F202", "Q2"}, {"F604", "张三"}, {"F401", 9}, {"F404", 9}});
        C01* w = open<C01>();
        w->findChild<QDateEdit*>("DTP")->setDate(QDate(2024, 3, 5));
        setParty(w, "Q1.联邦快递");
        refresh(w);
        return w;
    }
};

TEST_F(C01Test, ListsTheChannelsShippedWaybillsOfTheDay)
{
    C01* w = openDay();
    EXPECT_EQ(w->windowTitle(), "出货明细");
    EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), "出货日期");
    EXPECT_EQ(w->findChild<QDateEdit*>("DTP(1)"), nullptr);
    FlexGrid* g = grid(w);
    EXPECT_EQ(g->rowTexts(0), QStringList({"运单号", "D/S", "发件公司", "目的地", "件数", "重量", "到付", "备注"}));
    EXPECT_EQ(GridLines(g), QStringList({"W1|D|华南贸易|东京|1|0.5|0|", "W2|S|东方电子|纽约|3|12.5|88|加急",
                                         "||||4|13|88|"}));
    EXPECT_EQ(host.panels[4], "共 3 条记录 当前为第 1 条");
    keepGrab(w, "C01");
}

TEST_F(C01Test, ThreeLayoutsPrintTheWaybillNumbers)
{
    C01* w = openDay();
    QStringList items;
    for (QAction* a : w->findChild<QMenu*>("Menu_P")->actions())
        items << a->objectName() + ":" + a->text();
    EXPECT_EQ(items, QStringList({"menu_P1:普通渠道出货", "Menu_P2:香港联盟出货", "Menu_P3:中外运出货"}));

    struct Layout {
        const char* item;
        const char* file;
        QStringList formulas;
        QStringList texts;
    };
    const Layout layouts[] = {
        {"menu_P1", "prntc011.rpt", {"TOWHO='TO:联邦快递  出货明细 '"},
         {"TO:联邦快递  出货明细 ", "2024-03-05", "W1", "华南贸易", "纽约", "加急", "4", "13.0", "88.00"}},
        {"Menu_P2", "prntc012.rpt", {}, {"香港联盟出货清单", "SHIPMENT MANIFEST", "W2", "纽约", "4", "13.0"}},
        {"Menu_P3", "prntc013.rpt", {}, {"中外运出货交接清单", "W1", "东京商事", "文件", "包裹", "4", "13.0"}},
    };
    for (const Layout& l : layouts) {
        trigger(w, l.item);
        EXPECT_EQ(scratch("PRNTC01", "F1"), QStringList({"W1", "W2", ""})) << l.item;
        EXPECT_EQ(reportFile(), l.file);
        EXPECT_EQ(formulas(), l.formulas) << l.item;
        ASSERT_TRUE(preview()) << l.item;
        EXPECT_EQ(missingOnPage(l.texts), QStringList()) << l.item;
        keepPng(QFileInfo(l.file).completeBaseName());
    }
}

TEST_F(C01Test, ChannelMissingFromTheListStillListsAndHeadsTheListWithoutAName)
{
    customer("C001", "华南贸易");
    waybill("W1", "2024-03-05", "C001", {{"F202", "Q9"}, {"F604", "张三"}, {"F401", 2}, {"F404", 1.5}});
    waybill("W2", "2024-03-05", "NOCUST", {{"F202", "Q9"}, {"F604", "张三"}, {"F401", 9}, {"F404", 9}});
    C01* w = open<C01>();
    w->findChild<QDateEdit*>("DTP")->setDate(QDate(2024, 3, 5));
    setParty(w, "Q9");
    refresh(w);
    // The channel is matched on its code alone; the customer must exist.
    EXPECT_EQ(GridLines(grid(w)), QStringList({"W1||华南贸易||2|1.5||", "||||2|1.5|0|"}));
    // The heading names the refreshed channel, whatever the list shows now.
    setParty(w, "Q1.联邦快递");
    trigger(w, "menu_P1");
    EXPECT_EQ(formulas(), QStringList({"TOWHO='TO:  出货明细 '"}));
    ASSERT_TRUE(preview());
}

TEST_F(C01Test, RefusesBlankChannelAndEmptyPrint)
{
    C01* w = open<C01>();
    msgs->expect("请选择渠道!");
    refresh(w);
    setParty(w, "Q9");
    refresh(w);
    EXPECT_EQ(GridLines(grid(w)), QStringList({"||||0|0|0|"}));
    for (const char* item : {"menu_P1", "Menu_P2", "Menu_P3"}) {
        msgs->expect("无数据可打印");
        trigger(w, item);
    }
    EXPECT_EQ(Prnt::Loaded(), nullptr);
}

} // namespace
