#include "bench_support.h"

#include "data/globals.h"
#include "data/schema.h"

#include <QApplication>
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
