// console.h - the console lines: Shift_JIS text with CR LF line ends on standard output,
// made readable on a terminal that uses another encoding.
#ifndef QUORVANTELMIX_CONSOLE_H
#define QUORVANTELMIX_CONSOLE_H

#include <cstddef>

// Puts standard output in binary mode where the platform has a text mode, so that the program's
// own CR LF line ends go out unchanged.
void console_prepare();

// Formats one console line like printf (Shift_JIS text, "\n" for the line end) and writes it to
// standard output: converted when standard output is a terminal that does not use Shift_JIS (a
// UTF-8 terminal; on Windows a console whose output code page is not 932, which gets UTF-16
// through the wide console call), as the bytes stand otherwise.
void console_write(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Flushes standard output; false when anything written to it failed.
bool console_flush();

// True when `codeset`, a character set name such as a locale reports it, is Shift_JIS.
bool is_shift_jis_codeset(const char* codeset);

// The character set that the console lines are converted into, given whether standard output is
// a terminal and the character set of the user's locale; null when they go out as the Shift_JIS
// bytes they are (not a terminal, or a Shift_JIS one). A locale of plain ASCII (no LANG, "C",
// "POSIX", or a locale that is not installed) is taken as UTF-8: raw Shift_JIS is unreadable on
// every terminal such a machine has, and ASCII cannot show the Japanese at all.
const char* console_target_codeset(bool terminal, const char* locale_codeset);

#if defined(_WIN32)
// Converts `length` bytes of Shift_JIS text (code page 932) into UTF-16 for the wide console
// call, writing at most `capacity` code units to `out`. Returns the number of code units written,
// or -1 when the text cannot be converted completely (an invalid byte, or too little room).
long console_text_to_utf16(const char* text, std::size_t length, wchar_t* out,
                           std::size_t capacity);
#else
// Converts `length` bytes of Shift_JIS text into the character set `codeset`, writing at most
// `capacity` bytes to `out`. Returns the number of bytes written, or -1 when the text cannot be
// converted completely (no such converter, a character the target lacks, or too little room).
long convert_console_text(const char* text, std::size_t length, const char* codeset, char* out,
                          std::size_t capacity);
#endif

#endif
