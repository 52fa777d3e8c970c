#include "data/database.h"
#include "data/globals.h"
#include "dialogs/prnt.h"
#include "dialogs/report_window.h"
#include "report_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// A main window stand-in with a real MDI area.
class FakeHost : public MainHost {
public:
    FakeHost()
    {
        m_mdi.resize(1000, 700);
        m_mdi.show();
    }
    void setPanelText(int panel, const QString& text) override { panels[panel] = text; }
    QString panelText(int panel) const override { return panels[panel]; }
    void setToolBarVisible(bool v) override { toolBar = v; }
    bool toolBarVisible() const override { return toolBar; }
    QMdiArea* mdiArea() const override { return const_cast<QMdiArea*>(&m_mdi); }
    QWidget* hostWidget() override { return &m_mdi; }
    void showChild(QWidget* child, bool) override
    {
        for (QMdiSubWindow* sub : m_mdi.subWindowList())
            if (sub->widget() == child) {
                m_mdi.setActiveSubWindow(sub);
                return;
            }
        QMdiSubWindow* sub = m_mdi.addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // As the main window does: an unloading child takes its frame with it.
        if (auto* cw = qobject_cast<ChildWindow*>(child))
            QObject::connect(cw, &ChildWindow::unloaded, sub, &QMdiSubWindow::close);
        sub->show();
    }
    QString panels[5];
    bool toolBar = false;

private:
    QMdiArea m_mdi;
};

class PrntTest : public DataTest {
protected:
    PrntTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        ReportControl::SetPrinterLookup([] { return QString(); });
        SetMainHost(&host);
        WriteTextFile(folder->file("prntc05.rpt"),
            "table PRNTC05\n"
            "title 20\n"
            "  text 0 0 180 10 center size=16 bold \"问题件通知单\"\n"
            "detail 60\n"
            "  text 0 0 30 8 \"运单号:\"\n"
            "  field 30 0 60 8 F1\n"
            "  field 0 10 180 8 F2\n");
        WriteTextFile(folder->file("quote.rpt"),
            "table PRNTM03\n"
            "header 8\n"
            "  text 0 0 180 8 \"{TO}\"\n"
            "detail 6\n"
            "  field 0 0 30 6 F1\n"
            "  field 30 0 30 6 right F31 format=\"#0.00\"\n"
            "footer 6\n"
            "  text 0 0 180 6 right \"{B1} 第{page}页\"\n");
    }
    void TearDown() override
    {
        if (Prnt* p = Prnt::Loaded())
            delete p;
        SetMainHost(nullptr);
        ReportControl::SetPrinterLookup({});
        DataTest::TearDown();
    }

    // The problem-item notice window's print.
    Prnt* printNotice(const QString& number)
    {
        EXPECT_TRUE(FillScratchTable("PRNTC05", {"F1", "F2", "F3", "F4", "F5", "F6", "F7"},
            {{number, "重量 2.5Kg 件数 1", "地址不详", "", "", "", ""}}));
        Prnt* printHost = Prnt::Show();
        ReportControl& cry = printHost->Cry();
        cry.setDataFiles(0, gDbPath);
        cry.setReportFileName(gAppPath + "prntc05.rpt");
        cry.setDestination(0);
        EXPECT_TRUE(cry.setAction(1)) << msgs->texts().join('\n').toStdString();
        return printHost;
    }

    // The customer window's quote sheet.
    Prnt* printQuote(const QString& customer, const QString& remark)
    {
        EXPECT_TRUE(FillScratchTable("PRNTM03", {"F1", "F2", "F31"}, {{"A", "亚洲", "12.5"}, {"B", "欧洲", "30"}}));
        Prnt* printHost = Prnt::Show();
        ReportControl& cry = printHost->Cry();
        cry.setDataFiles(0, gDbPath);
        cry.setReportFileName(gAppPath + "quote.rpt");
        cry.setFormulas(0, "TO='TO:" + customer + "'");
        cry.setFormulas(10, "B1='" + remark + "'");
        cry.setDestination(0);
        EXPECT_TRUE(cry.setAction(1)) << msgs->texts().join('\n').toStdString();
        return printHost;
    }

    static QAction* menu(Prnt* host, const QString& name)
    {
        for (QAction* a : host->findChildren<QAction*>())
            if (a->objectName() == name)
                return a;
        return nullptr;
    }

    FakeHost host;
};

TEST_F(PrntTest, SecondPrintReplacesThePreviewInTheSameHost)
{
    Prnt* first = printNotice("YD8001");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "打印");
    Pump();
    EXPECT_EQ(first->size(), QSize(804, 535));
    ASSERT_EQ(host.mdiArea()->subWindowList().size(), 1);
    ASSERT_TRUE(first->preview()->report());
    EXPECT_TRUE(first->preview()->report()->pages[0].texts().contains("YD8001"));
    EXPECT_EQ(first->findChild<ReportPreview*>("Cry"), first->preview());
    ASSERT_TRUE(menu(first, "Menu_prnt") && menu(first, "Menu_Rtn"));
    EXPECT_EQ(menu(first, "Menu_prnt")->text(), "&P.打印");
    EXPECT_EQ(menu(first, "Menu_Rtn")->text(), "&R.返回");
    // No printer on this computer: the host says so.
    EXPECT_FALSE(first->findChild<QLabel*>("Label1")->isHidden());
    EXPECT_EQ(first->findChild<QLabel*>("Label1")->text(), "您的电脑没有安装打印机!");

    Prnt* second = printQuote("张三", "备注");
    EXPECT_EQ(second, first);
    EXPECT_EQ(host.mdiArea()->subWindowList().size(), 1);
    const QStringList texts = second->preview()->report()->pages[0].texts();
    EXPECT_TRUE(texts.contains("TO:张三"));
    EXPECT_TRUE(texts.contains("12.50"));
    EXPECT_FALSE(texts.contains("YD8001"));
    const QByteArray keep = qgetenv("REPORT_PNG_DIR");
    if (!keep.isEmpty())
        host.mdiArea()->grab().save(QString::fromLocal8Bit(keep) + "/preview.png");
    EXPECT_TRUE(msgs->texts().isEmpty());
    // The host leaves the printing window's tool bar alone.
    EXPECT_FALSE(host.toolBar);

    // Returning (opening the item-less menu on the bar) closes the host;
    // the next print opens a new one.
    ASSERT_TRUE(menu(second, "Menu_Rtn"));
    QMenu* rtn = menu(second, "Menu_Rtn")->menu();
    ASSERT_TRUE(rtn);
    emit rtn->aboutToShow();
    Pump();
    EXPECT_EQ(Prnt::Loaded(), nullptr);
    EXPECT_TRUE(host.mdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(host.toolBar);
    Prnt* third = printNotice("YD8002");
    ASSERT_TRUE(third);
    EXPECT_TRUE(third->preview()->report()->pages[0].texts().contains("YD8002"));
}

TEST_F(PrntTest, OverAMaximizedWindowTheHostFillsTheWorkArea)
{
    // The window that prints stands maximized, as the customer and report windows do.
    auto* printing = new ChildWindow("A03");
    QMdiSubWindow* frame = host.mdiArea()->addSubWindow(printing);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->showMaximized();
    host.mdiArea()->setActiveSubWindow(frame);
    Pump();
    Prnt* preview = printNotice("YD8003");
    Pump();
    auto* sub = qobject_cast<QMdiSubWindow*>(preview->parentWidget());
    ASSERT_NE(sub, nullptr);
    ASSERT_TRUE(sub->isMaximized());
    EXPECT_EQ(sub->size(), host.mdiArea()->viewport()->size());
    frame->close();
}

TEST_F(PrntTest, PrintMenuPrintsTheLastReportToPdfWithoutAPrinter)
{
    FileDialogRecorder files;
    files.setStrict(true);
    printNotice("YD1");
    Prnt* printHost = printQuote("O'Brien 贸易公司", "价格含税'");
    const QString pdf = folder->file("out.pdf");
    files.answer(pdf);
    msgs->expect("您的电脑没有安装打印机!");
    ASSERT_TRUE(menu(printHost, "Menu_prnt"));
    menu(printHost, "Menu_prnt")->trigger();

    EXPECT_EQ(msgs->texts(), QStringList{"您的电脑没有安装打印机!"});
    // The host's print errors: information icon, no title of their own.
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");
    ASSERT_EQ(files.dialogs().size(), 1);
    EXPECT_TRUE(files.dialogs()[0].save);
    EXPECT_TRUE(files.dialogs()[0].initialPath.endsWith("quote.pdf"));
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 1);

    // What went to the file: the quote with its own formulas, quotes and Chinese whole.
    const auto printed = printHost->Cry().lastReport();
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed->name, "quote.rpt");
    EXPECT_TRUE(printed->pages[0].texts().contains("TO:O'Brien 贸易公司"));
    EXPECT_TRUE(printed->pages[0].texts().contains("价格含税' 第1页"));
    // The host is still there for the next print, back on preview.
    EXPECT_EQ(Prnt::Loaded(), printHost);
    EXPECT_EQ(printHost->Cry().destination(), 0);

    // An existing file is never overwritten: the operator is told and
    // chooses again; a name without ".pdf" gets it.
    msgs->clear();
    files.answer(pdf);
    files.answer(folder->file("second"));
    msgs->expect("您的电脑没有安装打印机!");
    msgs->expect("目标文件夹存在同名文件，请更换文件名！");
    menu(printHost, "Menu_prnt")->trigger();
    EXPECT_EQ(msgs->texts(), (QStringList{"您的电脑没有安装打印机!", "目标文件夹存在同名文件，请更换文件名！"}));
    ASSERT_EQ(files.dialogs().size(), 3);
    QFile again(pdf);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), bytes);
    EXPECT_TRUE(QFile::exists(folder->file("second.pdf")));

    // Cancelling the file choice writes nothing and says nothing more.
    msgs->clear();
    QFile::remove(pdf);
    files.answer("");
    msgs->expect("您的电脑没有安装打印机!");
    menu(printHost, "Menu_prnt")->trigger();
    EXPECT_EQ(msgs->texts(), QStringList{"您的电脑没有安装打印机!"});
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrntTest, PrintFailureIsToldAndTheHostKeepsItsPreview)
{
    Prnt* printHost = printQuote("张三", "备注");
    // The template went away after the preview: the print names it, the
    // host stays open and keeps showing the report.
    ASSERT_TRUE(QFile::remove(folder->file("quote.rpt")));
    msgs->expect("报表文件quote.rpt丢失!");
    menu(printHost, "Menu_prnt")->trigger();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "报表文件quote.rpt丢失!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(Prnt::Loaded(), printHost);
    ASSERT_TRUE(printHost->preview()->report());
    EXPECT_TRUE(printHost->preview()->report()->pages[0].texts().contains("TO:张三"));

    // A printer that cannot be used is named in the message.
    msgs->clear();
    ReportControl::SetPrinterLookup([] { return QStringLiteral("没有这台打印机"); });
    WriteTextFile(folder->file("quote.rpt"), "table PRNTM03\ndetail 6\n  field 0 0 30 6 F1\n");
    msgs->expect("打印机没有这台打印机无法打印报表quote.rpt!");
    menu(printHost, "Menu_prnt")->trigger();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "打印机没有这台打印机无法打印报表quote.rpt!");
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(Prnt::Loaded(), printHost);
}

TEST_F(PrntTest, TheFramesCloseBoxUnloadsTheHost)
{
    printNotice("YD1");
    ASSERT_EQ(host.mdiArea()->subWindowList().size(), 1);
    host.mdiArea()->subWindowList().first()->close();
    Pump();
    EXPECT_EQ(Prnt::Loaded(), nullptr);
    // The next print loads a fresh host rather than reaching a dead one.
    Prnt* again = printQuote("张三", "");
    ASSERT_TRUE(again);
    EXPECT_EQ(host.mdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(again->preview()->report()->pages[0].texts().contains("TO:张三"));
}

TEST_F(PrntTest, FormulasOfOneReportDoNotReachTheNext)
{
    Prnt* printHost = printQuote("张三", "备注");
    // The next caller sets no formulas: the template's {TO} is now missing,
    // rather than silently showing the previous customer.
    ReportControl& cry = printHost->Cry();
    cry.setReportFileName(gAppPath + "quote.rpt");
    EXPECT_TRUE(cry.formulas().isEmpty());
    cry.setDestination(0);
    msgs->expect("报表文件quote.rpt所用的公式to没有给出!");
    EXPECT_FALSE(cry.setAction(1));
    EXPECT_EQ(msgs->texts(), QStringList{"报表文件quote.rpt所用的公式to没有给出!"});
    EXPECT_FALSE(printHost->preview()->report());
}

TEST_F(PrntTest, MissingTemplateIsReportedAndNothingIsShown)
{
    Prnt* printHost = printNotice("YD1");
    ReportControl& cry = printHost->Cry();
    // The program folder ships this template; here it has gone.
    QFile::remove(folder->file("prntd3.rpt"));
    cry.setDataFiles(0, gDbPath);
    cry.setReportFileName(gAppPath + "prntd3.rpt");
    cry.setDestination(0);
    msgs->expect("报表文件prntd3.rpt丢失!");
    EXPECT_FALSE(cry.setAction(1));
    EXPECT_EQ(msgs->texts(), QStringList{"报表文件prntd3.rpt丢失!"});
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_FALSE(printHost->preview()->report());

    // A data file other than the open one is never opened behind its back.
    msgs->clear();
    cry.setDataFiles(0, folder->file("other.dat"));
    cry.setReportFileName(gAppPath + "prntc05.rpt");
    msgs->expect("other.dat不是当前打开的数据文件!");
    EXPECT_FALSE(cry.setAction(1));
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("other.dat"));
}

TEST_F(PrntTest, APrintIsBusyWhileItFillsAndLaysOutAndItsBoxesHaveTheNormalPointer)
{
    WriteTextFile(folder->file("bad.rpt"), "table PRNTC05\ndetail 6\n  field 0 0 30 6 F99\n");
    const struct {
        const char* templateName;
        const char* refusal; // the box the print ends with, if any
        bool shown;
    } cases[] = {
        {"prntc05.rpt", nullptr, true},
        {"gone.rpt", "报表文件gone.rpt丢失!", false},
        {"prntc05.rpt", "scratch refused", false}, // the fill is refused
        {"bad.rpt", "bad.rpt", false},             // the layout fails
    };
    for (const auto& c : cases) {
        const bool refuseFill = c.refusal && QString(c.refusal) == "scratch refused";
        if (refuseFill)
            Db().executeNative("create trigger refuse before insert on PRNTC05 begin select raise(abort, 'scratch refused'); end");
        if (c.refusal)
            msgs->expect(c.refusal);
        WriteWatch watch;
        const bool shown = PrintThroughHost({"PRNTC05", {"F1", "F2"}, {{"YD1", "甲"}, {"YD2", "乙"}}, c.templateName, {}});
        EXPECT_EQ(shown, c.shown) << c.templateName;
        EXPECT_EQ(watch.busyRows, watch.rows) << c.templateName;
        if (c.shown) {
            EXPECT_EQ(watch.rows, 2);
        }
        EXPECT_EQ(msgs->busyCount(), 0) << c.templateName;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.templateName;
        if (refuseFill)
            Db().executeNative("drop trigger refuse");
    }
}

} // namespace
