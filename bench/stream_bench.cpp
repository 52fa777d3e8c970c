// Filling the waybill list: 1,000,000 waybills x the list's 11 columns, into
// a grid's compact text store, straight from the statement (forEachRow) or
// through a record set. Aim: usable in under 1 s and under 400 MB resident.
// Each way runs in a process of its own on a data file written by an earlier
// run, so each has its own memory and nothing of the file is cached:
// Usage: stream_bench [stream|slices|recordset|bare] [--rows=N] [--file=PATH]
// (without --file the waybills are written into a temporary file first).
#include "support/bench_support.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "platform/flexstore.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Waybills with the list's columns filled as a real register would be.
void fillWaybills(int rows)
{
    Transaction tx(*gDb);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(gDb->handle(),
                       "insert into B01 (F1,F101,F2041,F301,F401,F405,F501,F201,F202,F203,F103) "
                       "values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11)",
                       -1, &st, nullptr);
    for (int r = 0; r < rows; ++r) {
        const QByteArray doc = QStringLiteral("SD%1").arg(r, 10, 10, QChar('0')).toUtf8();
        const QByteArray date = DateText(QDate(2015, 1, 1).addDays(r / 300)).toUtf8();
        const QByteArray place = QStringLiteral("目的地%1").arg(r % 350).toUtf8();
        const QByteArray channel = QStringLiteral("渠道%1.中国邮政速递").arg(r % 40).toUtf8();
        const QByteArray customer = QStringLiteral("客户公司%1").arg(r % 900).toUtf8();
        const QByteArray staff = QStringLiteral("外务%1").arg(r % 30).toUtf8();
        sqlite3_bind_text(st, 1, doc.constData(), int(doc.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, place.constData(), int(place.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, r % 2 ? "S" : "D", 1, SQLITE_STATIC);
        sqlite3_bind_double(st, 5, 0.5 + (r % 40) / 2.0);
        sqlite3_bind_text(st, 6, r % 3 ? "月结" : "现金", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 7, channel.constData(), int(channel.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, customer.constData(), int(customer.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 9, staff.constData(), int(staff.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 10, 12.5 + r % 300);
        sqlite3_bind_text(st, 11, "收件人 张先生", -1, SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    tx.commit();
}

const QString kList = QStringLiteral("select F1,F101,F2041,F301,F401,F405,F501,F201,F202,F203,F103 from B01 order by F1");

} // namespace

int main(int argc, char** argv)
{
    QString mode = "stream";
    QString file;
    int rows = 1'000'000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            rows = std::atoi(argv[i] + 7);
        else if (std::strncmp(argv[i], "--file=", 7) == 0)
            file = QString::fromLocal8Bit(argv[i] + 7);
        else
            mode = QString::fromLatin1(argv[i]);
    }
    std::unique_ptr<BenchDataFile> temporary;
    if (file.isEmpty() || !QFile::exists(file)) {
        if (file.isEmpty()) {
            temporary = std::make_unique<BenchDataFile>();
        } else {
            CreateDataFile(file);
            gDb = Database::open(file, DataFileKey(), ProgramSql());
        }
        fillWaybills(rows);
        if (!file.isEmpty()) {
            gDb.reset();
            std::printf("wrote %d waybills into %s; run again to time a fill\n", rows, qPrintable(file));
            return 0;
        }
        temporary->reopen(); // nothing in the page cache
    } else {
        gDb = Database::open(file, DataFileKey(), ProgramSql());
        rows = int(gDb->openRecordset("select count(*) from B01").field(0).toInt());
    }
    const bool stream = mode != "recordset";
    const auto [rss0, peak0] = ProcessMemoryMb();
    std::printf("%d waybills x 11 columns; before the fill: %.0f MB resident\n", rows, rss0);

    FlexTextStore store(11);
    store.reserveRows(rows);
    QElapsedTimer t;
    t.start();
    if (mode == "bare") {
        // Stepping alone, every cell's text looked at: what the engine costs.
        qint64 bytes = 0;
        gDb->forEachRow(kList, [&](const RowView& row) {
            for (int c = 0; c < row.count(); ++c)
                bytes += qint64(row.text(c).size());
            return true;
        });
        std::printf("stepping only: %.0f ms, %lld bytes of text\n", double(t.nsecsElapsed()) / 1e6, bytes);
        return 0;
    }
    double firstScreen = -1;
    if (mode == "slices") {
        // As a window shows a long list: the first screen at once, the rest
        // in slices while it lets itself repaint.
        RowReader reader(*gDb, kList);
        auto add = [&](const RowView& row) {
            for (int c = 0; c < row.count(); ++c)
                store.addCell(row.text(c));
            store.endRow();
            return true;
        };
        reader.read(50, add);
        firstScreen = double(t.nsecsElapsed()) / 1e6;
        while (!reader.atEnd())
            reader.read(20'000, add);
    } else if (stream) {
        gDb->forEachRow(kList, [&](const RowView& row) {
            for (int c = 0; c < row.count(); ++c)
                store.addCell(row.text(c));
            store.endRow();
            return true;
        });
    } else {
        const RecordSet rs = gDb->openRecordset(kList);
        for (int r = 0; r < rs.recordCount(); ++r) {
            for (int c = 0; c < rs.fieldCount(); ++c)
                store.addCell(QStringView(rs.at(r, c).toString()));
            store.endRow();
        }
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const auto [rss, peak] = ProcessMemoryMb();
    if (firstScreen >= 0)
        std::printf("RowReader: the first screen (50 rows) after %.1f ms\n", firstScreen);
    std::printf("%s into the grid's store: %.0f ms, %d rows; resident %.0f MB, peak %.0f MB (aims: 1000 ms, 400 MB)\n",
                mode == "slices" ? "RowReader in slices" : stream ? "forEachRow" : "record set", ms, store.rows(), rss, peak);
    std::printf("store holds %.0f MB of text blocks; row 500000: %s | %s\n", double(store.blockBytes()) / 1048576.0,
                qPrintable(store.text(rows / 2, 0)), qPrintable(store.text(rows / 2, 6)));
    return 0;
}
