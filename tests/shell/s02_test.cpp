#include "support/modal_script.h"
#include "support/testenv.h"

#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/lookups.h"
#include "platform/flexgrid.h"
#include "platform/mainhost.h"
#include "platform/msgbox.h"
#include "shell/login.h"
#include "shell/s02.h"
#include "support/fake_host.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTabBar>

namespace {

class S02Test : public DataTest {
protected:
    S02Test() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        modal = std::make_unique<ModalScript>(true);
        SetMainHost(&host);
    }
    void TearDown() override
    {
        delete win.data();
        SetMainHost(nullptr);
        Pump();
        gEditing.clear();
        modal.reset();
        DataTest::TearDown();
    }
    void open()
    {
        win = new S02;
        win->formLoad();
        win->show();
        Pump();
    }
    void trigger(const char* command)
    {
        QAction* a = win->findChild<QAction*>(command);
        ASSERT_NE(a, nullptr) << command;
        a->trigger();
    }
    QLineEdit* box(int i) { return win->findChild<QLineEdit*>(QString("Txt(%1)").arg(i)); }
    QCheckBox* chk(int i) { return win->findChild<QCheckBox*>(QString("Chk(%1)").arg(i)); }
    FlexGrid* grid() { return win->findChild<FlexGrid*>("GD"); }
    // Types as the keyboard does, one key event per character.
    void type(int i, const QString& text)
    {
        QLineEdit* b = box(i);
        b->setFocus();
        b->selectAll();
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(b, &del);
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(b, &press);
        }
    }
    void setRights(const QList<int>& ticked)
    {
        for (int i = 0; i < 8; ++i)
            chk(i)->setChecked(ticked.contains(i));
    }
    QString rightsOf(const QString& account)
    {
        RecordSet rs = Db().openRecordset("select F60,F61,F62,F63,F64,F65,F66,F67 from TE1 where F1='" + account + "'");
        if (rs.eof())
            return "none";
        QString out;
        for (int i = 0; i < 8; ++i)
            out += rs.field(i).toString();
        return out;
    }
    void selectRow(int r)
    {
        grid()->setRow(r);
        Pump();
    }

    FakeHost host;
    QPointer<S02> win;
    std::unique_ptr<ModalScript> modal;
};

} // namespace

TEST_F(S02Test, ShowsAccountsNamesAndPasswordsAndTheRightsOfTheRow)
{
    Db().execute("insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values ('002','李四','pw',1,0,1,0,1,0,1,Null)");
    open();
    ASSERT_EQ(grid()->cols(), 3);
    EXPECT_EQ(grid()->rowTexts(0), (QStringList{"帐号", "姓名", "密码"}));
    EXPECT_EQ(grid()->rowTexts(1), (QStringList{"001", "管理员", "ADMIN"}));
    EXPECT_EQ(grid()->rowTexts(2), (QStringList{"002", "李四", "pw"}));
    EXPECT_EQ(win->recCount(), 2);
    EXPECT_EQ(host.panels.value(4), "共 2 条记录 当前为第 1 条");
    EXPECT_FALSE(win->findChild<QAction*>("Menu_query")->isVisible());
    EXPECT_EQ(box(2)->echoMode(), QLineEdit::Normal);
    ASSERT_NE(chk(42), nullptr);
    EXPECT_EQ(chk(42)->text(), "标签条码");

    selectRow(2);
    win->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(box(0)->text(), "002");
    EXPECT_EQ(box(2)->text(), "pw");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(chk(i)->isChecked(), i % 2 == 0) << i;
        EXPECT_FALSE(chk(i)->isEnabled()) << i;
    }
}

TEST_F(S02Test, AddsAnOperatorInUpperCaseWithTheTickedRightsAndTheLogInNeedsThem)
{
    open();
    trigger("Menu_Add");
    EXPECT_EQ(win->editMode(), ListFrame::Adding);
    // This window never holds the program open.
    EXPECT_FALSE(gEditing.isSet());
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(chk(i)->isEnabled());
    setRights({1, 7});
    type(0, "abc");
    type(1, "张三");
    type(2, "pw1");
    EXPECT_EQ(box(0)->text(), "ABC");
    EXPECT_EQ(box(2)->text(), "PW1");
    trigger("Menu_save");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('|').toStdString();

    EXPECT_EQ(win->editMode(), ListFrame::Browse);
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='ABC'"), "张三");
    EXPECT_EQ(GetStr("select F3 from TE1 where F1='ABC'"), "PW1");
    EXPECT_EQ(rightsOf("ABC"), "01000001");
    // Appended last, not sorted in.
    EXPECT_EQ(grid()->rows(), 3);
    EXPECT_EQ(grid()->rowTexts(2), (QStringList{"ABC", "张三", "PW1"}));
    EXPECT_EQ(win->curRow(), 2);
    EXPECT_EQ(win->recCount(), 2);
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(chk(i)->isEnabled());
    // Back in browse mode every box is locked again, the account included.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(box(i)->isReadOnly()) << i;

    Login login;
    login.formLoad();
    login.findChild<QComboBox*>("cmbhu")->setEditText("ABC");
    login.findChild<QLineEdit*>("Txt(1)")->setText("pw1");
    msgs->expect("密码输入错误!");
    login.ok();
    EXPECT_EQ(msgs->last().text, "密码输入错误!");
    EXPECT_EQ(gUserCode, "001");
    login.findChild<QLineEdit*>("Txt(1)")->setText("PW1");
    login.ok();
    EXPECT_EQ(gUserCode, "ABC");
    EXPECT_EQ(gUserName, "张三");
    EXPECT_FALSE(gCanEditShipped);
    EXPECT_FALSE(gCanSeePrices);
}

TEST_F(S02Test, RefusesTheAdministratorsDeleteADuplicateAndEmptyBoxes)
{
    Db().execute("insert into TE1 (F1,F2,F3) values ('002','李四','')");
    open();
    msgs->expect("001是管理员帐号，不能删除!");
    trigger("Menu_del");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "001是管理员帐号，不能删除!");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='001'"), "管理员");

    // Blanks around the account in the grid do not get it deleted either.
    Db().execute("update TE1 set F1=' 001 ' where F1='001'");
    win->FillGrid("select * from TE1 order by F1");
    msgs->expect("001是管理员帐号，不能删除!");
    trigger("Menu_del");
    EXPECT_EQ(msgs->last().text, "001是管理员帐号，不能删除!");
    Db().execute("update TE1 set F1='001' where F1=' 001 '");
    win->FillGrid("select * from TE1 order by F1");

    msgs->clear();
    trigger("Menu_Add");
    type(0, "002");
    type(1, "王五");
    msgs->expect("[李四]已经使用了002这个编号，请重新设置编号!");
    trigger("Menu_save");
    EXPECT_EQ(msgs->last().text, "[李四]已经使用了002这个编号，请重新设置编号!");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(win->editMode(), ListFrame::Adding);

    type(0, "003");
    type(1, "  ");
    msgs->expect("操作员姓名不能为空!");
    trigger("Menu_save");
    EXPECT_EQ(msgs->last().text, "操作员姓名不能为空!");
    type(0, "");
    msgs->expect("操作员帐号不能为空!");
    trigger("Menu_save");
    EXPECT_EQ(msgs->last().text, "操作员帐号不能为空!");
    EXPECT_EQ(win->editMode(), ListFrame::Adding);
    EXPECT_EQ(GetVal("select count(*) from TE1"), 2);

    // The password may stay empty.
    type(0, "003");
    type(1, "王五");
    msgs->clear();
    trigger("Menu_save");
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_EQ(GetStr("select F1 from TE1 where F1='003' and (F3='' or F3 is null)"), "003");
}

TEST_F(S02Test, ANewOperatorStartsWithTheRightsOfTheOneShownBefore)
{
    Db().execute("insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values ('002','李四','x',0,1,1,0,0,1,0,1)");
    open();
    selectRow(2);
    trigger("Menu_Add");
    EXPECT_EQ(box(0)->text(), "");
    EXPECT_EQ(box(1)->text(), "");
    type(0, "003");
    type(1, "王五");
    trigger("Menu_save");
    EXPECT_EQ(rightsOf("003"), "01100101");
    EXPECT_EQ(rightsOf("002"), "01100101");
}

TEST_F(S02Test, AnEditReplacesTheRowAndAFailedInsertLosesNothing)
{
    Db().execute("insert into TE1 (F1,F2,F3,F60) values ('002','李四','old',1)");
    open();

    // The insert refused: the administrator stays as he was.
    Db().executeNative("CREATE TRIGGER no_insert BEFORE INSERT ON TE1 BEGIN SELECT RAISE(ABORT, 'TE1 is read-only'); END");
    trigger("Menu_edit");
    EXPECT_FALSE(box(0)->isReadOnly());
    type(1, "root");
    msgs->expect("TE1 is read-only");
    trigger("Menu_save");
    EXPECT_TRUE(msgs->last().text.contains("TE1 is read-only"));
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='001'"), "管理员");
    EXPECT_EQ(GetStr("select F3 from TE1 where F1='001'"), "ADMIN");
    EXPECT_EQ(win->editMode(), ListFrame::Editing);
    EXPECT_EQ(box(1)->text(), "ROOT");
    trigger("Menu_cancel");
    EXPECT_EQ(box(1)->text(), "管理员");
    Db().executeNative("DROP TRIGGER no_insert");

    // Another operator's account is refused; quotes are stored as typed.
    msgs->clear();
    selectRow(2);
    trigger("Menu_edit");
    type(0, "001");
    msgs->expect("[管理员]已经使用了001这个编号，请重新设置编号!");
    trigger("Menu_save");
    EXPECT_EQ(msgs->last().text, "[管理员]已经使用了001这个编号，请重新设置编号!");
    type(0, "002");
    type(1, "O'Brien");
    type(2, "it's");
    chk(3)->setChecked(true);
    trigger("Menu_save");
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='002'"), "O'BRIEN");
    EXPECT_EQ(GetStr("select F3 from TE1 where F1='002'"), "IT'S");
    EXPECT_EQ(rightsOf("002"), "10010000");
    EXPECT_EQ(GetVal("select count(*) from TE1"), 2);

    // A changed account replaces the old one; the row moves to the end.
    selectRow(1);
    trigger("Menu_edit");
    type(0, "a01");
    trigger("Menu_save");
    EXPECT_EQ(GetStr("select F2 from TE1 where F1='A01'"), "管理员");
    EXPECT_EQ(GetStr("select F1 from TE1 where F1='001'"), "");
    EXPECT_EQ(grid()->rowTexts(1), (QStringList{"002", "O'BRIEN", "IT'S"}));
    EXPECT_EQ(grid()->rowTexts(2), (QStringList{"A01", "管理员", "ADMIN"}));
    EXPECT_EQ(win->recCount(), 2);
}

TEST_F(S02Test, DeletesAfterTheQuestionAndClosesWhileEditing)
{
    Db().execute("insert into TE1 (F1,F2,F3) values ('002','李四','')");
    open();
    selectRow(2);
    msgs->expect("真的要删除李四的资料吗?", vbBtn::No);
    trigger("Menu_del");
    EXPECT_EQ(msgs->last().text, "真的要删除李四的资料吗?");
    EXPECT_EQ(msgs->last().style, vbStyle::YesNo + vbStyle::Question);
    EXPECT_EQ(GetVal("select count(*) from TE1"), 2);

    msgs->expect("真的要删除李四的资料吗?", vbBtn::Yes);
    trigger("Menu_del");
    EXPECT_EQ(GetStr("select F1 from TE1 where F1='002'"), "");
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_EQ(win->recCount(), 1);
    EXPECT_EQ(win->curRow(), 1);
    EXPECT_EQ(host.panels.value(4), "共 1 条记录 当前为第 1 条");

    // No close guard: unsaved input is dropped and the window goes.
    trigger("Menu_Add");
    type(0, "009");
    msgs->clear();
    EXPECT_TRUE(win->close());
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_TRUE(host.toolBar);
    Pump();
    EXPECT_TRUE(win.isNull());
    EXPECT_EQ(GetVal("select count(*) from TE1"), 1);
}

TEST_F(S02Test, DetailPagePicture)
{
    const QString dir = qEnvironmentVariable("SYSTEM_GRAB_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set SYSTEM_GRAB_DIR to save the picture";
    open();
    win->resize(300, 520);
    win->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    Pump();
    win->grab().save(dir + "/S02_detail.png");
    win->findChild<QTabBar*>("TabS")->setCurrentIndex(0);
    Pump();
    win->grab().save(dir + "/S02_list.png");
}
