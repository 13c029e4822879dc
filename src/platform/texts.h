// texts.h - every fixed text that the program reads or writes, in one place.
//
// The program speaks Shift_JIS (code page 932): these arrays hold the Shift_JIS bytes of the
// texts, which texts.cpp keeps readable as Japanese in its source. Formats are printf formats
// whose "\n" stands for one line end; the writers put it out as CR LF.
#ifndef QUORVANTELMIX_TEXTS_H
#define QUORVANTELMIX_TEXTS_H

namespace texts {

// The texts that the page shows too (file names, section headers, the out-of-range messages).
#define QUORVANTELMIX_TEXT(name, literal) \
    extern const char name[];  // NOLINT(bugprone-macro-parentheses)
#include "platform/texts_shared.inc"
#undef QUORVANTELMIX_TEXT

/* ----------------------------- default settings file ----------------------------- */

// The seven lines of the default settings file, without their line ends: the instruction, then
// each header followed by its default value.
extern const char* const default_settings_lines[7];

/* -------------------------------- console lines -------------------------------- */

extern const char file_not_opened[];  // "ファイル '%s' は開けませんでした。": takes a file name
extern const char
    file_not_written[];  // "ファイル '%s' に書き込めませんでした。": takes a file name
extern const char
    settings_kept_at[];  // "元の設定ファイルは '%s' にあります。": where the user's file is
extern const char accepted_settings[];  // "X=%d Y=%d Z=%d": the settings of the run
extern const char calculating[];        // "計算中・・・・": the progress line
extern const char lane_unit_unknown[];  // QUORVANTELMIX_LANES names no vector unit
extern const char
    lane_unit_unavailable[];  // QUORVANTELMIX_LANES names a unit the processor lacks: takes it

/* --------------------------------- results file --------------------------------- */

extern const char results_first_line[];  // "[1/%d]": takes X
extern const char bonus_unit[3];         // "回", after a number of bonuses
extern const char medal_unit[3];         // "枚", after a number of medals
extern const char yen_unit[3];           // "円", after an amount in yen

}  // namespace texts

// The shared texts again in UTF-8, the report page's encoding.
namespace page_texts {

#define QUORVANTELMIX_TEXT(name, literal) \
    extern const char name[];  // NOLINT(bugprone-macro-parentheses)
#include "platform/texts_shared.inc"
#undef QUORVANTELMIX_TEXT

}  // namespace page_texts

#endif
