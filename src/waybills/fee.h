#pragma once
#include "waybills/pricing_math.h"

#include <array>

// The fee charged to the sending customer, from the company's pricing
// standard (MS1) and the customer's quote for the destination zone (M031).

// MS1: F[0], F[1] document first weight and step; F[2], F[3] parcel first
// weight and step; F[4] .. F[18] the start weights of heavy segments 1 .. 15.
struct PricingStandard {
    std::array<Price, 19> F{};
};

// M031 prices, F2 .. F20: price[0], price[1] document first price and step
// price; price[2], price[3] the parcel's; price[4] .. price[18] the price per
// Kg of heavy segments 1 .. 15.
struct CustomerQuote {
    std::array<Price, 19> price{};
};

// What the detail page holds when the fee box is entered.
struct FeeRequest {
    QString customer; // customer list text
    QString zone;     // destination-zone list text
    double weight = 0; // number value of the received weight
    QString service;  // service-type list text ("D.文件(File)", "S.物品(Parcel)")
};

// The fee box's new text (the plain number, unformatted) or the message. A
// missing standard (nullptr) asks for it to be set up; a missing quote says
// that customer or zone is unknown. The typed values are checked first.
CalcOutcome CalcCustomerFee(const FeeRequest& request, const PricingStandard* standard, const CustomerQuote* quote);

// The total box: (basic fee + additional fee) x factor + other fee, "#0.00".
QString TotalFeeText(double basic, double additional, double factor, double other);

// The total booked under the payment method: DF charge on delivery, YJ
// monthly account, XJ cash; the other two 0, and all three 0 for another word.
struct PaymentSplit {
    double DF = 0;
    double YJ = 0;
    double XJ = 0;
};
PaymentSplit SplitByPayment(const QString& payment, double total);
