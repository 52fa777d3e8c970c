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

template <size_t N>
void ReadPrices(const RecordSet& rs, int firstCol, std::array<Price, N>& out)
{
    for (size_t i = 0; i < N; ++i)
        out[i] = PriceOf(rs, firstCol + int(i));
}

// The first row a statement finds, read into a Row by `read`; nullopt when
// there is none.
template <class Row, class Read>
std::optional<Row> ReadRow(const QString& sql, Read read)
{
    const RecordSet rs = Db().openRecordset(sql);
    if (rs.recordCount() == 0)
        return std::nullopt;
    Row row;
    read(rs, row);
    return row;
}

} // namespace

std::optional<PricingStandard> ReadPricingStandard()
{
    return ReadRow<PricingStandard>("select " + Columns("F", 1, 19) + ",P888 from MS1",
                                    [](const RecordSet& rs, PricingStandard& s) { ReadPrices(rs, 0, s.F); });
}

std::optional<CustomerQuote> ReadCustomerQuote(const QString& customerCode, const QString& zoneCode)
{
    return ReadRow<CustomerQuote>(
        "select " + Columns("F", 2, 20) + " FROM M031 WHERE F0=" + SqlQuote(customerCode) + " and F1=" + SqlQuote(zoneCode),
        [](const RecordSet& rs, CustomerQuote& q) { ReadPrices(rs, 0, q.price); });
}

std::optional<ChannelStandard> ReadChannelStandard(const QString& channelCode)
{
    return ReadRow<ChannelStandard>("select D0,D1,S0,S1,JFD," + Columns("J", 0, 9) + " FROM M01 WHERE F1=" + SqlQuote(channelCode),
                                    [](const RecordSet& rs, ChannelStandard& c) {
                                        for (auto [member, col] : {std::pair{&c.D0, 0}, {&c.D1, 1}, {&c.S0, 2}, {&c.S1, 3}, {&c.JFD, 4}})
                                            *member = PriceOf(rs, col);
                                        ReadPrices(rs, 5, c.J);
                                    });
}

std::optional<ChannelZoneCost> ReadChannelZoneCost(const QString& zoneCode)
{
    return ReadRow<ChannelZoneCost>(
        "select P101,P102,P201,P202,P3," + Columns("P30", 0, 9) + "," + Columns("A3", 0, 9) + " FROM M011 WHERE F1=" + SqlQuote(zoneCode),
        [](const RecordSet& rs, ChannelZoneCost& z) {
            for (auto [member, col] : {std::pair{&z.P101, 0}, {&z.P102, 1}, {&z.P201, 2}, {&z.P202, 3}})
                *member = PriceOf(rs, col);
            ReadPrices(rs, 5, z.perKg);
            // A yes/no flag; Null is not set.
            for (int k = 0; k < 10; ++k)
                z.firstPlusKg[size_t(k)] = rs.at(0, 15 + k).toBool();
        });
}
