// visits.cpp - the sum of independent days, by the discrete Fourier transform.
//
// The distribution of a sum of k independent days is the day's distribution convolved with
// itself k times. Convolving directly costs the product of the lengths, tens of millions of
// products for a year of days; its transform is the day's transform raised to the k-th power,
// pointwise, so one transform there and one back cost a few million. The transform's roots of
// unity are built from half angles by square roots and products alone, not by cos and sin,
// whose last bits differ from one C library to another: the page keeps the same bytes on every
// platform.
#include "exact/visits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "rules/numbers.h"
#include "rules/trial.h"

namespace {

// A complex number.
struct Complex {
    double re, im;
};

Complex times(Complex a, Complex b) {
    return Complex{a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// The roots w[k] = exp(-2 pi i k / n), k < n / 2, of the transform of size n, a power of 2 from
// 4 up. cos and sin of 2 pi / 2^s come from those of twice the angle, cos = sqrt((1 + cos) / 2)
// and sin = sin / (2 cos), each correctly rounded; w[k] is the product of the roots of k's bits,
// so every root is within a few dozen roundings of the true one (about 1e-15).
std::vector<Complex> roots_of(std::size_t n) {
    std::vector<Complex> angle;  // [s]: cos and sin of 2 pi / 2^s
    angle.push_back(Complex{1.0, 0.0});
    angle.push_back(Complex{-1.0, 0.0});
    angle.push_back(Complex{0.0, 1.0});
    while ((std::size_t{1} << (angle.size() - 1)) < n) {
        const Complex twice = angle.back();
        const double c = std::sqrt((1.0 + twice.re) / 2.0);
        angle.push_back(Complex{c, twice.im / (2.0 * c)});
    }
    const std::size_t levels = angle.size() - 1;  // n = 2^levels
    std::vector<Complex> roots(n / 2);
    roots[0] = Complex{1.0, 0.0};
    for (std::size_t bit = 0; (std::size_t{1} << bit) < n / 2; ++bit) {
        // exp(-2 pi i 2^bit / n): the angle 2 pi / 2^(levels - bit), turned the other way.
        const Complex step{angle[levels - bit].re, -angle[levels - bit].im};
        const std::size_t from = std::size_t{1} << bit;
        for (std::size_t k = from; k < 2 * from; ++k)
            roots[k] = times(roots[k - from], step);
    }
    return roots;
}

// The transform of `a` in place (its size a power of 2, at most twice `roots`'), or with
// `back` the transform back without its division by the size.
void transform(std::vector<Complex>* values, const std::vector<Complex>& roots, bool back) {
    std::vector<Complex>& a = *values;
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {  // the bit-reversed order
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::size_t half = length / 2;
        const std::size_t stride = 2 * roots.size() / length;
        for (std::size_t start = 0; start < n; start += length) {
            for (std::size_t k = 0; k < half; ++k) {
                Complex w = roots[k * stride];
                if (back) w.im = -w.im;
                const Complex u = a[start + k];
                const Complex v = times(a[start + k + half], w);
                a[start + k] = Complex{u.re + v.re, u.im + v.im};
                a[start + k + half] = Complex{u.re - v.re, u.im - v.im};
            }
        }
    }
}

// `base` to the power `exponent`, by squaring.
Complex complex_power(Complex base, std::int32_t exponent) {
    Complex result{1.0, 0.0};
    for (; exponent > 0; exponent /= 2) {
        if (exponent % 2 != 0) result = times(result, base);
        base = times(base, base);
    }
    return result;
}

// The transform of a real sequence `x` (its size n a power of 2 from 8 up, at most that of
// `roots`' transform), halves of the work of a complex one: x's even and odd terms as one
// complex sequence of n / 2, transformed, and pulled apart. [f], f = 0 to n / 2: X[f] (the
// rest are their conjugates).
std::vector<Complex> transform_real(const std::vector<double>& x,
                                    const std::vector<Complex>& roots) {
    const std::size_t n = x.size();
    const std::size_t half = n / 2;
    if (half == 0) return {};
    const std::size_t stride = 2 * roots.size() / n;  // w_n^f = roots[f * stride]
    std::vector<Complex> z(half);
    for (std::size_t m = 0; m < half; ++m)
        z[m] = Complex{x[2 * m], x[2 * m + 1]};
    transform(&z, roots, false);
    std::vector<Complex> spectrum(half + 1);
    for (std::size_t f = 0; f <= half; ++f) {
        // Z[f] and the conjugate of Z[n/2 - f], the transform repeating every n/2 terms.
        const Complex a = z[f < half ? f : 0];
        const Complex mirror = z[f == 0 ? 0 : half - f];
        const Complex b{mirror.re, -mirror.im};
        const Complex even{(a.re + b.re) / 2.0, (a.im + b.im) / 2.0};
        const Complex odd{(a.im - b.im) / 2.0, (b.re - a.re) / 2.0};  // (a - b) / 2i
        const Complex w = f < half ? roots[f * stride] : Complex{-1.0, 0.0};
        const Complex turned = times(w, odd);
        spectrum[f] = Complex{even.re + turned.re, even.im + turned.im};
    }
    return spectrum;
}

// The real sequence of size n = 2 (spectrum.size() - 1) whose transform is `spectrum` (as
// transform_real gives it): the steps of transform_real backwards.
std::vector<double> transform_real_back(const std::vector<Complex>& spectrum,
                                        const std::vector<Complex>& roots) {
    const std::size_t half = spectrum.size() - 1;
    const std::size_t n = 2 * half;
    if (n == 0) return {};
    const std::size_t stride = 2 * roots.size() / n;
    std::vector<Complex> z(half);
    for (std::size_t f = 0; f < half; ++f) {
        const Complex a = spectrum[f];
        const Complex b{spectrum[half - f].re, -spectrum[half - f].im};  // conj X[n/2 - f]
        const Complex even{(a.re + b.re) / 2.0, (a.im + b.im) / 2.0};
        const Complex difference{(a.re - b.re) / 2.0, (a.im - b.im) / 2.0};
        const Complex w{roots[f * stride].re, -roots[f * stride].im};  // 1 / w_n^f
        const Complex odd = times(difference, w);
        z[f] = Complex{even.re - odd.im, even.im + odd.re};  // even + i odd
    }
    transform(&z, roots, true);
    std::vector<double> x(n);
    for (std::size_t m = 0; m < half; ++m) {
        x[2 * m] = z[m].re / static_cast<double>(half);
        x[2 * m + 1] = z[m].im / static_cast<double>(half);
    }
    return x;
}

// The least power of 2, from 8 up, that holds `length` terms.
std::size_t transform_size(std::size_t length) {
    std::size_t n = 8;
    while (n < length)
        n *= 2;
    return n;
}

// The length of the sum of `days` days' profits of `length` terms each.
std::size_t sum_length(std::size_t length, std::int32_t days) {
    return static_cast<std::size_t>(days) * (length - 1) + 1;
}

// The figures of the total of `days` days from its distribution `sum`, whose [0] is `lowest`.
VisitFigures visit_figures(const std::vector<double>& sum, std::int64_t lowest, std::int32_t days,
                           double mean) {
    VisitFigures figures{days, mean * days, 0.0, 0, 0, 0};
    const double levels[] = {0.05, 0.5, 0.95};
    std::int64_t* const quantiles[] = {&figures.p05, &figures.p50, &figures.p95};
    std::size_t next = 0;  // the first quantile not yet found
    double below = 0.0;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        const std::int64_t total = lowest + cash_unit * static_cast<std::int64_t>(i);
        below += sum[i];
        if (total > 0) figures.win_probability += sum[i];
        while (next < 3 && below >= levels[next])
            *quantiles[next++] = total;
    }
    for (; next < 3; ++next)  // the rounding left the last level unreached
        *quantiles[next] = lowest + cash_unit * static_cast<std::int64_t>(sum.size() - 1);
    return figures;
}

// How far from k times the day's center the sum of k days can lie, in bins of 500 yen, but
// for less than 2^-60 of probability on either side.
struct Window {
    std::size_t below, above;
};

// Chernoff's bound on the sum's tails: for any rho > 0, P(S - k c >= x) <= M(rho)^k / rho^x with
// M(rho) = sum over the day's bins i of p_i rho^(i - c), and likewise below with rho < 1. The
// moments M(rho) for rho from 1 + 1/2 to 1 + 2^-16 (above) and from 1 - 1/2 to 1 - 2^-16
// (below), [bits - 1] and [16 + bits - 1].
constexpr int chernoff_steps = 16;

// 1 + 2^-bits above, 1 - 2^-bits below.
double chernoff_rho(bool above, int bits) {
    const double step = 1.0 / static_cast<double>(std::int64_t{1} << bits);
    return above ? 1.0 + step : 1.0 - step;
}

std::vector<double> chernoff_moments(const std::vector<double>& profits, std::size_t center) {
    std::vector<double> moments;
    for (const bool above : {true, false}) {
        for (int bits = 1; bits <= chernoff_steps; ++bits) {
            const double rho = chernoff_rho(above, bits);
            double moment = 0.0;
            double factor = 1.0;  // rho^(i - c), from i = c outwards
            for (std::size_t i = center; i < profits.size(); ++i) {
                moment += profits[i] * factor;
                factor *= rho;
            }
            factor = 1.0;
            for (std::size_t i = center; i-- > 0;) {
                factor /= rho;
                moment += profits[i] * factor;
            }
            moments.push_back(moment);
        }
    }
    return moments;
}

// The window of the sum of `days` days: each side takes the best rho, asking 2^-64 of the bound
// (the rounding of M, some 1e-13 of it, is far inside that), a bin to spare, and no side reaches
// past where the sum can be at all.
Window window_of(const std::vector<double>& moments, std::size_t center, std::size_t length,
                 std::int32_t days) {
    const auto reach = [&](bool above) {
        const std::size_t most =
            static_cast<std::size_t>(days) * (above ? length - 1 - center : center);
        std::size_t best = most;
        for (int bits = 1; bits <= chernoff_steps; ++bits) {
            const double moment =
                moments[static_cast<std::size_t>((above ? 0 : chernoff_steps) + bits - 1)];
            const double total = integer_power(moment, days) * 0x1p64;  // M^k / 2^-64
            if (!(total < 0x1p1000)) continue;  // too large a rho for a bound
            // The least x with g^x >= total, g = rho above and 1 / rho below: doubling, then
            // halving.
            const double rho = chernoff_rho(above, bits);
            const double grow = above ? rho : 1.0 / rho;
            std::size_t high = 1;
            while (integer_power(grow, static_cast<std::int32_t>(high)) < total && high < best)
                high *= 2;
            std::size_t low = high / 2;  // below total, or 0
            while (high - low > 1) {
                const std::size_t middle = low + (high - low) / 2;
                (integer_power(grow, static_cast<std::int32_t>(middle)) < total ? low : high) =
                    middle;
            }
            best = std::min(best, high + 1);
        }
        return std::min(best, most);
    };
    return Window{reach(false), reach(true)};
}

// The sum of `days` days on its window: [j] is P(S = k c - below + j), c = `center`. The day's
// bins are laid on a circle of n, a power of 2 that holds the window, at their distance from c;
// the circle's convolution then adds to each bin of the window what lies n, 2n, ... away from
// it, outside the window: less than 2^-59 in all.
std::vector<double> windowed_sum(const std::vector<double>& profits, std::size_t center,
                                 const Window& window, std::int32_t days,
                                 const std::vector<Complex>& roots) {
    const std::size_t n = transform_size(window.below + window.above + 1);
    std::vector<double> day(n, 0.0);
    for (std::size_t i = 0; i < profits.size(); ++i) {
        const std::size_t place = i >= center ? (i - center) % n : n - 1 - (center - i - 1) % n;
        day[place] += profits[i];
    }
    const std::vector<Complex> spectrum = transform_real(day, roots);
    std::vector<Complex> powers(n / 2 + 1);
    for (std::size_t f = 0; f <= n / 2; ++f)
        powers[f] = complex_power(spectrum[f], days);
    const std::vector<double> circle = transform_real_back(powers, roots);
    std::vector<double> sum(window.below + window.above + 1);
    for (std::size_t j = 0; j < sum.size(); ++j)  // distance j - below from k c
        sum[j] = circle[(j + n - window.below % n) % n];
    return sum;
}

}  // namespace

std::vector<double> sum_of_days(const std::vector<double>& profits, std::int32_t days) {
    if (days == 1 || profits.size() < 2) return profits;
    // The window of everything the sum can be, from k times the first bin on.
    const Window whole{0, sum_length(profits.size(), days) - 1};
    return windowed_sum(profits, 0, whole, days, roots_of(transform_size(whole.above + 1)));
}

void compute_visits(std::int64_t first, const std::vector<double>& profits, double mean,
                    std::vector<VisitFigures>* visits) {
    visits->clear();
    // The day's most likely bin stands at 0: the sum of k days is then near k times it.
    std::size_t center = 0;
    for (std::size_t i = 1; i < profits.size(); ++i) {
        if (profits[i] > profits[center]) center = i;
    }
    const std::vector<double> moments = chernoff_moments(profits, center);
    std::vector<Window> windows;
    std::size_t largest = 8;
    for (const std::int32_t days : visit_counts) {
        windows.push_back(window_of(moments, center, profits.size(), days));
        largest =
            std::max(largest, transform_size(windows.back().below + windows.back().above + 1));
    }
    const std::vector<Complex> roots = roots_of(largest);
    for (std::size_t count = 0; count < std::size(visit_counts); ++count) {
        const std::int32_t days = visit_counts[count];
        if (days == 1) {
            visits->push_back(visit_figures(profits, first, days, mean));
            continue;
        }
        const Window& window = windows[count];
        const std::vector<double> sum = windowed_sum(profits, center, window, days, roots);
        const std::int64_t lowest =
            first * days + cash_unit * (static_cast<std::int64_t>(center) * days -
                                        static_cast<std::int64_t>(window.below));
        visits->push_back(visit_figures(sum, lowest, days, mean));
    }
}
