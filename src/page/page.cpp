// page.cpp - the report page's layout: its style sheet, the summary cards, the table of the
// spread, the three charts and the page of a run without results.
//
// This unit's literals are UTF-8, the page's encoding. Every number goes through decimal_text
// (or, in the fixed messages, printf's "%d", which writes an integer the same everywhere), so no
// platform's printf decides a byte. Each figure that a card or the table shows carries the
// path of its JSON value (data-json, times data-scale where that is not 1), so that a reader of
// the page, and its tests, can hold the text to the data.
#include "page/page.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_exact.h"
#include "page/page_figures.h"
#include "page/page_json.h"
#include "page/page_parts.h"
#include "platform/texts.h"
#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

/* ---------------------------------- page frame ---------------------------------- */

// The page's head up to its style sheet: the character set first, and a policy that lets
// nothing load or run.
const char page_head[] = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quorvantelmix 収支レポート</title>
<style>
)";

// The style sheet: screen, phone-sized windows and A4 print. The colours are Okabe and Ito's,
// which readers with any colour vision tell apart, and the lines differ by dash as well. The
// charts' font size follows, written from chart_font.
const char page_style[] = R"(:root { --ink: #1d2733; --muted: #5b6675; --line: #d5dbe3;
  --loss: #d55e00; --win: #0072b2; --loss-text: #a84a00; --win-text: #005a8c; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 1000px; padding: 16px; color: var(--ink); background: #fff;
  font: 15px/1.6 "Hiragino Kaku Gothic ProN", "Yu Gothic", Meiryo, "Noto Sans CJK JP", sans-serif; }
h1 { font-size: 1.5em; margin: 0.2em 0; }
h2 { font-size: 1.15em; margin: 1.6em 0 0.4em; border-bottom: 2px solid var(--line); }
p { margin: 0.4em 0; }
.lead { color: var(--muted); }
.settings { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 8px 0; padding: 0; list-style: none; }
.cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(min(100%, 230px), 1fr)); gap: 10px; }
.card { border: 1px solid var(--line); border-radius: 8px; padding: 10px 12px; break-inside: avoid; min-width: 0; }
.card h3 { font-size: 0.9em; margin: 0; color: var(--muted); font-weight: normal; overflow-wrap: anywhere; }
.card .value { font-size: 1.45em; font-weight: bold; margin: 2px 0; overflow-wrap: anywhere; }
.card p { font-size: 0.85em; color: var(--muted); overflow-wrap: anywhere; }
.nb { white-space: nowrap; }
.loss { color: var(--loss-text); } .win { color: var(--win-text); }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { border-bottom: 1px solid var(--line); padding: 4px 6px; text-align: right; white-space: nowrap; }
th:first-child, td:first-child { text-align: left; }
.scroll { overflow-x: auto; }
.scroll-hint { display: none; font-size: 0.8em; color: var(--muted); }
.charts { display: grid; grid-template-columns: repeat(auto-fit, minmax(min(100%, 340px), 1fr)); gap: 8px 20px; }
figure { margin: 12px 0; break-inside: avoid; min-width: 0; }
figcaption { font-weight: bold; }
svg { width: 100%; height: auto; display: block; }
svg text { fill: var(--ink); paint-order: stroke; stroke: #fff; stroke-width: 3px; stroke-linejoin: round; }
.grid { stroke: #e6eaef; } .axis { stroke: #8a95a3; }
.bar-loss { fill: var(--loss); } .bar-win { fill: var(--win); } .bar-count { fill: #56b4e9; }
.mark-zero { stroke: #000; stroke-width: 2; }
.mark-mean { stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.mark-median { stroke: #000; stroke-width: 2.5; stroke-dasharray: 2 3; }
.band-outer { fill: #e4e7eb; } .band-inner { fill: #b9c0c9; }
.line-median, .line-best, .line-worst, .line-median-trial, .line-theory, .line-exact { fill: none; }
.line-median { stroke: #000; stroke-width: 3; }
.line-best { stroke: var(--win); stroke-width: 2; }
.line-worst { stroke: var(--loss); stroke-width: 2; stroke-dasharray: 9 4; }
.line-median-trial { stroke: #cc79a7; stroke-width: 2.5; stroke-dasharray: 2 3; }
.line-theory { stroke: #000; stroke-width: 2; stroke-dasharray: 5 3; } .dot-theory { fill: #000; }
.line-exact { fill: none; stroke: #5b3a00; stroke-width: 1.5; stroke-dasharray: 1 3; }
.dot-simulated { fill: #e69f00; }
.swatch .mark-median, .swatch .mark-mean, .swatch .mark-zero { stroke-width: 3; }
.legend { font-size: 0.85em; color: var(--muted); margin: 4px 0 0; }
.key { display: inline-block; white-space: nowrap; margin-right: 12px; }
.swatch { display: inline-block; width: 24px; height: 12px; margin-right: 4px; vertical-align: -1px; }
.swatch line { stroke-width: 2.5; }
footer { margin-top: 2em; font-size: 0.8em; color: var(--muted); }
@media (max-width: 600px) { body { padding: 8px; font-size: 14px; } .scroll-hint { display: block; } }
@page { size: A4; margin: 12mm; }
@media print { body { max-width: none; padding: 0; font-size: 11px; } h2 { break-after: avoid; } }
)";

const char page_end[] = "</body>\n</html>\n";

/* ---------------------------------- the figures ---------------------------------- */

// The settings and identity of the run.
void put_introduction(std::string* out, const PageFigures& f) {
    put(out,
        "<h1>Quorvantelmix 収支レポート</h1>\n<p class=\"lead\">7000回転目以降の最初のボーナスまで"
        "（最大7500回転）打つ試行を1000回シミュレーションした結果です。"
        "Quorvantelmix.txt と同じ試行を表しています。</p>\n<ul class=\"settings\">\n<li>確率 1/");
    append_integer(out, whole_of(f, FigureId::x));
    put(out, "</li>\n<li>100%確率 ");
    append_shortest_float(out, static_cast<float>(real_of(f, FigureId::y)));
    put(out, "</li>\n<li>換金率 ");
    append_integer(out, whole_of(f, FigureId::z));
    put(out, "枚で100円</li>\n<li>乱数の種 ");
    append_integer(out, whole_of(f, FigureId::seed));
    put(out, "</li>\n<li>当選確率 ");
    append_integer(out, whole_of(f, FigureId::t) + 1);
    put(out, "/32768</li>\n<li>1回転の損失 ");
    // Four significant figures: L lies from 0.5 to 3.
    const double loss = real_of(f, FigureId::l);
    const int decimals = loss < 1.0 ? 4 : 3;
    const double scale = decimals == 4 ? 1e4 : 1e3;
    std::string text;
    append_fixed(&text, round_half_up(loss * scale), decimals, false);
    out->append(figure(FigureId::l, text + "枚"));
    put(out, "</li>\n</ul>\n");
}

// The mean of a total over the trials, rounded to whole yen, halves away from zero.
std::int64_t mean_of_total(const PageFigures& f, FigureId total) {
    return divide_rounded_half_away(whole_of(f, total), trials_per_run);
}

// The summary cards: the answers to a player's first questions.
void put_cards(std::string* out, const PageFigures& f) {
    using I = FigureId;
    const auto yen = [&f](I id, bool sign) {
        return figure(id, amount(whole_of(f, id), "円", sign));
    };
    put(out, "<h2>まとめ</h2>\n<div class=\"cards\">\n");

    const std::int64_t mean = mean_of_total(f, I::profit_mean);
    put_card(out, "平均収支（1試行あたり）", figure(I::profit_mean, amount(mean, "円", true)),
             "95%信頼区間 " + yen(I::profit_ci95_low, true) + "〜" +
                 yen(I::profit_ci95_high, true) + "。収支は換金額から投資額を引いた額です。",
             profit_class(mean));

    const std::int64_t wins = whole_of(f, I::wins);
    put_card(
        out, "勝率", figure(I::wins, percent_of_trials(wins)),
        "収支がプラスになった試行の割合（" + amount(wins, "") + " / 1000試行）。95%信頼区間 " +
            figure(I::wins_ci95_low, percent_of_millionths(whole_of(f, I::wins_ci95_low), 1)) +
            "〜" +
            figure(I::wins_ci95_high, percent_of_millionths(whole_of(f, I::wins_ci95_high), 1)) +
            "。");

    const std::int64_t z = whole_of(f, I::z);
    put_card(
        out, "交換差損（1試行あたり）",
        figure(I::equal_exchange_loss, amount(mean_of_total(f, I::equal_exchange_loss), "円")),
        "買ったときと同じ5枚100円で換金できたら（等価交換なら）平均収支 " +
            figure(I::equal_exchange_mean,
                   amount(mean_of_total(f, I::equal_exchange_mean), "円", true)) +
            "、勝率 " +
            figure(I::equal_exchange_wins, percent_of_trials(whole_of(f, I::equal_exchange_wins))) +
            "。その差が、換金率 " + amount(z, "枚") + "100円で失う額です。");

    put_card(out, "用意する現金", yen(I::money_paid_p95, false),
             "95%の試行はこの投資額で足りました。中央値 " + yen(I::money_paid_p50, false) +
                 "、最大 " + yen(I::money_paid_max, false) + "。");

    put_card(
        out, "機械割",
        figure(I::payout_simulated, percent_of_millionths(whole_of(f, I::payout_simulated), 2)),
        "ボーナスで得たメダル÷ハズレの回転で失ったメダル。設定からの理論値は " +
            figure(I::payout_theoretical,
                   percent_of_millionths(whole_of(f, I::payout_theoretical), 2)) +
            "で、確率Xと100%確率Yが同じならほぼ100%です。メダルは50枚1000円で買い、" +
            amount(z, "枚") + "100円・500円単位で換金するので、100%でも収支はプラスになりません。");

    const auto spins = [&f](I id) { return figure(id, amount(whole_of(f, id), "回転")); };
    put_card(out, "最大ハマり（95%の試行はこれ以下）", spins(I::longest_p95),
             "1試行の中でボーナスなしに続いた最長の回転数。中央値 " + spins(I::longest_p50) +
                 "、最大 " + spins(I::longest_max) + "。");

    put_card(out, "結果ファイルの平均",
             figure(I::average_bonuses, amount(whole_of(f, I::average_bonuses), "回")) + " " +
                 figure(I::average_medals, amount(whole_of(f, I::average_medals), "枚")) + " " +
                 yen(I::average_profit, false),
             "Quorvantelmix.txt の最後の行と同じ、ボーナス回数・残りメダル・収支の平均"
             "（端数は切り捨て）。");
    put(out, "</div>\n");
}

// One row of the table of quantiles: the figures `ids`, from the least to the greatest.
void put_quantile_row(std::string* out, const PageFigures& f, const char* name,
                      const FigureId (&ids)[7], const char* unit, bool sign) {
    put(out, "<tr><td>");
    put(out, name);
    put(out, "</td>");
    for (const FigureId id : ids) {
        put(out, "<td>");
        out->append(figure(id, amount(whole_of(f, id), unit, sign)));
        put(out, "</td>");
    }
    put(out, "</tr>\n");
}

// The table of the profit, the money paid and the longest runs without a bonus.
void put_quantile_table(std::string* out, const PageFigures& f) {
    using I = FigureId;
    put(out,
        "<h2>ばらつき</h2>\n<p>1000試行を小さい順に並べたときの値です（5%は50番目、"
        "中央値は500番目、95%は950番目）。</p>\n<p "
        "class=\"scroll-hint\">表は横にスクロールできます。"
        "</p>\n<div class=\"scroll\"><table>\n"
        "<tr><th></th><th>最小</th><th>5%</th><th>25%</th><th>中央値</th><th>75%</th>"
        "<th>95%</th><th>最大</th></tr>\n");
    put_quantile_row(out, f, "収支",
                     {I::profit_min, I::profit_p05, I::profit_p25, I::profit_p50, I::profit_p75,
                      I::profit_p95, I::profit_max},
                     "円", true);
    put_quantile_row(out, f, "投資額",
                     {I::money_paid_min, I::money_paid_p05, I::money_paid_p25, I::money_paid_p50,
                      I::money_paid_p75, I::money_paid_p95, I::money_paid_max},
                     "円", false);
    put_quantile_row(out, f, "最大ハマり",
                     {I::longest_min, I::longest_p05, I::longest_p25, I::longest_p50,
                      I::longest_p75, I::longest_p95, I::longest_max},
                     "回転", false);
    put(out, "</table></div>\n");
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
// profit's axis starts on a round value), their counts (and the `expected` ones) along y, the x
// labels `label_offset` from their ticks.
ChartScales put_histogram_axes(std::string* out, const char* id, const char* caption, double top,
                               double bottom, const Histogram& histogram, const double* expected,
                               std::int32_t edge_offset, double label_offset, const char* x_title,
                               PlotArea* area) {
    std::int64_t y_step = 1;
    Scale y = round_scale(0, static_cast<std::int64_t>(highest_bin(histogram, expected)) + 1,
                          most_y_ticks(top, bottom), bottom, top, &y_step);
    const std::int64_t start = static_cast<std::int64_t>(histogram.first_edge) - edge_offset;
    const std::int64_t span = static_cast<std::int64_t>(histogram.bin_count) * histogram.bin_width;
    *area =
        PlotArea{left_edge(y, "試行数"),
                 right_edge(std::max(std::llabs(start), std::llabs(start + span))), top, bottom};
    const Scale x{static_cast<double>(start), static_cast<double>(start + span), area->left,
                  area->right};
    open_chart(out, id, caption, *area);
    put_y_axis(out, *area, y, y_step, AxisSide::left, "試行数");
    // The labels keep apart, on whole bins.
    std::int64_t x_step = label_step(x);
    x_step = (x_step + histogram.bin_width - 1) / histogram.bin_width * histogram.bin_width;
    put_x_axis(out, *area, x, round_to_step(start, x_step, true), x_step, label_offset, x_title);
    return ChartScales{x, y};
}

// The profit per trial, losses and wins apart, with break-even, the mean and the median marked.
void put_profit_chart(std::string* out, const PageFigures& f) {
    const SampleFigures& s = *f.sample;
    const Histogram& h = s.profit_histogram;
    // The marker labels' rows above the plot, the highest clear of the chart's top.
    const double top = marker_rows * marker_row_height + chart_font;  // the highest row's box
    PlotArea area{};
    // The edges lie 1 yen above round values: the axis starts on the round value below.
    const ChartScales scales =
        put_histogram_axes(out, "profit-histogram", "収支の分布（1試行ごと）", top, top + 220.0, h,
                           f.profit_expected, 1, 0.0, "収支（円）", &area);
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        const std::int64_t low = h.first_edge + static_cast<std::int64_t>(i) * h.bin_width;
        const std::int64_t above = low - 1;  // the bin holds the profits above this, up to
        const std::int64_t up_to = above + h.bin_width;
        std::string title = amount(above, "円超 ") + amount(up_to, "円以下: ");
        append_integer(&title, h.counts[i]);
        title += "試行";
        put_bar(out, area, pixel(scales.x, static_cast<double>(above)) + 1.0,
                pixel(scales.x, static_cast<double>(up_to)) - 1.0, pixel(scales.y, h.counts[i]),
                low > 0 ? "bar-win" : "bar-loss", title);
    }
    std::string keys;
    if (s.wins < trials_per_run) keys += legend_key("bar-loss", false, "マイナス収支（±0を含む）");
    if (s.wins > 0) keys += legend_key("bar-win", false, "プラス収支");
    // The marks that fall within the axis, and only those in the legend.
    const struct {
        double value;
        Marker marker;
        const char* key;
    } marks[] = {
        {0.0, {0.0, "mark-zero", "±0"}, "収支±0"},
        {static_cast<double>(s.profit_total) / trials_per_run, {0.0, "mark-mean", "平均"}, "平均"},
        {static_cast<double>(s.profit.p50), {0.0, "mark-median", "中央値"}, "中央値"},
    };
    Marker markers[std::size(marks)];
    int shown = 0;
    for (const auto& mark : marks) {
        if (mark.value < scales.x.low || mark.value > scales.x.high) continue;
        markers[shown] = mark.marker;
        markers[shown++].at = pixel(scales.x, mark.value);
        keys += legend_key(mark.marker.css_class, true, mark.key);
    }
    put_markers(out, area, markers, shown);
    // The exact distribution, binned as the trials are.
    double xs[max_histogram_bins];
    double ys[max_histogram_bins];
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        xs[i] = pixel(scales.x, h.first_edge - 1 + (i + 0.5) * h.bin_width);
        ys[i] = pixel(scales.y, f.profit_expected[i]);
    }
    put_polyline(out, xs, ys, h.bin_count, "line-theory");
    put_dots(out, xs, ys, h.bin_count, "dot-theory");
    keys += legend_key("line-theory", true, "理論値（1000試行あたり）");
    close_chart(out, keys);
}

// The medal difference over the spins, its bands and three trials, with the same in yen at the
// player's exchange rate on the right.
void put_slump_chart(std::string* out, const PageFigures& f) {
    const SlumpGraph& series = f.sample->slump;
    const ExactFigures& exact = *f.exact;
    std::int32_t low = 0;
    std::int32_t high = 0;
    for (const std::int32_t* values :
         {series.p05, series.p95, series.best, series.worst, exact.slump_p05, exact.slump_p95}) {
        low = std::min(low, *std::min_element(values, values + slump_points));
        high = std::max(high, *std::max_element(values, values + slump_points));
    }
    const double top = y_title_room;
    const double bottom = top + 240.0;
    std::int64_t y_step = 1;
    const Scale y = round_scale(low, high, most_y_ticks(top, bottom), bottom, top, &y_step);
    // The same heights in yen on the right: Z medals are 100 yen.
    const double yen_per_medal = 100.0 / static_cast<double>(whole_of(f, FigureId::z));
    const Scale yen{y.low * yen_per_medal, y.high * yen_per_medal, y.start, y.end};
    const std::int64_t yen_step =
        tick_step(static_cast<std::int64_t>(yen.high - yen.low), most_y_ticks(top, bottom));
    const PlotArea area{left_edge(y, "差枚（枚）"), chart_width - left_edge(yen, "換金額（円）"),
                        top, bottom};
    open_chart(out, "slump-graph", "スランプグラフ（差枚の推移）", area);
    put_y_axis(out, area, y, y_step, AxisSide::left, "差枚（枚）");
    put_y_axis(out, area, yen, yen_step, AxisSide::right, "換金額（円）");
    const Scale x{0.0, static_cast<double>(spins_to_end), area.left, area.right};
    put_x_axis(out, area, x, 0, label_step(x), 0.0, "回転数");

    double xs[slump_points];
    for (std::int32_t i = 0; i < slump_points; ++i)
        xs[i] = pixel(x, static_cast<double>(i) * slump_step);
    // The y coordinates of `values`, one per slump point.
    const auto ys = [&y](const std::int32_t* values, double* coordinates) {
        for (std::int32_t i = 0; i < slump_points; ++i)
            coordinates[i] = pixel(y, values[i]);
    };
    double lower[slump_points];
    double upper[slump_points];
    ys(series.p05, lower);
    ys(series.p95, upper);
    put_band(out, xs, lower, upper, slump_points, "band-outer");
    ys(series.p25, lower);
    ys(series.p75, upper);
    put_band(out, xs, lower, upper, slump_points, "band-inner");
    const struct {
        const std::int32_t* values;
        const char* css_class;
    } lines[] = {{series.best, "line-best"},
                 {series.worst, "line-worst"},
                 {series.median_trial, "line-median-trial"},
                 {series.p50, "line-median"}};
    for (const auto& line : lines) {
        ys(line.values, upper);
        put_polyline(out, xs, upper, slump_points, line.css_class);
    }
    for (const std::int32_t* quantile : {exact.slump_p05, exact.slump_p50, exact.slump_p95}) {
        ys(quantile, upper);
        put_polyline(out, xs, upper, slump_points, "line-exact");
    }
    close_chart(out, legend_key("band-outer", false, "5〜95%") +
                         legend_key("band-inner", false, "25〜75%") +
                         legend_key("line-median", true, "中央値") +
                         legend_key("line-best", true, "最も勝った試行") +
                         legend_key("line-worst", true, "最も負けた試行") +
                         legend_key("line-median-trial", true, "収支が中央値の試行") +
                         legend_key("line-exact", true, "理論値（5%・中央値・95%）"));
}

// The bonuses per trial against the counts that the odds of a spin predict.
void put_bonus_chart(std::string* out, const PageFigures& f) {
    const Histogram& h = f.sample->bonus_histogram;
    // Bins of one count are labelled at their centres; wider bins at their edges.
    const double label_offset = h.bin_width == 1 ? 0.5 : 0.0;
    PlotArea area{};
    const ChartScales scales = put_histogram_axes(
        out, "bonus-histogram", "ボーナス回数の分布と理論値", y_title_room, y_title_room + 220.0, h,
        f.bonus_expected, 0, label_offset, "ボーナス回数", &area);
    double xs[max_histogram_bins];
    double ys[max_histogram_bins];
    for (std::int32_t i = 0; i < h.bin_count; ++i) {
        const std::int64_t low = h.first_edge + static_cast<std::int64_t>(i) * h.bin_width;
        std::string title = amount(low, "回");
        if (h.bin_width > 1) title += "〜" + amount(low + h.bin_width - 1, "回");
        title += ": ";
        append_integer(&title, h.counts[i]);
        title += "試行";
        put_bar(out, area, pixel(scales.x, static_cast<double>(low)) + 1.0,
                pixel(scales.x, static_cast<double>(low + h.bin_width)) - 1.0,
                pixel(scales.y, h.counts[i]), "bar-count", title);
        xs[i] = pixel(scales.x, h.first_edge + (i + 0.5) * h.bin_width);
        ys[i] = pixel(scales.y, f.bonus_expected[i]);
    }
    put_polyline(out, xs, ys, h.bin_count, "line-theory");
    put_dots(out, xs, ys, h.bin_count, "dot-theory");
    close_chart(out, legend_key("bar-count", false, "シミュレーション") +
                         legend_key("line-theory", true, "当選確率から計算した理論値"));
}

/* -------------------------------- pages without results -------------------------------- */

// The message of the setting `section`, out of range, as the results file holds it: the fixed
// text's format in UTF-8 with the values it takes, without its line end.
void put_out_of_range_message(std::string* out, const Settings& s, SettingsSection section) {
    char line[512];
    const std::int32_t y = printed_y(s.Y);
    int length = 0;
    switch (section) {
        case SettingsSection::x:
            length = std::snprintf(line, sizeof line, page_texts::x_out_of_range, s.X);
            break;
        case SettingsSection::y:
            length = std::snprintf(line, sizeof line, page_texts::y_out_of_range, s.X, y);
            break;
        case SettingsSection::z:
            length = std::snprintf(line, sizeof line, page_texts::z_out_of_range, s.X, y, s.Z);
            break;
    }
    // Every message fits; a failed format leaves nothing rather than anything partial.
    if (length > 1 && static_cast<std::size_t>(length) < sizeof line)
        out->append(line, static_cast<std::size_t>(length) - 1);  // without the "\n"
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

// The name of `section` in the page's data, and its header in the settings file.
const char* section_name(SettingsSection section) {
    return section == SettingsSection::x ? "X" : section == SettingsSection::y ? "Y" : "Z";
}
const char* section_header(SettingsSection section) {
    return section == SettingsSection::x   ? page_texts::header_x
           : section == SettingsSection::y ? page_texts::header_y
                                           : page_texts::header_z;
}

// Appends the style sheet, with the charts' font size.
void put_style(std::string* out) {
    put(out, page_head);
    put(out, page_style);
    put(out, "svg { font-size: ");
    append_integer(out, static_cast<std::int64_t>(chart_font));
    put(out, "px; }\n</style>\n</head>\n<body>\n");
}

}  // namespace

/* ------------------------------------ the pages ------------------------------------ */

std::string report_page(const SampleFigures& sample, const ExactFigures& exact) {
    const auto figures = std::make_unique<PageFigures>();
    collect_page_figures(sample, exact, figures.get());
    const PageFigures& f = *figures;
    std::string page;
    page.reserve(std::size_t{128} * 1024);
    put_style(&page);
    put_introduction(&page, f);
    put_cards(&page, f);
    put_quantile_table(&page, f);
    put_exact_section(&page, f);
    put(&page, "<h2>グラフ</h2>\n<div class=\"charts\">\n");
    put_profit_chart(&page, f);
    put_slump_chart(&page, f);
    put_bonus_chart(&page, f);
    put(&page,
        "</div>\n<footer>乱数の種と設定が同じなら、同じ結果とこのページが再現されます。"
        "数値はこのページのソースの JSON（id=\"quorvantelmix-data\"）にも入っています。"
        "</footer>\n");
    append_page_data(&page, f);
    put(&page, page_end);
    return page;
}

std::string no_results_page(const NoResults& no_results) {
    std::string page;
    put_style(&page);
    put(&page, "<h1>Quorvantelmix 収支レポート</h1>\n<h2>結果はありません</h2>\n<p>");
    const bool out_of_range = no_results.reason == NoResultsReason::value_out_of_range;
    if (out_of_range) {
        put(&page, "設定の値が範囲外のため、シミュレーションは行われませんでした。");
        put(&page, page_texts::results_file);
        put(&page, " にも同じメッセージが書かれています。</p>\n<p><strong>");
        put_out_of_range_message(&page, no_results.settings, no_results.section);
        put(&page, "</strong></p>\n<p>");
        put(&page, page_texts::settings_file);
        put(&page, " の値を直して、もう一度実行して下さい。");
    } else {
        put(&page, "設定ファイル ");
        put(&page, page_texts::settings_file);
        put(&page, " に見出し <strong>");
        put(&page, section_header(no_results.section));
        put(&page, "</strong> が見つからなかったため、シミュレーションは行われませんでした。");
        put_default_file_outcome(&page, no_results.defaults);
    }
    put(&page, "</p>\n");
    append_no_results_data(&page, out_of_range ? "value_out_of_range" : "section_missing",
                           out_of_range ? nullptr : section_name(no_results.section));
    put(&page, page_end);
    return page;
}
