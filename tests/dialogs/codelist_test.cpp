#include "data/database.h"
#include "data/globals.h"
#include "dialogs/codelist.h"
#include "dialogs/error_boundary.h"
#include "support/testenv.h"

#include <QComboBox>
#include <QLineEdit>

class CodeListTest : public DataTest {
protected:
    CodeListTest() { strictResponders = true; }
};

TEST_F(CodeListTest, FillsCodeAndNameOrTheNameAloneWithNullAsEmpty)
{
    Db().execute("insert into M01 (F1,F2) values ('B2 ','Beta '), ('A1',Null), ('C3','O''Brien')");
    QComboBox list;
    list.addItem("stale");
    FillCodeList(&list, "select F1,F2 from M01 order by F1");
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.itemText(i);
    EXPECT_EQ(items, QStringList({"A1.", "B2.Beta", "C3.O'Brien"}));
    FillCodeList(&list, "select F1,F2 from M01 order by F1", false);
    EXPECT_EQ(list.itemText(1), "B2");
    EXPECT_THROW(FillCodeList(&list, "select nothing from nowhere"), DbError);
}

TEST_F(CodeListTest, CopiesTheCodeAndTheRequiredFormRefusesAnEmptyList)
{
    QComboBox list;
    list.setEditable(true);
    QLineEdit box;
    list.setEditText(" C001.Alpha ");
    EXPECT_EQ(CopyComboCode(&list, &box), "C001");
    EXPECT_EQ(box.text(), "C001");
    EXPECT_EQ(CopyComboCodeRequired(&list, &box, "发件客户"), "C001");
    EXPECT_EQ(msgs->count(), 0);

    list.setEditText("  ");
    EXPECT_EQ(CopyComboCode(&list, &box), "");
    EXPECT_EQ(box.text(), "");
    box.setText("kept");
    msgs->expect("请输入发件客户!");
    EXPECT_EQ(CopyComboCodeRequired(&list, &box, "发件客户"), "");
    EXPECT_EQ(box.text(), "kept");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "请输入发件客户!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "提示");
}

TEST_F(CodeListTest, RunWriteRollsBackEverythingAndShowsTheEngineText)
{
    EXPECT_TRUE(RunWrite("保存失败!系统返回如下信息：", [] { Db().execute("insert into M05 (F1) values ('A')"); }));
    msgs->expect("NoSuchTable");
    EXPECT_FALSE(RunWrite("保存失败!系统返回如下信息：", [] {
        Db().execute("insert into M05 (F1) values ('B')");
        Db().execute("insert into NoSuchTable values (1)");
    }));
    EXPECT_EQ(Db().openRecordset("select count(*) from M05").at(0, 0).toInt(), 1);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith("保存失败!系统返回如下信息：\r")) << msgs->last().text.toStdString();
    EXPECT_TRUE(msgs->last().text.contains("NoSuchTable"));
    msgs->expect("查询执行错误!系统返回如下信息：");
    EXPECT_FALSE(RunGuarded("查询执行错误!系统返回如下信息：", [] { Db().openRecordset("select x from y"); }));
    EXPECT_EQ(msgs->count(), 2);
}
