#pragma once

#include "evaluation/curveseries.h"

#include <optional>
#include <vector>

// A titration jump fitted locally by
//
//     value(V) = level + amplitude * asinh(d / width) + drift * d + bend * sqrt(d^2 + width^2)
//
// with d = V - volume. Near an equivalence point a species that grows with [H+] and one that
// falls with it meet in the proton balance; their difference is proportional to the titrant in
// excess, which makes the measured value an arcus sinus hyperbolicus of the distance to the
// stoichiometric point, with the same shape for strong acids (a tiny width: log distance on both
// sides), weak acids and the steps of polyprotic acids. Drift and bend give each side its own
// slow slope: dilution, and a buffer setting in on one side. The centre is the stoichiometric
// point itself, not only the steepest one.
struct JumpFit
{
    double volume = 0; // centre, mL
    double level = 0; // value at the centre
    double amplitude = 0; // signed: negative for a falling curve
    double width = 0; // mL
    double drift = 0; // value per mL
    double bend = 0; // value per mL
    // Natural log of the square root of the ratio of the amplitudes after and before the
    // centre; 0 for the symmetric jump (see JumpFitter::fitAsymmetric).
    double asymmetry = 0;
    // The logarithmic model's inverse volume in the vessel at the centre, 1/mL; 0 for the others
    // (see JumpFitter::fitLogarithmic).
    double dilution = 0;
    double uVolume = 0; // standard uncertainty of the centre for the given noise, mL
    double residualRms = 0; // root mean square of the residuals
    int count = 0; // points fitted
};

// How a slow electrode read the points: each reading shows the jump's value plus what was left
// of the difference at the reading before,
//
//     reading_i = value_i + (reading_(i-1) - value_i) * remainders_i,
//
// starting from `before`, the reading just ahead of the first point. The jump is fitted to the
// readings as the electrode showed them, so their noise stays that of one reading and the fits
// for different lags compare by their residual sums. No remainders: a settled electrode.
struct ElectrodeLagging
{
    std::vector<double> remainders; // one per point fitted
    double before = 0;
};

namespace JumpFitter {

constexpr int Parameters = 6;

// Fits the points [first, last] of a prepared series, looking for the centre between
// lowVolume and highVolume. `noise` is the standard deviation of one reading; it scales
// uVolume. No fit for fewer than eight points, or when the centre leaves the interval.
std::optional<JumpFit> fit(const CurveSeries &series, int first, int last, double lowVolume,
    double highVolume, double noise, const ElectrodeLagging &lagging = {});

// The asymmetric jump: asinh(x) replaced by the h that solves
//
//     (exp(h / p) - exp(-h p)) / 2 = x,    p = exp(asymmetry),
//
// so the value rises by amplitude * p per e-fold of the distance after the centre and by
// amplitude / p before it. A couple that takes n electrons (or an ion of charge n) on one side
// and m on the other gives this form near the equivalence point, with p^2 = m / n; a second
// precipitate capping a jump gives a large p. The centre is again the stoichiometric point.
double asymmetricShape(double x, double asymmetry);
// The largest slope of asymmetricShape: 1 for the symmetric jump; off the centre, on the side
// of the larger amplitude, for an asymmetric one (a capped jump rises steepest before it).
double asymmetricSteepestSlope(double asymmetry);

// The asymmetric jump replaces the symmetric one when it lowers the residual sum by more than
// this many times the variance of a reading. Noise alone (chi-square of one degree of freedom)
// gives more than 25 in under one fit in a million; the symmetric model's own shortfall on
// sharp weak-acid jumps reaches 10 to 20.
constexpr double AsymmetryEvidence = 25;
// ... as a rule over a jump narrower than this fraction of the step at its centre: such a
// jump's centre is fixed by its logarithmic flanks alone, where unequal amplitudes move it most.
// Across a broad jump (carbonate's first at fine steps: 0.3 step and wider) the symmetric
// model's own shortfall can pass for unequal sides; there the asymmetric model counts only
// where it follows the readings to within this many times their noise (its fits of broad
// acid-base jumps leave 1.7 and more; silver chromate, two ions to one, far less).
constexpr double NarrowJump = 0.25;
constexpr double BroadJumpFit = 1.5;
// ... and only when its sides differ clearly: acid-base jumps are symmetric in pH (0), the
// mildest redox or precipitation asymmetry (2:1) is log(2) / 2 = 0.35, which noisy fits of a
// sharp jump put anywhere from about 0.2 to 0.45.
constexpr double SmallestAsymmetry = 0.15;

enum class Asymmetry {
    None, // the sides do not differ
    Hinted, // they differ, but the symmetric model follows the readings about as well
    Shown, // the asymmetric model follows them clearly better: its centre is the jump's
};
// What the fits of both models to the same points show; `noise` is the standard deviation of
// one reading, `narrow` whether the jump is narrower than NarrowJump steps. A broad jump shows
// an asymmetry or none.
Asymmetry asymmetryShown(
    const JumpFit &symmetric, const JumpFit &asymmetric, double noise, bool narrow);

// The fitted jump's value at `volume`, for either model.
double valueAt(const JumpFit &fit, double volume);
// The fit's residual sum: its readings' squared misfit, the prior's included.
double sumOfSquaredResiduals(const JumpFit &fit);

// Fits the asymmetric jump (seven parameters) to the points [first, last], starting from
// `start`: a symmetric fit of the same points (then searched leaning either way as well) or an
// asymmetric fit of nearly the same readings; otherwise as fit().
std::optional<JumpFit> fitAsymmetric(const CurveSeries &series, int first, int last,
    double lowVolume, double highVolume, double noise, const JumpFit &start,
    const ElectrodeLagging &lagging = {});

// The jump with purely logarithmic flanks: no drift, no bend, the distance diluted as the
// vessel fills, d / (1 + dilution d). So a silver electrode reads a precipitation exactly: the
// silver in excess is the titrant's in excess over the volume in the vessel. A broad jump
// (silver oxalate, two ions to one, spans several steps) leaves the free flanks of the full
// models to trade its unequal sides for a slope and a bend, and its centre barely determined;
// this model determines it. Where noise leaves the dilution open, it stays near that of a
// typical vessel (75 mL besides the titrant). Symmetric (five parameters) or, with
// `asymmetric`, asymmetric (six); started from a fit of either model, otherwise as
// fitAsymmetric().
constexpr int LogarithmicParameters = 5;
std::optional<JumpFit> fitLogarithmic(const CurveSeries &series, int first, int last,
    double lowVolume, double highVolume, double noise, const JumpFit &start, bool asymmetric,
    const ElectrodeLagging &lagging = {});

// The flanks are logarithmic where the asymmetric logarithmic model leaves a residual sum at
// most this many times the variance of a reading above the symmetric model's (both have six
// parameters). Broad acid-base jumps bend with their buffers and fail this by hundreds; a
// redox jump's flank before the point bends with the fraction titrated.
constexpr double LogarithmicFlanks = 16;
// A vessel holds at most this fraction of titrant at the equivalence point (a sample of 10 mL
// titrated to 10 mL). A logarithmic fit that needs more, or less than none, has bent its
// dilution to follow a buffer: broad acid-base jumps in fine or dynamic steps.
constexpr double LargestTitrantFraction = 0.5;
// Whether an asymmetric logarithmic fit describes a precipitation: sides that differ by at least
// SmallestAsymmetry, and a dilution a vessel can have.
bool logarithmicFitPlausible(const JumpFit &logarithmicAsymmetric);
// Whether the readings show a jump with logarithmic flanks and unequal sides: the symmetric
// model's fit, and the logarithmic fits without and with the asymmetry, all of the same points.
// The sides differ by the same evidence as in asymmetryShown(), and the asymmetric fit is
// plausible.
bool logarithmicAsymmetryShown(const JumpFit &symmetric, const JumpFit &logarithmicSymmetric,
    const JumpFit &logarithmicAsymmetric, double noise);

} // namespace JumpFitter
