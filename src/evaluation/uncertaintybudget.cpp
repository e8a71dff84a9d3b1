#include "uncertaintybudget.h"

#include <QCoreApplication>

#include <cmath>

namespace UncertaintyBudget {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(UncertaintyBudget)
};

double finiteAbs(double v)
{
    return std::isfinite(v) ? std::abs(v) : 0;
}

} // namespace

std::vector<BudgetContribution> contributions(const Inputs &in)
{
    using S = UncertaintySource;
    const double perMl = std::abs(in.perMl);
    const double volume = std::abs(in.epVolume);
    // Relative inputs act on the result as a whole: d(result)/d(x) * u_x = result * u_x / x.
    const double result = std::abs(in.value);
    std::vector<BudgetContribution> budget {
        {S::EpVolume, perMl * finiteAbs(in.uEpVolume)},
        {in.titerOfHistory ? S::Titer : S::Titrant, result * finiteAbs(in.uConcentrationRelative)},
        {S::BuretteSystematic, perMl * volume * finiteAbs(in.buretteSystematic) / std::sqrt(3.0)},
        {S::BuretteRandom, perMl * volume * finiteAbs(in.buretteRandom)},
    };
    if (in.perSample) {
        const double relative = in.sampleSize > 0 ? finiteAbs(in.uSampleSize) / in.sampleSize : 0;
        budget.push_back({S::SampleSize, result * relative});
    }
    budget.push_back({S::BlankVolume, perMl * finiteAbs(in.uBlankVolume)});
    const double u = combined(budget);
    for (BudgetContribution &c : budget)
        c.sharePercent = u > 0 ? 100 * (c.u / u) * (c.u / u) : 0;
    return budget;
}

double combined(const std::vector<BudgetContribution> &budget)
{
    double sum = 0;
    for (const BudgetContribution &c : budget)
        sum += c.u * c.u;
    return std::sqrt(sum);
}

const BudgetContribution *largest(const std::vector<BudgetContribution> &budget)
{
    const BudgetContribution *found = nullptr;
    for (const BudgetContribution &c : budget) {
        if (!found || c.u > found->u)
            found = &c;
    }
    return found;
}

QString sourceKey(UncertaintySource source)
{
    switch (source) {
    case UncertaintySource::EpVolume:
        return QStringLiteral("ep_volume");
    case UncertaintySource::Titrant:
        return QStringLiteral("titrant_concentration");
    case UncertaintySource::Titer:
        return QStringLiteral("titer");
    case UncertaintySource::BuretteSystematic:
        return QStringLiteral("burette_systematic");
    case UncertaintySource::BuretteRandom:
        return QStringLiteral("burette_random");
    case UncertaintySource::SampleSize:
        return QStringLiteral("sample_size");
    case UncertaintySource::BlankVolume:
        return QStringLiteral("blank_volume");
    }
    return {};
}

QString sourceName(UncertaintySource source)
{
    switch (source) {
    case UncertaintySource::EpVolume:
        return Texts::tr("EP volume");
    case UncertaintySource::Titrant:
        return Texts::tr("titrant concentration");
    case UncertaintySource::Titer:
        return Texts::tr("titer");
    case UncertaintySource::BuretteSystematic:
        return Texts::tr("burette, systematic");
    case UncertaintySource::BuretteRandom:
        return Texts::tr("burette, random");
    case UncertaintySource::SampleSize:
        return Texts::tr("sample size");
    case UncertaintySource::BlankVolume:
        return Texts::tr("blank volume");
    }
    return {};
}

} // namespace UncertaintyBudget
