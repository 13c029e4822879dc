// trial.cpp - the spin loop, its slump points and the end of a trial.
#include "trial.h"

#include <cfloat>
#include <cstddef>
#include <cstring>

#include "random_source.h"

// The medals are a float. By the rules of play, each change to them is the exact result in
// double arithmetic, rounded once to a float. Those exact results (sums and differences of
// floats from 0.5 to a few million) need far fewer than a double's 53 bits, so float addition
// and subtraction, which round the exact result once, give the same values. That holds only
// where floats are evaluated in float precision: on 32-bit x86, SSE2 (-msse2 -mfpmath=sse) and
// never the x87 unit, whose wider registers can carry the medals unrounded from spin to spin.
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "float arithmetic must be evaluated in float precision (on x86: -msse2 -mfpmath=sse)"
#endif

namespace {

/* ------------------------------------ constants ------------------------------------ */

constexpr float start_medals = 50.0f;             // medals at the start of a trial
constexpr std::int32_t start_money = -1000;       // yen paid for them
constexpr float refill_medals = 50.0f;            // medals bought when the player runs out
constexpr std::int32_t refill_price = 1000;       // yen paid for them
constexpr float bonus_payout = 360.0f;            // medals that a bonus pays
constexpr double spin_cost_numerator = 360.0;     // a losing spin costs this / Y medals
constexpr std::int32_t medals_per_cash_unit = 5;  // times Z: the medals of one cash unit
constexpr std::int32_t cash_unit = 500;           // yen of one cash unit

/* ---------------------------------- branch hints ---------------------------------- */

// `condition`, which is seldom true: the compiler keeps the common path of the spin loop
// straight. A bonus comes once in about X spins, a refill once in about 50 / L.
inline bool rarely(bool condition) {
#if defined(__GNUC__)
    return __builtin_expect(static_cast<long>(condition), 0L) != 0;
#else
    return condition;
#endif
}

/* ---------------------------------- float steps ---------------------------------- */

// The float just above `value`, a positive finite float: the next bit pattern up. (Done by
// hand rather than with nextafter, which would make the program load the maths library.)
float next_float_up(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    ++bits;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Records the slump point after `spins` spins, a multiple of slump_step up to the 7000th.
void record_slump_point(TrialResult* trial, std::int32_t spins, float medals, std::int32_t money) {
    trial->slump[spins / slump_step] = medal_difference(medals, money);
}

}  // namespace

/* ---------------------------------- end of a trial ---------------------------------- */

void finish_trial(const TrialRules& rules, float medals, std::int32_t money, std::int32_t spins,
                  TrialResult* trial) {
    const std::int32_t last_entry = trial->entries[trial->entry_count - 1];
    // A negative last entry marks the cap, not a bonus.
    trial->bonuses = last_entry > 0 ? trial->entry_count : trial->entry_count - 1;
    // At least one medal is left (a losing spin refills below one), at most a few million.
    trial->medals = static_cast<std::int32_t>(medals);
    trial->money = money;
    trial->cash = cash_for_medals(trial->medals, rules.exchange_rate);
    trial->spins = spins;
}

/* ------------------------------------ the draws ------------------------------------ */

void fill_draw_window(DrawWindow* window) {
    random_fill(window->draws, max_draws_per_trial);
}

void advance_draw_window(DrawWindow* window, std::int32_t used) {
    const auto left = static_cast<std::size_t>(max_draws_per_trial - used);
    std::memmove(window->draws, window->draws + used, left * sizeof window->draws[0]);
    random_fill(window->draws + left, static_cast<std::size_t>(used));
}

/* ------------------------------------ the cash ------------------------------------ */

std::int32_t cash_for_medals(std::int32_t medals, std::int32_t exchange_rate) {
    const std::int32_t hundreds = medals / exchange_rate;  // truncating, as every division here
    return hundreds / medals_per_cash_unit * cash_unit;
}

/* ---------------------------------- rules of a run ---------------------------------- */

float refill_limit(float loss_per_spin) {
    // 1 + L is exact in a double: L lies between 0.5 and 3.
    const double limit = 1.0 + static_cast<double>(loss_per_spin);
    auto rounded = static_cast<float>(limit);
    if (static_cast<double>(rounded) < limit) rounded = next_float_up(rounded);
    return rounded;
}

TrialRules trial_rules(const Settings& settings) {
    TrialRules rules{};
    rules.hit_threshold = random_max / settings.X;
    rules.loss_per_spin = static_cast<float>(spin_cost_numerator / static_cast<double>(settings.Y));
    rules.refill_below = refill_limit(rules.loss_per_spin);
    rules.exchange_rate = settings.Z;
    return rules;
}

/* ------------------------------------ one trial ------------------------------------ */

std::int32_t play_trial(const TrialRules& rules, const std::int32_t* draws, TrialResult* trial) {
    // The rules in locals: the stores into the entries cannot change them, so they stay in
    // registers for the whole loop.
    const std::int32_t hit_threshold = rules.hit_threshold;
    const float loss_per_spin = rules.loss_per_spin;
    const float refill_below = rules.refill_below;

    float medals = start_medals;
    std::int32_t money = start_money;
    std::int32_t spins = 0;      // spins played so far
    std::int32_t run_start = 0;  // spins played before the current run of spins began
    std::int32_t count = 0;      // entries recorded; at most one per spin up to the 7000th
    trial->slump[0] = medal_difference(medals, money);
    // The spins in stretches of slump_step, so that the slump point after each stretch costs a
    // test per stretch rather than one per spin. Only a bonus from the 7000th spin on ends a
    // stretch early, so up to the 7000th spin every stretch ends on a multiple of slump_step.
    while (spins < spin_cap) {
        const std::int32_t stretch_end = spins + slump_step;
        while (spins < stretch_end) {
            const std::int32_t draw = draws[spins];
            ++spins;
            if (rarely(draw <= hit_threshold)) {
                medals += bonus_payout;
                trial->entries[count++] = spins - run_start;
                if (spins >= spins_to_end) {
                    // A bonus on the 7000th spin ends its stretch: the last slump point.
                    if (spins == spins_to_end) record_slump_point(trial, spins, medals, money);
                    trial->entry_count = count;
                    finish_trial(rules, medals, money, spins, trial);
                    return spins;
                }
                run_start = spins;
                continue;
            }
            // A losing spin. Deciding the refill from the medals before the spin keeps the
            // test off the subtraction's path: medals - L < 1 exactly when medals < 1 + L.
            const bool runs_out = medals < refill_below;
            medals -= loss_per_spin;
            if (rarely(runs_out)) {
                medals += refill_medals;
                money -= refill_price;
            }
        }
        if (spins <= spins_to_end) record_slump_point(trial, spins, medals, money);
    }
    // The cap: the next draw is taken but plays no spin. The entry counts the losing spins
    // since the last bonus, plus one.
    trial->entries[count++] = -(spin_cap + 1 - run_start);
    trial->entry_count = count;
    finish_trial(rules, medals, money, spin_cap, trial);
    return spin_cap + 1;
}

void add_to_totals(RunTotals* totals, const TrialResult& trial) {
    totals->bonuses += trial.bonuses;
    totals->medals += trial.medals;
    totals->profit += static_cast<std::int64_t>(trial.cash) + trial.money;
}

std::int32_t average_per_trial(std::int64_t total) {
    return static_cast<std::int32_t>(total / trials_per_run);
}
