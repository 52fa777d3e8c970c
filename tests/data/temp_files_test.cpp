// A large write keeps its temporary files on disk while the guard lives, and
// the connection's setting is as it was afterwards.
#include "data/globals.h"
#include "data/temp_files.h"
#include "support/testenv.h"

namespace {

class TempFilesTest : public DataTest {
protected:
    static qint64 tempStore() { return Db().openRecordset("PRAGMA temp_store").field(0).toInt(); }
};

TEST_F(TempFilesTest, OnDiskWhileTheGuardLivesThenAsBefore)
{
    for (const int before : {0, 2}) { // the engine's default, memory
        SCOPED_TRACE(before);
        Db().executeNative(QStringLiteral("PRAGMA temp_store=%1").arg(before));
        {
            const TempFilesOnDisk onDisk(Db());
            EXPECT_EQ(tempStore(), 1);
            Transaction tx(Db());
            Db().execute("delete from TB1");
            tx.commit();
        }
        EXPECT_EQ(tempStore(), before);
    }
}

} // namespace
