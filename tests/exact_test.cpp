// exact_test.cpp - the exact distribution against every sequence of short trials, against
// closed forms and a plain dynamic programme of full ones, against 100,000 trials played in the
// lanes, and the break-even odds at their edge.
#include "exact/exact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "exact/exact_figures.h"
#include "simulation/trial_lanes.h"

namespace {

// What the rules make of one finished trial, worked out here on their own.
struct Ended {
    std::int64_t bonuses, purchases, spins, medals;  // medals: floor of the exact count
};

// Plays the trial whose spin i wins exactly when bit i of `wins` is set, by the rules step by
// step: medals counted exactly as numerators over 2^shift.
Ended play_by_the_rules(const ExactRules& r, std::uint32_t wins) {
    const std::int64_t one = std::int64_t{1} << r.loss_shift;
    std::int64_t medals = 50 * one, bonuses = 0, purchases = 0, spins = 0;
    while (spins < r.spin_cap) {
        const bool bonus = (wins >> spins & 1u) != 0;
        ++spins;
        if (bonus) {
            medals += 360 * one;
            ++bonuses;
            if (spins >= r.ending_spin) break;
            continue;
        }
        medals -= static_cast<std::int64_t>(r.loss_scaled);
        if (medals < one) {
            medals += 50 * one;
            ++purchases;
        }
    }
    return Ended{bonuses, purchases, spins, medals / one};
}

TEST(ExactOutcome, EqualsEverySequenceOfShortTrialsWeighedByItsProbability) {
    const struct {
        std::int32_t threshold, ending, cap, exchange_rate;
        double loss;  // medals a losing spin costs; from 25 up, a purchase every spin or two
    } cases[] = {
        {16383, 8, 14, 7, 1.3846154},  // p = 1/2
        {8191, 6, 12, 10, 50.0},       // a purchase on every losing spin
        {327, 10, 16, 5, 3.0},         // X = 100, Y = 120
        {24575, 4, 12, 6, 25.0},       // p = 3/4, cash units at the edge of 50 medals
        {4095, 1, 10, 9, 49.5},        // every bonus ends the trial
        {20000, 12, 12, 8, 37.25},     // no spin after the 12th
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "T=" << c.threshold << " L=" << c.loss);
        const ExactRules rules{c.threshold, static_cast<std::uint64_t>(c.loss * (1 << 20)),
                               20,          c.exchange_rate,
                               c.ending,    c.cap,
                               32,          32767};
        const auto exact = std::make_unique<ExactOutcome>();
        exact_outcome(rules, exact.get());
        for (const std::int32_t odds : {c.threshold, 32, 9000, 32767 - c.threshold / 2}) {
            // Every sequence of `cap` spins, weighed by its probability at these odds.
            const double p = (odds + 1) / 32768.0;
            double mean = 0, win = 0, equal_mean = 0, spins = 0;
            std::vector<double> purchases(exact->purchases.size() + 8, 0.0);
            for (std::uint32_t wins = 0; wins < (1u << c.cap); ++wins) {
                const int hits = __builtin_popcount(wins);
                const double w = std::pow(p, hits) * std::pow(1 - p, c.cap - hits);
                const Ended e = play_by_the_rules(rules, wins);
                const double paid = 1000.0 * static_cast<double>(e.purchases + 1);
                const double profit =
                    static_cast<double>(e.medals / (5 * c.exchange_rate) * 500) - paid;
                mean += w * profit;
                win += profit > 0 ? w : 0.0;
                equal_mean += w * (static_cast<double>(e.medals / 25 * 500) - paid);
                spins += w * static_cast<double>(e.spins);
                purchases[static_cast<std::size_t>(e.purchases)] += w;
            }
            SCOPED_TRACE(odds);
            const ExactMeans means = exact_means(*exact, odds);
            EXPECT_NEAR(means.profit_mean, mean, 1e-9 * (1 + std::fabs(mean)));
            EXPECT_NEAR(means.win_probability, win, 1e-12);
            EXPECT_NEAR(means.equal_profit_mean, equal_mean, 1e-9 * (1 + std::fabs(mean)));
            if (odds != c.threshold) continue;
            EXPECT_NEAR(exact->spins_mean, spins, 1e-9);
            for (std::size_t k = 0; k < exact->purchases.size(); ++k)
                EXPECT_NEAR(exact->purchases[k], purchases[k], 1e-12) << k;
        }
    }
}

// The rules of full trials with `settings`.
ExactRules full_rules(const Settings& settings) {
    return exact_rules(trial_rules(settings));
}

TEST(ExactOutcome, MeanSpinsAndBonusesFollowTheirClosedForms) {
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{1000, 120.0f, 5},
                              Settings{100, 720.0f, 10}, Settings{523, 333.3f, 8}}) {
        const ExactRules rules = full_rules(s);
        const auto exact = std::make_unique<ExactOutcome>();
        exact_outcome(rules, exact.get());
        // The 6999 spins every trial plays, then up to the first bonus of the 501 after them.
        const double p = (rules.hit_threshold + 1) / 32768.0;
        const double spins = 6999 + (1 - std::pow(1 - p, 501)) / p;
        EXPECT_NEAR(exact->spins_mean, spins, 1e-6) << s.X;
        EXPECT_NEAR(exact->bonuses_mean, p * spins, 1e-7) << s.X;  // Wald's identity
        EXPECT_LT(exact->lost_probability, 1e-9);
    }
}

TEST(ExactOutcome, AgreesWithAHundredThousandTrialsInTheLanes) {
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{260, 260.0f, 7},
                              Settings{1000, 720.0f, 10}, Settings{100, 120.0f, 5}}) {
        const TrialRules rules = trial_rules(s);
        const auto exact = std::make_unique<ExactOutcome>();
        exact_outcome(exact_rules(rules), exact.get());
        const ExactMeans means = exact_means(*exact, rules.hit_threshold);
        constexpr std::int32_t trials = 100000;
        std::vector<TrialBoundary> boundaries(trials);
        find_trial_boundaries(static_cast<std::uint32_t>(s.X) * 31u, rules.hit_threshold,
                              boundaries.data(), trials);
        const auto group = std::make_unique<TrialResult[]>(max_trials_in_lanes);
        const LaneUnit unit = widest_lane_unit(detect_lane_units());
        double sum = 0, squares = 0, wins = 0;
        for (std::int32_t first = 0; first < trials; first += lane_engine(unit).lanes) {
            const std::int32_t count = std::min(lane_engine(unit).lanes, trials - first);
            play_trials_in_lanes(rules, unit, &boundaries[static_cast<std::size_t>(first)], count,
                                 group.get());
            for (std::int32_t i = 0; i < count; ++i) {
                const double profit = group[static_cast<std::size_t>(i)].cash +
                                      group[static_cast<std::size_t>(i)].money;
                sum += profit;
                squares += profit * profit;
                wins += profit > 0 ? 1 : 0;
            }
        }
        const double mean = sum / trials;
        const double error = std::sqrt((squares / trials - mean * mean) / trials);
        const double rate = wins / trials;
        EXPECT_NEAR(means.profit_mean, mean, 4 * error) << s.X;
        EXPECT_NEAR(means.win_probability, rate,
                    4 * std::sqrt(std::max(rate * (1 - rate), 1.0 / trials) / trials))
            << s.X;
    }
}

TEST(ExactFigures, BreakEvenIsTheLastXWithAMeanOfZeroOrMore) {
    // At Y = 260.382385 the curve's X = 250 has a mean of +0.15 yen: zero or more, but below 1.
    for (const Settings& s :
         {Settings{240, 260.0f, 7}, Settings{240, 260.0f, 5}, Settings{500, 180.0f, 9},
          Settings{100, 720.0f, 10}, Settings{240, 260.382385f, 7}}) {
        SCOPED_TRACE(testing::Message() << s.X << " " << s.Y);
        const ExactRules rules = full_rules(s);
        const auto exact = std::make_unique<ExactOutcome>();
        exact_outcome(rules, exact.get());
        const auto figures = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, figures.get());
        for (const bool equal : {false, true}) {
            const std::int32_t x = equal ? figures->break_even_x_equal : figures->break_even_x;
            const auto mean = [&](std::int32_t at) {
                const ExactMeans m = exact_means(*exact, 32767 / at);
                return equal ? m.equal_profit_mean : m.profit_mean;
            };
            if (x == 0) {
                EXPECT_LT(mean(100), 0.0);
            } else {
                EXPECT_GE(mean(x), 0.0);
                if (x < 1000) {
                    EXPECT_LT(mean(x + 1), 0.0);
                }
            }
        }
    }
}

// The outcome at the odds T, by the plain per-spin programme: every state (bonuses, purchases)
// advanced spin by spin at those odds, the medals counted exactly, nothing dropped but rows past
// 230 bonuses (under 1e-40 at any X from 100) and states below 1e-300. The means are taken from
// the distributions, whose bins each add up few terms (one running sum of millions drifts by
// some 1e-12).
struct PerSpin {
    double mean = 0, win = 0, equal_mean = 0, equal_win = 0;
    std::vector<double> purchases = std::vector<double>(600, 0.0);
    std::vector<double> profits = std::vector<double>(8000, 0.0);  // [profit / 500 + 4000]
    std::vector<double> equal_profits = std::vector<double>(8000, 0.0);
};

PerSpin per_spin(const ExactRules& r, std::int32_t odds) {
    const double p = (odds + 1) / 32768.0, q = 1 - p;
    const std::int64_t one = std::int64_t{1} << r.loss_shift;
    const auto loss = static_cast<std::int64_t>(r.loss_scaled);
    constexpr int rows = 231, width = 460;
    const auto at = [](int b, int k) { return static_cast<std::size_t>(b * width + k); };
    std::vector<double> grid(rows * width, 0.0), next(grid.size());
    grid[0] = 1;
    PerSpin out;
    const auto end = [&](std::int64_t b, std::int64_t k, std::int64_t n, double w) {
        const std::int64_t medals = ((50 * (k + 1) + 360 * b) * one - loss * (n - b)) / one;
        const std::int64_t v = medals / (5 * r.exchange_rate) - 2 * (k + 1);
        const std::int64_t equal = medals / 25 - 2 * (k + 1);
        out.purchases[static_cast<std::size_t>(k)] += w;
        out.profits[static_cast<std::size_t>(v + 4000)] += w;
        out.equal_profits[static_cast<std::size_t>(equal + 4000)] += w;
    };
    for (int n = 0; n < r.spin_cap; ++n) {
        std::fill(next.begin(), next.end(), 0.0);
        for (int b = 0; b < rows && b <= n; ++b) {
            for (int k = 0; k < width; ++k) {
                const double w = grid[at(b, k)];
                if (w < 1e-300) continue;
                if (n + 1 >= r.ending_spin) {
                    end(b + 1, k, n + 1, w * p);
                } else if (b + 1 < rows) {
                    next[at(b + 1, k)] += w * p;
                }
                const bool buys = (50 * (k + 1) + 360 * b) * one - loss * (n + 1 - b) < one;
                next[at(b, k + (buys ? 1 : 0))] += w * q;
            }
        }
        grid.swap(next);
    }
    for (int b = 0; b < rows; ++b) {
        for (int k = 0; k < width; ++k)
            end(b, k, r.spin_cap, grid[at(b, k)]);
    }
    for (int v = -4000; v < 4000; ++v) {
        const auto i = static_cast<std::size_t>(v + 4000);
        out.mean += 500.0 * v * out.profits[i];
        out.win += v > 0 ? out.profits[i] : 0;
        out.equal_mean += 500.0 * v * out.equal_profits[i];
        out.equal_win += v > 0 ? out.equal_profits[i] : 0;
    }
    return out;
}

TEST(ExactMeans, AtEveryOddsAgreeWithThePerSpinProgrammeRunAtThoseOdds) {
    // One outcome at X = 240 against the per-spin programme at the curve's ends, at the
    // break-even and at the player's own odds, where the distributions are checked too.
    for (const Settings& s :
         {Settings{240, 120.0f, 10}, Settings{240, 260.0f, 7}, Settings{240, 720.0f, 5}}) {
        const ExactRules rules = full_rules(s);
        const auto outcome = std::make_unique<ExactOutcome>();
        exact_outcome(rules, outcome.get());
        const auto figures = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, figures.get());
        for (const std::int32_t x : {100, 1000, std::max(100, figures->break_even_x), 240}) {
            SCOPED_TRACE(testing::Message() << "Y=" << s.Y << " X=" << x);
            const PerSpin plain = per_spin(rules, 32767 / x);
            const ExactMeans fast = exact_means(*outcome, 32767 / x);
            ExactMeans curve[2] = {};
            const std::int32_t odds = 32767 / x;
            exact_means_at(*outcome, Exchange::at_rate, &odds, 1, &curve[0]);
            exact_means_at(*outcome, Exchange::equal, &odds, 1, &curve[1]);
            for (const ExactMeans& m : {fast, curve[0]}) {
                EXPECT_NEAR(m.profit_mean, plain.mean, 1e-6);
                EXPECT_NEAR(m.win_probability, plain.win, 1e-12);
            }
            for (const ExactMeans& m : {fast, curve[1]}) {
                EXPECT_NEAR(m.equal_profit_mean, plain.equal_mean, 1e-6);
                EXPECT_NEAR(m.equal_win_probability, plain.equal_win, 1e-12);
            }
            if (x != 240) continue;
            for (std::size_t k = 0; k < plain.purchases.size(); ++k) {
                const double mine = k < outcome->purchases.size() ? outcome->purchases[k] : 0.0;
                EXPECT_NEAR(mine, plain.purchases[k], 1e-13) << k;
            }
            for (std::size_t i = 0; i < plain.profits.size(); ++i) {
                const std::int64_t place =
                    static_cast<std::int64_t>(i) - 4000 - outcome->profit_first / 500;
                const bool inside =
                    place >= 0 && place < static_cast<std::int64_t>(outcome->profits.size());
                const double mine = inside ? outcome->profits[static_cast<std::size_t>(place)] : 0;
                EXPECT_NEAR(mine, plain.profits[i], 1e-13) << i;
            }
        }
    }
}

TEST(ExactFigures, TheCloseCurveCrossesZeroAtTheBreakEvenAndTheBudgetsKeepTheirLevels) {
    for (const Settings& s :
         {Settings{240, 260.0f, 7}, Settings{1000, 120.0f, 5}, Settings{250, 260.0f, 6}}) {
        const auto e = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, e.get());
        // The close view holds the break-even X (mean >= 0) and the X after it (mean < 0).
        const std::int32_t x = e->break_even_x;
        if (x != 0 && x != 1000) {
            int seen = 0;
            for (const OddsFigures& odds : e->by_odds_close) {
                if (odds.x == x) seen += odds.profit_mean >= 0.0 ? 1 : 100;
                if (odds.x == x + 1) seen += odds.profit_mean < 0.0 ? 1 : 100;
            }
            EXPECT_EQ(seen, 2) << s.X << " " << x;
        }
        // Each budget runs dry at most as often as its level, once each, growing.
        std::int64_t last = 0;
        for (const BudgetLevel& row : e->budget_levels) {
            EXPECT_LE(row.probability, row.level) << row.budget;
            EXPECT_GT(row.budget, last);
            last = row.budget;
        }
    }
}

TEST(ExactFigures, TheBudgetTableHoldsEachRoundedQuantileOnce) {
    // At Y = 500 and Z = 5 the 95 % (13,000) and the 99 % (20,000) round to one budget.
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{240, 500.0f, 5}}) {
        const auto e = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, e.get());
        std::vector<std::int64_t> budgets;  // 10,000 yen steps, 1,000 below that, rounded up
        for (const std::int64_t paid : {e->money_paid_p50, e->money_paid_p95, e->money_paid_p99}) {
            const std::int64_t step = paid < 10000 ? 1000 : 10000;
            const std::int64_t budget = (paid + step - 1) / step * step;
            if (budgets.empty() || budgets.back() != budget) budgets.push_back(budget);
        }
        std::vector<std::int64_t> rows;
        for (const Shortfall& row : e->budget_table)
            rows.push_back(row.budget);
        EXPECT_EQ(rows, budgets) << s.Y;
    }
}

TEST(ExactFigures, MatchAPlainDynamicProgrammeOfFullTrials) {
    // Every state of (bonuses, purchases) kept, the medals in doubles (exact here: L has 24
    // bits and is multiplied by at most 7500).
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{1000, 720.0f, 10}}) {
        const TrialRules r = trial_rules(s);
        const double p = (r.hit_threshold + 1) / 32768.0, loss = r.loss_per_spin;
        const int rows = 160, width = static_cast<int>(loss * 7500 / 50) + 3;
        std::vector<double> grid(static_cast<std::size_t>(rows * width)), paid(grid.size());
        grid[0] = 1;
        double mean = 0, win = 0;
        const auto end = [&](int b, int k, int n, double w) {
            const double medals = 50.0 * (k + 1) + 360.0 * b - loss * (n - b);
            const auto left = static_cast<std::int64_t>(std::floor(medals));
            const double profit = static_cast<double>(left / (5 * s.Z) * 500) - 1000.0 * (k + 1);
            mean += w * profit;
            win += profit > 0 ? w : 0.0;
            paid[static_cast<std::size_t>(k)] += w;
        };
        for (int n = 0; n < 7500; ++n) {
            std::vector<double> next(grid.size(), 0.0);
            for (int b = std::min(n, rows - 2); b >= 0; --b) {
                for (int k = 0; k + 1 < width; ++k) {
                    const double w = grid[static_cast<std::size_t>(b * width + k)];
                    if (w == 0) continue;
                    if (n + 1 >= 7000) {
                        end(b + 1, k, n + 1, w * p);
                    } else {
                        next[static_cast<std::size_t>((b + 1) * width + k)] += w * p;
                    }
                    const bool runs_out = 50.0 * (k + 1) + 360.0 * b - loss * (n + 1 - b) < 1;
                    next[static_cast<std::size_t>(b * width + k + (runs_out ? 1 : 0))] +=
                        w * (1 - p);
                }
            }
            grid.swap(next);
        }
        for (int b = 0; b < rows; ++b) {
            for (int k = 0; k < width; ++k)
                end(b, k, 7500, grid[static_cast<std::size_t>(b * width + k)]);
        }
        const auto quantile = [&](double level) {
            double below = 0;
            for (std::size_t k = 0;; ++k) {
                below += paid[k];
                if (below >= level) return static_cast<std::int64_t>(k + 1) * 1000;
            }
        };
        const auto figures = std::make_unique<ExactFigures>();
        compute_exact_figures(r, s.X, figures.get());
        const ExactFigures& e = *figures;
        EXPECT_NEAR(e.profit_mean, mean, 1.0) << s.X;
        EXPECT_NEAR(e.win_probability, win, 2e-6) << s.X;
        EXPECT_EQ(e.money_paid_p50, quantile(0.5)) << s.X;
        EXPECT_EQ(e.money_paid_p95, quantile(0.95)) << s.X;
        EXPECT_EQ(e.money_paid_p99, quantile(0.99)) << s.X;
    }
}

}  // namespace

namespace {

TEST(Plans, OtherHallsAreThePlayersFiguresAtTheirExchangeRate) {
    const auto player = std::make_unique<ExactFigures>();
    const auto hall = std::make_unique<ExactFigures>();
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{500, 180.0f, 5}}) {
        compute_exact_figures(trial_rules(s), s.X, player.get());
        ASSERT_EQ(player->by_exchange.size(), 6u);
        for (const ExchangeFigures& row : player->by_exchange) {
            compute_exact_figures(trial_rules(Settings{s.X, s.Y, row.z}), s.X, hall.get());
            EXPECT_EQ(row.profit_mean, hall->profit_mean) << row.z;
            EXPECT_EQ(row.win_probability, hall->win_probability) << row.z;
            EXPECT_EQ(row.break_even_x, hall->break_even_x) << row.z;
        }
    }
}

TEST(Plans, VisitsAreSumsOfIndependentDays) {
    for (const Settings& s : {Settings{240, 260.0f, 7}, Settings{100, 720.0f, 10}}) {
        const auto e = std::make_unique<ExactFigures>();
        compute_exact_figures(trial_rules(s), s.X, e.get());
        const std::vector<double>& day = e->profits;
        // Two days: every pair of profits, summed directly.
        std::vector<double> pairs(2 * day.size() - 1, 0.0);
        for (std::size_t i = 0; i < day.size(); ++i) {
            for (std::size_t j = 0; j < day.size(); ++j)
                pairs[i + j] += day[i] * day[j];
        }
        const std::vector<double> two = sum_of_days(day, 2);
        ASSERT_EQ(two.size(), pairs.size());
        for (std::size_t i = 0; i < pairs.size(); ++i)
            EXPECT_NEAR(two[i], pairs[i], 1e-15) << i;
        // k days: the mean and the variance are k times the day's, the mass the day's to the k.
        const auto moments = [](const std::vector<double>& p, double first) {
            double mass = 0, mean = 0, square = 0;
            for (std::size_t i = 0; i < p.size(); ++i) {
                const double yen = first + 500.0 * static_cast<double>(i);
                mass += p[i];
                mean += p[i] * yen;
                square += p[i] * yen * yen;
            }
            return std::vector<double>{mass, mean / mass,
                                       square / mass - mean * mean / mass / mass};
        };
        const double first = static_cast<double>(e->profit_first);
        const std::vector<double> one = moments(day, first);
        for (const VisitFigures& v : e->visits) {
            const std::vector<double> k = moments(sum_of_days(day, v.days), first * v.days);
            EXPECT_NEAR(k[0], std::pow(one[0], v.days), 1e-13) << v.days;
            EXPECT_NEAR(k[1], one[1] * v.days, 1e-6 * v.days) << v.days;
            EXPECT_NEAR(k[2], one[2] * v.days, 1e-9 * one[2] * v.days) << v.days;
            EXPECT_NEAR(v.total_mean, e->profit_mean * v.days, 1e-6 * v.days);
            // The page's figures, from the sum on its window, against the whole sum's.
            const std::vector<double> whole = sum_of_days(day, v.days);
            double below = 0, ahead = 0;
            const double levels[] = {0.05, 0.5, 0.95};
            std::vector<std::int64_t> quantiles;
            for (std::size_t i = 0; i < whole.size(); ++i) {
                const std::int64_t total =
                    e->profit_first * v.days + 500 * static_cast<std::int64_t>(i);
                below += whole[i];
                ahead += total > 0 ? whole[i] : 0.0;
                while (quantiles.size() < 3 && below >= levels[quantiles.size()])
                    quantiles.push_back(total);
            }
            EXPECT_NEAR(v.win_probability, ahead, 1e-12) << v.days;
            EXPECT_EQ((std::vector<std::int64_t>{v.p05, v.p50, v.p95}), quantiles) << v.days;
        }
        EXPECT_NEAR(e->visits[0].win_probability, e->win_probability, 1e-12);
    }
}

}  // namespace
