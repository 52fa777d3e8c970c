// A waybill saved through its record stores every column as the statement
// text it replaced stored it: the same type and the same value.
#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "support/table_text.h"
#include "support/testenv.h"
#include "waybills/fee.h"
#include "waybills/waybill.h"

#include <QDate>
#include <functional>
#include <limits>

using namespace WaybillBox;

namespace {

// The insert as the window composed it before the record: each value a
// literal, the whole text through the dialect translator.
void SaveByStatementText(const Waybill& w)
{
    QStringList columns, values;
    const auto box = [&](int k) {
        columns << WaybillColumns()[k].name;
        values << (WaybillColumns()[k].number ? SqlNum(w.number[k]) : SqlQuote(w.text[k]));
    };
    for (int k = 0; k < kOtherFee; ++k)
        box(k);
    const PaymentSplit split = SplitByPayment(w.text[kPayment], w.number[kTotal]);
    columns << "DF" << "YJ" << "XJ";
    values << SqlNum(split.DF) << SqlNum(split.YJ) << SqlNum(split.XJ);
    for (int k = kOtherFee; k < kWaybillBoxes; ++k)
        box(k);
    Db().execute("insert into B01 (" + columns.join(',') + ") VALUES (" + values.join(',') + ")");
}

// Every column of the one stored waybill as "column typeof value", reals
// in their exact shortest form.
QStringList StoredColumns()
{
    QStringList names = {"DF", "YJ", "XJ"};
    for (const WaybillColumn& c : WaybillColumns())
        names << c.name;
    QStringList out;
    for (const QString& name : names) {
        Statement st(Db(), "select typeof(" + name + ")," + name + " from B01");
        EXPECT_TRUE(st.step());
        const QString kind = st.columnText(0);
        out << name + " " + kind + " " + (kind == "real" ? SqlNum(st.columnDouble(1)) : st.columnText(1));
        EXPECT_FALSE(st.step());
    }
    return out;
}

Waybill Plain()
{
    Waybill w;
    w.text[kNumber] = "W001";
    w.text[kSent] = "2026-03-04";
    w.text[kPayment] = "月结";
    w.text[kCustomer] = "C01";
    w.number[kPieces] = 1;
    w.number[kTotal] = 30;
    w.sent = QDate(2026, 3, 4);
    w.customerName = "甲公司";
    w.numberAs = "W001";
    return w;
}

} // namespace

class WaybillRecordTest : public DataTest {};

TEST_F(WaybillRecordTest, BoundValuesStoreAsTheStatementTextStoredThem)
{
    const std::pair<const char*, std::function<void(Waybill&)>> cases[] = {
        {"plain", [](Waybill&) {}},
        {"date-like text", [](Waybill& w) {
             w.text[kTransferNo] = "2026/3/4";
             w.text[kSignedAt] = "3/4/2026 10:30";
             w.text[kRemark] = "#2026-03-04#";
         }},
        {"quotes", [](Waybill& w) {
             w.text[kNumber] = "W'01";
             w.text[kShipperCompany] = "O'Brien's";
             w.text[kShipperCompanyEn] = "Shipper''s \"Co\"";
         }},
        {"empty and null", [](Waybill& w) {
             w.text[kTransferNo] = QString();
             w.text[kRemark] = QStringLiteral("");
             w.text[kVolume] = "   ";
         }},
        {"binary fractions", [](Waybill& w) {
             w.number[kWeightIn] = 0.1 + 0.2;
             w.number[kTotal] = 126.86199951171875;
             w.number[kCost] = 1.0 / 3;
             w.number[kCostFactor] = 1e-7;
         }},
        {"large and odd numbers", [](Waybill& w) {
             w.number[kPieces] = 123456789012345678.0;
             w.number[kWeightFirst] = 1e21;
             w.number[kWeightOut] = -0.0;
             w.number[kBasicFee] = -2.5;
             w.number[kExtraFee] = std::numeric_limits<double>::infinity();
             w.number[kLength] = 9007199254740993.0;
         }},
        {"each payment", [](Waybill& w) { w.text[kPayment] = "到付"; }},
        {"cash", [](Waybill& w) { w.text[kPayment] = "现金"; }},
        {"long reason", [](Waybill& w) { w.text[kReason] = QString(5000, QChar(u'因')) + "'end"; }},
    };
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        Waybill w = Plain();
        change(w);
        SaveByStatementText(w);
        const QStringList before = StoredColumns();
        Db().execute("delete from B01");
        SaveWaybill(w, QString());
        EXPECT_EQ(StoredColumns(), before);
        Db().execute("delete from B01");
        Db().execute("delete from TB1");
    }
}

TEST_F(WaybillRecordTest, AnEditReplacesTheRowAndItsPostingsAndADeleteRemovesThem)
{
    Waybill w = Plain();
    w.shipped = true;
    w.channelName = "快运";
    w.number[kCost] = 12;
    EXPECT_EQ(SaveWaybill(w, QString()), QString());
    Waybill renamed = w;
    renamed.text[kNumber] = renamed.numberAs = "W002";
    SaveWaybill(renamed, "W001");
    EXPECT_EQ(FirstColumn("select F1 from B01"), QStringList{"W002"});
    EXPECT_EQ(FirstColumn("select F1 from TB1 order by SN"), QStringList({"YSW002", "YFW002"}));
    DeleteWaybill("W002");
    EXPECT_EQ(FirstColumn("select F1 from B01 union all select F1 from TB1"), QStringList());
}
