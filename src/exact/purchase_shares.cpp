// purchase_shares.cpp - the purchases given the bonuses, one purchase count at a time.
//
// Fix a purchase count k and let Q[b](n) be the probability, over q^n (q the probability of a
// losing spin), of b bonuses and at most k purchases after n spins. A state with b bonuses and k
// purchases holds 50 (k + 1) + 360 b - L (n - b) medals and runs dry, buying once more, when that
// falls below 1; with at most k purchases the states of row b are therefore all alive until the
// last spin T(b) at which the count k itself still holds a medal, and none is alive after it.
// So, with r = p / q:
//     Q[b](n) = Q[b](n - 1) + r Q[b - 1](n - 1)   while n <= T(b),    Q[b](n) = 0 after.
// Without the deaths Q[b](n) would be C(n, b) r^b. T rises with b (by 1 + 360 / L spins a row),
// so the rows die from the bottom up, and a dying row receives nothing from the row below, dead
// before it: its value at death, v_j for row j, is then simply held. Removing it at T_j + 1 is
// removing a point source that the free recurrence would have carried on, and the free recurrence
// carries a point value v to v C(m, d) r^d after m spins and d rows. Hence, exactly,
//     v_j = C(T_j, j) r^j - sum over i < j of v_i C(T_j - T_i - 1, j - i) r^(j - i),
//     Q[b](n) = C(n, b) r^b - sum over the dead rows j of v_j C(n - T_j - 1, b - j) r^(b - j).
// Every subtracted term is the probability of a disjoint set of paths (those first killed at row
// i), so no sum exceeds the free value it is taken from: the tests hold the shares to a plain
// spin-by-spin programme within 2e-15 at the corners of the settings.
#include "exact/purchase_shares.h"

#include <algorithm>

#include "rules/numbers.h"
#include "rules/random_source.h"

namespace {

// A row whose probability at the best odds asked for falls below this, past the most likely
// count, ends the rows: the binomial terms after it shrink by half or more each (the test below
// makes sure), so all the rows after it hold less than twice this at those odds, and less at any
// worse odds, whose upper tail is smaller. 2^-90 is about 8e-28.
constexpr double last_row_below = 0x1p-90;

// A dead row's tail ends where all its terms still to come add up to less than this, about
// 8.5e-22 of a share: the ratio of successive terms only falls (see the loop), so with the
// ratio at rho < 1 the rest is at most term * rho / (1 - rho).
constexpr double tail_below = 0x1p-70;

// The medals, times 2^loss_shift, after `spins` spins with `bonuses` bonuses and `purchases`
// purchases after the first.
std::int64_t scaled_medals(const ExactRules& rules, std::int64_t spins, std::int64_t bonuses,
                           std::int64_t purchases) {
    const std::int64_t bought_and_won = 50 * (purchases + 1) + 360 * bonuses;
    return bought_and_won * (std::int64_t{1} << rules.loss_shift) -
           static_cast<std::int64_t>(rules.loss_scaled) * (spins - bonuses);
}

// The last spin after which row b still holds a medal with at most k purchases: the largest n
// with 50 (k + 1) + 360 b - L (n - b) >= 1.
std::int64_t last_alive(const ExactRules& rules, std::int64_t k, std::int64_t b) {
    const std::int64_t spare = (50 * k + 49 + 360 * b) << rules.loss_shift;
    return b + spare / static_cast<std::int64_t>(rules.loss_scaled);
}

// C(n, b) r^b, from `inverse` (1 / i at i): the factors (n - i) / (i + 1) r taken in four
// interleaved products (four times the speed of one chain), none of which overflows: each
// is at most the largest partial product of the factors in turn, the probability of a row
// over q^n.
double free_value(std::int64_t n, std::int32_t b, double r, const double* inverse) {
    double part[4] = {1.0, 1.0, 1.0, 1.0};
    for (std::int32_t i = 0; i < b; ++i)
        part[i % 4] = part[i % 4] * static_cast<double>(n - i) * inverse[i + 1] * r;
    return part[0] * part[1] * (part[2] * part[3]);
}

// The rows to keep after `spins` spins: up to where the best odds `hit` has shrunk past
// last_row_below.
std::int32_t rows_to_keep(std::int32_t spins, double hit) {
    const double miss = 1.0 - hit;
    if (miss <= 0.0) return spins + 1;
    double term = power(miss, spins);  // P(0 bonuses)
    for (std::int32_t b = 0; b < spins; ++b) {
        const double ratio = static_cast<double>(spins - b) / (b + 1) * hit / miss;
        if (term < last_row_below && ratio <= 0.5) return b + 1;
        term = next_binomial_term(term, spins, b, hit, miss);
    }
    return spins + 1;
}

}  // namespace

double bonuses_beyond(std::int32_t spins, std::int32_t rows, double hit) {
    const double miss = 1.0 - hit;
    if (rows > spins || miss <= 0.0) return 0.0;
    double term = power(miss, spins);
    for (std::int32_t b = 0; b < rows; ++b)
        term = next_binomial_term(term, spins, b, hit, miss);
    // Past the rows kept the terms only shrink, by half or more at the best odds: add them up
    // until they no longer change the sum.
    double beyond = 0.0;
    for (std::int32_t b = rows; b <= spins && beyond + term != beyond; ++b) {
        beyond += term;
        term = b < spins ? next_binomial_term(term, spins, b, hit, miss) : 0.0;
    }
    return beyond;
}

void compute_purchase_shares(const ExactRules& rules, PurchaseShares* shares) {
    PurchaseShares& out = *shares;
    out = PurchaseShares{};
    const std::int32_t n = rules.ending_spin - 1;
    out.spins = n;
    out.rows = rows_to_keep(n, hit_probability(rules.highest_threshold));
    // Row 0 is the first to die; from the count at which it holds a medal after n spins on,
    // no row dies and every row's share is 1.
    std::int32_t top = 0;
    while (scaled_medals(rules, n, 0, top) < (std::int64_t{1} << rules.loss_shift))
        ++top;
    out.width = top + 1;
    const auto rows = static_cast<std::size_t>(out.rows);
    const auto width = static_cast<std::size_t>(out.width);
    out.below.assign(rows * width, 0.0);
    out.lo.assign(rows, 0);
    out.hi.assign(rows, 0);

    const double hit = hit_probability(rules.hit_threshold);
    const double r = hit / (1.0 - hit);
    // C(n, b) r^b for every row, and the factors of the ratio of a dead row's successive terms.
    std::vector<double> free_at_n(rows);
    std::vector<double> inverse(static_cast<std::size_t>(n) + 2, 0.0);
    std::vector<double> row_ratio(rows, 0.0);  // (b + 1) / (n - b)
    for (std::size_t i = 1; i < inverse.size(); ++i)
        inverse[i] = 1.0 / static_cast<double>(i);
    for (std::int32_t b = 0; b < out.rows; ++b) {
        free_at_n[static_cast<std::size_t>(b)] = free_value(n, b, r, inverse.data());
        if (b < n) row_ratio[static_cast<std::size_t>(b)] = static_cast<double>(b + 1) / (n - b);
    }
    // Rows i and j = i + d die 1 + 360 d / L spins apart, rounded down or up, whatever the count
    // k: the carrying factor C(T_j - T_i - 1, d) r^d takes one of two values for each d.
    const std::int32_t most_deaths = out.rows;
    std::vector<std::int64_t> carry_base(static_cast<std::size_t>(most_deaths) + 1, 0);
    std::vector<double> carry(2 * carry_base.size(), 0.0);
    for (std::int32_t d = 1; d <= most_deaths; ++d) {
        const std::int64_t spins_apart = (std::int64_t{360} * d << rules.loss_shift) /
                                         static_cast<std::int64_t>(rules.loss_scaled);
        const auto at = static_cast<std::size_t>(d);
        carry_base[at] = d + spins_apart - 1;
        carry[2 * at] = free_value(carry_base[at], d, r, inverse.data());
        carry[2 * at + 1] = free_value(carry_base[at] + 1, d, r, inverse.data());
    }

    std::vector<std::int64_t> death;  // T_j of the rows that die, j = 0, 1, ...
    std::vector<double> held;         // v_j
    std::vector<double> taken(rows);  // the dead rows' share of row b at n
    std::int64_t terms = 0;
    for (std::int32_t k = 0; k < out.width; ++k) {
        death.clear();
        held.clear();
        for (std::int32_t j = 0; j < out.rows && last_alive(rules, k, j) < n; ++j) {
            const std::int64_t t = last_alive(rules, k, j);
            double gone[4] = {0.0, 0.0, 0.0, 0.0};  // four sums side by side
            for (std::int32_t i = 0; i < j; ++i) {
                const auto d = static_cast<std::size_t>(j - i);
                const std::int64_t m = t - death[static_cast<std::size_t>(i)] - 1;
                gone[i % 4] +=
                    held[static_cast<std::size_t>(i)] * carry[2 * d + (m != carry_base[d])];
            }
            const double value =
                free_value(t, j, r, inverse.data()) - ((gone[0] + gone[1]) + (gone[2] + gone[3]));
            terms += j;
            death.push_back(t);
            held.push_back(value);
        }
        const auto dead = static_cast<std::int32_t>(death.size());
        std::fill(taken.begin(), taken.end(), 0.0);
        // Each dead row's paths, carried to row b at n as a share of C(n, b) r^b: the term at
        // b + 1 is the term at b times (m - d) / (d + 1) times (b + 1) / (n - b).
        for (std::int32_t j = 0; j < dead; ++j) {
            const std::int64_t m = n - death[static_cast<std::size_t>(j)] - 1;
            double term =
                held[static_cast<std::size_t>(j)] / free_at_n[static_cast<std::size_t>(j)];
            for (std::int32_t b = j; b < out.rows; ++b) {
                const std::int64_t d = b - j;
                if (b >= dead) taken[static_cast<std::size_t>(b)] += term;
                if (d >= m || b >= n) break;
                const double ratio = static_cast<double>(m - d) *
                                     inverse[static_cast<std::size_t>(d + 1)] *
                                     row_ratio[static_cast<std::size_t>(b)];
                ++terms;
                if (ratio < 1.0 && term * ratio < tail_below * (1.0 - ratio)) break;
                term *= ratio;
            }
        }
        for (std::int32_t b = dead; b < out.rows; ++b) {
            const double share = 1.0 - taken[static_cast<std::size_t>(b)];
            out.below[static_cast<std::size_t>(b) * width + static_cast<std::size_t>(k)] =
                std::min(1.0, std::max(0.0, share));
        }
        for (std::int32_t b = 0; b < std::min(dead, out.rows); ++b)
            out.lo[static_cast<std::size_t>(b)] = k + 1;
    }
    // Each row's distribution rises to 1 (rounding must not make a share negative).
    for (std::size_t b = 0; b < rows; ++b) {
        double* row = &out.below[b * width];
        auto k = static_cast<std::size_t>(out.lo[b]);
        for (; k < width && row[k] < 1.0; ++k)
            row[k] = std::max(row[k], k > 0 ? row[k - 1] : 0.0);
        out.hi[b] = static_cast<std::int32_t>(std::min(k, width - 1));
        for (; k < width; ++k)
            row[k] = 1.0;
    }
    out.terms = terms;
}
