// run.cpp - the run sequence: settings in, results and the report page out, each step in its
// fixed order.
#include "run/run.h"

#include <cstdio>
#include <memory>
#include <string>

#include "exact/exact_figures.h"
#include "page/page.h"
#include "platform/console.h"
#include "platform/text_io.h"
#include "platform/texts.h"
#include "rules/trial.h"
#include "settings_file/default_settings.h"
#include "settings_file/settings_reader.h"
#include "simulation/results_file.h"
#include "simulation/trial_lanes.h"

/* ---------------------------------- the report page ---------------------------------- */

// Removes the report page, so that no page of an earlier run contradicts the results file. A
// directory under its name is no page and stays.
static void remove_report_page() {
    if (!is_directory(texts::report_file)) static_cast<void>(std::remove(texts::report_file));
}

// Writes `page` as the report page; false, after a console line naming the page, when it could
// not be written in full. No partial or earlier page is left then.
static bool write_report_page(const std::string& page) {
    switch (write_whole_file(texts::report_file, page.data(), page.size())) {
        case WholeFileOutcome::written:
            return true;
        case WholeFileOutcome::not_created:
            console_write(texts::file_not_opened, texts::report_file);
            remove_report_page();
            return false;
        case WholeFileOutcome::not_written:
            console_write(texts::file_not_written, texts::report_file);
            return false;
    }
    return false;
}

std::string page_of_run(const RunRecord& record, const CounterReading& counter, LaneUnit unit) {
    const auto sample = std::make_unique<SampleFigures>();
    compute_sample_figures(record, sample.get());
    const auto exact = std::make_unique<ExactFigures>();
    compute_exact_figures(record.rules, record.settings.X, exact.get(), ExactScope::day_and_plans,
                          &counter, unit);
    return report_page(*sample, *exact, counter);
}

/* ------------------------------------- the run ------------------------------------- */

// The outcome of a run that had to write the default settings file.
static RunOutcome after_default_settings(const DefaultSettingsOutcome& defaults) {
    return defaults.written ? RunOutcome::default_settings_written : RunOutcome::file_error;
}

// One run, step by step; each failure has been reported on the console when it returns.
static RunOutcome run_steps(std::uint32_t seed, LaneUnit unit) {
    // 1. The settings file; without one, the default file is written and the run ends. The
    // results file and the report page are not touched.
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
    SettingsSection section = SettingsSection::x;
    CounterReading counter{};  // the data counter's sections, for the report page alone
    const SettingsOutcome read =
        read_settings(settings_stream, results_stream, &settings, &section, &counter);
    static_cast<void>(std::fclose(settings_stream));  // only read: nothing to lose

    // 4. The results, or the reason there are none; the report page says the same.
    RunOutcome outcome = RunOutcome::completed;
    std::string page;
    switch (read) {
        case SettingsOutcome::header_missing: {
            const DefaultSettingsOutcome defaults = write_default_settings();
            outcome = after_default_settings(defaults);
            page = no_results_page({NoResultsReason::section_missing, settings, section, defaults});
            break;
        }
        case SettingsOutcome::value_out_of_range:
            outcome = RunOutcome::value_out_of_range;
            page = no_results_page({NoResultsReason::value_out_of_range, settings, section, {}});
            break;
        case SettingsOutcome::valid: {
            // The settings and the progress line on the console, then the results, drawn from
            // the random source seeded with `seed`.
            console_write(texts::accepted_settings, settings.X, printed_y(settings.Y), settings.Z);
            console_write(texts::calculating);
            const std::unique_ptr<RunRecord> record(new RunRecord);  // filled by write_results
            write_results(results_stream, seed, settings, unit, record.get());
            page = page_of_run(*record, counter, unit);
            break;
        }
    }

    // 5. The results file closed and checked: a failed write must not pass for a result. An
    // incomplete results file has no report page.
    if (!close_stream(results_stream)) {
        console_write(texts::file_not_written, texts::results_file);
        remove_report_page();
        return RunOutcome::file_error;
    }

    // 6. The report page of the same run.
    if (!write_report_page(page)) return RunOutcome::file_error;
    return outcome;
}

void write_results(std::FILE* results_stream, std::uint32_t seed, const Settings& settings,
                   LaneUnit unit, RunRecord* record) {
    write_formatted(results_stream, texts::results_first_line, settings.X);
    record->seed = seed;
    record->settings = settings;
    record->rules = trial_rules(settings);
    record->totals = RunTotals{};

    // Where each trial lies in the random source's sequence, found from the draws alone; then
    // the trials in groups, side by side in the lanes of `unit`.
    // The buffers are left uninitialised (every byte read is written first): only the pages
    // that the trials touch are ever mapped, not the whole room for 7000 entries a trial.
    const std::unique_ptr<TrialBoundary[]> boundaries(new TrialBoundary[trials_per_run]);
    // The state after the last trial is not needed: the run draws nothing more.
    static_cast<void>(
        find_trial_boundaries(seed, record->rules.hit_threshold, boundaries.get(), trials_per_run));
    const std::int32_t group_size = lane_engine(unit).lanes;
    const std::unique_ptr<TrialResult[]> group(new TrialResult[group_size]);
    for (std::int32_t first = 0; first < trials_per_run; first += group_size) {
        const std::int32_t count =
            group_size < trials_per_run - first ? group_size : trials_per_run - first;
        play_trials_in_lanes(record->rules, unit, &boundaries[static_cast<std::size_t>(first)],
                             count, group.get());
        // Each trial's figures go to both writers, in the order of the trials: its line now,
        // its summary to the page.
        for (std::int32_t i = 0; i < count; ++i) {
            const TrialResult& trial = group[static_cast<std::size_t>(i)];
            write_trial_line(results_stream, trial);
            add_to_totals(&record->totals, trial);
            record_trial(record, first + i, trial);
        }
    }
    write_averages(results_stream, record->totals);
}

// The unit of `units` that plays the trials: the one named by `lanes`, or the widest. False,
// after a console line that says why, when the named unit is unknown or cannot be used here.
static bool choose_unit(const char* lanes, const LaneUnits& units, LaneUnit* unit) {
    switch (choose_lane_unit(lanes, units, unit)) {
        case LaneChoice::chosen:
            return true;
        case LaneChoice::unknown:
            // The value itself is not echoed: it may hold any bytes at all.
            console_write(texts::lane_unit_unknown);
            return false;
        case LaneChoice::unavailable:
            console_write(texts::lane_unit_unavailable, lanes);  // one of the engines' names
            return false;
    }
    return false;
}

RunOutcome run_program(std::uint32_t seed, const char* lanes, const LaneUnits& units) {
    console_prepare();
    LaneUnit unit = LaneUnit::sse2;
    if (!choose_unit(lanes, units, &unit)) {
        static_cast<void>(console_flush());
        return RunOutcome::lane_unit_refused;
    }
    RunOutcome outcome = run_steps(seed, unit);
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
        case RunOutcome::lane_unit_refused:
            return 4;
    }
    return 3;
}
