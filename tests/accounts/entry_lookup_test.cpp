// The entry windows' document numbers when the ledger cannot be asked.
#include "accounts_fixture.h"

#include "support/failing_reads.h"

TEST_F(AccountsTest, ANumberTheLedgerCannotBeAskedAboutIsNeitherProposedNorTaken)
{
    ledgerRow("YF77", 9, "2024-03-01", "渠道甲", 31, 5, 0);
    zhLst* w = open<zhLst>(-9);
    FlexGrid* gd = w->grid();
    const QString failure = QStringLiteral("查询执行错误!系统返回如下信息：\raccess to TB1.F1 is prohibited");
    FailingReads failing("TB1", "F1");

    // The number the window would propose, then one typed that is stored.
    msgs->expect(failure);
    trigger(w, "Menu_Add");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(gd->textMatrix(1, 0), "");

    typeCell(w, "yf77");
    msgs->expect(failure);
    w->editor()->commit(CellCommit::Program);
    ASSERT_EQ(msgs->count(), 2);
    EXPECT_EQ(msgs->last().text, failure);
    EXPECT_EQ(gd->textMatrix(1, 0), "");
    EXPECT_EQ(count("select count(*) from TB1"), 1);
}
