#pragma once
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Database;

// The running balances of the ledger (TB1): QC/QM carry each party's balance
// before/after an entry along the party's rows in SN order (the numbering is
// data/ledger.h). Nothing here opens a transaction: the caller's save holds
// one. Failures throw DbError with the engine's text.

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
    // The parties of a list in two passes over the ledger in file order:
    // their rows read, each party walked, then what changed rewritten.
    void walkInTwoPasses(const QStringList& parties, const std::function<void(const QString&)>& onParty);
    Database& m_db;
    std::unique_ptr<Statements> m_st;
};
