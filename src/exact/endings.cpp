// endings.cpp - one row at a time, from the first spin that can end a trial to the cap.
//
// In a row of b bonuses after n spins, purchase count k holds m(k) = 50 (k + 1) + 360 b - L (n - b)
// medals, scaled by 2^shift to whole numbers. Ending after j more losing spins and a bonus, it
// fetches floor((m(k) - L j + 360) / 5Z) cash units of 500 yen and has paid 1000 (k + 1) yen:
// a profit of 500 V(k), V = units - 2 (k + 1). Counts P = 5Z / gcd(50, 5Z) apart differ by 50 P
// medals, a whole number U_P = 10 P / Z of units, so along a class of counts P apart V falls by
// d = 2 P - U_P at each member, and the whole class loses a unit at the same spins. The counts
// below c(j), the lowest one still holding a medal, have all joined c(j): c(j) carries their
// shares too (the pile).
#include "exact/endings.h"

#include <algorithm>
#include <numeric>

#include "rules/numbers.h"

namespace {

// Medals as losing spins: a whole number of spins of L and the scaled medals over.
struct Step {
    std::int64_t spins, over;
};

// When the medals, falling by L a spin, next fall below a level: the spins they hold out for
// from j = 0 and what is over, (medals - level) = spins L + over. Lowering the level by a
// step's medals adds the step, so a walk divides only once for each count it follows.
struct Countdown {
    std::int64_t spins, over;
};

// The countdown of `medals` (at j = 0) to `level`, not above them, with spins of `loss`.
Countdown countdown(std::int64_t medals, std::int64_t level, std::int64_t loss) {
    return Countdown{(medals - level) / loss, (medals - level) % loss};
}

// The first spin at which the medals are below the level.
std::int64_t next_spin(const Countdown& c) {
    return c.spins + 1;
}

// Lowers the level by `step`.
void lower(Countdown* c, const Step& step, std::int64_t loss) {
    c->spins += step.spins;
    c->over += step.over;
    if (c->over >= loss) {
        c->over -= loss;
        ++c->spins;
    }
}

// One row of shares and the rules' constants for it.
struct Row {
    std::int64_t b, n;          // bonuses, spins played
    std::int64_t lo, hi;        // its purchase counts
    const double* below;        // P(purchases <= k | b)
    std::int64_t one, loss;     // a medal and L, scaled
    std::int64_t unit;          // 5 Z medals, a cash unit, scaled
    std::int64_t equal_unit;    // 25 medals, scaled
    std::int64_t period;        // P
    std::int64_t fall;          // d
    std::int64_t period_units;  // U_P: the cash units of P purchases' medals
    Step unit_step;             // a cash unit's medals in spins of L
    Step equal_step;            // 25 medals in spins of L
    Step fifty_step;            // 50 medals in spins of L
    std::vector<double> share;  // [k - lo]: P(purchases = k | b)
    std::vector<double> pre;    // [k - lo]: the shares of k's class up to k
    std::vector<double> pre_g;  // [k - lo]: the same times each member's place in its class
};

// P(purchases <= k | b), for any k.
double below_of(const Row& row, std::int64_t k) {
    if (k < row.lo) return 0.0;
    return row.below[std::min(k, row.hi)];
}

// P(purchases = k | b).
double share_of(const Row& row, std::int64_t k) {
    return k > row.hi ? 0.0 : below_of(row, k) - below_of(row, k - 1);
}

// The scaled medals of count k after j losing spins past the n spins, before any refill.
std::int64_t medals_of(const Row& row, std::int64_t k, std::int64_t j) {
    return (50 * (k + 1) + 360 * row.b) * row.one - row.loss * (row.n - row.b + j);
}

// The sum of `sums`' class members from `from` to `last`, both of the class.
double class_sum(const Row& row, const std::vector<double>& sums, std::int64_t from,
                 std::int64_t last) {
    if (from > last) return 0.0;
    const double before = from - row.period >= row.lo
                              ? sums[static_cast<std::size_t>(from - row.period - row.lo)]
                              : 0.0;
    return sums[static_cast<std::size_t>(last - row.lo)] - before;
}

// One class of counts: its members from `first` up, and what they add to the row's figures.
struct Class {
    std::int64_t first;  // the lowest member at or above the pile
    std::int64_t place;  // its place in the class, (first - lo) / P
    std::int64_t last;   // the class's last count with a share, below `first` if none
    std::int64_t units;  // the cash units of the class's lowest count, lo + its place
    Countdown fall;      // to the spin at which they next fall
    std::int64_t since;  // the spin from which its distributions are not yet added
    double value;        // sum of shares times V, the pile's included
    double wins;         // the shares with V > 0
};

// The state of a row's walk at spin j.
struct Walk {
    std::int64_t pile;         // c(j)
    std::int64_t pile_class;   // its class, (pile - lo) mod P
    Countdown join;            // to the spin at which the pile joins the next count
    std::int64_t equal_units;  // the units at 25 medals of count lo
    Countdown equal_fall;      // to the spin at which they next fall
    std::int64_t paid_since;   // the spin from which the purchases are not yet added
    std::vector<Class> classes;
};

// V of a class's first member.
std::int64_t first_value(const Row& row, const Class& c) {
    return c.units + c.place * row.period_units - 2 * (c.first + 1);
}

// The shares that join the pile: every count below it.
double pile_extra(const Row& row, const Walk& walk) {
    return below_of(row, walk.pile - 1);
}

// Works out a class's value and wins from its members.
void weigh_class(const Row& row, const Walk& walk, std::int64_t place, Class* c) {
    const double extra = walk.pile_class == place ? pile_extra(row, walk) : 0.0;
    const double mass = class_sum(row, row.pre, c->first, c->last);
    const double steps =
        class_sum(row, row.pre_g, c->first, c->last) - static_cast<double>(c->place) * mass;
    const std::int64_t v = first_value(row, *c);
    c->value = static_cast<double>(v) * (mass + extra) - static_cast<double>(row.fall) * steps;
    if (v <= 0) {
        c->wins = 0.0;
    } else if (row.fall == 0) {
        c->wins = mass + extra;
    } else {
        // Members first + t P win while v - t d > 0, that is for t <= (v - 1) / d (both far
        // below 2^31: a 32-bit division, several times quicker than one of 64 bits).
        const std::int32_t winners =
            static_cast<std::int32_t>(v - 1) / static_cast<std::int32_t>(row.fall);
        const std::int64_t past = c->first + (winners + 1) * row.period;
        c->wins = extra + mass - class_sum(row, row.pre, past, c->last);
    }
}

// The row's figures at the walk's spin, from its classes and the equal exchange's units.
EndingFigures figures_of(const Row& row, const Walk& walk) {
    double value = 0.0;
    double wins = 0.0;
    for (const Class& c : walk.classes) {
        value += c.value;
        wins += c.wins;
    }
    const double total = below_of(row, row.hi);
    const std::int64_t equal = walk.equal_units - 2 * (row.lo + 1);
    return EndingFigures{{static_cast<double>(cash_unit) * value, wins,
                          static_cast<double>(cash_unit * equal) * total, equal > 0 ? total : 0.0}};
}

// A row's changes spin by spin, [j * ending_figures + figure], added up as the classes move
// one at a time and kept afterwards where they are not 0; all 0 between rows.
struct Deltas {
    std::vector<double> at;
};

// Adds to spin j's deltas what class `c` adds once reweighed.
void reweigh(const Row& row, const Walk& walk, std::int64_t place, Class* c, std::int64_t j,
             Deltas* deltas) {
    const double value = c->value;
    const double wins = c->wins;
    weigh_class(row, walk, place, c);
    double* at = &deltas->at[static_cast<std::size_t>(j) * ending_figures];
    at[ending_profit] += static_cast<double>(cash_unit) * (c->value - value);
    at[ending_wins] += c->wins - wins;
}

// Keeps the row's changes from `deltas`, emptying them.
void keep_changes(std::int64_t last, Deltas* deltas, RowEndings* endings) {
    for (std::int64_t j = 1; j <= last; ++j) {
        double* at = &deltas->at[static_cast<std::size_t>(j) * ending_figures];
        for (const int first : {ending_profit, ending_equal_profit}) {
            if (at[first] == 0.0 && at[first + 1] == 0.0) continue;
            EndingChanges& changes = first == ending_profit ? endings->at_rate : endings->equal;
            changes.at.push_back(static_cast<std::int32_t>(j));
            changes.change.push_back(at[first]);
            changes.change.push_back(at[first + 1]);
            at[first] = at[first + 1] = 0.0;
        }
    }
}

// The figures of the row's trials that reach the cap with the pile at `pile`: no bonus, J
// losing spins.
EndingFigures cap_figures(const Row& row, std::int64_t pile, std::int64_t last) {
    EndingFigures cap{};
    for (std::int64_t k = pile; k <= std::max(pile, row.hi); ++k) {
        const double w = k == pile ? below_of(row, k) : share_of(row, k);
        const std::int64_t medals = medals_of(row, k, last);
        const std::int64_t v = floor_divide(medals, row.unit) - 2 * (k + 1);
        const std::int64_t equal = floor_divide(medals, row.equal_unit) - 2 * (k + 1);
        cap.value[ending_profit] += w * static_cast<double>(cash_unit * v);
        cap.value[ending_wins] += v > 0 ? w : 0.0;
        cap.value[ending_equal_profit] += w * static_cast<double>(cash_unit * equal);
        cap.value[ending_equal_wins] += equal > 0 ? w : 0.0;
    }
    return cap;
}

// Where the walk adds its distributions at one odds.
struct Tally {
    const double* miss_power;  // q^j
    double weight;             // the row's probability at those odds; 0: none
    EndingDistributions* out;
    std::int64_t lowest_value;  // V of profits[0]
};

// Adds a class's members over the spins from its `since` to j.
void add_class(const Row& row, const Walk& walk, std::int64_t place, Class* c, std::int64_t j,
               Tally* tally) {
    if (tally->weight > 0.0 && j > c->since) {
        const double w = tally->weight * (tally->miss_power[c->since] - tally->miss_power[j]);
        double* profits = tally->out->profits.data() + (first_value(row, *c) - tally->lowest_value);
        if (walk.pile_class == place) *profits += w * pile_extra(row, walk);
        if (row.fall == 0) {
            // Every member has the same profit (Z = 5).
            *profits += w * class_sum(row, row.pre, c->first, c->last);
        } else {
            const double* share = row.share.data() + (c->first - row.lo);
            const std::int64_t members =
                c->first <= c->last ? (c->last - c->first) / row.period + 1 : 0;
            for (std::int64_t t = 0; t < members; ++t)
                profits[-t * row.fall] += w * share[t * row.period];
        }
    }
    c->since = j;
}

// Adds the purchases over the spins from the walk's `paid_since` to j.
void add_purchases(const Row& row, Walk* walk, std::int64_t j, Tally* tally) {
    if (tally->weight > 0.0 && j > walk->paid_since) {
        const double w =
            tally->weight * (tally->miss_power[walk->paid_since] - tally->miss_power[j]);
        double* purchases = tally->out->purchases.data();
        for (std::int64_t k = walk->pile + 1; k <= row.hi; ++k)
            purchases[k] += w * row.share[static_cast<std::size_t>(k - row.lo)];
        purchases[walk->pile] += w * below_of(row, walk->pile);
    }
    walk->paid_since = j;
}

// The walk of a row at j = 0: the pile at the fewest purchases, each class at its lowest count.
Walk start_walk(const Row& row) {
    Walk walk{};
    walk.pile = row.lo;
    walk.join = countdown(medals_of(row, row.lo, 0), row.one, row.loss);
    const std::int64_t equal_medals = medals_of(row, row.lo, 0) + bonus_medals * row.one;
    walk.equal_units = floor_divide(equal_medals, row.equal_unit);
    walk.equal_fall = countdown(equal_medals, walk.equal_units * row.equal_unit, row.loss);
    walk.classes.resize(static_cast<std::size_t>(row.period));
    for (std::int64_t place = 0; place < row.period; ++place) {
        Class& c = walk.classes[static_cast<std::size_t>(place)];
        const std::int64_t medals = medals_of(row, row.lo + place, 0) + bonus_medals * row.one;
        c.first = row.lo + place;
        c.last = c.first > row.hi ? c.first - row.period
                                  : c.first + (row.hi - c.first) / row.period * row.period;
        c.units = floor_divide(medals, row.unit);
        c.fall = countdown(medals, c.units * row.unit, row.loss);
        weigh_class(row, walk, place, &c);
    }
    return walk;
}

// Drops class `c`'s units to those it holds after j losing spins.
void fall_to(const Row& row, std::int64_t j, Class* c) {
    while (next_spin(c->fall) <= j) {
        --c->units;
        lower(&c->fall, row.unit_step, row.loss);
    }
}

// The equal exchange's changes: its figures move with the units of any one count, the pile
// and the classes aside.
void walk_equal(const Row& row, std::int64_t last, Walk* walk, Deltas* deltas) {
    const double total = below_of(row, row.hi);
    for (std::int64_t j = next_spin(walk->equal_fall); j < last; j = next_spin(walk->equal_fall)) {
        const std::int64_t before = walk->equal_units - 2 * (row.lo + 1);
        while (next_spin(walk->equal_fall) <= j) {
            --walk->equal_units;
            lower(&walk->equal_fall, row.equal_step, row.loss);
        }
        const std::int64_t after = walk->equal_units - 2 * (row.lo + 1);
        double* at = &deltas->at[static_cast<std::size_t>(j) * ending_figures];
        at[ending_equal_profit] += static_cast<double>(cash_unit * (after - before)) * total;
        at[ending_equal_wins] += (after > 0 ? total : 0.0) - (before > 0 ? total : 0.0);
    }
}

// Moves the pile at spin `join`, with the classes that lose a unit at that same spin.
void move_pile(const Row& row, std::int64_t join, Walk* walk, Tally* tally, Deltas* deltas) {
    std::uint32_t changed = 0;  // bit P: class P changed
    Class before[32];           // P <= Z <= 10 classes
    std::copy(walk->classes.begin(), walk->classes.end(), before);
    while (next_spin(walk->join) <= join) {
        add_purchases(row, walk, join, tally);
        const std::int64_t from = walk->pile_class;
        const std::int64_t to = from + 1 == row.period ? 0 : from + 1;
        Class& leaving = walk->classes[static_cast<std::size_t>(from)];
        add_class(row, *walk, from, &leaving, join, tally);
        add_class(row, *walk, to, &walk->classes[static_cast<std::size_t>(to)], join, tally);
        leaving.first += row.period;
        ++leaving.place;
        ++walk->pile;
        walk->pile_class = to;
        lower(&walk->join, row.fifty_step, row.loss);
        changed |= 1u << from | 1u << to;
    }
    for (std::int64_t place = 0; place < row.period; ++place) {
        Class& c = walk->classes[static_cast<std::size_t>(place)];
        if (next_spin(c.fall) > join) continue;
        add_class(row, *walk, place, &c, join, tally);
        fall_to(row, join, &c);
        changed |= 1u << place;
    }
    for (std::int64_t place = 0; place < row.period; ++place) {
        if ((changed >> place & 1u) == 0) continue;
        Class& c = walk->classes[static_cast<std::size_t>(place)];
        c.value = before[place].value;
        c.wins = before[place].wins;
        reweigh(row, *walk, place, &c, join, deltas);
    }
}

// Adds the trials that reach the cap, with the pile where J losing spins leave it.
void add_cap(const Row& row, std::int64_t last, const Walk& walk, Tally* tally) {
    if (tally->weight <= 0.0) return;
    const double w = tally->weight * tally->miss_power[last];
    for (std::int64_t k = walk.pile; k <= std::max(walk.pile, row.hi); ++k) {
        const double share = k == walk.pile ? below_of(row, k) : share_of(row, k);
        const std::int64_t v = floor_divide(medals_of(row, k, last), row.unit) - 2 * (k + 1);
        tally->out->profits[static_cast<std::size_t>(v - tally->lowest_value)] += w * share;
        tally->out->purchases[static_cast<std::size_t>(k)] += w * share;
    }
}

// Walks row `row` from j = 0 to the cap, appending its changes to `endings`. Between two
// moves of the pile the classes are independent: each is walked through its own lost units
// alone, and the pile's moves are taken in turn.
void walk_row(const Row& row, std::int64_t last, RowEndings* endings, Tally* tally,
              Deltas* deltas) {
    Walk walk = start_walk(row);
    endings->start.push_back(figures_of(row, walk));
    walk_equal(row, last, &walk, deltas);
    for (;;) {
        // Each class's lost units before the pile next moves.
        const std::int64_t join = std::min(next_spin(walk.join), last);
        for (std::int64_t place = 0; place < row.period; ++place) {
            Class& c = walk.classes[static_cast<std::size_t>(place)];
            for (std::int64_t j = next_spin(c.fall); j < join; j = next_spin(c.fall)) {
                add_class(row, walk, place, &c, j, tally);
                fall_to(row, j, &c);
                reweigh(row, walk, place, &c, j, deltas);
            }
        }
        if (join >= last) break;
        move_pile(row, join, &walk, tally, deltas);
    }
    // The trials that win a bonus before the cap are all added; then those that reach it.
    add_purchases(row, &walk, last, tally);
    for (std::int64_t place = 0; place < row.period; ++place)
        add_class(row, walk, place, &walk.classes[static_cast<std::size_t>(place)], last, tally);
    const EndingFigures now = figures_of(row, walk);
    while (next_spin(walk.join) <= last) {
        ++walk.pile;
        lower(&walk.join, row.fifty_step, row.loss);
    }
    const EndingFigures cap = cap_figures(row, walk.pile, last);
    double* at = &deltas->at[static_cast<std::size_t>(last) * ending_figures];
    for (int figure = 0; figure < ending_figures; ++figure)
        at[figure] += cap.value[figure] - now.value[figure];
    keep_changes(last, deltas, endings);
    add_cap(row, last, walk, tally);
}

}  // namespace

void compute_endings(const ExactRules& rules, const PurchaseShares& shares,
                     const double* row_weight, double miss, RowEndings* endings,
                     EndingDistributions* distributions) {
    *endings = RowEndings{};
    *distributions = EndingDistributions{};
    const std::int64_t last = rules.spin_cap - shares.spins;
    endings->last = static_cast<std::int32_t>(last);
    std::vector<double> miss_power(static_cast<std::size_t>(last) + 1, 1.0);
    for (std::size_t j = 1; j < miss_power.size(); ++j)
        miss_power[j] = miss_power[j - 1] * miss;

    Row row{};
    row.n = shares.spins;
    row.one = std::int64_t{1} << rules.loss_shift;
    row.loss = static_cast<std::int64_t>(rules.loss_scaled);
    const std::int64_t unit_medals = std::int64_t{medals_per_cash_unit} * rules.exchange_rate;
    row.unit = unit_medals * row.one;
    row.equal_unit = std::int64_t{medals_per_cash_unit} * medals_per_cash_unit * row.one;
    row.period = unit_medals / std::gcd(std::int64_t{medals_per_purchase}, unit_medals);
    row.period_units = medals_per_purchase * row.period / unit_medals;
    row.fall = 2 * row.period - row.period_units;
    row.unit_step = Step{row.unit / row.loss, row.unit % row.loss};
    row.equal_step = Step{row.equal_unit / row.loss, row.equal_unit % row.loss};
    row.fifty_step = Step{50 * row.one / row.loss, 50 * row.one % row.loss};

    // The distributions' bounds: the pile can climb one count for each 50 medals lost, and V
    // lies between -2 (k + 1) and the units of the richest count.
    const std::int64_t most_joins = (row.loss * last >> rules.loss_shift) / 50 + 2;
    distributions->purchases.assign(static_cast<std::size_t>(shares.width + most_joins), 0.0);
    const std::int64_t lowest = -2 * (shares.width + most_joins + 1);
    const std::int64_t richest = 50 * (shares.width + 1) + 360 * (shares.rows + 1);
    distributions->profits.assign(static_cast<std::size_t>(richest / unit_medals - lowest + 2),
                                  0.0);
    Tally tally{miss_power.data(), 0.0, distributions, lowest};
    Deltas deltas{std::vector<double>(static_cast<std::size_t>(last + 1) * ending_figures, 0.0)};
    // Each class of a row loses a unit every 5 Z / L spins and the pile moves every 50 / L, the
    // equal exchange's units fall every 25 / L: room for all of them and the cap, row by row.
    const std::int64_t lost = (row.loss * last >> rules.loss_shift) + 1;
    const std::int64_t at_rate = row.period * (lost / unit_medals + 2) + lost / 50 + 2;
    const std::int64_t equal = lost / 25 + 2;
    for (EndingChanges* list : {&endings->at_rate, &endings->equal}) {
        const std::int64_t room = (list == &endings->equal ? equal : at_rate) * shares.rows;
        list->at.reserve(static_cast<std::size_t>(room));
        list->change.reserve(static_cast<std::size_t>(2 * room));
        list->first.reserve(static_cast<std::size_t>(shares.rows) + 1);
    }
    endings->start.reserve(static_cast<std::size_t>(shares.rows));

    for (std::int32_t b = 0; b < shares.rows; ++b) {
        for (EndingChanges* list : {&endings->at_rate, &endings->equal})
            list->first.push_back(static_cast<std::int32_t>(list->at.size()));
        row.b = b;
        row.lo = shares.lo[static_cast<std::size_t>(b)];
        row.hi = shares.hi[static_cast<std::size_t>(b)];
        row.below =
            &shares.below[static_cast<std::size_t>(b) * static_cast<std::size_t>(shares.width)];
        const auto count = static_cast<std::size_t>(row.hi - row.lo + 1);
        row.share.assign(count, 0.0);
        row.pre.assign(count, 0.0);
        row.pre_g.assign(count, 0.0);
        for (std::int64_t k = row.lo; k <= row.hi; ++k) {
            const auto at = static_cast<std::size_t>(k - row.lo);
            const double share = share_of(row, k);
            row.share[at] = share;
            const std::int64_t member = (k - row.lo) / row.period;  // its place in its class
            const auto place = static_cast<double>(member);
            const bool has_before = k - row.period >= row.lo;
            const auto before = at - static_cast<std::size_t>(has_before ? row.period : 0);
            row.pre[at] = share + (has_before ? row.pre[before] : 0.0);
            row.pre_g[at] = place * share + (has_before ? row.pre_g[before] : 0.0);
        }
        tally.weight = row_weight[b];
        walk_row(row, last, endings, &tally, &deltas);
    }
    for (EndingChanges* list : {&endings->at_rate, &endings->equal})
        list->first.push_back(static_cast<std::int32_t>(list->at.size()));

    // Only the profits that occur.
    std::vector<double>& profits = distributions->profits;
    std::size_t from = 0;
    while (from + 1 < profits.size() && profits[from] == 0.0)
        ++from;
    std::size_t to = profits.size();
    while (to > from + 1 && profits[to - 1] == 0.0)
        --to;
    profits = std::vector<double>(profits.begin() + static_cast<std::ptrdiff_t>(from),
                                  profits.begin() + static_cast<std::ptrdiff_t>(to));
    distributions->profit_first = (lowest + static_cast<std::int64_t>(from)) * cash_unit;
}
