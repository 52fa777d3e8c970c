#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Database;
struct sqlite3;

// Ledger (TB1) sequence numbers and running balances.
//
// SN orders every ledger entry by entry date and, within a day, by order of
// entry; numbers are handed out with gaps (31 for a new day, 2 within a day)
// so back-dated entries can be slotted in between. QC/QM carry each party's
// balance before/after the entry along the party's rows in SN order.
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
// than row by row through its triggers. Throws DbError.
void EmptyLedger(Database& db);

// Rewrites QC/QM of every row of party with SN >= sn (SN 0 rows are out of
// the order and left alone). The opening balance is QM of the party's last
// earlier row that has an operator name (F6); sn 0 redoes the whole history.
void RecalcBalances(double sn, const QString& party);

// RecalcBalances for one party after another on the same statements: the
// refresh of every party of a list prepares them once. Each party's rows are
// rewritten by one UPDATE that walks them in SN order along the party's
// index; the balances come out as the row-by-row walk gives them, to the bit,
// and a row that already holds its balances is not written. Should the engine
// ever hand the rows over in another order, the party is done row by row
// instead. Destroy it before its database.
class BalanceRewriter {
public:
    explicit BalanceRewriter(Database& db);
    ~BalanceRewriter();
    BalanceRewriter(const BalanceRewriter&) = delete;
    BalanceRewriter& operator=(const BalanceRewriter&) = delete;

    // RecalcBalances(sn, party) on this rewriter's statements: a party with
    // more than a few rows from sn on by recalcAlongIndex, the others row by
    // row. Throws DbError.
    void recalc(double sn, const QString& party);
    // The party's rows from sn on rewritten by one UPDATE along its index,
    // whatever their number. Throws DbError.
    void recalcAlongIndex(double sn, const QString& party);

    // RecalcBalances(0, party) for every party of a list, in list order;
    // onParty is called with each name, in turn, as its balances are worked
    // out. A long list whose parties' rows lie apart in the file is done in
    // passes over the whole ledger in file order instead of one walk per
    // party along the index, which would read and write each page once for
    // every party with a row on it: one pass when each party's rows lie in SN
    // order there (a file filled in entry order), else two (read, then
    // rewrite what changed).
    void recalcList(const QStringList& parties, const std::function<void(const QString&)>& onParty);

    // The UPDATE that rewrites a party: ?1 the party, ?2 the first SN.
    static QString rewriteSql();

private:
    struct Statements;
    double opening(double sn, const QString& party);
    // The parties of a list in one pass over the ledger in file order;
    // returns those whose rows are not in SN order there.
    QStringList walkInOnePass(const QStringList& parties, const std::function<void(const QString&)>& onParty);
    void walkInTwoPasses(const QStringList& parties, const std::function<void(const QString&)>& onParty);
    Database& m_db;
    std::unique_ptr<Statements> m_st;
};

// Registers on a connection the SQL functions the rewriter's UPDATE calls
// (done for every connection the program opens).
void RegisterBalanceFunctions(sqlite3* db);

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

