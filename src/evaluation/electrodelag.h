#pragma once

#include "evaluation/eprecognition.h"

#include <optional>
#include <vector>

// One reading as the listing holds it: volume in mL, value (pH or mV) and its time t[s].
struct TimedReading
{
    double volume = 0;
    double value = 0;
    double seconds = 0;
};

// In the order they were taken.
using TimedSeries = std::vector<TimedReading>;

// A slow electrode makes each reading trail the solution: after a dose the value it shows
// approaches the new one as
//
//     reading_i = true_i + (reading_(i-1) - true_i) * exp(-(t_i - t_(i-1)) / tau)
//
// so the recorded jump comes late and skewed to the side after it. Around each recognised EP
// the jump model is passed through the lag for a range of tau and fitted to the readings; a tau
// that explains them clearly better than none is taken as the electrode's.
namespace LagCorrection {

// How much better the lagged model must fit than the unlagged one: the drop of the residual
// sum in units of the residual variance (three standard deviations of one more parameter; a
// lag is reported only where the readings also follow the lagged model to their noise).
constexpr double Evidence = 9.0;
// Below this a reported lag is corrected only halfway, with a u that reaches both points.
constexpr double ClearEvidence = 16.0;
// Between this and Evidence a lag is not reported, but the EP's u reaches to where the time
// constants the readings allow would put the point; below it, to where those within one
// standard deviation would. A lag too small to show still delays the EP a little.
constexpr double WeakEvidence = 2.0;
// A time constant this small against the waiting time leaves the readings all but settled
// (less than 1 % of a step left at the next reading).
constexpr double SmallestLagPerWait = 0.22;

struct Estimate
{
    // The electrode's time constant; none when the readings only hint at a lag: then volume
    // and value are the unlagged fit's and uVolume the widening that reaches the lagged EP.
    std::optional<double> tauSeconds;
    bool clear = false; // the lag is shown by ClearEvidence or more
    double evidence = 0; // how much better the best lag fits than none (see Evidence)
    double volume = 0; // the EP of the lagged model's jump, mL
    double uVolume = 0; // its standard uncertainty, the time constant's included
    double uFromTau = 0; // the part of it from the time constants the readings allow
    double value = 0; // the value at it
};

// The lag around the point at `volume` (recognised on `readings`, `noise` the standard
// deviation of one reading), from the readings between `lowest` and `highest` mL (the middles
// to the neighbouring EPs); none when the readings carry no usable times (not strictly
// increasing in time and volume) or are too few around the point.
std::optional<Estimate> estimate(
    const TimedSeries &readings, double volume, double noise, double lowest, double highest);

// Each EP whose readings show a lag gets it in lagSeconds and is moved to the EP that the
// recognition finds in the whole curve undone for it, with the uncertainty that includes the
// time constant's; no such EP gets a smaller u than the recognition gave. Where one EP shows a
// lag clearly, it is the electrode's: every other EP is taken from the curve undone for it.
// Where no EP shows a lag alone, their windows fitted together with one time constant may; every
// EP is then taken from the curve undone for it. Otherwise the EPs keep their place and get a u
// that reaches as far as a lag the readings allow would move them. A curve that follows a
// whole-curve law (a precipitation's, or in mV a redox titration's) only under a lag gets the
// lagged law's point and its u instead. Points of a whole-curve law, that of two salts among
// them, take the lag that law shows over every reading, not their windows'.
void apply(EpAnalysis &analysis, const TimedSeries &readings);

// The largest lag of the analysis' EPs; none when none shows one.
std::optional<double> largestLag(const EpAnalysis &analysis);

} // namespace LagCorrection
