#pragma once

#include <QString>

#include <vector>

// Where a result's uncertainty comes from (GUM): each input's standard uncertainty times the
// result's sensitivity to it, the inputs taken as uncorrelated.
enum class UncertaintySource {
    EpVolume, // the EP's volume as the curve gives it
    Titrant, // the titrant's concentration as typed
    Titer, // the titer of the titrant's history, in place of the typed concentration
    BuretteSystematic,
    BuretteRandom,
    SampleSize,
    BlankVolume,
};

struct BudgetContribution
{
    UncertaintySource source = UncertaintySource::EpVolume;
    double u = 0; // the result's standard uncertainty from this input, in the result's unit
    double sharePercent = 0; // of u² of the result; 0 when u of the result is 0
};

namespace UncertaintyBudget {

// U = k * u, about 95 % coverage.
constexpr double CoverageFactor = 2;

// What the result's formula gives the budget: result = (V_EP - V_blank) * perMl, times a
// factor that may divide by the sample size.
struct Inputs
{
    double value = 0; // the result
    double perMl = 0; // the result per mL of titrant
    double epVolume = 0; // mL, the volume the burette dosed
    double uEpVolume = 0; // mL
    bool perSample = false; // the result is divided by the sample size
    double sampleSize = 0;
    double uSampleSize = 0; // in the sample's unit
    double uBlankVolume = 0; // mL
    double uConcentrationRelative = 0; // of the titrant (or the titer), as a fraction
    bool titerOfHistory = false; // the concentration's u is the titer's
    double buretteSystematic = 0; // limit, fraction of the dosed volume
    double buretteRandom = 0; // standard deviation, fraction of the dosed volume
};

// Every input of the result's formula in a fixed order (EP volume, titrant or titer, burette
// systematic and random, sample size when the result is divided by it, blank). The burette's
// systematic limit e counts as a rectangular distribution, u = e * V / sqrt(3); its random
// error as a standard deviation, u = s * V.
std::vector<BudgetContribution> contributions(const Inputs &inputs);
// sqrt of the sum of the squares.
double combined(const std::vector<BudgetContribution> &budget);
// The contribution with the largest u (the first of equal ones); none for an empty budget.
const BudgetContribution *largest(const std::vector<BudgetContribution> &budget);

// "ep_volume", "titrant_concentration", "titer", "burette_systematic", "burette_random",
// "sample_size", "blank_volume": the source's name in the JSON.
QString sourceKey(UncertaintySource source);
// The source in words, translated.
QString sourceName(UncertaintySource source);

} // namespace UncertaintyBudget
