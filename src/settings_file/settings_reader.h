// settings_reader.h - the settings file: reading and validating X, Y and Z.
//
// The file is Shift_JIS text seen as a sequence of tokens separated by white space. Each section
// is a header token ("[確率X]", "[100%確率Y]", "[換金率Z]", compared on their first bytes only)
// followed by its value. The sections are searched for in the order X, Y, Z, each search
// starting where the previous value ended; every other token is skipped. A byte 0x1A (Ctrl-Z)
// ends the file.
#ifndef QUORVANTELMIX_SETTINGS_READER_H
#define QUORVANTELMIX_SETTINGS_READER_H

#include <cstdint>
#include <cstdio>

#include "rules/counter_values.h"
#include "rules/settings_values.h"

// How reading the settings ended.
enum class SettingsOutcome {
    valid,               // all three values found and in range
    header_missing,      // the file ended before a section header was found
    value_out_of_range,  // a value failed its range check; its message is in the results file
};

// The section that a reading ended on.
enum class SettingsSection { x, y, z };

// Reads the settings from `settings_stream` (at its start) into `settings`, validating each
// value as soon as it is read. Only the first value out of range is reported: its message line
// goes to `results_stream`. A value that cannot be converted stays 0.
// `*section` names the section whose header was missing or whose value was out of range (X when
// all were valid), so that nobody has to work it out again from the values.
// With `counter`, a valid reading goes on through the rest of the file for the data counter's
// sections (counter_reader.h), which change nothing of the above; `counter` stays absent on
// every other outcome.
SettingsOutcome read_settings(std::FILE* settings_stream, std::FILE* results_stream,
                              Settings* settings, SettingsSection* section,
                              CounterReading* counter = nullptr);

#endif
