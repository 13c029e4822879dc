// numbers.h - small exact helpers on plain numbers, one copy each for every unit: a float's
// bits, rounding to whole numbers and division that rounds down.
#ifndef QUORVANTELMIX_NUMBERS_H
#define QUORVANTELMIX_NUMBERS_H

#include <cstdint>
#include <cstring>

// The IEEE bits of `value`.
inline std::uint32_t float_bits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The float whose IEEE bits are `bits`.
inline float float_from_bits(std::uint32_t bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A positive normal float as mantissa / 2^shift, exactly.
struct ExactFloat {
    std::uint64_t mantissa;  // the 24 significant bits
    std::int32_t shift;      // the value is mantissa / 2^shift
};

inline ExactFloat exact_float(float value) {
    const std::uint32_t bits = float_bits(value);
    const auto biased_exponent = static_cast<std::int32_t>((bits >> 23) & 0xFFu);
    return ExactFloat{(bits & 0x7FFFFFu) | 0x800000u, 150 - biased_exponent};
}

// The signed integer with the same low 32 bits as `bits`.
inline std::int32_t to_signed(std::uint32_t bits) {
    return bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                               : -static_cast<std::int32_t>(~bits) - 1;
}

// `value` rounded to the nearest whole number, halves upward (2.5 to 3, -2.5 to -2). |value|
// must stay below 2^52, where the fraction after truncation is exact.
inline std::int64_t round_half_up(double value) {
    auto whole = static_cast<std::int64_t>(value);  // toward zero
    const double fraction = value - static_cast<double>(whole);
    if (fraction >= 0.5) ++whole;
    if (fraction < -0.5) --whole;
    return whole;
}

// `value` rounded to the nearest whole number, halves away from zero (2.5 to 3, -2.5 to -3).
// |value| must stay below 2^52.
inline std::int64_t round_half_away(double value) {
    return value < 0 ? -round_half_up(-value) : round_half_up(value);
}

// The binomial probability of k + 1 successes in n trials from that of k, `term`, for a success
// probability `hit` and its complement `miss`: the ratio of successive terms, (n - k) / (k + 1)
// times hit / miss, applied in this order so that every user gets the same bits.
inline double next_binomial_term(double term, std::int32_t n, std::int32_t k, double hit,
                                 double miss) {
    return term * (n - k) / (k + 1) * hit / miss;
}

// `base` to the power `exponent`, by squaring: the same steps, and so the same bits, anywhere.
inline double integer_power(double base, std::int32_t exponent) {
    double result = 1.0;
    for (; exponent > 0; exponent /= 2) {
        if (exponent % 2 != 0) result *= base;
        base *= base;
    }
    return result;
}

// `value` / `divisor` rounded toward minus infinity; `divisor` is positive.
inline std::int64_t floor_divide(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// `value` / `divisor` rounded to the nearest whole number, halves away from zero (-2.5 to -3);
// `divisor` is positive and even.
inline std::int64_t divide_rounded_half_away(std::int64_t value, std::int64_t divisor) {
    const std::int64_t half = divisor / 2;
    return (value >= 0 ? value + half : value - half) / divisor;  // truncating toward zero
}

// The mid-quantile at `level` (0 to 1) of a distribution of `count` increasing `values` whose
// `masses` (none of them 0) add up to `total`: where the distribution function, drawn through
// each value at the middle of its mass and straight between two values, reaches level * total.
// Unlike the nearest-rank quantile, it moves smoothly as mass flows between values that lie far
// apart (medal counts one bonus apart), so a series of it shows no steps that are the sampling's.
inline double mid_quantile(const double* values, const double* masses, std::int32_t count,
                           double total, double level) {
    const double target = level * total;
    double below = 0.0;               // the mass of the values before i
    double middle = masses[0] / 2.0;  // the middle of value i's mass
    if (target <= middle) return values[0];
    for (std::int32_t i = 0; i + 1 < count; ++i) {
        below += masses[i];
        const double next = below + masses[i + 1] / 2.0;
        if (target <= next)
            return values[i] + (target - middle) / (next - middle) * (values[i + 1] - values[i]);
        middle = next;
    }
    return values[count - 1];
}

#endif
