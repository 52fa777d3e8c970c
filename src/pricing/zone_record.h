#pragma once
#include <QList>
#include <QString>

#include <array>

class Database;

// The pricing records as they are written, without the windows: a zone's
// places (M021 for the company zones, M0111 for the channel zones), the
// places of a channel's zones, and the charging standard MS1. Every value
// goes in bound; the caller runs these inside its own transaction, and they
// throw DbError.

struct ZonePlace {
    QString zh;
    QString en;
    QString remark;
};

// The zone's places become exactly these, in this order.
void SaveZonePlaces(Database& db, const QString& placeTable, const QString& zoneCode, const QList<ZonePlace>& places);
void DeleteZonePlaces(Database& db, const QString& placeTable, const QString& zoneCode);

// The places of every zone of the channel (the zones still name it).
void DeleteChannelPlaces(Database& db, const QString& channelCode);

// MS1's one row: F1..F19 and the factor P888, in that order.
using PriceStandard = std::array<double, 20>;
void SavePriceStandard(Database& db, const PriceStandard& values);
