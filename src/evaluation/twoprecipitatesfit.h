#pragma once

#include "evaluation/curvelawfit.h"
#include "evaluation/curveseries.h"

#include <optional>
#include <vector>

// Two anions of one sample, each precipitated by one silver ion (AgX the less soluble, then
// AgY), followed by a silver electrode through the whole titration. With the silver added
// a = V / (V0 + V) and the anions x = Ve1 / (V0 + V) and y = (Ve2 - Ve1) / (V0 + V), all in
// units of the titrant's concentration, the free silver s solves
//
//     a - s = max(0, x - K1 / s) + max(0, y - K2 / s)
//
// and the electrode shows E0 + c log10 s. Where the two solubility products lie less than a few
// decades apart, the second salt starts to form before the first anion is used up: the first
// jump is cut short and its steepest point lies early, as far as a step or more, where a jump
// model puts its point. The law of the whole curve holds both equivalence volumes.
struct TwoPrecipitatesFit
{
    LawPoint first, second;
};

namespace TwoPrecipitatesFitter {

// The law fitted to the readings of a prepared series with volumes above 0, starting from
// equivalence volumes near `firstVolume` and `secondVolume`; `noise` is the standard deviation
// of one reading. Each point's u is that of its volume for the readings' noise or their misfit,
// the larger; none where the fit does not converge to two volumes inside the titrated range.
std::optional<TwoPrecipitatesFit> fit(
    const CurveSeries &series, double firstVolume, double secondVolume, double noise);

// The law read by a slow electrode, as PrecipitationFitter::fitLagged: `readings` in the order
// they were taken with one remainder each, starting from volumes near `firstVolume` and
// `secondVolume` (the settled law's). Each u is that for the given noise, so that fits for
// different lags compare as they stand.
std::optional<TwoPrecipitatesFit> fitLagged(const CurveSeries &readings, double firstVolume,
    double secondVolume, double noise, const std::vector<double> &remainders);

} // namespace TwoPrecipitatesFitter
