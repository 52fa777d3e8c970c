#pragma once
#include "waybills/cost.h"
#include "waybills/fee.h"

#include <optional>

// The price rows the fee and cost calculations work on, read from gDb.
// nullopt when there is no such row; a refused statement throws DbError.

// The one row of the pricing standard (MS1).
std::optional<PricingStandard> ReadPricingStandard();
// The customer's quote for a destination zone (M031).
std::optional<CustomerQuote> ReadCustomerQuote(const QString& customerCode, const QString& zoneCode);
// A channel's charging standard (M01).
std::optional<ChannelStandard> ReadChannelStandard(const QString& channelCode);
// A channel zone's cost prices (M011), by the zone code alone: zone codes are
// unique over all channels.
std::optional<ChannelZoneCost> ReadChannelZoneCost(const QString& zoneCode);
