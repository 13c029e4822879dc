// page_plans.cpp - the plans a player makes: a budget and a target for the day, the hours at
// the machine, the same machine at another hall's exchange rate, and a month or a year of visits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "exact/plan.h"
#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "rules/numbers.h"

namespace {

using I = FigureId;

// The table of the exchange rates from 5 to 10 medals for 100 yen, the player's row marked.
void put_exchange_table(std::string* out, const PageFigures& f) {
    constexpr std::size_t columns = 4;
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_by_exchange);
    put(out,
        "<table "
        "id=\"halls-table\">\n<tr><th>換金率</th><th>期待収支</th><th>勝つ確率</th><th>損益分岐</"
        "th>"
        "</tr>\n");
    for (std::size_t row = 0; row * columns < cells.size(); ++row) {
        const auto cell = [&](std::size_t column, const std::string& text) {
            return figure_cell(I::plan_by_exchange, row, column, text);
        };
        const FigureValue* values = &cells[row * columns];
        const bool mine = values[0].whole == whole_of(f, I::z);
        const std::int64_t mean = round_half_away(values[1].real);
        put(out, mine ? "<tr class=\"mine\"><td>" : "<tr><td>");
        out->append(cell(0, amount(values[0].whole, "枚")) + (mine ? "（あなた）" : ""));
        put(out, "</td><td class=\"");
        put(out, profit_class(mean));
        put(out, "\">");
        out->append(cell(1, amount(mean, "円", true)));
        put(out, "</td><td>");
        out->append(cell(2, percent_of(values[2].real, 1)));
        put(out, "</td><td>");
        const std::int64_t even = values[3].whole;
        if (even == 0) {
            put(out, "なし");
        } else {
            out->append("1/" + cell(3, amount(even, "")) + (even == max_x ? "以上" : ""));
        }
        put(out, "</td></tr>\n");
    }
    put(out, "</table>\n");
}

// The table of the total profit over many days: the mean, the chance of a gain, and the 5 % and
// 95 % of the total, the amounts in ten thousands of yen with one decimal, so that five columns
// fit a phone even at tens of millions of yen.
void put_visits_table(std::string* out, const PageFigures& f) {
    constexpr std::size_t columns = 6;
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_visits);
    put(out,
        "<table class=\"compact\" id=\"visits-table\">\n<caption>合計収支（万円）</caption>\n"
        "<tr><th>日数</th><th>期待収支</th><th>プラスの確率</th><th>悪い方5%</th><th>良い方5%</th>"
        "</tr>\n");
    for (std::size_t row = 0; row * columns < cells.size(); ++row) {
        const FigureValue* values = &cells[row * columns];
        put(out, "<tr><td>");
        out->append(figure_cell(I::plan_visits, row, 0, amount(values[0].whole, "日")));
        for (const std::size_t column :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}}) {
            put(out, "</td><td");
            if (column == 2) {
                put(out, ">");
                out->append(figure_cell(I::plan_visits, row, 2, percent_of(values[2].real, 1)));
                continue;
            }
            const double total =
                column == 1 ? values[1].real : static_cast<double>(values[column].whole);
            const std::int64_t tenths = round_half_away(total / 1000.0);
            put(out, " class=\"");
            put(out, profit_class(tenths));
            put(out, "\">");
            std::string text = tenths > 0 ? "+" : "";
            append_fixed(&text, tenths, 1, false);
            out->append(figure_cell_scaled(I::plan_visits, row, column, text, "0.0001"));
        }
        put(out, "</td></tr>\n");
    }
    put(out, "</table>\n");
}

// The row of the visits table for `days` days, or null.
const FigureValue* visit_row(const PageFigures& f, std::int64_t days, std::size_t* row) {
    constexpr std::size_t columns = 6;
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_visits);
    for (*row = 0; *row * columns < cells.size(); ++*row) {
        if (cells[*row * columns].whole == days) return &cells[*row * columns];
    }
    return nullptr;
}

/* ------------------------------- a budget and a target ------------------------------- */

constexpr std::size_t plan_columns = 6;  // a row of plan.budget_target
constexpr std::size_t budget_count = std::size(plan_budgets);
constexpr std::size_t target_count = std::size(plan_targets);

// The row of plan.budget_target for the budget and the target at `b` and `t`.
std::size_t plan_row(std::size_t b, std::size_t t) {
    return b * target_count + t;
}

// A figure of the plans as the grids show it, to compare at the precision shown: the win
// probability in tenths of a percent, the mean in hundreds of yen.
std::int64_t shown_key(const FigureValue* row, std::size_t column) {
    return column == 3 ? round_half_away(row[3].real * 1000.0)
                       : round_half_away(row[2].real / 100.0);
}

// The row with the greatest figure in `column` at the precision shown; among equals the first in
// the table's order, budget by budget from the smallest and, within a budget, no target first.
std::size_t best_plan(const std::vector<FigureValue>& cells, std::size_t column) {
    std::size_t best = 0;
    for (std::size_t row = 1; row * plan_columns < cells.size(); ++row) {
        if (shown_key(&cells[row * plan_columns], column) >
            shown_key(&cells[best * plan_columns], column))
            best = row;
    }
    return best;
}

// Appends `part` (0 to 255) of a colour as two hexadecimal digits.
void put_hex(std::string* out, std::int64_t part) {
    const char digits[] = "0123456789abcdef";
    out->push_back(digits[(part >> 4) & 15]);
    out->push_back(digits[part & 15]);
}

// The background of a heat map's cell: white blended toward the colour `rgb` by `weight` (0 to
// 1), at most 60 %, so that the figure in the cell stays easy to read.
void put_heat(std::string* out, double weight, const int (&rgb)[3]) {
    const double w = 0.6 * std::min(1.0, std::max(0.0, weight));
    put(out, " style=\"background:#");
    for (const int part : rgb)
        put_hex(out, round_half_up(255.0 + (part - 255.0) * w));
    out->push_back('"');
}

// Okabe and Ito's blue and vermillion, as the rest of the page uses them.
constexpr int heat_blue[3] = {0, 114, 178};
constexpr int heat_vermillion[3] = {213, 94, 0};

// A grid of one figure of the plans as a heat map, budgets down and targets across, its best
// cell framed: the win probability in % (bluer the likelier), or the mean profit in thousands
// of yen (so that six columns fit a phone; blue a gain, vermillion a loss, deeper the larger).
void put_plan_grid(std::string* out, const PageFigures& f, std::size_t column, const char* title,
                   std::size_t best) {
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_budget_target);
    double largest = 0.0;  // the largest mean in size, for the shade of the mean's cells
    for (std::size_t row = 0; row * plan_columns < cells.size(); ++row)
        largest = std::max(largest, std::fabs(cells[row * plan_columns + 2].real));
    put(out, R"(<table class="plan-grid" id="plan-grid-)");
    put(out, column == 3 ? "win" : "mean");
    put(out, "\">\n<caption>");
    put(out, title);
    put(out, "</caption>\n<tr><th>予算＼目標</th>");
    for (const std::int64_t target : plan_targets) {
        put(out, "<th>");
        out->append(target_text(target));
        put(out, "</th>");
    }
    put(out, "</tr>\n");
    for (std::size_t b = 0; b < budget_count; ++b) {
        put(out, "<tr><th>");
        out->append(limit_text(plan_budgets[b], "なし"));
        put(out, "</th>");
        for (std::size_t t = 0; t < target_count; ++t) {
            const std::size_t row = plan_row(b, t);
            const FigureValue* values = &cells[row * plan_columns];
            put(out, row == best ? "<td class=\"best\"" : "<td");
            if (column == 2) {
                const std::int64_t thousands_tenths = shown_key(values, 2);
                put_heat(out, largest > 0.0 ? std::fabs(values[2].real) / largest : 0.0,
                         values[2].real < 0.0 ? heat_vermillion : heat_blue);
                put(out, ">");
                std::string text = thousands_tenths > 0 ? "+" : "";
                append_fixed(&text, thousands_tenths, 1, false);
                out->append(figure_cell_scaled(I::plan_budget_target, row, 2, text, "0.001"));
            } else {
                put_heat(out, values[3].real, heat_blue);
                put(out, ">");
                out->append(
                    figure_cell(I::plan_budget_target, row, 3, percent_of(values[3].real, 1)));
            }
            put(out, "</td>");
        }
        put(out, "</tr>\n");
    }
    put(out, "</table>\n");
}

// The budgets and targets against playing without either, and against not playing: what the
// best of each does to the mean and to the chance of winning, read off the table at these
// settings at the precision it shows, and the two grids.
void put_budget_target(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_budget_target);
    if (cells.size() != budget_count * target_count * plan_columns) return;
    const auto cell = [&](std::size_t row, std::size_t column, const std::string& text) {
        return figure_cell(I::plan_budget_target, row, column, text);
    };
    const auto mean_text = [&](std::size_t row) {
        return cell(row, 2, yen_of(cells[row * plan_columns + 2].real, true));
    };
    const auto win_text = [&](std::size_t row) {
        return cell(row, 3, percent_of(cells[row * plan_columns + 3].real, 1));
    };
    const auto words = [&](std::size_t row) {
        return plan_words(cells[row * plan_columns].whole, cells[row * plan_columns + 1].whole);
    };
    const auto key = [&](std::size_t row, std::size_t column) {
        return shown_key(&cells[row * plan_columns], column);
    };
    const auto yen = [&](std::size_t row) {
        return round_half_away(cells[row * plan_columns + 2].real);
    };
    const std::size_t free = plan_row(budget_count - 1, 0);  // no budget, no target
    const std::size_t best_win = best_plan(cells, 3);
    const std::size_t best_mean = best_plan(cells, 2);
    bool all_lose = true;
    for (std::size_t row = 0; row * plan_columns < cells.size(); ++row)
        all_lose = all_lose && yen(row) < 0;
    put(out,
        "<h2>予算と目標を決めて打つと</h2>\n<p>予算（使い切ったらやめる額）と目標（ボーナスの"
        "あと、換金すればその額以上勝っているならやめる額）を決めて、1日打った場合の正確な"
        "値です。どちらも決めずに打つと、期待収支は ");
    out->append(mean_text(free) + "、勝つ確率は " + win_text(free) + " です。");
    if (all_lose) {
        out->append("どの予算と目標でも期待収支はマイナスです。損が最も小さいのは " +
                    words(best_mean) + " の " + mean_text(best_mean) +
                    "ですが、打たなければ損は0円です。");
    } else if (key(best_mean, 2) == key(free, 2)) {
        put(out, "期待収支は、予算や目標を決めても表の桁（100円）では上がりません。");
    } else {
        out->append("期待収支が最も高いのは " + words(best_mean) + " の " + mean_text(best_mean) +
                    "（勝つ確率 " + win_text(best_mean) + "）です。");
    }
    if (key(best_win, 3) == key(free, 3)) {
        put(out, "勝つ確率は、予算や目標を決めても上がりません。");
    } else {
        out->append("勝つ確率が最も高いのは " + words(best_win) + " の " + win_text(best_win) +
                    "で、そのとき期待収支は " + mean_text(best_win));
        put(out, yen(best_win) < yen(free)   ? " に下がります。"
                 : yen(best_win) > yen(free) ? " に上がります。"
                                             : " のままです。");
    }
    const std::size_t tight = plan_row(0, 0);  // the smallest budget, no target
    out->append(
        "予算" + limit_text(plan_budgets[0], "") + "だけを決めた場合、予算を使い切って終わる日は " +
        cell(tight, 4, percent_of(cells[tight * plan_columns + 4].real, 1)) + "です。</p>\n");
    put(out, "<div class=\"pairs\">\n<div>");
    put_plan_grid(out, f, 3, "勝つ確率", best_win);
    put(out, "</div>\n<div>");
    put_plan_grid(out, f, 2, "期待収支（千円）", best_mean);
    put(out,
        "</div>\n</div>\n<p class=\"note\">枠は最も高い値（表の桁で同じなら予算の小さい方、"
        "次に目標なし・小さい目標）。色は濃いほど高い値（期待収支は青がプラス、朱がマイナス）。"
        "予算を使い切った日の収支は予算の全額のマイナスです。</p>\n");
}

/* ---------------------------------- the hours ---------------------------------- */

constexpr std::size_t spins_columns = 8;  // a row of plan.by_spins

constexpr std::size_t mid_columns = 6;  // a row of plan.by_spins_mid

// The fan of the profit of leaving after every 100th spin: the middle half and 90 % as bands,
// the median and the mean as lines, over the hours at the machine. The bands and the median are
// mid-quantiles: the nearest-rank ones jump a cash unit between one checkpoint and the next,
// which would draw exact figures as if they were noisy.
void put_hours_chart(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_by_spins);
    const std::vector<FigureValue>& mid = cells_of(f, I::plan_by_spins_mid);
    const std::size_t count = std::min(cells.size() / spins_columns, mid.size() / mid_columns);
    double low = 0.0;
    double high = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        low = std::min({low, mid[i * mid_columns + 1].real, cells[i * spins_columns + 1].real});
        high = std::max({high, mid[i * mid_columns + 5].real, cells[i * spins_columns + 1].real});
    }
    const double top = y_title_room;
    const double bottom = top + 240.0;
    std::int64_t y_step = 1;
    const Scale y = round_scale(static_cast<std::int64_t>(std::floor(low)),
                                static_cast<std::int64_t>(std::ceil(high)),
                                most_y_ticks(top, bottom), bottom, top, &y_step);
    const PlotArea area{left_edge(y, "収支（円）"), chart_width - 2.0 * chart_font, top, bottom};
    open_chart(out, "hours-fan", "やめる時間ごとの収支", area);
    put_y_axis(out, area, y, y_step, AxisSide::left, "収支（円）");
    const double last_hour = static_cast<double>(spin_cap) / spins_per_hour;
    const Scale x{0.0, last_hour, area.left, area.right};
    put_x_axis(out, area, x, 0, 1, 0.0, "時間（1時間＝800回転）");
    std::vector<double> xs(count);
    std::vector<double> lower(count);
    std::vector<double> upper(count);
    for (std::size_t i = 0; i < count; ++i)
        xs[i] = pixel(x, static_cast<double>(cells[i * spins_columns].whole) / spins_per_hour);
    const auto n = static_cast<std::int32_t>(count);
    const char* mid_path = figure_entries[static_cast<std::size_t>(I::plan_by_spins_mid)].path;
    const struct {
        std::size_t low, high;
        const char* css_class;
        const char* data;
    } bands[] = {
        {1, 5, "band-outer", R"(data-x="0" data-x-scale="0.00125" data-lower="1" data-upper="5")"},
        {2, 4, "band-inner", R"(data-x="0" data-x-scale="0.00125" data-lower="2" data-upper="4")"},
    };
    for (const auto& band : bands) {
        for (std::size_t i = 0; i < count; ++i) {
            lower[i] = pixel(y, mid[i * mid_columns + band.low].real);
            upper[i] = pixel(y, mid[i * mid_columns + band.high].real);
        }
        put_band(out, xs.data(), lower.data(), upper.data(), n, band.css_class,
                 drawn_from(mid_path, band.data));
    }
    for (std::size_t i = 0; i < count; ++i) {
        lower[i] = pixel(y, mid[i * mid_columns + 3].real);
        upper[i] = pixel(y, cells[i * spins_columns + 1].real);
    }
    put_polyline(out, xs.data(), lower.data(), n, "line-median",
                 drawn_from(mid_path, R"(data-x="0" data-x-scale="0.00125" data-y="3")"));
    put_polyline(out, xs.data(), upper.data(), n, "line-mean",
                 drawn_from(figure_entries[static_cast<std::size_t>(I::plan_by_spins)].path,
                            R"(data-x="0" data-x-scale="0.00125" data-y="1")"));
    close_chart(out,
                legend_key("band-outer", Swatch::box, "5〜95%") +
                    legend_key("band-inner", Swatch::box, "25〜75%") +
                    legend_key("line-median", Swatch::line, "中央値") +
                    legend_key("line-mean", Swatch::line, "期待収支"),
                "その時点でやめてメダルを換金した場合の収支です（それまでに1日が終わった回は"
                "その収支）。帯と中央値は、500円刻みの分布をなめらかにつないだ値です。");
}

// A table of leaving after 1 to 9 hours: the hours and the columns `shown` of plan.by_spins
// (two tables of at most three figures, so that each fits beside the fan or on a phone).
void put_hours_table(std::string* out, const std::vector<FigureValue>& cells, const char* id,
                     const char* headings, const std::vector<std::size_t>& shown) {
    put(out, R"(<table class="compact" id=")");
    put(out, id);
    put(out, "\">\n<tr><th>時間</th>");
    put(out, headings);
    put(out, "</tr>\n");
    for (std::int64_t hour = 1; hour * spins_per_hour <= spin_cap; ++hour) {
        const auto row = static_cast<std::size_t>(hour * spins_per_hour / plan_spin_step - 1);
        if ((row + 1) * spins_columns > cells.size()) break;
        const FigureValue* values = &cells[row * spins_columns];
        put(out, "<tr><td>");
        out->append(std::to_string(hour) + "時間");
        for (const std::size_t column : shown) {
            if (column == 2) {
                put(out, "</td><td>");
                out->append(figure_cell(I::plan_by_spins, row, 2, percent_of(values[2].real, 1)));
                continue;
            }
            const std::int64_t yen =
                column == 1 ? round_half_away(values[1].real) : values[column].whole;
            put(out, "</td><td class=\"");
            put(out, profit_class(yen));
            put(out, "\">");
            out->append(figure_cell(I::plan_by_spins, row, column, amount(yen, "円", true)));
        }
        put(out, "</td></tr>\n");
    }
    put(out, "</table>\n");
}

// The hours at the machine: leaving early against a whole day, the fan, and tables at 1 to 9
// hours. A day's rate an hour is shown only with the words that it holds for a whole day.
void put_hours(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& cells = cells_of(f, I::plan_by_spins);
    if (cells.empty()) return;
    put(out,
        "<h2>何時間打つと</h2>\n<p>途中でやめて換金した場合の収支です。1日打ち切った場合の"
        "1時間あたり ");
    out->append(
        figure(I::plan_hourly_profit, yen_of(real_of(f, I::plan_hourly_profit), true)) +
        "（1000回転あたり " +
        figure(I::exact_profit_per_1000_spins,
               yen_of(real_of(f, I::exact_profit_per_1000_spins), true)) +
        "）は1日の期待収支を平均の回転数で割った値で、途中でやめた場合には当てはまりません。"
        "</p>\n<div class=\"pairs\">\n<div>");
    put_hours_chart(out, f);
    put(out, "</div>\n<div>");
    put_hours_table(out, cells, "hours-table",
                    "<th>期待収支</th><th>勝つ確率</th><th>悪い方5%</th><th>良い方5%</th>",
                    {1, 2, 3, 7});
    put(out,
        "<p class=\"note\">悪い方5%・良い方5%は、20回に1回はそれより悪い・良い収支で終わる"
        "境目です。</p>\n");
    put(out, "</div>\n</div>\n");
}

}  // namespace

void put_plans(std::string* out, const PageFigures& f) {
    put_budget_target(out, f);
    put_hours(out, f);
    put(out, "<h2>ほかのホールでは、何日も通うと</h2>\n<div class=\"pairs\">\n");
    put(out,
        "<div><h3>換金率の違うホール</h3>\n<p>同じ台（確率Xと100%確率Yが同じ）を、換金率"
        "だけが違うホールで1日打った場合の正確な値です。太字があなたのホールです。</p>\n");
    put_exchange_table(out, f);
    put(out, "</div>\n<div><h3>何日も通うと</h3>\n<p id=\"month\">");
    std::size_t row = 0;
    const FigureValue* month = visit_row(f, 8, &row);
    if (month != nullptr) {
        put(out, "毎週末、月に8日打つと、その月の合計収支がプラスになる確率は ");
        out->append(figure_cell(I::plan_visits, row, 2, percent_of(month[2].real, 1)));
        put(out, "、悪い方から5%の月は ");
        out->append(figure_cell(I::plan_visits, row, 3, amount(month[3].whole, "円", true)));
        put(out, " 以下で終わります。");
    }
    put(out,
        "1日ごとの結果は互いに独立とし、1日の収支の正確な分布を日数分たたみ込んで求めました"
        "（正規分布の近似ではありません）。</p>\n");
    put_visits_table(out, f);
    put(out, "</div>\n</div>\n");
}
