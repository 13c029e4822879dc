// plan.cpp - every run's state, spin by spin to the ending spin, then each state's own ending.
//
// After n spins a run is in state (b, k): b bonuses, k purchases after the first. Its medals are
// m(n, b, k) = 50 (k + 1) + 360 b - L (n - b), counted exactly as whole numbers over 2^shift, so
// the state is all a plan needs.
//
// Up to the ending spin, a spin moves a row's probability two ways: a bonus takes it to row
// b + 1 at the same k, a loss keeps it in row b, and the lowest count of a row that holds a medal
// is the only one a loss can take below one medal (the counts are 50 medals apart and a loss is
// at most 50), which buys once more and moves it to k + 1. So a row is a run of counts from lo
// to hi, and a spin is a plain loop over it. A target stops the bonuses that reach it.
//
// From the ending spin on, every bonus ends its run and a target no longer matters: each state
// plays on alone, the same under every target. Its fate is fixed by the losses before its first
// bonus, and the profit that bonus brings changes only where the medals fall a cash unit or buy
// once more. So each state is followed once, a stretch at a time, for all the passes together.
//
// What a pass lets go, counted in PlanPass::left_out: a state that ends up at the edge of its
// row with less than 2^-80 of probability, and a bonus out of the last row kept, which holds
// less than 2^-80 of probability at the player's odds. A pass advances fewer than 2^27 states
// (68 million at most, at X = 100 and Y = 120, where the rows and the counts are most), each let
// go at most once, so all it lets go is below 2^-53 of probability, and the means move by less
// than that times the largest profit, 1e-9 yen.
#include "exact/plan.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "exact/purchase_shares.h"
#include "rules/numbers.h"
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

// The profit, in yen, of `units` cash units after k purchases.
std::int64_t profit_of_units(std::int64_t units, std::int64_t k) {
    return units * cash_unit - std::int64_t{purchase_price} * (k + 1);
}

// The profit, in yen, of exchanging the medals `scaled` (over 2^shift) after k purchases.
std::int64_t profit_of(const ExactRules& rules, std::int64_t scaled, std::int64_t k) {
    const auto medals = static_cast<std::int32_t>(scaled >> rules.loss_shift);
    return cash_for_medals(medals, rules.exchange_rate) - purchase_price * (k + 1);
}

// The states of one pass: row b holds counts lo[b] to hi[b] (none where hi < lo), zero elsewhere.
struct Grid {
    std::int32_t rows{}, width{};
    std::vector<double> mass{};  // [b * width + k]: P(b bonuses, k purchases after the first)
    std::vector<std::int32_t> lo{}, hi{};
};

// The profits of leaving after the spins asked for, on the 500-yen grid.
struct Leaving {
    std::int32_t step{};                       // every step-th spin; 0 for none
    std::int64_t lowest{};                     // the profit of the first bin
    std::vector<double> ended{};               // the runs ended so far, in the first part
    std::vector<std::vector<double>> late{};   // [c]: the runs that end between the ending
                                               // spin's checkpoints c - 1 and c
    std::vector<std::vector<double>> alive{};  // [c]: the runs still playing at checkpoint c
};

// What the first part of a pass works with.
struct Pass {
    const ExactRules* rules;
    std::int64_t fifty;  // 50 medals, over 2^shift
    Leaving* leaving;    // or null
    PlanPass* out;
};

// The bin of `profit` in the histograms.
std::size_t bin_of(const Leaving& leaving, std::int64_t profit) {
    return static_cast<std::size_t>((profit - leaving.lowest) / cash_unit);
}

// Ends the runs of probability `w` with k purchases and `profit` after `spins` spins.
void end_runs(const Pass& pass, std::size_t k, std::int64_t profit, std::int32_t spins, double w) {
    PlanPass& out = *pass.out;
    out.ended[k] += w;
    out.ended_profit[k] += w * static_cast<double>(profit);
    if (profit > 0) out.ended_wins[k] += w;
    out.ended_spins[k] += w * spins;
    if (pass.leaving != nullptr) pass.leaving->ended[bin_of(*pass.leaving, profit)] += w;
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
// exchange their medals, the ended ones keep their profit.
SpinsFigures leave_after(const Pass& pass, const Grid& grid, std::int32_t spins, std::int32_t top) {
    const Leaving& leaving = *pass.leaving;
    std::vector<double> bins = leaving.ended;
    const auto width = static_cast<std::size_t>(grid.width);
    for (std::int32_t b = 0; b <= top; ++b) {
        const auto row = static_cast<std::size_t>(b);
        const std::int32_t lo = grid.lo[row];
        if (lo > grid.hi[row]) continue;
        // Along the row the medals rise by 50 a count: the cash units follow without dividing.
        const std::int64_t medals =
            scaled_medals(*pass.rules, spins, b, lo) >> pass.rules->loss_shift;
        const std::int64_t unit = std::int64_t{medals_per_cash_unit} * pass.rules->exchange_rate;
        std::int64_t units = medals / unit;
        std::int64_t over = medals % unit;
        for (std::int32_t k = lo; k <= grid.hi[row]; ++k) {
            const std::int64_t profit = profit_of_units(units, k);
            bins[bin_of(leaving, profit)] += grid.mass[row * width + static_cast<std::size_t>(k)];
            for (over += medals_per_purchase; over >= unit; over -= unit)
                ++units;
        }
    }
    return leaving_figures(bins, leaving.lowest, spins);
}

// What every row of one spin of the first part shares.
struct SpinStep {
    std::int32_t spin;                         // the spin played: 1 to the ending spin - 1
    double hit, miss;                          // its chances
    std::int64_t one;                          // a medal, over 2^shift
    const std::vector<std::int64_t>* reaches;  // the target's medals by count, or null
};

// Lets go the states at the edges of a row, from lo to hi, that hold less than edge_below.
void trim_row(double* row, std::int32_t* lo, std::int32_t* hi, double* left_out) {
    while (*lo <= *hi && row[*lo] < edge_below) {
        *left_out += row[*lo];
        row[(*lo)++] = 0.0;
    }
    while (*hi >= *lo && row[*hi] < edge_below) {
        *left_out += row[*hi];
        row[(*hi)--] = 0.0;
    }
}

// Plays one spin of row b, whose row below (b - 1) has not yet played it.
void step_row(const Pass& pass, const SpinStep& step, std::int32_t b, Grid* grid_in) {
    Grid& grid = *grid_in;
    PlanPass& out = *pass.out;
    const auto row_index = static_cast<std::size_t>(b);
    const auto w = static_cast<std::size_t>(grid.width);
    double* row = &grid.mass[row_index * w];
    std::int32_t a0 = grid.lo[row_index];
    const std::int32_t a1 = grid.hi[row_index];
    std::int32_t c0 = grid.width;
    std::int32_t c1 = -1;
    const double* up = row;
    if (b > 0) {
        c0 = grid.lo[row_index - 1];
        c1 = grid.hi[row_index - 1];
        up = &grid.mass[(row_index - 1) * w];
    }
    const std::int64_t base = scaled_medals(*pass.rules, step.spin, b, 0);  // at k = 0
    const std::int64_t fifty = pass.fifty;
    // The bonuses into this row that reach the target end their runs. The profit falls (or
    // stays) as k rises, since 50 more medals fetch at most two cash units, 1000 yen: the
    // counts that reach it are the first ones.
    if (step.reaches != nullptr) {
        for (; c0 <= c1 && base + fifty * c0 >= (*step.reaches)[static_cast<std::size_t>(c0)]; ++c0)
            end_runs(pass, static_cast<std::size_t>(c0),
                     profit_of(*pass.rules, base + fifty * c0, c0), step.spin, step.hit * up[c0]);
    }
    // The losses: the row stays, its lowest count buying once more if it must, and the bonuses
    // from the row below from c0 on: one loop where both meet (the rows are 0 outside their
    // counts).
    const bool buys = a0 <= a1 && base + fifty * a0 < step.one;
    double bought = 0.0;
    if (buys) {
        bought = step.miss * row[a0];
        row[a0] = 0.0;
        out.ruined[static_cast<std::size_t>(a0)] += bought;
        out.ruined_spins[static_cast<std::size_t>(a0)] += bought * step.spin;
    }
    std::int32_t lo = std::min(a0 <= a1 ? a0 : grid.width, c0 <= c1 ? c0 : grid.width);
    std::int32_t hi = std::max({a1, c1, buys ? a0 + 1 : -1});
    const std::int32_t split = std::max(lo, std::min(c0, hi + 1));
    for (std::int32_t k = lo; k < split; ++k)
        row[k] = step.miss * row[k];
    for (std::int32_t k = split; k <= hi; ++k)
        row[k] = step.miss * row[k] + step.hit * up[k];
    if (buys) row[a0 + 1] += bought;
    out.cells += hi >= lo ? hi - lo + 1 : 0;
    trim_row(row, &lo, &hi, &out.left_out);
    grid.lo[row_index] = hi >= lo ? lo : grid.width;
    grid.hi[row_index] = hi >= lo ? hi : -1;
}

// Plays the first part of a pass to `target`: the spins before the ending spin. Returns the
// last row that holds probability.
std::int32_t play_first_part(const Pass& pass, std::int64_t target, Grid* grid_in) {
    const ExactRules& rules = *pass.rules;
    Grid& grid = *grid_in;
    const auto w = static_cast<std::size_t>(grid.width);
    grid.mass.assign(static_cast<std::size_t>(grid.rows) * w, 0.0);
    grid.lo.assign(static_cast<std::size_t>(grid.rows), grid.width);
    grid.hi.assign(static_cast<std::size_t>(grid.rows), -1);
    // [k]: the least medals (over 2^shift) with which k purchases reach the target: the cash
    // units of target + 1000 (k + 1) yen, rounded up, times 5 Z medals.
    std::vector<std::int64_t> reaches(w);
    for (std::size_t k = 0; k < w; ++k) {
        const std::int64_t paid = std::int64_t{purchase_price} * static_cast<std::int64_t>(k + 1);
        const std::int64_t units = (target + paid + cash_unit - 1) / cash_unit;
        reaches[k] = units * medals_per_cash_unit * rules.exchange_rate << rules.loss_shift;
    }
    const double hit = hit_probability(rules.hit_threshold);
    SpinStep step{0, hit, 1.0 - hit, std::int64_t{1} << rules.loss_shift,
                  target != no_limit ? &reaches : nullptr};
    grid.mass[0] = 1.0;
    grid.lo[0] = grid.hi[0] = 0;
    std::int32_t top = 0;  // the last row that may hold probability
    for (step.spin = 1; step.spin < rules.ending_spin; ++step.spin) {
        if (top + 1 == grid.rows) {  // the last row's bonuses are let go
            const auto last = static_cast<std::size_t>(top);
            for (std::int32_t k = grid.lo[last]; k <= grid.hi[last]; ++k)
                pass.out->left_out += hit * grid.mass[last * w + static_cast<std::size_t>(k)];
        }
        const std::int32_t new_top = std::min(top + 1, grid.rows - 1);
        for (std::int32_t b = new_top; b >= 0; --b)
            step_row(pass, step, b, &grid);
        top = new_top;
        while (top > 0 && grid.hi[static_cast<std::size_t>(top)] < 0)
            --top;
        if (pass.leaving != nullptr && step.spin % pass.leaving->step == 0)
            pass.out->by_spins.push_back(leave_after(pass, grid, step.spin, top));
    }
    return top;
}

// The states at the ending spin of every pass side by side: state i is (b[i], k[i]) and holds
// mass[i * lanes + p] in pass p.
struct Starts {
    std::size_t lanes{};
    std::vector<std::int32_t> b{}, k{};
    std::vector<double> mass{};
};

// Adds the states of `grid` (rows 0 to top) as lane `lane` of `starts`, which holds the lanes
// before it: each row's counts become the union of the lanes' counts, a run from lo to hi.
void add_lane(const Grid& grid, std::int32_t top, std::size_t lane, Starts* starts) {
    const std::size_t lanes = starts->lanes;
    Starts merged{lanes, {}, {}, {}};
    const auto w = static_cast<std::size_t>(grid.width);
    std::size_t next = 0;  // the next state of `starts`
    for (std::int32_t b = 0; b < grid.rows; ++b) {
        const auto row = static_cast<std::size_t>(b);
        const std::int32_t new_lo = b <= top ? grid.lo[row] : grid.width;
        const std::int32_t new_hi = b <= top ? grid.hi[row] : -1;
        const std::size_t first = next;  // the row's states in `starts`: first to next - 1
        while (next < starts->b.size() && starts->b[next] == b)
            ++next;
        const std::int32_t old_lo = next > first ? starts->k[first] : grid.width;
        const std::int32_t old_hi = next > first ? starts->k[next - 1] : -1;
        for (std::int32_t k = std::min(new_lo, old_lo); k <= std::max(new_hi, old_hi); ++k) {
            merged.b.push_back(b);
            merged.k.push_back(k);
            merged.mass.resize(merged.mass.size() + lanes, 0.0);
            double* masses = &merged.mass[merged.mass.size() - lanes];
            if (k >= old_lo && k <= old_hi) {
                const std::size_t from = first + static_cast<std::size_t>(k - old_lo);
                std::copy_n(&starts->mass[from * lanes], lane, masses);
            }
            if (k >= new_lo && k <= new_hi)
                masses[lane] = grid.mass[row * w + static_cast<std::size_t>(k)];
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
        if (leaving != nullptr) leaving->late[checkpoint][bin_of(*leaving, profit)] += w[0] * ended;
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
            leaving->alive[checkpoint][bin_of(*leaving, profit_of(rules, medals, k))] +=
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
    if (leaving != nullptr) leaving->late[checkpoint][bin_of(*leaving, profit)] += w[0] * walk.q[e];
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
    Grid grid{rows, width, {}, {}, {}};
    const auto w = static_cast<std::size_t>(width);
    passes->assign(count, PlanPass{});
    const std::int64_t most_paid = std::int64_t{purchase_price} * width;  // the lowest profit
    Leaving leaving;
    leaving.step = spin_step;
    leaving.lowest = -most_paid;
    const std::int64_t most_medals = scaled_medals(rules, 0, rows, width) >> rules.loss_shift;
    const std::int64_t highest =
        cash_for_medals(static_cast<std::int32_t>(most_medals), rules.exchange_rate);
    const std::size_t bins = static_cast<std::size_t>((highest - leaving.lowest) / cash_unit) + 1;
    if (spin_step > 0) leaving.ended.assign(bins, 0.0);
    const std::int64_t fifty = std::int64_t{medals_per_purchase} << rules.loss_shift;
    Starts starts;
    starts.lanes = count;
    for (std::size_t p = 0; p < count; ++p) {
        PlanPass& out = (*passes)[p];
        for (std::vector<double>* sums : {&out.ended, &out.ended_profit, &out.ended_wins,
                                          &out.ended_spins, &out.ruined, &out.ruined_spins})
            sums->assign(w, 0.0);
        const Pass pass{&rules, fifty, p == 0 && spin_step > 0 ? &leaving : nullptr, &out};
        const std::int32_t top = play_first_part(pass, targets[p], &grid);
        add_lane(grid, top, p, &starts);
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
    std::vector<double> ended = leaving.ended;
    for (std::size_t c = 0; c + 1 < walk.checkpoints.size(); ++c) {
        std::vector<double> bins_at = leaving.alive[c];
        for (std::size_t i = 0; i < bins; ++i) {
            ended[i] += leaving.late[c][i];
            bins_at[i] += ended[i];
        }
        (*passes)[0].by_spins.push_back(
            leaving_figures(bins_at, leaving.lowest, walk.played + walk.checkpoints[c]));
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
