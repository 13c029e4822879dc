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
    const ExactRules* rules;
    std::int32_t played;                      // n0: the spins before the ending spin
    std::int32_t steps;                       // J: the spins from the ending spin to the cap
    std::vector<double> q{};                  // [t]: miss^t, t from 0 to J
    std::vector<double> spins{};              // [t]: sum over i < t of hit miss^i (n0 + 1 + i)
    std::vector<std::int32_t> checkpoints{};  // the steps after which the profits of leaving
                                              // are asked for, rising, then J + 1 (none)
    std::size_t lanes;                        // the passes
    std::vector<double> totals{};             // [(k * walk_sums + sum) * lanes + p]
};

// The walk of the spins from the ending spin to the cap for `lanes` passes, its checkpoints
// every `step` spins.
Walk ending_walk(const ExactRules& rules, std::int32_t step, std::size_t lanes,
                 std::size_t counts) {
    Walk walk{
        &rules, rules.ending_spin - 1, rules.spin_cap - rules.ending_spin + 1, {}, {}, {}, lanes,
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

// What the first pass's leaving needs of a state as it walks.
struct Leaving {
    LateLeaving* bins;
    double w;                // the state's probability in the first pass
    std::size_t checkpoint;  // the next checkpoint
};

// The bin of the profit of `units` cash units after k purchases.
std::size_t late_bin(const LateLeaving& bins, std::int64_t units, std::int64_t k) {
    return bin_of(ProfitBins{bins.lowest, {}}, profit_of_units(units, k));
}

// The runs of the first pass ending with `units` cash units at the steps from t to end - 1, and
// those still playing at each checkpoint among them, whose medals are `medals` before step t.
void leave_piece(const Walk& walk, std::int32_t t, std::int32_t end, std::int64_t medals,
                 std::int32_t k, std::int64_t units, Leaving* leaving) {
    LateLeaving& bins = *leaving->bins;
    const std::size_t bin = late_bin(bins, units, k);
    const ExactRules& rules = *walk.rules;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t unit = std::int64_t{medals_per_cash_unit} * rules.exchange_rate
                              << rules.loss_shift;
    const std::int32_t start = t;
    for (std::int32_t c = walk.checkpoints[leaving->checkpoint]; c < end;
         c = walk.checkpoints[++leaving->checkpoint]) {
        const auto at = static_cast<std::size_t>(c);
        bins.ended[leaving->checkpoint][bin] +=
            leaving->w * (walk.q[static_cast<std::size_t>(t)] - walk.q[at]);
        const std::int64_t left = (medals - loss * (c - start)) / unit;
        bins.alive[leaving->checkpoint][late_bin(bins, left, k)] += leaving->w * walk.q[at];
        t = c;
    }
    bins.ended[leaving->checkpoint][bin] +=
        leaving->w * (walk.q[static_cast<std::size_t>(t)] - walk.q[static_cast<std::size_t>(end)]);
}

// Scaled medals counted as the whole spins' losses they hold and what is left, so that a walk
// knows the spins until they run out without dividing.
struct Countdown {
    std::int64_t spins;  // whole losses of a spin
    std::int64_t rest;   // from 0 to a spin's loss - 1
};

// `medals` (0 or more) as a countdown of spins that take `loss`.
Countdown countdown_of(std::int64_t medals, std::int64_t loss) {
    return {medals / loss, medals % loss};
}

// Adds `more` to `c`.
void add_to(Countdown* c, Countdown more, std::int64_t loss) {
    c->spins += more.spins;
    c->rest += more.rest;
    if (c->rest >= loss) {
        c->rest -= loss;
        ++c->spins;
    }
}

// Takes `less`, no more than `c` holds, from `c`.
void take_from(Countdown* c, Countdown less, std::int64_t loss) {
    c->spins -= less.spins;
    c->rest -= less.rest;
    if (c->rest < 0) {
        c->rest += loss;
        --c->spins;
    }
}

// Whether `c` holds at least `d`.
bool at_least(Countdown c, Countdown d) {
    return c.spins > d.spins || (c.spins == d.spins && c.rest >= d.rest);
}

// Follows the state (b, k) from the ending spin to its end, a piece of spins at a time: within
// a piece its count and the cash a bonus would bring stay the same. Two countdowns tell the
// piece's end: the medals above one, whose end buys once more, and the medals a bonus would
// bring above its last whole cash unit, whose end loses a unit.
void walk_state(Walk* walk_in, std::int32_t b, std::int32_t k, const double* w, Leaving* leaving) {
    Walk& walk = *walk_in;
    const ExactRules& rules = *walk.rules;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t bonus = std::int64_t{bonus_medals} << rules.loss_shift;
    const std::int64_t unit = std::int64_t{medals_per_cash_unit} * rules.exchange_rate
                              << rules.loss_shift;
    const Countdown fifty =
        countdown_of(std::int64_t{medals_per_purchase} << rules.loss_shift, loss);
    const Countdown a_unit = countdown_of(unit, loss);
    std::int64_t medals = scaled_medals(rules, walk.played, b, k);  // before step t
    std::int64_t units = (medals + bonus) / unit;                   // what a bonus fetches
    Countdown to_buy = countdown_of(medals - one, loss);
    Countdown to_fall = countdown_of(medals + bonus - units * unit, loss);
    double sums[walk_sums] = {};
    for (std::int32_t t = 0; t < walk.steps;) {
        const std::int64_t piece =
            std::min({to_buy.spins + 1, to_fall.spins + 1, std::int64_t{walk.steps - t}});
        const auto end = static_cast<std::int32_t>(t + piece);
        const auto e = static_cast<std::size_t>(end);
        const auto s = static_cast<std::size_t>(t);
        const std::int64_t profit = profit_of_units(units, k);
        const double ended = walk.q[s] - walk.q[e];
        sums[ended_sum] += ended;
        sums[profit_sum] += ended * static_cast<double>(profit);
        if (profit > 0) sums[wins_sum] += ended;
        sums[spins_sum] += walk.spins[e] - walk.spins[s];
        if (leaving != nullptr) leave_piece(walk, t, end, medals, k, units, leaving);
        medals -= loss * piece;
        to_buy.spins -= piece;
        to_fall.spins -= piece;
        t = end;
        if (to_fall.spins < 0) {  // a bonus now fetches a unit less
            add_to(&to_fall, a_unit, loss);
            --units;
        }
        if (to_buy.spins < 0) {  // the last loss took the medals below one: a purchase
            sums[ruined_sum] = walk.q[e];
            sums[ruined_spins_sum] = walk.q[e] * (walk.played + t);
            add_sums(&walk, k, w, sums);
            ++k;
            medals += std::int64_t{medals_per_purchase} << rules.loss_shift;
            add_to(&to_buy, fifty, loss);
            add_to(&to_fall, fifty, loss);
            for (; at_least(to_fall, a_unit); ++units)
                take_from(&to_fall, a_unit, loss);
        }
        if (leaving != nullptr && t == walk.checkpoints[leaving->checkpoint] && t < walk.steps) {
            LateLeaving& bins = *leaving->bins;
            bins.alive[leaving->checkpoint][late_bin(bins, medals / unit, k)] +=
                leaving->w * walk.q[e];
            ++leaving->checkpoint;
        }
    }
    // The cap: the run ends with the medals it holds.
    const double at_cap = walk.q[static_cast<std::size_t>(walk.steps)];
    const std::int64_t profit = profit_of_units(medals / unit, k);
    sums[ended_sum] += at_cap;
    sums[profit_sum] += at_cap * static_cast<double>(profit);
    if (profit > 0) sums[wins_sum] += at_cap;
    sums[spins_sum] += at_cap * rules.spin_cap;
    add_sums(&walk, k, w, sums);
    if (leaving != nullptr) {
        LateLeaving& bins = *leaving->bins;
        bins.ended[leaving->checkpoint][late_bin(bins, medals / unit, k)] += leaving->w * at_cap;
    }
}

}  // namespace

void add_lane(const Strips& strips, std::size_t lane, Starts* starts) {
    const std::size_t lanes = starts->lanes;
    Starts merged{lanes, {}, {}, {}};
    merged.b.reserve(starts->b.size());
    merged.k.reserve(starts->k.size());
    merged.mass.reserve(starts->mass.size());
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
            if (b >= new_lo && b <= new_hi) masses[lane] = strip_rows(strips, k)[b];
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
    for (std::size_t i = 0; i < starts.b.size(); ++i) {
        const double* w = &starts.mass[i * lanes];
        Leaving first{leaving, w[0], 0};
        walk_state(&walk, starts.b[i], starts.k[i], w, leaving != nullptr ? &first : nullptr);
    }
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
