// exact.cpp - the dynamic programme over (bonuses, purchases), spin by spin.
#include "exact.h"

#include <algorithm>

#include "numbers.h"
#include "random_source.h"

namespace {

/* ------------------------------------ the states ------------------------------------ */

// The probability that a spin wins at odds T.
double hit_of(std::int32_t hit_threshold) {
    return static_cast<double>(hit_threshold + 1) / (random_max + 1);
}

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
void drop_row(Grid* grid, std::int32_t b, double* lost) {
    const auto r = static_cast<std::size_t>(b);
    double* row = row_of(grid, b);
    for (std::int32_t k = grid->lo[r]; k <= grid->hi[r]; ++k)
        row[k] = 0.0;
    *lost += grid->total[r];
    grid->total[r] = 0.0;
    grid->lo[r] = 1;
    grid->hi[r] = 0;
}

// Drops the states at both ends of row b whose share of the row is below exact_drop_below.
void trim_row(Grid* grid, std::int32_t b, double* lost) {
    const auto r = static_cast<std::size_t>(b);
    double* row = row_of(grid, b);
    std::int32_t& lo = grid->lo[r];
    std::int32_t& hi = grid->hi[r];
    const double least = exact_drop_below * grid->total[r];
    while (lo <= hi && row[lo] < least) {
        *lost += row[lo];
        grid->total[r] -= row[lo];
        row[lo++] = 0.0;
    }
    while (hi >= lo && row[hi] < least) {
        *lost += row[hi];
        grid->total[r] -= row[hi];
        row[hi--] = 0.0;
    }
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
    std::int64_t units = medals / per_unit;
    std::int64_t left = medals % per_unit;
    std::int64_t equal_units = medals / per_equal_unit;
    std::int64_t equal_left = medals % per_equal_unit;
    // A cash unit is 500 yen and a purchase 1000: a trial wins when its cash units exceed
    // twice its purchases.
    constexpr std::int64_t units_per_purchase = purchase_price / cash_unit;
    ExactCell sums{};
    for (std::int32_t k = lo; k <= hi; ++k) {
        const double w = row[k] * factor;
        const std::int64_t units_paid = units_per_purchase * (k + 1);
        sums.probability += w;
        sums.purchases += w * (k + 1);
        sums.units += w * static_cast<double>(units);
        sums.equal_units += w * static_cast<double>(equal_units);
        if (units > units_paid) sums.wins += w;
        if (equal_units > units_paid) sums.equal_wins += w;
        out->purchases[static_cast<std::size_t>(k)] += w;
        // Profits are whole cash units apart; the table grows to hold each one.
        const std::int64_t profit = (units - units_paid) * cash_unit;
        if (out->profits.empty()) out->profit_first = profit;
        if (profit < out->profit_first) {
            const auto grow = static_cast<std::size_t>((out->profit_first - profit) / cash_unit);
            out->profits.insert(out->profits.begin(), grow, 0.0);
            out->profit_first = profit;
        }
        const auto index = static_cast<std::size_t>((profit - out->profit_first) / cash_unit);
        if (index >= out->profits.size()) out->profits.resize(index + 1, 0.0);
        out->profits[index] += w;
        left += medals_per_purchase;
        while (left >= per_unit) {
            left -= per_unit;
            ++units;
        }
        equal_left += medals_per_purchase;
        while (equal_left >= per_equal_unit) {
            equal_left -= per_equal_unit;
            ++equal_units;
        }
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

void exact_outcome(const ExactRules& rules, ExactOutcome* outcome) {
    *outcome = ExactOutcome{};
    const double hit = hit_of(rules.hit_threshold);
    const double miss = 1.0 - hit;
    // A row's probability at the extreme odds, over its probability at these: a bonus
    // multiplies it by their ratio of hits, a losing spin by their ratio of misses.
    const double high_hit = hit_of(rules.highest_threshold) / hit;
    const double high_miss = (1.0 - hit_of(rules.highest_threshold)) / miss;
    const double low_hit = hit_of(rules.lowest_threshold) / hit;
    const double low_miss = (1.0 - hit_of(rules.lowest_threshold)) / miss;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;  // a medal, scaled
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);

    // At most L * cap / 50 refills, and the first purchase.
    Grid grid{};
    grid.width = static_cast<std::int32_t>(((loss * rules.spin_cap) >> rules.loss_shift) /
                                           medals_per_purchase) +
                 3;
    const auto width = static_cast<std::size_t>(grid.width);
    outcome->purchases.assign(width, 0.0);
    ensure_row(&grid, 1);
    grid.mass[0] = 1.0;  // no bonus, the first 50 medals bought
    grid.lo[0] = 0;
    grid.hi[0] = 0;
    grid.total[0] = 1.0;
    grid.high[0] = 1.0;
    grid.low[0] = 1.0;
    const auto ending_spins = static_cast<std::size_t>(rules.spin_cap - rules.ending_spin + 1);
    outcome->cells.resize(ending_spins);
    outcome->cells_first_row.resize(ending_spins, 0);

    std::int64_t updates = 0;
    for (std::int32_t spins = 0; spins < rules.spin_cap; ++spins) {
        const std::int32_t spin = spins + 1;  // the spin played now
        const bool bonus_ends = spin >= rules.ending_spin;
        ensure_row(&grid, grid.last_row + 2);
        std::vector<ExactCell>* cells = nullptr;
        if (bonus_ends) {
            const auto s = static_cast<std::size_t>(spin - rules.ending_spin);
            cells = &outcome->cells[s];
            cells->assign(static_cast<std::size_t>(grid.last_row - grid.first_row + 2),
                          ExactCell{});
            outcome->cells_first_row[s] = grid.first_row;
        }
        // From the most bonuses down, so that each row takes its bonuses from the row below
        // before that row itself moves on.
        for (std::int32_t b = grid.last_row + 1; b >= grid.first_row; --b) {
            const auto r = static_cast<std::size_t>(b);
            double* row = row_of(&grid, b);
            std::int32_t& lo = grid.lo[r];
            std::int32_t& hi = grid.hi[r];
            const bool was_live = lo <= hi;
            // A losing spin: the fewest purchases of the row may run out of medals (every other
            // count has 50 more medals a purchase) and buy once more.
            if (was_live && scaled_medals(rules, spins, b, lo) - loss < one) {
                row[lo + 1] += row[lo];
                row[lo] = 0.0;
                ++lo;
                hi = std::max(hi, lo);
            }
            const bool below_live = b > grid.first_row && live(grid, b - 1);
            std::int32_t from = lo;
            std::int32_t to = hi;
            if (below_live && !bonus_ends) {
                // The bonuses from the row below join the losing spins of this one.
                const std::int32_t below_lo = grid.lo[r - 1];
                const std::int32_t below_hi = grid.hi[r - 1];
                from = was_live ? std::min(lo, below_lo) : below_lo;
                to = was_live ? std::max(hi, below_hi) : below_hi;
                double* __restrict out = row;
                const double* __restrict in = row - width;
                for (std::int32_t k = from; k <= to; ++k)
                    out[k] = miss * out[k] + hit * in[k];
                grid.total[r] = miss * grid.total[r] + hit * grid.total[r - 1];
                grid.high[r] = was_live ? grid.high[r] * high_miss : grid.high[r - 1] * high_hit;
                grid.low[r] = was_live ? grid.low[r] * low_miss : grid.low[r - 1] * low_hit;
            } else if (was_live) {
                for (std::int32_t k = from; k <= to; ++k)
                    row[k] *= miss;
                grid.total[r] *= miss;
                grid.high[r] *= high_miss;
                grid.low[r] *= low_miss;
            }
            updates += to >= from ? to - from + 1 : 0;
            if (below_live && bonus_ends)
                end_trials(rules, row - width, grid.lo[r - 1], grid.hi[r - 1], b, spin, hit,
                           &(*cells)[static_cast<std::size_t>(b - grid.first_row)], outcome);
            lo = from;
            hi = to;
            if (lo <= hi) trim_row(&grid, b, &outcome->lost_probability);
        }
        ++grid.last_row;
        // The rows at either end that are negligible at every odds asked for; a row whose
        // bonuses are the typical ones of some odds in the range is never negligible.
        const auto negligible = [&](std::int32_t b) {
            const auto r = static_cast<std::size_t>(b);
            const std::int64_t share = static_cast<std::int64_t>(b) * (random_max + 1);
            if (share >= static_cast<std::int64_t>(spin) * (rules.lowest_threshold + 1) &&
                share <= static_cast<std::int64_t>(spin) * (rules.highest_threshold + 1))
                return false;
            const double most = std::max(1.0, std::max(grid.high[r], grid.low[r]));
            return grid.total[r] * most < exact_drop_below;
        };
        while (grid.last_row > grid.first_row &&
               (!live(grid, grid.last_row) || negligible(grid.last_row))) {
            if (live(grid, grid.last_row))
                drop_row(&grid, grid.last_row, &outcome->lost_probability);
            --grid.last_row;
        }
        while (grid.first_row < grid.last_row &&
               (!live(grid, grid.first_row) || negligible(grid.first_row))) {
            if (live(grid, grid.first_row))
                drop_row(&grid, grid.first_row, &outcome->lost_probability);
            ++grid.first_row;
        }
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

ExactMeans exact_means(const ExactRules& rules, const ExactOutcome& outcome,
                       std::int32_t hit_threshold) {
    // A trial of b bonuses in s spins has (p'/p)^b ((1 - p')/(1 - p))^(s - b) times the
    // probability at these odds: (ratio of hits / ratio of misses)^b times (ratio of misses)^s.
    const double hit = hit_of(rules.hit_threshold);
    const double other = hit_of(hit_threshold);
    const double miss_ratio = (1.0 - other) / (1.0 - hit);
    const double bonus_ratio = other / hit / miss_ratio;
    double spins_factor = 1.0;  // miss_ratio^s, from s = ending_spin
    for (std::int32_t i = 0; i < rules.ending_spin; ++i)
        spins_factor *= miss_ratio;
    double profit = 0.0;
    double equal_profit = 0.0;
    ExactMeans means{};
    for (std::size_t s = 0; s < outcome.cells.size(); ++s, spins_factor *= miss_ratio) {
        const std::vector<ExactCell>& cells = outcome.cells[s];
        double factor = spins_factor;  // times bonus_ratio^b
        for (std::int32_t b = 0; b < outcome.cells_first_row[s]; ++b)
            factor *= bonus_ratio;
        for (const ExactCell& cell : cells) {
            const double yen_paid = static_cast<double>(purchase_price) * cell.purchases;
            profit += factor * (cash_unit * cell.units - yen_paid);
            equal_profit += factor * (cash_unit * cell.equal_units - yen_paid);
            means.win_probability += factor * cell.wins;
            means.equal_win_probability += factor * cell.equal_wins;
            factor *= bonus_ratio;
        }
    }
    means.profit_mean = profit;
    means.equal_profit_mean = equal_profit;
    return means;
}

std::int32_t exact_slump_quantile(const ExactRules& rules, std::int32_t spins,
                                  std::int32_t permille) {
    const double hit = hit_of(rules.hit_threshold);
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
        probability = probability * (spins - b) / (b + 1) * hit / miss;
        ++b;
    }
    // 360 b - L (spins - b), truncated toward zero.
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const std::int64_t scaled = static_cast<std::int64_t>(bonus_medals) * b * one -
                                static_cast<std::int64_t>(rules.loss_scaled) * (spins - b);
    return static_cast<std::int32_t>(scaled / one);  // C++ division truncates toward zero
}
