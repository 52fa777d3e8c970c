#pragma once
#include <QString>
#include <optional>

// Arithmetic shared by the fee and the cost of a waybill.

// A price or weight as the file holds it: a number or Null.
using Price = std::optional<double>;
inline double ValueOr0(const Price& p) { return p.value_or(0.0); }

// What entering a computed box comes to.
struct CalcOutcome {
    enum Kind {
        Result,     // `text` goes into the box
        Message,    // `text` is shown; the box keeps what it held
        Silent,     // nothing is shown and the box keeps what it held
        NoStandard, // the pricing standard is missing: `text` is shown and the standard is set up
    };
    Kind kind = Silent;
    QString text;
    // The cost's factor box gets this text when it held no factor ("1"); empty: left alone.
    QString factorText;
};

// A refusal: `text` is shown and the box keeps what it held.
CalcOutcome Refusal(const QString& text);

// The service type of a list text by its first character, exactly: 'D' a
// document, 'S' a parcel, a null QChar for anything else.
QChar ServiceKind(const QString& listText);

// The number of whole or started steps of `step` by which `weight` lies above
// `first`; 0 at or under the first weight. Counted on the numbers' decimal
// forms (15 significant digits), so 1.2 over 0.7 in steps of 0.5 is one step,
// not the two that binary fractions would give.
double StartedSteps(double weight, double first, double step);
