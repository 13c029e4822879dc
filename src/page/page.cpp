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
#include "page/page_plans.h"
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
tr.mine td { font-weight: bold; }
.plan-grid { font-size: 0.85em; margin: 4px 0; }
.plan-grid caption { text-align: left; font-weight: bold; }
.plan-grid th, .plan-grid td { padding: 3px 4px; text-align: right; }
.plan-grid td.best { font-weight: bold; outline: 2px solid #e69f00; outline-offset: -2px; }
.headline { font-size: 1.1em; }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { border-bottom: 1px solid var(--line); padding: 4px 6px; text-align: right; white-space: nowrap; }
th:first-child, td:first-child { text-align: left; }
h3 { font-size: 1em; margin: 1em 0 0.3em; }
.note { font-size: 0.85em; color: var(--muted); }
.warning { border-left: 4px solid var(--loss); padding: 4px 10px; background: #fff4ec; }
.assumptions { padding-left: 1.2em; }
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
.line-median, .line-best, .line-worst, .line-median-trial, .line-theory, .line-exact,
  .line-mean-profit, .line-win { fill: none; }
.line-mean-profit { stroke: #000; stroke-width: 3; }
.line-mean { fill: none; stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.line-win { stroke: var(--win); stroke-width: 2.5; stroke-dasharray: 7 3; }
.mark-player { stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.mark-break-even { stroke: var(--loss); stroke-width: 2.5; }
.mark-break-even-equal { stroke: #009e73; stroke-width: 2.5; stroke-dasharray: 2 3; }
.line-median { stroke: #000; stroke-width: 3; }
.line-best { stroke: var(--win); stroke-width: 2; }
.line-worst { stroke: var(--loss); stroke-width: 2; stroke-dasharray: 9 4; }
.line-median-trial { stroke: #cc79a7; stroke-width: 2.5; stroke-dasharray: 2 3; }
.line-theory { stroke: #000; stroke-width: 2; stroke-dasharray: 5 3; } .dot-theory { fill: #000; }
.line-exact { fill: none; stroke: #5b3a00; stroke-width: 1.5; stroke-dasharray: 1 3; }
.dot-simulated { fill: #e69f00; }
.swatch .mark-median, .swatch .mark-mean, .swatch .mark-zero, .swatch .mark-player,
  .swatch .mark-break-even, .swatch .mark-break-even-equal { stroke-width: 3; }
.legend { font-size: 0.85em; color: var(--muted); margin: 4px 0 0; }
.key { display: inline-block; white-space: nowrap; margin-right: 12px; }
.swatch { display: inline-block; width: 24px; height: 12px; margin-right: 4px; vertical-align: -1px; }
.swatch line { stroke-width: 2.5; }
footer { margin-top: 2em; font-size: 0.8em; color: var(--muted); }
@media (max-width: 600px) { body { padding: 8px; font-size: 14px; } th, td { padding: 4px 3px; }
  .plan-grid th, .plan-grid td { padding: 3px 2px; } }
@page { size: A4; margin: 12mm; }
@media print { body { max-width: none; padding: 0; font-size: 11px; } h2 { break-after: avoid; } }
)";

const char page_end[] = "</body>\n</html>\n";

// The slump graph's ticks along the spins.
constexpr std::int64_t slump_tick_step = 1000;

/* ---------------------------------- the figures ---------------------------------- */

// The settings and identity of the run.
void put_introduction(std::string* out, const PageFigures& f) {
    put(out,
        "<h1>Quorvantelmix 収支レポート</h1>\n<p class=\"lead\">この台を1日"
        "（7000回転目以降の最初のボーナスまで、最大7500回転）打ったときの収支です。"
        "まずルールから計算した正確な値、次に Quorvantelmix.txt と同じ1000試行の"
        "シミュレーションを示します。</p>\n<ul class=\"settings\">\n<li>確率 1/");
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

// A number of standard errors to one decimal, with its sign: "-0.8", "0.0".
std::string errors_text(double errors) {
    const std::int64_t tenths = round_half_away(errors * 10.0);
    std::string text = tenths > 0 ? "+" : "";
    append_fixed(&text, tenths, 1, false);
    return text;
}

// Whether the trials agree with the exact values, in a sentence: within two standard errors,
// which chance exceeds about one run in 20.
void put_agreement(std::string* out, const PageFigures& f) {
    const double mean = real_of(f, FigureId::comparison_profit_z);
    const double wins = real_of(f, FigureId::comparison_win_z);
    const bool agree = mean > -2.0 && mean < 2.0 && wins > -2.0 && wins < 2.0;
    put(out, "<p>");
    put(out, agree ? "1000試行の平均収支と勝率は、どちらも理論値から標準誤差の2倍以内にあり、"
                     "偶然の揺れで説明できる差です。"
                   : "1000試行の平均収支か勝率が、理論値から標準誤差の2倍を超えて離れています。"
                     "20回に1回ほどは偶然でも起こる差ですが、乱数の種を変えてもう一度確かめて"
                     "下さい。");
    put(out,
        "ここからの値は、このシミュレーション（Quorvantelmix.txt と同じ1000試行）のものです。"
        "</p>\n");
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
             "理論値 " + exact_yen(I::exact_profit_mean) + "との差は標準誤差の " +
                 figure(I::comparison_profit_z, errors_text(real_of(f, I::comparison_profit_z))) +
                 "倍。95%信頼区間 " + yen(I::profit_ci95_low, true) + "〜" +
                 yen(I::profit_ci95_high, true) + "。",
             profit_class(mean));

    const std::int64_t wins = whole_of(f, I::wins);
    put_card(
        out, "勝率（1000試行）", figure(I::wins, percent_of_trials(wins)),
        "理論値 " +
            figure(I::exact_win_probability, percent_of(real_of(f, I::exact_win_probability), 1)) +
            "との差は標準誤差の " +
            figure(I::comparison_win_z, errors_text(real_of(f, I::comparison_win_z))) + "倍（" +
            amount(wins, "") + " / 1000試行）。95%信頼区間 " +
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
    put_dots(out, xs, ys, h.bin_count, "dot-theory");
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
    put_dots(out, xs, ys, h.bin_count, "dot-theory");
    close_chart(out, legend_key("bar-count", Swatch::box, "シミュレーション") +
                         legend_key("line-theory", Swatch::line, "当選確率から計算した理論値"));
}

// The run's 1000 trials: how they agree with the exact values, the figures only they give, the
// spread and the charts.
void put_trials(std::string* out, const PageFigures& f) {
    put(out, "<h2>このシミュレーション（1000試行）</h2>\n");
    put_agreement(out, f);
    put_trial_cards(out, f);
    put_quantile_table(out, f);
    put(out, "<div class=\"charts\">\n");
    put_profit_chart(out, f);
    put_slump_chart(out, f);
    put_bonus_chart(out, f);
    put(out, "</div>\n");
}

// The rules that every figure of the page assumes, once and plainly.
void put_assumptions(std::string* out, const PageFigures& f) {
    put(out,
        "<h2>前提</h2>\n<ul class=\"assumptions\">\n"
        "<li>メダルは50枚1000円で借ります（1枚20円）。メダルがなくなるたびに借り足します。</li>\n"
        "<li>1日は7000回転目以降の最初のボーナスまで打ちます（ボーナスがなければ7500回転まで）。"
        "</li>\n<li>残ったメダルは ");
    append_integer(out, whole_of(f, FigureId::z));
    put(out,
        "枚100円で、500円単位で換金します。端数のメダルは捨てます（貯メダルはしません）。</li>\n"
        "<li>時間は1時間に ");
    append_integer(out, whole_of(f, FigureId::exact_spins_per_hour));
    put(out,
        "回転打つとして計算しています。</li>\n"
        "<li>理論値はメダルを実数で計算しています。シミュレーションはメダルを単精度の小数で"
        "数えるので、その丸めの分だけ異なります。</li>\n</ul>\n");
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
    if (!defaults.written) return;
    // The next run reads the defaults: a warning, and what to do about it.
    put(out, "</p>\n<p class=\"warning\"><strong>注意：</strong>");
    put(out, page_texts::settings_file);
    put(out, " は初期値（確率X=");
    put(out, page_texts::default_x);
    put(out, "、100%確率Y=");
    put(out, page_texts::default_y);
    put(out, "、換金率Z=");
    put(out, page_texts::default_z);
    put(out,
        "）で書き直されました。このまま実行すると、あなたの台ではなく初期値の台を"
        "シミュレーションします。");
    if (defaults.user_file == UserSettingsFile::kept_as_backup) {
        put(out, "あなたの設定を使うには、");
        put(out, page_texts::settings_backup_file);
        put(out, " の見出しを直して ");
        put(out, page_texts::settings_file);
        put(out, " という名前に戻してから、もう一度実行して下さい。");
    } else {
        put(out, "実行する前に ");
        put(out, page_texts::settings_file);
        put(out, " にあなたの台の値を入力して下さい。");
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
    put_answers(&page, f);
    put_decisions(&page, f);
    put_plans(&page, f);
    put_trials(&page, f);
    put_assumptions(&page, f);
    put(&page,
        "<footer>乱数の種と設定が同じなら、同じ結果とこのページが再現されます。"
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
