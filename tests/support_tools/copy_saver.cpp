// copy_saver FOLDER TAG SAVES
// A running copy of the program on FOLDER/vembra.dat that saves as its
// windows save, while another copy does the same. Once open it prints
// "READY" and waits for its stdin to close; then it makes SAVES saves a
// moment apart, turn by turn: an edit of its waybill TAG-W<k> (back-dated:
// its receivable leaves the ledger and is posted again), of its ledger
// receipt SKTAG-E<k>, and of its customer TAG-C (read, then written with its
// quotes). Save i writes i+1 into what it changes: the waybill's total, the
// receipt's amount, the customer's name "TAG i+1" and its price. k goes
// round 0..9. The rows are the test's to seed. A save that fails prints
// "FAIL i kind ms reason"; at the end it prints "LONGEST ms", the longest
// save, and "DONE saves failures".
#include "customers/customer_record.h"
#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/schema.h"
#include "data/statement.h"
#include "waybills/waybill.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace WaybillBox;

namespace {

void editWaybill(const QString& tag, int k, int value)
{
    Waybill w;
    const QString number = QStringLiteral("%1-W%2").arg(tag).arg(k);
    w.text[kNumber] = w.numberAs = number;
    w.sent = QDate(2021, 1 + k, 10);
    w.text[kSent] = w.sent.toString(Qt::ISODate);
    w.text[kPayment] = QStringLiteral("月结");
    w.text[kCustomer] = QStringLiteral("C01");
    w.customerName = QStringLiteral("客户一");
    w.number[kPieces] = 1;
    w.number[kTotal] = value;
    SaveWaybill(w, number);
}

void editReceipt(const QString& tag, int k, int value)
{
    // As the entry window has it from its list: the row's number and kind.
    LedgerRowKey row{QStringLiteral("SK%1-E%2").arg(tag).arg(k), 0, kReceiptTaken};
    {
        Statement sn(Db(), QStringLiteral("select SN from TB1 where F1=?1 and LB=?2"));
        sn.bind(1, row.docNo);
        sn.bindInt64(2, row.lb);
        if (sn.step())
            row.sn = sn.columnDouble(0);
    } // read to its end: no read of this copy is open when the save begins
    LedgerEntry e;
    e.lb = kReceiptTaken;
    e.docNo = row.docNo;
    e.date = QDate(2020 + k % 5, 3, 1);
    e.party = QStringLiteral("客户一");
    e.amount = value;
    Transaction tx(Db());
    LedgerPosting posting;
    posting.edit(row, e);
    tx.commit();
}

void editCustomer(const QString& tag, int value)
{
    const QString code = tag + QStringLiteral("-C");
    Transaction tx(Db());
    Statement read(Db(), QStringLiteral("select F2 from M03 where F1=?1"));
    read.bind(1, code);
    read.step();
    Statement del(Db(), QStringLiteral("delete from M03 where F1=?1"));
    del.bind(1, code);
    del.run();
    Statement insert(Db(), QStringLiteral("insert into M03 (F1,F2) values (?1,?2)"));
    insert.bind(1, code);
    insert.bind(2, QStringLiteral("%1 %2").arg(tag).arg(value));
    insert.run();
    CustomerQuote quote;
    quote.zone = QStringLiteral("Z1");
    quote.prices[0] = value;
    SaveCustomerQuotes(Db(), code, {quote});
    tx.commit();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    QCoreApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]) + '/';
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const int saves = std::atoi(argv[3]);
    const QString path = folder + QString::fromLatin1(kDataFileName);
    gUserName = QStringLiteral("管理员");
    try {
        gDbLock = std::make_unique<DataFileLock>(path);
        gDb = OpenDataFile(path, folder, *gDbLock);
    } catch (const DbError& e) {
        std::printf("FAIL open %s\n", e.what());
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    char buf[16];
    while (std::fgets(buf, sizeof buf, stdin)) {
    }
    int failures = 0;
    qint64 longest = 0;
    static const char* const kinds[] = {"waybill", "receipt", "customer"};
    for (int i = 0; i < saves; ++i) {
        const int kind = i % 3;
        const int k = (i / 3) % 10;
        QElapsedTimer waited;
        waited.start();
        try {
            if (kind == 0)
                editWaybill(tag, k, i + 1);
            else if (kind == 1)
                editReceipt(tag, k, i + 1);
            else
                editCustomer(tag, i + 1);
        } catch (const DbError& e) {
            ++failures;
            std::printf("FAIL %d %s %lld %s\n", i, kinds[kind], waited.elapsed(), e.message().toUtf8().constData());
            std::fflush(stdout);
        }
        longest = std::max(longest, waited.elapsed());
        // An operator never saves back to back: the other copy gets its turns.
        QThread::msleep(2);
    }
    std::printf("LONGEST %lld\n", longest);
    std::printf("DONE %d %d\n", saves, failures);
    gDb.reset();
    gDbLock.reset();
    return 0;
}
