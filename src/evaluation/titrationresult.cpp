#include "titrationresult.h"

#include <QCoreApplication>

#include <cmath>

namespace TitrationResult {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(TitrationResult)
};

struct UnitInfo
{
    ResultUnit unit;
    const char *text;
    bool perSample; // divided by the sample size
    bool perVolume; // ... which must then be a volume
    bool mass; // needs the molar mass
};

constexpr UnitInfo Units[] = {
    {ResultUnit::MolPerLitre, "mol/L", true, true, false},
    {ResultUnit::MillimolPerLitre, "mmol/L", true, true, false},
    {ResultUnit::Millimol, "mmol", false, false, false},
    {ResultUnit::Milligram, "mg", false, false, true},
    {ResultUnit::GramPerLitre, "g/L", true, true, true},
    {ResultUnit::Percent, "%", true, false, true},
};

const UnitInfo &info(ResultUnit unit)
{
    for (const UnitInfo &i : Units) {
        if (i.unit == unit)
            return i;
    }
    return Units[0];
}

bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}

} // namespace

std::optional<ResultUnit> resultUnitFromText(const QString &text)
{
    const QString t = text.trimmed();
    for (const UnitInfo &i : Units) {
        if (t.compare(QLatin1String(i.text), Qt::CaseInsensitive) == 0)
            return i.unit;
    }
    return std::nullopt;
}

QString resultUnitText(ResultUnit unit)
{
    return QLatin1String(info(unit).text);
}

QStringList resultUnitTexts()
{
    QStringList texts;
    for (const UnitInfo &i : Units)
        texts << QLatin1String(i.text);
    return texts;
}

std::optional<SampleUnit> sampleUnitFromText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("g"), Qt::CaseInsensitive) == 0)
        return SampleUnit::Gram;
    if (t.compare(QLatin1String("mL"), Qt::CaseInsensitive) == 0)
        return SampleUnit::Millilitre;
    return std::nullopt;
}

QString validate(const MethodValues &m)
{
    const auto unit = resultUnitFromText(m.resultUnit);
    if (!unit)
        return Texts::tr("Unknown result unit \"%1\": use mol/L, mmol/L, mmol, mg, g/L or %.")
            .arg(m.resultUnit);
    const auto sampleUnit = sampleUnitFromText(m.sampleUnit);
    if (!sampleUnit)
        return Texts::tr("Unknown sample unit \"%1\": use g or mL.").arg(m.sampleUnit);
    const UnitInfo &u = info(*unit);
    if (!positive(m.titrantConcentration))
        return Texts::tr("The titrant concentration must be greater than 0 mol/L.");
    if (!positive(m.titer))
        return Texts::tr("The titer must be greater than 0.");
    if (!positive(m.stoichiometricFactor))
        return Texts::tr("The stoichiometric factor must be greater than 0.");
    if (!std::isfinite(m.blankVolume) || m.blankVolume < 0)
        return Texts::tr("The blank volume must be 0 mL or more.");
    for (double u : {m.uTitrantConcentrationPercent, m.buretteSystematicPercent,
             m.buretteRandomPercent, m.uSampleSize, m.uBlankVolume, m.uTiter.value_or(0)}) {
        if (!std::isfinite(u) || u < 0)
            return Texts::tr("An uncertainty of the method must be 0 or more.");
    }
    if (m.resultEp < 1)
        return Texts::tr("The result must be taken from EP 1 or a later one.");
    if (u.perSample && !positive(m.sampleSize))
        return Texts::tr("The sample size must be greater than 0.");
    if (u.perVolume && *sampleUnit != SampleUnit::Millilitre)
        return Texts::tr("The result unit %1 needs the sample size in mL.")
            .arg(QLatin1String(u.text));
    if (u.mass && !positive(m.molarMass))
        return Texts::tr("The molar mass must be greater than 0 g/mol.");
    return {};
}

TitrationResultOutcome compute(const MethodValues &m, double epVolume, double uEpVolume)
{
    TitrationResultOutcome outcome;
    outcome.error = validate(m);
    if (!outcome.error.isEmpty())
        return outcome;
    if (!std::isfinite(epVolume) || epVolume < m.blankVolume) {
        outcome.error = Texts::tr("The blank volume is larger than the volume of the EP.");
        return outcome;
    }
    const UnitInfo &u = info(*resultUnitFromText(m.resultUnit));
    // Result per mL of titrant: the result is linear in the EP volume.
    double perMl = m.titrantConcentration * m.titer * m.stoichiometricFactor; // mmol per mL
    if (u.mass)
        perMl *= m.molarMass; // mg
    if (u.perSample)
        perMl /= m.sampleSize; // mmol or mg per mL (or g) of sample
    if (u.unit == ResultUnit::MillimolPerLitre)
        perMl *= 1000;
    if (u.unit == ResultUnit::Percent)
        perMl /= 10; // mg per g (or mL) of sample to g per 100 g (or 100 mL)
    TitrationResultValue r;
    r.value = (epVolume - m.blankVolume) * perMl;
    UncertaintyBudget::Inputs in;
    in.value = r.value;
    in.perMl = perMl;
    in.epVolume = epVolume;
    in.uEpVolume = uEpVolume;
    in.perSample = u.perSample;
    in.sampleSize = m.sampleSize;
    in.uSampleSize = m.uSampleSize;
    in.uBlankVolume = m.uBlankVolume;
    in.titerOfHistory = m.uTiter.has_value();
    in.uConcentrationRelative
        = m.uTiter ? *m.uTiter / m.titer : m.uTitrantConcentrationPercent / 100;
    in.buretteSystematic = m.buretteSystematicPercent / 100;
    in.buretteRandom = m.buretteRandomPercent / 100;
    r.budget = UncertaintyBudget::contributions(in);
    r.u = UncertaintyBudget::combined(r.budget);
    r.unit = QLatin1String(u.text);
    r.ep = m.resultEp;
    r.epVolume = epVolume;
    outcome.result = r;
    return outcome;
}

TitrationResultOutcome compute(const MethodValues &m, const std::vector<RecognisedEp> &points)
{
    TitrationResultOutcome outcome;
    outcome.error = validate(m);
    if (!outcome.error.isEmpty())
        return outcome;
    if (std::size_t(m.resultEp) > points.size()) {
        outcome.error = Texts::tr("EP %1 was not found on the curve.").arg(m.resultEp);
        return outcome;
    }
    const RecognisedEp &ep = points[std::size_t(m.resultEp) - 1];
    return compute(m, ep.volume, ep.uVolume);
}

} // namespace TitrationResult
