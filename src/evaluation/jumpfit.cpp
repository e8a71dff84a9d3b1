#include "jumpfit.h"

#include "evaluation/linearsystem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace JumpFitter {

namespace {

// The parameters in order: level, amplitude, drift, bend, centre, log width.
struct Window
{
    std::vector<double> x; // volume
    std::vector<double> y; // value
    ElectrodeLagging lagging; // how the electrode read them; none: settled
    // A parameter held near a typical value: one more residual, weight * (mean - p[index]),
    // with the weight the noise over the value's own spread.
    int priorIndex = -1;
    double priorMean = 0;
    double priorWeight = 0;
};

// Levenberg-Marquardt from `p`, whose residual sum is `sum`, for either jump model: `normal`
// gives the normal equations at a point, `sumOf` the residual sum (infinite where a point is
// not allowed). Leaves the best point in `p` and returns its sum.
template<int N, typename Normal, typename Sum>
double levenbergMarquardt(
    const Window &w, std::array<double, N> &p, double sum, const Normal &normal, const Sum &sumOf)
{
    using V = std::array<double, N>;
    using M = std::array<V, N>;
    double lambda = 1e-3;
    for (int iteration = 0; iteration < 200; ++iteration) {
        M jtj;
        V jtr;
        normal(w, p, jtj, jtr);
        bool improved = false;
        while (lambda < 1e12) {
            M damped = jtj;
            for (int a = 0; a < N; ++a)
                damped[a][a] += lambda * (jtj[a][a] > 0 ? jtj[a][a] : 1);
            V step = jtr;
            if (LinearSystem::solve<N>(damped, step)) {
                V trial;
                for (int a = 0; a < N; ++a)
                    trial[a] = p[a] + step[a];
                const double trialSum = sumOf(trial);
                if (trialSum < sum) {
                    const double gain = sum - trialSum;
                    p = trial;
                    sum = trialSum;
                    lambda = std::max(lambda / 10, 1e-12);
                    improved = gain > 1e-14 * (sum + 1e-300);
                    break;
                }
            }
            lambda *= 10;
        }
        if (!improved)
            break;
    }
    return sum;
}

// The fit of either jump model from its parameters (level, amplitude, drift, bend, centre, log
// width[, asymmetry]) and its normal matrix at them: the centre's variance is its element of the
// inverse normal matrix, times the noise.
template<int N>
std::optional<JumpFit> fitted(const Window &w, const std::array<double, N> &p,
    std::array<std::array<double, N>, N> jtj, double sum, double noise)
{
    std::array<double, N> unit {};
    unit[4] = 1;
    if (!LinearSystem::solve<N>(jtj, unit) || !(unit[4] > 0))
        return std::nullopt;
    JumpFit result;
    result.volume = p[4];
    result.level = p[0] + p[3] * std::exp(p[5]);
    result.amplitude = p[1];
    result.drift = p[2];
    result.bend = p[3];
    result.width = std::exp(p[5]);
    if constexpr (N > 6)
        result.asymmetry = p[6];
    if constexpr (N > 7)
        result.dilution = p[7];
    result.uVolume = noise * std::sqrt(unit[4]);
    result.residualRms = std::sqrt(sum / double(w.x.size()));
    result.count = int(w.x.size());
    return result;
}

// The points [first, last] of the series, read as `lagging` tells.
Window windowOf(
    const CurveSeries &series, int first, int last, const ElectrodeLagging &lagging = {})
{
    Window w;
    w.lagging = lagging;
    for (int i = first; i <= last; ++i) {
        w.x.push_back(series[std::size_t(i)].volume);
        w.y.push_back(series[std::size_t(i)].value);
    }
    return w;
}

// The best level, amplitude, drift and bend for a fixed centre and width (a linear least squares
// problem), and the residual sum.
double linearPart(const Window &w, double centre, double width, std::array<double, 4> &linear)
{
    // Each basis function as the electrode shows it, and each reading less what is left of the
    // reading before the window; passed to `use` point by point.
    const auto forEachPoint = [&](const auto &use) {
        std::array<double, 4> shown {};
        double left = w.lagging.before;
        for (std::size_t i = 0; i < w.x.size(); ++i) {
            const double d = w.x[i] - centre;
            std::array<double, 4> f
                = {1, std::asinh(d / width), d, std::sqrt(d * d + width * width)};
            double y = w.y[i];
            if (!w.lagging.remainders.empty()) {
                const double r = w.lagging.remainders[i];
                for (std::size_t k = 0; k < 4; ++k)
                    f[k] = shown[k] = (1 - r) * f[k] + r * shown[k];
                left *= r;
                y -= left;
            }
            use(f, y);
        }
    };
    std::array<std::array<double, 4>, 4> normal {};
    std::array<double, 4> rhs {};
    forEachPoint([&](const std::array<double, 4> &f, double y) {
        for (std::size_t r = 0; r < 4; ++r) {
            for (std::size_t c = 0; c < 4; ++c)
                normal[r][c] += f[r] * f[c];
            rhs[r] += f[r] * y;
        }
    });
    linear = rhs;
    if (!LinearSystem::solve<4>(normal, linear))
        return std::numeric_limits<double>::infinity();
    double sum = 0;
    forEachPoint([&](const std::array<double, 4> &f, double y) {
        double r = y;
        for (std::size_t k = 0; k < 4; ++k)
            r -= linear[k] * f[k];
        sum += r * r;
    });
    return sum;
}

using Vector = std::array<double, Parameters>;
using Matrix = std::array<Vector, Parameters>;

double model(const Vector &p, double x, Vector *gradient)
{
    const double width = std::exp(p[5]);
    const double d = x - p[4];
    const double u = d / width;
    const double root = std::sqrt(1 + u * u);
    if (gradient) {
        (*gradient)[0] = 1;
        (*gradient)[1] = std::asinh(u);
        (*gradient)[2] = d;
        (*gradient)[3] = width * root;
        (*gradient)[4] = -p[1] / (width * root) - p[2] - p[3] * u / root;
        (*gradient)[5] = -p[1] * u / root + p[3] * width / root;
    }
    return p[0] + p[1] * std::asinh(u) + p[2] * d + p[3] * width * root;
}

// The model's value at each point as the electrode shows it, and when asked its gradient so.
template<int N, typename Model>
class ShownModel
{
public:
    ShownModel(const Window &w, const std::array<double, N> &p, const Model &model)
        : m_w(w)
        , m_p(p)
        , m_model(model)
        , m_shown(w.lagging.before)
    { }

    double at(std::size_t i, std::array<double, N> *gradient)
    {
        const double value = m_model(m_p, m_w.x[i], gradient);
        if (m_w.lagging.remainders.empty())
            return value;
        const double r = m_w.lagging.remainders[i];
        m_shown = (1 - r) * value + r * m_shown;
        if (gradient) {
            for (std::size_t a = 0; a < std::size_t(N); ++a)
                (*gradient)[a] = m_shownGradient[a]
                    = (1 - r) * (*gradient)[a] + r * m_shownGradient[a];
        }
        return m_shown;
    }

private:
    const Window &m_w;
    const std::array<double, N> &m_p;
    const Model &m_model;
    double m_shown;
    std::array<double, N> m_shownGradient {};
};

// The residual sum of either model at p.
template<int N, typename Model>
double residualSumOf(const Window &w, const std::array<double, N> &p, const Model &model)
{
    double sum = 0;
    ShownModel<N, Model> shown(w, p, model);
    for (std::size_t i = 0; i < w.x.size(); ++i) {
        const double r = w.y[i] - shown.at(i, nullptr);
        sum += r * r;
    }
    if (w.priorIndex >= 0) {
        const double r = w.priorWeight * (w.priorMean - p[std::size_t(w.priorIndex)]);
        sum += r * r;
    }
    return sum;
}

// Normal matrix J'J and gradient J'r of either model at p.
template<int N, typename Model>
void normalEquationsOf(const Window &w, const std::array<double, N> &p,
    std::array<std::array<double, N>, N> &jtj, std::array<double, N> &jtr, const Model &model)
{
    jtj = {};
    jtr = {};
    std::array<double, N> g;
    ShownModel<N, Model> shown(w, p, model);
    for (std::size_t i = 0; i < w.x.size(); ++i) {
        const double r = w.y[i] - shown.at(i, &g);
        for (int a = 0; a < N; ++a) {
            jtr[a] += g[a] * r;
            for (int b = 0; b < N; ++b)
                jtj[a][b] += g[a] * g[b];
        }
    }
    if (w.priorIndex >= 0) {
        const std::size_t k = std::size_t(w.priorIndex);
        jtr[k] += w.priorWeight * w.priorWeight * (w.priorMean - p[k]);
        jtj[k][k] += w.priorWeight * w.priorWeight;
    }
}

double residualSum(const Window &w, const Vector &p)
{
    return residualSumOf<Parameters>(w, p, model);
}

void normalEquations(const Window &w, const Vector &p, Matrix &jtj, Vector &jtr)
{
    normalEquationsOf<Parameters>(w, p, jtj, jtr, model);
}

} // namespace

std::optional<JumpFit> fit(const CurveSeries &series, int first, int last, double lowVolume,
    double highVolume, double noise, const ElectrodeLagging &lagging)
{
    if (first < 0 || last >= int(series.size()) || last - first + 1 < Parameters + 2
        || !(highVolume > lowVolume))
        return std::nullopt;
    const Window w = windowOf(series, first, last, lagging);
    const double spacing = (w.x.back() - w.x.front()) / double(w.x.size() - 1);

    // Start from the best point of a grid over centre and width (the linear parameters solved
    // exactly at each), so the iteration begins in the right valley.
    constexpr int CentreSteps = 40;
    constexpr int WidthSteps = 24;
    Vector best {};
    double bestSum = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= CentreSteps; ++i) {
        const double centre = lowVolume + (highVolume - lowVolume) * i / CentreSteps;
        for (int j = 0; j <= WidthSteps; ++j) {
            const double logWidth = std::log(spacing)
                + std::log(1e-4) * (1 - double(j) / WidthSteps)
                + std::log(20.0) * double(j) / WidthSteps;
            std::array<double, 4> linear;
            const double sum = linearPart(w, centre, std::exp(logWidth), linear);
            if (sum < bestSum) {
                bestSum = sum;
                best = {linear[0], linear[1], linear[2], linear[3], centre, logWidth};
            }
        }
    }
    if (!std::isfinite(bestSum))
        return std::nullopt;

    // Levenberg-Marquardt on all six parameters.
    Vector p = best;
    const double sum = levenbergMarquardt<Parameters>(
        w, p, bestSum, normalEquations, [&w](const Vector &q) { return residualSum(w, q); });
    if (!(p[4] >= lowVolume && p[4] <= highVolume) || !std::isfinite(sum))
        return std::nullopt;

    Matrix jtj;
    Vector jtr;
    normalEquations(w, p, jtj, jtr);
    return fitted<Parameters>(w, p, jtj, sum, noise);
}

double asymmetricShape(double x, double asymmetry)
{
    // h(-x, a) = -h(x, -a): solve for x >= 0 only, in t = h / p, where
    // exp(t) - exp(-t p^2) = 2x has its root between 0 and log(1 + 2x).
    if (x < 0)
        return -asymmetricShape(-x, -asymmetry);
    const double p = std::exp(asymmetry);
    const double s = p * p;
    double low = 0, high = std::log1p(2 * x);
    double t = std::min(high, std::asinh(x));
    for (int i = 0; i < 100; ++i) {
        const double g = std::exp(t) - std::exp(-t * s) - 2 * x;
        if (g > 0)
            high = t;
        else
            low = t;
        const double slope = std::exp(t) + s * std::exp(-t * s);
        double next = t - g / slope;
        if (!(next > low && next < high))
            next = 0.5 * (low + high);
        if (std::abs(next - t) <= 1e-15 * (1 + std::abs(t)))
            return next * p;
        t = next;
    }
    return t * p;
}

double asymmetricSteepestSlope(double asymmetry)
{
    // dx/dh = (exp(h / p) / p + p exp(-h p)) / 2 is least where exp(h (p + 1 / p)) = p^4.
    const double p = std::exp(asymmetry);
    const double h = 4 * std::log(p) / (p + 1 / p);
    return 2 / (std::exp(h / p) / p + p * std::exp(-h * p));
}

namespace {

// The parameters in order: level, amplitude, drift, bend, centre, log width, asymmetry.
constexpr int AsymmetricParameters = 7;
using Vector7 = std::array<double, AsymmetricParameters>;
using Matrix7 = std::array<Vector7, AsymmetricParameters>;

// The derivatives of asymmetricShape's value h by its argument and by the asymmetry `a`, from
// its defining equation F(h, x, a) = 0 as -dF/dx / dF/dh and -dF/da / dF/dh.
std::pair<double, double> shapeDerivatives(double h, double a)
{
    const double q = std::exp(a);
    const double rising = std::exp(h / q), falling = std::exp(-h * q);
    const double dh = (rising / q + q * falling) / 2;
    return {1 / dh, ((h / q) * rising - h * q * falling) / 2 / dh};
}

// The model and, when asked, its gradient.
double asymmetricModel(const Vector7 &p, double x, Vector7 *gradient)
{
    const double width = std::exp(p[5]);
    const double d = x - p[4];
    const double u = d / width;
    const double h = asymmetricShape(u, p[6]);
    const double root = std::sqrt(d * d + width * width);
    if (gradient) {
        const auto [hx, ha] = shapeDerivatives(h, p[6]);
        (*gradient)[0] = 1;
        (*gradient)[1] = h;
        (*gradient)[2] = d;
        (*gradient)[3] = root;
        (*gradient)[4] = -p[1] * hx / width - p[2] - p[3] * d / root;
        (*gradient)[5] = -p[1] * hx * u + p[3] * width * width / root;
        (*gradient)[6] = p[1] * ha;
    }
    return p[0] + p[1] * h + p[2] * d + p[3] * root;
}

// Beyond this the amplitude on one side is e^6 = 400 times the other's: a cap, not a jump.
constexpr double LargestAsymmetry = 3;

// The parameters of the logarithmic model: the seven of the asymmetric one, of which drift and
// bend stay zero, and the dilution k: the titrant in excess is proportional to d / (1 + k d),
// d = V - centre, with k the inverse of the volume in the vessel at the centre. Its gradient as
// asymmetricModel's.
constexpr int LogarithmicAll = 8;
constexpr double TypicalSampleVolume = 75; // mL
using Vector8 = std::array<double, LogarithmicAll>;

double logarithmicModel(const Vector8 &p, double x, Vector8 *gradient)
{
    const double width = std::exp(p[5]);
    const double d = x - p[4];
    const double diluted = 1 + p[7] * d;
    const double u = d / (width * diluted);
    const double h = asymmetricShape(u, p[6]);
    if (gradient) {
        const auto [hx, ha] = shapeDerivatives(h, p[6]);
        (*gradient)[0] = 1;
        (*gradient)[1] = h;
        (*gradient)[2] = 0;
        (*gradient)[3] = 0;
        (*gradient)[4] = -p[1] * hx / (width * diluted * diluted);
        (*gradient)[5] = -p[1] * hx * u;
        (*gradient)[6] = p[1] * ha;
        (*gradient)[7] = -p[1] * hx * d * d / (width * diluted * diluted);
    }
    return p[0] + p[1] * h;
}

// Either model fitted from `start`, and also from the asymmetries in `leans`; the parameters
// marked in `fixed` keep their start values; parameters `allowed` rejects are never taken.
template<int N, typename Model, typename Allowed>
std::optional<JumpFit> fitFrom(const Window &w, const std::array<double, N> &start,
    const std::vector<double> &leans, const std::array<bool, N> &fixed, const Model &model,
    const Allowed &allowed, double lowVolume, double highVolume, double noise)
{
    using V = std::array<double, N>;
    using M = std::array<V, N>;
    const auto normal = [&](const Window &w, const V &p, M &jtj, V &jtr) {
        normalEquationsOf<N>(w, p, jtj, jtr, model);
        for (std::size_t k = 0; k < std::size_t(N); ++k) {
            if (!fixed[k])
                continue;
            for (std::size_t a = 0; a < std::size_t(N); ++a)
                jtj[k][a] = jtj[a][k] = 0;
            jtj[k][k] = 1;
            jtr[k] = 0;
        }
    };
    const auto sumOf = [&](const V &trial) {
        return allowed(trial) ? residualSumOf<N>(w, trial, model)
                              : std::numeric_limits<double>::infinity();
    };
    V p = start;
    double sum = std::numeric_limits<double>::infinity();
    for (double lean : leans) {
        V q = start;
        q[6] = lean;
        const double qSum = levenbergMarquardt<N>(w, q, sumOf(q), normal, sumOf);
        if (qSum < sum) {
            sum = qSum;
            p = q;
        }
    }
    if (!(p[4] >= lowVolume && p[4] <= highVolume) || !std::isfinite(sum))
        return std::nullopt;

    M jtj;
    V jtr;
    normal(w, p, jtj, jtr);
    return fitted<N>(w, p, jtj, sum, noise);
}

// From a symmetric fit, also leaning either way: the centre moves far when one side is much
// steeper. From an asymmetric one, as it is.
std::vector<double> leansFrom(const JumpFit &start)
{
    return start.asymmetry == 0 ? std::vector<double> {0.0, -1.0, 1.0}
                                : std::vector<double> {start.asymmetry};
}

} // namespace

std::optional<JumpFit> fitAsymmetric(const CurveSeries &series, int first, int last,
    double lowVolume, double highVolume, double noise, const JumpFit &start,
    const ElectrodeLagging &lagging)
{
    if (first < 0 || last >= int(series.size()) || last - first + 1 < AsymmetricParameters + 2
        || !(highVolume > lowVolume))
        return std::nullopt;
    const Vector7 from = {start.level - start.bend * start.width, start.amplitude, start.drift,
        start.bend, start.volume, std::log(start.width), start.asymmetry};
    return fitFrom<AsymmetricParameters>(
        windowOf(series, first, last, lagging), from, leansFrom(start), {}, asymmetricModel,
        [](const Vector7 &p) { return std::abs(p[6]) <= LargestAsymmetry; }, lowVolume, highVolume,
        noise);
}

std::optional<JumpFit> fitLogarithmic(const CurveSeries &series, int first, int last,
    double lowVolume, double highVolume, double noise, const JumpFit &start, bool asymmetric,
    const ElectrodeLagging &lagging)
{
    if (first < 0 || last >= int(series.size()) || last - first + 1 < LogarithmicParameters + 3
        || !(highVolume > lowVolume))
        return std::nullopt;
    Window w = windowOf(series, first, last, lagging);
    // The vessel usually holds some 50 to 100 mL besides the titrant: the readings decide the
    // dilution where they can, a noisy jump keeps it near that.
    w.priorIndex = 7;
    w.priorMean = 1 / (start.volume + TypicalSampleVolume);
    w.priorWeight = noise / w.priorMean;
    const Vector8 from = {start.level - start.bend * start.width, start.amplitude, 0, 0,
        start.volume, std::log(start.width), asymmetric ? start.asymmetry : 0, w.priorMean};
    const std::array<bool, LogarithmicAll> fixed
        = {false, false, true, true, false, false, !asymmetric, false};
    // The vessel holds more than the titrant in excess at either end of the window.
    const auto allowed = [&w](const Vector8 &p) {
        return std::abs(p[6]) <= LargestAsymmetry && 1 + p[7] * (w.x.front() - p[4]) > 0
            && 1 + p[7] * (w.x.back() - p[4]) > 0;
    };
    return fitFrom<LogarithmicAll>(w, from,
        asymmetric ? leansFrom(start) : std::vector<double> {0.0}, fixed, logarithmicModel, allowed,
        lowVolume, highVolume, noise);
}

Asymmetry asymmetryShown(
    const JumpFit &symmetric, const JumpFit &asymmetric, double noise, bool narrow)
{
    if (!(std::abs(asymmetric.asymmetry) >= SmallestAsymmetry))
        return Asymmetry::None;
    const double variance = std::max(noise * noise,
        sumOfSquaredResiduals(asymmetric) / std::max(1, asymmetric.count - AsymmetricParameters));
    const double evidence
        = (sumOfSquaredResiduals(symmetric) - sumOfSquaredResiduals(asymmetric)) / variance;
    if (narrow)
        return evidence > AsymmetryEvidence ? Asymmetry::Shown : Asymmetry::Hinted;
    return evidence > AsymmetryEvidence && asymmetric.residualRms <= BroadJumpFit * noise
        ? Asymmetry::Shown
        : Asymmetry::None;
}

bool logarithmicFitPlausible(const JumpFit &f)
{
    const double titrantFraction = f.dilution * f.volume;
    return std::abs(f.asymmetry) >= SmallestAsymmetry && titrantFraction >= 0
        && titrantFraction <= LargestTitrantFraction;
}

bool logarithmicAsymmetryShown(const JumpFit &symmetric, const JumpFit &logarithmicSymmetric,
    const JumpFit &logarithmicAsymmetric, double noise)
{
    if (!logarithmicFitPlausible(logarithmicAsymmetric))
        return false;
    const double variance = noise * noise;
    const double sides = (sumOfSquaredResiduals(logarithmicSymmetric)
                             - sumOfSquaredResiduals(logarithmicAsymmetric))
        / variance;
    const double flanks
        = (sumOfSquaredResiduals(logarithmicAsymmetric) - sumOfSquaredResiduals(symmetric))
        / variance;
    return sides > AsymmetryEvidence && flanks <= LogarithmicFlanks;
}

double sumOfSquaredResiduals(const JumpFit &fit)
{
    return fit.residualRms * fit.residualRms * fit.count;
}

double valueAt(const JumpFit &fit, double volume)
{
    const double d = volume - fit.volume;
    const double x = d / (fit.width * (1 + fit.dilution * d));
    const double shape = fit.asymmetry == 0 ? std::asinh(x) : asymmetricShape(x, fit.asymmetry);
    return fit.level - fit.bend * fit.width + fit.amplitude * shape + fit.drift * d
        + fit.bend * std::sqrt(d * d + fit.width * fit.width);
}

} // namespace JumpFitter
