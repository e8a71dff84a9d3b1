#pragma once

#include "evaluation/curveseries.h"
#include "evaluation/linearsystem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

// A law of a whole titration curve fitted to its readings. The electrode shows
//
//     value = offset + slope * shape(volume; p)
//
// with a few parameters p that the readings hold nonlinearly (the equivalence volume first);
// the offset and slope follow from them by linear least squares, so Levenberg-Marquardt only
// searches p. A slow electrode passes the shape through its lag: each reading shows the law plus
// remainders[i] of the difference at the reading before. The offset passes a first-order lag
// unchanged, so only the shape is filtered and the offset and slope stay linear.
//
// A Law provides `Count` (the size of p), `bool inside(p)`, `double shapeAt(volume, p)` and
// `shapesAt(volumes, p)` (along rising volumes, where it can carry each solution to the next),
// `double prior(p)` (a residual in the readings' units; 0 for none) and `steps(p)` (the
// parameters' steps for forward differences).
// What a law of the whole curve gives: its equivalence point and how closely it follows the
// readings.
struct LawPoint
{
    double volume = 0; // Ve, mL
    double uVolume = 0; // its standard uncertainty, mL
    double value = 0; // the electrode's value at Ve
    double residualVariance = 0; // residual sum over the degrees of freedom
    double residualSum = 0; // the readings' and any prior's
};

namespace CurveLawFit {

// A law is the curve's where it leaves at most this many noise variances per degree of freedom:
// three standard deviations of that ratio above one on 20 readings.
constexpr double FollowsTheCurve = 2;

// How a prepared series' reading at 0 mL stands to a law.
enum class AtStart {
    Dropped, // no law holds there: a potential is set by whatever the sample held before the first
             // drop
    OnTheLaw, // the law holds there too
    // No law holds there, but the electrode had settled to it before the first drop, so a slow
    // electrode's first readings trail from it rather than from the law.
    StartsTheLag,
};

struct Readings
{
    std::vector<double> volume;
    std::vector<double> value;
    std::vector<double> remainders; // a slow electrode's, one a reading; none: settled
    // Where a reading before the first starts the lag: that reading, and what each reading
    // still shows of it (none: the first reading is the law's, settled).
    double start = 0;
    std::vector<double> startShares;

    double settledShare(std::size_t i) const
    {
        return startShares.empty() ? 1.0 : 1 - startShares[i];
    }
    // What is left at reading i of the law's value `offset + slope * shape` under the lag.
    double residual(std::size_t i, double offset, double slope, double shape) const
    {
        const double fromStart = startShares.empty() ? 0.0 : startShares[i] * start;
        return value[i] - fromStart - offset * settledShare(i) - slope * shape;
    }
};

struct Projection
{
    std::vector<double> shape; // at each reading, as the electrode shows it
    double offset = 0;
    double slope = 0;
    double sum = std::numeric_limits<double>::infinity(); // residual sum of the readings
};

template<int N>
struct Trial
{
    std::array<double, N> p {};
    Projection projection;
    double objective = std::numeric_limits<double>::infinity(); // residual sum and prior
};

// The readings of a prepared series past its start, and the one at 0 mL as `atStart` says, with
// a slow electrode's remainders where given, one a reading (the one at 0 mL included where it
// starts the lag). None where they are too few for a law with `parameters` parameters in all
// (three readings a parameter), the noise is no noise, or the remainders do not match.
inline std::optional<Readings> readingsFor(const CurveSeries &series, int parameters, double noise,
    const std::vector<double> *remainders = nullptr, AtStart atStart = AtStart::Dropped)
{
    Readings r;
    std::optional<double> start;
    for (const CurvePoint &p : series) {
        const bool first = p.volume == 0 && r.volume.empty();
        if (p.volume > 0 || (atStart == AtStart::OnTheLaw && first)) {
            r.volume.push_back(p.volume);
            r.value.push_back(p.value);
        } else if (atStart == AtStart::StartsTheLag && first && remainders) {
            start = p.value;
        }
    }
    if (int(r.volume.size()) < 3 * parameters || !(noise > 0))
        return std::nullopt;
    if (remainders) {
        const std::size_t skipped = start ? 1 : 0;
        if (remainders->size() != r.volume.size() + skipped)
            return std::nullopt;
        r.remainders.assign(remainders->begin() + std::ptrdiff_t(skipped), remainders->end());
        if (start) {
            r.start = *start;
            double share = 1;
            for (const double remainder : r.remainders)
                r.startShares.push_back(share *= remainder);
        }
    }
    return r;
}

// The offset and slope for given shape values, and what they leave.
inline Projection project(const Readings &r, std::vector<double> shape)
{
    Projection out;
    out.shape = std::move(shape);
    const std::size_t count = r.volume.size();
    // Least squares in each reading's settled share u and its shape l.
    double suu = 0, sul = 0, sll = 0, suy = 0, sly = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double u = r.settledShare(i);
        const double l = out.shape[i];
        const double y = r.residual(i, 0, 0, 0);
        suu += u * u;
        sul += u * l;
        sll += l * l;
        suy += u * y;
        sly += l * y;
    }
    const double det = suu * sll - sul * sul;
    if (!(det > 0) || !std::isfinite(det))
        return out;
    out.slope = (suu * sly - sul * suy) / det;
    out.offset = (suy - out.slope * sul) / suu;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double e = r.residual(i, out.offset, out.slope, out.shape[i]);
        sum += e * e;
    }
    out.sum = sum;
    return out;
}

// The fit with the smallest objective among those of rival discrete models (a ratio of ions or
// of electrons), and how far the first parameter of every rival within `allowance` of it lies
// from its own: the readings cannot tell those apart, so u reaches them. None without a finite
// fit.
template<int N>
std::optional<std::pair<std::size_t, double>> bestAndSpread(
    const std::vector<Trial<N>> &trials, double allowance)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        if (std::isfinite(trials[i].objective)
            && (!best || trials[i].objective < trials[*best].objective))
            best = i;
    }
    if (!best)
        return std::nullopt;
    double spread = 0;
    for (const Trial<N> &t : trials) {
        if (t.objective <= trials[*best].objective + allowance)
            spread = std::max(spread, std::abs(t.p[0] - trials[*best].p[0]));
    }
    return std::pair(*best, spread);
}

template<class Law>
class Fitter
{
public:
    static constexpr int N = Law::Count;
    using Parameters = std::array<double, N>;
    static constexpr int AllParameters = N + 2; // the offset and slope besides p
    static constexpr int Iterations = 25;

    Fitter(const Readings &r, const Law &law)
        : m_r(r)
        , m_law(law)
    { }

    // The law's shape at every reading, passed through the electrode's lag where it has one.
    std::vector<double> shown(const Parameters &p) const
    {
        std::vector<double> shape = m_law.shapesAt(m_r.volume, p);
        if (!m_r.remainders.empty()) {
            // From a start, the lag's offset and start parts are the projection's.
            if (!m_r.startShares.empty() && !shape.empty())
                shape[0] *= 1 - m_r.remainders[0];
            for (std::size_t i = 1; i < shape.size(); ++i)
                shape[i] += (shape[i - 1] - shape[i]) * m_r.remainders[i];
        }
        return shape;
    }

    Trial<N> at(const Parameters &p) const
    {
        Trial<N> t;
        t.p = p;
        if (!m_law.inside(p))
            return t;
        t.projection = project(m_r, shown(p));
        const double prior = m_law.prior(p);
        t.objective = t.projection.sum + prior * prior;
        return t;
    }

    // The best of `starts`, as they stand.
    Trial<N> bestOf(const std::vector<Parameters> &starts) const
    {
        Trial<N> best;
        for (const Parameters &p : starts) {
            Trial<N> t = at(p);
            if (t.objective < best.objective)
                best = std::move(t);
        }
        return best;
    }

    // Levenberg-Marquardt from the best of `starts`.
    Trial<N> fitFrom(const std::vector<Parameters> &starts, int iterations = Iterations) const
    {
        return refine(bestOf(starts), iterations);
    }

    // Levenberg-Marquardt from `best`, the linear parameters projected out, for at most
    // `iterations` steps.
    Trial<N> refine(Trial<N> best, int iterations = Iterations) const
    {
        if (!std::isfinite(best.objective))
            return best;
        double lambda = 1e-3;
        for (int iteration = 0; iteration < iterations; ++iteration) {
            const auto [jtj, gradient] = normalEquations(best);
            bool improved = false;
            for (int tries = 0; tries < 10 && !improved; ++tries) {
                auto damped = jtj;
                for (int k = 0; k < N; ++k)
                    damped[k][k] *= 1 + lambda;
                Parameters step = gradient;
                if (!LinearSystem::solve<N>(damped, step))
                    break;
                Parameters next = best.p;
                for (int k = 0; k < N; ++k)
                    next[k] -= step[k];
                Trial<N> t = at(next);
                if (t.objective < best.objective) {
                    const bool converged = best.objective - t.objective < 1e-6 * best.objective;
                    best = std::move(t);
                    lambda = std::max(lambda / 10, 1e-9);
                    improved = !converged;
                    if (converged)
                        return best;
                } else {
                    lambda *= 10;
                }
            }
            if (!improved)
                break;
        }
        return best;
    }

    // The first parameter's standard uncertainty: its element of the inverse normal matrix of
    // all parameters (the offset and slope included), times the residual variance.
    double uFirst(const Trial<N> &t, double variance) const
    {
        constexpr int All = AllParameters;
        const std::size_t count = m_r.volume.size();
        const double slope = t.projection.slope;
        std::array<std::array<double, All>, All> jtj {};
        const Parameters steps = m_law.steps(t.p);
        std::array<std::vector<double>, N> moved;
        std::array<double, All> priorRow {};
        const double prior = m_law.prior(t.p);
        for (int k = 0; k < N; ++k) {
            Parameters p = t.p;
            p[k] += steps[k];
            moved[k] = shown(p);
            priorRow[k] = (m_law.prior(p) - prior) / steps[k];
        }
        const auto add = [&jtj](const std::array<double, All> &row) {
            for (int a = 0; a < All; ++a) {
                for (int b = 0; b < All; ++b)
                    jtj[a][b] += row[a] * row[b];
            }
        };
        for (std::size_t i = 0; i < count; ++i) {
            std::array<double, All> row {};
            for (int k = 0; k < N; ++k)
                row[k] = slope * (moved[k][i] - t.projection.shape[i]) / steps[k];
            row[N] = m_r.settledShare(i);
            row[N + 1] = t.projection.shape[i];
            add(row);
        }
        add(priorRow);
        std::array<double, All> unit {};
        unit[0] = 1;
        if (!LinearSystem::solve<All>(jtj, unit) || !(unit[0] > 0))
            return std::numeric_limits<double>::infinity();
        return std::sqrt(unit[0] * variance);
    }

    // The fit's point: Ve with its u for the readings' noise, or for their misfit where that is
    // larger (`byMisfit`), widened to reach rival models `spread` away.
    LawPoint pointOf(const Trial<N> &t, double noise, double spread, bool byMisfit) const
    {
        LawPoint out;
        out.volume = t.p[0];
        out.residualVariance = t.projection.sum / (double(m_r.volume.size()) - AllParameters);
        out.residualSum = t.objective;
        const double variance
            = byMisfit ? std::max(noise * noise, out.residualVariance) : noise * noise;
        out.uVolume = std::hypot(uFirst(t, variance), spread / 2);
        out.value = valueAt(t, out.volume);
        return out;
    }

    // The electrode's value the law gives at `volume`, settled.
    double valueAt(const Trial<N> &t, double volume) const
    {
        return t.projection.offset + t.projection.slope * m_law.shapeAt(volume, t.p);
    }

private:
    // J'J and J'r of the projected residuals and the prior, by forward differences.
    std::pair<std::array<Parameters, N>, Parameters> normalEquations(const Trial<N> &t) const
    {
        const std::size_t count = m_r.volume.size();
        const auto residuals = [&](const Trial<N> &at) {
            std::vector<double> r(count + 1);
            for (std::size_t i = 0; i < count; ++i)
                r[i] = m_r.residual(
                    i, at.projection.offset, at.projection.slope, at.projection.shape[i]);
            r[count] = m_law.prior(at.p);
            return r;
        };
        const std::vector<double> r0 = residuals(t);
        const Parameters steps = m_law.steps(t.p);
        std::array<std::vector<double>, N> columns;
        for (int k = 0; k < N; ++k) {
            Trial<N> moved;
            moved.p = t.p;
            moved.p[k] += steps[k];
            moved.projection = project(m_r, shown(moved.p));
            const std::vector<double> r = residuals(moved);
            columns[k].resize(count + 1);
            for (std::size_t i = 0; i <= count; ++i)
                columns[k][i] = (r[i] - r0[i]) / steps[k];
        }
        std::array<Parameters, N> jtj {};
        Parameters gradient {};
        for (std::size_t i = 0; i <= count; ++i) {
            for (int a = 0; a < N; ++a) {
                gradient[a] += columns[a][i] * r0[i];
                for (int b = 0; b < N; ++b)
                    jtj[a][b] += columns[a][i] * columns[b][i];
            }
        }
        return {jtj, gradient};
    }

    const Readings &m_r;
    const Law &m_law;
};

} // namespace CurveLawFit
