// page_figures.cpp - the table of the page's figures, and where the trials and the exact figures
// meet.
#include "page/page_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

#include "page/decimal_text.h"
#include "rules/numbers.h"

namespace {

using F = JsonFormat;

// An entry of `columns` (0: one value, 1: a list) whose first `count` columns have the formats
// and scales given, the rest whole numbers shown as they are.
template <std::size_t count>
constexpr FigureEntry entry(FigureId id, const char* path, std::int32_t columns,
                            const JsonFormat (&formats)[count],
                            const char* const (&scales)[count]) noexcept {
    static_assert(count <= max_columns, "no more columns than an entry holds");
    FigureEntry made{path, {}, id, columns, {}};
    for (std::size_t i = 0; i < max_columns; ++i) {
        made.formats[i] = i < count ? formats[i] : F::integer;
        made.scales[i] = i < count ? scales[i] : "";
    }
    return made;
}

// An entry of one value, shown as it is or as `scale` times it.
constexpr FigureEntry one(FigureId id, const char* path, JsonFormat format,
                          const char* scale = "") noexcept {
    return entry(id, path, 0, {format}, {scale});
}

// An entry of a list of values, whole numbers unless `format` says otherwise.
constexpr FigureEntry list(FigureId id, const char* path, JsonFormat format = F::integer) noexcept {
    return entry(id, path, 1, {format}, {""});
}

// An entry of a list of rows of two to six columns, with the scale of each column shown.
constexpr FigureEntry rows(FigureId id, const char* path, JsonFormat first, JsonFormat second,
                           const char* second_scale = "") noexcept {
    return entry(id, path, 2, {first, second}, {"", second_scale});
}
constexpr FigureEntry rows(FigureId id, const char* path, JsonFormat first, JsonFormat second,
                           JsonFormat third, const char* second_scale,
                           const char* third_scale) noexcept {
    return entry(id, path, 3, {first, second, third}, {"", second_scale, third_scale});
}
template <std::size_t count>
constexpr FigureEntry rows(FigureId id, const char* path, const JsonFormat (&formats)[count],
                           const char* const (&scales)[count]) noexcept {
    return entry(id, path, static_cast<std::int32_t>(count), formats, scales);
}

using I = FigureId;

}  // namespace

const FigureEntry figure_entries[figure_count] = {
    one(I::seed, "seed", F::integer),
    one(I::x, "X", F::integer),
    one(I::y, "Y", F::float_text),
    one(I::z, "Z", F::integer),
    one(I::t, "T", F::integer),
    one(I::l, "L", F::float_text),
    one(I::trials, "trials", F::integer),
    one(I::average_bonuses, "average.bonuses", F::integer),
    one(I::average_medals, "average.medals", F::integer),
    one(I::average_profit, "average.profit", F::integer),
    one(I::wins, "wins", F::integer, "0.1"),
    one(I::wins_ci95_low, "wins_ci95.0", F::millionths, "100"),
    one(I::wins_ci95_high, "wins_ci95.1", F::millionths, "100"),
    one(I::profit_mean, "profit.mean", F::thousandths),
    one(I::profit_ci95_low, "profit.ci95.0", F::integer),
    one(I::profit_ci95_high, "profit.ci95.1", F::integer),
    one(I::profit_min, "profit.min", F::integer),
    one(I::profit_p05, "profit.p05", F::integer),
    one(I::profit_p25, "profit.p25", F::integer),
    one(I::profit_p50, "profit.p50", F::integer),
    one(I::profit_p75, "profit.p75", F::integer),
    one(I::profit_p95, "profit.p95", F::integer),
    one(I::profit_max, "profit.max", F::integer),
    one(I::equal_exchange_mean, "equal_exchange.mean", F::thousandths),
    one(I::equal_exchange_wins, "equal_exchange.wins", F::integer, "0.1"),
    one(I::equal_exchange_loss, "equal_exchange.exchange_loss", F::thousandths, "-1"),
    one(I::money_paid_p50, "money_paid.p50", F::integer),
    one(I::money_paid_p95, "money_paid.p95", F::integer),
    one(I::money_paid_max, "money_paid.max", F::integer),
    one(I::money_paid_min, "money_paid.min", F::integer),
    one(I::money_paid_p05, "money_paid.p05", F::integer),
    one(I::money_paid_p25, "money_paid.p25", F::integer),
    one(I::money_paid_p75, "money_paid.p75", F::integer),
    one(I::payout_theoretical, "payout.theoretical", F::millionths, "100"),
    one(I::payout_simulated, "payout.simulated", F::millionths, "100"),
    one(I::longest_p50, "longest_without_bonus.p50", F::integer),
    one(I::longest_max, "longest_without_bonus.max", F::integer),
    one(I::longest_p95, "longest_without_bonus.p95", F::integer),
    one(I::longest_min, "longest_without_bonus.min", F::integer),
    one(I::longest_p05, "longest_without_bonus.p05", F::integer),
    one(I::longest_p25, "longest_without_bonus.p25", F::integer),
    one(I::longest_p75, "longest_without_bonus.p75", F::integer),
    one(I::histogram_bin_width, "histogram.bin_width", F::integer),
    rows(I::histogram_bins, "histogram.bins", F::integer, F::integer),
    list(I::histogram_expected, "histogram.expected", F::yen),
    one(I::bonus_bin_width, "bonus_histogram.bin_width", F::integer),
    rows(I::bonus_bins, "bonus_histogram.bins", F::integer, F::integer),
    list(I::bonus_expected, "bonus_histogram.expected", F::yen),
    one(I::exact_profit_mean, "exact.profit_mean", F::yen),
    one(I::exact_win_probability, "exact.win_probability", F::probability, "100"),
    one(I::exact_spins_mean, "exact.spins_mean", F::probability),
    one(I::exact_bonuses_mean, "exact.bonuses_mean", F::probability),
    one(I::exact_profit_per_1000_spins, "exact.profit_per_1000_spins", F::yen),
    one(I::exact_lost_probability, "exact.lost_probability", F::probability),
    one(I::exact_money_paid_p50, "exact.money_paid.p50", F::integer),
    one(I::exact_money_paid_p95, "exact.money_paid.p95", F::integer),
    one(I::exact_money_paid_p99, "exact.money_paid.p99", F::integer),
    rows(I::exact_shortfall, "exact.shortfall", F::integer, F::probability),
    rows(I::exact_by_odds, "exact.by_odds", F::integer, F::yen, F::probability, "", ""),
    rows(I::exact_budget_table, "exact.budget_table", F::integer, F::probability, F::probability,
         "100", "100"),
    one(I::exact_break_even_x, "exact.break_even_X", F::whole_or_null),
    one(I::exact_break_even_x_equal, "exact.break_even_X_equal_exchange", F::whole_or_null),
    one(I::exact_equal_profit_mean, "exact.equal_exchange_profit_mean", F::yen),
    one(I::exact_equal_win_probability, "exact.equal_exchange_win_probability", F::probability,
        "100"),
    one(I::exact_profit_per_hour, "exact.profit_per_hour", F::yen),
    one(I::exact_spins_per_hour, "exact.spins_per_hour", F::integer),
    rows(I::exact_by_odds_close, "exact.by_odds_close", F::integer, F::yen, F::probability, "", ""),
    rows(I::exact_budget_levels, "exact.budget_levels",
         {F::probability, F::integer, F::probability, F::probability}, {"100", "", "100", "100"}),
    one(I::exact_break_even_odds, "exact.break_even_odds", F::yen),
    one(I::exact_break_even_odds_equal, "exact.break_even_odds_equal_exchange", F::yen),
    one(I::exact_player_odds, "exact.player_odds", F::yen),
    rows(I::exact_shortfall_trials, "exact.shortfall_trials", F::integer, F::probability, "100"),
    list(I::exact_slump_mid_p05, "exact.slump_mid.p05", F::yen),
    list(I::exact_slump_mid_p50, "exact.slump_mid.p50", F::yen),
    list(I::exact_slump_mid_p95, "exact.slump_mid.p95", F::yen),
    one(I::exact_break_even_margin, "exact.break_even_margin", F::probability, "100"),
    rows(I::exact_budget_levels_exact, "exact.budget_levels_exact",
         {F::probability, F::integer, F::probability, F::probability}, {"100", "", "100", "100"}),
    one(I::exact_spins_to_tell, "exact.spins_to_tell", F::whole_or_null),
    one(I::comparison_profit_z, "comparison.profit_mean_errors", F::yen),
    one(I::comparison_win_z, "comparison.win_rate_errors", F::yen),
    one(I::comparison_profit_chance, "comparison.profit_mean_chance", F::probability, "100"),
    one(I::comparison_win_chance, "comparison.win_rate_chance", F::probability, "100"),
    one(I::slump_point_step, "slump.step", F::integer),
    list(I::slump_p05, "slump.p05"),
    list(I::slump_p25, "slump.p25"),
    list(I::slump_p50, "slump.p50"),
    list(I::slump_p75, "slump.p75"),
    list(I::slump_p95, "slump.p95"),
    list(I::slump_best, "slump.best"),
    list(I::slump_worst, "slump.worst"),
    list(I::slump_median_trial, "slump.median_trial"),
    list(I::slump_mid_p05, "slump.mid.p05", F::yen),
    list(I::slump_mid_p25, "slump.mid.p25", F::yen),
    list(I::slump_mid_p50, "slump.mid.p50", F::yen),
    list(I::slump_mid_p75, "slump.mid.p75", F::yen),
    list(I::slump_mid_p95, "slump.mid.p95", F::yen),
    rows(I::plan_by_exchange, "plan.by_exchange",
         {F::integer, F::yen, F::probability, F::whole_or_null}, {"", "", "100", ""}),
    rows(I::plan_visits, "plan.visits",
         {F::integer, F::yen, F::probability, F::integer, F::integer, F::integer},
         {"", "", "100", "", "", ""}),
    rows(I::plan_budget_target, "plan.budget_target",
         {F::whole_or_null, F::whole_or_null, F::yen, F::probability, F::probability,
          F::probability},
         {"", "", "", "100", "100", ""}),
    rows(I::plan_by_spins, "plan.by_spins",
         {F::integer, F::yen, F::probability, F::integer, F::integer, F::integer, F::integer,
          F::integer},
         {"", "", "100", "", "", "", "", ""}),
    one(I::plan_hourly_profit, "plan.hourly_profit", F::yen),
    rows(I::plan_by_spins_mid, "plan.by_spins_mid",
         {F::integer, F::yen, F::yen, F::yen, F::yen, F::yen}, {"", "", "", "", "", ""}),
    one(I::counter_spins, "counter.spins", F::integer),
    one(I::counter_bonuses, "counter.bonuses", F::integer),
    list(I::counter_listed_x, "counter.listed_X"),
    rows(I::counter_posterior, "counter.posterior", F::integer, F::yen, F::probability, "", "100"),
    one(I::counter_odds_p05, "counter.odds_p05", F::yen),
    one(I::counter_odds_p50, "counter.odds_p50", F::yen),
    one(I::counter_odds_p95, "counter.odds_p95", F::yen),
    one(I::counter_beats_break_even, "counter.beats_break_even", F::probability, "100"),
    one(I::counter_profit_mean, "counter.profit_mean", F::yen),
    one(I::counter_win_probability, "counter.win_probability", F::probability, "100"),
    one(I::counter_consistency, "counter.consistency", F::probability, "100"),
    one(I::counter_dropped, "counter.dropped_at_most", F::probability),
    one(I::counter_problem, "counter.problem", F::text),
};

namespace {

// The index of `id` in the table.
std::size_t at(FigureId id) {
    return static_cast<std::size_t>(id);
}

// Sets a whole value, and a real one.
void set_whole(PageFigures* f, FigureId id, std::int64_t value) {
    f->values[at(id)].whole = value;
}
}  // namespace

double as_written(double value, JsonFormat format) {
    if (format != JsonFormat::yen) return value;
    std::string text;
    append_decimals(&text, value, 3);  // as the JSON writer writes it
    double written = value;
    std::from_chars(text.data(), text.data() + text.size(), written);
    return written;
}

namespace {

void set_real(PageFigures* f, FigureId id, double value) {
    f->values[at(id)].real = as_written(value, figure_entries[at(id)].formats[0]);
}

// Sets the quantiles of `q` to the figures `ids`, in the order min, p05, p25, p50, p75, p95,
// max.
void set_quantiles(PageFigures* f, const FigureId (&ids)[7], const Quantiles& q) {
    const std::int32_t values[] = {q.min, q.p05, q.p25, q.p50, q.p75, q.p95, q.max};
    for (std::size_t i = 0; i < std::size(values); ++i)
        set_whole(f, ids[i], values[i]);
}

// Appends a row of whole numbers and reals to the list `id`.
void add_cell(PageFigures* f, FigureId id, std::int64_t whole, double real) {
    std::vector<FigureValue>& cells = f->lists[at(id)];
    const FigureEntry& entry = figure_entries[at(id)];
    const auto columns = static_cast<std::size_t>(std::max(entry.columns, 1));
    cells.push_back(
        FigureValue{whole, as_written(real, entry.formats[cells.size() % columns]), nullptr});
}

// A slump series of whole medals, and one of real ones.
void set_series(PageFigures* f, FigureId id, const std::int32_t (&values)[slump_points]) {
    for (const std::int32_t value : values)
        add_cell(f, id, value, 0.0);
}
void set_series(PageFigures* f, FigureId id, const double (&values)[slump_points]) {
    for (const double value : values)
        add_cell(f, id, 0, value);
}

// The figures of the run's trials.
void collect_sample(const SampleFigures& s, PageFigures* f) {
    set_whole(f, I::seed, s.seed);
    set_whole(f, I::x, s.settings.X);
    set_real(f, I::y, static_cast<double>(s.settings.Y));
    set_whole(f, I::z, s.settings.Z);
    set_whole(f, I::t, s.rules.hit_threshold);
    set_real(f, I::l, static_cast<double>(s.rules.loss_per_spin));
    set_whole(f, I::trials, trials_per_run);
    set_whole(f, I::average_bonuses, s.average_bonuses);
    set_whole(f, I::average_medals, s.average_medals);
    set_whole(f, I::average_profit, s.average_profit);
    set_whole(f, I::wins, s.wins);
    set_whole(f, I::wins_ci95_low, s.win_rate_ci95_low_millionths);
    set_whole(f, I::wins_ci95_high, s.win_rate_ci95_high_millionths);
    set_whole(f, I::profit_mean, s.profit_total);
    set_whole(f, I::profit_ci95_low, s.profit_ci95_low);
    set_whole(f, I::profit_ci95_high, s.profit_ci95_high);
    set_quantiles(f,
                  {I::profit_min, I::profit_p05, I::profit_p25, I::profit_p50, I::profit_p75,
                   I::profit_p95, I::profit_max},
                  s.profit);
    set_whole(f, I::equal_exchange_mean, s.equal_exchange_profit_total);
    set_whole(f, I::equal_exchange_wins, s.equal_exchange_wins);
    set_whole(f, I::equal_exchange_loss, s.equal_exchange_profit_total - s.profit_total);
    set_quantiles(f,
                  {I::money_paid_min, I::money_paid_p05, I::money_paid_p25, I::money_paid_p50,
                   I::money_paid_p75, I::money_paid_p95, I::money_paid_max},
                  s.money_paid);
    set_whole(f, I::payout_theoretical, s.payout_theoretical_millionths);
    set_whole(f, I::payout_simulated, s.payout_simulated_millionths);
    set_quantiles(f,
                  {I::longest_min, I::longest_p05, I::longest_p25, I::longest_p50, I::longest_p75,
                   I::longest_p95, I::longest_max},
                  s.longest_without_bonus);
    const Histogram& h = s.profit_histogram;
    set_whole(f, I::histogram_bin_width, h.bin_width);
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        add_cell(f, I::histogram_bins, h.first_edge + static_cast<std::int64_t>(i) * h.bin_width,
                 0.0);
        add_cell(f, I::histogram_bins, h.counts[i], 0.0);
    }
    set_whole(f, I::slump_point_step, slump_step);
    set_series(f, I::slump_p05, s.slump.p05);
    set_series(f, I::slump_p25, s.slump.p25);
    set_series(f, I::slump_p50, s.slump.p50);
    set_series(f, I::slump_p75, s.slump.p75);
    set_series(f, I::slump_p95, s.slump.p95);
    set_series(f, I::slump_best, s.slump.best);
    set_series(f, I::slump_worst, s.slump.worst);
    set_series(f, I::slump_median_trial, s.slump.median_trial);
    set_series(f, I::slump_mid_p05, s.slump_mid.p05);
    set_series(f, I::slump_mid_p25, s.slump_mid.p25);
    set_series(f, I::slump_mid_p50, s.slump_mid.p50);
    set_series(f, I::slump_mid_p75, s.slump_mid.p75);
    set_series(f, I::slump_mid_p95, s.slump_mid.p95);
}

// How much likelier a spin wins at the player's odds than at the break-even's, and the budget
// of each level to the thousand yen.
void collect_margin_and_levels(const ExactFigures& e, const SampleFigures& s, PageFigures* f) {
    // The ratio of the two hit probabilities less one, 0 where no X breaks even or every X does.
    const bool bracketed = e.break_even_x != 0 && e.break_even_x != max_x;
    const std::int32_t player_t = random_max / s.settings.X;  // the hit thresholds
    const std::int32_t even_t = bracketed ? random_max / e.break_even_x : 0;
    set_real(f, I::exact_break_even_margin,
             bracketed ? static_cast<double>(player_t + 1) / static_cast<double>(even_t + 1) - 1.0
                       : 0.0);
    // The least budget a day outruns with the level's probability or less, as the cash to bring
    // is worked out.
    for (const double level : shortfall_levels) {
        std::size_t i = 0;
        while (i + 1 < e.shortfall.size() && e.shortfall[i].probability > level)
            ++i;
        add_cell(f, I::exact_budget_levels_exact, 0, level);
        add_cell(f, I::exact_budget_levels_exact, e.shortfall[i].budget, 0.0);
        add_cell(f, I::exact_budget_levels_exact, 0, e.shortfall[i].probability);
        add_cell(f, I::exact_budget_levels_exact, 0, share_paid_more(s, e.shortfall[i].budget));
    }
}

// The exact figures, and the trials' shares beside the budgets.
void collect_exact(const ExactFigures& e, const SampleFigures& s, PageFigures* f) {
    set_real(f, I::exact_profit_mean, e.profit_mean);
    set_real(f, I::exact_win_probability, e.win_probability);
    set_real(f, I::exact_spins_mean, e.spins_mean);
    set_real(f, I::exact_bonuses_mean, e.bonuses_mean);
    set_real(f, I::exact_profit_per_1000_spins, e.profit_per_1000_spins);
    set_real(f, I::exact_lost_probability, e.lost_probability);
    set_whole(f, I::exact_money_paid_p50, e.money_paid_p50);
    set_whole(f, I::exact_money_paid_p95, e.money_paid_p95);
    set_whole(f, I::exact_money_paid_p99, e.money_paid_p99);
    for (const Shortfall& budget : e.shortfall) {
        add_cell(f, I::exact_shortfall, budget.budget, 0.0);
        add_cell(f, I::exact_shortfall, 0, budget.probability);
        f->shortfall_simulated.push_back(share_paid_more(s, budget.budget));
    }
    for (const OddsFigures& odds : e.by_odds) {
        add_cell(f, I::exact_by_odds, odds.x, 0.0);
        add_cell(f, I::exact_by_odds, 0, odds.profit_mean);
        add_cell(f, I::exact_by_odds, 0, odds.win_probability);
    }
    for (const Shortfall& budget : e.budget_table) {
        add_cell(f, I::exact_budget_table, budget.budget, 0.0);
        add_cell(f, I::exact_budget_table, 0, budget.probability);
        add_cell(f, I::exact_budget_table, 0, share_paid_more(s, budget.budget));
    }
    set_whole(f, I::exact_break_even_x, e.break_even_x);
    set_whole(f, I::exact_break_even_x_equal, e.break_even_x_equal);
    set_real(f, I::exact_equal_profit_mean, e.equal_profit_mean);
    set_real(f, I::exact_equal_win_probability, e.equal_win_probability);
    set_real(f, I::exact_profit_per_hour, e.profit_per_hour);
    set_whole(f, I::exact_spins_per_hour, spins_per_hour);
    for (const OddsFigures& odds : e.by_odds_close) {
        add_cell(f, I::exact_by_odds_close, odds.x, 0.0);
        add_cell(f, I::exact_by_odds_close, 0, odds.profit_mean);
        add_cell(f, I::exact_by_odds_close, 0, odds.win_probability);
    }
    for (const BudgetLevel& row : e.budget_levels) {
        add_cell(f, I::exact_budget_levels, 0, row.level);
        add_cell(f, I::exact_budget_levels, row.budget, 0.0);
        add_cell(f, I::exact_budget_levels, 0, row.probability);
        add_cell(f, I::exact_budget_levels, 0, share_paid_more(s, row.budget));
    }
    // A break-even X stands for the odds of its hit threshold: 32768 / (T + 1) spins a bonus.
    const auto odds_of = [](std::int32_t x) {
        return x == 0 ? 0.0 : 1.0 / hit_probability(random_max / x);
    };
    set_real(f, I::exact_break_even_odds, odds_of(e.break_even_x));
    set_real(f, I::exact_break_even_odds_equal, odds_of(e.break_even_x_equal));
    set_real(f, I::exact_player_odds, odds_of(s.settings.X));
    // The trials' shares beside the curve, at about shortfall_dots of the budgets it shows (a
    // share of 0 has no place on its logarithmic axis).
    std::size_t shown = 0;
    while (shown < e.shortfall.size() && e.shortfall[shown].probability >= shortfall_floor)
        ++shown;
    const auto step = static_cast<std::size_t>(std::max<std::int64_t>(
        1, (static_cast<std::int64_t>(shown) + shortfall_dots - 1) / shortfall_dots));
    for (std::size_t i = step - 1; i < shown; i += step) {
        const double share = f->shortfall_simulated[i];
        if (share <= 0.0) continue;
        add_cell(f, I::exact_shortfall_trials, e.shortfall[i].budget, 0.0);
        add_cell(f, I::exact_shortfall_trials, 0, share);
    }
    set_series(f, I::exact_slump_mid_p05, e.slump_mid.p05);
    set_series(f, I::exact_slump_mid_p50, e.slump_mid.p50);
    set_series(f, I::exact_slump_mid_p95, e.slump_mid.p95);
    collect_margin_and_levels(e, s, f);
    for (const ExchangeFigures& hall : e.by_exchange) {
        add_cell(f, I::plan_by_exchange, hall.z, 0.0);
        add_cell(f, I::plan_by_exchange, 0, hall.profit_mean);
        add_cell(f, I::plan_by_exchange, 0, hall.win_probability);
        add_cell(f, I::plan_by_exchange, hall.break_even_x, 0.0);
    }
    for (const VisitFigures& visit : e.visits) {
        add_cell(f, I::plan_visits, visit.days, 0.0);
        add_cell(f, I::plan_visits, 0, visit.total_mean);
        add_cell(f, I::plan_visits, 0, visit.win_probability);
        add_cell(f, I::plan_visits, visit.p05, 0.0);
        add_cell(f, I::plan_visits, visit.p50, 0.0);
        add_cell(f, I::plan_visits, visit.p95, 0.0);
    }
    for (const BudgetTargetFigures& plan : e.budget_target) {
        add_cell(f, I::plan_budget_target, plan.budget, 0.0);
        add_cell(f, I::plan_budget_target, plan.target, 0.0);
        add_cell(f, I::plan_budget_target, 0, plan.profit_mean);
        add_cell(f, I::plan_budget_target, 0, plan.win_probability);
        add_cell(f, I::plan_budget_target, 0, plan.ruin_probability);
        add_cell(f, I::plan_budget_target, 0, plan.spins_mean);
    }
    for (const SpinsFigures& leave : e.by_spins) {
        add_cell(f, I::plan_by_spins, leave.spins, 0.0);
        add_cell(f, I::plan_by_spins, 0, leave.profit_mean);
        add_cell(f, I::plan_by_spins, 0, leave.win_probability);
        for (const std::int64_t quantile : {leave.p05, leave.p25, leave.p50, leave.p75, leave.p95})
            add_cell(f, I::plan_by_spins, quantile, 0.0);
    }
    set_real(f, I::plan_hourly_profit, e.profit_per_hour);
    for (const SpinsFigures& leave : e.by_spins) {
        add_cell(f, I::plan_by_spins_mid, leave.spins, 0.0);
        for (const double quantile : leave.mid)
            add_cell(f, I::plan_by_spins_mid, 0, quantile);
    }
}

// The probability that a standard normal variable lies `z` or further from 0, either way:
// 1 - erf(|z| / sqrt 2), by erf's Taylor series in + - x / alone, so that the page has the same
// bits on every platform. Up to |z| = 6 the terms peak near e^18 = 7e7 times the sum, so the
// cancellation costs 8 of the 16 digits: a tail of 2e-9 there is good to about 1e-8 of itself.
// Beyond 6 the tail (under 2e-9) is taken as 0.
double two_sided_tail(double z) {
    const double x = std::fabs(z) / 1.4142135623730951;
    if (!(x < 6.0 / 1.4142135623730951)) return 0.0;
    double term = x;  // (-1)^n x^(2n+1) / n!
    double sum = 0.0;
    for (int n = 0; n < 200; ++n) {
        const double part = term / (2 * n + 1);
        sum += part;
        if (std::fabs(part) < 1e-17 * std::fabs(sum)) break;
        term = -term * x * x / (n + 1);
    }
    const double two_over_root_pi = 1.1283791670955126;
    return std::max(0.0, 1.0 - two_over_root_pi * sum);
}

// How far the trials' mean profit and win rate lie from the exact values they estimate, in
// standard errors: the mean's from the trials' own spread, the win rate's from the exact
// probability's binomial spread.
void compare(const SampleFigures& s, const ExactFigures& e, PageFigures* f) {
    const double mean = static_cast<double>(s.profit_total) / trials_per_run;
    set_real(
        f, I::comparison_profit_z,
        s.profit_standard_error > 0.0 ? (mean - e.profit_mean) / s.profit_standard_error : 0.0);
    const double p = e.win_probability;
    f->win_rate_error = std::sqrt(p * (1.0 - p) / trials_per_run);
    const double rate = static_cast<double>(s.wins) / trials_per_run;
    set_real(f, I::comparison_win_z,
             f->win_rate_error > 0.0 ? (rate - p) / f->win_rate_error : 0.0);
    set_real(f, I::comparison_profit_chance, two_sided_tail(real_of(*f, I::comparison_profit_z)));
    set_real(f, I::comparison_win_chance, two_sided_tail(real_of(*f, I::comparison_win_z)));
}

// The exact probabilities of the values `first`, `first` + `step`, ... as trials per 1000, added
// into `expected`, one slot for each bin of `histogram`: the exact distribution binned as the
// trials are.
void bin_expected(const Histogram& histogram, std::int64_t first, std::int64_t step,
                  const std::vector<double>& probabilities, double* expected) {
    for (std::size_t i = 0; i < probabilities.size(); ++i) {
        const std::int64_t value = first + static_cast<std::int64_t>(i) * step;
        const std::int64_t bin = floor_divide(value - histogram.first_edge, histogram.bin_width);
        if (bin >= 0 && bin < histogram.bin_count)
            expected[bin] += probabilities[i] * trials_per_run;
    }
}

// The name of what is wrong with a counter's reading, as the JSON gives it.
const char* problem_name(CounterStatus status) {
    switch (status) {
        case CounterStatus::absent:
        case CounterStatus::valid:
            return "";
        case CounterStatus::spins_no_number:
            return "spins_no_number";
        case CounterStatus::spins_out_of_range:
            return "spins_out_of_range";
        case CounterStatus::bonuses_no_number:
            return "bonuses_no_number";
        case CounterStatus::bonuses_above_spins:
            return "bonuses_above_spins";
        case CounterStatus::spins_alone:
            return "spins_alone";
        case CounterStatus::bonuses_alone:
            return "bonuses_alone";
        case CounterStatus::listed_no_number:
            return "listed_no_number";
        case CounterStatus::listed_out_of_range:
            return "listed_out_of_range";
        case CounterStatus::listed_too_many:
            return "listed_too_many";
        case CounterStatus::listed_alone:
            return "listed_alone";
    }
    return "";
}

// What the data counter says of the machine: every figure of a valid reading, the problem of a
// faulty one, nothing where there is none.
void collect_counter(const ExactFigures& e, const CounterReading& reading, PageFigures* f) {
    set_whole(f, I::exact_spins_to_tell, e.spins_to_tell);
    const CounterFigures& c = e.counter;
    for (auto id = static_cast<std::size_t>(I::counter_spins); id < at(I::count); ++id)
        f->omitted[id] = !c.present;
    f->omitted[at(I::counter_problem)] =
        reading.status == CounterStatus::absent || reading.status == CounterStatus::valid;
    f->values[at(I::counter_problem)].text = problem_name(reading.status);
    if (!c.present) return;
    set_whole(f, I::counter_spins, reading.spins);
    set_whole(f, I::counter_bonuses, reading.bonuses);
    for (std::int32_t i = 0; i < reading.listed_count; ++i)
        add_cell(f, I::counter_listed_x, reading.listed[i], 0.0);
    for (const PosteriorPoint& point : c.posterior) {
        add_cell(f, I::counter_posterior, point.threshold, 0.0);
        add_cell(f, I::counter_posterior, 0, point.odds);
        add_cell(f, I::counter_posterior, 0, point.probability);
    }
    set_real(f, I::counter_odds_p05, c.odds_p05);
    set_real(f, I::counter_odds_p50, c.odds_p50);
    set_real(f, I::counter_odds_p95, c.odds_p95);
    set_real(f, I::counter_beats_break_even, c.beats_break_even);
    set_real(f, I::counter_profit_mean, c.profit_mean);
    set_real(f, I::counter_win_probability, c.win_probability);
    set_real(f, I::counter_consistency, c.consistency);
    set_real(f, I::counter_dropped, c.dropped);
}

}  // namespace

double share_paid_more(const SampleFigures& sample, std::int64_t budget) {
    const std::int32_t* const paid = std::begin(sample.money_paid_sorted);
    const auto covered = std::upper_bound(paid, std::end(sample.money_paid_sorted), budget,
                                          [](std::int64_t b, std::int32_t p) { return b < p; }) -
                         paid;
    return static_cast<double>(trials_per_run - covered) / trials_per_run;
}

void collect_page_figures(const SampleFigures& sample, const ExactFigures& exact,
                          const CounterReading& counter, PageFigures* figures) {
    PageFigures& f = *figures;
    f.sample = &sample;
    f.exact = &exact;
    f.counter = &counter;
    collect_counter(exact, counter, &f);
    collect_sample(sample, &f);
    collect_exact(exact, sample, &f);
    compare(sample, exact, &f);
    bin_expected(sample.profit_histogram, exact.profit_first, cash_unit, exact.profits,
                 f.profit_expected);
    bin_expected(sample.bonus_histogram, 0, 1, exact.bonuses, f.bonus_expected);
    for (std::int32_t i = 0; i < sample.profit_histogram.bin_count; ++i)
        add_cell(&f, I::histogram_expected, 0, f.profit_expected[i]);
    const Histogram& bonuses = sample.bonus_histogram;
    set_whole(&f, I::bonus_bin_width, bonuses.bin_width);
    for (std::int32_t i = 0; i < bonuses.bin_count; ++i) {
        add_cell(&f, I::bonus_bins,
                 bonuses.first_edge + static_cast<std::int64_t>(i) * bonuses.bin_width, 0.0);
        add_cell(&f, I::bonus_bins, bonuses.counts[i], 0.0);
        add_cell(&f, I::bonus_expected, 0, f.bonus_expected[i]);
    }
}

std::int64_t whole_of(const PageFigures& figures, FigureId id) {
    return figures.values[at(id)].whole;
}

double real_of(const PageFigures& figures, FigureId id) {
    return figures.values[at(id)].real;
}
