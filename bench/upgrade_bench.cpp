// Opening a ten-year data file of layout 0: 2,000,000 ledger entries numbered
// in the order they were entered (back-dated chunks landing after later ones,
// as in ledger_bench --scattered), with the narrow sequence index, no payment
// date index and the version 0 it had. Timed, as the median of several runs,
// each on a fresh copy of that file:
//   - OpenDataFile: the copy to vembra-v0.dat and the whole upgrade, run as
//     the program runs it, beside the event loop; with the longest gap
//     between two turns of that loop (a timer every 10 ms) and the longest
//     step (what the upgrade window waited before, when it repainted only
//     between steps); runs on the calling thread alternate with these;
//   - the peers: copying the file alone; the event loop's longest gap while
//     it waits for nothing (how late this machine lets a timer fire);
//   - then recomputing the big party's balances (already written: every row
//     read and checked) on the upgraded file against the old one.
// The data file's disk use (the file and whatever lies beside it, the copy
// aside) is sampled during the upgrade; its peak is printed.
// Usage: upgrade_bench [--runs=N]
#include "data/balance_rewriter.h"
#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "support/bench_support.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kRows = TenYearLedger::kRows;
constexpr int kPartyEvery = TenYearLedger::kPartyEvery;
const QString& kParty = TenYearLedger::kParty;

// The ledger as a file of layout 0 holds it: rows numbered as they were written.
void fillOldLedger(Database& db)
{
    Transaction tx(db);
    // The ledger of layout 0: narrower indexes, no per-date table, no triggers.
    QStringList triggers;
    for (RecordSet rs = db.openRecordset("select name from sqlite_master where type='trigger'"); !rs.eof(); rs.moveNext())
        triggers << rs.field(0).toString();
    for (const QString& trigger : triggers)
        db.executeNative("DROP TRIGGER \"" + trigger + "\"");
    db.executeNative("DROP TABLE TB1Days");
    for (const char* index : {"ix_TB1_2", "ix_TB1_4", "ix_TB1_5", "ix_TD2_3"})
        db.executeNative(QStringLiteral("DROP INDEX %1").arg(index));
    db.executeNative("CREATE INDEX \"ix_TB1_2\" ON \"TB1\" (\"F2\")");
    db.executeNative("CREATE INDEX \"ix_TB1_4\" ON \"TB1\" (\"SN\")");
    db.executeNative("CREATE INDEX \"ix_TB1_5\" ON \"TB1\" (\"LB\")");
    Statement insert(db,
                     "insert into TB1 (F1,F2,F3,LB,S2,SN,YF,FK,S1,F5,F6,F10,H8) "
                     "values (?1,?2,?3,?4,?5,?6,?7,?8,'经手人','管理员','管理员','',?9)");
    for (int i : TenYearLedger::writeOrder()) {
        TenYearLedger::bind(insert, i);
        insert.run();
    }
    db.executeNative("PRAGMA user_version = 0");
    tx.commit();
}

qint64 diskUse(const QString& path)
{
    qint64 bytes = QFileInfo(path).size();
    for (const QString& side : Database::sideFiles(path))
        bytes += QFileInfo(side).size();
    return bytes;
}

double mb(qint64 bytes) { return double(bytes) / (1024.0 * 1024.0); }

// The longest time between two turns of this thread's event loop while it
// lives: a timer every 10 ms notes each turn.
class TurnWatch {
public:
    TurnWatch()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last)
                m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(10);
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

double recalcMs(const QString& path, int runs)
{
    gDb = Database::open(path, DataFileKey(), ProgramSql());
    const auto recalc = [] {
        Transaction tx(*gDb);
        RecalcBalances(0, kParty);
        tx.commit();
    };
    recalc(); // the balances written once; the timed runs read and check every row
    const double ms = MedianMs(runs, recalc);
    gDb.reset();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::atoi(argv[i] + 7);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    const QString old = folder + "old.dat";
    const QString path = folder + "vembra.dat";

    QElapsedTimer t;
    t.start();
    CreateDataFile(old);
    {
        auto db = Database::open(old, DataFileKey(), ProgramSql());
        fillOldLedger(*db);
        db->singleFile();
    }
    std::printf("layout-0 file: %d ledger rows in the order written, %.0f MB, made in %.1f s; %d runs each, medians\n",
                kRows, mb(QFileInfo(old).size()), double(t.nsecsElapsed()) / 1e9, runs);

    const double copyMs = MedianMs(
        runs, [&] { QFile::copy(old, path); }, [&] { QFile::remove(path); });
    std::printf("peer: copying the file: %.0f ms\n", copyMs);
    {
        TurnWatch idle;
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        std::printf("peer: the event loop waiting 3 s for nothing: longest gap between two turns %.0f ms\n",
                    idle.longestMs());
    }

    // Runs as the program runs it (beside the event loop) alternate with runs
    // on the calling thread, so a slower machine a while later weighs on both.
    std::vector<double> peaks, turnGaps, stepGaps, besideMs, hereMs;
    const auto upgradeOnce = [&](UpgradeRun run) {
        QFile::remove(path);
        QFile::remove(folder + UpgradeBackupName(0));
        QFile::copy(old, path);
        std::atomic<bool> done{false};
        std::atomic<qint64> peak{0};
        std::thread sampler([&] {
            while (!done) {
                peak = std::max(peak.load(), diskUse(path));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        // The longest time between two turns of this thread's event loop,
        // and between two steps reported.
        TurnWatch turns;
        QElapsedTimer clock;
        clock.start();
        qint64 lastStep = 0, longestStep = 0;
        DataFileLock lock(path);
        OpenDataFile(
            path, folder, lock,
            [&](int step, int) {
                const qint64 now = clock.nsecsElapsed();
                if (step > 0)
                    longestStep = std::max(longestStep, now - lastStep);
                lastStep = now;
            },
            run)
            .reset();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        done = true;
        sampler.join();
        if (run == UpgradeRun::BesideEventLoop) {
            besideMs.push_back(ms);
            peaks.push_back(mb(std::max(peak.load(), diskUse(path))));
            turnGaps.push_back(turns.longestMs());
            stepGaps.push_back(double(longestStep) / 1e6);
        } else {
            hereMs.push_back(ms);
        }
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf(" [%s %.1f]\n", run == UpgradeRun::Here ? "here" : "beside", ms);
    };
    for (int i = 0; i < runs; ++i) {
        upgradeOnce(UpgradeRun::BesideEventLoop);
        upgradeOnce(UpgradeRun::Here);
    }
    const double upgradeMs = MedianOf(besideMs);
    std::printf("upgrade (copy to vembra-v0.dat, schema, ledger regathered, commit): %.0f ms beside the event loop; "
                "%.0f ms on the calling thread\n",
                upgradeMs, MedianOf(hereMs));
    std::printf("longest gap between two turns of the event loop: %.0f ms (longest run %.0f ms); longest step: %.0f "
                "ms\n",
                MedianOf(turnGaps), *std::max_element(turnGaps.begin(), turnGaps.end()), MedianOf(stepGaps));
    std::printf(
        "data file's peak disk use during the upgrade: %.0f MB (median; file before %.0f MB, after %.0f MB; the copy %.0f MB more)\n",
        MedianOf(peaks), mb(QFileInfo(old).size()), mb(QFileInfo(path).size()),
        mb(QFileInfo(folder + UpgradeBackupName(0)).size()));
    const auto [rss, hwm] = ProcessMemoryMb();
    std::printf("process memory: %.0f MB now, %.0f MB at most\n", rss, hwm);

    std::printf("recomputing the big party (%d rows): layout 0 %.1f ms, upgraded %.1f ms\n", kRows / kPartyEvery,
                recalcMs(old, runs), recalcMs(path, runs));
    return 0;
}
