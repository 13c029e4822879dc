// run.cpp - the run sequence: settings in, results out, each step in its fixed order.
#include "run.h"

#include <cstdio>

#include "console.h"
#include "random_source.h"
#include "settings.h"
#include "text_io.h"
#include "texts.h"
#include "trial.h"

// The outcome of a run that had to write the default settings file.
static RunOutcome after_default_settings(bool written) {
    return written ? RunOutcome::default_settings_written : RunOutcome::file_error;
}

// One run, step by step; each failure has been reported on the console when it returns.
static RunOutcome run_steps(std::uint32_t seed) {
    // 1. The settings file; without one, the default file is written and the run ends.
    std::FILE* settings_stream = open_file(texts::settings_file);
    if (settings_stream == nullptr) return after_default_settings(write_default_settings());

    // 2. The results file, created or truncated.
    std::FILE* results_stream = create_file(texts::results_file);
    if (results_stream == nullptr) {
        console_write(texts::file_not_opened, texts::results_file);
        static_cast<void>(std::fclose(settings_stream));  // only read: nothing to lose
        return RunOutcome::file_error;
    }
    // A results file is some 200 KB: a large buffer sends it out in a few big writes.
    char results_buffer[64 * 1024];
    // Without it the stream keeps its own smaller buffer, which is only slower.
    static_cast<void>(std::setvbuf(results_stream, results_buffer, _IOFBF, sizeof results_buffer));

    // 3. The settings. The settings stream is not needed after them, and it must be closed
    // before the default file can take the settings file's place.
    Settings settings{};
    const SettingsOutcome read = read_settings(settings_stream, results_stream, &settings);
    static_cast<void>(std::fclose(settings_stream));  // only read: nothing to lose

    RunOutcome outcome = RunOutcome::completed;
    switch (read) {
        case SettingsOutcome::header_missing:
            outcome = after_default_settings(write_default_settings());
            break;
        case SettingsOutcome::value_out_of_range:
            outcome = RunOutcome::value_out_of_range;
            break;
        case SettingsOutcome::valid:
            // 4. The settings and the progress line on the console, then the results, drawn
            // from the random source seeded with `seed`.
            console_write(texts::accepted_settings, settings.X, printed_y(settings.Y), settings.Z);
            console_write(texts::calculating);
            write_results(results_stream, seed, settings);
            break;
    }

    // 5. The results file closed and checked: a failed write must not pass for a result.
    if (!close_stream(results_stream)) {
        console_write(texts::file_not_written, texts::results_file);
        return RunOutcome::file_error;
    }
    return outcome;
}

void write_results(std::FILE* results_stream, std::uint32_t seed, const Settings& settings) {
    // Nothing before the trials draws from the random source, so it is seeded here, once.
    random_seed(seed);
    write_formatted(results_stream, texts::results_first_line, settings.X);
    simulate_run(results_stream, settings);
}

RunOutcome run_program(std::uint32_t seed) {
    console_prepare();
    RunOutcome outcome = run_steps(seed);
    // A console that cannot take the lines leaves nowhere to report it but the exit status.
    if (!console_flush() && outcome == RunOutcome::completed) outcome = RunOutcome::file_error;
    return outcome;
}

int exit_status(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::completed:
            return 0;
        case RunOutcome::default_settings_written:
            return 1;
        case RunOutcome::value_out_of_range:
            return 2;
        case RunOutcome::file_error:
            return 3;
    }
    return 3;
}
