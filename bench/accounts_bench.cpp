// The ledger windows over ten years of entries: 2,000,000 ledger rows for
// 5,000 parties (4,000 customers, 1,000 channels) in a real (encrypted) data
// file, written day by day as they were entered, each with its balances.
// Timed through the windows themselves, each as the median of several runs:
//   - the detail ledger (KuanMx) of one customer for one month;
//   - the summary ledger (KuanHz) of all customers for one month;
//   - the balance refresh (ReKuanFrm) of all 5,000 parties, on a ledger whose
//     balances hold; and once on a ledger whose balances are all stale.
// The rows lie in the file as the posting service leaves them, each party's
// rows in its own block; with --spread in entry order, a party's rows spread
// over the whole table (a file filled by some other program).
// Usage: accounts_bench [--runs=N] [--spread]
#include "support/bench_support.h"

#include "accounts/kuanhz.h"
#include "accounts/kuanmx.h"
#include "accounts/rekuanfrm.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kRows = 2'000'000;
constexpr int kCustomers = 4'000;
constexpr int kChannels = 1'000;
const QDate kStart(2015, 1, 1);
const QDate kEnd(2024, 12, 31);

QString customerName(int i) { return QStringLiteral("客户%1").arg(i, 4, 10, QChar('0')); }
QString channelName(int i) { return QStringLiteral("渠道%1").arg(i, 4, 10, QChar('0')); }

void fail(sqlite3* db, const char* what)
{
    std::fprintf(stderr, "%s failed: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
}

void fillParties()
{
    Transaction tx(*gDb);
    for (int i = 0; i < kCustomers; ++i)
        gDb->execute("insert into M03 (F1,F2) values ('C" + QString::number(i) + "'," + SqlQuote(customerName(i)) + ")");
    for (int i = 0; i < kChannels; ++i)
        gDb->execute("insert into M01 (F1,F2) values ('Q" + QString::number(i) + "'," + SqlQuote(channelName(i)) + ")");
    tx.commit();
}

struct Entry {
    int party;
    float amount;
    bool pays;
};

// Entry i, in entry order, has SN 31 + 2i and its party's running balance.
// The entries are written in entry order. Unless `spread`, each takes the next
// row number of its party's block, as the posting service numbers them.
void fillLedger(bool spread)
{
    const int days = int(kStart.daysTo(kEnd)) + 1;
    std::mt19937 rng(20240310);
    std::vector<Entry> entries(kRows);
    for (Entry& e : entries)
        e = {int(rng() % (kCustomers + kChannels)), float(10 + int(rng() % 50000) / 100.0), rng() % 3 == 0};
    std::vector<qint64> nextRow(kCustomers + kChannels, 0);

    std::vector<double> balance(kCustomers + kChannels, 0.0);
    Transaction tx(*gDb);
    sqlite3* db = gDb->handle();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "insert into TB1 (F1,F2,F3,LB,S2,SN,YF,FK,QC,QM,S1,F5,F6,F10,H8,rowid) "
                           "values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,'经手人','管理员','管理员','',?11,?12)",
                           -1, &st, nullptr) != SQLITE_OK)
        fail(db, "prepare");
    const char* texts[] = {"增加应付", "付款", "增加应收", "收款"};
    for (int i = 0; i < kRows; ++i) {
        const Entry& e = entries[size_t(i)];
        const bool customer = e.party < kCustomers;
        const int lb = customer ? (e.pays ? -10 : -9) : (e.pays ? 10 : 9);
        const QByteArray doc = QStringLiteral("%1%2").arg(lb == 9 ? "YF" : lb == -9 ? "YS" : lb == 10 ? "FK" : "SK").arg(i, 9, 10, QChar('0')).toUtf8();
        const QDate day = kStart.addDays(qint64(i) * days / kRows);
        const QByteArray date = DateText(day).toUtf8();
        const QByteArray party = (customer ? customerName(e.party) : channelName(e.party - kCustomers)).toUtf8();
        const QByteArray s2 = QByteArray(texts[(customer ? 2 : 0) + (e.pays ? 1 : 0)]);
        const QByteArray saved = (DateText(day) + " 10:15:00").toUtf8();
        const double amount = e.amount;
        const double qc = balance[size_t(e.party)];
        balance[size_t(e.party)] = qc + (e.pays ? -amount : amount);
        sqlite3_bind_text(st, 1, doc.constData(), doc.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, date.constData(), date.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, party.constData(), party.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, lb);
        sqlite3_bind_text(st, 5, s2.constData(), s2.size(), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 6, 31.0 + 2.0 * i);
        sqlite3_bind_double(st, 7, e.pays ? 0.0 : amount);
        sqlite3_bind_double(st, 8, e.pays ? amount : 0.0);
        sqlite3_bind_double(st, 9, qc);
        sqlite3_bind_double(st, 10, balance[size_t(e.party)]);
        sqlite3_bind_text(st, 11, saved.constData(), saved.size(), SQLITE_TRANSIENT);
        qint64& row = nextRow[size_t(e.party)];
        if (row == 0)
            row = LedgerRowBlock(QString::fromUtf8(party));
        if (spread)
            sqlite3_bind_null(st, 12);
        else
            sqlite3_bind_int64(st, 12, row++);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail(db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    gDb->execute("update sysinfo set Setval=" + SqlNum(31.0 + 2.0 * (kRows - 1)) + " where ID=100");
    tx.commit();
}

// A query as the operator runs it: period, party, "生成报表".
void runLedger(LedgerReport* w, const QDate& from, const QDate& to, const QString& party)
{
    w->findChild<QDateEdit*>("DTP(0)")->setDate(from);
    w->findChild<QDateEdit*>("DTP(1)")->setDate(to);
    w->findChild<QComboBox*>("Cmb")->setEditText(party);
    w->Cmd_Click();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 5;
    bool spread = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strcmp(argv[i], "--spread") == 0)
            spread = true;
    }
    // The refresh ends with "刷新完成！": answered at once.
    SetMsgResponder([](const MsgRecord&) { return vbBtn::OK; });
    gMoneyFmt = "#0.00";
    gUserCode = kAdminCode;

    BenchDataFile data;
    QElapsedTimer t;
    t.start();
    fillParties();
    fillLedger(spread);
    std::printf("filled %d ledger rows of %d parties over ten years (%s) in %.1f s\n", kRows, kCustomers + kChannels,
                spread ? "a party's rows spread over the table" : "each party's rows in its block, as the program writes them", t.nsecsElapsed() / 1e9);
    data.reopen();
    std::printf("%d runs each, medians, cache cold before the first run\n", runs);

    const QDate first(2024, 6, 1), last(2024, 6, 30);
    KuanMx detail(-10);
    detail.formLoad();
    const QString party = customerName(123);
    const double mx = MedianMs(runs, [&] { runLedger(&detail, first, last, party); });
    std::printf("detail ledger of one customer for one month (%d grid rows): %.1f ms (aim: under 300)\n",
                detail.grid()->rows() - 2, mx);

    KuanHz summary(-10);
    summary.formLoad();
    const double hz = MedianMs(runs, [&] { runLedger(&summary, first, last, QString()); });
    std::printf("summary ledger of all customers for one month (%d parties): %.1f ms (aim: under 1000)\n",
                summary.grid()->rows() - 2, hz);

    QComboBox everyone;
    everyone.addItem(QStringLiteral("所有关系单位"));
    for (int i = 0; i < kCustomers; ++i)
        everyone.addItem(customerName(i));
    for (int i = 0; i < kChannels; ++i)
        everyone.addItem(channelName(i));
    auto refreshAll = [&] {
        ReKuanFrm form;
        form.tmpCmb = &everyone;
        form.Opt0->setChecked(true);
        form.Command1_Click();
    };
    const double all = MedianMs(std::max(1, runs / 2), refreshAll);
    std::printf("refresh of all %d parties, balances holding: %.1f ms (aim: under 10000)\n", kCustomers + kChannels, all);

    // The same recomputations without the window, for comparison.
    const double bare = MedianMs(std::max(1, runs / 2), [&] {
        Transaction tx(*gDb);
        for (int i = 1; i < everyone.count(); ++i)
            RecalcBalances(0, everyone.itemText(i));
        tx.commit();
    });
    std::printf("  of which RecalcBalances(0, party) for every party in one transaction: %.1f ms\n", bare);

    gDb->execute("update TB1 set QC=0,QM=0");
    data.reopen();
    t.restart();
    refreshAll();
    std::printf("refresh of all %d parties, every balance stale (all %d rows rewritten), cold cache: %.1f ms\n",
                kCustomers + kChannels, kRows, t.nsecsElapsed() / 1e6);
    return 0;
}
