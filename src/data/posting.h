#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The ledger posting service: the four kinds of ledger entry, and posting or
// removing entries so that every party's running balances hold after every
// write. Callers: the waybill save and delete, and the two entry windows.

// One kind of ledger entry (TB1.LB). Its sign is the side of the ledger:
// payables (> 0) are owed to channels, receivables (< 0) by customers.
struct LedgerKind {
    int lb;
    QString caption;  // the entry window's caption, e.g. "增加应付款"
    QString business; // TB1.S2, e.g. "增加应付"
    QString prefix;   // document-number prefix: "YF", "YS", "FK", "SK"
    bool payment;     // the amount is paid (TB1.FK) rather than owed (TB1.YF)

    bool channels() const { return lb > 0; }
    QString moneyColumn() const { return payment ? QStringLiteral("FK") : QStringLiteral("YF"); }
    // The party names offered for this kind: channels or customers.
    QString partyListSql() const;
};

// The four kinds, in the order 9, -9, 10, -10.
const QList<LedgerKind>& LedgerKinds();
// The kind of lb; throws DbError for any other number.
const LedgerKind& LedgerKindOf(int lb);

inline constexpr int kPayableAdded = 9;
inline constexpr int kReceivableAdded = -9;
inline constexpr int kPaymentMade = 10;
inline constexpr int kReceiptTaken = -10;

// One entry as a caller posts it. The amount goes into YF or FK by kind; the
// other money column keeps the table's default 0.
struct LedgerEntry {
    int lb = 0;
    QString docNo;        // F1, stored exactly as given
    QDate date;           // F2
    QString party;        // F3: the channel's or customer's name
    double amount = 0;
    QString handler;      // S1
    QString remark;       // F10
    QString operatorName; // F5 and F6; empty: the logged-in operator (gUserName)
    QDateTime savedAt;    // H8; invalid: now
};

// One stored entry as an entry window lists it. A document number alone
// does not name one row (the kinds share TB1.F1, and a file may already hold
// a number typed by hand beside a waybill's posting of the same text), nor
// does a sequence number (a crowded gap shares one): with the kind they name
// the row the operator chose.
struct LedgerRowKey {
    QString docNo; // F1 as stored
    double sn = 0; // SN as stored
    int lb = 0;
};

// The rows of one document of one kind.
struct LedgerDocument {
    QString docNo;
    int lb = 0;
};

// What a waybill's save posts under: "YS" + its number as a receivable (-9),
// "YF" + its number as a payable (9).
QList<LedgerDocument> WaybillPostings(const QString& number);

// The stored document number of a ledger entry, other than the waybill's own
// postings, that already holds one of the numbers the waybill `number` posts
// under, or "" when they are free. With ownPostings (the waybill is saved
// again under its stored number) one row of each posting's own kind is the
// waybill's; any further one is another entry's. Throws DbError on a failed read.
QString WaybillNumberHeldBy(const QString& number, bool ownPostings);

// The first of docNos that a new entry may not take, as given, or "": a
// ledger row holds it, or it is what a stored waybill posts under ("YS"/"YF"
// and its number), which that waybill's next save would write. Throws
// DbError on a failed read.
QString FirstLedgerDocNoTaken(const QStringList& docNos);

// Where a party's entries go in the file: TB1 rows are numbered (rowid) in
// blocks, one block per party name (as F3 compares it, ASCII case aside), so
// one party's rows lie together and recomputing its balances reads and
// writes a few pages instead of one row on every page of the ledger. The
// first rowid of the party's block.
qint64 LedgerRowBlock(const QString& party);

// Posts and removes entries on gDb inside the caller's Transaction (it refuses
// to run outside one). Every call numbers, writes and recomputes the balances
// of every party it touched before it returns, so the chain holds after each
// write; inside inOneRewrite the recomputing waits for the last of its calls.
// Failures throw DbError and the caller's transaction rolls back.
//
// The waybill save:
//     LedgerPosting posting;
//     posting.inOneRewrite([&] {
//         posting.remove(WaybillPostings(old));          // edit only
//         const double sn = posting.post(receivable, waybillNo);
//         if (shipped) posting.postAt(payable, sn + 1);
//     });
// The entry windows: post(entry) for each new row, edit(row, entry),
// removeEntry(row). After the commit the caller shows warning() when it is not
// empty (information icon, empty title).
class LedgerPosting {
public:
    // Runs writes (this posting's calls, and any statements of the caller's
    // beside them) and then recomputes each party they touched once, from its
    // earliest changed entry on. An edit that removes a document's entries
    // and posts new ones so writes a party's later balances once, not once
    // for the removal and again for the posting. The numbering reads no
    // balance, so it is the same either way. A call inside another joins it.
    // On a failure nothing is recomputed and it goes on to the caller.
    void inOneRewrite(const std::function<void()>& writes);

    // Takes the entry's number through the counter (a later day, the newest
    // day, or a slot between existing entries for a back-dated one, the
    // look-ups leaving out rows whose F1 is numberAs), inserts it and
    // recomputes its party from there. Returns its SN.
    double post(const LedgerEntry& e, const QString& numberAs);
    double post(const LedgerEntry& e) { return post(e, e.docNo); }
    // Inserts the entry at a number the caller gives (the waybill's payable
    // takes its receivable's number + 1), then recomputes its party.
    void postAt(const LedgerEntry& e, double sn);
    // Rewrites the stored entry `row` (that one row only) with e (number,
    // date, party, amount, handler, remark, save time; its kind, business text
    // and operator stay): the entry leaves the order, its old party's chain
    // closes over the gap, it takes a number for its date and its new party is
    // recomputed. Returns the new SN. Throws DbError when no entry is `row`.
    double edit(const LedgerRowKey& row, const LedgerEntry& e);
    // Deletes the one stored entry `row` and recomputes its party from there.
    // Throws DbError when no entry is `row`.
    void removeEntry(const LedgerRowKey& row);
    // Deletes every entry of one of docs (its number and its kind) and
    // recomputes each party they belonged to from the first removed entry on.
    // Returns the rows deleted.
    int remove(const QList<LedgerDocument>& docs);

    // The message for the operator once the transaction has committed, or "".
    QString warning() const;

private:
    void insert(const LedgerEntry& e, double sn);
    static qint64 nextRowId(const QString& party);
    double editRow(const LedgerRowKey& row, const LedgerEntry& e);
    // The party's balances to be recomputed from sn on: at once, or inside
    // inOneRewrite when its writes are done.
    void recalcFrom(double sn, const QString& party);

    // A party waiting for its recomputation, and the earliest entry it
    // starts from.
    struct HeldRecalc {
        QString party;
        QByteArray key; // the party as F3 compares it
        double sn;
    };
    std::vector<HeldRecalc> m_held;
    int m_holding = 0;
    bool m_crowded = false;
};
