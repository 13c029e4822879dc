// page_json.cpp - the JSON object of the report page.
#include "page_json.h"

#include <cstdint>

#include "decimal_text.h"

namespace {

// Appends a literal.
void put(std::string* out, const char* text) {
    out->append(text);
}

// Appends "key": with a comma before it unless it opens its object.
void put_key(std::string* out, const char* key) {
    if (out->back() != '{') out->push_back(',');
    out->push_back('"');
    put(out, key);
    put(out, "\":");
}

void put_integer(std::string* out, const char* key, std::int64_t value) {
    put_key(out, key);
    append_integer(out, value);
}

// A thousandth of `total`, exactly, with up to three decimals: an exact mean over the trials.
void put_mean(std::string* out, const char* key, std::int64_t total) {
    put_key(out, key);
    append_fixed(out, total, 3, true);
}

// A fraction given in millionths, with six decimals.
void put_fraction(std::string* out, const char* key, std::int64_t millionths) {
    put_key(out, key);
    append_fixed(out, millionths, 6, false);
}

// Opens the object under `key`; close_object closes it.
void open_object(std::string* out, const char* key) {
    put_key(out, key);
    out->push_back('{');
}

void close_object(std::string* out) {
    out->push_back('}');
}

void put_series(std::string* out, const char* key, const std::int32_t* values) {
    put_key(out, key);
    out->push_back('[');
    for (std::int32_t i = 0; i < slump_points; ++i) {
        if (i > 0) out->push_back(',');
        append_integer(out, values[i]);
    }
    out->push_back(']');
}

void put_pair(std::string* out, const char* key, std::int64_t first, std::int64_t second) {
    put_key(out, key);
    out->push_back('[');
    append_integer(out, first);
    out->push_back(',');
    append_integer(out, second);
    out->push_back(']');
}

// The quantiles that the first keys of money_paid and longest_without_bonus left out.
void put_lower_quantiles(std::string* out, const Quantiles& q) {
    put_integer(out, "min", q.min);
    put_integer(out, "p05", q.p05);
    put_integer(out, "p25", q.p25);
    put_integer(out, "p75", q.p75);
}

// A probability or a fraction, with nine significant digits.
void put_probability(std::string* out, const char* key, double value) {
    put_key(out, key);
    append_significant(out, value, 9);
}

// Yen, with three decimals.
void put_yen(std::string* out, const char* key, double value) {
    put_key(out, key);
    append_decimals(out, value, 3);
}

// An X, or null where there is none (0).
void put_x_or_null(std::string* out, const char* key, std::int32_t x) {
    put_key(out, key);
    if (x == 0) {
        put(out, "null");
    } else {
        append_integer(out, x);
    }
}

// Appends "key":[[...],[...],...], one inner array for each of `rows`, whose values `put_row`
// writes.
template <typename Rows, typename PutRow>
void put_rows(std::string* out, const char* key, const Rows& rows, PutRow put_row) {
    put_key(out, key);
    out->push_back('[');
    for (const auto& row : rows) {
        if (out->back() != '[') out->push_back(',');
        out->push_back('[');
        put_row(row);
        out->push_back(']');
    }
    out->push_back(']');
}

// The exact figures.
void put_exact(std::string* out, const ExactFigures& exact) {
    open_object(out, "exact");
    put_yen(out, "profit_mean", exact.profit_mean);
    put_probability(out, "win_probability", exact.win_probability);
    put_probability(out, "spins_mean", exact.spins_mean);
    put_probability(out, "bonuses_mean", exact.bonuses_mean);
    put_yen(out, "profit_per_1000_spins", exact.profit_per_1000_spins);
    put_probability(out, "lost_probability", exact.lost_probability);
    open_object(out, "money_paid");
    put_integer(out, "p50", exact.money_paid_p50);
    put_integer(out, "p95", exact.money_paid_p95);
    put_integer(out, "p99", exact.money_paid_p99);
    close_object(out);
    put_rows(out, "shortfall", exact.shortfall, [out](const Shortfall& budget) {
        append_integer(out, budget.budget);
        out->push_back(',');
        append_significant(out, budget.probability, 9);
    });
    put_rows(out, "by_odds", exact.by_odds, [out](const OddsFigures& odds) {
        append_integer(out, odds.x);
        out->push_back(',');
        append_decimals(out, odds.profit_mean, 3);
        out->push_back(',');
        append_significant(out, odds.win_probability, 9);
    });
    put_rows(out, "budget_table", exact.budget_table, [out](const Shortfall& budget) {
        append_integer(out, budget.budget);
        out->push_back(',');
        append_significant(out, budget.probability, 9);
        out->push_back(',');
        append_significant(out, budget.simulated, 9);
    });
    put_x_or_null(out, "break_even_X", exact.break_even_x);
    put_x_or_null(out, "break_even_X_equal_exchange", exact.break_even_x_equal);
    put_yen(out, "equal_exchange_profit_mean", exact.equal_profit_mean);
    put_probability(out, "equal_exchange_win_probability", exact.equal_win_probability);
    close_object(out);
}

const char data_open[] = R"(<script type="application/json" id="quorvantelmix-data">{)";
const char data_close[] = "}</script>\n";

}  // namespace

void append_page_data(std::string* out, const RunStatistics& s) {
    put(out, data_open);
    put_integer(out, "seed", s.seed);
    put_integer(out, "X", s.settings.X);
    put_key(out, "Y");
    append_shortest_float(out, s.settings.Y);
    put_integer(out, "Z", s.settings.Z);
    put_integer(out, "T", s.rules.hit_threshold);
    put_key(out, "L");
    append_shortest_float(out, s.rules.loss_per_spin);
    put_integer(out, "trials", trials_per_run);

    open_object(out, "average");
    put_integer(out, "bonuses", s.average_bonuses);
    put_integer(out, "medals", s.average_medals);
    put_integer(out, "profit", s.average_profit);
    close_object(out);

    put_integer(out, "wins", s.wins);
    put_key(out, "wins_ci95");
    out->push_back('[');
    append_fixed(out, s.win_rate_ci95_low_millionths, 6, false);
    out->push_back(',');
    append_fixed(out, s.win_rate_ci95_high_millionths, 6, false);
    out->push_back(']');

    open_object(out, "profit");
    put_mean(out, "mean", s.profit_total);
    put_pair(out, "ci95", s.profit_ci95_low, s.profit_ci95_high);
    const Quantiles& p = s.profit;
    put_integer(out, "min", p.min);
    put_integer(out, "p05", p.p05);
    put_integer(out, "p25", p.p25);
    put_integer(out, "p50", p.p50);
    put_integer(out, "p75", p.p75);
    put_integer(out, "p95", p.p95);
    put_integer(out, "max", p.max);
    close_object(out);

    open_object(out, "equal_exchange");
    put_mean(out, "mean", s.equal_exchange_profit_total);
    put_integer(out, "wins", s.equal_exchange_wins);
    put_mean(out, "exchange_loss", s.equal_exchange_profit_total - s.profit_total);
    close_object(out);

    open_object(out, "money_paid");
    put_integer(out, "p50", s.money_paid.p50);
    put_integer(out, "p95", s.money_paid.p95);
    put_integer(out, "max", s.money_paid.max);
    put_lower_quantiles(out, s.money_paid);
    close_object(out);

    open_object(out, "payout");
    put_fraction(out, "theoretical", s.payout_theoretical_millionths);
    put_fraction(out, "simulated", s.payout_simulated_millionths);
    close_object(out);

    open_object(out, "longest_without_bonus");
    put_integer(out, "p50", s.longest_without_bonus.p50);
    put_integer(out, "max", s.longest_without_bonus.max);
    put_integer(out, "p95", s.longest_without_bonus.p95);
    put_lower_quantiles(out, s.longest_without_bonus);
    close_object(out);

    const Histogram& h = s.profit_histogram;
    open_object(out, "histogram");
    put_integer(out, "bin_width", h.bin_width);
    put_key(out, "bins");
    out->push_back('[');
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        put(out, i > 0 ? ",[" : "[");
        append_integer(out, h.first_edge + static_cast<std::int64_t>(i) * h.bin_width);
        out->push_back(',');
        append_integer(out, h.counts[i]);
        out->push_back(']');
    }
    out->push_back(']');
    close_object(out);

    put_exact(out, s.exact);

    const SlumpGraph& slump = s.slump;
    open_object(out, "slump");
    put_integer(out, "step", slump_step);
    put_series(out, "p05", slump.p05);
    put_series(out, "p25", slump.p25);
    put_series(out, "p50", slump.p50);
    put_series(out, "p75", slump.p75);
    put_series(out, "p95", slump.p95);
    put_series(out, "best", slump.best);
    put_series(out, "worst", slump.worst);
    put_series(out, "median_trial", slump.median_trial);
    close_object(out);
    put(out, data_close);
}

void append_no_results_data(std::string* out, const char* reason, const char* section) {
    put(out, data_open);
    put_integer(out, "trials", 0);
    put_key(out, "reason");
    out->push_back('"');
    put(out, reason);
    out->push_back('"');
    if (section != nullptr) {
        put_key(out, "section");
        out->push_back('"');
        put(out, section);
        out->push_back('"');
    }
    put(out, data_close);
}
