#pragma once
#include "data/database.h"

#include <QSet>
#include <QString>
#include <memory>

// Set while any window is adding or editing a record. Each window sets and
// clears its own mark, so one window finishing does not clear another's.
class EditingFlag {
public:
    void set(const void* owner, bool editing);
    void clear() { m_owners.clear(); }
    bool isSet() const { return !m_owners.isEmpty(); }
    explicit operator bool() const { return isSet(); }

private:
    QSet<const void*> m_owners;
};

// The shared state of the running program.
extern std::unique_ptr<Database> gDb;
extern QString gAppPath;   // program folder with a trailing "/"
extern QString gDbPath;    // gAppPath + "vembra.dat"
extern QString gUserCode;  // logged-in account; "001" is the administrator
extern QString gUserName;  // logged-in operator's name
extern QString gMsgTitle;  // title of most message boxes
extern bool gCanEditShipped;
extern bool gCanSeePrices;
extern bool gCanEditAccounts;
extern EditingFlag gEditing;
extern QString gMoneyFmt;  // "#0.00"
extern int gLangFlag;

// The database, or a DbError when none is open.
Database& Db();

inline constexpr const char* kDataFileName = "vembra.dat";
inline constexpr const char* kAdminCode = "001";
