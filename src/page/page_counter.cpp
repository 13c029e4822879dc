// page_counter.cpp - right after the verdict: what the machine's data counter says of its odds.
// With a reading, a sentence (where the odds lie with 90 % probability, the chance that the
// machine beats break-even, a day's figures averaged over the odds beside those at the player's
// X, and how usual the reading is at that X) and a chart of the odds' probabilities; with a
// faulty reading, what was wrong and what was read; with none, how to add one and how many spins
// it would take to tell.
//
// This unit's literals are UTF-8, the page's encoding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "platform/texts.h"
#include "rules/counter_values.h"
#include "rules/numbers.h"

namespace {

using I = FigureId;

constexpr std::size_t posterior_columns = 3;  // a row of counter.posterior

// Odds as the page shows a spin's odds: "1/246.4".
std::string odds_of(FigureId id, double odds) {
    return "1/" + figure(id, decimals_of(odds, 1));
}

// What was wrong with a faulty reading, and what was read.
std::string problem_text(const CounterReading& reading) {
    const std::string spins = page_texts::header_spins;
    const std::string bonuses = page_texts::header_bonuses;
    const std::string listed = page_texts::header_listed_x;
    const std::string fault = reading.fault;
    switch (reading.status) {
        case CounterStatus::spins_no_number:
            return spins + " の後に数字がありません。";
        case CounterStatus::spins_out_of_range:
            return spins + " の値 " + fault + " が " + amount(max_counted_spins, "") +
                   " を超えています。";
        case CounterStatus::bonuses_no_number:
            return bonuses + " の後に数字がありません。";
        case CounterStatus::bonuses_above_spins:
            return bonuses + " の値 " + (fault.empty() ? std::to_string(reading.bonuses) : fault) +
                   " が " + spins + " の値 " + std::to_string(reading.spins) + " を超えています。";
        case CounterStatus::spins_alone:
            return spins + " はありますが、" + bonuses + " がありません。";
        case CounterStatus::bonuses_alone:
            return bonuses + " はありますが、" + spins + " がありません。";
        case CounterStatus::listed_no_number:
            return listed + " の後に数字がありません。";
        case CounterStatus::listed_out_of_range:
            return listed + " の値 " + fault + " が100〜1000の範囲の外です。";
        case CounterStatus::listed_too_many:
            return listed + " の数字が" + std::to_string(max_listed_x) + "個より多くあります。";
        case CounterStatus::listed_alone:
            return listed + " はありますが、" + spins + " と " + bonuses + " がありません。";
        case CounterStatus::absent:
        case CounterStatus::valid:
            break;
    }
    return "";
}

// With no reading: how to add one, and how many counted spins would tell, 90 % sure, that the
// player's X beats break-even.
void put_counter_hint(std::string* out, const PageFigures& f) {
    put(out,
        "<p class=\"note\" id=\"counter-hint\">台のデータカウンターの総回転数とボーナス回数を ");
    put(out, page_texts::settings_file);
    put(out, " の最後に「");
    put(out, page_texts::header_spins);
    put(out, " 4000」「");
    put(out, page_texts::header_bonuses);
    put(out, " 14」のように書き足すと、この台の本当の確率がどのあたりかを計算します。");
    const std::int64_t tell = whole_of(f, I::exact_spins_to_tell);
    const std::int64_t even = whole_of(f, I::exact_break_even_x);
    if (tell > 0) {
        out->append("ボーナスがあなたの 1/" + amount(whole_of(f, I::x), "") +
                    " のとおりに出ていても、損益分岐（1/" + amount(even, "") +
                    "）より良い台だと90%確かめるには、およそ " +
                    figure(I::exact_spins_to_tell, amount(tell, "回転")) + "の記録が要ります。");
    } else if (even != 0 && even != max_x) {
        put(out,
            "ただし、あなたの確率が損益分岐より悪い台では、記録が損益分岐より良いと示すことは"
            "ありません。");
    }
    put(out, "</p>\n");
}

// A probability in % as the chart's labels show it, with `decimals`.
std::string percent_label(double percent, int decimals) {
    return decimals_of(percent, decimals) + "%";
}

// The chart of the posterior: the probability of each odds, with the player's odds and the
// break-even's marked.
void put_posterior_chart(std::string* out, const PageFigures& f) {
    const std::vector<FigureValue>& rows = cells_of(f, I::counter_posterior);
    const std::size_t count = rows.size() / posterior_columns;
    if (count == 0) return;
    double least = rows[1].real;
    double most = least;
    double highest = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        least = std::min(least, rows[i * posterior_columns + 1].real);
        most = std::max(most, rows[i * posterior_columns + 1].real);
        highest = std::max(highest, rows[i * posterior_columns + 2].real * 100.0);
    }
    const double player = real_of(f, I::exact_player_odds);
    const double even = real_of(f, I::exact_break_even_odds);
    least = std::min(least, player);
    most = std::max(most, player);
    if (even > 0.0) {
        least = std::min(least, even);
        most = std::max(most, even);
    }
    if (most - least < 2.0) {  // a listed single X: some room either side
        least -= 1.0;
        most += 1.0;
    }
    // The probability axis in % from 0, a round step with the decimals it needs.
    const std::int64_t step_thousandths =
        tick_step(static_cast<std::int64_t>(highest * 1000.0) + 1, 4);
    const int decimals = step_thousandths >= 1000  ? 0
                         : step_thousandths >= 100 ? 1
                         : step_thousandths >= 10  ? 2
                                                   : 3;
    const double step = static_cast<double>(step_thousandths) / 1000.0;
    const double top_value =
        step * static_cast<double>(static_cast<std::int64_t>(highest / step) + 1);
    const double top = marked_plot_top;
    const double bottom = top + 160.0;
    const Scale y{0.0, top_value, bottom, top};
    std::vector<double> ticks;
    std::vector<std::string> labels;
    const std::int64_t tick_count = round_half_up(top_value / step) + 1;
    for (std::int64_t i = 0; i < tick_count; ++i) {
        ticks.push_back(step * static_cast<double>(i));
        labels.push_back(percent_label(ticks.back(), decimals));
    }
    std::vector<const char*> label_texts;
    double widest = 0.0;
    for (const std::string& label : labels) {
        label_texts.push_back(label.c_str());
        widest = std::max(widest, text_width(label));
    }
    const char* const title = "確率";
    const PlotArea area{std::max(widest + 16.0, text_width(title) + chart_font),
                        chart_width - text_width("1,000") / 2.0 - 4.0, top, bottom,
                        marker_rows * marker_row_height};
    open_chart(out, "counter-odds", "データカウンターから見た台の確率", area);
    put_y_ticks(out, area, y, ticks.data(), label_texts.data(), static_cast<int>(ticks.size()),
                AxisSide::left, title);
    const Scale x{least, most, area.left, area.right};
    const std::int64_t x_step = label_step(x);
    put_x_axis(out, area, x, round_to_step(static_cast<std::int64_t>(least) + 1, x_step, true),
               x_step, 0.0, "確率（1/X）");
    std::vector<double> xs(count);
    std::vector<double> ys(count);
    for (std::size_t i = 0; i < count; ++i) {
        xs[i] = pixel(x, rows[i * posterior_columns + 1].real);
        ys[i] = pixel(y, rows[i * posterior_columns + 2].real * 100.0);
    }
    const auto n = static_cast<std::int32_t>(count);
    const std::string data =
        drawn_from("counter.posterior", R"(data-x="1" data-y="2" data-y-scale="100")");
    // The machine's listed settings as dots; every T of the range as a line.
    const bool listed = !cells_of(f, I::counter_listed_x).empty();
    if (listed) {
        put_dots(out, xs.data(), ys.data(), n, "dot-theory", data);
    } else {
        put_polyline(out, xs.data(), ys.data(), n, "line-mean-profit", data);
    }
    std::string keys = legend_key(listed ? "dot-theory" : "line-mean-profit",
                                  listed ? Swatch::dot : Swatch::line, "その確率である確率");
    Marker markers[2];
    int marked = 0;
    markers[marked++] = Marker{pixel(x, player), "mark-player", "あなた", "exact.player_odds"};
    keys += legend_key("mark-player", Swatch::line, "あなたの設定");
    if (even > 0.0) {
        markers[marked++] =
            Marker{pixel(x, even), "mark-break-even", "損益分岐", "exact.break_even_odds"};
        keys += legend_key("mark-break-even", Swatch::line, "損益分岐");
    }
    put_markers(out, area, markers, marked);
    close_chart(out, keys);
}

// With a reading: where the odds lie, whether the machine beats break-even, a day's figures over
// the odds and at the player's X, and how usual the reading is at that X.
void put_counter_reading(std::string* out, const PageFigures& f) {
    const CounterReading& reading = *f.counter;
    const double mean = real_of(f, I::counter_profit_mean);
    const double player_mean = real_of(f, I::exact_profit_mean);
    put(out, "<h2>データカウンターから見ると</h2>\n<p id=\"counter-sentence\">");
    out->append(figure(I::counter_spins, amount(reading.spins, "回転")) + "でボーナス " +
                figure(I::counter_bonuses, amount(reading.bonuses, "回")) +
                "：この台の確率は、90%の確率で " +
                odds_of(I::counter_odds_p05, real_of(f, I::counter_odds_p05)) + "〜" +
                odds_of(I::counter_odds_p95, real_of(f, I::counter_odds_p95)) + " の間です（中央 " +
                odds_of(I::counter_odds_p50, real_of(f, I::counter_odds_p50)) + "）。");
    const std::int64_t even = whole_of(f, I::exact_break_even_x);
    if (even != 0 && even != max_x) {
        out->append("損益分岐（1/" + amount(even, "") + "）より良い台である確率は " +
                    figure(I::counter_beats_break_even,
                           percent_of(real_of(f, I::counter_beats_break_even), 1)) +
                    "です。");
    }
    out->append(
        "この確率で平均すると、1日の期待収支は <strong class=\"" +
        std::string(profit_class(round_half_away(mean))) + "\">" +
        figure(I::counter_profit_mean, yen_of(mean, true)) + "</strong>、勝つ確率は " +
        figure(I::counter_win_probability, percent_of(real_of(f, I::counter_win_probability), 1)) +
        "（あなたの 1/" + amount(whole_of(f, I::x), "") + " なら " +
        figure(I::exact_profit_mean, yen_of(player_mean, true)) + "）。あなたの 1/" +
        amount(whole_of(f, I::x), "") + " の台で、これ以上に偏ったボーナス回数が出る確率は " +
        figure(I::counter_consistency, percent_of(real_of(f, I::counter_consistency), 1)) +
        "です。");
    if (reading.listed_count > 0) {
        put(out, "台の設定表の ");
        out->append(std::to_string(reading.listed_count) +
                    "個の確率を、記録を見る前はどれも同じくらいありそうとして計算しています。");
    } else {
        put(out,
            "設定表がないので、記録を見る前は 1/100〜1/1000 のどの確率も同じくらいありそうと"
            "して計算しています（台の設定の確率を ");
        put(out, page_texts::header_listed_x);
        put(out, " に書き足すと、その中から選びます）。");
    }
    put(out, "</p>\n");
    put_posterior_chart(out, f);
}

}  // namespace

void put_counter(std::string* out, const PageFigures& f) {
    const CounterReading& reading = *f.counter;
    if (reading.status == CounterStatus::valid) {
        put_counter_reading(out, f);
    } else if (reading.status == CounterStatus::absent) {
        put_counter_hint(out, f);
    } else {
        put(out,
            "<p class=\"warning\" id=\"counter-problem\">データカウンターの数字を読めません"
            "でした：");
        out->append(problem_text(reading));
        put(out, "この台の確率の推定は省きました。");
        put(out, page_texts::settings_file);
        put(out, " を直して、もう一度実行して下さい。</p>\n");
    }
}
