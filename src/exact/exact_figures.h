// exact_figures.h - what the report page shows of one trial computed exactly: the means, the
// cash a budget needs, the mean profit at every setting of the odds with the break-even, and the
// exact distribution of the profit and of the slump graph's medal difference.
#ifndef QUORVANTELMIX_EXACT_FIGURES_H
#define QUORVANTELMIX_EXACT_FIGURES_H

#include <cstdint>
#include <vector>

#include "exact/counter.h"
#include "exact/plan.h"
#include "exact/visits.h"
#include "rules/counter_values.h"
#include "rules/trial.h"
#include "rules/vector_unit.h"

// A budget and the exact probability that a trial needs more cash than it.
struct Shortfall {
    std::int64_t budget;  // yen
    double probability;   // P(money paid > budget)
};

// The exact mean profit and win probability at other odds, the player's Y and Z.
struct OddsFigures {
    std::int32_t x;          // the odds 1 / X
    double profit_mean;      // yen
    double win_probability;  // P(profit > 0)
};

// The exact mean profit, win probability and break-even X at another hall's exchange rate, the
// player's X and Y.
struct ExchangeFigures {
    std::int32_t z;             // medals for 100 yen
    double profit_mean;         // yen
    double win_probability;     // P(profit > 0)
    std::int32_t break_even_x;  // the largest X whose mean profit is >= 0; 0 for none
};

// The smallest round budget that a trial outruns with a probability of `level` or less.
struct BudgetLevel {
    double level;         // the probability of running dry that the budget keeps to
    std::int64_t budget;  // yen: rounded up to 10,000 (to 1,000 below 10,000)
    double probability;   // P(money paid > budget)
};

// The levels of the budget table: a half, a quarter, a tenth, one in 20, 100 and 1000.
constexpr double shortfall_levels[] = {0.5, 0.25, 0.1, 0.05, 0.01, 0.001};

// The odds of the curve's close view: most points it takes.
constexpr std::int32_t most_close_odds = 121;

// The quantiles of the slump graph's medal difference drawn as mid-quantiles (numbers.h).
struct SlumpMidQuantiles {
    double p05[slump_points];  // the 5 %
    double p50[slump_points];  // the median
    double p95[slump_points];  // the 95 %
};

// What the data counter's reading says of the machine (counter.h), and a day's exact figures
// averaged over it.
struct CounterFigures {
    bool present = false;                     // a valid reading was given
    std::vector<PosteriorPoint> posterior{};  // each T above 1e-9 (each listed X's T when listed)
    double odds_p05 = 0.0;                    // the odds at the posterior's 5 %, from the most
    double odds_p50 = 0.0;                    // generous, its median and its 95 %
    double odds_p95 = 0.0;
    double beats_break_even = 0.0;  // P(T >= the break-even X's T): the machine pays at this hall
    double profit_mean = 0.0;       // yen: a day's exact mean averaged over the posterior
    double win_probability = 0.0;   // likewise the probability of a win
    double consistency = 0.0;       // at the player's X: P(a bonus count at least as far from N p)
    double dropped = 0.0;           // the probability the posterior counted as 0, at most
};

// The exact figures of one trial under the run's rules, computed rather than sampled.
struct ExactFigures {
    double profit_mean{};                // yen
    double win_probability{};            // P(profit > 0)
    double equal_profit_mean{};          // the same, the medals exchanged at 5 for 100 yen
    double equal_win_probability{};      // likewise
    double spins_mean{};                 // spins played
    double bonuses_mean{};               // bonuses won
    double profit_per_1000_spins{};      // profit_mean / spins_mean * 1000
    double profit_per_hour{};            // profit_mean / spins_mean * spins_per_hour
    double lost_probability{};           // the probability of the states the computation dropped
    std::int64_t money_paid_p50{};       // the smallest B with P(money paid <= B) >= 0.5, yen
    std::int64_t money_paid_p95{};       // likewise 0.95
    std::int64_t money_paid_p99{};       // likewise 0.99
    std::vector<Shortfall> shortfall{};  // budgets 1000, 2000, ... until below 1e-7
    // The same at the exact median, 95 % and 99 % of the money paid, each rounded up to
    // 10,000 yen (to 1,000 below that), each budget once.
    std::vector<Shortfall> budget_table{};
    std::vector<OddsFigures> by_odds{};  // X = 100, 150, ..., 1000 and the player's X
    // The same close to the player's X and both break-evens: every X (or every few) from a
    // little below the least of them to a little above the greatest, so that the curve crosses
    // zero at the break-even.
    std::vector<OddsFigures> by_odds_close{};
    std::vector<BudgetLevel> budget_levels{};  // one row a level, each budget once
    std::int32_t break_even_x{};        // the largest X whose mean profit is >= 0; 0 for none
    std::int32_t break_even_x_equal{};  // the same at 5 medals for 100 yen
    std::int64_t profit_first{};        // the profit of profits[0], in yen
    std::vector<double> profits{};      // [i]: P(profit = profit_first + 500 i)
    // The quantiles of the medal difference after every 100th spin: the 5 %, the median and
    // the 95 %.
    std::int32_t slump_p05[slump_points]{};
    std::int32_t slump_p50[slump_points]{};
    std::int32_t slump_p95[slump_points]{};
    SlumpMidQuantiles slump_mid{};  // the same as mid-quantiles, as the graph draws them
    // [k]: P(k bonuses): the bonuses of the spins every trial plays before the first that can
    // end it, a binomial count, plus one when any of the spins that can end it wins.
    std::vector<double> bonuses{};
    std::vector<ExchangeFigures> by_exchange{};  // Z = 5 to 10, the player's among them
    std::vector<VisitFigures> visits{};          // the total over the days of visit_counts
    // Each budget of plan_budgets under each target of plan_targets, budget by budget.
    std::vector<BudgetTargetFigures> budget_target{};
    std::vector<SpinsFigures> by_spins{};  // leaving after 100, 200, ..., 7500 spins
    // The counted spins that would tell, 90 % sure, that the player's X beats break-even, were
    // the counter to show just the bonuses it predicts (counter.h); 0 for never.
    std::int64_t spins_to_tell{};
    CounterFigures counter{};  // from the data counter's reading, when there is one
};

struct ExactOutcome;  // exact.h

// What the counter's valid `reading` says of the machine whose day `outcome` holds, at the
// player's `player_threshold` and the break-even X `break_even_x` (0 for none): the posterior of
// T, its odds, the probability it beats break-even, a day's exact figures averaged over it, and
// how usual the reading is at the player's X.
void compute_counter_figures(const ExactOutcome& outcome, const CounterReading& reading,
                             std::int32_t player_threshold, std::int32_t break_even_x,
                             CounterFigures* out);

// Which exact figures to work out: a day's alone, or the plans too (other halls' exchange rates,
// many visits, a budget and a target, leaving early).
enum class ExactScope { day, day_and_plans };

// Computes the exact figures of a trial under `run_rules` for the player's `player_x`, from the
// rules alone, and from the data counter's `counter` where it holds a valid reading; the plans'
// inner loop on `unit`, which this processor must have (every unit gives the same bits).
void compute_exact_figures(const TrialRules& run_rules, std::int32_t player_x, ExactFigures* out,
                           ExactScope scope = ExactScope::day_and_plans,
                           const CounterReading* counter = nullptr,
                           VectorUnit unit = VectorUnit::sse2);

#endif
