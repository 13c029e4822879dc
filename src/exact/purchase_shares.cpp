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

// A dead row's tail is no longer carried once its terms are below this (2^-70, about 8.5e-22
// of a share) and shrink by half or more from row to row: the ratio of successive terms,
// rho(b) = (m - d) / (d + 1) * (b + 1) / (n - b) with d = b - j and m = n - T_j - 1, only falls
// as b rises, for rho(b + 1) / rho(b) = (m - d - 1) / (m - d) * (d + 1) / (d + 2) *
// (b + 2) / (b + 1) * (n - b) / (n - b - 1), where (d + 1) / (d + 2) <= (b + 1) / (b + 2) as
// d <= b, and (m - d - 1) / (m - d) <= (n - b - 1) / (n - b) as m - d <= n - b (T_j >= j - 1).
// So all the tail would still add is less than twice its next term: with at most some sixty
// dead rows, under 1e-19 of any share.
constexpr double tail_below = 0x1p-70;

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
    double part0 = 1.0;
    double part1 = 1.0;
    double part2 = 1.0;
    double part3 = 1.0;
    const auto factor = [n, r, inverse](std::int32_t i) {
        return static_cast<double>(n - i) * inverse[i + 1] * r;
    };
    std::int32_t i = 0;
    for (; i + 4 <= b; i += 4) {
        part0 *= factor(i);
        part1 *= factor(i + 1);
        part2 *= factor(i + 2);
        part3 *= factor(i + 3);
    }
    for (; i < b; ++i)
        part0 *= factor(i);
    return part0 * part1 * (part2 * part3);
}

// The sum of term(i) for i from 0 to count - 1 in four parts side by side (i modulo 4, the
// last few in the first), added as (0 + 1) + (2 + 3): the same order, so the same bits, on
// every platform.
template <typename Term>
double sum_in_fours(std::int32_t count, const Term& term) {
    double part0 = 0.0;
    double part1 = 0.0;
    double part2 = 0.0;
    double part3 = 0.0;
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        part0 += term(i);
        part1 += term(i + 1);
        part2 += term(i + 2);
        part3 += term(i + 3);
    }
    for (; i < count; ++i)
        part0 += term(i);
    return (part0 + part1) + (part2 + part3);
}

// What the rows dead before the last of `death` carry to it: the sum over i of
// v_i C(T_j - T_i - 1, j - i) r^(j - i), from the two values of the factor for each j - i.
double carried_to(const std::vector<std::int64_t>& death, const std::vector<double>& held,
                  const std::vector<std::int64_t>& carry_base, const std::vector<double>& carry) {
    const auto j = static_cast<std::int32_t>(death.size()) - 1;
    const std::int64_t t = death.back();
    const auto carried = [&](std::int32_t i) {
        const auto d = static_cast<std::size_t>(j - i);
        const std::int64_t m = t - death[static_cast<std::size_t>(i)] - 1;
        return held[static_cast<std::size_t>(i)] * carry[2 * d + (m != carry_base[d] ? 1 : 0)];
    };
    return sum_in_fours(j, carried);
}

// The rows to keep after `spins` spins: up to where the best odds `hit` has shrunk past
// last_row_below.
std::int32_t rows_to_keep(std::int32_t spins, double hit) {
    const double miss = 1.0 - hit;
    if (miss <= 0.0) return spins + 1;
    double term = integer_power(miss, spins);  // P(0 bonuses)
    for (std::int32_t b = 0; b < spins; ++b) {
        const double ratio = static_cast<double>(spins - b) / (b + 1) * hit / miss;
        if (term < last_row_below && ratio <= 0.5) return b + 1;
        term = next_binomial_term(term, spins, b, hit, miss);
    }
    return spins + 1;
}

// The dead rows' tails being carried down the rows, the latest death first: [r] is dead row
// j = D - 1 - r, so that d = b - j, and with it 1 / (d + 1), rises with r.
struct Tails {
    std::vector<double> term;   // the tail's term at the current row
    std::vector<double> reach;  // m + j: (m - d) = reach - b
};

// Adds to `taken`[b] each dead row's share of row b at n (the rows below the dead count get
// nothing: they are dead themselves), carrying every tail down the rows at once so that the
// multiplications of different tails proceed side by side: the term at b + 1 is the term at b
// times (m - d) / (d + 1) times (b + 1) / (n - b), m = n - T_j - 1, d = b - j. A tail stops
// being carried once it is the earliest still carried, its next term is below tail_below and
// it shrinks by half or more at each row (the ratio only falls: see compute_purchase_shares),
// so that all it would still add is less than twice that term.
void carry_tails(std::int32_t n, std::int32_t rows, const std::vector<std::int64_t>& death,
                 const std::vector<double>& held, const std::vector<double>& free_at_n,
                 const std::vector<double>& inverse, const std::vector<double>& row_ratio,
                 Tails* tails, std::vector<double>* taken, std::int64_t* terms) {
    const auto dead = static_cast<std::int32_t>(death.size());
    tails->term.assign(static_cast<std::size_t>(dead), 0.0);
    tails->reach.assign(static_cast<std::size_t>(dead), 0.0);
    double* const term = tails->term.data();
    double* const reach = tails->reach.data();
    std::int32_t earliest = 0;  // the earliest death still carried
    for (std::int32_t b = 0; b < rows; ++b) {
        if (b < dead) {
            // Death b's paths join row b at n with the share v_b / (C(n, b) r^b).
            const auto r = static_cast<std::size_t>(dead - 1 - b);
            const auto j = static_cast<std::size_t>(b);
            term[r] = held[j] / free_at_n[j];
            reach[r] = static_cast<double>(n - death[j] - 1 + b);
        }
        // Tails r = from to to are carried: the deaths from the latest started to the earliest.
        const std::int32_t from = std::max(0, dead - 1 - b);
        const std::int32_t to = dead - 1 - earliest;
        if (from > to) {
            (*taken)[static_cast<std::size_t>(b)] = 0.0;
            continue;
        }
        const auto row = static_cast<double>(b);
        const double down = row_ratio[static_cast<std::size_t>(b)];
        // Tail r is at d = b - (D - 1 - r): 1 / (d + 1) is inverse[b - D + 2 + r].
        double* const carried = term + from;
        const double* const reaches = reach + from;
        const double* const inverses = inverse.data() + (b - dead + 2 + from);
        const std::int32_t count = to - from + 1;
        // The sum in four parts side by side, then every tail one row on: two plain loops
        // that the compiler runs two or four tails at a time.
        const double sum = sum_in_fours(count, [carried](std::int32_t i) { return carried[i]; });
        for (std::int32_t i = 0; i < count; ++i)
            carried[i] = carried[i] * ((reaches[i] - row) * inverses[i] * down);
        (*taken)[static_cast<std::size_t>(b)] = b >= dead ? sum : 0.0;
        *terms += count;
        // The earliest tail, once past its peak and small, is done.
        const double ratio = (reaches[count - 1] - row) * inverses[count - 1] * down;
        if (earliest < std::min(b + 1, dead) && ratio <= 0.5 && carried[count - 1] < tail_below)
            ++earliest;
    }
}

}  // namespace

double bonuses_beyond(std::int32_t spins, std::int32_t rows, double hit) {
    const double miss = 1.0 - hit;
    if (rows > spins || miss <= 0.0) return 0.0;
    double term = integer_power(miss, spins);
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
        // (no row follows the last spin's: its ratio stays 0)
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
    Tails tails{};
    std::int64_t terms = 0;
    for (std::int32_t k = 0; k < out.width; ++k) {
        death.clear();
        held.clear();
        for (std::int32_t j = 0; j < out.rows && last_alive(rules, k, j) < n; ++j) {
            const std::int64_t t = last_alive(rules, k, j);
            death.push_back(t);
            held.push_back(free_value(t, j, r, inverse.data()) -
                           carried_to(death, held, carry_base, carry));
            terms += j;
        }
        const auto dead = static_cast<std::int32_t>(death.size());
        carry_tails(n, out.rows, death, held, free_at_n, inverse, row_ratio, &tails, &taken,
                    &terms);
        for (std::int32_t b = dead; b < out.rows; ++b) {
            const double share = 1.0 - taken[static_cast<std::size_t>(b)];
            out.below[static_cast<std::size_t>(b) * width + static_cast<std::size_t>(k)] =
                std::min(1.0, std::max(0.0, share));
        }
        for (std::int32_t b = 0; b < std::min(dead, out.rows); ++b)
            out.lo[static_cast<std::size_t>(b)] = k + 1;
    }
    // Each row's distribution rises to 1 (rounding must not make a share negative). A row ends
    // where its distribution is 1 in a double: the shares past it add up to no more than the
    // distribution's own rounding (some 1e-15), and being shares of the row, the same at every
    // odds, they are that small a part of the row's probability at every odds.
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
