// settings_number.h - the numbers of the settings file, read as a C library's scanf reads them:
// "%d" for X and Z (wrapping modulo 2^32), "%f" for Y (rounded once, correctly, to a float).
//
// Each reader skips white space first and stops at the first byte that cannot continue the
// number, which stays in the stream. A value that is no number reads as 0.
#ifndef QUORVANTELMIX_SETTINGS_NUMBER_H
#define QUORVANTELMIX_SETTINGS_NUMBER_H

#include <cstdint>

#include "settings_file/settings_input.h"

// Reads a decimal integer: an optional sign, then digits, accumulated modulo 2^32. Returns 0
// when no digit follows; whatever was consumed (white space, a sign) stays consumed.
std::int32_t read_integer(SettingsInput* in);

// Reads a decimal floating-point number: an optional sign, digits with an optional fraction,
// and an optional exponent. Returns 0 when the mantissa has no digit. An exponent marker
// without digits after it ("1e", "1e+") is consumed and leaves the mantissa's value, as glibc's
// scanf does. The result does not depend on the process's locale.
float read_float(SettingsInput* in);

#endif
