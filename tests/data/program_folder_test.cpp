// A case's program folder holds its own copy of the data file and export
// template as this build writes them.
#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/schema.h"
#include "dialogs/lookups.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Every schema entry and every row of a file, for comparing two files.
QStringList Contents(Database& db)
{
    QStringList out, tables;
    for (RecordSet m = db.openRecordset("select type, name, sql from sqlite_master order by name"); !m.eof(); m.moveNext()) {
        out << m.field(0).toString() + ' ' + m.field(1).toString() + ' ' + m.field(2).toString();
        if (m.field(0).toString() == "table")
            tables << m.field(1).toString();
    }
    for (const QString& t : tables)
        for (RecordSet rs = db.openRecordset("select * from \"" + t + '"'); !rs.eof(); rs.moveNext()) {
            QStringList row{t};
            for (int c = 0; c < rs.fieldCount(); ++c)
                row << (rs.field(c).isNull() ? QStringLiteral("<null>") : rs.field(c).toString());
            out << row.join('|');
        }
    return out;
}

} // namespace

class ProgramFolderFiles : public DataTest {};

TEST_F(ProgramFolderFiles, HoldWhatNewFilesHold)
{
    QTemporaryDir dir;
    CreateDataFile(dir.filePath("new.dat"));
    CreateExcelTemplate(dir.filePath("excel.dat"));
    EXPECT_EQ(Contents(Db()), Contents(*Database::open(dir.filePath("new.dat"), DataFileKey(), ProgramSql())));
    EXPECT_EQ(Contents(*Database::open(folder->file("excel.dat"), QString(), ProgramSql())),
              Contents(*Database::open(dir.filePath("excel.dat"), QString(), ProgramSql())));
    // Nothing lay beside the files copied: each copy is a whole file.
    for (const char* name : {"vembra.dat", "excel.dat"})
        for (const QString& side : Database::sideFiles(QStringLiteral(DATAFILE_TEMPLATE_DIR "/") + name))
            EXPECT_FALSE(QFileInfo::exists(side)) << side.toStdString();
}

TEST_F(ProgramFolderFiles, AreEachCasesOwn)
{
    Db().execute("insert into M04 (F1,F2) values ('w1','this case')");
    ProgramFolder next; // as the next case gets it
    EXPECT_EQ(GetStr("select count(*) from M04"), "0");
}
