// The ledger windows over ten years of entries: 2,000,000 ledger rows for
// 5,000 parties (4,000 customers, 1,000 channels) in a real (encrypted) data
// file, written day by day as they were entered, each with its balances.
// Timed through the windows themselves, each as the median of several runs:
//   - opening the debt entry window (zhLst), whose list holds the kind's 1,000
//     lowest numbers; once with the cache cold, then warm;
//   - the detail ledger (KuanMx) of one customer for one month;
//   - the summary ledger (KuanHz) of all customers for one month;
//   - the balance refresh (ReKuanFrm) of all 5,000 parties, on a ledger whose
//     balances hold; and on a ledger whose balances are all stale, beside its
//     peer (one UPDATE rewriting both balance columns of every row), and for
//     the customers' and the channels' list apart.
// The rows lie in the file as the posting service leaves them, each party's
// rows in its own block; with --spread in entry order, a party's rows spread
// over the whole table (a file filled by some other program).
// Usage: accounts_bench [--runs=N] [--spread]
#include "support/bench_support.h"

#include "accounts/kuanhz.h"
#include "accounts/kuanmx.h"
#include "accounts/rekuanfrm.h"
#include "accounts/zhlst.h"
#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"

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
    Statement insert(*gDb, "insert or fail into TB1 (F1,F2,F3,LB,S2,SN,YF,FK,QC,QM,S1,F5,F6,F10,H8,rowid) "
                           "values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,'经手人','管理员','管理员','',?11,?12)");
    for (int i = 0; i < kRows; ++i) {
        const Entry& e = entries[size_t(i)];
        const bool customer = e.party < kCustomers;
        const LedgerKind& kind = LedgerKindOf(customer ? (e.pays ? kReceiptTaken : kReceivableAdded)
                                                       : (e.pays ? kPaymentMade : kPayableAdded));
        const QString date = DateText(kStart.addDays(qint64(i) * days / kRows));
        const QString party = customer ? customerName(e.party) : channelName(e.party - kCustomers);
        const double amount = e.amount;
        const double qc = balance[size_t(e.party)];
        balance[size_t(e.party)] = qc + (e.pays ? -amount : amount);
        insert.bind(1, kind.prefix + QStringLiteral("%1").arg(i, 9, 10, QChar('0')));
        insert.bind(2, date);
        insert.bind(3, party);
        insert.bindInt64(4, kind.lb);
        insert.bind(5, kind.business);
        insert.bind(6, 31.0 + 2.0 * i);
        insert.bind(7, e.pays ? 0.0 : amount);
        insert.bind(8, e.pays ? amount : 0.0);
        insert.bind(9, qc);
        insert.bind(10, balance[size_t(e.party)]);
        insert.bind(11, date + " 10:15:00");
        qint64& row = nextRow[size_t(e.party)];
        if (row == 0)
            row = LedgerRowBlock(party);
        if (spread)
            insert.bindNull(12);
        else
            insert.bindInt64(12, row++);
        insert.run();
    }
    SetLedgerCounter(31.0 + 2.0 * (kRows - 1));
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
                spread ? "a party's rows spread over the table" : "each party's rows in its block, as the program writes them", double(t.nsecsElapsed()) / 1e9);
    data.reopen();
    std::printf("%d runs each, medians, cache cold before the first run\n", runs);

    int listed = 0;
    auto openEntries = [&] {
        zhLst entries(-9);
        entries.formLoad();
        listed = entries.grid()->rows() - 1;
    };
    t.restart();
    openEntries();
    const double entriesCold = double(t.nsecsElapsed()) / 1e6;
    const double entriesWarm = MedianMs(runs, openEntries);
    std::printf("debt entry window opened with its list (%d rows): cold %.1f ms, warm %.1f ms\n", listed, entriesCold,
                entriesWarm);

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

    QComboBox everyone, customers, channels;
    for (QComboBox* list : {&everyone, &customers, &channels})
        list->addItem(QStringLiteral("所有关系单位"));
    for (int i = 0; i < kCustomers; ++i) {
        everyone.addItem(customerName(i));
        customers.addItem(customerName(i));
    }
    for (int i = 0; i < kChannels; ++i) {
        everyone.addItem(channelName(i));
        channels.addItem(channelName(i));
    }
    auto refreshOf = [](QComboBox* list) {
        return [list] {
            ReKuanFrm form;
            form.tmpCmb = list;
            form.Opt0->setChecked(true);
            form.Command1_Click();
        };
    };
    const auto refreshAll = refreshOf(&everyone);
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

    auto stale = [] { gDb->execute("update TB1 set QC=0,QM=0"); };
    stale();
    data.reopen();
    t.restart();
    refreshAll();
    std::printf("refresh of all %d parties, every balance stale (all %d rows rewritten), cold cache: %.1f ms\n",
                kCustomers + kChannels, kRows, double(t.nsecsElapsed()) / 1e6);

    // Every balance stale before each run (set to 0, untimed); the refresh of
    // each list the detail ledger hands over, and of both. The peer rewrites
    // both columns of every row in one UPDATE, same file, same connection.
    const WriteTiming allStale = MedianWithIdle(runs, refreshAll, stale);
    std::printf(
        "refresh of all %d parties, every balance stale, commit included: %.1f ms, idle checkpoint %.1f ms (aim: under 6000)\n",
        kCustomers + kChannels, allStale.ms, allStale.idleMs);
    const WriteTiming peer = MedianWithIdle(runs, [] {
        Transaction tx(*gDb);
        gDb->executeNative(QStringLiteral("UPDATE TB1 SET QC=QC+1,QM=QM+1"));
        tx.commit();
    });
    std::printf(
        "peer: UPDATE TB1 SET QC=QC+1,QM=QM+1 (all %d rows), commit included: %.1f ms, idle checkpoint %.1f ms\n",
        kRows, peer.ms, peer.idleMs);
    std::printf("  ratio to the peer: %.2f with commit, %.2f with the checkpoint too (bound: 1.5)\n",
                allStale.ms / peer.ms, allStale.withIdle() / peer.withIdle());
    const WriteTiming customerList = MedianWithIdle(runs, refreshOf(&customers), stale);
    std::printf("refresh of the customers' list (%d), every balance stale: %.1f ms, idle checkpoint %.1f ms\n",
                kCustomers, customerList.ms, customerList.idleMs);
    const WriteTiming channelList = MedianWithIdle(runs, refreshOf(&channels), stale);
    std::printf("refresh of the channels' list (%d), every balance stale: %.1f ms, idle checkpoint %.1f ms\n",
                kChannels, channelList.ms, channelList.idleMs);
    return 0;
}
