// A write that meets another copy's write waits for it; one that outwaits
// the busy timeout fails with a reason in Chinese and stores nothing.
#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "data/statement.h"
#include "support/testenv.h"

#include <QRegularExpression>
#include <functional>
#include <sqlcipher/sqlite3.h>

namespace {

class LockWaitTest : public DataTest {};

} // namespace

TEST_F(LockWaitTest, AWriteThatOutwaitsAnotherCopysLockFailsInChineseAndStoresNothing)
{
    const auto insert = [] { Db().execute("insert into M04 (F1,F2) values ('W1','waited')"); };
    struct Case {
        const char* name;
        bool plainFile; // the file left plain (a rollback journal): a commit waits for readers
        std::function<void()> write;
    };
    const Case cases[] = {
        {"a transaction's begin", false,
         [&] {
             Transaction tx(Db());
             insert();
             tx.commit();
         }},
        {"a statement on its own", false, insert},
        {"a bound statement on its own", false,
         [] {
             Statement st(Db(), "insert into M04 (F1,F2) values (?1,?2)");
             st.bind(1, QStringLiteral("W1"));
             st.bind(2, QStringLiteral("waited"));
             st.run();
         }},
        {"a commit", true,
         [&] {
             Transaction tx(Db());
             insert();
             tx.commit();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.plainFile)
            Db().singleFile();
        // The other copy: its write lock (or, on the plain file, a read the
        // commit has to wait for), held past the wait.
        auto other = c.plainFile ? Database::openAsFound(gDbPath, DataFileKey(), ProgramSql())
                                 : Database::open(gDbPath, DataFileKey(), ProgramSql());
        other->executeNative(c.plainFile ? "BEGIN" : "BEGIN IMMEDIATE");
        other->openRecordset("select count(*) from M04");
        // The real wait is Database::kBusyTimeoutMs; a short one does here.
        sqlite3_busy_timeout(Db().handle(), 50);
        QString reason;
        try {
            c.write();
        } catch (const DbError& e) {
            reason = e.message();
        }
        sqlite3_busy_timeout(Db().handle(), Database::kBusyTimeoutMs);
        EXPECT_TRUE(reason.startsWith("数据文件正被另一个正在运行的本程序写入")) << reason.toStdString();
        EXPECT_FALSE(reason.contains(QRegularExpression("[A-Za-z]"))) << reason.toStdString();
        EXPECT_FALSE(Db().inTransaction());
        other->executeNative("ROLLBACK");
        other.reset();
        EXPECT_EQ(Db().openRecordset("select count(*) from M04 where F1='W1'").field(0).toInt(), 0);
        // With the other copy's write done, the same write goes through.
        c.write();
        EXPECT_EQ(Db().openRecordset("select count(*) from M04 where F1='W1'").field(0).toInt(), 1);
        Db().execute("delete from M04 where F1='W1'");
        if (c.plainFile)
            Db().useWriteAheadJournal();
    }
}
