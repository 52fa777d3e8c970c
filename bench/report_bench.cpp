// Laying a statement of 100,000 scratch rows out into pages: the read of the
// scratch table, the layout into pages, and the painting of one page (the
// preview paints only the pages in view, so one page is what a screen costs).
#include "support/bench_support.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/report_control.h"
#include "dialogs/report_engine.h"
#include "data/schema.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kRows = 100000;

// A statement as the reconciliation windows print it: title, page header,
// six fields per row, a totals band, page footer, summary with sums.
const char* const kTemplate = R"rpt(
table PRNTC023
page A4 portrait
margins 15 12 15 12
formula KH ""
formula RQ ""
title 22
  text 0 0 180 10 center size=16 bold "对帐明细表"
  text 0 12 100 7 "客户: {KH}"
  text 100 12 80 7 right "{RQ}"
header 8
  box 0 0 180 8 width=0.3
  text 1 0 28 8 bold "运单号"
  text 30 0 24 8 bold "日期"
  text 55 0 45 8 bold "目的地"
  text 101 0 28 8 bold "件数"
  text 130 0 24 8 right bold "重量(Kg)"
  text 155 0 24 8 right bold "金额(元)"
detail 7 when F1 = ""
  line 0 0 180 0 width=0.3
  text 1 0 28 7 bold "合  计"
  field 130 0 24 7 right bold F5 format="#0.0"
  field 155 0 24 7 right bold F6 format="#0.00"
detail 7
  field 1 0 28 7 F1
  field 30 0 24 7 F2
  field 55 0 45 7 F3
  field 101 0 28 7 F4
  field 130 0 24 7 right F5 format="#0.0"
  field 155 0 24 7 right F6 format="#0.00"
  line 0 7 180 7 width=0.1
footer 8
  line 0 0 180 0
  text 0 1 180 7 center size=9 "第 {page} 页  共 {pages} 页"
summary 10
  text 0 3 60 7 "运单数: "
  count 20 3 20 7 left when F1 != ""
  sum 130 3 24 7 right F5 format="#0.0" when F1 != ""
  sum 155 3 24 7 right F6 format="#0.00" when F1 != ""
)rpt";


struct Fixture {
    BenchDataFile data;

    Fixture()
    {
        QList<QStringList> rows;
        rows.reserve(kRows + 1);
        for (int i = 1; i <= kRows; ++i)
            rows << QStringList{QStringLiteral("W%1").arg(i, 8, 10, QChar('0')), "2024-03-01", "东京", "1",
                                QString::number(0.5 + i % 40), QString::number(i % 997 + 0.25)};
        rows << QStringList{"", "", "", "", "0", "0"};
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
    const ReportTemplate tpl = ReportTemplate::parse(QString::fromUtf8(kTemplate), "prntc023.rpt");
    const QMap<QString, QString> formulas{{"kh", "甲公司"}, {"rq", "对帐日期:2024-03-01至2024-03-31"}};
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
    }
}
BENCHMARK(BM_LayOutStatement)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
