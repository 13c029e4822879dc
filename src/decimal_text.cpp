// decimal_text.cpp - integers, fixed-point numbers and floats as decimal text.
#include "decimal_text.h"

#include <algorithm>
#include <cstring>

namespace {

// The digits of `magnitude`, with `separator` between thousands when it is not 0.
void append_magnitude(std::string* out, std::uint64_t magnitude, char separator) {
    char reversed[32];  // 20 digits and 6 separators at most
    int length = 0;
    int digits = 0;
    do {
        if (separator != 0 && digits > 0 && digits % 3 == 0) reversed[length++] = separator;
        reversed[length++] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
        ++digits;
    } while (magnitude != 0u);
    while (length > 0)
        out->push_back(reversed[--length]);
}

// The magnitude of `value` as an unsigned number, so that the most negative value has one too.
std::uint64_t magnitude_of(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return value < 0 ? 0u - bits : bits;
}

// 10 to the power `exponent`, 0 to 19.
std::uint64_t power_of_ten(int exponent) {
    std::uint64_t power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10u;
    return power;
}

}  // namespace

void append_integer(std::string* out, std::int64_t value) {
    if (value < 0) out->push_back('-');
    append_magnitude(out, magnitude_of(value), 0);
}

void append_grouped(std::string* out, std::int64_t value) {
    if (value < 0) out->push_back('-');
    append_magnitude(out, magnitude_of(value), ',');
}

void append_fixed(std::string* out, std::int64_t scaled, int decimals, bool trim) {
    const std::uint64_t unit = power_of_ten(decimals);
    const std::uint64_t magnitude = magnitude_of(scaled);
    if (scaled < 0) out->push_back('-');
    append_magnitude(out, magnitude / unit, 0);
    std::uint64_t fraction = magnitude % unit;
    int shown = decimals;
    if (trim) {
        while (shown > 0 && fraction % 10u == 0) {
            fraction /= 10u;
            --shown;
        }
    }
    if (shown == 0) return;
    out->push_back('.');
    for (std::uint64_t place = power_of_ten(shown - 1); place > 0; place /= 10u)
        out->push_back(static_cast<char>('0' + fraction / place % 10u));
}

void append_tenths(std::string* out, double value) {
    const double tenths = value * 10.0;
    auto whole = static_cast<std::int64_t>(tenths);  // toward zero
    const double fraction = tenths - static_cast<double>(whole);
    if (fraction >= 0.5) ++whole;
    if (fraction < -0.5) --whole;
    append_fixed(out, whole, 1, false);
}

void append_shortest_float(std::string* out, float value) {
    // value = 4m / 2^shift exactly, m the 24-bit significand, and every decimal strictly
    // between (4m - 2) / 2^shift and (4m + 2) / 2^shift reads back as it. The ends themselves
    // (and, below a power of two, the nearer end 4m - 1) never decide: they have more decimals
    // than the value itself, which is a candidate and ends the search first.
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto biased_exponent = static_cast<int>((bits >> 23) & 0xFFu);
    const std::uint64_t m = (bits & 0x7FFFFFu) | 0x800000u;
    const int shift = 152 - biased_exponent;  // from 2 (below 2^24) to 26 (at 0.5)
    const std::uint64_t denominator = std::uint64_t{1} << shift;
    // The fewest decimals d with a whole number n, n / 10^d inside the interval; 9 decimals
    // always find one in this range, and 2^26 * 10^9 keeps every product below 2^63.
    for (int decimals = 0;; ++decimals) {
        const std::uint64_t scale = power_of_ten(decimals);
        const std::uint64_t low = (4 * m - 2) * scale;
        const std::uint64_t high = (4 * m + 2) * scale;
        const std::uint64_t first = low / denominator + 1;  // the first n above the low end
        std::uint64_t last = high / denominator;            // the last n below the high end
        if (last * denominator == high) --last;
        if (first > last) continue;
        // Of the candidates, the one nearest to the value; of two as near, the even one.
        const std::uint64_t center = 4 * m * scale;
        std::uint64_t nearest = center / denominator;
        const std::uint64_t above = center - nearest * denominator;
        if (above * 2 > denominator || (above * 2 == denominator && nearest % 2 != 0)) ++nearest;
        nearest = std::min(std::max(nearest, first), last);
        append_fixed(out, static_cast<std::int64_t>(nearest), decimals, false);
        return;
    }
}
