// sample_figures.cpp - the figures of a run, from the summaries of its trials.
#include "sample/sample_figures.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "rules/numbers.h"
#include "rules/random_source.h"

namespace {

/* ------------------------------------ constants ------------------------------------ */

constexpr double z_95 = 1.96;  // a 95 % interval spans this many errors

/* ----------------------------------- quantiles ----------------------------------- */

// Buckets of the quantile search: enough that each holds only a few of the 1000 values.
constexpr std::uint32_t quantile_buckets = 1024;

// The ranks that the quantiles pick out.
constexpr int quantile_ranks = 5;

// The offset of `value` from `low`, no more than it, as an unsigned number.
std::uint32_t offset_of(std::int32_t value, std::int32_t low) {
    return static_cast<std::uint32_t>(value) - static_cast<std::uint32_t>(low);
}

/* ----------------------------------- the profit ----------------------------------- */

// The 95 % confidence interval of the mean profit, mean +- 1.96 s / sqrt(1000) with s the
// sample standard deviation, in whole yen.
void confidence_interval(const RunRecord& record, std::int64_t total, SampleFigures* out) {
    const double mean = static_cast<double>(total) / trials_per_run;
    double squares = 0.0;
    for (const TrialSummary& trial : record.trials) {
        const double deviation = static_cast<double>(trial.profit) - mean;
        squares += deviation * deviation;
    }
    const double variance = squares / (trials_per_run - 1);
    // sqrt is one correctly rounded IEEE operation, like the others here.
    out->profit_standard_error = std::sqrt(variance / trials_per_run);
    const double half_width = z_95 * out->profit_standard_error;
    out->profit_ci95_low = round_half_up(mean - half_width);
    out->profit_ci95_high = round_half_up(mean + half_width);
}

/* ---------------------------------- payout rates ---------------------------------- */

// 360 * bonuses / (L * losing spins) in millionths; 0 when no spin was lost.
std::int64_t payout_rate(std::uint64_t bonuses, std::uint64_t losing_spins, float loss) {
    const ExactFloat exact = exact_float(loss);
    if (losing_spins == 0) return 0;
    return quotient_in_millionths(
        static_cast<std::uint64_t>(bonus_medals) * bonuses << static_cast<unsigned>(exact.shift),
        exact.mantissa * losing_spins);
}

/* ----------------------------------- histograms ----------------------------------- */

// The profit per trial in bins: the narrowest width that needs no more than max_histogram_bins
// bins and shows no aliasing, of the round widths of 500 yen or more and the whole multiples of
// a bonus's worth at the exchange rate. The edges lie 1 yen above the width's multiples, so that
// a bin holds only wins or only the rest.
void fill_profit_histogram(const std::int32_t (&values)[trials_per_run], std::int32_t exchange_rate,
                           Histogram* histogram) {
    const std::int32_t low = *std::min_element(std::begin(values), std::end(values));
    const std::int32_t high = *std::max_element(std::begin(values), std::end(values));
    constexpr std::int32_t offset = 1;
    std::int32_t width = profit_bin_width(cash_unit - 1, exchange_rate);
    while (floor_divide(static_cast<std::int64_t>(high) - offset, width) -
               floor_divide(static_cast<std::int64_t>(low) - offset, width) + 1 >
           max_histogram_bins)
        width = profit_bin_width(width, exchange_rate);
    for (;;) {
        fill_histogram(values, width, offset, min_histogram_bins, histogram);
        if (!has_aliasing(*histogram)) return;
        width = profit_bin_width(width, exchange_rate);
    }
}

/* ---------------------------------- the slump graph ---------------------------------- */

// `values` in ascending order into `sorted`: a radix sort of their offsets from the least, a
// byte at a time from the lowest, as many bytes as the span needs (two for the slump graph's
// medals), each pass stable; several times quicker than a comparison sort of 1000 values.
void sort_values(const std::int32_t (&values)[trials_per_run],
                 std::int32_t (&sorted)[trials_per_run]) {
    const std::int32_t low = *std::min_element(std::begin(values), std::end(values));
    const std::int32_t high = *std::max_element(std::begin(values), std::end(values));
    const std::uint32_t span = offset_of(high, low);
    std::int32_t spare[trials_per_run];
    std::copy(std::begin(values), std::end(values), sorted);
    for (unsigned shift = 0; shift < 32 && (span >> shift) != 0; shift += 8) {
        std::int32_t starts[257] = {};  // where each byte's values go, from [byte + 1] counted
        for (const std::int32_t value : sorted)
            ++starts[((offset_of(value, low) >> shift) & 0xFFu) + 1];
        for (int byte = 0; byte < 256; ++byte)
            starts[byte + 1] += starts[byte];
        for (const std::int32_t value : sorted)
            spare[starts[(offset_of(value, low) >> shift) & 0xFFu]++] = value;
        std::copy(std::begin(spare), std::end(spare), sorted);
    }
}

// The mid-quantiles of the trials' medal differences at one slump point, `values`: the values
// one bonus apart (hundreds of medals) are the distribution's steps, those within a few medals
// of each other (the rounding of the medals) one step.
void slump_mids(const std::int32_t (&values)[trials_per_run], std::int32_t point, SlumpMids* out) {
    std::int32_t sorted[trials_per_run];
    sort_values(values, sorted);
    double steps[trials_per_run];
    double counts[trials_per_run];
    steps[0] = sorted[0];
    counts[0] = 1.0;
    std::int32_t count = 1;
    for (std::int32_t i = 1; i < trials_per_run; ++i) {
        if (sorted[i] - sorted[i - 1] > bonus_medals / 4) {
            steps[count] = sorted[i];
            counts[count++] = 1.0;
        } else {
            counts[count - 1] += 1.0;
        }
    }
    out->p05[point] = mid_quantile(steps, counts, count, trials_per_run, 0.05);
    out->p25[point] = mid_quantile(steps, counts, count, trials_per_run, 0.25);
    out->p50[point] = mid_quantile(steps, counts, count, trials_per_run, 0.5);
    out->p75[point] = mid_quantile(steps, counts, count, trials_per_run, 0.75);
    out->p95[point] = mid_quantile(steps, counts, count, trials_per_run, 0.95);
}

/* ---------------------------------- the trials ---------------------------------- */

// The earliest trial whose profit is `profit`.
std::int32_t earliest_with_profit(const RunRecord& record, std::int32_t profit) {
    std::int32_t i = 0;
    while (i < trials_per_run - 1 && record.trials[i].profit != profit)
        ++i;
    return i;
}

}  // namespace

/* ------------------------------- exact arithmetic ------------------------------- */

std::int64_t quotient_in_millionths(std::uint64_t numerator, std::uint64_t denominator) {
    std::uint64_t quotient = numerator / denominator;
    std::uint64_t remainder = numerator % denominator;
    for (int digit = 0; digit < 6; ++digit) {
        remainder *= 10u;  // below 10 * 2^59: no overflow
        quotient = quotient * 10u + remainder / denominator;
        remainder %= denominator;
    }
    if (remainder * 2u >= denominator) ++quotient;
    return static_cast<std::int64_t>(quotient);
}

Quantiles quantiles_of(const std::int32_t (&values)[trials_per_run]) {
    // A bucket select: one pass counts the values into buckets of equal width, the counts show
    // which bucket holds each rank, and one more pass gathers the few values of those buckets,
    // which alone are then ordered. Every pass is a plain loop without a branch on the values.
    const std::int32_t low = *std::min_element(std::begin(values), std::end(values));
    const std::int32_t high = *std::max_element(std::begin(values), std::end(values));
    const std::uint32_t span = offset_of(high, low);
    unsigned shift = 0;
    while ((span >> shift) >= quantile_buckets)
        ++shift;
    std::uint16_t counts[quantile_buckets] = {};
    for (const std::int32_t value : values)
        ++counts[offset_of(value, low) >> shift];

    // The bucket of each rank, and the rank's position among that bucket's values.
    static const std::int32_t ranks[quantile_ranks] = {50, 250, 500, 750, 950};  // ceil(p * 1000)
    std::uint32_t rank_bucket[quantile_ranks] = {};
    std::int32_t position[quantile_ranks] = {};
    std::uint32_t bucket = 0;
    std::int32_t below = 0;  // values in the buckets before `bucket`
    for (int i = 0; i < quantile_ranks; ++i) {
        while (below + counts[bucket] < ranks[i])
            below += counts[bucket++];
        rank_bucket[i] = bucket;
        position[i] = ranks[i] - below - 1;
    }

    // Each bucket that holds a rank gets a slot (from 1) for its values; slot 0 takes the rest
    // and is never read.
    std::uint8_t slot_of[quantile_buckets] = {};
    std::int32_t slot_of_rank[quantile_ranks] = {};
    std::int32_t slots = 0;
    for (int i = 0; i < quantile_ranks; ++i) {
        if (slot_of[rank_bucket[i]] == 0)
            slot_of[rank_bucket[i]] = static_cast<std::uint8_t>(++slots);
        slot_of_rank[i] = slot_of[rank_bucket[i]];
    }
    std::int32_t gathered[quantile_ranks + 1][trials_per_run];
    std::int32_t gathered_count[quantile_ranks + 1] = {};
    for (const std::int32_t value : values) {
        const std::uint8_t slot = slot_of[offset_of(value, low) >> shift];
        gathered[slot][gathered_count[slot]] = value;
        gathered_count[slot] += slot != 0 ? 1 : 0;
    }

    std::int32_t found[quantile_ranks] = {};
    for (int i = 0; i < quantile_ranks; ++i) {
        std::int32_t* bucket_values = gathered[slot_of_rank[i]];
        std::nth_element(bucket_values, bucket_values + position[i],
                         bucket_values + gathered_count[slot_of_rank[i]]);
        found[i] = bucket_values[position[i]];
    }
    return Quantiles{low, found[0], found[1], found[2], found[3], found[4], high};
}

namespace {

// The round widths in tenths of their power of ten: 1, 2, 2.5 and 5 times it. 2.5 is skipped
// where it is no whole number.
const std::int64_t tenths_of_steps[] = {10, 20, 25, 50};

// The round widths in order, from 1: calls `accept` with each until it returns true, and returns
// that width.
template <typename Accept>
std::int32_t first_round_width(Accept accept) {
    for (std::int64_t power_of_ten = 1;; power_of_ten *= 10) {
        for (const std::int64_t tenths : tenths_of_steps) {
            if (tenths * power_of_ten % 10 != 0) continue;
            const std::int64_t width = tenths * power_of_ten / 10;
            if (accept(width)) return static_cast<std::int32_t>(width);
        }
    }
}

// The bins of `width` that the values from `low` to `high` take, edges at `offset` + k width.
std::int64_t bins_spanned(std::int32_t low, std::int32_t high, std::int64_t width,
                          std::int32_t offset) {
    return floor_divide(static_cast<std::int64_t>(high) - offset, width) -
           floor_divide(static_cast<std::int64_t>(low) - offset, width) + 1;
}

}  // namespace

std::int32_t round_bin_width(std::int32_t low, std::int32_t high, std::int32_t narrowest,
                             std::int32_t offset) {
    return first_round_width([&](std::int64_t width) {
        return width >= narrowest && bins_spanned(low, high, width, offset) <= max_histogram_bins;
    });
}

std::int32_t next_round_width(std::int32_t width) {
    return first_round_width([width](std::int64_t candidate) { return candidate > width; });
}

void fill_histogram(const std::int32_t (&values)[trials_per_run], std::int32_t width,
                    std::int32_t offset, std::int32_t fewest, Histogram* histogram) {
    const std::int32_t low = *std::min_element(std::begin(values), std::end(values));
    const std::int32_t high = *std::max_element(std::begin(values), std::end(values));
    std::int64_t first_bin = floor_divide(static_cast<std::int64_t>(low) - offset, width);
    std::int64_t bins = bins_spanned(low, high, width, offset);
    if (bins < fewest) {
        first_bin -= (fewest - bins) / 2;
        bins = fewest;
    }
    *histogram = Histogram{};
    histogram->bin_width = width;
    histogram->first_edge = static_cast<std::int32_t>(first_bin * width + offset);
    histogram->bin_count = static_cast<std::int32_t>(bins);
    for (const std::int32_t value : values)
        ++histogram
              ->counts[floor_divide(static_cast<std::int64_t>(value) - offset, width) - first_bin];
}

bool has_aliasing(const Histogram& histogram) {
    constexpr std::int64_t substantial = trials_per_run / 100;  // 1 % of the trials
    for (std::int32_t i = 1; i + 1 < histogram.bin_count; ++i) {
        const std::int64_t left = histogram.counts[i - 1];
        const std::int64_t right = histogram.counts[i + 1];
        if (left < substantial || right < substantial) continue;
        // |c - m| > 3.5 sqrt(m), m the neighbours' mean, in integers:
        // 2 (2c - left - right)^2 > 49 (left + right).
        const std::int64_t twice_off = std::int64_t{2} * histogram.counts[i] - left - right;
        if (2 * twice_off * twice_off > 49 * (left + right)) return true;
    }
    return false;
}

std::int32_t profit_bin_width(std::int32_t above, std::int32_t exchange_rate) {
    std::int32_t round = next_round_width(above);
    while (round < cash_unit)
        round = next_round_width(round);
    // k bonuses fetch k * 360 medals * 500 yen / (5 Z medals); a whole number of yen where
    // 5 Z divides k * 360 * 500.
    const std::int64_t per_bonus = static_cast<std::int64_t>(bonus_medals) * cash_unit;
    const std::int64_t per_unit = static_cast<std::int64_t>(medals_per_cash_unit) * exchange_rate;
    for (std::int64_t k = 1; k * per_bonus / per_unit <= round; ++k) {
        const std::int64_t yen = k * per_bonus / per_unit;
        if (k * per_bonus % per_unit == 0 && yen > above) return static_cast<std::int32_t>(yen);
    }
    return round;
}

void wilson_interval(std::int32_t wins, std::int64_t* low_millionths,
                     std::int64_t* high_millionths) {
    // p = wins / n; the interval is centre +- half, both over 1 + z^2 / n. Every step is one
    // IEEE operation, so the bits are the same on every platform.
    constexpr double n = trials_per_run;
    const double rate = static_cast<double>(wins) / n;
    const double z_squared = z_95 * z_95;
    const double scale = 1.0 + z_squared / n;
    const double centre = (rate + z_squared / (2.0 * n)) / scale;
    const double half =
        z_95 * std::sqrt(rate * (1.0 - rate) / n + z_squared / (4.0 * n * n)) / scale;
    *low_millionths = std::max<std::int64_t>(0, round_half_up((centre - half) * 1e6));
    *high_millionths = std::min<std::int64_t>(1000000, round_half_up((centre + half) * 1e6));
}

/* --------------------------------- the trials --------------------------------- */

void record_trial(RunRecord* record, std::int32_t index, const TrialResult& trial) {
    TrialSummary& summary = record->trials[index];
    summary = TrialSummary{};
    summary.profit = trial.cash + trial.money;
    summary.medals = trial.medals;
    summary.money_paid = -trial.money;
    summary.bonuses = trial.bonuses;
    summary.losing_spins = trial.spins - trial.bonuses;
    for (std::int32_t i = 0; i < trial.entry_count; ++i) {
        // A bonus entry e is a run of e spins; the cap's entry -k a run of k - 1 losing spins.
        const std::int32_t entry = trial.entries[i];
        const std::int32_t run = entry > 0 ? entry : -entry - 1;
        summary.longest_without_bonus = std::max(summary.longest_without_bonus, run);
    }
    for (std::int32_t point = 0; point < slump_points; ++point)
        record->slump[point][index] = trial.slump[point];
}

/* --------------------------------- the figures --------------------------------- */

void compute_sample_figures(const RunRecord& record, SampleFigures* statistics) {
    SampleFigures* const out = statistics;
    out->seed = record.seed;
    out->settings = record.settings;
    out->rules = record.rules;
    out->average_bonuses = average_per_trial(record.totals.bonuses);
    out->average_medals = average_per_trial(record.totals.medals);
    out->average_profit = average_per_trial(record.totals.profit);

    // One column of values at a time.
    std::int32_t column[trials_per_run];
    std::int64_t profit_total = 0;
    std::uint64_t bonuses = 0;
    std::uint64_t losing_spins = 0;
    std::int32_t wins = 0;
    for (std::int32_t i = 0; i < trials_per_run; ++i) {
        const TrialSummary& trial = record.trials[i];
        profit_total += trial.profit;
        bonuses += static_cast<std::uint64_t>(trial.bonuses);
        losing_spins += static_cast<std::uint64_t>(trial.losing_spins);
        wins += trial.profit > 0 ? 1 : 0;
        column[i] = trial.profit;
    }
    out->profit_total = profit_total;
    confidence_interval(record, profit_total, out);
    out->wins = wins;
    wilson_interval(wins, &out->win_rate_ci95_low_millionths, &out->win_rate_ci95_high_millionths);
    fill_profit_histogram(column, record.rules.exchange_rate, &out->profit_histogram);
    out->profit = quantiles_of(column);
    out->best_trial = earliest_with_profit(record, out->profit.max);
    out->worst_trial = earliest_with_profit(record, out->profit.min);
    out->median_trial = earliest_with_profit(record, out->profit.p50);

    for (std::int32_t i = 0; i < trials_per_run; ++i)
        column[i] = record.trials[i].money_paid;
    out->money_paid = quantiles_of(column);

    for (std::int32_t i = 0; i < trials_per_run; ++i)
        column[i] = record.trials[i].longest_without_bonus;
    out->longest_without_bonus = quantiles_of(column);

    // The profits again, with the medals exchanged at the buying price.
    out->equal_exchange_profit_total = 0;
    out->equal_exchange_wins = 0;
    for (const TrialSummary& trial : record.trials) {
        const std::int32_t profit =
            cash_for_medals(trial.medals, medals_per_cash_unit) - trial.money_paid;
        out->equal_exchange_profit_total += profit;
        out->equal_exchange_wins += profit > 0 ? 1 : 0;
    }

    for (std::int32_t i = 0; i < trials_per_run; ++i)
        column[i] = record.trials[i].bonuses;
    const std::int32_t fewest_bonuses = *std::min_element(std::begin(column), std::end(column));
    const std::int32_t most_bonuses = *std::max_element(std::begin(column), std::end(column));
    fill_histogram(column, round_bin_width(fewest_bonuses, most_bonuses, 1, 0), 0, 1,
                   &out->bonus_histogram);

    for (std::int32_t i = 0; i < trials_per_run; ++i)
        out->money_paid_sorted[i] = record.trials[i].money_paid;
    std::sort(std::begin(out->money_paid_sorted), std::end(out->money_paid_sorted));

    const std::int32_t threshold = record.rules.hit_threshold;
    out->payout_theoretical_millionths =
        payout_rate(static_cast<std::uint64_t>(threshold) + 1,
                    static_cast<std::uint64_t>(random_max - threshold), record.rules.loss_per_spin);
    out->payout_simulated_millionths =
        payout_rate(bonuses, losing_spins, record.rules.loss_per_spin);

    SlumpGraph& slump = out->slump;
    for (std::int32_t point = 0; point < slump_points; ++point) {
        const Quantiles q = quantiles_of(record.slump[point]);
        slump.p05[point] = q.p05;
        slump.p25[point] = q.p25;
        slump.p50[point] = q.p50;
        slump.p75[point] = q.p75;
        slump.p95[point] = q.p95;
        slump.best[point] = record.slump[point][out->best_trial];
        slump.worst[point] = record.slump[point][out->worst_trial];
        slump.median_trial[point] = record.slump[point][out->median_trial];
        slump_mids(record.slump[point], point, &out->slump_mid);
    }
}
