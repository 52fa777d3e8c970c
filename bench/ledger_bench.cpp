// Recomputing one party's running balances: 100,000 entries of one party
// among 1,000,000 ledger rows, in a real (encrypted) data file.
#include "support/bench_support.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/schema.h"
#include "data/sqltext.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <QDate>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int kRows = 1'000'000;
constexpr int kPartyRows = 100'000;
const QString kParty = QStringLiteral("大客户");

void fillLedger()
{
    Transaction tx(*gDb);
    sqlite3* db = gDb->handle();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into TB1 (F1,F2,F3,LB,S2,SN,YF,FK,F5,F6) values (?1,?2,?3,-9,'增加应收',?4,?5,?6,'管理员','管理员')",
                       -1, &st, nullptr);
    const QDate start(2015, 1, 1);
    for (int i = 0; i < kRows; ++i) {
        const QByteArray doc = QStringLiteral("YS%1").arg(i, 8, 10, QChar('0')).toUtf8();
        const QByteArray date = DateText(start.addDays(i / 200)).toUtf8();
        // Every tenth row belongs to the one big party, the rest to 900 others,
        // so the party's rows are spread over the whole table.
        const QByteArray party = (i % 10 == 0 ? kParty : QStringLiteral("客户%1").arg(i % 900)).toUtf8();
        sqlite3_bind_text(st, 1, doc.constData(), doc.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, date.constData(), date.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, party.constData(), party.size(), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 4, 31.0 + 2.0 * i);
        sqlite3_bind_double(st, 5, i % 3 == 0 ? 0.0 : 12.5 + i % 7);
        sqlite3_bind_double(st, 6, i % 3 == 0 ? 20.25 : 0.0);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "insert failed: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    tx.commit();
}

// One timed recomputation inside its own transaction; returns seconds
// (the commit is timed apart).
double timedRecalc(double* commitSeconds = nullptr)
{
    Transaction tx(*gDb);
    QElapsedTimer t;
    t.start();
    RecalcBalances(0, kParty);
    const double s = t.nsecsElapsed() / 1e9;
    t.restart();
    tx.commit();
    if (commitSeconds)
        *commitSeconds = t.nsecsElapsed() / 1e9;
    return s;
}

// Every run rewrites all 100,000 rows: the first entry's amount changes
// before each, so every later balance moves. The commit is not timed.
void BM_RecalcBalancesOneParty(benchmark::State& state)
{
    const QString first = "update TB1 set YF=YF+%1 where F1='YS00000000'";
    double seconds = 0;
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        gDb->execute(first.arg(runs % 2 == 0 ? 1 : -1));
        Transaction tx(*gDb);
        QElapsedTimer t;
        state.ResumeTiming();
        t.start();
        RecalcBalances(0, kParty);
        seconds += t.nsecsElapsed() / 1e9;
        ++runs;
        state.PauseTiming();
        tx.commit();
        state.ResumeTiming();
    }
    state.counters["rows/s"] = benchmark::Counter(double(kPartyRows) * state.iterations(), benchmark::Counter::kIsRate);
    std::printf("RecalcBalances(0, party), all %d rows rewritten: %.1f ms per run, %.0f rows/s\n",
                kPartyRows, 1000 * seconds / runs, kPartyRows * runs / seconds);
}
BENCHMARK(BM_RecalcBalancesOneParty)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    BenchDataFile data;

    QElapsedTimer t;
    t.start();
    fillLedger();
    std::printf("filled %d ledger rows (%d of one party) in %.2f s\n", kRows, kPartyRows, t.nsecsElapsed() / 1e9);

    // Reopened, so nothing of the ledger is in the page cache yet.
    data.reopen();
    double commit = 0;
    double s = timedRecalc(&commit);
    std::printf("first RecalcBalances(0, party), cold cache, balances all Null: %.1f ms (%.0f rows/s), commit %.1f ms\n",
                1000 * s, kPartyRows / s, 1000 * commit);
    s = timedRecalc(&commit);
    std::printf("RecalcBalances(0, party) on a consistent ledger (nothing to write): %.1f ms, commit %.1f ms\n",
                1000 * s, 1000 * commit);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    RecordSet rs = gDb->openRecordset("select top 1 QM from TB1 where F3=" + SqlQuote(kParty) + " order by SN desc");
    std::printf("closing balance of the party: %s\n", qPrintable(rs.field(0).toString()));
    return 0;
}
