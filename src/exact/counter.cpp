// counter.cpp - the posterior of the hit threshold after a data counter's reading.
#include "exact/counter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "rules/counter_values.h"
#include "rules/settings_values.h"
#include "rules/trial.h"

namespace {

// A positive number as m 2^e, m in [1/2, 1) or below it by less than 2^-500 between
// renormalisations: a power of a probability up to 100,000,000 spins (some 2^-10^9) keeps its
// exponent apart from the double that would underflow.
struct Scaled {
    double m;        // the mantissa
    std::int64_t e;  // the power of two
};

// `a` times `b`, renormalised when the mantissa has fallen far (frexp and the product of two
// mantissas in [2^-501, 1) are exact in their exponent: nothing underflows).
Scaled times(Scaled a, Scaled b) {
    Scaled product{a.m * b.m, a.e + b.e};
    if (product.m < 0x1p-500) {
        int e = 0;
        product.m = std::frexp(product.m, &e);
        product.e += e;
    }
    return product;
}

// `base` (in (0, 1]) to the power `n` by repeated squaring: some 2 log2 n roundings, each of
// half a unit in the last place, so good to about 1e-14 of itself at n = 10^8.
Scaled power(double base, std::int64_t n) {
    Scaled result{1.0, 0};
    Scaled square{base, 0};
    for (; n > 0; n >>= 1) {
        if ((n & 1) != 0) result = times(result, square);
        square = times(square, square);
    }
    int e = 0;
    result.m = std::frexp(result.m, &e);
    result.e += e;
    return result;
}

// The binomial likelihood p^k (1 - p)^(n - k) of `bonuses` in `spins` at threshold `t`.
Scaled likelihood(std::int32_t t, std::int64_t spins, std::int64_t bonuses) {
    const double p = hit_probability(t);  // (T + 1) / 32768, exact
    const double q = static_cast<double>(random_max - t) / (random_max + 1);  // exact too
    return times(power(p, bonuses), power(q, spins - bonuses));
}

// The least and the greatest threshold of the whole range of X.
constexpr std::int32_t least_threshold = random_max / max_x;  // 32
constexpr std::int32_t most_threshold = random_max / min_x;   // 327
constexpr std::size_t threshold_count = most_threshold - least_threshold + 1;

// A weight below 2^-drop_exponent of the largest counts as 0.
constexpr std::int64_t drop_exponent = 1000;

// The posterior from the prior counts `prior` (by T - least_threshold) into `points`.
void posterior_of(const double* prior, std::int64_t spins, std::int64_t bonuses,
                  std::vector<PosteriorPoint>* points, double* dropped) {
    Scaled weights[threshold_count];
    std::size_t largest = threshold_count;
    for (std::size_t i = 0; i < threshold_count; ++i) {
        if (prior[i] <= 0.0) continue;
        const auto t = static_cast<std::int32_t>(least_threshold + i);
        weights[i] = times(likelihood(t, spins, bonuses), Scaled{prior[i], 0});
        int e = 0;
        weights[i].m = std::frexp(weights[i].m, &e);
        weights[i].e += e;
        if (largest == threshold_count || weights[i].e > weights[largest].e ||
            (weights[i].e == weights[largest].e && weights[i].m > weights[largest].m))
            largest = i;
    }
    points->clear();
    *dropped = 0.0;
    double total = 0.0;
    for (std::size_t n = threshold_count; n-- > 0;) {  // the most generous first
        if (prior[n] <= 0.0) continue;
        const std::int64_t apart = weights[n].e - weights[largest].e;
        if (apart < -drop_exponent) {
            *dropped += std::ldexp(1.0, -static_cast<int>(drop_exponent));
            continue;
        }
        const auto t = static_cast<std::int32_t>(least_threshold + n);
        const double ratio = std::ldexp(weights[n].m / weights[largest].m, static_cast<int>(apart));
        points->push_back(PosteriorPoint{t, 1.0 / hit_probability(t), ratio});
        total += ratio;
    }
    for (PosteriorPoint& point : *points)
        point.probability /= total;
}

// The prior counts of every threshold: one for each listed X's, or one each with none listed.
void prior_of(const std::int32_t* listed, std::int32_t listed_count, double* prior) {
    std::fill(prior, prior + threshold_count, listed_count > 0 ? 0.0 : 1.0);
    for (std::int32_t i = 0; i < listed_count; ++i)
        prior[static_cast<std::size_t>(random_max / listed[i] - least_threshold)] += 1.0;
}

// The probability that T is at least `break_even_threshold` after a count of `spins` with the
// bonuses that `player_threshold` foresees, every T equally likely before.
double beats_after(std::int64_t spins, std::int32_t player_threshold,
                   std::int32_t break_even_threshold) {
    double prior[threshold_count];
    prior_of(nullptr, 0, prior);
    // The bonuses that T foresees, to the nearest whole: N (T + 1) / 32768 is exact.
    const double mean = static_cast<double>(spins) * hit_probability(player_threshold);
    const auto bonuses = static_cast<std::int64_t>(std::floor(mean + 0.5));
    std::vector<PosteriorPoint> points;
    double dropped = 0.0;
    posterior_of(prior, spins, bonuses, &points, &dropped);
    double beats = 0.0;
    for (const PosteriorPoint& point : points) {
        if (point.threshold >= break_even_threshold) beats += point.probability;
    }
    return beats;
}

}  // namespace

void counter_posterior(std::int64_t spins, std::int64_t bonuses, const std::int32_t* listed,
                       std::int32_t listed_count, std::vector<PosteriorPoint>* points,
                       double* dropped) {
    double prior[threshold_count];
    prior_of(listed, listed_count, prior);
    posterior_of(prior, spins, bonuses, points, dropped);
}

double posterior_odds(const std::vector<PosteriorPoint>& points, double level) {
    double below = 0.0;
    for (const PosteriorPoint& point : points) {
        below += point.probability;
        if (below >= level) return point.odds;
    }
    return points.empty() ? 0.0 : points.back().odds;  // the rounding left the level unreached
}

double counter_consistency(std::int64_t spins, std::int64_t bonuses, std::int32_t threshold) {
    if (spins == 0) return 1.0;
    const double p = hit_probability(threshold);
    const double q = 1.0 - p;
    const double mean = static_cast<double>(spins) * p;  // exact: N (T + 1) / 2^15
    const double apart = std::fabs(static_cast<double>(bonuses) - mean);
    // The terms of the binomial relative to its mode's, outward on each side until they fall
    // below 1e-20 of the sum: what lies beyond is less than that of the whole.
    const auto mode = std::min(spins, static_cast<std::int64_t>(std::floor(mean + p)));
    double total = 1.0;
    double tail = std::fabs(static_cast<double>(mode) - mean) >= apart ? 1.0 : 0.0;
    double term = 1.0;
    for (std::int64_t j = mode; j < spins && term >= 1e-20 * total; ++j) {
        term *= static_cast<double>(spins - j) / static_cast<double>(j + 1) * (p / q);
        total += term;
        if (std::fabs(static_cast<double>(j + 1) - mean) >= apart) tail += term;
    }
    term = 1.0;
    for (std::int64_t j = mode; j > 0 && term >= 1e-20 * total; --j) {
        term *= static_cast<double>(j) / static_cast<double>(spins - j + 1) * (q / p);
        total += term;
        if (std::fabs(static_cast<double>(j - 1) - mean) >= apart) tail += term;
    }
    return std::min(1.0, tail / total);
}

std::int64_t spins_to_tell(std::int32_t player_threshold, std::int32_t break_even_threshold) {
    constexpr double sure = 0.9;
    constexpr std::int64_t step = 1000;
    if (player_threshold < break_even_threshold) return 0;  // the counter would tell the opposite
    if (beats_after(0, player_threshold, break_even_threshold) >= sure) return step;
    if (beats_after(max_counted_spins, player_threshold, break_even_threshold) < sure) return 0;
    // Bisection on multiples of 1000: `low` short of 90 %, `high` at or above it.
    std::int64_t low = 0;
    std::int64_t high = max_counted_spins / step;
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        if (beats_after(middle * step, player_threshold, break_even_threshold) >= sure) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return high * step;
}
