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
    for (int k = 0; k <= 42; ++k)
        box(k);
    const PaymentSplit split = SplitByPayment(w.text[25], w.number[28]);
    columns << "DF" << "YJ" << "XJ";
    values << SqlNum(split.DF) << SqlNum(split.YJ) << SqlNum(split.XJ);
    for (int k = 43; k <= 48; ++k)
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
    w.text[0] = "W001";
    w.text[1] = "2026-03-04";
    w.text[25] = "月结";
    w.text[31] = "C01";
    w.number[20] = 1;
    w.number[28] = 30;
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
             w.text[2] = "2026/3/4";
             w.text[42] = "3/4/2026 10:30";
             w.text[3] = "#2026-03-04#";
         }},
        {"quotes", [](Waybill& w) {
             w.text[0] = "W'01";
             w.text[8] = "O'Brien's";
             w.text[9] = "Shipper''s \"Co\"";
         }},
        {"empty and null", [](Waybill& w) {
             w.text[2] = QString();
             w.text[3] = QStringLiteral("");
             w.text[24] = "   ";
         }},
        {"binary fractions", [](Waybill& w) {
             w.number[21] = 0.1 + 0.2;
             w.number[28] = 126.86199951171875;
             w.number[34] = 1.0 / 3;
             w.number[35] = 1e-7;
         }},
        {"large and odd numbers", [](Waybill& w) {
             w.number[20] = 123456789012345678.0;
             w.number[22] = 1e21;
             w.number[23] = -0.0;
             w.number[26] = -2.5;
             w.number[27] = std::numeric_limits<double>::infinity();
             w.number[46] = 9007199254740993.0;
         }},
        {"each payment", [](Waybill& w) { w.text[25] = "到付"; }},
        {"cash", [](Waybill& w) { w.text[25] = "现金"; }},
        {"long reason", [](Waybill& w) { w.text[37] = QString(5000, QChar(u'因')) + "'end"; }},
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
    w.number[34] = 12;
    EXPECT_EQ(SaveWaybill(w, QString()), QString());
    Waybill renamed = w;
    renamed.text[0] = renamed.numberAs = "W002";
    SaveWaybill(renamed, "W001");
    EXPECT_EQ(FirstColumn("select F1 from B01"), QStringList{"W002"});
    EXPECT_EQ(FirstColumn("select F1 from TB1 order by SN"), QStringList({"YSW002", "YFW002"}));
    DeleteWaybill("W002");
    EXPECT_EQ(FirstColumn("select F1 from B01 union all select F1 from TB1"), QStringList());
}
