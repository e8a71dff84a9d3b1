#include "redoxfit.h"

#include "evaluation/curvelawfit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace RedoxFitter {

namespace {

constexpr double Ln10 = 2.302585092994046;
// The couples' distance's starting grid, in slope units: from a barely titratable pair to
// permanganate against iron.
constexpr double Distances[] = {4, 8, 12, 18, 26, 36};
constexpr double LargestDistance = 200;
// Ve's starts about the point given, in steps of the readings there.
constexpr double VolumeShifts[] = {-1, -0.5, 0, 0.5, 1};
// Every ratio is fitted this many steps from its best start; the leading ones to the end.
constexpr int ScreeningIterations = 3;
constexpr int LeadingRatios = 4;

// Ve in mL and the couples' distance D: the parameters the readings hold nonlinearly.
using Nonlinear = std::array<double, 2>;

struct RedoxLaw
{
    static constexpr int Count = 2;
    int a = 1, b = 1;
    double first = 0, last = 0; // the titrated range, mL

    bool inside(const Nonlinear &p) const
    {
        return p[0] > first && p[0] < last && p[1] > 0 && p[1] < LargestDistance;
    }

    // The potential u after `volume` mL. With t = 10^u and k = 10^(-b D) the balance is
    // k t^(a+b) = f + (f - 1) t^a; in w = ln t each side's logarithm gives a function rising
    // with w whose root a bracketed Newton step finds, in one exp and one log a step:
    // before Ve the one that is nearly linear there, past Ve the other. `below` is a potential
    // known not to lie above the root: u rises with the volume.
    double shapeAt(double volume, const Nonlinear &p,
        double below = -std::numeric_limits<double>::infinity()) const
    {
        const double f = volume / p[0], lnF = std::log(f), lnK = -b * p[1] * Ln10;
        const bool before = f < 1;
        // h(w) and h'(w)
        const auto h = [&](double w, double &slope) {
            if (before) {
                const double e = std::exp(lnK + (a + b) * w), rest = f - e;
                slope = a + (a + b) * e / rest;
                return rest > 0 ? a * w + std::log1p(-f) - std::log(rest)
                                : std::numeric_limits<double>::infinity();
            }
            const double e = (f - 1) * std::exp(a * w), sum = f + e;
            slope = (a + b) - a * e / sum;
            return (a + b) * w + lnK - std::log(sum);
        };
        // The branch's own law away from Ve: theta = f before it, rho = 1 / f past it.
        const double atEquivalence = -lnK / (a + b);
        double low = std::isfinite(below) ? below * Ln10 : -std::numeric_limits<double>::infinity();
        double high = std::numeric_limits<double>::infinity();
        double w = before ? std::min(atEquivalence, (lnF - std::log1p(-f)) / a)
                          : std::max(atEquivalence, -lnK / b + std::log(f - 1) / b);
        if (before)
            high = (lnF - lnK) / (a + b); // where the balance's logarithm ends
        if (!std::isfinite(w))
            w = atEquivalence;
        w = std::max(w, low);
        if (!(w < high))
            w = std::isfinite(low) ? (low + high) / 2 : high - 1;
        for (int i = 0; i < 100; ++i) {
            double slope = 0;
            const double g = h(w, slope);
            if (g > 0)
                high = w;
            else
                low = w;
            double next = w - g / slope;
            if (!(next > low && next < high) || !std::isfinite(next)) {
                if (std::isfinite(low) && std::isfinite(high))
                    next = (low + high) / 2;
                else
                    next = std::isfinite(low) ? low + 2 * std::max(1.0, std::abs(low))
                                              : high - 2 * std::max(1.0, std::abs(high));
            }
            if (std::abs(next - w) < 1e-12 * std::max(1.0, std::abs(w)) || high - low < 1e-12)
                return next / Ln10;
            w = next;
        }
        return w / Ln10;
    }

    std::vector<double> shapesAt(const std::vector<double> &volumes, const Nonlinear &p) const
    {
        std::vector<double> shapes(volumes.size());
        double below = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            if (i > 0 && !(volumes[i] >= volumes[i - 1]))
                below = -std::numeric_limits<double>::infinity();
            shapes[i] = shapeAt(volumes[i], p, below);
            below = shapes[i];
        }
        return shapes;
    }

    static double prior(const Nonlinear &) { return 0; }
    static Nonlinear steps(const Nonlinear &p) { return {1e-6 * p[0], 1e-5}; }
};

using Fitter = CurveLawFit::Fitter<RedoxLaw>;
using Trial = CurveLawFit::Trial<2>;

// The law with one ratio, from the best couples' distance at the point given and then the
// best of Ve's starts about it, for at most `iterations` steps.
Trial fitRatio(const CurveLawFit::Readings &r, const RedoxLaw &law, double nearVolume,
    int iterations = Fitter::Iterations)
{
    // A sharp jump holds Ve between two readings: a start a step off can leave the fit there.
    const auto after = std::lower_bound(r.volume.begin() + 1, r.volume.end() - 1, nearVolume);
    const double step = *after - *(after - 1);
    const Fitter fitter(r, law);
    std::vector<Nonlinear> starts;
    for (double d : Distances)
        starts.push_back({nearVolume, d});
    const double distance = fitter.bestOf(starts).p[1];
    starts.clear();
    for (double shift : VolumeShifts)
        starts.push_back({nearVolume + shift * step, distance});
    return fitter.fitFrom(starts, iterations);
}

RedoxFit resultOf(const CurveLawFit::Readings &r, const Trial &t, const RedoxLaw &law, double noise,
    double spread, bool byMisfit)
{
    return {Fitter(r, law).pointOf(t, noise, spread, byMisfit), law.a, law.b};
}

} // namespace

std::optional<RedoxFit> fit(const CurveSeries &series, double nearVolume, double noise)
{
    const auto readings = CurveLawFit::readingsFor(series, Fitter::AllParameters, noise);
    if (!readings)
        return std::nullopt;
    const CurveLawFit::Readings &r = *readings;
    std::vector<RedoxLaw> laws;
    std::vector<Trial> fits;
    for (int a = 1; a <= LargestElectrons; ++a) {
        for (int b = 1; b <= LargestElectrons; ++b) {
            if (std::gcd(a, b) != 1)
                continue;
            laws.push_back({a, b, r.volume.front(), r.volume.back()});
            fits.push_back(fitRatio(r, laws.back(), nearVolume, ScreeningIterations));
        }
    }
    // The few ratios that lead after a few steps are fitted through; the others stay behind.
    std::vector<std::size_t> order(fits.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
        [&](std::size_t i, std::size_t j) { return fits[i].objective < fits[j].objective; });
    for (std::size_t k = 0; k < std::min(order.size(), std::size_t(LeadingRatios)); ++k)
        fits[order[k]] = Fitter(r, laws[order[k]]).refine(fits[order[k]]);
    const auto best = CurveLawFit::bestAndSpread(fits, AllowedRatioEvidence * noise * noise);
    if (!best)
        return std::nullopt;
    const auto [index, spread] = *best;
    RedoxFit out = resultOf(r, fits[index], laws[index], noise, spread, true);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

std::optional<RedoxFit> fitLagged(const CurveSeries &readings, int analyteElectrons,
    int titrantElectrons, double nearVolume, double noise, const std::vector<double> &remainders)
{
    const auto taken = CurveLawFit::readingsFor(
        readings, Fitter::AllParameters, noise, &remainders, CurveLawFit::AtStart::StartsTheLag);
    if (!taken)
        return std::nullopt;
    const CurveLawFit::Readings &r = *taken;
    const RedoxLaw law {analyteElectrons, titrantElectrons, r.volume.front(), r.volume.back()};
    const Trial t = fitRatio(r, law, nearVolume);
    if (!std::isfinite(t.objective))
        return std::nullopt;
    RedoxFit out = resultOf(r, t, law, noise, 0, false);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

} // namespace RedoxFitter
