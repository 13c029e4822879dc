// statistics_test.cpp - the arithmetic under the report's figures: nearest-rank quantiles on
// the hard cases of the bucket select, exact millionths, round histogram widths.
#include "statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// 1000 values made by `make` from their index.
template <typename Make>
std::vector<std::int32_t> values_of(Make make) {
    std::vector<std::int32_t> values(1000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = make(static_cast<std::int32_t>(i));
    return values;
}

TEST(Quantiles, AreTheNearestRanksOnTheHardCases) {
    std::uint32_t state = 12345;
    const auto random = [&state](std::int32_t) {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::int32_t>(state);
    };
    const struct {
        const char* name;
        std::vector<std::int32_t> values;
    } cases[] = {
        {"all equal", values_of([](std::int32_t) { return -7; })},
        {"ascending", values_of([](std::int32_t i) { return i; })},
        {"descending", values_of([](std::int32_t i) { return 1000 - i; })},
        {"the 50th and 51st differ", values_of([](std::int32_t i) { return i < 50 ? -1 : 0; })},
        {"the 49th and 50th differ", values_of([](std::int32_t i) { return i < 49 ? -1 : 0; })},
        {"the 950th and 951st differ", values_of([](std::int32_t i) { return i < 950 ? 0 : 1; })},
        {"ties across every rank", values_of([](std::int32_t i) { return i / 250; })},
        {"the 32-bit extremes", values_of([](std::int32_t i) {
             return i % 3 == 0 ? INT32_MIN : i % 3 == 1 ? INT32_MAX : i;
         })},
        {"two far clusters, many in a bucket",
         values_of([](std::int32_t i) { return i < 500 ? i % 7 : 2000000000 + i; })},
        {"a narrow span, one value a bucket",
         values_of([](std::int32_t i) { return (i * 37) % 1024; })},
        {"random over 32 bits", values_of(random)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> sorted = c.values;
        std::sort(sorted.begin(), sorted.end());
        std::int32_t values[1000];
        std::copy(c.values.begin(), c.values.end(), values);
        const Quantiles q = quantiles_of(values);
        EXPECT_EQ(q.min, sorted[0]);
        EXPECT_EQ(q.p05, sorted[49]);
        EXPECT_EQ(q.p25, sorted[249]);
        EXPECT_EQ(q.p50, sorted[499]);
        EXPECT_EQ(q.p75, sorted[749]);
        EXPECT_EQ(q.p95, sorted[949]);
        EXPECT_EQ(q.max, sorted[999]);
    }
}

TEST(QuotientInMillionths, ExactDigitsRoundedHalfUp) {
    const struct {
        std::uint64_t numerator, denominator;
        std::int64_t millionths;
    } cases[] = {
        {1, 3, 333333},
        {2, 3, 666667},
        {1, 2000000, 1},  // exactly half a millionth rounds up
        {1, 2000001, 0},  // just under half
        {7, 7, 1000000},
        {0, 5, 0},
        {360ull * 137u << 23, 11614996ull * 32631u, 1091600},  // X = 240, Y = 260
        {(1ull << 59) - 1, (1ull << 59) - 1, 1000000},         // the largest denominator
        {123456789012ull, 1000, 123456789012000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quotient_in_millionths(c.numerator, c.denominator), c.millionths)
            << c.numerator << " / " << c.denominator;
}

TEST(RoundBinWidth, TheNarrowestRoundWidthWithinFortyBins) {
    const struct {
        std::int32_t low, high, narrowest, width;
    } cases[] = {
        {0, 0, 500, 500},
        {-10000, 9500, 500, 500},    // 39 bins
        {-10000, 10000, 500, 1000},  // 41 bins of 500
        {-92500, 103500, 500, 5000},
        {-100000, 150000, 500, 10000},
        {-30000, 67499, 500, 2500},  // 2000 makes 49 bins, 2500 makes 39
        {-451000, 50400000, 500, 2000000},
        {0, 39, 1, 1},
        {0, 40, 1, 2},
        {3, 90, 1, 5},
        {0, 7000, 1, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(round_bin_width(c.low, c.high, c.narrowest), c.width)
            << c.low << " to " << c.high;
}

}  // namespace
