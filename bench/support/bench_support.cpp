#include "bench_support.h"

#include "data/globals.h"
#include "data/schema.h"
#include "data/sqltext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <benchmark/benchmark.h>

BenchDataFile::BenchDataFile()
{
    CreateDataFile(path());
    gDb = Database::open(path(), DataFileKey());
}

BenchDataFile::~BenchDataFile()
{
    gDb.reset();
}

void BenchDataFile::reopen()
{
    gDb.reset();
    gDb = Database::open(path(), DataFileKey());
}

void SetLedgerCounter(double sn)
{
    gDb->execute("update sysinfo set Setval=" + SqlNum(sn) + " where ID=100");
}

double MedianOf(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

WriteTiming MedianWithIdle(int runs, const std::function<void()>& f, const std::function<void()>& prepare)
{
    auto elapsedMs = [](const std::function<void()>& g) {
        QElapsedTimer t;
        t.start();
        g();
        return double(t.nsecsElapsed()) / 1e6;
    };
    std::vector<double> ms, idle;
    for (int r = 0; r < runs; ++r) {
        if (prepare)
            prepare();
        QCoreApplication::processEvents();
        ms.push_back(elapsedMs(f));
        idle.push_back(elapsedMs([] { QCoreApplication::processEvents(); }));
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("    run %d: %.1f ms, idle %.1f ms\n", r + 1, ms.back(), idle.back());
    }
    return {MedianOf(ms), MedianOf(idle)};
}

double MedianMs(int runs, const std::function<void()>& f, const std::function<void()>& prepare)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
        for (double m : ms)
            std::printf(" [%.1f]", m);
        std::printf("\n");
    }
    return MedianOf(ms);
}

int RunBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

std::pair<double, double> ProcessMemoryMb()
{
    QFile f("/proc/self/status");
    double rss = 0, peak = 0;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
            else if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
        }
    }
    return {rss, peak};
}
