// console.cpp - writing the console lines.
//
// The program's console lines are Shift_JIS, its home platform's encoding. Redirected to a file
// or a pipe they go out as those bytes, exactly; on a terminal that expects another encoding
// (a UTF-8 Linux terminal) they are converted so that a person can read them.
#include "console.h"

#include <cstdio>
#include <cstring>

#include "text_io.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>
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

#if defined(_WIN32)

long convert_console_text(const char*, std::size_t, const char*, char*, std::size_t) {
    return -1;
}

void console_prepare() {
    _setmode(_fileno(stdout), _O_BINARY);
}

// On Windows the console lines go out as their Shift_JIS bytes, which a console on code page 932,
// the program's home, shows as they are: no terminal asks for a conversion here.
static bool terminal_codeset(char*, std::size_t) {
    return false;
}

#else

long convert_console_text(const char* text, std::size_t length, const char* codeset, char* out,
                          std::size_t capacity) {
    iconv_t converter = iconv_open(codeset, "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return -1;
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

// Copies the character set of the terminal on standard output into `codeset`; false when
// standard output is not a terminal.
static bool terminal_codeset(char* codeset, std::size_t capacity) {
    if (isatty(STDOUT_FILENO) == 0) return false;
    // The user's locale is asked for its character set without becoming the program's locale.
    locale_t user_locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    const char* name = user_locale != static_cast<locale_t>(nullptr)
                           ? nl_langinfo_l(CODESET, user_locale)
                           : "ANSI_X3.4-1968";
    std::snprintf(codeset, capacity, "%s", name);
    if (user_locale != static_cast<locale_t>(nullptr)) freelocale(user_locale);
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

    char codeset[64];
    if (terminal_codeset(codeset, sizeof codeset) && !is_shift_jis_codeset(codeset)) {
        char converted[4 * sizeof with_crlf];
        const long converted_length =
            convert_console_text(with_crlf, crlf_length, codeset, converted, sizeof converted);
        if (converted_length >= 0) {
            std::fwrite(converted, 1, static_cast<std::size_t>(converted_length), stdout);
            return;
        }
        // A terminal whose character set cannot show the text gets the bytes as they stand.
    }
    std::fwrite(with_crlf, 1, crlf_length, stdout);
}

bool console_flush() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}
