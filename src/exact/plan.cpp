// plan.cpp - a pass over every run's state, spin by spin.
//
// After n spins a run is in state (b, k): b bonuses, k purchases after the first. Its medals are
// m(n, b, k) = 50 (k + 1) + 360 b - L (n - b), counted exactly as whole numbers over 2^shift, so
// the state is all a plan needs. A spin moves a row's probability two ways: a bonus takes it to
// row b + 1 at the same k, a loss keeps it in row b, and the lowest count of a row that holds a
// medal is the only one a loss can take below one medal (the counts are 50 medals apart and a
// loss is at most 50), which buys once more and moves it to k + 1. So a row is a run of counts
// from lo to hi, and a spin is two plain loops over it.
//
// What a pass lets go, counted in PlanPass::left_out: a state that ends up at the edge of its
// row with less than 2^-80 of probability, and a bonus out of the last row kept, which holds
// less than 2^-80 of probability at the player's odds. A pass advances fewer than 2^27 states,
// each let go at most once, so all it lets go is below 2^-53 of probability, and the means move
// by less than that times the largest profit, 1e-9 yen.
#include "exact/plan.h"

#include <algorithm>
#include <cstddef>

#include "exact/purchase_shares.h"
#include "rules/trial.h"

namespace {

// A state with less probability than this at the edge of its row is let go (see above).
constexpr double edge_below = 0x1p-80;

// The rows a pass keeps: up to the bonus count that more than 2^-80 of the runs pass by the cap.
std::int32_t plan_rows(const ExactRules& rules) {
    const double hit = hit_probability(rules.hit_threshold);
    std::int32_t rows = 1;
    while (rows <= rules.spin_cap && bonuses_beyond(rules.spin_cap, rows, hit) >= edge_below)
        rows += rows < 32 ? 1 : 8;
    return std::min(rows, rules.spin_cap + 1);
}

// The most purchases after the first that a run can need: the one with no bonus to the cap,
// for no run's medals fall below it.
std::int32_t plan_width(const ExactRules& rules) {
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    std::int32_t k = 0;
    while (scaled_medals(rules, rules.spin_cap, 0, k) < one)
        ++k;
    return k + 1;
}

// The profit, in yen, of exchanging the medals `scaled` (over 2^shift) after k purchases.
std::int64_t profit_of(const ExactRules& rules, std::int64_t scaled, std::int64_t k) {
    const auto medals = static_cast<std::int32_t>(scaled >> rules.loss_shift);
    return cash_for_medals(medals, rules.exchange_rate) - purchase_price * (k + 1);
}

// What a pass works with besides the grid.
struct Pass {
    const ExactRules& rules;
    std::int64_t lowest;  // the profit of the histograms' first bin
    std::int64_t fifty;   // 50 medals, over 2^shift
    bool histograms;      // whether the profits of leaving are asked for
    PlanGrid& grid;       // the states
    PlanPass& out;        // the sums
};

// Ends the runs of probability `w` with k purchases and `profit` after `spins` spins.
void end_runs(Pass* pass, std::size_t k, std::int64_t profit, std::int32_t spins, double w) {
    PlanPass& out = pass->out;
    out.ended[k] += w;
    out.ended_profit[k] += w * static_cast<double>(profit);
    if (profit > 0) out.ended_wins[k] += w;
    out.ended_spins[k] += w * spins;
    if (pass->histograms)
        pass->grid.ended[static_cast<std::size_t>((profit - pass->lowest) / cash_unit)] += w;
}

// The least profit at each of `count` rising `levels` of the histogram `bins` (first bin
// `lowest`): the least v with P(profit <= v) >= level.
void least_profits(const std::vector<double>& bins, std::int64_t lowest, const double* levels,
                   std::size_t count, std::int64_t* out) {
    std::size_t next = 0;
    double below = 0.0;
    for (std::size_t i = 0; i < bins.size() && next < count; ++i) {
        below += bins[i];
        while (next < count && below >= levels[next])
            out[next++] = lowest + cash_unit * static_cast<std::int64_t>(i);
    }
    for (; next < count; ++next)  // the rounding left the last levels unreached
        out[next] = lowest + cash_unit * static_cast<std::int64_t>(bins.size() - 1);
}

// The profit of leaving after `spins` spins: the runs still playing exchange their medals, the
// ended ones keep their profit.
SpinsFigures leave_after(Pass* pass, std::int32_t spins, std::int32_t top) {
    PlanGrid& grid = pass->grid;
    const auto width = static_cast<std::size_t>(pass->out.ended.size());
    grid.histogram = grid.ended;
    for (std::int32_t b = 0; b <= top; ++b) {
        const auto row = static_cast<std::size_t>(b);
        const std::int64_t base = scaled_medals(pass->rules, spins, b, 0);
        for (std::int32_t k = grid.lo[row]; k <= grid.hi[row]; ++k) {
            const std::int64_t profit = profit_of(pass->rules, base + pass->fifty * k, k);
            grid.histogram[static_cast<std::size_t>((profit - pass->lowest) / cash_unit)] +=
                grid.mass[row * width + static_cast<std::size_t>(k)];
        }
    }
    SpinsFigures figures{spins, 0.0, 0.0, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < grid.histogram.size(); ++i) {
        const std::int64_t profit = pass->lowest + cash_unit * static_cast<std::int64_t>(i);
        figures.profit_mean += static_cast<double>(profit) * grid.histogram[i];
        if (profit > 0) figures.win_probability += grid.histogram[i];
    }
    const double levels[] = {0.05, 0.25, 0.5, 0.75, 0.95};
    std::int64_t at[5];
    least_profits(grid.histogram, pass->lowest, levels, 5, at);
    figures.p05 = at[0];
    figures.p25 = at[1];
    figures.p50 = at[2];
    figures.p75 = at[3];
    figures.p95 = at[4];
    return figures;
}

}  // namespace

void plan_pass(const ExactRules& rules, std::int64_t target, std::int32_t spin_step,
               PlanGrid* grid_in, PlanPass* pass_out) {
    PlanGrid& grid = *grid_in;
    PlanPass& out = *pass_out;
    const std::int32_t rows = plan_rows(rules);
    const std::int32_t width = plan_width(rules);
    const auto w = static_cast<std::size_t>(width);
    out = PlanPass{};
    for (std::vector<double>* sums : {&out.ended, &out.ended_profit, &out.ended_wins,
                                      &out.ended_spins, &out.ruined, &out.ruined_spins})
        sums->assign(w, 0.0);
    grid.mass.assign(static_cast<std::size_t>(rows) * w, 0.0);
    grid.lo.assign(static_cast<std::size_t>(rows), width);
    grid.hi.assign(static_cast<std::size_t>(rows), -1);
    const std::int64_t lowest = -std::int64_t{purchase_price} * width;
    const std::int64_t most_medals = scaled_medals(rules, 0, rows, width) >> rules.loss_shift;
    const std::int64_t highest =
        cash_for_medals(static_cast<std::int32_t>(most_medals), rules.exchange_rate);
    grid.ended.assign(
        spin_step > 0 ? static_cast<std::size_t>((highest - lowest) / cash_unit) + 1 : 0, 0.0);
    const std::int64_t fifty = std::int64_t{medals_per_purchase} << rules.loss_shift;
    Pass pass{rules, lowest, fifty, spin_step > 0, grid, out};

    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    grid.mass[0] = 1.0;
    grid.lo[0] = grid.hi[0] = 0;
    std::int32_t top = 0;  // the last row that may hold probability
    for (std::int32_t n = 0; n < rules.spin_cap; ++n) {
        const std::int32_t spin = n + 1;
        const bool ends = spin >= rules.ending_spin;  // a bonus on this spin ends the run
        if (top + 1 == rows) {                        // the last row's bonuses are let go
            const auto last = static_cast<std::size_t>(top);
            for (std::int32_t k = grid.lo[last]; k <= grid.hi[last]; ++k)
                out.left_out += hit * grid.mass[last * w + static_cast<std::size_t>(k)];
        }
        const std::int32_t new_top = std::min(top + 1, rows - 1);
        for (std::int32_t b = new_top; b >= 0; --b) {
            const auto row_index = static_cast<std::size_t>(b);
            double* row = &grid.mass[row_index * w];
            std::int32_t a0 = grid.lo[row_index];
            std::int32_t a1 = grid.hi[row_index];
            std::int32_t c0 = width;
            std::int32_t c1 = -1;
            const double* up = nullptr;
            if (b > 0) {
                c0 = grid.lo[row_index - 1];
                c1 = grid.hi[row_index - 1];
                up = &grid.mass[(row_index - 1) * w];
            }
            const std::int64_t base = scaled_medals(rules, spin, b, 0);  // at k = 0
            // The bonuses into this row: every one ends the run from the ending spin on, and
            // those that reach the target end it before. The profit falls (or stays) as k
            // rises, since 50 more medals fetch at most two cash units, 1000 yen: the counts
            // that reach the target are the first ones.
            if (ends) {
                for (std::int32_t k = c0; k <= c1; ++k)
                    end_runs(&pass, static_cast<std::size_t>(k),
                             profit_of(rules, base + fifty * k, k), spin,
                             hit * up[static_cast<std::size_t>(k)]);
                c1 = -1;
            } else if (target != no_limit) {
                for (; c0 <= c1; ++c0) {
                    const std::int64_t profit = profit_of(rules, base + fifty * c0, c0);
                    if (profit < target) break;
                    end_runs(&pass, static_cast<std::size_t>(c0), profit, spin,
                             hit * up[static_cast<std::size_t>(c0)]);
                }
            }
            // The losses: the row stays, its lowest count buying once more if it must.
            for (std::int32_t k = a0; k <= a1; ++k)
                row[k] = miss * row[k];
            if (a0 <= a1 && base + fifty * a0 < one) {
                const double bought = row[a0];
                out.ruined[static_cast<std::size_t>(a0)] += bought;
                out.ruined_spins[static_cast<std::size_t>(a0)] += bought * spin;
                row[a0 + 1] += bought;
                row[a0] = 0.0;
                a1 = std::max(a1, a0 + 1);
                ++a0;
            }
            for (std::int32_t k = c0; k <= c1; ++k)
                row[k] += hit * up[k];
            std::int32_t lo = std::min(a0 <= a1 ? a0 : width, c0 <= c1 ? c0 : width);
            std::int32_t hi = std::max(a1, c1);
            out.cells += hi >= lo ? hi - lo + 1 : 0;
            while (lo <= hi && row[lo] < edge_below) {
                out.left_out += row[lo];
                row[lo++] = 0.0;
            }
            while (hi >= lo && row[hi] < edge_below) {
                out.left_out += row[hi];
                row[hi--] = 0.0;
            }
            grid.lo[row_index] = hi >= lo ? lo : width;
            grid.hi[row_index] = hi >= lo ? hi : -1;
        }
        top = new_top;
        while (top > 0 && grid.hi[static_cast<std::size_t>(top)] < 0)
            --top;
        if (spin_step > 0 && spin % spin_step == 0 && spin < rules.spin_cap)
            out.by_spins.push_back(leave_after(&pass, spin, top));
    }
    // The cap: every run still playing ends.
    for (std::int32_t b = 0; b <= top; ++b) {
        const auto row_index = static_cast<std::size_t>(b);
        const std::int64_t base = scaled_medals(rules, rules.spin_cap, b, 0);
        for (std::int32_t k = grid.lo[row_index]; k <= grid.hi[row_index]; ++k)
            end_runs(&pass, static_cast<std::size_t>(k), profit_of(rules, base + fifty * k, k),
                     rules.spin_cap, grid.mass[row_index * w + static_cast<std::size_t>(k)]);
        grid.lo[row_index] = width;
        grid.hi[row_index] = -1;
    }
    if (spin_step > 0 && rules.spin_cap % spin_step == 0)
        out.by_spins.push_back(leave_after(&pass, rules.spin_cap, -1));
}

BudgetTargetFigures budget_target_figures(const PlanPass& pass, std::int64_t budget,
                                          std::int64_t target) {
    BudgetTargetFigures figures{budget, target, 0.0, 0.0, 0.0, 0.0};
    // A budget of B allows B / 1000 - 1 purchases after the first.
    const std::size_t counts = pass.ended.size();
    const std::size_t allowed =
        budget == no_limit
            ? counts - 1
            : std::min(counts - 1, static_cast<std::size_t>(budget / purchase_price - 1));
    for (std::size_t k = 0; k <= allowed; ++k) {
        figures.profit_mean += pass.ended_profit[k];
        figures.win_probability += pass.ended_wins[k];
        figures.spins_mean += pass.ended_spins[k];
    }
    if (budget != no_limit) {
        figures.ruin_probability = pass.ruined[allowed];
        figures.profit_mean -= static_cast<double>(budget) * pass.ruined[allowed];
        figures.spins_mean += pass.ruined_spins[allowed];
    }
    return figures;
}

void compute_plans(const ExactRules& rules, std::vector<BudgetTargetFigures>* budget_target,
                   std::vector<SpinsFigures>* by_spins) {
    PlanGrid grid;
    PlanPass pass;
    constexpr std::size_t targets = sizeof plan_targets / sizeof plan_targets[0];
    constexpr std::size_t budgets = sizeof plan_budgets / sizeof plan_budgets[0];
    std::vector<BudgetTargetFigures> table(budgets * targets);
    for (std::size_t t = 0; t < targets; ++t) {
        const bool leaving = plan_targets[t] == no_limit;
        plan_pass(rules, plan_targets[t], leaving ? plan_spin_step : 0, &grid, &pass);
        if (leaving) *by_spins = pass.by_spins;
        for (std::size_t b = 0; b < budgets; ++b)
            table[b * targets + t] = budget_target_figures(pass, plan_budgets[b], plan_targets[t]);
    }
    *budget_target = table;
}
