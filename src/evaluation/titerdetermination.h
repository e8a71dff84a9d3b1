#pragma once

#include "evaluation/eprecognition.h"

#include <QString>

#include <optional>
#include <vector>

// A primary standard weighed in as the sample of a titer determination, with the standard
// uncertainties of its values (0: taken as exact).
struct PrimaryStandard
{
    double mass = 0; // g; 0: not entered
    double molarMass = 0; // g/mol; 0: not entered
    double purity = 100; // %
    double factor = 1; // mol of titrant per mol of standard
    double uMass = 0; // g
    double uPurity = 0; // %
    double uMolarMass = 0; // g/mol

    bool operator==(const PrimaryStandard &) const = default;
};

struct TiterValue
{
    double value = 1;
    double u = 0; // standard uncertainty
    double amount = 0; // mmol of titrant the standard takes
    double epVolume = 0; // mL
};

// A titer, or why there is none (a translated sentence).
struct TiterOutcome
{
    std::optional<TiterValue> titer;
    QString error;
};

namespace TiterDetermination {

// titer = n / (c * (V_EP - blank)) with n = m * P / 100 / M * factor in mmol, c the titrant's
// nominal concentration in mol/L and volumes in mL. Refused when V_EP is not above the blank,
// or a value is out of its range (purity above 0 and at most 100 %).
TiterOutcome compute(const PrimaryStandard &standard, double nominalConcentration,
    double blankVolume, double epVolume, double uEpVolume);
// The same for EP `ep` (1 for the first) among the recognised ones, ordered by volume.
TiterOutcome compute(const PrimaryStandard &standard, double nominalConcentration,
    double blankVolume, int ep, const std::vector<RecognisedEp> &points);

} // namespace TiterDetermination
