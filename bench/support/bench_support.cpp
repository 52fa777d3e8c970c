#include "bench_support.h"

#include "data/globals.h"
#include "data/schema.h"

#include <QApplication>
#include <QFile>
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
