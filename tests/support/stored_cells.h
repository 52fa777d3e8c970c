#pragma once
#include "support/testenv.h"

#include <QString>
#include <QStringList>

#include <memory>

class Database;

// Every row of a table in the order written (rowid), each column as
// "NAME=typeof:quote(value)", for comparing how two writes stored a record:
// the type and the exact value, a real 5.0 apart from an integer 5.
QStringList StoredCells(Database& db, const QString& table);

// A second data file at `path`, a copy of the one the tests start from, open.
std::unique_ptr<Database> OpenDataFileCopy(const QString& path);

// A record written the old way into `old` and the new way into gDb, both
// holding the rows seed() put in first.
class OldAndNewFileTest : public DataTest {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual void seed(Database& db) = 0;
    std::unique_ptr<Database> old;
};
