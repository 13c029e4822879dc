// page_trials.cpp - the run's 1000 trials, folded away below the answers: how far they lie from
// the exact values and how often chance alone lies that far, the figures only they give (the
// results file's averages, the exchange loss, the payout, the longest drought), their spread,
// and three charts: the profit, the slump graph and the bonuses.
//
// This unit's literals are UTF-8, the page's encoding.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

// The slump graph's ticks along the spins.
constexpr std::int64_t slump_tick_step = 1000;
// The mean of a total over the trials, rounded to whole yen, halves away from zero.
std::int64_t mean_of_total(const PageFigures& f, FigureId total) {
    return divide_rounded_half_away(whole_of(f, total), trials_per_run);
}

// A number of standard errors to one decimal, with its sign: "-0.8", "0.0".
std::string errors_text(double errors) {
    const std::int64_t tenths = round_half_away(errors * 10.0);
    std::string text = tenths > 0 ? "+" : "";
    append_fixed(&text, tenths, 1, false);
    return text;
}

// How often chance alone gives a difference as large as `chance` says, in words: "42%",
// "0.3%", "0.01%未満".
std::string chance_text(FigureId id, double chance) {
    if (chance < 0.0001) return figure(id, "0.01%") + "未満";
    return figure(id, percent_of(chance, chance < 0.001 ? 2 : chance < 0.1 ? 1 : 0));
}

// How far the trials lie from the exact values, and how often chance alone lies that far: the
// trials are a sample, and the exact figures above do not depend on them.
void put_agreement(std::string* out, const PageFigures& f) {
    using I = FigureId;
    put(out,
        "<p>ここからの値は Quorvantelmix.txt と同じ1000試行のものです。上の答えはルールから"
        "計算した正確な値で、この試行には左右されません。1000試行の平均収支と理論値の差は"
        "標準誤差の ");
    out->append(figure(I::comparison_profit_z, errors_text(real_of(f, I::comparison_profit_z))));
    put(out, "倍で、偶然だけでもこれ以上の差が出る確率は ");
    out->append(chance_text(I::comparison_profit_chance, real_of(f, I::comparison_profit_chance)));
    put(out, "。勝率の差は標準誤差の ");
    out->append(figure(I::comparison_win_z, errors_text(real_of(f, I::comparison_win_z))));
    put(out, "倍で、その確率は ");
    out->append(chance_text(I::comparison_win_chance, real_of(f, I::comparison_win_chance)));
    put(out, "です。</p>\n");
}

// The cards of the run's 1000 trials, each sampled figure beside the exact value it estimates,
// and the figures that only the trials give.
void put_trial_cards(std::string* out, const PageFigures& f) {
    using I = FigureId;
    const auto yen = [&f](I id, bool sign) {
        return figure(id, amount(whole_of(f, id), "円", sign));
    };
    const auto exact_yen = [&f](I id) {
        return figure(id, amount(round_half_away(real_of(f, id)), "円", true));
    };
    put(out, "<div class=\"cards\">\n");

    const std::int64_t mean = mean_of_total(f, I::profit_mean);
    put_card(out, "平均収支（1000試行）", figure(I::profit_mean, amount(mean, "円", true)),
             "理論値 " + exact_yen(I::exact_profit_mean) + "。95%信頼区間 " +
                 yen(I::profit_ci95_low, true) + "〜" + yen(I::profit_ci95_high, true) + "。",
             profit_class(mean));

    const std::int64_t wins = whole_of(f, I::wins);
    put_card(
        out, "勝率（1000試行）", figure(I::wins, percent_of_trials(wins)),
        "理論値 " +
            figure(I::exact_win_probability, percent_of(real_of(f, I::exact_win_probability), 1)) +
            "（" + amount(wins, "") + " / 1000試行）。95%信頼区間 " +
            figure(I::wins_ci95_low, percent_of_millionths(whole_of(f, I::wins_ci95_low), 1)) +
            "〜" +
            figure(I::wins_ci95_high, percent_of_millionths(whole_of(f, I::wins_ci95_high), 1)) +
            "。");

    put_card(out, "用意した現金（95%の試行で足りた額）", yen(I::money_paid_p95, false),
             "理論値 " + yen(I::exact_money_paid_p95, false) + "。中央値 " +
                 yen(I::money_paid_p50, false) + "、最大 " + yen(I::money_paid_max, false) + "。");

    put_card(out, "結果ファイルの平均",
             figure(I::average_bonuses, amount(whole_of(f, I::average_bonuses), "回")) + " " +
                 figure(I::average_medals, amount(whole_of(f, I::average_medals), "枚")) + " " +
                 yen(I::average_profit, true),
             "Quorvantelmix.txt の最後の行と同じ、ボーナス回数・残りメダル・収支の平均"
             "（端数は0の方へ切り捨て）。");

    const std::int64_t z = whole_of(f, I::z);
    if (z != medals_per_cash_unit) {
        // What the exchange rate costs: a loss, shown with its sign.
        const std::int64_t loss = mean_of_total(f, I::equal_exchange_loss);
        put_card(out, "交換差損（1試行あたり）",
                 figure(I::equal_exchange_loss, amount(-loss, "円", true)),
                 "買ったときと同じ5枚100円で換金できたら（等価交換なら）平均収支 " +
                     figure(I::equal_exchange_mean,
                            amount(mean_of_total(f, I::equal_exchange_mean), "円", true)) +
                     "、勝率 " +
                     figure(I::equal_exchange_wins,
                            percent_of_trials(whole_of(f, I::equal_exchange_wins))) +
                     "。その差が、換金率 " + amount(z, "枚") + "100円で失う額です。",
                 profit_class(-loss));
    }

    put_card(
        out, "機械割",
        figure(I::payout_simulated, percent_of_millionths(whole_of(f, I::payout_simulated), 2)),
        "ボーナスで得たメダル÷ハズレの回転で失ったメダル。設定からの理論値は " +
            figure(I::payout_theoretical,
                   percent_of_millionths(whole_of(f, I::payout_theoretical), 2)) +
            "で、確率Xと100%確率Yが同じならほぼ100%です。メダルは50枚1000円で借り、" +
            amount(z, "枚") + "100円・500円単位で換金するので、100%でも収支はプラスになりません。");

    const auto spins = [&f](I id) { return figure(id, amount(whole_of(f, id), "回転")); };
    put_card(out, "最大ハマり（95%の試行はこれ以下）", spins(I::longest_p95),
             "1試行の中でボーナスなしに続いた最長の回転数。中央値 " + spins(I::longest_p50) +
                 "、最大 " + spins(I::longest_max) + "。");
    put(out, "</div>\n");
}

// The table of the spread, one row a quantile and one column a figure, so that it fits a phone.
void put_quantile_table(std::string* out, const PageFigures& f) {
    using I = FigureId;
    put(out,
        "<h3>ばらつき</h3>\n<p>1000試行を小さい順に並べたときの値です（5%は50番目、"
        "中央値は500番目、95%は950番目）。</p>\n<table>\n"
        "<tr><th></th><th>収支</th><th>投資額</th><th>最大ハマり</th></tr>\n");
    const struct {
        const char* name;
        FigureId profit, paid, longest;
    } rows[] = {
        {"最小", I::profit_min, I::money_paid_min, I::longest_min},
        {"5%", I::profit_p05, I::money_paid_p05, I::longest_p05},
        {"25%", I::profit_p25, I::money_paid_p25, I::longest_p25},
        {"中央値", I::profit_p50, I::money_paid_p50, I::longest_p50},
        {"75%", I::profit_p75, I::money_paid_p75, I::longest_p75},
        {"95%", I::profit_p95, I::money_paid_p95, I::longest_p95},
        {"最大", I::profit_max, I::money_paid_max, I::longest_max},
    };
    for (const auto& row : rows) {
        put(out, "<tr><td>");
        put(out, row.name);
        put(out, "</td><td>");
        out->append(figure(row.profit, amount(whole_of(f, row.profit), "円", true)));
        put(out, "</td><td>");
        out->append(figure(row.paid, amount(whole_of(f, row.paid), "円")));
        put(out, "</td><td>");
        out->append(figure(row.longest, amount(whole_of(f, row.longest), "回転")));
        put(out, "</td></tr>\n");
    }
    put(out, "</table>\n");
}

/* ---------------------------------- the charts ---------------------------------- */

// The right edge of a plot whose last horizontal label, `widest` at most, is centred on it.
double right_edge(std::int64_t widest) {
    std::string label;
    append_grouped(&label, -widest);
    return chart_width - text_width(label) / 2.0 - 4.0;
}

// The highest count of the bins of `histogram`, and of what they are expected to hold.
double highest_bin(const Histogram& histogram, const double* expected) {
    double highest = 1.0;
    for (std::int32_t i = 0; i < histogram.bin_count; ++i) {
        highest = std::max(highest, static_cast<double>(histogram.counts[i]));
        highest = std::max(highest, expected[i]);
    }
    return highest;
}

// The scales of a histogram's chart, with its axes drawn.
struct ChartScales {
    Scale x;  // the values
    Scale y;  // the trials
};

// The plot area of `histogram` from `top` to `bottom`, its scales, and its chart opened with
// the axes drawn: the bins' values along x from `edge_offset` below the first edge (so that the
// profit's axis starts on a round value), their counts (and the `expected` ones) along y. The x
// labels stand at round values whatever the bins' width, or, for bins of one count, at their
// centres.
ChartScales put_histogram_axes(std::string* out, const char* id, const char* caption, double top,
                               double bottom, const Histogram& histogram, const double* expected,
                               std::int32_t edge_offset, const char* x_title, PlotArea* area) {
    std::int64_t y_step = 1;
    Scale y = round_scale(0, static_cast<std::int64_t>(highest_bin(histogram, expected)) + 1,
                          most_y_ticks(top, bottom), bottom, top, &y_step);
    const std::int64_t start = static_cast<std::int64_t>(histogram.first_edge) - edge_offset;
    const std::int64_t span = static_cast<std::int64_t>(histogram.bin_count) * histogram.bin_width;
    *area = PlotArea{left_edge(y, "試行数"),
                     right_edge(std::max(std::llabs(start), std::llabs(start + span))), top, bottom,
                     top >= marked_plot_top ? marker_rows * marker_row_height : 0.0};
    const Scale x{static_cast<double>(start), static_cast<double>(start + span), area->left,
                  area->right};
    open_chart(out, id, caption, *area);
    put_y_axis(out, *area, y, y_step, AxisSide::left, "試行数");
    const bool centred = histogram.bin_width == 1;
    const std::int64_t x_step = label_step(x);
    put_x_axis(out, *area, x, round_to_step(start, x_step, true), x_step, centred ? 0.5 : 0.0,
               x_title);
    return ChartScales{x, y};
}

// The profit per trial, losses and wins apart, with break-even, the mean and the median marked.
void put_profit_chart(std::string* out, const PageFigures& f) {
    const SampleFigures& s = *f.sample;
    const Histogram& h = s.profit_histogram;
    // The marker labels' rows above the plot, the highest clear of the chart's top.
    const double top = marked_plot_top;
    PlotArea area{};
    // The edges lie 1 yen above round values: the axis starts on the round value below.
    const ChartScales scales =
        put_histogram_axes(out, "profit-histogram", "収支の分布（1試行ごと）", top, top + 220.0, h,
                           f.profit_expected, 1, "収支（円）", &area);
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        const std::int64_t low = h.first_edge + static_cast<std::int64_t>(i) * h.bin_width;
        const std::int64_t above = low - 1;  // the bin holds the profits above this, up to
        const std::int64_t up_to = above + h.bin_width;
        std::string title = amount(above, "円超 ") + amount(up_to, "円以下: ");
        append_integer(&title, h.counts[i]);
        title += "試行";
        std::string data =
            R"( data-json="histogram.bins" data-x="0" data-y="1" data-x-shift="-1" data-row=")";
        append_integer(&data, i);
        data += '"';
        put_bar(out, area, pixel(scales.x, static_cast<double>(above)) + 1.0,
                pixel(scales.x, static_cast<double>(up_to)) - 1.0, pixel(scales.y, h.counts[i]),
                low > 0 ? "bar-win" : "bar-loss", title, data);
    }
    std::string keys;
    if (s.wins < trials_per_run)
        keys += legend_key("bar-loss", Swatch::box, "マイナス収支（±0を含む）");
    if (s.wins > 0) keys += legend_key("bar-win", Swatch::box, "プラス収支");
    // The marks that fall within the axis, and only those in the legend.
    const struct {
        double value;
        Marker marker;
        const char* key;
    } marks[] = {
        {0.0, {0.0, "mark-zero", "±0", nullptr}, "収支±0"},
        {static_cast<double>(s.profit_total) / trials_per_run,
         {0.0, "mark-mean", "平均", "profit.mean"},
         "平均"},
        {static_cast<double>(s.profit.p50), {0.0, "mark-median", "中央値", "profit.p50"}, "中央値"},
    };
    Marker markers[std::size(marks)];
    int shown = 0;
    for (const auto& mark : marks) {
        if (mark.value < scales.x.low || mark.value > scales.x.high) continue;
        markers[shown] = mark.marker;
        markers[shown++].at = pixel(scales.x, mark.value);
        keys += legend_key(mark.marker.css_class, Swatch::line, mark.key);
    }
    put_markers(out, area, markers, shown);
    // The exact distribution, binned as the trials are.
    double xs[max_histogram_bins];
    double ys[max_histogram_bins];
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        xs[i] = pixel(scales.x, h.first_edge - 1 + (i + 0.5) * h.bin_width);
        ys[i] = pixel(scales.y, f.profit_expected[i]);
    }
    put_polyline(
        out, xs, ys, h.bin_count, "line-theory",
        R"( data-json="histogram.expected" data-centre-of="histogram.bins" data-x-shift="-1")");
    put_dots(
        out, xs, ys, h.bin_count, "dot-theory",
        R"( data-json="histogram.expected" data-centre-of="histogram.bins" data-x-shift="-1")");
    keys += legend_key("line-theory", Swatch::line, "理論値（1000試行あたり）");
    close_chart(out, keys);
}

// The medal difference over the spins: the trials' middle half and 90 % as bands, their median
// and three trials as lines, the exact 5 %, median and 95 % as dotted lines. The quantiles are
// mid-quantiles: nearest-rank ones of differences that come one bonus apart would step up and
// down with the sampling every 100 spins.
void put_slump_chart(std::string* out, const PageFigures& f) {
    const SlumpGraph& series = f.sample->slump;
    const SlumpMids& mid = f.sample->slump_mid;
    const SlumpMidQuantiles& exact = f.exact->slump_mid;
    double low = 0.0;
    double high = 0.0;
    for (const std::int32_t* values : {series.best, series.worst}) {
        low = std::min(low, static_cast<double>(*std::min_element(values, values + slump_points)));
        high =
            std::max(high, static_cast<double>(*std::max_element(values, values + slump_points)));
    }
    for (const double* values : {mid.p05, mid.p95, exact.p05, exact.p95}) {
        low = std::min(low, *std::min_element(values, values + slump_points));
        high = std::max(high, *std::max_element(values, values + slump_points));
    }
    const double top = y_title_room;
    const double bottom = top + 240.0;
    std::int64_t y_step = 1;
    const Scale y =
        round_scale(static_cast<std::int64_t>(low) - 1, static_cast<std::int64_t>(high) + 1,
                    most_y_ticks(top, bottom), bottom, top, &y_step);
    const PlotArea area{left_edge(y, "差枚（枚）"), chart_width - 4.0 * chart_font, top, bottom};
    open_chart(out, "slump-graph", "スランプグラフ（差枚の推移）", area);
    put_y_axis(out, area, y, y_step, AxisSide::left, "差枚（枚）");
    const Scale x{0.0, static_cast<double>(spins_to_end), area.left, area.right};
    // A tick every 1000 spins, labelled as often as the labels keep apart.
    put_x_ticks(out, area, x, 0, slump_tick_step);
    const std::int64_t label_every =
        (label_step(x) + slump_tick_step - 1) / slump_tick_step * slump_tick_step;
    put_x_axis(out, area, x, 0, label_every, 0.0, "回転数");

    double xs[slump_points];
    for (std::int32_t i = 0; i < slump_points; ++i)
        xs[i] = pixel(x, static_cast<double>(i) * slump_step);
    // The y coordinates of `values`, one per slump point.
    const auto ys = [&y](const auto* values, double* coordinates) {
        for (std::int32_t i = 0; i < slump_points; ++i)
            coordinates[i] = pixel(y, static_cast<double>(values[i]));
    };
    double lower[slump_points];
    double upper[slump_points];
    ys(mid.p05, lower);
    ys(mid.p95, upper);
    put_band(out, xs, lower, upper, slump_points, "band-outer",
             R"( data-json="slump.mid.p05|slump.mid.p95" data-x-step="100")");
    ys(mid.p25, lower);
    ys(mid.p75, upper);
    put_band(out, xs, lower, upper, slump_points, "band-inner",
             R"( data-json="slump.mid.p25|slump.mid.p75" data-x-step="100")");
    const struct {
        const std::int32_t* values;
        const char* css_class;
        const char* data;
    } lines[] = {
        {series.best, "line-best", R"( data-json="slump.best" data-x-step="100")"},
        {series.worst, "line-worst", R"( data-json="slump.worst" data-x-step="100")"},
        {series.median_trial, "line-median-trial",
         R"( data-json="slump.median_trial" data-x-step="100")"},
    };
    for (const auto& line : lines) {
        ys(line.values, upper);
        put_polyline(out, xs, upper, slump_points, line.css_class, line.data);
    }
    ys(mid.p50, upper);
    put_polyline(out, xs, upper, slump_points, "line-median",
                 R"( data-json="slump.mid.p50" data-x-step="100")");
    const struct {
        const double* values;
        const char* data;
    } exact_lines[] = {
        {exact.p05, R"( data-json="exact.slump_mid.p05" data-x-step="100")"},
        {exact.p50, R"( data-json="exact.slump_mid.p50" data-x-step="100")"},
        {exact.p95, R"( data-json="exact.slump_mid.p95" data-x-step="100")"},
    };
    for (const auto& line : exact_lines) {
        ys(line.values, upper);
        put_polyline(out, xs, upper, slump_points, "line-exact", line.data);
    }
    close_chart(out,
                legend_key("band-outer", Swatch::box, "5〜95%") +
                    legend_key("band-inner", Swatch::box, "25〜75%") +
                    legend_key("line-median", Swatch::line, "中央値") +
                    legend_key("line-best", Swatch::line, "最も勝った試行") +
                    legend_key("line-worst", Swatch::line, "最も負けた試行") +
                    legend_key("line-median-trial", Swatch::line, "収支が中央値の試行") +
                    legend_key("line-exact", Swatch::line, "理論値（5%・中央値・95%）"),
                "差枚は持っているメダルから借りたメダルを引いた枚数です。グラフは7000回転で"
                "終わります：試行はそこから最初のボーナスで（遅くとも7500回転で）終わるので、"
                "その先はまだ打っている試行だけの値になるからです。");
}

// The bonuses per trial against the counts that the odds of a spin predict.
void put_bonus_chart(std::string* out, const PageFigures& f) {
    const Histogram& h = f.sample->bonus_histogram;
    PlotArea area{};
    const ChartScales scales =
        put_histogram_axes(out, "bonus-histogram", "ボーナス回数の分布と理論値", y_title_room,
                           y_title_room + 220.0, h, f.bonus_expected, 0, "ボーナス回数", &area);
    double xs[max_histogram_bins];
    double ys[max_histogram_bins];
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        const std::int64_t low = h.first_edge + static_cast<std::int64_t>(i) * h.bin_width;
        std::string title = amount(low, "回");
        if (h.bin_width > 1) title += "〜" + amount(low + h.bin_width - 1, "回");
        title += ": ";
        append_integer(&title, h.counts[i]);
        title += "試行";
        std::string data =
            R"( data-json="bonus_histogram.bins" data-x="0" data-y="1" data-x-shift="0" data-row=")";
        append_integer(&data, i);
        data += '"';
        put_bar(out, area, pixel(scales.x, static_cast<double>(low)) + 1.0,
                pixel(scales.x, static_cast<double>(low + h.bin_width)) - 1.0,
                pixel(scales.y, h.counts[i]), "bar-count", title, data);
        xs[i] = pixel(scales.x, h.first_edge + (i + 0.5) * h.bin_width);
        ys[i] = pixel(scales.y, f.bonus_expected[i]);
    }
    put_polyline(
        out, xs, ys, h.bin_count, "line-theory",
        R"( data-json="bonus_histogram.expected" data-centre-of="bonus_histogram.bins" data-x-shift="0")");
    put_dots(
        out, xs, ys, h.bin_count, "dot-theory",
        R"( data-json="bonus_histogram.expected" data-centre-of="bonus_histogram.bins" data-x-shift="0")");
    close_chart(out, legend_key("bar-count", Swatch::box, "シミュレーション") +
                         legend_key("line-theory", Swatch::line, "当選確率から計算した理論値"));
}

}  // namespace

void put_trials(std::string* out, const PageFigures& f) {
    put(out,
        "<details class=\"trials\">\n<summary>このシミュレーション（1000試行）</summary>\n"
        "<p class=\"note\">乱数の種 ");
    out->append(figure(FigureId::seed, std::to_string(whole_of(f, FigureId::seed))));
    put(out, "（種と設定が同じなら、同じ結果とこのページが再現されます）</p>\n");
    put_agreement(out, f);
    put_trial_cards(out, f);
    put_quantile_table(out, f);
    put(out, "<div class=\"charts\">\n");
    put_profit_chart(out, f);
    put_slump_chart(out, f);
    put_bonus_chart(out, f);
    put(out, "</div>\n</details>\n");
}
