#include "waybill_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "platform/vb.h"
#include "shell/mform.h"
#include "platform/window_registry.h"
#include "waybills/waybill_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>

using namespace WaybillBox;

void WaybillTest::SetUp()
{
    WindowTest::SetUp();
    const QStringList seed = {
        "insert into M05 (F1) values ('深圳')",
        "insert into M05 (F1) values ('广州.天河')",
        "insert into M06 (F1) values ('破损')",
        "insert into M02 (F1,F2) values ('A','亚洲区')",
        "insert into M02 (F1,F2) values ('B','欧洲区')",
        "insert into M021 (F0,F1) values ('A','东京')",
        "insert into M021 (F0,F1) values ('A','大阪')",
        "insert into M021 (F0,F1) values ('B','伦敦')",
        "insert into M03 (F1,F2,F301,F302,F401,F402) values ('C01','甲公司','甲公司全称','Jia Co.','深圳市一路','1 Road')",
        "insert into M03 (F1,F2,F301,F302,F401,F402) values ('C02','乙公司','乙公司全称','Yi Co.','广州市二路','2 Road')",
        // Documents 10 + 5 a step, parcels 20 + 8; segment k at 3 + k/10 per Kg.
        "insert into M031 (F0,F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,F20) values "
        "('C01','A',10,5,20,8,3.1,3.2,3.3,3.4,3.5,3.6,3.7,3.8,3.9,4,4.1,4.2,4.3,4.4,4.5)",
        "insert into M031 (F0,F1,F2,F3,F4,F5) values ('C02','A',12,6,22,9)",
        "insert into M01 (F1,F2,D0,D1,S0,S1,JFD) values ('E1','快运',0.5,0.5,0.5,0.5,0)",
        "insert into M01 (F1,F2,D0,D1,S0,S1,JFD) values ('E2','慢运',0.5,0.5,0.5,0.5,0)",
        "insert into M011 (F1,F2,F3,P101,P102,P201,P202) values ('E1A','一区','E1',20,8,30,6)",
        "insert into M011 (F1,F2,F3,P101,P102,P201,P202) values ('E1B','二区','E1',25,9,35,7)",
        "insert into M011 (F1,F2,F3,P101,P102,P201,P202) values ('E2A','三区','E2',15,5,25,5)",
        "insert into M04 (F1,F2) values ('张三','老张')",
        "insert into M04 (F1,F2) values ('J.Smith','史密斯')",
    };
    for (const QString& sql : seed)
        Db().execute(sql);
}

B01* WaybillTest::openWindow()
{
    B01* w = open<B01>();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return w;
}

B01* WaybillTest::openFromMenu(std::unique_ptr<MForm>& main)
{
    RegisterWaybillWindows();
    // The main window is the host its children talk to, not the fixture's fake one.
    SetMainHost(nullptr);
    main = std::make_unique<MForm>();
    main->resize(1024, 768);
    main->show();
    Pump();
    main->findChild<QAction*>("Menu_b")->trigger();
    Pump();
    return qobject_cast<B01*>(WindowRegistry::loaded("B01"));
}

void WaybillTest::choose(B01* w, int k, const QString& text)
{
    QComboBox* c = w->cmb(k);
    c->setFocus();
    c->setEditText(text);
    // Leaving it for a box that computes nothing.
    box(w, kTransferNo)->setFocus();
}

void WaybillTest::enter(B01* w, int k)
{
    box(w, k == kTransferNo ? kRemark : kTransferNo)->setFocus();
    box(w, k)->setFocus();
}

void WaybillTest::fill(B01* w, const Entry& e)
{
    box(w, kNumber)->setText(e.number);
    w->dtp()->setDate(e.date);
    choose(w, kCustomer, e.customer);
    choose(w, kStaff, e.staff);
    choose(w, kService, e.service);
    choose(w, kPayment, e.payment);
    choose(w, kOrigin, e.origin);
    choose(w, kZone, e.zone);
    choose(w, kPlace, e.place);
    if (!e.channel.isEmpty())
        choose(w, kChannel, e.channel);
    box(w, kWeightIn)->setText(e.weight);
    box(w, kWeightOut)->setText(e.weight);
    if (e.total.isEmpty()) {
        box(w, kFactor)->setText("1");
        enter(w, kBasicFee);
        enter(w, kTotal);
    } else {
        box(w, kTotal)->setText(e.total);
    }
    if (e.cost.isEmpty())
        enter(w, kCost);
    else
        box(w, kCost)->setText(e.cost);
    w->chkChuHuo()->setChecked(e.shipped);
}

void WaybillTest::add(B01* w, const Entry& e)
{
    trigger(w, "Menu_Add");
    fill(w, e);
    trigger(w, "Menu_save");
}

void WaybillTest::storeWaybill(const QString& number, const QString& status, const QString& customer)
{
    Db().execute("insert into B01 (F1,F101,F201,F203,F2031,F301,F501,F504,F602,F603,F604) values (" + SqlQuote(number)
                 + ",'2024-03-01','深圳','A','东京','D','月结',15,'张三'," + SqlQuote(customer) + "," + SqlQuote(status) + ")");
}

QString WaybillTest::ledger(const QString& docNo)
{
    const RecordSet rs = Db().openRecordset("select SN,QC,QM from TB1 where F1=" + SqlQuote(docNo));
    if (rs.recordCount() == 0)
        return QString();
    return rs.at(0, 0).toString() + " " + rs.at(0, 1).toString() + " " + rs.at(0, 2).toString();
}
