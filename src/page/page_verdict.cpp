// page_verdict.cpp - the page's first screen: the title, the settings, and the verdict. One
// sentence says whether the machine pays at this hall, coloured by its sign; four figures decide
// a visit (a day's mean profit, the chance of a win, the cash for 19 days in 20, the margin to
// break-even); one line says what leaving early brings, since a day's rate an hour holds only for
// a whole day.
//
// This unit's literals are UTF-8, the page's encoding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "exact/plan.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "rules/counter_values.h"
#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

using I = FigureId;

constexpr std::size_t odds_columns = 3;   // a row of exact.by_odds and exact.by_odds_close
constexpr std::size_t spins_columns = 8;  // a row of plan.by_spins
constexpr std::size_t plan_columns = 6;   // a row of plan.budget_target

// The title and the settings the page is about.
void put_title(std::string* out, const PageFigures& f) {
    put(out, "<h1>Quorvantelmix 収支レポート</h1>\n<ul class=\"settings\">\n<li>確率 1/");
    append_integer(out, whole_of(f, I::x));
    put(out, "</li>\n<li>100%確率 ");
    append_shortest_float(out, static_cast<float>(real_of(f, I::y)));
    put(out, "</li>\n<li>換金率 ");
    append_integer(out, whole_of(f, I::z));
    put(out, "枚で100円</li>\n<li>当選確率 ");
    append_integer(out, whole_of(f, I::t) + 1);
    put(out, "/32768</li>\n<li>1回転の損失 ");
    // Four significant figures: L lies from 0.5 to 3.
    const double loss = real_of(f, I::l);
    const int decimals = loss < 1.0 ? 4 : 3;
    std::string text;
    append_fixed(&text, round_half_up(loss * (decimals == 4 ? 1e4 : 1e3)), decimals, false);
    out->append(figure(I::l, text + "枚"));
    put(out, "</li>\n</ul>\n");
}

// A day's mean profit at the odds 1/`x`, as the figure of its row in the list `id` of odds, or
// "" where the list has no such row.
std::string profit_at(const PageFigures& f, FigureId id, std::int64_t x) {
    const std::vector<FigureValue>& rows = cells_of(f, id);
    for (std::size_t row = 0; row * odds_columns < rows.size(); ++row) {
        if (rows[row * odds_columns].whole == x) {
            return figure_cell(id, row, 1, yen_of(rows[row * odds_columns + 1].real, true));
        }
    }
    return "";
}

// The way of playing on the page with the greatest mean, if any has a mean of a yen or more:
// "予算1万円・目標+1万円なら +120円". Empty where every one loses (or breaks even) on average.
std::string paying_plan(const PageFigures& f) {
    const std::vector<FigureValue>& plans = cells_of(f, I::plan_budget_target);
    const std::vector<FigureValue>& leaving = cells_of(f, I::plan_by_spins);
    std::int64_t best = 0;
    std::string words;
    for (std::size_t row = 0; row * plan_columns < plans.size(); ++row) {
        const FigureValue* values = &plans[row * plan_columns];
        const std::int64_t mean = round_half_away(values[2].real);
        if (mean <= best) continue;
        best = mean;
        words = plan_words(values[0].whole, values[1].whole) + "なら " +
                figure_cell(I::plan_budget_target, row, 2, amount(mean, "円", true));
    }
    for (std::size_t row = 0; row * spins_columns < leaving.size(); ++row) {
        const FigureValue* values = &leaving[row * spins_columns];
        const std::int64_t mean = round_half_away(values[1].real);
        if (mean <= best) continue;
        best = mean;
        words = amount(values[0].whole, "回転") + "でやめるなら " +
                figure_cell(I::plan_by_spins, row, 1, amount(mean, "円", true));
    }
    return words;
}

// The verdict in one sentence, coloured by the sign of a day's mean profit.
void put_verdict_sentence(std::string* out, const PageFigures& f) {
    const double mean = real_of(f, I::exact_profit_mean);
    const std::int64_t yen = round_half_away(mean);
    const std::string hall =
        "換金率 " + amount(whole_of(f, I::z), "枚") + "100円のこのホールでは、";
    const std::string figure_text = figure(I::exact_profit_mean, yen_of(mean, true));
    put(out, "<p class=\"verdict");
    put(out, yen > 0 ? " win" : yen < 0 ? " loss" : "");
    put(out, "\">");
    if (yen > 0) {
        out->append(hall + "この台は平均で勝てます：1日打つと平均 " + figure_text + "。");
    } else if (yen == 0) {
        out->append(hall + "この台は1日打っても平均で損も得もしません（" + figure_text + "）。");
    } else {
        out->append(hall + "この台は平均で負けます：1日打つと平均 " + figure_text + "。");
        const std::string plan = paying_plan(f);
        if (plan.empty()) {
            put(out,
                "予算・目標・やめる時間をどう決めても平均はプラスにならず、打たないのが最善です"
                "（打たなければ損は0円）。");
        } else {
            out->append("このページの打ち方では、" + plan + "と平均がプラスになります。");
        }
    }
    if (f.counter != nullptr && f.counter->status == CounterStatus::valid) {
        out->append("（入力した確率 1/" + amount(whole_of(f, I::x), "") +
                    " での判定です。データカウンターから見た判定はすぐ下に。）");
    }
    put(out, "</p>\n");
}

// The margin to break-even: how much likelier the player's odds win a spin than the break-even's,
// and a day's mean at the break-even and just past it.
void put_break_even_card(std::string* out, const PageFigures& f) {
    const std::int64_t x = whole_of(f, I::x);
    const std::int64_t even = whole_of(f, I::exact_break_even_x);
    if (even == 0) {
        put_card(out, "損益分岐", "なし",
                 "最も甘い確率 1/" + amount(min_x, "") + " の台でも1日 " +
                     profit_at(f, I::exact_by_odds, min_x) + "。どの設定でも負けます。",
                 "loss");
        return;
    }
    if (even == max_x) {
        put_card(out, "損益分岐", "なし",
                 "最も辛い確率 1/" + amount(max_x, "") + " の台でも1日 " +
                     profit_at(f, I::exact_by_odds, max_x) + "。どの設定でも勝てます。",
                 "win");
        return;
    }
    const double margin = real_of(f, I::exact_break_even_margin);
    const std::int64_t tenths = round_half_away(margin * 1000.0);
    std::string value = tenths > 0 ? "+" : tenths == 0 ? "±" : "";
    append_fixed(&value, tenths, 1, false);
    const std::string note = "あなたの 1/" + figure(I::x, amount(x, "")) + " は損益分岐 1/" +
                             figure(I::exact_break_even_x, amount(even, "")) + " より当選確率が" +
                             (tenths >= 0 ? "高い" : "低い") + "台です。1/" + amount(even, "") +
                             " なら1日 " + profit_at(f, I::exact_by_odds_close, even) + "、1/" +
                             amount(even + 1, "") + " なら " +
                             profit_at(f, I::exact_by_odds_close, even + 1) + "。";
    put_card(out, "損益分岐まで", figure(I::exact_break_even_margin, value + "%"), note,
             tenths > 0   ? "win"
             : tenths < 0 ? "loss"
                          : "");
}

// The four figures that decide a visit.
void put_verdict_figures(std::string* out, const PageFigures& f) {
    const double mean = real_of(f, I::exact_profit_mean);
    const auto yen = [&f](I id) { return figure(id, amount(whole_of(f, id), "円")); };
    put(out, "<div class=\"figures\">\n");
    put_card(out, "1日の期待収支", figure(I::exact_profit_mean, yen_of(mean, true)),
             "換金額から投資額を引いた収支の平均。", profit_class(round_half_away(mean)));
    put_card(out, "勝つ確率",
             figure(I::exact_win_probability, percent_of(real_of(f, I::exact_win_probability), 1)),
             "収支がプラスで終わる日の割合。");
    // On a machine that loses, the cash is for a player who plays all the same.
    put_card(out, round_half_away(mean) < 0 ? "打つなら用意する現金" : "用意する現金",
             yen(I::exact_money_paid_p95),
             "20日に19日はこれで足ります。100日に99日なら " + yen(I::exact_money_paid_p99) + "。");
    put_break_even_card(out, f);
    put(out, "</div>\n");
}

// What leaving after 1 and 3 hours brings against a whole day, and a day's rate an hour with
// the words that it holds for a whole day alone.
void put_leaving_line(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& rows = cells_of(f, I::plan_by_spins);
    const auto at_hours = [&](std::int64_t hours) {
        const auto row = static_cast<std::size_t>(hours * spins_per_hour / plan_spin_step - 1);
        if ((row + 1) * spins_columns > rows.size()) return std::string("—");
        const std::int64_t mean = round_half_away(rows[row * spins_columns + 1].real);
        return "<strong class=\"" + std::string(profit_class(mean)) + "\">" +
               figure_cell(I::plan_by_spins, row, 1, amount(mean, "円", true)) + "</strong>";
    };
    const double mean = real_of(f, I::exact_profit_mean);
    const double hourly = real_of(f, I::plan_hourly_profit);
    put(out, "<p class=\"hours-line\">途中でやめると平均：1時間で ");
    out->append(at_hours(1) + "、3時間で " + at_hours(3) + "、1日打ち切ると <strong class=\"" +
                profit_class(round_half_away(mean)) + "\">" +
                figure(I::exact_profit_mean, yen_of(mean, true)) + "</strong>。1時間あたり " +
                figure(I::plan_hourly_profit, yen_of(hourly, true)) +
                " は1日打ち切った場合の平均で、短い時間には当てはまりません。</p>\n");
}

}  // namespace

void put_verdict(std::string* out, const PageFigures& f) {
    put_title(out, f);
    put_verdict_sentence(out, f);
    put_verdict_figures(out, f);
    put_leaving_line(out, f);
}
