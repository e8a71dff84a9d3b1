#pragma once

#include "evaluation/curveseries.h"

#include <optional>

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
    double uVolume = 0; // standard uncertainty of the centre for the given noise, mL
    double residualRms = 0; // root mean square of the residuals
    int count = 0; // points fitted
};

namespace JumpFitter {

constexpr int Parameters = 6;

// Fits the points [first, last] of a prepared series, looking for the centre between
// lowVolume and highVolume. `noise` is the standard deviation of one reading; it scales
// uVolume. No fit for fewer than eight points, or when the centre leaves the interval.
std::optional<JumpFit> fit(const CurveSeries &series, int first, int last, double lowVolume,
    double highVolume, double noise);

// The asymmetric jump: asinh(x) replaced by the h that solves
//
//     (exp(h / p) - exp(-h p)) / 2 = x,    p = exp(asymmetry),
//
// so the value rises by amplitude * p per e-fold of the distance after the centre and by
// amplitude / p before it. A couple that takes n electrons (or an ion of charge n) on one side
// and m on the other gives this form near the equivalence point, with p^2 = m / n; a second
// precipitate capping a jump gives a large p. The centre is again the stoichiometric point.
double asymmetricShape(double x, double asymmetry);
// The slope of asymmetricShape at x = 0.
double asymmetricSlopeAtCentre(double asymmetry);

// Fits the asymmetric jump (seven parameters) to the points [first, last], starting from a
// symmetric fit of the same points; otherwise as fit().
std::optional<JumpFit> fitAsymmetric(const CurveSeries &series, int first, int last,
    double lowVolume, double highVolume, double noise, const JumpFit &start);

} // namespace JumpFitter
