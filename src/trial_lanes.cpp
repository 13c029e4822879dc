// trial_lanes.cpp - the boundary scan, and the lane engine compiled for each vector unit with a
// small dispatch among them.
#include "trial_lanes.h"

#include <cfloat>
#include <cstring>

#include "random_source.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUORVANTELMIX_X86 1
#endif

// Float arithmetic in float precision, as in trial.cpp: on 32-bit x86 the build uses SSE2.
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "float arithmetic must be evaluated in float precision (on x86: -msse2 -mfpmath=sse)"
#endif

/* ---------------------------------- trial boundaries ---------------------------------- */

namespace {

// The draws looked at together in the scan: a few vectors' worth at a time, so that a trial
// ended early by a bonus costs little more than the draws up to it.
constexpr std::int32_t scan_block = 32;

// Spins that every trial plays before the first draw that can end it.
constexpr std::int32_t spins_before_end = spins_to_end - 1;

}  // namespace

std::uint32_t find_trial_boundaries(std::uint32_t state, std::int32_t hit_threshold,
                                    TrialBoundary* boundaries, std::int32_t count) {
    constexpr RandomLeap to_first_ending_draw = random_leap(spins_before_end);
    for (std::int32_t trial = 0; trial < count; ++trial) {
        // From the trial's start, straight to the 6999th draw; then the draws of spins 7000 to
        // 7500 in blocks, up to the first bonus. Without one, the trial takes 7501 draws.
        std::uint32_t scan = random_leap_from(state, to_first_ending_draw);
        std::int32_t draws = max_draws_per_trial;
        for (std::int32_t first = spins_to_end; first <= spin_cap && draws > spin_cap;
             first += scan_block) {
            std::int32_t block[scan_block];
            const std::int32_t size = spin_cap + 1 - first < scan_block ? spin_cap + 1 - first
                                                                        : scan_block;
            random_fill_from(&scan, block, static_cast<std::size_t>(size));
            for (std::int32_t i = 0; i < size; ++i) {
                if (block[i] <= hit_threshold) {
                    draws = first + i;
                    break;
                }
            }
        }
        boundaries[trial] = TrialBoundary{state, draws};
        state = random_leap_from(state, random_leap(static_cast<std::uint64_t>(draws)));
    }
    return state;
}

/* ------------------------------------ the units ------------------------------------ */

// SSE2, or plain code where there is no x86: 4 lanes to a vector.
namespace sse2_lanes {
constexpr std::int32_t lanes_per_vector = 4;
constexpr std::int32_t vectors = 3;
using MaskVector = std::int32_t __attribute__((vector_size(16)));
using StateVector = std::uint32_t __attribute__((vector_size(16)));
inline StateVector next_states(StateVector state) {
#if defined(QUORVANTELMIX_X86)
    // SSE2 multiplies two 32-bit lanes at a time into 64 bits: the even lanes, then the odd
    // ones shifted down; the low halves of the products are the lanes' products mod 2^32.
    __m128i s;
    std::memcpy(&s, &state, sizeof s);
    const __m128i multiplier = _mm_set1_epi32(214013);
    const __m128i even = _mm_mul_epu32(s, multiplier);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(s, 32), multiplier);
    const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08),
                                                _mm_shuffle_epi32(odd, 0x08));
    StateVector next;
    std::memcpy(&next, &products, sizeof next);
    return next + 2531011u;
#else
    return state * 214013u + 2531011u;
#endif
}
inline unsigned mask_bits(MaskVector mask) {
#if defined(QUORVANTELMIX_X86)
    __m128i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(bits)));
#else
    unsigned bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= mask[i] != 0 ? 1u << i : 0u;
    return bits;
#endif
}
#include "trial_lanes_body.inc"
}  // namespace sse2_lanes

#if defined(__x86_64__)

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2_lanes {
constexpr std::int32_t lanes_per_vector = 8;
constexpr std::int32_t vectors = 2;
using MaskVector = std::int32_t __attribute__((vector_size(32)));
using StateVector = std::uint32_t __attribute__((vector_size(32)));
inline StateVector next_states(StateVector state) {
    return state * 214013u + 2531011u;
}
inline unsigned mask_bits(MaskVector mask) {
    __m256i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(bits)));
}
#include "trial_lanes_body.inc"
}  // namespace avx2_lanes
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,avx512bw,avx512vl")
namespace avx512_lanes {
constexpr std::int32_t lanes_per_vector = 16;
constexpr std::int32_t vectors = 2;
using MaskVector = std::int32_t __attribute__((vector_size(64)));
using StateVector = std::uint32_t __attribute__((vector_size(64)));
inline StateVector next_states(StateVector state) {
    return state * 214013u + 2531011u;
}
inline unsigned mask_bits(MaskVector mask) {
    __m512i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return _mm512_cmplt_epi32_mask(bits, _mm512_setzero_si512());
}
#include "trial_lanes_body.inc"
}  // namespace avx512_lanes
#pragma GCC pop_options

#endif

/* ------------------------------------ dispatch ------------------------------------ */

std::int32_t trials_in_lanes(LaneUnit unit) {
    switch (unit) {
        case LaneUnit::sse2:
            return 12;
        case LaneUnit::avx2:
            return 16;
        case LaneUnit::avx512:
            return 32;
    }
    return 8;
}

bool lane_unit_available(LaneUnit unit) {
#if defined(__x86_64__)
    __builtin_cpu_init();
    switch (unit) {
        case LaneUnit::sse2:
            return true;
        case LaneUnit::avx2:
            return __builtin_cpu_supports("avx2") != 0;
        case LaneUnit::avx512:
            return __builtin_cpu_supports("avx512f") != 0 &&
                   __builtin_cpu_supports("avx512dq") != 0 &&
                   __builtin_cpu_supports("avx512bw") != 0 &&
                   __builtin_cpu_supports("avx512vl") != 0;
    }
    return false;
#else
    // The 32-bit program keeps to SSE2, which every processor it runs on has.
    return unit == LaneUnit::sse2;
#endif
}

LaneUnit widest_lane_unit() {
    if (lane_unit_available(LaneUnit::avx512)) return LaneUnit::avx512;
    if (lane_unit_available(LaneUnit::avx2)) return LaneUnit::avx2;
    return LaneUnit::sse2;
}

void play_trials_in_lanes(const TrialRules& rules, LaneUnit unit, const TrialBoundary* boundaries,
                          std::int32_t count, TrialResult* trials) {
    switch (unit) {
#if defined(__x86_64__)
        case LaneUnit::avx512:
            avx512_lanes::play_group(rules, boundaries, count, trials);
            return;
        case LaneUnit::avx2:
            avx2_lanes::play_group(rules, boundaries, count, trials);
            return;
#endif
        default:
            sse2_lanes::play_group(rules, boundaries, count, trials);
            return;
    }
}
