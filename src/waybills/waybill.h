#pragma once
#include "data/posting.h"

#include <QDate>
#include <QString>
#include <array>

// A waybill as table B01 stores it, and its save and delete: the row and its
// ledger postings written together, every value bound.

inline constexpr int kWaybillBoxes = 49;

// Box k's column, and whether it holds a number (the rest hold text).
struct WaybillColumn {
    const char* name;
    bool number;
};
const std::array<WaybillColumn, kWaybillBoxes>& WaybillColumns();

struct Waybill {
    // Box k's stored value: text[k] for a text column (as it is to be
    // stored, trimmed), number[k] for a number column.
    std::array<QString, kWaybillBoxes> text;
    std::array<double, kWaybillBoxes> number{};

    QDate sent;            // the send date (the F101 text is its short form)
    QString customerName;  // the receivable's party
    QString channelName;   // the payable's party
    QString handler;       // the field staff's remark, the entries' handler
    QString numberAs;      // the number the entries are numbered as (as typed)
    bool shipped = false;  // a shipped waybill posts its payable as well
};

// Writes the waybill in one transaction (on gDb): an edit (oldNumber not
// null, though it may be empty) first removes the stored row and its postings; then the row, its
// receivable and, when shipped, its payable right after it. Returns the
// posting's message for after the commit, or "". Throws DbError, and then
// nothing of it stays.
QString SaveWaybill(const Waybill& w, const QString& oldNumber);

// Deletes the waybill and its postings in one transaction. Throws DbError.
void DeleteWaybill(const QString& number);

// Marks the waybill checked and shipped by `checker` (F604). Throws DbError.
void MarkWaybillChecked(const QString& number, const QString& checker);
