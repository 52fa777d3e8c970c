#include "waybill_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "shell/mform.h"
#include "platform/window_registry.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QTabBar>
#include <QApplication>

using namespace WaybillBox;

namespace {

// The controls an operator reads or types into on the detail page.
QList<QWidget*> PageControls(B01* w)
{
    QList<QWidget*> out;
    auto* frm = w->findChild<QFrame*>("Frm");
    for (QWidget* c : frm->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (c->isVisible() && (qobject_cast<QLabel*>(c) || qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)
                               || qobject_cast<QCheckBox*>(c) || qobject_cast<QDateEdit*>(c)))
            out << c;
    }
    return out;
}

// Every caption shows whole and nothing lies over anything else, inside the page.
void ExpectReadable(B01* w, const char* when)
{
    auto* frm = w->findChild<QFrame*>("Frm");
    const QList<QWidget*> controls = PageControls(w);
    ASSERT_GT(controls.size(), 90) << when;
    for (QWidget* c : controls) {
        EXPECT_TRUE(frm->contentsRect().contains(c->geometry())) << when << " " << c->objectName().toStdString();
        if (auto* lab = qobject_cast<QLabel*>(c)) {
            EXPECT_LE(lab->sizeHint().width(), lab->width()) << when << " " << lab->text().toStdString();
        } else if (auto* chk = qobject_cast<QCheckBox*>(c)) {
            EXPECT_LE(chk->sizeHint().width(), chk->width()) << when;
        }
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << when << " " << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
}

} // namespace

TEST_F(WaybillTest, EveryPageOfTheRoadReadsWholeFromTheMainWindow)
{
    storeWaybill("W001", "未出货");
    std::unique_ptr<MForm> mainWindow;
    B01* w = openFromMenu(mainWindow);
    MForm& main = *mainWindow;
    ASSERT_NE(w, nullptr);
    GrabToPng(&main, "b01_list");

    trigger(w, "Menu_Add");
    w->activateWindow();
    Pump();
    ExpectReadable(w, "add");
    QComboBox* customers = list(w, kCustomer);
    customers->showPopup();
    Pump();
    GrabToPng(&main, "b01_add");
    GrabToPng(customers->view()->window(), "b01_add_customer_list");
    customers->hidePopup();

    Entry e;
    e.number = "W002";
    e.shipped = true;
    fill(w, e);
    GrabToPng(&main, "b01_add_filled");
    trigger(w, "Menu_save");
    ASSERT_EQ(w->editMode(), 0);
    // Shown again from the file: codes beside their names.
    auto* tabs = w->findChild<QTabBar*>("TabS");
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
    Pump();
    EXPECT_EQ(box(w, kCustomer)->text(), "C01.甲公司");
    ExpectReadable(w, "shipped");
    GrabToPng(&main, "b01_shipped");
    EXPECT_TRUE(w->close());
    Pump();

    gUserCode = "002";
    gCanSeePrices = false;
    main.findChild<QAction*>("Menu_b")->trigger();
    Pump();
    w = qobject_cast<B01*>(WindowRegistry::loaded("B01"));
    ASSERT_NE(w, nullptr);
    trigger(w, "Menu_Add");
    w->activateWindow();
    Pump();
    ExpectReadable(w, "no price right");
    GrabToPng(&main, "b01_add_no_price_right");
    trigger(w, "Menu_cancel");
    EXPECT_TRUE(w->close());
    Pump();
}

TEST_F(WaybillTest, EnterWalksTheDetailPageInReadingOrder)
{
    B01* w = openWindow();
    trigger(w, "Menu_Add");
    msgs->expect("未输入发件客户，系统无法根据报价计算发件费用！"); // the fee box is passed through
    QStringList walked;
    for (QWidget* f = QApplication::focusWidget(); f && walked.size() < 50; f = QApplication::focusWidget()) {
        QWidget* control = f;
        if (qobject_cast<QComboBox*>(f->parentWidget()) || qobject_cast<QDateEdit*>(f->parentWidget()))
            control = f->parentWidget();
        walked << control->objectName();
        pressKey(f, Qt::Key_Return);
    }
    // Row by row as the page reads, each list where its box stands; the
    // status box, which is not typed, is passed by.
    const QString order = "Cmb(31) Cmb(30) Cmb(4) Txt(8) Txt(9) Txt(10) Txt(11) Txt(12) Txt(13) Txt(14) Txt(15) Txt(16) "
                          "Cmb(6) Cmb(7) Cmb(17) Txt(18) Txt(19) Txt(20) Txt(21) Txt(22) Txt(24) Txt(46) Txt(47) Txt(48) "
                          "Cmb(25) Txt(26) Txt(27) Txt(33) Txt(43) Txt(28) Cmb(5) Cmb(40) Txt(23) Txt(45) Txt(35) Txt(44) "
                          "Txt(34) Txt(29) Txt(3) ChkChuHuo Txt(36) Cmb(37) Txt(38) Txt(39) Txt(41) Txt(42) Txt(0) DTP Txt(2) "
                          "Cmb(31)";
    EXPECT_EQ(walked.join(' '), order);
    trigger(w, "Menu_cancel");
}

TEST_F(WaybillTest, EnglishNamesAndTheTelephoneAreTypedInLatinLetters)
{
    B01* w = openWindow();
    for (int k = kShipperCompany; k <= kPhone; ++k) {
        const bool latin = k % 2 == 1 || k == kPhone;
        EXPECT_EQ(bool(box(w, k)->inputMethodHints() & Qt::ImhPreferLatin), latin) << k;
    }
}

TEST_F(WaybillTest, TheRegisterKeepsItsDesignedSizeInTheMainWindow)
{
    std::unique_ptr<MForm> main;
    B01* w = openFromMenu(main);
    ASSERT_NE(w, nullptr);
    Pump();
    // Not stretched down the work area: the page as designed, 13500 by 8100 twips.
    EXPECT_EQ(w->size(), QSize(TwipsToPx(13500), TwipsToPx(8100)));
    EXPECT_LT(w->parentWidget()->height(), main->findChild<QMdiArea*>()->viewport()->height());
    EXPECT_TRUE(w->close());
}
