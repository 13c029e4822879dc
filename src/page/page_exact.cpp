// page_exact.cpp - the answers first: the exact figures that a player decides a visit by (the
// cards), the budget that keeps the risk of running dry to a level (chart and table), and how
// close the machine is to break-even (the odds near the player's X, and over the whole range).
#include "page/page_exact.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "rules/numbers.h"

namespace {

using I = FigureId;

/* ---------------------------------- the answers ---------------------------------- */

// The cards of the exact figures: what a day at this machine yields.
void put_answer_cards(std::string* out, const PageFigures& f) {
    const double mean = real_of(f, I::exact_profit_mean);
    const double hourly = real_of(f, I::exact_profit_per_hour);
    const bool equal_exchange = whole_of(f, I::z) == medals_per_cash_unit;
    put(out, "<div class=\"cards\">\n");
    put_card(
        out, "期待収支（1日あたり）", figure(I::exact_profit_mean, yen_of(mean, true)),
        "収支は換金額から投資額を引いた額です。1日は平均 " +
            figure(I::exact_spins_mean, decimals_of(real_of(f, I::exact_spins_mean), 1) + "回転") +
            "、ボーナス " +
            figure(I::exact_bonuses_mean,
                   decimals_of(real_of(f, I::exact_bonuses_mean), 2) + "回") +
            "。",
        profit_class(round_half_away(mean)));
    put_card(
        out, "1時間あたりの期待収支", figure(I::exact_profit_per_hour, yen_of(hourly, true)),
        "1時間に " +
            figure(I::exact_spins_per_hour, amount(whole_of(f, I::exact_spins_per_hour), "回転")) +
            "打つとして。1000回転あたり " +
            figure(I::exact_profit_per_1000_spins,
                   yen_of(real_of(f, I::exact_profit_per_1000_spins), true)) +
            "。",
        profit_class(round_half_away(hourly)));
    std::string win_note = "収支がプラスで終わる日の割合です。";
    if (!equal_exchange) {
        win_note += "等価交換（5枚100円）なら " +
                    figure(I::exact_equal_win_probability,
                           percent_of(real_of(f, I::exact_equal_win_probability), 1)) +
                    "、期待収支 " +
                    figure(I::exact_equal_profit_mean,
                           yen_of(real_of(f, I::exact_equal_profit_mean), true)) +
                    "。";
    }
    put_card(out, "勝つ確率",
             figure(I::exact_win_probability, percent_of(real_of(f, I::exact_win_probability), 1)),
             win_note);
    const auto yen = [&f](I id) { return figure(id, amount(whole_of(f, id), "円")); };
    put_card(out, "用意する現金（20日に19日足りる額）", yen(I::exact_money_paid_p95),
             "100日に99日足りるのは " + yen(I::exact_money_paid_p99) + "。半分の日は " +
                 yen(I::exact_money_paid_p50) + "で足ります。");
    put(out, "</div>\n");
}

/* ---------------------------------- the budget ---------------------------------- */

// The probability that a budget runs dry, on a logarithmic axis from 100 % down to 0.1 %, where
// the choice of a budget is made: the exact curve and the run's trials as dots.
void put_shortfall_chart(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& rows = cells_of(f, I::exact_shortfall);
    // The budgets down to a probability of one in a thousand.
    std::size_t shown = 0;
    while (shown * 2 < rows.size() && rows[shown * 2 + 1].real >= shortfall_floor)
        ++shown;
    shown = std::max<std::size_t>(shown, 1);
    const PlotArea area{text_width("100%") + chart_font + 8.0,
                        chart_width - text_width("-1,000,000") / 2.0, y_title_room, 270.0};
    open_chart(out, "shortfall", "資金不足の確率（予算ごと）", area);
    std::int64_t x_step = 1;
    Scale x = round_scale(0, rows[(shown - 1) * 2].whole, 10, area.left, area.right, &x_step);
    x.low = 0.0;
    // log10 of the percentage: 100 % at the top, 0.1 % at the bottom.
    const Scale y{-1.0, 2.0, area.bottom, area.top};
    const double ticks[] = {2.0, 1.0, 0.0, -1.0};
    const char* const labels[] = {"100%", "10%", "1%", "0.1%"};
    put_y_ticks(out, area, y, ticks, labels, static_cast<int>(std::size(ticks)), AxisSide::left,
                "不足する確率");
    put_x_axis(out, area, x, 0, label_step(x), 0.0, "予算（円）");
    std::vector<double> xs(shown);
    std::vector<double> ys(shown);
    for (std::size_t i = 0; i < shown; ++i) {
        xs[i] = pixel(x, static_cast<double>(rows[i * 2].whole));
        ys[i] = pixel(y, log10_of(rows[i * 2 + 1].real * 100.0));
    }
    put_polyline(out, xs.data(), ys.data(), static_cast<std::int32_t>(shown), "line-theory",
                 drawn_from("exact.shortfall",
                            R"(data-x="0" data-y="1" data-y-scale="100" data-y-log="1")"));
    const std::vector<FigureValue>& dots = cells_of(f, I::exact_shortfall_trials);
    std::vector<double> dot_x;
    std::vector<double> dot_y;
    for (std::size_t i = 0; i < dots.size(); i += 2) {
        dot_x.push_back(pixel(x, static_cast<double>(dots[i].whole)));
        dot_y.push_back(pixel(y, log10_of(dots[i + 1].real * 100.0)));
    }
    put_dots(out, dot_x.data(), dot_y.data(), static_cast<std::int32_t>(dot_x.size()),
             "dot-simulated",
             drawn_from("exact.shortfall_trials",
                        R"(data-x="0" data-y="1" data-y-scale="100" data-y-log="1")"));
    close_chart(out, legend_key("line-theory", Swatch::line, "理論値") +
                         legend_key("dot-simulated", Swatch::dot, "1000試行での割合"));
}

// A level of running dry as a percentage: "50%", "0.1%".
std::string level_text(double level) {
    return percent_of(level, level < 0.01 ? 1 : 0);
}

// The table of the budgets that keep the risk of running dry to 50, 25, 10, 5, 1 and 0.1 %.
void put_budget_table(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& cells = cells_of(f, I::exact_budget_levels);
    put(out,
        "<table>\n<tr><th>不足する確率</th><th>予算</th><th>理論値</th>"
        "<th>1000試行</th></tr>\n");
    for (std::size_t row = 0; row * 4 < cells.size(); ++row) {
        const auto cell = [&](std::size_t column, const std::string& text) {
            return figure_cell(I::exact_budget_levels, row, column, text);
        };
        const FigureValue* values = &cells[row * 4];
        put(out, "<tr><td>");
        out->append(cell(0, level_text(values[0].real)) + "以下");
        put(out, "</td><td>");
        out->append(cell(1, amount(values[1].whole, "円")));
        put(out, "</td><td>");
        out->append(cell(2, percent_of(values[2].real, 2)));
        put(out, "</td><td>");
        out->append(cell(3, percent_of(values[3].real, 1)));
        put(out, "</td></tr>\n");
    }
    put(out, "</table>\n");
}

/* ---------------------------------- break-even ---------------------------------- */

// An X and the odds of a spin it stands for: "1/248（当選確率 1/246.4）".
std::string odds_text(FigureId x, std::int64_t value, FigureId odds, double spins) {
    return "1/" + figure(x, amount(value, "")) + "（当選確率 1/" +
           figure(odds, decimals_of(spins, 1)) + "）";
}

// The break-even odds in words: "1/248（当選確率 1/248.2）", or why there is none.
std::string break_even_text(const PageFigures& f, FigureId x, FigureId odds) {
    const std::int64_t value = whole_of(f, x);
    if (value == 0) return "なし（どの設定でもマイナス）";
    if (value == max_x) return "1/" + figure(x, amount(value, "")) + "（どの設定でもプラス）";
    return odds_text(x, value, odds, real_of(f, odds));
}

// The mean profit (left axis) and the win probability (right axis) over the odds of `rows`
// (the list `id`), with the player's X and the break-evens marked.
void put_odds_chart(std::string* out, const PageFigures& f, FigureId id, const char* chart_id,
                    const char* caption, double height) {
    const std::vector<FigureValue>& rows = cells_of(f, id);
    const std::size_t count = rows.size() / 3;
    std::int64_t low = 0;
    std::int64_t high = 0;
    for (std::size_t i = 0; i < count; ++i) {
        low = std::min(low, static_cast<std::int64_t>(rows[i * 3 + 1].real) - 1);
        high = std::max(high, static_cast<std::int64_t>(rows[i * 3 + 1].real) + 1);
    }
    const double top = marked_plot_top;
    const double bottom = top + height;
    std::int64_t y_step = 1;
    const Scale y = round_scale(low, high, most_y_ticks(top, bottom), bottom, top, &y_step);
    const Scale win{0.0, 100.0, bottom, top};
    const PlotArea area{left_edge(y, "期待収支（円）"),
                        chart_width - left_edge(win, "勝つ確率（%）"), top, bottom,
                        marker_rows * marker_row_height};
    open_chart(out, chart_id, caption, area);
    put_y_axis(out, area, y, y_step, AxisSide::left, "期待収支（円）");
    put_y_axis(out, area, win, 20, AxisSide::right, "勝つ確率（%）");
    const auto first_x = static_cast<double>(rows.front().whole);
    const auto last_x = static_cast<double>(rows[(count - 1) * 3].whole);
    const Scale x{first_x, last_x, area.left, area.right};
    const std::int64_t x_step = label_step(x);
    put_x_axis(out, area, x, round_to_step(rows.front().whole, x_step, true), x_step, 0.0,
               "確率X（1/X）");
    std::vector<double> xs(count);
    std::vector<double> profit(count);
    std::vector<double> wins(count);
    for (std::size_t i = 0; i < count; ++i) {
        xs[i] = pixel(x, static_cast<double>(rows[i * 3].whole));
        profit[i] = pixel(y, rows[i * 3 + 1].real);
        wins[i] = pixel(win, rows[i * 3 + 2].real * 100.0);
    }
    const char* path = figure_entries[static_cast<std::size_t>(id)].path;
    const auto n = static_cast<std::int32_t>(count);
    put_polyline(out, xs.data(), profit.data(), n, "line-mean-profit",
                 drawn_from(path, R"(data-x="0" data-y="1")"));
    put_polyline(out, xs.data(), wins.data(), n, "line-win",
                 drawn_from(path, R"(data-x="0" data-y="2" data-y-scale="100" data-axis="y2")"));
    std::string keys = legend_key("line-mean-profit", Swatch::line, "期待収支（左）") +
                       legend_key("line-win", Swatch::line, "勝つ確率（右）");
    // The marks that fall within the axis, and only those in the legend.
    const struct {
        FigureId x;
        bool shown;
        Marker marker;
        const char* key;
    } marks[] = {
        {I::x, true, {0.0, "mark-player", "あなたの設定", "X"}, "あなたの設定"},
        {I::exact_break_even_x,
         true,
         {0.0, "mark-break-even", "損益分岐", "exact.break_even_X"},
         "損益分岐（この換金率）"},
        {I::exact_break_even_x_equal,
         whole_of(f, I::z) != medals_per_cash_unit,
         {0.0, "mark-break-even-equal", "等価交換の損益分岐", "exact.break_even_X_equal_exchange"},
         "損益分岐（等価交換）"},
    };
    Marker markers[std::size(marks)];
    int marked = 0;
    for (const auto& mark : marks) {
        const auto at = static_cast<double>(whole_of(f, mark.x));
        if (!mark.shown || at < first_x || at > last_x || whole_of(f, mark.x) == 0) continue;
        markers[marked] = mark.marker;
        markers[marked++].at = pixel(x, at);
        keys += legend_key(mark.marker.css_class, Swatch::line, mark.key);
    }
    put_markers(out, area, markers, marked);
    close_chart(out, keys);
}

}  // namespace

void put_answers(std::string* out, const PageFigures& f) {
    put(out,
        "<h2>答え：この台で1日打つと</h2>\n<p>ルールから計算した正確な値です。起こり得るすべての"
        "展開をその確率で重み付けしているので、シミュレーションの偶然の揺れはありません。"
        "前提はページの最後にまとめてあります。</p>\n");
    put_answer_cards(out, f);
}

void put_decisions(std::string* out, const PageFigures& f) {
    put(out, "<h2>予算と損益分岐</h2>\n<div class=\"charts\">\n");
    put_shortfall_chart(out, f);
    put(out,
        "<div><h3>予算の決め方</h3>\n<p>持って行く現金（予算）で1日が足りなくなる確率が、"
        "それぞれの値以下になる予算です。</p>\n");
    put_budget_table(out, f);
    put(out, "</div>\n");
    put_odds_chart(out, f, I::exact_by_odds_close, "odds", "あなたの設定の近くの期待収支と勝つ確率",
                   220.0);
    put(out,
        "<div><h3>損益分岐</h3>\n<p>同じ100%確率Yと換金率Zで、ボーナスの確率Xだけが違う台の"
        "期待収支です。あなたの台は ");
    out->append(
        odds_text(I::x, whole_of(f, I::x), I::exact_player_odds, real_of(f, I::exact_player_odds)));
    put(out, "。期待収支がプラスになる最も悪い設定は ");
    out->append(break_even_text(f, I::exact_break_even_x, I::exact_break_even_odds));
    if (whole_of(f, I::z) != medals_per_cash_unit) {
        put(out, "、等価交換なら ");
        out->append(
            break_even_text(f, I::exact_break_even_x_equal, I::exact_break_even_odds_equal));
    }
    put(out, "です。</p>\n</div>\n");
    put_odds_chart(out, f, I::exact_by_odds, "odds-all", "確率X全体（100〜1000）", 160.0);
    put(out, "</div>\n");
}
