// page_exact.cpp - the section of exact figures: cards, the budget chart and table, and the
// chart of the mean profit over the odds.
#include "page/page_exact.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "rules/numbers.h"

namespace {

// `value` with `decimals` decimals, rounded correctly: "7208.9".
std::string decimals_of(double value, int decimals) {
    std::string text;
    append_decimals(&text, value, decimals);
    return text;
}

// Yen rounded to the nearest yen, halves away from zero, with separators and sign.
std::string yen_of(double yen, bool sign) {
    return amount(round_half_away(yen), "円", sign);
}

// The cards of the exact figures.
void put_exact_cards(std::string* out, const PageFigures& f) {
    using I = FigureId;
    const double mean = real_of(f, I::exact_profit_mean);
    put(out, "<div class=\"cards\">\n");
    put_card(
        out, "期待収支（1試行あたり）", figure(I::exact_profit_mean, yen_of(mean, true)),
        "1000回転あたり " +
            figure(I::exact_profit_per_1000_spins,
                   yen_of(real_of(f, I::exact_profit_per_1000_spins), true)) +
            "。1試行は平均 " +
            figure(I::exact_spins_mean, decimals_of(real_of(f, I::exact_spins_mean), 1) + "回転") +
            "、ボーナス " +
            figure(I::exact_bonuses_mean,
                   decimals_of(real_of(f, I::exact_bonuses_mean), 2) + "回") +
            "。",
        profit_class(round_half_away(mean)));
    put_card(out, "勝つ確率",
             figure(I::exact_win_probability, percent_of(real_of(f, I::exact_win_probability), 1)),
             "収支がプラスになる確率。等価交換（5枚100円）なら " +
                 figure(I::exact_equal_win_probability,
                        percent_of(real_of(f, I::exact_equal_win_probability), 1)) +
                 "、期待収支 " +
                 figure(I::exact_equal_profit_mean,
                        yen_of(real_of(f, I::exact_equal_profit_mean), true)) +
                 "。");
    const auto yen = [&f](I id) { return figure(id, amount(whole_of(f, id), "円")); };
    put_card(out, "用意する現金（99%の試行で足りる額）", yen(I::exact_money_paid_p99),
             "半分の試行は " + yen(I::exact_money_paid_p50) + "、95%の試行は " +
                 yen(I::exact_money_paid_p95) + "で足ります。");
    put(out, "</div>\n");
}

// The probability that a budget runs dry: the exact curve and the run's trials as dots.
void put_shortfall_chart(std::string* out, const PageFigures& f) {
    const ExactFigures& e = *f.exact;
    // The budgets up to where running dry becomes rarer than one in a thousand.
    std::size_t shown = e.shortfall.size();
    for (std::size_t i = 0; i < e.shortfall.size(); ++i) {
        if (e.shortfall[i].probability < 0.001) {
            shown = i + 1;
            break;
        }
    }
    const PlotArea area{text_width("100") + chart_font + 8.0,
                        chart_width - text_width("-1,000,000") / 2.0, y_title_room, 270.0};
    open_chart(out, "shortfall", "資金不足の確率（予算ごと）", area);
    std::int64_t x_step = 1;
    Scale x = round_scale(0, e.shortfall[shown - 1].budget, 10, area.left, area.right, &x_step);
    x.low = 0.0;
    const Scale y{0.0, 100.0, area.bottom, area.top};
    put_y_axis(out, area, y, 20, AxisSide::left, "不足する確率（%）");
    const std::int64_t labels = label_step(x);
    put_x_axis(out, area, x, 0, labels, 0.0, "予算（円）");
    std::vector<double> xs(shown);
    std::vector<double> ys(shown);
    for (std::size_t i = 0; i < shown; ++i) {
        xs[i] = pixel(x, static_cast<double>(e.shortfall[i].budget));
        ys[i] = pixel(y, e.shortfall[i].probability * 100.0);
    }
    put_polyline(out, xs.data(), ys.data(), static_cast<std::int32_t>(shown), "line-theory");
    // The trials' shares at about 25 budgets.
    const std::int64_t dot_step =
        std::max<std::int64_t>(1, tick_step(static_cast<std::int64_t>(shown), 25));
    std::vector<double> dot_x;
    std::vector<double> dot_y;
    for (std::size_t i = 0; i < shown; ++i) {
        if ((i + 1) % static_cast<std::size_t>(dot_step) != 0) continue;
        dot_x.push_back(xs[i]);
        dot_y.push_back(pixel(y, f.shortfall_simulated[i] * 100.0));
    }
    put_dots(out, dot_x.data(), dot_y.data(), static_cast<std::int32_t>(dot_x.size()),
             "dot-simulated");
    close_chart(out, legend_key("line-theory", true, "理論値") +
                         legend_key("dot-simulated", false, "1000試行での割合"));
}

// The table of shortfalls at round budgets.
void put_shortfall_table(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& cells =
        f.lists[static_cast<std::size_t>(FigureId::exact_budget_table)];
    put(out,
        "<div class=\"scroll\"><table>\n<tr><th>予算</th><th>不足する確率（理論値）</th>"
        "<th>1000試行での割合</th></tr>\n");
    for (std::size_t row = 0; row * 3 < cells.size(); ++row) {
        const auto cell = [&](std::size_t column, const std::string& text) {
            return figure_cell(FigureId::exact_budget_table, row, column, text);
        };
        put(out, "<tr><td>");
        out->append(cell(0, amount(cells[row * 3].whole, "円")));
        put(out, "</td><td>");
        out->append(cell(1, percent_of(cells[row * 3 + 1].real, 1)));
        put(out, "</td><td>");
        out->append(cell(2, percent_of(cells[row * 3 + 2].real, 1)));
        put(out, "</td></tr>\n");
    }
    put(out, "</table></div>\n");
}

// The break-even odds in words: "1/248", "どの設定でも" for none.
std::string break_even_text(FigureId id, std::int64_t x) {
    if (x == 0) return "なし（どの設定でもマイナス）";
    if (x == max_x) return "1/" + figure(id, amount(x, "")) + "（どの設定でもプラス）";
    return "1/" + figure(id, amount(x, ""));
}

// The mean profit and the win probability over the odds, the player's and the break-even odds
// marked.
void put_odds_chart(std::string* out, const PageFigures& f) {
    const ExactFigures& e = *f.exact;
    std::int64_t low = 0;
    std::int64_t high = 0;
    for (const OddsFigures& odds : e.by_odds) {
        low = std::min(low, static_cast<std::int64_t>(odds.profit_mean));
        high = std::max(high, static_cast<std::int64_t>(odds.profit_mean) + 1);
    }
    const double top = marker_rows * marker_row_height + chart_font;
    const double bottom = top + 220.0;
    std::int64_t y_step = 1;
    const Scale y = round_scale(low, high, most_y_ticks(top, bottom), bottom, top, &y_step);
    const Scale win{0.0, 100.0, bottom, top};
    const PlotArea area{left_edge(y, "期待収支（円）"),
                        chart_width - left_edge(win, "勝つ確率（%）"), top, bottom};
    open_chart(out, "odds", "確率Xごとの期待収支と勝つ確率", area);
    put_y_axis(out, area, y, y_step, AxisSide::left, "期待収支（円）");
    put_y_axis(out, area, win, 20, AxisSide::right, "勝つ確率（%）");
    const Scale x{static_cast<double>(min_x), static_cast<double>(max_x), area.left, area.right};
    put_x_axis(out, area, x, min_x, std::max<std::int64_t>(100, label_step(x)), 0.0,
               "確率X（1/X）");
    std::vector<double> xs;
    std::vector<double> profit;
    std::vector<double> wins;
    for (const OddsFigures& odds : e.by_odds) {
        xs.push_back(pixel(x, odds.x));
        profit.push_back(pixel(y, odds.profit_mean));
        wins.push_back(pixel(win, odds.win_probability * 100.0));
    }
    const auto count = static_cast<std::int32_t>(xs.size());
    put_polyline(out, xs.data(), profit.data(), count, "line-median");
    put_polyline(out, xs.data(), wins.data(), count, "line-best");
    std::string keys =
        legend_key("line-median", true, "期待収支") + legend_key("line-best", true, "勝つ確率");
    Marker markers[3];
    int marked = 0;
    markers[marked++] = Marker{pixel(x, static_cast<double>(whole_of(f, FigureId::x))), "mark-mean",
                               "あなたの設定"};
    keys += legend_key("mark-mean", true, "あなたの設定");
    if (e.break_even_x != 0) {
        markers[marked++] = Marker{pixel(x, e.break_even_x), "mark-zero", "損益分岐"};
        keys += legend_key("mark-zero", true, "損益分岐（この換金率）");
    }
    if (e.break_even_x_equal != 0 && whole_of(f, FigureId::z) != medals_per_cash_unit) {
        markers[marked++] = Marker{pixel(x, e.break_even_x_equal), "mark-median", "等価交換"};
        keys += legend_key("mark-median", true, "損益分岐（等価交換）");
    }
    put_markers(out, area, markers, marked);
    close_chart(out, keys);
}

}  // namespace

void put_exact_section(std::string* out, const PageFigures& f) {
    put(out,
        "<h2>理論値（ルールから計算した正確な値）</h2>\n<p>1000回の試行には偶然の揺れがあります。"
        "ここの値は、同じルールで起こり得るすべての展開をその確率で重み付けして計算した、"
        "揺れのない値です（メダルは実数で計算しています。シミュレーションはメダルを"
        "単精度の小数で数えるので、その丸めの分だけ異なります。計算で切り捨てた確率は ");
    append_significant(out, real_of(f, FigureId::exact_lost_probability), 2);
    put(out, "）。</p>\n");
    put_exact_cards(out, f);
    put(out, "<div class=\"charts\">\n");
    put_shortfall_chart(out, f);
    put(out,
        "<div><h3>予算と資金不足の確率</h3>\n<p>持って行く現金（予算）で1試行が足りなくなる"
        "確率です。</p>\n");
    put_shortfall_table(out, f);
    put(out, "</div>\n");
    put_odds_chart(out, f);
    put(out,
        "<div><h3>設定ごとの期待収支</h3>\n<p>同じ100%確率Yと換金率Zで、ボーナスの確率Xだけが"
        "違う台の期待収支です。期待収支がプラスになる最も悪い設定は ");
    out->append(
        break_even_text(FigureId::exact_break_even_x, whole_of(f, FigureId::exact_break_even_x)));
    put(out, "、等価交換なら ");
    out->append(break_even_text(FigureId::exact_break_even_x_equal,
                                whole_of(f, FigureId::exact_break_even_x_equal)));
    put(out, "です。</p>\n</div>\n</div>\n");
}
