#include "eprecognition.h"

#include "evaluation/curvelawfit.h"
#include "evaluation/jumpfit.h"
#include "evaluation/precipitationfit.h"
#include "evaluation/redoxfit.h"
#include "evaluation/twoprecipitatesfit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

namespace EpRecognition {

namespace {

// Slopes are looked at over 1 to 8 steps: one step resolves a sharp jump, several steps lift a
// broad one out of the noise.
constexpr int Scales[] = {1, 2, 3, 4, 6, 8};
// Where none of them shows a jump, a jump broader than eight fine steps may still stand out
// over more.
constexpr int BroadScales[] = {12, 16, 24};
// Points fitted on either side of the steepest step, tried from narrow to wide.
constexpr int HalfWindows[] = {6, 9, 13, 19, 28, 40, 56};
// The windows past the first `CoarseWindows` serve fine steps, whose jumps span many points.
// They are tried only while they reach no further than this fraction of the centre's volume to
// either side: the local model does not hold over much more of the curve.
constexpr int CoarseWindows = 5;
constexpr double WideReach = 0.3;
// A window must hold the jump: its span at least this many fitted widths.
constexpr double SpanWidths = 4;
// A wider fit is taken while its centre lies within this many standard uncertainties of each
// narrower fit's.
constexpr double Agreement = 3;
// The smallest uncertainty, in steps: what is left of the model's own error on exact readings.
constexpr double ModelFloor = 1e-3;
// The asymmetric model's own error is larger: its flanks are logarithms of the distance alone,
// where the curve's also bend with the fraction titrated (exact readings: about 0.01 step).
constexpr double AsymmetricModelError = 0.015;
// A precipitation's law of unequal charges that leaves up to this many noise variances per
// degree of freedom of a potential curve does not hold it, but its point is a second estimate
// of the one EP: a curve of few readings (dynamic steps) can show less noise than it has, and
// jump models miss such broad jumps. (A weak acid can come as close to the law of one ion.)
constexpr double NearlyFollows = 8;

struct Candidate
{
    int first = 0; // the step runs from point `first` to point `first + scale`
    int scale = 1;
    double significance = 0;
    double steepness = 0; // signed slope of the step
};

struct Slopes
{
    std::vector<double> slope;
    std::vector<double> sigma;
};

Slopes slopesOver(const CurveSeries &s, int scale, double noise)
{
    Slopes out;
    for (std::size_t i = 0; i + std::size_t(scale) < s.size(); ++i) {
        const double dv = s[i + std::size_t(scale)].volume - s[i].volume;
        out.slope.push_back((s[i + std::size_t(scale)].value - s[i].value) / dv);
        out.sigma.push_back(noise * std::sqrt(2.0) / dv);
    }
    return out;
}

// The peaks of one scale whose prominence passes both tests. A titration curve runs one way
// (its value rises or falls with the titrant throughout), so only steps in `direction` count;
// steps against it are no steeper than a flat stretch. The curve is taken to begin at reading
// `begin`: a peak needs a step of its own curve before it.
void collectPeaks(const Slopes &sl, int scale, double direction, double threshold, int begin,
    std::vector<Candidate> &out)
{
    const int m = int(sl.slope.size());
    for (int j = begin + 1; j + 1 < m; ++j) {
        auto q = [&](int i) {
            return std::max(0.0, sl.slope[std::size_t(i)] * direction);
        };
        const double peak = q(j);
        if (!(peak > 0) || q(j - 1) > peak || q(j + 1) >= peak)
            continue;
        // Topographic prominence: the lowest slope on each side before a steeper one.
        int lowLeft = j - 1, lowRight = j + 1;
        for (int i = j - 1; i >= begin && q(i) <= peak; --i) {
            if (q(i) < q(lowLeft))
                lowLeft = i;
        }
        for (int i = j + 1; i < m && q(i) <= peak; ++i) {
            if (q(i) < q(lowRight))
                lowRight = i;
        }
        const int base = q(lowLeft) > q(lowRight) ? lowLeft : lowRight;
        const double prominence = peak - q(base);
        const double sigma = std::hypot(sl.sigma[std::size_t(j)], sl.sigma[std::size_t(base)]);
        const double significance
            = sigma > 0 ? prominence / sigma : std::numeric_limits<double>::infinity();
        if (significance < threshold)
            continue;
        if (q(base) > 0 && peak < SteepnessRatio * q(base))
            continue;
        out.push_back({j, scale, significance, sl.slope[std::size_t(j)]});
    }
}

// Whether the curve rises (+1) or falls (-1) with the titrant: the median of its last tenth
// against that of its first (at least three readings each). Its last reading against its first
// can point the wrong way: a silver electrode read at 0 mL two decades above the first dose's
// lies higher than the whole curve climbs to.
double curveDirection(const CurveSeries &s)
{
    const std::size_t count = std::max<std::size_t>(3, s.size() / 10);
    const auto medianOf = [&s, count](std::size_t from) {
        std::vector<double> values;
        for (std::size_t i = from; i < from + count; ++i)
            values.push_back(s[i].value);
        const auto middle = values.begin() + std::ptrdiff_t(count / 2);
        std::nth_element(values.begin(), middle, values.end());
        return *middle;
    };
    return medianOf(s.size() - count) >= medianOf(0) ? 1.0 : -1.0;
}

// The first reading of the curve proper. Readings at its start that move against its
// direction by far more than the noise belong to no law of the titration: a reading at 0 mL
// from an electrode that came out of another solution, and a slow electrode still trailing
// from it. Past them the curve turns and, while the electrode trails, rises ever more steeply
// until the start has faded; that rebound is its edge, not a jump.
int curveBegin(const CurveSeries &s, double direction, double noise, double threshold)
{
    const auto rise = [&](int i) {
        return (s[std::size_t(i) + 1].value - s[std::size_t(i)].value) * direction;
    };
    const int steps = int(s.size()) - 1;
    int begin = 0;
    while (begin < steps && rise(begin) < -threshold * noise * std::sqrt(2.0))
        ++begin;
    if (begin == 0)
        return 0;
    while (begin + 1 < steps && rise(begin + 1) > rise(begin))
        ++begin;
    return begin;
}

bool overlaps(const Candidate &a, const Candidate &b)
{
    return a.first <= b.first + b.scale + 1 && b.first <= a.first + a.scale + 1;
}

// The steepest single step inside a candidate's span, in its direction.
int steepestStep(const CurveSeries &s, const Candidate &c)
{
    int best = c.first;
    double bestSlope = -std::numeric_limits<double>::infinity();
    for (int i = c.first; i < c.first + c.scale; ++i) {
        const double slope = (s[std::size_t(i) + 1].value - s[std::size_t(i)].value)
            / (s[std::size_t(i) + 1].volume - s[std::size_t(i)].volume)
            * (c.steepness > 0 ? 1 : -1);
        if (slope > bestSlope) {
            bestSlope = slope;
            best = i;
        }
    }
    return best;
}

// The first point at or past the middle between two jumps: no fit window reaches past it. The
// flattest step between them would be the natural border, but with fine steps noise can put it
// next to either jump.
int middleBetween(const CurveSeries &s, int from, int to)
{
    const double middle = 0.5 * (s[std::size_t(from)].volume + s[std::size_t(to)].volume);
    int i = from;
    while (i < to && s[std::size_t(i)].volume < middle)
        ++i;
    return i;
}

// A fit that describes a jump inside its window, in the curve's direction. A narrow window
// over a broad jump lets the fit trade the jump for the drift and bend (a width as wide as the
// window, one near zero with no amplitude, or flanks nearly as steep as the jump); such a
// window has nothing to say. The flanks must be as much flatter as the recognition demands.
bool plausible(const JumpFit &f, const CurveSeries &s, int first, int last, double direction)
{
    const double span = s[std::size_t(last)].volume - s[std::size_t(first)].volume;
    const double half = span / (2 * f.width);
    const double jump = f.asymmetry == 0 ? 2 * std::abs(f.amplitude) * std::asinh(half)
                                         : std::abs(f.amplitude)
            * (JumpFitter::asymmetricShape(half, f.asymmetry)
                - JumpFitter::asymmetricShape(-half, f.asymmetry));
    const double steepness
        = std::abs(f.amplitude / f.width) * JumpFitter::asymmetricSteepestSlope(f.asymmetry);
    const double rise = std::abs(s[std::size_t(last)].value - s[std::size_t(first)].value);
    const double flank = std::max(std::abs(f.drift - f.bend), std::abs(f.drift + f.bend));
    return f.amplitude * direction > 0 && f.width < span / SpanWidths && std::isfinite(f.uVolume)
        && f.uVolume > 0 && jump > 0.5 * rise && flank * SteepnessRatio < steepness;
}

// The standard uncertainty of the chosen fit's centre. The noise is the larger of the curve's
// and the fit's own residual scatter (a shape the model does not follow shows there). The
// shift from a narrower fit is partly noise, u(narrower)^2 - u^2 on average for nested
// windows; what the shifts hold beyond that is taken as the model's bias at this width. The
// median over the narrower fits keeps one fit that noise threw off from inflating it.
double uncertainty(
    const JumpFit &fit, const std::vector<JumpFit> &accepted, double noise, int parameters)
{
    const double dof = std::max(1, fit.count - parameters);
    const double scatter = fit.residualRms * std::sqrt(fit.count / dof);
    double u = fit.uVolume * std::max(1.0, scatter / noise);
    std::vector<double> excess;
    for (std::size_t j = 0; j + 1 < accepted.size(); ++j) {
        const JumpFit &narrower = accepted[j];
        const double shift = fit.volume - narrower.volume;
        const double expected
            = std::max(0.0, narrower.uVolume * narrower.uVolume - fit.uVolume * fit.uVolume);
        excess.push_back(std::max(0.0, shift * shift - expected));
    }
    double bias2 = 0;
    if (!excess.empty()) {
        std::sort(excess.begin(), excess.end());
        const std::size_t m = excess.size() / 2;
        bias2 = excess.size() % 2 ? excess[m] : (excess[m - 1] + excess[m]) / 2;
    }
    return std::sqrt(u * u + bias2);
}

// The step of the prepared series at `volume`: between the readings around it.
double stepAt(const CurveSeries &s, double volume)
{
    const auto after = std::lower_bound(s.begin() + 1, s.end() - 1, volume,
        [](const CurvePoint &p, double v) { return p.volume < v; });
    return after->volume - (after - 1)->volume;
}

// A curve without a narrow jump, or with more than one, may be one precipitation read by a
// silver electrode: where the law of its whole curve follows every reading to the noise, the
// curve holds that law's one equivalence point, and a second jump seen in its noise is none.
void takePrecipitationLaw(EpAnalysis &analysis, const CurveSeries &s)
{
    if (analysis.points.empty())
        return;
    const RecognisedEp &strongest = EpRecognition::strongest(analysis);
    const double noise = analysis.noise;
    const auto law = PrecipitationFitter::fit(s, strongest.volume, noise);
    if (!law)
        return;
    if (law->residualVariance > CurveLawFit::FollowsTheCurve * noise * noise) {
        // The two estimates disagree: the point lies between them, and u reaches both.
        if (analysis.points.size() == 1 && analysis.reading == Reading::Potential
            && law->ionsPerAnion > 1 && law->residualVariance <= NearlyFollows * noise * noise) {
            RecognisedEp &ep = analysis.points.front();
            const double shift = law->volume - ep.volume;
            ep.volume += shift / 2;
            ep.value = (ep.value + law->value) / 2;
            ep.uVolume = std::hypot(ep.uVolume, shift / 2);
        }
        return;
    }
    RecognisedEp ep = strongest;
    ep.volume = law->volume;
    ep.value = law->value;
    ep.ionsPerAnion = law->ionsPerAnion;
    // Where the curve moves less than a printed digit a step, the readings' rounding errors
    // are not independent.
    ep.uVolume = std::max(law->uVolume, AsymmetricModelError * stepAt(s, law->volume));
    analysis.points = {ep};
}

// A potential curve with two jumps may be two anions precipitated in turn: where the law of its
// whole curve follows every reading to the noise, the points are that law's. Where the salts'
// solubilities lie close, the first jump is cut short and its window's model puts it early.
void takeTwoPrecipitatesLaw(EpAnalysis &analysis, const CurveSeries &s)
{
    auto &points = analysis.points;
    if (points.size() != 2 || points.front().fromWholeCurveLaw())
        return;
    const double noise = analysis.noise;
    const auto law = TwoPrecipitatesFitter::fit(s, points[0].volume, points[1].volume, noise);
    if (!law || law->first.residualVariance > CurveLawFit::FollowsTheCurve * noise * noise)
        return;
    for (const auto &[ep, fit] :
        {std::pair(&points[0], law->first), std::pair(&points[1], law->second)}) {
        ep->volume = fit.volume;
        ep->value = fit.value;
        ep->uVolume = std::max(fit.uVolume, AsymmetricModelError * stepAt(s, fit.volume));
        ep->fromTwoSaltsLaw = true;
    }
}

// A potential curve with one jump may be a redox titration's: where the law of its whole curve
// follows every reading to the noise, the point is that law's. An asymmetric jump's window
// models leave it a fraction of a step early.
void takeRedoxLaw(EpAnalysis &analysis, const CurveSeries &s)
{
    if (analysis.points.size() != 1 || analysis.points.front().fromWholeCurveLaw())
        return;
    RecognisedEp &ep = analysis.points.front();
    const double noise = analysis.noise;
    const auto law = RedoxFitter::fit(s, ep.volume, noise);
    if (!law || !law->sidesDiffer()
        || law->residualVariance > CurveLawFit::FollowsTheCurve * noise * noise)
        return;
    ep.volume = law->volume;
    ep.value = law->value;
    ep.analyteElectrons = law->analyteElectrons;
    ep.titrantElectrons = law->titrantElectrons;
    ep.uVolume = std::max(law->uVolume, ModelFloor * stepAt(s, law->volume));
}

} // namespace

const RecognisedEp &strongest(const EpAnalysis &analysis)
{
    return *std::max_element(analysis.points.begin(), analysis.points.end(),
        [](const RecognisedEp &a, const RecognisedEp &b) {
            return a.significance < b.significance;
        });
}

EpAnalysis recognise(const CurveSeries &input, double criterion, Reading reading)
{
    EpAnalysis analysis;
    analysis.reading = reading;
    const CurveSeries s = CurveSeriesTools::prepared(input);
    const int n = int(s.size());
    if (n < 6)
        return analysis;
    double noise = CurveSeriesTools::noiseEstimate(s);
    double span = 0;
    for (const CurvePoint &p : s)
        span = std::max(span, std::abs(p.value - s.front().value));
    // Exact readings: a floor far below any real noise keeps the statistics finite.
    noise = std::max(noise, 1e-9 * std::max(span, 1.0));
    analysis.noise = noise;

    const double direction = curveDirection(s);
    const double threshold
        = SignificanceThreshold * (std::isfinite(criterion) && criterion > 0 ? criterion : 1.0);
    const int begin = curveBegin(s, direction, noise, threshold);
    std::vector<Candidate> candidates;
    const auto lookOver = [&](std::span<const int> scales) {
        for (int scale : scales) {
            if (begin + scale + 3 > n)
                break;
            collectPeaks(
                slopesOver(s, scale, noise), scale, direction, threshold, begin, candidates);
        }
    };
    lookOver(Scales);
    if (candidates.empty())
        lookOver(BroadScales);
    std::sort(candidates.begin(), candidates.end(),
        [](const Candidate &a, const Candidate &b) { return a.significance > b.significance; });
    std::vector<Candidate> jumps;
    for (const Candidate &c : candidates) {
        if (std::none_of(
                jumps.begin(), jumps.end(), [&](const Candidate &j) { return overlaps(c, j); }))
            jumps.push_back(c);
    }
    std::sort(jumps.begin(), jumps.end(),
        [](const Candidate &a, const Candidate &b) { return a.first < b.first; });

    bool noNarrowJump = true;
    std::vector<int> centres;
    for (const Candidate &c : jumps)
        centres.push_back(steepestStep(s, c));
    for (std::size_t k = 0; k < jumps.size(); ++k) {
        const Candidate &c = jumps[k];
        const int centre = centres[k];
        const int lowest = k > 0 ? middleBetween(s, centres[k - 1], centre) : 0;
        const int highest
            = k + 1 < jumps.size() ? middleBetween(s, centre, centres[k + 1]) - 1 : n - 1;
        const double low = s[std::size_t(std::max(0, c.first - 1))].volume;
        const double high = s[std::size_t(std::min(n - 1, c.first + c.scale + 1))].volume;
        const auto window = [&](int half) {
            return std::pair(std::max(lowest, centre - half + 1), std::min(highest, centre + half));
        };
        const auto symmetricFit = [&](int half) -> std::optional<JumpFit> {
            const auto [first, last] = window(half);
            auto trial = JumpFitter::fit(s, first, last, low, high, noise);
            if (!trial || !plausible(*trial, s, first, last, direction))
                return std::nullopt;
            return trial;
        };
        // Another model's fit of a window, started from the symmetric one.
        const auto refitted = [&](int half, const auto &refit) -> std::optional<JumpFit> {
            const auto [first, last] = window(half);
            const auto start = JumpFitter::fit(s, first, last, low, high, noise);
            if (!start)
                return std::nullopt;
            auto trial = refit(first, last, *start);
            if (!trial || !plausible(*trial, s, first, last, direction))
                return std::nullopt;
            return trial;
        };
        const auto asymmetricFit = [&](int half) {
            return refitted(half, [&](int first, int last, const JumpFit &start) {
                return JumpFitter::fitAsymmetric(s, first, last, low, high, noise, start);
            });
        };
        const auto reach = [&](int half) {
            const auto [first, last] = window(half);
            const double v0 = s[std::size_t(centre)].volume;
            return std::max(v0 - s[std::size_t(first)].volume, s[std::size_t(last)].volume - v0);
        };
        const auto agreesWith = [](const JumpFit &wider, const JumpFit &narrower) {
            return std::abs(wider.volume - narrower.volume) <= Agreement * narrower.uVolume;
        };
        // Widen the window while the wider fit agrees with every narrower one: noise wants
        // many points, the model's limits far from the jump want few.
        struct Widened
        {
            std::optional<JumpFit> fit;
            std::vector<JumpFit> accepted;
            int half = 0;
        };
        const auto widen = [&](const auto &fitHalf) {
            Widened out;
            std::vector<JumpFit> &accepted = out.accepted;
            constexpr int Windows = int(std::size(HalfWindows));
            for (int h = 0; h < Windows; ++h) {
                if (h > 0 && window(HalfWindows[h]) == window(HalfWindows[h - 1]))
                    break;
                if (h >= CoarseWindows
                    && reach(HalfWindows[h]) > WideReach * s[std::size_t(centre)].volume)
                    break;
                const auto trial = fitHalf(HalfWindows[h]);
                if (!trial)
                    continue;
                std::vector<JumpFit> kept;
                for (const JumpFit &f : accepted) {
                    if (agreesWith(*trial, f))
                        kept.push_back(f);
                }
                if (kept.size() < accepted.size()) {
                    // A narrow fit that barely holds a broad jump can be further off than its
                    // uncertainty says. It is dropped when the next wider fit confirms this one
                    // and every other narrower fit; otherwise the wider fits have left the model.
                    std::optional<JumpFit> next;
                    if (h + 1 < Windows && window(HalfWindows[h + 1]) != window(HalfWindows[h]))
                        next = fitHalf(HalfWindows[h + 1]);
                    if (!next || !agreesWith(*next, *trial)
                        || !std::all_of(kept.begin(), kept.end(),
                            [&](const JumpFit &f) { return agreesWith(*next, f); }))
                        break;
                    accepted = kept;
                }
                accepted.push_back(*trial);
                out.fit = trial;
                out.half = HalfWindows[h];
            }
            return out;
        };
        Widened chosen = widen(symmetricFit);
        int parameters = JumpFitter::Parameters;
        // A jump whose sides differ (unequal electron numbers or charges, a second precipitate)
        // puts the symmetric centre where the jump is not. Over a narrow jump the asymmetric
        // model is widened as well; where it follows the readings of the wider of both final
        // windows clearly better, and its sides differ clearly, its fits are taken.
        const double step = s[std::size_t(centre) + 1].volume - s[std::size_t(centre)].volume;
        // Where the sides differ but the evidence does not decide, both centres are reasonable
        // estimates: the point lies between them, and their disagreement goes into its
        // uncertainty.
        double disagreement = 0;
        const bool narrow = chosen.fit && chosen.fit->width < JumpFitter::NarrowJump * step;
        if (chosen.fit) {
            Widened other = widen(asymmetricFit);
            const auto [first, last] = window(std::max(chosen.half, other.half));
            const auto symmetric
                = other.fit ? JumpFitter::fit(s, first, last, low, high, noise) : std::nullopt;
            const auto asymmetric = symmetric
                ? JumpFitter::fitAsymmetric(s, first, last, low, high, noise, *symmetric)
                : std::nullopt;
            if (asymmetric) {
                const auto shown
                    = JumpFitter::asymmetryShown(*symmetric, *asymmetric, noise, narrow);
                if (shown == JumpFitter::Asymmetry::Shown) {
                    chosen = std::move(other);
                    ++parameters;
                } else if (shown == JumpFitter::Asymmetry::Hinted) {
                    disagreement = other.fit->volume - chosen.fit->volume;
                }
            }
        }
        // A broad precipitation jump read by a silver electrode (silver oxalate, two ions to
        // one): its flanks are logarithms of the diluted distance, with no slope or bend of
        // their own. The full model trades its unequal sides for a slope and a bend and leaves
        // its centre steps off; the logarithmic model determines it.
        if (chosen.fit && !narrow) {
            // Its centre lies up to 0.6 widths before its steepest point, which can be further
            // than the steep stretch reaches.
            const double reachLow = low - (high - low), reachHigh = high + (high - low);
            const auto logarithmicFit = [&](int half) {
                return refitted(half, [&](int first, int last, const JumpFit &start) {
                    return JumpFitter::fitLogarithmic(
                        s, first, last, reachLow, reachHigh, noise, start, true);
                });
            };
            Widened other = widen(logarithmicFit);
            if (other.fit) {
                const auto [first, last] = window(std::max(chosen.half, other.half));
                const auto symmetric = JumpFitter::fit(s, first, last, low, high, noise);
                std::optional<JumpFit> flat, unequal;
                if (symmetric) {
                    flat = JumpFitter::fitLogarithmic(s, first, last, s[std::size_t(first)].volume,
                        s[std::size_t(last)].volume, noise, *symmetric, false);
                    unequal = JumpFitter::fitLogarithmic(
                        s, first, last, reachLow, reachHigh, noise, *symmetric, true);
                }
                // Where the full asymmetric model holds the jump already, the logarithmic
                // one must agree with it: a jump that a second precipitate caps is no
                // logarithm on that side.
                const bool agrees = parameters == JumpFitter::Parameters
                    || std::abs(other.fit->volume - chosen.fit->volume)
                        <= Agreement * uncertainty(*chosen.fit, chosen.accepted, noise, parameters);
                if (flat && unequal && agrees && JumpFitter::logarithmicFitPlausible(*other.fit)
                    && JumpFitter::logarithmicAsymmetryShown(*symmetric, *flat, *unequal, noise)) {
                    chosen = std::move(other);
                    parameters = JumpFitter::LogarithmicParameters + 1;
                }
            }
        }
        const std::optional<JumpFit> &fit = chosen.fit;
        RecognisedEp ep;
        ep.significance = c.significance;
        ep.steepness = c.steepness;
        if (fit) {
            ep.volume = fit->volume + disagreement / 2;
            ep.value = fit->level;
            ep.steepness
                = fit->amplitude / fit->width * JumpFitter::asymmetricSteepestSlope(fit->asymmetry)
                + fit->drift;
            // The model describes a jump to far better than a step, not to nothing.
            const double modelError
                = fit->asymmetry != 0 ? AsymmetricModelError * step : ModelFloor * step;
            ep.uVolume = std::max(
                std::hypot(uncertainty(*fit, chosen.accepted, noise, parameters), disagreement / 2),
                modelError);
        } else {
            // No fit: the middle of the steepest step, uncertain by the step's width.
            const CurvePoint &a = s[std::size_t(centre)], &b = s[std::size_t(centre) + 1];
            ep.volume = (a.volume + b.volume) / 2;
            ep.uVolume = (b.volume - a.volume) / std::sqrt(12.0);
            ep.value = (a.value + b.value) / 2;
        }
        analysis.points.push_back(ep);
        noNarrowJump = noNarrowJump && !(fit && narrow);
    }
    analysis.noNarrowJump = noNarrowJump;
    // Two jumps that one anion's law follows to the noise are one broad jump, and one of them
    // noise, however narrow its window's fit.
    if (noNarrowJump || analysis.points.size() > 1)
        takePrecipitationLaw(analysis, s);
    if (reading == Reading::Potential) {
        takeTwoPrecipitatesLaw(analysis, s);
        takeRedoxLaw(analysis, s);
    }
    return analysis;
}

} // namespace EpRecognition
