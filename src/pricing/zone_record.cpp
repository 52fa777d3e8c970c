#include "pricing/zone_record.h"

#include "data/database.h"
#include "data/statement.h"

void DeleteZonePlaces(Database& db, const QString& placeTable, const QString& zoneCode)
{
    Statement del(db, QStringLiteral("delete from %1 where F0=?1").arg(placeTable));
    del.bind(1, zoneCode);
    del.run();
}

void SaveZonePlaces(Database& db, const QString& placeTable, const QString& zoneCode, const QList<ZonePlace>& places)
{
    DeleteZonePlaces(db, placeTable, zoneCode);
    Statement insert(db, QStringLiteral("insert into %1 (F0,F1,F2,F8) VALUES (?1,?2,?3,?4)").arg(placeTable));
    for (const ZonePlace& p : places) {
        insert.bind(1, zoneCode);
        insert.bind(2, p.zh);
        insert.bind(3, p.en);
        insert.bind(4, p.remark);
        insert.run();
    }
}

void DeleteChannelPlaces(Database& db, const QString& channelCode)
{
    Statement del(db, QStringLiteral("delete from M0111 where F0 in (select F1 from M011 where F3=?1)"));
    del.bind(1, channelCode);
    del.run();
}

void SavePriceStandard(Database& db, const PriceStandard& values)
{
    db.execute(QStringLiteral("delete from MS1"));
    Statement insert(db, QStringLiteral("insert into MS1 (F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,"
                                        "F19,P888) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,"
                                        "?18,?19,?20)"));
    for (int i = 0; i < int(values.size()); ++i)
        insert.bind(i + 1, values[size_t(i)]);
    insert.run();
}
