// page.cpp - the report page: HTML text, SVG charts and the JSON data, built as one string.
//
// This unit's literals are UTF-8, the page's encoding. Every number goes through decimal_text,
// so no platform's printf decides a byte. Coordinates in the charts are tenths of a pixel.
#include "page.h"

#include <algorithm>
#include <cstdint>

#include "decimal_text.h"
#include "random_source.h"
#include "trial.h"

namespace {

/* ---------------------------------- page frame ---------------------------------- */

// The page's head: the character set first, a policy that lets nothing load or run, and the
// style sheet (screen, phone-sized windows and A4 print).
const char page_head[] = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quorvantelmix 収支レポート</title>
<style>
:root { --loss: #c8473d; --win: #2f6fb0; --ink: #1d2733; --muted: #5b6675; --line: #d5dbe3; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 980px; padding: 16px; color: var(--ink); background: #fff;
  font: 15px/1.6 "Hiragino Kaku Gothic ProN", "Yu Gothic", Meiryo, "Noto Sans CJK JP", sans-serif; }
h1 { font-size: 1.5em; margin: 0.2em 0; }
h2 { font-size: 1.15em; margin: 1.6em 0 0.4em; border-bottom: 2px solid var(--line); }
p { margin: 0.4em 0; }
.lead { color: var(--muted); }
.settings { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 8px 0; padding: 0; list-style: none; }
.cards { display: grid; grid-template-columns: repeat(auto-fit, minmax(210px, 1fr)); gap: 10px; }
.card { border: 1px solid var(--line); border-radius: 8px; padding: 10px 12px; break-inside: avoid; }
.card h3 { font-size: 0.9em; margin: 0; color: var(--muted); font-weight: normal; }
.card .value { font-size: 1.55em; font-weight: bold; margin: 2px 0; white-space: nowrap; }
.card p { font-size: 0.85em; color: var(--muted); }
.loss { color: var(--loss); } .win { color: var(--win); }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { border-bottom: 1px solid var(--line); padding: 4px 6px; text-align: right; white-space: nowrap; }
th:first-child, td:first-child { text-align: left; }
.scroll { overflow-x: auto; }
figure { margin: 12px 0; break-inside: avoid; }
figcaption { font-weight: bold; }
svg { width: 100%; height: auto; display: block; font-size: 12px; }
svg text { fill: var(--ink); paint-order: stroke; stroke: #fff; stroke-width: 3px; stroke-linejoin: round; }
.grid { stroke: #e6eaef; } .axis { stroke: #8a95a3; }
.legend { font-size: 0.85em; color: var(--muted); }
.swatch { display: inline-block; width: 12px; height: 12px; margin: 0 4px 0 10px; vertical-align: -1px; }
footer { margin-top: 2em; font-size: 0.8em; color: var(--muted); }
@media (max-width: 520px) { body { padding: 10px; font-size: 14px; } .card .value { font-size: 1.3em; }
  svg { font-size: 17px; } }
@page { size: A4; margin: 12mm; }
@media print { body { max-width: none; padding: 0; font-size: 11px; } h2 { break-after: avoid; } }
</style>
</head>
<body>
)";

const char page_end[] = "</body>\n</html>\n";

// The chart's size in pixels, and its plotting area within it.
constexpr double chart_width = 720.0;
constexpr double chart_height = 340.0;
constexpr double plot_left = 78.0;
constexpr double plot_right = 704.0;
constexpr double plot_top = 14.0;
constexpr double plot_bottom = 296.0;

/* ---------------------------------- small pieces ---------------------------------- */

// Appends a literal.
void put(std::string* out, const char* text) {
    out->append(text);
}

// Appends an amount of yen with separators and its sign, "+5,558円" or "-28,000円".
void put_signed_yen(std::string* out, std::int64_t yen) {
    if (yen > 0) out->push_back('+');
    append_grouped(out, yen);
    put(out, "円");
}

// Appends an amount with separators and the unit `unit`: "28,000円", "2,345回転".
void put_amount(std::string* out, std::int64_t value, const char* unit) {
    append_grouped(out, value);
    put(out, unit);
}

// `total` / 1000 rounded to a whole number, halves upward.
std::int64_t thousandth_rounded(std::int64_t total) {
    const std::int64_t half = total >= 0 ? 500 : -499;
    return (total + half) / 1000 - ((total + half) % 1000 < 0 ? 1 : 0);
}

// Appends millionths of a fraction as a percentage with two decimals: 1012345 is "101.23 %".
void put_percent_of_millionths(std::string* out, std::int64_t millionths) {
    append_fixed(out, (millionths + 50) / 100, 2, false);
    put(out, " %");
}

// The class that colours a profit: a loss red, a win blue.
const char* profit_class(std::int64_t yen) {
    return yen > 0 ? "win" : yen < 0 ? "loss" : "even";
}

/* -------------------------------------- axes -------------------------------------- */

// A range of values shown along one axis.
struct Scale {
    double low;    // the value at the start of the axis
    double high;   // the value at its end
    double start;  // the pixel of `low`
    double end;    // the pixel of `high`
};

double pixel(const Scale& scale, double value) {
    return scale.start + (value - scale.low) * (scale.end - scale.start) / (scale.high - scale.low);
}

// A round step (1, 2 or 5 times a power of ten) that cuts `span` into at most `most` parts.
std::int64_t tick_step(std::int64_t span, std::int64_t most) {
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t step : {power, 2 * power, 5 * power}) {
            if (span / step <= most) return step;
        }
    }
}

// `value` rounded down (or, with `up`, up) to a multiple of `step`.
std::int64_t round_to_step(std::int64_t value, std::int64_t step, bool up) {
    std::int64_t multiple = value / step * step;
    if (up && multiple < value) multiple += step;
    if (!up && multiple > value) multiple -= step;
    return multiple;
}

// Widens the range from `low` to `high` to whole steps of a round tick step, at least 1 wide.
Scale round_scale(std::int64_t low, std::int64_t high, std::int64_t most_ticks, double start,
                  double end, std::int64_t* step) {
    if (high <= low) high = low + 1;
    *step = tick_step(high - low, most_ticks);
    return Scale{static_cast<double>(round_to_step(low, *step, false)),
                 static_cast<double>(round_to_step(high, *step, true)), start, end};
}

// Appends `name`="`value`" with the value in tenths.
void put_attribute(std::string* out, const char* name, double value) {
    out->push_back(' ');
    put(out, name);
    put(out, "=\"");
    append_tenths(out, value);
    out->push_back('"');
}

// Appends a line from (x1, y1) to (x2, y2) of the class `css_class`.
void put_line(std::string* out, double x1, double y1, double x2, double y2, const char* css_class) {
    put(out, "<line class=\"");
    put(out, css_class);
    out->push_back('"');
    put_attribute(out, "x1", x1);
    put_attribute(out, "y1", y1);
    put_attribute(out, "x2", x2);
    put_attribute(out, "y2", y2);
    put(out, "/>\n");
}

// Appends a text at (x, y), anchored as `anchor` says ("start", "middle" or "end").
void put_text_start(std::string* out, double x, double y, const char* anchor) {
    put(out, "<text");
    put_attribute(out, "x", x);
    put_attribute(out, "y", y);
    put(out, " text-anchor=\"");
    put(out, anchor);
    put(out, "\">");
}

// Appends the horizontal grid lines and labels of `y`, a vertical axis of round ticks.
void put_y_axis(std::string* out, const Scale& y, std::int64_t step, const char* title) {
    for (auto value = static_cast<std::int64_t>(y.low); value <= static_cast<std::int64_t>(y.high);
         value += step) {
        const double at = pixel(y, static_cast<double>(value));
        put_line(out, plot_left, at, plot_right, at, value == 0 ? "axis" : "grid");
        put_text_start(out, plot_left - 6.0, at + 4.0, "end");
        append_grouped(out, value);
        put(out, "</text>\n");
    }
    put(out, "<text x=\"14\" y=\"155\" text-anchor=\"middle\" transform=\"rotate(-90 14 155)\">");
    put(out, title);
    put(out, "</text>\n");
}

// Appends the ticks and labels of `x`, a horizontal axis, every `step` from `first`.
void put_x_axis(std::string* out, const Scale& x, std::int64_t first, std::int64_t step,
                const char* title) {
    put_line(out, plot_left, plot_bottom, plot_right, plot_bottom, "axis");
    for (std::int64_t value = first; static_cast<double>(value) <= x.high; value += step) {
        const double at = pixel(x, static_cast<double>(value));
        put_line(out, at, plot_bottom, at, plot_bottom + 5.0, "axis");
        put_text_start(out, at, plot_bottom + 18.0, "middle");
        append_grouped(out, value);
        put(out, "</text>\n");
    }
    put_text_start(out, (plot_left + plot_right) / 2.0, chart_height - 8.0, "middle");
    put(out, title);
    put(out, "</text>\n");
}

// Opens a chart: the figure, its caption, and the SVG element with its accessible title.
void open_chart(std::string* out, const char* id, const char* caption) {
    put(out, "<figure id=\"");
    put(out, id);
    put(out, "\">\n<figcaption>");
    put(out, caption);
    put(out,
        "</figcaption>\n<svg viewBox=\"0 0 720 340\" role=\"img\" "
        "xmlns=\"http://www.w3.org/2000/svg\">\n<title>");
    put(out, caption);
    put(out, "</title>\n");
}

// Closes a chart, with `legend` under it.
void close_chart(std::string* out, const std::string& legend) {
    put(out, "</svg>\n<p class=\"legend\">");
    out->append(legend);
    put(out, "</p>\n</figure>\n");
}

// A colour sample for a legend.
std::string swatch(const char* colour) {
    return std::string(R"(<span class="swatch" style="background:)") + colour + R"("></span>)";
}

// Appends a vertical marker line at `value` on `x`, labelled `label` at the height `label_y`.
void put_marker(std::string* out, const Scale& x, double value, const char* style,
                const char* label, double label_y) {
    const double at = pixel(x, value);
    put(out, "<line");
    put_attribute(out, "x1", at);
    put_attribute(out, "y1", plot_top);
    put_attribute(out, "x2", at);
    put_attribute(out, "y2", plot_bottom);
    put(out, " style=\"");
    put(out, style);
    put(out, "\"/>\n");
    put_text_start(out, at + 4.0, label_y, "start");
    put(out, label);
    put(out, "</text>\n");
}

/* ---------------------------------- the charts ---------------------------------- */

// The highest count of the bins of `histogram`, and of what they are expected to hold.
double highest_bin(const Histogram& histogram) {
    double highest = 1.0;
    for (std::int32_t i = 0; i < histogram.bin_count; ++i) {
        highest = std::max(highest, static_cast<double>(histogram.counts[i]));
        highest = std::max(highest, histogram.expected[i]);
    }
    return highest;
}

// The bars of `histogram` along `x` and `y`; with `by_sign`, the bars below zero in the loss
// colour and the others in the win colour.
void put_bars(std::string* out, const Histogram& histogram, const Scale& x, const Scale& y,
              bool by_sign, const char* unit) {
    for (std::int32_t i = 0; i < histogram.bin_count; ++i) {
        const std::int64_t low =
            histogram.first_edge + static_cast<std::int64_t>(i) * histogram.bin_width;
        const double left = pixel(x, static_cast<double>(low)) + 1.0;
        const double right = pixel(x, static_cast<double>(low + histogram.bin_width)) - 1.0;
        const double top = pixel(y, histogram.counts[i]);
        put(out, "<rect");
        put_attribute(out, "x", left);
        put_attribute(out, "y", top);
        put_attribute(out, "width", std::max(right - left, 1.0));
        put_attribute(out, "height", plot_bottom - top);
        put(out, by_sign && low < 0 ? " fill=\"#c8473d\"><title>" : " fill=\"#2f6fb0\"><title>");
        append_grouped(out, low);
        put(out, unit);
        if (histogram.bin_width > 1) {
            put(out, "〜");
            append_grouped(out, low + histogram.bin_width - 1);
            put(out, unit);
        }
        put(out, ": ");
        append_integer(out, histogram.counts[i]);
        put(out, "試行</title></rect>\n");
    }
}

// What a histogram chart shows.
struct HistogramChart {
    const char* id;             // the figure's id
    const char* caption;        // its caption and title
    const char* x_title;        // the title of its horizontal axis
    const char* unit;           // the unit of the values, in the bars' titles
    std::int64_t most_x_ticks;  // the most ticks along the horizontal axis
    bool by_sign;               // bars below zero in the loss colour
};

// The scales of a chart.
struct ChartScales {
    Scale x;  // horizontal
    Scale y;  // vertical
};

// Opens the chart of `histogram` and puts its axes and bars; the caller adds its marks and
// closes it.
ChartScales put_histogram(std::string* out, const Histogram& histogram,
                          const HistogramChart& chart) {
    open_chart(out, chart.id, chart.caption);
    const std::int64_t span = static_cast<std::int64_t>(histogram.bin_count) * histogram.bin_width;
    const Scale x{static_cast<double>(histogram.first_edge),
                  static_cast<double>(histogram.first_edge + span), plot_left, plot_right};
    std::int64_t y_step = 1;
    const Scale y = round_scale(0, static_cast<std::int64_t>(highest_bin(histogram)) + 1, 6,
                                plot_bottom, plot_top, &y_step);
    put_y_axis(out, y, y_step, "試行数");
    const std::int64_t x_step = tick_step(span, chart.most_x_ticks);
    put_x_axis(out, x, round_to_step(histogram.first_edge, x_step, true), x_step, chart.x_title);
    put_bars(out, histogram, x, y, chart.by_sign, chart.unit);
    return ChartScales{x, y};
}

// The histogram of the profit per trial, with the mean, the median and break-even marked.
void put_profit_chart(std::string* out, const RunStatistics& s) {
    const HistogramChart chart = {
        "profit-histogram", "収支の分布（1試行ごと）", "収支（円）", "円", 7, true};
    const Scale x = put_histogram(out, s.profit_histogram, chart).x;
    const double mean = static_cast<double>(s.profit_total) / trials_per_run;
    put_marker(out, x, 0.0, "stroke:#1d2733;stroke-width:2", "±0", plot_top + 12.0);
    put_marker(out, x, mean, "stroke:#e08a00;stroke-width:2;stroke-dasharray:6 4", "平均",
               plot_top + 28.0);
    put_marker(out, x, s.profit.p50, "stroke:#6b3fa0;stroke-width:2;stroke-dasharray:2 3", "中央値",
               plot_top + 44.0);
    close_chart(out, swatch("#c8473d") + "マイナス収支" + swatch("#2f6fb0") +
                         "プラス収支（±0円を含む）" + swatch("#e08a00") + "平均" +
                         swatch("#6b3fa0") + "中央値" + swatch("#1d2733") + "収支±0");
}

// Appends the points of `values` (one per slump point) as a polyline's "x,y x,y ...".
void put_points(std::string* out, const Scale& x, const Scale& y, const std::int32_t* values,
                bool reversed) {
    for (std::int32_t n = 0; n < slump_points; ++n) {
        const std::int32_t i = reversed ? slump_points - 1 - n : n;
        append_tenths(out, pixel(x, static_cast<double>(i) * slump_step));
        out->push_back(',');
        append_tenths(out, pixel(y, values[i]));
        out->push_back(' ');
    }
}

// A band between two series of slump points.
void put_band(std::string* out, const Scale& x, const Scale& y, const std::int32_t* lower,
              const std::int32_t* upper, const char* colour) {
    put(out, "<polygon fill=\"");
    put(out, colour);
    put(out, "\" points=\"");
    put_points(out, x, y, upper, false);
    put_points(out, x, y, lower, true);
    put(out, "\"/>\n");
}

// A line through a series of slump points.
void put_series(std::string* out, const Scale& x, const Scale& y, const std::int32_t* values,
                const char* style) {
    put(out, R"(<polyline fill="none" style=")");
    put(out, style);
    put(out, "\" points=\"");
    put_points(out, x, y, values, false);
    put(out, "\"/>\n");
}

// The slump graph: the medal difference over the spins, its bands and three trials.
void put_slump_chart(std::string* out, const SlumpGraph& series) {
    open_chart(out, "slump-graph", "スランプグラフ（差枚の推移）");
    std::int32_t low = 0;
    std::int32_t high = 0;
    for (const std::int32_t* values : {series.p05, series.p95, series.best, series.worst}) {
        low = std::min(low, *std::min_element(values, values + slump_points));
        high = std::max(high, *std::max_element(values, values + slump_points));
    }
    std::int64_t y_step = 1;
    const Scale y = round_scale(low, high, 8, plot_bottom, plot_top, &y_step);
    const Scale x{0.0, static_cast<double>(spins_to_end), plot_left, plot_right};
    put_y_axis(out, y, y_step, "差枚（枚）");
    put_x_axis(out, x, 0, 1000, "回転数");
    put_band(out, x, y, series.p05, series.p95, "#d7e5f4");
    put_band(out, x, y, series.p25, series.p75, "#a3c4e6");
    put_series(out, x, y, series.p50, "stroke:#1f4e79;stroke-width:2.5");
    put_series(out, x, y, series.best, "stroke:#2e8b57;stroke-width:1.5");
    put_series(out, x, y, series.worst, "stroke:#c8473d;stroke-width:1.5");
    put_series(out, x, y, series.median_trial,
               "stroke:#6b3fa0;stroke-width:1.5;stroke-dasharray:5 3");
    close_chart(out, swatch("#d7e5f4") + "5〜95 %" + swatch("#a3c4e6") + "25〜75 %" +
                         swatch("#1f4e79") + "中央値" + swatch("#2e8b57") + "最も勝った試行" +
                         swatch("#c8473d") + "最も負けた試行" + swatch("#6b3fa0") +
                         "収支が中央値の試行");
}

// The bonuses per trial against the counts that the odds of a spin predict.
void put_bonus_chart(std::string* out, const RunStatistics& s) {
    const Histogram& h = s.bonus_histogram;
    const HistogramChart chart = {
        "bonus-histogram", "ボーナス回数の分布と理論値", "ボーナス回数", "回", 10, false};
    const ChartScales scales = put_histogram(out, h, chart);
    const Scale& x = scales.x;
    const Scale& y = scales.y;
    put(out, R"(<polyline fill="none" style="stroke:#e08a00;stroke-width:2" points=")");
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        const double center = h.first_edge + (i + 0.5) * h.bin_width;
        append_tenths(out, pixel(x, center));
        out->push_back(',');
        append_tenths(out, pixel(y, h.expected[i]));
        out->push_back(' ');
    }
    put(out, "\"/>\n");
    close_chart(out, swatch("#2f6fb0") + "シミュレーション" + swatch("#e08a00") +
                         "当選確率から計算した理論値（1000試行あたり）");
}

/* ------------------------------------ the figures ------------------------------------ */

// Opens a card of the summary: its heading, then its figure, in the class `value_class`.
void open_card(std::string* out, const char* heading, const char* value_class = "") {
    put(out, "<div class=\"card\"><h3>");
    put(out, heading);
    put(out, "</h3>\n<div class=\"value");
    if (*value_class != '\0') out->push_back(' ');
    put(out, value_class);
    put(out, "\">");
}

// Ends a card's figure and begins the note under it.
void begin_note(std::string* out) {
    put(out, "</div>\n<p>");
}

// Ends a card's note and the card.
void close_card(std::string* out) {
    put(out, "</p></div>\n");
}

// The settings and identity of the run.
void put_introduction(std::string* out, const RunStatistics& s) {
    put(out,
        "<h1>Quorvantelmix 収支レポート</h1>\n<p class=\"lead\">7000回転目以降の最初のボーナスまで"
        "（最大7500回転）打つ試行を1000回シミュレーションした結果です。"
        "Quorvantelmix.txt と同じ試行を表しています。</p>\n<ul class=\"settings\">\n<li>確率 1/");
    append_integer(out, s.settings.X);
    put(out, "</li>\n<li>100%確率 ");
    append_shortest_float(out, s.settings.Y);
    put(out, "</li>\n<li>換金率 ");
    append_integer(out, s.settings.Z);
    put(out, "枚で100円</li>\n<li>乱数の種 ");
    append_integer(out, s.seed);
    put(out, "</li>\n<li>当選確率 ");
    append_integer(out, s.rules.hit_threshold + 1);
    put(out, "/32768</li>\n<li>1回転の損失 ");
    append_shortest_float(out, s.rules.loss_per_spin);
    put(out, "枚</li>\n</ul>\n");
}

// The summary cards: the answers to a player's first questions.
void put_cards(std::string* out, const RunStatistics& s) {
    put(out, "<h2>まとめ</h2>\n<div class=\"cards\">\n");

    const std::int64_t mean = thousandth_rounded(s.profit_total);
    open_card(out, "平均収支（1試行あたり）", profit_class(mean));
    put_signed_yen(out, mean);
    begin_note(out);
    put(out, "95 %信頼区間 ");
    put_signed_yen(out, s.profit_ci95_low);
    put(out, " 〜 ");
    put_signed_yen(out, s.profit_ci95_high);
    put(out, "。収支は換金額から投資額を引いた額です。");
    close_card(out);

    open_card(out, "勝率");
    append_fixed(out, s.wins, 1, false);
    put(out, " %");
    begin_note(out);
    put(out, "収支がプラスになった試行の割合（");
    append_integer(out, s.wins);
    put(out, " / 1000試行）。標準誤差 ±");
    append_fixed(out, s.win_rate_error_permille, 1, false);
    put(out, " %。");
    close_card(out);

    open_card(out, "用意する現金");
    put_amount(out, s.money_paid.p95, "円");
    begin_note(out);
    put(out, "95 %の試行はこの投資額で足ります。中央値 ");
    put_amount(out, s.money_paid.p50, "円");
    put(out, "、最大 ");
    put_amount(out, s.money_paid.max, "円");
    put(out, "。");
    close_card(out);

    open_card(out, "機械割");
    put_percent_of_millionths(out, s.payout_simulated_millionths);
    begin_note(out);
    put(out, "シミュレーションでの値。設定からの理論値は ");
    put_percent_of_millionths(out, s.payout_theoretical_millionths);
    put(out, "。");
    close_card(out);

    open_card(out, "最大ハマり（ボーナスなしの最長回転数）");
    put_amount(out, s.longest_without_bonus.p50, "回転");
    begin_note(out);
    put(out, "1試行の中での最長ハマりの中央値。全試行での最大は ");
    put_amount(out, s.longest_without_bonus.max, "回転");
    put(out, "。");
    close_card(out);

    open_card(out, "結果ファイルの平均");
    append_integer(out, s.average_bonuses);
    put(out, "回 ");
    append_integer(out, s.average_medals);
    put(out, "枚 ");
    append_integer(out, s.average_profit);
    put(out, "円");
    begin_note(out);
    put(out,
        "Quorvantelmix.txt の最後の行と同じ、ボーナス回数・残りメダル・収支の平均"
        "（端数は切り捨て）。");
    close_card(out);
    put(out, "</div>\n");
}

// One row of the table of quantiles.
void put_quantile_row(std::string* out, const char* name, const Quantiles& q, bool signed_yen,
                      const char* unit) {
    put(out, "<tr><td>");
    put(out, name);
    put(out, "</td>");
    for (const std::int32_t value : {q.min, q.p05, q.p25, q.p50, q.p75, q.p95, q.max}) {
        put(out, "<td>");
        if (signed_yen) {
            put_signed_yen(out, value);
        } else {
            put_amount(out, value, unit);
        }
        put(out, "</td>");
    }
    put(out, "</tr>\n");
}

// The table of the profit, the money paid and the longest runs without a bonus.
void put_quantile_table(std::string* out, const RunStatistics& s) {
    put(out,
        "<h2>ばらつき</h2>\n<p>1000試行を小さい順に並べたときの値です（5 %は50番目、"
        "中央値は500番目、95 %は950番目）。</p>\n<div class=\"scroll\"><table>\n"
        "<tr><th></th><th>最小</th><th>5 %</th><th>25 %</th><th>中央値</th><th>75 %</th>"
        "<th>95 %</th><th>最大</th></tr>\n");
    put_quantile_row(out, "収支", s.profit, true, "円");
    put_quantile_row(out, "投資額", s.money_paid, false, "円");
    put_quantile_row(out, "最大ハマり", s.longest_without_bonus, false, "回転");
    put(out, "</table></div>\n");
}

/* -------------------------------------- JSON -------------------------------------- */

// Appends "key": with a comma before it unless it opens its object.
void put_key(std::string* out, const char* key) {
    if (out->back() != '{') out->push_back(',');
    out->push_back('"');
    put(out, key);
    put(out, "\":");
}

void put_json_integer(std::string* out, const char* key, std::int64_t value) {
    put_key(out, key);
    append_integer(out, value);
}

void put_json_quantiles(std::string* out, const Quantiles& q) {
    put_json_integer(out, "min", q.min);
    put_json_integer(out, "p05", q.p05);
    put_json_integer(out, "p25", q.p25);
    put_json_integer(out, "p50", q.p50);
    put_json_integer(out, "p75", q.p75);
    put_json_integer(out, "p95", q.p95);
    put_json_integer(out, "max", q.max);
}

void put_json_series(std::string* out, const char* key, const std::int32_t* values) {
    put_key(out, key);
    out->push_back('[');
    for (std::int32_t i = 0; i < slump_points; ++i) {
        if (i > 0) out->push_back(',');
        append_integer(out, values[i]);
    }
    out->push_back(']');
}

// The figures as one JSON object, for scripts and spreadsheets.
void put_json(std::string* out, const RunStatistics& s) {
    const SlumpGraph& slump = s.slump;
    put(out, R"(<script type="application/json" id="quorvantelmix-data">{)");
    put_json_integer(out, "seed", s.seed);
    put_json_integer(out, "X", s.settings.X);
    put_key(out, "Y");
    append_shortest_float(out, s.settings.Y);
    put_json_integer(out, "Z", s.settings.Z);
    put_json_integer(out, "T", s.rules.hit_threshold);
    put_key(out, "L");
    append_shortest_float(out, s.rules.loss_per_spin);
    put_json_integer(out, "trials", trials_per_run);
    put_key(out, "average");
    out->push_back('{');
    put_json_integer(out, "bonuses", s.average_bonuses);
    put_json_integer(out, "medals", s.average_medals);
    put_json_integer(out, "profit", s.average_profit);
    out->push_back('}');
    put_json_integer(out, "wins", s.wins);
    put_key(out, "profit");
    out->push_back('{');
    put_key(out, "mean");
    append_fixed(out, s.profit_total, 3, true);
    put_key(out, "ci95");
    out->push_back('[');
    append_integer(out, s.profit_ci95_low);
    out->push_back(',');
    append_integer(out, s.profit_ci95_high);
    out->push_back(']');
    put_json_quantiles(out, s.profit);
    out->push_back('}');
    put_key(out, "money_paid");
    out->push_back('{');
    put_json_integer(out, "p50", s.money_paid.p50);
    put_json_integer(out, "p95", s.money_paid.p95);
    put_json_integer(out, "max", s.money_paid.max);
    out->push_back('}');
    put_key(out, "payout");
    out->push_back('{');
    put_key(out, "theoretical");
    append_fixed(out, s.payout_theoretical_millionths, 6, false);
    put_key(out, "simulated");
    append_fixed(out, s.payout_simulated_millionths, 6, false);
    out->push_back('}');
    put_key(out, "longest_without_bonus");
    out->push_back('{');
    put_json_integer(out, "p50", s.longest_without_bonus.p50);
    put_json_integer(out, "max", s.longest_without_bonus.max);
    out->push_back('}');
    put_key(out, "histogram");
    out->push_back('{');
    put_json_integer(out, "bin_width", s.profit_histogram.bin_width);
    put_key(out, "bins");
    out->push_back('[');
    for (std::int32_t i = 0; i < s.profit_histogram.bin_count; ++i) {
        put(out, i > 0 ? ",[" : "[");
        append_integer(out, s.profit_histogram.first_edge +
                                static_cast<std::int64_t>(i) * s.profit_histogram.bin_width);
        out->push_back(',');
        append_integer(out, s.profit_histogram.counts[i]);
        out->push_back(']');
    }
    put(out, "]}");
    put_key(out, "slump");
    out->push_back('{');
    put_json_integer(out, "step", slump_step);
    put_json_series(out, "p05", slump.p05);
    put_json_series(out, "p25", slump.p25);
    put_json_series(out, "p50", slump.p50);
    put_json_series(out, "p75", slump.p75);
    put_json_series(out, "p95", slump.p95);
    put_json_series(out, "best", slump.best);
    put_json_series(out, "worst", slump.worst);
    put_json_series(out, "median_trial", slump.median_trial);
    put(out, "}}</script>\n");
}

/* -------------------------------- pages without results -------------------------------- */

// The message of the first setting out of range, as the results file holds it.
void put_out_of_range_message(std::string* out, const Settings& s) {
    if (!x_in_range(s.X)) {
        put(out, "確率へ１００以上１０００以下の数字を入力して下さい。X=");
        append_integer(out, s.X);
        return;
    }
    const std::int32_t y = printed_y(s.Y);
    if (!y_in_range(s.Y)) {
        put(out, "100%確率へ１２０以上７２０以下の数字を入力して下さい。X=");
        append_integer(out, s.X);
        put(out, " Y=");
        append_integer(out, y);
        return;
    }
    put(out, "換金率に５以上１０以下の数字を入力して下さい。X=");
    append_integer(out, s.X);
    put(out, " Y=");
    append_integer(out, y);
    put(out, " Z=");
    append_integer(out, s.Z);
}

// What became of the settings files when a section was missing.
void put_default_file_outcome(std::string* out, const DefaultSettingsOutcome& defaults) {
    put(out, defaults.written ? "初期値の設定ファイル Quorvantelmix.ini を書き込みました。"
                              : "初期値の設定ファイル Quorvantelmix.ini は書き込めませんでした。");
    switch (defaults.user_file) {
        case UserSettingsFile::kept_as_backup:
            put(out, "元の設定ファイルは Quorvantelmix.ini.bak として残してあります。");
            break;
        case UserSettingsFile::in_place:
            put(out, "元の設定ファイルは Quorvantelmix.ini のまま残っています。");
            break;
        case UserSettingsFile::none:
            break;
    }
}

}  // namespace

/* ------------------------------------ the pages ------------------------------------ */

std::string report_page(const RunStatistics& statistics) {
    std::string page;
    page.reserve(std::size_t{96} * 1024);
    put(&page, page_head);
    put_introduction(&page, statistics);
    put_cards(&page, statistics);
    put_quantile_table(&page, statistics);
    put(&page, "<h2>グラフ</h2>\n");
    put_profit_chart(&page, statistics);
    put_slump_chart(&page, statistics.slump);
    put_bonus_chart(&page, statistics);
    put(&page,
        "<footer>乱数の種と設定が同じなら、同じ結果とこのページが再現されます。"
        "数値は下の JSON（id=\"quorvantelmix-data\"）にも入っています。</footer>\n");
    put_json(&page, statistics);
    put(&page, page_end);
    return page;
}

std::string no_results_page(const NoResults& no_results) {
    std::string page;
    put(&page, page_head);
    put(&page, "<h1>Quorvantelmix 収支レポート</h1>\n<h2>結果はありません</h2>\n<p>");
    if (no_results.reason == NoResultsReason::value_out_of_range) {
        put(&page,
            "設定の値が範囲外のため、シミュレーションは行われませんでした。"
            "Quorvantelmix.txt にも同じメッセージが書かれています。</p>\n<p><strong>");
        put_out_of_range_message(&page, no_results.settings);
        put(&page, "</strong></p>\n<p>Quorvantelmix.ini の値を直して、もう一度実行して下さい。");
    } else {
        put(&page,
            "設定ファイル Quorvantelmix.ini に見出しが欠けていたため、"
            "シミュレーションは行われませんでした。");
        put_default_file_outcome(&page, no_results.defaults);
    }
    put(&page,
        "</p>\n<script type=\"application/json\" id=\"quorvantelmix-data\">{\"trials\":0,"
        "\"reason\":\"");
    put(&page, no_results.reason == NoResultsReason::value_out_of_range ? "value_out_of_range"
                                                                        : "section_missing");
    put(&page, "\"}</script>\n");
    put(&page, page_end);
    return page;
}
