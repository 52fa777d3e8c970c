// Laying a statement of 100,000 scratch rows out into pages with the
// template the program ships (prntc023.rpt, the customer's and the
// channel's reconciliation, from the program's folder): the read of the
// scratch table, the layout into pages, and the painting of one page (the
// preview paints only the pages in view, so one page is what a screen costs).
#include "support/bench_support.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_control.h"
#include "dialogs/report_engine.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRows = 100000;

struct Fixture {
    BenchDataFile data;

    Fixture()
    {
        QList<QStringList> rows;
        rows.reserve(kRows + 1);
        // As the reconciliation windows copy their grid: date, waybill
        // number, D/S, destination, weight, freight; the totals row last,
        // without a number.
        double weight = 0, freight = 0;
        for (int i = 1; i <= kRows; ++i) {
            weight += 0.5 + i % 40;
            freight += i % 997 + 0.25;
            rows << QStringList{"2024-03-01",
                                QStringLiteral("W%1").arg(i, 8, 10, QChar('0')),
                                i % 3 ? "D" : "S",
                                "东京",
                                QString::number(0.5 + i % 40),
                                QString::number(i % 997 + 0.25)};
        }
        rows << QStringList{"", "", "", "", QString::number(weight, 'f', 1), QString::number(freight, 'f', 2)};
        const auto t0 = std::chrono::steady_clock::now();
        if (!FillScratchTable("PRNTC023", {"F1", "F2", "F3", "F4", "F5", "F6"}, rows))
            std::fprintf(stderr, "scratch table not filled\n");
        std::printf("scratch table filled: %d rows in %.1f ms\n", kRows + 1, MsSince(t0));
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_LayOutStatement(benchmark::State& state)
{
    fixture();
    const ReportTemplate tpl = ReportTemplate::load(QCoreApplication::applicationDirPath() + "/prntc023.rpt");
    const QMap<QString, QString> formulas{{"kh", "甲公司"}, {"rq", "对帐日期:2024-03-01至2024-03-31"}};
    std::vector<double> laidOut, total;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const ReportRows rows = ReadReportRows(tpl, Db());
        const double readMs = MsSince(t0);
        const auto t1 = std::chrono::steady_clock::now();
        const ReportLayout layout = LayoutReport(tpl, rows, formulas);
        const double layMs = MsSince(t1);
        const auto t2 = std::chrono::steady_clock::now();
        const QImage page = RenderReportPage(layout, int(layout.pages.size()) / 2, 96);
        const double paintMs = MsSince(t2);
        benchmark::DoNotOptimize(page.constBits());
        std::printf("statement of %d rows: read %.1f ms, laid out into %d pages %.1f ms, one page painted %.1f ms, "
                    "total %.1f ms\n",
                    rows.rowCount(), readMs, int(layout.pages.size()), layMs, paintMs, MsSince(t0));
        laidOut.push_back(layMs);
        total.push_back(MsSince(t0));
    }
    state.counters["layout_median_ms"] = MedianOf(laidOut);
    state.counters["total_median_ms"] = MedianOf(total);
}
BENCHMARK(BM_LayOutStatement)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
