#pragma once

#include "evaluation/curveseries.h"
#include "evaluation/eprecognition.h"

#include <vector>

// The apparent pKa of one buffered region of a pH curve, with its standard uncertainty.
struct PkaValue
{
    double value = 0;
    double u = 0; // from the fit's residuals and from the EPs' volume uncertainty
};

// What the curve does not tell and the fit needs.
struct PkaConditions
{
    double titrantConcentration = 0.1; // mol/L
    // The volume in the beaker before the first dose, mL, as far as it is known (a sample
    // measured in mL); 0: not known. Only a starting point: the fit adjusts it.
    double startVolume = 0;
};

namespace PkaFit {

// The beaker volume the fit starts from when none is known, mL.
constexpr double TypicalStartVolume = 50.0;
// Share of a region next to each EP that is left out of the fit: there the curve is steep and
// says more about the EP's volume than about the pKa.
constexpr double EdgeShare = 0.1;
// A region holds a buffer when at least this share of its step is still to be titrated at its
// first reading; a strong acid or base is converted from the start and gets no pKa.
constexpr double BufferShare = 0.25;

// The apparent pKa of each buffered region of a pH curve (volumes in mL): each step up to a
// recognised EP is one proton of a weak acid (a rising curve, titrated with a strong base) or
// of a weak base's acid form (a falling one, titrated with a strong acid). All steps' pKa and
// the starting volume are fitted together by least squares in pH to the proton balance
//
//   c * V + s * ([H+] - Kw/[H+]) * (V0 + V) = c * sum_k (V_k - V_k-1) * f_k([H+])
//
// (s = +1 rising, -1 falling; f_k the converted share of step k; V_0 = 0), so that dilution and
// the free [H+] and [OH-] are part of the fit. Regions of a strong acid or base are left out.
// Ordered by volume; empty without EPs.
std::vector<PkaValue> fit(const CurveSeries &series, const std::vector<RecognisedEp> &eps,
    const PkaConditions &conditions = {});

} // namespace PkaFit
