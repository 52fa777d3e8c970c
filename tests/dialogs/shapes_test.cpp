// The two hardest report shapes the printing windows hand over: the detail
// ledger (per-party runs closed by the window's totals rows, opening and
// closing balances, grand totals over the totals rows only) and the channel
// shipping list (waybill numbers only, everything else read through a chain
// of joins, the window's empty totals row left out).
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_control.h"
#include "report_fixture.h"

namespace {

// The text item whose top left corner is (x, y) on the paper; nullptr when none.
const LaidItem* TextAt(const LaidPage& page, double x, double y)
{
    for (const LaidItem& it : page.items)
        if (it.kind == LaidItem::Text && qFuzzyCompare(it.rect.left() + 1, x + 1) && qFuzzyCompare(it.rect.top() + 1, y + 1))
            return &it;
    return nullptr;
}

QString TextAtOr(const LaidPage& page, double x, double y)
{
    const LaidItem* it = TextAt(page, x, y);
    return it ? it->text : QStringLiteral("<none>");
}

const char* const kLedger = R"(# 明细帐
table Plist
page A4 landscape
margins 10 10 10 10
font 9
formula khbm ""

title 16
  text 0 0 277 9 center size=16 bold "{Cpt}"
  text 0 10 140 6 "{khbm}"
  text 137 10 140 6 right "日期: {rq}"

header 8
  box 0 0 277 8
  text 1 0 49 8 bold "关系单位"
  text 50 0 35 8 bold "单据号"
  text 85 0 52 8 bold "业务类型"
  text 137 0 34 8 right bold "期初余额"
  text 172 0 34 8 right bold "本期增加"
  text 207 0 34 8 right bold "本期减少"
  text 242 0 34 8 right bold "期末余额"

detail 7 when F4 = "合  计"
  line 50 0 277 0 width=0.3
  field 85 0 52 7 bold F4
  field 137 0 34 7 right bold F7 format="#0.00"
  field 172 0 34 7 right bold F8 format="#0.00"
  field 207 0 34 7 right bold F9 format="#0.00"
  field 242 0 34 7 right bold F10 format="#0.00"

detail 7
  field 1 0 49 7 suppress F1
  field 50 0 35 7 F3
  field 85 0 52 7 F4
  field 137 0 34 7 right F7 format="#0.00"
  field 172 0 34 7 right F8 format="#0.00"
  field 207 0 34 7 right F9 format="#0.00"
  field 242 0 34 7 right F10 format="#0.00"

footer 7
  text 0 0 277 7 center size=8 "第 {page} 页 共 {pages} 页"

summary 9
  line 0 1 277 1 width=0.4
  text 1 2 30 7 bold "总  计"
  count 50 2 30 7 when F4 = "合  计"
  sum 137 2 34 7 right bold F7 format="#0.00" when F4 = "合  计"
  sum 172 2 34 7 right bold F8 format="#0.00" when F4 = "合  计"
  sum 207 2 34 7 right bold F9 format="#0.00" when F4 = "合  计"
  sum 242 2 34 7 right bold F10 format="#0.00" when F4 = "合  计"
)";

class ShapesTest : public DataTest {
protected:
    ShapesTest() { strictResponders = true; }
};

TEST_F(ShapesTest, LedgerRunsTotalsRowsAndGrandTotals)
{
    WriteTextFile(folder->file("kuanmx.rpt"), kLedger);
    // As the ledger window writes its grid: F0 the row as four digits, F1..F10
    // the ten cells (opening only on a party's first row, zero amounts blank,
    // each party closed by its totals row), V1 the row number.
    const QStringList cols{"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "V1"};
    ASSERT_TRUE(FillScratchTable("Plist", cols,
        {{"0001", "甲公司", "", "D001", "运费", "", "", "100.00", "200.00", "", "300.00", "1"},
         {"0002", "甲公司", "", "D002", "付款", "", "", "", "", "50.00", "250.00", "2"},
         {"0003", "甲公司", "", "", " 合  计 ", "", "", "100.00", "200.00", "50.00", "250.00", "3"},
         {"0004", "O'Brien 乙", "", "D003", "运费", "", "", "0.00", "80.50", "", "80.50", "4"},
         {"0005", "O'Brien 乙", "", "", " 合  计 ", "", "", "0.00", "80.50", "0.00", "80.50", "5"}}));

    // Through the control, as the window hands it over.
    ReportPreview preview;
    ReportControl cry;
    cry.setWindowParent(&preview);
    cry.setDataFiles(0, gDbPath);
    cry.setReportFileName(gAppPath + "kuanmx.rpt");
    cry.setFormulas(0, "Cpt='应付款明细帐'");
    cry.setFormulas(1, "khbm='供货商编号：'");
    cry.setFormulas(2, "rq='2024-03-01 - 2024-03-31'");
    cry.setDestination(0);
    ASSERT_TRUE(cry.setAction(1)) << msgs->texts().join('\n').toStdString();
    const ReportLayout& r = *cry.lastReport();
    EXPECT_EQ(r.pageSize, QSizeF(297, 210));
    ASSERT_EQ(r.pages.size(), 1);
    const LaidPage& p = r.pages[0];

    EXPECT_TRUE(FindText(p, "应付款明细帐"));
    EXPECT_TRUE(FindText(p, "供货商编号："));
    EXPECT_TRUE(FindText(p, "日期: 2024-03-01 - 2024-03-31"));
    EXPECT_TRUE(FindText(p, "第 1 页 共 1 页"));

    constexpr double x0 = 10, body = 10 + 16 + 8, row = 7;
    constexpr double party = x0 + 1, doc = x0 + 50, kind = x0 + 85, open = x0 + 137, add = x0 + 172, paid = x0 + 207,
                     close = x0 + 242;
    // The party's name once over its run, again for the next party.
    EXPECT_EQ(CountText(p, "甲公司"), 1);
    EXPECT_EQ(TextAtOr(p, party, body), "甲公司");
    EXPECT_EQ(TextAtOr(p, party, body + row), "");
    EXPECT_EQ(TextAtOr(p, party, body + 3 * row), "O'Brien 乙");
    // Entry rows: the opening balance on the first row only; blanks stay blank.
    EXPECT_EQ(TextAtOr(p, doc, body), "D001");
    EXPECT_EQ(TextAtOr(p, open, body), "100.00");
    EXPECT_EQ(TextAtOr(p, open, body + row), "");
    EXPECT_EQ(TextAtOr(p, paid, body), "");
    EXPECT_EQ(TextAtOr(p, paid, body + row), "50.00");
    EXPECT_EQ(TextAtOr(p, close, body + row), "250.00");
    // The totals rows take their own band: bold, no party or document cell.
    const LaidItem* total = TextAt(p, close, body + 2 * row);
    ASSERT_TRUE(total);
    EXPECT_EQ(total->text, "250.00");
    EXPECT_TRUE(total->bold);
    EXPECT_EQ(TextAtOr(p, kind, body + 2 * row), " 合  计 ");
    EXPECT_EQ(TextAt(p, doc, body + 2 * row), nullptr);
    EXPECT_EQ(TextAtOr(p, paid, body + 4 * row), "0.00");
    // Grand totals over the totals rows only, not the entries again.
    const double sum = body + 5 * row + 2;
    EXPECT_EQ(TextAtOr(p, x0 + 50, sum), "2");
    EXPECT_EQ(TextAtOr(p, open, sum), "100.00");
    EXPECT_EQ(TextAtOr(p, add, sum), "280.50");
    EXPECT_EQ(TextAtOr(p, paid, sum), "50.00");
    EXPECT_EQ(TextAtOr(p, close, sum), "330.50");
}

TEST_F(ShapesTest, ChannelListReadsWaybillsCustomersAndChannelThroughJoins)
{
    Db().execute("insert into M01 (F1,F2) values ('HK','香港联盟')");
    Db().execute("insert into M03 (F1,F2) values ('C01','甲公司')");
    Db().execute("insert into M03 (F1,F2) values ('C02','乙''s 公司')");
    Db().execute("insert into B01 (F1,F101,F202,F603,F301,F2031,F401,F404,DF,F103) "
                 "values ('W1','2024-03-05','HK','C01','D','东京',1,0.5,0,'')");
    Db().execute("insert into B01 (F1,F101,F202,F603,F301,F2031,F401,F404,DF,F103) "
                 "values ('W2','2024-03-05','HK','C02','S','纽约',3,12.5,150,'易碎')");
    // A customer code without its customer row: its cells stay empty.
    Db().execute("insert into B01 (F1,F101,F202,F603,F301,F2031,F401,F404,DF,F103) "
                 "values ('W3','2024-03-05','HK','C99','S','香港',2,3,0,'')");
    // The window's order, not the key order; the totals row last with an empty F1.
    ASSERT_TRUE(FillScratchTable("PRNTC01", {"F1"}, {{"W2"}, {"W1"}, {"W3"}, {""}}));

    WriteTextFile(folder->file("prntc011.rpt"), R"(
table PRNTC01
join B01 on F1 = F1
join M03 on B01.F603 = F1
join M01 on B01.F202 = F1
page A4 portrait
margins 12 12 12 12
formula TOWHO ""

title 20
  text 0 0 186 10 center size=15 bold "{TOWHO}"
  text 0 12 30 6 "出货日期:"
  field 30 12 40 6 B01.F101
  text 100 12 30 6 "渠道:"
  field 130 12 56 6 M01.F2

header 7
  box 0 0 186 7
  text 1 0 29 7 bold "运单号"
  text 40 0 46 7 bold "发件公司"
  text 116 0 15 7 right bold "件数"

detail 6 when F1 != ""
  field 1 0 29 6 F1
  field 30 0 10 6 center B01.F301
  field 40 0 46 6 M03.F2
  field 86 0 30 6 B01.F2031
  field 116 0 15 6 right B01.F401 format="#0"
  field 131 0 20 6 right B01.F404 format="#0.0"
  field 151 0 20 6 right B01.DF format="#0.00"
  field 171 0 15 6 B01.F103

summary 8
  line 0 0 186 0
  text 1 1 29 7 bold "合计"
  count 30 1 10 7 when F1 != ""
  sum 116 1 15 7 right B01.F401 format="#0"
  sum 131 1 20 7 right B01.F404 format="#0.0"
  sum 151 1 20 7 right B01.DF format="#0.00"
)");
    const ReportTemplate tpl = ReportTemplate::load(folder->file("prntc011.rpt"));
    const ReportLayout r = LayoutReport(tpl, ReadReportRows(tpl, Db()), {{"towho", "TO:香港联盟  出货明细 "}});
    ASSERT_EQ(r.pages.size(), 1);
    const LaidPage& p = r.pages[0];
    constexpr double x0 = 12, body = 12 + 20 + 7, row = 6;

    EXPECT_TRUE(FindText(p, "TO:香港联盟  出货明细 "));
    // The title's fields show the first row: its date and its channel, two joins away.
    EXPECT_EQ(TextAtOr(p, x0 + 30, 12 + 12), "2024-03-05");
    EXPECT_EQ(TextAtOr(p, x0 + 130, 12 + 12), "香港联盟");

    EXPECT_EQ(TextAtOr(p, x0 + 1, body), "W2");
    EXPECT_EQ(TextAtOr(p, x0 + 40, body), "乙's 公司");
    EXPECT_EQ(TextAtOr(p, x0 + 86, body), "纽约");
    EXPECT_EQ(TextAtOr(p, x0 + 131, body), "12.5");
    EXPECT_EQ(TextAtOr(p, x0 + 151, body), "150.00");
    EXPECT_EQ(TextAtOr(p, x0 + 171, body), "易碎");
    EXPECT_EQ(TextAtOr(p, x0 + 1, body + row), "W1");
    EXPECT_EQ(TextAtOr(p, x0 + 40, body + row), "甲公司");
    EXPECT_EQ(TextAtOr(p, x0 + 1, body + 2 * row), "W3");
    EXPECT_EQ(TextAtOr(p, x0 + 40, body + 2 * row), "");
    // The totals row printed nothing; the summary sits right under W3.
    const double sum = body + 3 * row + 1;
    EXPECT_EQ(TextAtOr(p, x0 + 1, sum), "合计");
    EXPECT_EQ(TextAtOr(p, x0 + 30, sum), "3");
    EXPECT_EQ(TextAtOr(p, x0 + 116, sum), "6");
    EXPECT_EQ(TextAtOr(p, x0 + 131, sum), "16.0");
    EXPECT_EQ(TextAtOr(p, x0 + 151, sum), "150.00");
}

TEST(ReportJoins, ChainNamesOnlyTablesListedAbove)
{
    // A join may start from the scratch table or a table joined before it.
    const ReportTemplate ok = ReportTemplate::parse(
        "table PRNTC01\njoin B01 on F1 = F1\njoin M03 on b01.F603 = F1\ndetail 5\n  field 0 0 10 5 M03.F2\n", "a.rpt");
    ASSERT_EQ(ok.joins.size(), 2);
    EXPECT_EQ(ok.joins[1].fromColumn, "b01.F603");

    const auto message = [](const QString& text) {
        try {
            ReportTemplate::parse(text, "b.rpt");
        } catch (const ReportError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(message("table PRNTC01\njoin M03 on B01.F603 = F1\njoin B01 on F1 = F1\ndetail 5\n"),
        "报表文件b.rpt第2行有错误: 数据表B01应先列出");
    EXPECT_EQ(message("table PRNTC01\njoin B01 on F1 = F1\njoin B01 on F1 = F2\ndetail 5\n"),
        "报表文件b.rpt第3行有错误: 数据表B01已经列出");
}

TEST_F(ShapesTest, FormattedFieldKeepsTextThatIsNoNumber)
{
    // A caption the window wrote into an amount column prints as written.
    ASSERT_TRUE(FillScratchTable("PrTA1", {"F1", "F3"}, {{"甲", "12.5"}, {"乙", "-"}, {"丙", ""}, {"合计", " 7 "}}));
    const ReportTemplate tpl = ReportTemplate::parse(
        "table PrTA1\nmargins 0 0 0 0\ndetail 5\n  field 0 0 20 5 F1\n  field 20 0 20 5 F3 format=\"#0.00\"\n", "kuanhz.rpt");
    const ReportLayout r = LayoutReport(tpl, ReadReportRows(tpl, Db()), {});
    ASSERT_EQ(r.pages.size(), 1);
    EXPECT_EQ(TextAtOr(r.pages[0], 20, 0), "12.50");
    EXPECT_EQ(TextAtOr(r.pages[0], 20, 5), "-");
    EXPECT_EQ(TextAtOr(r.pages[0], 20, 10), "");
    EXPECT_EQ(TextAtOr(r.pages[0], 20, 15), "7.00");
}

} // namespace
