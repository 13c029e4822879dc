// decimal_text.cpp - integers, fixed-point numbers and floats as decimal text.
//
// std::to_chars writes integers and the shortest round-trip float exactly, the same bytes on
// every platform and in every locale. Only the fixed-point text of an integer count of
// millionths (or thousandths, or tenths) is written here by hand: no library function divides an
// integer by a power of ten into decimal digits without going through a binary float.
#include "page/decimal_text.h"

#include <charconv>

#include "rules/numbers.h"

namespace {

// The decimal digits of `value`, with its sign: "-12345". A 64-bit integer has at most 20.
struct Digits {
    char text[24];
    std::size_t length;
};

Digits digits_of(std::int64_t value) {
    Digits digits{};
    digits.length = static_cast<std::size_t>(
        std::to_chars(digits.text, digits.text + sizeof digits.text, value).ptr - digits.text);
    return digits;
}

// 10 to the power `exponent`, 0 to 18.
std::int64_t power_of_ten(int exponent) {
    std::int64_t power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

}  // namespace

void append_integer(std::string* out, std::int64_t value) {
    const Digits digits = digits_of(value);
    out->append(digits.text, digits.length);
}

void append_grouped(std::string* out, std::int64_t value) {
    const Digits digits = digits_of(value);
    const std::size_t sign = value < 0 ? 1 : 0;
    out->append(digits.text, sign);
    for (std::size_t i = sign; i < digits.length; ++i) {
        if (i > sign && (digits.length - i) % 3 == 0) out->push_back(',');
        out->push_back(digits.text[i]);
    }
}

void append_fixed(std::string* out, std::int64_t scaled, int decimals, bool trim) {
    const std::int64_t unit = power_of_ten(decimals);
    // The whole part and the fraction toward zero, both with the sign of `scaled`.
    const std::int64_t whole = scaled / unit;
    std::int64_t fraction = scaled % unit;
    if (fraction < 0) fraction = -fraction;
    if (scaled < 0 && whole == 0) out->push_back('-');
    append_integer(out, whole);
    int shown = decimals;
    if (trim) {
        while (shown > 0 && fraction % 10 == 0) {
            fraction /= 10;
            --shown;
        }
    }
    if (shown == 0) return;
    out->push_back('.');
    // The fraction's digits with the zeros it starts with: "0.05" has the digits "05".
    const Digits digits = digits_of(fraction);
    out->append(static_cast<std::size_t>(shown) - digits.length, '0');
    out->append(digits.text, digits.length);
}

void append_tenths(std::string* out, double value) {
    append_fixed(out, round_half_up(value * 10.0), 1, false);
}

void append_significant(std::string* out, double value, int digits) {
    char text[64];
    char* const end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits).ptr;
    out->append(text, end);
}

void append_decimals(std::string* out, double value, int decimals) {
    char text[64];
    char* const end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    out->append(text, end);
}

void append_shortest_float(std::string* out, float value) {
    // Fixed notation, and of the shortest texts that read back as `value` the nearest to it.
    char text[64];
    char* const end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    out->append(text, end);
}
