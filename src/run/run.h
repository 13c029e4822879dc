// run.h - one run of the program, from opening the settings file to writing the report page.
#ifndef QUORVANTELMIX_RUN_H
#define QUORVANTELMIX_RUN_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "rules/counter_values.h"
#include "rules/settings_values.h"
#include "sample/sample_figures.h"
#include "simulation/trial_lanes.h"

// How a run ended.
enum class RunOutcome {
    completed,                 // the settings were valid and the results file was written
    default_settings_written,  // no settings file, or a section missing: the default file written
    value_out_of_range,        // a setting out of range: its message is in the results file
    file_error,                // a file could not be opened or written: the console names it
    lane_unit_refused,  // QUORVANTELMIX_LANES named a unit that cannot be used: no file touched
};

// Runs the program once in the current working directory, seeding the random source with
// `seed` (the entry point passes the calendar time in seconds) and playing the trials on the
// vector unit named `lanes` (QUORVANTELMIX_LANES: "sse2", "avx2" or "avx512"; null or empty for
// the widest of `units`, the processor's answers, which the entry point asks for once). Every
// stream it opens is closed again, and every failure is reported on the console before it
// returns; a unit that cannot be used is refused before any file is touched.
RunOutcome run_program(std::uint32_t seed, const char* lanes, const LaneUnits& units);

// Plays the run with the valid `settings`, the random source seeded with `seed`, in the lanes
// of `unit` (which must be available), and writes the whole results file to `results_stream`:
// the first line, one line per trial and the averages. Fills `record` with what the report page
// needs of the same trials. The bytes and the record depend on nothing else: every unit gives
// the same.
void write_results(std::FILE* results_stream, std::uint32_t seed, const Settings& settings,
                   LaneUnit unit, RunRecord* record);

// The report page of a run with valid settings: the figures of the trials of `record`, beside
// the exact figures of its rules, worked out on `unit` (the same bits on every unit).
// With `counter`, the page also answers what the data counter's reading says of the machine.
std::string page_of_run(const RunRecord& record, const CounterReading& counter = {},
                        LaneUnit unit = LaneUnit::sse2);

// The process exit status of an outcome: 0 for a completed run, 1 when the default settings
// file was written, 2 for a setting out of range, 3 for a file error, 4 for a vector unit
// refused.
int exit_status(RunOutcome outcome);

#endif
