#include "electrodelag.h"

#include "evaluation/acidbasefit.h"
#include "evaluation/curvelawfit.h"
#include "evaluation/goldensection.h"
#include "evaluation/jumpfit.h"
#include "evaluation/precipitationfit.h"
#include "evaluation/redoxfit.h"
#include "evaluation/twoprecipitatesfit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

namespace LagCorrection {

namespace {

// Readings fitted on either side of the point: enough flank to see the trail after the jump.
constexpr int HalfWindow = 12;
// The share of the distance to the settled value that is left at the next reading,
// exp(-wait / tau), tried from none to much; the best is refined by a parabola.
constexpr double Remainders[]
    = {0, 0.01, 0.03, 0.07, 0.12, 0.18, 0.25, 0.32, 0.4, 0.48, 0.56, 0.64, 0.72, 0.8, 0.87};
// The corrected EP is looked for from this many steps before the recognised one (a lag only
// delays) to this many after it.
constexpr double StepsBefore = 4;
constexpr double StepsAfter = 2;
constexpr int RefineSteps = 8;
// How far the residual variance of a reported lag's fit may stand above the noise.
constexpr double CleanFit = 4;
// A lag whose fit leaves at most this share of the settled fit's misfit is reported even where
// that fit stands above the noise: the misfit it leaves is the model's, small against the lag's
// (a sharp jump read to the last printed digit, which no jump model follows to that digit).
constexpr double MisfitLeftByALag = 0.01;
// The share of a whole-curve law's lag correction kept as its uncertainty.
constexpr double LagModelShare = 0.1;
// Redox ratios whose lagged laws are searched over the lag where the undone curve's own does
// not follow (see redoxUnderALag).
constexpr int RatiosSearched = 3;

struct Trial
{
    double tau = 0; // seconds; 0: no lag
    double sum = std::numeric_limits<double>::infinity(); // residual sum, reading units
    JumpFit fit;
};

double median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Fits the readings [first, last] as an electrode with a lag of `tau` would show the jump. The
// readings themselves stay as they are, so the residual sums for different tau compare as they
// stand: each is the same readings' misfit.
//
// Unequal sides of a jump must not pass for a lag, nor a lag for unequal sides. Once
// logarithmicFrom() has found the readings under some tau showing a broad precipitation jump,
// every tau is fitted by the logarithmic model. Once asymmetricFrom() has found them showing an
// asymmetric jump, every tau is fitted by that model too, and takes it where its readings show it.
// Each such fit starts from the last one: a tau near the last moves it little, and the search from
// a symmetric start is slow.
class LaggedFitter
{
public:
    LaggedFitter(const TimedSeries &s, int first, int last, double low, double high, double noise,
        double step)
        : m_s(s)
        , m_first(first)
        , m_last(last)
        , m_low(low)
        , m_high(high)
        , m_noise(noise)
        , m_step(step)
    {
        for (int i = first; i <= last; ++i)
            m_readings.push_back({s[std::size_t(i)].volume, s[std::size_t(i)].value});
    }

    // Whether the readings under a lag of `tau` show an asymmetric jump; if so, it is fitted
    // from then on.
    bool asymmetricFrom(double tau)
    {
        const ElectrodeLagging lagging = laggingFor(tau);
        const auto symmetric
            = JumpFitter::fit(m_readings, 0, count() - 1, m_low, m_high, m_noise, lagging);
        if (!symmetric)
            return false;
        const auto fit = JumpFitter::fitAsymmetric(
            m_readings, 0, count() - 1, m_low, m_high, m_noise, *symmetric, lagging);
        if (!fit
            || JumpFitter::asymmetryShown(*symmetric, *fit, m_noise, narrow(*symmetric))
                == JumpFitter::Asymmetry::None)
            return false;
        m_asymmetric = fit;
        return true;
    }

    // Whether the readings under a lag of `tau` show a broad jump with logarithmic flanks and
    // unequal sides, as a silver electrode reads a precipitation of unequal charges, and follow
    // it about as closely as the symmetric model under any lag (`bestSymmetric`, its least
    // residual sum); if so, every lag is fitted by that model from then on: the full models
    // trade its sides for a slope and a bend, which a lag's skew then seems to mend.
    bool logarithmicFrom(double tau, double bestSymmetric)
    {
        const ElectrodeLagging lagging = laggingFor(tau);
        // Its centre is looked for wherever the readings put it: a long lag delays the jump past
        // the steep stretch, and a recognition that took the skew for unequal sides can put it
        // early.
        const auto symmetric = JumpFitter::fit(m_readings, 0, count() - 1,
            m_readings.front().volume, m_readings.back().volume, m_noise, lagging);
        if (!symmetric || narrow(*symmetric))
            return false;
        const auto flat
            = JumpFitter::fitLogarithmic(m_readings, 0, count() - 1, m_readings.front().volume,
                m_readings.back().volume, m_noise, *symmetric, false, lagging);
        const auto unequal = JumpFitter::fitLogarithmic(m_readings, 0, count() - 1, reachLow(),
            reachHigh(), m_noise, *symmetric, true, lagging);
        if (!flat || !unequal
            || !JumpFitter::logarithmicAsymmetryShown(*symmetric, *flat, *unequal, m_noise)
            || JumpFitter::sumOfSquaredResiduals(*unequal)
                > bestSymmetric + JumpFitter::LogarithmicFlanks * m_noise * m_noise)
            return false;
        m_logarithmic = unequal;
        return true;
    }

    Trial operator()(double tau)
    {
        if (m_logarithmic)
            return logarithmic(tau);
        Trial t;
        t.tau = tau;
        const ElectrodeLagging lagging = laggingFor(tau);
        auto fit = JumpFitter::fit(m_readings, 0, count() - 1, m_low, m_high, m_noise, lagging);
        // A long lag can delay the readings' jump past the window where the lagged model puts
        // it; the settled fit is then looked for wherever the readings put it.
        if (!fit && !(tau > 0))
            fit = JumpFitter::fit(
                m_readings, 0, count() - 1, m_low, m_readings.back().volume, m_noise, lagging);
        if (fit && m_asymmetric) {
            const auto asymmetric = JumpFitter::fitAsymmetric(
                m_readings, 0, count() - 1, m_low, m_high, m_noise, *m_asymmetric, lagging);
            if (asymmetric
                && JumpFitter::asymmetryShown(*fit, *asymmetric, m_noise, narrow(*fit))
                    == JumpFitter::Asymmetry::Shown) {
                fit = asymmetric;
                m_asymmetric = asymmetric;
            }
        }
        if (!fit)
            return t;
        t.fit = *fit;
        t.sum = JumpFitter::sumOfSquaredResiduals(*fit);
        return t;
    }

private:
    Trial logarithmic(double tau)
    {
        Trial t;
        t.tau = tau;
        const auto fit = JumpFitter::fitLogarithmic(m_readings, 0, count() - 1, reachLow(),
            reachHigh(), m_noise, *m_logarithmic, true, laggingFor(tau));
        if (!fit)
            return t;
        t.fit = *fit;
        t.sum = JumpFitter::sumOfSquaredResiduals(*fit);
        return t;
    }

    // The logarithmic centre lies up to 0.6 widths before the steepest point.
    double reachLow() const { return m_low - (m_high - m_low); }
    double reachHigh() const { return m_high + (m_high - m_low); }
    int count() const { return int(m_readings.size()); }
    bool narrow(const JumpFit &f) const { return f.width < JumpFitter::NarrowJump * m_step; }

    ElectrodeLagging laggingFor(double tau) const
    {
        ElectrodeLagging lagging;
        lagging.before = m_s[std::size_t(m_first) - 1].value;
        if (!(tau > 0))
            return lagging;
        for (int i = m_first; i <= m_last; ++i) {
            const double wait = m_s[std::size_t(i)].seconds - m_s[std::size_t(i) - 1].seconds;
            lagging.remainders.push_back(std::exp(-wait / tau));
        }
        return lagging;
    }

    const TimedSeries &m_s;
    int m_first, m_last;
    double m_low, m_high, m_noise, m_step;
    CurveSeries m_readings;
    std::optional<JumpFit> m_asymmetric; // the last asymmetric fit
    std::optional<JumpFit> m_logarithmic; // where the jump is one: the fit that showed it
};

double tauFor(double remainder, double wait)
{
    return remainder > 0 ? -wait / std::log(remainder) : 0.0;
}

// What a lag of `tau` leaves of the difference at the reading before, at each reading; the first
// has none before it.
std::vector<double> remaindersFor(const TimedSeries &s, double tau)
{
    std::vector<double> remainders(s.size(), 0.0);
    for (std::size_t i = 1; tau > 0 && i < s.size(); ++i)
        remainders[i] = std::exp(-(s[i].seconds - s[i - 1].seconds) / tau);
    return remainders;
}

// The readings' volumes and values, their times left out.
CurveSeries untimed(const TimedSeries &s)
{
    CurveSeries out;
    for (const TimedReading &r : s)
        out.push_back({r.volume, r.value});
    return out;
}

// A time constant under which the law found no fit.
Trial untried(double tau)
{
    Trial t;
    t.tau = tau;
    return t;
}

// A whole-curve law's fit under a lag of `tau`, as the search over time constants weighs it.
Trial lawTrial(double tau, const LawPoint &law)
{
    Trial t;
    t.tau = tau;
    t.sum = law.residualSum;
    t.fit.volume = law.volume;
    t.fit.uVolume = law.uVolume;
    t.fit.level = law.value;
    return t;
}

// The law of the point's whole curve (a precipitation's with its ratio of ions, see
// PrecipitationFitter, or a redox titration's with its ratio of electrons, see RedoxFitter),
// passed through a lag of `tau` and fitted to every reading above 0 mL as they stand, the lag
// starting from the reading at 0 mL where there is one: where a window cannot tell a broad
// jump's lag from its place, its flanks far from the jump can.
class LaggedLaw
{
public:
    LaggedLaw(const TimedSeries &s, const RecognisedEp &point, double noise)
        : m_s(s)
        , m_readings(untimed(s))
        , m_point(point)
        , m_noise(noise)
    { }

    // The law's parameters, the offset and slope included.
    int parameters() const { return m_point.ionsPerAnion > 0 ? 5 : 4; }

    Trial operator()(double tau) const
    {
        if (const auto law = fitted(remaindersFor(m_s, tau)))
            return lawTrial(tau, *law);
        return untried(tau);
    }

private:
    std::optional<LawPoint> fitted(const std::vector<double> &remainders) const
    {
        const double v = m_point.volume;
        if (m_point.ionsPerAnion > 0)
            return PrecipitationFitter::fitLagged(
                m_readings, m_point.ionsPerAnion, v, m_noise, remainders);
        return RedoxFitter::fitLagged(
            m_readings, m_point.analyteElectrons, m_point.titrantElectrons, v, m_noise, remainders);
    }

    const TimedSeries &m_s;
    CurveSeries m_readings;
    const RecognisedEp &m_point;
    double m_noise;
};

// The acid-base law of the whole curve (see AcidBaseFitter) with a step ending near each EP,
// passed through a lag of `tau` and fitted to every reading above 0 mL as they stand. Each fit
// starts from the one for the nearest time constant tried before, and each fit's step ends are
// kept, in the order tried.
class LaggedAcidBaseLaw
{
public:
    LaggedAcidBaseLaw(const TimedSeries &s, std::vector<double> nearVolumes, double noise)
        : m_s(s)
        , m_near(std::move(nearVolumes))
        , m_noise(noise)
        , m_readings(untimed(s))
    { }

    // The law's parameters, the offset and slope included.
    int parameters() const { return 2 * int(m_near.size()) + 4; }
    const std::vector<std::vector<double>> &volumes() const { return m_volumes; }

    Trial operator()(double tau)
    {
        const double remainder = perSecond(tau);
        const AcidBaseFit *nearest = nullptr;
        double distance = std::numeric_limits<double>::infinity();
        for (const auto &[r, fit] : m_fits) {
            if (std::abs(r - remainder) < distance) {
                distance = std::abs(r - remainder);
                nearest = &fit;
            }
        }
        const auto law = AcidBaseFitter::fitLagged(
            m_readings, m_near, m_noise, remaindersFor(m_s, tau), nearest);
        m_volumes.push_back(law ? law->volumes : std::vector<double>(m_near.size(), 0.0));
        if (!law) {
            Trial none;
            none.tau = tau;
            return none;
        }
        m_fits.emplace_back(remainder, *law);
        return trialOf(tau, *law);
    }

    // The settled law once more, from the fit for the lag `tau`: the settled search may have
    // stopped short of the fit nearest to a lagged one, and only the best settled fit may
    // measure a lag.
    Trial settledFrom(double tau, const Trial &settled)
    {
        for (const auto &[r, fit] : m_fits) {
            if (r != perSecond(tau))
                continue;
            const auto law = AcidBaseFitter::fitLagged(
                m_readings, m_near, m_noise, remaindersFor(m_s, 0), &fit);
            if (law && law->residualSum < settled.sum) {
                m_volumes.front() = law->volumes;
                return trialOf(0, *law);
            }
        }
        return settled;
    }

private:
    // What a lag of `tau` leaves of a difference after one second: the fits' key.
    static double perSecond(double tau) { return tau > 0 ? std::exp(-1 / tau) : 0.0; }

    static Trial trialOf(double tau, const AcidBaseFit &law)
    {
        Trial t;
        t.tau = tau;
        t.sum = law.residualSum;
        t.fit.volume = law.volume;
        t.fit.level = law.value;
        return t;
    }

    const TimedSeries &m_s;
    std::vector<double> m_near;
    double m_noise;
    CurveSeries m_readings;
    std::vector<std::pair<double, AcidBaseFit>> m_fits; // by exp(-1 s / tau)
    std::vector<std::vector<double>> m_volumes;
};

// The whole curve undone for a lag of `tau`; the first reading has none before it.
CurveSeries undone(const TimedSeries &s, double tau)
{
    CurveSeries out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double r = i > 0 ? std::exp(-(s[i].seconds - s[i - 1].seconds) / tau) : 0.0;
        out.push_back({s[i].volume, (s[i].value - r * (i > 0 ? s[i - 1].value : 0)) / (1 - r)});
    }
    return out;
}

// The EP of `analysis` nearest to `volume` between `lowest` and `highest`; none when none lies
// there.
const RecognisedEp *nearestIn(
    const EpAnalysis &analysis, double volume, double lowest, double highest)
{
    const RecognisedEp *nearest = nullptr;
    for (const RecognisedEp &p : analysis.points) {
        if (p.volume > lowest && p.volume < highest
            && (!nearest || std::abs(p.volume - volume) < std::abs(nearest->volume - volume)))
            nearest = &p;
    }
    return nearest;
}

// Degrees of freedom of a lagged fit: `count` readings, the model's `parameters` and the time
// constant.
int lagFitDof(int count, int parameters)
{
    return std::max(1, count - parameters - 1);
}

const Trial &bestOf(const std::vector<Trial> &trials)
{
    return *std::min_element(
        trials.begin(), trials.end(), [](const Trial &a, const Trial &b) { return a.sum < b.sum; });
}

// The fits for each remainder of the grid, then a golden section between the best one's
// neighbours (the EP moves with tau); the first trial is the settled one, tau 0.
template<typename FitLagged>
std::vector<Trial> searchTau(FitLagged &fitLagged, double wait)
{
    std::vector<Trial> trials;
    const auto trial = [&](double remainder) {
        trials.push_back(fitLagged(tauFor(remainder, wait)));
        return trials.back().sum;
    };
    for (double r : Remainders)
        trial(r);
    if (!std::isfinite(trials.front().sum))
        return trials;
    std::size_t grid = 0;
    for (std::size_t j = 1; j < trials.size(); ++j) {
        if (trials[j].sum < trials[grid].sum)
            grid = j;
    }
    if (grid == 0)
        return trials;
    goldenSectionMinimum(trial, Remainders[grid - 1],
        Remainders[std::min(grid + 1, std::size(Remainders) - 1)], RefineSteps);
    return trials;
}

// The lowest and highest EP of `fits` under the time constants whose misfit in `trials` (the
// same time constants, in the same order) lies within `margin` of trial `chosen`'s: those the
// readings do not rule out.
std::pair<double, double> allowedVolumes(const std::vector<Trial> &trials,
    const std::vector<Trial> &fits, std::size_t chosen, double margin)
{
    double low = fits[chosen].fit.volume, high = low;
    for (std::size_t j = 0; j < trials.size(); ++j) {
        if (trials[j].sum <= trials[chosen].sum + margin) {
            low = std::min(low, fits[j].fit.volume);
            high = std::max(high, fits[j].fit.volume);
        }
    }
    return {low, high};
}

// A lag the readings only just show may be a shape the model misses: the corrected point moves
// back halfway to the one recognised `before`, and u reaches both.
void moveHalfwayBack(RecognisedEp &ep, const RecognisedEp &before)
{
    const double shift = ep.volume - before.volume;
    ep.volume = before.volume + shift / 2;
    ep.value = (ep.value + before.value) / 2;
    ep.uVolume = std::hypot(ep.uVolume, shift / 2);
}

// What the fits for each time constant (`trials`, the first settled; `count` readings, the
// model's `parameters`) tell of the lag; see Estimate.
Estimate decided(
    const std::vector<Trial> &trials, int count, int parameters, double noise, double wait)
{
    const Trial &chosen = bestOf(trials);
    const Trial &settled = trials.front();
    const int dof = lagFitDof(count, parameters);
    // The reading's variance: the curve's noise, or what the best fit leaves when the model
    // does not follow the curve as closely.
    const double variance = std::max(noise * noise, chosen.sum / dof);
    const double evidence = (settled.sum - chosen.sum) / variance;

    // Every time constant the readings do not rule out (within two standard deviations; one
    // where they show no sign of a lag) moves the EP; that spread is part of its uncertainty.
    const double allowed = evidence < WeakEvidence ? 1 : 4;
    const auto [lowVolume, highVolume]
        = allowedVolumes(trials, trials, std::size_t(&chosen - trials.data()), allowed * variance);
    Estimate e;
    e.evidence = evidence;
    // A lag is reported only where the readings follow the lagged model to their noise, or the
    // lag explains nearly all of what the settled model misses: a shape the model misses could
    // otherwise pass for a lag.
    const bool clean = chosen.sum / dof <= CleanFit * noise * noise
        || chosen.sum <= MisfitLeftByALag * settled.sum;
    if (evidence < Evidence || chosen.tau < SmallestLagPerWait * wait || !clean) {
        // A lag the readings hint at but do not show: the EP stays, its u reaches to where
        // any lag they allow would put it.
        e.volume = settled.fit.volume;
        e.value = settled.fit.level;
        e.uVolume = std::max(std::abs(chosen.fit.volume - settled.fit.volume),
                        std::max(settled.fit.volume - lowVolume, highVolume - settled.fit.volume))
            / 2;
        return e;
    }
    const double scatter = std::sqrt(variance / std::max(noise * noise, 1e-300));
    e.tauSeconds = chosen.tau;
    e.clear = evidence >= ClearEvidence;
    e.volume = chosen.fit.volume;
    e.value = chosen.fit.level;
    e.uFromTau = (highVolume - lowVolume) / 4;
    e.uVolume = std::hypot(chosen.fit.uVolume * scatter, e.uFromTau);
    return e;
}

// The readings of a whole-curve law: those above 0 mL, after the last at 0 mL (settled before
// the first drop, it starts the lag, and a law may hold there too), and their median wait; none
// when they carry no usable times (not strictly increasing in time and volume).
std::optional<std::pair<TimedSeries, double>> lawReadings(const TimedSeries &readings)
{
    TimedSeries taken;
    std::vector<double> waits;
    for (const TimedReading &r : readings) {
        if (r.volume == 0 && (taken.empty() || taken.back().volume == 0)) {
            taken = {r};
            continue;
        }
        if (!(r.volume > 0))
            continue;
        if (!taken.empty()) {
            const double dt = r.seconds - taken.back().seconds;
            if (!(dt > 0) || !(r.volume > taken.back().volume) || !std::isfinite(r.value))
                return std::nullopt;
            waits.push_back(dt);
        }
        taken.push_back(r);
    }
    if (waits.empty())
        return std::nullopt;
    return std::pair(std::move(taken), median(waits));
}

// Those of `taken` above 0 mL.
int aboveStart(const TimedSeries &taken)
{
    return int(taken.size()) - (!taken.empty() && taken.front().volume == 0 ? 1 : 0);
}

// Whether a whole-curve law (`parameters` in all, on `count` readings) follows the readings to
// their noise under the best of the time constants in `trials`.
bool followsUnderItsLag(const std::vector<Trial> &trials, int count, int parameters, double noise)
{
    return bestOf(trials).sum / lagFitDof(count, parameters)
        <= CurveLawFit::FollowsTheCurve * noise * noise;
}

// The lag of a curve whose one point is a whole-curve law's, from every reading
// above 0 mL, and in `bestSum` what the best lagged fit leaves; none when they carry no usable
// times.
std::optional<Estimate> estimateOnWholeCurve(const TimedSeries &readings, const RecognisedEp &point,
    double noise, bool lawUnderALag = false, double *bestSum = nullptr)
{
    const auto timed = lawReadings(readings);
    if (!timed)
        return std::nullopt;
    const auto &[taken, wait] = *timed;
    const LaggedLaw law(taken, point, std::max(noise, 1e-12));
    const std::vector<Trial> trials = searchTau(law, wait);
    if (!std::isfinite(trials.front().sum))
        return std::nullopt;
    const int count = aboveStart(taken);
    if (bestSum)
        *bestSum = bestOf(trials).sum;
    // A law the settled readings did not follow must follow them under its lag.
    if (lawUnderALag && !followsUnderItsLag(trials, count, law.parameters(), noise))
        return std::nullopt;
    return decided(trials, count, law.parameters(), noise, wait);
}

// The law of two salts: Ve1, Ve2, K1, K2 and V0, the offset and the slope.
constexpr int TwoSaltsParameters = 7;

// The lag of a curve whose two points are the law of two salts', from every reading above 0 mL
// as for one law (see estimateOnWholeCurve): one estimate a point. A cut-short first jump is
// what a jump model's window misses, and a lag may pass for it; the whole curve tells them
// apart.
std::optional<std::array<Estimate, 2>> estimateOnTwoSalts(
    const TimedSeries &readings, const EpAnalysis &analysis)
{
    const auto timed = lawReadings(readings);
    if (!timed)
        return std::nullopt;
    const TimedSeries &taken = timed->first; // named: the fit below captures it
    const double wait = timed->second;
    const CurveSeries series = untimed(taken);
    const double noise = std::max(analysis.noise, 1e-12);
    const double first = analysis.points[0].volume, second = analysis.points[1].volume;
    std::vector<Trial> seconds; // the second point's, one for each of the search's trials
    const auto lagged = [&](double tau) {
        const auto law = TwoPrecipitatesFitter::fitLagged(
            series, first, second, noise, remaindersFor(taken, tau));
        if (!law) {
            seconds.push_back(untried(tau));
            return untried(tau);
        }
        // Both points' fits leave the same residual sum.
        seconds.push_back(lawTrial(tau, law->second));
        return lawTrial(tau, law->first);
    };
    const std::vector<Trial> trials = searchTau(lagged, wait);
    if (!std::isfinite(trials.front().sum))
        return std::nullopt;
    const int count = aboveStart(taken);
    return std::array {decided(trials, count, TwoSaltsParameters, noise, wait),
        decided(seconds, count, TwoSaltsParameters, noise, wait)};
}

// A whole-curve law's point (its ratio of ions or electrons set) where the readings follow that
// law only under a lag (a slow electrode skews the law as it skews a jump), and the lag they
// show, and in `bestSum` what the best lagged fit leaves; none where they do not follow it
// under any lag either, or show no lag.
std::optional<std::pair<RecognisedEp, Estimate>> lagOfLaw(
    const TimedSeries &readings, const RecognisedEp &point, double noise, double *bestSum = nullptr)
{
    const auto e = estimateOnWholeCurve(readings, point, noise, true, bestSum);
    if (!e || !e->tauSeconds)
        return std::nullopt;
    return std::pair(point, *e);
}

RecognisedEp pointOf(const RecognisedEp &recognised, const LawPoint &law)
{
    RecognisedEp point = recognised;
    point.volume = law.volume;
    point.uVolume = law.uVolume;
    point.value = law.value;
    return point;
}

// Of the laws of `points` (each its ratio of ions or electrons set), the one whose lagged law
// follows the readings best, and its lag; the readings cannot tell apart the ratios that follow
// them within `allowance` noise variances, and u reaches them. None where none follows.
std::optional<std::pair<RecognisedEp, Estimate>> bestLawUnderALag(const TimedSeries &readings,
    const std::vector<RecognisedEp> &points, double noise, double allowance)
{
    std::vector<std::pair<RecognisedEp, Estimate>> laws;
    std::vector<CurveLawFit::Trial<1>> fits; // each law's lagged Ve and what it leaves
    for (const RecognisedEp &point : points) {
        CurveLawFit::Trial<1> fit;
        if (auto law = lagOfLaw(readings, point, noise, &fit.objective)) {
            fit.p = {law->second.volume};
            laws.push_back(*law);
            fits.push_back(fit);
        }
    }
    const auto best = CurveLawFit::bestAndSpread(fits, allowance * noise * noise);
    if (!best)
        return std::nullopt;
    std::pair<RecognisedEp, Estimate> law = laws[best->first];
    law.second.uVolume = std::hypot(law.second.uVolume, best->second / 2);
    return law;
}

// The redox laws of unequal electron numbers that follow the readings best under a lag of
// `tau`, at most `count` of them, best first.
std::vector<RecognisedEp> redoxRatiosUnderALag(
    const TimedSeries &readings, const RecognisedEp &point, double noise, double tau, int count)
{
    const auto timed = lawReadings(readings);
    if (!timed)
        return {};
    const TimedSeries &taken = timed->first;
    const CurveSeries series = untimed(taken);
    const std::vector<double> remainders = remaindersFor(taken, tau);
    std::vector<std::pair<double, RecognisedEp>> screened;
    for (int a = 1; a <= RedoxFitter::LargestElectrons; ++a) {
        for (int b = 1; b <= RedoxFitter::LargestElectrons; ++b) {
            if (a == b || std::gcd(a, b) != 1)
                continue;
            const auto law = RedoxFitter::fitLagged(series, a, b, point.volume, noise, remainders);
            if (!law || !std::isfinite(law->residualSum))
                continue;
            RecognisedEp ratio = point;
            ratio.analyteElectrons = a;
            ratio.titrantElectrons = b;
            screened.emplace_back(law->residualSum, ratio);
        }
    }
    std::sort(screened.begin(), screened.end(),
        [](const auto &x, const auto &y) { return x.first < y.first; });
    std::vector<RecognisedEp> best;
    for (std::size_t i = 0; i < screened.size() && int(i) < count; ++i)
        best.push_back(screened[i].second);
    return best;
}

// A curve without a narrow jump may be one precipitation's, read by a slow electrode; the
// ratio of ions is the one the readings show as they stand. Where no ratio's law follows a
// potential curve, a lag may hide the ratio too (its first readings trail a start no law gives,
// and it skews the flanks as a ratio does): the ratio is the one whose law follows them best
// under the lag.
std::optional<std::pair<RecognisedEp, Estimate>> precipitationUnderALag(
    const TimedSeries &readings, const EpAnalysis &analysis)
{
    const RecognisedEp &strongest = EpRecognition::strongest(analysis);
    const auto settled = PrecipitationFitter::fit(
        CurveSeriesTools::prepared(untimed(readings)), strongest.volume, analysis.noise);
    if (!settled)
        return std::nullopt;
    RecognisedEp point = pointOf(strongest, *settled);
    point.ionsPerAnion = settled->ionsPerAnion;
    const double noise = analysis.noise;
    if (settled->residualVariance <= CurveLawFit::FollowsTheCurve * noise * noise
        || analysis.reading != Reading::Potential)
        return lagOfLaw(readings, point, noise);
    std::vector<RecognisedEp> ratios;
    for (int n = 1; n <= PrecipitationFitter::LargestIonsPerAnion; ++n) {
        point.ionsPerAnion = n;
        ratios.push_back(point);
    }
    return bestLawUnderALag(readings, ratios, noise, PrecipitationFitter::AllowedRatioEvidence);
}

// A potential curve whose one jump's window shows a lag may be a redox titration's, read by a
// slow electrode. The lag skews the jump as unequal electron numbers do, so the ratio, and the
// point the lagged law starts from, are those of the curve undone for the window's lag.
std::optional<std::pair<RecognisedEp, Estimate>> redoxUnderALag(
    const TimedSeries &readings, const EpAnalysis &analysis, const Estimate &window)
{
    const CurveSeries undoneCurve
        = CurveSeriesTools::prepared(undone(readings, *window.tauSeconds));
    const auto settled = RedoxFitter::fit(undoneCurve, window.volume, analysis.noise);
    if (!settled || !settled->sidesDiffer())
        return std::nullopt;
    RecognisedEp point = pointOf(analysis.points.front(), *settled);
    point.analyteElectrons = settled->analyteElectrons;
    point.titrantElectrons = settled->titrantElectrons;
    if (auto law = lagOfLaw(readings, point, analysis.noise))
        return law;
    // The window's lag, undone, may leave the ratio a neighbour's: the ratios whose laws
    // follow best under it are searched over the lag.
    return bestLawUnderALag(readings,
        redoxRatiosUnderALag(readings, point, analysis.noise, *window.tauSeconds, RatiosSearched),
        analysis.noise, RedoxFitter::AllowedRatioEvidence);
}

// A whole-curve law's point moved as its lag tells (see estimateOnWholeCurve).
void takeWholeCurveLag(RecognisedEp &ep, const Estimate &e)
{
    if (!e.tauSeconds) {
        ep.uVolume = std::hypot(ep.uVolume, e.uVolume);
        return;
    }
    ep.lagSeconds = e.tauSeconds;
    // A real electrode settles only about as a first-order lag: part of the correction stays
    // uncertain.
    ep.uVolume = std::hypot(
        std::max(ep.uVolume, e.uVolume), LagModelShare * std::abs(e.volume - ep.volume));
    // A lag the readings only just show may be the law's parameters trading for one (now and
    // then a settled curve passes that test, with a lag as long as the waits): the point stays
    // where the law follows the readings as they stand, and u reaches the lagged one. A real
    // lag that shows so faintly moves the point little.
    if (!e.clear) {
        ep.uVolume = std::hypot(ep.uVolume, e.volume - ep.volume);
        return;
    }
    ep.volume = e.volume;
    ep.value = e.value;
}

// One EP's window: its lagged jump model, set to the model its readings show, and what its own
// search for a lag told.
struct WindowLag
{
    LaggedFitter fitter;
    int count = 0;
    int parameters = 0;
    double wait = 0;
    Estimate estimate;
    double settledSum = 0; // of its own search's settled fit
};

std::optional<WindowLag> windowLag(
    const TimedSeries &s, double volume, double noise, double lowest, double highest)
{
    const int n = int(s.size());
    if (n < 2 * JumpFitter::Parameters)
        return std::nullopt;
    std::vector<double> waits, steps;
    for (int i = 1; i < n; ++i) {
        const double dt = s[std::size_t(i)].seconds - s[std::size_t(i) - 1].seconds;
        const double dv = s[std::size_t(i)].volume - s[std::size_t(i) - 1].volume;
        // Without times (or out of order) there is no lag to see.
        if (!(dt > 0) || !(dv > 0) || !std::isfinite(s[std::size_t(i)].value))
            return std::nullopt;
        waits.push_back(dt);
        steps.push_back(dv);
    }
    int centre = 1;
    while (centre < n - 1 && s[std::size_t(centre)].volume < volume)
        ++centre;
    // The first reading has none before it to undo it with.
    int first = std::max(1, centre - HalfWindow);
    int last = std::min(n - 1, centre + HalfWindow - 1);
    while (first < centre && s[std::size_t(first)].volume < lowest)
        ++first;
    while (last > centre && s[std::size_t(last)].volume > highest)
        --last;
    // Neither side reaches more than twice as far as the other: where the steps grow away from
    // the point (dynamic dosing), a side of as many readings reaches far into a flank that no
    // jump model follows, and its misfit can pass for a lag.
    const double reach
        = 2 * std::min(volume - s[std::size_t(first)].volume, s[std::size_t(last)].volume - volume);
    while (first < centre && volume - s[std::size_t(first)].volume > reach)
        ++first;
    while (last > centre && s[std::size_t(last)].volume - volume > reach)
        --last;
    if (last - first + 1 < JumpFitter::Parameters + 4)
        return std::nullopt;
    const double wait = median(waits);
    const double step = median(steps);
    const double low = std::max(s[std::size_t(first)].volume, volume - StepsBefore * step);
    const double high = std::min(s[std::size_t(last)].volume, volume + StepsAfter * step);
    noise = std::max(noise, 1e-12);

    WindowLag window {
        LaggedFitter(s, first, last, low, high, noise, step), last - first + 1, 0, 0, {}, 0};
    LaggedFitter &fitLagged = window.fitter;
    std::vector<Trial> trials = searchTau(fitLagged, wait);
    if (!std::isfinite(trials.front().sum))
        return std::nullopt;
    // The symmetric jump first; then the logarithmic one where the readings under any time
    // constant of the grid show one, or else both full ones where the readings as they stand or
    // under the best time constant show an asymmetric jump.
    const Trial &best = bestOf(trials);
    bool logarithmic = false;
    for (double r : Remainders) {
        if (!logarithmic && fitLagged.logarithmicFrom(tauFor(r, wait), best.sum))
            logarithmic = true;
    }
    if (logarithmic || fitLagged.asymmetricFrom(0) || fitLagged.asymmetricFrom(best.tau))
        trials = searchTau(fitLagged, wait);
    const Trial &chosen = bestOf(trials);
    window.parameters = chosen.fit.dilution != 0
        ? JumpFitter::LogarithmicParameters + 1
        : JumpFitter::Parameters + (chosen.fit.asymmetry != 0 ? 1 : 0);
    window.wait = wait;
    window.estimate = decided(trials, window.count, window.parameters, noise, wait);
    window.settledSum = trials.front().sum;
    return window;
}

// A lag that several EPs show together, and each EP's share of it.
struct JointLag
{
    Estimate estimate; // its time constant and evidence; no volume
    std::vector<double> uFromTau; // per window, as Estimate::uFromTau
};

// Where no window shows a lag on its own, their readings together may: one electrode read them
// all, so one time constant is fitted to every window at once. The evidence is judged as one
// window's, over all their readings and parameters, against the best settled fit each window
// found. Each window must follow the lagged model to its noise and none may follow it worse
// than it followed the settled one: a shape one window's model misses must not pass for a lag
// by the other's gain.
std::optional<JointLag> jointLag(std::vector<WindowLag *> windows, double noise)
{
    const double wait = windows.front()->wait;
    std::vector<std::vector<Trial>> each(windows.size());
    const auto fitAll = [&](double tau) {
        Trial t;
        t.tau = tau;
        t.sum = 0;
        for (std::size_t k = 0; k < windows.size(); ++k) {
            each[k].push_back(windows[k]->fitter(tau));
            t.sum += each[k].back().sum;
        }
        return t;
    };
    std::vector<Trial> trials = searchTau(fitAll, wait);
    if (!std::isfinite(trials.front().sum))
        return std::nullopt;
    int count = 0, parameters = 0;
    trials.front().sum = 0;
    for (std::size_t k = 0; k < windows.size(); ++k) {
        count += windows[k]->count;
        parameters += windows[k]->parameters;
        each[k].front().sum = std::min(each[k].front().sum, windows[k]->settledSum);
        trials.front().sum += each[k].front().sum;
    }
    JointLag joint {decided(trials, count, parameters, noise, wait), {}};
    if (!joint.estimate.tauSeconds)
        return std::nullopt;
    const std::size_t chosen = std::size_t(&bestOf(trials) - trials.data());
    const double variance
        = std::max(noise * noise, trials[chosen].sum / lagFitDof(count, parameters));
    for (std::size_t k = 0; k < windows.size(); ++k) {
        const double dof = lagFitDof(windows[k]->count, windows[k]->parameters);
        if (each[k][chosen].sum > each[k].front().sum + variance
            || each[k][chosen].sum / dof > CleanFit * noise * noise)
            return std::nullopt;
    }
    // The time constants the readings allow (within two standard deviations) move each EP as
    // far as its own window's fits under them.
    for (const std::vector<Trial> &window : each) {
        const auto [low, high] = allowedVolumes(trials, window, chosen, 4 * variance);
        joint.uFromTau.push_back((high - low) / 4);
    }
    return joint;
}

// Every EP taken from the curve undone for `lag`, halfway where it only just shows; false, and
// nothing taken, where the undone curve has no EP within an EP's range.
bool takeUndone(EpAnalysis &analysis, const EpAnalysis &recognised,
    const std::vector<std::pair<double, double>> &ranges, const TimedSeries &readings,
    const JointLag &lag)
{
    const Estimate &e = lag.estimate;
    const EpAnalysis again
        = EpRecognition::recognise(undone(readings, *e.tauSeconds), 1.0, recognised.reading);
    std::vector<RecognisedEp> moved = recognised.points;
    for (std::size_t k = 0; k < moved.size(); ++k) {
        const RecognisedEp *nearest
            = nearestIn(again, moved[k].volume, ranges[k].first, ranges[k].second);
        if (!nearest)
            return false;
        RecognisedEp &ep = moved[k];
        const RecognisedEp &before = recognised.points[k];
        ep.lagSeconds = e.tauSeconds;
        ep.volume = nearest->volume;
        ep.value = nearest->value;
        ep.uVolume = std::max(before.uVolume, std::hypot(nearest->uVolume, lag.uFromTau[k]));
        if (!e.clear)
            moveHalfwayBack(ep, before);
    }
    analysis.points = std::move(moved);
    return true;
}

// Where every EP has a window and none shows a lag alone but all of them together do, every
// EP is taken from the curve undone for that lag, halfway where the lag only just shows.
bool takeJointLag(EpAnalysis &analysis, const EpAnalysis &recognised,
    std::vector<std::optional<WindowLag>> &windows,
    const std::vector<std::pair<double, double>> &ranges, const TimedSeries &readings)
{
    std::vector<WindowLag *> taken;
    for (auto &w : windows) {
        if (!w || w->estimate.tauSeconds)
            return false;
        taken.push_back(&*w);
    }
    if (taken.size() < 2)
        return false;
    const auto joint = jointLag(taken, analysis.noise);
    return joint && takeUndone(analysis, recognised, ranges, readings, *joint);
}

// Where no EP's window shows a lag, the whole curve's acid-base law may: a broad or skewed jump's
// window cannot tell a lag from its place or its sides, the law's far flanks can. The law must
// follow the readings to their noise under the lag; every EP is then taken from the curve
// undone for it, halfway where the lag only just shows.
bool takeAcidBaseLag(EpAnalysis &analysis, const EpAnalysis &recognised,
    const std::vector<std::pair<double, double>> &ranges, const TimedSeries &readings)
{
    const auto &points = recognised.points;
    if (points.empty() || points.size() > std::size_t(AcidBaseFitter::LargestSteps))
        return false;
    // The reading at 0 mL is on the law: a weak acid's pH moves most with the first drop.
    const auto timed = lawReadings(readings);
    if (!timed)
        return false;
    const auto &[taken, wait] = *timed;
    std::vector<double> near;
    for (const RecognisedEp &p : points)
        near.push_back(p.volume);
    const double noise = std::max(analysis.noise, 1e-12);
    LaggedAcidBaseLaw law(taken, near, noise);
    std::vector<Trial> trials = searchTau(law, wait);
    if (!std::isfinite(trials.front().sum))
        return false;
    trials.front() = law.settledFrom(bestOf(trials).tau, trials.front());
    const int count = int(taken.size());
    if (!followsUnderItsLag(trials, count, law.parameters(), noise))
        return false;
    const std::size_t chosen = std::size_t(&bestOf(trials) - trials.data());
    JointLag lag {decided(trials, count, law.parameters(), noise, wait), {}};
    if (!lag.estimate.tauSeconds)
        return false;
    const double variance
        = std::max(noise * noise, trials[chosen].sum / std::max(1, count - law.parameters() - 1));
    for (std::size_t k = 0; k < points.size(); ++k) {
        std::vector<Trial> ends = trials;
        for (std::size_t j = 0; j < ends.size(); ++j)
            ends[j].fit.volume = law.volumes()[j][k];
        const auto [low, high] = allowedVolumes(trials, ends, chosen, 4 * variance);
        lag.uFromTau.push_back((high - low) / 4);
    }
    return takeUndone(analysis, recognised, ranges, readings, lag);
}

} // namespace

std::optional<Estimate> estimate(
    const TimedSeries &s, double volume, double noise, double lowest, double highest)
{
    if (auto window = windowLag(s, volume, noise, lowest, highest))
        return window->estimate;
    return std::nullopt;
}

void apply(EpAnalysis &analysis, const TimedSeries &readings)
{
    const EpAnalysis recognised = analysis;
    auto &points = analysis.points;
    if (points.size() == 1 && points.front().fromWholeCurveLaw()) {
        if (const auto e = estimateOnWholeCurve(readings, points.front(), analysis.noise))
            takeWholeCurveLag(points.front(), *e);
        return;
    }
    if (points.size() == 2 && points.front().fromTwoSaltsLaw) {
        if (const auto e = estimateOnTwoSalts(readings, analysis)) {
            takeWholeCurveLag(points[0], (*e)[0]);
            takeWholeCurveLag(points[1], (*e)[1]);
        }
        return;
    }
    const auto takeLaw = [&points](const std::pair<RecognisedEp, Estimate> &law) {
        points = {law.first};
        takeWholeCurveLag(points.front(), law.second);
    };
    if (analysis.noNarrowJump && !points.empty()) {
        if (const auto law = precipitationUnderALag(readings, analysis)) {
            takeLaw(*law);
            return;
        }
    }
    std::vector<std::optional<WindowLag>> windows;
    std::vector<std::optional<Estimate>> estimates;
    std::vector<std::pair<double, double>> ranges;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const double lowest = k > 0 ? (points[k - 1].volume + points[k].volume) / 2
                                    : -std::numeric_limits<double>::infinity();
        const double highest = k + 1 < points.size() ? (points[k].volume + points[k + 1].volume) / 2
                                                     : std::numeric_limits<double>::infinity();
        ranges.emplace_back(lowest, highest);
        windows.push_back(windowLag(readings, points[k].volume, analysis.noise, lowest, highest));
        estimates.push_back(
            windows.back() ? std::optional(windows.back()->estimate) : std::nullopt);
    }
    if (takeJointLag(analysis, recognised, windows, ranges, readings))
        return;
    const bool noWindowShowsALag = std::none_of(estimates.begin(), estimates.end(),
        [](const std::optional<Estimate> &e) { return e && e->tauSeconds; });
    if (noWindowShowsALag && takeAcidBaseLag(analysis, recognised, ranges, readings))
        return;
    if (analysis.reading == Reading::Potential && points.size() == 1 && estimates.front()
        && estimates.front()->tauSeconds) {
        if (const auto law = redoxUnderALag(readings, analysis, *estimates.front())) {
            takeLaw(*law);
            // The window's lagged jump is the other reasonable estimate of the point: a real
            // electrode settles only about as the law's first-order lag, and u reaches it.
            RecognisedEp &ep = points.front();
            ep.uVolume = std::hypot(ep.uVolume, (ep.volume - estimates.front()->volume) / 2);
            return;
        }
    }
    // One electrode reads the whole curve: a lag one EP only just shows while another shows
    // none is a shape the model misses there; a lag one EP shows clearly is the electrode's,
    // and a broad jump elsewhere that cannot show it trails all the same.
    const bool oneShowsNone = std::any_of(estimates.begin(), estimates.end(),
        [](const std::optional<Estimate> &e) { return e && e->evidence < WeakEvidence; });
    const auto showsClearly = [](const std::optional<Estimate> &e) {
        return e && e->tauSeconds && e->clear;
    };
    const Estimate *electrode = nullptr;
    for (const auto &e : estimates) {
        if (showsClearly(e) && (!electrode || e->evidence > electrode->evidence))
            electrode = &*e;
    }
    std::optional<EpAnalysis> undoneForElectrode;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const auto &e = estimates[k];
        const auto [lowest, highest] = ranges[k];
        RecognisedEp &ep = points[k];
        if (electrode && !showsClearly(e)) {
            if (!undoneForElectrode)
                undoneForElectrode = EpRecognition::recognise(
                    undone(readings, *electrode->tauSeconds), 1.0, recognised.reading);
            if (const RecognisedEp *nearest
                = nearestIn(*undoneForElectrode, ep.volume, lowest, highest)) {
                // The time constants this point's readings allow move it as far as that.
                ep.lagSeconds = electrode->tauSeconds;
                ep.uVolume = std::max(
                    ep.uVolume, std::hypot(nearest->uVolume, e ? e->uVolume : electrode->uFromTau));
                ep.volume = nearest->volume;
                ep.value = nearest->value;
                continue;
            }
        }
        if (!e)
            continue;
        if (e->tauSeconds && !e->clear && oneShowsNone) {
            ep.uVolume = std::hypot(ep.uVolume, (e->volume - ep.volume) / 2);
            continue;
        }
        if (!e->tauSeconds) {
            ep.uVolume = std::hypot(ep.uVolume, e->uVolume);
            continue;
        }
        ep.lagSeconds = *e->tauSeconds;
        ep.volume = e->volume;
        ep.value = e->value;
        ep.uVolume = std::max(ep.uVolume, e->uVolume);
        // The window fit above only tells the lag; the recognition on the undone curve chooses
        // the jump's model and window as it does for any curve.
        const EpAnalysis again
            = EpRecognition::recognise(undone(readings, *e->tauSeconds), 1.0, recognised.reading);
        if (const RecognisedEp *nearest = nearestIn(again, e->volume, lowest, highest)) {
            ep.volume = nearest->volume;
            ep.value = nearest->value;
            ep.uVolume
                = std::max(recognised.points[k].uVolume, std::hypot(nearest->uVolume, e->uFromTau));
        }
        if (!e->clear)
            moveHalfwayBack(ep, recognised.points[k]);
    }
}

std::optional<double> largestLag(const EpAnalysis &analysis)
{
    std::optional<double> largest;
    for (const RecognisedEp &ep : analysis.points) {
        if (ep.lagSeconds && (!largest || *ep.lagSeconds > *largest))
            largest = ep.lagSeconds;
    }
    return largest;
}

} // namespace LagCorrection
