// decimal_text.h - numbers as decimal text for the report page: the same value gives the same
// bytes on every platform and in every locale (no C library printf involved).
#ifndef QUORVANTELMIX_DECIMAL_TEXT_H
#define QUORVANTELMIX_DECIMAL_TEXT_H

#include <cstdint>
#include <string>

// Appends `value` in decimal: "-12345".
void append_integer(std::string* out, std::int64_t value);

// Appends `value` in decimal with a comma between thousands: "-12,345".
void append_grouped(std::string* out, std::int64_t value);

// Appends scaled / 10^decimals with exactly `decimals` digits after the point ("0.974311" for
// 974311 and 6), or, when `trim` is set, without the zeros at its end ("5558.1" for 5558100 and
// 3; "5558" for 5558000).
void append_fixed(std::string* out, std::int64_t scaled, int decimals, bool trim);

// Appends `value` rounded to tenths, halves upward: "123.4". |value| must be below 2^52 / 10.
void append_tenths(std::string* out, double value);

// Appends the shortest decimal text that reads back as the float `value`, and of those the one
// nearest to it (of two as near, the even one), in fixed notation: "260", "1.3846154".
void append_shortest_float(std::string* out, float value);

// Appends `value` rounded correctly to `digits` significant digits, in fixed notation or, for a
// value far from 1, in exponent notation as JSON reads it: "0.585440142", "3.82e-11".
void append_significant(std::string* out, double value, int digits);

// Appends `value` rounded correctly to `decimals` decimals: "-7234.125".
void append_decimals(std::string* out, double value, int decimals);

#endif
