// plan.h - a day played to a plan: a budget that ends play when it is spent, a target that ends
// it when the medals would fetch that much more than was paid, and leaving after some spins.
//
// The rules are the exact figures' (exact.h), with the plan's limits on top of the day's own end:
// - Budget B: a purchase that would take the money paid above B is not made; the player leaves
//   with less than one medal, worth nothing: a profit of -B, ruined. The losing spin that called
//   for the purchase was played.
// - Target G: after a bonus, if the cash the medals fetch minus the money paid is G or more, the
//   player exchanges and leaves. Only a bonus raises the medals, so this is every spin's check.
// - Leaving after S spins: the medals are exchanged after spin S, a purchase it forced included.
//
// A budget of B ruins the runs that without it would need more than B, at the spin of that
// purchase, and leaves every other run as it was: one pass with no budget serves all budgets.
// A target stops runs, which changes what follows, so each target takes a pass of its own.
#ifndef QUORVANTELMIX_PLAN_H
#define QUORVANTELMIX_PLAN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exact/exact_rules.h"
#include "rules/vector_unit.h"

// A budget or a target of none.
constexpr std::int64_t no_limit = 0;

// The budgets and targets of the page's table, in yen.
constexpr std::int64_t plan_budgets[] = {10000, 20000, 30000, 50000, 100000, no_limit};
constexpr std::int64_t plan_targets[] = {no_limit, 10000, 20000, 30000, 50000, 100000};

// The spins after which the profit of leaving is worked out: every 100th.
constexpr std::int32_t plan_spin_step = 100;

// A day under a budget and a target.
struct BudgetTargetFigures {
    std::int64_t budget;      // B, yen; no_limit for none
    std::int64_t target;      // G, yen; no_limit for none
    double profit_mean;       // yen
    double win_probability;   // P(profit > 0)
    double ruin_probability;  // P(the budget ran out)
    double spins_mean;        // spins played, the one whose purchase was refused included
};

// The profit of leaving after some spins (a day that ends sooner counts with its own end).
struct SpinsFigures {
    std::int32_t spins;      // S
    double profit_mean;      // yen
    double win_probability;  // P(profit > 0)
    // Yen: the least profit v with P(profit <= v) >= 5 %, 25 %, 50 %, 75 %, 95 %.
    std::int64_t p05, p25, p50, p75, p95;
    // Yen: the same levels as mid-quantiles (numbers.h), which move smoothly from one spin to
    // the next where the nearest-rank ones jump a cash unit.
    double mid[5];
};

// What one pass under one target leaves, by the purchases after the first, k: enough to work out
// the figures under every budget.
struct PlanPass {
    std::vector<double> ended;           // [k]: P(the day ends, or reaches the target, with k)
    std::vector<double> ended_profit;    // [k]: the same times the profit, yen
    std::vector<double> ended_wins;      // [k]: P(ending with k and a profit above 0)
    std::vector<double> ended_spins;     // [k]: P(ending with k) times the spins played
    std::vector<double> ruined;          // [k]: P(needing purchase k + 1 after k): ruin under a
                                         // budget of (k + 1) * 1000 yen
    std::vector<double> ruined_spins;    // [k]: the same times the spin that needed it
    std::vector<SpinsFigures> by_spins;  // after every `spin_step`th spin, when asked
    double left_out;                     // the probability the pass let go (see plan_strips.cpp)
    std::int64_t terms;                  // the multiply-adds of its stretches, for the benchmark
};

// Plays every run under `rules` to each of the `count` targets `targets` (no_limit for none)
// into `passes`, one pass a target; the first pass also with the profit of leaving after every
// `spin_step`th spin when `spin_step` is above 0. Its inner loop runs on `unit`, which this
// processor must have; every unit gives the same bits.
void plan_passes(const ExactRules& rules, const std::int64_t* targets, std::size_t count,
                 std::int32_t spin_step, std::vector<PlanPass>* passes,
                 VectorUnit unit = VectorUnit::sse2);

// The figures under the budget `budget` (a multiple of 1000 yen, or no_limit) of the pass played
// to `target`.
BudgetTargetFigures budget_target_figures(const PlanPass& pass, std::int64_t budget,
                                          std::int64_t target);

// Every budget and target of the table, and the profit of leaving after every 100th spin, worked
// out on `unit`.
void compute_plans(const ExactRules& rules, VectorUnit unit,
                   std::vector<BudgetTargetFigures>* budget_target,
                   std::vector<SpinsFigures>* by_spins);

#endif
