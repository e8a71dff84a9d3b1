#include "precipitationfit.h"

#include "evaluation/curvelawfit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace PrecipitationFitter {

namespace {

// The solubility's starting grid, ln K in the titrant's units: from far below any silver salt's
// to a barely soluble one, in steps the fit refines.
constexpr double LowestLnK = -90, HighestLnK = 0, LnKStep = 4;

// Ve in mL, ln K, ln V0 (V0 in mL): the parameters the readings hold nonlinearly; the
// electrode's offset and slope follow from them by linear least squares.
using Nonlinear = std::array<double, 3>;

// The natural log of the free silver after `volume` mL.
double lnFreeSilver(double volume, const Nonlinear &p, int n)
{
    const double vessel = std::exp(p[2]) + volume;
    const double a = volume / vessel, x = p[0] / n / vessel, d = n * x - a;
    const double lnK = p[1];
    double high = std::log(a);
    if (n * high + std::log(x) <= lnK)
        return high; // the product not yet reached: no precipitate
    // g(u) = n u + ln((d + e^u) / n) - ln K rises with u = ln y; g(low) < 0 <= g(high).
    double low = d < 0 ? std::log(-d) : -745.0;
    const double atEquivalence = (std::log(double(n)) + lnK) / (n + 1);
    double u = d > 0 ? std::min(atEquivalence, (std::log(n / d) + lnK) / n)
                     : std::max(atEquivalence, low + 1e-9);
    for (int i = 0; i < 200; ++i) {
        if (!(u > low && u < high))
            u = low < -700 ? high - 1 : (low + high) / 2;
        const double y = std::exp(u);
        const double g = n * u + std::log((d + y) / n) - lnK;
        if (g > 0)
            high = u;
        else
            low = u;
        const double next = u - g / (n + y / (d + y));
        if (std::abs(next - u) < 1e-13 || high - low < 1e-13)
            return next > low && next < high ? next : u;
        u = next;
    }
    return u;
}

using CurveLawFit::Readings;
using Trial = CurveLawFit::Trial<3>;

struct PrecipitationLaw
{
    static constexpr int Count = 3;
    int n = 1;
    double noise = 0;
    double first = 0, last = 0; // the titrated range, mL

    bool inside(const Nonlinear &p) const
    {
        return p[0] > first && p[0] < last && p[2] >= 0 && p[2] <= 10;
    }
    // log10 of the free silver
    double shapeAt(double volume, const Nonlinear &p) const
    {
        return lnFreeSilver(volume, p, n) / std::log(10.0);
    }
    std::vector<double> shapesAt(const std::vector<double> &volumes, const Nonlinear &p) const
    {
        std::vector<double> shapes(volumes.size());
        std::transform(volumes.begin(), volumes.end(), shapes.begin(),
            [&](double v) { return shapeAt(v, p); });
        return shapes;
    }
    double prior(const Nonlinear &p) const { return vesselPrior(p[2], noise); }
    static Nonlinear steps(const Nonlinear &p) { return {1e-6 * p[0], 1e-5, 1e-5}; }
};

using Fitter = CurveLawFit::Fitter<PrecipitationLaw>;

PrecipitationLaw lawFor(const Readings &r, int n, double noise)
{
    return {n, noise, r.volume.front(), r.volume.back()};
}

// Levenberg-Marquardt from the best of a grid of solubilities.
Trial fitLaw(const Readings &r, const PrecipitationLaw &law, double nearVolume)
{
    std::vector<Nonlinear> starts;
    for (double lnK = LowestLnK; lnK <= HighestLnK; lnK += LnKStep)
        starts.push_back({nearVolume, lnK, std::log(TypicalSampleVolume)});
    return Fitter(r, law).fitFrom(starts);
}

PrecipitationFit resultOf(
    const Readings &r, const Trial &t, int n, double noise, double spread, bool byMisfit)
{
    return {Fitter(r, lawFor(r, n, noise)).pointOf(t, noise, spread, byMisfit), n};
}

} // namespace

std::optional<PrecipitationFit> fit(const CurveSeries &series, double nearVolume, double noise)
{
    const auto readings = CurveLawFit::readingsFor(series, Fitter::AllParameters, noise);
    if (!readings)
        return std::nullopt;
    const Readings &r = *readings;
    std::vector<Trial> fits;
    for (int n = 1; n <= LargestIonsPerAnion; ++n)
        fits.push_back(fitLaw(r, lawFor(r, n, noise), nearVolume));
    const auto best = CurveLawFit::bestAndSpread(fits, AllowedRatioEvidence * noise * noise);
    if (!best)
        return std::nullopt;
    const auto [index, spread] = *best;
    PrecipitationFit out = resultOf(r, fits[index], int(index) + 1, noise, spread, true);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

std::optional<PrecipitationFit> fitLagged(const CurveSeries &readings, int ions, double nearVolume,
    double noise, const std::vector<double> &remainders)
{
    const auto taken = CurveLawFit::readingsFor(
        readings, Fitter::AllParameters, noise, &remainders, CurveLawFit::AtStart::StartsTheLag);
    if (!taken)
        return std::nullopt;
    const Readings &r = *taken;
    const Trial t = fitLaw(r, lawFor(r, ions, noise), nearVolume);
    if (!std::isfinite(t.objective))
        return std::nullopt;
    PrecipitationFit out = resultOf(r, t, ions, noise, 0, false);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

} // namespace PrecipitationFitter
