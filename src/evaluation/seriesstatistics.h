#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The statistics of repeated results of one sample: mean, standard deviation, relative
// standard deviation, the 95 % confidence interval of the mean (Student's t), and the one
// value Grubbs' test (two-sided, 95 %) takes for an outlier. The outlier stays in every figure.
namespace SeriesStatistics {

struct Interval
{
    double low = 0;
    double high = 0;
};

struct Summary
{
    int n = 0;
    std::optional<double> mean; // from n = 1
    std::optional<double> s; // from n = 2
    std::optional<double> rsdPercent; // s / |mean| * 100; none for a mean of 0
    std::optional<Interval> ci95; // mean -+ t(0.975, n - 1) * s / sqrt(n); from n = 2
    std::optional<std::size_t> outlier; // index into the values; tested from n = 3
};

Summary describe(const std::vector<double> &values);

// The t with P(T > t) = p for Student's t with `df` degrees of freedom (df > 0, 0 < p < 1).
double studentTUpper(double p, double df);

// Grubbs' critical value for n values, two-sided at `alpha`:
// (n - 1) / sqrt(n) * sqrt(t^2 / (n - 2 + t^2)), t = studentTUpper(alpha / (2n), n - 2).
// None below n = 3.
std::optional<double> grubbsCritical(int n, double alpha = 0.05);

} // namespace SeriesStatistics
