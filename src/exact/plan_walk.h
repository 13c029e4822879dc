// plan_walk.h - the second part of a plan's pass: every state at the ending spin followed to its
// end, for all the passes at once.
#ifndef QUORVANTELMIX_PLAN_WALK_H
#define QUORVANTELMIX_PLAN_WALK_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exact/exact_rules.h"
#include "exact/plan.h"
#include "exact/plan_strips.h"

// The states at the ending spin of every pass side by side: state i is (b[i], k[i]) and holds
// mass[i * lanes + p] in pass p.
struct Starts {
    std::size_t lanes{};                 // the passes
    std::vector<std::int32_t> b{}, k{};  // [i]: state i's bonuses and purchases after the first
    std::vector<double> mass{};          // [i * lanes + p]: its probability in pass p
};

// Adds the states of `strips` as lane `lane` of `starts`, which holds the lanes before it: each
// strip's rows become the union of the lanes' rows, a run from lo to hi.
void add_lane(const Strips& strips, std::size_t lane, Starts* starts);

// The first pass's profits of leaving at the checkpoints from the ending spin on, by bin of
// ProfitBins from `lowest`.
struct LateLeaving {
    std::int64_t lowest{};                     // the profit of the first bin
    std::size_t bins{};                        // the bins
    std::vector<std::int32_t> spins{};         // the checkpoints
    std::vector<std::vector<double>> ended{};  // [c]: the runs that end after checkpoint c - 1
                                               // (or the ending spin), up to checkpoint c
    std::vector<std::vector<double>> alive{};  // [c]: the runs still playing at checkpoint c
};

// Follows every state of `starts` from the ending spin to its end, adding what it brings to each
// of `passes`; and to `leaving` (or null), whose lowest and bins are set, the first pass's
// profits of leaving after every `step`th spin.
void walk_states(const ExactRules& rules, const Starts& starts, std::int32_t step,
                 std::vector<PlanPass>* passes, LateLeaving* leaving);

#endif
