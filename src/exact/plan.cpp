// plan.cpp - the plans' passes put together: every run up to the ending spin, one strip of
// purchase counts at a time (plan_strips.cpp); then from the ending spin on, where every bonus
// ends its run and a target no longer matters, each row's runs followed to their end for all
// the passes at once (plan_walk.cpp); and the figures of the budgets, the targets and leaving
// early from what the passes leave.
//
// After n spins a run is in state (b, k): b bonuses, k purchases after the first. Its medals are
// m(n, b, k) = 50 (k + 1) + 360 b - L (n - b), counted exactly as whole numbers over 2^shift, so
// the state is all a plan needs.
//
// What a pass lets go is counted in PlanPass::left_out (see plan_strips.cpp): below 2^-53 of
// probability, which moves the means by less than 1e-9 yen.
#include "exact/plan.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "exact/plan_strips.h"
#include "exact/plan_walk.h"
#include "exact/purchase_shares.h"
#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

// The longest stretch a strip plays in one step: a period of the most medals a spin keeps
// (Y = 720) is three.
constexpr std::int32_t longest_stretch = 256;

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

// The bins of a histogram that hold mass: first to last (none where last < first).
struct Held {
    std::size_t first, last;
};

Held held(const std::vector<double>& bins) {
    std::size_t first = 0;
    while (first < bins.size() && bins[first] == 0.0)
        ++first;
    std::size_t last = bins.size();
    while (last > first && bins[last - 1] == 0.0)
        --last;
    return {first, last == first ? first : last - 1};
}

// The least profit at each of `count` rising `levels` of the histogram `bins` (first bin
// `lowest`): the least v with P(profit <= v) >= level.
void least_profits(const std::vector<double>& bins, Held mass, std::int64_t lowest,
                   const double* levels, std::size_t count, std::int64_t* out) {
    std::size_t next = 0;
    double below = 0.0;
    for (std::size_t i = mass.first; i <= mass.last && i < bins.size() && next < count; ++i) {
        below += bins[i];
        while (next < count && below >= levels[next])
            out[next++] = lowest + cash_unit * static_cast<std::int64_t>(i);
    }
    for (; next < count; ++next)  // the rounding left the last levels unreached
        out[next] = lowest + cash_unit * static_cast<std::int64_t>(bins.size() - 1);
}

// Buffers the figures of leaving reuse.
struct LeavingScratch {
    std::vector<double> bins, values, masses;
};

// The figures of leaving after `spins` spins from the histogram of its profits. The bins that
// hold no mass add nothing to any sum, so only those from the first that holds some to the last
// are read.
SpinsFigures leaving_figures(const std::vector<double>& bins, std::int64_t lowest,
                             std::int32_t spins, LeavingScratch* scratch) {
    SpinsFigures figures{spins, 0.0, 0.0, 0, 0, 0, 0, 0, {}};
    std::vector<double>& values = scratch->values;  // the profits of mass above 0
    std::vector<double>& masses = scratch->masses;
    values.clear();
    masses.clear();
    double total = 0.0;
    const Held mass = held(bins);
    for (std::size_t i = mass.first; i <= mass.last && i < bins.size(); ++i) {
        const std::int64_t profit = lowest + cash_unit * static_cast<std::int64_t>(i);
        figures.profit_mean += static_cast<double>(profit) * bins[i];
        if (profit > 0) figures.win_probability += bins[i];
        if (bins[i] <= 0.0) continue;
        values.push_back(static_cast<double>(profit));
        masses.push_back(bins[i]);
        total += bins[i];
    }
    const double levels[] = {0.05, 0.25, 0.5, 0.75, 0.95};
    for (std::size_t i = 0; i < std::size(levels) && !values.empty(); ++i) {
        figures.mid[i] = mid_quantile(values.data(), masses.data(),
                                      static_cast<std::int32_t>(values.size()), total, levels[i]);
    }
    std::int64_t at[std::size(levels)];
    least_profits(bins, mass, lowest, levels, std::size(levels), at);
    figures.p05 = at[0];
    figures.p25 = at[1];
    figures.p50 = at[2];
    figures.p75 = at[3];
    figures.p95 = at[4];
    return figures;
}

// The figures of leaving after the strips' spins: the runs still playing exchange their medals,
// the ended ones keep their profit. Along a strip the medals rise by 360 + L a row, so the cash
// units follow row by row without dividing.
SpinsFigures leave_after(const Strips& strips, const ProfitBins& ended, LeavingScratch* scratch) {
    const ExactRules& rules = *strips.rules;
    std::vector<double>& bins = scratch->bins;
    bins = ended.p;
    const std::int64_t unit = scaled_cash_unit(rules);
    const std::int64_t rise = (std::int64_t{bonus_medals} << rules.loss_shift) +
                              static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t rise_units = rise / unit;
    const std::int64_t rise_rest = rise % unit;
    for (std::int32_t k = 0; k <= strips.last; ++k) {
        const auto strip = static_cast<std::size_t>(k);
        const std::int32_t lo = strips.lo[strip];
        if (lo > strips.hi[strip]) continue;
        // The whole medals' cash, as the scaled medals over a scaled unit: the same units.
        const std::int64_t medals = scaled_medals(rules, strips.spins, lo, k);
        std::int64_t units = medals / unit;
        std::int64_t rest = medals % unit;
        const double* rows = strip_rows(strips, k);
        for (std::int32_t b = lo; b <= strips.hi[strip]; ++b) {
            bins[bin_of(ended, profit_of_units(units, k))] += rows[b];
            units += rise_units;
            rest += rise_rest;
            if (rest >= unit) {
                rest -= unit;
                ++units;
            }
        }
    }
    return leaving_figures(bins, ended.lowest, strips.spins, scratch);
}

}  // namespace

void plan_passes(const ExactRules& rules, const std::int64_t* targets, std::size_t count,
                 std::int32_t spin_step, std::vector<PlanPass>* passes, VectorUnit unit) {
    const std::int32_t rows = plan_rows(rules);
    const std::int32_t width = plan_width(rules);
    const auto w = static_cast<std::size_t>(width);
    passes->assign(count, PlanPass{});
    // The profits of leaving, from the lowest (every purchase made, nothing left) to the highest.
    ProfitBins ended{-std::int64_t{purchase_price} * width, {}};
    const std::int64_t most_medals = scaled_medals(rules, 0, rows, width) >> rules.loss_shift;
    const std::int64_t highest =
        cash_for_medals(static_cast<std::int32_t>(most_medals), rules.exchange_rate);
    const std::size_t bins = static_cast<std::size_t>((highest - ended.lowest) / cash_unit) + 1;
    const bool leaving = spin_step > 0 && count > 0;
    if (leaving) ended.p.assign(bins, 0.0);
    const std::int32_t played = rules.ending_spin - 1;
    const StretchTables tables = stretch_tables(hit_probability(rules.hit_threshold),
                                                std::clamp(played, 1, longest_stretch));
    Strips strips;
    Starts starts;
    LeavingScratch scratch;
    starts.lanes = count;
    for (std::size_t p = 0; p < count; ++p) {
        PlanPass& out = (*passes)[p];
        for (std::vector<double>* sums : {&out.ended, &out.ended_profit, &out.ended_wins,
                                          &out.ended_spins, &out.ruined, &out.ruined_spins})
            sums->assign(w, 0.0);
        start_strips(rules, tables, targets[p], rows, width, unit, &strips);
        if (p == 0 && leaving) {  // to each checkpoint, and the profits of leaving there
            for (std::int32_t spin = spin_step; spin <= played; spin += spin_step) {
                play_strips(spin, &strips, &out, &ended);
                out.by_spins.push_back(leave_after(strips, ended, &scratch));
            }
            play_strips(played, &strips, &out, &ended);
        } else {
            play_strips(played, &strips, &out, nullptr);
        }
        add_lane(strips, p, &starts);
    }
    LateLeaving late{ended.lowest, bins, {}, {}, {}};
    walk_states(rules, starts, spin_step, passes, leaving ? &late : nullptr);
    if (!leaving) return;
    // The profits of leaving at the checkpoints from the ending spin on: the runs ended in the
    // first part, those ended since, and those still playing.
    for (std::size_t c = 0; c < late.spins.size(); ++c) {
        std::vector<double> bins_at = late.alive[c];
        for (std::size_t i = 0; i < bins; ++i) {
            ended.p[i] += late.ended[c][i];
            bins_at[i] += ended.p[i];
        }
        (*passes)[0].by_spins.push_back(
            leaving_figures(bins_at, ended.lowest, late.spins[c], &scratch));
    }
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

void compute_plans(const ExactRules& rules, VectorUnit unit,
                   std::vector<BudgetTargetFigures>* budget_target,
                   std::vector<SpinsFigures>* by_spins) {
    constexpr std::size_t targets = std::size(plan_targets);
    static_assert(plan_targets[0] == no_limit, "the first pass is the one without a target");
    std::vector<PlanPass> passes;
    plan_passes(rules, plan_targets, targets, plan_spin_step, &passes, unit);
    *by_spins = passes[0].by_spins;
    budget_target->clear();
    for (const std::int64_t budget : plan_budgets) {
        for (std::size_t t = 0; t < targets; ++t)
            budget_target->push_back(budget_target_figures(passes[t], budget, plan_targets[t]));
    }
}
