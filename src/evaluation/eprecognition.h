#pragma once

#include "evaluation/curveseries.h"

#include <optional>
#include <vector>

// One equivalence point recognised on a titration curve.
struct RecognisedEp
{
    double volume = 0; // mL
    double uVolume = 0; // standard uncertainty of the volume, mL
    double value = 0; // measured value at the point (pH or mV), on the fitted jump
    double steepness = 0; // largest slope of the jump, value per mL (negative: falling)
    double significance = 0; // how far the jump's steepness stands above the noise, in
                             // standard deviations of the slope
    // The electrode's time constant the readings around the point show, in seconds (see
    // LagCorrection); none when no lag is seen or the readings carry no times.
    std::optional<double> lagSeconds;
    // Where the point is that of a precipitation's whole-curve law (see PrecipitationFitter):
    // its silver ions to one anion; 0 for a jump model's point.
    int ionsPerAnion = 0;
    // Where it is that of a redox titration's whole-curve law (see RedoxFitter): its ratio of
    // electrons, analyte to titrant; 0 for any other point.
    int analyteElectrons = 0;
    int titrantElectrons = 0;
    // Where it is one of the two points of the law of two salts (see TwoPrecipitatesFitter).
    bool fromTwoSaltsLaw = false;

    bool fromWholeCurveLaw() const
    {
        return ionsPerAnion > 0 || analyteElectrons > 0 || fromTwoSaltsLaw;
    }
};

// What a curve's readings are: a pH, or a potential in mV (a redox or silver electrode).
enum class Reading { Ph, Potential };

struct EpAnalysis
{
    std::vector<RecognisedEp> points; // ordered by volume
    double noise = 0; // standard deviation of one reading, estimated from the curve
    // No jump was fitted as a narrow one: the curve may follow a precipitation's whole-curve law
    // (see PrecipitationFitter), read by a slow electrode where it does not as it stands.
    bool noNarrowJump = false;
    Reading reading = Reading::Ph;
};

namespace EpRecognition {

// The point whose jump stands highest above the noise; `analysis` must hold one.
const RecognisedEp &strongest(const EpAnalysis &analysis);

// How strict the recognition is by default: a jump's slope must stand this many standard
// deviations of the slope noise above the slopes around it ...
constexpr double SignificanceThreshold = 8.0;
// ... and be this many times as steep as the slope it rises from (the higher of the lowest
// slopes on either side).
constexpr double SteepnessRatio = 3.0;

// Every equivalence point of a titration series (volumes in mL, equal or unequal steps, in any
// order; repeated volumes are merged), rising and falling jumps alike. Each inflection whose
// slope stands out of the noise (estimated from the curve) and of the curve around it is fitted
// locally, which gives its volume and a standard uncertainty u: +-2u covers the true point in
// about 95 % of runs. A sharp jump whose sides differ (redox with unequal electron numbers,
// precipitates of unequal charges, a first precipitate capped by a second) is fitted with
// unequal amplitudes on either side where the readings show it; a curve that follows the law of
// a whole precipitation or (in mV) of a redox titration gets that law's point. `criterion`
// scales the significance threshold: 1 is the default, larger values want clearer jumps,
// smaller ones accept weaker ones.
EpAnalysis recognise(
    const CurveSeries &series, double criterion = 1.0, Reading reading = Reading::Ph);

} // namespace EpRecognition
