// counter_test.cpp - the data counter: its sections read from a table of files, each of which
// leaves the results file and the console as they are without them; the posterior of the hit
// threshold against a direct sum in long double; its figures against the day's exact figures
// weighed by hand.
#include "exact/counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "exact/exact_figures.h"
#include "run/run.h"
#include "settings_file/settings_reader.h"
#include "test_files.h"

namespace {

/* ------------------------------------ the reader ------------------------------------ */

const std::string settings =
    sjis::header_x + "\r\n240\r\n" + sjis::header_y + "\r\n260\r\n" + sjis::header_z + "\r\n7\r\n";
const std::string spins = sjis::header_spins;
const std::string bonuses = sjis::header_bonuses;
const std::string listed = sjis::header_listed_x;

// A settings file, what its counter must read as, and the values read.
struct CounterCase {
    const char* name;
    std::string file;
    CounterStatus status;
    std::int64_t spins, bonuses;
    std::vector<std::int32_t> listed;
};

const CounterStatus valid = CounterStatus::valid;
const CounterStatus absent = CounterStatus::absent;

class CounterReaderTest : public ScratchDirectoryTest {
  protected:
    // The results file and the console of a run with `file` as the settings file, seeded 12345.
    std::string run(const std::string& file) {
        write_file(path("Quorvantelmix.ini"), file);
        const auto working = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        testing::internal::CaptureStdout();
        const RunOutcome outcome = run_program(12345, nullptr, detect_lane_units());
        const std::string console = testing::internal::GetCapturedStdout();
        std::filesystem::current_path(working);
        return std::to_string(exit_status(outcome)) + console +
               read_file(path("Quorvantelmix.txt"));
    }
};

TEST_F(CounterReaderTest, ReadsTheSectionsAfterZAndLeavesTheResultsAndTheConsoleAlone) {
    const std::string full_width =
        "\x81\x6D\x91\x8D\x89\xF1\x93\x5D\x90\x94\x81\x6E";  // ［総回転数］
    const std::string utf8 =
        "[\xE7\xB7\x8F\xE5\x9B\x9E\xE8\xBB\xA2\xE6\x95\xB0]";  // [総回転数] in UTF-8
    const CounterCase cases[] = {
        {"none", settings, absent, 0, 0, {}},
        {"both", settings + spins + "\r\n4000\r\n" + bonuses + "\r\n14\r\n", valid, 4000, 14, {}},
        {"out of order", settings + bonuses + " 14 " + spins + " 4000", valid, 4000, 14, {}},
        {"repeated: the first counts",
         settings + spins + " 4000 " + spins + " 9 " + bonuses + " 14",
         valid,
         4000,
         14,
         {}},
        {"glued to the header", settings + spins + "4000 " + bonuses + "14", valid, 4000, 14, {}},
        {"a header glued to the value before it",
         settings + spins + " 4000" + bonuses + " 14",
         valid,
         4000,
         14,
         {}},
        {"before Z: not looked for",
         sjis::header_x + " 240 " + sjis::header_y + " 260 " + spins + " 4000 " + bonuses + " 14 " +
             sjis::header_z + " 7",
         absent,
         0,
         0,
         {}},
        {"after a Ctrl-Z",
         settings + "\x1A" + spins + " 4000 " + bonuses + " 14",
         absent,
         0,
         0,
         {}},
        {"full-width brackets",
         settings + full_width + " 4000 " + bonuses + " 14",
         CounterStatus::bonuses_alone,
         0,
         14,
         {}},
        {"UTF-8", settings + utf8 + " 4000", absent, 0, 0, {}},
        {"no number",
         settings + spins + " abc " + bonuses + " 14",
         CounterStatus::spins_no_number,
         0,
         14,
         {}},
        {"a sign",
         settings + spins + " 40 " + bonuses + " -1",
         CounterStatus::bonuses_no_number,
         40,
         0,
         {}},
        {"too many spins",
         settings + spins + " 100000001 " + bonuses + " 1",
         CounterStatus::spins_out_of_range,
         0,
         1,
         {}},
        {"the most spins",
         settings + spins + " 100000000 " + bonuses + " 100000000",
         valid,
         100000000,
         100000000,
         {}},
        {"bonuses above spins",
         settings + spins + " 10 " + bonuses + " 11",
         CounterStatus::bonuses_above_spins,
         10,
         11,
         {}},
        {"spins alone", settings + spins + " 10", CounterStatus::spins_alone, 10, 0, {}},
        {"listed",
         settings + listed + " 256,245\x81\x41 236 222 " + spins + " 0 " + bonuses + " 0",
         valid,
         0,
         0,
         {256, 245, 236, 222}},
        {"listed ten",
         settings + listed + " 100 200 300 400 500 600 700 800 900 1000 " + spins + " 5 " +
             bonuses + " 0",
         valid,
         5,
         0,
         {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
        {"listed eleven",
         settings + listed + " 100 200 300 400 500 600 700 800 900 1000 240 " + spins + " 5 " +
             bonuses + " 0",
         CounterStatus::listed_too_many,
         5,
         0,
         {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
        {"listed out of range",
         settings + listed + " 240 1200 " + spins + " 5 " + bonuses + " 0",
         CounterStatus::listed_out_of_range,
         5,
         0,
         {240}},
        {"listed alone", settings + listed + " 240", CounterStatus::listed_alone, 0, 0, {240}},
    };
    const std::string without = run(settings);
    for (const CounterCase& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(path("in.ini"), c.file);
        std::FILE* in = std::fopen(path("in.ini").c_str(), "rb");
        std::FILE* out = std::fopen(path("out.txt").c_str(), "wb");
        Settings read{};
        SettingsSection section = SettingsSection::x;
        CounterReading counter;
        EXPECT_EQ(read_settings(in, out, &read, &section, &counter), SettingsOutcome::valid);
        std::fclose(in);
        std::fclose(out);
        EXPECT_EQ(counter.status, c.status);
        EXPECT_EQ(counter.spins, c.spins);
        EXPECT_EQ(counter.bonuses, c.bonuses);
        EXPECT_EQ(std::vector<std::int32_t>(counter.listed, counter.listed + counter.listed_count),
                  c.listed);
        EXPECT_EQ(run(c.file), without);  // exit status, console and results file
    }
}

/* ----------------------------------- the posterior ----------------------------------- */

// The posterior by a direct sum in long double: the prior's count of each T times
// p^k (1 - p)^(N - k), divided by the total; small N only.
std::vector<long double> direct_posterior(std::int64_t n, std::int64_t k,
                                          const std::vector<std::int32_t>& xs) {
    std::vector<long double> weights(328, 0.0L);
    for (std::int32_t t = 32; t <= 327; ++t) {
        const auto count = static_cast<long double>(
            xs.empty() ? 1 : std::count_if(xs.begin(), xs.end(), [t](std::int32_t x) {
                return 32767 / x == t;
            }));
        const long double p = (t + 1) / 32768.0L;
        weights[static_cast<std::size_t>(t)] = count * std::pow(p, static_cast<long double>(k)) *
                                               std::pow(1.0L - p, static_cast<long double>(n - k));
    }
    long double total = 0.0L;
    for (const long double w : weights)
        total += w;
    for (long double& w : weights)
        w /= total;
    return weights;
}

TEST(CounterPosterior, IsTheDirectSumAndItsQuantilesCountFromTheMostGenerous) {
    const struct {
        std::int64_t n, k;
        std::vector<std::int32_t> xs;
    } cases[] = {
        {0, 0, {}},
        {60, 0, {}},
        {60, 60, {}},
        {4000, 14, {}},
        {4000, 14, {240}},
        {1000, 3, {249, 250, 300}},  // 249 and 250: the same T, counted twice
        {7000, 40, {100, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "N=" << c.n << " k=" << c.k);
        std::vector<PosteriorPoint> points;
        double dropped = 1.0;
        counter_posterior(c.n, c.k, c.xs.data(), static_cast<std::int32_t>(c.xs.size()), &points,
                          &dropped);
        const std::vector<long double> direct = direct_posterior(c.n, c.k, c.xs);
        EXPECT_EQ(dropped, 0.0);
        double below = 0.0;
        std::int32_t previous = 328;
        for (const PosteriorPoint& point : points) {
            EXPECT_LT(point.threshold, previous);  // from the most generous down
            previous = point.threshold;
            EXPECT_NEAR(point.probability,
                        static_cast<double>(direct[static_cast<std::size_t>(point.threshold)]),
                        1e-13);
            EXPECT_DOUBLE_EQ(point.odds, 32768.0 / (point.threshold + 1));
            below += point.probability;
            for (const double level : {0.05, 0.5, 0.95}) {
                if (below >= level && below - point.probability < level) {
                    EXPECT_EQ(posterior_odds(points, level), point.odds);
                }
            }
        }
        EXPECT_NEAR(below, 1.0, 1e-12);
        EXPECT_EQ(points.size(), c.xs.empty() ? 296u : c.xs.size() == 3 ? 2u : c.xs.size());
    }
}

TEST(CounterPosterior, HoldsAtAHundredMillionSpinsAtBothEnds) {
    const std::int64_t n = max_counted_spins;
    const struct {
        std::int64_t k;
        std::int32_t peak;  // the T that all but nothing of the posterior sits on
        std::size_t kept;   // the T whose weight is within 2^-1000 of the largest
    } cases[] = {{0, 32, 1}, {n, 327, 1}, {n / 32768 * 137, 136, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.k);
        std::vector<PosteriorPoint> points;
        double dropped = 0.0;
        counter_posterior(n, c.k, nullptr, 0, &points, &dropped);
        ASSERT_GE(points.size(), c.kept);
        double total = 0.0;
        double peak = 0.0;
        for (const PosteriorPoint& point : points) {
            EXPECT_TRUE(std::isfinite(point.probability));
            total += point.probability;
            if (point.threshold == c.peak) peak = point.probability;
        }
        EXPECT_NEAR(total, 1.0, 1e-12);
        EXPECT_GT(peak, 0.5);
        // Every T left out is counted in the bound, at 2^-1000 each.
        EXPECT_EQ(dropped, static_cast<double>(296 - points.size()) * std::ldexp(1.0, -1000));
    }
}

/* ------------------------------------ the figures ------------------------------------ */

TEST(CounterFigures, AreTheDaysExactFiguresWeighedByThePosterior) {
    const Settings player{240, 260.0f, 7};
    CounterReading reading;
    reading.status = CounterStatus::valid;
    reading.spins = 4000;
    reading.bonuses = 14;
    reading.listed[0] = 240;
    reading.listed[1] = 300;
    reading.listed_count = 2;
    const auto exact = std::make_unique<ExactFigures>();
    compute_exact_figures(trial_rules(player), player.X, exact.get(), ExactScope::day, &reading);
    const CounterFigures& c = exact->counter;
    ASSERT_TRUE(c.present);
    ASSERT_EQ(c.posterior.size(), 2u);
    // The day at each listed X on its own, weighed by hand.
    double mean = 0.0;
    double wins = 0.0;
    double beats = 0.0;
    for (const PosteriorPoint& point : c.posterior) {
        const std::int32_t x = point.threshold == 32767 / 240 ? 240 : 300;
        const auto day = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(Settings{x, 260.0f, 7}), x, day.get(), ExactScope::day);
        mean += point.probability * day->profit_mean;
        wins += point.probability * day->win_probability;
        if (day->profit_mean >= 0.0) beats += point.probability;
    }
    EXPECT_NEAR(c.profit_mean, mean, 1e-6);
    EXPECT_NEAR(c.win_probability, wins, 1e-12);
    EXPECT_NEAR(c.beats_break_even, beats, 1e-12);
    // How usual 14 bonuses are at 1/240: the binomial's mass at least as far from N p, summed
    // directly.
    const long double p = (32767 / 240 + 1) / 32768.0L;
    const long double np = 4000 * p;
    long double tail = 0.0L;
    for (std::int64_t j = 0; j <= 4000; ++j) {
        if (std::fabs(static_cast<long double>(j) - np) < std::fabs(14.0L - np)) continue;
        tail += std::exp(std::lgamma(4001.0L) - std::lgamma(j + 1.0L) - std::lgamma(4001.0L - j) +
                         j * std::log(p) + (4000 - j) * std::log1p(-p));
    }
    EXPECT_NEAR(c.consistency, static_cast<double>(tail), 1e-12);
    // The spins it takes to tell: 90 % sure at that count, not yet a thousand spins before.
    const std::int64_t tell = exact->spins_to_tell;
    ASSERT_GT(tell, 1000);
    const std::int32_t even = 32767 / exact->break_even_x;
    for (const std::int64_t n : {tell - 1000, tell}) {
        std::vector<PosteriorPoint> points;
        double dropped = 0.0;
        const auto k = static_cast<std::int64_t>(
            std::floor(static_cast<double>(n * (32767 / 240 + 1)) / 32768.0 + 0.5));
        counter_posterior(n, k, nullptr, 0, &points, &dropped);
        double sure = 0.0;
        for (const PosteriorPoint& point : points)
            sure += point.threshold >= even ? point.probability : 0.0;
        EXPECT_EQ(sure >= 0.9, n == tell);
    }
}

}  // namespace
