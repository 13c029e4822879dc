// trial_lanes.h - the trials of a run played side by side: one trial per lane of the
// processor's vector unit, with exactly the figures that play_trial gives each of them.
//
// Where a trial ends depends only on the draws (its first bonus from the 7000th spin on, or the
// cap), never on the medals. So a scan of the draws finds where every trial starts and how many
// draws it takes, and then the trials' medal chains are independent: each lane plays one trial's
// spins, with its own generator state stepped in the lane.
#ifndef QUORVANTELMIX_TRIAL_LANES_H
#define QUORVANTELMIX_TRIAL_LANES_H

#include <cstdint>

#include "trial.h"

/* ---------------------------------- trial boundaries ---------------------------------- */

// Where a trial lies in the random source's sequence.
struct TrialBoundary {
    std::uint32_t start_state;  // the generator's state before the trial's first draw
    std::int32_t draws;         // the draws the trial takes: 7000 to 7501
};

// Finds the boundaries of `count` trials played one after the other from the generator's state
// `state`, looking only at the draws that can end a trial (spins 7000 to 7500 of each); returns
// the state after the last of them.
std::uint32_t find_trial_boundaries(std::uint32_t state, std::int32_t hit_threshold,
                                    TrialBoundary* boundaries, std::int32_t count);

/* ------------------------------------- the lanes ------------------------------------- */

// A vector unit of the processor, by its width.
enum class LaneUnit {
    sse2,    // 4 lanes of 32 bits: every x86 processor of this program has it
    avx2,    // 8 lanes (64-bit builds)
    avx512,  // 16 lanes (64-bit builds)
};

// Most trials played side by side by any unit: the size of a group of trials.
constexpr std::int32_t max_trials_in_lanes = 48;

// The trials that `unit` plays side by side.
std::int32_t trials_in_lanes(LaneUnit unit);

// True when this processor and build can use `unit`.
bool lane_unit_available(LaneUnit unit);

// The widest unit that this processor and build can use.
LaneUnit widest_lane_unit();

// Plays the `count` trials of `boundaries` (at most trials_in_lanes(unit)) side by side on
// `unit`, which must be available, and fills `trials[i]` with the figures of trial i: the same
// entries, figures and slump points as play_trial on the same draws.
void play_trials_in_lanes(const TrialRules& rules, LaneUnit unit, const TrialBoundary* boundaries,
                          std::int32_t count, TrialResult* trials);

#endif
