#include "delivery_fixture.h"
#include "delivery_notes/d2.h"
#include "delivery_notes/d201.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "platform/vb.h"
#include "support/failing_reads.h"
#include "support/stored_cells.h"

#include <QFile>

#include <QLineEdit>
#include <QPushButton>

namespace {

class D201Test : public DeliveryTest {
protected:
    // The entry window over a list, filled in as the operator would.
    static void fill(D201& dlg, const QString& customer, const QString& noteNo, const QString& amount)
    {
        dlg.CmbKH->setEditText(customer);
        dlg.Txt[0]->setText(noteNo);
        dlg.Txt[1]->setText(amount);
    }
    // The list with one search that found every payment.
    D2* listWithSearch()
    {
        modals->on("Query", [](QDialog&) { Query::shared().runQuery(); });
        D2* d2 = open<D2>();
        trigger(d2, "Menu_query");
        return d2;
    }
    int paymentRows() { return count("select count(*) from TD2"); }
};

TEST_F(D201Test, OpensWithTheCustomersNoneChosenAndToday)
{
    D201 dlg;
    dlg.formLoad();
    EXPECT_EQ(dlg.windowTitle(), " 付款登记");
    QStringList items;
    for (int i = 0; i < dlg.CmbKH->count(); ++i)
        items << dlg.CmbKH->itemText(i);
    EXPECT_EQ(items, QStringList({"C01.华联商场", "C02.新星贸易", "C03.O'Neil商行"}));
    EXPECT_EQ(dlg.CmbKH->currentText(), "");
    EXPECT_EQ(dlg.DTP->date(), QDate::currentDate());
}

TEST_F(D201Test, RefusesEachWrongEntryInOrderAndWritesNothing)
{
    note("N010", "2024-05-20", "C01", "50", "50");   // settled
    note("N011", "2024-05-21", "C01", "50", "60");   // overpaid earlier
    struct Case {
        const char* customer;
        const char* noteNo;
        const char* amount;
        const char* message;
        bool focusToCustomer;
    } cases[] = {
        {"", "N001", "10", "客户不能为空!", false},
        {"   ", "N001", "10", "客户不能为空!", false},
        {"C99.无此客户", "N001", "10", "客户编号输入错误!", true},
        {"华联商场", "N001", "10", "客户编号输入错误!", true},
        {"C01.华联商场", "  ", "10", "发货单号不能为空！", false},
        {"C01.华联商场", "X999", "10", "无效的发货单号!", false},
        {"C02.新星贸易", "N001", "10", "客户与发货单号不对应!", false},
        // The code before the "." is compared as written.
        {"C01 .华联商场", "N001", "10", "客户与发货单号不对应!", false},
        {"C01.华联商场", "N001", "", "付款 (元)不能为0！", false},
        {"C01.华联商场", "N001", "0", "付款 (元)不能为0！", false},
        {"C01.华联商场", "N001", "abc", "付款 (元)不能为0！", false},
        {"C01.华联商场", "N010", "10", "指定的发货单号已经清结，不需要继续付款!", false},
        {"C01.华联商场", "N011", "10", "指定的发货单号已经清结，不需要继续付款!", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + std::string(" / ") + c.customer);
        D201 dlg;
        dlg.formLoad();
        dlg.show();
        dlg.activateWindow();
        dlg.Txt[1]->setFocus();
        fill(dlg, c.customer, c.noteNo, c.amount);
        msgs->clear();
        msgs->expect(c.message);
        dlg.Command1_Click();
        ASSERT_EQ(msgs->count(), 1);
        EXPECT_EQ(msgs->last().text, c.message);
        EXPECT_EQ(msgs->last().style, vbStyle::Information);
        EXPECT_EQ(msgs->last().title, "提示");
        EXPECT_EQ(dlg.focusWidget() == dlg.CmbKH || dlg.focusWidget() == dlg.CmbKH->lineEdit(), c.focusToCustomer);
        // The entries stay and nothing is written.
        EXPECT_EQ(dlg.Txt[0]->text(), c.noteNo);
        EXPECT_EQ(dlg.result(), 0);
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(value("select F91 from TD1 where F1='N001'"), "");
    }
}

TEST_F(D201Test, AFailedLookUpStopsThePaymentWithOnlyItsOwnBox)
{
    // The customer's name, the note's customer, what the note still owes.
    const std::pair<const char*, const char*> cases[] = {{"TA2", "F2"}, {"TD1", "F3"}, {"TD1", "F91"}};
    D201 dlg;
    dlg.formLoad();
    fill(dlg, "C01.华联商场", "N001", "10");
    for (const auto& [table, column] : cases) {
        SCOPED_TRACE(table + std::string(".") + column);
        msgs->clear();
        msgs->expect(QString(table) + "." + column);
        {
            FailingReads failing(table, column);
            dlg.Command1_Click();
        }
        EXPECT_EQ(msgs->count(), 1);
        EXPECT_EQ(dlg.result(), 0);
        EXPECT_EQ(paymentRows(), 0);
        EXPECT_EQ(value("select F91 from TD1 where F1='N001'"), "");
    }
}

TEST_F(D201Test, PaymentLowersTheOpenAmountAndJoinsTheListAsItsCurrentLastRow)
{
    payment("C01", "N002", "2024-05-12", "50.5", "200");
    payment("C02", "N004", "2024-05-20", "70", "-10");
    D2* d2 = listWithSearch();
    FlexGrid* gd = grid(d2);
    ASSERT_EQ(gd->rows(), 4); // two payments and the sums row

    modals->on("D201", [&](QDialog& d) {
        auto& dlg = static_cast<D201&>(d);
        dlg.DTP->setDate(QDate(2024, 6, 2));
        fill(dlg, "C01.华联商场", " N001 ", "40");
        dlg.Command1->click();
    });
    trigger(d2, "Menu_A");
    EXPECT_EQ(modals->shown.last(), "D201");

    // The note's paid amount was Null: it counts as 0.
    EXPECT_EQ(value("select F91 from TD1 where F1='N001'"), "40");
    RecordSet rs = Db().openRecordset("select F1,F2,F3,F4,F5 from TD2 where F2='N001'");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(QStringList({rs.at(0, 0).toString(), rs.at(0, 1).toString(), rs.at(0, 2).toString(),
                           rs.at(0, 3).toString(), rs.at(0, 4).toString()}),
              QStringList({"C01", "N001", "2024-06-02", "40", "60"}));

    // The sums row went, the payment is the last and current row, all rows count.
    ASSERT_EQ(gd->rows(), 4);
    EXPECT_EQ(rowText(gd, 3), "C01|华联商场|N001|100|2024-06-02|40|60");
    EXPECT_EQ(gd->textMatrix(2, 2), "N004");
    EXPECT_EQ(gd->row(), 3);
    EXPECT_EQ(d2->curRow(), 3);
    EXPECT_EQ(host.panels[4], "客户付款记录：共 3 条记录 当前为第 3 条");

    // The next search rebuilds the sums row.
    trigger(d2, "Menu_query");
    ASSERT_EQ(gd->rows(), 5);
    EXPECT_EQ(gd->textMatrix(4, 5), "160.5");
}

TEST_F(D201Test, PaymentIntoAnEmptyListLeavesItsOneRow)
{
    D2* d2 = open<D2>();
    D201 dlg(d2);
    dlg.formLoad();
    dlg.DTP->setDate(QDate(2024, 6, 3));
    // A bare code is a customer; the amount is read from its leading number.
    fill(dlg, "C01", "N001", "5.5元");
    dlg.Command1_Click();
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    FlexGrid* gd = grid(d2);
    ASSERT_EQ(gd->rows(), 2);
    EXPECT_EQ(rowText(gd, 1), "C01|华联商场|N001|100|2024-06-03|5.5|94.5");
    EXPECT_EQ(host.panels[4], "客户付款记录：共 1 条记录 当前为第 1 条");
}

TEST_F(D201Test, AListedPaymentWithoutACustomerCodeStaysWhenAPaymentJoins)
{
    payment("", "N005", "2024-05-02", "5", "25");
    D2* d2 = listWithSearch();
    FlexGrid* gd = grid(d2);
    ASSERT_EQ(gd->rows(), 3);
    D201 dlg(d2);
    dlg.formLoad();
    dlg.DTP->setDate(QDate(2024, 6, 3));
    fill(dlg, "C01.华联商场", "N001", "10");
    dlg.Command1_Click();
    ASSERT_EQ(gd->rows(), 3);
    EXPECT_EQ(rowText(gd, 1), "||N005|30|2024-05-02|5|25.00");
    EXPECT_EQ(rowText(gd, 2), "C01|华联商场|N001|100|2024-06-03|10|90");
    EXPECT_EQ(host.panels[4], "客户付款记录：共 2 条记录 当前为第 2 条");
}

TEST_F(D201Test, MoreThanOwedOrANegativeAmountIsTakenAsTyped)
{
    struct Case {
        const char* note;
        const char* amount;
        const char* paid;
        const char* balance;
    } cases[] = {
        {"N002", "250", "300.5", "-50"}, // 200 owed: the balance goes negative
        {"N001", "-20", "-20", "120"},   // a negative amount lowers what was paid
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        D201 dlg;
        dlg.formLoad();
        fill(dlg, "C01.华联商场", c.note, c.amount);
        dlg.Command1_Click();
        EXPECT_EQ(value(QStringLiteral("select F91 from TD1 where F1='%1'").arg(c.note)), c.paid);
        EXPECT_EQ(value(QStringLiteral("select F5 from TD2 where F2='%1'").arg(c.note)), c.balance);
    }
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
}

TEST_F(D201Test, PaymentsAddingUpToTheNoteSettleItToTheCent)
{
    note("N040", "2024-05-20", "C01", "300.3", "0");
    D2* d2 = open<D2>();
    for (const char* amount : {"100.1", "200.2"}) {
        D201 dlg(d2);
        dlg.formLoad();
        fill(dlg, "C01.华联商场", "N040", amount);
        dlg.Command1_Click();
    }
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join('\n').toStdString();
    EXPECT_EQ(value("select F5 from TD2 where F2='N040' and F4=200.2"), "0");
    EXPECT_EQ(grid(d2)->textMatrix(2, 6), "0");

    D201 dlg(d2);
    dlg.formLoad();
    fill(dlg, "C01.华联商场", "N040", "1");
    msgs->expect("指定的发货单号已经清结，不需要继续付款!");
    dlg.Command1_Click();
    EXPECT_EQ(paymentRows(), 2);
}

TEST_F(D201Test, AFailedWriteShowsTheEngineTextChangesNothingAndStaysOpen)
{
    Db().executeNative("CREATE TRIGGER td2_full BEFORE INSERT ON TD2 BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
    D2* d2 = open<D2>();
    D201 dlg(d2);
    dlg.formLoad();
    fill(dlg, "C01.华联商场", "N001", "40");
    msgs->expect("付款登记失败!系统返回如下信息：");
    dlg.Command1_Click();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("disk is full")) << msgs->last().text.toStdString();
    EXPECT_EQ(value("select F91 from TD1 where F1='N001'"), "");
    EXPECT_EQ(paymentRows(), 0);
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(dlg.Txt[1]->text(), "40");
    EXPECT_EQ(grid(d2)->rows(), 2);
    EXPECT_EQ(grid(d2)->textMatrix(1, 0), "");
}

TEST_F(D201Test, PaymentsStoreEachValueAsTheComposedStatementsDid)
{
    // The same payments written by the window (bound) and by the statements
    // it once composed into a copy of the file: type and value alike.
    Db().singleFile();
    const QString oldPath = folder->file("old.dat");
    ASSERT_TRUE(QFile::copy(Db().path(), oldPath));
    std::unique_ptr<Database> old = Database::open(oldPath, DataFileKey(), ProgramSql());
    const struct {
        QString customer, note, amount;
        QDate day;
    } cases[] = {
        {"C01.华联商场", "N001", "40", {2024, 6, 2}},
        {"C01.华联商场", "N001", "0.1", {2024, 6, 3}},
        {"C01.华联商场", "N002", "33.333333333333336", {2024, 12, 31}},
        {"C01.华联商场", "N005", "-10", {2025, 1, 1}},
        {"C03", "N006", "1e1", {2024, 2, 29}},
    };
    for (const auto& c : cases) {
        D201 dlg;
        dlg.formLoad();
        dlg.DTP->setDate(c.day);
        fill(dlg, c.customer, c.note, c.amount);
        dlg.Command1_Click();
        const double amount = Val(c.amount);
        const QString outstanding = "SELECT ROUND(F9-IFNULL(F91,0),2) AS SL FROM TD1 WHERE F1=" + SqlQuote(c.note);
        old->execute("update  TD1 SET F91=IFNULL(F91,0)+" + SqlNum(amount) + " WHERE F1=" + SqlQuote(c.note));
        const double balance = old->openRecordset(outstanding).at(0, 0).toDouble();
        old->execute("insert into TD2 (F1,F2,F3,F4,F5) values(" + SqlQuote(c.customer.section('.', 0, 0)) + "," + SqlQuote(c.note)
                     + "," + SqlQuote(DateText(c.day)) + "," + SqlNum(amount) + "," + SqlNum(balance) + ")");
    }
    EXPECT_EQ(paymentRows(), 5);
    for (const char* table : {"TD1", "TD2"})
        EXPECT_EQ(StoredCells(Db(), table).join('\n').toStdString(), StoredCells(*old, table).join('\n').toStdString());
}

TEST_F(D201Test, CancelSavesNothing)
{
    D2* d2 = open<D2>();
    modals->on("D201", [](QDialog& d) {
        auto& dlg = static_cast<D201&>(d);
        fill(dlg, "C01.华联商场", "N001", "40");
        dlg.Command2->click();
    });
    trigger(d2, "Menu_A");
    EXPECT_EQ(modals->shown, QStringList({"D201"}));
    EXPECT_EQ(paymentRows(), 0);
    EXPECT_EQ(value("select F91 from TD1 where F1='N001'"), "");
}

TEST_F(D201Test, EnterMovesFromTheCustomerToTheNoteAndOn)
{
    D201 dlg;
    dlg.formLoad();
    dlg.show();
    dlg.activateWindow();
    dlg.CmbKH->setFocus();
    pressKey(dlg.CmbKH, Qt::Key_Return);
    EXPECT_EQ(dlg.focusWidget(), dlg.Txt[0]);
    pressKey(dlg.Txt[0], Qt::Key_Return);
    EXPECT_EQ(dlg.focusWidget(), dlg.Txt[1]);
}

TEST_F(D201Test, NewDataFilesGiveANotesPaidAmountZero)
{
    Db().execute("insert into TD1 (F1,F2,F3,F9) values ('N020','2024-05-05','C01',12)");
    EXPECT_EQ(value("select F91 from TD1 where F1='N020'"), "0");
}

} // namespace
