// plan.cpp - every run's state up to the ending spin (plan_strips.cpp), then each state's own
// ending, and the figures of the budgets, the targets and leaving early.
//
// After n spins a run is in state (b, k): b bonuses, k purchases after the first. Its medals are
// m(n, b, k) = 50 (k + 1) + 360 b - L (n - b), counted exactly as whole numbers over 2^shift, so
// the state is all a plan needs.
//
// From the ending spin on, every bonus ends its run and a target no longer matters: each state
// plays on alone, the same under every target. Its fate is fixed by the losses before its first
// bonus, and the profit that bonus brings changes only where the medals fall a cash unit or buy
// once more. So each state is followed once, a stretch at a time, for all the passes together.
//
// What a pass lets go is counted in PlanPass::left_out (see plan_strips.cpp): below 2^-53 of
// probability, which moves the means by less than 1e-9 yen.
#include "exact/plan.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "exact/plan_strips.h"
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

// The profit, in yen, of exchanging the medals `scaled` (over 2^shift) after k purchases.
std::int64_t profit_of(const ExactRules& rules, std::int64_t scaled, std::int64_t k) {
    const auto medals = static_cast<std::int32_t>(scaled >> rules.loss_shift);
    return cash_for_medals(medals, rules.exchange_rate) - purchase_price * (k + 1);
}

// The profits of leaving after the spins asked for, on the 500-yen grid.
struct Leaving {
    std::int32_t step{};                       // every step-th spin; 0 for none
    ProfitBins ended{};                        // the runs ended in the first part, so far
    std::vector<std::vector<double>> late{};   // [c]: the runs that end between the ending
                                               // spin's checkpoints c - 1 and c
    std::vector<std::vector<double>> alive{};  // [c]: the runs still playing at checkpoint c
};

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

// The figures of leaving after `spins` spins from the histogram of its profits.
SpinsFigures leaving_figures(const std::vector<double>& bins, std::int64_t lowest,
                             std::int32_t spins) {
    SpinsFigures figures{spins, 0.0, 0.0, 0, 0, 0, 0, 0, {}};
    std::vector<double> values;  // the profits of mass above 0, for the mid-quantiles
    std::vector<double> masses;
    double total = 0.0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
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
    least_profits(bins, lowest, levels, std::size(levels), at);
    figures.p05 = at[0];
    figures.p25 = at[1];
    figures.p50 = at[2];
    figures.p75 = at[3];
    figures.p95 = at[4];
    return figures;
}

// The figures of leaving after `spins` spins of the first part: the runs still playing

// The figures of leaving after the strips' spins: the runs still playing exchange their medals,
// the ended ones keep their profit.
SpinsFigures leave_after(const Strips& strips, const ProfitBins& ended) {
    const ExactRules& rules = *strips.rules;
    std::vector<double> bins = ended.p;
    const auto rows = static_cast<std::size_t>(strips.rows);
    const std::int64_t unit = std::int64_t{medals_per_cash_unit} * rules.exchange_rate;
    for (std::int32_t k = 0; k <= strips.last; ++k) {
        const auto strip = static_cast<std::size_t>(k);
        for (std::int32_t b = strips.lo[strip]; b <= strips.hi[strip]; ++b) {
            const std::int64_t medals =
                scaled_medals(rules, strips.spins, b, k) >> rules.loss_shift;
            bins[bin_of(ended, profit_of_units(medals / unit, k))] +=
                strips.mass[strip * rows + static_cast<std::size_t>(b)];
        }
    }
    return leaving_figures(bins, ended.lowest, strips.spins);
}

// The states at the ending spin of every pass side by side: state i is (b[i], k[i]) and holds
// mass[i * lanes + p] in pass p.
struct Starts {
    std::size_t lanes{};
    std::vector<std::int32_t> b{}, k{};
    std::vector<double> mass{};
};

// Adds the states of `strips` as lane `lane` of `starts`, which holds the lanes before it: each
// strip's rows become the union of the lanes' rows, a run from lo to hi.
void add_lane(const Strips& strips, std::size_t lane, Starts* starts) {
    const std::size_t lanes = starts->lanes;
    Starts merged{lanes, {}, {}, {}};
    const auto rows = static_cast<std::size_t>(strips.rows);
    std::size_t next = 0;  // the next state of `starts`
    for (std::int32_t k = 0; k < strips.width; ++k) {
        const auto strip = static_cast<std::size_t>(k);
        const std::int32_t new_lo = k <= strips.last ? strips.lo[strip] : strips.rows;
        const std::int32_t new_hi = k <= strips.last ? strips.hi[strip] : -1;
        const std::size_t first = next;  // the strip's states in `starts`: first to next - 1
        while (next < starts->k.size() && starts->k[next] == k)
            ++next;
        const std::int32_t old_lo = next > first ? starts->b[first] : strips.rows;
        const std::int32_t old_hi = next > first ? starts->b[next - 1] : -1;
        for (std::int32_t b = std::min(new_lo, old_lo); b <= std::max(new_hi, old_hi); ++b) {
            merged.b.push_back(b);
            merged.k.push_back(k);
            merged.mass.resize(merged.mass.size() + lanes, 0.0);
            double* masses = &merged.mass[merged.mass.size() - lanes];
            if (b >= old_lo && b <= old_hi) {
                const std::size_t from = first + static_cast<std::size_t>(b - old_lo);
                std::copy_n(&starts->mass[from * lanes], lane, masses);
            }
            if (b >= new_lo && b <= new_hi)
                masses[lane] = strips.mass[strip * rows + static_cast<std::size_t>(b)];
        }
    }
    *starts = std::move(merged);
}

// What the ending walk works with.
struct Walk {
    const ExactRules* rules;
    std::int32_t played;                      // n0: the spins before the ending spin
    std::int32_t steps;                       // J: the spins from the ending spin to the cap
    std::vector<double> q{};                  // [t]: miss^t, t from 0 to J
    std::vector<double> spins{};              // [t]: sum over i < t of hit miss^i (n0 + 1 + i)
    std::vector<std::int32_t> checkpoints{};  // the steps after which the profits of leaving
                                              // are asked for, rising, the cap's last
};

// Follows the state (b, k) from the ending spin to its end in every pass at once, a stretch of
// spins at a time: within a stretch its count and the cash a bonus would bring stay the same.
void walk_state(const Walk& walk, std::int32_t b, std::int32_t k, const double* w,
                std::vector<PlanPass>* passes, Leaving* leaving) {
    const ExactRules& rules = *walk.rules;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t bonus = std::int64_t{bonus_medals} << rules.loss_shift;
    const std::int64_t unit = std::int64_t{medals_per_cash_unit} * rules.exchange_rate
                              << rules.loss_shift;
    const std::int64_t fifty = std::int64_t{medals_per_purchase} << rules.loss_shift;
    const std::size_t lanes = passes->size();
    std::int64_t medals = scaled_medals(rules, walk.played, b, k);  // before step t
    std::size_t checkpoint = 0;
    for (std::int32_t t = 0; t < walk.steps;) {
        // A bonus at step t fetches `units` cash units, until the medals fall a unit or buy.
        const std::int64_t units = (medals + bonus) / unit;
        const std::int64_t buys = t + (medals - one) / loss;  // the step whose loss buys
        const std::int64_t falls = t + (medals + bonus - units * unit) / loss + 1;
        std::int64_t end = std::min({buys + 1, falls, std::int64_t{walk.steps}});
        if (leaving != nullptr) end = std::min<std::int64_t>(end, walk.checkpoints[checkpoint]);
        const auto e = static_cast<std::size_t>(end);
        const auto s = static_cast<std::size_t>(t);
        const std::int64_t profit = profit_of_units(units, k);
        const double ended = walk.q[s] - walk.q[e];
        const double spins = walk.spins[e] - walk.spins[s];
        const auto count = static_cast<std::size_t>(k);
        for (std::size_t p = 0; p < lanes; ++p) {
            PlanPass& out = (*passes)[p];
            out.ended[count] += w[p] * ended;
            out.ended_profit[count] += w[p] * ended * static_cast<double>(profit);
            if (profit > 0) out.ended_wins[count] += w[p] * ended;
            out.ended_spins[count] += w[p] * spins;
        }
        if (leaving != nullptr)
            leaving->late[checkpoint][bin_of(leaving->ended, profit)] += w[0] * ended;
        medals -= loss * (end - t);
        t = static_cast<std::int32_t>(end);
        if (end == buys + 1) {  // the loss of step `buys` took the medals below one
            for (std::size_t p = 0; p < lanes; ++p) {
                PlanPass& out = (*passes)[p];
                out.ruined[count] += w[p] * walk.q[e];
                out.ruined_spins[count] += w[p] * walk.q[e] * (walk.played + t);
            }
            ++k;
            medals += fifty;
        }
        if (leaving != nullptr && t == walk.checkpoints[checkpoint] && t < walk.steps) {
            leaving->alive[checkpoint][bin_of(leaving->ended, profit_of(rules, medals, k))] +=
                w[0] * walk.q[e];
            ++checkpoint;
        }
    }
    // The cap: the run ends with the medals it holds.
    const auto e = static_cast<std::size_t>(walk.steps);
    const std::int64_t profit = profit_of(rules, medals, k);
    for (std::size_t p = 0; p < lanes; ++p) {
        PlanPass& out = (*passes)[p];
        const double at_cap = w[p] * walk.q[e];
        out.ended[static_cast<std::size_t>(k)] += at_cap;
        out.ended_profit[static_cast<std::size_t>(k)] += at_cap * static_cast<double>(profit);
        if (profit > 0) out.ended_wins[static_cast<std::size_t>(k)] += at_cap;
        out.ended_spins[static_cast<std::size_t>(k)] += at_cap * rules.spin_cap;
    }
    if (leaving != nullptr)
        leaving->late[checkpoint][bin_of(leaving->ended, profit)] += w[0] * walk.q[e];
}

// The walk of the spins from the ending spin to the cap, its checkpoints every `step` spins.
Walk ending_walk(const ExactRules& rules, std::int32_t step) {
    Walk walk{&rules, rules.ending_spin - 1, rules.spin_cap - rules.ending_spin + 1, {}, {}, {}};
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const auto steps = static_cast<std::size_t>(walk.steps);
    walk.q.assign(steps + 1, 1.0);
    walk.spins.assign(steps + 1, 0.0);
    for (std::size_t t = 0; t < steps; ++t) {
        walk.q[t + 1] = walk.q[t] * miss;
        walk.spins[t + 1] =
            walk.spins[t] +
            hit * walk.q[t] * static_cast<double>(static_cast<std::size_t>(walk.played) + 1 + t);
    }
    if (step > 0) {
        for (std::int32_t spin = walk.played + 1; spin <= rules.spin_cap; ++spin) {
            if (spin % step == 0) walk.checkpoints.push_back(spin - walk.played);
        }
    }
    walk.checkpoints.push_back(walk.steps + 1);  // past the last step: none
    return walk;
}

}  // namespace

void plan_passes(const ExactRules& rules, const std::int64_t* targets, std::size_t count,
                 std::int32_t spin_step, std::vector<PlanPass>* passes) {
    const std::int32_t rows = plan_rows(rules);
    const std::int32_t width = plan_width(rules);
    const auto w = static_cast<std::size_t>(width);
    passes->assign(count, PlanPass{});
    const std::int64_t most_paid = std::int64_t{purchase_price} * width;  // the lowest profit
    Leaving leaving;
    leaving.step = spin_step;
    leaving.ended.lowest = -most_paid;
    const std::int64_t most_medals = scaled_medals(rules, 0, rows, width) >> rules.loss_shift;
    const std::int64_t highest =
        cash_for_medals(static_cast<std::int32_t>(most_medals), rules.exchange_rate);
    const std::size_t bins =
        static_cast<std::size_t>((highest - leaving.ended.lowest) / cash_unit) + 1;
    if (spin_step > 0) leaving.ended.p.assign(bins, 0.0);
    const std::int32_t played = rules.ending_spin - 1;
    const StretchTables tables = stretch_tables(hit_probability(rules.hit_threshold),
                                                std::clamp(played, 1, longest_stretch));
    Strips strips;
    Starts starts;
    starts.lanes = count;
    for (std::size_t p = 0; p < count; ++p) {
        PlanPass& out = (*passes)[p];
        for (std::vector<double>* sums : {&out.ended, &out.ended_profit, &out.ended_wins,
                                          &out.ended_spins, &out.ruined, &out.ruined_spins})
            sums->assign(w, 0.0);
        start_strips(rules, tables, targets[p], rows, width, &strips);
        if (p == 0 && spin_step > 0) {  // to each checkpoint, and the profits of leaving there
            for (std::int32_t spin = spin_step; spin <= played; spin += spin_step) {
                play_strips(spin, &strips, &out, &leaving.ended);
                out.by_spins.push_back(leave_after(strips, leaving.ended));
            }
            play_strips(played, &strips, &out, &leaving.ended);
        } else {
            play_strips(played, &strips, &out, nullptr);
        }
        add_lane(strips, p, &starts);
    }
    const Walk walk = ending_walk(rules, spin_step);
    Leaving* late = spin_step > 0 && count > 0 ? &leaving : nullptr;
    if (late != nullptr) {
        late->late.assign(walk.checkpoints.size(), std::vector<double>(bins, 0.0));
        late->alive.assign(walk.checkpoints.size(), std::vector<double>(bins, 0.0));
    }
    for (std::size_t i = 0; i < starts.b.size(); ++i)
        walk_state(walk, starts.b[i], starts.k[i], &starts.mass[i * count], passes, late);
    if (late == nullptr) return;
    // The profits of leaving at the checkpoints from the ending spin on: the runs ended in the
    // first part, those ended since, and those still playing.
    std::vector<double> ended = leaving.ended.p;
    for (std::size_t c = 0; c + 1 < walk.checkpoints.size(); ++c) {
        std::vector<double> bins_at = leaving.alive[c];
        for (std::size_t i = 0; i < bins; ++i) {
            ended[i] += leaving.late[c][i];
            bins_at[i] += ended[i];
        }
        (*passes)[0].by_spins.push_back(
            leaving_figures(bins_at, leaving.ended.lowest, walk.played + walk.checkpoints[c]));
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

void compute_plans(const ExactRules& rules, std::vector<BudgetTargetFigures>* budget_target,
                   std::vector<SpinsFigures>* by_spins) {
    constexpr std::size_t targets = std::size(plan_targets);
    static_assert(plan_targets[0] == no_limit, "the first pass is the one without a target");
    std::vector<PlanPass> passes;
    plan_passes(rules, plan_targets, targets, plan_spin_step, &passes);
    *by_spins = passes[0].by_spins;
    budget_target->clear();
    for (const std::int64_t budget : plan_budgets) {
        for (std::size_t t = 0; t < targets; ++t)
            budget_target->push_back(budget_target_figures(passes[t], budget, plan_targets[t]));
    }
}
