// console.cpp - writing the console lines.
//
// The program's console lines are Shift_JIS, its home platform's encoding. Redirected to a file
// or a pipe they go out as those bytes, exactly; on a terminal that expects another encoding
// (a UTF-8 Linux terminal, a Windows console set to another code page) they are converted so
// that a person can read them.
#include "platform/console.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/text_io.h"

#if defined(_WIN32)
#include <climits>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>
#include <clocale>
#endif

/* ------------------------------ character sets ------------------------------ */

bool is_shift_jis_codeset(const char* codeset) {
    static const char* const names[] = {"SHIFT_JIS", "SHIFT-JIS",   "SJIS",       "CP932",
                                        "MS_KANJI",  "WINDOWS-31J", "CSSHIFTJIS", "IBM-943"};
    for (const char* name : names) {
        std::size_t i = 0;
        while (name[i] != '\0' && codeset[i] != '\0' &&
               (codeset[i] == name[i] ||
                (codeset[i] >= 'a' && codeset[i] <= 'z' && codeset[i] - 'a' + 'A' == name[i]))) {
            ++i;
        }
        if (name[i] == '\0' && codeset[i] == '\0') return true;
    }
    return false;
}

// True when `codeset` names plain ASCII, as the C and POSIX locales report it (glibc says
// "ANSI_X3.4-1968").
static bool is_ascii_codeset(const char* codeset) {
    static const char* const names[] = {"ANSI_X3.4-1968", "ASCII", "US-ASCII", "646", ""};
    return std::any_of(std::begin(names), std::end(names),
                       [codeset](const char* name) { return std::strcmp(codeset, name) == 0; });
}

const char* console_target_codeset(bool terminal, const char* locale_codeset) {
    if (!terminal || is_shift_jis_codeset(locale_codeset)) return nullptr;
    return is_ascii_codeset(locale_codeset) ? "UTF-8" : locale_codeset;
}

#if defined(_WIN32)

// The code page of Shift_JIS on Windows.
constexpr UINT shift_jis_code_page = 932;

// Longest console line in UTF-16 code units: never more than one per byte of Shift_JIS.
constexpr std::size_t max_wide_line = 2 * max_formatted_line;

long console_text_to_utf16(const char* text, std::size_t length, wchar_t* out,
                           std::size_t capacity) {
    if (length == 0) return 0;
    if (length > INT_MAX || capacity > INT_MAX) return -1;
    const int converted =
        MultiByteToWideChar(shift_jis_code_page, MB_ERR_INVALID_CHARS, text,
                            static_cast<int>(length), out, static_cast<int>(capacity));
    return converted > 0 ? converted : -1;
}

void console_prepare() {
    _setmode(_fileno(stdout), _O_BINARY);
}

// Writes `text` to the console through the wide console call when standard output is a console
// whose output code page is not Shift_JIS's; false, having written nothing, otherwise. A console
// on code page 932, a file and a pipe take the Shift_JIS bytes as they stand.
static bool write_to_terminal(const char* text, std::size_t length) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || out == nullptr || GetConsoleMode(out, &mode) == 0)
        return false;
    if (GetConsoleOutputCP() == shift_jis_code_page) return false;
    wchar_t wide[max_wide_line];
    const long wide_length = console_text_to_utf16(text, length, wide, max_wide_line);
    if (wide_length < 0) return false;
    std::fflush(stdout);  // anything written through stdout goes first
    DWORD written = 0;
    return WriteConsoleW(out, wide, static_cast<DWORD>(wide_length), &written, nullptr) != 0;
}

#else

long convert_console_text(const char* text, std::size_t length, const char* codeset, char* out,
                          std::size_t capacity) {
    iconv_t converter = iconv_open(codeset, "CP932");
    // iconv_open reports failure with this pointer made of -1.
    if (converter == reinterpret_cast<iconv_t>(-1)) return -1;  // NOLINT(performance-no-int-to-ptr)
    char* in_next = const_cast<char*>(text);  // iconv's interface is not const-correct
    std::size_t in_left = length;
    char* out_next = out;
    std::size_t out_left = capacity;
    const std::size_t result = iconv(converter, &in_next, &in_left, &out_next, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || in_left != 0) return -1;
    return static_cast<long>(capacity - out_left);
}

void console_prepare() {}

// Copies the character set of the user's locale into `codeset`, "" when the locale cannot be
// had (it is not installed, say).
static void locale_codeset(char* codeset, std::size_t capacity) {
    // The user's locale is asked for its character set without becoming the program's locale.
    locale_t user_locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    const char* name =
        user_locale != static_cast<locale_t>(nullptr) ? nl_langinfo_l(CODESET, user_locale) : "";
    // A name cut short finds no converter, and the bytes go out as they stand.
    static_cast<void>(std::snprintf(codeset, capacity, "%s", name));
    if (user_locale != static_cast<locale_t>(nullptr)) freelocale(user_locale);
}

// Writes `text` converted for the terminal on standard output, when there is one that does not
// use Shift_JIS; false, having written nothing, otherwise. A terminal whose character set cannot
// show the text gets the bytes as they stand.
static bool write_to_terminal(const char* text, std::size_t length) {
    const bool terminal = isatty(STDOUT_FILENO) != 0;
    char codeset[64] = "";
    if (terminal) locale_codeset(codeset, sizeof codeset);
    const char* target = console_target_codeset(terminal, codeset);
    if (target == nullptr) return false;
    char converted[max_formatted_line * 2 * 4];  // up to 4 bytes per character
    const long converted_length =
        convert_console_text(text, length, target, converted, sizeof converted);
    if (converted_length < 0) return false;
    // A failed write leaves the error flag of stdout set, which console_flush reports.
    static_cast<void>(
        std::fwrite(converted, 1, static_cast<std::size_t>(converted_length), stdout));
    return true;
}

#endif

/* ------------------------------- console lines ------------------------------- */

void console_write(const char* format, ...) {
    char line[max_formatted_line];
    std::va_list arguments;
    va_start(arguments, format);
    const std::size_t length = format_line(line, format, arguments);
    va_end(arguments);

    // The line end becomes CR LF before any conversion, exactly as in the files.
    char with_crlf[2 * max_formatted_line];
    std::size_t crlf_length = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (line[i] == '\n') with_crlf[crlf_length++] = '\r';
        with_crlf[crlf_length++] = line[i];
    }

    if (write_to_terminal(with_crlf, crlf_length)) return;
    static_cast<void>(std::fwrite(with_crlf, 1, crlf_length, stdout));  // checked by console_flush
}

bool console_flush() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}
