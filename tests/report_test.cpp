// report_test.cpp - the bytes of the trial lines and of the averages, and the number formatter
// checked against the C library's printf.
#include "simulation/results_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using sjis::bonus_unit;
using sjis::medal_unit;
using sjis::yen_unit;

// printf's "%*d" of `value` in `width`: what put_number must write.
std::string printf_number(std::int32_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*d", width, static_cast<int>(value));
    return text;
}

// What put_number writes for `value` in `width`.
std::string put_number_text(std::int32_t value, int width) {
    char text[32];
    return std::string(text, put_number(text, value, width));
}

// The line that write_trial_line writes for a trial with these figures.
std::string trial_line(std::int32_t bonuses, std::int32_t medals, std::int32_t money,
                       std::int32_t cash, const std::vector<std::int32_t>& entries) {
    static TrialResult trial;  // too large for the stack of every test
    trial.bonuses = bonuses;
    trial.medals = medals;
    trial.money = money;
    trial.cash = cash;
    trial.entry_count = static_cast<std::int32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        trial.entries[i] = entries[i];
    std::FILE* stream = std::tmpfile();
    EXPECT_NE(stream, nullptr);
    write_trial_line(stream, trial);
    std::string line = stream_contents(stream);
    std::fclose(stream);
    return line;
}

// What write_averages writes for `totals`.
std::string averages_lines(const RunTotals& totals) {
    return bytes_written_by([&](std::FILE* stream) { write_averages(stream, totals); });
}

TEST(PutNumber, MatchesPrintfAroundEveryWidth) {
    // Every value of up to six digits and the edges of the 32-bit range, in each width the
    // results file uses and in none.
    std::vector<std::int32_t> values;
    for (std::int32_t v = -100000; v <= 100000; ++v)
        values.push_back(v);
    for (std::int64_t power = 1000000; power <= 1000000000; power *= 10) {
        for (const std::int64_t v : {power - 1, power, power + 1, -power + 1, -power, -power - 1})
            values.push_back(static_cast<std::int32_t>(v));
    }
    values.insert(values.end(), {INT32_MAX, INT32_MAX - 1, INT32_MIN, INT32_MIN + 1});
    for (const int width : {0, 1, 3, 4, 5, 7, 12}) {
        for (const std::int32_t value : values) {
            ASSERT_EQ(put_number_text(value, width), printf_number(value, width))
                << "value " << value << " width " << width;
        }
    }
}

TEST(TrialLine, FieldsTakeTheirWidthsAndTheUnitsTwoBytes) {
    const struct {
        const char* name;
        std::int32_t bonuses, medals, money, cash;
        std::vector<std::int32_t> entries;
        std::string line;
    } cases[] = {
        {"the example trial",
         5,
         388,
         -45000,
         3500,
         {57, 2525, 1295, 2434, 1017},
         "  5" + bonus_unit + "   388" + medal_unit + "  -45000" + yen_unit + "    3500" +
             yen_unit + "   57 2525 1295 2434 1017 \r\n"},
        {"no bonus: the cap entry is wider than its field",
         0,
         50,
         -151000,
         500,
         {-7501},
         "  0" + bonus_unit + "    50" + medal_unit + " -151000" + yen_unit + "     500" +
             yen_unit + " -7501 \r\n"},
        {"a cap after a bonus on the 6999th spin",
         1,
         360,
         -2000,
         0,
         {6999, -502},
         "  1" + bonus_unit + "   360" + medal_unit + "   -2000" + yen_unit + "       0" +
             yen_unit + " 6999 -502 \r\n"},
        {"numbers wider than their fields push the line on",
         7000,
         2520050,
         -12345678,
         50401000,
         {1, 7500},
         "7000" + bonus_unit + " 2520050" + medal_unit + " -12345678" + yen_unit + " 50401000" +
             yen_unit + "    1 7500 \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(trial_line(c.bonuses, c.medals, c.money, c.cash, c.entries), c.line);
    }
}

TEST(TrialLine, TheLongestTrialIsWrittenWhole) {
    // 7000 entries make a line of some 35 KB, written in several blocks; every entry must come
    // out once, in order, however the blocks fall.
    const struct {
        const char* name;
        std::vector<std::int32_t> entries;
    } cases[] = {
        {"a bonus on every spin", std::vector<std::int32_t>(max_entries_per_trial, 1)},
        {"6999 bonuses, then the cap",
         [] {
             std::vector<std::int32_t> entries(max_entries_per_trial - 1, 1);
             entries.push_back(-502);
             return entries;
         }()},
        {"entries of every width",
         [] {
             std::vector<std::int32_t> entries;
             for (std::int32_t i = 0; i < max_entries_per_trial; ++i)
                 entries.push_back(i % 2 == 0 ? i + 1 : -(i + 1));
             return entries;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string expected = "  7" + bonus_unit + "     1" + medal_unit + "   -1000" + yen_unit +
                               "       0" + yen_unit + " ";
        for (const std::int32_t entry : c.entries)
            expected += printf_number(entry, 4) + " ";
        expected += "\r\n";
        EXPECT_EQ(trial_line(7, 1, -1000, 0, c.entries), expected);
    }
}

TEST(Averages, AreTheTotalsOverAThousandTruncatedTowardZero) {
    const struct {
        const char* name;
        RunTotals totals;
        std::string line;
    } cases[] = {
        {"the averages of the 12345 run",
         {30999, 2001999, 5558999},
         " 30" + bonus_unit + "  2001" + medal_unit + "    5558" + yen_unit},
        {"a loss truncates toward zero",
         {12000, 500000, -4999900},
         " 12" + bonus_unit + "   500" + medal_unit + "   -4999" + yen_unit},
        {"a loss of under a yen a trial is zero, without a sign",
         {0, 999, -999},
         "  0" + bonus_unit + "     0" + medal_unit + "       0" + yen_unit},
        {"a total beyond 32 bits",
         {7000000, 2520050000, 50401000000},
         "7000" + bonus_unit + " 2520050" + medal_unit + " 50401000" + yen_unit},
        {"the example loss",
         {0, 0, -12345678},
         "  0" + bonus_unit + "     0" + medal_unit + "  -12345" + yen_unit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An empty line, then the averages, with no space after the last unit.
        EXPECT_EQ(averages_lines(c.totals), "\r\n" + c.line + "\r\n");
    }
}

}  // namespace
