#include "waybills/price_rows.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"

namespace {

Price PriceOf(const RecordSet& rs, int col)
{
    const Value& v = rs.at(0, col);
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QString Columns(const QString& prefix, int from, int to)
{
    QStringList cols;
    for (int i = from; i <= to; ++i)
        cols << prefix + QString::number(i);
    return cols.join(',');
}

} // namespace

std::optional<PricingStandard> ReadPricingStandard()
{
    const RecordSet rs = Db().openRecordset("select " + Columns("F", 1, 19) + ",P888 from MS1");
    if (rs.recordCount() == 0)
        return std::nullopt;
    PricingStandard s;
    for (int i = 0; i < 19; ++i)
        s.F[size_t(i)] = PriceOf(rs, i);
    return s;
}

std::optional<CustomerQuote> ReadCustomerQuote(const QString& customerCode, const QString& zoneCode)
{
    const RecordSet rs = Db().openRecordset("select " + Columns("F", 2, 20) + " FROM M031 WHERE F0=" + SqlQuote(customerCode)
                                            + " and F1=" + SqlQuote(zoneCode));
    if (rs.recordCount() == 0)
        return std::nullopt;
    CustomerQuote q;
    for (int i = 0; i < 19; ++i)
        q.price[size_t(i)] = PriceOf(rs, i);
    return q;
}

std::optional<ChannelStandard> ReadChannelStandard(const QString& channelCode)
{
    const RecordSet rs = Db().openRecordset("select D0,D1,S0,S1,JFD," + Columns("J", 0, 9) + " FROM M01 WHERE F1="
                                            + SqlQuote(channelCode));
    if (rs.recordCount() == 0)
        return std::nullopt;
    ChannelStandard c;
    c.D0 = PriceOf(rs, 0);
    c.D1 = PriceOf(rs, 1);
    c.S0 = PriceOf(rs, 2);
    c.S1 = PriceOf(rs, 3);
    c.JFD = PriceOf(rs, 4);
    for (int k = 0; k < 10; ++k)
        c.J[size_t(k)] = PriceOf(rs, 5 + k);
    return c;
}

std::optional<ChannelZoneCost> ReadChannelZoneCost(const QString& zoneCode)
{
    const RecordSet rs = Db().openRecordset("select P101,P102,P201,P202,P3," + Columns("P30", 0, 9) + ","
                                            + Columns("A3", 0, 9) + " FROM M011 WHERE F1=" + SqlQuote(zoneCode));
    if (rs.recordCount() == 0)
        return std::nullopt;
    ChannelZoneCost z;
    z.P101 = PriceOf(rs, 0);
    z.P102 = PriceOf(rs, 1);
    z.P201 = PriceOf(rs, 2);
    z.P202 = PriceOf(rs, 3);
    for (int k = 0; k < 10; ++k) {
        z.perKg[size_t(k)] = PriceOf(rs, 5 + k);
        z.firstPlusKg[size_t(k)] = !rs.at(0, 15 + k).isNull() && rs.at(0, 15 + k).toBool();
    }
    return z;
}
