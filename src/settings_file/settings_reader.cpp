// settings_reader.cpp - reading and validating the settings file.
//
// The reader streams the file through settings_input, so a token of any length (a file saved in
// another encoding, a few hundred megabytes without a single space) is skipped in bounded memory.
#include "settings_file/settings_reader.h"

#include <cstddef>
#include <cstring>

#include "platform/text_io.h"
#include "platform/texts.h"
#include "settings_file/counter_reader.h"
#include "settings_file/settings_input.h"
#include "settings_file/settings_number.h"

/* ------------------------------ section headers ------------------------------ */

// Consumes tokens up to and including the first one that begins with the bytes of `header`;
// false when the stream ends first.
static bool find_header(SettingsInput* in, const char* header) {
    const std::size_t header_length = std::strlen(header);
    for (;;) {
        skip_white_space(in);
        if (peek_byte(in) == -1) return false;
        // Only the first header_length bytes of the token count; the rest is consumed unread.
        std::size_t compared = 0;
        bool same = true;
        for (int byte = peek_byte(in); byte != -1 && !is_white_space(byte); byte = peek_byte(in)) {
            if (compared < header_length) {
                same = same && byte == static_cast<unsigned char>(header[compared]);
                ++compared;
            }
            skip_byte(in);
        }
        if (same && compared == header_length) return true;
    }
}

/* ------------------------------- the reader ------------------------------- */

SettingsOutcome read_settings(std::FILE* settings_stream, std::FILE* results_stream,
                              Settings* settings, SettingsSection* section,
                              CounterReading* counter) {
    if (counter != nullptr) *counter = CounterReading{};
    SettingsInput in{};
    in.file = settings_stream;
    *settings = Settings{0, 0.0f, 0};
    *section = SettingsSection::x;

    if (!find_header(&in, texts::header_x)) return SettingsOutcome::header_missing;
    settings->X = read_integer(&in);
    if (!x_in_range(settings->X)) {
        write_formatted(results_stream, texts::x_out_of_range, settings->X);
        return SettingsOutcome::value_out_of_range;
    }

    *section = SettingsSection::y;
    if (!find_header(&in, texts::header_y)) return SettingsOutcome::header_missing;
    settings->Y = read_float(&in);
    if (!y_in_range(settings->Y)) {
        write_formatted(results_stream, texts::y_out_of_range, settings->X, printed_y(settings->Y));
        return SettingsOutcome::value_out_of_range;
    }

    *section = SettingsSection::z;
    if (!find_header(&in, texts::header_z)) return SettingsOutcome::header_missing;
    settings->Z = read_integer(&in);
    if (!z_in_range(settings->Z)) {
        write_formatted(results_stream, texts::z_out_of_range, settings->X, printed_y(settings->Y),
                        settings->Z);
        return SettingsOutcome::value_out_of_range;
    }
    *section = SettingsSection::x;
    if (counter != nullptr) read_counter_sections(&in, counter);
    return SettingsOutcome::valid;
}
