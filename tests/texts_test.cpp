// texts_test.cpp - the program's literals are the Shift_JIS bytes its users' files hold.
#include "platform/texts.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

TEST(Texts, HeadersAreTheirShiftJisBytes) {
    EXPECT_EQ(std::string(texts::header_x), sjis::header_x);
    EXPECT_EQ(std::string(texts::header_y), sjis::header_y);
    EXPECT_EQ(std::string(texts::header_z), sjis::header_z);
}

TEST(Texts, MessagesAreTheirShiftJisBytes) {
    const struct {
        const char* text;
        std::string bytes;
    } cases[] = {
        {texts::x_out_of_range, sjis::x_out_of_range + "X=%d\n"},
        // The format doubles the percent sign that the message prints once.
        {texts::y_out_of_range, "100%%" + sjis::y_out_of_range.substr(4) + "X=%d Y=%d\n"},
        {texts::z_out_of_range, sjis::z_out_of_range + "X=%d Y=%d Z=%d\n"},
        {texts::file_not_opened, sjis::file_quote + "%s" + sjis::not_opened + "\n"},
        {texts::file_not_written, sjis::file_quote + "%s" + sjis::not_written + "\n"},
        {texts::calculating, sjis::calculating + "\n"},
        {texts::bonus_unit, sjis::bonus_unit},
        {texts::medal_unit, sjis::medal_unit},
        {texts::yen_unit, sjis::yen_unit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(std::string(c.text), c.bytes);
    }
}

TEST(Texts, DefaultSettingsLinesMakeTheDefaultFile) {
    std::string joined;
    for (const char* line : texts::default_settings_lines)
        joined += std::string(line) + "\n";
    std::string with_crlf;
    for (const char byte : joined)
        with_crlf += byte == '\n' ? std::string("\r\n") : std::string(1, byte);
    EXPECT_EQ(with_crlf, sjis::default_settings);
}

}  // namespace
