#include "data/balance_walks.h"

#include "data/sqltext.h"
#include "data/statement.h"

#include <QString>

#include <cmath>
#include <optional>
#include <type_traits>

double amountAt(const Statement& st, int col)
{
    if (st.columnIsNull(col))
        return 0;
    if (st.columnIsNumber(col))
        return st.columnDouble(col);
    bool ok = false;
    const double v = st.columnText(col).trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

double amountOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return 0;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        bool ok = false;
        const double x = (p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString()).trimmed().toDouble(&ok);
        return ok && std::isfinite(x) ? x : 0;
    }
    }
}

bool isNumber(sqlite3_value* v)
{
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

void partyKey(const char* p, int n, std::string& key)
{
    key.assign(p, size_t(n));
    FoldNocase(key.data(), qsizetype(key.size()));
}

// ---------------------------------------------------------------- one party along its index

bool BalanceWalk::walk(sqlite3_value** args)
{
    if (outOfOrder)
        return false;
    const qint64 rowid = sqlite3_value_int64(args[0]);
    sqlite3_value* const sn = args[1];
    const double s = sqlite3_value_double(sn);
    if (!isNumber(sn) || s == 0 || !(s >= from) || (started && (s < lastSn || (s == lastSn && rowid <= lastRowid)))) {
        outOfOrder = true;
        return false;
    }
    started = true;
    lastSn = s;
    lastRowid = rowid;
    const double before = bal;
    bal = bal + amountOf(args[2]) - amountOf(args[3]);
    if (isNumber(args[4]) && isNumber(args[5]) && sqlite3_value_double(args[4]) == before
        && sqlite3_value_double(args[5]) == bal)
        return false;
    changes.push_back({rowid, before, bal});
    return true;
}

const BalanceWalk::Change* BalanceWalk::find(qint64 rowid)
{
    if (!changes.empty() && changes.back().rowid == rowid)
        return &changes.back();
    if (byRowid.size() != changes.size()) {
        byRowid = changes;
        std::sort(byRowid.begin(), byRowid.end(), [](const Change& a, const Change& b) { return a.rowid < b.rowid; });
        cursor = 0;
    }
    const size_t i = FindByRowid(byRowid, cursor, rowid);
    return i < byRowid.size() ? &byRowid[i] : nullptr;
}

// ---------------------------------------------------------------- a list in file order

bool FileOrderWrite::check(sqlite3_value** args)
{
    const qint64 rowid = sqlite3_value_int64(args[0]);
    sqlite3_value* const qc = args[1];
    sqlite3_value* const qm = args[2];
    current = nullptr;
    if (outOfOrder)
        return false;
    if (started && rowid <= lastRowid) {
        outOfOrder = true;
        return false;
    }
    started = true;
    lastRowid = rowid;
    while (next < rows.size() && rows[next].rowid < rowid)
        ++next;
    if (next == rows.size() || rows[next].rowid != rowid || !rows[next].walked)
        return false;
    const ListedRow& r = rows[next];
    if (isNumber(qc) && isNumber(qm) && sqlite3_value_double(qc) == r.a && sqlite3_value_double(qm) == r.b)
        return false;
    current = &r;
    ++flagged;
    return true;
}

const ListedRow* FileOrderWrite::find(qint64 rowid)
{
    if (current && current->rowid == rowid)
        return current;
    const size_t i = FindByRowid(rows, found, rowid);
    return i < rows.size() && rows[i].walked ? &rows[i] : nullptr;
}

bool FusedWalk::walk(sqlite3_value** a)
{
    if (outOfOrder)
        return false;
    const qint64 rowid = sqlite3_value_int64(a[0]);
    if (any && rowid <= lastRowid) {
        outOfOrder = true;
        return false;
    }
    any = true;
    lastRowid = rowid;
    if (sqlite3_value_type(a[1]) != SQLITE_TEXT)
        return false;
    const auto* f3 = reinterpret_cast<const char*>(sqlite3_value_text(a[1]));
    partyKey(f3, sqlite3_value_bytes(a[1]), key);
    const auto it = chainOf.find(key);
    if (it == chainOf.end())
        return false;
    const quint32 c = it->second;
    if (broken[c])
        return false;
    const double s = sqlite3_value_double(a[2]);
    if (!isNumber(a[2]) || (started[c] && s < lastSn[c])) {
        broken[c] = 1;
        return false;
    }
    if (s == 0 || !(s >= 0))
        return false;
    started[c] = 1;
    lastSn[c] = s;
    const double before = bal[c];
    bal[c] = bal[c] + amountOf(a[3]) - amountOf(a[4]);
    if (isNumber(a[5]) && isNumber(a[6]) && sqlite3_value_double(a[5]) == before
        && sqlite3_value_double(a[6]) == bal[c])
        return false;
    rows.push_back({rowid, s, before, bal[c], c, true});
    return true;
}

// ---------------------------------------------------------------- the SQL functions

namespace {

// One SQL function of a walk: answer(walk, args) for the walk of its kind
// running on this thread, given to the statement as a truth (whether to write
// the row) or a balance. With no walk running, or no balance for the row, the
// statement fails with the function's own text (its user data).
template <class Walk, auto answer> void walkFunction(sqlite3_context* ctx, int, sqlite3_value** args)
{
    if (Walk* walk = RunningWalk<Walk>::running()) {
        const auto a = answer(*walk, args);
        if constexpr (std::is_same_v<std::remove_const_t<decltype(a)>, bool>) {
            sqlite3_result_int(ctx, a);
            return;
        } else if (a) {
            sqlite3_result_double(ctx, *a);
            return;
        }
    }
    sqlite3_result_error(ctx, static_cast<const char*>(sqlite3_user_data(ctx)), -1);
}

template <class Walk, auto answer>
void registerWalkFunction(sqlite3* db, const char* name, int args, const char* failure)
{
    // Not deterministic: called once per row, in turn, never folded away.
    sqlite3_create_function(db, name, args, SQLITE_UTF8, const_cast<char*>(failure), walkFunction<Walk, answer>,
                            nullptr, nullptr);
}

// A row's balances as a walk keeps them: before it (QC) and after it (QM).
double before(const BalanceWalk::Change& c) { return c.qc; }
double after(const BalanceWalk::Change& c) { return c.qm; }
double before(const ListedRow& r) { return r.a; }
double after(const ListedRow& r) { return r.b; }

// The balance a walk worked out for a row; the row counts as written when
// the SET asks for the second.
template <class Walk, bool second> std::optional<double> balanceOf(Walk& walk, sqlite3_value** args)
{
    const auto* row = walk.find(sqlite3_value_int64(args[0]));
    if (!row)
        return std::nullopt;
    if constexpr (!second)
        return before(*row);
    ++walk.written;
    return after(*row);
}

bool walkRow(BalanceWalk& walk, sqlite3_value** args) { return walk.walk(args); }
bool checkRow(FileOrderWrite& write, sqlite3_value** args) { return write.check(args); }
bool walkFileRow(FusedWalk& walk, sqlite3_value** args) { return walk.walk(args); }

} // namespace

void RegisterBalanceFunctions(sqlite3* db)
{
    registerWalkFunction<BalanceWalk, walkRow>(db, "ledger_walk", 6, "ledger_walk: no balance rewrite is running");
    registerWalkFunction<BalanceWalk, balanceOf<BalanceWalk, false>>(db, "ledger_balance_before", 1,
                                                                     "ledger_balance: the row was not walked");
    registerWalkFunction<BalanceWalk, balanceOf<BalanceWalk, true>>(db, "ledger_balance_after", 1,
                                                                    "ledger_balance: the row was not walked");
    registerWalkFunction<FusedWalk, walkFileRow>(db, "ledger_file_walk", 7,
                                                 "ledger_file_walk: no balance rewrite is running");
    registerWalkFunction<FileOrderWrite, checkRow>(db, "ledger_file_order", 3,
                                                   "ledger_file_order: no balance rewrite is running");
    registerWalkFunction<FileOrderWrite, balanceOf<FileOrderWrite, false>>(
        db, "ledger_file_before", 1, "ledger_file_balance: the row was not checked");
    registerWalkFunction<FileOrderWrite, balanceOf<FileOrderWrite, true>>(
        db, "ledger_file_after", 1, "ledger_file_balance: the row was not checked");
}
