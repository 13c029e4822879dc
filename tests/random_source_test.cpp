// random_source_test.cpp - the generator's known sequence and its range.
#include "random_source.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

TEST(RandomSource, SeededWithOneGivesTheKnownSequence) {
    random_seed(1);
    EXPECT_EQ(random_draw(), 41);
    EXPECT_EQ(random_draw(), 18467);
    EXPECT_EQ(random_draw(), 6334);
}

TEST(RandomSource, SeedingAgainRestartsTheSequence) {
    const std::uint32_t seeds[] = {0u, 12345u, 0x7FFFFFFFu, 0xFFFFFFFFu};
    for (const std::uint32_t seed : seeds) {
        SCOPED_TRACE(seed);
        random_seed(seed);
        const std::int32_t first = random_draw();
        const std::int32_t second = random_draw();
        random_seed(seed);
        EXPECT_EQ(random_draw(), first);
        EXPECT_EQ(random_draw(), second);
    }
}

TEST(RandomSource, FillGivesTheDrawsOneByOne) {
    // Counts below, at and around the number of states that leap together, and a trial's worth.
    std::vector<std::size_t> counts;
    for (std::size_t count = 0; count <= 3 * random_lanes + 1; ++count)
        counts.push_back(count);
    counts.push_back(7501);
    for (const std::uint32_t seed : {1u, 12345u, 0xFFFFFFFFu}) {
        for (const std::size_t count : counts) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << count << " draws");
            random_seed(seed);
            std::vector<std::int32_t> one_by_one(count);
            for (std::int32_t& draw : one_by_one)
                draw = random_draw();
            const std::uint32_t state_after = random_state;
            random_seed(seed);
            // A guard value after the count, which the fill must not touch.
            std::vector<std::int32_t> filled(count + 1, -1);
            random_fill(filled.data(), count);
            EXPECT_EQ(filled.back(), -1);
            filled.pop_back();
            EXPECT_EQ(filled, one_by_one);
            EXPECT_EQ(random_state, state_after);
        }
    }
}

TEST(RandomSource, EveryDrawOfAFullPeriodLiesInRangeAndBothEndsOccur) {
    // The state runs through all 2^32 values before it repeats; a million draws cover both
    // ends of the range many times over.
    random_seed(12345);
    bool saw_zero = false;
    bool saw_max = false;
    for (int i = 0; i < 1000000; ++i) {
        const std::int32_t r = random_draw();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, random_max);
        saw_zero = saw_zero || r == 0;
        saw_max = saw_max || r == random_max;
    }
    EXPECT_TRUE(saw_zero);
    EXPECT_TRUE(saw_max);
}

}  // namespace
