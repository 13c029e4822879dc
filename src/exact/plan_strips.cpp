// plan_strips.cpp - the spins before the ending spin, one strip of runs at a time.
//
// In strip k (the runs with k purchases after the first) row b after n spins holds the medals
// M = A + G b - L n (over 2^shift), with A = 50 (k + 1) and G = 360 + L: a bonus adds 360 and
// keeps the losses, a loss takes L. So a strip changes course only at a few spins, its events:
// - the death of its lowest row with probability, once a period of G / L spins (262 at the
//   defaults): the loss of that spin takes the row below one medal, buys once more and moves
//   that probability to the same row of strip k + 1;
// - the arrival of such a purchase from strip k - 1;
// - under a target, the first row whose bonus reaches it moving up one, once a period too.
// Between its events a strip is a plain binomial walk upward: after u spins row b holds the sum
// over d of K_u(d) x[b - d], where x is the strip at the stretch's start, and the bonuses into
// the target's row at each of the u spins are the start's rows times K summed over the stretch
// (StretchTables). A death and an arrival need not end a stretch: the runs that buy are taken
// away afterwards with all they would have done (a source of negative probability from the
// death spin on), and the purchase that arrives walks on from its row for the rest of the
// stretch; a stretch takes in one of each, so a period is mostly one stretch. A strip depends
// only on what strip k - 1 buys, so the strips are played one after another, each from one
// spin to another.
//
// What a strip lets go, counted in PlanPass::left_out (a little over, where runs that bought
// are among those with too many bonuses):
// - in a stretch of u spins, the runs of a row with more than D(u) bonuses that have not ended
//   by then: fewer than 2^-80 of the row's runs (D is chosen so);
// - a state below 2^-80 at the edge of its strip after a stretch;
// - a bonus past the last row kept, which holds less than 2^-80 of the runs at the cap.
// A strip plays at most one stretch a spin, so a pass lets go less than 7500 * 2^-80 by the
// first, and less than 2^-80 a state computed by the second (fewer than 2^27 states): below
// 2^-53 in all, which moves a mean by less than 1e-9 yen. The exits before a stretch's end
// count the runs of a row with more than D(j) bonuses by its spin j (again fewer than 2^-80)
// with a later piece of cash, a cash unit off: they are not lost.
#include "exact/plan_strips.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

// A spin that never comes.
constexpr std::int64_t never = std::numeric_limits<std::int32_t>::max();

// Two rows of a strip side by side: each lane is the same multiplication and addition as
// one row alone.
using Pair = double __attribute__((vector_size(16)));

// The rows of a strip a stretch works out together.
constexpr std::int32_t rows_a_block = 8;

// The walk of a stretch over a strip's rows on each vector unit (stretch_blocks.inc).
namespace sse2_blocks {
using Vector = double __attribute__((vector_size(16)));
constexpr std::size_t per_vector = 2;
#include "exact/stretch_blocks.inc"
}  // namespace sse2_blocks

#if defined(QUORVANTELMIX_WIDE_UNITS)
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2_blocks {
using Vector = double __attribute__((vector_size(32)));
constexpr std::size_t per_vector = 4;
#include "exact/stretch_blocks.inc"  // NOLINT(readability-duplicate-include): once per unit
}  // namespace avx2_blocks
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512_blocks {
using Vector = double __attribute__((vector_size(64)));
constexpr std::size_t per_vector = 8;
#include "exact/stretch_blocks.inc"  // NOLINT(readability-duplicate-include): once per unit
}  // namespace avx512_blocks
#pragma GCC pop_options
#endif

// The walks by VectorUnit, in its order; a unit this build lacks walks on SSE2, which gives the
// same bits.
constexpr WalkBlocks unit_walks[] = {
    sse2_blocks::walk_blocks,
#if defined(QUORVANTELMIX_WIDE_UNITS)
    avx2_blocks::walk_blocks,
    avx512_blocks::walk_blocks,
#else
    sse2_blocks::walk_blocks,
    sse2_blocks::walk_blocks,
#endif
};

// The binomial terms of the longest stretch past its mean and below this are not tabled: a
// stretch follows only the counts whose terms above them sum to 2^-80 or more.
constexpr double term_below = 0x1p-100;

// What the strips of one pass share, in whole numbers over 2^shift.
struct Medals {
    std::int64_t one;         // a medal
    std::int64_t rise;        // G: what a bonus adds to a row's medals against the row below
    std::int64_t loss;        // L: what a spin takes
    std::int64_t unit;        // a cash unit, 5 Z medals
    std::int32_t unit_spins;  // the whole spins' losses in a cash unit
    std::int64_t unit_rest;   // and what is left of it
};

Medals medals_of(const ExactRules& rules) {
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const std::int64_t unit = scaled_cash_unit(rules);
    return {
        one,        bonus_medals * one + loss, loss, unit, static_cast<std::int32_t>(unit / loss),
        unit % loss};
}

// One strip as it is played.
struct Strip {
    std::int32_t k;       // its purchases after the first
    std::int64_t first;   // A: the medals of row 0 before any spin
    std::int64_t reach;   // the least medals that reach the target, or 0 for none
    double* x;            // [b]: its rows
    std::int32_t lo, hi;  // the rows that hold probability (none where hi < lo)
    std::int32_t spins;   // the spins it has played
};

// Probability that comes into a strip, or is taken out of it, within a stretch: `mass` in row
// `row` from the stretch's spin `at` on (0 for none), followed for at most `reach` bonuses. A
// purchase arriving from the strip below comes in; the runs of the lowest row that buy on its
// death spin are taken out, negative, with all they would have done after it.
struct Source {
    std::int32_t at;     // the stretch's spin it comes in after; 0 for no source
    std::int32_t row;    // the row it comes in at
    std::int32_t reach;  // the most bonuses it is followed for
    double mass;         // its probability, negative for runs taken out
};

// The medals of row b of strip `s` after `spins` spins.
std::int64_t medals_at(const Medals& m, const Strip& s, std::int64_t b, std::int64_t spins) {
    return s.first + m.rise * b - m.loss * spins;
}

// The spin whose loss takes row b of the strip below one medal.
std::int64_t death_spin(const Medals& m, const Strip& s, std::int32_t b) {
    return floor_divide(medals_at(m, s, b, 0) - m.one, m.loss) + 1;
}

// The first row a bonus on spin `spin` must reach to reach the target; `never` for none.
std::int64_t target_row(const Medals& m, const Strip& s, std::int64_t spin) {
    if (s.reach == 0) return never;
    return -floor_divide(s.first - m.loss * spin - s.reach, m.rise);  // rounded up
}

// The spin from which the target's row `row` no longer reaches it.
std::int64_t target_moves(const Medals& m, const Strip& s, std::int64_t row) {
    return floor_divide(medals_at(m, s, row, 0) - s.reach, m.loss) + 1;
}

// Lets go the states at the edges of the strip that hold less than edge_below.
void trim(Strip* s, double* left_out) {
    while (s->lo <= s->hi && s->x[s->lo] < edge_below) {
        *left_out += s->x[s->lo];
        s->x[s->lo++] = 0.0;
    }
    while (s->hi >= s->lo && s->x[s->hi] < edge_below) {
        *left_out += s->x[s->hi];
        s->x[s->hi--] = 0.0;
    }
}

// Whether the runs of `source` may reach row t within their reach.
bool source_reaches(const Source& source, std::int32_t t) {
    return source.at > 0 && t - 1 - source.row <= source.reach;
}

// The bonuses out of row t - 1 into the target's row t from the strip's rows first to last
// (those within D(u) of it) and from `sources`, summed from the first spin of a stretch of u
// spins to its spin j, and the same times the spins: two chains of sums, the even rows and the
// odd. Before the stretch's end only the rows within D(j) of the target's count: the runs of a
// row with more bonuses by spin j, fewer than 2^-80 of them, are counted with the spins after it
// instead, a cash unit and a few spins off.
Pair exits_through(const StretchTables& tables, const Strip& s, std::int32_t t, std::int32_t first,
                   std::int32_t last, std::int32_t u, std::int32_t j, const Source* sources,
                   std::size_t count) {
    const auto columns = static_cast<std::size_t>(tables.columns);
    const std::int32_t from =
        j < u ? std::max(first, t - 1 - tables.reach[static_cast<std::size_t>(j)]) : first;
    const double* table = &tables.exits[static_cast<std::size_t>(j) * columns * 2];
    const auto term = [&](std::int32_t b) {
        Pair exits;
        std::memcpy(&exits, table + 2 * static_cast<std::size_t>(t - 1 - b), sizeof exits);
        return exits * Pair{s.x[b], s.x[b]};
    };
    Pair even = {0.0, 0.0};
    Pair odd = {0.0, 0.0};
    std::int32_t b = from;
    for (; b < last; b += 2) {
        even += term(b);
        odd += term(b + 1);
    }
    if (b == last) even += term(b);
    Pair sum = even + odd;
    for (const Source* source = sources; source < sources + count; ++source) {
        if (!source_reaches(*source, t) || j <= source->at) continue;
        // Spins are counted from the stretch's start, the tables' from the source's.
        const double* after = &tables.exits[static_cast<std::size_t>(j - source->at) * columns * 2 +
                                            2 * static_cast<std::size_t>(t - 1 - source->row)];
        const Pair brought = {after[0], after[1] + source->at * after[0]};
        sum += brought * Pair{source->mass, source->mass};
    }
    return sum;
}

// The bonuses alone of exits_through (no spins), before the stretch's end (j < u), from a table
// whose rows run d downward, so that two rows of the strip read two counts side by side.
double exit_masses_through(const StretchTables& tables, const Strip& s, std::int32_t t,
                           std::int32_t first, std::int32_t last, std::int32_t j,
                           const Source* sources, std::size_t count) {
    const auto columns = static_cast<std::size_t>(tables.columns);
    const std::int32_t from = std::max(first, t - 1 - tables.reach[static_cast<std::size_t>(j)]);
    // Row b's count, t - 1 - b, sits at columns - t + b of the row.
    const double* table = &tables.exit_masses[static_cast<std::size_t>(j) * columns] +
                          (static_cast<std::ptrdiff_t>(tables.columns) - t);
    Pair even = {0.0, 0.0};
    Pair odd = {0.0, 0.0};
    std::int32_t b = from;
    for (; b + 3 <= last; b += 4) {
        Pair exits[2];
        Pair rows[2];
        std::memcpy(exits, table + b, sizeof exits);
        std::memcpy(rows, s.x + b, sizeof rows);
        even += exits[0] * rows[0];
        odd += exits[1] * rows[1];
    }
    double sum = (even[0] + even[1]) + (odd[0] + odd[1]);
    for (; b <= last; ++b)
        sum += table[b] * s.x[b];
    for (const Source* source = sources; source < sources + count; ++source) {
        if (!source_reaches(*source, t) || j <= source->at) continue;
        sum += source->mass *
               tables.exit_masses[static_cast<std::size_t>(j - source->at) * columns + columns - 1 -
                                  static_cast<std::size_t>(t - 1 - source->row)];
    }
    return sum;
}

// The bonuses into the target's row `row` over a stretch of u spins from the strip as it is
// and from `sources`, which end their runs, or are let go where `reached` is false (the row is
// past the last row kept). At each spin of the stretch the cash the target's row fetches is
// known, so the spins are taken in pieces of the same cash.
void stretch_exits(const Strips& all, const Medals& m, const Strip& s, std::int32_t u,
                   std::int64_t row, bool reached, const Source* sources, std::size_t count,
                   PlanPass* out, ProfitBins* ended) {
    const StretchTables& tables = *all.tables;
    const auto t = static_cast<std::int32_t>(row);
    const std::int32_t first = std::max(s.lo, t - 1 - tables.reach[static_cast<std::size_t>(u)]);
    const std::int32_t last = std::min(s.hi, t - 1);
    const auto reaches = [t](const Source& source) { return source_reaches(source, t); };
    if (first > last && std::none_of(sources, sources + count, reaches)) return;
    const auto through = [&](std::int32_t j) {
        return exits_through(tables, s, t, first, last, u, j, sources, count);
    };
    if (!reached) {
        out->left_out += through(u)[0];
        return;
    }
    // The target's row holds `units` cash units after the stretch's spin j0 + 1, and `over`
    // medals above them, which last `to_fall` spins more.
    const std::int64_t first_medals = medals_at(m, s, row, s.spins + 1);
    std::int64_t units = first_medals / m.unit;
    std::int64_t over = first_medals - units * m.unit;
    std::int32_t to_fall = static_cast<std::int32_t>(over / m.loss) + 1;
    over %= m.loss;
    // The spins want only the whole stretch's sum; the profits and the wins each piece's.
    const Pair whole = through(u);
    double before = 0.0;   // the bonuses before the piece
    double profits = 0.0;  // P(ending) times the profit
    double wins = 0.0;     // P(ending with a profit above 0)
    for (std::int32_t j0 = 0; j0 < u;) {
        const std::int32_t j1 = std::min(u, j0 + to_fall);
        const double upto =
            j1 < u ? exit_masses_through(tables, s, t, first, last, j1, sources, count) : whole[0];
        const double piece = upto - before;
        before = upto;
        const std::int64_t profit = profit_of_units(units, s.k);
        if (ended != nullptr) ended->p[bin_of(*ended, profit)] += piece;
        profits += piece * static_cast<double>(profit);
        if (profit > 0) wins += piece;
        to_fall -= j1 - j0;
        j0 = j1;
        if (to_fall == 0) {  // the next spin's bonus fetches a unit less
            --units;
            to_fall = m.unit_spins;
            over += m.unit_rest;
            if (over >= m.loss) {
                over -= m.loss;
                ++to_fall;
            }
        }
    }
    const auto k = static_cast<std::size_t>(s.k);
    out->ended[k] += whole[0];
    out->ended_profit[k] += profits;
    out->ended_wins[k] += wins;
    out->ended_spins[k] += whole[1] + s.spins * whole[0];
}

// Plays the u spins after the strip's, the target's row being `row` throughout, in which the
// lowest row dies at most once, at spin `dies` (0 for none) of the stretch, and at most one
// purchase arrives, `arrival` (or null), in a row that does not die within the stretch.
void play_stretch(Strips* all, const Medals& m, std::int32_t u, std::int64_t row, std::int32_t dies,
                  const Arrival* arrival, Strip* s, PlanPass* out, ProfitBins* ended) {
    const StretchTables& tables = *all->tables;
    const auto columns = static_cast<std::size_t>(tables.columns);
    const bool reached = row <= all->rows;
    const auto t = static_cast<std::int32_t>(std::min<std::int64_t>(row, all->rows));
    const std::int32_t reach = tables.reach[static_cast<std::size_t>(u)];
    // The runs that buy on the death spin, followed as far as the row's own, and the purchase
    // that arrives, followed for the rest of the stretch.
    Source sources[2] = {};
    if (dies > 0) {
        sources[0] = {dies, s->lo, reach,
                      -s->x[s->lo] * tables.kernel[static_cast<std::size_t>(dies) * columns]};
    }
    if (arrival != nullptr) {
        const std::int32_t at = arrival->spin - s->spins;
        sources[1] = {at, arrival->row, tables.reach[static_cast<std::size_t>(u - at)],
                      arrival->mass};
    }
    stretch_exits(*all, m, *s, u, t, reached, sources, 2, out, ended);
    // The runs from rows far enough below the target's not to reach it with D bonuses, and that
    // have more, are let go (those of them that buy first among them).
    double far = 0.0;
    for (std::int32_t b = s->lo; b <= std::min(s->hi, t - 2 - reach); ++b)
        far += s->x[b];
    out->left_out += far * tables.beyond[static_cast<std::size_t>(u)];
    // The walk, on the strips' vector unit.
    const std::int32_t top = std::min(s->hi + reach, t - 1);
    double* x = s->x;
    out->terms += all->walk(x, s->lo, s->hi, top,
                            &tables.kernel[static_cast<std::size_t>(u) * columns], reach);
    s->hi = top;
    if (dies > 0) {
        // The runs that bought left row lo for good, and the rows above it lose what they would
        // have brought there after buying: K_(u - dies)(d) of them d rows up.
        const Source& death = sources[0];
        const double* after = &tables.kernel[static_cast<std::size_t>(u - dies) * columns];
        x[death.row] = 0.0;
        for (std::int32_t d = 1; d <= reach && death.row + d <= top; ++d)
            x[death.row + d] += death.mass * after[d];
        const std::int32_t spin = s->spins + dies;
        const auto k = static_cast<std::size_t>(s->k);
        out->ruined[k] -= death.mass;
        out->ruined_spins[k] -= death.mass * spin;
        if (s->k + 1 < all->width) {
            all->bought.push_back({spin, death.row, -death.mass});
        } else {
            out->left_out -= death.mass;  // no run buys so often (see plan_width)
        }
    }
    if (arrival != nullptr) {
        // The purchase walks on from its row for the rest of the stretch.
        const Source& come = sources[1];
        const double* after = &tables.kernel[static_cast<std::size_t>(u - come.at) * columns];
        const std::int32_t last = std::min(come.row + come.reach, t - 1);
        for (std::int32_t b = come.row; b <= last; ++b)
            x[b] += come.mass * after[b - come.row];
        if (t - 2 - come.reach >= come.row)
            out->left_out += come.mass * tables.beyond[static_cast<std::size_t>(u - come.at)];
        s->lo = std::min(s->lo, come.row);
        s->hi = std::max(s->hi, last);
    }
    s->spins += u;
    trim(s, &out->left_out);
}

// Adds the purchases of `arriving` from `*next` on that arrive at the strip's spin.
void take_arrivals(const std::vector<Arrival>& arriving, std::size_t* next, Strip* s) {
    for (; *next < arriving.size() && arriving[*next].spin == s->spins; ++*next) {
        const Arrival& a = arriving[*next];
        s->x[a.row] += a.mass;
        if (s->lo > s->hi) s->lo = s->hi = a.row;
        s->lo = std::min(s->lo, a.row);
        s->hi = std::max(s->hi, a.row);
    }
}

// What a strip's next stretch runs to: its events worked out again only when they change.
struct Events {
    std::int32_t dies_of = -1;   // the lowest row of the deaths below
    std::int64_t dies = 0;       // that row's death
    std::int64_t next_dies = 0;  // the death of the row above it
    std::int64_t row = never;    // the target's row, or never
    std::int64_t moves = 0;      // the spin it moves
};

// Brings `events` up to the strip after its spins.
void update_events(const Strips& all, const Medals& m, const Strip& s, Events* events) {
    if (s.lo != events->dies_of) {
        events->dies_of = s.lo;
        events->dies = death_spin(m, s, s.lo);
        events->next_dies = death_spin(m, s, s.lo + 1);
    }
    if (s.spins + 1 >= events->moves) {
        events->row = target_row(m, s, s.spins + 1);
        events->moves = events->row < all.rows ? target_moves(m, s, events->row) : never;
    }
}

// Plays strip `s` on to spin `spin`, its purchases from the strip below in all->arriving. A
// stretch runs to the next event but the lowest row's death and a purchase's arrival, which it
// takes in: one of each at most, and not the death of the row the purchase arrives in.
void play_strip(std::int32_t spin, Strips* all, Strip* s, PlanPass* out, ProfitBins* ended) {
    const Medals m = medals_of(*all->rules);
    const std::vector<Arrival>& arriving = all->arriving;
    std::size_t next = 0;
    Events events;
    for (take_arrivals(arriving, &next, s); s->spins < spin; take_arrivals(arriving, &next, s)) {
        if (s->lo > s->hi) {  // nothing to play until the next purchase arrives
            s->spins = next < arriving.size() ? arriving[next].spin : spin;
            continue;
        }
        update_events(*all, m, *s, &events);
        std::int64_t end = std::min<std::int64_t>(spin, s->spins + all->tables->longest);
        end = std::min({end, events.next_dies - 1, events.moves - 1});
        const Arrival* arrival = next < arriving.size() ? &arriving[next] : nullptr;
        if (arrival != nullptr && arrival->spin <= end) {
            end = std::min(end, death_spin(m, *s, arrival->row) - 1);
            if (next + 1 < arriving.size())
                end = std::min<std::int64_t>(end, arriving[next + 1].spin);
        }
        if (arrival != nullptr && arrival->spin >= end) arrival = nullptr;  // not within
        const std::int64_t dies = events.dies;
        play_stretch(all, m, static_cast<std::int32_t>(end - s->spins), events.row,
                     dies <= end ? static_cast<std::int32_t>(dies - s->spins) : 0, arrival, s, out,
                     ended);
        next += arrival != nullptr ? 1 : 0;
    }
}

}  // namespace

StretchTables stretch_tables(double hit, std::int32_t longest) {
    StretchTables tables;
    tables.hit = hit;
    tables.miss = 1.0 - hit;
    tables.longest = longest;
    const auto spins = static_cast<std::size_t>(longest);
    // The columns the longest stretch needs: K_longest by its recurrence over every count, then
    // the counts past its mean whose terms are below term_below left out.
    std::vector<double> terms(spins + 2, 0.0);
    terms[0] = 1.0;
    for (std::size_t u = 0; u < spins; ++u) {
        for (std::size_t d = u + 1; d > 0; --d)
            terms[d] = tables.miss * terms[d] + tables.hit * terms[d - 1];
        terms[0] *= tables.miss;
    }
    std::size_t columns = spins + 1;
    while (columns > 1 &&
           terms[columns - 1]<term_below&& static_cast<double>(columns - 1)> static_cast<double>(
               spins) *
               hit)
        --columns;
    tables.columns = static_cast<std::int32_t>(columns);
    tables.kernel.assign((spins + 1) * columns, 0.0);
    tables.exits.assign((spins + 1) * columns * 2, 0.0);
    tables.exit_masses.assign((spins + 1) * columns, 0.0);
    tables.reach.assign(spins + 1, 0);
    tables.beyond.assign(spins + 1, 0.0);
    std::fill(terms.begin(), terms.end(), 0.0);
    terms[0] = 1.0;
    for (std::size_t u = 0; u <= spins; ++u) {
        const double* k = terms.data();
        std::copy_n(k, columns, &tables.kernel[u * columns]);
        // D: the least count whose terms above it, summed from the top, are below edge_below.
        double above = 0.0;
        std::size_t reach = columns - 1;
        while (reach > 0 && above + k[reach] < edge_below)
            above += k[reach--];
        tables.reach[u] = static_cast<std::int32_t>(reach);
        tables.beyond[u] = above;
        if (u == spins) break;
        for (std::size_t d = 0; d < columns; ++d) {
            const double exit = tables.hit * k[d];
            const double* before = &tables.exits[(u * columns + d) * 2];
            double* after = &tables.exits[((u + 1) * columns + d) * 2];
            after[0] = before[0] + exit;
            after[1] = before[1] + exit * static_cast<double>(u + 1);
            tables.exit_masses[(u + 1) * columns + columns - 1 - d] = after[0];
        }
        for (std::size_t d = std::min(u + 1, columns - 1); d > 0; --d)
            terms[d] = tables.miss * terms[d] + tables.hit * terms[d - 1];
        terms[0] *= tables.miss;
    }
    return tables;
}

void start_strips(const ExactRules& rules, const StretchTables& tables, std::int64_t target,
                  std::int32_t rows, std::int32_t width, VectorUnit unit, Strips* strips) {
    Strips& s = *strips;
    s.walk = unit_walks[static_cast<int>(unit)];
    s.rules = &rules;
    s.tables = &tables;
    s.rows = rows;
    s.width = width;
    s.spins = 0;
    s.last = 0;
    s.pad = tables.columns + rows_a_block;
    const auto w = static_cast<std::size_t>(width);
    s.mass.assign(static_cast<std::size_t>(s.pad + rows) * w, 0.0);
    s.lo.assign(w, rows);
    s.hi.assign(w, -1);
    strip_rows(&s, 0)[0] = 1.0;
    s.lo[0] = s.hi[0] = 0;
    s.reaches.assign(w, 0);
    // Strip k reaches the target with the cash units of target + 1000 (k + 1) yen, rounded up,
    // times 5 Z medals.
    for (std::size_t k = 0; target != no_limit && k < w; ++k) {
        const std::int64_t paid = std::int64_t{purchase_price} * static_cast<std::int64_t>(k + 1);
        const std::int64_t units = (target + paid + cash_unit - 1) / cash_unit;
        s.reaches[k] = units * scaled_cash_unit(rules);
    }
    s.arriving.clear();
    s.bought.clear();
}

void play_strips(std::int32_t spin, Strips* strips, PlanPass* out, ProfitBins* ended) {
    Strips& all = *strips;
    const Medals m = medals_of(*all.rules);
    all.arriving.clear();
    for (std::int32_t k = 0; k < all.width && (k <= all.last || !all.arriving.empty()); ++k) {
        const auto i = static_cast<std::size_t>(k);
        Strip s{k,
                m.one * medals_per_purchase * (k + 1),
                all.reaches[i],
                strip_rows(&all, k),
                all.lo[i],
                all.hi[i],
                all.spins};
        all.bought.clear();
        play_strip(spin, &all, &s, out, ended);
        const bool held = s.lo <= s.hi;
        all.lo[i] = held ? s.lo : all.rows;  // an empty strip as it started
        all.hi[i] = held ? s.hi : -1;
        if (held) all.last = std::max(all.last, k);
        std::swap(all.arriving, all.bought);
    }
    all.spins = spin;
}
