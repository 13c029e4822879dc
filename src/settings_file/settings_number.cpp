// settings_number.cpp - the integers and the decimal number of the settings file.
#include "settings_file/settings_number.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rules/numbers.h"

// Consumes an optional sign; true when it was a minus sign.
static bool read_sign(SettingsInput* in) {
    const int byte = peek_byte(in);
    if (byte != '+' && byte != '-') return false;
    skip_byte(in);
    return byte == '-';
}

std::int32_t read_integer(SettingsInput* in) {
    skip_white_space(in);
    const bool negative = read_sign(in);
    std::uint32_t magnitude = 0;
    for (int byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(byte - '0');
        skip_byte(in);
    }
    return to_signed(negative ? 0u - magnitude : magnitude);
}

// Significant digits of a decimal number that are kept for its conversion to float. A float's
// rounding can hinge on at most about 112 significant digits (the exact midpoints between two
// floats); beyond those, only whether a further digit is non-zero matters.
constexpr std::size_t kept_digits = 200;

// Largest exponent written after "e" in an exponent: further digits only make the number more
// certainly infinite or zero, so they are no longer accumulated.
constexpr std::int64_t written_exponent_limit = 100000000000000000;  // 10^17

// Largest decimal exponent handed to the conversion; far beyond the range of a float, so
// clamping there changes nothing.
constexpr std::int64_t exponent_limit = 100000;

// A decimal number being read: value = sign 0.digits × 10^exponent.
struct DecimalNumber {
    bool negative;                // a minus sign came first
    char digits[kept_digits];     // its first significant digits, the first one non-zero
    std::size_t digit_count;      // number of digits kept
    bool dropped_non_zero;        // a non-zero digit came after the kept ones
    std::int64_t exponent;        // decimal exponent of 0.digits
    std::size_t mantissa_digits;  // digits seen before any exponent, zeros included
};

// Adds a digit of the mantissa; `before_point` tells on which side of the decimal point it is.
static void add_mantissa_digit(DecimalNumber* number, int byte, bool before_point) {
    ++number->mantissa_digits;
    if (number->digit_count == 0 && byte == '0') {
        // A leading zero: before the point it counts for nothing, after it it shifts the value.
        if (!before_point) --number->exponent;
        return;
    }
    if (number->digit_count < kept_digits) {
        number->digits[number->digit_count++] = static_cast<char>(byte);
    } else if (byte != '0') {
        number->dropped_non_zero = true;
    }
    if (before_point) ++number->exponent;
}

// Rounds the number once, correctly, to a float by the C library's conversion. The text handed
// to it has no decimal point ("-digits" then "e" and a power of ten), so no locale's decimal
// separator can change how it reads.
static float decimal_to_float(const DecimalNumber& number) {
    if (number.digit_count == 0) return number.negative ? -0.0f : 0.0f;
    // "-" + digits + a sticky digit + "e-100201" + the terminator
    char text[1 + kept_digits + 1 + 8 + 1];
    std::size_t length = 0;
    if (number.negative) text[length++] = '-';
    std::memcpy(text + length, number.digits, number.digit_count);
    length += number.digit_count;
    std::size_t written_digits = number.digit_count;
    // Digits dropped after the kept ones only ever need to move the value off a midpoint.
    if (number.dropped_non_zero) {
        text[length++] = '1';
        ++written_digits;
    }
    const std::int64_t exponent = number.exponent > exponent_limit    ? exponent_limit
                                  : number.exponent < -exponent_limit ? -exponent_limit
                                                                      : number.exponent;
    // 0.digits x 10^exponent is digits x 10^(exponent - their count). The exponent is clamped
    // to six digits and the count is at most 201, so it always fits.
    const auto power = static_cast<int>(exponent - static_cast<std::int64_t>(written_digits));
    static_cast<void>(std::snprintf(text + length, sizeof text - length, "e%d", power));
    return std::strtof(text, nullptr);
}

float read_float(SettingsInput* in) {
    DecimalNumber number{};
    skip_white_space(in);
    number.negative = read_sign(in);
    int byte = peek_byte(in);
    for (; is_digit(byte); byte = peek_byte(in)) {
        add_mantissa_digit(&number, byte, true);
        skip_byte(in);
    }
    if (byte == '.') {
        skip_byte(in);
        for (byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
            add_mantissa_digit(&number, byte, false);
            skip_byte(in);
        }
    }
    if (number.mantissa_digits == 0) return 0.0f;
    if (byte == 'e' || byte == 'E') {
        skip_byte(in);
        const bool exponent_negative = read_sign(in);
        std::int64_t exponent = 0;
        for (byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
            if (exponent < written_exponent_limit) exponent = exponent * 10 + (byte - '0');
            skip_byte(in);
        }
        // The digit counts stay far below 2^62 (a file that long cannot exist), so this sum
        // cannot overflow.
        number.exponent += exponent_negative ? -exponent : exponent;
    }
    return decimal_to_float(number);
}
