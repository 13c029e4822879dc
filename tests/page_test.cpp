// page_test.cpp - the report page: its figures recomputed independently from the results file
// and from the step-by-step model, its bytes pinned by a digest (the same under Wine), what it
// may hold, and the pages of runs without results.
#include "page.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model.h"
#include "run.h"
#include "statistics.h"
#include "test_files.h"

#if !defined(_WIN32)
#include <iconv.h>
#endif

namespace {

using nlohmann::json;

// A run played as the program plays it: the results file's bytes, the statistics and the page.
struct PlayedRun {
    std::string results;
    std::unique_ptr<RunStatistics> statistics;
    std::string page;
};

PlayedRun play_run(std::uint32_t seed, const Settings& settings) {
    PlayedRun run;
    const auto record = std::make_unique<RunRecord>();
    run.results = bytes_written_by([&](std::FILE* stream) {
        write_results(stream, seed, settings, widest_lane_unit(detect_lane_units()), record.get());
    });
    run.statistics = std::make_unique<RunStatistics>();
    compute_statistics(*record, run.statistics.get());
    run.page = report_page(*run.statistics);
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
    const double win_rate = static_cast<double>(wins) / 1000.0;
    const double rate_error = std::sqrt(win_rate * (1.0 - win_rate) / 1000.0);
    EXPECT_EQ(run.statistics->win_rate_error_permille, rounded(rate_error * 1000.0));

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
    EXPECT_EQ(width % 500, 0);
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

// FNV-1a, 64 bits: a digest of the page's bytes.
std::uint64_t digest(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037u;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211u;
    }
    return hash;
}

TEST(ReportPage, BytesAreTheSameOnEveryPlatform) {
    // Pinned on Linux; the Windows build runs this test under Wine and must match it.
    EXPECT_EQ(digest(play_run(12345, Settings{240, 260.0f, 7}).page), 14789791522162329873u);
    EXPECT_EQ(digest(play_run(1, Settings{1000, 720.0f, 10}).page), 14058991765432498677u);
}

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
        std::string results_line;  // the results file's line, Shift_JIS, without CR LF
    } cases[] = {
        {{99, 0.0f, 0}, sjis::x_out_of_range + "X=99"},
        {{240, 3e9f, 0}, sjis::y_out_of_range + "X=240 Y=-1294967296"},
        {{240, 260.0f, 11}, sjis::z_out_of_range + "X=240 Y=260 Z=11"},
    };
    for (const auto& c : cases) {
        const std::string page =
            no_results_page({NoResultsReason::value_out_of_range, c.settings, {}});
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
        const std::string page =
            no_results_page({NoResultsReason::section_missing, Settings{}, c.defaults});
        EXPECT_NE(page.find(c.says), std::string::npos) << c.says;
        EXPECT_NE(page.find(c.defaults.written ? "を書き込みました" : "は書き込めませんでした"),
                  std::string::npos);
        EXPECT_EQ(page_data(page)["reason"], "section_missing");
    }
}

}  // namespace
