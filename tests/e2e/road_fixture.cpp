#include "road_fixture.h"

#include "app_windows.h"
#include "customers/a03.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/listframe.h"
#include "dialogs/prnt.h"
#include "dialogs/report_control.h"
#include "platform/flexgrid.h"
#include "pricing/place_editor.h"
#include "pricing/zone_window.h"
#include "waybills/b01.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

void RoadTest::SetUp()
{
    ShellTest::SetUp();
    RegisterAppWindows();
    // This computer has no printer: prints go to the report host's preview.
    ReportControl::SetPrinterLookup([] { return QString(); });
    main->resize(1280, 860);
    main->show();
    main->activateWindow();
    QApplication::setActiveWindow(main.get());
    Pump();
}

void RoadTest::TearDown()
{
    gEditing.clear();
    delete Prnt::Loaded();
    WindowRegistry::closeAll();
    ReportControl::SetPrinterLookup({});
    ShellTest::TearDown();
}

// ------------------------------------------------------------ the main window

ChildWindow* RoadTest::command(const char* item, const char* window)
{
    QAction* a = main->command(item);
    EXPECT_NE(a, nullptr) << item;
    if (!a)
        return nullptr;
    EXPECT_TRUE(a->isEnabled()) << item;
    a->trigger();
    Pump();
    ChildWindow* w = WindowRegistry::loaded(window);
    EXPECT_NE(w, nullptr) << window;
    return w;
}

void RoadTest::choose(QWidget* w, const char* action)
{
    auto* a = w->findChild<QAction*>(action);
    ASSERT_NE(a, nullptr) << action;
    ASSERT_TRUE(a->isEnabled()) << action << " is out of use";
    // The window's commands stand in the main window's menu bar while it is active.
    bool reachable = main->menuBar()->actions().contains(a);
    for (QAction* top : main->menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(a))
            reachable = true;
    EXPECT_TRUE(reachable) << action << " is not in the menu bar";
    a->trigger();
    Pump();
}

void RoadTest::grab(const QString& name)
{
    Pump();
    GrabToPng(main.get(), name);
}

// ------------------------------------------------------------ typing

QLineEdit* RoadTest::box(QWidget* w, int k)
{
    auto* b = w->findChild<QLineEdit*>(QStringLiteral("Txt(%1)").arg(k));
    EXPECT_NE(b, nullptr) << "Txt(" << k << ")";
    return b;
}

QComboBox* RoadTest::list(QWidget* w, const QString& name)
{
    auto* c = w->findChild<QComboBox*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}

void RoadTest::click(QWidget* control)
{
    EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString() << " is not shown";
    control->setFocus(Qt::MouseFocusReason);
    Pump();
}

void RoadTest::typeInto(QWidget* control, const QString& text)
{
    click(control);
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    typeHere(text);
}

void RoadTest::typeHere(const QString& text)
{
    QWidget* target = focused();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
    }
}

void RoadTest::key(QWidget* w, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    Pump();
}

void RoadTest::enterHere()
{
    QWidget* target = focused();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    key(target, Qt::Key_Return);
}

QWidget* RoadTest::focused()
{
    return QApplication::focusWidget();
}

void RoadTest::pick(QComboBox* list, const QString& start)
{
    click(list);
    int found = -1;
    for (int i = 0; i < list->count() && found < 0; ++i)
        if (list->itemText(i).startsWith(start))
            found = i;
    ASSERT_GE(found, 0) << "no item " << start.toStdString() << " in " << list->objectName().toStdString();
    list->setCurrentIndex(found);
    Pump();
}

// ------------------------------------------------------------ reading

QString RoadTest::panel4() const
{
    return main->panelText(4);
}

// ------------------------------------------------------------ the stages

void RoadTest::setPricingStandard()
{
    // Documents start at 1 Kg with 0.5 Kg steps; parcels at 0.5 Kg.
    modal->on("S01", [this](QDialog& d) {
        d.show();
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        Pump();
        GrabToPng(&d, "road_01_S01");
        typeInto(box(&d, 0), "1");
        enterHere();
        EXPECT_EQ(focused(), box(&d, 1)) << "Enter moves on to the step weight";
        msgs->expect("警告！计价标准不宜经常改变！真的继续吗？", vbBtn::Yes);
        msgs->expect("保存成功！");
        d.findChild<QPushButton*>("CmdOK")->click();
        d.findChild<QPushButton*>("CmdCancel")->click();
    });
    main->command("Menu_S01")->trigger();
    Pump();
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F4,F5,F6,P888 from MS1"), "1|0.5|0.5|0.5|21|46|1.5");
}

void RoadTest::addChannel()
{
    auto* w = open<ListFrame>("Menu_A01", "A01");
    ASSERT_NE(w, nullptr);
    choose(w, "Menu_Add");
    typeInto(box(w, 0), "E");
    typeInto(box(w, 1), "快递通道");
    typeInto(box(w, 2), "日本线");
    for (int k = 3; k <= 6; ++k)
        typeInto(box(w, k), "0.5");
    typeInto(box(w, 7), "0");
    grab("road_02_A01_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,F3,D0,D1,S0,S1,JFD from M01"), "E|快递通道|日本线|0.5|0.5|0.5|0.5|0");
    EXPECT_EQ(panel4(), "共 1 条记录 当前为第 1 条");
    grab("road_02_A01_saved");
    choose(w, "Menu_Return");
}

void RoadTest::addChannelZone()
{
    auto* w = open<ZoneWindow>("Menu_A011", "A011");
    ASSERT_NE(w, nullptr);
    choose(w, "Menu_Add");
    QComboBox* channel = list(w, "CmbLB");
    EXPECT_EQ(channel->currentText(), "E.快递通道");
    EXPECT_EQ(focused(), channel);
    // Leaving the channel starts the zone's code with the channel's letter.
    click(box(w, 0));
    EXPECT_EQ(box(w, 0)->text(), "E");
    typeInto(box(w, 0), "e1");
    typeInto(box(w, 1), "日本");
    typeInto(box(w, 3), "Japan");
    typeInto(box(w, 4), "3");
    const QStringList costs = {"20", "8", "30", "6"};
    for (int i = 0; i < costs.size(); ++i)
        typeInto(box(w, 9 + i), costs[i]);
    PlaceEditor* places = w->placeEditor();
    typeInto(places->Txt[0], "东京");
    typeInto(places->Txt[1], "Tokyo");
    places->Cmd[0]->click();
    Pump();
    grab("road_03_A011_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F4,F6,P101,P102,P201,P202 from M011"), "E1|日本|E|Japan|3|20|8|30|6");
    EXPECT_EQ(FirstColumn("select F1 from M0111 where F0='E1'"), QStringList{"东京"});
    grab("road_03_A011_saved");
    choose(w, "Menu_Return");
}

void RoadTest::addCompanyZone()
{
    auto* w = open<ZoneWindow>("Menu_A02", "A02");
    ASSERT_NE(w, nullptr);
    // The price captions follow the pricing standard just set.
    EXPECT_EQ(w->findChild<QLabel*>("Lab(9)")->text(), "文件首1.0Kg");
    choose(w, "Menu_Add");
    typeInto(box(w, 0), "jp");
    pick(list(w, "cmbFw"), "国外");
    typeInto(box(w, 1), "日本区");
    typeInto(box(w, 2), "Japan");
    typeInto(box(w, 3), "2");
    // Documents 15 + 5 a step, parcels 25 + 9, 21-45 Kg at 8.5 a Kg.
    const QStringList prices = {"15", "5", "25", "9", "8.5"};
    for (int i = 0; i < prices.size(); ++i)
        typeInto(box(w, 9 + i), prices[i]);
    PlaceEditor* places = w->placeEditor();
    for (const char* place : {"东京", "大阪"}) {
        typeInto(places->Txt[0], QString::fromUtf8(place));
        places->Cmd[0]->click();
        Pump();
    }
    grab("road_04_A02_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F4,F6,P101,P102,P201,P202,P301 from M02"), "JP|日本区|国外|Japan|2|15|5|25|9|8.5");
    EXPECT_EQ(FirstColumn("select F1 from M021 where F0='JP' order by F1"), QStringList({"东京", "大阪"}));
    grab("road_04_A02_saved");
    choose(w, "Menu_Return");
}

void RoadTest::addReferenceLists()
{
    const struct {
        const char* item;
        const char* window;
        const char* name;
        const char* remark;
        const char* table;
    } lists[] = {
        {"Menu_A030", "A030", "王经理", "华南区", "M030"},
        {"Menu_A04", "A04", "张三", "老张", "M04"},
        {"Menu_A05", "A05", "深圳", "0755-1234", "M05"},
    };
    for (const auto& l : lists) {
        auto* w = open<ListFrame>(l.item, l.window);
        ASSERT_NE(w, nullptr) << l.item;
        choose(w, "Menu_Add");
        typeInto(box(w, 0), QString::fromUtf8(l.name));
        typeInto(box(w, 1), QString::fromUtf8(l.remark));
        choose(w, "Menu_save");
        EXPECT_EQ(w->editMode(), 0) << l.item;
        EXPECT_EQ(FirstRecord(QStringLiteral("select F1,F2 from %1").arg(l.table)),
                  QString::fromUtf8(l.name) + "|" + QString::fromUtf8(l.remark));
        grab(QStringLiteral("road_05_%1").arg(l.window));
        choose(w, "Menu_Return");
        EXPECT_EQ(WindowRegistry::loaded(l.window), nullptr) << l.item;
    }
    EXPECT_TRUE(main->toolBarVisible());
}

void RoadTest::addCustomerWithQuote()
{
    auto* w = open<A03>("Menu_A03", "A03");
    ASSERT_NE(w, nullptr);
    choose(w, "Menu_Add");
    typeInto(box(w, 0), "C001");
    typeInto(box(w, 1), "甲公司");
    // The full name starts as the short name.
    click(box(w, 2));
    EXPECT_EQ(box(w, 2)->text(), "甲公司");
    typeInto(box(w, 2), "甲贸易有限公司");
    typeInto(box(w, 3), "Jia Trading Co.");
    typeInto(box(w, 4), "深圳市福田区一路1号");
    typeInto(box(w, 5), "1 Road, Futian");
    typeInto(box(w, 6), "0755-8888");
    pick(list(w, "CmbYWY"), "王经理");
    typeInto(box(w, 11), "1.2");
    // The quote strip: zone code, Enter, the factor (the customer's), Enter adds.
    auto* zone = w->findChild<QLineEdit*>("TxtHPBM");
    typeInto(zone, "JP");
    enterHere();
    auto* factor = w->findChild<QLineEdit*>("TxtSL");
    EXPECT_EQ(focused(), factor);
    EXPECT_EQ(factor->text(), "1.2");
    enterHere();
    FlexGrid* quotes = w->quoteGrid();
    ASSERT_EQ(quotes->rows(), 3);
    // 15 x 1.2, 5 x 1.2, 25 x 1.2, 9 x 1.2, 8.5 x 1.2, each to one decimal.
    EXPECT_EQ(GridRowText(quotes, 2, 7), "JP|日本区|18.0|6.0|30.0|10.8|10.2");
    grab("road_06_A03_quoting");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(FirstRecord("select F1,F2,F301,F302,F8,P888 from M03"), "C001|甲公司|甲贸易有限公司|Jia Trading Co.|王经理|1");
    EXPECT_EQ(FirstRecord("select F0,F1,F2,F3,F4,F5,F6 from M031"), "C001|JP|18|6|30|10.8|10.2");
    grab("road_06_A03_saved");
}

void RoadTest::enterWaybill()
{
    auto* w = open<B01>("Menu_b", "B01");
    ASSERT_NE(w, nullptr);
    choose(w, "Menu_Add");
    EXPECT_EQ(focused(), w->cmb(31));
    EXPECT_EQ(box(w, 29)->text(), gUserName);
    typeInto(box(w, 0), "W0001");
    pick(w->cmb(31), "C001");
    // Leaving the customer fills the shipper from the customer's master.
    click(w->cmb(30));
    EXPECT_EQ(box(w, 8)->text(), "甲贸易有限公司");
    EXPECT_EQ(box(w, 11)->text(), "1 Road, Futian");
    EXPECT_EQ(w->cmb(30)->currentText(), "张三");
    EXPECT_EQ(w->cmb(4)->currentText(), "深圳");
    pick(w->cmb(6), "JP");
    click(w->cmb(7));
    EXPECT_EQ(w->cmb(7)->count(), 2);
    pick(w->cmb(7), "东京");
    pick(w->cmb(17), "D.");
    typeInto(box(w, 20), "1");
    typeInto(box(w, 21), "1.8");
    EXPECT_EQ(w->cmb(25)->currentText(), "月结.Account");
    // The fee: 1.8 Kg is 0.8 Kg above the 1 Kg first weight, two started
    // 0.5 Kg steps: 18 + 2 x 6.
    click(box(w, 26));
    EXPECT_EQ(box(w, 26)->text(), "30");
    typeInto(box(w, 27), "5");
    typeInto(box(w, 33), "1.1");
    typeInto(box(w, 43), "2");
    // (30 + 5) x 1.1 + 2
    click(box(w, 28));
    EXPECT_EQ(box(w, 28)->text(), "40.50");
    pick(w->cmb(5), "E.");
    // Leaving the channel offers its first zone.
    click(box(w, 23));
    EXPECT_EQ(w->cmb(40)->currentText(), "E1.日本");
    typeInto(box(w, 23), "1.8");
    // The cost: 1.3 Kg above the channel's 0.5 Kg, three steps: 20 + 3 x 8,
    // the empty factor taken as 1.
    click(box(w, 34));
    EXPECT_EQ(box(w, 34)->text(), "44.00");
    EXPECT_EQ(box(w, 35)->text(), "1");
    click(w->chkChuHuo());
    w->chkChuHuo()->click();
    EXPECT_EQ(box(w, 32)->text(), gUserName);
    grab("road_07_B01_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    grab("road_07_B01_saved");
}

void RoadTest::addClerkAndLogIn()
{
    auto* w = open<ListFrame>("Menu_S02", "S02");
    ASSERT_NE(w, nullptr);
    choose(w, "Menu_Add");
    typeInto(box(w, 0), "002");
    typeInto(box(w, 1), "李四");
    typeInto(box(w, 2), "pw");
    // Every right but 速递单中的出重、成本价、客户价 (F65).
    for (int i = 0; i < 8; ++i) {
        QCheckBox* right = w->chk(i);
        ASSERT_NE(right, nullptr) << i;
        if (right->isChecked() != (i != 5))
            right->click();
    }
    grab("road_10_S02_adding");
    choose(w, "Menu_save");
    EXPECT_EQ(FirstRecord("select F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67 from TE1 where F1='002'"),
              "002|李四|PW|1|1|1|1|1|0|1|1");
    choose(w, "Menu_Return");

    modal->on("Login", [this](QDialog& d) {
        d.show();
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        Pump();
        pick(d.findChild<QComboBox*>("cmbhu"), "002");
        typeInto(d.findChild<QLineEdit*>("Txt(1)"), "PW");
        GrabToPng(&d, "road_10_Login");
        d.findChild<QPushButton*>("Cmd(0)")->click();
    });
    main->command("Relogin")->trigger();
    Pump();
    main->activateWindow();
    QApplication::setActiveWindow(main.get());
    Pump();
    EXPECT_EQ(gUserCode, "002");
    EXPECT_EQ(gUserName, "李四");
    EXPECT_FALSE(gCanSeePrices);
    EXPECT_EQ(main->panelText(3), "李四");
}
