// text_io.cpp - CR LF line ends written by hand, so the bytes are the same on every platform.
#include "platform/text_io.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#if defined(_WIN32)
#include <windows.h>
#endif

void write_text(std::FILE* out, const char* text, std::size_t length) {
    // Shift_JIS trail bytes are never 0x0A, so every 0x0A byte is a line end.
    const char* end = text + length;
    while (text < end) {
        const void* found = std::memchr(text, '\n', static_cast<std::size_t>(end - text));
        const char* line_end = found != nullptr ? static_cast<const char*>(found) : end;
        // A failed write leaves the stream's error flag set, which close_stream reports.
        static_cast<void>(std::fwrite(text, 1, static_cast<std::size_t>(line_end - text), out));
        if (line_end == end) break;
        static_cast<void>(std::fwrite("\r\n", 1, 2, out));
        text = line_end + 1;
    }
}

std::size_t format_line(char* line, const char* format, std::va_list arguments) {
    const int length = std::vsnprintf(line, max_formatted_line, format, arguments);
    if (length <= 0) return 0;
    // A longer result would be cut; the fixed formats and their 32-bit numbers cannot get there.
    const auto full = static_cast<std::size_t>(length);
    return full < max_formatted_line ? full : max_formatted_line - 1;
}

void write_formatted(std::FILE* out, const char* format, ...) {
    char line[max_formatted_line];
    std::va_list arguments;
    va_start(arguments, format);
    const std::size_t length = format_line(line, format, arguments);
    va_end(arguments);
    write_text(out, line, length);
}

bool close_stream(std::FILE* stream) {
    // A full disk shows up either as a stream error during earlier writes or as a failing flush
    // inside fclose; both mean the file does not hold what was written.
    const bool written = std::ferror(stream) == 0;
    const bool closed = std::fclose(stream) == 0;
    return written && closed;
}

std::FILE* open_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    // POSIX opens a directory for reading and fails only on the first read; it is no file.
    struct stat info {};
    if (file != nullptr && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        static_cast<void>(std::fclose(file));  // opened only to be refused
        return nullptr;
    }
    return file;
}

std::FILE* create_file(const char* path) {
    return std::fopen(path, "wb");
}

WholeFileOutcome write_whole_file(const char* path, const char* bytes, std::size_t length) {
    std::FILE* file = create_file(path);
    if (file == nullptr) return WholeFileOutcome::not_created;
    // A short write leaves the stream's error flag set, which close_stream reports.
    static_cast<void>(std::fwrite(bytes, 1, length, file));
    if (close_stream(file)) return WholeFileOutcome::written;
    static_cast<void>(std::remove(path));  // the partial file; should it stay, nothing more helps
    return WholeFileOutcome::not_written;
}

MoveOutcome move_file(const char* from, const char* to) {
#if defined(_WIN32)
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0) return MoveOutcome::moved;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? MoveOutcome::source_missing : MoveOutcome::failed;
#else
    if (std::rename(from, to) == 0) return MoveOutcome::moved;
    return errno == ENOENT ? MoveOutcome::source_missing : MoveOutcome::failed;
#endif
}

bool is_directory(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}
