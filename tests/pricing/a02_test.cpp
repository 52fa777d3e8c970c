#include "pricing_fixture.h"

#include "customers/a03.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "pricing/a011.h"
#include "pricing/a02.h"
#include "pricing/place_editor.h"
#include "pricing/world_maps.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

class A02Test : public PricingTest {
protected:
    A02* openA02()
    {
        A02* w = open<A02>();
        w->resize(760, 560);
        return w;
    }
};

TEST_F(A02Test, PriceCaptionsFollowThePricingStandard)
{
    struct Case {
        QString update;   // applied to MS1 ("" keeps the fresh row, "none" removes it)
        int lab;
        QString caption;
    } cases[] = {
        {"none", 9, "文件首0.5Kg"},    {"none", 16, "101Kg~~200Kg"}, {"none", 27, "201Kg以上"},
        {"", 13, "21Kg~~45Kg"},       {"", 14, "46Kg~~70Kg"},       {"", 15, "71Kg~~100Kg"},
        {"", 16, "101Kg~~200Kg"},     {"", 12, "小包裹续0.5Kg"},     {"F1=1", 9, "文件首1.0Kg"},
        {"F1=Null", 9, "文件首0.5Kg"}, {"F19=300", 27, "300Kg以上"},   {"F5=20.5", 13, "20.5Kg~~45Kg"},
        {"F6=Null", 13, "21Kg~~-1Kg"},
    };
    for (const Case& c : cases) {
        Db().execute("delete from MS1");
        Db().execute("insert into MS1 (F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888) "
                     "values (0.5,0.5,0.5,0.5,21,46,71,101,201,201,201,201,201,201,201,201,201,201,201,1.5)");
        if (c.update == "none")
            Db().execute("delete from MS1");
        else if (!c.update.isEmpty())
            Db().execute("update MS1 set " + c.update);
        A02 w;
        w.formLoad();
        EXPECT_EQ(lab(&w, c.lab)->text(), c.caption) << c.update.toStdString() << " Lab " << c.lab;
    }
}

TEST_F(A02Test, ListShowsCodeNamesDaysRemarkAndCarriesThePrices)
{
    zone("B2", "华北");
    zone("A1", "华东");
    A02* w = openA02();
    GrabToPng(w, "A02_list");
    EXPECT_EQ(w->windowTitle(), "本公司速递区域资料与报价");
    FlexGrid* g = grid(w);
    EXPECT_EQ(g->cols(), 25);
    EXPECT_EQ(gridRow(w, 0, 5), "区域编号|区域概称(中文)|区域概称(英文)|送达时日|备注");
    EXPECT_EQ(gridRow(w, 1, 10), "A1|华东|Zone A1|3||10||||7");
    EXPECT_GT(g->colWidth(4), 0);
    EXPECT_EQ(g->colWidth(5), 0);
    EXPECT_EQ(ExportColumns(*g), QList<int>({0, 1, 2, 3, 4}));
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->menuAction()->text();
    EXPECT_EQ(bar, QStringList({"&A.增加", "&E.修改", "&D.删除", "&Q.查找", "&P.打印", "&S.保存", "&C.取消",
                                "&T.导出数据", "&R.返回"}));
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 1 条");
}

TEST_F(A02Test, DetailPageShowsPricesScopeAndPlacesAndAClickSwapsTheMaps)
{
    const QString scopes[] = {"国内", "国外", "", "abc"}; // only "国内" is domestic
    for (int i = 0; i < 4; ++i)
        zone(QStringLiteral("A%1").arg(i), "华东", scopes[i]);
    Db().execute("update M02 set P102=1.25 where F1='A0'");
    place("M021", "A0", "上海", "Shanghai");
    place("M021", "A0", "杭州");
    A02* w = openA02();
    QTabBar* tabs = w->findChild<QTabBar*>("TabS");
    QStringList shown;
    for (int r = 4; r >= 1; --r) {
        tabs->setCurrentIndex(0);
        grid(w)->setRow(r);
        tabs->setCurrentIndex(1);
        shown << combo(w, "cmbFw")->currentText();
    }
    EXPECT_EQ(shown, QStringList({"国外", "国外", "国外", "国内"}));
    GrabToPng(w, "A02_detail");
    EXPECT_TRUE(combo(w, "cmbFw")->isHidden() && lab(w, "Labfw")->isHidden());
    EXPECT_EQ(QStringList({box(w, 9)->text(), box(w, 10)->text(), box(w, 13)->text()}), QStringList({"10.0", "1.3", "7"}));
    EXPECT_EQ(w->placeEditor()->GDdq->rows(), 4);

    WorldMaps* maps = w->worldMaps();
    EXPECT_EQ(maps->ImgMap[0]->size(), QSize(224, 160));
    EXPECT_TRUE(maps->ImgMap[1]->isHidden());
    maps->ImgMap_Click(0);
    EXPECT_TRUE(maps->ImgMap[0]->isHidden() && !maps->ImgMap[1]->isHidden());
    maps->ImgMap_Click(1);
    EXPECT_FALSE(maps->ImgMap[0]->isHidden());
}

TEST_F(A02Test, AddTakesCapitalsPrefillsNamesAndAppendsTheSavedZone)
{
    zone("Z1", "已有");
    A02* w = openA02();
    activate(w);
    trigger(w, "Menu_Add");
    EXPECT_FALSE(combo(w, "cmbFw")->isHidden());
    EXPECT_FALSE(w->placeEditor()->FrmEddq->isHidden());
    type(box(w, 0), "ab1xxxxxyz");
    EXPECT_EQ(box(w, 0)->text(), "AB1XXXXX"); // capitals, eight at most
    clearBox(box(w, 0));
    type(box(w, 0), "ab1");
    box(w, 1)->setFocus();
    EXPECT_EQ(box(w, 1)->text(), "区域AB1");
    box(w, 2)->setFocus();
    EXPECT_EQ(box(w, 2)->text(), "Zone AB1");
    set(w, 2, "Xi'an");
    box(w, 6)->setFocus(); // the first place starts from the zone's names
    EXPECT_EQ(box(w, 6)->text(), "区域AB1");
    EXPECT_EQ(box(w, 7)->text(), "Xi'an");
    w->placeEditor()->Cmd_Click(PlaceEditor::kAdd);
    set(w, 3, "2天");
    set(w, 4, "O'Brien");
    set(w, 9, "12.5");
    combo(w, "cmbFw")->setCurrentIndex(0);
    GrabToPng(w, "A02_add");
    trigger(w, "Menu_save");

    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F2,F3,F4,F6,F8,P101,P315 from M02 where F1='AB1'"),
              "区域AB1|国内|Xi'an|2|O'Brien|12.5|0");
    EXPECT_EQ(FirstColumn("select F1 || '/' || F2 from M021 where F0='AB1'"), QStringList({"区域AB1/Xi'an"}));
    EXPECT_EQ(gridRow(w, 2, 6), "AB1|区域AB1|Xi'an|2|O'Brien|12.5"); // at the end, unsorted
    EXPECT_EQ(w->curRow(), 2);
    EXPECT_EQ(grid(w)->row(), 2);
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 2 条");
}

TEST_F(A02Test, SaveRefusalsStoreNothingAndKeepTheMode)
{
    zone("Z1", "华东");
    struct Case {
        QString code, name;
        bool place;
        int priceBox;
        QString price, message;
    } cases[] = {
        {"", "n", true, 9, "", "区域编号不能为空!"},
        {"N1", " ", true, 9, "", "区域概称(中文)不能为空!"},
        {"N1", "n", false, 9, "", "请输入该区域包含的具体地区名！"},
        {"N1", "n", true, 9, "-1", "价格不能为负值！"},
        {"N1", "n", true, 27, "-0.5", "价格不能为负值！"},
        {"z1", "n", true, 9, "", "[华东]已经使用了Z1这个编号，请重新设置编号!"},
    };
    A02* w = openA02();
    for (const Case& c : cases) {
        trigger(w, "Menu_Add");
        type(box(w, 0), c.code);
        set(w, 1, c.name);
        if (c.place)
            addPlace(w->placeEditor(), "P");
        set(w, c.priceBox, c.price);
        expectRefusedSave(w, c.message, 1);
        EXPECT_EQ(count("select count(*) from M02"), 1);
        EXPECT_EQ(count("select count(*) from M021"), 0);
        trigger(w, "Menu_cancel");
    }
}

TEST_F(A02Test, RenamingMovesThePlacesAndLeavesQuotesAndWaybills)
{
    zone("Z1", "华东");
    zone("Z2", "华南");
    place("M021", "Z1", "上海");
    place("M021", "Z1", "南京");
    place("M021", "Z2", "广州");
    Db().execute("insert into M031 (F0,F1,F2) values ('C1','Z1',5)");
    waybill("W1", "F203", "Z1");
    A02* w = openA02();
    trigger(w, "Menu_edit");
    EXPECT_FALSE(box(w, 0)->isReadOnly()); // a zone code is never locked
    clearBox(box(w, 0));
    type(box(w, 0), "z9");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstColumn("select F1 from M02 order by F1"), QStringList({"Z2", "Z9"}));
    EXPECT_EQ(FirstColumn("select F0 || F1 from M021 order by rowid"), QStringList({"Z2广州", "Z9上海", "Z9南京"}));
    EXPECT_EQ(GetStr("select F1 from M031"), "Z1");
    EXPECT_EQ(GetStr("select F203 from B01"), "Z1");
    EXPECT_EQ(gridRow(w, 2, 2), "Z9|华东"); // moved to the end
    EXPECT_EQ(w->curRow(), 2);

    // Under its own code: the row and its places are written anew.
    trigger(w, "Menu_edit");
    addPlace(w->placeEditor(), "苏州");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstColumn("select F1 from M021 where F0='Z9' order by rowid"), QStringList({"上海", "南京", "苏州"}));
    EXPECT_EQ(count("select count(*) from M02"), 2);
}

TEST_F(A02Test, AFailedSaveKeepsTheOldZoneWholeAndTheTypedInput)
{
    zone("Z1", "华东");
    place("M021", "Z1", "上海");
    refuseInserts("M021");
    A02* w = openA02();
    trigger(w, "Menu_edit");
    set(w, 1, "新名称");
    expectRefusedSave(w, "保存失败!系统返回如下信息：", 2);
    EXPECT_EQ(box(w, 1)->text(), "新名称");
    EXPECT_EQ(GetStr("select F2 from M02 where F1='Z1'"), "华东");
    EXPECT_EQ(FirstColumn("select F1 from M021"), QStringList({"上海"}));
}

TEST_F(A02Test, ATabInAZoneNameStaysInItsCellThroughEditsAndQuotes)
{
    zone("Z1", "华东");
    Db().execute("update M02 set P101=10,P102=9,P201=8,P202=7,P301=6 where F1='Z1'");
    place("M021", "Z1", "上海");
    A02* w = openA02();
    trigger(w, "Menu_edit");
    set(w, 1, "华东\tEast China"); // pasted from a spreadsheet
    trigger(w, "Menu_save");
    EXPECT_EQ(gridRow(w, 1, 6), "Z1|华东\tEast China|Zone Z1|3||10");
    // The next edit reads the listed row back into the boxes.
    trigger(w, "Menu_edit");
    trigger(w, "Menu_save");
    const QString prices = "10|9|8|7|6";
    EXPECT_EQ(FirstRecord("select F2,F4,F6,P101,P102,P201,P202,P301 from M02"), "华东\tEast China|Zone Z1|3|" + prices);

    A03* customers = open<A03>();
    customers->resize(1100, 720);
    trigger(customers, "Menu_Add");
    type(box(customers, 0), "C1");
    set(customers, 1, "客户一");
    customers->findChild<QLineEdit*>("TxtHPBM")->setText("Z1");
    customers->findChild<QLineEdit*>("TxtSL")->setText("1");
    customers->findChild<QPushButton*>("CmdEnter")->click();
    trigger(customers, "Menu_save");
    EXPECT_EQ(FirstRecord("select F2,F3,F4,F5,F6 from M031 where F1='Z1'"), prices);
}

TEST_F(A02Test, APriceLeftAsShownKeepsItsStoredValueAndATypedOneIsTakenAsTyped)
{
    zone("Z1", "华东");
    Db().execute("update M02 set P101=11.55,P102=0.25,P201=7.05 where F1='Z1'");
    place("M021", "Z1", "上海");
    A02* w = openA02();
    trigger(w, "Menu_edit");
    EXPECT_EQ(box(w, 9)->text(), "11.6");
    set(w, 4, "新电话"); // an unrelated change
    set(w, 11, "7.15");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select P101,P102,P201,F8 from M02"), "11.55|0.25|7.15|新电话");
}

TEST_F(A02Test, DeleteRemovesTheZoneAndItsPlacesOnly)
{
    zone("Z1", "华东");
    zone("Z2", "华南");
    place("M021", "Z1", "上海");
    place("M021", "Z2", "广州");
    Db().execute("insert into M031 (F0,F1,F2) values ('C1','Z1',5)");
    waybill("W1", "F203", "Z1");
    gUserCode = "002"; // no test of use: anyone may delete
    A02* w = openA02();
    msgs->expect("真的要删除华东吗?", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M02"), 2);
    msgs->expect("真的要删除华东吗?", vbBtn::Yes);
    trigger(w, "Menu_del");
    EXPECT_EQ(FirstColumn("select F1 from M02"), QStringList({"Z2"}));
    EXPECT_EQ(FirstColumn("select F1 from M021"), QStringList({"广州"}));
    EXPECT_EQ(count("select count(*) from M031"), 1);
    EXPECT_EQ(count("select count(*) from B01"), 1);

    msgs->expect("真的要删除华南吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(gridRow(w, 1, 2), "|");
    trigger(w, "Menu_del"); // an empty list: nothing, no question
    EXPECT_EQ(msgs->pending(), 0);
}

TEST_F(A02Test, SearchOffersFiveFieldsStartingOnTheEnglishName)
{
    zone("Z1", "华东");
    zone("Z2", "华南");
    A02* w = openA02();
    const SearchOffer offer = search(w, [](Query& q) {
        q.CmbF->setCurrentIndex(1);
        q.Txt->setText("华南");
        q.addCondition();
        q.runQuery();
    });
    EXPECT_EQ(offer.captions, QStringList({"区域编号", "区域概称(中文)", "区域概称(英文)", "送达时日", "备注"}));
    EXPECT_EQ(offer.start, 2);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(gridRow(w, 1, 2), "Z2|华南");

    search(w); // cancelled: the list stays
    EXPECT_EQ(gridRow(w, 1, 2), "Z2|华南");
    trigger(w, "Menu_print"); // does nothing
}

TEST_F(A02Test, PrintStartsOutOfUseAndFollowsBrowsingAfterTheFirstReturn)
{
    zone("Z1", "华东");
    A02* w = openA02();
    QAction* print = w->findChild<QAction*>("Menu_print");
    QStringList states;
    states << (print->isEnabled() ? "on" : "off");
    trigger(w, "Menu_edit");
    states << (print->isEnabled() ? "on" : "off");
    trigger(w, "Menu_cancel");
    states << (print->isEnabled() ? "on" : "off");
    trigger(w, "Menu_Add");
    states << (print->isEnabled() ? "on" : "off");
    EXPECT_EQ(states, QStringList({"off", "off", "on", "off"}));
}

TEST_F(A02Test, ARefusedListStatementInEitherZoneWindowShowsTheEnginesTextAlone)
{
    zone("Z1", "华东");
    channel("A", "快递A");
    channelZone("A1", "华南", "A");
    for (ListFrame* w : {static_cast<ListFrame*>(openA02()), static_cast<ListFrame*>(open<A011>())}) {
        const QString listed = gridRow(w, 1, 3);
        msgs->expect("no such column");
        w->FillGrid("select F99 from M02");
        EXPECT_TRUE(msgs->last().text.startsWith("no such column")); // nothing in front
        EXPECT_EQ(gridRow(w, 1, 3), listed);
    }
}
