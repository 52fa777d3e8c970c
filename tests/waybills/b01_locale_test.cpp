// The waybill under a desktop whose language writes "1,5".
#include "waybill_fixture.h"

#include "support/numeric_locale.h"

#include <QLineEdit>

TEST_F(WaybillTest, WeightsAndPricesReadWithAPointUnderADecimalCommaLocale)
{
    DecimalCommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale installed";
    B01* w = openWindow();
    Entry e; // 1.2 Kg document: 10 + 2 x 5 = 20
    e.number = "W1";
    add(w, e);
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(box(w, 26)->text(), "20");
    EXPECT_EQ(box(w, 28)->text(), "20.00");
    EXPECT_EQ(box(w, 34)->text(), "36.00");
    EXPECT_EQ(count("select count(*) from B01 where F402=1.2 and F504=20"), 1);
}
