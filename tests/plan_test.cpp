// plan_test.cpp - the plans within a day against every sequence of short trials played by the
// rules with a budget, a target and a time to leave; against the day's own exact figures; and
// against 100,000 trials of full length played in a plain loop.
#include "exact/plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "exact/exact.h"
#include "exact/exact_figures.h"
#include "exact/plan_strips.h"
#include "rules/random_source.h"
#include "simulation/trial_lanes.h"

namespace {

// A plan: a budget and a target (0 for none), or leaving after `leave` spins (0 for the day).
struct PlanRule {
    std::int64_t budget, target;
    std::int32_t leave;
};

// How a trial ended under a plan.
struct Outcome {
    std::int64_t profit, spins;
    bool ruined;
};

// The cash the medals (over `one`) fetch minus the money paid.
std::int64_t exchange(const ExactRules& r, std::int64_t medals, std::int64_t one,
                      std::int64_t paid) {
    return medals / one / r.exchange_rate / 5 * 500 - paid;
}

// Plays the draws `draw(s)` (true for a bonus on spin s, from 1) by the rules, worked out here on
// their own with the medals counted exactly over 2^shift, once for all the `count` plans: each
// stops at its own first limit. Returns the money the draws cost with no limit.
template <typename Draw>
std::int64_t play_plans(const ExactRules& r, const PlanRule* plans, std::size_t count, Draw draw,
                        Outcome* out) {
    const std::int64_t one = std::int64_t{1} << r.loss_shift;
    std::int64_t medals = 50 * one, paid = 1000, spins = 0;
    std::vector<char> done(count, 0);
    const auto stop = [&](std::size_t i, Outcome o) {
        if (!done[i]) out[i] = o;
        done[i] = 1;
    };
    bool ended = false;
    while (spins < r.spin_cap && !ended) {
        ++spins;
        if (draw(spins)) {
            medals += 360 * one;
            const std::int64_t profit = exchange(r, medals, one, paid);
            for (std::size_t i = 0; i < count; ++i) {
                if (plans[i].target > 0 && profit >= plans[i].target)
                    stop(i, {profit, spins, false});
            }
            ended = spins >= r.ending_spin;
        } else if ((medals -= static_cast<std::int64_t>(r.loss_scaled)) < one) {
            for (std::size_t i = 0; i < count; ++i) {
                const std::int64_t budget = plans[i].budget;
                if (budget > 0 && paid + 1000 > budget) stop(i, {-budget, spins, true});
            }
            medals += 50 * one;
            paid += 1000;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (plans[i].leave == spins) stop(i, {exchange(r, medals, one, paid), spins, false});
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        stop(i, {exchange(r, medals, one, paid), spins, false});
    return paid;
}

TEST(Plans, StretchTablesAreTheBinomialWalkSummedOverItsSpins) {
    // K_u(d) from the binomial's closed form, the bonuses out of a row summed spin by spin in long
    // double, and D the least count whose tail above it is below 2^-80.
    const auto term = [](long double hit, int u, int d) {
        return std::exp(std::lgamma(u + 1.0L) - std::lgamma(d + 1.0L) - std::lgamma(u - d + 1.0L) +
                        d * std::log(hit) + (u - d) * std::log1p(-hit));
    };
    const auto near = [](long double a, long double b) {
        return std::fabs(a - b) <= 1e-11L * std::fabs(b) + 1e-300L;
    };
    for (const double hit : {137.0 / 32768, 328.0 / 32768, 24576.0 / 32768}) {
        const StretchTables t = stretch_tables(hit, 256);
        const auto c = static_cast<std::size_t>(t.columns);
        for (const int u : {0, 1, 17, 100, 256}) {
            SCOPED_TRACE(testing::Message() << "hit " << hit << " u " << u);
            long double tail = 0;  // P(more than d bonuses), from the top
            for (int d = u; d > t.reach[static_cast<std::size_t>(u)]; --d)
                tail += term(hit, u, d);
            EXPECT_LT(tail, 0x1p-80L);
            EXPECT_GE(tail + term(hit, u, t.reach[static_cast<std::size_t>(u)]), 0x1p-80L);
            EXPECT_NEAR(static_cast<double>(tail), t.beyond[static_cast<std::size_t>(u)],
                        1e-5 * static_cast<double>(tail) + 1e-300);
            for (std::size_t d = 0; d < c && static_cast<int>(d) <= u; ++d) {
                long double exits = 0, spins = 0;
                for (int j = 1; j <= u; ++j) {
                    exits += hit * term(hit, j - 1, static_cast<int>(d));
                    spins += hit * term(hit, j - 1, static_cast<int>(d)) * j;
                }
                const std::size_t at = static_cast<std::size_t>(u) * c + d;
                EXPECT_TRUE(near(t.kernel[at], term(hit, u, static_cast<int>(d)))) << d;
                EXPECT_TRUE(near(t.exits[2 * at], exits)) << d;
                EXPECT_TRUE(near(t.exits[2 * at + 1], spins)) << d;
            }
        }
    }
}

TEST(Plans, AreTheSameBitsOnEveryVectorUnit) {
    const auto bits = [](const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 8) == 0;
    };
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{100, 120.0f, 6}}) {
        const ExactRules r = exact_rules(trial_rules(s));
        std::vector<PlanPass> sse2, wide;
        plan_passes(r, plan_targets, std::size(plan_targets), 100, &sse2, LaneUnit::sse2);
        for (const LaneUnit unit : {LaneUnit::avx2, LaneUnit::avx512}) {
            if (!lane_unit_available(detect_lane_units(), unit)) {
                std::printf("(skipped: this processor or build lacks %s)\n",
                            lane_engine(unit).name);
                continue;
            }
            plan_passes(r, plan_targets, std::size(plan_targets), 100, &wide, unit);
            for (std::size_t p = 0; p < sse2.size(); ++p) {
                SCOPED_TRACE(testing::Message()
                             << s.X << " " << lane_engine(unit).name << " " << p);
                EXPECT_TRUE(bits(wide[p].ended_profit, sse2[p].ended_profit));
                EXPECT_TRUE(bits(wide[p].ended_wins, sse2[p].ended_wins));
                EXPECT_TRUE(bits(wide[p].ruined_spins, sse2[p].ruined_spins));
                EXPECT_EQ(std::memcmp(&wide[p].left_out, &sse2[p].left_out, 8), 0);
                for (std::size_t c = 0; c < sse2[p].by_spins.size(); ++c)
                    EXPECT_EQ(wide[p].by_spins[c].profit_mean, sse2[p].by_spins[c].profit_mean);
            }
        }
    }
}

TEST(Plans, EqualEverySequenceOfShortTrialsPlayedByTheRules) {
    const struct {
        std::int32_t threshold, ending, cap, exchange_rate;
        double loss;
    } cases[] = {
        {16383, 8, 14, 7, 1.3846154}, {8191, 6, 12, 10, 50.0}, {327, 10, 16, 5, 3.0},
        {24575, 4, 12, 6, 25.0},      {4095, 1, 10, 9, 49.5},  {20000, 12, 12, 8, 37.25},
    };
    const std::int64_t budgets[] = {1000, 2000, 4000, 0};
    const std::int64_t targets[] = {0, 500, 1500, 4000};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "T=" << c.threshold << " L=" << c.loss);
        const ExactRules r{c.threshold, static_cast<std::uint64_t>(c.loss * (1 << 20)),
                           20,          c.exchange_rate,
                           c.ending,    c.cap,
                           c.threshold, c.threshold};
        std::vector<PlanPass> passes;
        plan_passes(r, targets, std::size(targets), 1, &passes);
        // Every budget under every target, then leaving after each spin.
        std::vector<PlanRule> plans;
        for (const std::int64_t target : targets) {
            for (const std::int64_t budget : budgets)
                plans.push_back({budget, target, 0});
        }
        for (std::int32_t s = 1; s <= c.cap; ++s)
            plans.push_back({0, 0, s});
        std::vector<Outcome> outcomes(plans.size());
        std::vector<double> mean(plans.size()), win(plans.size()), ruin(plans.size()),
            spins(plans.size());
        std::vector<std::vector<std::pair<std::int64_t, double>>> leaving(plans.size());
        const double p = (c.threshold + 1) / 32768.0;
        for (std::uint32_t wins = 0; wins < (std::uint32_t{1} << c.cap); ++wins) {
            const int hits = __builtin_popcount(wins);
            const double w = std::pow(p, hits) * std::pow(1 - p, c.cap - hits);
            const std::int64_t paid = play_plans(
                r, plans.data(), plans.size(),
                [&](std::int64_t s) { return (wins >> (s - 1) & 1u) != 0; }, outcomes.data());
            for (std::size_t i = 0; i < plans.size(); ++i) {
                const Outcome& o = outcomes[i];
                // With no target, a budget ruins exactly the runs that would pay more than it.
                if (plans[i].target == 0) {
                    ASSERT_EQ(o.ruined, plans[i].budget > 0 && paid > plans[i].budget) << wins;
                }
                mean[i] += w * static_cast<double>(o.profit);
                win[i] += o.profit > 0 ? w : 0.0;
                ruin[i] += o.ruined ? w : 0.0;
                spins[i] += w * static_cast<double>(o.spins);
                leaving[i].emplace_back(o.profit, w);
            }
        }
        for (std::size_t i = 0; i < plans.size(); ++i) {
            const PlanRule& plan = plans[i];
            SCOPED_TRACE(testing::Message()
                         << "B=" << plan.budget << " G=" << plan.target << " S=" << plan.leave);
            if (plan.leave == 0) {
                const std::size_t pass = i / std::size(budgets);
                const BudgetTargetFigures f =
                    budget_target_figures(passes[pass], plan.budget, plan.target);
                EXPECT_NEAR(f.profit_mean, mean[i], 1e-9 * (1 + std::fabs(mean[i])));
                EXPECT_NEAR(f.win_probability, win[i], 1e-12);
                EXPECT_NEAR(f.ruin_probability, ruin[i], 1e-12);
                EXPECT_NEAR(f.spins_mean, spins[i], 1e-9);
                continue;
            }
            // The mean, the wins and the quantiles of the profit of leaving.
            std::sort(leaving[i].begin(), leaving[i].end());
            const double levels[] = {0.05, 0.25, 0.5, 0.75, 0.95};
            std::vector<std::int64_t> quantiles;
            double below = 0;
            for (const auto& [profit, w] : leaving[i]) {
                below += w;
                while (quantiles.size() < 5 && below >= levels[quantiles.size()] - 1e-12)
                    quantiles.push_back(profit);
            }
            ASSERT_EQ(passes[0].by_spins.size(), static_cast<std::size_t>(c.cap));
            const SpinsFigures& f = passes[0].by_spins[static_cast<std::size_t>(plan.leave - 1)];
            EXPECT_EQ(f.spins, plan.leave);
            EXPECT_NEAR(f.profit_mean, mean[i], 1e-9 * (1 + std::fabs(mean[i])));
            EXPECT_NEAR(f.win_probability, win[i], 1e-12);
            EXPECT_EQ((std::vector<std::int64_t>{f.p05, f.p25, f.p50, f.p75, f.p95}), quantiles);
        }
    }
}

TEST(Plans, WithNoLimitAreTheDayAndTheBudgetsRuinAsOftenAsTheDayPaysMore) {
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{1000, 120.0f, 5},
                              Settings{100, 720.0f, 10}, Settings{317, 333.3f, 8}}) {
        SCOPED_TRACE(s.X);
        const auto e = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, e.get());
        const auto outcome = std::make_unique<ExactOutcome>();
        exact_outcome(exact_rules(trial_rules(s)), outcome.get());
        for (const BudgetTargetFigures& f : e->budget_target) {
            if (f.target != no_limit) continue;
            if (f.budget == no_limit) {
                EXPECT_NEAR(f.profit_mean, e->profit_mean, 1e-6);
                EXPECT_NEAR(f.win_probability, e->win_probability, 1e-12);
                EXPECT_NEAR(f.spins_mean, e->spins_mean, 1e-9);
                continue;
            }
            double paid_more = 0;  // P((k + 1) * 1000 > B)
            for (std::size_t k = static_cast<std::size_t>(f.budget / 1000);
                 k < outcome->purchases.size(); ++k)
                paid_more += outcome->purchases[k];
            EXPECT_NEAR(f.ruin_probability, paid_more, 1e-12) << f.budget;
        }
        // Leaving at the cap is the whole day.
        const SpinsFigures& day = e->by_spins.back();
        EXPECT_EQ(day.spins, 7500);
        EXPECT_NEAR(day.profit_mean, e->profit_mean, 1e-6);
        EXPECT_NEAR(day.win_probability, e->win_probability, 1e-12);
        double below = 0;
        std::int64_t median = 0;
        for (std::size_t i = 0; i < e->profits.size() && below < 0.5; ++i) {
            below += e->profits[i];
            median = e->profit_first + 500 * static_cast<std::int64_t>(i);
        }
        EXPECT_EQ(day.p50, median);
    }
}

TEST(Plans, MatchAPlainDynamicProgrammeOfFullTrials) {
    // Every state (bonuses, purchases) of full trials advanced spin by spin over the whole grid,
    // nothing dropped but rows past 259 bonuses; the ended runs kept by purchases, as a pass does.
    // The settings take the passes' strips to their edges: a period of (360 + L) / L spins that
    // is not whole (333.3) and one that is (120: 121 spins); the longest (720: 721 spins, more
    // than a stretch); a target the first bonus reaches (240/720/7: 4,500 yen at once); and one
    // whose row rises past the last row kept as the strips' medals run down (1000/120/10).
    const std::pair<Settings, std::int64_t> cases[] = {
        {{317, 333.3f, 8}, 20000}, {{100, 120.0f, 5}, 30000},   {{240, 720.0f, 7}, 3000},
        {{500, 720.0f, 9}, 50000}, {{1000, 120.0f, 10}, 60000},
    };
    for (const auto& [s, target] : cases) {
        SCOPED_TRACE(s.X);
        const ExactRules r = exact_rules(trial_rules(s));
        const double p = (r.hit_threshold + 1) / 32768.0;
        const std::int64_t one = std::int64_t{1} << r.loss_shift;
        constexpr int rows = 260, width = 470;
        std::vector<double> grid(rows * width, 0.0), next(grid.size());
        std::vector<double> profit(width), wins(width), ruined(width);  // by purchases
        grid[0] = 1;
        const auto end = [&](int b, int k, std::int64_t n, double w) {
            const std::int64_t medals =
                (50 * (k + 1) + 360 * b) * one - static_cast<std::int64_t>(r.loss_scaled) * (n - b);
            const std::int64_t v = exchange(r, medals, one, 1000 * (k + 1));
            profit[static_cast<std::size_t>(k)] += w * static_cast<double>(v);
            wins[static_cast<std::size_t>(k)] += v > 0 ? w : 0.0;
        };
        for (int n = 0; n < r.spin_cap; ++n) {
            std::fill(next.begin(), next.end(), 0.0);
            for (int b = 0; b < rows && b <= n; ++b) {
                for (int k = 0; k < width; ++k) {
                    const double w = grid[static_cast<std::size_t>(b * width + k)];
                    if (w == 0) continue;
                    const std::int64_t medals = (50 * (k + 1) + 360 * (b + 1)) * one -
                                                static_cast<std::int64_t>(r.loss_scaled) * (n - b);
                    if (n + 1 >= r.ending_spin ||
                        exchange(r, medals, one, 1000 * (k + 1)) >= target) {
                        end(b + 1, k, n + 1, w * p);
                    } else if (b + 1 < rows) {
                        next[static_cast<std::size_t>((b + 1) * width + k)] += w * p;
                    }
                    const bool buys =
                        medals - 360 * one - static_cast<std::int64_t>(r.loss_scaled) < one;
                    ruined[static_cast<std::size_t>(k)] += buys ? w * (1 - p) : 0.0;
                    next[static_cast<std::size_t>(b * width + k + (buys ? 1 : 0))] += w * (1 - p);
                }
            }
            grid.swap(next);
        }
        for (int b = 0; b < rows; ++b) {
            for (int k = 0; k < width; ++k)
                end(b, k, r.spin_cap, grid[static_cast<std::size_t>(b * width + k)]);
        }
        std::vector<PlanPass> passes;
        plan_passes(r, &target, 1, 0, &passes);
        EXPECT_LT(passes[0].left_out, 0x1p-53);  // what the pass lets go, as argued
        for (const std::int64_t budget : plan_budgets) {
            const std::size_t allowed =
                budget == 0 ? width - 1 : static_cast<std::size_t>(budget / 1000 - 1);
            double mean = budget == 0 ? 0.0 : -static_cast<double>(budget) * ruined[allowed],
                   win = 0;
            for (std::size_t k = 0; k <= allowed; ++k) {
                mean += profit[k];
                win += wins[k];
            }
            const BudgetTargetFigures f = budget_target_figures(passes[0], budget, target);
            EXPECT_NEAR(f.profit_mean, mean, 1e-6) << budget;
            EXPECT_NEAR(f.win_probability, win, 1e-12) << budget;
            EXPECT_NEAR(f.ruin_probability, budget == 0 ? 0.0 : ruined[allowed], 1e-12) << budget;
        }
    }
}

TEST(Plans, AgreeWithAHundredThousandTrialsPlayedInAPlainLoop) {
    // Budgets and targets, and leaving after three hours, all played on each trial's draws.
    const PlanRule plans[] = {
        {10000, 0, 0}, {30000, 20000, 0}, {0, 10000, 0}, {20000, 50000, 0}, {0, 0, 2400}};
    constexpr std::size_t count = std::size(plans);
    for (const Settings& s :
         {Settings{240, 260.0f, 7}, Settings{150, 180.0f, 6}, Settings{500, 500.0f, 9}}) {
        SCOPED_TRACE(s.X);
        const ExactRules r = exact_rules(trial_rules(s));
        const auto e = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, e.get());
        constexpr int trials = 100000;
        double sum[count] = {}, squares[count] = {}, wins[count] = {};
        Outcome outcomes[count];
        std::uint32_t state = static_cast<std::uint32_t>(s.X) * 7919u;
        for (int trial = 0; trial < trials; ++trial) {
            play_plans(
                r, plans, count,
                [&](std::int64_t) {
                    state = random_next_state(state);
                    return random_value(state) <= r.hit_threshold;
                },
                outcomes);
            for (std::size_t i = 0; i < count; ++i) {
                const auto profit = static_cast<double>(outcomes[i].profit);
                sum[i] += profit;
                squares[i] += profit * profit;
                wins[i] += profit > 0 ? 1 : 0;
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            double exact_mean = 0, exact_win = 0;
            for (const BudgetTargetFigures& f : e->budget_target) {
                if (f.budget != plans[i].budget || f.target != plans[i].target) continue;
                exact_mean = f.profit_mean;
                exact_win = f.win_probability;
            }
            if (plans[i].leave > 0) {
                exact_mean =
                    e->by_spins[static_cast<std::size_t>(plans[i].leave / 100 - 1)].profit_mean;
                exact_win =
                    e->by_spins[static_cast<std::size_t>(plans[i].leave / 100 - 1)].win_probability;
            }
            const double mean = sum[i] / trials;
            const double error = std::sqrt((squares[i] / trials - mean * mean) / trials);
            EXPECT_NEAR(exact_mean, mean, 4 * error) << i;
            EXPECT_NEAR(exact_win, wins[i] / trials,
                        4 * std::sqrt(exact_win * (1 - exact_win) / trials))
                << i;
        }
    }
}

}  // namespace
