#pragma once

#include "evaluation/curvelawfit.h"
#include "evaluation/curveseries.h"

#include <optional>
#include <vector>

// A redox titration followed by an inert electrode through the whole titration. The analyte
// gives up a electrons a molecule, the titrant takes b; with f = V / Ve the titrant's electron
// equivalents over the analyte's, the electron balance at a potential u (in units of the
// electrode's slope, from the analyte's formal potential) reads
//
//     theta(u) = f rho(u),   theta = 1 / (1 + 10^(-a u)),   rho = 1 / (1 + 10^(b (u - D)))
//
// where theta is the analyte's oxidised fraction, rho the titrant's reduced one, and D the
// couples' distance. The electrode shows E0 + s u; dilution cancels. Only the ratio a : b
// shapes the curve (s takes a common factor), so coprime ratios are fitted. With unequal
// numbers the jump is asymmetric and its steepest point lies off Ve; the law over every
// reading holds Ve where a model of the jump's window leaves it a fraction of a step early.
// Its uVolume includes the choice of ratio.
struct RedoxFit : LawPoint
{
    int analyteElectrons = 0; // a, of the best ratio
    int titrantElectrons = 0; // b

    // Where the ratio is 1 : 1 the jump is symmetric and a jump model holds its centre; a weak
    // acid read in mV follows that law nearly as well (its buffer is the analyte's half, its
    // excess titrant the other but for the dilution), and in noise the law would take the
    // dilution's misfit into Ve. The law serves only unequal numbers.
    bool sidesDiffer() const { return analyteElectrons != titrantElectrons; }
};

namespace RedoxFitter {

// Ratios up to 6 : 1 (dichromate's six electrons to iron's one).
constexpr int LargestElectrons = 6;
// The ratios whose fits leave at most this many noise variances more than the best one are
// all allowed; each puts Ve elsewhere, and u reaches them.
constexpr double AllowedRatioEvidence = 9;

// The law fitted to the readings of a prepared series with volumes above 0, for every coprime
// ratio up to LargestElectrons, starting from an equivalence volume near `nearVolume`; `noise`
// is the standard deviation of one reading. The best ratio, with a u that reaches the other
// allowed ones; none where no fit converges to a Ve inside the titrated range.
std::optional<RedoxFit> fit(const CurveSeries &series, double nearVolume, double noise);

// The law with the ratio a : b, read by a slow electrode: each reading shows the law's value
// plus remainders[i] of the difference at the reading before. `readings` in the order they
// were taken, one remainder each: volumes above 0, the first settled, or after a reading at
// 0 mL that no law gives but from which the lag starts. None where the fit does not converge.
// Its uVolume is that for the given noise, so fits for different lags compare as they stand.
std::optional<RedoxFit> fitLagged(const CurveSeries &readings, int analyteElectrons,
    int titrantElectrons, double nearVolume, double noise, const std::vector<double> &remainders);

} // namespace RedoxFitter
