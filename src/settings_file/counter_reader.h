// counter_reader.h - the data counter's optional sections of the settings file, looked for after
// Z's value: "[総回転数]" with the spins counted, "[ボーナス回数]" with the bonuses among them, and
// "[設定ごとの確率X]" with the X of each of the machine's settings.
//
// They are found in any order, the first of each counting; a header is a token that begins with
// its bytes, as for the three settings. A value is a run of digits, read where the header ends
// (a value glued to its header counts) or else at the next token; it ends at the first byte that
// is no digit, which stays in the stream as the start of the next token. The listed X may be
// separated by white space or commas ("," or "、"). Whatever the sections hold, nothing of them
// goes to the results file or the console.
#ifndef QUORVANTELMIX_COUNTER_READER_H
#define QUORVANTELMIX_COUNTER_READER_H

#include "rules/counter_values.h"
#include "settings_file/settings_input.h"

// Reads the rest of `in` for the counter's sections into `reading`: their values, or the first
// thing wrong with them (its value as read in `reading->fault`).
void read_counter_sections(SettingsInput* in, CounterReading* reading);

#endif
