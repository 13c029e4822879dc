// text_io.h - the program's file streams: opened in binary mode, with the CR LF line ends
// written by the program itself, so that the bytes are the same on every platform.
#ifndef QUORVANTELMIX_TEXT_IO_H
#define QUORVANTELMIX_TEXT_IO_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Longest line that the formatted writers produce; every fixed format of the program fits.
constexpr std::size_t max_formatted_line = 512;

// Formats like vprintf into `line`, which holds max_formatted_line bytes; returns the length of
// the text, 0 when formatting failed.
std::size_t format_line(char* line, const char* format, std::va_list arguments);

// Appends `length` bytes of `text` to `out`, writing each line feed as CR LF.
void write_text(std::FILE* out, const char* text, std::size_t length);

// Formats like printf and appends the result to `out` with write_text.
void write_formatted(std::FILE* out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Closes `stream`; false when anything written through it failed to reach the file.
bool close_stream(std::FILE* stream);

// Opens the existing file `path` for reading in binary mode; null when it cannot be opened or
// is a directory.
std::FILE* open_file(const char* path);

// Opens `path` for writing in binary mode, creating or truncating it; null on failure.
std::FILE* create_file(const char* path);

// How writing a whole file ended.
enum class WholeFileOutcome {
    written,      // the file holds exactly the bytes
    not_created,  // the file could not be created
    not_written,  // the file was created but did not take every byte: it has been removed
};

// Creates or truncates `path` and writes `length` bytes of `bytes` into it, as they stand. A file
// that did not take them all is removed, so that no partial file is left.
WholeFileOutcome write_whole_file(const char* path, const char* bytes, std::size_t length);

// How moving a file ended.
enum class MoveOutcome {
    moved,           // the file now stands under its new name, replacing any file there
    source_missing,  // there was no file to move
    failed,          // the file stays where it was
};

// Renames the file `from` to `to`, replacing an existing file `to`.
MoveOutcome move_file(const char* from, const char* to);

// True when `path` names a directory.
bool is_directory(const char* path);

#endif
