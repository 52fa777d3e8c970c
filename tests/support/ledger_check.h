#pragma once
#include <QString>

// Checks the running balances of the ledger on gDb, party by party in SN
// order (rows at SN 0 are out of the order): the first row opens at 0, each
// row's QC is the previous row's QM and QM = QC + YF - FK. Every broken link
// is a test failure naming the party and the document. Returns the rows checked.
int ExpectChainsHold();
// The same for one party only.
int ExpectChainHolds(const QString& party);
