// purchase_shares.h - how the purchases spread among the trials that have the same number of
// bonuses after the spins that every trial plays.
//
// Every order of b bonuses among n spins is equally likely at any odds, so the distribution
// of the purchases given b bonuses after n spins is the same at every odds: it is computed once
// and serves every X. The odds only weigh the rows, by the binomial probability of b.
#ifndef QUORVANTELMIX_PURCHASE_SHARES_H
#define QUORVANTELMIX_PURCHASE_SHARES_H

#include <cstdint>
#include <vector>

#include "exact/exact_rules.h"

// For each bonus count b after `spins` spins: P(purchases after the first <= k | b bonuses).
struct PurchaseShares {
    std::int32_t spins{};            // n: the spins played
    std::int32_t rows{};             // bonus counts 0 to rows - 1
    std::int32_t width{};            // purchase counts 0 to width - 1
    std::vector<double> below{};     // [b * width + k]: P(purchases <= k | b), rising to 1
    std::vector<std::int32_t> lo{};  // [b]: the fewest purchases row b can have
    std::vector<std::int32_t> hi{};  // [b]: the first k where below reaches 1
    std::int64_t terms{};            // the products the computation summed, for the benchmark
};

// The rows from 0 bonuses to the most that any odds `rules` asks for can reach with more than
// a negligible probability (see the .cpp), after rules.ending_spin - 1 spins.
void compute_purchase_shares(const ExactRules& rules, PurchaseShares* shares);

// The probability at the odds `hit` of more than `rows` - 1 bonuses in `spins` spins: what the
// rows leave out.
double bonuses_beyond(std::int32_t spins, std::int32_t rows, double hit);

#endif
