// exact.cpp - the distribution of one trial, and its means at any odds.
#include "exact/exact.h"

#include <algorithm>

#include "exact/purchase_shares.h"
#include "rules/numbers.h"
#include "rules/random_source.h"

namespace {

// At the outcome's own odds, a row less probable than this, 2^-80 or about 8e-25, is left out of
// its distributions (and counted as left out): with a few hundred rows, under 2e-22 in all.
constexpr double row_weight_below = 0x1p-80;

// The binomial probabilities of the rows, 0 to `rows` - 1 bonuses in `spins` spins, at the
// probabilities `hit[lane]` a spin, `lanes` of them side by side into weights[b * lanes + lane]:
// each lane takes the steps of next_binomial_term, so that the same odds in any lane, or alone,
// give the same bits.
void row_weights(std::int32_t spins, std::int32_t rows, const double* hit, std::size_t lanes,
                 double* weights) {
    for (std::size_t lane = 0; lane < lanes; ++lane)
        weights[lane] = integer_power(1.0 - hit[lane], spins);
    for (std::int32_t b = 1; b < rows; ++b) {
        const double* before = weights + static_cast<std::size_t>(b - 1) * lanes;
        double* now = weights + static_cast<std::size_t>(b) * lanes;
        const std::int32_t ways = b <= spins ? spins - b + 1 : 0;  // n - k, with k = b - 1
        for (std::size_t lane = 0; lane < lanes; ++lane)
            now[lane] = before[lane] * ways / b * hit[lane] / (1.0 - hit[lane]);
    }
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
    PurchaseShares shares{};
    compute_purchase_shares(rules, &shares);
    exact_outcome_from(rules, shares, Distributions::kept, outcome);
}

void exact_outcome_from(const ExactRules& rules, const PurchaseShares& shares,
                        Distributions distributions_wanted, ExactOutcome* outcome) {
    *outcome = ExactOutcome{};
    const double hit = hit_probability(rules.hit_threshold);
    const double miss = 1.0 - hit;
    std::vector<double> weights(static_cast<std::size_t>(shares.rows));
    row_weights(shares.spins, shares.rows, &hit, 1, weights.data());
    double left_out = bonuses_beyond(shares.spins, shares.rows, hit);
    for (double& weight : weights) {
        if (weight >= row_weight_below && distributions_wanted == Distributions::kept) continue;
        if (distributions_wanted == Distributions::kept) left_out += weight;
        weight = 0.0;
    }
    EndingDistributions distributions{};
    compute_endings(rules, shares, weights.data(), miss, &outcome->endings, &distributions);
    outcome->purchases = std::move(distributions.purchases);
    outcome->profit_first = distributions.profit_first;
    outcome->profits = std::move(distributions.profits);
    outcome->spins_played = shares.spins;
    outcome->rows = shares.rows;
    outcome->lost_probability = left_out;
    outcome->terms = shares.terms + static_cast<std::int64_t>(outcome->endings.at_rate.at.size() +
                                                              outcome->endings.equal.at.size());
    // The first bonus from the ending spin on comes after j losing spins with probability
    // q^j p; none comes before the cap with probability q^J.
    const std::int32_t last = outcome->endings.last;
    double none = 1.0;  // q^j
    for (std::int32_t j = 0; j < last; ++j) {
        outcome->spins_mean += none * hit * static_cast<double>(rules.ending_spin + j);
        none *= miss;
    }
    outcome->spins_mean += none * rules.spin_cap;
    outcome->bonuses_mean = shares.spins * hit + (1.0 - none);
}

namespace {

// Two of the figures (`first` and the next in EndingFigures) at `count` odds, at most `lanes`,
// side by side: each row's figures, start plus q^j times each change, weighed by the row's
// binomial probability. Rows less probable than `least` at every odds are left out.
constexpr std::size_t lanes = 8;

void means_side_by_side(const ExactOutcome& outcome, std::size_t first,
                        const std::int32_t* hit_thresholds, std::size_t count, double least,
                        double (*sums)[lanes]) {
    const RowEndings& endings = outcome.endings;
    const auto rows = static_cast<std::size_t>(outcome.rows);
    const auto slots = static_cast<std::size_t>(endings.last) + 1;
    std::vector<double> miss_power(slots * lanes);  // [j * lanes + lane]: q^j
    std::vector<double> weights(rows * lanes);      // [b * lanes + lane]
    double hit[lanes];
    double miss[lanes];
    for (std::size_t lane = 0; lane < lanes; ++lane) {
        // Past the last odds, the lanes repeat it and are not read.
        hit[lane] = hit_probability(hit_thresholds[std::min(lane, count - 1)]);
        miss[lane] = 1.0 - hit[lane];
        miss_power[lane] = 1.0;
    }
    for (std::size_t j = 1; j < slots; ++j) {
        for (std::size_t lane = 0; lane < lanes; ++lane)
            miss_power[j * lanes + lane] = miss_power[(j - 1) * lanes + lane] * miss[lane];
    }
    row_weights(outcome.spins_played, outcome.rows, hit, lanes, weights.data());
    for (std::size_t lane = 0; lane < lanes; ++lane)
        sums[0][lane] = sums[1][lane] = 0.0;
    for (std::size_t b = 0; b < rows; ++b) {
        const double* weight = &weights[b * lanes];
        if (*std::max_element(weight, weight + lanes) < least) continue;
        const double* start = &endings.start[b].value[first];
        double row[2][lanes];
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            row[0][lane] = start[0];
            row[1][lane] = start[1];
        }
        const EndingChanges& list = first == ending_profit ? endings.at_rate : endings.equal;
        const auto end = static_cast<std::size_t>(list.first[b + 1]);
        for (auto e = static_cast<std::size_t>(list.first[b]); e < end; ++e) {
            const double* q = &miss_power[static_cast<std::size_t>(list.at[e]) * lanes];
            const double* change = &list.change[2 * e];
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                row[0][lane] += q[lane] * change[0];
                row[1][lane] += q[lane] * change[1];
            }
        }
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            sums[0][lane] += weight[lane] * row[0][lane];
            sums[1][lane] += weight[lane] * row[1][lane];
        }
    }
}

// The curves leave out, at each odds, the rows less probable than this: 2^-80, about 8e-25.
// With a few hundred rows that is under 2e-22 of probability, and under 1e-15 yen of a mean
// (no figure of a trial reaches a few million yen).
constexpr double curve_row_below = 0x1p-80;

}  // namespace

void exact_means_at(const ExactOutcome& outcome, Exchange exchange,
                    const std::int32_t* hit_thresholds, std::size_t count, ExactMeans* means) {
    const std::size_t first = exchange == Exchange::at_rate ? ending_profit : ending_equal_profit;
    for (std::size_t start = 0; start < count; start += lanes) {
        double sums[2][lanes];
        means_side_by_side(outcome, first, hit_thresholds + start, count - start, curve_row_below,
                           sums);
        for (std::size_t lane = 0; lane < lanes && start + lane < count; ++lane) {
            ExactMeans& m = means[start + lane];
            m = ExactMeans{};
            (exchange == Exchange::at_rate ? m.profit_mean : m.equal_profit_mean) = sums[0][lane];
            (exchange == Exchange::at_rate ? m.win_probability : m.equal_win_probability) =
                sums[1][lane];
        }
    }
}

ExactMeans exact_means(const ExactOutcome& outcome, std::int32_t hit_threshold) {
    double at_rate[2][lanes];
    double equal[2][lanes];
    means_side_by_side(outcome, ending_profit, &hit_threshold, 1, 0.0, at_rate);
    means_side_by_side(outcome, ending_equal_profit, &hit_threshold, 1, 0.0, equal);
    return ExactMeans{at_rate[0][0], at_rate[1][0], equal[0][0], equal[1][0]};
}
