// random_source.h - the program's one source of chance: a 15-bit linear congruential generator.
//
// state = state * 214013 + 2531011 (mod 2^32); a draw is bits 16 to 30 of the new state, a value
// from 0 to 32767. Seeded with 1, the first draws are 41, 18467 and 6334.
#ifndef QUORVANTELMIX_RANDOM_SOURCE_H
#define QUORVANTELMIX_RANDOM_SOURCE_H

#include <cstdint>

// Largest value a draw can return; the hit threshold of a spin is built on it.
constexpr std::int32_t random_max = 32767;

// The generator's step: state * random_multiplier + random_increment, modulo 2^32.
constexpr std::uint32_t random_multiplier = 214013u;
constexpr std::uint32_t random_increment = 2531011u;

// The state that follows `state`.
constexpr std::uint32_t random_next_state(std::uint32_t state) {
    return state * random_multiplier + random_increment;  // unsigned: wraps modulo 2^32
}

// The value that a draw returns when it leaves the generator in `state`.
constexpr std::int32_t random_value(std::uint32_t state) {
    return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

/* ------------------------------ leaps ahead ------------------------------ */

// `steps` steps of the generator taken at once: state * multiplier + increment (mod 2^32). The
// steps compose: k steps are one multiply-add, whatever k.
struct RandomLeap {
    std::uint32_t multiplier;  // random_multiplier^steps
    std::uint32_t increment;   // the state that `steps` steps make of state 0
};

// The leap of `steps` steps, by squaring: some 60 operations for any count up to 2^64.
constexpr RandomLeap random_leap(std::uint64_t steps) {
    RandomLeap leap{1u, 0u};                                // no step at all
    RandomLeap power{random_multiplier, random_increment};  // one step, then 2, 4, 8, ...
    for (; steps != 0; steps /= 2) {
        // leap, then power: state * leap.m * power.m + leap.i * power.m + power.i
        if (steps % 2 != 0)
            leap = RandomLeap{leap.multiplier * power.multiplier,
                              leap.increment * power.multiplier + power.increment};
        power = RandomLeap{power.multiplier * power.multiplier,
                           power.increment * power.multiplier + power.increment};
    }
    return leap;
}

// The state that `leap` makes of `state`.
constexpr std::uint32_t random_leap_from(std::uint32_t state, RandomLeap leap) {
    return state * leap.multiplier + leap.increment;
}

#endif
