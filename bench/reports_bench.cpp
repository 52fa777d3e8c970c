// The statistical reports over ten years of waybills: the refresh of one
// customer's monthly reconciliation and of one month's gross-profit table,
// through the real windows (statement, record set, grid fill, totals).
#include "support/bench_support.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "platform/flexgrid.h"
#include "reports/c02.h"
#include "reports/c06.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWaybills = 1000000;
constexpr int kCustomers = 5000;
constexpr int kChannels = 40;
constexpr int kDays = 3653; // 2015-01-01 .. 2024-12-31
constexpr int kRuns = 9;

QString customerCode(int i) { return QStringLiteral("C%1").arg(i, 4, 10, QChar('0')); }

struct Fixture {
    BenchDataFile data;

    Fixture()
    {
        const auto t0 = std::chrono::steady_clock::now();
        Database& db = Db();
        Transaction tx(db);
        {
            Statement cust(db, "insert into M03 (F1,F2,F8) values (?1,?2,?3)");
            for (int i = 1; i <= kCustomers; ++i) {
                cust.bind(1, customerCode(i));
                cust.bind(2, QStringLiteral("客户%1贸易公司").arg(i));
                cust.bind(3, QStringLiteral("业务员%1").arg(i % 25));
                cust.run();
            }
            Statement chan(db, "insert into M01 (F1,F2) values (?1,?2)");
            for (int i = 1; i <= kChannels; ++i) {
                chan.bind(1, QStringLiteral("Q%1").arg(i, 2, 10, QChar('0')));
                chan.bind(2, QStringLiteral("渠道%1").arg(i));
                chan.run();
            }
        }
        Statement way(db,
            "insert into B01 (F1,F101,F301,F2031,F401,F402,F404,F501,F502,F503,F504,F505,F506,F507,F508,F509,F510,"
            "F602,F603,F202,F604,F103,XJ,YJ,DF) values "
            "(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20,?21,?22,?23,?24,?25)");
        const QDate first(2015, 1, 1);
        const QString pays[] = {"月结", "月结", "现金", "到付"};
        const QString states[] = {"张三", "张三", "张三", "未出货", "未审核"};
        for (int i = 0; i < kWaybills; ++i) {
            // Spread over the days and the customers without following one another.
            const int day = int((qint64(i) * 7919) % kDays);
            const int cust = int((qint64(i) * 104729) % kCustomers) + 1;
            const double total = 20 + (i % 400) * 0.5;
            const QString& pay = pays[i % 4];
            way.bind(1, QStringLiteral("SD%1").arg(i, 8, 10, QChar('0')));
            way.bind(2, DateText(first.addDays(day)));
            way.bind(3, i % 3 ? QStringLiteral("S") : QStringLiteral("D"));
            way.bind(4, QStringLiteral("目的地%1").arg(i % 300));
            way.bind(5, double(1 + i % 5));
            way.bind(6, 0.5 + (i % 60) * 0.5);
            way.bind(7, 1.0 + (i % 60) * 0.5);
            way.bind(8, pay);
            way.bind(9, total * 0.8);
            way.bind(10, total * 0.1);
            way.bind(11, total);
            way.bind(12, 1.1);
            way.bind(13, double(i % 7));
            way.bind(14, total * 0.6);
            way.bind(15, double(i % 3));
            way.bind(16, 0.0);
            way.bind(17, 0.0);
            way.bind(18, QStringLiteral("外务%1").arg(i % 30));
            way.bind(19, customerCode(cust));
            way.bind(20, QStringLiteral("Q%1").arg(i % kChannels + 1, 2, 10, QChar('0')));
            way.bind(21, states[i % 5]);
            way.bind(22, QString());
            way.bind(23, pay == "现金" ? total : 0.0);
            way.bind(24, pay == "月结" ? total : 0.0);
            way.bind(25, pay == "到付" ? total : 0.0);
            way.run();
        }
        tx.commit();
        std::printf("%d waybills, %d customers written in %.1f s\n", kWaybills, kCustomers, MsSince(t0) / 1000);
        data.reopen();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// Opens the window for March 2024, refreshes it kRuns times and prints the
// first (cold) and the median time.
template <class W>
void timeRefresh(const char* what, const QString& party)
{
    fixture();
    W w;
    w.formLoad();
    w.template findChild<QDateEdit*>("DTP(0)")->setDate(QDate(2024, 3, 1));
    w.template findChild<QDateEdit*>("DTP(1)")->setDate(QDate(2024, 3, 31));
    if (!party.isEmpty())
        w.template findChild<QComboBox*>("Cmb")->setEditText(party);
    QPushButton* cmd = w.template findChild<QPushButton*>("Cmd");
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        cmd->click();
        ms.push_back(MsSince(t0));
    }
    std::printf("%s: %d grid rows, first refresh %.1f ms, median of %d %.1f ms\n", what,
                w.grid()->rows(), ms.front(), kRuns, MedianOf(ms));
}

void BM_CustomerReconciliationMonth(benchmark::State& state)
{
    for (auto _ : state)
        timeRefresh<C02>("customer reconciliation, one customer, March 2024", customerCode(1234) + ".客户1234贸易公司");
}
BENCHMARK(BM_CustomerReconciliationMonth)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GrossProfitMonth(benchmark::State& state)
{
    for (auto _ : state)
        timeRefresh<C06>("gross-profit table, March 2024", QString());
}
BENCHMARK(BM_GrossProfitMonth)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
