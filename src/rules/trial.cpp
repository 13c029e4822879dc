// trial.cpp - the rules of a run, the end of a trial and the cash for its medals.
#include "rules/trial.h"

#include "rules/numbers.h"
#include "rules/random_source.h"

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
    // The float just above, the next bit pattern up (nextafter would load the maths library).
    if (static_cast<double>(rounded) < limit) rounded = float_from_bits(float_bits(rounded) + 1u);
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

std::int32_t average_per_trial(std::int64_t total) {
    return static_cast<std::int32_t>(total / trials_per_run);
}
