// trial_lanes.h - the trials of a run played side by side: one trial per lane of the
// processor's vector unit, each with exactly the figures that the rules of play give it.
//
// Where a trial ends depends only on the draws (its first bonus from the 7000th spin on, or the
// cap), never on the medals. So a scan of the draws finds where every trial starts and how many
// draws it takes, and then the trials' medal chains are independent: each lane plays one trial's
// spins, with its own generator state stepped in the lane.
#ifndef QUORVANTELMIX_TRIAL_LANES_H
#define QUORVANTELMIX_TRIAL_LANES_H

#include <cstdint>

#include "rules/trial.h"
#include "rules/vector_unit.h"

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

// A vector unit of the processor, by its width: SSE2 plays 4 trials side by side, AVX2 8 and
// AVX-512 16.
using LaneUnit = VectorUnit;

// The units there are, and so the engines of the table.
constexpr std::int32_t lane_unit_count = 3;

// Most trials played side by side by any unit: the size of a group of trials.
constexpr std::int32_t max_trials_in_lanes = 48;

// Plays a group of trials side by side; see play_trials_in_lanes.
using PlayGroup = void (*)(const TrialRules& rules, const TrialBoundary* boundaries,
                           std::int32_t count, TrialResult* trials);

// One engine of the table: a vector unit and the lane engine compiled for it.
struct LaneEngine {
    LaneUnit unit;            // the unit
    const char* name;         // its name in QUORVANTELMIX_LANES: "sse2", "avx2" or "avx512"
    std::int32_t lanes;       // the trials it plays side by side; 0 where this build lacks it
    bool (*processor_has)();  // asks the processor whether it has the unit
    PlayGroup play;           // the engine; null where this build lacks it
};

// The engines, narrowest first, one for each LaneUnit in its order.
extern const LaneEngine lane_engines[lane_unit_count];

// The engine of `unit`.
const LaneEngine& lane_engine(LaneUnit unit);

// The units that this processor and build can use, asked of the processor once: a run detects
// them at its start and passes the answer on.
struct LaneUnits {
    bool available[lane_unit_count];  // by LaneUnit, in its order
};

// Asks the processor which units it has; a unit this build lacks is never available.
LaneUnits detect_lane_units();

// True when `units` holds `unit`.
bool lane_unit_available(const LaneUnits& units, LaneUnit unit);

// The widest unit of `units`: SSE2 when it holds nothing wider.
LaneUnit widest_lane_unit(const LaneUnits& units);

// How a unit named by the user was taken.
enum class LaneChoice {
    chosen,       // the named unit, or the widest when none was named
    unknown,      // the name is none of the engines' names
    unavailable,  // the unit is known, but this processor or build cannot use it
};

// Picks the unit named `name` (an engine's name; null or empty for the widest) from `units`
// into `*unit`.
LaneChoice choose_lane_unit(const char* name, const LaneUnits& units, LaneUnit* unit);

// Plays the `count` trials of `boundaries` side by side on `unit`, which must be available, and
// fills `trials[i]` with the figures of trial i. `count` must not exceed the unit's lanes: a
// larger group stops the program rather than run past the lanes.
void play_trials_in_lanes(const TrialRules& rules, LaneUnit unit, const TrialBoundary* boundaries,
                          std::int32_t count, TrialResult* trials);

#endif
