#include "titerdetermination.h"

#include <QCoreApplication>

#include <cmath>

namespace TiterDetermination {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(TiterDetermination)
};

bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}

bool uncertainty(double value)
{
    return std::isfinite(value) && value >= 0;
}

double squared(double x)
{
    return x * x;
}

} // namespace

TiterOutcome compute(const PrimaryStandard &s, double nominalConcentration, double blankVolume,
    double epVolume, double uEpVolume)
{
    TiterOutcome outcome;
    if (!positive(s.mass))
        outcome.error = Texts::tr("The mass of the standard must be greater than 0 g.");
    else if (!positive(s.molarMass))
        outcome.error = Texts::tr("The molar mass of the standard must be greater than 0 g/mol.");
    else if (!positive(s.purity) || s.purity > 100)
        outcome.error = Texts::tr("The purity of the standard must lie above 0 and at most 100 %.");
    else if (!positive(s.factor))
        outcome.error
            = Texts::tr("The stoichiometric factor of the standard must be greater than 0.");
    else if (!uncertainty(s.uMass) || !uncertainty(s.uPurity) || !uncertainty(s.uMolarMass))
        outcome.error = Texts::tr("The uncertainties of the standard must be 0 or more.");
    else if (!positive(nominalConcentration))
        outcome.error = Texts::tr("The titrant concentration must be greater than 0 mol/L.");
    else if (!std::isfinite(blankVolume) || blankVolume < 0)
        outcome.error = Texts::tr("The blank volume must be 0 mL or more.");
    else if (!std::isfinite(epVolume) || epVolume <= blankVolume)
        outcome.error = Texts::tr("The volume of the EP must be larger than the blank volume.");
    if (!outcome.error.isEmpty())
        return outcome;
    const double net = epVolume - blankVolume;
    TiterValue t;
    t.amount = s.mass * 1000 * s.purity / 100 / s.molarMass * s.factor;
    t.value = t.amount / (nominalConcentration * net);
    t.epVolume = epVolume;
    // The law of propagation of uncertainty (GUM) for a product and quotient of uncorrelated
    // inputs: the relative uncertainties add in squares. The blank, the factor and the nominal
    // concentration are taken as exact.
    const double uEp = std::isfinite(uEpVolume) ? std::abs(uEpVolume) : 0;
    const double relative = std::sqrt(squared(s.uMass / s.mass) + squared(s.uPurity / s.purity)
        + squared(s.uMolarMass / s.molarMass) + squared(uEp / net));
    t.u = t.value * relative;
    outcome.titer = t;
    return outcome;
}

TiterOutcome compute(const PrimaryStandard &standard, double nominalConcentration,
    double blankVolume, int ep, const std::vector<RecognisedEp> &points)
{
    if (ep < 1 || std::size_t(ep) > points.size())
        return {std::nullopt, Texts::tr("EP %1 was not found on the curve.").arg(ep)};
    const RecognisedEp &p = points[std::size_t(ep) - 1];
    return compute(standard, nominalConcentration, blankVolume, p.volume, p.uVolume);
}

} // namespace TiterDetermination
