#include "seriesstatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace SeriesStatistics {

namespace {

// The continued fraction of the incomplete beta function, by the modified Lentz method.
// It converges quickly for x below (a + 1) / (a + b + 2); a few thousand terms suffice for
// the large a of a t with many degrees of freedom.
double betaFraction(double a, double b, double x)
{
    constexpr double Tiny = 1e-300;
    constexpr double Epsilon = 1e-15;
    const auto kept = [](double v) {
        return std::abs(v) < Tiny ? Tiny : v;
    };
    double c = 1;
    double d = 1 / kept(1 - (a + b) * x / (a + 1));
    double h = d;
    // One term of the fraction: its numerator `term`; returns the factor it changed h by.
    const auto step = [&](double term) {
        d = 1 / kept(1 + term * d);
        c = kept(1 + term / c);
        h *= c * d;
        return c * d;
    };
    for (int m = 1; m <= 100000; ++m) {
        const double m2 = 2.0 * m;
        step(m * (b - m) * x / ((a + m2 - 1) * (a + m2)));
        if (std::abs(step(-(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1))) - 1) < Epsilon)
            break;
    }
    return h;
}

// The regularised incomplete beta function I_x(a, b); `x1` is 1 - x, passed on its own so
// that an x close to 1 keeps its digits.
double incompleteBeta(double a, double b, double x, double x1)
{
    if (x <= 0)
        return 0;
    if (x1 <= 0)
        return 1;
    const double front = std::exp(
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log(x1));
    if (x < (a + 1) / (a + b + 2))
        return front * betaFraction(a, b, x) / a;
    return 1 - front * betaFraction(b, a, x1) / b;
}

// P(T > t) for t >= 0.
double upperTail(double t, double df)
{
    const double t2 = t * t;
    return 0.5 * incompleteBeta(df / 2, 0.5, df / (df + t2), t2 / (df + t2));
}

} // namespace

double studentTUpper(double p, double df)
{
    if (!(df > 0) || !(p > 0) || !(p < 1))
        return std::numeric_limits<double>::quiet_NaN();
    if (p > 0.5)
        return -studentTUpper(1 - p, df);
    if (p == 0.5)
        return 0;
    // The tail falls as t grows: widen, then halve the bracket down to the last digits.
    double low = 0;
    double high = 2;
    while (upperTail(high, df) > p)
        high *= 2;
    for (int i = 0; i < 200 && high - low > 1e-15 * high; ++i) {
        const double middle = (low + high) / 2;
        (upperTail(middle, df) > p ? low : high) = middle;
    }
    return (low + high) / 2;
}

std::optional<double> grubbsCritical(int n, double alpha)
{
    if (n < 3)
        return std::nullopt;
    const double t = studentTUpper(alpha / (2.0 * n), n - 2);
    return (n - 1) / std::sqrt(double(n)) * std::sqrt(t * t / (n - 2 + t * t));
}

Summary describe(const std::vector<double> &values)
{
    Summary summary;
    summary.n = int(values.size());
    if (values.empty())
        return summary;
    // Sums of the differences from the first value: equal values give s = 0 exactly.
    const double first = values.front();
    double offset = 0;
    for (const double x : values)
        offset += x - first;
    const double mean = first + offset / summary.n;
    summary.mean = mean;
    if (summary.n < 2)
        return summary;
    double squares = 0;
    for (const double x : values)
        squares += (x - mean) * (x - mean);
    const double s = std::sqrt(squares / (summary.n - 1));
    summary.s = s;
    if (mean != 0)
        summary.rsdPercent = s / std::abs(mean) * 100;
    const double half = studentTUpper(0.025, summary.n - 1) * s / std::sqrt(double(summary.n));
    summary.ci95 = Interval {mean - half, mean + half};
    if (summary.n < 3 || s == 0)
        return summary;
    // The value farthest from the mean, the first of equally far ones; the test is made once.
    const auto farthest = std::max_element(values.begin(), values.end(),
        [mean](double a, double b) { return std::abs(a - mean) < std::abs(b - mean); });
    if (std::abs(*farthest - mean) / s > *grubbsCritical(summary.n))
        summary.outlier = std::size_t(farthest - values.begin());
    return summary;
}

} // namespace SeriesStatistics
