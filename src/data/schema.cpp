#include "data/schema.h"

#include "data/database.h"
#include "data/ledger.h"
#include "data/sqltext.h"

#include <QFile>

namespace {

// Builds the columns from a compact description: "F1:T F2:T D0:N ..." .
QList<ColumnDef> cols(const QString& desc)
{
    QList<ColumnDef> out;
    for (const QString& item : desc.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(':');
        ColumnDef c{parts[0], parts.value(1, "T").at(0).toLatin1(), parts.value(2)};
        out.append(c);
    }
    return out;
}

QString range(const QString& prefix, int from, int to, const QString& type)
{
    QString s;
    for (int i = from; i <= to; ++i)
        s += QStringLiteral(" %1%2:%3").arg(prefix).arg(i).arg(type);
    return s;
}

QList<TableDef> buildSchema()
{
    QList<TableDef> t;
    // Channels and their charging standard.
    t.append({"M01", cols("F1 F2 F3 D0:N D1:N S0:N S1:N JFD:I" + range("J", 0, 9, "N")), {{"F1"}, {"F2"}}});
    // Channel zones with cost prices.
    t.append({"M011", cols("F1 F2 F3 F4 F6:N F8 P101:N P102:N P201:N P202:N" + range("P30", 0, 9, "N") + " P3:N" + range("A3", 0, 9, "B")),
        {{"F1"}, {"F3"}}});
    t.append({"M0111", cols("F0 F1 F2 F8"), {{"F0"}}});
    // Company zones and the standard price list.
    t.append({"M02", cols("F1 F2 F3 F4 F6:N F8 P101:N P102:N P201:N P202:N" + range("P30", 1, 9, "N") + range("P3", 10, 15, "N") + " F71:T"),
        {{"F1"}}});
    t.append({"M021", cols("F0 F1 F2 F8"), {{"F0"}}});
    // Customers; F10/F11 hold the paid and owed totals the list shows.
    t.append({"M03", cols("F1 F2 F301 F302 F401 F402 F5 F6 F7 F8 F9 P888:N F10:N F11:N F91 F92 F93 F94"), {{"F1"}, {"F2"}, {"F8"}}});
    t.append({"M031", cols("F0 F1" + range("F", 2, 20, "N")), {{"F0", "F1"}, {"F1"}}});
    t.append({"M030", cols("F1 F2"), {{"F1"}}});
    t.append({"M04", cols("F1 F2"), {{"F1"}}});
    t.append({"M05", cols("F1 F2"), {{"F1"}}});
    t.append({"M06", cols("F1 F2"), {{"F1"}}});
    t.append({"MS1", cols(range("F", 1, 19, "N") + " P888:N"), {}});
    // Waybills. The send-date index also holds the waybill list's columns,
    // so the list of every waybill is read from the index alone, in order.
    t.append({"B01",
        cols("F1 F101:D F102 F103 F201 F202 F203 F2031 F2041 F2042 F2051 F2052 F2061 F2062 F2071 F2072 F208 "
             "F301 F302 F303 F401:N F402:N F403:N F404:N F405 F501 F502:N F503:N F504:N F601 F602 F603 F604 "
             "F505:N F507:N F506:N F701 F702 F703 F704 F2021 F605 F606 DF:N YJ:N XJ:N F508:N F509:N F510:N "
             "F4051:N F4052:N F4053:N"),
        {{"F1"}, {"F101", "F1", "F2031", "F301", "F401", "F501", "F202", "F603", "F602", "F604", "F103"}, {"F202"}, {"F203"},
         {"F603"}, {"F602"}, {"F201"}, {"F702"}, {"F2021"}}});
    // The ledger's highest sequence number per stored entry date, counting
    // the rows that have a document number: the numbering finds the highest
    // number dated on or before a day here instead of among every entry.
    // Kept by the ledger's own triggers; no window shows it.
    t.append({"TB1Days", cols("F2:D SN:N"), {{"F2", "SN"}, {"SN", "F2"}}});
    // The ledger. The sequence index carries the date and the document number,
    // so the numbering's look-ups walk it without reading a single row; the
    // date index with number and document finds a day's highest entry; the
    // kind's index with the number lists the entry windows' oldest entries.
    t.append({"TB1", cols("F1 F2:D F3 LB:I S2 SN:N YF:N:0 FK:N:0 QC:N QM:N S1 F5 F6 F10 H8:D K:N:0 F30"),
        {{"F1"}, {"F2", "SN", "F1"}, {"F3", "SN"}, {"SN", "F2", "F1"}, {"LB", "SN"}},
        LedgerDayTriggers()});
    t.append({"sysinfo", cols("ID:I Setval:N setStr"), {{"ID"}}});
    t.append({"TE1", cols("F1 F2 F3" + range("F6", 0, 7, "I")), {{"F1"}}});
    // Delivery notes.
    t.append({"TA2", cols("F1 F2 F3 F4 F5"), {{"F1"}}});
    t.append({"TD1", cols("F1 F2:D F3 F9:N F91:N:0"), {{"F1"}, {"F2"}, {"F3"}}});
    // The payment search selects by payment date.
    t.append({"TD2", cols("F1 F2 F3:D F4:N F5:N"), {{"F1"}, {"F2"}, {"F3"}}});
    t.append({"REGINFO", cols("F1"), {}});
    // Report scratch tables.
    t.append({"PRNTM03", cols("F1 F2" + range("F3", 1, 9, "N")), {}});
    t.append({"PRNTC023", cols(range("F", 1, 6, "T")), {}});
    t.append({"PRNTC04", cols(range("F", 1, 15, "T")), {}});
    t.append({"PRNTC01", cols("F1"), {}});
    t.append({"PRNTC05", cols(range("F", 1, 7, "T")), {}});
    t.append({"Plist", cols("F0" + range("F", 1, 10, "T") + " V1:N"), {}});
    t.append({"PrTA1", cols(range("F", 1, 6, "T")), {}});
    t.append({"PRTB2", cols("F0 F1 F2:D F3 F6:N F7:N F8:N"), {}});
    return t;
}

QString typeSql(char type)
{
    switch (type) {
    case 'N': return QStringLiteral("DOUBLE");
    case 'I': return QStringLiteral("INTEGER");
    case 'D': return QStringLiteral("DATETIME");
    case 'B': return QStringLiteral("BOOLEAN");
    default: return QStringLiteral("TEXT COLLATE NOCASE");
    }
}

} // namespace

const QList<TableDef>& DataFileSchema()
{
    static const QList<TableDef> schema = buildSchema();
    return schema;
}

const TableDef& ExcelTemplateSchema()
{
    static const TableDef t{"mysheet", cols(range("F", 1, 30, "T")), {}};
    return t;
}

QString CreateTableSql(const TableDef& t)
{
    QStringList parts;
    for (const ColumnDef& c : t.columns) {
        QString p = '"' + c.name + "\" " + typeSql(c.type);
        if (!c.defaultValue.isEmpty())
            p += " DEFAULT " + c.defaultValue;
        parts << p;
    }
    return QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t.name, parts.join(", "));
}

QString IndexName(const TableDef& t, int position)
{
    return QStringLiteral("ix_%1_%2").arg(t.name).arg(position);
}

QString CreateIndexSql(const TableDef& t, int position)
{
    QStringList quoted;
    for (const QString& c : t.indexes.at(position - 1))
        quoted << '"' + c + '"';
    return QStringLiteral("CREATE INDEX \"%1\" ON \"%2\" (%3)").arg(IndexName(t, position), t.name, quoted.join(','));
}

void FillDerivedTables(Database& db)
{
    RebuildLedgerSummary(db);
}

QString DataFileKey()
{
    return QStringLiteral("QZR7315");
}

void CreateDataFile(const QString& path)
{
    // Written in SQLite's own SQL: a new file needs none of the program's
    // functions or translation.
    auto db = Database::create(path, DataFileKey(), SqlDialect());
    try {
        Transaction tx(*db);
        for (const TableDef& t : DataFileSchema()) {
            db->executeNative(CreateTableSql(t));
            for (int i = 1; i <= t.indexes.size(); ++i)
                db->executeNative(CreateIndexSql(t, i));
            for (const QString& trigger : t.triggers)
                db->executeNative(trigger);
        }
        db->executeNative("insert into sysinfo (ID,Setval,setStr) values (100,0,'')");
        db->executeNative("insert into sysinfo (ID,Setval,setStr) values (9999,0,'')");
        db->executeNative(
            QStringLiteral(
                "insert into TE1 (F1,F2,F3,F60,F61,F62,F63,F64,F65,F66,F67) values (%1,%2,%3,1,1,1,1,1,1,1,1)")
                .arg(SqlQuote(kAdminAccount), SqlQuote(kAdminName), SqlQuote(kAdminPassword)));
        db->executeNative("insert into MS1 (F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888) "
                          "values (0.5,0.5,0.5,0.5,21,46,71,101,201,201,201,201,201,201,201,201,201,201,201,1.5)");
        db->executeNative(
            QStringLiteral("insert into REGINFO (F1) values (%1)").arg(SqlQuote(QStringLiteral("捷诺达速递有限公司"))));
        db->executeNative(QStringLiteral("PRAGMA user_version = %1").arg(kDataFileVersion));
        tx.commit();
    } catch (...) {
        db.reset();
        QFile::remove(path);
        throw;
    }
}

void CreateExcelTemplate(const QString& path)
{
    auto db = Database::create(path, QString(), SqlDialect());
    try {
        db->executeNative(CreateTableSql(ExcelTemplateSchema()));
    } catch (...) {
        db.reset();
        QFile::remove(path);
        throw;
    }
}
