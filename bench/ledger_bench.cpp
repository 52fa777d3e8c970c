// The ledger at ten years' size: 2,000,000 entries in a real (encrypted) data
// file, one party holding 100,000 of them. The entries were entered
// back-dated, so sequence order is not the order of the rows in the file.
// Timed, each as the median of several runs:
//   - recomputing the big party's balances, every row rewritten, commit included,
//     beside its peer (one UPDATE rewriting both balance columns of the party's rows);
//   - counting one month, and one month's totals per party, written with datediff
//     as the windows write them;
//   - NextLedgerSN for a back-dated entry, from a few days to ten years back,
//     warm and cold (the file reopened before each run);
//   - data initialisation emptying the whole ledger, commit included, with the
//     peak resident memory while it runs (each run on a fresh copy of the file).
// The rows are numbered as the posting service numbers them (each party's in
// its own block); --scattered numbers them in the order written instead, as
// in a file written before the blocks.
// Usage: ledger_bench [--journal=wal|delete] [--runs=N] [--scattered] [--initialisation-only]
#include "support/bench_support.h"
#include "data/balance_rewriter.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "platform/msgbox.h"
#include "shell/s03.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <map>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kRows = TenYearLedger::kRows;
constexpr int kPartyEvery = TenYearLedger::kPartyEvery;
const QString& kParty = TenYearLedger::kParty;
const QDate kStart = TenYearLedger::dayOf(0);

QDate dayOf(int i) { return TenYearLedger::dayOf(i); }

// The ten-year ledger, in the party blocks the posting service numbers
// rows into, or (scattered) numbered in the order written.
void fillLedger(bool scattered)
{
    std::map<qint64, qint64> nextRowId;
    Transaction tx(*gDb);
    Statement insert(*gDb, "insert or fail into TB1 (F1,F2,F3,LB,S2,SN,YF,FK,S1,F5,F6,F10,H8,rowid) "
                           "values (?1,?2,?3,?4,?5,?6,?7,?8,'经手人','管理员','管理员','',?9,?10)");
    for (int i : TenYearLedger::writeOrder()) {
        const QString name = TenYearLedger::bind(insert, i);
        if (scattered) {
            insert.bindNull(10);
        } else {
            const qint64 block = LedgerRowBlock(name); // two names may share a block
            auto [it, fresh] = nextRowId.try_emplace(block, block);
            insert.bindInt64(10, it->second++);
        }
        insert.run();
    }
    SetLedgerCounter(31.0 + 2.0 * (kRows - 1));
    tx.commit();
}

// One recomputation of the big party with its commit.
void recalcAndCommit()
{
    Transaction tx(*gDb);
    RecalcBalances(0, kParty);
    tx.commit();
}

QString monthCondition(const QString& column, const QDate& first, const QDate& last)
{
    return " datediff('d'," + SqlQuote(DateText(first)) + "," + column + " ) >= 0  And datediff('d'," + SqlQuote(DateText(last))
        + "," + column + " ) <= 0 ";
}

// Data initialisation of the ledger alone, as the operator runs it, each run
// on a fresh copy of the full file: the time with its commit, the idle work
// after it, and the peak resident memory while it runs, beside what the
// process held before it.
void TimeInitialisation(BenchDataFile& data, int runs)
{
    SetMsgResponder([](const MsgRecord&) { return vbBtn::Yes; });
    const QString full = data.keepCopy();
    std::vector<double> ms, idle, before, peak;
    QString left;
    for (int r = 0; r < runs; ++r) {
        data.restoreCopy(full);
        malloc_trim(0);
        before.push_back(ProcessMemoryMb().first);
        ResetPeakMemory();
        S03 init;
        init.findChild<QCheckBox*>("Chk(3)")->setChecked(true);
        QElapsedTimer t;
        t.start();
        init.cmdClick(0);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        QCoreApplication::processEvents();
        idle.push_back(double(t.nsecsElapsed()) / 1e6);
        peak.push_back(ProcessMemoryMb().second);
        left = gDb->openRecordset("select count(*) from TB1").field(0).toString();
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("    run %d: %.1f ms, idle %.1f ms, resident before %.0f MB, peak %.0f MB\n", r + 1, ms.back(),
                        idle.back(), before.back(), peak.back());
    }
    QFile::remove(full);
    std::printf(
        "data initialisation of the %d-row ledger, commit included: %.1f ms, then idle work %.1f ms (%s rows left)\n",
        kRows, MedianOf(ms), MedianOf(idle), qPrintable(left));
    std::printf("  peak resident while it runs: %.0f MB (aim: under 250), %.0f MB before it\n", MedianOf(peak),
                MedianOf(before));
}

} // namespace

int main(int argc, char** argv)
{
    QString journal;
    int runs = 5;
    bool scattered = false;
    bool initialisationOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--journal=", 10) == 0)
            journal = QString::fromLatin1(argv[i] + 10);
        else if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::atoi(argv[i] + 7);
        else if (std::strcmp(argv[i], "--scattered") == 0)
            scattered = true;
        else if (std::strcmp(argv[i], "--initialisation-only") == 0)
            initialisationOnly = true;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDataFile data;
    auto setJournal = [&] {
        if (!journal.isEmpty())
            gDb->executeNative("PRAGMA journal_mode=" + journal);
        RecordSet rs = gDb->openRecordset("PRAGMA journal_mode");
        return rs.field(0).toString();
    };

    QElapsedTimer t;
    t.start();
    fillLedger(scattered);
    std::printf("filled %d ledger rows (%d of one party, back-dated order, %s) in %.1f s\n", kRows, kRows / kPartyEvery,
                scattered ? "rows in the order written" : "rows in party blocks", double(t.nsecsElapsed()) / 1e9);

    if (initialisationOnly) {
        TimeInitialisation(data, runs);
        return 0;
    }
    // Reopened, so nothing of the ledger is in the page cache yet.
    data.reopen();
    std::printf("journal mode: %s, %d runs each, medians\n", qPrintable(setJournal()), runs);
    t.restart();
    recalcAndCommit();
    std::printf("first RecalcBalances(0, party), cold cache, balances all Null, commit included: %.1f ms\n",
                double(t.nsecsElapsed()) / 1e6);
    std::printf("RecalcBalances(0, party) on a consistent ledger (nothing to write), commit included: %.1f ms\n",
                MedianMs(runs, recalcAndCommit));

    // Every run rewrites all 100,000 rows: the first entry's amount changes
    // before each, so every later balance moves. Its peer, in the same file on
    // the same connection, is the plainest statement that rewrites the same
    // rows: both columns of every row of the party, one UPDATE.
    // The journal is moved into the file when the program is next idle: timed
    // apart, after each run.
    int flip = 0;
    const WriteTiming rewrite = MedianWithIdle(runs, recalcAndCommit, [&] {
        gDb->execute(QStringLiteral("update TB1 set YF=YF+%1 where SN=31").arg(flip++ % 2 == 0 ? 1 : -1));
    });
    std::printf("RecalcBalances(0, party), all %d rows rewritten, commit included: %.1f ms (aim: under 300)\n",
                kRows / kPartyEvery, rewrite.ms);
    std::printf("  then, when the program is idle, the journal moved into the file: %.1f ms\n", rewrite.idleMs);
    const WriteTiming peer = MedianWithIdle(runs, [] {
        Transaction tx(*gDb);
        Statement st(*gDb, QStringLiteral("UPDATE TB1 SET QC=QC+1,QM=QM+1 WHERE F3=?1"));
        st.bind(1, kParty);
        st.run();
        tx.commit();
    });
    std::printf("peer: UPDATE TB1 SET QC=QC+1,QM=QM+1 WHERE F3=?1, commit included: %.1f ms, idle checkpoint %.1f ms\n",
                peer.ms, peer.idleMs);
    std::printf("  ratio to the peer: %.2f with commit, %.2f with the checkpoint too (bound: 1.5)\n",
                rewrite.ms / peer.ms, rewrite.withIdle() / peer.withIdle());

    const QString month = monthCondition("F2", QDate(2020, 1, 1), QDate(2020, 1, 31));
    qint64 n = 0;
    const double count = MedianMs(runs, [&] { n = gDb->openRecordset("select count(*) from TB1 where" + month).field(0).toInt(); });
    std::printf("one month's count (%lld rows): %.2f ms (aim: under 10)\n", n, count);
    int parties = 0;
    const double totals = MedianMs(runs, [&] {
        parties = gDb->openRecordset("select F3,sum(YF),sum(FK) from TB1 where" + month + " group by F3").recordCount();
    });
    std::printf("one month's totals per party (%d parties): %.2f ms\n", parties, totals);

    // Back-dated look-ups as a save makes them, inside its transaction; cold
    // with the file reopened before each run.
    const QDate newest = dayOf(kRows - 1);
    for (int daysBack : {3, 365, 365 * 5, int(kStart.daysTo(newest))}) {
        const QDate d = newest.addDays(-daysBack);
        double sn = 0;
        auto look = [&] {
            Transaction tx(*gDb);
            sn = NextLedgerSN(d, QStringLiteral("NEW"), 0);
        };
        const double warm = MedianMs(runs, look);
        const double cold = MedianMs(runs, look, [&] { data.reopen(); });
        std::printf("NextLedgerSN %d days back (SN %.2f): warm %.2f ms, cold %.2f ms (aim: under 10)\n", daysBack, sn, warm, cold);
    }

    RecordSet rs = gDb->openRecordset("select top 1 QM from TB1 where F3=" + SqlQuote(kParty) + " order by SN desc");
    std::printf("closing balance of the party: %s\n", qPrintable(rs.field(0).toString()));

    TimeInitialisation(data, runs);
    return 0;
}
