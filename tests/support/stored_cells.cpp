#include "support/stored_cells.h"

#include "data/program_sql.h"
#include "data/schema.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/statement.h"
#include "support/testenv.h"

QStringList StoredCells(Database& db, const QString& table)
{
    QStringList exprs;
    for (const TableDef& t : DataFileSchema()) {
        if (t.name.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        for (const ColumnDef& c : t.columns)
            exprs << QStringLiteral("'%1=' || typeof(\"%1\") || ':' || quote(\"%1\")").arg(c.name);
    }
    QStringList rows;
    if (exprs.isEmpty())
        return rows;
    Statement rs(db, QStringLiteral("select %1 from %2 order by rowid").arg(exprs.join(QStringLiteral(" || ' ' || ")), table));
    while (rs.step())
        rows << rs.columnText(0);
    return rows;
}

std::unique_ptr<Database> OpenDataFileCopy(const QString& path)
{
    CopyTemplateFile(QStringLiteral("vembra.dat"), path);
    return Database::open(path, DataFileKey(), ProgramSql());
}

void OldAndNewFileTest::SetUp()
{
    DataTest::SetUp();
    old = OpenDataFileCopy(folder->file("old.dat"));
    seed(Db());
    seed(*old);
}

void OldAndNewFileTest::TearDown()
{
    old.reset();
    DataTest::TearDown();
}
