#include "twoprecipitatesfit.h"

#include "evaluation/precipitationfit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace TwoPrecipitatesFitter {

namespace {

// The starting grid of the less soluble salt's ln K (titrant's units), and how many decades
// (in ln) the other one's may lie above it.
constexpr double LowestLnK = -64, HighestLnK = -8, LnKStep = 8;
constexpr double Gaps[] = {3, 6, 10, 15, 21};
// Where the first jump is cut short, its readings leave the law's first volume local minima a
// fraction of a step apart, and the jump model's volume may lie a step off: the fit starts from
// these shifts of the first volume too, in steps at it, and keeps the deepest minimum.
constexpr double FirstVolumeShifts[] = {0, -1, -0.5, 0.5, 1};

// The two volumes in mL (which one first, see TwoPrecipitatesLaw), ln K1 and ln K2, ln V0.
using Nonlinear = std::array<double, 5>;

struct Salts
{
    double firstVolume, secondVolume, lnK1, lnK2, lnVessel;
};

// The natural log of the free silver after `volume` mL, from `start` (the one of a nearby
// volume) on: the silver's balance falls as the free silver rises, so a Newton step kept within
// a bracket finds it.
double lnFreeSilver(double volume, const Salts &s, double start)
{
    const double vessel = std::exp(s.lnVessel) + volume;
    const double a = volume / vessel;
    const double x = s.firstVolume / vessel, y = (s.secondVolume - s.firstVolume) / vessel;
    const auto balance = [&](double u, double &slope) {
        const double k1 = std::exp(s.lnK1 - u), k2 = std::exp(s.lnK2 - u);
        const double free = std::exp(u);
        double h = a - free;
        slope = -free;
        if (x > k1) {
            h -= x - k1;
            slope -= k1;
        }
        if (y > k2) {
            h -= y - k2;
            slope -= k2;
        }
        return h;
    };
    double high = std::log(a), low = -745.0, slope = 0;
    if (balance(high, slope) >= 0)
        return high; // neither product reached: no precipitate
    double u = start > low && start < high ? start : high - 1;
    for (int i = 0; i < 200; ++i) {
        const double h = balance(u, slope);
        if (h > 0)
            low = u;
        else
            high = u;
        double next = u - h / slope;
        if (!(next > low && next < high))
            next = low < -700 ? high - 1 : (low + high) / 2;
        if (std::abs(next - u) < 1e-12 || high - low < 1e-12)
            return next;
        u = next;
    }
    return u;
}

struct TwoPrecipitatesLaw
{
    static constexpr int Count = 5;
    bool secondFirst = false; // parameter 0 is the second volume, parameter 1 the first
    double noise = 0;
    double first = 0, last = 0; // the titrated range, mL

    Salts salts(const Nonlinear &p) const
    {
        return {secondFirst ? p[1] : p[0], secondFirst ? p[0] : p[1], p[2], p[3], p[4]};
    }
    bool inside(const Nonlinear &p) const
    {
        const Salts s = salts(p);
        return s.firstVolume > first && s.secondVolume > s.firstVolume && s.secondVolume < last
            && s.lnK1 < s.lnK2 && s.lnVessel >= 0 && s.lnVessel <= 10;
    }
    // log10 of the free silver
    double shapeAt(double volume, const Nonlinear &p) const
    {
        return lnFreeSilver(volume, salts(p), 0) / std::log(10.0);
    }
    std::vector<double> shapesAt(const std::vector<double> &volumes, const Nonlinear &p) const
    {
        const Salts s = salts(p);
        std::vector<double> shapes(volumes.size());
        double u = 0;
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            u = lnFreeSilver(volumes[i], s, u);
            shapes[i] = u / std::log(10.0);
        }
        return shapes;
    }
    double prior(const Nonlinear &p) const { return PrecipitationFitter::vesselPrior(p[4], noise); }
    static Nonlinear steps(const Nonlinear &p)
    {
        return {1e-6 * p[0], 1e-6 * p[1], 1e-5, 1e-5, 1e-5};
    }
};

using Fitter = CurveLawFit::Fitter<TwoPrecipitatesLaw>;
using Trial = CurveLawFit::Trial<5>;

// The fit's starts from the two volumes: the grid of solubilities and their gaps.
std::vector<Nonlinear> startsAt(double firstVolume, double secondVolume)
{
    std::vector<Nonlinear> starts;
    for (double lnK1 = LowestLnK; lnK1 <= HighestLnK; lnK1 += LnKStep) {
        for (double gap : Gaps)
            starts.push_back({firstVolume, secondVolume, lnK1, lnK1 + gap,
                std::log(PrecipitationFitter::TypicalSampleVolume)});
    }
    return starts;
}

// Both points of trial `t`: the second's u from the same fit with its parameters in the other
// order.
std::optional<TwoPrecipitatesFit> pointsOf(
    const CurveLawFit::Readings &r, const TwoPrecipitatesLaw &law, const Trial &t, bool byMisfit)
{
    if (!std::isfinite(t.objective))
        return std::nullopt;
    TwoPrecipitatesLaw swappedLaw = law;
    swappedLaw.secondFirst = true;
    Trial swapped = t;
    std::swap(swapped.p[0], swapped.p[1]);
    TwoPrecipitatesFit out {Fitter(r, law).pointOf(t, law.noise, 0, byMisfit),
        Fitter(r, swappedLaw).pointOf(swapped, law.noise, 0, byMisfit)};
    if (!std::isfinite(out.first.uVolume) || !std::isfinite(out.second.uVolume))
        return std::nullopt;
    return out;
}

} // namespace

std::optional<TwoPrecipitatesFit> fit(
    const CurveSeries &series, double firstVolume, double secondVolume, double noise)
{
    const auto readings = CurveLawFit::readingsFor(series, Fitter::AllParameters, noise);
    if (!readings)
        return std::nullopt;
    const CurveLawFit::Readings &r = *readings;
    const TwoPrecipitatesLaw law {false, noise, r.volume.front(), r.volume.back()};
    const auto after = std::upper_bound(r.volume.begin() + 1, r.volume.end() - 1, firstVolume);
    const double step = *after - *(after - 1);
    const Fitter fitter(r, law);
    Trial t;
    for (double shift : FirstVolumeShifts) {
        const double first = firstVolume + shift * step;
        if (first <= law.first || first >= secondVolume)
            continue;
        Trial fromHere = fitter.fitFrom(startsAt(first, secondVolume));
        if (fromHere.objective < t.objective)
            t = std::move(fromHere);
    }
    return pointsOf(r, law, t, true);
}

std::optional<TwoPrecipitatesFit> fitLagged(const CurveSeries &readings, double firstVolume,
    double secondVolume, double noise, const std::vector<double> &remainders)
{
    const auto taken = CurveLawFit::readingsFor(
        readings, Fitter::AllParameters, noise, &remainders, CurveLawFit::AtStart::StartsTheLag);
    if (!taken)
        return std::nullopt;
    const CurveLawFit::Readings &r = *taken;
    const TwoPrecipitatesLaw law {false, noise, r.volume.front(), r.volume.back()};
    return pointsOf(r, law, Fitter(r, law).fitFrom(startsAt(firstVolume, secondVolume)), false);
}

} // namespace TwoPrecipitatesFitter
