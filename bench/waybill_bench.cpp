// The waybill register on a full data file: 1,000,000 waybills and their
// 2,000,000 ledger entries (a receivable and a payable each). Times opening
// the window, which lists every waybill, with the memory it then holds, and
// saving a shipped waybill with both of its postings.
#include "support/bench_support.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "platform/flexgrid.h"
#include "waybills/b01.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHash>
#include <QLineEdit>
#include <QSettings>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

constexpr int kWaybills = 1'000'000;
constexpr int kCustomers = 200;
constexpr int kChannels = 10;
constexpr int kPerDay = 300;
const QDate kFirstDay(2015, 1, 1);

void FillMasters()
{
    for (int c = 0; c < kChannels; ++c) {
        const QString ch = QStringLiteral("E%1").arg(c, 2, 10, QChar('0'));
        gDb->execute("insert into M01 (F1,F2,D0,D1,S0,S1,JFD) values (" + SqlQuote(ch) + "," + SqlQuote("渠道" + ch) + ",0.5,0.5,0.5,0.5,0)");
        gDb->execute("insert into M011 (F1,F2,F3,P101,P102,P201,P202) values (" + SqlQuote(ch + "A") + ",'一区'," + SqlQuote(ch)
                     + ",20,8,30,6)");
    }
    for (int z = 0; z < 20; ++z) {
        const QString zone = QStringLiteral("Z%1").arg(z, 2, 10, QChar('0'));
        gDb->execute("insert into M02 (F1,F2) values (" + SqlQuote(zone) + "," + SqlQuote("区域" + zone) + ")");
        gDb->execute("insert into M021 (F0,F1) values (" + SqlQuote(zone) + "," + SqlQuote("地点" + zone) + ")");
    }
    for (int c = 0; c < kCustomers; ++c) {
        const QString code = QStringLiteral("C%1").arg(c, 3, 10, QChar('0'));
        gDb->execute("insert into M03 (F1,F2,F301) values (" + SqlQuote(code) + "," + SqlQuote("客户" + code) + ",'全称')");
        gDb->execute("insert into M031 (F0,F1,F2,F3,F4,F5) values (" + SqlQuote(code) + ",'Z00',10,5,20,8)");
    }
    for (int s = 0; s < 20; ++s)
        gDb->execute("insert into M04 (F1,F2) values (" + SqlQuote(QStringLiteral("外务员%1").arg(s)) + ",'备注')");
    gDb->execute("insert into M05 (F1) values ('深圳')");
    gDb->execute("insert into M06 (F1) values ('破损')");
}

// Every waybill shipped, with its receivable and payable in the ledger, the
// balances carried party by party as the save leaves them.
void FillWaybills()
{
    Transaction tx(*gDb);
    FillMasters();
    Statement bill(*gDb, "insert into B01 (F1,F101,F201,F202,F203,F2031,F2041,F301,F401,F402,F404,F501,F502,F504,F505,F507,F601,"
                         "F602,F603,F604,F2021,YJ,F103) values (?1,?2,'深圳',?3,?4,?5,'发件公司','S',1,?6,?6,'月结',?7,?7,1,?8,"
                         "'管理员',?9,?10,'管理员',?11,?7,?12)");
    Statement entry(*gDb, "insert into TB1 (F1,F2,F3,LB,S2,SN,YF,QC,QM,S1,F5,F6,F10,H8) values (?1,?2,?3,?4,?5,?6,?7,?8,?9,'备注',"
                          "'管理员','管理员','',?2)");
    QHash<QString, double> balance;
    // Waybill no's entry of one kind, the party's balance carried on.
    auto post = [&](int lb, const QString& no, const QString& date, const QString& party, double sn, double amount) {
        const LedgerKind& kind = LedgerKindOf(lb);
        double& carried = balance[party];
        entry.bind(1, kind.prefix + no);
        entry.bind(2, date);
        entry.bind(3, party);
        entry.bind(4, double(lb));
        entry.bind(5, kind.business);
        entry.bind(6, sn);
        entry.bind(7, amount);
        entry.bind(8, carried);
        entry.bind(9, carried + amount);
        entry.run();
        carried += amount;
    };
    for (int i = 0; i < kWaybills; ++i) {
        const QString no = QStringLiteral("W%1").arg(i, 8, 10, QChar('0'));
        const QString date = DateText(kFirstDay.addDays(i / kPerDay));
        const QString ch = QStringLiteral("E%1").arg(i % kChannels, 2, 10, QChar('0'));
        const QString cust = QStringLiteral("C%1").arg(i % kCustomers, 3, 10, QChar('0'));
        const QString zone = QStringLiteral("Z%1").arg(i % 20, 2, 10, QChar('0'));
        const double weight = 0.5 + (i % 40) * 0.5;
        const double fee = 10 + (i % 40) * 5, cost = 20 + (i % 40) * 8;
        bill.bind(1, no);
        bill.bind(2, date);
        bill.bind(3, ch);
        bill.bind(4, zone);
        bill.bind(5, "地点" + zone);
        bill.bind(6, weight);
        bill.bind(7, fee);
        bill.bind(8, cost);
        bill.bind(9, QStringLiteral("外务员%1").arg(i % 20));
        bill.bind(10, cust);
        bill.bind(11, ch + "A");
        bill.bind(12, i % 7 == 0 ? QStringLiteral("备注") : QString());
        bill.run();
        // Numbers as the counter hands them out: 31 for a new day, 2 within it.
        const double sn = 31.0 + (i / kPerDay) * (2.0 * (kPerDay - 1) + 31.0) + 2.0 * (i % kPerDay);
        post(kReceivableAdded, no, date, "客户" + cust, sn, fee);
        post(kPayableAdded, no, date, "渠道" + ch, sn + 1, cost);
        if (i + 1 == kWaybills)
            SetLedgerCounter(sn);
    }
    tx.commit();
}

struct Fixture {
    BenchDataFile file;
    Fixture()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, file.folder() + "/settings");
        gAppPath = file.folder() + "/";
        gUserCode = kAdminCode;
        gUserName = "管理员";
        gCanSeePrices = gCanEditShipped = gCanEditAccounts = true;
        QElapsedTimer t;
        t.start();
        FillWaybills();
        std::printf("data file: %d waybills, %d ledger entries in %.1f s\n", kWaybills, 2 * kWaybills, double(t.elapsed()) / 1000.0);
        file.reopen();
        // The count the register is shown with at once.
        Statement plan(*gDb, "explain query plan select count(*) from B01");
        while (plan.step())
            std::printf("count of the register: %s\n", qPrintable(plan.columnText(3)));
        malloc_trim(0);
        std::printf("resident before the window opens: %.0f MB\n", ProcessMemoryMb().first);
    }
};

Fixture& F()
{
    static Fixture f;
    return f;
}

B01* g_window = nullptr;

// Opening the register: the window made, its list filled, shown and painted
// with the count in the counter. Five openings, each window closed before
// the next; the last one stays for the benchmarks after this one.
void BM_OpenWaybillWindow(benchmark::State& state)
{
    F();
    std::vector<double> times;
    for (auto _ : state) {
        delete g_window;
        g_window = nullptr;
        malloc_trim(0);
        const double before = ProcessMemoryMb().first;
        QElapsedTimer t;
        t.start();
        g_window = new B01;
        g_window->formLoad();
        g_window->showInHost();
        g_window->resize(860, 600);
        QApplication::processEvents();
        g_window->grab(); // painted, so usable
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        times.push_back(seconds * 1000);
        state.SetIterationTime(seconds);
        state.counters["rows"] = g_window->recCount();
        state.counters["rss_MB"] = ProcessMemoryMb().first;
        state.counters["rss_added_MB"] = ProcessMemoryMb().first - before;
        state.counters["peak_MB"] = ProcessMemoryMb().second;
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
}
BENCHMARK(BM_OpenWaybillWindow)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The last waybill of the open register made current, as End does: every row
// of the list in the grid, and the memory the window then holds.
void BM_ReachLastWaybill(benchmark::State& state)
{
    B01* w = g_window;
    if (!w) {
        state.SkipWithError("the window did not open");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        FlexGrid* gd = w->grid();
        gd->setRow(gd->rows() - 1);
        const QString last = gd->textMatrix(gd->rows() - 1, 0);
        QApplication::processEvents();
        w->grab();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        if (last.isEmpty() || gd->rows() - 1 != kWaybills) {
            state.SkipWithError("the last waybill was not reached");
            return;
        }
        malloc_trim(0);
        state.counters["rows"] = gd->rows() - 1;
        state.counters["rss_MB"] = ProcessMemoryMb().first;
        state.counters["peak_MB"] = ProcessMemoryMb().second;
    }
}
BENCHMARK(BM_ReachLastWaybill)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A search every waybill meets, through the list's joins: the rows found
// shown with their count, and then the last of them reached.
void BM_SearchEveryWaybill(benchmark::State& state)
{
    B01* w = g_window;
    if (!w) {
        state.SkipWithError("the window did not open");
        return;
    }
    const QString search =
        "select B01.F1,B01.F101,B01.F2031,B01.F301,B01.F401,B01.F501,M01.F2,M03.F2,B01.F602,B01.F604,B01.F103 "
        "FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1)  left join M01 on M01.F1=B01.F202 "
        "Where B01.F201 = '深圳'";
    std::vector<double> shown, last;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w->FillGrid(search);
        QApplication::processEvents();
        w->grab();
        shown.push_back(double(t.nsecsElapsed()) / 1e6);
        FlexGrid* gd = w->grid();
        gd->setRow(gd->rows() - 1);
        gd->textMatrix(gd->rows() - 1, 0);
        last.push_back(double(t.nsecsElapsed()) / 1e6);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        state.counters["rows"] = w->recCount();
    }
    std::sort(shown.begin(), shown.end());
    std::sort(last.begin(), last.end());
    state.counters["shown_median_ms"] = shown[shown.size() / 2];
    state.counters["last_row_median_ms"] = last[last.size() / 2];
    // The peer: the same statement stepped to its end, every cell as text.
    state.counters["peer_read_all_ms"] = MedianMs(3, [&] {
        gDb->forEachRow(search, [](const RowView& row) {
            for (int c = 0; c < row.count(); ++c)
                benchmark::DoNotOptimize(row.text(c));
            return true;
        });
    });
    // The register as the save below finds it: every row in the grid.
    w->formLoad();
    w->grid()->takeAllRows();
}
BENCHMARK(BM_SearchEveryWaybill)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A shipped waybill of today: the window checks its codes and number, writes
// it, posts its receivable and payable and carries both parties' balances.
void BM_SaveShippedWaybill(benchmark::State& state)
{
    B01* w = g_window;
    if (!w) {
        state.SkipWithError("the window did not open");
        return;
    }
    const auto box = [w](int k) { return w->findChild<QLineEdit*>(QStringLiteral("Txt(%1)").arg(k)); };
    const auto list = [w](int k) { return w->findChild<QComboBox*>(QStringLiteral("Cmb(%1)").arg(k)); };
    int n = 0;
    std::vector<double> times;
    for (auto _ : state) {
        w->findChild<QAction*>("Menu_Add")->trigger();
        box(0)->setText(QStringLiteral("N%1").arg(n++, 8, 10, QChar('0')));
        list(31)->setEditText("C007.客户C007");
        list(30)->setEditText("外务员3");
        list(17)->setEditText("S.物品(Parcel)");
        list(25)->setEditText("月结.Account");
        list(6)->setEditText("Z03.区域Z03");
        list(4)->setEditText("深圳");
        list(7)->setEditText("地点Z03");
        list(5)->setEditText("E03.渠道E03");
        list(40)->setEditText("E03A.一区");
        box(21)->setText("2.5");
        box(28)->setText("42.00");
        box(34)->setText("51.00");
        w->chkChuHuo()->setChecked(true);
        QElapsedTimer t;
        t.start();
        w->findChild<QAction*>("Menu_save")->trigger();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (w->editMode() != 0) {
            state.SkipWithError("the save was refused");
            return;
        }
        times.push_back(seconds * 1000);
        state.SetIterationTime(seconds);
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["max_ms"] = times.back();
    // The floor under any save: one committed write of one row, as durable.
    std::vector<double> floor;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        Transaction tx(*gDb);
        gDb->execute("update sysinfo set setStr=setStr where ID=9999");
        tx.commit();
        floor.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(floor.begin(), floor.end());
    state.counters["commit_floor_ms"] = floor[floor.size() / 2];
    state.counters["rss_MB"] = ProcessMemoryMb().first;
}
BENCHMARK(BM_SaveShippedWaybill)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
