// A waybill saved through its record stores every column as the statement
// text it replaced stored it: the same type and the same value.
#include "data/balance_rewriter.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "support/ledger_check.h"
#include "support/table_text.h"
#include "support/testenv.h"
#include "waybills/fee.h"
#include "waybills/waybill.h"

#include <QDate>
#include <functional>
#include <limits>
#include <map>

#include <sqlcipher/sqlite3.h>

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

namespace {

// Ledger rows written (updated) more than once while f runs.
int RowsWrittenTwice(const std::function<void()>& f)
{
    std::map<sqlite3_int64, int> writes;
    sqlite3_update_hook(
        Db().handle(),
        [](void* p, int op, const char*, const char* table, sqlite3_int64 rowid) {
            if (op == SQLITE_UPDATE && qstricmp(table, "TB1") == 0)
                ++(*static_cast<std::map<sqlite3_int64, int>*>(p))[rowid];
        },
        &writes);
    f();
    sqlite3_update_hook(Db().handle(), nullptr, nullptr);
    int twice = 0;
    for (const auto& [rowid, n] : writes)
        twice += n > 1;
    return twice;
}

} // namespace

TEST_F(WaybillRecordTest, AnEditLeavesTheBalancesOfAFullRecomputationWritingEachEntryOnce)
{
    struct Case {
        const char* what;
        std::function<void(Waybill&)> change;
    };
    const Case cases[] = {
        {"saved again as it was", [](Waybill&) {}},
        {"amounts changed", [](Waybill& w) { w.number[kTotal] = 45, w.number[kCost] = 17; }},
        {"customer changed", [](Waybill& w) { w.customerName = "乙公司"; }},
        {"customer and channel changed", [](Waybill& w) { w.customerName = "乙公司", w.channelName = "慢运"; }},
        {"date moved earlier", [](Waybill& w) { w.sent = QDate(2026, 2, 27); }},
        {"date moved later, amount changed", [](Waybill& w) { w.sent = QDate(2026, 3, 9), w.number[kTotal] = 31; }},
        {"no longer shipped", [](Waybill& w) { w.shipped = false; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Db().execute("delete from B01");
        Db().execute("delete from TB1");
        Db().execute("update sysinfo set Setval=0 where ID=100");
        // Twelve waybills over six days, two customers and two channels.
        Waybill edited;
        for (int i = 0; i < 12; ++i) {
            Waybill w = Plain();
            w.text[kNumber] = w.numberAs = QStringLiteral("W%1").arg(i, 3, 10, QChar('0'));
            w.sent = QDate(2026, 3, 1).addDays(i / 2);
            w.customerName = i % 3 ? "甲公司" : "乙公司";
            w.channelName = i % 2 ? "快运" : "慢运";
            w.shipped = true;
            w.number[kTotal] = 10 + i;
            w.number[kCost] = 5 + i;
            SaveWaybill(w, QString());
            if (i == 4)
                edited = w;
        }
        c.change(edited);
        EXPECT_EQ(RowsWrittenTwice([&] { SaveWaybill(edited, edited.text[kNumber]); }), 0);
        ExpectChainsHold();
        const QString balances = "select F1,QC,QM from TB1 order by F1";
        const QStringList saved = Records(balances);
        for (const QString& party : FirstColumn("select distinct F3 from TB1"))
            RecalcBalances(0, party);
        EXPECT_EQ(saved, Records(balances));
        EXPECT_EQ(FirstColumn("select F3 from TB1 where F1 like 'Y?W004' order by LB"),
                  edited.shipped ? QStringList({edited.customerName, edited.channelName})
                                 : QStringList({edited.customerName}));
    }
}
