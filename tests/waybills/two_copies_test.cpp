// Two copies of the program saving on one data file at once: a save that
// meets the other copy's write waits for it and goes through, whatever it
// reads first; nothing either copy saved is lost.
#include "waybill_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/statement.h"
#include "support/copy_process.h"
#include "support/ledger_check.h"
#include "support/table_text.h"
#include "support/testenv.h"
#include "waybills/waybill.h"

#include <QDir>
#include <QLineEdit>

using namespace WaybillBox;

namespace {

const QString kSaver = QStringLiteral(COPY_SAVER_PATH);
constexpr int kSaves = 150;

// What copy_saver edits, as a new waybill, a receipt and a customer of the
// copy `tag`, among a year-long ledger of the same customer.
void SeedCopy(const QString& tag)
{
    for (int k = 0; k < 10; ++k) {
        Waybill w;
        w.text[kNumber] = w.numberAs = QStringLiteral("%1-W%2").arg(tag).arg(k);
        w.sent = QDate(2021, 1 + k, 10);
        w.text[kSent] = w.sent.toString(Qt::ISODate);
        w.text[kPayment] = "月结";
        w.customerName = "客户一";
        w.number[kTotal] = 1;
        SaveWaybill(w, QString());
        LedgerEntry e;
        e.lb = kReceiptTaken;
        e.docNo = QStringLiteral("SK%1-E%2").arg(tag).arg(k);
        e.date = QDate(2020 + k % 5, 3, 1);
        e.party = "客户一";
        e.amount = 1;
        LedgerPosting().post(e);
    }
    Db().execute("insert into M03 (F1,F2) values ('" + tag + "-C','" + tag + " 0')");
}

// The value the last of a copy's saves of `kind` wrote into row k (any
// row: -1).
int LastWritten(int kind, int k)
{
    int last = 0;
    for (int i = 0; i < kSaves; ++i)
        if (i % 3 == kind && (k < 0 || (i / 3) % 10 == k))
            last = i + 1;
    return last;
}

class TwoCopiesTest : public DataTest {};

} // namespace

TEST_F(TwoCopiesTest, EditsOfOldWaybillsReceiptsAndCustomersInTwoCopiesAtOnceAllGoThrough)
{
    {
        Transaction tx(Db());
        LedgerPosting posting;
        for (int d = 0; d < 1500; ++d) {
            LedgerEntry e;
            e.lb = kReceivableAdded;
            e.docNo = QStringLiteral("YSOLD%1").arg(d);
            e.date = QDate(2019, 1, 1).addDays(d);
            e.party = "客户一";
            e.amount = 10;
            posting.post(e);
        }
        SeedCopy("A");
        SeedCopy("B");
        tx.commit();
    }
    folder->closeDb();
    const QString path = QDir(folder->path()).absolutePath();
    CopyProcess a(kSaver, path, {"A", QString::number(kSaves)});
    CopyProcess b(kSaver, path, {"B", QString::number(kSaves)});
    ASSERT_EQ(a.waitFor("READY"), "READY");
    ASSERT_EQ(b.waitFor("READY"), "READY");
    a.closeInput();
    b.closeInput();
    EXPECT_EQ(a.finish(), 0);
    EXPECT_EQ(b.finish(), 0);
    const QString done = QStringLiteral("DONE %1 0").arg(kSaves);
    EXPECT_EQ(a.lines().last(), done) << a.lines().join("\n").toStdString();
    EXPECT_EQ(b.lines().last(), done) << b.lines().join("\n").toStdString();

    folder->openDb();
    for (const QString tag : {"A", "B"}) {
        SCOPED_TRACE(tag.toStdString());
        for (int k = 0; k < 10; ++k) {
            const QString waybill = QStringLiteral("%1-W%2").arg(tag).arg(k);
            const QString total = QString::number(LastWritten(0, k));
            EXPECT_EQ(FirstColumn("select F504 from B01 where F1='" + waybill + "'"), QStringList{total});
            EXPECT_EQ(FirstColumn("select YF from TB1 where LB=-9 and F1='YS" + waybill + "'"), QStringList{total});
            EXPECT_EQ(FirstColumn(QStringLiteral("select FK from TB1 where LB=-10 and F1='SK%1-E%2'").arg(tag).arg(k)),
                      QStringList{QString::number(LastWritten(1, k))});
        }
        const int customer = LastWritten(2, -1);
        EXPECT_EQ(FirstColumn("select F2 from M03 where F1='" + tag + "-C'"),
                  QStringList{tag + " " + QString::number(customer)});
        EXPECT_EQ(FirstColumn("select F2 from M031 where F0='" + tag + "-C'"), QStringList{QString::number(customer)});
    }
    ExpectChainsHold();
}

TEST_F(WaybillTest, AnEditSaveThatOutwaitsAnotherCopysWriteSaysWhyInChineseAndStoresNothing)
{
    B01* w = openWindow();
    Entry e;
    e.shipped = true;
    add(w, e);
    const QStringList before = Records("select * from B01") + Records("select * from TB1");
    trigger(w, "Menu_edit");
    box(w, kRemark)->setText("改过");
    {
        // Another copy's write, held longer than this one waits.
        auto other = Database::open(gDbPath, DataFileKey(), ProgramSql());
        other->executeNative("BEGIN IMMEDIATE");
        msgs->expect(QStringLiteral(
                         "保存失败!系统返回如下信息：\r数据文件正被另一个正在运行的本程序写入，本操作等了%1秒仍未轮到，"
                         "没有写入任何内容。请稍后再试。")
                         .arg(Database::kBusyTimeoutMs / 1000));
        trigger(w, "Menu_save");
        other->executeNative("ROLLBACK");
    }
    EXPECT_EQ(msgs->count(), 1);
    EXPECT_EQ(Records("select * from B01") + Records("select * from TB1"), before);
    // The edit stays as typed; saved again once the other copy is done, it goes through.
    EXPECT_EQ(w->editMode(), 2);
    EXPECT_EQ(box(w, kRemark)->text(), "改过");
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), 0);
    EXPECT_EQ(Records("select F103 from B01"), QStringList{"改过"});
    EXPECT_EQ(ExpectChainsHold(), 2);
}
