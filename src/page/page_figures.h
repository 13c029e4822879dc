// page_figures.h - the report page's one table of figures: every figure that the page carries in
// its JSON has one entry, with its JSON path, its value and its format. The JSON writer writes
// the table; the cards and tables look their figures up in it by the entry, so no path is typed
// twice.
//
// It is also the one place where the page's two branches meet: the figures of the run's trials
// (from the trials alone) and the exact figures (from the rules alone) are put side by side here:
// the exact distributions binned over the trials' histograms, the trials' shares beside the
// exact shortfalls.
#ifndef QUORVANTELMIX_PAGE_FIGURES_H
#define QUORVANTELMIX_PAGE_FIGURES_H

#include <cstdint>
#include <vector>

#include "exact/exact_figures.h"
#include "sample/sample_figures.h"

/* ---------------------------------- the entries ---------------------------------- */

// How a value is written in the JSON.
enum class JsonFormat : std::uint8_t {
    integer,        // a whole number: "-12345"
    thousandths,    // a whole number of thousandths, up to three decimals: "5558.1"
    millionths,     // a whole number of millionths, six decimals: "0.974311"
    yen,            // a real number, three decimals: "-7234.125"
    probability,    // a real number, nine significant digits: "0.585440142"
    float_text,     // a float, the shortest text that reads back: "1.3846154"
    whole_or_null,  // a whole number (an X, a budget, a target), or null for 0
    text,           // a string
};

// Every figure of the page's JSON, in the order the JSON holds them; one line a group.
// clang-format off
enum class FigureId : std::int32_t {
    seed, x, y, z, t, l, trials,
    average_bonuses, average_medals, average_profit,
    wins, wins_ci95_low, wins_ci95_high,
    profit_mean, profit_ci95_low, profit_ci95_high,
    profit_min, profit_p05, profit_p25, profit_p50, profit_p75, profit_p95, profit_max,
    equal_exchange_mean, equal_exchange_wins, equal_exchange_loss,
    money_paid_p50, money_paid_p95, money_paid_max,
    money_paid_min, money_paid_p05, money_paid_p25, money_paid_p75,
    payout_theoretical, payout_simulated,
    longest_p50, longest_max, longest_p95, longest_min, longest_p05, longest_p25, longest_p75,
    histogram_bin_width, histogram_bins, histogram_expected,
    bonus_bin_width, bonus_bins, bonus_expected,
    exact_profit_mean, exact_win_probability, exact_spins_mean, exact_bonuses_mean,
    exact_profit_per_1000_spins, exact_lost_probability,
    exact_money_paid_p50, exact_money_paid_p95, exact_money_paid_p99,
    exact_shortfall, exact_by_odds, exact_budget_table,
    exact_break_even_x, exact_break_even_x_equal,
    exact_equal_profit_mean, exact_equal_win_probability,
    exact_profit_per_hour, exact_spins_per_hour, exact_by_odds_close, exact_budget_levels,
    exact_break_even_odds, exact_break_even_odds_equal, exact_player_odds, exact_shortfall_trials,
    exact_slump_mid_p05, exact_slump_mid_p50, exact_slump_mid_p95,
    exact_break_even_margin, exact_budget_levels_exact, exact_spins_to_tell,
    comparison_profit_z, comparison_win_z, comparison_profit_chance, comparison_win_chance,
    slump_point_step, slump_p05, slump_p25, slump_p50, slump_p75, slump_p95,
    slump_best, slump_worst, slump_median_trial,
    slump_mid_p05, slump_mid_p25, slump_mid_p50, slump_mid_p75, slump_mid_p95,
    plan_by_exchange, plan_visits, plan_budget_target, plan_by_spins, plan_hourly_profit,
    plan_by_spins_mid,
    counter_spins, counter_bonuses, counter_listed_x, counter_posterior,
    counter_odds_p05, counter_odds_p50, counter_odds_p95, counter_beats_break_even,
    counter_profit_mean, counter_win_probability, counter_consistency, counter_dropped,
    counter_problem,
    count  // not a figure: the number of them
};
// clang-format on

constexpr auto figure_count = static_cast<std::int32_t>(FigureId::count);

// The least probability of running dry that the budget chart shows: one in a thousand.
constexpr double shortfall_floor = 0.001;

// About how many budgets the chart shows the trials' shares at.
constexpr std::int64_t shortfall_dots = 25;

// Most columns a row of a list has.
constexpr std::int32_t max_columns = 8;

// One figure of the table.
struct FigureEntry {
    const char* path;                 // its JSON path: keys joined by dots, array places as numbers
    const char* scales[max_columns];  // what the shown text is of the value (data-scale), or ""
    FigureId id;                      // which figure: entries stand in the order of the ids
    std::int32_t columns;             // 0: one value; 1: a list; n > 1: a list of rows of n
    JsonFormat formats[max_columns];  // the value's format, or each column's
};

// The entries of the page with results, by FigureId.
extern const FigureEntry figure_entries[figure_count];

/* ---------------------------------- the values ---------------------------------- */

// A value of the table: the field its format reads.
struct FigureValue {
    std::int64_t whole;  // integer, thousandths, millionths, whole_or_null
    double real;         // yen, probability, float_text
    const char* text;    // text
};

// The page's figures, and what its charts draw beside them.
struct PageFigures {
    FigureValue values[figure_count]{};              // the values of the single figures
    bool omitted[figure_count]{};                    // figures the JSON leaves out (the counter's
                                                     // where there is no reading, or a faulty one)
    std::vector<FigureValue> lists[figure_count]{};  // the lists' values, row after row
    const SampleFigures* sample{};                   // the run's trials
    const ExactFigures* exact{};                     // the rules computed exactly
    const CounterReading* counter{};                 // the data counter's reading
    double profit_expected[max_histogram_bins]{};    // the exact profits per 1000 trials, binned
                                                     // as the trials' histogram
    double bonus_expected[max_histogram_bins]{};     // likewise the bonuses
    std::vector<double> shortfall_simulated{};       // per exact shortfall, the trials' share
    double win_rate_error{};  // the standard error of 1000 trials' win rate at the exact odds
};

// Puts the figures of `sample` and `exact`, the same run's, side by side into `figures`, which
// keeps pointers to both, with what the data counter's reading `counter` says.
void collect_page_figures(const SampleFigures& sample, const ExactFigures& exact,
                          const CounterReading& counter, PageFigures* figures);

// `value` as the JSON writes it in `format`: yen to the thousandth (the double nearest the text
// written), every other format as it is. The page keeps its figures so, so that a figure shown
// to fewer decimals is rounded from the value the JSON holds: 0.24996 shows as 0.3, as its
// JSON 0.25 does, not as 0.2.
double as_written(double value, JsonFormat format);

// The whole value of the figure `id`, and its real value.
std::int64_t whole_of(const PageFigures& figures, FigureId id);
double real_of(const PageFigures& figures, FigureId id);

// The share of the trials of `sample` that paid more than `budget` yen.
double share_paid_more(const SampleFigures& sample, std::int64_t budget);

#endif
