// trial_test.cpp - one trial on scripted draws, as the step-by-step model (model.h) plays it;
// the rules of a run; the cash rule.
#include "rules/trial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "model.h"
#include "rules/random_source.h"
#include "simulation/results_file.h"

namespace {

// Draws that make a bonus of exactly the spins numbered in `bonus_spins` (from 1; 7501 is the
// draw that finds the cap) and of the first `bonus_run` spins, and a losing spin of every other.
std::vector<std::int32_t> scripted_draws(const std::vector<std::int32_t>& bonus_spins,
                                         std::int32_t bonus_run = 0) {
    std::vector<std::int32_t> draws(max_draws_per_trial, random_max);
    for (std::int32_t i = 0; i < bonus_run; ++i)
        draws[static_cast<std::size_t>(i)] = 0;
    for (const std::int32_t spin : bonus_spins)
        draws[static_cast<std::size_t>(spin - 1)] = 0;
    return draws;
}

// The default settings' rules: T = 136, L = 360 / 260, Z = 7.
TrialRules default_rules() {
    return trial_rules(Settings{240, 260.0f, 7});
}

TEST(TrialRules, FollowFromTheSettings) {
    const struct {
        Settings settings;
        std::int32_t hit_threshold;
        float loss_per_spin;
    } cases[] = {
        {{100, 260.0f, 7}, 327, static_cast<float>(360.0 / 260.0)},
        {{1000, 720.0f, 10}, 32, 0.5f},
        {{240, 120.0f, 5}, 136, 3.0f},
        {{333, 360.0f, 7}, 98, 1.0f},
        // The float below 260 is 259.999969482421875; 360 divided by it rounds to the float
        // above the one that 360 / 260 rounds to.
        {{241, std::nextafter(260.0f, 0.0f), 7}, 135, 1.38461554050445556641f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings.X);
        const TrialRules rules = trial_rules(c.settings);
        EXPECT_EQ(rules.hit_threshold, c.hit_threshold);
        EXPECT_EQ(rules.loss_per_spin, c.loss_per_spin);
        EXPECT_EQ(rules.exchange_rate, c.settings.Z);
    }
}

TEST(TrialRules, RefillLimitSplitsTheMedalsExactlyForEveryY) {
    // For every float Y from 120 to 720: a spin from the limit leaves at least one medal, and
    // a spin from the float just below it leaves less, both counted exactly in a double.
    std::int64_t checked = 0;
    for (float y = 120.0f; y <= 720.0f; y = std::nextafter(y, 1000.0f)) {
        const float loss = static_cast<float>(360.0 / static_cast<double>(y));
        const float limit = refill_limit(loss);
        const float below = std::nextafter(limit, 0.0f);
        if (static_cast<double>(limit) - loss < 1.0 || static_cast<double>(below) - loss >= 1.0)
            FAIL() << "Y = " << y << ": limit " << limit << " for L = " << loss;
        ++checked;
    }
    EXPECT_GT(checked, 20000000);
}

TEST(Trial, ScriptedDrawsGiveTheirEntries) {
    const struct {
        const char* name;
        std::vector<std::int32_t> bonus_spins;
        std::vector<std::int32_t> entries;
        std::int32_t draws_used;
    } cases[] = {
        {"no bonus at all: the cap after 7500 losing spins", {}, {-7501}, 7501},
        {"a bonus on the first draw records 1", {1, 7000}, {1, 6999}, 7000},
        {"a bonus on the 7000th spin ends the trial", {7000}, {7000}, 7000},
        {"a bonus on the 6999th spin does not", {6999}, {6999, -502}, 7501},
        {"the bonus after it does", {6999, 7000}, {6999, 1}, 7000},
        {"a bonus on the 7500th spin is the last one possible", {7500}, {7500}, 7500},
        {"a winning draw at the cap plays no spin", {7501}, {-7501}, 7501},
        {"an early last bonus leaves a long cap entry", {100, 200}, {100, 100, -7301}, 7501},
        {"bonuses before and after the 7000th spin", {3, 6998, 7001}, {3, 6995, 3}, 7001},
    };
    const TrialRules rules = default_rules();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int32_t> draws = scripted_draws(c.bonus_spins);
        const Figures trial_figures = model_trial(rules, draws);
        EXPECT_EQ(trial_figures.entries, c.entries);
        EXPECT_EQ(trial_figures.draws_used, c.draws_used);
        const std::int32_t last = c.entries.back();
        EXPECT_EQ(trial_figures.bonuses, static_cast<std::int32_t>(c.entries.size()) - (last < 0));
    }
}

TEST(Trial, WithoutABonusEverySpinIsPaidFor) {
    // L = 1 exactly: 49 spins bring 50 medals down to 1, the 50th leaves 0 and buys 50 more,
    // so the 7500 spins buy 150 refills and end on 50 medals.
    const TrialRules rules = trial_rules(Settings{240, 360.0f, 7});
    const Figures trial_figures = model_trial(rules, scripted_draws({}));
    EXPECT_EQ(trial_figures.entries, std::vector<std::int32_t>{-7501});
    EXPECT_EQ(trial_figures.bonuses, 0);
    EXPECT_EQ(trial_figures.medals, 50);
    EXPECT_EQ(trial_figures.money, -1000 - 150 * 1000);
    EXPECT_EQ(trial_figures.cash, 500);
}

TEST(Trial, TheMostEntriesATrialCanHoldAreAllRecorded) {
    const struct {
        const char* name;
        std::int32_t bonus_run;
        std::int32_t bonuses;
        std::int32_t last_entry;
    } cases[] = {
        {"a bonus on each of the first 7000 spins", 7000, 7000, 1},
        {"6999 bonuses, then none up to the cap", 6999, 6999, -502},
    };
    const TrialRules rules = default_rules();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int32_t> draws = scripted_draws({}, c.bonus_run);
        const Figures trial_figures = model_trial(rules, draws);
        ASSERT_EQ(trial_figures.entries.size(), static_cast<std::size_t>(max_entries_per_trial));
        EXPECT_EQ(trial_figures.bonuses, c.bonuses);
        EXPECT_EQ(trial_figures.entries.back(), c.last_entry);
    }
}

TEST(Cash, WholeFiveHundredYenUnitsOfTheMedals) {
    const struct {
        std::int32_t medals, exchange_rate, cash;
    } cases[] = {
        {699, 7, 9500},
        {34, 7, 0},
        {35, 7, 500},
        {1, 5, 0},
        {24, 5, 0},
        {25, 5, 500},
        {49, 10, 0},
        {50, 10, 500},
        {99, 10, 500},
        {100, 10, 1000},
        {2520050, 5, 50401000},
        {2520050, 10, 25200500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.medals << " at " << c.exchange_rate);
        EXPECT_EQ(cash_for_medals(c.medals, c.exchange_rate), c.cash);
    }
}

TEST(RunTotals, HoldSumsBeyondThirtyTwoBits) {
    static TrialResult trial;
    trial.bonuses = 7000;
    trial.medals = 2520050;
    trial.money = -1000;
    trial.cash = 50401000;
    RunTotals totals{};
    for (int i = 0; i < trials_per_run; ++i)
        add_to_totals(&totals, trial);
    EXPECT_EQ(totals.bonuses, 7000000);
    EXPECT_EQ(totals.medals, 2520050000);
    EXPECT_EQ(totals.profit, 50400000000);
}

}  // namespace
