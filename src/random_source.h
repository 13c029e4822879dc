// random_source.h - the program's one source of chance: a 15-bit linear congruential generator.
//
// state = state * 214013 + 2531011 (mod 2^32); a draw is bits 16 to 30 of the new state, a value
// from 0 to 32767. Seeded with 1, the first draws are 41, 18467 and 6334.
#ifndef QUORVANTELMIX_RANDOM_SOURCE_H
#define QUORVANTELMIX_RANDOM_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// Largest value a draw can return; the hit threshold of a spin is built on it.
constexpr std::int32_t random_max = 32767;

// The generator's state, the program's only global: 1 until the run seeds it, then advanced by
// every draw. Only the functions below touch it.
extern std::uint32_t random_state;

// The state that follows `state`.
constexpr std::uint32_t random_next_state(std::uint32_t state) {
    return state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
}

// The value that a draw returns when it leaves the generator in `state`.
constexpr std::int32_t random_value(std::uint32_t state) {
    return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

// Sets the state to `seed`, the run's calendar time in seconds taken modulo 2^32.
inline void random_seed(std::uint32_t seed) {
    random_state = seed;
}

// Advances the state and returns the next value, from 0 to random_max.
inline std::int32_t random_draw() {
    random_state = random_next_state(random_state);
    return random_value(random_state);
}

/* ------------------------------ leaps ahead ------------------------------ */

// `steps` steps of the generator taken at once: state * multiplier + increment (mod 2^32). The
// steps compose: k steps are one multiply-add, whatever k.
struct RandomLeap {
    std::uint32_t multiplier;  // 214013^steps
    std::uint32_t increment;   // the state that `steps` steps make of state 0
};

// The leap of `steps` steps, by squaring: some 60 operations for any count up to 2^64.
constexpr RandomLeap random_leap(std::uint64_t steps) {
    RandomLeap leap{1u, 0u};              // no step at all
    RandomLeap power{214013u, 2531011u};  // one step, then 2, 4, 8, ... steps
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

/* --------------------------- many draws at a time --------------------------- */

// Draws that random_fill takes at a time, from as many states that leap ahead together.
constexpr std::size_t random_lanes = 8;

// The multiplier of `steps` steps taken at once: 214013^steps (mod 2^32).
constexpr std::uint32_t random_leap_multiplier(std::size_t steps) {
    std::uint32_t multiplier = 1u;
    for (std::size_t i = 0; i < steps; ++i)
        multiplier *= 214013u;
    return multiplier;
}

// The increment of `steps` steps taken at once: the state that `steps` steps make of state 0.
constexpr std::uint32_t random_leap_increment(std::size_t steps) {
    std::uint32_t state = 0u;
    for (std::size_t i = 0; i < steps; ++i)
        state = random_next_state(state);
    return state;
}

// Stores in `draws` the `count` values that follow `*state`, the same values that `count` steps
// of the generator from it give, and leaves `*state` where those steps leave it.
inline void random_fill_from(std::uint32_t* state_in_out, std::int32_t* draws, std::size_t count) {
    // One step depends on the one before, so a single state makes a slow chain. Eight states
    // one step apart, each leaping eight steps at a time, give the same sequence eight times as
    // fast: state(n + 8) = state(n) * 214013^8 + increment(8), modulo 2^32. The eight states
    // are one vector, stepped together by the processor's vector unit where it has one.
    constexpr std::uint32_t leap_multiplier = random_leap_multiplier(random_lanes);
    constexpr std::uint32_t leap_increment = random_leap_increment(random_lanes);
    using Lanes = std::uint32_t __attribute__((vector_size(4 * sizeof(std::uint32_t))));
    std::uint32_t state = *state_in_out;  // a local copy, which the stores cannot touch
    std::size_t done = 0;
    if (count >= random_lanes) {
        Lanes low{};   // the states of draws 0 to 3 of each block of eight
        Lanes high{};  // those of draws 4 to 7
        for (std::size_t i = 0; i < 4; ++i)
            low[i] = state = random_next_state(state);
        for (std::size_t i = 0; i < 4; ++i)
            high[i] = state = random_next_state(state);
        Lanes last = high;  // the states of the block stored last
        for (; count - done >= random_lanes; done += random_lanes) {
            const Lanes low_values = (low >> 16u) & 0x7FFFu;  // random_value of each lane
            const Lanes high_values = (high >> 16u) & 0x7FFFu;
            std::memcpy(draws + done, &low_values, sizeof low_values);
            std::memcpy(draws + done + 4, &high_values, sizeof high_values);
            last = high;
            low = low * leap_multiplier + leap_increment;
            high = high * leap_multiplier + leap_increment;
        }
        state = last[3];
    }
    for (; done < count; ++done) {
        state = random_next_state(state);
        draws[done] = random_value(state);
    }
    *state_in_out = state;
}

// Stores the next `count` values in `draws`, the same values that `count` calls of random_draw
// would return, and leaves the state where they would leave it.
inline void random_fill(std::int32_t* draws, std::size_t count) {
    random_fill_from(&random_state, draws, count);
}

#endif
