#include "waybills/waybill.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "waybills/fee.h"

using namespace WaybillBox;

namespace {

// The payment split's three columns stand before the other fee's.
constexpr int kBoxesBeforeSplit = kOtherFee;

QString InsertSql()
{
    QStringList columns;
    for (int k = 0; k < kBoxesBeforeSplit; ++k)
        columns << WaybillColumns()[k].name;
    columns << "DF" << "YJ" << "XJ";
    for (int k = kBoxesBeforeSplit; k < kWaybillBoxes; ++k)
        columns << WaybillColumns()[k].name;
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return "insert into B01 (" + columns.join(',') + ") VALUES (" + marks.join(',') + ")";
}

void InsertWaybill(const Waybill& w)
{
    static const QString sql = InsertSql();
    Statement insert(Db(), sql);
    int index = 0;
    const auto box = [&](int k) {
        if (WaybillColumns()[k].number)
            insert.bindLiteralNumber(++index, w.number[k]);
        else
            insert.bind(++index, w.text[k]);
    };
    for (int k = 0; k < kBoxesBeforeSplit; ++k)
        box(k);
    const PaymentSplit split = SplitByPayment(w.text[kPayment], w.number[kTotal]);
    for (double v : {split.DF, split.YJ, split.XJ})
        insert.bindLiteralNumber(++index, v);
    for (int k = kBoxesBeforeSplit; k < kWaybillBoxes; ++k)
        box(k);
    insert.run();
}

void DeleteRow(const QString& number)
{
    Statement del(Db(), QStringLiteral("delete from B01 where F1=?"));
    del.bind(1, number);
    del.run();
}

} // namespace

const std::array<WaybillColumn, kWaybillBoxes>& WaybillColumns()
{
    static const std::array<WaybillColumn, kWaybillBoxes> columns = {{
        {"F1", false},    {"F101", false},  {"F102", false},  {"F103", false},  {"F201", false},  {"F202", false},
        {"F203", false},  {"F2031", false}, {"F2041", false}, {"F2042", false}, {"F2051", false}, {"F2052", false},
        {"F2061", false}, {"F2062", false}, {"F2071", false}, {"F2072", false}, {"F208", false},  {"F301", false},
        {"F302", false},  {"F303", false},  {"F401", true},   {"F402", true},   {"F403", true},   {"F404", true},
        {"F405", false},  {"F501", false},  {"F502", true},   {"F503", true},   {"F504", true},   {"F601", false},
        {"F602", false},  {"F603", false},  {"F604", false},  {"F505", true},   {"F507", true},   {"F506", true},
        {"F701", false},  {"F702", false},  {"F703", false},  {"F704", false},  {"F2021", false}, {"F605", false},
        {"F606", false},  {"F508", true},   {"F509", true},   {"F510", true},   {"F4051", true},  {"F4052", true},
        {"F4053", true},
    }};
    return columns;
}

QString SaveWaybill(const Waybill& w, const QString& oldNumber)
{
    const QString& number = w.text[kNumber];
    LedgerEntry receivable;
    receivable.lb = kReceivableAdded;
    receivable.docNo = "YS" + number;
    receivable.date = w.sent;
    receivable.party = w.customerName;
    receivable.amount = w.number[kTotal];
    receivable.handler = w.handler;
    LedgerEntry payable = receivable;
    payable.lb = kPayableAdded;
    payable.docNo = "YF" + number;
    payable.party = w.channelName;
    payable.amount = w.number[kCost];

    Transaction tx(Db());
    LedgerPosting posting;
    // An edit's old postings go and the new ones come in one recomputation:
    // each party's later balances are written once.
    posting.inOneRewrite([&] {
        if (!oldNumber.isNull()) {
            posting.remove(WaybillPostings(oldNumber));
            DeleteRow(oldNumber);
        }
        InsertWaybill(w);
        // The payable takes the number right after the receivable's.
        const double sn = posting.post(receivable, w.numberAs);
        if (w.shipped)
            posting.postAt(payable, sn + 1);
    });
    tx.commit();
    return posting.warning();
}

void DeleteWaybill(const QString& number)
{
    Transaction tx(Db());
    DeleteRow(number);
    LedgerPosting posting;
    posting.remove(WaybillPostings(number));
    tx.commit();
}

void MarkWaybillChecked(const QString& number, const QString& checker)
{
    Statement update(Db(), QStringLiteral("update B01 set F604=? where F1=?"));
    update.bind(1, checker);
    update.bind(2, number);
    update.run();
}
