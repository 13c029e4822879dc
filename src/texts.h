// texts.h - every fixed text that the program reads or writes, in one place.
//
// The program speaks Shift_JIS (code page 932): these arrays hold the Shift_JIS bytes of the
// texts, which texts.cpp keeps readable as Japanese in its source. Formats are printf formats
// whose "\n" stands for one line end; the writers put it out as CR LF.
#ifndef QUORVANTELMIX_TEXTS_H
#define QUORVANTELMIX_TEXTS_H

namespace texts {

/* ---------------------------------- file names ---------------------------------- */

extern const char settings_file[];         // "Quorvantelmix.ini", the settings file
extern const char settings_backup_file[];  // "Quorvantelmix.ini.bak", the user's file kept
extern const char results_file[];          // "Quorvantelmix.txt", the results file
extern const char report_file[];           // "Quorvantelmix.html", the report page

/* ------------------------------- settings headers ------------------------------- */

extern const char header_x[];  // "[確率X]", opens the section of the odds X
extern const char header_y[];  // "[100%確率Y]", opens the section of the 100 % odds Y
extern const char header_z[];  // "[換金率Z]", opens the section of the exchange rate Z

/* ----------------------------- default settings file ----------------------------- */

// The seven lines of the default settings file, each ending in "\n".
extern const char* const default_settings_lines[7];

/* --------------------------- settings out of range --------------------------- */

extern const char x_out_of_range[];  // asks for X from 100 to 1000; takes X
extern const char y_out_of_range[];  // asks for Y from 120 to 720; takes X and Y
extern const char z_out_of_range[];  // asks for Z from 5 to 10; takes X, Y and Z

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

#endif
