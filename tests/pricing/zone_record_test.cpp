#include "support/stored_cells.h"
#include "support/testenv.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "pricing/zone_record.h"

// The pricing records are written by bound statements; they must store what
// the SQL text the windows composed before stored, type and value alike.
// Each case writes one record both ways, into two copies of the data file
// holding the same rows, and compares the tables column by column.

namespace {

void Seed(Database& db)
{
    db.execute("insert into M021 (F0,F1,F2,F8) values ('Z1','旧','Old','')");
    db.execute("insert into M021 (F0,F1,F2,F8) values ('Z2','别的','Other','keep')");
    db.execute("insert into M011 (F1,F2,F3) values ('C1Z','区域','C1')");
    db.execute("insert into M011 (F1,F2,F3) values ('C2Z','区域','C2')");
    db.execute("insert into M0111 (F0,F1,F2,F8) values ('C1Z','甲','A','')");
    db.execute("insert into M0111 (F0,F1,F2,F8) values ('C2Z','乙','B','')");
}

// How the windows wrote a zone's places: a delete composed as text, then
// one bound insert per place.
void OldZonePlaces(Database& db, const QString& table, const QString& zone, const QList<ZonePlace>& places)
{
    db.execute(QStringLiteral("delete from %1 where F0=%2").arg(table, SqlQuote(zone)));
    Statement insert(db, QStringLiteral("insert into %1 (F0,F1,F2,F8) VALUES (?1,?2,?3,?4)").arg(table));
    for (const ZonePlace& p : places) {
        insert.bind(1, zone);
        insert.bind(2, p.zh);
        insert.bind(3, p.en);
        insert.bind(4, p.remark);
        insert.run();
    }
}

// How the charging standard was written: every number as SqlNum's literal.
void OldPriceStandard(Database& db, const PriceStandard& values)
{
    QStringList nums;
    for (double v : values)
        nums << SqlNum(v);
    db.execute("delete from MS1");
    db.execute(QStringLiteral("insert into MS1 (F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888) "
                              "VALUES (%1)")
                   .arg(nums.join(',')));
}

} // namespace

class ZoneRecordTest : public OldAndNewFileTest {
protected:
    void seed(Database& db) override { Seed(db); }
    // Both files hold the same rows of `table`, type and value.
    void expectSame(const QString& table) { EXPECT_EQ(StoredCells(Db(), table), StoredCells(*old, table)) << qPrintable(table); }
};

TEST_F(ZoneRecordTest, ZonePlacesAreStoredAsTheComposedTextStoredThem)
{
    const struct {
        QString table, zone;
        QList<ZonePlace> places;
    } cases[] = {
        {"M021", "Z1", {{"上海", "Shanghai", ""}, {"O'Hare", "Côte d'Ivoire", "备注 '引号'"}}},
        {"M021", "Z1", {}},
        {"M021", "NEW", {{"", "", ""}, {"12", "3.50", "2024-03-05"}}},
        {"M0111", "C1Z", {{"甲", "A", ""}, {"丙", "C", "x"}}},
    };
    for (const auto& c : cases) {
        SaveZonePlaces(Db(), c.table, c.zone, c.places);
        OldZonePlaces(*old, c.table, c.zone, c.places);
        expectSame(c.table);
    }
    DeleteZonePlaces(Db(), "M021", "Z2");
    old->execute(QStringLiteral("delete from M021 where F0=%1").arg(SqlQuote("Z2")));
    expectSame("M021");
}

TEST_F(ZoneRecordTest, AChannelTakesOnlyItsOwnZonesPlaces)
{
    DeleteChannelPlaces(Db(), "C1");
    old->execute("delete from M0111 where F0 in (select F1 from M011 where F3=" + SqlQuote("C1") + ")");
    expectSame("M0111");
    EXPECT_EQ(StoredCells(Db(), "M0111").size(), 1);
}

TEST_F(ZoneRecordTest, ThePriceStandardIsStoredAsItsLiteralsStoredIt)
{
    const PriceStandard cases[] = {
        {0.5, 0.5, 0.5, 0.5, 21, 46, 71, 101, 201, 201, 201, 201, 201, 201, 201, 201, 201, 201, 201, 1.5},
        {0.1, 0.2, 1e-7, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 123456789.125, 0.3333333333333333},
    };
    for (const PriceStandard& values : cases) {
        SavePriceStandard(Db(), values);
        OldPriceStandard(*old, values);
        expectSame("MS1");
    }
    // The columns hold numbers, whole ones too, never their text.
    EXPECT_TRUE(StoredCells(Db(), "MS1").value(0).contains("F4=real:3.0 ")) << qPrintable(StoredCells(Db(), "MS1").value(0));
}
