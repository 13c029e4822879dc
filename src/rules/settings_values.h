// settings_values.h - the three settings of a run as plain values, with their valid ranges and
// the integer form in which Y is printed.
#ifndef QUORVANTELMIX_SETTINGS_VALUES_H
#define QUORVANTELMIX_SETTINGS_VALUES_H

#include <cstdint>

// The three settings of a run, as read from the settings file.
struct Settings {
    std::int32_t X;  // odds: a spin wins a bonus with odds of about 1 in X (100 to 1000)
    float Y;         // the odds at which the machine pays back 100 % (120.0 to 720.0)
    std::int32_t Z;  // exchange rate: Z medals are worth 100 yen (5 to 10)
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

// Y truncated toward zero as the program prints it: through a 64-bit integer, of which the low
// 32 bits are printed as a signed number (3e9 prints as -1294967296). Defined for every float:
// NaN and values outside the 64-bit range give 0x8000000000000000, whose low 32 bits are 0.
std::int32_t printed_y(float y);

#endif
