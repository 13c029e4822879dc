// decimal_text_test.cpp - the report's numbers as text: fixed-point and grouped integers on
// their edge cases, and the shortest float text checked against the C library on the floats
// the report prints (Y and the loss per spin); and the logarithm of the budget chart's axis.
#include "page/decimal_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "page/chart.h"

namespace {

std::string grouped(std::int64_t value) {
    std::string out;
    append_grouped(&out, value);
    return out;
}

std::string fixed(std::int64_t scaled, int decimals, bool trim) {
    std::string out;
    append_fixed(&out, scaled, decimals, trim);
    return out;
}

std::string tenths(double value) {
    std::string out;
    append_tenths(&out, value);
    return out;
}

std::string shortest(float value) {
    std::string out;
    append_shortest_float(&out, value);
    return out;
}

// Significant digits of a decimal text: its digits without the zeros at either end.
int significant_digits(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') digits.push_back(c);
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    return static_cast<int>(digits.find_last_not_of('0') + 1 - first);
}

// The shortest text for `value` by the C library: the fewest significant digits whose
// correctly rounded "%.*g" reads back as `value`; `digits` is set to their number.
std::string library_shortest(float value, int* digits) {
    for (int precision = 1; precision <= 9; ++precision) {
        char text[32];
        std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
        *digits = precision;
        if (std::strtof(text, nullptr) == value) return text;
    }
    return "";
}

// Checks the shortest text of `value` against the library's: it reads back, it has no more
// digits, and it is the same decimal (the nearest of that length).
void check_against_library(float value) {
    const std::string text = shortest(value);
    int digits = 0;
    const std::string reference = library_shortest(value, &digits);
    if (std::strtof(text.c_str(), nullptr) != value || significant_digits(text) > digits ||
        std::strtod(text.c_str(), nullptr) != std::strtod(reference.c_str(), nullptr))
        ADD_FAILURE() << "value " << reference << ": " << text;
}

TEST(DecimalText, IntegersAndFixedPoint) {
    EXPECT_EQ(grouped(0), "0");
    EXPECT_EQ(grouped(999), "999");
    EXPECT_EQ(grouped(1000), "1,000");
    EXPECT_EQ(grouped(-28000), "-28,000");
    EXPECT_EQ(grouped(-100000), "-100,000");
    EXPECT_EQ(grouped(INT64_MIN), "-9,223,372,036,854,775,808");
    EXPECT_EQ(fixed(974311, 6, false), "0.974311");
    EXPECT_EQ(fixed(1000000, 6, false), "1.000000");
    EXPECT_EQ(fixed(5558123, 3, true), "5558.123");
    EXPECT_EQ(fixed(5558100, 3, true), "5558.1");
    EXPECT_EQ(fixed(5558000, 3, true), "5558");
    EXPECT_EQ(fixed(-4999900, 3, true), "-4999.9");
    EXPECT_EQ(fixed(-5, 3, true), "-0.005");
    EXPECT_EQ(fixed(587, 1, false), "58.7");
    EXPECT_EQ(tenths(123.44), "123.4");
    EXPECT_EQ(tenths(123.45), "123.5");
    EXPECT_EQ(tenths(-0.04), "0.0");
    EXPECT_EQ(tenths(-12.36), "-12.4");
}

TEST(ShortestFloat, HardCases) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {260.0f, "260"},
        {static_cast<float>(360.0 / 260.0), "1.3846154"},
        {0.5f, "0.5"},
        {3.0f, "3"},
        {120.0f, "120"},
        {720.0f, "720"},
        {333.3f, "333.3"},
        {123.456f, "123.456"},
        {std::nextafter(720.0f, 0.0f), "719.99994"},
        {std::nextafter(512.0f, 0.0f), "511.99997"},  // below a power of two
        {std::nextafter(1.0f, 0.0f), "0.99999994"},
        {1.0f, "1"},
        {16777215.0f, "16777215"},
        // Two decimals as near as each other: the even one, as the library rounds.
        {2097152.25f, "2097152.2"},
        {2097152.75f, "2097152.8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortest(c.value), c.text) << c.value;
}

TEST(ShortestFloat, ReadsBackAndIsAsShortAsTheLibrarysOverTheReportsRanges) {
    // Every 251st float of the loss per spin's range and of Y's, and both ends of each.
    for (const auto& range : {std::pair<float, float>{0.5f, 3.0f}, {120.0f, 720.0f}}) {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::memcpy(&first, &range.first, sizeof first);
        std::memcpy(&last, &range.second, sizeof last);
        for (std::uint32_t bits = first; bits <= last; bits += 251) {
            float value = 0.0f;
            std::memcpy(&value, &bits, sizeof value);
            check_against_library(value);
            if (testing::Test::HasFailure()) return;
        }
        check_against_library(range.second);
    }
}

TEST(Log10Of, AgreesWithTheLibraryOverTheChartsRange) {
    // From 1e-4 to 1e3, the budget chart's percentages and more, at 100,000 points and the
    // powers of ten exactly.
    for (int i = 0; i <= 100000; ++i) {
        const double value = std::pow(10.0, -4.0 + 7.0 * i / 100000.0);
        ASSERT_NEAR(log10_of(value), std::log10(value), 1e-14) << value;
    }
    for (int k = -3; k <= 2; ++k)
        EXPECT_NEAR(log10_of(std::pow(10.0, k)), k, 1e-15) << k;
}

}  // namespace
