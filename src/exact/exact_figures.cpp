// exact_figures.cpp - the report's exact figures, from the exact distribution of one trial.
#include "exact/exact_figures.h"

#include <algorithm>
#include <memory>

#include "exact/exact.h"
#include "exact/purchase_shares.h"
#include "rules/numbers.h"
#include "rules/random_source.h"
#include "rules/settings_values.h"

namespace {

// The smallest multiple of 1000 yen B with P(money paid <= B) >= `level`.
std::int64_t paid_quantile(const std::vector<double>& purchases, double level) {
    double below = 0.0;
    for (std::size_t k = 0; k < purchases.size(); ++k) {
        below += purchases[k];
        if (below >= level) return static_cast<std::int64_t>(k + 1) * purchase_price;
    }
    return static_cast<std::int64_t>(purchases.size()) * purchase_price;
}

// The budgets 1000, 2000, ... yen with the exact probability of needing more, up to the first
// below 1e-7.
void fill_shortfall(const std::vector<double>& purchases, std::vector<Shortfall>* shortfall) {
    // P(more than j purchases), summed from the largest counts down, which are the smallest.
    std::vector<double> more(purchases.size() + 1, 0.0);
    for (std::size_t j = purchases.size(); j-- > 0;)
        more[j] = more[j + 1] + purchases[j];  // P(k >= j) = P(more than j purchases)
    constexpr double least = 1e-7;
    for (std::size_t j = 1; j < more.size(); ++j) {
        const std::int64_t budget = static_cast<std::int64_t>(j) * purchase_price;
        shortfall->push_back(Shortfall{budget, more[j]});
        if (more[j] < least) break;
    }
}

// The least odds T with a mean at `exchange` of 0 or more, between `high` (whose mean,
// `high_mean`, is 0 or more) and `low` (`low_mean`, below 0): eight odds strictly between them a
// pass, around where the straight line through the two crosses 0; the least of them with a mean
// of 0 or more is the new high, the one before it the new low.
std::int32_t narrow_break_even(const ExactOutcome& outcome, Exchange exchange, std::int32_t high,
                               std::int32_t low, double high_mean, double low_mean) {
    constexpr std::int32_t at_once = 8;
    while (high - low > 1) {
        const double across = (0.0 - low_mean) / (high_mean - low_mean) * (high - low);
        const auto guess = low + static_cast<std::int32_t>(across);
        const std::int32_t count = std::min<std::int32_t>(at_once, high - low - 1);
        const std::int32_t first = std::max(low + 1, std::min(guess - 3, high - count));
        std::int32_t odds[at_once] = {};
        for (std::int32_t k = 0; k < count; ++k)
            odds[k] = first + k;
        ExactMeans means[at_once] = {};
        exact_means_at(outcome, exchange, odds, static_cast<std::size_t>(count), means);
        for (std::int32_t k = 0; k < count; ++k) {
            const double mean =
                exchange == Exchange::at_rate ? means[k].profit_mean : means[k].equal_profit_mean;
            if (mean >= 0.0) {
                high = odds[k];
                high_mean = mean;
                break;
            }
            low = odds[k];
            low_mean = mean;
        }
    }
    return high;
}

// The largest X from 100 to 1000 whose mean profit at `exchange` is 0 or more; 0 when there is
// none. The search relies on the mean rising with the odds T = 32767 / X, which holds for every
// trial, not just on average: let a draw below p' win where a draw below p < p' did, so that a
// trial at the better odds has the same bonuses and some more. A bonus in place of a losing spin
// lowers the medals' shortfall D (the losses less the bonuses' medals) by 360 + L on every later
// spin, so its running maximum, which sets the purchases, falls or stays, and the medals left
// rise for the purchases saved (the cash falls by at most a unit of 500 yen for each 1000 saved);
// a bonus from the ending spin on also ends the trial sooner, before the losses it would still
// have had. So the profit rises or stays, trial by trial, and so do its mean and P(profit > 0).
// The curve's odds bracket the smallest T with a mean of 0 or more; between them the mean is
// nearly straight, so eight odds around where the line through the bracket's ends crosses 0
// narrow it to one step in a pass or two.
//
// `curve` holds the means at `exchange` at the curve's odds (its X rising) where `known`; the
// others are worked out as the search needs them, eight at a time, from `from` on: at 5 medals
// the mean is at least that at Z, trial by trial, so its sign changes no sooner.
std::int32_t break_even_x(const ExactOutcome& outcome, Exchange exchange,
                          const std::vector<std::int32_t>& curve_xs, std::vector<double> curve,
                          std::vector<char> known, std::size_t from) {
    constexpr std::size_t at_once = 8;
    const auto mean_at = [&](std::size_t i) {
        if (known[i] == 0) {
            const std::size_t count = std::min(at_once, curve_xs.size() - i);
            std::int32_t odds[at_once] = {};
            for (std::size_t k = 0; k < count; ++k)
                odds[k] = random_max / curve_xs[i + k];
            ExactMeans means[at_once] = {};
            exact_means_at(outcome, exchange, odds, count, means);
            for (std::size_t k = 0; k < count; ++k) {
                curve[i + k] = exchange == Exchange::at_rate ? means[k].profit_mean
                                                             : means[k].equal_profit_mean;
                known[i + k] = 1;
            }
        }
        return curve[i];
    };
    // The first curve point with a mean below 0, from `from` on (from the start if `from`
    // itself is below).
    std::size_t i = mean_at(from) < 0.0 ? 0 : from;
    while (i < curve_xs.size() && mean_at(i) >= 0.0)
        ++i;
    if (i == curve_xs.size()) return max_x;  // 0 or more at the worst odds
    if (i == 0) return 0;                    // below 0 at the best odds
    const double high_mean = mean_at(i - 1);
    const std::int32_t high = narrow_break_even(outcome, exchange, random_max / curve_xs[i - 1],
                                                random_max / curve_xs[i], high_mean, curve[i]);
    return std::min(max_x, random_max / high);  // the largest X with 32767 / X >= high
}

// P(k bonuses) for every k: a trial's bonuses are those of the spins every trial plays before
// the first that can end it, a binomial count, plus one when any of the spins that can end it
// wins.
void fill_bonuses(const TrialRules& rules, std::vector<double>* bonuses) {
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const double no_ending_bonus = integer_power(miss, spins_that_can_end);
    double binomial =
        integer_power(miss, spins_before_end);  // P(k bonuses in 6999 spins), from k = 0
    double previous = 0.0;                      // the same for k - 1
    bonuses->assign(static_cast<std::size_t>(spins_before_end) + 2, 0.0);
    for (std::int32_t k = 0; k <= spins_before_end + 1; ++k) {
        (*bonuses)[static_cast<std::size_t>(k)] =
            binomial * no_ending_bonus + previous * (1.0 - no_ending_bonus);
        previous = binomial;
        binomial = k < spins_before_end
                       ? next_binomial_term(binomial, spins_before_end, k, hit, miss)
                       : 0.0;
    }
}

// The budget rows of the table: for each level, the smallest multiple of 1000 yen that a trial
// outruns with a probability of the level or less, rounded up to a round budget; each budget
// once, for the strictest level that gives it.
void fill_budget_levels(const std::vector<Shortfall>& shortfall, std::vector<BudgetLevel>* levels) {
    for (const double level : shortfall_levels) {
        std::size_t i = 0;
        while (i + 1 < shortfall.size() && shortfall[i].probability > level)
            ++i;
        const std::int64_t paid = shortfall[i].budget;
        const std::int64_t step = paid >= 10000 ? 10000 : 1000;
        const std::int64_t budget = (paid + step - 1) / step * step;
        const auto index = static_cast<std::size_t>(budget / purchase_price - 1);
        const double probability = index < shortfall.size() ? shortfall[index].probability : 0.0;
        if (!levels->empty() && levels->back().budget == budget) levels->pop_back();
        levels->push_back(BudgetLevel{level, budget, probability});
    }
}

// The odds of the close view: every X from a little below the least of the player's X and the
// break-evens (0 and max_x mean none) to a little above the greatest, or every few where that is
// more than most_close_odds.
std::vector<std::int32_t> close_odds(std::int32_t player_x, std::int32_t break_even,
                                     std::int32_t break_even_equal) {
    std::int32_t least = player_x;
    std::int32_t greatest = player_x;
    for (const std::int32_t x : {break_even, break_even_equal}) {
        if (x == 0 || x == max_x) continue;
        least = std::min(least, x);
        greatest = std::max(greatest, x);
    }
    const std::int32_t margin = std::max<std::int32_t>(20, (greatest - least) / 4);
    least = std::max(min_x, least - margin);
    greatest = std::min(max_x, greatest + margin);
    const std::int32_t step = (greatest - least) / (most_close_odds - 1) + 1;
    std::vector<std::int32_t> xs;
    for (std::int32_t x = least; x <= greatest; x += step)
        xs.push_back(x);
    // The player's X and the break-evens with the X after them, where the curve crosses zero.
    for (const std::int32_t x :
         {player_x, break_even, break_even + 1, break_even_equal, break_even_equal + 1}) {
        if (x >= least && x <= greatest) xs.push_back(x);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

// The slump graph's figures after `spins` spins, at most the ending spin: the medal difference
// is 360 b - L (spins - b) for b bonuses, a binomial count, so its nearest-rank quantiles are
// those of b (truncated toward zero), and its mid-quantiles are taken over the values of b.
void slump_figures(const ExactRules& rules, std::int32_t spins, std::int32_t point,
                   ExactFigures* out) {
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const std::int64_t one = std::int64_t{1} << rules.loss_shift;
    const auto loss = static_cast<std::int64_t>(rules.loss_scaled);
    const double loss_medals = static_cast<double>(loss) / static_cast<double>(one);
    std::vector<double> values;
    std::vector<double> masses;
    double term = integer_power(miss, spins);  // P(b bonuses), from b = 0
    double below = 0.0;
    std::int32_t* const quantiles[] = {out->slump_p05, out->slump_p50, out->slump_p95};
    const double levels[] = {0.05, 0.5, 0.95};
    std::size_t next = 0;  // the first quantile not yet found
    for (std::int32_t b = 0; b <= spins && below < 1.0 - 1e-12; ++b) {
        // The nearest-rank quantile: the least b whose distribution function reaches the level.
        while (next < 3 && (below + term >= levels[next] || b == spins)) {
            const std::int64_t scaled = std::int64_t{bonus_medals} * b * one - loss * (spins - b);
            quantiles[next++][point] = static_cast<std::int32_t>(scaled / one);  // toward zero
        }
        if (term > 0.0) {
            values.push_back(static_cast<double>(bonus_medals) * b - loss_medals * (spins - b));
            masses.push_back(term);
            below += term;
        }
        term = next_binomial_term(term, spins, b, hit, miss);
    }
    const auto count = static_cast<std::int32_t>(values.size());
    SlumpMidQuantiles& mid = out->slump_mid;
    mid.p05[point] = mid_quantile(values.data(), masses.data(), count, below, 0.05);
    mid.p50[point] = mid_quantile(values.data(), masses.data(), count, below, 0.5);
    mid.p95[point] = mid_quantile(values.data(), masses.data(), count, below, 0.95);
}

// The player's X and Y at every exchange rate from 5 to 10 medals for 100 yen: the purchases
// given the bonuses are the same, only the endings are worked out again.
void fill_by_exchange(const ExactRules& rules, const PurchaseShares& shares, ExactFigures* out) {
    std::vector<std::int32_t> xs;  // the curve's X, for the break-even's bracket
    for (std::int32_t x = min_x; x <= max_x; x += 50)
        xs.push_back(x);
    const auto outcome = std::make_unique<ExactOutcome>();
    for (std::int32_t z = min_z; z <= max_z; ++z) {
        if (z == rules.exchange_rate) {
            out->by_exchange.push_back(
                ExchangeFigures{z, out->profit_mean, out->win_probability, out->break_even_x});
            continue;
        }
        ExactRules at_z = rules;
        at_z.exchange_rate = z;
        exact_outcome_from(at_z, shares, Distributions::left_out, outcome.get());
        const ExactMeans means = exact_means(*outcome, rules.hit_threshold);
        const std::int32_t even =
            break_even_x(*outcome, Exchange::at_rate, xs, std::vector<double>(xs.size(), 0.0),
                         std::vector<char>(xs.size(), 0), 0);
        out->by_exchange.push_back(
            ExchangeFigures{z, means.profit_mean, means.win_probability, even});
    }
}

}  // namespace

void compute_counter_figures(const ExactOutcome& outcome, const CounterReading& reading,
                             std::int32_t player_threshold, std::int32_t break_even_x,
                             CounterFigures* out) {
    *out = CounterFigures{};
    std::vector<PosteriorPoint> points;
    counter_posterior(reading.spins, reading.bonuses, reading.listed, reading.listed_count, &points,
                      &out->dropped);
    std::vector<std::int32_t> thresholds;
    thresholds.reserve(points.size());
    for (const PosteriorPoint& point : points)
        thresholds.push_back(point.threshold);
    std::vector<ExactMeans> means(points.size());
    exact_means_at(outcome, Exchange::at_rate, thresholds.data(), thresholds.size(), means.data());
    // No X breaks even: no T pays; every X does: every T pays.
    const std::int32_t even = break_even_x == 0 ? random_max + 1 : random_max / break_even_x;
    for (std::size_t i = 0; i < points.size(); ++i) {
        out->profit_mean += points[i].probability * means[i].profit_mean;
        out->win_probability += points[i].probability * means[i].win_probability;
        if (points[i].threshold >= even) out->beats_break_even += points[i].probability;
        if (points[i].probability > 1e-9 || reading.listed_count > 0)
            out->posterior.push_back(points[i]);
    }
    out->odds_p05 = posterior_odds(points, 0.05);
    out->odds_p50 = posterior_odds(points, 0.5);
    out->odds_p95 = posterior_odds(points, 0.95);
    out->consistency = counter_consistency(reading.spins, reading.bonuses, player_threshold);
    out->present = true;
}

namespace {

// What a data counter would tell and, where there is a valid reading, what it tells.
void fill_counter(const ExactRules& rules, const ExactOutcome& outcome,
                  const CounterReading* counter, ExactFigures* exact) {
    const std::int32_t even = exact->break_even_x;
    const bool bracketed = even != 0 && even != max_x;  // some X pays, and not every X
    exact->spins_to_tell = bracketed ? spins_to_tell(rules.hit_threshold, random_max / even) : 0;
    if (counter != nullptr && counter->status == CounterStatus::valid)
        compute_counter_figures(outcome, *counter, rules.hit_threshold, even, &exact->counter);
}

}  // namespace

void compute_exact_figures(const TrialRules& run_rules, std::int32_t player_x, ExactFigures* out,
                           ExactScope scope, const CounterReading* counter, VectorUnit unit) {
    const ExactRules rules = exact_rules(run_rules);
    const auto shares = std::make_unique<PurchaseShares>();
    compute_purchase_shares(rules, shares.get());
    const auto outcome = std::make_unique<ExactOutcome>();
    exact_outcome_from(rules, *shares, Distributions::kept, outcome.get());
    ExactFigures& exact = *out;
    exact = ExactFigures{};
    const ExactMeans means = exact_means(*outcome, rules.hit_threshold);
    exact.profit_mean = means.profit_mean;
    exact.win_probability = means.win_probability;
    exact.equal_profit_mean = means.equal_profit_mean;
    exact.equal_win_probability = means.equal_win_probability;
    exact.spins_mean = outcome->spins_mean;
    exact.bonuses_mean = outcome->bonuses_mean;
    exact.profit_per_1000_spins = means.profit_mean / outcome->spins_mean * 1000.0;
    exact.profit_per_hour = means.profit_mean / outcome->spins_mean * spins_per_hour;
    exact.lost_probability = outcome->lost_probability;
    exact.money_paid_p50 = paid_quantile(outcome->purchases, 0.5);
    exact.money_paid_p95 = paid_quantile(outcome->purchases, 0.95);
    exact.money_paid_p99 = paid_quantile(outcome->purchases, 0.99);
    fill_shortfall(outcome->purchases, &exact.shortfall);
    for (const std::int64_t paid :
         {exact.money_paid_p50, exact.money_paid_p95, exact.money_paid_p99}) {
        const std::int64_t step = paid >= 10000 ? 10000 : 1000;
        const std::int64_t budget = (paid + step - 1) / step * step;
        const auto index = static_cast<std::size_t>(budget / purchase_price - 1);
        if (index < exact.shortfall.size() &&
            (exact.budget_table.empty() || exact.budget_table.back().budget != budget))
            exact.budget_table.push_back(exact.shortfall[index]);
    }

    // The odds of the curve: every 50th X and the player's.
    std::vector<std::int32_t> xs;
    for (std::int32_t x = min_x; x <= max_x; x += 50)
        xs.push_back(x);
    xs.push_back(player_x);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<std::int32_t> thresholds;
    thresholds.reserve(xs.size());
    for (const std::int32_t x : xs)
        thresholds.push_back(random_max / x);
    std::vector<ExactMeans> curve(xs.size());
    exact_means_at(*outcome, Exchange::at_rate, thresholds.data(), thresholds.size(), curve.data());
    for (std::size_t i = 0; i < xs.size(); ++i)
        exact.by_odds.push_back(OddsFigures{xs[i], curve[i].profit_mean, curve[i].win_probability});
    std::vector<double> curve_means;
    curve_means.reserve(curve.size());
    for (const ExactMeans& point : curve)
        curve_means.push_back(point.profit_mean);
    exact.break_even_x = break_even_x(*outcome, Exchange::at_rate, xs, curve_means,
                                      std::vector<char>(xs.size(), 1), 0);
    if (run_rules.exchange_rate == medals_per_cash_unit) {
        exact.break_even_x_equal = exact.break_even_x;  // the same exchange
    } else {
        // From the last curve point at or above 0 at Z: no sooner can the equal mean fall below.
        std::size_t from = 0;
        while (from + 1 < xs.size() && curve_means[from + 1] >= 0.0)
            ++from;
        exact.break_even_x_equal =
            break_even_x(*outcome, Exchange::equal, xs, std::vector<double>(xs.size(), 0.0),
                         std::vector<char>(xs.size(), 0), from);
    }
    fill_budget_levels(exact.shortfall, &exact.budget_levels);

    // The close view: the means at each odds once, however many X share it.
    const std::vector<std::int32_t> close =
        close_odds(player_x, exact.break_even_x, exact.break_even_x_equal);
    std::vector<std::int32_t> close_thresholds;
    for (const std::int32_t x : close) {
        if (close_thresholds.empty() || close_thresholds.back() != random_max / x)
            close_thresholds.push_back(random_max / x);
    }
    std::vector<ExactMeans> close_means(close_thresholds.size());
    exact_means_at(*outcome, Exchange::at_rate, close_thresholds.data(), close_thresholds.size(),
                   close_means.data());
    std::size_t at = 0;
    for (const std::int32_t x : close) {
        while (close_thresholds[at] != random_max / x)
            ++at;
        exact.by_odds_close.push_back(
            OddsFigures{x, close_means[at].profit_mean, close_means[at].win_probability});
    }

    exact.profit_first = outcome->profit_first;
    exact.profits = outcome->profits;
    for (std::int32_t point = 0; point < slump_points; ++point)
        slump_figures(rules, point * slump_step, point, &exact);
    fill_bonuses(run_rules, &exact.bonuses);
    fill_counter(rules, *outcome, counter, &exact);
    if (scope == ExactScope::day) return;
    fill_by_exchange(rules, *shares, &exact);
    compute_visits(exact.profit_first, exact.profits, exact.profit_mean, &exact.visits);
    compute_plans(rules, unit, &exact.budget_target, &exact.by_spins);
}
