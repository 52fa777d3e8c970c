#pragma once
#include <QtGlobal>

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

class Statement;

// The walks the balance rewriter's UPDATEs run inside the engine
// (balance_rewriter.cpp): the statement's WHERE hands each row to a walk, which
// works out its balances and says whether it must be written; its SET then asks
// the walk for them. A walk runs in a RunningWalk slot for the length of its
// statement; a function called with no walk of its kind running fails the
// statement.

// Registers on a connection the SQL functions of the walks (done for every
// connection the program opens).
void RegisterBalanceFunctions(sqlite3* db);

// An amount as the record sets read it: a number, Null as 0, text only when
// all of it is a number. amountOf reads an argument of an SQL function the
// same way, so both ways reach the same sums.
double amountAt(const Statement& st, int col);
double amountOf(sqlite3_value* v);
bool isNumber(sqlite3_value* v);

// A party name as the ledger's F3 compares it (NOCASE: ASCII letters without
// case, every other byte as it is).
void partyKey(const char* p, int n, std::string& key);

// Where in v, sorted by rowid, the row `rowid` lies, looked for from `at`
// on: the engine asks for the rows it writes in file order, so the row is
// mostly at `at` or just after it. `at` is left there for the next call.
// v.size() when v holds no such row.
template <class Row>
size_t FindByRowid(const std::vector<Row>& v, size_t& at, qint64 rowid)
{
    const auto holds = [&](size_t i) { return i < v.size() && v[i].rowid == rowid; };
    if (!holds(at)) {
        if (holds(at + 1))
            ++at;
        else
            at = size_t(std::lower_bound(v.begin(), v.end(), rowid, [](const Row& r, qint64 id) { return r.rowid < id; })
                        - v.begin());
    }
    return holds(at) ? at : v.size();
}

// The walk a statement of this thread is running, of one kind. The program
// uses its connection from one thread; the slot is restored as it was when
// the walk ends, however it ends.
template <class Walk>
class RunningWalk {
public:
    explicit RunningWalk(Walk& walk)
        : m_previous(s_running)
    {
        s_running = &walk;
    }
    ~RunningWalk() { s_running = m_previous; }
    RunningWalk(const RunningWalk&) = delete;
    RunningWalk& operator=(const RunningWalk&) = delete;

    static Walk* running() { return s_running; }

private:
    static inline thread_local Walk* s_running = nullptr;
    Walk* m_previous;
};

// One party's walk inside the rewriting UPDATE (ledger_walk,
// ledger_balance_before, ledger_balance_after). Its WHERE calls walk() on
// each of the party's rows from the first SN on, in the order the index
// hands them over, which is the order the row-by-row walk reads them in (SN,
// then rowid); the SET then asks for the balances walk() worked out for the row.
struct BalanceWalk {
    struct Change {
        qint64 rowid;
        double qc, qm;
    };

    BalanceWalk(double opening, double firstSn)
        : bal(opening),
          from(firstSn)
    {
    }

    double bal;
    double from;
    bool started = false;
    double lastSn = 0;
    qint64 lastRowid = 0;
    // A row came out of order (or one the walk does not take): the rest of
    // the walk writes nothing and the party is done again row by row.
    bool outOfOrder = false;
    std::vector<Change> changes; // the rows let through, in the order walked
    std::vector<Change> byRowid; // the same in file order, made when the SET first asks for an earlier row
    size_t cursor = 0;           // where in byRowid the next row asked for should be
    size_t written = 0;

    // rowid, SN, YF, FK, QC, QM: whether the row must be written; its
    // balances are kept for the SET.
    bool walk(sqlite3_value** args);
    // The balances of a row walk() let through; null when it did not. The
    // engine asks in file order after its pass, or for the row just walked.
    const Change* find(qint64 rowid);
};

// One row of a listed party in the ledger, as read in file order: first its
// amounts, then (once its party is walked) its balances.
struct ListedRow {
    qint64 rowid;
    double sn;
    double a, b; // YF, FK; then QC, QM
    quint32 chain;
    bool walked;
};

// The rows of the ledger in file order, as the rewriting UPDATE passes them,
// against the balances worked out for the listed parties' rows
// (ledger_file_order, ledger_file_before, ledger_file_after).
struct FileOrderWrite {
    const std::vector<ListedRow>& rows;
    size_t next = 0;
    qint64 lastRowid = 0;
    bool started = false;
    bool outOfOrder = false;
    const ListedRow* current = nullptr;
    size_t found = 0; // where find() found its last row
    size_t flagged = 0;
    size_t written = 0;

    // rowid, QC, QM: whether the row is a walked one whose balances change.
    bool check(sqlite3_value** args);
    // A row check() let through: the one just checked, or (the engine writes
    // after its whole pass, in file order) the next one on from the last found.
    const ListedRow* find(qint64 rowid);
};

// The walk of every listed party in one pass over the ledger in file order
// (ledger_file_walk), for a file whose parties' rows lie there in SN order
// (filled in entry order): each row's balances follow from the party's rows
// before it in the file. A party with a row out of that order is left for
// the passes of walkInTwoPasses.
struct FusedWalk {
    std::unordered_map<std::string, quint32> chainOf;
    std::vector<double> bal, lastSn;
    std::vector<char> started, broken;
    std::vector<ListedRow> rows; // the rows to write, in file order
    std::string key;
    qint64 lastRowid = 0;
    bool any = false;
    bool outOfOrder = false;

    // rowid, F3, SN, YF, FK, QC, QM: whether the row must be written.
    bool walk(sqlite3_value** args);
};
