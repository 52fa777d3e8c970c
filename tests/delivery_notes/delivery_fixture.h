#pragma once
#include "data/database.h"
#include "data/globals.h"
#include "delivery_notes/delivery_note_windows.h"
#include "dialogs/prnt.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "support/modal_script.h"
#include "support/window_test.h"

#include <QComboBox>
#include <QDateEdit>
#include <memory>

// Delivery-note customers, notes and payments:
//
//   TA2  C01 华联商场, C02 新星贸易, C03 O'Neil商行 (C09 is not a customer)
//   TD1  N001 2024-05-03 C01 100    paid Null
//        N002 2024-05-10 C01 250.5  paid 50.5
//        N003 2024-05-31 C02 80     paid 80  (settled)
//        N004 2024-05-01 C02 60     paid 70  (overpaid)
//        N005 2024-04-30 C01 30     paid 0
//        N006 2024-06-01 C03 40     paid 0
//        N007 2024-05-15 C09 20     paid 5
class DeliveryTest : public WindowTest {
protected:
    DeliveryTest() { strictResponders = true; }
    void SetUp() override
    {
        WindowTest::SetUp();
        ReportControl::SetPrinterLookup([] { return QString(); });
        RegisterDeliveryNoteWindows();
        modals = modal.get();
        Database& db = Db();
        db.execute("insert into TA2 (F1,F2,F3,F4,F5) values ('C01','华联商场','深圳市福田区深南大道1号','0755-83000001','0755-83000002')");
        db.execute("insert into TA2 (F1,F2,F3,F4,F5) values ('C02','新星贸易','广州市天河路8号','020-88000001','020-88000002')");
        db.execute("insert into TA2 (F1,F2,F3,F4,F5) values ('C03','O''Neil商行','','','')");
        note("N001", "2024-05-03", "C01", "100", "NULL");
        note("N002", "2024-05-10", "C01", "250.5", "50.5");
        note("N003", "2024-05-31", "C02", "80", "80");
        note("N004", "2024-05-01", "C02", "60", "70");
        note("N005", "2024-04-30", "C01", "30", "0");
        note("N006", "2024-06-01", "C03", "40", "0");
        note("N007", "2024-05-15", "C09", "20", "5");
    }
    void TearDown() override
    {
        if (Prnt* p = Prnt::Loaded())
            delete p;
        ReportControl::SetPrinterLookup({});
        WindowTest::TearDown();
    }

    static void note(const QString& no, const QString& date, const QString& customer, const QString& amount,
                     const QString& paid)
    {
        Db().execute(QStringLiteral("insert into TD1 (F1,F2,F3,F9,F91) values ('%1','%2','%3',%4,%5)")
                         .arg(no, date, customer, amount, paid));
    }
    static void payment(const QString& customer, const QString& no, const QString& date, const QString& amount,
                        const QString& balance)
    {
        Db().execute(QStringLiteral("insert into TD2 (F1,F2,F3,F4,F5) values ('%1','%2','%3',%4,%5)")
                         .arg(customer, no, date, amount, balance));
    }
    static QString value(const QString& sql) { return Db().openRecordset(sql).at(0, 0).toString(); }

    // A grid's row as "a|b|c...".
    static QString rowText(FlexGrid* gd, int r) { return gd->rowTexts(r).join('|'); }

    static QComboBox* combo(QWidget* w, const char* name) { return w->findChild<QComboBox*>(name); }
    static QDateEdit* picker(QWidget* w, const QString& name) { return w->findChild<QDateEdit*>(name); }

    ModalScript* modals = nullptr; // the strict fixture's dialog script
};
