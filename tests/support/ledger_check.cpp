#include "ledger_check.h"

#include "data/globals.h"
#include "data/sqltext.h"

#include <gtest/gtest.h>

namespace {

// Party names compare as the F3 column does (ASCII case folded).
QString partyKey(const QString& name)
{
    QString k = name;
    for (QChar& c : k)
        if (c.unicode() < 128)
            c = c.toLower();
    return k;
}

int check(const QString& where)
{
    RecordSet rs = Db().openRecordset("select F3,F1,QC,QM,YF,FK from TB1 where SN<>0" + where + " order by F3,SN");
    QString party;
    double bal = 0;
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString name = rs.at(r, 0).toString();
        if (r == 0 || partyKey(name) != partyKey(party)) {
            party = name;
            bal = 0;
        }
        const std::string at = "party \"" + name.toStdString() + "\", document \"" + rs.at(r, 1).toString().toStdString() + "\"";
        const Value& qc = rs.at(r, 2);
        const Value& qm = rs.at(r, 3);
        EXPECT_TRUE(qc.isNumber() && qm.isNumber()) << at << ": balances missing";
        EXPECT_EQ(qc.toDouble(), bal) << at << ": QC is not the previous row's QM";
        bal = qc.toDouble() + rs.at(r, 4).toDouble() - rs.at(r, 5).toDouble();
        EXPECT_EQ(qm.toDouble(), bal) << at << ": QM is not QC + YF - FK";
        bal = qm.toDouble();
    }
    return rs.recordCount();
}

} // namespace

int ExpectChainsHold()
{
    return check(QString());
}

int ExpectChainHolds(const QString& party)
{
    return check(" and F3=" + SqlQuote(party));
}
