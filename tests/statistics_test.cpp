// statistics_test.cpp - the arithmetic under the report's figures: nearest-rank quantiles on
// the hard cases of the bucket select, exact millionths, round histogram widths.
#include "sample/sample_figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "rules/numbers.h"

namespace {

// 1000 values made by `make` from their index.
template <typename Make>
std::vector<std::int32_t> values_of(Make make) {
    std::vector<std::int32_t> values(1000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = make(static_cast<std::int32_t>(i));
    return values;
}

TEST(MidQuantile, InterpolatesBetweenTheMiddlesOfTheMasses) {
    // Values 0, 100, 400 with masses 2, 2, 4 (total 8): the middles lie at 1, 3 and 6.
    const double values[] = {0.0, 100.0, 400.0};
    const double masses[] = {2.0, 2.0, 4.0};
    const struct {
        double level, quantile;
    } cases[] = {
        {0.0, 0.0},     {0.125, 0.0},  // up to the first middle: the first value
        {0.25, 50.0},                  // half-way from the middle at 1 to the one at 3
        {0.375, 100.0}, {0.5, 200.0}, {0.75, 400.0}, {1.0, 400.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(mid_quantile(values, masses, 3, 8.0, c.level), c.quantile) << c.level;
    // One value: it, at every level.
    EXPECT_EQ(mid_quantile(values, masses, 1, 2.0, 0.3), 0.0);
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
        std::int32_t low, high, narrowest, offset, width;
    } cases[] = {
        {0, 0, 500, 0, 500},
        {-10000, 9500, 500, 0, 500},    // 40 bins
        {-10000, 10000, 500, 0, 1000},  // 41 bins of 500
        {-9999, 10000, 500, 0, 1000},   // 41 bins of 500
        {-9999, 10000, 500, 1, 500},    // moved by 1 yen: 40
        {-92500, 103500, 500, 0, 5000},
        {-100000, 150000, 500, 0, 10000},
        {-30000, 67499, 500, 0, 2500},  // 2000 makes 49 bins, 2500 makes 39
        {-451000, 50400000, 500, 1, 2000000},
        {0, 39, 1, 0, 1},
        {0, 40, 1, 0, 2},
        {3, 90, 1, 0, 5},
        {0, 7000, 1, 0, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(round_bin_width(c.low, c.high, c.narrowest, c.offset), c.width)
            << c.low << " to " << c.high << " from " << c.offset;
    for (const auto& [width, next] : {std::pair{1, 2},
                                      {2, 5},
                                      {5, 10},
                                      {10, 20},
                                      {20, 25},
                                      {25, 50},
                                      {500, 1000},
                                      {2500, 5000},
                                      {5000, 10000}})
        EXPECT_EQ(next_round_width(width), next);
}

// The counts of a histogram, from its first bin.
std::vector<std::int32_t> counts_of(const Histogram& h) {
    return std::vector<std::int32_t>(h.counts, h.counts + h.bin_count);
}

TEST(Histogram, BinsEmptyOnBothSidesAndEdgesOneYenAboveRoundValues) {
    std::int32_t values[1000];
    Histogram h{};
    // Every profit the same: the one bin in the middle of 20, empty ones on both sides.
    std::fill(std::begin(values), std::end(values), -3000);
    fill_histogram(values, 500, 1, 20, &h);
    std::vector<std::int32_t> expected(20, 0);
    expected[9] = 1000;
    EXPECT_EQ(counts_of(h), expected);
    EXPECT_EQ(h.first_edge, -3500 + 1 - 9 * 500);  // the bin of -3000 is (-3500, -3000]
    // 0 is no win: it lies in the bin below the first of the wins.
    for (std::int32_t i = 0; i < 1000; ++i)
        values[i] = i < 400 ? 0 : 500;
    fill_histogram(values, 500, 1, 1, &h);
    EXPECT_EQ(h.first_edge, -499);
    EXPECT_EQ(counts_of(h), (std::vector<std::int32_t>{400, 600}));
}

TEST(Histogram, ABinFarFromItsFullNeighboursIsAliasing) {
    const struct {
        std::vector<std::int32_t> counts;
        bool aliasing;
    } cases[] = {
        {{5, 22, 0, 31, 51}, true},                          // the comb of profits one bonus apart
        {{109, 18, 129}, true},      {{50, 101, 64}, true},  // a spike: two lumps in one bin
        {{30, 20, 30}, false},                               // chance: 10 below a mean of 30
        {{30, 10, 30}, true},   // 2 (20 - 60)^2 = 3200 > 49 * 60 = 2940
        {{30, 11, 30}, false},  // 2 (22 - 60)^2 = 2888
        {{9, 0, 100}, false},   // a gap beside a thin tail is the data's
        {{10, 0, 100}, true},   // a neighbour of 1 % is full
        {{31, 11, 30}, true},   // 2 (22 - 61)^2 = 3042 > 49 * 61 = 2989, just
        {{0, 0, 1000, 0, 0}, false}, {{100, 200, 300}, false},
    };
    for (const auto& c : cases) {
        Histogram h{};
        h.bin_count = static_cast<std::int32_t>(c.counts.size());
        std::copy(c.counts.begin(), c.counts.end(), h.counts);
        EXPECT_EQ(has_aliasing(h), c.aliasing) << testing::PrintToString(c.counts);
    }
}

TEST(Histogram, ProfitWidthsAreRoundOrWholeMultiplesOfABonus) {
    const struct {
        std::int32_t above, exchange_rate, width;
    } cases[] = {
        {499, 7, 500},     {500, 7, 1000},    {2500, 7, 5000},  {5000, 7, 10000},
        {20000, 7, 25000}, {25000, 7, 36000},  // 7 bonuses: 36000 yen
        {2500, 10, 3600},  {3600, 10, 5000},  {5000, 10, 7200}, {7200, 10, 10000},
        {2500, 5, 5000},   {5000, 5, 7200},   {7200, 5, 10000}, {10000, 5, 14400},
        {5000, 6, 6000},   {5000, 8, 9000},   {4000, 9, 5000},  {5000, 9, 8000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profit_bin_width(c.above, c.exchange_rate), c.width)
            << "above " << c.above << " at Z = " << c.exchange_rate;
}

TEST(WilsonInterval, StaysWithinZeroAndOneAtEveryCount) {
    const struct {
        std::int32_t wins;
        std::int64_t low, high;  // millionths, worked out apart from the program (Python)
    } cases[] = {
        {0, 0, 3827},          {1000, 996173, 1000000}, {500, 469069, 530931},
        {423, 392731, 453858}, {1, 177, 5643},
    };
    for (const auto& c : cases) {
        std::int64_t low = -1, high = -1;
        wilson_interval(c.wins, &low, &high);
        EXPECT_EQ(low, c.low) << c.wins;
        EXPECT_EQ(high, c.high) << c.wins;
    }
}

}  // namespace
