// endings.h - what becomes of each row's trials over the spins that can end them.
//
// After the spins that every trial plays, a row (b bonuses) holds its trials spread over the
// purchases as PurchaseShares says. From then on a trial's fate is fixed by one number: the
// losing spins j before its first bonus (j = J, the spins that can end it, for none: it ends at
// the cap). Every purchase count of the row loses the same medals on each of those spins, and
// a count that runs dry buys once more and then holds exactly what the count above it holds:
// it joins it. So a row's figures, as a function of j, change only at a few spins: where one
// purchase count's class (those P apart, whose medals differ by whole cash units) loses a cash
// unit, where the lowest count joins the next, and at the cap. Those changes are all that is
// kept, and at any odds the means are sums of q^j times them (q the miss probability).
#ifndef QUORVANTELMIX_ENDINGS_H
#define QUORVANTELMIX_ENDINGS_H

#include <cstdint>
#include <vector>

#include "exact/exact_rules.h"
#include "exact/purchase_shares.h"

// The figures of EndingFigures, in its order: two at Z for 100 yen, two at 5 (the equal
// exchange), so that either pair lies side by side.
enum EndingFigure : int {
    ending_profit,        // yen: cash at Z minus money paid
    ending_wins,          // P(profit > 0)
    ending_equal_profit,  // the same with the medals exchanged at 5 for 100 yen
    ending_equal_wins,    // likewise
    ending_figures
};

// The means over a row's trials that end after the same losing spins.
struct EndingFigures {
    double value[ending_figures];  // at each EndingFigure
};

// The changes of one exchange's two figures (profit and wins), row after row.
struct EndingChanges {
    std::vector<std::int32_t> first{};  // [b]: row b's changes are first[b] to first[b + 1] - 1
    std::vector<std::int32_t> at{};     // the j from which each change holds, 1 to J
    std::vector<double> change{};       // [2 e], [2 e + 1]: the change of the profit, of the wins
};

// Every row's figures over the spins that can end a trial. The two exchanges change at
// different spins (the equal one far more rarely), so each keeps its own changes.
struct RowEndings {
    std::int32_t last{};                 // J: j of the trials that reach the cap
    std::vector<EndingFigures> start{};  // [b]: the row's figures at j = 0
    EndingChanges at_rate{};             // ending_profit and ending_wins
    EndingChanges equal{};               // ending_equal_profit and ending_equal_wins
};

// The distributions of the trials' outcome at one odds.
struct EndingDistributions {
    std::vector<double> purchases{};  // [k]: P(k + 1 purchases, that is (k + 1) * 1000 yen paid)
    std::int64_t profit_first{};      // the profit of profits[0], in yen
    std::vector<double> profits{};    // [i]: P(profit = profit_first + 500 i)
};

// The rows' figures under `rules`, and into `distributions` the outcome at the odds whose miss
// probability is `miss`, each row weighed by `row_weight[b]` (its probability at those odds;
// rows of weight 0 are left out of the distributions).
void compute_endings(const ExactRules& rules, const PurchaseShares& shares,
                     const double* row_weight, double miss, RowEndings* endings,
                     EndingDistributions* distributions);

#endif
