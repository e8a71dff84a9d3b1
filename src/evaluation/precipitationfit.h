#pragma once

#include "evaluation/curvelawfit.h"
#include "evaluation/curveseries.h"

#include <cmath>
#include <optional>
#include <vector>

// A precipitation Ag_nX followed by a silver electrode through the whole titration. With the
// silver added a = V / (V0 + V) and the anion x = Ve / (n (V0 + V)), both in units of the
// titrant's concentration, the free silver y solves
//
//     y^n (n x - a + y) / n = K
//
// once the solubility product K (in the same units) is reached, and is a before that; the
// electrode shows E0 + s log10 y. A strong acid titrated with a strong base follows the same
// law with n = 1 and the water's ion product for K. Fitted to every reading of the curve, the
// law holds the equivalence volume Ve of a broad jump several times closer than a jump model
// over a window around it can: the flanks far from the jump tell the ratio of ions and the
// solubility, which a window's model has to take as free.
// Its uVolume includes the choice of n; its residualSum the vessel volume's prior (see
// fitLagged).
struct PrecipitationFit : LawPoint
{
    int ionsPerAnion = 0; // n
};

namespace PrecipitationFitter {

constexpr int LargestIonsPerAnion = 4;
// The vessel holds about this much besides the titrant where the readings leave it open, within
// this factor (one standard deviation of its logarithm).
constexpr double TypicalSampleVolume = 75; // mL
constexpr double SampleVolumeSpread = 0.7;

// That prior on the vessel's ln V0 (V0 in mL), as one more residual in the readings' units.
inline double vesselPrior(double lnVessel, double noise)
{
    return noise * (lnVessel - std::log(TypicalSampleVolume)) / SampleVolumeSpread;
}
// The ratios whose fits leave at most this many noise variances more than the best one are
// all allowed; each puts Ve elsewhere, and u reaches them.
constexpr double AllowedRatioEvidence = 9;

// The law fitted to the readings of a prepared series with volumes above 0, for n = 1 to
// LargestIonsPerAnion, starting from an equivalence volume near `nearVolume`; `noise` is the
// standard deviation of one reading. The best n, with a u that reaches the other allowed ones;
// none where no fit converges to a Ve inside the titrated range.
std::optional<PrecipitationFit> fit(const CurveSeries &series, double nearVolume, double noise);

// The law with `ions` silver ions to one anion, read by a slow electrode: each reading shows the
// law's value plus what was left of the difference at the reading before, remainders[i] of it
// (see ElectrodeLagging). `readings` in the order they were taken, one remainder each: volumes
// above 0, the first settled, or after a reading at 0 mL that no law gives but from which the
// lag starts. None where the fit does not converge. Its uVolume is that
// for the given noise, not scaled by the misfit, so fits for different lags compare as they
// stand.
std::optional<PrecipitationFit> fitLagged(const CurveSeries &readings, int ions, double nearVolume,
    double noise, const std::vector<double> &remainders);

} // namespace PrecipitationFitter
