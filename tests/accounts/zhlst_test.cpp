#include "accounts_fixture.h"

#include "data/queries.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"

#include <QAction>
#include <cmath>

namespace {

class ZhLstTest : public AccountsTest {
protected:
    void SetUp() override
    {
        AccountsTest::SetUp();
        customer("C1", "Alpha");
        customer("C2", "A.B");
        customer("C3", "O’Brien"); // as the customer window stores "O'Brien"
        channel("Q1", "渠道甲");
    }
    zhLst* openDebts()
    {
        w = open<zhLst>(-9);
        return w;
    }
    // Opens the editor of a cell, types into it and writes it.
    void setCell(int row, int col, const QString& text)
    {
        clickCell(w, row, col);
        typeCell(w, text);
        w->editor()->commit(CellCommit::Program);
    }
    QString cell(int row, int col) const { return w->grid()->textMatrix(row, col); }

    zhLst* w = nullptr;
};

} // namespace

TEST_F(ZhLstTest, ListsTheOldestThousandOfItsKindAndASearchListsAll)
{
    RunWrite("", [] {
        for (int i = 1; i <= 1003; ++i)
            ledgerRow(QStringLiteral("YS%1").arg(i, 4, 10, QChar('0')), -9, "2024-03-01", "Alpha", 2000 - i, i, 0);
        ledgerRow("YF1", 9, "2024-03-01", "渠道甲", 1, 5, 0);
    });
    openDebts();
    EXPECT_EQ(w->windowTitle(), "增加应收款");
    EXPECT_EQ(w->grid()->rowTexts(0),
              QStringList({"单据编码", "发生日期", "关系单位", "相关单据", "摘要", "欠款金额", "经手人", "制单人", "备注", ""}));
    ASSERT_EQ(w->grid()->rows(), 1001);
    EXPECT_EQ(w->grid()->rowTexts(1).join('|'), "YS1003|2024-03-01|Alpha|||1003||管理员||997");
    EXPECT_EQ(cell(1000, 0), "YS0004");
    EXPECT_EQ(host.panels[4], "共 1000 条记录 当前为第 1 条");
    for (int c : {3, 4, 9})
        EXPECT_EQ(w->grid()->colWidth(c), 0) << c;
    for (const char* menu : {"Menu_print", "Menu_save", "Menu_cancel"})
        EXPECT_FALSE(w->findChild<QAction*>(menu)->isEnabled()) << menu;

    modal->on("Query", [](QDialog& d) { static_cast<Query&>(d).runQuery(); });
    trigger(w, "Menu_query");
    EXPECT_EQ(w->listedCount(), 1003);
    EXPECT_EQ(cell(1003, 0), "YS0001");
}

TEST_F(ZhLstTest, TheOpeningListIsReadInNumberOrderFromTheKindsIndex)
{
    openDebts();
    const QString plan = Records("EXPLAIN QUERY PLAN " + w->lastSql()).join(' ');
    EXPECT_TRUE(plan.contains("(LB=?)")) << plan.toStdString();
    EXPECT_FALSE(plan.contains("TEMP B-TREE")) << "the entries of the kind are not sorted: " << plan.toStdString();
}

TEST_F(ZhLstTest, DocumentNumbersComeFromTheClockAndPassNumbersTaken)
{
    const struct {
        const char* prefix;
        QDateTime at;
        const char* number;
    } cases[] = {
        {"YF", QDateTime(QDate(2006, 12, 10), QTime(9, 5, 7)), "YF061210090507"},
        {"YS", QDateTime(QDate(2024, 1, 2), QTime(23, 59, 59)), "YS240102235959"},
        {"FK", QDateTime(QDate(2010, 10, 31), QTime(0, 0, 0)), "FK101031000000"},
        {"SK", QDateTime(QDate(1999, 6, 9), QTime(12, 30, 1)), "SK990609123001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeDocNo(c.prefix, c.at), c.number) << c.number;

    ledgerRow("YS240310090507", -9, "2024-03-01", "Alpha", 31, 5, 0);
    openDebts();
    trigger(w, "Menu_Add");
    EXPECT_EQ(cell(2, 0), "YS240310090508");
    typeRow(w, "", "2024-03-01", "Alpha", "5");
    EXPECT_EQ(cell(3, 0), "YS240310090509");
}

TEST_F(ZhLstTest, EachCellTakesWhatItsColumnAccepts)
{
    openDebts();
    trigger(w, "Menu_Add");
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const struct {
        int col;
        const char* typed;
        QString kept;
    } cases[] = {
        {1, "2024/3/5", "2024-03-05"}, {1, "2024-02-30", today}, {1, "abc", today},
        {2, "  O'Brien ", "O’Brien"},  {5, "12.50", "12.5"},     {5, "abc", "0"},
        {6, "a'b", "a’b"},             {8, " 备注 ", "备注"},     {0, "ys1", "YS1"},
    };
    for (const auto& c : cases) {
        setCell(1, c.col, c.typed);
        EXPECT_EQ(cell(1, c.col), c.kept) << c.typed;
    }
}

TEST_F(ZhLstTest, ADateTypedShortIsSavedInFull)
{
    openDebts();
    trigger(w, "Menu_Add");
    typeRow(w, "N1", "24-3-5", "Alpha", "7");
    typeRow(w, "N2", "3月5日", "Alpha", "8");
    typeRow(w, "N3", "99/12/31", "Alpha", "9");
    EXPECT_EQ(cell(2, 1), QDate(QDate::currentDate().year(), 3, 5).toString(Qt::ISODate));
    trigger(w, "Menu_save");
    EXPECT_EQ(GetStr("select F2 from TB1 where F1='N1'"), "2024-03-05");
    EXPECT_EQ(GetStr("select F2 from TB1 where F1='N2'"), cell(2, 1));
    EXPECT_EQ(GetStr("select F2 from TB1 where F1='N3'"), "1999-12-31");
}

TEST_F(ZhLstTest, EnterWalksTheVisibleColumnsAndOpensTheNextRow)
{
    ledgerRow("OLD", -9, "2024-03-01", "Alpha", 31, 5, 0);
    openDebts();
    trigger(w, "Menu_Add");
    EXPECT_EQ(w->Edstu, 1);
    QList<int> cols;
    for (int i = 0; i < 6; ++i) {
        cols << w->editor()->col();
        if (i == 2)
            typeCell(w, "Alpha");
        if (i == 3)
            typeCell(w, "9");
        if (i == 1)
            keepGrab(w, "zhLst-adding");
        enter(w);
    }
    EXPECT_EQ(cols, QList<int>({0, 1, 2, 5, 6, 8}));
    EXPECT_EQ(cell(2, 7), "管理员");
    // The row was complete: the next one has its number and its editor.
    EXPECT_EQ(w->editor()->row(), 3);
    EXPECT_EQ(w->editor()->col(), 0);
    EXPECT_EQ(cell(3, 0), "YS240310090508");

    // The listed rows above the new ones cannot be chosen.
    clickCell(w, 1, 2);
    EXPECT_EQ(w->editor()->row(), 2);
    EXPECT_EQ(w->editor()->col(), 2);
}

TEST_F(ZhLstTest, NumbersInUseAreRefusedAndTheCellKeepsItsNumber)
{
    ledgerRow("YF77", 9, "2024-03-01", "渠道甲", 31, 5, 0);
    openDebts();
    trigger(w, "Menu_Add");
    msgs->expect("在系统中，已经采用了[YF77]这个单据编号！");
    setCell(1, 0, "yf77");
    EXPECT_EQ(cell(1, 0), "YS240310090507");

    clickCell(w, 2, 0);
    typeRow(w, "N1", "2024-03-01", "Alpha", "5");
    msgs->expect("您已经录入了一张凭证号为[N1]的记录！");
    setCell(1, 0, "n1");
    EXPECT_EQ(cell(1, 0), "YS240310090507");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
}

TEST_F(ZhLstTest, SaveRefusesIncompleteRowsAndDropsABlankLastRow)
{
    openDebts();
    const struct {
        const char* what;
        std::function<void()> type;
        const char* message; // "" for none
        int stored;
    } cases[] = {
        {"number only", [] {}, "", 0},
        {"no amount", [this] { typeRow(w, "", "2024-03-01", "Alpha", ""); }, "第1行[欠款金额]不能为0！", 0},
        {"no date",
         [this] {
             setCell(1, 2, "Alpha");
             setCell(1, 5, "8");
         },
         "第1行[发生日期]不能为空！", 0},
        {"a first row without amount",
         [this] {
             typeRow(w, "", "2024-03-01", "Alpha", "0");
             typeRow(w, "N2", "2024-03-01", "Alpha", "7");
         },
         "第1行[欠款金额]不能为0！", 0},
        {"two whole rows", [this] {
             typeRow(w, "", "2024-03-01", "Alpha", "7");
             typeRow(w, "", "2024-03-02", "A.B", "3");
         },
         "", 2},
    };
    for (const auto& c : cases) {
        Db().execute("delete from TB1");
        trigger(w, "Menu_cancel");
        QString sql = w->lastSql();
        w->FillGrid(sql);
        const int listed = w->grid()->rows();
        trigger(w, "Menu_Add");
        c.type();
        if (*c.message)
            msgs->expect(c.message);
        trigger(w, "Menu_save");
        EXPECT_EQ(count("select count(*) from TB1"), c.stored) << c.what;
        EXPECT_EQ(w->Edstu, *c.message ? 1 : 0) << c.what;
        if (*c.message) {
            msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
        } else {
            EXPECT_EQ(w->grid()->rows(), c.stored ? c.stored + 1 : listed) << c.what;
        }
    }
    EXPECT_EQ(ExpectChainsHold(), 2);
}

TEST_F(ZhLstTest, AFailedSaveKeepsEveryTypedRowAndWritesNothing)
{
    openDebts();
    trigger(w, "Menu_Add");
    typeRow(w, "", "2024-03-01", "Alpha", "7");
    typeRow(w, "", "2024-03-02", "O'Brien", "3");
    Db().execute("delete from sysinfo where ID=100");
    msgs->expect("保存失败!系统返回如下信息：");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from TB1"), 0);
    EXPECT_EQ(w->Edstu, 1);
    EXPECT_EQ(cell(2, 2), "O’Brien");

    Db().execute("insert into sysinfo (ID,Setval) values (100,0)");
    trigger(w, "Menu_save");
    EXPECT_EQ(chain(), QStringList({"YS240310090507 31 0/7", "YS240310090508 62 0/3"}));
    EXPECT_EQ(cell(2, 9), "62");
    EXPECT_EQ(w->listedCount(), 2);
    EXPECT_EQ(ExpectChainsHold(), 2);
}

TEST_F(ZhLstTest, AnEditStoresTheWholePartyAndRecomputesBothParties)
{
    openDebts();
    post(w, "E1", "2024-03-01", "Alpha", 100);
    post(w, "E2", "2024-03-02", "Alpha", 50);
    post(w, "E3", "2024-03-01", "A.B", 70);
    clickCell(w, 1, 0);
    trigger(w, "Menu_edit");
    typeCell(w, ""); // an emptied number keeps the entry's own
    enter(w);
    EXPECT_EQ(cell(1, 0), "E1");
    typeCell(w, "2024-03-03");
    enter(w);
    typeCell(w, "A.B");
    enter(w);
    typeCell(w, "80");
    trigger(w, "Menu_save");
    EXPECT_EQ(chain("F3='Alpha'"), QStringList({"E2 62 0/50"}));
    EXPECT_EQ(chain("F3='A.B'"), QStringList({"E3 38.75 0/70", "E1 92 70/150"}));
    EXPECT_EQ(cell(1, 9), "92");
    EXPECT_EQ(w->Edstu, 0);
    EXPECT_EQ(ExpectChainsHold(), 3);
}

TEST_F(ZhLstTest, AnEditFindsItsEntryByNumberWhenASequenceNumberIsShared)
{
    ledgerRow("X1", -9, "2024-03-01", "Alpha", 50, 10, 0);
    ledgerRow("X2", -9, "2024-03-01", "Alpha", 50, 20, 0);
    openDebts();
    clickCell(w, rowOf(w, "X2"), 0);
    trigger(w, "Menu_edit");
    for (int i = 0; i < 3; ++i)
        enter(w);
    typeCell(w, "25");
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select SN from TB1 where F1='X1'"), 50);
    EXPECT_EQ(count("select YF from TB1 where F1='X2'"), 25);
    EXPECT_EQ(count("select YF from TB1 where F1='X1'"), 10);
    EXPECT_EQ(ExpectChainsHold(), 2);
}

TEST_F(ZhLstTest, EditAndDeleteNeedTheRightAndDeleteAsksFirst)
{
    openDebts();
    msgs->expect("请选择要修改的行！");
    trigger(w, "Menu_edit");
    post(w, "E1", "2024-03-01", "Alpha", 100);
    gCanEditAccounts = false;
    msgs->expect("对不起,您无此权限!");
    trigger(w, "Menu_edit");
    msgs->expect("对不起,您无此权限!");
    trigger(w, "Menu_del");
    gCanEditAccounts = true;
    msgs->expect("真的要删除[E1]吗？", vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(count("select count(*) from TB1"), 1);
    EXPECT_EQ(w->Edstu, 0);
    EXPECT_EQ(ExpectChainsHold(), 1);
}

TEST_F(ZhLstTest, CancelAsksBeforeNewRowsGo)
{
    openDebts();
    post(w, "E1", "2024-03-01", "Alpha", 100);
    trigger(w, "Menu_Add");
    typeRow(w, "", "2024-03-02", "Alpha", "5");
    msgs->expect("确定不保存您新录入的资料吗？", vbBtn::Cancel);
    trigger(w, "Menu_cancel");
    EXPECT_EQ(msgs->last().style, vbStyle::OKCancel + vbStyle::Information);
    EXPECT_EQ(w->Edstu, 1);
    msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
    trigger(w, "Menu_cancel");
    EXPECT_EQ(w->Edstu, 0);
    EXPECT_EQ(GridLines(w->grid()), QStringList({"E1|2024-03-01|Alpha|||100||管理员||31"}));
    EXPECT_TRUE(w->findChild<QAction*>("Menu_Return")->isEnabled());
}

TEST_F(ZhLstTest, ASearchJoinedByOrListsOnlyTheWindowsKind)
{
    ledgerRow("D1", -9, "2024-03-01", "O’Brien", 31, 10, 0);
    ledgerRow("D2", -9, "2024-03-01", "A.B", 33, 10, 0);
    ledgerRow("R1", -10, "2024-03-01", "O’Brien", 35, 0, 4);
    ledgerRow("P1", 9, "2024-03-01", "A.B", 37, 5, 0);
    openDebts();
    QStringList captions;
    modal->on("Query", [&](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        for (int i = 0; i < q.CmbF->count(); ++i)
            captions << q.CmbF->itemText(i) + ":" + q.GD->textMatrix(i, 1);
        EXPECT_EQ(q.CmbF->currentIndex(), 3);
        q.CmbF->setCurrentIndex(2);
        q.Txt->setText("O’Brien");
        q.addCondition();
        q.CmbLG->setCurrentIndex(1); // 或者
        q.Txt->setText("A.B");
        q.addCondition();
        q.runQuery();
    });
    trigger(w, "Menu_query");
    EXPECT_EQ(captions, QStringList({"单据编码:TB1.F1", "发生日期:TB1.F2", "关系单位:TB1.F3", "相关单据:TB1.F3",
                                     "欠款金额:TB1.YF", "经手人:S1", "制单人:F5", "备注:F10"}));
    EXPECT_EQ(w->listedCount(), 2);
    EXPECT_EQ(cell(1, 0), "D1");
    EXPECT_EQ(cell(2, 0), "D2");
}

TEST_F(ZhLstTest, ASearchByDateOrNumberGoesThroughThatColumnsIndex)
{
    ledgerRow("D1", -9, "2024-03-01", "Alpha", 31, 10, 0);
    openDebts();
    const struct {
        int field;
        const char* index; // the plan's search on the ledger
    } cases[] = {{0, "(F1=?)"}, {1, "(F2>? AND F2<?)"}};
    for (const auto& c : cases) {
        modal->on("Query", [&](QDialog& d) {
            auto& q = static_cast<Query&>(d);
            q.CmbF->setCurrentIndex(c.field);
            q.CmbGX->setCurrentIndex(q.CmbGX->findText("等于(=)"));
            q.Txt->setText("O'Brien--;%*");
            q.DTP->setDate(QDate(2024, 3, 1));
            q.addCondition();
            q.runQuery();
        });
        trigger(w, "Menu_query");
        const QStringList ledger = Records("EXPLAIN QUERY PLAN " + w->lastSql()).filter("TABLE TB1");
        ASSERT_EQ(ledger.size(), 1) << c.field;
        EXPECT_TRUE(ledger[0].contains(c.index)) << ledger[0].toStdString();
        EXPECT_EQ(w->listedCount(), c.field == 1 ? 1 : 0) << c.field;
    }
}

TEST_F(ZhLstTest, ShownForTheOtherKindItAsksWhileAddingThenStartsAfresh)
{
    ledgerRow("P1", 9, "2024-03-01", "渠道甲", 31, 5, 0);
    openDebts();
    trigger(w, "Menu_Add");
    msgs->expect("确定不保存您新录入的资料吗？", vbBtn::Cancel);
    w->openAs(9, "增加应付款");
    EXPECT_EQ(w->LB, -9);
    EXPECT_EQ(w->Edstu, 1);
    EXPECT_EQ(w->windowTitle(), "增加应收款");

    msgs->expect("确定不保存您新录入的资料吗？", vbBtn::OK);
    w->openAs(9, "增加应付款");
    EXPECT_EQ(w->LB, 9);
    EXPECT_EQ(w->Edstu, 0);
    EXPECT_EQ(w->windowTitle(), "增加应付款");
    EXPECT_EQ(GridLines(w->grid()), QStringList({"P1|2024-03-01|渠道甲|||5||管理员||31"}));
    trigger(w, "Menu_Add");
    EXPECT_EQ(cell(2, 0), "YF240310090507");
    EXPECT_EQ(w->editor()->editorFor(2, 2).items, QStringList({"渠道甲"}));
    keepGrab(w, "zhLst");
}

TEST_F(ZhLstTest, AnEditIsCheckedAsANewRowIs)
{
    openDebts();
    post(w, "E1", "2024-03-01", "Alpha", 100);
    clickCell(w, 1, 0);
    trigger(w, "Menu_edit");
    clickCell(w, 1, 5);
    typeCell(w, "0");
    msgs->expect("第1行[欠款金额]不能为0！");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->Edstu, 2);
    EXPECT_EQ(count("select YF from TB1 where F1='E1'"), 100);
}

TEST_F(ZhLstTest, ACrowdedGapIsToldAfterTheEntryIsSaved)
{
    ledgerRow("A1", -9, "2024-03-01", "Alpha", 100, 10, 0);
    ledgerRow("A2", -9, "2024-03-03", "Alpha", std::nextafter(100.0, 200.0), 10, 0);
    openDebts();
    trigger(w, "Menu_Add");
    typeRow(w, "A3", "2024-03-02", "Alpha", "5");
    msgs->expect("您历史日期中插入了过多的单据");
    trigger(w, "Menu_save");
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(count("select count(*) from TB1 where F1='A3' and SN=100"), 1);
    EXPECT_EQ(w->Edstu, 0);
}

TEST_F(ZhLstTest, EachListEditorAnswersToItsColumnsName)
{
    openDebts();
    trigger(w, "Menu_Add");
    QStringList names;
    for (int i = 0; i < 4; ++i) {
        names << cellEditor(w)->objectName();
        enter(w);
        if (i == 1)
            typeCell(w, "Alpha");
    }
    EXPECT_EQ(names, QStringList({"TxtEnter", "CmbEnter(1)", "CmbEnter(2)", "TxtEnter"}));
}

TEST_F(ZhLstTest, AnEditedLastRowWhoseNumberIsTakenGetsAnEmptyRowBelow)
{
    openDebts();
    post(w, "E1", "2024-03-01", "Alpha", 100);
    ASSERT_EQ(w->grid()->rows(), 2);
    clickCell(w, 1, 0);
    trigger(w, "Menu_edit");
    typeCell(w, "e9");
    enter(w);
    EXPECT_EQ(GridLines(w->grid()), QStringList({"E9|2024-03-01|Alpha|||100||管理员||31", "|||||||||"}));
    trigger(w, "Menu_save");
    EXPECT_EQ(count("select count(*) from TB1 where F1='E9'"), 1);
    EXPECT_EQ(w->grid()->rows(), 3);
    EXPECT_EQ(w->listedCount(), 1);
}
