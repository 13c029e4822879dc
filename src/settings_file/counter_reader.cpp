// counter_reader.cpp - reading the data counter's sections after the three settings.
#include "settings_file/counter_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/texts.h"
#include "rules/settings_values.h"

namespace {

// The counter's three sections.
enum Section : std::uint8_t { spins, bonuses, listed, none };

// What a section's value read as.
enum class ValueRead : std::uint8_t { number, no_number, too_large };

// Consumes the token at the stream's position and tells which section's header it begins with,
// consuming only the header's bytes of it so that a value glued to the header is read next; a
// token that is no header is consumed whole.
Section read_token(SettingsInput* in) {
    const char* const headers[] = {texts::header_spins, texts::header_bonuses,
                                   texts::header_listed_x};
    bool same[3] = {true, true, true};
    std::size_t compared = 0;
    for (int byte = peek_byte(in); byte != -1 && !is_white_space(byte); byte = peek_byte(in)) {
        skip_byte(in);
        for (std::size_t h = 0; h < 3; ++h) {
            const std::size_t length = std::strlen(headers[h]);
            same[h] = same[h] && compared < length &&
                      byte == static_cast<unsigned char>(headers[h][compared]);
            if (same[h] && compared + 1 == length) return static_cast<Section>(h);
        }
        ++compared;
    }
    return none;
}

// The digits of a value as read: at most 20 of them, for the page to show.
struct Digits {
    char text[sizeof CounterReading{}.fault] = {};
    std::size_t length = 0;
};

// Reads a value's digits into `*value` (nothing consumed when no digit comes), and the digits
// as read into `digits`; a value above `limit` is too large.
ValueRead read_whole(SettingsInput* in, bool skip_space, std::int64_t limit, std::int64_t* value,
                     Digits* digits) {
    if (skip_space) skip_white_space(in);
    if (!is_digit(peek_byte(in))) return ValueRead::no_number;
    std::int64_t whole = 0;
    for (int byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
        if (digits->length < 20) digits->text[digits->length++] = static_cast<char>(byte);
        if (whole <= limit) whole = whole * 10 + (byte - '0');  // at most 10 limit + 9
        skip_byte(in);
    }
    if (whole > limit) return ValueRead::too_large;
    *value = whole;
    return ValueRead::number;
}

// Skips the separators between listed X: white space and commas, "," or "、" (81 41).
void skip_separators(SettingsInput* in) {
    for (;;) {
        skip_white_space(in);
        const int byte = peek_byte(in);
        if (byte == ',') {
            skip_byte(in);
        } else if (byte == 0x81) {  // the comma's first byte; anything else stays a token
            skip_byte(in);
            if (peek_byte(in) != 0x41) return;
            skip_byte(in);
        } else {
            return;
        }
    }
}

// What the sections held as they were read, before they are judged together.
struct Sections {
    bool found[3] = {false, false, false};
    CounterStatus fault = CounterStatus::valid;  // the first value at fault, in reading order
};

// Notes `status` as the fault, with the value as read, unless an earlier value is at fault.
void note_fault(Sections* sections, CounterStatus status, const Digits& digits,
                CounterReading* reading) {
    if (sections->fault != CounterStatus::valid) return;
    sections->fault = status;
    std::memcpy(reading->fault, digits.text, sizeof reading->fault);
}

// Reads the listed X after their header: up to max_listed_x whole numbers from 100 to 1000.
void read_listed(SettingsInput* in, bool glued, Sections* sections, CounterReading* reading) {
    for (std::int32_t read = 0;; ++read) {
        std::int64_t x = 0;
        Digits digits;
        const bool skip_space = read > 0 || !glued;
        const ValueRead value = read_whole(in, skip_space, max_x, &x, &digits);
        if (value == ValueRead::no_number) {
            if (read == 0) note_fault(sections, CounterStatus::listed_no_number, digits, reading);
            return;
        }
        if (value == ValueRead::too_large || x < min_x) {
            note_fault(sections, CounterStatus::listed_out_of_range, digits, reading);
            return;
        }
        if (read == max_listed_x) {
            note_fault(sections, CounterStatus::listed_too_many, digits, reading);
            return;
        }
        reading->listed[reading->listed_count++] = static_cast<std::int32_t>(x);
        skip_separators(in);
    }
}

// Reads the value of the spins' or the bonuses' section.
void read_count(SettingsInput* in, Section section, bool glued, Sections* sections,
                CounterReading* reading) {
    std::int64_t* value = section == spins ? &reading->spins : &reading->bonuses;
    Digits digits;
    switch (read_whole(in, !glued, max_counted_spins, value, &digits)) {
        case ValueRead::number:
            return;
        case ValueRead::no_number:
            note_fault(sections,
                       section == spins ? CounterStatus::spins_no_number
                                        : CounterStatus::bonuses_no_number,
                       digits, reading);
            return;
        case ValueRead::too_large:
            note_fault(sections,
                       section == spins ? CounterStatus::spins_out_of_range
                                        : CounterStatus::bonuses_above_spins,
                       digits, reading);
            return;
    }
}

// The sections judged together: a fault in a value first, then a section without its partner,
// then more bonuses than spins.
CounterStatus judged(const Sections& sections, const CounterReading& reading) {
    if (sections.fault != CounterStatus::valid) return sections.fault;
    if (sections.found[spins] != sections.found[bonuses])
        return sections.found[spins] ? CounterStatus::spins_alone : CounterStatus::bonuses_alone;
    if (!sections.found[spins])
        return sections.found[listed] ? CounterStatus::listed_alone : CounterStatus::absent;
    return reading.bonuses > reading.spins ? CounterStatus::bonuses_above_spins
                                           : CounterStatus::valid;
}

}  // namespace

void read_counter_sections(SettingsInput* in, CounterReading* reading) {
    *reading = CounterReading{};
    Sections sections;
    for (;;) {
        skip_white_space(in);
        if (peek_byte(in) == -1) break;
        const Section section = read_token(in);
        if (section == none || sections.found[section]) continue;
        sections.found[section] = true;
        // A value glued to the header is read as it stands; else the next token is.
        const bool glued = peek_byte(in) != -1 && !is_white_space(peek_byte(in));
        if (section == listed) {
            read_listed(in, glued, &sections, reading);
        } else {
            read_count(in, section, glued, &sections, reading);
        }
    }
    reading->status = judged(sections, *reading);
    if (reading->status == CounterStatus::valid || reading->status == CounterStatus::absent)
        reading->fault[0] = '\0';
}
