#include "a03_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "dialogs/prnt.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabBar>

namespace {

// Rows of the scratch table as "F1|F2|F31|...|F39".
QStringList Scratch()
{
    return Records("select F1,F2,F31,F32,F33,F34,F35,F36,F37,F38,F39 from PRNTM03");
}

// With SYSTEM_GRAB_DIR set, the sheet's first page is kept as a picture too.
void KeepPage(const QString& name)
{
    const QByteArray dir = qgetenv("SYSTEM_GRAB_DIR");
    Prnt* host = Prnt::Loaded();
    if (!dir.isEmpty() && host && host->preview()->report())
        RenderReportPage(*host->preview()->report(), 0, 110).save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

} // namespace

class A03SheetTest : public A03Test {
protected:
    void SetUp() override
    {
        A03Test::SetUp();
        ReportControl::SetPrinterLookup([] { return QString(); });
        standard({0.5, 0.5, 1, 0.5, 21, 45, 71, 101, 201});
        zone("HK", "香港", "国内");
        zone("US", "美国", "国外");
        zone("UK", "英国", "国外");
        zone("XX", "", "");
        customer("C1", "O'Neil");
        Db().execute("update M03 set F9='价格含燃油附加费', F93='有效期至年底' where F1='C1'");
        quote("C1", "HK", {12, 6, 15, 7.5, 5, 4.5, 4, 3.5, 3});
        quote("C1", "US", {120, 60, 150});
        quote("C1", "UK", {110, 50});
        quote("C1", "XX", {9});
    }
    void TearDown() override
    {
        ReportControl::SetPrinterLookup({});
        A03Test::TearDown();
    }
};

TEST_F(A03SheetTest, InternationalSheetTakesTheForeignZonesWithItsFormulas)
{
    A03* w = openA03();
    // From the list page: the selected customer's sheet, on the detail page.
    trigger(w, "Menu_print1");
    EXPECT_EQ(w->findChild<QTabBar*>("TabS")->currentIndex(), 1);
    EXPECT_EQ(Scratch(), QStringList({"UK|英国|110|50|||||||", "US|美国|120|60|150||||||"}));
    Prnt* printHost = Prnt::Loaded();
    ASSERT_NE(printHost, nullptr);
    EXPECT_EQ(QFileInfo(printHost->Cry().reportFileName()).fileName(), "prnTM03.rpt");
    const QStringList f = printHost->Cry().formulas().values();
    ASSERT_EQ(f.size(), 15);
    EXPECT_EQ(f[0], "TO='TO:O'Neil'");
    EXPECT_EQ(f.mid(1, 6), QStringList({"P1='首0.5Kg'", "P2='续0.5Kg'", "P3='首1.0Kg'", "P4='续0.5Kg'", "P5='21-44Kg'",
                                        "P6='45-70Kg'"}));
    EXPECT_EQ(f[10], "B1='价格含燃油附加费'");
    EXPECT_EQ(f[13], "B4='有效期至年底'");
    const QStringList texts = PreviewPageTexts();
    EXPECT_TRUE(texts.contains("国际快递报价表"));
    EXPECT_TRUE(texts.contains("TO:O'Neil"));
    EXPECT_TRUE(texts.contains("美国"));
    EXPECT_TRUE(texts.contains("120.0"));
    EXPECT_FALSE(texts.contains("香港"));
    KeepPage("prnTM03");
}

TEST_F(A03SheetTest, DomesticSheetTakesEveryOtherZone)
{
    A03* w = openA03();
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    trigger(w, "Menu_print2");
    // A zone without a scope or a name is domestic; an empty price stays empty.
    EXPECT_EQ(Scratch(), QStringList({"HK|香港|12|6|15|7.5|5|4.5|4|3.5|3", "XX||9||||||||"}));
    EXPECT_EQ(QFileInfo(Prnt::Loaded()->Cry().reportFileName()).fileName(), "prnTM032.rpt");
    const QStringList texts = PreviewPageTexts();
    EXPECT_TRUE(texts.contains("国内快递报价表"));
    EXPECT_TRUE(texts.contains("7.5"));
    EXPECT_TRUE(texts.contains("45-70Kg"));
    EXPECT_TRUE(texts.contains("有效期至年底"));
    KeepPage("prnTM032");
}

TEST_F(A03SheetTest, ACustomerWithoutQuotesPrintsAnEmptySheet)
{
    Db().execute("delete from M031");
    A03* w = openA03();
    trigger(w, "Menu_print2");
    EXPECT_EQ(w->quoteGrid()->rows(), 3); // its blank row
    EXPECT_TRUE(Scratch().isEmpty());
    EXPECT_TRUE(PreviewPageTexts().contains("国内快递报价表"));
}

TEST_F(A03SheetTest, MissingTemplateOrCustomerIsRefusedBeforeAnythingIsWritten)
{
    Db().execute("insert into PRNTM03 (F1,F2) values ('OLD','')");
    A03* w = openA03();
    ASSERT_TRUE(QFile::remove(gAppPath + "prnTM032.rpt"));
    msgs->expect("报表文件prnTM032.rpt丢失!");
    trigger(w, "Menu_print2");
    EXPECT_EQ(Scratch().size(), 1);
    EXPECT_EQ(Prnt::Loaded(), nullptr);

    Db().execute("delete from M03");
    A03* empty = openA03();
    msgs->expect("无数据可打印!");
    trigger(empty, "Menu_print1");
    EXPECT_EQ(Scratch().size(), 1);
}

TEST_F(A03SheetTest, WindowAndSheetLookRight)
{
    const QByteArray dir = qgetenv("SYSTEM_GRAB_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SYSTEM_GRAB_DIR not set";
    A03* w = openA03();
    w->resize(1280, 760);
    GrabToPng(w, "A03_list");
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    GrabToPng(w, "A03_detail");
    trigger(w, "Menu_edit");
    named(w, "TxtHPBM")->setText("U");
    click(w, "CmdDownList");
    GrabToPng(w, "A03_edit");
    click(w, "CmdDownList");
    // The focus settles in the zone box before the price editor opens.
    Pump();
    w->quoteGrid()->cellEditor()->open(3, 4);
    GrabToPng(w, "A03_cell");
    EXPECT_TRUE(w->quoteGrid()->cellEditor()->isOpen());
    trigger(w, "Menu_cancel");
    click(w, "CmdUpDown");
    GrabToPng(w, "A03_remarks");
    click(w, "CmdUpDown");
    trigger(w, "Menu_Add");
    addZone(w, "HK", "1.15");
    GrabToPng(w, "A03_add");
    trigger(w, "Menu_cancel");
}
