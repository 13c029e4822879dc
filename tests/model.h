// model.h - the rules of one trial followed step by step, for the tests to hold the program to.
//
// The model plays a trial the plain way: each step in its order, the medals changed in double
// arithmetic and rounded to a float when stored, the unrounded difference compared with 1, and
// the medal difference taken after every 100th spin as it is played.
#ifndef QUORVANTELMIX_TESTS_MODEL_H
#define QUORVANTELMIX_TESTS_MODEL_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "rules/trial.h"

// The figures of a trial as the model or the lanes made them.
struct Figures {
    std::vector<std::int32_t> entries;
    std::int32_t bonuses, medals, money, cash;
    std::int32_t draws_used;
    std::vector<std::int32_t> slump;  // the medal difference at spin 0, 100, ..., 7000
};

bool operator==(const Figures& a, const Figures& b);
void PrintTo(const Figures& f, std::ostream* out);

// The trial that the model plays on `draws` with `rules`.
Figures model_trial(const TrialRules& rules, const std::vector<std::int32_t>& draws);

// The model's trials of a whole run with the random source seeded with `seed`, one draw at a
// time.
std::vector<Figures> model_run(std::uint32_t seed, const TrialRules& rules);

#endif
