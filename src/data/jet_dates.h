#pragma once
#include "data/jet_tokens.h"

#include <QHash>
#include <QSet>

// What the translator does to dates, found from the statement's own shape and
// the schema's DATETIME columns (see jet_dates.cpp).
struct DateRewrites {
    QHash<int, QString> replace; // token index -> the text that stands in its place
    QSet<int> drop;              // further tokens covered by a replacement
};

DateRewrites FindDateRewrites(const QList<Token>& toks);
