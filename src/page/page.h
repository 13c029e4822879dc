// page.h - the report page "Quorvantelmix.html": what the trials of a run mean for a player, as
// figures and charts, beside the results file.
//
// One self-contained UTF-8 HTML page in Japanese: inline CSS and SVG, no script that runs and
// nothing fetched, so it opens offline in any browser and prints on A4. Its figures are also
// carried as JSON in <script type="application/json" id="quorvantelmix-data">. The bytes are a
// function of the run's seed and settings alone.
#ifndef QUORVANTELMIX_PAGE_H
#define QUORVANTELMIX_PAGE_H

#include <string>

#include "exact/exact_figures.h"
#include "sample/sample_figures.h"
#include "settings_file/default_settings.h"
#include "settings_file/settings_reader.h"

// The report page of a run with results: the figures of its trials, and the exact figures of
// the same rules.
// `counter` is the data counter's reading as the settings file held it (absent by default);
// what it says of the machine is in `exact`.
std::string report_page(const SampleFigures& sample, const ExactFigures& exact,
                        const CounterReading& counter = {});

// Why a run that touched the results file has no results.
enum class NoResultsReason {
    value_out_of_range,  // a setting out of range: its message is in the results file
    section_missing,     // a section header was missing: the default file's path was taken
};

// What the page of a run without results says.
struct NoResults {
    NoResultsReason reason;           // why there are no results
    Settings settings;                // the values read, for the out-of-range message
    SettingsSection section;          // the section missing or out of range, as the reader said
    DefaultSettingsOutcome defaults;  // for a missing section: what became of the files
};

// The page of a run without results: that there are none, and why.
std::string no_results_page(const NoResults& no_results);

#endif
