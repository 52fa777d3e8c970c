#include "data/database.h"
#include "data/program_sql.h"
#include "dialogs/report_template.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The data layer opens a data file and runs the program's SQL functions with
// nothing above it linked.
TEST(Core, TheDataLayerRunsTheProgramsSqlWithoutWidgets)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto db = Database::create(dir.filePath("core.dat"), QStringLiteral("core"), ProgramSql());
    RecordSet rs = db->openRecordset("select 'Ab' like 'a*', datediff('d', '2024-03-01', '2024-03-31')");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toString(), "1");
    EXPECT_EQ(rs.field(1).toString(), "30");
}

// The parser reads every shipped template with nothing above it linked.
TEST(Core, EveryShippedTemplateParsesWithoutWidgets)
{
    const QDir dir(QStringLiteral(SOURCE_DIR "/templates"));
    const QStringList names = dir.entryList({QStringLiteral("*.rpt")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const ReportTemplate t = ReportTemplate::load(dir.filePath(n));
        EXPECT_FALSE(t.bands.isEmpty());
    }
}
