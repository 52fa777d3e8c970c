#include "support/failing_reads.h"
#include "support/testenv.h"

#include "data/globals.h"
#include "data/ledger.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "platform/msgbox.h"
#include "shell/aboutus.h"
#include "shell/backup.h"
#include "shell/s03.h"
#include "shell/s2.h"
#include "shell/startup.h"
#include "shell/system_windows.h"
#include "platform/window_registry.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

namespace {

QLineEdit* Box(QWidget* w, int i) { return w->findChild<QLineEdit*>(QString("Txt(%1)").arg(i)); }

int Rows(const QString& table) { return int(GetVal("select count(*) from " + table)); }

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// ---------------------------------------------------------------- S2

class S2Test : public DataTest {
protected:
    S2Test() { strictResponders = true; }
    void type(S2& dlg, const QString& oldPw, const QString& newPw, const QString& again)
    {
        Box(&dlg, 0)->setText(oldPw);
        Box(&dlg, 1)->setText(newPw);
        Box(&dlg, 2)->setText(again);
    }
    QString password(const QString& code) { return GetStr("select F3 from TE1 where F1='" + code + "'"); }
};

TEST_F(S2Test, RefusesAConfirmationDifferingInCaseAndAWrongOldPassword)
{
    S2 dlg;
    for (int i = 0; i < 3; ++i) {
        QLineEdit* b = Box(&dlg, i);
        EXPECT_EQ(b->echoMode(), QLineEdit::Password);
        EXPECT_EQ(b->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, b), int('*')) << i;
    }
    type(dlg, "abc", "", "");
    GrabToPng(&dlg, "S2");

    type(dlg, "ADMIN", "secret", "SECRET");
    msgs->expect("新密码两次输入不同，请重新输入!");
    msgs->expect("旧密码错误，你无权修改该用户密码!");
    dlg.cmdClick(0);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "新密码两次输入不同，请重新输入!");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "提示");

    // The old password is compared with its case.
    type(dlg, "admin", "secret", "secret");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->last().text, "旧密码错误，你无权修改该用户密码!");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);

    EXPECT_EQ(password("001"), "ADMIN");
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    // The input stays for a correction.
    EXPECT_EQ(Box(&dlg, 0)->text(), "admin");
}

TEST_F(S2Test, ChangesOnlyTheLoggedInOperatorsPasswordKeepingCaseAndQuotes)
{
    Db().execute("insert into TE1 (F1,F2,F3) values ('002','李四','old')");
    gUserCode = "002";
    S2 dlg;
    type(dlg, "old", " My'Pw ", " My'Pw ");
    msgs->expect("密码修改成功!");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->texts(), QStringList{"密码修改成功!"});
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(password("002"), " My'Pw ");
    EXPECT_EQ(password("001"), "ADMIN");
}

TEST_F(S2Test, AFailedLookUpOfTheOldPasswordChangesNothing)
{
    // The old password cannot be read, though the row could be written.
    S2 dlg;
    type(dlg, "", "new", "new");
    msgs->expect("GetStr执行错误!系统返回如下信息：");
    {
        FailingReads failing("TE1", "F3");
        dlg.cmdClick(0);
    }
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(password("001"), "ADMIN");
    EXPECT_EQ(Box(&dlg, 1)->text(), "new");
}

TEST_F(S2Test, ReportsAFailureWhenTheOperatorsRowIsGone)
{
    // Logged in as an operator whose row was deleted meanwhile: nothing to update.
    gUserCode = "009";
    S2 dlg;
    type(dlg, "", "new", "new");
    msgs->expect("密码修改失败");
    dlg.cmdClick(0);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_NE(msgs->last().text, "密码修改成功!");
    EXPECT_TRUE(msgs->last().text.startsWith("密码修改失败"));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Rows("TE1 where F3='new'"), 0);
}

// ---------------------------------------------------------------- S03

class S03Test : public DataTest {
protected:
    S03Test() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        for (const char* t : {"M01", "M011", "M0111", "M02", "M021", "M04", "M03", "M031", "M030", "M05", "M06", "B01"})
            Db().execute(QString("insert into %1 (F1) values ('X1')").arg(t));
        Db().execute("insert into TB1 (F1,F3,SN,LB) values ('D1','客户甲',31,-9)");
        Db().execute("insert into TE1 (F1,F2,F3) values ('002','李四','pw')");
        Db().execute("update sysinfo set Setval=33 where ID=100");
    }
    void tick(S03& dlg, std::initializer_list<int> boxes)
    {
        for (int i : boxes)
            dlg.findChild<QCheckBox*>(QString("Chk(%1)").arg(i))->setChecked(true);
    }
    // Row counts of every table the window may touch, and of those it must keep.
    QMap<QString, int> counts()
    {
        QMap<QString, int> out;
        for (const char* t : {"M01", "M011", "M0111", "M02", "M021", "M04", "M03", "M031", "M030", "M05", "M06", "B01",
                 "TB1", "TE1", "sysinfo", "MS1"})
            out[t] = Rows(t);
        return out;
    }
};

TEST_F(S03Test, RefusesNothingTickedAndBasicDataWithoutWaybillsBeforeDeletingAnything)
{
    const auto before = counts();
    S03 dlg;
    GrabToPng(&dlg, "S03");
    msgs->expect("请选择要清除的对象!");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->texts(), QStringList{"请选择要清除的对象!"});
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "提示");

    msgs->clear();
    tick(dlg, {0, 3});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("清除了基本资料");
    dlg.cmdClick(0);
    ASSERT_EQ(msgs->count(), 2);
    EXPECT_EQ(msgs->boxes()[0].text, "数据清除后将无法恢复!真的继续吗?");
    EXPECT_EQ(msgs->boxes()[0].style, vbStyle::YesNo + vbStyle::Question);
    EXPECT_EQ(msgs->boxes()[0].title, "警告");
    EXPECT_EQ(msgs->boxes()[1].text, "清除了基本资料，速递单据相关信息也将无法存在！请同时选择删除速递单据信息");
    EXPECT_EQ(counts(), before);

    S03 customers;
    tick(customers, {1});
    msgs->clear();
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("清除了客户资料");
    customers.cmdClick(0);
    EXPECT_EQ(msgs->last().text, "清除了客户资料，速递单据相关信息也将无法存在！请同时选择删除速递单据信息");
    EXPECT_EQ(counts(), before);

    // Answering No to the warning deletes nothing either.
    S03 all;
    tick(all, {0, 1, 2, 3});
    msgs->clear();
    msgs->expect("数据清除后将无法恢复!真的继续吗?", vbBtn::No);
    all.cmdClick(0);
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(counts(), before);
}

TEST_F(S03Test, BasicDataWithWaybillsEmptiesExactlyItsTables)
{
    auto expected = counts();
    for (const char* t : {"M01", "M011", "M0111", "M02", "M021", "M04", "B01"})
        expected[t] = 0;
    S03 dlg;
    tick(dlg, {0, 2});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("数据清除成功!");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->texts(), (QStringList{"数据清除后将无法恢复!真的继续吗?", "数据清除成功!"}));
    EXPECT_EQ(counts(), expected);
    // The window stays with its boxes as they were.
    EXPECT_TRUE(dlg.findChild<QCheckBox*>("Chk(0)")->isChecked());
}

TEST_F(S03Test, CustomersWithWaybillsEmptyTheCustomerTablesOnly)
{
    auto expected = counts();
    for (const char* t : {"M03", "M031", "M030", "B01"})
        expected[t] = 0;
    S03 dlg;
    tick(dlg, {1, 2});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("数据清除成功!");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->last().text, "数据清除成功!");
    EXPECT_EQ(counts(), expected);
}

TEST_F(S03Test, LedgerOnlyKeepsTheSequenceCounter)
{
    auto expected = counts();
    expected["TB1"] = 0;
    S03 dlg;
    tick(dlg, {3});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("数据清除成功!");
    dlg.cmdClick(0);
    EXPECT_EQ(msgs->last().text, "数据清除成功!");
    EXPECT_EQ(counts(), expected);
    // The next entry is numbered on from the old counter: a new day's number, 31 on.
    EXPECT_EQ(GetVal("select Setval from sysinfo where ID=100"), 33);
    EXPECT_EQ(TakeLedgerSN(QDate(2024, 5, 6), "D2", false), 64);
}

TEST_F(S03Test, TheLedgerGoesWithTheDatesKeptBesideIt)
{
    Db().execute("insert into TB1 (F1,F2,F3,SN,LB) values ('D3','2024-05-01','客户甲',40,-9)");
    ASSERT_EQ(Rows("TB1Days"), 1);
    S03 dlg;
    tick(dlg, {3});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("数据清除成功!");
    dlg.cmdClick(0);
    EXPECT_EQ(Rows("TB1Days"), 0);
    Db().execute("insert into TB1 (F1,F2,F3,SN,LB) values ('D4','2024-05-02','客户甲',70,-9)");
    EXPECT_EQ(Rows("TB1Days"), 1) << "the ledger's triggers are back";
}

TEST_F(S03Test, AFailingDeleteLeavesEveryTableAsItWas)
{
    Db().executeNative("CREATE TRIGGER keep_m04 BEFORE DELETE ON M04 BEGIN SELECT RAISE(ABORT, 'M04 is locked'); END");
    const auto before = counts();
    S03 dlg;
    tick(dlg, {0, 1, 2, 3});
    msgs->expect("数据清除后将无法恢复!真的继续吗?");
    msgs->expect("数据清除失败!");
    dlg.cmdClick(0);
    EXPECT_FALSE(msgs->texts().contains("数据清除成功!"));
    EXPECT_TRUE(msgs->last().text.contains("M04 is locked"));
    EXPECT_EQ(counts(), before);
    EXPECT_FALSE(Db().inTransaction());
}

// ---------------------------------------------------------------- backup

class BackupTest : public DataTest {
protected:
    BackupTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        files = std::make_unique<FileDialogRecorder>();
        files->setStrict(true);
        ResetProgramEndRequest();
        Db().execute("insert into M04 (F1,F2) values ('王五','backup me')");
    }
    void TearDown() override
    {
        ResetProgramEndRequest();
        files.reset();
        DataTest::TearDown();
    }
    std::unique_ptr<FileDialogRecorder> files;
};

TEST_F(BackupTest, ProposesDataBakInTheHomeFolderAndCancelDoesNothing)
{
    files->answer(""); // cancelled
    RunBackup(nullptr);
    ASSERT_EQ(files->dialogs().size(), 1);
    EXPECT_TRUE(files->dialogs()[0].save);
    EXPECT_EQ(files->dialogs()[0].title, "系统数据备份至......");
    EXPECT_EQ(files->dialogs()[0].initialPath, QDir::homePath() + "/DataBak.dat");
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_TRUE(gDb);
}

TEST_F(BackupTest, RefusesAnExistingTargetAndTheProgramGoesOn)
{
    const QString target = folder->file("DataBak.dat");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an older backup");
    }
    files->answer(target);
    msgs->expect("目标位置已备份的同名文件");
    RunBackup(nullptr);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "目标位置已备份的同名文件，请删除目标文件或更换备份位置！");
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(ReadAll(target), "an older backup");
    EXPECT_FALSE(ProgramEndRequested());
    ASSERT_TRUE(gDb);
    EXPECT_EQ(GetStr("select F2 from M04 where F1='王五'"), "backup me");
}

TEST_F(BackupTest, CopiesTheClosedFileByteForByteAndEndsTheProgram)
{
    const QString target = folder->file("sub dir/DataBak.dat");
    QDir().mkpath(folder->file("sub dir"));
    files->answer(target);
    msgs->expect("备份完成！请重新启动系统！");
    RunBackup(nullptr);
    EXPECT_EQ(msgs->texts(), QStringList{"备份完成！请重新启动系统！"});
    EXPECT_EQ(msgs->last().style, vbStyle::Information);
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_FALSE(gDb);
    EXPECT_EQ(ReadAll(target), ReadAll(gDbPath));
    EXPECT_GT(ReadAll(target).size(), 0);
    // Only the finished copy is left beside it.
    EXPECT_EQ(QDir(folder->file("sub dir")).entryList(QDir::Files), QStringList{"DataBak.dat"});

    auto copy = Database::open(target, DataFileKey(), ProgramSql());
    EXPECT_EQ(copy->openRecordset("select F2 from M04 where F1='王五'").field(0).toString(), "backup me");
}

TEST_F(BackupTest, AFailingCopyIsReportedAndTheDatabaseReopened)
{
    const QString target = folder->file("no such folder/DataBak.dat");
    files->answer(target);
    msgs->expect("备份失败");
    RunBackup(nullptr);
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith("备份失败"));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(ProgramEndRequested());
    ASSERT_TRUE(gDb);
    // The program goes on working on its data file.
    Db().execute("insert into M04 (F1,F2) values ('赵六','')");
    EXPECT_EQ(Rows("M04"), 2);
}

// ---------------------------------------------------------------- About and registration

TEST(AboutUSTest, LinksGoToTheDesktopAndReturnCloses)
{
    QStringList opened;
    SetOpenResponder([&](const QString& url) {
        opened << url;
        return true;
    });
    AboutUS dlg;
    GrabToPng(&dlg, "AboutUS");
    EXPECT_EQ(dlg.findChild<QPushButton*>("Cmd(0)")->text(), "访问网站");
    EXPECT_EQ(dlg.findChild<QPushButton*>("Cmd(1)")->text(), "发送邮件");
    EXPECT_EQ(dlg.findChild<QPushButton*>("Cmd(2)")->text(), "返回系统");
    dlg.findChild<QPushButton*>("Cmd(0)")->click();
    dlg.findChild<QPushButton*>("Cmd(1)")->click();
    SetOpenResponder({});
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[0].startsWith("https://"));
    const QUrl mail(opened[1]);
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_TRUE(mail.query(QUrl::FullyDecoded).contains("subject=关于<捷诺达raredade>"));
    dlg.findChild<QPushButton*>("Cmd(2)")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(SystemWindowsTest, RegistersTheSystemMenusWindows)
{
    RegisterSystemWindows();
    for (const char* name : {"S02", "S2", "S03", "AboutUS", "Backup"})
        EXPECT_TRUE(WindowRegistry::isRegistered(name)) << name;
}
