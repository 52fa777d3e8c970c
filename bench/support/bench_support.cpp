#include "bench_support.h"

#include "data/globals.h"
#include "data/posting.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <numeric>
#include <random>
#include <cstdio>
#include <benchmark/benchmark.h>

BenchDataFile::BenchDataFile()
{
    CreateDataFile(path());
    gDb = Database::open(path(), DataFileKey(), ProgramSql());
}

BenchDataFile::~BenchDataFile()
{
    gDb.reset();
}

void BenchDataFile::reopen()
{
    gDb.reset();
    gDb = Database::open(path(), DataFileKey(), ProgramSql());
}

QString BenchDataFile::keepCopy()
{
    const QString copy = path() + ".copy";
    gDb.reset();
    QFile::remove(copy);
    if (!QFile::copy(path(), copy))
        std::fprintf(stderr, "the data file was not copied\n");
    gDb = Database::open(path(), DataFileKey(), ProgramSql());
    return copy;
}

void BenchDataFile::restoreCopy(const QString& copy)
{
    gDb.reset();
    for (const char* side : {"", "-wal", "-shm"})
        QFile::remove(path() + side);
    if (!QFile::copy(copy, path()))
        std::fprintf(stderr, "the data file was not restored\n");
    gDb = Database::open(path(), DataFileKey(), ProgramSql());
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

void ResetPeakMemory()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

const QString TenYearLedger::kParty = QStringLiteral("大客户");

QDate TenYearLedger::dayOf(int i)
{
    return QDate(2015, 1, 1).addDays(i / 548);
}

std::vector<int> TenYearLedger::writeOrder()
{
    constexpr int kChunk = 5'000;
    std::vector<int> chunks(kRows / kChunk);
    std::iota(chunks.begin(), chunks.end(), 0);
    std::shuffle(chunks.begin(), chunks.end(), std::mt19937(20240310));
    std::vector<int> order;
    order.reserve(size_t(kRows));
    for (int chunk : chunks)
        for (int i = chunk * kChunk; i < (chunk + 1) * kChunk; ++i)
            order.push_back(i);
    return order;
}

QString TenYearLedger::bind(Statement& insert, int i)
{
    const bool big = i % kPartyEvery == 0;
    const int lb = big ? (i % 3 == 0 ? -10 : -9) : (i % 4 == 0 ? 9 : i % 4 == 1 ? 10 : i % 4 == 2 ? -9 : -10);
    const LedgerKind& kind = LedgerKindOf(lb);
    const QString date = DateText(dayOf(i));
    const QString name = big ? kParty : lb > 0 ? QStringLiteral("渠道%1").arg(i % 40) : QStringLiteral("客户%1").arg(i % 900);
    insert.bind(1, kind.prefix + QStringLiteral("%1").arg(i, 8, 10, QChar('0')));
    insert.bind(2, date);
    insert.bind(3, name);
    insert.bindInt64(4, lb);
    insert.bind(5, kind.business);
    insert.bind(6, 31.0 + 2.0 * i);
    insert.bind(7, kind.payment ? 0.0 : 12.5 + i % 7);
    insert.bind(8, kind.payment ? 20.25 : 0.0);
    insert.bind(9, date + " 10:15:00");
    return name;
}
