#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_control.h"
#include "report_fixture.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace {

class EngineTest : public DataTest {
protected:
    EngineTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        WriteTextFile(folder->file("sample.rpt"), ReadmeExample());
    }

    ReportLayout lay(const QString& templateName, const QMap<QString, QString>& formulas = {})
    {
        const ReportTemplate tpl = ReportTemplate::load(folder->file(templateName));
        return LayoutReport(tpl, ReadReportRows(tpl, Db()), formulas);
    }

    // Three waybills and the totals row the window writes last.
    void fillStatement()
    {
        ASSERT_TRUE(FillScratchTable("PRNTC023", {"F1", "F2", "F3", "F4", "F5", "F6"},
            {{"YD001", "2024-03-01", "东京", "1", "2.5", "120"},
             {"YD002", "2024-03-02", "O'Brien 纽约", "2", "10", "360.5"},
             {"YD003", "2024-03-03", "香港", "3", "0.55", "45"},
             {"", "", "", "", "13.05", "525.5"}}));
    }
};

// Where the README example puts things: margins 15/12, title 22, header 8,
// rows 7, footer 8 above the bottom margin.
constexpr double kLeft = 15, kTop = 12, kTitle = 22, kHeader = 8, kRow = 7;
constexpr double kFooterTop = 297 - 12 - 8;

TEST_F(EngineTest, StatementPlacesTitleRowsTotalsAndFooter)
{
    fillStatement();
    const ReportLayout r = lay("sample.rpt", {{"kh", "张三'的店"}, {"rq", "对帐日期:2024-03-01至2024-03-31"}});
    ASSERT_EQ(r.pages.size(), 1);
    EXPECT_EQ(r.pageSize, QSizeF(210, 297));
    const LaidPage& p = r.pages[0];

    // The declared default of Cpt, the window's formulas whole.
    const LaidItem* title = FindText(p, "对帐明细表");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->rect, QRectF(kLeft, kTop, 180, 10));
    EXPECT_TRUE(title->bold);
    EXPECT_EQ(title->size, 16);
    EXPECT_EQ(title->family, "Noto Sans CJK SC");
    ASSERT_TRUE(FindText(p, "客户: 张三'的店"));
    EXPECT_EQ(FindText(p, "对帐日期:2024-03-01至2024-03-31")->rect.topLeft(), QPointF(kLeft + 100, kTop + 12));

    const double body = kTop + kTitle + kHeader;
    EXPECT_EQ(FindText(p, "运单号")->rect.top(), kTop + kTitle);
    const QStringList ids{"YD001", "YD002", "YD003"};
    for (int i = 0; i < 3; ++i) {
        const LaidItem* id = FindText(p, ids[i]);
        ASSERT_TRUE(id) << ids[i].toStdString();
        EXPECT_EQ(id->rect, QRectF(kLeft + 1, body + i * kRow, 28, 7));
    }
    EXPECT_EQ(FindText(p, "O'Brien 纽约")->rect.topLeft(), QPointF(kLeft + 55, body + kRow));
    // Number formats: weights "#0.0", money "#0.00", right aligned.
    const LaidItem* money = FindText(p, "360.50");
    ASSERT_TRUE(money);
    EXPECT_EQ(money->rect.topLeft(), QPointF(kLeft + 155, body + kRow));
    EXPECT_TRUE(money->align & Qt::AlignRight);
    EXPECT_TRUE(FindText(p, "2.5"));

    // The totals row takes its own band: caption, bold sums, no waybill cells.
    const double totals = body + 3 * kRow;
    const LaidItem* caption = FindText(p, "合  计");
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->rect.top(), totals);
    const LaidItem* sumWeight = FindText(p, "13.1");
    ASSERT_TRUE(sumWeight);
    EXPECT_EQ(sumWeight->rect.topLeft(), QPointF(kLeft + 130, totals));
    EXPECT_TRUE(sumWeight->bold);
    EXPECT_TRUE(FindText(p, "525.50"));

    // The summary counts waybills, not the totals row; the footer numbers the page.
    const LaidItem* count = nullptr;
    for (const LaidItem& it : p.items)
        if (it.kind == LaidItem::Text && it.rect.topLeft() == QPointF(kLeft + 20, totals + kRow + 3))
            count = &it;
    ASSERT_TRUE(count);
    EXPECT_EQ(count->text, "3");
    const LaidItem* footer = FindText(p, "第 1 页  共 1 页");
    ASSERT_TRUE(footer);
    EXPECT_EQ(footer->rect.top(), kFooterTop + 1);
}

TEST_F(EngineTest, LongTableBreaksIntoPagesWithHeaderAndPageNumbers)
{
    QList<QStringList> rows;
    for (int i = 1; i <= 100; ++i)
        rows << QStringList{QStringLiteral("YD%1").arg(i, 4, 10, QChar('0')), "2024-03-01", "东京", "1", "1", "10"};
    rows << QStringList{"", "", "", "", "100", "1000"};
    ASSERT_TRUE(FillScratchTable("PRNTC023", {"F1", "F2", "F3", "F4", "F5", "F6"}, rows));

    const ReportLayout r = lay("sample.rpt", {{"KH", "客户"}, {"RQ", ""}});
    // 33 rows fit under the title, 36 on a page without it.
    ASSERT_EQ(r.pages.size(), 3);
    QStringList printedIds;
    for (int i = 0; i < r.pages.size(); ++i) {
        const LaidPage& p = r.pages[i];
        EXPECT_EQ(CountText(p, "运单号"), 1) << "page " << i + 1;
        EXPECT_EQ(FindText(p, "运单号")->rect.top(), i == 0 ? kTop + kTitle : kTop);
        EXPECT_EQ(CountText(p, "对帐明细表"), i == 0 ? 1 : 0);
        EXPECT_TRUE(FindText(p, QStringLiteral("第 %1 页  共 3 页").arg(i + 1))) << "page " << i + 1;
        for (const LaidItem& it : p.items) {
            if (it.kind == LaidItem::Text && it.text.startsWith("YD")) {
                printedIds << it.text;
                EXPECT_LE(it.rect.bottom(), kFooterTop + 1e-9);
            }
        }
    }
    ASSERT_EQ(printedIds.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(printedIds[i], QStringLiteral("YD%1").arg(i + 1, 4, 10, QChar('0')));
    EXPECT_EQ(CountText(r.pages[0], "YD0033"), 1);
    EXPECT_EQ(CountText(r.pages[1], "YD0034"), 1);
    EXPECT_TRUE(FindText(r.pages[2], "合  计"));
    EXPECT_TRUE(FindText(r.pages[2], "100"));
    EXPECT_TRUE(FindText(r.pages[2], "1000.00"));
}

TEST_F(EngineTest, EmptyTablePrintsHeadingsAndZeroTotals)
{
    const ReportLayout r = lay("sample.rpt", {{"KH", "x"}, {"RQ", "y"}});
    ASSERT_EQ(r.pages.size(), 1);
    EXPECT_TRUE(FindText(r.pages[0], "运单号"));
    EXPECT_TRUE(FindText(r.pages[0], "0"));
}

TEST_F(EngineTest, MissingTemplateColumnFormulaOrTableGiveTheirMessages)
{
    fillStatement();
    try {
        ReportTemplate::load(folder->file("nothere.rpt"));
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.message(), "报表文件nothere.rpt丢失!");
    }

    WriteTextFile(folder->file("badcol.rpt"), "table PRNTC023\ndetail 6\n  field 0 0 20 6 F9\n");
    try {
        lay("badcol.rpt");
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.message(), "报表文件badcol.rpt所用的字段F9在数据表PRNTC023中不存在!");
    }

    try {
        lay("sample.rpt", {{"RQ", "x"}});
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.message(), "报表文件sample.rpt所用的公式kh没有给出!");
    }

    WriteTextFile(folder->file("notable.rpt"), "table PRNTX99\ndetail 6\n  field 0 0 20 6 F1\n");
    try {
        lay("notable.rpt");
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.message(), "报表文件notable.rpt所用的数据表PRNTX99不存在!");
    }

    WriteTextFile(folder->file("syntax.rpt"), "table PRNTC023\n\ndetail 6\n  text 0 0 20 \"no height\"\n");
    try {
        lay("syntax.rpt");
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().startsWith("报表文件syntax.rpt第4行有错误")) << e.message().toStdString();
    }

    // Through the report control: one message naming the template, no report shown.
    ReportPreview preview;
    ReportControl cry;
    cry.setWindowParent(&preview);
    cry.setDataFiles(0, gDbPath);
    cry.setReportFileName(folder->file("sample.rpt"));
    cry.setFormulas(0, "KH='x'");
    cry.setFormulas(1, "RQ='y'");
    cry.setDestination(0);
    ASSERT_TRUE(cry.setAction(1)) << msgs->texts().join('\n').toStdString();
    ASSERT_TRUE(preview.report());
    cry.setReportFileName(folder->file("badcol.rpt"));
    msgs->expect("报表文件badcol.rpt所用的字段F9在数据表PRNTC023中不存在!");
    EXPECT_FALSE(cry.setAction(1));
    EXPECT_EQ(msgs->texts(), QStringList{"报表文件badcol.rpt所用的字段F9在数据表PRNTC023中不存在!"});
    EXPECT_FALSE(preview.report());
}

TEST_F(EngineTest, ConditionsJoinsAndHeaderFields)
{
    // A channel list: only waybill numbers in the scratch table, the rest
    // read from the waybills; the totals row (empty F1) is left out.
    Db().execute("insert into B01 (F1,F302,F401) values ('W1','文件',1)");
    Db().execute("insert into B01 (F1,F302,F401) values ('W2','样品 ''A''',2)");
    ASSERT_TRUE(FillScratchTable("PRNTC01", {"F1"}, {{"W2"}, {"W1"}, {"W9"}, {""}}));
    WriteTextFile(folder->file("list.rpt"),
        "table PRNTC01\n"
        "join B01 on F1 = F1\n"
        "page A5 landscape\n"
        "margins 10 10 10 10\n"
        "header 10\n"
        "  text 0 0 40 10 \"首单: \"\n"
        "  field 40 0 40 10 F1\n"
        "detail 6 when B01.F302 ~ \"样品\"\n"
        "  text 0 0 20 6 \"*\"\n"
        "  field 20 0 30 6 F1\n"
        "detail 6 when F1 != \"\"\n"
        "  field 20 0 30 6 F1\n"
        "  field 60 0 30 6 B01.F302\n"
        "  field 100 0 20 6 right B01.F401 format=\"#0.0\"\n"
        "summary 6\n"
        "  sum 100 0 20 6 right B01.F401 format=\"#0.0\"\n"
        "  count 130 0 20 6 when B01.F302 = \"\"\n");
    const ReportLayout r = lay("list.rpt");
    EXPECT_EQ(r.pageSize, QSizeF(210, 148));
    ASSERT_EQ(r.pages.size(), 1);
    const LaidPage& p = r.pages[0];
    EXPECT_EQ(FindText(p, "W2")->rect.topLeft(), QPointF(50, 10)); // the header's field: first row
    EXPECT_EQ(CountText(p, "*"), 1);
    EXPECT_EQ(CountText(p, "W2"), 2);
    EXPECT_EQ(FindText(p, "文件")->rect.top(), 10 + 10 + 6);
    EXPECT_TRUE(FindText(p, "1.0"));
    EXPECT_EQ(FindText(p, "W9")->rect.top(), 10 + 10 + 12);      // no waybill: empty cells
    EXPECT_TRUE(FindText(p, "3.0"));                             // 2 + 1, W9 counts 0
    EXPECT_EQ(FindText(p, "1")->rect.left(), 140);               // W9 alone has no goods text
    // The row with an empty F1 matched no band.
    int rowsPrinted = 0;
    for (const LaidItem& it : p.items)
        rowsPrinted += it.kind == LaidItem::Text && it.rect.left() == 30;
    EXPECT_EQ(rowsPrinted, 3);
}

TEST(ReportFormula, ValueRunsFromFirstQuoteToLast)
{
    QString name, value;
    ASSERT_TRUE(ParseFormula("TO='TO:O'Brien 的店'", &name, &value));
    EXPECT_EQ(name, "TO");
    EXPECT_EQ(value, "TO:O'Brien 的店");
    ASSERT_TRUE(ParseFormula(" rq ='a=b'", &name, &value));
    EXPECT_EQ(name, "rq");
    EXPECT_EQ(value, "a=b");
    ASSERT_TRUE(ParseFormula("X=''", &name, &value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ParseFormula("nothing", &name, &value));
}

TEST(ReportText, SubstitutesFormulasPagesAndBraces)
{
    const QMap<QString, QString> f{{"kh", "张三"}};
    EXPECT_EQ(SubstituteFormulas("{KH} {page}/{pages} {{x}}", f, 2, 5), "张三 2/5 {x}");
    EXPECT_EQ(FormulaNames("{A}{{b}}{ c }"), (QStringList{"a", "c"}));
}

TEST_F(EngineTest, FillScratchTableQuotesAndIsAllOrNothing)
{
    ASSERT_TRUE(FillScratchTable("PRNTC05", {"F1", "F2"}, {{"O'Brien", "它's -- ; 中文"}, {"2", ""}}));
    RecordSet rs = Db().openRecordset("select F1,F2 from PRNTC05 order by rowid");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.at(0, 0).toString(), "O'Brien");
    EXPECT_EQ(rs.at(0, 1).toString(), "它's -- ; 中文");

    // A failing write is shown and leaves the previous rows.
    msgs->expect("F99");
    EXPECT_FALSE(FillScratchTable("PRNTC05", {"F1", "F99"}, {{"x", "y"}}));
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(Db().openRecordset("select F1 from PRNTC05").recordCount(), 2);

    // Long lists go in whole, in order.
    QList<QStringList> many;
    for (int i = 0; i < 1234; ++i)
        many << QStringList{QString::number(i)};
    ASSERT_TRUE(FillScratchTable("PRNTC01", {"F1"}, many));
    RecordSet all = Db().openRecordset("select F1 from PRNTC01 order by rowid");
    ASSERT_EQ(all.recordCount(), 1234);
    EXPECT_EQ(all.at(1233, 0).toString(), "1233");
}

// Counts the pixels darker than mid grey.
int DarkPixels(const QImage& img, const QRect& area)
{
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

TEST_F(EngineTest, SampleRendersToPdfAndPng)
{
    fillStatement();
    const ReportLayout r = lay("sample.rpt", {{"kh", "张三'的店"}, {"rq", "对帐日期:2024-03-01至2024-03-31"}});
    // Chinese reaches the pixels: the title line is drawn.
    const QImage direct = RenderReportPage(r, 0, 100);
    const double s = 100 / 25.4;
    EXPECT_GT(DarkPixels(direct, QRect(int(70 * s), int(12 * s), int(70 * s), int(10 * s))), 200);

    const QString pdf = folder->file("sample.pdf");
    QString error;
    ASSERT_TRUE(WriteReportPdf(r, pdf, &error)) << error.toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        GTEST_SKIP() << "pdftoppm not installed";
    const QString pngBase = folder->file("sample");
    ASSERT_EQ(QProcess::execute(pdftoppm, {"-png", "-r", "100", "-singlefile", pdf, pngBase}), 0);
    const QImage png(pngBase + ".png");
    ASSERT_FALSE(png.isNull());
    EXPECT_NEAR(png.width(), 827, 2); // A4 at 100 dpi
    EXPECT_GT(DarkPixels(png, QRect(int(70 * s), int(12 * s), int(70 * s), int(10 * s))), 200);
    // Keep the picture for a look when asked to.
    const QByteArray keep = qgetenv("REPORT_PNG_DIR");
    if (!keep.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(keep) + "/sample.png");
        QFile::copy(pngBase + ".png", QString::fromLocal8Bit(keep) + "/sample.png");
        QFile::remove(QString::fromLocal8Bit(keep) + "/sample.pdf");
        QFile::copy(pdf, QString::fromLocal8Bit(keep) + "/sample.pdf");
    }
}

} // namespace

namespace {

TEST_F(EngineTest, SuppressedFieldShowsOncePerRunAndPage)
{
    QList<QStringList> rows;
    for (int i = 0; i < 8; ++i)
        rows << QStringList{"C01", "甲公司", QStringLiteral("D%1").arg(i), "2024-03-01", "10", "0", "10"};
    rows << QStringList{"C02", "乙公司", "D9", "2024-03-02", "5", "1", "4"};
    ASSERT_TRUE(FillScratchTable("PRTB2", {"F0", "F1", "F3", "F2", "F6", "F7", "F8"}, rows));
    WriteTextFile(folder->file("prntd3.rpt"),
        "table PRTB2\n"
        "page 100 60\n"
        "margins 0 0 0 0\n"
        "detail 10\n"
        "  field 0 0 30 10 suppress F1\n"
        "  field 30 0 30 10 F3\n"
        "  field 60 0 30 10 F2\n"
        "summary 10\n"
        "  sum 60 0 30 10 right F8 format=\"#0.00\"\n");
    const ReportLayout r = lay("prntd3.rpt");
    ASSERT_EQ(r.pages.size(), 2);
    EXPECT_EQ(CountText(r.pages[0], "甲公司"), 1);
    EXPECT_EQ(CountText(r.pages[0], "D5"), 1);
    EXPECT_EQ(CountText(r.pages[1], "甲公司"), 1); // again at the top of the next page
    EXPECT_EQ(CountText(r.pages[1], "乙公司"), 1);
    EXPECT_EQ(CountText(r.pages[1], "2024-03-02"), 1);
    EXPECT_TRUE(FindText(r.pages[1], "84.00"));
}

} // namespace
