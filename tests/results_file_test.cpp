// results_file_test.cpp - whole results files: the known runs reproduced byte for byte, and the
// rules that every line of a real run keeps, read back from its bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "rules/random_source.h"
#include "run/run.h"
#include "test_files.h"

namespace {

using sjis::bonus_unit;
using sjis::medal_unit;
using sjis::yen_unit;

// The results file of a run seeded with `seed`, with `settings`.
std::string results_of(std::uint32_t seed, const Settings& settings) {
    const auto record = std::make_unique<RunRecord>();
    return bytes_written_by([&](std::FILE* stream) {
        write_results(stream, seed, settings, widest_lane_unit(detect_lane_units()), record.get());
    });
}

// The lines of `file`, without their CR LF; every line must end in CR LF.
std::vector<std::string> lines_of(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the last line has no CR LF";
            break;
        }
        lines.push_back(file.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The figures of a trial line, read back.
struct TrialLine {
    std::int32_t bonuses, medals, money, cash;
    std::vector<std::int32_t> entries;
};

// Reads a number, perhaps with spaces in front, at `*position` in `line`, followed by the bytes
// `after`; moves past both. False when the line has something else there.
bool read_field(const std::string& line, std::size_t* position, const std::string& after,
                std::int32_t* value) {
    const char* start = line.c_str() + *position;
    char* end = nullptr;
    const long number = std::strtol(start, &end, 10);
    const auto number_end = static_cast<std::size_t>(end - line.c_str());
    if (end == start || line.compare(number_end, after.size(), after) != 0) return false;
    *value = static_cast<std::int32_t>(number);
    *position = number_end + after.size();
    return true;
}

// Reads a trial line "%3d回 %5d枚 %7d円 %7d円 " followed by "%4d " for each entry.
bool read_trial_line(const std::string& line, TrialLine* trial) {
    std::size_t position = 0;
    if (!read_field(line, &position, bonus_unit + " ", &trial->bonuses) ||
        !read_field(line, &position, medal_unit + " ", &trial->medals) ||
        !read_field(line, &position, yen_unit + " ", &trial->money) ||
        !read_field(line, &position, yen_unit + " ", &trial->cash))
        return false;
    trial->entries.clear();
    while (position < line.size()) {
        std::int32_t entry = 0;
        if (!read_field(line, &position, " ", &entry)) return false;
        trial->entries.push_back(entry);
    }
    return !trial->entries.empty();
}

// printf's "%*d".
std::string number(std::int64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(value));
    return text;
}

// Checks every rule a trial line keeps; `exchange_rate` is the run's Z.
void check_trial(const TrialLine& t, std::int32_t exchange_rate) {
    const std::int32_t last = t.entries.back();
    std::int64_t spins = 0;
    for (std::size_t i = 0; i + 1 < t.entries.size(); ++i) {
        ASSERT_GT(t.entries[i], 0) << "only the last entry may be negative";
        spins += t.entries[i];
    }
    const auto count = static_cast<std::int32_t>(t.entries.size());
    if (last > 0) {
        // Ended by a bonus from the 7000th spin on: the entries add up to the spins played.
        EXPECT_EQ(t.bonuses, count);
        EXPECT_GE(spins + last, 7000);
        EXPECT_LE(spins + last, 7500);
    } else {
        // Ended at the cap: the entries add up to 7501 in size, and the cap's run began at or
        // before the 7000th spin.
        EXPECT_EQ(t.bonuses, count - 1);
        EXPECT_EQ(spins - last, 7501);
        EXPECT_LE(last, -502);
    }
    EXPECT_GE(t.medals, 1);
    EXPECT_LE(t.money, -1000);
    EXPECT_EQ(t.money % 1000, 0);
    EXPECT_EQ(t.cash, t.medals / exchange_rate / 5 * 500);
}

TEST(ResultsFile, TheRunSeededWith12345IsReproduced) {
    const std::vector<std::string> lines = lines_of(results_of(12345, Settings{240, 260.0f, 7}));
    ASSERT_EQ(lines.size(), 1003u);
    EXPECT_EQ(lines[0], "[1/240]");
    const std::string first_trial = " 28" + bonus_unit + "  1713" + medal_unit + "  -28000" +
                                    yen_unit + "   24000" + yen_unit + "  843  411  200  338 ";
    EXPECT_EQ(lines[1].substr(0, first_trial.size()), first_trial);
    EXPECT_EQ(lines[1002], " 30" + bonus_unit + "  2001" + medal_unit + "    5558" + yen_unit);
    int ended_at_cap = 0;
    std::size_t most_entries = 0;
    for (std::size_t i = 1; i <= 1000; ++i) {
        TrialLine trial{};
        ASSERT_TRUE(read_trial_line(lines[i], &trial)) << "line " << i + 1;
        ended_at_cap += trial.entries.back() < 0;
        most_entries = std::max(most_entries, trial.entries.size());
    }
    EXPECT_EQ(ended_at_cap, 129);
    EXPECT_LE(most_entries, 52u);
}

TEST(ResultsFile, TheRunSeededWith1IsReproduced) {
    const std::vector<std::string> lines = lines_of(results_of(1, Settings{1000, 720.0f, 10}));
    ASSERT_EQ(lines.size(), 1003u);
    EXPECT_EQ(lines[0], "[1/1000]");
    EXPECT_EQ(lines[3], "  5" + bonus_unit + "   388" + medal_unit + "  -45000" + yen_unit +
                            "    3500" + yen_unit + "   57 2525 1295 2434 1017 ");
}

TEST(ResultsFile, DependsOnlyOnTheSeedAndTheSettings) {
    const Settings settings{240, 260.0f, 7};
    const std::string first = results_of(777, settings);
    EXPECT_EQ(results_of(777, settings), first);
    EXPECT_NE(results_of(778, settings), first);
}

TEST(ResultsFile, EveryLineOfARealRunKeepsTheRules) {
    const struct {
        std::uint32_t seed;
        Settings settings;
    } runs[] = {
        {12345, {240, 260.0f, 7}}, {1, {1000, 720.0f, 10}}, {7, {100, 120.0f, 5}},
        {99, {100, 720.0f, 10}},   {3, {1000, 120.0f, 5}},  {0xFFFFFFFFu, {523, 333.3f, 8}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << "seed " << run.seed << ", X=" << run.settings.X);
        const std::vector<std::string> lines = lines_of(results_of(run.seed, run.settings));
        ASSERT_EQ(lines.size(), 1003u);
        EXPECT_EQ(lines[0], "[1/" + std::to_string(run.settings.X) + "]");
        std::int64_t bonuses = 0, medals = 0, profit = 0;
        for (std::size_t i = 1; i <= 1000; ++i) {
            TrialLine trial{};
            ASSERT_TRUE(read_trial_line(lines[i], &trial)) << "line " << i + 1;
            check_trial(trial, run.settings.Z);
            if (testing::Test::HasFailure()) FAIL() << "line " << i + 1 << ": " << lines[i];
            bonuses += trial.bonuses;
            medals += trial.medals;
            profit += trial.cash + trial.money;
        }
        EXPECT_EQ(lines[1001], "");
        // The averages are the truncated means of the columns above them.
        EXPECT_EQ(lines[1002], number(bonuses / 1000, 3) + bonus_unit + " " +
                                   number(medals / 1000, 5) + medal_unit + " " +
                                   number(profit / 1000, 7) + yen_unit);
    }
}

}  // namespace
