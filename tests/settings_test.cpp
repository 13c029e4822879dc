// settings_test.cpp - the settings reader on files a user might write, and the default file.
#include "settings_file/settings_reader.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using sjis::header_x;
using sjis::header_y;
using sjis::header_z;

// What read_settings made of one settings file.
struct ReadResult {
    SettingsOutcome outcome;  // how reading ended
    Settings settings;        // the values read
    SettingsSection section;  // the section it ended on
    std::string results;      // what it wrote into the results file
};

// A settings file with the three sections and the given value texts, as a user would write it.
std::string settings_file(const std::string& x, const std::string& y, const std::string& z) {
    return header_x + "\r\n" + x + "\r\n" + header_y + "\r\n" + y + "\r\n" + header_z + "\r\n" + z +
           "\r\n";
}

// The message lines for values out of range, as they appear in the results file.
std::string x_message(const std::string& x) {
    return sjis::x_out_of_range + "X=" + x + "\r\n";
}
std::string y_message(const std::string& x, const std::string& y) {
    return sjis::y_out_of_range + "X=" + x + " Y=" + y + "\r\n";
}
std::string z_message(const std::string& x, const std::string& y, const std::string& z) {
    return sjis::z_out_of_range + "X=" + x + " Y=" + y + " Z=" + z + "\r\n";
}

class SettingsTest : public ScratchDirectoryTest {
  protected:
    // Reads `bytes` as a settings file, the way the run does.
    ReadResult read(const std::string& bytes) {
        write_file(path("in.ini"), bytes);
        std::FILE* settings_stream = std::fopen(path("in.ini").c_str(), "rb");
        std::FILE* results_stream = std::fopen(path("out.txt").c_str(), "wb");
        EXPECT_NE(settings_stream, nullptr);
        EXPECT_NE(results_stream, nullptr);
        ReadResult result{};
        result.outcome =
            read_settings(settings_stream, results_stream, &result.settings, &result.section);
        std::fclose(settings_stream);
        std::fclose(results_stream);
        result.results = read_file(path("out.txt"));
        return result;
    }
};

// One settings file and what the reader must make of it.
struct ReadCase {
    const char* name;         // what the case is about
    std::string file;         // the settings file's bytes
    SettingsOutcome outcome;  // the expected outcome
    Settings settings;        // the values expected, as far as they were read
    std::string results;      // the expected results-file bytes
};

constexpr SettingsOutcome valid = SettingsOutcome::valid;
constexpr SettingsOutcome missing = SettingsOutcome::header_missing;
constexpr SettingsOutcome out_of_range = SettingsOutcome::value_out_of_range;

TEST_F(SettingsTest, ReadsFilesAUserMightWrite) {
    const std::string default_file_after_x = header_y + "\r\n260\r\n" + header_z + "\r\n7\r\n";
    const std::vector<ReadCase> cases = {
        {"the default file", sjis::default_settings, valid, {240, 260.0f, 7}, ""},
        {"lower bounds are accepted",
         settings_file("100", "120", "5"),
         valid,
         {100, 120.0f, 5},
         ""},
        {"upper bounds are accepted",
         settings_file("1000", "720", "10"),
         valid,
         {1000, 720.0f, 10},
         ""},
        {"signs", settings_file("+240", "+260", "+7"), valid, {240, 260.0f, 7}, ""},
        {"X wraps modulo 2^32",
         settings_file("4294967536", "260", "7"),
         valid,
         {240, 260.0f, 7},
         ""},
        {"a negative X wraps too",
         settings_file("-4294967056", "260", "7"),
         valid,
         {240, 260.0f, 7},
         ""},
        {"no line ends at all",
         header_x + " 240 " + header_y + " 260 " + header_z + " 7",
         valid,
         {240, 260.0f, 7},
         ""},
        {"every white-space byte separates tokens",
         header_x + "\t240\v" + header_y + "\f260\r" + header_z + "\n7 ",
         valid,
         {240, 260.0f, 7},
         ""},
        {"bytes after a header's own bytes are ignored",
         header_x + "abc 240 " + header_y + "xyz 260 " + header_z + "!! 7",
         valid,
         {240, 260.0f, 7},
         ""},
        {"a byte 0x00 continues a header token",
         header_x + std::string(1, '\0') + " 240 " + default_file_after_x,
         valid,
         {240, 260.0f, 7},
         ""},
        {"the rest of a value's token is skipped",
         settings_file("240abc", "260xyz", "7"),
         valid,
         {240, 260.0f, 7},
         ""},
        {"a value glued to the next header",
         header_x + " 240" + default_file_after_x,
         valid,
         {240, 260.0f, 7},
         ""},
        {"a very long token before the first header",
         std::string(1000000, 'a') + " " + sjis::default_settings,
         valid,
         {240, 260.0f, 7},
         ""},
        {"bytes after Ctrl-Z are never read",
         sjis::default_settings + "\x1A" + header_x + " 5",
         valid,
         {240, 260.0f, 7},
         ""},

        {"an empty file", "", missing, {0, 0.0f, 0}, ""},
        {"only white space", " \t\r\n\v\f", missing, {0, 0.0f, 0}, ""},
        {"a header without its last byte",
         header_x.substr(0, 6) + " 240 " + default_file_after_x,
         missing,
         {0, 0.0f, 0},
         ""},
        {"a lower-case letter in a header",
         "\x5B\x8A\x6D\x97\xA6\x78\x5D 240 " + default_file_after_x,
         missing,
         {0, 0.0f, 0},
         ""},
        {"full-width brackets",
         "\x81\x6D\x8A\x6D\x97\xA6\x58\x81\x6E 240 " + default_file_after_x,
         missing,
         {0, 0.0f, 0},
         ""},
        {"a file saved as UTF-8",
         "[\xE7\xA2\xBA\xE7\x8E\x87X]\r\n240\r\n[100%\xE7\xA2\xBA\xE7\x8E\x87Y]\r\n260\r\n",
         missing,
         {0, 0.0f, 0},
         ""},
        {"the Y section before the X section",
         header_y + " 260 " + header_x + " 240 " + header_z + " 7",
         missing,
         {240, 0.0f, 0},
         ""},
        {"only the X section, valid", header_x + "\r\n240\r\n", missing, {240, 0.0f, 0}, ""},
        {"Ctrl-Z before the Z section",
         header_x + " 240 " + header_y + " 260 \x1A" + header_z + " 7",
         missing,
         {240, 260.0f, 0},
         ""},
        {"Ctrl-Z, then more than a read buffer of bytes, then the Z section",
         header_x + " 240 " + header_y + " 260 \x1A" + std::string(9000, 'x') + " " + header_z +
             " 7",
         missing,
         {240, 260.0f, 0},
         ""},

        {"only the X section, out of range",
         header_x + "\r\n99\r\n",
         out_of_range,
         {99, 0.0f, 0},
         x_message("99")},
        {"X just above its range",
         settings_file("1001", "260", "7"),
         out_of_range,
         {1001, 0.0f, 0},
         x_message("1001")},
        {"a negative X",
         settings_file("-240", "260", "7"),
         out_of_range,
         {-240, 0.0f, 0},
         x_message("-240")},
        {"X wraps to the most negative integer",
         settings_file("2147483648", "260", "7"),
         out_of_range,
         {-2147483647 - 1, 0.0f, 0},
         x_message("-2147483648")},
        {"X that is no number",
         settings_file("abc", "260", "7"),
         out_of_range,
         {0, 0.0f, 0},
         x_message("0")},
        {"a sign without digits",
         settings_file("-", "260", "7"),
         out_of_range,
         {0, 0.0f, 0},
         x_message("0")},
        {"a header with its value in one token",
         header_x + "240\r\n" + default_file_after_x,
         out_of_range,
         {0, 0.0f, 0},
         x_message("0")},
        {"a header at the end of the file", header_x, out_of_range, {0, 0.0f, 0}, x_message("0")},
        {"Ctrl-Z inside a value",
         header_x +
             " 24\x1A"
             "0 " +
             default_file_after_x,
         out_of_range,
         {24, 0.0f, 0},
         x_message("24")},
        {"Z just below its range",
         settings_file("240", "260", "4"),
         out_of_range,
         {240, 260.0f, 4},
         z_message("240", "260", "4")},
        {"Z just above its range",
         settings_file("240", "260.9", "11"),
         out_of_range,
         {240, 260.9f, 11},
         z_message("240", "260", "11")},
        {"Z that is no number",
         settings_file("240", "260", "seven"),
         out_of_range,
         {240, 260.0f, 0},
         z_message("240", "260", "0")},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult got = read(c.file);
        EXPECT_EQ(got.outcome, c.outcome);
        EXPECT_EQ(got.settings.X, c.settings.X);
        EXPECT_EQ(got.settings.Y, c.settings.Y);
        EXPECT_EQ(got.settings.Z, c.settings.Z);
        EXPECT_EQ(got.results, c.results);
    }
}

// One text of Y and the float the reader must make of it, rounded once from the decimal.
struct FloatCase {
    std::string text;     // the value as written in the file
    float value;          // the float expected
    const char* printed;  // Y as printed in the message, or null when Y is in range
};

TEST_F(SettingsTest, NamesTheSectionItEndedOn) {
    using Section = SettingsSection;
    const struct {
        std::string file;
        SettingsOutcome outcome;
        SettingsSection section;
    } cases[] = {
        {"", missing, Section::x},
        {header_x + " 240", missing, Section::y},
        {header_x + " 240 " + header_y + " 260", missing, Section::z},
        {settings_file("99", "260", "7"), out_of_range, Section::x},
        {settings_file("240", "100", "7"), out_of_range, Section::y},
        {settings_file("240", "260", "4"), out_of_range, Section::z},
        {sjis::default_settings, valid, Section::x},
    };
    for (const auto& c : cases) {
        const ReadResult got = read(c.file);
        EXPECT_EQ(got.outcome, c.outcome) << c.file;
        EXPECT_EQ(got.section, c.section) << c.file;
    }
}

TEST_F(SettingsTest, ReadsYAsACorrectlyRoundedFloat) {
    const std::string zeros(300, '0');
    const std::vector<FloatCase> cases = {
        {"260", 260.0f, nullptr},
        {"2.6e2", 260.0f, nullptr},
        {"26E+1", 260.0f, nullptr},
        {"2600e-1", 260.0f, nullptr},
        {".5e3", 500.0f, nullptr},
        {"260.", 260.0f, nullptr},
        {"000260.000", 260.0f, nullptr},
        {"0." + zeros + "26e303", 260.0f, nullptr},
        {"260." + std::string(100000, '0') + "1", 260.0f, nullptr},
        // An exponent marker without digits leaves the mantissa; the next byte starts a token.
        {"260e", 260.0f, nullptr},
        {"260e+x", 260.0f, nullptr},
        {"119.99999999", 120.0f, nullptr},
        // 720.000030517578125 lies exactly halfway between 720 and the next float: ties to even.
        {"720.000030517578125", 720.0f, nullptr},
        // Just above that midpoint: rounding through a double first would land on 720 instead.
        {"720.0000305175781250000001", 720.00006103515625f, "720"},
        {"720.000030517578125" + zeros + "1", 720.00006103515625f, "720"},
        {"720.5", 720.5f, "720"},
        {"119.9", 119.9f, "119"},
        {"119.99", 119.99f, "119"},
        {"-5.5", -5.5f, "-5"},
        {"3e9", 3e9f, "-1294967296"},
        {"1e10", 1e10f, "1410065408"},
        {"1e19", 1e19f, "0"},
        {"1e99999999999999999999999", HUGE_VALF, "0"},
        {"-1e99999999999999999999999", -HUGE_VALF, "0"},
        {"1e-99999999999999999999999", 0.0f, "0"},
        {"1e-45", 1e-45f, "0"},
        {"abc", 0.0f, "0"},
        {".", 0.0f, "0"},
        {"-.e5", 0.0f, "0"},
        {"inf", 0.0f, "0"},
        {"0x1p8", 0.0f, "0"},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE(c.text.size() < 60 ? c.text : c.text.substr(0, 60) + "...");
        const ReadResult got = read(settings_file("240", c.text, "7"));
        EXPECT_EQ(got.settings.Y, c.value);
        if (c.printed == nullptr) {
            EXPECT_EQ(got.outcome, SettingsOutcome::valid);
            EXPECT_EQ(got.results, "");
        } else {
            EXPECT_EQ(got.outcome, SettingsOutcome::value_out_of_range);
            EXPECT_EQ(got.results, y_message("240", c.printed));
        }
    }
}

TEST(PrintedY, TruncatesThroughSixtyFourBitsForEveryFloat) {
    const struct {
        float y;
        std::int32_t printed;
    } cases[] = {
        {260.9f, 260},       {-0.5f, 0},
        {-260.9f, -260},     {2147483648.0f, -2147483647 - 1},
        {3e9f, -1294967296}, {4294967296.0f, 0},
        {1e10f, 1410065408}, {-1e10f, -1410065408},
        {1e19f, 0},          {HUGE_VALF, 0},
        {-HUGE_VALF, 0},     {std::nanf(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        EXPECT_EQ(printed_y(c.y), c.printed);
    }
}

#if !defined(_WIN32)

// Makes LC_NUMERIC a locale whose decimal separator is a comma: an installed one, or one made
// with localedef in `directory` (from Debian's locales package). False when none can be had.
bool use_decimal_comma_locale(const std::string& directory) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) return true;
    }
    const std::string make =
        "localedef -i de_DE -f UTF-8 '" + directory + "/de_DE.UTF-8' > /dev/null 2>&1";
    if (std::system(make.c_str()) != 0) return false;
    setenv("LOCPATH", directory.c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST_F(SettingsTest, YDoesNotDependOnTheLocalesDecimalSeparator) {
    if (!use_decimal_comma_locale(directory)) GTEST_SKIP() << "no locale with a decimal comma";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    const struct {
        const char* text;
        float y;
    } cases[] = {{"260.5", 260.5f}, {"333.3", 333.3f}, {"2.6e2", 260.0f}, {"719.99", 719.99f}};
    for (const auto& c : cases) {
        const ReadResult result = read(settings_file("240", c.text, "7"));
        EXPECT_EQ(result.outcome, SettingsOutcome::valid) << c.text;
        EXPECT_EQ(result.settings.Y, c.y) << c.text;
    }
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
}

#endif

}  // namespace
