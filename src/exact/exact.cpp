// exact.cpp - the dynamic programme over (bonuses, purchases), spin by spin.
#include "exact/exact.h"

#include <algorithm>
#include <cmath>

#include "rules/numbers.h"
#include "rules/random_source.h"

namespace {

/* ------------------------------------ the states ------------------------------------ */

// The states after some spins: one row of probabilities over the purchases for each bonus
// count, each row live from lo to hi (empty when lo > hi) and 0 outside that band.
struct Grid {
    std::int32_t width;            // purchases a row can hold: 0 to width - 1
    std::vector<double> mass;      // row b at b * width
    std::vector<std::int32_t> lo;  // each row's first live purchase count
    std::vector<std::int32_t> hi;  // and its last
    std::vector<double> total;     // each row's probability
    std::vector<double> high;      // its probability at the highest odds asked for, over total
    std::vector<double> low;       // and at the lowest
    std::int32_t first_row;        // the rows that can be live
    std::int32_t last_row;
};

// Makes room for rows up to `row`, empty.
void ensure_row(Grid* grid, std::int32_t row) {
    const auto rows = static_cast<std::size_t>(row) + 1;
    if (grid->lo.size() >= rows) return;
    grid->mass.resize(rows * static_cast<std::size_t>(grid->width), 0.0);
    grid->lo.resize(rows, 1);
    grid->hi.resize(rows, 0);
    grid->total.resize(rows, 0.0);
    grid->high.resize(rows, 0.0);
    grid->low.resize(rows, 0.0);
}

// Row b's probabilities.
double* row_of(Grid* grid, std::int32_t b) {
    return &grid->mass[static_cast<std::size_t>(b) * static_cast<std::size_t>(grid->width)];
}

// True when row b holds a state.
bool live(const Grid& grid, std::int32_t b) {
    return grid.lo[static_cast<std::size_t>(b)] <= grid.hi[static_cast<std::size_t>(b)];
}

// Empties row b, counting its probability as lost.
void drop_row(Grid* grid, std::int32_t b, ExactOutcome* lost) {
    const auto r = static_cast<std::size_t>(b);
    double* row = row_of(grid, b);
    for (std::int32_t k = grid->lo[r]; k <= grid->hi[r]; ++k)
        row[k] = 0.0;
    // A row is dropped only where the bonuses it holds are not typical of any odds asked for
    // (negligible() below): its weight at other odds, (p'/p)^b ((1 - p')/(1 - p))^(n - b), then
    // rises or falls steadily over their range, and is largest at one end of it.
    lost->lost_probability += grid->total[r];
    lost->lost_any_odds += grid->total[r] * std::max(grid->high[r], grid->low[r]);
    grid->total[r] = 0.0;
    grid->lo[r] = 1;
    grid->hi[r] = 0;
}

// Drops the states at both ends of row b whose share of the row is below exact_drop_below.
void trim_row(Grid* grid, std::int32_t b, ExactOutcome* lost) {
    const auto r = static_cast<std::size_t>(b);
    double* row = row_of(grid, b);
    std::int32_t& lo = grid->lo[r];
    std::int32_t& hi = grid->hi[r];
    const double total = grid->total[r];
    const double least = exact_drop_below * total;
    while (lo <= hi && row[lo] < least) {
        lost->lost_probability += row[lo];
        grid->total[r] -= row[lo];
        row[lo++] = 0.0;
    }
    while (hi >= lo && row[hi] < least) {
        lost->lost_probability += row[hi];
        grid->total[r] -= row[hi];
        row[hi--] = 0.0;
    }
    // A state's share of its row is the same at every odds (all its paths have the row's b and
    // n), and a row is no more probable than 1 at any odds: what a trim drops is at most its
    // share at any of them.
    if (grid->total[r] < total) lost->lost_any_odds += (total - grid->total[r]) / total;
}

// The medals, times 2^loss_shift, of the state (bonuses, purchases) after `spins` spins.
std::int64_t scaled_medals(const ExactRules& rules, std::int64_t spins, std::int64_t bonuses,
                           std::int64_t purchases) {
    const auto bought_and_won =
        static_cast<std::int64_t>(medals_per_purchase) * (purchases + 1) + bonus_medals * bonuses;
    return bought_and_won * (std::int64_t{1} << rules.loss_shift) -
           static_cast<std::int64_t>(rules.loss_scaled) * (spins - bonuses);
}

/* ------------------------------------ outcomes ------------------------------------ */

// The cash units that `medals` medals fetch at `per_unit` medals a unit, and the medals over.
struct Units {
    std::int64_t units;  // whole units
    std::int64_t left;   // medals short of the next unit
};

// The units of 50 medals more: 50 medals are one or two units of 25 to 50 medals, so a
// subtraction and a comparison take the place of a division.
inline Units fifty_more(Units units, std::int64_t per_unit) {
    units.left += medals_per_purchase - per_unit;
    ++units.units;
    const bool another = units.left >= per_unit;
    units.left -= another ? per_unit : 0;
    units.units += another ? 1 : 0;
    return units;
}

// Adds to `cell` (and to `out`'s distributions and means) the trials that end after `spins`
// spins with `bonuses` bonuses, from `row` (live from lo to hi), each with its probability
// times `factor`.
void end_trials(const ExactRules& rules, const double* row, std::int32_t lo, std::int32_t hi,
                std::int32_t bonuses, std::int32_t spins, double factor, ExactCell* cell,
                ExactOutcome* out) {
    // The medals left, floor(m), rise by exactly 50 from one purchase count to the next: the
    // cash units follow by adding, the divisions done once a row.
    const std::int64_t per_unit =
        static_cast<std::int64_t>(medals_per_cash_unit) * rules.exchange_rate;
    const std::int64_t per_equal_unit =
        static_cast<std::int64_t>(medals_per_cash_unit) * medals_per_cash_unit;
    const std::int64_t medals = scaled_medals(rules, spins, bonuses, lo) >> rules.loss_shift;
    Units units{medals / per_unit, medals % per_unit};
    Units equal{medals / per_equal_unit, medals % per_equal_unit};
    // A cash unit is 500 yen and a purchase 1000: a trial wins when its cash units exceed
    // twice its purchases. The profit falls (or stays) from one purchase count to the next, so
    // the row's profits lie from that at hi to that at lo: the table grows once a row.
    constexpr std::int64_t units_per_purchase = purchase_price / cash_unit;
    const std::int64_t highest = units.units - units_per_purchase * (lo + 1);    // in cash units
    const std::int64_t lowest = highest - (units_per_purchase - 1) * (hi - lo);  // or lower
    const std::int64_t first = out->profits.empty() ? lowest : out->profit_first / cash_unit;
    if (out->profits.empty() || lowest < first) {
        const auto grow = static_cast<std::size_t>(out->profits.empty() ? 0 : first - lowest);
        out->profits.insert(out->profits.begin(), grow, 0.0);
        out->profit_first = lowest * cash_unit;
    }
    const std::int64_t base = out->profit_first / cash_unit;
    if (highest - base >= static_cast<std::int64_t>(out->profits.size()))
        out->profits.resize(static_cast<std::size_t>(highest - base + 1), 0.0);
    double* const profits = out->profits.data();
    double* const purchases = out->purchases.data();
    ExactCell sums{};
    for (std::int32_t k = lo; k <= hi; ++k) {
        const double w = row[k] * factor;
        const std::int64_t units_paid = units_per_purchase * (k + 1);
        sums.probability += w;
        sums.purchases += w * (k + 1);
        sums.units += w * static_cast<double>(units.units);
        sums.equal_units += w * static_cast<double>(equal.units);
        sums.wins += units.units > units_paid ? w : 0.0;
        sums.equal_wins += equal.units > units_paid ? w : 0.0;
        purchases[k] += w;
        profits[units.units - units_paid - base] += w;
        units = fifty_more(units, per_unit);
        equal = fifty_more(equal, per_equal_unit);
    }
    cell->probability += sums.probability;
    cell->purchases += sums.purchases;
    cell->units += sums.units;
    cell->equal_units += sums.equal_units;
    cell->wins += sums.wins;
    cell->equal_wins += sums.equal_wins;
    out->spins_mean += sums.probability * spins;
    out->bonuses_mean += sums.probability * bonuses;
}

// out[k] = miss out[k] + hit in[k] over the whole blocks of four from `from` to `to`: the states
// outside the live bands are 0 in both rows and stay 0.
void advance_block(double* __restrict out, const double* __restrict in, std::int32_t from,
                   std::int32_t to, double miss, double hit) {
    for (std::int32_t k = from / 4 * 4; k <= (to | 3); ++k)
        out[k] = miss * out[k] + hit * in[k];
}

}  // namespace

ExactRules exact_rules(const TrialRules& rules) {
    const ExactFloat loss = exact_float(rules.loss_per_spin);
    return ExactRules{rules.hit_threshold,
                      loss.mantissa,
                      loss.shift,
                      rules.exchange_rate,
                      spins_to_end,
                      spin_cap,
                      std::min(rules.hit_threshold, random_max / max_x),
                      std::max(rules.hit_threshold, random_max / min_x)};
}

namespace {

// What every spin of a pass uses, worked out once from the rules.
struct Pass {
    const ExactRules* rules;  // the rules
    double hit;               // the probability that a spin wins, at the player's odds
    double miss;              // 1 - hit
    // A row's probability at the extreme odds, over its probability at these: a bonus
    // multiplies it by their ratio of hits, a losing spin by their ratio of misses.
    double high_hit, high_miss, low_hit, low_miss;
    std::int64_t one;   // a medal, scaled
    std::int64_t loss;  // L, scaled
};

Pass pass_of(const ExactRules& rules) {
    Pass pass{};
    pass.rules = &rules;
    pass.hit = hit_probability(rules.hit_threshold);
    pass.miss = 1.0 - pass.hit;
    pass.high_hit = hit_probability(rules.highest_threshold) / pass.hit;
    pass.high_miss = (1.0 - hit_probability(rules.highest_threshold)) / pass.miss;
    pass.low_hit = hit_probability(rules.lowest_threshold) / pass.hit;
    pass.low_miss = (1.0 - hit_probability(rules.lowest_threshold)) / pass.miss;
    pass.one = std::int64_t{1} << rules.loss_shift;
    pass.loss = static_cast<std::int64_t>(rules.loss_scaled);
    return pass;
}

// The states before the first spin: no bonus, the first 50 medals bought; room for the rows
// that the pass will likely reach.
void start_grid(const Pass& pass, Grid* grid) {
    const ExactRules& rules = *pass.rules;
    // At most L * cap / 50 refills and the first purchase, in whole blocks of four, which the
    // loops take whole.
    const std::int64_t purchases =
        ((pass.loss * rules.spin_cap) >> rules.loss_shift) / medals_per_purchase + 3;
    grid->width = static_cast<std::int32_t>((purchases + 3) / 4 * 4);
    // The bonuses' mean at the best odds and ten standard deviations, so that the rows rarely
    // move as they grow.
    const double most_bonuses = rules.spin_cap * hit_probability(rules.highest_threshold);
    const auto rows =
        static_cast<std::size_t>(most_bonuses + 10.0 * std::sqrt(most_bonuses) + 20.0);
    grid->mass.reserve(rows * static_cast<std::size_t>(grid->width));
    for (std::vector<double>* values : {&grid->total, &grid->high, &grid->low})
        values->reserve(rows);
    grid->lo.reserve(rows);
    grid->hi.reserve(rows);
    ensure_row(grid, 1);
    grid->mass[0] = 1.0;
    grid->lo[0] = 0;
    grid->hi[0] = 0;
    grid->total[0] = 1.0;
    grid->high[0] = 1.0;
    grid->low[0] = 1.0;
}

// Plays spin `spins` + 1 in row b: its losing spins, and the bonuses from the row below, which
// join it or, from the ending spin on, end their trials in `cells`. Returns the states
// advanced.
std::int64_t play_row(const Pass& pass, Grid* grid, std::int32_t b, std::int32_t spins,
                      std::vector<ExactCell>* cells, ExactOutcome* outcome) {
    const ExactRules& rules = *pass.rules;
    const std::int32_t spin = spins + 1;
    const auto r = static_cast<std::size_t>(b);
    const auto width = static_cast<std::size_t>(grid->width);
    double* row = row_of(grid, b);
    std::int32_t& lo = grid->lo[r];
    std::int32_t& hi = grid->hi[r];
    const bool was_live = lo <= hi;
    // A losing spin: the fewest purchases of the row may run out of medals (every other count
    // has 50 more medals a purchase) and buy once more.
    if (was_live && scaled_medals(rules, spins, b, lo) - pass.loss < pass.one) {
        row[lo + 1] += row[lo];
        row[lo] = 0.0;
        ++lo;
        hi = std::max(hi, lo);
    }
    const bool below_live = b > grid->first_row && live(*grid, b - 1);
    std::int32_t from = lo;
    std::int32_t to = hi;
    if (below_live && cells == nullptr) {
        // The bonuses from the row below join the losing spins of this one.
        const std::int32_t below_lo = grid->lo[r - 1];
        const std::int32_t below_hi = grid->hi[r - 1];
        from = was_live ? std::min(lo, below_lo) : below_lo;
        to = was_live ? std::max(hi, below_hi) : below_hi;
        advance_block(row, row - width, from, to, pass.miss, pass.hit);
        grid->total[r] = pass.miss * grid->total[r] + pass.hit * grid->total[r - 1];
        grid->high[r] =
            was_live ? grid->high[r] * pass.high_miss : grid->high[r - 1] * pass.high_hit;
        grid->low[r] = was_live ? grid->low[r] * pass.low_miss : grid->low[r - 1] * pass.low_hit;
    } else if (was_live) {
        for (std::int32_t k = from / 4 * 4; k <= (to | 3); ++k)
            row[k] *= pass.miss;
        grid->total[r] *= pass.miss;
        grid->high[r] *= pass.high_miss;
        grid->low[r] *= pass.low_miss;
    }
    if (below_live && cells != nullptr)
        end_trials(rules, row - width, grid->lo[r - 1], grid->hi[r - 1], b, spin, pass.hit,
                   &(*cells)[static_cast<std::size_t>(b - grid->first_row)], outcome);
    lo = from;
    hi = to;
    if (lo <= hi) trim_row(grid, b, outcome);
    return to >= from ? to - from + 1 : 0;
}

// True when row b is negligible after `spin` spins at every odds asked for; a row whose bonuses
// are the typical ones of some odds in the range never is.
bool negligible(const ExactRules& rules, const Grid& grid, std::int32_t b, std::int32_t spin) {
    const auto r = static_cast<std::size_t>(b);
    const std::int64_t share = static_cast<std::int64_t>(b) * (random_max + 1);
    if (share >= static_cast<std::int64_t>(spin) * (rules.lowest_threshold + 1) &&
        share <= static_cast<std::int64_t>(spin) * (rules.highest_threshold + 1))
        return false;
    return grid.total[r] < exact_drop_below &&
           grid.total[r] * std::max(grid.high[r], grid.low[r]) < exact_other_drop_below;
}

// Drops the empty and the negligible rows at either end.
void drop_end_rows(const ExactRules& rules, Grid* grid, std::int32_t spin, ExactOutcome* lost) {
    while (grid->last_row > grid->first_row &&
           (!live(*grid, grid->last_row) || negligible(rules, *grid, grid->last_row, spin))) {
        if (live(*grid, grid->last_row)) drop_row(grid, grid->last_row, lost);
        --grid->last_row;
    }
    while (grid->first_row < grid->last_row &&
           (!live(*grid, grid->first_row) || negligible(rules, *grid, grid->first_row, spin))) {
        if (live(*grid, grid->first_row)) drop_row(grid, grid->first_row, lost);
        ++grid->first_row;
    }
}

}  // namespace

void exact_outcome(const ExactRules& rules, ExactOutcome* outcome) {
    *outcome = ExactOutcome{};
    const Pass pass = pass_of(rules);
    Grid grid{};
    start_grid(pass, &grid);
    outcome->purchases.assign(static_cast<std::size_t>(grid.width), 0.0);
    const auto ending_spins =
        static_cast<std::size_t>(rules.spin_cap) - static_cast<std::size_t>(rules.ending_spin) + 1;
    outcome->cells.resize(ending_spins);
    outcome->cells_first_row.resize(ending_spins, 0);

    std::int64_t updates = 0;
    for (std::int32_t spins = 0; spins < rules.spin_cap; ++spins) {
        const std::int32_t spin = spins + 1;  // the spin played now
        ensure_row(&grid, grid.last_row + 2);
        // From the ending spin on, a bonus ends its trial: into this spin's cells.
        std::vector<ExactCell>* cells = nullptr;
        if (spin >= rules.ending_spin) {
            const auto s =
                static_cast<std::size_t>(spin) - static_cast<std::size_t>(rules.ending_spin);
            cells = &outcome->cells[s];
            cells->assign(static_cast<std::size_t>(grid.last_row - grid.first_row) + 2,
                          ExactCell{});
            outcome->cells_first_row[s] = grid.first_row;
        }
        // From the most bonuses down, so that each row takes its bonuses from the row below
        // before that row itself moves on.
        for (std::int32_t b = grid.last_row + 1; b >= grid.first_row; --b)
            updates += play_row(pass, &grid, b, spins, cells, outcome);
        ++grid.last_row;
        drop_end_rows(rules, &grid, spin, outcome);
    }
    outcome->state_updates = updates;
    // The trials that reach the cap, in the cells of the last spin.
    const std::size_t last = ending_spins - 1;
    for (std::int32_t b = grid.first_row; b <= grid.last_row; ++b) {
        if (!live(grid, b)) continue;
        const auto cell = static_cast<std::size_t>(b - outcome->cells_first_row[last]);
        end_trials(rules, row_of(&grid, b), grid.lo[static_cast<std::size_t>(b)],
                   grid.hi[static_cast<std::size_t>(b)], b, rules.spin_cap, 1.0,
                   &outcome->cells[last][cell], outcome);
    }
}

void exact_means_at(const ExactRules& rules, const ExactOutcome& outcome,
                    const std::int32_t* hit_thresholds, std::size_t count, ExactMeans* means) {
    // A trial of b bonuses in s spins has (p'/p)^b ((1 - p')/(1 - p))^(s - b) times the
    // probability at these odds: (ratio of hits / ratio of misses)^b times (ratio of misses)^s.
    // The odds go through the cells side by side, a block at a time.
    constexpr std::size_t block = 8;
    const double hit = hit_probability(rules.hit_threshold);
    for (std::size_t start = 0; start < count; start += block) {
        double miss_ratio[block];
        double bonus_ratio[block];
        double spins_factor[block];  // miss_ratio^s, from s = ending_spin
        double sums[4][block] = {};  // profit, equal profit, wins, equal wins
        for (std::size_t j = 0; j < block; ++j) {
            // Past the last odds, the lanes repeat it and are not read.
            const double other = hit_probability(hit_thresholds[std::min(start + j, count - 1)]);
            miss_ratio[j] = (1.0 - other) / (1.0 - hit);
            bonus_ratio[j] = other / hit / miss_ratio[j];
            spins_factor[j] = 1.0;
            for (std::int32_t i = 0; i < rules.ending_spin; ++i)
                spins_factor[j] *= miss_ratio[j];
        }
        for (std::size_t s = 0; s < outcome.cells.size(); ++s) {
            double factor[block];  // spins_factor times bonus_ratio^b
            for (std::size_t j = 0; j < block; ++j) {
                factor[j] = spins_factor[j];
                for (std::int32_t b = 0; b < outcome.cells_first_row[s]; ++b)
                    factor[j] *= bonus_ratio[j];
                spins_factor[j] *= miss_ratio[j];
            }
            for (const ExactCell& cell : outcome.cells[s]) {
                const double yen_paid = static_cast<double>(purchase_price) * cell.purchases;
                const double profit = cash_unit * cell.units - yen_paid;
                const double equal_profit = cash_unit * cell.equal_units - yen_paid;
                for (std::size_t j = 0; j < block; ++j) {
                    sums[0][j] += factor[j] * profit;
                    sums[1][j] += factor[j] * equal_profit;
                    sums[2][j] += factor[j] * cell.wins;
                    sums[3][j] += factor[j] * cell.equal_wins;
                    factor[j] *= bonus_ratio[j];
                }
            }
        }
        for (std::size_t j = 0; j < block && start + j < count; ++j)
            means[start + j] = ExactMeans{sums[0][j], sums[2][j], sums[1][j], sums[3][j]};
    }
}

ExactMeans exact_means(const ExactRules& rules, const ExactOutcome& outcome,
                       std::int32_t hit_threshold) {
    ExactMeans means{};
    exact_means_at(rules, outcome, &hit_threshold, 1, &means);
    return means;
}

std::int32_t exact_slump_quantile(const ExactRules& rules, std::int32_t spins,
                                  std::int32_t permille) {
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const double level = permille / 1000.0;
    // P(b bonuses in `spins` spins), from b = 0 by the ratio of successive terms.
    double probability = 1.0;
    for (std::int32_t i = 0; i < spins; ++i)
        probability *= miss;
    double below = 0.0;
    std::int32_t b = 0;
    while (b < spins && below + probability < level) {
        below += probability;
        probability = next_binomial_term(probability, spins, b, hit, miss);
        ++b;
    }
    // 360 b - L (spins - b), truncated toward zero.
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const std::int64_t scaled = static_cast<std::int64_t>(bonus_medals) * b * one -
                                static_cast<std::int64_t>(rules.loss_scaled) * (spins - b);
    return static_cast<std::int32_t>(scaled / one);  // C++ division truncates toward zero
}
