// exact_figures.cpp - the report's exact figures, from the exact distribution of one trial.
#include "exact/exact_figures.h"

#include <algorithm>
#include <memory>

#include "exact/exact.h"
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

// The largest X from 100 to 1000 whose mean profit (at Z, or with `equal`, at 5) is 0 or more;
// 0 when there is none. The mean grows with the odds T = 32767 / X: the curve's odds bracket
// the smallest such T, and halving finds it.
std::int32_t break_even_x(const ExactRules& rules, const ExactOutcome& outcome,
                          const std::vector<std::int32_t>& curve_xs,
                          const std::vector<ExactMeans>& curve, bool equal) {
    const auto mean_of = [equal](const ExactMeans& means) {
        return equal ? means.equal_profit_mean : means.profit_mean;
    };
    // curve_xs run from 100 to 1000, so their odds from the best to the worst.
    if (mean_of(curve.front()) < 0.0) return 0;
    if (mean_of(curve.back()) >= 0.0) return max_x;
    std::size_t i = 0;
    while (mean_of(curve[i + 1]) >= 0.0)
        ++i;
    std::int32_t high = random_max / curve_xs[i];     // its mean is 0 or more
    std::int32_t low = random_max / curve_xs[i + 1];  // below 0
    while (high - low > 1) {
        const std::int32_t middle = low + (high - low) / 2;
        if (mean_of(exact_means(rules, outcome, middle)) >= 0.0) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::min(max_x, random_max / high);  // the largest X with 32767 / X >= high
}

// `base` to the power `exponent`, by squaring: the same steps, and so the same bits, anywhere.
double power(double base, std::int32_t exponent) {
    double result = 1.0;
    for (; exponent > 0; exponent /= 2) {
        if (exponent % 2 != 0) result *= base;
        base *= base;
    }
    return result;
}

// P(k bonuses) for every k: a trial's bonuses are those of the spins every trial plays before
// the first that can end it, a binomial count, plus one when any of the spins that can end it
// wins.
void fill_bonuses(const TrialRules& rules, std::vector<double>* bonuses) {
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    const double no_ending_bonus = power(miss, spins_that_can_end);
    double binomial = power(miss, spins_before_end);  // P(k bonuses in 6999 spins), from k = 0
    double previous = 0.0;                            // the same for k - 1
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

}  // namespace

void compute_exact_figures(const TrialRules& run_rules, std::int32_t player_x, ExactFigures* out) {
    const ExactRules rules = exact_rules(run_rules);
    const auto outcome = std::make_unique<ExactOutcome>();
    exact_outcome(rules, outcome.get());
    ExactFigures& exact = *out;
    exact = ExactFigures{};
    const ExactMeans means = exact_means(rules, *outcome, rules.hit_threshold);
    exact.profit_mean = means.profit_mean;
    exact.win_probability = means.win_probability;
    exact.equal_profit_mean = means.equal_profit_mean;
    exact.equal_win_probability = means.equal_win_probability;
    exact.spins_mean = outcome->spins_mean;
    exact.bonuses_mean = outcome->bonuses_mean;
    exact.profit_per_1000_spins = means.profit_mean / outcome->spins_mean * 1000.0;
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
    exact_means_at(rules, *outcome, thresholds.data(), thresholds.size(), curve.data());
    for (std::size_t i = 0; i < xs.size(); ++i)
        exact.by_odds.push_back(OddsFigures{xs[i], curve[i].profit_mean, curve[i].win_probability});
    exact.break_even_x = break_even_x(rules, *outcome, xs, curve, false);
    exact.break_even_x_equal = break_even_x(rules, *outcome, xs, curve, true);

    exact.profit_first = outcome->profit_first;
    exact.profits = outcome->profits;
    for (std::int32_t point = 0; point < slump_points; ++point) {
        const std::int32_t spins = point * slump_step;
        exact.slump_p05[point] = exact_slump_quantile(rules, spins, 50);
        exact.slump_p50[point] = exact_slump_quantile(rules, spins, 500);
        exact.slump_p95[point] = exact_slump_quantile(rules, spins, 950);
    }
    fill_bonuses(run_rules, &exact.bonuses);
}
