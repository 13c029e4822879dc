// settings_input.cpp - the settings file's bytes, read through a small buffer.
#include "settings_file/settings_input.h"

// Ctrl-Z: ends a text file.
constexpr unsigned char end_of_file_byte = 0x1A;

int peek_byte(SettingsInput* in) {
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

void skip_byte(SettingsInput* in) {
    ++in->next;
}

bool is_white_space(int byte) {
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D);
}

bool is_digit(int byte) {
    return byte >= '0' && byte <= '9';
}

void skip_white_space(SettingsInput* in) {
    while (is_white_space(peek_byte(in)))
        skip_byte(in);
}
