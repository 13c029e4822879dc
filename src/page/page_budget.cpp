// page_budget.cpp - break-even and the budget, after the plans: how close the machine is to
// break-even (a day's mean and the chance of a win at the odds near the player's X, and over the
// whole range where that adds to the close view), and the budget that keeps the risk of running
// dry to a level (chart and table).
//
// This unit's literals are UTF-8, the page's encoding.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "rules/numbers.h"

namespace {

using I = FigureId;

/* ---------------------------------- the budget ---------------------------------- */

// The probability that a budget runs dry, on a logarithmic axis from 100 % down to 0.1 %, where
// the choice of a budget is made: the exact curve and the run's trials as dots. The curve runs
// on to the first budget below the floor and is drawn down to the floor there, so that it ends
// on the axis rather than in mid-air (where the last budgets' probability drops at once, as when
// a day without a bonus pays the most there is).
void put_shortfall_chart(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& rows = cells_of(f, I::exact_shortfall);
    const std::size_t count = rows.size() / 2;
    std::size_t shown = 0;
    while (shown < count && rows[shown * 2 + 1].real >= shortfall_floor)
        ++shown;
    shown = std::max<std::size_t>(std::min(shown + 1, count), 1);
    const PlotArea area{text_width("100%") + chart_font + 8.0,
                        chart_width - text_width("-1,000,000") / 2.0, y_title_room, 270.0};
    open_chart(out, "shortfall", "資金不足の確率（予算ごと）", area);
    std::int64_t x_step = 1;
    Scale x = round_scale(0, rows[(shown - 1) * 2].whole, 10, area.left, area.right, &x_step);
    x.low = 0.0;
    // log10 of the percentage: 100 % at the top, 0.1 % at the bottom.
    const double floor_log = log10_of(shortfall_floor * 100.0);
    const Scale y{floor_log, 2.0, area.bottom, area.top};
    const double ticks[] = {2.0, 1.0, 0.0, -1.0};
    const char* const labels[] = {"100%", "10%", "1%", "0.1%"};
    put_y_ticks(out, area, y, ticks, labels, static_cast<int>(std::size(ticks)), AxisSide::left,
                "不足する確率");
    put_x_axis(out, area, x, 0, label_step(x), 0.0, "予算（円）");
    std::vector<double> xs(shown);
    std::vector<double> ys(shown);
    for (std::size_t i = 0; i < shown; ++i) {
        xs[i] = pixel(x, static_cast<double>(rows[i * 2].whole));
        const double probability = rows[i * 2 + 1].real;
        ys[i] =
            probability >= shortfall_floor ? pixel(y, log10_of(probability * 100.0)) : area.bottom;
    }
    put_polyline(out, xs.data(), ys.data(), static_cast<std::int32_t>(shown), "line-theory",
                 drawn_from("exact.shortfall", R"(data-x="0" data-y="1" data-y-scale="100" )"
                                               R"(data-y-log="1" data-y-floor="-1")"));
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

// The table of the budgets, to the thousand yen, that keep the risk of running dry to 50, 25,
// 10, 5, 1 and 0.1 %: the same figure as the cash to bring at the same level. Levels that share
// a budget share its row, which names them all.
void put_budget_table(std::string* out, const PageFigures& f) {
    constexpr std::size_t columns = 4;
    const std::vector<FigureValue>& cells = cells_of(f, I::exact_budget_levels_exact);
    put(out,
        "<table id=\"budget-table\">\n<tr><th>不足する確率</th><th>予算</th><th>理論値</th>"
        "<th>1000試行</th></tr>\n");
    for (std::size_t row = 0; row * columns < cells.size(); ++row) {
        const auto cell = [&](std::size_t at, std::size_t column, const std::string& text) {
            return figure_cell(I::exact_budget_levels_exact, at, column, text);
        };
        // The levels after this one that the same budget keeps to, named in its row.
        std::size_t last = row;
        while ((last + 1) * columns < cells.size() &&
               cells[(last + 1) * columns + 1].whole == cells[row * columns + 1].whole)
            ++last;
        put(out, "<tr><td>");
        for (std::size_t level = row; level <= last; ++level) {
            if (level > row) put(out, "・");
            out->append(cell(level, 0, level_text(cells[level * columns].real)));
        }
        put(out, "以下</td><td>");
        const FigureValue* values = &cells[last * columns];
        out->append(cell(last, 1, amount(values[1].whole, "円")));
        put(out, "</td><td>");
        out->append(cell(last, 2, percent_of(values[2].real, 2)));
        put(out, "</td><td>");
        out->append(cell(last, 3, percent_of(values[3].real, 1)));
        put(out, "</td></tr>\n");
        row = last;
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

// A day's mean profit (upper panel, yen) and the chance of a win (lower panel, %) over the odds
// of `rows` (the list `id`), each on an axis of its own along one axis of the odds, with the
// player's X and the break-evens marked across both.
void put_odds_chart(std::string* out, const PageFigures& f, FigureId id, const char* chart_id,
                    const char* caption, double height) {
    const std::vector<FigureValue>& rows = cells_of(f, id);
    const std::size_t count = rows.size() / 3;
    std::int64_t low = 0;
    std::int64_t high = 0;
    for (std::size_t i = 0; i < count; ++i) {
        low = std::min(low, static_cast<std::int64_t>(std::floor(rows[i * 3 + 1].real)));
        high = std::max(high, static_cast<std::int64_t>(std::ceil(rows[i * 3 + 1].real)));
    }
    const char* const profit_title = "期待収支（円）";
    const char* const win_title = "勝つ確率";  // its labels carry the unit
    const double top = marked_plot_top;
    const double bottom = top + height;
    std::int64_t y_step = 1;
    const Scale y = round_scale(low, high, most_y_ticks(top, bottom), bottom, top, &y_step);
    // The lower panel, below room for its title.
    const double win_top = bottom + y_title_room + chart_font;
    const double win_bottom = win_top + 3.0 * 1.6 * chart_font;
    const Scale win{0.0, 100.0, win_bottom, win_top};
    const double left = std::max(left_edge(y, profit_title), text_width(win_title) + chart_font);
    const double right = chart_width - text_width("1,000") / 2.0 - 4.0;
    const PlotArea whole{left, right, top, win_bottom, marker_rows * marker_row_height};
    const PlotArea upper{left, right, top, bottom, marker_rows * marker_row_height};
    PlotArea lower{left, right, win_top, win_bottom};
    lower.left_axis = "y2";
    open_chart(out, chart_id, caption, whole);
    put_y_axis(out, upper, y, y_step, AxisSide::left, profit_title);
    const double win_ticks[] = {0.0, 50.0, 100.0};
    const char* const win_labels[] = {"0%", "50%", "100%"};
    put_y_ticks(out, lower, win, win_ticks, win_labels, 3, AxisSide::left, win_title);
    const auto first_x = static_cast<double>(rows.front().whole);
    const auto last_x = static_cast<double>(rows[(count - 1) * 3].whole);
    const Scale x{first_x, last_x, left, right};
    const std::int64_t x_step = label_step(x);
    put_x_axis(out, whole, x, round_to_step(rows.front().whole, x_step, true), x_step, 0.0,
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
    std::string keys = legend_key("line-mean-profit", Swatch::line, "期待収支（上）") +
                       legend_key("line-win", Swatch::line, "勝つ確率（下）");
    // The marks that fall within the axis, and only those in the legend.
    const struct {
        FigureId x;
        bool shown;
        Marker marker;
        const char* key;
    } marks[] = {
        {I::x, true, {0.0, "mark-player", "あなた", "X"}, "あなたの設定"},
        {I::exact_break_even_x,
         true,
         {0.0, "mark-break-even", "損益分岐", "exact.break_even_X"},
         "損益分岐（この換金率）"},
        {I::exact_break_even_x_equal,
         whole_of(f, I::z) != medals_per_cash_unit,
         {0.0, "mark-break-even-equal", "等価交換の分岐", "exact.break_even_X_equal_exchange"},
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
    put_markers(out, whole, markers, marked);
    close_chart(out, keys);
}

}  // namespace

void put_break_even_and_budget(std::string* out, const PageFigures& f) {
    put(out, "<h2>損益分岐と予算</h2>\n<div class=\"charts\">\n");
    put_odds_chart(out, f, I::exact_by_odds_close, "odds", "あなたの設定の近くの期待収支と勝つ確率",
                   130.0);
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
    put(out, "です。</p>\n");
    // The whole range only where it shows more than the close view: the close view spans less
    // than half of it.
    const std::vector<FigureValue>& close = cells_of(f, I::exact_by_odds_close);
    if (!close.empty() && (close[close.size() - 3].whole - close.front().whole) * 2 <
                              static_cast<std::int64_t>(max_x - min_x)) {
        put_odds_chart(out, f, I::exact_by_odds, "odds-all", "確率X全体（100〜1000）", 100.0);
    }
    put(out, "</div>\n");
    put_shortfall_chart(out, f);
    put(out,
        "<div><h3>予算の決め方</h3>\n<p>持って行く現金（予算）で1日が足りなくなる確率が、"
        "それぞれの値以下になる予算です（千円単位）。5%以下の予算が、上の「用意する現金」です。"
        "</p>\n");
    put_budget_table(out, f);
    put(out, "</div>\n</div>\n");
}
