// Exporting a grid of 100,000 rows of 11 columns: the copy into the staging
// table of the export template, then the workbook, for each writer setup.
#include "support/bench_support.h"
#include "data/database.h"
#include "platform/flexgrid.h"
#include "data/schema.h"
#include "dialogs/toexcel.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 11;

struct Fixture {
    QTemporaryDir dir;
    FlexGrid grid;
    std::unique_ptr<Database> staging;

    Fixture()
    {
        const QString path = dir.path() + "/excel.dat";
        CreateExcelTemplate(path);
        staging = Database::open(path, QString());
        // What a waybill list holds: codes, names, places, amounts, dates.
        std::vector<QString> cells(size_t(kRows + 1) * kCols);
        for (int c = 0; c < kCols; ++c)
            cells[size_t(c)] = QStringLiteral("列%1").arg(c);
        for (int r = 1; r <= kRows; ++r) {
            QString* row = &cells[size_t(r) * kCols];
            row[0] = QStringLiteral("W%1").arg(r, 8, 10, QChar('0'));
            row[1] = QStringLiteral("客户%1").arg(r % 500);
            row[2] = QStringLiteral("北京");
            row[3] = QString::number(r * 0.37, 'g', 15);
            row[4] = QString::number((r % 97) + 0.5);
            row[5] = QString::number(r % 13);
            row[6] = QStringLiteral("2024-%1-%2").arg(r % 12 + 1, 2, 10, QChar('0')).arg(r % 28 + 1, 2, 10, QChar('0'));
            row[7] = r % 7 ? QStringLiteral("月结") : QString();
            row[8] = QString::number(r / 3.0, 'g', 15);
            row[9] = QStringLiteral("外务员%1").arg(r % 40);
            row[10] = QStringLiteral("备注 O'Neil %1").arg(r);
        }
        grid.setAll(kRows + 1, kCols, std::move(cells));
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}


void BM_Export(benchmark::State& state)
{
    Fixture& f = fixture();
    const int version = int(state.range(0));
    const QString out = f.dir.path() + QStringLiteral("/out%1.xlsx").arg(version);
    for (auto _ : state) {
        QFile::remove(out);
        const auto t0 = std::chrono::steady_clock::now();
        StageGrid(*f.staging, f.grid);
        const double staged = MsSince(t0);
        const bool ok = WriteStagedWorkbook(*f.staging, out, version);
        const double total = MsSince(t0);
        if (!ok)
            state.SkipWithError("the writer refused");
        std::printf("export %d rows x %d cols, version %d: staging %.1f ms, workbook %.1f ms, total %.1f ms (%.1f MB)\n",
                    f.grid.rows(), kCols, version, staged, total - staged, total,
                    double(QFile(out).size()) / 1048576.0);
    }
}
BENCHMARK(BM_Export)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
