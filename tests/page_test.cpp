// page_test.cpp - the report page: its figures recomputed independently from the results file
// and from the step-by-step model, every figure it shows read back against its data, its bytes
// against the checked-in golden pages (the same under Wine), what it may hold, and the pages of
// runs without results.
#include "page/page.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "exact/exact_figures.h"
#include "model.h"
#include "page/page_figures.h"
#include "run/run.h"
#include "sample/sample_figures.h"
#include "test_files.h"

#if !defined(_WIN32)
#include <iconv.h>
#endif

namespace {

using nlohmann::json;

// A run played as the program plays it: the results file's bytes, the statistics and the page.
struct PlayedRun {
    std::string results;
    std::unique_ptr<SampleFigures> statistics;
    std::unique_ptr<ExactFigures> exact;
    std::string page;
};

PlayedRun play_run(std::uint32_t seed, const Settings& settings) {
    PlayedRun run;
    const auto record = std::make_unique<RunRecord>();
    run.results = bytes_written_by([&](std::FILE* stream) {
        write_results(stream, seed, settings, widest_lane_unit(detect_lane_units()), record.get());
    });
    run.statistics = std::make_unique<SampleFigures>();
    compute_sample_figures(*record, run.statistics.get());
    run.exact = std::make_unique<ExactFigures>();
    compute_exact_figures(record->rules, settings.X, run.exact.get());
    run.page = report_page(*run.statistics, *run.exact);
    return run;
}

// The JSON object that the page carries.
json page_data(const std::string& page) {
    const std::string start = "<script type=\"application/json\" id=\"quorvantelmix-data\">";
    const std::size_t begin = page.find(start);
    const std::size_t end = page.find("</script>", begin);
    if (begin == std::string::npos || end == std::string::npos) return json();
    return json::parse(page.substr(begin + start.size(), end - begin - start.size()));
}

// One trial as its line in the results file tells it.
struct TrialLine {
    std::int64_t bonuses = 0, medals = 0, money = 0, cash = 0;
    std::vector<std::int64_t> entries;
};

// The trial lines of a results file (lines 2 to 1001), read with the C library: the numbers are
// the tokens that start with a digit or a minus sign, the units follow them without a space.
std::vector<TrialLine> trial_lines(const std::string& results) {
    std::vector<TrialLine> trials;
    std::size_t start = results.find("\r\n") + 2;
    for (int i = 0; i < 1000; ++i) {
        const std::size_t end = results.find("\r\n", start);
        const std::string line = results.substr(start, end - start);
        start = end + 2;
        std::vector<std::int64_t> numbers;
        const char* p = line.c_str();
        while (*p != '\0') {
            char* after = nullptr;
            const long long number = std::strtoll(p, &after, 10);
            if (after == p) {
                ++p;
            } else {
                numbers.push_back(number);
                p = after;
            }
        }
        TrialLine trial;
        trial.bonuses = numbers.at(0);
        trial.medals = numbers.at(1);
        trial.money = numbers.at(2);
        trial.cash = numbers.at(3);
        trial.entries.assign(numbers.begin() + 4, numbers.end());
        trials.push_back(trial);
    }
    return trials;
}

// The value of nearest rank ceil(p * n) in `values`, p given in thousandths.
std::int64_t nearest_rank(std::vector<std::int64_t> values, int permille) {
    std::sort(values.begin(), values.end());
    const std::size_t rank = (static_cast<std::size_t>(permille) * values.size() + 999) / 1000;
    return values.at(rank - 1);
}

// `value` rounded to a whole number, halves upward.
std::int64_t rounded(double value) {
    return static_cast<std::int64_t>(std::floor(value + 0.5));
}

// Checks every figure of the page's JSON against the same figure worked out here from the
// results file's lines and the step-by-step model's trials.
void check_figures(std::uint32_t seed, const Settings& settings) {
    const PlayedRun run = play_run(seed, settings);
    const json data = page_data(run.page);
    const std::vector<TrialLine> trials = trial_lines(run.results);
    const TrialRules rules = trial_rules(settings);

    std::vector<std::int64_t> profit, paid, longest;
    std::int64_t bonuses = 0, medals = 0, losing_spins = 0, wins = 0;
    for (const TrialLine& t : trials) {
        profit.push_back(t.cash + t.money);
        paid.push_back(-t.money);
        std::int64_t spins = 0, run_length = 0;
        for (const std::int64_t e : t.entries) {
            spins += e > 0 ? e : -e - 1;
            run_length = std::max(run_length, e > 0 ? e : -e - 1);
        }
        longest.push_back(run_length);
        bonuses += t.bonuses;
        medals += t.medals;
        losing_spins += spins - t.bonuses;
        wins += t.cash + t.money > 0 ? 1 : 0;
    }
    std::int64_t total = 0;
    for (const std::int64_t p : profit)
        total += p;

    EXPECT_EQ(data["seed"], seed);
    EXPECT_EQ(data["X"], settings.X);
    EXPECT_EQ(data["Y"].get<float>(), settings.Y);
    EXPECT_EQ(data["L"].get<float>(), rules.loss_per_spin);
    EXPECT_EQ(data["Z"], settings.Z);
    EXPECT_EQ(data["T"], 32767 / settings.X);
    EXPECT_EQ(data["trials"], 1000);
    // The averages, as the last line of the results file shows them.
    const std::string last_line =
        run.results.substr(run.results.rfind("\r\n", run.results.size() - 3) + 2);
    long long line_bonuses = 0, line_medals = 0, line_profit = 0;
    ASSERT_EQ(std::sscanf(last_line.c_str(), "%lld%*2c %lld%*2c %lld", &line_bonuses, &line_medals,
                          &line_profit),
              3);
    EXPECT_EQ(data["average"]["bonuses"], line_bonuses);
    EXPECT_EQ(data["average"]["medals"], line_medals);
    EXPECT_EQ(data["average"]["profit"], line_profit);
    EXPECT_EQ(line_bonuses, bonuses / 1000);
    EXPECT_EQ(line_profit, total / 1000);

    EXPECT_EQ(data["wins"], wins);
    const json& p = data["profit"];
    EXPECT_EQ(std::llround(p["mean"].get<double>() * 1000.0), total);
    const double mean = static_cast<double>(total) / 1000.0;
    double squares = 0.0;
    for (const std::int64_t v : profit)
        squares += (static_cast<double>(v) - mean) * (static_cast<double>(v) - mean);
    const double half_width = 1.96 * std::sqrt(squares / 999.0) / std::sqrt(1000.0);
    EXPECT_EQ(p["ci95"][0], rounded(mean - half_width));
    EXPECT_EQ(p["ci95"][1], rounded(mean + half_width));
    EXPECT_EQ(p["min"], *std::min_element(profit.begin(), profit.end()));
    EXPECT_EQ(p["p05"], nearest_rank(profit, 50));
    EXPECT_EQ(p["p25"], nearest_rank(profit, 250));
    EXPECT_EQ(p["p50"], nearest_rank(profit, 500));
    EXPECT_EQ(p["p75"], nearest_rank(profit, 750));
    EXPECT_EQ(p["p95"], nearest_rank(profit, 950));
    EXPECT_EQ(p["max"], *std::max_element(profit.begin(), profit.end()));
    EXPECT_EQ(data["money_paid"]["p50"], nearest_rank(paid, 500));
    EXPECT_EQ(data["money_paid"]["p95"], nearest_rank(paid, 950));
    EXPECT_EQ(data["money_paid"]["max"], *std::max_element(paid.begin(), paid.end()));
    EXPECT_EQ(data["longest_without_bonus"]["p50"], nearest_rank(longest, 500));
    EXPECT_EQ(data["longest_without_bonus"]["max"],
              *std::max_element(longest.begin(), longest.end()));
    // The Wilson interval: the rates p whose (p - rate)^2 <= z^2 p (1 - p) / n, found by
    // solving the quadratic.
    const double rate = static_cast<double>(wins) / 1000.0, z2 = 1.96 * 1.96, n = 1000.0;
    const double a = 1.0 + z2 / n, b = -(2.0 * rate + z2 / n), c = rate * rate;
    const double root = std::sqrt(b * b - 4.0 * a * c);
    EXPECT_NEAR(data["wins_ci95"][0].get<double>(), (-b - root) / (2.0 * a), 5.1e-7);
    EXPECT_NEAR(data["wins_ci95"][1].get<double>(), (-b + root) / (2.0 * a), 5.1e-7);

    // The payout rates to six decimals.
    const double loss = rules.loss_per_spin;
    const double theoretical =
        360.0 * (rules.hit_threshold + 1) / (loss * (32767 - rules.hit_threshold));
    const double simulated =
        360.0 * static_cast<double>(bonuses) / (loss * static_cast<double>(losing_spins));
    EXPECT_NEAR(data["payout"]["theoretical"].get<double>(), theoretical, 5.1e-7);
    EXPECT_NEAR(data["payout"]["simulated"].get<double>(), simulated, 5.1e-7);

    // The histogram: 20 to 40 bins of a round width that count every trial in its own bin.
    const json& histogram = data["histogram"];
    const std::int64_t width = histogram["bin_width"];
    const std::size_t bins = histogram["bins"].size();
    EXPECT_GE(bins, 20u);
    EXPECT_LE(bins, 40u);
    EXPECT_TRUE(width % 500 == 0 || width * settings.Z % 36000 == 0) << width;
    std::vector<std::int64_t> counts(bins);
    const std::int64_t first_edge = histogram["bins"][0][0];
    for (const std::int64_t v : profit) {
        const std::int64_t bin = (v - first_edge) / width;
        ASSERT_TRUE(v >= first_edge && bin < static_cast<std::int64_t>(bins)) << v;
        ++counts[static_cast<std::size_t>(bin)];
    }
    for (std::size_t i = 0; i < bins; ++i) {
        EXPECT_EQ(histogram["bins"][i][0], first_edge + static_cast<std::int64_t>(i) * width);
        EXPECT_EQ(histogram["bins"][i][1], counts[i]);
    }

    // The slump graph, from the model's trials of the same run.
    const std::vector<Figures> model = model_run(seed, rules);
    const json& slump = data["slump"];
    EXPECT_EQ(slump["step"], 100);
    for (std::size_t point = 0; point < 71; ++point) {
        std::vector<std::int64_t> values;
        for (const Figures& f : model)
            values.push_back(f.slump.at(point));
        EXPECT_EQ(slump["p05"][point], nearest_rank(values, 50)) << point;
        EXPECT_EQ(slump["p25"][point], nearest_rank(values, 250)) << point;
        EXPECT_EQ(slump["p50"][point], nearest_rank(values, 500)) << point;
        EXPECT_EQ(slump["p75"][point], nearest_rank(values, 750)) << point;
        EXPECT_EQ(slump["p95"][point], nearest_rank(values, 950)) << point;
    }
    // The three trials, the earliest of equal profits.
    const auto best = std::max_element(profit.begin(), profit.end()) - profit.begin();
    const auto worst = std::min_element(profit.begin(), profit.end()) - profit.begin();
    const auto median =
        std::find(profit.begin(), profit.end(), nearest_rank(profit, 500)) - profit.begin();
    EXPECT_EQ(slump["best"].get<std::vector<std::int32_t>>(),
              model.at(static_cast<std::size_t>(best)).slump);
    EXPECT_EQ(slump["worst"].get<std::vector<std::int32_t>>(),
              model.at(static_cast<std::size_t>(worst)).slump);
    EXPECT_EQ(slump["median_trial"].get<std::vector<std::int32_t>>(),
              model.at(static_cast<std::size_t>(median)).slump);
}

TEST(ReportPage, FiguresMatchARecomputationFromTheResultsFileAndTheModel) {
    const struct {
        std::uint32_t seed;
        Settings settings;
    } runs[] = {
        {12345, {240, 260.0f, 7}},  // 129 trials at the cap
        {1, {1000, 720.0f, 10}},    // rare bonuses: many caps, small losses
        {7, {100, 120.0f, 5}},      // frequent bonuses, the dearest spins
        {3, {1000, 120.0f, 5}},     // steady losses
        {0xFFFFFFFFu, {523, 333.3f, 8}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed << ", X=" << run.settings.X);
        check_figures(run.seed, run.settings);
    }
}

// Every figure of `page` that carries a JSON path (data-json, times data-scale), read back from
// its text: it must be the JSON value rounded to the decimals shown, halves away from zero.
// Returns how many figures it checked.
int check_figures_shown(const std::string& page) {
    const json data = page_data(page);
    const std::string tag = "class=\"nb\" data-json=\"";
    int checked = 0;
    for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1)) {
        // data-json="path" data-scale="scale">text<
        const std::size_t path_end = page.find('"', at + tag.size());
        const std::string path = page.substr(at + tag.size(), path_end - at - tag.size());
        const std::size_t text_start = page.find('>', path_end) + 1;
        const std::string attributes = page.substr(path_end, text_start - path_end);
        const std::size_t scale_at = attributes.find("data-scale=\"");
        const double scale =
            scale_at == std::string::npos ? 1.0 : std::stod(attributes.substr(scale_at + 12));
        std::string text = page.substr(text_start, page.find('<', text_start) - text_start);
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        json value = data;
        std::stringstream keys(path);
        for (std::string key; std::getline(keys, key, '.');)
            value = value.is_array() ? value.at(std::stoul(key)) : value.at(key);
        // The first number of the text, and its decimals.
        const std::size_t number_at = text.find_first_of("+-0123456789");
        std::size_t length = 0;
        const double shown = std::stod(text.substr(number_at), &length);
        const std::size_t point = text.substr(number_at, length).find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(length - point - 1);
        const double unit = std::pow(10.0, decimals);
        EXPECT_EQ(std::llround(shown * unit), std::llround(value.get<double>() * scale * unit))
            << path << " shows " << text << " for " << value;
        ++checked;
    }
    return checked;
}

TEST(FigureTable, EachEntryStandsAtItsIdAndEachObjectIsWrittenOnce) {
    // An entry out of place would tie a card to another figure's path; an object's entries
    // apart would write its key twice, which JSON readers take the last of.
    std::vector<std::string> closed;  // the objects left behind
    std::string open;
    for (std::int32_t i = 0; i < figure_count; ++i) {
        EXPECT_EQ(static_cast<std::int32_t>(figure_entries[i].id), i) << figure_entries[i].path;
        const std::string path = figure_entries[i].path;
        const std::string object = path.substr(0, path.find('.'));
        if (object == open) continue;
        EXPECT_EQ(std::count(closed.begin(), closed.end(), object), 0) << object;
        closed.push_back(open);
        open = object;
    }
}

TEST(FigureTable, FiguresAreKeptAsTheJsonWritesThem) {
    // A figure shown to fewer decimals than its JSON rounds from the JSON's value: 0.24996 is
    // written 0.250 and so shows as 0.3; exact ties in binary go as the writer takes them.
    EXPECT_EQ(as_written(0.24996, JsonFormat::yen), 0.25);
    EXPECT_EQ(as_written(-534.0625, JsonFormat::yen), -534.062);
    EXPECT_EQ(as_written(0.1234567891, JsonFormat::probability), 0.1234567891);
}

TEST(ReportPage, EveryFigureShownIsItsJsonValueOnWinningAndLosingSettings) {
    const struct {
        std::uint32_t seed;
        Settings settings;
    } runs[] = {
        {12345, {240, 260.0f, 7}},  // a winning machine
        {3, {1000, 120.0f, 5}},     // the tightest: no win at all
        {9, {100, 720.0f, 10}},     // the loosest: every trial wins, the longest figures
        {4, {260, 260.0f, 7}},      // near 100 %, and still a loss
        {5, {240, 259.5f, 7}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed << ", X=" << run.settings.X);
        EXPECT_GE(check_figures_shown(play_run(run.seed, run.settings).page), 40);
    }
}

TEST(ReportPage, TheMeanCardRoundsHalvesAwayFromZeroAndColoursBySign) {
    PlayedRun run = play_run(12345, Settings{240, 260.0f, 7});
    const struct {
        std::int64_t total;  // the profits' sum: the mean is a thousandth of it
        const char* card;    // the mean card's figure, with its class
    } cases[] = {
        {0, R"(value"><span class="nb" data-json="profit.mean">0円<)"},
        {-499, R"(value"><span class="nb" data-json="profit.mean">0円<)"},
        {-500, R"(value loss"><span class="nb" data-json="profit.mean">-1円<)"},
        {-501, R"(value loss"><span class="nb" data-json="profit.mean">-1円<)"},
        {1000, R"(value win"><span class="nb" data-json="profit.mean">+1円<)"},
        {-7600500, R"(value loss"><span class="nb" data-json="profit.mean">-7,601円<)"},
        {-7600499, R"(value loss"><span class="nb" data-json="profit.mean">-7,600円<)"},
        {390528500, R"(value win"><span class="nb" data-json="profit.mean">+390,529円<)"},
    };
    for (const auto& c : cases) {
        run.statistics->profit_total = c.total;
        EXPECT_NE(report_page(*run.statistics, *run.exact).find(c.card), std::string::npos)
            << c.total;
    }
    // The exact mean's card likewise takes the class of the whole yen it shows.
    const struct {
        double mean;
        const char* card;
    } exact_cases[] = {
        {0.49, R"(value"><span class="nb" data-json="exact.profit_mean">0円<)"},
        {0.5, R"(value win"><span class="nb" data-json="exact.profit_mean">+1円<)"},
        {-0.49, R"(value"><span class="nb" data-json="exact.profit_mean">0円<)"},
        {-0.5, R"(value loss"><span class="nb" data-json="exact.profit_mean">-1円<)"},
    };
    for (const auto& c : exact_cases) {
        run.exact->profit_mean = c.mean;
        EXPECT_NE(report_page(*run.statistics, *run.exact).find(c.card), std::string::npos)
            << c.mean;
    }
}

TEST(ReportPage, AMarkOnTheLastEdgeOfTheProfitAxisIsDrawn) {
    // Every trial loses; with the bins moved to end at 0, the break-even mark stands on the
    // axis's last value and is drawn and listed.
    PlayedRun run = play_run(7, Settings{1000, 120.0f, 10});
    Histogram& h = run.statistics->profit_histogram;
    ASSERT_LE(run.statistics->profit.max, 0);
    h.first_edge = 1 - h.bin_count * h.bin_width;
    const std::string page = report_page(*run.statistics, *run.exact);
    const std::size_t chart = page.find("id=\"profit-histogram\"");
    const std::string histogram = page.substr(chart, page.find("</figure>", chart) - chart);
    EXPECT_NE(histogram.find("class=\"mark-zero\""), std::string::npos);
    EXPECT_NE(histogram.find("収支±0"), std::string::npos);
}

#if defined(QUORVANTELMIX_GOLDEN_PAGES)
TEST(ReportPage, IsTheCheckedInGoldenPageOnEveryPlatform) {
    // tests/golden holds the pages for a reviewer to read and diff; the Windows build runs this
    // test under Wine against the same files. QUORVANTELMIX_UPDATE_GOLDEN=1 writes them anew.
    const struct {
        const char* file;
        std::uint32_t seed;
        Settings settings;
    } pages[] = {
        {"report_12345_240_260_7.html", 12345, {240, 260.0f, 7}},
        {"report_3_1000_120_5.html", 3, {1000, 120.0f, 5}},
    };
    for (const auto& golden : pages) {
        const std::string path = std::string(QUORVANTELMIX_GOLDEN_PAGES) + "/" + golden.file;
        const std::string page = play_run(golden.seed, golden.settings).page;
        if (std::getenv("QUORVANTELMIX_UPDATE_GOLDEN") != nullptr) write_file(path, page);
        const std::string expected = read_file(path);
        ASSERT_FALSE(expected.empty()) << "no " << path;
        const auto differ =
            std::mismatch(page.begin(), page.end(), expected.begin(), expected.end());
        const auto at = static_cast<std::size_t>(differ.first - page.begin());
        EXPECT_TRUE(page == expected)
            << golden.file << " differs at byte " << at << ": \"" << page.substr(at, 60)
            << "\" instead of \"" << expected.substr(at, 60) << "\"";
    }
}
#endif

TEST(ReportPage, HoldsNothingThatLoadsOrRuns) {
    const std::string page = play_run(12345, Settings{240, 260.0f, 7}).page;
    EXPECT_EQ(
        page.rfind("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">", 0), 0u);
    EXPECT_EQ(page.find("src="), std::string::npos);
    EXPECT_EQ(page.find("href="), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
    EXPECT_EQ(page.find("@import"), std::string::npos);
    // The only address is the SVG namespace's name, which nothing fetches.
    std::size_t addresses = 0;
    for (std::size_t at = page.find("://"); at != std::string::npos; at = page.find("://", at + 1))
        addresses += page.compare(at - 4, 26, "http://www.w3.org/2000/svg") == 0 ? 0u : 1u;
    EXPECT_EQ(addresses, 0u);
    // One script element, of data, which no browser runs.
    EXPECT_EQ(page.find("<script"), page.rfind("<script"));
    EXPECT_NE(page.find("<script type=\"application/json\""), std::string::npos);
    EXPECT_EQ(std::count(page.begin(), page.end(), '\r'), 0);
    EXPECT_EQ(std::count(page.begin(), page.end(), '<'), std::count(page.begin(), page.end(), '>'));
    EXPECT_FALSE(page_data(page).is_null());
}

#if !defined(_WIN32)

// `utf8` in Shift_JIS, by the C library's converter.
std::string to_shift_jis(const std::string& utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* next = &out[0];
    std::size_t out_left = out.size();
    const std::size_t result = iconv(converter, &in, &in_left, &next, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) return "";
    out.resize(out.size() - out_left);
    return out;
}

TEST(NoResultsPage, ShowsTheResultsFilesMessage) {
    const struct {
        Settings settings;
        SettingsSection section;
        std::string results_line;  // the results file's line, Shift_JIS, without CR LF
    } cases[] = {
        {{99, 0.0f, 0}, SettingsSection::x, sjis::x_out_of_range + "X=99"},
        {{240, 3e9f, 0}, SettingsSection::y, sjis::y_out_of_range + "X=240 Y=-1294967296"},
        {{240, 260.0f, 11}, SettingsSection::z, sjis::z_out_of_range + "X=240 Y=260 Z=11"},
    };
    for (const auto& c : cases) {
        const std::string page =
            no_results_page({NoResultsReason::value_out_of_range, c.settings, c.section, {}});
        const std::size_t start = page.find("<strong>") + 8;
        const std::string message = page.substr(start, page.find("</strong>") - start);
        EXPECT_EQ(to_shift_jis(message), c.results_line);
        EXPECT_EQ(page_data(page)["trials"], 0);
    }
}

#endif

TEST(NoResultsPage, SaysWhereTheUsersSettingsFileIs) {
    const struct {
        DefaultSettingsOutcome defaults;
        const char* says;
    } cases[] = {
        {{true, UserSettingsFile::kept_as_backup}, "Quorvantelmix.ini.bak として残してあります"},
        {{false, UserSettingsFile::in_place}, "Quorvantelmix.ini のまま残っています"},
        {{false, UserSettingsFile::kept_as_backup}, "Quorvantelmix.ini.bak として残してあります"},
    };
    for (const auto& c : cases) {
        const std::string page = no_results_page(
            {NoResultsReason::section_missing, Settings{}, SettingsSection::x, c.defaults});
        EXPECT_NE(page.find(c.says), std::string::npos) << c.says;
        EXPECT_NE(page.find(c.defaults.written ? "を書き込みました" : "は書き込めませんでした"),
                  std::string::npos);
        EXPECT_EQ(page_data(page)["reason"], "section_missing");
        // A default file written is a warning: the next run reads the defaults.
        EXPECT_EQ(page.find("確率X=240、100%確率Y=260、換金率Z=7）で書き直されました") !=
                      std::string::npos,
                  c.defaults.written);
    }
}

TEST(NoResultsPage, NamesTheMissingSection) {
    // The section is the one the reader reported.
    const struct {
        SettingsSection missing;
        const char* header;
        const char* section;
    } cases[] = {
        {SettingsSection::x, "[確率X]", "X"},
        {SettingsSection::y, "[100%確率Y]", "Y"},
        {SettingsSection::z, "[換金率Z]", "Z"},
    };
    for (const auto& c : cases) {
        const std::string page = no_results_page({NoResultsReason::section_missing,
                                                  Settings{},
                                                  c.missing,
                                                  {true, UserSettingsFile::none}});
        EXPECT_NE(page.find(std::string("<strong>") + c.header + "</strong>"), std::string::npos)
            << c.header;
        EXPECT_EQ(page_data(page)["section"], c.section);
    }
}

}  // namespace

namespace {

// The text of the element that opens at `open` in `page`, up to `close`; empty where none does.
std::string element(const std::string& page, const std::string& open, const char* close) {
    const std::size_t begin = page.find(open);
    if (begin == std::string::npos) return "";
    return page.substr(begin, page.find(close, begin) - begin);
}

// How many times `part` stands in `text`.
std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A winning machine, two losing ones, one at break-even and one just past it, the tightest and
// the loosest (every plan cell tied at 100.0 %).
const struct {
    std::uint32_t seed;
    Settings settings;
} verdict_runs[] = {
    {12345, {240, 260.0f, 7}}, {7, {250, 250.0f, 6}}, {8, {333, 259.5f, 8}},
    {6, {248, 260.0f, 7}},     {6, {249, 260.0f, 7}}, {3, {1000, 120.0f, 5}},
    {9, {100, 720.0f, 10}},    {5, {180, 200.0f, 9}},
};

}  // namespace

TEST(Verdict, SaysWhetherTheMachinePaysAndThatNotPlayingBeatsEveryLosingPlan) {
    for (const auto& run : verdict_runs) {
        SCOPED_TRACE(testing::Message() << "X=" << run.settings.X << " Y=" << run.settings.Y);
        const std::string page = play_run(run.seed, run.settings).page;
        const json data = page_data(page);
        const auto yen = [](double value) { return std::llround(value); };
        const long long mean = yen(data["exact"]["profit_mean"].get<double>());
        const std::string verdict = element(page, "<p class=\"verdict", "</p>");
        ASSERT_FALSE(verdict.empty());
        EXPECT_LT(page.find(verdict), page.find("<h2>"));  // before every section
        EXPECT_EQ(verdict.find(mean > 0   ? "\"verdict win\""
                               : mean < 0 ? "\"verdict loss\""
                                          : "\"verdict\""),
                  std::string("<p class=").size());
        bool some_plan_pays = false;
        for (const auto& plan : data["plan"]["budget_target"])
            some_plan_pays = some_plan_pays || yen(plan[2].get<double>()) > 0;
        for (const auto& leave : data["plan"]["by_spins"])
            some_plan_pays = some_plan_pays || yen(leave[1].get<double>()) > 0;
        const bool none = mean < 0 && !some_plan_pays;
        EXPECT_EQ(verdict.find("打たないのが最善") != std::string::npos, none);
        // The margin to break-even, recomputed from the hit thresholds.
        const int x = run.settings.X;
        const json even = data["exact"]["break_even_X"];
        if (!even.is_null() && even.get<int>() != 1000 && even.get<int>() != 0) {
            const double expected = (32767 / x + 1.0) / (32767 / even.get<int>() + 1.0) - 1.0;
            EXPECT_NEAR(data["exact"]["break_even_margin"].get<double>(), expected, 1e-8);
        }
    }
}

TEST(Verdict, TheBestPlanIsTheFirstOfTheHighestAtTheDigitsShownAndTheSentenceClaimsNoMore) {
    for (const auto& run : verdict_runs) {
        SCOPED_TRACE(testing::Message() << "X=" << run.settings.X << " Y=" << run.settings.Y);
        const std::string page = play_run(run.seed, run.settings).page;
        const json plans = page_data(page)["plan"]["budget_target"];
        ASSERT_EQ(plans.size(), 36u);
        // The keys as the grids show them: tenths of a percent, hundreds of yen.
        const auto key = [&](std::size_t row, int column) {
            const double value = plans[row][static_cast<std::size_t>(column)].get<double>();
            return column == 3 ? std::llround(value * 1000.0) : std::llround(value / 100.0);
        };
        const std::size_t free = 30;  // no budget, no target
        for (const int column : {3, 2}) {
            std::size_t best = 0;
            for (std::size_t row = 1; row < plans.size(); ++row)
                best = key(row, column) > key(best, column) ? row : best;
            const std::string grid = element(
                page, column == 3 ? "id=\"plan-grid-win\"" : "id=\"plan-grid-mean\"", "</table>");
            EXPECT_EQ(count_of(grid, "class=\"best\""), 1u);
            const std::string framed = element(grid, "class=\"best\"", "</td>");
            EXPECT_NE(framed.find("plan.budget_target." + std::to_string(best) + "." +
                                  std::to_string(column) + "\""),
                      std::string::npos);
            if (key(best, column) == key(free, column)) {
                EXPECT_NE(page.find(column == 3 ? "勝つ確率は、予算や目標を決めても上がりません"
                                                : "上がりません"),
                          std::string::npos);
            }
        }
    }
}

TEST(ReportPage, HoldsEveryTableAndSentenceItPromisesWithTheirRows) {
    const std::string page = play_run(12345, Settings{240, 260.0f, 7}).page;
    const json data = page_data(page);
    EXPECT_EQ(count_of(page, "<table"), count_of(page, "</table>"));
    const struct {
        const char* id;
        std::size_t rows;  // the heading row included
    } tables[] = {
        {"plan-grid-win", 7},
        {"plan-grid-mean", 7},
        {"hours-table", 10},
        {"halls-table", data["plan"]["by_exchange"].size() + 1},
        {"visits-table", data["plan"]["visits"].size() + 1},
        {"budget-table", 0},  // rows merge where levels share a budget: at least two
    };
    for (const auto& table : tables) {
        SCOPED_TRACE(table.id);
        const std::string text = element(page, std::string("id=\"") + table.id + "\"", "</table>");
        ASSERT_FALSE(text.empty());
        if (table.rows > 0) {
            EXPECT_EQ(count_of(text, "<tr"), table.rows);
        } else {
            EXPECT_GE(count_of(text, "<tr"), 3u);
        }
    }
    // The month of weekends: its chance of a gain and its bad month, from the row of 8 days.
    const std::string month = element(page, "<p id=\"month\">", "</p>");
    EXPECT_NE(month.find("毎週末、月に8日"), std::string::npos);
    EXPECT_NE(month.find("plan.visits.3.2\""), std::string::npos);
    EXPECT_NE(month.find("plan.visits.3.3\""), std::string::npos);
    // Leaving after 1 and 3 hours where the hourly card was, from the rows of 800 and 2400 spins.
    const std::string hours = element(page, "<p class=\"hours-line\">", "</p>");
    EXPECT_NE(hours.find("plan.by_spins.7.1\""), std::string::npos);
    EXPECT_NE(hours.find("plan.by_spins.23.1\""), std::string::npos);
    EXPECT_NE(hours.find("1日打ち切った場合の平均"), std::string::npos);
    // The trials folded away, closed.
    EXPECT_NE(page.find("<details class=\"trials\">"), std::string::npos);
}

TEST(ReportPage, NewFiguresAgreeWithTheirDefinitions) {
    for (const auto& run : verdict_runs) {
        SCOPED_TRACE(testing::Message() << "X=" << run.settings.X << " Y=" << run.settings.Y);
        const json data = page_data(play_run(run.seed, run.settings).page);
        const json& exact = data["exact"];
        // The exchange loss is what equal exchange would have added: a difference.
        EXPECT_NEAR(
            data["equal_exchange"]["exchange_loss"].get<double>(),
            data["equal_exchange"]["mean"].get<double>() - data["profit"]["mean"].get<double>(),
            1e-9);
        // The exact histogram is trials per 1000: none negative, at most 1000 in all.
        double expected_trials = 0.0;
        for (const auto& bin : data["histogram"]["expected"]) {
            EXPECT_GE(bin.get<double>(), 0.0);
            expected_trials += bin.get<double>();
        }
        EXPECT_LE(expected_trials, 1000.5);
        EXPECT_GE(expected_trials, 900.0);
        // How often chance alone lies as far: the normal tail, both sides.
        for (const char* z : {"profit_mean", "win_rate"}) {
            const double errors = data["comparison"][std::string(z) + "_errors"].get<double>();
            EXPECT_NEAR(data["comparison"][std::string(z) + "_chance"].get<double>(),
                        std::erfc(std::fabs(errors) / std::sqrt(2.0)), 1e-8);
        }
        // The budget of each level is the cash to bring at the same level.
        for (const auto& row : exact["budget_levels_exact"]) {
            const double level = row[0].get<double>();
            const char* paid = level == 0.5    ? "p50"
                               : level == 0.05 ? "p95"
                               : level == 0.01 ? "p99"
                                               : "";
            if (*paid != '\0') {
                EXPECT_EQ(row[1].get<long long>(), exact["money_paid"][paid].get<long long>());
            }
            EXPECT_LE(row[2].get<double>(), level);
        }
        // The hours fan's mid-quantiles are those of the same spins, rising with the level.
        const json& mid = data["plan"]["by_spins_mid"];
        const json& nearest = data["plan"]["by_spins"];
        ASSERT_EQ(mid.size(), nearest.size());
        for (std::size_t i = 0; i < mid.size(); ++i) {
            EXPECT_EQ(mid[i][0], nearest[i][0]);
            for (std::size_t q = 2; q <= 5; ++q)
                EXPECT_GE(mid[i][q].get<double>() + 1e-9, mid[i][q - 1].get<double>());
        }
    }
}
