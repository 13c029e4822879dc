// trial_lanes_test.cpp - the trials in lanes against the step-by-step model, trial by trial, for
// every vector unit this machine has; the boundary scan against the model's trials; the table of
// engines and the choice among them; the generator's leaps against its steps.
#include "simulation/trial_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model.h"
#include "rules/random_source.h"

namespace {

TEST(RandomLeap, IsThatManyStepsOfTheGenerator) {
    // Three generators stepped side by side, checked against the leaps on the way.
    const std::uint32_t starts[3] = {1u, 12345u, 0xFFFFFFFFu};
    std::uint32_t stepped[3] = {starts[0], starts[1], starts[2]};
    std::uint64_t steps = 0;
    for (const std::uint64_t k : {0ull, 1ull, 7ull, 8ull, 7501ull, 1ull << 31}) {
        for (; steps < k; ++steps) {
            for (std::uint32_t& state : stepped)
                state = random_next_state(state);
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(random_leap_from(starts[i], random_leap(k)), stepped[i])
                << starts[i] << " " << k;
    }
}

// A run's trials as the step-by-step model plays them from `seed`, with where each began.
struct SerialRun {
    std::vector<TrialBoundary> boundaries;
    std::vector<Figures> trials;
};

SerialRun serial_run(std::uint32_t seed, const TrialRules& rules) {
    SerialRun run;
    run.trials = model_run(seed, rules);
    std::uint32_t state = seed;  // stepped one draw at a time beside the trials
    for (const Figures& trial : run.trials) {
        run.boundaries.push_back(TrialBoundary{state, trial.draws_used});
        for (std::int32_t d = 0; d < trial.draws_used; ++d)
            state = random_next_state(state);
    }
    return run;
}

// The figures of a trial that the lanes played.
Figures lane_figures(const TrialResult& trial) {
    Figures f{};
    f.entries.assign(trial.entries, trial.entries + trial.entry_count);
    f.bonuses = trial.bonuses;
    f.medals = trial.medals;
    f.money = trial.money;
    f.cash = trial.cash;
    f.draws_used = trial.spins == spin_cap && trial.entries[trial.entry_count - 1] < 0
                       ? spin_cap + 1
                       : trial.spins;
    f.slump.assign(trial.slump, trial.slump + slump_points);
    return f;
}

// The trials of a run played in lanes of `unit`, from `boundaries`, in groups as the run makes
// them (the last one short where 1000 does not divide).
std::vector<Figures> lane_run(const TrialRules& rules, LaneUnit unit,
                              const std::vector<TrialBoundary>& boundaries) {
    std::vector<Figures> trials;
    const std::int32_t lanes = lane_engine(unit).lanes;
    const auto group = std::make_unique<TrialResult[]>(max_trials_in_lanes);
    for (std::int32_t first = 0; first < trials_per_run; first += lanes) {
        const std::int32_t count = std::min(lanes, trials_per_run - first);
        play_trials_in_lanes(rules, unit, &boundaries[static_cast<std::size_t>(first)], count,
                             group.get());
        for (std::int32_t i = 0; i < count; ++i)
            trials.push_back(lane_figures(group[static_cast<std::size_t>(i)]));
    }
    return trials;
}

// Checks that `actual` and `expected` hold the same trials, naming the first that differs.
void expect_same_trials(const std::vector<Figures>& actual, const std::vector<Figures>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    const auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (differ.first != actual.end())
        ADD_FAILURE() << "trial " << differ.first - actual.begin() << ": "
                      << testing::PrintToString(*differ.first) << " instead of "
                      << testing::PrintToString(*differ.second);
}

// How often the hard cases came up in the runs checked.
struct HardCases {
    int ended_on_7000 = 0;     // a bonus on the 7000th spin ended the trial
    int ended_on_7500 = 0;     // a bonus on the last spin there can be
    int capped = 0;            // no bonus from the 7000th spin on
    int winning_cap_draw = 0;  // the cap, on a draw that would have been a bonus
    int bonus_on_6999 = 0;     // a bonus on the 6999th spin, which did not end the trial
};

void count_hard_cases(const Figures& trial, std::int32_t hit_threshold, std::uint32_t start_state,
                      HardCases* cases) {
    cases->ended_on_7000 += trial.draws_used == 7000 ? 1 : 0;
    cases->ended_on_7500 += trial.draws_used == 7500 ? 1 : 0;
    cases->capped += trial.draws_used == 7501 ? 1 : 0;
    if (trial.draws_used == 7501) {
        const std::uint32_t cap_state = random_leap_from(start_state, random_leap(7501));
        cases->winning_cap_draw += random_value(cap_state) <= hit_threshold ? 1 : 0;
    }
    std::int64_t spin = 0;
    for (const std::int32_t entry : trial.entries) {
        spin += entry;
        cases->bonus_on_6999 += entry > 0 && spin == 6999 ? 1 : 0;
    }
}

// The runs every unit is checked on, with the model's trials and boundaries, worked out once.
struct CheckedRun {
    std::uint32_t seed;
    Settings settings;
    SerialRun model;
};

const std::vector<CheckedRun>& checked_runs() {
    static const std::vector<CheckedRun> runs = [] {
        const std::pair<std::uint32_t, Settings> settings[] = {
            {12345, {240, 260.0f, 7}},
            {1, {1000, 720.0f, 10}},  // rare bonuses: caps, and trials that end on 7000 or 7500
            {2, {1000, 120.0f, 5}},
            {3, {1000, 360.0f, 6}},                           // L = 1 exactly
            {4, {100, 120.0f, 9}},                            // frequent bonuses, L = 3
            {5, {100, 720.0f, 8}},                            // L = 0.5
            {6, {327, 180.0f, 7}},                            // T = 100, L = 2
            {7, {328, std::nextafter(180.0f, 1000.0f), 10}},  // T = 99, L just below 2
            {8, {999, std::nextafter(360.0f, 0.0f), 5}},      // L just above 1
            {0xFFFFFFFFu, {523, 333.3f, 8}},
        };
        std::vector<CheckedRun> made;
        for (const auto& s : settings)
            made.push_back({s.first, s.second, serial_run(s.first, trial_rules(s.second))});
        return made;
    }();
    return runs;
}

TEST(TrialLanes, TheScanFindsEveryTrialWhereTheModelPlayedIt) {
    HardCases hard{};
    for (const CheckedRun& run : checked_runs()) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed);
        const TrialRules rules = trial_rules(run.settings);
        // One slot more than the trials, which the scan must leave alone.
        std::vector<TrialBoundary> boundaries(trials_per_run + 1, TrialBoundary{7u, -1});
        const std::uint32_t after =
            find_trial_boundaries(run.seed, rules.hit_threshold, boundaries.data(), trials_per_run);
        for (std::int32_t i = 0; i < trials_per_run; ++i) {
            const auto t = static_cast<std::size_t>(i);
            ASSERT_EQ(boundaries[t].start_state, run.model.boundaries[t].start_state) << i;
            ASSERT_EQ(boundaries[t].draws, run.model.boundaries[t].draws) << "trial " << i;
            count_hard_cases(run.model.trials[t], rules.hit_threshold, boundaries[t].start_state,
                             &hard);
        }
        EXPECT_EQ(boundaries.back().start_state, 7u);
        EXPECT_EQ(boundaries.back().draws, -1);
        // The state after the last trial: where the next draw would come from.
        const TrialBoundary& last = run.model.boundaries.back();
        EXPECT_EQ(after, random_leap_from(last.start_state,
                                          random_leap(static_cast<std::uint64_t>(last.draws))));
    }
    // The runs above hold the hard cases, so the lanes' comparison below covers them too.
    EXPECT_GT(hard.ended_on_7000, 0);
    EXPECT_GT(hard.ended_on_7500, 0);
    EXPECT_GT(hard.capped, 100);
    EXPECT_GT(hard.winning_cap_draw, 0);
    EXPECT_GT(hard.bonus_on_6999, 0);
}

class EveryUnit : public testing::TestWithParam<LaneUnit> {};

TEST_P(EveryUnit, PlaysTheModelsTrialsAcrossTheSettings) {
    if (!lane_unit_available(detect_lane_units(), GetParam()))
        GTEST_SKIP() << "this processor or build lacks " << lane_engine(GetParam()).name;
    for (const CheckedRun& run : checked_runs()) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed << ", X=" << run.settings.X
                                        << " Y=" << run.settings.Y << " Z=" << run.settings.Z);
        expect_same_trials(lane_run(trial_rules(run.settings), GetParam(), run.model.boundaries),
                           run.model.trials);
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, EveryUnit,
                         testing::Values(LaneUnit::sse2, LaneUnit::avx2, LaneUnit::avx512),
                         [](const testing::TestParamInfo<LaneUnit>& unit_info) {
                             return std::string(lane_engine(unit_info.param).name);
                         });

TEST(LaneEngines, ATableOfTheUnitsThatNamesThemAndTheirLanes) {
    for (std::int32_t i = 0; i < lane_unit_count; ++i) {
        const LaneEngine& engine = lane_engines[i];
        EXPECT_EQ(static_cast<std::int32_t>(engine.unit), i);
        EXPECT_EQ(&lane_engine(engine.unit), &engine);
        EXPECT_LE(engine.lanes, max_trials_in_lanes);
        EXPECT_EQ(engine.play == nullptr, engine.lanes == 0) << engine.name;
    }
}

#if defined(__linux__) && defined(__x86_64__)
// Whether /proc/cpuinfo lists every flag of `flags` for the first processor.
bool cpuinfo_has(std::initializer_list<const char*> flags) {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) != 0) continue;
        line += ' ';
        for (const char* flag : flags) {
            if (line.find(std::string(" ") + flag + " ") == std::string::npos) return false;
        }
        return true;
    }
    return false;
}

TEST(LaneEngines, DetectedAsTheKernelListsThemAndTheWidestChosen) {
    const LaneUnits units = detect_lane_units();
    EXPECT_TRUE(lane_unit_available(units, LaneUnit::sse2));
    EXPECT_EQ(lane_unit_available(units, LaneUnit::avx2), cpuinfo_has({"avx2"}));
    EXPECT_EQ(lane_unit_available(units, LaneUnit::avx512),
              cpuinfo_has({"avx512f", "avx512dq", "avx512bw", "avx512vl"}));
    const LaneUnit widest = lane_unit_available(units, LaneUnit::avx512) ? LaneUnit::avx512
                            : lane_unit_available(units, LaneUnit::avx2) ? LaneUnit::avx2
                                                                         : LaneUnit::sse2;
    EXPECT_EQ(widest_lane_unit(units), widest);
}
#endif

TEST(LaneEngines, ANamedUnitIsTakenOnlyWhenItCanBeUsed) {
    LaneUnits only_sse2{};
    only_sse2.available[0] = true;
    LaneUnits all{};
    for (bool& available : all.available)
        available = true;
    const struct {
        const char* name;
        const LaneUnits& units;
        LaneChoice choice;
        LaneUnit unit;
    } cases[] = {
        {nullptr, all, LaneChoice::chosen, LaneUnit::avx512},
        {"", only_sse2, LaneChoice::chosen, LaneUnit::sse2},
        {"sse2", all, LaneChoice::chosen, LaneUnit::sse2},
        {"avx2", all, LaneChoice::chosen, LaneUnit::avx2},
        {"avx512", all, LaneChoice::chosen, LaneUnit::avx512},
        {"avx2", only_sse2, LaneChoice::unavailable, LaneUnit::sse2},
        {"avx512", only_sse2, LaneChoice::unavailable, LaneUnit::sse2},
        {"AVX2", all, LaneChoice::unknown, LaneUnit::sse2},
        {"avx", all, LaneChoice::unknown, LaneUnit::sse2},
        {"avx2 ", all, LaneChoice::unknown, LaneUnit::sse2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name == nullptr ? "(none)" : c.name);
        LaneUnit unit = LaneUnit::sse2;
        EXPECT_EQ(choose_lane_unit(c.name, c.units, &unit), c.choice);
        EXPECT_EQ(unit, c.unit);
    }
}

#if GTEST_HAS_DEATH_TEST
TEST(LaneEnginesDeathTest, AGroupLargerThanTheLanesStopsTheProgram) {
    const TrialRules rules = trial_rules(Settings{240, 260.0f, 7});
    const LaneEngine& sse2 = lane_engine(LaneUnit::sse2);
    std::vector<TrialBoundary> boundaries(max_trials_in_lanes);
    find_trial_boundaries(1, rules.hit_threshold, boundaries.data(), max_trials_in_lanes);
    const auto trials = std::make_unique<TrialResult[]>(max_trials_in_lanes);
    EXPECT_DEATH(play_trials_in_lanes(rules, LaneUnit::sse2, boundaries.data(), sse2.lanes + 1,
                                      trials.get()),
                 "");
}
#endif

}  // namespace
