#include "data/sql_functions.h"

#include "data/balance_walks.h"
#include "data/sqltext.h"
#include "platform/vb.h"

#include <QDate>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <cctype>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace {

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

// Text of an argument as Jet would compare it: numbers in their display form.
QString likeText(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return CStr(sqlite3_value_double(v));
    default: return argText(v);
    }
}

// Jet LIKE: * any run, ? one character, # one digit, [abc] [a-z] [!abc]; no case;
// % and _ are ordinary characters. Works on code points so "?" takes one whole
// character of any script.
class JetPattern {
public:
    explicit JetPattern(const QString& pattern)
    {
        const QList<uint> p = pattern.toUcs4();
        for (qsizetype i = 0; i < p.size(); ++i) {
            Item it;
            const uint c = p[i];
            if (c == '*') {
                if (!m_items.empty() && m_items.back().kind == Star)
                    continue;
                it.kind = Star;
            } else if (c == '?') {
                it.kind = Any;
            } else if (c == '#') {
                it.kind = Digit;
            } else if (c == '[' && p.indexOf(']', i + 1) >= 0) {
                const qsizetype close = p.indexOf(']', i + 1);
                it.kind = Set;
                qsizetype k = i + 1;
                if (k < close && p[k] == '!') {
                    it.negate = true;
                    ++k;
                }
                for (; k < close; ++k) {
                    if (k + 2 < close && p[k + 1] == '-') {
                        it.ranges.push_back({fold(p[k]), fold(p[k + 2])});
                        k += 2;
                    } else {
                        it.ranges.push_back({fold(p[k]), fold(p[k])});
                    }
                }
                i = close;
            } else {
                it.kind = Char;
                it.ch = fold(c);
            }
            m_items.push_back(std::move(it));
        }
    }

    // Greedy match that only ever backtracks to the last "*": every other item
    // takes exactly one character, so this is exact and never exponential.
    bool matches(const QString& text) const
    {
        const QList<uint> s = text.toUcs4();
        const size_t n = size_t(s.size()), m = m_items.size();
        size_t p = 0, i = 0, starP = size_t(-1), starI = 0;
        while (i < n) {
            if (p < m && m_items[p].kind == Star) {
                starP = ++p;
                starI = i;
            } else if (p < m && one(m_items[p], s[i])) {
                ++p;
                ++i;
            } else if (starP != size_t(-1)) {
                p = starP;
                i = ++starI;
            } else {
                return false;
            }
        }
        while (p < m && m_items[p].kind == Star)
            ++p;
        return p == m;
    }

private:
    enum Kind { Star, Any, Digit, Set, Char };
    struct Item {
        Kind kind = Char;
        bool negate = false;
        uint ch = 0;
        std::vector<std::pair<uint, uint>> ranges;
    };

    static uint fold(uint c) { return QChar::toLower(QChar::toCaseFolded(c)); }

    static bool one(const Item& it, uint c)
    {
        switch (it.kind) {
        case Any: return true;
        case Digit: return c >= '0' && c <= '9';
        case Char: return fold(c) == it.ch;
        case Set: {
            if (it.ranges.empty())
                return it.negate;
            const uint f = fold(c);
            bool hit = false;
            for (const auto& r : it.ranges)
                if (f >= r.first && f <= r.second)
                    hit = true;
            return hit != it.negate;
        }
        case Star: return false;
        }
        return false;
    }

    std::vector<Item> m_items;
};

void likeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // like(pattern, text) as the LIKE operator calls it.
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    // A pattern is usually the same for every row: keep its compiled form.
    auto* pat = static_cast<JetPattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pat) {
        pat = new JetPattern(likeText(argv[0]));
        sqlite3_set_auxdata(ctx, 0, pat, [](void* p) { delete static_cast<JetPattern*>(p); });
        pat = static_cast<JetPattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pat) {
            // SQLite may drop the aux data at once (non-constant pattern).
            JetPattern local(likeText(argv[0]));
            sqlite3_result_int(ctx, local.matches(likeText(argv[1])) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(ctx, pat->matches(likeText(argv[1])) ? 1 : 0);
}

// A date argument: its day and its time of day.
struct DayTime {
    QDate date;
    int hour = 0, minute = 0, second = 0;
};

int digits(const unsigned char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// The stored form, yyyy-MM-dd or yyyy-MM-dd HH:mm:ss, read without a regular
// expression: a date function over a whole table reads it on every row.
std::optional<DayTime> isoDayTime(const unsigned char* p, int n)
{
    if ((n != 10 && n != 19) || p[4] != '-' || p[7] != '-')
        return std::nullopt;
    const int y = digits(p, 4), m = digits(p + 5, 2), d = digits(p + 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return std::nullopt;
    DayTime t;
    t.date = QDate(y, m, d);
    if (n == 19) {
        if (p[10] != ' ' || p[13] != ':' || p[16] != ':')
            return std::nullopt;
        t.hour = digits(p + 11, 2);
        t.minute = digits(p + 14, 2);
        t.second = digits(p + 17, 2);
        if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
            return std::nullopt;
    }
    if (!t.date.isValid())
        return std::nullopt;
    return t;
}

std::optional<DayTime> argDate(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        // A Jet serial day number: 1899-12-30 plus days.
        const double d = sqlite3_value_double(v);
        return DayTime{QDate(1899, 12, 30).addDays(qint64(std::floor(d)))};
    }
    default: {
        const auto* p = sqlite3_value_text(v);
        const int n = sqlite3_value_bytes(v);
        if (!p)
            return std::nullopt;
        if (const auto fast = isoDayTime(p, n))
            return fast;
        // Any other form the date parser reads (a digit-less text is no date).
        const auto dt = ParseDateText(QString::fromUtf8(reinterpret_cast<const char*>(p), n));
        if (!dt)
            return std::nullopt;
        return DayTime{dt->date(), dt->time().hour(), dt->time().minute(), dt->time().second()};
    }
    }
}

void datediffFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // The interval, lower-cased: a few ASCII letters.
    char interval[8] = {};
    if (const auto* p = sqlite3_value_text(argv[0])) {
        const int n = sqlite3_value_bytes(argv[0]);
        for (int i = 0; i < n && i < 7; ++i)
            interval[i] = char(std::tolower(p[i]));
        if (n > 7)
            interval[0] = '?';
    }
    const std::string_view iv(interval);
    const auto a = argDate(argv[1]);
    const auto b = argDate(argv[2]);
    if (!a || !b) {
        sqlite3_result_null(ctx);
        return;
    }
    // Jet counts the boundaries crossed between the two dates, not elapsed time.
    const QDate da = a->date, db = b->date;
    const qint64 days = da.daysTo(db);
    const qint64 hours = days * 24 + (b->hour - a->hour);
    const qint64 minutes = hours * 60 + (b->minute - a->minute);
    auto sundayOf = [](const QDate& d) { return d.addDays(-(d.dayOfWeek() % 7)); };
    qint64 r = 0;
    if (iv == "d" || iv == "y")
        r = days;
    else if (iv == "w")
        r = days / 7;
    else if (iv == "ww")
        r = sundayOf(da).daysTo(sundayOf(db)) / 7;
    else if (iv == "m")
        r = (db.year() - da.year()) * 12 + (db.month() - da.month());
    else if (iv == "q")
        r = (db.year() - da.year()) * 4 + ((db.month() - 1) / 3 - (da.month() - 1) / 3);
    else if (iv == "yyyy")
        r = db.year() - da.year();
    else if (iv == "h")
        r = hours;
    else if (iv == "n")
        r = minutes;
    else if (iv == "s")
        r = minutes * 60 + (b->second - a->second);
    else {
        sqlite3_result_error(ctx, "datediff: unknown interval", -1);
        return;
    }
    sqlite3_result_int64(ctx, r);
}

void datePartFunc(sqlite3_context* ctx, sqlite3_value* v, int part)
{
    const auto d = argDate(v);
    if (!d) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, part == 0 ? d->date.year() : part == 1 ? d->date.month() : d->date.day());
}

} // namespace

void RegisterSqlFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunc, nullptr, nullptr);
    sqlite3_create_function(db, "datediff", 3, flags, nullptr, datediffFunc, nullptr, nullptr);
    sqlite3_create_function(db, "year", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 0); }, nullptr, nullptr);
    sqlite3_create_function(db, "month", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 1); }, nullptr, nullptr);
    sqlite3_create_function(db, "day", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 2); }, nullptr, nullptr);
    RegisterBalanceFunctions(db);
}
