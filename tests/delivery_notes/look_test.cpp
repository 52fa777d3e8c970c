#include "delivery_fixture.h"
#include "delivery_notes/d2.h"
#include "delivery_notes/d201.h"
#include "delivery_notes/d3.h"
#include "dialogs/report_engine.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Pictures of the windows and of both statements, kept when SYSTEM_GRAB_DIR
// names a folder, to be looked at as the operator sees them.
class DeliveryLookTest : public DeliveryTest {
protected:
    static void keepPage(const QString& name)
    {
        const ReportLayout* layout = Prnt::Loaded()->preview()->report();
        ASSERT_TRUE(layout);
        RenderReportPage(*layout, 0, 110).save(QDir(qEnvironmentVariable("SYSTEM_GRAB_DIR")).filePath(name + ".png"));
    }
};

TEST_F(DeliveryLookTest, WindowsAndStatementsLookRight)
{
    if (qEnvironmentVariableIsEmpty("SYSTEM_GRAB_DIR"))
        GTEST_SKIP() << "SYSTEM_GRAB_DIR not set";
    // A long name breaks into a second line on the sales statement.
    Db().execute("insert into TA2 (F1,F2,F3) values ('C0004','深圳市福田区华联百货商场有限公司','深圳市福田区深南大道1号华联大厦十八楼1801室')");
    note("FH20240510001", "2024-05-10", "C0004", "1234567.5", "1000");
    payment("C01", "N002", "2024-05-12", "50.5", "200");
    payment("C02", "N004", "2024-05-20", "70", "-10");
    payment("C09", "N007", "2024-05-16", "5", "15");
    D2* d2 = open<D2>();
    d2->resize(1000, 420);
    modals->on("Query", [](QDialog&) { Query::shared().runQuery(); });
    trigger(d2, "Menu_query");
    GrabToPng(d2, "D2_list");

    D201 dlg(d2);
    dlg.formLoad();
    dlg.CmbKH->setCurrentIndex(0);
    dlg.Txt[0]->setText("N001");
    dlg.Txt[1]->setText("40");
    GrabToPng(&dlg, "D201_filled");

    D3* d3 = open<D3>();
    d3->resize(1000, 420);
    picker(d3, "DTP(0)")->setDate(QDate(2024, 4, 1));
    picker(d3, "DTP(1)")->setDate(QDate(2024, 6, 30));
    d3->RunQuery();
    grid(d3)->setRow(3);
    GrabToPng(d3, "D3_list");
    trigger(d3, "Menu_print");
    keepPage("prntd3_page");
    GrabToPng(Prnt::Loaded(), "prntd3_host");
    grid(d3)->setRow(1);
    trigger(d3, "Menu_print2");
    keepPage("prntd4_long_page");
    grid(d3)->setRow(2);
    trigger(d3, "Menu_print2");
    keepPage("prntd4_page");
    GrabToPng(Prnt::Loaded(), "prntd4_host");
}

} // namespace
