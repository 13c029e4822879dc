// trial.h - the model of long play at the machine: one trial of up to 7500 spins, its figures,
// and the totals of a run.
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

#include "rules/random_source.h"
#include "rules/settings_values.h"

// Trials in a run; the averages divide the run's totals by it.
constexpr std::int32_t trials_per_run = 1000;

// A bonus on this spin or a later one ends the trial.
constexpr std::int32_t spins_to_end = 7000;

// Spins a trial plays at most; the draw after the last of them ends the trial at the cap.
constexpr std::int32_t spin_cap = 7500;

// Most draws one trial takes: one for each spin up to the cap and the one that finds the cap.
constexpr std::int32_t max_draws_per_trial = spin_cap + 1;

// Most entries a trial can record: a bonus on each of the first 7000 spins ends it with 7000,
// and 6999 bonuses followed by the cap entry make 7000 as well.
constexpr std::int32_t max_entries_per_trial = 7000;

// Spins that every trial plays before the first one that can end it.
constexpr std::int32_t spins_before_end = spins_to_end - 1;

// The spins that can end a trial with a bonus: the 7000th to the 7500th.
constexpr std::int32_t spins_that_can_end = spin_cap - spins_to_end + 1;

// Spins between two slump points: the medal difference is taken after every 100th spin.
constexpr std::int32_t slump_step = 100;

// Slump points of a trial: before the first spin and after every slump_step-th up to the 7000th,
// which every trial plays.
constexpr std::int32_t slump_points = spins_to_end / slump_step + 1;

// The figures of one finished trial.
struct TrialResult {
    std::int32_t entries[max_entries_per_trial];  // spins to each bonus; a cap entry is negative
    std::int32_t entry_count;                     // entries recorded, 1 to max_entries_per_trial
    std::int32_t bonuses;                         // H: the entries that are bonuses
    std::int32_t medals;                          // N: medals left, truncated to whole medals
    std::int32_t money;                           // W: yen paid for medals, -1000 or less
    std::int32_t cash;                            // K: yen received for the medals left
    std::int32_t spins;                           // spins played, 7000 to 7500
    // The medal difference (medals held minus medals bought, truncated toward zero) before the
    // first spin and after every slump_step-th: the slump graph of the trial.
    std::int32_t slump[slump_points];
};

// Sums over the trials of a run, in 64 bits so that no run can overflow them.
struct RunTotals {
    std::int64_t bonuses;  // sum of H
    std::int64_t medals;   // sum of N
    std::int64_t profit;   // sum of K + W, in yen
};

/* ------------------------------- the rules of play ------------------------------- */

// Medals bought at a time, the first ones of a trial as every refill.
constexpr std::int32_t medals_per_purchase = 50;

// Yen paid for them.
constexpr std::int32_t purchase_price = 1000;

// Medals that a bonus pays.
constexpr std::int32_t bonus_medals = 360;

// A losing spin costs this / Y medals.
constexpr double spin_cost_numerator = 360.0;

// A cash unit is this many times Z medals...
constexpr std::int32_t medals_per_cash_unit = 5;

// ...and is worth this many yen.
constexpr std::int32_t cash_unit = 500;

// The pace of play that turns spins into hours at the machine: 800 spins an hour.
constexpr std::int32_t spins_per_hour = 800;

// What every trial of a run shares, worked out once from the settings.
struct TrialRules {
    std::int32_t hit_threshold;  // T = 32767 / X: a draw of T or less is a bonus
    float loss_per_spin;         // L = 360 / Y, rounded to a float: the medals a losing spin costs
    float refill_below;          // a losing spin from fewer medals than this leaves less than one
    std::int32_t exchange_rate;  // Z: the medals worth 100 yen
};

// The probability that a spin wins a bonus at the hit threshold `hit_threshold`: the draws of T
// or less, (T + 1) / 32768.
inline double hit_probability(std::int32_t hit_threshold) {
    return static_cast<double>(hit_threshold + 1) / (random_max + 1);
}

// The rules of a run with `settings`, which must be valid.
TrialRules trial_rules(const Settings& settings);

// The smallest float that is not below 1 + `loss_per_spin`: a losing spin that starts from
// fewer medals than this leaves less than one medal, counted exactly, before any rounding.
float refill_limit(float loss_per_spin);

// The yen paid for `medals` medals at the exchange rate `exchange_rate` (medals worth 100 yen):
// whole 100-yen units first, then whole 500-yen units of them. 699 medals at 7 make 9500 yen.
std::int32_t cash_for_medals(std::int32_t medals, std::int32_t exchange_rate);

// The medal difference of the slump graph: `medals` held minus the medals bought for `money`
// yen (50 for every 1000, the first 50 included), truncated toward zero. The difference is exact
// in a double.
inline std::int32_t medal_difference(float medals, std::int32_t money) {
    const std::int32_t purchases = -money / purchase_price;  // the first medals count as one
    return static_cast<std::int32_t>(static_cast<double>(medals) -
                                     static_cast<double>(medals_per_purchase) * purchases);
}

// Fills in the figures of a trial whose entries are recorded, that played `spins` spins and
// ended with `medals` medals and `money` yen paid: its bonuses, medals left, money, cash and spins.
void finish_trial(const TrialRules& rules, float medals, std::int32_t money, std::int32_t spins,
                  TrialResult* trial);

// An average over the run: `total` divided by trials_per_run, truncated toward zero. No trial's
// figure comes near 2^31 in size (its profit is some 50 million yen at most), so neither does
// their mean.
std::int32_t average_per_trial(std::int64_t total);

#endif
