// counter_values.h - what a machine's data counter showed, as the settings file may add it after
// the three settings: the spins counted, the bonuses among them, and optionally the X of each of
// the machine's settings. Nothing of it touches the results file or the console; the report
// page answers from it which machine the player's may be.
#ifndef QUORVANTELMIX_COUNTER_VALUES_H
#define QUORVANTELMIX_COUNTER_VALUES_H

#include <cstdint>

// The most spins a counter's reading may hold, and the most settings a machine lists.
constexpr std::int64_t max_counted_spins = 100000000;
constexpr std::int32_t max_listed_x = 10;

// How the counter's sections read.
enum class CounterStatus : std::uint8_t {
    absent,               // neither section: the page says how to add them
    valid,                // spins and bonuses (and any listed X) read and in range
    spins_no_number,      // [総回転数]'s value is no whole number
    spins_out_of_range,   // above max_counted_spins
    bonuses_no_number,    // [ボーナス回数]'s value is no whole number
    bonuses_above_spins,  // more bonuses than spins
    spins_alone,          // [総回転数] without [ボーナス回数]
    bonuses_alone,        // [ボーナス回数] without [総回転数]
    listed_no_number,     // [設定ごとの確率X] followed by no whole number
    listed_out_of_range,  // a listed X outside 100 to 1000
    listed_too_many,      // more than max_listed_x numbers after [設定ごとの確率X]
    listed_alone,         // [設定ごとの確率X] without the counter's two sections
};

// The counter's sections as read: the values, and what went wrong with them.
struct CounterReading {
    CounterStatus status = CounterStatus::absent;
    std::int64_t spins = 0;                  // N, the spins counted
    std::int64_t bonuses = 0;                // k, the bonuses among them
    std::int32_t listed[max_listed_x] = {};  // the machine's settings' X, as listed
    std::int32_t listed_count = 0;           // how many X were listed; 0 for none
    char fault[24] = {};                     // the value at fault as read: printable ASCII,
                                             // any other byte as '?', cut at 20 bytes
};

#endif
