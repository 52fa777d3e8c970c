#pragma once
#include "support/qt_print.h"
#include "support/table_text.h"
#include "support/window_test.h"
#include "waybills/b01.h"
#include "waybills/waybill.h"

class MForm;

#include <QComboBox>
#include <QDate>
#include <memory>

// The waybill window on a data file with two customers and their quotes, two
// channels with a zone each, two company zones with places, field staff,
// origins and an incident reason.
class WaybillTest : public WindowTest {
protected:
    WaybillTest() { strictResponders = true; }
    void SetUp() override;

    // A waybill as the operator enters it.
    struct Entry {
        QString number = "W001";
        QString customer = "C01";
        QString staff = "张三";
        QString service = "D.文件(File)";
        QString payment = "月结.Account";
        QString zone = "A";
        QString origin = "深圳";
        QString place = "东京";
        QString channel = "E1";
        QString weight = "1.2";
        QString total; // empty: computed on entering the fee and total boxes
        QString cost;  // empty: computed on entering the cost box
        bool shipped = false;
        QDate date = QDate::currentDate();
    };

    B01* openWindow();
    // The register as the operator opens it: "&B.速递单据" of a main window
    // of 1024 x 768, made here in `main` (the registry learns the window).
    B01* openFromMenu(std::unique_ptr<MForm>& main);
    // Add, fill and save; the fee, total and cost compute as their boxes are entered.
    void add(B01* w, const Entry& e);
    void fill(B01* w, const Entry& e);
    // A list is entered, given a text and left, as the operator would.
    void choose(B01* w, int k, const QString& text);
    // The focus enters a box (the fee, total and cost compute).
    void enter(B01* w, int k);

    // A stored waybill, written straight into the table.
    static void storeWaybill(const QString& number, const QString& status, const QString& customer = "C01");
    // TB1 row of a document as "SN QC QM", "" when absent.
    static QString ledger(const QString& docNo);

    static QComboBox* list(B01* w, int k) { return w->cmb(k); }
};
