#include "curveseries.h"

#include <algorithm>
#include <cmath>

namespace CurveSeriesTools {

CurveSeries prepared(const CurveSeries &series)
{
    CurveSeries points;
    points.reserve(series.size());
    for (const CurvePoint &p : series) {
        if (std::isfinite(p.volume) && std::isfinite(p.value))
            points.push_back(p);
    }
    std::stable_sort(points.begin(), points.end(),
        [](const CurvePoint &a, const CurvePoint &b) { return a.volume < b.volume; });
    CurveSeries merged;
    merged.reserve(points.size());
    for (std::size_t i = 0; i < points.size();) {
        std::size_t j = i;
        double sum = 0;
        while (j < points.size() && points[j].volume == points[i].volume)
            sum += points[j++].value;
        merged.push_back({points[i].volume, sum / double(j - i)});
        i = j;
    }
    return merged;
}

double readingQuantum(const CurveSeries &series)
{
    if (series.empty())
        return 0;
    for (int digits = 0; digits <= 6; ++digits) {
        const double scale = std::pow(10.0, digits);
        const bool whole = std::all_of(series.begin(), series.end(), [scale](const CurvePoint &p) {
            const double scaled = p.value * scale;
            // Far below a unit of the scaled value, far above the error of printing it.
            return std::abs(scaled - std::round(scaled)) <= 1e-9 * std::max(1.0, std::abs(scaled));
        });
        if (whole)
            return 1 / scale;
    }
    return 0;
}

double noiseEstimate(const CurveSeries &series)
{
    const std::size_t n = series.size();
    if (n < 5)
        return 0;
    std::vector<double> residuals;
    residuals.reserve(n - 4);
    for (std::size_t i = 2; i + 2 < n; ++i) {
        const std::size_t others[] = {i - 2, i - 1, i + 1, i + 2};
        const double x = series[i].volume;
        double predicted = 0;
        double weights = 0;
        for (std::size_t j : others) {
            // Lagrange weight of point j in the cubic through the four others, taken at x.
            double l = 1;
            for (std::size_t m : others) {
                if (m != j)
                    l *= (x - series[m].volume) / (series[j].volume - series[m].volume);
            }
            predicted += l * series[j].value;
            weights += l * l;
        }
        // The residual's variance is (1 + sum of squared weights) times the reading's.
        residuals.push_back(std::abs(series[i].value - predicted) / std::sqrt(1 + weights));
    }
    const auto middle = residuals.begin() + std::ptrdiff_t(residuals.size() / 2);
    std::nth_element(residuals.begin(), middle, residuals.end());
    const double robust = 1.4826 * *middle; // median absolute value of a normal: 0.6745 sigma
    const double rounding = readingQuantum(series) / std::sqrt(12.0);
    return std::max(robust, rounding);
}

} // namespace CurveSeriesTools
