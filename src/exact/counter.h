// counter.h - which machine it is, from its data counter: the probability of each hit threshold
// T after N spins with k bonuses, and what that says of the odds.
//
// Before the counter every T of the prior is equally likely: each listed X's T (an X listed twice,
// or two X of the same T, counting twice), or else every T from T(1000) = 32 to T(100) = 327.
// After it each T's weight is the prior's times the binomial likelihood p^k (1 - p)^(N - k) at
// p = (T + 1) / 32768, worked out without log, exp or pow, so that every platform has the same
// bits: p and 1 - p are exact doubles, their powers come by repeated squaring with the power of
// two kept apart (Scaled below), and the weights are ratios to the largest. A weight below
// 2^-1000 of the largest counts as 0: each such T has under 2^-1000 of the probability, and the
// figures report the count of them times 2^-1000 as what was dropped.
#ifndef QUORVANTELMIX_COUNTER_H
#define QUORVANTELMIX_COUNTER_H

#include <cstdint>
#include <vector>

// A hit threshold T and its probability after the counter.
struct PosteriorPoint {
    std::int32_t threshold;  // T: a spin wins with probability (T + 1) / 32768
    double odds;             // 32768 / (T + 1): one bonus in so many spins
    double probability;      // the posterior probability of T
};

// The posterior of the hit threshold after `spins` spins with `bonuses` bonuses: every T of the
// prior (the `listed_count` X of `listed`, or all when there are none) with a weight above 0,
// from the most generous T down, into `points`; `*dropped` bounds the probability counted as 0.
void counter_posterior(std::int64_t spins, std::int64_t bonuses, const std::int32_t* listed,
                       std::int32_t listed_count, std::vector<PosteriorPoint>* points,
                       double* dropped);

// The odds at the posterior's `level` (0 to 1), counted from the most generous: the least odds
// whose cumulative probability reaches it.
double posterior_odds(const std::vector<PosteriorPoint>& points, double level);

// The probability, at threshold `threshold`, of a bonus count in `spins` spins at least as far
// from its mean as `bonuses`, either way.
double counter_consistency(std::int64_t spins, std::int64_t bonuses, std::int32_t threshold);

// How many counted spins it takes, if the counter showed just the bonuses that
// `player_threshold` predicts (rounded to whole bonuses), to be 90 % sure that the machine's T is
// at least `break_even_threshold`, with every T equally likely before: the least multiple of 1000
// spins up to max_counted_spins; 0 where no count reaches it.
std::int64_t spins_to_tell(std::int32_t player_threshold, std::int32_t break_even_threshold);

#endif
