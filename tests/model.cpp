// model.cpp - the step-by-step model of a trial.
#include "model.h"

#include <cmath>

bool operator==(const Figures& a, const Figures& b) {
    return a.entries == b.entries && a.bonuses == b.bonuses && a.medals == b.medals &&
           a.money == b.money && a.cash == b.cash && a.draws_used == b.draws_used &&
           a.slump == b.slump;
}

void PrintTo(const Figures& f, std::ostream* out) {
    *out << "H=" << f.bonuses << " N=" << f.medals << " W=" << f.money << " K=" << f.cash
         << " draws=" << f.draws_used << " entries=" << f.entries.size()
         << " last=" << (f.entries.empty() ? 0 : f.entries.back())
         << " slump at 7000=" << (f.slump.size() == 71 ? f.slump[70] : 0);
}

Figures model_trial(const TrialRules& rules, const std::vector<std::int32_t>& draws) {
    Figures f{};
    float medals = 50.0f;
    std::int32_t money = -1000;
    std::int32_t bought = 50;  // medals bought so far
    std::int32_t spins = 0;
    std::size_t next_draw = 0;
    f.slump.push_back(0);
    bool ended = false;
    while (!ended) {
        std::int32_t run = 1;  // a new run of spins
        for (;;) {
            const std::int32_t draw = draws.at(next_draw++);
            if (spins >= 7500) {  // the cap, tested before the bonus
                f.entries.push_back(-run);
                ended = true;
                break;
            }
            bool bonus = false;
            if (draw <= rules.hit_threshold) {
                medals = static_cast<float>(static_cast<double>(medals) + 360.0);
                f.entries.push_back(run);
                bonus = true;
            } else {
                const double difference =
                    static_cast<double>(medals) - static_cast<double>(rules.loss_per_spin);
                medals = static_cast<float>(difference);
                if (difference < 1.0) {
                    medals = static_cast<float>(static_cast<double>(medals) + 50.0);
                    money -= 1000;
                    bought += 50;
                }
                run += 1;
            }
            spins += 1;
            if (spins % 100 == 0 && spins <= 7000)
                f.slump.push_back(static_cast<std::int32_t>(
                    std::trunc(static_cast<double>(medals) - static_cast<double>(bought))));
            if (bonus) {
                ended = spins >= 7000;
                break;
            }
        }
    }
    f.bonuses = static_cast<std::int32_t>(f.entries.size()) - (f.entries.back() < 0 ? 1 : 0);
    f.medals = static_cast<std::int32_t>(medals);
    f.money = money;
    f.cash = f.medals / rules.exchange_rate / 5 * 500;
    f.draws_used = static_cast<std::int32_t>(next_draw);
    return f;
}

std::vector<Figures> model_run(std::uint32_t seed, const TrialRules& rules) {
    // The model's own generator, one draw at a time: state * 214013 + 2531011, bits 16 to 30.
    std::uint32_t state = seed;
    const auto random_draw = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
    };
    std::vector<std::int32_t> draws;
    std::vector<Figures> trials;
    for (int i = 0; i < trials_per_run; ++i) {
        // The next 7501 draws; those the trial leaves belong to the next one.
        while (draws.size() < static_cast<std::size_t>(max_draws_per_trial))
            draws.push_back(random_draw());
        trials.push_back(model_trial(rules, draws));
        draws.erase(draws.begin(), draws.begin() + trials.back().draws_used);
    }
    return trials;
}
