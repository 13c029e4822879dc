// settings.cpp - reading, validating and writing the settings file.
//
// The reader streams the file through a small buffer, so a token of any length (a file saved in
// another encoding, a few hundred megabytes without a single space) is skipped in bounded memory.
// It reads the way a text-mode stream of the program's home platform reads: a byte 0x1A ends the
// file. That platform also turns CR LF into a line feed; both bytes are white space here, so
// the reader sees the same tokens either way and needs no translation.
#include "settings.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "text_io.h"
#include "texts.h"

/* ------------------------------ the byte stream ------------------------------ */

// The settings stream as the reader sees it: one byte of look-ahead over a buffered file.
struct SettingsInput {
    std::FILE* file;             // the settings stream
    unsigned char buffer[4096];  // bytes read from the file
    std::size_t next;            // index in buffer of the next byte not yet consumed
    std::size_t filled;          // number of bytes in buffer
    bool ended;                  // end of file, Ctrl-Z or a read error seen: nothing more comes
};

constexpr unsigned char end_of_file_byte = 0x1A;  // Ctrl-Z: ends a text file

// The next byte of the settings stream without consuming it, or -1 at its end.
static int peek_byte(SettingsInput* in) {
    if (in->next == in->filled) {
        if (in->ended) return -1;
        // A read error ends the stream like the end of the file: the file cannot be read further.
        in->filled = std::fread(in->buffer, 1, sizeof in->buffer, in->file);
        in->next = 0;
        if (in->filled == 0) {
            in->ended = true;
            return -1;
        }
    }
    if (in->buffer[in->next] == end_of_file_byte) {
        in->ended = true;
        in->filled = in->next;  // nothing after Ctrl-Z is ever read
        return -1;
    }
    return in->buffer[in->next];
}

// Consumes the byte that peek_byte returned.
static void skip_byte(SettingsInput* in) {
    ++in->next;
}

// True for the six white-space bytes that separate tokens: space, and tab to carriage return.
static bool is_white_space(int byte) {
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D);
}

static bool is_digit(int byte) {
    return byte >= '0' && byte <= '9';
}

// Consumes white space up to the next token or the end of the stream.
static void skip_white_space(SettingsInput* in) {
    while (is_white_space(peek_byte(in)))
        skip_byte(in);
}

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

/* ---------------------------------- values ---------------------------------- */

// Converts a 32-bit pattern to the signed integer with the same low 32 bits.
static std::int32_t to_signed(std::uint32_t bits) {
    return bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                               : -static_cast<std::int32_t>(~bits) - 1;
}

// Consumes an optional sign; true when it was a minus sign.
static bool read_sign(SettingsInput* in) {
    const int byte = peek_byte(in);
    if (byte != '+' && byte != '-') return false;
    skip_byte(in);
    return byte == '-';
}

// Reads a decimal integer after white space: an optional sign, then digits, accumulated modulo
// 2^32 as a C library's scanf does. Returns 0 when no digit follows; whatever was consumed
// (white space, a sign) stays consumed, and the first byte that cannot continue the number stays
// in the stream.
static std::int32_t read_integer(SettingsInput* in) {
    skip_white_space(in);
    const bool negative = read_sign(in);
    std::uint32_t magnitude = 0;
    for (int byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(byte - '0');
        skip_byte(in);
    }
    return to_signed(negative ? 0u - magnitude : magnitude);
}

// Significant digits of a decimal number that are kept for its conversion to float. A float's
// rounding can hinge on at most about 112 significant digits (the exact midpoints between two
// floats); beyond those, only whether a further digit is non-zero matters.
constexpr std::size_t kept_digits = 200;

// Largest exponent written after "e" in an exponent: further digits only make the number more
// certainly infinite or zero, so they are no longer accumulated.
constexpr std::int64_t written_exponent_limit = 100000000000000000;  // 10^17

// Largest decimal exponent handed to the conversion; far beyond the range of a float, so
// clamping there changes nothing.
constexpr std::int64_t exponent_limit = 100000;

// A decimal number being read: value = sign 0.digits × 10^exponent.
struct DecimalNumber {
    bool negative;                // a minus sign came first
    char digits[kept_digits];     // its first significant digits, the first one non-zero
    std::size_t digit_count;      // number of digits kept
    bool dropped_non_zero;        // a non-zero digit came after the kept ones
    std::int64_t exponent;        // decimal exponent of 0.digits
    std::size_t mantissa_digits;  // digits seen before any exponent, zeros included
};

// Adds a digit of the mantissa; `before_point` tells on which side of the decimal point it is.
static void add_mantissa_digit(DecimalNumber* number, int byte, bool before_point) {
    ++number->mantissa_digits;
    if (number->digit_count == 0 && byte == '0') {
        // A leading zero: before the point it counts for nothing, after it it shifts the value.
        if (!before_point) --number->exponent;
        return;
    }
    if (number->digit_count < kept_digits) {
        number->digits[number->digit_count++] = static_cast<char>(byte);
    } else if (byte != '0') {
        number->dropped_non_zero = true;
    }
    if (before_point) ++number->exponent;
}

// Rounds the number once, correctly, to a float by the C library's conversion.
static float decimal_to_float(const DecimalNumber& number) {
    if (number.digit_count == 0) return number.negative ? -0.0f : 0.0f;
    // "-0." + digits + a sticky digit + "e-100000" + the terminator
    char text[3 + kept_digits + 1 + 8 + 1];
    std::size_t length = 0;
    if (number.negative) text[length++] = '-';
    text[length++] = '0';
    text[length++] = '.';
    std::memcpy(text + length, number.digits, number.digit_count);
    length += number.digit_count;
    // Digits dropped after the kept ones only ever need to move the value off a midpoint.
    if (number.dropped_non_zero) text[length++] = '1';
    const std::int64_t exponent = number.exponent > exponent_limit    ? exponent_limit
                                  : number.exponent < -exponent_limit ? -exponent_limit
                                                                      : number.exponent;
    // The exponent is clamped to six digits, so it always fits.
    static_cast<void>(
        std::snprintf(text + length, sizeof text - length, "e%d", static_cast<int>(exponent)));
    return std::strtof(text, nullptr);
}

// Reads a decimal floating-point number after white space: an optional sign, digits with an
// optional fraction, and an optional exponent, the form scanf's "%f" takes. Returns 0 when the
// mantissa has no digit. An exponent marker without digits after it ("1e", "1e+") is consumed
// and leaves the mantissa's value, as glibc's scanf does. The first byte that cannot continue the
// number stays in the stream.
static float read_float(SettingsInput* in) {
    DecimalNumber number{};
    skip_white_space(in);
    number.negative = read_sign(in);
    int byte = peek_byte(in);
    for (; is_digit(byte); byte = peek_byte(in)) {
        add_mantissa_digit(&number, byte, true);
        skip_byte(in);
    }
    if (byte == '.') {
        skip_byte(in);
        for (byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
            add_mantissa_digit(&number, byte, false);
            skip_byte(in);
        }
    }
    if (number.mantissa_digits == 0) return 0.0f;
    if (byte == 'e' || byte == 'E') {
        skip_byte(in);
        const bool exponent_negative = read_sign(in);
        std::int64_t exponent = 0;
        for (byte = peek_byte(in); is_digit(byte); byte = peek_byte(in)) {
            if (exponent < written_exponent_limit) exponent = exponent * 10 + (byte - '0');
            skip_byte(in);
        }
        // The digit counts stay far below 2^62 (a file that long cannot exist), so this sum
        // cannot overflow.
        number.exponent += exponent_negative ? -exponent : exponent;
    }
    return decimal_to_float(number);
}

std::int32_t printed_y(float y) {
    // Every float inside [-2^63, 2^63) converts exactly; the rest (NaN fails both tests) takes
    // the value that such a conversion gives on the program's home platform.
    const std::int64_t truncated = (y >= -9223372036854775808.0f && y < 9223372036854775808.0f)
                                       ? static_cast<std::int64_t>(y)
                                       : INT64_MIN;
    return to_signed(static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncated)));
}

/* ------------------------------- the reader ------------------------------- */

bool x_in_range(std::int32_t x) {
    return x >= 100 && x <= 1000;
}

bool y_in_range(float y) {
    return y >= 120.0f && y <= 720.0f;  // false for NaN
}

bool z_in_range(std::int32_t z) {
    return z >= 5 && z <= 10;
}

SettingsOutcome read_settings(std::FILE* settings_stream, std::FILE* results_stream,
                              Settings* settings) {
    SettingsInput in{};
    in.file = settings_stream;
    *settings = Settings{0, 0.0f, 0};

    if (!find_header(&in, texts::header_x)) return SettingsOutcome::header_missing;
    settings->X = read_integer(&in);
    if (!x_in_range(settings->X)) {
        write_formatted(results_stream, texts::x_out_of_range, settings->X);
        return SettingsOutcome::value_out_of_range;
    }

    if (!find_header(&in, texts::header_y)) return SettingsOutcome::header_missing;
    settings->Y = read_float(&in);
    if (!y_in_range(settings->Y)) {
        write_formatted(results_stream, texts::y_out_of_range, settings->X, printed_y(settings->Y));
        return SettingsOutcome::value_out_of_range;
    }

    if (!find_header(&in, texts::header_z)) return SettingsOutcome::header_missing;
    settings->Z = read_integer(&in);
    if (!z_in_range(settings->Z)) {
        write_formatted(results_stream, texts::z_out_of_range, settings->X, printed_y(settings->Y),
                        settings->Z);
        return SettingsOutcome::value_out_of_range;
    }
    return SettingsOutcome::valid;
}

/* ---------------------------- the default file ---------------------------- */

// What became of the user's settings file before the default file took its place.
enum class UserSettings {
    none,            // there was no file of the user's to keep
    kept_as_backup,  // the user's file now stands under the backup name
    not_kept,        // the backup could not be made: the user's file stays where it was
};

// Moves the user's settings file aside as the backup file, replacing an older backup, so that
// writing the default file loses nothing.
static UserSettings keep_user_settings() {
    // A directory under the settings file's name is no file of the user's: it is left alone,
    // and creating the default file in its place fails and is reported.
    if (is_directory(texts::settings_file)) return UserSettings::none;
    switch (move_file(texts::settings_file, texts::settings_backup_file)) {
        case MoveOutcome::moved:
            return UserSettings::kept_as_backup;
        case MoveOutcome::source_missing:
            return UserSettings::none;
        case MoveOutcome::failed:
            break;
    }
    return UserSettings::not_kept;
}

// How writing the default file ended.
enum class DefaultFile {
    written,      // the default file is complete
    not_created,  // no file could be created under the settings file's name
    not_written,  // the file was created but did not take the whole content
};

// Creates the settings file and writes the default content into it.
static DefaultFile write_default_file() {
    std::FILE* file = create_file(texts::settings_file);
    if (file == nullptr) return DefaultFile::not_created;
    for (const char* line : texts::default_settings_lines)
        write_text(file, line, std::strlen(line));
    return close_stream(file) ? DefaultFile::written : DefaultFile::not_written;
}

DefaultSettingsOutcome write_default_settings() {
    console_write(texts::file_not_opened, texts::settings_file);
    const UserSettings user = keep_user_settings();
    if (user == UserSettings::not_kept) {
        console_write(texts::file_not_written, texts::settings_backup_file);
        return {false, UserSettingsFile::in_place};
    }
    const UserSettingsFile kept = user == UserSettings::kept_as_backup
                                      ? UserSettingsFile::kept_as_backup
                                      : UserSettingsFile::none;
    const DefaultFile written = write_default_file();
    if (written == DefaultFile::written) return {true, kept};
    console_write(texts::file_not_written, texts::settings_file);
    // A half-written default file would pass for the user's file on the next run and be moved
    // into the backup in its place. It is removed, and the user's file goes back under its own
    // name (replacing the partial file, should removing it have failed): the files stand as they
    // stood before the run.
    if (written == DefaultFile::not_written) static_cast<void>(std::remove(texts::settings_file));
    if (kept != UserSettingsFile::kept_as_backup) return {false, kept};
    const bool put_back =
        move_file(texts::settings_backup_file, texts::settings_file) == MoveOutcome::moved;
    return {false, put_back ? UserSettingsFile::in_place : UserSettingsFile::kept_as_backup};
}
