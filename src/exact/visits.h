// visits.h - what many days at the machine add up to: the total profit of k independent days,
// each a whole day as the exact figures play it, from the day's exact distribution.
#ifndef QUORVANTELMIX_VISITS_H
#define QUORVANTELMIX_VISITS_H

#include <cstdint>
#include <vector>

// The day counts the page answers for: one day, a fortnight of weekends, a month of them (8),
// a quarter's, half a year's, and a year's.
constexpr std::int32_t visit_counts[] = {1, 2, 4, 8, 12, 24, 52};

// The total profit over some days.
struct VisitFigures {
    std::int32_t days;       // k
    double total_mean;       // yen: k times the day's mean
    double win_probability;  // P(total > 0)
    std::int64_t p05;        // yen: the least total t with P(total <= t) >= 0.05
    std::int64_t p50;        // likewise 0.5
    std::int64_t p95;        // likewise 0.95
};

// The distribution of the sum of `days` independent draws of the profit whose distribution is
// `profits` ([i]: P(profit = first + 500 i)): [i] is P(sum = days * first + 500 i). Worked out
// by the discrete Fourier transform, which carries no error beyond the rounding of its
// arithmetic (a few 1e-16 of the largest probability); every step is + - * / or sqrt.
std::vector<double> sum_of_days(const std::vector<double>& profits, std::int32_t days);

// The figures of every count of visit_counts, from the day's profits (`first`: the profit of
// profits[0], a multiple of 500) and its exact mean.
void compute_visits(std::int64_t first, const std::vector<double>& profits, double mean,
                    std::vector<VisitFigures>* visits);

#endif
