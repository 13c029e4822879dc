// plan_strips.h - the first part of a plan's pass: every run from its first spin up to the
// ending spin, one purchase count (a strip) at a time, a stretch of spins at a time.
#ifndef QUORVANTELMIX_PLAN_STRIPS_H
#define QUORVANTELMIX_PLAN_STRIPS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exact/exact_rules.h"
#include "exact/plan.h"
#include "rules/vector_unit.h"

// A state with less probability than this at the edge of its strip is let go; so are the runs
// with more bonuses in a stretch than it follows, fewer than this of those it starts with.
constexpr double edge_below = 0x1p-80;

// The profit, in yen, of `units` cash units after k purchases after the first.
inline std::int64_t profit_of_units(std::int64_t units, std::int64_t k) {
    return units * cash_unit - std::int64_t{purchase_price} * (k + 1);
}

// Profits on the 500-yen grid from `lowest`: a histogram of probability.
struct ProfitBins {
    std::int64_t lowest{};    // the profit of the first bin
    std::vector<double> p{};  // [i]: the probability of a profit of lowest + 500 i
};

// The bin of `profit`.
inline std::size_t bin_of(const ProfitBins& bins, std::int64_t profit) {
    return static_cast<std::size_t>((profit - bins.lowest) / cash_unit);
}

// The binomial walk of a strip between its events, tabled once for every stretch length u from
// 0 to `longest`: K_u(d) = C(u, d) hit^d miss^(u - d), and its sums over the stretch for the
// bonuses out of the row below the target.
struct StretchTables {
    double hit{}, miss{};               // a spin's chances
    std::int32_t longest{};             // the longest stretch
    std::int32_t columns{};             // d from 0 to columns - 1
    std::vector<double> kernel{};       // [u * columns + d]: K_u(d)
    std::vector<double> exits{};        // [(i * columns + d) * 2]: hit K_(j-1)(d) summed for
                                        // j from 1 to i; [... + 1]: the same times j
    std::vector<double> exit_masses{};  // [i * columns + columns - 1 - d]: the first of those
    std::vector<std::int32_t> reach{};  // [u]: D, the most bonuses a stretch of u spins follows
    std::vector<double> beyond{};       // [u]: P(more than D bonuses in u spins)
};

// The tables for a hit probability `hit` and stretches of up to `longest` spins.
StretchTables stretch_tables(double hit, std::int32_t longest);

// A purchase of the strip below: its probability arrives in row `row` after spin `spin`.
struct Arrival {
    std::int32_t spin;  // the spin whose loss bought it
    std::int32_t row;   // its row, the same in both strips
    double mass;        // its probability
};

// A stretch's walk over a strip's rows x: rows `top` down to lo work out their sums in place
// from the rows lo to hi and the `kernel`'s terms 0 to `reach`. Returns the multiply-adds.
using WalkBlocks = std::int64_t (*)(double* x, std::int32_t lo, std::int32_t hi, std::int32_t top,
                                    const double* kernel, std::int32_t reach);

// Every strip of one pass after the same spins: strip k holds rows lo[k] to hi[k] (none where
// hi < lo), zero elsewhere and in `pad` rows below row 0.
struct Strips {
    const ExactRules* rules{};
    const StretchTables* tables{};
    WalkBlocks walk{};             // a stretch's walk, on the run's vector unit
    std::int32_t rows{}, width{};  // rows b from 0, strips k from 0
    std::int32_t pad{};            // the zero rows below each strip's row 0
    std::int32_t spins{};          // the spins every strip has played
    std::int32_t last{};           // the last strip that has held probability
    std::vector<double> mass{};    // [k * (pad + rows) + pad + b]: P(b bonuses, k purchases
                                   // after the first)
    std::vector<std::int32_t> lo{}, hi{};
    std::vector<std::int64_t> reaches{};        // [k]: the least medals (over 2^shift) that
                                                // reach the target; none for no target
    std::vector<Arrival> arriving{}, bought{};  // the purchases into this strip and the next
};

// The rows of strip k, from row 0.
inline double* strip_rows(Strips* strips, std::int32_t k) {
    const auto stride =
        static_cast<std::size_t>(strips->pad) + static_cast<std::size_t>(strips->rows);
    return &strips->mass[static_cast<std::size_t>(k) * stride +
                         static_cast<std::size_t>(strips->pad)];
}
inline const double* strip_rows(const Strips& strips, std::int32_t k) {
    const auto stride =
        static_cast<std::size_t>(strips.pad) + static_cast<std::size_t>(strips.rows);
    return &strips
                .mass[static_cast<std::size_t>(k) * stride + static_cast<std::size_t>(strips.pad)];
}

// Every run before its first spin, to be played to `target` (no_limit for none), with `rows`
// rows and `width` strips, its stretches walked on `unit`.
void start_strips(const ExactRules& rules, const StretchTables& tables, std::int64_t target,
                  std::int32_t rows, std::int32_t width, VectorUnit unit, Strips* strips);

// Plays every strip on to spin `spin` (before the ending spin), adding what ends on the way and
// what buys to `out`, and the runs that end to `ended` by profit (or null).
void play_strips(std::int32_t spin, Strips* strips, PlanPass* out, ProfitBins* ended);

#endif
