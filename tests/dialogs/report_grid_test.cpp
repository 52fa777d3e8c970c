#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_grid.h"
#include "support/testenv.h"

class ReportGridTest : public DataTest {
protected:
    ReportGridTest() { strictResponders = true; }
};

TEST_F(ReportGridTest, TotalsRowSumsTheNumbersOfTheSummedColumnsUnderEveryRecord)
{
    Db().execute("insert into M01 (F1,F2) values ('A','1.5'), ('B','x'), ('C','2'), ('D',Null)");
    const RecordSet rs = Db().openRecordset("select F1,F2,F2 from M01 order by F1");
    const auto fill = [&](int rec, QString* row) {
        for (int c = 0; c < 3; ++c)
            row[c] = rs.at(rec, c).toString();
    };
    // A text that is no number and an empty cell count 0; the header stays out.
    std::vector<QString> cells = TotalsGridCells({"名称", "1", "2"}, rs, fill, {1, 2},
                                                 [](int col, double sum) { return col == 2 ? QString::number(sum, 'f', 2) : QString(); });
    ASSERT_EQ(cells.size(), size_t(6 * 3));
    EXPECT_EQ(QStringList({cells[0], cells[3], cells[6]}), QStringList({"名称", "A", "B"}));
    EXPECT_EQ(QStringList({cells[15], cells[16], cells[17]}), QStringList({"", "", "3.50"}));
    EXPECT_EQ(TotalsGridCells({"名称", "1", "2"}, rs, fill, {1})[16], "3.5");

    const RecordSet none = Db().openRecordset("select F1,F2 from M01 where F1='Z'");
    EXPECT_EQ(TotalsGridCells({"名称", "数"}, none, fill, {1}), (std::vector<QString>{"名称", "数", "", "0"}));
}

TEST_F(ReportGridTest, RefreshRunsBusyAndTellsARefusedStatementUnderTheNormalPointer)
{
    bool busyWhileFilling = false;
    int told = 0;
    const auto tell = [&](const DbError& e) {
        ++told;
        EXPECT_FALSE(BusyPointer());
        EXPECT_FALSE(e.message().isEmpty());
    };
    EXPECT_TRUE(RunRefresh([&] { busyWhileFilling = BusyPointer(); }, tell));
    EXPECT_TRUE(busyWhileFilling);
    EXPECT_EQ(told, 0);
    EXPECT_FALSE(RunRefresh([] { Db().openRecordset("select F1 from NoSuchTable"); }, tell));
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(BusyPointer());
}
