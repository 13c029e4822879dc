// sample_figures.h - what the 1000 trials of a run mean for a player: the spread of the profit, the
// win rate, the cash a session needs, the payout rate, the longest runs without a bonus and the
// slump graph. Pure numbers: the figures are worked out here and written elsewhere.
//
// Every figure is computed the same way on every platform: in integers where it can be exact
// (quantiles, means, payout rates to six decimals), and otherwise in double arithmetic whose
// every step is one IEEE operation, so that the page's bytes never depend on the platform.
#ifndef QUORVANTELMIX_SAMPLE_FIGURES_H
#define QUORVANTELMIX_SAMPLE_FIGURES_H

#include <cstdint>

#include "rules/settings_values.h"
#include "rules/trial.h"

/* ------------------------------- what a run yields ------------------------------- */

// What the statistics need of one trial, taken from its figures as it ends.
struct TrialSummary {
    std::int32_t profit;                 // cash plus money, in yen
    std::int32_t medals;                 // medals left, which the cash was paid for
    std::int32_t money_paid;             // yen paid for medals (the money, made positive)
    std::int32_t bonuses;                // bonuses won
    std::int32_t losing_spins;           // spins that were not bonuses
    std::int32_t longest_without_bonus;  // the longest run of spins without a bonus
};

// Everything a run yields for its figures: its identity, its rules and every trial's summary.
struct RunRecord {
    std::uint32_t seed;                   // the random source's seed
    Settings settings;                    // X, Y and Z
    TrialRules rules;                     // T, L and Z as the trials used them
    RunTotals totals;                     // the totals behind the results file's averages
    TrialSummary trials[trials_per_run];  // the trials, in the order they were played
    // The trials' slump points, point by point: each point's values over the trials lie
    // together, as its quantiles read them.
    std::int32_t slump[slump_points][trials_per_run];
};

// Records the figures of `trial`, the trial numbered `index` from 0, in `record`.
void record_trial(RunRecord* record, std::int32_t index, const TrialResult& trial);

/* ---------------------------------- the figures ---------------------------------- */

// The spread of 1000 values: the least, the greatest, and the values at the nearest-rank
// quantiles, the ceil(p * 1000)-th smallest.
struct Quantiles {
    std::int32_t min;  // the smallest
    std::int32_t p05;  // the 50th smallest
    std::int32_t p25;  // the 250th
    std::int32_t p50;  // the 500th: the median
    std::int32_t p75;  // the 750th
    std::int32_t p95;  // the 950th
    std::int32_t max;  // the greatest
};

// Most bins a histogram of the page has, and fewest.
constexpr std::int32_t max_histogram_bins = 40;
constexpr std::int32_t min_histogram_bins = 20;

// Trials counted in bins of equal, round width; bin i holds the values from
// first_edge + i * bin_width up to, not including, the next edge. The edges lie on the multiples
// of the width moved by an offset: the profit's by 1 yen, so that 0 and every loss fall in bins
// below the first bin of wins.
struct Histogram {
    std::int32_t bin_width;                   // width of a bin
    std::int32_t first_edge;                  // lower edge of the first bin
    std::int32_t bin_count;                   // number of bins
    std::int32_t counts[max_histogram_bins];  // trials in each bin
};

// The slump graph: at each slump point, the quantiles of the medal difference over the trials,
// and the slump points of three trials.
struct SlumpGraph {
    std::int32_t p05[slump_points];           // the 50th smallest at each point
    std::int32_t p25[slump_points];           // the 250th
    std::int32_t p50[slump_points];           // the 500th: the median
    std::int32_t p75[slump_points];           // the 750th
    std::int32_t p95[slump_points];           // the 950th
    std::int32_t best[slump_points];          // the trial with the highest profit
    std::int32_t worst[slump_points];         // the trial with the lowest profit
    std::int32_t median_trial[slump_points];  // the trial whose profit is the median
};

// The slump graph's quantiles as mid-quantiles (numbers.h): the medal differences of the trials
// lie one bonus apart, and a nearest-rank quantile of them steps with the sampling.
struct SlumpMids {
    double p05[slump_points];  // the 5 %
    double p25[slump_points];  // the 25 %
    double p50[slump_points];  // the median
    double p75[slump_points];  // the 75 %
    double p95[slump_points];  // the 95 %
};

// The figures of a run's trials, as the page shows them.
struct SampleFigures {
    std::uint32_t seed{};  // the random source's seed
    Settings settings{};   // X, Y and Z
    TrialRules rules{};    // T, L and Z

    // The results file's averages: totals / 1000, truncated toward zero.
    std::int32_t average_bonuses{}, average_medals{}, average_profit{};

    std::int64_t profit_total{};     // the sum of the profits; the exact mean is a thousandth of it
    std::int64_t profit_ci95_low{};  // mean - 1.96 s / sqrt(1000), rounded to whole yen
    std::int64_t profit_ci95_high{};  // mean + 1.96 s / sqrt(1000), rounded to whole yen
    double profit_standard_error{};   // s / sqrt(1000): how far the mean strays by chance
    Quantiles profit{};               // the profit per trial

    std::int32_t wins{};  // trials with a profit above zero
    // The 95 % Wilson interval of the win rate, in millionths, rounded half up.
    std::int64_t win_rate_ci95_low_millionths{};
    std::int64_t win_rate_ci95_high_millionths{};

    // The same trials with their medals exchanged at the price they were bought for (Z = 5):
    // what the exchange rate costs.
    std::int64_t equal_exchange_profit_total{};  // the sum of the profits; the mean is a thousandth
    std::int32_t equal_exchange_wins{};          // trials with a profit above zero

    Quantiles money_paid{};  // the yen paid for medals per trial

    // Payout rates as fractions (1.0 is 100 %), in millionths, rounded half up.
    std::int64_t payout_theoretical_millionths{};  // 360 (T + 1) / (L (32767 - T))
    std::int64_t payout_simulated_millionths{};    // 360 * bonuses / (L * losing spins)

    Quantiles longest_without_bonus{};  // the longest run without a bonus per trial

    Histogram profit_histogram{};  // the profit per trial, in yen
    Histogram bonus_histogram{};   // the bonuses per trial

    // The three trials of the slump graph, numbered from 0; of equal profits, the earliest.
    std::int32_t best_trial{};    // the trial with the highest profit
    std::int32_t worst_trial{};   // the trial with the lowest profit
    std::int32_t median_trial{};  // a trial whose profit is the median
    SlumpGraph slump{};           // the slump graph
    SlumpMids slump_mid{};        // its quantiles as the graph draws them

    // The yen each trial paid for medals, smallest first: the share of the trials that a budget
    // would not have covered.
    std::int32_t money_paid_sorted[trials_per_run]{};
};

// Works out the figures of `record`, from its trials alone.
void compute_sample_figures(const RunRecord& record, SampleFigures* statistics);

/* ------------------------------- exact arithmetic ------------------------------- */

// numerator / denominator in millionths, rounded half up, computed exactly digit by digit. The
// denominator must be below 2^59 and non-zero.
std::int64_t quotient_in_millionths(std::uint64_t numerator, std::uint64_t denominator);

// The nearest-rank quantiles of the trials_per_run `values`.
Quantiles quantiles_of(const std::int32_t (&values)[trials_per_run]);

// The narrowest round width (1, 2, 2.5 or 5 times a power of ten, a whole number, `narrowest`
// at least) that puts the values from `low` to `high` into at most max_histogram_bins bins whose
// edges lie at `offset` plus the width's multiples.
std::int32_t round_bin_width(std::int32_t low, std::int32_t high, std::int32_t narrowest,
                             std::int32_t offset);

// The next round width above `width` (1, 2, 5, 10, 20, 25, 50, ...).
std::int32_t next_round_width(std::int32_t width);

// Counts `values` into bins of `width` whose edges lie at `offset` plus the width's multiples,
// adding empty bins on both sides to make at least `fewest`.
void fill_histogram(const std::int32_t (&values)[trials_per_run], std::int32_t width,
                    std::int32_t offset, std::int32_t fewest, Histogram* histogram);

// True when a bin of `histogram` holds far more or far fewer trials than its neighbours' mean m,
// which hold 1 % of the trials or more each: more than 3.5 sqrt(m) apart, which chance gives
// a bin about once in 2000. It is the sign that the bins alias against values that come in
// lumps (profits one bonus apart), not a feature of the data.
bool has_aliasing(const Histogram& histogram);

// The narrowest width above `above` that a profit histogram may take at the exchange rate
// `exchange_rate`: a round width of 500 yen or more, or a whole multiple of what a bonus's 360
// medals fetch (36000 / Z yen), whichever is narrower. Profits one bonus apart then never alias.
std::int32_t profit_bin_width(std::int32_t above, std::int32_t exchange_rate);

// The bounds of the 95 % Wilson score interval of a rate of `wins` in trials_per_run, in
// millionths: honest at 0 and at every trial.
void wilson_interval(std::int32_t wins, std::int64_t* low_millionths,
                     std::int64_t* high_millionths);

#endif
