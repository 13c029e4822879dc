// random_source.h - the program's one source of chance: a 15-bit linear congruential generator.
//
// state = state * 214013 + 2531011 (mod 2^32); a draw is bits 16 to 30 of the new state, a value
// from 0 to 32767. Seeded with 1, the first draws are 41, 18467 and 6334.
#ifndef QUORVANTELMIX_RANDOM_SOURCE_H
#define QUORVANTELMIX_RANDOM_SOURCE_H

#include <cstdint>

// Largest value a draw can return; the hit threshold of a spin is built on it.
constexpr std::int32_t random_max = 32767;

// The generator's state, the program's only global: 1 until the run seeds it, then advanced by
// every draw. Only the two functions below touch it.
extern std::uint32_t random_state;

// Sets the state to `seed`, the run's calendar time in seconds taken modulo 2^32.
inline void random_seed(std::uint32_t seed) {
    random_state = seed;
}

// Advances the state and returns the next value, from 0 to random_max.
inline std::int32_t random_draw() {
    random_state = random_state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
    return static_cast<std::int32_t>((random_state >> 16) & 0x7FFFu);
}

#endif
