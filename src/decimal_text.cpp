// decimal_text.cpp - integers, fixed-point numbers and floats as decimal text.
#include "decimal_text.h"

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
    // value = 4m / 2^shift exactly, m the 24-bit significand; the floats that read back as it
    // lie between 4m - 2 and 4m + 2 over 2^shift (4m - 1 below a power of two, where the floats
    // below are spaced half as far), the ends included when m is even (ties go to even).
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto biased_exponent = static_cast<int>((bits >> 23) & 0xFFu);
    const std::uint64_t m = (bits & 0x7FFFFFu) | 0x800000u;
    const int shift = 152 - biased_exponent;  // from 2 (below 2^24) to 26 (at 0.5)
    const std::uint64_t center = 4 * m;
    const std::uint64_t low = (bits & 0x7FFFFFu) == 0 ? center - 1 : center - 2;
    const std::uint64_t high = center + 2;
    const bool ends_included = m % 2 == 0;
    const std::uint64_t denominator = std::uint64_t{1} << shift;
    // The fewest decimals d with a whole number n, n / 10^d within the interval; 9 decimals
    // always find one in this range, and 2^26 * 10^9 keeps every product below 2^63.
    for (int decimals = 0;; ++decimals) {
        const std::uint64_t scale = power_of_ten(decimals);
        const std::uint64_t low_scaled = low * scale;
        const std::uint64_t high_scaled = high * scale;
        std::uint64_t first = low_scaled / denominator;  // the first n at or above the low end
        if (first * denominator < low_scaled ||
            (!ends_included && first * denominator == low_scaled))
            ++first;
        std::uint64_t last = high_scaled / denominator;  // the last n at or below the high end
        if (!ends_included && last * denominator == high_scaled) --last;
        if (first > last) continue;
        // Of the candidates, the one nearest to the value; of two as near, the even one.
        const std::uint64_t center_scaled = center * scale;
        std::uint64_t nearest = center_scaled / denominator;
        const std::uint64_t below = center_scaled - nearest * denominator;
        if (below * 2 > denominator || (below * 2 == denominator && nearest % 2 != 0)) ++nearest;
        if (nearest < first) nearest = first;
        if (nearest > last) nearest = last;
        append_fixed(out, static_cast<std::int64_t>(nearest), decimals, false);
        return;
    }
}
