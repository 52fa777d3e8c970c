#pragma once
#include <QString>
#include <QStringList>

// Data files as earlier versions of the program wrote them, built from the
// schema text of their time (all of them say user_version 0), each holding the
// same rows: operators, counters, customers, two waybills, ledger entries of
// three parties entered out of sequence order, delivery notes and a payment.
enum class OldLayout {
    SmallPages,          // the first files: 1 KB encrypted pages
    NoPaidDefault,       // 4 KB pages; TD1.F91 without a default
    NarrowWaybillIndex,  // TD1.F91 DEFAULT 0; B01's send-date index on F101 alone
    NarrowSequenceIndex, // the waybill list's index; TB1's sequence index on SN alone
    LedgerBlocks,        // the covering sequence index; ledger rows in their parties' blocks, write-ahead journal
};

inline constexpr OldLayout kOldLayouts[] = {OldLayout::SmallPages, OldLayout::NoPaidDefault,
                                            OldLayout::NarrowWaybillIndex, OldLayout::NarrowSequenceIndex,
                                            OldLayout::LedgerBlocks};

const char* OldLayoutName(OldLayout layout);

// Writes a new data file of that layout at path, keyed with DataFileKey().
void WriteOldDataFile(const QString& path, OldLayout layout);

class Database;
// The rows of a SELECT, each as its cells joined by '|' (Null as "<null>").
QStringList SelectRows(Database& db, const QString& sql);

// Every table's rows of a data file, rowids aside, in the order of their
// values ("TB1Days" left out: an upgrade fills it), read as the file lies.
QStringList DataFileRows(const QString& path);
