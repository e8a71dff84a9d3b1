#pragma once

#include "evaluation/curvelawfit.h"
#include "evaluation/curveseries.h"

#include <optional>
#include <vector>

// A titration of one or two acid-base steps followed through the whole curve by a pH electrode
// (read in pH or in mV): the proton balance (see ProtonBalance) with each step's end Ve_k and
// pKa_k, the vessel's start volume and the titrant's concentration, shown as offset + slope * pH.
// A falling curve is the rising one mirrored by the water's ion product, so the sign of the
// slope covers both directions and the balance is always a base's on an acid. Fitted to every
// reading, the law holds where a broad or skewed jump lies from its flanks far away, which a
// window around the jump cannot tell from a slow electrode's delay.
struct AcidBaseFit : LawPoint
{
    std::vector<double> volumes; // each step's end, mL; the first is LawPoint::volume
    std::vector<double> parameters; // the fit's own, to start a neighbouring fit from
};

namespace AcidBaseFitter {

constexpr int LargestSteps = 2;

// The law with a step ending near each of `nearVolumes` (one or LargestSteps, rising), read by
// an electrode that leaves remainders[i] of the difference at the reading before (see
// ElectrodeLagging; all 0: settled), fitted to `readings` (in the order taken, from 0 mL on: the
// law holds before the first drop too; one remainder each). Starts from `from` where given (the fit
// for a neighbouring lag), else from a grid of pKa values and titrant concentrations. None where
// the fit does not converge inside the titrated range. Its uVolume is that of the first step's end
// for the given noise.
std::optional<AcidBaseFit> fitLagged(const CurveSeries &readings,
    const std::vector<double> &nearVolumes, double noise, const std::vector<double> &remainders,
    const AcidBaseFit *from = nullptr);

} // namespace AcidBaseFitter
