// main.cpp - the entry point: one run in the current directory, seeded from the clock.
// Command-line arguments are ignored; the settings file is the program's only input. The
// environment variable QUORVANTELMIX_LANES may name the vector unit that plays the trials, for
// benchmarks and for reproducing a report from another machine: every unit gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "run/run.h"
#include "simulation/trial_lanes.h"

int main() {
    // The calendar time in whole seconds, taken modulo 2^32, seeds the random source.
    const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
    return exit_status(run_program(seed, std::getenv("QUORVANTELMIX_LANES"), detect_lane_units()));
}
