// report.h - the results file's lines: one line per trial, then an empty line and the averages.
//
// A trial line is, printf-style, "%3d回 %5d枚 %7d円 %7d円 " followed by "%4d " for each entry,
// for example "  5回   388枚  -45000円    3500円   57 2525 1295 2434 1017 ". The line of averages
// is "%3d回 %5d枚 %7d円". Numbers are right-aligned in their widths and take more room when they
// need it; the units are two Shift_JIS bytes each, and widths count bytes. Lines end in CR LF.
#ifndef QUORVANTELMIX_REPORT_H
#define QUORVANTELMIX_REPORT_H

#include <cstdint>
#include <cstdio>

// Trials in a run; the averages divide the run's totals by it.
constexpr std::int32_t trials_per_run = 1000;

// Most entries a trial can record: a bonus on each of the first 7000 spins ends it with 7000,
// and 6999 bonuses followed by the cap entry make 7000 as well.
constexpr std::int32_t max_entries_per_trial = 7000;

// The figures of one finished trial.
struct TrialResult {
    std::int32_t entries[max_entries_per_trial];  // spins to each bonus; a cap entry is negative
    std::int32_t entry_count;                     // entries recorded, 1 to max_entries_per_trial
    std::int32_t bonuses;                         // H: the entries that are bonuses
    std::int32_t medals;                          // N: medals left, truncated to whole medals
    std::int32_t money;                           // W: yen paid for medals, -1000 or less
    std::int32_t cash;                            // K: yen received for the medals left
};

// Sums over the trials of a run, in 64 bits so that no run can overflow them.
struct RunTotals {
    std::int64_t bonuses;  // sum of H
    std::int64_t medals;   // sum of N
    std::int64_t profit;   // sum of K + W, in yen
};

// Appends the line of `trial` to `results`.
void write_trial_line(std::FILE* results, const TrialResult& trial);

// Appends an empty line and the line of averages of `totals` to `results`; each average is the
// total divided by trials_per_run, truncated toward zero.
void write_averages(std::FILE* results, const RunTotals& totals);

// Writes `value` in decimal at `out`, right-aligned in `width` bytes with spaces in front, as
// printf's "%*d" does (a minus sign counts toward the width; a wider number takes the room it
// needs), and returns the end of what it wrote: at most 11 bytes or `width`, whichever is more.
char* put_number(char* out, std::int32_t value, int width);

#endif
