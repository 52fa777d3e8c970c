#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The arithmetic of a customer's zone quotes, without a window: the captions
// the pricing standard gives the quote grid, and the texts the prices take
// when a zone is quoted, re-floated or typed over.

// The quote grid: zone code, zone name, then the nineteen prices in the order
// of the zone price list (documents first and step, small parcels first and
// step, heavy segments 1 to 15).
constexpr int kQuoteCols = 21;
constexpr int kFirstPriceCol = 2;
// Columns before this one are first and step prices, shown with one decimal.
constexpr int kFirstSegmentCol = 6;
constexpr int kPriceCount = kQuoteCols - kFirstPriceCol;

// The pricing standard's weights F1..F19 (nullopt for Null); empty when it
// has no row.
using StandardWeights = std::vector<std::optional<double>>;

struct QuoteCaptions {
    QStringList upper; // row 0: the price groups
    QStringList lower; // row 1: the weights
};

// Both caption rows, 21 texts each. First and step weights read "首0.5Kg";
// a segment runs from its start to 1 below the next start ("21-44Kg"), the
// last "201Kg以上"; without a standard the weight captions stay empty.
QuoteCaptions MakeQuoteCaptions(const StandardWeights& weights);

// A zone newly quoted: Round1(price x factor), with one decimal in the first
// and step columns and as the plain number in the segment columns.
QString NewQuotePrice(int col, double price, double factor);
// A stored price as loaded: one decimal in the first and step columns, the
// plain number elsewhere; Null shows empty.
QString LoadedPrice(int col, std::optional<double> price);
// A price re-floated: Round1(price x factor) as the plain number; a cell's
// text counts as the number it reads as.
QString RefloatedPrice(double price, double factor);
QString RefloatedPrice(const QString& cell, double factor);
// A price typed into a cell: its leading number as the plain number (0 for
// text that is none).
QString TypedPrice(const QString& text);
// The same typed into column col: a first or step price is kept to one
// decimal (Round1), as every other way into those columns keeps it.
QString TypedPrice(int col, const QString& text);

// Re-floating needs a factor that changes something: above 0 and not 1.
bool IsMeaningfulFactor(double factor);
// The percentage a factor adds, as the question shows it (1.1 gives "10").
QString RefloatPercentText(double factor);
