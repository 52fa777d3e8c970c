#pragma once
#include "waybills/pricing_math.h"

#include <cstddef>
#include <functional>
#include <gtest/gtest.h>

// Tables of cases for the fee and the cost, which both work on what the page
// holds and two price rows read from the file.

// A worked case: the page, a change to the two rows, what entering the box
// comes to.
template <class Request, class First, class Second>
struct WorkedCase {
    const char* what;
    Request req;
    std::function<void(First&, Second&)> change;
    QString text;
    CalcOutcome::Kind kind = CalcOutcome::Result;
    QString factor = {}; // the factor box's new text, "" when left alone
};

template <class Request, class First, class Second, size_t N, class Calc>
void ExpectWorkedCases(const WorkedCase<Request, First, Second> (&cases)[N], const First& first, const Second& second,
                       Calc calc)
{
    for (const auto& c : cases) {
        First a = first;
        Second b = second;
        c.change(a, b);
        const CalcOutcome out = calc(c.req, &a, &b);
        EXPECT_EQ(out.kind, c.kind) << c.what;
        EXPECT_EQ(out.text, c.text) << c.what;
        EXPECT_EQ(out.factorText, c.factor) << c.what;
    }
}

// A refusal: the page, which of the two rows the file has, what is shown.
template <class Request>
struct RefusalCase {
    Request req;
    bool first, second;
    CalcOutcome::Kind kind;
    QString text;
};

template <class Request, class First, class Second, size_t N, class Calc>
void ExpectRefusals(const RefusalCase<Request> (&cases)[N], const First& first, const Second& second, Calc calc)
{
    for (const auto& c : cases) {
        const CalcOutcome out = calc(c.req, c.first ? &first : nullptr, c.second ? &second : nullptr);
        EXPECT_EQ(out.kind, c.kind) << c.text.toStdString();
        EXPECT_EQ(out.text, c.text);
        EXPECT_TRUE(out.factorText.isEmpty()) << "a refusal leaves the factor box alone";
    }
}
