#pragma once
#include "data/posting.h"

#include <QDate>
#include <QString>
#include <array>

// A waybill as table B01 stores it, and its save and delete: the row and its
// ledger postings written together, every value bound.

inline constexpr int kWaybillBoxes = 49;

// The waybill's boxes by name. Box k is column WaybillColumns()[k] and the
// record's text[k] or number[k]; on the register it is the control Txt(k)
// (its object name keeps the number).
namespace WaybillBox {
enum : int {
    kNumber = 0,
    kSent = 1,
    kTransferNo = 2,
    kRemark = 3,
    kOrigin = 4,
    kChannel = 5,
    kZone = 6,
    kPlace = 7,
    kShipperCompany = 8,
    kShipperCompanyEn = 9,
    kShipperAddress = 10,
    kShipperAddressEn = 11,
    kConsigneeCompany = 12,
    kConsigneeCompanyEn = 13,
    kConsigneeAddress = 14,
    kConsigneeAddressEn = 15,
    kPhone = 16,
    kService = 17,
    kGoods = 18,
    kDeclaredValue = 19,
    kPieces = 20,
    kWeightIn = 21,
    kWeightFirst = 22,
    kWeightOut = 23,
    kVolume = 24,
    kPayment = 25,
    kBasicFee = 26,
    kExtraFee = 27,
    kTotal = 28,
    kMaker = 29,
    kStaff = 30,
    kCustomer = 31,
    kStatus = 32,
    kFactor = 33,
    kCost = 34,
    kCostFactor = 35,
    kIncident = 36,
    kReason = 37,
    kOutcome = 38,
    kIncidentNote = 39,
    kChannelZone = 40,
    kSignedBy = 41,
    kSignedAt = 42,
    kOtherFee = 43,
    kCostOther = 44,
    kCostExtra = 45,
    kLength = 46,
    kWidth = 47,
    kHeight = 48,
};
} // namespace WaybillBox

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
