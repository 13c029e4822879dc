// plan_walk.cpp - from the ending spin on, each state's own ending, for every pass at once.
//
// From the ending spin on, every bonus ends its run and a target no longer matters: each state
// plays on alone, the same under every target. Its fate is fixed by the losses before its first
// bonus, and the profit that bonus brings changes only where the medals fall a cash unit or buy
// once more. So each state is followed once, a piece of spins at a time, its sums for one
// purchase count gathered alone and then added to every pass, weighed by its probability there.
#include "exact/plan_walk.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "rules/trial.h"

namespace {

// What a state's walk adds to a pass for one purchase count, in the order of WalkTotals.
enum WalkSum : std::size_t {
    ended_sum,         // P(ending)
    profit_sum,        // the same times the profit
    wins_sum,          // P(ending with a profit above 0)
    spins_sum,         // P(ending) times the spins played
    ruined_sum,        // P(needing the next purchase)
    ruined_spins_sum,  // the same times its spin
    walk_sums
};

// What the walk works with.
struct Walk {
    const ExactRules* rules;                  // the rules it walks by
    std::int32_t played;                      // n0: the spins before the ending spin
    std::int32_t steps;                       // J: the spins from the ending spin to the cap
    std::vector<double> q{};                  // [t]: miss^t, t from 0 to J
    std::vector<double> spins{};              // [t]: sum over i < t of hit miss^i (n0 + 1 + i)
    std::vector<std::int32_t> checkpoints{};  // the steps after which the profits of leaving
                                              // are asked for, rising, then J + 1 (none)
    std::size_t cap_checkpoint{};             // the first checkpoint at or after the cap
    std::size_t lanes;                        // the passes
    std::vector<double> totals{};             // [(k * walk_sums + sum) * lanes + p]
};

// The walk of the spins from the ending spin to the cap for `lanes` passes, its checkpoints
// every `step` spins.
Walk ending_walk(const ExactRules& rules, std::int32_t step, std::size_t lanes,
                 std::size_t counts) {
    Walk walk{
        &rules, rules.ending_spin - 1, rules.spin_cap - rules.ending_spin + 1, {}, {}, {}, 0, lanes,
        {}};
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
    walk.checkpoints.push_back(walk.steps + 1);
    while (walk.checkpoints[walk.cap_checkpoint] < walk.steps)
        ++walk.cap_checkpoint;
    walk.totals.assign(counts * walk_sums * lanes, 0.0);
    return walk;
}

// Adds a state's `sums` for count k to every pass, times its probability `w[p]` there, and
// clears them.
__attribute__((noinline)) void add_sums(Walk* walk, std::int32_t k, const double* w, double* sums) {
    const std::size_t lanes = walk->lanes;
    double* totals = &walk->totals[static_cast<std::size_t>(k) * walk_sums * lanes];
    for (std::size_t sum = 0; sum < walk_sums; ++sum) {
        for (std::size_t p = 0; p < lanes; ++p)
            totals[sum * lanes + p] += w[p] * sums[sum];
        sums[sum] = 0.0;
    }
}

// The bin of the profit of `units` cash units after k purchases.
std::size_t late_bin(const LateLeaving& bins, std::int64_t units, std::int64_t k) {
    // (units 500 - 1000 (k + 1) - lowest) / 500, the lowest a multiple of 1000 yen
    return static_cast<std::size_t>(units - 2 * (k + 1) - bins.lowest / cash_unit);
}

// The index of the first checkpoint after step t.
std::size_t checkpoint_after(const Walk& walk, std::int32_t t) {
    std::size_t c = 0;
    while (walk.checkpoints[c] <= t)
        ++c;
    return c;
}

// One purchase count of a row from the ending spin on: its runs from the step they come, the
// ending spin's or the purchase's that brings them, to the step whose loss buys once more, or
// the cap. The probabilities are as at the ending spin (a run's probability only falls by miss
// a spin, the same for every run), one a pass.
struct Lifetime {
    std::int32_t b, k;      // the row and the count
    const double* own;      // the runs there at the ending spin, or null
    const double* arrived;  // the runs that arrive from count k - 1, or null
    std::int32_t arrives;   // the step they arrive
};

// Adds to `sums` the runs of a row from step `from` to step `to` (before its loss buys), whose
// medals are `medals` at step 0, ending at their first bonus; and to the first pass's
// histograms the same for its probability `first`.
void walk_steps(Walk* walk_in, std::int32_t from, std::int32_t to, std::int64_t medals,
                std::int32_t k, double first, LateLeaving* leaving, double* sums) {
    const Walk& walk = *walk_in;
    const ExactRules& rules = *walk.rules;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t bonus = std::int64_t{bonus_medals} << rules.loss_shift;
    const std::int64_t unit = scaled_cash_unit(rules);
    const std::int64_t start = medals - loss * from + bonus;  // what a bonus at step `from` holds
    std::int64_t units = start / unit;
    // The spins until a bonus fetches a unit less, and what they leave.
    std::int64_t to_fall = (start - units * unit) / loss + 1;
    std::int64_t rest = (start - units * unit) % loss;
    const std::int64_t unit_spins = unit / loss;
    const std::int64_t unit_rest = unit % loss;
    std::size_t checkpoint = leaving != nullptr ? checkpoint_after(walk, from) : 0;
    for (std::int32_t t = from; t < to;) {
        const auto end = static_cast<std::int32_t>(std::min<std::int64_t>(t + to_fall, to));
        const auto e = static_cast<std::size_t>(end);
        const auto s = static_cast<std::size_t>(t);
        const std::int64_t profit = profit_of_units(units, k);
        const double ended = walk.q[s] - walk.q[e];
        sums[ended_sum] += ended;
        sums[profit_sum] += ended * static_cast<double>(profit);
        if (profit > 0) sums[wins_sum] += ended;
        sums[spins_sum] += walk.spins[e] - walk.spins[s];
        if (leaving != nullptr) {  // the runs ending by checkpoint, split where one falls
            const std::size_t bin = late_bin(*leaving, units, k);
            std::int32_t u = t;
            for (; walk.checkpoints[checkpoint] < end; ++checkpoint) {
                const auto c = static_cast<std::size_t>(walk.checkpoints[checkpoint]);
                leaving->ended[checkpoint][bin] +=
                    first * (walk.q[static_cast<std::size_t>(u)] - walk.q[c]);
                u = walk.checkpoints[checkpoint];
            }
            leaving->ended[checkpoint][bin] +=
                first * (walk.q[static_cast<std::size_t>(u)] - walk.q[e]);
            if (walk.checkpoints[checkpoint] == end) ++checkpoint;
        }
        to_fall -= end - t;
        t = end;
        if (to_fall == 0) {  // a bonus now fetches a unit less
            --units;
            to_fall = unit_spins;
            rest += unit_rest;
            if (rest >= loss) {
                rest -= loss;
                ++to_fall;
            }
        }
    }
    if (leaving == nullptr) return;
    // The runs still playing at each checkpoint from `from` to `to`.
    for (std::size_t c = checkpoint_after(walk, from - 1); walk.checkpoints[c] < to; ++c) {
        const std::int32_t at = walk.checkpoints[c];
        leaving->alive[c][late_bin(*leaving, (medals - loss * at) / unit, k)] +=
            first * walk.q[static_cast<std::size_t>(at)];
    }
}

// Follows a row's runs of one count to the step whose loss buys once more, or the cap, adding
// what they bring to every pass. Returns the step after that loss, where they go on with one
// purchase more, their probability in each pass (as at the ending spin) in `going`; or -1
// where they reach the cap.
std::int32_t walk_lifetime(Walk* walk_in, const Lifetime& life, LateLeaving* leaving,
                           double* going) {
    Walk& walk = *walk_in;
    const ExactRules& rules = *walk.rules;
    const std::size_t lanes = walk.lanes;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t medals = scaled_medals(rules, walk.played, life.b, life.k);  // at step 0
    const std::int64_t buys = (medals - one) / loss + 1;  // the step after the loss that buys
    const auto end = static_cast<std::int32_t>(std::min<std::int64_t>(buys, walk.steps));
    const std::int32_t arrives = life.arrived != nullptr ? life.arrives : end;
    double sums[walk_sums] = {};
    if (life.own != nullptr) {  // alone until the others arrive
        walk_steps(&walk, 0, arrives, medals, life.k, life.own[0], leaving, sums);
        add_sums(&walk, life.k, life.own, sums);
    }
    for (std::size_t p = 0; p < lanes; ++p)
        going[p] = (life.own != nullptr ? life.own[p] : 0.0) +
                   (life.arrived != nullptr ? life.arrived[p] : 0.0);
    if (life.arrived != nullptr)
        walk_steps(&walk, arrives, end, medals, life.k, going[0], leaving, sums);
    if (buys <= walk.steps) {  // the loss of step buys - 1 takes the medals below one
        const double q = walk.q[static_cast<std::size_t>(buys)];
        sums[ruined_sum] = q;
        sums[ruined_spins_sum] = q * static_cast<double>(walk.played + buys);
    } else {  // the cap: the runs end with the medals they hold
        const double at_cap = walk.q[static_cast<std::size_t>(walk.steps)];
        const std::int64_t unit = scaled_cash_unit(rules);
        const std::int64_t units = (medals - loss * walk.steps) / unit;
        const std::int64_t profit = profit_of_units(units, life.k);
        sums[ended_sum] += at_cap;
        sums[profit_sum] += at_cap * static_cast<double>(profit);
        if (profit > 0) sums[wins_sum] += at_cap;
        sums[spins_sum] += at_cap * rules.spin_cap;
        if (leaving != nullptr)
            leaving->ended[walk.cap_checkpoint][late_bin(*leaving, units, life.k)] +=
                going[0] * at_cap;
    }
    add_sums(&walk, life.k, going, sums);
    return buys <= walk.steps ? static_cast<std::int32_t>(buys) : -1;
}

// Follows, count by count, each row's runs: those there at the ending spin and those whose
// purchase brings them from the count below, at the step it does.
void walk_counts(Walk* walk, const Starts& starts, LateLeaving* leaving) {
    const std::size_t lanes = starts.lanes;
    const std::size_t rows =
        starts.b.empty()
            ? 0
            : static_cast<std::size_t>(*std::max_element(starts.b.begin(), starts.b.end()) + 1);
    std::vector<double> arriving(rows * lanes);
    std::vector<double> going(rows * lanes);
    std::vector<std::int32_t> arrives(rows, -1);  // the step they arrive; -1: none
    std::vector<std::int32_t> leaves(rows, -1);
    std::size_t next = 0;  // the next state of `starts`
    const auto counts = static_cast<std::int32_t>(walk->totals.size() / (walk_sums * lanes));
    for (std::int32_t k = 0; k < counts; ++k) {
        std::fill(leaves.begin(), leaves.end(), -1);
        bool any = false;
        for (std::size_t b = 0; b < rows; ++b) {
            const bool own = next < starts.b.size() && starts.k[next] == k &&
                             static_cast<std::size_t>(starts.b[next]) == b;
            if (!own && arrives[b] < 0) continue;
            const Lifetime life{static_cast<std::int32_t>(b), k,
                                own ? &starts.mass[next * lanes] : nullptr,
                                arrives[b] >= 0 ? &arriving[b * lanes] : nullptr, arrives[b]};
            leaves[b] = walk_lifetime(walk, life, leaving, &going[b * lanes]);
            next += own ? 1 : 0;
            any = true;
        }
        std::swap(arriving, going);
        std::swap(arrives, leaves);
        if (!any && next == starts.b.size()) break;
    }
}

}  // namespace

void add_lane(const Strips& strips, std::size_t lane, Starts* starts) {
    const std::size_t lanes = starts->lanes;
    // Each strip's rows in the lane and in `starts`, then the union of the two, counted first.
    struct Rows {
        std::int32_t new_lo, new_hi, old_lo, old_hi;
        std::size_t first;  // the strip's first state in `starts`
    };
    std::vector<Rows> rows(static_cast<std::size_t>(strips.width));
    std::size_t next = 0;   // the next state of `starts`
    std::size_t count = 0;  // the states of the union
    for (std::int32_t k = 0; k < strips.width; ++k) {
        const auto strip = static_cast<std::size_t>(k);
        Rows& r = rows[strip];
        r.new_lo = k <= strips.last ? strips.lo[strip] : strips.rows;
        r.new_hi = k <= strips.last ? strips.hi[strip] : -1;
        r.first = next;
        while (next < starts->k.size() && starts->k[next] == k)
            ++next;
        r.old_lo = next > r.first ? starts->b[r.first] : strips.rows;
        r.old_hi = next > r.first ? starts->b[next - 1] : -1;
        const std::int32_t lo = std::min(r.new_lo, r.old_lo);
        const std::int32_t hi = std::max(r.new_hi, r.old_hi);
        count += hi >= lo ? static_cast<std::size_t>(hi - lo + 1) : 0;
    }
    Starts merged{lanes, std::vector<std::int32_t>(count), std::vector<std::int32_t>(count),
                  std::vector<double>(count * lanes, 0.0)};
    std::size_t at = 0;
    for (std::int32_t k = 0; k < strips.width; ++k) {
        const Rows& r = rows[static_cast<std::size_t>(k)];
        for (std::int32_t b = std::min(r.new_lo, r.old_lo); b <= std::max(r.new_hi, r.old_hi);
             ++b, ++at) {
            merged.b[at] = b;
            merged.k[at] = k;
            double* masses = &merged.mass[at * lanes];
            if (b >= r.old_lo && b <= r.old_hi) {
                const std::size_t from = r.first + static_cast<std::size_t>(b - r.old_lo);
                std::copy_n(&starts->mass[from * lanes], lane, masses);
            }
            if (b >= r.new_lo && b <= r.new_hi) masses[lane] = strip_rows(strips, k)[b];
        }
    }
    *starts = std::move(merged);
}

void walk_states(const ExactRules& rules, const Starts& starts, std::int32_t step,
                 std::vector<PlanPass>* passes, LateLeaving* leaving) {
    const std::size_t lanes = starts.lanes;
    const std::size_t counts = passes->empty() ? 0 : passes->front().ended.size();
    Walk walk = ending_walk(rules, leaving != nullptr ? step : 0, lanes, counts);
    if (leaving != nullptr) {
        leaving->spins.clear();
        for (std::size_t c = 0; c + 1 < walk.checkpoints.size(); ++c)
            leaving->spins.push_back(walk.played + walk.checkpoints[c]);
        leaving->ended.assign(walk.checkpoints.size(), std::vector<double>(leaving->bins, 0.0));
        leaving->alive.assign(walk.checkpoints.size(), std::vector<double>(leaving->bins, 0.0));
    }
    walk_counts(&walk, starts, leaving);
    for (std::size_t p = 0; p < lanes; ++p) {
        PlanPass& out = (*passes)[p];
        std::vector<double>* sums[walk_sums] = {&out.ended,      &out.ended_profit,
                                                &out.ended_wins, &out.ended_spins,
                                                &out.ruined,     &out.ruined_spins};
        for (std::size_t k = 0; k < counts; ++k) {
            for (std::size_t sum = 0; sum < walk_sums; ++sum)
                (*sums[sum])[k] += walk.totals[(k * walk_sums + sum) * lanes + p];
        }
    }
}
