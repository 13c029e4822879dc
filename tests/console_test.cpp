// console_test.cpp - which terminals get converted console lines, and the conversion itself.
#include "platform/console.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

TEST(Console, RecognisesTheNamesOfShiftJis) {
    const struct {
        const char* codeset;
        bool shift_jis;
    } cases[] = {
        {"SHIFT_JIS", true}, {"Shift_JIS", true},   {"SJIS", true},      {"sjis", true},
        {"CP932", true},     {"WINDOWS-31J", true}, {"UTF-8", false},    {"EUC-JP", false},
        {"SJIS-2", false},   {"CP93", false},       {"", false},         {"ANSI_X3.4-1968", false},
        {"ascii", false},    {"cp932x", false},     {"shift-jis", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codeset);
        EXPECT_EQ(is_shift_jis_codeset(c.codeset), c.shift_jis);
    }
}

TEST(Console, ChoosesTheCharacterSetOfTheLinesByTheLocale) {
    const struct {
        const char* name;
        bool terminal;
        const char* locale_codeset;
        const char* target;  // null: the Shift_JIS bytes as they stand
    } cases[] = {
        {"a Shift_JIS terminal", true, "SHIFT_JIS", nullptr},
        {"a UTF-8 terminal", true, "UTF-8", "UTF-8"},
        {"an EUC-JP terminal", true, "EUC-JP", "EUC-JP"},
        {"no LANG, C or POSIX", true, "ANSI_X3.4-1968", "UTF-8"},
        {"a locale that is not installed", true, "", "UTF-8"},
        {"not a terminal, whatever the locale", false, "UTF-8", nullptr},
        {"not a terminal, plain ASCII", false, "ANSI_X3.4-1968", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const char* target = console_target_codeset(c.terminal, c.locale_codeset);
        EXPECT_EQ(target == nullptr ? "bytes" : std::string(target),
                  c.target == nullptr ? "bytes" : std::string(c.target));
    }
}

#if defined(_WIN32)
TEST(Console, ConvertsTheProgressLineToUtf16ForTheWideConsoleCall) {
    const std::string line = sjis::calculating + "\r\n";
    wchar_t out[64];
    const long length = console_text_to_utf16(line.data(), line.size(), out, 64);
    // 計算中・・・・ in UTF-16, the CR LF kept.
    const std::wstring expected = {0x8A08, 0x7B97, 0x4E2D, 0x30FB, 0x30FB,
                                   0x30FB, 0x30FB, L'\r',  L'\n'};
    ASSERT_EQ(length, static_cast<long>(expected.size()));
    EXPECT_EQ(std::wstring(out, static_cast<std::size_t>(length)), expected);
}

TEST(Console, ReportsTextThatCannotBeConvertedToUtf16) {
    const std::string line = sjis::calculating + "\r\n";
    wchar_t out[64];
    EXPECT_EQ(console_text_to_utf16(line.data(), line.size(), out, 4), -1);  // too little room
    EXPECT_EQ(console_text_to_utf16("X=240\x81", 6, out, 64), -1);           // a lead byte alone
}
#else
TEST(Console, ConvertsTheProgressLineForAUtf8Terminal) {
    const std::string line = sjis::calculating + "\r\n";
    char out[64];
    const long length = convert_console_text(line.data(), line.size(), "UTF-8", out, sizeof out);
    ASSERT_GE(length, 0);
    // 計算中・・・・ in UTF-8, the CR LF kept.
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(length)),
              "\xE8\xA8\x88\xE7\xAE\x97\xE4\xB8\xAD\xE3\x83\xBB\xE3\x83\xBB\xE3\x83\xBB\xE3\x83\xBB"
              "\r\n");
}

TEST(Console, ReportsTextThatCannotBeConverted) {
    const std::string line = sjis::calculating + "\r\n";
    char out[64];
    EXPECT_EQ(convert_console_text(line.data(), line.size(), "ANSI_X3.4-1968", out, sizeof out),
              -1);
    EXPECT_EQ(convert_console_text(line.data(), line.size(), "NO-SUCH-CHARSET", out, sizeof out),
              -1);
    EXPECT_EQ(convert_console_text(line.data(), line.size(), "UTF-8", out, 8), -1);
}
#endif

}  // namespace
