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
// The computation has two parts, neither tied to one odds:
// - After the 6999 spins that every trial plays, a trial with b bonuses is equally likely to
//   have had them on any b of the spins, so the spread of its purchases given b is the same at
//   every odds (purchase_shares.h). The odds weigh the rows by the binomial probability of b.
// - From then on, a trial's outcome is fixed by the losing spins j before its first bonus,
//   which has the probability q^j p (q^J for none up to the cap). Each row's figures change only
//   at a few j (endings.h), and the means at any odds are sums of q^j times those changes.
// Every step is one IEEE operation (no exp, log or pow), so the figures have the same bits on
// every platform.
//
// What is left out, at every odds from X = 100 to 1000: the rows beyond the last one kept,
// under 2e-27 of probability (purchase_shares.cpp); the tail of a dead row's paths past a term
// of 2^-70, under 1e-19 of any share; and, in the curves over the odds and in the distributions
// at the outcome's own odds, rows below 2^-80 of probability, under 2e-22 in all (the player's
// own means count every row). Means move by less than 1e-12 yen for it; the rounding of the shares,
// within 2e-15 of a plain per-spin computation in the tests, moves the means by less than 1e-6 yen
// and the probabilities by less than 1e-12.
#ifndef QUORVANTELMIX_EXACT_H
#define QUORVANTELMIX_EXACT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exact/endings.h"
#include "exact/exact_rules.h"
#include "exact/purchase_shares.h"

// The distribution of one trial.
struct ExactOutcome {
    double spins_mean{};              // spins played
    double bonuses_mean{};            // bonuses won
    double lost_probability{};        // the probability that the computation leaves out
    std::vector<double> purchases{};  // [k]: P(k + 1 purchases, that is (k + 1) * 1000 yen paid)
    std::int64_t profit_first{};      // the profit of profits[0], in yen
    std::vector<double> profits{};    // [i]: P(profit = profit_first + 500 i)
    std::int32_t spins_played{};      // n: the spins every trial plays, 6999
    std::int32_t rows{};              // the bonus counts kept after them
    RowEndings endings{};             // each row's figures over the spins that can end a trial
    std::int64_t terms{};             // the products summed, for the benchmark
};

// Computes the distribution of one trial under `rules`, its distributions at rules'
// own odds.
void exact_outcome(const ExactRules& rules, ExactOutcome* outcome);

// Whether an outcome keeps its distributions of the purchases and the profit, or only what
// its means need.
enum class Distributions { kept, left_out };

// The same from `shares`, the purchases given the bonuses, which do not depend on the odds
// or the exchange rate: one computation of them serves every exchange rate.
void exact_outcome_from(const ExactRules& rules, const PurchaseShares& shares,
                        Distributions distributions, ExactOutcome* outcome);

// The means of one trial at odds T = `hit_threshold` (any T from 0 to 32766).
struct ExactMeans {
    double profit_mean;            // yen: cash at Z minus money paid
    double win_probability;        // P(profit > 0)
    double equal_profit_mean;      // the same with the medals exchanged at 5 for 100 yen
    double equal_win_probability;  // likewise
};

// The means at odds T = `hit_threshold`, every row counted: the figures of the player's odds.
ExactMeans exact_means(const ExactOutcome& outcome, std::int32_t hit_threshold);

// The medals' exchange whose figures exact_means_at works out.
enum class Exchange {
    at_rate,  // at Z for 100 yen: profit_mean and win_probability
    equal,    // at 5 for 100 yen: equal_profit_mean and equal_win_probability
};

// The means at the `count` odds of `hit_thresholds` into `means`, eight at a time, for the
// curves over the odds: only `exchange`'s two figures (the others are 0), and at each odds the
// rows less probable than 2^-80 left out, under 2e-22 of probability in all.
void exact_means_at(const ExactOutcome& outcome, Exchange exchange,
                    const std::int32_t* hit_thresholds, std::size_t count, ExactMeans* means);

#endif
