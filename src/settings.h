// settings.h - the settings file: reading and validating X, Y and Z.
//
// The file is Shift_JIS text seen as a sequence of tokens separated by white space. Each section
// is a header token ("[確率X]", "[100%確率Y]", "[換金率Z]", compared on their first bytes only)
// followed by its value. The sections are searched for in the order X, Y, Z, each search
// starting where the previous value ended; every other token is skipped. A byte 0x1A (Ctrl-Z)
// ends the file.
#ifndef QUORVANTELMIX_SETTINGS_H
#define QUORVANTELMIX_SETTINGS_H

#include <cstdint>
#include <cstdio>

// The three settings of a run, as read from the settings file.
struct Settings {
    std::int32_t X;  // odds: a spin wins a bonus with odds of about 1 in X (100 to 1000)
    float Y;         // the odds at which the machine pays back 100 % (120.0 to 720.0)
    std::int32_t Z;  // exchange rate: Z medals are worth 100 yen (5 to 10)
};

// How reading the settings ended.
enum class SettingsOutcome {
    valid,               // all three values found and in range
    header_missing,      // the file ended before a section header was found
    value_out_of_range,  // a value failed its range check; its message is in the results file
};

// The valid ranges: X from 100 to 1000, Y from 120.0 to 720.0 (no NaN), Z from 5 to 10.
constexpr std::int32_t min_x = 100;
constexpr std::int32_t max_x = 1000;
constexpr float min_y = 120.0f;
constexpr float max_y = 720.0f;
constexpr std::int32_t min_z = 5;
constexpr std::int32_t max_z = 10;
bool x_in_range(std::int32_t x);
bool y_in_range(float y);
bool z_in_range(std::int32_t z);

// Reads the settings from `settings_stream` (at its start) into `settings`, validating each
// value as soon as it is read. Only the first value out of range is reported: its message line
// goes to `results_stream`. A value that cannot be converted stays 0.
SettingsOutcome read_settings(std::FILE* settings_stream, std::FILE* results_stream,
                              Settings* settings);

// Y truncated toward zero as the program prints it: through a 64-bit integer, of which the low
// 32 bits are printed as a signed number (3e9 prints as -1294967296). Defined for every float:
// NaN and values outside the 64-bit range give 0x8000000000000000, whose low 32 bits are 0.
std::int32_t printed_y(float y);

#endif
