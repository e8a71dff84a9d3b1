#include "equivalencepointfinder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace EquivalencePointFinder {

namespace {

struct Step
{
    double x; // middle of the step
    double slope; // absolute slope
};

// The steepest step must be this many times the median slope to count as a jump.
constexpr double MinimumProminence = 3.0;

double interpolateValue(const double *volumes, const double *values, int count, double volume)
{
    for (int i = 0; i + 1 < count; ++i) {
        const double v0 = volumes[i], v1 = volumes[i + 1];
        const double lo = std::min(v0, v1), hi = std::max(v0, v1);
        if (volume < lo || volume > hi || v0 == v1)
            continue;
        const double t = (volume - v0) / (v1 - v0);
        return values[i] + t * (values[i + 1] - values[i]);
    }
    return values[count - 1];
}

} // namespace

std::optional<EquivalencePoint> find(const double *volumes, const double *values, int count)
{
    if (count < 4)
        return std::nullopt;

    std::vector<Step> steps;
    steps.reserve(count);
    for (int i = 0; i + 1 < count; ++i) {
        const double dv = volumes[i + 1] - volumes[i];
        if (dv == 0 || !std::isfinite(dv))
            continue; // a repeated volume has no slope
        const double slope = std::abs((values[i + 1] - values[i]) / dv);
        if (!std::isfinite(slope))
            continue;
        steps.push_back({(volumes[i] + volumes[i + 1]) / 2, slope});
    }
    if (steps.size() < 3)
        return std::nullopt;

    const auto steepest = std::max_element(
        steps.begin(), steps.end(), [](const Step &a, const Step &b) { return a.slope < b.slope; });
    const auto k = std::size_t(steepest - steps.begin());
    if (k == 0 || k + 1 == steps.size())
        return std::nullopt;

    std::vector<double> slopes;
    slopes.reserve(steps.size());
    for (const Step &s : steps)
        slopes.push_back(s.slope);
    std::nth_element(slopes.begin(), slopes.begin() + slopes.size() / 2, slopes.end());
    const double median = slopes[slopes.size() / 2];
    if (steepest->slope <= 0 || steepest->slope < MinimumProminence * median)
        return std::nullopt;

    // Vertex of the parabola through the reciprocals of the three slopes (uneven spacing
    // allowed): near a jump the slope falls off like 1 / (a + b (x - x0)^2), so its reciprocal
    // is a parabola, which keeps the vertex true also for the lopsided peak of a weak acid.
    const Step &a = steps[k - 1], &b = steps[k], &c = steps[k + 1];
    double x = b.x;
    if (a.slope > 0 && c.slope > 0) {
        const double ga = 1 / a.slope, gb = 1 / b.slope, gc = 1 / c.slope;
        const double d1 = (gb - ga) / (b.x - a.x);
        const double d2 = (gc - gb) / (c.x - b.x);
        const double curvature = (d2 - d1) / (c.x - a.x);
        if (curvature > 0) {
            // g(x) = gb + d1 (x - b.x) + curvature (x - a.x)(x - b.x) is lowest at:
            x = (curvature * (a.x + b.x) - d1) / (2 * curvature);
            x = std::clamp(x, std::min(a.x, c.x), std::max(a.x, c.x));
        }
    }
    if (!std::isfinite(x))
        return std::nullopt;

    return EquivalencePoint {x, interpolateValue(volumes, values, count, x)};
}

std::optional<EquivalencePoint> find(const MeasurementStore &store)
{
    const int count = std::clamp<int>(store.AnzahlWerte, 0, MeasurementStore::RowCount);
    double volumes[MeasurementStore::RowCount];
    double values[MeasurementStore::RowCount];
    for (int i = 0; i < count; ++i) {
        volumes[i] = store.Messwerte[i][0];
        values[i] = store.Messwerte[i][1];
    }
    return find(volumes, values, count);
}

} // namespace EquivalencePointFinder
