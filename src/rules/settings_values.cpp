// settings_values.cpp - the settings' ranges and the printed form of Y.
#include "rules/settings_values.h"

#include "rules/numbers.h"

bool x_in_range(std::int32_t x) {
    return x >= min_x && x <= max_x;
}

bool y_in_range(float y) {
    return y >= min_y && y <= max_y;  // false for NaN
}

bool z_in_range(std::int32_t z) {
    return z >= min_z && z <= max_z;
}

std::int32_t printed_y(float y) {
    // Every float inside [-2^63, 2^63) converts exactly; the rest (NaN fails both tests) takes
    // the value that such a conversion gives on the program's home platform.
    const std::int64_t truncated = (y >= -9223372036854775808.0f && y < 9223372036854775808.0f)
                                       ? static_cast<std::int64_t>(y)
                                       : INT64_MIN;
    return to_signed(static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncated)));
}
