// results_file.cpp - the trial lines and the line of averages, gathered into blocks.
//
// The numbers are formatted with std::to_chars rather than the C library's printf, so that every
// platform writes the same bytes, and a trial line of any length goes to the file in a few large
// writes.
#include "simulation/results_file.h"

#include <charconv>
#include <cstddef>
#include <cstring>

#include "platform/texts.h"

namespace {

// A trial line is gathered in a block of about this many bytes before it is written; a longer
// line goes out in several blocks.
constexpr std::size_t block_size = 4096;

// Most bytes that one field adds to a line: an 11-byte number, a two-byte unit and a space.
constexpr std::size_t max_field_size = 14;

// Puts the two bytes of `unit` at `out` and returns their end.
char* put_unit(char* out, const char (&unit)[3]) {
    out[0] = unit[0];
    out[1] = unit[1];
    return out + 2;
}

// Puts "%3d回 %5d枚 " with the number of bonuses and of medals, the start of both kinds of line.
char* put_bonuses_and_medals(char* out, std::int32_t bonuses, std::int32_t medals) {
    out = put_unit(put_number(out, bonuses, 3), texts::bonus_unit);
    *out++ = ' ';
    out = put_unit(put_number(out, medals, 5), texts::medal_unit);
    *out++ = ' ';
    return out;
}

// Puts "%7d円" with an amount in yen.
char* put_yen(char* out, std::int32_t yen) {
    return put_unit(put_number(out, yen, 7), texts::yen_unit);
}

// Puts the line end, CR LF.
char* put_line_end(char* out) {
    out[0] = '\r';
    out[1] = '\n';
    return out + 2;
}

// Writes the bytes from `start` to `end` to `results`.
void write_block(std::FILE* results, const char* start, const char* end) {
    // A failed write leaves the stream's error flag set, which closing the file reports.
    static_cast<void>(std::fwrite(start, 1, static_cast<std::size_t>(end - start), results));
}

}  // namespace

char* put_number(char* out, std::int32_t value, int width) {
    char digits[11];  // "-2147483648" at most
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    for (int pad = width - length; pad > 0; --pad)
        *out++ = ' ';
    std::memcpy(out, digits, static_cast<std::size_t>(length));
    return out + length;
}

void write_trial_line(std::FILE* results, const TrialResult& trial) {
    char block[block_size + max_field_size];
    char* end = put_bonuses_and_medals(block, trial.bonuses, trial.medals);
    end = put_yen(end, trial.money);
    *end++ = ' ';
    end = put_yen(end, trial.cash);
    *end++ = ' ';
    for (std::int32_t i = 0; i < trial.entry_count; ++i) {
        end = put_number(end, trial.entries[i], 4);
        *end++ = ' ';
        if (static_cast<std::size_t>(end - block) >= block_size) {
            write_block(results, block, end);
            end = block;
        }
    }
    end = put_line_end(end);
    write_block(results, block, end);
}

void write_averages(std::FILE* results, const RunTotals& totals) {
    char line[2 + 3 * max_field_size + 2];
    char* end = put_line_end(line);  // the empty line before the averages
    end = put_bonuses_and_medals(end, average_per_trial(totals.bonuses),
                                 average_per_trial(totals.medals));
    end = put_yen(end, average_per_trial(totals.profit));
    end = put_line_end(end);
    write_block(results, line, end);
}

void add_to_totals(RunTotals* totals, const TrialResult& trial) {
    totals->bonuses += trial.bonuses;
    totals->medals += trial.medals;
    totals->profit += static_cast<std::int64_t>(trial.cash) + trial.money;
}
