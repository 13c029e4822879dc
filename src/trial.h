// trial.h - the model of long play at the machine: one trial of up to 7500 spins, and the run of
// 1000 trials with its totals.
//
// A trial starts with 50 medals bought for 1000 yen. Each spin takes one draw of the random
// source: a draw up to the hit threshold is a bonus worth 360 medals, any other draw a losing
// spin that costs 360 / Y medals. Whenever a losing spin leaves less than one medal, 50 more are
// bought for 1000 yen. The first bonus from the 7000th spin on ends the trial; without one, the
// draw after the 7500th spin finds the cap and ends it without playing. The medals left are then
// exchanged in whole 500-yen units, 5 * Z medals to a unit.
#ifndef QUORVANTELMIX_TRIAL_H
#define QUORVANTELMIX_TRIAL_H

#include <cstdint>
#include <cstdio>

#include "report.h"
#include "settings.h"

// A bonus on this spin or a later one ends the trial.
constexpr std::int32_t spins_to_end = 7000;

// Spins a trial plays at most; the draw after the last of them ends the trial at the cap.
constexpr std::int32_t spin_cap = 7500;

// Most draws one trial takes: one for each spin up to the cap and the one that finds the cap.
constexpr std::int32_t max_draws_per_trial = spin_cap + 1;

// What every trial of a run shares, worked out once from the settings.
struct TrialRules {
    std::int32_t hit_threshold;  // T = 32767 / X: a draw of T or less is a bonus
    float loss_per_spin;         // L = 360 / Y, rounded to a float: the medals a losing spin costs
    float refill_below;          // a losing spin from fewer medals than this leaves less than one
    std::int32_t exchange_rate;  // Z: the medals worth 100 yen
};

// The draws of the random source, taken ahead of the trials: always the next
// max_draws_per_trial draws, in order, so that the spin loop reads them from memory.
struct DrawWindow {
    std::int32_t draws[max_draws_per_trial];  // the next draws, the earliest first
};

// Fills `window` with the next draws of the random source.
void fill_draw_window(DrawWindow* window);

// Drops the first `used` draws of `window`, which a trial has taken, and appends as many new
// draws of the random source: the next trial starts on the draw after the last one taken.
void advance_draw_window(DrawWindow* window, std::int32_t used);

// The rules of a run with `settings`, which must be valid.
TrialRules trial_rules(const Settings& settings);

// The smallest float that is not below 1 + `loss_per_spin`: a losing spin that starts from
// fewer medals than this leaves less than one medal, counted exactly, before any rounding.
float refill_limit(float loss_per_spin);

// The yen paid for `medals` medals at the exchange rate `exchange_rate` (medals worth 100 yen):
// whole 100-yen units first, then whole 500-yen units of them. 699 medals at 7 make 9500 yen.
std::int32_t cash_for_medals(std::int32_t medals, std::int32_t exchange_rate);

// Plays one trial on `draws`, which holds the next max_draws_per_trial draws of the random
// source, and fills `trial` with its figures. Returns how many of the draws the trial took
// (7000 to 7501); the rest belong to the trials after it.
std::int32_t play_trial(const TrialRules& rules, const std::int32_t* draws, TrialResult* trial);

// Adds the figures of a finished trial to the run's totals.
void add_to_totals(RunTotals* totals, const TrialResult& trial);

// Plays the 1000 trials of a run on the random source as it stands, appending each trial's line
// and then the empty line and the averages to `results`.
void simulate_run(std::FILE* results, const Settings& settings);

#endif
