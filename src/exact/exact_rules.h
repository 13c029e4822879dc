// exact_rules.h - the rules of play as the exact computation takes them: whole numbers, the
// medals counted exactly, and the lengths of a trial as parameters.
#ifndef QUORVANTELMIX_EXACT_RULES_H
#define QUORVANTELMIX_EXACT_RULES_H

#include <cstdint>

#include "rules/trial.h"

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

// The medals, times 2^loss_shift, after `spins` spins with `bonuses` bonuses and `purchases`
// purchases after the first.
inline std::int64_t scaled_medals(const ExactRules& rules, std::int64_t spins, std::int64_t bonuses,
                                  std::int64_t purchases) {
    const std::int64_t bought_and_won =
        medals_per_purchase * (purchases + 1) + bonus_medals * bonuses;
    return bought_and_won * (std::int64_t{1} << rules.loss_shift) -
           static_cast<std::int64_t>(rules.loss_scaled) * (spins - bonuses);
}

// A cash unit, 5 Z medals, times 2^loss_shift.
inline std::int64_t scaled_cash_unit(const ExactRules& rules) {
    return std::int64_t{medals_per_cash_unit} * rules.exchange_rate << rules.loss_shift;
}

// The exact rules of a run with `rules`, its trials of the game's lengths, for its own odds
// and those of every X from 100 to 1000.
ExactRules exact_rules(const TrialRules& rules);

#endif
