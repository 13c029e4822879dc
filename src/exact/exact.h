// exact.h - the exact distribution of one trial's outcome, computed from the rules of play
// rather than sampled: what the 1000 simulated trials estimate, without their noise.
//
// The rules are the simulation's with the medals in exact real arithmetic: a spin wins a bonus
// with probability p = (T + 1) / 32768 and pays 360 medals; a losing spin from m medals leaves
// m - L (L the float 360 / Y, taken exactly), and when that is below 1, 50 medals are bought for
// 1000 yen. A trial starts with 50 medals bought for 1000 yen, ends at the first bonus from the
// 7000th spin on or after the 7500th spin, and its N = floor(m) medals fetch
// floor(N / (5 Z)) * 500 yen. (The simulation rounds the medals to a float at every change; its
// figures differ from these by that rounding only.)
//
// The state after n spins is (bonuses b, purchases k): the medals are
// 50 (k + 1) + 360 b - L (n - b) whatever the order of the spins, so the two counts say
// everything. The states are advanced spin by spin, each bonus count's purchases as one row of
// probabilities that holds only the band of purchases that can still occur. Every path to a
// state has the probability p^b (1 - p)^(n - b), so one pass at the player's odds serves every
// other odds too: an ended trial's probability at odds p' is its probability at p times
// (p'/p)^b ((1 - p')/(1 - p))^(n - b). The pass keeps the ended trials' sums by (b, n) for that.
//
// A state whose share of its row is below exact_drop_below is dropped, and so is a row that is
// negligible at every odds asked for; what is dropped is counted as lost. Every step is
// one IEEE operation (no exp, log or pow), so the figures have the same bits on every platform.
#ifndef QUORVANTELMIX_EXACT_H
#define QUORVANTELMIX_EXACT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rules/trial.h"

// A state whose share of its row is below this is dropped, and so is a row less probable than
// this at the player's odds and less probable than exact_other_drop_below at every other odds
// asked for. What the drops lose at any odds is bounded as they happen (lost_any_odds): a
// dropped row's probability at the odds where it is largest, and a trimmed state's share of its
// row. Summed over a pass, that bound stays below 1e-9 at every setting the tests take, so the
// means at any odds move by less than a thousandth of a yen (profits stay within 500,000 yen),
// and the probabilities by less than 1e-9.
constexpr double exact_drop_below = 1e-15;
constexpr double exact_other_drop_below = 1e-13;

// The rules of the computation, with the lengths of a trial as parameters (the tests take short
// trials, which they can enumerate).
struct ExactRules {
    std::int32_t hit_threshold;      // T: a spin wins with probability (T + 1) / 32768
    std::uint64_t loss_scaled;       // L * 2^loss_shift, a whole number: L exactly
    std::int32_t loss_shift;         // see loss_scaled
    std::int32_t exchange_rate;      // Z: 5 Z medals fetch 500 yen
    std::int32_t ending_spin;        // a bonus on this spin or a later one ends the trial: 7000
    std::int32_t spin_cap;           // the spins a trial plays at most: 7500
    std::int32_t lowest_threshold;   // the odds that other figures will be asked for: T from
    std::int32_t highest_threshold;  // this low one to this high one (both T for none)
};

// The exact rules of a run with `rules`, its trials of the game's lengths, for its own odds
// and those of every X from 100 to 1000.
ExactRules exact_rules(const TrialRules& rules);

// The sums of the trials that end with a given number of bonuses after a given number of spins,
// at the player's odds: their probability, and that times their purchases and their cash units
// at Z and at 5; and the probability of those that win at Z and at 5.
struct ExactCell {
    double probability, purchases, units, equal_units, wins, equal_wins;
};

// The distribution of one trial's outcome.
struct ExactOutcome {
    double spins_mean{};              // spins played
    double bonuses_mean{};            // bonuses won
    double lost_probability{};        // the probability of the states dropped
    double lost_any_odds{};           // at most that probability at any odds asked for
    std::vector<double> purchases{};  // [k]: P(k + 1 purchases, that is (k + 1) * 1000 yen paid)
    std::int64_t profit_first{};      // the profit of profits[0], in yen
    std::vector<double> profits{};    // [i]: P(profit = profit_first + 500 i)
    // cells[s][b - cells_first_row[s]]: the trials that end after ending_spin + s spins with
    // b bonuses.
    std::vector<std::vector<ExactCell>> cells{};
    std::vector<std::int32_t> cells_first_row{};
    std::int64_t state_updates{};  // the states advanced by a spin, for the benchmark
};

// Computes the distribution of one trial under `rules`.
void exact_outcome(const ExactRules& rules, ExactOutcome* outcome);

// The means of one trial at odds T = `hit_threshold` (any T that `rules` asked for).
struct ExactMeans {
    double profit_mean;            // yen: cash at Z minus money paid
    double win_probability;        // P(profit > 0)
    double equal_profit_mean;      // the same with the medals exchanged at 5 for 100 yen
    double equal_win_probability;  // likewise
};

// The means at odds T = `hit_threshold`, from the outcome computed at rules.hit_threshold.
ExactMeans exact_means(const ExactRules& rules, const ExactOutcome& outcome,
                       std::int32_t hit_threshold);

// The same at the `count` odds of `hit_thresholds` into `means`, several at a time.
void exact_means_at(const ExactRules& rules, const ExactOutcome& outcome,
                    const std::int32_t* hit_thresholds, std::size_t count, ExactMeans* means);

// The p-quantile of the medal difference (medals held minus medals bought, truncated toward
// zero) after `spins` spins, at most the ending spin: it is 360 b - L (spins - b) with b the
// bonuses, a binomial count, so its quantile is that of b. `permille` is p in thousandths.
std::int32_t exact_slump_quantile(const ExactRules& rules, std::int32_t spins,
                                  std::int32_t permille);

#endif
