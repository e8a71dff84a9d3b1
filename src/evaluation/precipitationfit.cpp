#include "precipitationfit.h"

#include "evaluation/linearsystem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace PrecipitationFitter {

namespace {

// The vessel holds about this much besides the titrant where the readings leave it open, within
// this factor (one standard deviation of its logarithm).
constexpr double TypicalSampleVolume = 75; // mL
constexpr double SampleVolumeSpread = 0.7;
// The solubility's starting grid, ln K in the titrant's units: from far below any silver salt's
// to a barely soluble one, in steps the fit refines.
constexpr double LowestLnK = -90, HighestLnK = 0, LnKStep = 4;
constexpr int Iterations = 25;

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

struct Readings
{
    std::vector<double> volume;
    std::vector<double> value;
    std::vector<double> remainders; // a slow electrode's, one a reading; none: settled
};

// log10 of the free silver at each reading as the electrode shows it: passed through its lag,
// value_i = law_i + (value_i-1 - law_i) r_i. The offset passes unchanged, so only the logarithm
// is filtered.
std::vector<double> shownLogs(const Readings &r, const Nonlinear &p, int n)
{
    std::vector<double> logs(r.volume.size());
    for (std::size_t i = 0; i < logs.size(); ++i) {
        logs[i] = lnFreeSilver(r.volume[i], p, n) / std::log(10.0);
        if (i > 0 && !r.remainders.empty())
            logs[i] += (logs[i - 1] - logs[i]) * r.remainders[i];
    }
    return logs;
}

// The law's value for every reading, the offset and slope solved for, and what it leaves.
struct Projection
{
    std::vector<double> logs; // log10 of the free silver at each reading
    double offset = 0;
    double slope = 0;
    double sum = std::numeric_limits<double>::infinity(); // residual sum
};

Projection project(const Readings &r, const Nonlinear &p, int n)
{
    Projection out;
    const std::size_t count = r.volume.size();
    out.logs = shownLogs(r, p, n);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double l = out.logs[i];
        sx += l;
        sy += r.value[i];
        sxx += l * l;
        sxy += l * r.value[i];
    }
    const double det = double(count) * sxx - sx * sx;
    if (!(det > 0) || !std::isfinite(det))
        return out;
    out.slope = (double(count) * sxy - sx * sy) / det;
    out.offset = (sy - out.slope * sx) / double(count);
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double e = r.value[i] - out.offset - out.slope * out.logs[i];
        sum += e * e;
    }
    out.sum = sum;
    return out;
}

struct Trial
{
    Nonlinear p {};
    Projection projection;
    double objective = std::numeric_limits<double>::infinity(); // residual sum and prior
};

class Fitter
{
public:
    Fitter(const Readings &r, int n, double noise)
        : m_r(r)
        , m_n(n)
        , m_noise(noise)
    { }

    Trial at(const Nonlinear &p) const
    {
        Trial t;
        t.p = p;
        if (!(p[0] > m_r.volume.front() && p[0] < m_r.volume.back()) || !(p[2] >= 0 && p[2] <= 10))
            return t;
        t.projection = project(m_r, p, m_n);
        t.objective = t.projection.sum + prior(p) * prior(p);
        return t;
    }

    // Levenberg-Marquardt on the three nonlinear parameters, the linear ones projected out.
    Trial fit(double nearVolume) const
    {
        Trial best;
        for (double lnK = LowestLnK; lnK <= HighestLnK; lnK += LnKStep) {
            Trial t = at({nearVolume, lnK, std::log(TypicalSampleVolume)});
            if (t.objective < best.objective)
                best = std::move(t);
        }
        if (!std::isfinite(best.objective))
            return best;
        double lambda = 1e-3;
        for (int iteration = 0; iteration < Iterations; ++iteration) {
            const auto [jtj, gradient] = normalEquations(best);
            bool improved = false;
            for (int tries = 0; tries < 10 && !improved; ++tries) {
                auto damped = jtj;
                for (int k = 0; k < 3; ++k)
                    damped[k][k] *= 1 + lambda;
                std::array<double, 3> step = gradient;
                if (!LinearSystem::solve<3>(damped, step))
                    break;
                Nonlinear next = best.p;
                for (int k = 0; k < 3; ++k)
                    next[k] -= step[k];
                Trial t = at(next);
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

    // Ve's standard uncertainty: its element of the inverse normal matrix of all five
    // parameters (the offset and slope included), times the residual variance.
    double uVolume(const Trial &t, double variance) const
    {
        const std::size_t count = m_r.volume.size();
        const double slope = t.projection.slope;
        std::array<std::array<double, 5>, 5> jtj {};
        const std::array<double, 3> steps = stepsAt(t.p);
        std::array<std::vector<double>, 3> moved;
        for (std::size_t k = 0; k < 3; ++k) {
            Nonlinear p = t.p;
            p[k] += steps[k];
            moved[k] = shownLogs(m_r, p, m_n);
        }
        for (std::size_t i = 0; i < count; ++i) {
            std::array<double, 5> row {};
            for (std::size_t k = 0; k < 3; ++k)
                row[k] = slope * (moved[k][i] - t.projection.logs[i]) / steps[k];
            row[3] = 1;
            row[4] = t.projection.logs[i];
            for (std::size_t a = 0; a < 5; ++a) {
                for (std::size_t b = 0; b < 5; ++b)
                    jtj[a][b] += row[a] * row[b];
            }
        }
        jtj[2][2] += std::pow(m_noise / SampleVolumeSpread, 2);
        std::array<double, 5> unit {1, 0, 0, 0, 0};
        if (!LinearSystem::solve<5>(jtj, unit) || !(unit[0] > 0))
            return std::numeric_limits<double>::infinity();
        return std::sqrt(unit[0] * variance);
    }

private:
    double prior(const Nonlinear &p) const
    {
        return m_noise * (p[2] - std::log(TypicalSampleVolume)) / SampleVolumeSpread;
    }

    static std::array<double, 3> stepsAt(const Nonlinear &p) { return {1e-6 * p[0], 1e-5, 1e-5}; }

    // J'J and J'r of the projected residuals and the prior, by forward differences.
    std::pair<std::array<std::array<double, 3>, 3>, std::array<double, 3>> normalEquations(
        const Trial &t) const
    {
        const std::size_t count = m_r.volume.size();
        const auto residuals = [&](const Trial &at) {
            std::vector<double> r(count + 1);
            for (std::size_t i = 0; i < count; ++i)
                r[i] = m_r.value[i] - at.projection.offset
                    - at.projection.slope * at.projection.logs[i];
            r[count] = prior(at.p);
            return r;
        };
        const std::vector<double> r0 = residuals(t);
        const std::array<double, 3> steps = stepsAt(t.p);
        std::array<std::vector<double>, 3> columns;
        for (std::size_t k = 0; k < 3; ++k) {
            Nonlinear p = t.p;
            p[k] += steps[k];
            Trial moved;
            moved.p = p;
            moved.projection = project(m_r, p, m_n);
            const std::vector<double> r = residuals(moved);
            columns[k].resize(count + 1);
            for (std::size_t i = 0; i <= count; ++i)
                columns[k][i] = (r[i] - r0[i]) / steps[k];
        }
        std::array<std::array<double, 3>, 3> jtj {};
        std::array<double, 3> gradient {};
        for (std::size_t i = 0; i <= count; ++i) {
            for (std::size_t a = 0; a < 3; ++a) {
                gradient[a] += columns[a][i] * r0[i];
                for (std::size_t b = 0; b < 3; ++b)
                    jtj[a][b] += columns[a][i] * columns[b][i];
            }
        }
        return {jtj, gradient};
    }

    const Readings &m_r;
    int m_n;
    double m_noise;
};

constexpr int Parameters = 5;

Readings readingsOf(const CurveSeries &series)
{
    Readings r;
    for (const CurvePoint &p : series) {
        if (p.volume > 0) {
            r.volume.push_back(p.volume);
            r.value.push_back(p.value);
        }
    }
    return r;
}

// The fit's result; its u for the readings' noise, or for their misfit where that is larger
// (`byMisfit`).
PrecipitationFit resultOf(
    const Readings &r, const Trial &t, int n, double noise, double spread, bool byMisfit)
{
    PrecipitationFit out;
    out.volume = t.p[0];
    out.ionsPerAnion = n;
    out.residualVariance = t.projection.sum / (double(r.volume.size()) - Parameters);
    out.residualSum = t.objective;
    const double variance
        = byMisfit ? std::max(noise * noise, out.residualVariance) : noise * noise;
    out.uVolume = std::hypot(Fitter(r, n, noise).uVolume(t, variance), spread / 2);
    out.value = t.projection.offset
        + t.projection.slope * lnFreeSilver(out.volume, t.p, n) / std::log(10.0);
    return out;
}

} // namespace

std::optional<PrecipitationFit> fit(const CurveSeries &series, double nearVolume, double noise)
{
    const Readings r = readingsOf(series);
    if (int(r.volume.size()) < 3 * Parameters || !(noise > 0))
        return std::nullopt;
    struct Fitted
    {
        Trial trial;
        int n = 0;
    };
    std::vector<Fitted> fits;
    for (int n = 1; n <= LargestIonsPerAnion; ++n) {
        Trial t = Fitter(r, n, noise).fit(nearVolume);
        if (std::isfinite(t.objective))
            fits.push_back({std::move(t), n});
    }
    if (fits.empty())
        return std::nullopt;
    const Fitted &best = *std::min_element(fits.begin(), fits.end(),
        [](const Fitted &a, const Fitted &b) { return a.trial.objective < b.trial.objective; });
    double spread = 0;
    for (const Fitted &f : fits) {
        if (f.trial.objective <= best.trial.objective + AllowedRatioEvidence * noise * noise)
            spread = std::max(spread, std::abs(f.trial.p[0] - best.trial.p[0]));
    }
    PrecipitationFit out = resultOf(r, best.trial, best.n, noise, spread, true);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

std::optional<PrecipitationFit> fitLagged(const CurveSeries &readings, int ions, double nearVolume,
    double noise, const std::vector<double> &remainders)
{
    Readings r = readingsOf(readings);
    if (int(r.volume.size()) < 3 * Parameters || !(noise > 0)
        || remainders.size() != r.volume.size())
        return std::nullopt;
    r.remainders = remainders;
    const Trial t = Fitter(r, ions, noise).fit(nearVolume);
    if (!std::isfinite(t.objective))
        return std::nullopt;
    PrecipitationFit out = resultOf(r, t, ions, noise, 0, false);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    return out;
}

} // namespace PrecipitationFitter
