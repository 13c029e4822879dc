// main.cpp - the entry point: one run in the current directory, seeded from the clock.
// Command-line arguments are ignored; the settings file is the program's only input. The
// environment variable QUORVANTELMIX_LANES may name the vector unit that plays the trials, for
// benchmarks and for reproducing a report from another machine: every unit gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <ctime>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "run/run.h"
#include "simulation/trial_lanes.h"

int main() {
#if defined(__GLIBC__)
    // A run lives some tens of milliseconds and allocates blocks of up to a megabyte for its
    // exact figures again and again. glibc would hand each large block back to the system when
    // it is freed and fault in fresh pages for the next (on a virtual machine some 10
    // microseconds a page, a third of a run); keeping freed memory in the process costs
    // nothing, since all of it goes back at exit.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    // The calendar time in whole seconds, taken modulo 2^32, seeds the random source.
    const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
    return exit_status(run_program(seed, std::getenv("QUORVANTELMIX_LANES"), detect_lane_units()));
}
