#include "pkafit.h"

#include "evaluation/protonbalance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace PkaFit {

namespace {

// One standard deviation of the starting volume's prior, in ln V0: a factor of two. It only
// matters where the curve says nothing about the volume, and there the pKa does not depend on
// it either.
constexpr double StartVolumeSpread = 0.6931471805599453;
constexpr double Infinity = std::numeric_limits<double>::infinity();

struct Problem
{
    ProtonBalance balance;
    CurveSeries points; // the readings inside the regions' windows
    double noise = 1e-3; // pH, one reading
    double startGuess = TypicalStartVolume; // mL
    std::vector<double> low, high; // bounds of the parameters: each pKa, then ln V0
    std::vector<bool> free;

    std::size_t steps() const { return balance.ends.size() - 1; }

    // Weighted residuals: the readings, then the starting volume's prior.
    std::vector<double> residuals(const std::vector<double> &theta) const
    {
        const std::vector<double> pKa(theta.begin(), theta.end() - 1);
        const double startVolume = std::exp(theta.back());
        std::vector<double> r;
        r.reserve(points.size() + 1);
        for (const CurvePoint &p : points)
            r.push_back((balance.pH(p.volume, pKa, startVolume) - p.value) / noise);
        r.push_back((theta.back() - std::log(startGuess)) / StartVolumeSpread);
        return r;
    }
};

double squaredSum(const std::vector<double> &r)
{
    return std::inner_product(r.begin(), r.end(), r.begin(), 0.0);
}

// Solves A x = b for a small symmetric positive definite A (Cholesky); false when singular.
bool solve(std::vector<std::vector<double>> a, std::vector<double> &b)
{
    const std::size_t n = b.size();
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < j; ++k)
            a[j][j] -= a[j][k] * a[j][k];
        if (!(a[j][j] > 0))
            return false;
        a[j][j] = std::sqrt(a[j][j]);
        for (std::size_t i = j + 1; i < n; ++i) {
            for (std::size_t k = 0; k < j; ++k)
                a[i][j] -= a[i][k] * a[j][k];
            a[i][j] /= a[j][j];
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < i; ++k)
            b[i] -= a[i][k] * b[k];
        b[i] /= a[i][i];
    }
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t k = i + 1; k < n; ++k)
            b[i] -= a[k][i] * b[k];
        b[i] /= a[i][i];
    }
    return true;
}

struct Solution
{
    std::vector<double> theta;
    std::vector<double> variance; // of each parameter; infinite when not determined
};

// The Jacobian of the residuals in the free parameters, by central differences.
std::vector<std::vector<double>> jacobian(
    const Problem &problem, const std::vector<double> &theta, const std::vector<std::size_t> &free)
{
    std::vector<std::vector<double>> columns;
    for (std::size_t j : free) {
        constexpr double Step = 1e-5;
        std::vector<double> up = theta, down = theta;
        up[j] += Step;
        down[j] -= Step;
        const std::vector<double> a = problem.residuals(up), b = problem.residuals(down);
        std::vector<double> column(a.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            column[i] = (a[i] - b[i]) / (2 * Step);
        columns.push_back(std::move(column));
    }
    return columns;
}

std::vector<std::vector<double>> normalMatrix(const std::vector<std::vector<double>> &columns)
{
    const std::size_t n = columns.size();
    std::vector<std::vector<double>> a(n, std::vector<double>(n));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j)
            a[i][j] = a[j][i]
                = std::inner_product(columns[i].begin(), columns[i].end(), columns[j].begin(), 0.0);
    }
    return a;
}

// Levenberg-Marquardt within the bounds, from `theta`.
Solution minimise(const Problem &problem, std::vector<double> theta)
{
    std::vector<std::size_t> free;
    for (std::size_t j = 0; j < theta.size(); ++j) {
        if (problem.free[j])
            free.push_back(j);
    }
    std::vector<double> r = problem.residuals(theta);
    double cost = squaredSum(r);
    double lambda = 1e-3;
    for (int iteration = 0; iteration < 100 && lambda < 1e12; ++iteration) {
        const auto columns = jacobian(problem, theta, free);
        const auto a = normalMatrix(columns);
        std::vector<double> gradient(free.size());
        for (std::size_t i = 0; i < free.size(); ++i)
            gradient[i] = -std::inner_product(columns[i].begin(), columns[i].end(), r.begin(), 0.0);
        bool improved = false;
        while (!improved && lambda < 1e12) {
            auto damped = a;
            for (std::size_t i = 0; i < free.size(); ++i)
                damped[i][i] += lambda * std::max(a[i][i], 1e-12);
            std::vector<double> step = gradient;
            if (!solve(damped, step)) {
                lambda *= 10;
                continue;
            }
            std::vector<double> next = theta;
            for (std::size_t i = 0; i < free.size(); ++i) {
                const std::size_t j = free[i];
                next[j] = std::clamp(theta[j] + step[i], problem.low[j], problem.high[j]);
            }
            const std::vector<double> nextR = problem.residuals(next);
            const double nextCost = squaredSum(nextR);
            if (nextCost <= cost) {
                const double gain = cost - nextCost;
                theta = next;
                r = nextR;
                cost = nextCost;
                lambda = std::max(lambda / 5, 1e-9);
                improved = true;
                if (gain <= 1e-12 * std::max(cost, 1.0))
                    lambda = Infinity; // converged
            } else {
                lambda *= 5;
            }
        }
    }

    Solution solution {theta, std::vector<double>(theta.size(), Infinity)};
    // The covariance over the parameters not held by a bound; scaled up when the residuals
    // are larger than the noise estimate says (a model that fits less well than the noise).
    std::vector<std::size_t> inside;
    for (std::size_t j : free) {
        const double margin = 1e-6 * (problem.high[j] - problem.low[j]);
        if (theta[j] > problem.low[j] + margin && theta[j] < problem.high[j] - margin)
            inside.push_back(j);
    }
    if (inside.empty())
        return solution;
    const auto columns = jacobian(problem, theta, inside);
    const auto a = normalMatrix(columns);
    const double dataChi2 = cost - r.back() * r.back();
    const double dof = double(problem.points.size()) - double(inside.size());
    const double scale = dof > 0 ? std::max(1.0, dataChi2 / dof) : 1.0;
    for (std::size_t i = 0; i < inside.size(); ++i) {
        std::vector<double> unit(inside.size(), 0.0);
        unit[i] = 1;
        if (solve(a, unit))
            solution.variance[inside[i]] = unit[i] * scale;
    }
    return solution;
}

// The pH a series shows at `volume`, interpolated between its neighbours.
double valueAt(const CurveSeries &series, double volume)
{
    const auto after = std::lower_bound(series.begin(), series.end(), volume,
        [](const CurvePoint &p, double v) { return p.volume < v; });
    if (after == series.begin())
        return after->value;
    if (after == series.end())
        return series.back().value;
    const CurvePoint &a = *(after - 1), &b = *after;
    return a.value + (b.value - a.value) * (volume - a.volume) / (b.volume - a.volume);
}

} // namespace

std::vector<PkaValue> fit(const CurveSeries &series, const std::vector<RecognisedEp> &eps,
    const PkaConditions &conditions)
{
    const CurveSeries prepared = CurveSeriesTools::prepared(series);
    if (eps.empty() || prepared.size() < 5 || !(conditions.titrantConcentration > 0))
        return {};
    const bool rising = eps.front().steepness > 0;
    Problem problem;
    problem.balance.titrant = conditions.titrantConcentration;
    problem.balance.rising = rising;
    problem.balance.ends.push_back(0);
    for (const RecognisedEp &ep : eps) {
        // One titration in one direction, its steps one after the other.
        if ((ep.steepness > 0) != rising || !(ep.volume > problem.balance.ends.back()))
            return {};
        problem.balance.ends.push_back(ep.volume);
    }
    problem.noise = std::max(CurveSeriesTools::noiseEstimate(prepared), 1e-4);
    if (conditions.startVolume > 0)
        problem.startGuess = conditions.startVolume;

    const std::size_t steps = eps.size();
    const std::vector<double> &ends = problem.balance.ends;
    std::vector<double> theta(steps + 1);
    std::vector<double> firstValue(steps, 0);
    problem.low.assign(steps + 1, 0);
    problem.high.assign(steps + 1, 0);
    problem.free.assign(steps + 1, true);
    for (std::size_t k = 0; k < steps; ++k) {
        const double width = ends[k + 1] - ends[k];
        const double from = k == 0 ? -Infinity : ends[k] + EdgeShare * width;
        const double to = ends[k + 1] - EdgeShare * width;
        double lowest = Infinity, highest = -Infinity;
        int count = 0;
        for (const CurvePoint &p : prepared) {
            if (p.volume < from || p.volume > to)
                continue;
            if (count++ == 0)
                firstValue[k] = p.value;
            problem.points.push_back(p);
            lowest = std::min(lowest, p.value);
            highest = std::max(highest, p.value);
        }
        // The half-equivalence pH: the start, and the value held when the region is too short.
        theta[k] = valueAt(prepared, ends[k] + 0.5 * width);
        problem.free[k] = count >= 3;
        problem.low[k] = problem.free[k] ? lowest - 3 : theta[k];
        problem.high[k] = problem.free[k] ? highest + 3 : theta[k];
    }
    theta[steps] = std::log(problem.startGuess);
    problem.low[steps] = std::log(1.0);
    problem.high[steps] = std::log(5000.0);
    if (problem.points.size() < steps + 2)
        return {};

    const Solution best = minimise(problem, theta);
    std::vector<double> variance = best.variance;
    // Each EP's volume uncertainty, carried through a fit with the EP moved by +-u.
    for (std::size_t j = 0; j < steps; ++j) {
        const double u = eps[j].uVolume;
        if (!(u > 0))
            continue;
        Problem moved = problem;
        moved.balance.ends[j + 1] = ends[j + 1] + u;
        const Solution up = minimise(moved, best.theta);
        moved.balance.ends[j + 1] = ends[j + 1] - u;
        const Solution down = minimise(moved, best.theta);
        for (std::size_t k = 0; k < steps; ++k) {
            const double shift = 0.5 * (up.theta[k] - down.theta[k]);
            variance[k] += shift * shift;
        }
    }

    std::vector<PkaValue> values;
    for (std::size_t k = 0; k < steps; ++k) {
        if (!std::isfinite(variance[k]))
            continue; // held by a bound (a strong acid or base) or not fitted
        const double pKa = best.theta[k];
        // Still to be titrated at the region's first reading: the acid form (rising) or the
        // base form (falling).
        const double remaining = rising ? 1 / (1 + std::pow(10.0, firstValue[k] - pKa))
                                        : 1 / (1 + std::pow(10.0, pKa - firstValue[k]));
        if (remaining >= BufferShare)
            values.push_back({pKa, std::sqrt(variance[k])});
    }
    return values;
}

} // namespace PkaFit
