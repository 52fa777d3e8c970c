#pragma once
#include "waybills/pricing_math.h"

#include <array>

// The cost paid to the shipping channel, from the channel's charging standard
// (M01) and the cost prices of its zone (M011).

// M01: D0, D1 document first weight and step; S0, S1 the parcel's; JFD the
// number of heavy segments in use; J[0] .. J[9] their start weights.
struct ChannelStandard {
    Price D0, D1, S0, S1, JFD;
    std::array<Price, 10> J{};
};

// M011: first and step prices of documents (P101, P102) and parcels (P201,
// P202); perKg[0] .. perKg[9] = P300 .. P309; firstPlusKg[k] = A30 .. A39,
// a segment charged as the parcel first price plus its price per Kg on the
// weight above the first weight (Null counts as not set).
struct ChannelZoneCost {
    Price P101, P102, P201, P202;
    std::array<Price, 10> perKg{};
    std::array<bool, 10> firstPlusKg{};
};

// What the detail page holds when the cost box is entered.
struct CostRequest {
    QString channel;   // channel list text
    QString zone;      // channel-zone list text
    double weight = 0; // number value of the outgoing weight
    QString service;   // service-type list text
    double factor = 0; // cost factor; 0 counts as 1 and the box is set to "1"
    double additional = 0;
    double other = 0;
};

// The cost box's new text ("#0.00") or the message; nothing at all without a
// channel, or for a weight above the first weight when the channel has no step.
// A missing channel or zone row (nullptr) gives its message.
CalcOutcome CalcShippingCost(const CostRequest& request, const ChannelStandard* channel, const ChannelZoneCost* zone);
