#include "pricing_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "pricing/a011.h"
#include "pricing/place_editor.h"
#include "support/failing_reads.h"
#include "support/stored_cells.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabBar>

namespace {

// Which of the ten segment rows show, as "1110000000".
QString ShownSegments(A011* w)
{
    QString out;
    for (int k = 13; k <= 22; ++k)
        out += w->txt(k)->isHidden() || w->chk(k)->isHidden() ? '0' : '1';
    return out;
}

// The zone's insert as the window composed it before its values were
// bound: SQL literals from the boxes, the flags as True and False.
struct ComposingA011 : A011 {
    QString composed;
    bool checkEntries() override
    {
        if (!A011::checkEntries())
            return false;
        // The channel list holds the checked code by now.
        QStringList cols = {"F1", "F2", "F3", "F4", "F6", "F8"};
        QStringList lits = {SqlQuote(TrimBlanks(txt(0)->text())),
                            SqlQuote(TrimBlanks(txt(1)->text())),
                            SqlQuote(TrimBlanks(CmbLB->currentText())),
                            SqlQuote(TrimBlanks(txt(3)->text())),
                            SqlNum(Val(txt(4)->text())),
                            SqlQuote(TrimBlanks(txt(5)->text()))};
        const char* const costs[14] = {"P101", "P102", "P201", "P202", "P300", "P301", "P302",
                                       "P303", "P304", "P305", "P306", "P307", "P308", "P309"};
        for (int i = 0; i < 14; ++i) {
            cols << costs[i];
            lits << SqlNum(Val(txt(9 + i)->text()));
        }
        cols << "P3";
        lits << SqlNum(Val(TxtD->text()));
        for (int k = 1; k <= 10; ++k) {
            cols << QString("A3%1").arg(k - 1);
            lits << (chk(12 + k)->isChecked() ? "True" : "False");
        }
        composed = QString("insert into M011 (%1) VALUES (%2)").arg(cols.join(','), lits.join(','));
        return true;
    }
};

} // namespace

class A011Test : public PricingTest {
protected:
    void SetUp() override
    {
        PricingTest::SetUp();
        // D0, D1, S0, S1, JFD, J0..J9
        channel("A", "快递A", {1, 0.5, 0, 0.5, 3, 21, 31, 201});
        channel("B", "O'Neil", {0.5, 0.5, 0.5, 0.5, 0});
    }
    A011* openA011()
    {
        A011* w = open<A011>();
        w->resize(760, 560);
        return w;
    }
    // Add mode with a channel taken from the list, a code, a name and a place.
    void startZone(A011* w, const QString& channelText, const QString& code, const QString& name)
    {
        trigger(w, "Menu_Add");
        w->CmbLB->setEditText(channelText);
        w->CmbLB_Validate();
        set(w, 0, code);
        set(w, 1, name);
        addPlace(w->placeEditor(), name);
    }
};

TEST_F(A011Test, LeavingTheChannelListCaptionsAndCountsItsSegments)
{
    A011* w = openA011();
    EXPECT_EQ(w->windowTitle(), "出货渠道区域成本");
    QStringList items;
    for (int i = 0; i < w->CmbLB->count(); ++i)
        items << w->CmbLB->itemText(i);
    EXPECT_EQ(items, QStringList({"A.快递A", "B.O'Neil"}));

    struct Case {
        QString text;
        QString shown, count, lab9, lab13, lab14, lab15;
        bool parcelFirstShown;
    } cases[] = {
        {"A.快递A", "1110000000", "3", "文件首 1.0Kg", "21Kg-30Kg", "31Kg-200Kg", "201Kg以上", false},
        {"B", "0000000000", "0", "文件首 1.0Kg", "21Kg-30Kg", "31Kg-200Kg", "201Kg以上", false}, // captions stay
        {"Q.nobody", "0000000000", "0", "文件首 1.0Kg", "21Kg-30Kg", "31Kg-200Kg", "201Kg以上", false},
    };
    trigger(w, "Menu_Add");
    EXPECT_EQ(w->CmbLB->currentText(), "A.快递A");
    EXPECT_EQ(lab(w, 13)->text(), "1");
    EXPECT_EQ(lab(w, 22)->text(), "10");
    for (const Case& c : cases) {
        w->CmbLB->setEditText(c.text);
        w->CmbLB_Validate();
        EXPECT_EQ(ShownSegments(w), c.shown) << c.text.toStdString();
        EXPECT_EQ(w->TxtD->text(), c.count);
        EXPECT_EQ(lab(w, 9)->text(), c.lab9);
        EXPECT_EQ(lab(w, 10)->text(), "文件续 0.5Kg");
        EXPECT_EQ(lab(w, 12)->text(), "小包裹续0.5Kg");
        EXPECT_EQ(lab(w, 13)->text(), c.lab13);
        EXPECT_EQ(lab(w, 14)->text(), c.lab14);
        EXPECT_EQ(lab(w, 15)->text(), c.lab15);
        EXPECT_EQ(!box(w, 11)->isHidden(), c.parcelFirstShown); // S0 = 0: no first-weight cost
    }
    GrabToPng(w, "A011_add");
}

TEST_F(A011Test, AnEmptyZoneCodeTakesTheChannelsFirstCharacter)
{
    A011* w = openA011();
    trigger(w, "Menu_Add");
    w->CmbLB_LostFocus();
    EXPECT_EQ(box(w, 0)->text(), "A");
    set(w, 0, "XY");
    w->CmbLB->setCurrentIndex(1);
    w->CmbLB_LostFocus();
    EXPECT_EQ(box(w, 0)->text(), "XY");

    // Both run as the focus leaves the list.
    activate(w);
    set(w, 0, "");
    w->CmbLB->setCurrentIndex(0);
    w->CmbLB->setFocus();
    box(w, 1)->setFocus();
    EXPECT_EQ(box(w, 0)->text(), "A");
    EXPECT_EQ(w->TxtD->text(), "3");
}

TEST_F(A011Test, SaveStoresTheChannelCodeCostsCountAndFlagsAndListsTheZone)
{
    A011* w = openA011();
    startZone(w, "A.快递A", "A1", "华东");
    set(w, 3, "East");
    set(w, 4, "3");
    set(w, 9, "12");
    set(w, 13, "8.5");
    set(w, 22, ""); // hidden and empty: 0
    w->chk(13)->setChecked(true);
    w->chk(14)->setChecked(false);
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F4,F6,P101,P300,P309,P3,A30,A31 from M011"), "A1|华东|A|East|3|12|8.5|0|3|-1|0");
    EXPECT_EQ(FirstColumn("select F1 from M0111 where F0='A1'"), QStringList({"华东"}));
    EXPECT_EQ(gridRow(w, 1, 7), "快递A|A1|华东|3||A|East");
    EXPECT_EQ(grid(w)->textMatrix(1, 21), "3");
    EXPECT_EQ(grid(w)->rows(), 2); // the blank row of the empty list went
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");
    EXPECT_EQ(box(w, 2)->text(), "快递A");
    EXPECT_TRUE(w->CmbLB->isHidden());
}

TEST_F(A011Test, SaveStoresEachValueAsTheComposedInsertDid)
{
    const struct {
        QString channel, code, name, english, days, remark;
        QString costs; // Txt(9) on, "|" between
        QString flags; // Chk(13)..Chk(22)
    } cases[] = {
        {"A.快递A", "A1", "华东", "East", "3", "", "12|0.1||3件|8.5|126.86199951171875|1e3", "1010000001"},
        {"B", "b2", "O'Hare", "", "2.5", " it's ", "-0|9.0|0.0|abc", "0000000000"},
        {"A.快递A", "A3", "x", "'", "abc", "Null", "1|2|3|4|5|6|7|8|9|10|11|12|13|", "1111111111"},
    };
    std::unique_ptr<Database> old = OpenDataFileCopy(folder->file("old.dat"));
    auto* w = open<ComposingA011>();
    w->resize(760, 560);
    for (const auto& c : cases) {
        startZone(w, c.channel, c.code, c.name);
        set(w, 3, c.english);
        set(w, 4, c.days);
        set(w, 5, c.remark);
        const QStringList costs = c.costs.split('|');
        for (int i = 0; i < costs.size(); ++i)
            set(w, 9 + i, costs[i]);
        for (int k = 0; k < 10; ++k)
            w->chk(13 + k)->setChecked(c.flags[k] == '1');
        trigger(w, "Menu_save");
        ASSERT_EQ(w->editMode(), 0) << qPrintable(c.code);
        old->execute(w->composed);
    }
    const QStringList stored = StoredCells(Db(), "M011");
    EXPECT_EQ(stored.size(), 3);
    EXPECT_EQ(stored, StoredCells(*old, "M011"));
}

TEST_F(A011Test, SaveRefusalsNameTheirCauseAndStoreNothing)
{
    channelZone("A9", "华南", "A", 3);
    struct Case {
        QString channel, code, name;
        bool place;
        int costBox;
        QString cost, message;
    } cases[] = {
        {"A.快递A", "", "n", true, 9, "", "区域编号不能为空!"},
        {"", "N1", " ", true, 9, "", "区域概称(中文)不能为空!"}, // the name before the channel
        {"", "N1", "n", true, 9, "", "所属出货渠道不能为空!"},
        {"Q.nobody", "N1", "n", true, 9, "", "所属出货渠道编号输入错误!"},
        {".快递A", "N1", "n", true, 9, "", "所属出货渠道编号输入错误!"}, // no code before the "."
        {"A.快递A", "N1", "n", false, 9, "", "请输入该区域包含的具体地区名！"},
        {"A.快递A", "N1", "n", true, 22, "-1", "出货成本不能为负值！"}, // a hidden segment too
        {"B.O'Neil", "A9", "n", true, 9, "", "[华南]已经使用了A9这个编号，请重新设置编号!"},
    };
    A011* w = openA011();
    for (const Case& c : cases) {
        startZone(w, c.channel, c.code, c.name);
        if (!c.place) {
            w->placeEditor()->Txt[PlaceEditor::kChineseName]->setText("n");
            w->placeEditor()->Cmd_Click(1);
        }
        set(w, c.costBox, c.cost);
        expectRefusedSave(w, c.message, 1);
        EXPECT_EQ(count("select count(*) from M011"), 1);
        EXPECT_EQ(count("select count(*) from M0111"), 0);
        trigger(w, "Menu_cancel");
    }
}

TEST_F(A011Test, AFailedChannelLookUpStopsTheSaveWithOnlyItsOwnBox)
{
    A011* w = openA011();
    startZone(w, "A.快递A", "N1", "n");
    msgs->expect("GetStr执行错误!系统返回如下信息：");
    {
        FailingReads failing("M01", "F1");
        trigger(w, "Menu_save");
    }
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(w->editMode(), 1);
    EXPECT_EQ(count("select count(*) from M011"), 0);
}

TEST_F(A011Test, DetailShowsTheStoredSegmentsWithTheChannelsCurrentCaptionsAndFlags)
{
    channelZone("A1", "华东", "A", 2);
    place("M0111", "A1", "上海");
    A011* w = openA011();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(ShownSegments(w), "1100000000");
    EXPECT_EQ(w->TxtD->text(), "2");
    EXPECT_EQ(box(w, 2)->text(), "快递A");
    EXPECT_EQ(lab(w, 14)->text(), "31Kg-200Kg");
    EXPECT_TRUE(w->chk(13)->isChecked());
    EXPECT_FALSE(w->chk(14)->isChecked());
    EXPECT_FALSE(w->chk(13)->isEnabled());
    EXPECT_EQ(w->placeEditor()->GDdq->textMatrix(1, 0), "上海");
    GrabToPng(w, "A011_detail");

    trigger(w, "Menu_edit");
    EXPECT_EQ(w->CmbLB->currentText(), "A.快递A");
    EXPECT_TRUE(w->chk(13)->isEnabled());
    EXPECT_FALSE(box(w, 0)->isReadOnly());
    set(w, 0, "a7");
    trigger(w, "Menu_save"); // renamed; the count stays the stored one
    EXPECT_EQ(FirstRecord("select F1,P3,A30 from M011"), "a7|2|-1");
    EXPECT_EQ(FirstColumn("select F0 from M0111"), QStringList({"a7"}));
}

TEST_F(A011Test, DeleteRemovesTheZoneAndItsPlacesAndWorksWithoutAChannelName)
{
    channelZone("A1", "华东", "A");
    channelZone("X1", "无渠道", "Z"); // its channel is gone: listed by a search only
    place("M0111", "A1", "上海");
    place("M0111", "X1", "北京");
    waybill("W1", "F2021", "A1");
    A011* w = openA011();
    msgs->expect("真的要删除华东吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(FirstColumn("select F1 from M011"), QStringList({"X1"}));
    EXPECT_EQ(FirstColumn("select F1 from M0111"), QStringList({"北京"}));
    EXPECT_EQ(GetStr("select F2021 from B01"), "A1");
    EXPECT_EQ(gridRow(w, 1, 2), "|");
    trigger(w, "Menu_del"); // empty list: nothing

    search(w, [](Query& q) { q.runQuery(); });
    EXPECT_EQ(gridRow(w, 1, 3), "|X1|无渠道");
    msgs->expect("真的要删除无渠道吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M011"), 0);
    EXPECT_EQ(count("select count(*) from M0111"), 0);
}

TEST_F(A011Test, SearchByPlaceListsAZoneOnce)
{
    channelZone("A1", "华东", "A", 3);
    channelZone("A2", "华南", "A", 3);
    place("M0111", "A1", "上海");
    place("M0111", "A1", "上海浦东");
    place("M0111", "A2", "广州");
    A011* w = openA011();
    const SearchOffer offer = search(w, [](Query& q) {
        q.CmbF->setCurrentIndex(6);
        q.CmbGX->setCurrentIndex(1); // like
        q.Txt->setText("上海");
        q.addCondition();
        q.runQuery();
    });
    EXPECT_EQ(offer.captions, QStringList({"所属渠道", "区域编号", "区域概称(中文)", "区域概称(英文)", "送达时日",
                                           "备注", "地区名称(中文)", "地区名称(英文)"}));
    EXPECT_EQ(offer.start, 2);
    EXPECT_EQ(grid(w)->rows(), 2);
    EXPECT_EQ(gridRow(w, 1, 3), "快递A|A1|华东");
    EXPECT_EQ(grid(w)->textMatrix(1, 21), "3");
}

TEST_F(A011Test, AFailedSaveKeepsTheOldZoneAndExportHoldsTheVisibleColumns)
{
    channelZone("A1", "华东", "A", 3);
    place("M0111", "A1", "上海");
    refuseInserts("M0111");
    A011* w = openA011();
    EXPECT_EQ(ExportColumns(*grid(w)), QList<int>({0, 1, 2, 3, 4}));
    EXPECT_NE(w->findChild<QAction*>("Menu_toExcel"), nullptr);
    trigger(w, "Menu_edit");
    set(w, 0, "A2");
    expectRefusedSave(w, "保存失败!系统返回如下信息：", 2);
    EXPECT_EQ(FirstColumn("select F1 from M011"), QStringList({"A1"}));
    EXPECT_EQ(FirstColumn("select F0 from M0111"), QStringList({"A1"}));
    EXPECT_EQ(box(w, 0)->text(), "A2");
}

TEST_F(A011Test, ATabInAZoneNameStaysInItsCellThroughEdits)
{
    channelZone("A1", "华东", "A", 3);
    place("M0111", "A1", "上海");
    A011* w = openA011();
    trigger(w, "Menu_edit");
    set(w, 1, "华东\tEast China");
    trigger(w, "Menu_save");
    EXPECT_EQ(gridRow(w, 1, 8), "快递A|A1|华东\tEast China|2||A|Zone A1|12");
    trigger(w, "Menu_edit");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F2,F3,F4,F6,P101,P300,P3,A30 from M011"), "华东\tEast China|A|Zone A1|2|12|8|3|-1");
}

TEST_F(A011Test, CostBoxesStandInColumnsWithTheFlagBesideEachSegment)
{
    A011* w = openA011();
    for (int i = 0; i < 14; ++i) {
        QLineEdit* cost = box(w, 9 + i);
        EXPECT_EQ(cost->x(), box(w, 9 + i % 4)->x()) << 9 + i; // under the first/step box of its column
        EXPECT_LT(lab(w, 9 + i)->geometry().right(), cost->x()) << 9 + i;
        if (i < 4)
            continue;
        const QRect flag = w->chk(9 + i)->geometry();
        EXPECT_GT(flag.left(), cost->geometry().right()) << 9 + i;
        EXPECT_EQ(flag.center().y(), cost->geometry().center().y()) << 9 + i;
        if (i % 4 < 3 && i < 13) { // clear of the next column's caption
            EXPECT_LT(flag.right(), lab(w, 10 + i)->x()) << 9 + i;
        }
    }
}
