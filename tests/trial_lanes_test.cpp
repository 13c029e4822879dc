// trial_lanes_test.cpp - the trials in lanes against the serial loop and the step-by-step model,
// trial by trial, for every vector unit this machine has; the boundary scan against the draws
// played one by one; the generator's leaps against its steps.
#include "trial_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "model.h"
#include "random_source.h"

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

// A run's trials as the serial loop plays them from `seed`, with where each began.
struct SerialRun {
    std::vector<TrialBoundary> boundaries;
    std::vector<Figures> trials;
};

SerialRun serial_run(std::uint32_t seed, const TrialRules& rules) {
    SerialRun run;
    random_seed(seed);
    std::uint32_t state = seed;  // stepped one draw at a time beside the trials
    const auto window = std::make_unique<DrawWindow>();
    fill_draw_window(window.get());
    for (std::int32_t i = 0; i < trials_per_run; ++i) {
        const std::vector<std::int32_t> draws(window->draws, window->draws + max_draws_per_trial);
        const Figures trial = played_trial(rules, draws);
        run.boundaries.push_back(TrialBoundary{state, trial.draws_used});
        for (std::int32_t d = 0; d < trial.draws_used; ++d)
            state = random_next_state(state);
        run.trials.push_back(trial);
        advance_draw_window(window.get(), trial.draws_used);
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
    const auto group = std::make_unique<TrialResult[]>(max_trials_in_lanes);
    for (std::int32_t first = 0; first < trials_per_run; first += trials_in_lanes(unit)) {
        const std::int32_t count = std::min(trials_in_lanes(unit), trials_per_run - first);
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

TEST(TrialLanes, EveryUnitPlaysTheSerialLoopsTrialsAcrossTheSettings) {
    const struct {
        std::uint32_t seed;
        Settings settings;
    } runs[] = {
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
    const LaneUnit units[] = {LaneUnit::sse2, LaneUnit::avx2, LaneUnit::avx512};
    HardCases hard{};
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed << ", X=" << run.settings.X
                                        << " Y=" << run.settings.Y << " Z=" << run.settings.Z);
        const TrialRules rules = trial_rules(run.settings);
        const SerialRun serial = serial_run(run.seed, rules);

        // The scan finds every trial where the serial loop played it.
        std::vector<TrialBoundary> boundaries(trials_per_run);
        find_trial_boundaries(run.seed, rules.hit_threshold, boundaries.data(), trials_per_run);
        for (std::int32_t i = 0; i < trials_per_run; ++i) {
            const auto t = static_cast<std::size_t>(i);
            ASSERT_EQ(boundaries[t].start_state, serial.boundaries[t].start_state) << "trial " << i;
            ASSERT_EQ(boundaries[t].draws, serial.boundaries[t].draws) << "trial " << i;
            count_hard_cases(serial.trials[t], rules.hit_threshold, boundaries[t].start_state,
                             &hard);
        }

        for (const LaneUnit unit : units) {
            if (!lane_unit_available(unit)) continue;
            SCOPED_TRACE(testing::Message() << "lanes " << trials_in_lanes(unit));
            expect_same_trials(lane_run(rules, unit, boundaries), serial.trials);
        }
    }
    // The runs above hold the hard cases, so the comparison covered them.
    EXPECT_GT(hard.ended_on_7000, 0);
    EXPECT_GT(hard.ended_on_7500, 0);
    EXPECT_GT(hard.capped, 100);
    EXPECT_GT(hard.winning_cap_draw, 0);
    EXPECT_GT(hard.bonus_on_6999, 0);
}

TEST(TrialLanes, TheWidestUnitPlaysTheModelsTrials) {
    const TrialRules rules = trial_rules(Settings{240, 260.0f, 7});
    const std::vector<Figures> model = model_run(2024, rules);
    std::vector<TrialBoundary> boundaries(trials_per_run);
    find_trial_boundaries(2024, rules.hit_threshold, boundaries.data(), trials_per_run);
    expect_same_trials(lane_run(rules, widest_lane_unit(), boundaries), model);
}

}  // namespace
