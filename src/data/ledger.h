#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

class Database;

// Ledger (TB1) sequence numbers; the running balances are the balance
// rewriter's (data/balance_rewriter.h).
//
// SN orders every ledger entry by entry date and, within a day, by order of
// entry; numbers are handed out with gaps (31 for a new day, 2 within a day)
// so back-dated entries can be slotted in between.
//
// None of these procedures opens a transaction: every caller wraps the whole
// save (numbering, its insert or update, the recomputation) in one
// Transaction, so a failure anywhere leaves neither a raised counter nor
// half-written balances. Failures throw DbError with the engine's text.

// Where an entry date stands against the ledger: 0 = later than every entry
// (or no dated entry at all), 1 = the newest entry's day, 2 = earlier
// (back-dated). A later date is recorded in sysinfo row 9999. A failed read
// throws: it never passes for an empty ledger.
int CompareLedgerDate(const QDate& d);

// What the numbering tells the operator when a gap between two entries can no
// longer be split. Data code shows no message: the caller shows it (information
// icon, empty title) after its transaction has committed.
QString CrowdedLedgerMessage();

// The sequence number for a back-dated entry dated d, whose document number
// is docNo (rows with that F1 are ignored) and which would otherwise get cur.
// May set the counter (sysinfo row 100), lower than it was included. When the
// gap to the next entry can no longer be split it returns the neighbour's own
// number and sets *crowded (the caller then shows CrowdedLedgerMessage()).
double NextLedgerSN(const QDate& d, const QString& docNo, double cur, bool* crowded = nullptr);

// The CREATE TRIGGER texts that keep TB1Days (each stored date's highest
// number among the rows that have a document number) on TB1 itself, so rows
// written by any statement count. NextLedgerSN reads it.
QStringList LedgerDayTriggers();

// Fills TB1Days anew from the ledger (a file written before it had one).
// Throws DbError.
void RebuildLedgerSummary(Database& db);

// Empties the ledger and TB1Days together, the ledger cleared whole rather
// than row by row through its triggers. Inside a transaction it is part of
// it (a failure leaves the caller's transaction to roll back); outside one it
// opens its own. Throws DbError.
void EmptyLedger(Database& db);

// The numbering every new ledger entry goes through before its insert:
// raises the counter, then takes a new day's number, a same-day number or a
// slot between existing entries (NextLedgerSN(entryDate, docNo, 0)). Both the
// waybill save and the entry windows hand 0 as the current number. With
// readCounterAfterStep1 the raised counter is read back at once, so an
// unreadable counter fails the save even for a back-dated entry; the posting
// service always asks for that.
// Returns the SN to insert with; the caller then inserts the row and calls
// RecalcBalances(sn, party). Throws DbError when the counter row is missing
// or unreadable. Most callers use LedgerPosting (data/posting.h) instead.
double TakeLedgerSN(const QDate& entryDate, const QString& docNo, bool readCounterAfterStep1 = false,
                    bool* crowded = nullptr);

