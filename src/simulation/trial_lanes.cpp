// trial_lanes.cpp - the boundary scan, and the lane engine compiled for each vector unit with a
// small dispatch among them.
#include "simulation/trial_lanes.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>

#include "rules/random_source.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUORVANTELMIX_X86 1
#endif

// The medals are a float. By the rules of play, each change to them is the exact result in
// double arithmetic, rounded once to a float. Those exact results (sums and differences of
// floats from 0.5 to a few million) need far fewer than a double's 53 bits, so float addition
// and subtraction, which round the exact result once, give the same values. That holds only
// where floats are evaluated in float precision: on 32-bit x86, SSE2 (-msse2 -mfpmath=sse) and
// never the x87 unit, whose wider registers can carry the medals unrounded from spin to spin.
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "float arithmetic must be evaluated in float precision (on x86: -msse2 -mfpmath=sse)"
#endif

/* ---------------------------------- trial boundaries ---------------------------------- */

namespace {

// The draws of spins 7000 to 7500, in blocks of eight: eight generator states one step apart,
// each leaping eight steps at a time, held in two vectors.
using ScanStates = std::uint32_t __attribute__((vector_size(16)));
using ScanBits = std::int32_t __attribute__((vector_size(16)));

// The first of the eight draws that follow `state` (1 to 8) that is a bonus, or 0.
inline std::int32_t first_bonus_of_eight(const ScanStates (&states)[2], ScanBits limit) {
    // Bits 16 to 30 of a state in place, as a signed number, against T * 2^16 + 0xFFFF.
    const ScanBits low = __builtin_convertvector(states[0] & 0x7FFF0000u, ScanBits) <= limit;
    const ScanBits high = __builtin_convertvector(states[1] & 0x7FFF0000u, ScanBits) <= limit;
    for (std::int32_t i = 0; i < 4; ++i) {
        if (low[i] != 0) return i + 1;
    }
    for (std::int32_t i = 0; i < 4; ++i) {
        if (high[i] != 0) return i + 5;
    }
    return 0;
}

// The draws a trial takes that has reached `state` after its 6999th draw: the first spin from
// the 7000th on whose draw is a bonus, or 7501 when none up to the 7500th is.
std::int32_t trial_draws(std::uint32_t state, std::int32_t hit_threshold) {
    constexpr RandomLeap leap_of_eight = random_leap(8);
    const ScanBits limit = ScanBits{} + (hit_threshold * 65536 + 0xFFFF);
    std::uint32_t first_states[8];
    for (std::uint32_t& first_state : first_states)
        first_state = state = random_next_state(state);
    ScanStates states[2];
    std::memcpy(states, first_states, sizeof states);
    // 501 draws are 62 blocks of eight and one more draw; a bonus found past the 7500th spin
    // does not count.
    for (std::int32_t first = spins_to_end; first <= spin_cap; first += 8) {
        const std::int32_t found = first_bonus_of_eight(states, limit);
        if (found != 0) return first + found - 1 <= spin_cap ? first + found - 1 : spin_cap + 1;
        for (ScanStates& vector : states)
            vector = vector * leap_of_eight.multiplier + leap_of_eight.increment;
    }
    return spin_cap + 1;
}

}  // namespace

std::uint32_t find_trial_boundaries(std::uint32_t state, std::int32_t hit_threshold,
                                    TrialBoundary* boundaries, std::int32_t count) {
    constexpr RandomLeap to_first_ending_draw = random_leap(spins_before_end);
    for (std::int32_t trial = 0; trial < count; ++trial) {
        // From the trial's start, straight to its 6999th draw, then the draws that can end it.
        const std::int32_t draws =
            trial_draws(random_leap_from(state, to_first_ending_draw), hit_threshold);
        boundaries[trial] = TrialBoundary{state, draws};
        state = random_leap_from(state, random_leap(static_cast<std::uint64_t>(draws)));
    }
    return state;
}

/* ------------------------------------ the units ------------------------------------ */

// SSE2, or plain code where there is no x86: 4 lanes to a vector.
namespace sse2_lanes {
constexpr std::int32_t lanes_per_vector = 4;
constexpr bool masks_in_registers = false;
constexpr std::int32_t vectors = 3;
using MaskVector = std::int32_t __attribute__((vector_size(16)));
using StateVector = std::uint32_t __attribute__((vector_size(16)));
inline StateVector next_states(StateVector state) {
#if defined(QUORVANTELMIX_X86)
    // SSE2 multiplies two 32-bit lanes at a time into 64 bits: the even lanes, then the odd
    // ones shifted down; the low halves of the products are the lanes' products mod 2^32.
    __m128i s;
    std::memcpy(&s, &state, sizeof s);
    const __m128i multiplier = _mm_set1_epi32(static_cast<int>(random_multiplier));
    const __m128i even = _mm_mul_epu32(s, multiplier);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(s, 32), multiplier);
    const __m128i products =
        _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    StateVector next;
    std::memcpy(&next, &products, sizeof next);
    return next + random_increment;
#else
    return state * random_multiplier + random_increment;
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
inline unsigned bonus_bits(MaskVector bonus, MaskVector /*draw_bits*/, MaskVector /*bound*/) {
    return mask_bits(bonus);
}
#include "simulation/trial_lanes_body.inc"
}  // namespace sse2_lanes

#if defined(QUORVANTELMIX_WIDE_UNITS)

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2_lanes {
constexpr std::int32_t lanes_per_vector = 8;
constexpr bool masks_in_registers = false;
constexpr std::int32_t vectors = 2;
using MaskVector = std::int32_t __attribute__((vector_size(32)));
using StateVector = std::uint32_t __attribute__((vector_size(32)));
inline StateVector next_states(StateVector state) {
    return state * random_multiplier + random_increment;
}
inline unsigned mask_bits(MaskVector mask) {
    __m256i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(bits)));
}
inline unsigned bonus_bits(MaskVector bonus, MaskVector /*draw_bits*/, MaskVector /*bound*/) {
    return mask_bits(bonus);
}
#include "simulation/trial_lanes_body.inc"  // NOLINT(readability-duplicate-include): once per unit
}  // namespace avx2_lanes
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,avx512bw,avx512vl")
namespace avx512_lanes {
constexpr std::int32_t lanes_per_vector = 16;
constexpr bool masks_in_registers = true;
constexpr std::int32_t vectors = 3;
using MaskVector = std::int32_t __attribute__((vector_size(64)));
using StateVector = std::uint32_t __attribute__((vector_size(64)));
inline StateVector next_states(StateVector state) {
    return state * random_multiplier + random_increment;
}
inline unsigned mask_bits(MaskVector mask) {
    __m512i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return _mm512_cmplt_epi32_mask(bits, _mm512_setzero_si512());
}
inline unsigned bonus_bits(MaskVector /*bonus*/, MaskVector a, MaskVector b) {
    // Straight into a mask register, without the comparison's vector.
    __m512i left;
    __m512i right;
    std::memcpy(&left, &a, sizeof left);
    std::memcpy(&right, &b, sizeof right);
    return _mm512_cmplt_epi32_mask(left, right);
}
#include "simulation/trial_lanes_body.inc"  // NOLINT(readability-duplicate-include): once per unit
}  // namespace avx512_lanes
#pragma GCC pop_options

#endif

/* ------------------------------------ the engines ------------------------------------ */

namespace {

// What the processor says of each unit. SSE2 is part of x86-64 and of every processor the 32-bit
// program runs on; the 32-bit program keeps to it.
bool processor_has_sse2() {
    return true;
}

#if defined(QUORVANTELMIX_WIDE_UNITS)
bool processor_has_avx2() {
    __builtin_cpu_init();
    return static_cast<bool>(__builtin_cpu_supports("avx2"));
}

bool processor_has_avx512() {
    __builtin_cpu_init();
    return static_cast<bool>(__builtin_cpu_supports("avx512f")) &&
           static_cast<bool>(__builtin_cpu_supports("avx512dq")) &&
           static_cast<bool>(__builtin_cpu_supports("avx512bw")) &&
           static_cast<bool>(__builtin_cpu_supports("avx512vl"));
}
#endif

#if !defined(QUORVANTELMIX_WIDE_UNITS)
// A unit that this build has no engine for.
bool not_in_this_build() {
    return false;
}
#endif

}  // namespace

const LaneEngine lane_engines[lane_unit_count] = {
    {LaneUnit::sse2, "sse2", sse2_lanes::lanes, processor_has_sse2, sse2_lanes::play_group},
#if defined(QUORVANTELMIX_WIDE_UNITS)
    {LaneUnit::avx2, "avx2", avx2_lanes::lanes, processor_has_avx2, avx2_lanes::play_group},
    {LaneUnit::avx512, "avx512", avx512_lanes::lanes, processor_has_avx512,
     avx512_lanes::play_group},
#else
    {LaneUnit::avx2, "avx2", 0, not_in_this_build, nullptr},
    {LaneUnit::avx512, "avx512", 0, not_in_this_build, nullptr},
#endif
};

static_assert(sse2_lanes::lanes <= max_trials_in_lanes, "a group holds every unit's lanes");
#if defined(QUORVANTELMIX_WIDE_UNITS)
static_assert(avx2_lanes::lanes <= max_trials_in_lanes, "a group holds every unit's lanes");
static_assert(avx512_lanes::lanes <= max_trials_in_lanes, "a group holds every unit's lanes");
#endif

const LaneEngine& lane_engine(LaneUnit unit) {
    return lane_engines[static_cast<int>(unit)];
}

LaneUnits detect_lane_units() {
    LaneUnits units{};
    for (const LaneEngine& engine : lane_engines)
        units.available[static_cast<int>(engine.unit)] =
            engine.play != nullptr && engine.processor_has();
    return units;
}

bool lane_unit_available(const LaneUnits& units, LaneUnit unit) {
    return units.available[static_cast<int>(unit)];
}

LaneUnit widest_lane_unit(const LaneUnits& units) {
    LaneUnit widest = LaneUnit::sse2;
    for (const LaneEngine& engine : lane_engines) {
        if (lane_unit_available(units, engine.unit)) widest = engine.unit;
    }
    return widest;
}

LaneChoice choose_lane_unit(const char* name, const LaneUnits& units, LaneUnit* unit) {
    if (name == nullptr || *name == '\0') {
        *unit = widest_lane_unit(units);
        return LaneChoice::chosen;
    }
    for (const LaneEngine& engine : lane_engines) {
        if (std::strcmp(name, engine.name) != 0) continue;
        if (!lane_unit_available(units, engine.unit)) return LaneChoice::unavailable;
        *unit = engine.unit;
        return LaneChoice::chosen;
    }
    return LaneChoice::unknown;
}

void play_trials_in_lanes(const TrialRules& rules, LaneUnit unit, const TrialBoundary* boundaries,
                          std::int32_t count, TrialResult* trials) {
    const LaneEngine& engine = lane_engine(unit);
    if (engine.play == nullptr) std::abort();  // a unit this build lacks: never available
    engine.play(rules, boundaries, count, trials);
}
