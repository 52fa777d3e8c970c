// crash_writer PATH ROWS kill|commit
// Opens the data file, begins one transaction and inserts ROWS field-staff rows
// one statement at a time. Halfway it prints "HALF". In "kill" mode it then
// waits on stdin for the parent to kill it, with the transaction still open;
// in "commit" mode it finishes and commits.
#include "data/database.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/sqltext.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int rows = std::atoi(argv[2]);
    const bool commit = std::strcmp(argv[3], "commit") == 0;
    try {
        auto db = Database::open(path, DataFileKey(), ProgramSql());
        // A tiny cache makes SQLite write changed pages into the file long before
        // the commit, so the rollback journal really has to undo them.
        db->executeNative(QStringLiteral("PRAGMA cache_size=4"));
        Transaction tx(*db);
        const QString filler(400, QChar(0x901F)); // a long Chinese remark fills pages fast
        for (int i = 0; i < rows; ++i) {
            db->execute(QStringLiteral("insert into M04 (F1,F2) values (%1,%2)")
                            .arg(SqlQuote(QStringLiteral("W%1").arg(i, 5, 10, QChar('0'))), SqlQuote(filler)));
            if (i == rows / 2) {
                std::printf("HALF\n");
                std::fflush(stdout);
                if (!commit) {
                    char buf[16];
                    while (std::fgets(buf, sizeof buf, stdin)) {
                    }
                    return 3; // never reached when the parent kills us
                }
            }
        }
        tx.commit();
        std::printf("DONE\n");
        std::fflush(stdout);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
