#include "shell_fixture.h"

#include "data/dberror.h"
#include "platform/mainhost.h"
#include "shell/login.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <functional>
#include <vector>

namespace {

// A ledger window stand-in that keeps the kind it is opened as and counts its
// openings and load steps.
class CountingLedger : public ChildWindow {
public:
    explicit CountingLedger(const QString& name)
        : ChildWindow(name) {}
    void openAs(int kind, const QString& caption) override
    {
        lb = kind;
        ++openings;
        ChildWindow::openAs(kind, caption);
    }
    void formLoad() override
    {
        ++loads;
        lbAtLoad = lb;
    }
    int lb = 0;
    int openings = 0;
    static inline int loads = 0;
    static inline int lbAtLoad = 0;
};

// A ledger window whose load step cannot read its table.
class FailingLedger : public ChildWindow {
public:
    explicit FailingLedger(const QString& name)
        : ChildWindow(name) {}
    void formLoad() override
    {
        if (failing)
            throw DbError("no such table: TB1");
    }
    static inline bool failing = false;
};

// A child window with a menu of its own.
class MenuChild : public ChildWindow {
public:
    MenuChild()
        : ChildWindow("MenuChild")
    {
        QMenu* m = addMenu("&E.编辑", "Menu_E");
        m->addAction("&A.增加")->setObjectName("Menu_Add");
    }
};

// A child window whose one menu carries its own name.
class NamedChild : public ChildWindow {
public:
    explicit NamedChild(const QString& name)
        : ChildWindow(name)
    {
        addMenu("&E." + name, "Menu_" + name);
    }
};

QStringList barNames(QMenuBar* bar)
{
    QStringList out;
    for (QAction* a : bar->actions())
        out << a->objectName();
    return out;
}

using MFormTest = ShellTest;

} // namespace

TEST_F(MFormTest, MenusToolBarAndStatusBarAsDesigned)
{
    EXPECT_EQ(main->windowTitle(), "捷诺达raredade");
    EXPECT_EQ(barNames(main->menuBar()),
              (QStringList{"Menu_A", "Menu_b", "Menu_C", "Menu_wanglai", "Menu_S", "Menu_sl"}));
    EXPECT_EQ(main->findChild<QMenu*>("Menu_A")->title(), "&A.基本资料");
    EXPECT_EQ(main->command("Menu_b")->text(), "&B.速递单据");
    EXPECT_EQ(main->command("Menu_ysz")->text(), "&7.应收款总帐");
    EXPECT_EQ(main->command("About")->text(), "&2.关于本系统");
    QStringList items;
    for (QAction* a : main->findChild<QMenu*>("Menu_wanglai")->actions())
        items << a->objectName() + (a->isSeparator() ? "|" : "");
    EXPECT_EQ(items, (QStringList{"Menu_YF", "Menu_ys", "menu_wll1|", "Menu_FK", "Menu_sk", "menu_wll|",
                                  "Menu_yfz", "Menu_yfmx", "Menu_ysz", "Menu_ysmx"}));

    QToolBar* tb = main->findChild<QToolBar*>("TB");
    ASSERT_NE(tb, nullptr);
    QStringList keys, captions;
    for (QAction* a : tb->actions()) {
        keys << a->objectName();
        captions << a->text();
    }
    EXPECT_EQ(keys, (QStringList{"d1", "d2", "d3", "d4", "fk", "sk", "quit"}));
    EXPECT_EQ(captions, (QStringList{" 客户报价", " 业务开单", "销售撮要表", " 出货明细", " 付 款", " 收 款", "退出系统"}));

    EXPECT_EQ(main->statusBar()->objectName(), "StB");
    EXPECT_EQ(main->panelText(2), "操作员：");
    EXPECT_EQ(main->panelText(4), TodayText());
    EXPECT_FALSE(main->panelText(1).isEmpty());
    EXPECT_EQ(main->findChild<QLabel*>("StB(3)")->font().family(), "Times New Roman");
}

TEST_F(MFormTest, PanelWidthsFollowTheScreenNotTheWindow)
{
    const int w = QGuiApplication::primaryScreen()->geometry().width();
    for (QSize size : {QSize(1024, 768), QSize(400, 300)}) {
        main->resize(size);
        main->show();
        Pump();
        EXPECT_EQ(main->panelWidth(1), qRound(w * 3 / 8.0));
        EXPECT_EQ(main->panelWidth(2), qRound(w / 8.0));
        EXPECT_EQ(main->panelWidth(3), qRound(w / 8.0));
        EXPECT_EQ(main->panelWidth(4), qRound(w * 3 / 8.0));
        EXPECT_EQ(main->findChild<QLabel*>("StB(4)")->width(), main->panelWidth(4));
    }
}

TEST_F(MFormTest, ToolBarRefusalsAndLedgerCommands)
{
    for (int i = 0; i < 3; ++i)
        msgs->expect("对不起,您没有此权限!");
    main->toolBarClick("d3");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "对不起,您没有此权限!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");

    main->setTopMenuEnabled("Menu_A", false);
    main->setTopMenuEnabled("Menu_C", false);
    main->toolBarClick("d1");
    main->toolBarClick("d4");
    EXPECT_EQ(msgs->count(), 3);
    EXPECT_EQ(WindowRegistry::loaded("A03"), nullptr);
    EXPECT_EQ(WindowRegistry::loaded("C01"), nullptr);
    EXPECT_TRUE(main->toolBarVisible());

    WindowRegistry::registerChild("PayLst", [] { return new CountingLedger("PayLst"); });
    main->toolBarClick("fk");
    auto* pay = static_cast<CountingLedger*>(WindowRegistry::loaded("PayLst"));
    ASSERT_NE(pay, nullptr);
    EXPECT_EQ(pay->lb, 10);
    EXPECT_EQ(pay->windowTitle(), "付款");
    EXPECT_FALSE(main->toolBarVisible());
    main->toolBarClick("sk");
    EXPECT_EQ(WindowRegistry::loaded("PayLst"), pay);
    EXPECT_EQ(pay->lb, -10);
    EXPECT_EQ(pay->windowTitle(), "收款");
}

TEST_F(MFormTest, OpenLedgerWindowIsGivenTheNewKindWithoutLoadingAgain)
{
    WindowRegistry::registerChild("zhLst", [] { return new CountingLedger("zhLst"); });
    CountingLedger::loads = 0;
    main->command("Menu_YF")->trigger();
    ChildWindow* w = WindowRegistry::loaded("zhLst");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(CountingLedger::loads, 1);
    EXPECT_EQ(CountingLedger::lbAtLoad, 9); // the kind is there before the load step
    EXPECT_EQ(w->windowTitle(), "增加应付款");
    main->command("Menu_ys")->trigger();
    EXPECT_EQ(WindowRegistry::loaded("zhLst"), w);
    EXPECT_EQ(CountingLedger::loads, 1);
    EXPECT_EQ(static_cast<CountingLedger*>(w)->lb, -9);
    EXPECT_EQ(static_cast<CountingLedger*>(w)->openings, 2);
    EXPECT_EQ(w->windowTitle(), "增加应收款");
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
}

TEST_F(MFormTest, WindowOpenedWithoutKindOrCaptionKeepsItsOwnTitle)
{
    WindowRegistry::registerChild("C01", [] {
        auto* w = new CountingLedger("C01");
        w->setWindowTitle("渠道出货明细表");
        return w;
    });
    main->command("Menu_C01")->trigger();
    main->command("Menu_C01")->trigger();
    auto* w = static_cast<CountingLedger*>(WindowRegistry::loaded("C01"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->openings, 0);
    EXPECT_EQ(w->windowTitle(), "渠道出货明细表");
}

TEST_F(MFormTest, ToolBarComesBackAndPanelFourShowsTheDateWhenAChildCloses)
{
    main->show();
    main->command("Menu_A04")->trigger();
    main->command("Menu_C02")->trigger();
    EXPECT_FALSE(main->toolBarVisible());
    main->setPanelText(4, "共 3 条记录 当前为第 1 条");
    WindowRegistry::loaded("A04")->close();
    Pump();
    // Any closing child brings the bar back, even with another still open.
    EXPECT_TRUE(main->toolBarVisible());
    EXPECT_EQ(main->panelText(4), TodayText());
    EXPECT_EQ(WindowRegistry::loaded("A04"), nullptr);
    EXPECT_NE(WindowRegistry::loaded("C02"), nullptr);
    // Opened again: a new instance.
    main->command("Menu_A04")->trigger();
    EXPECT_NE(WindowRegistry::loaded("A04"), nullptr);
    EXPECT_FALSE(main->toolBarVisible());
}

TEST_F(MFormTest, ProblemItemNoticeGivesTheBarBackButLeavesPanelFour)
{
    // The notice registers itself with this option.
    WindowRegistry::registerChild("C05", [] { return new ChildWindow("C05"); }, {.writesDateOnUnload = false});
    main->show();
    main->command("Menu_C05")->trigger();
    EXPECT_FALSE(main->toolBarVisible());
    main->setPanelText(4, "请输入查询条件");
    WindowRegistry::loaded("C05")->close();
    Pump();
    EXPECT_TRUE(main->toolBarVisible());
    EXPECT_EQ(main->panelText(4), "请输入查询条件");
    EXPECT_EQ(WindowRegistry::loaded("C05"), nullptr);
}

TEST_F(MFormTest, WindowThatFailsToLoadIsReportedAndNotKept)
{
    WindowRegistry::registerChild("KuanMx", [] { return new FailingLedger("KuanMx"); });
    FailingLedger::failing = true;
    main->show();
    msgs->expect("no such table: TB1");
    main->command("Menu_yfmx")->trigger();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "no such table: TB1");
    EXPECT_TRUE(main->toolBarVisible());
    EXPECT_EQ(WindowRegistry::loaded("KuanMx"), nullptr);

    FailingLedger::failing = false;
    main->command("Menu_ysmx")->trigger();
    ChildWindow* w = WindowRegistry::loaded("KuanMx");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "应收帐款明细");
    EXPECT_EQ(msgs->count(), 1);
}

TEST_F(MFormTest, ClosingAChildBringsBackTheWindowActiveBeforeIt)
{
    main->show();
    for (const QString name : {"C02", "C03", "C06"})
        WindowRegistry::registerChild(name, [name] { return new NamedChild(name); });
    // The last one stands for a print preview opened over the window that printed.
    for (const char* item : {"Menu_C02", "Menu_C03", "Menu_C06"})
        main->command(item)->trigger();
    WindowRegistry::loaded("C06")->close();
    Pump();
    QMdiSubWindow* sub = main->mdiArea()->activeSubWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->widget(), WindowRegistry::loaded("C03"));
    EXPECT_EQ(barNames(main->menuBar()), QStringList{"Menu_C03"});
}

TEST_F(MFormTest, ActiveChildShowsItsMenusInTheMenuBar)
{
    main->show();
    auto* child = new MenuChild;
    main->showChild(child, false);
    EXPECT_EQ(barNames(main->menuBar()), QStringList{"Menu_E"});
    // A child without menus leaves the main window's.
    WindowRegistry::openChild("A05");
    EXPECT_EQ(barNames(main->menuBar()).first(), "Menu_A");
    main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(child->parentWidget()));
    EXPECT_EQ(barNames(main->menuBar()), QStringList{"Menu_E"});
    child->close();
    Pump();
    EXPECT_EQ(barNames(main->menuBar()).first(), "Menu_A");
    EXPECT_EQ(barNames(main->menuBar()).size(), 6);
}

TEST_F(MFormTest, ChildAndItsFrameGoTogetherWhicheverGoesFirst)
{
    // Closing deletes the frame, which deletes the child; a child deleted on
    // its own takes its frame with it. Neither leaves anything in the area.
    const std::vector<std::function<void(ChildWindow*, QMdiSubWindow*)>> endings = {
        [](ChildWindow* child, QMdiSubWindow*) { child->close(); },
        [](ChildWindow*, QMdiSubWindow* frame) { frame->close(); },
        [](ChildWindow* child, QMdiSubWindow*) { delete child; },
    };
    main->show();
    for (size_t i = 0; i < endings.size(); ++i) {
        SCOPED_TRACE(i);
        auto* child = new MenuChild;
        main->showChild(child, false);
        QPointer<QWidget> alive = child;
        QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        ASSERT_NE(frame, nullptr);
        endings[i](child, frame);
        Pump();
        EXPECT_EQ(alive, nullptr);
        EXPECT_EQ(frame, nullptr);
        EXPECT_TRUE(main->mdiArea()->subWindowList().isEmpty());
        EXPECT_EQ(barNames(main->menuBar()).first(), "Menu_A");
    }
}

TEST_F(MFormTest, EveryMenuItemOpensItsWindowOrDialog)
{
    modal->on("Login", [](QDialog& d) { TypeLogin(d, "001", "ADMIN"); });
    modal->on("S32", [](QDialog& d) { d.findChild<QPushButton*>("Command2")->click(); });
    for (const char* dialog : {"S01", "S03", "Backup", "S2", "AboutUS"})
        modal->cancel(dialog);
    const QStringList children = {"A01", "A011", "A02", "A030", "A03", "A04", "A05", "A06", "C01", "C02",
                                  "C03", "C04", "C05", "C06", "S02", "zhLst", "PayLst", "KuanHz", "KuanMx"};
    for (const char* item : {"Menu_A01", "Menu_A011", "Menu_A02", "Menu_A030", "Menu_A03", "Menu_A04", "Menu_A05",
                             "Menu_A06", "Menu_b", "Menu_C01", "Menu_C02", "Menu_C03", "Menu_C04", "Menu_C05",
                             "Menu_C06", "Menu_YF", "Menu_ys", "Menu_FK", "Menu_sk", "Menu_yfz", "Menu_yfmx",
                             "Menu_ysz", "Menu_ysmx", "Menu_S01", "Menu_S02", "Menu_S03", "Menu_S032",
                             "Menu_S033", "Relogin", "Menu_S2", "About"}) {
        QAction* a = main->command(item);
        ASSERT_NE(a, nullptr) << item;
        a->trigger();
    }
    for (const QString& c : children)
        EXPECT_NE(WindowRegistry::loaded(c), nullptr) << c.toStdString();
    EXPECT_NE(WindowRegistry::loaded("B01"), nullptr);
    EXPECT_EQ(modal->shown, (QStringList{"S01", "S03", "Backup", "S32", "Login", "S2", "AboutUS"}));
    EXPECT_EQ(msgs->count(), 0);
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_TRUE(gDb);

    // Quit closes every child, then the database.
    main->command("Quit")->trigger();
    Pump();
    EXPECT_FALSE(gDb);
    for (const QString& c : children)
        EXPECT_EQ(WindowRegistry::loaded(c), nullptr) << c.toStdString();
}

TEST_F(MFormTest, CloseGuardKeepsEverythingOpenWhileEditing)
{
    main->show();
    WindowRegistry::openChild("A04");
    int owner = 0;
    gEditing.set(&owner, true);
    for (int i = 0; i < 2; ++i)
        msgs->expect("操作员正在编辑数据,请先[保存]数据或[取消]编辑!");
    EXPECT_FALSE(main->close());
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "操作员正在编辑数据,请先[保存]数据或[取消]编辑!");
    EXPECT_EQ(msgs->last().style, 48);
    EXPECT_EQ(msgs->last().title, "提示");
    EXPECT_TRUE(gDb);
    EXPECT_TRUE(main->isVisible());
    EXPECT_NE(WindowRegistry::loaded("A04"), nullptr);
    main->toolBarClick("quit");
    EXPECT_EQ(msgs->count(), 2);
    EXPECT_TRUE(gDb);

    gEditing.set(&owner, false);
    EXPECT_TRUE(main->close());
    Pump();
    EXPECT_FALSE(gDb);
    EXPECT_EQ(WindowRegistry::loaded("A04"), nullptr);
}

TEST_F(MFormTest, PictureAndAlternativeLanguageLook)
{
    EXPECT_FALSE(main->hasBackgroundPicture());
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    ASSERT_TRUE(img.save(folder->file("syspic.dat"), "PNG"));
    gLangFlag = 2;
    MForm other;
    gLangFlag = 0;
    EXPECT_TRUE(other.hasBackgroundPicture());
    EXPECT_EQ(other.findChild<QLabel*>("StB(1)")->font().family(), "Times New Romen");
    for (QAction* a : other.findChild<QToolBar*>("TB")->actions())
        EXPECT_EQ(a->text(), "");
}

TEST_F(MFormTest, LooksRightAfterLogIn)
{
    Login::applyOperator("001");
    main->resize(1024, 768);
    main->show();
    Pump(50);
    const QImage shot = main->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1024, 768));
    shot.save("/tmp/mform.png");
    EXPECT_EQ(main->panelText(3), "管理员");

    // The log-in window over it, and a child window in the MDI area.
    Login login(main.get());
    login.formLoad();
    login.show();
    Pump(20);
    login.grab().save("/tmp/login.png");
    auto* child = new MenuChild;
    child->resize(400, 300);
    main->showChild(child, false);
    main->toolBarClick("fk");
    Pump(50);
    main->grab().save("/tmp/mform_child.png");
}
