// upgrade_driver FOLDER [--stop-step=K] [--stop-tick=T] [--save=N] [--hold]
// One copy of the program's start-up on FOLDER/vembra.dat, as the program
// does it: this copy's lock beside the data file, then OpenDataFile with the
// upgrade of an older file beside the event loop. It prints "STEP k" as the upgrade reports its
// steps and "TICKS n" (the engine's progress ticks, one per 100 instructions
// of every connection) at the end, then "OPEN v" with the layout opened.
//   --stop-step=K  at step K prints "STOP" and waits for the parent to kill it;
//   --stop-tick=T  the same at the T-th tick, in the middle of a statement;
//   --save=N       then saves N field-staff rows, one transaction each, and
//                  prints "SAVED";
//   --query=SQL    then prints "VALUE v", the first field of the SELECT's
//                  first row (nothing after "VALUE" when it has none);
//   --hold         then prints "HOLD" and keeps the file open (and its lock)
//                  until stdin closes.
// A refusal prints "INUSE reason" (another copy holds the file, exit 4) or
// "FAIL reason" (exit 1).
// The engine's soft heap limit is low, so a large rewrite writes pages into
// the file before its commit, as a ten-year file's upgrade does.
#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

namespace {

std::atomic<long long> g_ticks{0};
long long g_stopTick = -1;

void waitToBeKilled()
{
    std::printf("STOP\n");
    std::fflush(stdout);
    char buf[16];
    while (std::fgets(buf, sizeof buf, stdin)) {
    }
    std::_Exit(3); // never reached when the parent kills us
}

int tick(void*)
{
    if (++g_ticks == g_stopTick)
        waitToBeKilled();
    return 0;
}

int onOpen(sqlite3* db, char**, const sqlite3_api_routines*)
{
    sqlite3_progress_handler(db, 100, tick, nullptr);
    return SQLITE_OK;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    QCoreApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]) + '/';
    int stopStep = -1;
    int save = 0;
    bool hold = false;
    QString query;
    for (int i = 2; i < argc; ++i) {
        if (std::strncmp(argv[i], "--stop-step=", 12) == 0)
            stopStep = std::atoi(argv[i] + 12);
        else if (std::strncmp(argv[i], "--stop-tick=", 12) == 0)
            g_stopTick = std::atoll(argv[i] + 12);
        else if (std::strncmp(argv[i], "--save=", 7) == 0)
            save = std::atoi(argv[i] + 7);
        else if (std::strncmp(argv[i], "--query=", 8) == 0)
            query = QString::fromUtf8(argv[i] + 8);
        else if (std::strcmp(argv[i], "--hold") == 0)
            hold = true;
    }
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&onOpen));
    sqlite3_soft_heap_limit64(1 << 20);
    const QString path = folder + QString::fromLatin1(kDataFileName);
    try {
        DataFileLock lock(path);
        auto db = OpenDataFile(
            path, folder, lock,
            [stopStep](int done, int) {
                std::printf("STEP %d\n", done);
                std::fflush(stdout);
                if (done == stopStep)
                    waitToBeKilled();
            },
            UpgradeRun::BesideEventLoop);
        sqlite3_progress_handler(db->handle(), 0, nullptr, nullptr);
        std::printf("TICKS %lld\n", g_ticks.load());
        {
            // Finished before the saves: an open read would pin this copy's view.
            Statement version(*db, QStringLiteral("PRAGMA user_version"));
            std::printf("OPEN %lld\n", version.step() ? version.columnInt64(0) : -1LL);
            std::fflush(stdout);
        }
        for (int i = 0; i < save; ++i) {
            try {
                Transaction tx(*db);
                db->execute(QStringLiteral("insert into M04 (F1,F2) values (%1,'driver')")
                                .arg(SqlQuote(QStringLiteral("D%1").arg(i, 4, 10, QChar('0')))));
                tx.commit();
            } catch (const DbError& e) {
                std::printf("SAVE %d (%d) %s\n", i, sqlite3_extended_errcode(db->handle()), e.what());
                throw;
            }
        }
        if (save > 0) {
            std::printf("SAVED\n");
            std::fflush(stdout);
        }
        if (!query.isEmpty()) {
            RecordSet rs = db->openRecordset(query);
            std::printf("VALUE %s\n", rs.eof() ? "" : rs.field(0).toString().toUtf8().constData());
            std::fflush(stdout);
        }
        if (hold) {
            std::printf("HOLD\n");
            std::fflush(stdout);
            char buf[16];
            while (std::fgets(buf, sizeof buf, stdin)) {
            }
        }
    } catch (const DataFileInUse& e) {
        std::printf("INUSE %s\n", e.what());
        return 4;
    } catch (const DbError& e) {
        std::printf("FAIL %s\n", e.what());
        return 1;
    }
    return 0;
}
