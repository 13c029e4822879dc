// results_file.h - the results file's lines: one line per trial, then an empty line and the
// averages.
//
// A trial line is, printf-style, "%3d回 %5d枚 %7d円 %7d円 " followed by "%4d " for each entry,
// for example "  5回   388枚  -45000円    3500円   57 2525 1295 2434 1017 ". The line of averages
// is "%3d回 %5d枚 %7d円". Numbers are right-aligned in their widths and take more room when they
// need it; the units are two Shift_JIS bytes each, and widths count bytes. Lines end in CR LF.
#ifndef QUORVANTELMIX_RESULTS_FILE_H
#define QUORVANTELMIX_RESULTS_FILE_H

#include <cstdint>
#include <cstdio>

#include "rules/trial.h"

// Appends the line of `trial` to `results`.
void write_trial_line(std::FILE* results, const TrialResult& trial);

// Adds the figures of a finished trial to the run's totals, whose averages close the file.
void add_to_totals(RunTotals* totals, const TrialResult& trial);

// Appends an empty line and the line of averages of `totals` to `results`; each average is the
// total divided by trials_per_run, truncated toward zero.
void write_averages(std::FILE* results, const RunTotals& totals);

// Writes `value` in decimal at `out`, right-aligned in `width` bytes with spaces in front, as
// printf's "%*d" does (a minus sign counts toward the width; a wider number takes the room it
// needs), and returns the end of what it wrote: at most 11 bytes or `width`, whichever is more.
char* put_number(char* out, std::int32_t value, int width);

#endif
