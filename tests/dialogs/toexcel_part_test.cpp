// The export writes its workbook under a name of its own in the target folder
// and gives it the chosen name only when complete.
#include "data/database.h"
#include "data/program_sql.h"
#include "dialogs/toexcel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ToExcelWorkbookFile, ChosenNameHoldsOnlyAWholeWorkbook)
{
    const struct {
        const char* name;
        QByteArray atName;   // a file under the chosen name before the write ("" none)
        QByteArray leftPart; // a part left by an export ended half-way ("" none)
        bool written;
    } cases[] = {
        {"FreeName", "", "", true},
        {"PartOfAnEndedExport", "", "half a workbook", true},
        {"FileAppearedUnderTheName", "the user's file", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        auto staging = Database::create(tmp.filePath("staging.db"), QString(), ProgramSql());
        staging->executeNative("create table mysheet (F1 text, F2 text)");
        staging->executeNative("insert into mysheet values ('a','b')");
        const QString target = tmp.filePath("out.xlsx");
        auto put = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        if (!c.atName.isEmpty())
            put(target, c.atName);
        if (!c.leftPart.isEmpty())
            put(target + ".part", c.leftPart);
        EXPECT_EQ(WriteStagedWorkbook(*staging, {0, 1}, target, 0), c.written);
        QFile out(target);
        ASSERT_TRUE(out.open(QIODevice::ReadOnly));
        const QByteArray bytes = out.readAll();
        if (c.written)
            EXPECT_TRUE(bytes.startsWith("PK")); // a whole zip archive
        else
            EXPECT_EQ(bytes, c.atName);
        EXPECT_EQ(QDir(tmp.path()).entryList({"out*"}, QDir::Files), QStringList{"out.xlsx"});
    }
}
