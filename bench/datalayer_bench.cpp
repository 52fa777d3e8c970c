// Reading a large waybill table into text: through a snapshot record set versus
// stepping the bare SQLite API. The windows fill their grids from record sets, so
// the layer has to stay close to the bare loop.
#include "support/bench_support.h"
#include "data/database.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "platform/vb.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRows = 100000;

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    QString select;

    Fixture()
    {
        const QString path = dir.path() + "/vembra.dat";
        CreateDataFile(path);
        db = Database::open(path, DataFileKey(), ProgramSql());
        fill();
        select = QStringLiteral("select * from B01 order by F1");
    }

    // Rows shaped like real waybills: mostly short texts, a date, a dozen numbers,
    // some Nulls.
    void fill()
    {
        const TableDef* b01 = nullptr;
        for (const TableDef& t : DataFileSchema())
            if (t.name == "B01")
                b01 = &t;
        QStringList names, marks;
        for (const ColumnDef& c : b01->columns) {
            names << c.name;
            marks << "?";
        }
        const QByteArray sql = QStringLiteral("insert into B01 (%1) values (%2)").arg(names.join(','), marks.join(',')).toUtf8();
        Transaction tx(*db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db->handle(), sql.constData(), -1, &st, nullptr);
        for (int r = 0; r < kRows; ++r) {
            sqlite3_reset(st);
            for (int c = 0; c < b01->columns.size(); ++c) {
                const ColumnDef& col = b01->columns[c];
                const int p = c + 1;
                if (col.name == "F1") {
                    const QByteArray v = QStringLiteral("SD%1").arg(r, 8, 10, QChar('0')).toUtf8();
                    sqlite3_bind_text(st, p, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                } else if (col.type == 'D') {
                    const QByteArray v = DateText(QDate(2023, 1, 1).addDays(r % 700)).toUtf8();
                    sqlite3_bind_text(st, p, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                } else if (col.type == 'N') {
                    if ((r + c) % 3 == 0)
                        sqlite3_bind_int(st, p, (r + c) % 50);
                    else
                        sqlite3_bind_double(st, p, ((r * 7 + c) % 10000) / 8.0 + 0.1);
                } else if ((r + c) % 11 == 0) {
                    sqlite3_bind_null(st, p);
                } else {
                    const QByteArray v = QStringLiteral("%1-%2 速递 text").arg(col.name).arg(r % 977).toUtf8();
                    sqlite3_bind_text(st, p, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                }
            }
            sqlite3_step(st);
        }
        sqlite3_finalize(st);
        tx.commit();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// Every cell as the grids show it, through the layer.
qint64 readThroughLayer()
{
    RecordSet rs = fixture().db->openRecordset(fixture().select);
    qint64 chars = 0;
    const int cols = rs.fieldCount();
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < cols; ++c)
            chars += rs.at(r, c).toString().size();
    return chars;
}

// The same cells by stepping the statement by hand, turned into the same
// texts: numbers as the system shows them (the engine's own number text
// would be a different, cheaper job).
qint64 readBare()
{
    sqlite3* h = fixture().db->handle();
    const QByteArray sql = fixture().select.toUtf8();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr);
    const int cols = sqlite3_column_count(st);
    qint64 chars = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            QString s;
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: s = QString::number(sqlite3_column_int64(st, c)); break;
            case SQLITE_FLOAT: s = CStr(sqlite3_column_double(st, c)); break;
            case SQLITE_NULL: break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                s = QString::fromUtf8(p, sqlite3_column_bytes(st, c));
            }
            }
            chars += s.size();
        }
    }
    sqlite3_finalize(st);
    return chars;
}

void BM_RecordSetToText(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readThroughLayer());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RecordSetToText)->Unit(benchmark::kMillisecond);

void BM_BareSqliteToText(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readBare());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BareSqliteToText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    fixture();
    readBare(); // warm the page cache for both
    const double layer = MedianMs(7, [] { benchmark::DoNotOptimize(readThroughLayer()); });
    const double bare = MedianMs(7, [] { benchmark::DoNotOptimize(readBare()); });
    const double opening = MedianMs(7, [] { benchmark::DoNotOptimize(fixture().db->openRecordset(fixture().select).recordCount()); });
    std::printf("%d rows x %d columns\n", kRows, int(fixture().db->openRecordset("select * from B01 where 1=0").fieldCount()));
    std::printf("medians of 7 runs\n");
    std::printf("record set to text: %.1f ms\n", layer);
    std::printf("  of which opening the record set: %.1f ms\n", opening);
    std::printf("bare SQLite to text: %.1f ms\n", bare);
    std::printf("ratio layer/bare: %.2f (aim: within 2)\n", layer / bare);
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
