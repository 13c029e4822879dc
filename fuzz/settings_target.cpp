// settings_target.cpp - the fuzz target: arbitrary bytes as the settings file.
//
// Each input goes through the settings reader as the whole settings file, and every property
// below is checked on the outcome; a broken property aborts, which the fuzzer reports as a crash.
// Where the settings come out valid, two trials are played with them and their figures checked.
// The data counter's sections after the settings are read as well: they must change nothing of
// the reading, and a valid counter's posterior must be a distribution.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exact/counter.h"
#include "platform/texts.h"
#include "rules/trial.h"
#include "settings_file/settings_reader.h"
#include "simulation/results_file.h"
#include "simulation/trial_lanes.h"

// The bytes a reading wrote to the results stream, its outcome and its settings.
struct Reading {
    SettingsOutcome outcome;  // how the reader ended
    Settings settings;        // the values it read
    CounterReading counter;   // the data counter's sections, where asked for
    char* results;            // what it wrote to the results stream (malloc'd)
    std::size_t length;       // bytes in results
};

// Stops the process with the broken property's name: the fuzzer keeps the input as a crash.
static void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "broken property: %s\n", property);
    std::abort();
}

// Reads `size` bytes of `data` as the settings file, with the counter's sections when `counter`.
static Reading read_bytes(const std::uint8_t* data, std::size_t size, bool counter = false) {
    Reading reading{};
    // fmemopen cannot open an empty buffer everywhere; an empty file is a file with no bytes.
    static const char no_bytes[1] = {0};
    std::FILE* settings = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb")
                                   : fmemopen(const_cast<char*>(no_bytes), 1, "rb");
    require(settings != nullptr, "the settings bytes can be opened as a stream");
    if (size == 0) std::fgetc(settings);  // the one byte of the stand-in buffer, consumed
    std::FILE* results = open_memstream(&reading.results, &reading.length);
    require(results != nullptr, "a results stream can be opened");
    SettingsSection section = SettingsSection::x;
    reading.outcome = read_settings(settings, results, &reading.settings, &section,
                                    counter ? &reading.counter : nullptr);
    std::fclose(settings);
    require(std::fclose(results) == 0, "the results stream takes the message");
    return reading;
}

// True when the results stream holds exactly one line, CR LF at its end and nowhere else, and
// that line starts with the fixed text of one of the three out-of-range messages.
static bool is_one_message_line(const Reading& reading) {
    if (reading.length < 2 || reading.results[reading.length - 2] != '\r' ||
        reading.results[reading.length - 1] != '\n')
        return false;
    if (std::memchr(reading.results, '\n', reading.length - 1) != nullptr) return false;
    for (const char* format :
         {texts::x_out_of_range, texts::y_out_of_range, texts::z_out_of_range}) {
        // The fixed text runs up to the first conversion; "%%" stands for one percent sign.
        std::size_t f = 0;
        std::size_t r = 0;
        while (format[f] != '\0' && !(format[f] == '%' && format[f + 1] != '%')) {
            if (r == reading.length || reading.results[r] != format[f]) break;
            f += format[f] == '%' ? 2 : 1;
            ++r;
        }
        if (format[f] == '%' && format[f + 1] != '%') return true;
    }
    return false;
}

// True when two readings ended the same way, with the same values and the same bytes written.
static bool same_reading(const Reading& a, const Reading& b) {
    return a.outcome == b.outcome && a.settings.X == b.settings.X &&
           std::memcmp(&a.settings.Y, &b.settings.Y, sizeof a.settings.Y) == 0 &&
           a.settings.Z == b.settings.Z && a.length == b.length &&
           std::memcmp(a.results, b.results, a.length) == 0;
}

// Plays two trials with the valid `settings` as a run does (their boundaries scanned, then the
// trials in the lanes of the widest unit) and checks the figures every trial must have.
static void play_two_trials(const Settings& settings, std::uint32_t seed) {
    static TrialResult trials[2];
    TrialBoundary boundaries[2];
    const TrialRules rules = trial_rules(settings);
    find_trial_boundaries(seed, rules.hit_threshold, boundaries, 2);
    play_trials_in_lanes(rules, widest_lane_unit(detect_lane_units()), boundaries, 2, trials);
    for (int t = 0; t < 2; ++t) {
        const TrialResult& trial = trials[t];
        require(boundaries[t].draws >= spins_to_end && boundaries[t].draws <= max_draws_per_trial,
                "a trial takes 7000 to 7501 draws");
        require(trial.entry_count >= 1 && trial.entry_count <= max_entries_per_trial,
                "a trial records 1 to 7000 entries");
        require(trial.bonuses >= 0 && trial.bonuses <= trial.entry_count, "bonuses are entries");
        require(trial.medals >= 1, "a trial ends with at least one medal");
        require(trial.money <= -1000 && trial.money % 1000 == 0, "money goes in steps of 1000 yen");
        require(trial.cash >= 0 && trial.cash % 500 == 0, "cash comes in 500-yen units");
        require(static_cast<std::int64_t>(trial.cash) * settings.Z <=
                    static_cast<std::int64_t>(trial.medals) * 100,
                "cash is never worth more than the medals");
    }
}

// Checks the data counter's sections of `data`: reading them changes nothing of `reading`, and
// what they hold is in range, with a posterior that is a distribution.
static void check_counter(const std::uint8_t* data, std::size_t size, const Reading& reading) {
    const Reading with = read_bytes(data, size, true);
    require(same_reading(reading, with), "the counter's sections change nothing of the settings");
    const CounterReading& c = with.counter;
    if (with.outcome != SettingsOutcome::valid) {
        require(c.status == CounterStatus::absent, "only valid settings read the counter");
    } else if (c.status == CounterStatus::valid) {
        require(c.spins >= 0 && c.spins <= max_counted_spins, "the spins are in range");
        require(c.bonuses >= 0 && c.bonuses <= c.spins, "the bonuses are at most the spins");
        require(c.listed_count >= 0 && c.listed_count <= max_listed_x, "at most ten listed X");
        for (std::int32_t i = 0; i < c.listed_count; ++i)
            require(c.listed[i] >= 100 && c.listed[i] <= 1000, "a listed X is in 100 to 1000");
        std::vector<PosteriorPoint> points;
        double dropped = 0.0;
        counter_posterior(c.spins, c.bonuses, c.listed, c.listed_count, &points, &dropped);
        double total = 0.0;
        for (const PosteriorPoint& point : points) {
            require(point.probability >= 0.0 && point.probability <= 1.0, "a probability");
            total += point.probability;
        }
        require(total > 1.0 - 1e-12 && total < 1.0 + 1e-12, "the posterior adds up to 1");
    }
    std::free(with.results);
}

// Checks every property of the settings file `data`.
static void check_settings_file(const std::uint8_t* data, std::size_t size) {
    const Reading reading = read_bytes(data, size);
    check_counter(data, size, reading);
    switch (reading.outcome) {
        case SettingsOutcome::valid: {
            const Settings& s = reading.settings;
            require(s.X >= 100 && s.X <= 1000, "a valid X is in 100 to 1000");
            require(s.Y >= 120.0f && s.Y <= 720.0f, "a valid Y is in 120 to 720");
            require(s.Z >= 5 && s.Z <= 10, "a valid Z is in 5 to 10");
            require(reading.length == 0, "valid settings write nothing to the results file");
            play_two_trials(s, static_cast<std::uint32_t>(size));
            break;
        }
        case SettingsOutcome::header_missing:
            require(reading.length == 0, "a missing header writes nothing to the results file");
            break;
        case SettingsOutcome::value_out_of_range:
            require(is_one_message_line(reading), "a value out of range writes one message line");
            break;
        default:
            require(false, "the outcome is one of the three");
    }

    // Nothing after a Ctrl-Z counts: the file read up to it must read the same, and a Ctrl-Z
    // followed by complete valid settings must change nothing either.
    const void* ctrl_z = std::memchr(data, 0x1A, size);
    const std::size_t before_ctrl_z =
        ctrl_z != nullptr
            ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(ctrl_z) - data)
            : size;
    if (ctrl_z != nullptr) {
        const Reading cut = read_bytes(data, before_ctrl_z);
        require(same_reading(reading, cut), "bytes after a Ctrl-Z never change the outcome");
        std::free(cut.results);
    } else if (size <= 1 << 16) {
        std::string extended(reinterpret_cast<const char*>(data), size);
        extended += std::string("\x1A ") + texts::header_x + " 500 " + texts::header_y + " 300 " +
                    texts::header_z + " 6\r\n";
        const Reading longer =
            read_bytes(reinterpret_cast<const std::uint8_t*>(extended.data()), extended.size());
        require(same_reading(reading, longer), "bytes after a Ctrl-Z never change the outcome");
        std::free(longer.results);
    }
    std::free(reading.results);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_settings_file(data, size);
    return 0;
}
