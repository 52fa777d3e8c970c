#include "pricing_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "pricing/a01.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <sqlcipher/sqlite3.h>

namespace {

// Which of the ten segment boxes show, as "1110000000".
QString ShownSegments(A01* w)
{
    QString out;
    for (int k = 8; k <= 17; ++k)
        out += w->txt(k)->isHidden() ? '0' : '1';
    return out;
}

} // namespace

class A01Test : public PricingTest {
protected:
    A01* openA01()
    {
        A01* w = open<A01>();
        w->resize(600, 420);
        return w;
    }
    // Add mode with a number, a name and `count` segments starting at 10, 20, ...
    void startChannel(A01* w, const QString& number, const QString& name, int count)
    {
        trigger(w, "Menu_Add");
        type(box(w, 0), number);
        set(w, 1, name);
        set(w, 7, QString::number(count));
        w->Txt_Validate(7);
        for (int k = 1; k <= count; ++k)
            set(w, 7 + k, QString::number(10 * k));
    }
};

TEST_F(A01Test, BeforeAnyChannelTheBoxesHoldTheDesignedStandard)
{
    channel("B", "快递B");
    channel("A", "快递A");
    A01* w = openA01();
    EXPECT_EQ(w->windowTitle(), "出货渠道计价标准");
    EXPECT_EQ(gridRow(w, 0, 3), "序号|出货渠道|备注");
    EXPECT_EQ(gridRow(w, 1, 2), "A|快递A");
    QStringList boxes;
    for (int k = 3; k <= 17; ++k)
        boxes << box(w, k)->text();
    EXPECT_EQ(boxes, QStringList({"0.5", "0.5", "0.5", "0.5", "5", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(lab(w, 8)->text(), "Kg以上");
    EXPECT_EQ(lab(w, 17)->text(), "Kg以上");
    EXPECT_EQ(box(w, 7)->toolTip(), "0-10之间的整数");
    QStringList bar;
    for (QMenu* m : w->menus())
        bar << m->menuAction()->text();
    EXPECT_EQ(bar, QStringList({"&A.增加", "&E.修改", "&D.删除", "&Q.查找", "&S.保存", "&C.取消", "&T.导出数据", "&R.返回"}));
}

TEST_F(A01Test, TheSegmentCountBecomesAWholeNumberFromZeroToTen)
{
    struct Case {
        QString typed, count, shown;
    } cases[] = {
        {"3.7", "3", "1110000000"}, {"-1", "0", "0000000000"}, {"12", "10", "1111111111"},
        {"0", "0", "0000000000"},   {"abc", "0", "0000000000"}, {"10", "10", "1111111111"},
    };
    A01* w = openA01();
    trigger(w, "Menu_Add");
    EXPECT_EQ(ShownSegments(w), "0000000000"); // add hides every segment
    for (const Case& c : cases) {
        set(w, 7, c.typed);
        w->Txt_Validate(7);
        EXPECT_EQ(box(w, 7)->text(), c.count) << c.typed.toStdString();
        EXPECT_EQ(ShownSegments(w), c.shown) << c.typed.toStdString();
    }
    // Leaving the box puts the count right and moves on to the first segment.
    activate(w);
    box(w, 7)->setFocus();
    set(w, 7, "2.5");
    box(w, 1)->setFocus();
    EXPECT_EQ(box(w, 7)->text(), "2");
    EXPECT_TRUE(box(w, 8)->hasFocus());
}

TEST_F(A01Test, ASegmentStartNotAboveThePreviousIsRaisedBy2)
{
    struct Case {
        QString prev, typed, start, label;
    } cases[] = {
        {"10", "8", "12", "Kg-11Kg"},
        {"10", "10", "12", "Kg-11Kg"},
        {"10", "", "12", "Kg-11Kg"},
        {"10", "15", "15", "Kg-14Kg"},
        {"20.5", "21", "21", "Kg-20Kg"},
    };
    A01* w = openA01();
    trigger(w, "Menu_Add");
    for (const Case& c : cases) {
        set(w, 8, c.prev);
        set(w, 9, c.typed);
        w->Txt_LostFocus(9);
        EXPECT_EQ(box(w, 9)->text(), c.start) << c.typed.toStdString();
        EXPECT_EQ(lab(w, 8)->text(), c.label) << c.typed.toStdString();
    }
    set(w, 8, "0"); // the first segment has no such rule
    w->Txt_LostFocus(8);
    EXPECT_EQ(box(w, 8)->text(), "0");
}

TEST_F(A01Test, SaveNormalisesTheCountAndAsksForEveryShownSegment)
{
    A01* w = openA01();
    startChannel(w, "A", "快递A", 3);
    set(w, 9, "0");
    msgs->expect("请输入第2个计费段数值!");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 1);

    // A count typed but never left is put right by the save itself.
    set(w, 9, "20");
    set(w, 7, "12");
    msgs->expect("请输入第4个计费段数值!");
    trigger(w, "Menu_save");
    EXPECT_EQ(box(w, 7)->text(), "10");
    for (int k = 4; k <= 10; ++k)
        set(w, 7 + k, QString::number(10 * k));
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,D0,JFD,J0,J9 from M01"), "A|快递A|0|10|10|100");

    // A count of 0 checks no segment.
    startChannel(w, "B", "快递B", 0);
    set(w, 7, "-3");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select JFD from M01 where F1='B'"), "0");
}

TEST_F(A01Test, SaveRefusesAShownSegmentStartNotAboveThePrevious)
{
    // Segment 1 raised above segment 2 (no rule on leaving it), an equal
    // start; a hidden segment past the count is not looked at.
    const struct {
        QList<int> starts;
        int refused; // the segment named; 0: saved with two segments
    } cases[] = {{{25, 20, 30}, 2}, {{10, 20, 20}, 3}, {{10, 30, 5}, 0}};
    A01* w = openA01();
    for (const auto& c : cases) {
        startChannel(w, "A", "快递A", c.refused ? 3 : 2);
        for (int k = 1; k <= 3; ++k)
            set(w, 7 + k, QString::number(c.starts[k - 1]));
        if (!c.refused) {
            trigger(w, "Menu_save");
            continue;
        }
        expectRefusedSave(w, QStringLiteral("第%1个计费段的起始重量必须大于上一个计费段的起始重量!").arg(c.refused), 1);
        EXPECT_EQ(msgs->last().title, "提示");
        EXPECT_EQ(count("select count(*) from M01"), 0);
        trigger(w, "Menu_cancel");
    }
    EXPECT_EQ(FirstRecord("select JFD,J0,J1,J2 from M01"), "2|10|30|5");
}

TEST_F(A01Test, AChannelShowsTheSegmentsWhoseStartIsNotZero)
{
    struct Case {
        QList<double> standard;
        QString shown, lab8, lab9, lab10;
    } cases[] = {
        {{0.5, 0.5, 0.5, 0.5, 3, 10, 20, 0, 40}, "1101000000", "Kg-19Kg", "Kg以上", "Kg-39Kg"},
        {{0.5, 0.5, 0.5, 0.5, 2, 10, 20, 30}, "1110000000", "Kg-19Kg", "Kg-29Kg", "Kg以上"}, // starts beyond the count
        {{0.5, 0.5, 0.5, 0.5, 0, 10, 20, 30}, "0000000000", "Kg以上", "Kg以上", "Kg以上"},
    };
    for (const Case& c : cases) {
        Db().execute("delete from M01");
        channel("A", "快递A", c.standard);
        A01* w = openA01();
        w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
        EXPECT_EQ(ShownSegments(w), c.shown);
        EXPECT_EQ(lab(w, 8)->text(), c.lab8) << c.shown.toStdString();
        EXPECT_EQ(lab(w, 9)->text(), c.lab9) << c.shown.toStdString();
        EXPECT_EQ(lab(w, 10)->text(), c.lab10) << c.shown.toStdString();
        EXPECT_EQ(box(w, 3)->text(), "0.5");
        if (c.standard[4] == 3)
            GrabToPng(w, "A01_detail");
        delete w;
    }
}

TEST_F(A01Test, NumbersAreUniqueAndOnlyChannelsNotInUseAreRenumbered)
{
    channel("A", "快递A", {1, 1, 1, 1, 0});
    channel("B", "快递B", {1, 1, 1, 1, 0});
    waybill("W1", "F202", "A");
    A01* w = openA01();
    trigger(w, "Menu_edit");
    EXPECT_TRUE(box(w, 0)->isReadOnly()); // A is in use
    trigger(w, "Menu_cancel");

    startChannel(w, "b", "另一个", 0);
    expectRefusedSave(w, "[快递B]已经使用了b这个序号，请重新设置序号!", 1);
    trigger(w, "Menu_cancel");

    grid(w)->setRow(2);
    trigger(w, "Menu_edit");
    EXPECT_FALSE(box(w, 0)->isReadOnly());
    clearBox(box(w, 0));
    type(box(w, 0), "a");
    msgs->expect("[快递A]已经使用了a这个序号，请重新设置序号!");
    trigger(w, "Menu_save");
    clearBox(box(w, 0));
    type(box(w, 0), "C");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstColumn("select F1 from M01 order by F1"), QStringList({"A", "C"}));
    EXPECT_EQ(gridRow(w, 2, 2), "C|快递B");
    EXPECT_EQ(w->curRow(), 2);
    EXPECT_EQ(host.panels[4], "共 2 条记录 当前为第 2 条");
}

TEST_F(A01Test, TextsSaveExactlyButTheNameAsTheLedgerWritesIt)
{
    A01* w = openA01();
    startChannel(w, "X", " O'Brien Express ", 0);
    set(w, 2, "Côte d'Ivoire, Xi'an");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F2,F3 from M01"), "O’Brien Express|Côte d'Ivoire, Xi'an");
    EXPECT_EQ(gridRow(w, 1, 3), "X|O’Brien Express|Côte d'Ivoire, Xi'an");
    QString code = "X";
    EXPECT_EQ(GetNameByCode(code, "M01"), "O’Brien Express"); // as the waybill postings name it
}

TEST_F(A01Test, AWeightLeftAsShownKeepsItsStoredValueAndATypedOneIsTakenAsTyped)
{
    channel("A", "快递A", {0.55, 1.25, 0.5, 0.5, 0});
    A01* w = openA01();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(QStringList({box(w, 3)->text(), box(w, 4)->text()}), QStringList({"0.6", "1.3"}));
    trigger(w, "Menu_edit");
    set(w, 2, "改了备注");
    set(w, 5, "0.75");
    trigger(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select D0,D1,S0,S1,F3 from M01"), "0.55|1.25|0.75|0.5|改了备注");
}

TEST_F(A01Test, DeleteOfAChannelInUseIsForTheAdministratorAndTakesItsWaybills)
{
    channel("A", "快递A");
    channelZone("A1", "华东", "A");
    place("M0111", "A1", "上海");
    channelZone("B1", "华东", "B");
    place("M0111", "B1", "上海");
    zone("Z1", "华东");
    Db().execute("insert into M031 (F0,F1) values ('C1','Z1')");
    Db().execute("insert into TB1 (F1,F3,LB,YF) values ('YFW1','快递A',9,10)");
    waybill("W1", "F202", "A");
    waybill("W2", "F202", "B");
    A01* w = openA01();

    gUserCode = "002";
    msgs->expect("[快递A]已经在系统中应用，不能删除!");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M01"), 1);

    gUserCode = "001";
    msgs->expect("[快递A]已经在系统中应用!\r如果删除将造成系统中其它记录的丢失!\r只有管理员才有权删除。真的要删除吗？");
    msgs->expect("[快递A]已经在系统中应用!", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from B01"), 2);
    msgs->expect("[快递A]已经在系统中应用!");
    msgs->expect("[快递A]已经在系统中应用!");
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->boxes().last().title, "请再次确认");
    EXPECT_EQ(count("select count(*) from M01"), 0);
    EXPECT_EQ(FirstColumn("select F1 from B01"), QStringList({"W2"}));
    // Its zones and their places go with it; another channel's zones, the
    // company zones, quotes and ledger stay.
    EXPECT_EQ(FirstColumn("select F1 from M011"), QStringList({"B1"}));
    EXPECT_EQ(FirstColumn("select F0 from M0111"), QStringList({"B1"}));
    EXPECT_EQ(count("select count(*) from M02"), 1);
    EXPECT_EQ(count("select count(*) from M031"), 1);
    EXPECT_EQ(count("select count(*) from TB1"), 1);
    EXPECT_EQ(gridRow(w, 1, 2), "|");
}

TEST_F(A01Test, AChannelWithZonesIsInUseThoughNoWaybillNamesIt)
{
    channel("A", "快递A");
    channelZone("A1", "华东", "A");
    A01* w = openA01();
    trigger(w, "Menu_edit");
    EXPECT_TRUE(box(w, 0)->isReadOnly());
    trigger(w, "Menu_cancel");
    gUserCode = "002";
    msgs->expect("[快递A]已经在系统中应用，不能删除!");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M01") + count("select count(*) from M011"), 2);
}

TEST_F(A01Test, TheInUseTestReadsOneReferringRowHoweverManyThereAre)
{
    channel("A", "快递A");
    for (const char* no : {"W1", "W2", "W3"})
        waybill(no, "F202", "A");
    A01* w = openA01();
    // Rows the engine hands out for statements on the waybills.
    int waybillRows = 0;
    sqlite3_trace_v2(
        Db().handle(), SQLITE_TRACE_ROW,
        [](unsigned, void* counter, void* stmt, void*) {
            if (QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).contains("FROM B01"))
                ++*static_cast<int*>(counter);
            return 0;
        },
        &waybillRows);
    trigger(w, "Menu_edit");
    sqlite3_trace_v2(Db().handle(), 0, nullptr, nullptr);
    EXPECT_TRUE(box(w, 0)->isReadOnly());
    EXPECT_EQ(waybillRows, 1);
}

TEST_F(A01Test, ADeleteNotInUseAsksWithTheNameInBrackets)
{
    channel("A", "快递A");
    A01* w = openA01();
    msgs->expect("真的要删除[快递A]吗?", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M01"), 1);
    msgs->expect("真的要删除[快递A]吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from M01"), 0);
}

TEST_F(A01Test, AFailedSaveKeepsTheChannelAndSearchOffersNumberAndName)
{
    channel("A", "快递A");
    refuseInserts("M01");
    A01* w = openA01();
    trigger(w, "Menu_edit");
    set(w, 1, "新名称");
    expectRefusedSave(w, "保存失败!系统返回如下信息：", 2);
    EXPECT_EQ(FirstRecord("select F1,F2 from M01"), "A|快递A");
    EXPECT_EQ(box(w, 1)->text(), "新名称");
    trigger(w, "Menu_cancel");

    const SearchOffer offer = search(w);
    EXPECT_EQ(offer.captions, QStringList({"序号", "出货渠道"}));
    EXPECT_EQ(offer.start, 1);
    EXPECT_EQ(gridRow(w, 1, 2), "A|快递A");
}

TEST_F(A01Test, ADeleteFromTheDetailPageShowsTheRecordNowCurrent)
{
    channel("A", "快递A");
    channel("B", "快递B", {1, 1, 1, 1, 0});
    A01* w = openA01();
    QTabBar* tabs = w->findChild<QTabBar*>("TabS");
    tabs->setCurrentIndex(1);
    msgs->expect("真的要删除[快递A]吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(QStringList({box(w, 0)->text(), box(w, 1)->text(), box(w, 3)->text()}), QStringList({"B", "快递B", "1.0"}));
    EXPECT_EQ(host.panels[4], "共 1 条记录 当前为第 1 条");

    tabs->setCurrentIndex(0); // from the list it stays on the list
    msgs->expect("真的要删除[快递B]吗?");
    trigger(w, "Menu_del");
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(A01Test, ABoxEnteredWhileEditingHasItsTextSelected)
{
    channel("A", "快递A", {1, 1, 1, 1, 2, 10, 20});
    A01* w = openA01();
    activate(w);
    trigger(w, "Menu_edit");
    ASSERT_TRUE(box(w, 0)->hasFocus());
    EXPECT_EQ(box(w, 0)->selectedText(), "A");
    box(w, 7)->setFocus();
    set(w, 7, "2");
    box(w, 1)->setFocus(); // leaving the count moves on to the first segment
    ASSERT_TRUE(box(w, 8)->hasFocus());
    EXPECT_EQ(box(w, 8)->selectedText(), "10");
}
