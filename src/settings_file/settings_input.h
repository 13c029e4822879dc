// settings_input.h - the settings file as the reader sees it: a stream of bytes with one byte
// of look-ahead, read through a small buffer, ending at the end of the file or at a Ctrl-Z.
//
// It reads the way a text-mode stream of the program's home platform reads: a byte 0x1A ends the
// file. That platform also turns CR LF into a line feed; both bytes are white space here, so
// the reader sees the same tokens either way and needs no translation.
#ifndef QUORVANTELMIX_SETTINGS_INPUT_H
#define QUORVANTELMIX_SETTINGS_INPUT_H

#include <cstddef>
#include <cstdio>

// The settings stream as the reader sees it: one byte of look-ahead over a buffered file.
struct SettingsInput {
    std::FILE* file;             // the settings stream
    unsigned char buffer[4096];  // bytes read from the file
    std::size_t next;            // index in buffer of the next byte not yet consumed
    std::size_t filled;          // number of bytes in buffer
    bool ended;                  // end of file, Ctrl-Z or a read error seen: nothing more comes
};

// The next byte of the settings stream without consuming it, or -1 at its end.
int peek_byte(SettingsInput* in);

// Consumes the byte that peek_byte returned.
void skip_byte(SettingsInput* in);

// True for the six white-space bytes that separate tokens: space, and tab to carriage return.
bool is_white_space(int byte);

// True for the decimal digits '0' to '9'.
bool is_digit(int byte);

// Consumes white space up to the next token or the end of the stream.
void skip_white_space(SettingsInput* in);

#endif
