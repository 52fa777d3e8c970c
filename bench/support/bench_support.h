#pragma once
#include <QDate>
#include <QString>

class Statement;
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

// A fresh data file in a temporary folder, opened as gDb for the benchmark's life.
class BenchDataFile {
public:
    BenchDataFile();
    ~BenchDataFile();
    BenchDataFile(const BenchDataFile&) = delete;
    BenchDataFile& operator=(const BenchDataFile&) = delete;

    QString path() const { return m_dir.filePath("vembra.dat"); }
    QString folder() const { return m_dir.path(); }
    // Closes and opens gDb again, so nothing of the file is in the page cache.
    void reopen();
    // A copy of the closed file beside it, for runs that each start from it.
    QString keepCopy();
    // The file replaced by such a copy while closed, then opened again.
    void restoreCopy(const QString& copy);

private:
    QTemporaryDir m_dir;
};

inline double MsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The median of some timings; the mean of the middle two for an even count.
double MedianOf(std::vector<double> v);

// The median milliseconds of `runs` runs of f; prepare runs untimed before
// each. With BENCH_VERBOSE set every run's time is printed too.
double MedianMs(int runs, const std::function<void()>& f, const std::function<void()>& prepare = {});

// Medians of runs of a write with its commit, and of the idle time that
// follows each (when the program moves the journal into the data file).
struct WriteTiming {
    double ms;
    double idleMs;
    double withIdle() const { return ms + idleMs; }
};
// prepare runs untimed before each run, and what it leaves for idle time is
// done before the run starts.
WriteTiming MedianWithIdle(int runs, const std::function<void()>& f, const std::function<void()>& prepare = {});

// The ten-year ledger the ledger benchmarks fill: 2,000,000 entries, 548 a
// day from 2015-01-01; every twentieth is the big party's, the others spread
// over 40 channels and 900 customers. Entry i in sequence order has SN 31 + 2i.
struct TenYearLedger {
    static constexpr int kRows = 2'000'000;
    static constexpr int kPartyEvery = 20; // 100,000 entries of the big party
    static const QString kParty;
    static QDate dayOf(int i);
    // The entries in the order they are written: chunks of 5,000 in a
    // shuffled order, as back-dated entries land in the file after later
    // ones, so a party's rows in SN order jump about the table.
    static std::vector<int> writeOrder();
    // Binds entry i to an insert whose ?1..?9 are F1,F2,F3,LB,S2,SN,YF,FK,H8;
    // returns its party.
    static QString bind(Statement& insert, int i);
};

// Sets the ledger's sequence counter to the last number a fill handed out.
void SetLedgerCounter(double sn);

// This process's resident memory and its peak so far (VmRSS, VmHWM), in MB.
std::pair<double, double> ProcessMemoryMb();
// The peak counted from now on (Linux: VmHWM reset to the present resident size).
void ResetPeakMemory();

// Runs the registered benchmarks inside an offscreen QApplication.
int RunBenchmarks(int argc, char** argv);
