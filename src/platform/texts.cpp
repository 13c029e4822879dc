// texts.cpp - the program's fixed texts, written as the Japanese they are.
//
// This unit is compiled with GCC's -fexec-charset=CP932, which stores every string literal as
// its Shift_JIS bytes. The static assertions below stop the build on a compiler that would store
// other bytes (UTF-8, say), since every file and console line would then come out wrong.
#include "platform/texts.h"

/* ------------------------------- encoding guard ------------------------------- */

// True when `text` holds exactly the bytes `expected` (of the same length).
static constexpr bool has_bytes(const char* text, const unsigned char* expected, int length) {
    for (int i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) != expected[i]) return false;
    }
    return text[length] == '\0';
}

static constexpr unsigned char kakuritsu_x_sjis[] = {0x5B, 0x8A, 0x6D, 0x97, 0xA6, 0x58, 0x5D};
static constexpr unsigned char nakaguro_sjis[] = {0x81, 0x45};
static_assert(has_bytes("[確率X]", kakuritsu_x_sjis, 7),
              "string literals must be stored as Shift_JIS: compile with -fexec-charset=CP932");
static_assert(has_bytes("・", nakaguro_sjis, 2),
              "string literals must be stored as Shift_JIS: compile with -fexec-charset=CP932");

namespace texts {

#define QUORVANTELMIX_TEXT(name, literal) const char name[] = literal;
#include "platform/texts_shared.inc"
#undef QUORVANTELMIX_TEXT

/* ----------------------------- default settings file ----------------------------- */

// "Enter the settings into this file."
const char default_settings_intro[] = "このファイルへ設定を入力して下さい。";

const char* const default_settings_lines[7] = {
    default_settings_intro, header_x, default_x, header_y, default_y, header_z, default_z,
};

/* -------------------------------- console lines -------------------------------- */

// "The file '...' was not opened."
const char file_not_opened[] = "ファイル '%s' は開けませんでした。\n";
// "The file '...' could not be written."
const char file_not_written[] = "ファイル '%s' に書き込めませんでした。\n";
// "The original settings file is at '...'."
const char settings_kept_at[] = "元の設定ファイルは '%s' にあります。\n";
const char accepted_settings[] = "X=%d Y=%d Z=%d\n";
// "Calculating...."
const char calculating[] = "計算中・・・・\n";
// "The vector unit named in QUORVANTELMIX_LANES is unknown: use sse2, avx2 or avx512."
const char lane_unit_unknown[] =
    "環境変数 QUORVANTELMIX_LANES の値が分かりません。sse2、avx2、avx512 のどれかにして下さい。\n";
// "The vector unit '...' named in QUORVANTELMIX_LANES cannot be used on this processor."
const char lane_unit_unavailable[] =
    "環境変数 QUORVANTELMIX_LANES の '%s' は、このプロセッサでは使えません。\n";

/* --------------------------------- results file --------------------------------- */

const char results_first_line[] = "[1/%d]\n";
const char bonus_unit[3] = "回";
const char medal_unit[3] = "枚";
const char yen_unit[3] = "円";

}  // namespace texts
